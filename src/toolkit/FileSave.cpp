#include "toolkit/FileSave.h"

#include <optional>

#include "toolkit/FileRemoval.h"
#include "toolkit/Handles.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The new file's name: the old one's with this added. A save killed before
// its rename leaves it behind; the next save of the same file removes it.
constexpr wchar_t kNewSuffix[] = L".cantivox-tools.tmp";

// The path of an open file once every link on the way was followed, with the
// names spelled as the file system keeps them.
std::wstring FinalPath(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
  return {};
}

std::wstring FinalPathOf(const std::wstring& path) {
  FileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file ? FinalPath(file.Get()) : std::wstring();
}

// Whether `final`, the final path of the file at `path`, is that file itself
// rather than one a link leads to: it lies in the final path of the same
// folder, under the same name but for letter case.
bool IsOwnFinalPath(const std::wstring& final, const std::wstring& path) {
  std::wstring folder = FinalPathOf(FolderPart(path));
  if (folder.empty()) return false;
  if (folder.back() != L'\\') folder += L'\\';
  if (final.size() <= folder.size() || final.compare(0, folder.size(), folder) != 0) return false;
  const std::wstring name = NamePart(path);
  return CompareStringOrdinal(final.data() + folder.size(), static_cast<int>(final.size() - folder.size()),
                              name.data(), static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

// What the save needs to know of the file it replaces.
struct Existing {
  std::wstring target;  // where the new content goes
  FILE_BASIC_INFO basic{};
};

// Looks at the file at `path`: nothing when there is none, else where the
// new content goes; `refusal` says why it cannot go anywhere.
std::optional<Existing> LookAt(const std::wstring& path, AtLink atLink, SaveResult& refusal) {
  refusal = SaveResult::Saved;
  FileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) refusal = SaveResult::Failed;
    return std::nullopt;
  }
  Existing existing;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.Get(), &info) ||
      !GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &existing.basic, sizeof existing.basic) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    refusal = SaveResult::Failed;
  // Wine keeps the read-only attribute as Unix permissions, which a process
  // run as root passes; whoever marked the file read-only wants it kept as it
  // is there as on Windows.
  else if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
    refusal = SaveResult::ReadOnly;
  else if (info.nNumberOfLinks > 1)
    refusal = SaveResult::HardLinked;
  else if ((existing.target = FinalPath(file.Get())).empty())
    refusal = SaveResult::Failed;
  else if (atLink == AtLink::Refuse && !IsOwnFinalPath(existing.target, path))
    refusal = SaveResult::LeadsElsewhere;
  return existing;
}

// Writes the new file. It is deleted through its own handle when anything
// fails; false then.
bool WriteNew(const std::wstring& path, const Existing* existing, const std::function<bool(HANDLE)>& write) {
  // Hidden, system and archive bits come along; read-only cannot be here.
  const DWORD attributes =
      existing ? existing->basic.FileAttributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY) : 0;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | FILE_WRITE_ATTRIBUTES, 0, nullptr, CREATE_NEW,
                              attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bool written = write(file.Get()) && FlushFileBuffers(file.Get());
  if (written && existing) {
    FILE_BASIC_INFO basic{};  // zero times and attributes: left as they are
    basic.CreationTime = existing->basic.CreationTime;
    written = SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof basic);
  }
  if (!written) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    (void)SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
  }
  return written;
}

}  // namespace

bool WriteAll(HANDLE file, const char* bytes, size_t size) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

SaveResult SaveFile(const std::wstring& path, const std::function<bool(HANDLE)>& write, AtLink atLink) {
  SaveResult refusal;
  const std::optional<Existing> existing = LookAt(path, atLink, refusal);
  if (refusal != SaveResult::Saved) return refusal;
  const std::wstring target = existing ? existing->target : path;
  const std::wstring fresh = target + kNewSuffix;
  // One left by a save that was killed; a link of that name stays, and then
  // the new file cannot be made. Looking costs no request of the
  // wineserver; removing costs several.
  if (GetFileAttributesW(fresh.c_str()) != INVALID_FILE_ATTRIBUTES) (void)RemoveOwnFile(fresh);
  if (!WriteNew(fresh, existing ? &*existing : nullptr, write)) return SaveResult::Failed;
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (existing ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExW(fresh.c_str(), target.c_str(), flags)) return SaveResult::Saved;
  (void)RemoveOwnFile(fresh);
  return SaveResult::Failed;
}
