#include "store/BmpFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <numeric>

using store::BmpError;
using store::BmpImage;
using store::DecodeBmp;
using store::EncodeBmp;

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

std::uint16_t Read16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint16_t v;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

void Write32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(b.data() + at, &v, 4);
}

void Write16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v)
{
    std::memcpy(b.data() + at, &v, 2);
}

std::vector<std::uint8_t> Sequence(std::size_t n, std::uint8_t first = 1)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

// A file with a 40-byte info header, written field by field here rather than by
// the encoder, for the depths and headers the encoder does not write.
std::vector<std::uint8_t> RawBmp(std::int32_t width, std::int32_t height, int bpp,
                                 std::uint32_t compression = 0, std::size_t tableBytes = 0,
                                 std::uint32_t coloursUsed = 0)
{
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
    const std::size_t rows = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height < 0 ? -height : height);
    const std::size_t offset = 54 + tableBytes;
    std::vector<std::uint8_t> b(offset + rows, 0x5A);
    b[0] = 'B';
    b[1] = 'M';
    Write32(b, 2, static_cast<std::uint32_t>(b.size()));
    Write32(b, 6, 0);
    Write32(b, 10, static_cast<std::uint32_t>(offset));
    Write32(b, 14, 40);
    Write32(b, 18, static_cast<std::uint32_t>(width));
    Write32(b, 22, static_cast<std::uint32_t>(height));
    Write16(b, 26, 1);
    Write16(b, 28, static_cast<std::uint16_t>(bpp));
    Write32(b, 30, compression);
    Write32(b, 34, static_cast<std::uint32_t>(rows));
    for (std::size_t at = 38; at < 54; ++at)
        b[at] = 0;
    Write32(b, 46, coloursUsed);
    return b;
}

struct EncodeCase {
    int bpp;
    std::int32_t width;
    std::uint32_t stride;
};

class EncodeDepth : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeDepth, WritesEveryHeaderFieldTableAndRows)
{
    const EncodeCase c = GetParam();
    const std::int32_t height = 3;
    const std::size_t colours = c.bpp <= 8 ? std::size_t{1} << c.bpp : 0;
    const auto table = Sequence(4 * colours, 7);
    const auto rows = Sequence(c.stride * height, 100);

    ASSERT_EQ(store::BmpStride(c.width, c.bpp), c.stride);
    const auto file = EncodeBmp(c.width, height, c.bpp, table, rows);
    const std::size_t offset = 54 + 4 * colours;

    ASSERT_EQ(file.size(), offset + c.stride * height);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Read32(file, 2), file.size());
    EXPECT_EQ(Read16(file, 6), 0);
    EXPECT_EQ(Read16(file, 8), 0);
    EXPECT_EQ(Read32(file, 10), offset);
    EXPECT_EQ(store::BmpPixelOffset(c.bpp), offset);
    EXPECT_EQ(Read32(file, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(Read32(file, 18)), c.width);
    EXPECT_EQ(static_cast<std::int32_t>(Read32(file, 22)), height);
    EXPECT_EQ(Read16(file, 26), 1);
    EXPECT_EQ(Read16(file, 28), c.bpp);
    EXPECT_EQ(Read32(file, 30), 0u);                    // BI_RGB
    EXPECT_EQ(Read32(file, 34), c.stride * height);     // image size
    for (std::size_t at = 38; at < 54; at += 4)         // resolutions, colours used, important
        EXPECT_EQ(Read32(file, at), 0u) << "offset " << at;
    EXPECT_TRUE(std::equal(table.begin(), table.end(), file.begin() + 54));
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), file.begin() + static_cast<std::ptrdiff_t>(offset)));

    // What we write, we read back.
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.bitsPerPixel, c.bpp);
    EXPECT_FALSE(image.topDown);
    EXPECT_EQ(image.ColourCount(), colours);
    if (colours != 0) {
        EXPECT_EQ(image.colourTable.data(), file.data() + 54);
    }
    EXPECT_EQ(image.pixels.data(), file.data() + offset);
    EXPECT_EQ(image.pixels.size(), rows.size());
}

