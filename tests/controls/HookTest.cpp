// Window hooks on real windows: order of notification, Handled, unhooking, foreign subclassing,
// recreated windows, exceptions in handlers, freed controls.
#include "controls/RxHook.h"
#include "classlib/gui/ExtCtrls.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT WM_PROBE = WM_APP + 7;

WNDPROC ForeignPrev = nullptr;
int ForeignCalls = 0;
LRESULT CALLBACK ForeignProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  if (Msg == WM_PROBE) ++ForeignCalls;
  return CallWindowProcA(ForeignPrev, Wnd, Msg, W, L);
}

class HookTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Form = new TForm(Application);
    Panel = new TPanel(Form);
    Panel->SetParent(Form);
    Panel->HandleNeeded();
    Errors.OnException = [this](TObject*, Exception& E) { Messages.push_back(E.Message()); };
  }
  void TearDown() override {
    delete Form;
    PumpUntilIdle(10, 300);
  }
  TRxWindowHook* MakeHook(const std::string& Tag, bool HandleProbe = false) {
    auto* Hook = new TRxWindowHook(Form);
    Hook->BeforeMessage = [this, Tag, HandleProbe](TObject*, TMessage& M, bool& Handled) {
      if (M.Msg == WM_PROBE || M.Msg == WM_DESTROY) Seen.push_back(Tag + " before " + std::to_string(M.Msg));
      if (HandleProbe && (M.Msg == WM_PROBE || M.Msg == WM_DESTROY)) {
        Handled = true;
        M.Result = 42;
      }
    };
    Hook->AfterMessage = [this, Tag](TObject*, TMessage& M, bool&) {
      if (M.Msg == WM_PROBE || M.Msg == WM_DESTROY) Seen.push_back(Tag + " after " + std::to_string(M.Msg));
    };
    Hook->SetWinControl(Panel);
    return Hook;
  }
  TForm* Form = nullptr;
  TPanel* Panel = nullptr;
  std::vector<std::string> Seen;
  TApplicationEvents Errors{nullptr};
  std::vector<std::string> Messages;
};

const std::string Probe = std::to_string(WM_PROBE);
const std::string Destroy = std::to_string(WM_DESTROY);

TEST_F(HookTest, LastAttachedSeesFirstAndHandledStopsTheRest) {
  const auto Original = GetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC);
  MakeHook("A");
  TRxWindowHook* B = MakeHook("B");
  SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(Seen, (std::vector<std::string>{"B before " + Probe, "A before " + Probe, "B after " + Probe, "A after " + Probe}));
  Seen.clear();
  B->BeforeMessage = [this](TObject*, TMessage& M, bool& Handled) {
    if (M.Msg == WM_PROBE || M.Msg == WM_DESTROY) {
      Seen.push_back("B handled " + std::to_string(M.Msg));
      Handled = true;
      M.Result = 42;
    }
  };
  EXPECT_EQ(SendMessageA(Panel->Handle(), WM_PROBE, 0, 0), 42);
  EXPECT_EQ(Seen, std::vector<std::string>{"B handled " + Probe});
  Seen.clear();
  Panel->DestroyHandle();  // WM_DESTROY always reaches the window
  EXPECT_EQ(Seen, (std::vector<std::string>{"B handled " + Destroy, "B after " + Destroy}));
  (void)Original;
}

TEST_F(HookTest, DeactivatingTheOnlyHookRestoresTheProcedure) {
  const auto Original = GetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC);
  TRxWindowHook* A = MakeHook("A");
  EXPECT_NE(GetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC), Original);
  A->SetActive(false);
  EXPECT_EQ(GetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC), Original);
  SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_TRUE(Seen.empty());
}

TEST_F(HookTest, ForeignSubclassOnTopKeepsOnePassWithoutRecursion) {
  TRxWindowHook* A = MakeHook("A");
  ForeignCalls = 0;
  ForeignPrev = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
  A->SetActive(false);
  EXPECT_EQ(GetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ForeignProc));
  SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_TRUE(Seen.empty());
  A->SetActive(true);
  SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(ForeignCalls, 2);
  EXPECT_EQ(Seen, (std::vector<std::string>{"A before " + Probe, "A after " + Probe}));
  A->SetActive(false);
  SetWindowLongPtrA(Panel->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignPrev));
}

TEST_F(HookTest, RecreatedWindowIsHookedAgainAfterAPump) {
  MakeHook("A");
  Panel->RecreateWnd();
  Seen.clear();
  PumpUntilIdle();
  SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(Seen, (std::vector<std::string>{"A before " + Probe, "A after " + Probe}));
}

TEST_F(HookTest, ThrowingHandlerIsReportedOnceAndTheWalkGoesOn) {
  TRxWindowHook* A = MakeHook("A");
  MakeHook("B");
  A->AfterMessage = [](TObject*, TMessage& M, bool&) {
    if (M.Msg == WM_PROBE) throw Exception("hook failed");
  };
  Panel->OnClick = nullptr;
  const LRESULT Result = SendMessageA(Panel->Handle(), WM_PROBE, 0, 0);
  EXPECT_EQ(Result, DefWindowProcA(Panel->Handle(), WM_PROBE, 0, 0));
  EXPECT_EQ(Seen, (std::vector<std::string>{"B before " + Probe, "A before " + Probe, "B after " + Probe}));
  EXPECT_EQ(Messages, std::vector<std::string>{"hook failed"});
}

TEST_F(HookTest, FreeingTheControlClearsWinControl) {
  TRxWindowHook* A = MakeHook("A");
  delete Panel;
  Panel = nullptr;
  EXPECT_EQ(A->WinControl(), nullptr);
  PumpUntilIdle();
  EXPECT_EQ(THookList::Instance().Find(nullptr), nullptr);
}

}  // namespace
