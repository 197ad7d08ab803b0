#include <cstdlib>
#include <cstring>

#include "platform/gdi.h"
#include "png/pngimage.h"

int ColorBitsPerPixel(std::uint8_t colorType, std::uint8_t bitDepth) {
  switch (colorType) {
    case 0: case 3: case 4:
      switch (bitDepth) {
        case 1: return 1;
        case 2: case 4: return 4;
        case 8: case 16: return 8;
        default: return 0;
      }
    case 2: case 6:
      return 24;
    default:
      return 0;
  }
}

namespace {

// a * b, saturated at 2^64 - 1 (the inputs of a header that failed its own
// checks can be large).
std::uint64_t SaturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

std::uint64_t StrideFor(int bitsPerPixel, std::uint32_t width) {
  return (static_cast<std::uint64_t>(bitsPerPixel) * width + 31) / 32 * 4;
}

// Zeroed memory. A small block is cleared here: the allocator keeps freed
// small blocks at hand for malloc, but calloc takes the long way to them.
std::uint8_t* AllocateZeroed(std::size_t bytes) {
  if (bytes > 1024) return static_cast<std::uint8_t*>(std::calloc(bytes, 1));
  auto* memory = static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
  if (memory != nullptr) std::memset(memory, 0, bytes);
  return memory;
}

}  // namespace

std::uint64_t TChunkIHDR::ColorBytes() const {
  const int bpp = DibInfo.bmiHeader.biBitCount;
  if (bpp == 0 || Width == 0 || Height == 0) return 0;
  return SaturatingProduct(StrideFor(bpp, Width), Height);
}

std::uint64_t TChunkIHDR::AlphaBytes() const {
  return HasAlphaPlane() ? SaturatingProduct(Width, Height) : 0;
}

void TChunkIHDR::BuildImageBuffers() {
  std::memset(&DibInfo, 0, sizeof DibInfo);
  ReleaseImageBuffers();
  std::memcpy(StoredGamma.data(), IdentityGamma(), 256);
  UsesPalette = false;
  const int bpp = ColorBitsPerPixel(ColorType, BitDepth);
  if (bpp != 0) {
    UsesPalette = bpp <= 8;
    plat::BITMAPINFOHEADER& h = DibInfo.bmiHeader;
    h.biSize = sizeof(plat::BITMAPINFOHEADER);
    h.biWidth = static_cast<plat::LONG>(Width);
    h.biHeight = static_cast<plat::LONG>(Height);
    h.biPlanes = 1;
    h.biBitCount = static_cast<plat::WORD>(bpp);
    h.biCompression = plat::BI_RGB;
  }
  RowStride = static_cast<std::int32_t>(StrideFor(bpp, Width));

  const std::uint64_t colourBytes = ColorBytes();
  const std::uint64_t alphaBytes = AlphaBytes();
  if (colourBytes > kImageMemoryCeiling || alphaBytes > kImageMemoryCeiling - colourBytes) {
    TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
  }
  if (HasAlphaPlane()) {
    AlphaPlane.reset(AllocateZeroed(static_cast<std::size_t>(alphaBytes)));
    if (!AlphaPlane) TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
  }
  void* bits = nullptr;
  DibSection = plat::CreateDIBSection(nullptr, reinterpret_cast<const plat::BITMAPINFO*>(&DibInfo),
                                      plat::DIB_RGB_COLORS, &bits, nullptr, 0);
  ColorBits = DibSection != nullptr ? static_cast<std::uint8_t*>(bits) : nullptr;
  if (colourBytes > 0 && ColorBits == nullptr) {
    ReleaseImageBuffers();
    TPNGObject::SignalError<EPNGOutMemory>(pnglang::EPNGOutMemoryText);
  }
  if (Image.PaletteHandleCache != nullptr) {
    plat::DeleteObject(Image.PaletteHandleCache);
    Image.PaletteHandleCache = nullptr;
  }
#ifdef _WIN32
  // Windows does not promise a new DIB section's memory cleared; the soft
  // GDI's comes from calloc, and writing it would fault in every page.
  if (ColorBits != nullptr) std::memset(ColorBits, 0, static_cast<std::size_t>(colourBytes));
#endif
}

void TChunkIHDR::ContentChanged() {
  static std::uint64_t generations = 0;
  ContentGeneration = ++generations;
  BuffersAllZero = false;
  AlphaRuns.reset();
}

void TChunkIHDR::ReleaseImageBuffers() {
  ContentChanged();
  if (DibSection != nullptr) plat::DeleteObject(DibSection);
  DibSection = nullptr;
  ColorBits = nullptr;
  AlphaPlane.reset();
}
