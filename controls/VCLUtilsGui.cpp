// The routines of VCLUtils that need the GUI class library's controls.
#include "classlib/gui/Controls.h"
#include "controls/VCLUtils.h"

void CopyParentImage(TControl* Control, TCanvas& Dest) {
  if (!Control || !Control->Parent()) return;
  PaintParentBackground(Control, Dest.Handle());
}

void RedrawChildWindows(HWND Wnd) {
  for (HWND Child = GetWindow(Wnd, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT))
    if (IsWindowVisible(Child)) RedrawWindow(Child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
