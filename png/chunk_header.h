// The header chunk: the header fields and the image buffers they describe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/wintypes.h"
#include "png/alpha_runs.h"
#include "png/chunk.h"

// Colour data plus alpha plane above this many bytes (1 GiB) is refused with
// EPNGOutMemory before anything is allocated. A 32-bit process has 2 GiB of
// address space, and drawing an image needs a 32-bit surface of its size
// besides these buffers, so no picture such a process can hold and draw
// needs more.
inline constexpr std::uint64_t kImageMemoryCeiling = std::uint64_t{1} << 30;

// Bits per pixel of ColorBits for a colour type and bit depth; 0 when the
// combination has no layout.
int ColorBitsPerPixel(std::uint8_t colorType, std::uint8_t bitDepth);

class TChunkIHDR : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunkIHDR(TPNGObject& image) : TChunk(image, Class()) {}
  ~TChunkIHDR() override;

  // Programs read many small pictures one after another, a header each.
  // This object is larger than the blocks the allocator keeps at hand for
  // each thread, so the last one freed is kept for the next.
  static void* operator new(std::size_t size);
  static void operator delete(void* block, std::size_t size) noexcept;

  void CopyChunk(const TChunk& source) override;
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  void BuildImageBuffers();
  void ReleaseImageBuffers();
  // True when this chunk is its image's header (the first chunk); only that
  // one holds image buffers.
  bool IsImageHeader() const;
  // Bytes of ColorBits (RowStride x Height, 0 without colour memory) and of
  // the alpha plane.
  std::uint64_t ColorBytes() const;
  std::uint64_t AlphaBytes() const;
  bool HasAlphaPlane() const { return ColorType == 4 || ColorType == 6; }

  // Header fields, in stream order.
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint8_t BitDepth = 0;
  std::uint8_t ColorType = 0;
  std::uint8_t CompressionMethod = 0;
  std::uint8_t FilterMethod = 0;
  std::uint8_t InterlaceMethod = 0;

  // Image buffers.
  // Aligned as the platform calls expect a bitmap description to be.
  alignas(4) plat::BITMAPINFO256 DibInfo{};
  bool UsesPalette = false;
  std::int32_t RowStride = 0;
  std::uint8_t* ColorBits = nullptr;  // memory of DibSection
  // Image row y (from the top) of ColorBits, which are stored bottom-up.
  std::uint8_t* StoredColourRow(int y) const {
    return ColorBits + (static_cast<std::ptrdiff_t>(Height) - 1 - y) * RowStride;
  }
  struct TFreeMemory {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  // Zeroed; large ones from calloc, whose fresh pages stay untouched until
  // written.
  std::unique_ptr<std::uint8_t[], TFreeMemory> AlphaPlane;
  plat::HBITMAP DibSection = nullptr;
  // The image's ForwardGamma as it was when the image data was decoded into
  // ColorBits and the grey ramp: the identity until then. A later gAMA
  // chunk, or a copy, leaves the stored colours as they are.
  std::array<std::uint8_t, 256> StoredGamma{};
  // What alpha drawing learned from ColorBits and AlphaPlane.
  std::unique_ptr<TAlphaRuns> AlphaRuns;
  // Identifies the content of the buffers: unique in the process, and new
  // whenever they are rebuilt, released or handed out for writing
  // (AlphaRow, ColorRow), which also forgets AlphaRuns.
  std::uint64_t ContentGeneration = 0;
  // Whoever writes the buffers through these members directly calls this.
  void ContentChanged();
  // True from reading the header until the image data is decoded: the
  // buffers hold nothing but zeros, so rows of zeros need not be stored.
  bool BuffersAllZero = false;

 private:
  void ParseHeaderFields();
};
