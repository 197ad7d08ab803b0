// TBitmap and TCanvas on the software graphics.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bitmap.h"
#include "platform/exception.h"
#include "tests/platform_gfx_support.h"

namespace {

using namespace gfx;
using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t kWhite = Bgra(255, 255, 255);

// The bitmap's pixels as top-down 32-bit values, read through GetDIBits.
Pixels Read(TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  Pixels out(static_cast<std::size_t>(w) * h);
  BITMAPINFO256 info = Info(w, -h, 32);
  EXPECT_EQ(h, GetDIBits(Screen().dc, bitmap.Handle(), 0, h, out.data(), AsInfo(info), DIB_RGB_COLORS));
  return out;
}

// Makes `bitmap` a 32-bit w x h DIB holding `pixels`, through ScanLine.
void Fill32(TBitmap& bitmap, int w, int h, const Pixels& pixels) {
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  bitmap.SetSize(w, h);
  for (int y = 0; y < h; ++y) std::memcpy(bitmap.ScanLine(y), &pixels[static_cast<std::size_t>(y) * w], 4 * w);
}

// n distinct colours (n up to 512), with fourth bytes from `fourth` on.
Pixels Gradient(int n, std::uint32_t fourth) {
  Pixels pixels;
  for (int i = 0; i < n; ++i) pixels.push_back(Bgra(i % 256, i / 256 * 100 + i % 7, i * 29 % 256, fourth + i % 3));
  return pixels;
}

Pixels ColoursOnly(Pixels pixels) {
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

void DrawPixel(TBitmap& bitmap, int x, int y, std::uint32_t colour) {
  BITMAPINFO256 info = Info(1, 1, 32);
  StretchDIBits(bitmap.Canvas()->Handle(), x, y, 1, 1, 0, 0, 1, 1, &colour, AsInfo(info), DIB_RGB_COLORS, SRCCOPY);
}

bool IsSection(HBITMAP bitmap) {
  DIBSECTION section{};
  return GetObjectA(bitmap, sizeof section, &section) == static_cast<int>(sizeof section);
}

TEST(TBitmap, StartsAsAnEmptyDeviceBitmapAndSizesToWhite) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(TPixelFormat::pfDevice, bitmap.PixelFormat());
  bitmap.SetSize(3, 2);
  EXPECT_FALSE(IsSection(bitmap.Handle()));
  EXPECT_EQ(Pixels(6, kWhite), Read(bitmap));
  bitmap.SetWidth(0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(2, bitmap.Height());
  EXPECT_THROW(bitmap.SetHeight(-1), EInvalidGraphic);
}

class TBitmapResize : public ::testing::TestWithParam<TPixelFormat> {};

TEST_P(TBitmapResize, KeepsFormatAndOverlapAndWhitensTheRest) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(GetParam());
  bitmap.SetSize(2, 2);
  DrawPixel(bitmap, 0, 0, 0);
  DrawPixel(bitmap, 1, 1, 0);
  // Black as the format holds it: the graphics may map it onto a dark
  // grey of an 8-bit table.
  const std::uint32_t dark = ColoursOnly(Read(bitmap))[0];
  ASSERT_LT(dark, 0x101010u);
  bitmap.SetSize(3, 3);
  EXPECT_EQ(GetParam(), bitmap.PixelFormat());
  EXPECT_EQ((Pixels{dark, kWhite, kWhite, kWhite, dark, kWhite, kWhite, kWhite, kWhite}), ColoursOnly(Read(bitmap)));
  bitmap.SetSize(2, 1);
  EXPECT_EQ((Pixels{dark, kWhite}), ColoursOnly(Read(bitmap)));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TBitmapResize,
                         ::testing::Values(TPixelFormat::pfDevice, TPixelFormat::pf1bit, TPixelFormat::pf4bit,
                                           TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit));

TEST(TBitmap, ResizingKeepsFourthBytesAndMonochrome) {
  TBitmap rgba, mono;
  Fill32(rgba, 2, 1, {Bgra(1, 2, 3, 4), Bgra(5, 6, 7, 8)});
  rgba.SetSize(3, 1);
  EXPECT_EQ((Pixels{Bgra(1, 2, 3, 4), Bgra(5, 6, 7, 8), kWhite}), Read(rgba));
  mono.SetHandle(CreateBitmap(2, 1, 1, 1, nullptr));  // black
  mono.SetSize(3, 1);
  BITMAP record{};
  GetObjectA(mono.Handle(), sizeof record, &record);
  EXPECT_EQ(1, record.bmBitsPixel);
  EXPECT_EQ((Pixels{0, 0, kWhite}), Read(mono));
}

struct Reduction {
  TPixelFormat format;
  int bitsPerPixel;
};

class TBitmapReduce : public ::testing::TestWithParam<Reduction> {};

TEST_P(TBitmapReduce, KeepsColoursExactlyWhenTheyFit) {
  const Reduction r = GetParam();
  const int colours = 1 << r.bitsPerPixel, w = 20, h = colours / w + 2;
  Pixels pixels = Gradient(colours, 0x40);
  pixels.resize(static_cast<std::size_t>(w) * h, pixels.back());
  TBitmap bitmap;
  Fill32(bitmap, w, h, pixels);
  bitmap.SetPixelFormat(r.format);
  EXPECT_EQ(r.format, bitmap.PixelFormat());
  // The table is exactly the image's colours, in ascending order.
  BITMAPINFO256 info = Info(w, h, r.bitsPerPixel);
  GetDIBits(Screen().dc, bitmap.Handle(), 0, h, nullptr, AsInfo(info), DIB_RGB_COLORS);
  auto value = [&](int i) { return Bgra(info.bmiColors[i].rgbBlue, info.bmiColors[i].rgbGreen, info.bmiColors[i].rgbRed); };
  for (int i = 1; i < colours; ++i) EXPECT_LT(value(i - 1), value(i)) << i;
  EXPECT_EQ(ColoursOnly(pixels), Read(bitmap));
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(ColoursOnly(pixels), Read(bitmap));
}

INSTANTIATE_TEST_SUITE_P(AllIndexedDepths, TBitmapReduce,
                         ::testing::Values(Reduction{TPixelFormat::pf1bit, 1}, Reduction{TPixelFormat::pf4bit, 4},
                                           Reduction{TPixelFormat::pf8bit, 8}));

TEST(TBitmap, TooManyColoursTakeTheNearestOfTheFixedTable) {
  TBitmap two, sixteen, many;
  Fill32(two, 3, 1, {Bgra(0, 0, 255), Bgra(200, 200, 200), Bgra(10, 10, 10)});
  two.SetPixelFormat(TPixelFormat::pf1bit);
  EXPECT_EQ((Pixels{0, kWhite, 0}), Read(two));
  Pixels seventeen = Gradient(17, 0);
  seventeen[0] = Bgra(0, 0, 250);
  seventeen[1] = Bgra(120, 130, 125);
  Fill32(sixteen, 17, 1, seventeen);
  sixteen.SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_EQ(Bgra(0, 0, 255), Read(sixteen)[0]);  // VGA red
  EXPECT_EQ(Bgra(128, 128, 128), Read(sixteen)[1]);
  Fill32(many, 300, 1, Gradient(300, 0));
  many.SetPixelFormat(TPixelFormat::pf8bit);
  for (std::uint32_t p : Read(many)) {
    const int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
    EXPECT_TRUE((b % 51 == 0 && g % 51 == 0 && r % 51 == 0) || (b == g && g == r)) << std::hex << p;
  }
}

TEST(TBitmap, TwentyFourToThirtyTwoBitsPutsZeroInEveryFourthByte) {
  TBitmap bitmap;
  const Pixels pixels = Gradient(6, 0x80);
  Fill32(bitmap, 3, 2, pixels);
  bitmap.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(TPixelFormat::pf24bit, bitmap.PixelFormat());
  bitmap.SetPixelFormat(TPixelFormat::pf32bit);
  const auto* row = static_cast<const std::uint8_t*>(bitmap.ScanLine(1));
  for (int x = 0; x < 3; ++x) EXPECT_EQ(0, row[4 * x + 3]);
  EXPECT_EQ(ColoursOnly(pixels), Read(bitmap));
}

TEST(TBitmap, DeviceAndDibFormsKeepAllFourBytes) {
  TBitmap bitmap;
  const Pixels pixels = Gradient(6, 0x90);
  Fill32(bitmap, 3, 2, pixels);
  bitmap.SetPixelFormat(TPixelFormat::pfDevice);
  EXPECT_EQ(TBitmapHandleType::bmDDB, bitmap.HandleType());
  EXPECT_FALSE(IsSection(bitmap.Handle()));
  EXPECT_EQ(pixels, Read(bitmap));
  bitmap.ScanLine(0);  // makes a 32-bit DIB of it
  EXPECT_EQ(TPixelFormat::pf32bit, bitmap.PixelFormat());
  EXPECT_TRUE(IsSection(bitmap.Handle()));
  EXPECT_EQ(pixels, Read(bitmap));
}

TEST(TBitmap, CopyFromAnotherBitmapIsExactAndIndependent) {
  TBitmap source, copy, ddb, indexed;
  const Pixels pixels = Gradient(12, 0x11);
  Fill32(source, 4, 3, pixels);
  source.TransparentColor = RGB(1, 2, 3);
  source.Transparent = true;
  copy.SetPixelFormat(TPixelFormat::pf8bit);
  copy.CopyFrom(&source);
  EXPECT_NE(source.Handle(), copy.Handle());
  EXPECT_EQ(TPixelFormat::pf32bit, copy.PixelFormat());
  EXPECT_EQ(pixels, Read(copy));
  EXPECT_EQ(RGB(1, 2, 3), copy.TransparentColor);
  EXPECT_TRUE(copy.Transparent);
  static_cast<std::uint8_t*>(copy.ScanLine(0))[3] = 0xFF;
  EXPECT_EQ(pixels, Read(source));
  // Copied again into a bitmap of its own layout: the new pixels, in the
  // bitmap's own memory.
  const Pixels changed = Gradient(12, 0x42);
  Fill32(source, 4, 3, changed);
  HBITMAP kept = copy.Handle();
  copy.CopyFrom(&source);
  EXPECT_EQ(kept, copy.Handle());
  EXPECT_EQ(changed, Read(copy));
  Fill32(source, 4, 3, pixels);
  // Device-dependent and indexed sources keep their kind, table and indices.
  source.SetPixelFormat(TPixelFormat::pfDevice);
  ddb.CopyFrom(&source);
  EXPECT_EQ(TBitmapHandleType::bmDDB, ddb.HandleType());
  EXPECT_EQ(pixels, Read(ddb));
  source.SetPixelFormat(TPixelFormat::pf4bit);
  indexed.CopyFrom(&source);
  EXPECT_EQ(TPixelFormat::pf4bit, indexed.PixelFormat());
  EXPECT_EQ(0, std::memcmp(source.ScanLine(2), indexed.ScanLine(2), 2));
  // An empty source or null empties, keeping the source's format.
  TBitmap empty;
  empty.SetPixelFormat(TPixelFormat::pf24bit);
  copy.CopyFrom(&empty);
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(TPixelFormat::pf24bit, copy.PixelFormat());
  indexed.CopyFrom(nullptr);
  EXPECT_TRUE(indexed.IsEmpty());
}

// A graphic that reports how it was drawn, and copies itself into bitmaps
// when it can.
class FakeGraphic : public TGraphic {
 public:
  const char* ClassName() const override { return "TFake"; }
  void CopyTo(TPersistent* target) override {
    if (!canCopy) return TGraphic::CopyTo(target);
    dynamic_cast<TBitmap&>(*target).SetSize(width, height);
  }
  void Render(TCanvas& canvas, const RECT& r) override {
    ++renders;
    rect = r;
    background = SetBkColor(canvas.Handle(), 0);
    text = SetTextColor(canvas.Handle(), 0);
  }
  bool IsEmpty() const override { return empty; }
  int PixelHeight() const override { return height; }
  int PixelWidth() const override { return width; }
  HPALETTE PaletteHandle() override { return nullptr; }
  bool IsTransparent() const override { return false; }
  void SetPixelHeight(int) override {}
  void SetPaletteHandle(HPALETTE) override {}
  void SetPixelWidth(int) override {}
  void LoadFromStream(TStream&) override {}
  void ReadClipboardFormat(UINT, HANDLE, HPALETTE) override {}
  void WriteClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}

