// Every C++ throw of a program linked with -Wl,--wrap=__cxa_throw passes here first, on x86_64: the
// thrower's context is its caller's, found by unwinding this unit's two frames by their unwind data.
#include <windows.h>

#include <typeinfo>

#include "classlib/core/SehGuardImpl.h"

extern "C" [[noreturn]] void __real___cxa_throw(void* Object, std::type_info* Type, void (*Destructor)(void*));

namespace {

__attribute__((noinline)) void ReportThrowHere(void* Object, std::type_info* Type) {
  CONTEXT Context;
  RtlCaptureContext(&Context);
  // This function's frame, then the wrapper's: what remains is the thrower at its throw call.
  for (int Frame = 0; Frame < 2; ++Frame) {
    DWORD64 ImageBase = 0;
    const PRUNTIME_FUNCTION Function = RtlLookupFunctionEntry(Context.Rip, &ImageBase, nullptr);
    if (Function == nullptr) return;
    PVOID HandlerData = nullptr;
    DWORD64 EstablisherFrame = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, ImageBase, Context.Rip, Function, &Context, &HandlerData,
                     &EstablisherFrame, nullptr);
  }
  sehguard_detail::ReportThrow(&Context, Object, Type);
}

}  // namespace

extern "C" [[noreturn]] void __wrap___cxa_throw(void* Object, std::type_info* Type, void (*Destructor)(void*)) {
  if (sehguard_detail::ThrowCaptureWanted()) ReportThrowHere(Object, Type);
  __real___cxa_throw(Object, Type, Destructor);
}
