// Content file names: the seconds past the hour in hex, stepping past names
// already taken in TempDir.
#include "bar/monitor_support.h"

#include <set>

using namespace monitor_test;

namespace {

double At(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms = 0)
{
    const SYSTEMTIME t{year, month, 0, day, hour, minute, second, ms};
    return store::DateTimeFromSystemTime(t);
}

double fixedNow = 0;
double FixedClock()
{
    return fixedNow;
}

} // namespace

TEST(ClipFileName, CountsFromTheSecondsPastTheHourAndStepsPastTakenNames)
{
    std::set<std::string> taken;
    auto isTaken = [&](const std::string& p) { return taken.count(p) != 0; };
    EXPECT_EQ(monitor::ClipFileName("C:\\t\\", "txt", 330, isTaken), "C:\\t\\clip014A.txt");
    EXPECT_EQ(monitor::ClipFileName("C:\\t\\", ".bmp", 0, isTaken), "C:\\t\\clip0000.bmp");
    EXPECT_EQ(monitor::ClipFileName("C:\\t\\", "txt", 3599, isTaken), "C:\\t\\clip0E0F.txt");
    taken = {"C:\\t\\clip014A.txt", "C:\\t\\clip014B.txt"};
    EXPECT_EQ(monitor::ClipFileName("C:\\t\\", "txt", 330, isTaken), "C:\\t\\clip014C.txt");
    // Another extension is another name.
    EXPECT_EQ(monitor::ClipFileName("C:\\t\\", "bmp", 330, isTaken), "C:\\t\\clip014A.bmp");
}

TEST(ClipFileName, PastFFFFTheCounterWrapsAndWhenAllAreTakenNoNameIsGiven)
{
    // Everything from clip0E10 up is taken: the search wraps to clip0000
    // instead of growing a fifth digit.
    auto highTaken = [](const std::string& p) { return p >= "clip0E10.txt"; };
    EXPECT_EQ(monitor::ClipFileName("", "txt", 3600, highTaken), "clip0000.txt");
    auto allButOne = [](const std::string& p) { return p != "clip0E0F.txt"; };
    EXPECT_EQ(monitor::ClipFileName("", "txt", 3600, allButOne), "clip0E0F.txt");

    int asked = 0;
    auto allTaken = [&](const std::string&) {
        ++asked;
        return true;
    };
    try {
        monitor::ClipFileName("C:\\t\\", "txt", 330, allTaken);
        FAIL() << "a name although all are taken";
    } catch (const ui::AppError& e) {
        EXPECT_STREQ(e.what(), "Cannot create file C:\\t\\clip014A.txt");
    }
    EXPECT_EQ(asked, 0x10000);
}

TEST(ClipFileName, SecondsPastTheHourIgnoreHoursDaysAndMilliseconds)
{
    EXPECT_EQ(monitor::SecondsPastHour(At(2024, 3, 7, 14, 5, 30)), 330);
    EXPECT_EQ(monitor::SecondsPastHour(At(2024, 3, 9, 9, 5, 30, 999)), 330);
    EXPECT_EQ(monitor::SecondsPastHour(At(2024, 3, 9, 23, 59, 59, 999)), 3599);
    EXPECT_EQ(monitor::SecondsPastHour(At(2024, 3, 9, 0, 0, 0)), 0);
    EXPECT_EQ(monitor::SecondsPastHour(At(1899, 12, 29, 6, 1, 2)), 62);
}

using MakeClipFileNameTest = ProgramFormsTest;

TEST_F(MakeClipFileNameTest, TheClockAndTheFilesInTempDirGiveTheName)
{
    fixedNow = At(2024, 3, 7, 14, 5, 30);
    store::SetClock(&FixedClock);
    EXPECT_EQ(MakeClipFileName("txt"), TempDir() + "clip014A.txt");
    // A folder of that name does not count; a file does.
    ASSERT_TRUE(CreateDirectoryA((TempDir() + "clip014A.txt").c_str(), nullptr));
    EXPECT_EQ(MakeClipFileName(".txt"), TempDir() + "clip014A.txt");
    RemoveDirectoryA((TempDir() + "clip014A.txt").c_str());

    CopyText("at 14:05:30");
    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_EQ(NewestText().FileName.Text(), "clip014A.txt");
    // Another day and hour, the same minute and second: the next name.
    fixedNow = At(2024, 3, 9, 9, 5, 30);
    CopyText("at 09:05:30");
    EXPECT_EQ(NewestText().FileName.Text(), "clip014B.txt");
    EXPECT_EQ(MakeClipFileName("txt"), TempDir() + "clip014C.txt");
    CopyBitmap(ColourBitmap(2, 2, 0, 0));
    EXPECT_EQ(NewestBitmap().FileName.Text(), "clip014A.bmp");
}

TEST_F(MakeClipFileNameTest, ANameHeldInTheStashIsNotGivenSoAStashNeverOverwritesAnOlderSavedClip)
{
    fixedNow = At(2024, 3, 7, 14, 5, 30);
    store::SetClock(&FixedClock);
    CopyText("saved long ago");
    store::StashText(1);
    store::RemoveRecentText(1);  // its recent file goes, its stash copy stays
    ASSERT_FALSE(FileExists(TempDir() + "clip014A.txt"));

    CopyText("a new clip");
    EXPECT_EQ(NewestText().FileName.Text(), "clip014B.txt");
    store::StashText(store::RecentTextCatalogue.Count);
    EXPECT_EQ(ReadFileBytes(store::StashDir + "clip014A.txt"), "saved long ago");
    EXPECT_EQ(ReadFileBytes(store::StashDir + "clip014B.txt"), "a new clip");
}
