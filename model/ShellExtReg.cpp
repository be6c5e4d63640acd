#include "model/ShellExtReg.h"

#include "classlib/core/Registry.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "model/Utils.h"
#include "resources/strings/Utils.h"

namespace {

// A library loaded for one call, freed with the object.
class TLibrary {
public:
  explicit TLibrary(const std::string& FileName) : FHandle(LoadLibraryA(FileName.c_str())) {}
  ~TLibrary() {
    if (FHandle != nullptr) FreeLibrary(FHandle);
  }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  bool Loaded() const { return FHandle != nullptr; }
  FARPROC ProcAddress(const char* Name) const { return GetProcAddress(FHandle, Name); }

private:
  HMODULE FHandle;
};

using TRegisterProc = HRESULT(STDAPICALLTYPE*)();

}  // namespace

const char* RegisterProcName(TRegisterAction Action) {
  return Action == raUnregister ? "DllUnregisterServer" : "DllRegisterServer";
}

bool IsShellExtRegistered() {
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  return Registry.OpenKey("\\CLSID\\" + GUIDToString(ShellExtClassID), false);
}

void RegisterServer(const std::string& FileName, TRegisterAction Action) {
  const std::string ProcName = RegisterProcName(Action);
  TLibrary Library(FileName);
  if (!Library.Loaded()) throw Exception(Format(LoadResString(SFailedToLoadLibrary), {FileName}));
  const auto Proc = reinterpret_cast<TRegisterProc>(reinterpret_cast<void*>(Library.ProcAddress(ProcName.c_str())));
  if (Proc == nullptr) throw Exception(Format(LoadResString(SProcNotFoundInLibrary), {ProcName, FileName}));
  if (Proc() != S_OK) throw Exception(Format(LoadResString(SCallFailedInLibrary), {ProcName, FileName}));
}
