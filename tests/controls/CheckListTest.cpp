// The check list box on real windows: entries read whole, state objects made only when needed,
// toggling by mouse and keys, the radio rule, entries exchanged and moved with their states, a
// re-created window, the horizontal extent, the drawn check cells (from a test strip of 18 solid
// cells) and the states in the INI file.
#include "controls/Placemnt.h"
#include "controls/RXCtrls.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

// The colour of cell N of the test strip (tests/controls/data/make_check_cells.py).
COLORREF CellColor(int N) { return RGB(20 + 10 * N, 100, 250 - 10 * N); }

std::string Message(const std::function<void()>& F) {
  try {
    F();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "(nothing raised)";
}

// Text extent of S in Font on the screen, with one tab stop when Stop is above 0.
int Extent(TFont& Font, const std::string& S, int Stop = 0) {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font.Handle());
  int Result = 0;
  if (Stop > 0) {
    Result = LOWORD(GetTabbedTextExtentA(DC, S.data(), static_cast<int>(S.size()), 1, &Stop));
  } else {
    SIZE Size{};
    GetTextExtentPoint32A(DC, S.data(), static_cast<int>(S.size()), &Size);
    Result = Size.cx;
  }
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return Result;
}

class CheckListTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 320, 260);
    Box = new TRxCheckListBox(Form.get());
    Box->SetBounds(10, 10, 200, 200);
    Box->SetParent(Form.get());
    Box->OnStateChange = [this](TObject* Sender, int Index) {
      EXPECT_EQ(Sender, Box);
      Changes.push_back(Index);
    };
    Box->OnClickCheck = [this](TObject*) { ++ClickChecks; };
    Form->Show();
    PumpUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  void Fill(std::initializer_list<const char*> Texts) {
    for (const char* T : Texts) Box->Items()->Add(T);
  }
  void ClickAt(int Index, int X) {
    const RECT R = Box->ItemRect(Index);
    const LPARAM At = MAKELPARAM(R.left + X, (R.top + R.bottom) / 2);
    SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, At);
    PumpUntilIdle(20, 500);
  }
  void Key(char C) {
    SendMessageA(Box->Handle(), WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(C)), 1);
    PumpUntilIdle(20, 500);
  }
  std::vector<TCheckBoxState> States() {
    std::vector<TCheckBoxState> Result;
    for (int I = 0; I < Box->Items()->Count(); ++I) Result.push_back(Box->State(I));
    return Result;
  }
  LRESULT RawData(int Index) { return SendMessageA(Box->Handle(), LB_GETITEMDATA, static_cast<WPARAM>(Index), 0); }
  int HorizontalExtent() { return static_cast<int>(SendMessageA(Box->Handle(), LB_GETHORIZONTALEXTENT, 0, 0)); }

  std::unique_ptr<TForm> Form;
  TRxCheckListBox* Box = nullptr;
  std::vector<int> Changes;
  int ClickChecks = 0;
  std::vector<std::string> Errors;
};

TEST_F(CheckListTest, EntriesReadWholeAndOutsideTheListRaise) {
  const std::string Long(6000, 'q');
  Box->Items()->Add(Long);
  EXPECT_EQ(Box->Items()->Get(0), Long);
  EXPECT_EQ(Message([&] { Box->Items()->Get(5); }), "List index out of bounds (5)");
  EXPECT_EQ(Message([&] { Box->Items()->Objects(5); }), "List index out of bounds (5)");
  EXPECT_EQ(Box->CheckWidth(), 16);
  EXPECT_EQ(Box->CheckHeight(), 13);
}

TEST_F(CheckListTest, FreshEntryIsUncheckedEnabledWithoutStateObject) {
  Fill({"one"});
  EXPECT_EQ(Box->State(0), cbUnchecked);
  EXPECT_FALSE(Box->Checked(0));
  EXPECT_TRUE(Box->EntryEnabled(0));
  EXPECT_EQ(Box->Items()->Objects(0), nullptr);
  EXPECT_EQ(RawData(0), 0) << "reading made a state object";
  // Data lives in the state object.
  TObject Data;
  Box->Items()->PutObject(0, &Data);
  EXPECT_NE(RawData(0), 0);
  EXPECT_NE(RawData(0), reinterpret_cast<LRESULT>(&Data));
  EXPECT_EQ(Box->Items()->Objects(0), &Data);
  EXPECT_EQ(Box->State(0), cbUnchecked);
}

