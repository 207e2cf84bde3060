// Holding the clipboard open: it is one lock for the whole session, and any
// program may hold it for a moment, so opening it is retried briefly.
#pragma once

#include <windows.h>

namespace ui {

// Opens the clipboard for the guard's lifetime. Throws ui::AppError
// "Cannot open clipboard" when another program keeps it for longer than
// about 100 ms.
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner);
    ~ClipboardGuard() { CloseClipboard(); }
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
};

} // namespace ui
