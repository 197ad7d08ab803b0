// Drawing: alpha blending at natural size, colour-key masking and plain
// copies, byte for byte on 32-bit surfaces.
#include <gtest/gtest.h>
#ifdef _WIN32
// The Windows build has no libpng; stb_image reads palette alpha the same way.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#else
#include <png.h>
#endif

#include <dirent.h>
#include <algorithm>
#include <random>

#include "platform/bitmap.h"
#include "png/alpha_blend.h"
#include "png/pngimage.h"
#include "png/rgba_export.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

// Alpha drawing writes in place into a 32-bit DIB that the bitmap made
// itself, and reaches any other surface (a section handed in, here a
// top-down one, or a device-dependent bitmap) through a temporary one.
enum class Kind { BottomUpSection, TopDownSection, DeviceBitmap };
constexpr Kind kKinds[] = {Kind::BottomUpSection, Kind::TopDownSection, Kind::DeviceBitmap};

// A 32-bit surface with a known background: every pixel's bytes derive from
// its position, the fourth byte included.
class Surface {
 public:
  Surface(int w, int h, Kind kind = Kind::BottomUpSection) : w_(w), h_(h) {
    if (kind == Kind::TopDownSection) {
      plat::BITMAPINFO info{};
      info.bmiHeader = {sizeof(plat::BITMAPINFOHEADER), w, -h, 1, 32, plat::BI_RGB, 0, 0, 0, 0, 0};
      void* bits = nullptr;
      bitmap_.SetHandle(plat::CreateDIBSection(nullptr, &info, plat::DIB_RGB_COLORS, &bits, nullptr, 0));
    } else {
      bitmap_.SetPixelFormat(plat::TPixelFormat::pf32bit);
      bitmap_.SetSize(w, h);
    }
    for (int y = 0; y < h; ++y) {
      auto* row = static_cast<std::uint8_t*>(bitmap_.ScanLine(y));
      for (int x = 0; x < w; ++x) {
        row[4 * x] = static_cast<std::uint8_t>(x * 37 + y * 11);
        row[4 * x + 1] = static_cast<std::uint8_t>(x * 5 + y * 71 + 3);
        row[4 * x + 2] = static_cast<std::uint8_t>(x * 13 + y * 29 + 200);
        row[4 * x + 3] = static_cast<std::uint8_t>(x * 3 + y * 7 + 1);
      }
    }
    if (kind == Kind::DeviceBitmap) bitmap_.SetPixelFormat(plat::TPixelFormat::pfDevice);
  }
  // Read through GetDIBits, which leaves the surface's kind as it is.
  std::vector<std::uint8_t> Pixels() {
    std::vector<std::uint8_t> all(static_cast<std::size_t>(w_) * h_ * 4);
    plat::BITMAPINFO info{};
    info.bmiHeader = {sizeof(plat::BITMAPINFOHEADER), w_, -h_, 1, 32, plat::BI_RGB, 0, 0, 0, 0, 0};
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    EXPECT_EQ(plat::GetDIBits(dc, bitmap_.Handle(), 0, h_, all.data(), &info, plat::DIB_RGB_COLORS), h_);
    plat::DeleteDC(dc);
    return all;
  }
  void Fill(std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t fourth) {
    for (int y = 0; y < h_; ++y) {
      auto* row = static_cast<std::uint8_t*>(bitmap_.ScanLine(y));
      for (int x = 0; x < w_; ++x) {
        row[4 * x] = b;
        row[4 * x + 1] = g;
        row[4 * x + 2] = r;
        row[4 * x + 3] = fourth;
      }
    }
  }
  void Draw(TPNGObject& image, const plat::RECT& rect) { image.Render(*bitmap_.Canvas(), rect); }
  void DrawAt(TPNGObject& image, int x, int y) { bitmap_.Canvas()->Draw(x, y, &image); }
  int Width() const { return w_; }
  int Height() const { return h_; }
  plat::TBitmap& Bitmap() { return bitmap_; }

 private:
  plat::TBitmap bitmap_;
  int w_, h_;
};