TEST_F(CheckListTest, ClicksInTheCheckAreaCycleStatesAndClicksOnTheTextOnlySelect) {
  Fill({"one", "two", "three"});
  Box->SetAllowGrayed(true);
  EXPECT_TRUE(Box->AllowGrayed());
  const std::vector<TCheckBoxState> Cycle{cbGrayed, cbChecked, cbUnchecked};
  for (TCheckBoxState Expected : Cycle) {
    ClickAt(1, 5);
    EXPECT_EQ(Box->State(1), Expected);
  }
  EXPECT_EQ(Changes, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(ClickChecks, 3);
  ClickAt(2, 30);
  EXPECT_EQ(Box->ItemIndex(), 2);
  EXPECT_EQ(Box->State(2), cbUnchecked);
  EXPECT_EQ(ClickChecks, 3);
  Box->SetEntryEnabled(0, false);
  for (int I = 0; I < 3; ++I) ClickAt(0, 5);
  EXPECT_EQ(Box->State(0), cbUnchecked);
  // The space bar toggles the selected entry (not a disabled one).
  Key(' ');
  EXPECT_EQ(Box->State(0), cbUnchecked);
  EXPECT_EQ(ClickChecks, 3);
  Box->SetItemIndex(2);
  Key(' ');
  EXPECT_EQ(Box->State(Box->ItemIndex()), cbGrayed);
  EXPECT_EQ(ClickChecks, 4);
}

TEST_F(CheckListTest, RadioModeKeepsExactlyOneEntryChecked) {
  Box->SetLoading();
  Box->SetAllowGrayed(true);
  Box->SetCheckKind(ckRadioButtons);
  Fill({"a", "b", "c"});
  EXPECT_FALSE(Box->AllowGrayed());
  EXPECT_EQ(Box->CheckedIndex(), -1);
  Box->Loaded();
  EXPECT_EQ(States(), (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbUnchecked}));
  Changes.clear();
  Box->SetState(2, cbChecked);
  EXPECT_EQ(States(), (std::vector<TCheckBoxState>{cbUnchecked, cbUnchecked, cbChecked}));
  EXPECT_EQ(Changes, std::vector<int>{2});
  Box->SetState(2, cbUnchecked);
  Box->SetChecked(2, false);
  EXPECT_EQ(Box->CheckedIndex(), 2);
  EXPECT_EQ(Changes, std::vector<int>{2});
  // A grayed state reads as unchecked.
  Box->SetState(1, cbGrayed);
  EXPECT_EQ(Box->State(1), cbUnchecked);
  Box->SetCheckedIndex(-4);
  EXPECT_EQ(Box->CheckedIndex(), 0);
}

TEST_F(CheckListTest, PlusAndMinusSkipDisabledEntriesAndDoNothingInRadioMode) {
  Fill({"a", "b", "c"});
  Box->SetEntryEnabled(1, false);
  Key('+');
  EXPECT_EQ(States(), (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbChecked}));
  EXPECT_EQ(ClickChecks, 1);
  Box->SetEntryEnabled(1, true);
  Box->SetChecked(1, true);
  Box->SetEntryEnabled(2, false);
  Key('-');
  EXPECT_EQ(States(), (std::vector<TCheckBoxState>{cbUnchecked, cbUnchecked, cbChecked}));
  EXPECT_EQ(ClickChecks, 2);
  Box->SetCheckKind(ckRadioButtons);
  const std::vector<TCheckBoxState> Before = States();
  Key('+');
  Key('-');
  EXPECT_EQ(States(), Before);
  EXPECT_EQ(ClickChecks, 2);
}

