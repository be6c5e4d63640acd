// Right-to-left reading and alignment of the component library's controls, on real windows: the
// mode inherited from the parent, the check area, the spin edit's buttons and formatting rectangle,
// captions drawn at the right (and at the left without mirrored alignment), an auto-sized label that
// keeps its right edge, and the combo edit's drop-down.
#include "classlib/gui/StdCtrls.h"
#include "controls/FileTypeView.h"
#include "controls/GradientPanel.h"
#include "controls/RXCtrls.h"
#include "controls/RXSpin.h"
#include "controls/RxCombos.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

bool Dark(COLORREF C) { return C != CLR_INVALID && GetRValue(C) < 0x60 && GetGValue(C) < 0x60 && GetBValue(C) < 0x60; }

// The leftmost and rightmost columns of dark pixels of Rect (client coordinates of Wnd) in the
// capture, rows From to To; {-1, -1} when there are none.
std::pair<int, int> DarkColumns(const TWindowCapture& Shot, HWND Wnd, const RECT& Rect, int From, int To) {
  std::pair<int, int> Result{-1, -1};
  for (int Y = From; Y < To; ++Y)
    for (int X = Rect.left; X < Rect.right; ++X)
      if (Dark(Shot.ClientPixel(Wnd, X, Y))) {
        if (Result.first < 0 || X < Result.first) Result.first = X;
        Result.second = std::max(Result.second, X);
      }
  return Result;
}

class BiDiModeTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(120, 120, 420, 300);
    Form->SetColor(clWhite);
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 500);
  }
  std::unique_ptr<TForm> Form;
};

TEST_F(BiDiModeTest, ChildrenFollowTheParentUntilTheyChooseTheirOwn) {
  auto* Label = new TRxLabel(Form.get());
  Label->SetParent(Form.get());
  auto* Own = new TRxLabel(Form.get());
  Own->SetParent(Form.get());
  SetPropText(Own, "BiDiMode", "bdRightToLeftReadingOnly");
  EXPECT_EQ(GetPropText(Own, "ParentBiDiMode"), "False");
  Form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(GetPropText(Label, "BiDiMode"), "bdRightToLeft");
  EXPECT_EQ(GetPropText(Label, "ParentBiDiMode"), "True");
  EXPECT_EQ(Own->BiDiMode(), bdRightToLeftReadingOnly);
  EXPECT_TRUE(Own->UseRightToLeftReading());
  EXPECT_FALSE(Own->UseRightToLeftAlignment());
  SetPropText(Own, "ParentBiDiMode", "True");
  EXPECT_EQ(Own->BiDiMode(), bdRightToLeft);
  Form->SetBiDiMode(bdLeftToRight);
  EXPECT_EQ(Label->BiDiMode(), bdLeftToRight);
  EXPECT_EQ(Own->BiDiMode(), bdLeftToRight);
  EXPECT_EQ(Label->DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_LEFT));
  Label->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Label->DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_RIGHT | DT_RTLREADING));
  EXPECT_EQ(Label->DrawTextBiDiModeFlags(DT_RIGHT), static_cast<UINT>(DT_RTLREADING));
  EXPECT_EQ(Label->DrawTextBiDiModeFlags(DT_CENTER), static_cast<UINT>(DT_CENTER | DT_RTLREADING));
  Label->SetBiDiMode(bdRightToLeftNoAlign);
  EXPECT_EQ(Label->DrawTextBiDiModeFlags(DT_LEFT), static_cast<UINT>(DT_RTLREADING));
}

TEST_F(BiDiModeTest, CheckAreaAtTheRight) {
  auto* Box = new TRxCheckListBox(Form.get());
  Box->SetBounds(10, 10, 200, 120);
  Box->SetParent(Form.get());
  Box->Items()->Add("");
  Form->Show();
  Box->SetBiDiMode(bdRightToLeft);
  PumpUntilIdle();
  const RECT Item = Box->ItemRect(0);
  const int Mid = (Item.top + Item.bottom) / 2;
  // Pixels other than the box's colour inside an 18-pixel area, clear of the focus rectangle along
  // the entry's edges: the check image.
  const COLORREF Back = GetSysColor(COLOR_WINDOW);
  const auto Marks = [&](int From) {
    const TWindowCapture Shot(Form->Handle());
    int Drawn = 0;
    for (int Y = Item.top + 1; Y < Item.bottom - 1; ++Y)
      for (int X = From + 1; X < From + 17; ++X) Drawn += Shot.ClientPixel(Box->Handle(), X, Y) != Back;
    return Drawn > 0;
  };
  EXPECT_TRUE(Marks(Item.right - 18)) << "no check image in the right 18 pixels";
  EXPECT_FALSE(Marks(Item.left));
  const auto Click = [&](int X) {
    SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Mid));
    SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(X, Mid));
    PumpUntilIdle(10, 200);
  };
  Click(5);
  EXPECT_EQ(Box->State(0), cbUnchecked);
  Click(Item.right - 9);
  EXPECT_EQ(Box->State(0), cbChecked);
  TWindowCapture(Form->Handle()).SavePng("bidi_check_list");
  Box->SetBiDiMode(bdLeftToRight);
  SendMessageA(Box->Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);  // no highlight over the text area
  PumpUntilIdle();
  EXPECT_TRUE(Marks(Item.left));
  EXPECT_FALSE(Marks(Item.right - 18));
  Click(5);
  EXPECT_EQ(Box->State(0), cbUnchecked);
}

