// The software backend's graphics objects. A handle is the address of one
// of these; every call checks it against the table of live objects, so a
// stale or foreign handle fails the call instead of touching memory.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/wintypes.h"

namespace plat::soft {

struct GdiObject {
  enum class Kind { Bitmap, Palette };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  const Kind kind;
};

struct FreeDeleter {
  void operator()(std::uint8_t* p) const;
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(Kind::Bitmap) {}

  int width = 0;
  int height = 0;         // always positive
  int bitsPerPixel = 0;   // 1, 4, 8, 16, 24 or 32
  int stride = 0;         // bytes per row, a multiple of 4
  bool topDown = false;   // memory order of a DIB section
  bool isSection = false; // made by CreateDIBSection (pixels at a fixed address)
  std::vector<RGBQUAD> colours;  // 2^bpp entries for 1/4/8 bits, else empty
  std::unique_ptr<std::uint8_t, FreeDeleter> storage;
  int selections = 0;     // device contexts it is selected into

  std::uint8_t* Bits() const { return storage.get(); }
  // Row y counted from the top of the image.
  std::uint8_t* Row(int y) const {
    const int memoryRow = topDown ? y : height - 1 - y;
    return storage.get() + static_cast<std::size_t>(memoryRow) * static_cast<std::size_t>(stride);
  }
};

struct Palette : GdiObject {
  Palette() : GdiObject(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

// Bytes per row of a bitmap `width` pixels wide at `bitsPerPixel`, padded to
// 32 bits; 0 when it does not fit in 31 bits.
int RowStride(int width, int bitsPerPixel);

// Makes a zero-filled bitmap; nullptr when the sizes are out of range or the
// memory cannot be had. Rows of a bitmap this backend makes never exceed
// 2^31 - 1 bytes in all.
std::unique_ptr<Bitmap> MakeBitmap(int width, int height, int bitsPerPixel, bool topDown);

// The object table.
void Register(GdiObject* object);
void Unregister(GdiObject* object);
GdiObject* Lookup(const void* handle);
Bitmap* LookupBitmap(const void* handle);
Palette* LookupPalette(const void* handle);

// Colour table entries of `info` for a bitmap of `bitsPerPixel` (2^bpp
// entries; biClrUsed, when set and smaller, limits how many are read).
std::vector<RGBQUAD> ReadColourTable(const BITMAPINFO* info, int bitsPerPixel);

}  // namespace plat::soft
