#include "classlib/gui/Clipbrd.h"

#include "classlib/core/SysUtils.h"
#include "classlib/gui/Forms.h"

#include <windows.h>

#include <cstring>

namespace {

// The clipboard open for the object's life; a failed open raises the system's error.
class TOpenClipboard {
public:
  TOpenClipboard() {
    HWND Owner = Application ? Application->Handle() : nullptr;
    // Another program may hold it for a moment.
    for (int Try = 0; Try < 10; ++Try) {
      if (OpenClipboard(Owner)) return;
      Sleep(10);
    }
    RaiseLastOSError();
  }
  ~TOpenClipboard() { CloseClipboard(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

}  // namespace

void TClipboard::SetAsText(const std::string& Text) {
  TOpenClipboard Open;
  EmptyClipboard();
  HGLOBAL Data = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, Text.size() + 1);
  if (!Data) RaiseLastOSError();
  char* Target = static_cast<char*>(GlobalLock(Data));
  std::memcpy(Target, Text.c_str(), Text.size() + 1);
  GlobalUnlock(Data);
  if (!SetClipboardData(CF_TEXT, Data)) {
    const DWORD Error = GetLastError();
    GlobalFree(Data);
    RaiseLastOSError(Error);
  }
}

std::string TClipboard::AsText() {
  TOpenClipboard Open;
  HANDLE Data = GetClipboardData(CF_TEXT);
  if (!Data) return std::string();
  const char* Text = static_cast<const char*>(GlobalLock(Data));
  std::string Result = Text ? Text : "";
  GlobalUnlock(Data);
  return Result;
}

TClipboard* Clipboard() {
  static TClipboard Instance;
  return &Instance;
}
