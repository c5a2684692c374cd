#pragma once
#include <memory>
#include <string>

#include "Installation.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Registry.h"

// The main window: the game's installation record and the row of tools.
class TFMain : public Form {
 public:
  TFMain();
  ~TFMain() override;

  const std::string& InstallDir() const { return FInstallDir; }
  const std::string& InstallVer() const { return FInstallVer; }
  // What the tool windows are handed: the installation as settled now.
  Installation TheInstallation() const;

  std::string GetFileVersionText(const std::string& fileName) const;
  // Installation::LaunchGame for the installation as settled now.
  [[nodiscard]] bool LaunchGame(HWND owner, const std::string* parameters) const;

 protected:
  bool OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnClose() override;

 private:
  void FormCreate();
  void FormClose();
  void ReadInstallInfo();
  void DisableTools(const std::string& reason);
  void SetInstallDir(const std::string& dir);
  void ShowBanner();

  void Button1Click();
  void bRunClick();
  void bExitClick();
  void bProfileManagerClick();
  void bConfigClick();
  void bMaintenanceClick();
  void bRunSpecialClick();
  void bAboutClick();

  // Creates a tool window owned by this one, stores it in its global
  // instance variable, shows it modally and destroys it however showing
  // ends.
  template <typename T, typename... Args>
  void OpenTool(T*& instance, Args&&... args) {
    T form(std::forward<Args>(args)...);
    InstanceGuard<T> guard(instance, &form);
    form.ShowModal(Handle());
  }

  std::unique_ptr<Registry> FRegistry;
  std::string FInstallDir;
  std::string FInstallVer;
  FontHandle boldFont_;
};

extern TFMain* FMain;

// Where the game's installer records the installation.
extern const char kGameRegistryKey[];