  bool empty = false, canCopy = true;
  int width = 3, height = 2, renders = 0;
  RECT rect{};
  COLORREF background = 0, text = 0;
};

TEST(TBitmap, CopyFromAnyOtherObjectAsksItToCopyItself) {
  FakeGraphic fake;
  TBitmap bitmap;
  bitmap.CopyFrom(&fake);
  EXPECT_EQ(3, bitmap.Width());
  EXPECT_EQ(2, bitmap.Height());
  fake.canCopy = false;
  try {
    bitmap.CopyFrom(&fake);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ("Cannot assign a TFake to a TBitmap", e.Message());
  }
}

TEST(TBitmap, ScanLinesCountFromTheTop) {
  TBitmap bitmap;
  Fill32(bitmap, 2, 3, Gradient(6, 0));
  auto* top = static_cast<std::uint8_t*>(bitmap.ScanLine(0));
  EXPECT_EQ(8, top - static_cast<std::uint8_t*>(bitmap.ScanLine(1)));  // bottom-up memory
  std::memset(top, 9, 4);
  EXPECT_EQ(0x09090909u, Read(bitmap)[0]);
  EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphic);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
  // A top-down DIB taken over keeps its memory order.
  for (int bpp : {1, 4, 8, 32}) {
    BITMAPINFO256 info = Info(2, -3, bpp, {Quad(0, 0, 0), Quad(9, 9, 9)});
    void* bits = nullptr;
    bitmap.SetHandle(CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(bits, bitmap.ScanLine(0)) << bpp;
    EXPECT_EQ(static_cast<std::uint8_t*>(bits) + 4 * ((bpp + 15) / 16), bitmap.ScanLine(1)) << bpp;
  }
}

