#include "toolkit/Form.h"

#include "toolkit/Application.h"

Form::~Form() {
  // The derived window's members are gone by now: the window is cut off
  // from this object before it goes, so that none of its last messages
  // reaches a half-destroyed window.
  if (hwnd_ && IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
    DestroyWindow(hwnd_);
  }
}

void Form::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

INT_PTR Form::ShowModal(HWND owner) {
  modal_ = true;
  modalResult_ = 0;
  return DialogBoxParamA(Application::Instance(), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

HWND Form::Create(HWND owner) {
  modal_ = false;
  HWND hwnd = CreateDialogParamA(Application::Instance(), MAKEINTRESOURCEA(templateId_), owner,
                                 DialogProc, reinterpret_cast<LPARAM>(this));
  if (hwnd) ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

void Form::Close(INT_PTR result) {
  modalResult_ = result;
  if (modal_)
    EndDialog(hwnd_, result);
  else
    Destroy();
}

void Form::OnClose() {
  // The close box of a dialog acts as its cancel button.
  OnCommand(IDCANCEL, BN_CLICKED, Item(IDCANCEL));
}

INT_PTR CALLBACK Form::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Form* form = nullptr;
  if (msg == WM_INITDIALOG) {
    form = reinterpret_cast<Form*>(lParam);
    form->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  } else {
    form = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (!form) return FALSE;

  // No exception may unwind through user32: report it here and go on.
  INT_PTR result = msg == WM_INITDIALOG ? TRUE : FALSE;
  Application::Guard([&] { result = form->Dispatch(msg, wParam, lParam); });
  return result;
}

void Form::SetBusy(bool busy, std::function<void()> onCancel) {
  busy_ = busy;
  onCancel_ = busy ? std::move(onCancel) : nullptr;
  // The cursor changes now, not at the next mouse move.
  POINT at;
  if (GetCursorPos(&at)) SetCursorPos(at.x, at.y);
}

bool Form::DispatchBusy(UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_SETCURSOR:
      // The arrow with the hourglass: work goes on, and the window still
      // takes a click on its cancel button.
      SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32650)));  // IDC_APPSTARTING
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, TRUE);
      return true;
    case WM_CLOSE:
      if (onCancel_) onCancel_();
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDCANCEL) return false;
      if (onCancel_) onCancel_();
      return true;
  }
  return false;
}

INT_PTR Form::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (busy_ && DispatchBusy(msg, wParam)) return TRUE;
  switch (msg) {
    case WM_INITDIALOG:
      FitClientArea();
      return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_TIMER:
      OnTimer(wParam);
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      tips_ = nullptr;
      tipTexts_.clear();
      return FALSE;
    case WM_NOTIFY:
      if (const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
          tips_ && header.hwndFrom == tips_ && header.code == TTN_GETDISPINFOA) {
        FillTip(*reinterpret_cast<NMTTDISPINFOA*>(lParam));
        return TRUE;
      }
      break;
  }
  if (!OnMessage(msg, wParam, lParam, result)) return FALSE;
  switch (msg) {
    // These few messages take the dialog procedure's own return value;
    // every other one answers through DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return result;
  }
  SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

namespace {

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
  return text;
}

// Whether a one-line label's text is wider than the label, so that it shows
// shortened.
bool Shortened(HWND label, const std::string& text) {
  RECT box;
  GetClientRect(label, &box);
  ScreenDC dc;
  SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc.Get(), text.data(), static_cast<int>(text.size()), &extent);
  return extent.cx > box.right;
}

}  // namespace

std::string Form::Text(int id) const { return WindowText(Item(id)); }

void Form::SetText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }

std::string Form::Caption() const { return WindowText(hwnd_); }

void Form::SetCaption(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }

bool Form::Checked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }

void Form::SetChecked(int id, bool checked) {
  CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Form::Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

void Form::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void Form::Show(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }

int Form::RadioIndex(int first, int last) const {
  for (int id = first; id <= last; ++id)
    if (Checked(id)) return id - first;
  return -1;
}

void Form::SetRadioIndex(int first, int last, int index) {
  for (int id = first; id <= last; ++id) SetChecked(id, id - first == index);
}

std::string Form::Hint(int id) const {
  char buffer[512];
  const int length = LoadStringA(Application::Instance(), static_cast<UINT>(id), buffer, sizeof buffer);
  return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

void Form::FitClientArea() {
  // Dialog units round a template's size to 1.5 x 1.625 pixels of Tahoma 8,
  // so a window would come out a pixel off. A template made with CV_DIALOG
  // carries its client size in pixels at 96 DPI beside it; the window takes
  // that size, scaled with the system's DPI, and every control that reaches
  // the template's right or bottom edge is made to reach the window's.
  HINSTANCE instance = Application::Instance();
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(templateId_), RT_RCDATA);
  if (!found || SizeofResource(instance, found) < 2 * sizeof(WORD)) return;
  const auto* pixels = static_cast<const WORD*>(LockResource(LoadResource(instance, found)));
  if (!pixels) return;
  const int dpi = GetDeviceCaps(ScreenDC().Get(), LOGPIXELSY);
  const int width = MulDiv(pixels[0], dpi, 96);
  const int height = MulDiv(pixels[1], dpi, 96);
  RECT was;
  GetClientRect(hwnd_, &was);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(hwnd_, GWL_EXSTYLE)));
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, flags);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    const LONG right = r.right >= was.right ? width : r.right;
    const LONG bottom = r.bottom >= was.bottom ? height : r.bottom;
    if (right != r.right || bottom != r.bottom)
      SetWindowPos(child, nullptr, 0, 0, right - r.left, bottom - r.top, flags);
  }
}

void Form::SetTip(int id, const std::string& text) { AddTip(id, text); }

void Form::TipWholeText(int id) { AddTip(id, std::nullopt); }

void Form::AddTip(int id, const std::optional<std::string>& text) {
  // The tooltip window is owned by this one and destroyed with it.
  if (!tips_)
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                            Application::Instance(), nullptr);
  if (!tips_) return;  // a tip is a help, not a function
  // A long path wraps at a third of the screen instead of running off it.
  SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 3);
  HWND control = Item(id);
  tipTexts_[control] = text;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = LPSTR_TEXTCALLBACKA;
  SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Form::FillTip(NMTTDISPINFOA& info) {
  HWND control = reinterpret_cast<HWND>(info.hdr.idFrom);
  const auto found = tipTexts_.find(control);
  if (found == tipTexts_.end()) return;
  if (found->second) {
    tipShown_ = *found->second;
  } else {
    const std::string text = WindowText(control);
    // An empty text shows no tip.
    tipShown_ = Shortened(control, text) ? text : std::string();
  }
  info.lpszText = tipShown_.data();
}

void Form::SetIcon(int iconId) {
  HICON icon = LoadIconA(Application::Instance(), MAKEINTRESOURCEA(iconId));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

FontHandle Form::MakeBoldFont(int pixels) const {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)), sizeof font, &font);
  font.lfWeight = FW_BOLD;
  if (pixels > 0) {
    font.lfHeight = -MulDiv(pixels, GetDeviceCaps(ScreenDC().Get(), LOGPIXELSY), 96);
    font.lfWidth = 0;
  }
  return FontHandle(CreateFontIndirectA(&font));
}

void Form::SetFont(int id, HFONT font) {
  SendDlgItemMessageA(hwnd_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}
