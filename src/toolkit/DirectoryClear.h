#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "toolkit/HeldFolder.h"

// What a clearing left behind. Callers that only want the directory emptied
// as far as possible may ignore it.
struct ClearOutcome {
  // The argument was no directory that may be cleared (empty, a root, or not
  // absolute); nothing was touched.
  bool refused = false;
  // Entries below the directory that could not be removed: each file that
  // stayed, each directory that stayed because something inside it did, each
  // link that could not be removed as a link. A directory that exists but
  // cannot be listed counts as one.
  int remaining = 0;
  // The walk was stopped from outside before its end; `remaining` counts
  // everything still below the directory.
  bool stopped = false;
  // Of `remaining`, the links to files or folders elsewhere that stayed
  // because the platform cannot remove them as links (Wine); not counted
  // when the walk was stopped.
  int links = 0;

  bool Complete() const { return !refused && remaining == 0; }
};

// Shared with a walk that runs on another thread: what it has removed so far,
// and a request to stop after the entry in hand. A file is either gone or
// untouched; nothing is left half deleted.
struct ClearControl {
  std::atomic<long> removed{0};
  std::atomic<bool> stop{false};
  // For tests: runs before each file is opened for deletion, on the thread
  // that deletes it, with the file's name. What it throws leaves that file
  // as it is.
  std::function<void(const std::wstring& name)> beforeEachFile;
};

// Empties a directory and keeps the directory itself: every file and
// subdirectory below it goes, hidden, system and read-only ones included,
// depth first. Each folder is held from its listing to its removal, and each
// entry is deleted through a handle opened relative to it (FileRemoval.h): a
// link, to a file or a folder, is removed as a link where the platform can,
// and is otherwise left; it is never entered. A directory that does not
// exist leaves nothing behind and is no failure. `remaining` is counted
// afresh once the walk is over, so the outcome tells what is really left.
ClearOutcome ClearDirectoryTree(const std::string& directory, ClearControl* control = nullptr);
// The same for a folder already held; it stays, empty.
ClearOutcome ClearHeldFolder(const HeldFolder& folder, ClearControl* control = nullptr);

// True when `directory` names something ClearDirectoryTree may walk: an
// absolute path ("X:\name" or "\\server\share\name") that, once "." and ".."
// are resolved, is not the root of a drive or share. Refused besides: empty
// text, drive-relative and rooted-without-drive paths, device paths.
bool IsClearableDirectoryPath(const std::string& directory);
