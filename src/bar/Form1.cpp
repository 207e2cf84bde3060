#include "bar/Form1.h"

#include "app/About.h"
#include "app/Credits.h"
#include "app/Forms.h"
#include "app/Settings.h"
#include "app/Splash.h"
#include "bar/ClipboardMonitor.h"
#include "browsers/BitmapBrowser.h"
#include "browsers/TextBrowser.h"
#include "resource.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "ui/Accessible.h"
#include "ui/Application.h"
#include "ui/Fonts.h"
#include "ui/Errors.h"
#include "ui/Messages.h"

#include <exception>
#include <span>
#include <utility>
#include <vector>

namespace {

// ---- Layout -------------------------------------------------------------
//
// Window: tool window with a close box, not in the taskbar, caption
// "orv Tidemark"; client 188 x 48; outer top-left (267, 113) when first shown;
// background from the settings (black by default); MS Sans Serif, 11 pixels.
constexpr int kLeft = 267, kTop = 113, kClientWidth = 188, kClientHeight = 48;
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontHeight = 11;  // character height

struct ButtonDesign {
    ui::SpeedButton TForm1::*button;
    int x, y;  // 25 x 25 each
    UINT glyph;
    int glyphCount;  // 2: normal and disabled side by side
    const char* hint;
    void (TForm1::*click)();
};
constexpr int kButtonSize = 25;

// clang-format off
const ButtonDesign kButtons[] = {
//    control            x    y  glyph          n  hint                           click
    {&TForm1::butMenu,    8,  6, IDB_BAR_MENU,  1, "Main menu - general options", &TForm1::butMenuClick},
    {&TForm1::butText,   40,  6, IDB_BAR_TEXT,  1, "View text clips",             &TForm1::butTextClick},
    {&TForm1::butBmp,    72,  6, IDB_BAR_BMP,   1, "View bitmap clips",           &TForm1::butBmpClick},
    {&TForm1::butSaved, 104,  6, IDB_BAR_SAVED, 1, "View saved clips",            &TForm1::butSavedClick},
    {&TForm1::butHelp,  136,  6, IDB_BAR_HELP,  2, "Help & tips",                 &TForm1::butHelpClick},
};

// The monitor switch: imOn and imOff, 16 x 32 at (167, 6), one of them visible.
constexpr int kSwitchX = 167, kSwitchY = 6, kSwitchWidth = 16, kSwitchHeight = 32;
constexpr const char* kHintOn = "Clipboard monitor is active";
constexpr const char* kHintOff = "Clipboard monitor is not active";
constexpr const char* kSwitchName = "Clipboard monitor";

// Label1: 188 x 15 along the bottom edge, centred aqua text on the bar colour.
constexpr int kLabelX = 0, kLabelY = 33, kLabelWidth = 188, kLabelHeight = 15;
constexpr COLORREF kLabelText = RGB(0, 255, 255);

// Popup menus: item, caption, checked, visible; then the handler.
struct MenuDesign {
    ui::MenuItemDesign item;
    void (TForm1::*click)();
};
const MenuDesign kPopMain[] = {
    {{TForm1::mnuMinimize,  "Mi&nimize"},                  &TForm1::mnuMinimizeClick},
    {{TForm1::mnuColor,     "&Color"},                     &TForm1::mnuColorClick},
    // The mark starts clear, as the window starts in the normal band.
    {{TForm1::mnuStayonTop, "&Stay on Top", false},        &TForm1::mnuStayonTopClick},
    {{0,                    "-"},                          nullptr},  // N2
    {{TForm1::mnuExit,      "E&xit"},                      &TForm1::mnuExitClick},
};
const MenuDesign kPopSave[] = {
    {{TForm1::mnuSavedText, "Saved &text"},                &TForm1::mnuSavedTextClick},
    {{TForm1::mnuSavedBmp,  "Saved &bitmaps"},             &TForm1::mnuSavedBmpClick},
    {{0,                    "-", false, false},            nullptr},  // N1
    {{TForm1::mnuPrefs,     "&Preferences", false, false}, &TForm1::mnuPrefsClick},
};
const MenuDesign kPopHelp[] = {
    {{TForm1::mnuAbout,     "&About Tidemark"},            &TForm1::mnuAboutClick},
    {{TForm1::mnuHelp,      "&Help Contents"},             &TForm1::mnuHelpClick},
    {{TForm1::mnuHints,     "Hi&nts On", true},            &TForm1::mnuHintsClick},
};
// clang-format on

// Keys of the active bar, each doing what its button does. F10 comes as a
// system key; Shift+F10 and the menu key come as a context menu asked for
// from the keyboard, which opens popMain too.
struct KeyDesign {
    UINT key;
    void (TForm1::*press)();
};
const KeyDesign kKeys[] = {
    {VK_F10,  &TForm1::butMenuClick},
    {'T',     &TForm1::butTextClick},
    {'B',     &TForm1::butBmpClick},
    {'S',     &TForm1::butSavedClick},
    {VK_F1,   &TForm1::butHelpClick},
};

// The guide beside the program when there is no help file for WinHelp.
constexpr const char* kGuideName = "README.txt";

// A button's menu opens at its top-left with either mouse button selecting.
constexpr UINT kMenuFlags = TPM_LEFTALIGN | TPM_RIGHTBUTTON;

constexpr UINT kChainTimeoutMs = 3000;

// A capture that finds the clipboard held tries again this often, for this long.
constexpr UINT_PTR kClipboardRetryTimer = 1;
constexpr UINT kClipboardRetryMs = 10;
constexpr DWORD kClipboardPatienceMs = 1000;

// A capture waits this long at most for the chain's notice of its change: a
// viewer ahead that passes it on then finds the bar idle, not capturing.
constexpr UINT_PTR kChainGraceTimer = 2;
constexpr UINT kChainGraceMs = 100;

template <size_t N>
void BuildMenu(ui::PopupMenu& menu, const MenuDesign (&design)[N])
{
    std::vector<ui::MenuItemDesign> items;
    for (const MenuDesign& d : design)
        items.push_back(d.item);
    menu.Create(items);
}

const std::span<const MenuDesign> kMenus[] = {kPopMain, kPopSave, kPopHelp};

} // namespace

