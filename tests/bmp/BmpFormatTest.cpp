#include "bmp/BmpFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using bmp::BmpError;
using bmp::BmpImage;
using bmp::DecodeBmp;
using bmp::DecodePackedDib;
using bmp::EncodeBmp;
using Bytes = std::vector<std::uint8_t>;

namespace {

template <class T = std::uint32_t>
T Get(const Bytes& b, std::size_t at)
{
    T v;
    std::memcpy(&v, b.data() + at, sizeof v);
    return v;
}

template <class T = std::uint32_t>
void Put(Bytes& b, std::size_t at, T v)
{
    std::memcpy(b.data() + at, &v, sizeof v);
}

Bytes Sequence(std::size_t n, std::uint8_t first)
{
    Bytes v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

// A file written field by field here rather than by the encoder, for the depths
// and headers the encoder does not write: an info header of headerSize bytes,
// then tableBytes of colour table or masks, then rows of 0x5A.
Bytes RawBmp(std::int32_t width, std::int32_t height, int bpp, std::uint32_t compression = 0,
             std::size_t tableBytes = 0, std::uint32_t coloursUsed = 0, std::uint32_t headerSize = 40)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * bpp + 31) / 32 * 4;
    const std::size_t offset = 14 + headerSize + tableBytes;
    Bytes b(offset + stride * static_cast<std::size_t>(height < 0 ? -height : height), 0x5A);
    std::fill(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(offset), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put(b, 2, static_cast<std::uint32_t>(b.size()));
    Put(b, 10, static_cast<std::uint32_t>(offset));
    Put(b, 14, headerSize);
    Put(b, 18, width);
    Put(b, 22, height);
    Put<std::uint16_t>(b, 26, 1);
    Put<std::uint16_t>(b, 28, static_cast<std::uint16_t>(bpp));
    Put(b, 30, compression);
    Put(b, 46, coloursUsed);
    return b;
}

Bytes WithMasks(Bytes b, std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    Put(b, 54, red);
    Put(b, 58, green);
    Put(b, 62, blue);
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
    const std::size_t offset = 54 + 4 * colours;
    const Bytes table = Sequence(4 * colours, 7);
    const Bytes rows = Sequence(c.stride * height, 100);
    ASSERT_EQ(bmp::BmpStride(c.width, c.bpp), c.stride);
    ASSERT_EQ(bmp::BmpPixelOffset(c.bpp), offset);

    const Bytes file = EncodeBmp(c.width, height, c.bpp, table, rows);
    ASSERT_EQ(file.size(), offset + c.stride * height);
    EXPECT_EQ(Get<std::uint16_t>(file, 0), 'B' | 'M' << 8);
    EXPECT_EQ(Get(file, 2), file.size());
    EXPECT_EQ(Get(file, 6), 0u);  // both reserved words
    EXPECT_EQ(Get(file, 10), offset);
    EXPECT_EQ(Get(file, 14), 40u);
    EXPECT_EQ(Get<std::int32_t>(file, 18), c.width);
    EXPECT_EQ(Get<std::int32_t>(file, 22), height);
    EXPECT_EQ(Get<std::uint16_t>(file, 26), 1);
    EXPECT_EQ(Get<std::uint16_t>(file, 28), c.bpp);
    EXPECT_EQ(Get(file, 30), 0u);  // BI_RGB
    EXPECT_EQ(Get(file, 34), c.stride * height);
    for (std::size_t at = 38; at < 54; at += 4)  // resolutions, colours used, important
        EXPECT_EQ(Get(file, at), 0u) << "offset " << at;
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + static_cast<std::ptrdiff_t>(offset)), table);
    EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(offset), file.end()), rows);

    // What we write, we read back.
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.bitsPerPixel, c.bpp);
    EXPECT_FALSE(image.topDown);
    EXPECT_EQ(image.ColourCount(), colours);
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
    const Bytes none;
    const Bytes rows(16);
    EXPECT_THROW(EncodeBmp(4, 1, 16, none, rows), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 1, 32, none, rows), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 1, 8, Bytes(4 * 16), Bytes(4)), std::invalid_argument);  // short table
    EXPECT_THROW(EncodeBmp(4, 1, 24, Bytes(8), rows), std::invalid_argument);          // table at 24
    EXPECT_THROW(EncodeBmp(4, 1, 24, none, Bytes(11)), std::invalid_argument);         // short rows
    EXPECT_THROW(EncodeBmp(0, 1, 24, none, none), std::invalid_argument);
    EXPECT_THROW(EncodeBmp(4, 0, 24, none, none), std::invalid_argument);
    EXPECT_THROW(bmp::MakeBmpFile(65536, 65536, 24, none), std::invalid_argument);  // over 4 GB
    EXPECT_EQ(bmp::BmpStride(0x7FFFFFFF, 32), 0x7FFFFFFFull * 4);
}

