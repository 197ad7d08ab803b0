// Unstretched blits onto 32-bit surfaces, and plain copies onto 24-bit
// ones, take a row-copy shortcut; these compare it, on random surfaces,
// offsets and row stretches, against a per-pixel model of the
// nearest-neighbour transfer.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/platform_gfx_support.h"

namespace {

using namespace gfx;

std::uint32_t Combined(DWORD rop, std::uint32_t s, std::uint32_t d) {
  switch (rop) {
    case NOTSRCCOPY: return ~s;
    case SRCAND: return d & s;
    case SRCPAINT: return d | s;
    default: return s;
  }
}

struct Model {
  std::vector<std::uint32_t> pixels;
  int width;
  int height;
};

// What the destination must hold after blitting [sx, sy, w, sh] onto
// [x, y, w, h]: each destination pixel on the surface whose source pixel
// lies on the source takes the combined value; every other one stays.
Model Expected(const Dib& dst, int dw, int dh, int destinationBpp, const Dib& src, int sw, int sh, int sourceBpp,
               int x, int y, int w, int h, int sx, int sy, int sourceHeight, DWORD rop) {
  Model m{std::vector<std::uint32_t>(static_cast<std::size_t>(dw) * dh), dw, dh};
  for (int j = 0; j < dh; ++j)
    for (int i = 0; i < dw; ++i) m.pixels[j * dw + i] = dst.Get(i, j);
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const int X = x + i, Y = y + j;
      const long long SX = sx + i;
      const long long SY = sy + static_cast<long long>(j) * sourceHeight / h;
      if (X < 0 || X >= dw || Y < 0 || Y >= dh || SX < 0 || SX >= sw || SY < 0 || SY >= sh) continue;
      std::uint32_t s = src.Get(static_cast<int>(SX), static_cast<int>(SY));
      if (sourceBpp == 24) s &= 0xFFFFFFu;
      std::uint32_t& d = m.pixels[Y * dw + X];
      d = Combined(rop, s, d);
      if (destinationBpp == 24) d &= 0xFFFFFFu;
    }
  }
  return m;
}

TEST(BlitFastPath, UnstretchedOnto24And32BitMatchesPerPixelModel) {
  std::mt19937 rng(20261208);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const DWORD rops[] = {SRCCOPY, NOTSRCCOPY, SRCAND, SRCPAINT};
  for (int round = 0; round < 800; ++round) {
    const int sourceBpp = round % 2 ? 24 : 32;
    const int destinationBpp = round % 4 < 2 ? 32 : 24;
    const int sw = pick(1, 23), sh = pick(1, 17), dw = pick(1, 23), dh = pick(1, 17);
    Dib src(sw, sh, sourceBpp, pick(0, 1) == 1), dst(dw, dh, destinationBpp, pick(0, 1) == 1);
    for (int j = 0; j < sh; ++j)
      for (int i = 0; i < sw; ++i) src.Set(i, j, static_cast<std::uint32_t>(rng()));
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw; ++i) dst.Set(i, j, static_cast<std::uint32_t>(rng()));
    // Offsets reach past all four edges of both surfaces.
    const int w = pick(1, 30), h = pick(1, 24);
    const int x = pick(-8, dw + 2), y = pick(-8, dh + 2), sx = pick(-8, sw + 2), sy = pick(-8, sh + 2);
    const int sourceHeight = pick(0, 1) ? h : pick(1, 24);
    const DWORD rop = rops[pick(0, 3)];
    const Model want =
        Expected(dst, dw, dh, destinationBpp, src, sw, sh, sourceBpp, x, y, w, h, sx, sy, sourceHeight, rop);
    if (sourceHeight == h) {
      ASSERT_TRUE(BitBlt(dst.dc(), x, y, w, h, src.dc(), sx, sy, rop));
    } else {
      ASSERT_TRUE(StretchBlt(dst.dc(), x, y, w, h, src.dc(), sx, sy, w, sourceHeight, rop));
    }
    for (int j = 0; j < dh; ++j)
      for (int i = 0; i < dw; ++i)
        ASSERT_EQ(want.pixels[j * dw + i], dst.Get(i, j))
            << "round " << round << " pixel " << i << "," << j << " rop " << rop << " bpp " << sourceBpp << " onto "
            << destinationBpp;
  }
}

TEST(BlitFastPath, OverlappingCopyWithinOneSurfaceReadsTheOriginal) {
  for (int shift : {-3, -1, 1, 3}) {
    Dib dib(9, 6, 32);
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 9; ++i) dib.Set(i, j, Bgra(i, j, 0x40, 0x80 + i));
    std::vector<std::uint32_t> before;
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 9; ++i) before.push_back(dib.Get(i, j));
    ASSERT_TRUE(BitBlt(dib.dc(), shift, shift, 9, 6, dib.dc(), 0, 0, SRCCOPY));
    for (int j = 0; j < 6; ++j)
      for (int i = 0; i < 9; ++i) {
        const int si = i - shift, sj = j - shift;
        const bool copied = si >= 0 && si < 9 && sj >= 0 && sj < 6;
        EXPECT_EQ(copied ? before[sj * 9 + si] : before[j * 9 + i], dib.Get(i, j)) << shift << " " << i << "," << j;
      }
  }
}

}  // namespace
