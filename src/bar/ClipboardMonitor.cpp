#include "bar/ClipboardMonitor.h"

bool CaptureSuppressed = false;
