// The program's pseudo-random generator: a linear congruential generator
// whose seed is 0 at start, so every run without "add" repeats the same
// sequence.
#pragma once

#include <cstdint>

extern std::uint32_t RandSeed;

// Uniform in [0, n): the high 32 bits of seed × n after one step of the
// generator. A range of 0 or below gives 0 (the step is still taken), so
// a screen too small for the window cannot place it at a wild position.
int RandomInt(int n);

// Seeds from the low 32 bits of the high-resolution performance counter,
// or from the millisecond tick count where that counter is unavailable.
void Randomize();
