// Files that must outlast a power cut, not only the program.
#pragma once

#include <windows.h>

namespace ui {

// Whether FlushToDisk writes anything out; the benchmark turns it off to
// weigh what that costs.
extern bool FlushFiles;

// The file's data on the disk itself, not only in the system's cache: a
// catalogue written after it never names an empty or cut file. Whether that
// worked.
bool FlushToDisk(HANDLE file) noexcept;

} // namespace ui
