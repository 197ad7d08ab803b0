// Palette, transparency, gamma, time and text chunks, and the image's
// transparency kind and key colour.
#include <gtest/gtest.h>

#include <algorithm>

#include "png/inflate_text.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

Bytes Palette3() { return {10, 20, 30, 40, 50, 60, 70, 80, 90}; }

// A 3 x 1 palette image using indices 0, 1, 2, with extra chunks before its data.
Bytes PaletteImage(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  PngBuilder png;
  png.Header(3, 1, 8, 3);
  for (const auto& [type, payload] : chunks) png.Add(type, payload);
  return png.Data(UnfilteredRows({{0, 1, 2}})).End();
}

Bytes GammaPayload(std::uint32_t value) {
  Bytes p;
  PutBE32(p, value);
  return p;
}

}  // namespace

TEST(PngPalette, LengthRules) {
  EXPECT_EQ(Decode(PaletteImage({{"PLTE", {}}}))->ChunkList.FirstOfClass<TChunkPLTE>()->EntryCount, 0u);
  EXPECT_EQ(Decode(PaletteImage({{"PLTE", Bytes(768, 1)}}))->ChunkList.FirstOfClass<TChunkPLTE>()->EntryCount,
            256u);
  EXPECT_EQ(ErrorOf(PaletteImage({{"PLTE", Bytes(771, 1)}})), "EPNGInvalidPalette");
  EXPECT_EQ(ErrorOf(PaletteImage({{"PLTE", Bytes(10, 1)}})), "EPNGInvalidPalette");
  EXPECT_EQ(ErrorOf(PaletteImage({{"PLTE", Palette3()}, {"tRNS", Bytes(257, 1)}})), "EPNGInvalidPalette");
}

TEST(PngPalette, EntriesAreStoredInTheColourTableAndRangeChecked) {
  auto image = Decode(PaletteImage({{"PLTE", Palette3()}}));
  const auto* plte = image->ChunkList.FirstOfClass<TChunkPLTE>();
  EXPECT_EQ(plte->PaletteEntry(1), 0x0028323Cu);  // red 40, green 50, blue 60 as 0x00RRGGBB
  const plat::RGBQUAD& entry = image->RequireHeader().DibInfo.bmiColors[2];
  EXPECT_EQ(entry.rgbBlue, 90);
  EXPECT_EQ(entry.rgbGreen, 80);
  EXPECT_EQ(entry.rgbRed, 70);
  try {
    plte->PaletteEntry(3);
    FAIL() << "entry 3 of 3 must raise";
  } catch (const EPngError& e) {
    EXPECT_EQ(e.Message(), "There is no such palette entry.");
  }
  EXPECT_EQ(ExportRGBA(*image), Bytes({10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255}));
}

TEST(PngTransparency, PaletteKindsAndKeys) {
  auto keyed = Decode(PaletteImage({{"PLTE", Palette3()}, {"tRNS", {255, 0, 255}}}));
  EXPECT_EQ(keyed->TransparencyKind(), trColorKey);
  EXPECT_EQ(keyed->KeyColor(), plat::RGB(40, 50, 60));
  EXPECT_TRUE(keyed->IsTransparent());
  auto twoClear = Decode(PaletteImage({{"PLTE", Palette3()}, {"tRNS", {0, 0}}}));
  EXPECT_EQ(twoClear->TransparencyKind(), trAlpha);
  auto partial = Decode(PaletteImage({{"PLTE", Palette3()}, {"tRNS", {128}}}));
  EXPECT_EQ(partial->TransparencyKind(), trColorKey);
  EXPECT_EQ(partial->KeyColor(), 0u);
  auto opaque = Decode(PaletteImage({{"PLTE", Palette3()}}));
  EXPECT_EQ(opaque->TransparencyKind(), trOpaque);
  EXPECT_FALSE(opaque->IsTransparent());
  EXPECT_EQ(opaque->KeyColor(), 0u);
  // A key entry beyond the palette cannot give a colour.
  auto beyond = Decode(PaletteImage({{"PLTE", Palette3()}, {"tRNS", {255, 255, 255, 0}}}));
  EXPECT_THROW(beyond->KeyColor(), EPngError);
  // Without any palette there is no colour to key on.
  auto noPalette = Decode(PaletteImage({{"tRNS", {255, 0}}}));
  EXPECT_EQ(noPalette->TransparencyKind(), trColorKey);
  EXPECT_EQ(noPalette->KeyColor(), 0u);
}

