// Rows of pixels copied between 24- and 32-bit layouts (blue, green, red,
// then the fourth byte in 32 bits): the memory work shared by the window
// layer's format changes and the software blits.
#pragma once

#include <cstdint>

namespace plat {

// The fourth byte of every 32-bit pixel becomes 0.
inline void CopyRow24To32(const std::uint8_t* s, std::uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 0;
  }
}

// The fourth byte of every 32-bit pixel is dropped.
inline void CopyRow32To24(const std::uint8_t* s, std::uint8_t* d, int n) {
  for (int i = 0; i < n; ++i, s += 4, d += 3) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

}  // namespace plat
