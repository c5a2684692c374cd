#pragma once
#include <cstdint>
#include <string>

// An INI file read and written one key a call through the platform's
// private-profile functions: every write goes to the file at once and leaves
// every other key, section, comment and line as it was. Section and key names
// compare without regard to case. The object holds only the path.
class IniFile {
 public:
  explicit IniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  // Flushes the platform's profile cache for the file.
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  const std::string& FileName() const { return fileName_; }

  // A missing key yields `defaultValue`; a present but empty key yields empty
  // text. At most 2047 characters come back.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // Read as text and converted (decimal, or hexadecimal after "$", "x" or
  // "0x"); a value that does not convert yields `defaultValue`.
  int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) const;
  bool ValueExists(const std::string& section, const std::string& key) const;

  // Creates the file, section and key as needed and replaces an existing
  // value in place. Throws "Unable to write to <path>" when the platform
  // refuses. A value holding a line break would add lines of its own to the
  // file; it is refused with an error and nothing is written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  // Removes a key; a failure is not reported.
  void DeleteKey(const std::string& section, const std::string& key);

 private:
  std::string fileName_;
};
