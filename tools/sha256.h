// SHA-256 of a byte buffer, as lowercase hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string Sha256Hex(const std::uint8_t* data, std::size_t size);
