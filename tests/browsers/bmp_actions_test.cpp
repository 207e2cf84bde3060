// What the user does with a selected clip: copy it back, delete it, stash it;
// and what damaged or missing content files do to the strip.
#include "bmp_fixture.h"

#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "ui/Errors.h"

#include <cstring>

using namespace bmptest;

namespace {

// Every pixel its own colour: red is x, green is y.
COLORREF Coded(int x, int y)
{
    return RGB(x & 0xFF, y & 0xFF, (x * 7 + y * 13) & 0xFF);
}

// The clipboard's CF_BITMAP as 32-bit pixels, top row first; empty if none.
std::vector<std::uint32_t> ClipboardPixels(int& width, int& height)
{
    std::vector<std::uint32_t> pixels;
    if (!OpenClipboard(nullptr))
        return pixels;
    if (HBITMAP bmp = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP info{};
        GetObjectA(bmp, sizeof info, &info);
        width = info.bmWidth;
        height = info.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof bi.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bmp, 0, static_cast<UINT>(height), pixels.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    CloseClipboard();
    return pixels;
}

void PutTextOnClipboard(const char* text)
{
    ASSERT_TRUE(bar_testing::WriteClipboardText(nullptr, text));
}

void ChooseInBrowser(UINT id)
{
    SendMessageA(frmBmp->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// Selects the cell that shows catalogue entry k.
void SelectEntry(int k)
{
    Press((frmBmp->CellCount - k) * 66 + 30, 30);
    ASSERT_EQ(frmBmp->SelectedEntry(), k);
}

std::vector<std::uint32_t> StripBits()
{
    SIZE s = StripSize();
    const std::uint32_t* bits = browsers::PictureBits(frmBmp->imBmps.Picture());
    return std::vector<std::uint32_t>(bits, bits + s.cx * s.cy);
}

} // namespace

class BmpActions : public BrowserTest {};

TEST_F(BmpActions, CopyBackPutsTheSamePixelsOnTheClipboardWithoutACapture)
{
    AddClip(SolidBmp(20, 10, RGB(9, 9, 9)));
    AddClip(MakeBmp(37, 23, Coded));  // entry 2, the left cell
    AddClip(SolidBmp(20, 10, RGB(9, 9, 9)));
    frmBmp->ShowCatalogue(false);
    SelectEntry(2);
    const int recentBefore = store::RecentBitmapCatalogue.Count;
    PutTextOnClipboard("before");

    bar_testing::CountingViewer viewer;
    ChooseInBrowser(TfrmBmp::mnuCopy);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;

    // One change, not captured, and capture no longer suppressed.
    EXPECT_EQ(viewer.draws, 1);
    EXPECT_FALSE(CaptureSuppressed);
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, recentBefore);
    EXPECT_EQ(frmBmp->labStatus.Text(), "Bitmap sent to clipboard.");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_PALETTE));

    int w = 0, h = 0;
    std::vector<std::uint32_t> got = ClipboardPixels(w, h);
    ASSERT_EQ(w, 37);
    ASSERT_EQ(h, 23);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = Coded(x, y);
            const std::uint32_t want = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            ASSERT_EQ(got[static_cast<size_t>(y * w + x)] & 0xFFFFFF, want) << x << "," << y;
        }
    // The selection and the strip stay.
    EXPECT_EQ(frmBmp->SelectedEntry(), 2);

    // The monitor is listening: the same bitmap written by anyone else is a
    // new clip.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP copy = static_cast<HBITMAP>(CopyImage(GetClipboardData(CF_BITMAP), IMAGE_BITMAP, 0, 0, 0));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, copy);
    CloseClipboard();
    testing_support::DeliverClipboardNotices();
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, recentBefore + 1);
}

TEST_F(BmpActions, DoubleClickCopiesTheCellUnderIt)
{
    AddClip(SolidBmp(8, 6, RGB(0, 0, 255)));
    AddClip(SolidBmp(10, 4, RGB(255, 0, 0)));
    frmBmp->ShowCatalogue(false);
    PutTextOnClipboard("before");
    Press(100, 10);
    SendMessageA(frmBmp->imBmps.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 10));
    int w = 0, h = 0;
    std::vector<std::uint32_t> got = ClipboardPixels(w, h);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 6);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0] & 0xFFFFFF, 0x0000FFu);

    // Presses that straddle a refill of the showing strip copy nothing: the
    // second only selects the cell now under it.
    frmBmp->Show();
    PutTextOnClipboard("again");
    Press(100, 10);
    AddClip(SolidBmp(6, 6, RGB(0, 255, 0)));
    SendMessageA(frmBmp->imBmps.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 10));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(frmBmp->SelectedEntry(), 2);
    EXPECT_TRUE(boxes.empty());
    frmBmp->Hide();
}

