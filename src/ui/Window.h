// The base of every window of the program: keeps `this` with the HWND and
// hands messages to one virtual HandleMessage. Exceptions stop at WindowProc.
#pragma once

#include <windows.h>

namespace ui {

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
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }

protected:
    // Registers the class on first use and creates the window. Throws
    // ui::AppError when the window cannot be created.
    void CreateHandle(const WindowClass& cls, const WindowPlacement& where);

    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
};

} // namespace ui
