// Bitmap capture: the clipboard's bitmap written as a BMP content file.
#include "bar/monitor_support.h"

using namespace monitor_test;
using testing_support::ReadFileBytes;

namespace {

constexpr COLORREF kFill = RGB(200, 40, 10);
constexpr COLORREF kEdge = RGB(0, 90, 255);

} // namespace

using BitmapCapture = ProgramFormsTest;

TEST_F(BitmapCapture, OddWidthLosesItsLastColumnEvenAndSinglePixelWidthsStay)
{
    struct Case {
        int width, height, stored;
    };
    const Case cases[] = {{101, 7, 100}, {100, 7, 100}, {1, 5, 1}, {3, 2, 2}};
    for (const Case& c : cases) {
        CopyBitmap(ColourBitmap(c.width, c.height, kFill, kEdge));
        ASSERT_EQ(boxes.size(), 0u) << boxes[0].text;
        const auto& entry = NewestBitmap();
        EXPECT_EQ(entry.FileName.Text().substr(8), ".bmp");
        const std::string file = ReadFileBytes(TempFile(entry));
        const BmpHeaders h = ReadBmpHeaders(file);
        EXPECT_EQ(h.magic, "BM");
        EXPECT_EQ(h.width, c.stored) << c.width;
        EXPECT_EQ(h.height, c.height) << c.width;
        // The display is 32 bits deep; content files keep 24.
        EXPECT_EQ(h.bitsPerPixel, 24);
        EXPECT_EQ(h.planes, 1);
        EXPECT_EQ(h.infoSize, 40u);
        EXPECT_EQ(h.compression, static_cast<uint32_t>(BI_RGB));
        EXPECT_EQ(h.pixelOffset, 54u);
        EXPECT_EQ(h.imageSize, h.Stride() * c.height);
        EXPECT_EQ(h.fileSize, 54 + h.Stride() * c.height);
        EXPECT_EQ(file.size(), h.fileSize);
        // Top and bottom rows in place: the rows are stored bottom-up.
        EXPECT_EQ(Pixel24(file, h, 0, 0), kEdge);
        EXPECT_EQ(Pixel24(file, h, 0, c.height - 1), kEdge);
        if (c.stored > 1) {
            EXPECT_EQ(Pixel24(file, h, c.stored - 1, c.height - 1), kFill);
        }
    }
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 4);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 0);
}

TEST_F(BitmapCapture, MonochromeStaysOneBitWithATwoColourTable)
{
    CopyBitmap(MonochromeBitmap(21, 3, 4));
    ASSERT_EQ(store::RecentBitmapCatalogue.Count, 1);
    const std::string file = ReadFileBytes(TempFile(NewestBitmap()));
    const BmpHeaders h = ReadBmpHeaders(file);
    EXPECT_EQ(h.bitsPerPixel, 1);
    EXPECT_EQ(h.width, 20);
    EXPECT_EQ(h.height, 3);
    EXPECT_EQ(h.pixelOffset, 14u + 40u + 8u);
    EXPECT_EQ(h.fileSize, 62u + 4u * 3u);
    ASSERT_EQ(file.size(), 74u);
    const std::string table = file.substr(54, 8);
    const std::string blackThenWhite("\0\0\0\0\xFF\xFF\xFF\0", 8);
    const std::string whiteThenBlack("\xFF\xFF\xFF\0\0\0\0\0", 8);
    ASSERT_TRUE(table == blackThenWhite || table == whiteThenBlack);
    // The top row is the last one stored: columns 0..4 black, the rest white.
    const unsigned char black = table == blackThenWhite ? 0 : 1;
    auto bit = [&](int row, int x) {
        unsigned char byte = static_cast<unsigned char>(file[62 + 4 * row + x / 8]);
        return static_cast<unsigned char>((byte >> (7 - x % 8)) & 1);
    };
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(bit(2, x) == black, x <= 4) << x;
        EXPECT_NE(bit(0, x), black) << x;
    }
}

TEST_F(BitmapCapture, APaletteOnTheClipboardIsUsedForTheColours)
{
    // An 8-bit bitmap whose pixels are all index 1 of the palette offered with it.
    const int width = 6, height = 2;
    std::string bits(static_cast<std::size_t>(8 * height), '\x01');
    HBITMAP bitmap = CreateBitmap(width, height, 1, 8, bits.data());
    struct {
        WORD version, count;
        PALETTEENTRY entries[2];
    } log{0x300, 2, {{0, 0, 0, 0}, {GetRValue(kFill), GetGValue(kFill), GetBValue(kFill), 0}}};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
    {
        ClipboardWrite write;
        write.Bitmap(bitmap);
        SetClipboardData(CF_PALETTE, palette);
    }
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    ASSERT_EQ(store::RecentBitmapCatalogue.Count, 1);
    const std::string file = ReadFileBytes(TempFile(NewestBitmap()));
    const BmpHeaders h = ReadBmpHeaders(file);
    EXPECT_EQ(h.width, 6);
    EXPECT_EQ(h.bitsPerPixel, 24);
    EXPECT_EQ(Pixel24(file, h, 3, 1), kFill);
}

TEST_F(BitmapCapture, ABitmapTooLargeForTheDisplaysFormatIsReportedAndNothingIsWritten)
{
    // Small at 4 bits per pixel; over 2 GB at the display's 32.
    HBITMAP huge = CreateBitmap(24000, 23000, 1, 4, nullptr);
    ASSERT_NE(huge, nullptr);
    CopyBitmap(huge);
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "orv Tidemark");
    EXPECT_NE(boxes[0].text, "Unsupported clipboard format.");
    EXPECT_EQ(Captured(), 0);
    EXPECT_TRUE(ContentFiles().empty());

    // The next bitmap is captured as usual.
    CopyBitmap(ColourBitmap(10, 10, kFill, kEdge));
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 1);
}
