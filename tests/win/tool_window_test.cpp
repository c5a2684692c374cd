// A tool window opened on its own, on an installation folder of the test's:
// no main window, no registry record.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Installation.h"
#include "UMaintenance.h"
#include "Support.h"
#include "forms/UMaintenance.rh"

namespace {

// Drives a modal Maintenance window from inside its own thread: when it
// first shows, both boxes are checked and Clear is pressed; every message box
// is answered with OK as soon as it shows, and its text kept.
class Driver {
 public:
  Driver() {
    self_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~Driver() {
    UnhookWindowsHookEx(hook_);
    self_ = nullptr;
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  std::vector<std::string> texts;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && self_) self_->Activated(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  void Activated(HWND window) {
    char text[512] = {};
    // A message box is a dialog with its text in the static 0xFFFF.
    if (GetDlgItem(window, 0xFFFF)) {
      GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
      texts.push_back(text);
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    } else if (GetDlgItem(window, IDC_bClear) && !pressed_) {
      pressed_ = true;
      CheckDlgButton(window, IDC_CheckBox1, BST_CHECKED);
      CheckDlgButton(window, IDC_CheckBox2, BST_CHECKED);
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_bClear, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_bClear)));
    }
  }
  static inline Driver* self_ = nullptr;
  HHOOK hook_ = nullptr;
  bool pressed_ = false;
};

using namespace support;

TEST(ToolWindowTest, MaintenanceClearsTheInstallationItIsHanded) {
  const TempFolder folder("tool-window");
  const std::string& dir = folder.Path();
  CreateDirectoryA((dir + "\\Temp").c_str(), nullptr);
  CreateDirectoryA((dir + "\\Temp\\songs").c_str(), nullptr);
  WriteBytes(dir + "\\Temp\\songs\\a.tmp", "x");
  WriteBytes(dir + "\\covers.cache", "covers");

  {
    Driver driver;
    TFMaintenance window(Installation(dir, "1.0"));
    window.ShowModal(nullptr);
    EXPECT_EQ(driver.texts, (std::vector<std::string>{"Temp directory cleanup complete!", "Covers cache deleted!"}));
  }
  EXPECT_TRUE(Exists(dir + "\\Temp"));
  EXPECT_FALSE(Exists(dir + "\\Temp\\songs"));
  EXPECT_FALSE(Exists(dir + "\\covers.cache"));
}

}  // namespace
