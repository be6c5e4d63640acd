// The registry-bugs window over inconsistencies that the real file-type scan finds in the hermetic
// registry.
#include "application/RegistryBugs.h"
#include "classlib/core/Registry.h"
#include "classlib/gui/ActnList.h"
#include "model/FileTypeList.h"
#include "tests/app/CleanupFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string ClassG = "{C0A7E002-0000-4000-8000-000000000001}";
const std::string MissingIcon = "C:\\corvane\\nowhere\\missing.ico";

// Dump of Key as it should be after a repair that removed only its default value.
regtest::TKeyDump WithoutDefault(regtest::TKeyDump Dump) {
  std::erase_if(Dump.Values, [](const regtest::TKeyDump::TValue& V) { return V.Name.empty(); });
  return Dump;
}

// Dump of Key as it should be after a repair that removed only its subkey Name.
regtest::TKeyDump WithoutSubKey(regtest::TKeyDump Dump, const std::wstring& Name) {
  Dump.SubKeys.erase(Name);
  return Dump;
}

class RegistryBugsTest : public CleanupWindowTest {
protected:
  void TearDown() override {
    delete Dialog;
    Dialog = nullptr;
    Types.reset();
    CleanupWindowTest::TearDown();
  }
  // Scans the registry as the main window does (icons included).
  void Scan() {
    Images = std::make_unique<TImageList>(16, 16);
    Types = std::make_unique<TFileTypeList>(nullptr);
    Types->SetImages(Images.get());
    Types->SetActive(true);
  }
  void OpenDialog() {
    Dialog = new TfrmRegistryBugs(Application);
    Dialog->SetBugs(Types->Errors());
    Dialog->Show();
    PumpUntilIdle();
  }
  int LineOf(const std::string& Text) {
    for (int I = 0; I < Types->Errors()->Count(); ++I)
      if (Types->Errors()->Get(I).find(Text) != std::string::npos) return I;
    ADD_FAILURE() << "no bug line with " << Text;
    return -1;
  }
  TListView* View() { return FindByName<TListView>(Dialog, "lvBugs"); }
  bool HasDefault(const std::string& Key) {
    DWORD Type = 0;
    std::vector<BYTE> Data;
    return regtest::QueryValueW(Classes, regtest::Widen(Key), L"", Type, Data);
  }
  std::string Label(const char* Name) { return FindByName<TControl>(Dialog, Name)->Caption(); }
  bool Enabled(const char* Action) {
    Dialog->Action(Action)->Update();
    return Dialog->Action(Action)->Enabled();
  }
  void Run(const char* Action) {
    Dialog->Action(Action)->Execute();
    PumpUntilIdle();
  }
  void SelectOnly(int Index) {
    for (int I = 0; I < View()->Items()->Count(); ++I) View()->Items()->Item(I)->SetSelected(I == Index);
  }

  std::unique_ptr<TImageList> Images;
  std::unique_ptr<TFileTypeList> Types;
  TfrmRegistryBugs* Dialog = nullptr;
};

TEST_F(RegistryBugsTest, OneBugFixedShowsTheCountAndDisablesTheCommands) {
  SetString(Classes, ".corvbug", "", "nosuchtype");
  SetString(Classes, ".corvbug", "Content Type", "text/x-corvbug");
  const regtest::TKeyDump Before = regtest::DumpW(Classes, L".corvbug");
  Scan();
  ASSERT_EQ(Types->Errors()->Count(), 1);
  EXPECT_EQ(Types->Errors()->Get(0), "Extension \".corvbug\" belongs to non-existing file type \"nosuchtype\"");
  OpenDialog();
  EXPECT_EQ(Dialog->Caption(), "Registry Bugs");
  ASSERT_EQ(View()->Items()->Count(), 1);
  EXPECT_EQ(View()->Items()->Item(0)->Caption(), Types->Errors()->Get(0));
  EXPECT_EQ(Label("lblBugsTotal"), "1");
  EXPECT_EQ(Label("lblBugsFixed"), "0");
  EXPECT_FALSE(Enabled("actFix"));  // nothing selected
  TWindowCapture(Dialog->Handle()).SavePng("app_registry_bugs_before");
  SelectOnly(0);
  PumpUntilIdle();
  EXPECT_TRUE(Enabled("actFix"));
  Run("actFix");
  EXPECT_TRUE(Boxes.Boxes.empty());
  // Only the name of the missing type goes.
  EXPECT_EQ(regtest::DumpW(Classes, L".corvbug"), WithoutDefault(Before));
  EXPECT_EQ(View()->Items()->Item(0)->ImageIndex(), 1);
  EXPECT_EQ(Label("lblBugsFixed"), "1");
  EXPECT_EQ(Dialog->FixedCount(), 1);
  for (const char* Action : {"actFix", "actFixAll", "actSelectAll", "actInvertSelected", "actSelectNone"})
    EXPECT_FALSE(Enabled(Action)) << Action;
  EXPECT_TRUE(Enabled("actQuickHint"));
  TWindowCapture(Dialog->Handle()).SavePng("app_registry_bugs_after");
}