TEST_F(CheckListTest, ExchangeAndMoveKeepStateFlagAndDataWithTheText) {
  Fill({"a", "b", "c", "d"});
  TObject DataA, DataC;
  Box->Items()->PutObject(0, &DataA);
  Box->Items()->PutObject(2, &DataC);
  Box->SetAllowGrayed(true);
  Box->SetState(0, cbGrayed);
  Box->SetEntryEnabled(0, false);
  Box->SetChecked(2, true);
  auto Snapshot = [&] {
    std::vector<std::string> Rows;
    for (int I = 0; I < Box->Items()->Count(); ++I) {
      const TObject* Data = Box->Items()->Objects(I);
      Rows.push_back(Box->Items()->Get(I) + ":" + std::to_string(Box->State(I)) + (Box->EntryEnabled(I) ? "e" : "d") +
                     (Data == &DataA ? "A" : Data == &DataC ? "C" : "-"));
    }
    return Rows;
  };
  Box->Items()->Exchange(0, 2);
  EXPECT_EQ(Snapshot(), (std::vector<std::string>{"c:1eC", "b:0e-", "a:2dA", "d:0e-"}));
  Box->Items()->Move(2, 3);
  EXPECT_EQ(Snapshot(), (std::vector<std::string>{"c:1eC", "b:0e-", "d:0e-", "a:2dA"}));
  Box->Items()->Move(3, 0);
  EXPECT_EQ(Snapshot(), (std::vector<std::string>{"a:2dA", "c:1eC", "b:0e-", "d:0e-"}));
}

