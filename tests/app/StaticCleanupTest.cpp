// The "Static Items Cleanup" page on the main window, over file types and shell verbs in the hermetic
// registry.
#include "classlib/gui/ActnList.h"
#include "controls/FileTypeView.h"
#include "controls/RXCtrls.h"
#include "model/StaticItemsCleanup.h"
#include "model/Utils.h"
#include "tests/app/CleanupFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string FooKey = "corvtype\\shell\\foo";
const std::string DisabledFoo = std::string(DisabledStaticItemsKey) + FooKey;
const std::string FooCommand = "\"C:\\Corvane Tools\\Foo.EXE\" /Open \"%1\"";
constexpr int CleanupPage = 2;

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  EndMenu();
}

class StaticCleanupTest : public CleanupWindowTest {
protected:
  void SetUp() override {
    CleanupWindowTest::SetUp();
    if (HasFatalFailure()) return;
    GetStaticItemsCleanup()->Reset();
    SetString(Classes, ".corv", "", "corvtype");
    SetString(Classes, "corvtype", "", "Corvane type");
    SetString(Classes, FooKey + "\\command", "", FooCommand);
    SetString(Classes, FooKey, "Extended", "");
    const BYTE Bin[] = {9, 0, 128};
    regtest::SetValueW(Classes, regtest::Widen(FooKey), L"Bin", REG_BINARY, regtest::Bytes(Bin, sizeof(Bin)));
    SetString(Classes, "corvtype\\shell\\bar (*)\\command", "", "notepad.exe \"%1\"");
    // Three verbs, one of them a standard verb.
    SetString(Classes, ".corx", "", "corxtype");
    SetString(Classes, "corxtype", "", "Corvane x type");
    SetString(Classes, "corxtype\\shell\\alpha", "", "Alpha Caption");
    SetString(Classes, "corxtype\\shell\\alpha\\command", "", "alpha.exe");
    SetString(Classes, "corxtype\\shell\\Open\\command", "", "opener.exe \"%1\"");
    SetString(Classes, "corxtype\\shell\\zeta\\command", "", "C:\\Zeta\\zeta.exe");
    // Only Corvane's own verb.
    SetString(Classes, ".corw", "", "corwtype");
    SetString(Classes, "corwtype", "", "Corvane w type");
    SetString(Classes, "corwtype\\shell\\mine (*)\\command", "", "notepad.exe");
  }
  void TearDown() override {
    CleanupWindowTest::TearDown();
    GetStaticItemsCleanup()->Reset();
  }
  void OpenPage() {
    if (!Form) Open();
    ShowPage(CleanupPage);
  }
  TFileTypeListView* Types() { return FindByName<TFileTypeListView>(Form, "lvFileTypes"); }
  TRxCheckListBox* Items() { return FindByName<TRxCheckListBox>(Form, "lbMenuItems"); }
  std::string Edit(const char* Name) { return FindByName<TCustomEdit>(Form, Name)->Text(); }
  void SelectType(const std::string& Name) {
    for (int I = 0; I < Types()->Items()->Count(); ++I) {
      TListItem* Row = Types()->Items()->Item(I);
      if (static_cast<TFileType*>(Row->Data())->Name() == Name) {
        Types()->SetSelected(Row);
        Row->MakeVisible(false);
        PumpUntilIdle();
        return;
      }
    }
    ADD_FAILURE() << "no row for " << Name;
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> Result;
    for (int I = 0; I < Items()->Items()->Count(); ++I) Result.push_back(Items()->Items()->Get(I));
    return Result;
  }
  // The client point inside entry Index's check mark.
  LPARAM CheckPoint(int Index) {
    const RECT R = Items()->ItemRect(Index);
    return MAKELPARAM(R.left + 6, (R.top + R.bottom) / 2);
  }
  void ClickCheck(int Index) {
    const LPARAM At = CheckPoint(Index);
    SendMessageA(Items()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Items()->Handle(), WM_LBUTTONUP, 0, At);
    PumpUntilIdle();
  }
  TAction* Act(const char* Name) { return Form->Action(Name); }
  bool ActionEnabled(const char* Name) {
    Form->UpdateActions();
    return Act(Name)->Enabled();
  }
};

