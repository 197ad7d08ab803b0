// In-place access to the 32-bit DIB section selected into a device context:
// drawing and presenting read and write such a section's pixels directly
// instead of through blits. Inline, so that every backend library can use
// it with nothing more than the graphics calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi.h"

namespace plat {

// Rows of a 32-bit surface counted from the top, whatever the memory order.
struct TDibRows32 {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;  // negative for a bottom-up section
  int width = 0;
  int height = 0;

  std::uint8_t* Row(int y) const { return top + stride * y; }
};

// The rows of the bitmap selected into `dc` when it is a 32-bit
// uncompressed DIB section, after pending drawing on it has finished; false
// for any other bitmap and for contexts without one.
inline bool SelectedDib32(HDC dc, TDibRows32& rows) {
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  DIBSECTION section{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof section, &section) != static_cast<int>(sizeof section)) {
    return false;
  }
  const BITMAP& record = section.dsBm;
  if (record.bmBits == nullptr || record.bmBitsPixel != 32 || section.dsBmih.biCompression != BI_RGB) return false;
  // Drawing on a section may be batched; its memory is current only after
  // a flush.
  GdiFlush();
  auto* bits = static_cast<std::uint8_t*>(record.bmBits);
  const std::ptrdiff_t stride = record.bmWidthBytes;
  const int height = record.bmHeight < 0 ? -record.bmHeight : record.bmHeight;
  const bool topDown = section.dsBmih.biHeight < 0;
  rows.top = topDown ? bits : bits + stride * (height - 1);
  rows.stride = topDown ? stride : -stride;
  rows.width = record.bmWidth;
  rows.height = height;
  return true;
}

}  // namespace plat
