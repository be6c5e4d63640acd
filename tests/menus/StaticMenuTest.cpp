// The static menu against a redirected HKEY_CLASSES_ROOT: the verb keys it writes, adopts and
// removes, and its section "Static Items".
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/IniFiles.h"
#include "classlib/core/ResStrings.h"
#include "model/CorvIniFile.h"
#include "model/FileTypes.h"
#include "model/StaticMenu.h"
#include "resources/strings/MenuItems.h"
#include "tests/support/TempDir.h"
#include "tests/menus/MenuTestUtils.h"
#include "tests/registry/RegistryFixture.h"

using namespace menutest;

namespace {

const char* const Section = "Static Items";

class StaticMenuTest : public regtest::TRegistryFixture {
protected:
  TThreeTypes Types;
  TTempDir Dir;
  std::string IniName = Dir.File("menu.ini");
  std::unique_ptr<TStaticMenu> Menu = std::make_unique<TStaticMenu>(&Types.Model);

  void TearDown() override {
    Menu.reset();
    regtest::TRegistryFixture::TearDown();
  }

  TStaticMenuItem* Add(const std::string& Caption, const std::string& Application, TFileType* Type,
                       bool Checked = true, TStaticMenu* Target = nullptr) {
    TStaticMenu* M = Target != nullptr ? Target : Menu.get();
    auto* Item = static_cast<TStaticMenuItem*>(M->GetItems()->AddItem());
    Item->SetCaption(Caption);
    Item->SetApplication(Application);
    Item->SetChecked(Checked);
    Item->SetFileType(Type);
    return Item;
  }

  void Save() {
    TCorvIniFile Ini(IniName);
    Menu->SaveToIni(Ini, Section);
    Ini.UpdateFile();
  }

  std::unique_ptr<TStaticMenu> LoadCorv(const std::string& FileName) {
    auto Result = std::make_unique<TStaticMenu>(&Types.Model);
    TCorvIniFile Ini(FileName);
    Result->LoadFromIni(Ini, Section);
    return Result;
  }

  std::unique_ptr<TStaticMenu> LoadProfile(const std::string& FileName) {
    auto Result = std::make_unique<TStaticMenu>(&Types.Model);
    TIniFile Ini(FileName);
    Result->LoadFromIni(Ini, Section);
    return Result;
  }

  bool HasKey(const std::string& Path) { return regtest::KeyPresentW(Classes, regtest::Widen(Path)); }

  // The default value of a key below the classes root; "<none>" when it cannot be read.
  std::string DefaultValue(const std::string& Path) {
    DWORD Type = 0;
    std::vector<BYTE> Data;
    if (!regtest::QueryValueW(Classes, regtest::Widen(Path), L"", Type, Data) || Type != REG_SZ) return "<none>";
    std::wstring Text(reinterpret_cast<const wchar_t*>(Data.data()), Data.size() / sizeof(wchar_t));
    while (!Text.empty() && Text.back() == L'\0') Text.pop_back();
    return regtest::Narrow(Text);
  }

