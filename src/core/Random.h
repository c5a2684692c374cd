#pragma once
#include <cstdint>

// The program's one pseudo-random generator: a 32-bit linear congruential
// sequence that is never seeded, so every run of the program draws the same
// numbers (0, 67387906, ... for Random(2147483647)). The About window's colour
// effect and the naming of new profile folders draw from it in turn.

// A whole number from 0 to range - 1; 0 when range is 0 or less.
int32_t Random(int32_t range);

// The generator's state, for tests that check how far it moved.
uint32_t RandomSeed();
void SetRandomSeed(uint32_t seed);
