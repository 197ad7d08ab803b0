// The decoders png-bench times. Each decodes one PNG file held in memory to
// its own natural output and answers whether it succeeded.
#pragma once

#include <cstdint>
#include <vector>

namespace pngbench {

using Bytes = std::vector<std::uint8_t>;

// This codec: ReadPng into a TPNGObject (bottom-up colour bits plus alpha plane).
bool DecodeWithCodec(const Bytes& file);
// The reference decoders, each to 8-bit RGBA.
bool DecodeWithLibpng(const Bytes& file);
bool DecodeWithSpng(const Bytes& file);
bool DecodeWithStb(const Bytes& file);

// The image data alone: the payloads of the first run of IDAT chunks,
// concatenated, and the size it inflates to (0 when it does not inflate).
struct TImageData {
  Bytes compressed;
  std::size_t inflatedSize = 0;
};
TImageData ExtractImageData(const Bytes& file);
// Inflate the image data in one call into `out` (inflatedSize bytes).
bool InflateWithZlib(const TImageData& data, Bytes& out);
#ifdef FENWILLOW_HAVE_LIBDEFLATE
bool InflateWithLibdeflate(const TImageData& data, Bytes& out);
// The codec's own whole-buffer inflate, which keeps to zlib's rules.
bool InflateWithCodec(const TImageData& data, Bytes& out);
#endif

}  // namespace pngbench
