#include "png/inflate_reader.h"

#include <algorithm>
#include <string>

#include "png/pngcrc.h"
#include "png/pngimage.h"

namespace {

[[noreturn]] void RaiseZlibError(int code) {
  TPNGObject::SignalError<EPNGZLIBError>(std::string(pnglang::EPNGZLIBErrorText) +
                                         pnglang::ZlibErrorText(code));
}

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

}  // namespace

TInflateContext::TInflateContext(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length)
    : stream_(stream), input_(new std::uint8_t[kInputBufferSize]) {
  runningCrc_ = UpdateChunkCrc(kChunkCrcStart, chunkType.data(), chunkType.size());
  chunkEnd_ = stream_.Position() + length;
  const int result = inflateInit(&zlib_);
  if (result != Z_OK) RaiseZlibError(result);
}

TInflateContext::~TInflateContext() { inflateEnd(&zlib_); }

std::size_t TInflateContext::ReadIntoCrc(std::uint8_t* buffer, std::size_t count) {
  const std::size_t got = stream_.Read(buffer, count);
  runningCrc_ = UpdateChunkCrc(runningCrc_, buffer, got);
  return got;
}

void TInflateContext::CheckChunkCrc() {
  std::uint8_t stored[4];
  if (stream_.Read(stored, 4) != 4 || BigEndian32(stored) != (runningCrc_ ^ 0xFFFFFFFFu)) {
    TPNGObject::SignalError<EPngInvalidCRC>(pnglang::EPngInvalidCRCText);
  }
}

void TInflateContext::CrossIntoNextChunk() {
  CheckChunkCrc();
  std::uint8_t next[8];
  static const TChunkName IDAT = MakeChunkName("IDAT");
  if (stream_.Read(next, 8) != 8 || !std::equal(IDAT.begin(), IDAT.end(), next + 4)) {
    TPNGObject::SignalError<EPNGMissingMultipleIDAT>(pnglang::EPNGMissingMultipleIDATText);
  }
  runningCrc_ = UpdateChunkCrc(kChunkCrcStart, next + 4, 4);
  chunkEnd_ = stream_.Position() + BigEndian32(next);
}

std::size_t TInflateContext::ReadImageBytes(std::uint8_t* destination, std::size_t count) {
  zlib_.next_out = destination;
  zlib_.avail_out = static_cast<uInt>(count);
  while (zlib_.avail_out > 0) {
    // Chunks are crossed lazily, only when more output is wanted and the
    // buffered input is used up; empty chunks are crossed in turn.
    while (zlib_.avail_in == 0 && stream_.Position() == chunkEnd_) CrossIntoNextChunk();
    if (zlib_.avail_in == 0) {
      const std::uint64_t left = chunkEnd_ - stream_.Position();
      const std::size_t got = ReadIntoCrc(input_.get(), static_cast<std::size_t>(
                                                            std::min<std::uint64_t>(left, kInputBufferSize)));
      if (got == 0) return count - zlib_.avail_out;
      zlib_.next_in = input_.get();
      zlib_.avail_in = static_cast<uInt>(got);
    }
    const int result = inflate(&zlib_, Z_NO_FLUSH);
    if (result < 0 || result == Z_NEED_DICT) RaiseZlibError(result);
    // After its end the compressed stream takes no more input: rows are
    // missing, and calling again would never progress.
    if (result == Z_STREAM_END && zlib_.avail_out > 0 && zlib_.avail_in > 0) {
      TPNGObject::SignalError<EPNGMissingMultipleIDAT>(pnglang::EPNGMissingMultipleIDATText);
    }
  }
  return count;
}

void TInflateContext::SkipRestOfChunk() {
  while (stream_.Position() < chunkEnd_) {
    const std::uint64_t left = chunkEnd_ - stream_.Position();
    if (ReadIntoCrc(input_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(left, kInputBufferSize))) == 0) {
      return;
    }
  }
}
