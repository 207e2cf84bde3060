#include "store/BmpFormat.h"
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

int DisplayDepth()
{
    ui::WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

// A device bitmap of the display's format, its pixels set in one SetDIBits.
ui::Bitmap ScreenBitmap(int width, int height, const std::function<COLORREF(int, int)>& colour = Pattern)
{
    ui::WindowDc screen(nullptr);
    ui::Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            pixels[static_cast<std::size_t>(y) * width + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
        }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return bitmap;
}

// The colour of pixel (x, y), counted from the top, of a BMP file we wrote.
COLORREF FilePixel(const std::vector<std::uint8_t>& file, int x, int y)
{
    const store::BmpImage image = store::DecodeBmp(file);
    const int row = image.topDown ? y : image.height - 1 - y;
    const std::uint8_t* p = image.pixels.data() + static_cast<std::size_t>(row) * image.stride;
    std::size_t index = 0;
    switch (image.bitsPerPixel) {
    case 24:
        return RGB(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
    case 8:
        index = p[x];
        break;
    case 4:
        index = (p[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
        break;
    case 1:
        index = (p[x / 8] >> (7 - x % 8)) & 1;
        break;
    default:
        ADD_FAILURE() << "no test reader for " << image.bitsPerPixel << " bits";
        return CLR_INVALID;
    }
    const std::uint8_t* q = image.colourTable.data() + index * image.colourEntrySize;
    return RGB(q[2], q[1], q[0]);
}

// Pixel of a DIB section drawn into, read back through a memory DC.
COLORREF DcPixel(HDC dc, int x, int y)
{
    return GetPixel(dc, x, y) & 0xFFFFFF;
}

std::vector<std::uint8_t> Grey8Table()
{
    std::vector<std::uint8_t> table(4 * 256);
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = static_cast<std::uint8_t>(i);            // blue
        table[4 * i + 1] = static_cast<std::uint8_t>(255 - i);  // green
        table[4 * i + 2] = static_cast<std::uint8_t>(i / 2);    // red
    }
    return table;
}

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        dir_ = std::string(temp) + "tidemark_bmp_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override
    {
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

    void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) const
    {
        ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }

    std::vector<std::uint8_t> ReadBytes(const std::string& path) const
    {
        ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(file);
        std::vector<std::uint8_t> bytes(GetFileSize(file.get(), nullptr));
        DWORD read = 0;
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        return bytes;
    }

    std::string dir_;
};

TEST_F(PictureTest, OddWidthLosesItsRightmostColumnOnly)
{
    struct Case {
        int width, trimmed;
    };
    for (const Case c : {Case{101, 100}, Case{100, 100}, Case{1, 1}, Case{3, 2}}) {
        ui::Bitmap source = ScreenBitmap(c.width, 5);
        Picture picture;
        picture.AssignFromClipboardBitmap(source.get(), nullptr);
        ASSERT_EQ(picture.Width(), c.width);
        picture.TrimOddWidth();
        EXPECT_EQ(picture.Width(), c.trimmed);
        EXPECT_EQ(picture.Height(), 5);

        const auto file = picture.EncodeBmp();
        ASSERT_EQ(store::DecodeBmp(file).width, c.trimmed);
        for (int y : {0, 4})
            for (int x : {0, c.trimmed - 1})
                EXPECT_EQ(FilePixel(file, x, y), Pattern(x, y)) << c.width << " at " << x << "," << y;
    }
}

TEST_F(PictureTest, DisplayDepthIsWrittenAs24Bits)
{
    const int depth = DisplayDepth();
    ui::Bitmap source = ScreenBitmap(10, 6);
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);
    EXPECT_EQ(picture.BitsPerPixel(), depth);
    const auto file = picture.EncodeBmp();
    const store::BmpImage image = store::DecodeBmp(file);
    EXPECT_EQ(image.bitsPerPixel, depth == 16 || depth == 32 ? 24 : depth);
    EXPECT_EQ(image.ColourCount(), 0u);
    EXPECT_EQ(file.size(), 54u + 32u * 6u);  // 10 x 3 bytes padded to 32
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
    const store::BmpImage image = store::DecodeBmp(file);
    ASSERT_EQ(image.bitsPerPixel, 1);
    EXPECT_EQ(store::BmpPixelOffset(1), 62u);
    EXPECT_EQ(std::vector<std::uint8_t>(image.colourTable.begin(), image.colourTable.end()),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 0}));
    // Bottom-up, each row padded to 4 bytes.
    EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.begin(), image.pixels.end()),
              (std::vector<std::uint8_t>{0x00, 0xFF, 0, 0, 0xAA, 0x55, 0, 0, 0xF0, 0x0F, 0, 0}));

    // Copy back gives a monochrome bitmap again.
    picture.SaveToFile(Path("mono.bmp"));
    Picture loaded;
    loaded.LoadFromFile(Path("mono.bmp"));
    ui::Bitmap copy(loaded.CreateClipboardCopy());
    BITMAP bm{};
    GetObjectA(copy.get(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    Picture again;
    again.AssignFromClipboardBitmap(copy.get(), nullptr);
    EXPECT_EQ(again.EncodeBmp(), file);
}

TEST_F(PictureTest, PixelsSurviveCaptureSaveAndLoad)
{
    ui::Bitmap source = ScreenBitmap(67, 41);
    Picture captured;
    captured.AssignFromClipboardBitmap(source.get(), nullptr);
    captured.TrimOddWidth();
    captured.SaveToFile(Path("clip0001.bmp"));
    const auto written = ReadBytes(Path("clip0001.bmp"));
    EXPECT_EQ(written, captured.EncodeBmp());

    Picture loaded;
    loaded.LoadFromFile(Path("clip0001.bmp"));
    EXPECT_EQ(loaded.Width(), 66);
    EXPECT_EQ(loaded.Height(), 41);
    EXPECT_EQ(loaded.BitsPerPixel(), 24);
    EXPECT_EQ(loaded.PaletteHandle(), nullptr);
    EXPECT_EQ(loaded.CreatePaletteCopy(), nullptr);
    EXPECT_EQ(loaded.EncodeBmp(), written);

    // And back on the clipboard, as a bitmap of the display's format.
    ui::Bitmap copy(loaded.CreateClipboardCopy());
    BITMAP bm{};
    ASSERT_NE(GetObjectA(copy.get(), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmBitsPixel * bm.bmPlanes, DisplayDepth());
    Picture recaptured;
    recaptured.AssignFromClipboardBitmap(copy.get(), nullptr);
    const auto file = recaptured.EncodeBmp();
    for (auto [x, y] : {std::pair{0, 0}, {65, 0}, {0, 40}, {65, 40}, {33, 17}})
        EXPECT_EQ(FilePixel(file, x, y), Pattern(x, y)) << x << "," << y;
}

TEST_F(PictureTest, PaletteBitmapIsDrawnThroughItsPalette)
{
    const auto table = Grey8Table();
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), 16, 16, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(info.colours, table.data(), table.size());
    void* bits = nullptr;
    ui::Bitmap dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(dib);
    for (int i = 0; i < 256; ++i)
        static_cast<std::uint8_t*>(bits)[i] = static_cast<std::uint8_t>(i);  // bottom-up: row 0 is the last

    std::vector<std::uint8_t> logBuffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(logBuffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        log->palPalEntry[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
    ui::Palette palette(CreatePalette(log));

    Picture picture;
    picture.AssignFromClipboardBitmap(dib.get(), palette.get());
    EXPECT_NE(picture.PaletteHandle(), nullptr);
    EXPECT_NE(picture.PaletteHandle(), palette.get());  // a copy: the clipboard owns its palette
    const auto file = picture.EncodeBmp();
    for (int index : {0, 1, 77, 128, 255}) {
        const int x = index % 16, y = 15 - index / 16;
        EXPECT_EQ(FilePixel(file, x, y), RGB(table[4 * index + 2], table[4 * index + 1], table[4 * index]))
            << "index " << index;
    }
}

TEST_F(PictureTest, EightBitFileKeepsItsPaletteAndBytes)
{
    std::vector<std::uint8_t> rows(8 * 3);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = i % 8 == 7 ? 0 : static_cast<std::uint8_t>(i * 11);  // padding 0, as GDI writes it
    const auto original = store::EncodeBmp(7, 3, 8, Grey8Table(), rows);
    WriteBytes(Path("eight.bmp"), original);

    Picture picture;
    picture.LoadFromFile(Path("eight.bmp"));
    EXPECT_EQ(picture.BitsPerPixel(), 8);
    ASSERT_NE(picture.PaletteHandle(), nullptr);
    WORD entries = 0;
    GetObjectA(picture.PaletteHandle(), sizeof entries, &entries);
    EXPECT_EQ(entries, 256);
    EXPECT_EQ(picture.EncodeBmp(), original);

    ui::Palette copy(picture.CreatePaletteCopy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), picture.PaletteHandle());
    PALETTEENTRY entry{};
    GetPaletteEntries(copy.get(), 200, 1, &entry);
    EXPECT_EQ(RGB(entry.peRed, entry.peGreen, entry.peBlue), RGB(100, 55, 200));

    // Odd width on a loaded picture: trimmed within its own depth and table.
    picture.TrimOddWidth();
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(store::DecodeBmp(picture.EncodeBmp()).bitsPerPixel, 8);
    ui::Bitmap device(picture.CreateClipboardCopy());
    Picture back;
    back.AssignFromClipboardBitmap(device.get(), nullptr);
    const auto file = back.EncodeBmp();
    for (int x : {0, 5})
        EXPECT_EQ(FilePixel(file, x, 0), FilePixel(original, x, 0));
}

TEST_F(PictureTest, TopDownAndColouredOneBitFilesLoadTheRightWayUp)
{
    // 2 x 2 at 24 bits, top row red then green, bottom row blue then white.
    std::vector<std::uint8_t> topDown(54 + 16);
    const auto header = store::MakeBmpFile(2, 2, 24, {});
    std::memcpy(topDown.data(), header.data(), 54);
    const std::int32_t negative = -2;
    std::memcpy(topDown.data() + 22, &negative, 4);
    const std::uint8_t rows[] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    std::memcpy(topDown.data() + 54, rows, sizeof rows);
    WriteBytes(Path("topdown.bmp"), topDown);
    Picture picture;
    picture.LoadFromFile(Path("topdown.bmp"));
    const auto file = picture.EncodeBmp();
    EXPECT_EQ(FilePixel(file, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(FilePixel(file, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(FilePixel(file, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(FilePixel(file, 1, 1), RGB(255, 255, 255));

    // A 1-bit file in red and blue is no monochrome bitmap: its copy keeps colour.
    const std::uint8_t table[] = {0, 0, 255, 0, 255, 0, 0, 0};
    const std::uint8_t bits[] = {0x40, 0, 0, 0};  // 0 1 from the left
    WriteBytes(Path("redblue.bmp"), store::EncodeBmp(2, 1, 1, table, bits));
    picture.LoadFromFile(Path("redblue.bmp"));
    ui::Bitmap copy(picture.CreateClipboardCopy());
    Picture back;
    back.AssignFromClipboardBitmap(copy.get(), nullptr);
    const auto colour = back.EncodeBmp();
    EXPECT_EQ(FilePixel(colour, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(FilePixel(colour, 1, 0), RGB(0, 0, 255));
}

TEST_F(PictureTest, FileErrorsAreReportedAndThePictureKept)
{
    ui::Bitmap source = ScreenBitmap(4, 4);
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);
    const auto before = picture.EncodeBmp();

    const std::string missing = Path("missing.bmp");
    try {
        picture.LoadFromFile(missing);
        ADD_FAILURE() << "no error";
    } catch (const ui::AppError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }

    auto damaged = before;
    damaged[28] = 7;  // bits per pixel
    WriteBytes(Path("damaged.bmp"), damaged);
    WriteBytes(Path("empty.bmp"), {});
    auto truncated = before;
    truncated.resize(truncated.size() - 1);
    WriteBytes(Path("short.bmp"), truncated);
    for (const char* name : {"damaged.bmp", "empty.bmp", "short.bmp"}) {
        try {
            picture.LoadFromFile(Path(name));
            ADD_FAILURE() << name << ": no error";
        } catch (const ui::AppError& e) {
            EXPECT_STREQ(e.what(), "Bitmap image is not valid") << name;
        }
    }
    EXPECT_EQ(picture.EncodeBmp(), before);

    const std::string nowhere = Path("no such folder\\clip0001.bmp");
    try {
        picture.SaveToFile(nowhere);
        ADD_FAILURE() << "no error";
    } catch (const ui::AppError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + nowhere);
    }

    Picture empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.EncodeBmp(), ui::AppError);
    EXPECT_THROW(empty.CreateClipboardCopy(), ui::AppError);
    EXPECT_THROW(empty.AssignFromClipboardBitmap(nullptr, nullptr), ui::AppError);
    picture.Clear();
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
}

TEST_F(PictureTest, StretchDropsOrRepeatsPixels)
{
    // 2 x 2 in four colours onto a 60 x 60 target whose DC draws text in red.
    ui::Bitmap source = ScreenBitmap(2, 2, [](int x, int y) {
        return x == 0 ? (y == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255)) : (y == 0 ? RGB(0, 255, 0) : RGB(9, 9, 9));
    });
    Picture picture;
    picture.AssignFromClipboardBitmap(source.get(), nullptr);

    ui::WindowDc screen(nullptr);
    ui::MemoryDc dc(CreateCompatibleDC(screen.get()));
    ui::Bitmap target(CreateCompatibleBitmap(screen.get(), 60, 60));
    ui::SelectGuard select(dc.get(), target.get());
    SetTextColor(dc.get(), RGB(255, 0, 0));
    picture.StretchTo(dc.get(), 0, 0, 60, 60);
    EXPECT_EQ(DcPixel(dc.get(), 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(DcPixel(dc.get(), 50, 10), RGB(0, 255, 0));
    EXPECT_EQ(DcPixel(dc.get(), 10, 50), RGB(0, 0, 255));
    EXPECT_EQ(DcPixel(dc.get(), 50, 50), RGB(9, 9, 9));
    EXPECT_EQ(GetStretchBltMode(dc.get()), BLACKONWHITE);  // the caller's mode comes back

    // A monochrome picture draws black and white whatever the DC's colours.
    const std::uint8_t bits[] = {0x80, 0, 0x00, 0};  // white, black / black, black
    ui::Bitmap mono(CreateBitmap(2, 2, 1, 1, bits));
    picture.AssignFromClipboardBitmap(mono.get(), nullptr);
    picture.StretchTo(dc.get(), 0, 0, 60, 60);
    EXPECT_EQ(DcPixel(dc.get(), 10, 10), RGB(255, 255, 255));
    EXPECT_EQ(DcPixel(dc.get(), 50, 10), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(dc.get()), RGB(255, 0, 0));
}

// This process's GDI objects. Wine does not count them (GetGuiResources gives 0),
// but its handle table is finite: the room left in it tells the same.
long GdiObjectsInUse()
{
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<long>(counted);
    std::vector<HBITMAP> made;
    while (made.size() < 1000000) {
        HBITMAP bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
        if (!bitmap)
            break;
        made.push_back(bitmap);
    }
    for (HBITMAP bitmap : made)
        DeleteObject(bitmap);
    return 1000000 - static_cast<long>(made.size());
}

TEST_F(PictureTest, CyclesLeaveNoGdiObjectsBehind)
{
    ui::Bitmap source = ScreenBitmap(33, 9);
    ui::Bitmap mono(CreateBitmap(9, 9, 1, 1, nullptr));
    ui::Bitmap target(CreateBitmap(60, 60, 1, 32, nullptr));
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), target.get());
    WriteBytes(Path("eight.bmp"), store::EncodeBmp(5, 4, 8, Grey8Table(), std::vector<std::uint8_t>(32)));
    WriteBytes(Path("bad.bmp"), {'B', 'M'});

    auto cycle = [&] {
        Picture picture;
        picture.AssignFromClipboardBitmap(source.get(), nullptr);
        picture.TrimOddWidth();
        picture.SaveToFile(Path("cycle.bmp"));
        picture.StretchTo(dc.get(), 0, 0, 60, 60);
        picture.AssignFromClipboardBitmap(mono.get(), nullptr);
        picture.TrimOddWidth();
        DeleteObject(picture.CreateClipboardCopy());
        picture.LoadFromFile(Path("eight.bmp"));
        picture.TrimOddWidth();
        picture.StretchTo(dc.get(), 0, 0, 60, 60);
        DeleteObject(picture.CreateClipboardCopy());
        DeleteObject(picture.CreatePaletteCopy());
        ui::ThumbnailReader reader;
        reader.Draw(Path("eight.bmp"), dc.get(), 0, 0, 60, 60);
        for (const char* name : {"missing.bmp", "bad.bmp"}) {
            EXPECT_THROW(picture.LoadFromFile(Path(name)), ui::AppError);
            EXPECT_THROW(reader.Draw(Path(name), dc.get(), 0, 0, 60, 60), ui::AppError);
        }
    };
    cycle();  // first use of a DC allocates some objects for good
    const long before = GdiObjectsInUse();
    for (int i = 0; i < 100; ++i)
        cycle();
    EXPECT_EQ(GdiObjectsInUse(), before);
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
    auto file = store::EncodeBmp(1, height, 24, {}, rows);
    if (topDown) {
        const std::int32_t negative = -height;
        std::memcpy(file.data() + 22, &negative, 4);
    }
    return file;
}

TEST_F(PictureTest, ThumbnailShowsTheRowNearestEachTargetRow)
{
    ui::Bitmap target(CreateBitmap(60, 60, 1, 32, nullptr));
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    ui::SelectGuard select(dc.get(), target.get());
    ui::ThumbnailReader reader;
    for (bool topDown : {false, true}) {
        WriteBytes(Path("banded.bmp"), BandedFile(180, topDown));
        const SIZE size = reader.Draw(Path("banded.bmp"), dc.get(), 0, 0, 60, 60);
        EXPECT_EQ(size.cx, 1);
        EXPECT_EQ(size.cy, 180);
        for (int y : {0, 1, 30, 58, 59})
            EXPECT_EQ(DcPixel(dc.get(), 45, y), RGB(0, 0x40, y)) << "row " << y << (topDown ? " top-down" : "");
    }

    // Fewer rows than the target: rows repeat, as with the whole picture.
    WriteBytes(Path("small.bmp"), BandedFile(6, true));
    const SIZE small = reader.Draw(Path("small.bmp"), dc.get(), 0, 0, 60, 60);
    EXPECT_EQ(small.cy, 6);
    EXPECT_EQ(DcPixel(dc.get(), 5, 2), RGB(0, 0x40, 0));
    EXPECT_EQ(DcPixel(dc.get(), 5, 57), RGB(0, 0x40, 1));

    // Palette files draw through their colour table.
    WriteBytes(Path("eight.bmp"), store::EncodeBmp(2, 1, 8, Grey8Table(), std::vector<std::uint8_t>{10, 200, 0, 0}));
    reader.Draw(Path("eight.bmp"), dc.get(), 0, 0, 60, 60);
    EXPECT_EQ(DcPixel(dc.get(), 10, 10), RGB(5, 245, 10));
    EXPECT_EQ(DcPixel(dc.get(), 50, 10), RGB(100, 55, 200));

    WriteBytes(Path("bad.bmp"), {'B', 'M', 0, 0});
    try {
        reader.Draw(Path("bad.bmp"), dc.get(), 0, 0, 60, 60);
        ADD_FAILURE() << "no error";
    } catch (const ui::AppError& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
    EXPECT_EQ(DcPixel(dc.get(), 50, 10), RGB(100, 55, 200));
}

TEST_F(PictureTest, CaptureAndThumbnailTimes)
{
    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

    ui::Bitmap fullHd = ScreenBitmap(1921, 1080);
    auto start = Clock::now();
    Picture capture;
    capture.AssignFromClipboardBitmap(fullHd.get(), nullptr);
    capture.TrimOddWidth();
    capture.SaveToFile(Path("fullhd.bmp"));
    const double captureMs = ms(Clock::now() - start);

    ui::Bitmap ultraHd = ScreenBitmap(3840, 2160);
    capture.AssignFromClipboardBitmap(ultraHd.get(), nullptr);
    capture.SaveToFile(Path("ultrahd.bmp"));

    ui::WindowDc screen(nullptr);
    ui::MemoryDc dc(CreateCompatibleDC(screen.get()));
    ui::Bitmap thumb(CreateCompatibleBitmap(screen.get(), 60, 60));
    ui::SelectGuard select(dc.get(), thumb.get());
    auto browse = [&](const std::string& path) {
        const auto t = Clock::now();
        ui::ThumbnailReader reader;
        for (int i = 0; i < 10; ++i)
            reader.Draw(path, dc.get(), 0, 0, 60, 60);
        return ms(Clock::now() - t);
    };
    const double fullHdMs = browse(Path("fullhd.bmp"));
    const double ultraHdMs = browse(Path("ultrahd.bmp"));

    start = Clock::now();
    Picture copyBack;
    copyBack.LoadFromFile(Path("ultrahd.bmp"));
    DeleteObject(copyBack.CreateClipboardCopy());
    const double copyBackMs = ms(Clock::now() - start);

    std::printf("capture 1921x1080 + trim + save: %.1f ms; thumbnails of 10 x 1920x1080: %.1f ms, "
                "of 10 x 3840x2160: %.1f ms; copy back of 3840x2160: %.1f ms\n",
                captureMs, fullHdMs, ultraHdMs, copyBackMs);
    // Generous bounds: these catch a slip into per-pixel work, not a busy machine.
    EXPECT_LT(captureMs, 600);
    EXPECT_LT(fullHdMs, 1500);
    EXPECT_LT(ultraHdMs, 5000);
}

} // namespace
