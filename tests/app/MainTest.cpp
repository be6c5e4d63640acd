// The main window and the start-up form in process: the program's folder is a test folder with a
// recording stand-in for Vellisk.DLL, the INI file a copy made by each test, and a foreign verb key
// marked for the static-verb cleanup.
#include "application/AppPaths.h"
#include "application/Loading.h"
#include "application/Main.h"
#include "ExceptionWatcher/hxException.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Menus.h"
#include "controls/RXCtrls.h"
#include "model/DynamicMenu.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "model/ShellExtReg.h"
#include "model/StaticItemsCleanup.h"
#include "model/StaticMenu.h"
#include "model/Utils.h"
#include "tests/app/Modal.h"
#include "tests/app/Boxes.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ModuleFolder() {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFilePath(Path);
}

std::string RegServerCalls() {
  char Buffer[256] = {};
  GetEnvironmentVariableA("CORVANE_REGSERVER_CALLS", Buffer, sizeof(Buffer));
  return Buffer;
}

bool KeyExists(HKEY Root, const std::string& Path) {
  HKEY Key = nullptr;
  if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_READ, &Key) != ERROR_SUCCESS) return false;
  RegCloseKey(Key);
  return true;
}

void SetKeyValue(HKEY Root, const std::string& Path, const std::string& Value) {
  HKEY Key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Root, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr), ERROR_SUCCESS) << Path;
  RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(Key);
}

// Section of Text, from its header to the next one.
std::string SectionOf(const std::string& Text, const std::string& Section) {
  const size_t Start = Text.find("[" + Section + "]");
  if (Start == std::string::npos) return "";
  const size_t End = Text.find("\r\n[", Start);
  std::string Result = Text.substr(Start, End == std::string::npos ? std::string::npos : End - Start);
  while (!Result.empty() && (Result.back() == '\n' || Result.back() == '\r')) Result.pop_back();
  return Result;
}

std::string SectionText(const std::string& File, const std::string& Section) {
  return SectionOf(FileBytesOr(File, ""), Section);
}

// The file type of the tests' items: a type counts when an extension names it.
class TTestFileType : public ::testing::Environment {
public:
  void SetUp() override {
    SetKeyValue(HKEY_CLASSES_ROOT, ".corvtest", "corvtestfile");
    SetKeyValue(HKEY_CLASSES_ROOT, "corvtestfile", "Corvane test file");
    SetKeyValue(HKEY_CLASSES_ROOT, ".corvtest2", "corvtestfile2");
    SetKeyValue(HKEY_CLASSES_ROOT, "corvtestfile2", "Corvane test file 2");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".corvtest");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "corvtestfile");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".corvtest2");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "corvtestfile2");
  }
};
const auto* const TestFileType = ::testing::AddGlobalTestEnvironment(new TTestFileType);

// A test folder as the program's folder, with the recording Vellisk.DLL.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    SetProgramFolder(Dir.Folder());
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "helpers_regserver_good.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
    for (const char* Name : RecordVariables) SetEnvironmentVariableA(Name, nullptr);
    Application->SetTitle(ProductTitle);
    Verb = "CorvaneTestVerb" + std::to_string(GetCurrentProcessId());
    Caption = "Corvane test " + std::to_string(GetCurrentProcessId());
    GetStaticItemsCleanup()->Reset();
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    PumpUntilIdle(10, 500);
    GetStaticItemsCleanup()->Reset();
    for (const std::string& Key : {"corvtestfile\\shell\\" + Caption + " (*)", "corvtestfile\\shell\\" + Caption + " 2 (*)",
                                   "corvtestfile\\shell\\" + Verb})
      RegDeleteTreeA(HKEY_CLASSES_ROOT, Key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(DisabledStaticItemsKey) + "corvtestfile\\shell\\" + Verb).c_str());
    SetProgramFolder("");
    for (const char* Name : RecordVariables) SetEnvironmentVariableA(Name, nullptr);
  }
  // The stand-in's records: its calls, and when asked, a copy of a file and a key's presence at each.
  static constexpr const char* RecordVariables[] = {"CORVANE_REGSERVER_CALLS", "CORVANE_REGSERVER_INI",
                                                    "CORVANE_REGSERVER_KEY", "CORVANE_REGSERVER_KEYS"};
  // Asks the stand-in to record the INI file and the foreign verb's key at each call.
  void RecordWhatCallsSee() {
    SetEnvironmentVariableA("CORVANE_REGSERVER_INI", Ini().c_str());
    SetEnvironmentVariableA("CORVANE_REGSERVER_KEY", ("corvtestfile\\shell\\" + Verb).c_str());
  }
  // The INI file as the stand-in's call number Index (R or U) saw it.
  std::string IniAtCall(int Index, char Call) const { return FileBytesOr(Ini() + "." + std::to_string(Index) + Call, ""); }
  static std::string Variable(const char* Name) {
    char Buffer[256] = {};
    GetEnvironmentVariableA(Name, Buffer, sizeof(Buffer));
    return Buffer;
  }
  std::string Ini() const { return Dir.File("Corvane.ini"); }
  // The INI file with one static and one dynamic item for corvtestfile.
  void WriteIni(const std::string& Extra = "") {
    WriteBytes(Ini(), "[Static Items]\r\nApplication0=notepad.exe\r\nParameters0=\"%1\"\r\nCaption0=" + Caption +
                          "\r\nChecked0=1\r\nFileType0=corvtestfile\r\nCount=1\r\n[Dynamic Items]\r\nParent1=0\r\n"
                          "Application1=notepad.exe\r\nParameters1=\"%1\"\r\nCaption1=Edit\r\nChecked1=1\r\n"
                          "FileType1=corvtestfile\r\nCount=1\r\n" + Extra);
  }
  void Open() {
    Form = new TfrmMain(Application);
    Form->Show();
    PumpUntilIdle();
  }
  template <class T>
  T* Get(const std::string& Name) {
    return FindByName<T>(Form, Name);
  }
  TStaticMenuItem* StaticItem() {
    TStaticMenuItem* Found = nullptr;
    Form->StaticMenu->ForEachItem([&](TStaticMenuItem* Item) { Found = Found ? Found : Item; });
    return Found;
  }
  TCustomMenuItem* DynamicItem() {
    TTreeItems* Root = Form->DynamicMenu->Items();
    for (int C = 0; C < Root->Count(); ++C)
      if (Root->GetItem(C)->Items()->Count() > 0) return dynamic_cast<TCustomMenuItem*>(Root->GetItem(C)->Items()->GetItem(0));
    return nullptr;
  }
  // Marks the foreign verb for disabling.
  void MarkForeignVerb() {
    SetKeyValue(HKEY_CLASSES_ROOT, "corvtestfile\\shell\\" + Verb + "\\command", "foreign.exe \"%1\"");
    GetStaticItemsCleanup()->Reset();
    TStaticItems* Items = GetStaticItemsCleanup()->GetStaticItems("\\corvtestfile\\shell");
    for (int I = 0; I < Items->GetCount(); ++I)
      if (EndsWith(Items->GetItem(I)->KeyPath, "\\" + Verb)) Items->SetDisabled(I, true);
    ASSERT_TRUE(GetStaticItemsCleanup()->Modified());
  }
  static bool EndsWith(const std::string& Text, const std::string& Tail) {
    return Text.size() >= Tail.size() && Text.compare(Text.size() - Tail.size(), Tail.size(), Tail) == 0;
  }
  bool ForeignVerbMoved() const {
    return !KeyExists(HKEY_CLASSES_ROOT, "corvtestfile\\shell\\" + Verb) &&
           KeyExists(HKEY_CURRENT_USER, std::string(DisabledStaticItemsKey) + "corvtestfile\\shell\\" + Verb);
  }
  void SetExtensionBox(bool Checked) {
    Form->Loading = true;
    Get<TCheckBox>("chkShellExt")->SetChecked(Checked);
    Form->Loading = false;
  }

  TTempDir Dir;
  TfrmMain* Form = nullptr;
  std::string Verb, Caption;
  TBoxAnswers Boxes;  // an unexpected box is cancelled, never left waiting
};

