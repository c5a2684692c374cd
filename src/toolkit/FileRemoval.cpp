#include "toolkit/FileRemoval.h"

#include <vector>

#include "core/Text.h"
#include "toolkit/Handles.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// The kernel's name of an open file or folder. NtQueryObject answers from
// the handle in one request; GetFinalPathNameByHandle asks the mount manager
// for a drive letter as well and costs several times as much per file.
std::wstring FinalName(HANDLE handle) {
  struct ObjectName {
    USHORT length;
    USHORT maximumLength;
    WCHAR* buffer;
  };
  using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query = reinterpret_cast<QueryObject>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
  constexpr int kObjectNameInformation = 1;
  std::vector<ULONG_PTR> buffer((sizeof(ObjectName) + 2 * 32768) / sizeof(ULONG_PTR) + 1);
  ULONG size = 0;
  if (!query || query(handle, kObjectNameInformation, buffer.data(),
                      static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &size) < 0)
    return {};
  const auto& name = *reinterpret_cast<const ObjectName*>(buffer.data());
  return std::wstring(name.buffer, name.length / sizeof(WCHAR));
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// Opens the entry itself where the platform can, for deleting it.
FileHandle OpenEntry(const std::string& path) {
  return FileHandle(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
}

bool SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO basic{};  // zero times: left as they are
  basic.FileAttributes = attributes;
  return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// Marks an opened file with the given attributes for deletion. A read-only
// file cannot be deleted before its attribute is cleared, so with
// `evenReadOnly` it is cleared first; a file that stays (one the game holds
// open) gets it back.
bool DeleteThrough(HANDLE file, DWORD attributes, bool evenReadOnly) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
  if (readOnly && (!evenReadOnly || !SetAttributes(file, FILE_ATTRIBUTE_NORMAL))) return false;
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) return true;
  if (readOnly) SetAttributes(file, attributes);
  return false;
}

DWORD AttributesOf(HANDLE file) {
  FILE_BASIC_INFO basic{};
  return GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) ? basic.FileAttributes
                                                                                  : INVALID_FILE_ATTRIBUTES;
}

// What an opened entry is to its folder. Unknown when either name cannot be
// had: then the entry is neither deleted nor replaced.
enum class Entry { Own, LeadsElsewhere, Unknown };

Entry EntryOf(HANDLE file, const std::wstring& folderFinal, const std::string& name) {
  if (folderFinal.empty()) return Entry::Unknown;
  const std::wstring final = FinalName(file);
  if (final.empty()) return Entry::Unknown;
  std::wstring expected = folderFinal;
  if (expected.back() != L'\\') expected += L'\\';  // a drive root ends in one
  return SameName(final, expected + Wide(name)) ? Entry::Own : Entry::LeadsElsewhere;
}

// A new empty file of our own in `folder`, or empty text.
std::string NewTempFile(const std::string& folder) {
  char temp[MAX_PATH];
  if (!GetTempFileNameA(folder.c_str(), "cvx", 0, temp)) return {};
  return temp;
}

// Removes a file the program itself has just made.
void RemoveTempFile(const std::string& folder, const std::string& path) {
  const std::wstring final = FolderFinalName(folder);
  (void)RemoveOwnFile(folder, ExtractFileName(path), final, INVALID_FILE_ATTRIBUTES, true);
}

// Puts an empty file of our own in the place of the link at `path`.
bool ReplaceLink(const std::string& folder, const std::string& path) {
  const std::string temp = NewTempFile(folder);
  if (temp.empty()) return false;
  if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  RemoveTempFile(folder, temp);
  return false;
}

}  // namespace

std::wstring FolderFinalName(const std::string& folder) {
  FileHandle handle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle ? FinalName(handle.Get()) : std::wstring();
}

bool RemoveOwnFile(const std::string& folder, const std::string& name, const std::wstring& folderFinal,
                   DWORD attributes, bool evenReadOnly) {
  const std::string path = IncludeTrailingSeparator(folder) + name;
  FileHandle file = OpenEntry(path);
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  switch (EntryOf(file.Get(), folderFinal, name)) {
    case Entry::Own:
      // Unknown attributes are read from the entry now open; an unreadable
      // entry stays (its invalid attributes look like a folder's).
      if (attributes == INVALID_FILE_ATTRIBUTES) attributes = AttributesOf(file.Get());
      return DeleteThrough(file.Get(), attributes, evenReadOnly);
    case Entry::Unknown:
      return false;
    case Entry::LeadsElsewhere:
      break;
  }
  // A link that leads elsewhere: what it leads to is never opened for
  // deletion. Once the link is replaced, the name is a file of our own.
  file.Reset();
  if (!ReplaceLink(folder, path)) return false;
  file = OpenEntry(path);
  return file && EntryOf(file.Get(), folderFinal, name) == Entry::Own &&
         DeleteThrough(file.Get(), AttributesOf(file.Get()), true);
}

bool RemoveOwnFile(const std::string& path) {
  const std::string folder = ExtractFileDir(path);
  return RemoveOwnFile(folder, ExtractFileName(path), FolderFinalName(folder), INVALID_FILE_ATTRIBUTES, false);
}

bool CopyOverOwnFile(const std::string& source, const std::string& target) {
  const std::string folder = ExtractFileDir(target);
  const std::string temp = NewTempFile(folder);
  if (temp.empty()) return false;
  if (CopyFileA(source.c_str(), temp.c_str(), FALSE) &&
      MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  RemoveTempFile(folder, temp);
  return false;
}
