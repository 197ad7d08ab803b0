#include "fuzz/deflate_mutator.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace pngfuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TRandom {
  std::mt19937 engine;
  unsigned Below(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(engine() % n); }
  bool OneIn(unsigned n) { return Below(n) == 0; }
};

// ---------------------------------------------------------------------------
// PNG chunks.

const std::uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

struct TPngChunk {
  std::string type;
  Bytes data;
};

struct TPngFile {
  std::vector<TPngChunk> chunks;
  Bytes trailing;  // whatever does not form a whole chunk
};

std::uint32_t BigEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

void PutBigEndian32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

bool ParsePng(const std::uint8_t* p, std::size_t n, TPngFile& png) {
  if (n < 8 || std::memcmp(p, kSignature, 8) != 0) return false;
  std::size_t at = 8;
  while (n - at >= 12) {
    const std::uint32_t length = BigEndian32(p + at);
    if (length > n - at - 12) break;
    png.chunks.push_back({std::string(reinterpret_cast<const char*>(p + at + 4), 4),
                          Bytes(p + at + 8, p + at + 8 + length)});
    at += 12 + std::size_t{length};
  }
  png.trailing.assign(p + at, p + n);
  return true;
}

Bytes WritePng(const TPngFile& png) {
  Bytes out(kSignature, kSignature + 8);
  for (const TPngChunk& chunk : png.chunks) {
    PutBigEndian32(out, static_cast<std::uint32_t>(chunk.data.size()));
    out.insert(out.end(), chunk.type.begin(), chunk.type.end());
    out.insert(out.end(), chunk.data.begin(), chunk.data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.type.data()), 4);
    if (!chunk.data.empty()) crc = crc32(crc, chunk.data.data(), static_cast<uInt>(chunk.data.size()));
    PutBigEndian32(out, static_cast<std::uint32_t>(crc));
  }
  out.insert(out.end(), png.trailing.begin(), png.trailing.end());
  return out;
}

// ---------------------------------------------------------------------------
// Deflate, as symbols. Extra bits and bases are those of a lax inflater:
// literal/length symbols 286 and 287 stand for 258, distance symbols 30 and
// 31 for 24577 with 13 extra bits.

unsigned LengthExtraBits(unsigned symbol) { return symbol >= 265 && symbol < 285 ? (symbol - 261) / 4 : 0; }
unsigned LengthBase(unsigned symbol) {
  if (symbol >= 285) return 258;
  unsigned base = 3;
  for (unsigned s = 257; s < symbol; ++s) base += 1u << LengthExtraBits(s);
  return base;
}
unsigned DistanceExtraBits(unsigned symbol) { return symbol < 4 ? 0 : symbol >= 30 ? 13 : symbol / 2 - 1; }
unsigned DistanceBase(unsigned symbol) {
  if (symbol >= 30) return 24577;
  unsigned base = 1;
  for (unsigned s = 0; s < symbol; ++s) base += 1u << DistanceExtraBits(s);
  return base;
}

const std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct TToken {
  std::uint16_t symbol = 0;  // a literal or length symbol; kRawBits for bits written as they are
  std::uint16_t extra = 0;   // the length's extra bits (raw bits: their count)
  std::uint16_t distance = 0;
  std::uint16_t distanceExtra = 0;  // (raw bits: the bits)
  int rawDistanceBit = -1;          // 0 or 1: the distance code written as this single bit
};
constexpr std::uint16_t kRawBits = 0xFFFF;

struct TBlock {
  bool final = false;
  unsigned type = 1;
  Bytes stored;
  unsigned literalCount = 257;
  unsigned codeLengthCount = 19;
  std::array<std::uint8_t, 19> codeLengthLengths{};
  Bytes lengths;  // literal/length lengths, then distance lengths
  std::vector<std::pair<std::uint8_t, std::uint8_t>> lengthCodes;  // as read; empty: made from `lengths`
  std::vector<TToken> tokens;
  int rawEndBit = -1;  // 0 or 1: the end-of-block code written as this single bit
};

