// The bar as a member of the clipboard-viewer chain: joining and leaving,
// passing every notification on, and keeping the chain whole as others leave.
#include "bar/monitor_support.h"

#include "browsers/TextBrowser.h"

#include <chrono>
#include <thread>
#include <utility>

using namespace monitor_test;

namespace {

// A viewer that joined before the bar, so it follows it in the chain.
class ChainTest : public ProgramFormsTest {
protected:
    void BeforeForms() override
    {
        before = GetClipboardViewer();
        CopyText("on the clipboard before the start");
        behind.Join();
    }
    void AfterForms() override
    {
        behindViewerAfterBar = GetClipboardViewer();
        behind.Leave();
    }

    HWND before = nullptr;
    HWND behindViewerAfterBar = nullptr;
    CountingViewer behind{false};
};

} // namespace

TEST_F(ChainTest, TheBarJoinsInItsSetUpWithoutCapturingAndLeavesOnItsWindow)
{
    EXPECT_EQ(GetClipboardViewer(), Form1->Handle());
    EXPECT_EQ(Form1->NextViewerForTests(), behind.Handle());
    EXPECT_EQ(behind.Next(), before);
    // The notice of the join itself comes before the bar knows its successor,
    // and is no clip.
    EXPECT_EQ(behind.draws, 0);
    PumpMessages(0);
    EXPECT_EQ(Captured(), 0);
    EXPECT_FALSE(CaptureSuppressed);

    app::ReleaseProgramForms();
    EXPECT_EQ(GetClipboardViewer(), behind.Handle());
    EXPECT_EQ(behind.chainChanges, 0);  // the head left: nothing to repair
}

TEST_F(ChainTest, AViewerAfterTheBarReceivesEveryNotificationCapturedOrNot)
{
    const int start = behind.draws;
    CopyText("captured");
    Form1->imOnClick();
    CopyText("monitor off");
    Form1->imOffClick();
    CaptureSuppressed = true;
    CopyText("suppressed");
    CaptureSuppressed = false;
    {
        ClipboardWrite write;
        write.Text("private");
        write.Dword(RegisterClipboardFormatA("Clipboard Viewer Ignore"), 0);
    }
    EmptyTheClipboard();
    {
        // A capture that fails is still passed on first.
        ClipboardWrite write;
        SetClipboardData(CF_ENHMETAFILE, CloseEnhMetaFile(CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr)));
    }
    EXPECT_EQ(behind.draws - start, 6);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
    testing_support::PumpMessages(0);  // the failure's box comes after the notice
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ChainTest, WhenTheViewerAfterTheBarLeavesTheBarTakesItsSuccessor)
{
    behind.Leave();
    EXPECT_EQ(Form1->NextViewerForTests(), behind.Next());
    const int draws = behind.draws;
    CopyText("after the repair");
    EXPECT_EQ(behind.draws, draws);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
}

TEST_F(ChainTest, AViewerAheadOfTheBarPassesOnAndTheBarStillRepairsItsLink)
{
    CountingViewer front(false);
    front.Join();
    EXPECT_EQ(front.Next(), Form1->Handle());
    const int draws = behind.draws;
    CopyText("through the front viewer");
    EXPECT_EQ(front.draws, 1);
    EXPECT_EQ(behind.draws, draws + 1);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);

    // The notice that the viewer behind leaves goes to the head, which passes
    // it to the bar.
    behind.Leave();
    EXPECT_EQ(front.chainChanges, 1);
    EXPECT_EQ(Form1->NextViewerForTests(), behind.Next());

    front.Leave();
    EXPECT_EQ(GetClipboardViewer(), Form1->Handle());
    CopyText("the bar is the head again");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(front.draws, 1);
    EXPECT_EQ(behind.draws, draws + 1);
}

