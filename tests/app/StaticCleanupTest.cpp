// The "Static Items Cleanup" page on the main window, over file types and shell verbs in the hermetic
// registry.
#include "classlib/gui/ActnList.h"
#include "controls/FileTypeView.h"
#include "controls/RXCtrls.h"
#include "model/StaticItemsCleanup.h"
#include "model/Utils.h"
#include "tests/app/CleanupFixture.h"

#include <gtest/gtest.h>

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
