// Text clips as a user meets them: copied in another program, listed in the
// text browser opened from the bar, copied back with a double-click after a
// restart, Unicode text the code page cannot hold kept and given back whole,
// stashed and deleted from the saved view, and a clip whose file went missing
// behind the program's back, with the keys and boxes on the way.
#include "support/RunningProgram.h"

#include <gtest/gtest.h>

using namespace testing_support;

class TextScenario : public ScenarioTest {};

namespace {

using TextRecords = std::vector<store::TextClipEntry>;

constexpr int kItemHeight = 13;

// The browser's panel of buttons, by their places in it.
constexpr POINT kButDel{4, 30}, kButSave{4, 58};

struct TextBrowser {
    HWND window = nullptr;
    HWND list = nullptr;

    // The lines as the list shows them, top first.
    std::vector<std::wstring> WideLines() const
    {
        std::vector<std::wstring> lines;
        DWORD_PTR count = 0;
        SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &count);
        for (WPARAM i = 0; i < count; ++i) {
            // Wide: Wine hands an ANSI caller in another process the list's
            // wide text unconverted.
            wchar_t wide[256] = {};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_NORMAL,
                                kReactionTimeoutMs, &ignored);
            lines.emplace_back(wide);
        }
        return lines;
    }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        for (const std::wstring& wide : WideLines()) {
            char text[256] = {};
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
            lines.emplace_back(text);
        }
        return lines;
    }
    bool WaitForLines(const std::vector<std::string>& want) const
    {
        return PumpUntil([&] { return Lines() == want; }, kReactionTimeoutMs);
    }
    POINT Line(int index) const { return OnScreen(list, {20, index * kItemHeight + kItemHeight / 2}); }
    int Selected() const
    {
        DWORD_PTR line = static_cast<DWORD_PTR>(LB_ERR);
        SendMessageTimeoutA(list, LB_GETCURSEL, 0, 0, SMTO_NORMAL, kReactionTimeoutMs, &line);
        return static_cast<int>(line);
    }
    // A click on a line, and the list showing it selected.
    bool Select(int index) const
    {
        ClickAt(Line(index));
        return PumpUntil([&] { return Selected() == index; }, kReactionTimeoutMs);
    }
    std::string Caption() const { return TextOf(window); }
    HWND PanelButton(POINT at) const
    {
        for (HWND panel : ChildrenOfClass(window, "TidemarkPanel", true))
            if (HWND button = ChildAt(panel, "TidemarkSpeedButton", at))
                return button;
        return nullptr;
    }
};

// Opens the text browser from the bar: its button for the recent clips, or
// "Saved &text" from the saved-clips menu.
TextBrowser OpenTextBrowser(const RunningProgram& program, bool saved)
{
    TextBrowser browser;
    if (saved ? !program.ChooseFromMenu(bar_layout::butSaved, 'T') : !program.ClickBarButton(bar_layout::butText))
        return browser;
    browser.window = program.WaitForWindow("TfrmText");
    if (browser.window) {
        browser.list = FirstChildOfClass(browser.window, "ListBox", true);
        // The browser stands in for the bar while it is active.
        PumpUntil([&] { return !IsWindowVisible(program.Bar()); }, kReactionTimeoutMs);
    }
    return browser;
}

// Closes the browser with its close box; the bar comes back.
bool CloseBrowser(const RunningProgram& program, const TextBrowser& browser)
{
    return ClickCloseBox(browser.window) && program.WaitUntilGone(browser.window) &&
           PumpUntil([&] { return IsWindowVisible(program.Bar()) != FALSE; }, kReactionTimeoutMs);
}

bool ExitFromBrowser(RunningProgram& program, const TextBrowser& browser)
{
    return CloseBrowser(program, browser) && program.Exit() && program.WaitForExit() == 0;
}

// Right-clicks a line and chooses from the list's menu by access key.
bool ChooseForLine(const RunningProgram& program, const TextBrowser& browser, int line, WORD accessKey)
{
    RightClickAt(browser.Line(line));
    return program.ChooseFromOpenMenu(accessKey);
}