// Widths chosen so that every depth pads its rows.
INSTANTIATE_TEST_SUITE_P(Depths, EncodeDepth,
                         ::testing::Values(EncodeCase{1, 5, 4}, EncodeCase{1, 33, 8}, EncodeCase{4, 9, 8},
                                           EncodeCase{8, 5, 8}, EncodeCase{8, 4, 4}, EncodeCase{24, 5, 16},
                                           EncodeCase{24, 1, 4}, EncodeCase{24, 4, 12}));

TEST(BmpEncode, RefusesWhatNoFileCanHold)
{
    const std::vector<std::uint8_t> none;
    const auto rows = Sequence(16);
    EXPECT_THROW(EncodeBmp(4, 1, 16, none, rows), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 1, 32, none, rows), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 1, 8, Sequence(4 * 16), Sequence(4)), std::invalid_argument);  // short table
    EXPECT_THROW(EncodeBmp(4, 1, 24, Sequence(8), rows), std::invalid_argument);             // table at 24
    EXPECT_THROW(EncodeBmp(4, 1, 24, none, Sequence(11)), std::invalid_argument);            // short rows
    EXPECT_THROW(EncodeBmp(0, 1, 24, none, none), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 0, 24, none, none), std::invalid_argument);
    // The file size field is 32 bits.
    EXPECT_THROW(store::MakeBmpFile(65536, 65536, 24, none), std::invalid_argument);
}

TEST(BmpStride, PadsToFourBytesWithoutOverflow)
{
    EXPECT_EQ(store::BmpStride(1, 1), 4u);
    EXPECT_EQ(store::BmpStride(32, 1), 4u);
    EXPECT_EQ(store::BmpStride(3, 24), 12u);
    EXPECT_EQ(store::BmpStride(3, 32), 12u);
    EXPECT_EQ(store::BmpStride(0x7FFFFFFF, 32), 0x7FFFFFFFull * 4);
}

TEST(BmpDecode, TopDownRowsAreFlippedBack)
{
    // 1 x 3 at 24 bits: one 4-byte row each, the first byte telling the row.
    auto file = RawBmp(1, -3, 24);
    for (int row = 0; row < 3; ++row)
        file[54 + 4 * row] = static_cast<std::uint8_t>(row);  // top row first
    const BmpImage image = DecodeBmp(file);
    EXPECT_TRUE(image.topDown);
    EXPECT_EQ(image.height, 3);

    std::vector<std::uint8_t> bottomUp(image.pixels.size());
    store::CopyRowsBottomUp(image, bottomUp.data());
    EXPECT_EQ(bottomUp[0], 2);
    EXPECT_EQ(bottomUp[4], 1);
    EXPECT_EQ(bottomUp[8], 0);

    const auto header = store::MakeDibHeader(image);
    ASSERT_EQ(header.size(), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(Read32(header, 8)), 3);  // positive: bottom-up
}

TEST(BmpDecode, AcceptsEachDepthAndTheLongerHeaders)
{
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        const std::size_t table = bpp <= 8 ? 4u << bpp : 0;
        EXPECT_NO_THROW(DecodeBmp(RawBmp(7, 5, bpp, 0, table))) << bpp;
        EXPECT_NO_THROW(DecodeBmp(RawBmp(7, -5, bpp, 0, table))) << bpp;
    }

    // A V5 header (124 bytes) with its masks inside: 16-bit 5-6-5.
    std::vector<std::uint8_t> v5(14 + 124 + 4 * 2);
    v5[0] = 'B';
    v5[1] = 'M';
    Write32(v5, 10, 14 + 124);
    Write32(v5, 14, 124);
    Write32(v5, 18, 2);
    Write32(v5, 22, 2);
    Write16(v5, 26, 1);
    Write16(v5, 28, 16);
    Write32(v5, 30, 3);
    Write32(v5, 54, 0xF800);
    Write32(v5, 58, 0x07E0);
    Write32(v5, 62, 0x001F);
    const BmpImage image = DecodeBmp(v5);
    EXPECT_TRUE(image.bitfields);
    EXPECT_EQ(image.masks[1], 0x07E0u);
    const auto header = store::MakeDibHeader(image);
    ASSERT_EQ(header.size(), 52u);
    EXPECT_EQ(Read32(header, 16), 3u);
    EXPECT_EQ(Read32(header, 40), 0xF800u);
    EXPECT_EQ(Read32(header, 48), 0x001Fu);
}

