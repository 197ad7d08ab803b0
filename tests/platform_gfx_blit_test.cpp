// BitBlt and StretchBlt: conversions between surface kinds, raster
// operations, clipping, reads outside the source, nearest-neighbour stretch.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform_gfx_support.h"

namespace {

using namespace gfx;

constexpr std::uint32_t kFill = Bgra(0xEE, 0xEE, 0xEE, 0xEE);

std::uint32_t Source(int x, int y) { return Bgra(10 * x + 1, 10 * y + 2, 0x55, 0x90 + x + y); }

void FillSource(Dib& dib, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dib.Set(x, y, Source(x, y));
}

TEST(Blit, SrcCopyBetween32BitSurfacesKeepsAllFourBytes) {
  for (bool sourceTopDown : {true, false}) {
    Dib src(5, 3, 32, sourceTopDown), viaBitBlt(5, 3, 32, false), viaStretch(5, 3, 32, true);
    FillSource(src, 5, 3);
    viaBitBlt.Fill(kFill);
    viaStretch.Fill(kFill);
    ASSERT_TRUE(BitBlt(viaBitBlt.dc(), 0, 0, 5, 3, src.dc(), 0, 0, SRCCOPY));
    ASSERT_TRUE(StretchBlt(viaStretch.dc(), 0, 0, 5, 3, src.dc(), 0, 0, 5, 3, SRCCOPY));
    for (int y = 0; y < 3; ++y) {
      EXPECT_EQ(0, std::memcmp(src.Row(y), viaBitBlt.Row(y), 20)) << "row " << y;
      EXPECT_EQ(0, std::memcmp(src.Row(y), viaStretch.Row(y), 20)) << "row " << y;
    }
  }
}

struct RopCase {
  int sourceBpp;
  int destBpp;
  DWORD rop;
  std::uint32_t source;  // in the source's layout
  std::uint32_t dest;    // in the destination's layout, before
  std::uint32_t expected;
};

// The source and destination of the indexed cases share one table.
const std::vector<RGBQUAD> kTable = {Quad(0, 0, 0), Quad(255, 0, 0), Quad(0, 255, 0), Quad(255, 255, 255),
                                     Quad(0, 0, 255)};

class BlitRop : public ::testing::TestWithParam<RopCase> {};

TEST_P(BlitRop, CombinesConvertedSourceWithDestination) {
  const RopCase& c = GetParam();
  Dib src(3, 1, c.sourceBpp, true, kTable), dst(3, 1, c.destBpp, false, kTable);
  for (int x = 0; x < 3; ++x) {
    src.Set(x, 0, c.source);
    dst.Set(x, 0, c.dest);
  }
  // Only the middle pixel is drawn: its neighbours (sharing a byte at 1 and
  // 4 bits) must not change.
  ASSERT_TRUE(BitBlt(dst.dc(), 1, 0, 1, 1, src.dc(), 1, 0, c.rop));
  EXPECT_EQ(c.expected, dst.Get(1, 0));
  EXPECT_EQ(c.dest, dst.Get(0, 0));
  EXPECT_EQ(c.dest, dst.Get(2, 0));
}

constexpr std::uint32_t s32 = 0xF0A53C81u, d32 = 0x3366CC0Fu;
constexpr std::uint32_t s24 = 0xA53C81u, d24 = 0x66CC0Fu;
constexpr std::uint32_t red32 = Bgra(0, 0, 255, 0x40), red24 = Bgra(0, 0, 255);

INSTANTIATE_TEST_SUITE_P(
    AllDepths, BlitRop,
    ::testing::Values(
        // 32 -> 32: every byte takes part.
        RopCase{32, 32, SRCCOPY, s32, d32, s32}, RopCase{32, 32, NOTSRCCOPY, s32, d32, ~s32},
        RopCase{32, 32, SRCAND, s32, d32, s32 & d32}, RopCase{32, 32, SRCPAINT, s32, d32, s32 | d32},
        // 32 -> 24 drops the fourth byte; 24 -> 32 brings a 0 fourth byte,
        // which the operation then combines like the others.
        RopCase{32, 24, SRCCOPY, s32, d24, s32 & 0xFFFFFF}, RopCase{32, 24, NOTSRCCOPY, s32, d24, ~s32 & 0xFFFFFF},
        RopCase{32, 24, SRCAND, s32, d24, s32 & d24}, RopCase{32, 24, SRCPAINT, s32, d24, (s32 | d24) & 0xFFFFFF},
        RopCase{24, 32, SRCCOPY, s24, d32, s24}, RopCase{24, 32, NOTSRCCOPY, s24, d32, ~s24},
        RopCase{24, 32, SRCAND, s24, d32, s24 & d32}, RopCase{24, 32, SRCPAINT, s24, d32, s24 | d32},
        RopCase{24, 24, SRCPAINT, s24, d24, s24 | d24},
        // Colour onto an indexed DIB: the nearest entry, then the operation
        // on indices (red is 1, green 2, white 3).
        RopCase{32, 8, SRCCOPY, red32, 2, 1}, RopCase{32, 8, SRCPAINT, red32, 2, 3},
        RopCase{32, 8, SRCAND, red32, 3, 1}, RopCase{32, 8, NOTSRCCOPY, red32, 0, 0xFE},
        RopCase{24, 4, SRCCOPY, Bgra(10, 250, 5), 0, 2}, RopCase{24, 4, NOTSRCCOPY, red24, 0, 0xE},
        RopCase{32, 4, SRCPAINT, Bgra(250, 250, 250), 4, 7},
        RopCase{32, 1, SRCCOPY, Bgra(0, 0, 200), 0, 1}, RopCase{32, 1, NOTSRCCOPY, Bgra(0, 0, 200), 0, 0},
        RopCase{24, 1, SRCAND, Bgra(0, 0, 10), 1, 0},
        // Indexed sources through their table, with a 0 fourth byte.
        RopCase{8, 32, SRCCOPY, 1, d32, red24}, RopCase{4, 32, SRCPAINT, 4, 0xFF000000u, Bgra(255, 0, 0, 0xFF)},
        RopCase{1, 24, SRCCOPY, 1, d24, red24}, RopCase{8, 4, SRCCOPY, 3, 0, 3},
        RopCase{8, 1, SRCCOPY, 2, 1, 0}, RopCase{4, 8, SRCAND, 3, 2, 2}));

TEST(Blit, ColourToMonochromeIsKeyedByTheSourceContextsBackground) {
  const COLORREF key = RGB(200, 100, 50);
  Dib src(5, 1, 32);
  // The key. The fourth byte of a 32-bit pixel is no part of its colour;
  // Wine compares it as well, so there it stays 0.
  src.Set(0, 0, Bgra(50, 100, 200, UnderWine() ? 0 : 0x7F));
  src.Set(1, 0, Bgra(50, 100, 200, 0));
  src.Set(2, 0, Bgra(50, 100, 201, 0));      // one step away is not the key
  src.Set(3, 0, Bgra(255, 255, 255, 0));     // white is nothing special
  src.Set(4, 0, Bgra(50, 100, 200, UnderWine() ? 0 : 0xFF));
  Mono mask({"00000"});
  SetBkColor(src.dc(), key);
  SetBkColor(mask.dc(), RGB(255, 255, 255));
  ASSERT_TRUE(BitBlt(mask.dc(), 0, 0, 5, 1, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(std::vector<std::string>{"11001"}, mask.Rows());

  // NOTSRCCOPY inverts the mask; SRCAND and SRCPAINT combine it.
  ASSERT_TRUE(BitBlt(mask.dc(), 0, 0, 5, 1, src.dc(), 0, 0, NOTSRCCOPY));
  EXPECT_EQ(std::vector<std::string>{"00110"}, mask.Rows());
  Mono ones({"11111"}), zeros({"00000"});
  SetBkColor(src.dc(), RGB(255, 255, 255));
  ASSERT_TRUE(BitBlt(ones.dc(), 0, 0, 5, 1, src.dc(), 0, 0, SRCAND));
  ASSERT_TRUE(BitBlt(zeros.dc(), 0, 0, 5, 1, src.dc(), 0, 0, SRCPAINT));
  EXPECT_EQ(std::vector<std::string>{"00010"}, ones.Rows());
  EXPECT_EQ(std::vector<std::string>{"00010"}, zeros.Rows());
}

TEST(Blit, IndexedAnd24BitSourcesKeyTheirColours) {
  Dib indexed(4, 1, 8, true, kTable), rgb(4, 1, 24);
  for (int x = 0; x < 4; ++x) indexed.Set(x, 0, x);  // black, red, green, white
  rgb.Set(0, 0, Bgra(0, 255, 0));
  rgb.Set(2, 0, Bgra(0, 255, 0));
  Mono fromIndexed({"0000"}), fromRgb({"1111"});
  SetBkColor(indexed.dc(), RGB(0, 255, 0));
  SetBkColor(rgb.dc(), RGB(0, 255, 0));
  ASSERT_TRUE(BitBlt(fromIndexed.dc(), 0, 0, 4, 1, indexed.dc(), 0, 0, SRCCOPY));
  ASSERT_TRUE(BitBlt(fromRgb.dc(), 0, 0, 4, 1, rgb.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(std::vector<std::string>{"0010"}, fromIndexed.Rows());
  EXPECT_EQ(std::vector<std::string>{"1010"}, fromRgb.Rows());
}

TEST(Blit, MonochromeToColourUsesTheDestinationContextsColours) {
  Mono mask({"0110"});
  Dib dst(4, 1, 32);
  dst.Fill(kFill);
  // Colours set on the source context play no part.
  SetTextColor(mask.dc(), RGB(1, 2, 3));
  SetBkColor(mask.dc(), RGB(4, 5, 6));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 1, mask.dc(), 0, 0, SRCCOPY));
  const std::uint32_t black = Bgra(0, 0, 0), white = Bgra(255, 255, 255);
  EXPECT_EQ((std::vector<std::uint32_t>{black, white, white, black}), dst.RowValues(0));

  SetTextColor(dst.dc(), RGB(10, 20, 30));
  SetBkColor(dst.dc(), RGB(200, 100, 50));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 1, mask.dc(), 0, 0, SRCCOPY));
  const std::uint32_t text = Bgra(30, 20, 10), back = Bgra(50, 100, 200);
  EXPECT_EQ((std::vector<std::uint32_t>{text, back, back, text}), dst.RowValues(0));

  // Onto an indexed DIB the two colours take their nearest entries.
  Dib indexed(4, 1, 4, true, kTable);
  SetTextColor(indexed.dc(), RGB(0, 0, 250));
  SetBkColor(indexed.dc(), RGB(240, 10, 10));
  ASSERT_TRUE(BitBlt(indexed.dc(), 0, 0, 4, 1, mask.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 1, 1, 4}), indexed.RowValues(0));
}

