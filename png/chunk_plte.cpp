#include "png/pngimage.h"

PNG_DEFINE_CHUNK_CLASS(TChunkPLTE, TChunk)

bool TChunkPLTE::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunk::ReadChunk(stream, chunkType, length);
  if (length % 3 != 0 || length / 3 > 256) {
    TPNGObject::SignalError<EPNGInvalidPalette>(pnglang::EPNGInvalidPaletteText);
  }
  EntryCount = length / 3;
  // Only an indexed image takes its colours from the palette: a grey image's
  // colour table is its grey ramp, and colour images have none.
  TChunkIHDR& header = OwnerHeader();
  if (header.ColorType != 3) return true;
  // Corrected with the gamma in force now; a later gamma chunk does not
  // change the palette.
  const std::uint8_t* gamma = Image.ForwardGamma;
  plat::RGBQUAD* colours = header.DibInfo.bmiColors;
  for (std::uint32_t i = 0; i < EntryCount; ++i) {
    const std::uint8_t* rgb = Payload.data() + 3 * i;
    colours[i] = {gamma[rgb[2]], gamma[rgb[1]], gamma[rgb[0]], 0};
  }
  return true;
}

void TChunkPLTE::CopyChunk(const TChunk& source) {
  if (!source.IsOfClass(Class())) TPNGObject::SignalError<EPngError>(pnglang::EPngErrorIncompatibleChunkText);
  EntryCount = static_cast<const TChunkPLTE&>(source).EntryCount;
}

std::uint32_t TChunkPLTE::PaletteEntry(std::uint32_t index) const {
  if (index >= EntryCount) TPNGObject::SignalError<EPngError>(pnglang::EPngErrorNoPaletteEntryText);
  const plat::RGBQUAD& c = OwnerHeader().DibInfo.bmiColors[index];
  return (std::uint32_t{c.rgbRed} << 16) | (std::uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
}
