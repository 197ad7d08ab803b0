// Making, describing and deleting bitmaps.
#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

namespace plat {

using soft::Bitmap;

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS) return nullptr;
  soft::DibLayout layout;
  if (!soft::ParseDibHeader(info->bmiHeader, layout)) return nullptr;
  std::unique_ptr<Bitmap> bitmap = soft::MakeBitmap(layout.width, layout.height, layout.bitsPerPixel,
                                                    layout.topDown);
  if (!bitmap) return nullptr;
  bitmap->isSection = true;
  bitmap->colours = soft::ReadColourTable(info, layout.bitsPerPixel);
  if (bits != nullptr) *bits = bitmap->bits;
  return static_cast<HBITMAP>(soft::HandleOf(soft::Register(std::move(bitmap))));
}

namespace {
// What Win32 gives for a bitmap of no area: the stock 1 x 1 monochrome one.
HBITMAP NoArea() { return static_cast<HBITMAP>(soft::HandleOf(soft::StockBitmap())); }
}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1) return nullptr;
  if (width == 0 || height == 0) return NoArea();
  std::unique_ptr<Bitmap> bitmap;
  if (bitsPerPixel == 1) {
    bitmap = soft::MakeMonochrome(width, height);
  } else if (bitsPerPixel == 32) {
    bitmap = soft::MakeScreenBitmap(width, height);
  }
  if (!bitmap) return nullptr;
  if (bits != nullptr) {
    // Rows of the caller's data are padded to 16 bits, as the call defines.
    const std::size_t sourceStride = (static_cast<std::size_t>(width) * bitsPerPixel + 15) / 16 * 2;
    const std::size_t copied = std::min(sourceStride, static_cast<std::size_t>(bitmap->stride));
    const auto* source = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) std::memcpy(bitmap->Row(y), source + y * sourceStride, copied);
  }
  return static_cast<HBITMAP>(soft::HandleOf(soft::Register(std::move(bitmap))));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  soft::DeviceContext* context = soft::LookupDC(dc);
  if (context == nullptr) return nullptr;
  if (width == 0 || height == 0) return NoArea();
  const Bitmap* model = context->selected;
  std::unique_ptr<Bitmap> bitmap;
  if (model == nullptr) {
    bitmap = soft::MakeScreenBitmap(width, height);
  } else if (model->IsMonochrome()) {
    bitmap = soft::MakeMonochrome(width, height);
  } else if (model->isSection) {
    // As on Win32: compatible with a DIB section means a DIB section of the
    // same format.
    bitmap = soft::MakeBitmap(width, height, model->bitsPerPixel, model->topDown);
    if (bitmap) {
      bitmap->isSection = true;
      bitmap->colours = model->colours;
    }
  } else {
    bitmap = soft::MakeScreenBitmap(width, height);
  }
  if (!bitmap) return nullptr;
  return static_cast<HBITMAP>(soft::HandleOf(soft::Register(std::move(bitmap))));
}

BOOL DeleteObject(HGDIOBJ object) {
  soft::GdiObject* found = soft::Lookup(object);
  if (found == nullptr || found->kind == soft::GdiObject::Kind::DeviceContext) return FALSE;
  if (found->kind == soft::GdiObject::Kind::Bitmap) {
    auto* bitmap = static_cast<Bitmap*>(found);
    if (bitmap->isStock) return TRUE;  // stock objects are never freed
    // Still selected into a device context, or owned by the clipboard.
    if (bitmap->selectedInto != nullptr || bitmap->onClipboard) return FALSE;
  }
  soft::Destroy(found);
  return TRUE;
}

namespace {

BITMAP BitmapRecord(const Bitmap& bitmap) {
  BITMAP record{};
  record.bmType = 0;
  record.bmWidth = bitmap.width;
  record.bmHeight = bitmap.height;
  // DIB rows are padded to 32 bits; Win32 reports device-dependent rows
  // padded to 16.
  record.bmWidthBytes = bitmap.isSection
                            ? bitmap.stride
                            : static_cast<LONG>((static_cast<std::int64_t>(bitmap.width) * bitmap.bitsPerPixel + 15) / 16 * 2);
  record.bmPlanes = 1;
  record.bmBitsPixel = static_cast<WORD>(bitmap.bitsPerPixel);
  record.bmBits = bitmap.isSection ? bitmap.bits : nullptr;
  return record;
}

}  // namespace

int GetObjectA(HANDLE object, int size, void* buffer) {
  if (soft::Palette* palette = soft::LookupPalette(object)) {
    if (buffer == nullptr) return static_cast<int>(sizeof(WORD));
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    const WORD count = static_cast<WORD>(palette->entries.size());
    std::memcpy(buffer, &count, sizeof count);
    return static_cast<int>(sizeof(WORD));
  }
  Bitmap* bitmap = soft::LookupBitmap(object);
  if (bitmap == nullptr) return 0;
  // As on Win32: without a buffer the size of a BITMAP, even for a DIB
  // section, and a top-down section described with a positive height, so
  // that no caller here relies on learning the memory order this way.
  if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (bitmap->isSection && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION section{};
    section.dsBm = BitmapRecord(*bitmap);
    BITMAPINFOHEADER& h = section.dsBmih;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(bitmap->stride) * static_cast<DWORD>(bitmap->height);
    h.biClrUsed = static_cast<DWORD>(bitmap->colours.size());
    std::memcpy(buffer, &section, sizeof section);
    return static_cast<int>(sizeof(DIBSECTION));
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  const BITMAP record = BitmapRecord(*bitmap);
  std::memcpy(buffer, &record, sizeof record);
  return static_cast<int>(sizeof(BITMAP));
}

}  // namespace plat
