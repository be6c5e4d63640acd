// The spin edit, its up-down and the diagonal spin button, on real windows.
#include "controls/ColorBox.h"
#include "controls/RXSpin.h"
#include "controls/RxCombos.h"
#include "controls/VCLUtils.h"
#include "tests/controls/SpinForm.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

int SpinBeeps = 0;
void CountSpinBeep() { ++SpinBeeps; }

TEST(SpinValues, ConversionTable) {
  char Sep[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Sep, sizeof(Sep));
  const struct {
    TValueType Type;
    double Min, Max;
    const char* Text;  // written as text when Write is NaN
    double Write;
    std::string Shown;
    double Read;
  } Cases[] = {
      {vtHex, 0, 0, nullptr, 255, "FF", 255},
      {vtHex, 0, 0, "1a", 0, "1a", 26},
      {vtFloat, 0, 0, nullptr, 1, std::string("1") + Sep + "00", 1},
      {vtInteger, 0, 0, nullptr, 2.5, "2", 2},
      {vtInteger, 0, 0, nullptr, 3.5, "4", 4},
      {vtInteger, 6, 20, "x", 0, "x", 6},
      {vtInteger, 0, 0, nullptr, -123456, "-123456", -123456},
      {vtInteger, 6, 20, nullptr, 25, "20", 20},
      {vtInteger, 0, 0, nullptr, 3000000000.0, "3000000000", 3000000000.0},
      {vtHex, 0, 0, nullptr, 3000000000.0, "B2D05E00", 3000000000.0},
  };
  for (const auto& C : Cases) {
    TRxSpinEdit Edit(nullptr);
    Edit.SetValueType(C.Type);
    Edit.MinValue = C.Min;
    Edit.MaxValue = C.Max;
    if (C.Text)
      Edit.SetText(C.Text);
    else
      Edit.SetValue(C.Write);
    EXPECT_EQ(Edit.Text(), C.Shown) << C.Shown;
    EXPECT_EQ(Edit.Value(), C.Read) << C.Shown;
  }
  TRxSpinEdit Edit(nullptr);
  Edit.SetValueType(vtFloat);
  Edit.SetIncrement(0.4);
  Edit.SetValueType(vtInteger);
  EXPECT_EQ(Edit.Increment(), 1.0);
}

TEST(SpinValues, AcceptsChar) {
  char Sep[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Sep, sizeof(Sep));
  TRxSpinEdit Edit(nullptr);
  EXPECT_TRUE(Edit.AcceptsChar('5'));
  EXPECT_TRUE(Edit.AcceptsChar('-'));
  EXPECT_FALSE(Edit.AcceptsChar('a'));
  Edit.SetValueType(vtHex);
  EXPECT_TRUE(Edit.AcceptsChar('a'));
  EXPECT_FALSE(Edit.AcceptsChar('g'));
  Edit.SetValueType(vtFloat);
  Edit.SetText("12");
  EXPECT_TRUE(Edit.AcceptsChar(Sep[0]));
  EXPECT_TRUE(Edit.AcceptsChar('e'));
  Edit.SetText(std::string("1") + Sep + "5E3");
  EXPECT_FALSE(Edit.AcceptsChar(Sep[0]));
  EXPECT_FALSE(Edit.AcceptsChar('e'));
  EXPECT_FALSE(Edit.AcceptsChar('E'));
  Edit.EditorEnabled = false;
  EXPECT_FALSE(Edit.AcceptsChar('1'));
  EXPECT_FALSE(Edit.AcceptsChar('\b'));
  EXPECT_TRUE(Edit.AcceptsChar('\x1b'));
}

class SpinTest : public ::testing::Test, public TSpinForm {
protected:
  void SetUp() override {
    RequireDisplay();
    SpinBeeps = 0;
    SetBeepFunc(CountSpinBeep);
    MakeSpinForm(120, 120);
    Edit->SetFocus();
    PumpUntilIdle();
  }
  void TearDown() override {
    SetBeepFunc(nullptr);
    FreeSpinForm();
  }
};

TEST_F(SpinTest, TypedValueClampedOnExit) {
  Edit->SetText("");
  TapKey(Form->Handle(), '3');
  EXPECT_EQ(Edit->Text(), "3");
  TapKey(Form->Handle(), VK_TAB);
  EXPECT_TRUE(PumpUntil([&] { return Other->Focused(); }, 2000));  // a loaded machine is slow
  EXPECT_EQ(Edit->Text(), "6");
}

