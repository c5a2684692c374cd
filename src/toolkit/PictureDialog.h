#pragma once
#include <windows.h>

#include <string>

// The platform's open-file dialog for JPEG pictures, with a preview of the
// selected file and its dimensions beside the file list. `path`, when not
// empty, is where the dialog starts. True when the user chose a file; its
// full path is then in `path`.
[[nodiscard]] bool OpenPictureDialog(HWND owner, std::string& path);
