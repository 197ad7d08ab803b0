// The gamma chunk: rebuilds the image's gamma tables when read.
#pragma once

#include <cstdint>

#include "png/chunk.h"

class TChunkgAMA : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  // A new gamma chunk holds the value 1.
  explicit TChunkgAMA(TPNGObject& image);
  void CopyChunk(const TChunk& source) override;
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  // The gamma times 100000, big-endian in the payload. A payload that is not
  // 4 bytes long is resized to 4 and reads as 1.
  std::uint32_t GammaValue();
  void SetGammaValue(std::uint32_t value);

 private:
  // The value GammaValue() reads, without resizing the payload.
  std::uint32_t StoredGammaValue() const;
};

// The gamma table that maps every value to itself.
const std::uint8_t* IdentityGamma();

// Builds the forward and reverse tables for a gamma value (times 100000);
// value 0 leaves them as they are.
void BuildGammaTables(std::uint32_t value, std::uint8_t (&forward)[256], std::uint8_t (&reverse)[256]);
