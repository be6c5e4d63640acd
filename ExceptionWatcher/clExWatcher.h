// The exception watcher: sees every exception of its thread as it is raised (through the raise hook
// that crash reporting puts into the guard frames, the throw capture and the outermost filter),
// keeps a copy of it, suppresses repeats, fires an event for language and system exceptions, and
// tells which exceptions are worth a crash report.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "ExceptionWatcher/clExceptInfo.h"
#include "ExceptionWatcher/clStackTracer.h"
#include "classlib/core/Components.h"

using TclDelphiExceptionEvent =
    std::function<void(TObject* Sender, Exception* E, TclExceptionInformation* EI, TclStackTracer* StackTracer)>;
using TclSystemExceptionEvent =
    std::function<void(TObject* Sender, TclExceptionInformation* EI, TclStackTracer* StackTracer)>;
using TclDelphiSafeCallExceptionEvent = std::function<void(TObject* Sender, TObject* Target, Exception* E,
                                                           TclExceptionInformation* EI, TclStackTracer* StackTracer)>;
using TclSystemSafeCallExceptionEvent = std::function<void(TObject* Sender, TObject* Target, TclExceptionInformation* EI,
                                                           bool& NotifyTarget, TclStackTracer* StackTracer)>;

class TclExceptWatcher : public TComponent {
public:
  explicit TclExceptWatcher(TComponent* AOwner);  // active, bound to the calling thread
  ~TclExceptWatcher() override;

  // Activation binds the watcher to the calling thread; deactivation unbinds the calling thread's.
  bool Active() const { return FActive; }
  void SetActive(bool Value);

  TclDelphiExceptionEvent OnDelphiException;
  TclSystemExceptionEvent OnSystemException;
  TclSystemSafeCallExceptionEvent OnSystemSafeCallException;
  TclDelphiSafeCallExceptionEvent OnDelphiSafeCallException;

  // Records the exception and fires its event, unless it follows the previous call by 500 ms or less.
  void HandleException(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);
  HRESULT HandleSafeCallException(TObject* Target, PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);
  TclStackTracer* GetStackTracer();
  // The last recorded exception, nullptr before the first.
  TclExceptionInformation* LastException() const { return FLastException.get(); }

  // The millisecond clock of the repeat guard (GetTickCount by default).
  void SetClock(std::function<DWORD()> Clock) { FClock = std::move(Clock); }

protected:
  virtual void DoDelphiException(Exception* E);
  virtual void DoSystemException();
  virtual void DoDelphiSafeCallException(TObject* Target, Exception* E);
  virtual bool DoSystemSafeCallException(TObject* Target);

private:
  bool CheckInterval();
  void Record(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);

  bool FActive = false;
  std::unique_ptr<TclExceptionInformation> FLastException;
  std::unique_ptr<TclStackTracer> FStackTracer;
  DWORD FPreviousTick = 0;
  std::function<DWORD()> FClock;
};

// Reportable: a language exception whose class is one of the 19 names (exactly), or a system
// exception of one of the 20 codes whose walked stack passes the program's own module.
bool IsReportableException(TclExceptionInformation* EI);
bool StackPassesMainModule(TclExceptionInformation* EI);

// The hooks: on the search pass only, one thread in the watchers at a time, the calling thread's
// watcher in a quiet guarded call; an exception raised while this thread is inside its watcher
// passes by. SafeCallHook answers E_FAIL unless the watcher answers.
void RaiseHook(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);
HRESULT SafeCallHook(TObject* Target, PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);

// The calling thread's watcher and whether a hook of this thread is inside it.
TclExceptWatcher* ThreadExceptWatcher();
bool ThreadInHandler();
// The tracer of the calling thread's watcher, nullptr when the thread has none.
TclStackTracer* ThreadWatcherTracer();
