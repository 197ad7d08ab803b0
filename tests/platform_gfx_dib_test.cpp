// DIB sections and the transfers between caller memory and bitmaps:
// StretchDIBits, GetDIBits, CreateDIBitmap, CreateCompatibleBitmap.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/colour_tables.h"
#include "tests/platform_gfx_support.h"

namespace {

using namespace gfx;

constexpr std::uint32_t kFill = Bgra(0xEE, 0xEE, 0xEE, 0xEE);
std::uint32_t V(int x, int y) { return Bgra(20 * x + 3, 20 * y + 5, 0x77, 0xA0 + x + 4 * y); }

// Caller-side DIB bits with their description.
struct Bits {
  Bits(int w, int h, int bpp, bool topDown, const std::vector<RGBQUAD>& table = {})
      : width(w), height(h), bpp(bpp), topDown(topDown), info(Info(w, topDown ? -h : h, bpp, table)),
        bytes(static_cast<std::size_t>(Stride(w, bpp)) * h) {}
  std::uint8_t* Row(int y) { return bytes.data() + (topDown ? y : height - 1 - y) * Stride(width, bpp); }
  void Set(int x, int y, std::uint32_t v) { SetPixel(Row(y), x, bpp, v); }
  BITMAPINFO* info_ptr() { return AsInfo(info); }
  int width, height, bpp;
  bool topDown;
  BITMAPINFO256 info;
  std::vector<std::uint8_t> bytes;
};

bool SameQuad(const RGBQUAD& a, const RGBQUAD& b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

TEST(DibSection, RowsRunAsTheSignOfTheHeightSays) {
  Dib bottomUp(2, 3, 32, false), topDown(2, 3, 32, true);
  // The first row in memory of a bottom-up section is the image's bottom.
  std::uint32_t first = Bgra(1, 2, 3, 4);
  std::memcpy(bottomUp.bits(), &first, 4);
  std::memcpy(topDown.bits(), &first, 4);
  Dib a(2, 3, 32, true), b(2, 3, 32, true);
  ASSERT_TRUE(BitBlt(a.dc(), 0, 0, 2, 3, bottomUp.dc(), 0, 0, SRCCOPY));
  ASSERT_TRUE(BitBlt(b.dc(), 0, 0, 2, 3, topDown.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(first, a.Get(0, 2));
  EXPECT_EQ(0u, a.Get(0, 0));
  EXPECT_EQ(first, b.Get(0, 0));

  // The description does not tell the order: the height comes back positive.
  DIBSECTION section{};
  ASSERT_EQ(static_cast<int>(sizeof section), GetObjectA(topDown.bitmap(), sizeof section, &section));
  EXPECT_EQ(3, section.dsBmih.biHeight);
  EXPECT_EQ(3, section.dsBm.bmHeight);
  EXPECT_EQ(topDown.bits(), section.dsBm.bmBits);
}

TEST(DibSection, RefusesDescriptionsItCannotHold) {
  void* bits = reinterpret_cast<void*>(1);
  BITMAPINFO256 sixteen = Info(2, 2, 16), rle = Info(2, 2, 8), planes = Info(2, 2, 32), empty = Info(0, 2, 32),
                flat = Info(2, 0, 32), huge = Info(70000, 70000, 32);
  rle.bmiHeader.biCompression = 1;
  planes.bmiHeader.biPlanes = 2;
  for (BITMAPINFO256* info : {&rle, &planes, &empty, &flat, &huge}) {
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, AsInfo(*info), DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(nullptr, bits);
  }
  if (kSoftGraphics) {  // Win32 also makes 16-bit and palette-indexed sections
    BITMAPINFO256 fine = Info(2, 2, 32);
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, AsInfo(sixteen), DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(nullptr, CreateDIBSection(nullptr, AsInfo(fine), 1 /* DIB_PAL_COLORS */, &bits, nullptr, 0));
  }
}

TEST(StretchDIBits, BottomUpSourcesCountTheSourceOriginFromTheBottom) {
  Bits bottomUp(1, 4, 32, false), topDown(1, 4, 32, true);
  for (int y = 0; y < 4; ++y) {
    bottomUp.Set(0, y, V(0, y));
    topDown.Set(0, y, V(0, y));
  }
  Dib a(1, 2, 32), b(1, 2, 32);
  // Source rows 1..2 from the bottom of a 4-row image are rows 1..2 from
  // the top, which is what the same numbers mean for a top-down source.
  // The count is that of the whole DIB's lines.
  EXPECT_EQ(4, StretchDIBits(a.dc(), 0, 0, 1, 2, 0, 1, 1, 2, bottomUp.bytes.data(), bottomUp.info_ptr(),
                             DIB_RGB_COLORS, SRCCOPY));
  EXPECT_EQ(4, StretchDIBits(b.dc(), 0, 0, 1, 2, 0, 1, 1, 2, topDown.bytes.data(), topDown.info_ptr(),
                             DIB_RGB_COLORS, SRCCOPY));
  EXPECT_EQ((std::vector<std::uint32_t>{V(0, 1), V(0, 2)}), (std::vector<std::uint32_t>{a.Get(0, 0), a.Get(0, 1)}));
  EXPECT_EQ((std::vector<std::uint32_t>{V(0, 1), V(0, 2)}), (std::vector<std::uint32_t>{b.Get(0, 0), b.Get(0, 1)}));
  // sy = 0 of a bottom-up source with a short height is its bottom row.
  Dib c(1, 1, 32);
  StretchDIBits(c.dc(), 0, 0, 1, 1, 0, 0, 1, 1, bottomUp.bytes.data(), bottomUp.info_ptr(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(V(0, 3), c.Get(0, 0));
}

TEST(StretchDIBits, ReadsEveryDepthThroughItsColourTable) {
  const std::vector<RGBQUAD> table = {Quad(10, 20, 30), Quad(40, 50, 60), Quad(70, 80, 90), Quad(1, 2, 3)};
  for (int bpp : {1, 4, 8}) {
    Bits src(11, 1, bpp, false, table);
    for (int x = 0; x < 11; ++x) src.Set(x, 0, x % 2);
    src.Set(10, 0, 1);
    Dib dst(11, 1, 32);
    dst.Fill(kFill);
    ASSERT_EQ(1, StretchDIBits(dst.dc(), 0, 0, 11, 1, 0, 0, 11, 1, src.bytes.data(), src.info_ptr(), DIB_RGB_COLORS,
                               SRCCOPY));
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(x % 2 ? Bgra(60, 50, 40) : Bgra(30, 20, 10), dst.Get(x, 0)) << bpp << " bits, x " << x;
    EXPECT_EQ(Bgra(60, 50, 40), dst.Get(10, 0)) << bpp;
  }
  // biClrUsed limits the table; indices past it read black.
  Bits limited(2, 1, 8, true, table);
  limited.info.bmiHeader.biClrUsed = 2;
  limited.Set(0, 0, 1);
  limited.Set(1, 0, 3);
  Dib dst(2, 1, 32);
  StretchDIBits(dst.dc(), 0, 0, 2, 1, 0, 0, 2, 1, limited.bytes.data(), limited.info_ptr(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ((std::vector<std::uint32_t>{Bgra(60, 50, 40), 0}), dst.RowValues(0));
  // 24 bits arrive with a 0 fourth byte, 32 bits with theirs.
  Bits rgb(1, 1, 24, true), rgba(1, 1, 32, true);
  rgb.Set(0, 0, Bgra(1, 2, 3));
  rgba.Set(0, 0, Bgra(1, 2, 3, 4));
  Dib a(1, 1, 32), b(1, 1, 32);
  a.Fill(kFill);
  StretchDIBits(a.dc(), 0, 0, 1, 1, 0, 0, 1, 1, rgb.bytes.data(), rgb.info_ptr(), DIB_RGB_COLORS, SRCCOPY);
  StretchDIBits(b.dc(), 0, 0, 1, 1, 0, 0, 1, 1, rgba.bytes.data(), rgba.info_ptr(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(Bgra(1, 2, 3, 0), a.Get(0, 0));
  EXPECT_EQ(Bgra(1, 2, 3, 4), b.Get(0, 0));
}

TEST(StretchDIBits, ClipsAtEveryEdgeAndStretches) {
  Bits src(2, 2, 32, true);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) src.Set(x, y, V(x, y));
  Dib dst(3, 3, 32);
  auto draw = [&](int x, int y, int w, int h) {
    dst.Fill(kFill);
    StretchDIBits(dst.dc(), x, y, w, h, 0, 0, 2, 2, src.bytes.data(), src.info_ptr(), DIB_RGB_COLORS, SRCCOPY);
  };
  draw(-1, -1, 2, 2);  // left and top
  EXPECT_EQ((std::vector<std::uint32_t>{V(1, 1), kFill, kFill}), dst.RowValues(0));
  EXPECT_EQ((std::vector<std::uint32_t>{kFill, kFill, kFill}), dst.RowValues(1));
  draw(2, 2, 2, 2);  // right and bottom
  EXPECT_EQ((std::vector<std::uint32_t>{kFill, kFill, V(0, 0)}), dst.RowValues(2));
  EXPECT_EQ(kFill, dst.Get(2, 1));
  draw(-1, 1, 4, 4);  // doubled: offsets 1, 2, 3 map to 0, 1, 1
  EXPECT_EQ((std::vector<std::uint32_t>{kFill, kFill, kFill}), dst.RowValues(0));
  EXPECT_EQ((std::vector<std::uint32_t>{V(0, 0), V(1, 0), V(1, 0)}), dst.RowValues(1));
  EXPECT_EQ((std::vector<std::uint32_t>{V(0, 0), V(1, 0), V(1, 0)}), dst.RowValues(2));
  draw(0, 0, 1, 1);  // halved
  EXPECT_EQ(kFill, dst.Get(1, 0));
  if (kSoftGraphics) {  // takes the top-left pixel; Win32's default stretch mode ANDs all four
    EXPECT_EQ(V(0, 0), dst.Get(0, 0));
  }
}

TEST(StretchDIBits, RefusesBadCalls) {
  Bits src(2, 2, 32, true), sixteen(2, 2, 16, true), rle(2, 2, 8, true);
  rle.info.bmiHeader.biCompression = 1;
  Dib dst(2, 2, 32);
  dst.Fill(kFill);
  const void* bits = src.bytes.data();
  EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, nullptr, src.info_ptr(), DIB_RGB_COLORS, SRCCOPY));
  EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, nullptr, DIB_RGB_COLORS, SRCCOPY));
  StretchDIBits(dst.dc(), 0, 0, 0, 2, 0, 0, 2, 2, bits, src.info_ptr(), DIB_RGB_COLORS, SRCCOPY);  // no area
  // Win32 also reads 16-bit, compressed and palette-indexed DIBs, knows
  // every raster operation and draws on the screen.
  if (kSoftGraphics) {
    EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, sixteen.info_ptr(), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, rle.info_ptr(), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, src.info_ptr(), 1, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dst.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, src.info_ptr(), DIB_RGB_COLORS, 0x00660046));
    EXPECT_EQ(0, StretchDIBits(Screen().dc, 0, 0, 2, 2, 0, 0, 2, 2, bits, src.info_ptr(), DIB_RGB_COLORS, SRCCOPY));
  }
  EXPECT_EQ(kFill, dst.Get(0, 0));
}

TEST(GetDIBits, WithoutBitsAndBitCountDescribesTheBitmap) {
  Dib rgb(5, 3, 24, true);
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(0, GetDIBits(rgb.dc(), rgb.bitmap(), 0, 3, nullptr, AsInfo(info), DIB_RGB_COLORS));
  EXPECT_EQ(5, info.bmiHeader.biWidth);
  EXPECT_EQ(3, info.bmiHeader.biHeight);
  EXPECT_EQ(1, info.bmiHeader.biPlanes);
  EXPECT_EQ(24, info.bmiHeader.biBitCount);
  EXPECT_EQ(BI_RGB, info.bmiHeader.biCompression);
  EXPECT_EQ(48u, info.bmiHeader.biSizeImage);

  Mono mono({"01"});
  BITMAPINFO256 monoInfo{};
  monoInfo.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  EXPECT_NE(0, GetDIBits(mono.dc(), mono.bitmap(), 0, 1, nullptr, AsInfo(monoInfo), DIB_RGB_COLORS));
  EXPECT_EQ(1, monoInfo.bmiHeader.biBitCount);
}

class GetDIBitsDepth : public ::testing::TestWithParam<int> {};

TEST_P(GetDIBitsDepth, RoundTripsBitsAndTableAtTheBitmapsOwnDepth) {
  const int bpp = GetParam();
  std::vector<RGBQUAD> table;
  for (int i = 0; i < (bpp <= 8 ? 1 << bpp : 0); ++i) table.push_back(Quad(i, 255 - i, i / 2));
  const int w = 7, h = 3;
  Dib dib(w, h, bpp, false, table);
  for (int i = 0; i < dib.stride() * h; ++i) dib.bits()[i] = static_cast<std::uint8_t>(37 * i + 11);
  for (bool topDown : {false, true}) {
    BITMAPINFO256 info = Info(w, topDown ? -h : h, bpp);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(dib.stride()) * h, 0xCD);
    ASSERT_EQ(h, GetDIBits(dib.dc(), dib.bitmap(), 0, h, out.data(), AsInfo(info), DIB_RGB_COLORS));
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* row = out.data() + (topDown ? y : h - 1 - y) * dib.stride();
      for (int x = 0; x < w; ++x) EXPECT_EQ(dib.Get(x, y), GetPixel(row, x, bpp)) << x << "," << y;
    }
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_TRUE(SameQuad(table[i], info.bmiColors[i])) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, GetDIBitsDepth, ::testing::Values(1, 4, 8, 24, 32));

TEST(GetDIBits, ConvertsIntoOtherDepths) {
  Dib rgba(4, 1, 32);
  rgba.Set(0, 0, Bgra(0, 0, 255, 0x11));
  rgba.Set(1, 0, Bgra(128, 128, 128, 0x22));
  rgba.Set(2, 0, Bgra(200, 200, 200, 0x33));
  rgba.Set(3, 0, Bgra(0, 0, 128, 0x44));
  auto get = [&](HBITMAP bitmap, int bpp, BITMAPINFO256& info) {
    info = Info(4, -1, bpp);
    std::vector<std::uint8_t> out(Stride(4, bpp), 0xCD);
    EXPECT_EQ(1, GetDIBits(rgba.dc(), bitmap, 0, 1, out.data(), AsInfo(info), DIB_RGB_COLORS));
    std::vector<std::uint32_t> values;
    for (int x = 0; x < 4; ++x) values.push_back(GetPixel(out.data(), x, bpp));
    return values;
  };
  BITMAPINFO256 info;
  EXPECT_EQ((std::vector<std::uint32_t>{Bgra(0, 0, 255, 0x11), Bgra(128, 128, 128, 0x22), Bgra(200, 200, 200, 0x33),
                                        Bgra(0, 0, 128, 0x44)}),
            get(rgba.bitmap(), 32, info));
  EXPECT_EQ((std::vector<std::uint32_t>{Bgra(0, 0, 255), Bgra(128, 128, 128), Bgra(200, 200, 200), Bgra(0, 0, 128)}),
            get(rgba.bitmap(), 24, info));
  // The fixed tables. 8 bits, only here (Win32's is its halftone palette):
  // red is cube entry 36 * 5; grey 128 is nearest the grey 130 at 236,
  // grey 200 the grey 198 at 247; dark red 128 the cube's red 153 at
  // 36 * 3. 4 bits: grey 128 at 7, silver at 8. 1 bit: black and white.
  if (kSoftGraphics) {
    EXPECT_EQ((std::vector<std::uint32_t>{180, 236, 247, 108}), get(rgba.bitmap(), 8, info));
    EXPECT_TRUE(SameQuad(Quad(130, 130, 130), info.bmiColors[236]));
  }
  EXPECT_EQ((std::vector<std::uint32_t>{9, 7, 8, 1}), get(rgba.bitmap(), 4, info));
  EXPECT_TRUE(SameQuad(Quad(192, 192, 192), info.bmiColors[8]));
  EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 1, 0}), get(rgba.bitmap(), 1, info));
  EXPECT_TRUE(SameQuad(Quad(255, 255, 255), info.bmiColors[1]));

  // A 24-bit bitmap gives 0 fourth bytes; a monochrome one reads black and
  // white, and at 1 bit its own bits and table.
  Dib rgb(4, 1, 24);
  rgb.Set(1, 0, Bgra(9, 8, 7));
  EXPECT_EQ((std::vector<std::uint32_t>{0, Bgra(9, 8, 7), 0, 0}), get(rgb.bitmap(), 32, info));
  Mono mono({"0110"});
  EXPECT_EQ((std::vector<std::uint32_t>{0, Bgra(255, 255, 255), Bgra(255, 255, 255), 0}), get(mono.bitmap(), 32, info));
  EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 1, 0}), get(mono.bitmap(), 1, info));
}