TEST_F(StaticCleanupTest, DisablingMovesTheVerbKeyAndEnablingBringsItBack) {
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(FooKey));
  ASSERT_EQ(Original.SubKeys.size(), 1u);
  OpenPage();
  SelectType("corvtype");
  EXPECT_EQ(Entries(), std::vector<std::string>{"foo"});  // not Corvane's own "bar (*)"
  EXPECT_EQ(Items()->ItemIndex(), 0);
  EXPECT_TRUE(Items()->Checked(0));
  EXPECT_EQ(Edit("edRegistryKey"), FooKey);
  EXPECT_EQ(Edit("edAppPath"), "\"c:\\corvane tools\\foo.exe\" /open \"%1\"");
  EXPECT_FALSE(ApplyEnabled());

  ClickCheck(0);
  EXPECT_FALSE(Items()->Checked(0));
  EXPECT_TRUE(ApplyEnabled());
  // The mark lives in the model: another type and back.
  SelectType("corxtype");
  EXPECT_EQ(Entries().size(), 3u);
  SelectType("corvtype");
  ASSERT_EQ(Entries(), std::vector<std::string>{"foo"});
  EXPECT_FALSE(Items()->Checked(0));

  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(Classes, FooKey));
  ASSERT_TRUE(Exists(User, DisabledFoo));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledFoo)), Original);
  EXPECT_FALSE(ApplyEnabled());
  Act("actCleanupRefresh")->Execute();
  PumpUntilIdle();
  ASSERT_EQ(Entries(), std::vector<std::string>{"foo"});
  EXPECT_FALSE(Items()->Checked(0));
  EXPECT_EQ(Edit("edRegistryKey"), FooKey);

  ClickCheck(0);
  EXPECT_TRUE(Items()->Checked(0));
  EXPECT_TRUE(ApplyEnabled());
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(User, DisabledFoo));
  ASSERT_TRUE(Exists(Classes, FooKey));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(FooKey)), Original);
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(StaticCleanupTest, DeleteQuestionsAndTheirAnswers) {
  struct TCase {
    const char* Action;
    const char* Question;
    std::vector<std::string> Left;  // the entries after Yes
    std::vector<std::string> Gone;  // verb keys gone after Apply
  };
  const TCase Cases[] = {
      {"actCleanupDelete", "Delete menu item?", {"Alpha Caption", "*open"}, {"corxtype\\shell\\zeta"}},
      {"actCleanupDeleteAll", "Delete all menu items?", {},
       {"corxtype\\shell\\alpha", "corxtype\\shell\\Open", "corxtype\\shell\\zeta"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Action);
    GetStaticItemsCleanup()->Reset();
    OpenPage();
    SelectType("corxtype");
    ASSERT_EQ(Entries(), (std::vector<std::string>{"Alpha Caption", "*open", "zeta"}));
    Items()->SetItemIndex(2);
    Form->lbMenuItemsClick(Items());
    Boxes.Boxes.clear();
    Boxes.Answer(IDNO);
    Act(C.Action)->Execute();
    PumpUntilIdle();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Text, C.Question);
    EXPECT_EQ(Boxes.Boxes[0].Caption, Application->Title());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Alpha Caption", "*open", "zeta"}));
    EXPECT_FALSE(ApplyEnabled());

    Boxes.Answer(IDYES);
    Act(C.Action)->Execute();
    PumpUntilIdle();
    ASSERT_EQ(Boxes.Boxes.size(), 2u);
    EXPECT_EQ(Entries(), C.Left);
    // The last entry gone: the one before it is selected.
    EXPECT_EQ(Items()->ItemIndex(), static_cast<int>(C.Left.size()) - 1);
    EXPECT_EQ(Edit("edRegistryKey"), C.Left.empty() ? "" : "corxtype\\shell\\Open");
    for (const std::string& Key : C.Gone) EXPECT_TRUE(Exists(Classes, Key)) << Key;  // not before Apply
    ClickApply();
    EXPECT_EQ(Boxes.Boxes.size(), 2u);
    for (const std::string& Key : C.Gone) EXPECT_FALSE(Exists(Classes, Key)) << Key;
    EXPECT_FALSE(ApplyEnabled());
    delete Form;
    Form = nullptr;
    PumpUntilIdle(10, 500);
    // Back for the next case.
    SetString(Classes, "corxtype\\shell\\alpha", "", "Alpha Caption");
    SetString(Classes, "corxtype\\shell\\alpha\\command", "", "alpha.exe");
    SetString(Classes, "corxtype\\shell\\Open\\command", "", "opener.exe \"%1\"");
    SetString(Classes, "corxtype\\shell\\zeta\\command", "", "C:\\Zeta\\zeta.exe");
  }
}

