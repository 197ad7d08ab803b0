// Byte streams the picture framework reads from: read up to n bytes, move
// forward, tell the position. Reads never throw for lack of data; they
// deliver fewer bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace plat {

class TStream {
 public:
  virtual ~TStream() = default;
  // Copies up to `count` bytes into `buffer`; returns how many arrived.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Moves the position forward by `count` bytes, stopping at the end.
  virtual void Skip(std::uint64_t count) = 0;
  virtual std::uint64_t Position() const = 0;
  // Moves back to `position`, one at or before the current position. A
  // stream that cannot go back answers false and stays where it is, so
  // Rewind(Position()) tells whether a stream can.
  virtual bool Rewind(std::uint64_t position) {
    (void)position;
    return false;
  }
  // The next `count` bytes where the stream holds them in memory, valid
  // while it lives, without moving; nullptr when it does not or fewer
  // remain. Lets a reader use them where they lie instead of copying them.
  virtual const std::uint8_t* Lend(std::size_t count) const {
    (void)count;
    return nullptr;
  }
};

// A read-only view over bytes owned by someone else.
class TBufferStream : public TStream {
 public:
  TBufferStream(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  void Skip(std::uint64_t count) override;
  std::uint64_t Position() const override { return position_; }
  bool Rewind(std::uint64_t position) override;
  const std::uint8_t* Lend(std::size_t count) const override {
    return count <= size_ - position_ ? data_ + position_ : nullptr;
  }
  std::size_t Size() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// A file opened for reading; the constructor throws Exception when the file
// cannot be opened.
class TFileStream : public TStream {
 public:
  explicit TFileStream(const std::string& path);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  std::size_t Read(void* buffer, std::size_t count) override;
  void Skip(std::uint64_t count) override;
  std::uint64_t Position() const override { return position_; }
  bool Rewind(std::uint64_t position) override;

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

}  // namespace plat