TextRecords Records(const std::string& path)
{
    return CatalogueRecords<store::TextClipEntry>(path);
}

} // namespace

TEST_F(TextScenario, OneClipCopiedBackAfterARestartIsNotCapturedAgain)
{
    TempFolder folder;
    const std::string copied = "Road of one clip\nits second line\r\nand its third";
    const std::string preview = "Road of one clip.its second line..and its third";
    std::string file;
    {
        RunningProgram program(folder.Path());
        ASSERT_TRUE(program.Start());
        file = CopyTextAndWait(program, copied);
        ASSERT_FALSE(file.empty());
        const TextBrowser browser = OpenTextBrowser(program, false);
        ASSERT_NE(browser.list, nullptr);
        EXPECT_EQ(browser.Caption(), "Text clips");
        EXPECT_TRUE(browser.WaitForLines({preview}));
        ASSERT_TRUE(ExitFromBrowser(program, browser));
    }
    EmptyTheClipboard();
    const std::string catalogue = folder.Path() + "temp\\txtclips.dat";
    ASSERT_EQ(ReadFileBytes(catalogue).size(), 112u);

    {
        RunningProgram program(folder.Path());
        ASSERT_TRUE(program.Start());
        const TextBrowser browser = OpenTextBrowser(program, false);
        ASSERT_NE(browser.list, nullptr);
        ASSERT_TRUE(browser.WaitForLines({preview}));
        DoubleClickAt(browser.Line(0));
        ASSERT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_TEXT) != FALSE; }, kReactionTimeoutMs));
        EXPECT_EQ(ReadClipboardText(), "Road of one clip\r\nits second line\r\nand its third");
        // Had the copy-back been captured, the open browser would list it.
        ASSERT_TRUE(program.Idle());
        EXPECT_EQ(browser.Lines().size(), 1u);
        ASSERT_TRUE(ExitFromBrowser(program, browser));
    }
    const TextRecords records = Records(catalogue);
    ASSERT_EQ(ReadFileBytes(catalogue).size(), 112u);
    EXPECT_EQ(records[0].FileName.Text(), file);
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "txt"), std::vector<std::string>{file});
}

TEST_F(TextScenario, UnicodeTextTheCodePageLacksIsKeptAsUtf8AndComesBackWhole)
{
    TempFolder folder;
    // Cyrillic, a Euro sign the code page has, CJK and U+1F600 beyond the BMP.
    const std::wstring copied = L"\x041F\x0440\x0438\x0432\x0435\x0442, \x043C\x0438\x0440 \x20AC \x6771\x4EAC \xD83D\xDE00";
    const std::string file = "\xEF\xBB\xBF\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\xBC\xD0\xB8\xD1\x80 \xE2\x82\xAC "
                             "\xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80";
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const std::string name = CopyAndWaitForFile(program, [&] { CopyUnicodeText(copied); }, file);
    ASSERT_FALSE(name.empty()) << "no content file holds the text as marked UTF-8";
    // The preview stays the code page's text, question marks and all.
    const std::string codePageText = ReadClipboardText();
    EXPECT_EQ(codePageText.substr(0, 8), "??????, ");
    EmptyTheClipboard();

    // The list shows the text as copied, not its preview.
    const TextBrowser browser = OpenTextBrowser(program, false);
    ASSERT_NE(browser.list, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return browser.WideLines() == std::vector<std::wstring>{copied}; },
                          kReactionTimeoutMs));
    DoubleClickAt(browser.Line(0));
    ASSERT_TRUE(PumpUntil([] { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }, kReactionTimeoutMs));
    EXPECT_EQ(ReadClipboardUnicode(), copied);
    EXPECT_EQ(ReadClipboardText(), codePageText);
    ASSERT_TRUE(program.Idle());
    EXPECT_EQ(browser.Lines().size(), 1u);
    ASSERT_TRUE(ExitFromBrowser(program, browser));
    EXPECT_EQ(ContentFilesIn(folder.Path() + "temp\\", "txt"), std::vector<std::string>{name});
    const TextRecords records = Records(folder.Path() + "temp\\txtclips.dat");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Preview.Text(), codePageText);
}

