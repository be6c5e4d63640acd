// RegOverridePredefKey, which redirects a predefined key (HKEY_CURRENT_USER, HKEY_CLASSES_ROOT) to
// a scratch key of one's own.
#pragma once

#include <windows.h>

using TRegOverridePredefKey = LONG(WINAPI*)(HKEY, HKEY);

// advapi32's RegOverridePredefKey, looked up once; nullptr when the system lacks it.
inline TRegOverridePredefKey RegOverridePredefKeyProc() {
  static const TRegOverridePredefKey Proc = [] {
    const HMODULE Advapi = GetModuleHandleA("advapi32.dll");
    return Advapi == nullptr ? nullptr
                             : reinterpret_cast<TRegOverridePredefKey>(
                                   reinterpret_cast<void*>(GetProcAddress(Advapi, "RegOverridePredefKey")));
  }();
  return Proc;
}
