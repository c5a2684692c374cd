// The plainest walk that is link-safe the way the tool's is: one thread,
// each folder held while its entries are listed and deleted, each entry
// opened relative to its folder's handle, its kernel name checked against
// the folder's and its own, deleted through that handle, closed. The
// clearing benchmark's second floor: what the safety costs without the
// tool's batching and threads.
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);

namespace {

int remaining = 0;
std::vector<ULONG_PTR> nameBuffer(32768 / sizeof(ULONG_PTR) * 2 + 8);

HANDLE OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG options) {
  UNICODE_STRING counted{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                         const_cast<PWSTR>(name.c_str())};
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE handle = nullptr;
  const NTSTATUS status = NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, share,
                                     options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT);
  return NT_SUCCESS(status) ? handle : nullptr;
}

std::wstring KernelName(HANDLE handle) {
  ULONG size = 0;
  if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, nameBuffer.data(),
                                static_cast<ULONG>(nameBuffer.size() * sizeof(ULONG_PTR)), &size)))
    return {};
  const auto& name = reinterpret_cast<const OBJECT_NAME_INFORMATION*>(nameBuffer.data())->Name;
  return std::wstring(name.Buffer, name.Length / 2);
}

bool Dispose(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

// Empties the held folder whose kernel name is `prefix` (with a separator).
void Empty(HANDLE folder, const std::wstring& prefix) {
  std::vector<ULONG_PTR> buffer(65536 / sizeof(ULONG_PTR));
  for (BOOLEAN first = TRUE;; first = FALSE) {
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                                 static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)),
                                                 FileDirectoryInformation, FALSE, nullptr, first);
    if (!NT_SUCCESS(status) || status == static_cast<NTSTATUS>(0x80000006L)) return;
    for (auto* at = reinterpret_cast<const char*>(buffer.data());;) {
      const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(at);
      const std::wstring name(info->FileName, info->FileNameLength / 2);
      if (name != L"." && name != L"..") {
        const bool folderEntry = (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                 !(info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        HANDLE entry = folderEntry
                           ? OpenRelative(folder, name, DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE)
                           : OpenRelative(folder, name, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
        bool gone = false;
        if (entry && KernelName(entry) == prefix + name) {
          if (folderEntry) Empty(entry, prefix + name + L"\\");
          if (info->FileAttributes & FILE_ATTRIBUTE_READONLY) {
            FILE_BASIC_INFO basic{};
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
            SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
          }
          gone = Dispose(entry);
        }
        if (entry) CloseHandle(entry);
        if (!gone) ++remaining;
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: safe_walk DIRECTORY\n");
    return 2;
  }
  HANDLE root = CreateFileA(argv[1], FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr);
  if (root == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  std::wstring prefix = KernelName(root);
  if (prefix.empty() || prefix.back() != L'\\') prefix += L'\\';
  Empty(root, prefix);
  CloseHandle(root);
  if (remaining) std::fprintf(stderr, "%d entries stayed in %s\n", remaining, argv[1]);
  return remaining ? 1 : 0;
}