TEST_F(TextScenario, ClipsStashedFromTheRecentViewAreDeletedInTheSavedView)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const std::string older = CopyTextAndWait(program, "older clip");
    const std::string newer = CopyTextAndWait(program, "newer clip");
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(newer.empty());
    EmptyTheClipboard();

    TextBrowser browser = OpenTextBrowser(program, false);
    ASSERT_NE(browser.list, nullptr);
    ASSERT_TRUE(browser.WaitForLines({"newer clip", "older clip"}));
    // The older clip through the list's menu, the newer one through the
    // button panel that "Show buttons" brings up.
    ASSERT_TRUE(browser.Select(1));
    ASSERT_TRUE(ChooseForLine(program, browser, 1, 'S'));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(program.StashFile(older)); }, kReactionTimeoutMs));
    ASSERT_TRUE(ChooseForLine(program, browser, 1, 'B'));
    HWND butSave = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (butSave = browser.PanelButton(kButSave)) != nullptr; }, kReactionTimeoutMs));
    ASSERT_TRUE(browser.Select(0));
    Click(butSave);
    ASSERT_TRUE(PumpUntil([&] { return FileExists(program.StashFile(newer)); }, kReactionTimeoutMs));
    ASSERT_TRUE(CloseBrowser(program, browser));

    browser = OpenTextBrowser(program, true);
    ASSERT_NE(browser.list, nullptr);
    EXPECT_EQ(browser.Caption(), "Saved text clips");
    ASSERT_TRUE(browser.WaitForLines({"newer clip", "older clip"}));
    ASSERT_TRUE(browser.Select(1));
    HWND butDel = browser.PanelButton(kButDel);
    ASSERT_NE(butDel, nullptr);
    Click(butDel);
    ASSERT_TRUE(browser.WaitForLines({"newer clip"}));
    EXPECT_FALSE(FileExists(program.StashFile(older)));
    EXPECT_TRUE(FileExists(program.StashFile(newer)));
    ASSERT_TRUE(ExitFromBrowser(program, browser));

    const TextRecords saved = Records(folder.Path() + "stash\\txtsaved.dat");
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].FileName.Text(), newer);
    EXPECT_EQ(saved[0].Preview.Text(), "newer clip");
    // Stashing copies: the recent clips and their files stay.
    EXPECT_EQ(RecordFileNames(Records(folder.Path() + "temp\\txtclips.dat")),
              (std::vector<std::string>{older, newer}));
    EXPECT_TRUE(FileExists(program.TempFile(older)));
}

TEST_F(TextScenario, AClipWhoseFileWasDeletedReportsItAboveTheBrowserAndLosesNothing)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    std::vector<std::string> files;
    for (const char* text : {"first", "second", "third"}) {
        files.push_back(CopyTextAndWait(program, text));
        ASSERT_FALSE(files.back().empty());
    }
    TextBrowser browser = OpenTextBrowser(program, false);
    ASSERT_NE(browser.list, nullptr);
    ASSERT_TRUE(browser.WaitForLines({"third", "second", "first"}));

    // Enter with no line chosen asks for one, in a box above the browser,
    // which is topmost.
    ASSERT_TRUE(PumpUntil([&] { return Topmost(browser.window); }, kReactionTimeoutMs));
    PressKey(VK_RETURN);
    const MessageBoxSeen note = program.WaitForMessageBox("Nothing to do");
    ASSERT_NE(note.window, nullptr);
    EXPECT_EQ(note.text, "Please select an item on list first.");
    EXPECT_TRUE(Topmost(note.window));
    EXPECT_TRUE(Above(note.window, browser.window));
    ASSERT_TRUE(program.PressOk(note));

    const std::string missing = program.TempFile(files[1]);
    ASSERT_TRUE(DeleteFileA(missing.c_str()));
    DoubleClickAt(browser.Line(1));
    const MessageBoxSeen box = program.WaitForMessageBox("orv Tidemark");
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, "Cannot open file " + missing + ".");
    EXPECT_TRUE(Above(box.window, browser.window));
    ASSERT_TRUE(program.PressOk(box));
    // The clipboard still holds what was copied last.
    EXPECT_EQ(ReadClipboardText(), "third");

    // The other clips still come back, here with Enter.
    ASSERT_TRUE(browser.Select(2));
    PressKey(VK_RETURN);
    EXPECT_TRUE(PumpUntil([] { return ReadClipboardText() == "first"; }, kReactionTimeoutMs));
    ASSERT_TRUE(ExitFromBrowser(program, browser));

    EXPECT_EQ(RecordFileNames(Records(folder.Path() + "temp\\txtclips.dat")), files);
    EXPECT_EQ(ReadFileBytes(program.TempFile(files[0])), "first");
    EXPECT_EQ(ReadFileBytes(program.TempFile(files[2])), "third");
}

