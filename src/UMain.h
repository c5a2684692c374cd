#pragma once
#include <memory>
#include <string>

#include "toolkit/DirectoryClear.h"
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

  std::string GetFileVersionText(const std::string& fileName) const;
  // Starts the game from the installation directory through the shell, on
  // behalf of `owner`, without waiting for it. When the shell cannot start
  // it, says so in the error box and returns false.
  [[nodiscard]] bool LaunchGame(HWND owner, const std::string* parameters) const;
  // Empties a directory and keeps it; see ClearDirectoryTree.
  ClearOutcome ClearDirectory(const std::string& directory) const;

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
  template <typename T>
  void OpenTool(T*& instance) {
    auto form = std::make_unique<T>();
    InstanceGuard<T> guard(instance, form.get());
    form->ShowModal(Handle());
  }

  std::unique_ptr<Registry> FRegistry;
  std::string FInstallDir;
  std::string FInstallVer;
  GdiObject boldFont_;
};

extern TFMain* FMain;

// Where the game's installer records the installation.
extern const char kGameRegistryKey[];
