#include "Installation.h"

#include "toolkit/Application.h"
#include "toolkit/Shell.h"

std::string Installation::GameExe() const { return PathOf(kGameExeName); }
std::string Installation::ConfigFile() const { return PathOf("config.ini"); }
std::string Installation::TempDir() const { return PathOf("Temp\\"); }
std::string Installation::CoversCache() const { return PathOf("covers.cache"); }

bool Installation::LaunchGame(HWND owner, const std::string* parameters) const {
  // The file is quoted; the working directory is not, because the shell
  // takes a quoted directory as no directory at all and the game would
  // start in the tool's own current directory.
  std::string file = "\"";
  file += GameExe();
  file += '"';
  if (ShellOpen(owner, file, parameters, &dir_, SW_SHOWNORMAL)) return true;
  // The game's file was removed, is held, or is no program.
  Application::ErrorBox("Cantivox could not be started: " + GameExe() +
                        ". Check that the game is installed there, or reinstall Cantivox.");
  return false;
}
