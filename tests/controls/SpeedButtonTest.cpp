// Speed buttons: state images from glyph strips and the shared glyph lists, painted into a DIB under
// chosen system colours; groups, drop-down menus, repeated clicks, accelerators, modal results and
// actions driven with real input on a shown form.
#include "classlib/gui/ActnList.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Menus.h"
#include "controls/RXCtrls.h"
#include "tests/support/Gui.h"
#include "tests/support/Pixels.h"
#include "tests/support/SysColors.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr COLORREF Face = RGB(200, 200, 200), Highlight = RGB(250, 250, 240), Shadow = RGB(60, 60, 140),
                   Frame = RGB(10, 10, 10), BtnText = RGB(0, 150, 0), Magenta = RGB(255, 0, 255);
constexpr COLORREF Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255), Yellow = RGB(255, 255, 0);

// A strip of 16 x 16 cells of the given colours, each with a magenta bottom-left pixel.
std::unique_ptr<TBitmap> MakeStrip(const std::vector<COLORREF>& Cells, int Width = 0, int Height = 16) {
  auto Strip = std::make_unique<TBitmap>();
  Strip->SetSize(Width ? Width : 16 * static_cast<int>(Cells.size()), Height);
  for (size_t I = 0; I < Cells.size(); ++I) {
    const int X = static_cast<int>(I) * 16;
    Strip->Canvas().BrushColor = static_cast<TColor>(Cells[I]);
    Strip->Canvas().FillRect(RECT{X, 0, X + 16, Height});
    Strip->Canvas().SetPixel(X, Height - 1, static_cast<TColor>(Magenta));
  }
  return Strip;
}

// The pixels of the button painted into a DIB.
struct TPainted {
  std::unique_ptr<TSurface> Surface;
  int Count(COLORREF Color) const {
    int N = 0;
    for (COLORREF C : Surface->Pixels()) N += C == Color;
    return N;
  }
  RECT Box(COLORREF Color) const {
    RECT Box{1000, 1000, -1, -1};
    for (int Y = 0; Y < Surface->Height(); ++Y)
      for (int X = 0; X < Surface->Width(); ++X)
        if (Surface->At(X, Y) == Color) {
          Box.left = std::min<LONG>(Box.left, X);
          Box.top = std::min<LONG>(Box.top, Y);
          Box.right = std::max<LONG>(Box.right, X + 1);
          Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
        }
    return Box;
  }
};

TPainted Paint(TRxSpeedButton& Button) {
  TPainted P{std::make_unique<TSurface>(Button.Width(), Button.Height())};
  Button.PaintTo(P.Surface->DC());
  return P;
}

class SpeedButtonTest : public ::testing::Test {
protected:
  void SetUp() override { RequireDisplay(); }
  TSysColors Colors{{COLOR_BTNFACE, Face},   {COLOR_BTNHIGHLIGHT, Highlight}, {COLOR_BTNSHADOW, Shadow},
                    {COLOR_WINDOWFRAME, Frame}, {COLOR_BTNTEXT, BtnText}};
};

