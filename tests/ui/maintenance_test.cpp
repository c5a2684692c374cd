// "Maintenance", driven from outside: what it clears in the game's folder,
// the messages it shows one after another, and when it closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../win/Support.h"
#include "Driver.h"
#include "ToolFixture.h"

namespace {

using ui::kMainCaption;
using ui::kTitle;
const char kCaption[] = "Maintenance";
const char kTempDone[] = "Temp directory cleanup complete!";
const char kTempMissing[] = "Temp directory not found.";
const char kCacheDone[] = "Covers cache deleted!";
const char kCacheMissing[] = "Covers cache not found.";
const char kNothing[] = "Nothing checked. Not clearing.";

class MaintenanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::DeleteRegistryKey();
    installDir_ = root_ / "Cantivox";
    ui::MakeDirs(installDir_);
    ui::InstallGame(installDir_);
    ui::SetRegistryString("InstallDir", installDir_);
    app_.emplace(ui::Process::Start(ui::InstallTools(toolDir_.Path())));
    main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  }
  void TearDown() override {
    for (HANDLE file : held_) CloseHandle(file);
    ui::DeleteRegistryKey();
  }

  std::string Temp() const { return installDir_ + "\\Temp"; }
  std::string Cache() const { return installDir_ + "\\covers.cache"; }

  // A Temp tree with what a game leaves there, read-only and hidden files
  // and nested folders included.
  void MakeTemp() {
    ui::MakeDirs(Temp() + "\\songs\\previews");
    ui::WriteFileBytes(Temp() + "\\session.tmp", "x");
    ui::WriteFileBytes(Temp() + "\\songs\\a.ogg", "x");
    ui::WriteFileBytes(Temp() + "\\songs\\previews\\b.jpg", "x");
    SetFileAttributesA((Temp() + "\\session.tmp").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((Temp() + "\\songs\\a.ogg").c_str(), FILE_ATTRIBUTE_READONLY);
  }
  // Held as the running game holds its files: open without delete sharing.
  void Hold(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    held_.push_back(file);
  }
  // The names directly inside a directory.
  static std::vector<std::string> Entries(const std::string& dir) { return support::Names(dir); }

  // A Temp a year of playing leaves: `files` small files in 20 folders,
  // made from the Unix side at once.
  void MakeLargeTemp(int files) {
    ui::MakeDirs(Temp());
    wineunix::RunUnix("cd " + wineunix::Quoted(wineunix::UnixPath(Temp())) + " && for d in $(seq 1 20); do " +
                      "mkdir songs$d && (cd songs$d && seq 1 " + std::to_string(files / 20) +
                      " | sed 's/$/.tmp/' | xargs touch); done");
  }
  // Whether the window answers a plain message within `ms`.
  static bool Answers(HWND window, UINT ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
  }
  // The count the caption shows while the walk runs, or -1.
  static long Counted(HWND window) {
    const std::string caption = ui::Text(window);
    const size_t at = caption.find(": ");
    if (at == std::string::npos || caption.find(" removed") == std::string::npos) return -1;
    std::string digits;
    for (char c : caption.substr(at + 2))
      if (c >= '0' && c <= '9') digits += c;
    return digits.empty() ? -1 : std::stol(digits);
  }
  static int CountBelow(const std::string& dir) {
    int count = 0;
    for (const std::string& name : Entries(dir)) {
      ++count;
      if (ui::DirExists(dir + "\\" + name)) count += CountBelow(dir + "\\" + name);
    }
    return count;
  }

  HWND Open() {
    ui::Click(ui::Find(main_, "Maintenance", "Button"));
    return ui::WaitWindow(app_->Id(), kCaption);
  }
  void Check(HWND window, const std::vector<std::string>& boxes) {
    for (const std::string& box : boxes) ui::Click(ui::Find(window, box, "Button"));
  }
  // Each message in turn: a plain box captioned with the title, answered
  // with OK before the next one may come.
  void ExpectMessages(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
      const ui::MsgBox box = ui::WaitMessageBox(app_->Id());
      EXPECT_EQ(box.text, text);
      EXPECT_EQ(box.caption, kTitle);
      EXPECT_FALSE(box.hasIcon());
      EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
      ui::Answer(box, "OK");
    }
    EXPECT_FALSE(ui::PollFor([&] { return ui::FindMessageBox(app_->Id()).has_value(); }, 300))
        << "a message more than expected";
  }
  // Esc at the keyboard, Cancel and the close box: each closes the window,
  // or stops its walk.
  using Way = std::pair<const char*, void (*)(HWND)>;
  static inline const std::vector<Way> kCancelWays = {
      {"Esc", [](HWND w) { ui::TypeKey(w, VK_ESCAPE); }},
      {"Cancel", [](HWND w) { ui::Click(ui::Find(w, "Cancel", "Button")); }},
      {"close box", [](HWND w) { ui::Close(w); }},
  };
  void ClearAndExpect(HWND window, const std::vector<std::string>& texts) {
    ui::Click(ui::Find(window, "Clear", "Button"));
    ExpectMessages(texts);
  }

  ui::TempDir root_;
  ui::TempDir toolDir_;
  std::string installDir_;
  std::optional<ui::Process> app_;
  HWND main_ = nullptr;
  std::vector<HANDLE> held_;
};

