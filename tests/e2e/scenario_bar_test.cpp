// The bar as a user meets it: the real program in a fresh folder, texts
// copied by this process, clicks and menu keys as real input, and the files
// the program leaves behind when it ends.
#include "support/Accessibility.h"
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

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

// A second drive letter for a folder, as Wine makes one: a link in the
// prefix's dosdevices folder. Gone with the object.
class SecondDrive {
public:
    explicit SecondDrive(const std::string& folder)
    {
        std::string devices = UnixPath("C:\\");
        const std::size_t cut = devices.rfind("c:");
        if (cut == std::string::npos)
            return;
        devices.resize(cut);
        const DWORD used = GetLogicalDrives();
        for (char letter = 'T'; letter <= 'Y' && root_.empty(); ++letter) {
            if (used & (1u << (letter - 'A')))
                continue;
            const std::string root = std::string(1, letter) + ":\\";
            link_ = devices + static_cast<char>(letter - 'A' + 'a') + ":";
            if (MakeUnixLink(UnixPath(folder), link_, [&] { return FileExists(root + "tidemark.exe"); }))
                root_ = root;
        }
    }
    ~SecondDrive()
    {
        if (!root_.empty())
            RunUnix("/bin/rm -f \"" + link_ + "\"", [&] { return !FileExists(root_ + "tidemark.exe"); });
    }
    SecondDrive(const SecondDrive&) = delete;
    SecondDrive& operator=(const SecondDrive&) = delete;
    // "T:\" or the like; empty when no drive could be made.
    const std::string& Root() const { return root_; }

private:
    std::string link_, root_;
};

} // namespace

TEST_F(BarScenario, TheMonitorSwitchStopsAndResumesCaptureAndAScreenReaderHearsIt)
{
    // A screen reader in this process, hooked before the program starts.
    ComApartment apartment;
    WinEvents events(0);
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    ASSERT_FALSE(CopyTextAndWait(program, "while on").empty());

    HWND on = SwitchImage(program);
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(Accessible(on).Name(), L"Clipboard monitor");
    EXPECT_EQ(Accessible(on).State(), STATE_SYSTEM_CHECKED);
    Click(on);
    ASSERT_TRUE(PumpUntil([&] { return SwitchImage(program) != on; }, kReactionTimeoutMs));
    HWND off = SwitchImage(program);
    ASSERT_NE(off, nullptr);
    EXPECT_TRUE(events.WaitFor(EVENT_OBJECT_STATECHANGE, off, CHILDID_SELF, kReactionTimeoutMs));
    EXPECT_EQ(Accessible(off).State(), 0) << "shown, not checked";

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
        // Appended, not "literal" + string: GCC 12 for i686 warns of an
        // overlap in the inlined insert that cannot happen.
        std::string text = "text number ";
        text += std::to_string(i);
        files.push_back(CopyTextAndWait(program, text));
        ASSERT_FALSE(files.back().empty()) << i;
    }
    // Written once each notice is answered: the last dropped clip's file
    // goes after the write that names the newest, and the file holds the ten
    // newest before the program ends. (Only listed while waiting: a reader
    // could make the write it waits for fail.)
    ASSERT_TRUE(PumpUntil([&] { return ContentFilesIn(folder.Path() + "temp\\", "txt").size() == 10u; },
                          kReactionTimeoutMs));
    const TextRecords records = RecentTexts(folder.Path());
    ASSERT_EQ(records.size(), 10u);
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
    // Wine names a folder's volume after the drive it maps it to: the drive
    // is there before the first start, as a user's would be.
    const SecondDrive drive(folder.Path());
    ASSERT_FALSE(drive.Root().empty());
    ASSERT_TRUE(first.Start());
    ASSERT_FALSE(CopyTextAndWait(first, "before the second start").empty());
    auto files = [&] {
        std::vector<std::string> all;
        for (const char* in : {"", "temp\\", "stash\\"})
            for (const std::string& name : SortedFileNames(folder.Path() + in + "*"))
                all.push_back(in + name + ":" + std::to_string(ReadFileBytes(folder.Path() + in + name).size()));
        return all;
    };
    const std::vector<std::string> before = files();
    const auto secondStart = [&](const std::string& spelling) {
        first.SystemCommand(SC_MINIMIZE);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(first.Bar()); }, kReactionTimeoutMs));
        RunningProgram second(spelling);
        ASSERT_TRUE(second.Launch());
        EXPECT_EQ(second.WaitForExit(), 0u) << spelling;
        EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(first.Bar()) != FALSE; }, kReactionTimeoutMs));
        EXPECT_EQ(files(), before);
    };
    secondStart(folder.Path());
    // The same folder through another drive letter is the same folder.
    secondStart(drive.Root());

    // The first one goes on as before.
    ASSERT_FALSE(CopyTextAndWait(first, "after the second start").empty());
    ASSERT_TRUE(first.Exit());
    ASSERT_EQ(first.WaitForExit(), 0u);
    EXPECT_EQ(RecentTexts(folder.Path()).size(), 2u);
}

