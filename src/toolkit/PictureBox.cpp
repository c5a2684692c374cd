#include "toolkit/PictureBox.h"

#include <new>

#include "core/Jpeg.h"
#include "toolkit/Error.h"
#include "toolkit/Handles.h"

namespace {

struct BoxState {
  Picture picture;
};

BoxState* StateOf(HWND box) {
  return reinterpret_cast<BoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA));
}

// The box's own state, after checking that the window really is one of ours:
// another class's user data must never be taken for a BoxState.
BoxState& CheckedStateOf(HWND box) {
  char name[32] = "";
  GetClassNameA(box, name, sizeof name);
  BoxState* state = lstrcmpiA(name, kPictureBoxClass) == 0 ? StateOf(box) : nullptr;
  if (!state) throw Error("The window is not a picture box");
  return *state;
}

bool TakesFocus(HWND box) { return (GetWindowLongA(box, GWL_STYLE) & WS_TABSTOP) != 0; }

bool Stretches(HWND box) { return (GetWindowLongA(box, GWL_STYLE) & kPictureBoxStretch) != 0; }

void Paint(HWND box, HDC dc) {
  RECT client;
  GetClientRect(box, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  BoxState* state = StateOf(box);
  if (state && state->picture) {
    const Picture& picture = state->picture;
    const FitRect fit = Stretches(box) ? FitRect{0, 0, client.right, client.bottom}
                                       : FitCentred(picture.Width(), picture.Height(), client.right, client.bottom);
    MemoryDC memory(dc);
    SelectGuard select(memory.Get(), picture.Bitmap());
    // HALFTONE averages the source pixels that fall on one target pixel;
    // the default mode drops them and a reduced photo turns ragged. The
    // brush origin must be reset after choosing it.
    int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin;
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    StretchBlt(dc, fit.x, fit.y, fit.width, fit.height, memory.Get(), 0, 0, picture.Width(),
               picture.Height(), SRCCOPY);
    SetStretchBltMode(dc, oldMode);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  }
  if (TakesFocus(box) && GetFocus() == box) DrawFocusRect(dc, &client);
}

void Notify(HWND box, WORD code) {
  SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), code),
               reinterpret_cast<LPARAM>(box));
}

// Nothing here throws: an exception must not unwind through user32.
LRESULT CALLBACK PictureBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* state = new (std::nothrow) BoxState;
      if (!state) return FALSE;
      SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
      break;
    }
    case WM_NCDESTROY:
      delete StateOf(box);
      SetWindowLongPtrA(box, GWLP_USERDATA, 0);
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel; erasing first would flicker
    case WM_PAINT: {
      PaintDC dc(box);
      Paint(box, dc.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(box, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      if (TakesFocus(box)) SetFocus(box);
      Notify(box, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      Notify(box, STN_DBLCLK);
      return 0;
    case WM_RBUTTONDOWN:
      if (TakesFocus(box)) SetFocus(box);
      break;  // DefWindowProc turns the button's release into WM_CONTEXTMENU
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(box, nullptr, FALSE);
      break;
  }
  return DefWindowProcA(box, message, wParam, lParam);
}

}  // namespace

void RegisterPictureBox(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kPictureBoxClass, &existing)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  // CS_DBLCLKS: without it the second click arrives as a plain button-down.
  // CS_GLOBALCLASS: a template in any module of the process can name it.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
  wc.lpfnWndProc = PictureBoxProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kPictureBoxClass;
  if (!RegisterClassExA(&wc)) throw Error::Format("Cannot register the %s window class", kPictureBoxClass);
}

void SetPicture(HWND box, Picture picture) {
  CheckedStateOf(box).picture = std::move(picture);
  InvalidateRect(box, nullptr, FALSE);
}

void ClearPicture(HWND box) { SetPicture(box, Picture()); }

bool HasPicture(HWND box) { return static_cast<bool>(CheckedStateOf(box).picture); }

const Picture* PictureOf(HWND box) {
  const Picture& picture = CheckedStateOf(box).picture;
  return picture ? &picture : nullptr;
}