TEST_F(BmpActions, AChosenClipIsActedOnWhereItNowStandsOrTheStripIsRedrawnWithANote)
{
    AddClip(SolidBmp(8, 6, RGB(0, 0, 255)));
    AddClip(SolidBmp(10, 4, RGB(255, 0, 0)));
    frmBmp->ShowCatalogue(false);  // hidden: the strip does not follow the store
    SelectEntry(2);
    store::RemoveRecentBitmap(1);  // the chosen clip moves to entry 1
    ChooseInBrowser(TfrmBmp::mnuCopy);
    int w = 0, h = 0;
    ClipboardPixels(w, h);
    EXPECT_EQ(w, 10);
    EXPECT_TRUE(boxes.empty());

    store::RemoveRecentBitmap(1);  // and leaves
    ChooseInBrowser(TfrmBmp::mnuDel);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The list has changed. Please choose again.");
    EXPECT_EQ(boxes[0].caption, "Nothing to do");
    EXPECT_EQ(frmBmp->CellCount, 0);
}

TEST_F(BmpActions, APalettedClipGoesBackWithItsPalette)
{
    std::vector<std::uint8_t> table(256 * 4);
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = static_cast<std::uint8_t>(i);
        table[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
        table[4 * i + 2] = 40;
    }
    std::vector<std::uint8_t> file = bmp::MakeBmpFile(16, 16, 8, table);
    for (size_t i = bmp::BmpPixelOffset(8); i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i);
    AddClip(file);
    frmBmp->ShowCatalogue(false);
    SelectEntry(1);
    ChooseInBrowser(TfrmBmp::mnuCopy);
    ASSERT_TRUE(boxes.empty()) << boxes[0].text;
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
}

TEST_F(BmpActions, CopyOfAMissingFileReportsAndLeavesEverythingAsItWas)
{
    const std::string path = AddClip(SolidBmp(8, 6, RGB(0, 0, 255)));
    frmBmp->ShowCatalogue(false);
    SelectEntry(1);
    DeleteFileA(path.c_str());
    PutTextOnClipboard("keep me");

    ChooseInBrowser(TfrmBmp::mnuCopy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_NE(boxes[0].text.find(path), std::string::npos) << boxes[0].text;
    EXPECT_FALSE(CaptureSuppressed);
    EXPECT_EQ(frmBmp->labStatus.Text(), "status");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    // Capture is not left suppressed.
    const int texts = store::RecentTextCatalogue.Count;
    PutTextOnClipboard("later");
    EXPECT_EQ(store::RecentTextCatalogue.Count, texts + 1);
}

TEST_F(BmpActions, DeleteInTheSavedViewRemovesTheStashFileAndTheSelection)
{
    AddClip(SolidBmp(8, 6, RGB(0, 0, 255)), true);
    const std::string doomed = AddClip(SolidBmp(10, 4, RGB(255, 0, 0)), true);
    AddClip(SolidBmp(12, 2, RGB(0, 255, 0)), true);
    ASSERT_EQ(doomed.rfind(store::StashDir, 0), 0u);
    frmBmp->ShowCatalogue(true);
    SelectEntry(2);

    ChooseInBrowser(TfrmBmp::mnuDel);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(testing_support::FileExists(doomed));
    EXPECT_EQ(store::SavedBitmapCatalogue.Count, 2);
    EXPECT_EQ(frmBmp->CellCount, 2);
    EXPECT_EQ(frmBmp->SelectedCell, 0);
    EXPECT_EQ(StripSize().cx, 134);
    EXPECT_TRUE(frmBmp->SavedMode);
    // The strip shows what is left: entry 2 (was 3) at the left.
    EXPECT_EQ(StripPixel(30, 40), RGB(0, 255, 0));
    EXPECT_EQ(StripPixel(66 + 30, 40), RGB(0, 0, 255));
    EXPECT_EQ(StripPixel(67, 1), browsers::kStripSilver);
}

TEST_F(BmpActions, SaveStashesAndKeepsStripAndSelection)
{
    AddClip(SolidBmp(8, 6, RGB(0, 0, 255)));
    const std::string recent = AddClip(SolidBmp(10, 4, RGB(255, 0, 0)));
    frmBmp->ShowCatalogue(false);
    SelectEntry(1);
    const std::vector<std::uint32_t> before = StripBits();

    ChooseInBrowser(TfrmBmp::mnuSave);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frmBmp->labStatus.Text(), "Bitmap clip has been stashed.");
    ASSERT_EQ(store::SavedBitmapCatalogue.Count, 1);
    EXPECT_EQ(store::SavedBitmapCatalogue.Entries[1].FileName.Text(),
              store::RecentBitmapCatalogue.Entries[1].FileName.Text());
    EXPECT_TRUE(testing_support::FileExists(store::StashDir + store::RecentBitmapCatalogue.Entries[1].FileName.Text()));
    EXPECT_EQ(frmBmp->SelectedEntry(), 1);
    EXPECT_EQ(StripBits(), before);
    EXPECT_EQ(store::RecentBitmapCatalogue.Count, 2);

    // The saved view shows it; its status line is the one it had.
    frmBmp->ShowCatalogue(true);
    EXPECT_EQ(frmBmp->CellCount, 1);
    EXPECT_EQ(frmBmp->ThumbWidths[0], 8);
    EXPECT_EQ(frmBmp->labStatus.Text(), "Bitmap clip has been stashed.");
}

