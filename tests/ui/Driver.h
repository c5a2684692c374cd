#pragma once
// Drives a GUI program from another process under Wine (or Windows): starts
// it, finds its windows and controls by caption, reads them, acts on them as
// a user would, answers its message boxes and takes screenshots.
//
// Every wait has a timeout. Every failure throws DriverError whose text names
// what was looked for and what was there instead; GoogleTest reports it as
// the test's failure.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LaunchLog.h"

namespace ui {

class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr int kTimeout = 10000;

// ---- Waiting ---------------------------------------------------------------

// Polls until done() holds; throws "timed out after N ms waiting for <what>".
void WaitUntil(const std::function<bool()>& done, const std::string& what,
               int timeoutMs = kTimeout);
// Polls until done() holds or the time is up; for "this never happens" checks.
bool PollFor(const std::function<bool()>& done, int timeoutMs);

// ---- Processes ---------------------------------------------------------------

// A started program. Ending the object ends the program if it still runs, so
// a failed test leaves nothing behind.
class Process {
 public:
  // Runs `"exe" args` (one blank between) in cwd, or in the caller's
  // directory when cwd is empty.
  static Process Start(const std::string& exe, const std::string& args = "",
                       const std::string& cwd = "");
  // A program started by another, such as one the program under test
  // started itself: ended with the object like one started here.
  static Process Attach(DWORD pid);
  Process() = default;  // nothing started
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  DWORD Id() const { return id_; }
  bool Running() const;
  bool WaitExit(int timeoutMs = kTimeout) const;
  DWORD ExitCode() const;  // throws while the program still runs
  // The full path of the program's file.
  std::string ImagePath() const;
  void Kill();

