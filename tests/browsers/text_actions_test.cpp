// The text browser's actions: copy back (without capturing the clip again),
// delete and stash, and what happens with nothing selected or a lost file.
#include "browsers/text_support.h"

using namespace texttest;
using testing_support::FileExists;
using testing_support::ReadFileBytes;

namespace {

// A clipboard viewer joined after the bar, so it hears of every change first:
// it notes whether capture was suppressed at that moment and what text was
// offered, then passes the notice on down the chain.
struct ChainSpy {
    struct Notice {
        bool suppressed;
        std::string text;
    };
    ChainSpy()
    {
        viewer.OnDraw = [this] { seen.push_back({CaptureSuppressed, ReadClipboardText()}); };
    }
    bar_testing::CountingViewer viewer;
    std::vector<Notice> seen;
};

const char* const kNothingSelected = "Please select an item on list first.";

} // namespace

TEST_F(TextBrowserTest, CopyBackPutsTheWholeFileOnTheClipboardWithCrLfBreaks)
{
    AddClip("older");
    // Lone LF, lone CR and CR LF all come back as CR LF; the file is longer
    // than the 50-character preview.
    std::string text = "line one\nline two\rline three\r\nand a tail that is longer than any preview is";
    AddClip(text);
    browser->ShowCatalogue(false);
    browser->Show();
    Select(0);

    ChainSpy spy;
    Choose(TfrmText::mnuCopy);

    EXPECT_TRUE(boxes.empty());
    std::string expected =
        "line one\r\nline two\r\nline three\r\nand a tail that is longer than any preview is";
    EXPECT_EQ(ReadClipboardText(), expected);
    EXPECT_EQ(browser->labStatus.Text(), "Text sent to clipboard.");
    // The write was announced while capture was held off, and not after.
    ASSERT_EQ(spy.seen.size(), 1u);
    EXPECT_TRUE(spy.seen[0].suppressed);
    EXPECT_EQ(spy.seen[0].text, expected);
    EXPECT_FALSE(CaptureSuppressed);
    // Not captured again: the bar is in the chain with the monitor on.
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(ReadFileBytes(store::TempDir + store::RecentTextCatalogue.Entries[2].FileName.Text()), text);

    // The double-click does the same, with the line it hit selected.
    Select(1);
    SendMessageA(browser->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(browser->list1), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(browser->list1));
    EXPECT_EQ(ReadClipboardText(), "older");
    ASSERT_EQ(spy.seen.size(), 2u);
    EXPECT_TRUE(spy.seen[1].suppressed);
    EXPECT_FALSE(CaptureSuppressed);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);

    // The monitor itself is untouched: a copy elsewhere is still captured.
    monitor_test::CopyText("copied elsewhere");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 3);
    EXPECT_EQ(store::RecentTextCatalogue.Entries[3].Preview.Text(), "copied elsewhere");
}

TEST_F(TextBrowserTest, AMarkedUtf8FileGoesBackAsUnicodeWithCrLfBreaksAndAnyOtherAsItsBytes)
{
    const std::string mark = "\xEF\xBB\xBF";
    AddClip(mark + "a\n\xD0\xB1\rc\r\nd");
    AddClip(mark + "caf\xE9 \xFF\n");  // marked, but not UTF-8
    browser->ShowCatalogue(false);
    ChainSpy spy;

    Select(1);
    Choose(TfrmText::mnuCopy);
    EXPECT_EQ(testing_support::ReadClipboardUnicode(), L"a\r\n\x0431\r\nc\r\nd");
    // Older programs get the code page's text from the system.
    EXPECT_EQ(ReadClipboardText(), "a\r\n?\r\nc\r\nd");

    Select(0);
    Choose(TfrmText::mnuCopy);
    EXPECT_EQ(ReadClipboardText(), mark + "caf\xE9 \xFF\r\n");

    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(spy.seen.size(), 2u);
    EXPECT_TRUE(spy.seen[0].suppressed && spy.seen[1].suppressed);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(Form1->Memo1.Text(), "");
}

