#pragma once
#include <windows.h>

#include <exception>
#include <string>

// The application object: its title, its hidden task bar window, the message
// loop, and the message box forms every window uses.
namespace Application {

// Makes the application's window, which carries the task bar button with the
// program's icon resource `iconId`.
void Initialize(HINSTANCE instance, int iconId);
HINSTANCE Instance();

// The title is the caption of the application's own window, which carries the
// task bar button, and of the plain message boxes.
const std::string& Title();
void SetTitle(const std::string& title);

// The application's own top-level window: zero-sized, it owns the main window
// so that the task bar button shows the title, not the main window's caption.
HWND Window();

// Full path of the running program's file.
std::string ExeName();

// Runs the message loop until Terminate; `dialog` is the main window, whose
// keyboard navigation goes through IsDialogMessage.
int Run(HWND dialog);
void Terminate();
bool Terminated();

// Lets every pending message be handled, then returns.
void ProcessMessages();

// The window that owns message boxes: the active window of this thread, else
// the application's window.
HWND ActiveOwner();

// A box with no icon and one OK button, captioned with the title.
void Message(const std::string& text);
// An information box captioned "Information" with Yes and No; true on Yes.
[[nodiscard]] bool ConfirmInformation(const std::string& text);
// A warning box captioned "Warning" with Yes and No; true on Yes.
[[nodiscard]] bool ConfirmWarning(const std::string& text);
// A warning box captioned "Warning" with the buttons "&Yes" and "&Abort";
// true on Yes.
[[nodiscard]] bool ConfirmWarningYesAbort(const std::string& text);
// An error box captioned "Error" with one OK button.
void ErrorBox(const std::string& text);

// The general error report: an error box captioned with the title showing the
// error's text with a full stop added, unless it already ends in ".", "!" or
// "?".
void ShowError(const std::exception& error);
void ShowError(const std::string& text);

// Shows the exception being handled with the general error report. Never
// throws: it is called where nothing may unwind.
void ReportCurrentException() noexcept;

// The one exception boundary: runs `action`, and an exception it throws is
// reported instead of unwinding into the platform's code (a window or dialog
// procedure, a hook, WinMain), which is undefined behaviour. False when one
// was reported.
template <typename Action>
bool Guard(Action&& action) noexcept {
  try {
    action();
    return true;
  } catch (...) {
    ReportCurrentException();
    return false;
  }
}

}  // namespace Application
