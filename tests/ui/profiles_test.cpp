// The Profile Manager and the profile editor, driven from outside against
// real profile folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "../win/Support.h"
#include "Driver.h"
#include "ToolFixture.h"
#include "ToolWindows.h"

namespace {

using ui::kTitle;
const char kDuplicate[] = "Cannot create this profile because there already exists profile with this name";
const char* const kNotFound = ui::kNameNotFound;
using ui::Sorted;
using ui::Strings;

// A picture drawn for these tests at build time.
std::string Picture(const std::string& name) { return ui::Join(ui::EnvPath("CANTIVOX_PROFILE_PICTURES"), name); }

using ui::ScreenPixel;

std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

using Manager = ui::ProfileManagerWindow;

struct Editor : ui::ProfileEditorWindow {
  using ProfileEditorWindow::ProfileEditorWindow;
  // Pixels of the 100 x 100 picture area, from its top left corner.
  COLORREF Pixel(int x, int y) const { return ScreenPixel(avatar, x, y); }
  // The screen shows the picture once the box has painted: wait for it.
  ::testing::AssertionResult Shows(int x, int y, COLORREF colour, int tolerance = 40) const {
    COLORREF seen = 0;
    if (ui::PollFor([&] { return ui::Near(seen = Pixel(x, y), colour, tolerance); }, 2000))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at " << x << "," << y << " the box shows " << Hex(seen)
                                         << ", not " << Hex(colour);
  }
  bool ShowsNothing() const {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    return ui::PollFor(
        [&] {
          for (int y : {10, 50, 90})
            for (int x : {10, 50, 90})
              if (Pixel(x, y) != face) return false;
          return true;
        },
        2000);
  }
};

class ProfilesTest : public ui::ToolTest {
 protected:
  ProfilesTest() : ToolTest("profiles") {}
  void SetUp() override {
    ToolTest::SetUp();
    ui::MakeDirs(Profiles());
  }

  std::string ProfileText(const std::string& folder) const { return ui::ReadFileBytes(ProfileFile(folder)); }
  // The folders under Profiles, sorted.
  Strings Folders() const { return support::Names(Profiles()); }

