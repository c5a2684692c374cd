#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Installation.h"
#include "ProfileStore.h"
#include "toolkit/Form.h"
#include "toolkit/IniFile.h"

class TFProfile;

// "Profile Manager": lists the player profiles of the installation and adds,
// modifies and deletes them. Each Add and Modify edits the values in a
// profile editor created for that one use.
class TFProfileManager : public Form {
 public:
  explicit TFProfileManager(const Installation& installation);
  ~TFProfileManager() override;

  // Rebuilds the list from disk and selects the first profile.
  void RefreshProfiles();

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void FormCreate();
  void bAddClick();
  void bModyfiClick();
  void lbSupportDblClick();
  void bDelClick();
  void lbSupportKeyUp(WPARAM key);
  void bExitClick();

  void AddProfile(TFProfile& editor);
  void ModifyProfile(TFProfile& editor);
  // Destroys the editor, releases the profile file and rebuilds the list:
  // the end of every Add and Modify, errors included.
  void EndEdit(std::unique_ptr<TFProfile>& editor);
  INT_PTR ShowEditor(TFProfile& editor);
  void SaveProfile(TFProfile& editor);
  bool NameExists(const std::string& name) const;
  // The selected index; throws "List index out of bounds (-1)" when nothing
  // is selected.
  int SelectedIndex() const;
  void SelectIndex(int index);

  // The profiles behind the visible list, entry for entry: the display name
  // shown and the folder it was read from.
  std::vector<ProfileStore::Entry> FProfiles;
  std::unique_ptr<IniFile> FProfileIni;
  std::wstring FProfileFile;
  Installation installation_;
};

extern TFProfileManager* FProfileManager;
