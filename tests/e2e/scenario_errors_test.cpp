// What a user sees when the program's files are tampered with behind its
// back: an error box captioned with the program's title, and no data lost.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

#include <optional>

using namespace testing_support;

class ErrorScenario : public ScenarioTest {};

namespace {

// Starts the program in a folder made unwritable, answers the box that says
// so and waits for the bar; the box's text, empty when none came.
std::string StartInLockedFolder(RunningProgram& program)
{
    const MessageBoxSeen box = program.Launch() ? program.WaitForMessageBox("orv Tidemark", kStartTimeoutMs)
                                                : MessageBoxSeen{};
    if (!box.window || !program.PressOk(box) || !program.WaitForBar())
        return {};
    return box.text;
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

    // The user reads it past the splash's two seconds and clicks where the
    // bar's buttons will be: the bar stays away until every window is built.
    const std::vector<HWND> bars = ProcessWindows(program.Id(), "TForm1", nullptr, false);
    ASSERT_EQ(bars.size(), 1u);
    const DWORD boxSeen = GetTickCount();
    for (int round = 0; GetTickCount() - boxSeen < 3000; ++round) {
        const POINT button = round % 2 ? bar_layout::butBmp : bar_layout::butText;
        ClickAt(OnScreen(bars[0], {button.x + 12, button.y + 12}));
        PumpUntil([&] { return GetTickCount() - boxSeen >= 300u * (round + 1); });
        EXPECT_FALSE(IsWindowVisible(bars[0]));
    }
    ASSERT_TRUE(program.PressOk(box));

    // The program goes on: it shows its bar for good, opens a browser and
    // captures, and the locked file keeps its bytes meanwhile.
    ASSERT_TRUE(program.WaitForBar());
    EXPECT_TRUE(ProcessWindows(program.Id(), "TfrmSplash").empty());
    ASSERT_TRUE(program.ClickBarButton(bar_layout::butText));
    const HWND browser = program.WaitForWindow("TfrmText");
    ASSERT_NE(browser, nullptr);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(program.WaitUntilGone(browser));
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
    EXPECT_TRUE(ProcessWindows(program.Id(), "TfrmSplash").empty());
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

TEST_F(ErrorScenario, ACaptureThatFailsHoldsUpNoViewerAndItsBoxFollowsAlone)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    CountingViewer ahead;  // passes every notice on to the program
    DeleteTree(folder.Path() + "temp");

    CopyText("nowhere to go");
    ASSERT_TRUE(PumpUntil([&] { return ahead.draws >= 1; }, kReactionTimeoutMs));
    EXPECT_LT(ahead.slowestPassMs, 1000u);
    const MessageBoxSeen box = program.WaitForMessageBox("orv Tidemark");
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find("Cannot create file "), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("\\temp\\clip"), std::string::npos) << box.text;

    // Another failure while the box is up: passed on as quickly, and no
    // second box. Twice idle: a box it posted itself would be up by then.
    const int before = ahead.draws;
    CopyText("nowhere either");
    ASSERT_TRUE(PumpUntil([&] { return ahead.draws > before; }, kReactionTimeoutMs));
    EXPECT_LT(ahead.slowestPassMs, 1000u);
    ASSERT_TRUE(program.Idle() && program.Idle());
    EXPECT_EQ(ProcessWindows(program.Id(), "#32770").size(), 1u);
    ASSERT_TRUE(program.PressOk(box));

    // With its folder back, the program captures again and shows nothing.
    CreateDirectoryA((folder.Path() + "temp").c_str(), nullptr);
    ASSERT_FALSE(CopyTextAndWait(program, "somewhere again").empty());
    EXPECT_TRUE(ProcessWindows(program.Id(), "#32770").empty());
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
}

