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

}  // namespace plat::soft
