#pragma once
// What the hostile-input tests need of the Unix side under Wine: links,
// removal of trees holding links, and drive letters. Wine's files are Unix
// files; a folder link there is a Unix symbolic link and a drive letter a
// link in the prefix's dosdevices folder, and only a Unix program makes
// them. Wine starts Unix programs like any other.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace wineunix {

inline bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// The Unix path of a Windows path (its folder must exist).
inline std::string UnixPath(const std::string& path) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) throw std::runtime_error("not running under Wine");
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())));
  char* name = unixName(wide.c_str());
  if (!name) throw std::runtime_error("no Unix path for " + path);
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Quoted for the shell; the paths used here hold no single quote.
inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs a shell script and waits for it. Wine cannot wait for a Unix process,
// so the script marks its end in a file.
inline void RunUnix(const std::string& script) {
  static int count = 0;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string base =
      std::string(temp) + "cvx-unix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
  const std::string done = base + ".done";
  const std::string text = script + "\ntouch " + Quoted(UnixPath(done)) + "\n";
  HANDLE file = CreateFileA((base + ".sh").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const bool saved = file != INVALID_HANDLE_VALUE &&
                     WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!saved) throw std::runtime_error("cannot write " + base + ".sh");
  std::string command = "Z:/bin/sh \"" + UnixPath(base + ".sh") + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    throw std::runtime_error("cannot run " + command);
  // For a Unix program Wine 8 forks and returns success without making a
  // process object: the two handles it hands back are whatever lay on its
  // stack, and closing them closes some unrelated handle of ours (once it was
  // the thread's desktop, and no window could be made after). They are left.
  // A deadline for a script that hangs, not a measure: making 20,000 files
  // took over 10 s on a machine shared with other builds.
  const ULONGLONG deadline = GetTickCount64() + 300000;
  while (GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > deadline) throw std::runtime_error("the script " + base + ".sh did not finish in 5 minutes");
    Sleep(10);
  }
  DeleteFileA(done.c_str());
  DeleteFileA((base + ".sh").c_str());
}

// Wine may find a new link by its name a moment before its folder's listing
// shows it; this returns once the listing does.
inline void WaitListed(const std::string& link) {
  for (int waited = 0; waited < 5000; waited += 10) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(link.c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      FindClose(find);
      return;
    }
    Sleep(10);
  }
  throw std::runtime_error("the link " + link + " does not show");
}

// A link at `link` to the folder `target`, made from the Unix side as a
// player or an installer would. A `target` that does not exist makes a link
// that leads nowhere, which Wine does not list.
inline void MakeDirectoryLink(const std::string& link, const std::string& target) {
  const size_t cut = link.rfind('\\');
  const size_t targetCut = target.rfind('\\');
  RunUnix("ln -s " + Quoted(UnixPath(target.substr(0, targetCut)) + "/" + target.substr(targetCut + 1)) + " " +
          Quoted(UnixPath(link.substr(0, cut)) + "/" + link.substr(cut + 1)));
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) WaitListed(link);
}

// A link at `link` to the file `target`.
inline void MakeFileLink(const std::string& link, const std::string& target) {
  const size_t cut = link.rfind('\\');
  RunUnix("ln -s " + Quoted(UnixPath(target)) + " " + Quoted(UnixPath(link.substr(0, cut)) + "/" + link.substr(cut + 1)));
  WaitListed(link);
}

// Removes a file or a tree. Links in it go as links: Wine's own removal of
// a linked folder acts on what it leads to.
inline void RemoveTree(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // Perhaps a link that leads nowhere, which Wine does not show.
    const size_t cut = path.rfind('\\');
    RunUnix("rm -f " + Quoted(UnixPath(path.substr(0, cut)) + "/" + path.substr(cut + 1)));
    return;
  }
  RunUnix("rm -rf " + Quoted(UnixPath(path)));
}

// A drive letter that no drive uses, from the end of the alphabet.
inline char FreeDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (char letter = 'Y'; letter > 'D'; --letter)
    if (!(used & (1u << (letter - 'A')))) return letter;
  throw std::runtime_error("no drive letter is free");
}

// Maps `letter`: to the folder `dir` for as long as the object lives.
class MappedDrive {
 public:
  MappedDrive(char letter, const std::string& dir) : letter_(letter) {
    // "C:\" is <prefix>/dosdevices/c:/ to Wine.
    std::string c = UnixPath("C:\\");
    dosdevice_ = c.substr(0, c.find("/c:")) + "/" + static_cast<char>(letter_ - 'A' + 'a') + ":";
    RunUnix("ln -sfn " + Quoted(UnixPath(dir)) + " " + Quoted(dosdevice_));
  }
  ~MappedDrive() {
    try {
      RunUnix("rm -f " + Quoted(dosdevice_));
    } catch (const std::exception&) {
      // A stale letter in a scratch prefix harms nothing.
    }
  }
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;
  std::string Root() const { return std::string(1, letter_) + ":\\"; }

 private:
  char letter_;
  std::string dosdevice_;
};

}  // namespace wineunix
