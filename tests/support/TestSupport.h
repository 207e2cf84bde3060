// Helpers shared by the test programs: temporary folders, message pumping,
// and starting the real tidemark.exe as a separate process.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// The system's window enumerations with a capturing lambda: `visit` returns
// false to stop. The callback must be a CALLBACK function, which on i686 no
// lambda converts to.
template <class F>
BOOL CALLBACK VisitWindow(HWND h, LPARAM visit)
{
    return (*reinterpret_cast<F*>(visit))(h) ? TRUE : FALSE;
}
template <class F>
void EachTopWindow(F visit)
{
    EnumWindows(&VisitWindow<F>, reinterpret_cast<LPARAM>(&visit));
}
template <class F>
void EachChildWindow(HWND parent, F visit)
{
    EnumChildWindows(parent, &VisitWindow<F>, reinterpret_cast<LPARAM>(&visit));
}
template <class F>
void EachThreadWindow(DWORD thread, F visit)
{
    EnumThreadWindows(thread, &VisitWindow<F>, reinterpret_cast<LPARAM>(&visit));
}

inline std::string ModuleDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

inline void DeleteTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh, empty folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder()
    {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        static int counter = 0;
        for (;;) {
            path_ = std::string(base) + "tidemark-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
            if (CreateDirectoryA(path_.c_str(), nullptr))
                break;
        }
        path_ += "\\";
    }
    ~TempFolder() { DeleteTree(path_.substr(0, path_.size() - 1)); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing backslash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The file's size in bytes; 0 when there is no such file.
inline unsigned long long FileSizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The names of the files a wildcard pattern finds, sorted.
inline std::vector<std::string> SortedFileNames(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do
            names.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Shares everything: a program under test that moves a new catalogue over
// the file meanwhile must not fail for our look at it.
inline std::string ReadFileBytes(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string data(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(h);
    data.resize(got);
    return data;
}

inline void WriteFileBytes(const std::string& path, const std::string& data)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &put, nullptr);
    CloseHandle(h);
}

// The captions of a menu's items in order, "-" for a separator.
inline std::vector<std::string> MenuCaptions(HMENU menu)
{
    std::vector<std::string> captions;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii);
        captions.push_back(mii.fType & MFT_SEPARATOR ? "-" : text);
    }
    return captions;
}

// A child window's rectangle in its parent's client coordinates.
inline RECT BoundsInParent(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Whether `upper` is above `lower` in the z-order of top-level windows.
inline bool Above(HWND upper, HWND lower)
{
    for (HWND h = GetWindow(upper, GW_HWNDNEXT); h; h = GetWindow(h, GW_HWNDNEXT))
        if (h == lower)
            return true;
    return false;
}

inline bool Topmost(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The hint text a tooltip window holds for a control (registered by handle).
inline std::string HintText(HWND tooltip, HWND owner, HWND control)
{
    char text[128] = "";
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = owner;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

// Milliseconds on the high-resolution clock, for the benchmarks.
inline double NowMs()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Dispatches this thread's messages for `ms` milliseconds.
inline void PumpMessages(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        LONG left = static_cast<LONG>(end - GetTickCount());
        if (left <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left > 20 ? 20 : left), QS_ALLINPUT);
    }
}

// Pumps messages until `done` holds or `ms` pass; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    DWORD end = GetTickCount() + ms;
    while (!done()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0)
            return false;
        PumpMessages(10);
    }
    return true;
}

