// Sequential row copiers for 8-bit RGB and RGBA rows whose colour needs no
// gamma mapping: a pixel moves as one 32-bit word with its bytes reversed,
// instead of one table lookup per byte; where the processor shuffles bytes
// (SSSE3), four pixels move in one shuffle.
#pragma once

#include "png/row_copiers.h"
#include "png/sse2.h"

// Defined where the byte order is the one they are written for.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define FENWILLOW_DIRECT_COPIERS 1
void CopyRowRGB8Direct(const std::uint8_t* row, int width, int rowLength, const TRowTarget& target);
void CopyRowRGBA8Direct(const std::uint8_t* row, int width, int rowLength, const TRowTarget& target);
#ifdef FENWILLOW_X86
#define FENWILLOW_SHUFFLED_COPIERS 1
// Only where HasSsse3() is true.
void CopyRowRGB8Shuffled(const std::uint8_t* row, int width, int rowLength, const TRowTarget& target);
void CopyRowRGBA8Shuffled(const std::uint8_t* row, int width, int rowLength, const TRowTarget& target);
#endif
#endif
