// Text capture and the rules that decide whether a clipboard change is
// captured at all, with the real bar in the viewer chain.
#include "bar/monitor_support.h"
#include "browsers/BitmapBrowser.h"
#include "browsers/TextBrowser.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

using namespace monitor_test;
using testing_support::FileExists;
using testing_support::ReadFileBytes;

namespace {

std::string Pattern(std::size_t length)
{
    std::string s;
    for (std::size_t i = 0; i < length; ++i)
        s += static_cast<char>('a' + i % 26);
    return s;
}

UINT Registered(const char* name)
{
    return RegisterClipboardFormatA(name);
}

// A small enhanced metafile: a picture the monitor cannot turn into a bitmap.
HENHMETAFILE Metafile()
{
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    Rectangle(dc, 0, 0, 10, 10);
    return CloseEnhMetaFile(dc);
}

} // namespace

using TextCapture = ProgramFormsTest;

TEST_F(TextCapture, TextOf120CharactersGivesA120ByteFileAndA50CharacterPreview)
{
    const std::string text = Pattern(120);
    CopyText(text);

    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);
    const auto& entry = NewestText();
    EXPECT_EQ(entry.Preview.Text(), text.substr(0, 50));
    EXPECT_EQ(TempFile(entry).rfind(TempDir(), 0), 0u);
    EXPECT_EQ(entry.FileName.Text().size(), 12u);
    EXPECT_EQ(entry.FileName.Text().substr(0, 4), "clip");
    EXPECT_EQ(entry.FileName.Text().substr(8), ".txt");
    EXPECT_EQ(ReadFileBytes(TempFile(entry)), text);
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 0);
    EXPECT_TRUE(boxes.empty());
    // Memo1 is scratch only.
    EXPECT_EQ(Form1->Memo1.Text(), "");
}

TEST_F(TextCapture, EveryByteAndEveryKindOfLineBreakIsKeptAsCopied)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string texts[] = {"one\r\ntwo\r\n", "lone\nfeed", "lone\rreturn", "soft\r\r\nbreak", "\n\r\n\r", all};
    for (const std::string& text : texts) {
        CopyText(text);
        EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), text);
    }
    EXPECT_EQ(store::RecentTextCatalogue.Count, 6);
    // Control characters show as dots in the preview; the file keeps them.
    EXPECT_EQ(store::RecentTextCatalogue.Entries[1].Preview.Text(), "one..two..");
}

TEST_F(TextCapture, UnicodeTextIsKeptAsUtf8OnlyWhenTheCodePageLosesSomeOfIt)
{
    // A Unicode program's text the code page holds, and a clipboard whose
    // CF_TEXT and CF_UNICODETEXT agree: the CF_TEXT bytes, as ever.
    CopyUnicodeText(L"\x00BD \x20AC caf\x00E9");
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "\xBD \x80 caf\xE9");
    {
        ClipboardWrite write;
        write.Text("na\xEFve \x80");
        write.Unicode(L"na\x00EFve \x20AC");
    }
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "na\xEFve \x80");
    // Copied under the Russian layout: CF_TEXT made in 1251, whose euro sign
    // is 0x88. File and preview hold the text in the system's code page.
    {
        ClipboardWrite write;
        write.Text("50 \x88");
        write.Unicode(L"50 \x20AC");
    }
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "50 \x80");
    EXPECT_EQ(NewestText().Preview.Text(), "50 \x80");

    // Cyrillic the code page lacks: the mark and UTF-8; the preview is the
    // text in the code page, "?" for what it lacks.
    CopyUnicodeText(L"\x043C\x0438\x0440 \x00BD");
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "\xEF\xBB\xBF\xD0\xBC\xD0\xB8\xD1\x80 \xC2\xBD");
    EXPECT_EQ(NewestText().Preview.Text(), "??? \xBD");
    EXPECT_EQ(Form1->Memo1.Text(), "");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 4);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TextCapture, EmptyTextGivesAnEmptyFileAndAnEmptyPreview)
{
    CopyText("");
    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_EQ(NewestText().Preview.Text(), "");
    EXPECT_TRUE(FileExists(TempFile(NewestText())));
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "");
}

