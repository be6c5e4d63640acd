// The component library's own controls: the shadowed label, the speed button with its glyph cache,
// and the list box with its check-list kind (entries with a check state and an enabled flag).
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
  // The size is fitted again (a mirrored alignment keeps the other edge) and the label repainted.
  void BiDiModeChanged() override;

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

// ---------------------------------------------------------------------------------------------
// List box and check list box

class TFormPlacement;
class TIniLink;
class TRxCustomListBox;
class TRxCheckListBox;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using TGetItemWidthEvent = std::function<void(TWinControl* Control, int Index, int& Width)>;
using TChangeStateEvent = std::function<void(TObject* Sender, int Index)>;

// The entries of a TRxCustomListBox: every operation goes to the list box window.
class TRxListBoxStrings : public TStrings {
public:
  explicit TRxListBoxStrings(TRxCustomListBox& ListBox) : FListBox(ListBox) {}
  TRxCustomListBox& ListBox() const { return FListBox; }
  int Count() const override;
  // The whole entry, however long; EStringListError "List index out of bounds (%d)" outside the list.
  std::string Get(int Index) const override;
  TObject* Objects(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  // EOutOfResources "Unable to insert a line" when the window refuses.
  int Add(const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);

protected:
  void SetUpdateState(bool Updating) override;

private:
  TRxCustomListBox& FListBox;
  int Inserted(LRESULT Result) const;
};

// A list box over the system's LISTBOX window, with a horizontal extent that follows the widest
// entry (AutoScroll) and a grey selection while it has no focus (GraySelection).
class TRxCustomListBox : public TWinControl {
public:
  explicit TRxCustomListBox(TComponent* AOwner);
  ~TRxCustomListBox() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TRxListBoxStrings* Items() const { return FItems.get(); }
  // Copies the strings of Value.
  virtual void SetItems(TStrings* Value);
  TControlCanvas& Canvas() { return FCanvas; }
  int ItemIndex();
  void SetItemIndex(int Value);
  int TopIndex();
  void SetTopIndex(int Value);
  bool Selected(int Index);
  // The entry under the client point; -1 (Existing) or the count when there is none.
  int ItemAtPos(POINT Pos, bool Existing);
  RECT ItemRect(int Index);
  void Clear() { FItems->Clear(); }

  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  int Columns() const { return FColumns; }
  void SetColumns(int Value);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int Value);  // negative values count as 0
  // With fixed-height entries, the window's height of entry 0.
  int ItemHeight();
  void SetItemHeight(int Value);  // 1 or more
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value);
  bool GraySelection() const { return FGraySelection; }
  void SetGraySelection(bool Value);
  int MaxItemWidth() const { return FMaxItemWidth; }
  LRESULT Send(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0) { return SendMessageA(Handle(), Msg, WParam, LParam); }

  const TDrawItemEvent& OnDrawItem() const { return FOnDrawItem; }
  void SetOnDrawItem(TDrawItemEvent Value);
  TMeasureItemEvent OnMeasureItem;
  const TGetItemWidthEvent& OnGetItemWidth() const { return FOnGetItemWidth; }
  void SetOnGetItemWidth(TGetItemWidthEvent Value);

  void WndProc(TMessage& Message) override;
  void FontChanged() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // A drag that ended on no target leaves the list box tracking the press that began it: a press
  // and release at the cursor end that.
  void DoEndDrag(TObject* Target, int X, int Y) override;

protected:
  friend class TRxListBoxStrings;
  // Automatic drags begin from the box's own press handling (below).
  bool AutoDragOnPress() const override { return false; }
  // A left press with DragMode dmAutomatic: on a selected entry of a multi-select box (without Shift,
  // or with Ctrl) the drag begins and the selection stays; otherwise the press is handled and a drag
  // begins, unless Shift or Ctrl extends the selection of a multi-select box.
  void AutomaticDragPress(TMessage& Message);
  void SetItemsList(std::unique_ptr<TRxListBoxStrings> List) { FItems = std::move(List); }
  // Entry width for the horizontal extent: OnGetItemWidth (owner-drawn with both events set), else
  // the text and one "x".
  virtual int GetItemWidth(int Index);
  virtual void DrawItem(int Index, RECT Rect, TOwnerDrawState State);
  // The drawing without OnDrawItem: the rectangle filled, the text 2 pixels in, centred vertically.
  void DefaultDrawItem(int Index, RECT Rect);
  virtual void MeasureItem(int Index, int& Height);
  // The item data of entry Index (LB_ERR outside the list) and its writing.
  virtual LRESULT GetItemData(int Index);
  virtual void SetItemData(int Index, LRESULT Data);
  virtual void ResetContent();
  virtual void DeleteString(int Index);
  // The entry height set on the window after creation and each font change (0: the window's own).
  virtual int FixedItemHeight() { return 0; }
  // Entries were added or removed (not while the window is remade).
  virtual void ContentChanged();
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notify(TMessage& Message) override;
  // Width of S with the tab stops of TabWidth, and the height of S, in the control's font.
  int TextWidthTabbed(const std::string& S);
  int TextHeight(const std::string& S);
  int TabStopPixels(HDC DC);
  void ResetHorizontalExtent();
  void ApplyItemHeight();
  void InvalidateItem(int Index);
  bool Restoring() const { return FRestoring; }
  int StoredItemHeight() const { return FItemHeight; }

