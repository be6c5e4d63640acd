// The control base: geometry, alignment, state, the library's window procedure and reflection.
#include "classlib/gui/Controls.h"

#include "classlib/gui/Forms.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/WindowTable.h"

#include <algorithm>
#include <map>

// ---------------------------------------------------------------------------------------------
// Canvas tools

TBrush::~TBrush() {
  if (FHandle) DeleteObject(FHandle);
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  FClear = false;
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

HBRUSH TBrush::Handle() {
  if (!FHandle) FHandle = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(FColor)));
  return FHandle;
}

TPen::~TPen() { Free(); }
void TPen::Free() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}
void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Free();
}
void TPen::SetWidth(int Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Free();
}
HPEN TPen::Handle() {
  if (!FHandle) FHandle = CreatePen(PS_SOLID, FWidth, static_cast<COLORREF>(ColorToRGB(FColor)));
  return FHandle;
}

TControlCanvas::TControlCanvas() = default;

void TControlCanvas::Select(bool WithFont, bool WithPen, bool WithBrush) {
  HDC DC = Handle();
  if (WithFont) {
    SelectObject(DC, FFont.Handle());
    SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(FFont.Color())));
  }
  if (WithPen) SelectObject(DC, FPen.Handle());
  if (WithBrush) SelectObject(DC, FBrush.Clear() ? GetStockObject(NULL_BRUSH) : FBrush.Handle());
}

void TControlCanvas::FillRect(const RECT& Rect) {
  if (!FBrush.Clear()) ::FillRect(Handle(), &Rect, FBrush.Handle());
}

void TControlCanvas::FrameRect(const RECT& Rect) { ::FrameRect(Handle(), &Rect, FBrush.Handle()); }

void TControlCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Select(false, true, true);
  ::Rectangle(Handle(), X1, Y1, X2, Y2);
}

void TControlCanvas::MoveTo(int X, int Y) { MoveToEx(Handle(), X, Y, nullptr); }

void TControlCanvas::LineTo(int X, int Y) {
  Select(false, true, false);
  ::LineTo(Handle(), X, Y);
}

void TControlCanvas::TextOut(int X, int Y, const std::string& Text) {
  Select(true, false, false);
  HDC DC = Handle();
  if (FBrush.Clear()) {
    SetBkMode(DC, TRANSPARENT);
  } else {
    SetBkMode(DC, OPAQUE);
    SetBkColor(DC, static_cast<COLORREF>(ColorToRGB(FBrush.Color())));
  }
  ::TextOutA(DC, X, Y, Text.data(), static_cast<int>(Text.size()));
}

int TControlCanvas::TextWidth(const std::string& Text) {
  Select(true, false, false);
  SIZE S{};
  GetTextExtentPoint32A(Handle(), Text.data(), static_cast<int>(Text.size()), &S);
  return S.cx;
}

int TControlCanvas::TextHeight(const std::string& Text) {
  Select(true, false, false);
  SIZE S{};
  GetTextExtentPoint32A(Handle(), Text.empty() ? "Wg" : Text.data(), Text.empty() ? 2 : static_cast<int>(Text.size()), &S);
  return S.cy;
}

int TControlCanvas::DrawText(const std::string& Text, RECT& Rect, UINT Format) {
  Select(true, false, false);
  HDC DC = Handle();
  SetBkMode(DC, TRANSPARENT);
  return ::DrawTextA(DC, Text.data(), static_cast<int>(Text.size()), &Rect, Format);
}

// ---------------------------------------------------------------------------------------------
// Helpers

TShiftState KeyboardShift() {
  TShiftState S = 0;
  if (GetKeyState(VK_SHIFT) < 0) S |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) S |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) S |= ssAlt;
  return S;
}

TShiftState KeysToShift(WPARAM Keys) {
  TShiftState S = 0;
  if (Keys & MK_SHIFT) S |= ssShift;
  if (Keys & MK_CONTROL) S |= ssCtrl;
  if (Keys & MK_LBUTTON) S |= ssLeft;
  if (Keys & MK_RBUTTON) S |= ssRight;
  if (Keys & MK_MBUTTON) S |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) S |= ssAlt;
  return S;
}

const TClassInfo& TSizeConstraints::StaticClassInfo() {
  static const TClassInfo Info{"TSizeConstraints", nullptr,
                               {IntProp<TSizeConstraints>("MinWidth", &TSizeConstraints::MinWidth,
                                                          [](TSizeConstraints& C, int V) { C.MinWidth = V; }),
                                IntProp<TSizeConstraints>("MinHeight", &TSizeConstraints::MinHeight,
                                                          [](TSizeConstraints& C, int V) { C.MinHeight = V; }),
                                IntProp<TSizeConstraints>("MaxWidth", &TSizeConstraints::MaxWidth,
                                                          [](TSizeConstraints& C, int V) { C.MaxWidth = V; }),
                                IntProp<TSizeConstraints>("MaxHeight", &TSizeConstraints::MaxHeight,
                                                          [](TSizeConstraints& C, int V) { C.MaxHeight = V; })},
                               {},
                               {}};
  return Info;
}

void TSizeConstraints::Apply(int& W, int& H) const {
  if (MaxWidth > 0 && W > MaxWidth) W = MaxWidth;
  if (MaxHeight > 0 && H > MaxHeight) H = MaxHeight;
  if (MinWidth > 0 && W < MinWidth) W = MinWidth;
  if (MinHeight > 0 && H < MinHeight) H = MinHeight;
}

std::string GetShortHint(const std::string& Hint) {
  const auto Bar = Hint.find('|');
  return Bar == std::string::npos ? Hint : Hint.substr(0, Bar);
}

std::string GetLongHint(const std::string& Hint) {
  const auto Bar = Hint.find('|');
  return Bar == std::string::npos ? Hint : Hint.substr(Bar + 1);
}

