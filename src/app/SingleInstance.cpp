#include "app/SingleInstance.h"

#include "app/Program.h"
#include "ui/Application.h"
#include "ui/Errors.h"
#include "ui/Messages.h"

#include <cstdint>
#include <cstdio>

namespace app {

namespace {

// The property that marks the running copy's window carries the mutex's name
// without its namespace.
constexpr std::string_view kNamespace = "Global\\";

struct Search {
    const char* mark;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (!GetPropA(window, search->mark))
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

std::string InstanceName(std::string_view programDir)
{
    std::string folder(programDir);
    std::string identity;
    ui::FileHandle handle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle && GetFileInformationByHandle(handle.get(), &info) && (info.nFileIndexHigh | info.nFileIndexLow)) {
        char id[40];
        std::snprintf(id, sizeof id, "%08lX:%08lX%08lX", static_cast<unsigned long>(info.dwVolumeSerialNumber),
                      static_cast<unsigned long>(info.nFileIndexHigh), static_cast<unsigned long>(info.nFileIndexLow));
        identity = id;
    } else {
        char full[MAX_PATH * 2];
        DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
        if (n > 0 && n < sizeof full)
            folder.assign(full, n);
        char longName[MAX_PATH * 2];
        n = GetLongPathNameA(folder.c_str(), longName, sizeof longName);
        if (n > 0 && n < sizeof longName)
            folder.assign(longName, n);
        if (!folder.empty())
            CharUpperBuffA(folder.data(), static_cast<DWORD>(folder.size()));
        identity = folder;
    }
    // FNV-1a: a folder path can be longer than a kernel object's name may be.
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : identity) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char digits[24];
    std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(hash));
    return std::string(kNamespace) + "Tidemark-" + digits;
}

SingleInstance::SingleInstance(std::string_view programDir) : folder_(programDir), name_(InstanceName(programDir))
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name_.c_str());
    const DWORD error = GetLastError();
    mutex_.reset(mutex);
    // A mutex we may not open (another user's copy holds it) says that
    // something has the folder, but not whether it still runs. Any other
    // failure must not keep the program from starting.
    if (mutex)
        claim_ = error == ERROR_ALREADY_EXISTS ? Claim::Running : Claim::First;
    else
        claim_ = error == ERROR_ACCESS_DENIED ? Claim::Undecided : Claim::First;
}

void SingleInstance::TellUndecided() const
{
    ui::App.Box(ui::Format("Cannot tell whether another copy is running in %s, so this one does not start.", folder_),
                kTitle, MB_OK | MB_ICONWARNING);
}

SingleInstance::~SingleInstance()
{
    if (mark_)
        GlobalDeleteAtom(mark_);
}

void SingleInstance::MarkWindow(HWND window)
{
    if (!mark_)
        mark_ = GlobalAddAtomA(name_.c_str() + kNamespace.size());
    if (mark_)
        SetPropA(window, MAKEINTATOM(mark_), reinterpret_cast<HANDLE>(1));
}

void SingleInstance::BringRunningCopyToFront() const
{
    // The copy may still be building its windows: give it a moment.
    Search search{name_.c_str() + kNamespace.size(), nullptr};
    for (int attempt = 0; attempt < 20 && !search.found; ++attempt) {
        if (attempt > 0)
            Sleep(50);
        EnumWindows(&FindMarked, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.found)
        return;
    DWORD process = 0;
    GetWindowThreadProcessId(search.found, &process);
    // We were just started by the user: we may hand the foreground on.
    AllowSetForegroundWindow(process);
    PostMessageA(search.found, ui::WM_TIDEMARK_TO_FRONT, 0, 0);
}

} // namespace app
