// Scratch folders and byte-exact file helpers for the INI tests.
#pragma once

#include "tests/support/Files.h"
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/TempDir.h"

// The INI tests' scratch folder.
using TScratchDir = TTempDir;

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string& FileName) { return FileBytesOr(FileName, "<missing>"); }

// Sets the last-write time to 2001-01-01 and answers it, 0 on failure.
inline uint64_t SetOldWriteTime(const std::string& FileName) {
  SYSTEMTIME St = {};
  St.wYear = 2001;
  St.wMonth = 1;
  St.wDay = 1;
  FILETIME Ft;
  SystemTimeToFileTime(&St, &Ft);
  HANDLE H = CreateFileA(FileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (H == INVALID_HANDLE_VALUE) return 0;
  BOOL Ok = SetFileTime(H, nullptr, nullptr, &Ft);
  CloseHandle(H);
  return Ok ? (static_cast<uint64_t>(Ft.dwHighDateTime) << 32) | Ft.dwLowDateTime : 0;
}

inline uint64_t WriteTime(const std::string& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &Data)) return 0;
  return (static_cast<uint64_t>(Data.ftLastWriteTime.dwHighDateTime) << 32) | Data.ftLastWriteTime.dwLowDateTime;
}
