// The stand-in game: any executable named Cantivox.exe serves the tool. It
// records how it was started in Cantivox.log beside itself and exits; in the
// demo it also shows what it was started with for a few seconds.
#include <windows.h>

#include <string>

#include "LaunchLog.h"

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kDemoMillis = 3000;

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    // A full buffer means the path was cut short.
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string CurrentDirectory() {
  const DWORD size = GetCurrentDirectoryA(0, nullptr);
  std::string dir(size, '\0');
  dir.resize(GetCurrentDirectoryA(size, dir.data()));
  return dir;
}

void AppendToLog(const launchlog::Record& record) {
  std::string log = ModulePath();
  log.resize(log.find_last_of("\\/") + 1);
  log += "Cantivox.log";
  // FILE_APPEND_DATA alone makes every write land at the end of the file,
  // so records of instances started together do not overwrite each other.
  FileHandle file(CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return;
  const std::string text = launchlog::Format(record);
  DWORD written = 0;
  WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool DemoRequested() {
  char value[8] = {};
  const DWORD n = GetEnvironmentVariableA("CANTIVOX_DEMO", value, sizeof value);
  return n == 1 && value[0] == '1';
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_TIMER:
      if (wp == kCloseTimer) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// A plain window rather than a message box: a message box would wait for
// an answer, and the demo must go on by itself.
void ShowDemoWindow(HINSTANCE instance, const launchlog::Record& record) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DemoProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "CantivoxStandIn";
  if (!RegisterClassA(&wc)) return;

  const std::string text = "Cantivox (stand-in) was started with\r\n\r\nParameters:" +
                           record.params + "\r\n\r\nWorking directory: " + record.cwd;
  constexpr int kWidth = 480, kHeight = 180;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Cantivox", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2,
                              (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2, kWidth, kHeight,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) return;
  RECT client;
  GetClientRect(hwnd, &client);
  HWND label = CreateWindowExA(0, "Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 12,
                               12, client.right - 24, client.bottom - 24, hwnd, nullptr, instance,
                               nullptr);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  ShowWindow(hwnd, SW_SHOW);
  SetTimer(hwnd, kCloseTimer, kDemoMillis, nullptr);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  launchlog::Record record;
  record.cmdline = GetCommandLineA();
  record.params = launchlog::ParameterPart(record.cmdline);
  record.cwd = CurrentDirectory();
  AppendToLog(record);
  if (DemoRequested()) ShowDemoWindow(instance, record);
  return 0;
}
