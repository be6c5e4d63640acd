#include "application/CustomDraw.h"

#include "application/AppPaths.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/ColorBox.h"
#include "controls/RXSpin.h"
#include "controls/RxCombos.h"
#include "model/CustDraw.h"
#include "model/Utils.h"

namespace {

constexpr TAnchors BottomRight = AnchorBit(akBottom) | AnchorBit(akRight);

const char* const FrameButtons[] = {"rbFrameNone", "rbFrameRaised", "rbFrameLowered", "rbFrameBordered"};

TLayoutComponent Check(const char* Name, const char* Parent, const char* Caption, int Left, int Top, int Width,
                       const char* OnClick) {
  return {"TCheckBox", Name, Parent, Left, Top, Width, 17, alNone, akLeftTop, {{"Caption", Caption}}, {{"OnClick", OnClick}}};
}

TLayoutComponent Label(const char* Name, const char* Parent, const char* Caption, int Left, int Top, int Width,
                       const char* Focus = "") {
  TLayoutComponent C{"TLabel", Name, Parent, Left, Top, Width, 16, alNone, akLeftTop, {{"Caption", Caption}}, {}};
  if (*Focus) C.Properties.push_back({"FocusControl", Focus});
  return C;
}

// Shows Value unless the edit already holds it: a text being typed that reads as the setting stays.
void ShowSpinValue(TRxSpinEdit* Edit, int32_t Value) {
  if (Edit->Value() != Value) Edit->SetValue(Value);
}

TLayoutComponent ColorCombo(const char* Name, const char* Parent, int Left, int Top, int Width, const char* Default,
                            const char* OnChange) {
  TLayoutComponent C{"TAdvColorComboBox", Name, Parent, Left, Top, Width, 22, alNone, akLeftTop, {}, {{"OnChange", OnChange}}};
  if (*Default) C.Properties.push_back({"DefaultColor", Default});
  return C;
}

const TLayout& CustomDrawLayout() {
  static const TLayout Layout = [] {
    TLayout L{
        "TfrmCustomDraw",
        "TForm",
        {{"Caption", "Custom-drawn Menu Properties"}, {"BorderStyle", "bsDialog"}, {"BorderIcons", "[biSystemMenu]"},
         {"Position", "poScreenCenter"}, {"ClientWidth", "612"}, {"ClientHeight", "306"}},
        {{"OnCreate", "FormCreate"}, {"OnDestroy", "FormDestroy"}},
        {
            {"TImage", "Image1", "", 468, 10, 128, 64, alNone, akLeftTop,
             {{"Picture", "PNG:CUSTDRAW_SAMPLE"}, {"Transparent", "True"}}, {}},
            Check("chkCustomDrawn", "", "E&nable custom-drawn menu items", 10, 10, 320, "chkCustomDrawnClick"),
            {"TPanel", "pnlCustomDrawn", "", 0, 32, 612, 228, alNone, akLeftTop,
             {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
            Check("chkFirstLevelDefault", "pnlCustomDrawn", "&Keep default drawing for first-level menu items", 26, 4, 400,
                  "chkFirstLevelDefaultClick"),
            Check("chkBackgroundFix", "pnlCustomDrawn", "Keep default drawing for submenus of &Background file type", 26,
                  24, 400, "chkBackgroundFixClick"),
            Label("lblIndent", "pnlCustomDrawn", "&Item text indent:", 26, 54, 110, "spedIndent"),
            {"TRxSpinEdit", "spedIndent", "pnlCustomDrawn", 140, 50, 49, 21, alNone, akLeftTop,
             {{"ButtonKind", "bkStandard"}, {"MinValue", "10"}, {"MaxValue", "100"}, {"Value", "15"}},
             {{"OnChange", "spedIndentChange"}}},
            Label("lblPixels", "pnlCustomDrawn", "pixels", 202, 54, 60),
            Check("chkFont", "pnlCustomDrawn", "Custom &font:", 26, 84, 110, "chkFontClick"),
            {"TPanel", "pnlCustomFont", "pnlCustomDrawn", 138, 78, 320, 28, alNone, akLeftTop,
             {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
            {"TFontComboBox", "cbTextFont", "pnlCustomFont", 2, 3, 190, 22, alNone, akLeftTop,
             {{"Options", "[foNoOEMFonts, foNoSymbolFonts]"}}, {{"OnChange", "cbTextFontChange"}}},
            {"TRxSpinEdit", "spedTextFontSize", "pnlCustomFont", 200, 3, 49, 21, alNone, akLeftTop,
             {{"ButtonKind", "bkStandard"}, {"MinValue", "6"}, {"MaxValue", "20"}, {"Value", "8"}},
             {{"OnChange", "spedTextFontSizeChange"}}},
            Label("lblPoints", "pnlCustomFont", "points", 256, 6, 60),
            Label("lblNormal", "pnlCustomDrawn", "normal", 170, 116, 140),
            Label("lblSelected", "pnlCustomDrawn", "selected", 330, 116, 140),
            Label("lblTextColors", "pnlCustomDrawn", "Item text colors:", 26, 138, 140),
            ColorCombo("cbNormalTextColor", "pnlCustomDrawn", 170, 134, 150, "$FF000007", "cbNormalTextColorChange"),
            ColorCombo("cbSelectedTextColor", "pnlCustomDrawn", 330, 134, 150, "$FF00000E", "cbSelectedTextColorChange"),
            Label("lblBackColors", "pnlCustomDrawn", "Item background colors:", 26, 168, 140),
            ColorCombo("cbNormalBackColor", "pnlCustomDrawn", 170, 164, 150, "$FF000004", "cbNormalBackColorChange"),
            ColorCombo("cbSelectedBackColor", "pnlCustomDrawn", 330, 164, 150, "$FF00000D", "cbSelectedBackColorChange"),
            Label("lblIconBackColors", "pnlCustomDrawn", "Icon background colors:", 26, 198, 140),
            ColorCombo("cbNormalIconBackColor", "pnlCustomDrawn", 170, 194, 150, "$FF000004", "cbNormalIconBackColorChange"),
            ColorCombo("cbSelectedIconBackColor", "pnlCustomDrawn", 330, 194, 150, "$FF00000D", "cbSelectedIconBackColorChange"),
            // The frame settings are kept but not offered.
            {"TGroupBox", "gbFrame", "pnlCustomDrawn", 488, 76, 116, 148, alNone, akLeftTop,
             {{"Caption", " Item frame "}, {"Visible", "False"}}, {}},
            {"TRadioButton", "rbFrameNone", "gbFrame", 8, 16, 100, 17, alNone, akLeftTop, {{"Caption", "None"}},
             {{"OnClick", "OnFrameKindClick"}}},
            {"TRadioButton", "rbFrameRaised", "gbFrame", 8, 34, 100, 17, alNone, akLeftTop, {{"Caption", "Raised"}},
             {{"OnClick", "OnFrameKindClick"}}},
            {"TRadioButton", "rbFrameLowered", "gbFrame", 8, 52, 100, 17, alNone, akLeftTop, {{"Caption", "Lowered"}},
             {{"OnClick", "OnFrameKindClick"}}},
            {"TRadioButton", "rbFrameBordered", "gbFrame", 8, 70, 100, 17, alNone, akLeftTop, {{"Caption", "Bordered"}},
             {{"OnClick", "OnFrameKindClick"}}},
            {"TPanel", "pnlFrame3D", "gbFrame", 4, 88, 108, 24, alNone, akLeftTop,
             {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
            ColorCombo("cbFrameLightColor", "pnlFrame3D", 0, 0, 52, "$FF000016", "cbFrameLightColorChange"),
            ColorCombo("cbFrameShadowColor", "pnlFrame3D", 54, 0, 52, "$FF000015", "cbFrameShadowColorChange"),
            ColorCombo("cbFrameBorderColor", "gbFrame", 4, 114, 108, "", "cbFrameBorderColorChange"),
            {"TCheckBox", "chkFrameAll", "pnlCustomDrawn", 488, 226, 116, 17, alNone, akLeftTop,
             {{"Caption", "&Draw frame around the whole item"}, {"Visible", "False"}}, {{"OnClick", "chkFrameAllClick"}}},
            {"TButton", "btnOK", "", 368, 272, 75, 25, alNone, BottomRight, {{"Caption", "OK "}, {"Default", "True"}},
             {{"OnClick", "btnOKClick"}}},
            {"TButton", "btnCancel", "", 449, 272, 75, 25, alNone, BottomRight,
             {{"Caption", "&Cancel"}, {"Cancel", "True"}, {"ModalResult", "2"}}, {}},
            {"TButton", "btnApply", "", 530, 272, 75, 25, alNone, BottomRight, {{"Caption", "&Apply"}},
             {{"OnClick", "btnApplyClick"}}},
        }};
    return L;
  }();
  return Layout;
}

}  // namespace

TfrmCustomDraw::TfrmCustomDraw(TComponent* AOwner) : TForm(AOwner) {
  RegisterComponentClass(TAdvColorComboBox::StaticClassInfo());
  RegisterComponentClass(TFontComboBox::StaticClassInfo());
  RegisterComponentClass(TRxSpinEdit::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmCustomDraw::FormCreate);
  RegisterHandler(this, "FormDestroy", &TfrmCustomDraw::FormDestroy);
  RegisterHandler(this, "btnApplyClick", &TfrmCustomDraw::btnApplyClick);
  RegisterHandler(this, "btnOKClick", &TfrmCustomDraw::btnOKClick);
  RegisterHandler(this, "chkCustomDrawnClick", &TfrmCustomDraw::chkCustomDrawnClick);
  RegisterHandler(this, "chkFirstLevelDefaultClick", &TfrmCustomDraw::chkFirstLevelDefaultClick);
  RegisterHandler(this, "chkBackgroundFixClick", &TfrmCustomDraw::chkBackgroundFixClick);
  RegisterHandler(this, "spedIndentChange", &TfrmCustomDraw::spedIndentChange);
  RegisterHandler(this, "chkFontClick", &TfrmCustomDraw::chkFontClick);
  RegisterHandler(this, "cbTextFontChange", &TfrmCustomDraw::cbTextFontChange);
  RegisterHandler(this, "spedTextFontSizeChange", &TfrmCustomDraw::spedTextFontSizeChange);
  RegisterHandler(this, "cbNormalTextColorChange", &TfrmCustomDraw::cbNormalTextColorChange);
  RegisterHandler(this, "cbSelectedTextColorChange", &TfrmCustomDraw::cbSelectedTextColorChange);
  RegisterHandler(this, "cbNormalBackColorChange", &TfrmCustomDraw::cbNormalBackColorChange);
  RegisterHandler(this, "cbSelectedBackColorChange", &TfrmCustomDraw::cbSelectedBackColorChange);
  RegisterHandler(this, "cbNormalIconBackColorChange", &TfrmCustomDraw::cbNormalIconBackColorChange);
  RegisterHandler(this, "cbSelectedIconBackColorChange", &TfrmCustomDraw::cbSelectedIconBackColorChange);
  RegisterHandler(this, "OnFrameKindClick", &TfrmCustomDraw::OnFrameKindClick);
  RegisterHandler(this, "chkFrameAllClick", &TfrmCustomDraw::chkFrameAllClick);
  RegisterHandler(this, "cbFrameLightColorChange", &TfrmCustomDraw::cbFrameLightColorChange);
  RegisterHandler(this, "cbFrameShadowColorChange", &TfrmCustomDraw::cbFrameShadowColorChange);
  RegisterHandler(this, "cbFrameBorderColorChange", &TfrmCustomDraw::cbFrameBorderColorChange);
  InitLayout(CustomDrawLayout());
}

TfrmCustomDraw::~TfrmCustomDraw() { FormDestroy(this); }

template <class T>
T* TfrmCustomDraw::Get(const char* Name) {
  T* Found = dynamic_cast<T*>(FindComponent(Name));
  if (!Found) throw Exception("Component not found: %s", {Name});
  return Found;
}

bool TfrmCustomDraw::CustomFont() const {
  return !FSettings->TextFontFace().empty() || FSettings->TextFontSize() > 0;
}

void TfrmCustomDraw::FormCreate(TObject*) {
  ApplySystemFont(this, *CreateMessageFont());
  FSettings = new TCustomDrawnMenuInfo(IniFileInUse());
  FSettings->OnChange = [this](TObject* Sender) { ShowSettings(Sender); };
  FSettings->OnModified = [this](TObject* Sender) { UpdateApplyButton(Sender); };
  ShowSettings();
  UpdateApplyButton();
}

void TfrmCustomDraw::FormDestroy(TObject*) {
  delete FSettings;
  FSettings = nullptr;
}

void TfrmCustomDraw::SetComboColor(TAdvColorComboBox* Combo, TColor Value) {
  if (Value == clDefault) {
    Combo->SetItemIndex(0);
    return;
  }
  // The first entry stands for the default: a colour equal to it is one of the later entries.
  for (int I = 1; I < Combo->Items()->Count(); ++I)
    if (Combo->GetItemColor(I) == Value && !(Combo->ShowCustomColor() && I == Combo->Items()->Count() - 1)) {
      Combo->SetItemIndex(I);
      return;
    }
  Combo->SetSelectedColor(Value);
}

TColor TfrmCustomDraw::GetComboColor(TAdvColorComboBox* Combo) {
  return Combo->ItemIndex() == 0 ? clDefault : Combo->SelectedColor();
}

void TfrmCustomDraw::ShowSettings(TObject*) {
  ++UpdateDepth;
  struct TDone {
    int& Depth;
    ~TDone() { --Depth; }
  } Done{UpdateDepth};
  TCustomDrawnMenuInfo& S = *FSettings;
  Get<TCheckBox>("chkCustomDrawn")->SetChecked(S.Enabled());
  Get<TCheckBox>("chkFirstLevelDefault")->SetChecked(S.FirstLevelDefault());
  Get<TCheckBox>("chkBackgroundFix")->SetChecked(S.BackgroundFix());
  ShowSpinValue(Get<TRxSpinEdit>("spedIndent"), S.TextIndent());
  const bool Custom = CustomFont();
  Get<TCheckBox>("chkFont")->SetChecked(Custom);
  Get<TFontComboBox>("cbTextFont")->SetFontName(Custom ? S.TextFontFace() : Font().Name());
  ShowSpinValue(Get<TRxSpinEdit>("spedTextFontSize"), Custom ? S.TextFontSize() : Font().Size());
  SetComboColor(Get<TAdvColorComboBox>("cbNormalTextColor"), S.NormalTextColor());
  SetComboColor(Get<TAdvColorComboBox>("cbSelectedTextColor"), S.SelectedTextColor());
  SetComboColor(Get<TAdvColorComboBox>("cbNormalBackColor"), S.NormalBackColor());
  SetComboColor(Get<TAdvColorComboBox>("cbSelectedBackColor"), S.SelectedBackColor());
  SetComboColor(Get<TAdvColorComboBox>("cbNormalIconBackColor"), S.NormalIconBackColor());
  SetComboColor(Get<TAdvColorComboBox>("cbSelectedIconBackColor"), S.SelectedIconBackColor());
  SetComboColor(Get<TAdvColorComboBox>("cbFrameLightColor"), S.FrameLightColor());
  SetComboColor(Get<TAdvColorComboBox>("cbFrameShadowColor"), S.FrameShadowColor());
  SetComboColor(Get<TAdvColorComboBox>("cbFrameBorderColor"), S.FrameBorderColor());
  if (S.FrameStyle() < std::size(FrameButtons)) Get<TRadioButton>(FrameButtons[S.FrameStyle()])->SetRadioChecked(true);
  Get<TCheckBox>("chkFrameAll")->SetChecked(S.FrameAll());
  UpdatePanels();
}

void TfrmCustomDraw::UpdatePanels() {
  SetControlsEnabled(Get<TControl>("pnlCustomDrawn"), FSettings->Enabled(), true);
  UpdateFontPanel();
  UpdateFramePanels();
}

void TfrmCustomDraw::UpdateFontPanel() {
  SetControlsEnabled(Get<TControl>("pnlCustomFont"), FSettings->Enabled() && CustomFont(), true);
}

void TfrmCustomDraw::UpdateFramePanels() {
  const bool On = FSettings->Enabled();
  const int Style = FSettings->FrameStyle();
  SetControlsEnabled(Get<TControl>("pnlFrame3D"), On && (Style == 1 || Style == 2), true);
  SetControlsEnabled(Get<TControl>("cbFrameBorderColor"), On && Style == 3, true);
}

void TfrmCustomDraw::UpdateApplyButton(TObject*) {
  if (FSettings) Get<TControl>("btnApply")->SetEnabled(FSettings->Modified());
}

template <class F>
void TfrmCustomDraw::Edit(F Change) {
  if (UpdateDepth > 0) return;
  FSettings->BeginUpdate();
  try {
    Change(*FSettings);
  } catch (...) {
    FSettings->EndUpdate();
    throw;
  }
  FSettings->EndUpdate();
}

void TfrmCustomDraw::EditColor(const char* Combo, void (TCustomDrawnMenuInfo::*Setter)(TColor)) {
  Edit([&](TCustomDrawnMenuInfo& S) { (S.*Setter)(GetComboColor(Get<TAdvColorComboBox>(Combo))); });
}

void TfrmCustomDraw::ShowSpinValues() {
  for (const char* Name : {"spedIndent", "spedTextFontSize"}) {
    TRxSpinEdit* Edit = Get<TRxSpinEdit>(Name);
    Edit->SetValue(Edit->Value());
  }
}

void TfrmCustomDraw::btnApplyClick(TObject*) {
  ShowSpinValues();
  FSettings->Save();
}

void TfrmCustomDraw::btnOKClick(TObject*) {
  ShowSpinValues();
  FSettings->Save();
  ModalResult = mrOk;
}

void TfrmCustomDraw::chkCustomDrawnClick(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetEnabled(Get<TCheckBox>("chkCustomDrawn")->Checked()); });
  if (UpdateDepth == 0) UpdatePanels();
}

void TfrmCustomDraw::chkFirstLevelDefaultClick(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetFirstLevelDefault(Get<TCheckBox>("chkFirstLevelDefault")->Checked()); });
}

void TfrmCustomDraw::chkBackgroundFixClick(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetBackgroundFix(Get<TCheckBox>("chkBackgroundFix")->Checked()); });
}

