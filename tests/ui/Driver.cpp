#include "Driver.h"

#include "toolkit/Handles.h"
#include "../win/Support.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ostream>

// Screenshots are written by stb's PNG writer (Debian's libstb-dev).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_UTF8
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace ui {

namespace {

constexpr int kPollMillis = 20;
constexpr UINT kSendMillis = 5000;

// A top-down 32-bit DIB selected into a memory DC: its pixels can be read
// directly after drawing or copying into it.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), memory_(nullptr) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = BitmapHandle(CreateDIBSection(memory_.Get(), &info, DIB_RGB_COLORS,
                                            reinterpret_cast<void**>(&bits_), nullptr, 0));
    if (!memory_.Get() || !bitmap_) throw DriverError("cannot make a bitmap for a screen capture");
    old_ = SelectObject(memory_.Get(), bitmap_.Get());
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() { SelectObject(memory_.Get(), old_); }
  HDC dc() const { return memory_.Get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  std::vector<uint32_t> Pixels() const {
    GdiFlush();
    return std::vector<uint32_t>(bits_, bits_ + static_cast<size_t>(width_) * height_);
  }
  void Fill(COLORREF color) {
    const BrushHandle brush(CreateSolidBrush(color));
    RECT all = {0, 0, width_, height_};
    FillRect(dc(), &all, brush.Get());
  }

 private:
  int width_, height_;
  MemoryDC memory_;
  BitmapHandle bitmap_;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// ---- Helpers -----------------------------------------------------------------

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool SameClass(HWND window, const std::string& cls) {
  return cls.empty() || Lower(ClassOf(window)) == Lower(cls);
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// The caption stored with the window, read without sending the window a
// message: safe in failure paths even when the program does not answer.
std::string StoredCaption(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

std::string MessageName(UINT msg) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%X", msg);
  return hex;
}

// Messages to another process go with a timeout so that a hung program fails
// the test instead of hanging it.
LRESULT Send(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, msg, wp, lp, SMTO_ABORTIFHUNG, kSendMillis, &result))
    throw DriverError("no answer to message " + MessageName(msg) + " from " + Describe(window));
  return static_cast<LRESULT>(result);
}

LRESULT SendW(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, msg, wp, lp, SMTO_ABORTIFHUNG, kSendMillis, &result))
    throw DriverError("no answer to message " + MessageName(msg) + " from " + Describe(window));
  return static_cast<LRESULT>(result);
}

// UTF-16 to the ANSI code page: the bytes the program's own ANSI calls see.
std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

void RequireWindow(HWND window, const char* action) {
  if (!IsWindow(window)) throw DriverError(std::string("cannot ") + action + ": no such window");
}

void RequireReachable(HWND control, const char* action) {
  RequireWindow(control, action);
  if (!IsWindowVisible(control))
    throw DriverError(std::string("cannot ") + action + " " + Describe(control) + ": it is hidden");
  if (!IsWindowEnabled(control))
    throw DriverError(std::string("cannot ") + action + " " + Describe(control) +
                      ": it is disabled");
}

std::string ListControls(const std::vector<HWND>& windows) {
  std::string list;
  for (HWND w : windows) list += (list.empty() ? "" : ", ") + Describe(w);
  return list.empty() ? "none" : list;
}

struct WindowSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowsOf(HWND w, LPARAM lp) {
  auto* search = reinterpret_cast<WindowSearch*>(lp);
  if (ProcessOf(w) == search->pid) search->found.push_back(w);
  return TRUE;
}

