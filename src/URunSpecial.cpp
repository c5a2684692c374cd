#include "URunSpecial.h"

#include <vector>

#include "core/LaunchParams.h"
#include "forms/URunSpecial.rh"
#include "toolkit/Application.h"
#include "toolkit/Error.h"

TFRunSpecial* FRunSpecial = nullptr;

namespace {

struct RadioGroup {
  int first;
  int last;
};

const RadioGroup kRender{IDC_rgRender_First, IDC_rgRender_Last};
const RadioGroup kRes{IDC_rgRes_First, IDC_rgRes_Last};
const RadioGroup kDetails{IDC_rgDetails_First, IDC_rgDetails_Last};
const RadioGroup kMidiDelay{IDC_rgMidiDelay_First, IDC_rgMidiDelay_Last};
const RadioGroup kWaveVol{IDC_rgWaveVol_First, IDC_rgWaveVol_Last};

std::string ClassName(HWND control) {
  char name[64] = {};
  GetClassNameA(control, name, sizeof name);
  return name;
}

bool IsButtonOfType(HWND control, LONG type) {
  return ClassName(control) == "Button" && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == type;
}

bool IsCheckBox(HWND control) {
  return IsButtonOfType(control, BS_CHECKBOX) || IsButtonOfType(control, BS_AUTOCHECKBOX) ||
         IsButtonOfType(control, BS_3STATE) || IsButtonOfType(control, BS_AUTO3STATE);
}

RECT WindowRect(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  return rect;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string ControlName(HWND control) {
  char text[128] = {};
  GetWindowTextA(control, text, sizeof text);
  return text;
}

}  // namespace

TFRunSpecial::TFRunSpecial(const Installation& installation)
    : Form(IDD_RUNSPECIAL), installation_(installation) {}

bool TFRunSpecial::OnInit() {
  // Radio buttons have no checked state in a dialog template.
  for (const RadioGroup& group : {kRender, kRes, kDetails, kMidiDelay, kWaveVol})
    SetRadioIndex(group.first, group.last, 0);
  return true;
}

bool TFRunSpecial::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_bRun: bRunClick(); return true;
    case IDC_bCancel: bCancelClick(); return true;
  }
  return false;
}

std::string TFRunSpecial::ComposeParameters() const {
  auto choice = [this](const RadioGroup& group) {
    const int index = RadioIndex(group.first, group.last);
    return RadioChoice{index, index >= 0 ? Text(group.first + index) : std::string()};
  };
  LaunchChoices choices;
  choices.renderer = choice(kRender);
  choices.resolution = choice(kRes);
  choices.midiDelay = choice(kMidiDelay);
  choices.waveVolume = choice(kWaveVol);
  choices.filtering = choice(kDetails);
  choices.switches = CheckedSwitches();
  return ComposeLaunchParameters(choices);
}

std::string TFRunSpecial::Tag(int id) const { return Hint(CV_TAG(id)); }

// The switches of the checked boxes: the switch groups in control order, and
// in each the check boxes inside its rectangle in control order (a Win32
// group box is no parent; its members are the controls it encloses). Adding
// a switch takes a check box in one of these groups and its string, nothing
// here.
std::vector<std::string> TFRunSpecial::CheckedSwitches() const {
  std::vector<std::string> switches;
  for (HWND group = GetWindow(Handle(), GW_CHILD); group; group = GetWindow(group, GW_HWNDNEXT)) {
    if (Tag(GetDlgCtrlID(group)) != CV_SWITCH_GROUP) continue;
    if (!IsButtonOfType(group, BS_GROUPBOX))
      throw Error::Format("Switch group '%s' is not a group box", ControlName(group).c_str());
    const RECT area = WindowRect(group);
    for (HWND item = GetWindow(Handle(), GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
      if (item == group || !Contains(area, WindowRect(item))) continue;
      if (!IsCheckBox(item))
        throw Error::Format("'%s' in switch group '%s' is not a check box", ControlName(item).c_str(),
                            ControlName(group).c_str());
      if (SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED) switches.push_back(Hint(GetDlgCtrlID(item)));
    }
  }
  return switches;
}

void TFRunSpecial::bRunClick() {
  const std::string parameters = ComposeParameters();
  // The break is LF followed by CR, not CR LF; the box breaks the line at it
  // all the same.
  const std::string question = parameters.empty()
                                   ? "Cantivox will run with default parametrs!"
                                   : "Cantivox will run with this parametrs:\n\r" + parameters;
  if (!Application::ConfirmInformation(question)) return;
  (void)installation_.LaunchGame(Handle(), &parameters);
}

void TFRunSpecial::bCancelClick() { Close(IDCANCEL); }
