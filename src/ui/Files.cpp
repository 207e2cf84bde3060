#include "ui/Files.h"

namespace ui {

bool FlushFiles = true;

bool FlushToDisk(HANDLE file) noexcept
{
    return !FlushFiles || FlushFileBuffers(file);
}

} // namespace ui
