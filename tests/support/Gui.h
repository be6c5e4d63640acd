// Support for tests that drive real windows: pumping, lookup by component name, message-box and
// file-dialog answerers, window capture to PNG and pixel probes.
#pragma once

#include "classlib/core/PngImage.h"
#include "classlib/gui/Boundary.h"
#include "classlib/gui/Forms.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <colordlg.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Fails the test when there is no display: without one, windows and boxes test nothing.
inline void RequireDisplay() {
  HDC DC = GetDC(nullptr);
  const int Width = DC ? GetDeviceCaps(DC, HORZRES) : 0;
  if (DC) ReleaseDC(nullptr, DC);
  char Display[256] = {};
  const bool HasDisplay = GetEnvironmentVariableA("DISPLAY", Display, sizeof(Display)) > 0;
  ASSERT_TRUE(HasDisplay && Width > 0 && GetSystemMetrics(SM_CXSCREEN) > 0) << "no display: run the test inside Xvfb";
}

// Handles messages until the queue stays empty for a moment (timers and posted chains settle).
inline void PumpUntilIdle(DWORD QuietMs = 50, DWORD MaxMs = 3000) {
  const DWORD Start = GetTickCount();
  DWORD LastBusy = GetTickCount();
  bool Updated = false;
  while (GetTickCount() - Start < MaxMs) {
    MSG Peek;
    if (PeekMessageA(&Peek, nullptr, 0, 0, PM_NOREMOVE)) {
      if (Peek.message == WM_QUIT) return;
      Application->ProcessMessages();
      LastBusy = GetTickCount();
      Updated = false;
    } else if (!Updated && Application->ActionUpdateHook) {
      Updated = true;
      CallGuarded([] { Application->ActionUpdateHook(); });  // the loop's idle step
    } else if (GetTickCount() - LastBusy >= QuietMs) {
      return;
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
}

// Handles messages until Done() holds or MaxMs pass; the final Done().
template <class F>
bool PumpUntil(F&& Done, DWORD MaxMs = 3000) {
  const DWORD Start = GetTickCount();
  while (!Done() && GetTickCount() - Start < MaxMs) {
    Application->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return Done();
}

// Whether Wnd is a system dialog ("#32770"), holding the control Item when Item is not 0
// (0xFFFF: a message box's text).
inline bool IsDialogWindow(HWND Wnd, int Item = 0) {
  char Class[64] = {};
  GetClassNameA(Wnd, Class, sizeof(Class));
  return std::string(Class) == "#32770" && (!Item || GetDlgItem(Wnd, Item));
}

// Posts a command to a utility window of its own: whether the message loop handled it (the next
// message after a failure still works).
inline bool PostedCommandHandled() {
  bool Handled = false;
  const HWND Wnd = AllocateHWnd([&](TMessage& M) {
    if (M.Msg == WM_COMMAND) Handled = true;
    else M.Result = DefWindowProcA(nullptr, M.Msg, M.WParam, M.LParam);
  });
  PostMessageA(Wnd, WM_COMMAND, 1, 0);
  PumpUntil([&] { return Handled; }, 2000);
  DeallocateHWnd(Wnd);
  return Handled;
}

// The component Name of Root as a T; a test failure when missing or of another class.
template <class T>
T* FindByName(TComponent* Root, const std::string& Name) {
  T* Result = dynamic_cast<T*>(Root ? Root->FindComponent(Name) : nullptr);
  if (!Result) ADD_FAILURE() << "no component " << Name << " of the expected class";
  return Result;
}

// The icon a dialog shows in its icon static control; nullptr when it has none.
inline HICON DialogIcon(HWND Dialog) {
  for (HWND Child = GetWindow(Dialog, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
    char Class[32] = {};
    GetClassNameA(Child, Class, sizeof(Class));
    if (lstrcmpiA(Class, "Static") == 0 && (GetWindowLongPtrA(Child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      return reinterpret_cast<HICON>(SendMessageA(Child, STM_GETICON, 0, 0));
  }
  return nullptr;
}

// Answers the message boxes of the calling thread from a queue of expected boxes (caption, text,
// button). An unexpected box fails the test with its text and is cancelled. Icons records the
// icon of every box seen.
class TMessageBoxAnswerer {
public:
  struct TExpected {
    std::string Caption, Text;
    int Button;
  };
  TMessageBoxAnswerer() : FHook(WH_CBT, [this](int Code, WPARAM W, LPARAM) { OnCbt(Code, reinterpret_cast<HWND>(W)); }) {}
  ~TMessageBoxAnswerer() {
    for (const TExpected& E : FExpected) ADD_FAILURE() << "message box not shown: " << E.Text;
  }
  void Expect(const std::string& Caption, const std::string& Text, int Button) { FExpected.push_back({Caption, Text, Button}); }
  int Seen() const { return FSeen; }
  size_t Pending() const { return FExpected.size(); }
  std::vector<HICON> Icons;

private:
  TWindowsHook FHook;
  std::deque<TExpected> FExpected;
  int FSeen = 0;
  void OnCbt(int Code, HWND Box) {
    if (Code != HCBT_ACTIVATE) return;
    if (!IsDialogWindow(Box, 0xFFFF)) return;
    char Buffer[4096] = {};
    GetDlgItemTextA(Box, 0xFFFF, Buffer, sizeof(Buffer));
    const std::string Text = Buffer;
    GetWindowTextA(Box, Buffer, sizeof(Buffer));
    const std::string Caption = Buffer;
    ++FSeen;
    Icons.push_back(DialogIcon(Box));
    int Button = IDCANCEL;
    if (FExpected.empty()) {
      ADD_FAILURE() << "unexpected message box: " << Text;
    } else {
      const TExpected E = FExpected.front();
      FExpected.pop_front();
      EXPECT_EQ(Caption, E.Caption);
      EXPECT_EQ(Text, E.Text);
      Button = E.Button;
    }
    PostMessageA(Box, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Box, Button)));
  }
};

// Answers the next common file dialogs: fills the file-name control (1148) and presses OK; with an
// empty answer presses Cancel. Several names for a multi-selection are given quoted: "\"a\" \"b\"".
// A box the dialog asks (as before overwriting) is answered from AnswerPrompt's queue and its text
// recorded in Prompts; without a queued answer it is left alone.
class TFileDialogAnswerer {
public:
  TFileDialogAnswerer() : FHook(WH_CBT, [this](int Code, WPARAM W, LPARAM) { OnCbt(Code, reinterpret_cast<HWND>(W)); }) {}
  void Answer(const std::string& Path) { FAnswers.push_back(Path); }
  void AnswerPrompt(int Button) { FPromptAnswers.push_back(Button); }
  std::string Caption;  // of the last dialog answered
  HWND Owner = nullptr;  // of the last dialog answered
  int Seen = 0;
  std::vector<std::string> Prompts;

private:
  TWindowsHook FHook;
  std::deque<std::string> FAnswers;
  std::deque<int> FPromptAnswers;
  void OnCbt(int Code, HWND Dialog) {
    if (Code != HCBT_ACTIVATE) return;
    if (!IsDialogWindow(Dialog)) return;
    char Buffer[1024] = {};
    if (!GetDlgItem(Dialog, 1148) && GetDlgItem(Dialog, 0xFFFF) && !FPromptAnswers.empty()) {
      GetDlgItemTextA(Dialog, 0xFFFF, Buffer, sizeof(Buffer));
      Prompts.push_back(Buffer);
      const int Button = FPromptAnswers.front();
      FPromptAnswers.pop_front();
      PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Dialog, Button)));
      return;
    }
    if (FAnswers.empty() || !GetDlgItem(Dialog, 1148)) return;
    const std::string Path = FAnswers.front();
    FAnswers.pop_front();
    GetWindowTextA(Dialog, Buffer, sizeof(Buffer));
    Caption = Buffer;
    Owner = GetWindow(Dialog, GW_OWNER);
    ++Seen;
    SetDlgItemTextA(Dialog, 1148, Path.c_str());
    const int Button = Path.empty() ? IDCANCEL : IDOK;
    PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Dialog, Button)));
  }
};

