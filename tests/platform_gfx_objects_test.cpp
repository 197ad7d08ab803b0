// Device contexts, selection rules, handle checks, palettes and the
// clipboard.
#include <gtest/gtest.h>

#include "tests/platform_gfx_support.h"

namespace {

using namespace gfx;

constexpr COLORREF kInvalidColour = 0xFFFFFFFFu;

HBITMAP NewDib(int w, int h, int bpp = 32) {
  BITMAPINFO256 info = Info(w, h, bpp);
  void* bits = nullptr;
  return CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
}

TEST(DeviceContext, StartsWithAStockMonochromeBitmapWhiteOnBlack) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, dc);
  auto* stock = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  BITMAP record{};
  ASSERT_EQ(static_cast<int>(sizeof record), GetObjectA(stock, sizeof record, &record));
  EXPECT_EQ(1, record.bmWidth);
  EXPECT_EQ(1, record.bmHeight);
  EXPECT_EQ(1, record.bmBitsPixel);
  EXPECT_EQ(RGB(255, 255, 255), SetBkColor(dc, RGB(1, 2, 3)));
  EXPECT_EQ(RGB(1, 2, 3), SetBkColor(dc, RGB(4, 5, 6)));
  EXPECT_EQ(RGB(0, 0, 0), SetTextColor(dc, RGB(7, 8, 9)));
  EXPECT_EQ(RGB(7, 8, 9), SetTextColor(dc, RGB(0, 0, 0)));
  // Every memory context shares the stock bitmap, and deleting it is harmless.
  HDC other = CreateCompatibleDC(dc);
  EXPECT_EQ(stock, GetCurrentObject(other, OBJ_BITMAP));
  EXPECT_TRUE(DeleteObject(stock));
  EXPECT_EQ(static_cast<int>(sizeof record), GetObjectA(stock, sizeof record, &record));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(DeviceContext, TheScreenTakesNoBitmap) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  HBITMAP dib = NewDib(2, 2);
  EXPECT_EQ(nullptr, SelectObject(screen, dib));
  if (kSoftGraphics) {  // one screen context, never deleted; Win32 leaves both open
    EXPECT_EQ(screen, GetDC(nullptr));
    EXPECT_FALSE(DeleteDC(screen));
  }
  EXPECT_EQ(1, ReleaseDC(nullptr, screen));
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(0, ReleaseDC(nullptr, memory));
  DeleteDC(memory);
  DeleteObject(dib);
}

TEST(DeviceContext, ABitmapLivesInOneContextAtATime) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  HBITMAP first = NewDib(2, 2), second = NewDib(2, 2);
  HGDIOBJ stock = SelectObject(a, first);
  ASSERT_NE(nullptr, stock);
  EXPECT_EQ(nullptr, SelectObject(b, first));
  EXPECT_EQ(first, SelectObject(a, first));  // already there
  // Still selected. Wine reports success instead and deletes the bitmap
  // once it leaves the context.
  if (!UnderWine()) {
    EXPECT_FALSE(DeleteObject(first));
  }
  EXPECT_EQ(first, SelectObject(a, second));
  EXPECT_EQ(stock, SelectObject(b, first));  // free again
  EXPECT_EQ(first, GetCurrentObject(b, OBJ_BITMAP));
  // Deleting a context lets its bitmap go.
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_EQ(second, SelectObject(a, stock));
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_TRUE(DeleteDC(a));
}

TEST(DeviceContext, InvalidHandlesFailTheCall) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = NewDib(2, 2);
  int notAnObject = 0;
  auto* bogus = reinterpret_cast<HDC>(&notAnObject);
  EXPECT_EQ(nullptr, CreateCompatibleDC(bogus));
  EXPECT_EQ(nullptr, SelectObject(bogus, bitmap));
  EXPECT_EQ(nullptr, SelectObject(dc, &notAnObject));
  EXPECT_EQ(nullptr, SelectObject(dc, dc));  // a context is not a bitmap
  if (kSoftGraphics) {                       // nor here an object DeleteObject frees
    EXPECT_FALSE(DeleteObject(dc));
  }
  EXPECT_EQ(kInvalidColour, SetBkColor(bogus, 0));
  EXPECT_EQ(kInvalidColour, SetTextColor(nullptr, 0));
  EXPECT_EQ(nullptr, GetCurrentObject(bogus, OBJ_BITMAP));
  EXPECT_FALSE(DeleteDC(bogus));
  EXPECT_EQ(nullptr, GetDC(reinterpret_cast<HWND>(&notAnObject)));

  // Handles that have been released are as unknown as made-up ones.
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(nullptr, SelectObject(dc, bitmap));
  EXPECT_EQ(0, GetObjectA(bitmap, sizeof(BITMAP), nullptr));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(kInvalidColour, SetBkColor(dc, 0));
}

