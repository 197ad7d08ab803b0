// The word-at-a-time copiers chosen for identity gamma against the byte-wise
// ones given an identity table: same colour bytes, same alpha, and nothing
// written outside the row.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "png/row_copiers.h"

namespace {

std::vector<std::uint8_t> IdentityTable() {
  std::vector<std::uint8_t> table(256);
  for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
  return table;
}

// A table that differs from the identity in one entry, so that only the
// byte-wise copiers can honour it.
std::vector<std::uint8_t> AlmostIdentityTable() {
  std::vector<std::uint8_t> table = IdentityTable();
  table[200] = 201;
  return table;
}

struct Copied {
  std::vector<std::uint8_t> colour, alpha;
};

// Copies one row into buffers with a guard band of 0xAB on each side.
Copied CopyOneRow(const TRowCopiers& copiers, const std::vector<std::uint8_t>& row, int width,
                  const std::uint8_t* gamma) {
  const std::size_t guard = 8;
  Copied out{std::vector<std::uint8_t>(3 * static_cast<std::size_t>(width) + 2 * guard, 0xAB),
             std::vector<std::uint8_t>(static_cast<std::size_t>(width) + 2 * guard, 0xAB)};
  const TRowTarget target{out.colour.data() + guard, out.alpha.data() + guard, gamma};
  copiers.sequential(row.data(), width, static_cast<int>(row.size()), target);
  return out;
}

TEST(PngDirectCopiers, MatchTheByteWiseCopiersForEveryWidth) {
  const std::vector<std::uint8_t> identity = IdentityTable();
  std::mt19937 random(31);
  for (std::uint8_t colorType : {2, 6}) {
    const TRowCopiers* chosen = FindRowCopiers(colorType, 8, identity.data());
    const std::vector<std::uint8_t> almost = AlmostIdentityTable();
    const TRowCopiers* byteWise = FindRowCopiers(colorType, 8, almost.data());
    ASSERT_NE(chosen, nullptr);
    ASSERT_NE(byteWise, nullptr);
    const int channels = colorType == 6 ? 4 : 3;
    for (int width = 0; width <= 40; ++width) {
      // The row is exactly as long as its pixels: a copier reading past it
      // shows under the sanitizers.
      std::vector<std::uint8_t> row(static_cast<std::size_t>(width * channels));
      for (auto& b : row) b = static_cast<std::uint8_t>(random());
      const Copied direct = CopyOneRow(*chosen, row, width, identity.data());
      const Copied plain = CopyOneRow(*byteWise, row, width, identity.data());
      EXPECT_EQ(direct.colour, plain.colour) << "type " << int(colorType) << " width " << width;
      if (colorType == 6) {
        EXPECT_EQ(direct.alpha, plain.alpha) << "width " << width;
      }
    }
  }
}

TEST(PngDirectCopiers, AreChosenOnlyForIdentityGamma) {
  const std::vector<std::uint8_t> identity = IdentityTable();
  const std::vector<std::uint8_t> almost = AlmostIdentityTable();
  for (std::uint8_t colorType : {2, 6}) {
    const TRowCopiers* byteWise = FindRowCopiers(colorType, 8, almost.data());
    std::vector<std::uint8_t> row(3 * 4, 200);
    if (colorType == 6) row.resize(4 * 4, 200);
    const Copied mapped = CopyOneRow(*byteWise, row, 3, almost.data());
    EXPECT_EQ(mapped.colour[8], 201) << "the byte-wise copier maps through the table";
    // Other layouts and interlaced rows keep one copier whatever the table.
    EXPECT_EQ(FindRowCopiers(colorType, 16, identity.data()), FindRowCopiers(colorType, 16, almost.data()));
    EXPECT_EQ(FindRowCopiers(colorType, 8, identity.data())->adam7, byteWise->adam7);
  }
}

}  // namespace
