#include "platform/monitor_cover.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace plat {

namespace {

std::int64_t OverlapArea(const RECT& a, const RECT& b) {
  const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

int MonitorOf(const RECT& window, const std::vector<RECT>& monitors) {
  std::int64_t most = 0;
  int held = -1;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const std::int64_t area = OverlapArea(window, monitors[i]);
    if (area > most) {
      most = area;
      held = static_cast<int>(i);
    }
  }
  return held;
}

bool CoversMonitorOf(const RECT& cover, const RECT& window, const std::vector<RECT>& monitors) {
  const int held = MonitorOf(window, monitors);
  if (held < 0) return false;
  const RECT& monitor = monitors[static_cast<std::size_t>(held)];
  return cover.left <= monitor.left && cover.top <= monitor.top && cover.right >= monitor.right &&
         cover.bottom >= monitor.bottom;
}

}  // namespace plat