// All top-level windows of the process, hidden ones included, in z-order.
std::vector<HWND> AllTopWindows(DWORD pid) {
  WindowSearch search{pid, {}};
  EnumWindows(CollectWindowsOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DescribeTopWindows(DWORD pid) {
  const std::vector<HWND> all = AllTopWindows(pid);
  std::string text;
  int hidden = 0;
  for (HWND w : all) {
    if (!IsWindowVisible(w)) {
      ++hidden;
      continue;
    }
    text += (text.empty() ? "" : ", ") + Describe(w);
  }
  return (text.empty() ? std::string("no visible window") : "visible: " + text) + " (and " +
         std::to_string(hidden) + " hidden)";
}

// An open handle on the process lets a wait end early, with a clear reason,
// when the program has died.
class ProcessWatch {
 public:
  explicit ProcessWatch(DWORD pid)
      : pid_(pid), h_(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {}
  void ThrowIfEnded(const std::string& what) const {
    if (!h_ || WaitForSingleObject(h_.Get(), 0) != WAIT_OBJECT_0) return;
    DWORD code = 0;
    GetExitCodeProcess(h_.Get(), &code);
    throw DriverError("process " + std::to_string(pid_) + " ended (exit code " +
                      std::to_string(code) + ") while waiting for " + what);
  }

 private:
  DWORD pid_;
  KernelHandle h_;
};

POINT ClientCentre(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Mouse messages go to the control itself as sent-but-not-waited-for
// messages (SendNotifyMessage): the control reacts exactly as to a real
// click, and nothing waits for a modal box the click may open.
void MouseClicks(HWND control, POINT at, bool twice) {
  const LPARAM pos = MAKELPARAM(at.x, at.y);
  SendNotifyMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, pos);
  SendNotifyMessageA(control, WM_LBUTTONUP, 0, pos);
  if (twice) {
    SendNotifyMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, pos);
    SendNotifyMessageA(control, WM_LBUTTONUP, 0, pos);
  }
  Settle(control);
}

POINT ItemCentre(HWND list, int index) {
  const int count = static_cast<int>(Send(list, LB_GETCOUNT, 0, 0));
  if (index < 0 || index >= count)
    throw DriverError("list item " + std::to_string(index) + " does not exist in " +
                      Describe(list) + " (" + std::to_string(count) + " items)");
  // The item's rectangle from its height and the first visible item, which
  // need no pointer to cross the process boundary; scroll it into view the
  // way a user would before clicking.
  RECT client;
  GetClientRect(list, &client);
  const int height = static_cast<int>(Send(list, LB_GETITEMHEIGHT, 0, 0));
  int top = static_cast<int>(Send(list, LB_GETTOPINDEX, 0, 0));
  if (height <= 0) throw DriverError("cannot tell item height of " + Describe(list));
  const int rows = std::max(1, static_cast<int>(client.bottom / height));
  if (index < top || index >= top + rows) {
    Send(list, LB_SETTOPINDEX, index, 0);
    top = static_cast<int>(Send(list, LB_GETTOPINDEX, 0, 0));
  }
  return {client.right / 2, (index - top) * height + height / 2};
}

// The dialog whose manager moves the focus among this control's siblings.
HWND DialogOf(HWND control) {
  for (HWND w = GetParent(control); w; w = GetParent(w))
    if (ClassOf(w) == "#32770") return w;
  throw DriverError(Describe(control) + " is not in a dialog");
}

std::string Env(const std::string& name) {
  const DWORD size = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::string value(size, '\0');
  value.resize(GetEnvironmentVariableA(name.c_str(), value.data(), size));
  return value;
}

std::string LastErrorText() { return "error " + std::to_string(GetLastError()); }

// ---- Screen capture ----------------------------------------------------------

}  // namespace

std::vector<uint32_t> CaptureScreen(const RECT& r) {
  Canvas canvas(r.right - r.left, r.bottom - r.top);
  ScreenDC screen;
  // Wine keeps windows unmanaged on the X root here, so the screen holds
  // exactly what the user sees, overlapping boxes included.
  if (!BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), screen.Get(), r.left, r.top,
              SRCCOPY))
    throw DriverError("screen capture failed: " + LastErrorText());
  return canvas.Pixels();
}

// A window paints some time after it is shown or changed, and Wine copies
// its pixels to the X screen after that again: take captures until two in a
// row agree.
std::vector<uint32_t> StableCapture(const RECT& r) {
  std::vector<uint32_t> last = CaptureScreen(r);
  for (int i = 0; i < 15; ++i) {
    Sleep(40);
    std::vector<uint32_t> next = CaptureScreen(r);
    if (next == last) break;
    last = std::move(next);
  }
  return last;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

namespace {

// ---- Icons -------------------------------------------------------------------

// A foreign icon handle cannot be drawn in this process, so the icon is
// recognised by its pixels: each standard icon is drawn here at the
// control's size on black and on white; where both agree the icon is opaque,
// and those pixels must match the screen.
Icon RecogniseIcon(HWND iconControl) {
  const RECT r = ScreenRect(iconControl);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return Icon::Other;
  const std::vector<uint32_t> shown = StableCapture(r);
  struct Candidate {
    Icon icon;
    LPCSTR id;
  };
  const Candidate candidates[] = {{Icon::Information, IDI_ASTERISK},
                                  {Icon::Warning, IDI_EXCLAMATION},
                                  {Icon::Error, IDI_HAND},
                                  {Icon::Question, IDI_QUESTION}};
  Icon best = Icon::Other;
  double bestScore = 0.9;
  for (const Candidate& c : candidates) {
    HICON icon = LoadIconA(nullptr, c.id);
    Canvas onBlack(w, h), onWhite(w, h);
    onBlack.Fill(RGB(0, 0, 0));
    onWhite.Fill(RGB(255, 255, 255));
    DrawIconEx(onBlack.dc(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    DrawIconEx(onWhite.dc(), 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    const std::vector<uint32_t> black = onBlack.Pixels(), white = onWhite.Pixels();
    int opaque = 0, matching = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
      if ((black[i] & 0xFFFFFF) != (white[i] & 0xFFFFFF)) continue;
      ++opaque;
      int diff = 0;
      for (int shift = 0; shift < 24; shift += 8)
        diff = std::max(diff, std::abs(static_cast<int>((black[i] >> shift) & 0xFF) -
                                       static_cast<int>((shown[i] >> shift) & 0xFF)));
      if (diff <= 24) ++matching;
    }
    const double score = opaque ? static_cast<double>(matching) / opaque : 0;
    if (score > bestScore) {
      bestScore = score;
      best = c.icon;
    }
  }
  return best;
}

}  // namespace

// ---- Waiting -----------------------------------------------------------------

bool PollFor(const std::function<bool()>& done, int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(0, timeoutMs));
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMillis);
  }
}

void WaitUntil(const std::function<bool()>& done, const std::string& what, int timeoutMs) {
  if (!PollFor(done, timeoutMs))
    throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " + what);
}

// ---- Processes ---------------------------------------------------------------

Process Process::Start(const std::string& exe, const std::string& args, const std::string& cwd) {
  std::string commandLine = Quote(exe) + (args.empty() ? "" : " " + args);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      cwd.empty() ? nullptr : cwd.c_str(), &si, &pi))
    throw DriverError("cannot start " + commandLine + (cwd.empty() ? "" : " in " + cwd) + ": " +
                      LastErrorText());
  CloseHandle(pi.hThread);
  return Process(pi.hProcess, pi.dwProcessId);
}

Process Process::Attach(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) throw DriverError("cannot open process " + std::to_string(pid) + ": " + LastErrorText());
  return Process(process, pid);
}

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_) {
  other.process_ = nullptr;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    if (process_) CloseHandle(process_);
    process_ = other.process_;
    id_ = other.id_;
    other.process_ = nullptr;
  }
  return *this;
}

Process::~Process() {
  Kill();
  if (process_) CloseHandle(process_);
}

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(int timeoutMs) const {
  return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  if (Running()) throw DriverError("process " + std::to_string(id_) + " is still running");
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::string Process::ImagePath() const {
  char path[MAX_PATH * 2] = {};
  DWORD size = sizeof path;
  if (!process_ || !QueryFullProcessImageNameA(process_, 0, path, &size))
    throw DriverError("cannot tell the file of process " + std::to_string(id_) + ": " + LastErrorText());
  return std::string(path, size);
}

void Process::Kill() {
  if (!Running()) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, 5000);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value) : name_(name) {
  if (GetEnvironmentVariableA(name.c_str(), nullptr, 0) != 0) old_ = Env(name);
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

ScopedEnv::~ScopedEnv() {
  SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

// ---- Windows -----------------------------------------------------------------

std::vector<HWND> TopWindows(DWORD pid) {
  std::vector<HWND> visible;
  for (HWND w : AllTopWindows(pid))
    if (IsWindowVisible(w)) visible.push_back(w);
  return visible;
}

HWND WaitWindowWhere(DWORD pid, const std::function<bool(HWND)>& match, int timeoutMs,
                     const std::string& what) {
  const ProcessWatch watch(pid);
  const std::string description = what + " of process " + std::to_string(pid);
  HWND found = nullptr;
  const bool ok = PollFor(
      [&] {
        for (HWND w : TopWindows(pid))
          if (match(w)) {
            found = w;
            return true;
          }
        watch.ThrowIfEnded(description);
        return false;
      },
      timeoutMs);
  if (!ok)
    throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                      description + "; it has " + DescribeTopWindows(pid));
  return found;
}

HWND WaitWindow(DWORD pid, const std::string& title, int timeoutMs) {
  return WaitWindowWhere(
      pid, [&](HWND w) { return StoredCaption(w) == title; }, timeoutMs,
      "a window " + Quote(title));
}

void WaitGone(HWND window, int timeoutMs) {
  WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); },
            Describe(window) + " to close", timeoutMs);
}

void Close(HWND top) {
  RequireWindow(top, "close");
  PostMessageA(top, WM_CLOSE, 0, 0);
}

std::string Describe(HWND window) {
  if (!IsWindow(window)) return "(no window)";
  std::string text = ClassOf(window) + " " + Quote(StoredCaption(window));
  if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)
    text += " #" + std::to_string(GetDlgCtrlID(window));
  if (!IsWindowVisible(window)) text += " (hidden)";
  return text;
}

// ---- Finding controls --------------------------------------------------------

