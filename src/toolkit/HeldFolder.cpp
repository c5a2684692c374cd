#include "toolkit/HeldFolder.h"

#include <winternl.h>

#include <utility>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext,
                                               PIO_STATUS_BLOCK io, PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS infoClass, BOOLEAN singleEntry,
                                               PUNICODE_STRING mask, BOOLEAN restartScan);

namespace {

constexpr NTSTATUS kStopped = 0;  // STATUS_SUCCESS
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr NTSTATUS kNoSuchFile = static_cast<NTSTATUS>(0xC000000FL);
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Held folders let others read and write in them, but not rename or remove
// them.
constexpr ULONG kShareHeld = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

bool IsDotName(std::wstring_view name) { return name == L"." || name == L".."; }

UNICODE_STRING Counted(std::wstring_view text) {
  UNICODE_STRING counted;
  counted.Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
  counted.MaximumLength = counted.Length;
  counted.Buffer = const_cast<PWSTR>(text.data());
  return counted;
}

// Opens `name` relative to the folder `root`.
FileHandle OpenRelative(HANDLE root, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG options) {
  // A name longer than a counted string can hold is no entry's.
  if (name.empty() || name.size() > 32767) return FileHandle();
  UNICODE_STRING counted = Counted(name);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!NT_SUCCESS(NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, share,
                             options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT)))
    return FileHandle();
  return FileHandle(handle);
}

// The kernel's name of an open entry, in `buffer`. NtQueryObject answers
// from the handle in one request; GetFinalPathNameByHandle asks the mount
// manager for a drive letter as well and costs several times as much per
// file. Under Wine it is the name of the file reached, once every link on
// the way was followed.
std::optional<std::wstring_view> KernelName(HANDLE handle, NameBuffer& buffer) {
  ULONG size = 0;
  if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, buffer.Data(), buffer.Size(), &size)))
    return std::nullopt;
  const auto& name = static_cast<const OBJECT_NAME_INFORMATION*>(buffer.Data())->Name;
  if (!name.Buffer || name.Length == 0) return std::nullopt;
  return std::wstring_view(name.Buffer, name.Length / sizeof(WCHAR));
}

DWORD AttributesOf(HANDLE handle) {
  FILE_BASIC_INFO basic{};
  return GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ? basic.FileAttributes
                                                                                    : INVALID_FILE_ATTRIBUTES;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // zero times: left as they are
  // Zero attributes would be left as they are too; none are "normal".
  attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

bool SetDeletion(HANDLE entry) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

DWORD LinkCount(HANDLE file) {
  FILE_STANDARD_INFO standard{};
  return GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard) ? standard.NumberOfLinks
                                                                                          : 0;
}

// A listing's buffer. One is alive at each level of a walk while the levels
// below it are listed, so it is left uninitialized: only the pages the
// entries fill are touched.
constexpr ULONG kListingSize = 65536;

// Calls `each(name, attributes)` for every entry of `folder` whose name
// matches `mask` (every entry where there is none), until it returns false.
// Gives kStopped then, else the status that ended the listing: kNoMoreFiles
// when it was complete.
template <typename Each>
NTSTATUS ForEachListed(HANDLE folder, UNICODE_STRING* mask, Each each) {
  const auto buffer = std::make_unique_for_overwrite<ULONG_PTR[]>(kListingSize / sizeof(ULONG_PTR));
  for (bool first = true;; first = false) {
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer.get(), kListingSize,
                                                 FileDirectoryInformation, FALSE, mask, first);
    if (!NT_SUCCESS(status)) return status;
    for (auto* at = reinterpret_cast<const char*>(buffer.get());;) {
      const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
      if (!each(std::wstring_view(info->FileName, info->FileNameLength / sizeof(WCHAR)), info->FileAttributes))
        return kStopped;
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
}

}  // namespace

static_assert(sizeof(OBJECT_NAME_INFORMATION) <= 64);
NameBuffer::NameBuffer() : buffer_(std::make_unique_for_overwrite<ULONG_PTR[]>(kSize / sizeof(ULONG_PTR))) {}

HeldFolder::HeldFolder(FileHandle handle, std::wstring finalName)
    : handle_(std::move(handle)), prefix_(std::move(finalName)) {
  if (prefix_.empty() || prefix_.back() != L'\\') prefix_ += L'\\';  // a drive root ends in one
}

