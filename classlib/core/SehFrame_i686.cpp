// The guard frame on i686: a registration record linked into FS:[0] for the call's duration. C++
// exceptions unwind by DWARF tables here and never reach the record.
#include <windows.h>

#include "classlib/core/SehGuardImpl.h"

using namespace sehguard_detail;

namespace {

// The registration record on the helper's stack: the system's two words, then the helper's own.
struct TRegistration {
  TRegistration* Next;
  void* Handler;
  TGuardFrame* Frame;
  DWORD SavedEbp;
};

}  // namespace

extern "C" EXCEPTION_DISPOSITION __cdecl seh_guard_handler(PEXCEPTION_RECORD Record, void* EstablisherFrame,
                                                           PCONTEXT Context, void* DispatcherContext);
extern "C" char seh_guarded_resume[];
extern "C" void seh_fault_thrower();

// seh_guarded_call(Frame): saves the callee-saved registers, links the record, calls
// sehguard_body(Frame), unlinks it and answers 0; a dropped call resumes at seh_guarded_resume with
// esp at the record, ebp restored and eax = 1.
// seh_fault_thrower: entered by redirection with nothing written to the stack and its return address
// in ecx. It pushes that before its unwind information starts, so the unwinder sees a call made by
// the faulting instruction from the faulting esp; then an ordinary frame raises the kept fault.
asm(R"(
    .text
    .p2align 4
    .globl _seh_guarded_call
    .def _seh_guarded_call; .scl 2; .type 32; .endef
_seh_guarded_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl %ebp
    pushl 8(%ebp)
    pushl $_seh_guard_handler
    pushl %fs:0
    movl %esp, %fs:0
    pushl 8(%ebp)
    call _sehguard_body
    addl $4, %esp
    xorl %eax, %eax
    .globl _seh_guarded_resume
_seh_guarded_resume:
    movl (%esp), %ecx
    movl %ecx, %fs:0
    addl $16, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .p2align 4
    .globl _seh_fault_thrower
    .def _seh_fault_thrower; .scl 2; .type 32; .endef
_seh_fault_thrower:
    pushl %ecx
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    call _sehguard_raise_stored_fault
    .cfi_endproc
)");

extern "C" EXCEPTION_DISPOSITION __cdecl seh_guard_handler(PEXCEPTION_RECORD Record, void* EstablisherFrame,
                                                           PCONTEXT Context, void* DispatcherContext) {
  TRegistration* Registration = static_cast<TRegistration*>(EstablisherFrame);
  const TFrameAction Action = DecideFrameAction(*Record, *Context, Registration->Frame->Mode);
  if (Action == TFrameAction::Ignore) return ExceptionContinueSearch;
  // Too little stack is left for a report; outer system frames could even swallow the exception.
  if (Action == TFrameAction::End) TerminateProcess(GetCurrentProcess(), Record->ExceptionCode);
  ReportFault(Context, Record);
  switch (Action) {
    case TFrameAction::Translate: {
      // The thrower pushes its own return address; an execute fault's is popped for it to push back.
      const TTranslation Call = PrepareTranslation(*Record, *Context);
      if (Call.FromStack) Context->Esp += sizeof(DWORD);
      Context->Ecx = static_cast<DWORD>(Call.ReturnAddress);
      Context->Eip = reinterpret_cast<DWORD>(&seh_fault_thrower);
      return ExceptionContinueExecution;
    }
    case TFrameAction::Drop:
      // The records of the frames below are unwound; the helper's exit unlinks its own.
      RtlUnwind(Registration, nullptr, Record, nullptr);
      Context->Esp = reinterpret_cast<DWORD>(Registration);
      Context->Ebp = Registration->SavedEbp;
      Context->Eip = reinterpret_cast<DWORD>(seh_guarded_resume);
      Context->Eax = 1;
      return ExceptionContinueExecution;
    default: return ExceptionContinueSearch;
  }
}