std::string StripAccel(const std::string& caption) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&';
      ++i;
      if (i < caption.size() && caption[i] != '&') out += caption[i];
      continue;
    }
    out += caption[i];
  }
  return out;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  // Classes of the version 6 common controls may carry their assembly
  // version in front ("6.0.2600.2982!Button").
  const std::string cls = name;
  const size_t bang = cls.rfind('!');
  return bang == std::string::npos ? cls : cls.substr(bang + 1);
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> out;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    out.push_back(child);
    const std::vector<HWND> below = Descendants(child);
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
}

std::vector<HWND> FindAll(HWND parent, const std::string& caption, const std::string& cls) {
  std::vector<HWND> found;
  const std::string wanted = StripAccel(caption);
  for (HWND w : Descendants(parent))
    if (SameClass(w, cls) && StripAccel(Text(w)) == wanted) found.push_back(w);
  return found;
}

HWND Find(HWND parent, const std::string& caption, const std::string& cls) {
  RequireWindow(parent, "search controls");
  const std::vector<HWND> found = FindAll(parent, caption, cls);
  const std::string what =
      (cls.empty() ? std::string("control") : cls) + " " + Quote(caption) + " in " + Describe(parent);
  if (found.empty())
    throw DriverError("no " + what + "; there are: " + ListControls(Descendants(parent)));
  if (found.size() > 1) throw DriverError("more than one " + what + ": " + ListControls(found));
  return found.front();
}

HWND FindNth(HWND parent, const std::string& cls, int index) {
  RequireWindow(parent, "search controls");
  std::vector<HWND> found;
  for (HWND w : Descendants(parent))
    if (SameClass(w, cls)) found.push_back(w);
  if (index < 0 || index >= static_cast<int>(found.size()))
    throw DriverError("no " + cls + " number " + std::to_string(index) + " in " +
                      Describe(parent) + "; there are " + std::to_string(found.size()) + ": " +
                      ListControls(found));
  return found[static_cast<size_t>(index)];
}

HWND FindById(HWND parent, int id) {
  RequireWindow(parent, "search controls");
  for (HWND w : Descendants(parent))
    if (GetDlgCtrlID(w) == id) return w;
  throw DriverError("no control #" + std::to_string(id) + " in " + Describe(parent));
}

HWND FindRightOf(HWND label, const std::string& cls) {
  RequireWindow(label, "search beside a label");
  const RECT l = ScreenRect(label);
  HWND best = nullptr;
  LONG bestLeft = 0;
  for (HWND w = GetWindow(GetParent(label), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == label || !SameClass(w, cls)) continue;
    const RECT r = ScreenRect(w);
    const LONG middle = (r.top + r.bottom) / 2;
    if (middle < l.top || middle >= l.bottom || r.left < l.right - 1) continue;
    if (!best || r.left < bestLeft) {
      best = w;
      bestLeft = r.left;
    }
  }
  if (!best) throw DriverError("no " + cls + " to the right of " + Describe(label));
  return best;
}

HWND FindInGroup(HWND groupBox, const std::string& caption, const std::string& cls) {
  RequireWindow(groupBox, "search a group");
  const RECT g = ScreenRect(groupBox);
  std::vector<HWND> found;
  const std::string wanted = StripAccel(caption);
  for (HWND w = GetWindow(GetParent(groupBox), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == groupBox || !SameClass(w, cls) || StripAccel(Text(w)) != wanted) continue;
    const RECT r = ScreenRect(w);
    if (r.left >= g.left && r.right <= g.right && r.top >= g.top && r.bottom <= g.bottom)
      found.push_back(w);
  }
  if (found.size() != 1)
    throw DriverError(std::to_string(found.size()) + " controls " + Quote(caption) +
                      " inside group " + Describe(groupBox));
  return found.front();
}

// ---- Reading -----------------------------------------------------------------

std::string Text(HWND window) {
  RequireWindow(window, "read text");
  // WM_GETTEXT (not GetWindowText) because an edit keeps its text itself.
  // Asked in UTF-16 like the list items, so that both read alike.
  const LRESULT length = SendW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return Narrow(text);
}

bool Enabled(HWND window) { return IsWindow(window) && IsWindowEnabled(window); }

