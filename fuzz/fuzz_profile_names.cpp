// The rules for a new profile's folder name (the display name the user types)
// and for the avatar file name a profile file stores, which may come from
// anyone who wrote the file. A name the rules let through must stay one
// component inside the profile folder: no separator, no wildcard, no device,
// nothing Windows would trim away. Checked without a double-byte code page
// and with code page 932, where a character's second byte may be '\'.
#include "FuzzInput.h"
#include "core/ProfileNames.h"

namespace {

// The bytes that stand as characters of their own.
std::vector<unsigned char> Characters(std::string_view name, LeadBytePredicate isLeadByte) {
  std::vector<unsigned char> characters;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (isLeadByte && isLeadByte(c) && i + 1 < name.size())
      ++i;
    else
      characters.push_back(c);
  }
  return characters;
}

void CheckAccepted(std::string_view name, LeadBytePredicate isLeadByte) {
  fuzz::Check(!name.empty() && name.size() <= kMaxNameLength, "an empty or overlong name passes");
  for (unsigned char c : Characters(name, isLeadByte))
    fuzz::Check(c >= 32 && std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) == std::string_view::npos,
                "a name with a separator, wildcard or control character passes");
  fuzz::Check(name != "." && name != "..", "a dot name passes");
  fuzz::Check(name.back() != '.' && name.back() != ' ', "a name Windows would trim passes");
  // Device names, whatever follows the first dot.
  std::string base = UpperAscii(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    fuzz::Check(base != device, "a device name passes");
  if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")))
    fuzz::Check(!(base[3] >= '0' && base[3] <= '9'), "a numbered device name passes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view name = fuzz::Bytes(data, size);
  for (LeadBytePredicate isLeadByte : {static_cast<LeadBytePredicate>(nullptr), &fuzz::IsLeadByte932}) {
    const NameFault fault = CheckFileName(name, isLeadByte);
    if (fault == NameFault::None) CheckAccepted(name, isLeadByte);
    fuzz::Check(IsSafeAvatarName(name, isLeadByte) == (fault == NameFault::None), "avatar rule disagrees");

    const NameFault newFault = CheckNewProfileName(name, isLeadByte);
    fuzz::Check(newFault == (name.empty() ? NameFault::None : fault), "new-profile rule disagrees");
    const std::string text = ProfileNameFaultText(newFault, name);
    fuzz::Check(text.empty() == (newFault == NameFault::None), "a refusal without a message");
  }
  fuzz::Check(HoldsLineBreak(name) == (name.find_first_of("\r\n") != std::string_view::npos), "line break test");
  return 0;
}