std::uint8_t Blend(int s, int a, int d) { return static_cast<std::uint8_t>((s * a + 255 + (255 - a) * d) >> 8); }

// A W x H RGBA image from a per-pixel function giving r, g, b, a.
template <class F>
std::unique_ptr<TPNGObject> RgbaImage(int w, int h, F pixel) {
  Bytes raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const std::array<std::uint8_t, 4> p = pixel(x, y);
      raw.insert(raw.end(), p.begin(), p.end());
    }
  }
  return Decode(SimplePng(w, h, 8, 6, raw));
}

// What alpha drawing at (left, top) must leave: `before` with the image
// blended where it covers the surface.
std::vector<std::uint8_t> ExpectedAlphaDraw(const std::vector<std::uint8_t>& before, int sw, int sh,
                                            const std::vector<std::uint8_t>& rgba, const std::vector<int>& alpha,
                                            int w, int h, int left, int top) {
  std::vector<std::uint8_t> out = before;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int dx = left + x, dy = top + y;
      if (dx < 0 || dy < 0 || dx >= sw || dy >= sh) continue;
      const std::size_t s = (static_cast<std::size_t>(y) * w + x) * 4;
      std::uint8_t* d = &out[(static_cast<std::size_t>(dy) * sw + dx) * 4];
      const int a = alpha[static_cast<std::size_t>(y) * w + x];
      d[0] = Blend(rgba[s + 2], a, d[0]);
      d[1] = Blend(rgba[s + 1], a, d[1]);
      d[2] = Blend(rgba[s], a, d[2]);
    }
  }
  return out;
}

std::vector<int> AlphaOf(const std::vector<std::uint8_t>& rgba) {
  std::vector<int> a;
  for (std::size_t i = 3; i < rgba.size(); i += 4) a.push_back(rgba[i]);
  return a;
}

}  // namespace

TEST(PngRenderAlpha, WorkedBlendValuesAndUntouchedFourthBytes) {
  const int values[][3] = {{200, 100, 128}, {255, 0, 128}, {0, 255, 128}, {255, 0, 1}, {0, 255, 254}};
  const int expected[] = {150, 128, 127, 1, 1};
  for (int i = 0; i < 5; ++i) {
    const int s = values[i][0], d = values[i][1], a = values[i][2];
    auto image = RgbaImage(1, 1, [&](int, int) {
      return std::array<std::uint8_t, 4>{std::uint8_t(s), std::uint8_t(s), std::uint8_t(s), std::uint8_t(a)};
    });
    Surface surface(1, 1);
    surface.Fill(std::uint8_t(d), std::uint8_t(d), std::uint8_t(d), 0x5A);
    surface.DrawAt(*image, 0, 0);
    EXPECT_EQ(surface.Pixels(), std::vector<std::uint8_t>({std::uint8_t(expected[i]), std::uint8_t(expected[i]),
                                                           std::uint8_t(expected[i]), 0x5A}))
        << s << " over " << d << " at " << a;
  }
}

TEST(PngRenderAlpha, EveryAlphaOverEveryBackgroundFollowsTheFormula) {
  // Columns are alpha 0..255, rows are colour 0..255 in a mix per channel.
  auto image = RgbaImage(256, 64, [](int x, int y) {
    return std::array<std::uint8_t, 4>{std::uint8_t(y * 4), std::uint8_t(255 - y * 4), std::uint8_t(y * 3 + x),
                                       std::uint8_t(x)};
  });
  Surface surface(256, 64);
  const auto before = surface.Pixels();
  surface.Draw(*image, {0, 0, 256, 64});
  const auto rgba = ExportRGBA(*image);
  EXPECT_EQ(surface.Pixels(), ExpectedAlphaDraw(before, 256, 64, rgba, AlphaOf(rgba), 256, 64, 0, 0));
}