  Editor WaitEditor() { return Editor(Shoot(ui::WaitWindow(Pid(), "Profile"))); }
  // The editor on the one profile "p", holding `text`, whose avatar.jpg is
  // the wide picture; the manager it was opened from is its owner.
  Editor ModifyWithStoredAvatar(const std::string& text) {
    MakeProfile("p", text);
    ui::WriteFileBytes(Folder("p") + "\\avatar.jpg", ui::ReadFileBytes(Picture("wide.jpg")));
    const Manager m = OpenManager();
    ui::Click(m.Button("Modify"));
    return WaitEditor();
  }
  ui::MsgBox WaitBox() {
    const ui::MsgBox box = ui::WaitMessageBox(Pid());
    Shoot(box.hwnd);
    return box;
  }
  Editor Add(const Manager& m) {
    ui::Click(m.Button("Add"));
    return WaitEditor();
  }
  void Fill(const Editor& e, const std::string& name, const std::string& login, bool locked) {
    ui::SetText(e.name, name);
    ui::SetText(e.login, login);
    if (ui::Checked(e.locked) != locked) ui::Click(e.locked);
  }
  // Chooses a picture in the open-picture dialog by typing its path into
  // the file name field, as a user may.
  void ChoosePicture(HWND opener, const std::string& path) {
    ui::Click(opener);
    TypeIntoOpenDialog(path);
  }
  void TypeIntoOpenDialog(const std::string& path) {
    const HWND open = Shoot(ui::WaitWindow(Pid(), "Open"));
    const HWND editor = GetWindow(open, GW_OWNER);
    ui::TypeIntoOpenDialog(open, path);
    // The picture is loaded after the dialog has been destroyed.
    ui::WaitUntil([&] { return !IsWindow(open); }, "the open dialog destroyed");
    ui::Settle(editor);
  }

};

TEST_F(ProfilesTest, ListsEachProfileFolderWithItsDisplayName) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\n");
  MakeProfile("twin1", "[profile]\r\nname=Twin\r\n");
  MakeProfile("twin2", "[profile]\r\nname=Twin\r\n");
  MakeProfile("noname", "[game]\r\nname=Elsewhere\r\n");
  ui::MakeDirs(Folder("nofile"));
  ui::WriteFileBytes(Folder("plain.cvp"), "[profile]\r\nname=Plain file\r\n");
  MakeProfile("hidden", "[profile]\r\nname=Hidden\r\n");
  SetFileAttributesA(Folder("hidden").c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

  Manager m = OpenManager();
  ui::SaveScreenshot(m.dialog, "profile_manager");
  EXPECT_EQ(Sorted(m.Items()), (Strings{"Anna", kNotFound, kNotFound, "Twin", "Twin"}));
  EXPECT_EQ(ui::ListSelection(m.list), 0);

  // Enter in the list presses "Exit".
  ui::Focus(m.list);
  ui::PressKey(m.list, VK_RETURN);
  ui::WaitGone(m.dialog);
  m = OpenManager();
  ui::PressKey(m.list, VK_ESCAPE);
  ui::WaitGone(m.dialog);
}

TEST_F(ProfilesTest, AddWritesTheProfileIntoANewFolder) {
  // The display name of the profile in folder "Anna" was changed: the name
  // Anna is free, its folder is not. A fresh run draws 0 first.
  MakeProfile("Anna", "[profile]\r\nname=Renamed\r\n");
  Manager m = OpenManager();
  Editor e = Add(m);
  EXPECT_EQ(ui::Text(e.name), "");
  EXPECT_FALSE(ui::Checked(e.locked));
  EXPECT_TRUE(e.ShowsNothing());
  Fill(e, "Anna", "anna1", true);
  Press(e, "Save");
  ExpectNoMessageBox();
  EXPECT_EQ(Folders(), (Strings{"Anna", "Anna0"}));
  EXPECT_EQ(ProfileText("Anna0"), "[profile]\r\nname=Anna\r\nlogin=anna1\r\nlocked=yes\r\n");
  EXPECT_EQ(Sorted(m.Items()), (Strings{"Anna", "Renamed"}));
  EXPECT_EQ(ui::ListSelection(m.list), 0);

  // Only a-z fold: "\xC1nna" is another name.
  e = Add(m);
  Fill(e, "\xC1nna", "", false);
  ui::PressKey(e.name, VK_RETURN);  // Enter in an edit saves
  ui::WaitGone(e.dialog);
  EXPECT_EQ(Folders(), (Strings{"Anna", "Anna0", "\xC1nna"}));
  EXPECT_EQ(ProfileText("\xC1nna"), "[profile]\r\nname=\xC1nna\r\nlogin=\r\nlocked=no\r\n");
}

TEST_F(ProfilesTest, AddRefusesANameAnotherProfileShows) {
  MakeProfile("first", "[profile]\r\nname=Anna\r\n");
  Manager m = OpenManager();
  Editor e = Add(m);
  Fill(e, "aNNA", "x", false);
  Press(e, "Save");
  Acknowledge(kDuplicate);
  EXPECT_EQ(Folders(), Strings{"first"});
  EXPECT_EQ(ProfileText("first"), "[profile]\r\nname=Anna\r\n");
  EXPECT_EQ(m.Items(), Strings{"Anna"});
}

TEST_F(ProfilesTest, AddRefusesANameThatIsNoFolderNameAndKeepsTheEditorOpen) {
  const struct {
    const char* name;
    const char* why;
  } cases[] = {
      {"..\\Evil", "a folder name cannot hold any of the characters \\ / : * ? \" < > |."},
      {"a/b", "a folder name cannot hold any of the characters \\ / : * ? \" < > |."},
      {"..", "\".\" and \"..\" are not folder names."},
      {"Anna.", "a folder name cannot end with a dot or a blank."},
      {"CON", "Windows keeps this name for a device."},
      {"lpt1.txt", "Windows keeps this name for a device."},
  };
  Manager m = OpenManager();
  Editor e = Add(m);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::SetText(e.name, c.name);
    ui::Click(e.Button("Save"));
    Acknowledge(std::string("Cannot create a profile folder named \"") + c.name + "\": " + c.why);
    EXPECT_TRUE(ui::Visible(e.dialog));
  }
  ui::SaveScreenshot(e.dialog, "profile_editor_refused");
  // A good name then goes through.
  ui::SetText(e.name, "Good");
  Press(e, "Save");
  EXPECT_EQ(Folders(), Strings{"Good"});
  EXPECT_FALSE(ui::DirExists(game_ / "Evil"));
}

