// The library's boundaries with Windows: enumeration callbacks, hooks, thread timers, utility windows.
#include "classlib/gui/Boundary.h"

#include "classlib/gui/Forms.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

void HandleBoundaryException() noexcept {
  try {
    if (Application != nullptr) {
      Application->HandleException(nullptr);
    } else {
      try {
        throw;
      } catch (const std::exception& E) {
        OutputDebugStringA(E.what());
      }
    }
  } catch (...) {
    // Nothing leaves a boundary.
  }
}

namespace {

BOOL CALLBACK EnumProc(HWND Wnd, LPARAM Param) {
  bool Continue = false;
  CallGuarded([&] { Continue = (*reinterpret_cast<const TEnumWindowsFunc*>(Param))(Wnd); });
  return Continue ? TRUE : FALSE;
}

}  // namespace

void EnumThreadWindowsGuarded(DWORD ThreadId, const TEnumWindowsFunc& Fn) {
  EnumThreadWindows(ThreadId, EnumProc, reinterpret_cast<LPARAM>(&Fn));
}

void EnumChildWindowsGuarded(HWND Parent, const TEnumWindowsFunc& Fn) {
  EnumChildWindows(Parent, EnumProc, reinterpret_cast<LPARAM>(&Fn));
}

// ---------------------------------------------------------------------------------------------
// Hooks: one system hook per object; the procedure of each hook kind finds the object by kind.

namespace {
// One system hook per kind, shared by the objects of that kind.
struct THookKind {
  HHOOK Hook = nullptr;
  std::vector<TWindowsHook*> Objects;
};
std::map<int, THookKind>& HooksByKind() {
  static std::map<int, THookKind> Hooks;
  return Hooks;
}
}  // namespace

template <int Id>
LRESULT CALLBACK TWindowsHook::Proc(int Code, WPARAM WParam, LPARAM LParam) {
  return Dispatch(Id, Code, WParam, LParam);
}

LRESULT TWindowsHook::Dispatch(int Id, int Code, WPARAM WParam, LPARAM LParam) {
  if (Code >= 0) {
    // A copy: a hook function may remove hooks.
    const std::vector<TWindowsHook*> Hooks = HooksByKind()[Id].Objects;
    for (TWindowsHook* Hook : Hooks) {
      const auto& Live = HooksByKind()[Id].Objects;
      if (std::find(Live.begin(), Live.end(), Hook) == Live.end()) continue;
      CallGuarded([&] { Hook->FFunc(Code, WParam, LParam); });
    }
  }
  return CallNextHookEx(nullptr, Code, WParam, LParam);
}

TWindowsHook::TWindowsHook(int IdHook, THookFunc Fn) : FId(IdHook), FFunc(std::move(Fn)) {
  HOOKPROC P = nullptr;
  switch (IdHook) {
    case WH_CBT: P = Proc<WH_CBT>; break;
    case WH_GETMESSAGE: P = Proc<WH_GETMESSAGE>; break;
    case WH_CALLWNDPROC: P = Proc<WH_CALLWNDPROC>; break;
    case WH_CALLWNDPROCRET: P = Proc<WH_CALLWNDPROCRET>; break;
    case WH_KEYBOARD: P = Proc<WH_KEYBOARD>; break;
    case WH_MOUSE: P = Proc<WH_MOUSE>; break;
    case WH_MSGFILTER: P = Proc<WH_MSGFILTER>; break;
    default: return;
  }
  THookKind& Kind = HooksByKind()[FId];
  if (!Kind.Hook) Kind.Hook = SetWindowsHookExA(IdHook, P, nullptr, GetCurrentThreadId());
  FHook = Kind.Hook;
  if (FHook) Kind.Objects.push_back(this);
}

TWindowsHook::~TWindowsHook() {
  if (!FHook) return;
  THookKind& Kind = HooksByKind()[FId];
  Kind.Objects.erase(std::find(Kind.Objects.begin(), Kind.Objects.end(), this));
  if (Kind.Objects.empty()) {
    UnhookWindowsHookEx(Kind.Hook);
    Kind.Hook = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------
// Thread timers

namespace {
std::map<UINT_PTR, TThreadTimer*>& TimersById() {
  static std::map<UINT_PTR, TThreadTimer*> Timers;
  return Timers;
}
}  // namespace

TThreadTimer::TThreadTimer(UINT Interval, std::function<void()> Fn) : FFunc(std::move(Fn)) {
  FId = SetTimer(nullptr, 0, Interval, Proc);
  if (FId) TimersById()[FId] = this;
}

TThreadTimer::~TThreadTimer() {
  if (!FId) return;
  KillTimer(nullptr, FId);
  TimersById().erase(FId);
}

void CALLBACK TThreadTimer::Proc(HWND, UINT, UINT_PTR Id, DWORD) {
  const auto It = TimersById().find(Id);
  if (It == TimersById().end()) return;
  TThreadTimer* Timer = It->second;
  CallGuarded([&] { Timer->FFunc(); });
}

// ---------------------------------------------------------------------------------------------
// Utility windows

namespace {

const char UtilWindowClass[] = "TPUtilWindow";

LRESULT CALLBACK UtilWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* Method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (Method == nullptr) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage M{Msg, WParam, LParam, 0};
  CallGuarded([&] { (*Method)(M); });
  return M.Result;
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  static const ATOM Atom = [] {
    WNDCLASSA Class{};
    Class.lpfnWndProc = UtilWndProc;
    Class.hInstance = GetModuleHandleA(nullptr);
    Class.lpszClassName = UtilWindowClass;
    return RegisterClassA(&Class);
  }();
  (void)Atom;
  HWND Wnd = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (Wnd && Method) SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(Method))));
  return Wnd;
}

void DeallocateHWnd(HWND Wnd) {
  if (!Wnd) return;
  auto* Method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0);
  DestroyWindow(Wnd);
  delete Method;
}
