#pragma once
#include <string>
#include <vector>

// The game's command-line parameters, built from a plain description of what
// the user chose in the "Run Cantivox with parametrs" window.

// One radio group's choice: the index of the checked item (0 is "Default",
// -1 nothing checked) and that item's caption.
struct RadioChoice {
  int index = -1;
  std::string caption;
};

struct LaunchChoices {
  RadioChoice renderer;     // "OpenGL" -> -OpenGL
  RadioChoice resolution;   // "1024x768" -> -1024x768
  RadioChoice midiDelay;    // "100ms" -> -editmididelay100
  RadioChoice waveVolume;   // "50%" -> -editwavevolume50
  RadioChoice filtering;    // item 3 -> -filtering2 (levels count from 0)
  // The switch texts of the checked boxes, in the window's layout order.
  std::vector<std::string> switches;
};

// The parameter text: empty when nothing was chosen, otherwise each piece
// after one blank, in a fixed order (renderer, resolution, midi delay, wave
// volume, filtering, then the switches) whatever order the window shows them
// in or the user clicked them in.
std::string ComposeLaunchParameters(const LaunchChoices& choices);
