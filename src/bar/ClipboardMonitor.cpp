#include "bar/ClipboardMonitor.h"

#include "bar/TextEncoding.h"
#include "store/Catalogues.h"
#include "store/DateTime.h"
#include "store/StoreFiles.h"
#include "ui/Clipboard.h"
#include "ui/Errors.h"
#include "ui/Files.h"
#include "ui/Handles.h"
#include "ui/Picture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

bool CaptureSuppressed = false;

namespace {

// The sequence number of the clipboard change dealt with last: captured, or
// made while capture was suppressed.
DWORD handledChange = 0;

// Four hex digits: 65,536 names per extension.
constexpr int kNameCount = 0x10000;

std::string CreateFileError(const std::string& path)
{
    return ui::Format("Cannot create file %s", path);
}

std::string BareName(const std::string& path)
{
    return path.substr(path.find_last_of("\\/:") + 1);
}

std::string WriteFileError(const std::string& path)
{
    return ui::Format("Cannot write file %s", path);
}

// The whole of bytes, not yet flushed: the file stays open for its landing.
ui::FileHandle WriteContentFile(const std::string& path, std::string_view bytes)
{
    ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw ui::AppError(CreateFileError(path));
    // WriteFile takes a 32-bit count.
    constexpr std::size_t kChunk = 1u << 30;
    bool whole = true;
    for (std::size_t done = 0; whole && done < bytes.size();) {
        DWORD part = static_cast<DWORD>(std::min(kChunk, bytes.size() - done));
        DWORD written = 0;
        whole = WriteFile(file.get(), bytes.data() + done, part, &written, nullptr) && written == part;
        done += part;
    }
    if (!whole) {
        file.reset();
        DeleteFileA(path.c_str());
        throw ui::AppError(WriteFileError(path));
    }
    return file;
}

UINT PrivacyFormat(const char* name)
{
    return RegisterClipboardFormatA(name);
}

// When the capture under way began.
std::chrono::steady_clock::time_point captureBegan;

// A viewer ahead of us that passes a notice on waits for our answer: between
// the steps of a capture that has run a while, messages sent to us are
// answered. A short one answers when it is done, sparing a round trip to
// Wine's server at each step.
void AnswerSenders() noexcept
{
    constexpr auto kShortCapture = std::chrono::milliseconds(2);
    if (std::chrono::steady_clock::now() - captureBegan < kShortCapture)
        return;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

} // namespace

void ResumeCapture() noexcept
{
    ResumeCaptureAfter(GetClipboardSequenceNumber());
}

void ResumeCaptureAfter(DWORD lastDealtWith) noexcept
{
    handledChange = lastDealtWith;
    CaptureSuppressed = false;
}

void SuppressCapture::Written() noexcept
{
    written_ = GetClipboardSequenceNumber();
    writer_ = GetClipboardOwner();
    done_ = true;
}

SuppressCapture::~SuppressCapture()
{
    if (!done_) {
        CaptureSuppressed = false;
        return;
    }
    // Closing may step the number again: Wine adds the formats it makes from
    // ours then. Those steps are ours while our window still owns the
    // clipboard, since another program's write empties it first and takes it
    // over. The number is read before the owner, so a write that lands
    // between the two is never taken for ours.
    const DWORD now = GetClipboardSequenceNumber();
    ResumeCaptureAfter(now == written_ || (writer_ && GetClipboardOwner() == writer_) ? now : written_);
}

std::string MakeClipFileName(std::string_view ext)
{
    // A stash copies a clip into StashDir under its own name: a name taken
    // there is not free either, or stashing the new clip would overwrite an
    // older saved clip's file.
    return monitor::ClipFileName(store::TempDir, ext, monitor::SecondsPastHour(store::Now()),
                                 [](const std::string& path) {
                                     return store::FileExists(path) ||
                                            (!store::StashDir.empty() &&
                                             store::FileExists(store::StashDir + BareName(path)));
                                 });
}

namespace monitor {

std::string ClipFileName(const std::string& folder, std::string_view ext, int secondsPastHour,
                         const std::function<bool(const std::string&)>& taken)
{
    std::string suffix(ext);
    if (!suffix.starts_with('.'))
        suffix.insert(suffix.begin(), '.');
    auto candidate = [&](int n) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(n));
        return folder + "clip" + digits + suffix;
    };
    const int first = ((secondsPastHour % kNameCount) + kNameCount) % kNameCount;
    for (int step = 0; step < kNameCount; ++step) {
        std::string path = candidate((first + step) % kNameCount);
        if (!taken(path))
            return path;
    }
    throw ui::AppError(CreateFileError(candidate(first)));
}

