// What a spin edit holds and shows for text that is no number of its kind or lies beyond its kind,
// read and after leaving the edit; the buttons it makes and drops as its kind changes.
#include "controls/RXSpin.h"
#include "tests/controls/SpinForm.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string DecimalSeparator() {
  char Sep[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Sep, sizeof(Sep));
  return Sep;
}

// Text with "." in place of the locale's decimal separator.
std::string Local(std::string Text) {
  if (const size_t Dot = Text.find('.'); Dot != std::string::npos) Text.replace(Dot, 1, DecimalSeparator());
  return Text;
}

TEST(SpinValueReading, TextBeyondOrOutsideItsKind) {
  constexpr double IntegerTop = 9223372036854774784.0;  // the largest double below 2^63
  const struct {
    TValueType Type;
    double Min, Max;
    std::string Text;
    double Read;
  } Cases[] = {
      {vtInteger, 6, 20, "", 6},
      {vtInteger, 6, 20, "-", 6},
      {vtInteger, 6, 20, "1-2", 6},
      {vtInteger, 6, 20, "abc", 6},
      {vtInteger, 6, 20, "12.5", 6},
      {vtInteger, 6, 20, "0x10", 6},
      {vtInteger, 6, 20, "99999999999999999999", 20},
      {vtInteger, 6, 20, "-99999999999999999999", 6},
      {vtInteger, 6, 20, "25", 20},
      {vtInteger, 6, 20, "3", 6},
      {vtInteger, 6, 20, "+12", 12},
      {vtInteger, 0, 0, "99999999999999999999", IntegerTop},
      {vtInteger, 0, 0, "-99999999999999999999", -IntegerTop},
      {vtInteger, 0, 0, "-17", -17},
      {vtFloat, 6, 20, "nan", 6},
      {vtFloat, 6, 20, "inf", 6},
      {vtFloat, 6, 20, "-infinity", 6},
      {vtFloat, 6, 20, "0x10", 6},
      {vtFloat, 6, 20, "1e400", 20},
      {vtFloat, 6, 20, "-1e400", 6},
      {vtFloat, 6, 20, Local("12.5"), 12.5},
      {vtFloat, 6, 20, Local("1.5e1"), 15},
      {vtFloat, 6, 20, "1e", 6},
      {vtFloat, 6, 20, Local("."), 6},
      {vtFloat, 0, 0, "1e400", DBL_MAX},
      {vtFloat, 0, 0, "-1e400", -DBL_MAX},
      {vtHex, 6, 255, "0x1a", 6},
      {vtHex, 6, 255, "1a", 26},
      {vtHex, 6, 255, "FFFFFFFFFFFFFFFFFF", 255},
      {vtHex, 6, 255, "-1", 6},
      {vtHex, 0, 0, "FFFFFFFFFFFFFFFFFF", IntegerTop},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text + " as kind " + std::to_string(C.Type));
    TRxSpinEdit Edit(nullptr);
    Edit.SetValueType(C.Type);
    Edit.MinValue = C.Min;
    Edit.MaxValue = C.Max;
    Edit.SetText(C.Text);
    EXPECT_EQ(Edit.Value(), C.Read);
  }
}

// An edit of the kind and range shows its limit when written far beyond it, and never prints junk.
TEST(SpinValueReading, WrittenBeyondTheKindShowsItsExtreme) {
  TRxSpinEdit Edit(nullptr);
  Edit.SetValue(1e300);
  EXPECT_EQ(Edit.Text(), "9223372036854774784");
  Edit.SetValue(-1e300);
  EXPECT_EQ(Edit.Text(), "-9223372036854774784");
  Edit.SetValueType(vtHex);
  Edit.SetValue(1e300);
  EXPECT_EQ(Edit.Text(), "7FFFFFFFFFFFFC00");
}

