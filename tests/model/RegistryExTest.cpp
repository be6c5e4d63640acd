// TRegistryEx on the real registry of the test prefix, inside per-test scratch keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "classlib/core/Registry.h"
#include "model/RegistryEx.h"
#include "tests/registry/RegistryFixture.h"

using namespace regtest;

namespace {

class RegistryExTest : public TRegistryFixture {};

struct TRaised {
  bool Raised = false;
  bool Plain = false;  // of class Exception itself
  bool Registry = false;  // an ERegistryException
  std::string Message;
};

TRaised RaisedBy(const std::function<void()>& Call) {
  TRaised R;
  try {
    Call();
  } catch (const Exception& E) {
    R.Raised = true;
    R.Plain = typeid(E) == typeid(Exception);
    R.Registry = dynamic_cast<const ERegistryException*>(&E) != nullptr;
    R.Message = E.Message();
  }
  return R;
}

std::string RegistryError(const std::string& Details, DWORD Code) {
  return "Registry operation error (details: " + Details + "; reason: " + SystemText(Code) + ")";
}

TEST_F(RegistryExTest, RaiseRegistryErrorMessage) {
  TRaised R = RaisedBy([] { TRegistryEx::RaiseRegistryError("", ERROR_ACCESS_DENIED); });
  EXPECT_TRUE(R.Raised);
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, "Registry operation error");
  for (DWORD Code : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_CHILD_MUST_BE_VOLATILE)}) {
    SCOPED_TRACE(Code);
    R = RaisedBy([&] { TRegistryEx::RaiseRegistryError("doing 100% of it", Code); });
    EXPECT_TRUE(R.Plain);
    EXPECT_EQ(R.Message, RegistryError("doing 100% of it", Code));
    EXPECT_FALSE(SystemText(Code).empty());
  }
}

TEST_F(RegistryExTest, RootKeyNames) {
  struct TCase {
    HKEY Root;
    const char* Name;
  };
  const TCase Cases[] = {
      {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
      {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"}, {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
      {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(TRegistryEx::RootKeyName(C.Root), C.Name);
  char Hex[16];
  std::snprintf(Hex, sizeof(Hex), "%08X", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(User)));
  EXPECT_EQ(TRegistryEx::RootKeyName(User), Hex);
  EXPECT_EQ(TRegistryEx::RootKeyName(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000007))), "80000007");
  EXPECT_EQ(TRegistryEx::RootKeyName(nullptr), "00000000");
}

TEST_F(RegistryExTest, FullKeyPath) {
  MakeKeyW(User, L"A\\B");
  TRegistry Reg;
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "X"), "HKEY_CURRENT_USER\\X");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, ""), "HKEY_CURRENT_USER");
  ASSERT_TRUE(Reg.OpenKey("A\\B", false));
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "X\\Y"), "HKEY_CURRENT_USER\\A\\B\\X\\Y");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, ""), "HKEY_CURRENT_USER\\A\\B");
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "\\X"), "HKEY_CURRENT_USER\\X");
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_EQ(TRegistryEx::FullKeyPath(Reg, "\\CLSID\\X"), "HKEY_CLASSES_ROOT\\CLSID\\X");
}

// Every failed open names the operation, the full path and the reason of the failing call.
TEST_F(RegistryExTest, FailedOpensRaiseTheExactMessage) {
  MakeKeyW(User, L"A");
  MakeKeyW(User, L"Locked");
  LockKey(User, L"Locked", 0);
  MakeKeyW(User, L"Volatile", REG_OPTION_VOLATILE);
  TRegistry Classes;
  Classes.SetRootKey(HKEY_CLASSES_ROOT);
  TRegistry Users;
  ASSERT_TRUE(Users.OpenKey("A", false));
  TRegistry Other;
  Other.SetRootKey(User);
  char Hex[16];
  std::snprintf(Hex, sizeof(Hex), "%08X", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(User)));

  struct TCase {
    const char* What;
    std::function<void()> Call;
    std::string Details;
    DWORD Code;
  };
  const TCase Cases[] = {
      {"missing absolute key", [&] { TRegistryEx::OpenKey(Classes, "\\CLSID\\X", false); },
       "opening HKEY_CLASSES_ROOT\\CLSID\\X", ERROR_FILE_NOT_FOUND},
      {"missing key below the current path", [&] { TRegistryEx::OpenKey(Users, "B", false); },
       "opening HKEY_CURRENT_USER\\A\\B", ERROR_FILE_NOT_FOUND},
      {"read-only open of a missing key", [&] { TRegistryEx::OpenKeyReadOnly(Users, "\\Nope"); },
       "opening read-only HKEY_CURRENT_USER\\Nope", ERROR_FILE_NOT_FOUND},
      {"creation below a volatile key", [&] { TRegistryEx::OpenKey(Users, "\\Volatile\\Child", true); },
       "opening/creating HKEY_CURRENT_USER\\Volatile\\Child", ERROR_CHILD_MUST_BE_VOLATILE},
      {"locked key", [&] { TRegistryEx::OpenKey(Users, "\\Locked", true); },
       "opening/creating HKEY_CURRENT_USER\\Locked", ERROR_ACCESS_DENIED},
      {"read-only open of a locked key", [&] { TRegistryEx::OpenKeyReadOnly(Users, "\\Locked"); },
       "opening read-only HKEY_CURRENT_USER\\Locked", ERROR_ACCESS_DENIED},
      {"root outside the table", [&] { TRegistryEx::OpenKey(Other, "Nope", false); },
       std::string("opening ") + Hex + "\\Nope", ERROR_FILE_NOT_FOUND},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    SetLastError(0);  // the reason must not come from the thread's last error
    TRaised R = RaisedBy(C.Call);
    EXPECT_TRUE(R.Plain);
    EXPECT_EQ(R.Message, RegistryError(C.Details, C.Code));
  }
  EXPECT_EQ(Users.CurrentPath(), "A");

  // Successful opens raise nothing and open the key.
  TRegistryEx::OpenKey(Users, "New\\Key", true);
  EXPECT_EQ(Users.CurrentPath(), "A\\New\\Key");
  TRegistryEx::OpenKeyReadOnly(Users, "\\A");
  EXPECT_EQ(Users.CurrentPath(), "A");
  EXPECT_EQ(Users.Access(), static_cast<REGSAM>(KEY_READ));
  TRegistryEx::OpenKey(Classes, "\\", false);
  EXPECT_NE(Classes.CurrentKey(), nullptr);
}

TEST_F(RegistryExTest, DeleteKey) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  SetValueW(Classes, L"txtfile\\shell\\verb", L"", REG_SZ, WideSz(L"Verb"));
  SetValueW(Classes, L"txtfile\\shell\\verb\\command", L"", REG_SZ, WideSz(L"x.exe %1"));
  MakeKeyW(Classes, L"txtfile\\shell\\verb\\" + Odd + L"\\deeper");
  MakeKeyW(Classes, L"txtfile\\shell\\other");
  TRegistry Reg;
  Reg.SetRootKey(HKEY_CLASSES_ROOT);

  TRegistryEx::DeleteKey(Reg, "\\txtfile\\shell\\verb");
  EXPECT_FALSE(KeyPresentW(Classes, L"txtfile\\shell\\verb"));
  EXPECT_TRUE(KeyPresentW(Classes, L"txtfile\\shell\\other"));

  // A key that does not exist is no error.
  EXPECT_FALSE(RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\txtfile\\shell\\verb"); }).Raised);
  EXPECT_FALSE(RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\nothing\\here"); }).Raised);

  // One that cannot be deleted raises with the reason.
  MakeKeyW(Classes, L"Locked\\Sub");
  LockKey(Classes, L"Locked", KEY_READ);
  ASSERT_TRUE(Reg.OpenKey("\\txtfile", false));
  SetLastError(0);
  TRaised R = RaisedBy([&] { TRegistryEx::DeleteKey(Reg, "\\Locked"); });
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, RegistryError("deleting HKEY_CLASSES_ROOT\\Locked", ERROR_ACCESS_DENIED));
  EXPECT_TRUE(KeyPresentW(Classes, L"Locked"));
}

// A source with every kind of value, names and data outside the code page, and two levels of subkeys.
void FillSource(HKEY Root, const std::wstring& Key) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  SetValueW(Root, Key, L"", REG_SZ, WideSz(L"Default text"));
  SetValueW(Root, Key, L"sz", REG_SZ, WideSz(L"plain"));
  SetValueW(Root, Key, L"expand", REG_EXPAND_SZ, WideSz(L"%SystemRoot%\\system32\\x.dll"));
  SetValueW(Root, Key, L"multi", REG_MULTI_SZ, Bytes(L"one\0two\0\0", 9 * sizeof(wchar_t)));
  SetValueW(Root, Key, L"binary", REG_BINARY, {0, 1, 0, 0, 0xFF, 0, 7});
  SetValueW(Root, Key, L"empty binary", REG_BINARY, {});
  SetValueW(Root, Key, L"dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
  SetValueW(Root, Key, L"unterminated", REG_SZ, {'a', 0, 'b'});
  SetValueW(Root, Key, Odd, REG_SZ, WideSz(Odd + L" data"));
  SetValueW(Root, Key + L"\\Level1", L"", REG_SZ, WideSz(L"level one"));
  SetValueW(Root, Key + L"\\Level1", L"n", REG_DWORD, {1, 0, 0, 0});
  SetValueW(Root, Key + L"\\Level1\\Level2", L"bin", REG_BINARY, {0, 0, 0});
  SetValueW(Root, Key + L"\\Level1\\Level2", Odd, REG_EXPAND_SZ, WideSz(L"%" + Odd + L"%"));
  MakeKeyW(Root, Key + L"\\Level1\\Empty2");
  SetValueW(Root, Key + L"\\" + Odd, L"", REG_SZ, WideSz(Odd));
  MakeKeyW(Root, Key + L"\\" + Odd + L"\\" + Odd);
}

TEST_F(RegistryExTest, CopyRegistryKeyCopiesEveryKindByteForByte) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";
  if (GetACP() != CP_UTF8) {
    EXPECT_TRUE(OutsideCodePage(Odd)) << "the test needs names the ANSI calls lose";
  }
  FillSource(Classes, L"txtfile\\shell\\Edit it");
  FillEveryKind(Classes, L"corvtype\\shell\\foo", L"Foo Caption");
  struct TCase {
    std::wstring Source, Dest;
  };
  const TCase Cases[] = {
      {L"txtfile\\shell\\Edit it", L"Software\\Corvane\\DisabledItems\\Static\\txtfile\\shell\\Edit it"},
      {L"corvtype\\shell\\foo", L"Software\\Corvane\\DisabledItems\\Static\\corvtype\\shell\\foo"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(Narrow(C.Source));
    const TKeyDump Before = DumpW(Classes, C.Source);
    ASSERT_GE(Before.Values.size(), 9u);
    ASSERT_GE(Before.SubKeys.size(), 2u);

    TRegistry Source, Dest;
    Source.SetRootKey(HKEY_CLASSES_ROOT);
    ASSERT_TRUE(Source.OpenKey("\\txtfile", false));  // names without "\" are absolute all the same
    TRegistryEx::CopyRegistryKey(Source, Dest, Narrow(C.Source), "\\" + Narrow(C.Dest));

    EXPECT_EQ(DumpW(User, C.Dest), Before);
    EXPECT_EQ(DumpW(Classes, C.Source), Before);  // the source is unchanged
    EXPECT_EQ(Source.CurrentPath(), Narrow(C.Source));
    EXPECT_EQ(Dest.CurrentPath(), Narrow(C.Dest));

    // And back again, onto a fresh destination.
    TRegistryEx::DeleteKey(Source, "\\" + Narrow(C.Source));
    ASSERT_FALSE(KeyPresentW(Classes, C.Source));
    TRegistryEx::CopyRegistryKey(Dest, Source, Narrow(C.Dest), Narrow(C.Source));
    EXPECT_EQ(DumpW(Classes, C.Source), Before);
  }
}

// An existing destination is never replaced: the copy refuses and neither key changes.
TEST_F(RegistryExTest, CopyRefusesAnExistingDestination) {
  FillEveryKind(Classes, L"corvtype\\shell\\foo", L"Dup NEW");
  const std::wstring DestKey = L"Software\\Corvane\\DisabledItems\\Static\\corvtype\\shell\\foo";
  SetValueW(User, DestKey, L"", REG_SZ, WideSz(L"Dup OLD"));
  SetValueW(User, DestKey, L"OldOnly", REG_DWORD, {1, 0, 0, 0});
  SetValueW(User, DestKey + L"\\oldsub\\command", L"", REG_SZ, WideSz(L"old.exe"));
  MakeKeyW(User, DestKey + L"\\Empty");
  const TKeyDump SourceBefore = DumpW(Classes, L"corvtype\\shell\\foo");
  const TKeyDump DestBefore = DumpW(User, DestKey);
  for (bool Move : {false, true}) {
    SCOPED_TRACE(Move ? "move" : "copy");
    TRegistry Source, Dest;
    Source.SetRootKey(HKEY_CLASSES_ROOT);
    TRaised R = RaisedBy([&] {
      if (Move)
        TRegistryEx::MoveRegistryKey(Source, Dest, "corvtype\\shell\\foo", Narrow(DestKey));
      else
        TRegistryEx::CopyRegistryKey(Source, Dest, "corvtype\\shell\\foo", Narrow(DestKey));
    });
    EXPECT_TRUE(R.Plain);
    EXPECT_EQ(R.Message, "Cannot move \"HKEY_CLASSES_ROOT\\corvtype\\shell\\foo\": \"HKEY_CURRENT_USER\\" +
                             Narrow(DestKey) + "\" exists already");
    EXPECT_EQ(DumpW(Classes, L"corvtype\\shell\\foo"), SourceBefore);
    EXPECT_EQ(DumpW(User, DestKey), DestBefore);
  }
}

TEST_F(RegistryExTest, CopyWithinOneRegistryObject) {
  FillSource(User, L"From");
  const TKeyDump Before = DumpW(User, L"From");
  TRegistry Reg;
  TRegistryEx::CopyRegistryKey(Reg, Reg, "From", "To\\Here");
  EXPECT_EQ(DumpW(User, L"To\\Here"), Before);
  EXPECT_EQ(DumpW(User, L"From"), Before);
}

TEST_F(RegistryExTest, FailedCopiesRaise) {
  FillSource(Classes, L"Src");
  MakeKeyW(User, L"Volatile", REG_OPTION_VOLATILE);
  MakeKeyW(User, L"Fixed\\Sub");
  LockKey(User, L"Fixed", KEY_READ);
  // The name of the first value the registry lists.
  HKEY Key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(Classes, L"Src", 0, KEY_READ, &Key), ERROR_SUCCESS);
  wchar_t Name[256];
  DWORD Len = 256;
  ASSERT_EQ(RegEnumValueW(Key, 0, Name, &Len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(Key);
  const std::string FirstValue = Narrow(std::wstring(Name, Len));

  struct TCase {
    const char* What;
    std::function<void(TRegistry& Source, TRegistry& Dest)> Call;
    bool Plain;
    std::string Message;
  };
  const TCase Cases[] = {
      {"missing source", [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Nope", "Dst"); }, true,
       RegistryError("opening HKEY_CLASSES_ROOT\\Nope", ERROR_FILE_NOT_FOUND)},
      {"destination below a volatile key",
       [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Src", "Volatile\\Dst"); }, true,
       RegistryError("opening/creating HKEY_CURRENT_USER\\Volatile\\Dst", ERROR_CHILD_MUST_BE_VOLATILE)},
      {"destination that exists (and cannot be deleted either)",
       [](TRegistry& S, TRegistry& D) { TRegistryEx::CopyRegistryKey(S, D, "Src", "\\Fixed"); }, true,
       "Cannot move \"HKEY_CLASSES_ROOT\\Src\": \"HKEY_CURRENT_USER\\Fixed\" exists already"},
      {"destination that cannot be written",
       [](TRegistry& S, TRegistry& D) {
         D.SetAccess(KEY_READ);
         TRegistryEx::CopyRegistryKey(S, D, "Src", "ReadOnlyDst");
       },
       false, "Failed to set data for '" + FirstValue + "'"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    TRegistry Source, Dest;
    Source.SetRootKey(HKEY_CLASSES_ROOT);
    SetLastError(0);
    TRaised R = RaisedBy([&] { C.Call(Source, Dest); });
    EXPECT_TRUE(R.Raised);
    EXPECT_EQ(R.Plain, C.Plain);
    EXPECT_EQ(R.Registry, !C.Plain);
    EXPECT_EQ(R.Message, C.Message);
  }
  EXPECT_FALSE(KeyPresentW(User, L"Dst"));
  EXPECT_TRUE(KeyPresentW(User, L"Fixed\\Sub"));
  // The destination that was made before its first value failed goes again.
  EXPECT_FALSE(KeyPresentW(User, L"ReadOnlyDst"));
}

// A subkey that cannot be read stops the copy there: the destination made so far goes, the source
// stays as it was.
TEST_F(RegistryExTest, ACopyThatFailsPartWayRemovesItsDestination) {
  FillEveryKind(Classes, L"Src", L"Foo Caption");
  MakeKeyW(Classes, L"Src\\Sub\\Level2\\Hidden");
  LockKey(Classes, L"Src\\Sub\\Level2\\Hidden", 0);
  const TKeyDump SourceBefore = DumpW(Classes, L"Src\\command");
  MakeKeyW(User, L"Parent");
  TRegistry Source, Dest;
  Source.SetRootKey(HKEY_CLASSES_ROOT);
  TRaised R = RaisedBy([&] { TRegistryEx::CopyRegistryKey(Source, Dest, "\\Src", "\\Parent\\Dst"); });
  EXPECT_TRUE(R.Plain);
  EXPECT_EQ(R.Message, RegistryError("opening HKEY_CLASSES_ROOT\\Src\\Sub\\Level2\\Hidden", ERROR_ACCESS_DENIED));
  EXPECT_FALSE(KeyPresentW(User, L"Parent\\Dst"));
  EXPECT_TRUE(KeyPresentW(User, L"Parent"));
  EXPECT_EQ(DumpW(Classes, L"Src\\command"), SourceBefore);
  EXPECT_TRUE(KeyPresentW(Classes, L"Src\\Sub\\Level2\\Hidden"));
}

// A move takes the whole key there and back. A destination that holds exactly the source (the copy
// of a move whose source could not be deleted) is taken as the copy; one that differs in a single
// byte refuses the move.
TEST_F(RegistryExTest, MoveRegistryKeyMovesTheWholeKey) {
  FillEveryKind(Classes, L"corvtype\\shell\\foo", L"Foo Caption");
  const TKeyDump Before = DumpW(Classes, L"corvtype\\shell\\foo");
  const std::string Disabled = "Software\\Corvane\\DisabledItems\\Static\\corvtype\\shell\\foo";
  TRegistry ClassesReg, UserReg;
  ClassesReg.SetRootKey(HKEY_CLASSES_ROOT);
  TRegistryEx::MoveRegistryKey(ClassesReg, UserReg, "corvtype\\shell\\foo", Disabled);
  EXPECT_FALSE(KeyPresentW(Classes, L"corvtype\\shell\\foo"));
  EXPECT_TRUE(KeyPresentW(Classes, L"corvtype\\shell"));
  EXPECT_EQ(DumpW(User, Widen(Disabled)), Before);
  TRegistryEx::MoveRegistryKey(UserReg, ClassesReg, Disabled, "corvtype\\shell\\foo");
  EXPECT_FALSE(KeyPresentW(User, Widen(Disabled)));
  EXPECT_EQ(DumpW(Classes, L"corvtype\\shell\\foo"), Before);

  TRegistryEx::CopyRegistryKey(ClassesReg, UserReg, "corvtype\\shell\\foo", Disabled);
  SetValueW(User, Widen(Disabled) + L"\\Sub\\Level2\\Level3", L"deep", REG_BINARY, {7, 8});
  const TKeyDump Changed = DumpW(User, Widen(Disabled));
  TRaised R = RaisedBy([&] { TRegistryEx::MoveRegistryKey(ClassesReg, UserReg, "corvtype\\shell\\foo", Disabled); });
  EXPECT_EQ(R.Message.rfind("Cannot move ", 0), 0u) << R.Message;
  EXPECT_EQ(DumpW(User, Widen(Disabled)), Changed);
  EXPECT_EQ(DumpW(Classes, L"corvtype\\shell\\foo"), Before);
  SetValueW(User, Widen(Disabled) + L"\\Sub\\Level2\\Level3", L"deep", REG_BINARY, {7, 7});
  TRegistryEx::MoveRegistryKey(ClassesReg, UserReg, "corvtype\\shell\\foo", Disabled);
  EXPECT_FALSE(KeyPresentW(Classes, L"corvtype\\shell\\foo"));
  EXPECT_EQ(DumpW(User, Widen(Disabled)), Before);
}

TEST_F(RegistryExTest, ExactKeyNamesLeaveOutNamesTheCodePageCannotHold) {
  const std::vector<std::wstring> Names = {L"plain", L"\u014Cpen", L"Open", L"\u6253\u5F00", L"\u00E9t\u00E9"};
  for (const std::wstring& N : Names) MakeKeyW(Classes, L"corvutype\\shell\\" + N);
  if (GetACP() == 1252) {
    EXPECT_TRUE(OutsideCodePage(L"\u014Cpen"));
    EXPECT_EQ(Narrow(L"\u014Cpen"), "Open") << "best fit makes the names alike";
  }
  TRegistry Reg(KEY_READ);
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  ASSERT_TRUE(Reg.OpenKeyReadOnly("\\corvutype\\shell"));
  TStringList Got;
  TRegistryEx::GetExactKeyNames(Reg, Got);
  std::vector<std::string> Expected;
  for (DWORD I = 0;; ++I) {  // the registry's order, the names that survive the round trip
    wchar_t Name[256];
    DWORD Len = 256;
    if (RegEnumKeyExW(Reg.CurrentKey(), I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring W(Name, Len);
    if (!OutsideCodePage(W)) Expected.push_back(Narrow(W));
  }
  std::vector<std::string> Listed;
  for (int I = 0; I < Got.Count(); ++I) Listed.push_back(Got.Get(I));
  EXPECT_EQ(Listed, Expected);
  EXPECT_NE(std::find(Listed.begin(), Listed.end(), "plain"), Listed.end());
  EXPECT_NE(std::find(Listed.begin(), Listed.end(), "Open"), Listed.end());
  if (GetACP() != CP_UTF8) {
    EXPECT_EQ(Listed.size(), Names.size() - 2 - (OutsideCodePage(L"\u00E9t\u00E9") ? 1 : 0));
  }
}

TEST_F(RegistryExTest, ReadTextAnswersOnlyStrings) {
  const DWORD Dword = 5;
  const unsigned long long Qword = 5;
  const wchar_t Multi[] = L"a\0b\0";
  struct TCase {
    DWORD Type;
    std::vector<BYTE> Data;
    std::string Expected;
  };
  const TCase Cases[] = {
      {REG_SZ, WideSz(L"text"), "text"},
      {REG_EXPAND_SZ, WideSz(L"%TEMP%"), "%TEMP%"},
      {REG_BINARY, {1, 2}, ""},
      {REG_DWORD, Bytes(&Dword, sizeof(Dword)), ""},
      {REG_QWORD, Bytes(&Qword, sizeof(Qword)), ""},
      {REG_MULTI_SZ, Bytes(Multi, sizeof(Multi)), ""},
      {REG_NONE, {}, ""},
      {0x4F, {1}, ""},
  };
  TRegistry Reg;
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Type);
    SetValueW(Classes, L"Values", L"", C.Type, C.Data);
    ASSERT_TRUE(Reg.OpenKey("\\Values", false));
    EXPECT_EQ(TRegistryEx::ReadText(Reg, ""), C.Expected);
  }
  EXPECT_EQ(TRegistryEx::ReadText(Reg, "missing"), "");
}

TEST_F(RegistryExTest, JournalPutsKeysBackAsTheyWere) {
  FillEveryKind(Classes, L"t\\shell\\Deleted (*)", L"Deleted");
  FillEveryKind(Classes, L"t\\shell\\Rewritten (*)", L"Rewritten");
  SetValueW(Classes, L"t\\shell", L"", REG_SZ, WideSz(L"open"));
  const TKeyDump Before = DumpW(Classes, L"");
  TRegistryJournal Journal(HKEY_CLASSES_ROOT);
  TRegistry Reg;
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  // Deleted with its parent, rewritten, created where nothing was.
  Journal.Remember("\\t\\shell\\Deleted (*)");
  TRegistryEx::DeleteKey(Reg, "\\t\\shell\\Deleted (*)");
  Journal.Remember("t\\shell\\Rewritten (*)");
  TRegistryEx::DeleteKey(Reg, "\\t\\shell\\Rewritten (*)");
  Journal.Remember("t\\shell");
  TRegistryEx::DeleteKey(Reg, "\\t\\shell");
  Journal.RememberMissingParents("\\t\\shell\\Rewritten (*)");
  Journal.Remember("\\t\\shell\\Rewritten (*)");
  TRegistryEx::OpenKey(Reg, "\\t\\shell\\Rewritten (*)\\command", true);
  Reg.WriteString("", "new.exe");
  Journal.RememberMissingParents("\\u\\shell\\New (*)");
  Journal.Remember("\\u\\shell\\New (*)");
  TRegistryEx::OpenKey(Reg, "\\u\\shell\\New (*)", true);
  Reg.CloseKey();
  ASSERT_NE(DumpW(Classes, L""), Before);
  EXPECT_TRUE(Journal.Undo());
  EXPECT_EQ(DumpW(Classes, L""), Before);
  EXPECT_FALSE(KeyPresentW(Classes, L"u"));
  // A key that cannot be read whole is not taken on: nothing is remembered for it.
  LockKey(Classes, L"t\\shell\\Deleted (*)\\Sub", 0);
  TRaised R = RaisedBy([&] { Journal.Remember("t\\shell\\Deleted (*)"); });
  EXPECT_EQ(R.Message, RegistryError("reading HKEY_CLASSES_ROOT\\t\\shell\\Deleted (*)", ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Journal.Undo());
}

}  // namespace

namespace {

// A 16 x 16 icon of one opaque colour.
HICON SolidIcon(COLORREF Color) {
  BITMAPV5HEADER Header = {};
  Header.bV5Size = sizeof(Header);
  Header.bV5Width = 16;
  Header.bV5Height = -16;
  Header.bV5Planes = 1;
  Header.bV5BitCount = 32;
  Header.bV5Compression = BI_RGB;
  void* Bits = nullptr;
  HDC Screen = GetDC(nullptr);
  HBITMAP ColorBitmap =
      CreateDIBSection(Screen, reinterpret_cast<BITMAPINFO*>(&Header), DIB_RGB_COLORS, &Bits, nullptr, 0);
  ReleaseDC(nullptr, Screen);
  auto* Pixels = static_cast<DWORD*>(Bits);
  for (int I = 0; I < 16 * 16; ++I)
    Pixels[I] = 0xFF000000 | (GetRValue(Color) << 16) | (GetGValue(Color) << 8) | GetBValue(Color);
  HBITMAP Mask = CreateBitmap(16, 16, 1, 1, nullptr);
  ICONINFO Info = {TRUE, 0, 0, Mask, ColorBitmap};
  HICON Icon = CreateIconIndirect(&Info);
  DeleteObject(ColorBitmap);
  DeleteObject(Mask);
  return Icon;
}

COLORREF DrawnCentre(TCustomImageList& List, int Index) {
  HDC Screen = GetDC(nullptr);
  HDC DC = CreateCompatibleDC(Screen);
  HBITMAP Bitmap = CreateCompatibleBitmap(Screen, 16, 16);
  ReleaseDC(nullptr, Screen);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  List.Draw(DC, 0, 0, Index);
  const COLORREF Result = GetPixel(DC, 8, 8);
  SelectObject(DC, Old);
  DeleteObject(Bitmap);
  DeleteDC(DC);
  return Result;
}

}  // namespace

TEST(RecreateImageList, NewHandleWithTheSameImages) {
  RecreateImageList(nullptr);  // no list: nothing

  TCustomImageList List(16, 16);
  const COLORREF Colors[] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(0, 150, 0)};
  for (COLORREF C : Colors) {
    HICON Icon = SolidIcon(C);
    ASSERT_GE(List.AddIcon(Icon), 0);
    DestroyIcon(Icon);
  }
  const HIMAGELIST Before = List.Handle();
  RecreateImageList(&List);
  ASSERT_TRUE(List.HandleAllocated());
  EXPECT_NE(List.Handle(), Before);
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List.Width(), 16);
  EXPECT_EQ(List.Height(), 16);
  for (int I = 0; I < 3; ++I) EXPECT_EQ(DrawnCentre(List, I), Colors[I]) << I;

  TCustomImageList Empty(32, 32);
  RecreateImageList(&Empty);
  EXPECT_TRUE(Empty.HandleAllocated());
  EXPECT_EQ(Empty.Count(), 0);
}
