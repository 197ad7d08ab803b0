// Streams that claim more than they hold, or hold far more than the image
// needs: the reader refuses or finishes with a codec error, spending memory
// in proportion to the image it can keep, not to what the stream claims.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/stream.h"
#include "png/pngimage.h"
#include "tests/png_builder.h"
#include "tests/png_hostile_cases.h"

namespace pngtest {
namespace {

TEST(PngHostileBounds, HugeHeadersBeyondTheCeilingAreRefusedBeforeAnyBuffer) {
  struct Layout {
    std::uint8_t depth, colorType;
  };
  // Each of these needs more than the ceiling: RGBA 8 and 16 bits, grey
  // and palette at 8 bits per pixel, grey with alpha.
  for (const Layout layout : {Layout{8, 6}, Layout{16, 6}, Layout{8, 2}, Layout{8, 0}, Layout{8, 3},
                              Layout{1, 4}, Layout{2, 0}}) {
    TPNGObject image;
    const ReadOutcome outcome = ReadInto(image, HugeHeaderFewBytes(layout.depth, layout.colorType));
    EXPECT_EQ(outcome.errorClass, "EPNGOutMemory")
        << "depth " << int(layout.depth) << " colour type " << int(layout.colorType);
    EXPECT_EQ(outcome.message, pnglang::EPNGOutMemoryText);
    ASSERT_TRUE(image.HasHeader()) << "the header is kept, without buffers";
    EXPECT_EQ(image.RequireHeader().ColorBits, nullptr);
    EXPECT_EQ(image.RequireHeader().AlphaPlane, nullptr);
    EXPECT_EQ(image.ChunkList.ItemCount(), 1u);
  }
}

TEST(PngHostileBounds, TheCeilingLiesBetweenHalfAndOneGibibyte) {
  // 32768 x 32769 bytes is just above 2^30.
  TPNGObject image;
  EXPECT_EQ(ReadInto(image, PngBuilder().Header(32768, 32769, 8, 0).Data(Bytes(64, 0)).End()).errorClass,
            "EPNGOutMemory");
  // A 1-bit 65535 x 65535 image (512 MiB) is below it: the buffers are made,
  // and the few rows there are end in the error for the missing ones.
  EXPECT_EQ(ReadInto(image, HugeHeaderFewBytes(1, 0)).errorClass, "EPNGMissingMultipleIDAT");
  ASSERT_TRUE(image.HasHeader());
  EXPECT_NE(image.RequireHeader().ColorBits, nullptr);
  EXPECT_EQ(image.RequireHeader().ColorBytes(), std::uint64_t{8192} * 65535);
}

TEST(PngHostileBounds, LengthsNear4GiBEndInACodecErrorAtTheStreamsEnd) {
  struct Case {
    const char* type;
    const char* errorClass;
  };
  const std::uint32_t claims[] = {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu};
  for (const Case c : {Case{"abCd", "EPngInvalidCRC"}, Case{"tEXt", "EPngInvalidCRC"},
                       Case{"zTXt", "EPngInvalidCRC"}, Case{"IHDR", "EPngInvalidCRC"},
                       Case{"IDAT", "EPngInvalidCRC"}, Case{"IEND", "EPngInvalidCRC"},
                       Case{"cHRM", "EPngUnexpectedEnd"}, Case{"ABCD", "EPNGUnknownCriticalChunk"}}) {
    for (const std::uint32_t claim : claims) {
      const Bytes png = ClaimedLength(c.type, claim, 3000);
      TPNGObject image;
      EXPECT_EQ(ReadInto(image, png).errorClass, c.errorClass) << c.type << " claiming " << claim;
      // Whatever was kept holds no more than the stream had.
      for (std::uint32_t i = 0; i < image.ChunkList.ItemCount(); ++i) {
        EXPECT_LE(image.ChunkList.ItemAt(i)->Payload.size(), png.size()) << c.type;
      }
    }
  }
}

TEST(PngHostileBounds, ImageDataBeyondTheLastRowIsPassedOverUninflated) {
  // 256 MiB of rows behind a 1 x 1 image, in one chunk and in many.
  for (const std::uint32_t chunkSize : {0x7FFFFFFFu, 65536u, 7u}) {
    const Bytes png = InflatesPastLastRow(std::uint64_t{256} << 20, chunkSize);
    TPNGObject image;
    EXPECT_EQ(ReadInto(image, png).errorClass, "") << "chunks of " << chunkSize;
    EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
    EXPECT_EQ(image.PixelColor(0, 0), plat::RGB(0, 0, 0));
  }
}

TEST(PngHostileBounds, AMillionTinyChunksAreReadInOnePass) {
  const std::uint32_t count = 1000000;
  TPNGObject image;
  ASSERT_EQ(ReadInto(image, TinyChunkFlood(count, "abCd")).errorClass, "");
  EXPECT_EQ(image.ChunkList.ItemCount(), count + 3);
  EXPECT_EQ(image.ChunkList.ItemAt(count)->TypeName(), "abCd");
  EXPECT_EQ(image.ChunkList.ItemAt(count + 1)->TypeName(), "IDAT");
  // Passed-over chunks leave nothing behind.
  ASSERT_EQ(ReadInto(image, TinyChunkFlood(count, "cHRM")).errorClass, "");
  EXPECT_EQ(ChunkSummary(image), "IHDR:TChunkIHDR IDAT:TChunkIDAT IEND:TChunkIEND");
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FENWILLOW_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FENWILLOW_ASAN 1
#endif

#ifndef FENWILLOW_ASAN
std::string ReadOutcomeOf(plat::TStream& stream) {
  try {
    TPNGObject image;
    image.ReadPng(stream);
    return "ok";
  } catch (const plat::Exception& e) {
    return e.ClassName();
  } catch (const std::exception& e) {
    return std::string("non-codec ") + e.what();
  }
}

// In a child process: leaves 250 MB of address space beyond what the
// process already holds (as a fresh process under `ulimit -v 300000` has),
// reads, and exits with 0 when the outcomes are the expected ones.
[[noreturn]] void ReadBothUnderLimitAndExit(const Bytes& grey) {
  unsigned long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  const rlim_t bytes = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 250ul * 1000 * 1000;
  const rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_AS, &limit);
  plat::TBufferStream greyStream(grey.data(), grey.size());
  EndlessChunkStream endless;
  const std::string outcomes = ReadOutcomeOf(greyStream) + " " + ReadOutcomeOf(endless);
  std::fprintf(stderr, "%s\n", outcomes.c_str());
  std::exit(outcomes == "ok EOutOfMemory" ? 0 : 1);
}

#endif

// With 250 MB of address space to spare, a 14000 x 14000 grey image (196 MB
// of colour data) leaves no room for a second copy of its inflated data,
// and needs none: it is read. A chunk that keeps growing ends in the
// platform's out-of-memory error. Nothing else may leave ReadPng.
TEST(PngHostileBounds, UnderAnAddressSpaceLimitOnlyCodecAndOutOfMemoryErrorsLeave) {
#ifdef FENWILLOW_ASAN
  GTEST_SKIP() << "the sanitizers' allocator reports running out of memory instead of throwing";
#else
  const Bytes grey = BlackGreyImage(14000, 14000);
  EXPECT_EXIT(ReadBothUnderLimitAndExit(grey), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace pngtest
