// Inflation of a zlib stream by zlib's own rules, for image data that
// arrives intact. It takes exactly the streams zlib's inflate takes, whatever
// zlib was built with: not the dynamic blocks that declare 287 or 288
// literal/length codes or 31 or 32 distance codes, code length repeats that
// run past the declared codes, code length codes that are a single 1-bit
// code, the reserved symbols of fixed-code blocks, the unused code of a
// single-code table, a distance in a block without distance codes, or a
// distance beyond the window the header declares.
//
// The stream may come and go in pieces: input in parts of any size, output
// into a window the caller moves on, so that neither the compressed nor the
// inflated data need be held whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zlib_inflate_detail {

// How a decode table is looked up, held by value where symbols are decoded:
// the output is written a byte at a time, and such a write could, for all
// the compiler knows, change a table reached through a reference.
struct TDecodeView {
  const std::uint32_t* entries;
  std::uint64_t mask;

  std::uint32_t Primary(std::uint64_t bits) const { return entries[bits & mask]; }
  // The entry a subtable pointer leads to, for the bits after the primary ones.
  std::uint32_t Sub(std::uint32_t pointer, std::uint64_t bits) const {
    return entries[((pointer >> 16) & 0x7FFF) + (bits & ((1u << ((pointer >> 8) & 15)) - 1))];
  }
};

// A run of symbols whose codewords have one length, other than 0, and the
// first one's rank among the symbols of that length: the rank places it in
// the canonical order without sorting.
struct TLengthRun {
  std::uint16_t start;
  std::uint16_t rank;
  std::uint16_t count;
};

// The lengths of one code as runs, counted over symbols `first` to
// `first` + `symbolCount` - 1 of `lengths` (a run may reach beyond them,
// into the code before or after).
struct TCodeLengths {
  const std::uint8_t* lengths;
  const TLengthRun* runs;
  unsigned runCount;
  unsigned first;
  unsigned symbolCount;
  unsigned counts[16];     // the code's symbols of each length; counts[0] is not read
  unsigned rankStart[16];  // the rank of the code's first symbol of each length
};

// A decode table: a primary part indexed by the stream's next bits (at most
// 11, fewer where the longest codeword is shorter), then the subtables of
// the codewords longer than that.
template <std::size_t Capacity>
class TDecodeTable {
 public:
  using TMeanings = std::array<std::uint32_t, 288>;
  // Judges the lengths as zlib's inflate_table does (see the .cpp file).
  bool Build(const TCodeLengths& code, const TMeanings& meanings, bool singleAllowed, bool emptyAllowed,
             unsigned maxPrimaryBits);
  TDecodeView View() const { return {entries_.data(), mask_}; }

 private:
  std::uint64_t mask_ = 0;
  // Only the entries Build writes are ever read: no clearing beforehand.
  std::array<std::uint32_t, Capacity> entries_;
};

// Sizes as zlib's "enough" program gives them for the largest primary parts
// used (11, 8 and 7 bits); smaller primary parts need less.
using TLiteralLengthTable = TDecodeTable<2342>;
using TDistanceTable = TDecodeTable<402>;
using TCodeLengthTable = TDecodeTable<128>;

}  // namespace zlib_inflate_detail

class TZlibInflater {
 public:
  enum class TStatus {
    kNeedInput,   // every byte given is used; more are needed to go on
    kOutputFull,  // the output window is full; move it on and call again
    kDone,        // the stream ended exactly at the output's end, its check value right (or read)
    kRefused,     // zlib would refuse the stream, or it does not fit the output
  };

  // Who compares the stream's check value with the output's Adler-32.
  enum class TCheck {
    kHere,      // the inflater: kDone only when they agree
    kByCaller,  // the caller, with StoredCheck() after kDone; the inflater sums nothing
  };

  // `outputSize`: the bytes the stream is expected to give.
  explicit TZlibInflater(std::uint64_t outputSize, TCheck check = TCheck::kHere);

  struct TInput {
    const std::uint8_t* next;
    const std::uint8_t* end;
    bool final;  // nothing follows `end`
  };
  struct TOutput {
    // Matches may reach back to here: the stream's first output byte, or at
    // least 32 KiB before `next`.
    const std::uint8_t* history;
    std::uint8_t* next;
    std::uint8_t* end;
    bool endIsFinal;  // the stream must end exactly at `end`
  };

  // Inflates from `input` into `output` as far as both allow, moving their
  // `next` on. Bytes of input taken are never needed again. Once kDone or
  // kRefused is answered, every later call answers the same.
  TStatus Inflate(TInput& input, TOutput& output);

  // After kDone: bytes of the stream, its two header bytes included, that
  // zlib's streaming inflate has read when it gives the last byte of
  // output, and where the bytes of the last symbol (a literal, a match, a
  // stored byte) begin in the output.
  std::uint64_t BytesToLastOutput() const { return (lastSymbolEndBit_ + 7) / 8; }
  std::uint64_t LastSymbolStart() const { return lastSymbolStart_; }
  // After kDone, with TCheck::kByCaller: the check value the stream ends with.
  std::uint32_t StoredCheck() const { return storedCheck_; }

 private:
  enum class TPhase { kStreamHeader, kBlockHeader, kStored, kHuffman, kCheck, kDone, kRefused };
  struct TDynamicCodes {
    zlib_inflate_detail::TCodeLengthTable codeLength;
    zlib_inflate_detail::TLiteralLengthTable literalLength;
    zlib_inflate_detail::TDistanceTable distance;
  };

  TStatus Run(TInput& input, TOutput& output);

  TPhase phase_ = TPhase::kStreamHeader;
  bool finalBlock_ = false;
  bool fixedCodes_ = false;
  unsigned window_ = 0;
  unsigned literalBits_;
  bool checkHere_;
  std::uint32_t storedLeft_ = 0;
  // Bits of input already taken (fewer than 8 between calls).
  std::uint64_t bitBuffer_ = 0;
  unsigned bitCount_ = 0;
  std::uint64_t inputTaken_ = 0;  // bytes, counted from the stream's first
  std::uint64_t outputMade_ = 0;
  std::uint32_t adler_ = 1;
  std::uint32_t storedCheck_ = 0;
  std::uint64_t lastSymbolEndBit_ = 0;
  std::uint64_t lastSymbolStart_ = 0;
  TDynamicCodes dynamic_;
};

struct TWholeInflate {
  // True when every block is one zlib takes, the stream fills `out` exactly
  // and the check value after it is right.
  bool ok = false;
  // As TZlibInflater's BytesToLastOutput and LastSymbolStart.
  std::size_t bytesToLastOutput = 0;
  std::size_t lastSymbolStart = 0;
};

// Inflates the zlib stream `data`, held whole, into `out`, which holds
// `outSize` bytes. Whatever the result, `out` may have been written.
TWholeInflate InflateWholeZlibStream(const std::uint8_t* data, std::size_t size, std::uint8_t* out,
                                     std::size_t outSize);
