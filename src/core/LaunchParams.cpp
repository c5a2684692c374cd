#include "core/LaunchParams.h"

namespace {

bool Chosen(const RadioChoice& choice) { return choice.index > 0; }

// The caption without its unit ("ms", "%"); a caption shorter than its unit
// leaves nothing.
std::string WithoutLast(const std::string& text, size_t count) {
  return text.size() > count ? text.substr(0, text.size() - count) : std::string();
}

}  // namespace

std::string ComposeLaunchParameters(const LaunchChoices& choices) {
  std::string text;
  if (Chosen(choices.renderer)) text += " -" + choices.renderer.caption;
  if (Chosen(choices.resolution)) text += " -" + choices.resolution.caption;
  if (Chosen(choices.midiDelay)) text += " -editmididelay" + WithoutLast(choices.midiDelay.caption, 2);
  if (Chosen(choices.waveVolume)) text += " -editwavevolume" + WithoutLast(choices.waveVolume.caption, 1);
  if (Chosen(choices.filtering)) text += " -filtering" + std::to_string(choices.filtering.index - 1);
  for (const std::string& switchText : choices.switches) text += " " + switchText;
  return text;
}
