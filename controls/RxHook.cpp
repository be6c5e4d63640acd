#include "controls/RxHook.h"

#include "classlib/gui/Forms.h"
#include "classlib/gui/WindowTable.h"

#include <algorithm>
#include <new>

namespace {

// What the hook's procedure needs per subclassed window: the procedure it passes messages to and
// the control hook that is notified (nullptr while it only passes them on).
struct THookLink {
  WNDPROC Prev;
  TControlHook* Owner;
};

THookLink* LinkOf(HWND Wnd) { return WindowTable<THookLink>().Find(Wnd); }

}  // namespace

LRESULT CALLBACK HookWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  THookLink* Link = LinkOf(Wnd);
  if (!Link) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage M{Msg, WParam, LParam, 0};
  const WNDPROC Prev = Link->Prev;
  if (Link->Owner) {
    TControlHook* Owner = Link->Owner;
    CallGuarded([&] { Owner->HandleMessage(Wnd, M, Prev); });
  } else {
    M.Result = CallWindowProcA(Prev, Wnd, Msg, WParam, LParam);
  }
  if (Msg == WM_NCDESTROY && LinkOf(Wnd) == Link) {
    // The window is gone: its procedure is no longer asked for.
    WindowTable<THookLink>().Remove(Wnd);
    if (Link->Owner && Link->Owner->FWnd == Wnd) Link->Owner->FWnd = nullptr;
    delete Link;
  }
  return M.Result;
}

// ---------------------------------------------------------------------------------------------

TControlHook::TControlHook(TWinControl* AControl) : FControl(AControl) {}

TControlHook::~TControlHook() {
  FDestroying = true;
  UnhookControl();
  if (FWnd && IsWindow(FWnd))
    if (THookLink* Link = LinkOf(FWnd); Link && Link->Owner == this) Link->Owner = nullptr;
  FHooks.clear();
}

void TControlHook::SetControl(TWinControl* Value) {
  if (Value == FControl) return;
  UnhookControl();
  FControl = Value;
  if (!FHooks.empty()) HookControl();
}

void TControlHook::AddHook(TRxWindowHook* Hook) {
  if (std::find(FHooks.begin(), FHooks.end(), Hook) == FHooks.end()) FHooks.push_back(Hook);
}

void TControlHook::RemoveHook(TRxWindowHook* Hook) { FHooks.erase(std::remove(FHooks.begin(), FHooks.end(), Hook), FHooks.end()); }

bool TControlHook::Installed() const {
  if (!FWnd || !IsWindow(FWnd)) return false;
  const THookLink* Link = LinkOf(FWnd);
  return Link && Link->Owner == this;
}

void TControlHook::HookControl() {
  if (!FControl || FDestroying || FControl->Destroying()) return;
  const HWND Wnd = FControl->Handle();
  if (THookLink* Link = LinkOf(Wnd)) {
    Link->Owner = this;  // already in the chain
  } else {
    auto* NewLink = new THookLink{reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)), this};
    if (!WindowTable<THookLink>().Add(Wnd, NewLink)) {
      delete NewLink;
      throw std::bad_alloc();
    }
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookWndProc));
  }
  FWnd = Wnd;
}

void TControlHook::UnhookControl() {
  if (!FWnd) return;
  const HWND Wnd = FWnd;
  FWnd = nullptr;
  if (!IsWindow(Wnd)) return;
  THookLink* Link = LinkOf(Wnd);
  if (!Link || Link->Owner != this) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)) == &HookWndProc) {
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Link->Prev));
    WindowTable<THookLink>().Remove(Wnd);
    delete Link;
  } else {
    Link->Owner = nullptr;  // other code's procedure calls ours: stay in its chain
  }
}

bool TControlHook::CanNotify() const {
  return !FHooks.empty() && FControl && !FDestroying && !FControl->Destroying();
}

void TControlHook::Notify(TMessage& Msg, bool& Handled, bool After) {
  if (!CanNotify()) return;
  const std::vector<TRxWindowHook*> Hooks = FHooks;
  for (auto It = Hooks.rbegin(); It != Hooks.rend(); ++It) {
    TRxWindowHook* Hook = *It;
    if (std::find(FHooks.begin(), FHooks.end(), Hook) == FHooks.end()) continue;
    CallGuarded([&] {
      if (After)
        Hook->DoAfterMessage(Msg, Handled);
      else
        Hook->DoBeforeMessage(Msg, Handled);
    });
    if (Handled) break;
  }
}

void TControlHook::HandleMessage(HWND Wnd, TMessage& Msg, WNDPROC Prev) {
  bool Handled = false;
  if (Msg.Msg != WM_QUIT) Notify(Msg, Handled, false);
  if (!Handled || Msg.Msg == WM_DESTROY) {
    Msg.Result = CallWindowProcA(Prev, Wnd, Msg.Msg, Msg.WParam, Msg.LParam);
    Notify(Msg, Handled, true);
  }
  if (Msg.Msg == WM_DESTROY) {
    UnhookControl();
    if (!FDestroying && FControl && !FControl->Destroying()) THookList::Instance().PostRequest(CM_RECREATEWINDOW, this);
  }
}

// ---------------------------------------------------------------------------------------------