// Answers the next colour dialogs (known by their red-value field) by pressing Button, recording
// each one's owner.
class TColorDialogAnswerer {
public:
  explicit TColorDialogAnswerer(int Button = IDOK)
      : FButton(Button), FHook(WH_CBT, [this](int Code, WPARAM W, LPARAM) { OnCbt(Code, reinterpret_cast<HWND>(W)); }) {}
  int Seen = 0;
  HWND Owner = nullptr;  // of the last dialog answered

private:
  int FButton;
  TWindowsHook FHook;
  void OnCbt(int Code, HWND Dialog) {
    if (Code != HCBT_ACTIVATE) return;
    if (!IsDialogWindow(Dialog, COLOR_RED)) return;
    ++Seen;
    Owner = GetWindow(Dialog, GW_OWNER);
    PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(FButton, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Dialog, FButton)));
  }
};

// The window's screen pixels (with Redraw it is brought up and painted first; without, the screen
// is taken as it is, as for a drag image drawn over it), rows from the top.
class TWindowCapture {
public:
  explicit TWindowCapture(HWND Wnd, bool Redraw = true) {
    if (Redraw) {
      SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      PumpUntilIdle(30, 1000);
    }
    GetWindowRect(Wnd, &FRect);
    FWidth = FRect.right - FRect.left;
    FHeight = FRect.bottom - FRect.top;
    if (FWidth <= 0 || FHeight <= 0) return;
    HDC Screen = GetDC(nullptr);
    HDC Mem = CreateCompatibleDC(Screen);
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), FWidth, -FHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    HBITMAP Bmp = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Mem, Bmp);
    BitBlt(Mem, 0, 0, FWidth, FHeight, Screen, FRect.left, FRect.top, SRCCOPY);
    GdiFlush();
    const auto* P = static_cast<const uint32_t*>(Bits);
    FPixels.assign(P, P + static_cast<size_t>(FWidth) * FHeight);
    SelectObject(Mem, Old);
    DeleteObject(Bmp);
    DeleteDC(Mem);
    ReleaseDC(nullptr, Screen);
  }
  // The colour at a point of the window's client area, relative to Client's top left.
  COLORREF ClientPixel(HWND Client, int X, int Y) const {
    POINT P{X, Y};
    ClientToScreen(Client, &P);
    return At(P.x - FRect.left, P.y - FRect.top);
  }
  COLORREF At(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return CLR_INVALID;
    const uint32_t V = FPixels[static_cast<size_t>(Y) * FWidth + X];
    return RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF);
  }
  // Saves the picture as <screenshot folder>\Name.png; false when nothing was captured.
  bool SavePng(const std::string& Name) const {
    if (FPixels.empty()) return false;
    std::vector<uint32_t> Opaque(FPixels);
    for (uint32_t& V : Opaque) V |= 0xFF000000u;
    TPNGObject Png;
    Png.SetPixels(FWidth, FHeight, Opaque.data());
    CreateDirectoryA(ScreenshotFolder().c_str(), nullptr);
    Png.SaveToFile(ScreenshotFolder() + "\\" + Name + ".png");
    return true;
  }
  static std::string ScreenshotFolder() {
#ifdef CORVANE_SCREENSHOT_DIR
    return CORVANE_SCREENSHOT_DIR;
#else
    return "screenshots";
#endif
  }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

