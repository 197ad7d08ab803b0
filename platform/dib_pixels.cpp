#include "platform/dib_pixels.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/colour_tables.h"
#include "platform/row_copy.h"

namespace plat::dib {

namespace {

constexpr std::uint32_t kColourBits = 0xFFFFFFu;
constexpr std::uint32_t kWhite = 0xFFFFFFu;

// Index of the nearest table entry, remembering the colours already seen.
class IndexFinder {
 public:
  explicit IndexFinder(const std::vector<RGBQUAD>& table) : table_(table) {}
  std::uint8_t operator()(std::uint32_t pixel) {
    const std::uint32_t colour = pixel & kColourBits;
    auto found = seen_.find(colour);
    if (found != seen_.end()) return found->second;
    if (seen_.size() >= kMaxRemembered) seen_.clear();
    const auto index = static_cast<std::uint8_t>(
        NearestColourIndex(table_.data(), static_cast<int>(table_.size()), static_cast<BYTE>(colour >> 16),
                           static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour)));
    seen_.emplace(colour, index);
    return index;
  }

 private:
  static constexpr std::size_t kMaxRemembered = 1 << 16;
  const std::vector<RGBQUAD>& table_;
  std::unordered_map<std::uint32_t, std::uint8_t> seen_;
};

template <int Bpp>
void DecodeRow(const std::uint8_t* row, int width, const std::uint32_t* colours, std::uint32_t* out) {
  for (int x = 0; x < width; ++x) {
    if constexpr (Bpp == 32) {
      const std::uint8_t* p = row + 4 * x;
      out[x] = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    } else if constexpr (Bpp == 24) {
      const std::uint8_t* p = row + 3 * x;
      out[x] = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    } else {
      constexpr int perByte = 8 / Bpp;
      const int shift = 8 - Bpp - Bpp * (x % perByte);
      out[x] = colours[(row[x / perByte] >> shift) & ((1 << Bpp) - 1)];
    }
  }
}

template <int Bpp>
void EncodeRow(const std::uint32_t* in, int width, IndexFinder& find, std::uint8_t* row) {
  if constexpr (Bpp == 32) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = row + 4 * x;
      p[0] = static_cast<std::uint8_t>(in[x]);
      p[1] = static_cast<std::uint8_t>(in[x] >> 8);
      p[2] = static_cast<std::uint8_t>(in[x] >> 16);
      p[3] = static_cast<std::uint8_t>(in[x] >> 24);
    }
  } else if constexpr (Bpp == 24) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = row + 3 * x;
      p[0] = static_cast<std::uint8_t>(in[x]);
      p[1] = static_cast<std::uint8_t>(in[x] >> 8);
      p[2] = static_cast<std::uint8_t>(in[x] >> 16);
    }
  } else {
    constexpr int perByte = 8 / Bpp;
    std::memset(row, 0, static_cast<std::size_t>((width + perByte - 1) / perByte));
    for (int x = 0; x < width; ++x) {
      const int shift = 8 - Bpp - Bpp * (x % perByte);
      row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (find(in[x]) << shift));
    }
  }
}

// The 32-bit values of a table's colours (0 in the fourth byte).
struct ColourValues {
  explicit ColourValues(const std::vector<RGBQUAD>& colours) {
    for (std::size_t i = 0; i < colours.size() && i < 256; ++i) table[i] = ColourOf(colours[i]);
  }
  std::uint32_t table[256] = {};
};

void DecodeAnyRow(const Layout& dib, int y, const ColourValues& colours, std::uint32_t* out) {
  const std::uint8_t* row = dib.Row(y);
  switch (dib.bitsPerPixel) {
    case 1: DecodeRow<1>(row, dib.width, colours.table, out); break;
    case 4: DecodeRow<4>(row, dib.width, colours.table, out); break;
    case 8: DecodeRow<8>(row, dib.width, colours.table, out); break;
    case 24: DecodeRow<24>(row, dib.width, colours.table, out); break;
    case 32: DecodeRow<32>(row, dib.width, colours.table, out); break;
  }
}

void EncodeAnyRow(const std::uint32_t* in, const Layout& dib, int y, IndexFinder& find) {
  std::uint8_t* row = dib.Row(y);
  switch (dib.bitsPerPixel) {
    case 1: EncodeRow<1>(in, dib.width, find, row); break;
    case 4: EncodeRow<4>(in, dib.width, find, row); break;
    case 8: EncodeRow<8>(in, dib.width, find, row); break;
    case 24: EncodeRow<24>(in, dib.width, find, row); break;
    case 32: EncodeRow<32>(in, dib.width, find, row); break;
  }
}

}  // namespace