bool Visible(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

bool Checked(HWND button) {
  RequireWindow(button, "read check state");
  return Send(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The items, or nothing when one vanished while they were read.
std::optional<std::vector<std::string>> ReadListItems(HWND listBox);

std::vector<std::string> ListItems(HWND listBox) {
  RequireWindow(listBox, "read list");
  // The list is read one message at a time while the program goes on: when
  // it is refilled between two of them, the reading starts again.
  for (int attempt = 0;; ++attempt) {
    if (auto items = ReadListItems(listBox)) return *items;
    if (attempt == 5)
      throw DriverError("cannot read the items of " + Describe(listBox) +
                        ": one vanished or changed at every reading, or did not cross the process boundary "
                        "(Wine copies at most some 520 characters of an item)");
    Sleep(50);
  }
}

std::optional<std::vector<std::string>> ReadListItems(HWND listBox) {
  const LRESULT count = Send(listBox, LB_GETCOUNT, 0, 0);
  std::vector<std::string> items;
  for (LRESULT i = 0; i < count; ++i) {
    // Wine hands the reply to a cross-process LB_GETTEXT back in UTF-16 even
    // to SendMessageA, writing twice the bytes the ANSI length promises. Ask
    // in UTF-16 and convert as the program's own ANSI calls would.
    const LRESULT length = SendW(listBox, LB_GETTEXTLEN, i, 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    // Wine copies at most some 520 characters of an item across (513 are
    // known to pass); a longer one comes back empty.
    const LRESULT copied = SendW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    if (copied != length) return std::nullopt;
    text.resize(static_cast<size_t>(length));
    items.push_back(Narrow(text));
  }
  return items;
}

int ListSelection(HWND listBox) {
  RequireWindow(listBox, "read list selection");
  const LRESULT sel = Send(listBox, LB_GETCURSEL, 0, 0);
  return sel == LB_ERR ? -1 : static_cast<int>(sel);
}

RECT ScreenRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

HWND FocusedWindow(HWND anyWindow) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(anyWindow, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void WaitText(HWND window, const std::string& expected, int timeoutMs) {
  std::string last;
  if (!PollFor(
          [&] {
            last = Text(window);
            return last == expected;
          },
          timeoutMs))
    throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                      Describe(window) + " to read " + Quote(expected) + "; it reads " +
                      Quote(last));
}

// ---- Acting ------------------------------------------------------------------

void Settle(HWND window, int timeoutMs) {
  // Sent messages are handled in arrival order, and also inside any modal
  // loop the handler of an earlier one enters; so this returns once what was
  // sent before has been dealt with, or a modal box is up.
  DWORD_PTR ignored;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeoutMs), &ignored);
}

void Click(HWND control) {
  RequireReachable(control, "click");
  if (Lower(ClassOf(control)) == "button") {
    // BM_CLICK makes the button press and release itself: it takes the
    // focus (so an edit's leave check runs first) and notifies BN_CLICKED.
    SendNotifyMessageA(control, BM_CLICK, 0, 0);
    Settle(control);
  } else {
    MouseClicks(control, ClientCentre(control), false);
  }
}

void DoubleClick(HWND control) {
  RequireReachable(control, "double-click");
  if (Lower(ClassOf(control)) == "listbox") {
    const int sel = ListSelection(control);
    if (sel < 0) throw DriverError("cannot double-click " + Describe(control) + ": no selection");
    MouseClicks(control, ItemCentre(control, sel), true);
  } else {
    MouseClicks(control, ClientCentre(control), true);
  }
}

void ClickItem(HWND listBox, int index) {
  RequireReachable(listBox, "click in");
  MouseClicks(listBox, ItemCentre(listBox, index), false);
}

void DoubleClickItem(HWND listBox, int index) {
  RequireReachable(listBox, "double-click in");
  MouseClicks(listBox, ItemCentre(listBox, index), true);
}

void SetText(HWND edit, const std::string& text) {
  RequireReachable(edit, "type into");
  if (!Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())))
    throw DriverError("could not set the text of " + Describe(edit));
}

void Focus(HWND control) {
  RequireReachable(control, "focus");
  if (FocusedWindow(control) == control) return;
  // WM_NEXTDLGCTL makes the dialog's own thread move the focus, as Tab
  // would, and posting it keeps this side free if a leave check on the
  // control losing the focus opens a message box. Calling SetFocus from here
  // (after AttachThreadInput) would send WM_KILLFOCUS synchronously and hang
  // on such a box.
  PostMessageA(DialogOf(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  WaitUntil([&] { return FocusedWindow(control) == control; }, "the focus on " + Describe(control),
            kSendMillis);
  Settle(control);
}

void LeaveEdit(HWND edit) {
  Focus(edit);
  PostMessageA(DialogOf(edit), WM_NEXTDLGCTL, 0, FALSE);
  // EN_KILLFOCUS comes after the focus has moved; Settle then waits for the
  // handler to finish or to open its box.
  WaitUntil([&] { return FocusedWindow(edit) != edit; }, "the focus to leave " + Describe(edit),
            kSendMillis);
  Settle(edit);
}

void TypeIntoOpenDialog(HWND open, const std::string& path) {
  HWND field = FindById(open, 0x47C);  // the file name combo box (cmb13)
  if (ClassOf(field) != "Edit") field = FindNth(field, "Edit", 0);
  SetText(field, path);
  Click(Find(open, "Open", "Button"));
}

void PressKey(HWND target, int vk) {
  RequireWindow(target, "press a key in");
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC))
                      << 16;
  // Posted, not sent: only a posted message passes the program's message
  // loop, where IsDialogMessage turns Enter and Esc into button commands.
  PostMessageA(target, WM_KEYDOWN, static_cast<WPARAM>(vk), scan | 1);
  PostMessageA(target, WM_KEYUP, static_cast<WPARAM>(vk), scan | 1 | (1 << 30) | (1u << 31));
  // A sent message overtakes posted ones, so give the loop a moment to take
  // the keys before settling; callers that need the outcome wait for it.
  Sleep(50);
  Settle(target);
}

