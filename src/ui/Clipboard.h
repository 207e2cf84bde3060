// Holding the clipboard open: it is one lock for the whole session, and any
// program may hold it for a moment, so opening it is retried briefly.
#pragma once

#include <windows.h>

#include <new>

namespace ui {

// Opens the clipboard for the guard's lifetime. Throws ui::AppError
// "Cannot open clipboard" when another program keeps it for longer than
// about 100 ms.
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner);
    // One try, for a caller that comes back later rather than wait: Opened()
    // tells whether it worked.
    ClipboardGuard(HWND owner, std::nothrow_t) noexcept : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardGuard()
    {
        if (open_)
            CloseClipboard();
    }
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    bool Opened() const noexcept { return open_; }

private:
    bool open_ = true;
};

} // namespace ui
