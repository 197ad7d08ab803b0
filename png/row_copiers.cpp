#include "png/row_copiers.h"

#include <cstring>

#include "png/chunk_gamma.h"
#include "png/row_copiers_direct.h"

const TAdam7Pass kAdam7Passes[7] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

namespace {

// --- Byte-sized layouts. `Bytes` is the size of one source sample (1 or 2):
// of a 16-bit sample only its first byte is kept.

template <int Bytes>
void CopyRowRGB(const std::uint8_t* row, int width, int, const TRowTarget& t) {
  const std::uint8_t* g = t.gamma;
  for (int x = 0; x < width; ++x, row += 3 * Bytes) {
    t.colour[3 * x] = g[row[2 * Bytes]];
    t.colour[3 * x + 1] = g[row[Bytes]];
    t.colour[3 * x + 2] = g[row[0]];
  }
}

template <int Bytes>
void CopyRowRGBA(const std::uint8_t* row, int width, int, const TRowTarget& t) {
  const std::uint8_t* g = t.gamma;
  for (int x = 0; x < width; ++x, row += 4 * Bytes) {
    t.colour[3 * x] = g[row[2 * Bytes]];
    t.colour[3 * x + 1] = g[row[Bytes]];
    t.colour[3 * x + 2] = g[row[0]];
    t.alpha[x] = row[3 * Bytes];
  }
}

template <int Bytes>
void CopyRowGrayAlpha(const std::uint8_t* row, int width, int, const TRowTarget& t) {
  for (int x = 0; x < width; ++x, row += 2 * Bytes) {
    t.colour[x] = row[0];
    t.alpha[x] = row[Bytes];
  }
}

void CopyRowGray16(const std::uint8_t* row, int width, int, const TRowTarget& t) {
  for (int x = 0; x < width; ++x) t.colour[x] = row[2 * x];
}

template <int Bytes>
void CopyPassRGB(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  const std::uint8_t* g = t.gamma;
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep, row += 3 * Bytes) {
    t.colour[3 * x] = g[row[2 * Bytes]];
    t.colour[3 * x + 1] = g[row[Bytes]];
    t.colour[3 * x + 2] = g[row[0]];
  }
}

template <int Bytes>
void CopyPassRGBA(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  const std::uint8_t* g = t.gamma;
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep, row += 4 * Bytes) {
    t.colour[3 * x] = g[row[2 * Bytes]];
    t.colour[3 * x + 1] = g[row[Bytes]];
    t.colour[3 * x + 2] = g[row[0]];
    t.alpha[x] = row[3 * Bytes];
  }
}

template <int Bytes>
void CopyPassGrayAlpha(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep, row += 2 * Bytes) {
    t.colour[x] = row[0];
    t.alpha[x] = row[Bytes];
  }
}

void CopyPassGray16(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep) t.colour[x] = row[2 * k];
}

// --- Packed layouts. The row and the colour data pack 1, 4 and 8-bit
// samples alike; 2-bit samples are widened to 4-bit fields, grey ones
// scaled by 5 so that they index the 16-level grey ramp.

void CopyRowIndexed(const std::uint8_t* row, int, int rowLength, const TRowTarget& t) {
  if (rowLength > 0) std::memcpy(t.colour, row, static_cast<std::size_t>(rowLength));
}

template <int Scale>
void CopyRowTwoBit(const std::uint8_t* row, int, int rowLength, const TRowTarget& t) {
  for (int i = 0; i < rowLength; ++i) {
    const int b = row[i];
    t.colour[2 * i] = static_cast<std::uint8_t>(((b >> 6) * Scale) << 4 | ((b >> 4) & 3) * Scale);
    t.colour[2 * i + 1] = static_cast<std::uint8_t>((((b >> 2) & 3) * Scale) << 4 | (b & 3) * Scale);
  }
}

// Sample k of a row packed at Depth bits, most significant first.
template <int Depth>
int PackedSample(const std::uint8_t* row, int k) {
  const int bit = k * Depth;
  return (row[bit / 8] >> (8 - Depth - bit % 8)) & ((1 << Depth) - 1);
}

// ORs `value` into the field of column x at Bits bits per pixel; the colour
// data is zero-filled beforehand.
template <int Bits>
void PutField(std::uint8_t* colour, int x, int value) {
  if constexpr (Bits == 1) {
    colour[x / 8] = static_cast<std::uint8_t>(colour[x / 8] | value << (7 - x % 8));
  } else if constexpr (Bits == 4) {
    colour[x / 2] = static_cast<std::uint8_t>(colour[x / 2] | value << ((x % 2) ? 0 : 4));
  } else {
    colour[x] = static_cast<std::uint8_t>(value);
  }
}

