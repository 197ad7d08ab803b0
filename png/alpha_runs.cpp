#include "png/alpha_runs.h"

#include <algorithm>
#include <cstring>

#include "png/chunk_header.h"

namespace {

constexpr int kGroup = 4;
// Images with at most this many run pixels get their blend terms worked out
// once (16 bytes a pixel): the stars, not the tree or the garland.
constexpr std::size_t kTermsLimit = 4096;

std::uint64_t Lanes(unsigned blue, unsigned green, unsigned red, unsigned fourth) {
  return blue | std::uint64_t{green} << 16 | std::uint64_t{red} << 32 | std::uint64_t{fourth} << 48;
}

// Whether any pixel of the group starting at x shows.
bool Shows(const std::uint8_t* alpha, int x, int width) {
  if (x + kGroup <= width) {
    std::uint32_t group;
    std::memcpy(&group, alpha + x, sizeof group);
    return group != 0;
  }
  for (; x < width; ++x) {
    if (alpha[x] != 0) return true;
  }
  return false;
}

// The packed pixel x of a stored row: 24-bit rows hold blue, green, red;
// 8-bit rows a grey level for all three.
std::uint32_t Packed(const std::uint8_t* stored, bool grey, int x, std::uint8_t alpha) {
  const std::uint32_t a = std::uint32_t{alpha} << 24;
  if (grey) return stored[x] * 0x010101u | a;
  const std::uint8_t* p = stored + 3 * x;
  return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | a;
}

}  // namespace

TAlphaRuns::TAlphaRuns(const TChunkIHDR& header) {
  const int width = static_cast<int>(header.Width);
  const int height = static_cast<int>(header.Height);
  const bool grey = header.DibInfo.bmiHeader.biBitCount == 8;
  rowStarts_.reserve(static_cast<std::size_t>(height) + 1);
  for (int y = 0; y < height; ++y) {
    rowStarts_.push_back(static_cast<std::uint32_t>(runs_.size()));
    const std::uint8_t* alpha = header.AlphaPlane.get() + static_cast<std::size_t>(y) * width;
    const std::uint8_t* stored = header.StoredColourRow(y);
    int x = 0;
    while (x < width) {
      while (x < width && !Shows(alpha, x, width)) x += kGroup;
      if (x >= width) break;
      Run run{x, 0, static_cast<std::uint32_t>(pixels_.size())};
      while (x < width && Shows(alpha, x, width)) x += kGroup;
      const int end = std::min(x, width);
      for (int i = run.x; i < end; ++i) pixels_.push_back(Packed(stored, grey, i, alpha[i]));
      run.count = end - run.x;
      runs_.push_back(run);
    }
  }
  rowStarts_.push_back(static_cast<std::uint32_t>(runs_.size()));
  if (pixels_.size() > kTermsLimit) return;
  sourceTerms_.reserve(pixels_.size());
  keepTerms_.reserve(pixels_.size());
  for (const std::uint32_t p : pixels_) {
    const unsigned a = p >> 24;
    sourceTerms_.push_back(
        Lanes((p & 0xFF) * a + 255, (p >> 8 & 0xFF) * a + 255, (p >> 16 & 0xFF) * a + 255, 255));
    keepTerms_.push_back(Lanes(255 - a, 255 - a, 255 - a, 255));
  }
}
