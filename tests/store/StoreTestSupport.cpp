#include "StoreTestSupport.h"

#include "store/DateTime.h"
#include "store/StoreFiles.h"

#include <cstring>
#include <random>

namespace storetest {

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
