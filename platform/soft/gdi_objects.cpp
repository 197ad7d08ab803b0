#include "platform/soft/gdi_objects.h"

#include <cstdlib>
#include <limits>
#include <unordered_map>

namespace plat::soft {

void FreeDeleter::operator()(std::uint8_t* p) const { std::free(p); }

namespace {
// Never destroyed: objects with static lifetime may free their bitmaps
// during exit, after any ordinary static table would be gone.
std::unordered_map<std::uintptr_t, GdiObject*>& Table() {
  static auto* const live = new std::unordered_map<std::uintptr_t, GdiObject*>;
  return *live;
}

constexpr std::int64_t kMaxPixelBytes = std::numeric_limits<std::int32_t>::max();

// The object found last: a frame asks for the same context and bitmap for
// every picture it draws. Serials are never reused, so only Destroy can
// make it stale.
GdiObject* lastFound = nullptr;
}  // namespace

int RowStride(int width, int bitsPerPixel) {
  const std::int64_t bits = static_cast<std::int64_t>(width) * bitsPerPixel;
  const std::int64_t stride = (bits + 31) / 32 * 4;
  return stride > std::numeric_limits<int>::max() ? 0 : static_cast<int>(stride);
}

bool IsSupportedDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 24: case 32: return true;
    default: return false;
  }
}

std::unique_ptr<Bitmap> MakeBitmap(int width, int height, int bitsPerPixel, bool topDown) {
  if (!IsSupportedDepth(bitsPerPixel) || width <= 0 || height <= 0) return nullptr;
  const int stride = RowStride(width, bitsPerPixel);
  if (stride == 0) return nullptr;
  const std::int64_t bytes = static_cast<std::int64_t>(stride) * height;
  if (bytes > kMaxPixelBytes) return nullptr;
  auto* memory = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(bytes), 1));
  if (memory == nullptr) return nullptr;
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bitsPerPixel = bitsPerPixel;
  bitmap->stride = stride;
  bitmap->topDown = topDown;
  bitmap->bits = memory;
  bitmap->storage.reset(memory);
  if (bitsPerPixel <= 8) bitmap->colours.assign(std::size_t{1} << bitsPerPixel, RGBQUAD{0, 0, 0, 0});
  return bitmap;
}

std::unique_ptr<Bitmap> MakeMonochrome(int width, int height) {
  std::unique_ptr<Bitmap> bitmap = MakeBitmap(width, height, 1, true);
  if (bitmap) bitmap->colours = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  return bitmap;
}

std::unique_ptr<Bitmap> MakeScreenBitmap(int width, int height) {
  return MakeBitmap(width, height, 32, true);
}

bool ParseDibHeader(const BITMAPINFOHEADER& h, DibLayout& layout) {
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB) return false;
  if (!IsSupportedDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0) return false;
  if (h.biHeight == std::numeric_limits<LONG>::min()) return false;
  layout.width = h.biWidth;
  layout.topDown = h.biHeight < 0;
  layout.height = layout.topDown ? -h.biHeight : h.biHeight;
  layout.bitsPerPixel = h.biBitCount;
  layout.stride = RowStride(layout.width, layout.bitsPerPixel);
  return layout.stride != 0 && static_cast<std::int64_t>(layout.stride) * layout.height <= kMaxPixelBytes;
}

Bitmap DibView(const DibLayout& layout, const void* bits, std::vector<RGBQUAD> colours) {
  Bitmap view;
  view.width = layout.width;
  view.height = layout.height;
  view.bitsPerPixel = layout.bitsPerPixel;
  view.stride = layout.stride;
  view.topDown = layout.topDown;
  view.isSection = true;
  view.colours = std::move(colours);
  // Views that are only read from are made over const bits; nothing writes
  // through them.
  view.bits = static_cast<std::uint8_t*>(const_cast<void*>(bits));
  return view;
}

void RegisterObject(GdiObject* object) {
  // Serial numbers are never reused; they start high enough that a small
  // integer passed by mistake is no handle, and stay within 32 bits for a
  // program's lifetime of objects as handles on Win32 do.
  static std::uintptr_t next = 0x10000;
  object->serial = next++;
  Table().emplace(object->serial, object);
}

void Destroy(GdiObject* object) {
  if (object == lastFound) lastFound = nullptr;
  Table().erase(object->serial);
  delete object;
}

void* HandleOf(const GdiObject* object) {
  return object == nullptr ? nullptr : reinterpret_cast<void*>(object->serial);
}

GdiObject* Lookup(const void* handle) {
  const auto serial = reinterpret_cast<std::uintptr_t>(handle);
  if (lastFound != nullptr && lastFound->serial == serial) return lastFound;
  const auto found = Table().find(serial);
  if (found == Table().end()) return nullptr;
  lastFound = found->second;
  return lastFound;
}

Bitmap* LookupBitmap(const void* handle) {
  GdiObject* object = Lookup(handle);
  return object && object->kind == GdiObject::Kind::Bitmap ? static_cast<Bitmap*>(object) : nullptr;
}

Palette* LookupPalette(const void* handle) {
  GdiObject* object = Lookup(handle);
  return object && object->kind == GdiObject::Kind::Palette ? static_cast<Palette*>(object) : nullptr;
}

DeviceContext* LookupDC(const void* handle) {
  GdiObject* object = Lookup(handle);
  return object && object->kind == GdiObject::Kind::DeviceContext ? static_cast<DeviceContext*>(object)
                                                                    : nullptr;
}

Bitmap* StockBitmap() {
  static Bitmap* const stock = [] {
    std::unique_ptr<Bitmap> bitmap = MakeMonochrome(1, 1);
    bitmap->isStock = true;
    return Register(std::move(bitmap));
  }();
  return stock;
}

std::vector<RGBQUAD> ReadColourTable(const BITMAPINFO* info, int bitsPerPixel) {
  std::vector<RGBQUAD> colours;
  if (bitsPerPixel > 8) return colours;
  std::size_t n = std::size_t{1} << bitsPerPixel;
  colours.assign(n, RGBQUAD{0, 0, 0, 0});
  const DWORD used = info->bmiHeader.biClrUsed;
  if (used != 0 && used < n) n = used;
  const RGBQUAD* table = info->bmiColors;
  for (std::size_t i = 0; i < n; ++i) colours[i] = table[i];
  return colours;
}

}  // namespace plat::soft