struct TDeflate {
  std::uint8_t cmf = 0x78, flg = 0xDA;
  std::vector<TBlock> blocks;
  std::vector<bool> tailBits;  // bits from where parsing gave up
  Bytes trailer;               // bytes after the final block
};

Bytes FixedLengths() {
  Bytes lengths(288 + 32, 5);
  std::fill(lengths.begin(), lengths.begin() + 144, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  std::fill(lengths.begin() + 280, lengths.begin() + 288, 8);
  return lengths;
}

class TBitReader {
 public:
  TBitReader(const std::uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}
  unsigned Bits(unsigned count) {
    unsigned value = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (position_ >= bits_) {
        failed = true;
        return 0;
      }
      value |= ((p_[position_ / 8] >> (position_ % 8)) & 1u) << i;
      ++position_;
    }
    return value;
  }
  void Align() { position_ = (position_ + 7) / 8 * 8; }
  std::size_t Position() const { return position_; }
  bool Bit(std::size_t at) const { return (p_[at / 8] >> (at % 8)) & 1; }
  std::size_t End() const { return bits_; }
  bool failed = false;

 private:
  const std::uint8_t* p_;
  std::size_t bits_;
  std::size_t position_ = 0;
};

// Canonical decoding, one bit at a time; incomplete codes are taken, and a
// codeword they do not assign reads as -1.
class THuffman {
 public:
  THuffman(const std::uint8_t* lengths, unsigned n) {
    for (unsigned s = 0; s < n; ++s) ++counts_[lengths[s] & 15];
    counts_[0] = 0;
    int left = 1;
    for (unsigned len = 1; len < 16; ++len) {
      left = 2 * left - counts_[len];
      if (left < 0) oversubscribed = true;
    }
    for (unsigned len = 1; len < 16; ++len) {
      for (unsigned s = 0; s < n; ++s) {
        if (lengths[s] == len) symbols_.push_back(static_cast<std::uint16_t>(s));
      }
    }
  }
  int Decode(TBitReader& in) const {
    int code = 0, first = 0, index = 0;
    for (unsigned len = 1; len < 16; ++len) {
      code |= static_cast<int>(in.Bits(1));
      if (in.failed) return -1;
      const int count = counts_[len];
      if (code - count < first) return symbols_[index + (code - first)];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }
  bool oversubscribed = false;

 private:
  std::array<int, 16> counts_{};
  std::vector<std::uint16_t> symbols_;
};

bool ParseTokens(TBitReader& in, const Bytes& lengths, unsigned literalCount, TBlock& block) {
  const THuffman literal(lengths.data(), literalCount);
  const THuffman distance(lengths.data() + literalCount, static_cast<unsigned>(lengths.size()) - literalCount);
  if (literal.oversubscribed || distance.oversubscribed) return false;
  for (;;) {
    const int symbol = literal.Decode(in);
    if (symbol < 0) return false;
    if (symbol == 256) return true;
    TToken token;
    token.symbol = static_cast<std::uint16_t>(symbol);
    if (symbol > 256) {
      token.extra = static_cast<std::uint16_t>(in.Bits(LengthExtraBits(symbol)));
      const int d = distance.Decode(in);
      if (d < 0) return false;
      token.distance = static_cast<std::uint16_t>(d);
      token.distanceExtra = static_cast<std::uint16_t>(in.Bits(DistanceExtraBits(d)));
    }
    if (in.failed) return false;
    block.tokens.push_back(token);
  }
}

bool ParseDynamicHeader(TBitReader& in, TBlock& block) {
  block.literalCount = in.Bits(5) + 257;
  const unsigned distanceCount = in.Bits(5) + 1;
  block.codeLengthCount = in.Bits(4) + 4;
  for (unsigned i = 0; i < block.codeLengthCount; ++i) {
    block.codeLengthLengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(in.Bits(3));
  }
  const THuffman codeLength(block.codeLengthLengths.data(), 19);
  if (in.failed || codeLength.oversubscribed) return false;
  const unsigned total = block.literalCount + distanceCount;
  block.lengths.clear();
  while (block.lengths.size() < total) {
    const int symbol = codeLength.Decode(in);
    if (symbol < 0) return false;
    unsigned extra = 0, repeat = 1;
    std::uint8_t value = static_cast<std::uint8_t>(symbol);
    if (symbol == 16) {
      if (block.lengths.empty()) return false;
      extra = in.Bits(2);
      repeat = 3 + extra;
      value = block.lengths.back();
    } else if (symbol == 17) {
      extra = in.Bits(3);
      repeat = 3 + extra;
      value = 0;
    } else if (symbol == 18) {
      extra = in.Bits(7);
      repeat = 11 + extra;
      value = 0;
    }
    if (in.failed) return false;
    block.lengthCodes.emplace_back(static_cast<std::uint8_t>(symbol), static_cast<std::uint8_t>(extra));
    block.lengths.insert(block.lengths.end(), repeat, value);
  }
  block.lengths.resize(total);
  return true;
}

TDeflate ParseZlib(const Bytes& z) {
  TDeflate d;
  if (z.size() < 2) {
    d.trailer = z;
    return d;
  }
  d.cmf = z[0];
  d.flg = z[1];
  TBitReader in(z.data() + 2, z.size() - 2);
  for (;;) {
    const std::size_t blockStart = in.Position();
    TBlock block;
    block.final = in.Bits(1) != 0;
    block.type = in.Bits(2);
    bool ok = !in.failed;
    if (ok && block.type == 0) {
      in.Align();
      const unsigned length = in.Bits(16);
      ok = (in.Bits(16) ^ 0xFFFFu) == length && in.Position() / 8 + length <= (in.End() / 8);
      if (ok) {
        const std::uint8_t* from = z.data() + 2 + in.Position() / 8;
        block.stored.assign(from, from + length);
        for (unsigned i = 0; i < length; ++i) in.Bits(8);
      }
    } else if (ok && block.type == 1) {
      block.lengths = FixedLengths();
      block.literalCount = 288;
      ok = ParseTokens(in, block.lengths, 288, block);
    } else if (ok && block.type == 2) {
      ok = ParseDynamicHeader(in, block) && ParseTokens(in, block.lengths, block.literalCount, block);
    } else {
      ok = false;
    }
    if (!ok || in.failed) {
      for (std::size_t at = blockStart; at < in.End(); ++at) d.tailBits.push_back(in.Bit(at));
      return d;
    }
    d.blocks.push_back(std::move(block));
    if (d.blocks.back().final) break;
  }
  d.trailer.assign(z.begin() + 2 + static_cast<std::ptrdiff_t>((in.Position() + 7) / 8), z.end());
  return d;
}

class TBitWriter {
 public:
  void Put(std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) PutBit((value >> i) & 1);
  }
  // Huffman codewords go most significant bit first.
  void PutCode(unsigned code, unsigned length) {
    for (unsigned i = length; i-- > 0;) PutBit((code >> i) & 1);
  }
  void PutBit(bool bit) {
    if (count_ % 8 == 0) bytes.push_back(0);
    if (bit) bytes.back() |= static_cast<std::uint8_t>(1u << (count_ % 8));
    ++count_;
  }
  void Align() { count_ = (count_ + 7) / 8 * 8; }
  Bytes bytes;

