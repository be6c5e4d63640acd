// The places where Windows calls the library: every window procedure, hook, timer, enumeration
// callback, utility window and message-loop step runs its code through CallGuarded, which hands
// any exception to Application->HandleException and lets nothing cross the boundary.
#pragma once

#include "classlib/core/SysFaults.h"

#include <windows.h>

#include <functional>

// Passes the exception being handled (call only inside a catch block) to Application->HandleException;
// never raises.
void HandleBoundaryException() noexcept;

// Runs Fn inside the program's guard frame: a fault in the program's code becomes its exception
// class, and any exception leaving Fn goes to HandleBoundaryException. False when Fn raised.
template <class F>
bool CallGuarded(F&& Fn) noexcept {
  return GuardedCall(Fn, [] { HandleBoundaryException(); }) == TGuardResult::Returned;
}

// Enumeration callbacks: Fn answers whether to go on; an exception stops the enumeration.
using TEnumWindowsFunc = std::function<bool(HWND Wnd)>;
void EnumThreadWindowsGuarded(DWORD ThreadId, const TEnumWindowsFunc& Fn);
void EnumChildWindowsGuarded(HWND Parent, const TEnumWindowsFunc& Fn);

// A windows hook of the calling thread running Fn (Code, WParam, LParam) for codes >= 0; the
// next hook is always called afterwards. Removed with the object.
class TWindowsHook {
public:
  using THookFunc = std::function<void(int Code, WPARAM WParam, LPARAM LParam)>;
  // IdHook: WH_CBT, WH_GETMESSAGE, WH_CALLWNDPROC, WH_CALLWNDPROCRET, WH_KEYBOARD, WH_MOUSE or WH_MSGFILTER.
  TWindowsHook(int IdHook, THookFunc Fn);
  ~TWindowsHook();
  TWindowsHook(const TWindowsHook&) = delete;
  TWindowsHook& operator=(const TWindowsHook&) = delete;
  bool Installed() const { return FHook != nullptr; }

private:
  template <int Id>
  static LRESULT CALLBACK Proc(int Code, WPARAM WParam, LPARAM LParam);
  static LRESULT Dispatch(int Id, int Code, WPARAM WParam, LPARAM LParam);
  int FId;
  HHOOK FHook = nullptr;
  THookFunc FFunc;
};

// A thread timer calling Fn every Interval milliseconds through its TIMERPROC; stopped with the object.
class TThreadTimer {
public:
  TThreadTimer(UINT Interval, std::function<void()> Fn);
  ~TThreadTimer();
  TThreadTimer(const TThreadTimer&) = delete;
  TThreadTimer& operator=(const TThreadTimer&) = delete;

private:
  static void CALLBACK Proc(HWND, UINT, UINT_PTR Id, DWORD);
  UINT_PTR FId = 0;
  std::function<void()> FFunc;
};

// Utility windows: hidden windows of class "TPUtilWindow" whose messages go to Method, which
// answers in Result (DefWindowProcA for those it does not handle).
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};
using TWndMethod = std::function<void(TMessage& Message)>;
HWND AllocateHWnd(TWndMethod Method);
void DeallocateHWnd(HWND Wnd);
