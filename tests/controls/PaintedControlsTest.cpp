// Hover labels and gradient panels on real windows, checked by pixel probes under chosen system colours.
#include "classlib/gui/Menus.h"
#include "controls/GradientPanel.h"
#include "controls/Hover.h"
#include "controls/RXCtrls.h"
#include "tests/support/Gui.h"
#include "tests/support/Pixels.h"
#include "tests/support/SysColors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr COLORREF Face = RGB(200, 200, 200), Highlight = RGB(255, 255, 250), Shadow = RGB(60, 60, 140),
                   GrayText = RGB(150, 120, 90), Frame = RGB(10, 10, 10);

class PaintedControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Form = new TForm(Application);
    Form->SetBounds(60, 60, 320, 200);
    Form->SetColor(clBtnFace);
  }
  void TearDown() override {
    delete Form;
    PumpUntilIdle(10, 300);
  }
  // The pixels of Control's rectangle on the form.
  std::vector<std::vector<COLORREF>> Capture(TControl* Control) {
    TWindowCapture Shot(Form->Handle());
    std::vector<std::vector<COLORREF>> Rows;
    for (int Y = 0; Y < Control->Height(); ++Y) {
      Rows.emplace_back();
      for (int X = 0; X < Control->Width(); ++X)
        Rows.back().push_back(Shot.ClientPixel(Form->Handle(), Control->Left() + X, Control->Top() + Y));
    }
    return Rows;
  }
  static int Count(const std::vector<std::vector<COLORREF>>& Rows, COLORREF Color) {
    int N = 0;
    for (const auto& Row : Rows)
      for (COLORREF C : Row) N += NearColor(C, Color, 2);
    return N;
  }
  void Mouse(UINT Msg, TControl* Control, int X, int Y) {
    SendMessageA(Form->Handle(), Msg, Msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                 MAKELPARAM(Control->Left() + X, Control->Top() + Y));
    PumpUntilIdle(20, 500);
  }
  TSysColors Colors{{COLOR_BTNFACE, Face}, {COLOR_BTNHIGHLIGHT, Highlight}, {COLOR_BTNSHADOW, Shadow},
                    {COLOR_GRAYTEXT, GrayText}, {COLOR_WINDOWFRAME, Frame}};
  TForm* Form = nullptr;
};

constexpr COLORREF Blue = RGB(0, 0, 255), Red = RGB(255, 0, 0), Green = RGB(0, 160, 0);

THoverLabel* MakeHoverLabel(TForm* Form) {
  auto* Label = new THoverLabel(Form);
  Label->SetParent(Form);
  Label->SetAutoSize(false);
  Label->SetBounds(10, 10, 200, 40);
  Label->Font().SetColor(static_cast<TColor>(Blue));
  Label->Font().SetSize(16);
  Label->Font().SetStyle(FontStyleBit(fsBold));
  Label->SetCaption("Hover me");
  Label->SetOnMouseTextColor(static_cast<TColor>(Red));
  Label->SetOnMouseTextStyle(taShadow);
  Label->SetOnMouseShadowColor(static_cast<TColor>(Green));
  Label->SetOnMouseShadowWidth(3);
  return Label;
}

// Whether the pixels of Text's colour have Text's, the shadow's (or Other's) colour Offset pixels right
// and down; a few glyph edges blended by the font renderer are let through.
bool ShadowFollows(const std::vector<std::vector<COLORREF>>& Rows, COLORREF Text, COLORREF ShadowColor, int Offset,
                   COLORREF Other = CLR_INVALID) {
  int All = 0, Good = 0;
  for (size_t Y = 0; Y + Offset < Rows.size(); ++Y)
    for (size_t X = 0; X + Offset < Rows[Y].size(); ++X)
      if (NearColor(Rows[Y][X], Text, 2)) {
        const COLORREF Below = Rows[Y + Offset][X + Offset];
        ++All;
        Good += NearColor(Below, Text, 2) || NearColor(Below, ShadowColor, 2) || NearColor(Below, Other, 2);
      }
  return All > 0 && Good * 10 >= All * 9;
}

// The bounding box of the pixels near Color.
RECT BoxOfRows(const std::vector<std::vector<COLORREF>>& Rows, COLORREF Color) {
  RECT Box{100000, 100000, -1, -1};
  for (int Y = 0; Y < static_cast<int>(Rows.size()); ++Y)
    for (int X = 0; X < static_cast<int>(Rows[Y].size()); ++X)
      if (NearColor(Rows[Y][X], Color, 2)) {
        Box.left = std::min<LONG>(Box.left, X);
        Box.top = std::min<LONG>(Box.top, Y);
        Box.right = std::max<LONG>(Box.right, X + 1);
        Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
      }
  return Box;
}