TEST(TextOfBlock, EndsAtTheFirstNulOrAtTheEndOfTheBlock)
{
    const char block[] = {'a', 'b', 'c', 'd', 'X', 'X'};
    EXPECT_EQ(monitor::TextOfBlock(block, 4), "abcd");
    EXPECT_EQ(monitor::TextOfBlock("ab\0cd", 5), "ab");
    EXPECT_EQ(monitor::TextOfBlock("", 1), "");
    EXPECT_EQ(monitor::TextOfBlock(nullptr, 10), "");
}

TEST(UnicodeTextIsPlaced, ASystemMadeUnicodeTextComesAfterCfTextAndCfOemText)
{
    // The orders the system lists for text put as CF_TEXT, CF_TEXT and
    // CF_OEMTEXT, CF_UNICODETEXT, both in either order.
    const std::vector<std::pair<std::vector<UINT>, bool>> orders = {
        {{CF_TEXT, CF_LOCALE, CF_OEMTEXT, CF_UNICODETEXT}, false},
        {{CF_TEXT, CF_OEMTEXT, CF_LOCALE, CF_UNICODETEXT}, false},
        {{CF_UNICODETEXT, CF_LOCALE, CF_TEXT, CF_OEMTEXT}, true},
        {{CF_TEXT, CF_UNICODETEXT, CF_LOCALE, CF_OEMTEXT}, true},
        {{CF_UNICODETEXT, CF_TEXT, CF_LOCALE, CF_OEMTEXT}, true},
        {{CF_TEXT, CF_LOCALE}, false},
    };
    for (const auto& [formats, placed] : orders)
        EXPECT_EQ(monitor::UnicodeTextIsPlaced(formats), placed) << formats.front() << " " << formats.back();
}

TEST(ClipboardFormats, OneRequestListsWhatTheWalkDoesInItsOrder)
{
    const std::vector<std::function<void(ClipboardWrite&)>> writes = {
        [](ClipboardWrite& w) { w.Text("ansi"); },
        [](ClipboardWrite& w) { w.Unicode(L"wide"); },
        [](ClipboardWrite& w) { w.Unicode(L"wide"), w.Text("ansi"); },
        [](ClipboardWrite& w) {
            HBITMAP bitmap = ColourBitmap(3, 2, RGB(1, 2, 3), 0);
            w.Dib(bitmap, 24);
            DeleteObject(bitmap);
        },
    };
    for (const auto& write : writes) {
        {
            ClipboardWrite w;
            write(w);
        }
        ASSERT_TRUE(OpenClipboardPatiently(nullptr));
        const std::vector<UINT> listed = monitor::ClipboardFormats();
        std::vector<UINT> walked;
        for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
            walked.push_back(format);
        CloseClipboard();
        EXPECT_EQ(listed, walked);
        EXPECT_TRUE(monitor::ListsMadeFormats(listed)) << listed.size();
    }
    // A system that lists only what was put is walked format by format.
    EXPECT_FALSE(monitor::ListsMadeFormats(std::vector<UINT>{CF_UNICODETEXT, CF_LOCALE}));
    EXPECT_FALSE(monitor::ListsMadeFormats(std::vector<UINT>{CF_TEXT, CF_DIBV5}));
    EXPECT_TRUE(monitor::ListsMadeFormats(std::vector<UINT>{CF_ENHMETAFILE}));
}

TEST_F(TextCapture, TextWithoutItsNulIsNotReadPastItsBlock)
{
    {
        ClipboardWrite write;
        write.Block(CF_TEXT, "unterminated", 12);
    }
    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);
    // Wine itself ends such a block with a NUL in place of its last byte.
    const std::string file = ReadFileBytes(TempFile(NewestText()));
    EXPECT_GE(file.size(), 11u);
    EXPECT_TRUE(std::string("unterminated").starts_with(file)) << file;

    {
        ClipboardWrite write;
        write.Block(CF_TEXT, "first\0second", 13);
    }
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "first");
}

