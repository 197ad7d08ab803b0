// Reconstruction of filtered rows.
#pragma once

#include <cstdint>
#include <cstdlib>

// The predictor closest to left + up - upperLeft; ties go to left, then up.
inline std::uint8_t PaethPredictor(int left, int up, int upperLeft) {
  const int pa = std::abs(up - upperLeft);
  const int pb = std::abs(left - upperLeft);
  const int pc = std::abs(left + up - 2 * upperLeft);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(left);
  if (pb <= pc) return static_cast<std::uint8_t>(up);
  return static_cast<std::uint8_t>(upperLeft);
}

// Undoes the filter of the row `filtered` into `row`, which may be `filtered`
// itself. Byte 0 of a row is the filter type (unused in `row`), bytes 1 to
// `rowLength` the row; `previous` is the reconstructed row above in the same
// form. Filter types above 4 leave the bytes as they are. One byte at a
// time.
void UnfilterRow(std::uint8_t* row, const std::uint8_t* filtered, const std::uint8_t* previous, int rowLength,
                 int pixelStride);

// The same, as fast as this processor allows for one pixel stride; chosen
// once per image, since the stride is fixed for the image.
using TRowUnfilter = void (*)(std::uint8_t* row, const std::uint8_t* filtered, const std::uint8_t* previous,
                              int rowLength, int pixelStride);
TRowUnfilter ChooseRowUnfilter(int pixelStride);
