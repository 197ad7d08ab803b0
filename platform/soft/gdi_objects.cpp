#include "platform/soft/gdi_objects.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <unordered_set>

#include "platform/gdi.h"

namespace plat::soft {

void FreeDeleter::operator()(std::uint8_t* p) const { std::free(p); }

namespace {
std::unordered_set<GdiObject*>& Table() {
  static std::unordered_set<GdiObject*> live;
  return live;
}
}  // namespace

int RowStride(int width, int bitsPerPixel) {
  const std::int64_t bits = static_cast<std::int64_t>(width) * bitsPerPixel;
  const std::int64_t stride = (bits + 31) / 32 * 4;
  return stride > std::numeric_limits<int>::max() ? 0 : static_cast<int>(stride);
}

std::unique_ptr<Bitmap> MakeBitmap(int width, int height, int bitsPerPixel, bool topDown) {
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return nullptr;
  }
  if (width <= 0 || height <= 0) return nullptr;
  const int stride = RowStride(width, bitsPerPixel);
  if (stride == 0) return nullptr;
  const std::uint64_t bytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);
  if (bytes > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return nullptr;
  auto* memory = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1));
  if (memory == nullptr) return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitsPerPixel = bitsPerPixel;
  bitmap->stride = stride;
  bitmap->topDown = topDown;
  bitmap->storage.reset(memory);
  if (bitsPerPixel <= 8) bitmap->colours.assign(std::size_t{1} << bitsPerPixel, RGBQUAD{0, 0, 0, 0});
  return bitmap;
}

void Register(GdiObject* object) { Table().insert(object); }
void Unregister(GdiObject* object) { Table().erase(object); }

GdiObject* Lookup(const void* handle) {
  auto* object = static_cast<GdiObject*>(const_cast<void*>(handle));
  return Table().count(object) ? object : nullptr;
}

Bitmap* LookupBitmap(const void* handle) {
  GdiObject* object = Lookup(handle);
  return object && object->kind == GdiObject::Kind::Bitmap ? static_cast<Bitmap*>(object) : nullptr;
}

Palette* LookupPalette(const void* handle) {
  GdiObject* object = Lookup(handle);
  return object && object->kind == GdiObject::Kind::Palette ? static_cast<Palette*>(object) : nullptr;
}

std::vector<RGBQUAD> ReadColourTable(const BITMAPINFO* info, int bitsPerPixel) {
  std::vector<RGBQUAD> colours;
  if (bitsPerPixel > 8) return colours;
  std::size_t n = std::size_t{1} << bitsPerPixel;
  colours.assign(n, RGBQUAD{0, 0, 0, 0});
  const DWORD used = info->bmiHeader.biClrUsed;
  if (used != 0 && used < n) n = used;
  for (std::size_t i = 0; i < n; ++i) colours[i] = info->bmiColors[i];
  return colours;
}

}  // namespace plat::soft

namespace plat {

using soft::Bitmap;

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) return nullptr;
  if (h.biHeight == std::numeric_limits<LONG>::min()) return nullptr;
  const bool topDown = h.biHeight < 0;
  std::unique_ptr<Bitmap> bitmap = soft::MakeBitmap(h.biWidth, topDown ? -h.biHeight : h.biHeight,
                                                    h.biBitCount, topDown);
  if (!bitmap) return nullptr;
  bitmap->isSection = true;
  if (h.biBitCount <= 8) bitmap->colours = soft::ReadColourTable(info, h.biBitCount);
  if (bits != nullptr) *bits = bitmap->Bits();
  Bitmap* raw = bitmap.release();
  soft::Register(raw);
  return reinterpret_cast<HBITMAP>(raw);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1) return nullptr;
  std::unique_ptr<Bitmap> bitmap = soft::MakeBitmap(width, height, static_cast<int>(bitsPerPixel), true);
  if (!bitmap) return nullptr;
  if (bitsPerPixel == 1) {
    bitmap->colours = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  }
  if (bits != nullptr) {
    // Rows of the caller's data are padded to 16 bits, as the call defines.
    const std::size_t sourceStride = (static_cast<std::size_t>(width) * bitsPerPixel + 15) / 16 * 2;
    const auto* source = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
      std::copy(source + y * sourceStride, source + (y + 1) * sourceStride, bitmap->Row(y));
    }
  }
  Bitmap* raw = bitmap.release();
  soft::Register(raw);
  return reinterpret_cast<HBITMAP>(raw);
}

BOOL DeleteObject(HGDIOBJ object) {
  soft::GdiObject* found = soft::Lookup(object);
  if (found == nullptr) return FALSE;
  if (found->kind == soft::GdiObject::Kind::Bitmap && static_cast<Bitmap*>(found)->selections > 0) {
    return FALSE;  // still selected into a device context
  }
  soft::Unregister(found);
  delete found;
  return TRUE;
}

int GetObjectA(HANDLE object, int size, void* buffer) {
  Bitmap* bitmap = soft::LookupBitmap(object);
  if (bitmap == nullptr) return 0;
  if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  BITMAP record{};
  record.bmType = 0;
  record.bmWidth = bitmap->width;
  record.bmHeight = bitmap->height;
  record.bmWidthBytes = bitmap->stride;
  record.bmPlanes = 1;
  record.bmBitsPixel = static_cast<WORD>(bitmap->bitsPerPixel);
  record.bmBits = bitmap->isSection ? bitmap->Bits() : nullptr;
  *static_cast<BITMAP*>(buffer) = record;
  return static_cast<int>(sizeof(BITMAP));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  auto* made = new soft::Palette;
  made->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  soft::Register(made);
  return reinterpret_cast<HPALETTE>(made);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  soft::Palette* found = soft::LookupPalette(palette);
  if (found == nullptr) return 0;
  const UINT size = static_cast<UINT>(found->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy(found->entries.begin() + start, found->entries.begin() + start + n, entries);
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour) {
  soft::Palette* found = soft::LookupPalette(palette);
  if (found == nullptr) return 0xFFFFFFFFu;  // CLR_INVALID
  UINT best = 0;
  long bestDistance = -1;
  for (UINT i = 0; i < found->entries.size(); ++i) {
    const PALETTEENTRY& e = found->entries[i];
    const long dr = static_cast<long>(e.peRed) - GetRValue(colour);
    const long dg = static_cast<long>(e.peGreen) - GetGValue(colour);
    const long db = static_cast<long>(e.peBlue) - GetBValue(colour);
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

}  // namespace plat
