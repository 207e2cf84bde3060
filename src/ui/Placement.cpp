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

namespace {

// The monitor a window is on, or nearest to; the primary screen's size when
// the system will not say.
MONITORINFO MonitorOf(HWND window) noexcept
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        info.rcMonitor = info.rcWork = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return info;
}

} // namespace

RECT WorkAreaOf(HWND window) noexcept
{
    return MonitorOf(window).rcWork;
}

RECT MonitorAreaOf(HWND window) noexcept
{
    return MonitorOf(window).rcMonitor;
}

} // namespace ui
