// The text browser used as a user would: clips copied in another program, the
// bar's text button clicked, a line double-clicked; the clip comes back on the
// clipboard for every program, and is not captured a second time.
#include "bar/monitor_support.h"
#include "support/RunningProgram.h"

using namespace testing_support;
using namespace monitor_test;

namespace {

std::vector<std::string> TextClipFiles(const std::string& folder)
{
    return ContentFilesIn(folder + "temp\\", "txt");
}

} // namespace

TEST(TextBrowserEndToEnd, BarButtonOpensTheBrowserAndADoubleClickCopiesTheClipBackUncaptured)
{
    TempFolder folder;
    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            DWORD pid = 0;
            GetWindowThreadProcessId(GetClipboardViewer(), &pid);
            return pid == program.Id() && (bar = program.FindWindowOfClass("TForm1", true)) != nullptr;
        },
        20000));
    // Another program's viewer first in the chain: it passes the notice of
    // the copy back on only when this test next handles its messages, long
    // after the program's copy back has ended.
    CountingViewer front;

    // Three clips copied here, in another program; the middle one has lone LF breaks.
    const std::vector<std::string> texts = {"first clip copied elsewhere", "second clip\nwith lone LF\nbreaks",
                                            "third clip, the newest"};
    for (size_t i = 0; i < texts.size(); ++i) {
        CopyText(texts[i]);
        ASSERT_TRUE(PumpUntil([&] { return TextClipFiles(folder.Path()).size() == i + 1; }, 20000)) << i;
    }

    // The bar's second button, "View text clips".
    POINT butText{40, 6};
    HWND button = ChildAt(bar, "TidemarkSpeedButton", butText);
    ASSERT_NE(button, nullptr);
    Click(button);
    HWND browser = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (browser = program.FindWindowOfClass("TfrmText", true)) != nullptr; }, 10000));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(bar); }, 5000));
    char caption[64] = "";
    GetWindowTextA(browser, caption, sizeof caption);
    EXPECT_STREQ(caption, "Text clips");
    RECT barRect, browserRect;
    GetWindowRect(bar, &barRect);
    GetWindowRect(browser, &browserRect);
    EXPECT_EQ(browserRect.left, barRect.left);
    EXPECT_EQ(browserRect.top, barRect.top);

    HWND list = FirstChildOfClass(browser, "LISTBOX");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);

    // Double-click the second line (13 pixels an item): the middle clip.
    DoubleClickAt(OnScreen(list, {20, 13 + 6}));
    const std::string expected = "second clip\r\nwith lone LF\r\nbreaks";
    EXPECT_TRUE(PumpUntil([&] { return ReadClipboardText() == expected; }, 10000)) << ReadClipboardText();
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);

    // Given time to arrive by either way, the program's own write was not
    // captured again...
    EXPECT_TRUE(PumpUntil([&] { return front.draws == 4; }, 5000));
    PumpMessages(500);
    EXPECT_EQ(TextClipFiles(folder.Path()).size(), 3u);
    EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
    // ...while the next copy in another program still is.
    CopyText("fourth, after the copy back");
    EXPECT_TRUE(PumpUntil([&] { return TextClipFiles(folder.Path()).size() == 4; }, 20000));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) == 4; }, 5000));

    // Its close box hides the browser and brings the bar back.
    PostMessageA(browser, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(bar) && !IsWindowVisible(browser); }, 5000));

    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    EmptyTheClipboard();
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat").size(), 4 * sizeof(store::TextClipEntry));
}
