// Times the tool against its floors from outside, as a user meets it, and
// prints the samples and medians for scripts/bench to judge.
//
//   bench_runner startup TOOLS_EXE DIALOG_EXE INSTALL_DIR RUNS WARMUPS [EXE...]
//     process start to the main window shown and painted, against the
//     minimal dialog program's start to its dialog shown; further programs
//     (showing either window's caption) are timed alongside and noted, to
//     show where the difference goes.
//   bench_runner profiles TOOLS_EXE FLOOR_EXE INSTALL_DIR COUNT RUNS WARMUPS
//     click on "Profile manager" to the window shown with COUNT entries in
//     its list, against profile_floor's walk over the same folders.
//
// Both register INSTALL_DIR as the game's installation first. Lines starting
// with "sample" or "note" are details; the line starting with "result"
// carries the two medians in seconds.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Driver.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
const std::string kMainCaption = "Cantivox Official Tools";
const std::string kDialogCaption = "Minimal Dialog";
const std::string kManagerCaption = "Profile Manager";

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
  Handle& operator=(Handle&& other) noexcept {
    std::swap(h_, other.h_);
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

// A started program; one still running when the object goes is killed, so
// that a failed measurement leaves nothing behind.
class Child {
 public:
  // stdoutPipe: the child's standard output goes to a pipe read by Output().
  Child(const std::string& commandLine, bool stdoutPipe) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE writeEnd = nullptr;
    if (stdoutPipe) {
      SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
      HANDLE readEnd = nullptr;
      if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
      SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
      output_ = Handle(readEnd);
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = writeEnd;
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
      startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    Handle writeOwner(writeEnd);
    std::string line = commandLine;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, stdoutPipe, 0, nullptr, nullptr, &startup, &info))
      throw std::runtime_error("cannot start " + commandLine + ": error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_ = Handle(info.hProcess);
    id_ = info.dwProcessId;
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.Get(), 1);
      WaitForSingleObject(process_.Get(), kTimeoutMs);
    }
  }

  DWORD Id() const { return id_; }
  HANDLE Process() const { return process_.Get(); }
  bool Exited() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0; }
  void WaitExit() const {
    if (WaitForSingleObject(process_.Get(), kTimeoutMs) != WAIT_OBJECT_0)
      throw std::runtime_error("a program did not end after its window was closed");
  }
  // Everything the child wrote to its standard output, once it has ended.
  std::string Output() const {
    std::string text;
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(output_.Get(), buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
    return text;
  }

 private:
  Handle process_;
  Handle output_;
  DWORD id_ = 0;
};

std::string Quote(const std::string& path) { return "\"" + path + "\""; }

struct ShownSearch {
  DWORD pid;
  const std::vector<std::string>* prefixes;
  HWND found;
};

BOOL CALLBACK MatchShown(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<ShownSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.pid || !IsWindowVisible(window)) return TRUE;
  char caption[256];
  const int length = GetWindowTextA(window, caption, sizeof caption);
  const std::string text(caption, length);
  for (const std::string& prefix : *search.prefixes)
    if (text.rfind(prefix, 0) == 0) {
      search.found = window;
      return FALSE;
    }
  return TRUE;
}

