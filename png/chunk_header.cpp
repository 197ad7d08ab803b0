#include <algorithm>
#include <cstring>
#include <utility>

#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunkIHDR, TChunk)

namespace {

struct TSpareHeader {
  void* block = nullptr;
  ~TSpareHeader() { ::operator delete(block); }
};
thread_local TSpareHeader spareHeader;

}  // namespace

void* TChunkIHDR::operator new(std::size_t size) {
  if (size == sizeof(TChunkIHDR) && spareHeader.block != nullptr) return std::exchange(spareHeader.block, nullptr);
  return ::operator new(size);
}

void TChunkIHDR::operator delete(void* block, std::size_t size) noexcept {
  if (size == sizeof(TChunkIHDR) && spareHeader.block == nullptr) {
    spareHeader.block = block;
    return;
  }
  ::operator delete(block);
}

TChunkIHDR::~TChunkIHDR() { ReleaseImageBuffers(); }

bool TChunkIHDR::IsImageHeader() const { return Image.ChunkList.ItemAt(0) == this; }

void TChunkIHDR::ParseHeaderFields() {
  const std::uint8_t* p = Payload.data();
  Width = (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  Height = (std::uint32_t{p[4]} << 24) | (std::uint32_t{p[5]} << 16) | (std::uint32_t{p[6]} << 8) | p[7];
  BitDepth = p[8];
  ColorType = p[9];
  CompressionMethod = p[10];
  FilterMethod = p[11];
  InterlaceMethod = p[12];
}

bool TChunkIHDR::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  if (PayloadSize < 13) TPNGObject::SignalError<EPngInvalidIHDR>(pnglang::EPngInvalidIHDRText);
  ParseHeaderFields();
  if (Width > 65535 || Height > 65535) TPNGObject::SignalError<EPNGSizeExceeds>(pnglang::EPNGSizeExceedsText);
  if (CompressionMethod != 0) {
    TPNGObject::SignalError<EPNGUnknownCompression>(pnglang::EPNGUnknownCompressionText);
  }
  if (InterlaceMethod > 1) TPNGObject::SignalError<EPNGUnknownInterlace>(pnglang::EPNGUnknownInterlaceText);
  Image.Interlacing = InterlaceMethod;
  // A later header chunk is kept, but nothing ever draws from its buffers:
  // building them would let a stream of header chunks claim a gigabyte each.
  if (IsImageHeader()) {
    BuildImageBuffers();
    BuffersAllZero = true;
  }
  return true;
}

void TChunkIHDR::CopyChunk(const TChunk& source) {
  if (!source.IsOfClass(Class())) TPNGObject::SignalError<EPngError>(pnglang::EPngErrorIncompatibleChunkText);
  const auto& header = static_cast<const TChunkIHDR&>(source);
  Width = header.Width;
  Height = header.Height;
  BitDepth = header.BitDepth;
  ColorType = header.ColorType;
  CompressionMethod = header.CompressionMethod;
  FilterMethod = header.FilterMethod;
  InterlaceMethod = header.InterlaceMethod;
  if (!IsImageHeader()) return;
  BuildImageBuffers();
  // A source that failed its own checks has no buffers to give.
  if (ColorBits != nullptr && header.ColorBits != nullptr && header.ColorBytes() == ColorBytes()) {
    std::memcpy(ColorBits, header.ColorBits, static_cast<std::size_t>(ColorBytes()));
  }
  if (AlphaPlane && header.AlphaPlane) {
    std::memcpy(AlphaPlane.get(), header.AlphaPlane.get(), static_cast<std::size_t>(AlphaBytes()));
  }
  std::copy(std::begin(header.DibInfo.bmiColors), std::end(header.DibInfo.bmiColors),
            std::begin(DibInfo.bmiColors));
  StoredGamma = header.StoredGamma;
}
