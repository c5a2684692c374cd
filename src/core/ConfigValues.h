#pragma once
#include <optional>
#include <string>
#include <string_view>

// The value rules of the game's config.ini as the configuration window reads,
// checks and writes them.

// A "Resolution" value split into its two parts: upper-cased, the text before
// the first "X" is the width and everything after it the height (1024x768x32
// gives 1024 and 768X32). A value without "X" gives nothing.
struct ResolutionParts {
  std::string width;
  std::string height;
};
std::optional<ResolutionParts> SplitResolution(std::string_view value);

// The "Resolution" value as the game writes it: width, lower-case "x", height,
// exactly as given.
std::string JoinResolution(std::string_view width, std::string_view height);

// A "FullScreen" value in any letter case: "on" gives true, "off" false,
// anything else nothing.
std::optional<bool> ParseFullScreen(std::string_view value);

// The message for a resolution text the user typed, or empty text when it is
// a whole number above 0.
std::string ResolutionProblem(std::string_view text);
