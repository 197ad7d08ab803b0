#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "png/pngimage.h"

namespace {

// Created by the first registration, freed at unit shut-down.
std::unique_ptr<TPNGPointerList<const TChunkClass>>& ChunkClassRegistry() {
  static std::unique_ptr<TPNGPointerList<const TChunkClass>> registry;
  return registry;
}

// The four letters each registered class stands for, in registration order
// (none for a class whose name has no four): every chunk read looks there.
std::vector<std::pair<TChunkName, bool>>& RegisteredTypes() {
  static std::vector<std::pair<TChunkName, bool>> types;
  return types;
}

const TChunkClass& FindChunkClass(const TChunkName& chunkType) {
  const auto& registry = ChunkClassRegistry();
  if (registry) {
    const auto& types = RegisteredTypes();
    for (std::uint32_t i = 0; i < registry->ItemCount(); ++i) {
      if (types[i].second && SameChunkType(types[i].first, chunkType)) return *registry->ItemAt(i);
    }
  }
  return TChunk::Class();
}

}  // namespace

void AddChunkClass(const TChunkClass& chunkClass) {
  auto& registry = ChunkClassRegistry();
  if (!registry) registry = std::make_unique<TPNGPointerList<const TChunkClass>>();
  registry->Append(&chunkClass);
  TChunkName type{};
  const char* letters = chunkClass.FourLetterType();
  if (letters != nullptr) std::memcpy(type.data(), letters, 4);
  RegisteredTypes().emplace_back(type, letters != nullptr);
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

void ReleaseChunkRegistry() {
  ChunkClassRegistry().reset();
  RegisteredTypes().clear();
}

std::unique_ptr<TChunk> CreateChunkForType(TPNGObject& image, const TChunkName& chunkType) {
  std::unique_ptr<TChunk> chunk = FindChunkClass(chunkType).Create(image);
  chunk->ChunkType = chunkType;
  return chunk;
}
