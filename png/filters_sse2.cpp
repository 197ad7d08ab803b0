#include "png/filters_vector.h"

#ifdef FENWILLOW_SSE2_FILTERS

#include <emmintrin.h>

#include <cstring>

#include "png/sse2.h"

namespace {

// Pixels move between memory and registers through plain integers: a
// detour through a stack buffer would stall every load on the store before.
FW_SSE2 inline __m128i Load32(const std::uint8_t* p, int bytes) {
  std::uint32_t v;
  if (bytes == 4) {
    std::memcpy(&v, p, 4);
  } else {
    v = p[0] | (bytes > 1 ? std::uint32_t{p[1]} << 8 : 0) | (bytes > 2 ? std::uint32_t{p[2]} << 16 : 0);
  }
  return _mm_cvtsi32_si128(static_cast<int>(v));
}

FW_SSE2 inline void Store32(std::uint8_t* p, __m128i v, int bytes) {
  const std::uint32_t x = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  if (bytes == 4) {
    std::memcpy(p, &x, 4);
    return;
  }
  p[0] = static_cast<std::uint8_t>(x);
  if (bytes > 1) p[1] = static_cast<std::uint8_t>(x >> 8);
  if (bytes > 2) p[2] = static_cast<std::uint8_t>(x >> 16);
}

template <int S>
FW_SSE2 inline __m128i LoadPixel(const std::uint8_t* p) {
  if constexpr (S <= 4) {
    return Load32(p, S);
  } else if constexpr (S == 8) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  } else {
    return _mm_unpacklo_epi32(Load32(p, 4), Load32(p + 4, S - 4));
  }
}

template <int S>
FW_SSE2 inline void StorePixel(std::uint8_t* p, __m128i v) {
  if constexpr (S <= 4) {
    Store32(p, v, S);
  } else if constexpr (S == 8) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
  } else {
    Store32(p, v, 4);
    Store32(p + 4, _mm_srli_si128(v, 4), S - 4);
  }
}

FW_SSE2 inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

FW_SSE2 inline __m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

// r, f and p point at byte 1 of the row made, of the filtered row it is
// made from (which may be r itself) and of the row above; n bytes each.
// Rows of these layouts hold whole pixels; any odd tail goes byte by byte.

FW_SSE2 void UpRow(std::uint8_t* r, const std::uint8_t* f, const std::uint8_t* p, int n) {
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), _mm_add_epi8(x, b));
  }
  for (; i < n; ++i) r[i] = static_cast<std::uint8_t>(f[i] + p[i]);
}

template <int S>
FW_SSE2 void SubRow(std::uint8_t* r, const std::uint8_t* f, int n) {
  __m128i a = _mm_setzero_si128();
  int i = 0;
  if constexpr (S == 4 || S == 8) {
    // Sixteen bytes at a time as a running sum of their pixels, plus the
    // last pixel of the block before: the chain between blocks is one add.
    for (; i + 16 <= n; i += 16) {
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
      if constexpr (S == 4) x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
      x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
      x = _mm_add_epi8(x, a);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), x);
      a = S == 4 ? _mm_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 3, 3)) : _mm_shuffle_epi32(x, _MM_SHUFFLE(3, 2, 3, 2));
    }
    // Into another row, the last pixels go as the row's last sixteen bytes,
    // a block of their own: the bytes it makes again come out as they were.
    if (i < n && n >= 16 + S && r != f) {
      const int at = n - 16;
      __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + at));
      if constexpr (S == 4) x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
      x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
      const __m128i left = LoadPixel<S>(r + at - S);
      x = _mm_add_epi8(x, S == 4 ? _mm_shuffle_epi32(left, _MM_SHUFFLE(0, 0, 0, 0)) : _mm_unpacklo_epi64(left, left));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(r + at), x);
      return;
    }
  }
  for (; i + S <= n; i += S) {
    a = _mm_add_epi8(LoadPixel<S>(f + i), a);
    StorePixel<S>(r + i, a);
  }
  for (; i < n; ++i) r[i] = static_cast<std::uint8_t>(f[i] + (i >= S ? r[i - S] : 0));
}

// (a + b) div 2 is the rounding-up average less the carry of the low bits.
template <int S>
FW_SSE2 void AverageRow(std::uint8_t* r, const std::uint8_t* f, const std::uint8_t* p, int n) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i a = _mm_setzero_si128();
  int i = 0;
  for (; i + S <= n; i += S) {
    const __m128i b = LoadPixel<S>(p + i);
    const __m128i average = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(LoadPixel<S>(f + i), average);
    StorePixel<S>(r + i, a);
  }
  for (; i < n; ++i) r[i] = static_cast<std::uint8_t>(f[i] + ((i >= S ? r[i - S] : 0) + p[i]) / 2);
}

