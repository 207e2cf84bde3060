// The monitor seen from outside: the real program in the viewer chain
// captures what another process copies, and the history outlives a restart;
// viewers of other programs ahead of it that die, keep notices or hang cost
// no capture; a burst of copies is captured in order, none twice.
#include "bar/monitor_support.h"
#include "store/ClipEntry.h"
#include "support/RunningProgram.h"

#include <cstdlib>
#include <cstring>

using namespace testing_support;
using namespace monitor_test;

namespace {

// The one content file of that extension in the program's temp folder, once
// it holds `size` bytes; "" when none appears in time (notifications cross
// processes late under Wine).
std::string WaitForContentFile(const std::string& folder, const char* ext, std::size_t size)
{
    std::string found;
    PumpUntil(
        [&] {
            WIN32_FIND_DATAA fd;
            HANDLE h = FindFirstFileA((folder + "temp\\clip*." + ext).c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE)
                return false;
            FindClose(h);
            if (fd.nFileSizeLow != size)
                return false;
            found = fd.cFileName;
            return true;
        },
        20000);
    return found;
}

template <class Entry>
Entry Record(const std::string& bytes)
{
    Entry e{};
    if (bytes.size() == sizeof e)
        std::memcpy(&e, bytes.data(), sizeof e);
    return e;
}

class Program {
public:
    explicit Program(const std::string& folder) : process(folder) {}
    // Started and in the viewer chain.
    bool Start()
    {
        return process.Start() && PumpUntil(
                                      [&] {
                                          DWORD pid = 0;
                                          GetWindowThreadProcessId(GetClipboardViewer(), &pid);
                                          return pid == process.Id();
                                      },
                                      20000);
    }
    DWORD Close()
    {
        HWND bar = process.FindWindowOfClass("TForm1");
        PostMessageA(bar, WM_CLOSE, 0, 0);
        return process.WaitForExit(10000);
    }
    ProgramProcess process;
};

} // namespace

TEST(MonitorEndToEnd, CopiesInAnotherProgramBecomeClipsThatOutliveARestart)
{
    TempFolder folder;
    const std::string text = "First line of a copied text\r\nsecond line\tends here; the rest runs on to be long "
                             "enough to make a full preview.";
    ASSERT_GT(text.size(), 50u);
    {
        Program program(folder.Path());
        ASSERT_TRUE(program.Start());
        CopyText(text);
        const std::string textFile = WaitForContentFile(folder.Path(), "txt", text.size());
        ASSERT_FALSE(textFile.empty());

        CopyBitmap(ColourBitmap(101, 50, RGB(10, 120, 240), RGB(250, 0, 0)));
        const uint32_t bmpSize = 54 + 100 * 3 * 50;
        const std::string bmpFile = WaitForContentFile(folder.Path(), "bmp", bmpSize);
        ASSERT_FALSE(bmpFile.empty());
        ASSERT_EQ(program.Close(), 0u);
        EmptyTheClipboard();

        EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\" + textFile), text);
        const std::string bmp = ReadFileBytes(folder.Path() + "temp\\" + bmpFile);
        const BmpHeaders h = ReadBmpHeaders(bmp);
        EXPECT_EQ(h.width, 100);
        EXPECT_EQ(h.height, 50);
        EXPECT_EQ(h.bitsPerPixel, 24);
        EXPECT_EQ(Pixel24(bmp, h, 0, 0), RGB(250, 0, 0));
        EXPECT_EQ(Pixel24(bmp, h, 99, 49), RGB(10, 120, 240));

        const auto t = Record<store::TextClipEntry>(ReadFileBytes(folder.Path() + "temp\\txtclips.dat"));
        EXPECT_EQ(t.Preview.Text(), "First line of a copied text..second line.ends here");
        EXPECT_EQ(t.FileName.Text(), textFile);
        const auto b = Record<store::BitmapClipEntry>(ReadFileBytes(folder.Path() + "temp\\bmpclips.dat"));
        EXPECT_EQ(b.FileName.Text(), bmpFile);
        EXPECT_GT(b.Captured, 0.0);
        EXPECT_GE(b.Captured, t.Captured);
    }

    // The next run reads the records back and writes the same bytes again.
    const std::string texts = ReadFileBytes(folder.Path() + "temp\\txtclips.dat");
    const std::string bitmaps = ReadFileBytes(folder.Path() + "temp\\bmpclips.dat");
    {
        Program program(folder.Path());
        ASSERT_TRUE(program.Start());
        ASSERT_EQ(program.Close(), 0u);
    }
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat"), texts);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\bmpclips.dat"), bitmaps);
    EXPECT_EQ(texts.size(), sizeof(store::TextClipEntry));
    EXPECT_EQ(bitmaps.size(), sizeof(store::BitmapClipEntry));
}