// ---------------------------------------------------------------------------------------------
// Start-up form

// The error box's text in a room of rows of 10 characters, 10 pixels each, 30 rows high.
TEST(ErrorBoxTextTest, FramesThatDoNotFitAreCountedAndTallLinesCut) {
  TErrorBoxRoom Room;
  Room.WrapWidth = 10;
  Room.LineHeight = 10;
  Room.MaxHeight = 500;
  Room.Height = [](const std::string& Line) { return 10 * std::max<int>(1, static_cast<int>((Line.size() + 9) / 10)); };
  const Exception E("Short");
  struct TCase {
    const char* Name;
    std::string Message;
    int Frames;      // in the trace
    int Shown;       // frame lines expected
    bool Cut;        // the first line ends in "..."
  };
  const TCase Cases[] = {{"all fit", "Short.", 2, 2, false},
                         {"some fit", "Short.", 30, -1, false},
                         {"a message of seven rows", std::string(70, 'y'), 2, 2, false},
                         {"a long message", std::string(1000, 'x'), 30, -1, true}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TclStackFrames Trace;
    for (int I = 0; I < C.Frames; ++I) {
      auto Frame = std::make_unique<TclStackFrame>();
      Frame->Address = 0x100 + I;
      Frame->ModuleName = "C:\\m.exe";
      Frame->ProcName = "f";
      Trace.Add(std::move(Frame));
    }
    const std::string Text = FitErrorBoxText(Room, [&](int Shown) {
      return C.Message + "\r\n" + ThxExceptionManager::FormatErrorMessage(E, &Trace, "x.dmp", Shown);
    });
    std::vector<std::string> Lines;
    for (size_t Begin = 0;;) {
      const size_t End = Text.find("\r\n", Begin);
      Lines.push_back(Text.substr(Begin, End == std::string::npos ? End : End - Begin));
      if (End == std::string::npos) break;
      Begin = End + 2;
    }
    int Height = 0, FrameLines = 0, Left = 0;
    for (const std::string& Line : Lines) {
      Height += Room.Height(Line);
      FrameLines += Line.find(": m.exe - f") != std::string::npos;
      sscanf(Line.c_str(), "(%d more frames not shown)", &Left);
    }
    EXPECT_LE(Height, Room.MaxHeight) << Text;
    EXPECT_EQ(FrameLines + Left, C.Frames) << Text;
    if (C.Shown >= 0) {
      EXPECT_EQ(FrameLines, C.Shown);
      EXPECT_EQ(Left, 0);
    } else {
      EXPECT_GT(Left, 0);
    }
    const bool Cut = Lines[0].size() >= 3 && Lines[0].compare(Lines[0].size() - 3, 3, "...") == 0;
    EXPECT_EQ(Cut, C.Cut) << Lines[0];
    if (C.Cut) {
      EXPECT_LE(Room.Height(Lines[0]), 8 * Room.LineHeight);
      EXPECT_EQ(Lines[0].substr(0, Lines[0].size() - 3), C.Message.substr(0, Lines[0].size() - 3));
    }
  }
}

TEST(LoadingTest, StatusLinePaintsOnlyAfterMoreThan60Ms) {
  RequireDisplay();
  double Now = 45000.0;
  SetStatusClock([&] { return Now; });
  ShowStatus("Nothing");  // no start-up form: nothing happens
  frmLoading = new TfrmLoading(Application);
  PumpUntilIdle();
  auto* Label = FindByName<TLabel>(frmLoading, "lblLoading");
  ASSERT_NE(Label, nullptr);
  EXPECT_EQ(Label->Caption(), "Initializing...");
  ResetStatusPump();
  struct TCase {
    double StepMs;
    bool Painted;
  };
  // The spans add up since the last pump: 10, 60 (not more than 60), 61, then 0, 59 and 260.
  const TCase Cases[] = {{10, false}, {50, false}, {1, true}, {0, false}, {59, false}, {201, true}};
  int Step = 0;
  for (const TCase& C : Cases) {
    Now += C.StepMs / 86400000.0;
    frmLoading->Invalidate();
    const std::string Text = "Step " + std::to_string(++Step);
    ShowStatus(Text);
    EXPECT_EQ(Label->Caption(), Text + "...");
    RECT Update{};
    EXPECT_EQ(GetUpdateRect(frmLoading->Handle(), &Update, FALSE) == FALSE, C.Painted) << "after " << C.StepMs << " ms";
    if (C.Painted) PumpUntilIdle(10, 200);
  }
  TWindowCapture(frmLoading->Handle()).SavePng("app_loading_form");
  Application->SetTitle("Corvane 2007 starting...");
  FreeLoadingForm();
  EXPECT_EQ(frmLoading, nullptr);
  EXPECT_EQ(Application->Title(), "Corvane 2007");
  ShowStatus("After");  // gone: nothing happens
  SetStatusClock(nullptr);
}

