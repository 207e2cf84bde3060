// The bitmap browser's strip: one row of thumbnail cells, the newest clip at the
// left, drawn into a memory picture; and the box that scrolls it sideways.
#pragma once

#include "ui/Handles.h"
#include "ui/Window.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace browsers {

inline constexpr int kCellPitch = 66;     // cells are this far apart, frames included
inline constexpr int kFrameHeight = 80;   // a cell frame runs from y = 0 to y = 80
inline constexpr int kStripHeight = 105;
inline constexpr int kThumbSize = 60;
inline constexpr int kThumbLeft = 3, kThumbTop = 16;      // within a cell
inline constexpr int kCaptionLeft = 4, kCaptionTop = 3;   // within a cell

inline constexpr COLORREF kStripSilver = RGB(192, 192, 192);
inline constexpr COLORREF kFrameLight = RGB(255, 255, 255);
inline constexpr COLORREF kFrameDark = RGB(128, 128, 128);
inline constexpr COLORREF kSelectionRed = RGB(255, 0, 0);

constexpr int StripWidth(int cellCount) noexcept { return cellCount * kCellPitch + 2; }
constexpr int CellLeft(int cell) noexcept { return (cell - 1) * kCellPitch; }

// The cell under strip column x, counted from 1. The strip's last two columns
// lie right of the last cell and give CellCount + 1.
constexpr int CellAt(int x) noexcept { return (x < 0 ? 0 : x) / kCellPitch + 1; }

// The catalogue entry shown in a cell: the newest (entry cellCount) at the
// left. 0 for a cell that shows no entry.
constexpr int EntryOfCell(int cell, int cellCount) noexcept
{
    return cell >= 1 && cell <= cellCount ? cellCount - cell + 1 : 0;
}

// The cell a key moves the selection to: Left and Right one step, Home and
// End to the ends, never past them; with none selected, Left, Right and Home
// go to the first cell. 0 on an empty strip or for any other key.
constexpr int CellAfterKey(UINT key, int selected, int cellCount) noexcept
{
    if (cellCount < 1)
        return 0;
    const bool none = selected < 1 || selected > cellCount;
    switch (key) {
    case VK_LEFT: return none || selected == 1 ? 1 : selected - 1;
    case VK_RIGHT: return none ? 1 : (selected < cellCount ? selected + 1 : cellCount);
    case VK_HOME: return 1;
    case VK_END: return cellCount;
    default: return 0;
    }
}

// The scroll position that shows columns [left, right) through a page of
// `page` columns, moving as little as it can from `position`; a span wider
// than the page shows its left part.
constexpr int ScrollToShow(int position, int page, int left, int right) noexcept
{
    if (left < position || right - left > page)
        return left;
    if (right > position + page)
        return right - page;
    return position;
}

// "640x480": width first, decimal, no padding.
std::string SizeCaption(std::uint16_t width, std::uint16_t height);

// A capture time as the user's settings write a short date and a time; ""
// for a value that is no time (a catalogue file may hold anything).
std::string CaptureTimeText(double captured);

// A 32-bit top-down DIB section; its pixels are reachable through Bits().
// Exact colours whatever the display's depth.
ui::Bitmap CreatePicture(int width, int height);
std::uint32_t* PictureBits(HBITMAP picture) noexcept;

// A 60 x 60 white picture.
ui::Bitmap CreateThumbnail();
void ClearThumbnail(HBITMAP thumbnail);

// What a cell shows.
struct CellContent {
    HBITMAP thumbnail;       // 60 x 60; drawn unscaled
    std::uint16_t width;     // the clip's size, for the caption
    std::uint16_t height;
};

// Fills the whole picture silver and draws cell i (1-based, left to right)
// from cells[i - 1], framed white and grey and captioned with its size.
void DrawCells(HDC dc, int pictureWidth, std::span<const CellContent> cells);

// The selection frame of a cell, one pixel inside its frame: red when on,
// silver (erased) when off.
void DrawSelectionFrame(HDC dc, int cell, bool on);

// Where a cell's focus rectangle goes: just inside its selection frame,
// clear of the caption and the thumbnail.
constexpr RECT FocusFrame(int cell) noexcept
{
    return {CellLeft(cell) + 2, 2, CellLeft(cell) + kCellPitch - 1, kFrameHeight - 1};
}

// A box that scrolls its one child sideways. The child's width is the range;
// there is never a vertical scroll bar.
class HScrollBox : public ui::Window {
public:
    void Create(HWND parent, int x, int y, int width, int height);
    void SetBounds(int x, int y, int width, int height);
    void SetContent(HWND child);
    // The child's width has changed.
    void ContentResized();
    int Position() const noexcept { return position_; }
    void ScrollTo(int position);
    // Scrolls as little as needed to show the content's columns [left, right).
    void ScrollIntoView(int left, int right);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int ContentWidth() const;
    int PageWidth() const;
    void UpdateRange();
    void Scroll(int code);

    HWND content_ = nullptr;
    int position_ = 0;
};

// The strip itself: shows its picture unscaled and reports presses of any
// button with their position in strip pixels, and left double-clicks. It
// holds its window's keyboard focus and hands the keys on to the window.
// While it has the focus, a focus rectangle marks the selected cell, unless
// the system hides focus cues until the keyboard is used; screen readers
// hear of the focus and the selection as they move, and of a new strip.
class StripImage : public ui::Window {
public:
    enum class Button { Left, Right, Middle };
    std::function<void(Button, int x, int y)> OnMouseDown;
    std::function<void()> OnDblClick;

    void Create(HWND parent, int width, int height);
    // A new strip: no cell on it is selected.
    void SetPicture(ui::Bitmap picture);
    HBITMAP Picture() const noexcept { return picture_.get(); }
    void SetWidth(int width);
    // Repaints part of the picture after drawing into it.
    void Changed(const RECT& area);
    // The cell the selection frame marks now; 0 for none.
    void SetSelectedCell(int cell);
    int SelectedCell() const noexcept { return selected_; }
    bool Focused() const noexcept { return Handle() && GetFocus() == Handle(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    void RepaintFocus(int cell);
    void HideFocusCues(bool hide);

    ui::Bitmap picture_;
    int selected_ = 0;
    // The window's UI state as the system last told it: kept here too, as
    // Wine keeps none.
    bool hideFocus_ = false;
};

} // namespace browsers