TEST_F(ChainTest, AViewerAheadThatKeepsNoticesCostsNoCaptureAndOneThatDiesIsMendedAround)
{
    CountingViewer front;
    front.passOn = false;
    const int heard = behind.draws;
    // Captured once the bar has waited its while for the chain's notice.
    CopyText("kept by the front viewer");
    EXPECT_TRUE(PumpUntil([] { return store::RecentTextCatalogue.Count == 1; }));
    CopyBitmap(ColourBitmap(8, 6, RGB(0, 0, 200), 0));
    EXPECT_TRUE(PumpUntil([] { return store::RecentBitmapCatalogue.Count == 1; }));
    // Alive: left at the head, and the viewer behind us hears nothing.
    EXPECT_EQ(GetClipboardViewer(), front.Handle());
    EXPECT_EQ(behind.draws, heard);

    front.Vanish();
    // Captured once the wait for the chain's notice is over, and mended then.
    CopyText("after the front viewer died");
    EXPECT_TRUE(PumpUntil([] { return store::RecentTextCatalogue.Count == 2; }));
    EXPECT_EQ(GetClipboardViewer(), Form1->Handle());
    EXPECT_EQ(Form1->NextViewerForTests(), behind.Handle());
    EXPECT_EQ(behind.draws, heard + 1);  // the notice of our joining again
    CopyBitmap(ColourBitmap(8, 6, RGB(0, 0, 200), 0));
    EXPECT_EQ(behind.draws, heard + 2);
    EXPECT_EQ(Captured(), 4);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ChainTest, ChangesMadeWithTheMonitorOffAndACopyBacksOwnStayUncapturedHoweverLateTheirNoticesCome)
{
    // Written without handing the bar its notice: it comes later.
    auto writeUnheard = [](const std::string& text) {
        ASSERT_TRUE(OpenClipboardPatiently());
        EmptyClipboard();
        SetClipboardData(CF_TEXT, GlobalBlock(text.c_str(), text.size() + 1));
        CloseClipboard();
    };
    Form1->imOnClick();
    writeUnheard("while the monitor is off");
    Form1->imOffClick();
    DeliverClipboardNotices();
    SendMessageA(Form1->Handle(), WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(Captured(), 0);

    CopyText("by another program");
    EXPECT_EQ(Captured(), 1);
    // The same change heard once more is not captured twice.
    SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    EXPECT_EQ(Captured(), 1);

    // Copied back from the browser, heard again late from both sides.
    frmText->ShowCatalogue(false);
    SendMessageA(frmText->list1, LB_SETCURSEL, 0, 0);
    frmText->butCopyClick();
    DeliverClipboardNotices();
    SendMessageA(Form1->Handle(), WM_DRAWCLIPBOARD, 0, 0);
    SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    EXPECT_EQ(Captured(), 1);
}

TEST_F(ChainTest, ACopyBackMarksOnlyItsOwnChangeAndOtherProgramsClipsAreCapturedOnce)
{
    CopyText("the clip copied back");
    const std::string file = TempFile(NewestText());
    auto copyBack = [] {
        frmText->ShowCatalogue(false);
        // The oldest entry: the last line.
        SendMessageA(frmText->list1, LB_SETCURSEL, static_cast<WPARAM>(store::RecentTextCatalogue.Count - 1), 0);
        SendMessageA(frmText->Handle(), WM_COMMAND, TfrmText::mnuCopy, 0);
    };

    // Another program copies while the copy back passes its own notice down
    // the chain, before capture is back.
    {
        CountingViewer ahead;
        bool landed = false;
        ahead.OnDraw = [&] {
            if (!std::exchange(landed, true))
                CopyTextElsewhere("copied during the copy back");
        };
        copyBack();
    }
    ASSERT_TRUE(PumpUntil([] { return Captured() == 2; }));
    EXPECT_EQ(NewestText().Preview.Text(), "copied during the copy back");

    // A copy back that fails (its file is gone) while another program's
    // change waits: for the chain's notice, which a viewer ahead keeps...
    ASSERT_TRUE(DeleteFileA(file.c_str()));
    {
        CountingViewer ahead;
        ahead.passOn = false;
        CopyText("waits for the chain");
        EXPECT_EQ(Captured(), 2);
        copyBack();
    }
    ASSERT_TRUE(PumpUntil([] { return Captured() == 3; }));
    EXPECT_EQ(NewestText().Preview.Text(), "waits for the chain");

    // ... or for the clipboard, which another program holds.
    {
        auto held = NoticeWhileHeld([](ClipboardWrite& write) { write.Text("waits for the clipboard"); });
        copyBack();
    }
    ASSERT_TRUE(PumpUntil([] { return Captured() == 4; }));
    EXPECT_EQ(NewestText().Preview.Text(), "waits for the clipboard");

    // Each once: nothing more comes of the notices still on their way.
    testing_support::PumpMessages(0);
    SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    EXPECT_EQ(Captured(), 4);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Cannot open file " + file + ".");
    EXPECT_EQ(boxes[1].text, boxes[0].text);
}

namespace {

// A viewer whose thread stops answering messages while told to.
class HungViewerTest : public ProgramFormsTest {
protected:
    void BeforeForms() override
    {
        ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        hang = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        hanging = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        release = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = std::thread([this] { Run(); });
        WaitForSingleObject(ready, INFINITE);
    }
    void AfterForms() override
    {
        SetEvent(release);
        SetEvent(quit);
        thread.join();
        for (HANDLE h : {ready, hang, hanging, release, quit})
            CloseHandle(h);
    }
    void Run()
    {
        CountingViewer viewer(false);
        viewer.Join();
        hungViewer = viewer.Handle();
        SetEvent(ready);
        HANDLE waits[] = {hang, quit};
        for (;;) {
            DWORD r = MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_ALLINPUT);
            if (r == WAIT_OBJECT_0) {
                SetEvent(hanging);
                WaitForSingleObject(release, INFINITE);
            } else if (r == WAIT_OBJECT_0 + 1) {
                break;
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
    }

    HANDLE ready{}, hang{}, hanging{}, release{}, quit{};
    HWND hungViewer = nullptr;
    std::thread thread;
};

} // namespace

TEST_F(HungViewerTest, AHungViewerAfterTheBarDelaysItBoundedlyAndTheCaptureGoesOn)
{
    ASSERT_EQ(Form1->NextViewerForTests(), hungViewer);
    SetEvent(hang);
    WaitForSingleObject(hanging, INFINITE);
    for (int i = 1; i <= 2; ++i) {
        auto start = std::chrono::steady_clock::now();
        CopyText("past a hung viewer");
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_LT(ms.count(), 6000);
        EXPECT_EQ(store::RecentTextCatalogue.Count, i);
    }
    SetEvent(release);
}
