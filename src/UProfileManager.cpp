#include "UProfileManager.h"

#include <commctrl.h>

#include <algorithm>

#include "UProfile.h"
#include "core/ProfileNames.h"
#include "core/Text.h"
#include "forms/UProfileManager.rh"
#include "toolkit/Application.h"
#include "toolkit/BackgroundClear.h"
#include "toolkit/Error.h"
#include "toolkit/WideText.h"

TFProfileManager* FProfileManager = nullptr;

namespace {

// Sent by the list box to the window for every key released in it.
constexpr UINT WM_LISTKEYUP = WM_APP + 1;
constexpr UINT_PTR kListSubclassId = 1;

// A list box tells its parent of clicks but not of keys; the subclass passes
// key releases on as a message of the window, so that the window's handler
// runs inside the dialog procedure, the one place that reports errors.
LRESULT CALLBACK ListKeyProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_KEYUP) SendMessageA(GetParent(list), WM_LISTKEYUP, wParam, 0);
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(list, ListKeyProc, kListSubclassId);
  return DefSubclassProc(list, msg, wParam, lParam);
}

// Takes the list's key subclass off, and puts it back however refilling ends.
class KeysOff {
 public:
  explicit KeysOff(HWND list) : list_(list) { RemoveWindowSubclass(list_, ListKeyProc, kListSubclassId); }
  ~KeysOff() { SetWindowSubclass(list_, ListKeyProc, kListSubclassId, 0); }
  KeysOff(const KeysOff&) = delete;
  KeysOff& operator=(const KeysOff&) = delete;

 private:
  HWND list_;
};

// Turns the list's repainting off while it is refilled, and back on however
// refilling ends.
class RedrawOff {
 public:
  explicit RedrawOff(HWND window) : window_(window) { SendMessageA(window_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND window_;
};

constexpr char kLineBreak[] = "A name or login cannot hold a line break.";

std::string CheckNewProfile(const ProfileStore::Values& values) {
  if (HoldsLineBreak(values.name) || HoldsLineBreak(values.login)) return kLineBreak;
  return ProfileStore::NewProfileNameProblem(values.name);
}

std::string CheckProfile(const ProfileStore::Values& values) {
  return HoldsLineBreak(values.name) || HoldsLineBreak(values.login) ? kLineBreak : std::string();
}

}  // namespace

TFProfileManager::TFProfileManager(const Installation& installation)
    : Form(IDD_PROFILEMANAGER), installation_(installation) {}

TFProfileManager::~TFProfileManager() = default;

bool TFProfileManager::OnInit() {
  SendMessageA(Handle(), DM_SETDEFID, IDC_bExit, 0);
  SetWindowSubclass(Item(IDC_lbSupport), ListKeyProc, kListSubclassId, 0);
  FormCreate();
  return true;
}

bool TFProfileManager::OnCommand(int id, int code, HWND) {
  if (id == IDC_lbSupport) {
    if (code == LBN_DBLCLK) lbSupportDblClick();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_bAdd: bAddClick(); return true;
    case IDC_bModyfi: bModyfiClick(); return true;
    case IDC_bDel: bDelClick(); return true;
    case IDC_bExit: bExitClick(); return true;
  }
  return false;
}

bool TFProfileManager::OnMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result) {
  if (msg != WM_LISTKEYUP) return false;
  lbSupportKeyUp(wParam);
  result = 0;
  return true;
}

void TFProfileManager::FormCreate() { RefreshProfiles(); }

void TFProfileManager::RefreshProfiles() {
  HWND list = Item(IDC_lbSupport);
  {
    // Under Wine every message through a SetWindowSubclass hook costs several
    // server round trips; the key hook is off while thousands of entries go in.
    KeysOff keysOff(list);
    RedrawOff quiet(list);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    FProfiles = ProfileStore::Enumerate(installation_.Dir());
    size_t bytes = 0;
    for (const auto& profile : FProfiles) bytes += profile.name.size() + 1;
    SendMessageA(list, LB_INITSTORAGE, FProfiles.size(), bytes);
    for (size_t i = 0; i < FProfiles.size(); ++i) {
      const LRESULT added = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FProfiles[i].name.c_str()));
      // A list out of memory (LB_ERRSPACE) holds fewer entries; the pairs
      // behind it must stay entry for entry with what it shows.
      if (added < 0) {
        FProfiles.resize(i);
        break;
      }
    }
  }
  SendMessageA(list, LB_SETCURSEL, 0, 0);
}

