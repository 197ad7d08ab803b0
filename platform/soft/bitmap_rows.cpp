#include "platform/soft/bitmap_rows.h"

#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

namespace plat::soft {

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

bool SectionRows32(HBITMAP bitmap, const std::uint8_t*& top, std::ptrdiff_t& step) {
  const Bitmap* section = LookupBitmap(bitmap);
  if (section == nullptr || !section->isSection || section->bitsPerPixel != 32 || section->bits == nullptr) {
    return false;
  }
  top = section->Row(0);
  step = section->topDown ? section->stride : -static_cast<std::ptrdiff_t>(section->stride);
  return true;
}

}  // namespace plat::soft