private:
  std::unique_ptr<TRxListBoxStrings> FItems;
  TControlCanvas FCanvas;
  TListBoxStyle FStyle = lbStandard;
  bool FSorted = false, FMultiSelect = false, FExtendedSelect = true, FIntegralHeight = false, FAutoScroll = false,
       FGraySelection = false;
  int FColumns = 0, FTabWidth = 0, FItemHeight = 16, FMaxItemWidth = 0;
  std::unique_ptr<TStringList> FSavedItems;
  int FSavedTopIndex = 0, FSavedItemIndex = -1;
  bool FRestoring = false;
  bool ExtentFollowsItems() const;
  TDrawItemEvent FOnDrawItem;
  TGetItemWidthEvent FOnGetItemWidth;
  void SetColumnWidth();
  void SetHorizontalExtent();
  void DrawItemStruct(const DRAWITEMSTRUCT& Draw);
  template <class T>
  void StoreAndRecreate(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    RecreateWnd();
  }
};

// The state of one entry of a check list box, kept as the entry's item data.
class TCheckListBoxItem {
public:
  TObject* Data = nullptr;  // what the entry's object reads as
  TCheckBoxState State = cbUnchecked;
  bool Enabled = true;
};

// The entries of a check list box: exchanging or moving entries keeps their states and flags.
class TCheckListBoxStrings : public TRxListBoxStrings {
public:
  using TRxListBoxStrings::TRxListBoxStrings;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
};

// A list box whose entries carry a check state and an enabled flag, drawn as an image of the
// "CHECK_IMAGES" strip left of the text; stores the states through a form placement.
class TRxCheckListBox : public TRxCustomListBox {
public:
  explicit TRxCheckListBox(TComponent* AOwner);
  ~TRxCheckListBox() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  // True only when set and the kind is not ckRadioButtons.
  bool AllowGrayed() const;
  void SetAllowGrayed(bool Value);
  TCheckKind CheckKind() const { return FCheckKind; }
  void SetCheckKind(TCheckKind Value);
  // Radio mode: the first checked entry; else -1. Writing checks entry max(Value, 0) in radio mode.
  int CheckedIndex();
  void SetCheckedIndex(int Value);
  bool Checked(int Index);
  void SetChecked(int Index, bool Value);
  TCheckBoxState State(int Index);
  void SetState(int Index, TCheckBoxState Value);
  bool EntryEnabled(int Index);
  void SetEntryEnabled(int Index, bool Value);
  TFormPlacement* IniStorage() const;
  void SetIniStorage(TFormPlacement* Value);
  int CheckWidth() const { return FCheckWidth; }
  int CheckHeight() const { return FCheckHeight; }
  // The layout format ("Strings"): one line per value, entry by entry: text, state (0, 1, 2),
  // enabled (True/False); empty without entries. Reading follows the layout's "InternalVersion".
  static constexpr int LayoutVersion = 202;
  std::string LayoutStrings();
  void SetLayoutStrings(const std::string& Text);

  TNotifyEvent OnClickCheck;
  TChangeStateEvent OnStateChange;

  void SetItems(TStrings* Value) override;
  void SaveStatesTo(TObject* Ini, const std::string& Section);
  void LoadStatesFrom(TObject* Ini, const std::string& Section);
  void Loaded() override;
  void WndProc(TMessage& Message) override;

protected:
  int GetItemWidth(int Index) override;
  void DrawItem(int Index, RECT Rect, TOwnerDrawState State) override;
  LRESULT GetItemData(int Index) override;
  void SetItemData(int Index, LRESULT Data) override;
  void ResetContent() override;
  void DeleteString(int Index) override;
  int FixedItemHeight() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ContentChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void ToggleClickCheck(int Index);
  void ClickCheck();
  void InvalidateCheck(int Index);

private:
  friend class TCheckListBoxStrings;
  struct TSavedState {
    TCheckBoxState State;
    bool Enabled;
  };
  bool FAllowGrayed = false;
  TCheckKind FCheckKind = ckCheckBoxes;
  std::vector<TSavedState> FSaveStates;
  size_t FNextSavedState = 0;
  std::unique_ptr<TBitmap> FDrawBitmap;
  int FCheckWidth = 16, FCheckHeight = 13;
  bool FInUpdateStates = false;
  // The "InternalVersion" of the layout being read (0 when it names none); set while its
  // "Strings" are read (OnStateChange stays silent).
  int FReaderVersion = 0;
  bool FReadingLayout = false;
  std::unique_ptr<TIniLink> FIniLink;
  // The entry's state object; nullptr for none (Create: made when missing).
  TCheckListBoxItem* CheckObject(int Index, bool Create = false);
  void FreeStateObjects();
  void UpdateCheckStates();
  void IniSave(TObject* Sender);
  void IniLoad(TObject* Sender);
  int CheckAreaWidth() const { return FCheckWidth + 2; }
  // The check area of an entry's rectangle: at its left, at its right for right-to-left reading.
  RECT CheckArea(const RECT& Item) const;
  void DrawCheck(const RECT& Area, TCheckBoxState AState, bool Enabled);
};

// The check image strip every check list box draws from: "CHECK_IMAGES" of the program, loaded on
// first use (6 columns by 3 rows).
TBitmap& CheckImages();