TEST(Blit, AndWithAMonochromeMaskKeepsOrClearsColour) {
  // White (1) keeps the colour bytes, black (0) clears the pixel.
  Mono mask({"10"});
  Dib dst(2, 1, 32);
  dst.Set(0, 0, Bgra(1, 2, 3, 4));
  dst.Set(1, 0, Bgra(9, 9, 9, 9));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 1, mask.dc(), 0, 0, SRCAND));
  EXPECT_EQ(Bgra(1, 2, 3, 0), dst.Get(0, 0));  // white has a 0 fourth byte
  EXPECT_EQ(0u, dst.Get(1, 0));
}

TEST(Blit, MonochromeToMonochromeCopiesBits) {
  Mono src({"0110", "1001"}), dst({"0011", "0011"});
  // A colour conversion would compare the source's white with this
  // background and give all zeros; bits are copied instead.
  SetBkColor(src.dc(), RGB(0, 0, 0));
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ((std::vector<std::string>{"0110", "1001"}), dst.Rows());
  Mono other({"0011", "0011"});
  ASSERT_TRUE(BitBlt(other.dc(), 0, 0, 4, 2, src.dc(), 0, 0, NOTSRCCOPY));
  EXPECT_EQ((std::vector<std::string>{"1001", "0110"}), other.Rows());
  Mono anded({"0011", "0011"}), ored({"0011", "0011"});
  ASSERT_TRUE(BitBlt(anded.dc(), 0, 0, 4, 2, src.dc(), 0, 0, SRCAND));
  ASSERT_TRUE(BitBlt(ored.dc(), 0, 0, 4, 2, src.dc(), 0, 0, SRCPAINT));
  EXPECT_EQ((std::vector<std::string>{"0010", "0001"}), anded.Rows());
  EXPECT_EQ((std::vector<std::string>{"0111", "1011"}), ored.Rows());
}