TEST_F(ProfilesTest, ALineBreakIsRefusedBeforeAnythingIsWritten) {
  const std::string before = "[profile]\r\nname=Anna\r\nlogin=anna\r\n";
  MakeProfile("anna", before);
  Manager m = OpenManager();
  ui::Click(m.Button("Modify"));
  Editor e = WaitEditor();
  // Pasted text may carry a line break into a one-line edit.
  ui::SetText(e.name, "Anna B");
  ui::SetText(e.login, "two\r\nlines");
  ASSERT_EQ(ui::Text(e.login), "two\r\nlines");
  ui::Click(e.Button("Save"));
  Acknowledge("A name or login cannot hold a line break.");
  EXPECT_TRUE(ui::Visible(e.dialog));
  Press(e, "Cancel");
  EXPECT_EQ(ProfileText("anna"), before);
}

TEST_F(ProfilesTest, CancellingTheEditorWritesNothing) {
  MakeProfile("anna", "[profile]\r\nname=Anna\r\nlocked=YES\r\n");
  Manager m = OpenManager();
  Editor e = Add(m);
  Fill(e, "New", "new", true);
  Press(e, "Cancel");
  e = Add(m);
  Fill(e, "New", "new", true);
  ui::PressKey(e.name, VK_ESCAPE);
  ui::WaitGone(e.dialog);
  ui::Click(m.Button("Modify"));
  e = WaitEditor();
  Fill(e, "Changed", "changed", true);
  Press(e, "Cancel");
  EXPECT_EQ(Folders(), Strings{"anna"});
  EXPECT_EQ(ProfileText("anna"), "[profile]\r\nname=Anna\r\nlocked=YES\r\n");
}

TEST_F(ProfilesTest, ModifyEditsTheSelectedFolderAndKeepsTheRestOfItsFile) {
  MakeProfile("a", "[profile]\r\nname=Twin\r\nlogin=one\r\nlocked=YES\r\nlevel=3\r\n[scores]\r\ntop=99\r\n");
  MakeProfile("b", "[profile]\r\nname=Twin\r\nlogin=two\r\nlocked=yes\r\n");
  MakeProfile("c", "[profile]\r\nname=Zed\r\n");
  Manager m = OpenManager();
  // Which of the twins is which shows in the editor.
  ui::ClickItem(m.list, m.IndexOf("Zed"));
  ui::DoubleClickItem(m.list, m.IndexOf("Twin"));
  Editor e = WaitEditor();
  const bool first = ui::Text(e.login) == "one";
  const std::string folder = first ? "a" : "b";
  EXPECT_EQ(ui::Text(e.name), "Twin");
  EXPECT_EQ(ui::Checked(e.locked), !first) << "only exactly \"yes\" locks";
  Fill(e, "Renamed", first ? "one" : "two", false);
  ui::SaveScreenshot(e.dialog, "profile_editor");
  Press(e, "Save");
  ExpectNoMessageBox();
  EXPECT_EQ(ui::ListSelection(m.list), 0);
  EXPECT_EQ(Sorted(m.Items()), (Strings{"Renamed", "Twin", "Zed"}));
  if (first)
    EXPECT_EQ(ProfileText("a"), "[profile]\r\nname=Renamed\r\nlogin=one\r\nlocked=no\r\nlevel=3\r\n[scores]\r\ntop=99\r\n");
  else
    EXPECT_EQ(ProfileText("b"), "[profile]\r\nname=Renamed\r\nlogin=two\r\nlocked=no\r\n");
  EXPECT_EQ(Folders(), (Strings{"a", "b", "c"}));

  // "Modify" acts on the selection as the double-click did.
  ui::ClickItem(m.list, m.IndexOf("Zed"));
  ui::Click(m.Button("Modify"));
  e = WaitEditor();
  EXPECT_EQ(ui::Text(e.name), "Zed");
  EXPECT_EQ(ui::Text(e.login), "");
  ui::SetText(e.name, "");  // the display name of an existing profile is free text
  Press(e, "Save");
  EXPECT_EQ(ProfileText("c"), "[profile]\r\nname=\r\nlogin=\r\nlocked=no\r\n");
}