TEST_F(StaticCleanupTest, TypeWithoutForeignVerbsShowsNothing) {
  OpenPage();
  // No type selected yet.
  EXPECT_TRUE(Entries().empty());
  SelectType("corxtype");
  ASSERT_FALSE(Entries().empty());
  SelectType("corwtype");
  EXPECT_TRUE(Entries().empty());
  EXPECT_EQ(Items()->ItemIndex(), -1);
  EXPECT_EQ(Edit("edRegistryKey"), "");
  EXPECT_EQ(Edit("edAppPath"), "");
  EXPECT_TRUE(ActionEnabled("actCleanupRefresh"));
  for (const char* Name : {"actCleanupFind", "actCleanupDelete", "actCleanupDeleteAll"}) EXPECT_FALSE(ActionEnabled(Name)) << Name;
  for (const char* Name : {"spbItemFind", "spbItemDelete", "spbItemClear"})
    EXPECT_FALSE(FindByName<TControl>(Form, Name)->Enabled()) << Name;
  SelectType("corxtype");
  for (const char* Name : {"actCleanupFind", "actCleanupDelete", "actCleanupDeleteAll"}) EXPECT_TRUE(ActionEnabled(Name)) << Name;
  EXPECT_TRUE(FindByName<TControl>(Form, "spbItemClear")->Enabled());
  // On another page the commands are off.
  ShowPage(0);
  for (const char* Name : {"actCleanupRefresh", "actCleanupFind", "actCleanupDelete", "actCleanupDeleteAll"})
    EXPECT_FALSE(ActionEnabled(Name)) << Name;
}

// A right click selects the entry under the mouse and leaves its check mark alone.
TEST_F(StaticCleanupTest, RightClickOnACheckMarkOnlySelects) {
  OpenPage();
  SelectType("corxtype");
  ASSERT_EQ(Items()->ItemIndex(), 0);
  const LPARAM At = CheckPoint(2);
  SendMessageA(Items()->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At);
  // The popup menu that the release opens is closed again.
  SetTimer(nullptr, 0, 300, &CloseMenu);
  SendMessageA(Items()->Handle(), WM_RBUTTONUP, 0, At);
  PumpUntilIdle();
  EXPECT_EQ(Items()->ItemIndex(), 2);
  EXPECT_TRUE(Items()->Checked(2));
  EXPECT_EQ(Edit("edRegistryKey"), "corxtype\\shell\\zeta");
  EXPECT_EQ(Edit("edAppPath"), "c:\\zeta\\zeta.exe");
  EXPECT_FALSE(ApplyEnabled());
  // A left click on the same place does toggle it.
  ClickCheck(2);
  EXPECT_FALSE(Items()->Checked(2));
  EXPECT_TRUE(ApplyEnabled());
}

TEST_F(StaticCleanupTest, ViewActionsSetTheListsStyle) {
  struct TCase {
    const char* Action;
    TFileTypesViewStyle Style;
  };
  const TCase Cases[] = {{"actFileTypesTypes", ftvsTypes}, {"actFileTypesExtensions", ftvsExtensions}, {"actFileTypesAll", ftvsAll}};
  OpenPage();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Action);
    Act(C.Action)->Execute();
    PumpUntilIdle();
    EXPECT_EQ(Types()->ViewStyle(), C.Style);
    Form->UpdateActions("File Types");
    for (const TCase& Other : Cases) {
      EXPECT_TRUE(Act(Other.Action)->Enabled()) << Other.Action;
      EXPECT_EQ(Act(Other.Action)->Checked(), &Other == &C) << Other.Action;
    }
  }
  // By extensions: one row per extension, captioned with it.
  Act("actFileTypesExtensions")->Execute();
  bool Found = false;
  for (int I = 0; I < Types()->Items()->Count(); ++I) Found = Found || Types()->Items()->Item(I)->Caption() == ".corv";
  EXPECT_TRUE(Found);
}

TEST_F(StaticCleanupTest, FindExploresTheProgramsFolder) {
  OpenPage();
  SelectType("corvtype");
  const std::vector<std::string> Opened = ClickFindTwice(FindByName<TControl>(Form, "spbItemFind"));
  ASSERT_FALSE(Opened.empty());
  EXPECT_EQ(Opened[0], "explore C:\\Corvane Tools\\");
}

