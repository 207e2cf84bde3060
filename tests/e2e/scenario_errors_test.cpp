// What a user sees when the program's files are tampered with behind its
// back: an error box captioned with the program's title, and no data lost.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

#include <optional>

using namespace testing_support;

class ErrorScenario : public ScenarioTest {};

namespace {

std::string TextRecord(const std::string& preview, const std::string& fileName, double captured)
{
    store::TextClipEntry e{};
    e.Preview.Assign(preview);
    e.FileName.Assign(fileName);
    e.Captured = captured;
    return std::string(reinterpret_cast<const char*>(&e), sizeof e);
}

} // namespace

TEST_F(ErrorScenario, LockedCataloguesAreReportedAtStartAndKeepTheirEntriesWithTheRunsNewOnes)
{
    TempFolder folder;
    CreateDirectoryA((folder.Path() + "temp").c_str(), nullptr);
    CreateDirectoryA((folder.Path() + "stash").c_str(), nullptr);
    const std::string saved = folder.Path() + "stash\\txtsaved.dat";
    const std::string savedBytes =
        TextRecord("first saved", "clip0001.txt", 46000.25) + TextRecord("second saved", "clip0002.txt", 46000.5);
    WriteFileBytes(saved, savedBytes);
    WriteFileBytes(folder.Path() + "stash\\clip0001.txt", "first saved");
    WriteFileBytes(folder.Path() + "stash\\clip0002.txt", "second saved");
    const std::string recent = folder.Path() + "temp\\txtclips.dat";
    std::string older = TextRecord("an older clip", "clip0003.txt", 46001.0);
    older[100] = '\x5A'; // reserved bytes another version may have used
    WriteFileBytes(folder.Path() + "temp\\clip0003.txt", "an older clip");
    WriteFileBytes(recent, older);
    ReadOnlyFile savedLocked(saved);
    ASSERT_TRUE(savedLocked.Active());
    std::optional<ReadOnlyFile> recentLocked(std::in_place, recent);
    ASSERT_TRUE(recentLocked->Active());

    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Launch());
    const MessageBoxSeen box = program.WaitForMessageBox("orv Tidemark", kStartTimeoutMs);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, "File access denied.");
    ASSERT_TRUE(program.PressOk(box));

    // The program goes on: it shows its bar and captures, and the locked
    // file keeps its bytes meanwhile.
    ASSERT_TRUE(program.WaitForBar());
    const std::string during = CopyTextAndWait(program, "captured while locked");
    ASSERT_FALSE(during.empty());
    ASSERT_TRUE(program.Idle());
    EXPECT_EQ(ReadFileBytes(recent), older);

    // Unlocked: the next capture puts the run's clips after the old one.
    recentLocked.reset();
    const std::string after = CopyTextAndWait(program, "captured after the unlock");
    ASSERT_FALSE(after.empty());
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(recent).size() == 3 * sizeof(store::TextClipEntry); },
                          kReactionTimeoutMs));
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);

    EXPECT_EQ(ReadFileBytes(saved), savedBytes);
    const std::string bytes = ReadFileBytes(recent);
    EXPECT_EQ(bytes.substr(0, sizeof(store::TextClipEntry)), older);
    const auto records = CatalogueRecords<store::TextClipEntry>(recent);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].FileName.Text(), during);
    EXPECT_EQ(records[2].FileName.Text(), after);
    EXPECT_EQ(ReadFileBytes(program.TempFile(during)), "captured while locked");
    for (const char* other : {"temp\\bmpclips.dat", "stash\\bmpsaved.dat"}) {
        EXPECT_TRUE(FileExists(folder.Path() + other)) << other;
    }
}
