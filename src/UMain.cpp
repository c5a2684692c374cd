#include "UMain.h"

#include <commdlg.h>

#include "UAbout.h"
#include "UConfigure.h"
#include "UMaintenance.h"
#include "UProfileManager.h"
#include "URunSpecial.h"
#include "core/Text.h"
#include "forms/UMain.rh"
#include "forms/app.rh"
#include "toolkit/Application.h"
#include "toolkit/ButtonLabel.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/FileVersion.h"
#include "toolkit/Picture.h"
#include "toolkit/PictureBox.h"
#include "toolkit/Shell.h"

TFMain* FMain = nullptr;

const char kGameRegistryKey[] = "SOFTWARE\\Cantivox";

namespace {
const std::string kGameExe = std::string("\\") + kGameExeName;
const char kNoInstallation[] = "Wrong or none directory in registry. Please reinstall Cantivox!";
}

TFMain::TFMain() : Form(IDD_MAIN) {}

TFMain::~TFMain() = default;

bool TFMain::OnInit() {
  SetIcon(IDI_APP);
  boldFont_ = MakeBoldFont();
  SetFont(IDC_lVersion, boldFont_.Get());
  SetFont(IDC_lDefaultDir, boldFont_.Get());
  TipWholeText(IDC_lVersion);
  TipWholeText(IDC_lDefaultDir);
  ShowBanner();
  try {
    FormCreate();
  } catch (...) {
    // A registry value of the wrong type ends start-up early. With no
    // installation directory known, the tools would work on "\config.ini"
    // and "\Profiles" at the root of the current drive: they stay off.
    if (FInstallDir.empty()) DisableTools(kNoInstallation);
    throw;
  }
  return true;
}

void TFMain::ShowBanner() {
  try {
    SetPicture(Item(IDC_Image1), Picture::FromJpegResource(Application::Instance(), IDR_BANNER));
  } catch (const std::exception&) {
    // The banner is decoration: the window works without it.
  }
}

void TFMain::FormCreate() {
  Application::SetTitle(Application::Title() + " " + GetFileVersionText(Application::ExeName()));
  SetCaption(Caption() + " " + GetFileVersionText(Application::ExeName()));

  FInstallDir.clear();
  FInstallVer.clear();
  FRegistry = std::make_unique<Registry>(HKEY_LOCAL_MACHINE);
  if (FRegistry->OpenKey(kGameRegistryKey)) ReadInstallInfo();

  const std::string toolDir = ExtractFileDir(Application::ExeName());
  if (FileExists(toolDir + kGameExe)) {
    if (UpperAscii(IncludeTrailingSeparator(toolDir)) != UpperAscii(IncludeTrailingSeparator(FInstallDir))) {
      FInstallVer = "Non default installation. Cannot read version.";
      FInstallDir = toolDir;
      SetText(IDC_lVersion, FInstallVer);
      SetText(IDC_lDefaultDir, FInstallDir);
    }
  } else if (!FileExists(FInstallDir + kGameExe)) {
    Application::ErrorBox("Found path (" + FInstallDir +
                          ") to Cantivox but this directory doesnt exists! Please reinstall Cantivox.");
    DisableTools(kNoInstallation);
  }
}

void TFMain::ReadInstallInfo() {
  if (FRegistry->ValueExists("InstallDir")) FInstallDir = FRegistry->ReadString("InstallDir");
  if (FRegistry->ValueExists("InstallVer")) FInstallVer = FRegistry->ReadString("InstallVer");
  SetText(IDC_lDefaultDir, FInstallDir);
  SetText(IDC_lVersion, FInstallVer);
}

void TFMain::DisableTools(const std::string& reason) {
  for (int id : {IDC_bProfileManager, IDC_bRunSpecial, IDC_bMaintenance, IDC_bConfig, IDC_bRun})
    Enable(id, false);
  FInstallDir = reason;
  SetText(IDC_lDefaultDir, reason);
}

void TFMain::SetInstallDir(const std::string& dir) {
  FRegistry->WriteString("InstallDir", dir);
  SetText(IDC_lDefaultDir, dir);
  FInstallDir = dir;
}

std::string TFMain::GetFileVersionText(const std::string& fileName) const {
  return ::GetFileVersionText(fileName);
}

Installation TFMain::TheInstallation() const { return Installation(FInstallDir, FInstallVer); }

bool TFMain::LaunchGame(HWND owner, const std::string* parameters) const {
  return TheInstallation().LaunchGame(owner, parameters);
}

bool TFMain::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_Button1: Button1Click(); return true;
    case IDC_bProfileManager: bProfileManagerClick(); return true;
    case IDC_bConfig: bConfigClick(); return true;
    case IDC_bMaintenance: bMaintenanceClick(); return true;
    case IDC_bRunSpecial: bRunSpecialClick(); return true;
    case IDC_bRun: bRunClick(); return true;
    case IDC_bAbout: bAboutClick(); return true;
    case IDC_bExit: bExitClick(); return true;
  }
  return false;
}

// The tool buttons wrap their captions; they draw them themselves (see
// ButtonLabel.h).
bool TFMain::OnMessage(UINT msg, WPARAM, LPARAM lParam, INT_PTR& result) {
  if (msg != WM_NOTIFY) return false;
  const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
  if (header.code != NM_CUSTOMDRAW) return false;
  switch (header.idFrom) {
    case IDC_bProfileManager:
    case IDC_bConfig:
    case IDC_bMaintenance:
    case IDC_bRunSpecial:
    case IDC_bRun:
    case IDC_bAbout:
    case IDC_bExit:
      result = DrawWrappedButtonLabel(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
      return true;
  }
  return false;
}

void TFMain::OnClose() { FormClose(); }

// Exit, Esc and the close box all end the program here, with the window
// destroyed while every member is still in place.
void TFMain::FormClose() {
  FRegistry.reset();
  Destroy();
  Application::Terminate();
}

void TFMain::bExitClick() { FormClose(); }

void TFMain::bRunClick() { (void)LaunchGame(Handle(), nullptr); }

void TFMain::Button1Click() {
  if (!Application::ConfirmInformation("Application will restart after change directory. Continue ?")) return;
  std::string file;
  if (!OpenFileDialog(Handle(), "Cantivox Installation Directory|Cantivox.exe",
                      OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING | OFN_DONTADDTORECENT, file))
    return;
  const std::string dir = ExtractFileDir(file);
  if (dir == FInstallDir) return;
  if (UpperAscii(ExtractFileName(file)) != UpperAscii(kGameExeName)) {
    Application::Message("Invaild directory :). Nothing changed.");
    return;
  }
  SetInstallDir(dir);
  if (!ShellOpen(Handle(), Application::ExeName(), nullptr, nullptr, SW_SHOWNORMAL)) {
    // Ending now would leave the user with no tool at all.
    Application::ErrorBox("Cantivox Tools could not be started again: " + Application::ExeName() +
                          ". The new directory is saved; start Cantivox Tools again yourself.");
    return;
  }
  FormClose();
}

void TFMain::bProfileManagerClick() { OpenTool(FProfileManager, TheInstallation()); }
void TFMain::bConfigClick() { OpenTool(FConfigure, TheInstallation()); }
void TFMain::bMaintenanceClick() { OpenTool(FMaintenance, TheInstallation()); }
void TFMain::bRunSpecialClick() { OpenTool(FRunSpecial, TheInstallation()); }
void TFMain::bAboutClick() { OpenTool(FAbout); }
