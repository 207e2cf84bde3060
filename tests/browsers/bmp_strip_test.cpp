// The thumbnail strip: its size, frames, captions, thumbnails and selection
// frames, pixel by pixel, and how presses pick cells.
#include "bmp_fixture.h"

#include "browsers/ThumbnailStrip.h"

#include <algorithm>

using namespace bmptest;
using browsers::kFrameDark;
using browsers::kFrameLight;
using browsers::kSelectionRed;
using browsers::kStripSilver;

namespace {

// A recognisable colour per entry, as the thumbnail's whole picture.
COLORREF EntryColour(int entry)
{
    return RGB(10 * entry, 200 - 10 * entry, 40 + entry);
}

// `count` recent clips, entry k of one colour and 20k x 10k pixels, shown.
void Clips(int count)
{
    for (int k = 1; k <= count; ++k)
        AddClip(SolidBmp(20 * k, 10 * k, EntryColour(k)));
    frmBmp->ShowCatalogue(false);
}

// The columns in [x0, x1) of rows [y0, y1) that hold a pixel of this colour.
std::vector<int> ColumnsWith(COLORREF colour, int x0, int x1, int y0, int y1)
{
    std::vector<int> xs;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y)
            if (StripPixel(x, y) == colour) {
                xs.push_back(x);
                break;
            }
    return xs;
}

} // namespace

class BmpStrip : public BrowserTest {};

TEST_F(BmpStrip, EmptyStripIsTwoSilverColumns)
{
    Clips(0);
    SIZE s = StripSize();
    EXPECT_EQ(s.cx, 2);
    EXPECT_EQ(s.cy, 105);
    EXPECT_EQ(WindowWidth(frmBmp->imBmps.Handle()), 2);
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 105; ++y)
            ASSERT_EQ(StripPixel(x, y), kStripSilver) << x << "," << y;

    // Any press on an empty strip is on no clip.
    Press(0, 10);
    Press(1, 100);
    EXPECT_EQ(frmBmp->SelectedCell, 0);
    EXPECT_EQ(StripPixel(1, 1), kStripSilver);
}

TEST_F(BmpStrip, ThreeEntriesNewestAtTheLeftWithFramesAndThumbnails)
{
    Clips(3);
    SIZE s = StripSize();
    EXPECT_EQ(s.cx, 200);
    EXPECT_EQ(s.cy, 105);
    EXPECT_EQ(WindowWidth(frmBmp->imBmps.Handle()), 200);

    // Cell i shows entry 4 - i: its thumbnail covers (x+3, 16)..(x+62, 75).
    for (int cell = 1; cell <= 3; ++cell) {
        const int x = (cell - 1) * 66;
        const COLORREF c = EntryColour(4 - cell);
        EXPECT_EQ(StripPixel(x + 3, 16), c) << cell;
        EXPECT_EQ(StripPixel(x + 62, 75), c) << cell;
        EXPECT_EQ(StripPixel(x + 30, 50), c) << cell;
        EXPECT_NE(StripPixel(x + 2, 16), c) << cell;
        EXPECT_NE(StripPixel(x + 63, 75), c) << cell;
        EXPECT_NE(StripPixel(x + 3, 76), c) << cell;
        // White top and left, grey bottom; the bottom-left corner is white.
        EXPECT_EQ(StripPixel(x, 0), kFrameLight);
        EXPECT_EQ(StripPixel(x, 40), kFrameLight);
        EXPECT_EQ(StripPixel(x, 80), kFrameLight);
        EXPECT_EQ(StripPixel(x + 65, 0), kFrameLight);
        EXPECT_EQ(StripPixel(x + 1, 80), kFrameDark);
        EXPECT_EQ(StripPixel(x + 65, 80), kFrameDark);
        // Inside the frame and around the thumbnail: silver.
        EXPECT_EQ(StripPixel(x + 1, 1), kStripSilver);
        EXPECT_EQ(StripPixel(x + 64, 78), kStripSilver);
    }
    // Only the last cell keeps its grey right edge; the others' are covered
    // by their right neighbour's white left edge.
    EXPECT_EQ(StripPixel(66, 40), kFrameLight);
    EXPECT_EQ(StripPixel(132, 40), kFrameLight);
    EXPECT_EQ(StripPixel(198, 0), kFrameDark);
    EXPECT_EQ(StripPixel(198, 79), kFrameDark);
    EXPECT_EQ(StripPixel(198, 80), kFrameDark);
    EXPECT_EQ(StripPixel(199, 0), kStripSilver);
    // Nothing below the frames.
    for (int y = 81; y < 105; ++y)
        ASSERT_EQ(StripPixel(100, y), kStripSilver) << y;
}

