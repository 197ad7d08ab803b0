// The chunk stream: signature, framing, CRC, the read loop's order rules and
// what stays in ChunkList, the pointer lists and the chunk-class registry.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <zlib.h>

#include "platform/graphic.h"
#include "png/pngcrc.h"
#include "png/pngimage.h"
#include "tests/png_builder.h"

using namespace pngtest;

namespace {

// A 2 x 1 RGB image's header and data.
PngBuilder SmallImageStart() {
  return PngBuilder().Header(2, 1, 8, 2).Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}}));
}

}  // namespace

TEST(PngCrc, MatchesTheStandardCrc32) {
  EXPECT_EQ(ChunkCrcTableEntry(1), 0x77073096u);
  EXPECT_EQ(ChunkCrcTableEntry(255), 0x2D02EF8Du);
  const std::uint8_t iend[4] = {'I', 'E', 'N', 'D'};
  EXPECT_EQ(UpdateChunkCrc(kChunkCrcStart, iend, 4) ^ 0xFFFFFFFFu, 0xAE426082u);
  Bytes data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  EXPECT_EQ(UpdateChunkCrc(kChunkCrcStart, data.data(), data.size()) ^ 0xFFFFFFFFu,
            crc32(0, data.data(), static_cast<uInt>(data.size())));
}

TEST(PngSignature, AnyDifferenceOrShortStreamIsRefusedAndLeavesTheImageEmpty) {
  Bytes wrongEighth = SmallImageStart().End();
  wrongEighth[7] = 0x0B;
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, wrongEighth).errorClass, "EPNGInvalidFileHeader");
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_FALSE(image.HasHeader());
  EXPECT_EQ(ErrorOf(Bytes(kSignature.begin(), kSignature.begin() + 5)), "EPNGInvalidFileHeader");
  EXPECT_EQ(ErrorOf({}), "EPNGInvalidFileHeader");
}

TEST(PngReadLoop, TreePictureLayoutGivesFiveChunks) {
  // The ornament's pictures: tEXt, iTXt and image data split at 65535 bytes.
  const int w = 200, h = 310;
  Bytes raw;
  std::uint32_t seed = 1;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w * 4; ++x) {
      seed = seed * 1103515245u + 12345u;
      raw.push_back(static_cast<std::uint8_t>(seed >> 24));
    }
  }
  const Bytes z = Deflate(raw, 1);
  ASSERT_GT(z.size(), 65535u);
  PngBuilder png;
  png.Header(w, h, 8, 6).Add("tEXt", Text(std::string("Software\0x", 10))).Add("iTXt", Text("XML:com"));
  png.Add("IDAT", Bytes(z.begin(), z.begin() + 65535)).Add("IDAT", Bytes(z.begin() + 65535, z.end())).End();
  auto image = Decode(png);
  EXPECT_EQ(ChunkSummary(*image), "IHDR:TChunkIHDR tEXt:TChunktEXt iTXt:TChunk IDAT:TChunkIDAT IEND:TChunkIEND");
  EXPECT_EQ(image->ChunkList.ItemAt(3)->PayloadSize, 0u);
  // The last pixel of the last row proves both chunks were inflated.
  EXPECT_EQ(image->AlphaRow(h - 1)[w - 1], raw.back());
}

TEST(PngReadLoop, StreamEndingAfterACompleteChunkRaisesUnexpectedEndKeepingChunks) {
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, SmallImageStart()).errorClass, "EPngUnexpectedEnd");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR IDAT:TChunkIDAT");
  // One to three bytes of a length field are an unexpected end as well.
  Bytes partialLength = SmallImageStart();
  partialLength.insert(partialLength.end(), {0, 0});
  EXPECT_EQ(ErrorOf(partialLength), "EPngUnexpectedEnd");
}

TEST(PngReadLoop, FirstChunkMustBeTheHeader) {
  TPNGObject image;
  const ReadOutcome outcome =
      ReadInto(image, PngBuilder().Add("tEXt", Text("a")).Header(1, 1, 8, 0).Data({0, 0}).End());
  EXPECT_EQ(outcome.errorClass, "EPNGIHDRNotFirst");
  EXPECT_EQ(outcome.message,
            "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
            "(IHDR chunk is not the first)");
  EXPECT_TRUE(image.IsEmpty());
}

TEST(PngReadLoop, ChrmIsPassedOverUncheckedAndNotKept) {
  const std::uint32_t wrongCrc = 0x12345678;
  PngBuilder png;
  png.Header(2, 1, 8, 2).Append(Chunk("cHRM", Bytes(32, 1), &wrongCrc));
  png.Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}})).End();
  auto image = Decode(png);
  EXPECT_EQ(ChunkSummary(*image), "IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
}

TEST(PngReadLoop, OnlyTheFirstRunOfImageDataIsRead) {
  const std::uint32_t wrongCrc = 0;
  PngBuilder png = SmallImageStart();
  png.Add("tEXt", Text("k\0v")).Append(Chunk("IDAT", Text("not compressed at all"), &wrongCrc)).End();
  auto image = Decode(png);
  EXPECT_EQ(ChunkSummary(*image), "IHDR:TChunkIHDR IDAT:TChunkIDAT tEXt:TChunktEXt IEND:TChunkIEND");
  EXPECT_EQ(image->ColorRow(0)[0], 3);
}

