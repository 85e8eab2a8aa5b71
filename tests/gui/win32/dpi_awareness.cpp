// The program declares per-monitor DPI awareness in its manifest. The test
// programs have none: they declare the same before any window exists, so
// that they see the program's windows in physical pixels, as it does.

#include <windows.h>

namespace {

const bool per_monitor_aware = SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) != FALSE;

}  // namespace
