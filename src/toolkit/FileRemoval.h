#pragma once
#include <windows.h>

#include <string>

// Deletions and overwrites that act on a name in a folder, never on what a
// link of that name leads to.
//
// Windows opens a link itself when asked with FILE_FLAG_OPEN_REPARSE_POINT,
// and a deletion through that handle removes the link. Wine 8 follows a Unix
// symbolic link whatever the flags: DeleteFileA on a link to a file deletes
// the file it leads to, and FindFirstFile shows such a link as a plain file.
// What does tell: the kernel's name of an opened file is the name of the file
// reached, so an entry whose name is not its folder's name plus its own
// leads elsewhere. Such an entry is replaced by an empty file of our own
// (a rename replaces the link, not what it leads to), which then goes.

// The kernel's name of the folder `folder` once every link on the way was
// followed; empty when it cannot be opened.
std::wstring FolderFinalName(const std::string& folder);

// Removes the file `name` in `folder`, whose FolderFinalName is
// `folderFinal`; `attributes` are the file's as listed, or
// INVALID_FILE_ATTRIBUTES to read them from the file. A link of that name
// goes as a link. A read-only file goes too when `evenReadOnly`; a file that
// stays keeps its attributes. True when the name is gone or its deletion is
// pending (another program holds the file open with delete sharing).
[[nodiscard]] bool RemoveOwnFile(const std::string& folder, const std::string& name,
                                 const std::wstring& folderFinal, DWORD attributes, bool evenReadOnly);

// The same for a full path; a read-only file stays.
[[nodiscard]] bool RemoveOwnFile(const std::string& path);

// Puts a copy of `source` at `target`, replacing a file there; a link there
// is replaced by the copy, and what it leads to is left as it was. The copy
// is made beside `target` first, so a failed copy leaves `target` as it was.
[[nodiscard]] bool CopyOverOwnFile(const std::string& source, const std::string& target);
