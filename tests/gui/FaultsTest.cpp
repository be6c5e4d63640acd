// Faults and C++ exceptions in handlers, whatever way Windows entered them: a posted message through
// DispatchMessageA, a message sent by SendMessageA, a control's notification sent to its parent, a
// timer, a hook, an enumeration callback. Each reaches Application->OnException exactly once, the
// handler's destructors run, and the next message is handled. Built twice: plain, and with crash
// reporting running as in Corvane (CORVANE_CRASH_REPORTING, dumps into a folder of the test's own).
#include "TestForm.h"

#include "classlib/core/SysFaults.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#ifdef CORVANE_CRASH_REPORTING
#include "ExceptionWatcher/hxException.h"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

int DestructorRuns = 0;
struct TCountOnExit {
  ~TCountOnExit() { ++DestructorRuns; }
};

volatile int* volatile NullInt = nullptr;
volatile int Sink = 0;

__attribute__((noinline)) void WriteNullHoldingRaii() {
  TCountOnExit Holder;
  *NullInt = 1;
}

using TCodeFn = void (*)();
__attribute__((noinline)) void CallNullHoldingRaii() {
  TCountOnExit Holder;
  reinterpret_cast<TCodeFn>(reinterpret_cast<ULONG_PTR>(NullInt))();
}

__attribute__((noinline)) void ConvertHoldingRaii() {
  TCountOnExit Holder;
  Sink = StrToInt("abc");
}

struct THandled {
  std::string ClassName;
  std::string Message;
  void* ExceptionAddress;
};

class FaultsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterTestClasses();
#ifdef CORVANE_CRASH_REPORTING
    StartCrashReporting();
    GetExceptionManager()->SetDumpFolder(DumpDir.Folder());
#endif
    Application->OnException = [this](TObject*, Exception& E) {
      const auto* External = dynamic_cast<const EExternal*>(&E);
      Handled.push_back({ClassNameOf(typeid(E)), E.Message(), External ? External->ExceptionAddress : nullptr});
    };
    Form = std::make_unique<TfrmTest>(Application);
    Form->Show();
    PumpUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    Application->OnException = nullptr;
    PumpUntilIdle(10, 500);
#ifdef CORVANE_CRASH_REPORTING
    StopCrashReporting();