TEST_F(RegistryBugsTest, FixAllOverEveryKind) {
  SetString(Classes, ".corvbug", "", "nosuchtype");                      // kind 0
  SetString(Classes, ".corvbug\\ShellNew", "NullFile", "");
  SetString(Classes, ".corvbug\\OpenWithProgids", "corvA", "");
  SetString(Classes, ".corvbug", "Content Type", "text/x-corvbug");
  SetString(Classes, "corvA", "", "Corvane A");                          // kind 1, a type that is missing
  SetString(Classes, "corvA\\CurVer", "", "corvNone");
  SetString(Classes, "corvA\\shell\\open\\command", "", "a.exe \"%1\"");
  SetString(Classes, "corvA\\shell\\print\\command", "", "a.exe /p \"%1\"");
  SetString(Classes, ".corva", "", "corvA");
  SetString(Classes, "corvS\\CurVer", "", "corvS");                      // kind 1, itself without a class
  SetString(Classes, "corvS\\shell\\edit\\command", "", "s.exe \"%1\"");
  SetString(Classes, ".corvs", "", "corvS");
  SetString(Classes, "corvB\\DefaultIcon", "", MissingIcon);             // kind 3, the type's icon
  SetString(Classes, "corvB\\shell\\open\\command", "", "b.exe");
  SetString(Classes, ".corvb", "", "corvB");
  SetString(Classes, "corvC\\CLSID", "", ClassG);                        // kind 3, the class's icon
  SetString(Classes, "CLSID\\" + ClassG + "\\DefaultIcon", "", MissingIcon);
  SetString(Classes, "CLSID\\" + ClassG + "\\InProcServer32", "", "c.dll");
  SetString(Classes, ".corvc", "", "corvC");
  SetString(Classes, "corvI1\\DefaultIcon", "", "\"%1\"");               // the file's own icon: no bug
  SetString(Classes, ".corvi1", "", "corvI1");
  const BYTE Bin[] = {1, 2, 3};                                           // kind 2
  regtest::SetValueW(Classes, L".corvbin", L"", REG_BINARY, regtest::Bytes(Bin, sizeof(Bin)));
  // Wine's stock programmatic identifiers whose CurVer names no type.
  const std::vector<std::wstring> Stock = {L"ITSProtocol", L"MSFSStore", L"MSITStore"};
  HKEY Machine = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_READ, &Machine), ERROR_SUCCESS);
  for (const std::wstring& Name : Stock) {
    HKEY Target = regtest::CreateKeyW(Classes, Name);
    EXPECT_EQ(RegCopyTreeW(Machine, Name.c_str(), Target), ERROR_SUCCESS) << regtest::Narrow(Name);
    RegCloseKey(Target);
    ASSERT_TRUE(Exists(Classes, regtest::Narrow(Name) + "\\CLSID"));
    ASSERT_TRUE(Exists(Classes, regtest::Narrow(Name) + "\\CurVer"));
  }
  RegCloseKey(Machine);
  std::map<std::wstring, regtest::TKeyDump> Before;
  for (const wchar_t* Key : {L".corvbug", L"corvA", L"corvS", L"corvI1", L"ITSProtocol", L"MSFSStore", L"MSITStore"})
    Before[Key] = regtest::DumpW(Classes, Key);
  Scan();
  const int Binary = LineOf("nvalid");
  for (const char* Text : {".corvbug", "corvNone", "corvS", "corvB", "corvC", "ITSProtocol", "MSFSStore", "MSITStore"})
    LineOf(Text);
  for (int I = 0; I < Types->Errors()->Count(); ++I)
    EXPECT_EQ(Types->Errors()->Get(I).find("corvI1"), std::string::npos) << Types->Errors()->Get(I);
  ASSERT_GE(Binary, 0);
  const std::string BinaryLine = Types->Errors()->Get(Binary);
  OpenDialog();
  Boxes.Answer(IDOK, "app_registry_bugs_unable");
  Run("actFixAll");
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Corvane 2007");
  EXPECT_EQ(Boxes.Boxes[0].Text, "Unable to fix the problem:\r\n" + BinaryLine);
  // Each repair removes only what was wrong.
  EXPECT_EQ(regtest::DumpW(Classes, L".corvbug"), WithoutDefault(Before[L".corvbug"]));
  for (const wchar_t* Key : {L"corvA", L"corvS", L"ITSProtocol", L"MSFSStore", L"MSITStore"}) {
    EXPECT_EQ(regtest::DumpW(Classes, Key), WithoutSubKey(Before[Key], L"CurVer")) << regtest::Narrow(Key);
  }
  EXPECT_EQ(regtest::DumpW(Classes, L"corvI1"), Before[L"corvI1"]);
  EXPECT_TRUE(Exists(Classes, ".corva"));
  EXPECT_TRUE(Exists(Classes, ".corvs"));
  EXPECT_FALSE(Exists(Classes, "corvB\\DefaultIcon"));
  EXPECT_TRUE(Exists(Classes, "corvB\\shell\\open\\command"));
  EXPECT_FALSE(Exists(Classes, "CLSID\\" + ClassG + "\\DefaultIcon"));
  EXPECT_TRUE(Exists(Classes, "CLSID\\" + ClassG + "\\InProcServer32"));
  EXPECT_TRUE(Exists(Classes, ".corvbin"));
  EXPECT_EQ(Dialog->FixedCount(), Types->Errors()->Count() - 1);
  EXPECT_EQ(View()->Items()->Item(Binary)->ImageIndex(), 0);
  EXPECT_EQ(Label("lblBugsFixed"), std::to_string(Types->Errors()->Count() - 1));
  EXPECT_TRUE(Enabled("actFixAll"));  // one left
  // A new scan finds none of the repaired kinds 0 and 1 again.
  delete Dialog;
  Dialog = nullptr;
  Scan();
  LineOf(BinaryLine);
  for (int I = 0; I < Types->Errors()->Count(); ++I)
    for (const char* Text : {".corvbug", "corvNone", "corvA", "corvS", ".corva", ".corvs", "ITSProtocol", "MSFSStore",
                             "MSITStore"})
      EXPECT_EQ(Types->Errors()->Get(I).find(Text), std::string::npos) << Types->Errors()->Get(I);
}

