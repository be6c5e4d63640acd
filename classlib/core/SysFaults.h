// Processor faults as exceptions, and the guarded call that every boundary of the program runs its
// work in: a structured-exception frame of the program's own that turns faults in the program's code
// into the exception classes below, with a C++ catch-all inside it, and the slot through which crash
// reporting sees every exception as it is raised.
#pragma once

#include <windows.h>

#include <string>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "classlib/core/SysUtils.h"

// A fault raised by the processor or the system, turned into an exception.
class EExternal : public Exception {
public:
  using Exception::Exception;
  DWORD ExceptionCode = 0;
  void* ExceptionAddress = nullptr;
};
class EExternalException : public EExternal {
public:
  using EExternal::EExternal;
};
class EAccessViolation : public EExternal {
public:
  using EExternal::EExternal;
};
class EPrivilege : public EExternal {
public:
  using EExternal::EExternal;
};
class EIntError : public EExternal {
public:
  using EExternal::EExternal;
};
class EDivByZero : public EIntError {
public:
  using EIntError::EIntError;
};
class ERangeError : public EIntError {
public:
  using EIntError::EIntError;
};
class EIntOverflow : public EIntError {
public:
  using EIntError::EIntError;
};
class EMathError : public EExternal {
public:
  using EExternal::EExternal;
};
class EInvalidOp : public EMathError {
public:
  using EMathError::EMathError;
};
class EZeroDivide : public EMathError {
public:
  using EMathError::EMathError;
};
class EOverflow : public EMathError {
public:
  using EMathError::EMathError;
};
class EUnderflow : public EMathError {
public:
  using EMathError::EMathError;
};

// Raises the exception that stands for a fault: C0000005 EAccessViolation "Access violation at
// address %p: %s of address %p" (read, write, execute; addresses at pointer width), C0000094
// EDivByZero, C0000095 EIntOverflow, C000008C ERangeError, C0000096 EPrivilege, C000008E EZeroDivide,
// C0000091 EOverflow, C0000093 EUnderflow, the other float codes EInvalidOp, any other code
// EExternalException "External exception %.8x". Info holds the record's first two parameters. The
// fault has been reported already: the throw does not reach crash reporting again.
[[noreturn]] void RaiseFaultException(DWORD Code, void* Address, ULONG_PTR Info0, ULONG_PTR Info1);

// Crash reporting's slot: called on the raising thread for every exception the program's frames see
// on the search pass (faults at the guard frames, C++ throws at the throw) and by the outermost
// filter. The hook must not raise. nullptr (the default) calls nothing.
using TRaiseHook = void (*)(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);
TRaiseHook SetRaiseHook(TRaiseHook Hook);  // returns the previous hook
void CallRaiseHook(PCONTEXT Context, PEXCEPTION_RECORD ExceptionRecord);

// The code and parameters of a C++ throw as the hook sees it: [0] the throw address, [1] the thrown
// object (adjusted to Exception* when it is one).
constexpr DWORD cLanguageExceptionCode = 0x0EEDFADE;
constexpr DWORD cLanguageReraiseCode = 0x0EEDFADF;
// The compiler's own exception codes on x86_64 ("GCC ", its unwind and forced-unwind codes).
constexpr bool IsCompilerExceptionCode(DWORD Code) { return (Code & 0xF0FFFFFFu) == 0x20474343u; }

// The registers of a context that differ in name between the architectures.
inline ULONG_PTR ContextProgramCounter(const CONTEXT& C) {
#ifdef _WIN64
  return C.Rip;
#else
  return C.Eip;
#endif
}
inline ULONG_PTR ContextStackPointer(const CONTEXT& C) {
#ifdef _WIN64
  return C.Rsp;
#else
  return C.Esp;
#endif
}
inline ULONG_PTR ContextFramePointer(const CONTEXT& C) {
#ifdef _WIN64
  return C.Rbp;
#else
  return C.Ebp;
#endif
}
inline void SetContextRegisters(CONTEXT& C, ULONG_PTR ProgramCounter, ULONG_PTR StackPointer, ULONG_PTR FramePointer) {
#ifdef _WIN64
  C.Rip = ProgramCounter;
  C.Rsp = StackPointer;
  C.Rbp = FramePointer;
#else
  C.Eip = ProgramCounter;
  C.Esp = StackPointer;
  C.Ebp = FramePointer;
#endif
}

// The throw the hook is being called for, on this thread; nullptr outside such a call.
struct TThrowInfo {
  const EXCEPTION_RECORD* Record;
  const std::type_info* Type;
  void* Object;                  // as thrown
  Exception* AsException;        // nullptr when the object is no Exception
  const std::exception* AsStd;   // nullptr when the object is no std::exception
};
const TThrowInfo* CurrentThrowInfo();
// The class name reported for a thrown type: ClassNameOf, with std::bad_alloc as "EOutOfMemory".
std::string ThrownClassName(const std::type_info& Type);
// The message of a thrown object: Exception::Message, std::exception::what, else "".
std::string ThrownMessage(const TThrowInfo& Throw);

// The outcome of one guarded call.
enum class TGuardResult { Returned, Raised, Dropped };

namespace sehguard_detail {
using TGuardedProc = void (*)(void* Data);
// Proc(Data) inside the frame, with a catch-all around it (Raised). Mode 0 passes the faults it does
// not translate on to the outer frames; mode 1 ends the call on them instead (Dropped).
TGuardResult Enter(TGuardedProc Proc, void* Data, int Mode);
}  // namespace sehguard_detail

// The one boundary funnel of the program. Runs Body() in a structured-exception frame of the program:
// - a fault in the program's own code (continuable, not a stack overflow) reaches crash reporting,
//   then becomes the exception class above, raised from the faulting instruction: the destructors of
//   Body's frames run and OnException gets it;
// - a C++ exception reaches crash reporting where it is thrown, and OnException gets it;
// - OnException runs inside the catch: `throw;` rethrows the exception for inspection and
//   std::current_exception() takes it; anything it raises is dropped;
// - a fault outside the program's code (a system library's) and a stack overflow reach crash
//   reporting and go on to the outer frames: the process ends through the outermost filter;
// - faults that system code handles itself never reach the frame.
// Nothing ever leaves GuardedCall by an exception. The result tells whether Body returned or raised.
template <class FBody, class FHandler>
TGuardResult GuardedCall(FBody&& Body, FHandler&& OnException) {
  struct TData {
    FBody& Body;
    FHandler& OnException;
  } Data{Body, OnException};
  return sehguard_detail::Enter(
      [](void* P) {
        TData& D = *static_cast<TData*>(P);
        try {
          D.Body();
        } catch (...) {
          try {
            D.OnException();
          } catch (...) {
          }
          throw;  // the frame's own catch-all ends the call with Raised
        }
      },
      &Data, 0);
}

// The same frame for crash reporting's own work: whatever Body raises is dropped, faults anywhere
// included (Dropped for those outside the program's code, Raised for the rest).
template <class FBody>
TGuardResult QuietCall(FBody&& Body) {
  using TBody = std::remove_reference_t<FBody>;
  return sehguard_detail::Enter([](void* P) { (*static_cast<TBody*>(P))(); },
                                const_cast<void*>(static_cast<const void*>(std::addressof(Body))), 1);
}
