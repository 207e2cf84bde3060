#include "browsers/ThumbnailStrip.h"

#include "store/DateTime.h"
#include "ui/Controls.h"
#include "ui/Errors.h"

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace browsers {

std::string SizeCaption(std::uint16_t width, std::uint16_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string CaptureTimeText(double captured)
{
    const std::optional<SYSTEMTIME> at = store::SystemTimeFromDateTime(captured);
    char date[80] = "", time[80] = "";
    if (!at || !GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &*at, nullptr, date, sizeof date) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &*at, nullptr, time, sizeof time))
        return {};
    return std::string(date) + " " + time;
}

ui::Bitmap CreatePicture(int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down: row 0 first in memory
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ui::Bitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bmp)
        throw ui::AppError("Out of system resources");
    return bmp;
}

std::uint32_t* PictureBits(HBITMAP picture) noexcept
{
    DIBSECTION ds{};
    if (GetObjectA(picture, sizeof ds, &ds) != sizeof ds)
        return nullptr;
    // GDI may still be drawing into it.
    GdiFlush();
    return static_cast<std::uint32_t*>(ds.dsBm.bmBits);
}

ui::Bitmap CreateThumbnail()
{
    ui::Bitmap thumb = CreatePicture(kThumbSize, kThumbSize);
    ClearThumbnail(thumb.get());
    return thumb;
}

void ClearThumbnail(HBITMAP thumbnail)
{
    if (std::uint32_t* bits = PictureBits(thumbnail))
        std::fill_n(bits, kThumbSize * kThumbSize, 0x00FFFFFFu);
}

