// The control base: TControl (bounds, alignment, anchors, visibility, enabling, text, hints, font,
// colour, cursor, events), TWinControl (a real child window of an ANSI class with the library's
// window procedure, children in z-order, focus, tab order, reflection of notifications), the
// window-less TGraphicControl and the self-painting TCustomControl, and the canvas they draw with.
#pragma once

#include "classlib/core/Graphics.h"
#include "classlib/core/TypInfo.h"
#include "classlib/gui/ActnList.h"
#include "classlib/gui/Boundary.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControl;
class TDragObject;
class TDragImageList;

// ---------------------------------------------------------------------------------------------
// Messages the library sends itself: a parent reflects a child's notifications to it as
// CN_BASE + the original message.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_CTLCOLORFIRST = CN_BASE + WM_CTLCOLORMSGBOX;  // the WM_CTLCOLOR* kinds
constexpr UINT CN_CTLCOLORLAST = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;

// ---------------------------------------------------------------------------------------------
// Canvas tools

class TBrush : public TPersistent {
public:
  ~TBrush() override;
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool Clear() const { return FClear; }  // bsClear: nothing is filled
  void SetClear(bool Value) { FClear = Value; }
  HBRUSH Handle();

private:
  TColor FColor = clWhite;
  bool FClear = false;
  HBRUSH FHandle = nullptr;
};

class TPen : public TPersistent {
public:
  ~TPen() override;
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  HPEN Handle();

private:
  TColor FColor = clBlack;
  int FWidth = 1;
  HPEN FHandle = nullptr;
  void Free();
};

// Drawing with Font, Brush and Pen over a DC it does not own.
class TControlCanvas : public TCanvas {
public:
  TControlCanvas();
  TFont& Font() { return FFont; }
  TBrush& Brush() { return FBrush; }
  TPen& Pen() { return FPen; }

  void FillRect(const RECT& Rect);  // with Brush (nothing when clear)
  void FrameRect(const RECT& Rect);  // with Brush's colour
  void Rectangle(int X1, int Y1, int X2, int Y2);  // outlined by Pen, filled by Brush
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void TextOut(int X, int Y, const std::string& Text);  // background of Brush unless clear
  int TextWidth(const std::string& Text);
  int TextHeight(const std::string& Text);
  // DrawTextA of Text in Rect with Format (DT_*); returns the text's height.
  int DrawText(const std::string& Text, RECT& Rect, UINT Format);

private:
  TFont FFont;
  TBrush FBrush;
  TPen FPen;
  void Select(bool WithFont, bool WithPen, bool WithBrush);
};

// ---------------------------------------------------------------------------------------------
// Geometry and state

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = unsigned;
constexpr TAnchors AnchorBit(TAnchorKind Kind) { return 1u << Kind; }
constexpr TAnchors akLeftTop = AnchorBit(akLeft) | AnchorBit(akTop);

enum TBorderStyle { bsNone, bsSingle };
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crIBeam = -4, crSizeWE = -9, crSizeNS = -7, crHourGlass = -11,
                  crDrag = -12, crNo = -18, crHandPoint = -21, crHSplit = -14, crVSplit = -15;

// ControlState bits.
enum TControlStateBit : unsigned { csLButtonDown = 1, csClicked = 2, csPaintCopy = 4, csAligning = 8, csMouseInside = 16 };

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftBit : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;
TShiftState KeyboardShift();                 // the keys held now
TShiftState KeysToShift(WPARAM Keys);        // MK_* of a mouse message and the Alt key

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

// Dragging inside the program (DragDrop.h has the drag objects and the manager).
enum TDragMode { dmManual, dmAutomatic };
// Reading order and alignment: right-to-left reading is any mode but bdLeftToRight; alignment is
// mirrored only for bdRightToLeft.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// Source is the drag object, or the dragged control when the drag runs with the default object.
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
// Target: the control dropped on, nullptr when the drag was cancelled or refused.
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Minimum and maximum size of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
public:
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  static const TClassInfo& StaticClassInfo();
  // W and H brought within the limits.
  void Apply(int& W, int& H) const;
};

// The part of a hint before "|" (the whole hint without one); the part after it (the whole hint
// without one).
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

