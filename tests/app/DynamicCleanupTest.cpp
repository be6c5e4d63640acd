// The "Shell Extensions Cleanup" page on the main window, over handler keys in the hermetic registry.
#include "application/DynamicCleanup.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/RXCtrls.h"
#include "model/Utils.h"
#include "tests/app/CleanupFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  OpenPage();
  Select(FooKey);
  const std::vector<std::string> Opened = ClickFindTwice(Part<TRxSpeedButton>("spbXFind"));
  ASSERT_FALSE(Opened.empty());
  EXPECT_EQ(Opened[0], "explore " + ExcludeTrailingPathDelimiter(TestModuleFolder()));
}

TEST_F(DynamicCleanupTest, EveryKindOfValueSurvivesDisablingAndEnabling) {
  const std::string Key = "*\\shellex\\ContextMenuHandlers\\CorvFoo";
  const std::string Disabled = DisabledDynamicItemsKey + Key;
  regtest::FillEveryKind(Classes, regtest::Widen(Key), regtest::Widen(G1));
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(Key));
  OpenPage();
  Select(Key);
  ClickActive();
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(Classes, Key));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(Disabled)), Original);
  Select(Disabled);
  ClickActive();
  ClickApply();
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(Exists(User, Disabled));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(Key)), Original);
}

// A disabled handler is not enabled onto one that software registered again; the entry marked
// before it is applied.
TEST_F(DynamicCleanupTest, AnExistingCopyRefusesTheMove) {
  const std::string Dup = "Drive\\shellex\\ContextMenuHandlers\\CorvDup";
  const std::string DisabledDup = DisabledDynamicItemsKey + Dup;
  SetString(User, DisabledDup, "", G1);
  SetString(User, DisabledDup, "Version", "old");
  SetString(Classes, Dup, "", G1);
  SetString(Classes, Dup, "Version", "new");
  const regtest::TKeyDump New = regtest::DumpW(Classes, regtest::Widen(Dup));
  const regtest::TKeyDump Old = regtest::DumpW(User, regtest::Widen(DisabledDup));
  OpenPage();
  // Marked before it in list order: the handler "apple".
  const std::string Apple = "Drive\\shellex\\ContextMenuHandlers\\apple";
  ASSERT_LT(NodeOf(Apple)->Index(), NodeOf(DisabledDup)->Index());
  Select(Apple);
  ClickActive();
  Select(DisabledDup);
  ClickActive();
  Boxes.Answer(IDOK);
  ClickApply();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, MoveRefusedText("HKEY_CURRENT_USER\\" + DisabledDup, "HKEY_CLASSES_ROOT\\" + Dup));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(Dup)), New);
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(DisabledDup)), Old);
  EXPECT_FALSE(Exists(Classes, Apple));
  EXPECT_TRUE(Exists(User, DisabledDynamicItemsKey + Apple));
  EXPECT_FALSE(InfoOf(DisabledDup)->WantDisabled);
  EXPECT_TRUE(InfoOf(DisabledDup)->StoredDisabled);
  EXPECT_TRUE(ApplyEnabled());
}

TEST_F(DynamicCleanupTest, AMoveThatFailsPartWayLeavesNoCopy) {
  const std::string Key = "*\\shellex\\ContextMenuHandlers\\CorvFoo";
  const std::string Disabled = DisabledDynamicItemsKey + Key;
  regtest::FillEveryKind(Classes, regtest::Widen(Key), regtest::Widen(G1));
  const regtest::TKeyDump Original = regtest::DumpW(Classes, regtest::Widen(Key));
  TKeyLock Lock(Classes, Key + "\\ddeexec");
  OpenPage();
  Select(Key);
  ClickActive();
  Boxes.Answer(IDOK);
  ClickApply();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_NE(Boxes.Boxes[0].Text.find("HKEY_CLASSES_ROOT\\" + Key + "\\ddeexec;"), std::string::npos)
      << Boxes.Boxes[0].Text;
  EXPECT_FALSE(Exists(User, Disabled));
  EXPECT_EQ(regtest::DumpW(Classes, regtest::Widen(Key)), Original);
  EXPECT_TRUE(ApplyEnabled());
  Part<TRxSpeedButton>("spbRefresh")->Click();
  PumpUntilIdle();
  int Listed = 0;
  for (TTreeNode* N = Frame->Tree()->Items().GetFirstNode(); N; N = N->GetNextSibling())
    Listed += Lower(static_cast<TExtensionInfo*>(N->Data())->RegKey).find("corvfoo") != std::string::npos ? 1 : 0;
  EXPECT_EQ(Listed, 1);
  Lock.Lift();
  Select(Key);
  ClickActive();
  ClickApply();
  EXPECT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_FALSE(Exists(Classes, Key));
  EXPECT_EQ(regtest::DumpW(User, regtest::Widen(Disabled)), Original);
}