TEST(GetDIBits, CopiesTheRequestedScanLines) {
  Dib src(1, 4, 32, true);
  for (int y = 0; y < 4; ++y) src.Set(0, y, V(0, y));
  std::uint32_t out[4] = {};
  BITMAPINFO256 bottomUp = Info(1, 4, 32), topDown = Info(1, -4, 32);
  // Scan lines of a bottom-up request count from the bottom, and the first
  // one asked for comes first in the buffer.
  ASSERT_EQ(2, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(bottomUp), DIB_RGB_COLORS));
  EXPECT_EQ(V(0, 3), out[0]);
  EXPECT_EQ(V(0, 2), out[1]);
  ASSERT_EQ(1, GetDIBits(src.dc(), src.bitmap(), 3, 1, out, AsInfo(bottomUp), DIB_RGB_COLORS));
  EXPECT_EQ(V(0, 0), out[0]);
  // A top-down request counts them from the bottom too, and gets them top
  // row first.
  ASSERT_EQ(2, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(topDown), DIB_RGB_COLORS));
  EXPECT_EQ(V(0, 2), out[0]);
  EXPECT_EQ(V(0, 3), out[1]);
  EXPECT_EQ(1, GetDIBits(src.dc(), src.bitmap(), 3, 9, out, AsInfo(topDown), DIB_RGB_COLORS));
  EXPECT_EQ(V(0, 0), out[0]);
  if (kSoftGraphics) {  // Win32 reports 1 for a first line past the last, having copied none
    EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 4, 1, out, AsInfo(topDown), DIB_RGB_COLORS));
  }
}

