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

void ColourTimer::Toggle() {
  on_ = !on_;
  if (on_)
    arm_(Period(interval_));
  else
    disarm_();
}

void ColourTimer::SetInterval(int32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  if (on_) arm_(Period(interval_));
}

void ColourTimer::Tick(const std::function<void()>& pass) {
  if (inPass_ || !on_) return;
  // Cleared however the pass ends, so that an error in one does not stop
  // the effect for good.
  struct PassGuard {
    bool& flag;
    explicit PassGuard(bool& f) : flag(f) { flag = true; }
    ~PassGuard() { flag = false; }
  } guard(inPass_);
  pass();
}
