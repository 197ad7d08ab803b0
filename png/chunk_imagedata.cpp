#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "png/all_zero.h"
#include "png/filters.h"
#include "png/inflate_reader.h"
#include "png/pngimage.h"
#include "png/row_copiers.h"
#ifdef FENWILLOW_HAVE_LIBDEFLATE
#include "png/image_data_pieces.h"
#endif

PNG_DEFINE_CHUNK_CLASS(TChunkIDAT, TChunk)
PNG_DEFINE_CHUNK_CLASS(TChunkIEND, TChunk)

namespace {

// Where the decoded rows go, and how they are laid out.
struct TDecoding {
  TChunkIHDR& header;
  const TRowCopiers& copiers;
  TRowUnfilter unfilter;
  const std::uint8_t* gamma;
  int width;
  int height;
  int pixelStride;
  // A row of zero bytes would store zeros where zeros already are: the
  // buffers were just made and the gamma keeps 0.
  bool zeroRowsStoreNothing;

  TRowTarget TargetForRow(int y) const {
    std::uint8_t* alpha = header.AlphaPlane ? header.AlphaPlane.get() + static_cast<std::size_t>(y) * width
                                            : nullptr;
    return {header.StoredColourRow(y), alpha, gamma};
  }
};

// Two full-width row buffers (byte 0 the filter type) over storage held
// elsewhere, swapped by flipping `current`: each row is unfiltered into the
// current one against the other, which starts as zeros.
class TRowPair {
 public:
  TRowPair(std::uint8_t* storage, std::size_t bufferSize) : rows_{storage, storage + bufferSize} {
    std::memset(rows_[0], 0, bufferSize);
  }
  std::uint8_t* Current() const { return rows_[current_]; }
  const std::uint8_t* Previous() const { return rows_[1 - current_]; }
  void StartPass(std::size_t count) { std::memset(rows_[1 - current_], 0, count); }
  void Done() { current_ = 1 - current_; }

