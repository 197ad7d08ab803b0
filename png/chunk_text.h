// The time and text chunks: they keep what they read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "png/chunk.h"

// The texts of one image keep at most this many bytes in all, the first
// ones whole. Compressed text is inflated only into what the texts before
// it left; one that does not fit stays empty, like a damaged one, and uses
// up the rest, so that no file can make the reader inflate more. Plain text
// counts too; it is kept whatever is left, being no larger than the file.
inline constexpr std::size_t kImageTextBudget = std::size_t{16} << 20;

class TChunktIME : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunktIME(TPNGObject& image) : TChunk(image, Class()) {}
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  std::uint16_t Year = 0;
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint8_t Hour = 0;
  std::uint8_t Minute = 0;
  std::uint8_t Second = 0;
};

class TChunktEXt : public TChunk {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunktEXt(TPNGObject& image) : TChunk(image, Class()) {}
  void CopyChunk(const TChunk& source) override;
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;

  std::string Keyword;
  std::string Text;

 protected:
  TChunktEXt(TPNGObject& image, const TChunkClass& chunkClass) : TChunk(image, chunkClass) {}
  // The payload, keyword and text as a plain text chunk has them.
  void ReadPlainText(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length);
  // Keyword from the bytes before the first zero byte (the whole payload
  // when there is none); returns the keyword's length.
  std::size_t ReadKeyword();
};

class TChunkzTXt : public TChunktEXt {
  PNG_CHUNK_CLASS()

 public:
  explicit TChunkzTXt(TPNGObject& image) : TChunktEXt(image, Class()) {}
  bool ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) override;
};