TEST_F(CheckListTest, BorderStyleChangeRecreatesTheWindowKeepingEverything) {
  std::vector<TObject> Data(30);
  for (int I = 0; I < 30; ++I) Box->Items()->AddObject("entry " + std::to_string(I), &Data[static_cast<size_t>(I)]);
  Box->SetAllowGrayed(true);
  Box->SetState(3, cbGrayed);
  Box->SetChecked(17, true);
  Box->SetEntryEnabled(20, false);
  Box->SetItemIndex(22);
  Box->SetTopIndex(12);
  const int Top = Box->TopIndex();
  ASSERT_GT(Top, 0);
  const HWND Old = Box->Handle();
  Changes.clear();
  Box->SetBorderStyle(bsNone);
  ASSERT_NE(Box->Handle(), Old);
  EXPECT_EQ(GetWindowLongPtrA(Box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  ASSERT_EQ(Box->Items()->Count(), 30);
  for (int I = 0; I < 30; ++I) {
    EXPECT_EQ(Box->Items()->Get(I), "entry " + std::to_string(I));
    EXPECT_EQ(Box->Items()->Objects(I), &Data[static_cast<size_t>(I)]) << I;
    EXPECT_EQ(Box->State(I), I == 3 ? cbGrayed : I == 17 ? cbChecked : cbUnchecked) << I;
    EXPECT_EQ(Box->EntryEnabled(I), I != 20) << I;
  }
  EXPECT_EQ(Box->ItemIndex(), 22);
  EXPECT_EQ(Box->TopIndex(), Top);
  EXPECT_TRUE(Changes.empty());
}

TEST_F(CheckListTest, HorizontalExtentFollowsTheWidestEntry) {
  Fill({"short", "a much wider entry here", "mid entry"});
  TFont& Font = Box->Font();
  const int Widest = Extent(Font, "a much wider entry herex") + 18;
  EXPECT_EQ(Box->MaxItemWidth(), Widest);
  EXPECT_EQ(HorizontalExtent(), Widest);
  Box->Items()->Delete(1);
  EXPECT_EQ(HorizontalExtent(), Extent(Font, "mid entryx") + 18);
  Box->Items()->Delete(0);  // not the widest: kept
  EXPECT_EQ(HorizontalExtent(), Extent(Font, "mid entryx") + 18);
  Box->Items()->Clear();
  EXPECT_EQ(HorizontalExtent(), 0);
  Box->SetAutoScroll(false);
  Fill({"anything"});
  EXPECT_EQ(HorizontalExtent(), 0);
}

TEST_F(CheckListTest, TabStopIsAQuarterOfTheZeroWidthPerUnitRoundedHalfToEven) {
  for (int TabWidth : {8, 6, 5}) {
    Box->SetTabWidth(TabWidth);
    Box->Items()->Clear();
    Fill({"\tW"});
    const int Zero = Extent(Box->Font(), "0");
    const double Exact = Zero * TabWidth / 4.0;
    int Stop = static_cast<int>(std::floor(Exact));
    if (Exact - Stop > 0.5 || (Exact - Stop == 0.5 && Stop % 2 != 0)) ++Stop;
    EXPECT_EQ(HorizontalExtent(), Extent(Box->Font(), "\tWx", Stop) + 18) << TabWidth;
    EXPECT_NE(GetWindowLongPtrA(Box->Handle(), GWL_STYLE) & LBS_USETABSTOPS, 0);
  }
}

// The layout format through the class table: "InternalVersion" before "Strings", one line per
// value; older layouts read with their own entry shape; reading fires no OnStateChange.
TEST_F(CheckListTest, LayoutStringsByVersion) {
  struct TEntry {
    std::string Text;
    TCheckBoxState State;
    bool Enabled;
  };
  struct TCase {
    const char* Version;  // nullptr: the layout names none
    std::string Strings;  // "/" between lines
    std::vector<TEntry> Entries;
  };
  const TCase Cases[] = {
      {"202", "a/1/True/b/2/False", {{"a", cbChecked, true}, {"b", cbGrayed, false}}},
      {nullptr, "a/True/False", {{"a", cbChecked, false}}},
      {"0", "a/False/True/b/True/True", {{"a", cbUnchecked, true}, {"b", cbChecked, true}}},
      {"201", "a/False/True/2", {{"a", cbGrayed, true}}},
      {"201", "a/True/False/0/b/False/True/1", {{"a", cbUnchecked, false}, {"b", cbChecked, true}}},
  };
  const auto Lines = [](std::string Text) {
    for (char& C : Text)
      if (C == '/') C = '\n';
    return Text;
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Version ? C.Version : "none") + ": " + C.Strings);
    auto* Read = new TRxCheckListBox(Form.get());
    Read->SetBounds(220, 10, 80, 100);
    Read->SetParent(Form.get());
    int Fired = 0;
    Read->OnStateChange = [&](TObject*, int) { ++Fired; };
    if (C.Version) SetPropText(Read, "InternalVersion", C.Version);
    SetPropText(Read, "Strings", Lines(C.Strings));
    EXPECT_EQ(Fired, 0);
    ASSERT_EQ(Read->Items()->Count(), static_cast<int>(C.Entries.size()));
    std::string Written;
    for (size_t I = 0; I < C.Entries.size(); ++I) {
      const int At = static_cast<int>(I);
      EXPECT_EQ(Read->Items()->Get(At), C.Entries[I].Text);
      EXPECT_EQ(Read->State(At), C.Entries[I].State) << I;
      EXPECT_EQ(Read->EntryEnabled(At), C.Entries[I].Enabled) << I;
      Written += C.Entries[I].Text + "\r\n" + std::to_string(C.Entries[I].State) + "\r\n" +
                 (C.Entries[I].Enabled ? "True" : "False") + "\r\n";
    }
    // Written back in the current format, which reads back unchanged.
    EXPECT_EQ(GetPropText(Read, "InternalVersion"), "202");
    EXPECT_EQ(GetPropText(Read, "Strings"), Written);
    SetPropText(Read, "InternalVersion", "202");
    SetPropText(Read, "Strings", Written);
    EXPECT_EQ(GetPropText(Read, "Strings"), Written);
    EXPECT_EQ(Fired, 0);
    delete Read;
  }
  EXPECT_EQ(GetPropText(Box, "Strings"), "");
  // Outside reading, a state change still fires.
  Fill({"x"});
  Box->SetState(0, cbChecked);
  EXPECT_EQ(Changes, std::vector<int>{0});
}

