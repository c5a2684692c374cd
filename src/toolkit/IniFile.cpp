#include "toolkit/IniFile.h"

#include <windows.h>

#include <algorithm>

#include "core/IniText.h"
#include "core/IntText.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"

namespace {

// The game's INI files hold a few kilobytes; anything near this size is not
// one of them and is neither read nor rewritten.
constexpr LONGLONG kMaxFileSize = 16 << 20;

// The platform's callers get their values in a 2048-character buffer.
constexpr size_t kMaxValueLength = 2047;

bool ReadAll(HANDLE file, std::string& text) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > kMaxFileSize) return false;
  text.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return false;
  text.resize(read);
  return true;
}

bool Rewrite(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
         WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && SetEndOfFile(file);
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::string IniFile::Load() const {
  FileHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string text;
  if (!file || !ReadAll(file.Get(), text)) return {};
  return text;
}

bool IniFile::Update(bool create, const std::function<std::string(std::string_view)>& edit) {
  // Wine keeps the read-only attribute as Unix permissions, which a process
  // run as root passes; whoever marked the file read-only wants it kept as it
  // is there as on Windows.
  const DWORD attributes = GetFileAttributesA(fileName_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  // One handle for reading and writing, shared for reading only: no other
  // writer can slip in between.
  FileHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string text;
  if (!file || !ReadAll(file.Get(), text)) return false;
  const std::string edited = edit(text);
  return edited == text || Rewrite(file.Get(), edited);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  std::string value = IniFindValue(Load(), section, key).value_or(defaultValue);
  const size_t length = std::min(value.find('\0'), kMaxValueLength);
  if (value.size() > length) value.resize(length);
  return value;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const {
  return ParseInt(ReadString(section, key, "")).value_or(defaultValue);
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return IniFindValue(Load(), section, key).has_value();
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value))
    throw Error::Format("The value of '%s' holds a line break and cannot be written to %s", key.c_str(),
                        fileName_.c_str());
  if (!Update(true, [&](std::string_view text) { return IniSetValue(text, section, key, value); }))
    throw Error::Format("Unable to write to %s", fileName_.c_str());
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  (void)Update(false, [&](std::string_view text) { return IniDeleteKey(text, section, key); });
}
