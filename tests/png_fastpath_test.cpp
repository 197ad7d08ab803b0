// Decoding through the whole-buffer fast path must be indistinguishable from
// streaming through zlib: same pixels, palette, chunk list, error class and
// message, partial image, stream position and reads after the image data. A
// stream that cannot rewind never takes the fast path, which gives the
// streaming result to compare.
#include <gtest/gtest.h>
#include <zlib.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "png/pngimage.h"
#ifdef FENWILLOW_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif
#include "tests/png_builder.h"
#include "tests/png_two_paths.h"

using namespace pngtest;

namespace {

// Decodes both ways, the fast one from bytes lent and from bytes read,
// expects the same outcome, and answers how often the fast path gave up.
int ExpectSameBothWays(const Bytes& png, const std::string& what) {
  const TReadOutcome streamed = ReadNoting(png.data(), png.size(), false);
  const TReadOutcome fast = ReadNoting(png.data(), png.size(), true);
  EXPECT_EQ(TwoPathDifference(fast, streamed), "") << what;
  const TReadOutcome read = ReadNoting(png.data(), png.size(), true, false);
  EXPECT_EQ(TwoPathDifference(read, streamed), "") << what << ", read in blocks";
  return fast.fallbacks + read.fallbacks;
}

#ifdef FENWILLOW_HAVE_LIBDEFLATE
constexpr bool kFastPathBuilt = true;
#else
constexpr bool kFastPathBuilt = false;
#endif

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> PngFiles(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PngFastPath, EveryPngSuiteFileDecodesAsWhenStreamed) {
  const std::string dir = std::string(FENWILLOW_TESTDATA) + "/pngsuite/";
  const std::vector<std::string> names = PngFiles(dir);
  ASSERT_GT(names.size(), 150u);
  int fastDecodes = 0;
  for (const std::string& name : names) {
    const Bytes png = ReadFile(dir + name);
    const int fallbacks = ExpectSameBothWays(png, name);
    // Intact files are expected to take the fast path.
    if (name[0] != 'x' && fallbacks == 0) ++fastDecodes;
  }
  if (kFastPathBuilt) {
    EXPECT_GT(fastDecodes, 140);
  }
}

TEST(PngFastPath, BenchImagesAndTreeTakeTheFastPath) {
  std::vector<std::string> paths;
  const std::string bench = std::string(FENWILLOW_TESTDATA) + "/bench/";
  for (const std::string& name : PngFiles(bench)) paths.push_back(bench + name);
  paths.push_back(std::string(FENWILLOW_SOURCE_DIR) + "/assets/imgTree.png");
  for (const std::string& path : paths) {
    const int fallbacks = ExpectSameBothWays(ReadFile(path), path);
    if (kFastPathBuilt) {
      EXPECT_EQ(fallbacks, 0) << path;
    }
  }
}

// --- Streams built here: one image, its compressed data cut and damaged
// in every way the streaming decoder gives a meaning to.

Bytes RandomRows(int w, int h, int bytesPerPixel, unsigned seed) {
  std::mt19937 random(seed);
  Bytes rows;
  for (int y = 0; y < h; ++y) {
    rows.push_back(static_cast<std::uint8_t>(random() % 6));  // filter types 0-4, and one above
    for (int i = 0; i < w * bytesPerPixel; ++i) rows.push_back(static_cast<std::uint8_t>(random() % 40));
  }
  return rows;
}

// The compressed data split into IDAT chunks at the given offsets.
Bytes SplitIntoChunks(const Bytes& compressed, const std::vector<std::size_t>& cuts) {
  Bytes out;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    const Bytes part(compressed.begin() + from, compressed.begin() + cut);
    const Bytes chunk = Chunk("IDAT", part);
    out.insert(out.end(), chunk.begin(), chunk.end());
    from = cut;
  }
  const Bytes last = Chunk("IDAT", Bytes(compressed.begin() + from, compressed.end()));
  out.insert(out.end(), last.begin(), last.end());
  return out;
}