  void SetDefault(const std::string& Path, const std::string& Value) {
    regtest::SetValueW(Classes, regtest::Widen(Path), L"", REG_SZ, regtest::WideSz(regtest::Widen(Value)));
  }
};

std::string Lines(const std::vector<std::string>& L) {
  std::string Result;
  for (const std::string& S : L) Result += S + "\r\n";
  return Result;
}

std::vector<std::string> LogLines(const TStaticMenu& Menu) {
  std::vector<std::string> Result;
  for (int I = 0; I < Menu.ErrorLog()->Count(); ++I) Result.push_back(Menu.ErrorLog()->Get(I));
  return Result;
}

// The menu's items as "type|caption|application|parameters|checked".
std::vector<std::string> DumpStatic(const TStaticMenu& Menu) {
  std::vector<std::string> Result;
  Menu.ForEachItem([&](TStaticMenuItem* Item) {
    Result.push_back(Item->GetFileType()->Name() + "|" + Item->Caption() + "|" + Item->Application() + "|" +
                     Item->Parameters() + "|" + (Item->Checked() ? "1" : "0"));
  });
  return Result;
}

const std::string GoldenSection = Lines({
    "[Static Items]",
    "Application0=notepad.exe",
    "Parameters0='\"%1\"'",
    "Caption0=Open &with",
    "Checked0=1",
    "FileType0=txtfile",
    "Application1=print.exe",
    "Parameters1=/p \"%1\"",
    "Caption1=Print",
    "Checked1=0",
    "FileType1=txtfile",
    "Application2=edit.exe",
    "Parameters2='\"%1\"'",
    "Caption2=\"Edit; quick\"",
    "Checked2=1",
    "FileType2=inifile",
    "Count=3",
});

// ---------------------------------------------------------------------------------------------
// Saving

TEST_F(StaticMenuTest, SaveWritesTheVerbKeysAndTheGoldenSection) {
  Add("Edit; quick", "edit.exe", Types.Settings);
  Add("Open &with", "notepad.exe", Types.Text);
  TStaticMenuItem* Print = Add("Print", "print.exe", Types.Text, false);
  Print->SetParameters("/p \"%1\"");
  Save();

  EXPECT_EQ(ReadFileText(IniName), GoldenSection);
  EXPECT_EQ(DefaultValue("txtfile\\shell\\Open &with (*)"), "Open &with");
  EXPECT_EQ(DefaultValue("txtfile\\shell\\Open &with (*)\\command"), "notepad.exe \"%1\"");
  EXPECT_EQ(DefaultValue("inifile\\shell\\Edit; quick (*)"), "Edit; quick");
  EXPECT_EQ(DefaultValue("inifile\\shell\\Edit; quick (*)\\command"), "edit.exe \"%1\"");
  EXPECT_FALSE(HasKey("txtfile\\shell\\Print (*)"));
  EXPECT_FALSE(HasKey("batfile"));

  EXPECT_FALSE(Menu->Modified());
  EXPECT_FALSE(Print->Modified());
  EXPECT_FALSE(Print->IsStored());
  auto* Open = static_cast<TStaticMenuItem*>(Menu->GetItems()->FindCategory(Types.Text)->GetItems()->MenuItem(0));
  ASSERT_NE(Open, nullptr);
  EXPECT_TRUE(Open->IsStored());
  EXPECT_EQ(Open->StoreInfo().KeyPath(), "\\txtfile\\shell\\Open &with (*)");
  EXPECT_EQ(Open->GetKeyPath(), Open->StoreInfo().KeyPath());
  EXPECT_TRUE(Open->KeyExists());
}

TEST_F(StaticMenuTest, SavedSectionReadsBackThroughBothReaders) {
  Add("Edit; quick", "edit.exe", Types.Settings);
  Add("Open &with", "notepad.exe", Types.Text);
  Add("Print", "print.exe", Types.Text, false)->SetParameters("/p \"%1\";x");
  Save();
  const std::vector<std::string> Expected = {"txtfile|Open &with|notepad.exe|\"%1\"|1",
                                             "txtfile|Print|print.exe|/p \"%1\";x|0",
                                             "inifile|Edit; quick|edit.exe|\"%1\"|1"};
  auto Corv = LoadCorv(IniName);
  auto Profile = LoadProfile(IniName);
  EXPECT_EQ(DumpStatic(*Corv), Expected);
  EXPECT_EQ(DumpStatic(*Profile), Expected);
  EXPECT_TRUE(LogLines(*Corv).empty());
  EXPECT_FALSE(Corv->Modified());
}

TEST_F(StaticMenuTest, DefaultParametersSurviveSaveLoadSaveByteForByte) {
  Add("Open", "a.exe", Types.Text);
  Save();
  const std::string Expected = Lines({"[Static Items]", "Application0=a.exe", "Parameters0='\"%1\"'", "Caption0=Open",
                                      "Checked0=1", "FileType0=txtfile", "Count=1"});
  EXPECT_EQ(ReadFileText(IniName), Expected);
  Menu = LoadCorv(IniName);
  const std::string Again = Dir.File("again.ini");
  {
    TCorvIniFile Ini(Again);
    Menu->SaveToIni(Ini, Section);
  }
  EXPECT_EQ(ReadFileText(Again), Expected);
  EXPECT_EQ(DefaultValue("txtfile\\shell\\Open (*)\\command"), "a.exe \"%1\"");
}

// An application path with a blank is put in double quotes, or the system would split it there.
TEST_F(StaticMenuTest, CommandQuotesAnApplicationWithABlank) {
  const struct {
    const char* Caption;
    std::string Application, Command;
  } Cases[] = {
      {"Blank", "C:\\Program Files\\Tool\\t.exe", "\"C:\\Program Files\\Tool\\t.exe\" \"%1\""},
      {"Quoted", "\"C:\\Program Files\\Tool\\t.exe\"", "\"C:\\Program Files\\Tool\\t.exe\" \"%1\""},
      {"Plain", "C:\\Tools\\t.exe", "C:\\Tools\\t.exe \"%1\""},
  };
  for (const auto& Case : Cases) Add(Case.Caption, Case.Application, Types.Text);
  Save();
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Caption);
    EXPECT_EQ(DefaultValue("txtfile\\shell\\" + std::string(Case.Caption) + " (*)\\command"), Case.Command);
  }
}

