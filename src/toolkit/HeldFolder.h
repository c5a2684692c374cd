#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Handles.h"

// A folder held open while its entries are listed, checked and removed. Its
// entries are opened relative to its handle, by the exact names its listing
// gives, so nothing is looked up again by path once the folder is held: a
// folder that another program renames or swaps for a link meanwhile goes on
// being the one held. It is held without delete sharing, so that on Windows
// no other program can rename or remove it while it is held.

// An entry as the folder's listing gives it.
struct FolderEntry {
  std::wstring name;
  DWORD attributes = 0;
  bool IsFolder() const { return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                                 FILE_ATTRIBUTE_DIRECTORY; }
};

// What an entry opened from its folder turned out to be.
enum class EntryKind {
  Own,             // the entry itself, no link
  Link,            // a link, opened as itself (Windows): removing it removes the link only
  LeadsElsewhere,  // what a link leads to (Wine opens that whatever the flags): never to be removed
  Unknown,         // its name could not be had: left alone
};

// Room for a kernel name; one per thread, reused for every entry.
class NameBuffer {
 public:
  NameBuffer();
  void* Data() { return buffer_.get(); }
  ULONG Size() const { return kSize; }

 private:
  // The longest name the kernel gives (32,767 characters) and its header.
  static constexpr ULONG kSize = 2 * 32768 + 64;
  // Left uninitialized: only the pages a name is written to are touched.
  std::unique_ptr<ULONG_PTR[]> buffer_;
};

class HeldFolder {
 public:
  // Holds the folder at the full path `path`. Links on the way are followed:
  // a folder reached through a link is held where the link leads. Nothing
  // when it cannot be opened or is no folder; GetLastError tells why.
  static std::optional<HeldFolder> Open(const std::wstring& path);

  HeldFolder(HeldFolder&&) = default;
  HeldFolder& operator=(HeldFolder&&) = default;

  // The same folder opened afresh, with a listing of its own.
  std::optional<HeldFolder> Reopen() const;

  // Holds the subfolder `name`, opened so that it can be removed once it is
  // empty. `kind` tells what was found: only an Own folder is returned.
  std::optional<HeldFolder> OpenSubfolder(std::wstring_view name, EntryKind& kind, NameBuffer& buffer) const;

  // Calls `each` for every entry but "." and ".."; stops early when it
  // returns false. False when the listing could not be read to its end.
  bool List(const std::function<bool(const FolderEntry&)>& each) const;
  // The entry whose name matches `name` as the platform matches names
  // (without regard to letter case on Windows): the one of exactly that
  // spelling if there is one, else the first; nothing when none matches.
  // False when the folder could not be searched. A held folder is listed
  // once: its listing is read whole by the first List or Find.
  bool Find(std::wstring_view name, std::optional<FolderEntry>& found) const;

  // Opens the entry `name` itself where the platform can (a link as the
  // link), for deleting it and reading and changing its attributes.
  FileHandle OpenEntry(std::wstring_view name) const;
  // What `entry`, opened from this folder by `name`, is. Names from one
  // source are compared exactly, letter case included: under Wine a link may
  // lead to a name that differs from its own only in case.
  EntryKind KindOf(HANDLE entry, std::wstring_view name, DWORD attributes, NameBuffer& buffer) const;

  // Removes the folder, which must be empty by now, and lets it go. False
  // when it stays.
  [[nodiscard]] bool Remove();

  HANDLE Get() const { return handle_.Get(); }

 private:
  HeldFolder(FileHandle handle, std::wstring finalName);

  FileHandle handle_;
  // The kernel's name of the folder, taken once when it was opened, with a
  // trailing separator: each entry's own name is this and its listed name.
  std::wstring prefix_;
};

// Marks an opened entry for deletion, which takes effect when its last
// handle closes. A read-only one only when `evenReadOnly`: its attribute is
// cleared first, and put back where the file stays or has other names, which
// share it. `attributes` are the entry's as listed.
[[nodiscard]] bool DeleteThrough(HANDLE entry, DWORD attributes, bool evenReadOnly);
