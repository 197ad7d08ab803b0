// A bitmap's pixels as top-down 32-bit rows, for the window backends that
// present what the program hands to UpdateLayeredWindow.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace plat::soft {

// Fills `pixels` with every row of `bitmap` (described by `record`),
// top row first, 4 bytes a pixel; false when the bitmap cannot be read.
bool ReadTopDown32(HBITMAP bitmap, const BITMAP& record, std::vector<std::uint8_t>& pixels);

// The rows of a 32-bit DIB section in place: the top row's address and the
// step from one row to the next below it (negative for a bottom-up
// section). False for any other bitmap. The reported height of a section
// does not tell its memory order (it is positive either way), this does.
bool SectionRows32(HBITMAP bitmap, const std::uint8_t*& top, std::ptrdiff_t& step);

}  // namespace plat::soft
