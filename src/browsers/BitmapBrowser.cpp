#include "browsers/BitmapBrowser.h"

#include "app/Forms.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "ui/Accessible.h"
#include "ui/Application.h"
#include "ui/Clipboard.h"
#include "ui/Errors.h"
#include "ui/Fonts.h"
#include "ui/Picture.h"

#include "resource.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <optional>

namespace {

// Layout, in pixels. The window is sizeable; the panels follow its client area.
//
// | Control   | Kind          | Place                      | Size       | Notes                              |
// |-----------|---------------|----------------------------|------------|------------------------------------|
// | frmBmp    | window        | (270, 188), moved to bar   | 301 x 142  | no maximise box; never below 140   |
// | panR      | panel, raised | right edge                 | 34 x all   | hidden until "Show buttons"        |
// | butCopy   | speed button  | (4, 3) in panR             | 25 x 25    | "Copy to clipboard"                |
// | butDel    | speed button  | (5, 32) in panR            | 25 x 25    | "Delete this clip"                 |
// | butSave   | speed button  | (5, 61) in panR            | 25 x 25    | "Save this clip"; recent view only |
// | Panel1    | panel, raised | the rest                   |            |                                    |
// | labStatus | label         | bottom of Panel1           | all x 16   | centred, "status" at start         |
// | scroll1   | scroll box    | the rest of Panel1         |            | sideways only; popMain             |
// | imBmps    | strip image   | (0, 0) in scroll1          | strip x 105| popMain                            |
constexpr int kLeft = 270, kTop = 188, kWidth = 301, kHeight = 142;
constexpr int kPanRWidth = 34;
constexpr int kStatusHeight = 16;

struct ButtonDesign {
    int x, y;
    UINT glyph;  // resource id
    int glyphImages;
    const char* hint;
};
constexpr int kButtonSize = 25;
constexpr ButtonDesign kCopyDesign{4, 3, IDB_BMP_COPY, 2, "Copy to clipboard"};
constexpr ButtonDesign kDelDesign{5, 32, IDB_BMP_DEL, 2, "Delete this clip"};
constexpr ButtonDesign kSaveDesign{5, 61, IDB_BMP_SAVE, 1, "Save this clip"};

// Position of the separator before "Show buttons" in the menu design.
constexpr size_t kN2Position = 4;

COLORREF Face()
{
    return GetSysColor(COLOR_BTNFACE);
}

} // namespace

TfrmBmp::TfrmBmp() : ClipBrowser(store::CatalogueId::RecentBitmap, store::CatalogueId::SavedBitmap) {}