TEST(BmpDecode, AcceptsEachDepthBothWaysUp)
{
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        const std::size_t table = bpp <= 8 ? 4u << bpp : 0;
        EXPECT_FALSE(DecodeBmp(RawBmp(7, 5, bpp, 0, table)).topDown) << bpp;
        EXPECT_TRUE(DecodeBmp(RawBmp(7, -5, bpp, 0, table)).topDown) << bpp;
    }

    // 1 x 3 at 24 bits, top-down, the first byte of each row telling the row.
    Bytes file = RawBmp(1, -3, 24);
    for (int row = 0; row < 3; ++row)
        file[54 + 4 * row] = static_cast<std::uint8_t>(row);
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.height, 3);
    Bytes bottomUp(image.pixels.size());
    bmp::CopyRowsBottomUp(image, bottomUp.data());
    EXPECT_EQ(bottomUp[0], 2);
    EXPECT_EQ(bottomUp[4], 1);
    EXPECT_EQ(bottomUp[8], 0);
    const Bytes header = bmp::MakeDibHeader(image);
    ASSERT_EQ(header.size(), 40u);
    EXPECT_EQ(Get<std::int32_t>(header, 8), 3);  // positive: bottom-up
}

TEST(BmpDecode, BitFieldMasksInsideAndAfterTheHeader)
{
    // V5 header, 16-bit 5-6-5, masks inside the header.
    const BmpImage v5 = DecodeBmp(WithMasks(RawBmp(2, 2, 16, 3, 0, 0, 124), 0xF800, 0x07E0, 0x001F));
    EXPECT_TRUE(v5.bitfields);
    Bytes header = bmp::MakeDibHeader(v5);
    ASSERT_EQ(header.size(), 52u);
    EXPECT_EQ(Get(header, 16), 3u);
    EXPECT_EQ(Get(header, 40), 0xF800u);
    EXPECT_EQ(Get(header, 48), 0x001Fu);

    // Info header, 32 bits, masks after it.
    const Bytes file = RawBmp(2, 2, 32, 3, 12);
    EXPECT_EQ(DecodeBmp(WithMasks(file, 0xFF0000, 0xFF00, 0xFF)).masks[0], 0xFF0000u);
    EXPECT_THROW(DecodeBmp(WithMasks(file, 0xFF0000, 0xFFFF, 0xFF)), BmpError);  // overlap
    EXPECT_THROW(DecodeBmp(WithMasks(file, 0xFF0000, 0xFF00, 0xF0F)), BmpError);  // gap
    EXPECT_THROW(DecodeBmp(WithMasks(file, 0, 0xFF00, 0xFF)), BmpError);
    EXPECT_THROW(DecodeBmp(WithMasks(RawBmp(2, 2, 16, 3, 12), 0xF80000, 0x7E0, 0x1F)), BmpError);
    EXPECT_THROW(DecodeBmp(WithMasks(RawBmp(2, 2, 24, 3, 12), 0xFF0000, 0xFF00, 0xFF)), BmpError);
}

TEST(BmpDecode, CoreHeaderTableBecomesFourByteEntries)
{
    // 12-byte header, 2 x 1 at 1 bit, colour entries of 3 bytes.
    Bytes file(14 + 12 + 6 + 4);
    file[0] = 'B';
    file[1] = 'M';
    Put(file, 10, 14u + 12 + 6);
    Put(file, 14, 12u);
    for (auto [at, value] : {std::pair{18, 2}, {20, 1}, {22, 1}, {24, 1}})  // width, height, planes, bits
        Put<std::uint16_t>(file, at, static_cast<std::uint16_t>(value));
    const std::uint8_t table[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(file.data() + 26, table, 6);
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.ColourCount(), 2u);
    const Bytes header = bmp::MakeDibHeader(image);
    EXPECT_EQ(Bytes(header.begin() + 40, header.end()), (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));

    Put<std::uint16_t>(file, 24, 16);  // no 16-bit core files
    EXPECT_THROW(DecodeBmp(file), BmpError);
}