struct Variant {
  std::string name;
  Bytes png;
};

std::vector<Variant> DamagedVariants() {
  const int w = 37, h = 23;
  const Bytes rows = RandomRows(w, h, 4, 7);
  const Bytes z = Deflate(rows);
  const std::size_t mid = z.size() / 2;
  auto image = [&](const Bytes& idats, bool end = true) {
    PngBuilder b;
    b.Header(w, h, 8, 6).Append(idats);
    if (end) b.End();
    return Bytes(b);
  };
  std::vector<Variant> v;
  v.push_back({"one chunk", image(SplitIntoChunks(z, {}))});
  v.push_back({"two chunks", image(SplitIntoChunks(z, {mid}))});
  v.push_back({"empty chunks around and between", image(SplitIntoChunks(z, {0, mid, mid, z.size()}))});
  {
    Bytes idats = SplitIntoChunks(z, {mid});
    idats[8 + mid] ^= 1;  // the first chunk's stored CRC
    v.push_back({"bad CRC in the first chunk", image(idats)});
  }
  {
    Bytes idats = SplitIntoChunks(z, {mid});
    idats.back() ^= 1;
    v.push_back({"bad CRC in the last chunk", image(idats)});
  }
  {
    Bytes idats = SplitIntoChunks(z, {mid});
    idats[8 + mid / 2] ^= 0x55;  // inside the data, CRC left stale
    v.push_back({"damaged data, stale CRC", image(idats)});
  }
  {
    Bytes damaged = z;
    damaged[mid] ^= 0x55;
    v.push_back({"damaged data, fresh CRC", image(SplitIntoChunks(damaged, {mid / 2}))});
  }
  {
    Bytes wrongCheck = z;
    wrongCheck.back() ^= 1;
    v.push_back({"wrong adler32", image(SplitIntoChunks(wrongCheck, {}))});
  }
  v.push_back({"data ends early, then IEND", image(SplitIntoChunks(Bytes(z.begin(), z.begin() + mid), {}))});
  v.push_back({"data ends early in a last chunk", image(SplitIntoChunks(Bytes(z.begin(), z.end() - 9), {mid}))});
  {
    Bytes longer = z;
    longer.insert(longer.end(), {1, 2, 3, 4, 5});
    v.push_back({"bytes after the compressed data", image(SplitIntoChunks(longer, {mid}))});
  }
  {
    Bytes idats = SplitIntoChunks(z, {mid});
    const Bytes spare = Chunk("IDAT", {9, 9, 9});
    idats.insert(idats.end(), spare.begin(), spare.end());
    v.push_back({"a spare chunk after the image", image(idats)});
  }
  {
    Bytes idats = SplitIntoChunks(z, {});
    const std::uint32_t bad = 0;
    const Bytes spare = Chunk("IDAT", {9, 9, 9}, &bad);
    idats.insert(idats.end(), spare.begin(), spare.end());
    v.push_back({"a spare chunk with a bad CRC", image(idats)});
  }
  {
    Bytes idats = SplitIntoChunks(Bytes(z.begin(), z.begin() + mid), {});
    const Bytes text = Chunk("tEXt", Text("a\0b"));
    idats.insert(idats.end(), text.begin(), text.end());
    const Bytes rest = SplitIntoChunks(Bytes(z.begin() + mid, z.end()), {});
    idats.insert(idats.end(), rest.begin(), rest.end());
    v.push_back({"two runs split by a text chunk", image(idats)});
  }
  {
    Bytes more = rows;
    more.insert(more.end(), 50, 0);
    v.push_back({"more data than the image", image(SplitIntoChunks(Deflate(more), {}))});
  }
  {
    const Bytes whole = image(SplitIntoChunks(z, {mid}));
    for (std::size_t cut : {std::size_t{40}, std::size_t{33 + 8 + mid}, std::size_t{33 + 8 + mid + 2},
                            whole.size() - 20, whole.size() - 12}) {
      v.push_back({"cut after byte " + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut)});
    }
  }
  v.push_back({"no IEND", image(SplitIntoChunks(z, {mid}), false)});
  {
    // A length field promising more than the stream holds.
    Bytes idats = SplitIntoChunks(z, {});
    idats[0] = 0;
    idats[1] = 0;
    idats[2] = 0xEA;
    idats[3] = 0x60;
    v.push_back({"length beyond the stream", image(idats)});
  }
  {
    Bytes dictionary = z;
    dictionary[1] = 0xBC;  // FDICT set, check bits kept valid: 0x78BC % 31 == 0
    v.push_back({"preset dictionary", image(SplitIntoChunks(dictionary, {}))});
  }
  {
    const Bytes stored = Deflate(rows, 0);
    v.push_back({"stored blocks", image(SplitIntoChunks(stored, {stored.size() / 3}))});
  }
  return v;
}

