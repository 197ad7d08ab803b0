// Reads every input both ways the decoder has, through the fast path (from
// bytes lent and from bytes read) and streaming through zlib, and stops at
// the first input on which they differ in anything: error class or text, chunks, pixels, palette,
// stream position, or what was read after the image data. Most mutations
// take the image data apart as deflate and change its blocks, code lengths
// and symbols; the rest are libFuzzer's own.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/deflate_mutator.h"
#include "tests/png_two_paths.h"

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
  if (seed % 4 != 0) {
    const std::vector<std::uint8_t> mutated = pngfuzz::MutateImageData(data, size, maxSize, seed);
    if (!mutated.empty()) {
      std::memcpy(data, mutated.data(), mutated.size());
      return mutated.size();
    }
  }
  return LLVMFuzzerMutate(data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const pngtest::TReadOutcome streamed = pngtest::ReadNoting(data, size, false);
  // The fast path from bytes lent by the stream, and from bytes read.
  for (const bool lends : {true, false}) {
    const pngtest::TReadOutcome fast = pngtest::ReadNoting(data, size, true, lends);
    const std::string difference = pngtest::TwoPathDifference(fast, streamed);
    if (!difference.empty()) {
      std::fprintf(stderr, "the fast path (%s) and the streaming path differ: %s\n", lends ? "lent" : "read",
                   difference.c_str());
      std::abort();
    }
  }
  return 0;
}
