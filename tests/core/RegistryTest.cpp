// TRegistry on the real registry of the test prefix, inside per-test scratch keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/Registry.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/Expect.h"

using namespace regtest;

namespace {

class RegistryTest : public TRegistryFixture {};

std::vector<std::string> Lines(const TStrings& S) {
  std::vector<std::string> Result;
  for (int I = 0; I < S.Count(); ++I) Result.push_back(S[I]);
  return Result;
}

TEST_F(RegistryTest, Defaults) {
  TRegistry Reg;
  EXPECT_EQ(Reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(Reg.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
  EXPECT_TRUE(Reg.LazyWrite());
  EXPECT_EQ(Reg.CurrentKey(), nullptr);
  EXPECT_EQ(Reg.CurrentPath(), "");
  TRegistry ReadOnly(KEY_READ);
  EXPECT_EQ(ReadOnly.Access(), static_cast<REGSAM>(KEY_READ));
}

// Relative names go below the open key, absolute ones below the root; CurrentPath follows.
TEST_F(RegistryTest, RelativeAndAbsolutePathsAndCurrentPath) {
  TRegistry Reg;
  struct TStep {
    const char* Key;
    bool CanCreate;
    bool Result;
    const char* Path;  // CurrentPath afterwards
  };
  const TStep Steps[] = {
      {"A", true, true, "A"},
      {"B\\C", true, true, "A\\B\\C"},
      {"\\A\\B", false, true, "A\\B"},
      {"C", false, true, "A\\B\\C"},
      {"Missing", false, false, "A\\B\\C"},
      {"\\Missing", false, false, "A\\B\\C"},
      {"\\", false, true, ""},
      {"A\\", false, true, "A"},
      {"\\D\\E\\", true, true, "D\\E"},
  };
  for (const TStep& S : Steps) {
    SCOPED_TRACE(S.Key);
    EXPECT_EQ(Reg.OpenKey(S.Key, S.CanCreate), S.Result);
    EXPECT_EQ(Reg.CurrentPath(), S.Path);
    EXPECT_NE(Reg.CurrentKey(), nullptr);
    if (!S.Result) {
      EXPECT_EQ(Reg.LastError(), ERROR_FILE_NOT_FOUND);
    }
  }
  // The keys landed where the paths say, and a failed open created nothing.
  EXPECT_TRUE(KeyPresentW(User, L"A\\B\\C"));
  EXPECT_TRUE(KeyPresentW(User, L"D\\E"));
  EXPECT_FALSE(KeyPresentW(User, L"B"));
  EXPECT_FALSE(KeyPresentW(User, L"Missing"));
  EXPECT_FALSE(KeyPresentW(User, L"A\\B\\C\\Missing"));

  // The open key is the one CurrentPath names: a value written now lands under D\E.
  Reg.WriteString("here", "D\\E");
  DWORD Type = 0;
  std::vector<BYTE> Data;
  ASSERT_TRUE(QueryValueW(User, L"D\\E", L"here", Type, Data));
  EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));

  Reg.CloseKey();
  EXPECT_EQ(Reg.CurrentKey(), nullptr);
  EXPECT_EQ(Reg.CurrentPath(), "");
  // Without an open key a relative name goes below the root.
  EXPECT_TRUE(Reg.OpenKey("A\\B", false));
  EXPECT_EQ(Reg.CurrentPath(), "A\\B");
}

TEST_F(RegistryTest, SetRootKeyClosesTheKeyAndSwitchesRoots) {
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\UserKey", true));
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_EQ(Reg.RootKey(), HKEY_CLASSES_ROOT);
  EXPECT_EQ(Reg.CurrentKey(), nullptr);
  EXPECT_EQ(Reg.CurrentPath(), "");
  ASSERT_TRUE(Reg.OpenKey("\\ClassKey", true));
  EXPECT_TRUE(KeyPresentW(Classes, L"ClassKey"));
  EXPECT_FALSE(KeyPresentW(Classes, L"UserKey"));
  EXPECT_TRUE(KeyPresentW(User, L"UserKey"));
  // The same root again keeps the key open.
  Reg.SetRootKey(HKEY_CLASSES_ROOT);
  EXPECT_EQ(Reg.CurrentPath(), "ClassKey");
}

TEST_F(RegistryTest, OpenKeyFailsWhereTheKeyDeniesFullAccess) {
  MakeKeyW(User, L"Locked");
  LockKey(User, L"Locked", KEY_READ);
  TRegistry Reg;
  EXPECT_FALSE(Reg.OpenKey("\\Locked", false));
  EXPECT_EQ(Reg.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Reg.OpenKey("\\Locked", true));
  EXPECT_EQ(Reg.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Reg.LastErrorMsg(), SystemText(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Reg.CurrentKey(), nullptr);
}

// OpenKeyReadOnly falls back to narrower access and keeps the access that worked.
TEST_F(RegistryTest, OpenKeyReadOnlyNarrowsAccess) {
  const DWORD Middle = STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
  struct TCase {
    const wchar_t* Name;
    DWORD Allowed;
    DWORD Expected;
  };
  const TCase Cases[] = {
      {L"Read", KEY_READ, KEY_READ},
      {L"QueryEnum", Middle, Middle},
      {L"QueryOnly", KEY_QUERY_VALUE, KEY_QUERY_VALUE},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(Narrow(C.Name));
    SetValueW(User, C.Name, L"v", REG_SZ, WideSz(L"text"));
    LockKey(User, C.Name, C.Allowed);
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKeyReadOnly("\\" + Narrow(C.Name)));
    EXPECT_EQ(Reg.Access(), static_cast<REGSAM>(C.Expected));
    EXPECT_EQ(Reg.CurrentPath(), Narrow(C.Name));
    EXPECT_EQ(Reg.ReadString("v"), "text");
    // The key allows no writing.
    EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteString("w", "x"); }), "Failed to set data for 'w'");
  }
  TRegistry Reg;
  EXPECT_FALSE(Reg.OpenKeyReadOnly("\\Missing"));
  EXPECT_EQ(Reg.LastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Reg.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
}

TEST_F(RegistryTest, CreateKeyCreatesWithoutOpening) {
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\Base", true));
  EXPECT_TRUE(Reg.CreateKey("X\\Y"));
  EXPECT_TRUE(Reg.CreateKey("\\Top\\Z"));
  EXPECT_EQ(Reg.CurrentPath(), "Base");
  EXPECT_TRUE(KeyPresentW(User, L"Base\\X\\Y"));
  EXPECT_TRUE(KeyPresentW(User, L"Top\\Z"));

  // A non-volatile key cannot go below a volatile one.
  MakeKeyW(User, L"Volatile", REG_OPTION_VOLATILE);
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.CreateKey("\\Volatile\\Child"); }), "Failed to create key \\Volatile\\Child");
  EXPECT_EQ(Reg.LastError(), ERROR_CHILD_MUST_BE_VOLATILE);
  EXPECT_FALSE(KeyPresentW(User, L"Volatile\\Child"));
}

TEST_F(RegistryTest, DeleteKeyRemovesTwoLevelsOfSubkeys) {
  const std::wstring Odd = L"\u0416\u03A9\u4E2D\u2603\u0101";  // no code page has them all
  SetValueW(User, L"Tree", L"v", REG_SZ, WideSz(L"x"));
  SetValueW(User, L"Tree\\L1a\\L2", L"v", REG_DWORD, {1, 0, 0, 0});
  MakeKeyW(User, L"Tree\\L1b\\L2a");
  MakeKeyW(User, L"Tree\\L1b\\L2b");
  MakeKeyW(User, L"Tree\\" + Odd + L"\\" + Odd);
  MakeKeyW(User, L"Keep");

  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\Keep", false));
  EXPECT_TRUE(Reg.DeleteKey("\\Tree"));
  EXPECT_EQ(Reg.LastError(), ERROR_SUCCESS);
  EXPECT_FALSE(KeyPresentW(User, L"Tree"));
  EXPECT_TRUE(KeyPresentW(User, L"Keep"));
  EXPECT_EQ(Reg.CurrentPath(), "Keep");

  // Relative to the open key.
  MakeKeyW(User, L"Keep\\Sub\\Deeper\\Deepest");
  EXPECT_TRUE(Reg.DeleteKey("Sub"));
  EXPECT_FALSE(KeyPresentW(User, L"Keep\\Sub"));
  EXPECT_TRUE(KeyPresentW(User, L"Keep"));

  // A missing key, an empty name.
  EXPECT_FALSE(Reg.DeleteKey("\\Tree"));
  EXPECT_EQ(Reg.LastError(), ERROR_FILE_NOT_FOUND);
  MakeKeyW(User, L"Keep\\Child");
  EXPECT_FALSE(Reg.DeleteKey(""));
  EXPECT_FALSE(Reg.DeleteKey("\\"));
  EXPECT_TRUE(KeyPresentW(User, L"Keep\\Child"));
}

TEST_F(RegistryTest, DeleteKeyFailsOnAKeyThatDeniesDeletion) {
  MakeKeyW(User, L"Locked\\Sub\\Sub");
  LockKey(User, L"Locked", KEY_READ);
  TRegistry Reg;
  EXPECT_FALSE(Reg.DeleteKey("\\Locked"));
  EXPECT_EQ(Reg.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(KeyPresentW(User, L"Locked"));
}

TEST_F(RegistryTest, KeyExists) {
  MakeKeyW(User, L"A\\B");
  MakeKeyW(User, L"Hidden");
  LockKey(User, L"Hidden", 0);
  TRegistry Reg;
  EXPECT_TRUE(Reg.KeyExists("A"));
  EXPECT_TRUE(Reg.KeyExists("\\A\\B"));
  EXPECT_FALSE(Reg.KeyExists("B"));
  EXPECT_TRUE(Reg.KeyExists("\\Hidden"));  // exists, though nobody may read it
  ASSERT_TRUE(Reg.OpenKey("A", false));
  EXPECT_TRUE(Reg.KeyExists("B"));
  EXPECT_FALSE(Reg.KeyExists("A"));
  EXPECT_TRUE(Reg.KeyExists("\\A"));
}

// Every typed write stores the platform type and reads back through its typed read.
TEST_F(RegistryTest, TypedValuesRoundTrip) {
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\Values", true));
  const char Blob[] = {'a', '\0', 'b', '\0', '\0', '\xFF'};
  Reg.WriteString("", "default");
  Reg.WriteString("s", "text with blanks");
  Reg.WriteString("empty", "");
  Reg.WriteExpandString("x", "%SystemRoot%\\x");
  Reg.WriteInteger("i", -123456);
  Reg.WriteBool("t", true);
  Reg.WriteBool("f", false);
  Reg.WriteBinaryData("b", Blob, sizeof(Blob));

  struct TCase {
    const char* Name;
    DWORD Type;  // stored platform type
    TRegDataType RegData;
    std::vector<BYTE> Data;  // stored bytes, as the wide calls see them
  };
  const TCase Cases[] = {
      {"", REG_SZ, rdString, WideSz(L"default")},
      {"s", REG_SZ, rdString, WideSz(L"text with blanks")},
      {"empty", REG_SZ, rdString, WideSz(L"")},
      {"x", REG_EXPAND_SZ, rdExpandString, WideSz(L"%SystemRoot%\\x")},
      {"i", REG_DWORD, rdInteger, {0xC0, 0x1D, 0xFE, 0xFF}},
      {"t", REG_DWORD, rdInteger, {1, 0, 0, 0}},
      {"f", REG_DWORD, rdInteger, {0, 0, 0, 0}},
      {"b", REG_BINARY, rdBinary, Bytes(Blob, sizeof(Blob))},
  };
  HKEY Raw = nullptr;
  ASSERT_EQ(RegOpenKeyExA(User, "Values", 0, KEY_QUERY_VALUE, &Raw), ERROR_SUCCESS);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    DWORD Type = 0;
    std::vector<BYTE> Data;
    ASSERT_TRUE(QueryValueW(User, L"Values", Widen(C.Name), Type, Data));
    EXPECT_EQ(Type, C.Type);
    EXPECT_EQ(Data, C.Data);
    // The size the ANSI call reports.
    DWORD AnsiSize = 0;
    ASSERT_EQ(RegQueryValueExA(Raw, C.Name, nullptr, nullptr, nullptr, &AnsiSize), ERROR_SUCCESS);
    EXPECT_TRUE(Reg.ValueExists(C.Name));
    EXPECT_EQ(Reg.GetDataType(C.Name), C.RegData);
    EXPECT_EQ(Reg.GetDataSize(C.Name), static_cast<int>(AnsiSize));
    TRegDataInfo Info;
    EXPECT_TRUE(Reg.GetDataInfo(C.Name, Info));
    EXPECT_EQ(Info.RegData, C.RegData);
    EXPECT_EQ(Info.DataSize, AnsiSize);
  }
  RegCloseKey(Raw);
  EXPECT_EQ(Reg.ReadString(""), "default");
  EXPECT_EQ(Reg.ReadString("s"), "text with blanks");
  EXPECT_EQ(Reg.ReadString("empty"), "");
  EXPECT_EQ(Reg.ReadString("x"), "%SystemRoot%\\x");  // not expanded
  EXPECT_EQ(Reg.ReadInteger("i"), -123456);
  EXPECT_TRUE(Reg.ReadBool("t"));
  EXPECT_FALSE(Reg.ReadBool("f"));
  char Buffer[16] = {};
  EXPECT_EQ(Reg.ReadBinaryData("b", Buffer, sizeof(Buffer)), 6);
  EXPECT_EQ(std::memcmp(Buffer, Blob, sizeof(Blob)), 0);

  // Missing values.
  EXPECT_FALSE(Reg.ValueExists("none"));
  EXPECT_EQ(Reg.GetDataSize("none"), -1);
  EXPECT_EQ(Reg.GetDataType("none"), rdUnknown);
  EXPECT_EQ(Reg.ReadString("none"), "");
  EXPECT_EQ(Reg.ReadBinaryData("none", Buffer, sizeof(Buffer)), 0);
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.ReadInteger("none"); }), "Failed to get data for 'none'");
  EXPECT_EQ(Reg.LastError(), ERROR_FILE_NOT_FOUND);

  // Deleting.
  EXPECT_TRUE(Reg.DeleteValue("s"));
  EXPECT_FALSE(Reg.ValueExists("s"));
  EXPECT_FALSE(Reg.DeleteValue("s"));
  EXPECT_EQ(Reg.LastError(), ERROR_FILE_NOT_FOUND);
}

// A value of the wrong type raises instead of reading as something else.
TEST_F(RegistryTest, ReadsOfTheWrongTypeRaise) {
  SetValueW(User, L"T", L"dword", REG_DWORD, {7, 0, 0, 0});
  SetValueW(User, L"T", L"binary", REG_BINARY, {'a', 'b', 0});
  SetValueW(User, L"T", L"multi", REG_MULTI_SZ, WideSz(std::wstring(L"a\0b\0", 4)));
  SetValueW(User, L"T", L"short", REG_SZ, WideSz(L"a"));
  SetValueW(User, L"T", L"long", REG_SZ, WideSz(L"longer text"));
  SetValueW(User, L"T", L"big", REG_BINARY, std::vector<BYTE>(40, 1));
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\T", false));
  char Buffer[8];
  struct TCase {
    const char* What;
    std::function<void()> Call;
    const char* Message;
  };
  const TCase Cases[] = {
      {"string of dword", [&] { Reg.ReadString("dword"); }, "Invalid data type for 'dword'"},
      {"string of binary", [&] { Reg.ReadString("binary"); }, "Invalid data type for 'binary'"},
      {"string of multi", [&] { Reg.ReadString("multi"); }, "Invalid data type for 'multi'"},
      {"integer of short string", [&] { Reg.ReadInteger("short"); }, "Invalid data type for 'short'"},
      {"integer of long string", [&] { Reg.ReadInteger("long"); }, "Failed to get data for 'long'"},
      {"bool of binary", [&] { Reg.ReadBool("binary"); }, "Invalid data type for 'binary'"},
      {"binary of string", [&] { Reg.ReadBinaryData("short", Buffer, sizeof(Buffer)); }, "Invalid data type for 'short'"},
      {"binary too big", [&] { Reg.ReadBinaryData("big", Buffer, sizeof(Buffer)); }, "Invalid data type for 'big'"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    EXPECT_EQ(MessageOf<ERegistryException>(C.Call), C.Message);
  }
  EXPECT_EQ(Reg.ReadInteger("dword"), 7);
}

TEST_F(RegistryTest, KeyAndValueNamesInRegistryOrder) {
  for (const wchar_t* Name : {L"zeta", L"Alpha", L"mid dle", L"beta"}) {
    MakeKeyW(User, std::wstring(L"N\\") + Name);
    SetValueW(User, L"N", Name, REG_SZ, WideSz(Name));
  }
  SetValueW(User, L"N", L"", REG_SZ, WideSz(L"default"));

  // The order the platform lists them in.
  HKEY Key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(User, "N", 0, KEY_READ, &Key), ERROR_SUCCESS);
  std::vector<std::string> KeyNames, ValueNames;
  char Name[256];
  for (DWORD I = 0;; ++I) {
    DWORD Len = sizeof(Name);
    if (RegEnumKeyExA(Key, I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    KeyNames.emplace_back(Name, Len);
  }
  for (DWORD I = 0;; ++I) {
    DWORD Len = sizeof(Name);
    if (RegEnumValueA(Key, I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    ValueNames.emplace_back(Name, Len);
  }
  RegCloseKey(Key);
  ASSERT_EQ(KeyNames.size(), 4u);
  ASSERT_EQ(ValueNames.size(), 5u);

  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("\\N", false));
  TStringList List;
  List.Add("stale line");
  Reg.GetKeyNames(List);
  EXPECT_EQ(Lines(List), KeyNames);
  Reg.GetValueNames(List);
  EXPECT_EQ(Lines(List), ValueNames);
  EXPECT_TRUE(Reg.HasSubKeys());
  TRegKeyInfo Info;
  ASSERT_TRUE(Reg.GetKeyInfo(Info));
  EXPECT_EQ(Info.NumSubKeys, 4u);
  EXPECT_EQ(Info.NumValues, 5u);

  ASSERT_TRUE(Reg.OpenKey("zeta", false));
  EXPECT_FALSE(Reg.HasSubKeys());
  Reg.GetKeyNames(List);
  EXPECT_EQ(List.Count(), 0);
  Reg.GetValueNames(List);
  EXPECT_EQ(List.Count(), 0);

  // Without an open key there is nothing to list, and writes fail.
  Reg.CloseKey();
  List.Add("stale line");
  Reg.GetKeyNames(List);
  EXPECT_EQ(List.Count(), 0);
  EXPECT_FALSE(Reg.HasSubKeys());
  EXPECT_EQ(MessageOf<ERegistryException>([&] { Reg.WriteInteger("n", 1); }), "Failed to set data for 'n'");
}

}  // namespace
