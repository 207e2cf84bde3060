#include "browsers/TextBrowser.h"

#include "app/Forms.h"
#include "bar/ClipboardMonitor.h"
#include "bar/Form1.h"
#include "bar/TextEncoding.h"
#include "resource.h"
#include "store/Catalogues.h"
#include "store/StoreFiles.h"
#include "ui/Application.h"
#include "ui/Clipboard.h"
#include "ui/Errors.h"
#include "ui/Fonts.h"
#include "ui/SystemDlls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace {

// Layout (pixels). Sizeable tool window, 290 x 150 outer when first shown,
// never below 140 high; font MS Sans Serif, 11 px characters.
//
//   control     parent   place                                   size
//   Panel1      form     client area left of panR                fills
//   list1       Panel1   above labStatus                         fills; items 13 high
//   labStatus   Panel1   bottom, text centred                    full width x 18
//   panR        form     right edge, hidden at start             33 x full height
//   butCopy     panR     3, 3                                    25 x 25
//   butDel      panR     4, 30                                   25 x 25
//   butSave     panR     4, 58                                   25 x 25
constexpr int kWidth = 290, kHeight = 150;
constexpr int kFontHeight = 11;
constexpr int kItemHeight = 13;
constexpr int kStatusHeight = 18;
constexpr int kPanRWidth = 33;
constexpr UINT kList1Id = 100;

struct ButtonDesign {
    int x, y;
    UINT glyph;      // resource id
    int glyphCount;  // 2: the second image is the disabled look
    const char* hint;
};
constexpr ButtonDesign kButCopy{3, 3, IDB_TEXT_COPY, 2, "Copy to clipboard"};
constexpr ButtonDesign kButDel{4, 30, IDB_TEXT_DEL, 2, "Delete this clip"};
constexpr ButtonDesign kButSave{4, 58, IDB_TEXT_SAVE, 1, "Save this clip"};
constexpr int kButtonSize = 25;

// Position of the separator before "Show &buttons" in the menu table.
constexpr size_t kN2 = 4;

const char* const kStatusSent = "Text sent to clipboard.";
const char* const kStatusStashed = "Text clip has been stashed.";
const char* const kStatusIdle = " ";

// Replaces the clipboard's contents with one block of `format`: `size` bytes
// of text and a NUL of `nulSize` bytes.
void PutClipboardBlock(HWND owner, UINT format, const void* text, std::size_t size, std::size_t nulSize,
                       SuppressCapture& suppress)
{
    ui::GlobalMemory mem(GlobalAlloc(GMEM_MOVEABLE, size + nulSize));
    if (!mem)
        throw ui::AppError("Cannot write to clipboard");
    {
        ui::GlobalLockGuard lock(mem.get());
        if (!lock.get())
            throw ui::AppError("Cannot write to clipboard");
        char* p = static_cast<char*>(lock.get());
        std::memcpy(p, text, size);
        std::memset(p + size, 0, nulSize);
    }
    // Viewers hear of the change while the guard closes the clipboard (at
    // once when they run on this thread), so capture must be suppressed
    // until after this returns.
    ui::ClipboardGuard clipboard(owner);
    if (!EmptyClipboard() || !SetClipboardData(format, mem.get()))
        throw ui::AppError("Cannot write to clipboard");
    mem.release();  // the clipboard owns it now
    suppress.Written();
}

// A content file's text on the clipboard: marked UTF-8 as CF_UNICODETEXT,
// which the system also offers as CF_TEXT, anything else as its CF_TEXT
// bytes. Either ends at the text's first NUL.
void PutClipboardText(HWND owner, std::string_view content, SuppressCapture& suppress)
{
    if (std::optional<std::wstring> unicode = encoding::UnicodeOfContent(content)) {
        const std::wstring_view text = std::wstring_view(*unicode).substr(0, unicode->find(L'\0'));
        PutClipboardBlock(owner, CF_UNICODETEXT, text.data(), text.size() * sizeof(wchar_t), sizeof(wchar_t),
                          suppress);
    } else {
        const std::string_view text = content.substr(0, content.find('\0'));
        PutClipboardBlock(owner, CF_TEXT, text.data(), text.size(), 1, suppress);
    }
}

std::string ReadWholeFile(const std::string& path)
{
    ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw ui::AppError(ui::Format("Cannot open file %s", path));
    LARGE_INTEGER size{};
    // Room for the line breaks to grow and for the text as UTF-16.
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > INT_MAX / 4)
        throw ui::AppError(ui::Format("Cannot read file %s", path));
    std::string data(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr))
            throw ui::AppError(ui::Format("Cannot read file %s", path));
        if (got == 0)
            break;  // the file shrank since its size was taken
        done += got;
    }
    data.resize(done);
    return data;
}

// Whether a file starts with the UTF-8 mark; false when it cannot be read.
bool StartsWithUtf8Mark(const std::string& path)
{
    ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char head[3] = {};
    DWORD got = 0;
    return file && ReadFile(file.get(), head, sizeof head, &got, nullptr) &&
           std::string_view(head, got) == encoding::kUtf8Mark;
}

// A clip kept as UTF-8 is listed with its own text, which its single-byte
// preview may have lost; any other with its preview.
std::wstring ListLine(const store::TextClipEntry& entry, const std::string& folder)
{
    const std::string path = store::ContentFilePath(folder, entry);
    if (!path.empty() && StartsWithUtf8Mark(path)) {
        try {
            if (auto line = encoding::UnicodeLineOfContent(ReadWholeFile(path), store::PreviewCapacity))
                return *line;
        } catch (const ui::AppError&) {
            // Unreadable just now: the preview stands in for it.
        }
    }
    // A catalogue file may hold anything: show control bytes as dots.
    return encoding::Widen(CP_ACP, store::MakePreview(entry.Preview.Text()));
}

} // namespace

std::string NormaliseLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    // Runs without a break go over whole: a large clip is mostly such runs.
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t brk = std::min(text.find_first_of("\r\n", at), text.size());
        out.append(text, at, brk - at);
        if (brk == text.size())
            break;
        out += "\r\n";
        at = brk + (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n' ? 2 : 1);
    }
    return out;
}

TfrmText::TfrmText() : ClipBrowser(store::CatalogueId::RecentText, store::CatalogueId::SavedText) {}