namespace {

ui::Font CaptionFont(HDC dc)
{
    // Arial 8 pt at the device's resolution.
    int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    return ui::Font(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
}

} // namespace

void DrawCells(HDC dc, int pictureWidth, std::span<const CellContent> cells)
{
    ui::Brush silver(CreateSolidBrush(kStripSilver));
    RECT all{0, 0, pictureWidth, kStripHeight};
    FillRect(dc, &all, silver.get());

    ui::Pen light(CreatePen(PS_SOLID, 1, kFrameLight));
    ui::Pen dark(CreatePen(PS_SOLID, 1, kFrameDark));
    ui::Font font = CaptionFont(dc);
    ui::SelectGuard fontSel(dc, font.get());
    ui::SelectGuard penSel(dc, light.get());
    ui::MemoryDc thumbDc(CreateCompatibleDC(dc));
    // Captions sit on an opaque silver ground, like text drawn with the fill brush.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kStripSilver);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));

    for (int i = 1; i <= static_cast<int>(cells.size()); ++i) {
        const CellContent& cell = cells[static_cast<std::size_t>(i - 1)];
        const int x = CellLeft(i), y = 0;
        // A line covers its start point and not its end point. Each cell's
        // white left edge covers its left neighbour's grey right edge; only
        // the last cell keeps its grey right edge.
        SelectObject(dc, light.get());
        MoveToEx(dc, x, y + kFrameHeight, nullptr);
        LineTo(dc, x, y);
        LineTo(dc, x + kCellPitch, y);
        SelectObject(dc, dark.get());
        LineTo(dc, x + kCellPitch, y + kFrameHeight);
        LineTo(dc, x, y + kFrameHeight);

        std::string caption = SizeCaption(cell.width, cell.height);
        TextOutA(dc, x + kCaptionLeft, y + kCaptionTop, caption.c_str(), static_cast<int>(caption.size()));

        if (cell.thumbnail) {
            ui::SelectGuard thumbSel(thumbDc.get(), cell.thumbnail);
            BitBlt(dc, x + kThumbLeft, y + kThumbTop, kThumbSize, kThumbSize, thumbDc.get(), 0, 0, SRCCOPY);
        }
    }
}

void DrawSelectionFrame(HDC dc, int cell, bool on)
{
    ui::Pen pen(CreatePen(PS_SOLID, 1, on ? kSelectionRed : kStripSilver));
    ui::SelectGuard sel(dc, pen.get());
    const int x0 = CellLeft(cell);
    MoveToEx(dc, x0 + 1, 1, nullptr);
    LineTo(dc, x0 + 65, 1);
    LineTo(dc, x0 + 65, 79);
    LineTo(dc, x0 + 1, 79);
    LineTo(dc, x0 + 1, 1);
}

// ---- HScrollBox ----

namespace {

constexpr int kLineStep = 8;

} // namespace

void HScrollBox::Create(HWND parent, int x, int y, int width, int height)
{
    ui::WindowPlacement where = ui::ChildAt(parent, x, y, width, height, WS_HSCROLL | WS_CLIPCHILDREN);
    where.exStyle = WS_EX_CLIENTEDGE;
    CreateHandle(ui::WindowClass{"TidemarkScrollBox", CS_DBLCLKS, GetSysColorBrush(COLOR_BTNFACE)}, where);
    UpdateRange();
}

void HScrollBox::SetBounds(int x, int y, int width, int height)
{
    SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void HScrollBox::SetContent(HWND child)
{
    content_ = child;
    position_ = 0;
    ContentResized();
}

int HScrollBox::ContentWidth() const
{
    if (!content_)
        return 0;
    RECT r;
    GetWindowRect(content_, &r);
    return r.right - r.left;
}

int HScrollBox::PageWidth() const
{
    RECT r;
    GetClientRect(Handle(), &r);
    return r.right;
}

void HScrollBox::ContentResized()
{
    UpdateRange();
}

void HScrollBox::UpdateRange()
{
    const int content = ContentWidth();
    // The bar shows only while the content is wider than the box; showing or
    // hiding it changes the client height, not the width, so one pass will do.
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, std::max(content - 1, 0),
                  static_cast<UINT>(std::max(PageWidth(), 0)), 0, 0};
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    ScrollTo(position_);
}

void HScrollBox::ScrollTo(int position)
{
    const int limit = std::max(ContentWidth() - PageWidth(), 0);
    position_ = std::clamp(position, 0, limit);
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, position_, 0};
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    if (content_)
        SetWindowPos(content_, nullptr, -position_, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void HScrollBox::ScrollIntoView(int left, int right)
{
    ScrollTo(ScrollToShow(position_, PageWidth(), left, right));
}

void HScrollBox::Scroll(int code)
{
    const int page = std::max(PageWidth() * 9 / 10, 1);
    switch (code) {
    case SB_LINELEFT: ScrollTo(position_ - kLineStep); break;
    case SB_LINERIGHT: ScrollTo(position_ + kLineStep); break;
    case SB_PAGELEFT: ScrollTo(position_ - page); break;
    case SB_PAGERIGHT: ScrollTo(position_ + page); break;
    case SB_LEFT: ScrollTo(0); break;
    case SB_RIGHT: ScrollTo(ContentWidth()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's 16-bit position would wrap on wide content.
        SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(Handle(), SB_HORZ, &si);
        ScrollTo(si.nTrackPos);
        break;
    }
    default: break;
    }
}

LRESULT HScrollBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SIZE:
        UpdateRange();
        return 0;
    case WM_HSCROLL:
        Scroll(LOWORD(wParam));
        return 0;
    case WM_MOUSEHWHEEL:
        ScrollTo(position_ + GET_WHEEL_DELTA_WPARAM(wParam) * kLineStep / WHEEL_DELTA * 3);
        return 0;
    case WM_MOUSEWHEEL:
        // No vertical scrolling here: the wheel moves along the strip.
        ScrollTo(position_ - GET_WHEEL_DELTA_WPARAM(wParam) * kLineStep / WHEEL_DELTA * 3);
        return 0;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

// ---- StripImage ----

void StripImage::Create(HWND parent, int width, int height)
{
    CreateHandle(ui::WindowClass{"TidemarkStripImage", CS_DBLCLKS}, ui::ChildAt(parent, 0, 0, width, height));
    hideFocus_ = (SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

void StripImage::SetPicture(ui::Bitmap picture)
{
    picture_ = std::move(picture);
    selected_ = 0;
    InvalidateRect(Handle(), nullptr, TRUE);
    Announce(EVENT_OBJECT_REORDER);
    // The item that had the focus is gone with the old strip.
    if (Focused())
        Announce(EVENT_OBJECT_FOCUS);
}

void StripImage::SetSelectedCell(int cell)
{
    if (cell == selected_)
        return;
    const int before = std::exchange(selected_, cell);
    RepaintFocus(before);
    RepaintFocus(cell);
    if (Focused())
        Announce(EVENT_OBJECT_FOCUS, cell);
    if (cell > 0)
        Announce(EVENT_OBJECT_SELECTION, cell);
    else
        Announce(EVENT_OBJECT_SELECTIONREMOVE, before);
}

void StripImage::RepaintFocus(int cell)
{
    if (cell < 1)
        return;
    const RECT area = FocusFrame(cell);
    InvalidateRect(Handle(), &area, FALSE);
}

void StripImage::HideFocusCues(bool hide)
{
    if (hide != hideFocus_) {
        hideFocus_ = hide;
        RepaintFocus(selected_);
    }
}

void StripImage::Paint(HDC dc)
{
    RECT r;
    GetClientRect(Handle(), &r);
    if (picture_) {
        BITMAP info{};
        GetObjectA(picture_.get(), sizeof info, &info);
        ui::MemoryDc mem(CreateCompatibleDC(dc));
        ui::SelectGuard sel(mem.get(), picture_.get());
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, mem.get(), 0, 0, SRCCOPY);
        // Onto the screen only: the picture keeps what the strip shows.
        if (selected_ > 0 && Focused() && !hideFocus_) {
            const RECT focus = FocusFrame(selected_);
            DrawFocusRect(dc, &focus);
        }
        ExcludeClipRect(dc, 0, 0, info.bmWidth, info.bmHeight);
    }
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
}

void StripImage::SetWidth(int width)
{
    RECT r;
    GetClientRect(Handle(), &r);
    SetWindowPos(Handle(), nullptr, 0, 0, width, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StripImage::Changed(const RECT& area)
{
    InvalidateRect(Handle(), &area, FALSE);
}

LRESULT StripImage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        ui::PaintGuard paint(Handle());
        Paint(paint.dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        RepaintFocus(selected_);
        if (msg == WM_SETFOCUS)
            Announce(EVENT_OBJECT_FOCUS, selected_);
        return 0;
    case WM_KEYDOWN:
        // The keyboard is in use: focus cues show from now on, here and,
        // through the system, in the rest of the window.
        HideFocusCues(false);
        SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        SendMessageA(GetAncestor(Handle(), GA_ROOT), WM_KEYDOWN, wParam, lParam);
        return 0;
    case WM_UPDATEUISTATE:
        if ((HIWORD(wParam) & UISF_HIDEFOCUS) && (LOWORD(wParam) == UIS_SET || LOWORD(wParam) == UIS_CLEAR))
            HideFocusCues(LOWORD(wParam) == UIS_SET);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        const Button button = (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK)   ? Button::Left
                              : (msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK) ? Button::Right
                                                                                  : Button::Middle;
        // A double-click's second press is a press too: the cell under it is
        // selected before the double-click acts on the selection.
        if (OnMouseDown)
            OnMouseDown(button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (msg == WM_LBUTTONDBLCLK && OnDblClick)
            OnDblClick();
        return 0;
    }
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

} // namespace browsers
