#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

// The About window's colour effect: each pass gives every label a random text
// colour and the effect's timer a random interval, drawn from the program's
// one generator (core/Random.h).

struct LabelTint {
  // A colour value with red in the low byte, green in the middle byte and
  // blue in the high byte; drawn below FEFFFF, so blue never reaches 255.
  uint32_t colour = 0;
  // Milliseconds until the next pass, 0 to 999.
  int32_t interval = 0;
};

// One pass over `labels` labels in their layout order. For each label it
// draws the colour, then the interval, and hands both to `apply` before the
// next label's numbers are drawn, so the window can repaint that label first.
void ColourPass(size_t labels, const std::function<void(size_t label, const LabelTint& tint)>& apply);
