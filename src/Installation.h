#pragma once
#include <windows.h>

#include <string>

#include "toolkit/DirectoryClear.h"

// The game's installation as the main window settled it: the folder every
// tool works in, the version text of the game's record, and the game's files
// there. The main window hands it to each tool window it opens, so a tool
// window needs neither the main window nor the registry.
class Installation {
 public:
  Installation() = default;
  Installation(std::string dir, std::string version) : dir_(std::move(dir)), version_(std::move(version)) {}

  const std::string& Dir() const { return dir_; }
  const std::string& Version() const { return version_; }

  // Dir() + "\" + name: every path of the game is built so.
  std::string PathOf(const std::string& name) const { return dir_ + "\\" + name; }
  std::string GameExe() const;
  std::string ConfigFile() const;
  std::string TempDir() const;  // with a trailing separator
  std::string CoversCache() const;

  // Starts the game from the installation folder through the shell, on
  // behalf of `owner`, without waiting for it. When the shell cannot start
  // it, says so in the error box and returns false.
  [[nodiscard]] bool LaunchGame(HWND owner, const std::string* parameters) const;

 private:
  std::string dir_;
  std::string version_;
};

// The game's program, by the name the game's installer gives it.
inline constexpr char kGameExeName[] = "Cantivox.exe";
