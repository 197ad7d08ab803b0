// A mutator for PNG files that knows deflate: it takes the image data apart
// into blocks, code lengths and symbols, changes them in the ways zlib and
// laxer inflaters judge differently (code counts beyond zlib's, reserved
// fixed-code symbols, single-code and empty tables and their unused codes,
// code length repeats past the end, distances beyond the window), and puts
// the stream back together: adler-32 mended, split into image-data chunks
// anew with correct CRCs, often with a header fitted to the new size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pngfuzz {

// The mutated file, or an empty vector when `png` holds no image data this
// mutator can take apart.
std::vector<std::uint8_t> MutateImageData(const std::uint8_t* png, std::size_t size, std::size_t maxSize,
                                          unsigned seed);

}  // namespace pngfuzz