TEST_F(SpeedButtonTest, FourCellStripGivesAnImagePerState) {
  auto Button = std::make_unique<TRxSpeedButton>(nullptr);
  auto Strip = MakeStrip({Red, Green, Blue, Yellow});
  Button->SetGlyph(Strip.get());
  EXPECT_EQ(Button->NumGlyphs(), 4);
  EXPECT_EQ(Button->GlyphObject().TransparentColor(), static_cast<TColor>(Magenta));

  auto Up = Paint(*Button);
  EXPECT_EQ(Up.Count(Red), 255);
  EXPECT_EQ(Up.Count(Magenta), 0);
  const RECT Box = Up.Box(Red);
  EXPECT_EQ(Box.right - Box.left, 16);
  EXPECT_EQ(Up.Surface->At(Box.left, Box.bottom - 1), Face);  // the transparent corner

  Button->SetEnabled(false);
  EXPECT_EQ(Paint(*Button).Count(Green), 255);
  Button->SetEnabled(true);

  Button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(Button->State(), sbsDown);
  auto Down = Paint(*Button);
  EXPECT_EQ(Down.Count(Blue), 255);
  EXPECT_EQ(Down.Box(Blue).left, Box.left + 1);
  EXPECT_EQ(Down.Box(Blue).top, Box.top + 1);
  Button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-5, -5));
  EXPECT_EQ(Button->State(), sbsUp);

  Button->SetGroupIndex(1);
  Button->SetDown(true);
  EXPECT_EQ(Button->State(), sbsExclusive);
  EXPECT_EQ(Paint(*Button).Count(Yellow), 255);

  auto Flat = std::make_unique<TRxSpeedButton>(nullptr);
  Flat->SetGlyph(Strip.get());
  Flat->SetFlat(true);
  auto Inactive = Paint(*Flat);
  EXPECT_EQ(Inactive.Count(RGB(76, 76, 76)), 255);
  EXPECT_EQ(Inactive.Count(Face), 25 * 25 - 255);  // no frame without the mouse
  Flat->SetGrayedInactive(false);
  EXPECT_EQ(Paint(*Flat).Count(Red), 255);
}

TEST_F(SpeedButtonTest, NumGlyphsFollowsTheStripShape) {
  TRxButtonGlyph Glyph;
  struct TCase {
    int Width, Before, After;
  } Cases[] = {{64, 1, 4}, {96, 3, 1}, {40, 2, 2}, {80, 1, 5}, {16, 4, 1}};
  for (const TCase& C : Cases) {
    Glyph.SetNumGlyphs(C.Before);
    auto Strip = MakeStrip({Red}, C.Width);
    Glyph.SetGlyph(Strip.get());
    EXPECT_EQ(Glyph.NumGlyphs(), C.After) << C.Width;
  }
  TRxSpeedButton Button(nullptr);
  Button.SetNumGlyphs(9);
  EXPECT_EQ(Button.NumGlyphs(), 5);
  Button.SetNumGlyphs(0);
  EXPECT_EQ(Button.NumGlyphs(), 5);
  Button.SetMargin(-3);
  EXPECT_EQ(Button.Margin(), -1);
  // Red becomes grey 76; the transparent colour and the face stay.
  EXPECT_EQ(Glyph.GrayColor(static_cast<TColor>(Red)), static_cast<TColor>(RGB(76, 76, 76)));
  EXPECT_EQ(Glyph.GrayColor(static_cast<TColor>(Magenta)), static_cast<TColor>(Magenta));
  EXPECT_EQ(Glyph.GrayColor(static_cast<TColor>(Face)), static_cast<TColor>(Face));
}

TEST_F(SpeedButtonTest, SingleGlyphIsEmbossedWhenDisabledAndPressedAsUp) {
  auto Strip = MakeStrip({Magenta});
  Strip->Canvas().BrushColor = clBlack;
  Strip->Canvas().FillRect(RECT{4, 4, 12, 12});
  auto Button = std::make_unique<TRxSpeedButton>(nullptr);
  Button->SetGlyph(Strip.get());
  EXPECT_EQ(Button->NumGlyphs(), 1);
  auto Up = Paint(*Button);
  const RECT Square = Up.Box(RGB(0, 0, 0));
  EXPECT_EQ(Up.Count(RGB(0, 0, 0)), 64);

  Button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  auto Down = Paint(*Button);
  Button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-5, -5));
  EXPECT_EQ(Down.Count(RGB(0, 0, 0)), 64);
  EXPECT_EQ(Down.Box(RGB(0, 0, 0)).left, Square.left + 1);
  EXPECT_EQ(Down.Box(RGB(0, 0, 0)).top, Square.top + 1);

  Button->SetEnabled(false);
  auto Disabled = Paint(*Button);
  EXPECT_EQ(Disabled.Count(RGB(0, 0, 0)), 0);
  EXPECT_EQ(Disabled.Count(Magenta), 0);
  EXPECT_EQ(Disabled.Surface->At(Square.left + 3, Square.top + 3), Shadow);
  EXPECT_EQ(Disabled.Surface->At(Square.right, Square.bottom), Highlight);  // one pixel down and right
  for (int Y = Square.top; Y < Square.bottom; ++Y)
    for (int X = Square.left; X < Square.right; ++X) EXPECT_EQ(Disabled.Surface->At(X, Y), Shadow) << X << "," << Y;
}