// Links in Temp and a covers.cache that is a link: the files they lead to,
// a player's own on another disk, keep every byte. Wine cannot remove a
// link as a link, so there the links stay, and the messages say so.
TEST_F(MaintenanceTest, LinksStayAndWhatTheyLeadToStays) {
  const std::string replay = root_ / "replay.dat";
  const std::string covers = root_ / "covers of my own.dat";
  ui::WriteFileBytes(replay, "a replay");
  ui::WriteFileBytes(covers, "covers");
  MakeTemp();
  wineunix::MakeFileLink(Temp() + "\\replay.dat", replay);
  wineunix::MakeFileLink(Temp() + "\\songs\\replay.dat", replay);
  wineunix::MakeFileLink(Cache(), covers);
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  ClearAndExpect(window, {"Temp directory cleanup incomplete: 3 entries could not be deleted, 2 of them links to "
                          "files elsewhere, which are not the game's to delete. Remove such links yourself, close "
                          "Cantivox and try again.",
                          "Covers cache not deleted: " + Cache() +
                              " is a link to a file elsewhere, which is not the game's to delete. Delete the link "
                              "yourself."});
  EXPECT_EQ(Entries(Temp()), (std::vector<std::string>{"replay.dat", "songs"}));
  EXPECT_EQ(Entries(Temp() + "\\songs"), std::vector<std::string>{"replay.dat"});
  EXPECT_EQ(ui::ReadFileBytes(replay), "a replay");
  EXPECT_EQ(ui::ReadFileBytes(covers), "covers");
}

// A large Temp is cleared on a worker: the window answers at once all the
// while, its controls wait, its caption counts, and the message at the end
// is the usual one.
TEST_F(MaintenanceTest, ALargeTempKeepsTheWindowAnsweringAndCounting) {
  MakeLargeTemp(20000);
  HWND window = Open();
  Check(window, {"Clear Temp directory"});
  ui::Click(ui::Find(window, "Clear", "Button"));
  std::vector<long> counts;
  int slow = 0;
  while (!ui::FindMessageBox(app_->Id())) {
    if (!Answers(window, 1000)) ++slow;
    if (const long counted = Counted(window); counted >= 0 && (counts.empty() || counted != counts.back())) {
      counts.push_back(counted);
      if (counts.size() == 2) {
        ui::SaveScreenshot(window, "maintenance-clearing");
        EXPECT_FALSE(ui::Enabled(ui::Find(window, "Clear", "Button")));
        EXPECT_FALSE(ui::Enabled(ui::Find(window, "Clear Temp directory", "Button")));
        EXPECT_TRUE(ui::Enabled(ui::Find(window, "Cancel", "Button")));
      }
    }
    Sleep(50);
  }
  EXPECT_EQ(slow, 0) << "times the window did not answer within a second";
  EXPECT_GE(counts.size(), 2u) << "the count did not move";
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
  ExpectMessages({kTempDone});
  ui::WaitGone(window);
  EXPECT_TRUE(Entries(Temp()).empty());
}

