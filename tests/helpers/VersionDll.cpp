// A library that holds nothing but a version block (VersionDll.rc).
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl VersionDllMarker() { return 1; }
