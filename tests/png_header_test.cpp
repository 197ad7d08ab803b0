// The header chunk: its checks and boundary values, the layout of the image
// buffers and their memory ceiling, row metrics, and copying an image.
#include <gtest/gtest.h>

#include <cstring>

#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

// Just the header: the read stops with EPNGNoImageData, but the header and
// its buffers are there to look at.
std::unique_ptr<TPNGObject> HeaderOnly(const Bytes& ihdrPayload) {
  auto image = std::make_unique<TPNGObject>();
  ReadInto(*image, PngBuilder().Add("IHDR", ihdrPayload).End());
  return image;
}

}  // namespace

TEST(PngHeader, SizeBoundaries) {
  EXPECT_EQ(ErrorOf(SimplePng(65535, 1, 1, 0, Bytes(1 + 8192, 0))), "");
  EXPECT_EQ(ErrorOf(SimplePng(65536, 1, 1, 0, {0})), "EPNGSizeExceeds");
  EXPECT_EQ(ErrorOf(SimplePng(1, 65536, 1, 0, {0})), "EPNGSizeExceeds");
  EXPECT_EQ(ErrorOf(SimplePng(0xFFFFFFFFu, 1, 1, 0, {0})), "EPNGSizeExceeds");
  // Zero width or height needs no colour memory and is no error.
  EXPECT_EQ(ErrorOf(SimplePng(0, 3, 8, 2, {0, 0, 0})), "");
  EXPECT_EQ(ErrorOf(SimplePng(3, 0, 8, 6, {})), "");
}

TEST(PngHeader, MethodChecks) {
  PngBuilder interlace2;
  interlace2.Add("IHDR", IhdrPayload(1, 1, 8, 0, 2)).Data({0, 0}).End();
  EXPECT_EQ(ErrorOf(interlace2), "EPNGUnknownInterlace");
  PngBuilder compression1;
  compression1.Add("IHDR", IhdrPayload(1, 1, 8, 0, 0, 1)).Data({0, 0}).End();
  EXPECT_EQ(ErrorOf(compression1), "EPNGUnknownCompression");
  PngBuilder filter5;
  filter5.Add("IHDR", IhdrPayload(1, 1, 8, 0, 0, 0, 5)).Data({0, 0}).End();
  EXPECT_EQ(ErrorOf(filter5), "");
}

TEST(PngHeader, ShortPayloadAndItsCrc) {
  Bytes twelve = IhdrPayload(1, 1, 8, 0);
  twelve.pop_back();
  EXPECT_EQ(ErrorOf(PngBuilder().Add("IHDR", twelve).Data({0, 0}).End()), "EPngInvalidIHDR");
  const std::uint32_t wrongCrc = 99;
  EXPECT_EQ(ErrorOf(PngBuilder().Append(Chunk("IHDR", twelve, &wrongCrc)).Data({0, 0}).End()), "EPngInvalidCRC");
  Bytes longer = IhdrPayload(2, 1, 8, 0);
  longer.insert(longer.end(), {1, 2, 3});
  auto image = Decode(PngBuilder().Add("IHDR", longer).Data({0, 4, 5}).End());
  EXPECT_EQ(image->PixelWidth(), 2);
}

TEST(PngHeader, FailedHeaderIsKeptWithItsFieldsAndWithoutBuffers) {
  TPNGObject image;
  ReadInto(image, SimplePng(70000, 2, 8, 6, {0}));
  ASSERT_TRUE(image.HasHeader());
  const TChunkIHDR& header = image.RequireHeader();
  EXPECT_EQ(header.Width, 70000u);
  EXPECT_EQ(header.ColorBits, nullptr);
  EXPECT_FALSE(header.AlphaPlane);
  // Copying such an image must not reach for buffers that are not there.
  TPNGObject copy;
  EXPECT_NO_THROW(copy.CopyImage(image));
  EXPECT_EQ(copy.RequireHeader().Width, 70000u);
}

struct LayoutCase {
  std::uint8_t colorType, depth;
  std::uint32_t width;
  int bitsPerPixel;
  std::int32_t rowStride;
  bool usesPalette;
};

class PngLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PngLayout, BitsPerPixelAndRowStride) {
  const LayoutCase c = GetParam();
  auto image = HeaderOnly(IhdrPayload(c.width, 3, c.depth, c.colorType));
  const TChunkIHDR& h = image->RequireHeader();
  EXPECT_EQ(h.DibInfo.bmiHeader.biBitCount, c.bitsPerPixel);
  EXPECT_EQ(h.RowStride, c.rowStride);
  EXPECT_EQ(h.UsesPalette, c.usesPalette);
  if (c.bitsPerPixel != 0) {
    EXPECT_EQ(h.DibInfo.bmiHeader.biSize, 40u);
    EXPECT_EQ(h.DibInfo.bmiHeader.biWidth, static_cast<plat::LONG>(c.width));
    EXPECT_EQ(h.DibInfo.bmiHeader.biHeight, 3);
    EXPECT_EQ(h.DibInfo.bmiHeader.biPlanes, 1);
    ASSERT_NE(h.ColorBits, nullptr);
    for (std::int32_t i = 0; i < c.rowStride * 3; ++i) ASSERT_EQ(h.ColorBits[i], 0);
  } else {
    EXPECT_EQ(h.ColorBits, nullptr);
  }
  EXPECT_EQ(static_cast<bool>(h.AlphaPlane), c.colorType == 4 || c.colorType == 6);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PngLayout,
    ::testing::Values(LayoutCase{3, 2, 5, 4, 4, true}, LayoutCase{0, 16, 5, 8, 8, true},
                      LayoutCase{2, 8, 1, 24, 4, false}, LayoutCase{2, 8, 200, 24, 600, false},
                      LayoutCase{2, 3, 2, 24, 8, false}, LayoutCase{6, 16, 3, 24, 12, false},
                      LayoutCase{0, 1, 33, 1, 8, true}, LayoutCase{3, 4, 9, 4, 8, true},
                      LayoutCase{4, 8, 5, 8, 8, true}, LayoutCase{0, 3, 5, 0, 0, false},
                      LayoutCase{1, 8, 5, 0, 0, false}, LayoutCase{4, 3, 5, 0, 0, false},
                      LayoutCase{7, 8, 5, 0, 0, false}));

TEST(PngImageMemory, BuffersAboveTheCeilingAreRefusedBeforeAllocation) {
  TPNGObject image;
  const ReadOutcome grey = ReadInto(image, SimplePng(65535, 65535, 8, 0, {0}));
  EXPECT_EQ(grey.errorClass, "EPNGOutMemory");
  EXPECT_EQ(grey.message, pnglang::EPNGOutMemoryText);
  EXPECT_EQ(image.RequireHeader().ColorBits, nullptr);
  EXPECT_EQ(ErrorOf(SimplePng(65535, 65535, 8, 6, {0})), "EPNGOutMemory");
  // 8-bit grey: 65536 bytes a row; 16385 rows pass the ceiling by one row.
  EXPECT_EQ(ErrorOf(SimplePng(65535, 16385, 8, 0, {0})), "EPNGOutMemory");
  // Grey with alpha: colour and alpha together count.
  EXPECT_EQ(ErrorOf(SimplePng(65535, 8193, 8, 4, {0})), "EPNGOutMemory");
}

TEST(PngImageMemory, LargestSmallLayoutWithFewBytesOfDataEndsCleanly) {
  // 65535 x 65535 at 1 bit is 512 MiB, below the ceiling; the data ends at
  // once and the read fails without touching more.
  EXPECT_EQ(ErrorOf(SimplePng(65535, 65535, 1, 0, UnfilteredRows({Bytes(8192, 0xFF)}))),
            "EPNGMissingMultipleIDAT");
}

TEST(PngHeader, LaterHeaderChunksAreKeptWithoutBuffers) {
  PngBuilder png;
  png.Header(2, 2, 8, 0).Add("IHDR", IhdrPayload(4000, 4000, 8, 6, 1));
  // The second header sets the interlace method the decoder follows.
  Bytes adam7;
  for (int pass = 0; pass < 7; ++pass) {
    static const int rows[7] = {1, 0, 0, 1, 0, 1, 1};
    static const int widths[7] = {1, 0, 1, 0, 1, 1, 2};
    for (int r = 0; r < rows[pass]; ++r) {
      if (widths[pass] == 0) continue;
      adam7.push_back(0);
      for (int x = 0; x < widths[pass]; ++x) adam7.push_back(static_cast<std::uint8_t>(10 * pass + x + 1));
    }
  }
  auto image = Decode(png.Data(adam7).End());
  EXPECT_EQ(ChunkSummary(*image), "IHDR:TChunkIHDR IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
  const auto* second = static_cast<const TChunkIHDR*>(image->ChunkList.ItemAt(1));
  EXPECT_EQ(second->Width, 4000u);
  EXPECT_EQ(second->ColorBits, nullptr);
  EXPECT_FALSE(second->AlphaPlane);
  EXPECT_EQ(image->PixelWidth(), 2);
  EXPECT_EQ(image->Interlacing, 1);
  // Pass 1 gave (0,0), pass 6 (1,0), pass 7 both pixels of row 1.
  EXPECT_EQ(image->ColorRow(0)[0], 1);
  EXPECT_EQ(image->ColorRow(0)[1], 51);
  EXPECT_EQ(image->ColorRow(1)[0], 61);
  EXPECT_EQ(image->ColorRow(1)[1], 62);
}

TEST(PngImageObject, NewImageAndFixedSize) {
  TPNGObject image;
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.PixelWidth(), 0);
  EXPECT_EQ(image.PixelHeight(), 0);
  EXPECT_THROW(image.RequireHeader(), EPNGHeaderNotPresent);
  EXPECT_THROW(image.AlphaRow(0), EPNGHeaderNotPresent);
  EXPECT_EQ(image.IdatSplitSize(), 65535u);
  image.SetIdatSplitSize(100);
  EXPECT_EQ(image.IdatSplitSize(), 65535u);
  try {
    image.SetPixelWidth(10);
    FAIL() << "SetPixelWidth must raise";
  } catch (const EPngError& e) {
    EXPECT_EQ(e.Message(), pnglang::EPngErrorResizeText);
  }
  EXPECT_THROW(image.SetPixelHeight(10), EPngError);
}

