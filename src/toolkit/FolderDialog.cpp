#include "toolkit/FolderDialog.h"

#include <objbase.h>
#include <shlobj.h>

#include "toolkit/Handles.h"

namespace {

// The newer dialog style hosts shell views that need COM in a
// single-threaded apartment on the calling thread.
class ComApartment {
 public:
  ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

}  // namespace

bool BrowseForFolder(HWND owner, const std::string& prompt, std::string& path) {
  ComApartment com;
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
  const Pidl chosen(SHBrowseForFolderA(&info));
  if (!chosen) return false;
  char folder[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(chosen.Get(), folder)) return false;
  path = folder;
  return true;
}
