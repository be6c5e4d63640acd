// The exception watcher: repeat guard, event dispatch, reportable exceptions, the hook's guard, and
// safecall frames, each as a table of cases.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ExceptionWatcher/clExWatcher.h"

namespace {

// A watcher bound to the test's thread, its clock in the test's hand, its events counted.
struct TWatched {
  TWatched() {
    Watcher.SetClock([this] { return Now; });
    Watcher.OnDelphiException = [this](TObject*, Exception* E, TclExceptionInformation*, TclStackTracer*) {
      Events.push_back("delphi");
      Objects.push_back(E);
    };
    Watcher.OnSystemException = [this](TObject*, TclExceptionInformation*, TclStackTracer*) {
      Events.push_back("system");
    };
  }
  DWORD Now = 10000;
  TclExceptWatcher Watcher{nullptr};
  std::vector<std::string> Events;
  std::vector<Exception*> Objects;
};

EXCEPTION_RECORD MakeRecord(DWORD Code, DWORD Parameters = 0, ULONG_PTR Object = 0) {
  EXCEPTION_RECORD Record{};
  Record.ExceptionCode = Code;
  Record.NumberParameters = Parameters;
  Record.ExceptionInformation[0] = 0x1000;
  Record.ExceptionInformation[1] = Object;
  return Record;
}

struct TContext {
  alignas(16) CONTEXT Value{};
};

TEST(WatcherTest, RepeatGuardFiresOnlyAfterMoreThan500Ms) {
  struct TCase {
    std::vector<DWORD> Ticks;
    std::vector<bool> Fires;
  };
  const TCase Cases[] = {
      {{10000, 10300, 10900}, {true, false, true}},
      {{10000, 10300, 10600}, {true, false, false}},
      {{10000, 10500}, {true, false}},
      {{10000, 10501}, {true, true}},
      {{400}, {false}},
      {{0xFFFFFF00u, 0x100}, {false, true}},
  };
  for (const TCase& C : Cases) {
    TWatched W;
    TContext Context;
    for (size_t I = 0; I < C.Ticks.size(); ++I) {
      SCOPED_TRACE(testing::Message() << "tick " << C.Ticks[I]);
      W.Now = C.Ticks[I];
      EXCEPTION_RECORD Record = MakeRecord(0xC0000005);
      const size_t Before = W.Events.size();
      W.Watcher.HandleException(&Context.Value, &Record);
      EXPECT_EQ(W.Events.size() > Before, C.Fires[I]);
    }
  }
}

TEST(WatcherTest, DispatchByCodeAndParameters) {
  Exception Thrown("bar");
  struct TCase {
    DWORD Code;
    DWORD Parameters;
    bool Assigned;
    const char* Event;
    Exception* Object;
  };
  const TCase Cases[] = {
      {0x0EEDFADE, 2, true, "delphi", &Thrown},
      {0x0EEDFADE, 1, true, "delphi", nullptr},
      {0x0EEDFADF, 2, true, "delphi", nullptr},
      {0xC0000005, 2, true, "system", nullptr},
      {0x0EEDFADE, 2, false, "", &Thrown},
      {0xC0000005, 0, false, "", nullptr},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << std::hex << C.Code << " " << C.Parameters << " " << C.Assigned);
    TWatched W;
    if (!C.Assigned) {
      W.Watcher.OnDelphiException = nullptr;
      W.Watcher.OnSystemException = nullptr;
    }
    TContext Context;
    EXCEPTION_RECORD Record = MakeRecord(C.Code, C.Parameters, reinterpret_cast<ULONG_PTR>(&Thrown));
    W.Watcher.HandleException(&Context.Value, &Record);
    ASSERT_NE(W.Watcher.LastException(), nullptr);
    EXPECT_EQ(W.Watcher.LastException()->ExceptionCode(), C.Code);
    EXPECT_EQ(W.Watcher.LastException()->ExceptObject(), C.Object);
    if (C.Event[0] == '\0') {
      EXPECT_TRUE(W.Events.empty());
    } else {
      ASSERT_EQ(W.Events, std::vector<std::string>{C.Event});
      if (W.Events[0] == "delphi") {
        EXPECT_EQ(W.Objects[0], C.Object);
      }
    }
  }
}