TEST_F(RegistryBugsTest, SelectionCommandsAndFixOfTheSelectedOnly) {
  for (const char* Ext : {".corvx1", ".corvx2", ".corvx3"}) SetString(Classes, Ext, "", "nosuchtype");
  Scan();
  ASSERT_EQ(Types->Errors()->Count(), 3);
  OpenDialog();
  Run("actSelectAll");
  EXPECT_EQ(View()->SelCount(), 3);
  Run("actSelectNone");
  EXPECT_EQ(View()->SelCount(), 0);
  View()->Items()->Item(1)->SetSelected(true);
  Run("actInvertSelected");
  EXPECT_TRUE(View()->Items()->Item(0)->Selected());
  EXPECT_FALSE(View()->Items()->Item(1)->Selected());
  EXPECT_TRUE(View()->Items()->Item(2)->Selected());
  SelectOnly(1);
  Run("actFix");
  const std::string Fixed = Types->Errors()->Get(1).substr(11, 7);  // the extension of line 1
  EXPECT_FALSE(HasDefault(Fixed));
  EXPECT_EQ(View()->SelCount(), 0);
  int Left = 0;
  for (const char* Ext : {".corvx1", ".corvx2", ".corvx3"}) Left += HasDefault(Ext) ? 1 : 0;
  EXPECT_EQ(Left, 2);
}

