// The bitmap browser as a screen reader meets it: the strip as a list of the
// clips, the selection and the focus on it as they move, and the focus
// rectangle a sighted keyboard user follows.
#include "bmp_fixture.h"

#include "browsers/ThumbnailStrip.h"
#include "store/DateTime.h"
#include "support/Accessibility.h"
#include "support/Pixels.h"

#include <limits>

using namespace bmptest;
using testing_support::AccessibleOf;
using testing_support::HasState;
using testing_support::WinEvents;

namespace {

double g_now = 0;
double FixedClock()
{
    return g_now;
}

bool Contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

// Three recent clips, the browser in front with the keyboard's focus on its strip.
void ShowThreeWithFocus()
{
    for (int k = 1; k <= 3; ++k)
        AddClip(SolidBmp(10 * k, 10, RGB(40 * k, 0, 0)));
    frmBmp->ShowCatalogue(false);
    frmBmp->Show();
    ASSERT_TRUE(testing_support::PumpUntil([] { return frmBmp->imBmps.Focused(); }, 5000));
}

// A key as the user presses it: to the window with the focus.
void Key(WPARAM vk)
{
    SendMessageA(GetFocus(), WM_KEYDOWN, vk, 0);
}

// How many pixels of the cell's focus rectangle the screen shows otherwise
// than the strip's picture: the dotted rectangle, or nothing.
int FocusDots(int cell)
{
    testing_support::ClientPixels shown(frmBmp->imBmps.Handle());
    const RECT r = browsers::FocusFrame(cell);
    int dots = 0;
    for (int x = r.left; x < r.right; ++x)
        dots += (shown.At(x, r.top) != StripPixel(x, r.top)) + (shown.At(x, r.bottom - 1) != StripPixel(x, r.bottom - 1));
    return dots;
}

} // namespace

class BmpAccessible : public BrowserTest {
protected:
    void TearDown() override
    {
        store::SetClock(nullptr);
        BrowserTest::TearDown();
    }
    testing_support::ComApartment apartment;
};

TEST_F(BmpAccessible, TheStripReadsAsAListOfItsClipsBySizeAndTimeAndSaysWhichCatalogue)
{
    store::SetClock(&FixedClock);
    // Year, month, day of the week, day, hour, minute.
    g_now = store::DateTimeFromSystemTime({2026, 3, 0, 12, 14, 5, 0, 0});
    AddClip(SolidBmp(64, 48, RGB(0, 0, 255)));
    g_now = store::DateTimeFromSystemTime({2027, 1, 0, 2, 9, 41, 0, 0});
    AddClip(SolidBmp(8, 6, RGB(255, 0, 0)));
    frmBmp->ShowCatalogue(false);

    const auto strip = AccessibleOf(frmBmp->imBmps.Handle());
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip.Role(), ROLE_SYSTEM_LIST);
    EXPECT_EQ(strip.Name(), L"Bitmap clips");
    EXPECT_EQ(strip.Value(), L"Recent clips");
    ASSERT_EQ(strip.ChildCount(), 2);
    // Left to right, newest first, as the cells show them.
    const std::wstring newest = strip.Name(1), oldest = strip.Name(2);
    EXPECT_EQ(newest.rfind(L"1, 8x6, ", 0), 0u) << newest;
    EXPECT_TRUE(Contains(newest, L"2027") && Contains(newest, L":41")) << newest;
    EXPECT_EQ(oldest.rfind(L"2, 64x48, ", 0), 0u) << oldest;
    EXPECT_TRUE(Contains(oldest, L"2026") && Contains(oldest, L":05")) << oldest;
    for (LONG item : {1, 2}) {
        EXPECT_EQ(strip.Role(item), ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ(strip.State(item) & ~STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE);
    }
    VARIANT selection{};
    EXPECT_EQ(strip->get_accSelection(&selection), S_FALSE);
    EXPECT_EQ(selection.vt, VT_EMPTY);

    // Where each item is, as a screen reader's magnifier or mouse finds it.
    frmBmp->Show();
    POINT cell2{66, 0};
    ClientToScreen(frmBmp->imBmps.Handle(), &cell2);
    long left = 0, top = 0, width = 0, height = 0;
    VARIANT item2{};
    item2.vt = VT_I4;
    item2.lVal = 2;
    ASSERT_EQ(strip->accLocation(&left, &top, &width, &height, item2), S_OK);
    EXPECT_EQ(left, cell2.x);
    EXPECT_EQ(top, cell2.y);
    EXPECT_EQ(width, 66);
    EXPECT_EQ(height, 80);
    VARIANT hit{};
    ASSERT_EQ(strip->accHitTest(cell2.x + 30, cell2.y + 40, &hit), S_OK);
    EXPECT_EQ(testing_support::Accessible::ItemOf(hit), 2);
    ASSERT_EQ(strip->accHitTest(cell2.x + 67, cell2.y + 10, &hit), S_OK) << "right of the last cell";
    EXPECT_EQ(testing_support::Accessible::ItemOf(hit), CHILDID_SELF);

    // A catalogue value that is no time names the clip without one.
    store::RecentBitmapCatalogue.Entries[1].Captured = std::numeric_limits<double>::quiet_NaN();
    frmBmp->ShowCatalogue(false);
    EXPECT_EQ(strip.Name(2), L"2, 64x48");

    frmBmp->ShowCatalogue(true);
    EXPECT_EQ(strip.Value(), L"Saved clips");
    EXPECT_EQ(strip.ChildCount(), 0);
    frmBmp->Hide();
}

