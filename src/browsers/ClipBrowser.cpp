#include "browsers/ClipBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"

void ClipBrowser::FormActivate()
{
    Form1->Hide();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void ClipBrowser::FormHide()
{
    Form1->Show();
}

bool ClipBrowser::FormKeyDown(UINT key)
{
    if (key != VK_ESCAPE)
        return false;
    Hide();
    return true;
}

void ClipBrowser::FormResize()
{
    if (IsIconic(Handle()))
        return;
    RECT r;
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < kMinHeight) {
        // Comes back here through WM_SIZE with the new height.
        SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, kMinHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    LayoutControls();
}
