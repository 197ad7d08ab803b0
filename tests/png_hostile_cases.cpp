#include "tests/png_hostile_cases.h"

#include <zlib.h>

#include <algorithm>

#include "tests/png_builder.h"

namespace pngtest {

Bytes HugeHeaderFewBytes(std::uint8_t bitDepth, std::uint8_t colorType) {
  // Two rows' worth of filter bytes and samples, far short of the image.
  const Bytes someRows(64, 0);
  return PngBuilder().Header(65535, 65535, bitDepth, colorType).Data(someRows).End();
}

Bytes ClaimedLength(const std::string& type, std::uint32_t length, std::uint32_t present) {
  Bytes claim;
  PutBE32(claim, length);
  claim.insert(claim.end(), type.begin(), type.begin() + 4);
  const bool isImageData = type == "IDAT";
  // Image data that starts right, so that the reader goes on streaming it.
  Bytes payload = isImageData ? Deflate(UnfilteredRows({{0}})) : Bytes{};
  payload.resize(std::max<std::size_t>(payload.size(), present), 0);
  payload.resize(present);
  claim.insert(claim.end(), payload.begin(), payload.end());
  PngBuilder png;
  png.Header(1, 1, 8, 0);
  if (!isImageData) png.Append(Chunk("IDAT", Deflate(UnfilteredRows({{0}}))));
  // The claimed chunk comes last: everything after it would be read as its
  // payload anyway.
  return png.Append(claim);
}

namespace {

// The bytes `next` hands out, piece after piece until it answers false,
// compressed as tightly as zlib can; none of them is held beyond its piece.
template <class NextPiece>
Bytes DeflatePieces(NextPiece next) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_RLE);
  Bytes compressed;
  std::uint8_t out[1 << 16];
  int flush = Z_NO_FLUSH;
  for (int result = Z_OK; result != Z_STREAM_END;) {
    if (z.avail_in == 0 && flush == Z_NO_FLUSH) {
      const std::uint8_t* piece = nullptr;
      std::size_t size = 0;
      if (!next(piece, size)) flush = Z_FINISH;
      z.next_in = const_cast<Bytef*>(piece);
      z.avail_in = static_cast<uInt>(size);
    }
    z.next_out = out;
    z.avail_out = sizeof out;
    result = deflate(&z, flush);
    compressed.insert(compressed.end(), out, out + (sizeof out - z.avail_out));
  }
  deflateEnd(&z);
  return compressed;
}

// `inflated` zero bytes compressed as tightly as zlib can.
Bytes DeflatedZeros(std::uint64_t inflated) {
  static const Bytes zeros(1 << 20, 0);
  std::uint64_t left = inflated;
  return DeflatePieces([&](const std::uint8_t*& piece, std::size_t& size) {
    size = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
    piece = zeros.data();
    left -= size;
    return left > 0;
  });
}

}  // namespace

Bytes InflatesPastLastRow(std::uint64_t inflated, std::uint32_t chunkSize) {
  const Bytes compressed = DeflatedZeros(inflated);
  PngBuilder png;
  png.Header(1, 1, 8, 0);
  for (std::size_t at = 0; at < compressed.size(); at += chunkSize) {
    const std::size_t end = std::min(compressed.size(), at + std::size_t{chunkSize});
    png.Add("IDAT", Bytes(compressed.begin() + static_cast<std::ptrdiff_t>(at),
                          compressed.begin() + static_cast<std::ptrdiff_t>(end)));
  }
  return png.End();
}

Bytes BlackGreyImage(std::uint32_t width, std::uint32_t height) {
  const Bytes data = DeflatedZeros(std::uint64_t{width + 1} * height);
  return PngBuilder().Header(width, height, 8, 0).Add("IDAT", data).End();
}

Bytes OneColourRgbaImage(std::uint32_t width, std::uint32_t height) {
  // Each row Sub-filtered: the first pixel, then zeros that repeat it.
  Bytes row(1 + std::size_t{width} * 4, 0);
  row[0] = 1;
  row[1] = 40;
  row[2] = 90;
  row[3] = 160;
  row[4] = 200;
  std::uint32_t rowsLeft = height;
  const Bytes data = DeflatePieces([&](const std::uint8_t*& piece, std::size_t& size) {
    piece = row.data();
    size = rowsLeft > 0 ? row.size() : 0;
    if (rowsLeft > 0) --rowsLeft;
    return rowsLeft > 0;
  });
  return PngBuilder().Header(width, height, 8, 6).Add("IDAT", data).End();
}

Bytes CompressedTextFlood(std::uint32_t count, std::uint32_t inflated) {
  Bytes payload = Text("Comment");
  payload.insert(payload.end(), {0, 0});  // the keyword's end and compression method 0
  const Bytes text = DeflatedZeros(inflated);
  payload.insert(payload.end(), text.begin(), text.end());
  PngBuilder png;
  png.Header(1, 1, 8, 0);
  for (std::uint32_t i = 0; i < count; ++i) png.Add("zTXt", payload);
  return png.Data(UnfilteredRows({{0}})).End();
}

Bytes TinyChunkFlood(std::uint32_t count, const std::string& type) {
  const Bytes one = Chunk(type, {});
  PngBuilder png;
  png.Header(1, 1, 8, 0);
  Bytes flood;
  flood.reserve(one.size() * count);
  for (std::uint32_t i = 0; i < count; ++i) flood.insert(flood.end(), one.begin(), one.end());
  png.Append(flood);
  return png.Data(UnfilteredRows({{0}})).End();
}

}  // namespace pngtest
