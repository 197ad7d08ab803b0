// Conversion into bitmaps, row access, rebuilding from bitmaps, pixel and
// palette access and the clipboard.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

std::vector<std::uint8_t> Bgr32Pixels(plat::TBitmap& bitmap) {
  bitmap.SetPixelFormat(plat::TPixelFormat::pf32bit);
  std::vector<std::uint8_t> all;
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < bitmap.Width(); ++x) all.insert(all.end(), row + 4 * x, row + 4 * x + 3);
  }
  return all;
}

// The colour of the RGBA dump as blue, green, red triples.
std::vector<std::uint8_t> DumpAsBgr(const TPNGObject& image) {
  const auto rgba = ExportRGBA(image);
  std::vector<std::uint8_t> bgr;
  for (std::size_t i = 0; i < rgba.size(); i += 4) bgr.insert(bgr.end(), {rgba[i + 2], rgba[i + 1], rgba[i]});
  return bgr;
}

Bytes Gamma(std::uint32_t value) {
  Bytes p;
  PutBE32(p, value);
  return p;
}

std::unique_ptr<TPNGObject> PaletteImage(int depth, const Bytes& packed, int w, const Bytes& plte,
                                         const Bytes& extra = {}) {
  PngBuilder png;
  png.Header(w, 1, static_cast<std::uint8_t>(depth), 3);
  if (!extra.empty()) png.Add("gAMA", extra);
  png.Add("PLTE", plte);
  Bytes raw = {0};
  raw.insert(raw.end(), packed.begin(), packed.end());
  return Decode(png.Data(raw).End());
}

// A DIB section of the given depth, its colour table, filled by `fill`.
template <class F>
plat::HBITMAP MakeSection(int w, int h, int bpp, const std::vector<plat::RGBQUAD>& table, F fill) {
  plat::BITMAPINFO256 info{};
  info.bmiHeader = {40, w, h, 1, static_cast<plat::WORD>(bpp), plat::BI_RGB, 0, 0, 0, 0, 0};
  std::copy(table.begin(), table.end(), info.bmiColors);
  void* bits = nullptr;
  plat::HBITMAP section = plat::CreateDIBSection(nullptr, reinterpret_cast<plat::BITMAPINFO*>(&info),
                                                 plat::DIB_RGB_COLORS, &bits, nullptr, 0);
  fill(static_cast<std::uint8_t*>(bits));
  return section;
}

}  // namespace

TEST(PngCopyTo, RgbaBecomesItsStraightColourIn24Bits) {
  auto image = Decode(SimplePng(2, 1, 8, 6, UnfilteredRows({{10, 20, 30, 0, 40, 50, 60, 128}})));
  plat::TBitmap bitmap;
  bitmap.TransparentColor = 0x123456;
  bitmap.Transparent = false;
  bitmap.CopyFrom(image.get());
  EXPECT_EQ(bitmap.PixelFormat(), plat::TPixelFormat::pf24bit);
  EXPECT_EQ(bitmap.Width(), 2);
  auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(0));
  EXPECT_EQ(Bytes(row, row + 6), Bytes({30, 20, 10, 60, 50, 40}));
  EXPECT_FALSE(bitmap.Transparent);
  EXPECT_EQ(bitmap.TransparentColor, 0x123456u);
}

TEST(PngCopyTo, KeyedImageSetsTheBitmapsTransparency) {
  auto image = Decode(PngBuilder().Header(1, 1, 8, 2).Add("tRNS", {0, 1, 0, 2, 0, 3}).Data({0, 1, 2, 3}).End());
  plat::TBitmap bitmap;
  image->CopyTo(&bitmap);
  EXPECT_TRUE(bitmap.Transparent);
  EXPECT_EQ(bitmap.TransparentColor, plat::RGB(1, 2, 3));
}

TEST(PngCopyTo, ThroughTheColourTableAtEachDepth) {
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7};
  auto four = PaletteImage(4, {0x01, 0x23}, 4, plte);
  plat::TBitmap b4;
  four->CopyTo(&b4);
  EXPECT_EQ(b4.PixelFormat(), plat::TPixelFormat::pf4bit);
  EXPECT_EQ(Bgr32Pixels(b4), DumpAsBgr(*four));
  auto one = Decode(SimplePng(9, 1, 1, 0, {0, 0xA5, 0x80}));
  plat::TBitmap b1;
  one->CopyTo(&b1);
  EXPECT_EQ(b1.PixelFormat(), plat::TPixelFormat::pf1bit);
  EXPECT_EQ(Bgr32Pixels(b1), DumpAsBgr(*one));
  // Grey with alpha under gamma: the conversion goes through the colour table.
  auto grey = Decode(PngBuilder().Header(2, 1, 8, 4).Add("gAMA", Gamma(100000)).Data({0, 64, 9, 128, 9}).End());
  plat::TBitmap b8;
  grey->CopyTo(&b8);
  EXPECT_EQ(b8.PixelFormat(), plat::TPixelFormat::pf8bit);
  EXPECT_EQ(Bgr32Pixels(b8), std::vector<std::uint8_t>({136, 136, 136, 186, 186, 186}));
}