TEST_F(SpinTest, StepsAndEvents) {
  int Changes = 0, Tops = 0;
  Edit->OnChange = [&](TObject*) { ++Changes; };
  Edit->OnTopClick = [&](TObject*) { ++Tops; };
  Edit->SetValue(20);
  Changes = 0;
  Edit->StepUp();
  EXPECT_EQ(Edit->Text(), "20");
  EXPECT_EQ(Changes, 0);
  EXPECT_EQ(Tops, 1);
  TapKey(Form->Handle(), VK_DOWN);
  EXPECT_EQ(Edit->Text(), "19");
  EXPECT_EQ(Changes, 1);
  // A click on the up-down's upper half adds the increment; the position stays 0.
  TRxUpDown* Up = Edit->UpDown();
  ASSERT_NE(Up, nullptr);
  RECT R;
  GetClientRect(Up->Handle(), &R);
  SendMessageA(Up->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.right / 2, R.bottom / 4));
  SendMessageA(Up->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(R.right / 2, R.bottom / 4));
  PumpUntilIdle();
  EXPECT_EQ(Edit->Text(), "20");
  EXPECT_EQ(SendMessageA(Up->Handle(), UDM_GETPOS32, 0, 0), 0);
  // Geometry: the up-down's width and the formatting rectangle.
  EXPECT_EQ(Up->Width(), std::min(GetSystemMetrics(SM_CXVSCROLL), 15));
  RECT Format;
  SendMessageA(Edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Format));
  // Wine adjusts a formatting rectangle on its own: the expected one goes through a plain edit.
  HWND Plain = CreateWindowExA(static_cast<DWORD>(GetWindowLongPtrA(Edit->Handle(), GWL_EXSTYLE)), "EDIT", "",
                               static_cast<DWORD>(GetWindowLongPtrA(Edit->Handle(), GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE), 0, 0, Edit->Width(), Edit->Height(),
                               Form->Handle(), nullptr, nullptr, nullptr);
  SendMessageA(Plain, WM_SETFONT, SendMessageA(Edit->Handle(), WM_GETFONT, 0, 0), 0);
  SendMessageA(Plain, EM_SETMARGINS, EC_RIGHTMARGIN, 0);
  RECT Wanted{0, 0, Up->Left() - 2, Edit->ClientHeight() + 1}, Expected;
  SendMessageA(Plain, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&Wanted));
  SendMessageA(Plain, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Expected));
  DestroyWindow(Plain);
  EXPECT_EQ(Format.right, Expected.right);
  EXPECT_LE(Format.right, Up->Left() - 2);
}

TEST_F(SpinTest, ReadOnlyAndEditorDisabled) {
  Edit->SetReadOnly(true);
  TapKey(Form->Handle(), VK_UP);
  // Both halves of the up-down.
  TRxUpDown* Up = Edit->UpDown();
  ASSERT_NE(Up, nullptr);
  RECT R;
  GetClientRect(Up->Handle(), &R);
  for (int Y : {R.bottom / 4, R.bottom * 3 / 4}) {
    SendMessageA(Up->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.right / 2, Y));
    SendMessageA(Up->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(R.right / 2, Y));
  }
  PumpUntilIdle();
  EXPECT_EQ(Edit->Text(), "8");
  EXPECT_EQ(SpinBeeps, 3);
  Edit->SetReadOnly(false);
  Edit->EditorEnabled = false;
  TapKey(Form->Handle(), '7');
  EXPECT_EQ(SpinBeeps, 4);
  EXPECT_EQ(Edit->Text(), "8");
  TapKey(Form->Handle(), VK_UP);
  EXPECT_EQ(Edit->Text(), "9");
}

// A window of another thread over Rect, which can take the foreground from the test's windows as
// another program would.
class TIntruder {
public:
  explicit TIntruder(RECT Rect) {
    FThread = std::thread([this, Rect] {
      FThreadId = GetCurrentThreadId();
      FWnd = CreateWindowExA(0, "STATIC", "intruder", WS_POPUP | WS_VISIBLE | WS_BORDER, Rect.left, Rect.top,
                             Rect.right - Rect.left, Rect.bottom - Rect.top, nullptr, nullptr, nullptr, nullptr);
      FReady = true;
      MSG Msg;
      while (GetMessageA(&Msg, nullptr, 0, 0) > 0) DispatchMessageA(&Msg);
      DestroyWindow(FWnd);
    });
    PumpUntil([this] { return FReady.load(); });
  }
  ~TIntruder() {
    PostThreadMessageA(FThreadId, WM_QUIT, 0, 0);
    FThread.join();
  }
  bool TakeForeground() {
    SetForegroundWindow(FWnd);
    return PumpUntil([this] { return GetForegroundWindow() == FWnd; }, 2000);
  }

private:
  std::thread FThread;
  std::atomic<bool> FReady{false};
  DWORD FThreadId = 0;
  HWND FWnd = nullptr;
};

TEST_F(SpinTest, AutoSelectOnEntryButNotOnAClick) {
  RECT Over;
  GetWindowRect(Form->Handle(), &Over);
  TIntruder Intruder(Over);
  struct TEntry {
    const char* Name;
    bool AutoSelect;
    bool Click;
    int Selected;
  };
  const TEntry Entries[] = {
      {"focus given", true, false, 2},
      {"click", true, true, 0},
      {"focus given without auto-select", false, false, 0},
  };
  Edit->SetValue(12);
  for (const TEntry& E : Entries) {
    SCOPED_TRACE(E.Name);
    ASSERT_TRUE(Intruder.TakeForeground());
    Edit->AutoSelect = E.AutoSelect;
    Other->SetFocus();
    PumpUntilIdle();
    Edit->SetSel(0, 0);
    if (E.Click)
      ASSERT_TRUE(LeftClickAt(Form->Handle(), Edit->ClientToScreen(POINT{6, Edit->ClientHeight() / 2})));
    else
      Edit->SetFocus();
    PumpUntilIdle();
    EXPECT_TRUE(Edit->Focused());
    EXPECT_EQ(Edit->SelLength(), E.Selected);
  }
  EXPECT_TRUE(BringToForeground(Form->Handle()));
}

TEST_F(SpinTest, EnterClicksTheDefaultButtonAndAddsNoLineBreak) {
  auto* Ok = new TButton(Form.get());
  Ok->SetBounds(100, 10, 75, 25);
  Ok->SetParent(Form.get());
  Ok->SetDefault(true);
  int Clicks = 0;
  Ok->OnClick = [&](TObject*) { ++Clicks; };
  Edit->SetFocus();
  PumpUntilIdle();
  TapKey(Form->Handle(), VK_RETURN);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Edit->Text(), "8");
  SendMessageA(Edit->Handle(), WM_CHAR, '\n', 1);
  EXPECT_EQ(Edit->Text(), "8");
  // Pasted text is taken up to its first line break.
  if (OpenClipboard(Edit->Handle())) {
    EmptyClipboard();
    HGLOBAL Data = GlobalAlloc(GMEM_MOVEABLE, 16);
    memcpy(GlobalLock(Data), "12\r\n34", 7);
    GlobalUnlock(Data);
    SetClipboardData(CF_TEXT, Data);
    CloseClipboard();
  }
  Edit->SelectAll();
  SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Edit->Text(), "12");
}

// ---------------------------------------------------------------------------------------------
// The diagonal button

class SpinButtonTest : public SpinTest {
protected:
  void SetUp() override {
    SpinTest::SetUp();
    Button = new TRxSpinButton(Form.get());
    Button->SetBounds(150, 60, 20, 20);
    Button->SetParent(Form.get());
    Button->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) {
      LastMove = POINT{X, Y};
      ++Moves;
    };
    ASSERT_TRUE(BringToForeground(Form->Handle()));
    SetCursorPos(0, 0);  // off the form, so that the first move onto the button is one
    PumpUntilIdle();
  }
  void TearDown() override {
    INPUT Release{};
    Release.type = INPUT_MOUSE;
    Release.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &Release, sizeof(Release));  // whichever window is in front

    Application->OnException = nullptr;
    SpinTest::TearDown();
  }
  // Moves the pointer to the button's point (X, Y) as the mouse does. Wine's X driver echoes each
  // move back from the X server, sometimes after the next one: the move is sent again until the
  // last move the button saw is (X, Y) and no other follows for a while.
  void MoveTo(int X, int Y) {
    const POINT P = Button->ClientToScreen(POINT{X, Y});
    for (int Try = 0; Try < 10; ++Try) {
      Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, P.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1),
            P.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1));
      PumpUntil([&] { return LastMove.x == X && LastMove.y == Y; }, 500);
      int Seen;
      do {
        Seen = Moves;
        PumpUntilTime(GetTickCount(), 120);
      } while (Seen != Moves);
      if (LastMove.x == X && LastMove.y == Y) return;
    }
    ADD_FAILURE() << "the pointer did not stay at " << X << "," << Y;
  }
  void Mouse(DWORD Flags, LONG X = 0, LONG Y = 0) {
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dwFlags = Flags;
    In.mi.dx = X;
    In.mi.dy = Y;
    SendInputTo(Form->Handle(), &In, 1);
  }
  // Pumps messages until Ms milliseconds after Start.
  static void PumpUntilTime(DWORD Start, DWORD Ms) {
    PumpUntil([&] { return GetTickCount() - Start >= Ms; }, Ms + 500);
  }
  TRxSpinButton* Button = nullptr;
  POINT LastMove{-1000, -1000};  // the last mouse move the button saw
  int Moves = 0;
};

