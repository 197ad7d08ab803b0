// png-bench: times this codec against libpng, libspng, stb_image and, where
// it was built with it, Wuffs on the same PNG files, in one process, the
// decoders in a new random order every round, and prints the median of each
// with the peers' ratios to this codec.
// Beside them: inflating the same image data alone, with zlib in one call
// (the floor of a decoder built on zlib), with libdeflate, and with the
// codec's own whole-buffer inflate.
#include <dirent.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tools/png_bench_decoders.h"
#ifdef FENWILLOW_HAVE_WUFFS
#include "tools/png_bench_wuffs.h"
#endif

namespace {

using namespace pngbench;
using Clock = std::chrono::steady_clock;

constexpr char kUsage[] =
    "usage: png-bench [--seconds S] [--min-rounds N] [--only NAME] [FILE...]\n"
    "\n"
    "Decodes each FILE (default: the bench images of the test data and the\n"
    "program's pictures) over and over, every decoder once a round in a new\n"
    "random order, for about S seconds a file (default 2) and at least N\n"
    "rounds (default 15), then prints the median milliseconds of each\n"
    "decoder. --only NAME runs that decoder alone (codec, libpng, spng, stb,\n"
    "wuffs, zlib, libdeflate, inflate), for profiling; the other columns then\n"
    "show 0. 'inflate' is the codec's own whole-buffer inflate of the image\n"
    "data.\n";

struct TTimed {
  const char* name;
  std::function<bool()> run;
  std::vector<double> ms;
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The PNG files of a directory, sorted by name.
std::vector<std::string> PngFilesIn(const std::string& directory) {
  std::vector<std::string> files;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) files.push_back(directory + "/" + name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> DefaultFiles() {
  std::vector<std::string> files = PngFilesIn(std::string(FENWILLOW_TESTDATA) + "/bench");
  const std::vector<std::string> pictures = PngFilesIn(std::string(FENWILLOW_SOURCE_DIR) + "/assets");
  files.insert(files.end(), pictures.begin(), pictures.end());
  return files;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Runs every decoder once per round, in a new random order each round, so
// that no decoder always follows the same one (whose leftovers in the caches
// and the allocator would help or hinder it), until the time is spent and
// enough rounds are done.
void Measure(std::vector<TTimed>& decoders, double seconds, int minRounds) {
  for (TTimed& d : decoders) d.run();  // warm caches and lazy tables
  const Clock::time_point until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
  std::vector<std::size_t> order(decoders.size());
  std::iota(order.begin(), order.end(), 0);
  std::mt19937 random(20240);
  for (int round = 0; round < minRounds || (Clock::now() < until && round < 100000); ++round) {
    std::shuffle(order.begin(), order.end(), random);
    for (const std::size_t k : order) {
      TTimed& d = decoders[k];
      const Clock::time_point start = Clock::now();
      d.run();
      d.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Large buffers come from the heap and the heap is never handed back:
  // otherwise the allocator's thresholds, which move with what was freed
  // before, decide whether a decoder's buffers are faulted in afresh, and
  // the figures would depend on the order of the decoders and the files.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  double seconds = 2;
  int minRounds = 15;
  std::string only;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--min-rounds" && i + 1 < argc) {
      minRounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) files = DefaultFiles();

#ifdef FENWILLOW_HAVE_WUFFS
  const bool haveWuffs = true;
#else
  const bool haveWuffs = false;
  std::printf("no Wuffs column: png-bench was built without the Wuffs source (../shared/reference/wuffs-v0.4.c)\n");
#endif
  std::printf("median ms per decode; ratio = peer time / this codec's time (above 1: this codec is faster)\n\n");
  std::printf("%-48s %8s %8s %8s %8s %8s %8s %10s %7s | %7s %7s %7s %7s %9s\n", "file", "codec", "libpng", "spng",
              "stb", "wuffs", "zlib", "libdeflate", "inflate", "libpng", "spng", "stb", "wuffs", "codec/ld");
  int status = 0;
  for (const std::string& path : files) {
    const Bytes file = ReadWhole(path);
    const TImageData data = ExtractImageData(file);
    Bytes inflated(data.inflatedSize);
    std::vector<TTimed> decoders = {
        {"codec", [&] { return DecodeWithCodec(file); }, {}},
        {"libpng", [&] { return DecodeWithLibpng(file); }, {}},
        {"spng", [&] { return DecodeWithSpng(file); }, {}},
        {"stb", [&] { return DecodeWithStb(file); }, {}},
#ifdef FENWILLOW_HAVE_WUFFS
        {"wuffs", [&] { return DecodeWithWuffs(file.data(), file.size()) != 0; }, {}},
#endif
        {"zlib", [&] { return InflateWithZlib(data, inflated); }, {}},
#ifdef FENWILLOW_HAVE_LIBDEFLATE
        {"libdeflate", [&] { return InflateWithLibdeflate(data, inflated); }, {}},
        {"inflate", [&] { return InflateWithCodec(data, inflated); }, {}},
#endif
    };
    bool failed = file.empty() || data.inflatedSize == 0;
    for (TTimed& d : decoders) failed = failed || !d.run();
    if (failed) {
      std::printf("%-48s does not decode with every decoder\n", BaseName(path).c_str());
      status = 1;
      continue;
    }
    for (TTimed& d : decoders) {
      if (!only.empty() && only != d.name) d.run = [] { return true; };
    }
    Measure(decoders, seconds, minRounds);
    // Median of a column by name, or below 0 where the bench has no such decoder.
    auto median = [&](const char* name) {
      for (const TTimed& d : decoders) {
        if (std::strcmp(d.name, name) == 0) return Median(d.ms);
      }
      return -1.0;
    };
    auto cell = [](double value, const char* format) {
      char text[16] = "-";
      if (value >= 0) std::snprintf(text, sizeof text, format, value);
      return std::string(text);
    };
    const double codec = median("codec");
    const double wuffs = haveWuffs ? median("wuffs") : -1;
    const double libdeflate = median("libdeflate");
    std::printf("%-48s %8.4f %8.4f %8.4f %8.4f %8s %8.4f %10s %7s | %7.2f %7.2f %7.2f %7s %9s\n",
                BaseName(path).c_str(), codec, median("libpng"), median("spng"), median("stb"),
                cell(wuffs, "%.4f").c_str(), median("zlib"), cell(libdeflate, "%.4f").c_str(),
                cell(median("inflate"), "%.4f").c_str(), median("libpng") / codec, median("spng") / codec,
                median("stb") / codec, cell(wuffs < 0 ? -1 : wuffs / codec, "%.2f").c_str(),
                cell(libdeflate < 0 ? -1 : codec / libdeflate, "%.2f").c_str());
    std::fflush(stdout);
  }
  return status;
}
