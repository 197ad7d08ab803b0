#include <cstring>
#include <memory>

#include "png/filters.h"
#include "png/inflate_reader.h"
#include "png/pngimage.h"
#include "png/row_copiers.h"

PNG_DEFINE_CHUNK_CLASS(TChunkIDAT, TChunk)
PNG_DEFINE_CHUNK_CLASS(TChunkIEND, TChunk)

namespace {

// Working state of one decoding: two full-width row buffers (byte 0 the
// filter type), swapped by flipping `current`.
struct TDecoding {
  TChunkIHDR& header;
  TInflateContext& input;
  const TRowCopiers& copiers;
  const std::uint8_t* gamma;
  int width;
  int height;
  int rowLength;
  int pixelStride;
  std::unique_ptr<std::uint8_t[]> rows[2];
  int current = 1;

  std::uint8_t* Current() { return rows[current].get(); }
  std::uint8_t* Previous() { return rows[1 - current].get(); }

  TRowTarget TargetForRow(int y) {
    const std::size_t memoryRow = static_cast<std::size_t>(height - 1 - y);
    std::uint8_t* alpha = header.AlphaPlane ? header.AlphaPlane.get() + static_cast<std::size_t>(y) * width
                                            : nullptr;
    return {header.ColorBits + memoryRow * static_cast<std::size_t>(header.RowStride), alpha, gamma};
  }

  // Reads and unfilters the next row into the current buffer; false when no
  // byte of it arrived.
  bool NextRow() {
    const std::size_t count = static_cast<std::size_t>(rowLength) + 1;
    if (input.ReadImageBytes(Current(), count) == 0) return false;
    UnfilterRow(Current(), Previous(), rowLength, pixelStride);
    return true;
  }
};

void DecodeSequential(TDecoding& d) {
  for (int y = 0; y < d.height; ++y) {
    if (!d.NextRow()) return;
    d.copiers.sequential(d.Current() + 1, d.width, d.rowLength, d.TargetForRow(y));
    d.current = 1 - d.current;
  }
}

int RowByteCount(int pixels, std::uint8_t colorType, std::uint8_t bitDepth) {
  const std::int64_t p = pixels;
  switch (colorType) {
    case 0: case 3: return static_cast<int>((p * bitDepth + 7) / 8);
    case 2: return static_cast<int>(p * bitDepth * 3 / 8);
    case 4: return static_cast<int>(p * bitDepth * 2 / 8);
    case 6: return static_cast<int>(p * bitDepth * 4 / 8);
    default: return 0;
  }
}

void DecodeAdam7(TDecoding& d) {
  for (const TAdam7Pass& pass : kAdam7Passes) {
    const int passWidth = (d.width - pass.firstColumn + pass.columnStep - 1) / pass.columnStep;
    d.rowLength = RowByteCount(passWidth, d.header.ColorType, d.header.BitDepth);
    std::memset(d.Previous(), 0, static_cast<std::size_t>(d.rowLength) + 1);
    if (d.rowLength == 0) continue;  // no bytes at all, not even filter types
    for (int y = pass.firstRow; y < d.height; y += pass.rowStep) {
      if (!d.NextRow()) break;
      d.copiers.adam7(pass, d.Current() + 1, passWidth, d.TargetForRow(y));
      d.current = 1 - d.current;
    }
  }
}

// Grey images index a ramp of 2^bits levels, each through ForwardGamma.
void BuildGrayPalette(TChunkIHDR& header, const std::uint8_t* gamma) {
  if (header.ColorType != 0 && header.ColorType != 4) return;
  const int n = 1 << header.DibInfo.bmiHeader.biBitCount;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t level = gamma[i * 255 / (n - 1)];
    plat::RGBQUAD& entry = header.DibInfo.bmiColors[i];
    entry.rgbBlue = entry.rgbGreen = entry.rgbRed = level;
  }
}

}  // namespace

bool TChunkIDAT::ReadChunk(plat::TStream& stream, const TChunkName& chunkType, std::uint32_t length) {
  TChunkIHDR& header = OwnerHeader();
  const TRowCopiers* copiers = FindRowCopiers(header.ColorType, header.BitDepth);
  // The header passed its own checks, but its data describes no layout this
  // decoder can store.
  if (copiers == nullptr) TPNGObject::SignalError<EPngInvalidIHDR>(pnglang::EPngInvalidIHDRText);
  if (header.UsesPalette) BuildGrayPalette(header, Image.ForwardGamma);

  const TRowMetrics metrics = Image.RawRowMetrics();
  TInflateContext input(stream, chunkType, length);
  TDecoding decoding{header, input, *copiers, Image.ForwardGamma, static_cast<int>(header.Width),
                     static_cast<int>(header.Height), metrics.rowBytes, metrics.pixelStride, {}};
  const std::size_t bufferSize = static_cast<std::size_t>(metrics.rowBytes) + 1;
  decoding.rows[0].reset(new std::uint8_t[bufferSize]());
  decoding.rows[1].reset(new std::uint8_t[bufferSize]());

  if (Image.Interlacing == 1) {
    DecodeAdam7(decoding);
  } else {
    DecodeSequential(decoding);
  }
  input.SkipRestOfChunk();
  input.CheckChunkCrc();
  return true;
}
