// Message boxes of the program's own thread answered from a list, for the in-process window tests.
#pragma once

#include "tests/support/Gui.h"

#include <string>
#include <vector>

// Answers every message box from a list in order, records caption and text, and saves a picture of
// each box whose entry names one.
class TBoxAnswers {
public:
  struct TBox {
    std::string Caption, Text;
  };
  struct TAnswer {
    int Button;
    std::string Picture;
  };
  TBoxAnswers() : FHook(WH_CBT, [this](int Code, WPARAM W, LPARAM) { OnCbt(Code, reinterpret_cast<HWND>(W)); }) {
    Current = this;
  }
  ~TBoxAnswers() { Current = nullptr; }
  void Answer(int Button, const std::string& Picture = "") { FAnswers.push_back({Button, Picture}); }
  std::vector<TBox> Boxes;

private:
  static inline TBoxAnswers* Current = nullptr;
  TWindowsHook FHook;
  std::vector<TAnswer> FAnswers;
  size_t FNext = 0;
  HWND FBox = nullptr;
  HWND FLastBox = nullptr;
  TAnswer FPending{};
  void OnCbt(int Code, HWND Box) {
    if (Code != HCBT_ACTIVATE) return;
    if (!IsDialogWindow(Box, 0xFFFF)) return;
    // A box activated again (the focus came back to it) is the same box.
    if (Box == FLastBox) return;
    FLastBox = Box;
    char Buffer[4096] = {};
    GetWindowTextA(Box, Buffer, sizeof(Buffer));
    TBox Seen{Buffer, ""};
    GetDlgItemTextA(Box, 0xFFFF, Buffer, sizeof(Buffer));
    Seen.Text = Buffer;
    Boxes.push_back(Seen);
    FPending = FNext < FAnswers.size() ? FAnswers[FNext++] : TAnswer{IDCANCEL, ""};
    FBox = Box;
    // Pressed once the box has been drawn.
    SetTimer(nullptr, 0, FPending.Picture.empty() ? 10 : 400, &Press);
  }
  static void CALLBACK Press(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    if (!Current || !Current->FBox) return;
    const HWND Box = Current->FBox;
    Current->FBox = nullptr;
    const TAnswer A = Current->FPending;
    if (!A.Picture.empty()) TWindowCapture(Box).SavePng(A.Picture);
    HWND Button = GetDlgItem(Box, A.Button);
    PostMessageA(Box, WM_COMMAND, MAKEWPARAM(A.Button, BN_CLICKED), reinterpret_cast<LPARAM>(Button));
  }
};