TEST(PngRenderAlpha, DrawsAtNaturalSizeWhateverTheRectangle) {
  auto image = RgbaImage(3, 2, [](int x, int y) {
    return std::array<std::uint8_t, 4>{std::uint8_t(x * 80), std::uint8_t(y * 90), 7, 200};
  });
  const auto rgba = ExportRGBA(*image);
  for (const plat::RECT rect : {plat::RECT{2, 1, 9, 7}, plat::RECT{2, 1, 3, 2}}) {
    Surface surface(10, 8);
    const auto before = surface.Pixels();
    surface.Draw(*image, rect);
    EXPECT_EQ(surface.Pixels(), ExpectedAlphaDraw(before, 10, 8, rgba, AlphaOf(rgba), 3, 2, 2, 1));
  }
}

TEST(PngRenderAlpha, ClippedAtEveryEdge) {
  auto image = RgbaImage(5, 4, [](int x, int y) {
    return std::array<std::uint8_t, 4>{std::uint8_t(x * 50), std::uint8_t(y * 60), 99, std::uint8_t(60 + x * 40)};
  });
  const auto rgba = ExportRGBA(*image);
  const int places[][2] = {{-2, 1}, {1, -3}, {4, 1}, {1, 3}, {-4, -3}, {5, 4}, {-10, 0}};
  for (const Kind kind : kKinds) {
    for (const auto& p : places) {
      Surface surface(6, 5, kind);
      const auto before = surface.Pixels();
      surface.DrawAt(*image, p[0], p[1]);
      EXPECT_EQ(surface.Pixels(), ExpectedAlphaDraw(before, 6, 5, rgba, AlphaOf(rgba), 5, 4, p[0], p[1]))
          << p[0] << "," << p[1] << " kind " << static_cast<int>(kind);
    }
  }
}

// On Windows the rows are those of the real GDI's section: the same fast
// path as on the software platform.
TEST(PngRenderAlpha, OnlyASectionTheBitmapMadeIsReachedInPlace) {
  for (const Kind kind : kKinds) {
    Surface surface(3, 2, kind);
    plat::TDibRows32 rows;
    const bool reached = surface.Bitmap().PixelRows(rows);
    ASSERT_EQ(reached, kind == Kind::BottomUpSection) << static_cast<int>(kind);
    if (!reached) continue;
    EXPECT_EQ(rows.width, 3);
    EXPECT_EQ(rows.height, 2);
    for (int y = 0; y < 2; ++y) EXPECT_EQ(rows.Row(y), surface.Bitmap().ScanLine(y)) << y;
  }
}

TEST(PngRenderAlpha, ChosenBlendMatchesThePlainOneOnRandomRunsAndPlaces) {
  std::mt19937 random(5);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int round = 0; round < 200; ++round) {
    // Every tenth image is large enough that its blend terms are not kept.
    const bool large = round % 10 == 0;
    const int w = large ? 100 : pick(1, 37), h = large ? 70 : pick(1, 9);
    // Alpha is often 0, so that runs start and end anywhere in a group.
    auto image = RgbaImage(w, h, [&](int, int) {
      return std::array<std::uint8_t, 4>{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random()),
                                         std::uint8_t(pick(0, 2) ? 0 : random())};
    });
    const TAlphaRuns runs(image->RequireHeader());
    if (large) {
      ASSERT_EQ(runs.SourceTerms(), nullptr);
    }
    const int tw = pick(1, 40), th = pick(1, 12);
    std::vector<std::uint8_t> plain(static_cast<std::size_t>(tw) * th * 4);
    for (auto& b : plain) b = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> chosen = plain;
    const int left = pick(-w, tw), top = pick(-h, th);
    BlendRunsPlain(runs, Place({plain.data(), 4 * tw, tw, th}, left, top, w, h));
    ChooseBlendRuns()(runs, Place({chosen.data(), 4 * tw, tw, th}, left, top, w, h));
    ASSERT_EQ(chosen, plain) << "round " << round;
  }
}

