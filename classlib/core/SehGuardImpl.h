// Between the architecture-neutral half of the guard frame and each architecture's frame helper,
// frame handler and capture of C++ throws. Not for use elsewhere.
#pragma once

#include <windows.h>

#include "classlib/core/SysFaults.h"

namespace sehguard_detail {

// One guarded call's frame data; the helper keeps its address in its own stack frame, where the
// handler finds it from the establisher frame.
struct TGuardFrame {
  TGuardedProc Proc;
  void* Data;
  int Mode;
  TGuardResult Result;
};

enum class TFrameAction {
  Ignore,     // the search goes on, unreported (unwind passes, C++ exceptions, stack overflow)
  Pass,       // report, then the search goes on to the outer frames
  Translate,  // report, then raise the fault's exception from the faulting instruction
  Drop,       // report, then end the guarded call (mode 1)
  End         // a stack overflow: the process ends with its code, unreported
};
// What the frame does with an exception. A fault is judged at its instruction; an execute fault at
// the call that made it (the return address on top of the stack).
TFrameAction DecideFrameAction(const EXCEPTION_RECORD& Record, const CONTEXT& Context, int Mode);
bool IsProgramAddress(const void* Address);

// Reports a fault the frame handles to crash reporting (CallRaiseHook); an execute fault's context
// is the one at its call.
void ReportFault(PCONTEXT Context, PEXCEPTION_RECORD Record);

// A translation's call of the thrower: the fault is kept for sehguard_raise_stored_fault on this
// thread; the call returns to ReturnAddress, inside the faulting instruction, or for an execute
// fault to the caller's return address, which is then on top of the stack already (FromStack).
struct TTranslation {
  ULONG_PTR ReturnAddress;
  bool FromStack;
};
TTranslation PrepareTranslation(const EXCEPTION_RECORD& Record, const CONTEXT& Context);

// Whether a C++ throw is to be reported: a hook is set, and the throw is not the one of a fault's
// translation (reported already; the flag is taken by this call).
bool ThrowCaptureWanted();
// Reports a C++ throw to the hook: ThrowerContext is the context of the function that throws, at
// the return address of its throw call.
void ReportThrow(PCONTEXT ThrowerContext, void* Object, const std::type_info* Type);

}  // namespace sehguard_detail

extern "C" {
// The assembly helper: sehguard_body(Frame) inside the frame; 0 when it returned, 1 when dropped.
int seh_guarded_call(sehguard_detail::TGuardFrame* Frame);
void sehguard_body(sehguard_detail::TGuardFrame* Frame);
// Raises the fault PrepareTranslation kept on this thread.
[[noreturn]] void sehguard_raise_stored_fault();
}
