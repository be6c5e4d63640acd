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
// seh_fault_thrower: entered by redirection with the faulting address + 1 as its return address and
// the fault's code, address and two parameters above it; aligns the stack and raises the exception.
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
    .cfi_startproc
    pushl %ebp
    .cfi_def_cfa_offset 8
    .cfi_offset %ebp, -8
    movl %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl $-16, %esp
    subl $16, %esp
    movl 8(%ebp), %eax
    movl %eax, 0(%esp)
    movl 12(%ebp), %eax
    movl %eax, 4(%esp)
    movl 16(%ebp), %eax
    movl %eax, 8(%esp)
    movl 20(%ebp), %eax
    movl %eax, 12(%esp)
    call _sehguard_raise_fault
    .cfi_endproc
)");

extern "C" EXCEPTION_DISPOSITION __cdecl seh_guard_handler(PEXCEPTION_RECORD Record, void* EstablisherFrame,
                                                           PCONTEXT Context, void* DispatcherContext) {
  TRegistration* Registration = static_cast<TRegistration*>(EstablisherFrame);
  const TFrameAction Action = DecideFrameAction(*Record, Registration->Frame->Mode);
  if (Action == TFrameAction::Ignore) return ExceptionContinueSearch;
  // Too little stack is left for a report; outer system frames could even swallow the exception.
  if (Action == TFrameAction::End) TerminateProcess(GetCurrentProcess(), Record->ExceptionCode);
  CallRaiseHook(Context, Record);
  switch (Action) {
    case TFrameAction::Translate: {
      // A call of the thrower from the faulting instruction, with the fault as its arguments.
      DWORD* Stack = reinterpret_cast<DWORD*>(Context->Esp) - 5;
      Stack[0] = reinterpret_cast<DWORD>(Record->ExceptionAddress) + 1;
      Stack[1] = Record->ExceptionCode;
      Stack[2] = reinterpret_cast<DWORD>(Record->ExceptionAddress);
      Stack[3] = Record->NumberParameters > 0 ? Record->ExceptionInformation[0] : 0;
      Stack[4] = Record->NumberParameters > 1 ? Record->ExceptionInformation[1] : 0;
      Context->Esp = reinterpret_cast<DWORD>(Stack);
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
