#pragma once
// Forced into every file that includes GoogleTest in the Windows build.
// GoogleTest's Notification, used to start its helper threads, is written
// with std::mutex, which MinGW's win32 thread model lacks; this one waits on
// a Win32 event instead.
#include <windows.h>

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace testing::internal
