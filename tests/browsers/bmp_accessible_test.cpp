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
using testing_support::Accessible;
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

// How many pixels of the cell's focus rectangle the screen shows otherwise
// than the strip's picture: the dotted rectangle, or nothing.
int FocusDots(int cell)
{
    testing_support::ClientPixels shown(frmBmp->imBmps.Handle());
    const RECT r = browsers::FocusFrame(cell);
    int dots = 0;
    for (int x = r.left; x < r.right; ++x)
        for (int y : {r.top, r.bottom - 1})
            dots += shown.At(x, y) != StripPixel(x, y);
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

    const auto strip = Accessible(frmBmp->imBmps.Handle());
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

    // The item under a point of the screen, as a screen reader's mouse finds it.
    frmBmp->Show();
    POINT inCell2{66 + 64, 78};
    ClientToScreen(frmBmp->imBmps.Handle(), &inCell2);
    VARIANT hit{};
    ASSERT_EQ(strip->accHitTest(inCell2.x, inCell2.y, &hit), S_OK);
    EXPECT_EQ(Accessible::ItemOf(hit), 2);

    // A catalogue value that is no time names the clip without one.
    store::RecentBitmapCatalogue.Entries[1].Captured = std::numeric_limits<double>::quiet_NaN();
    frmBmp->ShowCatalogue(false);
    EXPECT_EQ(strip.Name(2), L"2, 64x48");

    frmBmp->ShowCatalogue(true);
    EXPECT_EQ(strip.Value(), L"Saved clips");
    EXPECT_EQ(strip.ChildCount(), 0);
    frmBmp->Hide();
}

TEST_F(BmpAccessible, SelectionAndFocusFollowTheMouseAndTheKeysAreAnnouncedAndTheFocusRectangleMarksThem)
{
    for (int k = 1; k <= 3; ++k)
        AddClip(SolidBmp(10 * k, 10, RGB(40 * k, 0, 0)));
    frmBmp->ShowCatalogue(false);
    frmBmp->Show();
    ASSERT_TRUE(testing_support::PumpUntil([] { return frmBmp->imBmps.Focused(); }, 5000));
    const HWND h = frmBmp->imBmps.Handle();
    const auto strip = Accessible(h);
    WinEvents events;
    ASSERT_TRUE(events.Hooked());
    VARIANT v{};

    Press(100, 10);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTION, h, 2));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, 2));
    EXPECT_TRUE(HasState(strip.State(2), STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED));
    EXPECT_FALSE(HasState(strip.State(1), STATE_SYSTEM_SELECTED));
    ASSERT_EQ(strip->get_accSelection(&v), S_OK);
    EXPECT_EQ(Accessible::ItemOf(v), 2);
    EXPECT_GT(FocusDots(2), 40);
    EXPECT_EQ(FocusDots(1) + FocusDots(3), 0);
    // On the screen only: the strip's picture keeps the frames alone.
    EXPECT_EQ(StripPixel(browsers::FocusFrame(2).left + 1, 2), browsers::kStripSilver);

    // The system says focus cues wait for the keyboard (a window opened by
    // the mouse, with that setting on); a key brings them back.
    SendMessageA(h, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(FocusDots(2), 0);
    // A press on the selected cell moves nothing, and says nothing.
    Press(110, 20);
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_RIGHT, 0);  // where a key goes
    EXPECT_EQ(frmBmp->SelectedCell, 3);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTION, h, 3));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, 3));
    EXPECT_EQ(events.Count(EVENT_OBJECT_SELECTION, h), 2);
    ASSERT_EQ(strip->get_accFocus(&v), S_OK);
    EXPECT_EQ(Accessible::ItemOf(v), 3);
    EXPECT_GT(FocusDots(3), 40);
    EXPECT_EQ(FocusDots(2), 0);

    // A press right of the cells clears the selection; the focus is the list's.
    Press(199, 10);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_SELECTIONREMOVE, h, 3));
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, h, CHILDID_SELF));
    ASSERT_EQ(strip->get_accFocus(&v), S_OK);
    EXPECT_EQ(Accessible::ItemOf(v), CHILDID_SELF);

    // Listed again, for a new clip: the items are new, and none is selected.
    Press(10, 10);
    AddClip(SolidBmp(5, 5, RGB(0, 0, 0)));
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_REORDER, h));
    EXPECT_EQ(strip.ChildCount(), 4);
    EXPECT_EQ(strip->get_accSelection(&v), S_FALSE);

    // The focus elsewhere: selected, not focused, and the red frame alone.
    Press(10, 10);
    SetFocus(nullptr);
    EXPECT_TRUE(HasState(strip.State(1), STATE_SYSTEM_SELECTED));
    EXPECT_FALSE(HasState(strip.State(1), STATE_SYSTEM_FOCUSED));
    EXPECT_EQ(strip->get_accFocus(&v), S_FALSE);
    EXPECT_EQ(FocusDots(1), 0);
    frmBmp->Hide();
}
