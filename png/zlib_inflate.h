// Whole-buffer inflation of a zlib stream by zlib's own rules, for image
// data that is in memory at once. It takes exactly the streams zlib's
// inflate takes, whatever zlib was built with: not the dynamic blocks that
// declare 287 or 288 literal/length codes or 31 or 32 distance codes, code
// length repeats that run past the declared codes, code length codes that
// are a single 1-bit code, the reserved symbols of fixed-code blocks, the
// unused code of a single-code table, a distance in a block without
// distance codes, or a distance beyond the window the header declares.
#pragma once

#include <cstddef>
#include <cstdint>

struct TWholeInflate {
  // True when every block is one zlib takes, the stream fills `out` exactly
  // and the check value after it is right.
  bool ok = false;
  // Bytes of the stream, its two header bytes included, that zlib's
  // streaming inflate has read when it gives the last byte of output.
  std::size_t bytesToLastOutput = 0;
  // Where the bytes of the last symbol (a literal, a match, a stored byte)
  // begin in the output.
  std::size_t lastSymbolStart = 0;
};

// Inflates the zlib stream `data` into `out`, which holds `outSize` bytes.
// Whatever the result, `out` may have been written.
TWholeInflate InflateWholeZlibStream(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                                     std::size_t outSize);
