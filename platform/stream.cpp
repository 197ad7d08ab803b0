#include "platform/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/exception.h"

namespace plat {

std::size_t TBufferStream::Read(void* buffer, std::size_t count) {
  const std::size_t n = std::min(count, size_ - position_);
  const std::uint8_t* from = data_ + position_;
  auto* to = static_cast<std::uint8_t*>(buffer);
  // Readers ask for a chunk's length and type or its CRC far more often than
  // for anything long: those go as two words that may overlap, not a call.
  if (n >= 4 && n <= 8) {
    std::uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + n - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + n - 4, &tail, 4);
  } else if (n > 0) {
    std::memcpy(to, from, n);
  }
  position_ += n;
  return n;
}

void TBufferStream::Skip(std::uint64_t count) {
  position_ += static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - position_));
}

bool TBufferStream::Rewind(std::uint64_t position) {
  if (position > position_) return false;
  position_ = static_cast<std::size_t>(position);
  return true;
}

TFileStream::TFileStream(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
  if (file_ == nullptr) {
    throw Exception("Cannot open file \"" + path + "\". " + std::strerror(errno));
  }
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    const long end = std::ftell(file_);
    size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
  }
  std::fseek(file_, 0, SEEK_SET);
}

TFileStream::~TFileStream() { std::fclose(file_); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  const std::size_t n = std::fread(buffer, 1, count, file_);
  position_ += n;
  return n;
}

void TFileStream::Skip(std::uint64_t count) {
  const std::uint64_t target = position_ + std::min(count, size_ - std::min(size_, position_));
  if (std::fseek(file_, static_cast<long>(target), SEEK_SET) == 0) position_ = target;
}

bool TFileStream::Rewind(std::uint64_t position) {
  if (position > position_ || std::fseek(file_, static_cast<long>(position), SEEK_SET) != 0) return false;
  position_ = position;
  return true;
}

}  // namespace plat
