#include "png/filters.h"

#include <algorithm>
#include <cstring>

#include "png/filters_vector.h"

void UnfilterRow(std::uint8_t* row, const std::uint8_t* filtered, const std::uint8_t* previous, int rowLength,
                 int pixelStride) {
  const int n = rowLength;
  const int s = pixelStride;
  // Bytes 1..lead have no left neighbour.
  const int lead = std::min(s, n);
  const std::uint8_t* f = filtered;
  switch (f[0]) {
    case 1:
      for (int i = 1; i <= lead; ++i) row[i] = f[i];
      for (int i = s + 1; i <= n; ++i) row[i] = static_cast<std::uint8_t>(f[i] + row[i - s]);
      break;
    case 2:
      for (int i = 1; i <= n; ++i) row[i] = static_cast<std::uint8_t>(f[i] + previous[i]);
      break;
    case 3:
      for (int i = 1; i <= lead; ++i) row[i] = static_cast<std::uint8_t>(f[i] + previous[i] / 2);
      for (int i = s + 1; i <= n; ++i) {
        row[i] = static_cast<std::uint8_t>(f[i] + (row[i - s] + previous[i]) / 2);
      }
      break;
    case 4:
      // Without left and upper-left the predictor is the byte above.
      for (int i = 1; i <= lead; ++i) row[i] = static_cast<std::uint8_t>(f[i] + previous[i]);
      for (int i = s + 1; i <= n; ++i) {
        row[i] = static_cast<std::uint8_t>(f[i] + PaethPredictor(row[i - s], previous[i], previous[i - s]));
      }
      break;
    default:
      if (row != f && n > 0) std::memcpy(row + 1, f + 1, static_cast<std::size_t>(n));
      break;
  }
}

TRowUnfilter ChooseRowUnfilter(int pixelStride) {
#ifdef FENWILLOW_SSE2_FILTERS
  if (TRowUnfilter vector = Sse2RowUnfilter(pixelStride)) return vector;
#endif
  return &UnfilterRow;
}