TEST(PngTransparency, GreyRgbAndAlphaKinds) {
  auto grey = Decode(PngBuilder().Header(1, 1, 8, 0).Add("tRNS", {0x00, 0x7F}).Data({0, 0}).End());
  EXPECT_EQ(grey->TransparencyKind(), trColorKey);
  EXPECT_EQ(grey->KeyColor(), 0x007F7F7Fu);
  auto rgb = Decode(PngBuilder().Header(1, 1, 8, 2).Add("tRNS", {0, 1, 0, 2, 0, 3}).Data({0, 0, 0, 0}).End());
  EXPECT_EQ(rgb->TransparencyKind(), trColorKey);
  EXPECT_EQ(rgb->KeyColor(), plat::RGB(1, 2, 3));
  EXPECT_EQ(Decode(SimplePng(1, 1, 8, 2, {0, 0, 0, 0}))->TransparencyKind(), trOpaque);
  EXPECT_EQ(Decode(SimplePng(1, 1, 8, 6, {0, 0, 0, 0, 0}))->TransparencyKind(), trAlpha);
  EXPECT_EQ(Decode(PngBuilder().Header(1, 1, 8, 6).Add("tRNS", {0, 1}).Data({0, 0, 0, 0, 0}).End())
                ->TransparencyKind(),
            trAlpha);
  EXPECT_EQ(Decode(SimplePng(1, 1, 8, 4, {0, 0, 0}))->TransparencyKind(), trAlpha);
  TPNGObject empty;
  EXPECT_THROW(empty.TransparencyKind(), EPNGHeaderNotPresent);
}

TEST(PngTransparency, KeysNameTheStoredColourOfThePixelsTheyDescribe) {
  struct Case {
    const char* what;
    std::uint8_t depth, colorType;
    Bytes trns, row;  // the row: filter byte, then the keyed pixel and another
    std::uint32_t gamma;
    bool gammaAfterData;
  };
  const Case cases[] = {
      {"16-bit RGB keeps the high bytes", 16, 2, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC},
       {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x34, 0x00, 0x78, 0x00, 0xBC, 0x00}, 0, false},
      {"16-bit grey", 16, 0, {0x12, 0xFF}, {0, 0x12, 0xFF, 0xFF, 0x12}, 0, false},
      {"4-bit grey is a ramp level", 4, 0, {0, 15}, {0, 0xF0}, 0, false},
      {"2-bit grey", 2, 0, {0, 2}, {0, 0x90}, 0, false},
      {"1-bit grey", 1, 0, {0, 1}, {0, 0x80}, 0, false},
      {"8-bit grey with gamma", 8, 0, {0, 0x40}, {0, 0x40, 0x41}, 100000, false},
      {"8-bit RGB with gamma", 8, 2, {0, 0x40, 0, 0x80, 0, 0xC0}, {0, 0x40, 0x80, 0xC0, 0x41, 0x80, 0xC0}, 100000,
       false},
      {"gamma after the data leaves the colours", 8, 2, {0, 0x40, 0, 0x80, 0, 0xC0},
       {0, 0x40, 0x80, 0xC0, 0x41, 0x80, 0xC0}, 100000, true},
  };
  for (const Case& c : cases) {
    PngBuilder png;
    png.Header(2, 1, c.depth, c.colorType);
    if (c.gamma != 0 && !c.gammaAfterData) png.Add("gAMA", GammaPayload(c.gamma));
    png.Add("tRNS", c.trns).Data(c.row);
    if (c.gammaAfterData) png.Add("gAMA", GammaPayload(c.gamma));
    auto image = Decode(png.End());
    TPNGObject copy;
    copy.CopyImage(*image);
    const Bytes rgba = ExportRGBA(*image);
    ASSERT_EQ(image->TransparencyKind(), trColorKey) << c.what;
    EXPECT_EQ(image->KeyColor(), plat::RGB(rgba[0], rgba[1], rgba[2])) << c.what;
    EXPECT_NE(image->KeyColor(), plat::RGB(rgba[4], rgba[5], rgba[6])) << c.what;
    EXPECT_EQ(copy.KeyColor(), image->KeyColor()) << c.what;
  }
}