TEST_F(ProfilesTest, DeleteAsksNamingTheFolderAndSelectsTheNextProfile) {
  MakeProfile("f1", "[profile]\r\nname=One\r\n");
  MakeProfile("f2", "[profile]\r\nname=Two\r\nlocked=yes\r\n");
  MakeProfile("f3", "[profile]\r\nname=Three\r\n");
  ui::MakeDirs(Folder("f2") + "\\deep\\er");
  ui::WriteFileBytes(Folder("f2") + "\\deep\\er\\x.txt", "x");
  ui::WriteFileBytes(Folder("f2") + "\\avatar.jpg", "x");
  Manager m = OpenManager();
  const Strings before = m.Items();
  const int index = m.IndexOf("Two");
  ui::ClickItem(m.list, index);

  const std::string question = "Sure to delete profile \"f2\" from HDD ? This is cannot be undone! Be warned !";
  ui::Click(m.Button("Delete"));
  ui::Answer(ExpectBox(question, ui::Icon::Warning, "Warning", {"Yes", "No"}), "No");
  EXPECT_EQ(Folders(), (Strings{"f1", "f2", "f3"}));

  // The Delete key in the list asks the same, and Enter answers Yes, all at
  // the keyboard; the keyboard stays with the list afterwards.
  ui::Focus(m.list);
  ui::TypeKey(m.dialog, VK_DELETE);
  const ui::MsgBox box = ExpectBox(question, ui::Icon::Warning, "Warning", {"Yes", "No"});
  ui::TypeKey(box.hwnd, VK_RETURN);
  ui::WaitUntil([&] { return m.Items().size() == 2; }, "the list without the profile");
  EXPECT_EQ(Folders(), (Strings{"f1", "f3"}));
  Strings after = before;
  after.erase(after.begin() + index);
  EXPECT_EQ(m.Items(), after);
  EXPECT_EQ(ui::ListSelection(m.list), std::min(index, 1));
  ui::WaitUntil([&] { return ui::Enabled(m.list); }, "the list enabled again");
  EXPECT_EQ(ui::FocusedWindow(m.dialog), m.list);
  ui::TypeKey(m.dialog, VK_HOME);
  EXPECT_EQ(ui::ListSelection(m.list), 0);

  // Deleting the last entry leaves the new last one selected.
  ui::ClickItem(m.list, 1);
  ui::Click(m.Button("Delete"));
  ui::Answer(WaitBox(), "Yes");
  ui::WaitUntil([&] { return m.Items().size() == 1; }, "one profile left");
  EXPECT_EQ(ui::ListSelection(m.list), 0);
}

TEST_F(ProfilesTest, ModifyAndDeleteOnAnEmptyListReportTheListIndex) {
  Manager m = OpenManager();
  EXPECT_TRUE(m.Items().empty());
  EXPECT_EQ(ui::ListSelection(m.list), -1);
  ui::Click(m.Button("Modify"));
  Acknowledge("List index out of bounds (-1).", ui::Icon::Error);
  ui::Click(m.Button("Delete"));
  Acknowledge("List index out of bounds (-1).", ui::Icon::Error);
  ui::PressKey(m.list, VK_DELETE);
  Acknowledge("List index out of bounds (-1).", ui::Icon::Error);
  ExpectNoMessageBox();
  // No editor stayed behind, and the window still works.
  for (HWND w : ui::TopWindows(Pid())) EXPECT_NE(ui::Text(w), "Profile");
  Editor e = Add(m);
  ui::SetText(e.name, "");
  Press(e, "Save");
  // An empty name gets a number alone as its folder.
  EXPECT_EQ(Folders(), Strings{"0"});
  EXPECT_EQ(m.Items(), Strings{""});
}

