// Catalogue entries. Their memory image is the catalogue file record, so they
// are packed and every offset is pinned down below.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace store {

inline constexpr int CatalogueCapacity = 10;
inline constexpr std::size_t PreviewCapacity = 50;
inline constexpr std::size_t FileNameCapacity = 12;

#pragma pack(push, 1)

// A length byte followed by a fixed run of single-byte characters. The length
// byte comes from disk and is never trusted beyond the field.
template <std::size_t N>
struct ShortString {
    std::uint8_t Length;
    char Chars[N];

    std::size_t Size() const noexcept { return std::min<std::size_t>(Length, N); }
    std::string Text() const { return std::string(Chars, Size()); }

    // A length byte beyond the field becomes the field's size; the
    // characters stay as they are.
    void CutLength() noexcept { Length = static_cast<std::uint8_t>(Size()); }

    // Cuts to the field and zeroes the unused tail.
    void Assign(std::string_view text) noexcept
    {
        const std::size_t n = std::min(text.size(), N);
        Length = static_cast<std::uint8_t>(n);
        std::memcpy(Chars, text.data(), n);
        std::memset(Chars + n, 0, N - n);
    }
};

struct TextClipEntry {
    ShortString<PreviewCapacity> Preview;
    ShortString<FileNameCapacity> FileName;
    double Captured;
    std::uint8_t Reserved[40];
};

struct BitmapClipEntry {
    ShortString<FileNameCapacity> FileName;
    std::uint8_t Padding[3];
    double Captured;
    std::uint8_t Reserved[40];
};

#pragma pack(pop)

// Every length byte within its field, every other byte as it was.
inline void CutLengths(TextClipEntry& entry) noexcept
{
    entry.Preview.CutLength();
    entry.FileName.CutLength();
}
inline void CutLengths(BitmapClipEntry& entry) noexcept
{
    entry.FileName.CutLength();
}

static_assert(sizeof(double) == 8);
static_assert(sizeof(ShortString<PreviewCapacity>) == 51);
static_assert(sizeof(ShortString<FileNameCapacity>) == 13);

static_assert(sizeof(TextClipEntry) == 112);
static_assert(offsetof(TextClipEntry, Preview) == 0);
static_assert(offsetof(TextClipEntry, Preview.Chars) == 1);
static_assert(offsetof(TextClipEntry, FileName) == 51);
static_assert(offsetof(TextClipEntry, FileName.Chars) == 52);
static_assert(offsetof(TextClipEntry, Captured) == 64);
static_assert(offsetof(TextClipEntry, Reserved) == 72);

static_assert(sizeof(BitmapClipEntry) == 64);
static_assert(offsetof(BitmapClipEntry, FileName) == 0);
static_assert(offsetof(BitmapClipEntry, FileName.Chars) == 1);
static_assert(offsetof(BitmapClipEntry, Padding) == 13);
static_assert(offsetof(BitmapClipEntry, Captured) == 16);
static_assert(offsetof(BitmapClipEntry, Reserved) == 24);

static_assert(std::is_trivially_copyable_v<TextClipEntry> && std::is_standard_layout_v<TextClipEntry>);
static_assert(std::is_trivially_copyable_v<BitmapClipEntry> && std::is_standard_layout_v<BitmapClipEntry>);

} // namespace store
