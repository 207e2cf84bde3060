// Capture and copy-back timed from outside, as other programs see them. This
// program joins the viewer chain after tidemark.exe, so it hears of every
// change first, and writes the clipboard itself. For each clip it times:
// - the chain's wait: passing the notice of its own write on to the bar, and
//   to an empty viewer that returns at once, each a sent WM_DRAWCLIPBOARD;
// - capture latency: from its CloseClipboard to the capture complete on disk
//   (content file written, catalogue replaced), for tidemark.exe and for a
//   minimal clipboard listener doing the same platform and file work, in
//   turn (the bar's monitor switched off while the listener works); and
//   for the same listener flushing its content file to the disk before its
//   catalogue names it, as the program does so that a power cut loses no
//   clip. The three take turns in an order that moves on each run.
// Last, it copies the 1 MB clip back from the text browser with the list's
// double-click, passes that notice on late, and checks that it is not
// captured again. Prints Markdown tables of medians and their ratios.
//
//   tidemark_chain_bench.exe [RUNS [CLIP]]       the measurement; with CLIP,
//                                                a part of a clip's name
//                                                ("3840"), that clip alone
//   tidemark_chain_bench.exe --viewer KIND DIR   "listener", "flushing-listener"
//                                                or "empty"
#include "support/ClipboardSupport.h"
#include "support/TestSupport.h"
#include "support/UserInput.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

using namespace testing_support;

namespace {

constexpr const char* kViewerClass = "TidemarkBenchViewer";
// The viewers of their own: the two yardsticks, and one that returns at once.
constexpr std::string_view kListener = "listener", kFlushingListener = "flushing-listener",
                           kEmptyViewer = "empty";
constexpr DWORD kWaitMs = 30000;


[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "chain bench: %s\n", what);
    std::fflush(stderr);
    ExitProcess(2);
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size, bool flush)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
                    (!flush || FlushFileBuffers(file));
    CloseHandle(file);
    return ok && written == size;
}

// ---- The two yardsticks ---------------------------------------------------

constexpr UINT kArm = WM_APP + 1;  // wParam: capture the next changes or not

std::string viewerFolder;
std::string viewerKind;
int viewerFiles = 0;
bool listening = false;
// The change the listener dealt with last: a notice of an earlier change, still
// queued when it was armed, is no capture of its own.
DWORD listenedTo = 0;

