#include "png/pngimage.h"

TTransparencyKind TPNGObject::TransparencyKind() const {
  const TChunkIHDR& header = RequireHeader();
  // Asked at every drawing: the chunk list is searched only where the
  // answer depends on it.
  switch (header.ColorType) {
    case 4: case 6:
      return trAlpha;
    case 0: case 2: case 3:
      break;
    default:
      return trOpaque;
  }
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  if (trns == nullptr) return trOpaque;
  if (header.ColorType != 3) return trColorKey;
  return trns->SingleKey ? trColorKey : trAlpha;
}

plat::COLORREF TPNGObject::KeyColor() const {
  const auto* trns = ChunkList.FirstOfClass<TChunktRNS>();
  return trns != nullptr ? trns->KeyColor() : 0;
}