// The control object of a window of the library (nullptr for others).
TWinControl* FindControl(HWND Wnd);
// The control of Wnd or of its nearest ancestor that has one.
TWinControl* FindOwningControl(HWND Wnd);
// The control (graphic ones included) under the screen point; nullptr when none of the library's.
TControl* FindDragTarget(POINT ScreenPos, bool AllowDisabled);

// The drag manager's side of the controls (DragDrop.cpp). While a drag runs or waits for its
// threshold, every mouse and key message of the library's windows is offered to it first: true when
// it took the message. DragBegin starts (Immediate) or arms a drag of Control at the screen point.
bool DragMessage(TControl* Control, TMessage& Message);
void DragBegin(TControl* Control, bool Immediate, int Threshold, POINT ScreenPos);
// A control going away: a drag from or over it is cancelled or forgets it.
void DragControlGone(TControl* Control);

// ---------------------------------------------------------------------------------------------
// TControl

class TControl : public TComponent, public TActionClient {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  virtual RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  virtual void SetClientSize(int AWidth, int AHeight);
  void SetClientWidth(int Value) { SetClientSize(Value, ClientHeight()); }
  void SetClientHeight(int Value) { SetClientSize(ClientWidth(), Value); }
  POINT ClientToScreen(POINT P);
  POINT ScreenToClient(POINT P);
  // The client origin in screen coordinates.
  virtual POINT ClientOrigin();

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value) { FAnchors = Value; }
  TSizeConstraints& Constraints() { return FConstraints; }

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all its parents (a form: its window is shown).
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Enabled, and so are all its parents.
  bool EnabledInTree() const;

  std::string Caption() { return GetText(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  std::string Text() { return GetText(); }
  void SetText(const std::string& Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool ShowHint = false;

  TFont& Font() { return *FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  unsigned ControlState = 0;

  TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  virtual void Click();
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // The message handler every message of the control reaches; the base handles mouse messages.
  virtual void WndProc(TMessage& Message);
  virtual void Invalidate();
  void Repaint();
  void Update();
  void BringToFront();
  // Whether the control's parent paints through it.
  virtual bool Transparent() const { return false; }
  virtual bool IsWindowed() const { return false; }

  // Notifications.
  virtual void EnabledChanged();
  virtual void FontChanged();
  virtual void TextChanged();
  virtual void VisibleChanged();
  virtual void ColorChanged();
  virtual void MouseEnter();
  virtual void MouseLeave();
  // An accelerator character (with Alt, or without for controls that take no characters): true when
  // the control acted on it.
  virtual bool DialogChar(char Key) { return false; }
  // A dialog key (Enter, Escape) offered to every control of the form: true when taken.
  virtual bool DialogKey(WORD Key, TShiftState Shift) { return false; }
  virtual void ButtonPressed(TControl* Button) {}
  virtual void FocusChanged(TWinControl* Focused) {}
  virtual void CancelMode() {}
  virtual void SysColorChange() { Invalidate(); }
  virtual void SystemFontChange() {}
  // The parent's enabled state changed.
  virtual void ParentEnabledChanged() { Invalidate(); }
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();

  void Loaded() override;
  // The form the control is on (nullptr when none).
  TCustomForm* ParentForm();

  // The action the control follows; a click runs the action's Execute instead of OnClick.
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* Value);
  // Takes the action's caption, hint, enabling and visibility (CheckDefaults: only where the
  // control has its defaults); nullptr: the action goes.
  void ActionChange(TBasicAction* Sender, bool CheckDefaults) override;
  // The menu shown on a right click or the menu key (when its AutoPopup is set).
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);

  // Reading order and alignment (BiDiMode.cpp). With ParentBiDiMode (the default) the parent's mode
  // is the control's, followed as it changes; writing BiDiMode clears ParentBiDiMode. A change of
  // the mode reaches the control and the children that follow it through BiDiModeChanged.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode Value);
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value);
  bool UseRightToLeftReading() const { return BiDiMode() != bdLeftToRight; }
  bool UseRightToLeftAlignment() const { return BiDiMode() == bdRightToLeft; }
  // DrawText flags for the mode: DT_LEFT and DT_RIGHT swapped for mirrored alignment (DT_CENTER
  // stays), DT_RTLREADING added for right-to-left reading.
  UINT DrawTextBiDiModeFlags(UINT Flags) const;
  // The mode changed (CM_BIDIMODECHANGED); the base repaints.
  virtual void BiDiModeChanged() { Invalidate(); }

  // Dragging (DragDrop.cpp). dmAutomatic starts a drag on a left press moved past the threshold.
  TDragMode DragMode = dmManual;
  TCursor DragCursor = crDrag;  // over a target that accepts, with the default drag object
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  // Immediate: the drag starts now; else once the pointer moves Threshold pixels (-1: the system's)
  // from here with the left button held.
  void BeginDrag(bool Immediate, int Threshold = -1);
  bool Dragging() const;
  // Ends this control's drag: dropped on the current target when Drop and it accepts, else cancelled.
  void EndDrag(bool Drop);
  // The drag's start: OnStartDrag, which may supply the drag object.
  virtual void DoStartDrag(TDragObject*& DragObject);
  // The drag's end: OnEndDrag.
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  // This control as a target: OnDragOver decides Accept (false without a handler); OnDragDrop.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  // The images the default drag object shows; none in the base.
  virtual TDragImageList* GetDragImages() { return nullptr; }

protected:
  // Whether a left press starts an automatic drag (controls that detect drags themselves say no).
  virtual bool AutoDragOnPress() const { return true; }
  virtual std::string GetText();
  virtual void SetTextValue(const std::string& Value);  // stores the text (and tells the window)
  virtual void Resize();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DblClick();
  // Bounds as stored, without telling the window (used by the window's own moves).
  void UpdateBoundsValues(int ALeft, int ATop, int AWidth, int AHeight);
  void RequestAlign();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // WM_CONTEXTMENU at the screen point (-1, -1: from the keyboard): true when a menu was shown.
  bool DoContextPopup(POINT ScreenPos);
  std::string FText;
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true, FEnabled = true;

private:
  friend class TWinControl;
  TAlign FAlign = alNone;
  TAnchors FAnchors = akLeftTop;
  TSizeConstraints FConstraints;
  std::string FHint;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true, FParentColor = false, FChangingParentFont = false;
  TColor FColor = clWindow;
  TCursor FCursor = crDefault;
  TBasicAction* FAction = nullptr;
  TPopupMenu* FPopupMenu = nullptr;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
};

