#include "ui/Placement.h"

#include <algorithm>

namespace ui {

namespace {

// The start of a span of `size` at `at`, moved into [low, high).
LONG Clamp(LONG at, LONG size, LONG low, LONG high) noexcept
{
    return std::max(low, std::min(at, high - size));
}

} // namespace

RECT KeepInside(const RECT& window, const RECT& area) noexcept
{
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    const LONG left = Clamp(window.left, width, area.left, area.right);
    const LONG top = Clamp(window.top, height, area.top, area.bottom);
    return {left, top, left + width, top + height};
}

RECT WorkAreaOf(HWND window) noexcept
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcWork;
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace ui