TEST_F(BmpActions, ASkippedEntryShowsAWhiteThumbnailCaptioned0x0)
{
    // The saved view first fills slot 0 with a red 50 x 40 clip ...
    AddClip(SolidBmp(50, 40, RGB(255, 0, 0)), true);
    frmBmp->ShowCatalogue(true);
    ASSERT_EQ(frmBmp->ThumbWidths[0], 50);
    ASSERT_EQ(StripPixel(30, 40), RGB(255, 0, 0));

    // ... then the recent view's entry 1 has no file.
    DeleteFileA(AddClip(SolidBmp(8, 6, RGB(0, 0, 255))).c_str());
    AddClip(SolidBmp(10, 4, RGB(0, 255, 0)));
    frmBmp->ShowCatalogue(false);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frmBmp->ThumbWidths[0], 0);
    EXPECT_EQ(frmBmp->ThumbHeights[0], 0);
    for (int y = 16; y < 76; y += 7)
        for (int x = 66 + 3; x < 66 + 63; x += 7)
            ASSERT_EQ(StripPixel(x, y), RGB(255, 255, 255)) << x << "," << y;
    EXPECT_EQ(StripPixel(30, 40), RGB(0, 255, 0));
}

TEST_F(BmpActions, DamagedFilesGiveTheErrorBoxAndTheRestGoesOn)
{
    const std::vector<std::uint8_t> good = SolidBmp(40, 30, RGB(0, 128, 255));

    std::vector<std::uint8_t> truncated = good;
    truncated.resize(truncated.size() / 2);

    std::vector<std::uint8_t> badOffset = good;
    const std::uint32_t past = static_cast<std::uint32_t>(good.size()) + 1000;
    std::memcpy(badOffset.data() + 10, &past, 4);

    // 100000 x 100000 pixels claimed by a file of a few bytes.
    std::vector<std::uint8_t> absurd = good;
    const std::int32_t huge = 100000;
    std::memcpy(absurd.data() + 18, &huge, 4);
    std::memcpy(absurd.data() + 22, &huge, 4);

    std::vector<std::uint8_t> negativeRows = good;
    const std::int32_t lowest = INT32_MIN;
    std::memcpy(negativeRows.data() + 22, &lowest, 4);

    std::vector<std::uint8_t> garbage(300, 0xA5);
    garbage[0] = 'B';
    garbage[1] = 'M';

    const std::vector<std::uint8_t>* damaged[] = {&truncated, &badOffset, &absurd, &negativeRows, &garbage};
    for (const auto* file : damaged) {
        SCOPED_TRACE(file - damaged[0]);
        frmBmp->Hide();  // a showing strip would load the damaged clip as it is added
        store::ResetCatalogues();
        AddClip(good);
        const std::string bad = AddClip(*file);
        AddClip(good);
        boxes.clear();

        // Opening the view fails with the invalid-bitmap error, but the strip
        // still matches the catalogue: the damaged cell is blank.
        try {
            frmBmp->ShowCatalogue(false);
            ADD_FAILURE() << "no error";
        } catch (const ui::AppError& e) {
            EXPECT_STREQ(e.what(), "Bitmap image is not valid");
        }
        EXPECT_EQ(frmBmp->CellCount, 3);
        EXPECT_EQ(StripSize().cx, 200);
        EXPECT_EQ(frmBmp->ThumbWidths[1], 0);
        EXPECT_EQ(StripPixel(66 + 30, 40), RGB(255, 255, 255));
        EXPECT_EQ(StripPixel(30, 40), RGB(0, 128, 255));
        EXPECT_EQ(StripPixel(132 + 30, 40), RGB(0, 128, 255));

        // The bar still opens the browser on it, after the error box, so the
        // user can reach the damaged clip.
        Click(Form1->butBmp.Handle());
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Bitmap image is not valid.");
        EXPECT_TRUE(frmBmp->Visible());
        boxes.clear();

        // Copying it back: the error box, and nothing else changes.
        PutTextOnClipboard("keep me");
        SelectEntry(2);
        ChooseInBrowser(TfrmBmp::mnuCopy);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Bitmap image is not valid.");
        EXPECT_EQ(boxes[0].flags, UINT(MB_OK | MB_ICONERROR));
        EXPECT_FALSE(CaptureSuppressed);
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

        // Deleting it is what the user can do about it; then all is well.
        ChooseInBrowser(TfrmBmp::mnuDel);
        EXPECT_FALSE(testing_support::FileExists(bad));
        EXPECT_EQ(frmBmp->CellCount, 2);
        SelectEntry(1);
        ChooseInBrowser(TfrmBmp::mnuCopy);
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    }
}