TEST_F(TextCapture, TextAndBitmapTogetherGiveOneTextClip)
{
    {
        ClipboardWrite write;
        write.Text("words");
        write.Bitmap(ColourBitmap(20, 10, RGB(0, 0, 255), RGB(0, 0, 255)));
    }
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 0);
    EXPECT_EQ(ContentFiles(), std::vector<std::string>{NewestText().FileName.Text()});
}

TEST_F(TextCapture, AClipboardWithNeitherTextNorPictureGivesNothing)
{
    CopyText("x");  // something to replace
    const int before = Captured();
    EmptyTheClipboard();
    {
        ClipboardWrite write;
        write.Dword(Registered("Tidemark test private data"), 42);
    }
    EXPECT_EQ(Captured(), before);
    EXPECT_EQ(ContentFiles().size(), 1u);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TextCapture, MonitorOffOrCaptureSuppressedCapturesNothing)
{
    Form1->imOnClick();
    CopyText("while off");
    EXPECT_EQ(Captured(), 0);
    // A copy-back clears the flag while the monitor is off: still nothing.
    CaptureSuppressed = false;
    CopyText("still off");
    EXPECT_EQ(Captured(), 0);

    Form1->imOffClick();
    CopyText("on again");
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);

    CaptureSuppressed = true;
    CopyText("suppressed");
    CaptureSuppressed = false;
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_EQ(ContentFiles().size(), 1u);
}

TEST_F(TextCapture, ContentMarkedPrivateIsNotCaptured)
{
    struct Mark {
        const char* format;
        DWORD value;
    };
    const Mark privateMarks[] = {{"ExcludeClipboardContentFromMonitorProcessing", 0},
                                 {"Clipboard Viewer Ignore", 0},
                                 {"CanIncludeInClipboardHistory", 0}};
    for (const Mark& mark : privateMarks) {
        {
            ClipboardWrite write;
            write.Text("secret");
            write.Dword(Registered(mark.format), mark.value);
        }
        EXPECT_EQ(Captured(), 0) << mark.format;
    }
    {
        ClipboardWrite write;
        write.Bitmap(ColourBitmap(4, 4, 0, 0));
        write.Dword(Registered("ExcludeClipboardContentFromMonitorProcessing"), 0);
    }
    EXPECT_EQ(Captured(), 0);
    EXPECT_TRUE(ContentFiles().empty());

    // Allowed into the history: an ordinary clip.
    {
        ClipboardWrite write;
        write.Text("public");
        write.Dword(Registered("CanIncludeInClipboardHistory"), 1);
    }
    EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
}

TEST_F(TextCapture, TheEleventhClipDropsTheOldestEntryWithItsFile)
{
    std::vector<std::string> names;
    for (int i = 1; i <= 11; ++i) {
        CopyText(std::string("clip number ").append(std::to_string(i)));
        names.push_back(NewestText().FileName.Text());
    }
    ASSERT_EQ(store::RecentTextCatalogue.Count, 10);
    EXPECT_EQ(store::RecentTextCatalogue.Entries[1].FileName.Text(), names[1]);
    EXPECT_EQ(store::RecentTextCatalogue.Entries[10].FileName.Text(), names[10]);
    EXPECT_EQ(store::RecentTextCatalogue.Entries[10].Preview.Text(), "clip number 11");
    // Its file goes once the catalogue without it is on disk.
    testing_support::PumpMessages(0);
    EXPECT_FALSE(FileExists(TempDir() + names[0]));
    EXPECT_EQ(ContentFiles().size(), 10u);
}

