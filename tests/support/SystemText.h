// The system's message texts, as the code under test reports them.
#pragma once

#include <windows.h>

#include <string>

// The system's text for Code, trailing blanks, line breaks and "." cut.
inline std::string SystemText(DWORD Code) {
  char* Buffer = nullptr;
  const DWORD Len =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, Code, 0, reinterpret_cast<LPSTR>(&Buffer), 0, nullptr);
  std::string Result = Buffer != nullptr ? std::string(Buffer, Len) : std::string();
  if (Buffer != nullptr) LocalFree(Buffer);
  while (!Result.empty() && (static_cast<unsigned char>(Result.back()) <= ' ' || Result.back() == '.'))
    Result.pop_back();
  return Result;
}
