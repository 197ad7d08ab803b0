#include <cstring>
#include <new>

#include "platform/exception.h"
#include "png/pngimage.h"

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kListGrowth = 10;

bool IsUnknownCritical(const TChunk& chunk) {
  const std::uint8_t first = chunk.ChunkType[0];
  return &chunk.ChunkClass() == &TChunk::Class() && first != 0 && (first & 32) == 0;
}

// During the read the list holds spare empty slots after the chunks made so
// far; whatever ends the read, the list is cut to the chunks it holds.
void CutToChunks(TPNGList& list) {
  std::uint32_t n = list.ItemCount();
  while (n > 0 && list.ItemAt(n - 1) == nullptr) --n;
  list.SetCount(n);
}

}  // namespace

void TPNGObject::ReadPng(plat::TStream& stream) {
  DropChunks();
  std::uint8_t signature[8] = {};
  stream.Read(signature, sizeof signature);
  if (std::memcmp(signature, kSignature, sizeof kSignature) != 0) {
    SignalError<EPNGInvalidFileHeader>(pnglang::EPNGInvalidFileHeaderText);
  }

  const TChunkName IHDR = MakeChunkName("IHDR");
  const TChunkName IDAT = MakeChunkName("IDAT");
  const TChunkName IEND = MakeChunkName("IEND");
  const TChunkName cHRM = MakeChunkName("cHRM");
  bool idatSeen = false;
  std::uint32_t n = 0;
  ChunkList.SetCount(kListGrowth);
  try {
    for (;;) {
      ++n;
      if (ChunkList.ItemCount() < n) ChunkList.SetCount(ChunkList.ItemCount() + kListGrowth);
      // The length and the type in one read; a type cut short reads as
      // zeros where its bytes are missing.
      std::uint8_t lengthAndType[8] = {};
      if (stream.Read(lengthAndType, 8) < 4) SignalError<EPngUnexpectedEnd>(pnglang::EPngUnexpectedEndText);
      const std::uint32_t length = (std::uint32_t{lengthAndType[0]} << 24) |
                                   (std::uint32_t{lengthAndType[1]} << 16) |
                                   (std::uint32_t{lengthAndType[2]} << 8) | lengthAndType[3];
      TChunkName type;
      std::memcpy(type.data(), lengthAndType + 4, 4);
      if (n == 1 && !SameChunkType(type, IHDR)) SignalError<EPNGIHDRNotFirst>(pnglang::EPNGIHDRNotFirstText);
      const bool imageData = SameChunkType(type, IDAT);
      if (SameChunkType(type, cHRM) || (imageData && idatSeen)) {
        stream.Skip(std::uint64_t{length} + 4);
        --n;
        continue;
      }
      if (imageData) idatSeen = true;
      TChunk* chunk = CreateChunkForType(*this, type).release();
      ChunkList.PutAt(n - 1, chunk);
      if (IsUnknownCritical(*chunk)) {
        SignalError<EPNGUnknownCriticalChunk>(pnglang::EPNGUnknownCriticalChunkText);
      }
      if (!chunk->ReadChunk(stream, type, length) || SameChunkType(type, IEND)) break;
    }
  } catch (const std::bad_alloc&) {
    CutToChunks(ChunkList);
    throw plat::EOutOfMemory(pnglang::OutOfMemoryText);
  } catch (...) {
    CutToChunks(ChunkList);
    throw;
  }
  ChunkList.SetCount(n);
  if (!idatSeen) SignalError<EPNGNoImageData>(pnglang::EPNGNoImageDataText);
}