namespace {

// Another program's viewer, in a process of its own: this test program run
// again for the disabled test below only, told by the environment whether to
// pass notices on.
constexpr const char* kForeignMode = "TIDEMARK_FOREIGN_VIEWER";
constexpr const char* kHangingEvent = "TidemarkForeignViewerHangs";
constexpr UINT kHang = WM_APP + 1;      // wParam: milliseconds
constexpr UINT kDropDead = WM_APP + 2;  // ends without leaving the chain

class ForeignViewer {
public:
    explicit ForeignViewer(bool passOn)
    {
        hanging_ = CreateEventA(nullptr, FALSE, FALSE, kHangingEvent);
        char exe[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command = std::string("\"") + exe +
                              "\" --gtest_filter=ForeignViewerProcess.DISABLED_Run --gtest_also_run_disabled_tests";
        SetEnvironmentVariableA(kForeignMode, passOn ? "pass" : "keep");
        // Its own test report is not ours.
        HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr);
        SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = nul;
        const bool started =
            CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_);
        CloseHandle(nul);
        SetEnvironmentVariableA(kForeignMode, nullptr);
        // Ready once it is first in the chain.
        ready_ = started && PumpUntil(
                                [&] {
                                    DWORD pid = 0;
                                    window_ = GetClipboardViewer();
                                    GetWindowThreadProcessId(window_, &pid);
                                    return pid == pi_.dwProcessId;
                                },
                                kStartTimeoutMs);
    }
    ~ForeignViewer()
    {
        if (pi_.hProcess) {
            // Leaves the chain as a program that closes does.
            PostMessageA(window_, WM_CLOSE, 0, 0);
            if (!Ended())
                TerminateProcess(pi_.hProcess, 9);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
        CloseHandle(hanging_);
    }
    ForeignViewer(const ForeignViewer&) = delete;
    ForeignViewer& operator=(const ForeignViewer&) = delete;

    bool Ready() const { return ready_; }
    bool Kill() { return TerminateProcess(pi_.hProcess, 9) && Ended(); }
    bool DropDead() { return PostMessageA(window_, kDropDead, 0, 0) && Ended(); }
    bool Hang(DWORD ms)
    {
        return PostMessageA(window_, kHang, ms, 0) && WaitForSingleObject(hanging_, kReactionTimeoutMs) == 0;
    }
    // Answers again, after a hang.
    bool Answers() const
    {
        DWORD_PTR ignored = 0;
        return PumpUntil(
            [&] { return SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 500, &ignored) != 0; }, 10000);
    }

private:
    bool Ended() const { return WaitForSingleObject(pi_.hProcess, kReactionTimeoutMs) == 0; }

    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
    HANDLE hanging_ = nullptr;
    bool ready_ = false;
};

// Whether a BMP content file of that size appears in time.
bool WaitForBitmapFile(const std::string& temp, std::size_t size)
{
    return PumpUntil(
        [&] {
            for (const std::string& name : ContentFilesIn(temp, "bmp"))
                if (ReadFileBytes(temp + name).size() == size)
                    return true;
            return false;
        },
        kReactionTimeoutMs);
}

enum class Ahead { Killed, KeepsNoticesThenEnds, KeepsNotices, Hangs };

class ForeignViewerAhead : public ScenarioTest, public ::testing::WithParamInterface<Ahead> {};
class MonitorScenario : public ScenarioTest {};

} // namespace

TEST(ForeignViewerProcess, DISABLED_Run)
{
    char mode[8] = "";
    if (!GetEnvironmentVariableA(kForeignMode, mode, sizeof mode))
        GTEST_SKIP() << "run by the foreign viewer scenarios only";
    CountingViewer viewer;
    viewer.passOn = std::strcmp(mode, "pass") == 0;
    HANDLE hanging = OpenEventA(EVENT_MODIFY_STATE, FALSE, kHangingEvent);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == kHang) {
            SetEvent(hanging);
            Sleep(static_cast<DWORD>(msg.wParam));
        } else if (msg.message == kDropDead) {
            ExitProcess(0);
        } else if (msg.message == WM_CLOSE) {
            break;
        } else {
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(hanging);
}

