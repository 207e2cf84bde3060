// Windows BMP files as bytes: writing our content files, and checking files read
// back from disk before any pixel is touched. No GDI here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace bmp {

// A file that is not a bitmap we can read; what() names the fault (for tests and
// debugging: the user sees the invalid-bitmap message).
class BmpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBmpInfoHeaderSize = 40;

// Bytes per pixel row, padded to a multiple of 4. 64-bit, so that any width a
// header can claim is computed without overflow.
std::uint64_t BmpStride(std::int64_t width, int bitsPerPixel);

// Colour table entries of a depth: 2, 16 or 256 up to 8 bits, none above.
std::size_t BmpColourCount(int bitsPerPixel);

// Where the rows of a file we write start: 14 + 40 + 4 bytes per colour entry.
std::size_t BmpPixelOffset(int bitsPerPixel);

// A BMP file of width x height pixels (bottom-up rows) at 1, 4, 8 or 24 bits per
// pixel, with both headers and the colour table (4 bytes per entry: blue, green,
// red, 0; BmpColourCount entries) written and the rows left zero, for the caller
// to fill from BmpPixelOffset. Throws std::invalid_argument for arguments no
// file can hold.
std::vector<std::uint8_t> MakeBmpFile(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                      std::span<const std::uint8_t> colourTable);

// The first BmpPixelOffset bytes of MakeBmpFile: headers and colour table, for
// rows written from elsewhere. Throws as MakeBmpFile does.
std::vector<std::uint8_t> MakeBmpHeaders(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                         std::span<const std::uint8_t> colourTable);

// MakeBmpFile with the rows given: bottom row first, each BmpStride bytes.
std::vector<std::uint8_t> EncodeBmp(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                    std::span<const std::uint8_t> colourTable,
                                    std::span<const std::uint8_t> rows);

// A checked file; the spans point into the bytes given to DecodeBmp.
struct BmpImage {
    std::int32_t width = 0;   // > 0
    std::int32_t height = 0;  // > 0: the number of rows, whatever their order
    int bitsPerPixel = 0;     // 1, 4, 8, 16, 24 or 32
    bool topDown = false;     // rows stored top row first
    bool bitfields = false;   // 16 or 32 bits with the masks below
    std::uint32_t masks[3] = {0, 0, 0};   // red, green, blue when bitfields
    std::size_t colourEntrySize = 4;      // 3 for the old 12-byte core header
    std::span<const std::uint8_t> colourTable;  // empty above 8 bits
    std::span<const std::uint8_t> pixels;       // stride x height bytes
    std::uint64_t stride = 0;

    std::size_t ColourCount() const { return colourTable.size() / colourEntrySize; }
};

// Checks every header field and size against the file and describes it. Takes
// 12-byte core headers, 40-byte info headers and their longer successors (52, 56,
// V4 108, V5 124), no compression, or bit fields at 16 and 32 bits. Throws
// BmpError; allocates nothing.
BmpImage DecodeBmp(std::span<const std::uint8_t> file);

// The same checks for a packed DIB (the clipboard's CF_DIB): the info header
// first, the rows right after the colour table or masks.
BmpImage DecodePackedDib(std::span<const std::uint8_t> dib);

// The header GDI takes for the image's pixels: a 40-byte info header for rows
// stored bottom-up, then either the full colour table (BmpColourCount entries of 4
// bytes, entries the file did not have black) or the three bit-field masks.
std::vector<std::uint8_t> MakeDibHeader(const BmpImage& image);

// Copies the image's rows into dest (stride x height bytes), bottom row first.
void CopyRowsBottomUp(const BmpImage& image, std::uint8_t* dest);

} // namespace bmp
