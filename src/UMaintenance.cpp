#include "UMaintenance.h"

#include "forms/UMaintenance.rh"
#include "forms/app.rh"
#include "toolkit/Application.h"
#include "toolkit/BackgroundClear.h"
#include "toolkit/DirectoryClear.h"
#include "toolkit/FileRemoval.h"
#include "toolkit/Shell.h"

TFMaintenance* FMaintenance = nullptr;

namespace {

std::string Entries(int count) { return count == 1 ? "1 entry" : std::to_string(count) + " entries"; }

// What the user reads after Temp was cleared: success only when it is true,
// otherwise what stayed and what to do about it. Files stay when the
// running game holds them open, or when the user stopped the walk.
std::string TempOutcomeText(const ClearOutcome& outcome, const std::string& path) {
  if (outcome.refused)
    return "Temp directory not cleared: " + path +
           " is not a full folder path. Put Cantivox Tools beside Cantivox.exe, or reinstall Cantivox.";
  if (outcome.Complete()) return "Temp directory cleanup complete!";
  if (outcome.stopped) return "Temp directory cleanup stopped: " + Entries(outcome.remaining) + " left.";
  const std::string text = "Temp directory cleanup incomplete: " + Entries(outcome.remaining) + " could not be deleted";
  if (outcome.links == 0) return text + ". Close Cantivox and try again.";
  // Links that Wine cannot remove as links: what they lead to is the
  // player's, and not for the tool to delete.
  return text + ", " + std::to_string(outcome.links) + (outcome.links == 1 ? " of them a link" : " of them links") +
         " to files elsewhere, which are not the game's to delete. Remove such links yourself, close Cantivox and "
         "try again.";
}

}  // namespace

TFMaintenance::TFMaintenance(const Installation& installation)
    : Form(IDD_MAINTENANCE), installation_(installation) {}

bool TFMaintenance::OnInit() {
  SetIcon(IDI_APP);
  return true;
}

bool TFMaintenance::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_bClear: bClearClick(); return true;
    case IDC_bCancel: bCancelClick(); return true;
  }
  return false;
}

// The steps run in this order and each message waits for the user. Close
// only marks the window: the handler goes on with the next step, and the
// window closes once it has returned. A clearing the user stopped ends the
// steps there.
void TFMaintenance::bClearClick() {
  if (Busy()) return;
  if (Checked(IDC_CheckBox1)) {
    const bool stopped = !ClearTempDirectory(installation_.TempDir());
    Close(IDCANCEL);
    if (stopped) return;
  }
  if (Checked(IDC_CheckBox2)) {
    DeleteCoversCache(installation_.CoversCache());
    Close(IDCANCEL);
  }
  if (!Checked(IDC_CheckBox1) && !Checked(IDC_CheckBox2)) Application::Message("Nothing checked. Not clearing.");
}

void TFMaintenance::bCancelClick() { Close(IDCANCEL); }

bool TFMaintenance::ClearTempDirectory(const std::string& path) {
  if (!DirectoryExists(path)) {
    Application::Message("Temp directory not found.");
    return true;
  }
  // A large Temp takes many seconds under Wine; the window stays alive,
  // counts, and Cancel stops the walk.
  const ClearOutcome outcome =
      ClearInBackground(*this, [&](ClearControl& control) { return ClearDirectoryTree(path, &control); }, true);
  Application::Message(TempOutcomeText(outcome, path));
  return !outcome.stopped;
}

void TFMaintenance::DeleteCoversCache(const std::string& path) {
  if (!FileExists(path)) {
    Application::Message("Covers cache not found.");
    return;
  }
  // A deletion can succeed and still leave the file in place while another
  // program keeps it open with delete sharing; only a file that is gone
  // counts as deleted.
  const Removal removal = RemoveOwnFile(path);
  if (removal == Removal::Removed && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    Application::Message("Covers cache deleted!");
  else if (removal == Removal::IsLink)
    Application::Message("Covers cache not deleted: " + path +
                         " is a link to a file elsewhere, which is not the game's to delete. Delete the link "
                         "yourself.");
  else
    Application::Message("Covers cache could not be deleted. Close Cantivox and try again.");
}