TEST_F(StaticMenuTest, RenamingRemovesTheOldKeyAndKeepsAShellKeyInUse) {
  SetDefault("txtfile\\shell\\open\\command", "foreign.exe");
  TStaticMenuItem* A = Add("A", "a.exe", Types.Text);
  Save();
  ASSERT_TRUE(HasKey("txtfile\\shell\\A (*)"));
  A->SetCaption("B");
  Save();
  EXPECT_FALSE(HasKey("txtfile\\shell\\A (*)"));
  EXPECT_EQ(DefaultValue("txtfile\\shell\\B (*)\\command"), "a.exe \"%1\"");
  EXPECT_EQ(DefaultValue("txtfile\\shell\\open\\command"), "foreign.exe");

  delete A;
  ASSERT_EQ(Menu->DeletedItems().size(), 1u);
  EXPECT_EQ(Menu->DeletedItems()[0].KeyPath(), "\\txtfile\\shell\\B (*)");
  Save();
  EXPECT_TRUE(Menu->DeletedItems().empty());
  EXPECT_FALSE(HasKey("txtfile\\shell\\B (*)"));
  EXPECT_TRUE(HasKey("txtfile\\shell"));  // another verb is left
}

TEST_F(StaticMenuTest, ChangingTheFileTypeMovesTheKey) {
  TStaticMenuItem* A = Add("A", "a.exe", Types.Text);
  Save();
  A->SetFileType(Types.Batch);
  Save();
  EXPECT_FALSE(HasKey("txtfile\\shell"));
  EXPECT_TRUE(HasKey("txtfile"));
  EXPECT_EQ(DefaultValue("batfile\\shell\\A (*)"), "A");
}

TEST_F(StaticMenuTest, DeactivatingRemovesTheKeyAndAnEmptiedShellKey) {
  TStaticMenuItem* X = Add("X", "x.exe", Types.Settings);
  Save();
  ASSERT_TRUE(HasKey("inifile\\shell\\X (*)\\command"));
  X->SetChecked(false);
  Save();
  EXPECT_FALSE(HasKey("inifile\\shell\\X (*)"));
  EXPECT_FALSE(HasKey("inifile\\shell"));
  EXPECT_TRUE(HasKey("inifile"));
  EXPECT_FALSE(X->IsStored());
  EXPECT_NE(ReadFileText(IniName).find("Checked0=0\r\n"), std::string::npos);
}

TEST_F(StaticMenuTest, DeletingWithoutSavingLeavesTheKey) {
  TStaticMenuItem* X = Add("X", "x.exe", Types.Text);
  Add("Y", "y.exe", Types.Text);
  Save();
  delete X;
  EXPECT_EQ(Menu->DeletedItems().size(), 1u);
  Menu.reset();
  EXPECT_TRUE(HasKey("txtfile\\shell\\X (*)"));
  EXPECT_TRUE(HasKey("txtfile\\shell\\Y (*)"));
}