TEST_F(TextScenario, ClipsOfAProgramThatWasKilledAreListedAtTheNextStart)
{
    TempFolder folder;
    {
        RunningProgram program(folder.Path());
        ASSERT_TRUE(program.Start());
        for (const char* text : {"first before the kill", "second", "third"})
            ASSERT_FALSE(CopyTextAndWait(program, text).empty()) << text;
        // The catalogue follows each content file within the moment the bar
        // takes to answer the notice; no exit is needed for it.
        ASSERT_TRUE(
            PumpUntil([&] { return Records(program.TempFile("txtclips.dat")).size() == 3; }, kReactionTimeoutMs));
        ASSERT_TRUE(program.Kill());
    }
    EmptyTheClipboard();
    EXPECT_FALSE(FileExists(folder.Path() + "tidemark.ini")); // no tear-down ran

    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    const TextBrowser browser = OpenTextBrowser(program, false);
    ASSERT_NE(browser.list, nullptr);
    EXPECT_TRUE(browser.WaitForLines({"third", "second", "first before the kill"}));
    ASSERT_TRUE(ExitFromBrowser(program, browser));
}

TEST_F(TextScenario, AfterARestoreWithAFullCatalogueDeleteRemovesTheClipTheUserSees)
{
    TempFolder folder;
    RunningProgram program(folder.Path());
    ASSERT_TRUE(program.Start());
    std::vector<std::string> lines;
    for (int i = 1; i <= 10; ++i) {
        const std::string text = "clip " + std::to_string(i);
        ASSERT_FALSE(CopyTextAndWait(program, text).empty()) << i;
        lines.insert(lines.begin(), text);
    }
    const TextBrowser browser = OpenTextBrowser(program, false);
    ASSERT_NE(browser.list, nullptr);
    ASSERT_TRUE(browser.WaitForLines(lines));

    program.SystemCommand(SC_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(browser.window); }, kReactionTimeoutMs));
    const std::string older = CopyTextAndWait(program, "while down");
    const std::string newest = CopyTextAndWait(program, "while down, newest");
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(newest.empty());
    program.SystemCommand(SC_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(browser.window) != FALSE; }, kReactionTimeoutMs));
    lines.pop_back();
    lines.pop_back();
    lines.insert(lines.begin(), {"while down, newest", "while down"});
    ASSERT_TRUE(browser.WaitForLines(lines));

    // The top line is what Delete takes: the clip and its file.
    ASSERT_TRUE(browser.Select(0));
    ASSERT_TRUE(ChooseForLine(program, browser, 0, 'D'));
    lines.erase(lines.begin());
    ASSERT_TRUE(browser.WaitForLines(lines));
    EXPECT_FALSE(FileExists(program.TempFile(newest)));
    EXPECT_EQ(ReadFileBytes(program.TempFile(older)), "while down");
    const TextRecords records = Records(folder.Path() + "temp\\txtclips.dat");
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(records.back().Preview.Text(), "while down");
    EXPECT_EQ(records.front().Preview.Text(), "clip 3");
    ASSERT_TRUE(ExitFromBrowser(program, browser));
}