TEST_F(BmpStrip, TenEntriesMakeOneRow662Wide)
{
    Clips(10);
    EXPECT_EQ(StripSize().cx, 662);
    EXPECT_EQ(WindowWidth(frmBmp->imBmps.Handle()), 662);
    EXPECT_EQ(StripPixel(9 * 66 + 3, 16), EntryColour(1));  // oldest at the right
    EXPECT_EQ(StripPixel(3, 16), EntryColour(10));
    EXPECT_EQ(StripPixel(660, 0), kFrameDark);

    // The box scrolls sideways over the whole strip; presses are in strip pixels.
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(frmBmp->scroll1.Handle(), SB_HORZ, &si);
    EXPECT_EQ(si.nMax, 661);
    SendMessageA(frmBmp->scroll1.Handle(), WM_HSCROLL, SB_RIGHT, 0);
    RECT box, strip;
    GetClientRect(frmBmp->scroll1.Handle(), &box);
    GetWindowRect(frmBmp->imBmps.Handle(), &strip);
    MapWindowPoints(nullptr, frmBmp->scroll1.Handle(), reinterpret_cast<POINT*>(&strip), 2);
    EXPECT_EQ(strip.right, box.right);
    EXPECT_EQ(frmBmp->scroll1.Position(), 662 - box.right);
    Press(600, 10);
    EXPECT_EQ(frmBmp->SelectedCell, 10);
    EXPECT_EQ(frmBmp->SelectedEntry(), 1);
}

TEST_F(BmpStrip, CaptionsGiveWidthByHeightAtFourThree)
{
    EXPECT_EQ(browsers::SizeCaption(640, 480), "640x480");
    EXPECT_EQ(browsers::SizeCaption(0, 0), "0x0");
    EXPECT_EQ(browsers::SizeCaption(65535, 7), "65535x7");

    // Entry 2, the left cell, is 640 x 480; entry 1's file is gone.
    DeleteFileA(AddClip(SolidBmp(30, 20, RGB(1, 2, 3))).c_str());
    AddClip(SolidBmp(640, 480, RGB(1, 2, 3)));
    frmBmp->ShowCatalogue(false);
    EXPECT_EQ(frmBmp->ThumbWidths[1], 640);
    EXPECT_EQ(frmBmp->ThumbHeights[1], 480);
    EXPECT_EQ(frmBmp->ThumbWidths[0], 0);
    EXPECT_EQ(frmBmp->ThumbHeights[0], 0);

    // The caption's ink lies from x + 4 on, within the text's extent in Arial
    // 8 pt, from y = 3 down to the thumbnail.
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    ui::Font arial(CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.get(), arial.get());
    SIZE wide{}, small{};
    GetTextExtentPoint32A(dc.get(), "640x480", 7, &wide);
    GetTextExtentPoint32A(dc.get(), "0x0", 3, &small);

    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    std::vector<int> left = ColumnsWith(ink, 1, 65, 1, 16);
    ASSERT_FALSE(left.empty());
    EXPECT_GE(left.front(), 4);
    EXPECT_LT(left.back(), 4 + wide.cx);
    EXPECT_GE(left.back(), 4 + wide.cx - 4);
    std::vector<int> right = ColumnsWith(ink, 67, 131, 1, 16);
    ASSERT_FALSE(right.empty());
    EXPECT_GE(right.front(), 66 + 4);
    EXPECT_LT(right.back(), 66 + 4 + small.cx);
    // Rows 1 and 2 stay clear for the selection frame.
    EXPECT_TRUE(ColumnsWith(ink, 0, 200, 1, 3).empty());
}