TEST_F(StaticCleanupTest, FileTypesRefreshDropsMarksAndRereadsVerbs) {
  OpenPage();
  SelectType("corvtype");
  ClickCheck(0);
  EXPECT_TRUE(ApplyEnabled());
  SetString(Classes, "corvtype\\shell\\later\\command", "", "later.exe");
  // The type's verbs are cached until the file types are read again.
  Act("actCleanupRefresh")->Execute();
  PumpUntilIdle();
  EXPECT_EQ(Entries(), std::vector<std::string>{"foo"});
  Act("actFileTypesRefresh")->Execute();
  PumpUntilIdle();
  EXPECT_FALSE(ApplyEnabled());
  SelectType("corvtype");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"foo", "later"}));
  EXPECT_TRUE(Items()->Checked(0));
  EXPECT_TRUE(Exists(Classes, FooKey));
}

TEST_F(StaticCleanupTest, F1ShowsTheQuickHints) {
  struct TCase {
    const char* Control;
    const char* Title;
    const char* Text;
  };
  const TCase Cases[] = {
      {"lvFileTypes", "List of registered file types",
       "Select an file type entry to view and manage static menu items asssociated with it."},
      {"lbMenuItems", "List of static menu items linked to the selected file type",
       "\x95 Use Delete and Clear commands to delete unused menu items.\r\n"
       "\x95 Items marked with an asterisk are predefined commands (canonical verbs). Be careful with cleaning of these "
       "items.\r\n"
       "\x95 Use popup menu and hot keys for quick access to items management services.\r\n"
       "NOTE: the list does not include items added by Corvane itself. To manage these items use \"Static Items\" page "
       "functionality."},
      {"edRegistryKey", "Registry key", "Displays registry key where selected menu item is stored."},
      {"edAppPath", "Command line", "Contains command invoked by File Manager on clicking selected menu item."},
  };
  OpenPage();
  SelectType("corvtype");
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Control);
    auto* Control = FindByName<TWinControl>(Form, C.Control);
    Form->SetActiveControl(Control);
    PumpUntilIdle();
    ASSERT_EQ(GetFocus(), Control->Handle());
    Boxes.Boxes.clear();
    Boxes.Answer(IDOK);
    SendMessageA(Control->Handle(), WM_KEYUP, VK_F1, 0);
    PumpUntilIdle();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Caption, C.Title);
    EXPECT_EQ(Boxes.Boxes[0].Text, C.Text);
  }
}

int IndexOf(const std::vector<std::string>& Lines, const std::string& Line) {
  const auto It = std::find(Lines.begin(), Lines.end(), Line);
  return It == Lines.end() ? -1 : static_cast<int>(It - Lines.begin());
}

TEST_F(StaticCleanupTest, EveryKindOfValueSurvivesDisablingAndEnabling) {
  regtest::FillEveryKind(Classes, regtest::Widen(FooKey), L"Foo Caption", regtest::Widen(FooCommand));
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(FooKey));
  OpenPage();
  SelectType("corvtype");
  ASSERT_EQ(Entries(), std::vector<std::string>{"Foo Caption"});
  ClickCheck(0);
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(Classes, FooKey));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledFoo)), Original);
  ClickCheck(0);
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(User, DisabledFoo));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(FooKey)), Original);
  EXPECT_FALSE(ApplyEnabled());
}