// The 19 names, as classes of those exact names.
namespace names {
#define CORVANE_NAMED_EXCEPTION(N) \
  struct N : Exception {           \
    using Exception::Exception;    \
  };
CORVANE_NAMED_EXCEPTION(EAbstractError)
CORVANE_NAMED_EXCEPTION(EAccessViolation)
CORVANE_NAMED_EXCEPTION(EAssertionFailed)
CORVANE_NAMED_EXCEPTION(EDivByZero)
CORVANE_NAMED_EXCEPTION(EConvertError)
CORVANE_NAMED_EXCEPTION(EIntOverflow)
CORVANE_NAMED_EXCEPTION(EInvalidOp)
CORVANE_NAMED_EXCEPTION(EInvalidPointer)
CORVANE_NAMED_EXCEPTION(EListError)
CORVANE_NAMED_EXCEPTION(EOleException)
CORVANE_NAMED_EXCEPTION(EOSError)
CORVANE_NAMED_EXCEPTION(EOutOfMemory)
CORVANE_NAMED_EXCEPTION(EOverflow)
CORVANE_NAMED_EXCEPTION(EPrivilege)
CORVANE_NAMED_EXCEPTION(ERangeError)
CORVANE_NAMED_EXCEPTION(EStackOverflow)
CORVANE_NAMED_EXCEPTION(EStringListError)
CORVANE_NAMED_EXCEPTION(EUnderflow)
CORVANE_NAMED_EXCEPTION(EZeroDivide)
#undef CORVANE_NAMED_EXCEPTION
struct EConvertErrorX : EConvertError {
  using EConvertError::EConvertError;
};
}  // namespace names

bool ReportableObject(Exception& E) {
  TContext Context;
  EXCEPTION_RECORD Record = MakeRecord(0x0EEDFADE, 2, reinterpret_cast<ULONG_PTR>(&E));
  TclExceptionInformation EI(&Context.Value, &Record);
  return IsReportableException(&EI);
}

TEST(WatcherTest, ReportableByExactClassName) {
  names::EAbstractError E1("x");
  names::EAccessViolation E2("x");
  names::EAssertionFailed E3("x");
  names::EDivByZero E4("x");
  names::EConvertError E5("x");
  names::EIntOverflow E6("x");
  names::EInvalidOp E7("x");
  names::EInvalidPointer E8("x");
  names::EListError E9("x");
  names::EOleException E10("x");
  names::EOSError E11("x");
  names::EOutOfMemory E12("x");
  names::EOverflow E13("x");
  names::EPrivilege E14("x");
  names::ERangeError E15("x");
  names::EStackOverflow E16("x");
  names::EStringListError E17("x");
  names::EUnderflow E18("x");
  names::EZeroDivide E19("x");
  Exception* Listed[] = {&E1, &E2, &E3, &E4, &E5, &E6, &E7, &E8, &E9, &E10,
                         &E11, &E12, &E13, &E14, &E15, &E16, &E17, &E18, &E19};
  for (Exception* E : Listed) {
    SCOPED_TRACE(ClassNameOf(typeid(*E)));
    EXPECT_TRUE(ReportableObject(*E));
  }
  names::EConvertErrorX Derived("x");
  Exception Plain("x");
  EXPECT_FALSE(ReportableObject(Derived));
  EXPECT_FALSE(ReportableObject(Plain));
}

TEST(WatcherTest, ReportableSystemExceptionsPassTheProgram) {
  TContext Program;
  RtlCaptureContext(&Program.Value);
  // A context in kernel32 over a zeroed stack: no frame of the program.
  std::vector<ULONG_PTR> ZeroStack(4096, 0);
  TContext System;
  const ULONG_PTR InKernel = reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount"));
  const ULONG_PTR Sp = reinterpret_cast<ULONG_PTR>(&ZeroStack[2048]);
  SetContextRegisters(System.Value, InKernel, Sp, Sp);
  struct TCase {
    const char* Name;
    DWORD Code;
    CONTEXT* Context;
    bool Reportable;
  };
  const TCase Cases[] = {
      {"access violation in the program", 0xC0000005, &Program.Value, true},
      {"stack overflow in the program", 0xC00000FD, &Program.Value, true},
      {"access violation in kernel32", 0xC0000005, &System.Value, false},
      {"unlisted code in the program", 0xE0000001, &Program.Value, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXCEPTION_RECORD Record = MakeRecord(C.Code);
    Record.ExceptionAddress = reinterpret_cast<void*>(ContextProgramCounter(*C.Context));
    TclExceptionInformation EI(C.Context, &Record);
    EXPECT_EQ(IsReportableException(&EI), C.Reportable);
  }
}

volatile int* volatile NullInt = nullptr;

TEST(WatcherTest, HookDropsFailuresOfItsEventsAndIgnoresNestedExceptions) {
  struct TCase {
    const char* Name;
    std::function<void()> Fail;
  };
  const TCase Cases[] = {
      {"throws", [] { throw Exception("in the event"); }},
      {"faults", [] { *NullInt = 1; }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TWatched W;
    W.Watcher.OnSystemException = [&](TObject*, TclExceptionInformation*, TclStackTracer*) {
      W.Events.push_back("system");
      if (W.Events.size() == 1) C.Fail();
    };
    TContext Context;
    EXCEPTION_RECORD Record = MakeRecord(0xC0000005);
    RaiseHook(&Context.Value, &Record);
    EXPECT_FALSE(ThreadInHandler());
    W.Now += 600;
    RaiseHook(&Context.Value, &Record);
    EXPECT_EQ(W.Events.size(), 2u);
  }
}

TEST(WatcherTest, NestedExceptionsInOneHandlingAreNotRecorded) {
  TWatched W;
  TContext Context;
  EXCEPTION_RECORD Outer = MakeRecord(0xC0000005);
  EXCEPTION_RECORD Inner1 = MakeRecord(0xC0000094);
  EXCEPTION_RECORD Inner2 = MakeRecord(0xC0000095);
  W.Watcher.OnSystemException = [&](TObject*, TclExceptionInformation*, TclStackTracer*) {
    W.Events.push_back("system");
    W.Now += 600;
    RaiseHook(&Context.Value, &Inner1);
    W.Now += 600;
    RaiseHook(&Context.Value, &Inner2);
    EXPECT_TRUE(ThreadInHandler());
  };
  RaiseHook(&Context.Value, &Outer);
  EXPECT_FALSE(ThreadInHandler());
  EXPECT_EQ(W.Events.size(), 1u);
  ASSERT_NE(W.Watcher.LastException(), nullptr);
  EXPECT_EQ(W.Watcher.LastException()->ExceptionCode(), 0xC0000005u);
}

TEST(WatcherTest, UnwindPassesAndThreadsWithoutWatcherAreNotWatched) {
  TWatched W;
  TContext Context;
  EXCEPTION_RECORD Record = MakeRecord(0xC0000005);
  Record.ExceptionFlags = EXCEPTION_UNWINDING;
  RaiseHook(&Context.Value, &Record);
  EXPECT_EQ(W.Watcher.LastException(), nullptr);
  W.Watcher.SetActive(false);
  Record.ExceptionFlags = 0;
  RaiseHook(&Context.Value, &Record);
  EXPECT_EQ(W.Watcher.LastException(), nullptr);
  EXPECT_EQ(ThreadExceptWatcher(), nullptr);
}

class TTarget : public TObject {
public:
  HRESULT SafeCallException(Exception* ExceptObject, void* ExceptAddr) override {
    ++Calls;
    Message = ExceptObject != nullptr ? ExceptObject->Message() : "";
    return E_INVALIDARG;
  }
  int Calls = 0;
  std::string Message;
};

TEST(WatcherTest, SafeCallFrames) {
  struct TCase {
    const char* Name;
    DWORD Code;
    bool Notify;
    HRESULT Result;
    int TargetCalls;
    const char* Event;
  };
  const TCase Cases[] = {
      {"system, target not notified", 0xC0000094, false, E_FAIL, 0, "system"},
      {"system, target notified", 0xC0000094, true, E_INVALIDARG, 1, "system"},
      {"language exception", 0x0EEDFADE, true, E_FAIL, 0, "delphi"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TWatched W;
    std::vector<std::string> Events;
    W.Watcher.OnSystemSafeCallException = [&](TObject*, TObject*, TclExceptionInformation*, bool& Notify,
                                              TclStackTracer*) {
      Events.push_back("system");
      Notify = C.Notify;
    };
    W.Watcher.OnDelphiSafeCallException = [&](TObject*, TObject*, Exception*, TclExceptionInformation*,
                                              TclStackTracer*) { Events.push_back("delphi"); };
    Exception Thrown("safe");
    TTarget Target;
    TContext Context;
    EXCEPTION_RECORD Record = MakeRecord(C.Code, 2, reinterpret_cast<ULONG_PTR>(&Thrown));
    EXPECT_EQ(SafeCallHook(&Target, &Context.Value, &Record), C.Result);
    EXPECT_EQ(Target.Calls, C.TargetCalls);
    if (C.TargetCalls > 0) {
      EXPECT_EQ(Target.Message, "Division by zero");
    }
    EXPECT_EQ(Events, std::vector<std::string>{C.Event});
  }
}

DWORD WINAPI ReadThreadWatcher(LPVOID Seen) {
  *static_cast<TclExceptWatcher**>(Seen) = ThreadExceptWatcher();
  return 0;
}

TEST(WatcherTest, ActivationBindsTheSettingThread) {
  TclExceptWatcher Watcher(nullptr);
  EXPECT_EQ(ThreadExceptWatcher(), &Watcher);
  TclExceptWatcher* SeenThere = &Watcher;
  HANDLE Thread = CreateThread(nullptr, 0, &ReadThreadWatcher, &SeenThere, 0, nullptr);
  WaitForSingleObject(Thread, INFINITE);
  CloseHandle(Thread);
  EXPECT_EQ(SeenThere, nullptr);
  Watcher.SetActive(false);
  EXPECT_EQ(ThreadExceptWatcher(), nullptr);
}

}  // namespace
