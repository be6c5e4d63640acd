// Libraries with registration exports for the tests of RegisterServer, one per variant:
//   REGSERVER_NO_UNREGISTER  only DllRegisterServer is exported;
//   REGSERVER_RESULT         the answer of the exports (S_OK unless given).
// Every call appends "R" (register) or "U" (unregister) to the process's environment variable
// CORVANE_REGSERVER_CALLS, which outlives the library.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#ifndef REGSERVER_RESULT
#define REGSERVER_RESULT S_OK
#endif

namespace {

void Record(const char* Call) {
  const char* Name = "CORVANE_REGSERVER_CALLS";
  std::string Calls;
  const DWORD Size = GetEnvironmentVariableA(Name, nullptr, 0);
  if (Size > 0) {
    Calls.resize(Size);
    Calls.resize(GetEnvironmentVariableA(Name, Calls.data(), Size));
  }
  Calls += Call;
  SetEnvironmentVariableA(Name, Calls.c_str());
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  Record("R");
  return REGSERVER_RESULT;
}

#ifndef REGSERVER_NO_UNREGISTER
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  Record("U");
  return REGSERVER_RESULT;
}
#endif
