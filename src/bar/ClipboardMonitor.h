// The clipboard monitor's shared state.
#pragma once

// While set, clipboard changes are passed on but not captured. Written by the
// bar's set-up, the monitor switch and the browsers' copy-back; read only by
// the bar's WM_DRAWCLIPBOARD handler.
extern bool CaptureSuppressed;
