#include "platform/soft/bitmap_rows.h"

#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

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
// section. The height GetObjectA reports is positive either way, as on
// Win32; the object itself knows its memory order.
bool SelectedDib32(HDC dc, TDibRows32& rows) {
  const Bitmap* section = LookupBitmap(GetCurrentObject(dc, OBJ_BITMAP));
  if (section == nullptr || !section->isSection || section->bitsPerPixel != 32 || section->bits == nullptr) {
    return false;
  }
  rows.top = section->Row(0);
  rows.stride = section->topDown ? section->stride : -static_cast<std::ptrdiff_t>(section->stride);
  rows.width = section->width;
  rows.height = section->height;
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