TEST_F(ProfilesTest, AvatarChosenRemovedAndSaved) {
  const std::string wide = Picture("wide.jpg");
  Manager m = OpenManager();
  Editor e = Add(m);
  ChoosePicture(e.Button("Set"), wide);
  // 200 x 100 in the 100 x 100 box: 100 x 50, centred; the disc in the middle.
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  // The gradient runs from red at the top to blue at the bottom.
  EXPECT_TRUE(e.Shows(5, 27, RGB(0xC0, 0x39, 0x2B)));
  EXPECT_TRUE(e.Shows(5, 73, RGB(0x29, 0x80, 0xB9)));
  EXPECT_TRUE(e.Shows(50, 10, GetSysColor(COLOR_BTNFACE), 0));
  EXPECT_TRUE(e.Shows(50, 90, GetSysColor(COLOR_BTNFACE), 0));
  ui::SaveScreenshot(e.dialog, "profile_editor_avatar");
  // A profile without a stored avatar keeps a chosen picture on "Remove".
  ui::Click(e.Button("Remove"));
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  ui::SetText(e.name, "Pic");
  Press(e, "Save");
  ExpectNoMessageBox();
  EXPECT_EQ(ui::ReadFileBytes(Folder("Pic") + "\\avatar.jpg"), ui::ReadFileBytes(wide));
  EXPECT_EQ(ProfileText("Pic"), "[profile]\r\nname=Pic\r\nlogin=\r\nlocked=no\r\navatar=avatar.jpg\r\n");

  // Opened again it shows the stored avatar; "Remove" then "Cancel" keeps it.
  ui::Click(m.Button("Modify"));
  e = WaitEditor();
  ExpectNoMessageBox();
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  ui::Click(e.Button("Remove"));
  EXPECT_TRUE(e.ShowsNothing());
  Press(e, "Cancel");
  EXPECT_TRUE(ui::FileExists(Folder("Pic") + "\\avatar.jpg"));

  // "Remove" then "Save" deletes the key and the file.
  ui::Click(m.Button("Modify"));
  e = WaitEditor();
  ui::Click(e.Button("Remove"));
  Press(e, "Save");
  EXPECT_FALSE(ui::FileExists(Folder("Pic") + "\\avatar.jpg"));
  EXPECT_EQ(ProfileText("Pic"), "[profile]\r\nname=Pic\r\nlogin=\r\nlocked=no\r\n");
}

TEST_F(ProfilesTest, SmallPictureIsEnlargedAndDoubleClickChoosesToo) {
  MakeProfile("p", "[profile]\r\nname=P\r\n");
  Manager m = OpenManager();
  ui::Click(m.Button("Modify"));
  Editor e = WaitEditor();
  ui::DoubleClick(e.avatar);
  TypeIntoOpenDialog(Picture("small.jpeg"));
  // 12 x 18 fills the box's height: 67 x 100, centred across.
  ui::SaveScreenshot(e.dialog, "profile_editor_small_avatar");
  EXPECT_TRUE(e.Shows(50, 50, RGB(0xF1, 0xC4, 0x0F)));
  EXPECT_TRUE(e.Shows(22, 50, RGB(0x27, 0xAE, 0x60)));
  EXPECT_TRUE(e.Shows(8, 50, GetSysColor(COLOR_BTNFACE), 0));
  // A second choice replaces the first.
  ChoosePicture(e.Button("Set"), Picture("wide.jpg"));
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  Press(e, "Save");
  EXPECT_EQ(ui::ReadFileBytes(Folder("p") + "\\avatar.jpg"), ui::ReadFileBytes(Picture("wide.jpg")));
}

