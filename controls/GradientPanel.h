// A panel whose background is a colour gradient of solid bands, and the gradient's settings.
#pragma once

#include "classlib/gui/ExtCtrls.h"

enum TGradientType { gtNone, gtHorizontal, gtVertical, gtHorzSplit, gtVertSplit };

class TGradient : public TPersistent {
public:
  // Owner is invalidated on every change that shows.
  explicit TGradient(TControl* Owner);
  static const TClassInfo& StaticClassInfo();

  TGradientType FillType() const { return FFillType; }
  void SetFillType(TGradientType Value);
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor Value);
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor Value);
  int Bands() const { return FBands; }
  void SetBands(int Value);  // kept within 1 to 256

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void Assign(TPersistent* Source) override;
  // The start colour and the differences again from the system's colour table.
  void UpdateColors();
  // The colour of band Index of Count.
  COLORREF BandColor(int Index, int Count) const;
  // Fills Rect with the bands that meet Clip (nothing with gtNone).
  void Fill(HDC DC, const RECT& Rect, const RECT& Clip) const;

private:
  TControl* FOwner;
  TGradientType FFillType = gtNone;
  TColor FStartColor = clBlack, FEndColor = clBlue;
  int FBands = 64;
  int FStartRGB[3] = {}, FDelta[3] = {};
  int FUpdateCount = 0;
  void Changed();
};

class TGradientPanel : public TPanel {
public:
  explicit TGradientPanel(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TGradient& Gradient() { return FGradient; }
  void SetGradient(TGradient& Value) { FGradient.Assign(&Value); }
  void SysColorChange() override;

protected:
  void Paint() override;

private:
  TGradient FGradient{this};
};
