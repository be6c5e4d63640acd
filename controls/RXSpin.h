// The spin edit (a number kept within a range, stepped by its buttons and the arrow keys) and its
// two kinds of button: the standard up-down control and a square split by its diagonal.
#pragma once

#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/StdCtrls.h"

#include <memory>
#include <string>

enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

class TRxSpinButton : public TGraphicControl {
public:
  explicit TRxSpinButton(TComponent* AOwner);
  ~TRxSpinButton() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TBitmap& UpGlyph() { return *FUpGlyph; }
  TBitmap& DownGlyph() { return *FDownGlyph; }
  // nullptr loads the resource picture again; another picture is copied.
  void SetUpGlyph(TBitmap* Value);
  void SetDownGlyph(TBitmap* Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  TSpinButtonState Down() const { return FDown; }
  TTimer* RepeatTimer() const { return FRepeatTimer; }
  // The half that the point of the control belongs to.
  TSpinButtonState HalfAt(int X, int Y) const;
  // The picture of a state, drawn at the control's size.
  std::unique_ptr<TBitmap> DrawPicture(TSpinButtonState State);
  TNotifyEvent OnTopClick, OnBottomClick;
  void EnabledChanged() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TSpinButtonState FDown = sbNotDown, FLastDown = sbNotDown;
  std::unique_ptr<TBitmap> FUpGlyph, FDownGlyph, FTopDownBitmap, FBottomDownBitmap, FNotDownBitmap;
  bool FDragging = false, FGlyphsChanged = true;
  int FPictureWidth = 0, FPictureHeight = 0;
  TTimer* FRepeatTimer = nullptr;
  TWinControl* FFocusControl = nullptr;
  void SetGlyph(std::unique_ptr<TBitmap>& Glyph, TBitmap* Value, const char* Resource);
  void DoClick(TSpinButtonState Half);
  void SetDown(TSpinButtonState Value);
  void TimerStep();
};

// The standard up-down control acting as two buttons: its position stays 0.
class TRxUpDown : public TUpDown {
public:
  explicit TRxUpDown(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  void WndProc(TMessage& Message) override;

protected:
  void Notify(TMessage& Message) override;

private:
  bool FScrolling = false;
};

enum TValueType { vtInteger, vtFloat, vtHex };
enum TSpinButtonKind { bkStandard, bkDiagonal };

// min(SM_CXVSCROLL, 15): the width of the standard button.
int SpinStandardButtonWidth();

class TRxSpinEdit : public TCustomEdit {
public:
  explicit TRxSpinEdit(TComponent* AOwner);
  ~TRxSpinEdit() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  double MinValue = 0, MaxValue = 0;
  double Increment() const { return FIncrement; }
  void SetIncrement(double Value) { FIncrement = Value; }
  int Decimal() const { return FDecimal; }
  void SetDecimal(int Value);
  bool EditorEnabled = true;
  // Entering the edit other than by a mouse press selects all of its text.
  bool AutoSelect = true;
  TValueType ValueType() const { return FValueType; }
  void SetValueType(TValueType Value);
  bool ArrowKeys() const { return FArrowKeys; }
  void SetArrowKeys(bool Value);
  TSpinButtonKind ButtonKind() const { return FButtonKind; }
  void SetButtonKind(TSpinButtonKind Value);
  // The text as a number of its kind, within the range: a number too large reads as the limit on
  // its side (without a range, the kind's extreme), a text that is no number as MinValue.
  double Value();
  void SetValue(double Value);
  // The value brought into the range (none when MinValue = MaxValue).
  double CheckValue(double Value) const;
  TNotifyEvent OnTopClick, OnBottomClick;

  TRxSpinButton* Button() const { return FButton; }
  TRxUpDown* UpDown() const { return FUpDown; }
  virtual bool AcceptsChar(char Key);
  virtual void StepUp();
  virtual void StepDown();
  void Change() override;
  void WndProc(TMessage& Message) override;
  void DoEnter() override;
  void DoExit() override;
  void EnabledChanged() override;
  void FontChanged() override;
  // Right to left: the buttons at the left, the text mirrored; laid out again.
  void BiDiModeChanged() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

private:
  TAlignment FAlignment = taLeftJustify;
  double FIncrement = 1.0;
  int FDecimal = 2;
  bool FChanging = false, FArrowKeys = true;
  TValueType FValueType = vtInteger;
  TSpinButtonKind FButtonKind = bkDiagonal;
  TRxSpinButton* FButton = nullptr;
  TWinControl* FBtnWindow = nullptr;
  TRxUpDown* FUpDown = nullptr;
  void RecreateButton();
  void ResizeButton();
  void SetEditRect();
  void Step(double Delta, const TNotifyEvent& Event);
  void Paste();
  std::string FormatValue(double Value) const;
  enum TNumberText { ntNumber, ntTooLow, ntTooHigh, ntNoNumber };
  // How the text reads as a number of the kind; Result is set for ntNumber.
  TNumberText ReadNumber(const std::string& Text, double& Result) const;
};