 private:
  std::uint8_t* rows_[2];
  int current_ = 1;
};

// Stores image row y as image row y - 1 was stored.
void CopyStoredRowDown(const TDecoding& d, int y) {
  TChunkIHDR& h = d.header;
  if (h.ColorBits != nullptr) std::memcpy(h.StoredColourRow(y), h.StoredColourRow(y - 1), static_cast<std::size_t>(h.RowStride));
  if (h.AlphaPlane) {
    std::uint8_t* alpha = h.AlphaPlane.get() + static_cast<std::size_t>(y) * d.width;
    std::memcpy(alpha, alpha - d.width, static_cast<std::size_t>(d.width));
  }
}

// A filtered row, its filter type first.
struct TFilteredRow {
  const std::uint8_t* bytes;  // nullptr when there is none
  bool zeroPastFirst;         // every byte after the filter type is 0
};

// `next(count)` gives the next filtered row of `count` bytes. Where every
// row arrives whole (`RowsComplete`), a row that repeats the one above
// (filter Up, nothing added) is stored as a copy of that row's stored form,
// and the row buffers stay as they are.
template <bool RowsComplete, class NextRow>
void DecodeSequential(const TDecoding& d, NextRow next, TRowPair& rows, int rowLength) {
  const std::size_t count = static_cast<std::size_t>(rowLength) + 1;
  bool aboveStored = false;
  for (int y = 0; y < d.height; ++y) {
    const TFilteredRow filtered = next(count);
    if (filtered.bytes == nullptr) return;
    const std::uint8_t type = filtered.bytes[0];
    if (RowsComplete && y > 0 && type == 2 && filtered.zeroPastFirst) {
      if (aboveStored) CopyStoredRowDown(d, y);
      continue;
    }
    std::uint8_t* row = rows.Current();
    d.unfilter(row, filtered.bytes, rows.Previous(), rowLength, d.pixelStride);
    // Mostly transparent pictures keep whole pages of their buffers
    // unwritten. Sub, None and the types used unchanged make zeros of zeros
    // only.
    const bool keepsZeros = type < 2 || type > 4;
    aboveStored =
        !d.zeroRowsStoreNothing || !(keepsZeros ? filtered.zeroPastFirst : IsAllZero(row + 1, rowLength));
    if (aboveStored) d.copiers.sequential(row + 1, d.width, rowLength, d.TargetForRow(y));
    rows.Done();
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

int PassWidth(const TAdam7Pass& pass, int width) {
  return (width - pass.firstColumn + pass.columnStep - 1) / pass.columnStep;
}

template <class NextRow>
void DecodeAdam7(const TDecoding& d, NextRow next, TRowPair& rows) {
  for (const TAdam7Pass& pass : kAdam7Passes) {
    const int passWidth = PassWidth(pass, d.width);
    const int rowLength = RowByteCount(passWidth, d.header.ColorType, d.header.BitDepth);
    const std::size_t count = static_cast<std::size_t>(rowLength) + 1;
    rows.StartPass(count);
    if (rowLength == 0) continue;  // no bytes at all, not even filter types
    for (int y = pass.firstRow; y < d.height; y += pass.rowStep) {
      const TFilteredRow filtered = next(count);
      if (filtered.bytes == nullptr) break;
      std::uint8_t* row = rows.Current();
      d.unfilter(row, filtered.bytes, rows.Previous(), rowLength, d.pixelStride);
      d.copiers.adam7(pass, row + 1, passWidth, d.TargetForRow(y));
      rows.Done();
    }
  }
}

#ifdef FENWILLOW_HAVE_LIBDEFLATE
// Bytes of the whole inflated image data, filter-type bytes included, and
// of the last row the streaming decoder asks for.
struct TInflatedSize {
  std::uint64_t total = 0;
  std::uint64_t lastRow = 0;
};

TInflatedSize InflatedSize(const TDecoding& d, int rowLength, bool interlaced) {
  if (!interlaced) return {(std::uint64_t(rowLength) + 1) * std::uint64_t(d.height), std::uint64_t(rowLength) + 1};
  TInflatedSize size;
  for (const TAdam7Pass& pass : kAdam7Passes) {
    const int passLength = RowByteCount(PassWidth(pass, d.width), d.header.ColorType, d.header.BitDepth);
    if (passLength == 0 || d.height <= pass.firstRow) continue;
    const std::uint64_t passRows = std::uint64_t(d.height - pass.firstRow + pass.rowStep - 1) / pass.rowStep;
    size.total += (std::uint64_t(passLength) + 1) * passRows;
    size.lastRow = std::uint64_t(passLength) + 1;
  }
  return size;
}

// Decodes from image data inflated a piece at a time; false when the data
// is not intact or the memory for it cannot be had, with `rowsStored` telling
// whether rows may have been stored by then.
bool DecodeInPieces(const TDecoding& d, plat::TStream& stream, std::uint32_t length, int rowLength,
                    bool interlaced, bool& rowsStored) {
  const TInflatedSize inflatedSize = InflatedSize(d, rowLength, interlaced);
  if (inflatedSize.total == 0) return false;
  const std::size_t rowBuffer = static_cast<std::size_t>(rowLength) + 1;
  try {
    TImageDataPieces pieces(stream, length, inflatedSize.total, rowBuffer);
    TRowPair rows(pieces.RowStorage(), rowBuffer);
    auto next = [&pieces](std::size_t count) {
      const TImageDataPieces::TPiece piece = pieces.Next(count);
      return TFilteredRow{piece.bytes, piece.zeroPastFirst};
    };
    if (interlaced) {
      DecodeAdam7(d, next, rows);
    } else {
      DecodeSequential<true>(d, next, rows, rowLength);
    }
    rowsStored = pieces.AnyHandedOut();
    return pieces.Finish(static_cast<std::size_t>(inflatedSize.lastRow));
  } catch (const std::bad_alloc&) {
    rowsStored = true;
    return false;
  }
}

// Puts the buffers back to the zeros they held before rows were stored.
void ClearStoredRows(TChunkIHDR& header) {
  if (header.ColorBits != nullptr) std::memset(header.ColorBits, 0, static_cast<std::size_t>(header.ColorBytes()));
  if (header.AlphaPlane) std::memset(header.AlphaPlane.get(), 0, static_cast<std::size_t>(header.AlphaBytes()));
}
#endif

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
  const TRowCopiers* copiers = FindRowCopiers(header.ColorType, header.BitDepth, Image.ForwardGamma);
  // The header passed its own checks, but its data describes no layout this
  // decoder can store.
  if (copiers == nullptr) TPNGObject::SignalError<EPngInvalidIHDR>(pnglang::EPngInvalidIHDRText);
  if (header.UsesPalette) BuildGrayPalette(header, Image.ForwardGamma);
  std::copy(Image.ForwardGamma, Image.ForwardGamma + 256, header.StoredGamma.begin());

  const TRowMetrics metrics = Image.RawRowMetrics();
  const bool zeroRowsStoreNothing = header.BuffersAllZero && Image.ForwardGamma[0] == 0;
  header.BuffersAllZero = false;
  const TDecoding decoding{header, *copiers, ChooseRowUnfilter(metrics.pixelStride), Image.ForwardGamma, static_cast<int>(header.Width),
                           static_cast<int>(header.Height), metrics.pixelStride, zeroRowsStoreNothing};
  const bool interlaced = Image.Interlacing == 1;
#ifdef FENWILLOW_HAVE_LIBDEFLATE
  // The fast way needs a stream that can go back, to stream the same bytes
  // when it gives up; what it stored by then is cleared first.
  const std::uint64_t start = stream.Position();
  bool rowsStored = false;
  if (stream.Rewind(start)) {
    if (DecodeInPieces(decoding, stream, length, metrics.rowBytes, interlaced, rowsStored)) return true;
    stream.Rewind(start);
    if (rowsStored) ClearStoredRows(header);
  }
#endif

  // Rows inflated from the stream one at a time, into the current buffer,
  // and unfiltered there; a row of which only some bytes arrive keeps what
  // the buffer held before.
  TInflateContext input(stream, chunkType, length);
  const std::size_t rowBuffer = static_cast<std::size_t>(metrics.rowBytes) + 1;
  const std::unique_ptr<std::uint8_t[]> storage(new std::uint8_t[2 * rowBuffer]());
  TRowPair rows(storage.get(), rowBuffer);
  auto next = [&](std::size_t count) -> TFilteredRow {
    if (input.ReadImageBytes(rows.Current(), count) == 0) return {nullptr, false};
    return {rows.Current(), IsAllZero(rows.Current() + 1, count - 1)};
  };
  if (interlaced) {
    DecodeAdam7(decoding, next, rows);
  } else {
    DecodeSequential<false>(decoding, next, rows, metrics.rowBytes);
  }
  input.SkipRestOfChunk();
  input.CheckChunkCrc();
  return true;
}
