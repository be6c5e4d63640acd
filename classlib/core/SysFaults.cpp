// Fault exceptions, the crash-reporting slot and the architecture-neutral half of the guard frame.
#include "classlib/core/SysFaults.h"

#include <atomic>
#include <new>

#include "classlib/core/Classes.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SehGuardImpl.h"
#include "resources/ResStrings.h"

namespace {

std::atomic<TRaiseHook> RaiseHookSlot{nullptr};
thread_local const TThrowInfo* ThreadThrowInfo = nullptr;
thread_local bool ThreadSkipThrowCapture = false;
// The exception last reported on this thread: the frames of one dispatch report it once.
struct TReported {
  const EXCEPTION_RECORD* Record;
  DWORD Code;
  void* Address;
};
thread_local TReported ThreadReported{nullptr, 0, nullptr};
// The fault a translation raises, kept by the frame handler for the thrower.
struct TStoredFault {
  DWORD Code;
  void* Address;
  ULONG_PTR Info0;
  ULONG_PTR Info1;
};
thread_local TStoredFault ThreadStoredFault{0, nullptr, 0, 0};

bool IsExecuteFault(const EXCEPTION_RECORD& Record) {
  return Record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && Record.NumberParameters > 0 &&
         Record.ExceptionInformation[0] == 8;
}

// Where a fault is judged and raised from: the faulting instruction, or for an execute fault the
// call that made it, whose return address is on top of the stack.
const void* FaultSite(const EXCEPTION_RECORD& Record, const CONTEXT& Context) {
  if (!IsExecuteFault(Record)) return Record.ExceptionAddress;
  return *reinterpret_cast<void* const*>(ContextStackPointer(Context));
}

template <class E>
[[noreturn]] void RaiseExternal(E&& Ex, DWORD Code, void* Address) {
  Ex.ExceptionCode = Code;
  Ex.ExceptionAddress = Address;
  throw std::forward<E>(Ex);
}

}  // namespace

[[noreturn]] void RaiseFaultException(DWORD Code, void* Address, ULONG_PTR Info0, ULONG_PTR Info1) {
  ThreadSkipThrowCapture = true;  // the fault was reported already
  ThreadReported = TReported{nullptr, 0, nullptr};
  switch (Code) {
    case EXCEPTION_ACCESS_VIOLATION: {
      const int Access = Info0 == 0 ? SReadAccess : Info0 == 8 ? SExecuteAccess : SWriteAccess;
      RaiseExternal(EAccessViolation(LoadResString(SAccessViolation),
                                     {Address, LoadResString(Access), reinterpret_cast<const void*>(Info1)}),
                    Code, Address);
    }
    case EXCEPTION_INT_DIVIDE_BY_ZERO: RaiseExternal(EDivByZero(LoadResString(SDivByZero)), Code, Address);
    case EXCEPTION_INT_OVERFLOW: RaiseExternal(EIntOverflow(LoadResString(SIntOverflow)), Code, Address);
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: RaiseExternal(ERangeError(LoadResString(SRangeError)), Code, Address);
    case EXCEPTION_PRIV_INSTRUCTION: RaiseExternal(EPrivilege(LoadResString(SPrivilege)), Code, Address);
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: RaiseExternal(EZeroDivide(LoadResString(SZeroDivide)), Code, Address);
    case EXCEPTION_FLT_OVERFLOW: RaiseExternal(EOverflow(LoadResString(SOverflow)), Code, Address);
    case EXCEPTION_FLT_UNDERFLOW: RaiseExternal(EUnderflow(LoadResString(SUnderflow)), Code, Address);
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_STACK_CHECK: RaiseExternal(EInvalidOp(LoadResString(SInvalidOp)), Code, Address);
    default: RaiseExternal(EExternalException(LoadResString(SExternalException), {Code}), Code, Address);
  }
}

TRaiseHook SetRaiseHook(TRaiseHook Hook) { return RaiseHookSlot.exchange(Hook); }

void CallRaiseHook(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord) {
  const TReported Now{ExceptionRecord, ExceptionRecord->ExceptionCode, ExceptionRecord->ExceptionAddress};
  if (Now.Record == ThreadReported.Record && Now.Code == ThreadReported.Code && Now.Address == ThreadReported.Address)
    return;
  ThreadReported = Now;
  if (const TRaiseHook Hook = RaiseHookSlot.load()) Hook(Context, ExceptionRecord);
}

const TThrowInfo* CurrentThrowInfo() { return ThreadThrowInfo; }

std::string ThrownClassName(const std::type_info& Type) {
  if (Type == typeid(std::bad_alloc)) return "EOutOfMemory";
  return ClassNameOf(Type);
}

std::string ThrownMessage(const TThrowInfo& Throw) {
  if (Throw.Type != nullptr && *Throw.Type == typeid(std::bad_alloc)) return LoadResString(SOutOfMemory);
  if (Throw.AsException != nullptr) return Throw.AsException->Message();
  if (Throw.AsStd != nullptr) return Throw.AsStd->what();
  return std::string();
}

