#include "platform/bitmap.h"
#include "platform/gdi.h"
#include "png/pngimage.h"

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
  plat::HDC screen = plat::GetDC(nullptr);
  bitmap->SetHandle(plat::CreateDIBitmap(screen, &header.DibInfo.bmiHeader, plat::CBM_INIT, header.ColorBits,
                                         reinterpret_cast<const plat::BITMAPINFO*>(&header.DibInfo),
                                         plat::DIB_RGB_COLORS));
  plat::ReleaseDC(nullptr, screen);
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
  return header.ColorBits + (static_cast<std::ptrdiff_t>(header.Height) - 1 - y) * header.RowStride;
}
