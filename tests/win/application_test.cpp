#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/Application.h"
#include "toolkit/Error.h"

namespace {

struct SeenBox {
  std::string caption;
  std::string text;
  bool errorIcon = false;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

struct Reading {
  DWORD thread;
  SeenBox seen;
  bool answered = false;
};

// Waits for a dialog of the thread, reads its caption, text and icon, and
// answers OK.
DWORD WINAPI ReadBox(void* parameter) {
  auto& reading = *static_cast<Reading*>(parameter);
  for (int attempt = 0; attempt < 6000; ++attempt) {  // a minute: machines are shared
    HWND box = nullptr;
    EnumThreadWindows(reading.thread, FindDialog, reinterpret_cast<LPARAM>(&box));
    if (!box) {
      Sleep(10);
      continue;
    }
    char buffer[1024] = {};
    GetWindowTextA(box, buffer, sizeof buffer);
    reading.seen.caption = buffer;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      GetClassNameA(child, buffer, sizeof buffer);
      if (std::string(buffer) != "Static") continue;
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        reading.seen.errorIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
      } else {
        GetWindowTextA(child, buffer, sizeof buffer);
        reading.seen.text = buffer;
      }
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    reading.answered = true;
    return 0;
  }
  return 0;
}

// Runs `show` on this thread while another thread reads the box it opens
// and answers it.
SeenBox Report(const std::function<void()>& show) {
  Reading reading{GetCurrentThreadId(), {}};
  HANDLE reader = CreateThread(nullptr, 0, ReadBox, &reading, 0, nullptr);
  EXPECT_NE(reader, nullptr);
  if (!reader) return {};
  show();
  WaitForSingleObject(reader, INFINITE);
  CloseHandle(reader);
  EXPECT_TRUE(reading.answered) << "no box";
  return reading.seen;
}

// The report ends the error's text with a full stop, unless it already ends
// a sentence: "folder!." would be wrong.
TEST(ErrorReport, AddsAFullStopOnlyWhereNoSentenceEndIs) {
  Application::SetTitle("Cantivox Tools  0.2.1.7");
  const struct {
    const char* error;
    const char* shown;
  } cases[] = {
      {"Unable to write to C:\\Games\\config.ini", "Unable to write to C:\\Games\\config.ini."},
      {"Invalid data type for 'InstallDir'", "Invalid data type for 'InstallDir'."},
      {"JPEG error #42", "JPEG error #42."},
      {"Cannot copy avatar file to profile folder!", "Cannot copy avatar file to profile folder!"},
      {"Where is the folder?", "Where is the folder?"},
      {"The file is too large for a picture.", "The file is too large for a picture."},
      {"Ends in an ellipsis...", "Ends in an ellipsis..."},
      {"'x' is not a valid integer value", "'x' is not a valid integer value."},
  };
  for (const auto& c : cases) {
    const SeenBox box = Report([&] { Application::ShowError(std::string(c.error)); });
    EXPECT_EQ(box.text, c.shown);
    EXPECT_EQ(box.caption, "Cantivox Tools  0.2.1.7") << c.error;
    EXPECT_TRUE(box.errorIcon) << c.error;
  }
  // An error object is reported by its text.
  EXPECT_EQ(Report([] { Application::ShowError(Error("Temp folder is gone!")); }).text, "Temp folder is gone!");
  EXPECT_EQ(Report([] { Application::ShowError(Error("Temp folder is gone")); }).text, "Temp folder is gone.");
}

}  // namespace
