// The main road: Corvane's menu model saves a dynamic menu to Corvane.ini, regsvr32 registers the
// built Vellisk, and the shell's menu for a file of the saved class holds exactly the saved
// items, whose help texts are the saved hints and which start the saved application with the
// file.
#include "tests/shellext/MenuFixture.h"

#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/FileTypes.h"

#include <string>
#include <vector>

using namespace shellhost;

namespace {

// "caption", "-" for a separator, "caption[...]" for a submenu; items in index order.
std::string DumpModel(TTreeItems* Items) {
  std::string Result;
  for (int I = 0; I < Items->Count(); ++I) {
    auto* Item = dynamic_cast<TDynamicMenuItem*>(Items->GetItem(I));
    if (Item == nullptr) continue;
    if (!Result.empty()) Result += ",";
    Result += Item->IsSeparator() ? std::string("-") : Item->Caption();
    if (dynamic_cast<TDynamicSubMenu*>(Item) != nullptr) Result += "[" + DumpModel(Item->Items()) + "]";
  }
  return Result;
}

std::string DumpMenu(HMENU Menu) {
  std::string Result;
  for (const TMenuEntry& E : MenuEntries(Menu)) {
    if (!Result.empty()) Result += ",";
    Result += E.Type & MFT_SEPARATOR ? std::string("-") : E.Text;
    if (E.SubMenu != nullptr) Result += "[" + DumpMenu(E.SubMenu) + "]";
  }
  return Result;
}

class MainRoad : public MenuTest {
protected:
  void TearDown() override {
    if (Registered) {
      EXPECT_EQ(RunRegsvr32(Copy.LibraryPath(), true), 0u);
    }
    MenuTest::TearDown();
  }
  bool Registered = false;
};

TEST_F(MainRoad, SavedMenuAppearsInTheShellAndStartsTheSavedApplication) {
  TRecorder Recorder;
  ASSERT_TRUE(Recorder.Copied());
  TTempDir Files;
  const std::string File = Files.File("saved test.txt");
  ASSERT_TRUE(WriteFileText(File, "x"));
  std::string Class, Other;
  HKEY Key = NewClass("MainRoad", Class);
  ASSERT_NE(Key, nullptr);
  ASSERT_NE(NewClass("MainRoadOther", Other), nullptr);

  // The menu as Corvane's Submenu Items page makes it.
  TFileTypes Types(nullptr);
  TFileType* Type = Types.Add();
  Type->SetName(Class);
  Type->SetDescription("A saved class");
  TFileType* OtherType = Types.Add();
  OtherType->SetName(Other);
  OtherType->SetDescription("B other class");
  TDynamicMenu Menu(&Types);
  auto* Items = dynamic_cast<TDynamicMenuItems*>(Menu.GetItems()->GetCategory(Type)->GetItems());
  ASSERT_NE(Items, nullptr);
  TDynamicMenuItem* Record = Items->AddItem();
  Record->SetCaption("Record it");
  Record->SetApplication(Recorder.Path());
  Record->SetHint("Records the file");
  TDynamicSubMenu* More = Items->AddSubMenu();
  More->SetCaption("More");
  More->SetHint("More ways");
  TDynamicMenuItem* Twice = More->GetItems()->AddItem();
  Twice->SetCaption("Record with an option");
  Twice->SetApplication(Recorder.Path());
  Twice->SetParameters("--option \"%1\" end");
  Twice->SetHint("Records the file after an option");
  More->GetItems()->AddItem()->SetIsSeparator(true);
  TDynamicMenuItem* Inactive = More->GetItems()->AddItem();
  Inactive->SetCaption("Inactive");
  Inactive->SetApplication(Recorder.Path());
  Inactive->SetChecked(false);
  auto* OtherItems = dynamic_cast<TDynamicMenuItems*>(Menu.GetItems()->GetCategory(OtherType)->GetItems());
  ASSERT_NE(OtherItems, nullptr);
  OtherItems->AddItem()->SetCaption("Of the other class");
  const std::string Saved = DumpModel(Items);
  ASSERT_EQ(Saved, "Record it,More[Record with an option,-,Inactive]");
  {
    TCorvIniFile Ini(Copy.IniPath());
    Menu.SaveToIni(Ini, "Dynamic Items");
    Ini.UpdateFile();
  }

  ASSERT_EQ(RunRegsvr32(Copy.LibraryPath(), false), 0u);
  Registered = true;
  std::string Handler;
  ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, Class + "\\shellex\\ContextMenuHandlers\\Corvane", "", Handler));
  EXPECT_EQ(Handler, VelliskClassIDText);

  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({File}));
  {
    TComPtr<IContextMenu3> Shell = Open(Key, Data);
    ASSERT_TRUE(Shell);
    TPopupMenu Popup;
    AppendMenuA(Popup, MF_STRING, 1, "&Open");
    ASSERT_EQ(Shell->QueryContextMenu(Popup, 1, 10, 0x7FFF, CMF_NORMAL), CountResult(5));
    EXPECT_EQ(DumpMenu(Popup), "&Open," + Saved);

    const char* const Hints[] = {"Records the file", "More ways", "Records the file after an option", "", ""};
    for (UINT Offset = 0; Offset < 5; ++Offset) {
      char Text[128] = {};
      EXPECT_EQ(Shell->GetCommandString(Offset, GCS_HELPTEXTA, nullptr, Text, sizeof(Text)), S_OK);
      EXPECT_STREQ(Text, Hints[Offset]);
    }

    const struct {
      UINT Offset;
      std::vector<std::string> Args;
    } Starts[] = {{0, {File}}, {2, {"--option", File, "end"}}, {4, {File}}};
    for (const auto& S : Starts) {
      SCOPED_TRACE(S.Offset);
      Recorder.Clear();
      CMINVOKECOMMANDINFO Info{};
      Info.cbSize = sizeof(Info);
      Info.lpVerb = MAKEINTRESOURCEA(S.Offset);
      Info.nShow = SW_SHOWNORMAL;
      EXPECT_EQ(Shell->InvokeCommand(&Info), S_OK);
      TRecord Started;
      ASSERT_TRUE(Recorder.Read(Started));
      Recorder.WaitForEnd();
      EXPECT_EQ(Started.Arguments, S.Args) << Started.CommandLine;
    }
  }
  Data->Release();

  // The other class's items show for a file of that class only.
  TComPtr<IContextMenu3> Star = Open(nullptr);
  ASSERT_TRUE(Star);
  TPopupMenu None;
  EXPECT_EQ(Star->QueryContextMenu(None, 0, 1, 100, CMF_NORMAL), S_OK);
  EXPECT_EQ(GetMenuItemCount(None), 0);
}

}  // namespace