TEST(LoadingTest, QuitTakenByThePaintPumpStaysQueued) {
  RequireDisplay();
  auto Form = std::make_unique<TForm>(Application);
  Form->Show();
  PumpUntilIdle();
  InvalidateRect(Form->Handle(), nullptr, TRUE);
  PostQuitMessage(7);
  PumpPaintMessages();
  MSG Msg;
  ASSERT_TRUE(PeekMessageA(&Msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(Msg.wParam, 7u);
}

// A window painted between the pump's look at its paint message and the taking of it (a message
// another thread sent can do that): the pump returns instead of waiting for the next paint.
HWND GPaintedAtFirstLook = nullptr;

LRESULT CALLBACK PaintAtFirstLook(int Code, WPARAM Remove, LPARAM Param) {
  const MSG* Msg = reinterpret_cast<const MSG*>(Param);
  if (Code == HC_ACTION && GPaintedAtFirstLook && Msg->message == WM_PAINT && Msg->hwnd == GPaintedAtFirstLook) {
    ValidateRect(GPaintedAtFirstLook, nullptr);
    GPaintedAtFirstLook = nullptr;
  }
  return CallNextHookEx(nullptr, Code, Remove, Param);
}

TEST(LoadingTest, PaintGoneBeforeItIsTakenEndsThePump) {
  RequireDisplay();
  auto Form = std::make_unique<TForm>(Application);
  Form->Show();
  PumpUntilIdle();
  HHOOK Hook = SetWindowsHookExA(WH_GETMESSAGE, PaintAtFirstLook, nullptr, GetCurrentThreadId());
  ASSERT_NE(Hook, nullptr);
  InvalidateRect(Form->Handle(), nullptr, TRUE);
  GPaintedAtFirstLook = Form->Handle();
  // A pump that waits is woken after 5 s by painting to do.
  const HWND Window = Form->Handle();
  HANDLE Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread Watchdog([&] {
    if (WaitForSingleObject(Done, 5000) == WAIT_TIMEOUT) InvalidateRect(Window, nullptr, TRUE);
  });
  const DWORD Start = GetTickCount();
  PumpPaintMessages();
  const DWORD Spent = GetTickCount() - Start;
  SetEvent(Done);
  Watchdog.join();
  CloseHandle(Done);
  UnhookWindowsHookEx(Hook);
  EXPECT_EQ(GPaintedAtFirstLook, nullptr);  // the hook saw the paint message
  GPaintedAtFirstLook = nullptr;
  EXPECT_LT(Spent, 4000u);
}

// ---------------------------------------------------------------------------------------------
// The frame

// The start-up form's status line through the main window's creation: every text in its order, the
// scan's for each type it reads and the icons' for each type it keeps.
TEST_F(MainWindowTest, StatusLineFollowsTheScan) {
  const std::vector<std::string> Fixture = {"corvstatusa", "corvstatusb", "corvstatusc"};
  for (const std::string& Type : Fixture) {
    HKEY Key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ("." + Type).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Type.c_str()), static_cast<DWORD>(Type.size() + 1));
    RegCloseKey(Key);
    RegCreateKeyExA(HKEY_CLASSES_ROOT, Type.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
    RegCloseKey(Key);
  }
  struct TCleanup {
    const std::vector<std::string>& Types;
    ~TCleanup() {
      SetStatusClock(nullptr);
      FreeLoadingForm();
      for (const std::string& Type : Types) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("." + Type).c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, Type.c_str());
      }
    }
  } Cleanup{Fixture};
  frmLoading = new TfrmLoading(Application);
  auto* Label = FindByName<TLabel>(frmLoading, "lblLoading");
  ASSERT_NE(Label, nullptr);
  // The clock is read once per status, after the text is set.
  std::vector<std::string> Shown;
  double Now = 45000.0;
  SetStatusClock([&] {
    Shown.push_back(Label->Caption());
    return Now += 1.0 / 86400.0;
  });
  Open();
  const std::vector<std::string> Analyzed = [&] {
    std::vector<std::string> R;
    for (const std::string& Line : Shown)
      if (Line.rfind("Analyzing registered file type: ", 0) == 0) R.push_back(Line);
    return R;
  }();
  // Preparing, scanning, one line per type read, the end of the scan, one line per icon, ready.
  std::vector<std::string> Expected = {"Preparing application environment...", "Scanning file types..."};
  Expected.insert(Expected.end(), Analyzed.begin(), Analyzed.end());
  Expected.push_back("Ready to load registered file types' icons...");
  TFileTypes* Types = Form->FileTypes->FileTypes();
  ASSERT_GT(Types->Count(), 0);
  for (int I = 0; I < Types->Count(); ++I)
    Expected.push_back("Loading associated icon for " + Types->GetItem(I)->Name() + "...");
  Expected.push_back("Ready to start...");
  EXPECT_EQ(Shown, Expected);
  // The scan read the fixture's types in their order, each once.
  std::vector<std::string> FixtureLines;
  for (const std::string& Line : Analyzed)
    for (const std::string& Type : Fixture)
      if (Line == "Analyzing registered file type: " + Type + "...") FixtureLines.push_back(Type);
  EXPECT_EQ(FixtureLines, Fixture);
  for (const std::string& Type : Fixture) EXPECT_NE(Types->FindByName(Type), nullptr) << Type;
}

TEST_F(MainWindowTest, FrameCaptionPagesAndLimits) {
  Open();
  EXPECT_EQ(Form->Caption(), "Corvane 2007");
  const LONG_PTR Style = GetWindowLongPtrA(Form->Handle(), GWL_STYLE);
  EXPECT_TRUE(Style & WS_MINIMIZEBOX);
  EXPECT_FALSE(Style & WS_MAXIMIZEBOX);
  MINMAXINFO Info{};
  SendMessageA(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
  EXPECT_EQ(Info.ptMinTrackSize.x, 593);
  EXPECT_EQ(Info.ptMinTrackSize.y, 382);
  const char* const Descriptions[] = {
      "Manages static items of file objects context menus.\r\nStatic menu items are stored in the registry and very easy to handle by File Manager.",
      "Manages dynamic items of file objects context menus.\r\nDynamic items require to load a shell extension DLL when menu is about to be displayed.",
      "Unused static menu items cleanup.\r\nStatic menu items are deleted permanently from the registry.",
      "Unused context menu extensions cleanup.\r\nShell extension entries are deleted permanently from the registry."};
  const char* const Pages[] = {"Static Items", "Submenu Items", "Static Items Cleanup", "Shell Extensions Cleanup"};
  auto* Pgc = Get<TPageControl>("pgcMain");
  ASSERT_EQ(Pgc->PageCount(), 4);
  for (int I = 0; I < 4; ++I) {
    Pgc->SetActivePageIndex(I);
    Form->pgcMainChange(Pgc);
    PumpUntilIdle();
    EXPECT_EQ(Pgc->Pages(I)->Caption(), Pages[I]);
    EXPECT_EQ(Get<TLabel>("lblTabDescr")->Caption(), Descriptions[I]);
    EXPECT_EQ(Get<TLabel>("lblTabDescr")->Width(), Form->Width() - 160);
    TWindowCapture(Form->Handle()).SavePng("app_main_page" + std::to_string(I));
  }
  EXPECT_EQ(Get<TCustomActionList>("alMain")->ActionCount(), 35);
  EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
}

// The screen rectangle of a window's client area.
RECT ClientOnScreen(HWND Wnd) {
  RECT R{};
  GetClientRect(Wnd, &R);
  MapWindowPoints(Wnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&R), 2);
  return R;
}

bool Inside(const RECT& Inner, const RECT& Outer) {
  return Inner.left >= Outer.left && Inner.top >= Outer.top && Inner.right <= Outer.right && Inner.bottom <= Outer.bottom;
}

std::string ControlName(HWND Wnd) {
  TWinControl* C = FindControl(Wnd);
  char Class[64] = {};
  GetClassNameA(Wnd, Class, sizeof(Class));
  return C && !C->Name().empty() ? C->Name() : std::string("<") + Class + ">";
}

TEST_F(MainWindowTest, AtTheSmallestSizeEveryControlOfEveryPageLiesInsideTheWindow) {
  Open();
  Form->SetBounds(Form->Left(), Form->Top(), 593, 382);
  PumpUntilIdle();
  ASSERT_EQ(Form->Width(), 593);
  ASSERT_EQ(Form->Height(), 382);
  auto* Pgc = Get<TPageControl>("pgcMain");
  const RECT Window = ClientOnScreen(Form->Handle());
  for (int I = 0; I < 4; ++I) {
    SCOPED_TRACE(Pgc->Pages(I)->Caption());
    Pgc->SetActivePageIndex(I);
    Form->pgcMainChange(Pgc);
    PumpUntilIdle();
    std::function<void(HWND)> Check = [&](HWND Parent) {
      const RECT Client = ClientOnScreen(Parent);
      for (HWND Child = GetWindow(Parent, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(Child)) continue;
        RECT R{};
        GetWindowRect(Child, &R);
        EXPECT_TRUE(Inside(R, Client)) << ControlName(Child) << " in " << ControlName(Parent) << ": " << R.left << ","
                                       << R.top << "-" << R.right << "," << R.bottom << " in " << Client.left << ","
                                       << Client.top << "-" << Client.right << "," << Client.bottom;
        EXPECT_TRUE(Inside(R, Window)) << ControlName(Child);
        Check(Child);
      }
    };
    Check(Pgc->Pages(I)->Handle());
    TWindowCapture(Form->Handle()).SavePng("app_main_smallest_page" + std::to_string(I));
  }
  // The Submenu header band: no two of its controls overlap.
  auto* Band = Get<TWinControl>("GradientPanel6");
  for (int A = 0; A < Band->ControlCount(); ++A)
    for (int B = A + 1; B < Band->ControlCount(); ++B) {
      TControl* P = Band->Controls(A);
      TControl* Q = Band->Controls(B);
      const bool Apart = P->Left() + P->Width() <= Q->Left() || Q->Left() + Q->Width() <= P->Left() ||
                         P->Top() + P->Height() <= Q->Top() || Q->Top() + Q->Height() <= P->Top();
      EXPECT_TRUE(Apart) << P->Name() << " and " << Q->Name();
    }
}

