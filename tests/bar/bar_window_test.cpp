// The bar as the user meets it: its frame and controls, the label, the menus
// and what their items do, hints, stay on top, colour and minimising.
#include "bar_fixture.h"

#include "app/Credits.h"
#include "app/About.h"
#include "app/Splash.h"
#include "browsers/BitmapBrowser.h"
#include "browsers/TextBrowser.h"
#include "store/Catalogues.h"

#include <commctrl.h>

using namespace bar_testing;
using testing_support::Above;
using testing_support::HintText;
using testing_support::MenuCaptions;
using testing_support::PumpMessages;
using testing_support::PumpUntil;

namespace {

LOGFONTA FontOf(HFONT font)
{
    LOGFONTA lf{};
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

bool MenuChecked(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

COLORREF ClientPixel(HWND hwnd, int x, int y)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ui::WindowDc dc(hwnd);
    return GetPixel(dc.get(), x, y);
}

struct TrackedMenu {
    HMENU menu;
    HWND owner;
    POINT at;
    UINT flags;
};

} // namespace

TEST(PopupPoint, ButtonPositionPlusTheWindowsOuterTopLeft)
{
    POINT menu = PopupPoint({8, 6}, {267, 113});
    EXPECT_EQ(menu.x, 275);
    EXPECT_EQ(menu.y, 119);
    POINT help = PopupPoint({136, 6}, {267, 113});
    EXPECT_EQ(help.x, 403);
    EXPECT_EQ(help.y, 119);
    POINT offScreen = PopupPoint({8, 6}, {-20, -30});
    EXPECT_EQ(offScreen.x, -12);
    EXPECT_EQ(offScreen.y, -24);
}

TEST_F(BarTest, FrameControlsAndLayout)
{
    Start();
    HWND h = bar->Handle();
    EXPECT_FALSE(bar->Visible());
    char caption[64] = "";
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "orv Tidemark");