// Paeth in 16-bit lanes: pa = |b - c|, pb = |a - c|, pc = |a + b - 2c|; a
// unless pa > pb or pa > pc, else b unless pb > pc, else c. Each pixel's
// left neighbour is the one just made, so the work is ordered to keep that
// chain short: what needs only b and c is done beside it, and the new pixel
// stays in 16-bit lanes, packed to bytes only for storing. Left and
// upper-left start at zero, which makes the first pixel's predictor the
// byte above.
// One pixel at r, from f and the row above at p; `a` and `c` are the left
// and upper-left pixels in 16-bit lanes, and become this pixel's.
template <int S>
FW_SSE2 inline void PaethPixel(std::uint8_t* r, const std::uint8_t* f, const std::uint8_t* p, __m128i& a,
                               __m128i& c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i b = _mm_unpacklo_epi8(LoadPixel<S>(p), zero);
  const __m128i x = _mm_unpacklo_epi8(LoadPixel<S>(f), zero);
  const __m128i toB = _mm_sub_epi16(b, c);
  const __m128i pa = Abs16(toB);
  const __m128i toA = _mm_sub_epi16(a, c);
  const __m128i pb = Abs16(toA);
  const __m128i pc = Abs16(_mm_add_epi16(toA, toB));
  const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
  const __m128i bOrC = Select(_mm_cmpgt_epi16(pb, pc), c, b);
  a = _mm_and_si128(_mm_add_epi16(x, Select(notA, bOrC, a)), _mm_set1_epi16(0x00FF));
  c = b;
  StorePixel<S>(r, _mm_packus_epi16(a, zero));
}

// Whether the sixteen bytes at p repeat the pixel before them.
template <int S>
FW_SSE2 inline bool RepeatsPixel(const std::uint8_t* p) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - S));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, before)) == 0xFFFF;
}

template <int S>
FW_SSE2 void PaethRow(std::uint8_t* r, const std::uint8_t* f, const std::uint8_t* p, int n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;
  int i = 0;
  if constexpr (S == 4) {
    // Where the row above repeats its pixel (up = upper-left), pa is 0 and
    // the predictor is the left pixel: four such pixels are made as a Sub
    // block, a running sum, without the chain through each of them. Flat
    // parts of pictures are mostly that; elsewhere it costs a compare.
    if (n >= S) {
      PaethPixel<S>(r, f, p, a, c);
      i += S;
    }
    while (i + 16 <= n) {
      if (!RepeatsPixel<S>(p + i)) {
        for (const int end = i + 16; i < end; i += S) PaethPixel<S>(r + i, f + i, p + i, a, c);
        continue;
      }
      // The left pixel in every lane, as bytes: the chain from block to
      // block is an add and a shuffle.
      __m128i left = _mm_shuffle_epi32(_mm_packus_epi16(a, zero), _MM_SHUFFLE(0, 0, 0, 0));
      do {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
        x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
        x = _mm_add_epi8(x, left);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), x);
        left = _mm_shuffle_epi32(x, _MM_SHUFFLE(3, 3, 3, 3));
        i += 16;
      } while (i + 16 <= n && RepeatsPixel<S>(p + i));
      a = _mm_unpacklo_epi8(_mm_srli_si128(left, 12), zero);
      c = _mm_unpacklo_epi8(LoadPixel<S>(p + i - S), zero);
    }
  }
  for (; i + S <= n; i += S) PaethPixel<S>(r + i, f + i, p + i, a, c);
  for (; i < n; ++i) {
    const int left = i >= S ? r[i - S] : 0;
    const int upperLeft = i >= S ? p[i - S] : 0;
    r[i] = static_cast<std::uint8_t>(f[i] + PaethPredictor(left, p[i], upperLeft));
  }
}

template <int S>
FW_SSE2 void UnfilterRowSse2(std::uint8_t* row, const std::uint8_t* filtered, const std::uint8_t* previous,
                             int rowLength, int) {
  switch (filtered[0]) {
    case 1: SubRow<S>(row + 1, filtered + 1, rowLength); break;
    case 2: UpRow(row + 1, filtered + 1, previous + 1, rowLength); break;
    case 3: AverageRow<S>(row + 1, filtered + 1, previous + 1, rowLength); break;
    case 4: PaethRow<S>(row + 1, filtered + 1, previous + 1, rowLength); break;
    default:
      if (row != filtered && rowLength > 0) std::memcpy(row + 1, filtered + 1, static_cast<std::size_t>(rowLength));
      break;
  }
}

}  // namespace

TRowUnfilter Sse2RowUnfilter(int pixelStride) {
  if (!HasSse2()) return nullptr;
  switch (pixelStride) {
    case 3: return &UnfilterRowSse2<3>;
    case 4: return &UnfilterRowSse2<4>;
    case 6: return &UnfilterRowSse2<6>;
    case 8: return &UnfilterRowSse2<8>;
    default: return nullptr;
  }
}

#endif