// The copy in Copy's colour reaches DX, DY further right and down than the text (negative: left and up).
void ExpectCopyMoved(const std::vector<std::vector<COLORREF>>& Rows, COLORREF Text, COLORREF Copy, int DX, int DY) {
  const RECT T = BoxOfRows(Rows, Text), C = BoxOfRows(Rows, Copy);
  ASSERT_GE(T.right, 0);
  ASSERT_GE(C.right, 0);
  if (DX >= 0) EXPECT_EQ(C.right, T.right + DX); else EXPECT_EQ(C.left, T.left + DX);
  if (DY >= 0) EXPECT_EQ(C.bottom, T.bottom + DY); else EXPECT_EQ(C.top, T.top + DY);
}

TEST_F(PaintedControlsTest, HoverLabelFollowsTheMouse) {
  THoverLabel* Label = MakeHoverLabel(Form);
  std::vector<std::string> Events;
  Label->OnMouseEnter = [&](TObject*) { Events.push_back("enter " + std::to_string(Label->State())); };
  Label->OnMouseLeave = [&](TObject*) { Events.push_back("leave " + std::to_string(Label->State())); };
  Form->Show();
  PumpUntilIdle();
  auto Normal = Capture(Label);
  EXPECT_GT(Count(Normal, Blue), 20);
  EXPECT_EQ(Count(Normal, Red), 0);
  EXPECT_EQ(Label->State(), hsNormal);

  Mouse(WM_MOUSEMOVE, Label, 5, 5);
  EXPECT_EQ(Label->State(), hsHover);
  auto Hover = Capture(Label);
  EXPECT_EQ(Count(Hover, Blue), 0);
  EXPECT_GT(Count(Hover, Red), 20);
  EXPECT_GT(Count(Hover, Green), 20);
  EXPECT_TRUE(ShadowFollows(Hover, Red, Green, 3));
  ExpectCopyMoved(Hover, Red, Green, 3, 3);

  Mouse(WM_LBUTTONDOWN, Label, 5, 5);
  EXPECT_EQ(Label->State(), hsDown);
  auto Down = Capture(Label);
  EXPECT_GT(Count(Down, Red), 20);
  EXPECT_EQ(Count(Down, Green), 0);  // the shadow lies under the text

  Mouse(WM_LBUTTONUP, Label, 5, 5);
  EXPECT_EQ(Label->State(), hsHover);
  EXPECT_GT(Count(Capture(Label), Green), 20);

  SendMessageA(Form->Handle(), WM_MOUSELEAVE, 0, 0);
  PumpUntilIdle(20, 500);
  EXPECT_EQ(Label->State(), hsNormal);
  EXPECT_GT(Count(Capture(Label), Blue), 20);
  EXPECT_EQ(Events, (std::vector<std::string>{"enter 1", "leave 0"}));
}

TEST_F(PaintedControlsTest, HoverLabelStylesAndWidths) {
  THoverLabel* Label = MakeHoverLabel(Form);
  Label->SetOnMouseShadowWidth(12);
  EXPECT_EQ(Label->OnMouseShadowWidth(), 3);
  Label->SetShadowWidth(10);
  EXPECT_EQ(Label->ShadowWidth(), 1);
  Label->SetBorderWidth(12);
  EXPECT_EQ(Label->BorderWidth(), 12);
  Label->SetBorderWidth(0);
  Label->SetTextStyle(taShadow);
  Label->SetShadowColor(static_cast<TColor>(Green));
  Label->SetShadowWidth(3);
  Form->Show();
  PumpUntilIdle();
  auto Normal = Capture(Label);
  EXPECT_GT(Count(Normal, Green), 20);
  EXPECT_TRUE(ShadowFollows(Normal, Blue, Green, 3));

  // Disabled: grey text, highlight copy below right, shadow copy above left, whatever the style.
  Label->SetEnabled(false);
  PumpUntilIdle();
  auto Disabled = Capture(Label);
  EXPECT_EQ(Count(Disabled, Blue), 0);
  EXPECT_EQ(Count(Disabled, Green), 0);
  EXPECT_GT(Count(Disabled, GrayText), 20);
  ExpectCopyMoved(Disabled, GrayText, Highlight, 1, 1);
  ExpectCopyMoved(Disabled, GrayText, Shadow, -1, -1);
  EXPECT_GT(Count(Disabled, Highlight), 5);
  EXPECT_GT(Count(Disabled, Shadow), 5);
}

