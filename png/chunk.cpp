#include <algorithm>
#include <cstring>

#include "png/pngcrc.h"
#include "png/pngimage.h"

namespace {

// Payloads grow by at most this much per read, as bytes actually arrive, so
// a length field far beyond the stream's size costs no more memory than the
// bytes that are there.
constexpr std::uint32_t kPayloadReadStep = std::uint32_t{1} << 20;

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

}  // namespace

std::string TChunkClass::ClassChunkType() const {
  const std::string name = ClassName;
  return name.size() > 6 ? name.substr(6) : std::string();
}

const char* TChunkClass::FourLetterType() const {
  return std::strlen(ClassName) == 10 ? ClassName + 6 : nullptr;
}

bool TChunkClass::InheritsFrom(const TChunkClass& other) const {
  for (const TChunkClass* c = this; c != nullptr; c = c->Parent) {
    if (c == &other) return true;
  }
  return false;
}

const TChunkClass& TChunk::Class() {
  static const TChunkClass record{"TChunk", nullptr, &MakeChunkOfClass<TChunk>};
  return record;
}

void TChunkPayload::resize(std::size_t size, std::uint8_t value) {
  grow(size);
  if (size > size_) {
    // A few bytes, mostly: one store of sixteen where there is room for it
    // (the bytes past the size are never read), rather than a call.
    if (size - size_ <= 16 && capacity() - size_ >= 16) {
      std::memset(data() + size_, value, 16);
    } else {
      std::memset(data() + size_, value, size - size_);
    }
  }
  size_ = size;
}

void TChunkPayload::resizeToRead(std::size_t size) {
  grow(size);
  if (size > size_) data()[size - 1] = 0;
  size_ = size;
}

void TChunkPayload::grow(std::size_t size) {
  if (size <= capacity()) return;
  const std::size_t capacity = std::max(size, 2 * this->capacity());
  std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[capacity]);
  std::memcpy(bigger.get(), data(), size_);
  heap_ = std::move(bigger);
  capacity_ = capacity;
}

TChunk::TChunk(TPNGObject& image, const TChunkClass& chunkClass) : Image(image) {
  if (const char* type = chunkClass.FourLetterType()) std::memcpy(ChunkType.data(), type, 4);
}

void TChunk::ResizePayload(std::uint32_t n) {
  PayloadSize = n;
  Payload.resize(std::size_t{n} + 1);
}

TChunkIHDR& TChunk::OwnerHeader() const { return Image.RequireHeader(); }

void TChunk::CopyChunk(const TChunk& source) {
  ChunkType = source.ChunkType;
  ResizePayload(source.PayloadSize);
  std::copy(source.Payload.begin(), source.Payload.begin() + source.PayloadSize, Payload.begin());
}

bool TChunk::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  ResizePayload(0);
  std::uint32_t received = 0;
  while (received < length) {
    const std::uint32_t step = std::min(length - received, kPayloadReadStep);
    // The read fills what is added, but the byte after the payload.
    PayloadSize = received + step;
    Payload.resizeToRead(std::size_t{PayloadSize} + 1);
    const std::size_t got = stream.Read(Payload.data() + received, step);
    received += static_cast<std::uint32_t>(got);
    if (got < step) {
      ResizePayload(received);
      Payload[received] = 0;
      TPNGObject::SignalError<EPngInvalidCRC>(pnglang::EPngInvalidCRCText);
    }
  }
  std::uint8_t stored[4];
  if (stream.Read(stored, 4) != 4) TPNGObject::SignalError<EPngInvalidCRC>(pnglang::EPngInvalidCRCText);
  std::uint32_t crc = UpdateChunkCrc(kChunkCrcStart, chunkType.data(), 4);
  crc = UpdateChunkCrc(crc, Payload.data(), PayloadSize);
  if ((crc ^ 0xFFFFFFFFu) != BigEndian32(stored)) {
    TPNGObject::SignalError<EPngInvalidCRC>(pnglang::EPngInvalidCRCText);
  }
  return true;
}

TChunk* TPNGList::FirstOfClass(const TChunkClass& chunkClass) const {
  for (std::uint32_t i = 0; i < ItemCount(); ++i) {
    TChunk* chunk = ItemAt(i);
    if (chunk != nullptr && chunk->IsOfClass(chunkClass)) return chunk;
  }
  return nullptr;
}