TEST(PngCopyTo, WithoutHeaderOrForAnotherTargetItIsAConversionError) {
  TPNGObject empty;
  plat::TBitmap bitmap;
  try {
    bitmap.CopyFrom(&empty);
    FAIL() << "an image without header cannot become a bitmap";
  } catch (const plat::EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TPNGObject to a TBitmap");
  }
  auto image = Decode(SimplePng(1, 1, 8, 0, {0, 7}));
  TPNGObject copy;
  image->CopyTo(&copy);
  EXPECT_EQ(copy.ColorRow(0)[0], 7);
}

TEST(PngRows, AlphaAndColourRowAddresses) {
  auto rgba = Decode(SimplePng(2, 3, 8, 6, Bytes(3 * 9, 0)));
  const TChunkIHDR& h = rgba->RequireHeader();
  EXPECT_EQ(rgba->AlphaRow(2), h.AlphaPlane.get() + 4);
  EXPECT_EQ(rgba->ColorRow(0), h.ColorBits + 2 * h.RowStride);
  EXPECT_EQ(rgba->ColorRow(2), h.ColorBits);
  EXPECT_EQ(Decode(SimplePng(1, 1, 8, 2, {0, 0, 0, 0}))->AlphaRow(0), nullptr);
  EXPECT_EQ(PaletteImage(8, {0}, 1, {1, 2, 3})->AlphaRow(0), nullptr);
  EXPECT_NE(Decode(SimplePng(1, 1, 8, 4, {0, 0, 0}))->AlphaRow(0), nullptr);
}

TEST(PngRebuild, FromAnEightBitBitmapKeepsIndicesAndTable) {
  std::vector<plat::RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[i] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0};
  // Bottom-up section: memory row 0 is the bottom image row.
  plat::HBITMAP section = MakeSection(3, 2, 8, table, [](std::uint8_t* bits) {
    const std::uint8_t rows[2][4] = {{7, 8, 9, 0}, {1, 2, 3, 0}};
    std::memcpy(bits, rows, sizeof rows);
  });
  TPNGObject image;
  image.CopyFromBitmap(section, false, 0);
  plat::DeleteObject(section);
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR PLTE:TChunkPLTE IDAT:TChunkIDAT IEND:TChunkIEND");
  const TChunkIHDR& h = image.RequireHeader();
  EXPECT_EQ(h.ColorType, 3);
  EXPECT_EQ(h.BitDepth, 8);
  EXPECT_EQ(image.ChunkList.FirstOfClass<TChunkPLTE>()->EntryCount, 256u);
  EXPECT_EQ(Bytes(image.ColorRow(0), image.ColorRow(0) + 3), Bytes({1, 2, 3}));
  EXPECT_EQ(Bytes(image.ColorRow(1), image.ColorRow(1) + 3), Bytes({7, 8, 9}));
  EXPECT_EQ(h.DibInfo.bmiColors[200].rgbGreen, 55);
  EXPECT_EQ(image.TransparencyKind(), trOpaque);
}

TEST(PngRebuild, FromAThirtyTwoBitBitmapWithAKey) {
  plat::TBitmap bitmap;
  bitmap.SetPixelFormat(plat::TPixelFormat::pf32bit);
  bitmap.SetSize(2, 2);
  for (int y = 0; y < 2; ++y) {
    auto* row = static_cast<std::uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < 2; ++x) {
      row[4 * x] = std::uint8_t(10 * x + 1);
      row[4 * x + 1] = std::uint8_t(20 * y + 2);
      row[4 * x + 2] = 3;
      row[4 * x + 3] = 99;
    }
  }
  bitmap.Transparent = true;
  bitmap.TransparentColor = plat::RGB(3, 22, 11);
  TPNGObject image;
  image.CopyFrom(&bitmap);
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR tRNS:TChunktRNS IDAT:TChunkIDAT IEND:TChunkIEND");
  EXPECT_EQ(image.RequireHeader().ColorType, 2);
  EXPECT_EQ(image.RequireHeader().BitDepth, 8);
  EXPECT_EQ(Bytes(image.ColorRow(1), image.ColorRow(1) + 6), Bytes({1, 22, 3, 11, 22, 3}));
  EXPECT_EQ(image.TransparencyKind(), trColorKey);
  EXPECT_EQ(image.KeyColor(), plat::RGB(3, 22, 11));
}