TEST_F(MainWindowTest, ApplyIsPaintedWholeAfterTheWindowsEdgeIsDragged) {
  Open();
  ASSERT_TRUE(BringToForeground(Form->Handle()));
  PumpUntilIdle();
  RECT Frame{};
  GetWindowRect(Form->Handle(), &Frame);
  auto Move = [](POINT P) {
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    In.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    In.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return In;
  };
  // The bottom right corner pulled in, the press, moves and release in one go (the sizing loop
  // waits for them inside the press). A loaded display can lose the press to the loop's start:
  // the drag is made again until the window's size changes.
  RECT After = Frame;
  for (int Try = 0; Try < 3 && After.right - After.left == Frame.right - Frame.left; ++Try) {
    SCOPED_TRACE("drag " + std::to_string(Try + 1));
    const POINT From{Frame.right - 3, Frame.bottom - 3};
    ASSERT_TRUE(MovePointerTo(Form->Handle(), From));
    INPUT In[5]{};
    In[0].type = INPUT_MOUSE;
    In[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    In[1] = Move({From.x - 10, From.y - 5});
    In[2] = Move({From.x - 20, From.y - 10});
    In[3] = Move({From.x - 25, From.y - 12});
    In[4].type = INPUT_MOUSE;
    In[4].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_TRUE(SendInputTo(Form->Handle(), In, 5));
    PumpUntilIdle(100, 3000);
    GetWindowRect(Form->Handle(), &After);
  }
  EXPECT_LT(After.right - After.left, Frame.right - Frame.left) << "the window was not resized";
  auto* Apply = Get<TWinControl>("btnApply");
  auto Pixels = [&](const TWindowCapture& Shot) {
    std::vector<COLORREF> Result;
    for (int Y = 0; Y < Apply->Height(); ++Y)
      for (int X = 0; X < Apply->Width(); ++X) Result.push_back(Shot.ClientPixel(Apply->Handle(), X, Y));
    return Result;
  };
  const TWindowCapture AsLeft(Form->Handle(), false);
  AsLeft.SavePng("app_main_after_resize");
  const TWindowCapture Redrawn(Form->Handle());
  EXPECT_EQ(Pixels(AsLeft), Pixels(Redrawn));
}

TEST_F(MainWindowTest, OnlyTheFocusedFieldLooksSunken) {
  WriteIni();
  Open();
  auto* Pgc = Get<TPageControl>("pgcMain");
  Pgc->SetActivePageIndex(1);
  Form->pgcMainChange(Pgc);
  SetExtensionBox(true);
  ASSERT_NE(DynamicItem(), nullptr);
  DynamicItem()->Focus();
  PumpUntilIdle();
  auto* Details = Get<TWinControl>("pnlDynamicDetails");
  auto* Edit = Get<TWinControl>("edXParameters");
  // The details panel's edge, and the frame just outside the edit.
  auto Edge = [&](const TWindowCapture& Shot) {
    std::vector<COLORREF> Pixels;
    for (int X = 0; X < Details->Width(); X += 3) Pixels.push_back(Shot.ClientPixel(Details->Handle(), X, 0));
    for (int Y = 0; Y < Details->Height(); Y += 3) Pixels.push_back(Shot.ClientPixel(Details->Handle(), 0, Y));
    return Pixels;
  };
  auto FrameTop = [&](const TWindowCapture& Shot) {
    return Shot.ClientPixel(Edit->Handle(), Edit->Width() / 2, -2);
  };
  Form->SetActiveControl(Get<TWinControl>("tvXMenu"));
  PumpUntilIdle();
  const TWindowCapture TreeFocused(Form->Handle());
  Form->SetActiveControl(Edit);
  PumpUntilIdle();
  ASSERT_EQ(GetFocus(), Edit->Handle());
  const TWindowCapture EditFocused(Form->Handle());
  EditFocused.SavePng("app_main_focused_field");
  EXPECT_EQ(Edge(EditFocused), Edge(TreeFocused));
  EXPECT_EQ(FrameTop(EditFocused), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_NE(FrameTop(TreeFocused), GetSysColor(COLOR_BTNSHADOW));
}

TEST_F(MainWindowTest, IniBesideTheProgramGetsThePlacementAtClose) {
  Open();
  EXPECT_EQ(Form->IniFileName(), Dir.File("Corvane.ini"));
  Form->Close();
  PumpUntilIdle();
  EXPECT_NE(FileBytesOr(Ini(), "").find("[Corvane]"), std::string::npos);
  EXPECT_EQ(RegServerCalls(), "");  // start-up and closing call no export
}

TEST_F(MainWindowTest, ZU2001InTheWindowsFolderTakesEverything) {
  const std::string Windows = GetWindowsFolder() + "ZU2001.ini";
  ASSERT_FALSE(FileExists(Windows));
  WriteIni();
  ASSERT_TRUE(CopyFileA(Ini().c_str(), Windows.c_str(), FALSE));
  DeleteFileA(Ini().c_str());
  struct TRemove {
    std::string File;
    ~TRemove() { DeleteFileA(File.c_str()); }
  } Remove{Windows};
  Open();
  EXPECT_EQ(Form->IniFileName(), Windows);
  ASSERT_NE(DynamicItem(), nullptr);  // loaded from there
  DynamicItem()->SetCaption("Edited");
  SetExtensionBox(false);
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  Form->Close();
  PumpUntilIdle();
  EXPECT_NE(SectionText(Windows, "Dynamic Items").find("Caption1=Edited"), std::string::npos);
  EXPECT_NE(FileBytesOr(Windows, "").find("[Corvane]"), std::string::npos);
  EXPECT_FALSE(FileExists(Ini()));
}

TEST_F(MainWindowTest, ShellExtBoxFollowsTheClassKey) {
  const std::string ClassKey = "CLSID\\" + GUIDToString(ShellExtClassID);
  const bool WasRegistered = KeyExists(HKEY_CLASSES_ROOT, ClassKey);
  for (bool Registered : {true, false}) {
    if (Registered)
      SetKeyValue(HKEY_CLASSES_ROOT, ClassKey, "test");
    else
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey.c_str());
    Open();
    EXPECT_EQ(Get<TCheckBox>("chkShellExt")->Checked(), Registered);
    delete Form;
    Form = nullptr;
  }
  if (WasRegistered) SetKeyValue(HKEY_CLASSES_ROOT, ClassKey, "restored");
  EXPECT_EQ(RegServerCalls(), "");
}

// ---------------------------------------------------------------------------------------------
// Loading and the error log

TEST_F(MainWindowTest, LoadErrorsOfBothSectionsGoToOneLogAndOneQuestion) {
  WriteBytes(Ini(), "[Static Items]\r\nApplication0=a.exe\r\nCaption0=" + Caption +
                        "\r\nChecked0=1\r\nFileType0=nosuchtype.corvane\r\nCount=1\r\n[Dynamic Items]\r\nParent1=0\r\n"
                        "Application1=b.exe\r\nCaption1=B\r\nChecked1=2\r\nFileType1=nosuchtype.corvane\r\nCount=1\r\n");
  static std::vector<std::string> Opened;
  Opened.clear();
  const TShellOpenProc Old = SetShellOpenProc([](HWND, const std::string& Operation, const std::string& File, int) -> INT_PTR {
    Opened.push_back(Operation + " " + File);
    return 42;
  });
  Boxes.Answer(IDYES, "app_box_log_question");
  Open();
  SetShellOpenProc(Old);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Corvane 2007");
  EXPECT_EQ(Boxes.Boxes[0].Text,
            "There were some errors while loading menu items. Error log saved to \"log.txt\".\r\nDo you want to view the "
            "error log?\r\n\r\n\x95 Click \"Yes\" to view the error log;\r\n\x95 Click \"No\" to continue loading.");
  EXPECT_EQ(Opened, std::vector<std::string>{"open " + Dir.File("log.txt")});
  const std::string Log = FileBytesOr(Dir.File("log.txt"), "");
  char Date[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, Date, sizeof(Date));
  EXPECT_EQ(Log.rfind("Error log created: " + std::string(Date) + " ", 0), 0u) << Log;
  // After its first line, each header with the menu's own lines: the unknown type (both items moved
  // to the list's first type) and, for the dynamic item, the Checked value 2.
  ASSERT_NE(StaticItem(), nullptr);
  ASSERT_NE(DynamicItem(), nullptr);
  const std::string First = StaticItem()->GetFileType()->Description();
  EXPECT_EQ(DynamicItem()->GetFileType()->Description(), First);
  const std::string Rest = Log.substr(Log.find("\r\n") + 2);
  EXPECT_EQ(Rest, "Static items error log:\r\n"
                  "File type \"nosuchtype.corvane\" not found. Menu item \"" + Caption + "\" moved to category \"" +
                      First + "\".\r\n"
                  "Dynamic items error log:\r\n"
                  "File type \"nosuchtype.corvane\" not found. Menu item \"B\" moved to category \"" + First + "\".\r\n"
                  "Invalid value of \"Checked\" property for B menu item. Set to \"False\".\r\n");
  EXPECT_FALSE(DynamicItem()->Checked());
}

TEST_F(MainWindowTest, FolderThatCannotTakeTheLogShowsTheErrorAndLoadsBothMenus) {
  WriteBytes(Ini(), "[Static Items]\r\nApplication0=a.exe\r\nCaption0=" + Caption +
                        "\r\nChecked0=1\r\nFileType0=nosuchtype.corvane\r\nCount=1\r\n[Dynamic Items]\r\nParent1=0\r\n"
                        "Application1=b.exe\r\nCaption1=B\r\nChecked1=1\r\nFileType1=corvtestfile\r\nCount=1\r\n");
  ASSERT_TRUE(CreateDirectoryA(Dir.File("log.txt").c_str(), nullptr));  // log.txt cannot be a file
  std::string Expected;
  try {
    TFileStream Probe(Dir.File("log.txt"), fmCreate);
  } catch (Exception& E) {
    Expected = ErrorDisplayText(E.Message());
  }
  ASSERT_FALSE(Expected.empty());
  Boxes.Answer(IDOK, "app_box_error");
  Open();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, Expected);
  EXPECT_NE(StaticItem(), nullptr);
  EXPECT_NE(DynamicItem(), nullptr);
}

