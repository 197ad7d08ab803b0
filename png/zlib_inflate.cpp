#include "png/zlib_inflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// ---------------------------------------------------------------------------
// Decode tables. An entry packs:
//   bits 0-7    bits to drop: codeword and extra bits (for a subtable
//               pointer, the primary table's index bits)
//   bits 8-11   codeword length (for a subtable pointer, its index bits)
//   bits 12-15  end of block, subtable pointer, invalid code, and a bit set
//               with any of these three
//   bits 16-30  literal byte, length or distance base, code length symbol,
//               or the start of a subtable
//   bit 31      literal
constexpr std::uint32_t kEndOfBlock = 1u << 12;
constexpr std::uint32_t kSubtable = 1u << 13;
constexpr std::uint32_t kInvalid = 1u << 14;
constexpr std::uint32_t kExceptional = 1u << 15;
constexpr std::uint32_t kLiteral = 1u << 31;
constexpr std::uint32_t kInvalidEntry = kExceptional | kInvalid;

unsigned DropBits(std::uint32_t entry) { return entry & 0xFF; }
unsigned CodeBits(std::uint32_t entry) { return (entry >> 8) & 15; }
unsigned ValueOf(std::uint32_t entry) { return (entry >> 16) & 0x7FFF; }
// The value plus the extra bits that follow the codeword in `bits`.
unsigned ValueWithExtra(std::uint32_t entry, std::uint64_t bits) {
  const unsigned extra = DropBits(entry) - CodeBits(entry);
  return ValueOf(entry) + static_cast<unsigned>((bits >> CodeBits(entry)) & ((1u << extra) - 1));
}

using TMeanings = std::array<std::uint32_t, 288>;

// zlib marks literal/length symbols 286 and 287 and distance symbols 30 and
// 31 invalid, so a fixed-code block that uses them is refused.
const TMeanings& LiteralLengthMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    for (unsigned s = 0; s < 256; ++s) m[s] = kLiteral | s << 16;
    m[256] = kExceptional | kEndOfBlock;
    unsigned base = 3;
    for (unsigned s = 257; s < 285; ++s) {
      const unsigned extra = s < 265 ? 0 : (s - 261) / 4;
      m[s] = base << 16 | extra;
      base += 1u << extra;
    }
    m[285] = 258u << 16;
    m[286] = m[287] = kInvalidEntry;
    return m;
  }();
  return meanings;
}

const TMeanings& DistanceMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    m.fill(kInvalidEntry);
    unsigned base = 1;
    for (unsigned s = 0; s < 30; ++s) {
      const unsigned extra = s < 4 ? 0 : s / 2 - 1;
      m[s] = base << 16 | extra;
      base += 1u << extra;
    }
    return m;
  }();
  return meanings;
}

const TMeanings& CodeLengthMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    for (unsigned s = 0; s < 19; ++s) m[s] = s << 16;
    return m;
  }();
  return meanings;
}

unsigned Reversed(unsigned code, unsigned length) {
  unsigned out = 0;
  for (unsigned i = 0; i < length; ++i, code >>= 1) out = out << 1 | (code & 1);
  return out;
}

// A decode table: a primary part indexed by the next `PrimaryBits` bits of
// the stream, then the subtables of the codewords longer than that.
template <unsigned PrimaryBits, std::size_t Capacity>
class TDecodeTable {
 public:
  static constexpr std::uint64_t kMask = (std::uint64_t{1} << PrimaryBits) - 1;

