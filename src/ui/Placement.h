// Where windows go on the screen: inside the work area of a monitor.
#pragma once

#include <windows.h>

namespace ui {

// `window` moved just enough to lie inside `area`, its size kept; where it
// fits it stays. A window larger than the area keeps its top-left corner in
// it, so its caption and the start of its content stay reachable.
RECT KeepInside(const RECT& window, const RECT& area) noexcept;

// The work area (the screen less the taskbar) of the monitor a window is on,
// or nearest to.
RECT WorkAreaOf(HWND window) noexcept;
// The whole of that monitor.
RECT MonitorAreaOf(HWND window) noexcept;

} // namespace ui