TEST(PngReadLoop, UnknownAncillaryChunksAreKeptAndCopiedByteForByte) {
  const Bytes itxt = Text(std::string("XML:com.adobe.xmp\0\0\0\0<x/>", 26));
  PngBuilder png = SmallImageStart();
  auto image = Decode(png.Add("iTXt", itxt).End());
  const TChunk* kept = image->ChunkList.ItemAt(2);
  ASSERT_EQ(kept->TypeName(), "iTXt");
  EXPECT_EQ(&kept->ChunkClass(), &TChunk::Class());
  EXPECT_EQ(Bytes(kept->Payload.begin(), kept->Payload.begin() + kept->PayloadSize), itxt);

  TPNGObject copy;
  copy.CopyImage(*image);
  const TChunk* copied = copy.ChunkList.ItemAt(2);
  EXPECT_EQ(copied->TypeName(), "iTXt");
  EXPECT_EQ(copied->PayloadSize, itxt.size());
  EXPECT_EQ(Bytes(copied->Payload.begin(), copied->Payload.begin() + copied->PayloadSize), itxt);
}

TEST(PngReadLoop, UnknownCriticalChunkIsRefusedBeforeItsPayloadIsRead) {
  TPNGObject image;
  PngBuilder png;
  png.Header(2, 1, 8, 2).Add("ABCD", Text("payload")).Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}})).End();
  EXPECT_EQ(ReadInto(image, png).errorClass, "EPNGUnknownCriticalChunk");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR ABCD:TChunk");
  EXPECT_EQ(image.ChunkList.ItemAt(1)->PayloadSize, 0u);

  PngBuilder ancillary;
  ancillary.Header(2, 1, 8, 2).Add("aBCD", Text("payload")).Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}})).End();
  auto kept = Decode(ancillary);
  EXPECT_EQ(kept->ChunkList.ItemAt(1)->PayloadSize, 7u);
  // A type whose first byte is 0 counts as ancillary.
  PngBuilder zeroFirst;
  zeroFirst.Header(2, 1, 8, 2).Add(std::string("\0BCD", 4), {}).Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}})).End();
  EXPECT_EQ(Decode(zeroFirst)->ChunkList.ItemCount(), 4u);
}

TEST(PngReadLoop, WrongCrcAndTruncatedChunksRaiseInvalidCrc) {
  const std::uint32_t wrongCrc = 1;
  PngBuilder png;
  png.Header(2, 1, 8, 2).Append(Chunk("tEXt", Text("a\0b"), &wrongCrc));
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, png.Data(UnfilteredRows({{1, 2, 3, 4, 5, 6}})).End()).errorClass, "EPngInvalidCRC");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR tEXt:TChunktEXt");

  Bytes cutInPayload = PngBuilder().Header(2, 1, 8, 2).Add("tEXt", Text("abcdef"));
  cutInPayload.resize(cutInPayload.size() - 6);
  EXPECT_EQ(ErrorOf(cutInPayload), "EPngInvalidCRC");
  Bytes cutInCrc = PngBuilder().Header(2, 1, 8, 2);
  cutInCrc.resize(cutInCrc.size() - 2);
  EXPECT_EQ(ErrorOf(cutInCrc), "EPngInvalidCRC");
}

TEST(PngReadLoop, HugeLengthOnAShortStreamFailsFastWithMemoryInProportion) {
  Bytes png = PngBuilder().Header(2, 1, 8, 2);
  PutBE32(png, 0xFFFFFFF0u);
  png.insert(png.end(), {'t', 'E', 'X', 't'});
  png.insert(png.end(), 100, 'x');
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, png).errorClass, "EPngInvalidCRC");
  const TChunk* text = image.ChunkList.ItemAt(1);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->PayloadSize, 100u);
  EXPECT_LE(text->Payload.capacity(), std::size_t{2} << 20);
}

#if defined(_WIN32) && !defined(_WIN64)
// A 32-bit process cannot hold the chunk: the read ends in the platform's
// out-of-memory error, never in std::bad_alloc.
TEST(PngReadLoop, AChunkTooLargeForMemoryEndsInTheOutOfMemoryError) {
  EndlessChunkStream endless;
  TPNGObject image;
  try {
    image.ReadPng(endless);
    FAIL() << "read a chunk of almost 4 GiB";
  } catch (const plat::EOutOfMemory& e) {
    EXPECT_EQ(e.Message(), pnglang::OutOfMemoryText);
  }
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR abCd:TChunk");
}
#endif

TEST(PngReadLoop, MissingImageDataKeepsTheChunks) {
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, PngBuilder().Header(1, 1, 8, 0).Add("tEXt", Text("a\0b")).End()).errorClass,
            "EPNGNoImageData");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR tEXt:TChunktEXt IEND:TChunkIEND");
}

