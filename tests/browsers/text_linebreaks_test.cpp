// Line breaks of a text clip on its way back to the clipboard.
#include "browsers/TextBrowser.h"

#include <gtest/gtest.h>

TEST(NormaliseLineBreaks, EveryKindOfBreakBecomesCrLfAndNothingElseChanges)
{
    EXPECT_EQ(NormaliseLineBreaks(""), "");
    EXPECT_EQ(NormaliseLineBreaks("no breaks"), "no breaks");
    EXPECT_EQ(NormaliseLineBreaks("a\nb"), "a\r\nb");
    EXPECT_EQ(NormaliseLineBreaks("a\rb"), "a\r\nb");
    EXPECT_EQ(NormaliseLineBreaks("a\r\nb"), "a\r\nb");
    // LF CR is two breaks, CR CR LF two as well.
    EXPECT_EQ(NormaliseLineBreaks("a\n\rb"), "a\r\n\r\nb");
    EXPECT_EQ(NormaliseLineBreaks("a\r\r\nb"), "a\r\n\r\nb");
    EXPECT_EQ(NormaliseLineBreaks("\n\n"), "\r\n\r\n");
    // Breaks at either end, a CR as the very last byte.
    EXPECT_EQ(NormaliseLineBreaks("\nmid\r"), "\r\nmid\r\n");
    EXPECT_EQ(NormaliseLineBreaks("\r"), "\r\n");
    // Already normalised text is left as it is.
    std::string done = "one\r\ntwo\r\n\r\nthree";
    EXPECT_EQ(NormaliseLineBreaks(done), done);
    // Other control and high bytes pass through.
    std::string odd("t\tab\x01\xC8\xFF", 7);
    EXPECT_EQ(NormaliseLineBreaks(odd), odd);
}
