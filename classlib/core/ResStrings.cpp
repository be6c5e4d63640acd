// Resource strings through a replaceable loader.
#include "classlib/core/ResStrings.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<TResStringLoader> CurrentLoader{&DefaultResStringLoader};

// An object of this module: its address finds the module that holds the code.
const char ModuleAnchor = 0;

HMODULE ThisModule() {
  HMODULE Module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          &ModuleAnchor, &Module))
    return nullptr;
  return Module;
}

}  // namespace

std::string LoadResString(int Ident) {
  const TResStringLoader Loader = CurrentLoader.load();
  return Loader != nullptr ? Loader(Ident) : DefaultResStringLoader(Ident);
}

TResStringLoader SetResStringLoader(TResStringLoader Loader) {
  return CurrentLoader.exchange(Loader != nullptr ? Loader : &DefaultResStringLoader);
}

std::string DefaultResStringLoader(int Ident) {
  if (Ident < 0 || Ident > 0xFFFF) return std::string();
  const HMODULE Module = ThisModule();
  std::string Buffer(256, '\0');
  for (;;) {
    const int Len = LoadStringA(Module, static_cast<UINT>(Ident), &Buffer[0], static_cast<int>(Buffer.size()));
    if (Len <= 0) return std::string();
    // A text that fills the buffer may have been cut: try again with more room.
    if (Len < static_cast<int>(Buffer.size()) - 1 || Buffer.size() >= 65536) {
      Buffer.resize(static_cast<size_t>(Len));
      return Buffer;
    }
    Buffer.assign(Buffer.size() * 4, '\0');
  }
}