std::optional<HeldFolder> HeldFolder::Open(const std::wstring& path) {
  FileHandle handle(CreateFileW(path.c_str(), kFolderAccess, kShareHeld, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::nullopt;
  const DWORD attributes = AttributesOf(handle.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return std::nullopt;
  }
  NameBuffer buffer;
  const auto name = KernelName(handle.Get(), buffer);
  if (!name) {
    SetLastError(ERROR_INVALID_NAME);
    return std::nullopt;
  }
  return HeldFolder(std::move(handle), std::wstring(*name));
}

std::optional<HeldFolder> HeldFolder::Reopen() const {
  // Shared for deletion: the walk holds its folders with the right to
  // remove them.
  FileHandle handle(ReOpenFile(handle_.Get(), kFolderAccess, kShareAll, FILE_FLAG_BACKUP_SEMANTICS));
  if (!handle) return std::nullopt;
  return HeldFolder(std::move(handle), prefix_);
}

std::optional<HeldFolder> HeldFolder::OpenSubfolder(std::wstring_view name, EntryKind& kind,
                                                    NameBuffer& buffer) const {
  kind = EntryKind::Unknown;
  FileHandle handle = OpenRelative(handle_.Get(), name, kFolderAccess | DELETE, kShareHeld,
                                   FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT);
  if (!handle) return std::nullopt;
  kind = KindOf(handle.Get(), name, AttributesOf(handle.Get()), buffer);
  if (kind != EntryKind::Own) return std::nullopt;
  return HeldFolder(std::move(handle), prefix_ + std::wstring(name));
}

bool HeldFolder::List(const std::function<bool(const FolderEntry&)>& each) const {
  FolderEntry entry;
  const NTSTATUS end = ForEachListed(handle_.Get(), nullptr, [&](std::wstring_view name, DWORD attributes) {
    if (IsDotName(name)) return true;
    entry.name.assign(name);
    entry.attributes = attributes;
    return each(entry);
  });
  return end == kStopped || end == kNoMoreFiles;
}

bool HeldFolder::Find(std::wstring_view name, std::optional<FolderEntry>& found) const {
  found.reset();
  // The platform's own matching, without regard to letter case where the
  // file system has none; a name with wildcards would match other names.
  if (name.empty() || name.find_first_of(L"*?<>\"") != std::wstring_view::npos) return true;
  UNICODE_STRING mask = Counted(name);
  const NTSTATUS end = ForEachListed(handle_.Get(), &mask, [&](std::wstring_view listed, DWORD attributes) {
    if (listed == name) {
      found = FolderEntry{std::wstring(listed), attributes};
      return false;
    }
    if (!found && !IsDotName(listed)) found = FolderEntry{std::wstring(listed), attributes};
    return true;
  });
  return end == kStopped || end == kNoMoreFiles || end == kNoSuchFile;
}

FileHandle HeldFolder::OpenEntry(std::wstring_view name) const {
  return OpenRelative(handle_.Get(), name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                      FILE_OPEN_REPARSE_POINT);
}

EntryKind HeldFolder::KindOf(HANDLE entry, std::wstring_view name, DWORD attributes, NameBuffer& buffer) const {
  // Windows opens a link itself when asked with FILE_OPEN_REPARSE_POINT; its
  // name is then its own, and its attributes say what it is. Wine 8 follows
  // a Unix symbolic link whatever the flags: the file opened is the one the
  // link leads to, and its kernel name is that file's. So an entry whose
  // name is not this folder's name and its own leads elsewhere.
  const auto final = KernelName(entry, buffer);
  if (!final) return EntryKind::Unknown;
  const bool own = final->size() == prefix_.size() + name.size() && final->substr(0, prefix_.size()) == prefix_ &&
                   final->substr(prefix_.size()) == name;
  if (!own) return EntryKind::LeadsElsewhere;
  return (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ? EntryKind::Link
                                                                                                 : EntryKind::Own;
}

bool HeldFolder::Remove() {
  const bool marked = SetDeletion(handle_.Get());
  handle_.Reset();  // the folder goes when its last handle closes
  return marked;
}

bool DeleteThrough(HANDLE entry, DWORD attributes, bool evenReadOnly) {
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (!readOnly) return SetDeletion(entry);
  if (!evenReadOnly) return false;
  // Windows 10 (1809) and later delete a read-only file without touching
  // its attribute, which its other hard links share. The program is built
  // for older systems too, whose headers lack these names.
  constexpr auto kDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
  constexpr DWORD kDelete = 0x1, kPosixSemantics = 0x2, kIgnoreReadOnly = 0x10;
  DWORD flags = kDelete | kPosixSemantics | kIgnoreReadOnly;
  if (SetFileInformationByHandle(entry, kDispositionInfoEx, &flags, sizeof flags)) return true;
  // Elsewhere (Wine among them) the attribute goes first, and comes back
  // where the deletion fails or other names keep the file: a deletion marked
  // on a handle stands, whatever the attributes become before it closes.
  if (!SetAttributes(entry, attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  const bool marked = SetDeletion(entry);
  if (!marked || LinkCount(entry) > 1) (void)SetAttributes(entry, attributes);
  return marked;
}