struct Placement {
  int x, y;
};

class BlitClip : public ::testing::TestWithParam<Placement> {};

TEST_P(BlitClip, OnlyPixelsOnTheDestinationChange) {
  const Placement p = GetParam();
  Dib src(3, 3, 32), dst(4, 4, 32, false);
  FillSource(src, 3, 3);
  dst.Fill(kFill);
  ASSERT_TRUE(BitBlt(dst.dc(), p.x, p.y, 3, 3, src.dc(), 0, 0, SRCCOPY));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int sx = x - p.x, sy = y - p.y;
      const bool covered = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
      EXPECT_EQ(covered ? Source(sx, sy) : kFill, dst.Get(x, y)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(AllEdges, BlitClip,
                         ::testing::Values(Placement{-1, -1}, Placement{2, 2}, Placement{-2, 2}, Placement{2, -2},
                                           Placement{-3, 0}, Placement{4, 0}, Placement{0, -30000},
                                           Placement{1, 1}));

TEST(Blit, PixelsWhoseSourceIsOffTheSourceStayUnchanged) {
  Dib src(3, 3, 32), dst(4, 4, 32);
  FillSource(src, 3, 3);
  dst.Fill(kFill);
  ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 4, src.dc(), -1, 1, SRCCOPY));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int sx = x - 1, sy = y + 1;
      const bool inside = sx >= 0 && sx < 3 && sy < 3;
      EXPECT_EQ(inside ? Source(sx, sy) : kFill, dst.Get(x, y)) << x << "," << y;
    }
}

