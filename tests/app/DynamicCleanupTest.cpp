// The "Shell Extensions Cleanup" page on the main window, over handler keys in the hermetic registry.
#include "application/DynamicCleanup.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/RXCtrls.h"
#include "model/Utils.h"
#include "tests/app/CleanupFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string G1 = "{C0A7E001-0000-4000-8000-000000000001}";
const std::string G2 = "{C0A7E001-0000-4000-8000-000000000002}";
const std::string G3 = "{C0A7E001-0000-4000-8000-000000000003}";
const std::string G4 = "{C0A7E001-0000-4000-8000-000000000004}";
const std::string G5 = "{C0A7E001-0000-4000-8000-000000000005}";
const std::string FooKey = "*\\shellex\\ContextMenuHandlers\\Foo";
const std::string FolderFooKey = "Folder\\shellex\\ContextMenuHandlers\\Foo";
const std::string GoneKey = ".corvmiss\\shellex\\ContextMenuHandlers\\Gone";
const std::string DisabledFoo = std::string(DisabledDynamicItemsKey) + FooKey;

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(tolower(static_cast<unsigned char>(C)));
  return S;
}

class DynamicCleanupTest : public CleanupWindowTest {
protected:
  void SetUp() override {
    CleanupWindowTest::SetUp();
    if (HasFatalFailure()) return;
    VersionDll = TestModuleFolder() + "helpers_version.dll";
    SetString(Classes, FooKey, "", G1);
    SetString(Classes, FooKey, "Flags", "kept");
    const BYTE Bin[] = {1, 0, 255, 7};
    regtest::SetValueW(Classes, regtest::Widen(FooKey), L"Bin", REG_BINARY, regtest::Bytes(Bin, sizeof(Bin)));
    SetString(Classes, FooKey + "\\Sub", "Inner", "value");
    SetString(Classes, FolderFooKey, "", G1);
    SetString(Classes, "CLSID\\" + G1 + "\\InProcServer32", "", VersionDll);
    SetString(Classes, "Directory\\shellex\\ContextMenuHandlers\\" + G2, "", "");
    SetString(Classes, "CLSID\\" + G2, "", "Bar Ext");
    SetString(Classes, "txtfile\\shellex\\ContextMenuHandlers\\NoGuid", "", "not a class");
    SetString(Classes, GoneKey, "", G3);
    SetString(Classes, "CLSID\\" + G3 + "\\InProcServer32", "", "C:\\corvane\\nowhere\\gone.dll");
    SetString(Classes, "Drive\\shellex\\ContextMenuHandlers\\apple", "", G4);
    SetString(Classes, "CLSID\\" + G4 + "\\InProcServer32", "", "%SystemRoot%\\system32\\shell32.dll", true);
    SetString(Classes, "Directory\\Background\\shellex\\ContextMenuHandlers\\Back", "", G5);
  }
  void OpenPage() {
    if (!Form) Open();
    ShowPage(3);
    Frame = Form->frmDynamicCleanup;
    ASSERT_NE(Frame, nullptr);
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> Result;
    for (TTreeNode* N = Frame->Tree()->Items().GetFirstNode(); N; N = N->GetNextSibling()) Result.push_back(N->Text());
    return Result;
  }
  TTreeNode* NodeOf(const std::string& RegKey) {
    for (TTreeNode* N = Frame->Tree()->Items().GetFirstNode(); N; N = N->GetNextSibling())
      if (Lower(static_cast<TExtensionInfo*>(N->Data())->RegKey) == Lower(RegKey)) return N;
    ADD_FAILURE() << "no node for " << RegKey;
    return nullptr;
  }
  TExtensionInfo* InfoOf(const std::string& RegKey) {
    TTreeNode* Node = NodeOf(RegKey);
    return Node ? static_cast<TExtensionInfo*>(Node->Data()) : nullptr;
  }
  void Select(const std::string& RegKey) {
    TTreeNode* Node = NodeOf(RegKey);
    ASSERT_NE(Node, nullptr);
    Frame->Tree()->SetSelected(Node);
    PumpUntilIdle();
  }
  void ClickActive() {
    SendMessageA(Part<TCheckBox>("chkInclude")->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle();
  }
  std::string Edit(const char* Name) { return Part<TCustomEdit>(Name)->Text(); }
  template <class T>
  T* Part(const std::string& Name) {
    return FindByName<T>(Frame, Name);
  }

  std::string VersionDll;
  TfrmDynamicCleanup* Frame = nullptr;
};

TEST_F(DynamicCleanupTest, ListsMissingFirstThenByNameWithoutCase) {
  OpenPage();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Gone", "apple", "Bar Ext", "Foo", "Foo"}));
  EXPECT_TRUE(InfoOf(GoneKey)->Missing);
  EXPECT_FALSE(InfoOf("Drive\\shellex\\ContextMenuHandlers\\apple")->Missing);  // the expanded path exists
  EXPECT_NE(NodeOf(FooKey), NodeOf(FolderFooKey));
  EXPECT_EQ(Frame->Tree()->Selected(), Frame->Tree()->Items().GetFirstNode());
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(DynamicCleanupTest, DetailsAndColours) {
  OpenPage();
  // The missing handler, selected first: maroon text and the error panel.
  EXPECT_TRUE(Part<TControl>("pnlError")->Visible());
  EXPECT_EQ(Part<TControl>("lblError")->Caption(),
            "Shell extension DLL file is not available.\r\nIt is recommended to delete this entry if it refers to an "
            "uninstalled or suspicious application.");
  Select(FooKey);
  EXPECT_FALSE(Part<TControl>("pnlError")->Visible());
  EXPECT_TRUE(Part<TCheckBox>("chkInclude")->Checked());
  TVersionStrings Version;
  ASSERT_TRUE(GetFileVersionStrings(VersionDll, Version));
  EXPECT_EQ(Edit("edDescription"), "Test library with version strings");
  EXPECT_EQ(Edit("edProductName"), "Corvane Test");
  EXPECT_EQ(Edit("edVersion"), "1.2.3.4");
  EXPECT_EQ(Edit("edCompany"), "Corvane Test Company");
  EXPECT_EQ(Edit("edCLSID"), G1);
  EXPECT_EQ(Edit("edAppPath"), VersionDll);
  EXPECT_EQ(Edit("edRegistryKey"), FooKey);
  Select("Drive\\shellex\\ContextMenuHandlers\\apple");
  EXPECT_EQ(Edit("edAppPath"), "%SystemRoot%\\system32\\shell32.dll");  // as stored
  EXPECT_FALSE(Part<TControl>("pnlError")->Visible());
  Select("Directory\\shellex\\ContextMenuHandlers\\" + G2);
  EXPECT_EQ(Edit("edAppPath"), "");
  EXPECT_EQ(Edit("edDescription"), "");
  // Foo of the folder class disabled: grey.
  Select(FolderFooKey);
  ClickActive();
  EXPECT_TRUE(InfoOf(FolderFooKey)->WantDisabled);
  EXPECT_TRUE(ApplyEnabled());
  Frame->Tree()->SetSelected(nullptr);
  Frame->Tree()->Invalidate();
  PumpUntilIdle();
  const TWindowCapture Shot(Form->Handle());
  Shot.SavePng("app_dynamic_cleanup");
  const HWND Tree = Frame->Tree()->Handle();
  auto Count = [&](TTreeNode* Node, COLORREF Color) {
    const RECT R = Node->DisplayRect(true);
    int N = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
      for (int X = R.left; X < R.right; ++X) N += NearColor(Shot.ClientPixel(Tree, X, Y), Color, 24) ? 1 : 0;
    return N;
  };
  const COLORREF Maroon = RGB(128, 0, 0), Grey = GetSysColor(COLOR_GRAYTEXT);
  EXPECT_GT(Count(NodeOf(GoneKey), Maroon), 5);
  EXPECT_EQ(Count(NodeOf(FooKey), Maroon), 0);
  EXPECT_GT(Count(NodeOf(FolderFooKey), Grey), 5);
  EXPECT_EQ(Count(NodeOf(FooKey), Grey), 0);
  // The missing handler selected: its details with the error panel.
  Select(GoneKey);
  EXPECT_TRUE(Part<TControl>("pnlError")->Visible());
  EXPECT_EQ(Edit("edAppPath"), "C:\\corvane\\nowhere\\gone.dll");
  TWindowCapture(Form->Handle()).SavePng("app_dynamic_cleanup_missing");
}

TEST_F(DynamicCleanupTest, DisableAndEnableMoveTheKeyByteForByte) {
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(FooKey));
  ASSERT_EQ(Original.SubKeys.size(), 1u);
  OpenPage();
  Select(FooKey);
  ClickActive();
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(Classes, FooKey));
  ASSERT_TRUE(Exists(User, DisabledFoo));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledFoo)), Original);
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_EQ(Edit("edRegistryKey"), FooKey);
  EXPECT_EQ(InfoOf(DisabledFoo)->RegKey, DisabledFoo);
  // Back.
  Select(DisabledFoo);
  EXPECT_FALSE(Part<TCheckBox>("chkInclude")->Checked());
  ClickActive();
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(User, DisabledFoo));
  ASSERT_TRUE(Exists(Classes, FooKey));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(FooKey)), Original);
  // A rescan sees the same.
  Frame->Refresh();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Gone", "apple", "Bar Ext", "Foo", "Foo"}));
}

