#include "platform/gdi.h"
#include "png/pngimage.h"

plat::HPALETTE TPNGObject::PaletteHandle() {
  TChunkIHDR& header = RequireHeader();
  if ((header.ColorType == 0 || header.ColorType == 3) && PaletteHandleCache == nullptr) {
    plat::LOGPALETTE256 palette{};
    palette.palVersion = 0x300;
    palette.palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      const plat::RGBQUAD& c = header.DibInfo.bmiColors[i];
      palette.palPalEntry[i] = {c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    PaletteHandleCache = plat::CreatePalette(reinterpret_cast<const plat::LOGPALETTE*>(&palette));
  }
  return PaletteHandleCache;
}

void TPNGObject::SetPaletteHandle(plat::HPALETTE palette) {
  TChunkIHDR& header = RequireHeader();
  if (header.ColorType != 0 && header.ColorType != 3) return;
  plat::PALETTEENTRY entries[256];
  const plat::UINT n = plat::GetPaletteEntries(palette, 0, 256, entries);
  for (plat::UINT i = 0; i < n && i < 256; ++i) {
    header.DibInfo.bmiColors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  }
  DeletePaletteCache();
}