TEST(PngFastPath, DamagedAndOddlySplitDataDecodesAsWhenStreamed) {
  for (const Variant& variant : DamagedVariants()) ExpectSameBothWays(variant.png, variant.name);
}

TEST(PngFastPath, IntactDataSplitAnyWayTakesTheFastPath) {
  const Bytes rows = RandomRows(64, 40, 3, 11);
  const Bytes z = Deflate(rows);
  std::mt19937 random(3);
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<std::size_t> cuts;
    for (int k = 0; k < trial % 7; ++k) cuts.push_back(random() % (z.size() + 1));
    std::sort(cuts.begin(), cuts.end());
    const Bytes png = PngBuilder().Header(64, 40, 8, 2).Append(SplitIntoChunks(z, cuts)).End();
    const int fallbacks = ExpectSameBothWays(png, "trial " + std::to_string(trial));
    if (kFastPathBuilt) {
      EXPECT_EQ(fallbacks, 0) << "trial " << trial;
    }
  }
}

// --- Streams zlib refuses and a laxer inflater (libdeflate) takes.

Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Deflate bits, least significant first; Huffman codewords most significant
// bit first.
class DeflateBits {
 public:
  DeflateBits& Put(unsigned value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) Bit((value >> i) & 1);
    return *this;
  }
  DeflateBits& Code(unsigned code, unsigned length) {
    for (unsigned i = length; i-- > 0;) Bit((code >> i) & 1);
    return *this;
  }
  // A stored block holding `data`.
  DeflateBits& Stored(const Bytes& data, bool final) {
    Put(final, 1).Put(0, 2);
    bits_ = (bits_ + 7) / 8 * 8;
    Put(static_cast<unsigned>(data.size()), 16).Put(~static_cast<unsigned>(data.size()) & 0xFFFF, 16);
    for (std::uint8_t b : data) Put(b, 8);
    return *this;
  }
  // A final dynamic block's header: `lengths` for the literal/length codes
  // then the distance codes, each written as a code length symbol of its
  // own through a code length code that gives 0 and 1 two bits and 18 one.
  // `overrun` ends it with a run of zeros past the declared codes.
  DeflateBits& DynamicHeader(const Bytes& lengths, unsigned literalCount, bool overrun = false) {
    Put(1, 1).Put(2, 2).Put(literalCount - 257, 5).Put(static_cast<unsigned>(lengths.size()) - literalCount - 1, 5);
    Put(19 - 4, 4);
    const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (unsigned symbol : order) Put(symbol == 18 ? 1 : symbol <= 1 ? 2 : 0, 3);
    // Canonical codes: 18 is 0, 0 is 10, 1 is 11.
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      if (overrun && i + 1 == lengths.size()) return Code(0, 1).Put(127, 7);
      Code(lengths[i] == 0 ? 2 : 3, 2);
    }
    return *this;
  }
  Bytes Zlib(const Bytes& output) const {
    Bytes z = {0x78, 0x01};
    z.insert(z.end(), bytes_.begin(), bytes_.end());
    PutBE32(z, static_cast<std::uint32_t>(adler32(1, output.data(), static_cast<uInt>(output.size()))));
    return z;
  }

 private:
  void Bit(unsigned bit) {
    if (bits_ / 8 == bytes_.size()) bytes_.push_back(0);
    bytes_[bits_ / 8] |= static_cast<std::uint8_t>(bit << (bits_ % 8));
    ++bits_;
  }
  Bytes bytes_;
  std::size_t bits_ = 0;
};