TEST_F(MainWindowTest, LongHintLoadsWhole) {
  const std::string Hint(5000, 'h');
  WriteIni();
  std::string Text = FileBytesOr(Ini(), "");
  Text.insert(Text.find("Checked1=1"), "Hint1=" + Hint + "\r\n");
  WriteBytes(Ini(), Text);
  Open();
  auto* Item = dynamic_cast<TDynamicMenuItem*>(DynamicItem());
  EXPECT_TRUE(Boxes.Boxes.empty());
  ASSERT_NE(Item, nullptr);
  EXPECT_EQ(Item->Hint(), Hint);
}

// ---------------------------------------------------------------------------------------------
// Apply

TEST_F(MainWindowTest, ApplyTable) {
  struct TCase {
    const char* Name;
    bool Static, Dynamic, Cleanup, Extension;
    const char* Calls;
  };
  const TCase Cases[] = {
      {"static only", true, false, false, true, ""},
      {"all three, extension on", true, true, true, true, "UR"},
      {"dynamic, extension off", false, true, false, false, ""},
      {"nothing", false, false, false, true, ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    WriteIni();
    SetEnvironmentVariableA("CORVANE_REGSERVER_CALLS", "");
    SetEnvironmentVariableA("CORVANE_REGSERVER_KEYS", "");
    RecordWhatCallsSee();
    Open();
    SetExtensionBox(C.Extension);
    const std::string Before = FileBytesOr(Ini(), "");
    const std::string NewCaption = Caption + " 2";
    if (C.Static) StaticItem()->SetCaption(NewCaption);
    if (C.Dynamic) DynamicItem()->SetCaption("Edited");
    if (C.Cleanup) MarkForeignVerb();
    PumpUntilIdle();
    EXPECT_EQ(Get<TButton>("btnApply")->Enabled(), C.Static || C.Dynamic || C.Cleanup);
    Form->Save();
    EXPECT_EQ(RegServerCalls(), C.Calls);
    EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, "corvtestfile\\shell\\" + NewCaption + " (*)"), C.Static);
    const std::string After = FileBytesOr(Ini(), "");
    EXPECT_EQ(SectionText(Ini(), "Dynamic Items").find("Caption1=Edited") != std::string::npos, C.Dynamic);
    if (!C.Dynamic) {
      EXPECT_EQ(SectionText(Ini(), "Dynamic Items"), SectionOf(Before, "Dynamic Items"));
    }
    if (!C.Static && !C.Dynamic) {
      EXPECT_EQ(After, Before);
    }
    if (C.Cleanup) {
      EXPECT_TRUE(ForeignVerbMoved());
    }
    if (std::string(C.Calls) == "UR") {
      // Unregistering saw the new static and the old dynamic section, registering both new; the
      // marked verb was still in place at both calls.
      const std::string AtUnregister = IniAtCall(0, 'U'), AtRegister = IniAtCall(1, 'R');
      EXPECT_NE(SectionOf(AtUnregister, "Static Items").find("Caption0=" + NewCaption), std::string::npos) << AtUnregister;
      EXPECT_EQ(SectionOf(AtUnregister, "Static Items"), SectionOf(After, "Static Items"));
      EXPECT_EQ(SectionOf(AtUnregister, "Dynamic Items"), SectionOf(Before, "Dynamic Items"));
      EXPECT_EQ(SectionOf(AtRegister, "Static Items"), SectionOf(After, "Static Items"));
      EXPECT_NE(SectionOf(AtRegister, "Dynamic Items").find("Caption1=Edited"), std::string::npos) << AtRegister;
      EXPECT_EQ(SectionOf(AtRegister, "Dynamic Items"), SectionOf(After, "Dynamic Items"));
      EXPECT_EQ(Variable("CORVANE_REGSERVER_KEYS"), "11");
    } else {
      EXPECT_EQ(Variable("CORVANE_REGSERVER_KEYS"), "");
    }
    PumpUntilIdle();
    EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
    EXPECT_FALSE(Form->Action("actApply")->Enabled());
    delete Form;
    Form = nullptr;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvtestfile\\shell\\" + NewCaption + " (*)").c_str());
  }
}

