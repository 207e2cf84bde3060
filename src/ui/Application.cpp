#include "ui/Application.h"

#include "ui/Errors.h"
#include "ui/Form.h"
#include "ui/Messages.h"
#include "ui/Placement.h"

#include <algorithm>
#include <utility>

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

// A box or platform dialog of the program's: owned by the application window,
// as the forms are, but of the dialog class.
bool IsOwnedDialog(HWND w)
{
    char cls[16] = "";
    return GetWindow(w, GW_OWNER) == App.Handle() && GetClassNameA(w, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0;
}

BOOL CALLBACK FindOpenDialog(HWND hwnd, LPARAM param)
{
    if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) || !IsOwnedDialog(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// A box or dialog owned by the application window goes into the topmost band
// as it is activated, so that no topmost form of the program covers it.
LRESULT CALLBACK RaiseOwnedDialog(int code, WPARAM wParam, LPARAM lParam)
{
    const HWND w = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && IsOwnedDialog(w))
        SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// While a box or dialog owned by the application window is open, the other
// top-level windows are disabled; afterwards they are enabled again and the
// window that was active is active again.
class ModalScope {
public:
    ModalScope(HWND owner, bool topmost) : previous_(GetActiveWindow()), disabled_{{}, owner}
    {
        EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled_));
        if (topmost)
            hook_ = SetWindowsHookExA(WH_CBT, &RaiseOwnedDialog, nullptr, GetCurrentThreadId());
    }
    ~ModalScope()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        for (HWND h : disabled_.windows)
            EnableWindow(h, TRUE);
        if (previous_ && IsWindow(previous_))
            SetActiveWindow(previous_);
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    HWND previous_;
    DisabledWindows disabled_;
    HHOOK hook_ = nullptr;
};

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

void Application::ShowTaskbarButton()
{
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

bool Application::IsForm(HWND window) const
{
    return window && std::any_of(forms_.begin(), forms_.end(), [window](Form* f) { return f->Handle() == window; });
}

HWND Application::FrontForm() const
{
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsWindowVisible(w) && IsWindowEnabled(w) && IsForm(w))
            return w;
    }
    return nullptr;
}

HWND Application::OpenDialog() const
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindOpenDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Application::ComeToFront()
{
    if (Leaving())
        return false;
    // Nothing else can be used while a box or dialog waits for an answer,
    // be it one shown while the windows are built.
    if (HWND dialog = OpenDialog()) {
        SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(dialog);
        return true;
    }
    if (Minimized()) {
        Restore();
        return true;
    }
    // The window in front of the program's own: the newest-made that shows.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
        if ((*it)->Visible()) {
            (*it)->BringToFront();
            break;
        }
    }
    return true;
}

void Application::ActivateFrontForm()
{
    if (HWND w = FrontForm())
        SetActiveWindow(w);
}

HWND Application::WorkingForm() const
{
    HWND active = GetActiveWindow();
    return IsForm(active) && IsWindowVisible(active) ? active : FrontForm();
}

void Application::MoveToWorkingForm()
{
    HWND working = WorkingForm();
    if (!working)
        return;
    RECT r{};
    GetWindowRect(working, &r);
    // A point of it that is on its monitor, even when the form hangs off it.
    const RECT at = KeepInside({r.left, r.top, r.left + 1, r.top + 1}, WorkAreaOf(working));
    SetWindowPos(Handle(), nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    // The menu key and Shift+F10 ask the window with the focus for its
    // context menu once per press, as from the keyboard (at -1, -1); their
    // releases, which the system might turn into a second menu or the window
    // menu, go no further.
    const bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool keyUp = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (keyDown && (msg.wParam == VK_APPS || (msg.wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0))) {
        contextKey_ = static_cast<UINT>(msg.wParam);
        SendMessageA(msg.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(msg.hwnd), -1);
        return true;
    }
    if (keyUp && contextKey_ && msg.wParam == contextKey_) {
        contextKey_ = 0;
        return true;
    }
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

void Application::Terminate() noexcept
{
    leaving_ = true;
    PostQuitMessage(0);
}

void Application::EndSession() noexcept
{
    if (ended_)
        return;
    ended_ = true;
    leaving_ = true;
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
    if (SessionEnding())
        return;
    try {
        Box(std::string(e.what()) + ".", Title, MB_OK | MB_ICONERROR);
        if (const auto* told = dynamic_cast<const AppError*>(&e))
            told->Seen();
    } catch (...) {
        // Nothing sensible is left to report with.
    }
}

void Application::ShowExceptionLater(std::exception_ptr error) noexcept
{
    if (deferredPending_ || !error)
        return;
    deferredError_ = std::move(error);
    deferredPending_ = PostMessageA(Handle(), WM_TIDEMARK_DEFERRED_ERROR, 0, 0) != FALSE;
    if (!deferredPending_)
        deferredError_ = nullptr;
}

void Application::ShowDeferredError() noexcept
{
    std::exception_ptr error = std::exchange(deferredError_, nullptr);
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(AppError("Unexpected error"));
    }
    // Only now: what failed while the box showed is not stacked on it.
    deferredPending_ = false;
}

bool Application::AnyTopmostForm() const
{
    return std::any_of(forms_.begin(), forms_.end(), [](Form* f) {
        return f->Visible() && (GetWindowLongPtrA(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    });
}

void Application::RunModal(const std::function<void()>& dialog)
{
    MoveToWorkingForm();
    ModalScope scope(Handle(), AnyTopmostForm());
    dialog();
}

int Application::ModalBox(const std::string& text, const std::string& caption, UINT flags)
{
    int result = 0;
    RunModal([&] { result = MessageBoxA(Handle(), text.c_str(), caption.c_str(), flags); });
    return result;
}

void Application::ResetForTests()
{
    forms_.clear();
    hiddenByMinimize_.clear();
    minimized_ = false;
    ended_ = false;
    formsReady_ = false;
    deferredError_ = nullptr;
    deferredPending_ = false;
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
        case WM_TIDEMARK_DEFERRED_ERROR:
            App.ShowDeferredError();
            return 0;
        case WM_ACTIVATE:
            // Its taskbar button was clicked: the window has no face, so keys
            // would go nowhere. Posted: a box that just closed gives the
            // activation back to its own window first.
            if (LOWORD(wParam) != WA_INACTIVE && !App.Minimized())
                PostMessageA(hwnd, WM_TIDEMARK_ACTIVATE_FRONT, 0, 0);
            break;
        case WM_TIDEMARK_TO_FRONT:
            return App.ComeToFront() ? 1 : 0;
        case WM_TIDEMARK_ACTIVATE_FRONT:
            if (GetActiveWindow() == hwnd)
                App.ActivateFrontForm();
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