int TFProfileManager::SelectedIndex() const {
  const auto index = static_cast<int>(SendDlgItemMessageA(Handle(), IDC_lbSupport, LB_GETCURSEL, 0, 0));
  if (index < 0 || index >= static_cast<int>(FProfiles.size()))
    throw Error::Format("List index out of bounds (%d)", index);
  return index;
}

void TFProfileManager::SelectIndex(int index) {
  // When the last profile was deleted its place lies past the end: the one
  // before it, now last, is selected.
  const int last = static_cast<int>(FProfiles.size()) - 1;
  SendDlgItemMessageA(Handle(), IDC_lbSupport, LB_SETCURSEL, std::min(index, last), 0);
}

bool TFProfileManager::NameExists(const std::string& name) const {
  // Only a-z fold: "anna" matches "Anna", "\xE1nna" does not.
  const std::string wanted = UpperAscii(name);
  for (const auto& profile : FProfiles)
    if (UpperAscii(profile.name) == wanted) return true;
  return false;
}

INT_PTR TFProfileManager::ShowEditor(TFProfile& editor) {
  InstanceGuard<TFProfile> guard(FProfile, &editor);
  return editor.ShowModal(Handle());
}

void TFProfileManager::EndEdit(std::unique_ptr<TFProfile>& editor) {
  editor.reset();
  FProfileIni.reset();
  RefreshProfiles();
}

void TFProfileManager::bAddClick() {
  auto editor = std::make_unique<TFProfile>(CheckNewProfile);
  try {
    AddProfile(*editor);
  } catch (...) {
    EndEdit(editor);
    throw;
  }
  EndEdit(editor);
}

void TFProfileManager::AddProfile(TFProfile& editor) {
  if (ShowEditor(editor) != IDYES) return;
  const std::string name = editor.Values().name;
  if (NameExists(name)) {
    Application::Message("Cannot create this profile because there already exists profile with this name");
    return;
  }
  FProfileFile = ProfileStore::NewProfileFile(installation_.Dir(), name);
  ProfileStore::CreateProfileFolder(FProfileFile);
  FProfileIni = std::make_unique<IniFile>(FProfileFile);
  SaveProfile(editor);
}

void TFProfileManager::bModyfiClick() {
  auto editor = std::make_unique<TFProfile>(CheckProfile);
  try {
    ModifyProfile(*editor);
  } catch (...) {
    EndEdit(editor);
    throw;
  }
  EndEdit(editor);
}

void TFProfileManager::ModifyProfile(TFProfile& editor) {
  const std::wstring folder = FProfiles[SelectedIndex()].folder;
  FProfileFile = ProfileStore::ProfileFile(installation_.Dir(), folder);
  FProfileIni = std::make_unique<IniFile>(FProfileFile);
  editor.Load(ProfileStore::Read(*FProfileIni), FProfileFile);
  if (ShowEditor(editor) == IDYES) SaveProfile(editor);
}

void TFProfileManager::SaveProfile(TFProfile& editor) {
  ProfileStore::Values values = editor.Values();
  if (ProfileStore::Save(*FProfileIni, values) == ProfileStore::SaveOutcome::AvatarNotCopied)
    Application::Message(ProfileStore::kAvatarCopyFailed);
}

void TFProfileManager::lbSupportDblClick() { bModyfiClick(); }

void TFProfileManager::bDelClick() {
  const int index = SelectedIndex();
  const std::wstring folder = FProfiles[index].folder;
  if (!Application::ConfirmWarning("Sure to delete profile \"" + FromWide(folder) +
                                   "\" from HDD ? This is cannot be undone! Be warned !"))
    return;
  // A large profile folder takes a while under Wine; the window stays alive
  // and counts meanwhile.
  ProfileStore::Delete(installation_.Dir(), folder, [this](const HeldFolder& held) {
    (void)ClearInBackground(*this, [&](ClearControl& control) { return ClearHeldFolder(held, &control); }, false);
  });
  RefreshProfiles();
  SelectIndex(index);
}

void TFProfileManager::lbSupportKeyUp(WPARAM key) {
  if (key == VK_DELETE) bDelClick();
}

void TFProfileManager::bExitClick() { Close(IDCANCEL); }
