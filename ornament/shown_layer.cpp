#include "ornament/shown_layer.h"

#include <algorithm>
#include <cstring>

namespace {

// Changed rows are gathered into bands of this many rows, each presented
// as one rectangle across the columns that changed in it: a frame's few
// dozen stars make small, scattered changes, and a rectangle per change
// would cost the window system more in requests than it saves in pixels.
constexpr int kBandRows = 16;

bool SamePixel(const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, 4) == 0; }

}  // namespace

TShownLayer::TChange TShownLayer::Take(const plat::TDibRows32& rows, plat::POINT place, std::uint8_t opacity) {
  TChange change;
  const std::size_t rowBytes = static_cast<std::size_t>(rows.width) * 4;
  const bool comparable = known_ && rows.width == width_ && rows.height == height_ && place.x == place_.x &&
                          place.y == place_.y && opacity == opacity_;
  if (!comparable) {
    known_ = true;
    width_ = rows.width;
    height_ = rows.height;
    place_ = place;
    opacity_ = opacity;
    pixels_.resize(rowBytes * rows.height);
    for (int y = 0; y < rows.height; ++y) std::memcpy(pixels_.data() + rowBytes * y, rows.Row(y), rowBytes);
    change.any = change.whole = true;
    return change;
  }
  for (int bandTop = 0; bandTop < height_; bandTop += kBandRows) {
    const int bandEnd = std::min(height_, bandTop + kBandRows);
    int left = width_, right = 0, top = bandEnd, bottom = bandTop;
    for (int y = bandTop; y < bandEnd; ++y) {
      const std::uint8_t* now = rows.Row(y);
      std::uint8_t* shown = pixels_.data() + rowBytes * y;
      if (std::memcmp(now, shown, rowBytes) == 0) continue;
      int first = 0, last = width_ - 1;
      while (SamePixel(now + 4 * first, shown + 4 * first)) ++first;
      while (SamePixel(now + 4 * last, shown + 4 * last)) --last;
      std::memcpy(shown + 4 * first, now + 4 * first, static_cast<std::size_t>(last - first + 1) * 4);
      left = std::min(left, first);
      right = std::max(right, last + 1);
      top = std::min(top, y);
      bottom = y + 1;
    }
    if (top < bottom) change.parts.push_back(plat::RECT{left, top, right, bottom});
  }
  change.any = !change.parts.empty();
  return change;
}

void TShownLayer::Forget() { known_ = false; }
