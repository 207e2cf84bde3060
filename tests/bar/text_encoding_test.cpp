// The two encodings of text clips: conversions, the check that a marked file
// is UTF-8, and the choice between the CF_TEXT bytes and UTF-8.
#include "bar/TextEncoding.h"

#include <gtest/gtest.h>

using namespace encoding;

namespace {

constexpr UINT kWestern = 1252, kCyrillic = 1251, kJapanese = 932;

// Cyrillic, CJK and U+1F600 (a surrogate pair).
const std::wstring kWide = L"\u041F\u0440\u0438\u0432\u0435\u0442 \u6771\u4EAC \xD83D\xDE00";
const std::string kUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80";

std::string Marked(const std::string& utf8)
{
    return std::string(kUtf8Mark) + utf8;
}

std::string Content(UINT codePage, std::string ansi, std::optional<std::wstring_view> wide)
{
    return TextFileContent(codePage, std::move(ansi), wide, 50).content;
}

} // namespace

TEST(Utf, ConversionsBothWaysAndUnpairedSurrogatesBecomeReplacements)
{
    EXPECT_EQ(Utf16ToUtf8(kWide), kUtf8);
    EXPECT_EQ(Utf8ToUtf16(kUtf8), kWide);
    EXPECT_EQ(Utf16ToUtf8(L""), "");
    EXPECT_EQ(Utf16ToUtf8(L"\x00BD\x20AC"), "\xC2\xBD\xE2\x82\xAC");
    // A lone high, a lone low, a high at the very end.
    EXPECT_EQ(Utf16ToUtf8(L"a\xD83D" L"b\xDE00\xD83D"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(IsValidUtf8(Utf16ToUtf8(L"\xDE00\xD83D")));
}

TEST(Utf, OnlyWellFormedUtf8IsValid)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8(kUtf8));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF
    const char* invalid[] = {
        "\xC0\x80",          // overlong NUL
        "\xE0\x80\xAF",      // overlong slash
        "\xED\xA0\x80",      // an encoded surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xF5\x80\x80\x80",  // no such lead byte
        "\xE2\x82",          // cut off
        "a\x80z",            // a stray continuation
        "\xC3\x28",          // a lead without its continuation
        "\xFF",
    };
    for (const char* bytes : invalid) {
        EXPECT_FALSE(IsValidUtf8(bytes)) << bytes;
        EXPECT_NE(Utf8ToUtf16(bytes).find(L'\xFFFD'), std::wstring::npos) << bytes;
    }
}

TEST(Utf, TheUnicodeBlockEndsAtItsNulOrAtItsLastWholeUnit)
{
    const wchar_t block[] = {L'a', L'b', L'\0', L'c'};
    EXPECT_EQ(WideTextOfBlock(block, sizeof block), L"ab");
    EXPECT_EQ(WideTextOfBlock(block + 3, 2), L"c");
    // An odd size: the last byte is not half a character.
    EXPECT_EQ(WideTextOfBlock(block, 3), L"a");
    EXPECT_EQ(WideTextOfBlock(block, 1), L"");
    EXPECT_EQ(WideTextOfBlock(nullptr, 8), L"");
}

TEST(TextFileContent, UnicodeTheCodePageLostIsKeptAsMarkedUtf8)
{
    EXPECT_EQ(Content(kWestern, "?????? ?? ?", kWide), Marked(kUtf8));
    // A best-fit look-alike is a lost character as well.
    EXPECT_EQ(Content(kWestern, "a", std::wstring_view(L"\x0101")), Marked("\xC4\x81"));
    EXPECT_FALSE(CodePageHolds(kWestern, L"\x0101"));
    // An unpaired surrogate cannot be held either; the rest is kept.
    EXPECT_EQ(Content(kWestern, "x?", std::wstring_view(L"x\xD800")), Marked("x\xEF\xBF\xBD"));
}

TEST(TextFileContent, TextTheCodePageHoldsIsTheCfTextBytes)
{
    // Programs that copy only CF_TEXT: every byte, as the system widens it.
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::wstring widened(all.size(), L'\0');
    MultiByteToWideChar(kWestern, 0, all.data(), static_cast<int>(all.size()), widened.data(),
                        static_cast<int>(widened.size()));
    EXPECT_TRUE(CodePageReads(kWestern, all, widened));
    EXPECT_EQ(Content(kWestern, all, widened), all);
    EXPECT_EQ(Content(kWestern, all, std::nullopt), all);
    // Unicode text the code page holds, and the same in a double-byte one.
    EXPECT_EQ(Content(kWestern, "\xBD \x80", std::wstring_view(L"\x00BD \x20AC")), "\xBD \x80");
    EXPECT_EQ(Content(kJapanese, "\x93\x8C\x8B\x9E", std::wstring_view(L"\u6771\u4EAC")),
              "\x93\x8C\x8B\x9E");
    // CF_TEXT and CF_UNICODETEXT that disagree: the Unicode text counts,
    // unless it is empty.
    EXPECT_FALSE(CodePageReads(kWestern, "abc", L"xyz"));
    EXPECT_EQ(Content(kWestern, "abc", std::wstring_view(L"xyz")), "xyz");
    EXPECT_EQ(Content(kWestern, "x", std::wstring_view(L"")), "x");
    EXPECT_EQ(Content(kWestern, "", std::wstring_view(L"")), "");
}

