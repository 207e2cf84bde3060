#include "bmp/BmpFormat.h"

#include <bit>
#include <cstring>
#include <limits>
#include <optional>

namespace bmp {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kCoreHeaderSize = 12;

std::uint16_t Get16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void Put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// The 40-byte info header as we write it, both into files and for GDI.
void PutInfoHeader(std::uint8_t* p, std::int32_t width, std::int32_t height, int bpp,
                   std::uint32_t compression, std::uint32_t imageSize)
{
    Put32(p, kBmpInfoHeaderSize);
    Put32(p + 4, static_cast<std::uint32_t>(width));
    Put32(p + 8, static_cast<std::uint32_t>(height));
    Put16(p + 12, 1);
    Put16(p + 14, static_cast<std::uint32_t>(bpp));
    Put32(p + 16, compression);
    Put32(p + 20, imageSize);
    // Resolutions, colours used and important stay 0.
}

bool KnownDepth(int bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// GDI wants each mask one run of bits, the three apart, within the pixel.
bool ValidMasks(const std::uint32_t (&masks)[3], int bpp)
{
    std::uint32_t seen = 0;
    for (std::uint32_t m : masks) {
        if (m == 0 || (seen & m) != 0)
            return false;
        if (bpp == 16 && m > 0xFFFF)
            return false;
        const std::uint32_t run = m >> std::countr_zero(m);
        if ((run & (run + 1)) != 0)
            return false;
        seen |= m;
    }
    return true;
}

} // namespace

std::uint64_t BmpStride(std::int64_t width, int bitsPerPixel)
{
    const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
    return (bits + 31) / 32 * 4;
}

std::size_t BmpColourCount(int bitsPerPixel)
{
    return bitsPerPixel <= 8 ? std::size_t{1} << bitsPerPixel : 0;
}

std::size_t BmpPixelOffset(int bitsPerPixel)
{
    return kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * BmpColourCount(bitsPerPixel);
}

std::vector<std::uint8_t> MakeBmpFile(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                      std::span<const std::uint8_t> colourTable)
{
    std::vector<std::uint8_t> file = MakeBmpHeaders(width, height, bitsPerPixel, colourTable);
    file.resize(file.size() + static_cast<std::size_t>(BmpStride(width, bitsPerPixel)) * static_cast<std::size_t>(height));
    return file;
}

std::vector<std::uint8_t> MakeBmpHeaders(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                         std::span<const std::uint8_t> colourTable)
{
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
        throw std::invalid_argument("BMP depth must be 1, 4, 8 or 24");
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("BMP size must be positive");
    if (colourTable.size() != 4 * BmpColourCount(bitsPerPixel))
        throw std::invalid_argument("BMP colour table has the wrong size");

    const std::uint64_t imageSize = BmpStride(width, bitsPerPixel) * static_cast<std::uint64_t>(height);
    const std::uint64_t offset = BmpPixelOffset(bitsPerPixel);
    // The header's size fields are 32-bit; the buffer must also fit a 32-bit process.
    if (imageSize + offset > std::numeric_limits<std::uint32_t>::max() ||
        imageSize + offset > std::numeric_limits<std::size_t>::max() / 2)
        throw std::invalid_argument("BMP too large for its header");

    std::vector<std::uint8_t> file(static_cast<std::size_t>(offset));
    std::uint8_t* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<std::uint32_t>(offset + imageSize));
    Put32(p + 10, static_cast<std::uint32_t>(offset));
    PutInfoHeader(p + kBmpFileHeaderSize, width, height, bitsPerPixel, kBiRgb,
                  static_cast<std::uint32_t>(imageSize));
    if (!colourTable.empty())
        std::memcpy(p + kBmpFileHeaderSize + kBmpInfoHeaderSize, colourTable.data(), colourTable.size());
    return file;
}

std::vector<std::uint8_t> EncodeBmp(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                    std::span<const std::uint8_t> colourTable,
                                    std::span<const std::uint8_t> rows)
{
    std::vector<std::uint8_t> file = MakeBmpFile(width, height, bitsPerPixel, colourTable);
    const std::size_t offset = BmpPixelOffset(bitsPerPixel);
    if (rows.size() != file.size() - offset)
        throw std::invalid_argument("BMP rows have the wrong size");
    std::memcpy(file.data() + offset, rows.data(), rows.size());
    return file;
}

