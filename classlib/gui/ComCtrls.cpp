// Common controls over comctl32: the page control (SysTabControl32) and the up-down control.
#include "classlib/gui/ComCtrls.h"

#include "classlib/gui/Forms.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TTabSheet

const TClassInfo& TTabSheet::StaticClassInfo() {
  static const TClassInfo Info{
      "TTabSheet",
      &TCustomControl::StaticClassInfo(),
      {ComponentProp<TTabSheet, TPageControl>("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl),
       BoolProp<TTabSheet>("TabVisible", [](TTabSheet& T) { return T.TabVisible; }, [](TTabSheet& T, bool V) { T.TabVisible = V; })},
      {EventProp<TTabSheet>("OnShow", &TTabSheet::OnShow), EventProp<TTabSheet>("OnHide", &TTabSheet::OnHide)},
      MakeComponent<TTabSheet>};
  return Info;
}

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  SetAlign(alClient);
  SetParentColor(true);
}

TTabSheet::~TTabSheet() { SetPageControl(nullptr); }

void TTabSheet::SetParent(TWinControl* AParent) {
  TCustomControl::SetParent(AParent);
  auto* Pages = dynamic_cast<TPageControl*>(AParent);
  if (Pages != FPageControl) {
    if (FPageControl) FPageControl->RemovePage(this);
    FPageControl = Pages;
    if (Pages) Pages->InsertPage(this);
  }
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == FPageControl) return;
  SetParent(Value);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& P = FPageControl->FPages;
  return static_cast<int>(std::find(P.begin(), P.end(), this) - P.begin());
}

void TTabSheet::TextChanged() {
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::VisibleChanged() {
  if (Visible()) {
    if (OnShow) OnShow(this);
  } else if (OnHide) {
    OnHide(this);
  }
}

// ---------------------------------------------------------------------------------------------
// TPageControl

const TClassInfo& TPageControl::StaticClassInfo() {
  static const TClassInfo Info{
      "TPageControl",
      &TWinControl::StaticClassInfo(),
      {ComponentProp<TPageControl, TTabSheet>("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage),
       EnumProp<TPageControl, TTabStyle>("Style", {"tsTabs", "tsButtons", "tsFlatButtons"}, &TPageControl::Style,
                                         &TPageControl::SetStyle),
       BoolProp<TPageControl>("HotTrack", &TPageControl::HotTrack, &TPageControl::SetHotTrack)},
      {EventProp<TPageControl>("OnChange", &TPageControl::OnChange),
       EventProp<TPageControl>("OnChanging", &TPageControl::OnChanging)},
      MakeComponent<TPageControl>};
  return Info;
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 289;
  FHeight = 193;
  TabStop = true;
  SetParentColor(true);
}

TPageControl::~TPageControl() {
  for (TTabSheet* P : FPages) P->FPageControl = nullptr;
  FPages.clear();
}

void TPageControl::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = WC_TABCONTROLA;
  P.Style |= WS_CLIPCHILDREN;
  if (FStyle == tsButtons) P.Style |= TCS_BUTTONS;
  if (FStyle == tsFlatButtons) P.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (FHotTrack) P.Style |= TCS_HOTTRACK;
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabs();
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, TCM_DELETEALLITEMS, 0, 0);
  int Tab = 0;
  for (TTabSheet* P : FPages) {
    if (!P->TabVisible) continue;
    std::string Text = P->Caption();
    TCITEMA Item{};
    Item.mask = TCIF_TEXT;
    Item.pszText = Text.data();
    SendMessageA(FHandle, TCM_INSERTITEMA, static_cast<WPARAM>(Tab++), reinterpret_cast<LPARAM>(&Item));
  }
  int Current = -1, Index = 0;
  for (TTabSheet* P : FPages) {
    if (!P->TabVisible) continue;
    if (P == FActivePage) Current = Index;
    ++Index;
  }
  SendMessageA(FHandle, TCM_SETCURSEL, static_cast<WPARAM>(Current), 0);
  Realign();
}

void TPageControl::InsertPage(TTabSheet* Page) {
  FPages.push_back(Page);
  UpdateTabs();
  if (!FActivePage) SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  FPages.erase(std::remove(FPages.begin(), FPages.end(), Page), FPages.end());
  if (FActivePage == Page) {
    FActivePage = nullptr;
    if (!FPages.empty() && !(ComponentState() & csDestroying)) SetActivePage(FPages.front());
  }
  UpdateTabs();
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->FPageControl != this) return;
  if (Page == FActivePage) return;
  TTabSheet* Old = FActivePage;
  FActivePage = Page;
  if (Page) {
    Page->BringToFront();
    Page->SetVisible(true);
  }
  if (Old) Old->SetVisible(false);
  UpdateTabs();
}

