// png-bench: times this codec against libpng, libspng and stb_image on the
// same PNG files, in one process, alternating between the decoders round by
// round, and prints the median of each with the peers' ratios to this codec.
// Beside them: inflating the same image data alone, with zlib in one call
// (the floor of a decoder built on zlib), with libdeflate, and with the
// codec's own whole-buffer inflate.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tools/png_bench_decoders.h"

namespace {

using namespace pngbench;
using Clock = std::chrono::steady_clock;

constexpr char kUsage[] =
    "usage: png-bench [--seconds S] [--min-rounds N] [--only NAME] [FILE...]\n"
    "\n"
    "Decodes each FILE (default: the bench images of the test data and the\n"
    "tree picture) over and over, one decoder after another in turn, for\n"
    "about S seconds a file (default 2) and at least N rounds (default 15),\n"
    "then prints the median milliseconds of each decoder. --only NAME runs\n"
    "that decoder alone (codec, libpng, spng, stb, zlib, libdeflate,\n"
    "inflate), for profiling; the other columns then show 0. 'inflate' is\n"
    "the codec's own whole-buffer inflate of the image data.\n";

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

std::vector<std::string> DefaultFiles() {
  std::vector<std::string> files;
  const std::string bench = std::string(FENWILLOW_TESTDATA) + "/bench";
  if (DIR* dir = opendir(bench.c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) files.push_back(bench + "/" + name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  files.push_back(std::string(FENWILLOW_SOURCE_DIR) + "/assets/imgTree.png");
  return files;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Runs every decoder once per round, starting each round with the next one,
// until the time is spent and enough rounds are done.
void Measure(std::vector<TTimed>& decoders, double seconds, int minRounds) {
  for (TTimed& d : decoders) d.run();  // warm caches and lazy tables
  const Clock::time_point until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
  const std::size_t n = decoders.size();
  for (int round = 0; round < minRounds || (Clock::now() < until && round < 100000); ++round) {
    for (std::size_t k = 0; k < n; ++k) {
      TTimed& d = decoders[(round + k) % n];
      const Clock::time_point start = Clock::now();
      d.run();
      d.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
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

  std::printf("median ms per decode; ratio = peer time / this codec's time (above 1: this codec is faster)\n\n");
  std::printf("%-48s %8s %8s %8s %8s %8s %10s %7s | %7s %7s %7s %9s\n", "file", "codec", "libpng", "spng", "stb",
              "zlib", "libdeflate", "inflate", "libpng", "spng", "stb", "codec/ld");
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
    double median[7] = {};
    for (std::size_t k = 0; k < decoders.size(); ++k) median[k] = Median(decoders[k].ms);
    const double codec = median[0];
    char libdeflate[16] = "-", inflate[16] = "-", codecToLd[16] = "-";
    if (decoders.size() > 6) {
      std::snprintf(libdeflate, sizeof libdeflate, "%.2f", median[5]);
      std::snprintf(inflate, sizeof inflate, "%.2f", median[6]);
      std::snprintf(codecToLd, sizeof codecToLd, "%.2f", codec / median[5]);
    }
    std::printf("%-48s %8.2f %8.2f %8.2f %8.2f %8.2f %10s %7s | %7.2f %7.2f %7.2f %9s\n",
                BaseName(path).c_str(), codec, median[1], median[2], median[3], median[4], libdeflate, inflate,
                median[1] / codec, median[2] / codec, median[3] / codec, codecToLd);
    std::fflush(stdout);
  }
  return status;
}
