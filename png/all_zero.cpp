#include "png/all_zero.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Sixty-four bytes (or four words) at a time, stopping at the first that
// are not zero: most rows that are not all zeros show it in their first
// bytes.
bool IsAllZero(const std::uint8_t* bytes, std::size_t count) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  for (; i + 64 <= count; i += 64) {
    auto at = [bytes, i](std::size_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + k)); };
    const __m128i any = _mm_or_si128(_mm_or_si128(at(0), at(16)), _mm_or_si128(at(32), at(48)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) != 0xFFFF) return false;
  }
#endif
  for (; i + 32 <= count; i += 32) {
    std::uint64_t w0, w1, w2, w3;
    std::memcpy(&w0, bytes + i, 8);
    std::memcpy(&w1, bytes + i + 8, 8);
    std::memcpy(&w2, bytes + i + 16, 8);
    std::memcpy(&w3, bytes + i + 24, 8);
    if ((w0 | w1 | w2 | w3) != 0) return false;
  }
  auto wordAt = [bytes](std::size_t at) {
    std::uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    return word;
  };
  for (; i + 8 <= count; i += 8) {
    if (wordAt(i) != 0) return false;
  }
  // The last bytes as the row's last word, which may overlap bytes seen.
  if (i < count && count >= 8) return wordAt(count - 8) == 0;
  std::uint64_t any = 0;
  for (; i < count; ++i) any |= bytes[i];
  return any == 0;
}
