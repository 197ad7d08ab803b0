// Streams built to make a reader spend memory or time without bound: huge
// headers over a few bytes of data, lengths near 4 GiB, image data that
// inflates far past the last row, and floods of tiny chunks. Shared by the
// tests, which check what the reader does, and by png-hostile-measure, which
// reports what it costs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<std::uint8_t>;

// A 65535 x 65535 header of the given layout, then one IDAT of a few bytes
// of compressed data and IEND.
Bytes HugeHeaderFewBytes(std::uint8_t bitDepth, std::uint8_t colorType);

// A 1 x 1 grey image with a chunk of type `type` claiming `length` bytes,
// followed by only `present` bytes of it, just before the image data (or,
// for "IDAT", as the image data).
Bytes ClaimedLength(const std::string& type, std::uint32_t length, std::uint32_t present);

// A 1 x 1 grey image whose image data inflates to `inflated` bytes (the
// first row is a zero pixel), split into IDAT chunks of `chunkSize` bytes.
Bytes InflatesPastLastRow(std::uint64_t inflated, std::uint32_t chunkSize = 65536);

// A 1 x 1 grey image with `count` empty chunks of type `type` between the
// header and the image data.
Bytes TinyChunkFlood(std::uint32_t count, const std::string& type);

// An 8-bit grey image of `width` x `height` black pixels, its image data as
// small as zlib makes it (190 KB for 14000 x 14000).
Bytes BlackGreyImage(std::uint32_t width, std::uint32_t height);

// An 8-bit RGBA image of `width` x `height` pixels of one colour, its image
// data as small as zlib makes it (about 260 KB for 8192 x 8191); made a row
// at a time, so that the rows are never held.
Bytes OneColourRgbaImage(std::uint32_t width, std::uint32_t height);

// A 1 x 1 grey image with `count` zTXt chunks before its data, each of whose
// texts inflates to `inflated` bytes.
Bytes CompressedTextFlood(std::uint32_t count, std::uint32_t inflated);

}  // namespace pngtest