TEST(PngReadLoop, NothingAfterTheEndChunkIsRead) {
  Bytes png = SmallImageStart().End();
  const std::size_t end = png.size();
  png.insert(png.end(), 50, 0xEE);
  TPNGObject image;
  plat::TBufferStream stream(png.data(), png.size());
  image.ReadPng(stream);
  EXPECT_EQ(stream.Position(), end);
}

TEST(PngReadLoop, ReadingAgainStartsFromNothing) {
  TPNGObject image;
  ASSERT_EQ(ReadInto(image, SmallImageStart().Add("tEXt", Text("a\0b")).End()).errorClass, "");
  ASSERT_EQ(ReadInto(image, PngBuilder().Header(1, 1, 8, 0).Data({0, 9}).End()).errorClass, "");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
  EXPECT_EQ(image.PixelWidth(), 1);
  EXPECT_EQ(image.ColorRow(0)[0], 9);
}

TEST(PngReadLoop, ManyTinyChunksStayLinear) {
  const int count = 300000;
  PngBuilder png;
  png.Header(1, 1, 8, 0);
  const Bytes tiny = Chunk("qqQq", {});
  Bytes body;
  body.reserve(tiny.size() * count);
  for (int i = 0; i < count; ++i) body.insert(body.end(), tiny.begin(), tiny.end());
  png.Append(body).Data({0, 0}).End();
  const auto start = std::chrono::steady_clock::now();
  auto image = Decode(png);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(image->ChunkList.ItemCount(), static_cast<std::uint32_t>(count + 3));
  EXPECT_LT(seconds, 20.0);
}

TEST(PngRegistry, UnknownTypesBecomePlainChunksOfTheRequestedType) {
  TPNGObject image;
  for (const char* type : {"iTXt", "ihdr", "IHDr"}) {
    TChunkName name;
    std::memcpy(name.data(), type, 4);
    auto chunk = CreateChunkForType(image, name);
    EXPECT_EQ(&chunk->ChunkClass(), &TChunk::Class()) << type;
    EXPECT_EQ(chunk->TypeName(), type);
    EXPECT_EQ(chunk->Payload.size(), 1u);
  }
  EXPECT_EQ(&CreateChunkForType(image, MakeChunkName("zTXt"))->ChunkClass(), &TChunkzTXt::Class());
}

namespace {
class TChunkqqQX : public TChunk {
  PNG_CHUNK_CLASS()
 public:
  explicit TChunkqqQX(TPNGObject& image) : TChunk(image, Class()) {}
};
PNG_DEFINE_CHUNK_CLASS(TChunkqqQX, TChunk)

// A second class claiming "IEND".
std::unique_ptr<TChunk> MakeImpostor(TPNGObject& image) { return std::make_unique<TChunkqqQX>(image); }
const TChunkClass kImpostorIEND{"TChunkIEND", &TChunk::Class(), &MakeImpostor};
}  // namespace

TEST(PngRegistry, AddedClassesAreFoundButDuplicatesNeverWin) {
  AddChunkClass(TChunkqqQX::Class());
  AddChunkClass(kImpostorIEND);
  TPNGObject image;
  EXPECT_EQ(&CreateChunkForType(image, MakeChunkName("qqQX"))->ChunkClass(), &TChunkqqQX::Class());
  EXPECT_EQ(&CreateChunkForType(image, MakeChunkName("IEND"))->ChunkClass(), &TChunkIEND::Class());
  // FirstOfClass finds a chunk of the class or of a class derived from it.
  auto png = Decode(SmallImageStart().Add("zTXt", Text("k")).Add("qqQX", {}).End());
  EXPECT_EQ(png->ChunkList.FirstOfClass(TChunktEXt::Class()), png->ChunkList.ItemAt(2));
  EXPECT_EQ(png->ChunkList.FirstOfClass(TChunkqqQX::Class()), png->ChunkList.ItemAt(3));
  EXPECT_EQ(png->ChunkList.FirstOfClass(TChunkPLTE::Class()), nullptr);
}

TEST(PngPictureFormat, StoredPictureDataCreatesAndReadsTheImage) {
  const plat::TGraphicFormat* format = plat::TPicture::FindFormatByClassName("TPNGObject");
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->extension, "PNG");
  EXPECT_EQ(format->description, "Portable Network Graphics");

  Bytes stored = {10};
  const Bytes name = Text("TPNGObject");
  stored.insert(stored.end(), name.begin(), name.end());
  Bytes good = stored;
  const Bytes png = SmallImageStart().End();
  good.insert(good.end(), png.begin(), png.end());
  plat::TPicture picture;
  plat::TBufferStream stream(good.data(), good.size());
  picture.ReadStoredData(stream);
  ASSERT_NE(dynamic_cast<TPNGObject*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Graphic()->PixelWidth(), 2);

  Bytes bad = stored;
  bad.insert(bad.end(), png.begin(), png.begin() + 20);
  plat::TPicture failed;
  plat::TBufferStream badStream(bad.data(), bad.size());
  EXPECT_THROW(failed.ReadStoredData(badStream), EPngInvalidCRC);
  EXPECT_EQ(failed.Graphic(), nullptr);
}