TEST_F(SpeedButtonTest, GlyphListsAreSharedPerSizeAndFreedWithTheLastButton) {
  EXPECT_EQ(GlyphCache(), nullptr);
  {
    auto Strip16 = MakeStrip({Red, Green}), Strip20 = MakeStrip({Blue}, 20, 20);
    TRxSpeedButton A(nullptr), B(nullptr);
    A.SetGlyph(Strip16.get());
    B.SetGlyph(Strip16.get());
    Paint(A);
    Paint(B);
    ASSERT_NE(GlyphCache(), nullptr);
    EXPECT_EQ(GlyphCache()->ListCount(), 1);
    EXPECT_EQ(A.GlyphObject().GlyphList(), B.GlyphObject().GlyphList());
    EXPECT_EQ(A.GlyphObject().GlyphList()->Count(), 2);
    {
      TRxSpeedButton C(nullptr);
      C.SetGlyph(Strip20.get());
      Paint(C);
      EXPECT_EQ(GlyphCache()->ListCount(), 2);
    }
    EXPECT_EQ(GlyphCache()->ListCount(), 1);
    // A new strip gives the old images back; its own take the freed slots.
    B.SetGlyph(Strip16.get());
    EXPECT_EQ(A.GlyphObject().GlyphList()->Count(), 1);
    Paint(B);
    EXPECT_EQ(B.GlyphObject().BuildStateImage(sbsUp), 1);
  }
  EXPECT_EQ(GlyphCache(), nullptr);

  TGlyphList List(16, 16);
  auto Image = MakeStrip({Red});
  const int First = List.AddMaskedImage(*Image, static_cast<TColor>(Magenta));
  const int Second = List.AddMaskedImage(*Image, static_cast<TColor>(Magenta));
  EXPECT_EQ(First, 0);
  EXPECT_EQ(Second, 1);
  List.ReleaseIndex(First);
  List.ReleaseIndex(First);
  EXPECT_EQ(List.Count(), 1);
  EXPECT_EQ(List.AddImage(*Image, nullptr), First);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(List.TCustomImageList::Count(), 2);
}

TEST_F(SpeedButtonTest, CaptionIsCentredAndTheDropDownMarkFollowsIt) {
  auto Button = std::make_unique<TRxSpeedButton>(nullptr);
  Button->SetBounds(0, 0, 90, 30);
  Button->SetCaption("Abc");
  Button->SetSpacing(-1);
  Button->Font().SetColor(static_cast<TColor>(Blue));
  auto Plain = Paint(*Button);
  const RECT Text = Plain.Box(Blue);
  ASSERT_GT(Text.right, 0);
  // Inside the frame (three pixels) the caption is centred, to a pixel of rounding and ink.
  EXPECT_LE(std::abs((Text.left - 3) - (90 - 3 - Text.right)), 2);
  EXPECT_LE(std::abs((Text.top - 3) - (30 - 3 - Text.bottom)), 2);
  EXPECT_EQ(Plain.Count(BtnText), 0);

  TPopupMenu Menu(nullptr);
  Button->SetDropDownMenu(&Menu);
  auto Marked = Paint(*Button);
  EXPECT_EQ(Marked.Count(BtnText), 16);
  const RECT Mark = Marked.Box(BtnText), Moved = Marked.Box(Blue);
  EXPECT_EQ(Mark.right - Mark.left, 7);
  EXPECT_EQ(Mark.bottom - Mark.top, 4);
  // Three pixels after the caption's rectangle, which is as wide as the text.
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Button->Font().Handle());
  SIZE Extent{};
  GetTextExtentPoint32A(DC, "Abc", 3, &Extent);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  // The ink of the centred caption starts where the plain one did, less half the mark's room.
  const int InkOffset = Text.left - (3 + 84 / 2 - Extent.cx / 2);
  EXPECT_EQ(Moved.left - InkOffset, 3 + 84 / 2 - (Extent.cx + 9) / 2);
  EXPECT_EQ(Mark.left, Moved.left - InkOffset + Extent.cx + 3);
  EXPECT_LT(Moved.left, Text.left);  // the mark's room moves the caption left
}