template <int Depth>
void CopyPassIndexed(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep) {
    PutField<Depth>(t.colour, x, PackedSample<Depth>(row, k));
  }
}

template <int Scale>
void CopyPassTwoBit(const TAdam7Pass& pass, const std::uint8_t* row, int passWidth, const TRowTarget& t) {
  for (int k = 0, x = pass.firstColumn; k < passWidth; ++k, x += pass.columnStep) {
    PutField<4>(t.colour, x, PackedSample<2>(row, k) * Scale);
  }
}

struct TCopierEntry {
  std::uint8_t colorType;
  std::uint8_t bitDepth;
  TRowCopiers copiers;
};

const TCopierEntry kCopierTable[] = {
    {2, 8, {&CopyRowRGB<1>, &CopyPassRGB<1>}},
    {2, 16, {&CopyRowRGB<2>, &CopyPassRGB<2>}},
    {6, 8, {&CopyRowRGBA<1>, &CopyPassRGBA<1>}},
    {6, 16, {&CopyRowRGBA<2>, &CopyPassRGBA<2>}},
    {4, 8, {&CopyRowGrayAlpha<1>, &CopyPassGrayAlpha<1>}},
    {4, 16, {&CopyRowGrayAlpha<2>, &CopyPassGrayAlpha<2>}},
    {0, 16, {&CopyRowGray16, &CopyPassGray16}},
    {3, 16, {&CopyRowGray16, &CopyPassGray16}},
    {0, 1, {&CopyRowIndexed, &CopyPassIndexed<1>}},
    {0, 4, {&CopyRowIndexed, &CopyPassIndexed<4>}},
    {0, 8, {&CopyRowIndexed, &CopyPassIndexed<8>}},
    {3, 1, {&CopyRowIndexed, &CopyPassIndexed<1>}},
    {3, 4, {&CopyRowIndexed, &CopyPassIndexed<4>}},
    {3, 8, {&CopyRowIndexed, &CopyPassIndexed<8>}},
    {3, 2, {&CopyRowTwoBit<1>, &CopyPassTwoBit<1>}},
    {0, 2, {&CopyRowTwoBit<5>, &CopyPassTwoBit<5>}},
};

// Chosen before kCopierTable when ForwardGamma is the identity. Interlaced
// rows keep the byte-wise copiers: a word written to a pass column would
// spill into a column an earlier pass has filled. The entry without copiers
// ends the table, which may otherwise be empty.
const TCopierEntry* IdentityGammaTable() {
#ifdef FENWILLOW_SHUFFLED_COPIERS
  static const bool shuffles = HasSsse3();
  static const TCopierEntry shuffled[] = {
      {2, 8, {&CopyRowRGB8Shuffled, &CopyPassRGB<1>}},
      {6, 8, {&CopyRowRGBA8Shuffled, &CopyPassRGBA<1>}},
      {0, 0, {nullptr, nullptr}},
  };
  if (shuffles) return shuffled;
#endif
  static const TCopierEntry table[] = {
#ifdef FENWILLOW_DIRECT_COPIERS
      {2, 8, {&CopyRowRGB8Direct, &CopyPassRGB<1>}},
      {6, 8, {&CopyRowRGBA8Direct, &CopyPassRGBA<1>}},
#endif
      {0, 0, {nullptr, nullptr}},
  };
  return table;
}

bool IsIdentityGamma(const std::uint8_t* gamma) { return std::memcmp(gamma, IdentityGamma(), 256) == 0; }

}  // namespace

const TRowCopiers* FindRowCopiers(std::uint8_t colorType, std::uint8_t bitDepth, const std::uint8_t* gamma) {
  if (IsIdentityGamma(gamma)) {
    for (const TCopierEntry* entry = IdentityGammaTable(); entry->copiers.sequential != nullptr; ++entry) {
      if (entry->colorType == colorType && entry->bitDepth == bitDepth) return &entry->copiers;
    }
  }
  for (const TCopierEntry& entry : kCopierTable) {
    if (entry.colorType == colorType && entry.bitDepth == bitDepth) return &entry.copiers;
  }
  return nullptr;
}
