#include "ui/Form.h"

#include "ui/Application.h"

namespace ui {

COLORREF ColorToRgb(int32_t color) noexcept
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0x00FFFFFF;
}

void Form::CreateForm(const FormDesign& d)
{
    color_ = d.color;
    brush_.reset(CreateSolidBrush(ColorToRgb(color_)));
    int width = d.width, height = d.height;
    if (d.clientSize) {
        RECT r{0, 0, d.width, d.height};
        AdjustWindowRectEx(&r, d.style, FALSE, d.exStyle);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    WindowPlacement where;
    where.style = d.style & ~WS_VISIBLE;
    where.exStyle = d.exStyle;
    where.x = d.left;
    where.y = d.top;
    where.width = width;
    where.height = height;
    where.parent = App.Handle();
    where.caption = d.caption;
    CreateHandle(WindowClass{d.className}, where);
    App.AddForm(this);
    CreateControls();
    try {
        FormCreate();
    } catch (const std::exception& e) {
        App.ShowException(e);
    }
}

void Form::Show()
{
    ShowWindow(Handle(), SW_SHOW);
    BringToFront();
}

void Form::Hide()
{
    ShowWindow(Handle(), SW_HIDE);
}

bool Form::Visible() const noexcept
{
    return Handle() && IsWindowVisible(Handle());
}

void Form::Close()
{
    SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void Form::BringToFront()
{
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(Handle());
}

void Form::DestroyHandle() noexcept
{
    if (Handle())
        DestroyWindow(Handle());
}

int Form::Left() const
{
    RECT r{};
    GetWindowRect(Handle(), &r);
    return r.left;
}

int Form::Top() const
{
    RECT r{};
    GetWindowRect(Handle(), &r);
    return r.top;
}

void Form::MoveTo(int left, int top)
{
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetColor(int32_t color)
{
    color_ = color;
    brush_.reset(CreateSolidBrush(ColorToRgb(color)));
    InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush_.get());
        return 1;
    }
    case WM_CLOSE:
        if (App.MainForm() == this) {
            App.Terminate();
        } else {
            FormClose();
            Hide();
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            FormActivate();
        break;
    case WM_SHOWWINDOW:
        // lParam != 0: the owner is being minimised or restored, not us hidden.
        if (lParam == 0 && !App.ChangingState()) {
            if (wParam)
                FormShow();
            else
                FormHide();
        }
        break;
    case WM_SIZE:
        FormResize();
        break;
    case WM_LBUTTONDBLCLK:
        FormDblClick();
        return 0;
    case WM_SYSCOMMAND:
        // A form's own minimise box takes the whole program down to its
        // taskbar button, from which it comes back as it was: a form
        // minimised alone would have no button to come back from.
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            App.Minimize();
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (FormKeyDown(static_cast<UINT>(wParam)))
            return 0;
        break;
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DESTROY:
        FormDestroy();
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            App.EndSession();
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

} // namespace ui
