#include "ui/Picture.h"

#include "bmp/BmpFormat.h"
#include "ui/Errors.h"
#include "ui/Files.h"

#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace ui {

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";

// Header and full colour table, as GetDIBits and CreateDIBSection take them.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

DibInfo BottomUpDib(int width, int height, int bpp)
{
    DibInfo info{};
    info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

// The header of a bottom-up 24-bit DIB section: a content file's rows.
std::vector<std::uint8_t> RowsHeader(int width, int height)
{
    const DibInfo info = BottomUpDib(width, height, 24);
    std::vector<std::uint8_t> header(sizeof info.header);
    std::memcpy(header.data(), &info.header, header.size());
    return header;
}

[[noreturn]] void ThrowCannotCreate(int width, int height)
{
    throw AppError(Format("Cannot create a bitmap of %s pixels", std::to_string(width) + "x" + std::to_string(height)));
}

// A bitmap in the display's format, or a monochrome one.
Bitmap CreateDeviceBitmap(bool monochrome, int width, int height)
{
    Bitmap bitmap;
    if (monochrome) {
        bitmap.reset(CreateBitmap(width, height, 1, 1, nullptr));
    } else {
        WindowDc screen(nullptr);
        if (screen)
            bitmap.reset(CreateCompatibleBitmap(screen.get(), width, height));
    }
    if (!bitmap)
        ThrowCannotCreate(width, height);
    return bitmap;
}

Bitmap CreateDibSection(const void* info, int width, int height)
{
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, static_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, &bits,
                                   nullptr, 0));
    if (!bitmap || !bits)
        ThrowCannotCreate(width, height);
    return bitmap;
}

MemoryDc CreateMemoryDc()
{
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        throw AppError("Cannot create a device context");
    return dc;
}

// Copies the top-left width x height of source into target, both through the
// palette (when there is one) so that palette devices map the colours alike.
// False when a DC does not take the source: a device bitmap of another depth
// than the display's, or one still selected into its owner's DC.
bool TryBlit(HBITMAP target, HBITMAP source, HPALETTE palette, int width, int height)
{
    MemoryDc from = CreateMemoryDc();
    MemoryDc to = CreateMemoryDc();
    SelectGuard selectFrom(from.get(), source);
    if (GetCurrentObject(from.get(), OBJ_BITMAP) != source)
        return false;
    SelectGuard selectTo(to.get(), target);
    PaletteGuard paletteFrom(from.get(), palette);
    PaletteGuard paletteTo(to.get(), palette);
    // Colour to monochrome: the source's background colour becomes white.
    SetBkColor(from.get(), RGB(255, 255, 255));
    if (!BitBlt(to.get(), 0, 0, width, height, from.get(), 0, 0, SRCCOPY))
        throw AppError("Cannot copy the bitmap");
    return true;
}

void Blit(HBITMAP target, HBITMAP source, HPALETTE palette, int width, int height)
{
    if (!TryBlit(target, source, palette, width, height))
        throw AppError("Cannot copy the bitmap");
}