// The least a capture can do: the clipboard's CF_TEXT, or its bitmap as a
// 24-bit BMP file, into one new file, as each clip has a file of its own;
// then a catalogue of ten 112-byte records written beside the old one,
// flushed and moved over it, as the program keeps its catalogues. Flushed
// when asked, the content file is on the disk before that.
void MinimalCapture(HWND window, bool flush)
{
    const std::string viewerFile = viewerFolder + viewerKind + std::to_string(++viewerFiles) + ".out";
    if (!OpenClipboard(window))
        return;
    if (HANDLE text = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(text))) {
            WriteWholeFile(viewerFile, p, strnlen(p, GlobalSize(text)), flush);
            GlobalUnlock(text);
        }
    } else if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP bm{};
        GetObjectA(bitmap, sizeof bm, &bm);
        const DWORD stride = (static_cast<DWORD>(bm.bmWidth) * 24 + 31) / 32 * 4;
        const DWORD pixels = stride * static_cast<DWORD>(bm.bmHeight);
        std::vector<char> file(54 + pixels);
        BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(file.size()), 0, 0, 54};
        BITMAPINFOHEADER ih{sizeof ih, bm.bmWidth, bm.bmHeight, 1, 24, BI_RGB, pixels, 0, 0, 0, 0};
        std::memcpy(file.data(), &fh, sizeof fh);
        std::memcpy(file.data() + sizeof fh, &ih, sizeof ih);
        HDC dc = CreateCompatibleDC(nullptr);
        GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), file.data() + 54,
                  reinterpret_cast<BITMAPINFO*>(&ih), DIB_RGB_COLORS);
        DeleteDC(dc);
        WriteWholeFile(viewerFile, file.data(), file.size(), flush);
    }
    CloseClipboard();
    const std::string catalogue = viewerFolder + viewerKind + ".dat", fresh = catalogue + ".new";
    std::vector<char> records(10 * 112, 'r');
    HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, records.data(), static_cast<DWORD>(records.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
    MoveFileExA(fresh.c_str(), catalogue.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLIPBOARDUPDATE:
        if (listening && GetClipboardSequenceNumber() != listenedTo) {
            listenedTo = GetClipboardSequenceNumber();
            MinimalCapture(window, viewerKind == kFlushingListener);
        }
        return 0;
    case kArm:
        listening = wParam != 0;
        listenedTo = GetClipboardSequenceNumber();
        return 0;
    case WM_DRAWCLIPBOARD:
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

int RunViewer(const std::string& kind, const std::string& folder)
{
    viewerFolder = folder + "\\";
    viewerKind = kind;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kViewerClass;
    RegisterClassA(&wc);
    // The empty viewer is not in the chain: the benchmark sends it the
    // notice itself. The listeners hear of changes as the bar does.
    HWND window = CreateWindowExA(0, kViewerClass, kind.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    if (kind != kEmptyViewer)
        AddClipboardFormatListener(window);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
        DispatchMessageA(&m);
    return 0;
}

// ---- The measuring side --------------------------------------------------

int runs = 15;
HWND nextViewer = nullptr;
HWND firstViewer = nullptr;
double lastNotice = 0;  // when this window last heard of a clipboard change
bool passOnLate = false;

LRESULT CALLBACK FirstViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWCLIPBOARD:
        // Passed on by the measurement itself, timed; or, for the copy back,
        // once the bar has returned from its copy.
        lastNotice = NowMs();
        if (passOnLate && nextViewer)
            PostMessageA(window, WM_APP, wParam, lParam);
        return 0;
    case WM_APP:
        SendMessageA(nextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
        return 0;
    case WM_CHANGECBCHAIN:
        if (reinterpret_cast<HWND>(wParam) == nextViewer)
            nextViewer = reinterpret_cast<HWND>(lParam);
        else if (nextViewer)
            SendMessageA(nextViewer, msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// Writes the clipboard; returns the time just before its CloseClipboard.
double PutOnClipboard(UINT format, HANDLE data)
{
    for (int i = 0; !OpenClipboard(firstViewer); ++i) {
        if (i == 100)
            Fail("cannot open the clipboard");
        Sleep(10);
    }
    EmptyClipboard();
    SetClipboardData(format, data);
    const double closing = NowMs();
    CloseClipboard();
    return closing;
}

std::function<double()> Text(std::size_t size)
{
    return [size] {
        std::string text(size, 'b');
        for (std::size_t i = 80; i < text.size(); i += 81)
            text[i - 1] = '\r', text[i] = '\n';
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
        GlobalUnlock(mem);
        return PutOnClipboard(CF_TEXT, mem);
    };
}

// A device bitmap: a DIB section reaches other processes under Wine as an
// empty bitmap.
std::function<double()> Bitmap(int width, int height)
{
    return [width, height] {
        return PutOnClipboard(CF_BITMAP, ColourBitmap(width, height, RGB(40, 160, 90), RGB(200, 0, 0)));
    };
}

double TimedSend(HWND target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const double t0 = NowMs();
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(target, msg, wParam, lParam, SMTO_NORMAL, kWaitMs, &ignored))
        Fail("a viewer did not answer");
    return NowMs() - t0;
}

struct Figure {
    double median, low, high;
};

Figure Summary(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

HWND StartViewer(const char* kind, const std::string& folder, PROCESS_INFORMATION& pi)
{
    std::string command = "\"";
    command.append(ModuleDir()).append("tidemark_chain_bench.exe\" --viewer ").append(kind);
    // Without its last backslash, which would escape the closing quote.
    command.append(" \"").append(folder, 0, folder.size() - 1).append("\"");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("cannot start a viewer");
    HWND window = nullptr;
    PumpUntil(
        [&] {
            std::vector<HWND> found = ProcessWindows(pi.dwProcessId, kViewerClass, nullptr, false);
            window = found.empty() ? nullptr : found.front();
            return window != nullptr;
        },
        kWaitMs);
    if (!window)
        Fail("a viewer showed no window");
    return window;
}

void DeleteFiles(const std::string& pattern)
{
    const std::string folder = pattern.substr(0, pattern.find_last_of('\\') + 1);
    for (const std::string& name : SortedFileNames(pattern))
        DeleteFileA((folder + name).c_str());
}

// A file's last write, or 0 while there is none.
ULONGLONG LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

// When the catalogue was replaced after `since`: woken by the folder's change
// notice, so that waiting takes no core from the program it waits on.
double WhenReplaced(const std::string& catalogue, ULONGLONG since)
{
    const std::string folder = catalogue.substr(0, catalogue.find_last_of('\\'));
    HANDLE change = FindFirstChangeNotificationA(folder.c_str(), FALSE,
                                                 FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME);
    const double deadline = NowMs() + kWaitMs;
    while (LastWrite(catalogue) == since) {
        if (NowMs() > deadline)
            Fail("no capture came");
        // Messages sent to the clipboard's owner are answered meanwhile:
        // Wine's driver asks it, from inside another program's OpenClipboard.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (change != INVALID_HANDLE_VALUE) {
            if (MsgWaitForMultipleObjects(1, &change, FALSE, 1, QS_SENDMESSAGE) == WAIT_OBJECT_0)
                FindNextChangeNotification(change);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
        }
    }
    const double when = NowMs();
    if (change != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(change);
    return when;
}

// The bar's monitor switch, clicked as the mouse does.
void FlipSwitch(HWND bar)
{
    HWND image = ChildWindowFromPointEx(bar, POINT{170, 10}, CWP_SKIPINVISIBLE);
    if (!image || image == bar)
        Fail("no monitor switch on the bar");
    SendMessageA(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageA(image, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

std::string Cell(Figure f)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f (%.2f–%.2f)", f.median, f.low, f.high);
    return text;
}

// One clip's measurement: tidemark.exe in the folder given, the three
// viewers, and this program's window joined to the chain after the bar. Each
// clip has processes of its own: Wine keeps, in every process, each bitmap it
// has read from the clipboard (about twice its bytes) until that process
// empties the clipboard itself, which a 32-bit process holds for some 25
// pictures of 3840 × 2160 only.
class Session {
public:
    Session(const std::string& folder, const std::string& viewers) : program_(folder)
    {
        if (!program_.Start())
            Fail("cannot start tidemark.exe");
        PumpUntil([&] { return (bar = program_.FindWindowOfClass("TForm1", true)) != nullptr; }, kWaitMs);
        PumpUntil(
            [&] {
                DWORD pid = 0;
                GetWindowThreadProcessId(GetClipboardViewer(), &pid);
                return pid == program_.Id();
            },
            kWaitMs);
        if (!bar)
            Fail("the bar did not come up");
        TimedSend(bar, WM_NULL, 0, 0);
        listener = StartViewer(kListener.data(), viewers, viewers_[0]);
        flushingListener = StartViewer(kFlushingListener.data(), viewers, viewers_[1]);
        empty = StartViewer(kEmptyViewer.data(), viewers, viewers_[2]);
        nextViewer = SetClipboardViewer(firstViewer);
        if (nextViewer != bar)
            Fail("the bar is not the viewer after this one");
    }
    ~Session()
    {
        ChangeClipboardChain(firstViewer, nextViewer);
        nextViewer = nullptr;
        PostMessageA(bar, WM_CLOSE, 0, 0);
        program_.WaitForExit(kWaitMs);
        for (PROCESS_INFORMATION& pi : viewers_) {
            std::vector<HWND> windows = ProcessWindows(pi.dwProcessId, kViewerClass, nullptr, false);
            if (!windows.empty())
                PostMessageA(windows.front(), WM_CLOSE, 0, 0);
            WaitForSingleObject(pi.hProcess, kWaitMs);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DWORD ProgramId() const { return program_.Id(); }

    HWND bar = nullptr, listener = nullptr, flushingListener = nullptr, empty = nullptr;

private:
    ProgramProcess program_;
    PROCESS_INFORMATION viewers_[3]{};
};

struct Case {
    const char* what;
    std::function<double()> put;
    const char* catalogue;
};

// One clip: the bar's capture, passing the notice on at once as a viewer
// ahead of it does, and each listener's with the bar's monitor off. Prints
// its row.
void MeasureClip(const Case& c, const std::string& folder, const std::string& viewers)
{
    Session session(folder, viewers);
    const std::string catalogue = folder + "temp\\" + c.catalogue;
    std::vector<double> barWait, idleWait, emptyWait, barLatency, listenerLatency, flushedLatency;
    auto barCapture = [&] {
        const ULONGLONG since = LastWrite(catalogue);
        const double closing = c.put();
        barWait.push_back(TimedSend(session.bar, WM_DRAWCLIPBOARD, 0, 0));
        emptyWait.push_back(TimedSend(session.empty, WM_DRAWCLIPBOARD, 0, 0));
        barLatency.push_back(WhenReplaced(catalogue, since) - closing);
        // The same notice once the capture is over.
        idleWait.push_back(TimedSend(session.bar, WM_DRAWCLIPBOARD, 0, 0));
    };
    auto listenerCapture = [&](HWND listener, std::string_view kind, std::vector<double>& latency) {
        const std::string itsCatalogue = viewers + std::string(kind) + ".dat";
        FlipSwitch(session.bar);
        TimedSend(listener, kArm, 1, 0);
        const ULONGLONG since = LastWrite(itsCatalogue);
        const double closing = c.put();
        TimedSend(session.bar, WM_DRAWCLIPBOARD, 0, 0);
        latency.push_back(WhenReplaced(itsCatalogue, since) - closing);
        TimedSend(listener, kArm, 0, 0);
        FlipSwitch(session.bar);
    };
    // One run more than counted: the first warms the three up.
    for (int i = 0; i <= runs; ++i) {
        // Each goes first, second and third in turn: the machine's state
        // after one capture (memory, the disk's queue) meets all three.
        for (int k = 0; k < 3; ++k) {
            switch ((i + k) % 3) {
            case 0: barCapture(); break;
            case 1: listenerCapture(session.listener, kListener, listenerLatency); break;
            default: listenerCapture(session.flushingListener, kFlushingListener, flushedLatency); break;
            }
        }
        // Each capture's file goes, so that the naming does not step past a
        // folder of earlier runs; the last run's stay for the copy back.
        if (SortedFileNames(folder + "temp\\clip*").empty())
            Fail("tidemark.exe captured nothing");
        if (SortedFileNames(viewers + "*.out").size() != 2)
            Fail("a listener did not capture exactly once");
        if (i < runs)
            DeleteFiles(folder + "temp\\clip*");
        DeleteFiles(viewers + "*.out");
    }
    for (auto* times : {&barWait, &idleWait, &emptyWait, &barLatency, &listenerLatency, &flushedLatency})
        times->erase(times->begin());
    const Figure bw = Summary(barWait), iw = Summary(idleWait), ew = Summary(emptyWait), bl = Summary(barLatency),
                 ll = Summary(listenerLatency), fl = Summary(flushedLatency);
    std::printf("| %s | %s | %s | %s | %.2f× / %.2f× | %s | %s | %.2f× (%.2f×) | %s | %.2f× (%.2f×) |\n", c.what,
                Cell(bw).c_str(), Cell(iw).c_str(), Cell(ew).c_str(), bw.median / ew.median, iw.median / ew.median,
                Cell(bl).c_str(), Cell(ll).c_str(), bl.median / ll.median, bl.low / ll.low, Cell(fl).c_str(),
                bl.median / fl.median, bl.low / fl.low);
    std::fflush(stdout);
}

// The newest text clip, copied back from the text browser with the list's
// own double-click notification, so that the figure is the program's and not
// the input system's. This viewer passes each notice on once the bar has
// returned from the copy, as a viewer in another program may. Prints its
// table.
void MeasureCopyBack(const std::string& folder, const std::string& viewers)
{
    Session session(folder, viewers);
    const std::string temp = folder + "temp\\";
    HWND butText = ChildAt(session.bar, "TidemarkSpeedButton", {40, 6});
    if (!butText)
        Fail("no text button on the bar");
    Click(butText);
    HWND browser = nullptr;
    PumpUntil(
        [&] {
            std::vector<HWND> found = ProcessWindows(session.ProgramId(), "TfrmText", nullptr);
            browser = found.empty() ? nullptr : found.front();
            return browser != nullptr;
        },
        kWaitMs);
    HWND list = browser ? FirstChildOfClass(browser, "ListBox", true) : nullptr;
    if (!list)
        Fail("the text browser did not open");
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    const std::vector<std::string> clipsBefore = SortedFileNames(temp + "clip*");
    passOnLate = true;
    std::vector<double> onClipboard, handled;
    for (int i = 0; i < runs; ++i) {
        lastNotice = 0;
        const double t0 = NowMs();
        handled.push_back(TimedSend(browser, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                                    reinterpret_cast<LPARAM>(list)));
        // The platform's notice to the chain's head is not waited for: it may
        // come after the double-click's answer.
        if (lastNotice == 0 && !PumpUntil([] { return lastNotice != 0; }, kWaitMs))
            Fail("the copy-back changed no clipboard");
        onClipboard.push_back(lastNotice - t0);
        PumpMessages(0);  // the late notice passed on
    }
    passOnLate = false;
    // A copy by another program after them all is captured, and it alone.
    const ULONGLONG since = LastWrite(temp + "txtclips.dat");
    Text(120)();
    PumpMessages(0);
    WhenReplaced(temp + "txtclips.dat", since);
    TimedSend(session.bar, WM_NULL, 0, 0);
    std::size_t added = 0;
    for (const std::string& name : SortedFileNames(temp + "clip*"))
        added += std::find(clipsBefore.begin(), clipsBefore.end(), name) == clipsBefore.end();
    const Figure on = Summary(onClipboard), done = Summary(handled);
    std::printf("\n| Copy back of the 1 MB clip (goal: on the clipboard within 50 ms) | median | fastest–slowest |\n"
                "|---|---:|---:|\n"
                "| double-click to the clipboard's change notice | %.2f | %.2f–%.2f |\n"
                "| double-click handled | %.2f | %.2f–%.2f |\n\n"
                "%d copies back, then one copy by this program: %zu new clip%s captured (goal: 1).\n",
                on.median, on.low, on.high, done.median, done.low, done.high, runs, added, added == 1 ? "" : "s");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--viewer") == 0)
        return RunViewer(argv[2], argv[3]);
    if (argc > 1)
        runs = std::max(3, std::atoi(argv[1]));
    const char* only = argc > 2 ? argv[2] : nullptr;

    WNDCLASSA wc{};
    wc.lpfnWndProc = FirstViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TidemarkBenchFirstViewer";
    RegisterClassA(&wc);
    firstViewer = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance,
                                  nullptr);

    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    std::printf("Milliseconds, medians of %d runs (fastest–slowest in brackets); display depth %d.\n\n", runs,
                depth);
    std::printf("| Clipboard | chain's wait: tidemark.exe, passed on at once | the same, once captured "
                "| empty viewer | ratios (goal ≤ 1.5×) "
                "| capture latency: tidemark.exe | minimal listener | ratio (goal ≤ 1.15×), fastest's in brackets "
                "| the listener, its content flushed | ratio |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);

    TempFolder folder, viewers;
    const Case cases[] = {
        {"text, 120 bytes", Text(120), "txtclips.dat"},
        {"bitmap, 1920 × 1080", Bitmap(1920, 1080), "bmpclips.dat"},
        {"bitmap, 3840 × 2160", Bitmap(3840, 2160), "bmpclips.dat"},
        // Last, so that the newest text clip is the one copied back.
        {"text, 1 MB", Text(1 << 20), "txtclips.dat"},
    };
    for (const Case& c : cases) {
        if (!only || std::strstr(c.what, only))
            MeasureClip(c, folder.Path(), viewers.Path());
    }
    if (!only)
        MeasureCopyBack(folder.Path(), viewers.Path());
    return 0;
}
