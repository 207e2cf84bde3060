// The clipboard, opened for one operation and always closed again.
#pragma once

#include "ui/Handles.h"

#include <windows.h>

#include <string_view>

namespace ui {

// Opens the clipboard for `owner`. Another program may hold it open for a
// moment (viewers read it right after every change), so opening is retried
// for a short while before it fails with "Cannot open clipboard".
class ClipboardGuard {
public:
    explicit ClipboardGuard(HWND owner);
    ~ClipboardGuard();
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;

    // Empties the clipboard and makes the owner its owner.
    void Empty();
    // Hands `data` to the clipboard under `format`. On failure the memory is
    // freed here and "Cannot write to clipboard" is raised.
    void Put(UINT format, GlobalMemory data);
};

// Replaces the clipboard's contents with `text` as CF_TEXT. The text ends at
// its first NUL, as CF_TEXT cannot carry one.
void PutClipboardText(HWND owner, std::string_view text);

} // namespace ui
