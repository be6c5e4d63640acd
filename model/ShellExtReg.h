// Corvane's two calls into the shell extension: whether its class is registered, and running its
// registration exports by loading the library file.
#pragma once

#include <windows.h>

#include <string>

// {4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}, the class that Vellisk registers.
inline constexpr CLSID ShellExtClassID = {0x4E7B21D3, 0x9A5C, 0x4F08, {0xB6, 0xE1, 0x2C, 0x93, 0xD5, 0x7A, 0x0F, 0x64}};

enum TRegisterAction { raRegister = 0, raUnregister = 1 };

// "DllRegisterServer" or "DllUnregisterServer".
const char* RegisterProcName(TRegisterAction Action);

// Whether HKEY_CLASSES_ROOT\CLSID\<ShellExtClassID> opens with full access (without being created).
bool IsShellExtRegistered();

// Loads FileName, calls its export for Action and frees the library on every path. Raises
// "Failed to load \"%s\"", "%s procedure not found in \"%s\"" or "Call to %s failed in \"%s\"" (an
// answer other than S_OK).
void RegisterServer(const std::string& FileName, TRegisterAction Action);
