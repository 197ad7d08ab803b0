// Rows of a 32-bit surface reached in memory, for drawing on and reading
// a DIB section in place instead of through blits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// Rows counted from the top, whatever the memory order.
struct TDibRows32 {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;  // negative for a bottom-up section
  int width = 0;
  int height = 0;

  std::uint8_t* Row(int y) const { return top + stride * y; }
};

}  // namespace plat
