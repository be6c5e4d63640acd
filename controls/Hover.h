// A label that changes its look while the mouse is over it or presses it, and draws its text raised,
// recessed, with a drop shadow or outlined.
#pragma once

#include "classlib/gui/StdCtrls.h"

enum THoverState { hsNormal, hsHover, hsDown };
enum THoverTextStyle { tsNone, tsRaised, tsRecessed, taShadow };

class THoverLabel : public TLabel {
public:
  explicit THoverLabel(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor Value) { Store(FBorderColor, Value); }
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value) { Store(FBorderWidth, Value & 0xFF); }
  THoverTextStyle TextStyle() const { return FTextStyle; }
  void SetTextStyle(THoverTextStyle Value) { Store(FTextStyle, Value); }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor Value) { Store(FShadowColor, Value); }
  int ShadowWidth() const { return FShadowWidth; }
  void SetShadowWidth(int Value) { StoreWidth(FShadowWidth, Value); }
  TColor OnMouseBorderColor() const { return FOnMouseBorderColor; }
  void SetOnMouseBorderColor(TColor Value) { Store(FOnMouseBorderColor, Value); }
  int OnMouseBorderWidth() const { return FOnMouseBorderWidth; }
  void SetOnMouseBorderWidth(int Value) { StoreWidth(FOnMouseBorderWidth, Value); }
  TColor OnMouseTextColor() const { return FOnMouseTextColor; }
  void SetOnMouseTextColor(TColor Value) { Store(FOnMouseTextColor, Value); }
  THoverTextStyle OnMouseTextStyle() const { return FOnMouseTextStyle; }
  void SetOnMouseTextStyle(THoverTextStyle Value) { Store(FOnMouseTextStyle, Value); }
  TColor OnMouseShadowColor() const { return FOnMouseShadowColor; }
  void SetOnMouseShadowColor(TColor Value) { Store(FOnMouseShadowColor, Value); }
  int OnMouseShadowWidth() const { return FOnMouseShadowWidth; }
  void SetOnMouseShadowWidth(int Value) { StoreWidth(FOnMouseShadowWidth, Value); }
  THoverState State() const { return FState; }

  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TColor FBorderColor = clYellow, FShadowColor = clBtnShadow;
  int FBorderWidth = 0, FShadowWidth = 1;
  THoverTextStyle FTextStyle = tsNone;
  TColor FOnMouseBorderColor = clYellow, FOnMouseTextColor = clWindowText, FOnMouseShadowColor = clBtnShadow;
  int FOnMouseBorderWidth = 1, FOnMouseShadowWidth = 1;
  THoverTextStyle FOnMouseTextStyle = tsNone;
  THoverState FState = hsNormal;

  template <class T>
  void Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  // Offsets of 10 or more are ignored.
  void StoreWidth(int& Field, int Value) {
    if (Value < 0 || Value >= 10) return;
    Store(Field, Value);
  }
};