TEST_F(MainWindowTest, MovedItemMovesTheBuiltExtensionsRegistration) {
  ASSERT_TRUE(CopyFileA((ModuleFolder() + "Vellisk.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
  const std::string ClassKey = "CLSID\\" + GUIDToString(ShellExtClassID);
  const bool WasRegistered = KeyExists(HKEY_CLASSES_ROOT, ClassKey);
  WriteIni();
  RegisterServer(Dir.File("Vellisk.DLL"), raRegister);
  const std::string HandlerA = "corvtestfile\\shellex\\ContextMenuHandlers\\Corvane";
  const std::string HandlerB = "corvtestfile2\\shellex\\ContextMenuHandlers\\Corvane";
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, HandlerA));
  Open();
  ASSERT_TRUE(Get<TCheckBox>("chkShellExt")->Checked());
  TFileType* B = Form->FileTypes->FileTypes()->FindByName("corvtestfile2");
  ASSERT_NE(B, nullptr);
  DynamicItem()->SetFileType(B);
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, HandlerB));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerA));
  RegisterServer(Dir.File("Vellisk.DLL"), raUnregister);
  if (WasRegistered) SetKeyValue(HKEY_CLASSES_ROOT, ClassKey, "restored");
}

TEST_F(MainWindowTest, FailedWriteStopsTheSaveAndApplyStaysEnabled) {
  WriteIni();
  Open();
  SetExtensionBox(false);
  StaticItem()->SetCaption(Caption + " 2");
  DynamicItem()->SetCaption("Edited");
  MarkForeignVerb();
  const std::string Before = FileBytesOr(Ini(), "");
  {
    // Another program holds the file: the writes fail.
    HANDLE Lock = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
    Boxes.Boxes.clear();
    Boxes.Answer(IDOK);
    SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
    CloseHandle(Lock);
    EXPECT_EQ(Boxes.Boxes.size(), 1u);
  }
  // The verb key goes back to its stored caption with the failed save.
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "corvtestfile\\shell\\" + Caption + " 2 (*)"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "corvtestfile\\shell\\" + Caption + " (*)"));
  EXPECT_EQ(FileBytesOr(Ini(), ""), Before);
  EXPECT_FALSE(ForeignVerbMoved());
  EXPECT_EQ(RegServerCalls(), "");
  EXPECT_TRUE(Get<TButton>("btnApply")->Enabled());
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_NE(SectionText(Ini(), "Static Items").find("Caption0=" + Caption + " 2"), std::string::npos);
  EXPECT_NE(SectionText(Ini(), "Dynamic Items").find("Caption1=Edited"), std::string::npos);
  EXPECT_TRUE(ForeignVerbMoved());
  EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
}

// A renamed stored item and a deleted one, saved while another program holds the INI file: the
// keys stay as they were stored, and the next Apply after the file is free writes them.
TEST_F(MainWindowTest, AStaticSaveThatCannotWriteTheFilePutsTheVerbKeysBack) {
  const std::string Old = "corvtestfile\\shell\\" + Caption + " (*)";
  const std::string Renamed = "corvtestfile\\shell\\" + Caption + " 2 (*)";
  const std::string Other = "corvtestfile\\shell\\" + Verb + " (*)";
  for (DWORD Sharing : {DWORD(0), DWORD(FILE_SHARE_READ)}) {
    SCOPED_TRACE(Sharing == 0 ? "held without sharing" : "held for reading");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, Other.c_str());
    WriteIni();
    std::string Text = FileBytesOr(Ini(), "");
    Text.replace(Text.find("Count=1\r\n[Dynamic"), 9,
                 "Application1=other.exe\r\nParameters1=\"%1\"\r\nCaption1=" + Verb +
                     "\r\nChecked1=1\r\nFileType1=corvtestfile\r\nCount=2\r\n");
    WriteBytes(Ini(), Text);
    Open();
    ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Other));
    const std::string Before = FileBytesOr(Ini(), "");
    StaticItem()->SetCaption(Caption + " 2");
    TStaticMenuItem* Deleted = nullptr;
    Form->StaticMenu->ForEachItem([&](TStaticMenuItem* Item) { Deleted = Item->Caption() == Verb ? Item : Deleted; });
    ASSERT_NE(Deleted, nullptr);
    delete Deleted;
    HANDLE Held = CreateFileA(Ini().c_str(), GENERIC_READ, Sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    Boxes.Boxes.clear();
    Boxes.Answer(IDOK);
    SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
    CloseHandle(Held);
    EXPECT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Old));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Renamed));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Other));
    EXPECT_EQ(FileBytesOr(Ini(), ""), Before);
    EXPECT_TRUE(Get<TButton>("btnApply")->Enabled());
    SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
    EXPECT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Old));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Renamed));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Other));
    EXPECT_NE(SectionText(Ini(), "Static Items").find("Caption0=" + Caption + " 2\r\nChecked0=1"), std::string::npos);
    EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
    delete Form;
    Form = nullptr;
    RegDeleteTreeA(HKEY_CLASSES_ROOT, Renamed.c_str());
  }
  RegDeleteTreeA(HKEY_CLASSES_ROOT, Other.c_str());
}

// An INI file held by another program through the start-up is not read as one without menu items:
// a warning, empty menus, and a question before a save replaces what the file holds.
TEST_F(MainWindowTest, AnIniFileHeldThroughStartUpIsNeitherReadAsEmptyNorOverwrittenUnasked) {
  WriteIni();
  std::string Text = FileBytesOr(Ini(), "");
  Text.replace(Text.find("Caption1=Edit"), 13, "Caption1=Dyn One");
  Text.replace(Text.find("Count=1\r\n", Text.find("[Dynamic Items]")), 9,
               "Parent2=0\r\nApplication2=notepad.exe\r\nParameters2=\"%1\"\r\nCaption2=Dyn Two\r\nChecked2=1\r\n"
               "FileType2=corvtestfile\r\nCount=2\r\n");
  WriteBytes(Ini(), Text);
  const std::string Before = FileBytesOr(Ini(), "");
  HANDLE Held = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Held, INVALID_HANDLE_VALUE);
  Boxes.Answer(IDOK, "app_main_ini_unreadable");
  Open();
  CloseHandle(Held);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Corvane 2007");
  EXPECT_EQ(Boxes.Boxes[0].Text, "Cannot read menu items from file \"" + Ini() + "\". " + SysErrorMessage(32) +
                                     "\r\nThe menus start empty; Corvane will ask before saving menu items to this file.");
  EXPECT_EQ(StaticItem(), nullptr);
  EXPECT_EQ(Form->DynamicMenu->Items()->Count(), 0);
  EXPECT_FALSE(FileExists(Dir.File("log.txt")));
  EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());

  SetExtensionBox(true);
  Form->DynamicMenu->GetItems()->AddSubMenu()->SetCaption("Shown");
  PumpUntilIdle();
  const std::string Question = "Menu items could not be read from \"" + Ini() +
                               "\" at start-up.\r\nDo you want to replace the menu items stored in this file with the "
                               "ones shown?";
  // No: nothing is saved, neither by Apply nor by OK, which keeps the window.
  Boxes.Answer(IDNO, "app_main_ini_replace_question");
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  Boxes.Answer(IDNO);
  SendMessageA(Get<TButton>("btnOk")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  // The close question's Yes, then No: the window stays.
  Boxes.Answer(IDYES);
  Boxes.Answer(IDNO);
  Form->Close();
  PumpUntilIdle();
  ASSERT_EQ(Boxes.Boxes.size(), 5u);
  EXPECT_EQ(Boxes.Boxes[1].Text, Question);
  EXPECT_EQ(Boxes.Boxes[2].Text, Question);
  EXPECT_EQ(Boxes.Boxes[3].Text.rfind("Changes to menu items were made.", 0), 0u) << Boxes.Boxes[3].Text;
  EXPECT_EQ(Boxes.Boxes[4].Text, Question);
  EXPECT_TRUE(Form->Visible());
  EXPECT_EQ(FileBytesOr(Ini(), ""), Before);
  EXPECT_EQ(RegServerCalls(), "");
  EXPECT_TRUE(Get<TButton>("btnApply")->Enabled());
  // Yes: written.
  Boxes.Answer(IDYES);
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  ASSERT_EQ(Boxes.Boxes.size(), 6u);
  EXPECT_EQ(Boxes.Boxes[5].Text, Question);
  EXPECT_NE(SectionText(Ini(), "Dynamic Items").find("Caption1=Shown"), std::string::npos);
  EXPECT_EQ(SectionText(Ini(), "Dynamic Items").find("Dyn One"), std::string::npos);
  EXPECT_EQ(RegServerCalls(), "UR");
  EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
}

