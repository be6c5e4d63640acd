// Hermetic registry fixture: each test gets its own scratch key
// HKCU\Software\CorvaneTests\<suite>_<test>_<pid> with the subkeys "HKCU" and "HKCR", to which
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT are redirected (RegOverridePredefKey) for the test.
// Helpers work on the wide calls, so that they see exactly what is stored.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/Registry.h"
#include "tests/support/SystemText.h"

namespace regtest {

using ::SystemText;

inline std::wstring Widen(const std::string& S) {
  std::wstring Result(S.size(), L'\0');
  int Len = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Result.data(),
                                static_cast<int>(Result.size()));
  Result.resize(static_cast<size_t>(Len > 0 ? Len : 0));
  return Result;
}

inline std::string Narrow(const std::wstring& S) {
  if (S.empty()) return std::string();
  int Len = WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<size_t>(Len), '\0');
  WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Result.data(), Len, nullptr, nullptr);
  return Result;
}

// Whether S survives no round trip through the ANSI code page.
inline bool OutsideCodePage(const std::wstring& S) { return Widen(Narrow(S)) != S; }

inline std::vector<BYTE> Bytes(const void* Data, size_t Size) {
  const BYTE* P = static_cast<const BYTE*>(Data);
  return std::vector<BYTE>(P, P + Size);
}
// The bytes of a wide text with its terminator.
inline std::vector<BYTE> WideSz(const std::wstring& S) { return Bytes(S.c_str(), (S.size() + 1) * sizeof(wchar_t)); }

