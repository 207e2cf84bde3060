#include "browsers/BitmapBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"

namespace {

// Sizeable, no maximise box; stored at (270, 188), 301 x 142; height floor 140.
constexpr int kLeft = 270, kTop = 188, kWidth = 301, kHeight = 142, kMinHeight = 140;

} // namespace

void TfrmBmp::Create()
{
    CreateForm({"TfrmBmp", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                0, kLeft, kTop, kWidth, kHeight, false, "frmBmp", static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmBmp::ShowCatalogue(bool saved)
{
    MoveTo(Form1->Left(), Form1->Top());
    SavedMode = saved;
}

void TfrmBmp::FormActivate()
{
    Form1->Hide();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TfrmBmp::FormHide()
{
    Form1->Show();
}

void TfrmBmp::FormResize()
{
    RECT r;
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < kMinHeight)
        SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, kMinHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
