// A bitmap clip's road: copied by another program, shown in the bitmap
// browser opened from the bar, put back on the clipboard with a double-click,
// and not captured a second time.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

using namespace testing_support;

class BitmapScenario : public ScenarioTest {};

namespace {

constexpr int kWidth = 40, kHeight = 30;
const COLORREF kQuadrants[4] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200), RGB(250, 250, 20)};
const COLORREF kCorner = RGB(7, 77, 177);

// Four coloured quadrants and an odd top-left pixel, in the display's format.
HBITMAP QuadrantBitmap()
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int q = 0; q < 4; ++q) {
        const RECT r{q % 2 * kWidth / 2, q / 2 * kHeight / 2, (q % 2 + 1) * kWidth / 2, (q / 2 + 1) * kHeight / 2};
        HBRUSH brush = CreateSolidBrush(kQuadrants[q]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SetPixel(dc, 0, 0, kCorner);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

std::string WaitForBitmapFile(const RunningProgram& program)
{
    std::string name;
    PumpUntil(
        [&] {
            const std::vector<std::string> files = ContentFilesIn(program.Folder() + "temp\\", "bmp");
            if (files.empty())
                return false;
            name = files.front();
            return true;
        },
        kReactionTimeoutMs);
    return name;
}

} // namespace

TEST_F(BitmapScenario, ABitmapGoesBackToTheClipboardFromTheBrowserOnce)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    CopyBitmap(QuadrantBitmap());
    ASSERT_FALSE(WaitForBitmapFile(program).empty());
    // An empty clipboard is not a clip; the copy-back must fill it.
    EmptyTheClipboard();

    ASSERT_TRUE(program.ClickBarButton(bar_layout::butBmp));
    HWND browser = program.WaitForWindow("TfrmBmp");
    ASSERT_NE(browser, nullptr);
    HWND strip = FirstChildOfClass(browser, "TidemarkStripImage", true);
    ASSERT_NE(strip, nullptr);

    // A press on the first cell's thumbnail frames the cell in red; a
    // double-click copies it.
    const POINT cell = OnScreen(strip, {33, 45});
    ClickAt(cell);
    EXPECT_TRUE(PumpUntil([&] { return ScreenColour(strip, {20, 1}) == RGB(255, 0, 0); }, kReactionTimeoutMs));
    DoubleClickAt(cell);
    ASSERT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_BITMAP) != FALSE; }, kReactionTimeoutMs));
    const ClipboardPixels back = ReadClipboardBitmap();
    ASSERT_EQ(back.width, kWidth);
    ASSERT_EQ(back.height, kHeight);
    EXPECT_EQ(back.At(0, 0), kCorner);
    EXPECT_EQ(back.At(kWidth / 2 - 1, 1), kQuadrants[0]);
    EXPECT_EQ(back.At(kWidth - 1, 0), kQuadrants[1]);
    EXPECT_EQ(back.At(0, kHeight - 1), kQuadrants[2]);
    EXPECT_EQ(back.At(kWidth - 1, kHeight - 1), kQuadrants[3]);
    EXPECT_EQ(back.At(kWidth / 2, kHeight / 2), kQuadrants[3]);

    // Closing the browser by its close box brings the bar back.
    ASSERT_TRUE(ClickCloseBox(browser));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(program.Bar()) != FALSE; }, kReactionTimeoutMs));
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "bmp").size(), 1u);
    EXPECT_EQ(CatalogueRecords<store::BitmapClipEntry>(folder.Path() + "temp\\bmpclips.dat").size(), 1u);
}
