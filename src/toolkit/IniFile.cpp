#include "toolkit/IniFile.h"

#include <windows.h>

#include <vector>

#include "core/IntText.h"
#include "core/Text.h"
#include "toolkit/Error.h"

IniFile::~IniFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  char buffer[2048];
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                                sizeof buffer, fileName_.c_str());
  return std::string(buffer, length);
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return defaultValue;
  return ParseInt(text).value_or(defaultValue);
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  // A null key name lists the section's keys, each ended by a NUL; the call
  // returns size - 2 when the buffer was too small.
  std::vector<char> names(8 * 1024);
  DWORD length;
  for (;;) {
    length = GetPrivateProfileStringA(section.c_str(), nullptr, "", names.data(),
                                      static_cast<DWORD>(names.size()), fileName_.c_str());
    if (length + 2 < names.size() || names.size() >= (64u << 20)) break;
    names.resize(names.size() * 4);
  }
  const std::string wanted = UpperAscii(key);
  for (size_t i = 0; i < length;) {
    const std::string name(names.data() + i);
    if (UpperAscii(name) == wanted) return true;
    i += name.size() + 1;
  }
  return false;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (value.find_first_of("\r\n") != std::string::npos)
    throw Error::Format("The value of '%s' holds a line break and cannot be written to %s", key.c_str(),
                        fileName_.c_str());
  if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
    throw Error::Format("Unable to write to %s", fileName_.c_str());
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, fileName_.c_str());
}
