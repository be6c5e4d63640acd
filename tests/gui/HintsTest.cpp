// Hints on real windows: the mouse moved by SendInput rests on a control and its short hint shows
// in the hint window until the mouse leaves.
#include "classlib/gui/Forms.h"
#include "classlib/gui/StdCtrls.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

POINT CenterOf(TWinControl* Control) {
  RECT R;
  GetWindowRect(Control->Handle(), &R);
  return {(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

bool HintVisible() { return Application->HintWindow() && IsWindowVisible(Application->HintWindow()); }

std::string HintWindowText() {
  char Text[256] = {};
  if (Application->HintWindow()) GetWindowTextA(Application->HintWindow(), Text, sizeof(Text));
  return Text;
}

class HintsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(200, 200, 300, 200);
    Button = new TButton(Form.get());
    Button->SetBounds(20, 20, 100, 30);
    Button->SetCaption("Add");
    Button->SetParent(Form.get());
    Form->Show();
    SetForegroundWindow(Form->Handle());
    PumpUntilIdle();
  }
  void TearDown() override {
    MovePointerTo(Form->Handle(), OffTheButton());
    Form.reset();
    PumpUntilIdle(10, 500);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  // A point of the form away from the button. The pointer stays on the program's windows: moved
  // to where the program has none, X gives it back there after the next move.
  POINT OffTheButton() const { return Form->ClientToScreen(POINT{250, 150}); }
  std::unique_ptr<TForm> Form;
  TButton* Button = nullptr;
  std::vector<std::string> Errors;
};

TEST_F(HintsTest, RestingMouseShowsShortHintUntilItLeaves) {
  struct TCase {
    const char* Hint;
    bool ShowHint;
    const char* Shown;  // nullptr: no hint window
    const char* Long;
  };
  const TCase Cases[] = {{"Add|Adds an item", true, "Add", "Adds an item"},
                         {"Plain", true, "Plain", "Plain"},
                         {"Add|Adds an item", false, nullptr, ""}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Hint);
    MovePointerTo(Form->Handle(), OffTheButton());
    PumpUntil([] { return !HintVisible(); });
    Button->SetHint(C.Hint);
    Button->ShowHint = C.ShowHint;
    const POINT Center = CenterOf(Button);
    MovePointerTo(Form->Handle(), Center);
    if (!C.Shown) {
      PumpUntil([] { return HintVisible(); }, 1500);
      EXPECT_FALSE(HintVisible());
      EXPECT_EQ(Application->HintText, C.Long);
      continue;
    }
    ASSERT_TRUE(PumpUntil([] { return HintVisible(); })) << "no hint window";
    EXPECT_EQ(HintWindowText(), C.Shown);
    EXPECT_EQ(Application->HintText, C.Long);
    RECT R;
    GetWindowRect(Application->HintWindow(), &R);
    EXPECT_GE(R.top, Center.y);  // below the pointer
    EXPECT_NEAR(R.left, Center.x, 4);
    // Leaving the button (for the form's empty area) hides it.
    MovePointerTo(Form->Handle(), {Center.x, Center.y + 80});
    EXPECT_TRUE(PumpUntil([] { return !HintVisible(); })) << "the hint stayed";
    EXPECT_EQ(Application->HintText, "");
  }
}

TEST_F(HintsTest, HidePauseHidesHintUntilItLeaves) {
  Button->SetHint("Add|Adds an item");
  Button->ShowHint = true;
  Application->HintHidePause = 800;
  MovePointerTo(Form->Handle(), CenterOf(Button));
  ASSERT_TRUE(PumpUntil([] { return HintVisible(); }));
  const DWORD Shown = GetTickCount();
  EXPECT_TRUE(PumpUntil([] { return !HintVisible(); }));
  EXPECT_GE(GetTickCount() - Shown, 600u);
  // Resting on, it does not come back.
  PumpUntil([] { return HintVisible(); }, 1000);
  EXPECT_FALSE(HintVisible());
  Application->HintHidePause = 2500;
}

}  // namespace
