// Move-only owners of Win32 handles, and guards that pair acquire/release calls.
#pragma once

#include <windows.h>

#include <utility>

namespace ui {

// Owns one handle; NULL and INVALID_HANDLE_VALUE both count as empty.
template <class Traits>
class Owned {
public:
    using Type = typename Traits::Type;

    Owned() noexcept = default;
    explicit Owned(Type h) noexcept : h_(h) {}
    Owned(Owned&& other) noexcept : h_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Type get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return valid(h_); }

    Type release() noexcept { return std::exchange(h_, Type{}); }
    void reset(Type h = Type{}) noexcept
    {
        Type old = std::exchange(h_, h);
        if (valid(old))
            Traits::close(old);
    }

private:
    static bool valid(Type h) noexcept
    {
        return h != Type{} && reinterpret_cast<HANDLE>(h) != INVALID_HANDLE_VALUE;
    }
    Type h_{};
};

struct KernelTraits {
    using Type = HANDLE;
    static void close(HANDLE h) noexcept { CloseHandle(h); }
};
template <class T>
struct GdiTraits {
    using Type = T;
    static void close(T h) noexcept { DeleteObject(h); }
};
struct WindowTraits {
    using Type = HWND;
    static void close(HWND h) noexcept { DestroyWindow(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static void close(HDC h) noexcept { DeleteDC(h); }
};
struct GlobalTraits {
    using Type = HGLOBAL;
    static void close(HGLOBAL h) noexcept { GlobalFree(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static void close(HMENU h) noexcept { DestroyMenu(h); }
};
struct IconTraits {
    using Type = HICON;
    static void close(HICON h) noexcept { DestroyIcon(h); }
};
struct FindTraits {
    using Type = HANDLE;
    static void close(HANDLE h) noexcept { FindClose(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static void close(HMODULE h) noexcept { FreeLibrary(h); }
};

using FileHandle = Owned<KernelTraits>;
using KernelHandle = Owned<KernelTraits>;  // mutexes, events, processes
using FindHandle = Owned<FindTraits>;
using OwnedWindow = Owned<WindowTraits>;
using Font = Owned<GdiTraits<HFONT>>;
using Bitmap = Owned<GdiTraits<HBITMAP>>;
using Brush = Owned<GdiTraits<HBRUSH>>;
using Pen = Owned<GdiTraits<HPEN>>;
using Palette = Owned<GdiTraits<HPALETTE>>;
using MemoryDc = Owned<MemoryDcTraits>;
using GlobalMemory = Owned<GlobalTraits>;
using Menu = Owned<MenuTraits>;
using Icon = Owned<IconTraits>;
using Module = Owned<ModuleTraits>;

// A DC from GetDC, released to its window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectGuard()
    {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Selects and realizes a palette, and puts the previous one back.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE pal) noexcept
        : dc_(dc), old_(pal ? SelectPalette(dc, pal, FALSE) : nullptr)
    {
        if (pal)
            RealizePalette(dc);
    }
    ~PaletteGuard()
    {
        if (old_)
            SelectPalette(dc_, old_, FALSE);
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;

private:
    HDC dc_;
    HPALETTE old_;
};

// BeginPaint/EndPaint.
class PaintGuard {
public:
    explicit PaintGuard(HWND hwnd) noexcept : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintGuard() { EndPaint(hwnd_, &ps_); }
    PaintGuard(const PaintGuard&) = delete;
    PaintGuard& operator=(const PaintGuard&) = delete;
    HDC dc() const noexcept { return dc_; }
    const RECT& area() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GlobalLock/GlobalUnlock.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL mem) noexcept : mem_(mem), ptr_(mem ? GlobalLock(mem) : nullptr) {}
    ~GlobalLockGuard()
    {
        if (ptr_)
            GlobalUnlock(mem_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* get() const noexcept { return ptr_; }

private:
    HGLOBAL mem_;
    void* ptr_;
};

} // namespace ui