void TfrmBmp::Create()
{
    CreateForm({"TfrmBmp", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                0, kLeft, kTop, kWidth, kHeight, false, "frmBmp", static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmBmp::CreateControls()
{
    font_ = ui::MakeFont("MS Sans Serif", 11);

    panR.Create(Handle(), 0, 0, kPanRWidth, kHeight, Face(), ui::Panel::Raised);
    panR.SetVisible(false);
    auto makeButton = [this](ui::SpeedButton& b, const ButtonDesign& d) {
        b.Create(panR.Handle(), d.x, d.y, kButtonSize, kButtonSize, d.glyph, d.glyphImages, d.hint);
    };
    makeButton(butCopy, kCopyDesign);
    makeButton(butDel, kDelDesign);
    makeButton(butSave, kSaveDesign);
    butCopy.OnClick = [this] { butCopyClick(); };
    butDel.OnClick = [this] { butDelClick(); };
    butSave.OnClick = [this] { butSaveClick(); };

    Panel1.Create(Handle(), 0, 0, kWidth, kHeight, Face(), ui::Panel::Raised);
    labStatus.Create(Panel1.Handle(), 0, 0, kWidth, kStatusHeight, "status", font_.get(),
                     GetSysColor(COLOR_WINDOWTEXT), Face(), DT_CENTER);
    scroll1.Create(Panel1.Handle(), 0, 0, kWidth, kHeight);
    imBmps.Create(scroll1.Handle(), browsers::StripWidth(0), browsers::kStripHeight);
    scroll1.SetContent(imBmps.Handle());
    imBmps.OnMouseDown = [this](browsers::StripImage::Button b, int x, int y) { imBmpsMouseDown(b, x, y); };
    imBmps.OnDblClick = [this] { imBmpsDblClick(); };
    DescribeStrip();

    popMain.Create({{mnuCopy, "&Copy to clipboard"},
                    {mnuDel, "&Delete this clip"},
                    {0, "-"},
                    {mnuSave, "&Save this clip"},
                    {0, "-"},
                    {mnuShowBut, "Show &buttons"}});

    hints.Create(Handle());
    hints.Add(butCopy.Handle(), kCopyDesign.hint);
    hints.Add(butDel.Handle(), kDelDesign.hint);
    hints.Add(butSave.Handle(), kSaveDesign.hint);

    LayoutControls();
}

void TfrmBmp::DescribeStrip()
{
    ui::Accessibility strip;
    strip.role = ROLE_SYSTEM_LIST;
    strip.name = [] { return std::string("Bitmap clips"); };
    strip.value = [this] { return std::string(SavedMode ? "Saved clips" : "Recent clips"); };
    strip.state = [] { return STATE_SYSTEM_FOCUSABLE; };
    strip.itemCount = [this] { return static_cast<int>(CellCount); };
    strip.itemName = [this](int cell) { return CellName(cell); };
    strip.itemState = [this](int cell) {
        LONG state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (cell == imBmps.SelectedCell())
            state |= STATE_SYSTEM_SELECTED | (imBmps.Focused() ? STATE_SYSTEM_FOCUSED : 0);
        return state;
    };
    strip.itemBounds = [](int cell) {
        return RECT{browsers::CellLeft(cell), 0, browsers::CellLeft(cell + 1), browsers::kFrameHeight};
    };
    imBmps.Describe(std::move(strip));
}

std::string TfrmBmp::CellName(int cell) const
{
    // The number, the caption the cell shows, and when the clip came.
    const int k = browsers::EntryOfCell(cell, CellCount);
    if (k < 1)
        return {};
    const auto slot = static_cast<size_t>(k - 1);
    std::string name = std::to_string(cell) + ", " + browsers::SizeCaption(ThumbWidths[slot], ThumbHeights[slot]);
    if (const std::optional<ClipKey> clip = ListedClip(k)) {
        const std::string when = browsers::CaptureTimeText(clip->captured);
        if (!when.empty())
            name += ", " + when;
    }
    return name;
}

void TfrmBmp::LayoutControls()
{
    if (!Panel1.Handle())
        return;
    RECT r;
    GetClientRect(Handle(), &r);
    const int width = r.right, height = r.bottom;
    const bool buttons = panR.Visible();
    panR.SetBounds(width - kPanRWidth, 0, kPanRWidth, height);
    const int panelWidth = buttons ? width - kPanRWidth : width;
    Panel1.SetBounds(0, 0, panelWidth, height);

    const int b = Panel1.BorderWidth();
    const int innerWidth = std::max(panelWidth - 2 * b, 0);
    const int innerHeight = std::max(height - 2 * b, 0);
    const int statusHeight = std::min(kStatusHeight, innerHeight);
    SetWindowPos(labStatus.Handle(), nullptr, b, b + innerHeight - statusHeight, innerWidth, statusHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    scroll1.SetBounds(b, b, innerWidth, innerHeight - statusHeight);
}

void TfrmBmp::FormCreate()
{
    for (ui::Bitmap& thumb : Thumbnails)
        thumb = browsers::CreateThumbnail();
    DrawStrip();
}

void TfrmBmp::FormDestroy()
{
    for (ui::Bitmap& thumb : Thumbnails)
        thumb.reset();
}

void TfrmBmp::ShowCatalogue(bool saved)
{
    MoveToBar();
    SavedMode = saved;
    // Made even when a clip fails to load below: its cell is drawn all the
    // same, and the user can delete it.
    ViewMade(saved);
    butSave.SetVisible(!saved);
    popMain.SetItemVisible(mnuSave, !saved);
    // Without "Save" the two separators would meet.
    popMain.SetSeparatorVisible(kN2Position, !saved);
    SelectedCell = 0;
    try {
        LoadThumbnails();
    } catch (...) {
        DrawStrip();
        throw;
    }
    DrawStrip();
}

const store::BitmapCatalogue& TfrmBmp::Shown() const noexcept
{
    return SavedMode ? store::SavedBitmapCatalogue : store::RecentBitmapCatalogue;
}

std::string TfrmBmp::ContentPath(int entry) const
{
    const store::BitmapClipEntry& e = Shown().Entries[entry];
    return store::ContentFilePath(SavedMode ? store::StashDir : store::TempDir, e);
}

void TfrmBmp::LoadThumbnails()
{
    const store::BitmapCatalogue& catalogue = Shown();
    CellCount = std::clamp<std::int32_t>(catalogue.Count, 0, kSlots);
    // One reader for the pass: it keeps its file buffer from clip to clip.
    ui::ThumbnailReader reader;
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    std::exception_ptr failure;
    for (int n = 1; n <= CellCount; ++n) {
        const auto slot = static_cast<size_t>(n - 1);
        // A slot whose entry is skipped shows nothing rather than whatever
        // clip it held before.
        browsers::ClearThumbnail(Thumbnails[slot].get());
        ThumbWidths[slot] = ThumbHeights[slot] = 0;
        const std::string path = ContentPath(n);
        if (path.empty() || !store::FileExists(path))
            continue;
        try {
            ui::SelectGuard sel(dc.get(), Thumbnails[slot].get());
            const SIZE size = reader.Draw(path, dc.get(), 0, 0, browsers::kThumbSize, browsers::kThumbSize);
            ThumbWidths[slot] = static_cast<std::uint16_t>(size.cx);
            ThumbHeights[slot] = static_cast<std::uint16_t>(size.cy);
        } catch (const std::exception&) {
            // The other clips still get their thumbnails, so the strip drawn
            // after this matches the catalogue; the first fault is reported.
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TfrmBmp::DrawStrip()
{
    const int width = browsers::StripWidth(CellCount);
    ui::Bitmap strip = browsers::CreatePicture(width, browsers::kStripHeight);
    std::array<browsers::CellContent, kSlots> cells{};
    const int count = std::clamp<int>(CellCount, 0, kSlots);
    for (int i = 1; i <= count; ++i) {
        const int k = browsers::EntryOfCell(i, count);
        cells[static_cast<size_t>(i - 1)] = {Thumbnails[static_cast<size_t>(k - 1)].get(),
                                             ThumbWidths[static_cast<size_t>(k - 1)],
                                             ThumbHeights[static_cast<size_t>(k - 1)]};
    }
    {
        ui::MemoryDc dc(CreateCompatibleDC(nullptr));
        ui::SelectGuard sel(dc.get(), strip.get());
        browsers::DrawCells(dc.get(), width, std::span(cells.data(), static_cast<size_t>(count)));
    }
    imBmps.SetWidth(width);
    imBmps.SetPicture(std::move(strip));
    scroll1.ContentResized();
}

void TfrmBmp::DrawSelectionFrame(std::int32_t cell, bool on)
{
    if (!imBmps.Picture())
        return;
    {
        ui::MemoryDc dc(CreateCompatibleDC(nullptr));
        ui::SelectGuard sel(dc.get(), imBmps.Picture());
        browsers::DrawSelectionFrame(dc.get(), cell, on);
    }
    const int x0 = browsers::CellLeft(cell);
    imBmps.Changed(RECT{x0, 0, x0 + browsers::kCellPitch, browsers::kFrameHeight});
}

void TfrmBmp::imBmpsMouseDown(browsers::StripImage::Button, int x, int)
{
    PressSeen();
    int a = browsers::CellAt(x);
    // A press right of the last cell (or on an empty strip) is on no clip:
    // it clears the selection rather than framing a cell that is not there.
    if (browsers::EntryOfCell(a, CellCount) == 0)
        a = 0;
    SelectCell(a);
}

void TfrmBmp::SelectCell(std::int32_t a)
{
    if (a == SelectedCell)
        return;
    if (SelectedCell > 0)
        DrawSelectionFrame(SelectedCell, false);
    SelectedCell = a;
    if (a > 0)
        DrawSelectionFrame(a, true);
    imBmps.SetSelectedCell(a);
}

bool TfrmBmp::FormKeyDown(UINT key)
{
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
        if (const int a = browsers::CellAfterKey(key, SelectedCell, CellCount)) {
            SelectCell(a);
            // The last cell's grey right edge lies just past its pitch.
            scroll1.ScrollIntoView(browsers::CellLeft(a), browsers::CellLeft(a + 1) + (a == CellCount ? 2 : 0));
        }
        return true;
    case VK_RETURN:
        Command(mnuCopy, 0, nullptr);
        return true;
    case VK_DELETE:
        Command(mnuDel, 0, nullptr);
        return true;
    }
    return ClipBrowser::FormKeyDown(key);
}

POINT TfrmBmp::KeyboardMenuPoint() const
{
    POINT at{0, 0};
    HWND from = scroll1.Handle();
    if (SelectedCell > 0) {
        // Over the selected clip's thumbnail, whether or not it is scrolled into view.
        at = {browsers::CellLeft(SelectedCell) + browsers::kThumbLeft, browsers::kThumbTop};
        from = imBmps.Handle();
    }
    ClientToScreen(from, &at);
    return at;
}

void TfrmBmp::imBmpsDblClick()
{
    // The cell aimed at has moved since the first press: the second press
    // only selected what is under it now.
    if (DoubleClickStraddlesRelist())
        return;
    butCopyClick();
}

int TfrmBmp::SelectedEntry() const noexcept
{
    return browsers::EntryOfCell(SelectedCell, CellCount);
}

int TfrmBmp::SelectionOrNote()
{
    if (std::optional<ClipKey> held = TakeHeldChoice())
        return WhereNow(held);
    const int k = SelectedEntry();
    if (k < 1) {
        ui::ShowNote("Please select a bitmap first.", "Nothing to do");
        return 0;
    }
    // The cell stands for the clip the user saw; the catalogue may have
    // moved on since the strip was drawn.
    return WhereNow(ListedClip(k));
}

void TfrmBmp::butCopyClick()
{
    const int k = SelectionOrNote();
    if (k < 1)
        return;
    const std::string path = ContentPath(k);
    if (path.empty())
        throw ui::AppError(ui::Format("Cannot open file %s", Shown().Entries[k].FileName.Text()));

    SuppressCapture suppress;
    // The bar's scratch picture, through which the monitor captures too.
    ui::Picture& picture = Form1->Image1;
    picture.LoadFromFile(path);
    // Everything the clipboard gets is built before it is emptied: a failure
    // leaves the user's clipboard as it was.
    ui::GlobalMemory dib(picture.CreateClipboardDib());
    ui::Palette palette(picture.CreatePaletteCopy());
    {
        ui::ClipboardGuard clipboard(Handle());
        if (!EmptyClipboard())
            throw ui::AppError("Cannot write to clipboard");
        if (!SetClipboardData(CF_DIB, dib.get()))
            throw ui::AppError("Cannot write to clipboard");
        dib.release();  // the clipboard's now
        if (palette) {
            if (!SetClipboardData(CF_PALETTE, palette.get()))
                throw ui::AppError("Cannot write to clipboard");
            palette.release();
        }
        suppress.Written();
    }
    labStatus.SetText("Bitmap sent to clipboard.");
    labStatus.RepaintNow();
}

void TfrmBmp::butDelClick()
{
    const int k = SelectionOrNote();
    if (k < 1)
        return;
    // The file's fate is not reported: the entry goes either way.
    if (SavedMode)
        store::RemoveSavedBitmap(k);
    else
        store::RemoveRecentBitmap(k);
    // A showing browser has refilled from the store's announcement already.
    RelistIfOutdated();
}

void TfrmBmp::butSaveClick()
{
    const int k = SelectionOrNote();
    // Stashing is offered in the recent view only.
    if (k < 1 || SavedMode)
        return;
    store::StashBitmap(k);
    labStatus.SetText("Bitmap clip has been stashed.");
}

void TfrmBmp::mnuShowButClick()
{
    const bool show = !popMain.Checked(mnuShowBut);
    popMain.SetChecked(mnuShowBut, show);
    panR.SetVisible(show);
    LayoutControls();
}

void TfrmBmp::Command(UINT id, UINT, HWND)
{
    switch (id) {
    case mnuCopy: butCopyClick(); break;
    case mnuDel: butDelClick(); break;
    case mnuSave: butSaveClick(); break;
    case mnuShowBut: mnuShowButClick(); break;
    default: break;
    }
}

void TfrmBmp::FormShow()
{
    // As a dialog box does: focus cues show if the browser was opened from
    // the keyboard, and wait for the keyboard if from the mouse (where the
    // system is set to hide them until then).
    SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS), 0);
}

LRESULT TfrmBmp::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SETFOCUS) {
        // The strip takes the keys, and hands them back to the browser.
        SetFocus(imBmps.Handle());
        return 0;
    }
    if (msg == WM_CONTEXTMENU) {
        // The strip and its box carry the menu for the mouse; the keyboard
        // asks for it wherever the focus is.
        HWND from = reinterpret_cast<HWND>(wParam);
        if (lParam == -1 || from == scroll1.Handle() || from == imBmps.Handle()) {
            const POINT at = lParam == -1 ? KeyboardMenuPoint() : POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            // A capture while the menu is open redraws the strip: the choice
            // is the cell selected now.
            const std::optional<ClipKey> chosen = ListedClip(SelectedEntry());
            const UINT command = popMain.Track(Handle(), at.x, at.y, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
            HoldChoice(chosen);
            Command(command, 0, nullptr);
            HoldChoice(std::nullopt);
        }
        return 0;
    }
    return ClipBrowser::HandleMessage(msg, wParam, lParam);
}

