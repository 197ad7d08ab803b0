#include "png/zlib_inflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace zlib_inflate_detail {
namespace {

// ---------------------------------------------------------------------------
// Decode table entries. An entry packs:
//   bits 0-7    bits to drop: codeword and extra bits (for a subtable
//               pointer, the primary table's index bits)
//   bits 8-11   codeword length (for a subtable pointer, its index bits)
//   bits 12-15  end of block, subtable pointer, invalid code, and a bit set
//               with any of these three
//   bits 16-30  literal byte, length or distance base, what a code length
//               symbol writes (see CodeLengthMeanings), or the start of a
//               subtable
//   bit 31      literal
constexpr std::uint32_t kEndOfBlock = 1u << 12;
constexpr std::uint32_t kSubtable = 1u << 13;
constexpr std::uint32_t kInvalid = 1u << 14;
constexpr std::uint32_t kExceptional = 1u << 15;
constexpr std::uint32_t kLiteral = 1u << 31;
constexpr std::uint32_t kInvalidEntry = kExceptional | kInvalid;

std::uint32_t Entry(std::uint32_t meaning, unsigned length) { return meaning + (length << 8) + length; }

// `code`'s low `length` bits in the reverse order, as the stream holds them.
unsigned Reversed(unsigned code, unsigned length) {
  static const auto bytes = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
      unsigned r = 0;
      for (unsigned i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
      table[b] = static_cast<std::uint8_t>(r);
    }
    return table;
  }();
  return (unsigned{bytes[code & 0xFF]} << 8 | bytes[(code >> 8) & 0xFF]) >> (16 - length);
}

// Primary parts are at most this wide.
constexpr unsigned kWidestPrimary = 11;

// Every codeword of up to kWidestPrimary bits reversed at that width: one
// look-up and a shift for each codeword of a primary part.
const std::uint16_t* ReversedPrimaryCodewords() {
  static const auto table = [] {
    std::array<std::uint16_t, 1u << kWidestPrimary> t{};
    for (unsigned c = 0; c < t.size(); ++c) t[c] = static_cast<std::uint16_t>(Reversed(c, kWidestPrimary));
    return t;
  }();
  return table.data();
}

// The canonical codeword after `codeword` (both bit-reversed, as the stream
// holds them), at `length` bits: the normal form plus one. 0 after the last.
unsigned NextCodeword(unsigned codeword, unsigned length) {
  const unsigned flipped = codeword ^ ((1u << length) - 1);
  if (flipped == 0) return 0;
  const unsigned bit = 1u << (31 - __builtin_clz(flipped));
  return (codeword & (bit - 1)) | bit;
}

}  // namespace

