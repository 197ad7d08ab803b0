// Pixel work of TBitmap on DIB memory it holds: reading rows of any depth
// as 32-bit pixels, choosing a colour table for a smaller depth, writing
// rows, filling and copying. Plain memory work, so the window layer gives
// the same pixels on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace plat::dib {

// A DIB in memory. Pixels as 32-bit values are blue | green << 8 |
// red << 16 | fourth byte << 24.
struct Layout {
  std::uint8_t* bits;
  int width;
  int height;
  int bitsPerPixel;  // 1, 4, 8, 24 or 32
  bool topDown;

  int Stride() const { return static_cast<int>((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32 * 4); }
  // Row y counted from the top.
  std::uint8_t* Row(int y) const {
    const int memoryRow = topDown ? y : height - 1 - y;
    return bits + static_cast<std::size_t>(memoryRow) * static_cast<std::size_t>(Stride());
  }
};

// The depths whose memory this layer reads and writes itself.
bool IsHandledDepth(int bitsPerPixel);

// A colour table entry as a pixel value, 0 in the fourth byte.
inline std::uint32_t ColourOf(const RGBQUAD& c) {
  return c.rgbBlue | (std::uint32_t{c.rgbGreen} << 8) | (std::uint32_t{c.rgbRed} << 16);
}

// All pixels, top-down; indexed pixels through `colours` with 0 in the
// fourth byte, 24-bit pixels with 0 in the fourth byte.
std::vector<std::uint32_t> Decode(const Layout& dib, const std::vector<RGBQUAD>& colours);

// 2^bpp entries: exactly the distinct colours of `pixels` (fourth byte
// ignored) in ascending order of their 24-bit value, the rest black, when
// they fit; else the fixed table of that depth.
std::vector<RGBQUAD> ChooseColourTable(const std::vector<std::uint32_t>& pixels, int bitsPerPixel);

// Writes top-down `pixels` into the DIB; indexed depths take the nearest
// entry of `table`, 24 bits drop the fourth byte.
void Encode(const std::vector<std::uint32_t>& pixels, const Layout& dib, const std::vector<RGBQUAD>& table);

// Writes the pixels of `from` (indexed ones through `colours`) into `to`, a
// DIB of the same size and 24 or 32 bits: what Encode(Decode(from,
// colours), to, {}) writes, a row at a time.
void Transcode(const Layout& from, const std::vector<RGBQUAD>& colours, const Layout& to);

// Every pixel white (0 in the fourth byte; the nearest entry of `table`
// for indexed depths).
void FillWhite(const Layout& dib, const std::vector<RGBQUAD>& table);

// Copies the top-left area the two DIBs share, bit for bit. Both have the
// same depth.
void CopyOverlap(const Layout& from, const Layout& to);

}  // namespace plat::dib