TEST_F(BmpAccessible, SelectionAndFocusFollowTheMouseAndTheKeysAndEveryMoveIsAnnounced)
{
    ShowThreeWithFocus();
    const HWND h = frmBmp->imBmps.Handle();
    const auto strip = AccessibleOf(h);
    WinEvents events;
    ASSERT_TRUE(events.Hooked());

    Press(100, 10);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTION, h, 2));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, 2));
    EXPECT_TRUE(HasState(strip.State(2), STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED));
    EXPECT_FALSE(HasState(strip.State(1), STATE_SYSTEM_SELECTED));
    VARIANT v{};
    ASSERT_EQ(strip->get_accSelection(&v), S_OK);
    EXPECT_EQ(testing_support::Accessible::ItemOf(v), 2);
    ASSERT_EQ(strip->get_accFocus(&v), S_OK);
    EXPECT_EQ(testing_support::Accessible::ItemOf(v), 2);

    // A press on the selected cell moves nothing, and says nothing.
    Press(110, 20);
    Key(VK_RIGHT);
    EXPECT_EQ(frmBmp->SelectedCell, 3);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTION, h, 3));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, 3));
    EXPECT_EQ(events.Count(EVENT_OBJECT_SELECTION, h), 2);
    EXPECT_TRUE(HasState(strip.State(3), STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED));

    // A press right of the cells clears the selection; the focus is the list's.
    Press(199, 10);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTIONREMOVE, h, 3));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, CHILDID_SELF));
    ASSERT_EQ(strip->get_accFocus(&v), S_OK);
    EXPECT_EQ(testing_support::Accessible::ItemOf(v), CHILDID_SELF);
    EXPECT_TRUE(HasState(strip.State(), STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE));

    // Listed again, for a new clip: the items are new, and nothing is selected.
    Press(10, 10);
    AddClip(SolidBmp(5, 5, RGB(0, 0, 0)));
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_REORDER, h));
    EXPECT_EQ(strip.ChildCount(), 4);
    VARIANT none{};
    EXPECT_EQ(strip->get_accSelection(&none), S_FALSE);

    // Without the focus, nothing on the strip has it.
    Press(10, 10);
    SetFocus(nullptr);
    EXPECT_TRUE(HasState(strip.State(1), STATE_SYSTEM_SELECTED));
    EXPECT_FALSE(HasState(strip.State(1), STATE_SYSTEM_FOCUSED));
    EXPECT_EQ(strip->get_accFocus(&v), S_FALSE);
    frmBmp->Hide();
}

TEST_F(BmpAccessible, AFocusRectangleMarksTheSelectedCellWhileTheStripHasTheFocusAndCuesAreShown)
{
    ShowThreeWithFocus();
    Press(100, 10);
    EXPECT_GT(FocusDots(2), 40);
    EXPECT_EQ(FocusDots(1), 0);
    EXPECT_EQ(FocusDots(3), 0);
    // On the screen only: the strip's picture holds the frames and nothing more.
    const RECT focus = browsers::FocusFrame(2);
    EXPECT_EQ(StripPixel(focus.left + 1, focus.top), browsers::kStripSilver);

    // The system says focus cues wait for the keyboard (a window opened by
    // the mouse, with the setting on); a key brings them back.
    SendMessageA(frmBmp->imBmps.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(FocusDots(2), 0);
    EXPECT_EQ(frmBmp->SelectedCell, 2);
    Key(VK_LEFT);
    EXPECT_EQ(frmBmp->SelectedCell, 1);
    EXPECT_GT(FocusDots(1), 40);
    EXPECT_EQ(FocusDots(2), 0);

    // The focus elsewhere: the red frame alone.
    SetFocus(nullptr);
    EXPECT_EQ(FocusDots(1), 0);
    frmBmp->Hide();
}