void TfrmCustomDraw::spedIndentChange(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetTextIndent(static_cast<int32_t>(Get<TRxSpinEdit>("spedIndent")->Value())); });
}

void TfrmCustomDraw::chkFontClick(TObject*) {
  if (UpdateDepth > 0) return;
  const bool On = Get<TCheckBox>("chkFont")->Checked();
  Edit([&](TCustomDrawnMenuInfo& S) {
    S.SetTextFontFace(On ? Font().Name() : std::string());
    S.SetTextFontSize(On ? Font().Size() : 0);
  });
  ++UpdateDepth;
  struct TDone {
    int& Depth;
    ~TDone() { --Depth; }
  } Done{UpdateDepth};
  Get<TFontComboBox>("cbTextFont")->SetFontName(Font().Name());
  Get<TRxSpinEdit>("spedTextFontSize")->SetValue(Font().Size());
  UpdateFontPanel();
}

void TfrmCustomDraw::cbTextFontChange(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetTextFontFace(Get<TFontComboBox>("cbTextFont")->FontName()); });
}

void TfrmCustomDraw::spedTextFontSizeChange(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) {
    S.SetTextFontSize(static_cast<int32_t>(Get<TRxSpinEdit>("spedTextFontSize")->Value()));
  });
}

void TfrmCustomDraw::cbNormalTextColorChange(TObject*) {
  EditColor("cbNormalTextColor", &TCustomDrawnMenuInfo::SetNormalTextColor);
}
void TfrmCustomDraw::cbSelectedTextColorChange(TObject*) {
  EditColor("cbSelectedTextColor", &TCustomDrawnMenuInfo::SetSelectedTextColor);
}
void TfrmCustomDraw::cbNormalBackColorChange(TObject*) {
  EditColor("cbNormalBackColor", &TCustomDrawnMenuInfo::SetNormalBackColor);
}
void TfrmCustomDraw::cbSelectedBackColorChange(TObject*) {
  EditColor("cbSelectedBackColor", &TCustomDrawnMenuInfo::SetSelectedBackColor);
}
void TfrmCustomDraw::cbNormalIconBackColorChange(TObject*) {
  EditColor("cbNormalIconBackColor", &TCustomDrawnMenuInfo::SetNormalIconBackColor);
}
void TfrmCustomDraw::cbSelectedIconBackColorChange(TObject*) {
  EditColor("cbSelectedIconBackColor", &TCustomDrawnMenuInfo::SetSelectedIconBackColor);
}
void TfrmCustomDraw::cbFrameLightColorChange(TObject*) {
  EditColor("cbFrameLightColor", &TCustomDrawnMenuInfo::SetFrameLightColor);
}
void TfrmCustomDraw::cbFrameShadowColorChange(TObject*) {
  EditColor("cbFrameShadowColor", &TCustomDrawnMenuInfo::SetFrameShadowColor);
}
void TfrmCustomDraw::cbFrameBorderColorChange(TObject*) {
  EditColor("cbFrameBorderColor", &TCustomDrawnMenuInfo::SetFrameBorderColor);
}

void TfrmCustomDraw::OnFrameKindClick(TObject*) {
  if (UpdateDepth > 0) return;
  for (uint8_t Style = 0; Style < std::size(FrameButtons); ++Style)
    if (Get<TRadioButton>(FrameButtons[Style])->Checked()) Edit([&](TCustomDrawnMenuInfo& S) { S.SetFrameStyle(Style); });
  UpdateFramePanels();
}

void TfrmCustomDraw::chkFrameAllClick(TObject*) {
  Edit([&](TCustomDrawnMenuInfo& S) { S.SetFrameAll(Get<TCheckBox>("chkFrameAll")->Checked()); });
}

int ShowCustomDraw() {
  std::unique_ptr<TfrmCustomDraw> Form = std::make_unique<TfrmCustomDraw>(Application);
  return Form->ShowModal();
}