POINT PopupPoint(POINT buttonInClient, POINT windowOuter) noexcept
{
    return {buttonInClient.x + windowOuter.x, buttonInClient.y + windowOuter.y};
}

void TForm1::Create()
{
    CreateForm({"TForm1", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, kLeft, kTop,
                kClientWidth, kClientHeight, true, "orv Tidemark", 0});
}

void TForm1::CreateControls()
{
    font_ = ui::MakeFont(kFontFace, kFontHeight);
    boldFont_ = ui::MakeFont(kFontFace, kFontHeight, true);
    hints.Create(Handle());

    for (const ButtonDesign& d : kButtons) {
        ui::SpeedButton& b = this->*d.button;
        b.Create(Handle(), d.x, d.y, kButtonSize, kButtonSize, d.glyph, d.glyphCount, d.hint);
        b.OnClick = [this, click = d.click] { (this->*click)(); };
        hints.Add(b.Handle(), d.hint);
    }

    imOn.Create(Handle(), kSwitchX, kSwitchY, kSwitchWidth, kSwitchHeight, IDB_MONITOR_ON, kSwitchName);
    imOn.OnClick = [this] { imOnClick(); };
    imOff.Create(Handle(), kSwitchX, kSwitchY, kSwitchWidth, kSwitchHeight, IDB_MONITOR_OFF, kSwitchName);
    imOff.OnClick = [this] { imOffClick(); };
    imOff.SetVisible(false);
    hints.Add(imOn.Handle(), kHintOn);
    hints.Add(imOff.Handle(), kHintOff);
    // Two pictures, one switch: each reads as the same check button, and
    // the hidden one as invisible.
    for (ui::Image* picture : {&imOn, &imOff}) {
        ui::Accessibility monitorSwitch;
        monitorSwitch.role = ROLE_SYSTEM_CHECKBUTTON;
        monitorSwitch.name = [] { return std::string(kSwitchName); };
        monitorSwitch.state = [this] { return MonitorOn() ? STATE_SYSTEM_CHECKED : 0; };
        picture->Describe(std::move(monitorSwitch));
    }

    Label1.Create(Handle(), kLabelX, kLabelY, kLabelWidth, kLabelHeight, app::kCreditLine, font_.get(), kLabelText,
                  ui::ColorToRgb(Color()));
    Label1.OnClick = [this] { Label1Click(); };

    BuildMenu(popMain, kPopMain);
    BuildMenu(popSave, kPopSave);
    BuildMenu(popHelp, kPopHelp);
}

