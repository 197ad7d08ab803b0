// Fixed colour tables for 1-, 4- and 8-bit images and the nearest-colour
// search over a table. The window layer and the software graphics share
// them, so that a bitmap reduced to few colours looks the same whichever
// side did the reduction.
#pragma once

#include <vector>

#include "platform/wintypes.h"

namespace plat {

// 1 bit: black, white. 4 bits: the sixteen colours in the order Win32's
// GetDIBits gives them (the eight dark ones with grey 128 last, then silver
// and the eight bright ones). 8 bits: a 6 x 6 x 6 colour cube (index
// 36 r + 6 g + b, levels 0, 51, ..., 255) followed by 40 greys, eight
// between each pair of neighbouring cube greys. Any other depth: empty.
inline std::vector<RGBQUAD> StandardColourTable(int bitsPerPixel) {
  auto rgb = [](int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
  };
  std::vector<RGBQUAD> table;
  switch (bitsPerPixel) {
    case 1:
      table = {rgb(0, 0, 0), rgb(255, 255, 255)};
      break;
    case 4:
      table = {rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
               rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(128, 128, 128),
               rgb(192, 192, 192), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
               rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
      break;
    case 8:
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b) table.push_back(rgb(51 * r, 51 * g, 51 * b));
      for (int step = 0; step < 5; ++step)
        for (int k = 1; k <= 8; ++k) {
          const int level = 51 * step + (51 * k + 4) / 9;
          table.push_back(rgb(level, level, level));
        }
      break;
    default:
      break;
  }
  return table;
}

// The index of the entry closest to the colour (squared distance over red,
// green and blue; the first of equally close entries). 0 for an empty table.
inline int NearestColourIndex(const RGBQUAD* table, int count, BYTE red, BYTE green, BYTE blue) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const long dr = static_cast<long>(table[i].rgbRed) - red;
    const long dg = static_cast<long>(table[i].rgbGreen) - green;
    const long db = static_cast<long>(table[i].rgbBlue) - blue;
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

}  // namespace plat
