// Scratch folders, file helpers and a fixture for the clip store's tests.
#pragma once

#include "store/Catalogues.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace storetest {

// A fresh folder under the system's temp folder, deleted with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; } // ends with "\"

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool Exists(const std::string& path); // file or folder
void DeleteTree(const std::string& folder);

// Any file name in folder ending in ".new" (a temporary catalogue left behind).
std::optional<std::string> StrayTempFile(const std::string& folder);

// Makes a file unwritable and undeletable for as long as the object lives:
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

store::TextClipEntry TextEntry(const std::string& preview, const std::string& fileName, double captured = 0);
store::BitmapClipEntry BitmapEntry(const std::string& fileName, double captured = 0);
std::string Bytes(const void* data, std::size_t size);
template <class Entry>
std::string Bytes(const Entry& entry)
{
    return Bytes(&entry, sizeof entry);
}
// Count records of pseudo-random bytes (length bytes included) from seed.
std::string RandomRecords(std::size_t recordSize, int count, unsigned seed);

// The store set up on a fresh program folder with a clock the test moves.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static double clock_;
    static double TestClock() { return clock_; }

    std::unique_ptr<TempFolder> folder_;
};

} // namespace storetest
