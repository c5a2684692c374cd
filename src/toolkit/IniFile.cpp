#include "toolkit/IniFile.h"

#include <windows.h>

#include <algorithm>

#include "core/IniText.h"
#include "core/IntText.h"
#include "core/Utf16Text.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"

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

bool Rewrite(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
         WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && SetEndOfFile(file);
}

bool HoldsLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return {};
  std::wstring wide(text.size(), L'\0');
  wide.resize(MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  const int size = WideCharToMultiByte(to, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string result(size, '\0');
  WideCharToMultiByte(to, 0, wide.data(), static_cast<int>(wide.size()), result.data(), size, nullptr, nullptr);
  return result;
}

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

std::optional<std::string> IniFile::Find(const std::string& section, const std::string& key) const {
  FileHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file || !ReadAll(file.Get(), bytes)) return std::nullopt;
  const FileText content = TextOf(std::move(bytes));
  if (!content.utf16) return IniFindValue(content.text, section, key);
  const auto value = IniFindValue(content.text, AnsiToUtf8(section), AnsiToUtf8(key));
  if (!value) return std::nullopt;
  return Convert(*value, CP_UTF8, CP_ACP);
}

bool IniFile::Update(bool create, const std::function<std::string(std::string_view, const ToText&)>& edit) {
  // Wine keeps the read-only attribute as Unix permissions, which a process
  // run as root passes; whoever marked the file read-only wants it kept as it
  // is there as on Windows.
  const DWORD attributes = GetFileAttributesA(fileName_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  // One handle for reading and writing, shared for reading only: no other
  // writer can slip in between.
  FileHandle file(CreateFileA(fileName_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file || !ReadAll(file.Get(), bytes)) return false;
  const FileText text = TextOf(bytes);
  const std::string edited = text.utf16 ? bytes.substr(0, 2) + Utf8ToUtf16(edit(text.text, AnsiToUtf8), *text.utf16)
                                        : edit(text.text, [](const std::string& ansi) { return ansi; });
  return edited == bytes || Rewrite(file.Get(), edited);
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
  if (!Update(true, [&](std::string_view text, const ToText& in) {
        return IniSetValue(text, in(section), in(key), in(value));
      }))
    throw Error::Format("Unable to write to %s", fileName_.c_str());
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  (void)Update(false,
               [&](std::string_view text, const ToText& in) { return IniDeleteKey(text, in(section), in(key)); });
}
