#include "png/image_data_pieces.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>

#include "png/all_zero.h"

namespace {

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

const std::uint8_t kIdat[4] = {'I', 'D', 'A', 'T'};

// The Adler-32 after `count` zero bytes: the first sum stays, and the second
// grows by it for each of them.
std::uint32_t Adler32AfterZeros(std::uint32_t adler, std::uint64_t count) {
  const std::uint64_t first = adler & 0xFFFF, second = adler >> 16;
  return static_cast<std::uint32_t>((second + count % 65521 * first) % 65521) << 16 | static_cast<std::uint32_t>(first);
}

// The same after a few bytes, summed here rather than through a call.
std::uint32_t Adler32AfterFew(std::uint32_t adler, const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t first = adler & 0xFFFF, second = adler >> 16;
  for (std::size_t i = 0; i < count; ++i) {
    first += bytes[i];
    second += first;
  }
  return (second % 65521) << 16 | first % 65521;
}

// Payload read at a time from a stream that cannot lend its bytes.
constexpr std::uint32_t kReadBlock = 1u << 16;

// The window: large enough to inflate in long runs and to unfilter rows
// while they are still in the processor's caches, small enough to be a
// fixed cost whatever the image. It stays allocated on its thread for the
// next image: memory handed back after every image goes back to the system
// and is faulted in afresh, which costs more than inflating a small image.
constexpr std::size_t kWindowSize = std::size_t{256} << 10;
// How far back a match may reach.
constexpr std::size_t kHistory = std::size_t{32} << 10;

std::uint8_t* KeptWindow(std::size_t size) {
  thread_local std::unique_ptr<std::uint8_t[]> kept;
  thread_local std::size_t keptSize = 0;
  if (size > keptSize) {
    // Forgotten before the new room is asked for, so that a failure leaves
    // no size claimed for memory that is gone.
    kept.reset();
    keptSize = 0;
    kept.reset(new std::uint8_t[size]);
    keptSize = size;
  }
  return kept.get();
}

// A seam gathers at least this much before the inflater goes on: more than
// the longest block header, so that it always gets past the seam.
constexpr std::size_t kSeamGather = 4096;
// Chunk ends are forgotten once they can no longer matter; a run that keeps
// more than this many that still can is left to the stream.
constexpr std::size_t kChunkEndsToForget = 1024;
constexpr std::size_t kChunkEndsCeiling = 4096;

}  // namespace

std::vector<TImageDataChunks::TChunkEnd>& TImageDataChunks::KeptChunkEnds() {
  thread_local std::vector<TChunkEnd> kept;
  kept.clear();
  return kept;
}

TImageDataChunks::TImageDataChunks(plat::TStream& stream, std::uint32_t length)
    : stream_(stream), chunkEnds_(KeptChunkEnds()) {
  chunkLength_ = chunkLeft_ = length;
  crc_ = libdeflate_crc32(0, kIdat, 4);
}

bool TImageDataChunks::NextChunk() {
  const std::uint64_t at = stream_.Position();
  std::uint8_t header[8];
  if (stream_.Read(header, 8) != 8 || std::memcmp(header + 4, kIdat, 4) != 0) {
    ended_ = true;
    broken_ = !stream_.Rewind(at);
    return false;
  }
  chunkLength_ = chunkLeft_ = BigEndian32(header);
  crc_ = libdeflate_crc32(0, kIdat, 4);
  closed_ = false;
  return true;
}

TImageDataChunks::TSpan TImageDataChunks::Span() {
  while (span_.size == 0) {
    if (ended_ || broken_) return {nullptr, 0};
    if (closed_) {
      if (!NextChunk()) return {nullptr, 0};
      continue;
    }
    if (chunkLeft_ > 0 && chunkLeft_ == chunkLength_) {
      // The whole payload and its CRC where the stream holds them.
      if (const std::uint8_t* lent = stream_.Lend(std::size_t{chunkLength_} + 4)) {
        if (libdeflate_crc32(crc_, lent, chunkLength_) != BigEndian32(lent + chunkLength_)) {
          broken_ = true;
          continue;
        }
        stream_.Skip(std::uint64_t{chunkLength_} + 4);
        span_ = {lent, chunkLength_};
        chunkLeft_ = 0;
        chunkEnds_.push_back({dataBefore_ + chunkLength_, stream_.Position()});
        dataBefore_ += chunkLength_;
        closed_ = true;
        continue;
      }
    }
    if (chunkLeft_ > 0) {
      if (!block_) block_.reset(new std::uint8_t[kReadBlock]);
      const std::uint32_t n = std::min(chunkLeft_, kReadBlock);
      if (stream_.Read(block_.get(), n) != n) {
        broken_ = true;
        continue;
      }
      crc_ = libdeflate_crc32(crc_, block_.get(), n);
      chunkLeft_ -= n;
      span_ = {block_.get(), n};
    }
    if (chunkLeft_ == 0) {
      std::uint8_t stored[4];
      if (stream_.Read(stored, 4) != 4 || BigEndian32(stored) != crc_) {
        broken_ = true;
        span_ = {nullptr, 0};
        continue;
      }
      chunkEnds_.push_back({dataBefore_ + chunkLength_, stream_.Position()});
      dataBefore_ += chunkLength_;
      closed_ = true;
    }
  }
  return span_;
}

