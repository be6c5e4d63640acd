// Libraries with registration exports for the tests of RegisterServer, one per variant:
//   REGSERVER_NO_UNREGISTER  only DllRegisterServer is exported;
//   REGSERVER_RESULT         the answer of the exports (S_OK unless given);
//   REGISTER_RESULT          the answer of DllRegisterServer alone (REGSERVER_RESULT unless given).
// Every call appends "R" (register) or "U" (unregister) to the process's environment variable
// CORVANE_REGSERVER_CALLS, which outlives the library. What a call sees is recorded too, when asked:
//   CORVANE_REGSERVER_INI  a file copied at each call to "<file>.<n><R|U>", n the call's index in
//                          CORVANE_REGSERVER_CALLS;
//   CORVANE_REGSERVER_KEY  a key under HKEY_CLASSES_ROOT; "1" (present) or "0" is appended to
//                          CORVANE_REGSERVER_KEYS at each call.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#ifndef REGSERVER_RESULT
#define REGSERVER_RESULT S_OK
#endif
#ifndef REGISTER_RESULT
#define REGISTER_RESULT REGSERVER_RESULT
#endif

namespace {

std::string Variable(const char* Name) {
  std::string Value;
  const DWORD Size = GetEnvironmentVariableA(Name, nullptr, 0);
  if (Size > 0) {
    Value.resize(Size);
    Value.resize(GetEnvironmentVariableA(Name, Value.data(), Size));
  }
  return Value;
}

void Append(const char* Name, const std::string& Text) { SetEnvironmentVariableA(Name, (Variable(Name) + Text).c_str()); }

void Record(const char* Call) {
  const std::string Index = std::to_string(Variable("CORVANE_REGSERVER_CALLS").size());
  const std::string Ini = Variable("CORVANE_REGSERVER_INI");
  if (!Ini.empty()) CopyFileA(Ini.c_str(), (Ini + "." + Index + Call).c_str(), FALSE);
  const std::string Key = Variable("CORVANE_REGSERVER_KEY");
  if (!Key.empty()) {
    HKEY Opened = nullptr;
    const bool Present = RegOpenKeyExA(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, &Opened) == ERROR_SUCCESS;
    if (Present) RegCloseKey(Opened);
    Append("CORVANE_REGSERVER_KEYS", Present ? "1" : "0");
  }
  Append("CORVANE_REGSERVER_CALLS", Call);
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  Record("R");
  return REGISTER_RESULT;
}

#ifndef REGSERVER_NO_UNREGISTER
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  Record("U");
  return REGSERVER_RESULT;
}
#endif