 private:
  std::size_t count_ = 0;
};

std::vector<unsigned> CanonicalCodes(const std::uint8_t* lengths, unsigned n) {
  unsigned counts[16] = {}, next[16] = {};
  for (unsigned s = 0; s < n; ++s) ++counts[lengths[s] & 15];
  counts[0] = 0;
  for (unsigned len = 1; len < 16; ++len) next[len] = (next[len - 1] + counts[len - 1]) << 1;
  std::vector<unsigned> codes(n);
  for (unsigned s = 0; s < n; ++s) {
    if (lengths[s] != 0) codes[s] = next[lengths[s] & 15]++;
  }
  return codes;
}

// Code length codes for `lengths`, runs folded into repeats.
std::vector<std::pair<std::uint8_t, std::uint8_t>> FoldLengths(const Bytes& lengths) {
  std::vector<std::pair<std::uint8_t, std::uint8_t>> codes;
  for (std::size_t i = 0; i < lengths.size();) {
    const std::uint8_t value = lengths[i];
    std::size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == value) ++run;
    i += run;
    if (value == 0) {
      for (; run >= 11; run -= std::min<std::size_t>(run, 138)) {
        codes.emplace_back(18, static_cast<std::uint8_t>(std::min<std::size_t>(run, 138) - 11));
      }
      if (run >= 3) {
        codes.emplace_back(17, static_cast<std::uint8_t>(run - 3));
        run = 0;
      }
    } else {
      codes.emplace_back(value, 0);
      --run;
      for (; run >= 3; run -= std::min<std::size_t>(run, 6)) {
        codes.emplace_back(16, static_cast<std::uint8_t>(std::min<std::size_t>(run, 6) - 3));
      }
    }
    for (; run > 0; --run) codes.emplace_back(value, 0);
  }
  return codes;
}

