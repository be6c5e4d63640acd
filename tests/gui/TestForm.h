// The test form: every control of the library from one layout table, and a log of what happened.
#pragma once

#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/Forms.h"

#include <string>
#include <vector>

// A panel that logs its "Note" property being set and its Loaded.
class TLoggedPanel : public TPanel {
public:
  explicit TLoggedPanel(TComponent* AOwner) : TPanel(AOwner) {}
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info{"TLoggedPanel",
                                 &TPanel::StaticClassInfo(),
                                 {StrProp<TLoggedPanel>("Note", [](TLoggedPanel& P) { return P.Note; },
                                                        [](TLoggedPanel& P, const std::string& V) {
                                                          P.Note = V;
                                                          Log().push_back("set " + P.Name());
                                                        })},
                                 {},
                                 [](TComponent* Owner) -> TComponent* { return new TLoggedPanel(Owner); }};
    return Info;
  }
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  void Loaded() override {
    TPanel::Loaded();
    Log().push_back("loaded " + Name());
  }
  std::string Note;
  static std::vector<std::string>& Log() {
    static std::vector<std::string> L;
    return L;
  }
};

inline const TLayout& TestFormLayout() {
  static const TLayout Layout{
      "TfrmTest",
      "TForm",
      {{"Caption", "Test form"}, {"ClientWidth", "420"}, {"ClientHeight", "300"}, {"Position", "poScreenCenter"},
       {"KeyPreview", "True"}, {"ActiveControl", "edtName"}},
      {{"OnCreate", "FormCreate"}, {"OnShow", "FormShow"}, {"OnKeyUp", "FormKeyUp"}},
      {
          {"TLoggedPanel", "pnlTop", "", 0, 0, 420, 40, alTop, akLeftTop, {{"Note", "top"}, {"Caption", "Top"}}, {}},
          {"TLoggedPanel", "pnlBottom", "", 0, 260, 420, 40, alBottom, akLeftTop, {{"Note", "bottom"}, {"Caption", ""}}, {}},
          {"TPanel", "pnlLeft", "", 0, 40, 100, 220, alLeft, akLeftTop, {{"Caption", ""}}, {}},
          {"TSplitter", "splLeft", "", 100, 40, 4, 220, alLeft, akLeftTop, {}, {}},
          {"TPanel", "pnlClient", "", 104, 40, 316, 220, alClient, akLeftTop, {{"Color", "$00C0FFC0"}}, {}},
          {"TLabel", "lblName", "pnlClient", 8, 8, 60, 17, alNone, akLeftTop,
           {{"Caption", "&Name:"}, {"FocusControl", "edtName"}, {"Transparent", "True"}}, {}},
          {"TEdit", "edtName", "pnlClient", 70, 6, 120, 21, alNone, akLeftTop, {{"Text", "Alpha"}, {"Color", "$00FFFF00"}, {"Font.Color", "$000000FF"}},
           {{"OnChange", "edtNameChange"}}},
          {"TMemo", "memNotes", "pnlClient", 70, 32, 120, 50, alNone, akLeftTop, {{"Lines", "one\rtwo"}}, {}},
          {"TComboBox", "cbxKind", "pnlClient", 200, 6, 100, 21, alNone, akLeftTop,
           {{"Style", "csOwnerDrawFixed"}, {"Items", "Red\rGreen\rBlue"}, {"ItemIndex", "1"}},
           {{"OnDrawItem", "cbxKindDrawItem"}}},
          {"TCheckBox", "chkActive", "pnlClient", 200, 40, 100, 17, alNone, akLeftTop, {{"Caption", "A&ctive"}},
           {{"OnClick", "chkActiveClick"}}},
          {"TGroupBox", "grpChoice", "pnlClient", 8, 90, 180, 80, alNone, akLeftTop, {{"Caption", "Choice"}}, {}},
          {"TRadioButton", "rbOne", "grpChoice", 8, 20, 80, 17, alNone, akLeftTop, {{"Caption", "One"}, {"Checked", "True"}}, {}},
          {"TRadioButton", "rbTwo", "grpChoice", 8, 44, 80, 17, alNone, akLeftTop, {{"Caption", "Two"}}, {}},
          {"TImage", "imgCells", "pnlClient", 200, 90, 64, 64, alNone, akLeftTop, {{"Picture", "BMP:CELLS"}}, {}},
          {"TPageControl", "pgPages", "pnlClient", 200, 160, 110, 55, alNone, akLeftTop, {{"Style", "tsFlatButtons"}, {"HotTrack", "True"}},
           {{"OnChange", "pgPagesChange"}}},
          {"TTabSheet", "tsFirst", "pgPages", 0, 0, 10, 10, alNone, akLeftTop, {{"Caption", "First"}}, {}},
          {"TTabSheet", "tsSecond", "pgPages", 0, 0, 10, 10, alNone, akLeftTop, {{"Caption", "Second"}},
           {{"OnShow", "tsSecondShow"}}},
          {"TEdit", "edtCount", "pnlClient", 8, 180, 50, 21, alNone, akLeftTop, {{"Text", "0"}}, {}},
          {"TUpDown", "udCount", "pnlClient", 58, 180, 17, 21, alNone, akLeftTop, {{"Associate", "edtCount"}, {"Max", "10"}}, {}},
          {"TButton", "btnOk", "pnlBottom", 250, 8, 75, 25, alNone, AnchorBit(akRight) | AnchorBit(akBottom),
           {{"Caption", "OK "}, {"Default", "True"}, {"ModalResult", "1"}}, {}},
          {"TButton", "btnCancel", "pnlBottom", 335, 8, 75, 25, alNone, AnchorBit(akRight) | AnchorBit(akBottom),
           {{"Caption", "Cancel"}, {"Cancel", "True"}, {"ModalResult", "2"}}, {}},
          {"TTimer", "tmrTest", "", 0, 0, 0, 0, alNone, akLeftTop, {{"Enabled", "False"}, {"Interval", "50"}},
           {{"OnTimer", "tmrTestTimer"}}},
      }};
  return Layout;
}