TEST_F(ProfilesTest, AvatarThatCannotBeShownOrCopied) {
  // A stored avatar named outside the profile's folder, and one whose file
  // is missing: nothing shows, the file outside is neither shown nor
  // deleted, and "Save" drops the key.
  ui::WriteFileBytes(game_ / "victim.jpg", ui::ReadFileBytes(Picture("wide.jpg")));
  MakeProfile("outside", "[profile]\r\nname=Outside\r\navatar=..\\..\\victim.jpg\r\n");
  MakeProfile("gone", "[profile]\r\nname=Gone\r\navatar=avatar.jpg\r\n");
  Manager m = OpenManager();
  for (const std::string name : {"Outside", "Gone"}) {
    SCOPED_TRACE(name);
    ui::ClickItem(m.list, m.IndexOf(name));
    ui::Click(m.Button("Modify"));
    Acknowledge("Cannot load avatar.");
    const Editor shown = WaitEditor();
    EXPECT_TRUE(shown.ShowsNothing());
    Press(shown, "Save");
    const std::string folder = name == "Gone" ? "gone" : "outside";
    EXPECT_EQ(ProfileText(folder), "[profile]\r\nname=" + name + "\r\nlogin=\r\nlocked=no\r\n");
    if (folder == "outside") ui::RemoveTree(Folder(folder));  // the one profile left below is "gone"
  }
  EXPECT_TRUE(ui::FileExists(game_ / "victim.jpg"));

  // A chosen file that does not decode: the decoder's error, and the path
  // is kept, so "Save" still copies the file.
  const std::string broken = game_ / "broken.jpg";
  ui::WriteFileBytes(broken, "\xFF\xD8\xFF\xE0 not really a JPEG");
  ui::Click(m.Button("Modify"));
  Editor e = WaitEditor();
  ui::Click(e.Button("Set"));
  TypeIntoOpenDialog(broken);
  const ui::MsgBox box = WaitBox();
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text.rfind("JPEG error #", 0), 0u) << box.text;
  EXPECT_EQ(box.text.back(), '.');
  ui::Answer(box, "OK");
  Press(e, "Save");
  EXPECT_EQ(ui::ReadFileBytes(Folder("gone") + "\\avatar.jpg"), ui::ReadFileBytes(broken));

  // A picture that is gone by the time of "Save" cannot be copied.
  const std::string fleeting = game_ / "fleeting.jpg";
  ui::WriteFileBytes(fleeting, ui::ReadFileBytes(Picture("wide.jpg")));
  ui::Click(m.Button("Modify"));
  Acknowledge("Cannot load avatar.");  // the broken file stored above
  e = WaitEditor();
  ChoosePicture(e.Button("Set"), fleeting);
  ui::RemoveTree(fleeting);
  ui::Click(e.Button("Save"));
  Acknowledge("Cannot copy avatar file to profile folder!");
  ui::WaitGone(e.dialog);
  EXPECT_EQ(ProfileText("gone"), "[profile]\r\nname=Gone\r\nlogin=\r\nlocked=no\r\n");
}


TEST_F(ProfilesTest, AvatarMenuAndHint) {
  Manager m = OpenManager();
  Editor e = Add(m);
  // Right click: "Set avatar", a separator, "Remove avatar".
  auto openMenu = [&] {
    // Activation cancels a popup menu: the editor must have settled in front.
    ui::WaitUntil([&] { return GetForegroundWindow() == e.dialog; }, "the editor in front");
    ui::Settle(e.dialog);
    SendNotifyMessageA(e.avatar, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    SendNotifyMessageA(e.avatar, WM_RBUTTONUP, 0, MAKELPARAM(50, 50));
    return ui::WaitWindowWhere(Pid(), [](HWND w) { return ui::ClassOf(w) == "#32768"; }, ui::kTimeout, "the menu");
  };
  HWND menu = openMenu();
  ui::SaveScreenshot(e.dialog, "profile_editor_menu");
  ui::PressKey(menu, VK_DOWN);  // "Set avatar"
  ui::PressKey(menu, VK_RETURN);
  TypeIntoOpenDialog(Picture("wide.jpg"));
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));

  // A picture of a profile without a stored avatar stays on "Remove avatar".
  menu = openMenu();
  ui::PressKey(menu, VK_DOWN);
  ui::PressKey(menu, VK_DOWN);  // past the separator
  ui::PressKey(menu, VK_RETURN);
  ui::WaitGone(menu);
  ui::Settle(e.dialog);
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  EXPECT_EQ(ui::FindMessageBox(Pid()), std::nullopt);

  // The hint shows while the mouse rests on the picture.
  EXPECT_EQ(ui::TipOf(Pid(), e.avatar), "Click to select an avatar");
  Press(e, "Cancel");
}

}  // namespace

