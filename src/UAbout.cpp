#include "UAbout.h"

#include <algorithm>
#include <string>

#include "core/ColourEffect.h"
#include "forms/UAbout.rh"
#include "toolkit/Application.h"
#include "toolkit/FileVersion.h"

TFAbout* FAbout = nullptr;

namespace {

// A label is a Static control that shows text; pictures, frames and the like
// are Static controls as well but do not count.
bool IsLabel(HWND control) {
  char name[16] = {};
  GetClassNameA(control, name, sizeof name);
  if (std::string(name) != "Static") return false;
  switch (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return true;
  }
  return false;
}

}  // namespace

TFAbout::TFAbout()
    : Form(IDD_ABOUT),
      magic_([this](uint32_t period) { SetTimer(Handle(), IDT_tMagicColor, period, nullptr); },
             [this] { KillTimer(Handle(), IDT_tMagicColor); }) {}

bool TFAbout::OnInit() {
  for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsLabel(child)) labels_.push_back(child);
  colours_.assign(labels_.size(), GetSysColor(COLOR_WINDOWTEXT));
  SetFonts();
  FormCreate();
  return true;
}

void TFAbout::SetFonts() {
  bigFont_ = MakeBoldFont(16);
  titleFont_ = MakeBoldFont(32);
  const auto big = reinterpret_cast<WPARAM>(bigFont_.Get());
  SendDlgItemMessageA(Handle(), IDC_lVersion, WM_SETFONT, big, FALSE);
  SendDlgItemMessageA(Handle(), IDC_Label4, WM_SETFONT, big, FALSE);
  SendDlgItemMessageA(Handle(), IDC_Label3, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.Get()), FALSE);
}

void TFAbout::FormCreate() { SetText(IDC_lVersion, GetFileVersionText(Application::ExeName())); }

void TFAbout::OnDestroy() {
  KillTimer(Handle(), IDT_tMagicColor);
}

bool TFAbout::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_bMagic: bMagicClick(); return true;
    case IDC_bOK: bOKClick(); return true;
  }
  return false;
}

void TFAbout::OnTimer(UINT_PTR id) {
  if (id == IDT_tMagicColor) tMagicColorTimer();
}

void TFAbout::bMagicClick() { magic_.Toggle(); }

// Closing only marks the window: a pass under way finishes its labels, and
// the window is destroyed once the pass has returned.
void TFAbout::bOKClick() { Close(IDCANCEL); }

// One pass of the colour effect. Each label is repainted before the next one
// changes, so the pass lets the message loop run in between; a tick that
// arrives meanwhile is passed over. Should the window be destroyed under a
// pass, the remaining labels are left alone.
void TFAbout::tMagicColorTimer() {
  magic_.Tick([this] {
    ColourPass(labels_.size(), [this](size_t label, const LabelTint& tint) {
      if (!Handle()) return;
      colours_[label] = static_cast<COLORREF>(tint.colour);
      InvalidateRect(labels_[label], nullptr, TRUE);
      magic_.SetInterval(tint.interval);
      Application::ProcessMessages();
    });
  });
}

HBRUSH TFAbout::LabelColours(HWND control, HDC dc) const {
  const auto it = std::find(labels_.begin(), labels_.end(), control);
  if (it == labels_.end()) return nullptr;
  SetTextColor(dc, colours_[static_cast<size_t>(it - labels_.begin())]);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

bool TFAbout::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (msg != WM_CTLCOLORSTATIC) return false;
  HBRUSH brush = LabelColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
  if (!brush) return false;
  result = reinterpret_cast<INT_PTR>(brush);
  return true;
}
