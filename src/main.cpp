#include <windows.h>

#include "UMain.h"
#include "toolkit/Application.h"
#include "toolkit/PictureBox.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Application::Initialize(instance);
  RegisterPictureBox(instance);
  Application::SetTitle("Cantivox Tools ");

  TFMain mainWindow;
  FMain = &mainWindow;
  if (!mainWindow.Create(Application::Window())) return 1;
  return Application::Run(mainWindow.Handle());
}