void WriteTokens(TBitWriter& out, const TBlock& block) {
  const std::vector<unsigned> literal = CanonicalCodes(block.lengths.data(), block.literalCount);
  const unsigned distanceCount = static_cast<unsigned>(block.lengths.size()) - block.literalCount;
  const std::vector<unsigned> distance = CanonicalCodes(block.lengths.data() + block.literalCount, distanceCount);
  auto literalCode = [&](unsigned s) {
    if (s < block.literalCount) out.PutCode(literal[s], block.lengths[s]);
  };
  for (const TToken& t : block.tokens) {
    if (t.symbol == kRawBits) {
      out.Put(t.distanceExtra, t.extra);
      continue;
    }
    literalCode(t.symbol);
    if (t.symbol <= 256) continue;
    out.Put(t.extra, LengthExtraBits(t.symbol));
    if (t.rawDistanceBit >= 0) {
      out.PutBit(t.rawDistanceBit != 0);
    } else if (t.distance < distanceCount) {
      out.PutCode(distance[t.distance], block.lengths[block.literalCount + t.distance]);
    }
    out.Put(t.distanceExtra, DistanceExtraBits(t.distance));
  }
  if (block.rawEndBit >= 0) {
    out.PutBit(block.rawEndBit != 0);
  } else {
    literalCode(256);
  }
}

void WriteDynamicHeader(TBitWriter& out, TBlock& block) {
  if (block.lengthCodes.empty()) block.lengthCodes = FoldLengths(block.lengths);
  bool encodable = true;
  for (const auto& code : block.lengthCodes) encodable = encodable && block.codeLengthLengths[code.first] != 0;
  if (!encodable) {
    // A complete code over all nineteen symbols: thirteen of 4 bits, six of 5.
    for (unsigned s = 0; s < 19; ++s) block.codeLengthLengths[s] = s < 13 ? 4 : 5;
    block.codeLengthCount = 19;
  }
  out.Put(block.literalCount - 257, 5);
  out.Put(static_cast<unsigned>(block.lengths.size()) - block.literalCount - 1, 5);
  out.Put(block.codeLengthCount - 4, 4);
  for (unsigned i = 0; i < block.codeLengthCount; ++i) out.Put(block.codeLengthLengths[kCodeLengthOrder[i]], 3);
  const std::vector<unsigned> codes = CanonicalCodes(block.codeLengthLengths.data(), 19);
  for (const auto& [symbol, extra] : block.lengthCodes) {
    out.PutCode(codes[symbol], block.codeLengthLengths[symbol]);
    if (symbol == 16) out.Put(extra, 2);
    if (symbol == 17) out.Put(extra, 3);
    if (symbol == 18) out.Put(extra, 7);
  }
}