// Automatic drags of a multi-select box: a press on a selected entry keeps the selection and drags
// once the pointer passes the threshold; a Shift press extends the selection and drags not; after a
// cancelled drag the box no longer follows the pointer.
TEST_F(CheckListTest, AutomaticDragsOfAMultiSelectBox) {
  Box->SetMultiSelect(true);
  Box->DragMode = dmAutomatic;
  Fill({"zero", "one", "two", "three", "four", "five"});
  PumpUntilIdle();
  const auto Selection = [&] {
    std::vector<int> Result;
    for (int I = 0; I < Box->Items()->Count(); ++I)
      if (Box->Selected(I)) Result.push_back(I);
    return Result;
  };
  const auto Point = [&](int Index, int Dx = 0) {
    const RECT R = Box->ItemRect(Index);
    return MAKELPARAM(R.left + 40 + Dx, (R.top + R.bottom) / 2);
  };
  const auto Mouse = [&](UINT Msg, WPARAM Keys, LPARAM At) {
    SendMessageA(GetCapture() ? GetCapture() : Box->Handle(), Msg, Keys, At);
    PumpUntilIdle(10, 200);
  };
  SendMessageA(Box->Handle(), LB_SELITEMRANGE, TRUE, MAKELPARAM(1, 2));
  ASSERT_EQ(Selection(), (std::vector<int>{1, 2}));

  // A press on a selected entry: the selection stays; within the threshold no drag, past it one.
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, Point(1));
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2}));
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, Point(1, 2));
  EXPECT_FALSE(Box->Dragging()) << "dragging within the threshold";
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, Point(1, 8));
  EXPECT_TRUE(Box->Dragging());
  EXPECT_EQ(Selection(), (std::vector<int>{1, 2}));
  Mouse(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(Box->Dragging());
  Mouse(WM_LBUTTONUP, 0, Point(2));

  // A Shift press extends the selection and starts no drag.
  SendMessageA(Box->Handle(), LB_SETSEL, FALSE, -1);
  SendMessageA(Box->Handle(), LB_SETSEL, TRUE, 0);
  SendMessageA(Box->Handle(), LB_SETCARETINDEX, 0, 0);
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Point(2));
  Mouse(WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, Point(2, 12));
  EXPECT_FALSE(Box->Dragging());
  Mouse(WM_LBUTTONUP, MK_SHIFT, Point(2, 12));
  EXPECT_EQ(Selection(), (std::vector<int>{0, 1, 2}));

  // A press on an entry not selected selects it; the drag that follows is cancelled; the pointer
  // moving on over the entries changes nothing.
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, Point(4));
  ASSERT_EQ(Selection(), std::vector<int>{4});
  Mouse(WM_MOUSEMOVE, MK_LBUTTON, Point(4, 12));
  ASSERT_TRUE(Box->Dragging());
  // The pointer over entry 5 as the drag is cancelled: the box's press and release land there.
  const POINT Over = Box->ClientToScreen(POINT{LOWORD(Point(5)), HIWORD(Point(5))});
  // Under X the pointer follows asynchronously and an echo of an earlier move can put it back:
  // the move is made again until it stays.
  const auto There = [&] {
    POINT P;
    GetCursorPos(&P);
    return P.x == Over.x && P.y == Over.y;
  };
  bool Stayed = false;
  for (int Try = 0; Try < 10 && !Stayed; ++Try) {
    ASSERT_TRUE(BringToForeground(Form->Handle())) << "the pointer move over entry 5";
    SetCursorPos(Over.x, Over.y);
    Stayed = PumpUntil(There, 1000) && !PumpUntil([&] { return !There(); }, 250);
  }
  ASSERT_TRUE(Stayed) << "the pointer does not stay over entry 5";
  Mouse(WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_FALSE(Box->Dragging());
  EXPECT_EQ(Selection(), std::vector<int>{5});
  const std::vector<int> After = Selection();
  for (int Index : {0, 1, 5, 2}) {
    SCOPED_TRACE(Index);
    SendMessageA(Box->Handle(), WM_MOUSEMOVE, MK_LBUTTON, Point(Index));
    PumpUntilIdle(10, 200);
    EXPECT_EQ(Selection(), After);
  }
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CheckListTest, EachKindStateAndFlagDrawsItsCellCentredInTheCheckArea) {
  Fill({"first entry", "second entry"});
  Box->SetColor(clWindow);
  const TCheckKind Kinds[] = {ckCheckBoxes, ckRadioButtons, ckCheckMarks};
  for (int Row = 0; Row < 3; ++Row) {
    Box->SetCheckKind(Kinds[Row]);
    for (int State = 0; State < 3; ++State) {
      if (Kinds[Row] == ckRadioButtons && State == 2) continue;  // reads as unchecked there
      for (bool Enabled : {true, false}) {
        Box->SetEntryEnabled(1, Enabled);
        if (Kinds[Row] == ckRadioButtons) Box->SetChecked(State == 1 ? 1 : 0, true);
        else Box->SetState(1, static_cast<TCheckBoxState>(State));
        const RECT R = Box->ItemRect(1);
        const int Left = R.left + (18 - 16) / 2, Top = R.top + (R.bottom - R.top - 13) / 2;
        const TWindowCapture Shot(Box->Handle());
        const int Cell = Row * 6 + State + (Enabled ? 0 : 3);
        const std::string Case = std::to_string(Row) + "/" + std::to_string(State) + (Enabled ? "" : " disabled");
        EXPECT_EQ(Shot.ClientPixel(Box->Handle(), Left + 8, Top + 6), CellColor(Cell)) << Case;
        EXPECT_EQ(Shot.ClientPixel(Box->Handle(), Left + 1, Top + 1), CellColor(Cell)) << Case;
        // The strip's frame is its transparent colour: the box's colour shows.
        EXPECT_EQ(Shot.ClientPixel(Box->Handle(), Left, Top), static_cast<COLORREF>(ColorToRGB(clWindow))) << Case;
        EXPECT_EQ(Shot.ClientPixel(Box->Handle(), Left + 15, Top + 12), static_cast<COLORREF>(ColorToRGB(clWindow))) << Case;
      }
    }
  }
  const TWindowCapture Shot(Form->Handle());
  EXPECT_TRUE(Shot.SavePng("checklist"));
}

