#include <cstring>

#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/pngimage.h"

namespace {

// A bottom-up 24-bit DIB holding the image's colour rows; nullptr when it
// cannot be made.
plat::HBITMAP Dib24Of(const TChunkIHDR& header) {
  void* bits = nullptr;
  plat::HBITMAP made = plat::CreateDIBSection(nullptr, reinterpret_cast<const plat::BITMAPINFO*>(&header.DibInfo),
                                              plat::DIB_RGB_COLORS, &bits, nullptr, 0);
  if (made == nullptr || bits == nullptr) return made;
  // Pixel bytes only: the padding of each row stays as the new DIB has it.
  const std::size_t pixelBytes = 3 * static_cast<std::size_t>(header.Width);
  for (std::uint32_t y = 0; y < header.Height; ++y) {
    const std::size_t offset = static_cast<std::size_t>(y) * static_cast<std::size_t>(header.RowStride);
    std::memcpy(static_cast<std::uint8_t*>(bits) + offset, header.ColorBits + offset, pixelBytes);
  }
  return made;
}

}  // namespace

bool TPNGObject::CopiesColoursUnchanged() const {
  const TChunkIHDR* header = HeaderOrNull();
  if (header == nullptr || header->DibInfo.bmiHeader.biBitCount != 24 || header->ColorBits == nullptr) return false;
  plat::HDC screen = plat::GetDC(nullptr);
  const bool deep = plat::GetDeviceCaps(screen, plat::BITSPIXEL) >= 24;
  plat::ReleaseDC(nullptr, screen);
  return deep;
}

void TPNGObject::CopyTo(plat::TPersistent* target) {
  if (auto* image = dynamic_cast<TPNGObject*>(target)) {
    image->CopyImage(*this);
    return;
  }
  auto* bitmap = dynamic_cast<plat::TBitmap*>(target);
  if (bitmap == nullptr || !HasHeader()) {
    plat::TGraphic::CopyTo(target);  // EConvertError
    return;
  }
  const TChunkIHDR& header = RequireHeader();
  // 24-bit colour passes through a device-dependent bitmap of at least 24
  // bits unchanged: the DIB it would turn into is made at once.
  plat::HBITMAP made;
  if (CopiesColoursUnchanged()) {
    made = Dib24Of(header);
  } else {
    plat::HDC screen = plat::GetDC(nullptr);
    made = plat::CreateDIBitmap(screen, &header.DibInfo.bmiHeader, plat::CBM_INIT, header.ColorBits,
                                reinterpret_cast<const plat::BITMAPINFO*>(&header.DibInfo), plat::DIB_RGB_COLORS);
    plat::ReleaseDC(nullptr, screen);
  }
  bitmap->SetHandle(made);
  switch (header.DibInfo.bmiHeader.biBitCount) {
    case 1: bitmap->SetPixelFormat(plat::TPixelFormat::pf1bit); break;
    case 4: bitmap->SetPixelFormat(plat::TPixelFormat::pf4bit); break;
    case 8: bitmap->SetPixelFormat(plat::TPixelFormat::pf8bit); break;
    case 24: bitmap->SetPixelFormat(plat::TPixelFormat::pf24bit); break;
    case 32: bitmap->SetPixelFormat(plat::TPixelFormat::pf32bit); break;
    default: break;
  }
  if (TransparencyKind() == trColorKey) {
    bitmap->TransparentColor = ChunkList.FirstOfClass<TChunktRNS>()->KeyColor();
    bitmap->Transparent = true;
  }
}

std::uint8_t* TPNGObject::AlphaRow(int y) const {
  TChunkIHDR& header = RequireHeader();
  if ((header.ColorType != 4 && header.ColorType != 6) || !header.AlphaPlane) return nullptr;
  header.ContentChanged();
  return header.AlphaPlane.get() + static_cast<std::ptrdiff_t>(y) * header.Width;
}

std::uint8_t* TPNGObject::ColorRow(int y) const {
  TChunkIHDR& header = RequireHeader();
  if (header.ColorBits == nullptr) return nullptr;
  header.ContentChanged();
  return header.StoredColourRow(y);
}
