#include "ui/Window.h"

#include "ui/Accessible.h"
#include "ui/Application.h"
#include "ui/Errors.h"

namespace ui {

Window::Window() = default;

Window::~Window()
{
    if (hwnd_) {
        // The window outlives nothing it refers to: detach before destroying so
        // late messages fall through to DefWindowProc.
        HWND h = hwnd_;
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        DestroyWindow(h);
    }
}

void Window::CreateHandle(const WindowClass& cls, const WindowPlacement& where)
{
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(inst, cls.name, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::WindowProc;
        wc.hInstance = inst;
        wc.hCursor = cls.cursor ? cls.cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = cls.background;
        wc.hIcon = cls.icon;
        wc.lpszClassName = cls.name;
        if (!RegisterClassExA(&wc))
            throw AppError(Format("Cannot register window class %s", cls.name));
    }
    HWND h = CreateWindowExA(where.exStyle, cls.name, where.caption, where.style, where.x, where.y,
                             where.width, where.height, where.parent,
                             reinterpret_cast<HMENU>(where.id), inst, this);
    if (!h)
        throw AppError(Format("Cannot create window %s", cls.name));
}

void Window::Describe(Accessibility description)
{
    accessible_ = std::make_unique<AccessibleWindow>(std::move(description));
}

void Window::Announce(DWORD event, LONG item) const noexcept
{
    if (hwnd_)
        NotifyWinEvent(event, hwnd_, OBJID_CLIENT, item);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    Window* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    // WM_GETMINMAXINFO and friends arrive before WM_NCCREATE.
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    // Answered here, past any handler that could throw: another program waits.
    if (msg == WM_GETOBJECT && self->accessible_) {
        if (const LRESULT answer = self->accessible_->Answer(hwnd, wParam, lParam))
            return answer;
    }

    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& e) {
        App.ShowException(e);
        if (msg == WM_NCCREATE)
            result = TRUE;
    } catch (...) {
        App.ShowException(AppError("Unexpected error"));
    }
    if (msg == WM_NCDESTROY) {
        if (self->accessible_)
            self->accessible_->Disconnect();
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

} // namespace ui
