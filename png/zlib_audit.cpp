#include "png/zlib_audit.h"

#include <array>
#include <cstring>

namespace {

// Bits come from the low end of a 64-bit buffer, bytes in stream order.
class TBitReader {
 public:
  TBitReader(const std::uint8_t* data, std::size_t size) : begin_(data), next_(data + 2), end_(data + size) {}

  // Leaves at least 56 bits in the buffer. Past the end zero bytes stand in;
  // false once more than a word of them was needed.
  bool Refill() {
    if (end_ - next_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, next_, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      word = __builtin_bswap64(word);
#endif
      buffer_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return true;
    }
    while (count_ < 56) {
      if (next_ < end_) {
        buffer_ |= std::uint64_t{*next_++} << count_;
      } else if (++padding_ > 8) {
        return false;
      }
      count_ += 8;
    }
    return true;
  }
  std::uint64_t Peek() const { return buffer_; }
  void Drop(unsigned n) {
    buffer_ >>= n;
    count_ -= n;
  }
  unsigned Take(unsigned n) {
    const unsigned value = static_cast<unsigned>(buffer_ & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return value;
  }
  // Bits read so far, counted from the stream's first byte.
  std::uint64_t Position() const { return (std::uint64_t(next_ - begin_) + padding_) * 8 - count_; }
  std::size_t Size() const { return static_cast<std::size_t>(end_ - begin_); }
  // Goes on reading at byte `offset`.
  void Seek(std::size_t offset) {
    next_ = begin_ + offset;
    buffer_ = 0;
    count_ = 0;
    padding_ = 0;
  }

 private:
  const std::uint8_t* begin_;
  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t buffer_ = 0;
  unsigned count_ = 0;
  unsigned padding_ = 0;
};

// What a code stands for. An entry packs the bits it takes (codeword and
// extra bits, 0-7), the codeword's length (8-11), the kind (12-15) and a
// value (16-31): the symbol of a code length code, the base of a distance.
enum TKind : std::uint32_t { kLiteral, kLength, kDistance, kEnd, kInvalid, kLong, kCodeLength };

constexpr std::uint32_t Meaning(TKind kind, unsigned extraBits = 0, unsigned value = 0) {
  return extraBits | std::uint32_t{kind} << 12 | std::uint32_t{value} << 16;
}
TKind KindOf(std::uint32_t entry) { return static_cast<TKind>((entry >> 12) & 15); }
unsigned TotalBits(std::uint32_t entry) { return entry & 0xFF; }
unsigned CodeBits(std::uint32_t entry) { return (entry >> 8) & 15; }
unsigned ValueOf(std::uint32_t entry) { return entry >> 16; }

using TMeanings = std::array<std::uint32_t, 288>;

// zlib marks literal/length symbols 286 and 287 and distance symbols 30 and
// 31 invalid: a fixed-code block that uses them is refused.
const TMeanings& LiteralLengthMeanings() {
  static const TMeanings meanings = [] {
    static const std::uint8_t extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    TMeanings m{};
    for (unsigned s = 0; s < 256; ++s) m[s] = Meaning(kLiteral);
    m[256] = Meaning(kEnd);
    for (unsigned s = 257; s < 286; ++s) m[s] = Meaning(kLength, extra[s - 257]);
    m[286] = m[287] = Meaning(kInvalid);
    return m;
  }();
  return meanings;
}

const TMeanings& DistanceMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    m.fill(Meaning(kInvalid));
    unsigned base = 1;
    for (unsigned s = 0; s < 30; ++s) {
      const unsigned extra = s < 4 ? 0 : s / 2 - 1;
      m[s] = Meaning(kDistance, extra, base);
      base += 1u << extra;
    }
    return m;
  }();
  return meanings;
}

const TMeanings& CodeLengthMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    for (unsigned s = 0; s < 19; ++s) m[s] = Meaning(kCodeLength, 0, s);
    return m;
  }();
  return meanings;
}

unsigned Reversed(unsigned code, unsigned length) {
  unsigned out = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) out = out << 1 | (code & 1);
  return out;
}