Bytes WriteZlib(TDeflate& d) {
  TBitWriter out;
  for (TBlock& block : d.blocks) {
    out.Put(block.final, 1);
    out.Put(block.type, 2);
    if (block.type == 0) {
      out.Align();
      out.Put(static_cast<unsigned>(block.stored.size()), 16);
      out.Put(~static_cast<unsigned>(block.stored.size()) & 0xFFFF, 16);
      for (std::uint8_t b : block.stored) out.Put(b, 8);
      continue;
    }
    if (block.type == 2) WriteDynamicHeader(out, block);
    WriteTokens(out, block);
  }
  for (bool bit : d.tailBits) out.PutBit(bit);
  Bytes z = {d.cmf, d.flg};
  z.insert(z.end(), out.bytes.begin(), out.bytes.end());
  z.insert(z.end(), d.trailer.begin(), d.trailer.end());
  return z;
}

// The output a lax inflater makes of the blocks; false when it cannot be
// told (raw bits, a distance before the start, more than `limit` bytes).
bool Expand(const TDeflate& d, Bytes& out, std::size_t limit) {
  for (const TBlock& block : d.blocks) {
    out.insert(out.end(), block.stored.begin(), block.stored.end());
    for (const TToken& t : block.tokens) {
      if (t.symbol == kRawBits) return false;
      if (t.symbol < 256) {
        out.push_back(static_cast<std::uint8_t>(t.symbol));
        continue;
      }
      const std::size_t length = LengthBase(t.symbol) + t.extra;
      const std::size_t distance = DistanceBase(t.distance) + t.distanceExtra;
      if (distance > out.size()) return false;
      for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    }
    if (out.size() > limit) return false;
  }
  return d.tailBits.empty();
}

// ---------------------------------------------------------------------------
// The mutations.

// Gives `symbol` (within lengths [begin, end)) a codeword by splitting the
// longest codeword below 15 bits in two, which keeps the code complete.
bool SplitLeaf(Bytes& lengths, std::size_t begin, std::size_t end, std::size_t symbol) {
  std::size_t longest = end;
  for (std::size_t i = begin; i < end; ++i) {
    if (lengths[i] != 0 && lengths[i] < 15 && (longest == end || lengths[i] > lengths[longest])) longest = i;
  }
  if (longest == end || lengths[symbol] != 0) return false;
  ++lengths[longest];
  lengths[symbol] = lengths[longest];
  return true;
}

std::vector<std::size_t> HuffmanBlocks(const TDeflate& d, bool dynamicOnly) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < d.blocks.size(); ++i) {
    if (d.blocks[i].type == 2 || (!dynamicOnly && d.blocks[i].type == 1)) found.push_back(i);
  }
  return found;
}

void Retarget(TBlock& block, unsigned fromLength, unsigned toLength, unsigned fromDistance, unsigned toDistance,
              TRandom& random) {
  for (TToken& t : block.tokens) {
    if (t.symbol == fromLength && random.OneIn(2)) t.symbol = static_cast<std::uint16_t>(toLength);
    if (t.symbol > 256 && t.symbol != kRawBits && t.distance == fromDistance && random.OneIn(2)) {
      t.distance = static_cast<std::uint16_t>(toDistance);
    }
  }
}

// Declares 287 or 288 literal/length codes or 31 or 32 distance codes.
void DeclareExcessCodes(TBlock& block, TRandom& random) {
  if (random.OneIn(2)) {
    const unsigned count = std::max(block.literalCount, 287 + random.Below(2));
    block.lengths.insert(block.lengths.begin() + block.literalCount, count - block.literalCount, 0);
    block.literalCount = count;
    if (random.OneIn(2) && SplitLeaf(block.lengths, 0, count, 286)) Retarget(block, 285, 286, 99, 99, random);
  } else {
    const unsigned count = 31 + random.Below(2);
    block.lengths.resize(block.literalCount + count, 0);
    if (random.OneIn(2) && SplitLeaf(block.lengths, block.literalCount, block.lengths.size(), block.literalCount + 30)) {
      Retarget(block, 999, 999, 29, 30, random);
    }
  }
  block.lengthCodes.clear();
}