TEST_F(TextBrowserTest, CopyBackFromTheSavedViewReadsTheStash)
{
    AddClip("to be saved");
    store::StashText(1);
    // The stash copy is what counts, even once the recent file is gone.
    DeleteFileA((store::TempDir + store::RecentTextCatalogue.Entries[1].FileName.Text()).c_str());
    browser->ShowCatalogue(true);
    Select(0);
    Choose(TfrmText::mnuCopy);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadClipboardText(), "to be saved");
}

TEST_F(TextBrowserTest, CopyBackWithTheMonitorOffLeavesItOff)
{
    AddClip("quiet");
    browser->ShowCatalogue(false);
    Form1->imOnClick();
    ASSERT_TRUE(CaptureSuppressed);
    Select(0);
    Choose(TfrmText::mnuCopy);
    EXPECT_EQ(ReadClipboardText(), "quiet");
    // The flag is clear after every copy-back; the switch alone says "off".
    EXPECT_FALSE(CaptureSuppressed);
    EXPECT_FALSE(Form1->MonitorOn());
    EXPECT_TRUE(Form1->imOff.Visible());
    monitor_test::CopyText("not to be captured");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
    Form1->imOffClick();
    monitor_test::CopyText("captured again");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
}

TEST_F(TextBrowserTest, LostContentFileIsReportedAndChangesNothing)
{
    monitor_test::CopyText("before");  // captured: clip 1
    std::string name = AddClip("gone soon");
    browser->ShowCatalogue(false);
    ASSERT_EQ(browser->labStatus.Text(), "2 clips found.");
    ASSERT_TRUE(DeleteFileA((store::TempDir + name).c_str()));

    ChainSpy spy;
    Select(0);
    Choose(TfrmText::mnuCopy);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open file " + store::TempDir + name + ".");
    EXPECT_EQ(boxes[0].caption, "orv Tidemark");
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ReadClipboardText(), "before");
    EXPECT_TRUE(spy.seen.empty());
    EXPECT_EQ(browser->labStatus.Text(), "2 clips found.");
    EXPECT_FALSE(CaptureSuppressed);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);

    // A later change by someone else is captured.
    monitor_test::CopyText("after");
    ASSERT_EQ(spy.seen.size(), 1u);
    EXPECT_FALSE(spy.seen[0].suppressed);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 3);
    EXPECT_EQ(store::RecentTextCatalogue.Entries[3].Preview.Text(), "after");
}

TEST_F(TextBrowserTest, FileNameThatIsNotABareNameIsNeverOpened)
{
    // A catalogue file pointing outside the store's folder.
    testing_support::WriteFileBytes(store::ProgramDir + "secr.txt", "not a clip");
    store::AddTextClip("odd", "..\\secr.txt");
    monitor_test::CopyText("before");
    browser->ShowCatalogue(false);
    Select(1);
    Choose(TfrmText::mnuCopy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open file " + store::TempDir + "..\\secr.txt.");
    EXPECT_EQ(ReadClipboardText(), "before");
    EXPECT_FALSE(CaptureSuppressed);
}

TEST_F(TextBrowserTest, EveryActionWithNothingSelectedOnlyAsksForASelection)
{
    monitor_test::CopyText("untouched");  // captured: clip 1
    AddClip("x");
    browser->ShowCatalogue(false);
    for (UINT id : {TfrmText::mnuCopy, TfrmText::mnuDel, TfrmText::mnuSave})
        Choose(id);
    browser->butCopyClick();
    browser->butDelClick();
    browser->butSaveClick();
    SendMessageA(browser->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(browser->list1), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(browser->list1));
    PressKey(VK_RETURN);
    PressKey(VK_DELETE);

    ASSERT_EQ(boxes.size(), 9u);
    for (const Box& b : boxes) {
        EXPECT_EQ(b.text, kNothingSelected);
        EXPECT_EQ(b.caption, "Nothing to do");
        EXPECT_EQ(b.flags, UINT(MB_OK));
    }
    EXPECT_EQ(ReadClipboardText(), "untouched");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(store::SavedTextCatalogue.Count, 0);
    EXPECT_EQ(browser->labStatus.Text(), "2 clips found.");
}

TEST_F(TextBrowserTest, DeletingTheMiddleLineRenumbersAndCopyThenGivesTheNewest)
{
    AddClip("clip one");
    std::string middle = AddClip("clip two");
    AddClip("clip three, the newest");
    browser->ShowCatalogue(false);
    Select(1);
    PressKey(VK_DELETE);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Lines(), (std::vector<Line>{{"clip three, the newest", 2}, {"clip one", 1}}));
    EXPECT_EQ(browser->labStatus.Text(), "2 clips found.");
    EXPECT_FALSE(FileExists(store::TempDir + middle));
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);

    Select(0);
    PressKey(VK_RETURN);
    EXPECT_EQ(ReadClipboardText(), "clip three, the newest");
}

