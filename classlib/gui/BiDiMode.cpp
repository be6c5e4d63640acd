// The reading order and alignment of controls: the mode, its inheritance from the parent and the
// notification of a change.
#include "classlib/gui/Controls.h"

namespace {

// Tells Control and every child that follows its parent's mode, depth first.
void NotifyBiDiModeChanged(TControl* Control) {
  Control->BiDiModeChanged();
  auto* Win = dynamic_cast<TWinControl*>(Control);
  if (!Win) return;
  for (int I = 0; I < Win->ControlCount(); ++I)
    if (Win->Controls(I)->ParentBiDiMode()) NotifyBiDiModeChanged(Win->Controls(I));
}

}  // namespace

TBiDiMode TControl::BiDiMode() const {
  if (FParentBiDiMode && FParent) return FParent->BiDiMode();
  return FBiDiMode;
}

void TControl::SetBiDiMode(TBiDiMode Value) {
  const TBiDiMode Old = BiDiMode();
  FBiDiMode = Value;
  FParentBiDiMode = false;
  if (Value != Old) NotifyBiDiModeChanged(this);
}

void TControl::SetParentBiDiMode(bool Value) {
  if (Value == FParentBiDiMode) return;
  const TBiDiMode Old = BiDiMode();
  FBiDiMode = Old;  // leaving the parent keeps the mode it gave
  FParentBiDiMode = Value;
  if (BiDiMode() != Old) NotifyBiDiModeChanged(this);
}

UINT TControl::DrawTextBiDiModeFlags(UINT Flags) const {
  if (UseRightToLeftAlignment()) {
    if (Flags & DT_RIGHT)
      Flags &= ~static_cast<UINT>(DT_RIGHT);
    else if (!(Flags & DT_CENTER))
      Flags |= DT_RIGHT;
  }
  if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
  return Flags;
}

TPropInfo BiDiModeProp() {
  return EnumProp<TControl, TBiDiMode>(
      "BiDiMode", {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"},
      [](TControl& C) { return C.BiDiMode(); }, [](TControl& C, TBiDiMode V) { C.SetBiDiMode(V); });
}

TPropInfo ParentBiDiModeProp() {
  return BoolProp<TControl>("ParentBiDiMode", [](TControl& C) { return C.ParentBiDiMode(); },
                            [](TControl& C, bool V) { C.SetParentBiDiMode(V); });
}