TEST_F(RegistryBugsTest, RepairsThatCannotBeDoneLeaveTheRecords) {
  SetString(Classes, "corvB\\DefaultIcon", "", MissingIcon);
  SetString(Classes, ".corvb", "", "corvB");
  SetString(Classes, ".corvbug", "", "nosuchtype");
  SetString(Classes, ".corvbug\\Sub\\Deep", "", "");
  SetString(Classes, "CLSID\\" + ClassG + "\\DefaultIcon", "", MissingIcon);
  Scan();
  const int Icon = LineOf("corvB"), Ext = LineOf(".corvbug");
  // The type key goes after the scan; the extension key cannot be written, so its value stays.
  RegDeleteTreeA(Classes, "corvB");
  const regtest::TKeyDump ClassesBefore = regtest::DumpW(Classes, L"CLSID");
  TKeyLock Lock(Classes, ".corvbug");
  OpenDialog();
  Boxes.Answer(IDOK);
  Boxes.Answer(IDOK);
  Run("actFixAll");
  ASSERT_EQ(Boxes.Boxes.size(), 2u);
  std::set<std::string> Texts{Boxes.Boxes[0].Text, Boxes.Boxes[1].Text};
  EXPECT_EQ(Texts, (std::set<std::string>{"Unable to fix the problem:\r\n" + Types->Errors()->Get(Icon),
                                          "Unable to fix the problem:\r\n" + Types->Errors()->Get(Ext)}));
  EXPECT_EQ(regtest::DumpW(Classes, L"CLSID"), ClassesBefore);
  EXPECT_TRUE(HasDefault(".corvbug"));
  EXPECT_EQ(Dialog->FixedCount(), 0);
  EXPECT_EQ(View()->Items()->Item(Ext)->ImageIndex(), 0);
}

TEST_F(RegistryBugsTest, ARaisingRepairEndsInOneWarningAfterTheLoop) {
  for (const char* Ext : {".corvx1", ".corvx2", ".corvx3"}) SetString(Classes, Ext, "", "nosuchtype");
  Scan();
  static TRepairDeleteProc Old;
  Old = SetRepairDeleteProc([](TRegistry& Registry, const std::string& Key, bool DefaultValueOnly) {
    if (Key == ".corvx2") throw Exception("staged failure");
    Old(Registry, Key, DefaultValueOnly);
  });
  OpenDialog();
  Boxes.Answer(IDOK, "app_registry_bugs_warning");
  Run("actFixAll");
  SetRepairDeleteProc(Old);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, "Errors detected while fixing the registry. Some bugs may appear unfixed.");
  EXPECT_FALSE(HasDefault(".corvx1"));
  EXPECT_TRUE(HasDefault(".corvx2"));
  EXPECT_FALSE(HasDefault(".corvx3"));
  EXPECT_EQ(Dialog->FixedCount(), 2);
}

TEST_F(RegistryBugsTest, F1ShowsTheFocusedControlsQuickHint) {
  SetString(Classes, ".corvbug", "", "nosuchtype");
  Scan();
  OpenDialog();
  Dialog->SetActiveControl(View());
  Boxes.Answer(IDOK);
  PostMessageA(View()->Handle(), WM_KEYUP, VK_F1, 0);
  PumpUntilIdle();
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "List of detected registry bugs");
  EXPECT_EQ(Boxes.Boxes[0].Text, GetLongHint(View()->Hint()).substr(32));
}