TEST(TBitmap, SetHandleTakesOverTheBitmap) {
  TBitmap bitmap;
  Fill32(bitmap, 2, 2, Gradient(4, 0));
  bitmap.Transparent = true;
  HBITMAP former = bitmap.Handle();
  BITMAPINFO256 info = Info(5, 1, 8, {Quad(1, 2, 3)});
  void* bits = nullptr;
  HBITMAP eight = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
  bitmap.SetHandle(eight);
  EXPECT_EQ(0, GetObjectA(former, sizeof(BITMAP), nullptr));  // freed
  EXPECT_EQ(eight, bitmap.Handle());
  EXPECT_EQ(5, bitmap.Width());
  EXPECT_EQ(TPixelFormat::pf8bit, bitmap.PixelFormat());
  EXPECT_TRUE(bitmap.Transparent);
  EXPECT_EQ(Pixels(5, Bgra(3, 2, 1)), Read(bitmap));
  int notABitmap = 0;
  EXPECT_THROW(bitmap.SetHandle(reinterpret_cast<HBITMAP>(&notABitmap)), EInvalidGraphic);
  EXPECT_EQ(eight, bitmap.Handle());
  // A DIB of a depth this layer does not read itself keeps its pixels as
  // 32 bits (the software graphics make no 16-bit DIBs).
  BITMAPINFO256 sixteenInfo = Info(2, 1, 16);
  if (HBITMAP sixteen = CreateDIBSection(nullptr, AsInfo(sixteenInfo), DIB_RGB_COLORS, &bits, nullptr, 0)) {
    static_cast<std::uint16_t*>(bits)[1] = 0x7C00;  // red, 5 bits a channel
    bitmap.SetHandle(sixteen);
    EXPECT_EQ(TPixelFormat::pf32bit, bitmap.PixelFormat());
    EXPECT_EQ((Pixels{0, Bgra(0, 0, 255)}), ColoursOnly(Read(bitmap)));
  }
  bitmap.SetHandle(CreateBitmap(4, 4, 1, 1, nullptr));
  EXPECT_EQ(TPixelFormat::pfDevice, bitmap.PixelFormat());
  bitmap.SetHandle(nullptr);
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(TCanvas, HoldsTheOwnersCurrentBitmap) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  HBITMAP first = bitmap.Handle();
  HDC dc = bitmap.Canvas()->Handle();
  EXPECT_EQ(first, GetCurrentObject(dc, OBJ_BITMAP));
  bitmap.SetSize(4, 4);
  HGDIOBJ current = GetCurrentObject(dc, OBJ_BITMAP);
  EXPECT_EQ(bitmap.Handle(), current);
  EXPECT_NE(first, current);
  EXPECT_EQ(dc, bitmap.Canvas()->Handle());
  // Handle() lets the canvas's context go, so that the bitmap can be
  // selected elsewhere; the canvas takes it back when next used.
  HBITMAP handle = bitmap.Handle();
  HDC other = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, SelectObject(other, handle));
  DeleteDC(other);
  EXPECT_EQ(handle, GetCurrentObject(bitmap.Canvas()->Handle(), OBJ_BITMAP));
}

