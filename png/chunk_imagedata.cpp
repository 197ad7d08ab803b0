#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "png/filters.h"
#include "png/inflate_reader.h"
#include "png/pngimage.h"
#include "png/row_copiers.h"
#ifdef FENWILLOW_HAVE_LIBDEFLATE
#include "png/whole_image_data.h"
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

// Rows inflated one at a time into two full-width buffers (byte 0 the
// filter type), swapped by flipping `current`.
class TStreamedRows {
 public:
  TStreamedRows(TInflateContext& input, std::size_t bufferSize) : input_(input) {
    rows_[0].reset(new std::uint8_t[bufferSize]());
    rows_[1].reset(new std::uint8_t[bufferSize]());
  }
  // The next row of `count` bytes, or nullptr when no byte of it arrived.
  std::uint8_t* Next(std::size_t count) {
    return input_.ReadImageBytes(rows_[current_].get(), count) == 0 ? nullptr : rows_[current_].get();
  }
  const std::uint8_t* Previous() const { return rows_[1 - current_].get(); }
  void StartPass(std::size_t count) { std::memset(rows_[1 - current_].get(), 0, count); }
  void Done() { current_ = 1 - current_; }

 private:
  TInflateContext& input_;
  std::unique_ptr<std::uint8_t[]> rows_[2];
  int current_ = 1;
};

#ifdef FENWILLOW_HAVE_LIBDEFLATE
// Rows inflated beforehand, one after another: each is unfiltered in place
// against the row before it.
class TInflatedRows {
 public:
  TInflatedRows(std::uint8_t* data, std::size_t fullRowSize) : next_(data), zeros_(new std::uint8_t[fullRowSize]()) {}
  std::uint8_t* Next(std::size_t count) {
    current_ = next_;
    next_ += count;
    return current_;
  }
  const std::uint8_t* Previous() const { return previous_; }
  void StartPass(std::size_t) { previous_ = zeros_.get(); }
  void Done() { previous_ = current_; }

 private:
  std::uint8_t* next_;
  std::uint8_t* current_ = nullptr;
  std::unique_ptr<std::uint8_t[]> zeros_;
  const std::uint8_t* previous_ = zeros_.get();
};
#endif

bool IsAllZero(const std::uint8_t* bytes, int count) {
  std::uint64_t any = 0;
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    any |= word;
  }
  for (; i < count; ++i) any |= bytes[i];
  return any == 0;
}

template <class Rows>
void DecodeSequential(const TDecoding& d, Rows& rows, int rowLength) {
  const std::size_t count = static_cast<std::size_t>(rowLength) + 1;
  for (int y = 0; y < d.height; ++y) {
    std::uint8_t* row = rows.Next(count);
    if (row == nullptr) return;
    d.unfilter(row, rows.Previous(), rowLength, d.pixelStride);
    // Mostly transparent pictures keep whole pages of their buffers unwritten.
    if (!d.zeroRowsStoreNothing || !IsAllZero(row + 1, rowLength)) {
      d.copiers.sequential(row + 1, d.width, rowLength, d.TargetForRow(y));
    }
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

template <class Rows>
void DecodeAdam7(const TDecoding& d, Rows& rows) {
  for (const TAdam7Pass& pass : kAdam7Passes) {
    const int passWidth = PassWidth(pass, d.width);
    const int rowLength = RowByteCount(passWidth, d.header.ColorType, d.header.BitDepth);
    const std::size_t count = static_cast<std::size_t>(rowLength) + 1;
    rows.StartPass(count);
    if (rowLength == 0) continue;  // no bytes at all, not even filter types
    for (int y = pass.firstRow; y < d.height; y += pass.rowStep) {
      std::uint8_t* row = rows.Next(count);
      if (row == nullptr) break;
      d.unfilter(row, rows.Previous(), rowLength, d.pixelStride);
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

// Room for the inflated image data. Up to kKeptSize it stays allocated on
// its thread for the next decoding: memory handed back after every image
// goes back to the system and is faulted in afresh, which costs more than
// inflating a small image. Throws std::bad_alloc when the room cannot be had.
class TInflateScratch {
 public:
  static constexpr std::size_t kKeptSize = std::size_t{16} << 20;

  explicit TInflateScratch(std::size_t size) {
    if (size > kKeptSize) {
      own_.reset(new std::uint8_t[size]);
      data_ = own_.get();
      return;
    }
    thread_local std::unique_ptr<std::uint8_t[]> kept;
    thread_local std::size_t keptSize = 0;
    if (size > keptSize) {
      // Forgotten before the new room is asked for, so that a failure
      // leaves no size claimed for memory that is gone.
      kept.reset();
      keptSize = 0;
      kept.reset(new std::uint8_t[size]);
      keptSize = size;
    }
    data_ = kept.get();
  }
  std::uint8_t* Data() const { return data_; }

 private:
  std::unique_ptr<std::uint8_t[]> own_;
  std::uint8_t* data_ = nullptr;
};

// Decodes from image data inflated in one call; false, with nothing
// decoded and the stream where it was, when the data is not intact or the
// memory for it cannot be had.
bool DecodeWhole(const TDecoding& d, plat::TStream& stream, std::uint32_t length, int rowLength,
                 bool interlaced) {
  const TInflatedSize inflatedSize = InflatedSize(d, rowLength, interlaced);
  const std::uint64_t size = inflatedSize.total;
  if (size == 0 || size > kWholeImageDataCeiling || !stream.Rewind(stream.Position())) return false;
  std::unique_ptr<TInflateScratch> inflated;
  std::unique_ptr<TInflatedRows> rows;
  try {
    inflated = std::make_unique<TInflateScratch>(static_cast<std::size_t>(size));
    rows = std::make_unique<TInflatedRows>(inflated->Data(), static_cast<std::size_t>(rowLength) + 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!InflateWholeImageData(stream, length, inflated->Data(), static_cast<std::size_t>(size),
                             static_cast<std::size_t>(inflatedSize.lastRow))) {
    return false;
  }
  if (interlaced) {
    DecodeAdam7(d, *rows);
  } else {
    DecodeSequential(d, *rows, rowLength);
  }
  return true;
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
  if (DecodeWhole(decoding, stream, length, metrics.rowBytes, interlaced)) return true;
#endif

  TInflateContext input(stream, chunkType, length);
  TStreamedRows rows(input, static_cast<std::size_t>(metrics.rowBytes) + 1);
  if (interlaced) {
    DecodeAdam7(decoding, rows);
  } else {
    DecodeSequential(decoding, rows, metrics.rowBytes);
  }
  input.SkipRestOfChunk();
  input.CheckChunkCrc();
  return true;
}