// Judges the lengths as zlib's inflate_table does: over-subscribed ones are
// refused, and incomplete ones unless `singleAllowed` and the code is a
// single 1-bit codeword, whose unused twin then decodes as invalid. A code
// without codewords decodes everything as invalid; it is refused unless
// `emptyAllowed`.
template <std::size_t Capacity>
bool TDecodeTable<Capacity>::Build(const TCodeLengths& code, const TMeanings& meanings, bool singleAllowed,
                                   bool emptyAllowed, unsigned maxPrimaryBits) {
  const unsigned* const counts = code.counts;
  unsigned longest = 15;
  while (longest > 0 && counts[longest] == 0) --longest;
  if (longest == 0) {
    mask_ = 0;
    entries_[0] = kInvalidEntry;
    return emptyAllowed;
  }
  int left = 1;
  for (unsigned length = 1; length <= 15; ++length) {
    left = 2 * left - static_cast<int>(counts[length]);
    if (left < 0) return false;
  }
  if (left > 0 && (!singleAllowed || longest != 1)) return false;

  // Symbols in canonical order: by length, then by value. A run's rank puts
  // its symbols in place, so that none waits on the one before.
  unsigned offsets[16];
  offsets[1] = 0;
  for (unsigned length = 1; length < 15; ++length) offsets[length + 1] = offsets[length] + counts[length];
  for (unsigned length = 1; length < 16; ++length) offsets[length] -= code.rankStart[length];
  std::uint16_t sorted[288];
  const unsigned end = code.first + code.symbolCount;
  for (unsigned r = 0; r < code.runCount; ++r) {
    const TLengthRun run = code.runs[r];
    if (run.count == 1) {
      // Most runs: a single symbol, which is inside the code, or the run
      // would not be in its list.
      sorted[offsets[code.lengths[run.start]] + run.rank] = static_cast<std::uint16_t>(run.start - code.first);
      continue;
    }
    const unsigned from = std::max<unsigned>(run.start, code.first);
    const unsigned to = std::min<unsigned>(run.start + run.count, end);
    const unsigned at = offsets[code.lengths[run.start]] + run.rank - run.start;
    for (unsigned symbol = from; symbol < to; ++symbol) {
      sorted[at + symbol] = static_cast<std::uint16_t>(symbol - code.first);
    }
  }

  // The primary part is as wide as the longest codeword needs, up to the
  // maximum: small codes get small tables, which are quick to fill. It
  // grows by doubling, one codeword length at a time from the shortest: the
  // entries of the shorter codewords repeat in the new half, and this
  // length's codewords go in. Entries no codeword of the shortest length
  // takes are all taken by longer ones, except the twin of a single 1-bit
  // code, which stays invalid.
  const unsigned bits = std::min({longest, maxPrimaryBits, kWidestPrimary});
  mask_ = (std::uint64_t{1} << bits) - 1;
  unsigned shortest = 1;
  while (counts[shortest] == 0) ++shortest;
  std::size_t size = std::size_t{1} << std::min(shortest, bits);
  entries_[0] = entries_[1] = kInvalidEntry;
  // Each codeword is the length's first one plus the symbol's place among
  // the length's symbols, reversed: no entry waits on the one before.
  const std::uint16_t* const reversed = ReversedPrimaryCodewords();
  unsigned index = 0;
  unsigned first = 0;
  for (unsigned length = shortest; length <= bits; ++length) {
    if (length > shortest) {
      // Small halves are copied inline, rather than through a call.
      if (size <= 16) {
        for (std::size_t k = 0; k < size; ++k) entries_[size + k] = entries_[k];
      } else {
        std::memcpy(&entries_[size], &entries_[0], size * sizeof entries_[0]);
      }
      size *= 2;
    }
    const unsigned n = counts[length];
    for (unsigned k = 0; k < n; ++k) {
      entries_[reversed[first + k] >> (kWidestPrimary - length)] = Entry(meanings[sorted[index + k]], length);
    }
    index += n;
    first = (first + n) << 1;
  }
  unsigned codeword = bits < longest ? Reversed(first, bits + 1) : 0;

  // Longer codewords go into subtables, one for each primary index they
  // begin with, as large as the codewords after it need to fill it: the
  // code is complete, so they fill it exactly.
  std::size_t next = size;
  unsigned prefix = ~0u;
  unsigned subBits = 0;
  std::size_t subStart = 0;
  for (unsigned length = bits + 1; length <= longest; ++length) {
    for (unsigned k = 0; k < counts[length]; ++k) {
      if ((codeword & mask_) != prefix) {
        prefix = codeword & static_cast<unsigned>(mask_);
        subBits = length - bits;
        unsigned used = counts[length] - k;
        while (used < (1u << subBits) && bits + subBits < 15) {
          ++subBits;
          used = 2 * used + counts[bits + subBits];
        }
        if (next + (std::size_t{1} << subBits) > Capacity) return false;
        entries_[prefix] = kExceptional | kSubtable | static_cast<std::uint32_t>(next) << 16 | subBits << 8 | bits;
        subStart = next;
        next += std::size_t{1} << subBits;
      }
      const unsigned rest = length - bits;
      const std::uint32_t entry = Entry(meanings[sorted[index++]], rest);
      for (std::size_t i = codeword >> bits; i < (std::size_t{1} << subBits); i += std::size_t{1} << rest) {
        entries_[subStart + i] = entry;
      }
      codeword = NextCodeword(codeword, length);
    }
  }
  return true;
}