namespace {

// The info header at h and what follows it. The rows start at pixelOffset when
// a file header gives one, else right after the colour table or masks (and,
// above 8 bits, the optional table of coloursUsed entries), as in a packed DIB.
BmpImage DecodeInfo(std::span<const std::uint8_t> file, std::size_t h, std::optional<std::uint32_t> pixelOffset)
{
    const std::size_t size = file.size();
    if (size < h + 4)
        throw BmpError("shorter than the file header");
    const std::uint32_t headerSize = Get32(file, h);
    if (headerSize != kCoreHeaderSize && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        throw BmpError("unknown info header size");
    if (size - h < headerSize)
        throw BmpError("info header cut short");

    BmpImage image;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    std::int64_t height = 0;
    int planes = 0;
    if (headerSize == kCoreHeaderSize) {
        // Unsigned 16-bit sizes, always bottom-up, 3-byte colour entries.
        image.width = Get16(file, h + 4);
        height = Get16(file, h + 6);
        planes = Get16(file, h + 8);
        image.bitsPerPixel = Get16(file, h + 10);
        image.colourEntrySize = 3;
        if (image.bitsPerPixel != 1 && image.bitsPerPixel != 4 && image.bitsPerPixel != 8 &&
            image.bitsPerPixel != 24)
            throw BmpError("depth not allowed with a core header");
    } else {
        image.width = static_cast<std::int32_t>(Get32(file, h + 4));
        height = static_cast<std::int32_t>(Get32(file, h + 8));
        planes = Get16(file, h + 12);
        image.bitsPerPixel = Get16(file, h + 14);
        compression = Get32(file, h + 16);
        coloursUsed = Get32(file, h + 32);
    }

    if (planes != 1)
        throw BmpError("planes not 1");
    if (!KnownDepth(image.bitsPerPixel))
        throw BmpError("unsupported depth");
    if (image.width <= 0)
        throw BmpError("width not positive");
    if (height == 0)
        throw BmpError("height 0");
    image.topDown = height < 0;
    // -INT_MIN has no 32-bit value, and no file could hold that many rows anyway.
    if (height < -std::numeric_limits<std::int32_t>::max())
        throw BmpError("height out of range");
    image.height = static_cast<std::int32_t>(height < 0 ? -height : height);

    std::uint64_t tableStart = h + std::uint64_t{headerSize};
    if (compression == kBiBitfields) {
        if (image.bitsPerPixel != 16 && image.bitsPerPixel != 32)
            throw BmpError("bit fields need 16 or 32 bits");
        // After a 40-byte header the masks follow it; longer headers hold them.
        const std::size_t at = h + kBmpInfoHeaderSize;
        if (headerSize == kBmpInfoHeaderSize) {
            if (size < at + 12)
                throw BmpError("bit-field masks cut short");
            tableStart += 12;
        }
        for (int i = 0; i < 3; ++i)
            image.masks[i] = Get32(file, at + 4 * static_cast<std::size_t>(i));
        if (!ValidMasks(image.masks, image.bitsPerPixel))
            throw BmpError("bad bit-field masks");
        image.bitfields = true;
    } else if (compression != kBiRgb) {
        throw BmpError("compressed");
    }

    std::uint64_t tableEnd = tableStart;
    if (image.bitsPerPixel <= 8) {
        const std::size_t full = BmpColourCount(image.bitsPerPixel);
        if (coloursUsed > full)
            throw BmpError("more colours than the depth allows");
        const std::size_t count = coloursUsed != 0 ? coloursUsed : full;
        tableEnd = tableStart + count * image.colourEntrySize;
        if (tableEnd > size)
            throw BmpError("colour table beyond the end of the file");
        image.colourTable = file.subspan(static_cast<std::size_t>(tableStart),
                                         count * image.colourEntrySize);
    } else if (!pixelOffset) {
        if (coloursUsed > 256)
            throw BmpError("more colours than any table holds");
        tableEnd += std::uint64_t{coloursUsed} * 4;
    }

    const std::uint64_t rows = pixelOffset ? *pixelOffset : tableEnd;
    if (rows < tableEnd)
        throw BmpError("pixels overlap the headers");
    if (rows > size)
        throw BmpError("pixels beyond the end of the file");
    image.stride = BmpStride(image.width, image.bitsPerPixel);
    // Divide rather than multiply: stride x height can pass 64 bits.
    if (static_cast<std::uint64_t>(image.height) > (size - rows) / image.stride)
        throw BmpError("pixel rows beyond the end of the file");
    image.pixels = file.subspan(static_cast<std::size_t>(rows), static_cast<std::size_t>(image.stride * image.height));
    return image;
}

} // namespace

BmpImage DecodeBmp(std::span<const std::uint8_t> file)
{
    if (file.size() < kBmpFileHeaderSize + 4)
        throw BmpError("shorter than the file header");
    if (file[0] != 'B' || file[1] != 'M')
        throw BmpError("no BM signature");
    return DecodeInfo(file, kBmpFileHeaderSize, Get32(file, 10));
}

BmpImage DecodePackedDib(std::span<const std::uint8_t> dib)
{
    return DecodeInfo(dib, 0, std::nullopt);
}

std::vector<std::uint8_t> MakeDibHeader(const BmpImage& image)
{
    const std::size_t colours = BmpColourCount(image.bitsPerPixel);
    std::vector<std::uint8_t> header(kBmpInfoHeaderSize + (image.bitfields ? 12 : 4 * colours));
    PutInfoHeader(header.data(), image.width, image.height, image.bitsPerPixel,
                  image.bitfields ? kBiBitfields : kBiRgb,
                  static_cast<std::uint32_t>(image.stride * static_cast<std::uint64_t>(image.height)));
    std::uint8_t* tail = header.data() + kBmpInfoHeaderSize;
    if (image.bitfields) {
        for (int i = 0; i < 3; ++i)
            Put32(tail + 4 * i, image.masks[i]);
    }
    // Entries are blue, green, red (and a reserved byte we leave 0).
    for (std::size_t i = 0; i < image.ColourCount(); ++i)
        std::memcpy(tail + 4 * i, image.colourTable.data() + i * image.colourEntrySize, 3);
    return header;
}

void CopyRowsBottomUp(const BmpImage& image, std::uint8_t* dest)
{
    if (!image.topDown) {
        std::memcpy(dest, image.pixels.data(), image.pixels.size());
        return;
    }
    const auto stride = static_cast<std::size_t>(image.stride);
    const std::uint8_t* src = image.pixels.data() + image.pixels.size();
    for (std::int32_t row = 0; row < image.height; ++row) {
        src -= stride;
        std::memcpy(dest + static_cast<std::size_t>(row) * stride, src, stride);
    }
}

} // namespace bmp
