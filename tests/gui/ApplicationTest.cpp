// The application object: the one place every boundary's exception reaches, the message loop,
// modal forms and dialog keys, the application window, cursors, the manifest and the answerers.
#include "TestForm.h"

#include "controls/RXConst.h"
#include "tests/support/Gui.h"

#include <commdlg.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

class ApplicationTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterTestClasses();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
  }
  void TearDown() override {
    Application->OnException = nullptr;
    Application->OnIdle = nullptr;
    PumpUntilIdle(10, 500);
  }
  std::vector<std::string> Errors;
};

TEST_F(ApplicationTest, EveryBoundaryHandsItsExceptionOn) {
  auto Form = std::make_unique<TfrmTest>(Application);
  Form->Show();
  PumpUntilIdle();
  TButton* Ok = FindByName<TButton>(Form.get(), "btnOk");
  Ok->ModalResult = 0;
  Ok->OnClick = [](TObject*) { throw Exception("click failed"); };
  PostMessageA(Ok->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_EQ(Errors, std::vector<std::string>{"click failed"});
  EXPECT_TRUE(PostedCommandHandled());

  struct TCase {
    const char* Name;
    std::function<void()> Raise;
  };
  TPanel* Panel = FindByName<TPanel>(Form.get(), "pnlTop");
  const TCase Cases[] = {
      {"sent", [&] {
         Panel->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw Exception("sent failed"); };
         SendMessageA(Panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
         SendMessageA(Panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
       }},
      {"timer", [&] {
         TTimer* Timer = FindByName<TTimer>(Form.get(), "tmrTest");
         Form->OnTick = [Timer] {
           Timer->SetEnabled(false);
           throw Exception("timer failed");
         };
         Timer->SetEnabled(true);
         PumpUntil([&] { return !Timer->Enabled(); });
       }},
      {"hook", [&] {
         bool Thrown = false;
         TWindowsHook Hook(WH_GETMESSAGE, [&](int, WPARAM, LPARAM) {
           if (Thrown) return;
           Thrown = true;
           throw Exception("hook failed");
         });
         PostMessageA(Form->Handle(), WM_NULL, 0, 0);
         PumpUntilIdle(10, 300);
       }},
      {"enumeration", [&] { EnumThreadWindowsGuarded(GetCurrentThreadId(), [](HWND) -> bool { throw Exception("enumeration failed"); }); }},
      {"idle", [&] {
         Application->OnIdle = [](TObject*, bool& Done) {
           Application->OnIdle = nullptr;
           Done = false;
           throw Exception("idle failed");
         };
         Application->HandleMessage();
       }},
      {"utility window", [&] {
         const HWND Wnd = AllocateHWnd([](TMessage& M) {
           if (M.Msg == WM_APP) throw Exception("utility failed");
           M.Result = DefWindowProcA(nullptr, M.Msg, M.WParam, M.LParam);
         });
         SendMessageA(Wnd, WM_APP, 0, 0);
         DeallocateHWnd(Wnd);
       }},
      {"thread timer", [&] {
         bool Fired = false;
         TThreadTimer Timer(10, [&] {
           if (Fired) return;
           Fired = true;
           throw Exception("thread timer failed");
         });
         PumpUntil([&] { return Fired; });
       }},
  };
  const char* Expected[] = {"sent failed", "timer failed", "hook failed", "enumeration failed", "idle failed", "utility failed", "thread timer failed"};
  int I = 0;
  for (const TCase& C : Cases) {
    Errors.clear();
    C.Raise();
    EXPECT_EQ(Errors, std::vector<std::string>{Expected[I]}) << C.Name;
    EXPECT_TRUE(PostedCommandHandled()) << C.Name;
    ++I;
  }
  // EAbort is silent.
  Errors.clear();
  Ok->OnClick = [](TObject*) { Abort(); };
  PostMessageA(Ok->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_TRUE(Errors.empty());
}

TEST_F(ApplicationTest, WithoutAHandlerABoxShowsTheMessage) {
  Application->OnException = nullptr;
  Application->SetTitle("Corvane test");
  TMessageBoxAnswerer Answerer;
  Answerer.Expect("Corvane test", "Something went wrong", IDOK);
  CallGuarded([] { throw Exception("Something went wrong"); });
  EXPECT_EQ(Answerer.Seen(), 1) << "no message box: is there a display?";
  // An exception of OnException itself is shown.
  Answerer.Expect("Corvane test", "handler failed", IDOK);
  Application->OnException = [](TObject*, Exception&) { throw Exception("handler failed"); };
  CallGuarded([] { throw Exception("first"); });
  EXPECT_EQ(Answerer.Seen(), 2);
}

TEST_F(ApplicationTest, ThrowingCloseQueryKeepsTheFormOpen) {
  auto Form = std::make_unique<TfrmTest>(Application);
  Form->Show();
  PumpUntilIdle();
  Form->OnCloseQuery = [](TObject*, bool&) { throw Exception("cannot decide"); };
  PostMessageA(Form->Handle(), WM_CLOSE, 0, 0);
  PumpUntilIdle();
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  EXPECT_EQ(Errors, std::vector<std::string>{"cannot decide"});
  Form->OnCloseQuery = nullptr;
  PostMessageA(Form->Handle(), WM_CLOSE, 0, 0);
  PumpUntilIdle();
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
}

class ModalTest : public ApplicationTest {
protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Main = std::make_unique<TForm>(Application);
    Main->SetCaption("Owner");
    Main->Show();
    Dialog = std::make_unique<TfrmTest>(Application);
    PumpUntilIdle();
  }
  // Runs Step from the dialog's timer once the dialog is up; then ShowModal's result.
  TModalResult RunModal(std::function<void()> Step) {
    TTimer* Timer = FindByName<TTimer>(Dialog.get(), "tmrTest");
    Dialog->OnTick = [this, Timer, Step] {
      Timer->SetEnabled(false);
      OwnerEnabled = IsWindowEnabled(Main->Handle());
      Step();
    };
    Timer->SetEnabled(true);
    // A dialog the step failed to close ends after a while with mrAbort instead of hanging the test.
    TThreadTimer Safety(10000, [this] { Dialog->ModalResult = mrAbort; });
    return Dialog->ShowModal();
  }
  std::unique_ptr<TForm> Main;
  std::unique_ptr<TfrmTest> Dialog;
  bool OwnerEnabled = true;
};

TEST_F(ModalTest, ModalResults) {
  TButton* Ok = FindByName<TButton>(Dialog.get(), "btnOk");
  EXPECT_EQ(RunModal([Ok] { Ok->Click(); }), mrOk);
  EXPECT_FALSE(OwnerEnabled);
  EXPECT_TRUE(IsWindowEnabled(Main->Handle()));
  EXPECT_EQ(RunModal([this] {
              PostMessageA(FindByName<TEdit>(Dialog.get(), "edtName")->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
            }),
            mrCancel);
  EXPECT_EQ(RunModal([this] { PostMessageA(Dialog->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }), mrCancel);
  // Enter in the single-line edit presses the default button.
  EXPECT_EQ(RunModal([this] {
              TEdit* Edit = FindByName<TEdit>(Dialog.get(), "edtName");
              Edit->SetFocus();
              PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
            }),
            mrOk);
  // In the memo Enter is the memo's; Escape from the edit then cancels.
  std::string MemoText;
  EXPECT_EQ(RunModal([this, &MemoText] {
              TMemo* Memo = FindByName<TMemo>(Dialog.get(), "memNotes");
              Memo->SetFocus();
              Memo->SetText("");
              PostMessageA(Memo->Handle(), WM_KEYDOWN, VK_RETURN, 0);
              PumpUntilIdle(10, 500);
              MemoText = Memo->Text();
              PostMessageA(FindByName<TEdit>(Dialog.get(), "edtName")->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
            }),
            mrCancel);
  EXPECT_EQ(MemoText, "\r\n");
  // An exception inside the modal loop reaches OnException once, and the loop goes on.
  Errors.clear();
  EXPECT_EQ(RunModal([this] {
              PostMessageA(Dialog->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
              throw Exception("modal step failed");
            }),
            mrCancel);
  EXPECT_EQ(Errors, std::vector<std::string>{"modal step failed"});
  // A screenshot of the modal dialog.
  RunModal([this] {
    TWindowCapture(Dialog->Handle()).SavePng("TfrmTest_modal");
    Dialog->ModalResult = mrOk;
  });
}

TEST_F(ModalTest, KeysOfTheForm) {
  std::vector<std::string> Seen;
  RunModal([&] {
    TEdit* Edit = FindByName<TEdit>(Dialog.get(), "edtName");
    Edit->OnKeyUp = [&](TObject*, WORD& Key, TShiftState) { Dialog->Events.push_back("edit keyup " + std::to_string(Key)); };
    Edit->SetFocus();
    PostMessageA(Edit->Handle(), WM_KEYUP, VK_F1, 0);
    PumpUntilIdle(10, 500);
    // Tab goes to the next control in tab order.
    PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_TAB, 0);
    PumpUntilIdle(10, 500);
    Seen.push_back(Screen->ActiveControl() ? Screen->ActiveControl()->Name() : "");
    // Alt+C typed checks "A&ctive".
    INPUT Inputs[4] = {};
    const WORD Keys[4] = {VK_MENU, 'C', 'C', VK_MENU};
    for (int I = 0; I < 4; ++I) {
      Inputs[I].type = INPUT_KEYBOARD;
      Inputs[I].ki.wVk = Keys[I];
      Inputs[I].ki.dwFlags = I >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    EXPECT_TRUE(SendInputTo(Dialog->Handle(), Inputs, 4));
    PumpUntilIdle(50, 1000);
    Dialog->ModalResult = mrOk;
  });
  // The form previews every key-up, also those of the check box that Alt+C focused.
  EXPECT_EQ(Dialog->Events, (std::vector<std::string>{"form keyup 112", "edit keyup 112", "active click",
                                                       "form keyup 67", "form keyup 18"}));
  EXPECT_EQ(Seen, std::vector<std::string>{"memNotes"});
  EXPECT_TRUE(FindByName<TCheckBox>(Dialog.get(), "chkActive")->Checked());
}

TEST_F(ApplicationTest, ApplicationWindow) {
  const HWND Wnd = Application->Handle();
  ASSERT_TRUE(IsWindow(Wnd));
  EXPECT_EQ(Application->Handle(), Wnd);
  EXPECT_FALSE(IsWindowVisible(Wnd));
  const HWND MessageOnly = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  EXPECT_NE(GetAncestor(Wnd, GA_PARENT), GetAncestor(MessageOnly, GA_PARENT));
  DestroyWindow(MessageOnly);
  EXPECT_EQ(GetParent(Wnd), nullptr);
  EXPECT_EQ(FindWindowA("TApplication", nullptr), Wnd);
  EXPECT_EQ(GetWindowLongPtrA(Wnd, GWL_STYLE) & WS_CHILD, 0);
}

// A subclass of the application window installed by the test: records the registered message's
// wParam, then passes every message on.
WNDPROC PreviousAppProc = nullptr;
UINT BroadcastMsg = 0;
std::vector<std::string> BroadcastLog;

LRESULT CALLBACK SubclassProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == BroadcastMsg && BroadcastMsg != 0) BroadcastLog.push_back("subclass " + std::to_string(WParam));
  return CallWindowProcA(PreviousAppProc, Wnd, Msg, WParam, LParam);
}

// Runs the broadcasting child against the application window titled Title; its exit code.
DWORD RunBroadcastChild(const std::string& Title, const std::string& MessageName) {
  char Module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Module, sizeof(Module));
  const std::string Program = ExtractFilePath(Module) + "gui_broadcast_child.exe";
  std::string Line = "\"" + Program + "\" \"" + Title + "\" " + MessageName;
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Info{};
  if (!CreateProcessA(Program.c_str(), Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info))
    return 1000 + GetLastError();
  // The child's broadcast may wait on this thread's windows: keep handling messages meanwhile.
  const bool Ended = PumpUntil([&] { return WaitForSingleObject(Info.hProcess, 0) == WAIT_OBJECT_0; }, 20000);
  if (!Ended) {
    TerminateProcess(Info.hProcess, 999);
    WaitForSingleObject(Info.hProcess, 5000);
  }
  DWORD Code = 999;
  GetExitCodeProcess(Info.hProcess, &Code);
  CloseHandle(Info.hProcess);
  CloseHandle(Info.hThread);
  return Code;
}

TEST_F(ApplicationTest, MessagesOfASecondProcessReachTheApplicationWindow) {
  const HWND Wnd = Application->Handle();
  ASSERT_TRUE(IsWindow(Wnd));
  const std::string Name = "CorvaneTestBroadcast" + std::to_string(GetCurrentProcessId());
  BroadcastMsg = RegisterWindowMessageA(Name.c_str());
  ASSERT_NE(BroadcastMsg, 0u);
  BroadcastLog.clear();
  static bool Hooked = false;
  if (!Hooked) {
    Application->HookMainWindow([](TMessage& M) {
      if (M.Msg != BroadcastMsg || BroadcastMsg == 0) return false;
      BroadcastLog.push_back("application " + std::to_string(M.WParam));
      return true;
    });
    Hooked = true;
  }
  PreviousAppProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  ASSERT_NE(PreviousAppProc, nullptr);

  EXPECT_EQ(RunBroadcastChild(Application->Title(), Name), 0u) << "2: the child did not find the window";
  PumpUntil([] { return BroadcastLog.size() >= 6; }, 5000);
  PumpUntilIdle();
  SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousAppProc));
  BroadcastMsg = 0;
  // Each way once, through the subclass first, then the application's handler.
  EXPECT_EQ(BroadcastLog, (std::vector<std::string>{"subclass 1", "application 1", "subclass 2", "application 2",
                                                   "subclass 3", "application 3"}));
}

TEST_F(ApplicationTest, IdleRunsOncePerEmptiedQueueAndWaits) {
  int Idles = 0, Ticks = 0;
  Application->OnIdle = [&](TObject*, bool&) { ++Idles; };
  auto Form = std::make_unique<TfrmTest>(Application);
  TTimer* Timer = FindByName<TTimer>(Form.get(), "tmrTest");
  Timer->SetInterval(100);
  Form->OnTick = [&] { ++Ticks; };
  Timer->SetEnabled(true);
  FILETIME C, E, K0, U0, K1, U1;
  GetProcessTimes(GetCurrentProcess(), &C, &E, &K0, &U0);
  const DWORD Start = GetTickCount();
  while (GetTickCount() - Start < 1000) Application->HandleMessage();
  GetProcessTimes(GetCurrentProcess(), &C, &E, &K1, &U1);
  Timer->SetEnabled(false);
  auto Ticks100ns = [](const FILETIME& F) { return (static_cast<unsigned long long>(F.dwHighDateTime) << 32) | F.dwLowDateTime; };
  const unsigned long long Cpu = Ticks100ns(K1) + Ticks100ns(U1) - Ticks100ns(K0) - Ticks100ns(U0);
  EXPECT_GE(Ticks, 5);
  EXPECT_GE(Idles, 1);
  EXPECT_LE(Idles, Ticks + 2);
  EXPECT_LT(Cpu, 50ull * 10000) << "an idle second costs " << Cpu / 10000 << " ms";
}

TEST_F(ApplicationTest, CursorsAndManifest) {
  EXPECT_EQ(Screen->Cursors(crHand), LoadCursorA(GetModuleHandleA(nullptr), "RX_HANDCUR"));
  EXPECT_EQ(Screen->Cursors(crDragHand), LoadCursorA(GetModuleHandleA(nullptr), "RX_DRAGCUR"));
  EXPECT_NE(Screen->Cursors(crHand), nullptr);
  EXPECT_EQ(Screen->Cursors(crHourGlass), LoadCursorA(nullptr, IDC_WAIT));
  EXPECT_EQ(Screen->Cursors(crNo), LoadCursorA(nullptr, IDC_NO));
  EXPECT_EQ(Screen->Cursors(12345), LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr);
  EXPECT_GT(Screen->Width(), 0);
  EXPECT_GT(Screen->PixelsPerInch(), 0);
}

TEST_F(ApplicationTest, MessageBoxIsOwnedByTheActiveForm) {
  auto Form = std::make_unique<TfrmTest>(Application);
  Form->Show();
  PumpUntilIdle();
  HWND Owner = nullptr;
  TWindowsHook Hook(WH_CBT, [&](int Code, WPARAM W, LPARAM) {
    if (Code == HCBT_ACTIVATE && !Owner) Owner = reinterpret_cast<HWND>(GetWindowLongPtrA(reinterpret_cast<HWND>(W), GWLP_HWNDPARENT));
  });
  TMessageBoxAnswerer Answerer;
  Answerer.Expect("Question", "Go on?", IDNO);
  EXPECT_EQ(Application->MessageBox("Go on?", "Question", MB_YESNO), IDNO);
  EXPECT_EQ(Owner, Form->Handle());
}

TEST_F(ApplicationTest, FileDialogAnswerer) {
  TFileDialogAnswerer Answerer;
  Answerer.Answer("C:\\windows\\notepad.exe");
  char File[MAX_PATH] = {};
  OPENFILENAMEA Open{};
  Open.lStructSize = sizeof(Open);
  Open.lpstrFile = File;
  Open.nMaxFile = MAX_PATH;
  Open.lpstrTitle = "Pick a program";
  Open.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
  EXPECT_TRUE(GetOpenFileNameA(&Open));
  EXPECT_EQ(AnsiLowerCase(File), "c:\\windows\\notepad.exe");
  EXPECT_EQ(Answerer.Caption, "Pick a program");
}

using QuitTest = ApplicationTest;

// Last: the application stays terminated afterwards.
TEST_F(QuitTest, NestedLoopPassesQuitOn) {
  auto Form = std::make_unique<TfrmTest>(Application);
  TTimer* Timer = FindByName<TTimer>(Form.get(), "tmrTest");
  Form->OnTick = [Timer] {
    Timer->SetEnabled(false);
    PostQuitMessage(7);
  };
  Timer->SetEnabled(true);
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  MSG Msg;
  EXPECT_TRUE(PeekMessageA(&Msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
