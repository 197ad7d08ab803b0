// Streaming inflation of the image data across consecutive image-data
// chunks, checking each chunk's CRC as the reader leaves it.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/stream.h"
#include "png/chunk.h"

class TInflateContext {
 public:
  // Compressed input is read in blocks of at most this many bytes.
  static constexpr std::uint32_t kInputBufferSize = 65535;

  // OpenInflate: starts inflation of the chunk whose payload begins at the
  // stream's position; `chunkType` opens the running CRC.
  TInflateContext(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length);
  // CloseInflate.
  ~TInflateContext();
  TInflateContext(const TInflateContext&) = delete;
  TInflateContext& operator=(const TInflateContext&) = delete;

  // Inflates exactly `count` bytes into `destination`, crossing into the
  // following image-data chunks as needed. Fewer arrive only when the stream
  // has no more bytes.
  std::size_t ReadImageBytes(std::uint8_t* destination, std::size_t count);
  // Reads what is left of the current chunk's payload into its CRC.
  void SkipRestOfChunk();
  // Reads the stored CRC of the current chunk and compares it.
  void CheckChunkCrc();

 private:
  void CrossIntoNextChunk();
  std::size_t ReadIntoCrc(std::uint8_t* buffer, std::size_t count);

  plat::TStream& stream_;
  z_stream zlib_{};
  std::unique_ptr<std::uint8_t[]> input_;
  std::uint64_t chunkEnd_ = 0;       // stream offset just past the current chunk's data
  std::uint32_t runningCrc_ = 0;     // over the current chunk's type and data read so far
};