void TImageDataChunks::Consume(std::size_t count) {
  span_.data += count;
  span_.size -= count;
}

void TImageDataChunks::ForgetChunksBefore(std::uint64_t offset) {
  auto firstKept = std::find_if(chunkEnds_.begin(), chunkEnds_.end(),
                                [offset](const TChunkEnd& end) { return end.dataEnd >= offset; });
  chunkEnds_.erase(chunkEnds_.begin(), firstKept);
}

// The streaming decoder leaves the stream behind the chunk from which zlib
// reads the last byte the image needs. It moves on to the next chunk
// whenever it wants output and zlib has used up the chunk in hand, even
// when zlib holds what the last request needs, decoded ahead of it: the
// last symbol having begun by the time that request began.
bool TImageDataChunks::StreamingStop(std::uint64_t bytesToLastOutput, std::uint64_t lastSymbolStart,
                                     std::uint64_t lastRequestStart, std::uint64_t& stop) {
  auto holding = [this](std::uint64_t index) -> const TChunkEnd* {
    for (const TChunkEnd& end : chunkEnds_) {
      if (end.dataEnd > index) return &end;
    }
    return nullptr;
  };
  const std::uint64_t needed = bytesToLastOutput;
  if (needed == 0) return false;
  // Read on to the end of the chunk after the last byte needed.
  while (holding(needed) == nullptr) {
    const TSpan span = Span();
    if (span.size == 0) return false;
    Consume(span.size);
  }
  const TChunkEnd& last = *holding(needed - 1);
  const bool decodedAhead = lastRequestStart > 0 && lastSymbolStart <= lastRequestStart;
  stop = decodedAhead && last.dataEnd == needed ? holding(needed)->streamEnd : last.streamEnd;
  return true;
}

TImageDataPieces::TImageDataPieces(plat::TStream& stream, std::uint32_t length, std::uint64_t inflatedSize,
                                   std::size_t longestRow)
    : stream_(stream),
      chunks_(stream, length),
      inflater_(inflatedSize, TZlibInflater::TCheck::kByCaller),
      total_(inflatedSize) {
  const std::uint64_t roomy = std::max<std::uint64_t>(kWindowSize, kHistory + 2 * std::uint64_t{longestRow} + 4096);
  capacity_ = static_cast<std::size_t>(std::min(total_, roomy));
  window_ = KeptWindow(capacity_ + 2 * longestRow);
}

TImageDataPieces::~TImageDataPieces() = default;

TImageDataPieces::TPiece TImageDataPieces::Next(std::size_t count) {
  if (handedOut_ + count > total_) failed_ = true;
  while (!failed_ && made_ - handedOut_ < count) failed_ = !Produce();
  if (failed_) return {nullptr, false};
  const std::uint8_t* piece = window_ + (handedOut_ - windowStart_);
  const bool zeroPastFirst = count > 0 && IsAllZero(piece + 1, count - 1);
  if (zeroPastFirst) {
    // The bytes before the zeros are summed as usual, the zeros without
    // being read: a row that repeats the one above, or one of a picture's
    // transparent rows, costs its check nothing more.
    SumUpTo(handedOut_ + 1);
    adler_ = Adler32AfterZeros(adler_, count - 1);
    summed_ = handedOut_ + count;
  }
  handedOut_ += count;
  return {piece, zeroPastFirst};
}

void TImageDataPieces::SumUpTo(std::uint64_t end) {
  if (end <= summed_) return;
  const std::uint8_t* from = window_ + (summed_ - windowStart_);
  const std::size_t count = static_cast<std::size_t>(end - summed_);
  adler_ = count < 16 ? Adler32AfterFew(adler_, from, count) : libdeflate_adler32(adler_, from, count);
  summed_ = end;
}