inline HKEY CreateKeyW(HKEY Parent, const std::wstring& Name, DWORD Options = REG_OPTION_NON_VOLATILE) {
  HKEY Key = nullptr;
  LONG R = RegCreateKeyExW(Parent, Name.c_str(), 0, nullptr, Options, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
  EXPECT_EQ(R, ERROR_SUCCESS) << "creating key";
  return Key;
}

inline void MakeKeyW(HKEY Parent, const std::wstring& Name, DWORD Options = REG_OPTION_NON_VOLATILE) {
  HKEY Key = CreateKeyW(Parent, Name, Options);
  if (Key != nullptr) RegCloseKey(Key);
}

inline void SetValueW(HKEY Parent, const std::wstring& SubKey, const std::wstring& Name, DWORD Type,
                      const std::vector<BYTE>& Data) {
  HKEY Key = CreateKeyW(Parent, SubKey);
  ASSERT_NE(Key, nullptr);
  EXPECT_EQ(RegSetValueExW(Key, Name.c_str(), 0, Type, Data.data(), static_cast<DWORD>(Data.size())), ERROR_SUCCESS);
  RegCloseKey(Key);
}

inline bool KeyPresentW(HKEY Parent, const std::wstring& Name) {
  HKEY Key = nullptr;
  LONG R = RegOpenKeyExW(Parent, Name.c_str(), 0, KEY_QUERY_VALUE, &Key);
  if (R == ERROR_SUCCESS) RegCloseKey(Key);
  return R == ERROR_SUCCESS || R == ERROR_ACCESS_DENIED;
}

// Type and bytes of one value; nullopt-like (false) when it cannot be read.
inline bool QueryValueW(HKEY Parent, const std::wstring& SubKey, const std::wstring& Name, DWORD& Type,
                        std::vector<BYTE>& Data) {
  HKEY Key = nullptr;
  if (RegOpenKeyExW(Parent, SubKey.c_str(), 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) return false;
  DWORD Size = 0;
  bool Ok = RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, nullptr, &Size) == ERROR_SUCCESS;
  if (Ok) {
    Data.assign(Size, 0);
    Ok = RegQueryValueExW(Key, Name.c_str(), nullptr, &Type, Data.data(), &Size) == ERROR_SUCCESS;
    Data.resize(Size);
  }
  RegCloseKey(Key);
  return Ok;
}

// Everything below a key, read through the wide calls: values in the registry's order, subkeys by name.
struct TKeyDump {
  struct TValue {
    std::wstring Name;
    DWORD Type;
    std::vector<BYTE> Data;
    bool operator==(const TValue&) const = default;
  };
  std::vector<TValue> Values;
  std::map<std::wstring, TKeyDump> SubKeys;
  bool operator==(const TKeyDump&) const = default;
};

inline bool DumpKeyW(HKEY Key, TKeyDump& Dump) {
  Dump = TKeyDump();
  std::vector<wchar_t> Name(16384);
  for (DWORD I = 0;; ++I) {
    DWORD NameLen = static_cast<DWORD>(Name.size());
    DWORD Type = 0, Size = 0;
    LONG R = RegEnumValueW(Key, I, Name.data(), &NameLen, nullptr, &Type, nullptr, &Size);
    if (R == ERROR_NO_MORE_ITEMS) break;
    if (R != ERROR_SUCCESS) return false;
    TKeyDump::TValue V{std::wstring(Name.data(), NameLen), Type, std::vector<BYTE>(Size)};
    if (RegQueryValueExW(Key, V.Name.c_str(), nullptr, &V.Type, V.Data.data(), &Size) != ERROR_SUCCESS) return false;
    V.Data.resize(Size);
    Dump.Values.push_back(std::move(V));
  }
  std::vector<std::wstring> Names;
  for (DWORD I = 0;; ++I) {
    DWORD NameLen = static_cast<DWORD>(Name.size());
    LONG R = RegEnumKeyExW(Key, I, Name.data(), &NameLen, nullptr, nullptr, nullptr, nullptr);
    if (R == ERROR_NO_MORE_ITEMS) break;
    if (R != ERROR_SUCCESS) return false;
    Names.emplace_back(Name.data(), NameLen);
  }
  for (const std::wstring& N : Names) {
    HKEY Sub = nullptr;
    if (RegOpenKeyExW(Key, N.c_str(), 0, KEY_READ, &Sub) != ERROR_SUCCESS) return false;
    bool Ok = DumpKeyW(Sub, Dump.SubKeys[N]);
    RegCloseKey(Sub);
    if (!Ok) return false;
  }
  return true;
}

// A key with every kind of value, names outside most code pages and subkeys three levels deep, one
// of them empty: default value Default; subkeys "command" (default value Command), "ddeexec" (with
// "topic"), "Sub" (with "Level2\Level3"), "キー" and "Empty".
inline void FillEveryKind(HKEY Root, const std::wstring& Key, const std::wstring& Default,
                          const std::wstring& Command = L"foo.exe \"%1\"") {
  const DWORD Dword = 0x12345678;
  const unsigned long long Qword = 0x0123456789ABCDEFull;
  std::vector<BYTE> Large(5000);
  for (size_t I = 0; I < Large.size(); ++I) Large[I] = static_cast<BYTE>(I * 7 + 3);
  const wchar_t Multi[] = L"one\0\u4E8C\0";
  SetValueW(Root, Key, L"", REG_SZ, WideSz(Default));
  SetValueW(Root, Key, L"sz", REG_SZ, WideSz(L"plain text"));
  SetValueW(Root, Key, L"expand", REG_EXPAND_SZ, WideSz(L"%SystemRoot%\\system32\\x.dll"));
  SetValueW(Root, Key, L"dword", REG_DWORD, Bytes(&Dword, sizeof(Dword)));
  SetValueW(Root, Key, L"big endian", REG_DWORD_BIG_ENDIAN, {0x12, 0x34, 0x56, 0x78});
  SetValueW(Root, Key, L"binary 0", REG_BINARY, {});
  SetValueW(Root, Key, L"binary 6", REG_BINARY, {0, 1, 2, 0xFD, 0xFE, 0xFF});
  SetValueW(Root, Key, L"binary 5000", REG_BINARY, Large);
  SetValueW(Root, Key, L"multi", REG_MULTI_SZ, Bytes(Multi, sizeof(Multi)));
  SetValueW(Root, Key, L"qword", REG_QWORD, Bytes(&Qword, sizeof(Qword)));
  SetValueW(Root, Key, L"none", REG_NONE, {});
  SetValueW(Root, Key, L"type 4F", 0x4F, {1, 2, 3});
  SetValueW(Root, Key, L"odd", REG_SZ, {'a', 0, 'b'});
  SetValueW(Root, Key, L"\u540D\u524D", REG_SZ, WideSz(L"\u5024"));
  SetValueW(Root, Key, L"\u00DCn\u00EF\u20AC", REG_DWORD, Bytes(&Dword, sizeof(Dword)));
  SetValueW(Root, Key + L"\\command", L"", REG_SZ, WideSz(Command));
  SetValueW(Root, Key + L"\\ddeexec", L"", REG_SZ, WideSz(L"[open(\"%1\")]"));
  SetValueW(Root, Key + L"\\ddeexec\\topic", L"", REG_SZ, WideSz(L"System"));
  SetValueW(Root, Key + L"\\Sub", L"level", REG_DWORD, Bytes(&Dword, sizeof(Dword)));
  SetValueW(Root, Key + L"\\Sub\\Level2", L"", REG_EXPAND_SZ, WideSz(L"%TEMP%"));
  SetValueW(Root, Key + L"\\Sub\\Level2\\Level3", L"deep", REG_BINARY, {7, 7});
  SetValueW(Root, Key + L"\\\u30AD\u30FC", L"\u540D\u524D", REG_SZ, WideSz(L"\u30AD\u30FC"));
  MakeKeyW(Root, Key + L"\\Empty");
}

inline TKeyDump DumpW(HKEY Parent, const std::wstring& SubKey) {
  TKeyDump Dump;
  HKEY Key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(Parent, SubKey.c_str(), 0, KEY_READ, &Key), ERROR_SUCCESS) << "opening dumped key";
  if (Key != nullptr) {
    EXPECT_TRUE(DumpKeyW(Key, Dump)) << "reading dumped key";
    RegCloseKey(Key);
  }
  return Dump;
}