TEST_F(TextCapture, AMissingTempFolderIsReportedAndAddsNothing)
{
    ASSERT_TRUE(RemoveDirectoryA(TempDir().c_str()));
    CopyText("nowhere to go");
    // The notice has been handled and passed on; the box comes after it,
    // and a second failure meanwhile adds none.
    EXPECT_TRUE(boxes.empty());
    CopyText("nowhere either");
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "orv Tidemark");
    EXPECT_EQ(boxes[0].text.rfind("Cannot create file " + TempDir() + "clip", 0), 0u) << boxes[0].text;
    EXPECT_EQ(boxes[0].text.substr(boxes[0].text.size() - 5), ".txt.");
    EXPECT_EQ(Captured(), 0);
    EXPECT_EQ(Form1->Memo1.Text(), "");
}

TEST_F(TextCapture, ACatalogueThatCannotBeWrittenIsReportedOnceAndWrittenWhenItCanBe)
{
    CopyText("first");
    // The bar writes the catalogue once the notice is answered.
    testing_support::PumpMessages(0);
    const std::string catalogue = TempDir() + "txtclips.dat";
    {
        ReadOnlyFile readOnly(catalogue);
        ASSERT_TRUE(readOnly.Active());
        // Each failure's box has had its turn before the next capture.
        CopyText("second");
        testing_support::PumpMessages(0);
        CopyText("third");
        testing_support::PumpMessages(0);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "File access denied.");
        EXPECT_EQ(ReadFileBytes(catalogue).size(), sizeof(store::TextClipEntry));
    }
    CopyText("fourth");
    testing_support::PumpMessages(0);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(store::RecentTextCatalogue.Count, 4);
    EXPECT_EQ(ReadFileBytes(catalogue).size(), 4 * sizeof(store::TextClipEntry));
}

TEST_F(TextCapture, AMetafileOnlyIsAnUnsupportedFormatAndABitmapNeverHandedOverIsNotRead)
{
    {
        ClipboardWrite write;
        SetClipboardData(CF_ENHMETAFILE, Metafile());
    }
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unsupported clipboard format.");
    // A writer that promises a bitmap (delayed rendering) and never makes it.
    {
        ClipboardWrite write;
        SetClipboardData(CF_BITMAP, nullptr);
    }
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Cannot read the clipboard bitmap.");
    EXPECT_EQ(Captured(), 0);
    EXPECT_TRUE(ContentFiles().empty());
}

TEST_F(TextCapture, AClipboardHeldByAnotherProgramIsWaitedForASecondAndAFailedRetryLeavesNoTrace)
{
    NoticeWhileHeld([](ClipboardWrite& write) { write.Text("held briefly"); });
    ASSERT_TRUE(PumpUntil([] { return Captured() == 1; }));

    // A retry that fails (a metafile only) ends the retrying: the next
    // held clipboard, more than the whole second later, is waited for again.
    NoticeWhileHeld([](ClipboardWrite&) { SetClipboardData(CF_ENHMETAFILE, Metafile()); });
    const DWORD firstBusy = GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, "Unsupported clipboard format.");
    ASSERT_TRUE(PumpUntil([&] { return GetTickCount() - firstBusy > 1200; }));
    NoticeWhileHeld([](ClipboardWrite& write) { write.Text("after a failed retry"); });
    ASSERT_TRUE(PumpUntil([&] { return Captured() == 2 || boxes.size() > 1; }));
    EXPECT_EQ(NewestText().Preview.Text(), "after a failed retry");

    // Held past the second: given up with one box, and nothing captured.
    auto held = NoticeWhileHeld([](ClipboardWrite& write) { write.Text("held too long"); });
    ASSERT_TRUE(PumpUntil([&] { return boxes.size() > 1; }, 5000));
    held.reset();
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "Cannot open clipboard.");
    EXPECT_EQ(Captured(), 2);
}

