#include "UProfile.h"

#include <commctrl.h>

#include "forms/UProfile.rh"
#include "toolkit/Application.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"
#include "toolkit/Picture.h"
#include "toolkit/PictureBox.h"
#include "toolkit/PictureDialog.h"
#include "toolkit/WideText.h"

TFProfile* FProfile = nullptr;

TFProfile::TFProfile(Check check) : Form(IDD_PROFILE), FCheck(std::move(check)) {}

void TFProfile::Load(const ProfileStore::Values& values, const std::wstring& profileFile) {
  FProfileFile = profileFile;
  FName = values.name;
  FLogin = values.login;
  FLocked = values.locked;
  FAvatarName = values.avatarName;
  FAvatarPath.clear();
}

ProfileStore::Values TFProfile::Values() const {
  return {FName, FLogin, FLocked, FAvatarName, FAvatarPath};
}

bool TFProfile::OnInit() {
  // A single-line edit holds 30000 characters unless told otherwise.
  SendDlgItemMessageA(Handle(), IDC_eName, EM_SETLIMITTEXT, 0, 0);
  SendDlgItemMessageA(Handle(), IDC_eLogin, EM_SETLIMITTEXT, 0, 0);
  SendMessageA(Handle(), DM_SETDEFID, IDC_Button2, 0);
  SetText(IDC_eName, FName);
  SetText(IDC_eLogin, FLogin);
  SetChecked(IDC_cbLocked, FLocked);
  SetTip(IDC_iAvatar, Hint(IDC_iAvatar));
  ShowStoredAvatar();
  return true;
}

bool TFProfile::OnCommand(int id, int code, HWND) {
  if (id == IDC_iAvatar) {
    if (code == STN_DBLCLK) iAvatarDblClick();
    return true;
  }
  if (code != BN_CLICKED) return false;  // menu items arrive with code 0, as BN_CLICKED
  switch (id) {
    case IDC_Button3: Setavatar1Click(); return true;
    case IDC_Button4: RemoveAvatarClick(); return true;
    case IDM_Setavatar1: Setavatar1Click(); return true;
    case IDM_RemoveAvatar: RemoveAvatarClick(); return true;
    case IDC_Button2: Button2Click(); return true;
    case IDC_Button1: Button1Click(); return true;
  }
  return false;
}

bool TFProfile::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR&) {
  if (msg != WM_CONTEXTMENU || reinterpret_cast<HWND>(wParam) != Item(IDC_iAvatar)) return false;
  POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  // From the keyboard (Shift+F10, the menu key) the position is -1, -1.
  if (lParam == -1) {
    RECT box;
    GetWindowRect(Item(IDC_iAvatar), &box);
    at = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  }
  PopupMenu1Popup(at);
  return true;
}

void TFProfile::PopupMenu1Popup(POINT at) {
  MenuHandle menu(LoadMenuA(Application::Instance(), MAKEINTRESOURCEA(IDM_PopupMenu1)));
  if (!menu) throw Error("Cannot load the avatar menu");
  // The chosen item comes back as WM_COMMAND through OnCommand.
  TrackPopupMenu(GetSubMenu(menu.Get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

void TFProfile::ShowPicture(const std::wstring& path) {
  RECT box;
  GetClientRect(Item(IDC_iAvatar), &box);
  SetPicture(Item(IDC_iAvatar), Picture::FromFile(path, box.right, box.bottom));
}

void TFProfile::ShowStoredAvatar() {
  if (FAvatarName.empty()) return;
  // A stored name that reaches outside the profile folder is not loaded.
  if (const auto path = ProfileStore::StoredAvatarPath(FProfileFile, FAvatarName)) {
    try {
      FAvatarPath = *path;
      ShowPicture(FAvatarPath);
      return;
    } catch (const std::exception&) {
      // Missing, of a type the box does not show, or damaged: as below.
    }
  }
  // A save then drops the key "avatar" and leaves whatever file it named.
  FAvatarName.clear();
  FAvatarPath.clear();
  ClearPicture(Item(IDC_iAvatar));
  Application::Message("Cannot load avatar.");
}

void TFProfile::iAvatarDblClick() {
  std::string path;
  if (!OpenPictureDialog(Handle(), path)) return;
  // Kept even when the picture cannot be shown: "Save" still copies it.
  FAvatarPath = ToWide(path);
  ShowPicture(FAvatarPath);
}

void TFProfile::Setavatar1Click() { iAvatarDblClick(); }

void TFProfile::RemoveAvatarClick() {
  // Only a stored avatar can be removed; a picture chosen for a profile
  // without one stays and is saved.
  if (FAvatarName.empty()) return;
  ClearPicture(Item(IDC_iAvatar));
  FAvatarPath.clear();
}

void TFProfile::Button1Click() { Close(IDCANCEL); }

void TFProfile::Button2Click() {
  const ProfileStore::Values values{Text(IDC_eName), Text(IDC_eLogin), Checked(IDC_cbLocked), FAvatarName,
                                    FAvatarPath};
  if (FCheck) {
    if (const std::string problem = FCheck(values); !problem.empty()) {
      Application::Message(problem);
      // WM_NEXTDLGCTL, unlike SetFocus, keeps the default button right and
      // selects the edit's text.
      SendMessageA(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_eName)), TRUE);
      return;
    }
  }
  FName = values.name;
  FLogin = values.login;
  FLocked = values.locked;
  Close(IDYES);
}
