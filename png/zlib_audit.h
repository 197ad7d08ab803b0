// libdeflate inflates some streams that zlib refuses: dynamic blocks that
// declare 287 or 288 literal/length codes or 31 or 32 distance codes, code
// length repeats that run past the declared codes, code length codes with a
// single one-bit code, the reserved symbols of fixed-code blocks, the unused
// code of a single-code table and any distance when a block has no distance
// codes. This walks a zlib stream by zlib's rules, without producing output,
// so that the whole-buffer path takes only what zlib's streaming inflate
// would read the same way.
#pragma once

#include <cstddef>
#include <cstdint>

struct TZlibAudit {
  // True when zlib's inflate takes every block up to the end of the final
  // one (the check value after it is not looked at), whatever zlib was
  // built with.
  bool accepted = false;
  // Bytes of the stream, its two header bytes included, that zlib has read
  // when it gives the last byte of output.
  std::size_t bytesToLastOutput = 0;
};

TZlibAudit AuditZlibStream(const std::uint8_t* data, std::size_t size);