TEST_F(DynamicCleanupTest, DeletingADisabledHandlerRemovesItsUserKey) {
  SetString(User, DisabledFoo, "", G1);
  RegDeleteTreeA(Classes, FooKey.c_str());
  OpenPage();
  EXPECT_TRUE(InfoOf(DisabledFoo)->StoredDisabled);
  Select(DisabledFoo);
  Part<TRxSpeedButton>("spbDelete")->Click();
  PumpUntilIdle();
  EXPECT_EQ(Lines().size(), 4u);
  EXPECT_TRUE(Exists(User, DisabledFoo));  // not before Apply
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(User, DisabledFoo));
  EXPECT_EQ(Frame->Handlers().Count(), 4);
}

TEST_F(DynamicCleanupTest, RefreshDropsMarks) {
  OpenPage();
  Select(FooKey);
  ClickActive();
  Part<TRxSpeedButton>("spbDelete")->Click();  // deletes the selected Foo
  PumpUntilIdle();
  EXPECT_TRUE(ApplyEnabled());
  Part<TRxSpeedButton>("spbRefresh")->Click();
  PumpUntilIdle();
  EXPECT_FALSE(ApplyEnabled());
  EXPECT_EQ(Lines().size(), 5u);
  EXPECT_FALSE(InfoOf(FooKey)->WantDisabled);
  EXPECT_TRUE(Exists(Classes, FooKey));
}

