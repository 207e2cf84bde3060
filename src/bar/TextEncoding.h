// Text clips in two encodings: the ANSI code page's bytes, as programs that
// copy only CF_TEXT give them and as every existing content file holds them,
// and UTF-8 after a byte-order mark for text the code page cannot hold.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace encoding {

// EF BB BF: the first bytes of a content file that holds UTF-8.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// UTF-16 to UTF-8. An unpaired surrogate is no character: it becomes U+FFFD.
std::string Utf16ToUtf8(std::wstring_view text);
// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF,
// no cut-off sequence.
bool IsValidUtf8(std::string_view bytes);
// UTF-8 to UTF-16; each byte that starts no well-formed sequence becomes U+FFFD.
std::wstring Utf8ToUtf16(std::string_view bytes);

// The text of a CF_UNICODETEXT block: whole 16-bit units up to the first NUL,
// never past the block's end (an odd last byte is not half a character).
std::wstring_view WideTextOfBlock(const void* data, std::size_t size) noexcept;

// Code-page text as UTF-16, the way the system converts it.
std::wstring Widen(UINT codePage, std::string_view ansi);

// Whether `ansi`, read in code page `codePage`, is exactly `wide`.
bool CodePageReads(UINT codePage, std::string_view ansi, std::wstring_view wide);
// Whether `wide` survives the trip to the code page and back unchanged (no
// default character, no best-fit look-alike).
bool CodePageHolds(UINT codePage, std::wstring_view wide);

// A text clip's content file and the single-byte text its preview is made from.
struct TextFile {
    std::string content;
    std::string preview;  // at most the length asked for
};

// The content file of a text clip, given the clipboard's CF_TEXT bytes and,
// when it offers one, its CF_UNICODETEXT text. The system makes CF_TEXT in
// the code page of the keyboard layout the user copied with, which need not
// be `codePage`, the ANSI one. So: the CF_TEXT bytes when they read as the
// Unicode text; else the Unicode text in the code page when it holds it; else
// the mark and the text as UTF-8, whose preview is the text in the code page
// with "?" for what it lacks. Code-page bytes that would read back as a
// marked UTF-8 file are marked too, so that they come back as they were copied.
TextFile TextFileContent(UINT codePage, std::string ansi, std::optional<std::wstring_view> wide,
                         std::size_t previewLength);

// The Unicode text of a content file that starts with the mark and is valid
// UTF-8 after it; nothing for any other file, which holds code-page bytes.
std::optional<std::wstring> UnicodeOfContent(std::string_view content);

// The first `count` characters of the text of a content file that
// UnicodeOfContent reads (a surrogate pair is one), each below U+0020 shown as
// "." as in a preview; nothing for any other file.
std::optional<std::wstring> UnicodeLineOfContent(std::string_view content, std::size_t count);

} // namespace encoding
