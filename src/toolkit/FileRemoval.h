#pragma once
#include <windows.h>

#include <string>

#include "toolkit/HeldFolder.h"

// Deletions that act on a name in a folder, never on what a link of that
// name leads to. Each entry is opened relative to its held folder, checked,
// and deleted through its own handle: nothing is looked up again by path
// between the check and the deletion.
//
// A link is removed as a link where the platform opens links as themselves
// (Windows). Wine 8 opens what the link leads to, whatever the flags, and
// renames by path; no deletion through a handle can remove the link itself
// there, so such an entry stays.

enum class Removal {
  Removed,  // its deletion was marked, or there was nothing of that name
  Stayed,   // held, read-only, unreadable or gone astray: it is as it was
  IsLink,   // a link this platform cannot remove as a link: it and what it leads to are as they were
};

// Removes `entry` of `folder`: a file, or a link as a link. A read-only file
// goes too when `evenReadOnly`; a file that stays keeps its attributes. A
// deletion takes effect once the entry's last handle closes, which another
// program may hold open with delete sharing.
[[nodiscard]] Removal RemoveEntry(const HeldFolder& folder, const FolderEntry& entry, bool evenReadOnly,
                                  NameBuffer& buffer);

// The same for the file at the full path `path`, where a read-only file
// stays.
[[nodiscard]] Removal RemoveOwnFile(const std::wstring& path);
[[nodiscard]] Removal RemoveOwnFile(const std::string& path);

// The folder and the name of a full path, split at its last separator.
std::wstring FolderPart(const std::wstring& path);
std::wstring NamePart(const std::wstring& path);
