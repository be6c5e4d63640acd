// Window-less controls of the component library: the shadowed label and the speed button with its
// glyph cache.
#pragma once

#include "classlib/core/ImgList.h"
#include "classlib/gui/StdCtrls.h"

#include <array>
#include <memory>
#include <vector>

class TPopupMenu;
class TTimer;

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

// ---------------------------------------------------------------------------------------------
// Speed button

// The order is the index of a cell in a glyph strip.
enum TSpeedButtonState { sbsUp, sbsDisabled, sbsDown, sbsExclusive, sbsInactive };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TRxDropDownMenuPos { dmpBottom, dmpRight };

// An image list of one image size whose slots are handed out and given back.
class TGlyphList : public TImageList {
public:
  TGlyphList(int AWidth, int AHeight);
  // A slot (the lowest free one, else a new one) holding Image with Mask or with a mask of MaskColor.
  int AddImage(TBitmap& Image, TBitmap* Mask);
  int AddMaskedImage(TBitmap& Image, TColor MaskColor);
  // The slot is free for the next image; its picture stays until then.
  void ReleaseIndex(int Index);
  // Slots in use (the image list's own count is of every slot).
  int Count() const { return FCount; }

private:
  std::vector<bool> FUsed;
  int FCount = 0;
  int AllocateIndex();
};

// The glyph lists of all buttons, one per image size.
class TGlyphCache {
public:
  TGlyphList* ListForSize(int AWidth, int AHeight);
  // A list with no slot in use is freed.
  void ReleaseList(TGlyphList* List);
  bool IsEmpty() const { return FLists.empty(); }
  int ListCount() const { return static_cast<int>(FLists.size()); }

private:
  std::vector<std::unique_ptr<TGlyphList>> FLists;
};

// The cache that the glyphs share; nullptr while no glyph exists.
TGlyphCache* GlyphCache();

// Draws the frame of a speed button in Rect; returns the rectangle inside it.
RECT DrawSpeedButtonFrame(HDC DC, const RECT& Rect, bool Pressed, bool Flat, TButtonStyle Style);

// A button's glyph strip cut into per-state images in the shared glyph lists, with its caption layout.
class TRxButtonGlyph {
public:
  TRxButtonGlyph();
  ~TRxButtonGlyph();
  TRxButtonGlyph(const TRxButtonGlyph&) = delete;
  TRxButtonGlyph& operator=(const TRxButtonGlyph&) = delete;

  TBitmap& Glyph() { return *FStrip; }
  void SetGlyph(TBitmap* Value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);  // 0 and the current value are ignored
  TColor TransparentColor() const { return FTransparentColor; }
  bool WordWrap = false;
  TAlignment Alignment = taCenter;
  TNotifyEvent OnChange;

  // The image of State in GlyphList (built when missing); -1 without a strip.
  int BuildStateImage(TSpeedButtonState State);
  void ReleaseImages();
  TGlyphList* GlyphList() const { return FGlyphList; }
  // The grey of Color (the transparent colour and clBtnFace stay).
  TColor GrayColor(TColor Color) const;
  // Glyph and caption laid out in Client and drawn; the drop-down mark after them with DrawMark.
  void DrawInRect(TControlCanvas& Canvas, const RECT& Client, const std::string& Caption, TButtonLayout Layout,
                  int Margin, int Spacing, TSpeedButtonState State, bool DrawMark, UINT TextFlags);

private:
  std::unique_ptr<TBitmap> FStrip;
  TGlyphList* FGlyphList = nullptr;
  std::array<int, 5> FIndexes;
  TColor FTransparentColor = clFuchsia;
  int FNumGlyphs = 1;
  void StripChanged();
  void LayoutGlyphAndText(TControlCanvas& Canvas, const RECT& Client, std::string& Caption, TButtonLayout Layout,
                          int Margin, int Spacing, bool DrawMark, UINT TextFlags, POINT& GlyphPos, RECT& TextBounds);
};