// A visible top-level window of the process whose caption starts with one
// of `prefixes`. Reading the caption of another process's window asks the
// window manager, not the window's thread, so a busy program does not
// stall the search.
HWND FindShown(DWORD pid, const std::vector<std::string>& prefixes) {
  ShownSearch search{pid, &prefixes, nullptr};
  EnumWindows(MatchShown, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// What the program shows instead, for the message of a failed wait: most
// often an error box about the installation.
std::string ShownInstead(DWORD pid) {
  if (const auto box = ui::FindMessageBox(pid)) return "; the program shows \"" + box->caption + "\": " + box->text;
  std::string windows;
  for (HWND window : ui::TopWindows(pid)) windows += (windows.empty() ? "; it shows " : ", ") + ui::Describe(window);
  return windows;
}

// Polls every millisecond or so by default: finer than anything measured
// here, and coarse enough to leave the processor to the program under test.
template <typename Done>
void Poll(const Child& child, Done done, const std::string& what, DWORD intervalMs = 1) {
  const double deadline = Now() + kTimeoutMs / 1000.0;
  while (!done()) {
    if (child.Exited()) throw std::runtime_error("the program ended while waiting for " + what);
    if (Now() > deadline) throw std::runtime_error("timed out waiting for " + what + ShownInstead(child.Id()));
    Sleep(intervalMs);
  }
}

HWND WaitShown(const Child& child, const std::vector<std::string>& prefixes) {
  HWND window = nullptr;
  Poll(child, [&] { return (window = FindShown(child.Id(), prefixes)) != nullptr; }, "\"" + prefixes[0] + "\"");
  return window;
}

void CloseAndWait(const Child& child, HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  child.WaitExit();
}

// When the last window on Wine's desktop goes, Wine ends its desktop process
// after about a second and the next program pays for starting it again. A
// hidden window of the runner keeps the desktop, as a user's session would.
class DesktopKeeper {
 public:
  DesktopKeeper()
      : window_(CreateWindowExA(0, "STATIC", "bench_runner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                nullptr)) {}
  DesktopKeeper(const DesktopKeeper&) = delete;
  DesktopKeeper& operator=(const DesktopKeeper&) = delete;
  ~DesktopKeeper() {
    if (window_) DestroyWindow(window_);
  }

 private:
  HWND window_;
};

struct StartTimes {
  double shown;  // the window visible
  double idle;   // and its thread waiting for input, painting done
};

// The programs timed for start-up show the tool's main window or the
// minimal dialog.
StartTimes TimeStart(const std::string& exe) {
  const double start = Now();
  Child child(Quote(exe), false);
  HWND window = WaitShown(child, {kMainCaption, kDialogCaption});
  const double shown = Now();
  WaitForInputIdle(child.Process(), kTimeoutMs);
  const double idle = Now();
  CloseAndWait(child, window);
  return {shown - start, idle - start};
}

void RegisterInstallation(const std::string& installDir) {
  ui::SetRegistryString("InstallDir", installDir);
  ui::SetRegistryString("InstallVer", "bench");
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// programs[0] is the tool, programs[1] its floor.
int Startup(const std::vector<std::string>& programs, int runs, int warmups) {
  DesktopKeeper keeper;
  for (int i = 0; i < warmups; ++i)
    for (const std::string& program : programs) TimeStart(program);
  std::vector<std::vector<double>> shown(programs.size()), idle(programs.size());
  // Round by round, so that every program meets the same load.
  for (int i = 0; i < runs; ++i) {
    std::string line = "sample startup";
    for (size_t p = 0; p < programs.size(); ++p) {
      const StartTimes t = TimeStart(programs[p]);
      shown[p].push_back(t.shown);
      idle[p].push_back(t.idle);
      char figures[160];
      std::snprintf(figures, sizeof figures, " | %s %.4f", FileName(programs[p]).c_str(), t.idle);
      line += figures;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  for (size_t p = 0; p < programs.size(); ++p)
    std::printf("note startup %s: painted %.4f s, visible %.4f s\n", FileName(programs[p]).c_str(),
                Median(idle[p]), Median(shown[p]));
  std::printf("result startup %.4f %.4f\n", Median(idle[0]), Median(idle[1]));
  return 0;
}

// The most memory the process has held in its working set, in KiB; 0 when
// the platform does not say.
size_t PeakWorkingSetKiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory{};
  return GetProcessMemoryInfo(process, &memory, sizeof memory) ? memory.PeakWorkingSetSize / 1024 : 0;
}

struct ListTimes {
  double filled;   // seconds from the click to the list filled
  size_t peakKiB;  // the program's peak working set then
};

// The floor times its walk inside itself, with no one else asking the
// wineserver. A poll asks it about every window of the desktop, and at one
// poll a millisecond the polls alone slowed the tool they timed by 5 to 15 %
// (median ratio 1.04 and 1.06 against 0.87 and 0.91 with 10 ms, in one run).
// Every 10 ms costs at most 10 ms on a figure of over a second, and only
// against the tool.
constexpr DWORD kListPollMs = 10;

// Click to the list filled: the Profile Manager fills its list before it
// shows itself, so the window visible with every entry counted is the
// moment the user sees the list.
ListTimes TimeProfileManager(const std::string& tools, int count) {
  Child child(Quote(tools), false);
  HWND main = WaitShown(child, {kMainCaption});
  WaitForInputIdle(child.Process(), kTimeoutMs);
  HWND button = ui::Find(main, "Profile manager", "Button");

  const double start = Now();
  SendNotifyMessageA(button, BM_CLICK, 0, 0);
  HWND manager = nullptr;
  Poll(
      child,
      [&] {
        if (!manager) manager = FindShown(child.Id(), {kManagerCaption});
        if (!manager) return false;
        HWND list = FindWindowExA(manager, nullptr, "ListBox", nullptr);
        DWORD_PTR entries = 0;
        return list && SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 1000, &entries) &&
               static_cast<int>(entries) == count;
      },
      "the Profile Manager with " + std::to_string(count) + " profiles", kListPollMs);
  const double filled = Now() - start;
  const size_t peak = PeakWorkingSetKiB(child.Process());

  PostMessageA(manager, WM_CLOSE, 0, 0);
  Poll(child, [&] { return !IsWindow(manager); }, "the Profile Manager to close");
  CloseAndWait(child, main);
  return {filled, peak};
}

// profile_floor's own timing of its walk.
double TimeFloor(const std::string& floor, const std::string& mode, const std::string& installDir, int count) {
  Child child(Quote(floor) + " " + mode + " " + Quote(installDir), true);
  const std::string output = child.Output();
  child.WaitExit();
  int found = 0;
  double ms = 0;
  if (std::sscanf(output.c_str(), "%d %lf", &found, &ms) != 2 || found != count)
    throw std::runtime_error("profile_floor " + mode + " found " + std::to_string(found) + " profiles, not " +
                             std::to_string(count) + ": " + output);
  return ms / 1000.0;
}

int Profiles(const std::string& tools, const std::string& floor, const std::string& installDir, int count, int runs,
             int warmups) {
  DesktopKeeper keeper;
  const char* const diagnostics[] = {"read", "open", "enum"};
  for (int i = 0; i < warmups; ++i) {
    TimeProfileManager(tools, count);
    TimeFloor(floor, "ini", installDir, count);
    for (const char* mode : diagnostics) TimeFloor(floor, mode, installDir, count);
  }
  std::vector<double> tool, ini, read, open, walk, peak;
  for (int i = 0; i < runs; ++i) {
    const ListTimes list = TimeProfileManager(tools, count);
    tool.push_back(list.filled);
    peak.push_back(static_cast<double>(list.peakKiB));
    ini.push_back(TimeFloor(floor, "ini", installDir, count));
    read.push_back(TimeFloor(floor, "read", installDir, count));
    open.push_back(TimeFloor(floor, "open", installDir, count));
    walk.push_back(TimeFloor(floor, "enum", installDir, count));
    std::printf("sample profiles tool %.4f | floor %.4f | read %.4f open %.4f enum %.4f\n", tool.back(), ini.back(),
                read.back(), open.back(), walk.back());
    std::fflush(stdout);
  }
  std::printf(
      "note profiles per profile: GetPrivateProfileStringA %.3f ms, CreateFile+ReadFile %.3f ms, "
      "CreateFile alone %.3f ms, enumeration %.3f ms\n",
      1000 * Median(ini) / count, 1000 * Median(read) / count, 1000 * Median(open) / count,
      1000 * Median(walk) / count);
  std::printf("note profiles peak working set of CantivoxTools.exe with the list filled: %.0f KiB (median)\n",
              Median(peak));
  std::printf("result profiles %.4f %.4f\n", Median(tool), Median(ini));
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_runner startup TOOLS_EXE DIALOG_EXE INSTALL_DIR RUNS WARMUPS [EXE...]\n"
               "       bench_runner profiles TOOLS_EXE FLOOR_EXE INSTALL_DIR COUNT RUNS WARMUPS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() >= 6 && args[0] == "startup") {
      RegisterInstallation(args[3]);
      std::vector<std::string> programs{args[1], args[2]};
      programs.insert(programs.end(), args.begin() + 6, args.end());
      return Startup(programs, std::atoi(args[4].c_str()), std::atoi(args[5].c_str()));
    }
    if (args.size() == 7 && args[0] == "profiles") {
      RegisterInstallation(args[3]);
      return Profiles(args[1], args[2], args[3], std::atoi(args[4].c_str()), std::atoi(args[5].c_str()),
                      std::atoi(args[6].c_str()));
    }
    return Usage();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_runner: %s\n", e.what());
    return 1;
  }
}
