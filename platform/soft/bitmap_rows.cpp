#include "platform/soft/bitmap_rows.h"

#include "platform/gdi.h"

namespace plat::soft {

namespace {

// Every row of `bitmap` (described by `record`), top row first, 4 bytes a
// pixel; false when the bitmap cannot be read.
bool ReadTopDown32(HBITMAP bitmap, const BITMAP& record, std::vector<std::uint8_t>& pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = record.bmWidth;
  info.bmiHeader.biHeight = -record.bmHeight;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  pixels.resize(static_cast<std::size_t>(record.bmWidth) * record.bmHeight * 4);
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, record.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return lines == record.bmHeight;
}

// The rows of the bitmap selected into `dc` when it is a 32-bit DIB
// section. This backend tells a top-down section by the negative height
// GetObjectA reports for it (Win32 does not).
bool SelectedDib32(HDC dc, TDibRows32& rows) {
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION section{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof section, &section) != static_cast<int>(sizeof section)) {
    return false;
  }
  const BITMAP& record = section.dsBm;
  if (record.bmBits == nullptr || record.bmBitsPixel != 32) return false;
  auto* bits = static_cast<std::uint8_t*>(record.bmBits);
  const std::ptrdiff_t stride = record.bmWidthBytes;
  const bool topDown = section.dsBmih.biHeight < 0;
  rows.top = topDown ? bits : bits + stride * (record.bmHeight - 1);
  rows.stride = topDown ? stride : -stride;
  rows.width = record.bmWidth;
  rows.height = record.bmHeight;
  return true;
}

}  // namespace

bool PresentedRows(HDC dc, POINT origin, SIZE size, std::vector<std::uint8_t>& copy, TDibRows32& rows) {
  HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  BITMAP record{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof record, &record) == 0) return false;
  if (origin.x < 0 || origin.y < 0 || size.cx > record.bmWidth - origin.x || size.cy > record.bmHeight - origin.y) {
    return false;
  }
  if (SelectedDib32(dc, rows)) return true;
  if (!ReadTopDown32(bitmap, record, copy)) return false;
  rows = TDibRows32{copy.data(), static_cast<std::ptrdiff_t>(record.bmWidth) * 4, record.bmWidth, record.bmHeight};
  return true;
}

}  // namespace plat::soft
