// Figures for the capture path, the browsers, start-up, memory and idle CPU,
// each beside the floor that no implementation can beat: a plain WriteFile of
// the same bytes, a memcpy of the same pixels. Prints a Markdown table.
#include "app/Forms.h"
#include "app/Program.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "browsers/BitmapBrowser.h"
#include "browsers/TextBrowser.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/Files.h"

#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using testing_support::NowMs;
using testing_support::ProgramProcess;
using testing_support::TempFolder;

namespace {

int runs = 15;

struct Figure {
    double median, low;
};

Figure Summary(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front()};
}

double TimeOnce(const std::function<void()>& prepare, const std::function<void()>& action)
{
    if (prepare)
        prepare();
    double t0 = NowMs();
    action();
    return NowMs() - t0;
}

Figure Measure(const std::function<void()>& prepare, const std::function<void()>& action)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(TimeOnce(prepare, action));
    return Summary(std::move(times));
}

// A capture with its content file left to the system's cache and with it
// flushed to the disk before the catalogue names it, run by run in turn (the
// first of each pair alternating), so that both meet the same machine.
struct FlushCost {
    std::string what;
    Figure cached, flushed;
};

FlushCost MeasureFlush(std::string what, const std::function<void()>& prepare, const std::function<void()>& action)
{
    std::vector<double> times[2];
    for (int i = 0; i < runs; ++i) {
        for (int flush : {i % 2, 1 - i % 2}) {
            ui::FlushFiles = flush != 0;
            times[flush].push_back(TimeOnce(prepare, action));
        }
    }
    ui::FlushFiles = true;
    return {std::move(what), Summary(std::move(times[0])), Summary(std::move(times[1]))};
}

void Row(const char* what, Figure f, const Figure* floor = nullptr)
{
    if (floor)
        std::printf("| %s | %.2f | %.2f | %.2f | %.1f× |\n", what, f.median, f.low, floor->median,
                    floor->median > 0 ? f.median / floor->median : 0.0);
    else
        std::printf("| %s | %.2f | %.2f | | |\n", what, f.median, f.low);
    std::fflush(stdout);
}

// Writes the clipboard with capture held off, so that only the timed
// notification below captures it.
void PutOnClipboard(UINT format, HANDLE data)
{
    CaptureSuppressed = true;
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(format, data);
    CloseClipboard();
    CaptureSuppressed = false;
}

void PutText(const std::string& text)
{
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* p = static_cast<char*>(GlobalLock(mem));
    std::memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(mem);
    PutOnClipboard(CF_TEXT, mem);
}

void PutBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, bmp);
    for (int x = 0; x < width; x += 64) {
        HBRUSH b = CreateSolidBrush(RGB(x * 7 & 255, x * 3 & 255, x & 255));
        RECT r{x, 0, x + 64, height};
        FillRect(mem, &r, b);
        DeleteObject(b);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    PutOnClipboard(CF_BITMAP, bmp);
}

// One capture: the listener's notice as the platform posts it, to the entry
// added and the catalogue written.
template <class Catalogue>
void Capture(const Catalogue& catalogue)
{
    std::string before = catalogue.Count ? catalogue.Entries[catalogue.Count].FileName.Text() : "";
    SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    std::string after = catalogue.Count ? catalogue.Entries[catalogue.Count].FileName.Text() : "";
    if (after == before) {
        std::fprintf(stderr, "bench: the capture added no entry\n");
        ExitProcess(2);
    }
}

Figure WriteFloor(const std::string& folder, size_t bytes)
{
    std::vector<char> data(bytes, 'x');
    std::string path = folder + "floor.bin";
    return Measure(nullptr, [&] {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
        CloseHandle(h);
    });
}

Figure CopyFloor(size_t bytes)
{
    std::vector<char> from(bytes, 1), to(bytes);
    return Measure(nullptr, [&] { std::memcpy(to.data(), from.data(), bytes); });
}

size_t BmpFileSize(int width, int height)
{
    return 54 + static_cast<size_t>((width * 24 + 31) / 32 * 4) * static_cast<size_t>(height);
}

