// The tool's main window as the tool presents it, with none of its work:
// under the application window that carries the task bar button, with the
// program's icon, run by the tool's own message loop. No installation
// record, no version, no banner, no fonts. Set between MainWindowAlone and
// the tool, it tells the cost of the application window and the icon from
// the cost of the tool's own start-up work.
#include <windows.h>

#include "UMain.rh"
#include "forms/app.rh"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/PictureBox.h"

namespace {

class MainWindow : public Form {
 public:
  MainWindow() : Form(IDD_MAIN) {}

 protected:
  bool OnInit() override {
    SetIcon(IDI_APP);
    return true;
  }
  void OnClose() override { Application::Terminate(); }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Application::Initialize(instance, IDI_APP);
  RegisterPictureBox(instance);
  Application::SetTitle("Cantivox Tools ");
  MainWindow window;
  if (!window.Create(Application::Window())) return 1;
  const int result = Application::Run(window.Handle());
  window.Destroy();
  return result;
}
