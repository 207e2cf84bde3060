// Reads back what a window of this process shows: its client area copied
// into a 32-bit DIB (in-process, where Wine lets GetPixel-like reads work).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace testing_support {

class ClientPixels {
public:
    // Repaints the window and its children at once, then copies its client area.
    explicit ClientPixels(HWND hwnd)
    {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT r;
        GetClientRect(hwnd, &r);
        width_ = r.right;
        height_ = r.bottom;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(hwnd);
        HDC mem = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(mem, dib);
        BitBlt(mem, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels_.assign(p, p + static_cast<size_t>(width_) * height_);
        SelectObject(mem, old);
        DeleteObject(dib);
        DeleteDC(mem);
        ReleaseDC(hwnd, screen);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }

    // As a COLORREF (0x00BBGGRR), so it compares with RGB(...).
    COLORREF At(int x, int y) const
    {
        uint32_t v = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

    // How many pixels of the rectangle (clipped to the area) match.
    int CountIf(const std::function<bool(COLORREF)>& match, RECT area) const
    {
        int n = 0;
        for (int y = area.top < 0 ? 0 : area.top; y < area.bottom && y < height_; ++y)
            for (int x = area.left < 0 ? 0 : area.left; x < area.right && x < width_; ++x)
                n += match(At(x, y));
        return n;
    }
    int Count(COLORREF color, RECT area) const
    {
        return CountIf([color](COLORREF c) { return c == color; }, area);
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

} // namespace testing_support
