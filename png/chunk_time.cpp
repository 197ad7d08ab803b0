#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunktIME, TChunk)

bool TChunktIME::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  if (length == 7) {
    const std::uint8_t* p = Payload.data();
    Year = static_cast<std::uint16_t>(p[0] * 256 + p[1]);
    Month = p[2];
    Day = p[3];
    Hour = p[4];
    Minute = p[5];
    Second = p[6];
  }
  return true;
}
