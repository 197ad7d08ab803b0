// Every PngSuite file cut short at every offset and with every byte flipped
// (all 8 bits, one byte at a time): reading, drawing and converting never
// fail with anything but one of the codec's own errors, and a cut-short file
// is never taken for a whole one.
//
// FENWILLOW_HOSTILE_STRIDE=k tries every k-th offset only (the offsets
// shift from file to file, so every kind of position is still reached);
// sanitizer builds default to 4 to stay within a couple of minutes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/png_hostile_exercise.h"

namespace pngtest {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kSuite = std::string(FENWILLOW_TESTDATA) + "/pngsuite/";

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FW_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FW_SANITIZED 1
#endif
#ifdef FW_SANITIZED
constexpr std::size_t kDefaultStride = 4;
#else
constexpr std::size_t kDefaultStride = 1;
#endif

std::size_t Stride() {
  const char* text = std::getenv("FENWILLOW_HOSTILE_STRIDE");
  const long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return value > 0 ? static_cast<std::size_t>(value) : kDefaultStride;
}

struct SuiteFile {
  std::string name;
  Bytes bytes;
};

const std::vector<SuiteFile>& SuiteFiles() {
  static const std::vector<SuiteFile> files = [] {
    std::vector<SuiteFile> found;
    if (DIR* dir = opendir(kSuite.c_str())) {
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) {
          std::ifstream in(kSuite + name, std::ios::binary);
          found.push_back({name, Bytes(std::istreambuf_iterator<char>(in), {})});
        }
      }
      closedir(dir);
    }
    std::sort(found.begin(), found.end(),
              [](const SuiteFile& a, const SuiteFile& b) { return a.name < b.name; });
    return found;
  }();
  return files;
}

// Calls `visit(fileIndex, offset)` for the offsets of this run.
template <class Visit>
void ForEachOffset(Visit visit) {
  const std::size_t stride = Stride();
  const auto& files = SuiteFiles();
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (std::size_t i = f % stride; i < files[f].bytes.size(); i += stride) visit(f, i);
  }
}

void Report(const char* campaign, const TCampaignCounts& counts) {
  std::cout << campaign << " (" << SuiteFiles().size() << " files, stride " << Stride()
            << "): " << counts.Table() << std::flush;
}

// Where each chunk's type and payload lie, for repairing its CRC.
struct ChunkSpan {
  std::size_t typeStart;  // the CRC covers [typeStart, crcStart)
  std::size_t crcStart;
};

std::vector<ChunkSpan> ChunkSpans(const Bytes& file) {
  std::vector<ChunkSpan> spans;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = (std::uint32_t{file[at]} << 24) | (std::uint32_t{file[at + 1]} << 16) |
                                 (std::uint32_t{file[at + 2]} << 8) | file[at + 3];
    if (length > file.size() - at - 12) break;
    spans.push_back({at + 4, at + 8 + length});
    at += std::size_t{12} + length;
  }
  return spans;
}

void RepairCrc(Bytes& file, const ChunkSpan& span) {
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, file.data() + span.typeStart, static_cast<uInt>(span.crcStart - span.typeStart)));
  for (int k = 0; k < 4; ++k) file[span.crcStart + k] = static_cast<std::uint8_t>(crc >> (24 - 8 * k));
}

TEST(PngHostile, SuiteFilesExist) {
  ASSERT_GT(SuiteFiles().size(), 150u) << "PngSuite not found under " << kSuite;
}

TEST(PngHostile, EveryTruncationFailsWithACodecError) {
  TCampaignCounts counts;
  ForEachOffset([&](std::size_t f, std::size_t cut) {
    const SuiteFile& file = SuiteFiles()[f];
    const std::string outcome = ExerciseDecode(file.bytes.data(), cut);
    counts.Add(outcome);
    EXPECT_TRUE(IsCodecErrorClass(outcome)) << file.name << " cut to " << cut << " bytes: "
                                            << (outcome.empty() ? "read as a whole image" : outcome);
  });
  Report("truncations", counts);
}

TEST(PngHostile, EveryFlippedByteFailsOnlyWithACodecError) {
  TCampaignCounts counts;
  ForEachOffset([&](std::size_t f, std::size_t i) {
    const SuiteFile& file = SuiteFiles()[f];
    Bytes mutated = file.bytes;
    mutated[i] ^= 0xFF;
    const std::string outcome = ExerciseDecode(mutated.data(), mutated.size());
    counts.Add(outcome);
    EXPECT_TRUE(outcome.empty() || IsCodecErrorClass(outcome))
        << file.name << " with byte " << i << " flipped: " << outcome;
  });
  Report("flips", counts);
}

// A flip inside a chunk with its CRC made right again gets past the CRC
// check, into the header rules, the decoders and the drawing.
TEST(PngHostile, EveryFlippedByteBehindARepairedCrcFailsOnlyWithACodecError) {
  TCampaignCounts counts;
  std::vector<std::vector<ChunkSpan>> spans;
  for (const SuiteFile& file : SuiteFiles()) spans.push_back(ChunkSpans(file.bytes));
  ForEachOffset([&](std::size_t f, std::size_t i) {
    const SuiteFile& file = SuiteFiles()[f];
    const auto span = std::find_if(spans[f].begin(), spans[f].end(), [i](const ChunkSpan& s) {
      return i >= s.typeStart && i < s.crcStart;
    });
    if (span == spans[f].end()) return;
    Bytes mutated = file.bytes;
    mutated[i] ^= 0xFF;
    RepairCrc(mutated, *span);
    const std::string outcome = ExerciseDecode(mutated.data(), mutated.size());
    counts.Add(outcome);
    EXPECT_TRUE(outcome.empty() || IsCodecErrorClass(outcome))
        << file.name << " with byte " << i << " flipped, CRC repaired: " << outcome;
  });
  Report("flips behind repaired CRCs", counts);
}

}  // namespace
}  // namespace pngtest
