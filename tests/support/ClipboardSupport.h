// The clipboard as another program uses it: writing text and bitmaps (each
// write notifies the viewer chain when the clipboard closes) and reading back
// what is there.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A hidden window of the test's own to own what it puts on the clipboard.
inline HWND ClipboardOwner()
{
    static HWND owner = CreateWindowExA(0, "STATIC", "test clipboard owner", WS_POPUP, 0, 0, 1, 1, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    return owner;
}

// The clipboard is one lock for the whole session: another program (the one
// under test, copying back) may hold it for a moment.
inline bool OpenClipboardPatiently(HWND owner = ClipboardOwner())
{
    for (int i = 0; i < 100; ++i) {
        if (OpenClipboard(owner))
            return true;
        Sleep(10);
    }
    return false;
}

inline HGLOBAL GlobalBlock(const void* data, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (block && size) {
        std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
    }
    return block;
}

// Hands this thread's clipboard listeners the notices already posted to them,
// and nothing else.
inline void DeliverClipboardNotices()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_CLIPBOARDUPDATE, WM_CLIPBOARDUPDATE, PM_REMOVE))
        DispatchMessageA(&msg);
}

// One write of the clipboard: opened and emptied here, closed (which notifies
// the viewers) when it goes out of scope. A clipboard listener of this thread
// (the program's bar, in tests that build its windows here) has handled the
// notice posted to it by then, unless it is to come later.
class ClipboardWrite {
public:
    enum Notice { NoticeNow, NoticeLater };
    explicit ClipboardWrite(Notice notice = NoticeNow) : notice_(notice)
    {
        OpenClipboardPatiently();
        EmptyClipboard();
    }
    ~ClipboardWrite()
    {
        CloseClipboard();
        if (notice_ == NoticeNow)
            DeliverClipboardNotices();
    }
    ClipboardWrite(const ClipboardWrite&) = delete;
    ClipboardWrite& operator=(const ClipboardWrite&) = delete;

    void Text(const std::string& bytes) { Block(CF_TEXT, bytes.c_str(), bytes.size() + 1); }
    void Unicode(const std::wstring& text) { Block(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }
    void Block(UINT format, const void* data, std::size_t size)
    {
        SetClipboardData(format, GlobalBlock(data, size));
    }
    void Dword(UINT format, DWORD value) { Block(format, &value, sizeof value); }
    // Takes the bitmap.
    void Bitmap(HBITMAP bitmap) { SetClipboardData(CF_BITMAP, bitmap); }
    // A packed DIB of the bitmap at `bitsPerPixel`, colour table included: the
    // rendering paint programs put first.
    void Dib(HBITMAP bitmap, int bitsPerPixel = 32)
    {
        BITMAP bm{};
        GetObjectA(bitmap, sizeof bm, &bm);
        const std::size_t table = bitsPerPixel <= 8 ? std::size_t{4} << bitsPerPixel : 0;
        const std::size_t stride = (static_cast<std::size_t>(bm.bmWidth) * bitsPerPixel + 31) / 32 * 4;
        std::vector<std::uint8_t> dib(sizeof(BITMAPINFOHEADER) + table + stride * bm.bmHeight);
        auto* info = reinterpret_cast<BITMAPINFO*>(dib.data());
        info->bmiHeader = {sizeof(BITMAPINFOHEADER), bm.bmWidth, bm.bmHeight, 1, static_cast<WORD>(bitsPerPixel),
                           BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), dib.data() + sizeof(BITMAPINFOHEADER) + table,
                  info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        Block(CF_DIB, dib.data(), dib.size());
    }

private:
    Notice notice_;
};

// True when the program under test (TIDEMARK_PROGRAM) is not of this test
// program's bitness.
inline bool ProgramOfOtherBitness()
{
    char path[MAX_PATH];
    DWORD type = 0;
    const DWORD n = GetEnvironmentVariableA("TIDEMARK_PROGRAM", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !GetBinaryTypeA(path, &type))
        return false;
    return (type == SCS_64BIT_BINARY) != (sizeof(void*) == 8);
}

inline void CopyText(const std::string& bytes)
{
    ClipboardWrite write;
    write.Text(bytes);
}

// As a Unicode program copies: the system makes the CF_TEXT from it.
inline void CopyUnicodeText(const std::wstring& text)
{
    ClipboardWrite write;
    write.Unicode(text);
}

// Wine 8 hands a lone CF_BITMAP between 32- and 64-bit programs damaged (the
// wine-bitmap-* tests show it): copying to a program of the other bitness,
// the writer puts a DIB first, as paint programs do.
inline void CopyBitmap(HBITMAP bitmap)
{
    ClipboardWrite write;
    if (ProgramOfOtherBitness())
        write.Dib(bitmap);
    write.Bitmap(bitmap);
}

inline void EmptyTheClipboard()
{
    ClipboardWrite write;
}

// Text copied by another program: from a thread of its own, with no window
// to own the clipboard. Returns once the clipboard is closed again.
inline void CopyTextElsewhere(const std::string& text)
{
    std::thread([&] {
        OpenClipboardPatiently(nullptr);
        EmptyClipboard();
        SetClipboardData(CF_TEXT, GlobalBlock(text.c_str(), text.size() + 1));
        CloseClipboard();
    }).join();
}

// Another program holding the clipboard open, from a thread of its own, from
// construction until it is let go.
class ClipboardHeld {
public:
    ClipboardHeld()
        : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), letGo_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = std::thread([this] {
            const bool open = OpenClipboardPatiently(nullptr);
            SetEvent(opened_);
            WaitForSingleObject(letGo_, INFINITE);
            // The program finishes what it does with the clipboard.
            Sleep(afterMs_);
            if (open)
                CloseClipboard();
        });
        WaitForSingleObject(opened_, INFINITE);
    }
    ~ClipboardHeld()
    {
        LetGo();
        thread_.join();
        CloseHandle(opened_);
        CloseHandle(letGo_);
    }
    ClipboardHeld(const ClipboardHeld&) = delete;
    ClipboardHeld& operator=(const ClipboardHeld&) = delete;

    // Closes the clipboard `afterMs` from now, without waiting for it.
    void LetGo(DWORD afterMs = 0)
    {
        if (WaitForSingleObject(letGo_, 0) == WAIT_OBJECT_0)
            return;
        afterMs_ = afterMs;
        SetEvent(letGo_);
    }

