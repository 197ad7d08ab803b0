// The codec's alpha blend over 32-bit destination pixels: every colour
// byte becomes (s × a + 255 + (255 − a) × d) >> 8, and the destination's
// fourth byte stays as it was.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/dib_rows32.h"
#include "png/alpha_runs.h"

inline std::uint8_t BlendChannel(unsigned s, unsigned a, unsigned d) {
  return static_cast<std::uint8_t>((s * a + 255 + (255 - a) * d) >> 8);
}

// Where image pixel (x, y) lands: pixel (left + x, top + y) of the target.
// Only the image's columns [firstX, lastX) and rows [firstY, lastY) land
// on it; the rest is clipped.
struct TPlacement {
  plat::TDibRows32 target;
  std::int64_t left, top;
  int firstX, lastX, firstY, lastY;

  std::uint8_t* At(int x, int y) const {
    return target.Row(static_cast<int>(top + y)) + 4 * static_cast<std::ptrdiff_t>(left + x);
  }
};

// A width x height image at (left, top) of the target.
TPlacement Place(const plat::TDibRows32& target, std::int64_t left, std::int64_t top, int width, int height);

// Blends the runs of the image's rows onto the target, clipped.
using TBlendRuns = void (*)(const TAlphaRuns& runs, const TPlacement& place);

// One pixel at a time.
void BlendRunsPlain(const TAlphaRuns& runs, const TPlacement& place);

// The fastest blend this processor has, chosen once.
TBlendRuns ChooseBlendRuns();

// Calls blend(source, destination, count) for every piece of a run that
// lands on the target; source pixels are blue | green << 8 | red << 16 |
// alpha << 24.
template <class BlendPiece>
inline void ForEachVisiblePiece(const TAlphaRuns& runs, const TPlacement& place, BlendPiece blend) {
  for (int y = place.firstY; y < place.lastY; ++y) {
    for (const TAlphaRuns::Run* run = runs.RowBegin(y); run != runs.RowEnd(y); ++run) {
      const int first = std::max(run->x, place.firstX);
      const int last = std::min(run->x + run->count, place.lastX);
      if (first < last) blend(runs.Pixels() + run->first + (first - run->x), place.At(first, y), last - first);
    }
  }
}
