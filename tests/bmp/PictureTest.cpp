#include "bmp/BmpFormat.h"
#include "ui/Errors.h"
#include "ui/Handles.h"
#include "ui/Picture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>

using ui::Picture;

namespace {

COLORREF Pattern(int x, int y)
{
    return RGB((x * 7) & 0xFF, (y * 13) & 0xFF, (x + y * 3) & 0xFF);
}

// A device bitmap of the display's format, set in one SetDIBits.
ui::Bitmap ScreenBitmap(int width, int height, COLORREF (*colour)(int, int) = Pattern)
{
    ui::WindowDc screen(nullptr);
    ui::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return bitmap;
}

// Pixel (x, y), counted from the top, of a 1, 8 or 24-bit BMP file.
COLORREF FilePixel(const std::vector<std::uint8_t>& file, int x, int y)
{
    const bmp::BmpImage image = bmp::DecodeBmp(file);
    const int row = image.topDown ? y : image.height - 1 - y;
    const std::uint8_t* p = image.pixels.data() + static_cast<std::size_t>(row) * image.stride;
    if (image.bitsPerPixel == 24)
        return RGB(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
    const int index = image.bitsPerPixel == 8 ? p[x] : (p[x / 8] >> (7 - x % 8)) & 1;
    const std::uint8_t* q = image.colourTable.data() + index * image.colourEntrySize;
    return RGB(q[2], q[1], q[0]);
}

// What a copy back puts on the clipboard (CF_DIB), as a BMP file again.
std::vector<std::uint8_t> CopiedBack(const Picture& picture)
{
    ui::GlobalMemory dib(picture.CreateClipboardDib());
    ui::GlobalLockGuard lock(dib.get());
    const auto* bytes = static_cast<const std::uint8_t*>(lock.get());
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
    const std::size_t size = GlobalSize(dib.get());
    const auto fileSize = static_cast<std::uint32_t>(bmp::kBmpFileHeaderSize + size);
    const auto offset = static_cast<std::uint32_t>(bmp::BmpPixelOffset(info->biBitCount));
    std::vector<std::uint8_t> file(fileSize);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(file.data() + 2, &fileSize, 4);
    std::memcpy(file.data() + 10, &offset, 4);
    std::memcpy(file.data() + bmp::kBmpFileHeaderSize, bytes, size);
    return file;
}

std::vector<std::uint8_t> Table8()
{
    std::vector<std::uint8_t> table(4 * 256);
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = static_cast<std::uint8_t>(i);            // blue
        table[4 * i + 1] = static_cast<std::uint8_t>(255 - i);  // green
        table[4 * i + 2] = static_cast<std::uint8_t>(i / 2);    // red
    }
    return table;
}

COLORREF TableColour(const std::vector<std::uint8_t>& table, int index)
{
    return RGB(table[4 * index + 2], table[4 * index + 1], table[4 * index]);
}

ui::Palette PaletteOf(const std::vector<std::uint8_t>& table)
{
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        log->palPalEntry[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    return ui::Palette(CreatePalette(log));
}

// The AppError text an action ends with, or "" when it ends normally.
std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ui::AppError& e) {
        return e.what();
    }
    return "";
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "tidemark_bmp_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
        target_.reset(CreateBitmap(60, 60, 1, 32, nullptr));
        dc_.reset(CreateCompatibleDC(nullptr));
        oldBitmap_ = SelectObject(dc_.get(), target_.get());
    }
    void TearDown() override
    {
        SelectObject(dc_.get(), oldBitmap_);
        WIN32_FIND_DATAA found;
        ui::FindHandle find(FindFirstFileA((dir_ + "*.bmp").c_str(), &found));
        if (find) {
            do
                DeleteFileA((dir_ + found.cFileName).c_str());
            while (FindNextFileA(find.get(), &found));
        }
        find.reset();
        RemoveDirectoryA(dir_.c_str());
    }

    std::string Path(const std::string& name) const { return dir_ + name; }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        ui::FileHandle file(CreateFileA(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        return Path(name);
    }

    std::vector<std::uint8_t> Read(const std::string& name) const
    {
        ui::FileHandle file(CreateFileA(Path(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        std::vector<std::uint8_t> bytes(GetFileSize(file.get(), nullptr));
        DWORD read = 0;
        EXPECT_TRUE(ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr));
        return bytes;
    }

    // The 60 x 60 true-colour target that thumbnails are drawn into.
    HDC Target() const { return dc_.get(); }
    COLORREF TargetPixel(int x, int y) const { return GetPixel(dc_.get(), x, y); }

    std::string dir_;
    ui::Bitmap target_;
    ui::MemoryDc dc_;
    HGDIOBJ oldBitmap_ = nullptr;
};

TEST_F(PictureTest, OddWidthLosesItsRightmostColumnOnly)
{
    for (auto [width, trimmed] : {std::pair{101, 100}, {100, 100}, {1, 1}, {3, 2}}) {
        ui::Bitmap source = ScreenBitmap(width, 5);
        Picture picture;
        picture.AssignFromClipboardBitmap(source.get(), nullptr);
        picture.TrimOddWidth();
        EXPECT_EQ(picture.Width(), trimmed);
        EXPECT_EQ(picture.Height(), 5);

        const auto file = picture.EncodeBmp();
        ASSERT_EQ(bmp::DecodeBmp(file).width, trimmed);
        for (auto [x, y] : {std::pair{0, 0}, {trimmed - 1, 0}, {trimmed - 1, 4}})
            EXPECT_EQ(FilePixel(file, x, y), Pattern(x, y)) << width << " at " << x << "," << y;
    }
}

TEST_F(PictureTest, PixelsSurviveCaptureSaveAndLoadAtDisplayDepth)
{
    ui::WindowDc screen(nullptr);
    const int depth = GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
    ui::Bitmap source = ScreenBitmap(66, 41);
    Picture captured;
    captured.AssignFromClipboardBitmap(source.get(), nullptr);
    // A bitmap of the display's format is held as the rows its file gets.
    EXPECT_EQ(captured.BitsPerPixel(), depth >= 16 ? 24 : depth);
    const auto written = captured.EncodeBmp();
    const bmp::BmpImage image = bmp::DecodeBmp(written);
    EXPECT_EQ(image.bitsPerPixel, depth == 16 || depth == 32 ? 24 : depth);
    EXPECT_EQ(written.size(), 54u + 200u * 41u);  // 66 x 3 bytes padded to 200
    captured.SaveToFile(Path("clip0001.bmp"));

    Picture loaded;
    loaded.LoadFromFile(Path("clip0001.bmp"));
    EXPECT_EQ(loaded.Width(), 66);
    EXPECT_EQ(loaded.Height(), 41);
    EXPECT_EQ(loaded.PaletteHandle(), nullptr);
    EXPECT_EQ(loaded.CreatePaletteCopy(), nullptr);
    EXPECT_EQ(loaded.EncodeBmp(), written);

    // Back on the clipboard: the file's own rows, byte for byte.
    const auto file = CopiedBack(loaded);
    EXPECT_EQ(file, written);
    for (auto [x, y] : {std::pair{0, 0}, {65, 0}, {0, 40}, {65, 40}, {33, 17}})
        EXPECT_EQ(FilePixel(file, x, y), Pattern(x, y)) << x << "," << y;
}

// The bar captures every picture through one scratch picture, which keeps its
// rows for the next capture of the same size: each file must hold its own
// picture, whatever the scratch held before.
TEST_F(PictureTest, OneScratchPictureStoresEachCaptureWhateverItHeldBefore)
{
    auto other = [](int x, int y) { return RGB((y * 5) & 0xFF, 200, (x * 11) & 0xFF); };
    Picture scratch;
    // Saves the scratch as the bar does and checks the file's pixels.
    auto expectSaved = [&](const char* what, int width, int height, COLORREF (*colour)(int, int)) {
        scratch.SaveToFile(Path("scratch.bmp"));
        const auto file = Read("scratch.bmp");
        const bmp::BmpImage image = bmp::DecodeBmp(file);
        EXPECT_EQ(image.bitsPerPixel, 24) << what;
        if (image.width != width || image.height != height) {
            ADD_FAILURE() << what << ": " << image.width << " x " << image.height;
            return file;
        }
        for (auto [x, y] : {std::pair{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}, {7, 3}})
            EXPECT_EQ(FilePixel(file, x, y), colour(x, y)) << what << " at " << x << "," << y;
        return file;
    };
    ui::Bitmap first = ScreenBitmap(66, 41);
    ui::Bitmap second = ScreenBitmap(66, 41, other);
    scratch.AssignFromClipboardBitmap(first.get(), nullptr);
    const HBITMAP rows = scratch.Handle();
    const auto firstFile = expectSaved("a first capture", 66, 41, Pattern);

    scratch.AssignFromClipboardBitmap(second.get(), nullptr);
    EXPECT_EQ(scratch.Handle(), rows) << "a capture of the same size allocated its rows afresh";
    expectSaved("a second of the same size", 66, 41, other);

    // The first file's rows as a packed DIB, bottom-up and then top-down.
    std::vector<std::uint8_t> dib(firstFile.begin() + bmp::kBmpFileHeaderSize, firstFile.end());
    scratch.AssignFromClipboardDib(dib);
    EXPECT_EQ(scratch.Handle(), rows);
    expectSaved("a DIB", 66, 41, Pattern);
    std::vector<std::uint8_t> topDown(dib.begin(), dib.begin() + bmp::kBmpInfoHeaderSize);
    const std::int32_t rowsDown = -41;
    std::memcpy(topDown.data() + 8, &rowsDown, sizeof rowsDown);
    for (int row = 40; row >= 0; --row) {
        const auto from = dib.begin() + bmp::kBmpInfoHeaderSize + row * 200;
        topDown.insert(topDown.end(), from, from + 200);
    }
    scratch.AssignFromClipboardDib(topDown);
    expectSaved("a top-down DIB", 66, 41, Pattern);
    dib.resize(dib.size() - 1);
    EXPECT_THROW(scratch.AssignFromClipboardDib(dib), ui::AppError);

    // A copy back loads its file into it, of any depth; the next capture is
    // 24-bit again.
    scratch.LoadFromFile(Write("eight.bmp", bmp::EncodeBmp(66, 41, 8, Table8(), std::vector<std::uint8_t>(68 * 41))));
    scratch.AssignFromClipboardBitmap(second.get(), nullptr);
    expectSaved("after an 8-bit file", 66, 41, other);
    std::vector<std::uint8_t> thirtyTwo(54 + 66 * 4 * 41);
    const BITMAPFILEHEADER fileHeader{0x4D42, static_cast<DWORD>(thirtyTwo.size()), 0, 0, 54};
    const BITMAPINFOHEADER infoHeader{40, 66, 41, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(thirtyTwo.data(), &fileHeader, sizeof fileHeader);
    std::memcpy(thirtyTwo.data() + sizeof fileHeader, &infoHeader, sizeof infoHeader);
    scratch.LoadFromFile(Write("thirty-two.bmp", thirtyTwo));
    scratch.AssignFromClipboardBitmap(first.get(), nullptr);
    expectSaved("after a 32-bit file", 66, 41, Pattern);

    ui::Bitmap smaller = ScreenBitmap(40, 20);
    scratch.AssignFromClipboardBitmap(smaller.get(), nullptr);
    expectSaved("another size", 40, 20, Pattern);
}

TEST_F(PictureTest, MonochromeStaysOneBitWithBlackAndWhiteTable)
{
    // 16 x 3, rows of 2 bytes (device bitmaps pad to 16 bits); 1 is white.
    const std::uint8_t bits[] = {0xF0, 0x0F, 0xAA, 0x55, 0x00, 0xFF};
    ui::Bitmap source(CreateBitmap(16, 3, 1, 1, bits));
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);
    EXPECT_EQ(picture.BitsPerPixel(), 1);

    const auto file = picture.EncodeBmp();
    const bmp::BmpImage image = bmp::DecodeBmp(file);
    ASSERT_EQ(image.bitsPerPixel, 1);
    EXPECT_EQ(std::vector<std::uint8_t>(image.colourTable.begin(), image.colourTable.end()),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
    // Bottom-up, each row padded to 4 bytes.
    EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
              (std::vector<std::uint8_t>{0x00, 0xFF, 0, 0, 0xAA, 0x55, 0, 0, 0xF0, 0x0F, 0, 0}));

    // Copied back, it is one bit again, with the same pixels and table.
    picture.SaveToFile(Path("mono.bmp"));
    Picture loaded;
    loaded.LoadFromFile(Path("mono.bmp"));
    EXPECT_EQ(CopiedBack(loaded), file);

    // A 1-bit file in red and blue keeps its colours.
    const std::uint8_t table[] = {0, 0, 255, 0, 255, 0, 0, 0};
    const std::uint8_t redBlue[] = {0x40, 0, 0, 0};
    loaded.LoadFromFile(Write("redblue.bmp", bmp::EncodeBmp(2, 1, 1, table, redBlue)));
    EXPECT_EQ(FilePixel(CopiedBack(loaded), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(FilePixel(CopiedBack(loaded), 1, 0), RGB(0, 0, 255));
}

TEST_F(PictureTest, PaletteBitmapIsDrawnThroughItsPalette)
{
    const auto table = Table8();
    ui::Palette palette = PaletteOf(table);

    // An 8-bit DIB section, which carries its colours itself.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(info.colours, table.data(), table.size());
    void* bits = nullptr;
    ui::Bitmap dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    for (int i = 0; i < 256; ++i)
        static_cast<std::uint8_t*>(bits)[i] = static_cast<std::uint8_t>(i);  // bottom-up
    Picture picture;
    picture.AssignFromClipboardBitmap(dib.get(), palette.get());
    EXPECT_NE(picture.PaletteHandle(), nullptr);
    EXPECT_NE(picture.PaletteHandle(), palette.get());  // a copy: the clipboard owns its palette
    auto file = picture.EncodeBmp();
    for (int index : {0, 77, 255})
        EXPECT_EQ(FilePixel(file, index % 16, 15 - index / 16), TableColour(table, index)) << index;

    // A palette device's 8-bit bitmap: no DC of a true-colour display takes it,
    // and its pixels are the palette's entries.
    std::uint8_t indices[16 * 2];
    for (int i = 0; i < 32; ++i)
        indices[i] = static_cast<std::uint8_t>(i * 8 + 3);
    ui::Bitmap ddb(CreateBitmap(16, 2, 1, 8, indices));
    picture.AssignFromClipboardBitmap(ddb.get(), palette.get());
    file = picture.EncodeBmp();
    for (int i : {0, 5, 17, 31})
        EXPECT_EQ(FilePixel(file, i % 16, i / 16), TableColour(table, i * 8 + 3)) << "pixel " << i;

    // Without a palette, the default one.
    PALETTEENTRY standard[20];
    GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, standard);
    std::uint8_t low[4] = {0, 3, 9, 19};
    ui::Bitmap plain(CreateBitmap(4, 1, 1, 8, low));
    picture.AssignFromClipboardBitmap(plain.get(), nullptr);
    file = picture.EncodeBmp();
    for (int x = 0; x < 4; ++x) {
        const PALETTEENTRY e = standard[low[x]];
        EXPECT_EQ(FilePixel(file, x, 0), RGB(e.peRed, e.peGreen, e.peBlue)) << "index " << int(low[x]);
    }
}

TEST_F(PictureTest, EightBitFileKeepsItsPaletteAndBytes)
{
    std::vector<std::uint8_t> rows(8 * 3);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = i % 8 == 7 ? 0 : static_cast<std::uint8_t>(i * 11);  // padding 0, as GDI writes it
    const auto original = bmp::EncodeBmp(7, 3, 8, Table8(), rows);
    Picture picture;
    picture.LoadFromFile(Write("eight.bmp", original));
    EXPECT_EQ(picture.BitsPerPixel(), 8);
    EXPECT_EQ(picture.EncodeBmp(), original);

    ui::Palette copy(picture.CreatePaletteCopy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), picture.PaletteHandle());
    PALETTEENTRY entries[257]{};
    EXPECT_EQ(GetPaletteEntries(copy.get(), 0, 257, entries), 256u);
    EXPECT_EQ(RGB(entries[200].peRed, entries[200].peGreen, entries[200].peBlue), TableColour(Table8(), 200));

    // Trimmed within its own depth and table, and copied back so: the clipboard
    // gets the indices and the whole table, not the display's colours.
    picture.TrimOddWidth();
    const auto back = CopiedBack(picture);
    EXPECT_EQ(back, picture.EncodeBmp());
    EXPECT_EQ(bmp::DecodeBmp(back).width, 6);
    EXPECT_EQ(bmp::DecodeBmp(back).bitsPerPixel, 8);
    for (auto [x, y] : {std::pair{0, 0}, {5, 0}, {5, 2}})
        EXPECT_EQ(FilePixel(back, x, y), FilePixel(original, x, y));
}

TEST_F(PictureTest, TopDownFileLoadsTheRightWayUp)
{
    // 2 x 2, top row red then green, bottom row blue then white.
    auto file = bmp::EncodeBmp(2, 2, 24, {}, std::vector<std::uint8_t>{
        0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    const std::int32_t topDown = -2;
    std::memcpy(file.data() + 22, &topDown, 4);
    Picture picture;
    picture.LoadFromFile(Write("topdown.bmp", file));
    const auto bottomUp = picture.EncodeBmp();
    EXPECT_EQ(FilePixel(bottomUp, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(FilePixel(bottomUp, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(FilePixel(bottomUp, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(FilePixel(bottomUp, 1, 1), RGB(255, 255, 255));
}

TEST_F(PictureTest, FileErrorsAreReportedAndThePictureKept)
{
    ui::Bitmap source = ScreenBitmap(4, 4);
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);
    const auto before = picture.EncodeBmp();

    EXPECT_EQ(ErrorOf([&] { picture.LoadFromFile(Path("missing.bmp")); }), "Cannot open file " + Path("missing.bmp"));
    auto damaged = before;
    damaged[28] = 7;  // bits per pixel
    auto truncated = before;
    truncated.pop_back();
    for (const auto& bytes : {damaged, truncated, std::vector<std::uint8_t>{}}) {
        const std::string path = Write("bad.bmp", bytes);
        EXPECT_EQ(ErrorOf([&] { picture.LoadFromFile(path); }), "Bitmap image is not valid");
    }
    EXPECT_EQ(picture.EncodeBmp(), before);

    const std::string nowhere = Path("no such folder\\clip0001.bmp");
    EXPECT_EQ(ErrorOf([&] { picture.SaveToFile(nowhere); }), "Cannot create file " + nowhere);

    Picture empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.EncodeBmp(), ui::AppError);
    EXPECT_THROW(GlobalFree(empty.CreateClipboardDib()), ui::AppError);
    EXPECT_THROW(empty.AssignFromClipboardBitmap(nullptr, nullptr), ui::AppError);
    picture.Clear();
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
}

TEST_F(PictureTest, StretchDropsOrRepeatsPixels)
{
    ui::Bitmap source = ScreenBitmap(2, 2, [](int x, int y) {
        return x == 0 ? (y == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255)) : (y == 0 ? RGB(0, 255, 0) : RGB(9, 9, 9));
    });
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);
    SetTextColor(Target(), RGB(255, 0, 0));
    picture.StretchTo(Target(), 0, 0, 60, 60);
    EXPECT_EQ(TargetPixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(TargetPixel(50, 10), RGB(0, 255, 0));
    EXPECT_EQ(TargetPixel(10, 50), RGB(0, 0, 255));
    EXPECT_EQ(TargetPixel(50, 50), RGB(9, 9, 9));
    EXPECT_EQ(GetStretchBltMode(Target()), BLACKONWHITE);  // the caller's mode comes back

    // A monochrome picture draws black and white whatever the DC's colours.
    const std::uint8_t bits[] = {0x80, 0, 0x00, 0};
    ui::Bitmap mono(CreateBitmap(2, 2, 1, 1, bits));
    picture.AssignFromClipboardBitmap(mono.get(), nullptr);
    picture.StretchTo(Target(), 0, 0, 60, 60);
    EXPECT_EQ(TargetPixel(10, 10), RGB(255, 255, 255));
    EXPECT_EQ(TargetPixel(50, 10), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(Target()), RGB(255, 0, 0));
}

// Rows in bands of three, each band its own colour, one pixel wide.
std::vector<std::uint8_t> BandedFile(int height, bool topDown)
{
    std::vector<std::uint8_t> rows(4 * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const int row = topDown ? y : height - 1 - y;  // file row of image row y
        rows[4 * row] = static_cast<std::uint8_t>(y / 3);
        rows[4 * row + 1] = 0x40;
    }
    auto file = bmp::EncodeBmp(1, height, 24, {}, rows);
    const std::int32_t stored = topDown ? -height : height;
    std::memcpy(file.data() + 22, &stored, 4);
    return file;
}

TEST_F(PictureTest, ThumbnailShowsTheRowNearestEachTargetRow)
{
    ui::ThumbnailReader reader;
    for (bool topDown : {false, true}) {
        const SIZE size = reader.Draw(Write("banded.bmp", BandedFile(180, topDown)), Target(), 0, 0, 60, 60);
        EXPECT_EQ(size.cx, 1);
        EXPECT_EQ(size.cy, 180);
        for (int y : {0, 1, 30, 59})
            EXPECT_EQ(TargetPixel(45, y), RGB(0, 0x40, y)) << "row " << y << (topDown ? " top-down" : "");
    }

    // Fewer rows than the target: rows repeat.
    reader.Draw(Write("small.bmp", BandedFile(6, true)), Target(), 0, 0, 60, 60);
    EXPECT_EQ(TargetPixel(5, 2), RGB(0, 0x40, 0));
    EXPECT_EQ(TargetPixel(5, 57), RGB(0, 0x40, 1));

    // Palette files draw through their colour table.
    const auto table = Table8();
    reader.Draw(Write("eight.bmp", bmp::EncodeBmp(2, 1, 8, table, std::vector<std::uint8_t>{10, 200, 0, 0})),
                Target(), 0, 0, 60, 60);
    EXPECT_EQ(TargetPixel(10, 10), TableColour(table, 10));
    EXPECT_EQ(TargetPixel(50, 10), TableColour(table, 200));

    const std::string bad = Write("bad.bmp", {'B', 'M', 0, 0});
    EXPECT_EQ(ErrorOf([&] { reader.Draw(bad, Target(), 0, 0, 60, 60); }), "Bitmap image is not valid");
    EXPECT_EQ(TargetPixel(50, 10), TableColour(table, 200));
}

// This process's GDI objects. Wine does not count them (GetGuiResources gives 0),
// but its handle table is finite: the room left in it tells the same.
long GdiObjectsInUse()
{
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<long>(counted);
    std::vector<HBITMAP> made;
    while (HBITMAP bitmap = made.size() < 1000000 ? CreateBitmap(1, 1, 1, 1, nullptr) : nullptr)
        made.push_back(bitmap);
    for (HBITMAP bitmap : made)
        DeleteObject(bitmap);
    return 1000000 - static_cast<long>(made.size());
}

TEST_F(PictureTest, CyclesLeaveNoGdiObjectsBehind)
{
    ui::Bitmap source = ScreenBitmap(33, 9);
    ui::Bitmap mono(CreateBitmap(9, 9, 1, 1, nullptr));
    ui::Bitmap eightBit(CreateBitmap(9, 9, 1, 8, nullptr));
    ui::Palette palette = PaletteOf(Table8());
    const std::string eight = Write("eight.bmp", bmp::EncodeBmp(5, 4, 8, Table8(), std::vector<std::uint8_t>(32)));
    const std::string bad = Write("bad.bmp", {'B', 'M'});

    auto cycle = [&] {
        Picture picture;
        picture.AssignFromClipboardBitmap(source.get(), nullptr);
        picture.TrimOddWidth();
        picture.SaveToFile(Path("cycle.bmp"));
        picture.StretchTo(Target(), 0, 0, 60, 60);
        picture.AssignFromClipboardBitmap(mono.get(), nullptr);
        picture.TrimOddWidth();
        GlobalFree(picture.CreateClipboardDib());
        picture.AssignFromClipboardBitmap(eightBit.get(), palette.get());
        picture.LoadFromFile(eight);
        picture.TrimOddWidth();
        picture.StretchTo(Target(), 0, 0, 60, 60);
        GlobalFree(picture.CreateClipboardDib());
        DeleteObject(picture.CreatePaletteCopy());
        ui::ThumbnailReader reader;
        reader.Draw(eight, Target(), 0, 0, 60, 60);
        for (const std::string& path : {Path("missing.bmp"), bad}) {
            EXPECT_THROW(picture.LoadFromFile(path), ui::AppError);
            EXPECT_THROW(reader.Draw(path, Target(), 0, 0, 60, 60), ui::AppError);
        }
    };
    cycle();  // first use of a DC allocates some objects for good
    const long before = GdiObjectsInUse();
    for (int i = 0; i < 100; ++i)
        cycle();
    EXPECT_EQ(GdiObjectsInUse(), before);
}

TEST_F(PictureTest, CaptureAndThumbnailTimes)
{
    using Clock = std::chrono::steady_clock;
    auto since = [](Clock::time_point start) {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    ui::Bitmap fullHd = ScreenBitmap(1921, 1080);
    auto start = Clock::now();
    Picture capture;
    capture.AssignFromClipboardBitmap(fullHd.get(), nullptr);
    capture.TrimOddWidth();
    capture.SaveToFile(Path("fullhd.bmp"));
    const double captureMs = since(start);
    ui::Bitmap ultraHd = ScreenBitmap(3840, 2160);
    capture.AssignFromClipboardBitmap(ultraHd.get(), nullptr);
    capture.SaveToFile(Path("ultrahd.bmp"));

    auto browse = [&](const std::string& path) {
        const auto begin = Clock::now();
        ui::ThumbnailReader reader;
        for (int i = 0; i < 10; ++i)
            reader.Draw(path, Target(), 0, 0, 60, 60);
        return since(begin);
    };
    const double fullHdMs = browse(Path("fullhd.bmp"));
    const double ultraHdMs = browse(Path("ultrahd.bmp"));
    start = Clock::now();
    capture.LoadFromFile(Path("ultrahd.bmp"));
    GlobalFree(capture.CreateClipboardDib());
    const double copyBackMs = since(start);

    std::printf("capture 1921x1080 + trim + save: %.1f ms; thumbnails of 10 x 1920x1080: %.1f ms, "
                "of 10 x 3840x2160: %.1f ms; copy back of 3840x2160: %.1f ms\n",
                captureMs, fullHdMs, ultraHdMs, copyBackMs);
    // Generous bounds: these catch a slip into per-pixel work, not a busy machine.
    EXPECT_LT(captureMs, 600);
    EXPECT_LT(fullHdMs, 1500);
    EXPECT_LT(ultraHdMs, 5000);
}

} // namespace