TEST(PngGamma, WorkedValues) {
  std::uint8_t forward[256], reverse[256];
  BuildGammaTables(45455, forward, reverse);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(forward[i], i) << i;
  BuildGammaTables(100000, forward, reverse);
  EXPECT_EQ(forward[0], 0);
  EXPECT_EQ(forward[1], 21);
  EXPECT_EQ(forward[64], 136);
  EXPECT_EQ(forward[128], 186);
  EXPECT_EQ(forward[192], 224);
  EXPECT_EQ(forward[254], 255);
  EXPECT_EQ(forward[255], 255);
  // Several inputs give 255; the largest stays in the reverse table.
  EXPECT_EQ(reverse[255], 255);
  EXPECT_EQ(reverse[186], 128);
}

TEST(PngGamma, ChunkBuildsTheImageTables) {
  auto image = Decode(PngBuilder().Header(1, 1, 8, 2).Add("gAMA", GammaPayload(100000)).Data({0, 64, 128, 1}).End());
  EXPECT_EQ(image->ForwardGamma[128], 186);
  // Colour samples pass through the table.
  EXPECT_EQ(Bytes(image->ColorRow(0), image->ColorRow(0) + 3), Bytes({21, 186, 136}));
  // Value 0 leaves the tables alone.
  auto zero = Decode(PngBuilder().Header(1, 1, 8, 0).Add("gAMA", GammaPayload(0)).Data({0, 0}).End());
  EXPECT_EQ(zero->ForwardGamma[128], 128);
  EXPECT_EQ(zero->ReverseGamma[128], 128);
}

// A palette changes the colours of an indexed image only, a gamma chunk of
// any length but 4 leaves the tables as they were, and a bit depth the
// colour type does not allow is refused whatever other chunks there are.
TEST(PngChunkScope, ChunksChangeOnlyWhatTheyApplyTo) {
  const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const Bytes greyRow = {0, 1, 2};
  const Bytes plain = SimplePng(2, 1, 8, 0, greyRow);
  const Bytes gamma = PngBuilder().Header(2, 1, 8, 0).Add("gAMA", GammaPayload(100000)).Data(greyRow).End();
  struct Case {
    const char* what;
    Bytes png;
    Bytes decodesAs;    // the stream it must decode like, or
    const char* error;  // the error it must end in
  };
  const Case cases[] = {
      {"palette after a grey image's data", PngBuilder().Header(2, 1, 8, 0).Data(greyRow).Add("PLTE", palette).End(),
       plain, ""},
      {"palette before a grey image's data", PngBuilder().Header(2, 1, 8, 0).Add("PLTE", palette).Data(greyRow).End(),
       plain, ""},
      {"gamma chunk of 3 bytes", PngBuilder().Header(2, 1, 8, 0).Add("gAMA", {1, 2, 3}).Data(greyRow).End(), plain,
       ""},
      {"gamma chunk of 5 bytes after a good one",
       PngBuilder().Header(2, 1, 8, 0).Add("gAMA", GammaPayload(100000)).Add("gAMA", {0, 1, 0x86, 0xA0, 0}).Data(greyRow).End(),
       gamma, ""},
      {"grey at depth 0", SimplePng(2, 1, 0, 0, {0}), {}, "EPngInvalidIHDR"},
      {"grey at depth 0 with a gamma chunk",
       PngBuilder().Header(2, 1, 0, 0).Add("gAMA", GammaPayload(100000)).Data({0}).End(), {}, "EPngInvalidIHDR"},
  };
  for (const Case& c : cases) {
    TPNGObject image;
    ASSERT_EQ(ReadInto(image, c.png).errorClass, c.error) << c.what;
    if (*c.error != 0) continue;
    auto expected = Decode(c.decodesAs);
    EXPECT_EQ(ExportRGBA(image), ExportRGBA(*expected)) << c.what;
    EXPECT_TRUE(std::equal(image.ForwardGamma, image.ForwardGamma + 256, expected->ForwardGamma)) << c.what;
  }
}