// Literal/length lengths with 'A' and the end-of-block code one bit each
// (codewords 0 and 1), then `distances` distance lengths.
Bytes EndAndLetter(unsigned literalCount, Bytes distances) {
  Bytes lengths(literalCount, 0);
  lengths['A'] = lengths[256] = 1;
  lengths.insert(lengths.end(), distances.begin(), distances.end());
  return lengths;
}

struct LaxCase {
  const char* what;
  Bytes image;   // a grey image one row high, the row all zero
  Bytes zlib;
};

std::vector<LaxCase> LaxCases() {
  const auto grey = [](std::size_t rowBytes, const Bytes& z) {
    return PngBuilder().Header(static_cast<std::uint32_t>(rowBytes - 1), 1, 8, 0).Add("IDAT", z).End();
  };
  const Bytes five(5, 0);
  std::vector<LaxCase> cases;
  // The image comes whole from a stored block; a later block is refused.
  cases.push_back({"287 literal/length codes in a later block", five,
                   DeflateBits().Stored(five, false).DynamicHeader(EndAndLetter(287, {0}), 287).Code(1, 1).Zlib(five)});
  cases.push_back({"31 distance codes in a later block", five,
                   DeflateBits().Stored(five, false).DynamicHeader(EndAndLetter(257, Bytes(31, 0)), 257).Code(1, 1)
                       .Zlib(five)});
  cases.push_back({"code length repeat past the declared codes", five,
                   DeflateBits().Stored(five, false).DynamicHeader(EndAndLetter(257, {0}), 257, true).Code(1, 1)
                       .Zlib(five)});
  {
    Bytes lengths(258, 0);
    lengths[256] = 1;  // the end-of-block code alone: codeword 0, and 1 unused
    cases.push_back({"the unused codeword of a single-code literal/length table", five,
                     DeflateBits().Stored(five, false).DynamicHeader(lengths, 257).Put(1, 1).Zlib(five)});
  }
  {
    // A length code (257, three bytes) and the end-of-block code, one bit
    // each; one distance code of one bit, or none.
    Bytes lengths(257 + 1 + 1, 0);
    lengths[256] = lengths[257] = 1;
    const Bytes four(4, 0);
    Bytes single = lengths;
    single[258] = 1;
    cases.push_back({"the unused codeword of a single-code distance table", four,
                     DeflateBits().Stored({0}, false).DynamicHeader(single, 258).Code(1, 1).Put(1, 1).Code(0, 1)
                         .Zlib(four)});
    cases.push_back({"a distance where there are no distance codes", four,
                     DeflateBits().Stored({0}, false).DynamicHeader(lengths, 258).Code(1, 1).Put(0, 1).Code(0, 1)
                         .Zlib(four)});
  }
  {
    // Fixed codes: 286 (codeword 11000110) as a length of 258, distance 1.
    const Bytes out(259, 0);
    cases.push_back({"literal/length symbol 286 in a fixed-code block", out,
                     DeflateBits().Stored({0}, false).Put(1, 1).Put(1, 2).Code(0xC6, 8).Code(0, 5).Code(0, 7)
                         .Zlib(out)});
  }
  {
    // Fixed codes: length 3 (0000001), distance symbol 30 (11110) with 13
    // extra bits as a distance of 24577.
    const Bytes start(24577, 0), out(24580, 0);
    cases.push_back({"distance symbol 30 in a fixed-code block", out,
                     DeflateBits().Stored(start, false).Put(1, 1).Put(1, 2).Code(1, 7).Code(30, 5).Put(0, 13)
                         .Code(0, 7).Zlib(out)});
  }
  // Excess code counts in the first block.
  cases.push_back({"287 literal/length codes in the first block", {0, 10, 20, 30, 128},
                   FromHex("7801fde101401000000010545555555555555555555555555555555555555555"
                           "5555555555555555555555555555555555555555555555555555555555555555"
                           "555555fdffffffffffffffffffffffffffffff0300858217f000012500bd")});
  cases.push_back({"31 distance codes in the first block", {0, 10, 20, 30, 128},
                   FromHex("7801edff01481020000000545555555555555555555555555555555555555555"
                           "5555555555555555555555555555555555555555555555555555555555555555"
                           "55555555fdffffffffffffffffffffffffff83aaaaaaaaaaaaaa2a00140a5ec0"
                           "13012500bd")});
  for (LaxCase& c : cases) c.image = grey(c.image.size(), c.zlib);
  return cases;
}

