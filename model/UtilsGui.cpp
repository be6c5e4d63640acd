// The common utilities that work on controls.
#include "classlib/gui/Forms.h"
#include "classlib/gui/StdCtrls.h"
#include "model/Utils.h"

void SetControlsEnabled(TControl* Control, bool Enabled, bool KeepValues) {
  if (!Control) return;
  Control->SetEnabled(Enabled);
  if (!KeepValues) {
    if (auto* Combo = dynamic_cast<TCustomComboBox*>(Control)) {
      Combo->SetItemIndex(Enabled && Combo->Items()->Count() > 0 ? 0 : -1);
    } else if (!Enabled) {
      if (auto* Edit = dynamic_cast<TCustomEdit*>(Control)) Edit->SetText("");
      else if (auto* Check = dynamic_cast<TCheckBox*>(Control); Check && !dynamic_cast<TRadioButton*>(Check))
        Check->SetChecked(false);
    }
  }
  if (auto* Win = dynamic_cast<TWinControl*>(Control))
    for (int I = 0; I < Win->ControlCount(); ++I) SetControlsEnabled(Win->Controls(I), Enabled, KeepValues);
}

void ApplySystemFont(TControl* Control, TFont& Font) {
  if (!Control) return;
  if (dynamic_cast<TCustomForm*>(Control)) {
    Control->Font().Assign(&Font);
  } else if (!Control->ParentFont() && Control->Font().Size() == 8) {
    Control->Font().SetName(Font.Name());
    Control->Font().SetCharset(Font.Charset());
  }
  if (auto* Win = dynamic_cast<TWinControl*>(Control))
    for (int I = 0; I < Win->ControlCount(); ++I) ApplySystemFont(Win->Controls(I), Font);
}
