#include "bar/TextEncoding.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace encoding {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(char32_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The length of the well-formed sequence at bytes[at], or 0.
std::size_t SequenceLength(std::string_view bytes, std::size_t at, char32_t& code)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = b(0);
    std::size_t length;
    char32_t min;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b(i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf16(std::wstring& out, char32_t code)
{
    if (code >= 0x10000) {
        out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
        out += static_cast<wchar_t>(code);
    }
}

// The conversions take int lengths.
bool FitsTheConversions(std::size_t length)
{
    return length <= INT_MAX / 4;
}

// `wide` in the code page without best fit: what it lacks becomes `fallback`
// (the code page's default character when null). Empty when the code page
// converts nothing.
std::string Narrow(UINT codePage, std::wstring_view wide, const char* fallback)
{
    if (wide.empty())
        return {};
    const int length = static_cast<int>(wide.size());
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, fallback, nullptr);
    if (n <= 0) {
        // The UTF code pages take neither flags nor a default character.
        flags = 0;
        fallback = nullptr;
        n = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0)
        return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, out.data(), n, fallback, nullptr);
    return out;
}

// `wide` in the code page when it survives the trip there and back.
std::optional<std::string> HeldBytes(UINT codePage, std::wstring_view wide)
{
    // ASCII is itself in every ANSI code page: only the rest is converted.
    std::size_t i = 0;
    while (i < wide.size() && wide[i] < 0x80)
        ++i;
    std::string bytes(i, '\0');
    std::transform(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(i), bytes.begin(),
                   [](wchar_t c) { return static_cast<char>(c); });
    if (i == wide.size())
        return bytes;
    if (!FitsTheConversions(wide.size()))
        return std::nullopt;
    const std::wstring_view rest = wide.substr(i);
    const std::string narrowed = Narrow(codePage, rest, nullptr);
    if (narrowed.empty() || Widen(codePage, narrowed) != rest)
        return std::nullopt;
    return bytes + narrowed;
}

// The first `length` bytes of the text in the code page, "?" for what it
// lacks. Two units per byte at most are converted, a pair kept whole.
std::string AnsiPreview(UINT codePage, std::wstring_view wide, std::size_t length)
{
    std::size_t units = std::min(wide.size(), 2 * length);
    if (units > 0 && units < wide.size() && IsHighSurrogate(static_cast<char16_t>(wide[units - 1])))
        ++units;
    return Narrow(codePage, wide.substr(0, units), "?").substr(0, length);
}

} // namespace

std::string Utf16ToUtf8(std::wstring_view text)
{
    std::string out(text.size() * 3, '\0');
    std::size_t n = 0;
    auto put = [&](char32_t c) {
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
        } else if (c < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (c >> 6));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[n++] = static_cast<char>(0xE0 | (c >> 12));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[n++] = static_cast<char>(0xF0 | (c >> 18));
            out[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t u = static_cast<char16_t>(text[i]);
        if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
            const char32_t low = static_cast<char16_t>(text[++i]);
            put(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        } else {
            put(IsHighSurrogate(u) || IsLowSurrogate(u) ? kReplacement : u);
        }
    }
    out.resize(n);
    return out;
}

bool IsValidUtf8(std::string_view bytes)
{
    char32_t code;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(bytes, i, code);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::wstring Utf8ToUtf16(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    char32_t code;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = SequenceLength(bytes, i, code);
        if (length == 0) {
            code = kReplacement;
            length = 1;
        }
        AppendUtf16(out, code);
        i += length;
    }
    return out;
}

std::wstring_view WideTextOfBlock(const void* data, std::size_t size) noexcept
{
    if (!data)
        return {};
    const std::wstring_view units(static_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    return units.substr(0, units.find(L'\0'));
}

std::wstring Widen(UINT codePage, std::string_view ansi)
{
    if (ansi.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    return wide;
}

bool CodePageReads(UINT codePage, std::string_view ansi, std::wstring_view wide)
{
    // ASCII reads as itself in every ANSI code page, and a byte below 0x80
    // before the first one above it is never the second of a pair.
    std::size_t i = 0;
    const std::size_t common = std::min(ansi.size(), wide.size());
    while (i < common && static_cast<unsigned char>(ansi[i]) < 0x80 &&
           static_cast<wchar_t>(static_cast<unsigned char>(ansi[i])) == wide[i])
        ++i;
    if (i == ansi.size() || static_cast<unsigned char>(ansi[i]) < 0x80)
        return i == ansi.size() && i == wide.size();
    return FitsTheConversions(ansi.size()) && Widen(codePage, ansi.substr(i)) == wide.substr(i);
}

bool CodePageHolds(UINT codePage, std::wstring_view wide)
{
    return HeldBytes(codePage, wide).has_value();
}

TextFile TextFileContent(UINT codePage, std::string ansi, std::optional<std::wstring_view> wide,
                         std::size_t previewLength)
{
    // An empty Unicode text carries nothing that the CF_TEXT bytes lost.
    if (wide && wide->empty())
        wide.reset();
    if (!FitsTheConversions(ansi.size()) || (wide && !FitsTheConversions(wide->size()))) {
        std::string preview = ansi.substr(0, previewLength);
        return {std::move(ansi), std::move(preview)};
    }
    if (wide && !CodePageReads(codePage, ansi, *wide)) {
        std::optional<std::string> held = HeldBytes(codePage, *wide);
        if (!held)
            return {std::string(kUtf8Mark) + Utf16ToUtf8(*wide), AnsiPreview(codePage, *wide, previewLength)};
        // Into the CF_TEXT buffer: it is the memo's, kept between captures.
        ansi.assign(*held);
    }
    std::string preview = ansi.substr(0, previewLength);
    if (ansi.starts_with(kUtf8Mark) && IsValidUtf8(std::string_view(ansi).substr(kUtf8Mark.size())))
        return {std::string(kUtf8Mark) + Utf16ToUtf8(Widen(codePage, ansi)), std::move(preview)};
    return {std::move(ansi), std::move(preview)};
}

std::optional<std::wstring> UnicodeOfContent(std::string_view content)
{
    if (!content.starts_with(kUtf8Mark))
        return std::nullopt;
    content.remove_prefix(kUtf8Mark.size());
    if (!IsValidUtf8(content))
        return std::nullopt;
    return Utf8ToUtf16(content);
}

std::optional<std::wstring> UnicodeLineOfContent(std::string_view content, std::size_t count)
{
    if (!content.starts_with(kUtf8Mark))
        return std::nullopt;
    content.remove_prefix(kUtf8Mark.size());
    if (!IsValidUtf8(content))
        return std::nullopt;
    std::wstring line;
    char32_t code = 0;
    for (std::size_t at = 0, n = 0; at < content.size() && n < count; ++n) {
        at += SequenceLength(content, at, code);
        AppendUtf16(line, code < 0x20 ? U'.' : code);
    }
    return line;
}

} // namespace encoding