TEST(GetDIBits, RefusesMismatchedOrBadRequests) {
  Dib src(2, 2, 32);
  std::uint32_t out[16] = {};
  BITMAPINFO256 wide = Info(3, 2, 32), tall = Info(2, 3, 32), sixteen = Info(2, 2, 16), fine = Info(2, 2, 32);
  if (kSoftGraphics) {  // Win32 fits requests of other sizes, 16 bits and palette indices
    EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(wide), DIB_RGB_COLORS));
    EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(tall), DIB_RGB_COLORS));
    EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(sixteen), DIB_RGB_COLORS));
    EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, AsInfo(fine), 1));
  }
  EXPECT_EQ(0, GetDIBits(src.dc(), src.bitmap(), 0, 2, out, nullptr, DIB_RGB_COLORS));
  EXPECT_EQ(0, GetDIBits(nullptr, src.bitmap(), 0, 2, out, AsInfo(fine), DIB_RGB_COLORS));
  EXPECT_EQ(0, GetDIBits(src.dc(), reinterpret_cast<HBITMAP>(out), 0, 2, out, AsInfo(fine), DIB_RGB_COLORS));
}

class CreateDIBitmapDepth : public ::testing::TestWithParam<int> {};

TEST_P(CreateDIBitmapDepth, MakesAScreenBitmapHoldingTheColours) {
  const int bpp = GetParam();
  const std::vector<RGBQUAD> table = {Quad(250, 0, 0), Quad(0, 0, 250), Quad(5, 6, 7)};
  Bits src(3, 2, bpp, false, table);
  const std::uint32_t colours[3] = {Bgra(0, 0, 250, 0x80), Bgra(250, 0, 0, 0x81), Bgra(7, 6, 5, 0x82)};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      const int i = (x + y) % (bpp == 1 ? 2 : 3);
      src.Set(x, y, bpp <= 8 ? i : colours[i]);
    }
  HDC screen = GetDC(nullptr);
  HBITMAP made = CreateDIBitmap(screen, &src.info.bmiHeader, CBM_INIT, src.bytes.data(), src.info_ptr(),
                                DIB_RGB_COLORS);
  ASSERT_NE(nullptr, made);
  BITMAP record{};
  DIBSECTION section{};
  EXPECT_EQ(static_cast<int>(sizeof(BITMAP)), GetObjectA(made, sizeof section, &section));
  GetObjectA(made, sizeof record, &record);
  EXPECT_EQ(32, record.bmBitsPixel);
  EXPECT_EQ(3, record.bmWidth);
  EXPECT_EQ(2, record.bmHeight);
  BITMAPINFO256 info = Info(3, -2, 32);
  std::uint32_t out[6] = {};
  ASSERT_EQ(2, GetDIBits(screen, made, 0, 2, out, AsInfo(info), DIB_RGB_COLORS));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      const int i = (x + y) % (bpp == 1 ? 2 : 3);
      const std::uint32_t expected = bpp == 32 ? colours[i] : colours[i] & 0xFFFFFF;
      EXPECT_EQ(expected, out[3 * y + x]) << x << "," << y;
    }
  DeleteObject(made);
  ReleaseDC(nullptr, screen);
}

