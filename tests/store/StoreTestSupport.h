// Scratch folders, file helpers and a fixture for the clip store's tests.
#pragma once

#include "store/Catalogues.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace storetest {

using testing_support::DeleteTree;
using testing_support::LockedFile;
using testing_support::ReadOnlyFile;
using testing_support::MakeUnixLink;
using testing_support::TempFolder;
using testing_support::UnixPath;

void WriteBytes(const std::string& path, const std::string& bytes);
std::optional<std::string> ReadBytes(const std::string& path);
bool Exists(const std::string& path); // file or folder

// Any file name in folder ending in ".new" (a temporary catalogue left behind).
std::optional<std::string> StrayTempFile(const std::string& folder);

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
