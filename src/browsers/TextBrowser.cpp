#include "browsers/TextBrowser.h"

#include "app/Forms.h"
#include "bar/Form1.h"

namespace {

// Sizeable tool window, 290 x 150 outer, never below 140 high.
constexpr int kWidth = 290, kHeight = 150, kMinHeight = 140;

} // namespace

void TfrmText::Create()
{
    CreateForm({"TfrmText", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
                CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, false, "Text clips",
                static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmText::ShowCatalogue(bool saved)
{
    MoveTo(Form1->Left(), Form1->Top());
    SavedMode = saved;
}

void TfrmText::FormActivate()
{
    Form1->Hide();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TfrmText::FormHide()
{
    Form1->Show();
}

void TfrmText::FormResize()
{
    RECT r;
    GetWindowRect(Handle(), &r);
    if (r.bottom - r.top < kMinHeight)
        SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, kMinHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
