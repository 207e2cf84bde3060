#include "ui/Clipboard.h"

#include "ui/Errors.h"

namespace ui {

namespace {

// Programs that write the clipboard hold it for a few milliseconds; one that
// keeps it longer is not waited for.
constexpr int kOpenAttempts = 10;
constexpr DWORD kRetryDelayMs = 10;

} // namespace

ClipboardGuard::ClipboardGuard(HWND owner)
{
    for (int attempt = 1; !OpenClipboard(owner); ++attempt) {
        if (attempt == kOpenAttempts)
            throw AppError("Cannot open clipboard");
        Sleep(kRetryDelayMs);
    }
}

} // namespace ui