// The colour of band Index of Count between two colours, computed the way the panel is specified to.
COLORREF Band(COLORREF S, COLORREF E, int Index, int Count) {
  if (Count == 1) return S;
  auto Mix = [&](int A, int B) { return A + MulDiv(Index, B - A, Count - 1); };
  return RGB(Mix(GetRValue(S), GetRValue(E)), Mix(GetGValue(S), GetGValue(E)), Mix(GetBValue(S), GetBValue(E)));
}

TGradientPanel* MakePanel(TForm* Form, int Height, TGradientType Type, COLORREF S, COLORREF E) {
  auto* Panel = new TGradientPanel(Form);
  Panel->SetParent(Form);
  Panel->SetBevelOuter(bvNone);
  Panel->SetBounds(10, 10, 100, Height);
  Panel->Gradient().SetStartColor(static_cast<TColor>(S));
  Panel->Gradient().SetEndColor(static_cast<TColor>(E));
  Panel->Gradient().SetFillType(Type);
  return Panel;
}

constexpr COLORREF GStart = RGB(0, 40, 250), GEnd = RGB(240, 200, 10);

TEST_F(PaintedControlsTest, GradientPanelPaintsOneBandPerRow) {
  TGradientPanel* Panel = MakePanel(Form, 18, gtHorizontal, GStart, GEnd);
  EXPECT_EQ(Panel->Gradient().Bands(), 64);
  Form->Show();
  PumpUntilIdle();
  auto Rows = Capture(Panel);
  for (int Y = 0; Y < 18; ++Y) {
    EXPECT_TRUE(NearColor(Rows[Y][50], Band(GStart, GEnd, Y, 18), 1)) << "row " << Y;
    EXPECT_EQ(Rows[Y][0], Rows[Y][99]);
  }
  EXPECT_TRUE(NearColor(Rows[0][50], GStart, 0));
  EXPECT_TRUE(NearColor(Rows[17][50], GEnd, 0));

  Panel->Gradient().SetBands(1000);
  EXPECT_EQ(Panel->Gradient().Bands(), 256);
  Panel->Gradient().SetBands(0);
  EXPECT_EQ(Panel->Gradient().Bands(), 1);
  PumpUntilIdle();
  Rows = Capture(Panel);
  EXPECT_TRUE(NearColor(Rows[17][50], GStart, 0));

  // Assign copies the four settings.
  TGradientPanel* Other = MakePanel(Form, 18, gtNone, RGB(0, 0, 0), RGB(0, 0, 0));
  Other->SetGradient(Panel->Gradient());
  EXPECT_EQ(Other->Gradient().FillType(), gtHorizontal);
  EXPECT_EQ(Other->Gradient().Bands(), 1);
  EXPECT_EQ(Other->Gradient().StartColor(), static_cast<TColor>(GStart));
  EXPECT_EQ(Other->Gradient().EndColor(), static_cast<TColor>(GEnd));
}

TEST_F(PaintedControlsTest, GradientSplitsAndVerticalBands) {
  TGradientPanel* Split = MakePanel(Form, 40, gtHorzSplit, GStart, GEnd);
  TGradientPanel* Vertical = MakePanel(Form, 20, gtVertical, GStart, GEnd);
  Vertical->SetTop(60);
  Form->Show();
  PumpUntilIdle();
  auto Rows = Capture(Split);
  EXPECT_TRUE(NearColor(Rows[0][50], GStart, 0));
  EXPECT_TRUE(NearColor(Rows[39][50], GStart, 0));
  // 40 rows, 40 bands: each half takes every second band, and band 38 meets band 38 in the middle.
  EXPECT_TRUE(NearColor(Rows[19][50], Band(GStart, GEnd, 38, 40), 0));
  EXPECT_TRUE(NearColor(Rows[20][50], Band(GStart, GEnd, 38, 40), 0));
  EXPECT_TRUE(NearColor(Rows[1][50], Band(GStart, GEnd, 2, 40), 0));
  auto Cols = Capture(Vertical);
  for (int X : {0, 37, 99}) EXPECT_TRUE(NearColor(Cols[10][X], Band(GStart, GEnd, X * 64 / 100, 64), 1)) << X;
}

