// Test PNG streams built in memory: chunks with correct CRCs (taken with
// zlib's crc32, independent of the codec's), zlib-compressed rows, and small
// helpers to decode them and name the error a decode raises.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/pngimage.h"

namespace pngtest {

using Bytes = std::vector<std::uint8_t>;

inline void PutBE32(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline const Bytes kSignature = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

// One chunk: length, type, payload, CRC (or `crcOverride` when given).
inline Bytes Chunk(const std::string& type, const Bytes& payload, const std::uint32_t* crcOverride = nullptr) {
  Bytes out;
  PutBE32(out, static_cast<std::uint32_t>(payload.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), payload.begin(), payload.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  // crc32 with no buffer answers its start value, so empty payloads skip it.
  if (!payload.empty()) crc = crc32(crc, payload.data(), static_cast<uInt>(payload.size()));
  PutBE32(out, crcOverride ? *crcOverride : static_cast<std::uint32_t>(crc));
  return out;
}

inline Bytes IhdrPayload(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colorType,
                         std::uint8_t interlace = 0, std::uint8_t compression = 0, std::uint8_t filter = 0) {
  Bytes p;
  PutBE32(p, width);
  PutBE32(p, height);
  p.insert(p.end(), {depth, colorType, compression, filter, interlace});
  return p;
}

inline Bytes Deflate(const Bytes& raw, int level = 9) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
  out.resize(size);
  return out;
}

// Assembles a stream: signature, then chunks in the order added.
class PngBuilder {
 public:
  PngBuilder& Add(const std::string& type, const Bytes& payload) {
    Append(Chunk(type, payload));
    return *this;
  }
  PngBuilder& Header(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t colorType,
                     std::uint8_t interlace = 0) {
    return Add("IHDR", IhdrPayload(w, h, depth, colorType, interlace));
  }
  // The raw (filter byte + samples) rows, compressed into one IDAT chunk.
  PngBuilder& Data(const Bytes& rawRows) { return Add("IDAT", Deflate(rawRows)); }
  PngBuilder& End() { return Add("IEND", {}); }
  PngBuilder& Append(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  operator Bytes() const { return bytes_; }

 private:
  Bytes bytes_ = kSignature;
};

inline std::unique_ptr<TPNGObject> Decode(const Bytes& bytes) {
  auto image = std::make_unique<TPNGObject>();
  plat::TBufferStream stream(bytes.data(), bytes.size());
  image->ReadPng(stream);
  return image;
}

struct ReadOutcome {
  std::string errorClass;  // empty on success
  std::string message;
};

// Reads `bytes` into `image` and reports the error class, if any.
inline ReadOutcome ReadInto(TPNGObject& image, const Bytes& bytes) {
  plat::TBufferStream stream(bytes.data(), bytes.size());
  try {
    image.ReadPng(stream);
  } catch (const plat::Exception& e) {
    return {e.ClassName(), e.Message()};
  }
  return {};
}

inline std::string ErrorOf(const Bytes& bytes) {
  TPNGObject image;
  return ReadInto(image, bytes).errorClass;
}

// Types of the chunks in ChunkList, with the class of each: "IHDR:TChunkIHDR ...".
inline std::string ChunkSummary(const TPNGObject& image) {
  std::string out;
  for (std::uint32_t i = 0; i < image.ChunkList.ItemCount(); ++i) {
    const TChunk* c = image.ChunkList.ItemAt(i);
    if (!out.empty()) out += ' ';
    out += c->TypeName() + ":" + c->ChunkClass().ClassName;
  }
  return out;
}

// Unfiltered rows (filter type 0) from the rows' sample bytes.
inline Bytes UnfilteredRows(std::initializer_list<Bytes> rows) {
  Bytes out;
  for (const Bytes& r : rows) {
    out.push_back(0);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

// A whole image in one call: header, one IDAT of the given raw rows, IEND.
inline Bytes SimplePng(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t colorType,
                       const Bytes& rawRows, std::uint8_t interlace = 0) {
  return PngBuilder().Header(w, h, depth, colorType, interlace).Data(rawRows).End();
}

// A 1 x 1 grey image's signature and header, then the length and type of an
// ancillary chunk of almost 4 GiB whose bytes keep coming.
class EndlessChunkStream : public plat::TStream {
 public:
  EndlessChunkStream() : prefix_(PngBuilder().Header(1, 1, 8, 0)) {
    PutBE32(prefix_, 0xFFFFFFF0u);
    prefix_.insert(prefix_.end(), {'a', 'b', 'C', 'd'});
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < count; ++i, ++position_) {
      out[i] = position_ < prefix_.size() ? prefix_[position_] : 0;
    }
    return count;
  }
  void Skip(std::uint64_t count) override { position_ += count; }
  std::uint64_t Position() const override { return position_; }

 private:
  Bytes prefix_;
  std::uint64_t position_ = 0;
};

}  // namespace pngtest