// Fixed codes, where symbols 286 and 287 and distances 30 and 31 have codewords.
void UseReservedFixedCodes(TBlock& block, TRandom& random) {
  block.type = 1;
  block.lengths = FixedLengths();
  block.literalCount = 288;
  block.lengthCodes.clear();
  Retarget(block, 285, 286 + random.Below(2), 29, 30 + random.Below(2), random);
  if (random.OneIn(3)) {
    TToken t;
    t.symbol = static_cast<std::uint16_t>(286 + random.Below(2));
    t.distance = static_cast<std::uint16_t>(random.OneIn(2) ? 0 : 30 + random.Below(2));
    block.tokens.insert(block.tokens.begin() + random.Below(static_cast<unsigned>(block.tokens.size()) + 1), t);
  }
}

// A block whose literal/length code is the end-of-block code alone, one bit
// long; ended with the unused codeword now and then.
TBlock LoneEndBlock(TRandom& random) {
  TBlock block;
  block.type = 2;
  block.lengths.assign(257 + 1, 0);
  block.lengths[256] = 1;
  if (random.OneIn(2)) block.lengths[257] = 1;  // a one-bit distance code too
  if (random.OneIn(2)) block.rawEndBit = 1;
  return block;
}

// An empty distance code, or a single one-bit one, with every match using
// it; some matches then take the unused codeword.
void DegenerateDistances(TBlock& block, TRandom& random) {
  const bool empty = random.OneIn(2);
  const unsigned kept = random.Below(static_cast<unsigned>(block.lengths.size()) - block.literalCount);
  std::fill(block.lengths.begin() + block.literalCount, block.lengths.end(), 0);
  if (!empty) block.lengths[block.literalCount + kept] = 1;
  for (TToken& t : block.tokens) {
    if (t.symbol <= 256 || t.symbol == kRawBits) continue;
    t.distance = static_cast<std::uint16_t>(empty ? 0 : kept);
    t.distanceExtra &= static_cast<std::uint16_t>((1u << DistanceExtraBits(t.distance)) - 1);
    t.rawDistanceBit = empty ? static_cast<int>(random.Below(2)) : random.OneIn(3) ? 1 : -1;
  }
  block.lengthCodes.clear();
}

// Code length codes whose last run of zeros runs past the declared codes.
void OverrunRepeat(TBlock& block, TRandom& random) {
  block.lengthCodes = FoldLengths(block.lengths);
  block.lengthCodes.pop_back();
  block.lengthCodes.emplace_back(18, static_cast<std::uint8_t>(120 + random.Below(8)));
}

// A code length code of one 1-bit codeword.
void SingleCodeLengthCode(TBlock& block, TRandom& random) {
  const unsigned symbol = random.Below(19);
  block.codeLengthLengths.fill(0);
  block.codeLengthLengths[symbol] = 1;
  block.codeLengthCount = 19;
  block.lengthCodes.assign(block.lengths.size(), {static_cast<std::uint8_t>(symbol), 0});
}

void TweakLengths(TBlock& block, TRandom& random) {
  const std::size_t at = random.Below(static_cast<unsigned>(block.lengths.size()));
  block.lengths[at] = static_cast<std::uint8_t>(random.OneIn(2) ? random.Below(16) : (block.lengths[at] + 1) % 16);
  block.lengthCodes.clear();
}

