#include "bar/TextEncoding.h"

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

// Code-page text as UTF-16, the way the system converts it.
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

// The conversions take int lengths.
bool FitsTheConversions(std::size_t length)
{
    return length <= INT_MAX / 4;
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
        if (code >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(code);
        }
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
    std::size_t i = 0;
    while (i < wide.size() && wide[i] < 0x80)
        ++i;
    if (i == wide.size())
        return true;
    if (!FitsTheConversions(wide.size()))
        return false;
    const std::wstring_view rest = wide.substr(i);
    const int length = static_cast<int>(rest.size());
    // Without best fit, a character the code page lacks becomes the default
    // character rather than a look-alike; the UTF code pages take no flags.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, rest.data(), length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        flags = 0;
        n = WideCharToMultiByte(codePage, flags, rest.data(), length, nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0)
        return false;
    std::string ansi(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, rest.data(), length, ansi.data(), n, nullptr, nullptr);
    return Widen(codePage, ansi) == rest;
}

std::string TextFileContent(UINT codePage, std::string ansi, std::optional<std::wstring_view> wide)
{
    if (!FitsTheConversions(ansi.size()) || (wide && !FitsTheConversions(wide->size())))
        return ansi;
    if (wide && !CodePageReads(codePage, ansi, *wide) && !CodePageHolds(codePage, *wide))
        return std::string(kUtf8Mark) + Utf16ToUtf8(*wide);
    if (ansi.starts_with(kUtf8Mark) && IsValidUtf8(std::string_view(ansi).substr(kUtf8Mark.size())))
        return std::string(kUtf8Mark) + Utf16ToUtf8(Widen(codePage, ansi));
    return ansi;
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

} // namespace encoding
