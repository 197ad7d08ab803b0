// Pixel decoding: filters, the Adam7 geometry, every row copier, streaming
// across image-data chunks, and the ways the image data can go wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "png/filters.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

// --- An independent encoder: samples -> packed rows -> filtered rows.

int Channels(int colorType) {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

struct SampleImage {
  int width, height, colorType, depth;
  std::vector<int> samples;  // width * height * channels, row by row
  int Sample(int x, int y, int c) const { return samples[(y * width + x) * Channels(colorType) + c]; }
};

SampleImage RandomImage(int w, int h, int colorType, int depth, unsigned seed) {
  std::mt19937 random(seed);
  SampleImage image{w, h, colorType, depth, {}};
  const int limit = colorType == 3 ? std::min(1 << depth, 256) : 1 << depth;
  image.samples.resize(static_cast<std::size_t>(w) * h * Channels(colorType));
  for (int& s : image.samples) s = static_cast<int>(random() % static_cast<unsigned>(limit));
  return image;
}

Bytes PackRow(const SampleImage& image, int y, const std::vector<int>& columns) {
  Bytes row;
  int bitsUsed = 0;
  for (int x : columns) {
    for (int c = 0; c < Channels(image.colorType); ++c) {
      const int s = image.Sample(x, y, c);
      if (image.depth == 16) {
        row.push_back(static_cast<std::uint8_t>(s >> 8));
        row.push_back(static_cast<std::uint8_t>(s));
      } else if (image.depth == 8) {
        row.push_back(static_cast<std::uint8_t>(s));
      } else {
        if (bitsUsed % 8 == 0) row.push_back(0);
        row.back() = static_cast<std::uint8_t>(row.back() | s << (8 - image.depth - bitsUsed % 8));
        bitsUsed += image.depth;
      }
    }
  }
  return row;
}

int PredictPaeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Filters rows that follow one another (one image, or one Adam7 pass); the
// filter type of row r is filterOf(r).
Bytes FilterRows(const std::vector<Bytes>& rows, int stride, int firstFilter) {
  Bytes out;
  Bytes previous(rows.empty() ? 0 : rows[0].size(), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Bytes& raw = rows[r];
    const int filter = static_cast<int>((r + firstFilter) % 5);
    out.push_back(static_cast<std::uint8_t>(filter));
    for (std::size_t i = 0; i < raw.size(); ++i) {
      const int a = i >= static_cast<std::size_t>(stride) ? raw[i - stride] : 0;
      const int b = previous[i];
      const int c = i >= static_cast<std::size_t>(stride) ? previous[i - stride] : 0;
      int predicted = 0;
      switch (filter) {
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: predicted = PredictPaeth(a, b, c); break;
        default: break;
      }
      out.push_back(static_cast<std::uint8_t>(raw[i] - predicted));
    }
    previous = raw;
  }
  return out;
}

int FilterStride(const SampleImage& image) { return std::max(1, Channels(image.colorType) * image.depth / 8); }

Bytes EncodeSequential(const SampleImage& image) {
  std::vector<int> all(static_cast<std::size_t>(image.width));
  for (int x = 0; x < image.width; ++x) all[x] = x;
  std::vector<Bytes> rows;
  for (int y = 0; y < image.height; ++y) rows.push_back(PackRow(image, y, all));
  return FilterRows(rows, FilterStride(image), 0);
}

Bytes EncodeAdam7(const SampleImage& image) {
  static const int passes[7][4] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                   {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
  Bytes out;
  for (int p = 0; p < 7; ++p) {
    std::vector<int> columns;
    for (int x = passes[p][1]; x < image.width; x += passes[p][3]) columns.push_back(x);
    if (columns.empty()) continue;
    std::vector<Bytes> rows;
    for (int y = passes[p][0]; y < image.height; y += passes[p][2]) rows.push_back(PackRow(image, y, columns));
    const Bytes filtered = FilterRows(rows, FilterStride(image), p);
    out.insert(out.end(), filtered.begin(), filtered.end());
  }
  return out;
}

Bytes TestPalette(int entries) {
  Bytes plte;
  for (int i = 0; i < entries; ++i) {
    plte.push_back(static_cast<std::uint8_t>(i * 3 + 1));
    plte.push_back(static_cast<std::uint8_t>(255 - i));
    plte.push_back(static_cast<std::uint8_t>(i * 7));
  }
  return plte;
}

// What the image must read back as: top-down RGBA8, no gamma, no tRNS.
Bytes ExpectedRGBA(const SampleImage& image, const Bytes& plte) {
  Bytes out;
  auto eight = [&](int s) { return image.depth == 16 ? s >> 8 : s; };
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int s0 = image.Sample(x, y, 0);
      switch (image.colorType) {
        case 0: {
          const int scale[17] = {0, 255, 85, 0, 17, 0, 0, 0, 1};
          const int level = image.depth == 16 ? s0 >> 8 : s0 * scale[image.depth];
          out.insert(out.end(), {std::uint8_t(level), std::uint8_t(level), std::uint8_t(level), 255});
          break;
        }
        case 3: {
          const int index = eight(s0);
          out.insert(out.end(), {plte[3 * index], plte[3 * index + 1], plte[3 * index + 2], 255});
          break;
        }
        case 4:
          out.insert(out.end(), {std::uint8_t(eight(s0)), std::uint8_t(eight(s0)), std::uint8_t(eight(s0)),
                                 std::uint8_t(eight(image.Sample(x, y, 1)))});
          break;
        default: {
          const int a = image.colorType == 6 ? eight(image.Sample(x, y, 3)) : 255;
          out.insert(out.end(), {std::uint8_t(eight(s0)), std::uint8_t(eight(image.Sample(x, y, 1))),
                                 std::uint8_t(eight(image.Sample(x, y, 2))), std::uint8_t(a)});
        }
      }
    }
  }
  return out;
}

