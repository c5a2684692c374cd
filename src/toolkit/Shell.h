#pragma once
#include <windows.h>

#include <string>

// Asks the shell to open a file without waiting for it. The callers make the
// request and go on; the result says whether the shell accepted it.
[[nodiscard]] bool ShellOpen(HWND owner, const std::string& file, const std::string* parameters,
               const std::string* directory, int show = SW_SHOWNORMAL);

bool FileExists(const std::string& path);       // a file, not a directory
bool DirectoryExists(const std::string& path);  // a directory, not a file
