#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Every file the program writes for the player (config.ini, the profile
// files, the avatar copy) is written whole into a new file of our own beside
// it, which reaches the disk and only then takes the old file's place, in one
// rename. A full disk, a failed write or a process killed at any moment
// leaves either the old file, byte for byte, or the new one; at worst a
// stray new file beside it, which the next save of that file removes.
//
// ReplaceFileW would keep the old file's security as well, but Wine's moves
// the old file aside and deletes it before the new one takes its place: a
// process killed in between would lose both. A rename that replaces is one
// step on NTFS and on Unix file systems alike; the old file's attributes and
// creation time are put on the new one before it.

// What a save does with a file that is a link to another.
enum class AtLink {
  Follow,  // the new content goes where the link leads, as any program's write through the link would put it
  Refuse,  // what the link leads to is not ours to change: the save is refused
};

enum class SaveResult {
  Saved,
  Failed,          // nothing could be written, or the new file could not take the old one's place
  ReadOnly,        // the file is marked read-only: the user's decision, kept
  HardLinked,      // the file has other names, which a new file would part from it
  LeadsElsewhere,  // a link, refused by AtLink::Refuse
};

// Fills the file at the full path `path` anew: `write` writes the whole new
// content into the handle it is given and says whether it could. A missing
// file is created; its folder must exist. Whatever fails, the file stays as
// it was.
[[nodiscard]] SaveResult SaveFile(const std::wstring& path, const std::function<bool(HANDLE)>& write,
                                  AtLink atLink);

// Writes `bytes` whole to `file`.
[[nodiscard]] bool WriteAll(HANDLE file, const char* bytes, size_t size);