#endif
  }

  // Body as the top panel's OnMouseDown while Press presses the mouse on the panel's window.
  void WithPanelMouseDown(const std::function<void()>& Body, const std::function<void(HWND Panel)>& Press) {
    TPanel* Panel = FindByName<TPanel>(Form.get(), "pnlTop");
    Panel->OnMouseDown = [Body](TObject*, TMouseButton, TShiftState, int, int) { Body(); };
    Press(Panel->Handle());
    Panel->OnMouseDown = nullptr;
  }

  // The ways into a handler: each runs Body once from the boundary it names.
  struct TPlace {
    const char* Name;
    bool Sent;  // the handler runs for a sent message
    std::function<void(const std::function<void()>& Body)> Enter;
  };
  std::vector<TPlace> Places() {
    std::vector<TPlace> All{
        {"button click after a posted BM_CLICK", true,
         [this](const std::function<void()>& Body) {
           TButton* Ok = FindByName<TButton>(Form.get(), "btnOk");
           Ok->ModalResult = 0;
           Ok->OnClick = [Body](TObject*) { Body(); };
           PostMessageA(Ok->Handle(), BM_CLICK, 0, 0);
           PumpUntilIdle();
           Ok->OnClick = nullptr;
         }},
        {"panel mouse down by SendMessageA", true,
         [this](const std::function<void()>& Body) {
           WithPanelMouseDown(Body, [](HWND Panel) {
             SendMessageA(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
             SendMessageA(Panel, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
           });
         }},
        {"panel mouse down by SendMessageA from another thread", true,
         [this](const std::function<void()>& Body) {
           WithPanelMouseDown(Body, [](HWND Panel) {
             std::atomic<bool> Done{false};
             std::thread Sender([Panel, &Done] {
               SendMessageA(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
               SendMessageA(Panel, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
               Done = true;
             });
             // Both messages reach the panel only through this pump, and a reported exception takes
             // seconds: giving up early would leave the sender blocked and the join waiting for it.
             EXPECT_TRUE(PumpUntil([&] { return Done.load(); }, 120000));
             Sender.join();
           });
         }},
        {"panel mouse down by PostMessageA", false,
         [this](const std::function<void()>& Body) {
           WithPanelMouseDown(Body, [](HWND Panel) {
             PostMessageA(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
             PostMessageA(Panel, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
             PumpUntilIdle();
           });
         }},
        {"utility window by SendMessageA", true,
         [](const std::function<void()>& Body) {
           const HWND Wnd = AllocateHWnd([Body](TMessage& M) {
             if (M.Msg == WM_APP) Body();
             else M.Result = DefWindowProcA(nullptr, M.Msg, M.WParam, M.LParam);
           });
           SendMessageA(Wnd, WM_APP, 0, 0);
           DeallocateHWnd(Wnd);
         }},
        {"form timer", false,
         [this](const std::function<void()>& Body) {
           TTimer* Timer = FindByName<TTimer>(Form.get(), "tmrTest");
           Form->OnTick = [Timer, Body] {
             Timer->SetEnabled(false);
             Body();
           };
           Timer->SetEnabled(true);
           PumpUntil([&] { return !Timer->Enabled(); });
           PumpUntilIdle();
           Form->OnTick = nullptr;
         }},
        {"thread timer", false,
         [](const std::function<void()>& Body) {
           bool Fired = false;
           TThreadTimer Timer(10, [&] {
             if (Fired) return;
             Fired = true;
             Body();
           });
           PumpUntil([&] { return Fired; });
         }},
        {"message hook", false,
         [this](const std::function<void()>& Body) {
           bool Fired = false;
           TWindowsHook Hook(WH_GETMESSAGE, [&](int, WPARAM, LPARAM) {
             if (Fired) return;
             Fired = true;
             Body();
           });
           PostMessageA(Form->Handle(), WM_NULL, 0, 0);
           PumpUntil([&] { return Fired; });
         }},
        {"window enumeration", false,
         [](const std::function<void()>& Body) {
           EnumThreadWindowsGuarded(GetCurrentThreadId(), [&](HWND) -> bool {
             Body();
             return false;
           });
         }},
    };
#ifdef CORVANE_CRASH_REPORTING
    // Every report loads symbols and writes a dump (seconds each): the sent messages only.
    std::erase_if(All, [](const TPlace& P) { return !P.Sent; });
#endif
    return All;
  }

  // Runs Body at Place: its destructor ran once, the next message is handled, and whether
  // OnException got exactly one exception.
  bool HandledOnce(const TPlace& Place, void (*Body)()) {
    Handled.clear();
    DestructorRuns = 0;
    Place.Enter(Body);
    EXPECT_EQ(DestructorRuns, 1);
    EXPECT_TRUE(PostedCommandHandled());
    EXPECT_EQ(Handled.size(), 1u) << "not exactly one exception reached OnException";
    return Handled.size() == 1;
  }

  TTempDir DumpDir{"gui_faults"};
  std::unique_ptr<TfrmTest> Form;
  std::vector<THandled> Handled;
};

// The faulting instruction's address as the message writes it, and whether it lies in Fn's code.
bool AddressInFunction(void* Address, void (*Fn)()) {
  const ULONG_PTR A = reinterpret_cast<ULONG_PTR>(Address);
  const ULONG_PTR Start = reinterpret_cast<ULONG_PTR>(Fn);
  return A >= Start && A < Start + 64;
}

TEST_F(FaultsTest, NullWriteOrCallInAnyHandlerBecomesOneAccessViolation) {
  const std::string Digits = std::to_string(sizeof(void*) * 2);
  struct TFault {
    const char* Name;
    void (*Body)();
    const char* Access;
    bool AtTheInstruction;  // else the fault's address is 0, the address called
  };
  const TFault Faults[] = {
      {"null write", WriteNullHoldingRaii, "write", true},
      {"null call", CallNullHoldingRaii, "execute", false},
  };
  for (const TFault& Fault : Faults) {
    const std::regex Text("Access violation at address ([0-9A-F]{" + Digits + "}): " + Fault.Access +
                          " of address 0{" + Digits + "}");
    for (const TPlace& Place : Places()) {
      SCOPED_TRACE(std::string(Fault.Name) + " in " + Place.Name);
      if (!HandledOnce(Place, Fault.Body)) continue;
      EXPECT_EQ(Handled[0].ClassName, "EAccessViolation");
      std::smatch Match;
      if (!std::regex_match(Handled[0].Message, Match, Text)) {
        ADD_FAILURE() << Handled[0].Message;
        continue;
      }
      void* Written = reinterpret_cast<void*>(std::strtoull(Match[1].str().c_str(), nullptr, 16));
      EXPECT_EQ(Written, Handled[0].ExceptionAddress);
      if (Fault.AtTheInstruction)
        EXPECT_TRUE(AddressInFunction(Written, Fault.Body)) << Handled[0].Message;
      else
        EXPECT_EQ(Written, nullptr) << Handled[0].Message;
    }
  }
}

TEST_F(FaultsTest, CppExceptionInAnyHandlerReachesOnExceptionOnce) {
  for (const TPlace& Place : Places()) {
    SCOPED_TRACE(Place.Name);
    if (!HandledOnce(Place, ConvertHoldingRaii)) continue;
    EXPECT_EQ(Handled[0].ClassName, "EConvertError");
    EXPECT_EQ(Handled[0].Message, "'abc' is not a valid integer value");
  }
}

}  // namespace
