// Every C++ throw of a program linked with -Wl,--wrap=__cxa_throw passes here first, on i686: this
// unit keeps its frame pointers, and the thrower's context is found one link up the frame chain.
#include <windows.h>

#include <typeinfo>

#include "classlib/core/SehGuardImpl.h"

extern "C" [[noreturn]] void __real___cxa_throw(void* Object, std::type_info* Type, void (*Destructor)(void*));

namespace {

__attribute__((noinline)) void ReportThrowHere(void* Object, std::type_info* Type) {
  CONTEXT Context;
  RtlCaptureContext(&Context);
  // The capture answers its caller's caller, the wrapper; one link up is the thrower at its throw call.
  const DWORD* Link = reinterpret_cast<const DWORD*>(Context.Ebp);
  Context.Eip = Link[1];
  Context.Esp = Context.Ebp + 2 * sizeof(DWORD);
  Context.Ebp = Link[0];
  sehguard_detail::ReportThrow(&Context, Object, Type);
}

}  // namespace

extern "C" [[noreturn]] void __wrap___cxa_throw(void* Object, std::type_info* Type, void (*Destructor)(void*)) {
  if (sehguard_detail::ThrowCaptureWanted()) ReportThrowHere(Object, Type);
  __real___cxa_throw(Object, Type, Destructor);
}
