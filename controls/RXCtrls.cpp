#include "controls/RXCtrls.h"

#include "controls/VCLUtils.h"

#include <algorithm>

namespace {

// Whether the system draws controls in the new (Windows 95 and later) style.
bool NewStyleControls() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

UINT AlignmentFlag(TAlignment Alignment) {
  return Alignment == taCenter ? DT_CENTER : Alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
}

// Whether Control is the one under the cursor while a window of this thread is active.
bool UnderCursor(TControl* Control) {
  POINT P;
  GetCursorPos(&P);
  return IsAppWindowActive() && FindDragTarget(P, false) == Control;
}

}  // namespace

int DrawShadowText(HDC DC, const char* Text, int Length, RECT& Rect, UINT Format, int ShadowSize,
                   COLORREF ShadowColor, TShadowPosition Position) {
  RECT TextRect = Rect, ShadowRect = Rect;
  const int S = ShadowSize;
  switch (Position) {
    case spLeftTop: OffsetRect(&ShadowRect, -S, -S); break;
    case spLeftBottom: OffsetRect(&ShadowRect, -S, S); break;
    case spRightBottom: OffsetRect(&ShadowRect, S, S); break;
    case spRightTop: OffsetRect(&ShadowRect, S, -S); break;
  }
  const COLORREF OldColor = SetTextColor(DC, ShadowColor);
  DrawTextA(DC, Text, Length, &ShadowRect, Format);
  SetTextColor(DC, OldColor);
  const int Result = DrawTextA(DC, Text, Length, &TextRect, Format);
  UnionRect(&Rect, &TextRect, &ShadowRect);
  return Result > 0 ? Result + ShadowSize : Result;
}

const TClassInfo& TRxCustomLabel::StaticClassInfo() {
  static const TClassInfo Info{"TRxCustomLabel", &TGraphicControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TRxCustomLabel::TRxCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetParentColor(true);
  FWidth = 65;
  FHeight = 17;
}

void TRxCustomLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TRxCustomLabel::SetShadowSize(int Value) {
  Value &= 0xFF;
  if (Value == FShadowSize) return;
  FShadowSize = Value;
  AdjustBounds();
  Invalidate();
}

void TRxCustomLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TRxCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
  if (FShowFocus) Invalidate();
}

void TRxCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TRxCustomLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
}

void TRxCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TRxCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TRxCustomLabel::EnabledChanged() {
  TGraphicControl::EnabledChanged();
  UpdateTracking();
}

void TRxCustomLabel::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (Visible()) UpdateTracking();
}

void TRxCustomLabel::FocusChanged(TWinControl* Focused) {
  const bool Now = FFocusControl && FFocusControl == Focused;
  if (Now != FFocused) {
    FFocused = Now;
    if (FShowFocus) Invalidate();
  }
  TGraphicControl::FocusChanged(Focused);
}

bool TRxCustomLabel::DialogChar(char Key) {
  if (!FFocusControl || !Enabled() || !FShowAccelChar || !IsAccel(Key, Caption()) || !FFocusControl->CanFocus())
    return false;
  FFocusControl->SetFocus();
  return true;
}

void TRxCustomLabel::MouseEnter() {
  if (FMouseInControl || !Enabled() || !IsAppWindowActive()) return;
  FMouseInControl = true;
  TGraphicControl::MouseEnter();
}

void TRxCustomLabel::MouseLeave() {
  if (!FMouseInControl || !Enabled() || FDragging) return;
  FMouseInControl = false;
  TGraphicControl::MouseLeave();
}

void TRxCustomLabel::UpdateTracking() {
  const bool Now = Enabled() && UnderCursor(this);
  if (Now == FMouseInControl) return;
  FMouseInControl = Now;
  if (Now)
    TGraphicControl::MouseEnter();
  else
    TGraphicControl::MouseLeave();
}

void TRxCustomLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled()) FDragging = true;
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbRight) UpdateTracking();
}

void TRxCustomLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft) FDragging = false;
  UpdateTracking();
}

void TRxCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
  std::string Text = TextToDraw();
  if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&"))) Text += " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  FCanvas.Font().Assign(&Font());
  FCanvas.Font().SetColor(DefaultTextColor());
  TShadowPosition Pos = FShadowPos;
  int Size = FShadowSize;
  TColor ShadowCol = FShadowColor;
  if (!EnabledInTree()) {
    if (Size == 0 && NewStyleControls()) {
      Pos = spRightBottom;
      Size = 1;
    }
    FCanvas.Font().SetColor(clGrayText);
    ShadowCol = clBtnHighlight;
  }
  HDC DC = FCanvas.Handle();
  HGDIOBJ OldFont = SelectObject(DC, FCanvas.Font().Handle());
  const COLORREF OldColor = SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(FCanvas.Font().Color())));
  const int OldMode = SetBkMode(DC, TRANSPARENT);
  DrawShadowText(DC, Text.c_str(), static_cast<int>(Text.size()), Rect, Flags, Size,
                 static_cast<COLORREF>(ColorToRGB(ShadowCol)), Pos);
  SetBkMode(DC, OldMode);
  SetTextColor(DC, OldColor);
  SelectObject(DC, OldFont);
}

void TRxCustomLabel::Paint() {
  if (!Enabled()) FDragging = false;
  const RECT Client = ClientRect();
  if (!FTransparent) {
    FCanvas.Brush().SetColor(Color());
    FCanvas.FillRect(Client);
  }
  RECT R{Client.left + 1, Client.top, Client.right - 1, Client.bottom};
  const UINT Flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u) | AlignmentFlag(FAlignment);
  if (FLayout != tlTop) {
    RECT Measured = R;
    DoDrawText(Measured, Flags | DT_CALCRECT);
    R.left = Client.left;
    R.right = Client.right;
    const int Shift = Height() - Measured.bottom;
    OffsetRect(&R, 0, FLayout == tlBottom ? Shift : Shift / 2);
  }
  DoDrawText(R, Flags);
  if (FShowFocus && FFocusControl && FFocused) {
    InflateRect(&R, 1, 0);
    FCanvas.Brush().SetColor(Color());
    DrawFocusRect(FCanvas.Handle(), &R);
  }
}

void TRxCustomLabel::AdjustBounds() {
  if (!FAutoSize || (ComponentState() & csLoading)) return;
  HDC DC = GetDC(nullptr);
  FCanvas.SetHandle(DC);
  RECT R{1, 0, std::max(1, Width() - 1), Height()};
  DoDrawText(R, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0u));
  FCanvas.SetHandle(nullptr);
  ReleaseDC(nullptr, DC);
  InflateRect(&R, 1, 0);
  int L = Left();
  if (FAlignment == taRightJustify) L += Width() - R.right;
  SetBounds(L, Top(), R.right, R.bottom);
}

const TClassInfo& TRxLabel::StaticClassInfo() {
  using L = TRxLabel;
  static const TClassInfo Info{
      "TRxLabel",
      &TRxCustomLabel::StaticClassInfo(),
      {EnumProp<L, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &L::Alignment,
                               &L::SetAlignment),
       BoolProp<L>("AutoSize", &L::AutoSize, &L::SetAutoSize),
       EnumProp<L, TTextLayout>("Layout", {"tlTop", "tlCenter", "tlBottom"}, &L::Layout, &L::SetLayout),
       IntProp<L>("ShadowColor", &L::ShadowColor, &L::SetShadowColor),
       IntProp<L>("ShadowSize", &L::ShadowSize, &L::SetShadowSize),
       EnumProp<L, TShadowPosition>("ShadowPos", {"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"},
                                    &L::ShadowPos, &L::SetShadowPos),
       BoolProp<L>("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar),
       BoolProp<L>("ShowFocus", &L::ShowFocus, &L::SetShowFocus),
       BoolProp<L>("Transparent", &L::Transparent, &L::SetTransparent),
       BoolProp<L>("WordWrap", &L::WordWrap, &L::SetWordWrap),
       ComponentProp<L, TWinControl>("FocusControl", &L::FocusControl, &L::SetFocusControl)},
      {},
      MakeComponent<L>};
  return Info;
}
