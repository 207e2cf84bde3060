// The clipboard monitor: what the bar does with a clipboard change once it has
// passed the notification on, and the naming of content files.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace ui {
class Picture;
}

// While set, clipboard changes are passed on but not captured. Written by the
// bar's set-up, the monitor switch and the browsers' copy-back; read only by
// the bar's WM_DRAWCLIPBOARD handler.
extern bool CaptureSuppressed;

// Holds CaptureSuppressed for a browser's copy-back, and clears it however the
// copy ends. The monitor hears of the browser's own clipboard write inside
// CloseClipboard, so the guard must outlive the clipboard's.
class SuppressCapture {
public:
    SuppressCapture() noexcept { CaptureSuppressed = true; }
    ~SuppressCapture() { CaptureSuppressed = false; }
    SuppressCapture(const SuppressCapture&) = delete;
    SuppressCapture& operator=(const SuppressCapture&) = delete;
};

// The full path of a content file in TempDir whose name is free in both
// TempDir and StashDir: "clip" + four upper-case hex digits counting from the
// seconds past the hour + ext (with or without its dot). Creates nothing.
// Throws ui::AppError "Cannot create file %s" when every name is taken.
std::string MakeClipFileName(std::string_view ext);

namespace monitor {

// The steps of MakeClipFileName without the clock and the disk: the first name
// not taken, counting up from secondsPastHour and wrapping past FFFF so that a
// name never outgrows the catalogue's 12-character field.
std::string ClipFileName(const std::string& folder, std::string_view ext, int secondsPastHour,
                         const std::function<bool(const std::string&)>& taken);

// Minutes * 60 + seconds of a date-time (days since 1899-12-30).
int SecondsPastHour(double dateTime) noexcept;

// Text on its way through the bar's hidden edit control `memo`, on capture and
// on copy-back alike; the control is emptied again when the passage ends. The
// bytes used are the caller's own: the control's round trip through the ANSI
// code page would lose a stray lead byte on a double-byte code page.
class MemoPassage {
public:
    MemoPassage(HWND memo, const std::string& text) noexcept;
    ~MemoPassage();
    MemoPassage(const MemoPassage&) = delete;
    MemoPassage& operator=(const MemoPassage&) = delete;

private:
    HWND memo_;
};

// The text of a CF_TEXT block: up to its first NUL, never past its end.
std::string TextOfBlock(const char* data, std::size_t size);

// Whether the clipboard's owner marked its content as not for monitors
// (password managers do): such a change is passed on but never captured.
bool ClipboardIsPrivate(HWND owner);

// Whether the clipboard offers a bitmap or a metafile.
bool ClipboardOffersPicture(HWND owner);

// The clipboard's CF_TEXT, empty when it yields no data.
std::string ReadClipboardText(HWND owner);

// Text: a content file holding the clipboard's bytes and a recent text entry.
void CaptureText(HWND owner, HWND memo);
// Bitmap: a BMP content file and a recent bitmap entry.
void CaptureBitmap(HWND owner, ui::Picture& image);

// A clipboard change, after the notification has been passed on: captures
// text, else a picture, unless capture is suppressed, the monitor is off or
// the content is private. Errors are thrown as ui::AppError.
void ClipboardChanged(HWND owner, bool monitorOn, HWND memo, ui::Picture& image);

} // namespace monitor