TEST_F(PaintedControlsTest, GradientFillKeepsToTheClip) {
  TGradientPanel* Panel = MakePanel(Form, 40, gtHorizontal, GStart, GEnd);
  TSurface Surface(100, 40);
  const RECT Whole{0, 0, 100, 40}, Lower{0, 20, 100, 40};
  Panel->Gradient().Fill(Surface.DC(), Whole, Lower);
  for (int Y = 0; Y < 40; ++Y) {
    // The band that reaches the clip's top edge is painted whole.
    if (Y < 19) {
      EXPECT_EQ(Surface.At(30, Y), RGB(1, 2, 3)) << Y;
    } else if (Y >= 20) {
      EXPECT_EQ(Surface.At(30, Y), Band(GStart, GEnd, Y, 40)) << Y;
    }
  }
}

TEST_F(PaintedControlsTest, GradientFollowsSystemColours) {
  TGradientPanel* Panel = MakePanel(Form, 18, gtHorizontal, 0, 0);
  Panel->Gradient().SetStartColor(clBtnFace);
  Panel->Gradient().SetEndColor(clBtnShadow);
  Form->Show();
  PumpUntilIdle();
  EXPECT_TRUE(NearColor(Capture(Panel)[0][50], Face, 0));
  const COLORREF NewFace = RGB(120, 220, 130);
  Colors.Set(COLOR_BTNFACE, NewFace);
  EXPECT_TRUE(NearColor(Capture(Panel)[0][50], NewFace, 0));
  EXPECT_TRUE(NearColor(Capture(Panel)[17][50], Shadow, 0));
}

TEST_F(PaintedControlsTest, PanelSmallerThanItsBevelsPaintsNoBand) {
  const COLORREF Only = RGB(0, 200, 0);
  TGradientPanel* Panel = MakePanel(Form, 4, gtHorizontal, Only, Only);
  Panel->SetWidth(4);
  Panel->SetBevelOuter(bvRaised);
  Panel->SetBevelWidth(3);
  Form->Show();
  PumpUntilIdle();
  auto Rows = Capture(Panel);
  EXPECT_EQ(Count(Rows, Only), 0);
  EXPECT_GT(Count(Rows, Highlight), 0);
}

// The bounding box of the pixels of Color.
RECT BoxOf(const TSurface& Surface, COLORREF Color) {
  RECT Box{Surface.Width(), Surface.Height(), -1, -1};
  for (int Y = 0; Y < Surface.Height(); ++Y)
    for (int X = 0; X < Surface.Width(); ++X)
      if (Surface.At(X, Y) == Color) {
        Box.left = std::min<LONG>(Box.left, X);
        Box.top = std::min<LONG>(Box.top, Y);
        Box.right = std::max<LONG>(Box.right, X + 1);
        Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
      }
  return Box;
}

TEST(DrawShadowText, ShadowIsTheTextMovedAndTheRectCoversBoth) {
  TSurface Surface(80, 40, RGB(255, 255, 255));
  HFONT Font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Arial");
  HGDIOBJ Old = SelectObject(Surface.DC(), Font);
  SetBkMode(Surface.DC(), TRANSPARENT);
  SetTextColor(Surface.DC(), RGB(0, 0, 0));
  RECT Measure{10, 5, 70, 5}, Plain{10, 5, 70, 5};
  DrawTextA(Surface.DC(), "Abc", 3, &Plain, DT_CALCRECT);
  const int Height = DrawShadowText(Surface.DC(), "Abc", 3, Measure, DT_CALCRECT, 2, RGB(255, 0, 0), spRightBottom);
  EXPECT_EQ(Height, Plain.bottom - Plain.top + 2);
  EXPECT_EQ(Measure.left, Plain.left);
  EXPECT_EQ(Measure.top, Plain.top);
  EXPECT_EQ(Measure.right, Plain.right + 2);
  EXPECT_EQ(Measure.bottom, Plain.bottom + 2);
  RECT Draw{10, 5, 70, 35};
  DrawShadowText(Surface.DC(), "Abc", 3, Draw, 0, 2, RGB(255, 0, 0), spRightBottom);
  const RECT Text = BoxOf(Surface, RGB(0, 0, 0)), Shadow = BoxOf(Surface, RGB(255, 0, 0));
  ASSERT_GE(Text.right, 0);
  EXPECT_EQ(Shadow.right, Text.right + 2);
  EXPECT_EQ(Shadow.bottom, Text.bottom + 2);
  for (int Y = 0; Y + 2 < 40; ++Y)
    for (int X = 0; X + 2 < 80; ++X)
      if (Surface.At(X, Y) == RGB(0, 0, 0)) {
        const COLORREF Below = Surface.At(X + 2, Y + 2);
        ASSERT_TRUE(Below == RGB(0, 0, 0) || Below == RGB(255, 0, 0)) << X << "," << Y;
      }
  // spLeftTop: the union reaches up and left instead.
  RECT LeftTop{10, 5, 70, 5};
  DrawShadowText(Surface.DC(), "Abc", 3, LeftTop, DT_CALCRECT, 2, 0, spLeftTop);
  EXPECT_EQ(LeftTop.left, Plain.left - 2);
  EXPECT_EQ(LeftTop.top, Plain.top - 2);
  EXPECT_EQ(LeftTop.right, Plain.right);
  SelectObject(Surface.DC(), Old);
  DeleteObject(Font);
}