void CopyTree(const std::string& from, const std::string& to)
{
    CreateDirectoryA(to.c_str(), nullptr);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((from + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileA((from + "\\" + fd.cFileName).c_str(), (to + "\\" + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

double CpuMs(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    auto ms = [](FILETIME f) { return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        runs = std::max(3, std::atoi(argv[1]));
    ui::App.Box = [](const std::string& text, const std::string&, UINT) {
        std::fprintf(stderr, "bench: error box: %s\n", text.c_str());
        ExitProcess(2);
        return 0;
    };
    TempFolder work;
    ui::App.ExeNameOverride = work.Path() + "tidemark.exe";
    app::CreateProgramForms();
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);

    std::printf("Medians of %d runs, in milliseconds (display depth %d bits).\n\n", runs, depth);
    std::printf("| What | Median | Fastest | Floor | Ratio to floor |\n|---|---:|---:|---:|---:|\n");

    const std::string small(120, 'a');
    std::string large(1 << 20, 'b');
    for (size_t i = 80; i < large.size(); i += 81)
        large[i - 1] = '\r', large[i] = '\n';
    Figure floor = WriteFloor(store::TempDir, small.size());
    Row("Text capture, 120 bytes (WriteFile floor)", Measure([&] { PutText(small); },
                                                             [] { Capture(store::RecentTextCatalogue); }),
        &floor);
    floor = WriteFloor(store::TempDir, large.size());
    Row("Text capture, 1 MB (WriteFile floor)", Measure([&] { PutText(large); },
                                                        [] { Capture(store::RecentTextCatalogue); }),
        &floor);

    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        std::string name = std::to_string(w) + " × " + std::to_string(h);
        // Each change is captured once: every run needs one of its own.
        Figure capture = Measure([w, h] { PutBitmap(w, h); }, [] { Capture(store::RecentBitmapCatalogue); });
        floor = WriteFloor(store::TempDir, BmpFileSize(w, h));
        Row(("Bitmap capture, " + name + " (WriteFile floor)").c_str(), capture, &floor);
        Figure copy = CopyFloor(static_cast<size_t>(w) * h * static_cast<size_t>(depth / 8));
        Row(("Bitmap capture, " + name + " (memcpy floor)").c_str(), capture, &copy);
        // The last ten captures are all of this size now.
        Row(("Bitmap browser ShowCatalogue, ten clips of " + name).c_str(),
            Measure(nullptr, [] { frmBmp->ShowCatalogue(false); }));
    }
    Row("Text browser ShowCatalogue, ten clips", Measure(nullptr, [] { frmText->ShowCatalogue(false); }));

    const FlushCost flushCosts[] = {
        MeasureFlush("text, 120 bytes", [&] { PutText(small); }, [] { Capture(store::RecentTextCatalogue); }),
        MeasureFlush("text, 1 MB", [&] { PutText(large); }, [] { Capture(store::RecentTextCatalogue); }),
        MeasureFlush("bitmap, 1920 × 1080", [] { PutBitmap(1920, 1080); },
                     [] { Capture(store::RecentBitmapCatalogue); }),
        MeasureFlush("bitmap, 3840 × 2160", [] { PutBitmap(3840, 2160); },
                     [] { Capture(store::RecentBitmapCatalogue); }),
    };

    // Every catalogue full: the saved ones from the recent ones.
    for (int i = 1; i <= 10; ++i) {
        store::StashText(i);
        store::StashBitmap(i);
    }
    app::ReleaseProgramForms();  // writes the catalogues
    ui::App.Box = nullptr;

    std::vector<double> startups, privates, idle;
    for (int i = 0; i < std::min(runs, 5); ++i) {
        TempFolder folder;
        CopyTree(work.Path() + "temp", folder.Path() + "temp");
        CopyTree(work.Path() + "stash", folder.Path() + "stash");
        ProgramProcess program(folder.Path());
        double t0 = NowMs();
        program.Start();
        HWND bar = nullptr;
        testing_support::PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1", true)) != nullptr; },
                                   30000);
        startups.push_back(NowMs() - t0 - 2000);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(program.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
        // Wine reports no PrivateUsage; PagefileUsage is the same commit charge.
        privates.push_back(static_cast<double>(std::max(memory.PrivateUsage, memory.PagefileUsage)) /
                           (1024.0 * 1024.0));
        double cpu0 = CpuMs(program.Process());
        testing_support::PumpMessages(3000);
        idle.push_back(CpuMs(program.Process()) - cpu0);
        PostMessageA(bar, WM_CLOSE, 0, 0);
        program.WaitForExit(10000);
    }
    // The yardstick for idle CPU: a plain window program of the platform's own.
    std::vector<double> idleBaseline;
    for (int i = 0; i < 3; ++i) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        char notepad[] = "C:\\windows\\system32\\notepad.exe";
        if (!CreateProcessA(nullptr, notepad, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            break;
        WaitForInputIdle(pi.hProcess, 10000);
        testing_support::PumpMessages(1000);
        double cpu0 = CpuMs(pi.hProcess);
        testing_support::PumpMessages(3000);
        idleBaseline.push_back(CpuMs(pi.hProcess) - cpu0);
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    Row("Start-up to the bar shown, less the 2000 ms splash (all catalogues full)", Summary(startups));
    Figure mem = Summary(privates);
    std::printf("| Private memory (commit) with all catalogues full (MB) | %.1f | %.1f | | |\n", mem.median, mem.low);
    Figure cpu = Summary(idle);
    if (!idleBaseline.empty()) {
        Figure base = Summary(idleBaseline);
        std::printf("| CPU used while idle for 3 s (ms; floor: Wine's notepad idle) | %.1f | %.1f | %.1f | |\n",
                    cpu.median, cpu.low, base.median);
    } else {
        std::printf("| CPU used while idle for 3 s (ms) | %.1f | %.1f | | |\n", cpu.median, cpu.low);
    }

    std::printf("\nA capture with its content file flushed to the disk before the catalogue names it, beside the "
                "same capture without (medians, fastest in brackets, in milliseconds; the runs taken in turn).\n\n");
    std::printf("| Capture | Not flushed | Flushed | Ratio |\n|---|---:|---:|---:|\n");
    for (const FlushCost& cost : flushCosts)
        std::printf("| %s | %.2f (%.2f) | %.2f (%.2f) | %.2f× |\n", cost.what.c_str(), cost.cached.median,
                    cost.cached.low, cost.flushed.median, cost.flushed.low,
                    cost.cached.median > 0 ? cost.flushed.median / cost.cached.median : 0.0);
    return 0;
}
