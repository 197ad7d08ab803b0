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

namespace {

// The level a grey sample of `depth` bits is stored as (the index of the
// grey ramp, which spreads the samples over 0..255), or -1 for a sample the
// depth cannot hold.
int GreyLevel(unsigned sample, unsigned depth) {
  switch (depth) {
    case 16: return static_cast<int>(sample >> 8);
    case 1: case 2: case 4: case 8: {
      const unsigned top = (1u << depth) - 1;
      return sample <= top ? static_cast<int>(sample * 255 / top) : -1;
    }
    default: return -1;
  }
}

// The byte an RGB sample is stored as, before gamma, or -1 as above.
int ColourLevel(unsigned sample, unsigned depth) {
  if (depth == 16) return static_cast<int>(sample >> 8);
  return depth == 8 && sample <= 255 ? static_cast<int>(sample) : -1;
}

}  // namespace

// The key names the colour the pixels the chunk describes are stored with:
// the high byte of a 16-bit sample, a low-depth grey sample as its ramp
// level, through the gamma the colours were stored with. A sample the bit
// depth cannot hold describes no pixel; it keeps the low byte as read.
plat::COLORREF TChunktRNS::KeyColor() const {
  const TChunkIHDR& header = OwnerHeader();
  const auto sample = [this](int i) { return unsigned{AlphaTable[2 * i]} << 8 | AlphaTable[2 * i + 1]; };
  const auto& gamma = header.StoredGamma;
  switch (header.ColorType) {
    case 0: {
      const int level = GreyLevel(sample(0), header.BitDepth);
      const plat::BYTE grey = level < 0 ? AlphaTable[1] : gamma[level];
      return plat::RGB(grey, grey, grey);
    }
    case 2: {
      const int r = ColourLevel(sample(0), header.BitDepth);
      const int g = ColourLevel(sample(1), header.BitDepth);
      const int b = ColourLevel(sample(2), header.BitDepth);
      if (r < 0 || g < 0 || b < 0) return plat::RGB(AlphaTable[1], AlphaTable[3], AlphaTable[5]);
      return plat::RGB(gamma[r], gamma[g], gamma[b]);
    }
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