 private:
  Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// Sets an environment variable for this process and the programs it starts,
// and restores the previous state when it goes.
class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::string& value);
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv();

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// ---- Windows -----------------------------------------------------------------

// The visible top-level windows of a process.
std::vector<HWND> TopWindows(DWORD pid);
// A visible top-level window of the process captioned exactly `title`.
HWND WaitWindow(DWORD pid, const std::string& title, int timeoutMs = kTimeout);
HWND WaitWindowWhere(DWORD pid, const std::function<bool(HWND)>& match, int timeoutMs = kTimeout,
                     const std::string& what = "a matching window");
// Waits until the window is destroyed or hidden.
void WaitGone(HWND window, int timeoutMs = kTimeout);
// As the close box does: posts WM_CLOSE.
void Close(HWND top);
// "Button "&Add" #1" and the like, for failure messages.
std::string Describe(HWND window);

// ---- Finding controls --------------------------------------------------------

// Captions compare without access-key markers ("&Yes" == "Yes"; "&&" is "&").
// Class names compare without case ("Button", "Static", "Edit", "ListBox").
std::string StripAccel(const std::string& caption);
std::string ClassOf(HWND window);
// All descendants, depth first, each level in child z-order (for a dialog:
// template order).
std::vector<HWND> Descendants(HWND parent);
std::vector<HWND> FindAll(HWND parent, const std::string& caption, const std::string& cls = "");
// Exactly one descendant with that caption (and class); throws when there is
// none or more than one, listing what there is.
HWND Find(HWND parent, const std::string& caption, const std::string& cls = "");
// The index-th descendant of class cls, counting from 0.
HWND FindNth(HWND parent, const std::string& cls, int index);
HWND FindById(HWND parent, int id);
// The nearest control of class cls on the same row to the right of a label:
// where a value stands beside its caption.
HWND FindRightOf(HWND label, const std::string& cls = "Static");
// A control lying inside a group box's rectangle.
HWND FindInGroup(HWND groupBox, const std::string& caption, const std::string& cls = "");

// ---- Reading -----------------------------------------------------------------

std::string Text(HWND window);
bool Enabled(HWND window);
bool Visible(HWND window);
bool Checked(HWND button);
std::vector<std::string> ListItems(HWND listBox);
int ListSelection(HWND listBox);  // -1 when nothing is selected
RECT ScreenRect(HWND window);
// The window that has the keyboard focus in the thread owning `anyWindow`.
HWND FocusedWindow(HWND anyWindow);
void WaitText(HWND window, const std::string& expected, int timeoutMs = kTimeout);

// ---- Acting ------------------------------------------------------------------
// Actions never block on the program: a click that opens a modal message box
// returns as soon as the box's message loop runs. Each refuses a control a
// user could not reach (hidden or disabled).

void Click(HWND control);
void DoubleClick(HWND control);  // a list box: on its selected item
void ClickItem(HWND listBox, int index);
void DoubleClickItem(HWND listBox, int index);
// Replaces an edit's text (EN_CHANGE follows, the focus stays where it is).
void SetText(HWND edit, const std::string& text);
void Focus(HWND control);
// Moves the focus from the edit to the next control, as Tab does, so that
// the edit's leave check (EN_KILLFOCUS) runs. Gives it the focus first if
// it has not got it.
void LeaveEdit(HWND edit);
// Posts key down and key up to the window, through the program's message
// loop, so that a dialog turns Enter and Esc into its default and cancel
// buttons.
void PressKey(HWND target, int vk);
// Presses a key at the keyboard, as a user does: the window comes to the
// foreground, and the system sends the key where the program's focus is
// (or, with the focus on no window, to its active window as a system key).
void TypeKey(HWND top, int vk);
// Returns once the window's thread has handled what was sent to it, or has
// entered a modal loop, or after timeoutMs.
void Settle(HWND window, int timeoutMs = 5000);
// Types a path into an open-file dialog's file name field and presses its
// "Open" button, as a user may.
void TypeIntoOpenDialog(HWND open, const std::string& path);

// ---- Message boxes -----------------------------------------------------------

enum class Icon { None, Information, Warning, Error, Question, Other };
const char* IconName(Icon icon);

struct MsgBox {
  HWND hwnd = nullptr;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // visible push buttons, '&' removed, left to right
  std::string defaultButton;
  Icon icon = Icon::None;
  bool hasIcon() const { return icon != Icon::None; }
};
void PrintTo(const MsgBox& box, std::ostream* out);

// A message box is a visible top-level dialog of the process showing one
// text and push buttons only, like MessageBox and the program's own question.
std::optional<MsgBox> FindMessageBox(DWORD pid);
MsgBox WaitMessageBox(DWORD pid, int timeoutMs = kTimeout);
// The first message box the process shows within the time, if any: for
// checking that none comes.
std::optional<MsgBox> MessageBoxWithin(DWORD pid, int timeoutMs);
// Clicks the button so captioned and waits until the box has gone.
void Answer(const MsgBox& box, const std::string& button, int timeoutMs = kTimeout);

// ---- Screenshots -------------------------------------------------------------

// Captures the window as shown on screen into a PNG file.
void Screenshot(HWND top, const std::string& pngPath);
// CANTIVOX_SCREENSHOTS, or the current directory; created if missing.
std::string ScreenshotDir();
// Screenshot into ScreenshotDir()\<name>.png; returns that path.
std::string SaveScreenshot(HWND top, const std::string& name);
// The same, taken once a capture shows the client point `at` in another
// colour than `unpainted`: a slow program may show its window a while before
// it paints it, and erase it again before a later paint. Throws when no
// capture did within the time.
std::string SaveScreenshotShowing(HWND top, const std::string& name, POINT at, COLORREF unpainted, int timeoutMs);
// The pixels the screen shows in `r`, rows top down, as 0x00RRGGBB.
std::vector<uint32_t> CaptureScreen(const RECT& r);
// The same once two captures in a row agree (a window paints some time after
// it shows).
std::vector<uint32_t> StableCapture(const RECT& r);
// Whether each of red, green and blue differs by `tolerance` at the most.
bool Near(COLORREF a, COLORREF b, int tolerance);
// The colour the screen shows at x, y of the window's client area.
COLORREF ScreenPixel(HWND window, int x, int y);

// ---- Registry (HKLM, the machine record the program reads) ------------------

inline const std::string kInstallKey = "SOFTWARE\\Cantivox";
void SetRegistryValue(const std::string& name, DWORD type, const std::string& bytes,
                      const std::string& key = kInstallKey);
void SetRegistryString(const std::string& name, const std::string& value,
                       const std::string& key = kInstallKey);
void SetRegistryDword(const std::string& name, DWORD value, const std::string& key = kInstallKey);
void DeleteRegistryValue(const std::string& name, const std::string& key = kInstallKey);
// Deletes the key with everything below it; a missing key is fine.
void DeleteRegistryKey(const std::string& key = kInstallKey);
std::optional<std::string> ReadRegistryString(const std::string& name,
                                              const std::string& key = kInstallKey);

// ---- Files -------------------------------------------------------------------

// A fresh folder under root (default %TEMP%), removed with all it holds when
// the object goes.
class TempDir {
 public:
  explicit TempDir(const std::string& root = "");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

std::string Join(const std::string& dir, const std::string& name);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
void MakeDirs(const std::string& path);
std::string ReadFileBytes(const std::string& path);  // throws if it cannot be read
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Removes a file or a whole tree, read-only entries included.
void RemoveTree(const std::string& path);

// The value of an environment variable naming a file, as a Windows path: a
// Linux path gets Wine's Z: drive, every slash becomes a backslash.
std::string EnvPath(const std::string& variable);
std::string ToolsExe();  // CANTIVOX_TOOLS_EXE
std::string GameExe();   // CANTIVOX_GAME_EXE
// Copy the program or the stand-in game into dir; return the copy's path.
std::string InstallTools(const std::string& dir);
std::string InstallGame(const std::string& dir);

// ---- The stand-in game's log -------------------------------------------------

// The records in dir\Cantivox.log (none when there is no log).
std::vector<launchlog::Record> ReadLaunchLog(const std::string& dir);
// Waits until the log holds at least `count` records.
std::vector<launchlog::Record> WaitLaunchRecords(const std::string& dir, size_t count,
                                                 int timeoutMs = kTimeout);

}  // namespace ui
