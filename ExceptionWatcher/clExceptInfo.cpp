// Snapshots of exceptions.
#include "ExceptionWatcher/clExceptInfo.h"

#include <cstring>

TclExceptionInformation::TclExceptionInformation(const CONTEXT* Context, const EXCEPTION_RECORD* ExceptionRecord,
                                                 const TThrowInfo* Throw) {
  std::memset(&FContext, 0, sizeof(FContext));
  std::memset(&FRecord, 0, sizeof(FRecord));
  if (Context != nullptr) FContext = *Context;
  if (ExceptionRecord != nullptr) {
    FRecord = *ExceptionRecord;
    FRecord.ExceptionRecord = nullptr;  // a nested record is not copied
  }
  if (FRecord.ExceptionCode == cLanguageExceptionCode && FRecord.NumberParameters > 1) {
    if (Throw != nullptr) {
      FExceptObject = Throw->AsException;
      FHasClass = Throw->Type != nullptr;
      if (FHasClass) {
        FClassName = ThrownClassName(*Throw->Type);
        FMessage = ThrownMessage(*Throw);
      }
    } else {
      FExceptObject = reinterpret_cast<Exception*>(FRecord.ExceptionInformation[1]);
      FHasClass = FExceptObject != nullptr;
      if (FHasClass) {
        FClassName = ClassNameOf(typeid(*FExceptObject));
        FMessage = FExceptObject->Message();
      }
    }
  }
  if (Context != nullptr) {
    // The stack's committed pages from the stack pointer's on end at the stack base.
    const ULONG_PTR Sp = ContextStackPointer(*Context);
    MEMORY_BASIC_INFORMATION Info;
    const char Local = 0;
    if (VirtualQuery(reinterpret_cast<LPCVOID>(Sp), &Info, sizeof(Info)) != 0 && Info.State == MEM_COMMIT &&
        VirtualQuery(&Local, &Info, sizeof(Info)) != 0) {
      const ULONG_PTR Base = reinterpret_cast<ULONG_PTR>(Info.BaseAddress) + Info.RegionSize;
      if (Sp >= reinterpret_cast<ULONG_PTR>(&Local) && Sp < Base) {
        FStackStart = Sp;
        FStack.assign(reinterpret_cast<const unsigned char*>(Sp), reinterpret_cast<const unsigned char*>(Base));
      }
    }
  }
}
