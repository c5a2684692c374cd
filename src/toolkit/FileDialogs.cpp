#include "toolkit/FileDialogs.h"

#include <commdlg.h>

#include <vector>

#include "toolkit/SystemLibrary.h"

bool OpenFileDialog(HWND owner, const std::string& filter, DWORD flags, std::string& path) {
  // The dialog wants the pairs separated and ended by NULs.
  std::string filterList = filter;
  for (char& c : filterList)
    if (c == '|') c = '\0';
  filterList.append(2, '\0');

  std::vector<char> file(kFileNameBufferSize, '\0');
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filterList.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.Flags = flags | OFN_EXPLORER;
  static const auto getOpenFileName = SystemProc<decltype(GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  if (!getOpenFileName(&ofn)) return false;
  path = file.data();
  return true;
}
