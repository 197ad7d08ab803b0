#include "png/row_copiers_direct.h"

#ifdef FENWILLOW_DIRECT_COPIERS

#include <cstring>

namespace {

// R, G, B, x in memory -> B, G, R, 0.
inline std::uint32_t ReverseColour(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v) >> 8;
}

// Each pixel's word spills one byte into the next pixel's place, which the
// next pixel overwrites within the same row; the last pixel goes byte by
// byte, since its spill would land beyond the row and its source word could
// reach beyond the row read.
template <int Source, bool Alpha>
void CopyDirect(const std::uint8_t* row, int width, const TRowTarget& t) {
  std::uint8_t* colour = t.colour;
  std::uint8_t* alpha = t.alpha;
  for (int x = 0; x + 1 < width; ++x, row += Source, colour += 3) {
    const std::uint32_t bgr = ReverseColour(row);
    std::memcpy(colour, &bgr, 4);
    if constexpr (Alpha) *alpha++ = row[3];
  }
  if (width > 0) {
    colour[0] = row[2];
    colour[1] = row[1];
    colour[2] = row[0];
    if constexpr (Alpha) *alpha = row[3];
  }
}

}  // namespace

void CopyRowRGB8Direct(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyDirect<3, false>(row, width, target);
}

void CopyRowRGBA8Direct(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyDirect<4, true>(row, width, target);
}

#endif
