#include "png/whole_image_data.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "png/zlib_inflate.h"

namespace {

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

// Compressed data well beyond what the inflated size can need is left to
// the stream, which stops reading once the image is complete.
std::uint64_t CompressedCeiling(std::size_t inflatedSize) {
  return std::uint64_t{inflatedSize} + inflatedSize / 64 + (std::uint64_t{1} << 16);
}

// The gathered payloads, and where each chunk of the run ends. Growing
// never clears the new room first, since the stream's bytes fill it at once.
class TGathered {
 public:
  // Holds, as the first payload, `count` bytes that stay where the stream
  // keeps them: a run of one chunk from memory is never copied.
  void Borrow(const std::uint8_t* bytes, std::size_t count) {
    borrowed_ = bytes;
    size_ = count;
  }
  // Room for `count` more bytes at the end, counted as held.
  std::uint8_t* Extend(std::size_t count) {
    if (borrowed_ != nullptr || size_ + count > capacity_) {
      const std::size_t capacity = std::max(size_ + count, 2 * capacity_);
      std::unique_ptr<std::uint8_t[]> bigger(new std::uint8_t[capacity]);
      if (size_ > 0) std::memcpy(bigger.get(), Data(), size_);
      bytes_ = std::move(bigger);
      capacity_ = capacity;
      borrowed_ = nullptr;
    }
    std::uint8_t* room = bytes_.get() + size_;
    size_ += count;
    return room;
  }
  const std::uint8_t* Data() const { return borrowed_ != nullptr ? borrowed_ : bytes_.get(); }
  std::size_t Size() const { return size_; }

  struct TChunkEnd {
    std::size_t dataEnd;     // gathered bytes up to the end of the chunk's payload
    std::uint64_t streamEnd;  // stream position after its CRC
  };
  // The chunk whose payload has just been gathered ends (its CRC included)
  // at stream position `streamEnd`.
  void EndChunk(std::uint64_t streamEnd) { chunkEnds_.push_back({size_, streamEnd}); }
  // The chunk that holds byte `index` of the gathered data.
  const TChunkEnd& ChunkHolding(std::size_t index) const {
    for (const TChunkEnd& end : chunkEnds_) {
      if (end.dataEnd > index) return end;
    }
    return chunkEnds_.back();
  }

 private:
  const std::uint8_t* borrowed_ = nullptr;
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::vector<TChunkEnd> chunkEnds_;
};

// Reads the payload and CRC of one chunk into `data`; false when the stream
// ends early or the CRC is wrong. The buffer grows only as bytes arrive, so
// a length field that promises more than the stream holds costs little.
bool ReadIntactPayload(plat::TStream& stream, std::uint32_t length, TGathered& data) {
  static const std::uint8_t kType[4] = {'I', 'D', 'A', 'T'};
  constexpr std::uint32_t kBlock = 1u << 20;
  const std::size_t start = data.Size();
  const std::uint8_t* lent = start == 0 ? stream.Lend(length) : nullptr;
  if (lent != nullptr) {
    data.Borrow(lent, length);
    stream.Skip(length);
  }
  for (std::uint32_t left = lent != nullptr ? 0 : length; left > 0;) {
    const std::uint32_t block = left < kBlock ? left : kBlock;
    if (stream.Read(data.Extend(block), block) != block) return false;
    left -= block;
  }
  std::uint8_t stored[4];
  if (stream.Read(stored, 4) != 4) return false;
  const std::uint32_t crc = libdeflate_crc32(libdeflate_crc32(0, kType, 4), data.Data() + start, length);
  if (crc != BigEndian32(stored)) return false;
  data.EndChunk(stream.Position());
  return true;
}

// Gathers the payloads of the run of image-data chunks. On success the
// stream stands behind the last chunk's CRC.
bool GatherRun(plat::TStream& stream, std::uint32_t length, std::size_t inflatedSize, TGathered& data) {
  const std::uint64_t ceiling = CompressedCeiling(inflatedSize);
  for (;;) {
    if (data.Size() + std::uint64_t{length} > ceiling) return false;
    if (!ReadIntactPayload(stream, length, data)) return false;
    const std::uint64_t runEnd = stream.Position();
    std::uint8_t next[8];
    const std::size_t got = stream.Read(next, 8);
    if (got != 8 || std::memcmp(next + 4, "IDAT", 4) != 0) return stream.Rewind(runEnd);
    length = BigEndian32(next);
  }
}

// Where the streaming decoder leaves the stream: behind the chunk from which
// zlib reads the last byte the image needs. That decoder moves on to the next
// chunk whenever it wants output and zlib has used up the chunk in hand, even
// when zlib holds what the last request needs, decoded ahead of it: the
// last symbol having begun by the time that request began.
std::uint64_t StreamingStop(const TGathered& data, const TWholeInflate& whole, std::size_t lastRequestStart) {
  const std::size_t needed = whole.bytesToLastOutput;
  const TGathered::TChunkEnd& holding = data.ChunkHolding(needed - 1);
  const bool decodedAhead = lastRequestStart > 0 && whole.lastSymbolStart <= lastRequestStart;
  return decodedAhead && holding.dataEnd == needed ? data.ChunkHolding(needed).streamEnd : holding.streamEnd;
}

}  // namespace

bool InflateWholeImageData(plat::TStream& stream, std::uint32_t length, std::uint8_t* inflated,
                           std::size_t inflatedSize, std::size_t lastRequest) {
  const std::uint64_t start = stream.Position();
  if (inflatedSize == 0 || inflatedSize > kWholeImageDataCeiling || !stream.Rewind(start)) return false;
  try {
    TGathered data;
    if (GatherRun(stream, length, inflatedSize, data)) {
      const TWholeInflate whole = InflateWholeZlibStream(data.Data(), data.Size(), inflated, inflatedSize);
      if (whole.ok && stream.Rewind(StreamingStop(data, whole, inflatedSize - lastRequest))) return true;
    }
  } catch (const std::bad_alloc&) {
    // Left to the stream, which needs little memory.
  }
  stream.Rewind(start);
  return false;
}
