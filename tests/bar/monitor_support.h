// Shared by the monitor's tests: writing the clipboard as another program
// does, bitmaps to put there, and reading back the BMP files the monitor wrote.
#pragma once

#include "app/Forms.h"
#include "app/Program.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "store/Catalogues.h"
#include "store/DateTime.h"
#include "store/StoreFiles.h"
#include "support/ClipboardSupport.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Errors.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace monitor_test {

using namespace testing_support;

// A 1-bit bitmap whose top row is black from column 0 to `blackTo` and whose
// other pixels are white.
inline HBITMAP MonochromeBitmap(int width, int height, int blackTo)
{
    const int stride = (width + 15) / 16 * 2;
    std::string bits(static_cast<std::size_t>(stride * height), '\xFF');
    for (int x = 0; x <= blackTo; ++x)
        bits[static_cast<std::size_t>(x / 8)] &= static_cast<char>(~(0x80 >> (x % 8)));
    return CreateBitmap(width, height, 1, 1, bits.data());
}

// The fields of a BMP file the tests look at; zero when the file is too short.
struct BmpHeaders {
    std::string magic;
    uint32_t fileSize = 0, pixelOffset = 0, infoSize = 0, imageSize = 0, colorsUsed = 0;
    int32_t width = 0, height = 0;
    uint16_t planes = 0, bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t Stride() const { return (static_cast<uint32_t>(width) * bitsPerPixel + 31) / 32 * 4; }
};

inline BmpHeaders ReadBmpHeaders(const std::string& file)
{
    BmpHeaders h;
    if (file.size() < 54)
        return h;
    auto u32 = [&](std::size_t at) {
        uint32_t v;
        std::memcpy(&v, file.data() + at, 4);
        return v;
    };
    auto u16 = [&](std::size_t at) {
        uint16_t v;
        std::memcpy(&v, file.data() + at, 2);
        return v;
    };
    h.magic = file.substr(0, 2);
    h.fileSize = u32(2);
    h.pixelOffset = u32(10);
    h.infoSize = u32(14);
    h.width = static_cast<int32_t>(u32(18));
    h.height = static_cast<int32_t>(u32(22));
    h.planes = u16(26);
    h.bitsPerPixel = u16(28);
    h.compression = u32(30);
    h.imageSize = u32(34);
    h.colorsUsed = u32(46);
    return h;
}

// Blue, green, red of a 24-bit pixel (x, y counted from the top) of a BMP file.
inline COLORREF Pixel24(const std::string& file, const BmpHeaders& h, int x, int y)
{
    std::size_t at = h.pixelOffset + static_cast<std::size_t>(h.height - 1 - y) * h.Stride() + 3u * x;
    if (at + 3 > file.size())
        return CLR_INVALID;
    auto b = static_cast<unsigned char>(file[at]), g = static_cast<unsigned char>(file[at + 1]),
         r = static_cast<unsigned char>(file[at + 2]);
    return RGB(r, g, b);
}


struct Box {
    std::string text, caption;
};

// The program's five windows built in a folder of the test's own, the bar in
// the viewer chain, boxes recorded instead of shown.
class ProgramFormsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedBox_ = ui::App.Box;
        ui::App.Box = [this](const std::string& text, const std::string& caption, UINT) {
            boxes.push_back({text, caption});
            return IDOK;
        };
        ui::App.ExeNameOverride = folder.Path() + "tidemark.exe";
        store::ResetCatalogues();
        store::SetClock(nullptr);
        EmptyTheClipboard();
        BeforeForms();
        app::CreateProgramForms();
    }
    void TearDown() override
    {
        app::ReleaseProgramForms();
        AfterForms();
        CaptureSuppressed = false;
        EmptyTheClipboard();
        store::ResetCatalogues();
        store::SetClock(nullptr);
        ui::App.ExeNameOverride.clear();
        ui::App.Box = savedBox_;
    }
    // For viewers that must join the chain before the bar, and leave after it.
    virtual void BeforeForms() {}
    virtual void AfterForms() {}

    static std::string TempDir() { return store::TempDir; }
    static std::string TempFile(const store::TextClipEntry& e) { return store::TempDir + e.FileName.Text(); }
    static std::string TempFile(const store::BitmapClipEntry& e) { return store::TempDir + e.FileName.Text(); }
    static const store::TextClipEntry& NewestText()
    {
        return store::RecentTextCatalogue.Entries[store::RecentTextCatalogue.Count];
    }
    static const store::BitmapClipEntry& NewestBitmap()
    {
        return store::RecentBitmapCatalogue.Entries[store::RecentBitmapCatalogue.Count];
    }
    // A change whose notice reaches the bar while another program holds the
    // clipboard: the bar answers at once, and looks again later. The holder
    // lets go when the result does.
    static std::unique_ptr<ClipboardHeld> NoticeWhileHeld(const std::function<void(ClipboardWrite&)>& put)
    {
        {
            ClipboardWrite write(ClipboardWrite::NoticeLater);
            put(write);
        }
        auto held = std::make_unique<ClipboardHeld>();
        const DWORD start = GetTickCount();
        DeliverClipboardNotices();
        EXPECT_LT(GetTickCount() - start, 150u);
        return held;
    }
    // The content files in TempDir, sorted.
    static std::vector<std::string> ContentFiles() { return SortedFileNames(store::TempDir + "clip*"); }
    static int Captured() { return store::RecentTextCatalogue.Count + store::RecentBitmapCatalogue.Count; }

    testing_support::TempFolder folder;
    std::vector<Box> boxes;

private:
    ui::Application::BoxHandler savedBox_;
};

} // namespace monitor_test
