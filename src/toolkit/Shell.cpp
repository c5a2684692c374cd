#include "toolkit/Shell.h"

#include <shellapi.h>

#include "toolkit/SystemLibrary.h"

bool ShellOpen(HWND owner, const std::string& file, const std::string* parameters,
               const std::string* directory, int show) {
  static const auto shellExecute = SystemProc<decltype(ShellExecuteA)>("shell32.dll", "ShellExecuteA");
  const auto result = reinterpret_cast<INT_PTR>(
      shellExecute(owner, "open", file.c_str(), parameters ? parameters->c_str() : nullptr,
                   directory ? directory->c_str() : nullptr, show));
  return result > 32;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
