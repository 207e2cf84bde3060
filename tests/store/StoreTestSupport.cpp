#include "StoreTestSupport.h"

#include "store/DateTime.h"
#include "store/StoreFiles.h"

#include <cstring>
#include <random>

namespace storetest {

TempFolder::TempFolder()
{
    static int serial = 0;
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof base, base);
    path_ = std::string(base) + "tidemark-store-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial) + "-" + std::to_string(GetTickCount()) + "\\";
    if (!CreateDirectoryA(path_.c_str(), nullptr))
        ADD_FAILURE() << "cannot create " << path_;
}

TempFolder::~TempFolder()
{
    DeleteTree(path_);
}

void DeleteTree(const std::string& folder)
{
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
}

std::optional<std::string> ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> StrayTempFile(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*.new").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    FindClose(find);
    return std::string(data.cFileName);
}

namespace {

// Wine's own export: the Unix path of a DOS path, or null elsewhere.
std::string UnixPath(const std::string& dosPath)
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

bool Writable(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Wine starts a Unix program from CreateProcess but hands back no handle to
// wait on, so the caller polls for the program's effect instead.
bool RunChattr(const std::string& flag, const std::string& unixPath, bool wantWritable, const std::string& dosPath)
{
    std::string command = "/usr/bin/chattr " + flag + " \"" + unixPath + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    for (int i = 0; i < 250; ++i) {
        if (Writable(dosPath) == wantWritable)
            return true;
        Sleep(20);
    }
    return false;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(std::string path) : path_(std::move(path))
{
    const std::string unixPath = UnixPath(path_);
    if (unixPath.empty())
        active_ = SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY) && !Writable(path_);
    else
        active_ = RunChattr("+i", unixPath, false, path_);
}

ReadOnlyFile::~ReadOnlyFile()
{
    const std::string unixPath = UnixPath(path_);
    if (!unixPath.empty())
        RunChattr("-i", unixPath, true, path_);
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

LockedFile::LockedFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

LockedFile::~LockedFile()
{
    if (Active())
        CloseHandle(handle_);
}

store::TextClipEntry TextEntry(const std::string& preview, const std::string& fileName, double captured)
{
    store::TextClipEntry entry{};
    entry.Preview.Assign(preview);
    entry.FileName.Assign(fileName);
    entry.Captured = captured;
    return entry;
}

store::BitmapClipEntry BitmapEntry(const std::string& fileName, double captured)
{
    store::BitmapClipEntry entry{};
    entry.FileName.Assign(fileName);
    entry.Captured = captured;
    return entry;
}

std::string Bytes(const void* data, std::size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}

std::string RandomRecords(std::size_t recordSize, int count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(recordSize * static_cast<std::size_t>(count), '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

double StoreTest::clock_ = 0;

void StoreTest::SetUp()
{
    store::ResetCatalogues();
    clock_ = 45000.25;
    store::SetClock(TestClock);
    folder_ = std::make_unique<TempFolder>();
    store::InitStoreFolders(folder_->Path() + "tidemark.exe");
}

void StoreTest::TearDown()
{
    store::ResetCatalogues();
    store::SetClock(nullptr);
    folder_.reset();
    store::ProgramDir.clear();
    store::TempDir.clear();
    store::StashDir.clear();
}

} // namespace storetest