void TForm1::imOnClick()
{
    imOn.SetVisible(false);
    imOff.SetVisible(true);
    CaptureSuppressed = true;
    imOff.Announce(EVENT_OBJECT_STATECHANGE);
}

void TForm1::imOffClick()
{
    // Back on only where the clips can go.
    if (const std::string unwritable = UnwritableFolder(); !unwritable.empty()) {
        TellUnwritable(unwritable);
        return;
    }
    imOff.SetVisible(false);
    imOn.SetVisible(true);
    ResumeCapture();
    imOn.Announce(EVENT_OBJECT_STATECHANGE);
}

std::string TForm1::SettingsPath() const
{
    return store::ProgramDir + app::kSettingsFileName;
}

void TForm1::FormCreate()
{
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    // Nothing is captured while we join the chain and load. What the
    // clipboard holds as we join is no new clip; a copy made meanwhile is,
    // once its notice comes.
    CaptureSuppressed = true;
    const DWORD atJoin = GetClipboardSequenceNumber();
    std::exception_ptr failure;
    try {
        JoinClipboardChain();
        store::InitStoreFolders(ui::App.ExeName());
        store::LoadCatalogues();
    } catch (...) {
        failure = std::current_exception();
    }
    // The switch is decided before capture resumes: a copy made while the
    // box below is open must not raise a box of its own on top of it.
    const std::string unwritable = UnwritableFolder();
    if (unwritable.empty())
        ResumeCaptureAfter(atJoin);
    else
        imOnClick();
    // A catalogue that failed to load must not cost the user's settings
    // too: they would be written back as the defaults at exit.
    if (!store::ProgramDir.empty())
        ReadSettings();
    // Said once here; with the monitor off, copies raise no box.
    if (!unwritable.empty())
        TellUnwritable(unwritable);
    if (failure)
        std::rethrow_exception(failure);
}

std::string TForm1::UnwritableFolder()
{
    std::string folder = store::UnwritableFolder();
    foldersUnwritable_ = !folder.empty();
    return folder;
}

void TForm1::TellUnwritable(const std::string& folder)
{
    ui::App.Box(ui::App.Title + " cannot write to the folder\n\n" + folder +
                    "\n\nwhere it keeps your clips, so the clipboard monitor is off.\n\nMove the program to a "
                    "folder you can write to, such as one in your Documents, and start it from there.",
                ui::App.Title, MB_OK | MB_ICONWARNING);
}

bool TForm1::QuietExit() const noexcept
{
    return ui::App.SessionEnding() || foldersUnwritable_;
}

void TForm1::ReadSettings()
{
    std::string ini = SettingsPath();
    SetColor(app::ReadSettingNumber(ini, "Color", 0));
    SetHints(app::ReadSettingNumber(ini, "Hints", 1) != 0);
}

void TForm1::FormDestroy()
{
    const std::exception_ptr lastCapture = CaptureBeforeLeaving();
    LeaveClipboardChain();
    if (lastCapture)
        TellAtExit(lastCapture);
    SaveCataloguesAtExit();
    // A start that failed before the folders were set has no settings file:
    // a bare name would land in the Windows folder.
    if (store::ProgramDir.empty())
        return;
    try {
        std::string ini = SettingsPath();
        app::WriteSetting(ini, "Color", std::to_string(Color()));
        app::WriteSetting(ini, "Hints", HintsOn() ? "1" : "0");
    } catch (...) {
        if (!QuietExit())
            throw;
    }
}

// Every catalogue is written once more; those whose latest state still is
// not on disk are named in one box, told during the run or not.
void TForm1::SaveCataloguesAtExit() noexcept
{
    try {
        store::SaveCatalogues();
    } catch (...) {
        // The one box the store's files get at exit.
        TellAtExit(std::current_exception());
    }
}

void TForm1::TellAtExit(std::exception_ptr failure) noexcept
{
    // An ending that must stay quiet leaves it out.
    if (QuietExit())
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        ui::App.ShowException(e);
    } catch (...) {
        ui::App.ShowException(ui::AppError("Unexpected error"));
    }
}