// A verb whose other copy exists already is not moved onto it; the entry marked before it is.
TEST_F(StaticCleanupTest, AnExistingCopyRefusesTheMove) {
  const std::string Dup = "corvctype\\shell\\dup";
  const std::string DisabledDup = std::string(DisabledStaticItemsKey) + Dup;
  SetString(Classes, ".corvc", "", "corvctype");
  SetString(Classes, "corvctype", "", "Corvane c type");
  SetString(Classes, "corvctype\\shell\\aaa", "", "First");
  SetString(Classes, "corvctype\\shell\\aaa\\command", "", "first.exe");
  SetString(Classes, Dup, "", "Dup NEW");
  SetString(Classes, Dup + "\\command", "", "new.exe \"%1\"");
  SetString(User, DisabledDup, "", "Dup OLD");
  SetString(User, DisabledDup, "OldOnly", "1");
  SetString(User, DisabledDup + "\\oldsub", "", "old");
  SetString(User, DisabledDup + "\\command", "", "old.exe \"%1\"");
  const regtest::TKeyDump New = regtest::DumpW(Classes, regtest::Widen(Dup));
  const regtest::TKeyDump Old = regtest::DumpW(User, regtest::Widen(DisabledDup));
  OpenPage();
  SelectType("corvctype");
  ASSERT_EQ(Entries(), (std::vector<std::string>{"First", "Dup NEW", "Dup OLD"}));
  // Apply refuses the move from From to To: one error box, both keys as they were, Apply enabled.
  auto ApplyRefused = [&](const std::string& From, const std::string& To) {
    const size_t Shown = Boxes.Boxes.size();
    Boxes.Answer(IDOK);
    ClickApply();
    ASSERT_EQ(Boxes.Boxes.size(), Shown + 1);
    EXPECT_EQ(Boxes.Boxes.back().Text, MoveRefusedText(From, To));
    EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(Dup)), New);
    EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledDup)), Old);
    EXPECT_TRUE(ApplyEnabled());
  };
  ClickCheck(0);
  ClickCheck(1);
  ApplyRefused("HKEY_CLASSES_ROOT\\" + Dup, "HKEY_CURRENT_USER\\" + DisabledDup);
  // The entry before it keeps its new state; it keeps its mark.
  EXPECT_FALSE(Exists(Classes, "corvctype\\shell\\aaa"));
  EXPECT_TRUE(Exists(User, std::string(DisabledStaticItemsKey) + "corvctype\\shell\\aaa"));
  EXPECT_FALSE(Items()->Checked(1));
  TWindowCapture(Form->Handle()).SavePng("app_static_cleanup_refused");

  // The other way: the disabled copy enabled onto the one that software registered again.
  ClickCheck(1);
  ClickCheck(2);
  ASSERT_TRUE(Items()->Checked(2));
  ApplyRefused("HKEY_CURRENT_USER\\" + DisabledDup, "HKEY_CLASSES_ROOT\\" + Dup);
  EXPECT_TRUE(Items()->Checked(2));
}

// A subkey that cannot be copied stops the move before anything changed: no copy, the verb whole.
TEST_F(StaticCleanupTest, AMoveThatFailsPartWayLeavesNoCopy) {
  regtest::FillEveryKind(Classes, regtest::Widen(FooKey), L"Foo Caption", regtest::Widen(FooCommand));
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(FooKey));
  TKeyLock Lock(Classes, FooKey + "\\ddeexec");
  OpenPage();
  SelectType("corvtype");
  ClickCheck(0);
  Boxes.Answer(IDOK);
  ClickApply();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_NE(Boxes.Boxes[0].Text.find("HKEY_CLASSES_ROOT\\" + FooKey + "\\ddeexec;"), std::string::npos)
      << Boxes.Boxes[0].Text;
  EXPECT_FALSE(Exists(User, DisabledFoo));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(FooKey)), Original);
  EXPECT_FALSE(Items()->Checked(0));
  EXPECT_TRUE(ApplyEnabled());
  Act("actCleanupRefresh")->Execute();
  PumpUntilIdle();
  EXPECT_EQ(Entries(), std::vector<std::string>{"Foo Caption"});
  EXPECT_FALSE(Items()->Checked(0));  // the mark lives in the model
  // Once the subkey can be read, the whole verb moves.
  Lock.Lift();
  ClickApply();
  EXPECT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_FALSE(Exists(Classes, FooKey));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledFoo)), Original);
}

TEST_F(StaticCleanupTest, NamesOutsideTheCodePageAreLeftAlone) {
  SetString(Classes, ".corvu", "", "corvutype");
  SetString(Classes, "corvutype", "", "Corvane u type");
  regtest::SetValueW(Classes, L"corvutype\\shell\\\u6253\u5F00\\command", L"", REG_SZ, regtest::WideSz(L"open.exe"));
  SetString(Classes, "corvutype\\shell\\plain\\command", "", "plain.exe \"%1\"");
  SetString(Classes, ".corvz", "", "corvztype");
  SetString(Classes, "corvztype", "", "Corvane z type");
  regtest::SetValueW(Classes, L"corvztype\\shell\\\u014Cpen\\command", L"", REG_SZ, regtest::WideSz(L"other.exe"));
  SetString(Classes, "corvztype\\shell\\Open\\command", "", "real.exe");
  const std::wstring Other = L"corvztype\\shell\\\u014Cpen";
  const regtest::TKeyDump OtherBefore = regtest::DumpW(Classes, Other);
  const bool Outside = regtest::OutsideCodePage(L"\u014Cpen");
  OpenPage();
  SelectType("corvutype");
  std::vector<std::string> Expected{"plain"};
  if (!regtest::OutsideCodePage(L"\u6253\u5F00")) Expected.insert(Expected.begin(), regtest::Narrow(L"\u6253\u5F00"));
  EXPECT_EQ(Entries(), Expected);
  const int Plain = IndexOf(Entries(), "plain");
  ASSERT_GE(Plain, 0);
  Items()->SetItemIndex(Plain);
  Form->lbMenuItemsClick(Items());
  PumpUntilIdle();
  EXPECT_EQ(Edit("edRegistryKey"), "corvutype\\shell\\plain");
  EXPECT_EQ(Edit("edAppPath"), "plain.exe \"%1\"");
  EXPECT_TRUE(Boxes.Boxes.empty());
  SelectType("corvztype");
  EXPECT_EQ(Entries(), (Outside ? std::vector<std::string>{"*open"} : std::vector<std::string>{"*open", "*open"}));
  if (!Outside) return;  // a code page that holds the name lists both
  Boxes.Answer(IDYES);
  Act("actCleanupDeleteAll")->Execute();
  PumpUntilIdle();
  ClickApply();
  EXPECT_EQ(Boxes.Boxes.size(), 1u);  // the question only
  EXPECT_FALSE(Exists(Classes, "corvztype\\shell\\Open"));
  EXPECT_EQ(regtest::DumpW(Classes, Other), OtherBefore);
}