TEST_F(SpinButtonTest, HalvesAndRepeat) {
  EXPECT_EQ(Button->HalfAt(5, 5), sbTopDown);
  EXPECT_EQ(Button->HalfAt(0, 20), sbTopDown);
  EXPECT_EQ(Button->HalfAt(10, 10), sbTopDown);
  EXPECT_EQ(Button->HalfAt(20, 0), sbTopDown);
  EXPECT_EQ(Button->HalfAt(15, 15), sbBottomDown);
  std::vector<DWORD> Times;
  DWORD Start = 0;
  Button->OnTopClick = [&](TObject*) { Times.push_back(GetTickCount() - Start); };
  MoveTo(5, 5);
  Start = GetTickCount();
  Mouse(MOUSEEVENTF_LEFTDOWN);
  PumpUntilTime(Start, 650);
  Mouse(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle();
  ASSERT_GE(Times.size(), 3u);
  ASSERT_LE(Times.size(), 5u);
  EXPECT_LT(Times[0], 100u);
  EXPECT_NEAR(static_cast<double>(Times[1]), 400, 80);
  EXPECT_NEAR(static_cast<double>(Times[2]), 500, 80);
  EXPECT_EQ(Button->Down(), sbNotDown);
}

TEST_F(SpinButtonTest, MovingOffPausesAndMovingBackResumes) {
  int Tops = 0, Bottoms = 0;
  Button->OnTopClick = [&](TObject*) { ++Tops; };
  Button->OnBottomClick = [&](TObject*) { ++Bottoms; };
  MoveTo(5, 5);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Tops >= 2; }, 1500)) << "the repeat did not start";
  EXPECT_EQ(Button->Down(), sbTopDown);
  // Off the control, then over the other half: no half is pressed and the ticks click nothing.
  MoveTo(5, 40);
  EXPECT_EQ(Button->Down(), sbNotDown);
  const int Paused = Tops;
  PumpUntilTime(GetTickCount(), 250);
  MoveTo(15, 15);
  PumpUntilTime(GetTickCount(), 250);
  EXPECT_EQ(Button->Down(), sbNotDown);
  EXPECT_EQ(Tops, Paused);
  EXPECT_EQ(Bottoms, 0);
  ASSERT_NE(Button->RepeatTimer(), nullptr);
  EXPECT_TRUE(Button->RepeatTimer()->Enabled());
  // Back over the pressed half: the repeat goes on.
  MoveTo(5, 5);
  EXPECT_EQ(Button->Down(), sbTopDown);
  EXPECT_TRUE(PumpUntil([&] { return Tops > Paused; }, 1000));
  EXPECT_EQ(Bottoms, 0);
  Mouse(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle();
  EXPECT_EQ(Button->Down(), sbNotDown);
}

TEST_F(SpinButtonTest, ThrowingRepeatStopsTheTimer) {
  int Clicks = 0, Errors = 0;
  std::string Message;
  Application->OnException = [&](TObject*, Exception& E) {
    ++Errors;
    Message = E.Message();
  };
  Button->OnTopClick = [&](TObject*) {
    if (++Clicks == 2) throw Exception("spin failed");
  };
  MoveTo(5, 5);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Errors > 0; }, 2000)) << "the repeat did not run";
  PumpUntilTime(GetTickCount(), 400);  // time for four more ticks
  EXPECT_EQ(Clicks, 2) << "no click after the one that raised";
  EXPECT_EQ(Errors, 1);
  EXPECT_EQ(Message, "spin failed");
  ASSERT_NE(Button->RepeatTimer(), nullptr);
  EXPECT_FALSE(Button->RepeatTimer()->Enabled());
  Mouse(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle();
}