// A file that is free again within the retries loads as usual.
TEST_F(MainWindowTest, AnIniFileReleasedSoonAfterStartUpLoadsNormally) {
  WriteIni();
  HANDLE Held = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Held, INVALID_HANDLE_VALUE);
  std::thread Release([Held] {
    Sleep(300);
    CloseHandle(Held);
  });
  Open();
  Release.join();
  EXPECT_TRUE(Boxes.Boxes.empty());
  ASSERT_NE(StaticItem(), nullptr);
  EXPECT_EQ(StaticItem()->Caption(), Caption);
  ASSERT_NE(DynamicItem(), nullptr);
  EXPECT_EQ(DynamicItem()->Caption(), "Edit");
  EXPECT_FALSE(Get<TButton>("btnApply")->Enabled());
}

TEST_F(MainWindowTest, FailedWriteWithTheExtensionOnRegistersItAgain) {
  WriteIni();
  Open();
  SetExtensionBox(true);
  DynamicItem()->SetCaption("Edited");
  HANDLE Lock = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  Boxes.Answer(IDOK);
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  CloseHandle(Lock);
  EXPECT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(RegServerCalls(), "UR");
}

TEST_F(MainWindowTest, FailingRegistrationShowsTheFoundState) {
  ASSERT_TRUE(CopyFileA((ModuleFolder() + "helpers_regserver_fail.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
  WriteIni();
  Open();
  SetExtensionBox(true);
  DynamicItem()->SetCaption("Edited");
  MarkForeignVerb();
  Boxes.Answer(IDOK);
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(RegServerCalls(), "U");
  EXPECT_EQ(Get<TCheckBox>("chkShellExt")->Checked(), IsShellExtRegistered());
  EXPECT_FALSE(ForeignVerbMoved());
}

TEST_F(MainWindowTest, FailingRegisterAloneKeepsTheWrittenSectionAndShowsTheFoundState) {
  ASSERT_TRUE(CopyFileA((ModuleFolder() + "helpers_regserver_regfail.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
  const std::string ClassKey = "CLSID\\" + GUIDToString(ShellExtClassID);
  const bool WasRegistered = KeyExists(HKEY_CLASSES_ROOT, ClassKey);
  for (const bool Registered : {false, true}) {
    SCOPED_TRACE(Registered ? "class key present" : "class key absent");
    if (Registered)
      SetKeyValue(HKEY_CLASSES_ROOT, ClassKey, "found");
    else
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey.c_str());
    WriteIni();
    SetEnvironmentVariableA("CORVANE_REGSERVER_CALLS", "");
    Open();
    SetExtensionBox(true);
    DynamicItem()->SetCaption("Edited");
    MarkForeignVerb();
    Boxes.Boxes.clear();
    Boxes.Answer(IDOK, Registered ? "" : "app_box_register_failed");
    SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
    EXPECT_EQ(RegServerCalls(), "UR");
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Text,
              ErrorDisplayText("Call to DllRegisterServer failed in \"" + Dir.File("Vellisk.DLL") + "\""));
    EXPECT_NE(SectionText(Ini(), "Dynamic Items").find("Caption1=Edited"), std::string::npos);
    EXPECT_FALSE(ForeignVerbMoved());
    EXPECT_EQ(Get<TCheckBox>("chkShellExt")->Checked(), Registered);
    EXPECT_TRUE(Get<TButton>("btnApply")->Enabled());  // the cleanup is still to be applied
    delete Form;
    Form = nullptr;
    GetStaticItemsCleanup()->Reset();
  }
  RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey.c_str());
  if (WasRegistered) SetKeyValue(HKEY_CLASSES_ROOT, ClassKey, "restored");
}

TEST_F(MainWindowTest, ApplyThenCloseLeavesBothNewSectionsAndThePlacement) {
  WriteIni();
  Open();
  SetExtensionBox(false);
  StaticItem()->SetCaption(Caption + " 2");
  DynamicItem()->SetCaption("Edited");
  PumpUntilIdle();
  SendMessageA(Get<TButton>("btnApply")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  ASSERT_FALSE(Get<TButton>("btnApply")->Enabled());
  SendMessageA(Get<TButton>("btnCancel")->Handle(), BM_CLICK, 0, 0);  // nothing left to ask about
  PumpUntilIdle();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  const std::string Text = FileBytesOr(Ini(), "");
  EXPECT_NE(SectionOf(Text, "Static Items").find("Caption0=" + Caption + " 2"), std::string::npos) << Text;
  EXPECT_NE(SectionOf(Text, "Dynamic Items").find("Caption1=Edited"), std::string::npos) << Text;
  EXPECT_NE(Text.find("[Corvane]"), std::string::npos) << Text;
}

TEST_F(MainWindowTest, CheckBoxRegistersAndUnregisters) {
  Open();
  SetExtensionBox(false);
  auto* Box = Get<TCheckBox>("chkShellExt");
  auto Click = [&] {
    SendMessageA(Box->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
  };
  Boxes.Answer(IDOK, "app_box_important");
  Click();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text,
            "IMPORTANT: In case of deleting or moving Corvane\r\nbe sure to UNMARK this check box.\r\nIf not, there will "
            "be unresolved links in your system registry.");
  EXPECT_TRUE(Box->Checked());
  EXPECT_EQ(RegServerCalls(), "R");
  Click();
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(RegServerCalls(), "RU");
  // A failing call: an error box, and the box shows what the registry holds.
  ASSERT_TRUE(CopyFileA((ModuleFolder() + "helpers_regserver_fail.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
  SetEnvironmentVariableA("CORVANE_REGSERVER_CALLS", "");
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  Click();
  ASSERT_EQ(Boxes.Boxes.size(), 3u);
  EXPECT_EQ(Boxes.Boxes[2].Text,
            ErrorDisplayText("Call to DllRegisterServer failed in \"" + Dir.File("Vellisk.DLL") + "\""));
  EXPECT_EQ(RegServerCalls(), "R");
  EXPECT_EQ(Box->Checked(), IsShellExtRegistered());
}

// ---------------------------------------------------------------------------------------------
// Closing

TEST_F(MainWindowTest, CloseQuestionAnswers) {
  const std::string Question =
      "Changes to menu items were made. Do you want to apply them before exit?\r\n\r\n\x95 Select \"Yes\" to apply "
      "changes before exit,\r\n\x95 Select \"No\" to discard changes, or\r\n\x95 Select \"Cancel\" to continue your "
      "work with Corvane.";
  struct TCase {
    int Answer;
    bool Closed, Saved;
  };
  for (const TCase& C : {TCase{IDCANCEL, false, false}, TCase{IDNO, true, false}, TCase{IDYES, true, true}}) {
    SCOPED_TRACE(C.Answer);
    WriteIni();
    Open();
    SetExtensionBox(false);
    const std::string Before = FileBytesOr(Ini(), "");
    DynamicItem()->SetCaption("Edited");
    Boxes.Boxes.clear();
    Boxes.Answer(C.Answer, C.Answer == IDCANCEL ? "app_box_close_question" : "");
    SendMessageA(Get<TButton>("btnCancel")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Text, Question);
    EXPECT_EQ(!IsWindowVisible(Form->Handle()), C.Closed);
    EXPECT_EQ(SectionText(Ini(), "Dynamic Items").find("Caption1=Edited") != std::string::npos, C.Saved);
    if (!C.Closed) {
      EXPECT_TRUE(Get<TButton>("btnApply")->Enabled());
    }
    if (C.Answer == IDNO) {
      EXPECT_EQ(SectionText(Ini(), "Dynamic Items"), SectionOf(Before, "Dynamic Items"));
    }
    if (C.Saved) {
      EXPECT_NE(FileBytesOr(Ini(), "").find("[Corvane]"), std::string::npos);
    }
    delete Form;
    Form = nullptr;
  }
}

TEST_F(MainWindowTest, FailingSaveOnCloseKeepsTheWindow) {
  WriteIni();
  Open();
  SetExtensionBox(false);
  DynamicItem()->SetCaption("Edited");
  HANDLE Lock = CreateFileA(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  Boxes.Answer(IDYES);
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  SendMessageA(Get<TButton>("btnCancel")->Handle(), BM_CLICK, 0, 0);  // Yes: the save fails
  PumpUntilIdle();
  SendMessageA(Get<TButton>("btnOk")->Handle(), BM_CLICK, 0, 0);  // OK: the save fails
  PumpUntilIdle();
  CloseHandle(Lock);
  EXPECT_EQ(Boxes.Boxes.size(), 3u);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
}

TEST_F(MainWindowTest, UnmodifiedClosesWithoutQuestion) {
  WriteIni();
  Open();
  SendMessageA(Get<TButton>("btnCancel")->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
}

// ---------------------------------------------------------------------------------------------
// Error display and quick hints

TEST_F(MainWindowTest, ErrorBoxTexts) {
  Open();
  struct TCase {
    std::string Message, Shown;
  };
  const TCase Cases[] = {{"Abc", "Abc."},  {"Abc.", "Abc."}, {"Abc!", "Abc!"},          {"Abc?", "Abc?."},
                         {"(x)", "(x)"},   {"", ""},         {"Abc\xE9", "Abc\xE9."}, {"Abc:", "Abc:."}};
  std::string Raise;
  Get<TRxSpeedButton>("SpeedButton3")->OnClick = [&](TObject*) { throw Exception(Raise); };
  for (const TCase& C : Cases) Boxes.Answer(IDOK, C.Message == "Abc" ? "app_box_stop" : "");
  for (const TCase& C : Cases) {
    Raise = C.Message;
    ClickThroughParent(Get<TRxSpeedButton>("SpeedButton3"));
    PumpUntilIdle();
  }
  ASSERT_EQ(Boxes.Boxes.size(), std::size(Cases));
  for (size_t I = 0; I < std::size(Cases); ++I) {
    EXPECT_EQ(Boxes.Boxes[I].Text, Cases[I].Shown) << Cases[I].Message;
    EXPECT_EQ(Boxes.Boxes[I].Caption, "Corvane 2007");
  }
}

TEST_F(MainWindowTest, ErrorsFromTimersAndHooksReachTheBoxAndTheNextCommandWorks) {
  Open();
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  {
    bool Fired = false;
    TThreadTimer Timer(10, [&] {
      if (Fired) return;
      Fired = true;
      throw Exception("From a timer");
    });
    PumpUntil([&] { return Boxes.Boxes.size() >= 1; });
  }
  {
    bool Fired = false;
    TWindowsHook Hook(WH_GETMESSAGE, [&](int, WPARAM, LPARAM) {
      if (Fired) return;
      Fired = true;
      throw Exception("From a hook");
    });
    PostMessageA(Form->Handle(), WM_NULL, 0, 0);
    PumpUntil([&] { return Boxes.Boxes.size() >= 2; });
  }
  int Clicks = 0;
  Get<TRxSpeedButton>("SpeedButton3")->OnClick = [&](TObject*) {
    ++Clicks;
    throw Exception("From a command");
  };
  ClickThroughParent(Get<TRxSpeedButton>("SpeedButton3"));
  PumpUntilIdle();
  ASSERT_EQ(Boxes.Boxes.size(), 3u);
  EXPECT_EQ(Boxes.Boxes[0].Text, "From a timer.");
  EXPECT_EQ(Boxes.Boxes[1].Text, "From a hook.");
  EXPECT_EQ(Boxes.Boxes[2].Text, "From a command.");
  EXPECT_EQ(Clicks, 1);
}

TEST_F(MainWindowTest, QuickHints) {
  Open();
  auto* Apply = Get<TButton>("btnApply");
  auto* Cancel = Get<TButton>("btnCancel");
  auto* Ok = Get<TButton>("btnOk");
  Apply->SetEnabled(true);
  // F1 on the active control.
  Boxes.Answer(IDOK, "app_box_quick_hint");
  Form->SetActiveControl(Apply);
  PostMessageA(Apply->Handle(), WM_KEYUP, VK_F1, 0);
  PumpUntilIdle();
  // The hint menu of a right-clicked control.
  Boxes.Answer(IDOK);
  auto* Menu = Get<TPopupMenu>("pmHint");
  Menu->PopupPoint = Cancel->ClientToScreen(POINT{10, 10});
  Menu->OnPopup(Menu);
  EXPECT_EQ(Form->ActiveControl(), Cancel);
  Form->Action("actQuickHint")->Execute();
  // One line; no hint; no "|".
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  Form->SetActiveControl(Ok);
  for (const char* Hint : {"|Only a title", "", "Whole title\r\nwhole text"}) {
    Ok->SetHint(Hint);
    PostMessageA(Ok->Handle(), WM_KEYUP, VK_F1, 0);
    PumpUntilIdle();
  }
  Form->SetActiveControl(nullptr);
  Form->Action("actQuickHint")->Execute();  // no focus: nothing
  ASSERT_EQ(Boxes.Boxes.size(), 4u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Apply button");
  EXPECT_EQ(Boxes.Boxes[0].Text, "Saves all changes without exiting Corvane.");
  EXPECT_EQ(Boxes.Boxes[1].Caption, "Cancel button");
  EXPECT_EQ(Boxes.Boxes[1].Text, "Closes Corvane with all changes cancelled.");
  EXPECT_EQ(Boxes.Boxes[2].Caption, "Only a title");
  EXPECT_EQ(Boxes.Boxes[2].Text, "");
  EXPECT_EQ(Boxes.Boxes[3].Caption, "Whole title");
  EXPECT_EQ(Boxes.Boxes[3].Text, "whole text");
}

}  // namespace

TEST_F(MainWindowTest, AboutCommandAndButtonOpenTheAboutBox) {
  WriteIni();
  Open();
  for (const char* Way : {"action", "button"}) {
    SCOPED_TRACE(Way);
    std::string Class, Types;
    RunModal(
        [&] {
          if (std::string(Way) == "action")
            Form->Action("actAbout")->Execute();
          else
            ClickThroughParent(Get<TRxSpeedButton>("SpeedButton3"));
          return 0;
        },
        [&](TCustomForm* Box) {
          Class = Box->ClassName();
          Types = FindByName<TControl>(Box, "lblFileTypes")->Caption();
          Box->Close();
        });
    EXPECT_EQ(Class, "TfrmAbout");
    EXPECT_EQ(Types, std::to_string(Form->FileTypes->FileTypes()->Count()));
    EXPECT_EQ(ModalForm(), nullptr);
  }
}