TEST_F(StaticMenuTest, UnstoredDeletedItemsAreNotRemembered) {
  TStaticMenuItem* X = Add("X", "x.exe", Types.Text);
  delete X;
  EXPECT_TRUE(Menu->DeletedItems().empty());
}

TEST_F(StaticMenuTest, SameCaptionUnderOneTypeSharesOneKey) {
  Add("Same", "first.exe", Types.Text);
  Add("Same", "second.exe", Types.Text);
  Save();
  EXPECT_EQ(DefaultValue("txtfile\\shell\\Same (*)\\command"), "second.exe \"%1\"");
}

TEST_F(StaticMenuTest, RegistryFailureOnSaveLeavesTheSectionAndTheModifiedMark) {
  WriteFileText(IniName, "[Static Items]\r\nCount=0\r\n");
  // No lasting key can be made below a volatile one: the verb key cannot be written.
  regtest::MakeKeyW(Classes, L"txtfile");
  regtest::MakeKeyW(Classes, L"txtfile\\shell", REG_OPTION_VOLATILE);
  Add("Locked", "l.exe", Types.Text);
  TCorvIniFile Ini(IniName);
  const std::string Message = MessageOf([&] { Menu->SaveToIni(Ini, Section); });
  EXPECT_EQ(Message.rfind("Registry operation error", 0), 0u) << Message;
  Ini.UpdateFile();
  EXPECT_EQ(ReadFileText(IniName), "[Static Items]\r\nCount=0\r\n");
  EXPECT_TRUE(Menu->Modified());
}

// A save that fails after it began changing verb keys puts back every key it removed or wrote,
// with the items' records and the deleted items' records; the menu stays modified and the file as
// it was. The next save goes through.
TEST_F(StaticMenuTest, AFailedSaveAfterItsFirstStepPutsEveryKeyBack) {
  enum TFailure { ffHeldWithoutSharing, ffHeldForReading, ffLaterKeyUnwritable };
  const struct {
    const char* What;
    TFailure Failure;
  } Cases[] = {{"file held without sharing", ffHeldWithoutSharing},
               {"file held for reading", ffHeldForReading},
               {"a later verb key cannot be written", ffLaterKeyUnwritable}};
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    Menu = std::make_unique<TStaticMenu>(&Types.Model);
    RegDeleteTreeW(Classes, L"txtfile");
    regtest::FillEveryKind(Classes, L"txtfile\\shell\\open", L"Open", L"notepad.exe \"%1\"");
    TStaticMenuItem* A = Add("A1 Edit", "a.exe", Types.Text);
    TStaticMenuItem* Doomed = Add("Doomed", "d.exe", Types.Text);
    Save();
    ASSERT_TRUE(HasKey("txtfile\\shell\\A1 Edit (*)"));
    delete Doomed;
    A->SetCaption("A1 Renamed");
    TStaticMenuItem* Later = nullptr;
    if (Case.Failure == ffLaterKeyUnwritable) {
      // No lasting key can be made below a volatile one.
      regtest::MakeKeyW(Classes, L"txtfile\\shell\\Vol", REG_OPTION_VOLATILE);
      Later = Add("Vol\\Z", "z.exe", Types.Text);
    }
    const regtest::TKeyDump Before = regtest::DumpW(Classes, L"");
    const std::string FileBefore = ReadFileText(IniName);
    HANDLE Held = INVALID_HANDLE_VALUE;
    if (Case.Failure != ffLaterKeyUnwritable) {
      Held = CreateFileA(IniName.c_str(), GENERIC_READ, Case.Failure == ffHeldForReading ? FILE_SHARE_READ : 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    }
    {
      TCorvIniFile Ini(IniName);
      const std::string Message = MessageOf([&] { Menu->SaveToIni(Ini, Section); });
      EXPECT_FALSE(Message.empty());
      Ini.Clear();
    }
    if (Held != INVALID_HANDLE_VALUE) CloseHandle(Held);
    EXPECT_EQ(regtest::DumpW(Classes, L""), Before);
    EXPECT_FALSE(HasKey("txtfile\\shell\\A1 Renamed (*)"));
    EXPECT_EQ(ReadFileText(IniName), FileBefore);
    EXPECT_TRUE(Menu->Modified());
    EXPECT_TRUE(A->IsStored());
    EXPECT_EQ(A->StoreInfo().KeyPath(), "\\txtfile\\shell\\A1 Edit (*)");
    ASSERT_EQ(Menu->DeletedItems().size(), 1u);
    EXPECT_EQ(Menu->DeletedItems()[0].KeyPath(), "\\txtfile\\shell\\Doomed (*)");

    delete Later;
    Save();
    EXPECT_FALSE(HasKey("txtfile\\shell\\A1 Edit (*)"));
    EXPECT_FALSE(HasKey("txtfile\\shell\\Doomed (*)"));
    EXPECT_EQ(DefaultValue("txtfile\\shell\\A1 Renamed (*)"), "A1 Renamed");
    EXPECT_NE(ReadFileText(IniName).find("Caption0=A1 Renamed\r\n"), std::string::npos);
    EXPECT_FALSE(Menu->Modified());
    RegDeleteTreeW(Classes, L"txtfile\\shell\\Vol");
  }
}

