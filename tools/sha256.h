// SHA-256 of data fed piece by piece, as lowercase hex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TSha256 {
 public:
  void Update(const std::uint8_t* data, std::size_t size);
  // The digest of everything fed so far; the object is spent afterwards.
  std::string HexDigest();

 private:
  std::uint32_t h_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::uint8_t block_[64] = {};
  std::size_t filled_ = 0;  // bytes waiting in block_
  std::uint64_t total_ = 0;
};
