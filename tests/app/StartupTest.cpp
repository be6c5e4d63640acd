// Corvane.exe out of process: the Windows version check under Wine's per-program version, one copy
// at a time, and the start-up form's status line during the file-type scan.
#include "application/MultInst.h"
#include "tests/app/Driver.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const AppDefaults = "Software\\Wine\\AppDefaults\\Corvane.exe";

BOOL CALLBACK FindIconControl(HWND Child, LPARAM Param) noexcept {
  char Class[32] = {};
  GetClassNameA(Child, Class, sizeof(Class));
  if (lstrcmpiA(Class, "Static") != 0 || (GetWindowLongPtrA(Child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  *reinterpret_cast<HWND*>(Param) = Child;
  return FALSE;
}

// The icon control of a message box of another process; nullptr when it has none.
HWND BoxIconControl(HWND Box) {
  HWND Found = nullptr;
  EnumChildWindows(Box, FindIconControl, reinterpret_cast<LPARAM>(&Found));
  return Found;
}

// Which of the system's four message-box icons the box shows: the one whose own drawing, on the
// control's background, differs from the control's picture in the fewest pixels.
LPCSTR ShownBoxIcon(HWND Box, int* Mismatch = nullptr) {
  const HWND Control = BoxIconControl(Box);
  if (!Control) return nullptr;
  const TWindowCapture Shown(Control, false);
  const int W = Shown.Width(), H = Shown.Height();
  if (W <= 0 || H <= 0) return nullptr;
  const COLORREF Background = Shown.At(0, 0);
  LPCSTR Best = nullptr;
  int BestCount = W * H + 1;
  HDC Screen = GetDC(nullptr);
  HDC Mem = CreateCompatibleDC(Screen);
  HBITMAP Bmp = CreateCompatibleBitmap(Screen, W, H);
  HGDIOBJ Old = SelectObject(Mem, Bmp);
  HBRUSH Brush = CreateSolidBrush(Background);
  for (LPCSTR Id : {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK}) {
    RECT All{0, 0, W, H};
    FillRect(Mem, &All, Brush);
    DrawIconEx(Mem, 0, 0, LoadIconA(nullptr, Id), 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    int Count = 0;
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Count += GetPixel(Mem, X, Y) != Shown.At(X, Y);
    if (Count < BestCount) {
      BestCount = Count;
      Best = Id;
    }
  }
  DeleteObject(Brush);
  SelectObject(Mem, Old);
  DeleteObject(Bmp);
  DeleteDC(Mem);
  ReleaseDC(nullptr, Screen);
  if (Mismatch) *Mismatch = BestCount;
  return Best;
}

// The first message box of a program, what it says and the icon it shows; whether the program's
// main window showed before it.
struct TSeenBox {
  HWND Box = nullptr;
  bool MainSeen = false;
  TBoxText Text;
  LPCSTR Icon = nullptr;
  int IconMismatch = -1;
};

// Waits up to Ms for P's first message box, reads it once drawn and saves its picture as Picture.
TSeenBox AwaitBox(const TProgram& P, DWORD Ms, const std::string& Picture) {
  TSeenBox Seen;
  const DWORD Start = GetTickCount();
  while (!Seen.Box && GetTickCount() - Start < Ms && P.Running()) {
    Seen.Box = P.FindWindowOf("#32770");
    Seen.MainSeen = Seen.MainSeen || P.FindWindowOf("TfrmMain");
    Sleep(20);
  }
  if (!Seen.Box) return Seen;
  Sleep(300);
  TWindowCapture(Seen.Box).SavePng(Picture);
  Seen.Text = ReadBox(Seen.Box);
  Seen.Icon = ShownBoxIcon(Seen.Box, &Seen.IconMismatch);
  return Seen;
}

class StartupTest : public CorvaneCopyTest {
protected:
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, AppDefaults); }
  static void SetVersion(const std::string& Version) {
    HKEY Key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, AppDefaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(Key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(Version.c_str()), static_cast<DWORD>(Version.size() + 1));
    RegCloseKey(Key);
  }
  // Closes the main window; the program ends with 0.
  static void CloseMain(TProgram& P, HWND Main) {
    PostMessageA(Main, WM_CLOSE, 0, 0);
    EXPECT_EQ(P.WaitExit(20000), 0);
  }
};

TEST_F(StartupTest, WindowsNt4IsRefusedOthersStart) {
  SetVersion("nt40");
  {
    TProgram P(Program);
    ASSERT_TRUE(P.Valid());
    const TSeenBox Seen = AwaitBox(P, 60000, "app_box_windows_version");
    const HWND Box = Seen.Box;
    ASSERT_NE(Box, nullptr);
    EXPECT_EQ(Seen.Text.Caption, "Corvane 2007");
    EXPECT_EQ(Seen.Text.Text,
              "Your version of Microsoft Windows NT is not supported.\r\nCorvane requires Windows 98/Me/2000/XP or later "
              "to run properly.\r\n\r\n\x95 Press OK to close the application.");
    // MB_OK with an icon: one button, OK.
    EXPECT_NE(GetDlgItem(Box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(Box, IDCANCEL), nullptr);
    EXPECT_EQ(GetDlgItem(Box, IDNO), nullptr);
    EXPECT_EQ(Seen.Icon, IDI_EXCLAMATION);
    EXPECT_EQ(Seen.IconMismatch, 0);
    PressButton(Box, IDOK);
    EXPECT_EQ(P.WaitExit(10000), 0);
    EXPECT_FALSE(Seen.MainSeen);
  }
  for (const char* Version : {"win98", "win2k", "winxp"}) {
    SCOPED_TRACE(Version);
    SetVersion(Version);
    TProgram P(Program);
    const HWND Main = P.WaitWindow("TfrmMain", 60000);
    ASSERT_NE(Main, nullptr);
    CloseMain(P, Main);
  }
}

TEST_F(StartupTest, GuardWithoutItsMutexSaysSoAndStartUpGoesOn) {
  // An object of another kind holds the name: the mutex cannot be created.
  HANDLE Squatter = CreateEventA(nullptr, TRUE, FALSE, SingleInstanceName);
  ASSERT_NE(Squatter, nullptr);
  ASSERT_EQ(CreateMutexA(nullptr, FALSE, SingleInstanceName), nullptr);
  struct TClose {
    HANDLE H;
    ~TClose() { CloseHandle(H); }
  } Close{Squatter};
  TProgram P(Program);
  ASSERT_TRUE(P.Valid());
  const TSeenBox Seen = AwaitBox(P, 60000, "app_box_guard");
  ASSERT_NE(Seen.Box, nullptr);
  EXPECT_EQ(Seen.Text.Text, "Error creating mutex to check single instance");
  // Shown before the title is set: the program's name.
  EXPECT_EQ(Seen.Text.Caption, "Corvane");
  EXPECT_EQ(Seen.Icon, IDI_HAND);
  EXPECT_EQ(Seen.IconMismatch, 0);
  EXPECT_FALSE(Seen.MainSeen);
  PressButton(Seen.Box, IDOK);
  const HWND Main = P.WaitWindow("TfrmMain", 60000);
  ASSERT_NE(Main, nullptr);
  CloseMain(P, Main);
}

TEST_F(StartupTest, SecondCopyRestoresTheFirst) {
  TProgram A(Program);
  const HWND Main = A.WaitWindow("TfrmMain", 60000);
  ASSERT_NE(Main, nullptr);
  WaitForInputIdle(A.Process(), 10000);
  TWindowCapture(Main).SavePng("app_main_window");
  HANDLE Mutex = OpenMutexA(SYNCHRONIZE, FALSE, SingleInstanceName);
  EXPECT_NE(Mutex, nullptr);
  if (Mutex) CloseHandle(Mutex);
  ShowWindow(Main, SW_MINIMIZE);
  Sleep(300);
  ASSERT_TRUE(IsIconic(Main));
  {
    TProgram B(Program);
    bool Shown = false;
    const DWORD Start = GetTickCount();
    while (B.Running() && GetTickCount() - Start < 5000) {
      Shown = Shown || B.FindWindowOf("") != nullptr;
      Sleep(10);
    }
    EXPECT_EQ(B.WaitExit(0), 0);
    EXPECT_FALSE(Shown);
  }
  const DWORD Start = GetTickCount();
  while ((IsIconic(Main) || GetForegroundWindow() != Main) && GetTickCount() - Start < 5000) Sleep(20);
  EXPECT_FALSE(IsIconic(Main));
  EXPECT_EQ(GetForegroundWindow(), Main);
  CloseMain(A, Main);
  EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, SingleInstanceName), nullptr);
}

TEST_F(StartupTest, TwoCopiesStartedTogetherLeaveOne) {
  for (int Round = 0; Round < 3; ++Round) {
    SCOPED_TRACE(Round);
    TProgram A(Program), B(Program);
    // One ends at once; the other shows its main window.
    long Ended = -1;
    const DWORD Start = GetTickCount();
    while (GetTickCount() - Start < 60000) {
      if (!A.Running() || !B.Running()) break;
      Sleep(20);
    }
    TProgram& Gone = A.Running() ? B : A;
    TProgram& Staying = A.Running() ? A : B;
    Ended = Gone.WaitExit(0);
    EXPECT_EQ(Ended, 0);
    const HWND Main = Staying.WaitWindow("TfrmMain", 60000);
    ASSERT_NE(Main, nullptr);
    CloseMain(Staying, Main);
  }
}

TEST_F(StartupTest, LoadingFormRepaintsThroughTheScan) {
  // 2,000 file types make the scan long enough to watch.
  const int Count = 2000;
  auto Name = [](int I) { return "corvstfile" + std::to_string(I); };
  for (int I = 0; I < Count; ++I) {
    HKEY Key = nullptr;
    const std::string Ext = ".corvst" + std::to_string(I), Type = Name(I);
    RegCreateKeyExA(HKEY_CLASSES_ROOT, Ext.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
    RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Type.c_str()), static_cast<DWORD>(Type.size() + 1));
    RegCloseKey(Key);
    RegCreateKeyExA(HKEY_CLASSES_ROOT, Type.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
    RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("Scan fixture"), 13);
    RegCloseKey(Key);
  }
  struct TCleanup {
    int Count;
    ~TCleanup() {
      for (int I = 0; I < Count; ++I) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, (".corvst" + std::to_string(I)).c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvstfile" + std::to_string(I)).c_str());
      }
    }
  } Cleanup{Count};
  TProgram P(Program);
  const HWND Loading = P.WaitWindow("TfrmLoading", 60000);
  ASSERT_NE(Loading, nullptr);
  auto Title = [&] {
    char Text[256] = {};
    GetWindowTextA(P.FindWindowOf("TApplication", true), Text, sizeof(Text));
    return std::string(Text);
  };
  // The title is set right after the start-up form shows, and kept while the main window is made.
  const DWORD Shown = GetTickCount();
  while (Title() != "Corvane 2007 starting..." && GetTickCount() - Shown < 5000) Sleep(5);
  EXPECT_EQ(Title(), "Corvane 2007 starting...");
  EXPECT_TRUE(IsWindowVisible(Loading));
  // Two pictures of the form during the scan differ (the status line moved on).
  bool Differ = false;
  for (int Try = 0; Try < 20 && !Differ && IsWindowVisible(Loading); ++Try) {
    TWindowCapture First(Loading);
    Sleep(150);
    TWindowCapture Second(Loading);
    if (Try == 0) First.SavePng("app_loading_scan");
    if (First.Width() != Second.Width() || First.Width() == 0) continue;
    for (int Y = 0; Y < First.Height() && !Differ; ++Y)
      for (int X = 0; X < First.Width() && !Differ; ++X) Differ = First.At(X, Y) != Second.At(X, Y);
  }
  EXPECT_TRUE(Differ);
  const HWND Main = P.WaitWindow("TfrmMain", 120000);
  ASSERT_NE(Main, nullptr);
  WaitForInputIdle(P.Process(), 10000);
  EXPECT_EQ(Title(), "Corvane 2007");
  CloseMain(P, Main);
}

}  // namespace
