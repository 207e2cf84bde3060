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

namespace {

RECT WindowRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT WorkArea()
{
    RECT r{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

} // namespace

TEST_F(BitmapScenario, ABrowserFromABarInTheCornerStaysOnScreenAndComesBackAfterAMinimise)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const RECT work = WorkArea();
    const RECT bar = WindowRect(program.Bar());
    const int barLeft = work.right - (bar.right - bar.left) - 4, barTop = work.bottom - (bar.bottom - bar.top) - 4;
    ASSERT_TRUE(SetWindowPos(program.Bar(), nullptr, barLeft, barTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER));

    // Moved just enough to fit: its right and bottom edges on the screen's.
    ASSERT_TRUE(program.ClickBarButton(bar_layout::butBmp));
    const HWND browser = program.WaitForWindow("TfrmBmp");
    ASSERT_NE(browser, nullptr);
    const RECT placed = WindowRect(browser);
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.bottom, work.bottom);
    EXPECT_LT(placed.left, barLeft);
    EXPECT_LT(placed.top, barTop);

    // Moved away by the user, a capture puts it back there.
    SetWindowPos(browser, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CopyBitmap(QuadrantBitmap());
    ASSERT_FALSE(WaitForBitmapFile(program).empty());
    ASSERT_TRUE(PumpUntil([&] { return SameRect(WindowRect(browser), placed); }, kReactionTimeoutMs));

    // Its minimise box takes the program down to the taskbar button, which
    // brings the browser back as it was.
    const HWND application = FindWindowA("TidemarkApplication", nullptr);
    PostMessageA(browser, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(browser) && IsIconic(application); }, kReactionTimeoutMs));
    EXPECT_FALSE(IsWindowVisible(program.Bar()));
    PostMessageA(application, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(browser) != FALSE; }, kReactionTimeoutMs));
    EXPECT_FALSE(IsIconic(browser));
    EXPECT_TRUE(SameRect(WindowRect(browser), placed));
    EXPECT_FALSE(IsWindowVisible(program.Bar()));

    // Down again, a second start brings it back too.
    PostMessageA(browser, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(browser); }, kReactionTimeoutMs));
    RunningProgram second(folder.Path());
    ASSERT_TRUE(second.Launch());
    EXPECT_EQ(second.WaitForExit(), 0u);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(browser) != FALSE; }, kReactionTimeoutMs));
    EXPECT_FALSE(IsIconic(browser));

    ASSERT_TRUE(ClickCloseBox(browser));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(program.Bar()) != FALSE; }, kReactionTimeoutMs));
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
}

TEST_F(BitmapScenario, TheStripAnswersTheKeyboard)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    for (COLORREF fill : {RGB(250, 0, 0), RGB(0, 250, 0), RGB(0, 0, 250)}) {
        const size_t before = ContentFilesIn(folder.Path() + "temp\\", "bmp").size();
        CopyBitmap(ColourBitmap(20, 10, fill, fill));
        ASSERT_TRUE(PumpUntil([&] { return ContentFilesIn(folder.Path() + "temp\\", "bmp").size() > before; },
                              kReactionTimeoutMs));
    }
    EmptyTheClipboard();
    ASSERT_TRUE(program.ClickBarButton(bar_layout::butBmp));
    const HWND browser = program.WaitForWindow("TfrmBmp");
    ASSERT_NE(browser, nullptr);
    const HWND strip = FirstChildOfClass(browser, "TidemarkStripImage", true);
    ASSERT_NE(strip, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == browser; }, kReactionTimeoutMs));
    auto framed = [&](int cell) {
        return PumpUntil([&] { return ScreenColour(strip, {(cell - 1) * 66 + 20, 1}) == RGB(255, 0, 0); },
                         kReactionTimeoutMs);
    };

    // End frames the last (oldest, red) cell, Left the one before it, Home
    // the first; Right from there the second, green, which Enter copies.
    ASSERT_TRUE(XdoKeys("End"));
    EXPECT_TRUE(framed(3));
    ASSERT_TRUE(XdoKeys("Left"));
    EXPECT_TRUE(framed(2));
    ASSERT_TRUE(XdoKeys("Home"));
    EXPECT_TRUE(framed(1));
    ASSERT_TRUE(XdoKeys("Right"));
    EXPECT_TRUE(framed(2));
    ASSERT_TRUE(XdoKeys("Return"));
    ASSERT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_BITMAP) != FALSE; }, kReactionTimeoutMs));
    EXPECT_EQ(ReadClipboardBitmap().At(5, 5), RGB(0, 250, 0));

    // Shift+F10 opens the clip's menu; Delete deletes the selected clip.
    ASSERT_TRUE(XdoKeys("shift+F10"));
    const HWND menu = program.WaitForWindow("#32768");
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(menu));
    ASSERT_TRUE(XdoKeys("Delete"));
    ASSERT_TRUE(PumpUntil(
        [&] { return CatalogueRecords<store::BitmapClipEntry>(folder.Path() + "temp\\bmpclips.dat").size() == 2; },
        kReactionTimeoutMs));
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "bmp").size(), 2u);

    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(browser));
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
}

