// Where the program's DLLs come from. A portable program often runs from the
// Downloads folder, and Windows looks in the program's own folder first for
// any DLL that is not one of its known DLLs, also for those that a system
// DLL loaded with the program pulls in. So the program imports known DLLs
// only; comctl32, and comdlg32 that may pull it in, are loaded at first use,
// after the entry point has taken the program's folder out of the search.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

namespace ui {

// The entry point's first act: every DLL loaded by name from then on comes
// from the system folder (or, for comctl32, side by side as the manifest
// binds it).
void LoadDllsFromTheSystemOnly() noexcept;

// The functions of comctl32 and comdlg32 the program uses; each fails as the
// system's does when its DLL cannot be had.
namespace system {
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) noexcept;
BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) noexcept;
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) noexcept;
LRESULT DefSubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
BOOL ChooseColorA(CHOOSECOLORA* choice) noexcept;
} // namespace system

} // namespace ui
