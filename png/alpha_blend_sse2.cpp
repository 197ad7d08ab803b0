#include "png/alpha_blend_sse2.h"

#ifdef FENWILLOW_X86

#include <emmintrin.h>

#include <cstring>

namespace {

// Two pixels in 16-bit lanes. Each pixel's alpha is spread over its three
// colour lanes and the fourth lane gets 0, where the formula gives back the
// destination byte exactly: (255 × d + 255) >> 8 = d.
FW_SSE2 inline __m128i BlendPair(__m128i source, __m128i destination) {
  const __m128i keepFourth = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i all = _mm_set1_epi16(255);
  __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(source, 0xFF), 0xFF);
  alpha = _mm_and_si128(alpha, keepFourth);
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(source, alpha),
                                                  _mm_mullo_epi16(destination, _mm_sub_epi16(all, alpha))),
                                    all);
  return _mm_srli_epi16(sum, 8);
}

// Up to four pixels held in the low bytes of the registers.
FW_SSE2 inline __m128i BlendFour(__m128i source, __m128i destination) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = BlendPair(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(destination, zero));
  const __m128i high = BlendPair(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(destination, zero));
  return _mm_packus_epi16(low, high);
}

FW_SSE2 inline void BlendPiece(const std::uint32_t* source, std::uint8_t* destination, int count) {
  int i = 0;
  for (; i + 4 <= count; i += 4, destination += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), BlendFour(s, d));
  }
  if (i + 2 <= count) {
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i));
    const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(destination));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(destination), BlendFour(s, d));
    i += 2;
    destination += 8;
  }
  if (i < count) {
    std::uint32_t d;
    std::memcpy(&d, destination, 4);
    const __m128i blended = BlendFour(_mm_cvtsi32_si128(static_cast<int>(source[i])),
                                      _mm_cvtsi32_si128(static_cast<int>(d)));
    d = static_cast<std::uint32_t>(_mm_cvtsi128_si32(blended));
    std::memcpy(destination, &d, 4);
  }
}

// Pixels whose blend terms were worked out beforehand: destination pixels
// in 16-bit lanes take a multiply, an add and a shift.
FW_SSE2 inline __m128i BlendLanesWithTerms(__m128i destination, __m128i source, __m128i keep) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(destination, keep), source), 8);
}

FW_SSE2 inline __m128i BlendPairWithTerms(const std::uint64_t* source, const std::uint64_t* keep,
                                          __m128i destination) {
  return BlendLanesWithTerms(destination, _mm_loadu_si128(reinterpret_cast<const __m128i*>(source)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(keep)));
}

FW_SSE2 inline void BlendPieceWithTerms(const std::uint64_t* source, const std::uint64_t* keep,
                                        std::uint8_t* destination, int count) {
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 4 <= count; i += 4, destination += 16) {
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination));
    const __m128i low = BlendPairWithTerms(source + i, keep + i, _mm_unpacklo_epi8(d, zero));
    const __m128i high = BlendPairWithTerms(source + i + 2, keep + i + 2, _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm_packus_epi16(low, high));
  }
  for (; i < count; ++i, destination += 4) {
    std::uint32_t d;
    std::memcpy(&d, destination, 4);
    const __m128i lanes = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(d)), zero);
    const __m128i blended =
        BlendLanesWithTerms(lanes, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i)),
                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(keep + i)));
    d = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(blended, zero)));
    std::memcpy(destination, &d, 4);
  }
}

// The pieces of an image whose blend terms were worked out beforehand.
struct TBlendWithTerms {
  const TAlphaRuns& runs;
  FW_SSE2 void operator()(const std::uint32_t* pixels, std::uint8_t* destination, int count) const {
    const std::ptrdiff_t index = pixels - runs.Pixels();
    BlendPieceWithTerms(runs.SourceTerms() + index, runs.KeepTerms() + index, destination, count);
  }
};

}  // namespace

FW_SSE2 void BlendRunsSse2(const TAlphaRuns& runs, const TPlacement& place) {
  if (place.firstX < place.lastX) {
    for (int y = place.firstY; y < place.lastY; ++y) {
      _mm_prefetch(reinterpret_cast<const char*>(place.At(place.firstX, y)), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(place.At(place.lastX - 1, y)), _MM_HINT_T0);
    }
  }
  if (runs.SourceTerms() != nullptr) {
    ForEachVisiblePiece(runs, place, TBlendWithTerms{runs});
  } else {
    ForEachVisiblePiece(runs, place, BlendPiece);
  }
}

#endif