TEST(PngFastPath, WhatZlibRefusesIsRefusedAlsoWhereALaxerInflaterTakesIt) {
  for (const LaxCase& c : LaxCases()) {
#ifdef FENWILLOW_HAVE_LIBDEFLATE
    libdeflate_decompressor* lax = libdeflate_alloc_decompressor();
    Bytes out(1 << 16);
    std::size_t produced = 0;
    EXPECT_EQ(libdeflate_zlib_decompress(lax, c.zlib.data(), c.zlib.size(), out.data(), out.size(), &produced),
              LIBDEFLATE_SUCCESS)
        << c.what << ": not a stream the laxer inflater takes";
    libdeflate_free_decompressor(lax);
#endif
    ExpectSameBothWays(c.image, c.what);
    TPNGObject image;
    const ReadOutcome outcome = ReadInto(image, c.image);
    EXPECT_EQ(outcome.errorClass, "EPNGZLIBError") << c.what;
    EXPECT_EQ(outcome.message, std::string(pnglang::EPNGZLIBErrorText) + "data error (-3)") << c.what;
  }
}

// Code length repeats zlib takes though its deflate never writes them: one
// of the 0 that a long run of zeros ends with, and one that runs from the
// literal/length lengths on into the distance lengths. Literals 0 and 1,
// end-of-block and length 3 have two bits each, then four distance codes of
// two bits, all but the first two given by the one repeat.
TEST(PngFastPath, UnusualCodeLengthRepeatsTakeTheFastPath) {
  const Bytes row = {0, 0, 1, 1, 0, 0, 1, 1, 1, 1};  // filter byte, then nine grey pixels
  DeflateBits bits;
  bits.Put(1, 1).Put(2, 2).Put(258 - 257, 5).Put(4 - 1, 5).Put(19 - 4, 4);
  const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (unsigned symbol : order) bits.Put(symbol == 2 ? 1 : symbol == 16 || symbol == 18 ? 2 : 0, 3);
  // Code length codewords: 2 is 0, 16 is 10, 18 is 11.
  bits.Code(0, 1).Code(0, 1).Code(3, 2).Put(138 - 11, 7).Code(3, 2).Put(113 - 11, 7).Code(2, 2).Put(3 - 3, 2);
  bits.Code(0, 1);
  bits.Code(2, 2).Put(5 - 3, 2);
  // Literals 0 0 1 1, then length 3 at distance 4 (codeword 11) and at
  // distance 1 (00), then the end of the block.
  bits.Code(0, 2).Code(0, 2).Code(1, 2).Code(1, 2).Code(3, 2).Code(3, 2).Code(3, 2).Code(0, 2).Code(2, 2);
  const Bytes png = PngBuilder().Header(9, 1, 8, 0).Add("IDAT", bits.Zlib(row)).End();
  const int fallbacks = ExpectSameBothWays(png, "unusual repeats");
  if (kFastPathBuilt) {
    EXPECT_EQ(fallbacks, 0);
  }
  TPNGObject image;
  ASSERT_EQ(ReadInto(image, png).errorClass, "");
  EXPECT_EQ(std::vector<std::uint8_t>(image.ColorRow(0), image.ColorRow(0) + 9), Bytes(row.begin() + 1, row.end()));
}

