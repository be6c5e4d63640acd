// Driving Corvane.exe from another process: starting it, finding its windows and message boxes,
// pressing their buttons, waiting for its end, and capturing the screen.
#pragma once

#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <windows.h>

#include <string>

class TProgram {
public:
  // Starts Path (its folder the current one) with Environment (a block of "NAME=value\0" entries ending
  // in a second "\0"; empty: the caller's); Valid() tells whether it started.
  explicit TProgram(const std::string& Path, std::string Environment = std::string()) {
    std::string Line = "\"" + Path + "\"";
    const std::string Folder = Path.substr(0, Path.find_last_of('\\') + 1);
    STARTUPINFOA Startup{};
    Startup.cb = sizeof(Startup);
    FStarted = CreateProcessA(Path.c_str(), Line.data(), nullptr, nullptr, FALSE, 0,
                              Environment.empty() ? nullptr : Environment.data(),
                              Folder.empty() ? nullptr : Folder.c_str(), &Startup, &FInfo) != FALSE;
  }
  // Ends a program still running (a failed test must not leave it behind).
  ~TProgram() {
    if (!FStarted) return;
    if (WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(FInfo.hProcess, 99);
      WaitForSingleObject(FInfo.hProcess, 5000);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
  }
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  bool Valid() const { return FStarted; }
  DWORD Id() const { return FInfo.dwProcessId; }
  HANDLE Process() const { return FInfo.hProcess; }
  // The exit code once the program ended within Ms; -1 when it still runs.
  long WaitExit(DWORD Ms) const {
    if (!FStarted || WaitForSingleObject(FInfo.hProcess, Ms) != WAIT_OBJECT_0) return -1;
    DWORD Code = 0;
    GetExitCodeProcess(FInfo.hProcess, &Code);
    return static_cast<long>(Code);
  }
  bool Running() const { return FStarted && WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT; }
  // Closes its window Main; the exit code as WaitExit gives it.
  long CloseWindow(HWND Main, DWORD Ms = 20000) const {
    PostMessageA(Main, WM_CLOSE, 0, 0);
    return WaitExit(Ms);
  }

  // A top-level window of the program of class ClassName ("" any), a visible one unless AnyState;
  // nullptr when none.
  HWND FindWindowOf(const std::string& ClassName, bool AnyState = false) const {
    TFind Find{FInfo.dwProcessId, &ClassName, AnyState, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&Find));
    return Find.Found;
  }
  // Waits up to Ms for a visible window of ClassName while the program runs.
  HWND WaitWindow(const std::string& ClassName, DWORD Ms) const {
    const DWORD Start = GetTickCount();
    do {
      if (HWND Wnd = FindWindowOf(ClassName)) return Wnd;
      Sleep(20);
    } while (GetTickCount() - Start < Ms && Running());
    return FindWindowOf(ClassName);
  }

private:
  struct TFind {
    DWORD Id;
    const std::string* Class;
    bool AnyState;
    HWND Found;
  };
  static BOOL CALLBACK FindProc(HWND Wnd, LPARAM Param) noexcept {
    auto* F = reinterpret_cast<TFind*>(Param);
    DWORD Pid = 0;
    GetWindowThreadProcessId(Wnd, &Pid);
    char Class[64] = {};
    GetClassNameA(Wnd, Class, sizeof(Class));
    if (Pid != F->Id || (!F->AnyState && !IsWindowVisible(Wnd)) || (!F->Class->empty() && *F->Class != Class)) return TRUE;
    F->Found = Wnd;
    return FALSE;
  }
  bool FStarted = false;
  PROCESS_INFORMATION FInfo{};
};

struct TBoxText {
  std::string Caption, Text;
};

// The caption and static text of a message box.
inline TBoxText ReadBox(HWND Box) {
  char Buffer[4096] = {};
  TBoxText Result;
  GetWindowTextA(Box, Buffer, sizeof(Buffer));
  Result.Caption = Buffer;
  Buffer[0] = 0;
  GetDlgItemTextA(Box, 0xFFFF, Buffer, sizeof(Buffer));
  Result.Text = Buffer;
  return Result;
}

// Presses Button of a dialog of another process.
inline void PressButton(HWND Box, int Button) {
  PostMessageA(Box, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Box, Button)));
}

// Copies the Corvane.exe built beside the running test to Path.
inline bool CopyCorvaneTo(const std::string& Path) {
  char Module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Module, sizeof(Module));
  std::string Folder = Module;
  Folder.resize(Folder.find_last_of('\\') + 1);
  return CopyFileA((Folder + "Corvane.exe").c_str(), Path.c_str(), FALSE) != FALSE;
}

// A test with a copy of Corvane.exe in a fresh folder, under the display.
class CorvaneCopyTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    Program = Dir.File("Corvane.exe");
    ASSERT_TRUE(CopyCorvaneTo(Program));
  }
  TTempDir Dir;
  std::string Program;
};

// The screen as a PNG picture Name in the screenshot folder.
inline bool SaveScreen(const std::string& Name) { return TWindowCapture(GetDesktopWindow()).SavePng(Name); }
