#include "png/pngimage.h"

TTransparencyKind TPNGObject::TransparencyKind() const {
  const TChunkIHDR& header = RequireHeader();
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  switch (header.ColorType) {
    case 0: case 2:
      return trns != nullptr ? trColorKey : trOpaque;
    case 3:
      if (trns == nullptr) return trOpaque;
      return trns->SingleKey ? trColorKey : trAlpha;
    case 4: case 6:
      return trAlpha;
    default:
      return trOpaque;
  }
}

plat::COLORREF TPNGObject::KeyColor() const {
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  return trns != nullptr ? trns->KeyColor() : 0;
}
