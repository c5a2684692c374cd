#include "UConfigure.h"

#include "core/ConfigValues.h"
#include "core/ProfileNames.h"
#include "forms/UConfigure.rh"
#include "forms/app.rh"
#include "toolkit/Application.h"
#include "toolkit/Error.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/Shell.h"

TFConfigure* FConfigure = nullptr;

namespace {

const char kGraphics[] = "Graphics";
const char kPath[] = "Path";
const char kNet[] = "Net";
const char kDefaultSongs[] = "Default";

}  // namespace

TFConfigure::TFConfigure(const Installation& installation) : Form(IDD_CONFIGURE), installation_(installation) {}

TFConfigure::~TFConfigure() = default;

bool TFConfigure::OnInit() {
  SetIcon(IDI_APP);
  boldFont_ = MakeBoldFont();
  SetFont(IDC_lSongsDir, boldFont_.Get());
  TipWholeText(IDC_lSongsDir);
  // Radio buttons cannot be checked by their template.
  SetRadioIndex(IDC_rbMonitor1, IDC_rbMonitor2, 0);
  SetRadioIndex(IDC_rbFullON, IDC_rbFullOFF, 0);
  SetRadioIndex(IDC_rbStable, IDC_rbDeveloper, 0);
  FormCreate();
  return true;
}

void TFConfigure::OnDestroy() { FormDestroy(); }

void TFConfigure::FormCreate() {
  SetText(IDC_eResW, std::to_string(GetSystemMetrics(SM_CXSCREEN)));
  SetText(IDC_eResH, std::to_string(GetSystemMetrics(SM_CYSCREEN)));
  ReadSettings();
}

void TFConfigure::FormDestroy() { FConfig.reset(); }

std::string TFConfigure::ConfigPath() const { return installation_.ConfigFile(); }

// Values that are missing or cannot be used leave what the window shows.
void TFConfigure::ReadSettings() {
  FConfig = std::make_unique<IniFile>(ConfigPath());
  const int32_t screens = FConfig->ReadInteger(kGraphics, "Screens", -1);
  if (screens == 1 || screens == 2) SetRadioIndex(IDC_rbMonitor1, IDC_rbMonitor2, screens - 1);
  if (const auto fullScreen = ParseFullScreen(FConfig->ReadString(kGraphics, "FullScreen", "")))
    SetRadioIndex(IDC_rbFullON, IDC_rbFullOFF, *fullScreen ? 0 : 1);
  if (const auto resolution = SplitResolution(FConfig->ReadString(kGraphics, "Resolution", ""))) {
    SetText(IDC_eResW, resolution->width);
    SetText(IDC_eResH, resolution->height);
  }
  SetText(IDC_lSongsDir, FConfig->ReadString(kPath, "Songs", kDefaultSongs));
  // Developer is selected when stored, though the user cannot pick it.
  const int32_t channel = FConfig->ReadInteger(kNet, "UpdateChannel", 0);
  if (channel >= 0 && channel <= 2) SetRadioIndex(IDC_rbStable, IDC_rbDeveloper, channel);
}

// Each key is written at once; a failed write ends Save there, leaving the
// keys before it written.
void TFConfigure::WriteSettings() {
  FConfig->WriteString(kGraphics, "Resolution", JoinResolution(Text(IDC_eResW), Text(IDC_eResH)));
  const std::string songs = Text(IDC_lSongsDir);
  if (songs == kDefaultSongs) {
    FConfig->DeleteKey(kPath, "Songs");
  } else {
    // A folder name with a line break (a Linux name under Wine may hold one)
    // would add a line of its own, which the game reads as something else.
    // Save stops here, as at a failed write.
    if (HoldsLineBreak(songs))
      throw Error("The Songs directory holds a line break, which config.ini cannot store. Choose a folder whose "
                  "name has no line break, or press Set default");
    FConfig->WriteString(kPath, "Songs", songs);
  }
  if (const int fullScreen = RadioIndex(IDC_rbFullON, IDC_rbFullOFF); fullScreen >= 0)
    FConfig->WriteString(kGraphics, "FullScreen", fullScreen == 0 ? "On" : "Off");
  if (const int screens = RadioIndex(IDC_rbMonitor1, IDC_rbMonitor2); screens >= 0)
    FConfig->WriteInteger(kGraphics, "Screens", screens + 1);
  if (const int channel = RadioIndex(IDC_rbStable, IDC_rbDeveloper); channel >= 0)
    FConfig->WriteInteger(kNet, "UpdateChannel", channel);
}

