// Reading a minidump written by crash reporting.
#pragma once

#include <windows.h>

#include <dbghelp.h>

#include <string>

#include "tests/support/Files.h"

// The exception code of a minidump's exception stream; 0 when it has none or is no minidump.
inline DWORD DumpExceptionCode(const std::string& FileName) {
  std::string Bytes;
  if (!ReadFileBytes(FileName, Bytes) || Bytes.size() < sizeof(MINIDUMP_HEADER)) return 0;
  const auto* Header = reinterpret_cast<const MINIDUMP_HEADER*>(Bytes.data());
  if (Bytes.compare(0, 4, "MDMP") != 0) return 0;
  for (ULONG32 I = 0; I < Header->NumberOfStreams; ++I) {
    const size_t At = Header->StreamDirectoryRva + I * sizeof(MINIDUMP_DIRECTORY);
    if (At + sizeof(MINIDUMP_DIRECTORY) > Bytes.size()) return 0;
    const auto* Entry = reinterpret_cast<const MINIDUMP_DIRECTORY*>(Bytes.data() + At);
    if (Entry->StreamType != ExceptionStream) continue;
    if (Entry->Location.Rva + sizeof(MINIDUMP_EXCEPTION_STREAM) > Bytes.size()) return 0;
    return reinterpret_cast<const MINIDUMP_EXCEPTION_STREAM*>(Bytes.data() + Entry->Location.Rva)
        ->ExceptionRecord.ExceptionCode;
  }
  return 0;
}
