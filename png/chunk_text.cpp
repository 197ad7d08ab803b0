#include <algorithm>

#include "png/inflate_text.h"
#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunktEXt, TChunk)
PNG_DEFINE_CHUNK_CLASS(TChunkzTXt, TChunktEXt)

std::size_t TChunktEXt::ReadKeyword() {
  const auto begin = Payload.begin();
  const auto end = begin + PayloadSize;
  const auto zero = std::find(begin, end, 0);
  Keyword.assign(begin, zero);
  return Keyword.size();
}

void TChunktEXt::ReadPlainText(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  if (length >= 3) {
    const std::size_t keywordLength = ReadKeyword();
    const std::size_t textStart = std::min<std::size_t>(keywordLength + 1, length);
    Text.assign(Payload.begin() + textStart, Payload.begin() + length);
  }
}

bool TChunktEXt::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  ReadPlainText(stream, chunkType, length);
  Image.SpendTextBudget(Text.size());
  return true;
}

void TChunktEXt::CopyChunk(const TChunk& source) {
  if (!source.IsOfClass(Class())) return;
  const auto& text = static_cast<const TChunktEXt&>(source);
  Keyword = text.Keyword;
  Text = text.Text;
}

bool TChunkzTXt::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  ReadPlainText(stream, chunkType, length);
  if (length < 4) {
    Image.SpendTextBudget(Text.size());
    return true;
  }
  const std::size_t keywordLength = ReadKeyword();
  Text.clear();
  // The compression method is the byte after the keyword's zero byte.
  const std::size_t methodAt = keywordLength + 1;
  if (methodAt >= length || Payload[methodAt] != 0 || Image.TextBudgetLeft() == 0) return true;
  const std::size_t dataAt = methodAt + 1;
  TInflateTextResult inflated = InflateText(Payload.data() + dataAt, length - dataAt, Image.TextBudgetLeft());
  Image.SpendTextBudget(inflated.produced);
  if (inflated.ok) Text = std::move(inflated.bytes);
  return true;
}