private:
  RECT FRect{};
  int FWidth = 0, FHeight = 0;
  std::vector<uint32_t> FPixels;
};

// The menu window shown now (nullptr when none).
inline HWND OpenMenuWindow() {
  DWORD Process = 0;
  for (HWND Wnd = FindWindowExA(nullptr, nullptr, "#32768", nullptr); Wnd; Wnd = FindWindowExA(nullptr, Wnd, "#32768", nullptr)) {
    GetWindowThreadProcessId(Wnd, &Process);
    if (Process == GetCurrentProcessId() && IsWindowVisible(Wnd)) return Wnd;
  }
  return nullptr;
}

// Runs Fn once the popup menu is open (from a timer of the menu's loop), then closes it unless Fn did.
class TWhileMenuOpen {
public:
  explicit TWhileMenuOpen(std::function<void(HWND Menu)> Fn)
      : FFn(std::move(Fn)), FTimer(60, [this] {
          HWND Menu = OpenMenuWindow();
          if (FDone || !Menu || ++FTicks < 3) return;
          FDone = true;
          FFn(Menu);
        }) {}
  bool Done() const { return FDone; }

private:
  std::function<void(HWND)> FFn;
  bool FDone = false;
  int FTicks = 0;
  TThreadTimer FTimer;
};

