#pragma once
// The tool's windows as the end-to-end tests find their controls: by the
// caption or the label a user reads, never by a resource ID.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Driver.h"

namespace ui {

struct ConfigureWindow {
  HWND dialog, width, height, songsDir, monitor1, monitor2, fullOn, fullOff, stable, experimental, developer;
  explicit ConfigureWindow(HWND dlg) : dialog(dlg) {
    width = FindRightOf(Find(dlg, "W:", "Static"), "Edit");
    height = FindRightOf(Find(dlg, "H:", "Static"), "Edit");
    // The third label: after "W:" and "H:" comes the songs directory.
    songsDir = FindNth(dlg, "Static", 2);
    const HWND screens = Find(dlg, "Screens", "Button");
    monitor1 = FindInGroup(screens, "1", "Button");
    monitor2 = FindInGroup(screens, "2", "Button");
    const HWND full = Find(dlg, "Fullscreen", "Button");
    fullOn = FindInGroup(full, "On", "Button");
    fullOff = FindInGroup(full, "Off", "Button");
    const HWND channel = Find(dlg, "Update channel", "Button");
    stable = FindInGroup(channel, "Stable", "Button");
    experimental = FindInGroup(channel, "Experimental", "Button");
    developer = FindInGroup(channel, "Developer", "Button");
  }
  HWND Button(const char* caption) const { return Find(dialog, caption, "Button"); }
  int Monitor() const { return Checked(monitor1) ? 1 : Checked(monitor2) ? 2 : 0; }
  int Channel() const { return Checked(stable) ? 0 : Checked(experimental) ? 1 : Checked(developer) ? 2 : -1; }
};

struct ProfileManagerWindow {
  HWND dialog, list;
  explicit ProfileManagerWindow(HWND d) : dialog(d), list(FindNth(d, "ListBox", 0)) {}
  HWND Button(const char* caption) const { return Find(dialog, caption, "Button"); }
  std::vector<std::string> Items() const { return ListItems(list); }
  int IndexOf(const std::string& name) const {
    const std::vector<std::string> items = Items();
    const auto at = std::find(items.begin(), items.end(), name);
    if (at == items.end()) throw DriverError("no list entry " + name);
    return static_cast<int>(at - items.begin());
  }
};

struct ProfileEditorWindow {
  HWND dialog, name, login, locked, avatar;
  explicit ProfileEditorWindow(HWND d)
      : dialog(d),
        name(FindRightOf(Find(d, "Name:", "Static"), "Edit")),
        login(FindRightOf(Find(d, "Login:", "Static"), "Edit")),
        locked(Find(d, "Locked", "Button")),
        avatar(FindNth(d, "CvPictureBox", 0)) {}
  HWND Button(const char* caption) const { return Find(dialog, caption, "Button"); }
};

}  // namespace ui
