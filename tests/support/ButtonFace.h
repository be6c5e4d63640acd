// The dark pixels of a window as the screen shows it: a button's arrows, frame and picture, which a
// button that went blank lacks.
#pragma once

#include "tests/support/Gui.h"

#include <windows.h>

// Pixels of Wnd's window rectangle on the screen, taken as it is (no redraw), whose every channel
// is below 0x60.
inline int DarkPixelsOnScreen(HWND Wnd) {
  RECT R{};
  GetWindowRect(Wnd, &R);
  const TWindowCapture Screen(GetDesktopWindow(), false);
  int Dark = 0;
  for (int Y = R.top; Y < R.bottom; ++Y)
    for (int X = R.left; X < R.right; ++X) {
      const COLORREF C = Screen.At(X, Y);
      if (C != CLR_INVALID && GetRValue(C) < 0x60 && GetGValue(C) < 0x60 && GetBValue(C) < 0x60) ++Dark;
    }
  return Dark;
}