// A second start never ends in silence. A first copy held up by a box at
// its start has that box brought to the front. One that is leaving is
// waited for, and the second runs in its place; if it stays, the second
// says so.
TEST_F(BarScenario, ASecondStartBringsTheFirstsBoxForwardOrRunsOnceTheFirstHasLeft)
{
    // A locked catalogue holds up the first copy's start with a box, and,
    // with a clip it cannot keep, its exit with another.
    TempFolder folder;
    ASSERT_TRUE(CreateDirectoryA((folder.Path() + "temp").c_str(), nullptr));
    const std::string recent = folder.Path() + "temp\\txtclips.dat";
    WriteFileBytes(recent, TextRecord("an older clip", "clip0001.txt", 46001.0));
    WriteFileBytes(folder.Path() + "temp\\clip0001.txt", "an older clip");
    std::optional<ReadOnlyFile> locked(std::in_place, recent);
    ASSERT_TRUE(locked->Active());

    RunningProgram first(folder.Path());
    ASSERT_TRUE(first.Launch());
    const MessageBoxSeen startBox = first.WaitForMessageBox("orv Tidemark", kStartTimeoutMs);
    ASSERT_NE(startBox.window, nullptr);
    // The user has gone on to another window meanwhile.
    const HWND elsewhere = CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE | WS_CAPTION, 600, 600, 200,
                                           100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == elsewhere; }, kReactionTimeoutMs));
    {
        RunningProgram second(folder.Path());
        ASSERT_TRUE(second.Launch());
        EXPECT_EQ(second.WaitForExit(), 0u);
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == startBox.window; }, kReactionTimeoutMs));
    }
    DestroyWindow(elsewhere);
    ASSERT_TRUE(first.PressOk(startBox) && first.WaitForBar());
    ASSERT_FALSE(CopyTextAndWait(first, "not kept at the exit").empty());

    ASSERT_TRUE(first.Exit());
    const MessageBoxSeen exitBox = first.WaitForMessageBox("orv Tidemark");
    ASSERT_NE(exitBox.text.find("could not be kept"), std::string::npos) << exitBox.text;
    {
        // The first stays in its box past the wait.
        RunningProgram second(folder.Path());
        ASSERT_TRUE(second.Launch());
        const MessageBoxSeen box = second.WaitForMessageBox("orv Tidemark", 2 * kReactionTimeoutMs);
        EXPECT_NE(box.text.find("neither came to the front nor closed"), std::string::npos) << box.text;
        ASSERT_TRUE(second.PressOk(box));
        EXPECT_EQ(second.WaitForExit(), 0u);
    }
    RunningProgram second(folder.Path());
    ASSERT_TRUE(second.Launch());
    EXPECT_EQ(second.WaitForExit(1000), STILL_ACTIVE);
    EXPECT_TRUE(ProcessWindows(second.Id(), "TForm1").empty());
    locked.reset();
    ASSERT_TRUE(first.PressOk(exitBox));
    EXPECT_EQ(first.WaitForExit(), 0u);
    ASSERT_TRUE(second.WaitForBar());
    ASSERT_FALSE(CopyTextAndWait(second, "the second copy's own").empty());
    ASSERT_TRUE(second.Exit());
    ASSERT_EQ(second.WaitForExit(), 0u);
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