int SecondsPastHour(double dateTime) noexcept
{
    // The fraction is the time of day on either side of the epoch. Whole
    // milliseconds first: a time such as 14:05:30 is not exact in binary.
    const double days = std::fabs(dateTime);
    const double dayFraction = days - std::floor(days);
    const auto ms = static_cast<std::int64_t>(std::llround(dayFraction * 86400000.0));
    return static_cast<int>((ms / 1000) % 3600);
}

std::string TextOfBlock(const char* data, std::size_t size, std::string storage)
{
    storage.clear();
    if (!data)
        return storage;
    const void* nul = std::memchr(data, 0, size);
    storage.assign(data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size);
    return storage;
}

bool UnicodeTextIsPlaced(std::span<const UINT> formats)
{
    bool text = false, oemText = false;
    for (UINT format : formats) {
        if (format == CF_UNICODETEXT)
            return !(text && oemText);
        text = text || format == CF_TEXT;
        oemText = oemText || format == CF_OEMTEXT;
    }
    return false;
}

bool ListsMadeFormats(std::span<const UINT> formats)
{
    const auto listed = [&](UINT format) { return std::ranges::find(formats, format) != formats.end(); };
    const bool text = listed(CF_UNICODETEXT) || listed(CF_OEMTEXT);
    const bool dib = listed(CF_DIB) || listed(CF_DIBV5);
    return (!text || listed(CF_TEXT)) && (!dib || listed(CF_BITMAP));
}

std::vector<UINT> ClipboardFormats()
{
    // One request for the whole list, where each format asked for by number
    // is a request of its own (a round trip to Wine's server). Taken where it
    // holds the formats the system makes from others, as Wine's does, in
    // the order EnumClipboardFormats gives.
    constexpr UINT kAtOnce = 64;
    std::vector<UINT> formats(kAtOnce);
    UINT count = 0;
    if (GetUpdatedClipboardFormats(formats.data(), kAtOnce, &count) && count <= kAtOnce) {
        formats.resize(count);
        if (ListsMadeFormats(formats))
            return formats;
    }
    formats.clear();
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

bool ClipboardIsPrivate(std::span<const UINT> formats)
{
    static const UINT exclude = PrivacyFormat("ExcludeClipboardContentFromMonitorProcessing");
    static const UINT ignore = PrivacyFormat("Clipboard Viewer Ignore");
    static const UINT history = PrivacyFormat("CanIncludeInClipboardHistory");
    const auto listed = [&](UINT format) { return format && std::ranges::find(formats, format) != formats.end(); };
    if (listed(exclude) || listed(ignore))
        return true;
    if (!listed(history))
        return false;
    // "Keep out of the history" is this format holding the DWORD 0.
    HANDLE data = GetClipboardData(history);
    ui::GlobalLockGuard lock(data);
    DWORD allowed = 1;
    if (!lock.get() || GlobalSize(data) < sizeof allowed)
        return false;
    std::memcpy(&allowed, lock.get(), sizeof allowed);
    return allowed == 0;
}

bool ClipboardOffersPicture(std::span<const UINT> formats)
{
    return std::ranges::any_of(formats, [](UINT format) {
        return format == CF_BITMAP || format == CF_ENHMETAFILE || format == CF_METAFILEPICT;
    });
}

ClipboardText ReadClipboardText(std::span<const UINT> formats, std::string storage)
{
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return {};
    std::string ansi;
    {
        ui::GlobalLockGuard lock(data);
        // The block's size bounds the text: a writer may have left out the NUL.
        ansi = TextOfBlock(static_cast<const char*>(lock.get()), GlobalSize(data), std::move(storage));
    }
    HANDLE wide = UnicodeTextIsPlaced(formats) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    ui::GlobalLockGuard wideLock(wide);
    std::optional<std::wstring_view> unicode;
    if (wideLock.get())
        unicode = encoding::WideTextOfBlock(wideLock.get(), GlobalSize(wide));
    encoding::TextFile file = encoding::TextFileContent(GetACP(), std::move(ansi), unicode, store::PreviewCapacity);
    ClipboardText text;
    text.content = std::move(file.content);
    text.previewText = std::move(file.preview);
    return text;
}

void CaptureText(ClipboardText text, Memo& memo)
{
    MemoPassage passage(memo, std::move(text.content));
    const std::string path = MakeClipFileName("txt");
    ui::FileHandle file = WriteContentFile(path, passage.Text());
    AnswerSenders();
    store::AddTextClip(text.previewText, BareName(path), [&] {
        if (!ui::FlushToDisk(file.get())) {
            file.reset();
            DeleteFileA(path.c_str());
            throw store::ContentNotKept(WriteFileError(path));
        }
    });
}

// True when the writer put a DIB before any bitmap, and it was read.
bool ReadClipboardDib(std::span<const UINT> formats, ui::Picture& image)
{
    const auto dib = std::ranges::find(formats, CF_DIB);
    if (dib == formats.end() || std::ranges::find(formats.begin(), dib, CF_BITMAP) != dib)
        return false;
    HANDLE data = GetClipboardData(CF_DIB);
    ui::GlobalLockGuard lock(data);
    if (!lock.get())
        return false;
    image.AssignFromClipboardDib({static_cast<const std::uint8_t*>(lock.get()), GlobalSize(data)});
    return true;
}

void ReadClipboardBitmap(std::span<const UINT> formats, ui::Picture& image)
{
    // The writer's own rendering first: a DIB is memory and arrives as written,
    // where Wine hands a bitmap between 32- and 64-bit programs damaged.
    if (ReadClipboardDib(formats, image))
        return;
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmap) {
        // A bitmap offered and then not handed over (its writer promised one
        // and never made it, or the memory for it is lacking) is no format
        // of the wrong kind.
        const bool offered = std::ranges::find(formats, CF_BITMAP) != formats.end();
        throw ui::AppError(offered ? "Cannot read the clipboard bitmap" : "Unsupported clipboard format");
    }
    auto palette =
        static_cast<HPALETTE>(IsClipboardFormatAvailable(CF_PALETTE) ? GetClipboardData(CF_PALETTE) : nullptr);
    image.AssignFromClipboardBitmap(bitmap, palette);
}

