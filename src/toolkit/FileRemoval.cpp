#include "toolkit/FileRemoval.h"

#include "toolkit/WideText.h"

namespace {

size_t LastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

}  // namespace

std::wstring FolderPart(const std::wstring& path) {
  const size_t cut = LastSeparator(path);
  if (cut == std::wstring::npos) return {};
  // A drive root keeps its separator: "C:\name" lies in "C:\".
  return path.substr(0, cut == 2 && path[1] == L':' ? cut + 1 : cut);
}

std::wstring NamePart(const std::wstring& path) {
  const size_t cut = LastSeparator(path);
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

Removal RemoveEntry(const HeldFolder& folder, const FolderEntry& entry, bool evenReadOnly, NameBuffer& buffer) {
  FileHandle file = folder.OpenEntry(entry.name);
  if (!file) return Removal::Stayed;
  switch (folder.KindOf(file.Get(), entry.name, entry.attributes, buffer)) {
    case EntryKind::Own:
    case EntryKind::Link:
      return DeleteThrough(file.Get(), entry.attributes, evenReadOnly) ? Removal::Removed : Removal::Stayed;
    case EntryKind::LeadsElsewhere:
      return Removal::IsLink;
    case EntryKind::Unknown:
      break;
  }
  return Removal::Stayed;
}

Removal RemoveOwnFile(const std::wstring& path) {
  const auto folder = HeldFolder::Open(FolderPart(path));
  if (!folder) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Removal::Removed : Removal::Stayed;
  }
  // The name as the file system spells it: the one given may differ in
  // letter case, and the check compares exactly.
  std::optional<FolderEntry> entry;
  if (!folder->Find(NamePart(path), entry)) return Removal::Stayed;
  if (!entry) return Removal::Removed;
  if (entry->IsFolder()) return Removal::Stayed;
  NameBuffer buffer;
  return RemoveEntry(*folder, *entry, false, buffer);
}

Removal RemoveOwnFile(const std::string& path) { return RemoveOwnFile(ToWide(path)); }