void TypeKey(HWND top, int vk) {
  RequireWindow(top, "type a key into");
  if (GetForegroundWindow() != top) {
    SetForegroundWindow(top);
    WaitUntil([&] { return GetForegroundWindow() == top; }, Describe(top) + " in the foreground", kSendMillis);
  }
  INPUT keys[2] = {};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = static_cast<WORD>(vk);
  keys[1] = keys[0];
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  if (SendInput(2, keys, sizeof(INPUT)) != 2) throw DriverError("the system took no key for " + Describe(top));
  // As for a posted key: give the program's loop a moment to take it.
  Sleep(50);
  Settle(top);
}

// ---- Message boxes -----------------------------------------------------------

const char* IconName(Icon icon) {
  switch (icon) {
    case Icon::None: return "none";
    case Icon::Information: return "information";
    case Icon::Warning: return "warning";
    case Icon::Error: return "error";
    case Icon::Question: return "question";
    case Icon::Other: return "other";
  }
  return "?";
}

void PrintTo(const MsgBox& box, std::ostream* out) {
  *out << "message box " << Quote(box.caption) << " " << Quote(box.text) << " [";
  for (size_t i = 0; i < box.buttons.size(); ++i) *out << (i ? "|" : "") << box.buttons[i];
  *out << "] default " << Quote(box.defaultButton) << " icon " << IconName(box.icon);
}

namespace {

std::optional<MsgBox> AsMessageBox(HWND top) {
  if (ClassOf(top) != "#32770") return std::nullopt;
  MsgBox box;
  box.hwnd = top;
  int texts = 0;
  HWND iconControl = nullptr;
  std::vector<std::pair<LONG, HWND>> buttons;
  for (HWND w = GetWindow(top, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsWindowVisible(w)) continue;
    const std::string cls = Lower(ClassOf(w));
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    if (cls == "button") {
      const LONG type = style & BS_TYPEMASK;
      if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return std::nullopt;
      buttons.emplace_back(ScreenRect(w).left, w);
      if (type == BS_DEFPUSHBUTTON) box.defaultButton = StripAccel(Text(w));
    } else if (cls == "static") {
      const LONG type = style & SS_TYPEMASK;
      if (type == SS_ICON) {
        iconControl = w;
      } else if (type <= SS_RIGHT || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
        ++texts;
        box.text = Text(w);
      }
    } else {
      return std::nullopt;
    }
  }
  if (texts != 1 || buttons.empty()) return std::nullopt;
  std::sort(buttons.begin(), buttons.end());
  for (const auto& [left, button] : buttons) box.buttons.push_back(StripAccel(Text(button)));
  box.caption = Text(top);
  if (iconControl && Send(iconControl, STM_GETICON, 0, 0)) {
    // A box caught the moment it appears may not have painted its icon yet.
    for (int attempt = 0; attempt < 10; ++attempt) {
      box.icon = RecogniseIcon(iconControl);
      if (box.icon != Icon::Other) break;
      Sleep(50);
    }
  }
  return box;
}

}  // namespace

std::optional<MsgBox> FindMessageBox(DWORD pid) {
  // A box opened from a dialog disables that dialog; the enabled box is the
  // one the user faces.
  for (HWND w : TopWindows(pid))
    if (IsWindowEnabled(w))
      if (auto box = AsMessageBox(w)) return box;
  return std::nullopt;
}

std::optional<MsgBox> MessageBoxWithin(DWORD pid, int timeoutMs) {
  std::optional<MsgBox> box;
  PollFor(
      [&] {
        box = FindMessageBox(pid);
        return box.has_value();
      },
      timeoutMs);
  return box;
}