class SpinValueTest : public ::testing::Test, public TSpinForm {
protected:
  void SetUp() override {
    RequireDisplay();
    MakeSpinForm(140, 140);
    PumpUntilIdle();
  }
  void TearDown() override { FreeSpinForm(); }
  // The user enters the edit, pastes Text over all of it (or types it) and leaves with Tab.
  void EnterAndLeave(const std::string& Text, bool Paste) {
    Edit->SetFocus();
    PumpUntilIdle(10, 300);
    ASSERT_TRUE(Edit->Focused());
    SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
    if (Paste) {
      SetClipboardText(Edit->Handle(), Text);
      SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
    } else {
      SendMessageA(Edit->Handle(), WM_CLEAR, 0, 0);
      for (char C : Text) PostMessageA(Edit->Handle(), WM_CHAR, static_cast<unsigned char>(C), 1);
      PumpUntilIdle(10, 300);
    }
    ASSERT_EQ(Edit->Text(), Text) << "the text did not arrive";
    PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
    PostMessageA(Edit->Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
    ASSERT_TRUE(PumpUntil([&] { return Other->Focused(); }, 2000)) << "Tab did not leave the edit";
  }
};

TEST_F(SpinValueTest, LeavingShowsTheValueHeld) {
  const struct {
    TValueType Type;
    double Max;
    std::string Text;
    bool Paste;
    std::string Shown;
  } Cases[] = {
      {vtInteger, 20, "", false, "6"},
      {vtInteger, 20, "-", false, "6"},
      {vtInteger, 20, "1-2", false, "6"},
      {vtInteger, 20, "abc", true, "6"},
      {vtInteger, 20, "12.5", true, "6"},
      {vtInteger, 20, "99999999999999999999", true, "20"},
      {vtInteger, 20, "25", false, "20"},
      {vtInteger, 20, "12", false, "12"},
      {vtFloat, 20, "nan", true, Local("6.00")},
      {vtFloat, 20, "inf", true, Local("6.00")},
      {vtFloat, 20, "0x10", true, Local("6.00")},
      {vtFloat, 20, "1e400", true, Local("20.00")},
      {vtFloat, 20, Local("7.5"), true, Local("7.50")},
      {vtHex, 255, "0x1a", true, "6"},
      {vtHex, 255, "FFFFFFFFFFFFFFFFFF", true, "FF"},
      {vtHex, 255, "1a", false, "1A"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE((C.Paste ? "pasted " : "typed ") + C.Text);
    Edit->SetValueType(C.Type);
    Edit->MaxValue = C.Max;
    Edit->SetValue(8);
    EnterAndLeave(C.Text, C.Paste);
    EXPECT_EQ(Edit->Text(), C.Shown);
    EXPECT_GE(Edit->Value(), Edit->MinValue);
    EXPECT_LE(Edit->Value(), Edit->MaxValue);
  }
}

// Pasted junk is never read as a value outside the range, before the edit is left too.
TEST_F(SpinValueTest, PastedJunkReadsWithinTheRange) {
  Edit->SetValueType(vtFloat);
  Edit->SetFocus();
  PumpUntilIdle(10, 300);
  for (const char* Junk : {"nan", "-nan", "inf", "1e999"}) {
    SCOPED_TRACE(Junk);
    SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
    SetClipboardText(Edit->Handle(), Junk);
    SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
    ASSERT_EQ(Edit->Text(), Junk);
    const double V = Edit->Value();
    EXPECT_TRUE(V >= 6 && V <= 20) << V;
  }
}

// Each change of the kind drops the old buttons from the edit's tab order as it frees them.
TEST_F(SpinValueTest, SwitchingTheButtonKindKeepsOneTabEntry) {
  for (TSpinButtonKind Kind : {bkDiagonal, bkStandard, bkDiagonal}) {
    Edit->SetButtonKind(Kind);
    PumpUntilIdle(10, 200);
  }
  std::vector<TWinControl*> Order;
  Edit->GetTabOrderList(Order);
  ASSERT_EQ(Order.size(), 1u);
  EXPECT_NE(Edit->Button(), nullptr);
  EXPECT_EQ(Edit->UpDown(), nullptr);
  EXPECT_EQ(Order[0], Edit->Button()->Parent());
  Edit->SetButtonKind(bkStandard);
  Order.clear();
  Edit->GetTabOrderList(Order);
  EXPECT_EQ(Order, std::vector<TWinControl*>{Edit->UpDown()});
  // Focus moves through the form as before: nothing freed is asked.
  Other->SetFocus();
  PumpUntilIdle(10, 200);
  Edit->SetFocus();
  PumpUntilIdle(10, 200);
  EXPECT_TRUE(Edit->Focused());
}

}  // namespace
