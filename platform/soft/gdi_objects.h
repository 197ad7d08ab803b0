// The software backend's graphics objects. A handle is a serial number
// looked up in the table of live objects: a stale or foreign handle fails
// the call instead of touching memory, and never names a later object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/wintypes.h"

namespace plat::soft {

struct DeviceContext;

struct GdiObject {
  enum class Kind { Bitmap, Palette, DeviceContext };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  const Kind kind;
  std::uintptr_t serial = 0;  // set by RegisterObject
};

struct FreeDeleter {
  void operator()(std::uint8_t* p) const;
};

// Pixel memory with its layout. Registered bitmaps own their memory; a
// transfer from caller-supplied DIB bits uses an unregistered view.
struct Bitmap : GdiObject {
  Bitmap() : GdiObject(Kind::Bitmap) {}

  int width = 0;
  int height = 0;          // always positive
  int bitsPerPixel = 0;    // 1, 4, 8, 24 or 32
  int stride = 0;          // bytes per row, a multiple of 4
  bool topDown = false;    // memory order of a DIB section
  bool isSection = false;  // a DIB section, as opposed to a device-dependent bitmap
  bool isStock = false;    // the 1 x 1 bitmap of every new memory context
  bool onClipboard = false;
  std::vector<RGBQUAD> colours;  // 2^bpp entries for 1/4/8 bits, else empty
  std::uint8_t* bits = nullptr;
  std::unique_ptr<std::uint8_t, FreeDeleter> storage;
  DeviceContext* selectedInto = nullptr;  // never set for the stock bitmap

  // A device-dependent 1-bit bitmap: blits treat its bits as "background
  // colour or not" rather than as indices into a colour table.
  bool IsMonochrome() const { return !isSection && bitsPerPixel == 1; }

  // Row y counted from the top of the image.
  std::uint8_t* Row(int y) const {
    const int memoryRow = topDown ? y : height - 1 - y;
    return bits + static_cast<std::size_t>(memoryRow) * static_cast<std::size_t>(stride);
  }
};

struct Palette : GdiObject {
  Palette() : GdiObject(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct DeviceContext : GdiObject {
  DeviceContext() : GdiObject(Kind::DeviceContext) {}
  bool isScreen = false;       // the screen has no readable surface
  Bitmap* selected = nullptr;  // nullptr only for the screen
  COLORREF background = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

// Bytes per row of a bitmap `width` pixels wide at `bitsPerPixel`, padded to
// 32 bits; 0 when it does not fit in 31 bits.
int RowStride(int width, int bitsPerPixel);

// Bit depths this backend stores.
bool IsSupportedDepth(int bitsPerPixel);

// Makes a zero-filled bitmap; nullptr when the sizes are out of range or the
// memory cannot be had. The pixels of a bitmap never exceed 2^31 - 1 bytes.
std::unique_ptr<Bitmap> MakeBitmap(int width, int height, int bitsPerPixel, bool topDown);
// A device-dependent monochrome bitmap (0 black, 1 white).
std::unique_ptr<Bitmap> MakeMonochrome(int width, int height);
// A device-dependent bitmap in the screen's 32-bit format.
std::unique_ptr<Bitmap> MakeScreenBitmap(int width, int height);

// Layout of DIB bits as a bitmap description gives it.
struct DibLayout {
  int width = 0;
  int height = 0;  // positive
  bool topDown = false;
  int bitsPerPixel = 0;
  int stride = 0;
};
// False when the description is not one this backend reads or writes
// (uncompressed, one plane, 1/4/8/24/32 bits, positive width, non-zero
// height, at most 2^31 - 1 bytes of pixels).
bool ParseDibHeader(const BITMAPINFOHEADER& header, DibLayout& layout);
// An unregistered bitmap over caller-owned bits laid out as `layout`.
Bitmap DibView(const DibLayout& layout, const void* bits, std::vector<RGBQUAD> colours);

// The object table. Register hands the object to the table; Destroy
// removes and frees it.
void RegisterObject(GdiObject* object);
template <typename T>
T* Register(std::unique_ptr<T> object) {
  T* raw = object.release();
  RegisterObject(raw);
  return raw;
}
void Destroy(GdiObject* object);
// The handle of a registered object; nullptr for nullptr.
void* HandleOf(const GdiObject* object);
GdiObject* Lookup(const void* handle);
Bitmap* LookupBitmap(const void* handle);
Palette* LookupPalette(const void* handle);
DeviceContext* LookupDC(const void* handle);

// The stock bitmap selected into every new memory context.
Bitmap* StockBitmap();

// Colour table entries of `info` for a bitmap of `bitsPerPixel` (2^bpp
// entries; biClrUsed, when set and smaller, limits how many are read).
std::vector<RGBQUAD> ReadColourTable(const BITMAPINFO* info, int bitsPerPixel);

}  // namespace plat::soft