// A change still to be captured (waiting for the chain's notice, for a busy
// clipboard, or a notice not yet handed to us) is captured while we are
// still in the chain, within the retry's bound. What failed is returned.
std::exception_ptr TForm1::CaptureBeforeLeaving() noexcept
{
    std::exception_ptr failure;
    if (!inChain_ || capturing_ || !monitor::CaptureDue(MonitorOn()))
        return failure;
    for (;;) {
        Capture(&failure);
        if (!busySince_)
            break;
        // The retry's pause, answering the chain meanwhile.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kClipboardRetryMs, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    return failure;
}

void TForm1::FormClose()
{
    // Closing the main window ends the program; without one, end it here.
    if (frmSplash)
        frmSplash->Close();
    else
        ui::App.Terminate();
}

void TForm1::SetColor(int32_t color)
{
    Form::SetColor(color);
    Label1.SetColors(Label1.TextColor(), ui::ColorToRgb(color));
}

void TForm1::SetHints(bool on)
{
    for (const ButtonDesign& d : kButtons)
        hints.SetActive((this->*d.button).Handle(), on);
    hints.SetActive(imOn.Handle(), on);
    hints.SetActive(imOff.Handle(), on);
    popHelp.SetChecked(mnuHints, on);
}

void TForm1::CycleCreditLabel()
{
    const std::string& now = Label1.Text();
    Label1.SetText(!now.empty() && now[0] == 'w' ? app::kCreditLine : app::kWebAddress);
    const std::string& shown = Label1.Text();
    Label1.SetFont(!shown.empty() && shown[0] == 'w' ? boldFont_.get() : font_.get());
}

void TForm1::OpenMenu(ui::PopupMenu& menu, const ui::SpeedButton& at)
{
    RECT button;
    GetWindowRect(at.Handle(), &button);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&button), 2);
    // The chosen item's handler runs before the label moves on.
    if (UINT chosen = TrackMenu(menu, Handle(), PopupPoint({button.left, button.top}, {Left(), Top()}), kMenuFlags))
        Command(chosen, 0, nullptr);
    CycleCreditLabel();
}

void TForm1::butMenuClick()
{
    OpenMenu(popMain, butMenu);
}

void TForm1::butSavedClick()
{
    OpenMenu(popSave, butSaved);
}

void TForm1::butHelpClick()
{
    OpenMenu(popHelp, butHelp);
}

void TForm1::butTextClick()
{
    OpenTextBrowser(false);
}

void TForm1::butBmpClick()
{
    OpenBitmapBrowser(false);
}

void TForm1::mnuSavedTextClick()
{
    OpenTextBrowser(true);
}

void TForm1::OpenTextBrowser(bool saved)
{
    if (!frmText)
        return;
    frmText->ShowCatalogue(saved);
    frmText->Show();
}

void TForm1::mnuSavedBmpClick()
{
    OpenBitmapBrowser(true);
}

void TForm1::OpenBitmapBrowser(bool saved)
{
    if (!frmBmp)
        return;
    try {
        frmBmp->ShowCatalogue(saved);
    } catch (...) {
        // A damaged clip still gets its (blank) cell: the browser shows, so
        // the user can delete the clip that the error box names.
        frmBmp->Show();
        throw;
    }
    frmBmp->Show();
}

void TForm1::mnuPrefsClick() {}

void TForm1::mnuAboutClick()
{
    if (frmAbout)
        frmAbout->Show();
}

void TForm1::mnuHelpClick()
{
    // Windows 10 and later have no WinHelp: a help file is asked for only
    // where there is one, else the guide opens as a text file.
    const std::string helpFile = store::ProgramDir + ui::App.HelpFile;
    if (store::FileExists(helpFile)) {
        WinHelpCall(frmSplash ? frmSplash->Handle() : ui::App.Handle(), helpFile.c_str(), HELP_CONTENTS, 0);
        return;
    }
    const std::string guide = store::ProgramDir + kGuideName;
    if (!store::FileExists(guide)) {
        ui::ShowNote("The guide to " + ui::App.Title + ", " + kGuideName + ", should be beside the program, in\n\n" +
                         store::ProgramDir + "\n\nIt comes in the zip the program came in.",
                     ui::App.Title);
        return;
    }
    if (!OpenDocumentCall(Handle(), guide))
        ui::ShowNote("The guide to " + ui::App.Title + " could not be opened. Open it with any text editor:\n\n" +
                         guide,
                     ui::App.Title);
}