// Makes Form's top-level window the foreground window, which is where SendInput's input goes, and
// fails the test when it does not become it: another program's window may have been made the
// foreground window meanwhile. Every input step below checks this first.
inline bool BringToForeground(HWND Form) {
  const HWND Top = GetAncestor(Form, GA_ROOT);
  const auto IsForeground = [Top] { return GetForegroundWindow() == Top; };
  for (int Try = 0; Try < 5 && !IsForeground(); ++Try) {
    SetForegroundWindow(Top);
    PumpUntil(IsForeground, 500);
  }
  if (IsForeground()) return true;
  ADD_FAILURE() << "the form is not the foreground window (foreground: " << GetForegroundWindow() << ")";
  return false;
}

// SendInput of Count inputs once Form is the foreground window; false when it is not.
inline bool SendInputTo(HWND Form, const INPUT* Inputs, UINT Count) {
  if (!BringToForeground(Form)) return false;
  SendInput(Count, const_cast<INPUT*>(Inputs), sizeof(INPUT));
  return true;
}

// Moves the pointer to P (screen coordinates) over Form and returns once it has stayed there: under
// X the pointer follows a move asynchronously, and the echo of an earlier move can put it back.
inline bool MovePointerTo(HWND Form, POINT P) {
  INPUT In{};
  In.type = INPUT_MOUSE;
  In.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  In.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  In.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  const auto At = [P] {
    POINT Now;
    GetCursorPos(&Now);
    return Now.x == P.x && Now.y == P.y;
  };
  for (int Try = 0; Try < 5; ++Try) {
    if (!SendInputTo(Form, &In, 1)) return false;
    if (PumpUntil(At) && !PumpUntil([&] { return !At(); }, 250)) return true;
  }
  ADD_FAILURE() << "the pointer does not stay at " << P.x << "," << P.y;
  return false;
}

// A left click on Control (window-less ones too) through its parent's window.
inline void ClickThroughParent(TControl* Control) {
  const HWND Parent = Control->Parent()->Handle();
  const LPARAM At = MAKELPARAM(Control->Left() + Control->Width() / 2, Control->Top() + Control->Height() / 2);
  SendMessageA(Parent, WM_LBUTTONDOWN, MK_LBUTTON, At);
  SendMessageA(Parent, WM_LBUTTONUP, 0, At);
  PumpUntilIdle();
}

// Moves the pointer to P (screen coordinates) over Form and clicks the left button there.
inline bool LeftClickAt(HWND Form, POINT P) {
  if (!MovePointerTo(Form, P)) return false;
  INPUT In[2]{};
  In[0].type = In[1].type = INPUT_MOUSE;
  In[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  In[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  if (!SendInputTo(Form, In, 2)) return false;
  PumpUntilIdle(30);
  return true;
}

// Presses and releases the key Vk in Form.
inline bool TapKey(HWND Form, WORD Vk) {
  INPUT In[2]{};
  In[0].type = In[1].type = INPUT_KEYBOARD;
  In[0].ki.wVk = In[1].ki.wVk = Vk;
  In[1].ki.dwFlags = KEYEVENTF_KEYUP;
  if (!SendInputTo(Form, In, 2)) return false;
  PumpUntilIdle(30);
  return true;
}

// Puts Text on the clipboard as CF_TEXT.
inline void SetClipboardText(HWND Owner, const std::string& Text) {
  ASSERT_TRUE(OpenClipboard(Owner));
  EmptyClipboard();
  HGLOBAL Data = GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1);
  memcpy(GlobalLock(Data), Text.c_str(), Text.size() + 1);
  GlobalUnlock(Data);
  SetClipboardData(CF_TEXT, Data);
  CloseClipboard();
}

// Whether two colours differ by at most Tolerance in each channel.
inline bool NearColor(COLORREF A, COLORREF B, int Tolerance = 8) {
  return std::abs(GetRValue(A) - GetRValue(B)) <= Tolerance && std::abs(GetGValue(A) - GetGValue(B)) <= Tolerance &&
         std::abs(GetBValue(A) - GetBValue(B)) <= Tolerance;
}
