// Whole-buffer inflation of compressed text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TInflateTextResult {
  bool ok = false;
  std::string bytes;
  std::string message;  // zlib's text when not ok
};

// A text that would inflate beyond this is refused like a damaged one: a
// few kilobytes of compressed text must not claim gigabytes of memory.
inline constexpr std::size_t kInflatedTextLimit = std::size_t{16} << 20;

TInflateTextResult InflateText(const std::uint8_t* input, std::size_t size);