TEST_F(SpinButtonTest, PicturesAtTheirLines) {
  const COLORREF Face = GetSysColor(COLOR_BTNFACE), Shadow = GetSysColor(COLOR_BTNSHADOW),
                 Light = GetSysColor(COLOR_BTNHIGHLIGHT), Frame = GetSysColor(COLOR_WINDOWFRAME);
  auto None = Button->DrawPicture(sbNotDown);
  auto Top = Button->DrawPicture(sbTopDown);
  auto Bottom = Button->DrawPicture(sbBottomDown);
  auto Px = [](TBitmap& B, int X, int Y) { return static_cast<COLORREF>(GetPixel(B.DC(), X, Y)); };
  EXPECT_EQ(Px(*None, 0, 10), Frame);
  EXPECT_EQ(Px(*None, 1, 8), Light);    // top half's left line
  EXPECT_EQ(Px(*Top, 1, 8), Shadow);    // pressed
  EXPECT_EQ(Px(*None, 10, 18), Shadow); // bottom line
  EXPECT_EQ(Px(*Bottom, 10, 18), Light);
  EXPECT_EQ(Px(*None, 4, 9), Face);
  EXPECT_EQ(Px(*None, 12, 6), Shadow);  // the top half's shadow line
  EXPECT_EQ(Px(*Top, 12, 6), Face);
  // The up arrow (6x6, tip at its row 1, column 2) at N(5 - 3) + 1 = 3.
  EXPECT_EQ(Px(*None, 3 + 2, 3 + 1), RGB(0, 0, 0));
  EXPECT_EQ(Px(*Top, 4 + 2, 4 + 1), RGB(0, 0, 0));
}

// The pixels of the edit's text in Shot differ from the same text drawn by the system in the edit's
// font at its place (highlighted when all of it is selected): a count of what covers or clips it.
int TextMismatches(const TWindowCapture& Shot, TRxSpinEdit& E) {
  const std::string Text = E.Text();
  const LRESULT Pos = SendMessageA(E.Handle(), EM_POSFROMCHAR, 0, 0);
  const int X0 = static_cast<short>(LOWORD(Pos)), Y0 = static_cast<short>(HIWORD(Pos));
  const bool Selected = E.SelStart() == 0 && E.SelLength() == static_cast<int>(Text.size());
  TBitmap Reference(1, 1, pf24bit);
  HDC DC = Reference.DC();
  HGDIOBJ OldFont = SelectObject(DC, reinterpret_cast<HFONT>(SendMessageA(E.Handle(), WM_GETFONT, 0, 0)));
  SIZE Size{};
  GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &Size);
  SelectObject(DC, OldFont);
  Reference.SetSize(Size.cx, Size.cy);
  DC = Reference.DC();
  OldFont = SelectObject(DC, reinterpret_cast<HFONT>(SendMessageA(E.Handle(), WM_GETFONT, 0, 0)));
  SetBkMode(DC, OPAQUE);
  SetBkColor(DC, Selected ? GetSysColor(COLOR_HIGHLIGHT) : static_cast<COLORREF>(ColorToRGB(E.Color())));
  SetTextColor(DC, Selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : static_cast<COLORREF>(ColorToRGB(E.Font().Color())));
  TextOutA(DC, 0, 0, Text.c_str(), static_cast<int>(Text.size()));
  SelectObject(DC, OldFont);
  int Mismatches = 0;
  for (int Y = 0; Y < Size.cy; ++Y)
    for (int X = 0; X < Size.cx; ++X)
      if (Shot.ClientPixel(E.Handle(), X0 + X, Y0 + Y) != static_cast<COLORREF>(GetPixel(DC, X, Y))) ++Mismatches;
  return Size.cx > 0 ? Mismatches : -1;
}

TEST_F(SpinTest, Gallery) {
  Form->SetBounds(120, 120, 420, 300);
  Edit->SetButtonKind(bkDiagonal);
  auto* Std = new TRxSpinEdit(Form.get());
  Std->SetBounds(10, 90, 60, 21);
  Std->SetButtonKind(bkStandard);
  Std->SetParent(Form.get());
  auto* Fonts = new TFontComboBox(Form.get());
  Fonts->SetBounds(10, 130, 85, 21);
  Fonts->SetParent(Form.get());
  auto* Colours = new TAdvColorComboBox(Form.get());
  Colours->SetBounds(100, 10, 180, 21);
  Colours->SetParent(Form.get());
  Fonts->SetFontName(Fonts->Items()->Get(0));
  Colours->SetSelectedColor(0x0000FF);
  Colours->SetDroppedDown(true);
  PumpUntilIdle();
  TWindowCapture Shot(Form->Handle());
  EXPECT_TRUE(Shot.SavePng("controls-3"));
  // The list shows beside the form's picture: it was dropped down when captured.
  EXPECT_TRUE(Colours->DroppedDown());
  Colours->SetDroppedDown(false);
  // Both spin edits show their whole text, the focused one selected: no caret over the first digit.
  ASSERT_TRUE(Edit->Focused());
  EXPECT_EQ(Edit->SelLength(), 1);
  EXPECT_EQ(TextMismatches(Shot, *Edit), 0);
  EXPECT_EQ(TextMismatches(Shot, *Std), 0);
}

}  // namespace