TEST_F(BmpActions, AnEntryNamingAPathIsNeverOpened)
{
    // A catalogue file may say anything; this one points outside the folder.
    WriteBytes(folder.Path() + "out.bmp", SolidBmp(8, 8, RGB(1, 1, 1)));
    store::Append(store::RecentBitmapCatalogue).FileName.Assign("..\\out.bmp");
    frmBmp->ShowCatalogue(false);
    EXPECT_EQ(frmBmp->ThumbWidths[0], 0);
    SelectEntry(1);
    ChooseInBrowser(TfrmBmp::mnuCopy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open file ..\\out.bmp.");
    EXPECT_FALSE(CaptureSuppressed);
}

TEST_F(BmpActions, AShowingStripFollowsNewCaptures)
{
    AddClip(SolidBmp(8, 6, RGB(0, 0, 255)));
    AddClip(SolidBmp(10, 4, RGB(255, 0, 0)));
    frmBmp->ShowCatalogue(false);
    frmBmp->Show();
    SelectEntry(1);

    // Someone copies a 24 x 14 green picture.
    ui::Bitmap picture = browsers::CreatePicture(24, 14);
    std::fill_n(browsers::PictureBits(picture.get()), 24 * 14, 0x00FF00u);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, picture.release());
    CloseClipboard();
    testing_support::DeliverClipboardNotices();
    // The strip follows once the bar has answered the notice.
    testing_support::PumpMessages(0);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frmBmp->CellCount, 3);
    EXPECT_EQ(frmBmp->SelectedCell, 0);
    EXPECT_EQ(frmBmp->ThumbWidths[2], 24);
    EXPECT_EQ(frmBmp->ThumbHeights[2], 14);
    EXPECT_EQ(StripPixel(30, 40), RGB(0, 255, 0));
    EXPECT_EQ(StripPixel(66, 1), browsers::kFrameLight);
    frmBmp->Hide();
}

TEST_F(BmpActions, ARefreshThatFailsIsTheBrowsersOwnAndToldOnceTheStoreHasDone)
{
    const std::vector<std::uint8_t> good = SolidBmp(8, 6, RGB(0, 0, 255));
    std::vector<std::uint8_t> damaged(300, 0xA5);
    damaged[0] = 'B';
    damaged[1] = 'M';
    AddClip(good);
    AddClip(damaged);
    EXPECT_THROW(frmBmp->ShowCatalogue(false), ui::AppError);
    frmBmp->Show();
    testing_support::PumpMessages(0);
    boxes.clear();

    // A capture and a remove succeed for their callers; each refresh of the
    // strip that fails on the damaged picture is told once, afterwards.
    EXPECT_NO_THROW(AddClip(good));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(frmBmp->CellCount, 3);
    EXPECT_NO_THROW(EXPECT_TRUE(store::RemoveRecentBitmap(3)));
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Bitmap image is not valid.");
    EXPECT_EQ(boxes[1].text, "Bitmap image is not valid.");

    // A stash into the saved view that shows the damaged picture too.
    store::StashBitmap(2);
    EXPECT_THROW(frmBmp->ShowCatalogue(true), ui::AppError);
    boxes.clear();
    EXPECT_NO_THROW(store::StashBitmap(1));
    testing_support::PumpMessages(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(store::SavedBitmapCatalogue.Count, 2);
    EXPECT_EQ(testing_support::ReadFileBytes(store::StashDir + "bmpsaved.dat").size(), 128u);
    frmBmp->Hide();
}
