// The tool's main window shown by a program that does nothing else: no
// installation record, no version, no banner, no fonts, no other window.
// Set beside the tool's start-up, it tells the platform's cost of creating,
// showing and painting that window from the cost of the tool's own work.
#include <windows.h>

#include "UMain.rh"
#include "common.rh"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(dialog);
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The template names the tool's picture control; an empty window of that
  // class stands in for it.
  WNDCLASSEXA pictureBox{};
  pictureBox.cbSize = sizeof pictureBox;
  pictureBox.lpfnWndProc = DefWindowProcA;
  pictureBox.hInstance = instance;
  pictureBox.lpszClassName = CV_PICTUREBOX;
  RegisterClassExA(&pictureBox);

  HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc, 0);
  if (!dialog) return 1;
  ShowWindow(dialog, SW_SHOW);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