// A canonical Huffman code: a table over its first `primaryBits` bits, and
// a walk over the code lengths for the rare longer codewords.
class TCode {
 public:
  // Builds the code as zlib's inflate_table does, refusing what it refuses:
  // over-subscribed lengths, and incomplete ones unless `singleAllowed` and
  // the code is one 1-bit codeword, whose unused twin is then invalid. A
  // code without codewords decodes everything as invalid; it is refused
  // unless `emptyAllowed`.
  bool Build(const std::uint8_t* lengths, unsigned symbolCount, const TMeanings& meanings, unsigned primaryBits,
             bool singleAllowed, bool emptyAllowed) {
    meanings_ = &meanings;
    primaryBits_ = primaryBits;
    const unsigned tableSize = 1u << primaryBits;
    counts_.fill(0);
    for (unsigned s = 0; s < symbolCount; ++s) ++counts_[lengths[s]];
    counts_[0] = 0;
    unsigned longest = kMaxBits;
    while (longest > 0 && counts_[longest] == 0) --longest;
    if (longest == 0) {
      std::fill(table_.begin(), table_.begin() + tableSize, Meaning(kInvalid));
      return emptyAllowed;
    }
    int left = 1;
    for (unsigned length = 1; length <= kMaxBits; ++length) {
      left = 2 * left - counts_[length];
      if (left < 0) return false;
    }
    if (left > 0) {
      if (!singleAllowed || longest != 1) return false;
      std::fill(table_.begin(), table_.begin() + tableSize, Meaning(kInvalid));
    }

    std::array<unsigned, kMaxBits + 2> offsets{};
    for (unsigned length = 1; length <= kMaxBits; ++length) offsets[length + 1] = offsets[length] + counts_[length];
    for (unsigned s = 0; s < symbolCount; ++s) {
      if (lengths[s] != 0) symbols_[offsets[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    unsigned code = 0;
    unsigned index = 0;
    for (unsigned length = 1; length <= longest; ++length, code <<= 1) {
      for (unsigned k = 0; k < counts_[length]; ++k, ++code, ++index) {
        const unsigned at = Reversed(code, length);
        if (length > primaryBits) {
          table_[at & (tableSize - 1)] = Meaning(kLong);
          continue;
        }
        const std::uint32_t entry = Entry(symbols_[index], length);
        for (unsigned i = at; i < tableSize; i += 1u << length) table_[i] = entry;
      }
    }
    return true;
  }

  // The entry of the codeword at the low end of `bits`.
  std::uint32_t Decode(std::uint64_t bits) const {
    const std::uint32_t entry = table_[bits & ((std::uint64_t{1} << primaryBits_) - 1)];
    return KindOf(entry) == kLong ? DecodeLong(bits) : entry;
  }

 private:
  static constexpr unsigned kMaxBits = 15;

  std::uint32_t Entry(unsigned symbol, unsigned length) const {
    return (*meanings_)[symbol] + (length << 8) + length;
  }

  std::uint32_t DecodeLong(std::uint64_t bits) const {
    int code = 0, first = 0, index = 0;
    for (unsigned length = 1; length <= kMaxBits; ++length, bits >>= 1) {
      code |= static_cast<int>(bits & 1);
      const int count = counts_[length];
      if (code - count < first) return Entry(symbols_[index + (code - first)], length);
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return Meaning(kInvalid);
  }

  std::array<std::uint32_t, 1u << 11> table_{};
  std::array<std::uint16_t, kMaxBits + 1> counts_{};
  std::array<std::uint16_t, 288> symbols_{};
  const TMeanings* meanings_ = nullptr;
  unsigned primaryBits_ = 0;
};

constexpr unsigned kLiteralLengthBits = 11;
constexpr unsigned kDistanceBits = 8;

struct TFixedCodes {
  TCode literalLength;
  TCode distance;
};

const TFixedCodes& FixedCodes() {
  static const TFixedCodes codes = [] {
    std::uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::uint8_t distances[32];
    std::fill(distances, distances + 32, 5);
    TFixedCodes fixed;
    fixed.literalLength.Build(lengths, 288, LiteralLengthMeanings(), kLiteralLengthBits, false, false);
    fixed.distance.Build(distances, 32, DistanceMeanings(), kDistanceBits, false, false);
    return fixed;
  }();
  return codes;
}

struct TDynamicCodes {
  TCode codeLength;
  TCode literalLength;
  TCode distance;
};

bool ReadDynamicCodes(TBitReader& in, TDynamicCodes& codes) {
  static const std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  if (!in.Refill()) return false;
  const unsigned literalCount = in.Take(5) + 257;
  const unsigned distanceCount = in.Take(5) + 1;
  const unsigned codeLengthCount = in.Take(4) + 4;
  if (literalCount > 286 || distanceCount > 30) return false;
  std::uint8_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (!in.Refill()) return false;
    codeLengthLengths[kOrder[i]] = static_cast<std::uint8_t>(in.Take(3));
  }
  // Without a code length code every length reads as 0, and zlib then finds
  // no end-of-block code: refused either way.
  if (!codes.codeLength.Build(codeLengthLengths, 19, CodeLengthMeanings(), 7, false, false)) return false;

  std::uint8_t lengths[286 + 30];
  const unsigned total = literalCount + distanceCount;
  for (unsigned i = 0; i < total;) {
    if (!in.Refill()) return false;
    const std::uint32_t entry = codes.codeLength.Decode(in.Peek());
    in.Drop(CodeBits(entry));
    const unsigned symbol = ValueOf(entry);
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat = 0;
    if (symbol == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + in.Take(2);
    } else if (symbol == 17) {
      repeat = 3 + in.Take(3);
    } else {
      repeat = 11 + in.Take(7);
    }
    if (i + repeat > total) return false;
    std::memset(lengths + i, value, repeat);
    i += repeat;
  }
  if (lengths[256] == 0) return false;
  return codes.literalLength.Build(lengths, literalCount, LiteralLengthMeanings(), kLiteralLengthBits, true,
                                   false) &&
         codes.distance.Build(lengths + literalCount, distanceCount, DistanceMeanings(), kDistanceBits, true,
                              true);
}

// Walks the symbols of one Huffman block up to its end-of-block code. A
// block that gives output moves `lastOutputEnd` to the bit where its last
// symbol ends. `window` is the largest distance the header allows.
bool WalkSymbols(TBitReader& reader, const TCode& literalLength, const TCode& distance, unsigned window,
                 std::uint64_t& lastOutputEnd) {
  // A local copy stays in registers through the loop.
  TBitReader in = reader;
  const std::uint64_t start = in.Position();
  for (;;) {
    if (!in.Refill()) return false;
    std::uint32_t entry = literalLength.Decode(in.Peek());
    if (KindOf(entry) == kLiteral) {
      // A refill leaves room for three literals of at most 15 bits.
      in.Drop(TotalBits(entry));
      entry = literalLength.Decode(in.Peek());
      if (KindOf(entry) != kLiteral) continue;
      in.Drop(TotalBits(entry));
      entry = literalLength.Decode(in.Peek());
      if (KindOf(entry) == kLiteral) in.Drop(TotalBits(entry));
      continue;
    }
    if (KindOf(entry) == kLength) {
      // Length and distance, extra bits included, take at most 48 bits.
      in.Drop(TotalBits(entry));
      const std::uint32_t far = distance.Decode(in.Peek());
      if (KindOf(far) != kDistance) return false;
      const unsigned extra = TotalBits(far) - CodeBits(far);
      const unsigned back =
          ValueOf(far) + static_cast<unsigned>((in.Peek() >> CodeBits(far)) & ((1u << extra) - 1));
      if (back > window) return false;
      in.Drop(TotalBits(far));
      continue;
    }
    if (KindOf(entry) != kEnd) return false;
    const std::uint64_t end = in.Position();
    if (end > start) lastOutputEnd = end;
    in.Drop(CodeBits(entry));
    reader = in;
    return true;
  }
}

bool SkipStoredBlock(TBitReader& in, std::uint64_t& lastOutputEnd) {
  in.Drop(static_cast<unsigned>(-in.Position() & 7));
  if (!in.Refill()) return false;
  const unsigned length = in.Take(16);
  if (length != (in.Take(16) ^ 0xFFFFu)) return false;
  const std::uint64_t dataStart = in.Position() / 8;
  if (dataStart + length > in.Size()) return false;
  in.Seek(static_cast<std::size_t>(dataStart + length));
  if (length > 0) lastOutputEnd = (dataStart + length) * 8;
  return true;
}

}  // namespace

TZlibAudit AuditZlibStream(const std::uint8_t* data, std::size_t size) {
  TZlibAudit audit;
  if (size < 2) return audit;
  const unsigned header = unsigned{data[0]} << 8 | data[1];
  const unsigned windowBits = (header >> 12) + 8;
  if ((header >> 8 & 15) != 8 || windowBits > 15 || header % 31 != 0 || (header & 0x20) != 0) return audit;
  // A zlib built with INFLATE_STRICT refuses distances beyond the window
  // the header declares.
  const unsigned window = 1u << windowBits;

  TBitReader in(data, size);
  TDynamicCodes dynamic;
  std::uint64_t lastOutputEnd = 0;
  for (bool final = false; !final;) {
    if (!in.Refill()) return audit;
    final = in.Take(1) != 0;
    const unsigned type = in.Take(2);
    bool ok = false;
    if (type == 0) {
      ok = SkipStoredBlock(in, lastOutputEnd);
    } else if (type == 1) {
      ok = WalkSymbols(in, FixedCodes().literalLength, FixedCodes().distance, window, lastOutputEnd);
    } else if (type == 2) {
      ok = ReadDynamicCodes(in, dynamic) &&
           WalkSymbols(in, dynamic.literalLength, dynamic.distance, window, lastOutputEnd);
    }
    if (!ok) return audit;
  }
  if (in.Position() > std::uint64_t{size} * 8 || lastOutputEnd == 0) return audit;
  audit.accepted = true;
  audit.bytesToLastOutput = static_cast<std::size_t>((lastOutputEnd + 7) / 8);
  return audit;
}
