// The palette and transparency chunks.
#pragma once

#include <array>
#include <cstdint>

#include "platform/wintypes.h"
#include "png/chunk.h"

// The colours live in the header chunk's DibInfo, gamma-corrected.
class TChunkPLTE : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunkPLTE(TPNGObject& image) : TChunk(image, Class()) {}
  void CopyChunk(const TChunk& source) override;
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  // Colour entry `index` as 0x00RRGGBB; raises EPngError at or beyond
  // EntryCount.
  std::uint32_t PaletteEntry(std::uint32_t index) const;

  std::uint32_t EntryCount = 0;
};

class TChunktRNS : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunktRNS(TPNGObject& image) : TChunk(image, Class()) {}
  void CopyChunk(const TChunk& source) override;
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  // The keyed colour as an RGB colour value (red in the low byte).
  plat::COLORREF KeyColor() const;
  void SetKeyColor(plat::COLORREF colour);

  bool SingleKey = false;
  // Grey: bytes 0-1 the key sample; RGB: bytes 0-5 the key samples (16-bit
  // big-endian each); palette: the alpha of each entry, 255 past the payload.
  std::array<std::uint8_t, 256> AlphaTable{};
};