void TweakToken(TBlock& block, TRandom& random) {
  if (block.tokens.empty()) return;
  TToken& t = block.tokens[random.Below(static_cast<unsigned>(block.tokens.size()))];
  switch (random.Below(4)) {
    case 0:
      t = TToken{};
      t.symbol = static_cast<std::uint16_t>(random.Below(256));
      break;
    case 1:
      if (t.symbol > 256 && t.symbol != kRawBits) t.distanceExtra = static_cast<std::uint16_t>(random.Below(8192));
      break;
    case 2:
      if (t.symbol > 256 && t.symbol != kRawBits) t.distance = static_cast<std::uint16_t>(random.Below(30));
      break;
    default: {
      TToken raw;
      raw.symbol = kRawBits;
      raw.extra = static_cast<std::uint16_t>(1 + random.Below(8));
      raw.distanceExtra = static_cast<std::uint16_t>(random.Below(256));
      block.tokens.insert(block.tokens.begin() + random.Below(static_cast<unsigned>(block.tokens.size())), raw);
    }
  }
}

void ChangeBlocks(TDeflate& d, TRandom& random) {
  const unsigned at = random.Below(static_cast<unsigned>(d.blocks.size()));
  switch (random.Below(5)) {
    case 0: {  // split a Huffman block in two
      TBlock& block = d.blocks[at];
      if (block.type == 0 || block.tokens.empty()) return;
      TBlock second = block;
      const std::size_t cut = random.Below(static_cast<unsigned>(block.tokens.size()));
      block.tokens.resize(cut);
      block.final = false;
      block.rawEndBit = -1;
      second.tokens.erase(second.tokens.begin(), second.tokens.begin() + static_cast<std::ptrdiff_t>(cut));
      d.blocks.insert(d.blocks.begin() + at + 1, std::move(second));
      return;
    }
    case 1: {  // an empty stored or fixed block
      TBlock empty;
      empty.type = random.Below(2);
      if (empty.type == 1) {
        empty.lengths = FixedLengths();
        empty.literalCount = 288;
      }
      d.blocks.insert(d.blocks.begin() + at, std::move(empty));
      return;
    }
    case 2:
      d.blocks[at].final = !d.blocks[at].final;
      return;
    case 3:
      if (d.blocks.size() > 1) d.blocks.erase(d.blocks.begin() + at);
      return;
    default:
      d.blocks.insert(d.blocks.begin() + at, d.blocks[at]);
      d.blocks[at].final = false;
  }
}

void MutateDeflate(TDeflate& d, TRandom& random) {
  for (unsigned round = 1 + random.Below(3); round > 0; --round) {
    const std::vector<std::size_t> dynamic = HuffmanBlocks(d, true);
    const std::vector<std::size_t> huffman = HuffmanBlocks(d, false);
    auto pick = [&](const std::vector<std::size_t>& from) -> TBlock* {
      return from.empty() ? nullptr : &d.blocks[from[random.Below(static_cast<unsigned>(from.size()))]];
    };
    switch (random.Below(11)) {
      case 0:
        if (TBlock* b = pick(dynamic)) DeclareExcessCodes(*b, random);
        break;
      case 1:
        if (TBlock* b = pick(huffman)) UseReservedFixedCodes(*b, random);
        break;
      case 2:
        d.blocks.insert(d.blocks.begin() + random.Below(static_cast<unsigned>(d.blocks.size()) + 1),
                        LoneEndBlock(random));
        break;
      case 3:
        if (TBlock* b = pick(dynamic)) DegenerateDistances(*b, random);
        break;
      case 4:
        if (TBlock* b = pick(dynamic)) OverrunRepeat(*b, random);
        break;
      case 5:
        if (TBlock* b = pick(dynamic)) SingleCodeLengthCode(*b, random);
        break;
      case 6:
        if (TBlock* b = pick(dynamic)) TweakLengths(*b, random);
        break;
      case 7:
        if (TBlock* b = pick(huffman)) TweakToken(*b, random);
        break;
      case 8:
        if (!d.blocks.empty()) ChangeBlocks(d, random);
        break;
      case 9: {  // another window size, the header check kept right
        d.cmf = static_cast<std::uint8_t>((random.Below(8) << 4) | 8);
        d.flg = static_cast<std::uint8_t>(d.flg & 0xE0);
        d.flg = static_cast<std::uint8_t>(d.flg + (31 - (d.cmf * 256u + d.flg) % 31) % 31);
        break;
      }
      default:  // the end of the stream
        if (!d.trailer.empty() && random.OneIn(2)) {
          d.trailer.resize(random.Below(static_cast<unsigned>(d.trailer.size())));
        } else {
          d.trailer.push_back(static_cast<std::uint8_t>(random.Below(256)));
        }
    }
  }
  if (!d.blocks.empty() && random.OneIn(4)) d.blocks.back().final = true;
}