  // Judges the lengths as zlib's inflate_table does: over-subscribed ones
  // are refused, and incomplete ones unless `singleAllowed` and the code is
  // a single 1-bit codeword, whose unused twin then decodes as invalid. A
  // code without codewords decodes everything as invalid; it is refused
  // unless `emptyAllowed`.
  bool Build(const std::uint8_t* lengths, unsigned symbolCount, const TMeanings& meanings, bool singleAllowed,
             bool emptyAllowed) {
    constexpr unsigned kPrimarySize = 1u << PrimaryBits;
    unsigned counts[16] = {};
    for (unsigned s = 0; s < symbolCount; ++s) ++counts[lengths[s]];
    counts[0] = 0;
    unsigned longest = 15;
    while (longest > 0 && counts[longest] == 0) --longest;
    if (longest == 0) {
      std::fill(entries_.begin(), entries_.begin() + kPrimarySize, kInvalidEntry);
      return emptyAllowed;
    }
    int left = 1;
    for (unsigned length = 1; length <= 15; ++length) {
      left = 2 * left - static_cast<int>(counts[length]);
      if (left < 0) return false;
    }
    if (left > 0) {
      if (!singleAllowed || longest != 1) return false;
      std::fill(entries_.begin(), entries_.begin() + kPrimarySize, kInvalidEntry);
    }

    // Symbols in canonical order (by length, then by value), and the first
    // codeword of each length.
    unsigned offsets[17] = {};
    for (unsigned length = 1; length <= 15; ++length) offsets[length + 1] = offsets[length] + counts[length];
    std::uint16_t sorted[288];
    for (unsigned s = 0; s < symbolCount; ++s) {
      if (lengths[s] != 0) sorted[offsets[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    unsigned firstCode[16] = {};
    for (unsigned length = 2; length <= 15; ++length) {
      firstCode[length] = (firstCode[length - 1] + counts[length - 1]) << 1;
    }

    // Each primary entry that begins longer codewords points to a subtable
    // as large as the longest of them needs.
    std::uint8_t subtableBits[kPrimarySize] = {};
    for (unsigned length = PrimaryBits + 1; length <= longest; ++length) {
      for (unsigned k = 0; k < counts[length]; ++k) {
        const unsigned prefix = Reversed((firstCode[length] + k) >> (length - PrimaryBits), PrimaryBits);
        subtableBits[prefix] = static_cast<std::uint8_t>(std::max<unsigned>(subtableBits[prefix], length - PrimaryBits));
      }
    }
    std::size_t next = kPrimarySize;
    if (longest > PrimaryBits) {
      for (unsigned prefix = 0; prefix < kPrimarySize; ++prefix) {
        if (subtableBits[prefix] == 0) continue;
        if (next + (std::size_t{1} << subtableBits[prefix]) > Capacity) return false;
        entries_[prefix] = kExceptional | kSubtable | static_cast<std::uint32_t>(next) << 16 |
                           unsigned{subtableBits[prefix]} << 8 | PrimaryBits;
        next += std::size_t{1} << subtableBits[prefix];
      }
    }

    unsigned index = 0;
    for (unsigned length = 1; length <= longest; ++length) {
      for (unsigned k = 0; k < counts[length]; ++k, ++index) {
        const unsigned code = firstCode[length] + k;
        if (length <= PrimaryBits) {
          const std::uint32_t entry = Entry(meanings[sorted[index]], length);
          for (unsigned i = Reversed(code, length); i < kPrimarySize; i += 1u << length) entries_[i] = entry;
          continue;
        }
        const unsigned rest = length - PrimaryBits;
        const unsigned prefix = Reversed(code >> rest, PrimaryBits);
        const std::uint32_t entry = Entry(meanings[sorted[index]], rest);
        const unsigned size = 1u << subtableBits[prefix];
        for (unsigned i = Reversed(code & ((1u << rest) - 1), rest); i < size; i += 1u << rest) {
          entries_[ValueOf(entries_[prefix]) + i] = entry;
        }
      }
    }
    return true;
  }

  std::uint32_t Primary(std::uint64_t bits) const { return entries_[bits & kMask]; }
  // The entry a subtable pointer leads to, for the bits after the primary ones.
  std::uint32_t Sub(std::uint32_t pointer, std::uint64_t bits) const {
    return entries_[ValueOf(pointer) + (bits & ((1u << CodeBits(pointer)) - 1))];
  }

 private:
  static std::uint32_t Entry(std::uint32_t meaning, unsigned length) { return meaning + (length << 8) + length; }

  std::array<std::uint32_t, Capacity> entries_{};
};

// Sizes as zlib's "enough" program gives them for these primary bits.
using TLiteralLengthTable = TDecodeTable<11, 2342>;
using TDistanceTable = TDecodeTable<8, 402>;
using TCodeLengthTable = TDecodeTable<7, 128>;

// ---------------------------------------------------------------------------
// The stream's bits, taken from the low end of a 64-bit buffer.
struct TBits {
  const std::uint8_t* begin;
  const std::uint8_t* next;
  const std::uint8_t* end;
  std::uint64_t buffer = 0;
  unsigned count = 0;
  unsigned padding = 0;  // zero bytes that stood in past the end

  // At least 56 bits in the buffer, reading a word at a time; needs 8
  // bytes left.
  void RefillFast() {
    std::uint64_t word;
    std::memcpy(&word, next, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    word = __builtin_bswap64(word);
#endif
    buffer |= word << count;
    next += (63 - count) >> 3;
    count |= 56;
  }
  // The same anywhere; false once more than a word of zero bytes would have
  // to stand in for bytes past the end.
  bool Refill() {
    if (end - next >= 8) {
      RefillFast();
      return true;
    }
    while (count < 56) {
      if (next < end) {
        buffer |= std::uint64_t{*next++} << count;
      } else if (++padding > 8) {
        return false;
      }
      count += 8;
    }
    return true;
  }
  void Drop(unsigned n) {
    buffer >>= n;
    count -= n;
  }
  unsigned Take(unsigned n) {
    const unsigned value = static_cast<unsigned>(buffer & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return value;
  }
  // Bits read so far, counted from the stream's first byte.
  std::uint64_t Position() const { return (std::uint64_t(next - begin) + padding) * 8 - count; }
  void Seek(std::size_t offset) {
    next = begin + offset;
    buffer = 0;
    count = 0;
    padding = 0;
  }
};

struct TOutput {
  std::uint8_t* begin;
  std::uint8_t* next;
  std::uint8_t* end;
};

// Copies a match of `length` bytes from `distance` back, a word at a time;
// up to 15 bytes past the match may be written.
void CopyMatchFast(std::uint8_t* out, unsigned distance, unsigned length) {
  const std::uint8_t* from = out - distance;
  std::uint8_t* const stop = out + length;
  if (distance >= 8) {
    do {
      std::memcpy(out, from, 8);
      std::memcpy(out + 8, from + 8, 8);
      out += 16;
      from += 16;
    } while (out < stop);
  } else if (distance == 1) {
    const std::uint64_t run = 0x0101010101010101u * *from;
    do {
      std::memcpy(out, &run, 8);
      std::memcpy(out + 8, &run, 8);
      out += 16;
    } while (out < stop);
  } else {
    // Each word read holds `distance` bytes already in place; stepping by
    // `distance` puts that many more in place.
    do {
      std::uint64_t word;
      std::memcpy(&word, from, 8);
      std::memcpy(out, &word, 8);
      out += distance;
      from += distance;
    } while (out < stop);
  }
}

// Where the output's last symbol ends in the stream, and where its bytes
// begin in the output.
struct TLastSymbol {
  std::uint64_t endBit = 0;
  std::size_t outputStart = 0;
};

enum class TSymbols { kEndOfBlock, kRefused, kNearTheEnd };

// With `entry` a length code's entry: takes the length and its distance,
// extra bits included (at most 48 bits). False for a distance code zlib
// finds invalid.
inline bool TakeMatch(TBits& in, std::uint32_t entry, const TDistanceTable& distances, unsigned& length,
                      unsigned& distance) {
  length = ValueWithExtra(entry, in.buffer);
  in.Drop(DropBits(entry));
  entry = distances.Primary(in.buffer);
  if (entry & kExceptional) {
    if (!(entry & kSubtable)) return false;
    in.Drop(DropBits(entry));
    entry = distances.Sub(entry, in.buffer);
    if (entry & kExceptional) return false;
  }
  distance = ValueWithExtra(entry, in.buffer);
  in.Drop(DropBits(entry));
  return true;
}

// Decodes symbols while at least a word of input and a longest match and
// two words of output are left, a word refill ahead of each round. The
// next literal/length entry is looked up before the work of the round is
// done: a refill keeps more bits in the buffer than it counts, enough for
// that. On the end-of-block code its entry is left, untaken, in `entry`.
// `symbolStart` ends at the output of the last symbol.
TSymbols InflateSymbolsFast(TBits& in, std::uint8_t*& out, std::uint8_t* const outBegin, std::uint8_t* const outEnd,
                            const TLiteralLengthTable& literalLength, const TDistanceTable& distances,
                            unsigned window, std::uint8_t*& symbolStart, std::uint32_t& entry) {
  const std::uint8_t* const fastInEnd = in.end - std::min<std::size_t>(in.end - in.next, 8);
  std::uint8_t* const fastOutEnd = outEnd - std::min<std::size_t>(outEnd - out, 274);
  if (in.next >= fastInEnd || out >= fastOutEnd) return TSymbols::kNearTheEnd;
  in.RefillFast();
  entry = literalLength.Primary(in.buffer);
  for (;;) {
    if (entry & kLiteral) {
      // Three literals of at most 15 bits fit in one refill.
      in.Drop(DropBits(entry));
      symbolStart = out;
      *out++ = static_cast<std::uint8_t>(entry >> 16);
      entry = literalLength.Primary(in.buffer);
      if (entry & kLiteral) {
        in.Drop(DropBits(entry));
        symbolStart = out;
        *out++ = static_cast<std::uint8_t>(entry >> 16);
        entry = literalLength.Primary(in.buffer);
        if (entry & kLiteral) {
          in.Drop(DropBits(entry));
          symbolStart = out;
          *out++ = static_cast<std::uint8_t>(entry >> 16);
          entry = literalLength.Primary(in.buffer);
        }
      }
    } else {
      if (entry & kExceptional) {
        if (entry & kSubtable) {
          in.Drop(DropBits(entry));
          entry = literalLength.Sub(entry, in.buffer);
        }
        if (entry & kExceptional) return entry & kEndOfBlock ? TSymbols::kEndOfBlock : TSymbols::kRefused;
      }
      if (entry & kLiteral) {
        in.Drop(DropBits(entry));
        symbolStart = out;
        *out++ = static_cast<std::uint8_t>(entry >> 16);
        entry = literalLength.Primary(in.buffer);
      } else {
        unsigned length, distance;
        if (!TakeMatch(in, entry, distances, length, distance)) return TSymbols::kRefused;
        if (distance > static_cast<std::size_t>(out - outBegin) || distance > window) return TSymbols::kRefused;
        entry = literalLength.Primary(in.buffer);
        symbolStart = out;
        CopyMatchFast(out, distance, length);
        out += length;
      }
    }
    if (in.next >= fastInEnd || out >= fastOutEnd) return TSymbols::kNearTheEnd;
    in.RefillFast();
  }
}

// The same near the ends of input and output, each read and write checked.
TSymbols InflateSymbolsCarefully(TBits& in, std::uint8_t*& out, std::uint8_t* const outBegin,
                                 std::uint8_t* const outEnd, const TLiteralLengthTable& literalLength,
                                 const TDistanceTable& distances, unsigned window, std::uint8_t*& symbolStart,
                                 std::uint32_t& entry) {
  for (;;) {
    if (!in.Refill()) return TSymbols::kRefused;
    entry = literalLength.Primary(in.buffer);
    if (entry & kExceptional) {
      if (entry & kSubtable) {
        in.Drop(DropBits(entry));
        entry = literalLength.Sub(entry, in.buffer);
      }
      if (entry & kExceptional) return entry & kEndOfBlock ? TSymbols::kEndOfBlock : TSymbols::kRefused;
    }
    symbolStart = out;
    if (entry & kLiteral) {
      if (out == outEnd) return TSymbols::kRefused;
      in.Drop(DropBits(entry));
      *out++ = static_cast<std::uint8_t>(entry >> 16);
      continue;
    }
    unsigned length, distance;
    if (!TakeMatch(in, entry, distances, length, distance)) return TSymbols::kRefused;
    if (distance > static_cast<std::size_t>(out - outBegin) || distance > window ||
        length > static_cast<std::size_t>(outEnd - out)) {
      return TSymbols::kRefused;
    }
    for (unsigned i = 0; i < length; ++i, ++out) *out = out[-static_cast<std::ptrdiff_t>(distance)];
  }
}

// Decodes one Huffman block up to its end-of-block code. A block that gives
// output makes its last symbol `last`. `window` is the largest distance the
// stream's header allows.
bool InflateHuffmanBlock(TBits& bits, TOutput& output, const TLiteralLengthTable& literalLength,
                         const TDistanceTable& distances, unsigned window, TLastSymbol& last) {
  // Local copies stay in registers.
  TBits in = bits;
  std::uint8_t* out = output.next;
  std::uint8_t* symbolStart = nullptr;
  std::uint32_t entry = 0;
  TSymbols end = InflateSymbolsFast(in, out, output.begin, output.end, literalLength, distances, window,
                                    symbolStart, entry);
  if (end == TSymbols::kNearTheEnd) {
    end = InflateSymbolsCarefully(in, out, output.begin, output.end, literalLength, distances, window,
                                  symbolStart, entry);
  }
  if (end != TSymbols::kEndOfBlock) return false;
  if (symbolStart != nullptr) last = {in.Position(), static_cast<std::size_t>(symbolStart - output.begin)};
  in.Drop(CodeBits(entry));
  bits = in;
  output.next = out;
  return true;
}

struct TFixedCodes {
  TLiteralLengthTable literalLength;
  TDistanceTable distance;
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
    fixed.literalLength.Build(lengths, 288, LiteralLengthMeanings(), false, false);
    fixed.distance.Build(distances, 32, DistanceMeanings(), false, false);
    return fixed;
  }();
  return codes;
}

struct TDynamicCodes {
  TCodeLengthTable codeLength;
  TLiteralLengthTable literalLength;
  TDistanceTable distance;
};

bool ReadDynamicCodes(TBits& in, TDynamicCodes& codes) {
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
  if (!codes.codeLength.Build(codeLengthLengths, 19, CodeLengthMeanings(), false, false)) return false;

  std::uint8_t lengths[286 + 30];
  const unsigned total = literalCount + distanceCount;
  for (unsigned i = 0; i < total;) {
    if (!in.Refill()) return false;
    const std::uint32_t entry = codes.codeLength.Primary(in.buffer);
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
  return codes.literalLength.Build(lengths, literalCount, LiteralLengthMeanings(), true, false) &&
         codes.distance.Build(lengths + literalCount, distanceCount, DistanceMeanings(), true, true);
}

bool CopyStoredBlock(TBits& in, TOutput& output, TLastSymbol& last) {
  in.Drop(static_cast<unsigned>(-in.Position() & 7));
  if (!in.Refill()) return false;
  const unsigned length = in.Take(16);
  if (length != (in.Take(16) ^ 0xFFFFu)) return false;
  const std::uint64_t dataStart = in.Position() / 8;
  const std::size_t size = static_cast<std::size_t>(in.end - in.begin);
  if (dataStart + length > size || length > static_cast<std::size_t>(output.end - output.next)) return false;
  std::memcpy(output.next, in.begin + dataStart, length);
  output.next += length;
  in.Seek(static_cast<std::size_t>(dataStart + length));
  // Each stored byte is a symbol of its own.
  if (length > 0) last = {(dataStart + length) * 8, static_cast<std::size_t>(output.next - output.begin) - 1};
  return true;
}

}  // namespace

TWholeInflate InflateWholeZlibStream(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                                     std::size_t outSize) {
  TWholeInflate result;
  if (size < 2) return result;
  const unsigned header = unsigned{data[0]} << 8 | data[1];
  const unsigned windowBits = (header >> 12) + 8;
  if ((header >> 8 & 15) != 8 || windowBits > 15 || header % 31 != 0 || (header & 0x20) != 0) return result;
  // A zlib built with INFLATE_STRICT refuses distances beyond the window
  // the header declares.
  const unsigned window = 1u << windowBits;

  TBits in{data, data + 2, data + size};
  TOutput output{out, out, out + outSize};
  TDynamicCodes dynamic;
  TLastSymbol last;
  for (bool final = false; !final;) {
    if (!in.Refill()) return result;
    final = in.Take(1) != 0;
    const unsigned type = in.Take(2);
    bool ok = false;
    if (type == 0) {
      ok = CopyStoredBlock(in, output, last);
    } else if (type == 1) {
      ok = InflateHuffmanBlock(in, output, FixedCodes().literalLength, FixedCodes().distance, window, last);
    } else if (type == 2) {
      ok = ReadDynamicCodes(in, dynamic) &&
           InflateHuffmanBlock(in, output, dynamic.literalLength, dynamic.distance, window, last);
    }
    if (!ok) return result;
  }
  const std::uint64_t checkAt = (in.Position() + 7) / 8;
  if (output.next != output.end || last.endBit == 0 || checkAt + 4 > size) return result;
  const std::uint8_t* check = data + checkAt;
  const std::uint32_t stored = std::uint32_t{check[0]} << 24 | std::uint32_t{check[1]} << 16 |
                               std::uint32_t{check[2]} << 8 | check[3];
  if (libdeflate_adler32(1, out, outSize) != stored) return result;
  result.ok = true;
  result.bytesToLastOutput = static_cast<std::size_t>((last.endBit + 7) / 8);
  result.lastSymbolStart = last.outputStart;
  return result;
}