void TPageControl::SetActivePageIndex(int Index) {
  SetActivePage(Index >= 0 && Index < PageCount() ? FPages[static_cast<size_t>(Index)] : nullptr);
}

void TPageControl::SetStyle(TTabStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  RecreateWnd();
}

void TPageControl::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  RecreateWnd();
}

RECT TPageControl::DisplayRect() {
  RECT R = ClientRect();
  if (HandleAllocated()) SendMessageA(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&R));
  return R;
}

void TPageControl::AlignControls(TControl* AControl, RECT& Rect) {
  Rect = DisplayRect();
  TWinControl::AlignControls(AControl, Rect);
}

void TPageControl::Notify(TMessage& M) {
  if (M.Msg != CN_NOTIFY) return;
  auto* Header = reinterpret_cast<NMHDR*>(M.LParam);
  if (Header->code == static_cast<UINT>(TCN_SELCHANGING)) {
    bool Allow = true;
    if (OnChanging) OnChanging(this, Allow);
    M.Result = Allow ? FALSE : TRUE;
  } else if (Header->code == static_cast<UINT>(TCN_SELCHANGE)) {
    const int Tab = static_cast<int>(SendMessageA(FHandle, TCM_GETCURSEL, 0, 0));
    int Index = 0;
    for (TTabSheet* P : FPages) {
      if (!P->TabVisible) continue;
      if (Index++ == Tab) {
        SetActivePage(P);
        break;
      }
    }
    if (OnChange) OnChange(this);
  }
}

// ---------------------------------------------------------------------------------------------
// TUpDown

const TClassInfo& TUpDown::StaticClassInfo() {
  static const TClassInfo Info{
      "TUpDown",
      &TWinControl::StaticClassInfo(),
      {IntProp<TUpDown>("Min", &TUpDown::Min, &TUpDown::SetMin), IntProp<TUpDown>("Max", &TUpDown::Max, &TUpDown::SetMax),
       IntProp<TUpDown>("Position", &TUpDown::Position, &TUpDown::SetPosition),
       IntProp<TUpDown>("Increment", [](TUpDown& U) { return U.Increment; }, [](TUpDown& U, int V) { U.Increment = V; }),
       BoolProp<TUpDown>("Wrap", [](TUpDown& U) { return U.Wrap; }, [](TUpDown& U, bool V) { U.Wrap = V; }),
       ComponentProp<TUpDown, TWinControl>("Associate", &TUpDown::Associate, &TUpDown::SetAssociate)},
      {EventProp<TUpDown>("OnClick", &TUpDown::OnClick), EventProp<TUpDown>("OnChanging", &TUpDown::OnChanging)},
      MakeComponent<TUpDown>};
  return Info;
}

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 17;
  FHeight = 21;
}

void TUpDown::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = UPDOWN_CLASSA;
  P.Style |= UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT | (Wrap ? UDS_WRAP : 0) |
             (Orientation == udHorizontal ? UDS_HORZ : 0);
}

void TUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
  if (FAssociate) SendMessageA(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
  UDACCEL Accel{0, static_cast<UINT>(Increment)};
  SendMessageA(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&Accel));
}

void TUpDown::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TUpDown::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TUpDown::Position() {
  if (HandleAllocated()) FPosition = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
  return FPosition;
}

void TUpDown::SetPosition(int Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (HandleAllocated()) SendMessageA(FHandle, UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetAssociate(TWinControl* Value) {
  if (FAssociate) FAssociate->RemoveFreeNotification(this);
  FAssociate = Value;
  if (Value) Value->FreeNotification(this);
  if (HandleAllocated()) SendMessageA(FHandle, UDM_SETBUDDY, Value ? reinterpret_cast<WPARAM>(Value->Handle()) : 0, 0);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TUpDown::Notify(TMessage& M) {
  if (M.Msg == CN_NOTIFY && reinterpret_cast<NMHDR*>(M.LParam)->code == static_cast<UINT>(UDN_DELTAPOS)) {
    bool Allow = true;
    if (OnChanging) OnChanging(this, Allow);
    M.Result = Allow ? FALSE : TRUE;
  } else if (M.Msg == CN_VSCROLL || M.Msg == CN_HSCROLL) {
    if (LOWORD(M.WParam) == SB_THUMBPOSITION) {
      const int Old = FPosition;
      const int New = Position();
      if (OnClick && New != Old) OnClick(this, New > Old ? btNext : btPrev);
    }
  }
}
