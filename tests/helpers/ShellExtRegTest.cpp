// The shell-extension registration calls: RegisterServer against small test libraries, and the
// registration test against a scratch HKEY_CLASSES_ROOT.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "model/ShellExtReg.h"
#include "model/Utils.h"
#include "tests/registry/RegistryFixture.h"
#include "tests/support/Expect.h"

namespace {

const char* const CallsVariable = "CORVANE_REGSERVER_CALLS";

std::string TestFolder() {
  std::vector<char> Buffer(32768);
  const DWORD Len = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
  return ExtractFilePath(std::string(Buffer.data(), Len));
}

std::string Calls() {
  const DWORD Size = GetEnvironmentVariableA(CallsVariable, nullptr, 0);
  if (Size == 0) return std::string();
  std::string Result(Size, '\0');
  Result.resize(GetEnvironmentVariableA(CallsVariable, Result.data(), Size));
  return Result;
}

class RegisterServerTest : public ::testing::Test {
protected:
  void SetUp() override { SetEnvironmentVariableA(CallsVariable, nullptr); }
  static std::string Library(const std::string& Variant) { return TestFolder() + "helpers_regserver_" + Variant + ".dll"; }
};

TEST_F(RegisterServerTest, ExportNames) {
  EXPECT_STREQ(RegisterProcName(raRegister), "DllRegisterServer");
  EXPECT_STREQ(RegisterProcName(raUnregister), "DllUnregisterServer");
  EXPECT_EQ(static_cast<int>(raRegister), 0);
  EXPECT_EQ(static_cast<int>(raUnregister), 1);
}

TEST_F(RegisterServerTest, GoodLibrary) {
  const std::string File = Library("good");
  ASSERT_TRUE(FileExists(File));
  ASSERT_EQ(GetModuleHandleA(File.c_str()), nullptr);
  EXPECT_NO_THROW(RegisterServer(File, raRegister));
  EXPECT_EQ(Calls(), "R");  // called once
  EXPECT_EQ(GetModuleHandleA(File.c_str()), nullptr);
  EXPECT_NO_THROW(RegisterServer(File, raUnregister));
  EXPECT_EQ(Calls(), "RU");
  EXPECT_EQ(GetModuleHandleA(File.c_str()), nullptr);
}

TEST_F(RegisterServerTest, Failures) {
  struct TCase {
    std::string File;
    TRegisterAction Action;
    std::string Message;
    std::string Calls;
  };
  const std::string Missing = TestFolder() + "helpers_regserver_missing.dll";
  const std::string NoExport = Library("noexport");
  const std::string Fail = Library("fail");
  const TCase Cases[] = {
      {Missing, raRegister, "Failed to load \"" + Missing + "\"", ""},
      {NoExport, raUnregister, "DllUnregisterServer procedure not found in \"" + NoExport + "\"", ""},
      {Fail, raRegister, "Call to DllRegisterServer failed in \"" + Fail + "\"", "R"},
      {Fail, raUnregister, "Call to DllUnregisterServer failed in \"" + Fail + "\"", "U"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Message);
    SetEnvironmentVariableA(CallsVariable, nullptr);
    EXPECT_EQ(MessageOf([&] { RegisterServer(C.File, C.Action); }), C.Message);
    EXPECT_EQ(Calls(), C.Calls);
    EXPECT_EQ(GetModuleHandleA(C.File.c_str()), nullptr);  // not left loaded
  }
  // The library without the unregister export still registers.
  SetEnvironmentVariableA(CallsVariable, nullptr);
  EXPECT_NO_THROW(RegisterServer(NoExport, raRegister));
  EXPECT_EQ(Calls(), "R");
  EXPECT_EQ(GetModuleHandleA(NoExport.c_str()), nullptr);
}

class ShellExtRegisteredTest : public regtest::TRegistryFixture {};

TEST_F(ShellExtRegisteredTest, ClassKey) {
  const std::wstring Key = L"CLSID\\{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}";
  EXPECT_EQ(GUIDToString(ShellExtClassID), "{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}");
  EXPECT_FALSE(IsShellExtRegistered());
  EXPECT_FALSE(regtest::KeyPresentW(Classes, Key));  // the test did not create it
  regtest::MakeKeyW(Classes, L"CLSID");
  EXPECT_FALSE(IsShellExtRegistered());
  regtest::MakeKeyW(Classes, Key);
  EXPECT_TRUE(IsShellExtRegistered());
  // Present but not open for full access.
  LockKey(Classes, Key, KEY_READ);
  EXPECT_TRUE(regtest::KeyPresentW(Classes, Key));
  EXPECT_FALSE(IsShellExtRegistered());
}

}  // namespace
