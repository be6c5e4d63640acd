// Corvane.exe's error box out of process on the test screen: for an INI file that cannot be
// written, a static caption too long for the registry and a missing Vellisk.DLL, the box and its
// OK button lie on the screen, the text begins with the error's message (a line too long for the
// box cut with "...") and a trace too long for it ends in the count of the frames left out; its
// frames with that count are those the program's debug output lists.
#include "tests/app/Driver.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The debug output of the prefix's processes while it lives (the system's DBWIN buffer protocol).
class TDebugOutput {
public:
  TDebugOutput() {
    FReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    FData = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    FMap = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    FView = FMap ? static_cast<const char*>(MapViewOfFile(FMap, FILE_MAP_READ, 0, 0, 4096)) : nullptr;
    FStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (FReady && FData && FView) FReader = std::thread([this] { Read(); });
  }
  ~TDebugOutput() {
    SetEvent(FStop);
    if (FReader.joinable()) FReader.join();
    if (FView) UnmapViewOfFile(FView);
    for (HANDLE H : {FMap, FData, FReady, FStop})
      if (H) CloseHandle(H);
  }
  bool Listening() const { return FReader.joinable(); }
  // The lines process Pid wrote so far.
  std::vector<std::string> Lines(DWORD Pid) {
    std::lock_guard<std::mutex> Guard(FLock);
    std::vector<std::string> Result;
    for (const auto& Line : FLines)
      if (Line.first == Pid) Result.push_back(Line.second);
    return Result;
  }

private:
  void Read() {
    SetEvent(FReady);
    const HANDLE Waits[] = {FStop, FData};
    while (WaitForMultipleObjects(2, Waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      DWORD Pid = 0;
      std::memcpy(&Pid, FView, sizeof(Pid));
      std::string Text(FView + sizeof(Pid), strnlen(FView + sizeof(Pid), 4096 - sizeof(Pid)));
      {
        std::lock_guard<std::mutex> Guard(FLock);
        FLines.emplace_back(Pid, std::move(Text));
      }
      SetEvent(FReady);
    }
  }
  HANDLE FReady = nullptr, FData = nullptr, FMap = nullptr, FStop = nullptr;
  const char* FView = nullptr;
  std::thread FReader;
  std::mutex FLock;
  std::vector<std::pair<DWORD, std::string>> FLines;
};

// The number of frames in the last trace of Lines: the lines between its two "------------".
int LastTraceFrames(const std::vector<std::string>& Lines) {
  int End = -1;
  for (int I = static_cast<int>(Lines.size()) - 1; I >= 0; --I) {
    if (Lines[static_cast<size_t>(I)] != "------------") continue;
    if (End < 0) {
      End = I;
    } else {
      return End - I - 1;
    }
  }
  return -1;
}

// The descendants of Parent for which Match holds, in window order; only visible ones unless All.
std::vector<HWND> Children(HWND Parent, const std::function<bool(HWND)>& Match, bool All = false) {
  std::vector<HWND> Result;
  for (HWND Child = GetWindow(Parent, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
    if (!All && !IsWindowVisible(Child)) continue;
    if (Match(Child)) Result.push_back(Child);
    for (HWND Inner : Children(Child, Match, All)) Result.push_back(Inner);
  }
  return Result;
}

HWND ChildWithText(HWND Parent, const std::string& Text, bool All = false) {
  const auto Found = Children(Parent, [&](HWND Wnd) {
    char Buffer[256] = {};
    GetWindowTextA(Wnd, Buffer, sizeof(Buffer));
    return Text == Buffer;
  }, All);
  return Found.empty() ? nullptr : Found.front();
}

// The first visible tree view (a window of a class that ends in "TreeView" or is the system's).
HWND VisibleTreeView(HWND Parent) {
  const auto Found = Children(Parent, [&](HWND Wnd) {
    char Buffer[64] = {};
    GetClassNameA(Wnd, Buffer, sizeof(Buffer));
    const std::string Class = Buffer;
    return Class == WC_TREEVIEWA || (Class.size() >= 8 && Class.compare(Class.size() - 8, 8, "TreeView") == 0);
  });
  return Found.empty() ? nullptr : Found.front();
}

// A message box of P other than Except, within Ms.
HWND BoxOf(const TProgram& P, HWND Except, DWORD Ms) {
  HWND Box = nullptr;
  PumpUntil([&] {
    Box = P.FindWindowOf("#32770");
    return !P.Running() || (Box && Box != Except);
  }, Ms);
  return Box != Except ? Box : nullptr;
}

bool OnScreen(const RECT& R) {
  return R.left >= 0 && R.top >= 0 && R.right <= GetSystemMetrics(SM_CXSCREEN) && R.bottom <= GetSystemMetrics(SM_CYSCREEN);
}

void SetClassValue(const std::string& Path, const std::string& Value) {
  HKEY Key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(Key);
}

class ErrorBoxTest : public CorvaneCopyTest {
protected:
  // A file type of the test's own for the static item.
  void SetUp() override {
    CorvaneCopyTest::SetUp();
    SetClassValue(".corverrbox", "corverrboxfile");
    SetClassValue("corverrboxfile", "Error box file");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".corverrbox");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "corverrboxfile");
  }
  // Starts the program and waits for its main window.
  // Starts the program and waits for its main window.
  HWND Start(TProgram& P) {
    const HWND Main = P.WaitWindow("TfrmMain", 60000);
    if (Main) WaitForInputIdle(P.Process(), 10000);
    return Main;
  }
  // Selects the static item of the INI file and toggles its "Active" box: the static menu is modified.
  void ModifyStaticItem(HWND Main) {
    const HWND Tree = VisibleTreeView(Main);
    ASSERT_NE(Tree, nullptr);
    const auto Root = reinterpret_cast<HTREEITEM>(SendMessageA(Tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    const auto Item = reinterpret_cast<HTREEITEM>(SendMessageA(Tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(Root)));
    ASSERT_NE(Item, nullptr);
    SendMessageA(Tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Item));
    const HWND Active = ChildWithText(Main, "A&ctive");
    ASSERT_NE(Active, nullptr);
    SendMessageA(Active, BM_CLICK, 0, 0);
  }
};

TEST_F(ErrorBoxTest, TheBoxFitsTheScreenWithTheMessageFirstAndTheFramesItLeavesOutCounted) {
  const std::string LongCaption(100000, 'c');
  struct TCase {
    const char* Name;
    std::string Caption;  // of the static item in the INI file; "" for none
    bool Unwritable;
    bool ShellExtension;  // the check box instead of Apply
    bool Cut;             // the message's first line is cut
  };
  const TCase Cases[] = {{"an INI file that cannot be written", "Error box item", true, false, false},
                         {"a static caption of 100,000 characters", LongCaption, false, false, true},
                         {"Enable Dynamic Items without Vellisk.DLL", "", false, true, false}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const std::string Ini = Dir.File("Corvane.ini");
    DeleteFileA(Ini.c_str());
    if (!C.Caption.empty())
      WriteBytes(Ini, "[Static Items]\r\nApplication0=notepad.exe\r\nParameters0=\"%1\"\r\nCaption0=" + C.Caption +
                          "\r\nChecked0=" + (C.Unwritable ? "1" : "0") + "\r\nFileType0=corverrboxfile\r\nCount=1\r\n");
    HANDLE Locked = INVALID_HANDLE_VALUE;
    struct TUnlock {
      HANDLE& File;
      ~TUnlock() {
        if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
      }
    } Unlock{Locked};
    TDebugOutput Output;
    ASSERT_TRUE(Output.Listening());
    TProgram P(Program);
    const HWND Main = Start(P);
    ASSERT_NE(Main, nullptr);
    HWND Before = nullptr;
    if (C.ShellExtension) {
      // On the second page; a click reaches it there too.
      const HWND Box = ChildWithText(Main, "Enable &Dynamic Items", true);
      ASSERT_NE(Box, nullptr);
      ASSERT_EQ(SendMessageA(Box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
      PostMessageA(Box, BM_CLICK, 0, 0);
      Before = BoxOf(P, nullptr, 20000);  // the warning before the registration
      ASSERT_NE(Before, nullptr);
      PressButton(Before, IDOK);
    } else {
      ModifyStaticItem(Main);
      // Held open without sharing, the file cannot be written (a read-only attribute would not stop root).
      if (C.Unwritable) {
        Locked = CreateFileA(Ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(Locked, INVALID_HANDLE_VALUE);
      }
      const HWND Apply = ChildWithText(Main, "Apply");
      ASSERT_NE(Apply, nullptr);
      ASSERT_TRUE(IsWindowEnabled(Apply));
      PostMessageA(Apply, BM_CLICK, 0, 0);
    }
    const HWND Box = BoxOf(P, Before, 120000);
    ASSERT_NE(Box, nullptr);
    PumpUntilIdle(100, 1000);
    RECT Frame{}, Ok{};
    GetWindowRect(Box, &Frame);
    GetWindowRect(GetDlgItem(Box, IDOK), &Ok);
    EXPECT_TRUE(OnScreen(Frame)) << Frame.left << "," << Frame.top << "-" << Frame.right << "," << Frame.bottom;
    EXPECT_TRUE(OnScreen(Ok)) << Ok.left << "," << Ok.top << "-" << Ok.right << "," << Ok.bottom;
    EXPECT_LT(Ok.top, Ok.bottom);
    const std::string Text = ReadBox(Box).Text;
    const std::string First = Text.substr(0, Text.find("\r\n"));
    EXPECT_EQ(First.size() >= 3 && First.compare(First.size() - 3, 3, "...") == 0, C.Cut) << First;
    EXPECT_NE(Text.find("\r\nInternal Application Problem\r\n"), std::string::npos) << Text;
    EXPECT_NE(First, "") << Text;
    if (C.ShellExtension) {
      EXPECT_EQ(First, "Failed to load \"" + Dir.File("Vellisk.DLL") + "\"");
    }
    // The trace: frame lines, then the count of those left out when there are more.
    int Frames = 0, Left = 0;
    for (size_t Begin = 0; Begin < Text.size();) {
      size_t End = Text.find("\r\n", Begin);
      if (End == std::string::npos) End = Text.size();
      const std::string Line = Text.substr(Begin, End - Begin);
      Begin = End + 2;
      unsigned long long Address = 0;
      char Rest[8] = {};
      if (sscanf(Line.c_str(), "%llX: %7s", &Address, Rest) == 2) ++Frames;
      sscanf(Line.c_str(), "(%d more frames not shown)", &Left);
    }
    EXPECT_GT(Frames, 0) << Text;
    EXPECT_LE(Frames + Left, 100) << Text;  // the tracer's most
    EXPECT_EQ(Frames + Left, LastTraceFrames(Output.Lines(P.Id()))) << Text;
    SaveScreen(std::string("app_error_box_") + (C.ShellExtension ? "extension" : C.Cut ? "long_caption" : "ini"));
    PressButton(Box, IDOK);
    if (Locked != INVALID_HANDLE_VALUE) CloseHandle(Locked);
    Locked = INVALID_HANDLE_VALUE;
    // The program goes on after the box; closing it, the changes the failed save left are dropped.
    PostMessageA(Main, WM_CLOSE, 0, 0);
    if (!C.ShellExtension) {
      const HWND Question = BoxOf(P, Box, 20000);
      ASSERT_NE(Question, nullptr);
      PressButton(Question, IDNO);
    }
    EXPECT_EQ(P.WaitExit(20000), 0);
  }
}

}  // namespace