// Names the code page cannot hold are not listed; defaults that are no text read as empty.
TEST_F(DynamicCleanupTest, OddNamesAndValuesNeitherListNorFail) {
  const std::vector<std::wstring> Names = {L"\u014Cpen", L"\u6253\u5F00"};
  for (const std::wstring& N : Names)
    regtest::SetValueW(Classes, L"*\\shellex\\ContextMenuHandlers\\" + N, L"", REG_SZ, regtest::WideSz(regtest::Widen(G2)));
  regtest::SetValueW(Classes, L"\u30AD\u30FC\\shellex\\ContextMenuHandlers\\Keyed", L"", REG_SZ,
                     regtest::WideSz(regtest::Widen(G2)));
  const unsigned long long Qword = 7;
  const DWORD Dword = 7;
  const wchar_t Multi[] = L"a\0b\0";
  const std::vector<std::pair<DWORD, std::vector<BYTE>>> Odd = {
      {REG_BINARY, {1, 2}}, {REG_DWORD, regtest::Bytes(&Dword, sizeof(Dword))},
      {REG_QWORD, regtest::Bytes(&Qword, sizeof(Qword))}, {REG_MULTI_SZ, regtest::Bytes(Multi, sizeof(Multi))},
      {REG_NONE, {}}, {0x4F, {1, 2, 3}}};
  for (size_t I = 0; I < Odd.size(); ++I) {
    const std::wstring N = std::to_wstring(I);
    // A handler key, a class key and a server key, each with a default value that is no text.
    regtest::SetValueW(Classes, L"Folder\\shellex\\ContextMenuHandlers\\OddValue" + N, L"", Odd[I].first, Odd[I].second);
    const std::wstring Class = L"{C0A7E001-0000-4000-8000-0000000001" + std::wstring(I < 10 ? L"0" : L"") + N + L"}";
    regtest::SetValueW(Classes, L"Folder\\shellex\\ContextMenuHandlers\\" + Class, L"", REG_SZ, regtest::WideSz(L""));
    regtest::SetValueW(Classes, L"CLSID\\" + Class, L"", Odd[I].first, Odd[I].second);
    regtest::SetValueW(Classes, L"CLSID\\" + Class + L"\\InProcServer32", L"", Odd[I].first, Odd[I].second);
  }
  for (int Round = 0; Round < 2; ++Round) {  // the first scan and a Refresh
    OpenPage();
    if (Round == 1) {
      Part<TRxSpeedButton>("spbRefresh")->Click();
      PumpUntilIdle();
    }
    EXPECT_TRUE(Boxes.Boxes.empty());
    std::vector<std::string> Expected{"Gone", "apple", "Bar Ext", "Foo", "Foo"};
    for (const std::wstring& N : Names)
      if (!regtest::OutsideCodePage(N)) Expected.push_back(regtest::Narrow(N));
    if (!regtest::OutsideCodePage(L"\u30AD\u30FC")) Expected.push_back("Keyed");
    std::vector<std::string> Got = Lines();
    // The handlers named by a class whose name is no text are listed without a name.
    EXPECT_EQ(std::count(Got.begin(), Got.end(), std::string()), static_cast<long>(Odd.size()));
    std::erase(Got, std::string());
    std::sort(Got.begin(), Got.end());
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Got, Expected);
  }
}

// A server path in double quotes is used without them, and shown as stored.
TEST_F(DynamicCleanupTest, AQuotedServerPathIsFound) {
  char System[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(System, MAX_PATH), 0u);
  const std::string Dll = std::string(System) + "\\shell32.dll";
  TVersionStrings Version;
  ASSERT_TRUE(GetFileVersionStrings(Dll, Version));
  const std::string Key = "AllFilesystemObjects\\shellex\\ContextMenuHandlers\\Quoted";
  SetString(Classes, Key, "", G5);
  SetString(Classes, "CLSID\\" + G5 + "\\InProcServer32", "", "\"" + Dll + "\"");
  OpenPage();
  TExtensionInfo* Info = InfoOf(Key);
  ASSERT_NE(Info, nullptr);
  EXPECT_FALSE(Info->Missing);
  EXPECT_NE(NodeOf(Key), Frame->Tree()->Items().GetFirstNode());
  Select(Key);
  EXPECT_FALSE(Part<TControl>("pnlError")->Visible());
  EXPECT_EQ(Edit("edAppPath"), "\"" + Dll + "\"");
  EXPECT_EQ(Edit("edDescription"), Version.FileDescription);
  EXPECT_EQ(Edit("edVersion"), Version.FileVersion);
  EXPECT_NE(NodeOf(Key)->ImageIndex(), -1);
  Frame->Tree()->Invalidate();
  PumpUntilIdle();
  const TWindowCapture Shot(Form->Handle());
  Shot.SavePng("app_dynamic_cleanup_quoted");
  const RECT R = NodeOf(Key)->DisplayRect(true);
  int Maroon = 0;
  for (int Y = R.top; Y < R.bottom; ++Y)
    for (int X = R.left; X < R.right; ++X)
      Maroon += NearColor(Shot.ClientPixel(Frame->Tree()->Handle(), X, Y), RGB(128, 0, 0), 24) ? 1 : 0;
  EXPECT_EQ(Maroon, 0);
  const std::vector<std::string> Opened = ClickFindTwice(Part<TRxSpeedButton>("spbXFind"));
  ASSERT_FALSE(Opened.empty());
  EXPECT_EQ(Opened[0], "explore " + std::string(System));
}

}  // namespace