// A header for a one-row grey image that needs exactly `inflated` bytes.
bool FitHeader(TPngFile& png, std::size_t inflated) {
  if (inflated < 2 || inflated - 1 > 65535 || png.chunks.empty() || png.chunks[0].type != "IHDR" ||
      png.chunks[0].data.size() < 13) {
    return false;
  }
  Bytes& h = png.chunks[0].data;
  const std::uint32_t width = static_cast<std::uint32_t>(inflated - 1);
  const std::uint8_t fields[13] = {static_cast<std::uint8_t>(width >> 24), static_cast<std::uint8_t>(width >> 16),
                                   static_cast<std::uint8_t>(width >> 8),  static_cast<std::uint8_t>(width),
                                   0, 0, 0, 1, 8, 0, 0, 0, 0};
  std::copy(fields, fields + 13, h.begin());
  return true;
}

std::vector<TPngChunk> SplitIntoChunks(const Bytes& z, TRandom& random) {
  std::vector<std::size_t> cuts;
  switch (random.Below(4)) {
    case 0:
      break;
    case 1:
      for (std::size_t step = 1 + random.Below(16), at = step; at < z.size(); at += step) cuts.push_back(at);
      break;
    default:
      for (unsigned k = random.Below(8); k > 0; --k) cuts.push_back(random.Below(static_cast<unsigned>(z.size()) + 1));
      std::sort(cuts.begin(), cuts.end());
  }
  std::vector<TPngChunk> chunks;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    chunks.push_back({"IDAT", Bytes(z.begin() + from, z.begin() + cut)});
    from = cut;
  }
  chunks.push_back({"IDAT", Bytes(z.begin() + from, z.end())});
  return chunks;
}

}  // namespace

std::vector<std::uint8_t> MutateImageData(const std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                          unsigned seed) {
  TPngFile png;
  if (!ParsePng(data, size, png)) return {};
  std::size_t first = 0;
  while (first < png.chunks.size() && png.chunks[first].type != "IDAT") ++first;
  if (first == png.chunks.size()) return {};
  std::size_t last = first;
  Bytes z;
  for (; last < png.chunks.size() && png.chunks[last].type == "IDAT"; ++last) {
    z.insert(z.end(), png.chunks[last].data.begin(), png.chunks[last].data.end());
  }

  TRandom random{std::mt19937(seed)};
  TDeflate d = ParseZlib(z);
  MutateDeflate(d, random);
  Bytes mutated = WriteZlib(d);
  Bytes inflated;
  if (Expand(d, inflated, std::size_t{1} << 24)) {
    // The check value mended, mostly, so that the streams reach the rules
    // that tell inflaters apart.
    const std::size_t checkAt = mutated.size() - d.trailer.size();
    if (d.trailer.size() >= 4 && !random.OneIn(8)) {
      const std::uint32_t check =
          static_cast<std::uint32_t>(adler32(1, inflated.data(), static_cast<uInt>(inflated.size())));
      for (int i = 0; i < 4; ++i) mutated[checkAt + i] = static_cast<std::uint8_t>(check >> (24 - 8 * i));
    }
    if (random.OneIn(2)) FitHeader(png, inflated.size());
  }
  std::vector<TPngChunk> idats = SplitIntoChunks(mutated, random);
  png.chunks.erase(png.chunks.begin() + first, png.chunks.begin() + last);
  png.chunks.insert(png.chunks.begin() + first, idats.begin(), idats.end());
  Bytes out = WritePng(png);
  if (out.size() > maxSize) return {};
  return out;
}

}  // namespace pngfuzz