Bytes EncodePng(const SampleImage& image, bool adam7, const Bytes& plte) {
  PngBuilder png;
  png.Header(image.width, image.height, image.depth, image.colorType, adam7 ? 1 : 0);
  if (!plte.empty()) png.Add("PLTE", plte);
  return png.Data(adam7 ? EncodeAdam7(image) : EncodeSequential(image)).End();
}

struct LayoutParam {
  int colorType, depth;
  bool adam7;
};

std::string LayoutName(const ::testing::TestParamInfo<LayoutParam>& info) {
  return "type" + std::to_string(info.param.colorType) + "_depth" + std::to_string(info.param.depth) +
         (info.param.adam7 ? "_adam7" : "_sequential");
}

}  // namespace

class PngCopiers : public ::testing::TestWithParam<LayoutParam> {};

TEST_P(PngCopiers, EveryLayoutDecodesToItsSamples) {
  const LayoutParam p = GetParam();
  const int sizes[][2] = {{13, 11}, {1, 1}, {5, 3}, {9, 1}, {1, 9}, {17, 8}};
  unsigned seed = 1;
  for (const auto& size : sizes) {
    const SampleImage image = RandomImage(size[0], size[1], p.colorType, p.depth, seed++);
    const Bytes plte = p.colorType == 3 ? TestPalette(std::min(1 << p.depth, 256)) : Bytes();
    auto decoded = Decode(EncodePng(image, p.adam7, plte));
    EXPECT_EQ(ExportRGBA(*decoded), ExpectedRGBA(image, plte)) << size[0] << "x" << size[1];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, PngCopiers,
    ::testing::ValuesIn([] {
      std::vector<LayoutParam> all;
      const int combos[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
      for (const auto& c : combos) {
        all.push_back({c[0], c[1], false});
        all.push_back({c[0], c[1], true});
      }
      return all;
    }()),
    LayoutName);

TEST(PngCopiers, StoredFormsOfSamples) {
  // RGB is stored blue, green, red; 16-bit samples keep their first byte.
  auto rgb = Decode(SimplePng(1, 1, 8, 6, UnfilteredRows({{10, 20, 30, 128}})));
  EXPECT_EQ(Bytes(rgb->ColorRow(0), rgb->ColorRow(0) + 3), Bytes({30, 20, 10}));
  EXPECT_EQ(rgb->AlphaRow(0)[0], 128);
  auto wide = Decode(SimplePng(1, 1, 16, 6, UnfilteredRows({{0x12, 0x34, 0, 0, 0, 0, 0xFF, 0x00}})));
  EXPECT_EQ(wide->ColorRow(0)[2], 0x12);
  EXPECT_EQ(wide->AlphaRow(0)[0], 255);
  // Two-bit grey is stored as indices 0, 5, 10, 15 into the 16-level ramp.
  for (int interlace = 0; interlace <= 1; ++interlace) {
    // Sequential: one byte with the samples 0, 1, 2, 3. Adam7, 4 x 1: pass 1
    // holds x = 0, pass 4 x = 2, pass 6 x = 1 and 3.
    const Bytes raw = interlace ? Bytes{0, 0x00, 0, 0x80, 0, 0x70} : Bytes{0, 0x1B};
    auto grey = Decode(SimplePng(4, 1, 2, 0, raw, static_cast<std::uint8_t>(interlace)));
    EXPECT_EQ(grey->ColorRow(0)[0], 0x05) << interlace;
    EXPECT_EQ(grey->ColorRow(0)[1], 0xAF) << interlace;
    const Bytes rgba = ExportRGBA(*grey);
    EXPECT_EQ(rgba[4], 85);
    EXPECT_EQ(rgba[8], 170);
    EXPECT_EQ(rgba[12], 255);
  }
  auto palette = Decode(PngBuilder().Header(4, 1, 2, 3).Add("PLTE", TestPalette(4)).Data({0, 0x1B}).End());
  EXPECT_EQ(palette->ColorRow(0)[0], 0x01);
  EXPECT_EQ(palette->ColorRow(0)[1], 0x23);
  // Colour type 3 at depth 16 is stored like 16-bit grey: the first byte.
  auto index16 = Decode(PngBuilder().Header(2, 1, 16, 3).Add("PLTE", TestPalette(3)).Data({0, 2, 9, 1, 9}).End());
  EXPECT_EQ(index16->ColorRow(0)[0], 2);
  EXPECT_EQ(index16->ColorRow(0)[1], 1);
}

TEST(PngFilters, PaethTiesAndAverageWidth) {
  EXPECT_EQ(PaethPredictor(10, 10, 0), 10);  // left
  EXPECT_EQ(PaethPredictor(0, 6, 2), 6);     // up
  EXPECT_EQ(PaethPredictor(7, 7, 7), 7);
  EXPECT_EQ(PaethPredictor(1, 9, 9), 1);     // pa = 0
  EXPECT_EQ(PaethPredictor(9, 1, 9), 1);     // pb = 0 beats pc
  EXPECT_EQ(PaethPredictor(5, 10, 20), 5);

  // Average: left 255 and up 255 add 255, not 127.
  std::uint8_t previous[3] = {0, 0, 255};
  std::uint8_t row[3] = {3, 255, 1};
  UnfilterRow(row, row, previous, 2, 1);
  EXPECT_EQ(row[1], 255);
  EXPECT_EQ(row[2], 0);  // 1 + (255 + 255) / 2, modulo 256

  // Paeth with no left neighbour adds the byte above; stride 3 looks 3 back.
  std::uint8_t above[5] = {0, 10, 20, 30, 40};
  std::uint8_t paeth[5] = {4, 1, 1, 1, 1};
  UnfilterRow(paeth, paeth, above, 4, 3);
  EXPECT_EQ(paeth[1], 11);
  EXPECT_EQ(paeth[3], 31);
  EXPECT_EQ(paeth[4], 1 + PaethPredictor(11, 40, 10));

  // Types above 4 leave the row alone.
  std::uint8_t odd[3] = {7, 5, 6};
  UnfilterRow(odd, odd, above, 2, 1);
  EXPECT_EQ(odd[1], 5);
  EXPECT_EQ(odd[2], 6);
}

TEST(PngFilters, FilterTypeAboveFourIsAcceptedInAnImage) {
  auto image = Decode(SimplePng(2, 1, 8, 0, {7, 40, 50}));
  EXPECT_EQ(image->ColorRow(0)[0], 40);
  EXPECT_EQ(image->ColorRow(0)[1], 50);
}

TEST(PngAdam7, OnePixelImageHasDataInPassOneOnly) {
  // Exactly one filter byte and one pixel; anything more would be unused.
  auto image = Decode(SimplePng(1, 1, 8, 2, {0, 1, 2, 3}, 1));
  EXPECT_EQ(Bytes(image->ColorRow(0), image->ColorRow(0) + 3), Bytes({3, 2, 1}));
  EXPECT_EQ(ErrorOf(SimplePng(2, 1, 8, 2, {0, 1, 2, 3}, 1)), "EPNGMissingMultipleIDAT");
}

TEST(PngAdam7, FivePixelRowHasThePassWidthsOfTheTable) {
  // Width 5, height 1: only passes with a row at y = 0 carry data: 1 (x = 0),
  // 2 (x = 4), 4 (x = 2) and 6 (x = 1, 3).
  Bytes raw = {0, 1, 0, 2, 0, 3, 0, 4, 5};
  auto image = Decode(SimplePng(5, 1, 8, 0, raw, 1));
  EXPECT_EQ(Bytes(image->ColorRow(0), image->ColorRow(0) + 5), Bytes({1, 4, 3, 5, 2}));
  // With 8 rows every pass is present: widths 1, 1, 2, 1, 3, 2, 5.
  const SampleImage tall = RandomImage(5, 8, 0, 8, 42);
  const Bytes encoded = EncodeAdam7(tall);
  // rows per pass: 1, 1, 1, 2, 2, 4, 4; bytes per row: width + 1.
  EXPECT_EQ(encoded.size(), 1u * 2 + 1 * 2 + 1 * 3 + 2 * 2 + 2 * 4 + 4 * 3 + 4 * 6);
  EXPECT_EQ(ExportRGBA(*Decode(SimplePng(5, 8, 8, 0, encoded, 1))), ExpectedRGBA(tall, {}));
}

namespace {

// The compressed rows of a 6 x 4 RGB image, and its expected colours.
struct SplitCase {
  SampleImage image = RandomImage(6, 4, 2, 8, 7);
  Bytes z = Deflate(EncodeSequential(image));
};

}  // namespace

TEST(PngImageData, SplitAcrossChunksWithEmptyOnesBetween) {
  SplitCase c;
  PngBuilder png;
  png.Header(6, 4, 8, 2).Add("IDAT", {});
  for (std::size_t i = 0; i < c.z.size(); ++i) {
    png.Add("IDAT", {c.z[i]});
    if (i % 3 == 0) png.Add("IDAT", {});
  }
  auto image = Decode(png.End());
  EXPECT_EQ(ExportRGBA(*image), ExpectedRGBA(c.image, {}));
  EXPECT_EQ(ChunkSummary(*image), "IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
}

TEST(PngImageData, EveryChunksCrcIsChecked) {
  SplitCase c;
  const Bytes first(c.z.begin(), c.z.begin() + 10), rest(c.z.begin() + 10, c.z.end());
  const std::uint32_t wrong = 0;
  EXPECT_EQ(ErrorOf(PngBuilder().Header(6, 4, 8, 2).Append(Chunk("IDAT", first, &wrong)).Add("IDAT", rest).End()),
            "EPngInvalidCRC");
  EXPECT_EQ(ErrorOf(PngBuilder().Header(6, 4, 8, 2).Add("IDAT", first).Append(Chunk("IDAT", rest, &wrong)).End()),
            "EPngInvalidCRC");
  // An empty chunk's CRC, that of its type alone, is checked too.
  EXPECT_EQ(ErrorOf(PngBuilder()
                        .Header(6, 4, 8, 2)
                        .Add("IDAT", first)
                        .Append(Chunk("IDAT", {}, &wrong))
                        .Add("IDAT", rest)
                        .End()),
            "EPngInvalidCRC");
}

TEST(PngImageData, DataPastTheLastRowIsReadIntoTheCrcAndLaterChunksSkipped) {
  SplitCase c;
  Bytes longer = EncodeSequential(c.image);
  longer.insert(longer.end(), 500, 0);  // five hundred more bytes of rows
  const std::uint32_t wrong = 0;
  auto image = Decode(PngBuilder()
                          .Header(6, 4, 8, 2)
                          .Add("IDAT", Deflate(longer))
                          .Append(Chunk("IDAT", Text("ignored"), &wrong))
                          .End());
  EXPECT_EQ(ExportRGBA(*image), ExpectedRGBA(c.image, {}));
}

TEST(PngImageData, InflationFarPastTheLastRowStopsAtIt) {
  const Bytes huge(64u << 20, 0);  // 64 MiB of zero rows for a 1 x 1 image
  const Bytes z = Deflate(huge);
  auto image = Decode(PngBuilder().Header(1, 1, 8, 0).Add("IDAT", z).End());
  EXPECT_EQ(image->ColorRow(0)[0], 0);
}

TEST(PngImageData, ChunksEndingBeforeTheLastRow) {
  SplitCase c;
  const Bytes half(c.z.begin(), c.z.begin() + c.z.size() / 2);
  EXPECT_EQ(ErrorOf(PngBuilder().Header(6, 4, 8, 2).Add("IDAT", half).End()), "EPNGMissingMultipleIDAT");
  // A compressed stream that ends early, with bytes after it in its chunk.
  const Bytes rows = EncodeSequential(c.image);
  const Bytes firstRow(rows.begin(), rows.begin() + 19);
  Bytes early = Deflate(firstRow);
  early.insert(early.end(), 40, 0x55);
  EXPECT_EQ(ErrorOf(PngBuilder().Header(6, 4, 8, 2).Add("IDAT", early).End()), "EPNGMissingMultipleIDAT");
  // The same stream ending exactly with its chunk.
  EXPECT_EQ(ErrorOf(PngBuilder().Header(6, 4, 8, 2).Add("IDAT", Deflate(firstRow)).End()),
            "EPNGMissingMultipleIDAT");
}

TEST(PngImageData, StreamCutInsideTheImageData) {
  SplitCase c;
  Bytes cut = PngBuilder().Header(6, 4, 8, 2).Add("IDAT", c.z);
  cut.resize(cut.size() - 4 - c.z.size() / 2);
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, cut).errorClass, "EPngInvalidCRC");
  // Rows decoded before the cut stay.
  EXPECT_EQ(image.ColorRow(0)[2], c.image.Sample(0, 0, 0));
  // Cut right after a chunk that leaves rows missing: the next length is not there.
  Bytes afterChunk = PngBuilder().Header(6, 4, 8, 2).Add("IDAT", Bytes(c.z.begin(), c.z.begin() + 20));
  EXPECT_EQ(ErrorOf(afterChunk), "EPNGMissingMultipleIDAT");
}

TEST(PngImageData, CorruptCompressedDataNamesTheZlibError) {
  Bytes z = Deflate(Bytes(10, 0));
  z[0] = 0x79;  // not a deflate method
  TPNGObject image;
  const ReadOutcome outcome = ReadInto(image, PngBuilder().Header(3, 3, 8, 0).Add("IDAT", z).End());
  EXPECT_EQ(outcome.errorClass, "EPNGZLIBError");
  EXPECT_EQ(outcome.message,
            "Could not decompress the image because it contains invalid compressed data.\r\n"
            " Description: data error (-3)");
}

TEST(PngImageData, PresetDictionaryIsAnError) {
  const Bytes z = {0x78, 0x20, 0, 0, 0, 1, 0x63, 0, 0};
  const ReadOutcome outcome = [&] {
    TPNGObject image;
    return ReadInto(image, PngBuilder().Header(1, 1, 8, 0).Add("IDAT", z).End());
  }();
  EXPECT_EQ(outcome.errorClass, "EPNGZLIBError");
  EXPECT_NE(outcome.message.find(" Description: need dictionary (2)"), std::string::npos);
}

TEST(PngImageData, LayoutsWithoutACopierAreRefused) {
  const int combos[][2] = {{2, 4}, {6, 1}, {4, 2}, {0, 3}, {3, 32}, {1, 8}, {5, 8}, {7, 8}, {2, 0}};
  for (const auto& c : combos) {
    EXPECT_EQ(ErrorOf(SimplePng(2, 2, static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[0]),
                                Bytes(40, 0))),
              "EPngInvalidIHDR")
        << c[0] << "/" << c[1];
  }
}

TEST(PngImageData, ZeroWidthImageReadsOneFilterBytePerRow) {
  auto image = Decode(SimplePng(0, 3, 8, 6, {0, 0, 0}));
  EXPECT_EQ(image->RequireHeader().ColorBits, nullptr);
  EXPECT_TRUE(ExportRGBA(*image).empty());
}
