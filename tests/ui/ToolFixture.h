#pragma once
// What the end-to-end tests of the tool share: its captions, and a fixture
// with a game installed and recorded in the registry and the tool installed
// apart from it, started on first use.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "Driver.h"

namespace ui {

inline constexpr char kMainCaption[] = "Cantivox Official Tools 0.2.1.7";
inline constexpr char kTitle[] = "Cantivox Tools  0.2.1.7";

class ToolTest : public ::testing::Test {
 protected:
  // Screenshots are named "<shots>-<test>-<count>"; the main window is
  // among them if `shootMain`.
  explicit ToolTest(std::string shots, bool shootMain = true) : shots_(std::move(shots)), shootMain_(shootMain) {}

  void SetUp() override {
    DeleteRegistryKey();
    InstallGame(game_.Path());
    SetRegistryString("InstallDir", game_.Path());
    exe_ = InstallTools(tools_.Path());
  }
  void TearDown() override {
    if (app_) app_->Kill();
    DeleteRegistryKey();
  }

  DWORD Pid() const { return app_->Id(); }
  // Starts the program and waits for its main window.
  HWND Start(const std::string& exe) {
    app_.emplace(Process::Start(exe));
    main_ = WaitWindow(Pid(), kMainCaption);
    return shootMain_ ? Shoot(main_) : main_;
  }
  // The main window, the tool started first where it does not run yet.
  HWND Main() { return main_ ? main_ : Start(exe_); }
  // Every window the test opens, as it first shows, named after the test.
  HWND Shoot(HWND top) {
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    SaveScreenshot(top, shots_ + "-" + test + "-" + std::to_string(++shotCount_));
    return top;
  }
  void ExpectNoMessageBox(int ms = 300) {
    const std::optional<MsgBox> box = MessageBoxWithin(Pid(), ms);
    EXPECT_FALSE(box.has_value()) << "a box says: " << box->text;
  }

  TempDir game_;
  TempDir tools_;
  std::string exe_;
  std::optional<Process> app_;
  HWND main_ = nullptr;

 private:
  std::string shots_;
  bool shootMain_;
  int shotCount_ = 0;
};

}  // namespace ui