MsgBox WaitMessageBox(DWORD pid, int timeoutMs) {
  const ProcessWatch watch(pid);
  std::optional<MsgBox> box;
  if (!PollFor(
          [&] {
            box = FindMessageBox(pid);
            if (!box) watch.ThrowIfEnded("a message box");
            return box.has_value();
          },
          timeoutMs))
    throw DriverError("timed out after " + std::to_string(timeoutMs) +
                      " ms waiting for a message box of process " + std::to_string(pid) +
                      "; it has " + DescribeTopWindows(pid));
  return *box;
}

void Answer(const MsgBox& box, const std::string& button, int timeoutMs) {
  RequireWindow(box.hwnd, "answer a message box");
  std::vector<HWND> found;
  for (HWND w = GetWindow(box.hwnd, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w) && Lower(ClassOf(w)) == "button" &&
        StripAccel(Text(w)) == StripAccel(button))
      found.push_back(w);
  if (found.size() != 1)
    throw DriverError("no single button " + Quote(button) + " in " + Describe(box.hwnd) +
                      "; it has: " + ListControls(Descendants(box.hwnd)));
  Click(found.front());
  WaitGone(box.hwnd, timeoutMs);
}

// ---- Screenshots -------------------------------------------------------------

namespace {

// The part of the window that lies on the screen, where alone it can be
// captured.
RECT OnScreen(HWND top) {
  RequireWindow(top, "take a screenshot of");
  Settle(top);
  RECT r = ScreenRect(top);
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, GetSystemMetrics(SM_CXSCREEN));
  r.bottom = std::min<LONG>(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  if (r.right <= r.left || r.bottom <= r.top)
    throw DriverError(Describe(top) + " is not on the screen");
  return r;
}

void WritePng(const std::vector<uint32_t>& pixels, const RECT& r, const std::string& pngPath) {
  std::vector<uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (uint32_t p : pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  const int width = r.right - r.left;
  if (!stbi_write_png(pngPath.c_str(), width, r.bottom - r.top, 3, rgb.data(), width * 3))
    throw DriverError("cannot write " + pngPath);
}

}  // namespace

void Screenshot(HWND top, const std::string& pngPath) {
  const RECT r = OnScreen(top);
  WritePng(StableCapture(r), r, pngPath);
}

COLORREF ScreenPixel(HWND window, int x, int y) {
  POINT at{x, y};
  ClientToScreen(window, &at);
  ScreenDC screen;
  return GetPixel(screen.Get(), at.x, at.y);
}

std::string ScreenshotDir() {
  std::string dir = Env("CANTIVOX_SCREENSHOTS");
  if (dir.empty()) {
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return cwd;
  }
  dir = EnvPath("CANTIVOX_SCREENSHOTS");
  MakeDirs(dir);
  return dir;
}

std::string SaveScreenshot(HWND top, const std::string& name) {
  const std::string path = Join(ScreenshotDir(), name + ".png");
  Screenshot(top, path);
  return path;
}

std::string SaveScreenshotShowing(HWND top, const std::string& name, POINT at, COLORREF unpainted, int timeoutMs) {
  ClientToScreen(top, &at);
  std::vector<uint32_t> pixels;
  RECT r{};
  const bool shown = PollFor([&] {
    r = OnScreen(top);
    if (at.x < r.left || at.x >= r.right || at.y < r.top || at.y >= r.bottom) return false;
    pixels = StableCapture(r);
    const uint32_t p = pixels[static_cast<size_t>(at.y - r.top) * (r.right - r.left) + (at.x - r.left)];
    return !Near(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF), unpainted, 60);
  }, timeoutMs);
  if (!shown) throw DriverError(Describe(top) + " was not painted within " + std::to_string(timeoutMs) + " ms");
  const std::string path = Join(ScreenshotDir(), name + ".png");
  WritePng(pixels, r, path);
  return path;
}

// ---- Registry ----------------------------------------------------------------

// The game's 32-bit installer writes its record in the 32-bit view; the tool
// reads it there whatever its own build, and so does the driver.
constexpr REGSAM kView = KEY_WOW64_32KEY;

// The key opened in that view, or no key.
RegKey OpenKey(const std::string& key, REGSAM access) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, access | kView, &opened) != ERROR_SUCCESS) return RegKey();
  return RegKey(opened);
}

void SetRegistryValue(const std::string& name, DWORD type, const std::string& bytes,
                      const std::string& key) {
  HKEY created = nullptr;
  LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | kView, nullptr,
                            &created, nullptr);
  const RegKey k(created);
  if (rc == ERROR_SUCCESS)
    rc = RegSetValueExA(k.Get(), name.c_str(), 0, type,
                        reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
  if (rc != ERROR_SUCCESS)
    throw DriverError("cannot set HKLM\\" + key + "\\" + name + ": error " + std::to_string(rc));
}