TEST_F(CheckListTest, DisabledSelectedEntryDrawsItsTextInTheInactiveCaptionTextColour) {
  Fill({"MMMMMMMM", "WWWWWWWW"});
  Box->SetEntryEnabled(1, false);
  Box->SetItemIndex(1);
  SetFocus(Box->Handle());
  PumpUntilIdle();
  const COLORREF Inactive = GetSysColor(COLOR_INACTIVECAPTIONTEXT), Normal = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const RECT R = Box->ItemRect(1);
  const TWindowCapture Shot(Box->Handle());
  int InactiveCount = 0, NormalCount = 0;
  for (int Y = R.top; Y < R.bottom; ++Y)
    for (int X = R.left + 20; X < R.right; ++X) {
      const COLORREF C = Shot.ClientPixel(Box->Handle(), X, Y);
      InactiveCount += C == Inactive;
      NormalCount += C == Normal;
    }
  EXPECT_GT(InactiveCount, 10);
  if (Inactive != Normal) {
    EXPECT_LT(NormalCount, InactiveCount);
  }
}

// ---------------------------------------------------------------------------------------------
// States in the INI file

const TLayout& MainLayout() {
  static const TLayout Layout{
      "TfrmMain",
      "TForm",
      {{"Caption", "States"}, {"ClientWidth", "240"}, {"ClientHeight", "160"}},
      {},
      {
          {"TFormStorage", "FormStorage", "", 0, 0, 0, 0, alNone, akLeftTop, {{"IniSection", "Corvane"}}, {}},
          {"TRxCheckListBox", "lbStates", "", 8, 8, 200, 120, alNone, akLeftTop,
           {{"Items", "one\rtwo\rthree"}, {"AllowGrayed", "True"}, {"IniStorage", "FormStorage"}}, {}},
      }};
  return Layout;
}