    // A tool window owned by the application window: no taskbar button.
    LONG_PTR ex = GetWindowLongPtrA(h, GWL_EXSTYLE);
    LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_FALSE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(h, GW_OWNER), ui::App.Handle());
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);

    bar->Show();
    RECT client, outer;
    GetClientRect(h, &client);
    GetWindowRect(h, &outer);
    EXPECT_EQ(client.right, 188);
    EXPECT_EQ(client.bottom, 48);
    EXPECT_EQ(outer.left, 267);
    EXPECT_EQ(outer.top, 113);

    struct Expected {
        ui::SpeedButton* button;
        const char* hint;
    } buttons[] = {{&bar->butMenu, "Main menu - general options"},
                   {&bar->butText, "View text clips"},
                   {&bar->butBmp, "View bitmap clips"},
                   {&bar->butSaved, "View saved clips"},
                   {&bar->butHelp, "Help & tips"}};
    for (const Expected& e : buttons) {
        EXPECT_EQ(HintText(bar->hints.Handle(), h, e.button->Handle()), e.hint);
        EXPECT_TRUE(bar->hints.Active(e.button->Handle())) << e.hint;
    }
    EXPECT_TRUE(bar->imOn.Visible());
    EXPECT_FALSE(bar->imOff.Visible());
    EXPECT_EQ(HintText(bar->hints.Handle(), h, bar->imOn.Handle()), "Clipboard monitor is active");
    EXPECT_EQ(HintText(bar->hints.Handle(), h, bar->imOff.Handle()), "Clipboard monitor is not active");

    EXPECT_EQ(bar->Memo1.Text(), "Memo1");
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    EXPECT_EQ(bar->Label1.TextColor(), RGB(0, 255, 255));
    EXPECT_EQ(bar->Label1.BackColor(), RGB(0, 0, 0));
    LOGFONTA lf = FontOf(bar->Label1.Font());
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");

    EXPECT_EQ(ClientPixel(h, 2, 2), RGB(0, 0, 0));

    // A speed button never takes the focus, nor activates the bar.
    bar->TrackMenu = [](ui::PopupMenu&, HWND, POINT, UINT) { return 0u; };
    SetFocus(h);
    Click(bar->butMenu.Handle());
    EXPECT_EQ(GetFocus(), h);
    for (const Expected& e : buttons)
        EXPECT_EQ(SendMessageA(e.button->Handle(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(h),
                               MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
                  MA_NOACTIVATE);
}

TEST_F(BarTest, MenusHoldTheirItemsAndPreferencesNeverShows)
{
    Start();
    EXPECT_EQ(MenuCaptions(bar->popMain.Handle()),
              (std::vector<std::string>{"Mi&nimize", "&Color", "&Stay on Top", "-", "E&xit"}));
    EXPECT_EQ(MenuCaptions(bar->popSave.Handle()), (std::vector<std::string>{"Saved &text", "Saved &bitmaps"}));
    EXPECT_EQ(MenuCaptions(bar->popHelp.Handle()),
              (std::vector<std::string>{"&About Tidemark", "&Help Contents", "Hi&nts On"}));
    EXPECT_FALSE(MenuChecked(bar->popMain.Handle(), TForm1::mnuStayonTop));
    EXPECT_TRUE(MenuChecked(bar->popHelp.Handle(), TForm1::mnuHints));

    // Its handler does nothing; nor does anything else change.
    Choose(TForm1::mnuPrefs);
    for (ui::Form* f : ui::App.Forms())
        EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(BarTest, EachButtonMenuOpensAtTheComputedPointAndAdvancesTheLabel)
{
    Start();
    std::vector<TrackedMenu> tracked;
    bar->TrackMenu = [&](ui::PopupMenu& menu, HWND owner, POINT at, UINT flags) {
        tracked.push_back({menu.Handle(), owner, at, flags});
        return 0u;
    };
    bar->Show();
    ASSERT_EQ(bar->Left(), 267);
    ASSERT_EQ(bar->Top(), 113);

    Click(bar->butMenu.Handle());
    EXPECT_EQ(bar->Label1.Text(), app::kWebAddress);
    EXPECT_EQ(FontOf(bar->Label1.Font()).lfWeight, FW_BOLD);
    Click(bar->butHelp.Handle());
    // Two openings, nothing chosen: back to the credit line, regular.
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    EXPECT_EQ(FontOf(bar->Label1.Font()).lfWeight, FW_NORMAL);
    ASSERT_EQ(tracked.size(), 2u);
    const UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON;
    EXPECT_EQ(tracked[0].menu, bar->popMain.Handle());
    EXPECT_EQ(tracked[0].at.x, 275);
    EXPECT_EQ(tracked[0].at.y, 119);
    EXPECT_EQ(tracked[1].menu, bar->popHelp.Handle());
    EXPECT_EQ(tracked[1].at.x, 403);
    EXPECT_EQ(tracked[1].at.y, 119);
    for (const TrackedMenu& t : tracked) {
        EXPECT_EQ(t.flags, flags);
        EXPECT_EQ(t.owner, bar->Handle());
    }

    // The point follows the bar.
    bar->MoveTo(20, 30);
    Click(bar->butMenu.Handle());
    Click(bar->butSaved.Handle());
    ASSERT_EQ(tracked.size(), 4u);
    EXPECT_EQ(tracked[2].at.x, 28);
    EXPECT_EQ(tracked[2].at.y, 36);
    EXPECT_EQ(tracked[3].menu, bar->popSave.Handle());
    EXPECT_EQ(tracked[3].at.x, 124);
    EXPECT_EQ(tracked[3].at.y, 36);

    // A chosen item's handler runs before the label moves on.
    const std::string before = bar->Label1.Text();
    std::string atDialog;
    bar->TrackMenu = [](ui::PopupMenu&, HWND, POINT, UINT) { return UINT(TForm1::mnuColor); };
    bar->ChooseColorCall = [&](CHOOSECOLORA&) {
        atDialog = bar->Label1.Text();
        return FALSE;
    };
    Click(bar->butMenu.Handle());
    EXPECT_EQ(atDialog, before);
    EXPECT_NE(bar->Label1.Text(), before);
}

TEST_F(BarTest, LabelClicksAlternateCreditLineAndBoldWebAddress)
{
    Start();
    bar->Show();
    Click(bar->Label1.Handle());
    EXPECT_EQ(bar->Label1.Text(), "www.orv-software.example");
    EXPECT_EQ(FontOf(bar->Label1.Font()).lfWeight, FW_BOLD);
    EXPECT_EQ(FontOf(bar->Label1.Font()).lfHeight, -11);
    Click(bar->Label1.Handle());
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    EXPECT_EQ(FontOf(bar->Label1.Font()).lfWeight, FW_NORMAL);

    // A double-click on the label is the label's, not the bar's.
    SendMessageA(bar->Label1.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_FALSE(ui::App.Minimized());
    EXPECT_TRUE(bar->Visible());

    // The label and the switch hold the mouse from a press, so that a
    // release elsewhere comes back to them, and is no click.
    for (HWND control : {bar->Label1.Handle(), bar->imOn.Handle()}) {
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        EXPECT_EQ(GetCapture(), control);
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(-40, 60));
        EXPECT_EQ(GetCapture(), nullptr);
    }
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    EXPECT_TRUE(bar->MonitorOn());
}

TEST_F(BarTest, HintsOffSilencesEveryButtonAndTheSwitchAndIsSavedAtExit)
{
    Start();
    const HWND controls[] = {bar->butMenu.Handle(), bar->butText.Handle(), bar->butBmp.Handle(),
                             bar->butSaved.Handle(), bar->butHelp.Handle(), bar->imOn.Handle(),
                             bar->imOff.Handle()};
    Choose(TForm1::mnuHints);
    EXPECT_FALSE(bar->HintsOn());
    EXPECT_FALSE(MenuChecked(bar->popHelp.Handle(), TForm1::mnuHints));
    for (HWND c : controls)
        EXPECT_FALSE(bar->hints.Active(c));
    // The switch changes image: the hidden one's hint stays off too.
    bar->imOnClick();
    EXPECT_FALSE(bar->hints.Active(bar->imOff.Handle()));
    bar->imOffClick();

    Choose(TForm1::mnuHints);
    EXPECT_TRUE(bar->HintsOn());
    for (HWND c : controls)
        EXPECT_TRUE(bar->hints.Active(c));
    EXPECT_EQ(HintText(bar->hints.Handle(), bar->Handle(), bar->butHelp.Handle()), "Help & tips");

    Choose(TForm1::mnuHints);
    Release();
    EXPECT_EQ(IniValue("Hints"), "0");
}

TEST_F(BarTest, HintsOffFromTheSettingsStartsSilent)
{
    Start("[Main]\r\nHints=0\r\n");
    EXPECT_FALSE(bar->HintsOn());
    EXPECT_FALSE(MenuChecked(bar->popHelp.Handle(), TForm1::mnuHints));
    for (HWND c : {bar->butMenu.Handle(), bar->butHelp.Handle(), bar->imOn.Handle(), bar->imOff.Handle()})
        EXPECT_FALSE(bar->hints.Active(c));
}

TEST_F(BarTest, StayOnTopTogglesTheBandOnTheSameWindowAndTheChainGoesOn)
{
    CountingViewer viewer;  // joins before the bar, so the bar passes notices to it
    Start();
    HWND h = bar->Handle();
    ASSERT_EQ(bar->NextViewerForTests(), viewer.Handle());
    bar->Show();

    // An ordinary window that comes up later covers the bar while it is not on top.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 250, 100, 300, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(Above(other, h));

    Choose(TForm1::mnuStayonTop);
    EXPECT_TRUE(bar->StayOnTop());
    EXPECT_TRUE(MenuChecked(bar->popMain.Handle(), TForm1::mnuStayonTop));
    EXPECT_TRUE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(Above(h, other));

    Choose(TForm1::mnuStayonTop);
    EXPECT_FALSE(bar->StayOnTop());
    EXPECT_FALSE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(Above(other, h));

    Choose(TForm1::mnuStayonTop);
    EXPECT_TRUE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(other);

    // Same window, same place in the chain, and notices still pass through it.
    EXPECT_EQ(bar->Handle(), h);
    EXPECT_EQ(GetClipboardViewer(), h);
    EXPECT_EQ(bar->NextViewerForTests(), viewer.Handle());
    int before = store::RecentTextCatalogue.Count;
    ASSERT_TRUE(WriteClipboardText(h, "after stay on top"));
    EXPECT_TRUE(PumpUntil([&] { return viewer.draws >= 1; }, 5000));
    EXPECT_EQ(store::RecentTextCatalogue.Count, before + 1);
    Release();
}

TEST_F(BarTest, ColourDialogStartsFromItsOwnColourKeepsCustomColoursAndTheChoiceIsSaved)
{
    Start("[Main]\r\nColor=16711680\r\n");  // blue from the settings
    ASSERT_EQ(bar->Color(), 16711680);
    EXPECT_EQ(bar->Label1.BackColor(), RGB(0, 0, 255));
    bar->Show();
    EXPECT_EQ(ClientPixel(bar->Handle(), 2, 2), RGB(0, 0, 255));

    std::vector<CHOOSECOLORA> asked;
    std::vector<COLORREF> customSeen;
    const COLORREF chosen = RGB(0x12, 0x34, 0x56);
    bool confirm = true;
    bar->ChooseColorCall = [&](CHOOSECOLORA& cc) {
        asked.push_back(cc);
        customSeen.push_back(cc.lpCustColors[3]);
        cc.lpCustColors[3] = RGB(1, 2, 3);  // the user edits a custom colour
        cc.rgbResult = confirm ? chosen : RGB(200, 0, 0);
        return confirm ? TRUE : FALSE;
    };

    Choose(TForm1::mnuColor);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].lStructSize, sizeof(CHOOSECOLORA));
    EXPECT_EQ(asked[0].hwndOwner, ui::App.Handle());
    EXPECT_EQ(asked[0].Flags, DWORD(CC_RGBINIT));
    EXPECT_EQ(asked[0].rgbResult, RGB(0, 0, 0));  // not the bar's blue
    EXPECT_EQ(customSeen[0], RGB(0, 0, 0));
    EXPECT_EQ(bar->Color(), int32_t(chosen));
    EXPECT_EQ(bar->Label1.BackColor(), chosen);
    EXPECT_EQ(ClientPixel(bar->Handle(), 2, 2), chosen);
    EXPECT_EQ(ClientPixel(bar->Label1.Handle(), 1, 1), chosen);

    // Cancelling changes nothing, and the dialog remembers what it had.
    confirm = false;
    Choose(TForm1::mnuColor);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].rgbResult, chosen);
    EXPECT_EQ(customSeen[1], RGB(1, 2, 3));
    EXPECT_EQ(bar->Color(), int32_t(chosen));
    EXPECT_EQ(bar->Label1.BackColor(), chosen);
    Choose(TForm1::mnuColor);
    EXPECT_EQ(asked[2].rgbResult, chosen);  // a cancelled pick is not remembered

    Release();
    EXPECT_EQ(IniValue("Color"), "5649426");
    EXPECT_EQ(IniValue("Hints"), "1");
}

