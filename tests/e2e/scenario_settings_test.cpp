// The bar's colour and hints chosen by a user and found again at the next
// start, through the settings file beside the program.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

using namespace testing_support;

class SettingsScenario : public ScenarioTest {};

namespace {

// Bare background, clear of the buttons and the label.
constexpr POINT kBackground{3, 3};

bool BarShows(const RunningProgram& program, COLORREF colour)
{
    return PumpUntil([&] { return ScreenColour(program.Bar(), kBackground) == colour; }, kReactionTimeoutMs);
}

// Rests the pointer on the "View text clips" button for as long as a hint
// takes to appear; whether one did. The pointer comes from elsewhere: one
// left on that spot by an earlier scenario would not move at all.
bool HintShowsOverTextButton(const RunningProgram& program, DWORD waitMs)
{
    MoveMouseTo({5, 5});
    MoveMouseTo(Centre(program.BarButton(bar_layout::butText)));
    const bool shown =
        PumpUntil([&] { return !ProcessWindows(program.Id(), "tooltips_class32").empty(); }, waitMs);
    // Away from the bar, so the hint goes and nothing covers the menus.
    MoveMouseTo({5, 5});
    PumpUntil([&] { return ProcessWindows(program.Id(), "tooltips_class32").empty(); }, kReactionTimeoutMs);
    return shown;
}

} // namespace

TEST_F(SettingsScenario, ColourAndHintsChosenInOneRunAreThereInTheNext)
{
    TempFolder folder;
    const COLORREF chosen = RGB(0, 128, 255);
    const std::string ini = folder.Path() + "tidemark.ini";
    {
        RunningProgram program(folder.Path());
        ASSERT_TRUE(program.Start());
        ASSERT_TRUE(BarShows(program, RGB(0, 0, 0)));
        // The first hint of a fresh start may wait on a loaded machine.
        EXPECT_TRUE(HintShowsOverTextButton(program, 2 * kReactionTimeoutMs));

        ASSERT_TRUE(program.ChooseFromMenu(bar_layout::butHelp, 'N'));
        ASSERT_TRUE(program.ChooseColour("0", "128", "255"));
        EXPECT_TRUE(BarShows(program, chosen));
        ASSERT_TRUE(program.Exit());
        ASSERT_EQ(program.WaitForExit(), 0u);
    }
    const std::string written = ReadFileBytes(ini);
    EXPECT_NE(written.find("Color=16744448"), std::string::npos) << written;
    EXPECT_NE(written.find("Hints=0"), std::string::npos) << written;

    {
        RunningProgram program(folder.Path());
        ASSERT_TRUE(program.Start());
        EXPECT_TRUE(BarShows(program, chosen));
        // A hint would show within half a second; none may come.
        EXPECT_FALSE(HintShowsOverTextButton(program, 1500));
        ASSERT_TRUE(program.Exit());
        ASSERT_EQ(program.WaitForExit(), 0u);
    }
    EXPECT_EQ(ReadFileBytes(ini), written);
}