class TRegistryFixture : public ::testing::Test {
protected:
  void SetUp() override {
    const ::testing::TestInfo* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    FBasePath = std::string("Software\\CorvaneTests\\") + Info->test_suite_name() + "_" + Info->name() + "_" +
                std::to_string(GetCurrentProcessId());
    for (char& C : FBasePath)
      if (C == '/') C = '_';
    // A leftover of an earlier run with the same process id goes first.
    RegDeleteTreeA(HKEY_CURRENT_USER, FBasePath.c_str());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, FBasePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &FBase, nullptr), ERROR_SUCCESS);
    User = CreateKeyW(FBase, L"HKCU");
    Classes = CreateKeyW(FBase, L"HKCR");
    ASSERT_NE(User, nullptr);
    ASSERT_NE(Classes, nullptr);
    FOverride = RegOverridePredefKeyProc();
    ASSERT_NE(FOverride, nullptr);
    ASSERT_EQ(FOverride(HKEY_CURRENT_USER, User), ERROR_SUCCESS);
    FUserOverridden = true;
    ASSERT_EQ(FOverride(HKEY_CLASSES_ROOT, Classes), ERROR_SUCCESS);
    FClassesOverridden = true;
  }

  void TearDown() override {
    RestoreLocks();
    if (FClassesOverridden) FOverride(HKEY_CLASSES_ROOT, nullptr);
    if (FUserOverridden) FOverride(HKEY_CURRENT_USER, nullptr);
    if (User != nullptr) RegCloseKey(User);
    if (Classes != nullptr) RegCloseKey(Classes);
    if (FBase != nullptr) {
      RegCloseKey(FBase);
      EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, FBasePath.c_str()), ERROR_SUCCESS);
      RegDeleteKeyA(HKEY_CURRENT_USER, FBasePath.c_str());
      RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvaneTests");  // fails while other tests use it
    }
  }

  // Replaces the DACL of Parent\Name by one that allows everyone only Allowed (0: nothing); the
  // old DACL comes back in TearDown.
  void LockKey(HKEY Parent, const std::wstring& Name, DWORD Allowed) {
    HKEY Key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(Parent, Name.c_str(), 0, KEY_ALL_ACCESS | WRITE_DAC | READ_CONTROL, &Key), ERROR_SUCCESS);
    DWORD Size = 0;
    RegGetKeySecurity(Key, DACL_SECURITY_INFORMATION, nullptr, &Size);
    std::vector<BYTE> Old(Size);
    ASSERT_EQ(RegGetKeySecurity(Key, DACL_SECURITY_INFORMATION, Old.data(), &Size), ERROR_SUCCESS);
    FLocked.emplace_back(Key, std::move(Old));

    BYTE SidBuffer[SECURITY_MAX_SID_SIZE];
    DWORD SidSize = sizeof(SidBuffer);
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, SidBuffer, &SidSize));
    std::vector<BYTE> AclBuffer(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SidSize);
    PACL Acl = reinterpret_cast<PACL>(AclBuffer.data());
    ASSERT_TRUE(InitializeAcl(Acl, static_cast<DWORD>(AclBuffer.size()), ACL_REVISION));
    if (Allowed != 0) {
      ASSERT_TRUE(AddAccessAllowedAce(Acl, ACL_REVISION, Allowed, SidBuffer));
    }
    SECURITY_DESCRIPTOR Sd;
    ASSERT_TRUE(InitializeSecurityDescriptor(&Sd, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&Sd, TRUE, Acl, FALSE));
    ASSERT_EQ(RegSetKeySecurity(Key, DACL_SECURITY_INFORMATION, &Sd), ERROR_SUCCESS);
  }

  // Gives every key locked so far its old DACL back, the last locked first.
  void RestoreLocks() {
    for (auto It = FLocked.rbegin(); It != FLocked.rend(); ++It) {
      EXPECT_EQ(RegSetKeySecurity(It->first, DACL_SECURITY_INFORMATION, It->second.data()), ERROR_SUCCESS)
          << "restoring a key's access";
      RegCloseKey(It->first);
    }
    FLocked.clear();
  }

  // The scratch keys that stand for HKEY_CURRENT_USER and HKEY_CLASSES_ROOT.
  HKEY User = nullptr;
  HKEY Classes = nullptr;

private:
  std::string FBasePath;
  HKEY FBase = nullptr;
  TRegOverridePredefKey FOverride = nullptr;
  bool FUserOverridden = false, FClassesOverridden = false;
  std::vector<std::pair<HKEY, std::vector<BYTE>>> FLocked;
};

}  // namespace regtest