TEST(TCanvas, DrawRendersTheGraphicWithTheCanvasColours) {
  TBitmap bitmap;
  bitmap.SetSize(8, 8);
  TCanvas& canvas = *bitmap.Canvas();
  canvas.BrushColor = RGB(1, 2, 3);
  canvas.FontColor = RGB(4, 5, 6);
  FakeGraphic fake;
  canvas.Draw(-2, 5, &fake);
  ASSERT_EQ(1, fake.renders);
  EXPECT_EQ((std::vector<LONG>{-2, 5, 1, 7}),
            (std::vector<LONG>{fake.rect.left, fake.rect.top, fake.rect.right, fake.rect.bottom}));
  EXPECT_EQ(RGB(1, 2, 3), fake.background);
  EXPECT_EQ(RGB(4, 5, 6), fake.text);
  fake.empty = true;
  canvas.Draw(0, 0, &fake);
  canvas.Draw(0, 0, nullptr);
  EXPECT_EQ(1, fake.renders);
}

TEST(TCanvas, DrawingABitmapCopiesItStretchedIntoTheRectangle) {
  TBitmap picture, target;
  const std::uint32_t a = Bgra(10, 20, 30, 40), b = Bgra(50, 60, 70, 80);
  Fill32(picture, 2, 1, {a, b});
  target.SetPixelFormat(TPixelFormat::pf32bit);
  target.SetSize(4, 2);
  target.Canvas()->Draw(1, 1, &picture);
  EXPECT_EQ((Pixels{kWhite, kWhite, kWhite, kWhite, kWhite, a, b, kWhite}), Read(target));
  picture.Render(*target.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ((Pixels{a, a, b, b, a, a, b, b}), Read(target));
  picture.Render(*target.Canvas(), RECT{3, 0, 3, 2});  // an empty rectangle draws nothing
  EXPECT_EQ((Pixels{a, a, b, b, a, a, b, b}), Read(target));
}

TEST(TBitmap, ClipboardTransfersCopies) {
  TBitmap bitmap, pasted;
  const Pixels pixels = Gradient(6, 0x33);
  Fill32(bitmap, 3, 2, pixels);
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = reinterpret_cast<HPALETTE>(&format);
  bitmap.WriteClipboardFormat(format, data, palette);
  EXPECT_EQ(CF_BITMAP, format);
  EXPECT_EQ(nullptr, palette);
  ASSERT_NE(nullptr, data);
  EXPECT_NE(static_cast<HANDLE>(bitmap.Handle()), data);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(format, data);
  pasted.ReadClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), nullptr);
  EXPECT_NE(static_cast<HANDLE>(pasted.Handle()), data);
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(pixels, Read(pasted));
  EXPECT_THROW(pasted.ReadClipboardFormat(1, pasted.Handle(), nullptr), EInvalidGraphic);
  EXPECT_THROW(pasted.ReadClipboardFormat(CF_BITMAP, &format, nullptr), EInvalidGraphic);
  EXPECT_EQ(pixels, Read(pasted));
}

TEST(TBitmap, DoesNotReadBitmapFiles) {
  TBitmap bitmap;
  TBufferStream stream("BM", 2);
  try {
    bitmap.LoadFromStream(stream);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ("Bitmap files are not supported", e.Message());
  }
}

}  // namespace
