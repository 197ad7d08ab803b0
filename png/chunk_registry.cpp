#include <cstring>
#include <memory>

#include "png/pngimage.h"

namespace {

// Created by the first registration, freed at unit shut-down.
std::unique_ptr<TPNGPointerList<const TChunkClass>>& ChunkClassRegistry() {
  static std::unique_ptr<TPNGPointerList<const TChunkClass>> registry;
  return registry;
}

const TChunkClass& FindChunkClass(const TChunkName& chunkType) {
  const auto& registry = ChunkClassRegistry();
  if (registry) {
    for (std::uint32_t i = 0; i < registry->ItemCount(); ++i) {
      const TChunkClass* candidate = registry->ItemAt(i);
      const char* type = candidate->FourLetterType();
      if (type != nullptr && std::memcmp(type, chunkType.data(), 4) == 0) return *candidate;
    }
  }
  return TChunk::Class();
}

}  // namespace

void AddChunkClass(const TChunkClass& chunkClass) {
  auto& registry = ChunkClassRegistry();
  if (!registry) registry = std::make_unique<TPNGPointerList<const TChunkClass>>();
  registry->Append(&chunkClass);
}

void InstallStandardChunkClasses() {
  AddChunkClass(TChunkIEND::Class());
  AddChunkClass(TChunkIHDR::Class());
  AddChunkClass(TChunkIDAT::Class());
  AddChunkClass(TChunkPLTE::Class());
  AddChunkClass(TChunkgAMA::Class());
  AddChunkClass(TChunktRNS::Class());
  AddChunkClass(TChunktIME::Class());
  AddChunkClass(TChunktEXt::Class());
  AddChunkClass(TChunkzTXt::Class());
}

void ReleaseChunkRegistry() { ChunkClassRegistry().reset(); }

std::unique_ptr<TChunk> CreateChunkForType(TPNGObject& image, const TChunkName& chunkType) {
  std::unique_ptr<TChunk> chunk = FindChunkClass(chunkType).Create(image);
  chunk->ChunkType = chunkType;
  return chunk;
}
