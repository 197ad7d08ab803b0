// The image-data chunk. Its ReadChunk is the pixel decoder: it reads on by
// itself through the directly following image-data chunks.
#pragma once

#include "png/chunk.h"

class TChunkIDAT : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunkIDAT(TPNGObject& image) : TChunk(image, Class()) {}
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;
};

class TChunkIEND : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunkIEND(TPNGObject& image) : TChunk(image, Class()) {}
};
