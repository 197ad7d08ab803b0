// The chunk framework: the base chunk class, the class records through which
// chunks are made from their type, and the registry of chunk classes.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"

class TPNGObject;
class TChunk;
class TChunkIHDR;

using TChunkName = std::array<std::uint8_t, 4>;

inline TChunkName MakeChunkName(const char (&letters)[5]) {
  return {static_cast<std::uint8_t>(letters[0]), static_cast<std::uint8_t>(letters[1]),
          static_cast<std::uint8_t>(letters[2]), static_cast<std::uint8_t>(letters[3])};
}

// Compared as one 32-bit word, the way a read loop that meets every chunk wants it.
inline bool SameChunkType(const TChunkName& a, const TChunkName& b) {
  std::uint32_t x, y;
  std::memcpy(&x, a.data(), 4);
  std::memcpy(&y, b.data(), 4);
  return x == y;
}

// What the codec knows about a chunk class without an object of it: its
// name, its parent class and its factory.
struct TChunkClass {
  const char* ClassName;      // "TChunkIHDR"
  const TChunkClass* Parent;  // nullptr for TChunk
  std::unique_ptr<TChunk> (*Create)(TPNGObject& image);

  // The class name after the six-letter prefix "TChunk"; empty for TChunk.
  std::string ClassChunkType() const;
  // The same when it has four letters, without making a string; else nullptr.
  const char* FourLetterType() const;
  // True for this class and every class that derives from `other`.
  bool InheritsFrom(const TChunkClass& other) const;
};

template <class C>
std::unique_ptr<TChunk> MakeChunkOfClass(TPNGObject& image) {
  return std::make_unique<C>(image);
}

// Inside a chunk class: its class record and the virtual that reports it.
#define PNG_CHUNK_CLASS()                                             \
 public:                                                              \
  static const TChunkClass& Class();                                  \
  static std::string ClassChunkType() { return Class().ClassChunkType(); } \
  const TChunkClass& ChunkClass() const override { return Class(); }

// In the class's source file.
#define PNG_DEFINE_CHUNK_CLASS(Name, ParentName)                                           \
  const TChunkClass& Name::Class() {                                                       \
    static const TChunkClass record{#Name, &ParentName::Class(), &MakeChunkOfClass<Name>}; \
    return record;                                                                         \
  }

// A chunk's payload bytes. Small payloads (the header's, the empty ones of
// the image data and the end chunk, short texts) are held in the chunk
// itself, so that most chunks of a small picture need no memory of their
// own; larger ones on the heap, which grows as a vector's would. Bytes added
// by resize() are 0.
class TChunkPayload {
 public:
  TChunkPayload(std::size_t size, std::uint8_t value) { resize(size, value); }
  TChunkPayload(const TChunkPayload&) = delete;
  TChunkPayload& operator=(const TChunkPayload&) = delete;

  std::uint8_t* data() { return heap_ ? heap_.get() : inline_; }
  const std::uint8_t* data() const { return heap_ ? heap_.get() : inline_; }
  std::uint8_t* begin() { return data(); }
  const std::uint8_t* begin() const { return data(); }
  std::uint8_t& operator[](std::size_t i) { return data()[i]; }
  std::uint8_t operator[](std::size_t i) const { return data()[i]; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return heap_ ? capacity_ : sizeof inline_; }
  // Keeps the leading bytes; may throw std::bad_alloc.
  void resize(std::size_t size, std::uint8_t value = 0);
  // The same, for bytes about to be read in: of those added only the last
  // is set, to 0.
  void resizeToRead(std::size_t size);

 private:
  void grow(std::size_t size);

  std::unique_ptr<std::uint8_t[]> heap_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::uint8_t inline_[64];
};

class TChunk {
 public:
  // Sets the owning image, a 1-byte payload of size 0 and, when the class
  // stands for a four-letter type, that type.
  TChunk(TPNGObject& image, const TChunkClass& chunkClass);
  explicit TChunk(TPNGObject& image) : TChunk(image, Class()) {}
  virtual ~TChunk() = default;
  TChunk(const TChunk&) = delete;
  TChunk& operator=(const TChunk&) = delete;

  static const TChunkClass& Class();
  static std::string ClassChunkType() { return Class().ClassChunkType(); }
  virtual const TChunkClass& ChunkClass() const { return Class(); }
  bool IsOfClass(const TChunkClass& chunkClass) const {
    return ChunkClass().InheritsFrom(chunkClass);
  }

  virtual void CopyChunk(const TChunk& source);
  // Reads the payload and the stored CRC; the stream is at the first payload
  // byte and is left after the CRC. Every failure is raised.
  virtual bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length);

  void ResizePayload(std::uint32_t n);
  TChunkIHDR& OwnerHeader() const;
  std::string TypeName() const { return std::string(ChunkType.begin(), ChunkType.end()); }

  TChunkName ChunkType{};
  TChunkPayload Payload{1, 0};  // always PayloadSize + 1 bytes
  std::uint32_t PayloadSize = 0;
  TPNGObject& Image;
};

// The registry of chunk classes, in registration order. Lookups take the
// first match, so a duplicate registration never wins.
void AddChunkClass(const TChunkClass& chunkClass);
void InstallStandardChunkClasses();
void ReleaseChunkRegistry();
// The first registered class whose ClassChunkType() equals the type, or
// TChunk; the new chunk carries the requested type.
std::unique_ptr<TChunk> CreateChunkForType(TPNGObject& image, const TChunkName& chunkType);
