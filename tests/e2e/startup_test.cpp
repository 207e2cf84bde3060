// The built program started as a separate process, used only from outside.
#include "support/TestSupport.h"
#include "support/UserInput.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Startup, SplashHandsOverToTheBarAndWmCloseEndsTheProgram)
{
    TempFolder folder;
    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Start());

    // From the start, one window carries the program's taskbar button: shown,
    // owned by none, no tool window, with the program's title.
    ASSERT_TRUE(PumpUntil([&] { return program.FindWindowOfClass("TfrmSplash", true) != nullptr; }, 20000));
    std::vector<HWND> buttons;
    for (HWND w : ProcessWindows(program.Id(), nullptr, "orv Tidemark"))
        if (!GetWindow(w, GW_OWNER) && !(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
            buttons.push_back(w);
    EXPECT_EQ(buttons.size(), 1u);

    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1", true)) != nullptr; }, 20000));
    auto shownAfter = std::chrono::steady_clock::now() - program.Started();
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(shownAfter).count(), 2000);
    // The splash is hidden for good once the bar shows.
    PumpMessages(200);
    EXPECT_EQ(program.FindWindowOfClass("TfrmSplash", true), nullptr);
    EXPECT_NE(program.FindWindowOfClass("TfrmSplash"), nullptr);

    PostMessageA(bar, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
}

TEST(Startup, LogOffEndsTheProgramThroughTheNormalTearDown)
{
    TempFolder folder;
    ProgramProcess program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND bar = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (bar = program.FindWindowOfClass("TForm1")) != nullptr; }, 20000));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(bar, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_NE(answer, 0u) << "the program must not hold up a log-off";
    SendMessageTimeoutA(bar, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    // The bar's tear-down ran: the settings were written.
    EXPECT_TRUE(FileExists(folder.Path() + "tidemark.ini"));
}