TEST(PngRenderAlpha, RowsChangedAfterDrawingAreDrawnAsChanged) {
  auto alphaAt = [](int x, int y) { return std::uint8_t(x < 3 && y == 0 ? 200 : 0); };
  auto image = RgbaImage(6, 2, [&](int x, int y) { return std::array<std::uint8_t, 4>{10, 20, 30, alphaAt(x, y)}; });
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) rgba.insert(rgba.end(), {10, 20, 30, alphaAt(x, y)});
  }
  Surface(6, 2).DrawAt(*image, 0, 0);
  // A pixel that was fully transparent shows; then a colour changes.
  image->AlphaRow(1)[5] = 255;
  rgba[(6 + 5) * 4 + 3] = 255;
  for (int step = 0; step < 2; ++step) {
    if (step == 1) {
      image->ColorRow(0)[0] = 99;  // blue of the top-left pixel
      rgba[2] = 99;
    }
    Surface surface(6, 2);
    const auto before = surface.Pixels();
    surface.DrawAt(*image, 0, 0);
    EXPECT_EQ(surface.Pixels(), ExpectedAlphaDraw(before, 6, 2, rgba, AlphaOf(rgba), 6, 2, 0, 0)) << step;
  }
}

namespace {

// An indexed W x 1 image whose row holds `packed`, with a 4-entry palette
// and the given tRNS alphas.
std::unique_ptr<TPNGObject> IndexedImage(int w, int depth, const Bytes& packed, const Bytes& trns,
                                         int paletteEntries = 4) {
  Bytes plte;
  for (int i = 0; i < paletteEntries; ++i) {
    plte.insert(plte.end(), {std::uint8_t(60 * i + 10), std::uint8_t(200 - 40 * i), std::uint8_t(33 * i)});
  }
  PngBuilder png;
  png.Header(w, 1, static_cast<std::uint8_t>(depth), 3);
  if (paletteEntries > 0) png.Add("PLTE", plte);
  png.Add("tRNS", trns);
  Bytes raw = {0};
  raw.insert(raw.end(), packed.begin(), packed.end());
  return Decode(png.Data(raw).End());
}

// Expected bytes after blending palette indices over a surface row.
std::vector<std::uint8_t> ExpectedIndexed(std::vector<std::uint8_t> before, const std::vector<int>& indices,
                                          const Bytes& trns) {
  for (std::size_t x = 0; x < indices.size(); ++x) {
    const int i = indices[x];
    const int a = static_cast<std::size_t>(i) < trns.size() ? trns[i] : 255;
    std::uint8_t* d = &before[4 * x];
    d[0] = Blend(33 * i, a, d[0]);
    d[1] = Blend(200 - 40 * i, a, d[1]);
    d[2] = Blend(60 * i + 10, a, d[2]);
  }
  return before;
}

}  // namespace