// The main window's button and error list around the modal dialog.
TEST_F(RegistryBugsTest, ClosingKeepsTheUnfixedLinesAndTheButton) {
  for (const char* Ext : {".corvx1", ".corvx2", ".corvx3"}) SetString(Classes, Ext, "", "nosuchtype");
  Open();
  ASSERT_EQ(Form->FileTypes->Errors()->Count(), 3);
  PumpUntilIdle();
  auto* Button = FindByName<TControl>(Form, "spbBugs");
  EXPECT_TRUE(Button->Visible());
  // Inside the modal loop: fix the first FixCount items, then close.
  static int FixCount = 0;
  auto Session = [&](int Count) {
    FixCount = Count;
    TThreadTimer Timer(50, [] {
      for (int I = 0; I < Screen->FormCount(); ++I)
        if (auto* Bugs = dynamic_cast<TfrmRegistryBugs*>(Screen->Forms(I))) {
          if (!Bugs->Visible() || Bugs->ModalResult != mrNone) return;
          auto* List = dynamic_cast<TListView*>(Bugs->FindComponent("lvBugs"));
          for (int J = 0; J < List->Items()->Count(); ++J) List->Items()->Item(J)->SetSelected(J < FixCount);
          Bugs->Action("actFix")->Execute();
          Bugs->ModalResult = mrCancel;
        }
    });
    ClickThroughParent(Button);
  };
  Session(2);
  EXPECT_EQ(Form->FileTypes->Errors()->Count(), 1);
  EXPECT_TRUE(Button->Visible());
  Session(1);
  EXPECT_EQ(Form->FileTypes->Errors()->Count(), 0);
  EXPECT_FALSE(Button->Visible());
  EXPECT_FALSE(Form->Action("actRegistryBugs")->Enabled());
}

// Fix All over many records shows its count growing, under the hourglass.
TEST_F(RegistryBugsTest, FixAllShowsProgress) {
  constexpr int Count = 2000;
  for (int I = 0; I < Count; ++I) SetString(Classes, ".corvp" + std::to_string(I), "", "nosuchtype");
  Scan();
  ASSERT_EQ(Types->Errors()->Count(), Count);
  OpenDialog();
  SetWindowPos(Dialog->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  auto* Fixed = FindByName<TControl>(Dialog, "lblBugsFixed");
  const POINT Origin = Fixed->ClientToScreen(POINT{0, 0});
  const RECT Area{Origin.x, Origin.y, Origin.x + 60, Origin.y + Fixed->Height()};
  auto Capture = [Area] {
    const int W = Area.right - Area.left, H = Area.bottom - Area.top;
    std::vector<COLORREF> Pixels;
    HDC Screen = GetDC(nullptr);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) Pixels.push_back(GetPixel(Screen, Area.left + X, Area.top + Y));
    ReleaseDC(nullptr, Screen);
    return Pixels;
  };
  PumpUntilIdle();
  const std::vector<COLORREF> Before = Capture();
  struct TShot {
    std::vector<COLORREF> Pixels;
    TCursor Cursor;
  };
  std::vector<TShot> Shots;
  std::atomic<bool> Running{true};
  std::thread Watcher([&] {
    while (Running) {
      // The cursor first: once it is back, the final count is on the screen already.
      const TCursor Cursor = Screen->Cursor();
      TShot Shot{Capture(), Cursor};
      Shots.push_back(std::move(Shot));
      Sleep(15);
    }
  });
  Run("actFixAll");
  Running = false;
  Watcher.join();
  EXPECT_EQ(Label("lblBugsFixed"), std::to_string(Count));
  EXPECT_EQ(Screen->Cursor(), crDefault);
  PumpUntilIdle();
  const std::vector<COLORREF> After = Capture();
  ASSERT_NE(Before, After);
  std::set<std::vector<COLORREF>> Between;
  for (const TShot& S : Shots)
    if (S.Pixels != Before && S.Pixels != After) {
      Between.insert(S.Pixels);
      EXPECT_EQ(S.Cursor, crHourGlass);
    }
  // Counts between the first and the last were on the screen, more than one of them.
  EXPECT_GE(Between.size(), 2u) << Shots.size() << " captures";
}

}  // namespace