TEST_F(TextBrowserTest, DeletingInTheSavedViewRemovesTheSavedClipOnly)
{
    std::string name = AddClip("keep me recent");
    store::StashText(1);
    browser->ShowCatalogue(true);
    Select(0);
    Choose(TfrmText::mnuDel);
    EXPECT_EQ(store::SavedTextCatalogue.Count, 0);
    EXPECT_FALSE(FileExists(store::StashDir + name));
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_TRUE(FileExists(store::TempDir + name));
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(browser->labStatus.Text(), "0 clips saved.");
    EXPECT_EQ(Caption(), "Saved text clips");
}

TEST_F(TextBrowserTest, StashingIntoAFullSavedCatalogueDropsTheOldestSavedClip)
{
    for (int i = 0; i < 10; ++i)
        AddClip("saved " + std::to_string(i));
    for (int i = 1; i <= 10; ++i)
        store::StashText(i);
    for (int i = 10; i >= 1; --i)
        store::RemoveRecentText(i);
    std::string name = AddClip("the new one");
    AddClip("another recent");
    ASSERT_EQ(store::SavedTextCatalogue.Count, 10);

    browser->ShowCatalogue(false);
    std::vector<Line> before = Lines();
    Select(1);
    Choose(TfrmText::mnuSave);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(browser->labStatus.Text(), "Text clip has been stashed.");
    EXPECT_EQ(Lines(), before);
    EXPECT_EQ(SendMessageA(browser->list1, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(store::SavedTextCatalogue.Count, 10);
    EXPECT_EQ(store::SavedTextCatalogue.Entries[1].Preview.Text(), "saved 1");
    EXPECT_EQ(store::SavedTextCatalogue.Entries[10].Preview.Text(), "the new one");
    EXPECT_EQ(ReadFileBytes(store::StashDir + name), "the new one");

    browser->ShowCatalogue(true);
    EXPECT_EQ(Lines().front(), (Line{"the new one", 10}));
    EXPECT_EQ(Lines().back(), (Line{"saved 1", 1}));

    // The saved view offers no stashing: a stray command does nothing.
    Select(9);
    Choose(TfrmText::mnuSave);
    EXPECT_EQ(store::SavedTextCatalogue.Entries[10].Preview.Text(), "the new one");
    EXPECT_EQ(browser->labStatus.Text(), "10 clips saved.");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TextBrowserTest, AChosenClipIsActedOnWhereItNowStandsOrTheListIsShownAnewWithANote)
{
    // A full catalogue moves on while the browser is hidden: every slot the
    // list names now holds the next-newer clip.
    for (int i = 1; i <= 10; ++i)
        AddClip("clip " + std::to_string(i));
    browser->ShowCatalogue(false);
    const std::string unseen = AddClip("captured while hidden");
    Select(0);  // "clip 10", listed at 10, now at 9
    Choose(TfrmText::mnuCopy);
    EXPECT_EQ(ReadClipboardText(), "clip 10");
    Choose(TfrmText::mnuDel);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(store::RecentTextCatalogue.Count, 9);
    EXPECT_TRUE(FileExists(store::TempDir + unseen));
    EXPECT_EQ(Lines().front(), (Line{"captured while hidden", 9}));
    EXPECT_EQ(Lines()[1], (Line{"clip 9", 8}));

    // A clip that has gone is not stood in for by its neighbour.
    Select(8);  // "clip 2"
    store::RemoveRecentText(1);
    Choose(TfrmText::mnuDel);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The list has changed. Please choose again.");
    EXPECT_EQ(boxes[0].caption, "Nothing to do");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 8);
    EXPECT_EQ(Lines().size(), 8u);
    EXPECT_EQ(Lines().back(), (Line{"clip 3", 1}));
    EXPECT_EQ(ReadClipboardText(), "clip 10");
}

TEST_F(TextBrowserTest, ADoubleClickWhosePressesStraddleARelistCopiesNothing)
{
    AddClip("older");
    AddClip("aimed at");
    browser->ShowCatalogue(false);
    browser->Show();
    const LPARAM line0 = MAKELPARAM(20, 6);
    const auto press = [&](UINT msg) {
        SendMessageA(browser->list1, msg, MK_LBUTTON, line0);
        SendMessageA(browser->list1, WM_LBUTTONUP, 0, line0);
    };
    testing_support::PumpMessages(0);
    monitor_test::CopyText("before");

    press(WM_LBUTTONDOWN);
    AddClip("newer");  // the showing list is filled again under the pointer
    press(WM_LBUTTONDBLCLK);
    EXPECT_EQ(ReadClipboardText(), "before");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(SendMessageA(browser->list1, LB_GETCURSEL, 0, 0), 0);

    // Both presses on one list: the line is copied.
    press(WM_LBUTTONDOWN);
    press(WM_LBUTTONDBLCLK);
    EXPECT_EQ(ReadClipboardText(), "newer");
    browser->Hide();
}

TEST_F(TextBrowserTest, CaptureWhileShowingRefillsTheShownViewAndMovesItBackToTheBar)
{
    AddClip("recent one");
    store::StashText(1);
    Form1->MoveTo(267, 113);
    browser->ShowCatalogue(true);
    browser->Show();
    browser->mnuShowButClick();
    browser->MoveTo(520, 330);
    Select(0);
    browser->labStatus.SetText(" ");

    monitor_test::CopyText("a new capture");
    // The browser follows once the bar has answered the notice.
    testing_support::PumpMessages(0);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    // Still the saved view, listed again: selection gone, count back.
    EXPECT_TRUE(browser->SavedMode);
    EXPECT_EQ(Caption(), "Saved text clips");
    EXPECT_EQ(Lines(), (std::vector<Line>{{"recent one", 1}}));
    EXPECT_EQ(SendMessageA(browser->list1, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(browser->labStatus.Text(), "1 clips saved.");
    EXPECT_EQ(browser->Left(), 267);
    EXPECT_EQ(browser->Top(), 113);
    EXPECT_FALSE(browser->butSave.Visible());

    // In the recent view the new clip tops the list.
    browser->ShowCatalogue(false);
    monitor_test::CopyText("newest capture");
    testing_support::PumpMessages(0);
    EXPECT_EQ(Lines().front(), (Line{"newest capture", 3}));
    EXPECT_EQ(browser->labStatus.Text(), "3 clips found.");

    // A hidden browser is left alone, and lists its catalogue again when it
    // shows once more (as after a restore of the minimised program).
    browser->Hide();
    browser->labStatus.SetText("untouched");
    monitor_test::CopyText("while hidden");
    EXPECT_EQ(browser->labStatus.Text(), "untouched");
    ShowWindow(browser->Handle(), SW_SHOWNA);
    EXPECT_TRUE(testing_support::PumpUntil([&] { return Lines().front() == Line{"while hidden", 4}; }, 2000));
    EXPECT_EQ(browser->labStatus.Text(), "4 clips found.");
}