void TfrmText::Create()
{
    CreateForm({"TfrmText", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW,
                CW_USEDEFAULT, CW_USEDEFAULT, kWidth, kHeight, false, "Text clips",
                static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}

void TfrmText::CreateControls()
{
    font_ = ui::MakeFont("MS Sans Serif", kFontHeight);
    COLORREF face = GetSysColor(COLOR_BTNFACE);

    Panel1.Create(Handle(), 0, 0, 0, 0, face);
    // Unicode, for the lines of clips kept as UTF-8.
    list1 = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                LBS_WANTKEYBOARDINPUT,
                            0, 0, 0, 0, Panel1.Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kList1Id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!list1)
        throw ui::AppError("Cannot create window LISTBOX");
    ui::system::SetWindowSubclass(list1, ListPresses, 0, reinterpret_cast<DWORD_PTR>(this));
    // The font first: setting one recomputes the item height.
    SendMessageA(list1, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SendMessageA(list1, LB_SETITEMHEIGHT, 0, kItemHeight);
    labStatus.Create(Panel1.Handle(), 0, 0, 0, 0, kStatusIdle, font_.get(), GetSysColor(COLOR_WINDOWTEXT), face,
                     DT_CENTER);
    labStatus.OnMouseMove = [this] { list1_mousemove(); };

    panR.Create(Handle(), 0, 0, kPanRWidth, 0, face, ui::Panel::Raised);
    panR.OnMouseMove = [this] { list1_mousemove(); };
    panR.SetVisible(false);
    Hints.Create(Handle());
    struct {
        ui::SpeedButton& button;
        const ButtonDesign& design;
        void (TfrmText::*click)();
    } buttons[] = {{butCopy, kButCopy, &TfrmText::butCopyClick},
                   {butDel, kButDel, &TfrmText::butDelClick},
                   {butSave, kButSave, &TfrmText::butSaveClick}};
    for (auto& b : buttons) {
        b.button.Create(panR.Handle(), b.design.x, b.design.y, kButtonSize, kButtonSize, b.design.glyph,
                        b.design.glyphCount, b.design.hint);
        b.button.OnClick = [this, click = b.click] { (this->*click)(); };
        Hints.Add(b.button.Handle(), b.design.hint);
    }

    popMain.Create({{mnuCopy, "&Copy to clipboard"},
                    {mnuDel, "&Delete this clip"},
                    {0, "-"},
                    {mnuSave, "&Save this clip"},
                    {0, "-"},
                    {mnuShowBut, "Show &buttons"}});
    LayoutControls();
}

void TfrmText::LayoutControls()
{
    if (!list1)
        return;  // WM_SIZE during creation comes before the controls
    RECT rc;
    GetClientRect(Handle(), &rc);
    int width = rc.right, height = rc.bottom;
    int left = panR.Visible() ? width - kPanRWidth : width;
    panR.SetBounds(width - kPanRWidth, 0, kPanRWidth, height);
    Panel1.SetBounds(0, 0, left, height);
    int listHeight = height > kStatusHeight ? height - kStatusHeight : 0;
    SetWindowPos(list1, nullptr, 0, 0, left, listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(labStatus.Handle(), nullptr, 0, listHeight, left, kStatusHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmText::ShowCatalogue(bool saved)
{
    MoveToBar();
    SavedMode = saved;
    ViewMade(saved);
    SendMessageA(list1, LB_RESETCONTENT, 0, 0);
    const store::TextCatalogue& catalogue = saved ? store::SavedTextCatalogue : store::RecentTextCatalogue;
    SetWindowTextA(Handle(), saved ? "Saved text clips" : "Text clips");
    const std::string& folder = saved ? store::StashDir : store::TempDir;
    int count = std::clamp(catalogue.Count, 0, store::CatalogueCapacity);
    for (int n = count; n >= 1; --n) {
        const std::wstring text = ListLine(catalogue.Entries[n], folder);
        LRESULT line = SendMessageW(list1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (line >= 0)
            SendMessageA(list1, LB_SETITEMDATA, static_cast<WPARAM>(line), n);
    }
    // The list box tells of its lines one by one, if at all: a screen reader
    // hears once that they are new.
    NotifyWinEvent(EVENT_OBJECT_REORDER, list1, OBJID_CLIENT, CHILDID_SELF);
    labStatus.SetText(std::to_string(count) + (saved ? " clips saved." : " clips found."));
    butSave.SetVisible(!saved);
    popMain.SetItemVisible(mnuSave, !saved);
    popMain.SetSeparatorVisible(kN2, !saved);
}

std::optional<ClipBrowser::ClipKey> TfrmText::SelectedLineClip() const
{
    const LRESULT line = SendMessageA(list1, LB_GETCURSEL, 0, 0);
    if (line == LB_ERR)
        return std::nullopt;
    return ListedClip(static_cast<int>(SendMessageA(list1, LB_GETITEMDATA, static_cast<WPARAM>(line), 0)));
}

TfrmText::Selection TfrmText::SelectedClip()
{
    if (std::optional<ClipKey> held = TakeHeldChoice())
        return {-1, WhereNow(held)};
    int line = static_cast<int>(SendMessageA(list1, LB_GETCURSEL, 0, 0));
    if (line == LB_ERR) {
        ui::ShowNote("Please select an item on list first.", "Nothing to do");
        return {};
    }
    // The line names the clip the user saw; the catalogue may have moved
    // on since the list was made.
    const int index = WhereNow(SelectedLineClip());
    return {index > 0 ? line : -1, index};
}

LRESULT CALLBACK TfrmText::ListPresses(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) noexcept
{
    auto* form = reinterpret_cast<TfrmText*>(self);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        form->PressSeen();
        // The line aimed at has moved: the second press is a press of its
        // own, on whatever line is under it now.
        if (msg == WM_LBUTTONDBLCLK && form->DoubleClickStraddlesRelist())
            msg = WM_LBUTTONDOWN;
    } else if (msg == WM_NCDESTROY) {
        ui::system::RemoveWindowSubclass(list, ListPresses, 0);
    }
    return ui::system::DefSubclassProc(list, msg, wParam, lParam);
}

std::string TfrmText::ContentPath(int index) const
{
    const std::string& folder = SavedMode ? store::StashDir : store::TempDir;
    const store::TextClipEntry& entry =
        (SavedMode ? store::SavedTextCatalogue : store::RecentTextCatalogue).Entries[index];
    std::string path = store::ContentFilePath(folder, entry);
    // A name that is not a bare file name is never opened: it counts as missing.
    if (path.empty())
        throw ui::AppError(ui::Format("Cannot open file %s", folder + entry.FileName.Text()));
    return path;
}

void TfrmText::butCopyClick()
{
    auto [line, k] = SelectedClip();
    if (k == 0)
        return;
    SuppressCapture quiet;
    monitor::MemoPassage passage(Form1->Memo1, NormaliseLineBreaks(ReadWholeFile(ContentPath(k))));
    PutClipboardText(Handle(), passage.Text(), quiet);
    labStatus.SetText(kStatusSent);
    labStatus.RepaintNow();
}

void TfrmText::list1_dbl()
{
    butCopyClick();
}

void TfrmText::butDelClick()
{
    auto [line, k] = SelectedClip();
    if (k == 0)
        return;
    if (line >= 0)
        SendMessageA(list1, LB_DELETESTRING, static_cast<WPARAM>(line), 0);
    if (SavedMode)
        store::RemoveSavedText(k);
    else
        store::RemoveRecentText(k);
    // Later entries moved down one slot: every line needs its new index
    // (a showing browser has it already from the store's announcement).
    RelistIfOutdated();
}

void TfrmText::butSaveClick()
{
    // Stashing is offered in the recent view only; a saved view's index is
    // not a recent clip's.
    if (SavedMode)
        return;
    auto [line, k] = SelectedClip();
    if (k == 0)
        return;
    store::StashText(k);
    labStatus.SetText(kStatusStashed);
}

void TfrmText::list1_mousemove()
{
    if (labStatus.Text() != kStatusIdle)
        labStatus.SetText(kStatusIdle);
}

void TfrmText::mnuShowButClick()
{
    bool on = !popMain.Checked(mnuShowBut);
    popMain.SetChecked(mnuShowBut, on);
    panR.SetVisible(on);
    LayoutControls();
}

void TfrmText::Command(UINT id, UINT code, HWND control)
{
    if (control == list1) {
        if (code == LBN_DBLCLK)
            list1_dbl();
        return;
    }
    switch (id) {
    case mnuCopy:
        butCopyClick();
        break;
    case mnuDel:
        butDelClick();
        break;
    case mnuSave:
        butSaveClick();
        break;
    case mnuShowBut:
        mnuShowButClick();
        break;
    }
}

LRESULT TfrmText::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == list1) {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (lParam == -1) {  // from the keyboard: below the selected line, else at the list's corner
                at = {0, 0};
                RECT line{};
                const LRESULT selected = SendMessageA(list1, LB_GETCURSEL, 0, 0);
                if (selected != LB_ERR &&
                    SendMessageA(list1, LB_GETITEMRECT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&line)) != LB_ERR)
                    at = {line.left, line.bottom};
                ClientToScreen(list1, &at);
            }
            // A capture while the menu is open refills the list: the choice
            // is the line selected now.
            const std::optional<ClipKey> chosen = SelectedLineClip();
            const UINT command = popMain.Track(Handle(), at.x, at.y, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
            HoldChoice(chosen);
            Command(command, 0, nullptr);
            HoldChoice(std::nullopt);
            return 0;
        }
        break;
    case WM_VKEYTOITEM:
        if (reinterpret_cast<HWND>(lParam) == list1) {
            // Enter and Delete act as their menu items do. Posted, so that a
            // failure ends that command rather than this notice, whose
            // answer moves the list's caret.
            switch (LOWORD(wParam)) {
            case VK_RETURN:
                HoldChoice(SelectedLineClip());
                PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(mnuCopy, 0), 0);
                return -2;
            case VK_DELETE:
                HoldChoice(SelectedLineClip());
                PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(mnuDel, 0), 0);
                return -2;
            }
            return FormKeyDown(LOWORD(wParam)) ? -2 : -1;
        }
        break;
    case WM_SETFOCUS:
        SetFocus(list1);
        return 0;
    }
    return ClipBrowser::HandleMessage(msg, wParam, lParam);
}
