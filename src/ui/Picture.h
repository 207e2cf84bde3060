// A picture holder: one bitmap and its palette, filled from the clipboard or a BMP
// file, written to a BMP file or put back on the clipboard, drawn stretched.
#pragma once

#include "ui/Handles.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ui {

class Picture {
public:
    Picture() = default;
    Picture(Picture&&) noexcept = default;
    Picture& operator=(Picture&&) noexcept = default;

    // Copies a clipboard bitmap (CF_BITMAP) into a bitmap of the display's format,
    // drawn through the clipboard's palette (CF_PALETTE) when given; a monochrome
    // bitmap stays monochrome. The source stays the caller's. Throws AppError.
    void AssignFromClipboardBitmap(HBITMAP source, HPALETTE palette);
    // Copies a clipboard DIB (CF_DIB, checked as untrusted bytes) into the rows
    // of a 24-bit content file, as a bitmap the system made of it would be held.
    // Throws AppError.
    void AssignFromClipboardDib(std::span<const std::uint8_t> dib);

    // Drops the rightmost column of an odd width. A picture one pixel wide keeps
    // its column: a bitmap of width 0 cannot be written.
    void TrimOddWidth();

    // The picture as a BMP file: 1 bit per pixel when monochrome, 4 or 8 with the
    // colour table when the bitmap has that depth, otherwise 24.
    std::vector<std::uint8_t> EncodeBmp() const;
    // Creates or replaces the file, flushed to the disk (FlushToDisk). Throws
    // AppError "Cannot create file <path>", "Cannot write file <path>" (the
    // partial file is removed), or a GDI error.
    void SaveToFile(const std::string& path) const;

    // Reads a BMP file into the picture (a bitmap of the file's depth, with a
    // palette when the file has a colour table). Throws AppError: "Cannot open
    // file <path>", "Cannot read file <path>", "Not enough memory to read file
    // <path>", "Bitmap image is not valid", "Cannot create a bitmap of WxH
    // pixels". On failure the picture keeps what it held.
    void LoadFromFile(const std::string& path);

    HBITMAP Handle() const noexcept { return bitmap_.get(); }
    HPALETTE PaletteHandle() const noexcept { return palette_.get(); }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    int BitsPerPixel() const noexcept { return bitsPerPixel_; }
    bool Empty() const noexcept { return !bitmap_; }
    void Clear() noexcept;

    // The picture as a packed DIB for SetClipboardData(CF_DIB): the BMP file
    // EncodeBmp writes, less its file header, in moveable memory the caller owns
    // until the clipboard takes it. Memory, not a GDI bitmap, crosses between
    // 32- and 64-bit programs intact; the system offers CF_BITMAP from it.
    // Throws AppError; needs a non-empty picture.
    HGLOBAL CreateClipboardDib() const;
    // A copy of the palette for CF_PALETTE, or null when there is none.
    HPALETTE CreatePaletteCopy() const;

    // Draws the whole picture stretched over (x, y, w, h) of dc, dropping or
    // repeating pixels (COLORONCOLOR), without smoothing. Throws AppError.
    void StretchTo(HDC dc, int x, int y, int w, int h) const;

private:
    void Take(Bitmap bitmap, Palette palette);
    // The bits of a bottom-up 24-bit DIB section of this size, the rows of a
    // content file: HeldRows when the picture holds one already (else null),
    // HoldRows making one when not. Captures of one size in a row reuse their
    // rows: no fresh memory to fault in for each (24 MB at 3840 x 2160).
    void* HeldRows(int width, int height) const;
    void* HoldRows(int width, int height);
    // A bitmap in the display's format needs no drawing: its pixels are read
    // straight into the rows of its content file. False when GDI does not
    // read the bitmap.
    bool TryReadRows(HBITMAP source, int width, int height);

    Bitmap bitmap_;
    Palette palette_;
    // The DIB section's header and colour table when loaded from a file; empty
    // for a device bitmap.
    std::vector<std::uint8_t> dibHeader_;
    // Black and white only: copies are monochrome device bitmaps.
    bool monochrome_ = false;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
};

// Draws BMP files as thumbnails without building their full bitmaps: only the
// rows a thumbnail shows are handed to GDI. One reader serves a whole pass over
// the catalogue, keeping its file buffer from one file to the next.
class ThumbnailReader {
public:
    // Draws the file stretched over (x, y, w, h) of dc (COLORONCOLOR: pixels are
    // dropped or repeated, the aspect ratio is not kept) and returns its size in
    // pixels. Throws what Picture::LoadFromFile throws, and "Cannot draw the
    // bitmap"; dc is left untouched then.
    SIZE Draw(const std::string& path, HDC dc, int x, int y, int w, int h);

private:
    std::unique_ptr<std::uint8_t[]> file_;
    std::size_t capacity_ = 0;
    std::vector<std::uint8_t> rows_;
};

} // namespace ui