// The window-less push button of the tool strips: a glyph and a caption, groups of exclusive
// buttons, a drop-down menu, a click that repeats while held, and a flat look until the mouse comes.
class TRxSpeedButton : public TGraphicControl {
public:
  explicit TRxSpeedButton(TComponent* AOwner);
  ~TRxSpeedButton() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TRxButtonGlyph& GlyphObject() { return *FGlyph; }
  TBitmap& Glyph() { return FGlyph->Glyph(); }
  void SetGlyph(TBitmap* Value) { FGlyph->SetGlyph(Value); }
  // A bitmap resource of the program ("BMP:" before the name is allowed).
  void LoadGlyph(const std::string& Source);
  const std::string& GlyphSource() const { return FGlyphSource; }
  int NumGlyphs() const { return FGlyph->NumGlyphs(); }
  void SetNumGlyphs(int Value);
  TAlignment Alignment() const { return FGlyph->Alignment; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const { return FGlyph->WordWrap; }
  void SetWordWrap(bool Value);

  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value);
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value) { Store(FFlat, Value); }
  TButtonStyle Style() const { return FStyle; }
  void SetStyle(TButtonStyle Value) { Store(FStyle, Value); }
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value) { Store(FLayout, Value); }
  int Margin() const { return FMargin; }
  void SetMargin(int Value);  // -1 or more
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value) { Store(FSpacing, Value); }
  bool Transparent() const override { return FTransparent; }
  void SetTransparent(bool Value) { Store(FTransparent, Value); }
  bool MarkDropDown() const { return FMarkDropDown; }
  void SetMarkDropDown(bool Value) { Store(FMarkDropDown, Value); }
  TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(TPopupMenu* Value);
  TRxDropDownMenuPos MenuPosition = dmpBottom;
  bool GrayedInactive() const { return FGrayedInactive; }
  void SetGrayedInactive(bool Value) { Store(FGrayedInactive, Value); }
  bool AllowTimer() const { return FAllowTimer; }
  void SetAllowTimer(bool Value);
  int InitPause = 500;
  int RepeatInterval = 100;
  int ModalResult = 0;
  TSpeedButtonState State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }
  bool Dragging() const { return FDragging; }
  bool MenuTracking() const { return FMenuTracking; }
  TTimer* RepeatTimer() const { return FRepeatTimer; }

  void Click() override;
  // Shows the drop-down menu below or beside the button (Manual: also without AutoPopup); false
  // when there is none to show.
  bool CheckMenuDropDown(bool Manual);
  void WndProc(TMessage& Message) override;
  void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
  bool DialogChar(char Key) override;
  void ButtonPressed(TControl* Button) override;
  void EnabledChanged() override;
  void VisibleChanged() override;
  void SysColorChange() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Loaded() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  virtual void DrawGlyphAndText(TControlCanvas& Canvas, const RECT& Rect, TSpeedButtonState State, bool DrawMark);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  std::unique_ptr<TRxButtonGlyph> FGlyph;
  std::unique_ptr<TBitmap> FDrawImage;
  std::string FGlyphSource;
  int FGroupIndex = 0;
  TButtonStyle FStyle = bsAutoDetect;
  bool FDown = false, FDragging = false, FFlat = false, FMouseInControl = false, FAllowAllUp = false,
       FTransparent = false, FMarkDropDown = true, FGrayedInactive = true, FMenuTracking = false, FAllowTimer = false;
  TButtonLayout FLayout = blGlyphTop;
  int FSpacing = 1, FMargin = -1;
  TPopupMenu* FDropDownMenu = nullptr;
  TTimer* FRepeatTimer = nullptr;
  TSpeedButtonState FState = sbsUp;
  template <class T>
  void Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  bool Inside(int X, int Y);
  void Release(TMouseButton Button, int X, int Y);
  void UpdateExclusive();
  void UpdateTracking();
  void BuildInitialImage();
  void TimerExpired();
  bool HoldsCapture();
};
