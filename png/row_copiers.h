// Row copiers: move one unfiltered row of samples into the image buffers,
// one copier per storage layout, chosen once per image.
#pragma once

#include <cstdint>

// Where one image row goes.
struct TRowTarget {
  std::uint8_t* colour;        // the row's memory row of ColorBits
  std::uint8_t* alpha;         // the row of the alpha plane, or nullptr
  const std::uint8_t* gamma;   // ForwardGamma, for RGB colour samples
};

struct TAdam7Pass {
  int firstRow;
  int firstColumn;
  int rowStep;
  int columnStep;
};
extern const TAdam7Pass kAdam7Passes[7];

// A full-width row: `width` pixels in `rowLength` bytes.
using TRowCopier = void (*)(const std::uint8_t* row, int width, int rowLength, const TRowTarget& target);
// A pass row of `passWidth` pixels, placed at the pass's columns.
using TPassCopier = void (*)(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth,
                             const TRowTarget& target);

struct TRowCopiers {
  TRowCopier sequential;
  TPassCopier adam7;
};

// The copiers for a colour type and bit depth, or nullptr for a combination
// that has none. `gamma` is ForwardGamma; where it maps every value to
// itself, copiers that skip the lookup may be chosen.
const TRowCopiers* FindRowCopiers(std::uint8_t colorType, std::uint8_t bitDepth, const std::uint8_t* gamma);