// The four frames of each look, from the outside in: top-left and bottom-right colours per ring.
TEST_F(SpeedButtonTest, FramesOfBothLooks) {
  struct TCase {
    bool Down, Flat;
    TButtonStyle Style;
    COLORREF OuterTop, OuterBottom, InnerTop, InnerBottom;
    int Inset;
  } Cases[] = {
      {false, false, bsNew, Highlight, Frame, Face, Shadow, 3},
      {false, true, bsNew, Highlight, Shadow, RGB(1, 2, 3), RGB(1, 2, 3), 2},
      {true, false, bsNew, Frame, Highlight, Shadow, Face, 3},
      {true, true, bsNew, Frame, Highlight, RGB(1, 2, 3), RGB(1, 2, 3), 2},
      {false, false, bsWin31, Frame, Frame, Highlight, Shadow, 3},
      {false, true, bsWin31, Highlight, Frame, RGB(1, 2, 3), RGB(1, 2, 3), 2},
      {true, false, bsWin31, Frame, Frame, Shadow, RGB(1, 2, 3), 2},
      {true, true, bsWin31, Frame, Highlight, RGB(1, 2, 3), RGB(1, 2, 3), 2},
      {false, false, bsAutoDetect, Highlight, Frame, Face, Shadow, 3},
  };
  for (const TCase& C : Cases) {
    TSurface S(10, 10);
    const RECT Inside = DrawSpeedButtonFrame(S.DC(), RECT{0, 0, 10, 10}, C.Down, C.Flat, C.Style);
    const std::string Name = std::to_string(C.Down) + std::to_string(C.Flat) + std::to_string(C.Style);
    EXPECT_EQ(S.At(0, 0), C.OuterTop) << Name;
    EXPECT_EQ(S.At(0, 8), C.OuterTop) << Name;
    EXPECT_EQ(S.At(9, 9), C.OuterBottom) << Name;
    EXPECT_EQ(S.At(9, 1), C.OuterBottom) << Name;
    EXPECT_EQ(S.At(1, 1), C.InnerTop) << Name;
    EXPECT_EQ(S.At(8, 8), C.InnerBottom) << Name;
    EXPECT_EQ(S.At(5, 5), RGB(1, 2, 3)) << Name;
    EXPECT_EQ(Inside.left, C.Inset) << Name;
    EXPECT_EQ(Inside.bottom, 10 - C.Inset) << Name;
  }
}

// The shown form the real input goes to.
HWND InputForm = nullptr;
void MouseClick();

