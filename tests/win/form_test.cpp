// The window base: a window and the object that handles its messages end
// together.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "form_test.rh"
#include "toolkit/Form.h"

namespace {

// Whether a window, at the moment it is destroyed, is still tied to its
// Form: read by a subclass that sees the window's last messages.
LONG_PTR formAtDestroy = -1;

LRESULT CALLBACK WatchDestroy(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (msg == WM_DESTROY) formAtDestroy = GetWindowLongPtrA(window, DWLP_USER);
  return DefSubclassProc(window, msg, wParam, lParam);
}

class Probe : public Form {
 public:
  Probe() : Form(IDD_TEST_FORM) {}
  bool destroyedWhole = false;

 protected:
  bool OnInit() override {
    SetWindowSubclass(Handle(), WatchDestroy, 1, 0);
    return true;
  }
  void OnDestroy() override { destroyedWhole = true; }
};

TEST(FormTest, AWindowDestroyedFromItsObjectRunsOnDestroyWhileTheObjectIsWhole) {
  Probe probe;
  ASSERT_NE(probe.Create(nullptr), nullptr);
  formAtDestroy = -1;
  probe.Destroy();
  EXPECT_TRUE(probe.destroyedWhole);
  EXPECT_EQ(formAtDestroy, reinterpret_cast<LONG_PTR>(&probe));
  EXPECT_EQ(probe.Handle(), nullptr);
}

// The object's members are gone before the base destructor runs: the
// window it still has must no longer reach it.
TEST(FormTest, AnObjectDestroyedFirstCutsItsWindowOffBeforeDestroyingIt) {
  HWND window = nullptr;
  formAtDestroy = -1;
  {
    Probe probe;
    window = probe.Create(nullptr);
    ASSERT_NE(window, nullptr);
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(formAtDestroy, 0) << "the window's last messages went to a destroyed object";
}

}  // namespace
