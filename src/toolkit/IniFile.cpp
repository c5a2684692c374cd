#include "toolkit/IniFile.h"

#include <windows.h>

#include <algorithm>

#include "core/IniText.h"
#include "core/IntText.h"
#include "core/Utf16Text.h"
#include "toolkit/Error.h"
#include "toolkit/FileSave.h"
#include "toolkit/Handles.h"
#include "toolkit/WideText.h"

namespace {

// The platform's callers get their values in a 2048-character buffer.
constexpr size_t kMaxValueLength = 2047;

bool ReadAll(HANDLE file, std::string& text) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > kMaxIniFileSize) return false;
  text.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!text.empty() && !ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) return false;
  text.resize(read);
  return true;
}

// The file's bytes; nothing when it cannot be read, and `missing` tells
// whether that is because there is no such file.
std::optional<std::string> ReadFileBytes(const std::wstring& path, bool* missing = nullptr) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (missing) *missing = !file && GetLastError() == ERROR_FILE_NOT_FOUND;
  std::string bytes;
  if (!file || !ReadAll(file.Get(), bytes)) return std::nullopt;
  return bytes;
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

std::string Convert(const std::string& text, UINT from, UINT to) { return FromWide(ToWide(text, from), to); }

std::string AnsiToUtf8(const std::string& text) { return Convert(text, CP_ACP, CP_UTF8); }

// The file's text: a UTF-16 file's as UTF-8, any other as its bytes. A file
// with the mark whose text is not well-formed UTF-16 could not be written
// back as it was from UTF-8; it is taken byte for byte.
struct FileText {
  std::string text;
  std::optional<ByteOrder> utf16;
};
FileText TextOf(std::string bytes) {
  if (const auto order = Utf16Mark(bytes))
    if (auto text = Utf16ToUtf8(std::string_view(bytes).substr(2), *order)) return {std::move(*text), order};
  return {std::move(bytes), std::nullopt};
}

}  // namespace

IniFile::IniFile(std::wstring path) : path_(std::move(path)), fileName_(FromWide(path_)) {}

IniFile::IniFile(const std::string& path) : path_(ToWide(path)), fileName_(path) {}

std::optional<std::string> IniFile::Find(const std::string& section, const std::string& key) const {
  auto bytes = ReadFileBytes(path_);
  if (!bytes) return std::nullopt;
  const FileText content = TextOf(std::move(*bytes));
  if (!content.utf16) return IniFindValue(content.text, section, key);
  const auto value = IniFindValue(content.text, AnsiToUtf8(section), AnsiToUtf8(key));
  if (!value) return std::nullopt;
  return Convert(*value, CP_UTF8, CP_ACP);
}

void IniFile::Update(bool create, bool report,
                     const std::function<std::string(std::string_view, const ToText&)>& edit) {
  const auto fail = [&](const char* why) {
    if (report) throw Error::Format("Unable to write to %s%s", fileName_.c_str(), why);
  };
  bool missing = false;
  auto bytes = ReadFileBytes(path_, &missing);
  if (!bytes && !(missing && create)) return fail("");
  if (!bytes) bytes.emplace();
  const FileText text = TextOf(*bytes);
  const std::string edited = text.utf16 ? bytes->substr(0, 2) + Utf8ToUtf16(edit(text.text, AnsiToUtf8), *text.utf16)
                                        : edit(text.text, [](const std::string& ansi) { return ansi; });
  if (edited == *bytes && !missing) return;
  const auto write = [&](HANDLE file) { return WriteAll(file, edited.data(), edited.size()); };
  switch (SaveFile(path_, write, AtLink::Follow)) {
    case SaveResult::Saved:
      return;
    case SaveResult::HardLinked:
      return fail(": the file has other hard links, and a save would part it from them");
    default:
      return fail("");
  }
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  std::string value = Find(section, key).value_or(defaultValue);
  const size_t length = std::min(value.find('\0'), kMaxValueLength);
  if (value.size() > length) value.resize(length);
  return value;
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const {
  return ParseInt(ReadString(section, key, "")).value_or(defaultValue);
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Find(section, key).has_value();
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value))
    throw Error::Format("The value of '%s' holds a line break and cannot be written to %s", key.c_str(),
                        fileName_.c_str());
  Update(true, true, [&](std::string_view text, const ToText& in) {
    return IniSetValue(text, in(section), in(key), in(value));
  });
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Update(false, false,
         [&](std::string_view text, const ToText& in) { return IniDeleteKey(text, in(section), in(key)); });
}
