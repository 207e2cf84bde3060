// The base of every window of the program: keeps `this` with the HWND and
// hands messages to one virtual HandleMessage. Exceptions stop at WindowProc.
#pragma once

#include <windows.h>

#include <memory>

namespace ui {

struct Accessibility;
class AccessibleWindow;

struct WindowClass {
    const char* name;
    UINT style = CS_DBLCLKS;
    HBRUSH background = nullptr;  // null: the window paints its own background
    HCURSOR cursor = nullptr;     // null: the arrow
    HICON icon = nullptr;
};

struct WindowPlacement {
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND parent = nullptr;
    const char* caption = "";
    UINT_PTR id = 0;  // child windows only
};

class Window {
public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

    // What a screen reader reads of this window (ui/Accessible.h): from now
    // on WM_GETOBJECT is answered from it.
    void Describe(Accessibility description);
    // Tells screen readers of a change (EVENT_OBJECT_...) to the window, or
    // to one of its items.
    void Announce(DWORD event, LONG item = CHILDID_SELF) const noexcept;

protected:
    // Registers the class on first use and creates the window. Throws
    // ui::AppError when the window cannot be created.
    void CreateHandle(const WindowClass& cls, const WindowPlacement& where);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
    std::unique_ptr<AccessibleWindow> accessible_;
};

} // namespace ui
