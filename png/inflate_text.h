// Whole-buffer inflation of compressed text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TInflateTextResult {
  bool ok = false;
  std::string bytes;
  std::string message;     // zlib's text when not ok
  std::size_t produced = 0;  // bytes inflated, kept or not
};

// Inflates a whole zlib stream. One that would inflate beyond `limit` bytes
// is refused like a damaged one, after at most `limit` + 256 bytes: a few
// kilobytes of compressed text must not claim gigabytes of memory.
TInflateTextResult InflateText(const std::uint8_t* input, std::size_t size, std::size_t limit);
