#pragma once
// What the tests under Wine share: scratch folders, files read and written
// whole, fingerprints of large files, and the errors of an action. The Unix
// side of Wine (links, drive letters) is in WineUnix.h.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "WineUnix.h"

namespace support {

inline DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
inline bool Exists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

inline void MakeDir(const std::string& path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }

// The file's bytes, or none where it cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::string bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr) << path;
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  ASSERT_EQ(written, bytes.size()) << path;
}

// The names in `dir` ("." and ".." aside), sorted; only those of files if
// `filesOnly`.
inline std::vector<std::string> Names(const std::string& dir, bool filesOnly = false) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == ".." || (filesOnly && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) continue;
    names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}
inline std::vector<std::string> FileNames(const std::string& dir) { return Names(dir, true); }

// Compares files of megabytes without printing them when they differ.
struct Fingerprint {
  size_t size = 0;
  uint64_t hash = 0;
  friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};
inline void PrintTo(const Fingerprint& print, std::ostream* out) {
  *out << print.size << " bytes, FNV-1a " << std::hex << print.hash << std::dec;
}
inline Fingerprint FingerprintOf(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return {bytes.size(), hash};
}
inline Fingerprint FileFingerprint(const std::string& path) { return FingerprintOf(ReadBytes(path)); }

// The message of what `action` throws, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(no error)";
}

// Removes a file or a tree. A link goes as a link (see wineunix::RemoveTree);
// plain files and folders go without leaving Windows.
inline void RemoveTree(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return wineunix::RemoveTree(path);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

// A fresh folder under %TEMP%, named for the test program's process and
// `name`, removed with what it holds.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "cvx-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    SetCurrentDirectoryA("C:\\");
    try {
      RemoveTree(path_);
      // A link that leads nowhere is not listed, and keeps its folder.
      if (Exists(path_)) wineunix::RemoveTree(path_);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "cannot remove " << path_ << ": " << e.what();
    }
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace support
