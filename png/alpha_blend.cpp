#include "png/alpha_blend.h"

#include "png/alpha_blend_sse2.h"

namespace {

int Clamp(std::int64_t value, int high) { return static_cast<int>(std::clamp<std::int64_t>(value, 0, high)); }

}  // namespace

TPlacement Place(const plat::TDibRows32& target, std::int64_t left, std::int64_t top, int width, int height) {
  return {target,
          left,
          top,
          Clamp(-left, width),
          Clamp(target.width - left, width),
          Clamp(-top, height),
          Clamp(target.height - top, height)};
}

void BlendRunsPlain(const TAlphaRuns& runs, const TPlacement& place) {
  ForEachVisiblePiece(runs, place, [](const std::uint32_t* source, std::uint8_t* destination, int count) {
    for (int i = 0; i < count; ++i, destination += 4) {
      const std::uint32_t s = source[i];
      const unsigned a = s >> 24;
      destination[0] = BlendChannel(s & 0xFF, a, destination[0]);
      destination[1] = BlendChannel((s >> 8) & 0xFF, a, destination[1]);
      destination[2] = BlendChannel((s >> 16) & 0xFF, a, destination[2]);
    }
  });
}

TBlendRuns ChooseBlendRuns() {
#ifdef FENWILLOW_X86
  if (HasSse2()) return &BlendRunsSse2;
#endif
  return &BlendRunsPlain;
}