TEST(PngRenderAlpha, IndexedImagesUnpackExactlyTheirWidth) {
  const Bytes trns = {0, 128, 255, 60};
  struct Case {
    int depth;
    Bytes packed;
    std::vector<int> indices;
  };
  const Case cases[] = {
      // 1 bit, width 5: the three low bits of the byte are padding (set).
      {1, {0b10110111}, {1, 0, 1, 1, 0}},
      // 2 bits, stored as 4-bit fields, high nibble first.
      {2, {0b00011011, 0b11000000}, {0, 1, 2, 3, 3}},
      {4, {0x30, 0x21, 0x0F}, {3, 0, 2, 1, 0}},
      {8, {2, 3, 0, 1, 1}, {2, 3, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    auto image = IndexedImage(5, c.depth, c.packed, trns, c.depth == 1 ? 2 : 4);
    ASSERT_EQ(image->TransparencyKind(), trAlpha);
    for (const Kind kind : kKinds) {
      Surface surface(6, 1, kind);
      const auto before = surface.Pixels();
      surface.DrawAt(*image, 0, 0);
      const auto expected = ExpectedIndexed(before, c.indices, trns);
      EXPECT_EQ(surface.Pixels(), expected) << "depth " << c.depth << " kind " << static_cast<int>(kind);
    }
  }
}

TEST(PngRenderAlpha, MissingPaletteEntryRaisesAndLeavesTheDestinationAlone) {
  // Index 3 with a palette of two entries.
  auto image = IndexedImage(3, 8, {0, 1, 3}, {0, 128}, 2);
  auto noPalette = IndexedImage(3, 8, {0, 1, 0}, {0, 128}, 0);
  for (const Kind kind : kKinds) {
    Surface surface(3, 1, kind);
    const auto before = surface.Pixels();
    try {
      surface.DrawAt(*image, 0, 0);
      FAIL() << "drawing index 3 of 2 must raise";
    } catch (const EPngError& e) {
      EXPECT_EQ(e.Message(), "There is no such palette entry.");
    }
    EXPECT_EQ(surface.Pixels(), before);
    // Without any palette nothing can be drawn either.
    EXPECT_THROW(surface.DrawAt(*noPalette, 0, 0), EPngError);
    EXPECT_EQ(surface.Pixels(), before);
  }
}

TEST(PngRenderAlpha, GreyWithAlphaBlendsTheStoredLevelDespiteGamma) {
  Bytes gama;
  PutBE32(gama, 100000);
  auto image = Decode(PngBuilder().Header(2, 1, 8, 4).Add("gAMA", gama).Data({0, 64, 255, 128, 200}).End());
  ASSERT_EQ(image->RequireHeader().DibInfo.bmiColors[64].rgbRed, 136);
  Surface surface(2, 1);
  surface.Fill(10, 20, 30, 40);
  surface.DrawAt(*image, 0, 0);
  EXPECT_EQ(surface.Pixels(), std::vector<std::uint8_t>({64, 64, 64, 40, Blend(128, 200, 10), Blend(128, 200, 20),
                                                         Blend(128, 200, 30), 40}));
}

TEST(PngRenderOpaque, CopiesAndStretchesTheColours) {
  auto image = Decode(SimplePng(2, 2, 8, 2, UnfilteredRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})));
  Surface surface(5, 5);
  surface.Fill(0, 0, 0, 77);
  surface.Draw(*image, {1, 1, 5, 5});
  const auto px = surface.Pixels();
  auto at = [&](int x, int y) {
    const std::uint8_t* p = &px[(y * 5 + x) * 4];
    return std::vector<std::uint8_t>(p, p + 3);
  };
  EXPECT_EQ(at(0, 0), std::vector<std::uint8_t>({0, 0, 0}));
  EXPECT_EQ(at(1, 1), std::vector<std::uint8_t>({3, 2, 1}));
  EXPECT_EQ(at(2, 2), std::vector<std::uint8_t>({3, 2, 1}));
  EXPECT_EQ(at(3, 1), std::vector<std::uint8_t>({6, 5, 4}));
  EXPECT_EQ(at(4, 4), std::vector<std::uint8_t>({12, 11, 10}));
  EXPECT_EQ(at(1, 4), std::vector<std::uint8_t>({9, 8, 7}));
}

TEST(PngRenderColorKey, KeyPixelsKeepTheBackgroundAlsoStretched) {
  // Palette image, entry 1 fully transparent: a key image.
  auto image = IndexedImage(4, 8, {0, 1, 2, 1}, {255, 0}, 4);
  ASSERT_EQ(image->TransparencyKind(), trColorKey);
  Surface surface(8, 2);
  const auto before = surface.Pixels();
  surface.Draw(*image, {0, 0, 8, 2});  // each pixel twice as wide, two rows
  const auto after = surface.Pixels();
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int index = std::vector<int>{0, 1, 2, 1}[x / 2];
      const std::size_t o = (y * 8 + x) * 4;
      if (index == 1) {
        EXPECT_EQ(std::vector<std::uint8_t>(&after[o], &after[o] + 3),
                  std::vector<std::uint8_t>(&before[o], &before[o] + 3))
            << x << "," << y;
      } else {
        EXPECT_EQ(after[o], 33 * index) << x;
        EXPECT_EQ(after[o + 1], 200 - 40 * index) << x;
        EXPECT_EQ(after[o + 2], 60 * index + 10) << x;
      }
    }
  }
}

