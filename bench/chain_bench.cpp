// Capture and copy-back timed from outside, as another program in the
// clipboard-viewer chain sees them. This program joins the chain after
// tidemark.exe, so it hears of every change first; it writes the clipboard,
// swallows the notification of its own write, and then times a sent
// WM_DRAWCLIPBOARD to three windows in other processes in turn: the bar, a
// minimal viewer doing the platform work of a capture (open the clipboard,
// read CF_TEXT or the bitmap, write one file), and a viewer that returns at
// once. Prints a Markdown table of medians and their ratios.
//
//   tidemark_chain_bench.exe [RUNS]              the measurement
//   tidemark_chain_bench.exe --viewer KIND DIR   a viewer: "minimal" or "null"
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
#include <vector>

using namespace testing_support;

namespace {

constexpr const char* kViewerClass = "TidemarkBenchViewer";
constexpr DWORD kWaitMs = 30000;


[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "chain bench: %s\n", what);
    std::fflush(stderr);
    ExitProcess(2);
}

bool WriteWholeFile(const std::string& path, const void* data, std::size_t size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

// ---- The two yardstick viewers -------------------------------------------

std::string viewerFolder;
int viewerFiles = 0;
bool viewerWorks = false;

// The least a capture can do: the clipboard's CF_TEXT, or its bitmap as a
// 24-bit BMP file, into one new file, as each clip has a file of its own.
void MinimalCapture(HWND window)
{
    const std::string viewerFile = viewerFolder + "viewer" + std::to_string(++viewerFiles) + ".out";
    if (!OpenClipboard(window))
        return;
    if (HANDLE text = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(text))) {
            WriteWholeFile(viewerFile, p, strnlen(p, GlobalSize(text)));
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
        WriteWholeFile(viewerFile, file.data(), file.size());
    }
    CloseClipboard();
}

LRESULT CALLBACK ViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWCLIPBOARD:
        if (viewerWorks)
            MinimalCapture(window);
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
    viewerWorks = kind == "minimal";
    viewerFolder = folder + "\\";
    WNDCLASSA wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kViewerClass;
    RegisterClassA(&wc);
    // Not in the chain: the benchmark sends it the notification itself.
    CreateWindowExA(0, kViewerClass, kind.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
        DispatchMessageA(&m);
    return 0;
}

// ---- The measuring side --------------------------------------------------

int runs = 15;
HWND nextViewer = nullptr;
double lastNotice = 0;  // when this window last heard of a clipboard change

LRESULT CALLBACK FirstViewerProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWCLIPBOARD:
        // Not passed on: each viewer is sent its notification on its own.
        lastNotice = NowMs();
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

HWND firstViewer = nullptr;

void PutOnClipboard(UINT format, HANDLE data)
{
    for (int i = 0; !OpenClipboard(firstViewer); ++i) {
        if (i == 100)
            Fail("cannot open the clipboard");
        Sleep(10);
    }
    EmptyClipboard();
    SetClipboardData(format, data);
    CloseClipboard();
}

std::function<void()> Text(std::size_t size)
{
    return [size] {
        std::string text(size, 'b');
        for (std::size_t i = 80; i < text.size(); i += 81)
            text[i - 1] = '\r', text[i] = '\n';
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        std::memcpy(GlobalLock(mem), text.c_str(), text.size() + 1);
        GlobalUnlock(mem);
        PutOnClipboard(CF_TEXT, mem);
    };
}

// A device bitmap: a DIB section reaches other processes under Wine as an
// empty bitmap.
std::function<void()> Bitmap(int width, int height)
{
    return [width, height] { PutOnClipboard(CF_BITMAP, ColourBitmap(width, height, RGB(40, 160, 90), RGB(200, 0, 0))); };
}

// Long enough for a catalogue's write and move, many times over.
constexpr DWORD kSettleMs = 50;

double TimedSend(HWND target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const double t0 = NowMs();
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutA(target, msg, wParam, lParam, SMTO_NORMAL, kWaitMs, &ignored))
        Fail("a viewer did not answer");
    return NowMs() - t0;
}

struct Figure {
    double median, low;
};