TEST_P(ForeignViewerAhead, EveryTextAndPictureCopiedAfterwardsIsCapturedOnce)
{
    TempFolder folder;
    const std::string temp = folder.Path() + "temp\\";
    CountingViewer behind;  // joined before the program: after it in the chain
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    std::vector<std::string> texts = {"copied while the viewer ahead misbehaves", "and a second text"};
    {
        ForeignViewer foreign(GetParam() == Ahead::Killed || GetParam() == Ahead::Hangs);
        ASSERT_TRUE(foreign.Ready());
        switch (GetParam()) {
        case Ahead::Killed:
            ASSERT_TRUE(foreign.Kill());
            break;
        case Ahead::KeepsNoticesThenEnds:
            ASSERT_FALSE(CopyTextAndWait(program, "kept from the chain").empty());
            texts.insert(texts.begin(), "kept from the chain");
            ASSERT_TRUE(foreign.DropDead());
            break;
        case Ahead::KeepsNotices:
            break;
        case Ahead::Hangs:
            ASSERT_TRUE(foreign.Hang(5000));
            break;
        }
        const int heard = behind.draws;
        ASSERT_FALSE(CopyTextAndWait(program, texts[texts.size() - 2]).empty());
        CopyBitmap(ColourBitmap(40, 30, RGB(10, 120, 240), RGB(250, 0, 0)));
        ASSERT_TRUE(WaitForBitmapFile(temp, 54 + 40 * 3 * 30));
        ASSERT_FALSE(CopyTextAndWait(program, texts.back()).empty());
        if (GetParam() == Ahead::Hangs) {
            // Its late notices pass through the bar, and are no clips.
            ASSERT_TRUE(foreign.Answers());
            texts.push_back("after the hang");
            ASSERT_FALSE(CopyTextAndWait(program, texts.back()).empty());
        }
        if (GetParam() == Ahead::Killed) {
            // Mended around the dead viewer: the one behind hears again.
            EXPECT_TRUE(PumpUntil([&] { return behind.draws > heard; }, kReactionTimeoutMs));
        }
        if (GetParam() == Ahead::KeepsNotices) {
            EXPECT_EQ(behind.draws, heard);  // a live viewer ahead is left alone
        }
    }
    ASSERT_TRUE(program.Idle());
    PostMessageA(program.Bar(), WM_CLOSE, 0, 0);
    ASSERT_EQ(program.WaitForExit(), 0u);

    std::vector<std::string> captured;
    for (const std::string& name : ContentFilesIn(temp, "txt"))
        captured.push_back(ReadFileBytes(temp + name));
    std::sort(captured.begin(), captured.end());
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(captured, texts);
    EXPECT_EQ(ContentFilesIn(temp, "bmp").size(), 1u);
    EXPECT_EQ(CatalogueRecords<store::BitmapClipEntry>(temp + "bmpclips.dat").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Viewers, ForeignViewerAhead,
                         ::testing::Values(Ahead::Killed, Ahead::KeepsNoticesThenEnds, Ahead::KeepsNotices,
                                           Ahead::Hangs));

TEST_F(MonitorScenario, ABurstOfTwentyTextsIsCapturedInOrderNoneTwiceTheLastIncluded)
{
    TempFolder folder;
    const std::string temp = folder.Path() + "temp\\";
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    char text[16];
    for (int i = 1; i <= 20; ++i) {
        std::snprintf(text, sizeof text, "burst %02d", i);
        CopyText(text);
    }
    // The catalogue is written after each content file.
    std::vector<store::TextClipEntry> records;
    EXPECT_TRUE(PumpUntil(
        [&] {
            records = CatalogueRecords<store::TextClipEntry>(temp + "txtclips.dat");
            return !records.empty() && records.back().Preview.Text() == "burst 20";
        },
        // Twenty captures, each of which may wait for the chain's notice: on a
        // loaded machine that can pass the one reaction's deadline.
        4 * kReactionTimeoutMs));
    ASSERT_TRUE(program.Idle());
    PostMessageA(program.Bar(), WM_CLOSE, 0, 0);
    ASSERT_EQ(program.WaitForExit(), 0u);

    records = CatalogueRecords<store::TextClipEntry>(temp + "txtclips.dat");
    int last = 0;
    for (const store::TextClipEntry& r : records) {
        const int n = std::atoi(r.Preview.Text().c_str() + 6);
        EXPECT_GT(n, last) << r.Preview.Text();
        EXPECT_EQ(ReadFileBytes(temp + r.FileName.Text()), r.Preview.Text());
        last = n;
    }
    EXPECT_EQ(last, 20);
}
