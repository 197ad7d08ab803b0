// The fast way in for image data that arrives whole and intact: the run of
// image-data chunks is read at once, every CRC checked, and inflated in one
// call by zlib's rules. Anything unusual (data zlib would refuse or read
// otherwise, memory that cannot be had) gives up and puts the stream back,
// so that the streaming decoder can read the same bytes from the start and
// decide what they mean.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/stream.h"

// Reading more than this many inflated bytes at once is left to the stream.
inline constexpr std::uint64_t kWholeImageDataCeiling = std::uint64_t{256} << 20;

// With the stream at the first payload byte of the first image-data chunk
// (of `length` bytes): gathers the chunks of the run and inflates them into
// `inflated`, which must hold exactly `inflatedSize` bytes. `lastRequest` is
// the size of the last piece (a row with its filter byte) the streaming
// decoder would ask for. True when the data is intact, zlib takes all of it
// and it inflates to exactly that size; the stream then stands where the
// streaming decoder would leave it. False otherwise, with the stream back
// where it was and `inflated` of no meaning.
bool InflateWholeImageData(plat::TStream& stream, std::uint32_t length, std::uint8_t* inflated,
                           std::size_t inflatedSize, std::size_t lastRequest);
