// The text browser's view: what ShowCatalogue lists, its layout, the button
// panel, the popup menu, the status line and the window's place.
#include "browsers/text_support.h"
#include "support/Accessibility.h"

#include <commctrl.h>

using namespace texttest;
using testing_support::BoundsInParent;
using testing_support::HintText;
using testing_support::MenuCaptions;
using testing_support::PumpMessages;
using testing_support::PumpUntil;

namespace {

SIZE OuterSize(HWND hwnd)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

bool menuSeen = false;

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND menu = FindWindowA("#32768", nullptr);
    menuSeen = menu && IsWindowVisible(menu);
    EndMenu();
}

// Sends `target` the right-click's WM_CONTEXTMENU and reports whether a popup
// menu showed; a timer looks for it and closes it.
bool MenuOpensOnContextMenu(HWND target)
{
    menuSeen = false;
    SetTimer(nullptr, 0, 150, &CloseMenu);
    SendMessageA(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), MAKELPARAM(300, 300));
    PumpMessages(300);
    return menuSeen;
}

} // namespace

TEST_F(TextBrowserTest, RecentCatalogueIsListedNewestFirstWithItsIndexesAndCount)
{
    AddClip("first clip");
    AddClip("second\tclip");
    AddClip("third clip\r\nwith a second line");
    browser->ShowCatalogue(false);

    EXPECT_EQ(Lines(), (std::vector<Line>{{"third clip..with a second line", 3}, {"second.clip", 2}, {"first clip", 1}}));
    EXPECT_EQ(browser->labStatus.Text(), "3 clips found.");
    EXPECT_EQ(Caption(), "Text clips");
    EXPECT_FALSE(browser->SavedMode);
    EXPECT_TRUE(browser->butSave.Visible());
    EXPECT_TRUE(browser->popMain.ItemVisible(TfrmText::mnuSave));
    EXPECT_EQ(SendMessageA(browser->list1, LB_GETCURSEL, 0, 0), LB_ERR);

    // One clip: no singular form.
    store::RemoveRecentText(3);
    store::RemoveRecentText(2);
    browser->ShowCatalogue(false);
    EXPECT_EQ(Lines(), (std::vector<Line>{{"first clip", 1}}));
    EXPECT_EQ(browser->labStatus.Text(), "1 clips found.");
}

TEST_F(TextBrowserTest, ScreenReadersReadTheButtonsByTheirHintsAndHearTheListMadeAgain)
{
    testing_support::ComApartment apartment;
    using testing_support::Accessible;
    const struct {
        HWND button;
        const wchar_t* name;
    } buttons[] = {{browser->butCopy.Handle(), L"Copy to clipboard"},
                   {browser->butDel.Handle(), L"Delete this clip"},
                   {browser->butSave.Handle(), L"Save this clip"}};
    for (const auto& b : buttons) {
        const auto button = Accessible(b.button);
        EXPECT_EQ(button.Name(), b.name);
        EXPECT_EQ(button.Role(), ROLE_SYSTEM_PUSHBUTTON) << b.name;
    }
    const auto status = Accessible(browser->labStatus.Handle());
    EXPECT_EQ(status.Role(), ROLE_SYSTEM_STATICTEXT);

    AddClip("a clip");
    testing_support::WinEvents events;
    browser->ShowCatalogue(false);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_REORDER, browser->list1));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_NAMECHANGE, browser->labStatus.Handle()));
    EXPECT_EQ(status.Name(), L"1 clips found.");
}

TEST_F(TextBrowserTest, EmptySavedCatalogueHidesStashingAndRecentViewOffersItAgain)
{
    AddClip("a recent clip");
    browser->ShowCatalogue(true);

    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Caption(), "Saved text clips");
    EXPECT_EQ(browser->labStatus.Text(), "0 clips saved.");
    EXPECT_TRUE(browser->SavedMode);
    EXPECT_FALSE(browser->butSave.Visible());
    EXPECT_EQ(MenuCaptions(browser->popMain.Handle()),
              (std::vector<std::string>{"&Copy to clipboard", "&Delete this clip", "-", "Show &buttons"}));

    browser->ShowCatalogue(false);
    EXPECT_EQ(Lines().size(), 1u);
    EXPECT_TRUE(browser->butSave.Visible());
    EXPECT_EQ(MenuCaptions(browser->popMain.Handle()),
              (std::vector<std::string>{"&Copy to clipboard", "&Delete this clip", "-", "&Save this clip", "-",
                                        "Show &buttons"}));
}

