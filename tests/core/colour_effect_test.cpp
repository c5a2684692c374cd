#include "core/ColourEffect.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/Random.h"

namespace {

struct Painted {
  size_t label;
  uint32_t colour;
  int32_t interval;
  uint32_t seedWhenPainted;
};

std::vector<Painted> RunPass(size_t labels) {
  std::vector<Painted> painted;
  ColourPass(labels, [&](size_t label, const LabelTint& tint) {
    painted.push_back({label, tint.colour, tint.interval, RandomSeed()});
  });
  return painted;
}

// The generator's state after `steps` more numbers, stepped independently of
// Random so a change of the draw count shows.
uint32_t SeedAfter(uint32_t seed, int steps) {
  for (int i = 0; i < steps; ++i) seed = seed * 134775813u + 1u;
  return seed;
}

TEST(ColourEffect, FreshPassOverSixLabelsDrawsTwelveNumbersColourThenInterval) {
  SetRandomSeed(0);
  const std::vector<Painted> painted = RunPass(6);
  // Worked out by hand from the generator's rule, colour (range FF0000) and
  // interval (range 1000) alternately.
  const std::vector<std::pair<uint32_t, int32_t>> expected = {
      {0, 31}, {14389566, 202}, {4560972, 671}, {5325866, 161}, {6220728, 425}, {1370560, 474}};
  ASSERT_EQ(painted.size(), expected.size());
  for (size_t i = 0; i < painted.size(); ++i) {
    EXPECT_EQ(painted[i].label, i);
    EXPECT_EQ(painted[i].colour, expected[i].first) << "label " << i;
    EXPECT_EQ(painted[i].interval, expected[i].second) << "label " << i;
    // Each label is handed over before the next label's numbers are drawn.
    EXPECT_EQ(painted[i].seedWhenPainted, SeedAfter(0, 2 * static_cast<int>(i) + 2)) << "label " << i;
  }
  EXPECT_EQ(RandomSeed(), SeedAfter(0, 12));
}

TEST(ColourEffect, NumbersStayInTheirRangesAndPassesContinueTheSequence) {
  SetRandomSeed(0x9E3779B9u);
  for (int pass = 0; pass < 200; ++pass) {
    const uint32_t before = RandomSeed();
    for (const Painted& p : RunPass(6)) {
      EXPECT_LT(p.colour, 0xFEFFFFu + 1);
      EXPECT_GE(p.interval, 0);
      EXPECT_LT(p.interval, 1000);
    }
    EXPECT_EQ(RandomSeed(), SeedAfter(before, 12));
  }
}

}  // namespace
