#pragma once
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "toolkit/Handles.h"

// The base of every window: a dialog made from its template, shown modally
// (DialogBoxParamA) or as the program's main window (CreateDialogParamA).
// One static dialog procedure forwards to the virtual handlers and is the one
// place where an exception thrown by a handler is caught and reported.
class Form {
 public:
  explicit Form(int templateId) : templateId_(templateId) {}
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Shows the window modally and returns its modal result.
  INT_PTR ShowModal(HWND owner);
  // Creates the window modelessly (the main window) and shows it.
  HWND Create(HWND owner);
  // Destroys a modeless window while this object is whole, so that its
  // OnDestroy runs with every member in place. A Form destroyed with its
  // window still open only cuts the window off.
  void Destroy();

  // Marks a modal window for closing with this result. The handler that
  // calls it runs to its end; the window closes afterwards.
  void Close(INT_PTR result);
  INT_PTR ModalResult() const { return modalResult_; }

  HWND Handle() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

  std::string Text(int id) const;
  void SetText(int id, const std::string& text);
  std::string Caption() const;
  void SetCaption(const std::string& text);
  bool Checked(int id) const;
  void SetChecked(int id, bool checked);
  bool Enabled(int id) const;
  void Enable(int id, bool enabled);
  void Show(int id, bool visible);
  // The index of the checked button among the consecutive IDs first..last,
  // or -1 when none is checked.
  int RadioIndex(int first, int last) const;
  void SetRadioIndex(int first, int last, int index);
  // The control's hint: the string-table entry carrying the control's own ID.
  std::string Hint(int id) const;
  // Shows `text` as the control's tooltip while the mouse rests on it.
  void SetTip(int id, const std::string& text);
  // Shows a label's whole text as its tooltip whenever the label shortens it
  // with an ellipsis (SS_PATHELLIPSIS, SS_ENDELLIPSIS) to fit its width. The
  // label needs SS_NOTIFY: a static control without it lets the mouse pass.
  void TipWholeText(int id);

  // While busy, the cursor over the window says that work goes on, and Esc,
  // the close box and the cancel button call `onCancel` (nothing when it is
  // empty) instead of closing the window.
  void SetBusy(bool busy, std::function<void()> onCancel = {});
  bool Busy() const { return busy_; }

  // Gives the window the icon resource `iconId` of the program.
  void SetIcon(int iconId);
  // A bold copy of the window's own font, or of its face at `pixels` (at 96
  // DPI, scaled with the system's). A dialog template carries one font for
  // all its controls; labels shown in bold or larger get such a copy.
  [[nodiscard]] FontHandle MakeBoldFont(int pixels = 0) const;
  void SetFont(int id, HFONT font);

 protected:
  // WM_INITDIALOG; return false when the focus was set by the handler.
  virtual bool OnInit() { return true; }
  // WM_COMMAND from a control or an accelerator; true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual void OnTimer(UINT_PTR /*id*/) {}
  // WM_CLOSE (the close box); by default the same as the cancel button.
  virtual void OnClose();
  // WM_DESTROY, while the controls still exist.
  virtual void OnDestroy() {}
  // Any other message; return true with `result` set when handled.
  virtual bool OnMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
    return false;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

  // Handles what a busy window does differently; true when handled.
  bool DispatchBusy(UINT msg, WPARAM wParam);
  // Before OnInit: the client size the template states in pixels (CV_DIALOG).
  void FitClientArea();
  void AddTip(int id, const std::optional<std::string>& text);
  // TTN_GETDISPINFOA: the text of the tip about to show.
  void FillTip(NMTTDISPINFOA& info);

  int templateId_;
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  INT_PTR modalResult_ = 0;
  bool busy_ = false;
  std::function<void()> onCancel_;
  // The tooltip window, made on first use and destroyed with the window; the
  // fixed text of each control's tip, or none for a label's whole text.
  HWND tips_ = nullptr;
  std::map<HWND, std::optional<std::string>> tipTexts_;
  std::string tipShown_;
};

// Sets a window's global instance variable while it is shown and clears it
// afterwards, however showing ends.
template <typename T>
class InstanceGuard {
 public:
  InstanceGuard(T*& variable, T* instance) : variable_(variable) { variable_ = instance; }
  ~InstanceGuard() { variable_ = nullptr; }
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

 private:
  T*& variable_;
};
