// The guard frame on x86_64: frames are found through unwind data, so the helper names its handler
// in its own unwind information (.seh_handler). The compiler's C++ exceptions are structured
// exceptions too; the handler lets them pass.
#include <windows.h>

#include "classlib/core/SehGuardImpl.h"

using namespace sehguard_detail;

extern "C" EXCEPTION_DISPOSITION seh_guard_handler(PEXCEPTION_RECORD Record, void* EstablisherFrame,
                                                   PCONTEXT Context, PDISPATCHER_CONTEXT Dispatcher);
extern "C" char seh_guarded_resume[];

// seh_guarded_call(Frame): keeps Frame at [rsp+32] of its fixed frame (the establisher frame), calls
// sehguard_body(Frame) and answers 0; a dropped call is unwound to seh_guarded_resume with rax = 1.
// seh_fault_thrower: entered by redirection as if called by the faulting instruction; aligns the stack
// behind a frame pointer and raises the kept fault.
asm(R"(
    .text
    .p2align 4
    .globl seh_guarded_call
    .def seh_guarded_call; .scl 2; .type 32; .endef
    .seh_proc seh_guarded_call
seh_guarded_call:
    subq $56, %rsp
    .seh_stackalloc 56
    .seh_endprologue
    movq %rcx, 32(%rsp)
    callq sehguard_body
    xorl %eax, %eax
    .globl seh_guarded_resume
seh_guarded_resume:
    addq $56, %rsp
    ret
    .seh_handler seh_guard_handler, @except
    .seh_endproc

    .p2align 4
    .globl seh_fault_thrower
    .def seh_fault_thrower; .scl 2; .type 32; .endef
    .seh_proc seh_fault_thrower
seh_fault_thrower:
    pushq %rbp
    .seh_pushreg %rbp
    movq %rsp, %rbp
    .seh_setframe %rbp, 0
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    andq $-16, %rsp
    callq sehguard_raise_stored_fault
    nop
    .seh_endproc
)");

extern "C" void seh_fault_thrower();

extern "C" EXCEPTION_DISPOSITION seh_guard_handler(PEXCEPTION_RECORD Record, void* EstablisherFrame,
                                                   PCONTEXT Context, PDISPATCHER_CONTEXT Dispatcher) {
  const TGuardFrame* Frame = *reinterpret_cast<TGuardFrame* const*>(static_cast<char*>(EstablisherFrame) + 32);
  const TFrameAction Action = DecideFrameAction(*Record, *Context, Frame->Mode);
  if (Action == TFrameAction::Ignore) return ExceptionContinueSearch;
  // Too little stack is left for a report; outer system frames could even swallow the exception.
  if (Action == TFrameAction::End) TerminateProcess(GetCurrentProcess(), Record->ExceptionCode);
  ReportFault(Context, Record);
  switch (Action) {
    case TFrameAction::Translate: {
      // A call of the thrower from the faulting instruction: the return address + 1 lies inside the
      // faulting instruction, where the unwinder and the landing pads expect the fault. An execute
      // fault's call left its return address on top of the stack.
      const TTranslation Call = PrepareTranslation(*Record, *Context);
      if (!Call.FromStack) {
        Context->Rsp -= sizeof(DWORD64);
        *reinterpret_cast<DWORD64*>(Context->Rsp) = Call.ReturnAddress;
      }
      Context->Rip = reinterpret_cast<DWORD64>(&seh_fault_thrower);
      return ExceptionContinueExecution;
    }
    case TFrameAction::Drop:
      RtlUnwindEx(EstablisherFrame, seh_guarded_resume, Record, reinterpret_cast<PVOID>(1),
                  Dispatcher->ContextRecord, Dispatcher->HistoryTable);
      return ExceptionContinueSearch;  // not reached
    default: return ExceptionContinueSearch;
  }
}
