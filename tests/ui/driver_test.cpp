// The driver's own tests: it drives the small fixture dialog and the
// stand-in game, so that a fault in the driver shows here and not as a
// puzzling failure of the program's end-to-end tests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Driver.h"

namespace {

using ::testing::HasSubstr;

struct Png {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

uint32_t BE32(const std::string& s, size_t at) {
  return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
         (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

// Reads back what WritePng writes (RGB, stored deflate blocks), checking the
// structure a viewer relies on on the way.
Png ReadStoredPng(const std::string& file) {
  Png png;
  EXPECT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string idat;
  for (size_t pos = 8; pos + 12 <= file.size();) {
    const uint32_t length = BE32(file, pos);
    const std::string type = file.substr(pos + 4, 4);
    const std::string data = file.substr(pos + 8, length);
    if (type == "IHDR") {
      png.width = static_cast<int>(BE32(data, 0));
      png.height = static_cast<int>(BE32(data, 4));
      EXPECT_EQ(data.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
    }
    if (type == "IDAT") idat += data;
    pos += 12 + length;
  }
  EXPECT_EQ(idat.substr(0, 2), "\x78\x01");
  std::string raw;
  for (size_t pos = 2;;) {
    const bool last = idat[pos] & 1;
    const size_t n = uint8_t(idat[pos + 1]) | (uint8_t(idat[pos + 2]) << 8);
    raw += idat.substr(pos + 5, n);
    pos += 5 + n;
    if (last) break;
  }
  const size_t stride = static_cast<size_t>(png.width) * 3 + 1;
  EXPECT_EQ(raw.size(), stride * static_cast<size_t>(png.height));
  for (int y = 0; y < png.height; ++y) {
    EXPECT_EQ(raw[stride * y], '\0');
    png.rgb.insert(png.rgb.end(), raw.begin() + stride * y + 1, raw.begin() + stride * (y + 1));
  }
  return png;
}

TEST(LaunchLog, RecordsSurviveAnyBytes) {
  const std::vector<launchlog::Record> records = {
      {"\"C:\\a b\\Cantivox.exe\" -x \"q\"", " -x \"q\"", "C:\\a b"},
      {"x", "", ""},
      {"line\nbreak]=cmdline[3]=x\n\n", "\n\n", "C:\\t\\"},
      {std::string("nul\0byte", 8), std::string(" \0", 2), "\xE9t\xE9"},
  };
  std::string log;
  for (const auto& r : records) log += launchlog::Format(r);
  const auto parsed = launchlog::Parse(log);
  ASSERT_EQ(parsed.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(parsed[i].cmdline, records[i].cmdline) << i;
    EXPECT_EQ(parsed[i].params, records[i].params) << i;
    EXPECT_EQ(parsed[i].cwd, records[i].cwd) << i;
  }
  // A record still being written, or a damaged one, ends the list.
  for (size_t cut = 1; cut < launchlog::Format(records.back()).size(); ++cut)
    EXPECT_EQ(launchlog::Parse(log.substr(0, log.size() - cut)).size(), records.size() - 1) << cut;
  EXPECT_TRUE(launchlog::Parse("cmdline[99]=short\nparams[0]=\ncwd[0]=\n\n").empty());
}

TEST(LaunchLog, ParameterPartDropsOnlyTheProgramName) {
  const struct {
    const char* cmdline;
    const char* params;
  } cases[] = {
      {"\"C:\\Program Files\\Cantivox.exe\" -a  b ", " -a  b "},
      {"C:\\Games\\Cantivox.exe -a", " -a"},
      {"Cantivox.exe\t-a", "\t-a"},
      {"\"C:\\x y\\Cantivox.exe\"-a", "-a"},
      {"\"C:\\x y\\Cantivox.exe\"", ""},
      {"Cantivox.exe", ""},
      {"\"unclosed -a", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(launchlog::ParameterPart(c.cmdline), c.params) << c.cmdline;
}

TEST(Png, OnePixelFileIsByteExact) {
  ui::TempDir dir;
  ui::WritePng(dir / "one.png", 1, 1, {0xFF, 0x00, 0x00});
  // Signature, IHDR of a 1 x 1 8-bit RGB picture with its well-known CRC,
  // then IDAT and the constant IEND chunk.
  const std::string file = ui::ReadFileBytes(dir / "one.png");
  EXPECT_EQ(file.substr(0, 33), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01"
                                            "\x08\x02\0\0\0\x90\x77\x53\xDE", 33));
  EXPECT_EQ(file.substr(file.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  // zlib: header, one final stored block of the filter byte and the pixel,
  // Adler-32 of those four bytes.
  EXPECT_EQ(file.substr(41, 15), std::string("\x78\x01\x01\x04\x00\xFB\xFF\0\xFF\0\0"
                                             "\x03\x01\x01\x00", 15));
}

TEST(Png, LargePictureSpansStoredBlocks) {
  ui::TempDir dir;
  const int width = 300, height = 80;  // more than one 64 KB block
  std::vector<uint8_t> rgb;
  for (int i = 0; i < width * height * 3; ++i) rgb.push_back(static_cast<uint8_t>(i * 7));
  ui::WritePng(dir / "p.png", width, height, rgb);
  const Png png = ReadStoredPng(ui::ReadFileBytes(dir / "p.png"));
  EXPECT_EQ(png.width, width);
  EXPECT_EQ(png.height, height);
  EXPECT_EQ(png.rgb, rgb);
}

TEST(Files, TempDirGoesWithReadOnlyAndNestedContent) {
  std::string kept;
  {
    ui::TempDir dir;
    kept = dir.Path();
    ui::MakeDirs(dir / "a\\b\\c");
    ui::WriteFileBytes(dir / "a\\b\\c\\f.txt", "x");
    ui::WriteFileBytes(dir / "ro.txt", "y");
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ui::ReadFileBytes(dir / "a\\b\\c\\f.txt"), "x");
    ui::TempDir other;
    EXPECT_NE(other.Path(), dir.Path());
  }
  EXPECT_FALSE(ui::DirExists(kept));
  EXPECT_THROW(ui::ReadFileBytes(kept + "\\ro.txt"), ui::DriverError);
}

TEST(Files, EnvPathGivesWindowsPaths) {
  {
    ui::ScopedEnv env("CVX_DRIVER_PATH", "/work/main/build/x.exe");
    EXPECT_EQ(ui::EnvPath("CVX_DRIVER_PATH"), "Z:\\work\\main\\build\\x.exe");
  }
  {
    ui::ScopedEnv env("CVX_DRIVER_PATH", "Z:/a/b");
    EXPECT_EQ(ui::EnvPath("CVX_DRIVER_PATH"), "Z:\\a\\b");
  }
  EXPECT_THROW(ui::EnvPath("CVX_DRIVER_PATH"), ui::DriverError);
}

TEST(Registry, ValuesOfAnyTypeAndWholeKeys) {
  const std::string key = "SOFTWARE\\CantivoxDriverTest";
  ui::SetRegistryString("InstallDir", "C:\\Games\\Cantivox", key);
  ui::SetRegistryDword("InstallVer", 7, key);
  ui::SetRegistryValue("Raw", REG_BINARY, std::string("\x01\x00\x02", 3), key);
  ui::SetRegistryString("Deep", "1", key + "\\Sub\\Sub");
  EXPECT_EQ(ui::ReadRegistryString("InstallDir", key), "C:\\Games\\Cantivox");
  // A value of another type is not a string.
  EXPECT_EQ(ui::ReadRegistryString("InstallVer", key), std::nullopt);
  ui::DeleteRegistryValue("InstallDir", key);
  EXPECT_EQ(ui::ReadRegistryString("InstallDir", key), std::nullopt);
  ui::DeleteRegistryKey(key);
  EXPECT_EQ(ui::ReadRegistryString("Deep", key + "\\Sub\\Sub"), std::nullopt);
  ui::DeleteRegistryKey(key);  // already gone: no error
}

// ---- The stand-in game -------------------------------------------------------

TEST(Game, LogsCommandLineAndDirectoryOfEveryStart) {
  ui::TempDir install, work;
  const std::string game = ui::InstallGame(install.Path());
  const std::string args = "-Fullscreen  \"-Profile=A B\" x\\y";
  auto first = ui::Process::Start(game, args, work.Path());
  ASSERT_TRUE(first.WaitExit());
  EXPECT_EQ(first.ExitCode(), 0u);
  auto second = ui::Process::Start(game);
  ASSERT_TRUE(second.WaitExit());

  const auto records = ui::WaitLaunchRecords(install.Path(), 2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].cmdline, "\"" + game + "\" " + args);
  EXPECT_EQ(records[0].params, " " + args);
  EXPECT_EQ(records[0].cwd, work.Path());
  EXPECT_EQ(records[1].params, "");
}

TEST(Game, DemoShowsWhatItWasStartedWith) {
  ui::TempDir install;
  ui::ScopedEnv demo("CANTIVOX_DEMO", "1");
  auto game = ui::Process::Start(ui::InstallGame(install.Path()), "-Demo", install.Path());
  HWND window = ui::WaitWindow(game.Id(), "Cantivox");
  EXPECT_THAT(ui::Text(ui::FindNth(window, "Static", 0)), HasSubstr("Parameters: -Demo"));
  ui::SaveScreenshot(window, "game-demo");
  // It would close itself after a few seconds; the test does not wait.
  ui::Close(window);
  EXPECT_TRUE(game.WaitExit(2000));
}

// ---- The fixture dialog ------------------------------------------------------

class Fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ui::Process::Start(ui::EnvPath("CANTIVOX_UI_FIXTURE"), "-a \"b c\"", dir.Path());
    dlg = ui::WaitWindow(app.Id(), "Driver Fixture");
    value = ui::FindRightOf(ui::Find(dlg, "Name:", "Static"));
    list = ui::FindNth(dlg, "ListBox", 0);
  }
  ui::TempDir dir;
  ui::Process app;
  HWND dlg = nullptr, value = nullptr, list = nullptr;
};

TEST_F(Fixture, FindsAndReadsControls) {
  EXPECT_EQ(ui::Text(value), "none");
  EXPECT_EQ(ui::Text(ui::FindById(dlg, 117)), "args: -a \"b c\"|cwd:" + dir.Path());
  EXPECT_EQ(ui::FindNth(dlg, "Edit", 1), ui::FindById(dlg, 104));
  EXPECT_EQ(ui::Find(dlg, "&Add"), ui::Find(dlg, "Add", "button"));
  EXPECT_EQ(ui::ListItems(list),
            (std::vector<std::string>{"alpha", "beta", "gamma", std::string(500, 'z')}));
  EXPECT_EQ(ui::ListSelection(list), -1);
  HWND loud = ui::FindInGroup(ui::Find(dlg, "Options", "Button"), "Loud");
  EXPECT_FALSE(ui::Checked(loud));
  EXPECT_FALSE(ui::Enabled(ui::Find(dlg, "Never")));
  EXPECT_TRUE(ui::Enabled(ui::Find(dlg, "Add")));
  EXPECT_FALSE(ui::Visible(ui::Find(dlg, "Hidden")));
  EXPECT_TRUE(ui::Visible(value));
  EXPECT_FALSE(ui::FindMessageBox(app.Id()).has_value());

  // Failures name what is there, so that a test's failure explains itself.
  try {
    ui::Find(dlg, "Remove", "Button");
    ADD_FAILURE() << "found a button that is not there";
  } catch (const ui::DriverError& e) {
    EXPECT_THAT(e.what(), HasSubstr("Button \"&Add\" #1"));
  }
  try {
    ui::WaitWindow(app.Id(), "Nothing", 100);
    ADD_FAILURE() << "found a window that is not there";
  } catch (const ui::DriverError& e) {
    EXPECT_THAT(e.what(), HasSubstr("\"Driver Fixture\""));
  }
  EXPECT_THROW(ui::Click(ui::Find(dlg, "Never")), ui::DriverError);
  EXPECT_THROW(ui::FindNth(dlg, "Edit", 2), ui::DriverError);
}

TEST_F(Fixture, TypesLeavesAndClicks) {
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  // A letter outside ASCII checks that text crosses over in the ANSI code
  // page both ways.
  ui::SetText(edit, "d\xE9lta");
  EXPECT_EQ(ui::Text(edit), "d\xE9lta");
  ui::LeaveEdit(edit);
  EXPECT_EQ(ui::Text(value), "left:d\xE9lta");
  EXPECT_EQ(ui::FocusedWindow(dlg), ui::FindNth(dlg, "Edit", 1));

  ui::Click(ui::Find(dlg, "Add"));
  EXPECT_EQ(ui::Text(value), "added");
  EXPECT_EQ(ui::ListItems(list).back(), "d\xE9lta");
  EXPECT_EQ(ui::ListSelection(list), 4);

  HWND loud = ui::Find(dlg, "Loud", "Button");
  ui::Click(loud);
  EXPECT_TRUE(ui::Checked(loud));
  EXPECT_EQ(ui::Text(value), "loud");

  ui::ClickItem(list, 1);
  EXPECT_EQ(ui::Text(value), "selected:beta");
  ui::DoubleClick(list);
  EXPECT_EQ(ui::Text(value), "open:beta");
  ui::DoubleClickItem(list, 4);
  EXPECT_EQ(ui::Text(value), "open:d\xE9lta");
  ui::DoubleClick(ui::FindById(dlg, 116));
  EXPECT_EQ(ui::Text(value), "picture");
}

TEST_F(Fixture, KeysReachDialogAndList) {
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  ui::SetText(edit, "epsilon");
  ui::Focus(edit);
  ui::PressKey(edit, VK_RETURN);
  ui::WaitText(value, "added");
  EXPECT_EQ(ui::ListItems(list).back(), "epsilon");

  ui::ClickItem(list, 0);
  ui::PressKey(list, VK_DELETE);
  ui::WaitText(value, "deleted:alpha");
  EXPECT_EQ(ui::ListItems(list).front(), "beta");

  ui::PressKey(list, VK_ESCAPE);
  ASSERT_TRUE(app.WaitExit(5000));
  EXPECT_EQ(app.ExitCode(), 2u);
}

TEST_F(Fixture, ReadsAndAnswersMessageBoxes) {
  ui::Click(ui::Find(dlg, "Ask"));
  ui::MsgBox box = ui::WaitMessageBox(app.Id());
  EXPECT_EQ(box.caption, "Driver Fixture");
  EXPECT_EQ(box.text, "Are you sure?");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(box.defaultButton, "Yes");
  EXPECT_EQ(box.icon, ui::Icon::Information);
  ui::SaveScreenshot(box.hwnd, "fixture-question");
  ui::Answer(box, "&No");
  ui::WaitText(value, "no");

  const struct {
    const char* button;
    ui::Icon icon;
    std::vector<std::string> buttons;
    const char* answer;
    const char* after;
  } cases[] = {
      {"Warn", ui::Icon::Warning, {"OK"}, "OK", "warned"},
      {"Plain", ui::Icon::None, {"OK"}, "OK", "plain"},
      {"Custom", ui::Icon::Warning, {"Yes", "Abort"}, "Abort", "custom:abort"},
  };
  for (const auto& c : cases) {
    ui::Click(ui::Find(dlg, c.button));
    box = ui::WaitMessageBox(app.Id());
    EXPECT_EQ(box.icon, c.icon) << c.button;
    EXPECT_EQ(box.buttons, c.buttons) << c.button;
    ui::Answer(box, c.answer);
    ui::WaitText(value, c.after);
  }

  // The leave check's box opens while the focus moves; the driver must not
  // wait for it to be answered.
  HWND edit = ui::FindNth(dlg, "Edit", 0);
  ui::SetText(edit, "bad");
  ui::LeaveEdit(edit);
  box = ui::WaitMessageBox(app.Id());
  EXPECT_EQ(box.text, "'bad' is not a valid integer value.");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  ui::Answer(box, "OK");
  EXPECT_FALSE(ui::FindMessageBox(app.Id()).has_value());
}

TEST_F(Fixture, ScreenshotHasTheWindowSize) {
  const std::string path = ui::SaveScreenshot(dlg, "fixture");
  const RECT r = ui::ScreenRect(dlg);
  const Png png = ReadStoredPng(ui::ReadFileBytes(path));
  EXPECT_EQ(png.width, r.right - r.left);
  EXPECT_EQ(png.height, r.bottom - r.top);
  // A painted dialog, not a blank: caption bar, face and text differ.
  size_t differing = 0;
  for (size_t i = 3; i < png.rgb.size(); ++i) differing += png.rgb[i] != png.rgb[i % 3];
  EXPECT_GT(differing, png.rgb.size() / 10);
}

TEST_F(Fixture, TypesAPathIntoTheOpenFileDialog) {
  ui::WriteFileBytes(dir / "pick me.txt", "x");
  ui::Click(ui::Find(dlg, "Browse..."));
  HWND open = ui::WaitWindow(app.Id(), "Open");
  ui::SaveScreenshot(open, "fixture-open");
  ui::SetText(ui::FindNth(open, "Edit", 0), dir / "pick me.txt");
  ui::Click(ui::Find(open, "Open", "Button"));
  ui::WaitText(value, "file:" + (dir / "pick me.txt"));
}

TEST(Process, EndsTheProgramWhenItGoes) {
  DWORD pid;
  {
    ui::TempDir dir;
    auto app = ui::Process::Start(ui::EnvPath("CANTIVOX_UI_FIXTURE"), "", dir.Path());
    pid = app.Id();
    ui::WaitWindow(pid, "Driver Fixture");
  }
  EXPECT_TRUE(ui::TopWindows(pid).empty());
}

// A program found by its id is held like one started here: its file can be
// told, and it ends with the object.
TEST(Process, AttachedProgramEndsWithTheObject) {
  ui::TempDir dir;
  const std::string exe = ui::EnvPath("CANTIVOX_UI_FIXTURE");
  auto upper = [](std::string text) {
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
  };
  auto started = ui::Process::Start(exe, "", dir.Path());
  ui::WaitWindow(started.Id(), "Driver Fixture");
  {
    auto attached = ui::Process::Attach(started.Id());
    EXPECT_EQ(attached.Id(), started.Id());
    EXPECT_TRUE(attached.Running());
    EXPECT_EQ(upper(attached.ImagePath()), upper(exe));
  }
  EXPECT_TRUE(started.WaitExit(5000));
}

}  // namespace