TEST_F(ErrorScenario, AProgramFolderItCannotWriteIsSaidOnceAndTheMonitorStaysOffUntilItCan)
{
    TempFolder folder;
    RunningProgram program(folder.Path());  // the program is in the folder now
    const std::string programDir = folder.Path().substr(0, folder.Path().size() - 1);
    std::optional<ReadOnlyFile> locked(std::in_place, programDir);
    ASSERT_TRUE(locked->Active());

    const std::string said = StartInLockedFolder(program);
    EXPECT_NE(said.find(folder.Path()), std::string::npos) << said;
    EXPECT_NE(said.find("Move the program to a folder you can write to"), std::string::npos) << said;

    // The monitor is off: a copy makes no file and raises no box.
    CopyText("nowhere to keep it");
    ASSERT_TRUE(program.Idle() && program.Idle());
    EXPECT_TRUE(ProcessWindows(program.Id(), "#32770").empty());

    // Switched on while the folder is still locked: the same box, once more.
    const HWND monitorSwitch = ChildAt(program.Bar(), "TidemarkImage", bar_layout::monitorSwitch);
    ASSERT_NE(monitorSwitch, nullptr);
    Click(monitorSwitch);
    const MessageBoxSeen again = program.WaitForMessageBox("orv Tidemark");
    ASSERT_NE(again.window, nullptr);
    EXPECT_EQ(again.text, said);
    ASSERT_TRUE(program.PressOk(again));

    // Writable again: switching on makes the folders and capture goes on.
    locked.reset();
    Click(monitorSwitch);
    ASSERT_TRUE(PumpUntil([&] { return ChildAt(program.Bar(), "TidemarkImage", bar_layout::monitorSwitch) !=
                                       monitorSwitch; },
                          kReactionTimeoutMs));
    ASSERT_FALSE(CopyTextAndWait(program, "kept at last").empty());
    EXPECT_TRUE(ProcessWindows(program.Id(), "#32770").empty());
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
}

TEST_F(ErrorScenario, AProgramFolderThatStaysLockedEndsWithoutABox)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ReadOnlyFile locked(folder.Path().substr(0, folder.Path().size() - 1));
    ASSERT_TRUE(locked.Active());
    ASSERT_FALSE(StartInLockedFolder(program).empty());
    CopyText("nowhere to keep it");
    ASSERT_TRUE(program.Idle());
    // Neither the catalogues nor the settings can be written: said already.
    ASSERT_TRUE(program.Exit());
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_TRUE(ProcessWindows(program.Id(), "#32770").empty());
}

// The 32-bit program has 2 GB to work in. Ten 4K pictures in a row and a 64 MB
// text are kept, and each browser opens on them, without a box.
TEST_F(ErrorScenario, LargeClipsAreKeptAndTheirBrowsersOpen)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const std::string temp = folder.Path() + "temp\\";
    const auto boxText = [&] { return program.WaitForMessageBox("orv Tidemark", 0).text; };
    const auto noBox = [&] { return program.WaitForWindow("#32770", "orv Tidemark", 0) == nullptr; };
    constexpr DWORD kLargeClipMs = 20000;
    const auto browse = [&](POINT button, const char* cls) {
        ASSERT_TRUE(program.ClickBarButton(button));
        HWND browser = program.WaitForWindow(cls, nullptr, kLargeClipMs);
        ASSERT_NE(browser, nullptr) << cls;
        EXPECT_TRUE(noBox()) << cls;
        ASSERT_TRUE(ClickCloseBox(browser));
        ASSERT_TRUE(program.WaitUntilGone(browser));
    };

    for (std::size_t i = 1; i <= 10; ++i) {
        CopyBitmap(ColourBitmap(3840, 2160, RGB(20, 90, static_cast<BYTE>(i * 20)), RGB(255, 255, 255)));
        ASSERT_TRUE(PumpUntil([&] { return CatalogueRecords<store::BitmapClipEntry>(temp + "bmpclips.dat").size() == i; },
                              kLargeClipMs))
            << "picture " << i << ", box: " << boxText();
        ASSERT_TRUE(noBox()) << "picture " << i << ": " << boxText();
    }
    for (const std::string& name : ContentFilesIn(temp, "bmp"))
        EXPECT_EQ(FileSizeOf(temp + name), 54u + 3840u * 3u * 2160u) << name;
    browse(bar_layout::butBmp, "TfrmBmp");

    std::string text(64u << 20, 'x');
    for (std::size_t at = 100; at < text.size(); at += 101)
        text[at] = '\n';
    CopyText(text);
    ASSERT_TRUE(PumpUntil([&] { return CatalogueRecords<store::TextClipEntry>(temp + "txtclips.dat").size() == 1; },
                          kLargeClipMs))
        << "box: " << boxText();
    EXPECT_TRUE(noBox()) << boxText();
    const auto entry = CatalogueRecords<store::TextClipEntry>(temp + "txtclips.dat").front();
    EXPECT_EQ(FileSizeOf(temp + entry.FileName.Text()), text.size());
    browse(bar_layout::butText, "TfrmText");

    ASSERT_TRUE(program.Exit());
    EXPECT_EQ(program.WaitForExit(), 0u);
}