// The program the scenarios run: the one beside the test program, or the one
// TIDEMARK_PROGRAM names (the 32-bit program driven from 64-bit tests).
inline std::string ProgramUnderTest()
{
    char path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("TIDEMARK_PROGRAM", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : ModuleDir() + "tidemark.exe";
}

// The real program, copied into a fresh folder and started there.
class ProgramProcess {
public:
    // A second program in the same folder runs the copy already there.
    explicit ProgramProcess(const std::string& folder, const std::string& exe = ProgramUnderTest())
        : folder_(folder)
    {
        CopyFileA(exe.c_str(), (folder + "tidemark.exe").c_str(), TRUE);
    }
    ~ProgramProcess()
    {
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(pi_.hProcess, 99);
                WaitForSingleObject(pi_.hProcess, 5000);
            }
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Start()
    {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        std::string cmd = "\"" + folder_ + "tidemark.exe\"";
        started_ = std::chrono::steady_clock::now();
        return CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &si,
                              &pi_) != FALSE;
    }
    DWORD Id() const { return pi_.dwProcessId; }
    HANDLE Process() const { return pi_.hProcess; }
    std::chrono::steady_clock::time_point Started() const { return started_; }

    // The program's top-level window of this class, or null.
    HWND FindWindowOfClass(const char* cls, bool visibleOnly = false) const
    {
        HWND found = nullptr;
        EachTopWindow([&](HWND h) {
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            char name[64];
            if (pid == pi_.dwProcessId && GetClassNameA(h, name, sizeof name) && lstrcmpA(name, cls) == 0 &&
                (!visibleOnly || IsWindowVisible(h)))
                found = h;
            return !found;
        });
        return found;
    }

    // Waits for the process to end; returns its exit code, or STILL_ACTIVE.
    DWORD WaitForExit(DWORD ms)
    {
        DWORD end = GetTickCount() + ms;
        while (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            if (static_cast<LONG>(end - GetTickCount()) <= 0)
                return STILL_ACTIVE;
            PumpMessages(20);
        }
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    std::string folder_;
    PROCESS_INFORMATION pi_{};
    std::chrono::steady_clock::time_point started_;
};

// Wine's own export: the Unix path of a DOS path, or empty elsewhere.
inline std::string UnixPath(const std::string& dosPath)
{
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, dosPath.c_str(), -1, wide, MAX_PATH);
    char* unixPath = convert(wide);
    if (!unixPath)
        return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

inline bool Writable(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A folder is writable when a file can be made in it.
        HANDLE probe = CreateFileA((path + "\\writable.probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(probe);
        return true;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Runs a Unix program under Wine and waits until done() holds: Wine starts
// it from CreateProcess but hands back no process handle to wait on, and
// leaves stack garbage where the thread's handle goes. Closed, that value
// closed whichever handle of ours it matched: once, the standard output,
// and a test program went on to pass without another word.
inline bool RunUnix(std::string command, const std::function<bool()>& done)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (int i = 0; i < 250; ++i) {
        if (done())
            return true;
        Sleep(20);
    }
    return false;
}

inline bool RunChattr(const std::string& flag, const std::string& unixPath, bool wantWritable, const std::string& dosPath)
{
    return RunUnix("/usr/bin/chattr " + flag + " \"" + unixPath + "\"",
                   [&] { return Writable(dosPath) == wantWritable; });
}

// Points a symbolic link at target (a Unix path, or a name beside the link),
// replacing whatever the link's place held; done() tells when it is seen.
inline bool MakeUnixLink(const std::string& target, const std::string& unixLink, const std::function<bool()>& done)
{
    return RunUnix("/bin/ln -sfn \"" + target + "\" \"" + unixLink + "\"", done);
}

// Makes a file (or a folder: nothing can be made in it) unwritable and
// undeletable for as long as the object lives:
// "chattr +i" under Wine (which ignores the read-only attribute for root),
// the read-only attribute elsewhere.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::string path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool Active() const { return active_; }

private:
    std::string path_;
    bool active_ = false;
};

// Holds a file open with no sharing, as another program could.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool Active() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

inline ReadOnlyFile::ReadOnlyFile(std::string path) : path_(std::move(path))
{
    const std::string unixPath = UnixPath(path_);
    if (unixPath.empty())
        active_ = SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY) && !Writable(path_);
    else
        active_ = RunChattr("+i", unixPath, false, path_);
}

inline ReadOnlyFile::~ReadOnlyFile()
{
    const std::string unixPath = UnixPath(path_);
    if (!unixPath.empty())
        RunChattr("-i", unixPath, true, path_);
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

inline LockedFile::LockedFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

inline LockedFile::~LockedFile()
{
    if (Active())
        CloseHandle(handle_);
}

} // namespace testing_support
