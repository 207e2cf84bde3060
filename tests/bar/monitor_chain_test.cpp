// The bar as a member of the clipboard-viewer chain: joining and leaving,
// passing every notification on, and keeping the chain whole as others leave.
#include "bar/monitor_support.h"

#include <atomic>
#include <chrono>
#include <thread>

using namespace monitor_test;

namespace {

// Another program's viewer: counts notifications and passes them on as a
// well-behaved member does.
class TestViewer {
public:
    TestViewer()
    {
        static ATOM cls = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &Proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "TidemarkTestViewer";
            return RegisterClassA(&wc);
        }();
        (void)cls;
        hwnd = CreateWindowExA(0, "TidemarkTestViewer", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
    }
    ~TestViewer()
    {
        Leave();
        DestroyWindow(hwnd);
    }
    TestViewer(const TestViewer&) = delete;
    TestViewer& operator=(const TestViewer&) = delete;

    void Join()
    {
        next = SetClipboardViewer(hwnd);
        joined = true;
    }
    void Leave()
    {
        if (joined)
            ChangeClipboardChain(hwnd, next);
        joined = false;
    }

    HWND hwnd = nullptr;
    HWND next = nullptr;
    bool joined = false;
    std::atomic<int> draws{0};
    std::atomic<int> chainChanges{0};

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l)
    {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(h, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams));
        auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && msg == WM_DRAWCLIPBOARD) {
            ++self->draws;
            if (self->next)
                SendMessageA(self->next, msg, w, l);
            return 0;
        }
        if (self && msg == WM_CHANGECBCHAIN) {
            ++self->chainChanges;
            if (reinterpret_cast<HWND>(w) == self->next)
                self->next = reinterpret_cast<HWND>(l);
            else if (self->next)
                SendMessageA(self->next, msg, w, l);
            return 0;
        }
        return DefWindowProcA(h, msg, w, l);
    }
};

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
    TestViewer behind;
};

} // namespace

TEST_F(ChainTest, TheBarJoinsInItsSetUpWithoutCapturingAndLeavesOnItsWindow)
{
    EXPECT_EQ(GetClipboardViewer(), Form1->Handle());
    EXPECT_EQ(Form1->NextViewerForTests(), behind.hwnd);
    EXPECT_EQ(behind.next, before);
    // The notification of the join itself was passed on but not captured.
    EXPECT_EQ(behind.draws, 1);
    EXPECT_EQ(Captured(), 0);
    EXPECT_FALSE(CaptureSuppressed);

    app::ReleaseProgramForms();
    EXPECT_EQ(GetClipboardViewer(), behind.hwnd);
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
    EXPECT_EQ(Form1->NextViewerForTests(), behind.next);
    const int draws = behind.draws;
    CopyText("after the repair");
    EXPECT_EQ(behind.draws, draws);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
}

TEST_F(ChainTest, AViewerAheadOfTheBarPassesOnAndTheBarStillRepairsItsLink)
{
    TestViewer front;
    front.Join();
    EXPECT_EQ(front.next, Form1->Handle());
    const int draws = behind.draws;
    CopyText("through the front viewer");
    EXPECT_EQ(front.draws, 2);  // its join, and this change
    EXPECT_EQ(behind.draws, draws + 1);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);

    // The notice that the viewer behind leaves goes to the head, which passes
    // it to the bar.
    behind.Leave();
    EXPECT_EQ(front.chainChanges, 1);
    EXPECT_EQ(Form1->NextViewerForTests(), behind.next);

    front.Leave();
    EXPECT_EQ(GetClipboardViewer(), Form1->Handle());
    CopyText("the bar is the head again");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(front.draws, 2);
    EXPECT_EQ(behind.draws, draws + 1);
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
        TestViewer viewer;
        viewer.Join();
        hungViewer = viewer.hwnd;
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