TRxLabel* MakeRxLabel(TForm* Form, const std::string& Caption) {
  auto* Label = new TRxLabel(Form);
  Label->SetParent(Form);
  Label->SetBounds(100, 20, 10, 10);
  Label->Font().SetSize(14);
  Label->SetShadowSize(0);
  Label->SetCaption(Caption);
  return Label;
}

TEST_F(PaintedControlsTest, RxLabelAutoSizeTakesTheShadow) {
  TRxLabel* Label = MakeRxLabel(Form, "Abc");
  EXPECT_EQ(Label->ShadowPos(), spLeftTop);
  const int W = Label->Width(), H = Label->Height();
  EXPECT_GT(W, 10);
  Label->SetShadowPos(spRightBottom);
  Label->SetShadowSize(2);
  EXPECT_EQ(Label->Width(), W + 2);
  EXPECT_EQ(Label->Height(), H + 2);
  Label->SetShadowPos(spLeftTop);
  Label->SetShadowSize(3);
  Label->SetCaption("Abc");
  EXPECT_EQ(Label->Width(), W);
  EXPECT_EQ(Label->Height(), H);

  TRxLabel* Empty = MakeRxLabel(Form, "");
  EXPECT_EQ(Empty->Height(), H);

  TRxLabel* Right = MakeRxLabel(Form, "Abc");
  Right->SetAlignment(taRightJustify);
  const int RightEdge = Right->Left() + Right->Width();
  Right->SetCaption("Abc and more");
  EXPECT_GT(Right->Width(), W);
  EXPECT_EQ(Right->Left() + Right->Width(), RightEdge);
}

TEST_F(PaintedControlsTest, RxLabelShadowAndDisabledLook) {
  TRxLabel* Label = MakeRxLabel(Form, "Abc");
  Label->Font().SetColor(static_cast<TColor>(Blue));
  Label->SetShadowColor(static_cast<TColor>(Red));
  Label->SetShadowPos(spRightBottom);
  Label->SetShadowSize(2);
  Form->Show();
  PumpUntilIdle();
  auto Rows = Capture(Label);
  EXPECT_GT(Count(Rows, Blue), 10);
  EXPECT_GT(Count(Rows, Red), 5);
  ExpectCopyMoved(Rows, Blue, Red, 2, 2);

  Label->SetShadowSize(0);
  Label->SetEnabled(false);
  PumpUntilIdle();
  Rows = Capture(Label);
  EXPECT_EQ(Count(Rows, Blue), 0);
  EXPECT_GT(Count(Rows, GrayText), 10);
  EXPECT_GT(Count(Rows, Highlight), 5);
  ExpectCopyMoved(Rows, GrayText, Highlight, 1, 1);
}

