// png-hostile-measure [CASE...]: reads each hostile stream in a child
// process of its own and prints one line per case: its name, the stream's
// size, the outcome, the wall time of the read and the child's peak resident
// memory. Without arguments every case runs.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/pngimage.h"
#include "tests/png_hostile_cases.h"

namespace {

using pngtest::Bytes;

struct Case {
  const char* name;
  std::function<Bytes()> build;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"baseline-1x1", [] { return pngtest::TinyChunkFlood(0, "abCd"); }},
      {"header-65535-rgba8", [] { return pngtest::HugeHeaderFewBytes(8, 6); }},
      {"header-65535-grey8", [] { return pngtest::HugeHeaderFewBytes(8, 0); }},
      {"header-65535-grey1", [] { return pngtest::HugeHeaderFewBytes(1, 0); }},
      {"length-4GiB-ancillary", [] { return pngtest::ClaimedLength("abCd", 0xFFFFFFFFu, 1 << 20); }},
      {"length-4GiB-idat", [] { return pngtest::ClaimedLength("IDAT", 0xFFFFFFFFu, 1 << 20); }},
      {"rgba-8192x8191-one-colour", [] { return pngtest::OneColourRgbaImage(8192, 8191); }},
      {"inflate-1GiB-past-last-row", [] { return pngtest::InflatesPastLastRow(std::uint64_t{1} << 30); }},
      {"inflate-4GiB-past-last-row", [] { return pngtest::InflatesPastLastRow(std::uint64_t{4} << 30); }},
      {"million-ancillary-chunks", [] { return pngtest::TinyChunkFlood(1000000, "abCd"); }},
      {"million-chrm-chunks", [] { return pngtest::TinyChunkFlood(1000000, "cHRM"); }},
      {"48-texts-of-16MiB", [] { return pngtest::CompressedTextFlood(48, 16u << 20); }},
      {"24-texts-of-16MiB", [] { return pngtest::CompressedTextFlood(24, 16u << 20); }},
  };
  return cases;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// In the child: builds the stream, notes the memory that took, reads it.
[[noreturn]] void Measure(const Case& c) {
  const Bytes png = c.build();
  const long beforeRead = PeakKilobytes();
  std::string outcome = "ok";
  const auto start = std::chrono::steady_clock::now();
  try {
    TPNGObject image;
    plat::TBufferStream stream(png.data(), png.size());
    image.ReadPng(stream);
  } catch (const plat::Exception& e) {
    outcome = e.ClassName();
  } catch (const std::exception& e) {
    outcome = std::string("non-codec: ") + e.what();
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-28s %12zu bytes  %-24s %9.1f ms  peak %7.1f MiB (%.1f MiB before the read)\n", c.name,
              png.size(), outcome.c_str(), ms, PeakKilobytes() / 1024.0, beforeRead / 1024.0);
  std::fflush(stdout);
  _exit(outcome.compare(0, 9, "non-codec") == 0 ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
  int failures = 0;
  for (const Case& c : Cases()) {
    bool wanted = argc == 1;
    for (int i = 1; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], c.name) == 0;
    if (!wanted) continue;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) Measure(c);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("%-28s FAILED (status %d)\n", c.name, status);
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
