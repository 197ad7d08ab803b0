// The unfilter chosen per pixel stride against the byte-at-a-time one, on
// random rows and on the extremes where the Average and Paeth arithmetic
// overflows or ties.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "png/filters.h"

namespace {

using Row = std::vector<std::uint8_t>;

// Unfilters `filtered` against `above` byte at a time in place, and the
// chosen way into another row and in place; the rows hold the filter byte
// first.
void ExpectSameUnfiltering(const Row& filtered, const Row& above, int stride, const std::string& what) {
  Row plain = filtered, chosen(filtered.size()), chosenInPlace = filtered;
  const int n = static_cast<int>(filtered.size()) - 1;
  UnfilterRow(plain.data(), plain.data(), above.data(), n, stride);
  ChooseRowUnfilter(stride)(chosen.data(), filtered.data(), above.data(), n, stride);
  ChooseRowUnfilter(stride)(chosenInPlace.data(), chosenInPlace.data(), above.data(), n, stride);
  chosen[0] = filtered[0];  // the filter byte is not copied
  ASSERT_EQ(chosen, plain) << what;
  ASSERT_EQ(chosenInPlace, plain) << what << ", in place";
}

TEST(PngFilterChoice, VectorUnfiltersMatchTheByteAtATimeOneOnRandomRows) {
  std::mt19937 random(17);
  for (int stride = 1; stride <= 8; ++stride) {
    for (int pixels : {0, 1, 2, 3, 5, 7, 16, 33, 100}) {
      for (int filter = 0; filter <= 6; ++filter) {
        for (int trial = 0; trial < 4; ++trial) {
          Row row(1 + static_cast<std::size_t>(pixels * stride)), above(row.size());
          for (auto& b : row) b = static_cast<std::uint8_t>(random());
          for (auto& b : above) b = static_cast<std::uint8_t>(random());
          // Odd trials: the row above in runs of one pixel, as flat pictures have.
          for (std::size_t i = 1 + stride; trial % 2 == 1 && i < above.size(); ++i) {
            if (random() % 16 != 0) above[i] = above[i - stride];
          }
          row[0] = static_cast<std::uint8_t>(filter);
          ExpectSameUnfiltering(row, above, stride,
                                "stride " + std::to_string(stride) + " pixels " + std::to_string(pixels) +
                                    " filter " + std::to_string(filter));
        }
      }
    }
  }
}

TEST(PngFilterChoice, VectorUnfiltersMatchOnExtremesAndTies) {
  // Values near 0 and 255 make the Average sum exceed a byte and the Paeth
  // distances tie in every way.
  const std::uint8_t values[] = {0, 1, 2, 127, 128, 129, 254, 255};
  std::mt19937 random(23);
  for (int stride : {3, 4, 6, 8}) {
    for (int filter : {1, 2, 3, 4}) {
      for (int trial = 0; trial < 50; ++trial) {
        Row row(1 + static_cast<std::size_t>(24 * stride)), above(row.size());
        for (auto& b : row) b = values[random() % 8];
        for (auto& b : above) b = values[random() % 8];
        row[0] = static_cast<std::uint8_t>(filter);
        ExpectSameUnfiltering(row, above, stride, "stride " + std::to_string(stride) + " filter " +
                                                      std::to_string(filter));
      }
    }
  }
}

TEST(PngFilterChoice, ColourStridesGetAVectorUnfilterOnX86) {
#if defined(__x86_64__) || defined(_M_X64)
  for (int stride : {3, 4, 6, 8}) EXPECT_NE(ChooseRowUnfilter(stride), &UnfilterRow) << stride;
#endif
  EXPECT_EQ(ChooseRowUnfilter(1), &UnfilterRow);
}

}  // namespace
