#include "app/Splash.h"

#include "app/Credits.h"
#include "app/Forms.h"
#include "resource.h"
#include "bar/Form1.h"
#include "ui/Accessible.h"
#include "ui/Application.h"
#include "ui/Fonts.h"

namespace {

// ---- Layout ----
// Outer size 386 x 97, centred; a sizeable frame without caption buttons.
// Panel1 fills the client area (378 x 70 with the usual frame) and holds the
// rest; Label1 runs along its bottom edge inside the bevel.
struct Place {
    int x, y, width, height;
};

constexpr int kWidth = 386, kHeight = 97;

constexpr int kPanel1Bevel = 2;                 // raised, 2 pixels wide
constexpr Place kPanel3{6, 4, 200, 46};         // raised outer, lowered inner bevel
constexpr Place kLabel6{5, 3, 0, 0};            // in Panel3: black shadow
constexpr Place kLabel7{4, 2, 0, 0};            // in Panel3: blue, one pixel up-left
constexpr Place kLabel8{172, 21, 0, 0};         // in Panel3
constexpr Place kImage1{209, 4, 163, 46};       // the bar's button row on black
constexpr int kLabel1Height = 15;               // white on maroon, centred

constexpr const char* kImage1Name = "The bar's buttons, its switch ON";
constexpr const char* kCaption = "orv Tidemark";
constexpr const char* kTitleText = "orv Tidemark";
constexpr const char* kVersionText = "v1.0";
constexpr const char* kTitleFace = "Times New Roman";
constexpr int kTitleHeight = 32;                // bold
constexpr const char* kVersionFace = "Arial";
constexpr int kVersionHeight = 12;
constexpr const char* kCreditFace = "MS Sans Serif";
constexpr int kCreditHeight = 11;

constexpr COLORREF kBlack = RGB(0, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255),
                   kMaroon = RGB(128, 0, 0);

} // namespace

LRESULT LabelPanel::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        // BeginPaint erases first: the face and bevels come from the panel.
        ui::PaintGuard paint(Handle());
        HDC dc = paint.dc();
        SetBkMode(dc, TRANSPARENT);
        for (const PaintedLabel* label : Labels) {
            ui::SelectGuard font(dc, label->font);
            SetTextColor(dc, label->color);
            TextOutA(dc, label->x, label->y, label->text.c_str(), static_cast<int>(label->text.size()));
        }
        return 0;
    }
    return Panel::HandleMessage(msg, wParam, lParam);
}

std::string LabelPanel::Text() const
{
    std::string text;
    for (size_t i = 0; i < Labels.size(); ++i) {
        if (i > 0 && Labels[i]->text == Labels[i - 1]->text)
            continue;
        text += (text.empty() ? "" : " ") + Labels[i]->text;
    }
    return text;
}

void TfrmSplash::Create()
{
    int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    CreateForm({"TfrmSplash", WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN, 0, left, top, kWidth, kHeight,
                false, kCaption, static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmSplash::CreateControls()
{
    titleFont_ = ui::MakeFont(kTitleFace, kTitleHeight, true);
    versionFont_ = ui::MakeFont(kVersionFace, kVersionHeight);
    creditFont_ = ui::MakeFont(kCreditFace, kCreditHeight);
    COLORREF face = GetSysColor(COLOR_BTNFACE);

    RECT client;
    GetClientRect(Handle(), &client);
    Panel1.Create(Handle(), 0, 0, client.right, client.bottom, face, ui::Panel::Raised, ui::Panel::None,
                  kPanel1Bevel);
    HWND panel = Panel1.Handle();

    Label6 = {kLabel6.x, kLabel6.y, kTitleText, titleFont_.get(), kBlack};
    Label7 = {kLabel7.x, kLabel7.y, kTitleText, titleFont_.get(), kBlue};
    Label8 = {kLabel8.x, kLabel8.y, kVersionText, versionFont_.get(), kBlack};
    Panel3.Labels = {&Label6, &Label7, &Label8};
    Panel3.Create(panel, kPanel3.x, kPanel3.y, kPanel3.width, kPanel3.height, face, ui::Panel::Raised,
                  ui::Panel::Lowered);
    ui::Accessibility title;
    title.role = ROLE_SYSTEM_STATICTEXT;
    title.name = [this] { return Panel3.Text(); };
    Panel3.Describe(std::move(title));

    Image1.Create(panel, kImage1.x, kImage1.y, kImage1.width, kImage1.height, IDB_SPLASH_BUTTONS, kImage1Name);

    std::string credits = std::string(app::kCreditLine) + " - " + app::kWebAddress;
    Label1.Create(panel, 0, 0, 0, 0, credits, creditFont_.get(), kWhite, kMaroon, DT_CENTER);
    FormResize();
}

void TfrmSplash::FormCreate()
{
    // Armed now, before the other windows exist; its tick waits for the loop.
    SetTimer(Handle(), Timer1, Timer1Interval, nullptr);
}

void TfrmSplash::FormResize()
{
    // WM_SIZE comes once before the controls exist.
    if (!Panel1.Handle() || !Label1.Handle())
        return;
    RECT client;
    GetClientRect(Handle(), &client);
    Panel1.SetBounds(0, 0, client.right, client.bottom);
    int border = Panel1.BorderWidth();
    SetWindowPos(Label1.Handle(), nullptr, border, client.bottom - border - kLabel1Height,
                 client.right - 2 * border, kLabel1Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmSplash::Timer1Timer()
{
    KillTimer(Handle(), Timer1);
    if (handedOver_)
        return;
    // A tick inside a box shown while the windows are being built, or while
    // the application is down in the taskbar, waits for the splash to show.
    if (!ui::App.FormsReady() || ui::App.Minimized()) {
        handOverDue_ = true;
        return;
    }
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
    if (msg == WM_SHOWWINDOW && wParam && handOverDue_) {
        handOverDue_ = false;
        PostMessageA(Handle(), WM_TIMER, Timer1, 0);
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
