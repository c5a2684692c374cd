#include "core/ProfileNames.h"

#include "core/Text.h"

#include <array>

namespace {

// The second byte of a double-byte character is not a character of its own.
template <typename Visit>
void ForEachCharacter(std::string_view name, LeadBytePredicate isLeadByte, Visit visit) {
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if ((isLeadByte ? isLeadByte(c) : IsLeadByte(c)) && i + 1 < name.size()) {
      ++i;
      continue;
    }
    visit(c);
  }
}

// Windows maps these names to devices in every folder, with any extension
// and with blanks before the extension ("nul.txt", "COM1 .jpg"). The
// superscript digits are the bytes of the ANSI code page 1252.
bool IsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = UpperAscii(base);
  static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view device : kPlain)
    if (upper == device) return true;
  if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT"))) {
    const auto digit = static_cast<unsigned char>(upper[3]);
    return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  }
  return false;
}

}  // namespace

NameFault CheckFileName(std::string_view name, LeadBytePredicate isLeadByte) {
  if (name.empty()) return NameFault::Empty;
  if (name.size() > kMaxNameLength) return NameFault::TooLong;
  NameFault fault = NameFault::None;
  ForEachCharacter(name, isLeadByte, [&](unsigned char c) {
    if (fault != NameFault::None) return;
    if (c == '\\' || c == '/' || c == ':')
      fault = NameFault::Separator;
    else if (c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
      fault = NameFault::ReservedCharacter;
    else if (c < 32)
      fault = NameFault::ControlCharacter;
  });
  if (fault != NameFault::None) return fault;
  if (name == "." || name == "..") return NameFault::DotName;
  // Windows drops trailing dots and blanks from a name: "Anna." would become
  // the folder of "Anna".
  if (name.back() == '.' || name.back() == ' ') return NameFault::TrailingDotOrBlank;
  if (IsDeviceName(name)) return NameFault::DeviceName;
  return NameFault::None;
}

NameFault CheckNewProfileName(std::string_view name, LeadBytePredicate isLeadByte) {
  return name.empty() ? NameFault::None : CheckFileName(name, isLeadByte);
}

bool IsSafeAvatarName(std::string_view name, LeadBytePredicate isLeadByte) {
  return CheckFileName(name, isLeadByte) == NameFault::None;
}

std::string ProfileNameFaultText(NameFault fault, std::string_view name) {
  const std::string named = "Cannot create a profile folder named \"" + std::string(name) + "\": ";
  switch (fault) {
    case NameFault::None:
      return {};
    case NameFault::Empty:
      return "Cannot create a profile folder without a name.";
    case NameFault::TooLong:
      return "Cannot create a profile folder from this name: it is longer than 255 characters.";
    case NameFault::Separator:
    case NameFault::ReservedCharacter:
      return named + "a folder name cannot hold any of the characters \\ / : * ? \" < > |.";
    case NameFault::ControlCharacter:
      return named + "a folder name cannot hold control characters.";
    case NameFault::DotName:
      return named + "\".\" and \"..\" are not folder names.";
    case NameFault::TrailingDotOrBlank:
      return named + "a folder name cannot end with a dot or a blank.";
    case NameFault::DeviceName:
      return named + "Windows keeps this name for a device.";
  }
  return {};
}

bool HoldsLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }
