// The guard frame: faults in the program's code become exceptions with their destructors run, C++
// exceptions are handed on, nothing leaves the call; the raise hook sees both as they are raised.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/SysFaults.h"

namespace {

struct THookLog {
  std::vector<DWORD> Codes;
  std::vector<std::string> Classes;
};
THookLog* Log = nullptr;

void RecordingHook(PCONTEXT Context, PEXCEPTION_RECORD Record) {
  if (Log == nullptr) return;
  Log->Codes.push_back(Record->ExceptionCode);
  const TThrowInfo* Throw = CurrentThrowInfo();
  Log->Classes.push_back(Throw != nullptr && Throw->Record == Record ? ThrownClassName(*Throw->Type) : "");
}

class GuardTest : public ::testing::Test {
protected:
  void SetUp() override {
    Log = &FLog;
    FPrevious = SetRaiseHook(&RecordingHook);
  }
  void TearDown() override {
    SetRaiseHook(FPrevious);
    Log = nullptr;
  }
  THookLog FLog;
  TRaiseHook FPrevious = nullptr;
};

struct TDestructorFlag {
  bool& Ran;
  ~TDestructorFlag() { Ran = true; }
};

volatile int* volatile NullInt = nullptr;
volatile int Zero = 0;
const char* volatile NullText = nullptr;
volatile size_t Length = 0;

// Each fault inside a frame that holds an object with a destructor.
__attribute__((noinline)) void WriteNull(bool& DestructorRan) {
  TDestructorFlag Flag{DestructorRan};
  *NullInt = 1;
}
volatile int Read = 0;
__attribute__((noinline)) void ReadNull(bool& DestructorRan) {
  TDestructorFlag Flag{DestructorRan};
  Read = *NullInt;
}
volatile int Quotient = 0;
__attribute__((noinline)) void DivideByZero(bool& DestructorRan) {
  TDestructorFlag Flag{DestructorRan};
  Quotient = 10 / Zero;
}
using TCodeFn = void (*)();
__attribute__((noinline)) void ExecuteNull(bool& DestructorRan) {
  TDestructorFlag Flag{DestructorRan};
  reinterpret_cast<TCodeFn>(reinterpret_cast<ULONG_PTR>(NullInt))();
}

// The class and message OnException got, by rethrowing inside it.
struct THandled {
  std::string ClassName;
  std::string Message;
};
template <class F>
THandled RunGuarded(F&& Body, TGuardResult* Result = nullptr) {
  THandled Handled;
  const TGuardResult R = GuardedCall(Body, [&] {
    try {
      throw;
    } catch (const Exception& E) {
      Handled = {ClassNameOf(typeid(E)), E.Message()};
    } catch (...) {
      Handled = {"other", ""};
    }
  });
  if (Result != nullptr) *Result = R;
  return Handled;
}

std::string Hex(ULONG_PTR Value) {
  std::string Text = IntToHex(static_cast<unsigned long long>(Value), static_cast<int>(sizeof(void*) * 2));
  return Text;
}

TEST_F(GuardTest, FaultsBecomeTheirExceptionsWithDestructorsRun) {
  const std::string Zeros = Hex(0);
  struct TCase {
    const char* Name;
    void (*Body)(bool& DestructorRan);
    const char* ClassName;
    DWORD Code;
    std::string Message;  // a regular expression
  };
  const TCase Cases[] = {
      {"write", WriteNull, "EAccessViolation", EXCEPTION_ACCESS_VIOLATION,
       "Access violation at address [0-9A-F]{" + std::to_string(Zeros.size()) + "}: write of address " + Zeros},
      {"read", ReadNull, "EAccessViolation", EXCEPTION_ACCESS_VIOLATION,
       "Access violation at address [0-9A-F]{" + std::to_string(Zeros.size()) + "}: read of address " + Zeros},
      {"divide", DivideByZero, "EDivByZero", EXCEPTION_INT_DIVIDE_BY_ZERO, "Division by zero"},
      // A call through a null pointer: raised at the call that made it, with the fault's addresses.
      {"execute", ExecuteNull, "EAccessViolation", EXCEPTION_ACCESS_VIOLATION,
       "Access violation at address " + Zeros + ": execute of address " + Zeros},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    FLog.Codes.clear();
    bool DestructorRan = false;
    TGuardResult Result = TGuardResult::Returned;
    const THandled Handled = RunGuarded([&] { C.Body(DestructorRan); }, &Result);
    EXPECT_EQ(Result, TGuardResult::Raised);
    EXPECT_TRUE(DestructorRan);
    EXPECT_EQ(Handled.ClassName, C.ClassName);
    EXPECT_TRUE(std::regex_match(Handled.Message, std::regex(C.Message))) << Handled.Message;
    // The hook saw the fault once; the translated throw is not reported again.
    EXPECT_EQ(FLog.Codes, std::vector<DWORD>{C.Code});
  }
}

TEST_F(GuardTest, ExceptionTextsOfEveryCode) {
  struct TCase {
    DWORD Code;
    const char* ClassName;
    const char* Message;
  };
  const TCase Cases[] = {
      {0xC0000094, "EDivByZero", "Division by zero"},
      {0xC0000095, "EIntOverflow", "Integer overflow"},
      {0xC000008C, "ERangeError", "Range check error"},
      {0xC0000096, "EPrivilege", "Privileged instruction"},
      {0xC000008E, "EZeroDivide", "Floating point division by zero"},
      {0xC0000091, "EOverflow", "Floating point overflow"},
      {0xC0000093, "EUnderflow", "Floating point underflow"},
      {0xC0000090, "EInvalidOp", "Invalid floating point operation"},
      {0xC000008D, "EInvalidOp", "Invalid floating point operation"},
      {0xC0000005, "EAccessViolation", ""},
      {0xE0001234, "EExternalException", "External exception E0001234"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.ClassName);
    try {
      RaiseFaultException(C.Code, reinterpret_cast<void*>(0x1234), 1, 0x5678);
      ADD_FAILURE() << "nothing raised";
    } catch (const EExternal& E) {
      EXPECT_EQ(ClassNameOf(typeid(E)), C.ClassName);
      EXPECT_EQ(E.ExceptionCode, C.Code);
      if (C.Code == 0xC0000005)
        EXPECT_EQ(E.Message(), "Access violation at address " + Hex(0x1234) + ": write of address " + Hex(0x5678));
      else
        EXPECT_EQ(E.Message(), C.Message);
    }
  }
}

TEST_F(GuardTest, CppExceptionsAreHandedOnAndReportedWhereThrown) {
  TGuardResult Result = TGuardResult::Returned;
  const THandled Handled = RunGuarded([] { StrToInt("abc"); }, &Result);
  EXPECT_EQ(Result, TGuardResult::Raised);
  EXPECT_EQ(Handled.ClassName, "EConvertError");
  EXPECT_EQ(Handled.Message, "'abc' is not a valid integer value");
  ASSERT_EQ(FLog.Codes.size(), 1u);
  EXPECT_EQ(FLog.Codes[0], cLanguageExceptionCode);
  EXPECT_EQ(FLog.Classes[0], "EConvertError");
}

TEST_F(GuardTest, BadAllocIsReportedAsOutOfMemory) {
  try {
    throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
  }
  ASSERT_EQ(FLog.Classes.size(), 1u);
  EXPECT_EQ(FLog.Classes[0], "EOutOfMemory");
}

TEST_F(GuardTest, HandlerFailuresAreDroppedAndNormalReturnsPass) {
  int Calls = 0;
  EXPECT_EQ(GuardedCall([&] { ++Calls; }, [] {}), TGuardResult::Returned);
  EXPECT_EQ(GuardedCall([] { throw Exception("first"); }, [] { *NullInt = 2; }), TGuardResult::Raised);
  EXPECT_EQ(GuardedCall([] { throw Exception("first"); }, [] { throw Exception("second"); }), TGuardResult::Raised);
  EXPECT_EQ(Calls, 1);
}

TEST_F(GuardTest, QuietCallDropsFaultsOutsideTheProgram) {
  EXPECT_EQ(QuietCall([] { Length = std::strlen(NullText); }), TGuardResult::Dropped);
  EXPECT_EQ(QuietCall([] { *NullInt = 3; }), TGuardResult::Raised);
  EXPECT_EQ(QuietCall([] {}), TGuardResult::Returned);
}

TEST_F(GuardTest, FaultsThatSystemCodeHandlesNeverReachTheFrame) {
  char Buffer[8] = {};
  EXPECT_EQ(GuardedCall([&] { lstrcpynA(Buffer, reinterpret_cast<LPCSTR>(1), 4); }, [] {}), TGuardResult::Returned);
  EXPECT_TRUE(FLog.Codes.empty());
}

}  // namespace
