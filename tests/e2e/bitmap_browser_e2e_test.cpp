// The bitmap browser driven as a user would: the real program opened on three
// bitmap clips from an earlier run, a clip double-clicked, and the clipboard
// read by this process.
#include "bar/bar_fixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace testing_support;

namespace {

// Every pixel its own colour.
COLORREF Coded(int x, int y)
{
    return RGB(x * 5, y * 9, (x * 7 + y * 13) & 0xFF);
}

// A 24-bit BMP file, bottom row first.
std::string BmpFile(int width, int height, COLORREF (*colour)(int, int))
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = static_cast<DWORD>(stride * height);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
    data.append(reinterpret_cast<const char*>(&ih), sizeof ih);
    std::string rows(ih.biSizeImage, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, height - 1 - y);
            char* p = &rows[static_cast<size_t>(y * stride + 3 * x)];
            p[0] = static_cast<char>(GetBValue(c));
            p[1] = static_cast<char>(GetGValue(c));
            p[2] = static_cast<char>(GetRValue(c));
        }
    return data + rows;
}

// A 64-byte bitmap catalogue record naming a content file.
std::string Record(const std::string& fileName)
{
    std::string r(64, '\0');
    r[0] = static_cast<char>(fileName.size());
    std::memcpy(&r[1], fileName.data(), fileName.size());
    return r;
}

HWND ChildOfClass(HWND parent, const char* cls)
{
    HWND found = nullptr;
    testing_support::EachChildWindow(parent, [&](HWND h) {
        char name[64];
        if (GetClassNameA(h, name, sizeof name) && lstrcmpA(name, cls) == 0)
            found = h;
        return !found;
    });
    return found;
}

void Click(HWND h, int x, int y, bool twice = false)
{
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(h, WM_LBUTTONUP, 0, at);
    if (twice) {
        PostMessageA(h, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageA(h, WM_LBUTTONUP, 0, at);
    }
}

} // namespace

TEST(BitmapBrowserE2E, ADoubleClickedClipGoesBackToTheClipboardOnce)
{
    TempFolder folder;
    const std::string temp = folder.Path() + "temp\\";
    CreateDirectoryA(temp.c_str(), nullptr);
    CreateDirectoryA((folder.Path() + "stash").c_str(), nullptr);
    WriteFileBytes(temp + "clip0001.bmp", BmpFile(30, 20, [](int, int) { return RGB(0, 0, 255); }));
    WriteFileBytes(temp + "clip0002.bmp", BmpFile(37, 23, Coded));
    WriteFileBytes(temp + "clip0003.bmp", BmpFile(30, 20, [](int, int) { return RGB(255, 0, 0); }));
    WriteFileBytes(temp + "bmpclips.dat", Record("clip0001.bmp") + Record("clip0002.bmp") + Record("clip0003.bmp"));

    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1", true)) != nullptr; }, 20000));
    ASSERT_TRUE(bar_testing::WriteClipboardText(nullptr, "from the test"));
    // Another program's viewer first in the chain, passing the notice of the
    // copy back on late.
    CountingViewer front;

    // "View bitmap clips": the bar's third button, at (72, 6).
    HWND butBmp = ChildWindowFromPointEx(bar, POINT{72 + 12, 6 + 12}, CWP_SKIPINVISIBLE);
    ASSERT_NE(butBmp, bar);
    Click(butBmp, 12, 12);
    HWND browser = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (browser = program.FindWindowOfClass("TfrmBmp", true)) != nullptr; }));
    // The browser stands in for the bar while it is active.
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(bar); }, 5000));

    // The middle cell shows entry 2 of 3.
    HWND strip = ChildOfClass(browser, "TidemarkStripImage");
    ASSERT_NE(strip, nullptr);
    RECT r;
    GetClientRect(strip, &r);
    EXPECT_EQ(r.right, 3 * 66 + 2);
    Click(strip, 66 + 30, 40, true);
    ASSERT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_BITMAP) != FALSE; }));

    ASSERT_TRUE(OpenClipboardPatiently());
    HBITMAP bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info{};
    GetObjectA(bmp, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 37);
    EXPECT_EQ(info.bmHeight, 23);
    std::vector<std::uint32_t> pixels(37 * 23);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 37, -23, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bmp, 0, 23, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    CloseClipboard();
    int wrong = 0;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const COLORREF c = Coded(x, y);
            const auto want = static_cast<std::uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
            wrong += (pixels[static_cast<size_t>(y * 37 + x)] & 0xFFFFFFu) != want;
        }
    EXPECT_EQ(wrong, 0);

    // The copy back was not captured, the next copy by another program is:
    // at exit the recent catalogue holds the three clips and that one.
    EXPECT_TRUE(PumpUntil([&] { return front.draws == 1; }, 5000));
    CopyBitmap(ColourBitmap(10, 10, RGB(0, 200, 0), 0));
    EXPECT_TRUE(PumpUntil([&] { return SortedFileNames(temp + "clip*.bmp").size() == 4; }, 5000));
    PostMessageA(browser, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) != FALSE; }, 5000));
    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    EXPECT_EQ(ReadFileBytes(temp + "bmpclips.dat").size(), 4u * 64u);
}