TEST_F(DynamicCleanupTest, FailingRecordKeepsItsMarkAndASecondApplyCompletes) {
  OpenPage();
  // Both Foo handlers disabled; the later one in list order cannot be deleted.
  TTreeNode* First = NodeOf(FooKey);
  TTreeNode* Second = NodeOf(FolderFooKey);
  ASSERT_TRUE(First && Second);
  if (First->Index() > Second->Index()) std::swap(First, Second);
  const std::string FirstKey = static_cast<TExtensionInfo*>(First->Data())->RegKey;
  const std::string SecondKey = static_cast<TExtensionInfo*>(Second->Data())->RegKey;
  for (const std::string& Key : {FirstKey, SecondKey}) {
    Select(Key);
    ClickActive();
  }
  TKeyLock Lock(Classes, SecondKey);
  Boxes.Answer(IDOK);
  ClickApply();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_NE(Boxes.Boxes[0].Text.find("Registry operation error"), std::string::npos) << Boxes.Boxes[0].Text;
  EXPECT_FALSE(Exists(Classes, FirstKey));
  EXPECT_TRUE(Exists(User, DisabledDynamicItemsKey + FirstKey));
  EXPECT_TRUE(Exists(Classes, SecondKey));
  auto* SecondInfo = InfoOf(SecondKey);
  ASSERT_NE(SecondInfo, nullptr);
  EXPECT_TRUE(SecondInfo->WantDisabled);
  EXPECT_FALSE(SecondInfo->StoredDisabled);
  EXPECT_TRUE(InfoOf(DisabledDynamicItemsKey + FirstKey)->StoredDisabled);
  EXPECT_TRUE(ApplyEnabled());
  Lock.Lift();
  ClickApply();
  EXPECT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_FALSE(Exists(Classes, SecondKey));
  EXPECT_TRUE(Exists(User, DisabledDynamicItemsKey + SecondKey));
  EXPECT_TRUE(Exists(User, DisabledDynamicItemsKey + FirstKey));
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(DynamicCleanupTest, ScansOnFirstShowingOnlyAndRefreshFindsNewHandlers) {
  Open();
  EXPECT_EQ(Form->frmDynamicCleanup->Handlers().Count(), 0);  // not before the page shows
  OpenPage();
  EXPECT_EQ(Lines().size(), 5u);
  SetString(Classes, "Unknown\\shellex\\ContextMenuHandlers\\Zeta", "", G1);
  ShowPage(0);
  ShowPage(3);
  EXPECT_EQ(Lines().size(), 5u);
  Part<TRxSpeedButton>("spbRefresh")->Click();
  PumpUntilIdle();
  EXPECT_EQ(Lines().back(), "Zeta");
}

TEST_F(DynamicCleanupTest, FindExploresTheDllsFolder) {
  static std::vector<std::string> Opened;
  Opened.clear();
  const TShellOpenProc Old = SetShellOpenProc([](HWND, const std::string& Operation, const std::string& File, int) -> INT_PTR {
    Opened.push_back(Operation + " " + File);
    return Opened.size() == 1 ? 42 : 2;  // the second fails: file not found
  });
  OpenPage();
  Select(FooKey);
  // A click through the window: an error goes to the error display.
  auto Click = [&] {
    auto* Button = Part<TRxSpeedButton>("spbXFind");
    const HWND Panel = Part<TWinControl>("pnlButtons")->Handle();
    const LPARAM At = MAKELPARAM(Button->Left() + 10, Button->Top() + 10);
    SendMessageA(Panel, WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Panel, WM_LBUTTONUP, 0, At);
  };
  Click();
  PumpUntilIdle();
  EXPECT_TRUE(Boxes.Boxes.empty());
  Boxes.Answer(IDOK);
  Click();
  PumpUntilIdle();
  SetShellOpenProc(Old);
  ASSERT_EQ(Opened.size(), 2u);
  EXPECT_EQ(Opened[0], "explore " + ExcludeTrailingPathDelimiter(TestModuleFolder()));
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, ErrorDisplayText(SysErrorMessage(2)));
}

}  // namespace
