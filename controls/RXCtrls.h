// Window-less controls of the component library: the shadowed label and the speed button with its
// glyph cache.
#pragma once

#include "classlib/gui/StdCtrls.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// Text drawn twice with DrawTextA: in ShadowColor moved ShadowSize pixels towards Position, then in
// the DC's text colour in Rect. Rect becomes the union of both rectangles (with DT_CALCRECT: both
// only measured). Returns the text's height plus ShadowSize, or DrawTextA's result when that is 0 or less.
int DrawShadowText(HDC DC, const char* Text, int Length, RECT& Rect, UINT Format, int ShadowSize,
                   COLORREF ShadowColor, TShadowPosition Position);

class TRxCustomLabel : public TGraphicControl {
public:
  explicit TRxCustomLabel(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value) { Store(FAlignment, Value); }
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value) { Store(FLayout, Value); }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value) { Store(FShadowColor, Value); }
  int ShadowSize() const { return FShadowSize; }
  void SetShadowSize(int Value);  // 0 to 255
  TShadowPosition ShadowPos() const { return FShadowPos; }
  void SetShadowPos(TShadowPosition Value) { Store(FShadowPos, Value); }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value) { Store(FShowAccelChar, Value); }
  bool ShowFocus() const { return FShowFocus; }
  void SetShowFocus(bool Value) { Store(FShowFocus, Value); }
  bool Transparent() const override { return FTransparent; }
  void SetTransparent(bool Value) { Store(FTransparent, Value); }
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  bool MouseInControl() const { return FMouseInControl; }
  bool Dragging() const { return FDragging; }

  void TextChanged() override;
  void FontChanged() override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void FocusChanged(TWinControl* Focused) override;
  bool DialogChar(char Key) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Loaded() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  virtual TColor DefaultTextColor() { return Font().Color(); }
  virtual std::string TextToDraw() { return Caption(); }
  // The caption in Rect with Flags (DT_CALCRECT measures, shadow included).
  void DoDrawText(RECT& Rect, UINT Flags);
  void AdjustBounds();

private:
  TWinControl* FFocusControl = nullptr;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TTextLayout FLayout = tlTop;
  TColor FShadowColor = clBtnHighlight;
  int FShadowSize = 1;
  TShadowPosition FShadowPos = spLeftTop;
  bool FWordWrap = false, FShowAccelChar = true, FShowFocus = false, FFocused = false, FMouseInControl = false,
       FDragging = false, FTransparent = false;
  template <class T>
  void Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  void UpdateTracking();
};

class TRxLabel : public TRxCustomLabel {
public:
  using TRxCustomLabel::TRxCustomLabel;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};