namespace {

thread_local TWinControl* CreationControl = nullptr;

std::map<std::string, WNDPROC>& ClassProcs() {
  static std::map<std::string, WNDPROC> Procs;
  return Procs;
}

const TClassInfo& FontClassInfo() {
  static const TClassInfo Info{
      "TFont",
      nullptr,
      {StrProp<TFont>("Name", &TFont::Name, &TFont::SetName), IntProp<TFont>("Size", &TFont::Size, &TFont::SetSize),
       IntProp<TFont>("Height", &TFont::Height, &TFont::SetHeight),
       IntProp<TFont>("Color", &TFont::Color, &TFont::SetColor),
       IntProp<TFont>("Charset", &TFont::Charset, [](TFont& F, int V) { F.SetCharset(static_cast<BYTE>(V)); }),
       SetOfProp<TFont>("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &TFont::Style, &TFont::SetStyle)},
      {},
      {}};
  return Info;
}

}  // namespace

TWinControl* FindControl(HWND Wnd) { return WindowTable<TWinControl>().Find(Wnd); }

TWinControl* FindOwningControl(HWND Wnd) {
  for (; Wnd; Wnd = GetParent(Wnd))
    if (TWinControl* C = FindControl(Wnd)) return C;
  return nullptr;
}

TControl* FindDragTarget(POINT ScreenPos, bool AllowDisabled) {
  TWinControl* W = FindOwningControl(WindowFromPoint(ScreenPos));
  if (!W) return nullptr;
  const POINT P = W->ScreenToClient(ScreenPos);
  TControl* Graphic = W->ControlAtPos(P, AllowDisabled);
  return Graphic ? Graphic : W;
}

// ---------------------------------------------------------------------------------------------
// TControl

const TClassInfo& TControl::StaticClassInfo() {
  static const TClassInfo Info{
      "TControl",
      nullptr,
      {StrProp<TControl>("Name", &TControl::Name, &TControl::SetName),
       IntProp<TControl>("Tag", [](TControl& C) { return static_cast<long long>(C.Tag); },
                         [](TControl& C, int V) { C.Tag = V; }),
       IntProp<TControl>("Left", &TControl::Left, &TControl::SetLeft),
       IntProp<TControl>("Top", &TControl::Top, &TControl::SetTop),
       IntProp<TControl>("Width", &TControl::Width, &TControl::SetWidth),
       IntProp<TControl>("Height", &TControl::Height, &TControl::SetHeight),
       IntProp<TControl>("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth),
       IntProp<TControl>("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight),
       EnumProp<TControl, TAlign>("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
                                  &TControl::Align, &TControl::SetAlign),
       SetOfProp<TControl>("Anchors", {"akLeft", "akTop", "akRight", "akBottom"}, &TControl::Anchors,
                           &TControl::SetAnchors),
       ObjectProp<TControl>("Constraints", TSizeConstraints::StaticClassInfo(),
                            [](TControl& C) { return &C.Constraints(); }),
       BoolProp<TControl>("Visible", &TControl::Visible, &TControl::SetVisible),
       BoolProp<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled),
       StrProp<TControl>("Caption", &TControl::Caption, &TControl::SetCaption),
       StrProp<TControl>("Text", &TControl::Text, &TControl::SetText),
       StrProp<TControl>("Hint", &TControl::Hint, &TControl::SetHint),
       BoolProp<TControl>("ShowHint", [](TControl& C) { return C.ShowHint; }, [](TControl& C, bool V) { C.ShowHint = V; }),
       ObjectProp<TControl>("Font", FontClassInfo(), [](TControl& C) { return &C.Font(); }),
       BoolProp<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont),
       IntProp<TControl>("Color", &TControl::Color, &TControl::SetColor),
       BoolProp<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
       IntProp<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor),
       EnumProp<TControl, TDragMode>("DragMode", {"dmManual", "dmAutomatic"}, [](TControl& C) { return C.DragMode; },
                                     [](TControl& C, TDragMode V) { C.DragMode = V; }),
       IntProp<TControl>("DragCursor", [](TControl& C) { return C.DragCursor; },
                         [](TControl& C, int V) { C.DragCursor = V; })},
      {EventProp<TControl>("OnClick", &TControl::OnClick), EventProp<TControl>("OnDblClick", &TControl::OnDblClick),
       EventProp<TControl>("OnResize", &TControl::OnResize),
       EventProp<TControl>("OnMouseDown", &TControl::OnMouseDown),
       EventProp<TControl>("OnMouseUp", &TControl::OnMouseUp),
       EventProp<TControl>("OnMouseMove", &TControl::OnMouseMove),
       EventProp<TControl>("OnMouseEnter", &TControl::OnMouseEnter),
       EventProp<TControl>("OnMouseLeave", &TControl::OnMouseLeave),
       EventProp<TControl>("OnStartDrag", &TControl::OnStartDrag),
       EventProp<TControl>("OnDragOver", &TControl::OnDragOver),
       EventProp<TControl>("OnDragDrop", &TControl::OnDragDrop),
       EventProp<TControl>("OnEndDrag", &TControl::OnEndDrag)},
      {}};
  return Info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject*) {
    if (!FChangingParentFont) FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  DragControlGone(this);
  SetAction(nullptr);
  FFont->OnChange = nullptr;
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::UpdateBoundsValues(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool Resized = AWidth != FWidth || AHeight != FHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (Resized && !(ComponentState() & csLoading)) Resize();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FConstraints.Apply(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  Invalidate();
  UpdateBoundsValues(ALeft, ATop, AWidth, AHeight);
  Invalidate();
  RequestAlign();
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientSize(int AWidth, int AHeight) { SetBounds(FLeft, FTop, AWidth, AHeight); }

POINT TControl::ClientOrigin() {
  if (!FParent) return POINT{FLeft, FTop};
  POINT P = FParent->ClientOrigin();
  return POINT{P.x + FLeft, P.y + FTop};
}

POINT TControl::ClientToScreen(POINT P) {
  const POINT O = ClientOrigin();
  return POINT{P.x + O.x, P.y + O.y};
}

POINT TControl::ScreenToClient(POINT P) {
  const POINT O = ClientOrigin();
  return POINT{P.x - O.x, P.y - O.y};
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent && !(ControlState & csAligning)) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Invalidate();
  VisibleChanged();
  if (FParent) FParent->Realign();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  if (FParent) return FParent->Showing();
  auto* Self = const_cast<TControl*>(this);
  auto* W = dynamic_cast<TWinControl*>(Self);
  return W && W->HandleAllocated() && IsWindowVisible(W->Handle());
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  EnabledChanged();
}

bool TControl::EnabledInTree() const { return FEnabled && (!FParent || FParent->EnabledInTree()); }

std::string TControl::GetText() { return FText; }
void TControl::SetTextValue(const std::string& Value) { FText = Value; }

void TControl::SetText(const std::string& Value) {
  if (Value == GetText()) return;
  SetTextValue(Value);
  TextChanged();
}

void TControl::SetParentFont(bool Value) {
  if (Value == FParentFont) return;
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FChangingParentFont = true;
  try {
    FFont->Assign(&FParent->Font());
  } catch (...) {
    FChangingParentFont = false;
    throw;
  }
  FChangingParentFont = false;
}

void TControl::SetColor(TColor Value) {
  FParentColor = false;
  if (Value == FColor) return;
  FColor = Value;
  ColorChanged();
}

void TControl::SetParentColor(bool Value) {
  if (Value == FParentColor) return;
  FParentColor = Value;
  if (Value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent || FParent->Color() == FColor) return;
  FColor = FParent->Color();
  ColorChanged();
}

void TControl::Click() {
  if (FAction)
    FAction->Execute();
  else if (OnClick)
    OnClick(this);
}

void TControl::SetAction(TBasicAction* Value) { SetActionLink(this, this, FAction, Value); }

void TControl::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!Sender) {
    FAction = nullptr;
    return;
  }
  if (!A) return;
  if (!CheckDefaults || Caption().empty()) SetCaption(A->Caption());
  if (!CheckDefaults || FEnabled) SetEnabled(A->Enabled());
  if (!CheckDefaults || FHint.empty()) SetHint(A->Hint());
  if (!CheckDefaults || FVisible) SetVisible(A->Visible());
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (AComponent == FAction) FAction = nullptr;
}

bool TControl::DoContextPopup(POINT ScreenPos) {
  TControl* Own = this;
  while (Own && !Own->FPopupMenu) Own = Own->FParent;
  if (!Own || !Own->FPopupMenu->AutoPopup) return false;
  if (ScreenPos.x == -1 && ScreenPos.y == -1) ScreenPos = ClientToScreen(POINT{0, 0});
  Own->FPopupMenu->PopupComponent = this;
  Own->FPopupMenu->Popup(ScreenPos.x, ScreenPos.y);
  return true;
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage M{Msg, WParam, LParam, 0};
  WndProc(M);
  return M.Result;
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::WndProc(TMessage& M) {
  const int X = static_cast<short>(LOWORD(M.LParam)), Y = static_cast<short>(HIWORD(M.LParam));
  const TShiftState Shift = KeysToShift(M.WParam);
  auto* Win = dynamic_cast<TWinControl*>(this);
  const bool ClicksHere = !Win || Win->OwnClass();
  switch (M.Msg) {
    case WM_LBUTTONDOWN:
      ControlState |= csLButtonDown | (ClicksHere ? static_cast<unsigned>(csClicked) : 0u);
      MouseDown(mbLeft, Shift, X, Y);
      if (DragMode == dmAutomatic && AutoDragOnPress()) DragBegin(this, false, -1, ClientToScreen(POINT{X, Y}));
      break;
    case WM_LBUTTONDBLCLK: DblClick(); MouseDown(mbLeft, Shift, X, Y); break;
    case WM_RBUTTONDOWN: MouseDown(mbRight, Shift, X, Y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, Shift, X, Y); break;
    case WM_MOUSEMOVE: MouseMove(Shift, X, Y); break;
    case WM_LBUTTONUP: {
      const bool Clicked = (ControlState & csClicked) && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight;
      ControlState &= ~static_cast<unsigned>(csLButtonDown | csClicked);
      MouseUp(mbLeft, Shift, X, Y);
      if (Clicked) Click();
      break;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, Shift, X, Y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, Shift, X, Y); break;
    default: break;
  }
}

void TControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
  const RECT R = BoundsRect();
  InvalidateRect(FParent->Handle(), &R, TRUE);
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::Update() {
  if (FParent && FParent->HandleAllocated()) UpdateWindow(FParent->Handle());
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& List = FParent->FControls;
  List.erase(std::find(List.begin(), List.end(), this));
  List.push_back(this);
  if (auto* W = dynamic_cast<TWinControl*>(this); W && W->HandleAllocated())
    SetWindowPos(W->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::EnabledChanged() { Invalidate(); }
void TControl::FontChanged() { Invalidate(); }
void TControl::TextChanged() { Invalidate(); }
void TControl::VisibleChanged() {}
void TControl::ColorChanged() { Invalidate(); }
void TControl::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (FParentFont) ParentFontChanged();
  if (FParentColor) ParentColorChanged();
}

TCustomForm* TControl::ParentForm() {
  TControl* C = this;
  while (C->FParent) C = C->FParent;
  return dynamic_cast<TCustomForm*>(C);
}

// ---------------------------------------------------------------------------------------------
// TWinControl

const TClassInfo& TWinControl::StaticClassInfo() {
  static const TClassInfo Info{
      "TWinControl",
      &TControl::StaticClassInfo(),
      {IntProp<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
       BoolProp<TWinControl>("TabStop", [](TWinControl& C) { return C.TabStop; },
                             [](TWinControl& C, bool V) { C.TabStop = V; }),
       EnumProp<TWinControl, TBorderStyle>("BorderStyle", {"bsNone", "bsSingle"}, &TWinControl::BorderStyle,
                                           &TWinControl::SetBorderStyle),
       BoolProp<TWinControl>("Ctl3D", [](TWinControl& C) { return C.Ctl3D; }, [](TWinControl& C, bool V) { C.Ctl3D = V; }),
       BoolProp<TWinControl>("DoubleBuffered", [](TWinControl& C) { return C.DoubleBuffered; },
                             [](TWinControl& C, bool V) { C.DoubleBuffered = V; })},
      {EventProp<TWinControl>("OnEnter", &TWinControl::OnEnter), EventProp<TWinControl>("OnExit", &TWinControl::OnExit),
       EventProp<TWinControl>("OnKeyDown", &TWinControl::OnKeyDown),
       EventProp<TWinControl>("OnKeyUp", &TWinControl::OnKeyUp),
       EventProp<TWinControl>("OnKeyPress", &TWinControl::OnKeyPress)},
      {}};
  return Info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  // Leaves the parent while still a windowed control, so that its tab-order entry goes too.
  if (FParent) FParent->RemoveControl(this);
  DestroyHandle();
  for (TControl* C : FControls) C->FParent = nullptr;
  FControls.clear();
  FTabList.clear();
  if (FBrush) DeleteObject(FBrush);
}

void TWinControl::InsertControl(TControl* Control) {
  Control->FParent = this;
  FControls.push_back(Control);
  if (auto* W = dynamic_cast<TWinControl*>(Control)) FTabList.push_back(W);
  if (!(Control->ComponentState() & csLoading)) {
    Control->ParentFontChanged();
    Control->ParentColorChanged();
  }
  if (auto* W = dynamic_cast<TWinControl*>(Control); W && HandleAllocated()) W->HandleNeeded();
  Control->Invalidate();
  Realign();
}

void TWinControl::RemoveControl(TControl* Control) {
  Control->Invalidate();
  if (auto* W = dynamic_cast<TWinControl*>(Control)) W->DestroyHandle();
  // By address: a control being destroyed is no TWinControl any more, but must leave the list.
  FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                [Control](TWinControl* W) { return static_cast<TControl*>(W) == Control; }),
                 FTabList.end());
  FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
  if (FCaptureControl == Control) FCaptureControl = nullptr;
  if (FMouseControl == Control) FMouseControl = nullptr;
  Control->FParent = nullptr;
  if (auto* Form = ParentForm(); Form && (Form->ActiveControl() == Control || (Form->ActiveControl() && Control->IsWindowed() && static_cast<TWinControl*>(Control)->ContainsControl(Form->ActiveControl()))))
    Form->SetActiveControl(nullptr);
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (; Control; Control = Control->FParent)
    if (Control == this) return true;
  return false;
}

void TWinControl::CreateParams(TCreateParams& P) {
  P.Caption = FText;
  P.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FVisible) P.Style |= WS_VISIBLE;
  if (!EnabledInTree()) P.Style |= WS_DISABLED;
  if (TabStop) P.Style |= WS_TABSTOP;
  if (FBorderStyle == bsSingle) {
    if (Ctl3D)
      P.ExStyle |= WS_EX_CLIENTEDGE;
    else
      P.Style |= WS_BORDER;
  }
  P.X = FLeft;
  P.Y = FTop;
  P.Width = FWidth;
  P.Height = FHeight;
  P.WinClassName = ClassName();
}

