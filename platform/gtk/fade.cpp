#include "platform/gtk/fade.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace plat::gtk {

namespace {

// x * opacity / 255 rounded to nearest: with t = x * opacity + 128,
// (t + t / 256) / 256.
inline std::uint8_t Scale(unsigned x, unsigned opacity) {
  const unsigned t = x * opacity + 128;
  return static_cast<std::uint8_t>((t + (t >> 8)) >> 8);
}

#ifdef __SSE2__
// The same for eight bytes in 16-bit lanes; no lane passes 65 407.
inline __m128i ScaleLanes(__m128i x, __m128i opacity) {
  const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, opacity), _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
#endif

}  // namespace

void FadeRow(const std::uint8_t* from, std::uint8_t* to, int bytes, std::uint8_t opacity) {
  int i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  const __m128i scale = _mm_set1_epi16(opacity);
  for (; i + 16 <= bytes; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i low = ScaleLanes(_mm_unpacklo_epi8(v, zero), scale);
    const __m128i high = ScaleLanes(_mm_unpackhi_epi8(v, zero), scale);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < bytes; ++i) to[i] = Scale(from[i], opacity);
}

}  // namespace plat::gtk
