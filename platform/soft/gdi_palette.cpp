// Logical palettes.
#include <algorithm>

#include "platform/colour_tables.h"
#include "platform/gdi.h"
#include "platform/soft/gdi_objects.h"

namespace plat {

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  auto made = std::make_unique<soft::Palette>();
  const PALETTEENTRY* entries = palette->palPalEntry;
  made->entries.assign(entries, entries + palette->palNumEntries);
  return static_cast<HPALETTE>(soft::HandleOf(soft::Register(std::move(made))));
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
  std::vector<RGBQUAD> table;
  for (const PALETTEENTRY& e : found->entries) table.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  return static_cast<UINT>(NearestColourIndex(table.data(), static_cast<int>(table.size()),
                                              GetRValue(colour), GetGValue(colour), GetBValue(colour)));
}

}  // namespace plat
