// Row unfilters working a pixel at a time in vector registers, for the
// pixel strides of 8- and 16-bit colour (3, 4, 6 and 8 bytes).
#pragma once

#include <cstdint>

#include "png/filters.h"

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define FENWILLOW_SSE2_FILTERS 1
// The vector unfilter for `pixelStride`, or nullptr when there is none or
// the processor lacks SSE2.
TRowUnfilter Sse2RowUnfilter(int pixelStride);
#endif
