#include "toolkit/PictureDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "core/Text.h"
#include "toolkit/PictureDialog.rh"
#include "toolkit/Application.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/Picture.h"
#include "toolkit/PictureBox.h"
#include "toolkit/SystemLibrary.h"

namespace {

void ClearPreview(HWND pane) {
  ClearPicture(GetDlgItem(pane, IDC_iPreview));
  SetDlgItemTextA(pane, IDC_lPreviewSize, "");
}

void ShowPreview(HWND pane) {
  std::vector<char> path(kFileNameBufferSize, '\0');
  LRESULT length = SendMessageA(GetParent(pane), CDM_GETFILEPATH, path.size(),
                                reinterpret_cast<LPARAM>(path.data()));
  DWORD attributes = length > 0 && static_cast<size_t>(length) <= path.size()
                         ? GetFileAttributesA(path.data())
                         : INVALID_FILE_ATTRIBUTES;
  std::string kind = UpperAscii(ExtractFileExt(path.data()));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (kind != "JPG" && kind != "JPEG")) {
    ClearPreview(pane);
    return;
  }
  HWND box = GetDlgItem(pane, IDC_iPreview);
  RECT area;
  GetClientRect(box, &area);
  Picture picture;
  try {
    picture = Picture::FromFile(path.data(), area.right, area.bottom);
  } catch (const std::exception&) {
    ClearPreview(pane);  // a file that does not decode simply has no preview
    return;
  }
  char size[64];
  std::snprintf(size, sizeof size, "%d x %d", picture.SourceWidth(), picture.SourceHeight());
  SetPicture(box, std::move(picture));
  SetDlgItemTextA(pane, IDC_lPreviewSize, size);
}

// The dialog places the preview column right of its own controls when it
// opens. How far it then stays from the right edge is kept in the pane's
// user data, so that the column can follow the edge when the user resizes
// the dialog; not every version of the dialog moves template controls itself.
void RememberRightMargin(HWND pane) {
  RECT client, preview;
  GetClientRect(pane, &client);
  GetWindowRect(GetDlgItem(pane, IDC_iPreview), &preview);
  MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&preview), 2);
  SetWindowLongPtrA(pane, GWLP_USERDATA, client.right - preview.right + 1);
}

void FollowRightEdge(HWND pane) {
  LONG_PTR margin = GetWindowLongPtrA(pane, GWLP_USERDATA) - 1;
  if (margin < 0) return;  // not laid out yet
  RECT client;
  GetClientRect(pane, &client);
  for (int id : {IDC_iPreview, IDC_lPreviewSize}) {
    HWND control = GetDlgItem(pane, id);
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(control, nullptr, client.right - static_cast<int>(margin) - (r.right - r.left), r.top,
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// The preview column makes the dialog wider than the platform plans for; on
// a small screen it would open with its right part off the screen.
void KeepOnScreen(HWND dialog) {
  RECT window;
  GetWindowRect(dialog, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& area = monitor.rcWork;
  const int left = std::max(area.left, std::min(window.left, area.right - (window.right - window.left)));
  const int top = std::max(area.top, std::min(window.top, area.bottom - (window.bottom - window.top)));
  if (left != window.left || top != window.top)
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Called by the dialog for its child pane. An exception must not unwind
// through comdlg32: the boundary reports it and the dialog goes on.
UINT_PTR CALLBACK PreviewHook(HWND pane, UINT message, WPARAM, LPARAM lParam) {
  Application::Guard([&] {
    if (message == WM_SIZE) FollowRightEdge(pane);
    if (message == WM_NOTIFY) {
      UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
      if (code == static_cast<UINT>(CDN_INITDONE)) {
        RememberRightMargin(pane);
        KeepOnScreen(GetParent(pane));
      }
      if (code == static_cast<UINT>(CDN_SELCHANGE)) ShowPreview(pane);
    }
  });
  return 0;  // 0: the dialog goes on with its default handling
}

}  // namespace

bool OpenPictureDialog(HWND owner, std::string& path) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterPictureBox(instance);

  std::vector<char> file(kFileNameBufferSize, '\0');
  path.copy(file.data(), file.size() - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.hInstance = instance;
  // One entry; the description's trailing blank is part of the text shown.
  ofn.lpstrFilter = "JPEG Image File \0*.jpg;*.jpeg\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  // The dialog would otherwise make the chosen folder the program's current
  // directory, which nothing else in the program expects to change.
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING |
              OFN_EXPLORER | OFN_NOCHANGEDIR;
  // The preview pane's template is linked into the program's resources. A
  // program built without it still gets the plain dialog rather than one
  // that fails to open.
  if (FindResourceA(instance, MAKEINTRESOURCEA(IDD_PICTUREDIALOG), RT_DIALOG)) {
    ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpfnHook = PreviewHook;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_PICTUREDIALOG);
  }
  static const auto getOpenFileName = SystemProc<decltype(GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
  if (!getOpenFileName(&ofn)) return false;
  path = file.data();
  return true;
}
