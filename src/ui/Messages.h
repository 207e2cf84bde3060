// The program's own window messages, all above WM_APP.
#pragma once

#include <windows.h>

namespace ui {

// Sent by tests and tools to ask a form to report something it shows;
// kept in one place so no two uses collide.
constexpr UINT WM_TIDEMARK_FIRST = WM_APP + 1;

// Posted to the application window: show the error kept for later.
constexpr UINT WM_TIDEMARK_DEFERRED_ERROR = WM_APP + 2;

} // namespace ui