TEST_F(TextBrowserTest, ControlCharactersFromACatalogueFileNeverReachTheList)
{
    AddClip("plain");
    store::RecentTextCatalogue.Entries[1].Preview.Assign(std::string("a\0b\x07", 4));
    browser->ShowCatalogue(false);
    EXPECT_EQ(Lines(), (std::vector<Line>{{"a.b.", 1}}));
}

TEST_F(TextBrowserTest, LayoutFollowsTheButtonPanelAndTheWindowSize)
{
    LONG_PTR style = GetWindowLongPtrA(browser->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongPtrA(browser->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    LONG_PTR listStyle = GetWindowLongPtrA(browser->list1, GWL_STYLE);
    EXPECT_TRUE(listStyle & LBS_NOTIFY);
    EXPECT_FALSE(listStyle & (LBS_SORT | LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    EXPECT_EQ(SendMessageA(browser->list1, LB_GETITEMHEIGHT, 0, 0), 13);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(browser->list1, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -11);

    EXPECT_EQ(OuterSize(browser->Handle()).cx, 290);
    EXPECT_EQ(OuterSize(browser->Handle()).cy, 150);
    RECT client;
    GetClientRect(browser->Handle(), &client);
    EXPECT_FALSE(browser->panR.Visible());
    EXPECT_FALSE(browser->popMain.Checked(TfrmText::mnuShowBut));
    RECT panel = BoundsInParent(browser->Panel1.Handle()), list = BoundsInParent(browser->list1),
         status = BoundsInParent(browser->labStatus.Handle());
    EXPECT_EQ(panel.right, client.right);
    EXPECT_EQ(panel.bottom, client.bottom);
    EXPECT_EQ(list.bottom, client.bottom - 18);
    EXPECT_EQ(status.top, client.bottom - 18);
    EXPECT_EQ(status.bottom - status.top, 18);
    EXPECT_EQ(status.right, client.right);

    browser->mnuShowButClick();
    EXPECT_TRUE(browser->panR.Visible());
    EXPECT_TRUE(browser->popMain.Checked(TfrmText::mnuShowBut));
    RECT panR = BoundsInParent(browser->panR.Handle());
    EXPECT_EQ(panR.left, client.right - 33);
    EXPECT_EQ(panR.right, client.right);
    EXPECT_EQ(panR.bottom, client.bottom);
    EXPECT_EQ(BoundsInParent(browser->Panel1.Handle()).right, client.right - 33);
    EXPECT_EQ(BoundsInParent(browser->labStatus.Handle()).right, client.right - 33);
    struct {
        HWND button;
        int x, y;
        const char* hint;
    } buttons[] = {{browser->butCopy.Handle(), 3, 3, "Copy to clipboard"},
                   {browser->butDel.Handle(), 4, 30, "Delete this clip"},
                   {browser->butSave.Handle(), 4, 58, "Save this clip"}};
    for (auto& b : buttons) {
        RECT r = BoundsInParent(b.button);
        EXPECT_EQ(r.left, b.x) << b.hint;
        EXPECT_EQ(r.top, b.y) << b.hint;
        EXPECT_EQ(r.right - r.left, 25) << b.hint;
        EXPECT_EQ(r.bottom - r.top, 25) << b.hint;
        EXPECT_TRUE(browser->Hints.Active(b.button)) << b.hint;
        EXPECT_EQ(HintText(browser->Hints.Handle(), browser->Handle(), b.button), b.hint);
    }

    // Wider: the panel stays at the right edge.
    SetWindowPos(browser->Handle(), nullptr, 0, 0, 400, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(browser->Handle(), &client);
    EXPECT_EQ(BoundsInParent(browser->panR.Handle()).left, client.right - 33);
    EXPECT_EQ(BoundsInParent(browser->labStatus.Handle()).top, client.bottom - 18);

    browser->mnuShowButClick();
    EXPECT_FALSE(browser->panR.Visible());
    EXPECT_FALSE(browser->popMain.Checked(TfrmText::mnuShowBut));
    EXPECT_EQ(BoundsInParent(browser->Panel1.Handle()).right, client.right);
}

TEST_F(TextBrowserTest, HeightNeverStaysBelow140)
{
    HWND h = browser->Handle();
    SetWindowPos(h, nullptr, 0, 0, 290, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(OuterSize(h).cy, 140);
    SetWindowPos(h, nullptr, 0, 0, 250, 139, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(OuterSize(h).cy, 140);
    EXPECT_EQ(OuterSize(h).cx, 250);  // the width is not limited
    SetWindowPos(h, nullptr, 0, 0, 120, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(OuterSize(h).cy, 140);
    EXPECT_EQ(OuterSize(h).cx, 120);
    SetWindowPos(h, nullptr, 0, 0, 290, 141, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(OuterSize(h).cy, 141);
}

TEST_F(TextBrowserTest, ButtonPanelStateSurvivesClosingAndReopening)
{
    browser->ShowCatalogue(false);
    browser->Show();
    SendMessageA(browser->Handle(), WM_COMMAND, TfrmText::mnuShowBut, 0);
    EXPECT_TRUE(browser->panR.Visible());
    browser->Close();
    EXPECT_FALSE(browser->Visible());
    browser->ShowCatalogue(true);
    browser->Show();
    EXPECT_TRUE(browser->panR.Visible());
    EXPECT_TRUE(IsWindowVisible(browser->panR.Handle()));
    EXPECT_TRUE(browser->popMain.Checked(TfrmText::mnuShowBut));
}

TEST_F(TextBrowserTest, StatusLineClearsUnderTheMouseOverStatusAndPanelButNotOverTheList)
{
    AddClip("x");
    browser->ShowCatalogue(false);
    browser->mnuShowButClick();
    EXPECT_EQ(browser->labStatus.Text(), "1 clips found.");

    SendMessageA(browser->list1, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(browser->labStatus.Text(), "1 clips found.");
    SendMessageA(browser->labStatus.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(browser->labStatus.Text(), " ");

    browser->labStatus.SetText("Text sent to clipboard.");
    SendMessageA(browser->panR.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 100));
    EXPECT_EQ(browser->labStatus.Text(), " ");
}

TEST_F(TextBrowserTest, ActiveBrowserHidesTheBarAndStaysOnTopAndHidingItBringsTheBarBack)
{
    Form1->Show();
    browser->ShowCatalogue(false);
    browser->Show();
    ASSERT_TRUE(PumpUntil([] { return !Form1->Visible(); }, 5000));
    EXPECT_TRUE(GetWindowLongPtrA(browser->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    browser->Close();
    EXPECT_FALSE(browser->Visible());
    EXPECT_TRUE(Form1->Visible());
    // Topmost for the rest of the run.
    EXPECT_TRUE(GetWindowLongPtrA(browser->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Esc in the list puts it away the same way.
    browser->Show();
    ASSERT_TRUE(PumpUntil([] { return !Form1->Visible(); }, 5000));
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(browser->Visible());
    EXPECT_TRUE(Form1->Visible());
}

TEST_F(TextBrowserTest, RightClickInTheListOpensThePopupMenu)
{
    AddClip("x");
    browser->ShowCatalogue(false);
    browser->Show();
    PumpMessages(100);

    EXPECT_TRUE(MenuOpensOnContextMenu(browser->list1));
    // A right-click elsewhere (the status line) opens nothing.
    EXPECT_FALSE(MenuOpensOnContextMenu(browser->labStatus.Handle()));
}