void SetRegistryString(const std::string& name, const std::string& value, const std::string& key) {
  SetRegistryValue(name, REG_SZ, value + '\0', key);
}

void SetRegistryDword(const std::string& name, DWORD value, const std::string& key) {
  SetRegistryValue(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value),
                   key);
}

void DeleteRegistryValue(const std::string& name, const std::string& key) {
  if (const RegKey k = OpenKey(key, KEY_SET_VALUE)) RegDeleteValueA(k.Get(), name.c_str());
}

void DeleteRegistryKey(const std::string& key) {
  if (const RegKey tree = OpenKey(key, KEY_ALL_ACCESS)) RegDeleteTreeA(tree.Get(), nullptr);
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), kView, 0);
  if (OpenKey(key, KEY_READ))
    throw DriverError("cannot delete HKLM\\" + key);
}

std::optional<std::string> ReadRegistryString(const std::string& name, const std::string& key) {
  const RegKey k = OpenKey(key, KEY_QUERY_VALUE);
  if (!k) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::string value(size, '\0');
  if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.resize(std::min<size_t>(size, value.size()));
  while (!value.empty() && value.back() == '\0') value.pop_back();
  return value;
}

// ---- Files -------------------------------------------------------------------

TempDir::TempDir(const std::string& root) {
  std::string base = root;
  if (base.empty()) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    base = temp;
  }
  MakeDirs(base);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        Join(base, "cvx-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(GetTickCount()) + "-" + std::to_string(++counter));
    if (CreateDirectoryA(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
  throw DriverError("cannot make a temporary folder under " + base + ": " + LastErrorText());
}

TempDir::~TempDir() {
  // A program just ended may hold its files a moment longer.
  try {
    PollFor(
        [&] {
          RemoveTree(path_);
          return !DirExists(path_);
        },
        2000);
  } catch (const std::exception&) {
    // A link the Unix side could not remove: the folder stays in %TEMP%.
  }
}

std::string TempDir::operator/(const std::string& name) const { return Join(path_, name); }

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  const char last = dir.back();
  return dir + (last == '\\' || last == '/' ? "" : "\\") + name;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirs(const std::string& path) {
  if (path.empty() || DirExists(path)) return;
  const size_t cut = path.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0 && path[cut - 1] != ':') MakeDirs(path.substr(0, cut));
  if (!CreateDirectoryA(path.c_str(), nullptr) && !DirExists(path))
    throw DriverError("cannot make folder " + path + ": " + LastErrorText());
}

std::string ReadFileBytes(const std::string& path) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw DriverError("cannot open " + path + ": " + LastErrorText());
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) ||
      written != bytes.size())
    throw DriverError("cannot write " + path + ": " + LastErrorText());
}

void RemoveTree(const std::string& path) { support::RemoveTree(path); }

std::string EnvPath(const std::string& variable) {
  std::string value = Env(variable);
  if (value.empty())
    throw DriverError("environment variable " + variable +
                      " is not set; ctest sets it for the end-to-end tests");
  if (value.front() == '/') value = "Z:" + value;
  std::replace(value.begin(), value.end(), '/', '\\');
  return value;
}

std::string ToolsExe() { return EnvPath("CANTIVOX_TOOLS_EXE"); }

std::string GameExe() { return EnvPath("CANTIVOX_GAME_EXE"); }

namespace {

std::string CopyInto(const std::string& source, const std::string& dir, const std::string& name) {
  MakeDirs(dir);
  const std::string target = Join(dir, name);
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
    throw DriverError("cannot copy " + source + " to " + target + ": " + LastErrorText());
  return target;
}

}  // namespace

std::string InstallTools(const std::string& dir) {
  return CopyInto(ToolsExe(), dir, "CantivoxTools.exe");
}

std::string InstallGame(const std::string& dir) { return CopyInto(GameExe(), dir, "Cantivox.exe"); }

// ---- The stand-in game's log -------------------------------------------------

std::vector<launchlog::Record> ReadLaunchLog(const std::string& dir) {
  const std::string log = Join(dir, "Cantivox.log");
  return FileExists(log) ? launchlog::Parse(ReadFileBytes(log)) : std::vector<launchlog::Record>{};
}

std::vector<launchlog::Record> WaitLaunchRecords(const std::string& dir, size_t count,
                                                 int timeoutMs) {
  std::vector<launchlog::Record> records;
  if (!PollFor(
          [&] {
            records = ReadLaunchLog(dir);
            return records.size() >= count;
          },
          timeoutMs))
    throw DriverError("timed out after " + std::to_string(timeoutMs) + " ms waiting for " +
                      std::to_string(count) + " start records of the game in " + dir + "; found " +
                      std::to_string(records.size()));
  return records;
}

}  // namespace ui
