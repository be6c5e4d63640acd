// Reads the message boxes that the calling thread shows and presses one of their buttons: a CBT hook
// on the thread sees each box activated.
#pragma once

#include <windows.h>

#include <string>

class TMessageBoxWatcher {
public:
  // Button: the identifier pressed on every box (IDOK, IDNO, ...).
  explicit TMessageBoxWatcher(int Button) : FButton(Button) {
    Current = this;
    FHook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~TMessageBoxWatcher() {
    if (FHook != nullptr) UnhookWindowsHookEx(FHook);
    Current = nullptr;
  }
  TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
  TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

  bool Installed() const { return FHook != nullptr; }
  int Seen = 0;         // boxes activated
  std::string Text;     // of the last box
  std::string Caption;  // of the last box

private:
  static inline TMessageBoxWatcher* Current = nullptr;
  HHOOK FHook = nullptr;
  int FButton;

  static LRESULT CALLBACK Hook(int Code, WPARAM WParam, LPARAM LParam) noexcept {
    if (Code == HCBT_ACTIVATE && Current != nullptr) {
      const HWND Box = reinterpret_cast<HWND>(WParam);
      char ClassName[64] = {};
      GetClassNameA(Box, ClassName, sizeof(ClassName));
      if (std::string(ClassName) == "#32770") {
        char Buffer[4096] = {};
        GetDlgItemTextA(Box, 0xFFFF, Buffer, sizeof(Buffer));
        Current->Text = Buffer;
        GetWindowTextA(Box, Buffer, sizeof(Buffer));
        Current->Caption = Buffer;
        ++Current->Seen;
        PostMessageA(Box, WM_COMMAND, MAKEWPARAM(Current->FButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Box, Current->FButton)));
      }
    }
    return CallNextHookEx(nullptr, Code, WParam, LParam);
  }
};