TEST(PngGamma, AppliesToGreyRampsAndPalettesReadAfterItNeverToAlpha) {
  auto grey = Decode(PngBuilder().Header(2, 1, 8, 4).Add("gAMA", GammaPayload(100000)).Data({0, 1, 64, 128, 128}).End());
  EXPECT_EQ(grey->RequireHeader().DibInfo.bmiColors[1].rgbRed, 21);
  EXPECT_EQ(grey->ColorRow(0)[0], 1);  // the index is stored as it is
  EXPECT_EQ(grey->AlphaRow(0)[0], 64);
  EXPECT_EQ(grey->AlphaRow(0)[1], 128);

  auto before = Decode(PaletteImage({{"gAMA", GammaPayload(100000)}, {"PLTE", {128, 1, 64}}}));
  EXPECT_EQ(before->ChunkList.FirstOfClass<TChunkPLTE>()->PaletteEntry(0), 0x00BA1588u);
  auto after = Decode(PaletteImage({{"PLTE", {128, 1, 64}}, {"gAMA", GammaPayload(100000)}}));
  EXPECT_EQ(after->ChunkList.FirstOfClass<TChunkPLTE>()->PaletteEntry(0), 0x00800140u);
}

TEST(PngTime, OnlySevenBytePayloadsAreRead) {
  auto seven = Decode(PngBuilder().Header(1, 1, 8, 0).Add("tIME", {0x07, 0xE6, 12, 24, 18, 30, 59}).Data({0, 0}).End());
  const auto* t = seven->ChunkList.FirstOfClass<TChunktIME>();
  EXPECT_EQ(t->Year, 2022);
  EXPECT_EQ(t->Month, 12);
  EXPECT_EQ(t->Day, 24);
  EXPECT_EQ(t->Hour, 18);
  EXPECT_EQ(t->Minute, 30);
  EXPECT_EQ(t->Second, 59);
  auto six = Decode(PngBuilder().Header(1, 1, 8, 0).Add("tIME", {0x07, 0xE6, 12, 24, 18, 30}).Data({0, 0}).End());
  const auto* u = six->ChunkList.FirstOfClass<TChunktIME>();
  EXPECT_EQ(u->Year, 0);
  EXPECT_EQ(u->Second, 0);
}

