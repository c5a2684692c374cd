#include "core/ConfigValues.h"

#include "core/IntText.h"
#include "core/Text.h"

std::optional<ResolutionParts> SplitResolution(std::string_view value) {
  const std::string upper = UpperAscii(value);
  const size_t x = upper.find('X');
  if (x == std::string::npos) return std::nullopt;
  return ResolutionParts{upper.substr(0, x), upper.substr(x + 1)};
}

std::string JoinResolution(std::string_view width, std::string_view height) {
  std::string value(width);
  value += 'x';
  value += height;
  return value;
}

std::optional<bool> ParseFullScreen(std::string_view value) {
  const std::string upper = UpperAscii(value);
  if (upper == "ON") return true;
  if (upper == "OFF") return false;
  return std::nullopt;
}

std::string ResolutionProblem(std::string_view text) {
  const auto number = ParseInt(text);
  if (!number) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
  }
  if (*number <= 0) return "Resolution must be bigger than 0";
  return {};
}