// The way round a bitmap that TryBlit cannot take: read its pixels as a DIB and
// write them into target. The pixels of a palette device's bitmap are indices
// into the palette given (GDI would take the system palette instead), or into
// the default palette.
void CopyAsDib(HBITMAP target, HBITMAP source, int depth, HPALETTE palette, int width, int height)
{
    const int bpp = depth == 4 || depth == 8 ? depth : 32;
    DibInfo info = BottomUpDib(width, height, bpp);
    const std::uint64_t size = bmp::BmpStride(width, bpp) * static_cast<std::uint64_t>(height);
    // A 32-bit process cannot hold every bitmap another process can make.
    if (size > std::numeric_limits<std::size_t>::max() / 2)
        ThrowCannotCreate(width, height);
    std::vector<std::uint8_t> bits;
    try {
        bits.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        ThrowCannotCreate(width, height);
    }
    MemoryDc dc = CreateMemoryDc();
    if (GetDIBits(dc.get(), source, 0, static_cast<UINT>(height), bits.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        throw AppError("Cannot read the clipboard bitmap");
    if (bpp <= 8) {
        PALETTEENTRY entries[256]{};
        const UINT count = GetPaletteEntries(
            palette ? palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 1u << bpp, entries);
        for (UINT i = 0; i < (1u << bpp); ++i) {
            const PALETTEENTRY e = i < count ? entries[i] : PALETTEENTRY{};
            info.colours[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
        }
        info.header.biClrUsed = 0;
    }
    if (SetDIBits(dc.get(), target, 0, static_cast<UINT>(height), bits.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        throw AppError("Cannot copy the bitmap");
}

int DisplayDepth()
{
    WindowDc screen(nullptr);
    return screen ? GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES) : 0;
}

Palette CopyPalette(HPALETTE source)
{
    if (!source)
        return {};
    WORD count = 0;
    if (GetObjectA(source, sizeof count, &count) == 0 || count == 0)
        return {};
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = count;
    GetPaletteEntries(source, 0, count, log->palPalEntry);
    Palette copy(CreatePalette(log));
    if (!copy)
        throw AppError("Cannot create the palette");
    return copy;
}

// The palette of a colour table of 4-byte entries (blue, green, red, 0).
Palette PaletteFromTable(const std::uint8_t* table, std::size_t count)
{
    std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* q = table + 4 * i;
        log->palPalEntry[i] = PALETTEENTRY{q[2], q[1], q[0], 0};
    }
    Palette palette(CreatePalette(log));
    if (!palette)
        throw AppError("Cannot create the palette");
    return palette;
}

bool BlackOrWhite(const std::uint8_t* quad)
{
    return (quad[0] == 0 && quad[1] == 0 && quad[2] == 0) ||
           (quad[0] == 255 && quad[1] == 255 && quad[2] == 255);
}

// Reads a whole file with one ReadFile into buffer, reusing it when it is large
// enough: fresh memory for each large file costs more than reading it.
std::span<const std::uint8_t> ReadBmpFile(const std::string& path, std::unique_ptr<std::uint8_t[]>& buffer,
                                          std::size_t& capacity)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        throw AppError(Format("Cannot open file %s", path));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        throw AppError(Format("Cannot read file %s", path));
    // No bitmap of ours comes near this; it also keeps the read to one call.
    if (size.QuadPart > 0x7FFFFFFF)
        throw AppError(kInvalidBitmap);
    const auto bytes = static_cast<std::size_t>(size.QuadPart);
    if (bytes > capacity) {
        buffer.reset();
        capacity = 0;
        try {
            buffer.reset(new std::uint8_t[bytes]);
        } catch (const std::bad_alloc&) {
            throw AppError(Format("Not enough memory to read file %s", path));
        }
        capacity = bytes;
    }
    DWORD read = 0;
    if (bytes != 0 && (!ReadFile(file.get(), buffer.get(), static_cast<DWORD>(bytes), &read, nullptr) ||
                       read != bytes))
        throw AppError(Format("Cannot read file %s", path));
    return {buffer.get(), bytes};
}

bmp::BmpImage DecodeFile(std::span<const std::uint8_t> bytes)
{
    try {
        return bmp::DecodeBmp(bytes);
    } catch (const bmp::BmpError&) {
        throw AppError(kInvalidBitmap);
    }
}

// COLORONCOLOR for a stretched copy, and black and white for a monochrome device
// bitmap, which takes its colours from the target's text and background colours.
class StretchSetup {
public:
    explicit StretchSetup(HDC dc)
        : dc_(dc), mode_(SetStretchBltMode(dc, COLORONCOLOR)), text_(SetTextColor(dc, RGB(0, 0, 0))),
          back_(SetBkColor(dc, RGB(255, 255, 255)))
    {
    }
    ~StretchSetup()
    {
        SetBkColor(dc_, back_);
        SetTextColor(dc_, text_);
        SetStretchBltMode(dc_, mode_);
    }
    StretchSetup(const StretchSetup&) = delete;
    StretchSetup& operator=(const StretchSetup&) = delete;

private:
    HDC dc_;
    int mode_;
    COLORREF text_;
    COLORREF back_;
};

} // namespace

void Picture::Take(Bitmap bitmap, Palette palette)
{
    BITMAP bm{};
    GetObjectA(bitmap.get(), sizeof bm, &bm);
    bitmap_ = std::move(bitmap);
    palette_ = std::move(palette);
    width_ = bm.bmWidth;
    height_ = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    bitsPerPixel_ = bm.bmBitsPixel * bm.bmPlanes;
}

void Picture::Clear() noexcept
{
    bitmap_.reset();
    palette_.reset();
    dibHeader_.clear();
    width_ = height_ = bitsPerPixel_ = 0;
    monochrome_ = false;
}

void Picture::AssignFromClipboardBitmap(HBITMAP source, HPALETTE palette)
{
    BITMAP bm{};
    if (!source || GetObjectA(source, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight == 0)
        throw AppError("Cannot read the clipboard bitmap");
    const int width = bm.bmWidth;
    const int height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    const int depth = bm.bmBitsPixel * bm.bmPlanes;
    const bool monochrome = depth == 1;

    if (!monochrome && !palette && depth >= 16 && depth == DisplayDepth() && TryReadRows(source, width, height))
        return;

    Bitmap copy = CreateDeviceBitmap(monochrome, width, height);
    Palette paletteCopy = CopyPalette(palette);
    if (!TryBlit(copy.get(), source, palette, width, height))
        CopyAsDib(copy.get(), source, depth, palette, width, height);

    Take(std::move(copy), std::move(paletteCopy));
    dibHeader_.clear();
    monochrome_ = monochrome;
}

void Picture::AssignFromClipboardDib(std::span<const std::uint8_t> dib)
{
    bmp::BmpImage image;
    try {
        image = bmp::DecodePackedDib(dib);
    } catch (const bmp::BmpError&) {
        throw AppError("Cannot read the clipboard bitmap");
    }
    // GDI reads the rows where they are, through a header of our own making.
    std::vector<std::uint8_t> source = bmp::MakeDibHeader(image);
    if (image.topDown) {
        const std::int32_t rowsDown = -image.height;
        std::memcpy(source.data() + 8, &rowsDown, sizeof rowsDown);
    }
    HoldRows(image.width, image.height);
    MemoryDc dc = CreateMemoryDc();
    if (SetDIBits(dc.get(), bitmap_.get(), 0, static_cast<UINT>(image.height), image.pixels.data(),
                  reinterpret_cast<const BITMAPINFO*>(source.data()), DIB_RGB_COLORS) != image.height) {
        Clear();
        throw AppError("Cannot read the clipboard bitmap");
    }
}

void* Picture::HeldRows(int width, int height) const
{
    DIBSECTION section{};
    if (!bitmap_ || dibHeader_.size() != sizeof(BITMAPINFOHEADER) ||
        GetObjectA(bitmap_.get(), sizeof section, &section) != sizeof section)
        return nullptr;
    const BITMAPINFOHEADER& held = section.dsBmih;
    const bool same = held.biWidth == width && held.biHeight == height && held.biBitCount == 24 &&
                      held.biCompression == BI_RGB;
    return same ? section.dsBm.bmBits : nullptr;
}

void* Picture::HoldRows(int width, int height)
{
    if (void* rows = HeldRows(width, height))
        return rows;
    std::vector<std::uint8_t> header = RowsHeader(width, height);
    Bitmap rows = CreateDibSection(header.data(), width, height);
    Take(std::move(rows), Palette());
    dibHeader_ = std::move(header);
    monochrome_ = false;
    return HeldRows(width, height);
}

bool Picture::TryReadRows(HBITMAP source, int width, int height)
{
    DibInfo info = BottomUpDib(width, height, 24);
    void* rows = HoldRows(width, height);
    MemoryDc dc = CreateMemoryDc();
    // Rows a failed read has spoilt are replaced by the caller's other way.
    return rows && GetDIBits(dc.get(), source, 0, static_cast<UINT>(height), rows,
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
}

void Picture::TrimOddWidth()
{
    if (Empty() || width_ % 2 == 0 || width_ == 1)
        return;
    const int width = width_ - 1;
    Bitmap trimmed;
    std::vector<std::uint8_t> header = dibHeader_;
    if (header.empty()) {
        trimmed = CreateDeviceBitmap(monochrome_, width, height_);
    } else {
        auto* info = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
        info->biWidth = width;
        info->biSizeImage = 0;
        trimmed = CreateDibSection(header.data(), width, height_);
    }
    Blit(trimmed.get(), bitmap_.get(), palette_.get(), width, height_);
    bitmap_ = std::move(trimmed);
    dibHeader_ = std::move(header);
    width_ = width;
}

std::vector<std::uint8_t> Picture::EncodeBmp() const
{
    if (Empty())
        throw AppError("There is no picture to save");
    const int bpp = bitsPerPixel_ <= 8 ? bitsPerPixel_ : 24;
    const std::size_t colours = bmp::BmpColourCount(bpp);

    std::vector<std::uint8_t> file;
    try {
        file = bmp::MakeBmpFile(width_, height_, bpp, std::vector<std::uint8_t>(4 * colours));
    } catch (const std::exception&) {
        // Too large for a BMP header, or for memory.
        ThrowCannotCreate(width_, height_);
    }

    DibInfo info = BottomUpDib(width_, height_, bpp);
    MemoryDc dc = CreateMemoryDc();
    PaletteGuard selectPalette(dc.get(), palette_.get());
    // GetDIBits converts to the depth asked for and writes the rows bottom-up,
    // padded, straight into the file.
    if (GetDIBits(dc.get(), bitmap_.get(), 0, static_cast<UINT>(height_),
                  file.data() + bmp::BmpPixelOffset(bpp), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != height_)
        throw AppError("Cannot read the bitmap's pixels");
    if (dibHeader_.empty() && bpp == 1) {
        // A monochrome device bitmap's 0 is black and 1 white, whatever the DC.
        info.colours[0] = RGBQUAD{0, 0, 0, 0};
        info.colours[1] = RGBQUAD{255, 255, 255, 0};
    }
    for (std::size_t i = 0; i < colours; ++i)
        info.colours[i].rgbReserved = 0;
    std::memcpy(file.data() + bmp::kBmpFileHeaderSize + bmp::kBmpInfoHeaderSize, info.colours,
                4 * colours);
    return file;
}

void Picture::SaveToFile(const std::string& path) const
{
    // A bottom-up 24-bit DIB section holds its rows as the file does: they
    // are written from where they are, after headers of their own.
    std::vector<std::uint8_t> encoded;
    std::span<const std::uint8_t> parts[2];
    DIBSECTION section{};
    if (!Empty() && bitsPerPixel_ == 24 && dibHeader_.size() == sizeof(BITMAPINFOHEADER) &&
        GetObjectA(bitmap_.get(), sizeof section, &section) == sizeof section && section.dsBm.bmBits &&
        section.dsBmih.biHeight > 0) {
        try {
            encoded = bmp::MakeBmpHeaders(width_, height_, 24, {});
        } catch (const std::exception&) {
            ThrowCannotCreate(width_, height_);
        }
        // The headers took the size, so it fits the 32 bits of a file's; a
        // 32-bit size_t must not be trusted to multiply it.
        const std::uint64_t rows = bmp::BmpStride(width_, 24) * static_cast<std::uint64_t>(height_);
        if (rows > MAXDWORD)
            ThrowCannotCreate(width_, height_);
        parts[0] = encoded;
        parts[1] = {static_cast<const std::uint8_t*>(section.dsBm.bmBits), static_cast<std::size_t>(rows)};
    } else {
        encoded = EncodeBmp();
        parts[0] = encoded;
    }
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw AppError(Format("Cannot create file %s", path));
    // Whole parts at once: the headers cap the file's size at 32 bits.
    bool written = true;
    for (std::span<const std::uint8_t> part : parts) {
        DWORD done = 0;
        written = written && part.size() <= MAXDWORD && (part.empty() || (WriteFile(file.get(), part.data(), static_cast<DWORD>(part.size()),
                                                         &done, nullptr) &&
                                               done == part.size()));
    }
    if (!written || !FlushToDisk(file.get())) {
        // A cut-off content file would only fail later, in the browser.
        file.reset();
        DeleteFileA(path.c_str());
        throw AppError(Format("Cannot write file %s", path));
    }
}

void Picture::LoadFromFile(const std::string& path)
{
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t capacity = 0;
    const bmp::BmpImage image = DecodeFile(ReadBmpFile(path, buffer, capacity));

    std::vector<std::uint8_t> header = bmp::MakeDibHeader(image);
    Bitmap bitmap = CreateDibSection(header.data(), image.width, image.height);
    DIBSECTION section{};
    GetObjectA(bitmap.get(), sizeof section, &section);
    bmp::CopyRowsBottomUp(image, static_cast<std::uint8_t*>(section.dsBm.bmBits));

    Palette palette;
    bool monochrome = false;
    if (image.bitsPerPixel <= 8) {
        const std::uint8_t* table = header.data() + bmp::kBmpInfoHeaderSize;
        palette = PaletteFromTable(table, image.ColourCount());
        monochrome = image.bitsPerPixel == 1 && BlackOrWhite(table) && BlackOrWhite(table + 4);
    }

    Take(std::move(bitmap), std::move(palette));
    dibHeader_ = std::move(header);
    monochrome_ = monochrome;
}

HGLOBAL Picture::CreateClipboardDib() const
{
    if (Empty())
        throw AppError("There is no picture to copy");
    const std::vector<std::uint8_t> file = EncodeBmp();
    const std::size_t size = file.size() - bmp::kBmpFileHeaderSize;
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory)
        throw AppError("Not enough memory to copy the bitmap");
    {
        GlobalLockGuard lock(memory.get());
        if (!lock.get())
            throw AppError("Not enough memory to copy the bitmap");
        std::memcpy(lock.get(), file.data() + bmp::kBmpFileHeaderSize, size);
    }
    return memory.release();
}

HPALETTE Picture::CreatePaletteCopy() const
{
    return CopyPalette(palette_.get()).release();
}

void Picture::StretchTo(HDC dc, int x, int y, int w, int h) const
{
    if (Empty())
        return;
    MemoryDc source = CreateMemoryDc();
    SelectGuard select(source.get(), bitmap_.get());
    PaletteGuard paletteTarget(dc, palette_.get());
    StretchSetup setup(dc);
    if (!StretchBlt(dc, x, y, w, h, source.get(), 0, 0, width_, height_, SRCCOPY))
        throw AppError("Cannot draw the bitmap");
}

SIZE ThumbnailReader::Draw(const std::string& path, HDC dc, int x, int y, int w, int h)
{
    const bmp::BmpImage image = DecodeFile(ReadBmpFile(path, file_, capacity_));

    // GDI's stretch works through every source pixel (tens of milliseconds for a
    // 4K picture under Wine); so pick the rows the target shows here, nearest
    // to each target row's centre, and let GDI shrink only those.
    const int rows = h > 0 && h < image.height ? h : image.height;
    const auto stride = static_cast<std::size_t>(image.stride);
    rows_.resize(stride * static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        // Row r from the top of the sample, from the top of the image, in the file.
        const auto fromTop = static_cast<std::int32_t>((2 * std::int64_t{r} + 1) * image.height / (2 * rows));
        const std::int32_t inFile = image.topDown ? fromTop : image.height - 1 - fromTop;
        std::memcpy(rows_.data() + static_cast<std::size_t>(rows - 1 - r) * stride,
                    image.pixels.data() + static_cast<std::size_t>(inFile) * stride, stride);
    }

    std::vector<std::uint8_t> header = bmp::MakeDibHeader(image);
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(header.data());
    info->biHeight = rows;
    info->biSizeImage = static_cast<DWORD>(rows_.size());
    StretchSetup setup(dc);
    if (StretchDIBits(dc, x, y, w, h, 0, 0, image.width, rows, rows_.data(),
                      reinterpret_cast<const BITMAPINFO*>(header.data()), DIB_RGB_COLORS, SRCCOPY) == 0)
        throw AppError("Cannot draw the bitmap");
    return SIZE{image.width, image.height};
}

} // namespace ui