TEST(PngRender, NothingWithoutAHeader) {
  TPNGObject empty;
  Surface surface(2, 2);
  const auto before = surface.Pixels();
  surface.Draw(empty, {0, 0, 2, 2});
  EXPECT_EQ(surface.Pixels(), before);
  // A header that failed its checks has no colour data to draw.
  TPNGObject failed;
  ReadInto(failed, SimplePng(70000, 1, 8, 6, {0}));
  surface.Draw(failed, {0, 0, 2, 2});
  EXPECT_EQ(surface.Pixels(), before);
}

namespace {

const std::string kSuite = std::string(FENWILLOW_TESTDATA) + "/pngsuite/";

// libpng's alpha for palette images with tRNS, which our dump leaves at 255.
std::vector<int> LibpngPaletteAlpha(const std::string& path, int w, int h) {
  std::vector<int> alpha;
#ifdef _WIN32
  int width = 0, height = 0, channels = 0;
  stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
  if (pixels == nullptr) return alpha;
  if (width == w && height == h) {
    for (int i = 0; i < w * h; ++i) alpha.push_back(pixels[4 * i + 3]);
  }
  stbi_image_free(pixels);
  return alpha;
#else
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return alpha;
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> buffer(PNG_IMAGE_SIZE(image));
  // The simplified API applies gamma to colour only; alpha is what we want.
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) return alpha;
  for (int i = 0; i < w * h; ++i) alpha.push_back(buffer[4 * i + 3]);
  return alpha;
#endif
}

}  // namespace

TEST(PngRenderSuite, EveryDecodableImageDrawsAsItsKindSays) {
  DIR* dir = opendir(kSuite.c_str());
  ASSERT_NE(dir, nullptr);
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 && name[0] != 'x') names.push_back(name);
  }
  closedir(dir);
  ASSERT_EQ(names.size(), 161u);
  for (const std::string& name : names) {
    TPNGObject image;
    plat::TFileStream stream(kSuite + name);
    image.ReadPng(stream);
    const int w = image.PixelWidth(), h = image.PixelHeight();
    const auto rgba = ExportRGBA(image);
    Surface surface(w + 4, h + 4);
    const auto before = surface.Pixels();
    surface.DrawAt(image, 2, 2);
    std::vector<std::uint8_t> expected = before;
    const TChunkIHDR& header = image.RequireHeader();
    const TTransparencyKind kind = image.TransparencyKind();
    std::vector<int> alpha = AlphaOf(rgba);
    std::vector<std::uint8_t> colour = rgba;
    if (kind == trAlpha && header.ColorType == 3) alpha = LibpngPaletteAlpha(kSuite + name, w, h);
    if (kind == trAlpha && header.ColorType == 4) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          for (int c = 0; c < 3; ++c) colour[(y * w + x) * 4 + c] = image.ColorRow(y)[x];
        }
      }
    }
    ASSERT_EQ(alpha.size(), static_cast<std::size_t>(w) * h) << name;
    const plat::COLORREF key = image.KeyColor();
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* s = &colour[(static_cast<std::size_t>(y) * w + x) * 4];
        std::uint8_t* d = &expected[(static_cast<std::size_t>(y + 2) * (w + 4) + x + 2) * 4];
        if (kind == trAlpha) {
          const int a = alpha[static_cast<std::size_t>(y) * w + x];
          d[0] = Blend(s[2], a, d[0]);
          d[1] = Blend(s[1], a, d[1]);
          d[2] = Blend(s[0], a, d[2]);
        } else if (kind == trOpaque || plat::RGB(s[0], s[1], s[2]) != key) {
          d[0] = s[2];
          d[1] = s[1];
          d[2] = s[0];
        }
        if (kind != trAlpha) d[3] = 0;  // not pinned by plain and keyed copies
      }
    }
    auto drawn = surface.Pixels();
    if (kind != trAlpha) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) drawn[(static_cast<std::size_t>(y + 2) * (w + 4) + x + 2) * 4 + 3] = 0;
      }
    }
    EXPECT_TRUE(drawn == expected) << name << " (" << kind << ")";
  }
}
