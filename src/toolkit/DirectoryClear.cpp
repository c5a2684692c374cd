#include "toolkit/DirectoryClear.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Text.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/Handles.h"
#include "toolkit/Shell.h"
#include "toolkit/WideText.h"

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

// A file of a batch. Its name lies in the batch's one buffer of names: a
// string each would be an allocation each, as large as the rest together.
struct ListedFile {
  const HeldFolder* folder;
  uint32_t nameAt;
  uint32_t nameLength;
  DWORD attributes;
};

struct FileBatch {
  std::vector<ListedFile> files;
  std::wstring names;

  // The name goes first: a file is never listed without its name, whichever
  // of the two runs out of memory.
  void Add(const HeldFolder& folder, std::wstring_view name, DWORD attributes) {
    const auto at = static_cast<uint32_t>(names.size());
    names.append(name);
    files.push_back(ListedFile{&folder, at, static_cast<uint32_t>(name.size()), attributes});
  }
  void Clear() {
    files.clear();
    names.clear();
  }
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
  const FileBatch& files;
  ClearControl& control;
  std::atomic<size_t> next{0};
};

// Lets no exception out: it runs on threads of its own, and a batch may not
// be left behind while another thread still reads it. A file that cannot be
// handled stays, and the count at the end finds it.
DWORD WINAPI DeleteFromBatch(void* param) noexcept {
  auto& batch = *static_cast<Batch*>(param);
  try {
    NameBuffer buffer;
    FolderEntry entry;
    const std::vector<ListedFile>& files = batch.files.files;
    for (size_t i; !batch.control.stop.load(std::memory_order_relaxed) && (i = batch.next++) < files.size();) {
      const ListedFile& file = files[i];
      try {
        entry.name.assign(batch.files.names, file.nameAt, file.nameLength);
        entry.attributes = file.attributes;
        if (batch.control.beforeEachFile) batch.control.beforeEachFile(entry.name);
        if (RemoveEntry(*file.folder, entry, true, buffer) == Removal::Removed)
          batch.control.removed.fetch_add(1, std::memory_order_relaxed);
      } catch (...) {
      }
    }
  } catch (...) {
    // No room for a name: the other threads take the rest.
  }
  return 0;
}

// Deletes the files, sharing them among threads when there are many. A
// thread that cannot be started leaves its share to the others.
void DeleteFiles(const FileBatch& files, ClearControl& control) noexcept {
  Batch batch{files, control};
  const int wanted = files.files.size() < 64 ? 1 : DeleterCount();
  HANDLE helpers[4];
  DWORD started = 0;
  for (int i = 1; i < wanted; ++i)
    if (HANDLE thread = CreateThread(nullptr, 0, DeleteFromBatch, &batch, 0, nullptr)) helpers[started++] = thread;
  DeleteFromBatch(&batch);
  if (started > 0) WaitForMultipleObjects(started, helpers, TRUE, INFINITE);
  for (DWORD i = 0; i < started; ++i) CloseHandle(helpers[i]);
}

// Empties a held folder. Its files go to DeleteFiles in batches; each folder
// below it is held until the batch that holds its last files is done, and
// then removed, after everything that was inside it.
class TreeClearing {
 public:
  // The batch's room is taken once, for names of 16 letters on average:
  // grown by doubling, the old array and the new one would both be held at
  // the peak. Pages no file reaches stay untouched.
  explicit TreeClearing(ClearControl& control) : control_(control) {
    files_.files.reserve(kBatchSize);
    files_.names.reserve(kBatchSize * 16);
  }

  void Run(const HeldFolder& root) {
    ClearLevel(root);
    Flush();
  }

 private:
  // Every folder a batch reaches stays held until the batch is done, and
  // Wine keeps the listing of each open folder in memory until its handle
  // closes: 8,192 files a batch held some 80 listings of 100 files and made
  // the peak working set 0.4 MB larger than the walk that listed with
  // FindFirstFile; 4,096 keep it below.
  static constexpr size_t kBatchSize = 4096;
  // Folders done with but for their files' batch: each holds a handle.
  static constexpr size_t kMaxFinished = 256;

