// Where a window goes: inside a monitor's work area, moved as little as it can.
#include "ui/Placement.h"

#include <gtest/gtest.h>

namespace {

RECT At(LONG left, LONG top, LONG width, LONG height)
{
    return {left, top, left + width, top + height};
}

void ExpectRect(const RECT& got, const RECT& want)
{
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

} // namespace

TEST(KeepInside, AWindowThatFitsStaysAndOneHangingOffMovesJustBackKeepingItsSize)
{
    const RECT screen{0, 0, 1280, 1024};
    ExpectRect(ui::KeepInside(At(267, 113, 301, 142), screen), At(267, 113, 301, 142));
    ExpectRect(ui::KeepInside(At(979, 882, 301, 142), screen), At(979, 882, 301, 142));  // exactly in the corner
    // The bar at 1086,954 with the text browser's 290 x 150.
    ExpectRect(ui::KeepInside(At(1086, 954, 290, 150), screen), At(990, 874, 290, 150));
    ExpectRect(ui::KeepInside(At(-40, -10, 290, 150), screen), At(0, 0, 290, 150));
}

TEST(KeepInside, AWorkAreaAwayFromTheOriginAndLargerThanIt)
{
    // A second monitor left of the first, its taskbar along the top.
    const RECT left{-1600, 40, 0, 1200};
    ExpectRect(ui::KeepInside(At(-100, 1150, 301, 142), left), At(-301, 1058, 301, 142));
    ExpectRect(ui::KeepInside(At(-1700, 0, 301, 142), left), At(-1600, 40, 301, 142));
    ExpectRect(ui::KeepInside(At(-900, 500, 301, 142), left), At(-900, 500, 301, 142));
    // Too big for the area: its top-left corner, caption and all, stays on it.
    ExpectRect(ui::KeepInside(At(-500, 900, 2000, 1300), left), At(-1600, 40, 2000, 1300));
}