TEST_F(BarTest, MinimiseTakesEveryWindowDownAndRestoreBringsBackWhatShowed)
{
    Start();
    bar->Show();
    frmAbout->Show();
    Choose(TForm1::mnuMinimize);
    EXPECT_TRUE(ui::App.Minimized());
    for (ui::Form* f : ui::App.Forms())
        EXPECT_FALSE(f->Visible());
    EXPECT_TRUE(IsIconic(ui::App.Handle()));
    // Already down: nothing more happens.
    Choose(TForm1::mnuMinimize);
    EXPECT_TRUE(ui::App.Minimized());

    SendMessageA(ui::App.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(ui::App.Minimized());
    EXPECT_TRUE(bar->Visible());
    EXPECT_TRUE(frmAbout->Visible());
    EXPECT_FALSE(frmSplash->Visible());
    EXPECT_FALSE(frmText->Visible());

    // A double-click on the background does the same.
    frmAbout->Hide();
    SendMessageA(bar->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(184, 2));
    EXPECT_TRUE(ui::App.Minimized());
    EXPECT_FALSE(bar->Visible());
    ui::App.Restore();
    EXPECT_TRUE(bar->Visible());
    EXPECT_FALSE(frmAbout->Visible());
}

TEST_F(BarTest, KeysOpenWhatTheButtonsOpenAndTheMenusStillAdvanceTheLabel)
{
    Start();
    bar->Show();
    std::vector<HMENU> tracked;
    bar->TrackMenu = [&](ui::PopupMenu& menu, HWND, POINT, UINT) {
        tracked.push_back(menu.Handle());
        return 0u;
    };
    auto key = [&](UINT msg, WPARAM vk) { SendMessageA(bar->Handle(), msg, vk, 0); };
    key(WM_SYSKEYDOWN, VK_F10);
    EXPECT_EQ(bar->Label1.Text(), app::kWebAddress);
    SendMessageA(bar->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bar->Handle()), -1);  // Shift+F10, menu key
    key(WM_KEYDOWN, 'S');
    key(WM_KEYDOWN, VK_F1);
    EXPECT_EQ(tracked, (std::vector<HMENU>{bar->popMain.Handle(), bar->popMain.Handle(), bar->popSave.Handle(),
                                           bar->popHelp.Handle()}));
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    // A right-click is no way into a menu of the bar.
    SendMessageA(bar->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bar->Handle()), MAKELPARAM(300, 130));
    EXPECT_EQ(tracked.size(), 4u);

    key(WM_KEYDOWN, 'T');
    EXPECT_TRUE(frmText->Visible());
    EXPECT_FALSE(frmText->SavedMode);
    frmText->Hide();
    key(WM_KEYDOWN, 'B');
    EXPECT_TRUE(frmBmp->Visible());
    frmBmp->Hide();
}