// A shown form with buttons, pressed with real input.
class SpeedButtonInputTest : public SpeedButtonTest {
protected:
  void SetUp() override {
    SpeedButtonTest::SetUp();
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 300, 160);
    Form->Show();
    InputForm = Form->Handle();
    PumpUntilIdle();
    // A first click on an empty spot activates the form; the test's clicks then reach it whole.
    MoveTo(Form.get(), 250, 100);
    MouseClick();
    PumpUntilIdle(50);
  }
  void TearDown() override {
    INPUT Release{};
    Release.type = INPUT_MOUSE;
    Release.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &Release, sizeof(Release));  // whichever window is in front
    InputForm = nullptr;
    Application->OnException = nullptr;
    Form.reset();
    PumpUntilIdle(10, 300);
  }
  TRxSpeedButton* AddButton(int Left, const std::string& Caption = "") {
    auto* B = new TRxSpeedButton(Form.get());
    B->SetParent(Form.get());
    B->SetBounds(Left, 10, 60, 30);
    B->SetCaption(Caption);
    return B;
  }
  static void Input(DWORD Flags) {
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dwFlags = Flags;
    SendInputTo(InputForm, &In, 1);
  }
  // The pointer at the control's point, once the system has it there.
  static void MoveTo(TControl* Control, int X, int Y) {
    MovePointerTo(InputForm, Control->ClientToScreen(POINT{X, Y}));
    PumpUntilIdle(20, 500);
  }
  // A click on the control, handled before this returns.
  static void ClickOn(TControl* Control) {
    MoveTo(Control, 10, 10);
    bool Released = false;
    Control->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { Released = true; };
    MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return Released; }));
    Control->OnMouseUp = nullptr;
    PumpUntilIdle(30);
  }
  std::unique_ptr<TForm> Form;
};