TEST_F(TextCapture, LeavingCapturesTheClipThatWaitsFirstWithinTheRetrysSecond)
{
    // The clipboard is held as the program ends: let go a moment later, the
    // clip is captured before the bar leaves the chain, and kept.
    auto exitWhileHeld = [&](const std::string& text, DWORD letGoAfterMs) {
        auto held = NoticeWhileHeld([&](ClipboardWrite& write) { write.Text(text); });
        held->LetGo(letGoAfterMs);
        const DWORD start = GetTickCount();
        app::ReleaseProgramForms();
        EXPECT_LT(GetTickCount() - start, 1500u) << text;
    };
    exitWhileHeld("copied as the program ends", 200);
    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);
    EXPECT_EQ(NewestText().Preview.Text(), "copied as the program ends");
    EXPECT_EQ(ReadFileBytes(TempFile(NewestText())), "copied as the program ends");
    EXPECT_TRUE(boxes.empty());

    // Held past the second: the end waits no longer, and says why.
    app::CreateProgramForms();
    exitWhileHeld("held past the end", 2000);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open clipboard.");

    // The session ends while the bar waits for the chain's notice from a
    // viewer ahead that keeps it.
    app::CreateProgramForms();
    ASSERT_EQ(store::RecentTextCatalogue.Count, 1);  // as kept on disk
    {
        CountingViewer ahead;
        ahead.passOn = false;
        CopyText("copied as the session ends");
        EXPECT_EQ(store::RecentTextCatalogue.Count, 1);
        SendMessageA(ui::App.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    testing_support::PumpMessages(0);
    app::ReleaseProgramForms();
    app::CreateProgramForms();
    ASSERT_EQ(store::RecentTextCatalogue.Count, 2);
    EXPECT_EQ(NewestText().Preview.Text(), "copied as the session ends");
    EXPECT_EQ(ContentFiles().size(), 2u);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(TextCapture, AShowingBrowserListsItsCatalogueAgainAndAHiddenOneIsLeftAlone)
{
    // ShowCatalogue places a browser at the bar: a browser moved away shows
    // whether it was called.
    auto moveAway = [](ui::Form* browser) { browser->MoveTo(600, 500); };
    auto atBar = [](ui::Form* browser) { return browser->Left() == Form1->Left() && browser->Top() == Form1->Top(); };
    // Shown without being activated, so that the bar stays as it is.
    auto show = [](ui::Form* browser) { ShowWindow(browser->Handle(), SW_SHOWNA); };

    moveAway(frmText);
    moveAway(frmBmp);
    // A showing browser follows once the notice is answered.
    CopyText("both hidden");
    CopyBitmap(ColourBitmap(8, 8, 0, 0));
    testing_support::PumpMessages(0);
    EXPECT_FALSE(atBar(frmText));
    EXPECT_FALSE(atBar(frmBmp));

    frmText->SavedMode = true;
    show(frmText);
    CopyText("text browser showing");
    testing_support::PumpMessages(0);
    EXPECT_TRUE(atBar(frmText));
    EXPECT_TRUE(frmText->SavedMode);
    EXPECT_FALSE(atBar(frmBmp));

    moveAway(frmText);
    show(frmBmp);
    CopyBitmap(ColourBitmap(8, 8, 0, 0));
    testing_support::PumpMessages(0);
    EXPECT_TRUE(atBar(frmBmp));
    EXPECT_FALSE(frmBmp->SavedMode);
    EXPECT_FALSE(atBar(frmText));
    EXPECT_EQ(Captured(), 4);
}

// Figures for the report, not limits: notification to entry added.
TEST_F(TextCapture, CaptureTimes)
{
    auto time = [&](const char* what, auto write) {
        CaptureSuppressed = true;
        write();
        CaptureSuppressed = false;
        const int before = Captured();
        auto start = std::chrono::steady_clock::now();
        SendMessageA(Form1->Handle(), WM_CLIPBOARDUPDATE, 0, 0);
        auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(Captured(), before + 1) << what;
        std::printf("capture time, %s: %.1f ms\n", what, ms);
    };
    time("text of 120 bytes", [] { CopyText(Pattern(120)); });
    time("text of 1 MB", [] {
        std::string big = Pattern(1 << 20);
        for (std::size_t i = 79; i < big.size(); i += 80)
            big[i] = '\n';
        CopyText(big);
    });
    time("bitmap 1920x1080", [] { CopyBitmap(ColourBitmap(1920, 1080, RGB(10, 200, 30), 0)); });
}
