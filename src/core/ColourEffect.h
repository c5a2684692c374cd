#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

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

// The rules of the effect's timer, apart from the platform timer they drive:
// `arm(ms)` starts the platform's countdown afresh, `disarm()` stops it.
class ColourTimer {
 public:
  using Arm = std::function<void(uint32_t milliseconds)>;
  using Disarm = std::function<void()>;

  ColourTimer(Arm arm, Disarm disarm) : arm_(std::move(arm)), disarm_(std::move(disarm)) {}

  bool On() const { return on_; }
  int32_t Interval() const { return interval_; }

  // Off to on and on to off. Switched on, the first pass comes after the
  // current interval (1 ms in a new window, else the one drawn last).
  void Toggle();
  // A new interval restarts the countdown from now; the same one leaves it
  // running. While the effect is off, nothing is started.
  void SetInterval(int32_t interval);
  // A tick of the platform timer. Runs `pass` unless one is under way (a
  // pass lets the message loop run between labels, and the next tick can
  // arrive there) or the effect is off.
  void Tick(const std::function<void()>& pass);

  // The platform timer's period for an interval. An interval of 0 keeps the
  // effect going at the shortest period instead of stopping it.
  static uint32_t Period(int32_t interval) { return interval < 1 ? 1u : static_cast<uint32_t>(interval); }

 private:
  Arm arm_;
  Disarm disarm_;
  bool on_ = false;
  int32_t interval_ = 1;
  bool inPass_ = false;
};
