#include <algorithm>

#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunktRNS, TChunk)

bool TChunktRNS::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  if (length > 256) TPNGObject::SignalError<EPNGInvalidPalette>(pnglang::EPNGInvalidPaletteText);
  AlphaTable.fill(255);
  std::copy(Payload.begin(), Payload.begin() + length, AlphaTable.begin());
  switch (OwnerHeader().ColorType) {
    case 0: case 2:
      SingleKey = true;
      break;
    case 3:
      // One non-opaque entry is drawn as a key, even a partly transparent one.
      SingleKey = std::count_if(AlphaTable.begin(), AlphaTable.begin() + length,
                                [](std::uint8_t a) { return a != 255; }) == 1;
      break;
    default:
      break;
  }
  return true;
}

void TChunktRNS::CopyChunk(const TChunk& source) {
  if (source.IsOfClass(Class())) {
    const auto& other = static_cast<const TChunktRNS&>(source);
    AlphaTable = other.AlphaTable;
    SingleKey = other.SingleKey;
  }
  TChunk::CopyChunk(source);
}

plat::COLORREF TChunktRNS::KeyColor() const {
  const TChunkIHDR& header = OwnerHeader();
  switch (header.ColorType) {
    case 0:
      return plat::RGB(AlphaTable[1], AlphaTable[1], AlphaTable[1]);
    case 2:
      return plat::RGB(AlphaTable[1], AlphaTable[3], AlphaTable[5]);
    case 3: {
      // Without a palette chunk there is no colour to key on.
      const auto* palette = Image.ChunkList.FirstOfClass<TChunkPLTE>();
      if (palette == nullptr) return 0;
      for (std::uint32_t i = 0; i < PayloadSize && i < AlphaTable.size(); ++i) {
        if (AlphaTable[i] == 0) {
          const std::uint32_t rgb = palette->PaletteEntry(i);
          return plat::RGB(static_cast<plat::BYTE>(rgb >> 16), static_cast<plat::BYTE>(rgb >> 8),
                           static_cast<plat::BYTE>(rgb));
        }
      }
      return 0;
    }
    default:
      return 0;
  }
}

void TChunktRNS::SetKeyColor(plat::COLORREF colour) {
  AlphaTable.fill(0);
  SingleKey = true;
  const plat::BYTE r = plat::GetRValue(colour);
  const plat::BYTE g = plat::GetGValue(colour);
  const plat::BYTE b = plat::GetBValue(colour);
  TChunkIHDR& header = OwnerHeader();
  switch (header.ColorType) {
    case 0:
      AlphaTable[1] = r;
      ResizePayload(2);
      break;
    case 2:
      AlphaTable[1] = r;
      AlphaTable[3] = g;
      AlphaTable[5] = b;
      ResizePayload(6);
      break;
    case 3: {
      const plat::RGBQUAD* colours = header.DibInfo.bmiColors;
      std::uint32_t index = 0;
      for (std::uint32_t i = 0; i < 256; ++i) {
        if (colours[i].rgbBlue == b && colours[i].rgbGreen == g && colours[i].rgbRed == r) {
          index = i;
          break;
        }
      }
      std::fill(AlphaTable.begin(), AlphaTable.begin() + index, 255);
      ResizePayload(index + 1);
      break;
    }
    default:
      return;
  }
  // The payload mirrors the table, as a stored chunk would.
  std::copy(AlphaTable.begin(), AlphaTable.begin() + PayloadSize, Payload.begin());
}
