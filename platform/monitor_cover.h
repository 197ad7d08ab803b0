// Whether a full-screen window hides the ornament's window: it covers the
// whole monitor the window stands on. Every window backend asks this of the
// bounds its window system reports.
#pragma once

#include <vector>

#include "platform/wintypes.h"

namespace plat {

// The index of the monitor holding most of `window`, or -1 when no monitor
// holds any of it.
int MonitorOf(const RECT& window, const std::vector<RECT>& monitors);
// Whether `cover` spans the whole monitor that holds most of `window`.
bool CoversMonitorOf(const RECT& cover, const RECT& window, const std::vector<RECT>& monitors);

}  // namespace plat
