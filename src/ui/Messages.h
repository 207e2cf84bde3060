// The program's own window messages, all above WM_APP.
#pragma once

#include <windows.h>

namespace ui {

// Sent by tests and tools to ask a form to report something it shows;
// kept in one place so no two uses collide.
constexpr UINT WM_TIDEMARK_FIRST = WM_APP + 1;

// Posted by a browser to itself: list the catalogue again if it changed
// while the browser was hidden.
constexpr UINT WM_TIDEMARK_RELIST = WM_APP + 2;

// Sent to the running copy's application window by a second start in the
// same folder: 1 when the copy comes to the front, 0 when it is leaving.
constexpr UINT WM_TIDEMARK_TO_FRONT = WM_APP + 3;

// Posted to the application window: show the error kept for later.
constexpr UINT WM_TIDEMARK_DEFERRED_ERROR = WM_APP + 4;

// Posted to the application window when it is activated: hand on to the
// form in front.
constexpr UINT WM_TIDEMARK_ACTIVATE_FRONT = WM_APP + 5;

// Posted by the bar to itself: the chain has passed on the notice of a
// change whose capture waited for it.
constexpr UINT WM_TIDEMARK_CAPTURE = WM_APP + 6;

// Posted by a browser to itself: report a refresh that failed while the
// store announced a change.
constexpr UINT WM_TIDEMARK_REFRESH_FAILED = WM_APP + 7;

} // namespace ui
