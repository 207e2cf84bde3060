// Shared by the bitmap browser's tests: the program's windows built in a
// folder of the test's own, boxes recorded instead of shown, strip pixels.
#pragma once

#include "app/Forms.h"
#include "bar/bar_fixture.h"
#include "browsers/BitmapBrowser.h"
#include "bmp/BmpFormat.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bmptest {

// The strip picture's pixel at (x, y), read in-process.
inline COLORREF StripPixel(int x, int y)
{
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    ui::SelectGuard sel(dc.get(), frmBmp->imBmps.Picture());
    return GetPixel(dc.get(), x, y);
}

inline SIZE StripSize()
{
    BITMAP info{};
    GetObjectA(frmBmp->imBmps.Picture(), sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

inline int WindowWidth(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return r.right - r.left;
}

inline void Press(int x, int y, UINT msg = WM_LBUTTONDOWN)
{
    SendMessageA(frmBmp->imBmps.Handle(), msg, msg == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON,
                 MAKELPARAM(x, y));
}

// A 24-bit BMP file whose pixel (x, y), y from the top, is colour(x, y).
inline std::vector<std::uint8_t> MakeBmp(int width, int height, const std::function<COLORREF(int, int)>& colour)
{
    std::vector<std::uint8_t> file = bmp::MakeBmpFile(width, height, 24, {});
    const auto stride = static_cast<size_t>(bmp::BmpStride(width, 24));
    std::uint8_t* rows = file.data() + bmp::BmpPixelOffset(24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
    return file;
}

inline std::vector<std::uint8_t> SolidBmp(int width, int height, COLORREF c)
{
    return MakeBmp(width, height, [c](int, int) { return c; });
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    testing_support::WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
}

// A new clip: its content file written and an entry appended, as the monitor
// (recent) or a stash (saved) would leave them. Returns the file's path.
inline std::string AddClip(const std::vector<std::uint8_t>& file, bool saved = false)
{
    static int counter = 0;
    char name[16];
    wsprintfA(name, "clip%04X.bmp", ++counter);
    const std::string path = (saved ? store::StashDir : store::TempDir) + name;
    WriteBytes(path, file);
    if (saved)
        store::Append(store::SavedBitmapCatalogue).FileName.Assign(name);
    else
        store::AddBitmapClip(name);
    return path;
}

// The program's windows with empty catalogues; boxes are recorded.
class BrowserTest : public bar_testing::BarTest {
protected:
    void SetUp() override
    {
        BarTest::SetUp();
        Start();
        store::ResetCatalogues();
        boxes.clear();  // whatever start-up reported is not the test's business
    }
    void TearDown() override
    {
        Release();
        store::ResetCatalogues();
        BarTest::TearDown();
    }
};

} // namespace bmptest
