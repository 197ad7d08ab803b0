#include "png/row_copiers_direct.h"

#ifdef FENWILLOW_DIRECT_COPIERS

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#ifdef FENWILLOW_SHUFFLED_COPIERS
#include <tmmintrin.h>
#endif

namespace {

// R, G, B, x in memory -> B, G, R, 0.
inline std::uint32_t ReverseColour(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v) >> 8;
}

#ifdef __SSE2__
// Four RGBA pixels at a time: alpha gathered by shifting and packing, colour
// reversed in each 32-bit lane and the lanes closed up to 12 bytes. The two
// 8-byte stores spill two bytes past the group, into the next pixel's place;
// the caller leaves at least one pixel after the last group.
inline void CopyFourRGBA(const std::uint8_t* row, std::uint8_t* colour, std::uint8_t* alpha) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  const __m128i a16 = _mm_packs_epi32(_mm_srli_epi32(v, 24), _mm_setzero_si128());
  const std::int32_t a = _mm_cvtsi128_si32(_mm_packus_epi16(a16, a16));
  std::memcpy(alpha, &a, 4);
  const __m128i low = _mm_set1_epi32(0xFF);
  const __m128i bgr = _mm_or_si128(
      _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), low), _mm_and_si128(v, _mm_set1_epi32(0xFF00))),
      _mm_slli_epi32(_mm_and_si128(v, low), 16));
  const __m128i six = _mm_or_si128(_mm_and_si128(bgr, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF)),
                                   _mm_slli_epi64(_mm_srli_epi64(bgr, 32), 24));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(colour), six);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(colour + 6), _mm_srli_si128(six, 8));
}
#endif

// Each pixel's word spills one byte into the next pixel's place, which the
// next pixel overwrites within the same row; the last pixel goes byte by
// byte, since its spill would land beyond the row and its source word could
// reach beyond the row read.
template <int Source, bool Alpha>
void CopyDirect(const std::uint8_t* row, int width, std::uint8_t* colour, std::uint8_t* alpha) {
  int x = 0;
#ifdef __SSE2__
  if constexpr (Alpha) {
    for (; x + 5 <= width; x += 4, row += 16, colour += 12, alpha += 4) CopyFourRGBA(row, colour, alpha);
  }
#endif
  for (; x + 1 < width; ++x, row += Source, colour += 3) {
    const std::uint32_t bgr = ReverseColour(row);
    std::memcpy(colour, &bgr, 4);
    if constexpr (Alpha) *alpha++ = row[3];
  }
  if (width > 0) {
    colour[0] = row[2];
    colour[1] = row[1];
    colour[2] = row[0];
    if constexpr (Alpha) *alpha = row[3];
  }
}

#ifdef FENWILLOW_SHUFFLED_COPIERS
// Four pixels a shuffle: their colour bytes reversed into the first 12 bytes
// (and their alphas into the last 4), stored as 16, of which the next group
// overwrites the last 4. A group reads and writes 16 bytes, so at least 6
// pixels must be left for one. Four-byte pixels then go as groups stored
// exactly, the last one ending at the row's end (making again pixels
// already made, as they were); the others as CopyDirect moves them.
template <int Source>
FW_SSSE3 inline __m128i ShuffledGroup(const std::uint8_t* from) {
  const __m128i order = Source == 4 ? _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15)
                                    : _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)), order);
}

// Four RGBA pixels from `from`, their colour to exactly 12 bytes and their
// alphas to 4.
FW_SSSE3 inline void CopyGroupExactly(const std::uint8_t* from, std::uint8_t* colour, std::uint8_t* alpha) {
  const __m128i pixels = ShuffledGroup<4>(from);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(colour), pixels);
  const std::int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 8));
  const std::int32_t four = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 12));
  std::memcpy(colour + 8, &last, 4);
  std::memcpy(alpha, &four, 4);
}

template <int Source, bool Alpha>
FW_SSSE3 void CopyShuffled(const std::uint8_t* row, int width, std::uint8_t* colour, std::uint8_t* alpha) {
  int x = 0;
  for (; x + 6 <= width; x += 4, row += 4 * Source, colour += 12) {
    const __m128i pixels = ShuffledGroup<Source>(row);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(colour), pixels);
    if constexpr (Alpha) {
      const std::int32_t four = _mm_cvtsi128_si32(_mm_srli_si128(pixels, 12));
      std::memcpy(alpha, &four, 4);
      alpha += 4;
    }
  }
  if constexpr (Source == 4 && Alpha) {
    if (width >= 4) {
      const int left = width - x;
      if (left > 4) CopyGroupExactly(row, colour, alpha);
      if (left > 0) CopyGroupExactly(row + 4 * (left - 4), colour + 3 * (left - 4), alpha + (left - 4));
      return;
    }
  }
  CopyDirect<Source, Alpha>(row, width - x, colour, alpha);
}
#endif

}  // namespace

void CopyRowRGB8Direct(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyDirect<3, false>(row, width, target.colour, target.alpha);
}

void CopyRowRGBA8Direct(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyDirect<4, true>(row, width, target.colour, target.alpha);
}

#ifdef FENWILLOW_SHUFFLED_COPIERS
void CopyRowRGB8Shuffled(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyShuffled<3, false>(row, width, target.colour, target.alpha);
}

void CopyRowRGBA8Shuffled(const std::uint8_t* row, int width, int, const TRowTarget& target) {
  CopyShuffled<4, true>(row, width, target.colour, target.alpha);
}
#endif

#endif
