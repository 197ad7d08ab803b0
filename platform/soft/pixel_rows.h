// Reading and writing rows of pixels in every layout the backend stores.
// A pixel value is the pixel in its own layout: blue | green << 8 |
// red << 16 | fourth byte << 24 for 32 bits, the same without the fourth
// byte for 24 bits, the table index for 1, 4 and 8 bits. Each call picks
// its layout once and then runs a plain loop.
#pragma once

#include <cstdint>

#include "platform/soft/gdi_objects.h"

namespace plat::soft {

using PixelValue = std::uint32_t;

// The n pixels of image row y starting at column x.
void ReadPixels(const Bitmap& bitmap, int y, int x, int n, PixelValue* out);
// The pixels of image row y at columns xs[0] .. xs[n - 1].
void GatherPixels(const Bitmap& bitmap, int y, const int* xs, int n, PixelValue* out);
// Stores n pixels into image row y from column x on.
void WritePixels(Bitmap& bitmap, int y, int x, int n, const PixelValue* in);

}  // namespace plat::soft
