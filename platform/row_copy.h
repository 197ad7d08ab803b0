// Rows of pixels copied between 24- and 32-bit layouts (blue, green, red,
// then the fourth byte in 32 bits): the memory work shared by the window
// layer's format changes and the software blits.
#pragma once

#include <cstdint>
#include <cstring>

namespace plat {

#if defined(__BYTE_ORDER__)
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are read little-endian");
#endif

// Four pixels at a time go as three and four little-endian words.
inline std::uint32_t Word(const std::uint8_t* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}
inline void PutWord(std::uint8_t* p, std::uint32_t w) { std::memcpy(p, &w, 4); }

// The fourth byte of every 32-bit pixel becomes 0.
inline void CopyRow24To32(const std::uint8_t* s, std::uint8_t* d, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 12, d += 16) {
    const std::uint32_t a = Word(s), b = Word(s + 4), c = Word(s + 8);
    PutWord(d, a & 0xFFFFFFu);
    PutWord(d + 4, (a >> 24 | b << 8) & 0xFFFFFFu);
    PutWord(d + 8, (b >> 16 | c << 16) & 0xFFFFFFu);
    PutWord(d + 12, c >> 8);
  }
  for (; i < n; ++i, s += 3, d += 4) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 0;
  }
}

// The fourth byte of every 32-bit pixel is dropped.
inline void CopyRow32To24(const std::uint8_t* s, std::uint8_t* d, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4, s += 16, d += 12) {
    const std::uint32_t p0 = Word(s) & 0xFFFFFFu, p1 = Word(s + 4) & 0xFFFFFFu;
    const std::uint32_t p2 = Word(s + 8) & 0xFFFFFFu, p3 = Word(s + 12) & 0xFFFFFFu;
    PutWord(d, p0 | p1 << 24);
    PutWord(d + 4, p1 >> 8 | p2 << 16);
    PutWord(d + 8, p2 >> 16 | p3 << 8);
  }
  for (; i < n; ++i, s += 4, d += 3) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

}  // namespace plat