THookList& THookList::Instance() {
  static THookList List;
  return List;
}

THookList::THookList() {
  FWindow = AllocateHWnd([this](TMessage& M) { WndProc(M); });
}

THookList::~THookList() {
  while (!FItems.empty()) {
    TControlHook* Hook = FItems.back();
    FItems.pop_back();
    delete Hook;
  }
  if (FWindow) DeallocateHWnd(FWindow);
}

TControlHook* THookList::Find(TWinControl* Control) const {
  for (TControlHook* Hook : FItems)
    if (Hook->Control() == Control) return Hook;
  return nullptr;
}

TControlHook* THookList::FindOrAdd(TWinControl* Control) {
  if (TControlHook* Hook = Find(Control)) return Hook;
  FItems.push_back(new TControlHook(Control));
  return FItems.back();
}

bool THookList::Contains(const TControlHook* Hook) const { return std::find(FItems.begin(), FItems.end(), Hook) != FItems.end(); }

void THookList::PostRequest(UINT Msg, TControlHook* Hook) { PostMessageA(FWindow, Msg, 0, reinterpret_cast<LPARAM>(Hook)); }

void THookList::WndProc(TMessage& M) {
  if (M.Msg != CM_RECREATEWINDOW && M.Msg != CM_DESTROYHOOK) {
    M.Result = DefWindowProcA(FWindow, M.Msg, M.WParam, M.LParam);
    return;
  }
  auto* Hook = reinterpret_cast<TControlHook*>(M.LParam);
  if (!Contains(Hook)) return;
  if (M.Msg == CM_RECREATEWINDOW) {
    if (!Hook->Hooks().empty()) Hook->HookControl();
  } else if (Hook->Hooks().empty()) {
    FItems.erase(std::find(FItems.begin(), FItems.end(), Hook));
    delete Hook;
  }
}

// ---------------------------------------------------------------------------------------------

TRxWindowHook::TRxWindowHook(TComponent* AOwner) : TComponent(AOwner) {}

TRxWindowHook::~TRxWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
}

const TClassInfo& TRxWindowHook::StaticClassInfo() {
  static const TClassInfo Info{
      "TRxWindowHook",
      nullptr,
      {BoolProp<TRxWindowHook>("Active", &TRxWindowHook::Active, &TRxWindowHook::SetActive),
       BoolProp<TRxWindowHook>("IsForm", &TRxWindowHook::IsForm, &TRxWindowHook::SetIsForm),
       ComponentProp<TRxWindowHook, TWinControl>("WinControl", &TRxWindowHook::WinControl, &TRxWindowHook::SetWinControl)},
      {EventProp<TRxWindowHook>("BeforeMessage", &TRxWindowHook::BeforeMessage),
       EventProp<TRxWindowHook>("AfterMessage", &TRxWindowHook::AfterMessage)},
      MakeComponent<TRxWindowHook>};
  return Info;
}

TWinControl* TRxWindowHook::WinControl() const { return FControlHook ? FControlHook->Control() : FWinControl; }

bool TRxWindowHook::IsForm() const { return WinControl() && WinControl() == Owner() && dynamic_cast<TCustomForm*>(Owner()); }

void TRxWindowHook::SetIsForm(bool Value) {
  if (Value)
    if (auto* Form = dynamic_cast<TCustomForm*>(Owner())) SetWinControl(Form);
}

void TRxWindowHook::SetActive(bool Value) {
  if (Value)
    HookControl();
  else
    UnhookControl();
}

void TRxWindowHook::SetWinControl(TWinControl* Value) {
  if (Value == WinControl()) return;
  const bool WasActive = FActive;
  TControlHook* Left = FControlHook;
  UnhookControl();
  if (FWinControl && FWinControl != Value && FWinControl != Owner()) FWinControl->RemoveFreeNotification(this);
  FWinControl = Value;
  if (Value) Value->FreeNotification(this);
  if (Left && Left->Hooks().empty()) {
    Left->SetControl(nullptr);  // the control may be on its way out; a new attach makes a new one
    THookList::Instance().PostRequest(CM_DESTROYHOOK, Left);
  }
  if (WasActive) HookControl();
}

void TRxWindowHook::HookControl() {
  if (FWinControl && !Destroying()) {
    TControlHook* Hook = THookList::Instance().FindOrAdd(FWinControl);
    Hook->AddHook(this);
    FControlHook = Hook;
    Hook->HookControl();
  }
  FActive = true;
}

void TRxWindowHook::UnhookControl() {
  if (FControlHook) {
    TControlHook* Hook = FControlHook;
    Hook->RemoveHook(this);
    FControlHook = nullptr;
    if (Hook->Hooks().empty()) Hook->UnhookControl();
  }
  FActive = false;
}

void TRxWindowHook::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FWinControl || AComponent == Owner()) SetWinControl(nullptr);
}

void TRxWindowHook::DoBeforeMessage(TMessage& Msg, bool& Handled) {
  if (BeforeMessage) BeforeMessage(this, Msg, Handled);
}

void TRxWindowHook::DoAfterMessage(TMessage& Msg, bool& Handled) {
  if (AfterMessage) AfterMessage(this, Msg, Handled);
}
