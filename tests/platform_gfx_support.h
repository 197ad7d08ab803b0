// Small surfaces for the graphics tests: DIB sections and monochrome
// bitmaps selected into their own memory contexts, with pixel access in
// each surface's own layout (BGRA / BGR values, or table indices).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace gfx {

using namespace plat;

inline RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// A 32-bit pixel value as the surfaces store it: blue low, fourth byte high.
constexpr std::uint32_t Bgra(std::uint32_t b, std::uint32_t g, std::uint32_t r, std::uint32_t a = 0) {
  return b | (g << 8) | (r << 16) | (a << 24);
}

inline BITMAPINFO256 Info(int width, int height, int bpp, const std::vector<RGBQUAD>& table = {}) {
  BITMAPINFO256 info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  info.bmiHeader.biCompression = BI_RGB;
  for (std::size_t i = 0; i < table.size() && i < 256; ++i) info.bmiColors[i] = table[i];
  return info;
}

inline BITMAPINFO* AsInfo(BITMAPINFO256& info) { return reinterpret_cast<BITMAPINFO*>(&info); }

// The screen's context for the length of an expression.
struct Screen {
  HDC dc = GetDC(nullptr);
  ~Screen() { ReleaseDC(nullptr, dc); }
};

inline int Stride(int width, int bpp) { return (width * bpp + 31) / 32 * 4; }

// The software graphics' own rules, where Win32 does more or leaves the
// behaviour open, are checked only on that backend.
#ifdef _WIN32
constexpr bool kSoftGraphics = false;
#else
constexpr bool kSoftGraphics = true;
#endif

// True when the Windows build runs under Wine, for the few cases where
// Wine's GDI is known to differ from the documented Win32 behaviour.
bool UnderWine();

// Pixel x of a row in the given layout, read and written.
std::uint32_t GetPixel(const std::uint8_t* row, int x, int bpp);
void SetPixel(std::uint8_t* row, int x, int bpp, std::uint32_t v);

// A DIB section selected into a memory context of its own.
class Dib {
 public:
  Dib(int width, int height, int bpp, bool topDown = true, const std::vector<RGBQUAD>& table = {})
      : width_(width), height_(height), bpp_(bpp), topDown_(topDown) {
    BITMAPINFO256 info = Info(width, topDown ? -height : height, bpp, table);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint8_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Dib() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  std::uint8_t* bits() const { return bits_; }
  int stride() const { return Stride(width_, bpp_); }
  std::uint8_t* Row(int y) const { return bits_ + (topDown_ ? y : height_ - 1 - y) * stride(); }
  std::uint32_t Get(int x, int y) const { return GetPixel(Row(y), x, bpp_); }
  void Set(int x, int y, std::uint32_t v) { SetPixel(Row(y), x, bpp_, v); }
  void Fill(std::uint32_t v) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, v);
  }
  // Row y as values, for whole-row comparisons.
  std::vector<std::uint32_t> RowValues(int y) const {
    std::vector<std::uint32_t> values;
    for (int x = 0; x < width_; ++x) values.push_back(Get(x, y));
    return values;
  }

 private:
  int width_, height_, bpp_;
  bool topDown_;
  HBITMAP bitmap_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A device-dependent monochrome bitmap in a memory context of its own,
// made from rows of '0' and '1'.
class Mono {
 public:
  explicit Mono(const std::vector<std::string>& rows)
      : width_(static_cast<int>(rows[0].size())), height_(static_cast<int>(rows.size())) {
    const int stride = (width_ + 15) / 16 * 2;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * height_);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) SetPixel(bits.data() + y * stride, x, 1, rows[y][x] == '1');
    bitmap_ = CreateBitmap(width_, height_, 1, 1, bits.data());
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~Mono() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Mono(const Mono&) = delete;
  Mono& operator=(const Mono&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  // The rows as '0' and '1', read back through GetDIBits.
  std::vector<std::string> Rows() const {
    BITMAPINFO256 info = Info(width_, -height_, 1);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(Stride(width_, 1)) * height_);
    GetDIBits(dc_, bitmap_, 0, height_, bits.data(), AsInfo(info), DIB_RGB_COLORS);
    std::vector<std::string> rows;
    for (int y = 0; y < height_; ++y) {
      std::string row;
      for (int x = 0; x < width_; ++x) row += GetPixel(bits.data() + y * Stride(width_, 1), x, 1) ? '1' : '0';
      rows.push_back(row);
    }
    return rows;
  }

 private:
  int width_, height_;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace gfx
