#pragma once
#include <functional>
#include <string>

#include "ProfileStore.h"
#include "toolkit/Form.h"

// The profile editor: name, login, the "Locked" flag and an avatar picture
// of one profile. It never touches the profile file; the manager reads the
// profile into it before showing it and saves its values when it closes
// with "Save" (modal result Yes).
class TFProfile : public Form {
 public:
  // Tells why the values cannot be saved, as a message for the user, or
  // empty text when they can. A refused "Save" keeps the window open.
  using Check = std::function<std::string(const ProfileStore::Values&)>;

  explicit TFProfile(Check check = nullptr);

  // Fills the editor with a stored profile before it is shown; the stored
  // avatar is then looked for beside `profileFile`.
  void Load(const ProfileStore::Values& values, const std::wstring& profileFile);
  // The values as they were when the window closed.
  ProfileStore::Values Values() const;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void ShowStoredAvatar();
  void ShowPicture(const std::wstring& path);
  void PopupMenu1Popup(POINT at);

  void iAvatarDblClick();
  void Setavatar1Click();
  void RemoveAvatarClick();
  void Button1Click();
  void Button2Click();

  Check FCheck;
  std::wstring FProfileFile;
  std::string FName;
  std::string FLogin;
  bool FLocked = false;
  std::string FAvatarName;
  std::wstring FAvatarPath;
};

extern TFProfile* FProfile;
