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

// How long a start waits for a copy that is leaving, and how often it looks.
constexpr DWORD kTakeOverMs = 5000;
constexpr DWORD kLookAgainMs = 50;

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
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name_.c_str());
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
    // Unmarked first: a later start must not find a window that no longer
    // answers for the folder.
    if (marked_ && mark_ && IsWindow(marked_))
        RemovePropA(marked_, MAKEINTATOM(mark_));
    if (mark_)
        GlobalDeleteAtom(mark_);
    if (First())
        ReleaseMutex(mutex_.get());
}

void SingleInstance::MarkWindow(HWND window)
{
    if (!mark_)
        mark_ = GlobalAddAtomA(name_.c_str() + kNamespace.size());
    if (mark_ && SetPropA(window, MAKEINTATOM(mark_), reinterpret_cast<HANDLE>(1)))
        marked_ = window;
}

bool SingleInstance::TakeOver()
{
    const DWORD start = GetTickCount();
    Search search{name_.c_str() + kNamespace.size(), nullptr};
    bool asked = false;
    for (DWORD waited = 0; waited < kTakeOverMs; waited = GetTickCount() - start) {
        // The other copy has ended, or let go as its last act.
        const DWORD wait = WaitForSingleObject(mutex_.get(), kLookAgainMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            claim_ = Claim::First;
            return true;
        }
        // It may still be making its window; asked once, it answers for good.
        if (asked)
            continue;
        EnumWindows(&FindMarked, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            continue;
        asked = true;
        DWORD process = 0;
        GetWindowThreadProcessId(search.found, &process);
        // We were just started by the user: we may hand the foreground on.
        AllowSetForegroundWindow(process);
        DWORD_PTR cameForward = 0;
        if (SendMessageTimeoutA(search.found, ui::WM_TIDEMARK_TO_FRONT, 0, 0, SMTO_ABORTIFHUNG,
                                kTakeOverMs - waited, &cameForward) &&
            cameForward)
            return false;
    }
    ui::App.Box(std::string("Another copy of ") + kTitle + " in " + folder_ +
                    " neither came to the front nor closed, so this one does not start. Once it has closed, start it "
                    "again.",
                kTitle, MB_OK | MB_ICONWARNING);
    return false;
}

} // namespace app
