#pragma once
#include <windows.h>
#include <commctrl.h>

// The label of a multi-line push button, drawn at the custom-draw paint
// stage in place of the button's own. Wine's buttons measure a wrapping
// label and then draw it into a rectangle exactly as wide as its widest
// line, which Wine's text drawing breaks once more: "Run Cantivox with
// special params" came out in four lines in a button with room for three,
// its last line cut by the button's edge. Here the label is measured and
// drawn in the same width, centred, with the theme's text colours and the
// focus rectangle.
//
// For a WM_NOTIFY NM_CUSTOMDRAW from a push button; returns the answer to
// give it (CDRF_SKIPDEFAULT once the label is drawn).
LRESULT DrawWrappedButtonLabel(const NMCUSTOMDRAW& draw);
