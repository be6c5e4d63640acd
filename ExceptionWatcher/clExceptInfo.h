// TclExceptionInformation: a copy of one exception as it was raised (register context, exception
// record, the thrown class's name and message, the thread's stack), kept after the exception is gone.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/SysFaults.h"

class TclExceptionInformation : public TObject {
public:
  // Copies Context (whole) and ExceptionRecord, and the stack from the context's stack pointer to
  // the thread's stack base when the context is one of the calling thread's. Throw, the capture's
  // description of a C++ throw, gives the class name and message; without it a language exception
  // record's parameter 1 is taken for an Exception.
  TclExceptionInformation(const CONTEXT* Context, const EXCEPTION_RECORD* ExceptionRecord,
                          const TThrowInfo* Throw = nullptr);

  PCONTEXT Context() { return &FContext; }
  PEXCEPTION_RECORD ExceptionRecord() { return &FRecord; }
  DWORD ExceptionCode() const { return FRecord.ExceptionCode; }
  // The language exception (code 0x0EEDFADE with more than one parameter) while it is being raised;
  // the object may be gone later: use ClassName and Message then.
  Exception* ExceptObject() const { return FExceptObject; }
  // Copies taken when the exception was recorded; HasClass is false for system exceptions and for
  // language exceptions of no known type.
  bool HasClass() const { return FHasClass; }
  const std::string& ExceptClassName() const { return FClassName; }
  const std::string& ExceptMessage() const { return FMessage; }

  // The stack copy: its first address and bytes (empty when none was taken).
  ULONG_PTR StackStart() const { return FStackStart; }
  const std::vector<unsigned char>& StackCopy() const { return FStack; }

private:
  alignas(16) CONTEXT FContext;
  EXCEPTION_RECORD FRecord;
  Exception* FExceptObject = nullptr;
  bool FHasClass = false;
  std::string FClassName;
  std::string FMessage;
  ULONG_PTR FStackStart = 0;
  std::vector<unsigned char> FStack;
};