class TfrmMain : public TForm {
public:
  explicit TfrmMain(TComponent* AOwner) : TForm(AOwner) { InitLayout(MainLayout()); }
  TFormStorage* Storage() { return static_cast<TFormStorage*>(FindComponent("FormStorage")); }
  TRxCheckListBox* States() { return static_cast<TRxCheckListBox*>(FindComponent("lbStates")); }
  void Run(TIniLinkOperation Operation) {
    Storage()->OpenStorage(Operation == ioLoad);
    Storage()->NotifyLinks(Operation);
    Storage()->CloseStorage();
  }
};

std::vector<std::string> SectionLines(const std::string& Ini, const std::string& Section) {
  std::vector<char> Buffer(4096);
  const DWORD Got = GetPrivateProfileSectionA(Section.c_str(), Buffer.data(), static_cast<DWORD>(Buffer.size()), Ini.c_str());
  std::vector<std::string> Lines;
  for (const char* P = Buffer.data(); P < Buffer.data() + Got && *P; P += strlen(P) + 1) Lines.push_back(P);
  return Lines;
}

class CheckListIniTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterComponentClass(TFormStorage::StaticClassInfo());
    RegisterComponentClass(TRxCheckListBox::StaticClassInfo());
    ASSERT_TRUE(Dir.Valid());
    Form = std::make_unique<TfrmMain>(Application);
    Form->Storage()->SetIniFileName(Ini);
  }
  TTempDir Dir;
  std::string Ini = Dir.File("states.ini");
  std::unique_ptr<TfrmMain> Form;
};

TEST_F(CheckListIniTest, LoadsTheCountedStatesAndSavesExactlyTheEntries) {
  const std::string Section = "Corvane\\TfrmMainlbStates";
  WritePrivateProfileStringA(Section.c_str(), "Count", "2", Ini.c_str());
  WritePrivateProfileStringA(Section.c_str(), "Item0", "1", Ini.c_str());
  WritePrivateProfileStringA(Section.c_str(), "Item1", "0", Ini.c_str());
  WritePrivateProfileStringA(Section.c_str(), "Item7", "2", Ini.c_str());
  TRxCheckListBox* Box = Form->States();
  ASSERT_EQ(Box->Items()->Count(), 3);
  Box->SetState(1, cbGrayed);
  Box->SetState(2, cbChecked);
  Form->Run(ioLoad);
  EXPECT_EQ(Box->State(0), cbChecked);
  EXPECT_EQ(Box->State(1), cbUnchecked);
  EXPECT_EQ(Box->State(2), cbChecked) << "beyond Count: left alone";

  Box->SetState(1, cbUnchecked);
  Box->SetState(2, cbGrayed);
  Form->Run(ioSave);
  EXPECT_EQ(SectionLines(Ini, Section), (std::vector<std::string>{"Count=3", "Item0=1", "Item1=0", "Item2=2"}));
}

TEST_F(CheckListIniTest, RadioModeLoadingStopsAtTheFirstCheckedEntry) {
  const std::string Section = "Corvane\\TfrmMainlbStates";
  for (const auto& [Key, Value] : {std::pair{"Count", "3"}, {"Item0", "0"}, {"Item1", "1"}, {"Item2", "1"}})
    WritePrivateProfileStringA(Section.c_str(), Key, Value, Ini.c_str());
  TRxCheckListBox* Box = Form->States();
  Box->SetCheckKind(ckRadioButtons);
  EXPECT_EQ(Box->CheckedIndex(), 0);
  Box->SetCheckedIndex(2);
  Form->Run(ioLoad);
  EXPECT_EQ(Box->CheckedIndex(), 1) << "Item2 was read after the first checked entry";
  EXPECT_EQ(Box->State(2), cbUnchecked);
}

}  // namespace
