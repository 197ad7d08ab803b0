// What alpha drawing learns once about an image whose alpha comes from its
// alpha plane (grey or RGB with alpha): in each row, the runs of pixels to
// blend, with colour and alpha packed for blending. A pixel of alpha 0
// leaves the destination exactly as it was, so drawing passes over such
// pixels. Rows are taken in groups of four pixels from their start (a
// row's last group may be shorter); a group is blended whole when any of
// its pixels shows, so that runs are mostly whole groups, which the vector
// blend takes at once.
#pragma once

#include <cstdint>
#include <vector>

class TChunkIHDR;

class TAlphaRuns {
 public:
  struct Run {
    std::int32_t x;       // first pixel of the run in its row
    std::int32_t count;
    std::uint32_t first;  // index of its first pixel in Pixels()
  };

  // Learns the runs of an image with 8-bit grey or 24-bit colour and an
  // alpha plane.
  explicit TAlphaRuns(const TChunkIHDR& header);

  const Run* RowBegin(int y) const { return runs_.data() + rowStarts_[y]; }
  const Run* RowEnd(int y) const { return runs_.data() + rowStarts_[y + 1]; }
  // Blue | green << 8 | red << 16 | alpha << 24, run after run.
  const std::uint32_t* Pixels() const { return pixels_.data(); }
  // For small images, drawn many times a frame, each run pixel's blend
  // terms in four 16-bit lanes (blue, green, red, fourth byte), so that
  // a destination byte d becomes (Source × 1 + d × Keep) >> 8:
  // Source = colour × alpha + 255 (255 for the fourth byte) and
  // Keep = 255 − alpha (255 for the fourth byte). Null for larger images.
  const std::uint64_t* SourceTerms() const { return sourceTerms_.empty() ? nullptr : sourceTerms_.data(); }
  const std::uint64_t* KeepTerms() const { return keepTerms_.data(); }

 private:
  std::vector<std::uint32_t> rowStarts_;  // index in runs_ of each row's first run, and the end
  std::vector<Run> runs_;
  std::vector<std::uint32_t> pixels_;
  std::vector<std::uint64_t> sourceTerms_;
  std::vector<std::uint64_t> keepTerms_;
};
