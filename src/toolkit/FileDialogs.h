#pragma once
#include <windows.h>

#include <string>

// Room for a file name taken from a file dialog: far more than any path
// the dialogs hand back.
inline constexpr size_t kFileNameBufferSize = 32 * 1024;

// The platform's open-file dialog. `filter` is written "description|pattern"
// with further pairs separated by "|". True when the user chose a file; its
// full path is then in `path`.
[[nodiscard]] bool OpenFileDialog(HWND owner, const std::string& filter, DWORD flags, std::string& path);