// The gallery of these controls, saved for review.
TEST_F(PaintedControlsTest, GallerySavesAPicture) {
  Form->SetBounds(60, 60, 360, 220);
  Form->SetCaption("Controls");
  TGradientPanel* Title = MakePanel(Form, 24, gtVertical, RGB(0, 0, 128), RGB(90, 140, 230));
  Title->SetBounds(0, 0, 360, 24);
  Title->SetCaption("  Gradient panel");
  Title->Font().SetColor(clWhite);
  TGradientPanel* Split = MakePanel(Form, 40, gtHorzSplit, RGB(255, 255, 255), RGB(120, 160, 200));
  Split->SetBounds(10, 150, 330, 30);
  Split->SetBevelOuter(bvLowered);
  THoverLabel* Hover = MakeHoverLabel(Form);
  Hover->SetBounds(10, 34, 200, 34);
  Hover->SetTextStyle(tsRaised);
  TRxLabel* Shadowed = MakeRxLabel(Form, "Shadowed label");
  Shadowed->SetBounds(10, 80, 10, 10);
  Shadowed->SetShadowPos(spRightBottom);
  Shadowed->SetShadowSize(2);
  Shadowed->SetShadowColor(clBtnShadow);
  Shadowed->Font().SetStyle(FontStyleBit(fsBold) | FontStyleBit(fsItalic));
  TRxLabel* Disabled = MakeRxLabel(Form, "Disabled label");
  Disabled->SetLeft(10);  // placed, its fitted size kept
  Disabled->SetTop(115);
  Disabled->SetEnabled(false);
  const int WholeCaption = [&] {
    std::unique_ptr<TRxLabel> Enabled(MakeRxLabel(Form, "Disabled label"));
    return Enabled->Width();
  }();
  // A tool strip of speed buttons: glyph and caption, flat, a group with one down, a drop-down, disabled.
  Form->SetBounds(60, 60, 360, 270);
  TBitmap Glyph;
  Glyph.SetSize(16, 16);
  Glyph.Canvas().BrushColor = clFuchsia;
  Glyph.Canvas().FillRect(RECT{0, 0, 16, 16});
  Glyph.Canvas().BrushColor = static_cast<TColor>(RGB(0, 120, 0));
  Glyph.Canvas().FillRect(RECT{7, 2, 9, 14});
  Glyph.Canvas().FillRect(RECT{2, 7, 14, 9});
  auto* Menu = new TPopupMenu(Form);
  int Left = 10;
  auto Speed = [&](const std::string& Caption, int Width) {
    auto* B = new TRxSpeedButton(Form);
    B->SetParent(Form);
    B->SetBounds(Left, 190, Width, 26);
    B->SetCaption(Caption);
    Left += Width + 4;
    return B;
  };
  TRxSpeedButton* Add = Speed("&Add", 64);
  Add->SetGlyph(&Glyph);
  Add->SetLayout(blGlyphLeft);
  Speed("", 26)->SetGlyph(&Glyph);
  TRxSpeedButton* Flat = Speed("", 26);
  Flat->SetGlyph(&Glyph);
  Flat->SetFlat(true);
  for (int I = 0; I < 2; ++I) {
    TRxSpeedButton* Member = Speed(I ? "Two" : "One", 40);
    Member->SetGroupIndex(1);
    Member->SetDown(I == 0);
  }
  Speed("Menu", 60)->SetDropDownMenu(Menu);
  // The disabled button's glyph has a black outline, which its embossed image shows.
  TBitmap Outlined;
  Outlined.SetSize(16, 16);
  Outlined.Canvas().BrushColor = clFuchsia;
  Outlined.Canvas().FillRect(RECT{0, 0, 16, 16});
  Outlined.Canvas().BrushColor = clBlack;
  for (const RECT& Side : {RECT{3, 3, 13, 5}, RECT{3, 11, 13, 13}, RECT{3, 3, 5, 13}, RECT{11, 3, 13, 13}})
    Outlined.Canvas().FillRect(Side);
  TRxSpeedButton* Off = Speed("", 26);
  Off->SetGlyph(&Outlined);
  Off->SetEnabled(false);
  Form->Show();
  PumpUntilIdle();
  TWindowCapture Shot(Form->Handle());
  ASSERT_TRUE(Shot.SavePng("controls-1"));
  // The disabled label: its whole caption in grey text with the highlight copy down and right.
  EXPECT_EQ(Disabled->Width(), WholeCaption);
  const auto LabelRows = Capture(Disabled);
  EXPECT_GT(Count(LabelRows, GrayText), 20);
  EXPECT_GT(Count(LabelRows, Highlight), 10);
  ExpectCopyMoved(LabelRows, GrayText, Highlight, 1, 1);
  // The disabled button: the outline embossed, in the shadow colour with the highlight copy.
  auto OffRows = Capture(Off);  // inside the frame, which has both colours too
  OffRows.erase(OffRows.begin(), OffRows.begin() + 3);
  OffRows.resize(OffRows.size() - 3);
  for (auto& Row : OffRows) Row = std::vector<COLORREF>(Row.begin() + 3, Row.end() - 3);
  EXPECT_GT(Count(OffRows, Shadow), 20);
  EXPECT_GT(Count(OffRows, Highlight), 20);
  ExpectCopyMoved(OffRows, Shadow, Highlight, 1, 1);
  const DWORD Attributes = GetFileAttributesA((TWindowCapture::ScreenshotFolder() + "\\controls-1.png").c_str());
  EXPECT_NE(Attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