INSTANTIATE_TEST_SUITE_P(AllDepths, CreateDIBitmapDepth, ::testing::Values(1, 4, 8, 24, 32));

TEST(CreateDIBitmap, FollowsTheContextsSelectedBitmap) {
  Bits src(3, 1, 24, true);
  src.Set(0, 0, Bgra(250, 250, 250));
  src.Set(1, 0, Bgra(20, 20, 20));
  src.Set(2, 0, Bgra(200, 90, 180));
  // A fresh memory context holds a monochrome bitmap, so the result is
  // monochrome, each colour taking the nearer of black and white.
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateDIBitmap(memory, &src.info.bmiHeader, CBM_INIT, src.bytes.data(), src.info_ptr(),
                                DIB_RGB_COLORS);
  ASSERT_NE(nullptr, mono);
  BITMAP record{};
  GetObjectA(mono, sizeof record, &record);
  EXPECT_EQ(1, record.bmBitsPixel);
  BITMAPINFO256 info = Info(3, -1, 1);
  std::uint8_t bits[4] = {};
  ASSERT_EQ(1, GetDIBits(memory, mono, 0, 1, bits, AsInfo(info), DIB_RGB_COLORS));
  EXPECT_EQ(0xA0, bits[0]);

  // Without CBM_INIT the bitmap starts black; CBM_INIT without bits fails.
  Dib holder(1, 1, 32);
  HBITMAP blank = CreateDIBitmap(holder.dc(), &src.info.bmiHeader, 0, nullptr, nullptr, DIB_RGB_COLORS);
  ASSERT_NE(nullptr, blank);
  BITMAPINFO256 info32 = Info(3, -1, 32);
  std::uint32_t out[3] = {1, 1, 1};
  GetDIBits(memory, blank, 0, 1, out, AsInfo(info32), DIB_RGB_COLORS);
  EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0}), (std::vector<std::uint32_t>{out[0], out[1], out[2]}));
  EXPECT_EQ(nullptr, CreateDIBitmap(holder.dc(), &src.info.bmiHeader, CBM_INIT, nullptr, src.info_ptr(), DIB_RGB_COLORS));
  // Without a context the bitmap is monochrome too.
  HBITMAP noContext = CreateDIBitmap(nullptr, &src.info.bmiHeader, 0, nullptr, nullptr, DIB_RGB_COLORS);
  GetObjectA(noContext, sizeof record, &record);
  EXPECT_EQ(1, record.bmBitsPixel);
  DeleteObject(noContext);
  DeleteObject(blank);
  DeleteObject(mono);
  DeleteDC(memory);
}

