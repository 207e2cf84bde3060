// The clipboard monitor: what the bar does with a clipboard change once it has
// passed the notification on, and the naming of content files.
#pragma once

#include "bar/Memo.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class Picture;
}

// While set, clipboard changes are not captured. Written by the bar's set-up,
// the monitor switch and the browsers' copy-back; read only by the capture.
extern bool CaptureSuppressed;

// Clears CaptureSuppressed. The changes made while it was set stay uncaptured,
// however late their notices arrive: the listener's notice is posted, and a
// viewer ahead of us may pass the chain's on whenever it likes.
void ResumeCapture() noexcept;
// Clears CaptureSuppressed with the changes up to the one numbered
// `lastDealtWith` dealt with: a later one is captured once its notice comes.
void ResumeCaptureAfter(DWORD lastDealtWith) noexcept;

// Holds CaptureSuppressed for a browser's copy-back, and clears it however the
// copy ends, once the clipboard is closed again. Only the change the copy's
// own write made counts as dealt with: another program's change that waits
// for its capture, or lands just after ours, is still captured.
class SuppressCapture {
public:
    SuppressCapture() noexcept { CaptureSuppressed = true; }
    ~SuppressCapture();
    SuppressCapture(const SuppressCapture&) = delete;
    SuppressCapture& operator=(const SuppressCapture&) = delete;

    // With the clipboard still open, after the copy's last SetClipboardData:
    // the change is complete and ours. A copy that never gets here marks
    // nothing.
    void Written() noexcept;

private:
    DWORD written_ = 0;
    HWND writer_ = nullptr;
    bool done_ = false;
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

// Text on its way through the bar's hidden text buffer `memo`, on capture and
// on copy-back alike; the buffer is emptied again when the passage ends.
class MemoPassage {
public:
    MemoPassage(Memo& memo, std::string text) noexcept : memo_(memo) { memo_.SetText(std::move(text)); }
    ~MemoPassage() { memo_.Clear(); }
    MemoPassage(const MemoPassage&) = delete;
    MemoPassage& operator=(const MemoPassage&) = delete;
    const std::string& Text() const noexcept { return memo_.Text(); }

private:
    Memo& memo_;
};

// The text of a CF_TEXT block: up to its first NUL, never past its end. It
// goes into storage's memory, which may be kept from an earlier text.
std::string TextOfBlock(const char* data, std::size_t size, std::string storage = {});

// Whether a program put the CF_UNICODETEXT on the clipboard, given the
// clipboard's formats in the order they are listed. The system lists the
// formats it makes after those put there, CF_OEMTEXT among them, so one listed
// after both CF_TEXT and CF_OEMTEXT is the system's, made from the CF_TEXT:
// it holds nothing more, and making it costs as much as reading the text.
bool UnicodeTextIsPlaced(std::span<const UINT> formats);

// Whether a list of formats holds those the system makes from the others:
// CF_TEXT beside any other text, CF_BITMAP beside any DIB.
bool ListsMadeFormats(std::span<const UINT> formats);

// The clipboard's formats in the order it lists them. This, ClipboardIsPrivate,
// ReadClipboardText and ReadClipboardBitmap need the clipboard open.
std::vector<UINT> ClipboardFormats();

// Whether the clipboard's owner marked its content as not for monitors
// (password managers do): such a change is passed on but never captured.
bool ClipboardIsPrivate(std::span<const UINT> formats);

// Whether the clipboard offers a bitmap or a metafile.
bool ClipboardOffersPicture(std::span<const UINT> formats);

// The clipboard's text: what the content file holds for it (see
// encoding::TextFileContent), and the single-byte text of its preview.
// Both are empty when the clipboard yields no text data.
struct ClipboardText {
    std::string content;
    std::string previewText;
};
ClipboardText ReadClipboardText(std::span<const UINT> formats, std::string storage = {});

// The clipboard's bitmap, into `image`: its DIB when the writer put that
// before any bitmap. Throws "Unsupported clipboard format" when it offers a
// picture but no bitmap, "Cannot read the clipboard bitmap" when it offers a
// bitmap it does not hand over.
void ReadClipboardBitmap(std::span<const UINT> formats, ui::Picture& image);

// Text, read from the clipboard: a content file and a recent text entry.
void CaptureText(ClipboardText text, Memo& memo);
// The bitmap read into `image`: a BMP content file and a recent bitmap entry.
void CaptureBitmap(ui::Picture& image);

// Whether the change numbered `sequence` is still to be dealt with; from now
// on it is dealt with. The number is the clipboard's sequence number.
bool TakeChange(DWORD sequence) noexcept;

// Whether a capture would look at the clipboard now: capture is not
// suppressed, the monitor is on, and the current change is not dealt with.
// With a sequence number read just now, the same without reading it again.
bool CaptureDue(bool monitorOn) noexcept;
bool CaptureDue(bool monitorOn, DWORD sequence) noexcept;

// The clipboard changed: captures text, else a picture, unless capture is
// suppressed, the monitor is off, the content is private or this change was
// dealt with already. The clipboard is opened once, for the decision and the
// reading alike, so what is written is what was decided on. False when
// another program holds the clipboard: nothing was done, and the caller tries
// again shortly. Errors are thrown as ui::AppError. A sequence number read
// just now spares reading it again before the clipboard is opened.
bool ClipboardChanged(HWND owner, bool monitorOn, Memo& memo, ui::Picture& image,
                      std::optional<DWORD> sequence = std::nullopt);

} // namespace monitor
