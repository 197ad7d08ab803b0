// The pixels handed to UpdateLayeredWindow, as the window backends that
// present them read them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dib_rows32.h"
#include "platform/wintypes.h"

namespace plat::soft {

// The rows of the bitmap selected into `dc`, provided the rectangle of
// `size` at `origin` lies within it. A 32-bit DIB section (every frame is
// one) is read in place; any other bitmap is converted into `copy` first
// and the rows point there.
bool PresentedRows(HDC dc, POINT origin, SIZE size, std::vector<std::uint8_t>& copy, TDibRows32& rows);

}  // namespace plat::soft