TEST_F(BarScenario, KeysTypedOnTheBarOpenWhatItsButtonsOpen)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    ASSERT_FALSE(CopyTextAndWait(program, "a clip for the keys").empty());
    HWND bar = program.Bar();
    auto barBack = [&] {
        return PumpUntil([&] { return IsWindowVisible(bar) && GetForegroundWindow() == bar; }, kReactionTimeoutMs);
    };
    // Keys go to the window in front: one just shown may not be there yet.
    auto inFront = [&](const char* windowClass, const char* caption = nullptr) {
        HWND w = program.WaitForWindow(windowClass, caption);
        return w && PumpUntil([&] { return GetForegroundWindow() == w; }, kReactionTimeoutMs) ? w : nullptr;
    };
    auto menuThenKey = [&](const char* opening, const char* item) {
        return XdoKeys(opening) && program.WaitForWindow("#32768") && XdoKeys(item) &&
               PumpUntil([&] { return ProcessWindows(program.Id(), "#32768").empty(); }, kReactionTimeoutMs);
    };

    // T: the text clips; in the list the menu key opens the clip's menu.
    ASSERT_TRUE(XdoKeys("t"));
    HWND text = inFront("TfrmText");
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(menuThenKey("Down Menu", "Escape"));
    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(text) && barBack());

    // B: the bitmap clips.
    ASSERT_TRUE(XdoKeys("b"));
    HWND bitmaps = inFront("TfrmBmp");
    ASSERT_NE(bitmaps, nullptr);
    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(bitmaps) && barBack());

    // S: the saved clips' menu; its "Saved &text" opens the saved view.
    ASSERT_TRUE(menuThenKey("s", "t"));
    text = inFront("TfrmText", "Saved text clips");
    ASSERT_NE(text, nullptr);
    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(text) && barBack());

    // F1: the help menu; the about box it opens closes with Esc.
    ASSERT_TRUE(menuThenKey("F1", "a"));
    HWND about = inFront("TfrmAbout");
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(XdoKeys("Escape"));
    ASSERT_TRUE(program.WaitUntilGone(about));

    // F10, Shift+F10 and the menu key: the main menu, whose "&Stay on Top"
    // shows it was that one.
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == bar; }, kReactionTimeoutMs));
    ASSERT_TRUE(menuThenKey("shift+F10", "s"));
    EXPECT_TRUE(PumpUntil([&] { return Topmost(bar); }, kReactionTimeoutMs));
    ASSERT_TRUE(menuThenKey("Menu", "s"));
    EXPECT_TRUE(PumpUntil([&] { return !Topmost(bar); }, kReactionTimeoutMs));
    ASSERT_TRUE(menuThenKey("F10", "Escape"));
    // No window menu followed F10's release.
    ASSERT_TRUE(program.Idle());
    EXPECT_TRUE(ProcessWindows(program.Id(), "#32768").empty());

    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);
}

TEST_F(BarScenario, HelpContentsOpensTheGuideBesideTheProgramOrSaysWhereItShouldBe)
{
    ASSERT_TRUE(OpenTextFilesWithNotepad());
    TempFolder folder;
    const std::string guide = "orv Tidemark: the guide\r\nKeys: T, B, S, F1\r\n";
    WriteFileBytes(folder.Path() + "README.txt", guide);
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());

    ASSERT_TRUE(program.ChooseFromMenu(bar_layout::butHelp, 'H'));
    EXPECT_EQ(ShownInNotepad(guide), guide);

    // Without the guide, a note says where it belongs.
    ASSERT_TRUE(DeleteFileA((folder.Path() + "README.txt").c_str()));
    ASSERT_TRUE(program.ChooseFromMenu(bar_layout::butHelp, 'H'));
    const MessageBoxSeen note = program.WaitForMessageBox("orv Tidemark");
    ASSERT_NE(note.window, nullptr);
    EXPECT_NE(note.text.find("README.txt"), std::string::npos) << note.text;
    EXPECT_NE(note.text.find(folder.Path()), std::string::npos) << note.text;
    ASSERT_TRUE(program.PressOk(note));
    EXPECT_EQ(FindWindowA("Notepad", nullptr), nullptr);
    // The menu's key goes to the window in front, which the box hands back.
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == program.Bar(); }, kReactionTimeoutMs));
    ASSERT_TRUE(program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u) << program.WaitForMessageBox("orv Tidemark", 0).text;
}

