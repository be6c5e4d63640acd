// Standard controls: label, button, check box, radio button, edit, memo, combo box, group box.
#pragma once

#include "classlib/gui/Controls.h"

// Whether Caption has Key as its accelerator ("&x", not "&&").
bool IsAccel(char Key, const std::string& Caption);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TLabel : public TGraphicControl {
public:
  explicit TLabel(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Transparent() const override { return FTransparent; }
  void SetTransparent(bool Value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  bool DialogChar(char Key) override;
  void TextChanged() override;
  void FontChanged() override;
  void Loaded() override;

protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Text drawn with Flags (DT_CALCRECT measures) in Rect.
  void DoDrawText(RECT& Rect, UINT Flags);
  void AdjustBounds();

private:
  bool FWordWrap = false, FAutoSize = true, FTransparent = false, FShowAccelChar = true;
  TAlignment FAlignment = taLeftJustify;
  TWinControl* FFocusControl = nullptr;
};

// A control over a system class whose window procedure stays the system's behind the library's.
class TButtonControl : public TWinControl {
public:
  explicit TButtonControl(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  int ModalResult = 0;
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel = false;
  void Click() override;
  bool DialogChar(char Key) override;
  bool DialogKey(WORD Key, TShiftState Shift) override;
  void FocusChanged(TWinControl* Focused) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Notify(TMessage& Message) override;

private:
  bool FDefault = false, FActive = false;
};

class TCheckBox : public TButtonControl {
public:
  explicit TCheckBox(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  bool Checked() const { return FChecked; }
  // A new value fires OnClick.
  void SetChecked(bool Value);
  bool DialogChar(char Key) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  bool FChecked = false;
};

class TRadioButton : public TCheckBox {
public:
  explicit TRadioButton(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  // Checking unchecks the radio buttons beside it and fires OnClick.
  void SetRadioChecked(bool Value);

protected:
  void CreateParams(TCreateParams& Params) override;
  void Notify(TMessage& Message) override;
};

// The edit base: text with OnChange, selection, read-only, maximum length.
class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  int SelStart();
  int SelLength();
  void SetSel(int Start, int Length);
  void SelectAll() { SetSel(0, -1); }
  bool Modified();
  TNotifyEvent OnChange;
  virtual void Change();

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notify(TMessage& Message) override;
  void SetTextValue(const std::string& Value) override;

private:
  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TEdit : public TCustomEdit {
public:
  using TCustomEdit::TCustomEdit;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

class TMemo : public TCustomEdit {
public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  // The lines, read from and written to the text.
  TStrings* Lines();
  bool WantReturns = true;
  bool WordWrap = true;

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  class TMemoStrings;
  std::unique_ptr<TMemoStrings> FLines;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
using TOwnerDrawState = unsigned;  // ODS_* bits
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, const RECT& Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// A combo box. Items, their objects, ItemIndex and Text live in the object, so that a new window
// (RecreateWnd) gets them back.
class TCustomComboBox : public TWinControl {
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TStrings* Items();
  int ItemIndex();
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);
  int DropDownCount = 8;
  bool Sorted = false;
  bool DroppedDown();
  void SetDroppedDown(bool Value);
  HWND EditHandle() const { return FEditHandle; }
  TControlCanvas& Canvas() { return FCanvas; }

  TNotifyEvent OnChange, OnDropDown, OnCloseUp, OnSelect;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  virtual void Change();
  // The edit child's messages (csDropDown, csSimple); the base passes them to the edit.
  virtual void EditWndProc(TMessage& Message);
  void DefEditProc(TMessage& Message);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notify(TMessage& Message) override;
  void SetTextValue(const std::string& Value) override;
  std::string GetText() override;
  virtual void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);

private:
  class TComboItems;
  friend class TComboItems;
  std::unique_ptr<TComboItems> FItems;
  TComboBoxStyle FStyle = csDropDown;
  int FItemHeight = 16;
  int FItemIndex = -1;
  HWND FEditHandle = nullptr;
  WNDPROC FDefEditProc = nullptr;
  TControlCanvas FCanvas;
  static LRESULT CALLBACK EditProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
};

class TComboBox : public TCustomComboBox {
public:
  using TCustomComboBox::TCustomComboBox;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// A framed container with a caption; a disabled one disables what it holds.
class TGroupBox : public TCustomControl {
public:
  explicit TGroupBox(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  bool DialogChar(char Key) override;
  void TextChanged() override { Invalidate(); }

protected:
  void Paint() override;
  void AlignControls(TControl* AControl, RECT& Rect) override;
};