TEST(BmpDecode, BitFieldsAfterAnInfoHeader)
{
    auto file = RawBmp(2, 2, 32, 3, 12);
    Write32(file, 54, 0xFF0000);
    Write32(file, 58, 0x00FF00);
    Write32(file, 62, 0x0000FF);
    EXPECT_EQ(DecodeBmp(file).masks[0], 0xFF0000u);

    auto overlapping = file;
    Write32(overlapping, 58, 0x00FFFF);
    EXPECT_THROW(DecodeBmp(overlapping), BmpError);
    auto gappy = file;
    Write32(gappy, 62, 0x000F0F);
    EXPECT_THROW(DecodeBmp(gappy), BmpError);
    auto zero = file;
    Write32(zero, 54, 0);
    EXPECT_THROW(DecodeBmp(zero), BmpError);
    auto at24 = RawBmp(2, 2, 24, 3, 12);
    EXPECT_THROW(DecodeBmp(at24), BmpError);
    // The masks themselves cut off.
    file.resize(60);
    Write32(file, 10, 54);
    EXPECT_THROW(DecodeBmp(file), BmpError);
}

TEST(BmpDecode, CoreHeaderTableBecomesFourByteEntries)
{
    // 12-byte header, 2 x 1 at 1 bit, colour entries of 3 bytes.
    std::vector<std::uint8_t> file(14 + 12 + 6 + 4);
    file[0] = 'B';
    file[1] = 'M';
    Write32(file, 10, 14 + 12 + 6);
    Write32(file, 14, 12);
    Write16(file, 18, 2);
    Write16(file, 20, 1);
    Write16(file, 22, 1);
    Write16(file, 24, 1);
    const std::uint8_t table[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(file.data() + 26, table, 6);
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.ColourCount(), 2u);
    EXPECT_EQ(image.colourEntrySize, 3u);
    const auto header = store::MakeDibHeader(image);
    ASSERT_EQ(header.size(), 40u + 8u);
    const std::vector<std::uint8_t> quads(header.begin() + 40, header.end());
    EXPECT_EQ(quads, (std::vector<std::uint8_t>{1, 2, 3, 0, 4, 5, 6, 0}));

    Write16(file, 24, 16);  // no 16-bit core files
    EXPECT_THROW(DecodeBmp(file), BmpError);
}

TEST(BmpDecode, ShortColourTableIsPaddedWithBlack)
{
    auto file = RawBmp(4, 1, 8, 0, 3 * 4, 3);
    for (std::size_t i = 0; i < 12; ++i)
        file[54 + i] = static_cast<std::uint8_t>(i + 1);
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.ColourCount(), 3u);
    const auto header = store::MakeDibHeader(image);
    ASSERT_EQ(header.size(), 40u + 4 * 256);
    EXPECT_EQ(Read32(header, 32), 0u);  // colours used: the full table follows
    EXPECT_EQ(header[40 + 8 + 2], 11);
    EXPECT_EQ(header[40 + 8 + 3], 0);   // reserved byte cleared
    EXPECT_EQ(Read32(header, 40 + 12), 0u);

    Write32(file, 46, 257);  // more than 8 bits can index
    EXPECT_THROW(DecodeBmp(file), BmpError);
}

