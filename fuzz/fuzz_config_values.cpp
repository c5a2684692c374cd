// The rules that read the values of config.ini's "Graphics" section and check
// what the user types for the resolution. The input is a value as the file
// may hold it; its first line and the rest also serve as the two edits'
// texts for the way back.
#include "FuzzInput.h"
#include "core/ConfigValues.h"
#include "core/IntText.h"
#include "core/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view value = fuzz::Bytes(data, size);
  const std::string upper = UpperAscii(value);

  const auto parts = SplitResolution(value);
  if (parts) {
    fuzz::Check(parts->width.find('X') == std::string::npos, "the width holds an X");
    fuzz::Check(parts->width + "X" + parts->height == upper, "the parts do not make up the value");
  } else {
    fuzz::Check(upper.find('X') == std::string::npos, "a value with an X does not split");
  }

  // What Save writes reads back as the two texts, upper-cased, as long as the
  // width holds no x of its own.
  const fuzz::Fields fields = fuzz::SplitFields(value, 1);
  const std::string_view width = fields.lines[0], height = fields.rest;
  if (UpperAscii(width).find('X') == std::string::npos) {
    const auto back = SplitResolution(JoinResolution(width, height));
    fuzz::Check(back && back->width == UpperAscii(width) && back->height == UpperAscii(height),
                "a joined resolution does not split back");
  }

  const auto fullScreen = ParseFullScreen(value);
  fuzz::Check(fullScreen == (upper == "ON" ? std::optional(true) : upper == "OFF" ? std::optional(false)
                                                                                   : std::nullopt),
              "FullScreen read as neither on nor off");

  const std::string problem = ResolutionProblem(value);
  const auto number = ParseInt(value);
  fuzz::Check(problem.empty() == (number && *number > 0), "the resolution check disagrees with ParseInt");
  return 0;
}