namespace sehguard_detail {

bool IsProgramAddress(const void* Address) {
  // The lowest 64 KiB are never mapped; Wine names the program for address 0.
  if (reinterpret_cast<ULONG_PTR>(Address) < 0x10000) return false;
  HMODULE Module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(Address), &Module))
    return false;
  return Module == GetModuleHandleA(nullptr);
}

TFrameAction DecideFrameAction(const EXCEPTION_RECORD& Record, const CONTEXT& Context, int Mode) {
  if ((Record.ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) return TFrameAction::Ignore;
  if (IsCompilerExceptionCode(Record.ExceptionCode)) return TFrameAction::Ignore;
  // The faulting thread has only a few kilobytes of stack left: no report, no translation.
  if (Record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) return Mode == 1 ? TFrameAction::Drop : TFrameAction::End;
  if ((Record.ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0 && IsProgramAddress(FaultSite(Record, Context)))
    return TFrameAction::Translate;
  return Mode == 1 ? TFrameAction::Drop : TFrameAction::Pass;
}

void ReportFault(PCONTEXT Context, PEXCEPTION_RECORD Record) {
  if (!IsExecuteFault(*Record)) {
    CallRaiseHook(Context, Record);
    return;
  }
  // Nothing runs at the address called: the report starts at the call, with its return popped.
  CONTEXT AtCall = *Context;
  SetContextRegisters(AtCall, reinterpret_cast<ULONG_PTR>(FaultSite(*Record, *Context)),
                      ContextStackPointer(*Context) + sizeof(void*), ContextFramePointer(*Context));
  CallRaiseHook(&AtCall, Record);
}

TTranslation PrepareTranslation(const EXCEPTION_RECORD& Record, const CONTEXT& Context) {
  ThreadStoredFault = TStoredFault{Record.ExceptionCode, Record.ExceptionAddress,
                                   Record.NumberParameters > 0 ? Record.ExceptionInformation[0] : 0,
                                   Record.NumberParameters > 1 ? Record.ExceptionInformation[1] : 0};
  if (IsExecuteFault(Record)) return TTranslation{reinterpret_cast<ULONG_PTR>(FaultSite(Record, Context)), true};
  return TTranslation{reinterpret_cast<ULONG_PTR>(Record.ExceptionAddress) + 1, false};
}

void GuardBody(TGuardFrame* Frame) {
  try {
    Frame->Proc(Frame->Data);
  } catch (...) {
    Frame->Result = TGuardResult::Raised;
  }
}

TGuardResult Enter(TGuardedProc Proc, void* Data, int Mode) {
  TGuardFrame Frame{Proc, Data, Mode, TGuardResult::Returned};
  // The thread's storage is made now, not by the frame handler inside a fault.
  ThreadStoredFault.Code = 0;
  if (seh_guarded_call(&Frame) != 0) {
    ThreadReported = TReported{nullptr, 0, nullptr};
    return TGuardResult::Dropped;
  }
  return Frame.Result;
}

bool ThrowCaptureWanted() {
  const bool Skip = ThreadSkipThrowCapture;
  ThreadSkipThrowCapture = false;
  return !Skip && RaiseHookSlot.load() != nullptr;
}

void ReportThrow(PCONTEXT ThrowerContext, void* Object, const std::type_info* Type) {
  TThrowInfo Throw{nullptr, Type, Object, nullptr, nullptr};
  void* Adjusted = Object;
  if (typeid(Exception).__do_catch(Type, &Adjusted, 1)) Throw.AsException = static_cast<Exception*>(Adjusted);
  Adjusted = Object;
  if (typeid(std::exception).__do_catch(Type, &Adjusted, 1))
    Throw.AsStd = static_cast<const std::exception*>(Adjusted);
  EXCEPTION_RECORD Record{};
  Record.ExceptionCode = cLanguageExceptionCode;
  Record.ExceptionAddress = reinterpret_cast<void*>(ContextProgramCounter(*ThrowerContext));
  Record.NumberParameters = 2;
  Record.ExceptionInformation[0] = reinterpret_cast<ULONG_PTR>(Record.ExceptionAddress);
  Record.ExceptionInformation[1] =
      reinterpret_cast<ULONG_PTR>(Throw.AsException != nullptr ? static_cast<void*>(Throw.AsException) : Object);
  Throw.Record = &Record;
  ThreadThrowInfo = &Throw;
  CallRaiseHook(ThrowerContext, &Record);
  ThreadThrowInfo = nullptr;
}

}  // namespace sehguard_detail

// Entered from the frame handler's redirection, as if called by the faulting instruction.
extern "C" void sehguard_raise_stored_fault() {
  const TStoredFault Fault = ThreadStoredFault;
  RaiseFaultException(Fault.Code, Fault.Address, Fault.Info0, Fault.Info1);
}

extern "C" void sehguard_body(sehguard_detail::TGuardFrame* Frame) { sehguard_detail::GuardBody(Frame); }
