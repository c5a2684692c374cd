#include "core/ColourEffect.h"

#include "core/Random.h"

namespace {
constexpr int32_t kColourRange = 16711680;  // FF0000: colours 0 to FEFFFF
constexpr int32_t kIntervalRange = 1000;
}  // namespace

void ColourPass(size_t labels, const std::function<void(size_t label, const LabelTint& tint)>& apply) {
  for (size_t label = 0; label < labels; ++label) {
    LabelTint tint;
    tint.colour = static_cast<uint32_t>(Random(kColourRange));
    tint.interval = Random(kIntervalRange);
    apply(label, tint);
  }
}