TEST_F(BiDiModeTest, SpinEditButtonsAtTheLeftAndBack) {
  auto* Edit = new TRxSpinEdit(Form.get());
  Edit->SetBounds(10, 10, 80, 21);
  Edit->SetButtonKind(bkStandard);
  Edit->SetParent(Form.get());
  Form->Show();
  PumpUntilIdle();
  // The rectangle the edit's window makes of Wanted (Wine adjusts formatting rectangles itself).
  const auto Made = [&](RECT Wanted) {
    HWND Plain = CreateWindowExA(static_cast<DWORD>(GetWindowLongPtrA(Edit->Handle(), GWL_EXSTYLE)), "EDIT", "",
                                 static_cast<DWORD>(GetWindowLongPtrA(Edit->Handle(), GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE),
                                 0, 0, Edit->Width(), Edit->Height(), Form->Handle(), nullptr, nullptr, nullptr);
    SendMessageA(Plain, WM_SETFONT, SendMessageA(Edit->Handle(), WM_GETFONT, 0, 0), 0);
    SendMessageA(Plain, EM_SETMARGINS, EC_RIGHTMARGIN, 0);
    SendMessageA(Plain, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&Wanted));
    RECT Result{};
    SendMessageA(Plain, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Result));
    DestroyWindow(Plain);
    return Result;
  };
  const auto Format = [&] {
    RECT R{};
    SendMessageA(Edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&R));
    return R;
  };
  Edit->SetBiDiMode(bdRightToLeft);
  PumpUntilIdle();
  ASSERT_NE(Edit->UpDown(), nullptr);
  EXPECT_EQ(Edit->UpDown()->Left(), 0);
  EXPECT_EQ(Edit->UpDown()->Width(), 15);
  EXPECT_NE(GetWindowLongPtrA(Edit->Handle(), GWL_STYLE) & ES_RIGHT, 0) << "taLeftJustify reads from the right";
  RECT Wanted{16, 0, Edit->ClientWidth() - 1, Edit->ClientHeight() + 1};
  EXPECT_EQ(Format().left, Made(Wanted).left);
  EXPECT_EQ(Format().right, Made(Wanted).right);
  TWindowCapture(Form->Handle()).SavePng("bidi_spin_edit");
  Edit->SetBiDiMode(bdLeftToRight);
  PumpUntilIdle();
  EXPECT_EQ(Edit->UpDown()->Left() + Edit->UpDown()->Width(), Edit->ClientWidth());
  EXPECT_EQ(GetWindowLongPtrA(Edit->Handle(), GWL_STYLE) & ES_RIGHT, 0);
  Wanted = RECT{0, 0, Edit->UpDown()->Left() - 2, Edit->ClientHeight() + 1};
  EXPECT_EQ(Format().right, Made(Wanted).right);
  EXPECT_EQ(Format().left, Made(Wanted).left);
  // The diagonal button's holder: at the left edge inside the sunken border, and back.
  Edit->SetButtonKind(bkDiagonal);
  Edit->SetBiDiMode(bdRightToLeft);
  PumpUntilIdle();
  ASSERT_NE(Edit->Button(), nullptr);
  TWinControl* Holder = Edit->Button()->Parent();
  EXPECT_EQ(Holder->Left(), Edit->Ctl3D ? -1 : 0);
  Wanted = RECT{Edit->Button()->Width() + 1, 0, Edit->ClientWidth() - 1, Edit->ClientHeight() + 1};
  EXPECT_EQ(Format().left, Made(Wanted).left);
  Edit->SetBiDiMode(bdLeftToRight);
  PumpUntilIdle();
  EXPECT_EQ(Holder->Left(), Edit->Ctl3D ? Edit->Width() - Edit->Height() - 1 : Edit->Width() - Edit->Height());
}

