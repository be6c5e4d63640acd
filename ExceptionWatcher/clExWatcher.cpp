// The exception watcher and its hooks.
#include "ExceptionWatcher/clExWatcher.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_set>

namespace {

thread_local TclExceptWatcher* ThreadWatcher = nullptr;
thread_local bool InHandler = false;

std::recursive_mutex& HookLock() {
  static std::recursive_mutex* Lock = new std::recursive_mutex;
  return *Lock;
}

const std::unordered_set<std::string>& ReportableClassNames() {
  static const std::unordered_set<std::string> Names{
      "EAbstractError", "EAccessViolation", "EAssertionFailed", "EDivByZero",       "EConvertError",
      "EIntOverflow",   "EInvalidOp",       "EInvalidPointer",  "EListError",       "EOleException",
      "EOSError",       "EOutOfMemory",     "EOverflow",        "EPrivilege",       "ERangeError",
      "EStackOverflow", "EStringListError", "EUnderflow",       "EZeroDivide"};
  return Names;
}

constexpr DWORD cReportableCodes[] = {
    0xC0000005, 0x80000002, 0xC000008C, 0xC000008D, 0xC000008E, 0xC000008F, 0xC0000090,
    0xC0000091, 0xC0000092, 0xC0000093, 0xC0000094, 0xC0000095, 0xC0000096, 0xC0000006,
    0xC000001D, 0xC0000025, 0xC00000FD, 0xC0000026, 0x80000001, 0xC0000008};

bool IsUnwinding(const EXCEPTION_RECORD& Record) {
  return (Record.ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0;
}

// Runs Call for the calling thread's watcher: under the hook lock, never twice nested on one thread
// (InHandler is cleared only by the call that set it), anything raised inside dropped. False when
// nothing was called.
template <class F>
bool EnterWatcher(F&& Call) {
  std::lock_guard<std::recursive_mutex> Guard(HookLock());
  if (InHandler) return false;
  InHandler = true;
  bool Called = false;
  if (TclExceptWatcher* Watcher = ThreadWatcher) {
    Called = QuietCall([&] { Call(Watcher); }) == TGuardResult::Returned;
  }
  InHandler = false;
  return Called;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TclExceptWatcher

TclExceptWatcher::TclExceptWatcher(TComponent* AOwner) : TComponent(AOwner), FClock(&GetTickCount) {
  SetActive(true);
}

TclExceptWatcher::~TclExceptWatcher() { SetActive(false); }

void TclExceptWatcher::SetActive(bool Value) {
  if (Value == FActive) return;
  if (FActive) {
    InHandler = false;
    ThreadWatcher = nullptr;
  }
  FActive = Value;
  if (Value) {
    InHandler = false;
    ThreadWatcher = this;
  }
}

bool TclExceptWatcher::CheckInterval() {
  const DWORD Tick = FClock();
  const int Delta = static_cast<int>(Tick - FPreviousTick);
  FPreviousTick = Tick;
  return Delta > 500 || Delta < -500;
}

void TclExceptWatcher::Record(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  const TThrowInfo* Throw = CurrentThrowInfo();
  if (Throw != nullptr && Throw->Record != ExceptionRecord) Throw = nullptr;
  FLastException.reset();
  FLastException = std::make_unique<TclExceptionInformation>(Context, ExceptionRecord, Throw);
}

void TclExceptWatcher::HandleException(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  if (!CheckInterval()) return;
  Record(Context, ExceptionRecord);
  const DWORD Code = FLastException->ExceptionCode();
  if (Code == cLanguageExceptionCode || Code == cLanguageReraiseCode)
    DoDelphiException(FLastException->ExceptObject());
  else
    DoSystemException();
}

HRESULT TclExceptWatcher::HandleSafeCallException(TObject* Target, PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  if (!CheckInterval()) return E_FAIL;
  Record(Context, ExceptionRecord);
  if (FLastException->ExceptionCode() == cLanguageExceptionCode) {
    DoDelphiSafeCallException(Target, FLastException->ExceptObject());
    return E_FAIL;
  }
  if (!DoSystemSafeCallException(Target) || Target == nullptr) return E_FAIL;
  const EXCEPTION_RECORD& R = *FLastException->ExceptionRecord();
  try {
    RaiseFaultException(R.ExceptionCode, R.ExceptionAddress, R.NumberParameters > 0 ? R.ExceptionInformation[0] : 0,
                        R.NumberParameters > 1 ? R.ExceptionInformation[1] : 0);
  } catch (Exception& E) {
    return Target->SafeCallException(&E, R.ExceptionAddress);
  }
}

TclStackTracer* TclExceptWatcher::GetStackTracer() {
  if (!FStackTracer) FStackTracer = std::make_unique<TclDbgHelpStackTracer>();
  return FStackTracer.get();
}

void TclExceptWatcher::DoDelphiException(Exception* E) {
  if (OnDelphiException) OnDelphiException(this, E, FLastException.get(), GetStackTracer());
}

void TclExceptWatcher::DoSystemException() {
  if (OnSystemException) OnSystemException(this, FLastException.get(), GetStackTracer());
}

void TclExceptWatcher::DoDelphiSafeCallException(TObject* Target, Exception* E) {
  if (OnDelphiSafeCallException) OnDelphiSafeCallException(this, Target, E, FLastException.get(), GetStackTracer());
}

bool TclExceptWatcher::DoSystemSafeCallException(TObject* Target) {
  bool NotifyTarget = true;
  if (OnSystemSafeCallException)
    OnSystemSafeCallException(this, Target, FLastException.get(), NotifyTarget, GetStackTracer());
  return NotifyTarget;
}

// ---------------------------------------------------------------------------------------------
// Reportable exceptions

bool StackPassesMainModule(TclExceptionInformation* EI) {
  std::unique_ptr<TclDbgHelpStackTracer> Temporary;
  TclStackTracer* Tracer = ThreadWatcherTracer();
  if (Tracer == nullptr) {
    Temporary = std::make_unique<TclDbgHelpStackTracer>();
    Tracer = Temporary.get();
  }
  const ULONG_PTR Program = reinterpret_cast<ULONG_PTR>(GetModuleHandleA(nullptr));
  TclStackFrames* Frames = Tracer->GetStackFrames(EI);
  for (int I = 0; I < Frames->Count(); ++I)
    if (Frames->Items(I)->ModuleHandle == Program) return true;
  return false;
}

bool IsReportableException(TclExceptionInformation* EI) {
  if (EI == nullptr) return false;
  if (EI->HasClass()) return ReportableClassNames().count(EI->ExceptClassName()) != 0;
  const DWORD Code = EI->ExceptionCode();
  if (std::find(std::begin(cReportableCodes), std::end(cReportableCodes), Code) == std::end(cReportableCodes))
    return false;
  return StackPassesMainModule(EI);
}

// ---------------------------------------------------------------------------------------------
// Hooks

void RaiseHook(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  if (IsUnwinding(*ExceptionRecord)) return;
  EnterWatcher([&](TclExceptWatcher* Watcher) { Watcher->HandleException(Context, ExceptionRecord); });
}

HRESULT SafeCallHook(TObject* Target, PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  if (IsUnwinding(*ExceptionRecord)) return E_FAIL;
  HRESULT Result = E_FAIL;
  HRESULT Answer = E_FAIL;
  if (EnterWatcher([&](TclExceptWatcher* Watcher) {
        Answer = Watcher->HandleSafeCallException(Target, Context, ExceptionRecord);
      }))
    Result = Answer;
  return Result;
}

TclExceptWatcher* ThreadExceptWatcher() { return ThreadWatcher; }
bool ThreadInHandler() { return InHandler; }
TclStackTracer* ThreadWatcherTracer() { return ThreadWatcher != nullptr ? ThreadWatcher->GetStackTracer() : nullptr; }