class TfrmTest : public TForm {
public:
  explicit TfrmTest(TComponent* AOwner) : TForm(AOwner) {
    RegisterHandler(this, "FormCreate", &TfrmTest::FormCreate);
    RegisterHandler(this, "FormShow", &TfrmTest::FormShow);
    RegisterHandler(this, "FormKeyUp", &TfrmTest::FormKeyUp);
    RegisterHandler(this, "edtNameChange", &TfrmTest::edtNameChange);
    RegisterHandler(this, "cbxKindDrawItem", &TfrmTest::cbxKindDrawItem);
    RegisterHandler(this, "chkActiveClick", &TfrmTest::chkActiveClick);
    RegisterHandler(this, "pgPagesChange", &TfrmTest::pgPagesChange);
    RegisterHandler(this, "tsSecondShow", &TfrmTest::tsSecondShow);
    RegisterHandler(this, "tmrTestTimer", &TfrmTest::tmrTestTimer);
    InitLayout(TestFormLayout());
  }
  std::vector<std::string> Events;
  std::function<void()> OnTick;

  void FormCreate(TObject*) { TLoggedPanel::Log().push_back("OnCreate"); }
  void FormShow(TObject*) {
    TLoggedPanel::Log().push_back(std::string("OnShow ") + (IsWindowVisible(Handle()) ? "visible" : "hidden"));
  }
  void FormKeyUp(TObject*, WORD& Key, TShiftState) { Events.push_back("form keyup " + std::to_string(Key)); }
  void edtNameChange(TObject*) { Events.push_back("name change"); }
  void cbxKindDrawItem(TWinControl* Control, int Index, const RECT& Rect, TOwnerDrawState) {
    static const TColor Colors[] = {clRed, clLime, clBlue};
    auto& Canvas = static_cast<TCustomComboBox*>(Control)->Canvas();
    Canvas.Brush().SetColor(Index >= 0 && Index < 3 ? Colors[Index] : clWhite);
    Canvas.FillRect(Rect);
  }
  void chkActiveClick(TObject*) { Events.push_back("active click"); }
  void pgPagesChange(TObject*) { Events.push_back("pages change"); }
  void tsSecondShow(TObject*) { Events.push_back("second show"); }
  void tmrTestTimer(TObject*) {
    if (OnTick) OnTick();
  }
};

inline void RegisterTestClasses() { RegisterComponentClass(TLoggedPanel::StaticClassInfo()); }
