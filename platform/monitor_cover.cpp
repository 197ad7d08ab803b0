#include "platform/monitor_cover.h"

#include <algorithm>
#include <cstdint>

namespace plat {

namespace {

std::int64_t OverlapArea(const RECT& a, const RECT& b) {
  const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

bool MonitorOf(const RECT& window, const std::vector<RECT>& monitors, RECT& monitor) {
  std::int64_t most = 0;
  for (const RECT& candidate : monitors) {
    const std::int64_t area = OverlapArea(window, candidate);
    if (area > most) {
      most = area;
      monitor = candidate;
    }
  }
  return most > 0;
}

bool CoversMonitorOf(const RECT& cover, const RECT& window, const std::vector<RECT>& monitors) {
  RECT monitor{};
  return MonitorOf(window, monitors, monitor) && cover.left <= monitor.left && cover.top <= monitor.top &&
         cover.right >= monitor.right && cover.bottom >= monitor.bottom;
}

}  // namespace plat
