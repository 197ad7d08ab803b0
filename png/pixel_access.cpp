#include <algorithm>

#include "platform/gdi.h"
#include "png/pngimage.h"

namespace {

// Where the stored field of pixel x lies in a row of 1, 4 or 8 bits per pixel.
struct TField {
  std::size_t byte;
  int shift;
  int mask;
};

TField FieldOf(int x, int bits) {
  const int perByte = 8 / bits;
  return {static_cast<std::size_t>(x / perByte), 8 - bits - bits * (x % perByte), (1 << bits) - 1};
}

// Grey level shown for a stored grey index: the ramp has 2, 16 or 256
// levels (2-bit grey is stored as a 4-bit index).
int GreyLevel(int index, int bits) {
  switch (bits) {
    case 1: return index * 255;
    case 4: return index * 17;
    default: return index;
  }
}

}  // namespace

plat::COLORREF TPNGObject::PixelColor(int x, int y) {
  if (x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) return 0;
  const TChunkIHDR& header = RequireHeader();
  const std::uint8_t* row = ColorRow(y);
  if (row == nullptr) return 0;
  const int bits = header.DibInfo.bmiHeader.biBitCount;
  switch (header.ColorType) {
    case 0: case 3: {
      const TField f = FieldOf(x, bits);
      const int index = (row[f.byte] >> f.shift) & f.mask;
      if (header.ColorType == 0) {
        const std::uint8_t g = ForwardGamma[GreyLevel(index, bits)];
        return plat::RGB(g, g, g);
      }
      const auto* palette = ChunkList.FirstOfClass<TChunkPLTE>();
      if (palette == nullptr) SignalError<EPngError>(pnglang::EPngErrorNoPaletteEntryText);
      // Palette colours are stored gamma-corrected already.
      const std::uint32_t rgb = palette->PaletteEntry(static_cast<std::uint32_t>(index));
      return plat::RGB(static_cast<plat::BYTE>(rgb >> 16), static_cast<plat::BYTE>(rgb >> 8),
                       static_cast<plat::BYTE>(rgb));
    }
    case 4: {
      const TField f = FieldOf(x, bits);
      const auto v = static_cast<plat::BYTE>((row[f.byte] >> f.shift) & f.mask);
      return plat::RGB(v, v, v);
    }
    default:
      return plat::RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
}

void TPNGObject::SetPixelColor(int x, int y, plat::COLORREF colour) {
  if (x < 0 || y < 0 || x >= PixelWidth() || y >= PixelHeight()) return;
  const TChunkIHDR& header = RequireHeader();
  std::uint8_t* row = ColorRow(y);
  if (row == nullptr) return;
  const int bits = header.DibInfo.bmiHeader.biBitCount;
  switch (header.ColorType) {
    case 0: case 3: {
      const TField f = FieldOf(x, bits);
      const int index = NearestStoredIndex(colour, f.mask + 1);
      row[f.byte] = static_cast<std::uint8_t>((row[f.byte] & ~(f.mask << f.shift)) | (index << f.shift));
      break;
    }
    case 4: {
      const TField f = FieldOf(x, bits);
      const int v = plat::GetRValue(colour) & f.mask;
      row[f.byte] = static_cast<std::uint8_t>((row[f.byte] & ~(f.mask << f.shift)) | (v << f.shift));
      break;
    }
    default:
      row[3 * x + 2] = plat::GetRValue(colour);
      row[3 * x + 1] = plat::GetGValue(colour);
      row[3 * x] = plat::GetBValue(colour);
      break;
  }
}

int TPNGObject::NearestStoredIndex(plat::COLORREF colour, int fieldEntries) {
  const TChunkIHDR& header = RequireHeader();
  // Only entries the pixel's field can hold, and for a palette image only
  // entries its palette has.
  int candidates = fieldEntries;
  if (header.ColorType == 3) {
    const auto* palette = ChunkList.FirstOfClass<TChunkPLTE>();
    const int entryCount = palette != nullptr ? static_cast<int>(palette->EntryCount) : 0;
    candidates = std::max(1, std::min(candidates, entryCount));
  }
  plat::HPALETTE full = PaletteHandle();
  if (candidates >= 256) return static_cast<int>(plat::GetNearestPaletteIndex(full, colour) & 255);
  plat::LOGPALETTE256 confined{};
  confined.palVersion = 0x300;
  confined.palNumEntries = static_cast<plat::WORD>(candidates);
  plat::GetPaletteEntries(full, 0, static_cast<plat::UINT>(candidates), confined.palPalEntry);
  plat::HPALETTE search = plat::CreatePalette(reinterpret_cast<const plat::LOGPALETTE*>(&confined));
  const plat::UINT index = plat::GetNearestPaletteIndex(search, colour);
  plat::DeleteObject(search);
  return index < static_cast<plat::UINT>(candidates) ? static_cast<int>(index) : 0;
}
