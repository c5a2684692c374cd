#pragma once
#include <windows.h>

#include "toolkit/Dialog.rh"
#include "toolkit/Picture.h"

// A child control that shows a picture scaled to fit its client area, aspect
// kept, centred; small pictures are enlarged. Templates use it as
//   CONTROL "", IDC_x, "CvPictureBox", WS_CHILD | WS_VISIBLE, x, y, w, h
// Like a Static with SS_NOTIFY it sends its parent WM_COMMAND with
// STN_CLICKED and STN_DBLCLK; a right click or, when it has the focus,
// Shift+F10 reaches the parent as WM_CONTEXTMENU. With WS_TABSTOP it takes
// the focus when clicked and shows it.
inline constexpr char kPictureBoxClass[] = CV_PICTUREBOX;

// Style: the picture is stretched over the whole client area, its aspect not
// kept (templates write CV_PICTUREBOX_STRETCH).
inline constexpr DWORD kPictureBoxStretch = CV_PICTUREBOX_STRETCH;

// Registers the window class once per process; later calls do nothing.
void RegisterPictureBox(HINSTANCE instance);

// The box takes the picture over and repaints.
void SetPicture(HWND box, Picture picture);
void ClearPicture(HWND box);
bool HasPicture(HWND box);
// The picture shown, or nullptr.
const Picture* PictureOf(HWND box);
