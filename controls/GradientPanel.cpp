#include "controls/GradientPanel.h"

#include "controls/VCLUtils.h"

#include <algorithm>

const TClassInfo& TGradient::StaticClassInfo() {
  using G = TGradient;
  static const TClassInfo Info{
      "TGradient",
      nullptr,
      {IntProp<G>("Bands", &G::Bands, &G::SetBands), IntProp<G>("EndColor", &G::EndColor, &G::SetEndColor),
       EnumProp<G, TGradientType>("FillType", {"gtNone", "gtHorizontal", "gtVertical", "gtHorzSplit", "gtVertSplit"},
                                  &G::FillType, &G::SetFillType),
       IntProp<G>("StartColor", &G::StartColor, &G::SetStartColor)},
      {},
      nullptr};
  return Info;
}

TGradient::TGradient(TControl* Owner) : FOwner(Owner) { UpdateColors(); }

void TGradient::Changed() {
  if (FUpdateCount == 0 && FOwner) FOwner->Invalidate();
}

void TGradient::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TGradient::SetFillType(TGradientType Value) {
  if (Value == FFillType) return;
  FFillType = Value;
  Changed();
}

void TGradient::SetStartColor(TColor Value) {
  if (Value == FStartColor) return;
  FStartColor = Value;
  UpdateColors();
  if (FFillType != gtNone) Changed();
}

void TGradient::SetEndColor(TColor Value) {
  if (Value == FEndColor) return;
  FEndColor = Value;
  UpdateColors();
  if (FFillType != gtNone) Changed();
}

void TGradient::SetBands(int Value) {
  Value = std::clamp(Value, 1, 256);
  if (Value == FBands) return;
  FBands = Value;
  if (FFillType != gtNone) Changed();
}

void TGradient::Assign(TPersistent* Source) {
  auto* G = dynamic_cast<TGradient*>(Source);
  if (!G) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  SetEndColor(G->FEndColor);
  SetStartColor(G->FStartColor);
  SetFillType(G->FFillType);
  SetBands(G->FBands);
  EndUpdate();
}

void TGradient::UpdateColors() {
  const COLORREF S = static_cast<COLORREF>(ColorToRGB(FStartColor)), E = static_cast<COLORREF>(ColorToRGB(FEndColor));
  FStartRGB[0] = GetRValue(S);
  FStartRGB[1] = GetGValue(S);
  FStartRGB[2] = GetBValue(S);
  FDelta[0] = GetRValue(E) - FStartRGB[0];
  FDelta[1] = GetGValue(E) - FStartRGB[1];
  FDelta[2] = GetBValue(E) - FStartRGB[2];
}

COLORREF TGradient::BandColor(int Index, int Count) const {
  int C[3];
  for (int I = 0; I < 3; ++I) C[I] = FStartRGB[I] + (Count > 1 ? MulDiv(Index, FDelta[I], Count - 1) : 0);
  return RGB(C[0], C[1], C[2]);
}

void TGradient::Fill(HDC DC, const RECT& Rect, const RECT& Clip) const {
  if (FFillType == gtNone) return;
  const bool AlongY = FFillType == gtHorizontal || FFillType == gtHorzSplit;
  const int Start = AlongY ? Rect.top : Rect.left, End = AlongY ? Rect.bottom : Rect.right;
  const int ClipStart = AlongY ? Clip.top : Clip.left, ClipEnd = AlongY ? Clip.bottom : Clip.right;
  const int AcrossStart = std::max(AlongY ? Rect.left : Rect.top, AlongY ? Clip.left : Clip.top);
  const int AcrossEnd = std::min(AlongY ? Rect.right : Rect.bottom, AlongY ? Clip.right : Clip.bottom);
  const int Extent = End - Start;
  if (Extent <= 0 || AcrossEnd <= AcrossStart) return;
  const int Count = std::min(FBands, Extent);
  auto Band = [&](int From, int To, int Index) {
    if (To <= From || To < ClipStart || From > ClipEnd) return;
    HBRUSH Brush = CreateSolidBrush(BandColor(Index, Count));
    HGDIOBJ Old = SelectObject(DC, Brush);
    if (AlongY)
      PatBlt(DC, AcrossStart, From, AcrossEnd - AcrossStart, To - From, PATCOPY);
    else
      PatBlt(DC, From, AcrossStart, To - From, AcrossEnd - AcrossStart, PATCOPY);
    SelectObject(DC, Old);
    DeleteObject(Brush);
  };
  if (FFillType == gtHorizontal || FFillType == gtVertical) {
    int From = Start;
    for (int I = 0; I < Count; ++I) {
      const int To = Start + MulDiv(Extent, I + 1, Count);
      Band(From, To, I);
      From = To;
    }
    return;
  }
  const int Upper = Extent / 2, Lower = Extent - Extent / 2;
  int From = Start, To = End;
  for (int I = 0; I < Count; ++I) {
    const int UpperEnd = Start + MulDiv(Upper, I + 1, Count);
    Band(From, UpperEnd, I);
    From = UpperEnd;
    const int LowerStart = End - MulDiv(Lower, I + 1, Count);
    Band(LowerStart, To, I);
    To = LowerStart;
  }
}

const TClassInfo& TGradientPanel::StaticClassInfo() {
  static const TClassInfo Info{
      "TGradientPanel",
      &TPanel::StaticClassInfo(),
      {ObjectProp<TGradientPanel>("Gradient", TGradient::StaticClassInfo(),
                                  [](TGradientPanel& P) -> TObject* { return &P.Gradient(); })},
      {},
      MakeComponent<TGradientPanel>};
  return Info;
}

TGradientPanel::TGradientPanel(TComponent* AOwner) : TPanel(AOwner) {
  SetAlignment(taLeftJustify);
  FHeight = 18;
}

void TGradientPanel::SysColorChange() {
  FGradient.UpdateColors();
  TPanel::SysColorChange();
}

void TGradientPanel::Paint() {
  HDC DC = FCanvas.Handle();
  RECT R = ClientRect();
  auto Bevel = [&](TBevelCut Cut) {
    if (Cut == bvNone) return;
    const bool Lowered = Cut == bvLowered;
    Frame3D(DC, R, Lowered ? clBtnShadow : clBtnHighlight, Lowered ? clBtnHighlight : clBtnShadow, BevelWidth());
  };
  Bevel(BevelOuter());
  Frame3D(DC, R, Color(), Color(), BorderWidth());
  Bevel(BevelInner());
  RECT Clip{};
  GetClipBox(DC, &Clip);
  if (FGradient.FillType() == gtNone) {
    if (R.right > R.left && R.bottom > R.top) {
      FCanvas.Brush().SetColor(Color());
      FCanvas.FillRect(R);
    }
  } else {
    FGradient.Fill(DC, R, Clip);
  }
  const std::string Text = Caption();
  if (Text.empty()) return;
  FCanvas.Brush().SetClear(true);
  const int H = FCanvas.TextHeight("W");
  R.top = (R.top + R.bottom - H) / 2;
  R.bottom = R.top + H;
  const UINT Align = Alignment() == taCenter ? DT_CENTER : Alignment() == taRightJustify ? DT_RIGHT : DT_LEFT;
  FCanvas.DrawText(Text, R, DrawTextBiDiModeFlags(Align | DT_EXPANDTABS | DT_VCENTER));
  FCanvas.Brush().SetClear(false);
}