TEST(PngCopyImage, GivesAnEqualIndependentImage) {
  PngBuilder png;
  png.Header(3, 2, 8, 3).Add("gAMA", {0, 1, 0x86, 0xA0}).Add("PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90});
  png.Add("tRNS", {0, 128}).Add("tEXt", Text(std::string("Title\0Tree", 10)));
  png.Data(UnfilteredRows({{0, 1, 2}, {2, 1, 0}})).Add("zzZz", Text("raw")).End();
  auto source = Decode(png);
  source->EncoderLevel = 3;
  source->SetIdatSplitSize(70000);
  ASSERT_NE(source->ForwardGamma[128], 128);

  TPNGObject copy;
  ReadInto(copy, SimplePng(1, 1, 8, 6, {0, 1, 2, 3, 4}));
  copy.CopyImage(*source);
  EXPECT_EQ(ChunkSummary(copy), ChunkSummary(*source));
  for (int i = 0; i < 256; ++i) ASSERT_EQ(copy.ForwardGamma[i], i);
  EXPECT_EQ(copy.EncoderLevel, 3);
  EXPECT_EQ(copy.IdatSplitSize(), 70000u);
  EXPECT_EQ(ExportRGBA(copy), ExportRGBA(*source));
  EXPECT_EQ(std::memcmp(copy.RequireHeader().DibInfo.bmiColors, source->RequireHeader().DibInfo.bmiColors,
                        sizeof(plat::RGBQUAD) * 256),
            0);
  EXPECT_EQ(copy.TransparencyKind(), trAlpha);
  EXPECT_EQ(copy.ChunkList.FirstOfClass<TChunkPLTE>()->EntryCount, 3u);
  EXPECT_EQ(copy.ChunkList.FirstOfClass<TChunktEXt>()->Text, "Tree");
  EXPECT_EQ(copy.ChunkList.FirstOfClass<TChunktRNS>()->AlphaTable[1], 128);
  EXPECT_EQ(copy.ChunkList.FirstOfClass<TChunkgAMA>()->GammaValue(), 100000u);
  EXPECT_NE(copy.RequireHeader().ColorBits, source->RequireHeader().ColorBits);

  // The copy outlives its source.
  source.reset();
  EXPECT_EQ(copy.ColorRow(1)[0], 2);
}

TEST(PngCopyImage, AlphaPlaneAndSelfCopy) {
  auto source = Decode(SimplePng(2, 1, 8, 6, UnfilteredRows({{1, 2, 3, 4, 5, 6, 7, 8}})));
  TPNGObject copy;
  copy.CopyImage(*source);
  EXPECT_EQ(copy.AlphaRow(0)[0], 4);
  EXPECT_EQ(copy.AlphaRow(0)[1], 8);
  copy.CopyImage(copy);
  EXPECT_EQ(copy.AlphaRow(0)[1], 8);
  EXPECT_EQ(copy.ChunkList.ItemCount(), 3u);
}

TEST(PngCopyImage, HeaderRefusesAnotherChunkClass) {
  auto image = Decode(SimplePng(1, 1, 8, 0, {0, 0}));
  TChunkIHDR header(*image);
  try {
    header.CopyChunk(*image->ChunkList.ItemAt(2));
    FAIL() << "copying an IEND chunk into a header must raise";
  } catch (const EPngError& e) {
    EXPECT_EQ(e.Message(), "The chunks must be compatible to be assigned.");
  }
}
