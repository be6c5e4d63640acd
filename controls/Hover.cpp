#include "controls/Hover.h"

namespace {
const std::initializer_list<const char*> TextStyleNames{"tsNone", "tsRaised", "tsRecessed", "taShadow"};
}

const TClassInfo& THoverLabel::StaticClassInfo() {
  using L = THoverLabel;
  static const TClassInfo Info{
      "THoverLabel",
      &TLabel::StaticClassInfo(),
      {IntProp<L>("BorderColor", &L::BorderColor, &L::SetBorderColor),
       IntProp<L>("BorderWidth", &L::BorderWidth, &L::SetBorderWidth),
       EnumProp<L, THoverTextStyle>("TextStyle", TextStyleNames, &L::TextStyle, &L::SetTextStyle),
       IntProp<L>("ShadowColor", &L::ShadowColor, &L::SetShadowColor),
       IntProp<L>("ShadowWidth", &L::ShadowWidth, &L::SetShadowWidth),
       IntProp<L>("OnMouseBorderColor", &L::OnMouseBorderColor, &L::SetOnMouseBorderColor),
       IntProp<L>("OnMouseBorderWidth", &L::OnMouseBorderWidth, &L::SetOnMouseBorderWidth),
       IntProp<L>("OnMouseTextColor", &L::OnMouseTextColor, &L::SetOnMouseTextColor),
       EnumProp<L, THoverTextStyle>("OnMouseTextStyle", TextStyleNames, &L::OnMouseTextStyle, &L::SetOnMouseTextStyle),
       IntProp<L>("OnMouseShadowColor", &L::OnMouseShadowColor, &L::SetOnMouseShadowColor),
       IntProp<L>("OnMouseShadowWidth", &L::OnMouseShadowWidth, &L::SetOnMouseShadowWidth),
       ReadOnlyProp(EnumProp<L, THoverState>("State", {"hsNormal", "hsHover", "hsDown"}, &L::State,
                                             [](L&, THoverState) {}))},
      {},
      MakeComponent<L>};
  return Info;
}

THoverLabel::THoverLabel(TComponent* AOwner) : TLabel(AOwner) {
  FWidth = 180;
  FHeight = 30;
}

void THoverLabel::MouseEnter() {
  FState = hsHover;
  TLabel::MouseEnter();
  Repaint();
}

void THoverLabel::MouseLeave() {
  FState = hsNormal;
  TLabel::MouseLeave();
  Repaint();
}

void THoverLabel::TextChanged() {
  TLabel::TextChanged();
  Invalidate();
}

void THoverLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TLabel::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FState = hsDown;
  Repaint();
}

void THoverLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TLabel::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (FState == hsDown) FState = hsHover;
  Repaint();
}

void THoverLabel::Paint() {
  TColor TextColor = Font().Color();
  THoverTextStyle Style = FTextStyle;
  int Border = FBorderWidth, Shadow = FShadowWidth;
  TColor BorderCol = FBorderColor, ShadowCol = FShadowColor;
  if (!EnabledInTree()) {
    TextColor = clGrayText;
    Style = tsRecessed;
  } else if (FState != hsNormal) {
    TextColor = FOnMouseTextColor;
    Style = FOnMouseTextStyle;
    Border = FOnMouseBorderWidth;
    BorderCol = FOnMouseBorderColor;
    Shadow = FState == hsDown && Style == taShadow ? 0 : FOnMouseShadowWidth;
    ShadowCol = FOnMouseShadowColor;
  }
  const RECT Client{0, 0, Width(), Height()};
  if (!Transparent()) {
    FCanvas.Brush().SetColor(Color());
    FCanvas.FillRect(Client);
  }
  FCanvas.Brush().SetClear(true);
  UINT Flags = (Alignment() == taCenter ? DT_CENTER : Alignment() == taRightJustify ? DT_RIGHT : DT_LEFT) | DT_EXPANDTABS;
  if (WordWrap()) Flags |= DT_WORDBREAK;
  if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
  const std::string Text = Caption();
  auto Copy = [&](TColor Col, int DX, int DY) {
    RECT R = Client;
    OffsetRect(&R, DX, DY);
    FCanvas.Font().SetColor(Col);
    FCanvas.DrawText(Text, R, Flags);
  };
  switch (Style) {
    case tsRaised:
      Copy(clBtnShadow, 1, 1);
      Copy(clBtnHighlight, -1, -1);
      break;
    case tsRecessed:
      Copy(clBtnHighlight, 1, 1);
      Copy(clBtnShadow, -1, -1);
      break;
    case taShadow: Copy(ShadowCol, Shadow, Shadow); break;
    case tsNone:
      if (Border > 0)
        for (const POINT D : {POINT{Border, Border}, POINT{Border, -Border}, POINT{-Border, Border}, POINT{-Border, -Border}})
          Copy(BorderCol, D.x, D.y);
      break;
  }
  Copy(TextColor, 0, 0);
  FCanvas.Brush().SetClear(false);
}
