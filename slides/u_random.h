#pragma once

#include <cstdint>

// The program's one pseudo-random generator: a 32-bit linear congruential
// generator whose sequence is fixed by its seed, so that a seeded run can be
// replayed exactly. Only the random slide order uses it.

// Seeds the generator from the low 32 bits of the monotonic clock.
void SeedRandom();

// Steps the generator and returns a number from 0 to n - 1 (n at least 1;
// a smaller n still steps the generator and gives 0).
int RandomBelow(int n);

// The current seed, and setting it, for replaying a sequence.
std::uint32_t RandomSeed();
void SetRandomSeed(std::uint32_t seed);