private:
    HANDLE opened_, letGo_;
    DWORD afterMs_ = 0;
    std::thread thread_;
};

// A bitmap in the display's format: `left` in column 0, `fill` elsewhere.
inline HBITMAP ColourBitmap(int width, int height, COLORREF fill, COLORREF left)
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SetPixel(dc, 0, 0, left);
    SetPixel(dc, 0, height - 1, left);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// A text format of the clipboard up to its NUL; empty when there is none.
template <class Char>
std::basic_string<Char> ReadClipboardString(UINT format)
{
    std::basic_string<Char> text;
    if (!OpenClipboardPatiently())
        return text;
    if (HANDLE data = GetClipboardData(format)) {
        if (const Char* p = static_cast<const Char*>(GlobalLock(data))) {
            const Char* end = p + GlobalSize(data) / sizeof(Char);
            text.assign(p, std::find(p, end, Char{}));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

inline std::string ReadClipboardText()
{
    return ReadClipboardString<char>(CF_TEXT);
}

inline std::wstring ReadClipboardUnicode()
{
    return ReadClipboardString<wchar_t>(CF_UNICODETEXT);
}

// The clipboard's bitmap as 32-bit pixels, top row first (0x00RRGGBB).
struct ClipboardPixels {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    COLORREF At(int x, int y) const
    {
        const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

inline ClipboardPixels ReadClipboardBitmap()
{
    ClipboardPixels result;
    if (!OpenClipboardPatiently())
        return result;
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        result.width = info.bmWidth;
        result.height = info.bmHeight;
        result.pixels.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof bi.bmiHeader, info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC screen = GetDC(nullptr);
        if (!GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), result.pixels.data(), &bi, DIB_RGB_COLORS))
            result = {};
        ReleaseDC(nullptr, screen);
    }
    CloseClipboard();
    return result;
}

// A hidden window in the clipboard-viewer chain, as another program's viewer:
// it counts the notices it gets and passes them on, as a well-behaved viewer
// does, unless told to keep them. Joined after the program under test, it
// stands before it in the chain.
class CountingViewer {
public:
    explicit CountingViewer(bool join = true)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (join)
            Join();
    }
    ~CountingViewer()
    {
        Leave();
        DestroyWindow(hwnd_);
    }
    CountingViewer(const CountingViewer&) = delete;
    CountingViewer& operator=(const CountingViewer&) = delete;

    static constexpr const char* kClass = "TidemarkTestViewer";

    void Join()
    {
        next_ = SetClipboardViewer(hwnd_);
        joined_ = true;
        draws = 0;  // joining sends one notice
    }
    void Leave()
    {
        if (joined_)
            ChangeClipboardChain(hwnd_, next_);
        joined_ = false;
    }
    // Gone as a killed program's window goes: without leaving the chain.
    void Vanish()
    {
        joined_ = false;
        DestroyWindow(hwnd_);
    }

    HWND Handle() const { return hwnd_; }
    HWND Next() const { return next_; }
    std::atomic<int> draws{0};
    std::atomic<int> chainChanges{0};
    // False: notices are kept, as a faulty viewer keeps them.
    bool passOn = true;
    // How long the viewer after it took over the slowest notice passed on.
    DWORD slowestPassMs = 0;
    // Runs at each notice, before it is passed on.
    std::function<void()> OnDraw;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l)
    {
        auto* self = reinterpret_cast<CountingViewer*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && msg == WM_DRAWCLIPBOARD) {
            ++self->draws;
            if (self->OnDraw)
                self->OnDraw();
            if (self->next_ && self->passOn) {
                // Bounded, as careful viewers do: one that holds the notice
                // shows as slow rather than hanging the test.
                const DWORD start = GetTickCount();
                DWORD_PTR ignored = 0;
                SendMessageTimeoutA(self->next_, msg, w, l, SMTO_NORMAL, 10000, &ignored);
                self->slowestPassMs = std::max(self->slowestPassMs, GetTickCount() - start);
            }
            return 0;
        }
        if (self && msg == WM_CHANGECBCHAIN) {
            ++self->chainChanges;
            if (reinterpret_cast<HWND>(w) == self->next_)
                self->next_ = reinterpret_cast<HWND>(l);
            else if (self->next_)
                SendMessageA(self->next_, msg, w, l);
            return 0;
        }
        return DefWindowProcA(h, msg, w, l);
    }
    HWND hwnd_ = nullptr;
    HWND next_ = nullptr;
    bool joined_ = false;
};

} // namespace testing_support