// Left-aligned captions: at the right with bdRightToLeft, at the left with bdRightToLeftNoAlign.
TEST_F(BiDiModeTest, LeftAlignedCaptionsDrawnAtTheRight) {
  auto* Label = new TRxLabel(Form.get());
  Label->SetAutoSize(false);
  Label->SetBounds(10, 10, 200, 20);
  Label->SetCaption("Label");
  Label->SetParent(Form.get());
  auto* Panel = new TGradientPanel(Form.get());
  Panel->SetBounds(10, 40, 200, 20);
  Panel->SetCaption("Panel");
  Panel->SetBevelOuter(bvNone);
  Panel->SetParent(Form.get());
  auto* Fonts = new TFontComboBox(Form.get());
  Fonts->SetBounds(10, 70, 200, 22);
  Fonts->SetParent(Form.get());
  auto* Button = new TRxSpeedButton(Form.get());
  Button->SetBounds(10, 110, 200, 50);
  Button->SetAlignment(taLeftJustify);
  Button->SetCaption("A wide first line\r\nab");
  Button->SetParent(Form.get());
  auto* Focus = new TEdit(Form.get());  // takes the focus, so that the font entry is drawn unselected
  Focus->SetBounds(250, 10, 100, 21);
  Focus->SetParent(Form.get());
  Form->Show();
  Focus->SetFocus();
  PumpUntilIdle();
  ASSERT_GT(Fonts->Items()->Count(), 0);
  Fonts->SetFontName(Fonts->Items()->Get(0));
  PumpUntilIdle();
  struct TShown {
    std::pair<int, int> Label, Panel, Font, ButtonFirst, ButtonSecond;
  };
  const auto Look = [&](TBiDiMode Mode) {
    Form->SetBiDiMode(Mode);
    PumpUntilIdle();
    const TWindowCapture Shot(Form->Handle());
    TShown S;
    const HWND F = Form->Handle();
    S.Label = DarkColumns(Shot, F, Label->BoundsRect(), Label->Top(), Label->Top() + Label->Height());
    RECT PanelClient{0, 0, Panel->ClientWidth(), Panel->ClientHeight()};
    S.Panel = DarkColumns(Shot, Panel->Handle(), PanelClient, 0, Panel->ClientHeight());
    RECT FontText{30, 0, Fonts->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4, Fonts->ClientHeight()};
    S.Font = DarkColumns(Shot, Fonts->Handle(), FontText, 3, Fonts->ClientHeight() - 3);
    const RECT B = Button->BoundsRect();
    const int Middle = (B.top + B.bottom) / 2;
    S.ButtonFirst = DarkColumns(Shot, F, RECT{B.left + 3, B.top, B.right - 3, B.bottom}, B.top + 3, Middle);
    S.ButtonSecond = DarkColumns(Shot, F, RECT{B.left + 3, B.top, B.right - 3, B.bottom}, Middle, B.bottom - 3);
    if (Mode == bdRightToLeft) Shot.SavePng("bidi_captions");
    return S;
  };
  const TShown Left = Look(bdLeftToRight), Mirrored = Look(bdRightToLeft), NoAlign = Look(bdRightToLeftNoAlign);
  for (const TShown* S : {&Left, &Mirrored, &NoAlign}) {
    ASSERT_GE(S->Label.first, 0);
    ASSERT_GE(S->Panel.first, 0);
    ASSERT_GE(S->Font.first, 0);
    ASSERT_GE(S->ButtonSecond.first, 0);
  }
  EXPECT_LT(Left.Label.second, 10 + 100);
  EXPECT_GT(Mirrored.Label.first, 10 + 100);
  EXPECT_LT(NoAlign.Label.second, 10 + 100);
  EXPECT_LT(Left.Panel.second, 100);
  EXPECT_GT(Mirrored.Panel.first, 100);
  EXPECT_LT(NoAlign.Panel.second, 100);
  EXPECT_LT(Left.Font.second, 100);
  EXPECT_GT(Mirrored.Font.first, 100);
  EXPECT_LT(NoAlign.Font.second, 100);
  // The short second line of the button starts under the first, or ends under it when mirrored.
  EXPECT_LE(std::abs(Left.ButtonSecond.first - Left.ButtonFirst.first), 2);
  EXPECT_GT(Mirrored.ButtonSecond.first - Mirrored.ButtonFirst.first,
            (Mirrored.ButtonFirst.second - Mirrored.ButtonFirst.first) / 2);
  EXPECT_LE(std::abs(NoAlign.ButtonSecond.first - NoAlign.ButtonFirst.first), 2);
}

TEST_F(BiDiModeTest, GrowingAutoSizedLabelKeepsItsRightEdge) {
  auto* Label = new TRxLabel(Form.get());
  Label->SetParent(Form.get());
  Label->SetBounds(200, 10, 10, 10);
  Label->SetBiDiMode(bdRightToLeft);
  Label->SetCaption("ab");
  const int Right = Label->Left() + Label->Width();
  const int Width = Label->Width();
  Label->SetCaption("a much longer caption");
  EXPECT_GT(Label->Width(), Width);
  EXPECT_EQ(Label->Left() + Label->Width(), Right);
  Label->SetBiDiMode(bdRightToLeftNoAlign);
  const int Left = Label->Left();
  Label->SetCaption("a caption longer than the one before");
  EXPECT_EQ(Label->Left(), Left);
}

TEST_F(BiDiModeTest, ComboEditDropDownTakesItsMode) {
  auto* Combo = new TFileTypeComboBox(Form.get());
  Combo->SetBounds(10, 10, 200, 21);
  Combo->SetParent(Form.get());
  Form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(Combo->DropDown()->BiDiMode(), bdRightToLeft);
  Combo->SetBiDiMode(bdRightToLeftReadingOnly);
  EXPECT_EQ(Combo->DropDown()->BiDiMode(), bdRightToLeftReadingOnly);
}

}  // namespace