TEST_F(BmpStrip, PressesPickTheCellOfTheirColumn)
{
    Clips(3);
    Press(65, 10);
    EXPECT_EQ(frmBmp->SelectedCell, 1);
    EXPECT_EQ(frmBmp->SelectedEntry(), 3);
    Press(66, 10);
    EXPECT_EQ(frmBmp->SelectedCell, 2);
    // Below the frames, and with the right button, still the cell above.
    Press(140, 104, WM_RBUTTONDOWN);
    EXPECT_EQ(frmBmp->SelectedCell, 3);
    EXPECT_EQ(frmBmp->SelectedEntry(), 1);
    Press(70, 90);
    EXPECT_EQ(frmBmp->SelectedCell, 2);

    // The strip's last two columns are right of every cell: no clip there,
    // and the selection is cleared rather than moved onto them.
    Press(199, 10);
    EXPECT_EQ(frmBmp->SelectedCell, 0);
    EXPECT_EQ(frmBmp->SelectedEntry(), 0);
    EXPECT_EQ(StripPixel(67, 1), kStripSilver);
    EXPECT_EQ(StripPixel(199, 1), kStripSilver);
}

TEST_F(BmpStrip, SelectingCellTwoAfterCellOneMovesTheRedFrame)
{
    Clips(3);
    Press(10, 10);
    EXPECT_EQ(StripPixel(1, 1), kSelectionRed);
    EXPECT_EQ(StripPixel(65, 79), kSelectionRed);

    Press(100, 50);
    // Cell 1's frame is silver again; nothing else of cell 1 changed.
    for (int x = 1; x <= 65; ++x) {
        ASSERT_EQ(StripPixel(x, 1), kStripSilver) << x;
        ASSERT_EQ(StripPixel(x, 79), kStripSilver) << x;
    }
    for (int y = 1; y <= 79; ++y) {
        ASSERT_EQ(StripPixel(1, y), kStripSilver) << y;
        ASSERT_EQ(StripPixel(65, y), kStripSilver) << y;
    }
    EXPECT_EQ(StripPixel(3, 16), EntryColour(3));

    // Cell 2's frame: the closed rectangle (67, 1)-(131, 79), one pixel wide.
    for (int x = 67; x <= 131; ++x) {
        ASSERT_EQ(StripPixel(x, 1), kSelectionRed) << x;
        ASSERT_EQ(StripPixel(x, 79), kSelectionRed) << x;
        ASSERT_NE(StripPixel(x, 0), kSelectionRed) << x;
        ASSERT_NE(StripPixel(x, 80), kSelectionRed) << x;
    }
    for (int y = 1; y <= 79; ++y) {
        ASSERT_EQ(StripPixel(67, y), kSelectionRed) << y;
        ASSERT_EQ(StripPixel(131, y), kSelectionRed) << y;
        ASSERT_NE(StripPixel(66, y), kSelectionRed) << y;
        ASSERT_NE(StripPixel(132, y), kSelectionRed) << y;
    }
    for (int y = 2; y <= 78; ++y) {
        ASSERT_NE(StripPixel(68, y), kSelectionRed) << y;
        ASSERT_NE(StripPixel(130, y), kSelectionRed) << y;
    }

    // A press on the cell already selected draws nothing: a mark put on the
    // frame survives it.
    {
        ui::MemoryDc dc(CreateCompatibleDC(nullptr));
        ui::SelectGuard sel(dc.get(), frmBmp->imBmps.Picture());
        SetPixel(dc.get(), 67, 1, RGB(0, 0, 255));
    }
    Press(120, 100);
    EXPECT_EQ(StripPixel(67, 1), RGB(0, 0, 255));
}