TEST(BmpDecode, EveryTruncationIsRefused)
{
    auto bitfields = RawBmp(2, 2, 32, 3, 12);
    Write32(bitfields, 54, 0xFF0000);
    Write32(bitfields, 58, 0x00FF00);
    Write32(bitfields, 62, 0x0000FF);
    const std::vector<std::vector<std::uint8_t>> files = {
        RawBmp(3, 2, 8, 0, 1024), RawBmp(3, 2, 24), RawBmp(3, -2, 1, 0, 8), bitfields};
    for (const auto& whole : files) {
        ASSERT_NO_THROW(DecodeBmp(whole));
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_THROW(DecodeBmp(cut), BmpError) << "cut at " << n;
        }
    }
}

struct Damage {
    const char* name;
    std::size_t at;
    std::uint32_t value;
    int size;  // 2 or 4 bytes
};

class DamagedField : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedField, IsRefused)
{
    const Damage d = GetParam();
    auto file = RawBmp(3, 2, 8, 0, 1024);
    ASSERT_NO_THROW(DecodeBmp(file));
    if (d.size == 2)
        Write16(file, d.at, static_cast<std::uint16_t>(d.value));
    else
        Write32(file, d.at, d.value);
    EXPECT_THROW(DecodeBmp(file), BmpError);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DamagedField,
    ::testing::Values(Damage{"signature", 0, 'M' | 'B' << 8, 2}, Damage{"offsetInsideHeader", 10, 54, 4},
                      Damage{"offsetInsideTable", 10, 54 + 1020, 4}, Damage{"offsetPastEnd", 10, 0x7FFFFFFF, 4},
                      Damage{"offsetLeavesTooFewRows", 10, 54 + 1024 + 1, 4}, Damage{"headerSize0", 14, 0, 4},
                      Damage{"headerSize64", 14, 64, 4}, Damage{"headerSizeHuge", 14, 0xFFFFFFF0, 4},
                      Damage{"widthZero", 18, 0, 4}, Damage{"widthNegative", 18, 0xFFFFFFFD, 4},
                      Damage{"widthHuge", 18, 0x7FFFFFFF, 4}, Damage{"heightZero", 22, 0, 4},
                      Damage{"heightHuge", 22, 0x7FFFFFFF, 4}, Damage{"heightMin", 22, 0x80000000, 4},
                      Damage{"heightHugeTopDown", 22, 0x80000001, 4}, Damage{"planes0", 26, 0, 2},
                      Damage{"planes2", 26, 2, 2}, Damage{"bpp0", 28, 0, 2}, Damage{"bpp2", 28, 2, 2},
                      Damage{"bpp7", 28, 7, 2}, Damage{"bpp64", 28, 64, 2}, Damage{"rle8", 30, 1, 4},
                      Damage{"rle4", 30, 2, 4}, Damage{"bitfieldsAt8", 30, 3, 4}, Damage{"jpeg", 30, 4, 4},
                      Damage{"coloursUsedHuge", 46, 0xFFFFFFFF, 4}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BmpDecode, ColourTableBeyondTheFile)
{
    // An 8-bit file that brings only 16 colour entries and claims the full 256.
    auto file = RawBmp(4, 1, 8, 0, 64);
    EXPECT_THROW(DecodeBmp(file), BmpError);
    Write32(file, 46, 16);
    EXPECT_NO_THROW(DecodeBmp(file));
}

TEST(BmpDecode, FullUltraHdFileIsAccepted)
{
    const auto file = store::MakeBmpFile(3840, 2160, 24, {});
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.width, 3840);
    EXPECT_EQ(image.height, 2160);
    EXPECT_EQ(image.pixels.size(), 3840u * 3 * 2160);
    EXPECT_EQ(image.pixels.data() + image.pixels.size(), file.data() + file.size());
}

} // namespace
