#include "toolkit/ButtonLabel.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <string>

namespace {

int PushButtonState(UINT itemState) {
  if (itemState & CDIS_DISABLED) return PBS_DISABLED;
  if (itemState & CDIS_SELECTED) return PBS_PRESSED;
  if (itemState & CDIS_HOT) return PBS_HOT;
  if (itemState & CDIS_DEFAULT) return PBS_DEFAULTED;
  return PBS_NORMAL;
}

}  // namespace

LRESULT DrawWrappedButtonLabel(const NMCUSTOMDRAW& draw) {
  if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  HWND button = draw.hdr.hwndFrom;
  HDC dc = draw.hdc;
  const int length = GetWindowTextLengthW(button);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(button, text.data(), length + 1)));

  const int state = PushButtonState(draw.uItemState);
  HTHEME theme = GetWindowTheme(button);
  RECT content = draw.rc;
  if (!theme || FAILED(GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &draw.rc, &content)))
    InflateRect(&content, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));

  const LRESULT uiState = SendMessageW(button, WM_QUERYUISTATE, 0, 0);
  const UINT flags = DT_CENTER | DT_WORDBREAK | ((uiState & UISF_HIDEACCEL) ? DT_HIDEPREFIX : 0);
  RECT measured = content;
  DrawTextW(dc, text.c_str(), -1, &measured, flags | DT_CALCRECT);
  RECT place = content;
  const LONG spare = (content.bottom - content.top) - (measured.bottom - measured.top);
  if (spare > 0) place.top += spare / 2;

  if (theme) {
    DrawThemeText(theme, dc, BP_PUSHBUTTON, state, text.c_str(), -1, flags, 0, &place);
  } else {
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, GetSysColor(state == PBS_DISABLED ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, text.c_str(), -1, &place, flags);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
  }
  if ((draw.uItemState & CDIS_FOCUS) && !(uiState & UISF_HIDEFOCUS)) DrawFocusRect(dc, &content);
  return CDRF_SKIPDEFAULT;
}
