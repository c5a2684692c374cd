#include "core/LaunchParams.h"

#include <gtest/gtest.h>

namespace {

RadioChoice Item(int index, const std::string& caption) { return RadioChoice{index, caption}; }

const RadioChoice kDefault = Item(0, "Default");
const RadioChoice kNone = Item(-1, "");

TEST(LaunchParams, WorkedExample) {
  LaunchChoices choices;
  choices.renderer = Item(1, "OpenGL");
  choices.resolution = Item(5, "1024x768");
  choices.midiDelay = Item(2, "100ms");
  choices.waveVolume = Item(3, "50%");
  choices.filtering = Item(3, "Medium");
  choices.switches = {"-logsongerrors", "-drawbgoff", "-debug", "-nolimit"};
  EXPECT_EQ(ComposeLaunchParameters(choices),
            " -OpenGL -1024x768 -editmididelay100 -editwavevolume50 -filtering2"
            " -logsongerrors -drawbgoff -debug -nolimit");
}

// One group chosen at a time: its rule, and that it alone begins with one
// blank.
TEST(LaunchParams, EachGroupAlone) {
  struct Case {
    RadioChoice LaunchChoices::*group;
    RadioChoice choice;
    const char* expected;
  };
  const Case cases[] = {
      {&LaunchChoices::renderer, Item(2, "Direct3d"), " -Direct3d"},
      {&LaunchChoices::resolution, Item(11, "1920x1080"), " -1920x1080"},
      {&LaunchChoices::midiDelay, Item(1, "50ms"), " -editmididelay50"},
      {&LaunchChoices::midiDelay, Item(5, "500ms"), " -editmididelay500"},
      {&LaunchChoices::waveVolume, Item(2, "33%"), " -editwavevolume33"},
      {&LaunchChoices::waveVolume, Item(5, "85%"), " -editwavevolume85"},
      // Filtering levels count from 0 at the first item after "Default",
      // whatever the caption says.
      {&LaunchChoices::filtering, Item(1, "Very Low"), " -filtering0"},
      {&LaunchChoices::filtering, Item(5, "Very High"), " -filtering4"},
      // A caption shorter than its unit leaves the bare switch.
      {&LaunchChoices::midiDelay, Item(1, "s"), " -editmididelay"},
      {&LaunchChoices::waveVolume, Item(1, ""), " -editwavevolume"},
  };
  for (const Case& c : cases) {
    LaunchChoices choices;
    choices.*c.group = c.choice;
    EXPECT_EQ(ComposeLaunchParameters(choices), c.expected) << c.choice.caption;
  }
}

// "Default" (0) and nothing checked (-1) add nothing, not even a blank,
// whatever the caption.
TEST(LaunchParams, DefaultOrNothingAddsNothing) {
  for (const RadioChoice& none : {kDefault, kNone, Item(0, "OpenGL"), Item(-1, "50ms")}) {
    LaunchChoices choices;
    choices.renderer = choices.resolution = choices.midiDelay = choices.waveVolume = choices.filtering = none;
    EXPECT_EQ(ComposeLaunchParameters(choices), "") << none.index << " " << none.caption;
  }
}

TEST(LaunchParams, PiecesKeepTheirFixedOrder) {
  // Switches come after every radio piece, and the edit-mode pieces before
  // filtering even though filtering stands above them in the window.
  LaunchChoices choices;
  choices.switches = {"-debug"};
  choices.filtering = Item(2, "Low");
  choices.waveVolume = Item(1, "25%");
  choices.midiDelay = Item(3, "150ms");
  EXPECT_EQ(ComposeLaunchParameters(choices), " -editmididelay150 -editwavevolume25 -filtering1 -debug");
}

TEST(LaunchParams, SwitchesKeepTheGivenOrderSeparatedBySingleBlanks) {
  LaunchChoices choices;
  choices.switches = {"-noerrors", "-logsongerrors", "-logsongwarnings", "-drawbgoff", "-drawfgoff",
                      "-draweffectsoff", "-forceclearbackground", "-mouseoff", "-nobgmusic", "-debug",
                      "-benchmark", "-nolimit"};
  EXPECT_EQ(ComposeLaunchParameters(choices),
            " -noerrors -logsongerrors -logsongwarnings -drawbgoff -drawfgoff -draweffectsoff"
            " -forceclearbackground -mouseoff -nobgmusic -debug -benchmark -nolimit");
}

}  // namespace
