#include "core/Random.h"

namespace {
uint32_t seed = 0;
}

int32_t Random(int32_t range) {
  seed = seed * 134775813u + 1u;
  if (range <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(seed) * static_cast<uint32_t>(range)) >> 32);
}

uint32_t RandomSeed() { return seed; }
void SetRandomSeed(uint32_t value) { seed = value; }