bool IsHandledDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 24: case 32: return true;
    default: return false;
  }
}

std::vector<std::uint32_t> Decode(const Layout& dib, const std::vector<RGBQUAD>& colours) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(dib.width) * static_cast<std::size_t>(dib.height));
  const ColourValues values(colours);
  for (int y = 0; y < dib.height; ++y) {
    DecodeAnyRow(dib, y, values, pixels.data() + static_cast<std::size_t>(y) * dib.width);
  }
  return pixels;
}

std::vector<RGBQUAD> ChooseColourTable(const std::vector<std::uint32_t>& pixels, int bitsPerPixel) {
  const std::size_t capacity = std::size_t{1} << bitsPerPixel;
  std::unordered_set<std::uint32_t> distinct;
  for (std::uint32_t pixel : pixels) {
    distinct.insert(pixel & kColourBits);
    if (distinct.size() > capacity) return StandardColourTable(bitsPerPixel);
  }
  std::vector<std::uint32_t> sorted(distinct.begin(), distinct.end());
  std::sort(sorted.begin(), sorted.end());
  std::vector<RGBQUAD> table(capacity, RGBQUAD{0, 0, 0, 0});
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    table[i] = RGBQUAD{static_cast<BYTE>(sorted[i]), static_cast<BYTE>(sorted[i] >> 8),
                       static_cast<BYTE>(sorted[i] >> 16), 0};
  }
  return table;
}

void Encode(const std::vector<std::uint32_t>& pixels, const Layout& dib, const std::vector<RGBQUAD>& table) {
  IndexFinder find(table);
  for (int y = 0; y < dib.height; ++y) {
    EncodeAnyRow(pixels.data() + static_cast<std::size_t>(y) * dib.width, dib, y, find);
  }
}

void Transcode(const Layout& from, const std::vector<RGBQUAD>& colours, const Layout& to) {
  if (from.bitsPerPixel >= 24) {
    // Direct layouts go over byte for byte.
    for (int y = 0; y < from.height; ++y) {
      if (from.bitsPerPixel == to.bitsPerPixel) {
        std::memcpy(to.Row(y), from.Row(y), static_cast<std::size_t>(from.width) * (from.bitsPerPixel / 8));
      } else if (from.bitsPerPixel == 24) {
        CopyRow24To32(from.Row(y), to.Row(y), from.width);
      } else {
        CopyRow32To24(from.Row(y), to.Row(y), from.width);
      }
    }
    return;
  }
  const ColourValues values(colours);
  const std::vector<RGBQUAD> noTable;
  IndexFinder find(noTable);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(from.width));
  for (int y = 0; y < from.height; ++y) {
    DecodeAnyRow(from, y, values, row.data());
    EncodeAnyRow(row.data(), to, y, find);
  }
}

void FillWhite(const Layout& dib, const std::vector<RGBQUAD>& table) {
  const std::vector<std::uint32_t> white(static_cast<std::size_t>(dib.width), kWhite);
  Encode(white, Layout{dib.Row(0), dib.width, 1, dib.bitsPerPixel, true}, table);
  for (int y = 1; y < dib.height; ++y) std::memcpy(dib.Row(y), dib.Row(0), static_cast<std::size_t>(dib.Stride()));
}

void CopyOverlap(const Layout& from, const Layout& to) {
  const int width = std::min(from.width, to.width);
  const int height = std::min(from.height, to.height);
  const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(from.bitsPerPixel);
  const std::size_t whole = bits / 8;
  const unsigned rest = static_cast<unsigned>(bits % 8);
  // The leading bits of the byte that the last pixels share with pixels
  // beyond the overlap.
  const auto mask = static_cast<std::uint8_t>(0xFFu << (8 - rest));
  // Two images of one shape in the same row order, rows without padding:
  // one block.
  if (from.width == to.width && from.height == to.height && from.bitsPerPixel == to.bitsPerPixel &&
      from.topDown == to.topDown && rest == 0 && whole == static_cast<std::size_t>(to.Stride())) {
    std::memcpy(to.bits, from.bits, static_cast<std::size_t>(to.Stride()) * static_cast<std::size_t>(height));
    return;
  }
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = from.Row(y);
    std::uint8_t* target = to.Row(y);
    std::memcpy(target, source, whole);
    if (rest != 0) target[whole] = static_cast<std::uint8_t>((source[whole] & mask) | (target[whole] & ~mask));
  }
}

}  // namespace plat::dib