// Esc at the keyboard, Cancel and the close box each stop the walk: no
// question, the message counts what stayed, and the covers step that would
// follow does not run. Clear had the focus when it was pressed; the walk
// must not leave the focus on no window, or Esc never arrives.
TEST_F(MaintenanceTest, EscCancelAndTheCloseBoxStopTheWalkAndReportWhatStayed) {
  MakeLargeTemp(20000);
  ui::WriteFileBytes(Cache(), "covers");
  for (const auto& [name, stop] : kCancelWays) {
    SCOPED_TRACE(name);
    HWND window = Open();
    Check(window, {"Clear Temp directory", "Clear covers cache"});
    ui::Click(ui::Find(window, "Clear", "Button"));
    ui::WaitUntil([&] { return Counted(window) > 0; }, "the count to start");
    stop(window);
    const ui::MsgBox box = ui::WaitMessageBox(app_->Id(), 1000 + ui::kTimeout);
    const int stayed = CountBelow(Temp());
    EXPECT_GT(stayed, 0);
    EXPECT_EQ(box.text, "Temp directory cleanup stopped: " + std::to_string(stayed) + " entries left.");
    ui::Answer(box, "OK");
    ui::WaitGone(window);
    EXPECT_TRUE(ui::FileExists(Cache()));
  }
}