void TImageDataPieces::MoveWindowOn() {
  // What was handed out may leave the window.
  SumUpTo(handedOut_);
  const std::uint64_t history = made_ > windowStart_ + kHistory ? made_ - kHistory : windowStart_;
  const std::uint64_t keepFrom = std::min(handedOut_, history);
  if (keepFrom == windowStart_) return;
  std::memmove(window_, window_ + (keepFrom - windowStart_), static_cast<std::size_t>(made_ - keepFrom));
  windowStart_ = keepFrom;
}

bool TImageDataPieces::Produce() {
  if (windowStart_ + capacity_ < total_ && capacity_ - (made_ - windowStart_) < capacity_ / 4) MoveWindowOn();
  const std::uint64_t limit = std::min(windowStart_ + capacity_, total_);
  TZlibInflater::TOutput output{window_, window_ + (made_ - windowStart_), window_ + (limit - windowStart_),
                                limit == total_};
  if (input_.next == nullptr && !FeedInput()) return false;
  for (;;) {
    const TZlibInflater::TStatus status = inflater_.Inflate(input_, output);
    made_ = windowStart_ + static_cast<std::uint64_t>(output.next - window_);
    if (status == TZlibInflater::TStatus::kDone) {
      done_ = true;
      return true;
    }
    if (status == TZlibInflater::TStatus::kOutputFull) return true;
    if (status == TZlibInflater::TStatus::kRefused || !FeedInput()) return false;
  }
}

bool TImageDataPieces::FeedInput() {
  if (chunks_.KnownChunks() > kChunkEndsToForget) {
    chunks_.ForgetChunksBefore(inflater_.BytesToLastOutput());
    if (chunks_.KnownChunks() > kChunkEndsCeiling) return false;
  }
  std::size_t leftover = 0;
  if (inSeam_) {
    const std::size_t used = static_cast<std::size_t>(input_.next - seam_);
    const std::size_t size = static_cast<std::size_t>(input_.end - seam_);
    if (seamBorrowed_ > 0 && used >= size - seamBorrowed_) {
      // Past the seam, inside the bytes it copied from the chunks' span:
      // on from there in the span itself.
      chunks_.Consume(used - (size - seamBorrowed_));
      seamBorrowed_ = 0;
      inSeam_ = false;
    } else {
      // Still short inside the seam: what is left moves to its front, and
      // the bytes it copied from the span are taken from it for good.
      chunks_.Consume(seamBorrowed_);
      seamBorrowed_ = 0;
      leftover = size - used;
      if (leftover > sizeof seam_ - kSeamGather) return false;
      std::memmove(seam_, input_.next, leftover);
    }
  } else if (input_.next != nullptr) {
    const TImageDataChunks::TSpan span = chunks_.Span();
    chunks_.Consume(span.size - static_cast<std::size_t>(input_.end - input_.next));
    leftover = static_cast<std::size_t>(input_.end - input_.next);
    if (leftover > 0) {
      if (leftover > sizeof seam_ - kSeamGather) return false;
      std::memcpy(seam_, input_.next, leftover);
      chunks_.Consume(leftover);
      inSeam_ = true;
    }
  }
  if (!inSeam_) {
    const TImageDataChunks::TSpan span = chunks_.Span();
    if (span.size == 0) return false;
    input_ = {span.data, span.data + span.size, false};
    return true;
  }
  // A symbol or header crosses into the next span: the seam gathers what is
  // left with the bytes that follow, lending the last of them from the span.
  std::size_t size = leftover;
  bool final = false;
  while (size < kSeamGather) {
    const TImageDataChunks::TSpan span = chunks_.Span();
    if (span.size == 0) {
      final = true;
      break;
    }
    const std::size_t room = sizeof seam_ - size;
    if (span.size <= room) {
      std::memcpy(seam_ + size, span.data, span.size);
      size += span.size;
      chunks_.Consume(span.size);
    } else {
      std::memcpy(seam_ + size, span.data, room);
      size += room;
      seamBorrowed_ = room;
    }
  }
  if (chunks_.Broken()) return false;
  input_ = {seam_, seam_ + size, final};
  return true;
}

bool TImageDataPieces::Finish(std::size_t lastRequest) {
  if (failed_ || !done_ || handedOut_ != total_) return false;
  SumUpTo(total_);
  if (adler_ != inflater_.StoredCheck()) return false;
  std::uint64_t stop = 0;
  return chunks_.StreamingStop(inflater_.BytesToLastOutput(), inflater_.LastSymbolStart(), total_ - lastRequest,
                               stop) &&
         stream_.Rewind(stop);
}