TEST(Blit, StretchingPicksNearestNeighbours) {
  Dib src(3, 2, 32), up(6, 4, 32), down(2, 1, 32), odd(2, 3, 32);
  FillSource(src, 3, 2);
  ASSERT_TRUE(StretchBlt(up.dc(), 0, 0, 6, 4, src.dc(), 0, 0, 3, 2, SRCCOPY));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Source(x / 2, y / 2), up.Get(x, y)) << x << "," << y;
  // Shrinking keeps one pixel of each run, only here: Win32's default
  // stretch mode ANDs the run. 3 -> 2 columns: d maps to floor(d * 3 / 2):
  // 0, 1. 2 -> 1 rows: 0.
  ASSERT_TRUE(StretchBlt(down.dc(), 0, 0, 2, 1, src.dc(), 0, 0, 3, 2, SRCCOPY));
  if (kSoftGraphics) {
    EXPECT_EQ((std::vector<std::uint32_t>{Source(0, 0), Source(1, 0)}), down.RowValues(0));
  }
  // 2 -> 3 rows from a source area starting at column 1: rows 0, 0, 1.
  ASSERT_TRUE(StretchBlt(odd.dc(), 0, 0, 2, 3, src.dc(), 1, 0, 2, 2, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(1, 0), Source(2, 0)}), odd.RowValues(0));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(1, 0), Source(2, 0)}), odd.RowValues(1));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(1, 1), Source(2, 1)}), odd.RowValues(2));
}

TEST(Blit, StretchingClipsLikeCopying) {
  Dib src(2, 2, 32), dst(3, 3, 32);
  FillSource(src, 2, 2);
  dst.Fill(kFill);
  // 2 x 2 doubled onto (-1, -1): the destination offsets 1..3 are visible,
  // and map to source columns and rows 0, 1, 1.
  ASSERT_TRUE(StretchBlt(dst.dc(), -1, -1, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(0, 0), Source(1, 0), Source(1, 0)}), dst.RowValues(0));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(0, 1), Source(1, 1), Source(1, 1)}), dst.RowValues(1));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(0, 1), Source(1, 1), Source(1, 1)}), dst.RowValues(2));
  // Past the right and bottom edges.
  dst.Fill(kFill);
  ASSERT_TRUE(StretchBlt(dst.dc(), 2, 2, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(Source(0, 0), dst.Get(2, 2));
  EXPECT_EQ(kFill, dst.Get(1, 2));
  EXPECT_EQ(kFill, dst.Get(2, 1));
  // A source area partly off the source: only the mapped-inside part lands.
  dst.Fill(kFill);
  ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 3, 1, src.dc(), 1, 0, 3, 1, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(1, 0), kFill, kFill}), dst.RowValues(0));
}

TEST(Blit, OverlappingCopyWithinOneSurfaceReadsTheOriginal) {
  Dib dib(4, 1, 32);
  for (int x = 0; x < 4; ++x) dib.Set(x, 0, Source(x, 0));
  ASSERT_TRUE(BitBlt(dib.dc(), 1, 0, 3, 1, dib.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{Source(0, 0), Source(0, 0), Source(1, 0), Source(2, 0)}), dib.RowValues(0));
  Dib column(1, 4, 32);
  for (int y = 0; y < 4; ++y) column.Set(0, y, Source(0, y));
  ASSERT_TRUE(BitBlt(column.dc(), 0, 1, 1, 3, column.dc(), 0, 0, SRCCOPY));
  for (int y = 1; y < 4; ++y) EXPECT_EQ(Source(0, y - 1), column.Get(0, y)) << y;
}

TEST(Blit, RefusesWhatItCannotDo) {
  Dib src(2, 2, 32), dst(2, 2, 32);
  FillSource(src, 2, 2);
  dst.Fill(kFill);
  // Win32 knows every raster operation, mirrors on negative sizes and
  // draws on the screen.
  if (kSoftGraphics) {
    const DWORD kSrcInvert = 0x00660046, kBlackness = 0x00000042;
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, kSrcInvert));
    EXPECT_FALSE(StretchBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 2, 2, kBlackness));
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 0, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, -1, src.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, -2, 2, SRCCOPY));
    EXPECT_FALSE(StretchBlt(dst.dc(), 0, 0, 2, 2, src.dc(), 0, 0, 2, 0, SRCCOPY));
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(BitBlt(screen, 0, 0, 2, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, 2, screen, 0, 0, SRCCOPY));
    ReleaseDC(nullptr, screen);
  }
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 2, 2, src.dc(), 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, 2, reinterpret_cast<HDC>(&src), 0, 0, SRCCOPY));
  for (int y = 0; y < 2; ++y) EXPECT_EQ((std::vector<std::uint32_t>{kFill, kFill}), dst.RowValues(y));
}

}  // namespace
