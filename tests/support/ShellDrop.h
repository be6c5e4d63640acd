// A drop handle as the shell makes it for WM_DROPFILES: DROPFILES followed by the names, each
// ending in a zero, and one more zero. The receiver releases it (DragFinish).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

inline HGLOBAL MakeShellDrop(const std::vector<std::string>& Names) {
  std::string Block;
  for (const std::string& N : Names) Block += N + '\0';
  Block += '\0';
  const HGLOBAL Handle = GlobalAlloc(GHND, sizeof(DROPFILES) + Block.size());
  auto* Files = static_cast<DROPFILES*>(GlobalLock(Handle));
  Files->pFiles = sizeof(DROPFILES);
  Files->fWide = FALSE;
  memcpy(reinterpret_cast<char*>(Files) + sizeof(DROPFILES), Block.data(), Block.size());
  GlobalUnlock(Handle);
  return Handle;
}
