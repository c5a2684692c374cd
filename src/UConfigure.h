#pragma once
#include <memory>
#include <string>

#include "Installation.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/IniFile.h"

// The configuration window: five of the game's settings in its config.ini,
// read when the window opens and written by Save, and the reset that deletes
// the file.
class TFConfigure : public Form {
 public:
  explicit TFConfigure(const Installation& installation);
  ~TFConfigure() override;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnDestroy() override;

 private:
  void FormCreate();
  void FormDestroy();
  void ReadSettings();
  void WriteSettings();
  std::string ConfigPath() const;

  void eResWExit();
  void eResHExit();
  void CheckResolutionEdit(int id);
  bool FocusWentToAnotherControl() const;
  void rbChannelClick(int id);
  void bSongsDirClick();
  void bSetDefSongsDirClick();
  void bResetSettingsClick();
  void bSaveClick();
  void bCloseClick();

  Installation installation_;
  std::unique_ptr<IniFile> FConfig;
  FontHandle boldFont_;
};

extern TFConfigure* FConfigure;