TEST(GetObjectA, DescribesBitmapsAndPalettes) {
  HBITMAP dib = NewDib(3, 2, 24);
  HBITMAP mono = CreateBitmap(17, 2, 1, 1, nullptr);
  BITMAP record{};
  EXPECT_EQ(static_cast<int>(sizeof record), GetObjectA(dib, 0, nullptr));
  ASSERT_EQ(static_cast<int>(sizeof record), GetObjectA(dib, sizeof record, &record));
  EXPECT_EQ(12, record.bmWidthBytes);
  EXPECT_NE(nullptr, record.bmBits);
  EXPECT_EQ(0, GetObjectA(dib, sizeof record - 1, &record));
  ASSERT_EQ(static_cast<int>(sizeof record), GetObjectA(mono, sizeof(DIBSECTION), &record));
  EXPECT_EQ(4, record.bmWidthBytes);  // device-dependent rows are padded to 16 bits
  EXPECT_EQ(nullptr, record.bmBits);
  if (kSoftGraphics) {  // Win32 also makes device-dependent bitmaps of other depths
    EXPECT_EQ(nullptr, CreateBitmap(2, 2, 1, 8, nullptr));
  }
  EXPECT_EQ(nullptr, CreateBitmap(2, 2, 2, 1, nullptr));
  // No area gives the 1 x 1 monochrome bitmap.
  ASSERT_EQ(static_cast<int>(sizeof record), GetObjectA(CreateBitmap(0, 3, 1, 1, nullptr), sizeof record, &record));
  EXPECT_EQ((std::vector<int>{1, 1, 1}), (std::vector<int>{record.bmWidth, record.bmHeight, record.bmBitsPixel}));

  LOGPALETTE256 logical{0x300, 3, {}};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
  WORD count = 0;
  EXPECT_EQ(2, GetObjectA(palette, sizeof count, &count));
  EXPECT_EQ(3, count);
  DeleteObject(palette);
  DeleteObject(mono);
  DeleteObject(dib);
}

TEST(Palette, HoldsEntriesAndFindsTheNearest) {
  LOGPALETTE256 logical{0x300, 4, {}};
  logical.palPalEntry[0] = {0, 0, 0, 0};
  logical.palPalEntry[1] = {250, 10, 10, 0};
  logical.palPalEntry[2] = {10, 10, 250, 0};
  logical.palPalEntry[3] = {10, 10, 250, 0};
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
  ASSERT_NE(nullptr, palette);
  PALETTEENTRY entries[8] = {};
  EXPECT_EQ(4u, GetPaletteEntries(palette, 0, 0, nullptr));
  EXPECT_EQ(2u, GetPaletteEntries(palette, 2, 8, entries));
  EXPECT_EQ(250, entries[0].peBlue);
  EXPECT_EQ(0u, GetPaletteEntries(palette, 4, 1, entries));
  EXPECT_EQ(1u, GetNearestPaletteIndex(palette, RGB(200, 0, 0)));
  EXPECT_EQ(2u, GetNearestPaletteIndex(palette, RGB(0, 0, 255)));  // the first of equals
  EXPECT_EQ(0u, GetNearestPaletteIndex(palette, RGB(40, 40, 40)));

  LOGPALETTE256 wrongVersion{0x200, 1, {}}, noEntries{0x300, 0, {}};
  if (kSoftGraphics) {  // Win32 takes palettes of any version or size
    EXPECT_EQ(nullptr, CreatePalette(reinterpret_cast<LOGPALETTE*>(&wrongVersion)));
    EXPECT_EQ(nullptr, CreatePalette(reinterpret_cast<LOGPALETTE*>(&noEntries)));
  }
  EXPECT_EQ(nullptr, CreatePalette(nullptr));
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(nullptr, SelectObject(dc, palette));  // palettes are not selected as bitmaps
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_EQ(0u, GetPaletteEntries(palette, 0, 1, entries));
  // CLR_INVALID, as the call's failures are documented; Wine gives 0.
  if (!UnderWine()) {
    EXPECT_EQ(0xFFFFFFFFu, GetNearestPaletteIndex(palette, 0));
  }
}

// The clipboard here lives in memory, opens once, owns what it is given and
// refuses stock objects; Win32's is the system's, shared with other programs.
#ifndef _WIN32

class Clipboard : public ::testing::Test {
 protected:
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
  }
};

TEST_F(Clipboard, OpensOnceAndNeedsOpeningForData) {
  HBITMAP bitmap = NewDib(1, 1);
  EXPECT_FALSE(CloseClipboard());
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_EQ(nullptr, SetClipboardData(CF_BITMAP, bitmap));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(Clipboard, OwnsTheBitmapItIsGiven) {
  HBITMAP first = NewDib(2, 1), second = NewDib(3, 1);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(first, SetClipboardData(CF_BITMAP, first));
  EXPECT_FALSE(DeleteObject(first));  // the clipboard's now
  EXPECT_EQ(first, GetClipboardData(CF_BITMAP));
  EXPECT_EQ(nullptr, GetClipboardData(1 /* CF_TEXT */));
  EXPECT_EQ(nullptr, SetClipboardData(1, second));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(1));
  EXPECT_EQ(nullptr, GetClipboardData(CF_BITMAP));  // closed

  // New data frees the old; emptying frees the rest.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(second, SetClipboardData(CF_BITMAP, second));
  EXPECT_EQ(0, GetObjectA(first, sizeof(BITMAP), nullptr));
  // A program may hold the clipboard's bitmap in a context while reading it.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ stock = SelectObject(dc, GetClipboardData(CF_BITMAP));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(0, GetObjectA(second, sizeof(BITMAP), nullptr));
  EXPECT_EQ(stock, GetCurrentObject(dc, OBJ_BITMAP));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(nullptr, SetClipboardData(CF_BITMAP, stock));  // stock objects stay where they are
  EXPECT_TRUE(CloseClipboard());
  DeleteDC(dc);
}
#endif

}  // namespace
