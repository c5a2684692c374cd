#pragma once
#include <windows.h>

#include <string>

// The platform's folder-browse dialog, modal to `owner`: the whole shell
// namespace from the desktop down, nothing preselected, `prompt` above the
// tree, the newer resizable style without a "new folder" button, an edit box
// or files. Only file-system folders can be confirmed. True when the user
// confirmed one; its full path (at most MAX_PATH - 1 characters) is then in
// `path`.
[[nodiscard]] bool BrowseForFolder(HWND owner, const std::string& prompt, std::string& path);