Figure Summary(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
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

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--viewer") == 0)
        return RunViewer(argv[2], argv[3]);
    if (argc > 1)
        runs = std::max(3, std::atoi(argv[1]));

    TempFolder folder, viewers;
    ProgramProcess program(folder.Path());
    if (!program.Start())
        Fail("cannot start tidemark.exe");
    HWND bar = nullptr;
    PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1", true)) != nullptr; }, kWaitMs);
    PumpUntil(
        [&] {
            DWORD pid = 0;
            GetWindowThreadProcessId(GetClipboardViewer(), &pid);
            return pid == program.Id();
        },
        kWaitMs);
    if (!bar)
        Fail("the bar did not come up");
    TimedSend(bar, WM_NULL, 0, 0);

    PROCESS_INFORMATION minimalProcess{}, nullProcess{};
    HWND minimal = StartViewer("minimal", viewers.Path(), minimalProcess);
    HWND null = StartViewer("null", viewers.Path(), nullProcess);

    WNDCLASSA wc{};
    wc.lpfnWndProc = FirstViewerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TidemarkBenchFirstViewer";
    RegisterClassA(&wc);
    firstViewer = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance,
                                  nullptr);
    nextViewer = SetClipboardViewer(firstViewer);
    if (nextViewer != bar)
        Fail("the bar is not the viewer after this one");

    HDC screen = GetDC(nullptr);
    const int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    std::printf("Sent WM_DRAWCLIPBOARD, milliseconds, medians of %d runs (fastest in brackets); display depth %d.\n\n",
                runs, depth);
    std::printf("| Clipboard | tidemark.exe | minimal viewer | null viewer | ratio to minimal | goal |\n"
                "|---|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);

    const std::string temp = folder.Path() + "temp\\";
    struct Case {
        const char* what;
        std::function<void()> put;
        double goal;
    } cases[] = {
        {"text, 120 bytes", Text(120), 3.0},
        {"bitmap, 1920 × 1080", Bitmap(1920, 1080), 1.5},
        {"bitmap, 3840 × 2160", Bitmap(3840, 2160), 1.5},
        // Last, so that the newest text clip is the one copied back below.
        {"text, 1 MB", Text(1 << 20), 2.0},
    };
    for (const Case& c : cases) {
        std::vector<double> tidemark, least, none;
        for (int i = 0; i < runs; ++i) {
            c.put();
            tidemark.push_back(TimedSend(bar, WM_DRAWCLIPBOARD, 0, 0));
            // The bar writes its catalogue once it has answered: that must
            // not share the disk with the next viewer's timing.
            Sleep(kSettleMs);
            least.push_back(TimedSend(minimal, WM_DRAWCLIPBOARD, 0, 0));
            none.push_back(TimedSend(null, WM_DRAWCLIPBOARD, 0, 0));
            // The capture must have happened; then its file goes, so that
            // the naming does not step past a folder of earlier runs.
            if (SortedFileNames(temp + "clip*").empty())
                Fail("tidemark.exe captured nothing");
            if (SortedFileNames(viewers.Path() + "viewer*").empty())
                Fail("the minimal viewer wrote nothing");
            if (i + 1 < runs)
                DeleteFiles(temp + "clip*");
            DeleteFiles(viewers.Path() + "viewer*");
        }
        const Figure t = Summary(tidemark), m = Summary(least), n = Summary(none);
        std::printf("| %s | %.2f (%.2f) | %.2f (%.2f) | %.2f (%.2f) | %.2f× | ≤ %.1f× |\n", c.what, t.median, t.low,
                    m.median, m.low, n.median, n.low, t.median / m.median, c.goal);
        std::fflush(stdout);
    }

    // Copy back: the 1 MB clip, newest in the text browser, double-clicked.
    // The list's own double-click notification is sent, so the figure is the
    // program's and not the input system's.
    HWND butText = ChildAt(bar, "TidemarkSpeedButton", {40, 6});
    if (!butText)
        Fail("no text button on the bar");
    Click(butText);
    HWND browser = nullptr;
    PumpUntil(
        [&] {
            std::vector<HWND> found = ProcessWindows(program.Id(), "TfrmText", nullptr);
            browser = found.empty() ? nullptr : found.front();
            return browser != nullptr;
        },
        kWaitMs);
    HWND list = browser ? FirstChildOfClass(browser, "ListBox", true) : nullptr;
    if (!list)
        Fail("the text browser did not open");
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    std::vector<double> onClipboard, handled;
    for (int i = 0; i < runs; ++i) {
        lastNotice = 0;
        const double t0 = NowMs();
        handled.push_back(TimedSend(browser, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                                    reinterpret_cast<LPARAM>(list)));
        if (lastNotice == 0)
            Fail("the copy-back changed no clipboard");
        onClipboard.push_back(lastNotice - t0);
    }
    const Figure on = Summary(onClipboard), done = Summary(handled);
    std::printf("\n| Copy back of the 1 MB clip | median | fastest |\n|---|---:|---:|\n"
                "| double-click to the clipboard's change notice | %.2f | %.2f |\n"
                "| double-click handled | %.2f | %.2f |\n",
                on.median, on.low, done.median, done.low);
    std::fflush(stdout);

    ChangeClipboardChain(firstViewer, nextViewer);
    PostMessageA(bar, WM_CLOSE, 0, 0);
    program.WaitForExit(kWaitMs);
    for (PROCESS_INFORMATION* pi : {&minimalProcess, &nullProcess}) {
        std::vector<HWND> windows = ProcessWindows(pi->dwProcessId, kViewerClass, nullptr, false);
        if (!windows.empty())
            PostMessageA(windows.front(), WM_CLOSE, 0, 0);
        WaitForSingleObject(pi->hProcess, kWaitMs);
        CloseHandle(pi->hProcess);
        CloseHandle(pi->hThread);
    }
    return 0;
}
