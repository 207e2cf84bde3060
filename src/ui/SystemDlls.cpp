#include "ui/SystemDlls.h"

namespace ui {

namespace {

// A function of a system DLL, the DLL loaded on the first call; null when
// either cannot be had.
template <class Fn>
Fn SystemFunction(const wchar_t* dll, const char* name) noexcept
{
    HMODULE module = GetModuleHandleW(dll);
    if (!module)
        module = LoadLibraryW(dll);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

template <class Fn>
Fn Comctl32(const char* name) noexcept
{
    return SystemFunction<Fn>(L"comctl32.dll", name);
}

} // namespace

void LoadDllsFromTheSystemOnly() noexcept
{
    // Windows 7 has the call only with an update; without it, at least the
    // current folder is left out.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = SystemFunction<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

namespace system {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) noexcept
{
    static const auto fn = Comctl32<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
    return fn ? fn(controls) : FALSE;
}

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) noexcept
{
    static const auto fn = Comctl32<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR)>("SetWindowSubclass");
    return fn ? fn(window, proc, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) noexcept
{
    static const auto fn = Comctl32<BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR)>("RemoveWindowSubclass");
    return fn ? fn(window, proc, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    // Only ever called for a window that SetWindowSubclass took on.
    static const auto fn = Comctl32<LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>("DefSubclassProc");
    return fn ? fn(window, msg, wParam, lParam) : DefWindowProcW(window, msg, wParam, lParam);
}

BOOL ChooseColorA(CHOOSECOLORA* choice) noexcept
{
    static const auto fn = SystemFunction<BOOL(WINAPI*)(CHOOSECOLORA*)>(L"comdlg32.dll", "ChooseColorA");
    return fn ? fn(choice) : FALSE;
}

} // namespace system

} // namespace ui
