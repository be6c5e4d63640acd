// Whole-file reads and writes for tests.
#pragma once

#include <windows.h>

#include <string>

// The whole file as bytes; false when it cannot be opened (it may be open for writing elsewhere).
inline bool ReadFileBytes(const std::string& FileName, std::string& Bytes) {
  Bytes.clear();
  HANDLE H = CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  char Buffer[65536];
  DWORD Read = 0;
  while (ReadFile(H, Buffer, sizeof(Buffer), &Read, nullptr) && Read > 0) Bytes.append(Buffer, Read);
  CloseHandle(H);
  return true;
}

// The file's bytes, or Missing when it cannot be opened.
inline std::string FileBytesOr(const std::string& FileName, const std::string& Missing) {
  std::string Bytes;
  return ReadFileBytes(FileName, Bytes) ? Bytes : Missing;
}

// Creates or truncates the file with exactly Bytes; false on failure.
inline bool WriteBytes(const std::string& FileName, const std::string& Bytes) {
  HANDLE H = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  DWORD Written = 0;
  BOOL Ok = Bytes.empty() || WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr);
  CloseHandle(H);
  return Ok && Written == Bytes.size();
}
