#include "ui/Clipboard.h"

#include "ui/Errors.h"

#include <cstring>

namespace ui {

namespace {

constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 25;

} // namespace

ClipboardGuard::ClipboardGuard(HWND owner)
{
    for (int attempt = 1;; ++attempt) {
        if (OpenClipboard(owner))
            return;
        if (attempt == kOpenAttempts)
            throw AppError("Cannot open clipboard");
        Sleep(kOpenRetryMs);
    }
}

ClipboardGuard::~ClipboardGuard()
{
    // Viewers hear of a change inside this call (at once when they run on
    // this thread), so whoever suppresses capture must outlive the guard.
    CloseClipboard();
}

void ClipboardGuard::Empty()
{
    if (!EmptyClipboard())
        throw AppError("Cannot write to clipboard");
}

void ClipboardGuard::Put(UINT format, GlobalMemory data)
{
    if (!data || !SetClipboardData(format, data.get()))
        throw AppError("Cannot write to clipboard");
    data.release();  // the clipboard owns it now
}

void PutClipboardText(HWND owner, std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    GlobalMemory mem(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
    if (!mem)
        throw AppError("Cannot write to clipboard");
    {
        GlobalLockGuard lock(mem.get());
        if (!lock.get())
            throw AppError("Cannot write to clipboard");
        char* p = static_cast<char*>(lock.get());
        std::memcpy(p, text.data(), text.size());
        p[text.size()] = '\0';
    }
    ClipboardGuard clipboard(owner);
    clipboard.Empty();
    clipboard.Put(CF_TEXT, std::move(mem));
}

} // namespace ui
