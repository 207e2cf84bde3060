// What a screen reader reads of the windows the program draws itself. A
// window describes itself through callbacks, asked afresh at every question,
// and one IAccessible answers WM_GETOBJECT from that description.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleacc.h>

#include <functional>
#include <string>

namespace ui {

// Texts are in the ANSI code page, as the windows draw them.
struct Accessibility {
    LONG role = ROLE_SYSTEM_CLIENT;
    std::function<std::string()> name;
    std::function<std::string()> value;
    // STATE_SYSTEM_* flags of the control's own making; whether the window
    // shows and whether it has the focus are added to them.
    std::function<LONG()> state;

    // Items: parts of the window without a window of their own, counted from
    // 1. Without itemCount the window's children are its child windows.
    LONG itemRole = ROLE_SYSTEM_LISTITEM;
    std::function<int()> itemCount;
    std::function<std::string(int)> itemName;
    std::function<LONG(int)> itemState;
    std::function<RECT(int)> itemBounds;  // in client coordinates
};

// One window's answers to WM_GETOBJECT. oleacc.dll is not one of the
// system's known DLLs, so a copy planted beside the program would be loaded
// in its place: it is never imported, but loaded from the system folder when
// the first question comes.
class AccessibleWindow {
public:
    explicit AccessibleWindow(Accessibility description) noexcept;
    ~AccessibleWindow();
    AccessibleWindow(const AccessibleWindow&) = delete;
    AccessibleWindow& operator=(const AccessibleWindow&) = delete;

    // The answer for the window's client; 0 for any other object, or when
    // the system's accessibility library cannot be had. Quick, and never
    // throws: other programs wait on it.
    LRESULT Answer(HWND window, WPARAM wParam, LPARAM lParam) noexcept;
    // The window has gone: objects handed out say so from now on.
    void Disconnect() noexcept;

private:
    class Object;
    Accessibility description_;
    Object* object_ = nullptr;
};

} // namespace ui
