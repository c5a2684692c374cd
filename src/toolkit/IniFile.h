#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// An INI file read and written one key a call. Every call goes to the file at
// once: nothing is cached, so a release has nothing to flush. Keys are found
// the way the platform's GetPrivateProfileStringA finds them (section and key
// names compare without regard to case), but writes are made here rather
// than by WritePrivateProfileStringA: Wine's version rewrites the whole file,
// dropping blank lines, respacing keys and changing line ends, and the game's
// files must keep every byte that is not the key written. A file that
// begins with a UTF-16 byte order mark is read and written in UTF-16, as the
// platform's functions do; names and values stay ANSI text for the caller.
// A write never rewrites the file in place: the whole new text goes into a
// new file that then takes the old one's place (FileSave.h), so that a full
// disk or a killed process never leaves the file cut. A file that is a link
// is written where it leads, as the game's own write would go.
// The game's INI files hold a few kilobytes; a file larger than this is not
// one of them and is neither read nor rewritten.
inline constexpr long long kMaxIniFileSize = 16 << 20;

class IniFile {
 public:
  // The file at a full path; a wide path reaches every name the file
  // system holds, an ANSI one only those of the code page.
  explicit IniFile(std::wstring path);
  explicit IniFile(const std::string& path);
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::wstring& Path() const { return path_; }
  // The path as the error messages show it.
  const std::string& FileName() const { return fileName_; }

  // A missing key yields `defaultValue`; a present but empty key yields empty
  // text. As from the platform's 2048-character buffer, at most 2047
  // characters come back, and none from a NUL byte on. A file that cannot be
  // read reads as empty.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // Read as text and converted (decimal, or hexadecimal after "$", "x" or
  // "0x"); a value that does not convert yields `defaultValue`.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // Creates the file, section and key as needed and replaces an existing
  // value in place. Throws "Unable to write to <path>" when the file cannot
  // be written. A value holding a line break would add lines of its own to
  // the file; it is refused with an error and nothing is written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  // Removes every line of the key from its section; a failure is not
  // reported.
  void DeleteKey(const std::string& section, const std::string& key);

 private:
  // Turns the caller's ANSI names and values into the text's own form.
  using ToText = std::function<std::string(const std::string&)>;
  // The value as the text rules find it, turned into ANSI text.
  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  // Reads the file, applies `edit` to its text and saves the result; throws
  // the write error when it cannot be saved. A missing file is made only when
  // `create`. Failures are reported only when `report`.
  void Update(bool create, bool report, const std::function<std::string(std::string_view, const ToText&)>& edit);

  std::wstring path_;
  std::string fileName_;
};
