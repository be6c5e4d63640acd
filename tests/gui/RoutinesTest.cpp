// Routines that work on controls: the string list assigned to list views, enabling and clearing
// control trees, the system font applied to a form, and a control's parent image.
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/ListView.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/VCLUtils.h"
#include "model/SortedCollection.h"
#include "model/Utils.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class RoutinesTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(80, 80, 400, 300);
  }
  template <class T>
  T* Add(TWinControl* Parent, int X, int Y, int W, int H) {
    auto* C = new T(Form.get());
    C->SetBounds(X, Y, W, H);
    C->SetParent(Parent);
    return C;
  }
  std::unique_ptr<TForm> Form;
};

// ---------------------------------------------------------------------------------------------
// TAdvStringList assigned

TEST_F(RoutinesTest, AdvStringListFillsListViewsAndTheirItems) {
  auto* View = Add<TListView>(Form.get(), 0, 0, 200, 100);
  View->Columns()->Add()->SetCaption("Name");
  TObject A, B, C;
  TAdvStringList Lines;
  Lines.AddObject("one", &A);
  Lines.AddObject("two", &B);
  Lines.AddObject("three", &C);
  struct TCase {
    const char* Name;
    bool WithWindow;
    TPersistent* (*Target)(TListView*);
  };
  const TCase Cases[] = {
      {"view, no window", false, [](TListView* V) -> TPersistent* { return V; }},
      {"items, no window", false, [](TListView* V) -> TPersistent* { return V->Items(); }},
      {"view with window", true, [](TListView* V) -> TPersistent* { return V; }},
      {"items with window", true, [](TListView* V) -> TPersistent* { return V->Items(); }},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    if (Case.WithWindow) View->HandleNeeded();
    else View->DestroyHandle();
    View->Items()->Clear();
    View->Items()->Add()->SetCaption("old");
    Case.Target(View)->Assign(&Lines);
    ASSERT_EQ(View->Items()->Count(), 3);
    const TObject* Objects[] = {&A, &B, &C};
    for (int I = 0; I < 3; ++I) {
      EXPECT_EQ(View->Items()->Item(I)->Caption(), Lines.Get(I));
      EXPECT_EQ(View->Items()->Item(I)->Data(), Objects[I]);
    }
    EXPECT_EQ(View->Items()->UpdateCount(), 0);
    View->HandleNeeded();
    EXPECT_EQ(SendMessageA(View->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
  }
  // An empty list empties the view.
  TAdvStringList Empty;
  View->Assign(&Empty);
  EXPECT_EQ(View->Items()->Count(), 0);
}

TEST_F(RoutinesTest, AdvStringListRefusesOtherTargets) {
  auto* Button = Add<TButton>(Form.get(), 0, 0, 80, 24);
  TAdvStringList Lines;
  Lines.Add("x");
  try {
    Button->Assign(&Lines);
    ADD_FAILURE() << "no error";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Cannot assign a TAdvStringList to a TButton");
  }
}

// ---------------------------------------------------------------------------------------------
// SetControlsEnabled

struct TEnablingTree {
  TPanel* Outer;
  TEdit* Edit;
  TComboBox* Combo;
  TCheckBox* Check;
  TRadioButton* Radio;
  TPanel* Inner;
  TEdit* InnerEdit;
};

TEST_F(RoutinesTest, SetControlsEnabledTable) {
  struct TCase {
    const char* Name;
    bool Enabled, KeepValues;
    std::string Edit, InnerEdit;
    int ComboIndex;
    bool Checked, RadioChecked;
  };
  // Every case starts from: edits "abc"/"def", the combo at its second entry, both boxes checked.
  const TCase Cases[] = {
      {"disable", false, false, "", "", -1, false, true},
      {"disable keeping values", false, true, "abc", "def", 1, true, true},
      {"enable", true, false, "abc", "def", 0, true, true},
      {"enable keeping values", true, true, "abc", "def", 1, true, true},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TEnablingTree T{};
    T.Outer = Add<TPanel>(Form.get(), 0, 0, 300, 200);
    T.Edit = Add<TEdit>(T.Outer, 5, 5, 100, 21);
    T.Combo = Add<TComboBox>(T.Outer, 5, 30, 100, 21);
    T.Combo->Items()->Add("first");
    T.Combo->Items()->Add("second");
    T.Check = Add<TCheckBox>(T.Outer, 5, 60, 100, 20);
    T.Radio = Add<TRadioButton>(T.Outer, 5, 85, 100, 20);
    T.Inner = Add<TPanel>(T.Outer, 120, 5, 150, 100);
    T.InnerEdit = Add<TEdit>(T.Inner, 5, 5, 100, 21);
    Form->Show();
    T.Edit->SetText("abc");
    T.InnerEdit->SetText("def");
    T.Combo->SetItemIndex(1);
    T.Check->SetChecked(true);
    T.Radio->SetChecked(true);
    if (Case.Enabled) SetControlsEnabled(T.Outer, false, true);

    SetControlsEnabled(T.Outer, Case.Enabled, Case.KeepValues);

    for (TControl* C : std::vector<TControl*>{T.Outer, T.Edit, T.Combo, T.Check, T.Radio, T.Inner, T.InnerEdit}) {
      EXPECT_EQ(C->Enabled(), Case.Enabled) << C->ClassName();
      EXPECT_EQ(IsWindowEnabled(static_cast<TWinControl*>(C)->Handle()) != FALSE, Case.Enabled) << C->ClassName();
    }
    EXPECT_EQ(T.Edit->Text(), Case.Edit);
    EXPECT_EQ(T.InnerEdit->Text(), Case.InnerEdit);
    EXPECT_EQ(T.Combo->ItemIndex(), Case.ComboIndex);
    EXPECT_EQ(SendMessageA(T.Combo->Handle(), CB_GETCURSEL, 0, 0), Case.ComboIndex);
    EXPECT_EQ(T.Check->Checked(), Case.Checked);
    EXPECT_EQ(T.Radio->Checked(), Case.RadioChecked);  // a radio button is no check box
    delete T.Outer;
  }
  SetControlsEnabled(nullptr, false, false);  // nothing
}

// ---------------------------------------------------------------------------------------------
// ApplySystemFont

TEST_F(RoutinesTest, ApplySystemFontTable) {
  auto* Panel = Add<TPanel>(Form.get(), 0, 0, 300, 200);
  auto* Own8 = Add<TLabel>(Panel, 5, 5, 100, 20);   // own font of 8 points
  auto* Own10 = Add<TLabel>(Panel, 5, 30, 100, 20);  // own font of 10 points
  auto* Inherits = Add<TEdit>(Panel, 5, 60, 100, 21);
  auto* NestedOwn8 = Add<TButton>(Form.get(), 200, 220, 80, 24);
  Form->Font().SetName("Arial");
  Form->Font().SetSize(8);
  for (TControl* C : std::vector<TControl*>{Own8, NestedOwn8}) {
    C->Font().SetName("Arial");
    C->Font().SetSize(8);
    C->Font().SetStyle(FontStyleBit(fsBold));
  }
  Own10->Font().SetName("Arial");
  Own10->Font().SetSize(10);
  ASSERT_FALSE(Own8->ParentFont());
  ASSERT_TRUE(Inherits->ParentFont());

  TFont System;
  System.SetName("Courier New");
  System.SetSize(9);
  System.SetCharset(RUSSIAN_CHARSET);
  ApplySystemFont(Form.get(), System);

  struct TExpect {
    TControl* Control;
    std::string Name;
    int Size;
    BYTE Charset;
  };
  const TExpect Expected[] = {
      {Form.get(), "Courier New", 9, RUSSIAN_CHARSET},  // the form whole
      {Own8, "Courier New", 8, RUSSIAN_CHARSET},        // name and character set only
      {NestedOwn8, "Courier New", 8, RUSSIAN_CHARSET},
      {Own10, "Arial", 10, DEFAULT_CHARSET},             // not 8 points: nothing
      {Inherits, "Courier New", 9, RUSSIAN_CHARSET},     // follows its parents
  };
  for (const TExpect& E : Expected) {
    EXPECT_EQ(E.Control->Font().Name(), E.Name) << E.Control->ClassName();
    EXPECT_EQ(E.Control->Font().Size(), E.Size) << E.Control->ClassName();
    EXPECT_EQ(E.Control->Font().Charset(), E.Charset) << E.Control->ClassName();
  }
  EXPECT_EQ(Own8->Font().Style(), static_cast<unsigned>(FontStyleBit(fsBold)));
  EXPECT_FALSE(Own8->ParentFont());
}

// ---------------------------------------------------------------------------------------------
// CopyParentImage

// A window-less control that fills itself with one colour and counts its paint-copy paints.
class TColourBlock : public TGraphicControl {
public:
  TColourBlock(TComponent* AOwner, COLORREF Colour) : TGraphicControl(AOwner), FColour(Colour) {}
  int CopyPaints = 0;

protected:
  void Paint() override {
    if (ControlState & csPaintCopy) ++CopyPaints;
    FCanvas.Brush().SetColor(static_cast<TColor>(FColour));
    FCanvas.FillRect(RECT{0, 0, Width(), Height()});
  }

private:
  COLORREF FColour;
};

TEST_F(RoutinesTest, CopyParentImagePaintsTheParentAndTheGraphicControlsBelow) {
  constexpr COLORREF PanelColour = RGB(0, 128, 0), BelowColour = RGB(0, 0, 255), AboveColour = RGB(255, 255, 0);
  auto* Panel = Add<TPanel>(Form.get(), 10, 10, 300, 200);
  Panel->SetBevelOuter(bvNone);
  Panel->SetCaption("");
  Panel->SetColor(static_cast<TColor>(PanelColour));
  auto* Below = new TColourBlock(Form.get(), BelowColour);
  Below->SetBounds(30, 20, 40, 40);  // panel x 30..70, y 20..60
  Below->SetParent(Panel);
  auto* Far = new TColourBlock(Form.get(), BelowColour);
  Far->SetBounds(250, 150, 20, 20);  // below, but away from the target
  Far->SetParent(Panel);
  auto* Target = Add<TPanel>(Panel, 50, 30, 80, 60);  // panel x 50..130, y 30..90
  auto* Above = new TColourBlock(Form.get(), AboveColour);
  Above->SetBounds(100, 40, 20, 20);  // above the target in z-order: not copied
  Above->SetParent(Panel);
  Form->Show();
  PumpUntilIdle();

  TBitmap Image;
  Image.SetSize(80, 60);
  Image.Canvas().BrushColor = static_cast<TColor>(RGB(255, 255, 255));
  Image.Canvas().FillRect(RECT{0, 0, 80, 60});
  CopyParentImage(Target, Image.Canvas());

  struct TProbe {
    int X, Y;
    COLORREF Colour;
  };
  const TProbe Probes[] = {
      {0, 0, BelowColour},    // panel (50, 30): inside the block below
      {19, 29, BelowColour},  // panel (69, 59): its last pixel
      {20, 5, PanelColour},   // panel (70, 35): just right of it
      {5, 30, PanelColour},   // panel (55, 60): just under it
      {55, 15, PanelColour},  // panel (105, 45): the block above is left out
  };
  for (const TProbe& P : Probes)
    EXPECT_EQ(static_cast<COLORREF>(Image.Canvas().Pixel(P.X, P.Y)) & 0xFFFFFF, P.Colour) << P.X << "," << P.Y;
  EXPECT_EQ(Below->CopyPaints, 1);
  EXPECT_EQ(Far->CopyPaints, 0);
  EXPECT_EQ(Above->CopyPaints, 0);
  EXPECT_EQ(Panel->ControlState & csPaintCopy, 0u);
  EXPECT_EQ(Below->ControlState & csPaintCopy, 0u);

  // Without a parent or a control: nothing drawn.
  auto* Orphan = new TPanel(Form.get());
  Image.Canvas().FillRect(RECT{0, 0, 80, 60});
  CopyParentImage(Orphan, Image.Canvas());
  CopyParentImage(nullptr, Image.Canvas());
  EXPECT_EQ(static_cast<COLORREF>(Image.Canvas().Pixel(0, 0)) & 0xFFFFFF, RGB(255, 255, 255));
}

}  // namespace