TEST(TextFileContent, TextCopiedUnderAnotherLayoutKeepsItsCharactersAndItsPreviewIsTheFilesBytes)
{
    // A Cyrillic system, the English layout: CF_TEXT was made in 1252.
    const std::wstring privet = L"\u043F\u0440\u0438\u0432\u0435\u0442";
    TextFile file = TextFileContent(kCyrillic, "??????", privet, 50);
    EXPECT_EQ(file.content, "\xEF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(file.preview, file.content);
    // A Western system, the Russian layout: CF_TEXT was made in 1251, whose
    // euro sign is 0x88 ("\u02C6" in 1252).
    file = TextFileContent(kWestern, "50 \x88", std::wstring_view(L"50 \x20AC"), 50);
    EXPECT_EQ(file.content, "50 \x80");
    EXPECT_EQ(file.preview, "50 \x80");
    // Neither code page holds it: UTF-8, previewed in the system's code page
    // with "?" for what it lacks.
    file = TextFileContent(kCyrillic, "?? \x80", std::wstring_view(L"\u6771\u4EAC \x20AC"), 50);
    EXPECT_EQ(file.content, Marked("\xE6\x9D\xB1\xE4\xBA\xAC \xE2\x82\xAC"));
    EXPECT_EQ(file.preview, "?? \x88");
    // The preview is cut to its length; CF_TEXT the system read right is kept.
    const std::wstring faces(60, L'\x263A');
    file = TextFileContent(kWestern, std::string(60, '?'), faces, 50);
    EXPECT_EQ(file.preview, std::string(50, '?'));
    const std::string long1251 = "\xEF\xF0\xE8\xE2\xE5\xF2" + std::string(60, 'x');
    file = TextFileContent(kCyrillic, long1251, privet + std::wstring(60, L'x'), 50);
    EXPECT_EQ(file.content, long1251);
    EXPECT_EQ(file.preview, file.content.substr(0, 50));
}

TEST(TextFileContent, CfTextThatLooksLikeAMarkedFileIsMarkedSoItComesBackAsCopied)
{
    // "ï»¿é" in code page 1252 is the mark followed by valid UTF-8.
    const std::string looksMarked = "\xEF\xBB\xBF\xC3\xA9";
    const std::string content = Content(kWestern, looksMarked, std::nullopt);
    EXPECT_EQ(content, Marked("\xC3\xAF\xC2\xBB\xC2\xBF\xC3\x83\xC2\xA9"));
    EXPECT_EQ(UnicodeOfContent(content), std::wstring(L"\x00EF\x00BB\x00BF\x00C3\x00A9"));
    // The mark followed by what is not UTF-8 stays as it is.
    EXPECT_EQ(Content(kWestern, "\xEF\xBB\xBF\xE9", std::nullopt), "\xEF\xBB\xBF\xE9");
}

TEST(UnicodeOfContent, OnlyAMarkedValidFileIsUnicode)
{
    EXPECT_EQ(UnicodeOfContent(Marked(kUtf8)), kWide);
    EXPECT_EQ(UnicodeOfContent(Marked("")), std::wstring());
    EXPECT_EQ(UnicodeOfContent(kUtf8), std::nullopt);
    EXPECT_EQ(UnicodeOfContent(Marked("caf\xE9")), std::nullopt);
    EXPECT_EQ(UnicodeOfContent("\xEF\xBB"), std::nullopt);

    // Its first characters for a line, a pair counted once, control
    // characters as dots.
    EXPECT_EQ(UnicodeLineOfContent(Marked(kUtf8), 11), kWide);
    EXPECT_EQ(UnicodeLineOfContent(Marked(kUtf8), 10), kWide.substr(0, 10));
    EXPECT_EQ(UnicodeLineOfContent(Marked("a\tb\r\n"), 50), std::wstring(L"a.b.."));
    EXPECT_EQ(UnicodeLineOfContent(Marked("caf\xE9"), 50), std::nullopt);
    EXPECT_EQ(UnicodeLineOfContent("abc", 50), std::nullopt);
}
