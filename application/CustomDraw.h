// The custom-draw settings window: how Vellisk draws the dynamic items (section "Custom-drawn Menu
// Properties" of the INI file in use), edited on a settings object of its own and written on Apply
// and OK.
#pragma once

#include "classlib/gui/Forms.h"

class TCustomDrawnMenuInfo;
class TAdvColorComboBox;

class TfrmCustomDraw : public TForm {
public:
  explicit TfrmCustomDraw(TComponent* AOwner);
  ~TfrmCustomDraw() override;

  // The dialog's settings, loaded from the INI file in use at creation.
  TCustomDrawnMenuInfo* Settings() const { return FSettings; }
  // Above zero while the controls are filled from the settings (their events then do nothing).
  int UpdateDepth = 0;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void btnApplyClick(TObject* Sender);
  void btnOKClick(TObject* Sender);
  void chkCustomDrawnClick(TObject* Sender);
  void chkFirstLevelDefaultClick(TObject* Sender);
  void chkBackgroundFixClick(TObject* Sender);
  void spedIndentChange(TObject* Sender);
  void chkFontClick(TObject* Sender);
  void cbTextFontChange(TObject* Sender);
  void spedTextFontSizeChange(TObject* Sender);
  void cbNormalTextColorChange(TObject* Sender);
  void cbSelectedTextColorChange(TObject* Sender);
  void cbNormalBackColorChange(TObject* Sender);
  void cbSelectedBackColorChange(TObject* Sender);
  void cbNormalIconBackColorChange(TObject* Sender);
  void cbSelectedIconBackColorChange(TObject* Sender);
  void OnFrameKindClick(TObject* Sender);
  void chkFrameAllClick(TObject* Sender);
  void cbFrameLightColorChange(TObject* Sender);
  void cbFrameShadowColorChange(TObject* Sender);
  void cbFrameBorderColorChange(TObject* Sender);

  // Every control from the settings.
  void ShowSettings(TObject* Sender = nullptr);
  // Enables the panels as the settings say; their controls keep their values.
  void UpdatePanels();
  void UpdateApplyButton(TObject* Sender = nullptr);
  // clDefault selects the first entry; any other value the entry of that colour after it, or the
  // custom entry.
  static void SetComboColor(TAdvColorComboBox* Combo, TColor Value);
  // clDefault while the first entry is selected, else the selected colour.
  static TColor GetComboColor(TAdvColorComboBox* Combo);

private:
  // Made by FormCreate, freed by FormDestroy (which the form's own destruction runs last).
  TCustomDrawnMenuInfo* FSettings = nullptr;
  template <class T>
  T* Get(const char* Name);
  bool CustomFont() const;
  void UpdateFontPanel();
  void UpdateFramePanels();
  // The spin edits show the values they hold (typed text out of range is replaced by its limit).
  void ShowSpinValues();
  // Runs Change inside the settings' update bracket, unless the controls are being filled.
  template <class F>
  void Edit(F Change);
  void EditColor(const char* Combo, void (TCustomDrawnMenuInfo::*Setter)(TColor));
};

// Makes the window owned by the application, shows it modally and frees it; the modal result.
int ShowCustomDraw();
