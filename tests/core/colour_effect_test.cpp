#include "core/ColourEffect.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
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

// What the timer rules asked of the platform timer, in order: the period of
// each start ("arm 474"), and each stop ("disarm").
class ColourTimerTest : public ::testing::Test {
 protected:
  ColourTimerTest()
      : timer_([this](uint32_t ms) { calls_.push_back("arm " + std::to_string(ms)); },
               [this] { calls_.push_back("disarm"); }) {}

  std::vector<std::string> Taken() {
    std::vector<std::string> calls;
    calls.swap(calls_);
    return calls;
  }

  std::vector<std::string> calls_;
  ColourTimer timer_;
};

using Calls = std::vector<std::string>;

TEST_F(ColourTimerTest, SwitchedOnAfterTheCurrentIntervalAndOffWithoutChangingIt) {
  EXPECT_FALSE(timer_.On());
  timer_.Toggle();
  EXPECT_TRUE(timer_.On());
  EXPECT_EQ(Taken(), Calls{"arm 1"});  // a new window's interval
  timer_.SetInterval(474);
  timer_.Toggle();
  EXPECT_FALSE(timer_.On());
  EXPECT_EQ(Taken(), (Calls{"arm 474", "disarm"}));
  // Off, a new interval starts nothing, and counts when switched on again.
  timer_.SetInterval(202);
  EXPECT_EQ(Taken(), Calls{});
  timer_.Toggle();
  EXPECT_EQ(Taken(), Calls{"arm 202"});
}

TEST_F(ColourTimerTest, OnlyAChangedIntervalRestartsTheCountdown) {
  timer_.Toggle();
  Taken();
  const struct {
    int32_t interval;
    Calls expected;
  } steps[] = {
      {31, {"arm 31"}}, {31, {}}, {202, {"arm 202"}}, {202, {}}, {202, {}}, {31, {"arm 31"}},
      // Drawn as 0 the effect goes on at the shortest period; 0 again
      // changes nothing, and 1 after 0 is a change of interval.
      {0, {"arm 1"}}, {0, {}}, {1, {"arm 1"}}, {1, {}}, {999, {"arm 999"}},
  };
  for (const auto& step : steps) {
    timer_.SetInterval(step.interval);
    EXPECT_EQ(Taken(), step.expected) << "interval " << step.interval;
    EXPECT_EQ(timer_.Interval(), step.interval);
  }
}

TEST_F(ColourTimerTest, IntervalZeroKeepsTheEffectGoing) {
  timer_.Toggle();
  timer_.SetInterval(0);
  EXPECT_TRUE(timer_.On());
  EXPECT_EQ(Taken(), (Calls{"arm 1", "arm 1"}));
  int passes = 0;
  for (int tick = 0; tick < 3; ++tick) timer_.Tick([&] { ++passes; });
  EXPECT_EQ(passes, 3);
  // Switched off and on at 0, it starts again rather than idling.
  timer_.Toggle();
  timer_.Toggle();
  EXPECT_EQ(Taken(), (Calls{"disarm", "arm 1"}));
}

TEST_F(ColourTimerTest, APassNeverRunsInsideAnother) {
  timer_.Toggle();
  int passes = 0, nested = 0;
  timer_.Tick([&] {
    ++passes;
    // Ticks that arrive while the pass lets the message loop run.
    timer_.Tick([&] { ++nested; });
    timer_.Tick([&] { ++nested; });
  });
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(nested, 0);
  // Once it has returned, the next tick runs a pass again...
  timer_.Tick([&] { ++passes; });
  EXPECT_EQ(passes, 2);
  // ...also after a pass that ended in an error.
  EXPECT_THROW(timer_.Tick([] { throw std::runtime_error("lost label"); }), std::runtime_error);
  timer_.Tick([&] { ++passes; });
  EXPECT_EQ(passes, 3);
}

TEST_F(ColourTimerTest, SwitchedOffInsideAPassTheRestOfThePassStartsNothing) {
  timer_.Toggle();
  Taken();
  int labels = 0;
  timer_.Tick([&] {
    timer_.SetInterval(100);
    ++labels;
    timer_.Toggle();  // "Life with colors :)" pressed between two labels
    for (int32_t interval : {200, 300, 400}) {
      timer_.SetInterval(interval);
      ++labels;
    }
  });
  EXPECT_EQ(labels, 4);
  EXPECT_EQ(Taken(), (Calls{"arm 100", "disarm"}));
  int passes = 0;
  timer_.Tick([&] { ++passes; });  // a tick already queued does nothing
  EXPECT_EQ(passes, 0);
  EXPECT_EQ(Taken(), Calls{});
}
