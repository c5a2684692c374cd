#include "toolkit/DirectoryClear.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <optional>
#include <vector>

#include "core/Text.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/Handles.h"
#include "toolkit/Shell.h"

namespace {

std::string FullPath(const std::string& path) {
  const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::string full(size, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

// The absolute path the walk starts from, or nothing when the directory is
// refused. The root test runs on the resolved path as well, because
// "C:\Games\.." names the drive root as surely as "C:\" does.
std::optional<std::string> ClearablePath(const std::string& directory) {
  if (AbsoluteRootLength(directory) == 0) return std::nullopt;
  const std::string full = FullPath(directory);
  if (!NamesBelowRoot(full)) return std::nullopt;
  return full;
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::optional<BY_HANDLE_FILE_INFORMATION> Identity(const std::string& path, DWORD flags) {
  FileHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.Get(), &info)) return std::nullopt;
  return info;
}

// Removes a link to a directory without entering it. Windows opens a link
// itself when asked with FILE_FLAG_OPEN_REPARSE_POINT, and RemoveDirectoryA
// then removes the link. Wine 8 follows a Unix symbolic link whatever the
// flags, and its removal acts on the target: RemoveDirectoryA on a link to
// an empty directory removes that directory, wherever it lies. So the link
// is removed only when opening it "as itself" gives another file than the
// one it leads to; otherwise it stays.
bool RemoveDirectoryLink(const std::string& path) {
  const auto link = Identity(path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!link) return false;
  if (const auto target = Identity(path, 0)) {
    const bool same = link->dwVolumeSerialNumber == target->dwVolumeSerialNumber &&
                      link->nFileIndexHigh == target->nFileIndexHigh &&
                      link->nFileIndexLow == target->nFileIndexLow;
    if (same) return false;
  }
  return RemoveDirectoryA(path.c_str());
}

struct ListedEntry {
  std::string path;
  DWORD attributes;
};

// A folder of the walk: its path and its kernel name, against which each of
// its files is checked before it goes (see FileRemoval.h).
struct Folder {
  std::string path;
  std::wstring finalName;
};

struct ListedFile {
  const Folder* folder;
  std::string name;
  DWORD attributes;
};

// The threads that delete one batch of files, the calling one among them.
// Under Wine every deletion is four round trips to the one wineserver (open,
// the kernel's name, the disposition, close), and one thread alone spends
// much of its time waiting for the answers; with two, one sends its request
// while the other waits. On a two-core machine two measured faster than one
// in every pair of runs, and three no faster than two: a thread per core, at
// most four.
int DeleterCount() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return std::clamp(static_cast<int>(system.dwNumberOfProcessors), 1, 4);
}

struct Batch {
  const std::vector<ListedFile>& files;
  ClearControl& control;
  std::atomic<size_t> next{0};
  std::atomic<int> failed{0};
};

DWORD WINAPI DeleteFromBatch(void* param) {
  auto& batch = *static_cast<Batch*>(param);
  for (size_t i; !batch.control.stop.load(std::memory_order_relaxed) && (i = batch.next++) < batch.files.size();) {
    const ListedFile& file = batch.files[i];
    if (RemoveOwnFile(file.folder->path, file.name, file.folder->finalName, file.attributes, true))
      batch.control.removed.fetch_add(1, std::memory_order_relaxed);
    else
      ++batch.failed;
  }
  return 0;
}

// Deletes the files; returns how many stayed. A thread that cannot be
// started leaves its share to the others.
int DeleteFiles(const std::vector<ListedFile>& files, ClearControl& control) {
  Batch batch{files, control};
  const int wanted = files.size() < 64 ? 1 : DeleterCount();
  // Room for every helper first: once one runs, nothing here may throw and
  // leave it working on a batch that is gone.
  std::vector<HANDLE> helpers;
  helpers.reserve(wanted);
  for (int i = 1; i < wanted; ++i)
    if (HANDLE thread = CreateThread(nullptr, 0, DeleteFromBatch, &batch, 0, nullptr))
      helpers.push_back(thread);
  DeleteFromBatch(&batch);
  if (!helpers.empty())
    WaitForMultipleObjects(static_cast<DWORD>(helpers.size()), helpers.data(), TRUE, INFINITE);
  for (HANDLE thread : helpers) CloseHandle(thread);
  return batch.failed;
}

// Empties a directory tree. The walk lists each directory and hands its
// files to DeleteFiles in batches; the directories and the links to
// directories are removed at the end, each after everything that was inside
// it.
class TreeClearing {
 public:
  explicit TreeClearing(ClearControl& control) : control_(control) {}

