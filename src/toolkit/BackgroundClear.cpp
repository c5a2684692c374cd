#include "toolkit/BackgroundClear.h"

#include <windows.h>

#include <exception>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"

namespace {

struct Job {
  const std::function<ClearOutcome(ClearControl&)>& clear;
  ClearControl control;
  ClearOutcome outcome;
  std::exception_ptr error;
};

DWORD WINAPI RunJob(void* param) {
  auto& job = *static_cast<Job*>(param);
  try {
    job.outcome = job.clear(job.control);
  } catch (...) {
    job.error = std::current_exception();
  }
  return 0;
}

// Moves the keyboard focus as Tab does, so that a button shows it as the
// default and the dialog manager remembers it.
void FocusControl(HWND dialog, HWND control) {
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// The window's state while it is busy, put back however the work ends.
//
// A control that is disabled while it has the focus leaves the focus with
// no window: keys then come as WM_SYSKEYDOWN to the window, and Esc never
// becomes IDCANCEL. So the cancel button of a stoppable walk takes the focus
// first, and the control that had it gets it back at the end.
class BusyState {
 public:
  BusyState(Form& window, ClearControl& control, bool stoppable)
      : window_(window), caption_(window.Caption()), focus_(GetFocus()) {
    if (HWND cancel = window.Item(IDCANCEL); stoppable && cancel) FocusControl(window.Handle(), cancel);
    for (HWND child = GetWindow(window.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (stoppable && GetDlgCtrlID(child) == IDCANCEL) continue;
      if (IsWindowEnabled(child)) {
        disabled_.push_back(child);
        EnableWindow(child, FALSE);
      }
    }
    window.SetBusy(true, stoppable ? [&control] { control.stop = true; } : std::function<void()>());
  }
  ~BusyState() {
    for (HWND child : disabled_) EnableWindow(child, TRUE);
    if (focus_ && IsWindow(focus_) && IsChild(window_.Handle(), focus_)) FocusControl(window_.Handle(), focus_);
    window_.SetCaption(caption_);
    window_.SetBusy(false);
  }
  BusyState(const BusyState&) = delete;
  BusyState& operator=(const BusyState&) = delete;

  void ShowCount(long removed) { window_.SetCaption(caption_ + ": " + GroupedCount(removed) + " removed"); }

 private:
  Form& window_;
  std::string caption_;
  HWND focus_;
  std::vector<HWND> disabled_;
};

}  // namespace

std::string GroupedCount(long count) {
  const std::string digits = std::to_string(count < 0 ? 0 : count);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

ClearOutcome ClearInBackground(Form& window, const std::function<ClearOutcome(ClearControl&)>& clear,
                               bool stoppable) {
  Job job{clear, {}, {}, nullptr};
  BusyState busy(window, job.control, stoppable);
  KernelHandle worker(CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
  if (!worker) return clear(job.control);  // no thread to be had: here, as before
  // The job lives on this stack: whatever happens here, the worker ends
  // before this function does.
  HANDLE handle = worker.Get();
  try {
    long shown = -1;
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, 250, QS_ALLINPUT) != WAIT_OBJECT_0) {
      Application::ProcessMessages();
      if (const long removed = job.control.removed.load(); removed != shown) busy.ShowCount(shown = removed);
    }
  } catch (...) {
    job.control.stop = true;
    WaitForSingleObject(handle, INFINITE);
    throw;
  }
  if (job.error) std::rethrow_exception(job.error);
  return job.outcome;
}
