#include "png/pngcrc.h"

#ifdef FENWILLOW_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

std::uint32_t ChunkCrcTable[256];
bool ChunkCrcTableReady = false;

void MakeChunkCrcTable() {
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    ChunkCrcTable[n] = c;
  }
  ChunkCrcTableReady = true;
}

}  // namespace

std::uint32_t UpdateChunkCrc(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
#ifdef FENWILLOW_HAVE_LIBDEFLATE
  // libdeflate takes and gives the register inverted. A chunk type or a
  // header is quicker through the table than through the call.
  if (count > 16) return libdeflate_crc32(crc ^ 0xFFFFFFFFu, bytes, count) ^ 0xFFFFFFFFu;
#endif
  if (!ChunkCrcTableReady) MakeChunkCrcTable();
  for (std::size_t i = 0; i < count; ++i) crc = ChunkCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t ChunkCrcTableEntry(std::uint8_t n) {
  if (!ChunkCrcTableReady) MakeChunkCrcTable();
  return ChunkCrcTable[n];
}

void ClearChunkCrcTable() { ChunkCrcTableReady = false; }