TEST(PngRebuild, FromAOneBitBitmapWithAPaletteKey) {
  const std::vector<plat::RGBQUAD> table = {{0, 0, 0, 0}, {50, 60, 70, 0}};
  plat::HBITMAP section = MakeSection(3, 1, 1, table, [](std::uint8_t* bits) { bits[0] = 0b01000000; });
  TPNGObject image;
  image.CopyFromBitmap(section, true, plat::RGB(70, 60, 50));
  plat::DeleteObject(section);
  EXPECT_EQ(image.RequireHeader().BitDepth, 1);
  EXPECT_EQ(image.ChunkList.FirstOfClass<TChunkPLTE>()->EntryCount, 2u);
  const auto* trns = image.ChunkList.FirstOfClass<TChunktRNS>();
  EXPECT_EQ(trns->PayloadSize, 2u);
  EXPECT_EQ(trns->AlphaTable[0], 255);
  EXPECT_EQ(trns->AlphaTable[1], 0);
  EXPECT_EQ(image.KeyColor(), plat::RGB(70, 60, 50));
  EXPECT_EQ(image.PixelColor(1, 0), plat::RGB(70, 60, 50));
}

TEST(PngPixels, ReadBackWhatIsShownForEveryColourType) {
  std::vector<std::unique_ptr<TPNGObject>> images;
  for (int depth : {1, 2, 4, 8, 16}) {
    const int w = 5;
    Bytes row = {0};
    for (int i = 0; i < (w * depth + 7) / 8; ++i) row.push_back(std::uint8_t(0x9C + 37 * i));
    images.push_back(Decode(PngBuilder().Header(w, 1, std::uint8_t(depth), 0).Add("gAMA", Gamma(60000)).Data(row).End()));
  }
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7};
  images.push_back(PaletteImage(2, {0b11100100, 0b01000000}, 5, plte, Gamma(100000)));
  images.push_back(PaletteImage(4, {0x01, 0x23, 0x10}, 5, plte));
  images.push_back(Decode(SimplePng(2, 1, 16, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})));
  images.push_back(Decode(SimplePng(2, 1, 8, 6, {0, 1, 2, 3, 4, 5, 6, 7, 8})));
  for (const auto& image : images) {
    const auto rgba = ExportRGBA(*image);
    for (int x = 0; x < image->PixelWidth(); ++x) {
      const std::uint8_t* p = &rgba[4 * x];
      EXPECT_EQ(image->PixelColor(x, 0), plat::RGB(p[0], p[1], p[2]))
          << int(image->RequireHeader().ColorType) << "/" << int(image->RequireHeader().BitDepth) << " x " << x;
    }
    EXPECT_EQ(image->PixelColor(-1, 0), 0u);
    EXPECT_EQ(image->PixelColor(image->PixelWidth(), 0), 0u);
    EXPECT_EQ(image->PixelColor(0, 1), 0u);
  }
  // Grey with alpha reads its stored level, without gamma.
  auto grey = Decode(PngBuilder().Header(1, 1, 8, 4).Add("gAMA", Gamma(100000)).Data({0, 64, 1}).End());
  EXPECT_EQ(grey->PixelColor(0, 0), plat::RGB(64, 64, 64));
  TPNGObject empty;
  EXPECT_EQ(empty.PixelColor(0, 0), 0u);
}