  // Empties the directory `base` (ending in a separator). Returns the number
  // of entries that stayed, or nothing when its listing could not start.
  // A stopped walk leaves the rest as it is and counts it.
  std::optional<int> Run(const std::string& base) {
    const bool listed = ListLevel(base);
    Flush();
    if (Stopped()) return CountEntries(base);
    for (const ListedEntry& container : containers_) {
      if (Stopped()) return CountEntries(base);
      const bool removed = (container.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                               ? RemoveDirectoryLink(container.path)
                               : RemoveDirectoryA(container.path.c_str()) != 0;
      if (removed)
        control_.removed.fetch_add(1, std::memory_order_relaxed);
      else
        ++remaining_;
    }
    if (!listed) return std::nullopt;
    return remaining_;
  }

  bool Stopped() const { return control_.stop.load(std::memory_order_relaxed); }

 private:
  static constexpr size_t kBatchSize = 8192;

  bool ListLevel(const std::string& base) {
    const std::string path = base.substr(0, base.size() - 1);
    const Folder& folder = folders_.emplace_back(Folder{path, FolderFinalName(path)});
    WIN32_FIND_DATAA entry;
    // The basic level skips the 8.3 names nobody reads here and the large
    // fetch asks for more entries per call: the documented ways to list
    // faster on Windows. Under Wine they measure the same as FindFirstFileA.
    FindHandle listing(FindFirstFileExA((base + "*.*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!listing) return false;
    do {
      if (Stopped()) return true;
      if (IsDotEntry(entry.cFileName)) continue;
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        files_.push_back(ListedFile{&folder, entry.cFileName, entry.dwFileAttributes});
        if (files_.size() >= kBatchSize) Flush();
        continue;
      }
      ListedEntry listed{base + entry.cFileName, entry.dwFileAttributes};
      // A link is never entered. A directory that cannot be listed fails
      // its own removal at the end and stays; its attributes are left as
      // they are.
      if (!(listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListLevel(listed.path + '\\');
      containers_.push_back(std::move(listed));
    } while (FindNextFileA(listing.Get(), &entry));
    return true;
  }

  void Flush() {
    remaining_ += DeleteFiles(files_, control_);
    files_.clear();
  }

  // Every entry below `base`, links counted and never entered.
  static int CountEntries(const std::string& base) {
    WIN32_FIND_DATAA entry;
    FindHandle listing(FindFirstFileExA((base + "*.*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!listing) return 0;
    int count = 0;
    do {
      if (IsDotEntry(entry.cFileName)) continue;
      ++count;
      const DWORD directory = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
      if ((entry.dwFileAttributes & directory) == FILE_ATTRIBUTE_DIRECTORY)
        count += CountEntries(base + entry.cFileName + '\\');
    } while (FindNextFileA(listing.Get(), &entry));
    return count;
  }

  ClearControl& control_;
  std::deque<Folder> folders_;  // stays in place while files point to it
  std::vector<ListedFile> files_;
  std::vector<ListedEntry> containers_;  // each after what was inside it
  int remaining_ = 0;
};

}  // namespace

bool IsClearableDirectoryPath(const std::string& directory) {
  return ClearablePath(directory).has_value();
}

ClearOutcome ClearDirectoryTree(const std::string& directory, ClearControl* control) {
  ClearControl own;
  ClearControl& used = control ? *control : own;
  ClearOutcome outcome;
  const auto path = ClearablePath(directory);
  if (!path) {
    outcome.refused = true;
    return outcome;
  }
  const std::string base = IncludeTrailingSeparator(*path);
  if (const auto remaining = TreeClearing(used).Run(base))
    outcome.remaining = *remaining;
  else if (DirectoryExists(base))
    outcome.remaining = 1;  // it is there but shows nothing of what it holds
  outcome.stopped = used.stop.load();
  return outcome;
}