TEST_F(StaticMenuTest, WithoutFileTypesNothingIsDone) {
  TFileTypes Empty(nullptr);
  for (TFileTypes* List : {static_cast<TFileTypes*>(nullptr), &Empty}) {
    TStaticMenu M(List);
    TCorvIniFile Ini(IniName);
    EXPECT_EQ(MessageOf([&] { M.SaveToIni(Ini, Section); }), "FileTypes property not set or empty");
    EXPECT_EQ(MessageOf([&] { M.LoadFromIni(Ini, Section); }), "FileTypes property not set or empty");
    EXPECT_EQ(MessageOf([&] { M.WriteRegistry(); }), "FileTypes property not set or empty");
    EXPECT_FALSE(Ini.Modified());
  }
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(StaticMenuTest, LoadWritesMissingKeysAndAdoptsExistingOnes) {
  SetDefault("txtfile\\shell\\Adopt (*)", "foreign");
  WriteFileText(IniName, Lines({"[Static Items]", "Application0=a.exe", "Parameters0=-a", "Caption0=Adopt",
                                "Checked0=1", "FileType0=txtfile", "Application1=n.exe", "Parameters1=-n",
                                "Caption1=New", "Checked1=1", "FileType1=batfile", "Application2=off.exe",
                                "Caption2=Off", "Checked2=0", "FileType2=batfile", "Count=3"}));
  Menu = LoadCorv(IniName);
  EXPECT_EQ(DumpStatic(*Menu), (std::vector<std::string>{"txtfile|Adopt|a.exe|-a|1", "batfile|New|n.exe|-n|1",
                                                         "batfile|Off|off.exe||0"}));
  EXPECT_EQ(DefaultValue("txtfile\\shell\\Adopt (*)"), "foreign");  // adopted, not rewritten
  EXPECT_EQ(DefaultValue("batfile\\shell\\New (*)\\command"), "n.exe -n");
  EXPECT_FALSE(HasKey("batfile\\shell\\Off (*)"));
  std::vector<std::string> Stored;
  Menu->ForEachItem([&](TStaticMenuItem* Item) {
    Stored.push_back(Item->IsStored() ? Item->StoreInfo().KeyPath() : "-");
    EXPECT_FALSE(Item->Modified()) << Item->Caption();
    EXPECT_TRUE(Item->Expanded()) << Item->Caption();
  });
  EXPECT_EQ(Stored, (std::vector<std::string>{"\\txtfile\\shell\\Adopt (*)", "\\batfile\\shell\\New (*)", "-"}));
  EXPECT_FALSE(Menu->Modified());
  EXPECT_TRUE(LogLines(*Menu).empty());
  EXPECT_EQ(Menu->GetFocused(), Menu->GetItems()->GetItem(0));
}

TEST_F(StaticMenuTest, LoadLogsUnknownTypesAndBadCheckedValuesAndGoesOn) {
  WriteFileText(IniName, Lines({"[Static Items]", "Caption0=Lost", "Checked0=0", "FileType0=nosuchfile",
                                "Caption1=Bad", "Checked1=5", "FileType1=inifile", "Caption2=Skipped",
                                "Checked2=1", "Caption3=Plain", "FileType3=BATFILE", "Count=4"}));
  Menu = LoadCorv(IniName);
  EXPECT_EQ(DumpStatic(*Menu),
            (std::vector<std::string>{"txtfile|Lost|||0", "batfile|Plain|||0", "inifile|Bad|||0"}));
  EXPECT_EQ(LogLines(*Menu),
            (std::vector<std::string>{
                "File type \"nosuchfile\" not found. Menu item \"Lost\" moved to category \"A text\".",
                "Invalid value of \"Checked\" property for Bad menu item. Set to \"False\"."}));
  EXPECT_TRUE(Menu->Modified());
}

TEST_F(StaticMenuTest, EmptyOrMissingSectionGivesAnEmptyMenu) {
  for (const std::string& Text : {std::string(), std::string("[Static Items]\r\nCount=0\r\n")}) {
    WriteFileText(IniName, Text);
    Add("old", "old.exe", Types.Text);
    TCorvIniFile Ini(IniName);
    Menu->LoadFromIni(Ini, Section);
    EXPECT_EQ(Menu->GetItems()->Count(), 0);
    EXPECT_EQ(Menu->GetFocused(), nullptr);
    EXPECT_FALSE(Menu->Modified());
  }
}

TEST_F(StaticMenuTest, RegistryFailureOnLoadIsLoggedAndEveryItemLoads) {
  // No lasting key can be made below a volatile one: the verb key cannot be written.
  regtest::MakeKeyW(Classes, L"txtfile");
  regtest::MakeKeyW(Classes, L"txtfile\\shell", REG_OPTION_VOLATILE);
  WriteFileText(IniName, Lines({"[Static Items]", "Application0=l.exe", "Caption0=Locked", "Checked0=1",
                                "FileType0=txtfile", "Application1=f.exe", "Caption1=Free", "Checked1=1",
                                "FileType1=inifile", "Count=2"}));
  Menu = LoadCorv(IniName);
  EXPECT_EQ(DumpStatic(*Menu), (std::vector<std::string>{"txtfile|Locked|l.exe||1", "inifile|Free|f.exe||1"}));
  std::vector<std::string> Log = LogLines(*Menu);
  ASSERT_EQ(Log.size(), 1u);
  const std::string Prefix = "Registry error at menu item \"Locked\" of file type \"txtfile\": Registry operation error";
  EXPECT_EQ(Log[0].substr(0, Prefix.size()), Prefix);
  EXPECT_TRUE(HasKey("inifile\\shell\\Free (*)\\command"));
  EXPECT_TRUE(Menu->Modified());
  std::vector<bool> Stored;
  Menu->ForEachItem([&](TStaticMenuItem* Item) { Stored.push_back(Item->IsStored()); });
  EXPECT_EQ(Stored, (std::vector<bool>{false, true}));
}

TEST_F(StaticMenuTest, StaticItemsDoNotNest) {
  TStaticMenuItem* A = Add("A", "a.exe", Types.Text);
  EXPECT_EQ(MessageOf([&] { static_cast<TStaticMenuItems*>(A->Items())->AddItem(); }),
            "Can not add subitem for an menu item");
  EXPECT_EQ(A->Items()->Count(), 0);
}

TEST_F(StaticMenuTest, KeyPathFollowsTypeAndCaption) {
  TStaticMenuItem* A = Add("Go", "go.exe", Types.Batch);
  EXPECT_EQ(A->GetKeyPath(), "\\batfile\\shell\\Go (*)");
  EXPECT_FALSE(A->KeyExists());
  A->SetStored(true);
  EXPECT_EQ(A->StoreInfo().KeyPath(), "\\batfile\\shell\\Go (*)");
  A->SetStored(false);
  EXPECT_FALSE(A->IsStored());
  // A removed record whose key never existed does nothing but clear itself.
  TStoreInfo Info;
  Info.SetStored("\\batfile\\shell\\Never (*)");
  RemoveStoreKey(Info);
  EXPECT_FALSE(Info.Stored());
  EXPECT_FALSE(HasKey("batfile"));
}

}  // namespace
