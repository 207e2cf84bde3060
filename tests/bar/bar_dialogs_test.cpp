// The bar with the platform's real menu loop, colour dialog and message box:
// each is opened for real and dismissed from a timer inside its own loop.
#include "bar_fixture.h"

#include "app/Credits.h"
#include "store/Catalogues.h"

using namespace bar_testing;
using testing_support::PumpUntil;

namespace {

// What a timer saw of the window it dismissed.
struct Seen {
    HWND window = nullptr;
    HWND owner = nullptr;
    RECT rect{};
    std::string caption;
    int red = -1, green = -1, blue = -1;
    bool barEnabled = true;
    bool topmost = false;
    int viewerDrawsBefore = 0;
    int clipsBefore = 0;
};
Seen seen;
HWND barWindow;
CountingViewer* viewer;
WPARAM menuKey;
DWORD giveUpAt;

// A timer that never finds its window must not keep running into other tests.
bool GiveUp(UINT_PTR id)
{
    if (static_cast<LONG>(GetTickCount() - giveUpAt) < 0)
        return false;
    KillTimer(nullptr, id);
    return true;
}

HWND FindVisible(const char* cls)
{
    HWND found = nullptr;
    testing_support::EachThreadWindow(GetCurrentThreadId(), [&](HWND h) {
        char name[32] = "";
        GetClassNameA(h, name, sizeof name);
        if (lstrcmpA(name, cls) == 0 && IsWindowVisible(h))
            found = h;
        return !found;
    });
    return found;
}

// Once a visible window of the class is up, stops the timer and notes what it
// shows; null while it is not up yet.
HWND Arrived(UINT_PTR timer, const char* cls)
{
    HWND w = FindVisible(cls);
    if (!w) {
        GiveUp(timer);
        return nullptr;
    }
    KillTimer(nullptr, timer);
    seen.window = w;
    seen.owner = GetWindow(w, GW_OWNER);
    GetWindowRect(w, &seen.rect);
    char text[64] = "";
    GetWindowTextA(w, text, sizeof text);
    seen.caption = text;
    seen.barEnabled = IsWindowEnabled(barWindow) != FALSE;
    seen.topmost = (GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return w;
}

void CALLBACK AtMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    if (HWND menu = Arrived(id, "#32768")) {
        if (menuKey)
            PostMessageA(menu, WM_CHAR, menuKey, 0);  // the item's access key
        else
            EndMenu();
    }
}

void CALLBACK AtColourDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    if (HWND dlg = Arrived(id, "#32770")) {
        // The red, green and blue boxes of the standard colour dialog.
        seen.red = static_cast<int>(GetDlgItemInt(dlg, 706, nullptr, FALSE));
        seen.green = static_cast<int>(GetDlgItemInt(dlg, 707, nullptr, FALSE));
        seen.blue = static_cast<int>(GetDlgItemInt(dlg, 708, nullptr, FALSE));
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
}

void CALLBACK AtNote(HWND, UINT, UINT_PTR id, DWORD)
{
    if (HWND box = Arrived(id, "#32770")) {
        // A clipboard change while the box is up still goes through the bar.
        seen.viewerDrawsBefore = viewer->draws;
        seen.clipsBefore = store::RecentTextCatalogue.Count;
        if (!WriteClipboardText(barWindow, "while the note shows"))
            seen.viewerDrawsBefore = -100;  // shows as a failure below
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

class BarDialogsTest : public BarTest {
protected:
    void SetUp() override
    {
        BarTest::SetUp();
        seen = Seen{};
        menuKey = 0;
        giveUpAt = GetTickCount() + 10000;
    }
};

} // namespace

TEST_F(BarDialogsTest, RealMenuOpensAtTheComputedPointAndDismissingItStillAdvancesTheLabel)
{
    Start();
    bar->Show();
    barWindow = bar->Handle();
    SetTimer(nullptr, 0, 50, &AtMenu);
    Click(bar->butMenu.Handle());
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.rect.left, 275);
    EXPECT_EQ(seen.rect.top, 119);
    EXPECT_EQ(bar->Label1.Text(), app::kWebAddress);

    SetTimer(nullptr, 0, 50, &AtMenu);
    Click(bar->butHelp.Handle());
    EXPECT_EQ(seen.rect.left, 403);
    EXPECT_EQ(seen.rect.top, 119);
    EXPECT_EQ(bar->Label1.Text(), app::kCreditLine);
    testing_support::PumpMessages(100);
    EXPECT_FALSE(bar->StayOnTop());
    EXPECT_TRUE(bar->HintsOn());
}

TEST_F(BarDialogsTest, RealMenuItemChosenByItsKeyRunsItsHandler)
{
    Start();
    bar->Show();
    barWindow = bar->Handle();
    menuKey = 's';  // "&Stay on Top"
    SetTimer(nullptr, 0, 50, &AtMenu);
    Click(bar->butMenu.Handle());
    ASSERT_NE(seen.window, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return bar->StayOnTop(); }, 3000));
    EXPECT_TRUE(GetWindowLongPtrA(bar->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(BarDialogsTest, RealColourDialogIsModalAboveTheTopmostBarStartsBlackAndCancelChangesNothing)
{
    Start("[Main]\r\nColor=$FF0000\r\n");  // blue from the settings
    bar->Show();
    bar->mnuStayonTopClick();
    barWindow = bar->Handle();
    SetTimer(nullptr, 0, 50, &AtColourDialog);
    bar->mnuColorClick();
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.owner, ui::App.Handle());
    // Modal to the whole program, and not hidden under the bar.
    EXPECT_FALSE(seen.barEnabled);
    EXPECT_TRUE(seen.topmost);
    EXPECT_TRUE(IsWindowEnabled(bar->Handle()));
    EXPECT_EQ(seen.red, 0);
    EXPECT_EQ(seen.green, 0);
    EXPECT_EQ(seen.blue, 0);
    EXPECT_EQ(bar->Color(), 0xFF0000);
    EXPECT_EQ(bar->Label1.BackColor(), RGB(0, 0, 255));
    EXPECT_EQ(bar->dlgColorCurrent, RGB(0, 0, 0));
}

TEST_F(BarDialogsTest, NoteIsModalToTheApplicationAndTheChainGoesOnMeanwhile)
{
    CountingViewer counting;
    viewer = &counting;
    Start();
    bar->Show();
    barWindow = bar->Handle();
    ASSERT_EQ(GetActiveWindow(), bar->Handle());

    // OK only, no icon.
    ui::ShowNote("Please select a clip first.", "Nothing to do");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK));
    EXPECT_EQ(boxes[0].caption, "Nothing to do");

    ui::App.Box = [](const std::string& t, const std::string& c, UINT f) { return ui::App.ModalBox(t, c, f); };
    SetTimer(nullptr, 0, 50, &AtNote);
    ui::ShowNote("Please select a clip first.", "Nothing to do");
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.caption, "Nothing to do");
    EXPECT_EQ(seen.owner, ui::App.Handle());
    EXPECT_FALSE(seen.barEnabled);
    EXPECT_FALSE(seen.topmost) << "no window of ours is topmost: neither is the box";
    EXPECT_EQ(counting.draws, seen.viewerDrawsBefore + 1);
    EXPECT_EQ(store::RecentTextCatalogue.Count, seen.clipsBefore + 1);
    EXPECT_TRUE(IsWindowEnabled(bar->Handle()));
    EXPECT_EQ(GetActiveWindow(), bar->Handle());
    Release();
}
