// The fast way in for image data that arrives intact: the run of image-data
// chunks is inflated by zlib's rules, every CRC checked, a piece at a time
// into a window that holds the rows not yet handed out and the 32 KiB a
// match may reach back. Neither the compressed nor the inflated data is held
// whole, whatever the image's size. Anything unusual (a bad CRC, data zlib
// would refuse or read otherwise, data that inflates to any size but the
// image's) makes it give up, so that the streaming decoder can read the
// same bytes from the start and decide what they mean.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/stream.h"
#include "png/zlib_inflate.h"

// The run of image-data chunks, as spans of payload bytes. It lends the
// bytes of a stream that holds them in memory, and reads the others in
// blocks; each chunk's CRC is checked before its last bytes are given out.
class TImageDataChunks {
 public:
  // The stream stands at the first payload byte of a chunk of `length` bytes.
  TImageDataChunks(plat::TStream& stream, std::uint32_t length);

  // The bytes at hand from the current chunk: none once the run has ended or
  // the data is found damaged (Broken()).
  struct TSpan {
    const std::uint8_t* data;
    std::size_t size;
  };
  TSpan Span();
  void Consume(std::size_t count);
  bool Broken() const { return broken_; }

  // Where the streaming decoder leaves the stream (see the .cpp file), reading
  // on as far as that needs; false when it cannot be known.
  bool StreamingStop(std::uint64_t bytesToLastOutput, std::uint64_t lastSymbolStart,
                     std::uint64_t lastRequestStart, std::uint64_t& stop);
  // Forgets the chunks that end before the byte `offset` of the data.
  void ForgetChunksBefore(std::uint64_t offset);
  std::size_t KnownChunks() const { return chunkEnds_.size(); }

 private:
  bool NextChunk();

  struct TChunkEnd {
    std::uint64_t dataEnd;    // bytes of image data up to the end of the chunk's payload
    std::uint64_t streamEnd;  // stream position after its CRC
  };
  static std::vector<TChunkEnd>& KeptChunkEnds();

  plat::TStream& stream_;
  std::uint32_t chunkLength_ = 0;
  std::uint32_t chunkLeft_ = 0;  // payload bytes not yet given out as a span
  std::uint32_t crc_ = 0;        // over the type and the payload read so far
  std::uint64_t dataBefore_ = 0;  // image data of the chunks before the current one
  TSpan span_{nullptr, 0};
  bool closed_ = false;  // the current chunk's CRC is checked
  bool ended_ = false;
  bool broken_ = false;
  std::unique_ptr<std::uint8_t[]> block_;  // for streams that cannot lend
  // Kept on the thread, emptied for each run: most runs record a few.
  std::vector<TChunkEnd>& chunkEnds_;
};

// The inflated image data, handed out a row at a time. The Adler-32 of the
// data is summed here, as the rows go out: a row whose bytes after the
// first (its filter type) are all zero is summed without reading them again.
class TImageDataPieces {
 public:
  // `inflatedSize`: bytes of all rows with their filter bytes; `longestRow`:
  // the largest piece asked for at once.
  TImageDataPieces(plat::TStream& stream, std::uint32_t length, std::uint64_t inflatedSize,
                   std::size_t longestRow);
  ~TImageDataPieces();
  TImageDataPieces(const TImageDataPieces&) = delete;
  TImageDataPieces& operator=(const TImageDataPieces&) = delete;

  struct TPiece {
    const std::uint8_t* bytes;  // nullptr once the data is found not to be intact
    bool zeroPastFirst;         // every byte after the first is 0
  };
  // The next `count` bytes, valid until the next call.
  TPiece Next(std::size_t count);
  bool AnyHandedOut() const { return handedOut_ > 0; }
  // Room for two rows of `longestRow` bytes, kept with the window.
  std::uint8_t* RowStorage() const { return window_ + capacity_; }
  // After the last piece, `lastRequest` bytes long: true when the data ended
  // exactly there, its check value and every CRC right; the stream then
  // stands where the streaming decoder would leave it.
  bool Finish(std::size_t lastRequest);

 private:
  bool Produce();
  bool FeedInput();
  void MoveWindowOn();
  // Sums the bytes handed out before `end` (an offset into the data).
  void SumUpTo(std::uint64_t end);

  plat::TStream& stream_;
  TImageDataChunks chunks_;
  TZlibInflater inflater_;
  std::uint64_t total_;
  bool failed_ = false;
  bool done_ = false;

  // The window: inflated bytes from `windowStart_` of the data on.
  std::uint8_t* window_ = nullptr;
  std::size_t capacity_ = 0;
  std::uint64_t windowStart_ = 0;
  std::uint64_t made_ = 0;     // inflated so far
  std::uint64_t handedOut_ = 0;
  std::uint64_t summed_ = 0;   // of those handed out, the ones in adler_
  std::uint32_t adler_ = 1;

  // Input given to the inflater: a span of the chunks, or a seam where a
  // symbol or block header crosses from one span into the next.
  TZlibInflater::TInput input_{nullptr, nullptr, false};
  bool inSeam_ = false;
  std::size_t seamBorrowed_ = 0;  // trailing seam bytes still part of the chunks' span
  std::uint8_t seam_[8192];
};
