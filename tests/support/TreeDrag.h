// Driving drags of tree nodes in tests: the view's own drag detection from queued moves and a
// sent press, and mouse messages posted to the drag's capture window.
#pragma once

#include "classlib/gui/TreeView.h"
#include "tests/support/Gui.h"

// The centre of Node's label in its view's client coordinates.
inline POINT LabelCenter(TTreeNode* Node) {
  const RECT R = Node->DisplayRect(true);
  return {(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

// The view's own drag detection: moves waiting in the queue, then a sent press on Node.
inline void PressAndPull(TTreeNode* Node) {
  const POINT P = LabelCenter(Node);
  const HWND Wnd = Node->TreeView()->Handle();
  PostMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(P.x + 10, P.y + 3));
  PostMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(P.x + 20, P.y + 6));
  SendMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(P.x, P.y));
}

// A posted mouse message to the window holding the capture, at a client point of Control.
inline void PostToCapture(UINT Msg, WPARAM Keys, TWinControl* Control, POINT P) {
  const HWND Capture = GetCapture();
  ASSERT_NE(Capture, nullptr);
  MapWindowPoints(Control->Handle(), Capture, &P, 1);
  PostMessageA(Capture, Msg, Keys, MAKELPARAM(P.x, P.y));
  PumpUntilIdle(30, 1000);
}
