// The routines of VCLUtils that need the GUI class library's controls.
#include "classlib/gui/Controls.h"
#include "controls/VCLUtils.h"

void CopyParentImage(TControl* Control, TCanvas& Dest) {
  if (!Control || !Control->Parent()) return;
  PaintParentBackground(Control, Dest.Handle());
}