bool TFConfigure::OnCommand(int id, int code, HWND) {
  if (code == EN_KILLFOCUS) {
    switch (id) {
      case IDC_eResW: eResWExit(); return true;
      case IDC_eResH: eResHExit(); return true;
    }
    return false;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_rbStable: rbChannelClick(id); return true;
    case IDC_rbExperimental: rbChannelClick(id); return true;
    case IDC_bSongsDir: bSongsDirClick(); return true;
    case IDC_bSetDefSongsDir: bSetDefSongsDirClick(); return true;
    case IDC_bResetSettings: bResetSettingsClick(); return true;
    case IDC_bSave: bSaveClick(); return true;
    case IDC_bClose: bCloseClick(); return true;
  }
  return false;
}

void TFConfigure::eResWExit() { CheckResolutionEdit(IDC_eResW); }

void TFConfigure::eResHExit() { CheckResolutionEdit(IDC_eResH); }

// EN_KILLFOCUS comes once the focus has moved. The check answers the user
// going on to another control of this window. It stays quiet when the focus
// left the window (another program, the window closing, or its own message
// box, which would otherwise check the second edit as soon as the first one's
// box opens) and when it went to Cancel, which throws the text away anyway.
bool TFConfigure::FocusWentToAnotherControl() const {
  HWND focus = GetFocus();
  return focus && IsChild(Handle(), focus) && focus != Item(IDC_bClose);
}

void TFConfigure::CheckResolutionEdit(int id) {
  if (!FocusWentToAnotherControl()) return;
  const std::string problem = ResolutionProblem(Text(id));
  if (problem.empty()) return;
  if (FConfig)
    if (const auto stored = SplitResolution(FConfig->ReadString(kGraphics, "Resolution", "")))
      SetText(id, id == IDC_eResW ? stored->width : stored->height);
  Application::Message(problem);
}

// An auto radio button clears only the enabled buttons of its group, and
// Developer is disabled though the file may select it.
void TFConfigure::rbChannelClick(int id) { SetRadioIndex(IDC_rbStable, IDC_rbDeveloper, id - IDC_rbStable); }

void TFConfigure::bSongsDirClick() {
  std::string folder;
  if (BrowseForFolder(Handle(), "Select new Songs directory", folder)) SetText(IDC_lSongsDir, folder);
}

void TFConfigure::bSetDefSongsDirClick() { SetText(IDC_lSongsDir, kDefaultSongs); }

void TFConfigure::bResetSettingsClick() {
  if (!Application::ConfirmWarningYesAbort("This option will remove file config.ini from your computer and close "
                                           "this window. Run Cantivox to recreate it."))
    return;
  FConfig.reset();
  // A file that stays (read-only, or held by the game) is reported, and the
  // window stays open on it.
  const Removal removal = RemoveOwnFile(ConfigPath());
  if (removal != Removal::Removed || FileExists(ConfigPath())) {
    FConfig = std::make_unique<IniFile>(ConfigPath());
    Application::ErrorBox(removal == Removal::IsLink
                              ? "config.ini could not be deleted: " + ConfigPath() +
                                    " is a link to a file elsewhere, which is not the game's to delete. Delete "
                                    "the link yourself."
                              : "config.ini could not be deleted: " + ConfigPath() +
                                    ". Close Cantivox, make sure the file is not read-only, and try again.");
    return;
  }
  Close(IDABORT);
}

void TFConfigure::bSaveClick() {
  WriteSettings();
  Close(IDOK);
}

void TFConfigure::bCloseClick() { Close(IDCANCEL); }