TEST(CreateCompatibleBitmap, MatchesTheContext) {
  auto depth = [](HBITMAP bitmap, bool* isSection) {
    DIBSECTION section{};
    *isSection = GetObjectA(bitmap, sizeof section, &section) == static_cast<int>(sizeof section);
    return section.dsBm.bmBitsPixel;
  };
  bool isSection = false;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
  EXPECT_EQ(1, depth(mono, &isSection));
  EXPECT_FALSE(isSection);
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, 4, 4);
  EXPECT_EQ(32, depth(colour, &isSection));
  EXPECT_FALSE(isSection);
  // A context holding a DIB section gives a DIB section of its format.
  const std::vector<RGBQUAD> table = {Quad(1, 2, 3), Quad(4, 5, 6)};
  Dib indexed(2, 2, 8, false, table);
  HBITMAP section = CreateCompatibleBitmap(indexed.dc(), 3, 3);
  EXPECT_EQ(8, depth(section, &isSection));
  EXPECT_TRUE(isSection);
  BITMAPINFO256 info = Info(3, 3, 8);
  GetDIBits(screen, section, 0, 3, nullptr, AsInfo(info), DIB_RGB_COLORS);
  EXPECT_TRUE(SameQuad(table[1], info.bmiColors[1]));
  EXPECT_EQ(1, depth(CreateCompatibleBitmap(screen, 0, 4), &isSection));  // no area: 1 x 1 monochrome
  EXPECT_EQ(nullptr, CreateCompatibleBitmap(reinterpret_cast<HDC>(&info), 4, 4));
  for (HBITMAP b : {mono, colour, section}) EXPECT_TRUE(DeleteObject(b));
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace
