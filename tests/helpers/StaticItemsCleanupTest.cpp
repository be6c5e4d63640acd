// The static-verb cleanup against scratch HKEY_CLASSES_ROOT and HKEY_CURRENT_USER keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "model/StaticItemsCleanup.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/Expect.h"

using namespace regtest;

namespace {

const std::wstring DisabledRoot = L"Software\\Corvane\\DisabledItems\\Static\\";

std::vector<BYTE> Dword(DWORD V) { return Bytes(&V, sizeof(V)); }

// What one listed verb should show.
struct TExpected {
  std::string Line, Caption, Command;
};

class StaticItemsCleanupTest : public TRegistryFixture {
protected:
  void SetUp() override {
    TRegistryFixture::SetUp();
    if (HasFatalFailure()) return;
    const std::wstring Shell = L"txtfile\\shell\\";
    SetValueW(Classes, Shell + L"Open", L"", REG_SZ, WideSz(L"&Open with Notepad"));
    SetValueW(Classes, Shell + L"Open\\command", L"", REG_SZ, WideSz(L"notepad.exe %1"));
    SetValueW(Classes, Shell + L"Print(*)", L"", REG_SZ, WideSz(L"Corvane's own"));
    SetValueW(Classes, Shell + L"a(*)b", L"", REG_SZ, WideSz(L"Mixed"));
    MakeKeyW(Classes, Shell + L"zipit");
    SetValueW(Classes, Shell + L"EDIT", L"", REG_SZ, WideSz(L"Edit it"));
    MakeKeyW(Classes, Shell + L"EDIT\\command");  // without a default value
    // A verb with every kind of value, names and data outside the code page, and two levels of subkeys.
    const std::wstring Burn = Shell + L"burn";
    SetValueW(Classes, Burn, L"", REG_SZ, WideSz(L"Burn to &disc"));
    SetValueW(Classes, Burn + L"\\command", L"", REG_SZ, WideSz(L"burner.exe \"%1\""));
    std::vector<BYTE> All;
    for (int I = 0; I < 256; ++I) All.push_back(static_cast<BYTE>(I));
    SetValueW(Classes, Burn, L"Binary", REG_BINARY, All);
    SetValueW(Classes, Burn, L"Number", REG_DWORD, Dword(0xDEADBEEF));
    SetValueW(Classes, Burn, L"\u4E2D\u6587", REG_SZ, WideSz(L"\u00FC\u4E2D\u0416"));
    SetValueW(Classes, Burn, L"Expand", REG_EXPAND_SZ, WideSz(L"%SystemRoot%\\x"));
    const wchar_t Multi[] = L"one\0\u4E8C\0";
    SetValueW(Classes, Burn, L"Multi", REG_MULTI_SZ, Bytes(Multi, sizeof(Multi)));
    SetValueW(Classes, Burn, L"Odd", REG_SZ, Bytes("\x41\x00\x42", 3));  // not even a whole wide string
    SetValueW(Classes, Burn + L"\\ddeexec", L"Application", REG_SZ, WideSz(L"Burner"));
    SetValueW(Classes, Burn + L"\\ddeexec\\topic", L"", REG_SZ, WideSz(L"System"));
    SetValueW(Classes, Burn + L"\\ddeexec\\topic", L"Raw", REG_NONE, Bytes("\x01\x02", 2));
    // One verb disabled earlier.
    SetValueW(User, DisabledRoot + Shell + L"oldverb", L"", REG_SZ, WideSz(L"Old verb"));
    SetValueW(User, DisabledRoot + Shell + L"oldverb\\command", L"", REG_SZ, WideSz(L"old.exe \"%1\""));
  }

  // Subkey names of a key in the registry's order.
  static std::vector<std::string> KeyNames(HKEY Root, const std::wstring& Path) {
    std::vector<std::string> Names;
    HKEY Key = nullptr;
    if (RegOpenKeyExW(Root, Path.c_str(), 0, KEY_READ, &Key) != ERROR_SUCCESS) return Names;
    char Name[1024];
    for (DWORD I = 0;; ++I) {
      DWORD Len = sizeof(Name);
      if (RegEnumKeyExA(Key, I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      Names.emplace_back(Name, Len);
    }
    RegCloseKey(Key);
    return Names;
  }

  static int IndexOfLine(TStaticItems& Items, const std::string& Line) {
    for (int I = 0; I < Items.GetCount(); ++I)
      if (Items.GetItemText(I) == Line) return I;
    return -1;
  }

  static std::vector<std::string> Lines(TStaticItems& Items) {
    std::vector<std::string> Result;
    for (int I = 0; I < Items.GetCount(); ++I) Result.push_back(Items.GetItemText(I));
    return Result;
  }

  // Whole copies of both scratch roots.
  TKeyDump AllClasses() { return DumpW(Classes, L""); }
  TKeyDump AllUser() { return DumpW(User, L""); }
};

TEST_F(StaticItemsCleanupTest, ListsVerbsOfType) {
  TStaticItemsCleanup Cleanup;
  int Changes = 0;
  Cleanup.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &Cleanup);
    ++Changes;
  };
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  ASSERT_NE(Items, nullptr);
  EXPECT_EQ(Items->Owner(), &Cleanup);
  EXPECT_EQ(Items->ShellKey(), "\\txtfile\\shell");

  const std::map<std::string, TExpected> Verbs = {
      {"Open", {"*open", "&Open with Notepad", "notepad.exe %1"}},  // a standard verb in any letter case
      {"a(*)b", {"Mixed", "Mixed", "<none>"}},                       // "(*)" not at the end: listed
      {"zipit", {"zipit", "zipit", "<none>"}},                       // no default value, no command
      {"EDIT", {"*edit", "Edit it", ""}},                            // a command without a default value
      {"burn", {"Burn to &disc", "Burn to &disc", "burner.exe \"%1\""}},
  };
  // The verbs of HKEY_CLASSES_ROOT in the registry's order, Corvane's own left out, then the disabled ones.
  std::vector<std::string> Names;
  std::vector<TExpected> Expected;
  for (const std::string& Name : KeyNames(Classes, L"txtfile\\shell")) {
    if (Name == "Print(*)") continue;
    ASSERT_EQ(Verbs.count(Name), 1u) << Name;
    Names.push_back(Name);
    Expected.push_back(Verbs.at(Name));
  }
  ASSERT_EQ(Names.size(), 5u);
  Names.push_back("oldverb");
  Expected.push_back({"Old verb", "Old verb", "old.exe \"%1\""});

  ASSERT_EQ(Items->GetCount(), static_cast<int>(Expected.size()));
  for (int I = 0; I < Items->GetCount(); ++I) {
    SCOPED_TRACE(Names[I]);
    const bool Stored = Names[I] == "oldverb";
    const TMenuItemRec* Rec = Items->GetItem(I);
    EXPECT_EQ(Items->GetItemText(I), Expected[I].Line);
    EXPECT_EQ(Rec->Caption, Expected[I].Caption);
    EXPECT_EQ(Rec->Command, Expected[I].Command);
    EXPECT_EQ(Rec->KeyPath, (Stored ? "Software\\Corvane\\DisabledItems\\Static\\" : "") + std::string("txtfile\\shell\\") + Names[I]);
    EXPECT_EQ(Rec->StoredDisabled, Stored);
    EXPECT_EQ(Rec->Index, I);
    EXPECT_EQ(Rec->Owner, Items);
    EXPECT_EQ(Items->IsDisabled(I), Stored);  // stored disabled verbs show as disabled
    EXPECT_FALSE(Items->IsDeleted(I));
  }
  // Loading the disabled verb marked the model.
  EXPECT_TRUE(Cleanup.Modified());
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Cleanup.CacheCount(), 1);
}

TEST_F(StaticItemsCleanupTest, TypesWithoutVerbs) {
  // Only disabled verbs: all listed, all disabled.
  SetValueW(User, DisabledRoot + L"gone\\shell\\first", L"", REG_SZ, WideSz(L"First"));
  MakeKeyW(User, DisabledRoot + L"gone\\shell\\second");
  TStaticItemsCleanup Cleanup;
  TStaticItems* Gone = Cleanup.GetStaticItems("\\gone\\shell");
  ASSERT_EQ(Gone->GetCount(), 2);
  std::vector<std::string> Expected;
  for (const std::string& Name : KeyNames(User, DisabledRoot + L"gone\\shell"))
    Expected.push_back(Name == "first" ? "First" : Name);
  EXPECT_EQ(Lines(*Gone), Expected);
  for (int I = 0; I < 2; ++I) {
    EXPECT_TRUE(Gone->IsDisabled(I));
    EXPECT_TRUE(Gone->GetItem(I)->StoredDisabled);
  }
  // Nothing anywhere: an empty list, the model unchanged.
  TStaticItemsCleanup Fresh;
  EXPECT_EQ(Fresh.GetStaticItems("\\nosuchtype\\shell")->GetCount(), 0);
  EXPECT_FALSE(Fresh.Modified());
}

TEST_F(StaticItemsCleanupTest, CacheByLowerCasedKey) {
  TStaticItemsCleanup Cleanup;
  TStaticItems* First = Cleanup.GetStaticItems("\\txtfile\\shell");
  EXPECT_EQ(Cleanup.GetStaticItems("\\TXTFILE\\Shell"), First);
  EXPECT_EQ(Cleanup.CacheCount(), 1);
  EXPECT_NE(Cleanup.GetStaticItems("\\gone\\shell"), First);
  EXPECT_EQ(Cleanup.CacheCount(), 2);
  // A verb added meanwhile is not seen until the cache is reset.
  MakeKeyW(Classes, L"txtfile\\shell\\later");
  EXPECT_EQ(IndexOfLine(*Cleanup.GetStaticItems("\\TxtFile\\shell"), "later"), -1);
  ASSERT_TRUE(Cleanup.Modified());
  Cleanup.Reset();
  EXPECT_FALSE(Cleanup.Modified());
  EXPECT_EQ(Cleanup.CacheCount(), 0);
  EXPECT_GE(IndexOfLine(*Cleanup.GetStaticItems("\\TxtFile\\shell"), "later"), 0);
  EXPECT_EQ(GetStaticItemsCleanup(), GetStaticItemsCleanup());
}

TEST_F(StaticItemsCleanupTest, DisableThenApplyMovesWholeKey) {
  const TKeyDump Before = DumpW(Classes, L"txtfile\\shell\\burn");
  ASSERT_EQ(Before.SubKeys.size(), 2u);
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  const int Burn = IndexOfLine(*Items, "Burn to &disc");
  ASSERT_GE(Burn, 0);
  Items->SetDisabled(Burn, true);
  EXPECT_TRUE(Items->IsDisabled(Burn));
  // Nothing reaches the registry before Apply.
  EXPECT_TRUE(KeyPresentW(Classes, L"txtfile\\shell\\burn"));
  EXPECT_FALSE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell\\burn"));

  Cleanup.Apply();
  EXPECT_FALSE(Cleanup.Modified());
  EXPECT_FALSE(KeyPresentW(Classes, L"txtfile\\shell\\burn"));
  EXPECT_EQ(DumpW(User, DisabledRoot + L"txtfile\\shell\\burn"), Before);  // byte for byte
  const TMenuItemRec* Rec = Items->GetItem(Burn);
  EXPECT_TRUE(Rec->StoredDisabled);
  EXPECT_EQ(Rec->KeyPath, "Software\\Corvane\\DisabledItems\\Static\\txtfile\\shell\\burn");
  EXPECT_EQ(Items->GetItemText(Burn), "Burn to &disc");

  // A new look at the type finds it stored disabled.
  TStaticItemsCleanup Again;
  TStaticItems* Reloaded = Again.GetStaticItems("\\txtfile\\shell");
  const int At = IndexOfLine(*Reloaded, "Burn to &disc");
  ASSERT_GE(At, 0);
  EXPECT_TRUE(Reloaded->IsDisabled(At));
  EXPECT_TRUE(Reloaded->GetItem(At)->StoredDisabled);
  EXPECT_EQ(Reloaded->GetItem(At)->Command, "burner.exe \"%1\"");

  // Enabled again and applied: back where it was, byte for byte, and gone from the store.
  Items->SetDisabled(Burn, false);
  Cleanup.Apply();
  EXPECT_EQ(DumpW(Classes, L"txtfile\\shell\\burn"), Before);
  EXPECT_FALSE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell\\burn"));
  EXPECT_FALSE(Rec->StoredDisabled);
  EXPECT_EQ(Rec->KeyPath, "txtfile\\shell\\burn");
}

TEST_F(StaticItemsCleanupTest, EnableThenApplyRestores) {
  const TKeyDump Stored = DumpW(User, DisabledRoot + L"txtfile\\shell\\oldverb");
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  const int Old = IndexOfLine(*Items, "Old verb");
  ASSERT_GE(Old, 0);
  Items->SetDisabled(Old, false);
  Cleanup.Apply();
  EXPECT_EQ(DumpW(Classes, L"txtfile\\shell\\oldverb"), Stored);
  EXPECT_FALSE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell\\oldverb"));
  EXPECT_EQ(Items->GetItem(Old)->KeyPath, "txtfile\\shell\\oldverb");
  EXPECT_FALSE(Items->GetItem(Old)->StoredDisabled);
  EXPECT_FALSE(Cleanup.Modified());
}

TEST_F(StaticItemsCleanupTest, DeleteDisabledRemovesOnlyStoredCopy) {
  // The same verb name under HKEY_CLASSES_ROOT, with other content.
  SetValueW(Classes, L"txtfile\\shell\\oldverb", L"", REG_SZ, WideSz(L"New verb"));
  const TKeyDump ClassesBefore = AllClasses();
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  const int Count = Items->GetCount();
  const int Stored = IndexOfLine(*Items, "Old verb");
  ASSERT_GE(Stored, 0);
  ASSERT_TRUE(Items->GetItem(Stored)->StoredDisabled);
  Items->SetDeleted(Stored, true);
  EXPECT_TRUE(Items->IsDeleted(Stored));
  Cleanup.Apply();
  EXPECT_FALSE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell\\oldverb"));
  EXPECT_TRUE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell"));
  EXPECT_EQ(AllClasses(), ClassesBefore);
  // The line is gone, the others keep their order and are renumbered.
  ASSERT_EQ(Items->GetCount(), Count - 1);
  EXPECT_EQ(IndexOfLine(*Items, "Old verb"), -1);
  EXPECT_GE(IndexOfLine(*Items, "New verb"), 0);
  for (int I = 0; I < Items->GetCount(); ++I) {
    EXPECT_EQ(Items->GetItem(I)->Index, I);
    EXPECT_FALSE(Items->IsDeleted(I));
  }

  // A verb of HKEY_CLASSES_ROOT marked deleted goes from there, with its subkeys.
  const int Burn = IndexOfLine(*Items, "Burn to &disc");
  ASSERT_GE(Burn, 0);
  Items->SetDeleted(Burn, true);
  Items->SetDisabled(Burn, true);  // deletion wins: nothing is moved
  Cleanup.Apply();
  EXPECT_FALSE(KeyPresentW(Classes, L"txtfile\\shell\\burn"));
  EXPECT_FALSE(KeyPresentW(User, DisabledRoot + L"txtfile\\shell\\burn"));
  EXPECT_EQ(IndexOfLine(*Items, "Burn to &disc"), -1);
  EXPECT_TRUE(KeyPresentW(Classes, L"txtfile\\shell\\Open"));
}

TEST_F(StaticItemsCleanupTest, MarkAndUnmarkChangesNothing) {
  const TKeyDump ClassesBefore = AllClasses(), UserBefore = AllUser();
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  int Changes = 0;
  Cleanup.OnChange = [&](TObject*) { ++Changes; };
  for (int I = 0; I < Items->GetCount(); ++I) {
    const bool Disabled = Items->IsDisabled(I);
    Items->SetDisabled(I, Disabled);  // no change: no notice
    Items->SetDeleted(I, false);
    EXPECT_EQ(Changes, 4 * I);
    Items->SetDisabled(I, !Disabled);
    Items->SetDisabled(I, Disabled);
    Items->SetDeleted(I, true);
    Items->SetDeleted(I, false);
    EXPECT_EQ(Changes, 4 * (I + 1));
  }
  Items->DeleteAll();
  for (int I = 0; I < Items->GetCount(); ++I) Items->SetDeleted(I, false);
  Cleanup.Apply();
  EXPECT_EQ(AllClasses(), ClassesBefore);
  EXPECT_EQ(AllUser(), UserBefore);
  EXPECT_EQ(Items->GetCount(), 6);
}

TEST_F(StaticItemsCleanupTest, UpdatesAndDeleteAll) {
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\txtfile\\shell");
  int Changes = 0;
  Cleanup.OnChange = [&](TObject*) { ++Changes; };
  EXPECT_EQ(MessageOf([&] { Cleanup.EndUpdate(); }), "EndUpdate without BeginUpdate in StaticItemsCleanup");
  EXPECT_EQ(Cleanup.UpdateCount(), 0);

  Cleanup.BeginUpdate();
  Cleanup.BeginUpdate();
  Items->SetDeleted(0, true);
  Cleanup.EndUpdate();
  EXPECT_EQ(Changes, 0);  // held back while an update is open
  Cleanup.EndUpdate();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Cleanup.UpdateCount(), 0);

  Changes = 0;
  Items->DeleteAll();
  EXPECT_EQ(Changes, 1);  // one notice for the whole list
  for (int I = 0; I < Items->GetCount(); ++I) EXPECT_TRUE(Items->IsDeleted(I));
  Cleanup.Apply();
  EXPECT_EQ(Items->GetCount(), 0);
  EXPECT_TRUE(KeyNames(Classes, L"txtfile\\shell") == std::vector<std::string>{"Print(*)"});
  EXPECT_TRUE(KeyNames(User, DisabledRoot + L"txtfile\\shell").empty());
}

TEST_F(StaticItemsCleanupTest, FailedApplyKeepsOpenMarks) {
  // Two types: the first one's changes go through, the second one's disabled store cannot be written
  // (no lasting key below a volatile one).
  SetValueW(Classes, L"afile\\shell\\gone", L"", REG_SZ, WideSz(L"Gone"));
  SetValueW(Classes, L"afile\\shell\\moved", L"", REG_SZ, WideSz(L"Moved"));
  SetValueW(Classes, L"bfile\\shell\\stuck", L"", REG_SZ, WideSz(L"Stuck"));
  SetValueW(Classes, L"bfile\\shell\\stuck\\command", L"", REG_SZ, WideSz(L"stuck.exe"));
  MakeKeyW(User, L"Software\\Corvane\\DisabledItems\\Static");
  MakeKeyW(User, DisabledRoot + L"bfile", REG_OPTION_VOLATILE);
  const TKeyDump Stuck = DumpW(Classes, L"bfile\\shell\\stuck");

  TStaticItemsCleanup Cleanup;
  TStaticItems* A = Cleanup.GetStaticItems("\\afile\\shell");
  TStaticItems* B = Cleanup.GetStaticItems("\\bfile\\shell");
  A->SetDeleted(IndexOfLine(*A, "Gone"), true);
  A->SetDisabled(IndexOfLine(*A, "Moved"), true);
  B->SetDisabled(0, true);
  int Changes = 0;
  Cleanup.OnChange = [&](TObject*) { ++Changes; };

  const std::string Message = MessageOf([&] { Cleanup.Apply(); });
  EXPECT_EQ(Message.rfind("Registry operation error (details: ", 0), 0u) << Message;
  EXPECT_NE(Message.find("HKEY_CURRENT_USER\\Software\\Corvane\\DisabledItems\\Static\\bfile\\shell\\stuck"),
            std::string::npos)
      << Message;
  EXPECT_TRUE(Cleanup.Modified());
  EXPECT_EQ(Cleanup.UpdateCount(), 0);
  EXPECT_EQ(Changes, 1);
  // What was carried out stays carried out.
  EXPECT_FALSE(KeyPresentW(Classes, L"afile\\shell\\gone"));
  EXPECT_EQ(IndexOfLine(*A, "Gone"), -1);
  EXPECT_FALSE(KeyPresentW(Classes, L"afile\\shell\\moved"));
  EXPECT_TRUE(KeyPresentW(User, DisabledRoot + L"afile\\shell\\moved"));
  EXPECT_TRUE(A->GetItem(IndexOfLine(*A, "Moved"))->StoredDisabled);
  // The failed move is still marked, and its source is whole.
  EXPECT_TRUE(B->IsDisabled(0));
  EXPECT_FALSE(B->GetItem(0)->StoredDisabled);
  EXPECT_EQ(DumpW(Classes, L"bfile\\shell\\stuck"), Stuck);

  // Mended, a second Apply completes.
  ASSERT_EQ(RegDeleteTreeW(User, (DisabledRoot + L"bfile").c_str()), ERROR_SUCCESS);
  Cleanup.Apply();
  EXPECT_FALSE(Cleanup.Modified());
  EXPECT_FALSE(KeyPresentW(Classes, L"bfile\\shell\\stuck"));
  EXPECT_EQ(DumpW(User, DisabledRoot + L"bfile\\shell\\stuck"), Stuck);
  EXPECT_TRUE(B->GetItem(0)->StoredDisabled);
  EXPECT_TRUE(KeyPresentW(User, DisabledRoot + L"afile\\shell\\moved"));
}

TEST_F(StaticItemsCleanupTest, FailedDeletionKeepsItsMark) {
  // A verb whose subkeys cannot be reached, so that the key cannot be deleted.
  SetValueW(Classes, L"cfile\\shell\\locked", L"", REG_SZ, WideSz(L"Locked"));
  SetValueW(Classes, L"cfile\\shell\\locked\\command", L"", REG_SZ, WideSz(L"locked.exe"));
  TStaticItemsCleanup Cleanup;
  TStaticItems* Items = Cleanup.GetStaticItems("\\cfile\\shell");
  ASSERT_EQ(Items->GetCount(), 1);
  LockKey(Classes, L"cfile\\shell\\locked", KEY_READ);
  Items->SetDeleted(0, true);
  const std::string Message = MessageOf([&] { Cleanup.Apply(); });
  EXPECT_EQ(Message.rfind("Registry operation error (details: ", 0), 0u) << Message;
  EXPECT_TRUE(KeyPresentW(Classes, L"cfile\\shell\\locked"));
  ASSERT_EQ(Items->GetCount(), 1);
  EXPECT_TRUE(Items->IsDeleted(0));
  EXPECT_TRUE(Cleanup.Modified());
}

}  // namespace