namespace {

const TChunktEXt* TextOf(const Bytes& png) {
  static std::unique_ptr<TPNGObject> keep;
  keep = Decode(png);
  return keep->ChunkList.FirstOfClass<TChunktEXt>();
}

Bytes TextImage(const std::string& type, const Bytes& payload) {
  return PngBuilder().Header(1, 1, 8, 0).Add(type, payload).Data({0, 0}).End();
}

Bytes ZtxtPayload(const std::string& keyword, std::uint8_t method, const Bytes& data) {
  Bytes p = Text(keyword);
  p.push_back(0);
  p.push_back(method);
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

}  // namespace

TEST(PngText, KeywordAndText) {
  const TChunktEXt* t = TextOf(TextImage("tEXt", Text(std::string("Title\0Hello", 11))));
  EXPECT_EQ(t->Keyword, "Title");
  EXPECT_EQ(t->Text, "Hello");
  // The text is every byte after the zero byte, zeros included.
  t = TextOf(TextImage("tEXt", Text(std::string("K\0a\0b", 5))));
  EXPECT_EQ(t->Text, std::string("a\0b", 3));
  t = TextOf(TextImage("tEXt", {'a', 0}));
  EXPECT_EQ(t->Keyword, "");
  EXPECT_EQ(t->Text, "");
  t = TextOf(TextImage("tEXt", Text("NoZeroByte")));
  EXPECT_EQ(t->Keyword, "NoZeroByte");
  EXPECT_EQ(t->Text, "");
}

TEST(PngText, CompressedText) {
  std::string long1000;
  for (int i = 0; i < 1000; ++i) long1000 += static_cast<char>('a' + i % 26);
  const TChunktEXt* z = TextOf(TextImage("zTXt", ZtxtPayload("Comment", 0, Deflate(Text(long1000)))));
  EXPECT_EQ(&z->ChunkClass(), &TChunkzTXt::Class());
  EXPECT_EQ(z->Keyword, "Comment");
  EXPECT_EQ(z->Text, long1000);
  EXPECT_EQ(TextOf(TextImage("zTXt", ZtxtPayload("Comment", 1, Deflate(Text("x")))))->Text, "");
  EXPECT_EQ(TextOf(TextImage("zTXt", ZtxtPayload("Comment", 0, Text("not zlib"))))->Text, "");
  // The keyword's zero byte is the last payload byte: no method byte.
  EXPECT_EQ(TextOf(TextImage("zTXt", Text(std::string("Key\0", 4))))->Text, "");
  // A truncated stream is a failed inflation.
  const Bytes cut = Deflate(Text(long1000));
  EXPECT_EQ(TextOf(TextImage("zTXt", ZtxtPayload("K", 0, Bytes(cut.begin(), cut.end() - 6))))->Text, "");
}

TEST(PngText, InflatedTextIsBounded) {
  const Bytes bomb = Deflate(Bytes(1000 + 1024, 'z'));
  const TInflateTextResult result = InflateText(bomb.data(), bomb.size(), 1000);
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.bytes.empty());
  EXPECT_LE(result.produced, 1000u + 256);
  const Bytes fits = Deflate(Bytes(1000, 'z'));
  EXPECT_EQ(InflateText(fits.data(), fits.size(), 1000).bytes.size(), 1000u);
  const Bytes dictionary = {0x78, 0x20, 0, 0, 0, 1, 0x63, 0, 0};
  EXPECT_FALSE(InflateText(dictionary.data(), dictionary.size(), 1000).ok);

  // The texts of one image share one budget: the first ones are kept whole,
  // the first that does not fit uses up the rest, and later ones stay empty.
  const std::size_t third = kImageTextBudget / 3 + 1;
  PngBuilder png;
  png.Header(1, 1, 8, 0).Add("tEXt", Text(std::string("Plain\0text", 10)));
  for (std::size_t size : {third, third, third, std::size_t{10}}) {
    png.Add("zTXt", ZtxtPayload("Comment", 0, Deflate(Bytes(size, 'z'))));
  }
  auto image = Decode(png.Data({0, 0}).End());
  std::vector<std::size_t> kept;
  for (std::uint32_t i = 1; i < image->ChunkList.ItemCount(); ++i) {
    if (const auto* t = dynamic_cast<const TChunktEXt*>(image->ChunkList.ItemAt(i))) kept.push_back(t->Text.size());
  }
  EXPECT_EQ(kept, std::vector<std::size_t>({4, third, third, 0, 0}));
  EXPECT_EQ(image->TextBudgetLeft(), 0u);
}