TEST_F(BarTest, BrowsersAboutHelpAndExit)
{
    Start();
    bar->Show();
    bar->MoveTo(300, 200);

    Click(bar->butText.Handle());
    EXPECT_TRUE(frmText->Visible());
    EXPECT_FALSE(frmText->SavedMode);
    EXPECT_EQ(frmText->Left(), 300);
    EXPECT_EQ(frmText->Top(), 200);
    frmText->Hide();
    Choose(TForm1::mnuSavedText);
    EXPECT_TRUE(frmText->Visible());
    EXPECT_TRUE(frmText->SavedMode);
    frmText->Hide();

    Click(bar->butBmp.Handle());
    EXPECT_TRUE(frmBmp->Visible());
    EXPECT_FALSE(frmBmp->SavedMode);
    frmBmp->Hide();
    Choose(TForm1::mnuSavedBmp);
    EXPECT_TRUE(frmBmp->Visible());
    EXPECT_TRUE(frmBmp->SavedMode);
    frmBmp->Hide();
    EXPECT_TRUE(bar->Visible());

    Choose(TForm1::mnuAbout);
    EXPECT_TRUE(frmAbout->Visible());
    EXPECT_TRUE(IsWindowEnabled(bar->Handle()));  // modeless
    frmAbout->Hide();

    struct HelpCall {
        HWND owner;
        std::string file;
        UINT command;
        ULONG_PTR data;
    };
    std::vector<HelpCall> help;
    bar->WinHelpCall = [&](HWND owner, const char* file, UINT command, ULONG_PTR data) {
        help.push_back({owner, file, command, data});
        return FALSE;  // no help engine: nothing is reported
    };
    std::vector<std::string> opened;
    bool opens = true;
    bar->OpenDocumentCall = [&](HWND, const std::string& path) {
        opened.push_back(path);
        return opens;
    };
    // Neither a help file nor the guide: a note says where the guide belongs.
    Choose(TForm1::mnuHelp);
    EXPECT_TRUE(help.empty());
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "orv Tidemark");
    EXPECT_NE(boxes[0].text.find("README.txt"), std::string::npos);
    EXPECT_NE(boxes[0].text.find(folder.Path()), std::string::npos);
    // The guide opens with the program for text files; a failure says where it is.
    testing_support::WriteFileBytes(folder.Path() + "README.txt", "the guide");
    Choose(TForm1::mnuHelp);
    EXPECT_EQ(opened, std::vector<std::string>{folder.Path() + "README.txt"});
    EXPECT_EQ(boxes.size(), 1u);
    opens = false;
    Choose(TForm1::mnuHelp);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].text.find(folder.Path() + "README.txt"), std::string::npos);
    // A help file beside the program goes to WinHelp, as ever.
    testing_support::WriteFileBytes(folder.Path() + "tidemark.hlp", "");
    Choose(TForm1::mnuHelp);
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].owner, frmSplash->Handle());
    EXPECT_EQ(help[0].file, folder.Path() + "tidemark.hlp");
    EXPECT_EQ(help[0].command, UINT(HELP_CONTENTS));
    EXPECT_EQ(help[0].data, 0u);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(boxes.size(), 2u);

    Choose(TForm1::mnuExit);
    EXPECT_FALSE(bar->Visible());
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}
