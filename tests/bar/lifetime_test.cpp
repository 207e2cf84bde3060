// The bar's set-up and tear-down when the store's files misbehave: the error
// box reports it, and nothing the user had is lost.
#include "app/Forms.h"
#include "app/Program.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "store/Catalogues.h"
#include "bar/monitor_support.h"
#include "support/TestSupport.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace testing_support;

namespace {

class BarLifetime : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = ui::App.Box;
        ui::App.Box = [this](const std::string& text, const std::string& caption, UINT) {
            boxes.push_back(caption + ": " + text);
            if (onBox)
                onBox();
            return IDOK;
        };
        ui::App.ExeNameOverride = folder.Path() + "tidemark.exe";
        CreateDirectoryA((folder.Path() + "temp").c_str(), nullptr);
        CreateDirectoryA((folder.Path() + "stash").c_str(), nullptr);
    }
    void TearDown() override
    {
        app::ReleaseProgramForms();
        store::ResetCatalogues();
        ui::App.Box = saved_;
        ui::App.ExeNameOverride.clear();
    }

    TempFolder folder;
    std::vector<std::string> boxes;
    // Runs while a box is open, as the box's message loop would.
    std::function<void()> onBox;

private:
    ui::Application::BoxHandler saved_;
};

const std::string kTwoTextRecords = std::string(112, '\0').replace(0, 2, "\x01x") + std::string(112, '\0');

} // namespace

TEST_F(BarLifetime, AReadOnlyCatalogueIsReportedAndKeptWhileEverythingElseLoads)
{
    std::string texts = folder.Path() + "temp\\txtclips.dat";
    WriteFileBytes(texts, kTwoTextRecords);
    WriteFileBytes(folder.Path() + "temp\\bmpclips.dat", std::string(64, '\0'));
    WriteFileBytes(folder.Path() + "tidemark.ini", "[Main]\r\nColor=255\r\nHints=0\r\n");
    {
        ReadOnlyFile readOnly(texts);
        ASSERT_TRUE(readOnly.Active());
        app::CreateProgramForms();
        ASSERT_EQ(boxes, std::vector<std::string>{"orv Tidemark: File access denied."});
        EXPECT_TRUE(IsWindow(Form1->Handle()));
        EXPECT_FALSE(CaptureSuppressed);
        EXPECT_EQ(store::RecentBitmapCatalogue.Count, 1);
        // The settings were still read, so they will not be overwritten by defaults.
        EXPECT_EQ(Form1->Color(), 255);
        EXPECT_FALSE(Form1->HintsOn());

        // Clips of this run that the file cannot take: one box at exit says so.
        store::AddTextClip("lost", "clip0001.txt");
        store::AddTextClip("lost too", "clip0002.txt");
        app::ReleaseProgramForms();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1], "orv Tidemark: The clips of this run could not be kept in " + texts +
                                " (it could not be read).");
    }
    EXPECT_EQ(ReadFileBytes(texts), kTwoTextRecords);
    std::string ini = ReadFileBytes(folder.Path() + "tidemark.ini");
    EXPECT_NE(ini.find("Color=255"), std::string::npos) << ini;
}

TEST_F(BarLifetime, AFolderItCannotWriteTurnsTheMonitorOffBeforeItsBoxOpens)
{
    ReadOnlyFile locked(folder.Path() + "temp");
    ASSERT_TRUE(locked.Active());
    // A copy made while the box is open raises no box on top of it.
    onBox = [] { monitor_test::CopyText("copied while the box is open"); };
    app::CreateProgramForms();
    onBox = nullptr;
    PumpMessages(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("cannot write to the folder\n\n" + folder.Path() + "temp\\"), std::string::npos)
        << boxes[0];
    EXPECT_FALSE(Form1->MonitorOn());
    EXPECT_EQ(store::RecentTextCatalogue.Count, 0);
}

TEST_F(BarLifetime, AStashFolderRemovedWhileRunningIsReportedAtExitAndTheOtherFilesAreWritten)
{
    app::CreateProgramForms();
    ASSERT_TRUE(boxes.empty());
    store::AddTextClip("hello", "clip0001.txt");
    Form1->SetColor(255);
    DeleteTree(folder.Path() + "stash");

    // The exit box runs a message loop after the bar left the chain: a
    // notification that still reaches it then is no clip.
    onBox = [] {
        monitor_test::CopyText("after leaving the chain");
        SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
    };
    app::ReleaseProgramForms();
    EXPECT_TRUE(SortedFileNames(folder.Path() + "temp\\clip*").empty());
    const std::string stash = folder.Path() + "stash\\";
    ASSERT_EQ(boxes, std::vector<std::string>{"orv Tidemark: The clips of this run could not be kept in " + stash +
                                              "txtsaved.dat (Invalid filename) and " + stash +
                                              "bmpsaved.dat (Invalid filename)."});
    EXPECT_NE(ReadFileBytes(folder.Path() + "tidemark.ini").find("Color=255"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat").size(), 112u);
    EXPECT_TRUE(FileExists(folder.Path() + "temp\\bmpclips.dat"));
    EXPECT_FALSE(FileExists(folder.Path() + "stash\\txtsaved.dat"));
}

TEST_F(BarLifetime, WhileTheSessionEndsAFailedSaveShowsNoBoxAndTheRestIsWritten)
{
    app::CreateProgramForms();
    store::AddTextClip("hello", "clip0001.txt");
    Form1->SetColor(255);
    DeleteTree(folder.Path() + "stash");

    // Nobody is left to answer a box, and it would hold up the log-off.
    SendMessageA(ui::App.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ReadFileBytes(folder.Path() + "temp\\txtclips.dat").size(), 112u);
    EXPECT_NE(ReadFileBytes(folder.Path() + "tidemark.ini").find("Color=255"), std::string::npos);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(BarLifetime, AStartThatFailedBeforeItsFoldersLeavesNoSettingsFileAnywhere)
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string bare = std::string(windows) + "\\tidemark.ini";
    DeleteFileA(bare.c_str());
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.Path().c_str());

    app::CreateProgramForms();
    DeleteFileA((folder.Path() + "tidemark.ini").c_str());
    // As after a set-up that failed before the folders were set.
    store::ProgramDir.clear();
    store::TempDir.clear();
    store::StashDir.clear();
    app::ReleaseProgramForms();
    SetCurrentDirectoryA(previous);

    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(FileExists(bare));
    EXPECT_FALSE(FileExists(folder.Path() + "tidemark.ini"));
}
