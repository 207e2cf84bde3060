#include "ui/Application.h"

#include "ui/Errors.h"
#include "ui/Form.h"

#include <algorithm>

namespace ui {

Application App;

namespace {

const char kAppWindowClass[] = "TidemarkApplication";

struct DisabledWindows {
    std::vector<HWND> windows;
    HWND except;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param)
{
    auto* state = reinterpret_cast<DisabledWindows*>(param);
    if (hwnd != state->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        state->windows.push_back(hwnd);
    }
    return TRUE;
}

} // namespace

Application::Application()
{
    Box = [this](const std::string& text, const std::string& caption, UINT flags) {
        return ModalBox(text, caption, flags);
    };
}

std::string Application::ExeName() const
{
    if (!ExeNameOverride.empty())
        return ExeNameOverride;
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n < sizeof path ? n : 0);
}

HWND Application::Handle()
{
    if (!handle_) {
        HINSTANCE inst = GetModuleHandleA(nullptr);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Application::AppWindowProc;
        wc.hInstance = inst;
        wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1));
        wc.lpszClassName = kAppWindowClass;
        RegisterClassExA(&wc);
        // A zero-size popup with a caption: it carries the taskbar button and
        // owns the forms, so none of them gets a button of its own.
        handle_ = CreateWindowExA(0, kAppWindowClass, Title.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                  GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                  nullptr, nullptr, inst, nullptr);
    }
    return handle_;
}

void Application::AddForm(Form* form)
{
    forms_.push_back(form);
}

int Application::Run()
{
    if (Form* main = MainForm())
        main->Show();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyForms();
    return 0;
}

bool Application::PreTranslate(MSG& msg)
{
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    for (Form* f : forms_) {
        if (top && f->Handle() == top && f->WantsDialogKeys())
            return IsDialogMessageA(top, &msg) != FALSE;
    }
    return false;
}

void Application::DestroyForms() noexcept
{
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        (*it)->DestroyHandle();
}

void Application::EndSession() noexcept
{
    if (ended_)
        return;
    ended_ = true;
    // Windows may end the process as soon as WM_ENDSESSION returns: tear down here.
    DestroyForms();
    PostQuitMessage(0);
}

void Application::Minimize()
{
    if (minimized_)
        return;
    changingState_ = true;
    hiddenByMinimize_.clear();
    for (Form* f : forms_) {
        if (f->Handle() && IsWindowVisible(f->Handle())) {
            hiddenByMinimize_.push_back(f->Handle());
            ShowWindow(f->Handle(), SW_HIDE);
        }
    }
    ShowWindow(Handle(), SW_MINIMIZE);
    minimized_ = true;
    changingState_ = false;
}

void Application::Restore()
{
    if (!minimized_)
        return;
    changingState_ = true;
    minimized_ = false;
    ShowWindow(Handle(), SW_RESTORE);
    for (HWND h : hiddenByMinimize_) {
        if (IsWindow(h))
            ShowWindow(h, SW_SHOW);
    }
    if (!hiddenByMinimize_.empty() && IsWindow(hiddenByMinimize_.back()))
        SetForegroundWindow(hiddenByMinimize_.back());
    hiddenByMinimize_.clear();
    changingState_ = false;
}

void Application::ShowException(const std::exception& e) noexcept
{
    try {
        Box(std::string(e.what()) + ".", Title, MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing sensible is left to report with.
    }
}

int Application::ModalBox(const std::string& text, const std::string& caption, UINT flags)
{
    HWND owner = Handle();
    HWND previouslyActive = GetActiveWindow();
    DisabledWindows disabled{{}, owner};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    int result = MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
    for (HWND h : disabled.windows)
        EnableWindow(h, TRUE);
    if (previouslyActive && IsWindow(previouslyActive))
        SetActiveWindow(previouslyActive);
    return result;
}

void Application::ResetForTests()
{
    forms_.clear();
    hiddenByMinimize_.clear();
    minimized_ = false;
    ended_ = false;
}

LRESULT CALLBACK Application::AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        switch (msg) {
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
            case SC_MINIMIZE:
                App.Minimize();
                return 0;
            case SC_RESTORE:
                App.Restore();
                return 0;
            case SC_CLOSE:
                if (Form* main = App.MainForm())
                    main->Close();
                return 0;
            }
            break;
        case WM_CLOSE:
            if (Form* main = App.MainForm())
                main->Close();
            return 0;
        case WM_ENDSESSION:
            if (wParam)
                App.EndSession();
            return 0;
        }
    } catch (const std::exception& e) {
        App.ShowException(e);
        return 0;
    } catch (...) {
        App.ShowException(AppError("Unexpected error"));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void ShowNote(const std::string& text, const std::string& caption)
{
    App.Box(text, caption, MB_OK);
}

} // namespace ui
