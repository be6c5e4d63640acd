// Functions of system libraries that a process needs only on some paths: the library is loaded at
// the first call and stays loaded.
#pragma once

#include <windows.h>

// The address of Name in Library, loading the library when the process has not yet; nullptr when
// either is missing.
template <class F>
F SystemProc(const char* Library, const char* Name) {
  HMODULE Module = GetModuleHandleA(Library);
  if (Module == nullptr) Module = LoadLibraryA(Library);
  return Module != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, Name))) : nullptr;
}
