// Transfers between device-independent bits in caller memory and bitmaps:
// StretchDIBits, GetDIBits, CreateDIBitmap.
#include <algorithm>
#include <limits>

#include "platform/colour_tables.h"
#include "platform/gdi.h"
#include "platform/soft/gdi_transfer.h"

namespace plat {

using soft::Bitmap;

int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  soft::DeviceContext* to = soft::LookupDC(dest);
  if (to == nullptr || to->isScreen || bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  if (!soft::IsSupportedRop(rop)) return 0;
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return 0;
  soft::DibLayout layout;
  if (!soft::ParseDibHeader(info->bmiHeader, layout)) return 0;
  const Bitmap source = soft::DibView(layout, bits, soft::ReadColourTable(info, layout.bitsPerPixel));
  // The source origin of a bottom-up DIB is its bottom-left corner.
  const std::int64_t top = layout.topDown ? sy : static_cast<std::int64_t>(layout.height) - sy - sourceHeight;
  if (top < std::numeric_limits<int>::min() || top > std::numeric_limits<int>::max()) return 0;
  soft::PixelConverter convert(soft::OwnColours(source), soft::NearestTarget(*to->selected));
  soft::Transfer(*to->selected, {x, y, width, height}, source,
                 {sx, static_cast<int>(top), sourceWidth, sourceHeight}, convert, rop);
  // Win32 reports the height of the whole DIB, not of the area drawn.
  return layout.height;
}

namespace {

// The header Win32 fills in for a bitmap when asked with a bit count of 0.
void DescribeBitmap(const Bitmap& bitmap, BITMAPINFOHEADER& h) {
  const DWORD size = h.biSize;
  h = BITMAPINFOHEADER{};
  h.biSize = size;
  h.biWidth = bitmap.width;
  h.biHeight = bitmap.height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitmap.bitsPerPixel);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(soft::RowStride(bitmap.width, bitmap.bitsPerPixel)) *
                  static_cast<DWORD>(bitmap.height);
}

}  // namespace

int GetDIBits(HDC dc, HBITMAP bitmap, UINT startScan, UINT scanLines, void* bits, BITMAPINFO* info,
              UINT usage) {
  const Bitmap* source = soft::LookupBitmap(bitmap);
  if (soft::LookupDC(dc) == nullptr || source == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (bits == nullptr && h.biBitCount == 0) {
    DescribeBitmap(*source, h);
    return source->height;
  }
  soft::DibLayout layout;
  if (!soft::ParseDibHeader(h, layout) || layout.width != source->width || layout.height != source->height) return 0;

  // An indexed request of the bitmap's own depth gets the bitmap's own
  // table and its indices unchanged; any other gets a fixed table.
  const bool ownTable = layout.bitsPerPixel <= 8 && layout.bitsPerPixel == source->bitsPerPixel;
  std::vector<RGBQUAD> table = ownTable ? source->colours : StandardColourTable(layout.bitsPerPixel);
  std::copy(table.begin(), table.end(), info->bmiColors);
  if (bits == nullptr) return source->height;

  if (startScan >= static_cast<UINT>(source->height)) return 0;
  const int lines = static_cast<int>(std::min<UINT>(scanLines, static_cast<UINT>(source->height) - startScan));
  if (lines == 0) return 0;
  const int start = static_cast<int>(startScan);
  soft::DibLayout part = layout;
  part.height = lines;
  Bitmap destination = soft::DibView(part, bits, std::move(table));
  // Scan lines count from the bottom of the image whichever way the request
  // runs; a top-down request gets its lines top row first.
  const int firstRow = source->height - start - lines;
  soft::PixelConverter convert = ownTable ? soft::PixelConverter::Identity()
                                          : soft::PixelConverter(soft::OwnColours(*source),
                                                                 soft::NearestTarget(destination));
  soft::Transfer(destination, {0, 0, layout.width, lines}, *source, {0, firstRow, layout.width, lines}, convert,
                 SRCCOPY);
  return lines;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  soft::DeviceContext* context = soft::LookupDC(dc);
  if ((dc != nullptr && context == nullptr) || header == nullptr || header->biSize < sizeof(BITMAPINFOHEADER)) {
    return nullptr;
  }
  if (header->biHeight == std::numeric_limits<LONG>::min()) return nullptr;
  const int width = header->biWidth;
  const int height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  // Compatible with the context: monochrome without one or while it holds
  // a monochrome bitmap (a fresh memory context does), else the screen's
  // format.
  const bool monochrome =
      context == nullptr || (context->selected != nullptr && context->selected->IsMonochrome());
  std::unique_ptr<Bitmap> made = monochrome ? soft::MakeMonochrome(width, height) : soft::MakeScreenBitmap(width, height);
  if (!made) return nullptr;
  if (init & CBM_INIT) {
    if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS) return nullptr;
    soft::DibLayout layout;
    if (!soft::ParseDibHeader(info->bmiHeader, layout)) return nullptr;
    const Bitmap source = soft::DibView(layout, bits, soft::ReadColourTable(info, layout.bitsPerPixel));
    soft::PixelConverter convert(soft::OwnColours(source), soft::NearestTarget(*made));
    soft::Transfer(*made, {0, 0, width, height}, source, {0, 0, width, height}, convert, SRCCOPY);
  }
  return static_cast<HBITMAP>(soft::HandleOf(soft::Register(std::move(made))));
}

}  // namespace plat
