#include "app/Splash.h"

#include "app/Forms.h"
#include "bar/Form1.h"

namespace {

// Outer size 386 x 97, centred; a sizeable frame without caption buttons.
constexpr int kWidth = 386, kHeight = 97;

} // namespace

void TfrmSplash::Create()
{
    int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    CreateForm({"TfrmSplash", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, left, top, kWidth, kHeight, false,
                "orv Tidemark", static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmSplash::FormCreate()
{
    // Armed now, before the other windows exist; its tick waits for the loop.
    SetTimer(Handle(), Timer1, Timer1Interval, nullptr);
}

void TfrmSplash::Timer1Timer()
{
    KillTimer(Handle(), Timer1);
    if (handedOver_)
        return;
    handedOver_ = true;
    Form1->Show();
    Hide();
}

LRESULT TfrmSplash::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER && wParam == Timer1) {
        Timer1Timer();
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
