#include "toolkit/FolderDialog.h"

#include <objbase.h>
#include <shlobj.h>

#include "toolkit/SystemLibrary.h"

namespace {

// The COM functions the dialog needs, from ole32, loaded on first use.
struct Com {
  decltype(CoInitializeEx)* initialize;
  decltype(CoUninitialize)* uninitialize;
  decltype(CoTaskMemFree)* free;
};

const Com& ComFunctions() {
  static const Com com{SystemProc<decltype(CoInitializeEx)>("ole32.dll", "CoInitializeEx"),
                       SystemProc<decltype(CoUninitialize)>("ole32.dll", "CoUninitialize"),
                       SystemProc<decltype(CoTaskMemFree)>("ole32.dll", "CoTaskMemFree")};
  return com;
}

// The newer dialog style hosts shell views that need COM in a
// single-threaded apartment on the calling thread.
class ComApartment {
 public:
  explicit ComApartment(const Com& com)
      : com_(com), initialized_(SUCCEEDED(com.initialize(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (initialized_) com_.uninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  const Com& com_;
  bool initialized_;
};

// The item list the dialog returns, freed with the COM allocator.
class Pidl {
 public:
  Pidl(const Com& com, PIDLIST_ABSOLUTE pidl) : com_(com), pidl_(pidl) {}
  ~Pidl() { com_.free(pidl_); }
  Pidl(const Pidl&) = delete;
  Pidl& operator=(const Pidl&) = delete;
  PIDLIST_ABSOLUTE Get() const { return pidl_; }

 private:
  const Com& com_;
  PIDLIST_ABSOLUTE pidl_;
};

}  // namespace

bool BrowseForFolder(HWND owner, const std::string& prompt, std::string& path) {
  static const auto browse = SystemProc<decltype(SHBrowseForFolderA)>("shell32.dll", "SHBrowseForFolderA");
  static const auto pathOf = SystemProc<decltype(SHGetPathFromIDListA)>("shell32.dll", "SHGetPathFromIDListA");
  const Com& com = ComFunctions();
  ComApartment apartment(com);
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
  const Pidl chosen(com, browse(&info));
  if (!chosen.Get()) return false;
  char folder[MAX_PATH] = {};
  if (!pathOf(chosen.Get(), folder)) return false;
  path = folder;
  return true;
}