void CaptureBitmap(ui::Picture& image)
{
    image.TrimOddWidth();
    const std::string path = MakeClipFileName("bmp");
    image.SaveToFile(path);
    AnswerSenders();
    store::AddBitmapClip(BareName(path));
}

bool TakeChange(DWORD sequence) noexcept
{
    return std::exchange(handledChange, sequence) != sequence;
}

bool CaptureDue(bool monitorOn) noexcept
{
    return CaptureDue(monitorOn, GetClipboardSequenceNumber());
}

bool CaptureDue(bool monitorOn, DWORD sequence) noexcept
{
    return !CaptureSuppressed && monitorOn && sequence != handledChange;
}

bool ClipboardChanged(HWND owner, bool monitorOn, Memo& memo, ui::Picture& image, std::optional<DWORD> sequence)
{
    // A change dealt with already (our own copy back, a notice heard twice)
    // does not even open the clipboard: others may want it just then.
    if (!(sequence ? CaptureDue(monitorOn, *sequence) : CaptureDue(monitorOn)))
        return true;
    captureBegan = std::chrono::steady_clock::now();
    std::optional<ClipboardText> text;
    bool picture = false;
    {
        ui::ClipboardGuard clipboard(owner, std::nothrow);
        if (!clipboard.Opened())
            return false;
        // Read while the clipboard is ours: nobody can change it under us.
        if (!TakeChange(GetClipboardSequenceNumber()))
            return true;
        const std::vector<UINT> formats = ClipboardFormats();
        if (ClipboardIsPrivate(formats))
            return true;
        if (std::ranges::find(formats, CF_TEXT) != formats.end()) {
            text = ReadClipboardText(formats, memo.TakeStorage());
        } else if (ClipboardOffersPicture(formats)) {
            ReadClipboardBitmap(formats, image);
            picture = true;
        }
    }
    AnswerSenders();
    if (text)
        CaptureText(std::move(*text), memo);
    else if (picture)
        CaptureBitmap(image);
    return true;
}

} // namespace monitor
