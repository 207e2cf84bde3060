// Wine 8 hands a clipboard bitmap (CF_BITMAP) between a 32-bit and a 64-bit
// program as its BITMAP header and pixels, and BITMAP holds a pointer: 24
// bytes on one side, 32 on the other. A 32-bit reader of a 64-bit writer's
// bitmap gets every row shifted by those 8 bytes; a 64-bit reader of a 32-bit
// writer's bitmap gets none. A packed DIB (CF_DIB) is plain memory and crosses
// intact. Windows shares GDI handles between the two and has neither fault.
//
//   bitmap_across_bitness.exe [WRITER.exe]
//
// reads what WRITER.exe (by default this same program) writes, both formats in
// turn, and exits 0 when each arrives as expected for the pair: intact from a
// writer of its own bitness, and from the other bitness as described above.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 101;
constexpr int kHeight = 50;
constexpr DWORD kDeadlineMs = 30000;
const char* const kDoneEvent = "bitmap-across-bitness-done";

// Red, with a black left column and a white top-right pixel: a shear moves
// the black and the white into view.
COLORREF Expected(int x, int y)
{
    if (x == 0)
        return RGB(0, 0, 0);
    return x == kWidth - 1 && y == 0 ? RGB(255, 255, 255) : RGB(255, 0, 0);
}

HBITMAP MakePicture()
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetPixelV(dc, x, y, Expected(x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// The picture as a packed 32-bit DIB, bottom-up.
HGLOBAL MakeDib(HBITMAP bitmap)
{
    const SIZE_T size = sizeof(BITMAPINFOHEADER) + 4 * kWidth * kHeight;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    auto* info = static_cast<BITMAPINFO*>(GlobalLock(memory));
    info->bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, bitmap, 0, kHeight, reinterpret_cast<BYTE*>(info) + sizeof(BITMAPINFOHEADER), info,
              DIB_RGB_COLORS);
    DeleteDC(dc);
    GlobalUnlock(memory);
    return memory;
}

int Write(const char* format)
{
    HBITMAP bitmap = MakePicture();
    // The reader may be looking at the clipboard just then.
    const DWORD start = GetTickCount();
    while (!OpenClipboard(nullptr)) {
        if (GetTickCount() - start > kDeadlineMs)
            return 2;
        Sleep(20);
    }
    EmptyClipboard();
    if (std::strcmp(format, "dib") == 0) {
        SetClipboardData(CF_DIB, MakeDib(bitmap));
        DeleteObject(bitmap);
    } else {
        SetClipboardData(CF_BITMAP, bitmap);
    }
    CloseClipboard();
    // Stay the clipboard's owner until the reader is done.
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kDoneEvent);
    WaitForSingleObject(done, kDeadlineMs);
    CloseHandle(done);
    return 0;
}

// Pixels top row first, 0x00RRGGBB, as read through CF_BITMAP; empty when the
// clipboard's bitmap cannot be read at all.
std::vector<DWORD> ReadBitmap()
{
    std::vector<DWORD> pixels;
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth != kWidth || bm.bmHeight != kHeight)
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    pixels.resize(kWidth * kHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, kHeight, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (rows != kHeight)
        pixels.clear();
    return pixels;
}

std::vector<DWORD> ReadDib()
{
    std::vector<DWORD> pixels;
    HGLOBAL memory = GetClipboardData(CF_DIB);
    const auto* info = memory ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(memory)) : nullptr;
    if (!info)
        return pixels;
    if (GlobalSize(memory) >= sizeof(BITMAPINFOHEADER) + 4 * kWidth * kHeight && info->biWidth == kWidth &&
        info->biHeight == kHeight && info->biBitCount == 32 && info->biCompression == BI_RGB) {
        const auto* rows = reinterpret_cast<const DWORD*>(info + 1);
        for (int y = kHeight - 1; y >= 0; --y)
            pixels.insert(pixels.end(), rows + y * kWidth, rows + (y + 1) * kWidth);
    }
    GlobalUnlock(memory);
    return pixels;
}

std::vector<DWORD> Picture(int shiftPixels)
{
    std::vector<DWORD> pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels.push_back(Expected(x, y));
    for (DWORD& p : pixels)
        p = (GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p);
    // What the reader gets when the pixels start that many 4-byte pixels early.
    pixels.insert(pixels.begin(), shiftPixels, 0);
    pixels.resize(kWidth * kHeight);
    return pixels;
}

std::string Describe(const std::vector<DWORD>& got)
{
    if (got.empty())
        return "unreadable";
    for (int shift = 0; shift <= 4; ++shift)
        if (got == Picture(shift))
            return shift == 0 ? "intact" : "shifted by " + std::to_string(4 * shift) + " bytes";
    return "damaged otherwise";
}

// Starts the writer, waits for its change, reads, and lets it go.
std::string ReadFrom(const std::string& writer, const char* format)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, kDoneEvent);
    ResetEvent(done);
    const DWORD before = GetClipboardSequenceNumber();
    std::string command = "\"" + writer + "\" --write " + format;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "writer did not start";
    std::string result = "writer wrote nothing";
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDeadlineMs && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetClipboardSequenceNumber() != before && OpenClipboard(nullptr)) {
            const bool offered = IsClipboardFormatAvailable(CF_BITMAP) || IsClipboardFormatAvailable(CF_DIB);
            if (offered)
                result = Describe(std::strcmp(format, "dib") == 0 ? ReadDib() : ReadBitmap());
            CloseClipboard();
            if (offered)
                break;
        }
        Sleep(20);
    }
    SetEvent(done);
    WaitForSingleObject(process.hProcess, kDeadlineMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(done);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0)
        return Write(argv[2]);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const bool other = argc == 2;
    const std::string writer = other ? argv[1] : self;
    const bool reader64 = sizeof(void*) == 8;
    std::string expectBitmap = "intact";
    if (other)
        expectBitmap = reader64 ? "unreadable" : "shifted by 8 bytes";

    int failures = 0;
    for (const auto& [format, expected] : {std::pair<const char*, std::string>{"bitmap", expectBitmap},
                                           {"dib", "intact"}}) {
        const std::string got = ReadFrom(writer, format);
        std::printf("%d-bit reader, %s writer, %s: %s (expected %s)\n", reader64 ? 64 : 32,
                    other ? "other-bitness" : "same-bitness", format, got.c_str(), expected.c_str());
        failures += got != expected;
    }
    return failures == 0 ? 0 : 1;
}
