#include <windows.h>

#include <string>

#include "UMain.h"
#include "core/Text.h"
#include "forms/app.rh"
#include "toolkit/Application.h"
#include "toolkit/PictureBox.h"

namespace {

// Every path and name rule walks ANSI text by the system's code page.
bool IsAnsiLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

int Run(HINSTANCE instance) {
  SetLeadBytePredicate(IsAnsiLeadByte);
  Application::Initialize(instance, IDI_APP);
  RegisterPictureBox(instance);
  Application::SetTitle("Cantivox Tools ");

  TFMain mainWindow;
  FMain = &mainWindow;
  if (!mainWindow.Create(Application::Window())) {
    Application::ErrorBox("Cantivox Tools could not open its main window (system error " +
                          std::to_string(GetLastError()) + ").");
    return 1;
  }
  const int result = Application::Run(mainWindow.Handle());
  mainWindow.Destroy();
  FMain = nullptr;
  return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Nothing may unwind out of WinMain unreported: the program would vanish.
  int result = 1;
  Application::Guard([&] { result = Run(instance); });
  return result;
}
