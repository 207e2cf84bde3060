// The bar as a user meets it: the real program in a fresh folder, texts
// copied by this process, clicks and menu keys as real input, and the files
// the program leaves behind when it ends.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

using namespace testing_support;

class BarScenario : public ScenarioTest {};

namespace {

using TextRecords = std::vector<store::TextClipEntry>;

TextRecords RecentTexts(const std::string& folder)
{
    return CatalogueRecords<store::TextClipEntry>(folder + "temp\\txtclips.dat");
}

HWND SwitchImage(const RunningProgram& program)
{
    return ChildAt(program.Bar(), "TidemarkImage", bar_layout::monitorSwitch);
}

// Starts the program, has it capture one text, ends it the given way and
// checks that the clip reached the catalogue file.
template <class Ending>
void CaptureThenEnd(Ending end)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const std::string file = CopyTextAndWait(program, "kept across the ending");
    ASSERT_FALSE(file.empty());

    ASSERT_TRUE(end(program));
    ASSERT_EQ(program.WaitForExit(), 0u);
    const TextRecords records = RecentTexts(folder.Path());
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].FileName.Text(), file);
    EXPECT_EQ(records[0].Preview.Text(), "kept across the ending");
    EXPECT_TRUE(FileExists(folder.Path() + "tidemark.ini"));
}

} // namespace

TEST_F(BarScenario, TheMonitorSwitchStopsAndResumesCapture)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    ASSERT_FALSE(CopyTextAndWait(program, "while on").empty());

    HWND on = SwitchImage(program);
    ASSERT_NE(on, nullptr);
    Click(on);
    ASSERT_TRUE(PumpUntil([&] { return SwitchImage(program) != on; }, kReactionTimeoutMs));
    HWND off = SwitchImage(program);
    ASSERT_NE(off, nullptr);

    // The notification of this copy is queued ahead of the ping: once the
    // program answers, it has seen the copy and let it pass.
    CopyText("while off");
    ASSERT_TRUE(program.Idle());
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "txt").size(), 1u);

    Click(off);
    ASSERT_TRUE(PumpUntil([&] { return SwitchImage(program) == on; }, kReactionTimeoutMs));
    ASSERT_FALSE(CopyTextAndWait(program, "on again").empty());

    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
    const TextRecords records = RecentTexts(folder.Path());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Preview.Text(), "while on");
    EXPECT_EQ(records[1].Preview.Text(), "on again");
}

TEST_F(BarScenario, TwentyFiveTextsLeaveOnlyTheTenNamedFilesInTheRecentFolder)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    std::vector<std::string> files;
    for (int i = 1; i <= 25; ++i) {
        files.push_back(CopyTextAndWait(program, "text number " + std::to_string(i)));
        ASSERT_FALSE(files.back().empty()) << i;
    }
    // Written at each capture, right after its content file: the file holds
    // the ten newest before the program ends.
    TextRecords records;
    ASSERT_TRUE(PumpUntil(
        [&] {
            records = RecentTexts(folder.Path());
            return records.size() == 10u && records.back().Preview.Text() == "text number 25";
        },
        kReactionTimeoutMs));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(records[i].Preview.Text(), "text number " + std::to_string(i + 16));
        EXPECT_EQ(records[i].FileName.Text(), files[i + 15]);
    }
    std::vector<std::string> named = RecordFileNames(records);
    std::sort(named.begin(), named.end());
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "txt"), named);
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(RecentTexts(folder.Path()).size(), 10u);
}

TEST_F(BarScenario, ASecondCopyInTheSameFolderBringsTheFirstBackAndEndsWithoutTouchingAFile)
{
    TempFolder folder;
    RunningProgram first(folder.Path());
    ASSERT_TRUE(first.Start());
    ASSERT_FALSE(CopyTextAndWait(first, "before the second start").empty());
    first.SystemCommand(SC_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(first.Bar()); }, kReactionTimeoutMs));
    auto files = [&] {
        std::vector<std::string> all;
        for (const char* in : {"", "temp\\", "stash\\"})
            for (const std::string& name : SortedFileNames(folder.Path() + in + "*"))
                all.push_back(in + name + ":" + std::to_string(ReadFileBytes(folder.Path() + in + name).size()));
        return all;
    };
    const std::vector<std::string> before = files();

    RunningProgram second(folder.Path());
    ASSERT_TRUE(second.Launch());
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(first.Bar()) != FALSE; }, kReactionTimeoutMs));
    EXPECT_EQ(files(), before);

    // The first one goes on as before.
    ASSERT_FALSE(CopyTextAndWait(first, "after the second start").empty());
    ASSERT_TRUE(first.Exit());
    ASSERT_EQ(first.WaitForExit(), 0u);
    EXPECT_EQ(RecentTexts(folder.Path()).size(), 2u);
}

TEST_F(BarScenario, ExitFromTheMainMenuSavesTheCatalogues)
{
    CaptureThenEnd([](RunningProgram& program) { return program.Exit(); });
}

TEST_F(BarScenario, TheBarsCloseBoxSavesTheCatalogues)
{
    CaptureThenEnd([](RunningProgram& program) { return program.ClickCloseBox(); });
}

TEST_F(BarScenario, ALogOffSavesTheCatalogues)
{
    CaptureThenEnd([](RunningProgram& program) { return program.LogOff(); });
}
