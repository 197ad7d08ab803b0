// Whether bytes are all zero, as rows of image data are asked.
#pragma once

#include <cstddef>
#include <cstdint>

bool IsAllZero(const std::uint8_t* bytes, std::size_t count);
