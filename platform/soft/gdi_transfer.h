// The one pixel pump behind BitBlt, StretchBlt, StretchDIBits, GetDIBits and
// CreateDIBitmap: nearest-neighbour stretching of a source area onto a
// destination area, clipped to the destination surface, never reading
// outside the source, converting and combining row by row.
#pragma once

#include "platform/soft/gdi_objects.h"
#include "platform/soft/pixel_convert.h"

namespace plat::soft {

// An area in image coordinates (rows counted from the top).
struct Area {
  int x;
  int y;
  int width;
  int height;
};

// SRCCOPY, NOTSRCCOPY, SRCAND and SRCPAINT.
bool IsSupportedRop(DWORD rop);

// Destination pixel (to.x + i, to.y + j) takes source pixel
// (from.x + floor(i * from.width / to.width), from.y + floor(j * from.height /
// to.height)), converted by `convert` and combined with the destination by
// `rop`. Destination pixels off the destination surface, or whose source
// pixel is off the source surface, are left alone. Sizes must be positive
// and `rop` supported. `source` may be `destination`.
void Transfer(Bitmap& destination, const Area& to, const Bitmap& source, const Area& from,
              PixelConverter& convert, DWORD rop);

}  // namespace plat::soft