// Random images of every layout, sequential and interlaced.
TEST(PngFastPath, RandomImagesOfEveryLayoutDecodeAsWhenStreamed) {
  struct Layout {
    std::uint8_t colorType, depth;
  };
  const Layout layouts[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2},
                            {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::mt19937 random(5);
  for (const Layout& layout : layouts) {
    for (std::uint8_t interlace : {0, 1}) {
      const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 30);
      const int bits = layout.depth * (layout.colorType == 2 ? 3 : layout.colorType == 4 ? 2
                                                           : layout.colorType == 6 ? 4 : 1);
      // Enough random bytes for any pass layout; the excess is data after
      // the image, which both paths must treat alike.
      Bytes raw((static_cast<std::size_t>(w * bits + 7) / 8 + 1) * h * 2);
      for (auto& b : raw) b = static_cast<std::uint8_t>(random());
      PngBuilder b;
      b.Header(w, h, layout.depth, layout.colorType, interlace);
      if (layout.colorType == 3) b.Add("PLTE", Bytes(768, 0x40));
      const Bytes png = b.Data(raw).End();
      ExpectSameBothWays(png, "type " + std::to_string(layout.colorType) + " depth " +
                                  std::to_string(layout.depth) + " interlace " + std::to_string(interlace));
    }
  }
}

// Random bytes where the image data should be, with valid CRCs: whatever
// zlib makes of them, the fast path must make the same.
TEST(PngFastPath, RandomCompressedStreamsDecodeAsWhenStreamed) {
  std::mt19937 random(9);
  const Bytes rows = RandomRows(20, 10, 4, 1);
  const Bytes z = Deflate(rows);
  for (int trial = 0; trial < 200; ++trial) {
    Bytes data = z;
    const int flips = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < flips; ++k) data[random() % data.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
    if (trial % 4 == 0) data.resize(random() % data.size());
    const Bytes png = PngBuilder().Header(20, 10, 8, 6).Append(SplitIntoChunks(data, {data.size() / 2})).End();
    ExpectSameBothWays(png, "trial " + std::to_string(trial));
  }
}

TEST(PngFastPath, StreamsRewindOnlyBackwards) {
  const Bytes bytes = {1, 2, 3, 4, 5, 6};
  plat::TBufferStream buffer(bytes.data(), bytes.size());
  std::uint8_t got[3];
  buffer.Read(got, 3);
  EXPECT_FALSE(buffer.Rewind(4));
  EXPECT_TRUE(buffer.Rewind(1));
  ASSERT_EQ(buffer.Read(got, 3), 3u);
  EXPECT_EQ(got[0], 2);
  EXPECT_EQ(buffer.Position(), 4u);

  const std::string path = std::string(FENWILLOW_BINARY_DIR) + "/rewind_test.bin";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  plat::TFileStream file(path);
  file.Read(got, 3);
  EXPECT_FALSE(file.Rewind(5));
  EXPECT_TRUE(file.Rewind(2));
  ASSERT_EQ(file.Read(got, 3), 3u);
  EXPECT_EQ(got[0], 3);
  EXPECT_EQ(got[2], 5);
  EXPECT_EQ(file.Position(), 5u);
  std::remove(path.c_str());

  TNotingStream forward(bytes.data(), bytes.size(), false, true);
  EXPECT_FALSE(forward.Rewind(0));
}

}  // namespace
