#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "Support.h"
#include "picture_test.rh"
#include "toolkit/PictureBox.h"
#include "toolkit/PictureDialog.h"
#include "toolkit/PictureDialog.rh"

namespace {

using namespace support;

// The dialog is modal, so the test acts from a thread timer that fires in the
// dialog's own message loop, one step per tick, as a user would.
struct Script {
  std::vector<std::string> select;  // list items to select in turn
  std::string typed;                // then typed into the name field with Enter
  bool cancel = false;              // or the dialog is cancelled
  size_t step = 0;
  int ticks = 0;
  bool previewFound = false;
  std::vector<std::string> sizes;  // the preview's label after each selection
  std::vector<bool> shown;         // whether it showed a picture
};
Script g_script;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (IsWindowVisible(window) && lstrcmpA(name, "#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

bool Select(HWND dialog, const std::string& name) {
  HWND view = FindWindowExA(dialog, nullptr, "SHELLDLL_DefView", nullptr);
  HWND list = FindWindowExA(view, nullptr, "SysListView32", nullptr);
  if (!list) return false;
  int index = -1;
  // Depending on the shell's settings the list shows names with or without
  // their extension.
  for (std::string shown : {name, name.substr(0, name.rfind('.'))}) {
    LVFINDINFOA find{};
    find.flags = LVFI_STRING;
    find.psz = shown.c_str();
    index = static_cast<int>(SendMessageA(list, LVM_FINDITEMA, -1, reinterpret_cast<LPARAM>(&find)));
    if (index >= 0) break;
  }
  if (index < 0) return false;
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&item));
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  return true;
}

// What the preview shows after the selection of the given step.
void RecordPreview(HWND pane, size_t step) {
  char size[64] = "";
  GetDlgItemTextA(pane, IDC_lPreviewSize, size, sizeof size);
  g_script.sizes.resize(g_script.select.size());
  g_script.shown.resize(g_script.select.size());
  g_script.sizes[step] = size;
  g_script.shown[step] = HasPicture(GetDlgItem(pane, IDC_iPreview));
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = g_script;
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  if (++s.ticks > 200) {  // give up rather than hang the test run
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  HWND pane = FindWindowExA(dialog, nullptr, "#32770", nullptr);
  HWND preview = pane ? GetDlgItem(pane, IDC_iPreview) : nullptr;
  char name[32] = "";
  if (preview) GetClassNameA(preview, name, sizeof name);
  s.previewFound = lstrcmpiA(name, kPictureBoxClass) == 0;

  if (s.step > s.select.size()) return;  // done; the dialog is closing
  if (s.step > 0 && pane) RecordPreview(pane, s.step - 1);
  if (s.step < s.select.size()) {
    if (Select(dialog, s.select[s.step])) ++s.step;
    return;
  }
  if (s.cancel) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  } else {
    HWND field = GetDlgItem(dialog, cmb13);
    if (!field) field = GetDlgItem(dialog, edt1);
    SetWindowTextA(field, s.typed.c_str());
    HWND edit = FindWindowExA(field, nullptr, "Edit", nullptr);
    if (!edit) edit = field;
    SetFocus(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
  }
  s.step = s.select.size() + 1;
}

class PictureDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE self = GetModuleHandleA(nullptr);
    HRSRC banner = FindResourceA(self, MAKEINTRESOURCEA(IDR_TEST_BANNER), RT_RCDATA);
    WriteBytes(dir_ + "\\banner.jpg", std::string(static_cast<const char*>(LockResource(LoadResource(self, banner))),
                                                 SizeofResource(self, banner)));
    WriteBytes(dir_ + "\\broken.jpg", "\x89PNG\r\n\x1A\n");
  }
  bool Run(Script script, std::string& path) {
    g_script = std::move(script);
    UINT_PTR timer = SetTimer(nullptr, 0, 50, Tick);
    bool chosen = OpenPictureDialog(nullptr, path);
    KillTimer(nullptr, timer);
    return chosen;
  }
  TempFolder scratch_{"picture-dialog"};
  const std::string dir_ = scratch_.Path();
};

TEST_F(PictureDialogTest, PreviewFollowsTheSelectionAndATypedPathIsTaken) {
  std::string path = dir_ + "\\broken.jpg";  // where the dialog starts
  std::string typed = dir_ + "\\banner.jpg";
  Script script;
  script.select = {"banner.jpg", "broken.jpg"};
  script.typed = typed;
  ASSERT_TRUE(Run(script, path));
  EXPECT_EQ(path, typed);
  EXPECT_TRUE(g_script.previewFound);
  ASSERT_EQ(g_script.sizes.size(), 2u);
  EXPECT_EQ(g_script.sizes[0], "665 x 65");
  EXPECT_TRUE(g_script.shown[0]);
  // A file that does not decode leaves the preview empty.
  EXPECT_EQ(g_script.sizes[1], "");
  EXPECT_FALSE(g_script.shown[1]);
}

TEST_F(PictureDialogTest, CancelLeavesThePathAlone) {
  std::string path = dir_ + "\\banner.jpg";
  Script script;
  script.cancel = true;
  EXPECT_FALSE(Run(script, path));
  EXPECT_EQ(path, dir_ + "\\banner.jpg");
}

}  // namespace