// The published "BiDiMode" and "ParentBiDiMode" of a control's class table.
TPropInfo BiDiModeProp();
TPropInfo ParentBiDiModeProp();

// ---------------------------------------------------------------------------------------------
// TWinControl

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0, ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;  // the parent control's window is filled in when the window is made
  // The class the window is made of; with SysClassName set, a copy of that system class
  // (keeping its procedure for DefWndProc) registered under WinClassName.
  std::string WinClassName;
  std::string SysClassName;
  UINT ClassStyle = CS_DBLCLKS;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

  // The window, made (with its parents') when first asked for.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys and makes the window again, keeping the control's contents.
  void RecreateWnd();
  void DestroyHandle();

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
  // The child under the client point (the topmost); nullptr when none.
  TControl* ControlAtPos(POINT P, bool AllowDisabled, bool AllowWinControls = false);
  bool ContainsControl(TControl* Control) const;
  // The graphic child that the window's mouse capture serves (nullptr when none); WM_CANCELMODE ends it.
  TControl* CaptureControl() const { return FCaptureControl; }

  int TabOrder();
  void SetTabOrder(int Value);
  bool TabStop = false;
  bool CanFocus();
  bool Focused();
  virtual void SetFocus();
  // The next (or previous) focusable control with TabStop after Current among this control's
  // descendants, in tab order, wrapping around; nullptr when none.
  TWinControl* FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop);
  // Every descendant window control in tab order.
  void GetTabOrderList(std::vector<TWinControl*>& List);

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool Ctl3D = true;
  bool DoubleBuffered = false;
  bool IsWindowed() const override { return true; }

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  RECT ClientRect() override;
  // The window's size for that client size, frame included.
  void SetClientSize(int AWidth, int AHeight) override;
  POINT ClientOrigin() override;
  void SetVisible(bool Value) override;
  void WndProc(TMessage& Message) override;
  virtual void DefWndProc(TMessage& Message);
  void Invalidate() override;
  // Lays out the aligned and anchored children in the client area.
  void Realign();
  // Paints the visible graphic children below Below in z-order (nullptr: all) on DC.
  void PaintControls(HDC DC, TControl* Below);
  void EnabledChanged() override;
  void ParentEnabledChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  void SysColorChange() override;
  void SystemFontChange() override;
  // Key events of the control (after a KeyPreview form's): true when the key is eaten.
  bool DoKeyDown(WORD& Key, TShiftState Shift);
  bool DoKeyUp(WORD& Key, TShiftState Shift);
  bool DoKeyPress(char& Key);
  // A WM_KEYDOWN, WM_KEYUP (and their WM_SYS forms) or WM_CHAR through the key events: true when
  // eaten; otherwise the message carries the key the events left.
  bool DoKeyMessage(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();
  void Loaded() override;

protected:
  virtual void CreateParams(TCreateParams& Params);
  // Makes the window and the children's; CreateWindowHandle makes the window alone.
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  // Takes the window and the children's down; the control keeps its contents.
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  // Hooks: after the window is made and shown to the children; before it goes.
  virtual void HandleCreated() {}
  virtual void HandleDestroying() {}
  virtual void AlignControls(TControl* AControl, RECT& Rect);
  // Paints the control's own window (WM_PAINT with this DC); the base passes it to DefWndProc.
  virtual void PaintWindow(HDC DC);
  virtual void EraseBackground(HDC DC);
  // A reflected notification (CN_*); the base does nothing.
  virtual void Notify(TMessage& Message) {}
  // WM_CTLCOLOR*: the brush the window is painted with; the base: Font.Color on Color.
  virtual HBRUSH CtlColor(HDC DC);
  HBRUSH ColorBrush();
  void SetTextValue(const std::string& Value) override;
  std::string GetText() override;
  void UpdateWindowStyle(DWORD Style, bool On);
  void ApplyEnabled();
  // Whether the control clicks on a left press and release (own classes) rather than by a system notification.
  bool OwnClass() const { return FOwnClass; }

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;      // z-order, the bottom first
  std::vector<TWinControl*> FTabList;    // window children in tab order

private:
  friend class TControl;
  friend LRESULT CALLBACK StdWndProc(HWND, UINT, WPARAM, LPARAM);
  TBorderStyle FBorderStyle = bsNone;
  bool FOwnClass = true, FRealigning = false;
  int FAlignedClientWidth = -1, FAlignedClientHeight = -1;
  TControl* FCaptureControl = nullptr;
  TControl* FMouseControl = nullptr;
  HBRUSH FBrush = nullptr;
  TColor FBrushColor = clNone;
  void InsertControl(TControl* Control);
  void RemoveControl(TControl* Control);
  void ReflectToChild(TMessage& Message, HWND Child);
  bool MouseToGraphic(TMessage& Message);
  void UpdateMouseControl(TControl* Control);
  void WMPaint(TMessage& Message);
  void UpdateBoundsFromWindow();
};

LRESULT CALLBACK StdWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// ---------------------------------------------------------------------------------------------
// TGraphicControl: no window; painted by its parent through Paint, its mouse messages come from
// the parent's window.

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TControlCanvas& Canvas() { return FCanvas; }
  // Paints on DC (origin at the control's top left).
  void PaintTo(HDC DC);

protected:
  virtual void Paint() {}
  TControlCanvas FCanvas;
};

// TCustomControl: a window of the library's own class that paints itself through Paint.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* AOwner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  TControlCanvas& Canvas() { return FCanvas; }

protected:
  virtual void Paint();  // the base fills the client area with Color
  void PaintWindow(HDC DC) override;
  TControlCanvas FCanvas;
};

// The factory of a component class's table: a new T owned by Owner.
template <class T>
TComponent* MakeComponent(TComponent* Owner) {
  return new T(Owner);
}

// Draws the parent's background (clipped to its client area) and the graphic controls below Control
// that overlap it into DC at Control's place: how a transparent control shows its parent. The parent
// and those controls are in the paint-copy state meanwhile.
void PaintParentBackground(TControl* Control, HDC DC);