TEST_F(MaintenanceTest, LayoutAndStartState) {
  HWND window = Open();
  ui::SaveScreenshot(window, "maintenance");
  HWND group = ui::Find(window, "Maintenance", "Button");
  for (const char* box : {"Clear Temp directory", "Clear covers cache"}) {
    EXPECT_FALSE(ui::Checked(ui::FindInGroup(group, box, "Button"))) << box;
  }
  // The lower group box has no caption; the buttons lie inside it.
  const RECT lower = ui::ScreenRect(ui::FindNth(window, "Button", 3));
  for (const char* button : {"Clear", "Cancel"}) {
    const RECT r = ui::ScreenRect(ui::Find(window, button, "Button"));
    EXPECT_TRUE(r.left >= lower.left && r.top >= lower.top && r.right <= lower.right && r.bottom <= lower.bottom)
        << button;
  }
  EXPECT_TRUE(GetWindowLongA(ui::Find(window, "Clear", "Button"), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(MaintenanceTest, BothTargetsPresentAreClearedInOrderAndTheWindowCloses) {
  MakeTemp();
  ui::WriteFileBytes(Cache(), "covers");
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  ui::SaveScreenshot(window, "maintenance-both-checked");
  ClearAndExpect(window, {kTempDone, kCacheDone});
  ui::WaitGone(window);
  EXPECT_TRUE(ui::DirExists(Temp()));
  EXPECT_EQ(Entries(Temp()), std::vector<std::string>{});
  EXPECT_FALSE(ui::FileExists(Cache()));
}

TEST_F(MaintenanceTest, NeitherTargetPresent) {
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  ClearAndExpect(window, {kTempMissing, kCacheMissing});
  ui::WaitGone(window);
}

TEST_F(MaintenanceTest, OnlyTheCoverCacheLeavesTempAlone) {
  MakeTemp();
  ui::WriteFileBytes(Cache(), "covers");
  HWND window = Open();
  Check(window, {"Clear covers cache"});
  ClearAndExpect(window, {kCacheDone});
  ui::WaitGone(window);
  EXPECT_FALSE(ui::FileExists(Cache()));
  EXPECT_TRUE(ui::FileExists(Temp() + "\\songs\\previews\\b.jpg"));
  EXPECT_TRUE(ui::FileExists(Temp() + "\\session.tmp"));
}

TEST_F(MaintenanceTest, NothingCheckedKeepsTheWindowOpen) {
  ui::WriteFileBytes(Cache(), "covers");
  HWND window = Open();
  for (int press = 0; press < 2; ++press) {
    ClearAndExpect(window, {kNothing});
    EXPECT_TRUE(IsWindow(window) && ui::Visible(window));
  }
  EXPECT_TRUE(ui::FileExists(Cache()));
  ui::Click(ui::Find(window, "Cancel", "Button"));
  ui::WaitGone(window);
}

TEST_F(MaintenanceTest, NamesOfTheWrongKindAreNotFoundAndLeftAlone) {
  ui::WriteFileBytes(Temp(), "a file named Temp");
  ui::MakeDirs(Cache());
  ui::WriteFileBytes(Cache() + "\\inside", "x");
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  ClearAndExpect(window, {kTempMissing, kCacheMissing});
  ui::WaitGone(window);
  EXPECT_EQ(ui::ReadFileBytes(Temp()), "a file named Temp");
  EXPECT_EQ(ui::ReadFileBytes(Cache() + "\\inside"), "x");
}

TEST_F(MaintenanceTest, HeldFilesAreReportedNotCalledDone) {
  MakeTemp();
  ui::WriteFileBytes(Cache(), "covers");
  Hold(Temp() + "\\songs\\previews\\b.jpg");
  Hold(Cache());
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  // The held file stays, and with it the two folders above it.
  ClearAndExpect(window, {"Temp directory cleanup incomplete: 3 entries could not be deleted. "
                          "Close Cantivox and try again.",
                          "Covers cache could not be deleted. Close Cantivox and try again."});
  ui::WaitGone(window);
  EXPECT_TRUE(ui::FileExists(Temp() + "\\songs\\previews\\b.jpg"));
  EXPECT_FALSE(ui::FileExists(Temp() + "\\songs\\a.ogg"));
  EXPECT_FALSE(ui::FileExists(Temp() + "\\session.tmp"));
  EXPECT_TRUE(ui::FileExists(Cache()));
}

TEST_F(MaintenanceTest, EnterPressesClear) {
  ui::WriteFileBytes(Cache(), "covers");
  HWND window = Open();
  Check(window, {"Clear covers cache"});
  ui::PressKey(window, VK_RETURN);
  ExpectMessages({kCacheDone});
  ui::WaitGone(window);
  EXPECT_FALSE(ui::FileExists(Cache()));
}

TEST_F(MaintenanceTest, EscCancelAndTheCloseBoxClearNothing) {
  MakeTemp();
  ui::WriteFileBytes(Cache(), "covers");
  for (const auto& [name, close] : kCancelWays) {
    SCOPED_TRACE(name);
    HWND window = Open();
    Check(window, {"Clear Temp directory", "Clear covers cache"});
    close(window);
    ui::WaitGone(window);
    EXPECT_FALSE(ui::FindMessageBox(app_->Id()).has_value());
    EXPECT_TRUE(ui::FileExists(Cache()));
    EXPECT_TRUE(ui::FileExists(Temp() + "\\songs\\previews\\b.jpg"));
  }
}

// A registered directory that is no full path ("Cantivox", found from the
// tool's working directory) could name another folder at every use: Temp is
// not cleared, and the user is told why. The cover cache, one file, goes.
TEST_F(MaintenanceTest, RelativeInstallationFolderIsNotCleared) {
  app_->Kill();
  ui::SetRegistryString("InstallDir", "Cantivox");
  app_.emplace(ui::Process::Start(ui::InstallTools(toolDir_.Path()), "", root_.Path()));
  main_ = ui::WaitWindow(app_->Id(), kMainCaption);
  MakeTemp();
  ui::WriteFileBytes(Cache(), "covers");
  HWND window = Open();
  Check(window, {"Clear Temp directory", "Clear covers cache"});
  ClearAndExpect(window, {"Temp directory not cleared: Cantivox\\Temp\\ is not a full folder path. Put Cantivox "
                          "Tools beside Cantivox.exe, or reinstall Cantivox.",
                          kCacheDone});
  ui::WaitGone(window);
  EXPECT_TRUE(ui::FileExists(Temp() + "\\session.tmp"));
  EXPECT_TRUE(ui::FileExists(Temp() + "\\songs\\previews\\b.jpg"));
  EXPECT_FALSE(ui::FileExists(Cache()));
}

}  // namespace