template class TDecodeTable<2342>;
template class TDecodeTable<402>;
template class TDecodeTable<128>;

}  // namespace zlib_inflate_detail

namespace {

using namespace zlib_inflate_detail;
using TMeanings = TLiteralLengthTable::TMeanings;

unsigned DropBits(std::uint32_t entry) { return entry & 0xFF; }
unsigned CodeBits(std::uint32_t entry) { return (entry >> 8) & 15; }
unsigned ValueOf(std::uint32_t entry) { return (entry >> 16) & 0x7FFF; }
// The value plus the extra bits that follow the codeword in `bits`.
unsigned ValueWithExtra(std::uint32_t entry, std::uint64_t bits) {
  const unsigned extra = DropBits(entry) - CodeBits(entry);
  return ValueOf(entry) + static_cast<unsigned>((bits >> CodeBits(entry)) & ((1u << extra) - 1));
}

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

// A code length symbol's value packs the length it writes (bits 0-3), or
// with bit 8 the length before, and how often before its extra bits (bits
// 4-7); its entry's low byte counts those extra bits. Bit 9 marks the
// symbols that write one length of their own, without extra bits.
constexpr unsigned kRepeatPrevious = 1u << 8;
constexpr unsigned kOneLength = 1u << 9;

const TMeanings& CodeLengthMeanings() {
  static const TMeanings meanings = [] {
    TMeanings m{};
    for (unsigned s = 0; s < 16; ++s) m[s] = (kOneLength | s | 1u << 4) << 16;
    m[16] = (kRepeatPrevious | 3u << 4) << 16 | 2;
    m[17] = (3u << 4) << 16 | 3;
    m[18] = (11u << 4) << 16 | 7;
    return m;
  }();
  return meanings;
}

// ---------------------------------------------------------------------------
// The input's bits, taken from the low end of a 64-bit buffer. The buffer
// may start with a few bits of a byte before `begin`, taken in an earlier
// call.
struct TBits {
  const std::uint8_t* begin;
  const std::uint8_t* next;
  const std::uint8_t* end;
  std::uint64_t buffer;
  unsigned count;
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
  // The same anywhere, zero bytes standing in past the end; false once more
  // than a word of them would have to.
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
  // Some of the bits taken stood in past the end.
  bool Overrun() const { return count < 8 * padding; }
  // Bits taken, counted from `begin`.
  std::int64_t Position() const { return (static_cast<std::int64_t>(next - begin) + padding) * 8 - count; }
  // Drops the bits up to the next byte boundary of the stream.
  void Align() { Drop(static_cast<unsigned>(-Position() & 7)); }
  // Puts the whole bytes held beyond those taken back into the input, and
  // forgets the stand-ins: the buffer keeps fewer than 8 bits.
  void GiveBack() {
    const unsigned held = count - 8 * padding;
    next -= held / 8;
    count = held % 8;
    buffer &= (std::uint64_t{1} << count) - 1;
    padding = 0;
  }
};

using TOutput = TZlibInflater::TOutput;

// Copies a match of `length` bytes from `distance` back, 32 bytes a round
// in copies that never overlap their source; up to 31 bytes past the match
// may be written.
void CopyMatchFast(std::uint8_t* out, unsigned distance, unsigned length) {
  const std::uint8_t* from = out - distance;
  std::uint8_t* const stop = out + length;
  if (distance >= 16) {
    do {
      std::memcpy(out, from, 16);
      std::memcpy(out + 16, from + 16, 16);
      out += 32;
      from += 32;
    } while (out < stop);
  } else if (distance >= 8) {
    do {
      std::memcpy(out, from, 8);
      std::memcpy(out + 8, from + 8, 8);
      std::memcpy(out + 16, from + 16, 8);
      std::memcpy(out + 24, from + 24, 8);
      out += 32;
      from += 32;
    } while (out < stop);
  } else if (distance == 1) {
    const std::uint64_t run = 0x0101010101010101u * *from;
    do {
      std::memcpy(out, &run, 8);
      std::memcpy(out + 8, &run, 8);
      std::memcpy(out + 16, &run, 8);
      std::memcpy(out + 24, &run, 8);
      out += 32;
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

// Copies a match of `length` bytes from `distance` back, writing nothing
// past it: the bytes repeat with the period `distance`, so each copy can
// take from the match's source all that is already in place, twice as much
// each time.
void CopyMatchExactly(std::uint8_t* out, unsigned distance, unsigned length) {
  const std::uint8_t* const from = out - distance;
  if (distance == 1) {
    std::memset(out, *from, length);
    return;
  }
  for (unsigned done = 0; done < length;) {
    const unsigned n = std::min(done + distance, length - done);
    std::memcpy(out + done, from, n);
    done += n;
  }
}

enum class TSymbols { kEndOfBlock, kRefused, kNearTheEnd, kNeedInput, kOutputFull };

// Where the output's last symbol ends in the input, and where its bytes
// begin in the output.
struct TLastSymbol {
  std::uint8_t* start = nullptr;
  std::int64_t endBit = 0;
};

// Takes a distance code and its extra bits (at most 28 bits). False for a
// distance code zlib finds invalid.
inline bool TakeDistance(TBits& in, const TDecodeView distances, unsigned& distance) {
  std::uint32_t entry = distances.Primary(in.buffer);
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

// Decodes symbols while at least a word of input is left, and room for
// three literals or for the match at hand with the word copies' spill, a
// word refill ahead of each round (a round takes at most 48 bits). The next
// literal/length entry is looked up before the work of the round is done: a
// refill keeps more bits in the buffer than it counts, enough for that. On
// the end-of-block code its entry is left, untaken, in `entry`; a match
// without room is left untaken.
TSymbols InflateSymbolsFast(TBits& in, std::uint8_t*& out, const TOutput& output, const TDecodeView literalLength,
                            const TDecodeView distances, unsigned window, std::uint8_t*& symbolStart,
                            std::uint32_t& entry) {
  const std::uint8_t* const history = output.history;
  std::uint8_t* const outEnd = output.end;
  const std::uint8_t* const fastInEnd = in.end - std::min<std::size_t>(in.end - in.next, 8);
  std::uint8_t* const fastOutEnd = outEnd - std::min<std::size_t>(outEnd - out, 3);
  if (in.next >= fastInEnd || out >= fastOutEnd) return TSymbols::kNearTheEnd;
  in.RefillFast();
  entry = literalLength.Primary(in.buffer);
  for (;;) {
    if (entry & kLiteral) {
      // Three literals of at most 11 bits fit in one refill.
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
      // Where the code began, should its match find no room.
      const std::uint64_t codeBuffer = in.buffer;
      const unsigned codeCount = in.count;
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
        const unsigned length = ValueWithExtra(entry, in.buffer);
        if (length + 31 > static_cast<std::size_t>(outEnd - out)) {
          in.buffer = codeBuffer;
          in.count = codeCount;
          return TSymbols::kNearTheEnd;
        }
        in.Drop(DropBits(entry));
        unsigned distance;
        if (!TakeDistance(in, distances, distance)) return TSymbols::kRefused;
        if (distance > static_cast<std::size_t>(out - history) || distance > window) return TSymbols::kRefused;
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
// A symbol that needs bits beyond the input, or room beyond the output, is
// left untaken. The end-of-block code is taken.
TSymbols InflateSymbolsCarefully(TBits& in, std::uint8_t*& out, const TOutput& output,
                                 const TDecodeView literalLength, const TDecodeView distances, unsigned window,
                                 TLastSymbol& last) {
  for (;;) {
    const TBits before = in;
    const bool filled = in.Refill();
    auto beyondInput = [&] {
      if (filled && !in.Overrun()) return false;
      in = before;
      return true;
    };
    std::uint32_t entry = literalLength.Primary(in.buffer);
    if (entry & kExceptional) {
      if (entry & kSubtable) {
        in.Drop(DropBits(entry));
        entry = literalLength.Sub(entry, in.buffer);
      }
      if (entry & kExceptional) {
        in.Drop(CodeBits(entry));
        if (beyondInput()) return TSymbols::kNeedInput;
        return entry & kEndOfBlock ? TSymbols::kEndOfBlock : TSymbols::kRefused;
      }
    }
    if (entry & kLiteral) {
      in.Drop(DropBits(entry));
      if (beyondInput()) return TSymbols::kNeedInput;
      if (out == output.end) {
        in = before;
        return TSymbols::kOutputFull;
      }
      last = {out, in.Position()};
      *out++ = static_cast<std::uint8_t>(entry >> 16);
      continue;
    }
    const unsigned length = ValueWithExtra(entry, in.buffer);
    in.Drop(DropBits(entry));
    unsigned distance = 0;
    const bool valid = TakeDistance(in, distances, distance);
    if (beyondInput()) return TSymbols::kNeedInput;
    if (!valid || distance > static_cast<std::size_t>(out - output.history) || distance > window) {
      return TSymbols::kRefused;
    }
    if (length > static_cast<std::size_t>(output.end - out)) {
      in = before;
      return TSymbols::kOutputFull;
    }
    last = {out, in.Position()};
    CopyMatchExactly(out, distance, length);
    out += length;
  }
}

// Decodes a Huffman block up to its end-of-block code, or as far as input
// and output allow. `last` ends at the last symbol that gave output. Kept
// out of the reader of stream and block headers: inlined there, the symbol
// loops share its registers and run a tenth slower.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
TSymbols InflateHuffmanBlock(TBits& bits, std::uint8_t*& outRef, const TOutput& output,
                             const TDecodeView literalLength, const TDecodeView distances, unsigned window,
                             TLastSymbol& last) {
  // Local copies stay in registers.
  TBits in = bits;
  std::uint8_t* out = outRef;
  std::uint8_t* symbolStart = nullptr;
  std::uint32_t entry = 0;
  TSymbols end = InflateSymbolsFast(in, out, output, literalLength, distances, window, symbolStart, entry);
  if (symbolStart != nullptr) last = {symbolStart, in.Position()};
  if (end == TSymbols::kEndOfBlock) {
    in.Drop(CodeBits(entry));
  } else if (end == TSymbols::kNearTheEnd) {
    end = InflateSymbolsCarefully(in, out, output, literalLength, distances, window, last);
  }
  bits = in;
  outRef = out;
  return end;
}

// Lengths that are all at hand, each symbol a run of its own; `runs` holds
// `symbolCount` runs.
TCodeLengths RunsOfLengths(const std::uint8_t* lengths, unsigned symbolCount, TLengthRun* runs) {
  TCodeLengths code{lengths, runs, 0, 0, symbolCount, {}, {}};
  for (unsigned s = 0; s < symbolCount; ++s) {
    const unsigned length = lengths[s];
    runs[code.runCount] = {static_cast<std::uint16_t>(s), static_cast<std::uint16_t>(code.counts[length]++), 1};
    code.runCount += length != 0;
  }
  return code;
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
    TLengthRun runs[288];
    TFixedCodes fixed;
    fixed.literalLength.Build(RunsOfLengths(lengths, 288, runs), LiteralLengthMeanings(), false, false, 11);
    fixed.distance.Build(RunsOfLengths(distances, 32, runs), DistanceMeanings(), false, false, 8);
    return fixed;
  }();
  return codes;
}

enum class TRead { kOk, kRefused, kShort };

// The bits come from a local copy, which stays in registers while the
// lengths are written as bytes (which could otherwise be the caller's bit
// buffer), and go back once the codes are read; where they are not, the
// caller puts its own copy back.
template <class Codes>
TRead ReadDynamicCodes(TBits& bits, Codes& codes, unsigned literalBits) {
  TBits in = bits;
  static const std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  if (!in.Refill()) return TRead::kShort;
  const unsigned literalCount = in.Take(5) + 257;
  const unsigned distanceCount = in.Take(5) + 1;
  const unsigned codeLengthCount = in.Take(4) + 4;
  if (in.Overrun()) return TRead::kShort;
  if (literalCount > 286 || distanceCount > 30) return TRead::kRefused;
  std::uint8_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (in.count < 3 && !in.Refill()) return TRead::kShort;
    codeLengthLengths[kOrder[i]] = static_cast<std::uint8_t>(in.Take(3));
  }
  if (in.Overrun()) return TRead::kShort;
  // Without a code length code every length reads as 0, and zlib then finds
  // no end-of-block code: refused either way.
  TLengthRun codeLengthRuns[19];
  if (!codes.codeLength.Build(RunsOfLengths(codeLengthLengths, 19, codeLengthRuns), CodeLengthMeanings(), false,
                              false, 7)) {
    return TRead::kRefused;
  }
  const TDecodeView codeLengths = codes.codeLength.View();

  // Room for a word written from the last code on. Zeros to start with: a
  // run longer than a word is a run of zeros, whose tail is then in place.
  std::uint8_t lengths[286 + 30 + 8] = {};
  // The two codes' lengths come as one sequence, whose runs may cross from
  // one code into the other; ranks are counted over both, and the distance
  // code's start where the literal/length code's lengths end.
  TLengthRun runs[286 + 30];
  TCodeLengths literals{lengths, runs, 0, 0, literalCount, {}, {}};
  TCodeLengths distances{lengths, runs, 0, literalCount, distanceCount, {}, {}};
  unsigned* const counts = literals.counts;
  const unsigned total = literalCount + distanceCount;
  unsigned runCount = 0;
  unsigned i = 0;
  for (const unsigned limit : {literalCount, total}) {
    while (i < limit) {
      // A code length code and its extra bits take at most 14 bits.
      if (in.count < 14 && !in.Refill()) return TRead::kShort;
      const std::uint32_t entry = codeLengths.Primary(in.buffer);
      const unsigned meaning = ValueOf(entry);
      if (meaning & kOneLength) {
        // Most symbols: a byte, which spills into nothing, and no repeat
        // that could run past the codes.
        in.Drop(DropBits(entry));
        const unsigned value = meaning & 15;
        lengths[i] = static_cast<std::uint8_t>(value);
        const unsigned rank = counts[value];
        counts[value] = rank + 1;
        runs[runCount] = {static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(rank), 1};
        runCount += value != 0;
        ++i;
        continue;
      }
      const unsigned extra = DropBits(entry) - CodeBits(entry);
      const unsigned repeat =
          ((meaning >> 4) & 15) + static_cast<unsigned>((in.buffer >> CodeBits(entry)) & ((1u << extra) - 1));
      in.Drop(DropBits(entry));
      if ((meaning & kRepeatPrevious) && i == 0) return in.Overrun() ? TRead::kShort : TRead::kRefused;
      if (i + repeat > total) return in.Overrun() ? TRead::kShort : TRead::kRefused;
      const std::uint8_t value =
          static_cast<std::uint8_t>((meaning & kRepeatPrevious) ? lengths[i - 1] : meaning & 15);
      // One word holds every run but those of zeros, whose tails are there
      // already: a word written spills only into the next run's first word.
      const std::uint64_t eight = 0x0101010101010101u * value;
      std::memcpy(lengths + i, &eight, 8);
      const unsigned rank = counts[value];
      counts[value] = rank + repeat;
      runs[runCount] = {static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(rank),
                        static_cast<std::uint16_t>(repeat)};
      runCount += value != 0;
      i += repeat;
    }
    if (limit == literalCount) {
      literals.runCount = distances.runCount = runCount;
      std::memcpy(distances.rankStart, counts, sizeof distances.rankStart);
      // The part of a run that crossed into the distance code's lengths.
      distances.rankStart[lengths[literalCount - 1]] -= i - literalCount;
      if (i > literalCount && lengths[literalCount - 1] != 0) --distances.runCount;
    }
  }
  if (in.Overrun()) return TRead::kShort;
  if (lengths[256] == 0) return TRead::kRefused;
  bits = in;
  for (unsigned length = 1; length < 16; ++length) {
    distances.counts[length] = counts[length] - distances.rankStart[length];
    counts[length] = distances.rankStart[length];
  }
  distances.runs = runs + distances.runCount;
  distances.runCount = runCount - distances.runCount;
  return codes.literalLength.Build(literals, LiteralLengthMeanings(), true, false, literalBits) &&
                 codes.distance.Build(distances, DistanceMeanings(), true, true, 8)
             ? TRead::kOk
             : TRead::kRefused;
}

}  // namespace

// A small stream fills its tables more often than it looks them up: the
// literal/length table's primary part is narrower for small outputs.
TZlibInflater::TZlibInflater(std::uint64_t outputSize, TCheck check)
    : literalBits_(outputSize <= (std::uint64_t{4} << 10) ? 9 : outputSize <= (std::uint64_t{16} << 10) ? 10 : 11),
      checkHere_(check == TCheck::kHere) {}

TZlibInflater::TStatus TZlibInflater::Inflate(TInput& input, TOutput& output) {
  if (phase_ == TPhase::kDone) return TStatus::kDone;
  if (phase_ == TPhase::kRefused) return TStatus::kRefused;
  const std::uint8_t* const madeFrom = output.next;
  const TStatus status = Run(input, output);
  if (status == TStatus::kRefused) phase_ = TPhase::kRefused;
  if (checkHere_ && phase_ != TPhase::kDone) adler_ = libdeflate_adler32(adler_, madeFrom, output.next - madeFrom);
  return status;
}

TZlibInflater::TStatus TZlibInflater::Run(TInput& input, TOutput& output) {
  TBits in{input.next, input.next, input.end, bitBuffer_, bitCount_};
  std::uint8_t* out = output.next;
  const TStatus shortOfInput = input.final ? TStatus::kRefused : TStatus::kNeedInput;
  // Hands the state back to the caller's records.
  auto leave = [&](TStatus status) {
    in.GiveBack();
    bitBuffer_ = in.buffer;
    bitCount_ = in.count;
    inputTaken_ += static_cast<std::uint64_t>(in.next - input.next);
    input.next = in.next;
    outputMade_ += static_cast<std::uint64_t>(out - output.next);
    output.next = out;
    return status;
  };
  auto noteLast = [&](const TLastSymbol& last) {
    if (last.start == nullptr) return;
    lastSymbolEndBit_ = inputTaken_ * 8 + static_cast<std::uint64_t>(last.endBit);
    lastSymbolStart_ = outputMade_ + static_cast<std::uint64_t>(last.start - output.next);
  };
  for (;;) {
    const TBits before = in;
    switch (phase_) {
      case TPhase::kStreamHeader: {
        in.Refill();
        const unsigned first = in.Take(8);
        const unsigned header = first << 8 | in.Take(8);
        if (in.Overrun()) {
          in = before;
          return leave(shortOfInput);
        }
        const unsigned windowBits = (header >> 12) + 8;
        if ((header >> 8 & 15) != 8 || windowBits > 15 || header % 31 != 0 || (header & 0x20) != 0) {
          return leave(TStatus::kRefused);
        }
        // A zlib built with INFLATE_STRICT refuses distances beyond the
        // window the header declares.
        window_ = 1u << windowBits;
        phase_ = TPhase::kBlockHeader;
        break;
      }
      case TPhase::kBlockHeader: {
        in.Refill();
        finalBlock_ = in.Take(1) != 0;
        const unsigned type = in.Take(2);
        TRead read = TRead::kOk;
        if (type == 0) {
          in.Align();
          in.Refill();
          storedLeft_ = in.Take(16);
          read = storedLeft_ == (in.Take(16) ^ 0xFFFFu) ? TRead::kOk : TRead::kRefused;
          phase_ = TPhase::kStored;
        } else if (type == 1) {
          fixedCodes_ = true;
          phase_ = TPhase::kHuffman;
        } else if (type == 2) {
          read = ReadDynamicCodes(in, dynamic_, literalBits_);
          fixedCodes_ = false;
          phase_ = TPhase::kHuffman;
        } else {
          read = TRead::kRefused;
        }
        if (read == TRead::kShort || in.Overrun()) {
          in = before;
          phase_ = TPhase::kBlockHeader;
          return leave(shortOfInput);
        }
        if (read == TRead::kRefused) return leave(TStatus::kRefused);
        break;
      }
      case TPhase::kStored: {
        in.GiveBack();  // aligned: nothing stays in the buffer
        const std::size_t n = std::min({std::size_t{storedLeft_}, static_cast<std::size_t>(in.end - in.next),
                                        static_cast<std::size_t>(output.end - out)});
        std::memcpy(out, in.next, n);
        out += n;
        in.next += n;
        storedLeft_ -= static_cast<std::uint32_t>(n);
        // Each stored byte is a symbol of its own.
        if (n > 0) noteLast({out - 1, in.Position()});
        if (storedLeft_ > 0) {
          if (out == output.end) return leave(output.endIsFinal ? TStatus::kRefused : TStatus::kOutputFull);
          return leave(shortOfInput);
        }
        phase_ = finalBlock_ ? TPhase::kCheck : TPhase::kBlockHeader;
        break;
      }
      case TPhase::kHuffman: {
        const TDecodeView literalLength =
            fixedCodes_ ? FixedCodes().literalLength.View() : dynamic_.literalLength.View();
        const TDecodeView distances = fixedCodes_ ? FixedCodes().distance.View() : dynamic_.distance.View();
        TLastSymbol last;
        const TSymbols end = InflateHuffmanBlock(in, out, output, literalLength, distances, window_, last);
        noteLast(last);
        if (end == TSymbols::kNeedInput) return leave(shortOfInput);
        if (end == TSymbols::kOutputFull) return leave(output.endIsFinal ? TStatus::kRefused : TStatus::kOutputFull);
        if (end != TSymbols::kEndOfBlock) return leave(TStatus::kRefused);
        phase_ = finalBlock_ ? TPhase::kCheck : TPhase::kBlockHeader;
        break;
      }
      case TPhase::kCheck: {
        if (!output.endIsFinal || out != output.end) return leave(TStatus::kRefused);
        in.Align();
        in.Refill();
        std::uint32_t stored = 0;
        for (int i = 0; i < 4; ++i) stored = stored << 8 | in.Take(8);
        if (in.Overrun()) {
          in = before;
          return leave(shortOfInput);
        }
        storedCheck_ = stored;
        if (checkHere_) {
          adler_ = libdeflate_adler32(adler_, output.next, static_cast<std::size_t>(out - output.next));
          if (stored != adler_) return leave(TStatus::kRefused);
        }
        phase_ = TPhase::kDone;
        return leave(TStatus::kDone);
      }
      case TPhase::kDone:
        return leave(TStatus::kDone);
      case TPhase::kRefused:
        return leave(TStatus::kRefused);
    }
  }
}

TWholeInflate InflateWholeZlibStream(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                                     std::size_t outSize) {
  TZlibInflater inflater(outSize);
  TZlibInflater::TInput input{data, data + size, true};
  TZlibInflater::TOutput output{out, out, out + outSize, true};
  TWholeInflate result;
  if (inflater.Inflate(input, output) == TZlibInflater::TStatus::kDone) {
    result.ok = true;
    result.bytesToLastOutput = static_cast<std::size_t>(inflater.BytesToLastOutput());
    result.lastSymbolStart = static_cast<std::size_t>(inflater.LastSymbolStart());
  }
  return result;
}
