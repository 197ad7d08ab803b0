// Reading one PNG stream both ways the decoder has: through the whole-buffer
// fast path (a stream that can rewind) and streaming through zlib (a stream
// that cannot). What each read leaves behind, and what it read after the
// image data, must be the same. Shared by the fast-path tests and the
// differential fuzz target.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/pngimage.h"

namespace pngtest {

// A stream over bytes in memory that notes every read and skip. One that
// may rewind forgets its notes when it does, so that they end up holding
// what was read after the last time it went back. One that does not lend
// makes the fast path read its bytes as from a file.
class TNotingStream : public plat::TStream {
 public:
  struct TAccess {
    std::uint64_t position;
    std::uint64_t count;
    bool skip;
    bool operator==(const TAccess& o) const { return position == o.position && count == o.count && skip == o.skip; }
  };

  TNotingStream(const std::uint8_t* data, std::size_t size, bool rewindable, bool lends)
      : inner_(data, size), rewindable_(rewindable), lends_(lends) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    notes.push_back({inner_.Position(), count, false});
    return inner_.Read(buffer, count);
  }
  void Skip(std::uint64_t count) override {
    notes.push_back({inner_.Position(), count, true});
    inner_.Skip(count);
  }
  std::uint64_t Position() const override { return inner_.Position(); }
  const std::uint8_t* Lend(std::size_t count) const override { return lends_ ? inner_.Lend(count) : nullptr; }
  bool Rewind(std::uint64_t position) override {
    if (!rewindable_) return false;
    // Going back further than a chunk header: the fast path giving up.
    if (inner_.Position() > position + 8) ++fallbacks;
    notes.clear();
    return inner_.Rewind(position);
  }

  std::vector<TAccess> notes;
  int fallbacks = 0;

 private:
  plat::TBufferStream inner_;
  bool rewindable_;
  bool lends_;
};

// Size and CRC-32 of a buffer: images may be large, and two reads are compared.
struct TDigest {
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool operator!=(const TDigest& o) const { return size != o.size || crc != o.crc; }
};

inline TDigest DigestOf(const std::uint8_t* data, std::uint64_t size) {
  TDigest digest{size, static_cast<std::uint32_t>(crc32(0, nullptr, 0))};
  for (std::uint64_t at = 0; at < size; at += 1u << 30) {
    const auto step = static_cast<uInt>(std::min<std::uint64_t>(size - at, 1u << 30));
    digest.crc = static_cast<std::uint32_t>(crc32(digest.crc, data + at, step));
  }
  return digest;
}

struct TReadOutcome {
  std::string error, message, chunks;
  TDigest colour, alpha, palette;
  std::uint64_t position = 0;
  std::vector<TNotingStream::TAccess> notes;
  int fallbacks = 0;
};

inline TReadOutcome ReadNoting(const std::uint8_t* data, std::size_t size, bool rewindable, bool lends = true) {
  TReadOutcome out;
  TNotingStream stream(data, size, rewindable, lends);
  TPNGObject image;
  try {
    image.ReadPng(stream);
  } catch (const plat::Exception& e) {
    out.error = e.ClassName();
    out.message = e.Message();
  }
  out.position = stream.Position();
  out.notes = std::move(stream.notes);
  out.fallbacks = stream.fallbacks;
  for (std::uint32_t i = 0; i < image.ChunkList.ItemCount(); ++i) {
    const TChunk* c = image.ChunkList.ItemAt(i);
    out.chunks += c->TypeName() + ":" + c->ChunkClass().ClassName + " ";
  }
  if (image.HasHeader()) {
    const TChunkIHDR& h = image.RequireHeader();
    if (h.ColorBits) out.colour = DigestOf(h.ColorBits, h.ColorBytes());
    if (h.AlphaPlane) out.alpha = DigestOf(h.AlphaPlane.get(), h.AlphaBytes());
    out.palette = DigestOf(reinterpret_cast<const std::uint8_t*>(h.DibInfo.bmiColors), 256 * 4);
  }
  return out;
}

// How the fast read differs from the streamed one; empty when it does not.
inline std::string TwoPathDifference(const TReadOutcome& fast, const TReadOutcome& streamed) {
  if (fast.error != streamed.error) return "error class " + fast.error + " against " + streamed.error;
  if (fast.message != streamed.message) return "message " + fast.message + " against " + streamed.message;
  if (fast.chunks != streamed.chunks) return "chunks " + fast.chunks + " against " + streamed.chunks;
  if (fast.position != streamed.position) {
    return "position " + std::to_string(fast.position) + " against " + std::to_string(streamed.position);
  }
  if (fast.colour != streamed.colour) return "colour data";
  if (fast.alpha != streamed.alpha) return "alpha plane";
  if (fast.palette != streamed.palette) return "colour table";
  // What the fast read did after it last went back must be what the
  // streamed read did last: the same reads from the same places.
  if (fast.notes.size() > streamed.notes.size() ||
      !std::equal(fast.notes.begin(), fast.notes.end(), streamed.notes.end() - fast.notes.size())) {
    return "reads after the image data";
  }
  return {};
}

}  // namespace pngtest