// Default values that are no text read as empty: the verb is listed under its key name.
TEST_F(StaticCleanupTest, DefaultValuesOfOtherTypesReadAsEmpty) {
  const unsigned long long Qword = 7;
  const DWORD Dword = 7;
  const wchar_t Multi[] = L"a\0b\0";
  const struct {
    const wchar_t* Name;
    DWORD Type;
    std::vector<BYTE> Data;
  } Cases[] = {
      {L"WeirdBin", REG_BINARY, {1, 2}},
      {L"WeirdDword", REG_DWORD, regtest::Bytes(&Dword, sizeof(Dword))},
      {L"WeirdQword", REG_QWORD, regtest::Bytes(&Qword, sizeof(Qword))},
      {L"WeirdMulti", REG_MULTI_SZ, regtest::Bytes(Multi, sizeof(Multi))},
      {L"WeirdNone", REG_NONE, {}},
      {L"Weird4F", 0x4F, {1, 2, 3}},
  };
  for (const auto& C : Cases) {
    regtest::SetValueW(Classes, std::wstring(L"Drive\\shell\\") + C.Name, L"", C.Type, C.Data);
    regtest::SetValueW(Classes, std::wstring(L"Drive\\shell\\") + C.Name + L"\\command", L"", C.Type, C.Data);
  }
  SetString(Classes, "Drive\\shell\\fine", "", "Fine Caption");
  SetString(Classes, "Drive\\shell\\fine\\command", "", "fine.exe");
  OpenPage();
  for (int Round = 0; Round < 2; ++Round) {  // the first look and a Refresh
    SelectType("Drive");
    std::vector<std::string> Lines = Entries();
    std::sort(Lines.begin(), Lines.end());
    EXPECT_EQ(Lines, (std::vector<std::string>{"Fine Caption", "Weird4F", "WeirdBin", "WeirdDword", "WeirdMulti",
                                               "WeirdNone", "WeirdQword"}));
    const int Bin = IndexOf(Entries(), "WeirdBin");
    ASSERT_GE(Bin, 0);
    Items()->SetItemIndex(Bin);
    Form->lbMenuItemsClick(Items());
    PumpUntilIdle();
    EXPECT_EQ(Edit("edRegistryKey"), "Drive\\shell\\WeirdBin");
    EXPECT_EQ(Edit("edAppPath"), "");
    EXPECT_TRUE(Boxes.Boxes.empty());
    Act("actCleanupRefresh")->Execute();
    PumpUntilIdle();
  }
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(StaticCleanupTest, Screenshot) {
  OpenPage();
  SelectType("corxtype");
  ClickCheck(1);
  Items()->SetItemIndex(2);
  Form->lbMenuItemsClick(Items());
  ASSERT_FALSE(Items()->Checked(1));
  const TWindowCapture Shot(Form->Handle());
  Shot.SavePng("app_static_cleanup");
  // The unchecked entry's mark differs from the checked ones'.
  auto MarkPixels = [&](int Index) {
    const RECT R = Items()->ItemRect(Index);
    std::vector<COLORREF> Pixels;
    for (int Y = R.top; Y < R.bottom; ++Y)
      for (int X = R.left; X < R.left + Items()->CheckWidth(); ++X) Pixels.push_back(Shot.ClientPixel(Items()->Handle(), X, Y));
    return Pixels;
  };
  EXPECT_NE(MarkPixels(0), MarkPixels(1));
}

}  // namespace