TEST(PngPixels, WritingStoresTheNearestRepresentableValue) {
  auto rgb = Decode(SimplePng(2, 1, 8, 2, Bytes(7, 0)));
  rgb->SetPixelColor(1, 0, plat::RGB(1, 2, 3));
  EXPECT_EQ(rgb->PixelColor(1, 0), plat::RGB(1, 2, 3));
  EXPECT_EQ(Bytes(rgb->ColorRow(0) + 3, rgb->ColorRow(0) + 6), Bytes({3, 2, 1}));
  const Bytes before(rgb->ColorRow(0), rgb->ColorRow(0) + 6);
  rgb->SetPixelColor(2, 0, plat::RGB(9, 9, 9));
  rgb->SetPixelColor(0, -1, plat::RGB(9, 9, 9));
  EXPECT_EQ(Bytes(rgb->ColorRow(0), rgb->ColorRow(0) + 6), before);

  auto grey4 = Decode(SimplePng(3, 1, 4, 0, {0, 0, 0}));
  grey4->SetPixelColor(1, 0, plat::RGB(120, 118, 119));
  EXPECT_EQ(grey4->ColorRow(0)[0], 0x07);  // level 119 is index 7
  EXPECT_EQ(grey4->PixelColor(1, 0), plat::RGB(119, 119, 119));

  // Two-bit grey keeps a 4-bit index: any of the 16 ramp levels.
  auto grey2 = Decode(SimplePng(3, 1, 2, 0, {0, 0}));
  grey2->SetPixelColor(2, 0, plat::RGB(50, 52, 51));
  EXPECT_EQ(grey2->PixelColor(2, 0), plat::RGB(51, 51, 51));

  // A 2-bit palette image: the nearest of its four entries, never the unused
  // (black) entries beyond them.
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255, 200, 200, 200};
  auto palette = PaletteImage(2, {0}, 3, plte);
  palette->SetPixelColor(0, 0, plat::RGB(0, 0, 0));
  EXPECT_EQ(palette->ColorRow(0)[0] >> 4, 0);  // red, green and blue are equally near; the first wins
  palette->SetPixelColor(1, 0, plat::RGB(190, 210, 205));
  EXPECT_EQ(palette->ColorRow(0)[0] & 15, 3);
  EXPECT_EQ(palette->PixelColor(1, 0), plat::RGB(200, 200, 200));

  auto greyAlpha = Decode(SimplePng(1, 1, 8, 4, {0, 0, 77}));
  greyAlpha->SetPixelColor(0, 0, plat::RGB(90, 1, 2));
  EXPECT_EQ(greyAlpha->ColorRow(0)[0], 90);
  EXPECT_EQ(greyAlpha->AlphaRow(0)[0], 77);
}

TEST(PngPalette, HandleRoundTrip) {
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  auto image = PaletteImage(8, {0, 1, 2}, 3, plte);
  plat::HPALETTE first = image->PaletteHandle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(image->PaletteHandle(), first);
  plat::PALETTEENTRY entries[256];
  ASSERT_EQ(plat::GetPaletteEntries(first, 0, 256, entries), 256u);
  EXPECT_EQ(entries[1].peGreen, 255);
  EXPECT_EQ(entries[2].peBlue, 255);

  plat::LOGPALETTE256 replacement{};
  replacement.palVersion = 0x300;
  replacement.palNumEntries = 3;
  replacement.palPalEntry[0] = {1, 2, 3, 0};
  replacement.palPalEntry[1] = {4, 5, 6, 0};
  replacement.palPalEntry[2] = {7, 8, 9, 0};
  plat::HPALETTE given = plat::CreatePalette(reinterpret_cast<plat::LOGPALETTE*>(&replacement));
  image->SetPaletteHandle(given);
  plat::DeleteObject(given);
  EXPECT_EQ(ExportRGBA(*image), Bytes({1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}));
  plat::HPALETTE rebuilt = image->PaletteHandle();
  ASSERT_NE(rebuilt, nullptr);
  ASSERT_EQ(plat::GetPaletteEntries(rebuilt, 0, 256, entries), 256u);
  EXPECT_EQ(entries[1].peRed, 4);
  EXPECT_EQ(entries[2].peBlue, 9);

  EXPECT_EQ(Decode(SimplePng(1, 1, 8, 2, {0, 0, 0, 0}))->PaletteHandle(), nullptr);
  TPNGObject empty;
  EXPECT_THROW(empty.PaletteHandle(), EPNGHeaderNotPresent);
  EXPECT_THROW(empty.SetPaletteHandle(nullptr), EPNGHeaderNotPresent);
}

TEST(PngClipboard, WritesTheImageDrawnOverWhiteAndReadsItBack) {
  auto image = Decode(SimplePng(2, 1, 8, 6, UnfilteredRows({{200, 100, 0, 128, 10, 20, 30, 255}})));
  plat::UINT format = 0;
  plat::HANDLE data = nullptr;
  plat::HPALETTE palette = nullptr;
  image->WriteClipboardFormat(format, data, palette);
  EXPECT_EQ(format, plat::CF_BITMAP);
  ASSERT_NE(data, nullptr);

  TPNGObject back;
  back.ReadClipboardFormat(format, data, palette);
  plat::DeleteObject(data);
  ASSERT_TRUE(back.HasHeader());
  EXPECT_EQ(back.PixelWidth(), 2);
  auto blend = [](int s, int a) { return plat::BYTE((s * a + 255 + (255 - a) * 255) >> 8); };
  EXPECT_EQ(back.PixelColor(0, 0), plat::RGB(blend(200, 128), blend(100, 128), blend(0, 128)));
  EXPECT_EQ(back.PixelColor(1, 0), plat::RGB(10, 20, 30));
  EXPECT_EQ(back.TransparencyKind(), trOpaque);
}