// A download folder where a web page has left DLLs named after some that
// the program, or the system for it, loads by name (tests/e2e/plants): each
// leaves a mark when loaded, and otherwise does what the real one does.
TEST_F(BarScenario, NoDllPlantedBesideTheProgramIsLoaded)
{
    ASSERT_TRUE(OpenTextFilesWithNotepad());
    // Named by the build: msimg32, which the program once imported, and some
    // that the system loads for the colour dialog, themes and the shell.
    const char* const named = std::getenv("TIDEMARK_NATIVE_FIRST");
    const char* const overrides = std::getenv("WINEDLLOVERRIDES");
    ASSERT_TRUE(named && *named) << "no plants named: run the test through ctest";
    const std::string names = named;
    ASSERT_NE(std::string(overrides ? overrides : "").find(names + "=n,b"), std::string::npos)
        << "Wine is not told to look beside the program first";
    TempFolder folder;
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = std::min(names.find(',', at), names.size());
        const std::string dll = names.substr(at, end - at) + ".dll";
        ASSERT_TRUE(CopyFileA((ModuleDir() + "plants\\" + dll).c_str(), (folder.Path() + dll).c_str(), FALSE))
            << "no plant " << dll << " built beside the test";
        at = end + 1;
    }
    const std::string guide = "orv Tidemark: the guide\r\n";
    WriteFileBytes(folder.Path() + "README.txt", guide);

    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    ASSERT_FALSE(CopyTextAndWait(program, "a clip among plants").empty());
    // A menu's key goes to the window in front, where a click on its bare
    // background puts the bar once a dialog has let go of it (and may have
    // left no window in front).
    const auto barInFront = [&] {
        const HWND bar = program.Bar();
        if (!PumpUntil([&] { return IsWindowEnabled(bar) != FALSE; }, kReactionTimeoutMs))
            return false;
        ClickAt(OnScreen(bar, {3, 3}));
        return PumpUntil([&] { return GetForegroundWindow() == bar; }, kReactionTimeoutMs);
    };
    ASSERT_TRUE(barInFront() && program.ChooseColour("0", "128", "255"));
    // Help, chosen again if its menu closed before its key came.
    for (int attempt = 0; attempt < 3 && !FindWindowA("Notepad", nullptr); ++attempt) {
        ASSERT_TRUE(barInFront() && program.ChooseFromMenu(bar_layout::butHelp, 'H'));
        PumpUntil([] { return FindWindowA("Notepad", nullptr) != nullptr; }, kReactionTimeoutMs);
    }
    EXPECT_EQ(ShownInNotepad(guide), guide) << program.WaitForMessageBox("orv Tidemark", 0).text;
    ASSERT_TRUE(barInFront() && program.Exit());
    ASSERT_EQ(program.WaitForExit(), 0u);

    // Wine's own DLLs load two plants whatever the program does: its user32
    // imports version.dll, and its uxtheme asks for msimg32.dll by name past
    // the search the program narrowed. An import of the program's own marks
    // "import"; the release check keeps version.dll out of its imports.
    const std::vector<std::string> wines{"msimg32.dll.mark: load", "version.dll.mark: import"};
    for (std::string mark : SortedFileNames(folder.Path() + "*.mark")) {
        const std::string how = ReadFileBytes(folder.Path() + mark);
        CharLowerBuffA(mark.data(), static_cast<DWORD>(mark.size()));
        mark += ": " + how;
        EXPECT_NE(std::find(wines.begin(), wines.end(), mark), wines.end()) << mark;
    }
}