TEST(BmpDecode, ColourTableShortOrBeyondTheFile)
{
    Bytes file = RawBmp(4, 1, 8, 0, 3 * 4, 3);
    for (std::size_t i = 0; i < 12; ++i)
        file[54 + i] = static_cast<std::uint8_t>(i + 1);
    const Bytes header = bmp::MakeDibHeader(DecodeBmp(file));
    ASSERT_EQ(header.size(), 40u + 4 * 256);
    EXPECT_EQ(Get(header, 32), 0u);       // colours used: the full table follows
    EXPECT_EQ(header[40 + 8 + 2], 11);
    EXPECT_EQ(header[40 + 8 + 3], 0);     // reserved byte cleared
    EXPECT_EQ(Get(header, 40 + 12), 0u);  // the rest black

    // 16 entries present, the full 256 claimed.
    file = RawBmp(4, 1, 8, 0, 64);
    EXPECT_THROW(DecodeBmp(file), BmpError);
    Put(file, 46, 16u);
    EXPECT_NO_THROW(DecodeBmp(file));
}

TEST(BmpDecode, EveryTruncationIsRefused)
{
    for (const Bytes& whole : {RawBmp(3, 2, 8, 0, 1024), RawBmp(3, 2, 24), RawBmp(3, -2, 1, 0, 8),
                               WithMasks(RawBmp(2, 2, 32, 3, 12), 0xFF0000, 0xFF00, 0xFF)}) {
        ASSERT_NO_THROW(DecodeBmp(whole));
        for (std::size_t n = 0; n < whole.size(); ++n)
            EXPECT_THROW(DecodeBmp(std::span(whole).first(n)), BmpError) << "cut at " << n;
        // The same bytes as a clipboard's packed DIB: no file header, the
        // rows right after the table.
        const std::span<const std::uint8_t> dib = std::span(whole).subspan(14);
        ASSERT_NO_THROW(DecodePackedDib(dib));
        EXPECT_TRUE(std::ranges::equal(DecodePackedDib(dib).pixels, DecodeBmp(whole).pixels));
        for (std::size_t n = 0; n < dib.size(); ++n)
            EXPECT_THROW(DecodePackedDib(dib.first(n)), BmpError) << "DIB cut at " << n;
    }
    // Above 8 bits a DIB may carry a table of coloursUsed entries before its
    // rows; no count beyond any table is trusted.
    Bytes withTable = RawBmp(2, 2, 24, 0, 16, 4);
    EXPECT_EQ(DecodePackedDib(std::span(withTable).subspan(14)).pixels.data(), withTable.data() + 14 + 40 + 16);
    Put(withTable, 46, std::uint32_t{0x40000000});
    EXPECT_THROW(DecodePackedDib(std::span(withTable).subspan(14)), BmpError);
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
    Bytes file = RawBmp(3, 2, 8, 0, 1024);
    ASSERT_NO_THROW(DecodeBmp(file));
    if (d.size == 2)
        Put(file, d.at, static_cast<std::uint16_t>(d.value));
    else
        Put(file, d.at, d.value);
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
                      Damage{"coloursUsedHuge", 46, 0xFFFFFFFF, 4}, Damage{"colours257", 46, 257, 4}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BmpDecode, FullUltraHdFileIsAccepted)
{
    const Bytes file = bmp::MakeBmpFile(3840, 2160, 24, {});
    const BmpImage image = DecodeBmp(file);
    EXPECT_EQ(image.width, 3840);
    EXPECT_EQ(image.height, 2160);
    EXPECT_EQ(image.pixels.size(), 3840u * 3 * 2160);
    EXPECT_EQ(image.pixels.data() + image.pixels.size(), file.data() + file.size());
}

} // namespace