namespace {

// The picture area is 100 x 100 at 16,24 of the editor, the sunken edge
// around it lying outside.
TEST_F(ProfilesTest, PictureAreaIsAHundredPixelsSquareAt16And24) {
  Manager m = OpenManager();
  Editor e = Add(m);
  RECT area{};
  GetClientRect(e.avatar, &area);
  EXPECT_EQ(area.right, 100);
  EXPECT_EQ(area.bottom, 100);
  POINT origin{0, 0};
  MapWindowPoints(e.avatar, e.dialog, &origin, 1);
  EXPECT_EQ(origin.x, 16);
  EXPECT_EQ(origin.y, 24);
  // A picture higher than wide fills the area's height, its first row to
  // its last.
  ChoosePicture(e.Button("Set"), Picture("small.jpeg"));
  for (int y : {0, 99}) EXPECT_TRUE(e.Shows(50, y, RGB(0x27, 0xAE, 0x60)));
  ui::SaveScreenshot(e.dialog, "profile_editor_picture_area");
  Press(e, "Cancel");
}

// Only a double-click chooses a picture; one click neither opens the
// picture dialog nor changes the picture shown.
TEST_F(ProfilesTest, SingleClickOnThePictureDoesNothing) {
  Editor e = ModifyWithStoredAvatar("[profile]\r\nname=P\r\navatar=avatar.jpg\r\n");
  ASSERT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  for (int click = 0; click < 2; ++click) {
    ui::Click(e.avatar);
    Sleep(300);  // the time a double-click may take
  }
  EXPECT_FALSE(ui::PollFor(
      [&] {
        for (HWND w : ui::TopWindows(Pid()))
          if (ui::Text(w) == "Open") return true;
        return false;
      },
      1000))
      << "a single click opened the picture dialog";
  ExpectNoMessageBox();
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  Press(e, "Save");
  EXPECT_EQ(ui::ReadFileBytes(Folder("p") + "\\avatar.jpg"), ui::ReadFileBytes(Picture("wide.jpg")));
}

// A stored avatar removed and another picture set in its place: "Save"
// stores the new picture as avatar.jpg.
TEST_F(ProfilesTest, StoredAvatarRemovedThenSetAndSaved) {
  Editor e = ModifyWithStoredAvatar("[profile]\r\nname=P\r\nlogin=p\r\nlocked=no\r\navatar=avatar.jpg\r\n");
  const Manager m(GetWindow(e.dialog, GW_OWNER));
  ASSERT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  ui::Click(e.Button("Remove"));
  EXPECT_TRUE(e.ShowsNothing());
  ChoosePicture(e.Button("Set"), Picture("small.jpeg"));
  EXPECT_TRUE(e.Shows(50, 50, RGB(0xF1, 0xC4, 0x0F)));
  Press(e, "Save");
  ExpectNoMessageBox();
  EXPECT_EQ(ui::ReadFileBytes(Folder("p") + "\\avatar.jpg"), ui::ReadFileBytes(Picture("small.jpeg")));
  EXPECT_EQ(ProfileText("p"), "[profile]\r\nname=P\r\nlogin=p\r\nlocked=no\r\navatar=avatar.jpg\r\n");
  // Opened again, the new picture shows.
  ui::Click(m.Button("Modify"));
  e = WaitEditor();
  EXPECT_TRUE(e.Shows(50, 50, RGB(0xF1, 0xC4, 0x0F)));
  Press(e, "Cancel");
}

// A stored avatar named in other letters than the file's own is the file
// already in place: "Save" keeps it without a word, rather than failing to
// copy it onto itself and dropping it.
TEST_F(ProfilesTest, StoredAvatarUnderAnotherSpellingIsKept) {
  Editor e = ModifyWithStoredAvatar("[profile]\r\nname=P\r\navatar=AVATAR.JPG\r\n");
  ExpectNoMessageBox();
  EXPECT_TRUE(e.Shows(50, 50, RGB(255, 255, 255)));
  Press(e, "Save");
  ExpectNoMessageBox();
  EXPECT_EQ(ui::ReadFileBytes(Folder("p") + "\\avatar.jpg"), ui::ReadFileBytes(Picture("wide.jpg")));
  // The key now names the file as it is spelt, in its place.
  EXPECT_EQ(ProfileText("p"), "[profile]\r\nname=P\r\navatar=avatar.jpg\r\nlogin=\r\nlocked=no\r\n");
}

}  // namespace