void MouseClick() {
  INPUT In[2]{};
  In[0].type = In[1].type = INPUT_MOUSE;
  In[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  In[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInputTo(InputForm, In, 2);
}

bool MenuClosed = false;
void CALLBACK CloseMenuByClick(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  MouseClick();
  MenuClosed = true;
}

TRxSpeedButton* ModalTarget = nullptr;
TForm* ModalForm = nullptr;
// Clicks the target once its modal form shows (a loaded machine may take a while to map it).
void CALLBACK ClickModalTarget(HWND, UINT, UINT_PTR Id, DWORD) {
  if (!ModalForm->HandleAllocated() || !IsWindowVisible(ModalForm->Handle())) return;
  KillTimer(nullptr, Id);
  MovePointerTo(ModalForm->Handle(), ModalTarget->ClientToScreen(POINT{10, 10}));
  MouseClick();
}
void CALLBACK AbortModal(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  ModalForm->ModalResult = mrAbort;
}

TEST_F(SpeedButtonInputTest, GroupMembersReleaseEachOther) {
  TRxSpeedButton* A = AddButton(10);
  TRxSpeedButton* B = AddButton(80);
  TRxSpeedButton* Other = AddButton(150);
  A->SetGroupIndex(1);
  B->SetGroupIndex(1);
  int Clicks = 0;
  B->OnClick = [&](TObject*) { ++Clicks; };
  ClickOn(A);
  EXPECT_TRUE(A->Down());
  ClickOn(B);
  EXPECT_TRUE(B->Down());
  EXPECT_FALSE(A->Down());
  EXPECT_EQ(A->State(), sbsUp);
  ClickOn(B);  // a down button stays down
  EXPECT_TRUE(B->Down());
  EXPECT_EQ(Clicks, 2);
  ClickOn(Other);
  EXPECT_FALSE(Other->Down());
  EXPECT_TRUE(B->Down());
  B->SetAllowAllUp(true);  // the group takes it
  EXPECT_TRUE(A->AllowAllUp());
  ClickOn(B);
  EXPECT_FALSE(B->Down());
  EXPECT_FALSE(A->Down());
  EXPECT_EQ(B->State(), sbsUp);
}

TEST_F(SpeedButtonInputTest, DropDownMenuPressClicksNothing) {
  TRxSpeedButton* Button = AddButton(10, "Menu");
  auto* Menu = new TPopupMenu(Form.get());
  auto* Item = new TMenuItem(Menu);
  Item->SetCaption("Item");
  Menu->Items()->Add(Item);
  Button->SetDropDownMenu(Menu);
  int Clicks = 0, ItemClicks = 0, Popups = 0;
  Button->OnClick = [&](TObject*) { ++Clicks; };
  Item->OnClick = [&](TObject*) { ++ItemClicks; };
  Menu->OnPopup = [&](TObject*) { ++Popups; };
  MoveTo(Button, 10, 10);
  // The menu is closed by a click on the button while it shows.
  MenuClosed = false;
  SetTimer(nullptr, 0, 400, CloseMenuByClick);
  Input(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([] { return MenuClosed; }, 3000));
  Input(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle(50);
  EXPECT_EQ(Popups, 1);
  EXPECT_EQ(Menu->PopupComponent, Button);
  const POINT Expected = Button->ClientToScreen(POINT{-1, Button->Height()});
  EXPECT_EQ(Menu->PopupPoint.x, Expected.x);
  EXPECT_EQ(Menu->PopupPoint.y, Expected.y);
  EXPECT_EQ(Clicks, 0);
  EXPECT_EQ(ItemClicks, 0);
  EXPECT_EQ(Button->State(), sbsUp);
  EXPECT_FALSE(Button->MenuTracking());
  EXPECT_FALSE(Button->Dragging());
  // Without AutoPopup the button clicks as any other.
  Menu->AutoPopup = false;
  ClickOn(Button);
  EXPECT_EQ(Clicks, 1);
  EXPECT_EQ(Popups, 1);
}

TEST_F(SpeedButtonInputTest, HeldButtonRepeatsPausesOffItAndStopsOnAThrow) {
  TRxSpeedButton* Button = AddButton(10, "Repeat");
  Button->SetAllowTimer(true);
  std::vector<DWORD> Times;
  DWORD Start = 0;
  Button->OnClick = [&](TObject*) { Times.push_back(GetTickCount() - Start); };
  auto PumpFor = [](DWORD Ms) {
    const DWORD From = GetTickCount();
    PumpUntil([&] { return GetTickCount() - From >= Ms; }, Ms + 500);
  };
  MoveTo(Button, 10, 10);
  // Times count from the press as the button saw it; upper bounds leave room for a busy machine.
  Input(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Button->State() == sbsDown; })) << "the press did not arrive";
  Start = GetTickCount();
  PumpUntil([&] { return Times.size() >= 3; }, 2000);
  ASSERT_GE(Times.size(), 3u);
  EXPECT_GE(Times[0], 450u);
  EXPECT_LE(Times[0], 900u);
  for (size_t I = 1; I < Times.size(); ++I) {
    EXPECT_GE(Times[I] - Times[I - 1], 60u) << I;
    EXPECT_LE(Times[I] - Times[I - 1], 400u) << I;
  }
  // Off the button: no clicks; back on it: they go on.
  // (Wine keeps the pointer where it is while a button is held: the moves are the form's messages.)
  auto HeldMove = [&](int X, int Y) {
    PostMessageA(Form->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(Button->Left() + X, Button->Top() + Y));
    PumpUntilIdle(20, 500);
  };
  HeldMove(10, 60);
  EXPECT_EQ(Button->State(), sbsUp);
  const size_t Before = Times.size();
  PumpFor(350);
  EXPECT_EQ(Times.size(), Before);
  HeldMove(10, 10);
  EXPECT_EQ(Button->State(), sbsDown);
  EXPECT_TRUE(PumpUntil([&] { return Times.size() >= Before + 2; }, 2000));
  Input(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle();
  const size_t Released = Times.size();
  PumpFor(250);
  EXPECT_EQ(Times.size(), Released);
  ASSERT_NE(Button->RepeatTimer(), nullptr);
  EXPECT_FALSE(Button->RepeatTimer()->Enabled());

  // A click that raises stops the repeats and reaches the application's handler once.
  int Errors = 0, Calls = 0;
  Application->OnException = [&](TObject*, Exception& E) {
    ++Errors;
    EXPECT_EQ(E.Message(), "repeat failed");
  };
  Button->OnClick = [&](TObject*) {
    if (++Calls == 2) throw Exception("repeat failed");
  };
  Input(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(PumpUntil([&] { return Button->State() == sbsDown; })) << "the press did not arrive";
  PumpUntil([&] { return Calls >= 2; }, 3000);
  PumpFor(400);
  EXPECT_EQ(Calls, 2);
  EXPECT_EQ(Errors, 1);
  EXPECT_FALSE(Button->RepeatTimer()->Enabled());
  Input(MOUSEEVENTF_LEFTUP);
  PumpUntilIdle();
  EXPECT_EQ(Calls, 3);  // the release inside clicks once more
  Button->SetAllowTimer(false);
  EXPECT_EQ(Button->RepeatTimer(), nullptr);
}

TEST_F(SpeedButtonInputTest, AltAcceleratorClicksOnceUnlessDisabled) {
  TRxSpeedButton* Button = AddButton(10, "&Add");
  int Clicks = 0;
  Button->OnClick = [&](TObject*) { ++Clicks; };
  auto AltA = [] {
    INPUT In[4]{};
    for (INPUT& I : In) I.type = INPUT_KEYBOARD;
    In[0].ki.wVk = In[3].ki.wVk = VK_MENU;
    In[1].ki.wVk = In[2].ki.wVk = 'A';
    In[2].ki.dwFlags = In[3].ki.dwFlags = KEYEVENTF_KEYUP;
    EXPECT_TRUE(SendInputTo(InputForm, In, 4));
    PumpUntilIdle(50);
  };
  AltA();
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(Button->DialogChar('b'));
  Button->SetEnabled(false);
  EXPECT_FALSE(Button->DialogChar('a'));
  AltA();
  EXPECT_EQ(Clicks, 1);
}

TEST_F(SpeedButtonInputTest, ModalResultReachesTheForm) {
  TRxSpeedButton* Button = AddButton(10, "OK");
  Button->ModalResult = mrOk;
  Form->Hide();
  PumpUntilIdle();
  ModalTarget = Button;
  ModalForm = Form.get();
  // Once the modal loop runs, a click on the button; a later timer ends a loop that did not end.
  SetTimer(nullptr, 0, 100, ClickModalTarget);
  const UINT_PTR Guard = SetTimer(nullptr, 0, 20000, AbortModal);
  EXPECT_EQ(Form->ShowModal(), mrOk);
  KillTimer(nullptr, Guard);
}

TEST_F(SpeedButtonInputTest, ActionSetsDownAndTheEmptyGlyph) {
  auto* Images = new TImageList(Form.get());
  auto Picture = MakeStrip({Red});
  Images->AddMasked(*Picture, static_cast<TColor>(Magenta));
  auto* List = new TActionList(Form.get());
  List->SetImages(Images);
  auto* Action = new TAction(Form.get());
  Action->SetActionList(List);
  Action->SetCaption("Act");
  Action->SetChecked(true);
  Action->SetImageIndex(0);
  int Runs = 0;
  Action->OnExecute = [&](TObject*) { ++Runs; };
  TRxSpeedButton* Button = AddButton(10);
  Button->SetGroupIndex(1);
  Button->SetAction(Action);
  EXPECT_EQ(Button->Caption(), "Act");
  EXPECT_TRUE(Button->Down());
  ASSERT_EQ(Button->Glyph().Width(), 16);
  EXPECT_EQ(Button->Glyph().Height(), 16);
  EXPECT_EQ(Button->Glyph().Canvas().Pixel(8, 8), static_cast<TColor>(Red));
  EXPECT_EQ(Button->Glyph().Canvas().Pixel(0, 15), static_cast<TColor>(Magenta));
  EXPECT_EQ(Button->GlyphObject().TransparentColor(), static_cast<TColor>(Magenta));
  // A glyph of its own stays.
  TRxSpeedButton* Own = AddButton(80);
  auto Strip = MakeStrip({Blue, Green});
  Own->SetGlyph(Strip.get());
  Own->SetAction(Action);
  EXPECT_EQ(Own->Glyph().Width(), 32);
  EXPECT_FALSE(Own->Down());  // no group: never down
  ClickOn(Own);
  EXPECT_EQ(Runs, 1);
}

}  // namespace