void TWinControl::CreateWindowHandle(const TCreateParams& P) {
  static int NextId = 100;
  const HMENU Id = (P.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextId++)) : nullptr;
  CreationControl = this;
  const HWND Wnd = CreateWindowExA(P.ExStyle, P.WinClassName.c_str(), P.Caption.c_str(), P.Style, P.X, P.Y, P.Width,
                                   P.Height, P.WndParent, Id, GetModuleHandleA(nullptr), nullptr);
  CreationControl = nullptr;
  if (!Wnd) RaiseLastOSError();
  FHandle = Wnd;
}

void TWinControl::CreateWnd() {
  TCreateParams P;
  CreateParams(P);
  if (FParent) P.WndParent = FParent->Handle();
  // One registration per class name: a copy of the system class with the library's procedure.
  auto& Procs = ClassProcs();
  auto It = Procs.find(P.WinClassName);
  if (It == Procs.end()) {
    WNDCLASSA Class{};
    WNDPROC Def = DefWindowProcA;
    if (!P.SysClassName.empty()) {
      if (!GetClassInfoA(nullptr, P.SysClassName.c_str(), &Class)) RaiseLastOSError();
      Def = Class.lpfnWndProc;
      Class.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
    } else {
      Class.style = P.ClassStyle;
      Class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    }
    Class.lpfnWndProc = StdWndProc;
    Class.hInstance = GetModuleHandleA(nullptr);
    Class.lpszClassName = P.WinClassName.c_str();
    if (!RegisterClassA(&Class)) RaiseLastOSError();
    It = Procs.emplace(P.WinClassName, Def).first;
  }
  FDefWndProc = It->second;
  FOwnClass = P.SysClassName.empty();
  CreateWindowHandle(P);
  SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
  for (TControl* C : std::vector<TControl*>(FControls))
    if (auto* W = dynamic_cast<TWinControl*>(C)) W->HandleNeeded();
  FAlignedClientWidth = -1;
  Realign();
  HandleCreated();
}

