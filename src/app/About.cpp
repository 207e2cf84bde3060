#include "app/About.h"

#include "app/Credits.h"
#include "app/Forms.h"
#include "bar/Form1.h"
#include "resource.h"
#include "ui/Accessible.h"
#include "ui/Fonts.h"
#include "ui/Placement.h"
#include "version.h"

#include <string>

namespace {

// ---- Layout ----
// Dialog frame without caption buttons, client 298 x 183, centred on the
// screen when first shown. Everything but butOK sits in Panel1; positions
// are relative to the control's parent. A size of 0 x 0 means "sized to the
// text".
struct Place {
    int x, y, width, height;
};

constexpr int kClientWidth = 298, kClientHeight = 183;

constexpr Place kPanel1{8, 8, 281, 137};        // lowered outer, raised inner bevel
constexpr Place kProgramIcon{8, 8, 133, 74};    // the logo
constexpr Place kProductName{152, 17, 0, 0};    // bold 16 px
constexpr Place kLabVer{152, 48, 0, 0};         // bold 11 px
constexpr Place kLabCredit{38, 88, 0, 0};       // bold 11 px
constexpr Place kLabel1{35, 109, 206, 21};      // maroon, bold 16 px, centred
constexpr Place kButOK{103, 150, 77, 27};       // bold 11 px, glyph at the left
constexpr int kGlyphMargin = 2, kGlyphSpacing = 4;

constexpr const char* kFace = "MS Sans Serif";
constexpr int kNameHeight = 16, kTextHeight = 11, kAddressHeight = 16;
constexpr COLORREF kBlack = RGB(0, 0, 0), kMaroon = RGB(128, 0, 0);

constexpr const char* kCaption = "About Tidemark";
constexpr const char* kProductText = "orv Tidemark";
constexpr const char* kVersionText = "Version " TIDEMARK_VERSION;
// The credit line here also names the maker's town.
constexpr const char* kTown = "Tidewater";
constexpr const char* kLogoName = "orv Tidemark logo";

void FitToText(ui::Label& label)
{
    SIZE size = ui::TextExtent(label.Font(), label.Text());
    SetWindowPos(label.Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

void TfrmAbout::Create()
{
    CreateForm({"TfrmAbout", WS_POPUP | WS_CAPTION | WS_DLGFRAME, WS_EX_DLGMODALFRAME, CW_USEDEFAULT, CW_USEDEFAULT,
                kClientWidth, kClientHeight, true, kCaption, static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmAbout::CreateControls()
{
    nameFont_ = ui::MakeFont(kFace, kNameHeight, true);
    textFont_ = ui::MakeFont(kFace, kTextHeight, true);
    addressFont_ = ui::MakeFont(kFace, kAddressHeight, true);
    COLORREF face = GetSysColor(COLOR_BTNFACE);

    Panel1.Create(Handle(), kPanel1.x, kPanel1.y, kPanel1.width, kPanel1.height, face, ui::Panel::Lowered,
                  ui::Panel::Raised);
    HWND panel = Panel1.Handle();
    ProgramIcon.Create(panel, kProgramIcon.x, kProgramIcon.y, kProgramIcon.width, kProgramIcon.height, IDB_ABOUT_LOGO,
                       kLogoName);
    ProductName.Create(panel, kProductName.x, kProductName.y, 0, 0, kProductText, nameFont_.get(), kBlack, face,
                       DT_LEFT);
    FitToText(ProductName);
    labVer.Create(panel, kLabVer.x, kLabVer.y, 0, 0, "", textFont_.get(), kBlack, face, DT_LEFT);
    labCredit.Create(panel, kLabCredit.x, kLabCredit.y, 0, 0, std::string(app::kCreditLine) + ", " + kTown,
                     textFont_.get(), kBlack, face, DT_LEFT);
    FitToText(labCredit);
    Label1.Create(panel, kLabel1.x, kLabel1.y, kLabel1.width, kLabel1.height, app::kWebAddress, addressFont_.get(),
                  kMaroon, face, DT_CENTER);

    checkGlyph_ = ui::LoadBitmapResource(IDB_ABOUT_OK);
    butOK = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, kButOK.x, kButOK.y,
                            kButOK.width, kButOK.height, Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                            GetModuleHandleA(nullptr), nullptr);
    SendMessageA(butOK, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), FALSE);

    // Read as a dialog box, so that a screen reader speaks its texts when it
    // opens; its name and its controls are the window's own.
    ui::Accessibility box;
    box.role = ROLE_SYSTEM_DIALOG;
    Describe(std::move(box));
}

void TfrmAbout::FormShow()
{
    // First showing only: afterwards the box stays where the user left it.
    // Centred on the monitor the user works on, the bar's, which need not be
    // the primary one.
    if (!placed_) {
        RECT r;
        GetWindowRect(Handle(), &r);
        const RECT monitor = ui::MonitorAreaOf(Form1 ? Form1->Handle() : Handle());
        MoveTo(monitor.left + (monitor.right - monitor.left - (r.right - r.left)) / 2,
               monitor.top + (monitor.bottom - monitor.top - (r.bottom - r.top)) / 2);
        placed_ = true;
    }
    form_show();
}

void TfrmAbout::form_show()
{
    labVer.SetText(kVersionText);
    FitToText(labVer);
}

void TfrmAbout::butOKClick()
{
    Close();
}

void TfrmAbout::Command(UINT id, UINT code, HWND control)
{
    (void)control;
    // Enter arrives from IsDialogMessage as IDOK, Esc as IDCANCEL; a click
    // or Space as BN_CLICKED.
    if ((id == IDOK || id == IDCANCEL) && code == BN_CLICKED)
        butOKClick();
}

void TfrmAbout::DrawButOK(const DRAWITEMSTRUCT& item) const
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool focused = (item.itemState & ODS_FOCUS) != 0;
    // The focused button is the default one: a black ring round the face.
    if (focused) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&r, -1, -1);
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    int shift = pressed ? 1 : 0;

    int textLeft = item.rcItem.left + kGlyphMargin;
    if (checkGlyph_) {
        BITMAP info{};
        GetObjectA(checkGlyph_.get(), sizeof info, &info);
        int top = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - info.bmHeight) / 2;
        ui::DrawGlyph(dc, checkGlyph_.get(), 0, 1, item.rcItem.left + kGlyphMargin + shift, top + shift);
        textLeft += info.bmWidth + kGlyphSpacing;
    }

    // The caption is centred in the room right of the glyph.
    char caption[16] = "";
    int length = GetWindowTextA(item.hwndItem, caption, sizeof caption);
    RECT text{textLeft + shift, r.top + shift, r.right + shift, r.bottom + shift};
    ui::SelectGuard font(dc, textFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kBlack);
    DrawTextA(dc, caption, length, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT ring = r;
        InflateRect(&ring, -4, -4);
        DrawFocusRect(dc, &ring);
    }
}

LRESULT TfrmAbout::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem == butOK) {
            DrawButOK(item);
            return TRUE;
        }
        break;
    }
    case WM_SETFOCUS:
        // DefWindowProc gives the focus to the frame on activation; the box's
        // one control takes it instead, as in a dialog.
        if (butOK)
            SetFocus(butOK);
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
