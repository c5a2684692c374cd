#include "toolkit/Application.h"

#include <commctrl.h>

#include "core/Text.h"
#include "toolkit/Handles.h"

namespace Application {
namespace {

HINSTANCE instance = nullptr;
HWND appWindow = nullptr;
std::string title;
bool terminated = false;

const char kAppWindowClass[] = "CantivoxToolsApplication";

// The application window is never seen: it only carries the task bar button
// and hands activation on to the window the user works in.
LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        HWND popup = GetLastActivePopup(hwnd);
        if (popup && popup != hwnd && IsWindowEnabled(popup)) SetActiveWindow(popup);
      }
      return 0;
    case WM_CLOSE:
      if (HWND popup = GetLastActivePopup(hwnd); popup && popup != hwnd)
        PostMessageA(popup, WM_CLOSE, 0, 0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// MessageBoxA has no Yes/Abort pair; an OK/Cancel box is shown with its
// buttons renamed when it is first activated. Its Cancel button keeps Esc
// and the close box working: both answer Abort.
HHOOK renameHook = nullptr;
bool renamed = false;

LRESULT CALLBACK RenameButtonsHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && !renamed) {
    renamed = true;
    auto box = reinterpret_cast<HWND>(wParam);
    SetDlgItemTextA(box, IDOK, "&Yes");
    SetDlgItemTextA(box, IDCANCEL, "&Abort");
    return 0;
  }
  return CallNextHookEx(renameHook, code, wParam, lParam);
}

int Box(const std::string& text, const char* caption, UINT type) {
  return MessageBoxA(ActiveOwner(), text.c_str(), caption, type);
}

}  // namespace

void Initialize(HINSTANCE hInstance, int iconId) {
  instance = hInstance;

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = AppWindowProc;
  wc.hInstance = hInstance;
  wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(iconId));
  wc.lpszClassName = kAppWindowClass;
  RegisterClassExA(&wc);

  const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
  appWindow = CreateWindowExA(0, kAppWindowClass, title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, hInstance, nullptr);
}

HINSTANCE Instance() { return instance; }

const std::string& Title() { return title; }

void SetTitle(const std::string& text) {
  title = text;
  if (appWindow) SetWindowTextA(appWindow, title.c_str());
}

HWND Window() { return appWindow; }

std::string ExeName() {
  char path[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, length);
}

int Run(HWND dialog) {
  // The task bar button comes once the main window has painted, when the
  // queue first runs dry: showing the application window before would
  // hold back the first paint.
  bool appShown = appWindow == nullptr;
  MSG msg;
  while (!terminated) {
    if (!appShown && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      ShowWindow(appWindow, SW_SHOWNOACTIVATE);
      appShown = true;
    }
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
    if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

void Terminate() {
  terminated = true;
  PostQuitMessage(0);
}

bool Terminated() { return terminated; }

void ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit request for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    HWND active = GetActiveWindow();
    if (active && IsDialogMessageA(active, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

HWND ActiveOwner() {
  HWND active = GetActiveWindow();
  return active ? active : appWindow;
}

void Message(const std::string& text) { Box(text, title.c_str(), MB_OK); }

bool ConfirmInformation(const std::string& text) {
  return Box(text, "Information", MB_YESNO | MB_ICONINFORMATION) == IDYES;
}

bool ConfirmWarning(const std::string& text) {
  return Box(text, "Warning", MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool ConfirmWarningYesAbort(const std::string& text) {
  const HookHandle hook(SetWindowsHookExA(WH_CBT, RenameButtonsHook, nullptr, GetCurrentThreadId()));
  renameHook = hook.Get();
  renamed = false;
  const int answer = Box(text, "Warning", MB_OKCANCEL | MB_ICONWARNING);
  renameHook = nullptr;
  return answer == IDOK;
}

void ErrorBox(const std::string& text) { Box(text, "Error", MB_OK | MB_ICONERROR); }

void ShowError(const std::string& text) {
  std::string shown = text;
  if (!shown.empty() && shown.back() != '.' && shown.back() != '!' && shown.back() != '?') shown += '.';
  Box(shown, title.c_str(), MB_OK | MB_ICONERROR);
}

void ShowError(const std::exception& error) { ShowError(std::string(error.what())); }

void ReportCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      ShowError(error);
    } catch (...) {
      ShowError(std::string("Unexpected error"));
    }
  } catch (...) {
    // Not even the report could be shown (no memory left for its text).
    MessageBoxA(nullptr, "Unexpected error.", "Error", MB_OK | MB_ICONERROR);
  }
}

}  // namespace Application