HWND TWinControl::Handle() {
  if (!FHandle) {
    if (FParent) FParent->HandleNeeded();
    if (!FHandle) CreateWnd();
  }
  return FHandle;
}

void TWinControl::DestroyWindowHandle() {
  if (FHandle) DestroyWindow(FHandle);
  FHandle = nullptr;
}

void TWinControl::DestroyWnd() {
  FText = GetText();
  for (TControl* C : FControls)
    if (auto* W = dynamic_cast<TWinControl*>(C)) W->DestroyHandle();
  DestroyWindowHandle();
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  HandleDestroying();
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  const bool HadFocus = Focused();
  DestroyHandle();
  HandleNeeded();
  if (HadFocus) SetFocus();
}

std::string TWinControl::GetText() {
  if (!FHandle) return FText;
  const int Len = GetWindowTextLengthA(FHandle);
  std::string S(static_cast<size_t>(Len) + 1, '\0');
  const int Got = GetWindowTextA(FHandle, S.data(), Len + 1);
  S.resize(static_cast<size_t>(Got > 0 ? Got : 0));
  return S;
}

void TWinControl::SetTextValue(const std::string& Value) {
  FText = Value;
  if (FHandle) SetWindowTextA(FHandle, Value.c_str());
}

void TWinControl::UpdateWindowStyle(DWORD Style, bool On) {
  if (!FHandle) return;
  const LONG_PTR Old = GetWindowLongPtrA(FHandle, GWL_STYLE);
  const LONG_PTR New = On ? (Old | static_cast<LONG_PTR>(Style)) : (Old & ~static_cast<LONG_PTR>(Style));
  if (New != Old) {
    SetWindowLongPtrA(FHandle, GWL_STYLE, New);
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TWinControl::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  Constraints().Apply(AWidth, AHeight);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  if (FHandle) {
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
  } else {
    UpdateBoundsValues(ALeft, ATop, AWidth, AHeight);
  }
  Realign();
  RequestAlign();
}

void TWinControl::UpdateBoundsFromWindow() {
  if (!FHandle || IsIconic(FHandle)) return;
  RECT R;
  GetWindowRect(FHandle, &R);
  if (FParent && FParent->FHandle) MapWindowPoints(HWND_DESKTOP, FParent->FHandle, reinterpret_cast<POINT*>(&R), 2);
  UpdateBoundsValues(R.left, R.top, R.right - R.left, R.bottom - R.top);
}

RECT TWinControl::ClientRect() {
  RECT R{0, 0, 0, 0};
  if (FHandle) {
    GetClientRect(FHandle, &R);
    return R;
  }
  TCreateParams P;
  CreateParams(P);
  AdjustWindowRectEx(&R, P.Style & ~static_cast<DWORD>(WS_VISIBLE), FALSE, P.ExStyle);
  return RECT{0, 0, std::max(0, FWidth - static_cast<int>(R.right - R.left)),
              std::max(0, FHeight - static_cast<int>(R.bottom - R.top))};
}

void TWinControl::SetClientSize(int AWidth, int AHeight) {
  // The frame around the client area: the window's own, or the one its styles will give it.
  int FrameWidth = 0, FrameHeight = 0;
  if (FHandle) {
    RECT Window, Client;
    GetWindowRect(FHandle, &Window);
    GetClientRect(FHandle, &Client);
    FrameWidth = (Window.right - Window.left) - Client.right;
    FrameHeight = (Window.bottom - Window.top) - Client.bottom;
  } else {
    TCreateParams P;
    CreateParams(P);
    RECT R{0, 0, 0, 0};
    AdjustWindowRectEx(&R, P.Style & ~static_cast<DWORD>(WS_VISIBLE), FALSE, P.ExStyle);
    FrameWidth = R.right - R.left;
    FrameHeight = R.bottom - R.top;
  }
  SetBounds(FLeft, FTop, AWidth + FrameWidth, AHeight + FrameHeight);
}

POINT TWinControl::ClientOrigin() {
  POINT P{0, 0};
  if (FHandle) {
    ::ClientToScreen(FHandle, &P);
    return P;
  }
  return TControl::ClientOrigin();
}

void TWinControl::SetVisible(bool Value) {
  if (Value == Visible()) return;
  TControl::SetVisible(Value);
  if (FHandle) ShowWindow(FHandle, Value ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

int TWinControl::TabOrder() {
  if (!FParent) return -1;
  const auto& L = FParent->FTabList;
  return static_cast<int>(std::find(L.begin(), L.end(), this) - L.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!FParent) return;
  auto& L = FParent->FTabList;
  L.erase(std::find(L.begin(), L.end(), this));
  Value = std::clamp(Value, 0, static_cast<int>(L.size()));
  L.insert(L.begin() + Value, this);
}

bool TWinControl::CanFocus() {
  for (TControl* C = this; C; C = C->FParent)
    if (!C->Visible() || !C->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  if (auto* Form = ParentForm(); Form && Form != this && !Form->Showing()) {
    Form->SetActiveControl(this);
    return;
  }
  ::SetFocus(Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* W : FTabList) {
    List.push_back(W);
    W->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* Current, bool GoForward, bool CheckTabStop) {
  std::vector<TWinControl*> List;
  GetTabOrderList(List);
  if (List.empty()) return nullptr;
  const int N = static_cast<int>(List.size());
  int Start = static_cast<int>(std::find(List.begin(), List.end(), Current) - List.begin());
  if (Start == N) Start = GoForward ? N - 1 : 0;
  for (int Step = 1; Step <= N; ++Step) {
    const int I = ((GoForward ? Start + Step : Start - Step) % N + N) % N;
    TWinControl* W = List[static_cast<size_t>(I)];
    if (W != Current && (!CheckTabStop || W->TabStop) && W->CanFocus()) return W;
  }
  return nullptr;
}

void TWinControl::ApplyEnabled() {
  if (FHandle) EnableWindow(FHandle, EnabledInTree());
}

void TWinControl::EnabledChanged() {
  ApplyEnabled();
  Invalidate();
  for (TControl* C : FControls) C->ParentEnabledChanged();
}

void TWinControl::ParentEnabledChanged() { EnabledChanged(); }

void TWinControl::FontChanged() {
  if (FHandle) {
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    Realign();
  }
  Invalidate();
  for (TControl* C : FControls) C->ParentFontChanged();
}

void TWinControl::ColorChanged() {
  Invalidate();
  for (TControl* C : FControls) C->ParentColorChanged();
}

void TWinControl::SysColorChange() {
  Invalidate();
  for (TControl* C : FControls) {
    if (auto* W = dynamic_cast<TWinControl*>(C); W && W->HandleAllocated())
      W->Perform(WM_SYSCOLORCHANGE);
    else
      C->SysColorChange();
  }
}

void TWinControl::SystemFontChange() {
  for (TControl* C : FControls) {
    if (auto* W = dynamic_cast<TWinControl*>(C); W && W->HandleAllocated())
      W->Perform(WM_FONTCHANGE);
    else
      C->SystemFontChange();
  }
}

HBRUSH TWinControl::ColorBrush() {
  const TColor RGBColor = ColorToRGB(Color());
  if (!FBrush || FBrushColor != RGBColor) {
    if (FBrush) DeleteObject(FBrush);
    FBrush = CreateSolidBrush(static_cast<COLORREF>(RGBColor));
    FBrushColor = RGBColor;
  }
  return FBrush;
}

HBRUSH TWinControl::CtlColor(HDC DC) {
  SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(Font().Color())));
  SetBkColor(DC, static_cast<COLORREF>(ColorToRGB(Color())));
  return ColorBrush();
}

void TWinControl::Realign() {
  if (FRealigning || (ComponentState() & (csLoading | csDestroying))) return;
  FRealigning = true;
  try {
    RECT R = ClientRect();
    const int W = R.right, H = R.bottom;
    if (FAlignedClientWidth >= 0 && (W != FAlignedClientWidth || H != FAlignedClientHeight)) {
      const int DX = W - FAlignedClientWidth, DY = H - FAlignedClientHeight;
      for (TControl* C : FControls) {
        if (C->Align() != alNone) continue;
        const TAnchors A = C->Anchors();
        int L = C->Left(), T = C->Top(), CW = C->Width(), CH = C->Height();
        if (A & AnchorBit(akRight)) ((A & AnchorBit(akLeft)) ? CW : L) += DX;
        if (A & AnchorBit(akBottom)) ((A & AnchorBit(akTop)) ? CH : T) += DY;
        C->ControlState |= csAligning;
        C->SetBounds(L, T, std::max(0, CW), std::max(0, CH));
        C->ControlState &= ~static_cast<unsigned>(csAligning);
      }
    }
    FAlignedClientWidth = W;
    FAlignedClientHeight = H;
    AlignControls(nullptr, R);
  } catch (...) {
    FRealigning = false;
    throw;
  }
  FRealigning = false;
}

void TWinControl::AlignControls(TControl*, RECT& R) {
  auto Place = [](TControl* C, int L, int T, int W, int H) {
    C->ControlState |= csAligning;
    C->SetBounds(L, T, std::max(0, W), std::max(0, H));
    C->ControlState &= ~static_cast<unsigned>(csAligning);
  };
  auto Of = [this](TAlign A, auto Key) {
    std::vector<TControl*> List;
    for (TControl* C : FControls)
      if (C->Align() == A && C->Visible()) List.push_back(C);
    std::stable_sort(List.begin(), List.end(), [&](TControl* X, TControl* Y) { return Key(X) < Key(Y); });
    return List;
  };
  for (TControl* C : Of(alTop, [](TControl* C) { return C->Top(); })) {
    Place(C, R.left, R.top, R.right - R.left, C->Height());
    R.top += C->Height();
  }
  for (TControl* C : Of(alBottom, [](TControl* C) { return -(C->Top() + C->Height()); })) {
    Place(C, R.left, R.bottom - C->Height(), R.right - R.left, C->Height());
    R.bottom -= C->Height();
  }
  for (TControl* C : Of(alLeft, [](TControl* C) { return C->Left(); })) {
    Place(C, R.left, R.top, C->Width(), R.bottom - R.top);
    R.left += C->Width();
  }
  for (TControl* C : Of(alRight, [](TControl* C) { return -(C->Left() + C->Width()); })) {
    Place(C, R.right - C->Width(), R.top, C->Width(), R.bottom - R.top);
    R.right -= C->Width();
  }
  for (TControl* C : Of(alClient, [](TControl* C) { return 0; })) Place(C, R.left, R.top, R.right - R.left, R.bottom - R.top);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

TControl* TWinControl::ControlAtPos(POINT P, bool AllowDisabled, bool AllowWinControls) {
  for (auto It = FControls.rbegin(); It != FControls.rend(); ++It) {
    TControl* C = *It;
    if (!C->Visible() || (!AllowDisabled && !C->Enabled()) || (!AllowWinControls && C->IsWindowed())) continue;
    const RECT R = C->BoundsRect();
    if (PtInRect(&R, P)) return C;
  }
  return nullptr;
}

void TWinControl::PaintControls(HDC DC, TControl* Below) {
  const RECT Target = Below ? Below->BoundsRect() : RECT{};
  for (TControl* C : FControls) {
    if (C == Below) break;
    auto* G = dynamic_cast<TGraphicControl*>(C);
    if (!G || !G->Visible()) continue;
    RECT Common;
    const RECT Bounds = G->BoundsRect();
    if (Below && !IntersectRect(&Common, &Bounds, &Target)) continue;
    const int Saved = SaveDC(DC);
    POINT Org;
    GetViewportOrgEx(DC, &Org);
    SetViewportOrgEx(DC, Org.x + G->Left(), Org.y + G->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, G->Width(), G->Height());
    // Painted as a copy when it serves as another control's background.
    if (Below) G->ControlState |= csPaintCopy;
    try {
      G->PaintTo(DC);
    } catch (...) {
      G->ControlState &= ~static_cast<unsigned>(csPaintCopy);
      RestoreDC(DC, Saved);
      throw;
    }
    if (Below) G->ControlState &= ~static_cast<unsigned>(csPaintCopy);
    RestoreDC(DC, Saved);
  }
}

void PaintParentBackground(TControl* Control, HDC DC) {
  TWinControl* Parent = Control->Parent();
  if (!Parent) return;
  const int Saved = SaveDC(DC);
  POINT Org;
  GetViewportOrgEx(DC, &Org);
  SetViewportOrgEx(DC, Org.x - Control->Left(), Org.y - Control->Top(), nullptr);
  const RECT Client = Parent->ClientRect();
  IntersectClipRect(DC, 0, 0, Client.right, Client.bottom);
  Parent->ControlState |= csPaintCopy;
  try {
    Parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC));
    Parent->Perform(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
    Parent->PaintControls(DC, Control);
  } catch (...) {
    Parent->ControlState &= ~static_cast<unsigned>(csPaintCopy);
    RestoreDC(DC, Saved);
    throw;
  }
  Parent->ControlState &= ~static_cast<unsigned>(csPaintCopy);
  RestoreDC(DC, Saved);
}

void TWinControl::EraseBackground(HDC DC) {
  RECT R;
  GetClientRect(FHandle, &R);
  ::FillRect(DC, &R, ColorBrush());
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage M{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefWndProc(M);
}

void TWinControl::WMPaint(TMessage& M) {
  bool HasGraphics = false;
  for (TControl* C : FControls) HasGraphics = HasGraphics || !C->IsWindowed();
  if (!FOwnClass && !HasGraphics) {
    DefWndProc(M);
    return;
  }
  if (M.WParam) {
    PaintWindow(reinterpret_cast<HDC>(M.WParam));
    PaintControls(reinterpret_cast<HDC>(M.WParam), nullptr);
    return;
  }
  PAINTSTRUCT PS;
  HDC DC = BeginPaint(FHandle, &PS);
  if (DoubleBuffered) {
    RECT R;
    GetClientRect(FHandle, &R);
    HDC Mem = CreateCompatibleDC(DC);
    HBITMAP Bmp = CreateCompatibleBitmap(DC, std::max(1L, R.right), std::max(1L, R.bottom));
    HGDIOBJ Old = SelectObject(Mem, Bmp);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Mem));
    PaintWindow(Mem);
    PaintControls(Mem, nullptr);
    BitBlt(DC, 0, 0, R.right, R.bottom, Mem, 0, 0, SRCCOPY);
    SelectObject(Mem, Old);
    DeleteObject(Bmp);
    DeleteDC(Mem);
  } else {
    PaintWindow(DC);
    PaintControls(DC, nullptr);
  }
  EndPaint(FHandle, &PS);
}

void TWinControl::ReflectToChild(TMessage& M, HWND Child) {
  TWinControl* C = FindControl(Child);
  if (C && C != this) {
    M.Result = C->Perform(CN_BASE + M.Msg, M.WParam, M.LParam);
    return;
  }
  DefWndProc(M);
}

void TWinControl::UpdateMouseControl(TControl* Control) {
  if (Control == FMouseControl) return;
  TControl* Old = FMouseControl;
  FMouseControl = Control;
  if (Old) Old->MouseLeave();
  if (Control) {
    Control->MouseEnter();
    TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE, FHandle, 0};
    TrackMouseEvent(&T);
  }
}

bool TWinControl::MouseToGraphic(TMessage& M) {
  POINT P{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
  TControl* Target = FCaptureControl ? FCaptureControl : ControlAtPos(P, false);
  if (M.Msg == WM_MOUSEMOVE) UpdateMouseControl(FCaptureControl ? FCaptureControl : Target);
  if (!Target) return false;
  const bool Down = M.Msg == WM_LBUTTONDOWN || M.Msg == WM_RBUTTONDOWN || M.Msg == WM_MBUTTONDOWN ||
                    M.Msg == WM_LBUTTONDBLCLK;
  const bool Up = M.Msg == WM_LBUTTONUP || M.Msg == WM_RBUTTONUP || M.Msg == WM_MBUTTONUP;
  if (Down) {
    FCaptureControl = Target;
    SetCapture(FHandle);
  }
  TMessage Sub{M.Msg, M.WParam, MAKELPARAM(P.x - Target->Left(), P.y - Target->Top()), 0};
  if (Up) {
    FCaptureControl = nullptr;
    if (GetCapture() == FHandle) ReleaseCapture();
  }
  Target->WndProc(Sub);
  M.Result = Sub.Result;
  return true;
}

void TWinControl::DefWndProc(TMessage& M) {
  M.Result = CallWindowProcA(FDefWndProc ? FDefWndProc : DefWindowProcA, FHandle, M.Msg, M.WParam, M.LParam);
}

bool TWinControl::DoKeyDown(WORD& Key, TShiftState Shift) {
  TCustomForm* Form = ParentForm();
  if (Form && Form != this && Form->KeyPreview && Form->OnKeyDown) {
    Form->OnKeyDown(Form, Key, Shift);
    if (Key == 0) return true;
  }
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
  return Key == 0;
}

bool TWinControl::DoKeyUp(WORD& Key, TShiftState Shift) {
  TCustomForm* Form = ParentForm();
  if (Form && Form != this && Form->KeyPreview && Form->OnKeyUp) {
    Form->OnKeyUp(Form, Key, Shift);
    if (Key == 0) return true;
  }
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
  return Key == 0;
}

bool TWinControl::DoKeyPress(char& Key) {
  TCustomForm* Form = ParentForm();
  if (Form && Form != this && Form->KeyPreview && Form->OnKeyPress) {
    Form->OnKeyPress(Form, Key);
    if (Key == 0) return true;
  }
  if (OnKeyPress) OnKeyPress(this, Key);
  return Key == 0;
}

bool TWinControl::DoKeyMessage(TMessage& M) {
  if (M.Msg == WM_CHAR) {
    char Key = static_cast<char>(M.WParam);
    if (DoKeyPress(Key)) return true;
    M.WParam = static_cast<unsigned char>(Key);
    return false;
  }
  WORD Key = static_cast<WORD>(M.WParam);
  const bool Down = M.Msg == WM_KEYDOWN || M.Msg == WM_SYSKEYDOWN;
  if (Down ? DoKeyDown(Key, KeyboardShift()) : DoKeyUp(Key, KeyboardShift())) return true;
  M.WParam = Key;
  return false;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& M) {
  if (DragMessage(this, M)) return;
  switch (M.Msg) {
    case WM_COMMAND:
      if (M.LParam) return ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
      break;
    case WM_NOTIFY: return ReflectToChild(M, reinterpret_cast<NMHDR*>(M.LParam)->hwndFrom);
    case WM_DRAWITEM: {
      auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
      if (D->CtlType != ODT_MENU) return ReflectToChild(M, D->hwndItem);
      break;
    }
    case WM_MEASUREITEM: {
      auto* D = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
      if (D->CtlType != ODT_MENU) return ReflectToChild(M, GetDlgItem(FHandle, static_cast<int>(D->CtlID)));
      break;
    }
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      return ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
    case WM_HSCROLL: case WM_VSCROLL:
      if (M.LParam) return ReflectToChild(M, reinterpret_cast<HWND>(M.LParam));
      break;
    case WM_PAINT: return WMPaint(M);
    case WM_ERASEBKGND:
      if (FOwnClass) {
        EraseBackground(reinterpret_cast<HDC>(M.WParam));
        M.Result = 1;
        return;
      }
      break;
    case WM_PRINTCLIENT:
      if (FOwnClass) {
        PaintWindow(reinterpret_cast<HDC>(M.WParam));
        return;
      }
      break;
    case WM_SETFOCUS:
      DefWndProc(M);
      if (TCustomForm* Form = ParentForm(); Form && Form != this) Form->SetFocusedControl(this);
      return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
      if (DoKeyMessage(M)) return;
      if ((M.Msg == WM_KEYDOWN || M.Msg == WM_SYSKEYDOWN) && M.WParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
        // Shift+F10 asks for the context menu, as the menu key does.
        SendMessageA(FHandle, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(-1, -1));
        M.Result = 0;
        return;
      }
      break;
    case WM_SIZE:
      DefWndProc(M);
      UpdateBoundsFromWindow();
      Realign();
      return;
    case WM_MOVE:
      DefWndProc(M);
      UpdateBoundsFromWindow();
      return;
    case WM_WINDOWPOSCHANGING: {
      auto* Pos = reinterpret_cast<WINDOWPOS*>(M.LParam);
      if (!(Pos->flags & SWP_NOSIZE)) Constraints().Apply(Pos->cx, Pos->cy);
      break;
    }
    case WM_GETMINMAXINFO: {
      DefWndProc(M);
      auto* Info = reinterpret_cast<MINMAXINFO*>(M.LParam);
      const TSizeConstraints& C = Constraints();
      if (C.MinWidth > 0) Info->ptMinTrackSize.x = C.MinWidth;
      if (C.MinHeight > 0) Info->ptMinTrackSize.y = C.MinHeight;
      if (C.MaxWidth > 0) Info->ptMaxTrackSize.x = C.MaxWidth;
      if (C.MaxHeight > 0) Info->ptMaxTrackSize.y = C.MaxHeight;
      return;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(M.WParam) == FHandle && LOWORD(M.LParam) == HTCLIENT) {
        TCursor C = Screen ? Screen->Cursor() : crDefault;
        if (C == crDefault) {
          POINT P;
          GetCursorPos(&P);
          TControl* Under = ControlAtPos(ScreenToClient(P), false);
          C = Under ? Under->Cursor() : Cursor();
        }
        if (C != crDefault && Screen) {
          ::SetCursor(Screen->Cursors(C));
          M.Result = TRUE;
          return;
        }
      }
      break;
    case WM_MOUSEMOVE:
      if (!(ControlState & csMouseInside)) {
        ControlState |= csMouseInside;
        TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE, FHandle, 0};
        TrackMouseEvent(&T);
        MouseEnter();
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
      if (MouseToGraphic(M)) return;
      TControl::WndProc(M);
      break;
    case WM_MOUSELEAVE:
      UpdateMouseControl(nullptr);
      ControlState &= ~static_cast<unsigned>(csMouseInside);
      MouseLeave();
      break;
    case WM_SYSCOLORCHANGE:
      DefWndProc(M);
      SysColorChange();
      return;
    case WM_FONTCHANGE:
      DefWndProc(M);
      SystemFontChange();
      return;
    case WM_CANCELMODE:
      FCaptureControl = nullptr;
      if (GetCapture() == FHandle) ReleaseCapture();
      CancelMode();
      break;
    case WM_CONTEXTMENU: {
      POINT P{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
      TControl* Target = this;
      // A child that leaves the message to its parent (as common controls do) names itself in wParam.
      TWinControl* Child = FindControl(reinterpret_cast<HWND>(M.WParam));
      if (Child && Child != this && IsChild(FHandle, Child->Handle()))
        Target = Child;
      else if (P.x != -1 || P.y != -1)
        if (TControl* G = ControlAtPos(ScreenToClient(P), false)) Target = G;
      if (Target->DoContextPopup(P)) return;
      break;
    }
    default:
      if (M.Msg >= CN_CTLCOLORFIRST && M.Msg <= CN_CTLCOLORLAST) {
        M.Result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(M.WParam)));
        return;
      }
      if (M.Msg >= CN_BASE && M.Msg < CN_BASE + 0x400) {
        Notify(M);
        return;
      }
      break;
  }
  DefWndProc(M);
}

LRESULT CALLBACK StdWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* C = FindControl(Wnd);
  if (!C && CreationControl && WindowTable<TWinControl>().Add(Wnd, CreationControl)) {
    C = CreationControl;
    CreationControl = nullptr;
    C->FHandle = Wnd;
  }
  if (!C) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage M{Msg, WParam, LParam, 0};
  if (!CallGuarded([&] { C->WndProc(M); }) && Msg != WM_NCDESTROY) {
    // The handler raised: the message gets the default handling it has not had.
    if (Msg == WM_PAINT) ValidateRect(Wnd, nullptr);
  }
  if (Msg == WM_NCDESTROY) {
    WindowTable<TWinControl>().Remove(Wnd);
    if (C->FHandle == Wnd) C->FHandle = nullptr;
  }
  return M.Result;
}

// ---------------------------------------------------------------------------------------------
// TGraphicControl, TCustomControl

const TClassInfo& TGraphicControl::StaticClassInfo() {
  static const TClassInfo Info{"TGraphicControl", &TControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

namespace {

// Runs Paint with Canvas over DC in Control's font and colour; the canvas lets the DC go afterwards.
template <class F>
void PaintOn(TControlCanvas& Canvas, HDC DC, TControl& Control, F&& Paint) {
  Canvas.SetHandle(DC);
  Canvas.Font().Assign(&Control.Font());
  Canvas.Brush().SetColor(Control.Color());
  try {
    Paint();
  } catch (...) {
    Canvas.SetHandle(nullptr);
    throw;
  }
  Canvas.SetHandle(nullptr);
}

}  // namespace

void TGraphicControl::PaintTo(HDC DC) { PaintOn(FCanvas, DC, *this, [this] { Paint(); }); }

const TClassInfo& TCustomControl::StaticClassInfo() {
  static const TClassInfo Info{"TCustomControl", &TWinControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TCustomControl::PaintWindow(HDC DC) { PaintOn(FCanvas, DC, *this, [this] { Paint(); }); }

void TCustomControl::Paint() {}
