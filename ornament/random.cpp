#include "ornament/random.h"

#include "platform/kernel.h"

std::uint32_t RandSeed = 0;

int RandomInt(int n) {
  RandSeed = RandSeed * 134775813u + 1u;
  if (n <= 0) return 0;
  return static_cast<int>((static_cast<std::uint64_t>(RandSeed) * static_cast<std::uint32_t>(n)) >> 32);
}

void Randomize() {
  plat::LARGE_INTEGER counter{};
  if (plat::QueryPerformanceCounter(&counter)) {
    RandSeed = counter.u.LowPart;
  } else {
    RandSeed = plat::GetTickCount();
  }
}