  bool Stopped() const { return control_.stop.load(std::memory_order_relaxed); }

  void ClearLevel(const HeldFolder& folder) {
    folder.List([&](const FolderEntry& entry) {
      if (Stopped()) return false;
      if (!entry.IsFolder()) {
        // Files, and links of either kind, which are never entered.
        files_.Add(folder, entry.name, entry.attributes);
        if (files_.files.size() >= kBatchSize) Flush();
        return true;
      }
      EntryKind kind;
      std::optional<HeldFolder> inner = folder.OpenSubfolder(entry.name, kind, buffer_);
      if (!inner) {
        // Swapped for a link since it was listed: removed as one where the
        // platform can. Anything else stays, and is counted at the end.
        if (kind == EntryKind::Link)
          files_.Add(folder, entry.name, entry.attributes | FILE_ATTRIBUTE_REPARSE_POINT);
        return true;
      }
      auto held = std::make_unique<HeldFolder>(std::move(*inner));
      ClearLevel(*held);
      finished_.push_back(std::move(held));
      if (finished_.size() >= kMaxFinished) Flush();
      return true;
    });
  }

  // Deletes the files listed so far, then removes the folders whose
  // listing is done, each after those inside it.
  void Flush() {
    DeleteFiles(files_, control_);
    files_.Clear();
    for (auto& folder : finished_)
      if (!Stopped() && folder->Remove()) control_.removed.fetch_add(1, std::memory_order_relaxed);
    finished_.clear();
  }

  ClearControl& control_;
  NameBuffer buffer_;
  FileBatch files_;
  std::vector<std::unique_ptr<HeldFolder>> finished_;
};

// Whether a listed entry that is no folder of its own leads elsewhere.
bool LeadsElsewhere(const HeldFolder& folder, const FolderEntry& entry, NameBuffer& buffer) {
  const FileHandle file = folder.OpenEntry(entry.name);
  return file && folder.KindOf(file.Get(), entry.name, entry.attributes, buffer) == EntryKind::LeadsElsewhere;
}

// Counts every entry below `folder` into `outcome`, links never entered,
// from a listing of its own: the walk's listings were read before its
// deletions. Links are told apart when `links`.
void CountBelow(const HeldFolder& folder, bool links, NameBuffer& buffer, ClearOutcome& outcome) {
  const auto fresh = folder.Reopen();
  if (!fresh) {
    ++outcome.remaining;
    return;
  }
  const int before = outcome.remaining;
  const bool listed = fresh->List([&](const FolderEntry& entry) {
    ++outcome.remaining;
    EntryKind kind;
    if (!entry.IsFolder()) {
      if (links && LeadsElsewhere(*fresh, entry, buffer)) ++outcome.links;
    } else if (const auto inner = fresh->OpenSubfolder(entry.name, kind, buffer)) {
      CountBelow(*inner, links, buffer, outcome);
    } else if (links && kind == EntryKind::LeadsElsewhere) {
      ++outcome.links;
    }
    return true;
  });
  if (!listed && outcome.remaining == before) ++outcome.remaining;
}

}  // namespace

bool IsClearableDirectoryPath(const std::string& directory) {
  return ClearablePath(directory).has_value();
}

ClearOutcome ClearHeldFolder(const HeldFolder& folder, ClearControl* control) {
  ClearControl own;
  ClearControl& used = control ? *control : own;
  TreeClearing(used).Run(folder);
  ClearOutcome outcome;
  outcome.stopped = used.stop.load();
  NameBuffer buffer;
  CountBelow(folder, !outcome.stopped, buffer, outcome);
  return outcome;
}

ClearOutcome ClearDirectoryTree(const std::string& directory, ClearControl* control) {
  ClearOutcome outcome;
  const auto path = ClearablePath(directory);
  if (!path) {
    outcome.refused = true;
    return outcome;
  }
  const auto root = HeldFolder::Open(ToWide(*path));
  if (!root) {
    // Missing, or there but not to be had: then it counts as what stays.
    outcome.remaining = DirectoryExists(*path) ? 1 : 0;
    return outcome;
  }
  return ClearHeldFolder(*root, control);
}