// The 32-bit program a user downloads stores each picture exactly as the
// 64-bit one does: both run side by side from their zips and capture the same
// copies, at every depth a DIB comes in, odd widths and even.
TEST_F(BitmapScenario, TheTwoProgramsFromTheZipsStoreEveryPictureByteForByteAlike)
{
    const std::string packages = ModuleDir() + "..\\package\\";
    TempFolder folder32, folder64;
    RunningProgram program32(folder32.Path(), packages + "win32\\tidemark.exe");
    RunningProgram program64(folder64.Path(), packages + "win64\\tidemark.exe");
    ASSERT_TRUE(program32.Start()) << "no unpacked win32 zip in " << packages;
    ASSERT_TRUE(program64.Start()) << "no unpacked win64 zip in " << packages;
    const auto catalogue = [](const TempFolder& folder) {
        return CatalogueRecords<store::BitmapClipEntry>(folder.Path() + "temp\\bmpclips.dat");
    };

    std::size_t copies = 0;
    for (const int bitsPerPixel : {1, 4, 8, 24, 32})
        for (const int width : {101, 100}) {
            HBITMAP picture = ColourBitmap(width, 50, RGB(200, 40, 10), RGB(0, 0, 0));
            {
                ClipboardWrite write;
                write.Dib(picture, bitsPerPixel);
            }
            DeleteObject(picture);
            ++copies;
            // Two captures at once, each waiting for the chain's notice.
            ASSERT_TRUE(PumpUntil([&] { return catalogue(folder32).size() == copies &&
                                               catalogue(folder64).size() == copies; },
                                  2 * kReactionTimeoutMs))
                << bitsPerPixel << " bits, " << width << " wide; boxes: "
                << program32.WaitForMessageBox("orv Tidemark", 0).text << " / "
                << program64.WaitForMessageBox("orv Tidemark", 0).text;
        }

    const auto entries32 = catalogue(folder32);
    const auto entries64 = catalogue(folder64);
    for (std::size_t i = 0; i < copies; ++i) {
        const std::string file32 = ReadFileBytes(folder32.Path() + "temp\\" + entries32[i].FileName.Text());
        const std::string file64 = ReadFileBytes(folder64.Path() + "temp\\" + entries64[i].FileName.Text());
        EXPECT_FALSE(file64.empty()) << i;
        EXPECT_TRUE(file32 == file64) << "the programs stored clip " << i << " differently";
    }
    // The bars share their place; the later one lies on top.
    ASSERT_TRUE(program64.Exit());
    EXPECT_EQ(program64.WaitForExit(), 0u);
    ASSERT_TRUE(program32.Exit());
    EXPECT_EQ(program32.WaitForExit(), 0u);
}