void TForm1::mnuHintsClick()
{
    popHelp.SetChecked(mnuHints, !popHelp.Checked(mnuHints));
    SetHints(popHelp.Checked(mnuHints));
}

void TForm1::mnuMinimizeClick()
{
    ui::App.Minimize();
}

void TForm1::FormDblClick()
{
    mnuMinimizeClick();
}

void TForm1::mnuColorClick()
{
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = ui::App.Handle();
    // The dialog starts from its own colour, not the bar's.
    cc.rgbResult = dlgColorCurrent;
    cc.lpCustColors = dlgColorCustom;
    cc.Flags = CC_RGBINIT;
    // Modal to the whole program, as the boxes are: the dialog itself would
    // disable only its owner, and leave the bar usable underneath.
    BOOL confirmed = FALSE;
    ui::App.RunModal([&] { confirmed = ChooseColorCall(cc); });
    if (!confirmed)
        return;
    dlgColorCurrent = cc.rgbResult & 0x00FFFFFF;
    SetColor(static_cast<int32_t>(dlgColorCurrent));
}

void TForm1::mnuStayonTopClick()
{
    bool on = !popMain.Checked(mnuStayonTop);
    popMain.SetChecked(mnuStayonTop, on);
    // Only the z-order band changes: the window, and with it the bar's place
    // in the clipboard-viewer chain, stays the same.
    if (on) {
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void TForm1::mnuExitClick()
{
    Close();
}

void TForm1::Label1Click()
{
    CycleCreditLabel();
}

bool TForm1::FormKeyDown(UINT key)
{
    if (GetKeyState(VK_CONTROL) < 0)
        return false;
    for (const KeyDesign& k : kKeys) {
        if (k.key == key) {
            (this->*k.press)();
            return true;
        }
    }
    return false;
}

void TForm1::Command(UINT id, UINT, HWND control)
{
    if (control)
        return;
    for (std::span<const MenuDesign> menu : kMenus) {
        for (const MenuDesign& d : menu) {
            if (d.click && d.item.id == id) {
                (this->*d.click)();
                return;
            }
        }
    }
}

void TForm1::JoinClipboardChain()
{
    // SetClipboardViewer sends WM_DRAWCLIPBOARD before it returns; the set-up
    // holds CaptureSuppressed across it so that nothing is captured.
    NextViewer = SetClipboardViewer(Handle());
    inChain_ = true;
    // Captures follow the listener's notice: it reaches us whatever the
    // viewers ahead of us in the chain do.
    AddClipboardFormatListener(Handle());
}

void TForm1::LeaveClipboardChain() noexcept
{
    if (inChain_) {
        RemoveClipboardFormatListener(Handle());
        ChangeClipboardChain(Handle(), NextViewer);
        inChain_ = false;
        NextViewer = nullptr;
    }
}

void TForm1::MendClipboardChain()
{
    // A viewer ahead of us that died without leaving takes the chain's head
    // with it: the chain's notices reach neither us nor those after us. Only
    // the listener still hears of the change that brought us here. A live
    // head is left alone, even one that keeps its notices: joining again
    // would put us in the chain twice.
    HWND head = GetClipboardViewer();
    if (head == Handle() || (head && IsWindow(head)))
        return;
    // At the head again, with the same successor. The join's own notice is
    // passed on to it, so those after us hear of the clipboard once more.
    const HWND next = NextViewer;
    SetClipboardViewer(Handle());
    NextViewer = next;
}

// Bounded: a hung viewer after us must not freeze the bar, nor the viewer
// ahead of us that waits on our answer. A dead one is not sent to at all.
void TForm1::PassOn(UINT msg, WPARAM wParam, LPARAM lParam) const noexcept
{
    if (NextViewer && NextViewer != Handle() && IsWindow(NextViewer)) {
        DWORD_PTR ignored;
        SendMessageTimeoutA(NextViewer, msg, wParam, lParam, SMTO_ABORTIFHUNG, kChainTimeoutMs, &ignored);
    }
}

void TForm1::WmChangeCbChain(WPARAM wParam, LPARAM lParam)
{
    HWND leaving = reinterpret_cast<HWND>(wParam);
    if (leaving == NextViewer)
        NextViewer = reinterpret_cast<HWND>(lParam);
    if (leaving != Handle())
        PassOn(WM_CHANGECBCHAIN, wParam, lParam);
}

void TForm1::WmDrawClipboard(WPARAM wParam, LPARAM lParam)
{
    // The viewer that sent this goes on at once: passing the notice on is
    // ours to do, not its to wait for. Nothing else happens here.
    ReplyMessage(0);
    PassOn(WM_DRAWCLIPBOARD, wParam, lParam);
    chainHeard_ = GetClipboardSequenceNumber();
    if (awaitingChain_)
        PostMessageA(Handle(), ui::WM_TIDEMARK_CAPTURE, 0, 0);
}

// A notice that reaches us after we left the chain (a box during the
// tear-down runs a message loop) is no clip of ours.
void TForm1::WmClipboardUpdate()
{
    if (!inChain_)
        return;
    const DWORD sequence = GetClipboardSequenceNumber();
    // Its notice came down the chain first: the chain is whole, and the
    // viewer that passed it on has had our answer.
    if (static_cast<LONG>(chainHeard_ - sequence) >= 0) {
        Capture(nullptr, sequence);
        return;
    }
    // The listener's notice often comes before the chain's. Capturing now
    // would keep a viewer ahead of us waiting on the whole capture when it
    // passes the chain's notice on; a viewer that keeps it, or one that died
    // at the head, costs the wait.
    if (monitor::CaptureDue(MonitorOn(), sequence)) {
        awaitingChain_ = true;
        SetTimer(Handle(), kChainGraceTimer, kChainGraceMs, nullptr);
        return;
    }
    // Nothing of ours to capture: the viewers after us still need the chain.
    MendClipboardChain();
}

void TForm1::Capture(std::exception_ptr* failure, std::optional<DWORD> sequence)
{
    if (std::exchange(awaitingChain_, false))
        KillTimer(Handle(), kChainGraceTimer);
    if (!inChain_)
        return;
    if (capturing_) {
        changedMeanwhile_ = true;
        return;
    }
    capturing_ = true;
    bool retry = false;
    try {
        if (!monitor::ClipboardChanged(Handle(), MonitorOn(), Memo1, Image1, sequence)) {
            // Another program holds the clipboard for a moment (the system's
            // own bridges read each change too). Nobody waits on us: look
            // again soon, answering the chain meanwhile.
            const DWORD now = GetTickCount();
            if (!busySince_)
                busySince_ = now;
            if (now - *busySince_ >= kClipboardPatienceMs)
                throw ui::AppError("Cannot open clipboard");
            retry = true;
        }
    } catch (...) {
        if (failure)
            *failure = std::current_exception();
        else
            // Never a box on top of another: this may run in a box's loop.
            ui::App.ShowExceptionLater(std::current_exception());
    }
    // Every way out but a retry ends the retrying: the next busy clipboard
    // gets its whole second.
    if (retry) {
        SetTimer(Handle(), kClipboardRetryTimer, kClipboardRetryMs, nullptr);
    } else {
        busySince_.reset();
        KillTimer(Handle(), kClipboardRetryTimer);
    }
    capturing_ = false;
    if (std::exchange(changedMeanwhile_, false))
        PostMessageA(Handle(), WM_CLIPBOARDUPDATE, 0, 0);
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CHANGECBCHAIN:
        WmChangeCbChain(wParam, lParam);
        return 0;
    case WM_DRAWCLIPBOARD:
        WmDrawClipboard(wParam, lParam);
        return 0;
    case WM_CLIPBOARDUPDATE:
        WmClipboardUpdate();
        return 0;
    case WM_TIMER:
        if (wParam == kClipboardRetryTimer) {
            KillTimer(Handle(), kClipboardRetryTimer);
            Capture();
            return 0;
        }
        if (wParam == kChainGraceTimer) {
            if (awaitingChain_) {
                // No notice came down the chain: its head may have died.
                MendClipboardChain();
                Capture();
            }
            return 0;
        }
        break;
    case ui::WM_TIDEMARK_CAPTURE:
        if (awaitingChain_)
            Capture();
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F10) {
            FormKeyDown(VK_F10);
            return 0;
        }
        break;
    case WM_SYSKEYUP:
        // Left to the system, F10's release would open the window menu.
        if (wParam == VK_F10)
            return 0;
        break;
    case WM_CONTEXTMENU:
        // From the keyboard only: no menu of the bar hangs on a right-click.
        if (lParam == -1)
            butMenuClick();
        return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
}
