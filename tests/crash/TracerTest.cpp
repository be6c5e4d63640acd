// The stack tracer: walks of real and crafted contexts, symbol names and lines, the search path and
// the process's one symbol session.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "ExceptionWatcher/clExWatcher.h"

// Every instruction of this function lies on one line.
extern "C" __attribute__((noinline)) int named_probe_fn(int X) { return X * 3 + static_cast<int>(GetTickCount() & 1); } constexpr int cNamedProbeLine = __LINE__;

namespace {

struct TContext {
  alignas(16) CONTEXT Value{};
};

std::string ModuleFile(const std::string& Name) { return ExtractFileName(Name); }

TEST(TracerTest, CraftedContexts) {
  TclDbgHelpStackTracer Tracer;
  EXPECT_EQ(Tracer.BuildFrames(nullptr, 0x1234)->Count(), 0);

  std::vector<ULONG_PTR> ZeroStack(4096, 0);
  const ULONG_PTR Sp = reinterpret_cast<ULONG_PTR>(&ZeroStack[2048]);
  const ULONG_PTR InKernel =
      reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount"));
  struct TCase {
    const char* Name;
    ULONG_PTR Pc;
    const char* Module;
    ULONG_PTR Address;
  };
  const TCase Cases[] = {
      {"kernel32, frame pointer 0", InKernel, "kernel32.dll", InKernel - 5},
      {"address 0x10", 0x10, "", 0x10},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TContext Context;
    SetContextRegisters(Context.Value, C.Pc, Sp, 0);
    TclStackFrames* Frames = Tracer.BuildFrames(&Context.Value, C.Pc);
    ASSERT_EQ(Frames->Count(), 1);
    EXPECT_EQ(AnsiLowerCase(ModuleFile(Frames->Items(0)->ModuleName)), C.Module);
    EXPECT_EQ(Frames->Items(0)->Address, C.Address);
    EXPECT_EQ(Frames->Items(0)->ModuleHandle == 0, C.Module[0] == '\0');
  }
}

__attribute__((noinline)) int Recurse(int Depth, TclStackTracer& Tracer, int& Count) {
  if (Depth == 0) {
    TContext Context;
    RtlCaptureContext(&Context.Value);
    Count = Tracer.BuildFrames(&Context.Value, 0)->Count();
    return Count;
  }
  return Recurse(Depth - 1, Tracer, Count) + static_cast<int>(GetTickCount() & 1);
}

TEST(TracerTest, AWalkStopsAt100Frames) {
  TclDbgHelpStackTracer Tracer;
  int Count = 0;
  Recurse(150, Tracer, Count);
  EXPECT_EQ(Count, 100);
  Recurse(5, Tracer, Count);
  EXPECT_GT(Count, 5);
  EXPECT_LT(Count, 100);
}

TEST(TracerTest, NamesAndLinesOfTheProgram) {
  TclDbgHelpStackTracer Tracer;
  const ULONG_PTR Address = reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1;
  std::string Name;
  Tracer.GetProcName(Address, Name);
  EXPECT_EQ(Name, "named_probe_fn");
  int Line = 0;
  std::string File;
  Tracer.GetLineInfo(Address, Line, File);
  EXPECT_EQ(Line, cNamedProbeLine);
  EXPECT_EQ(ExtractFileName(File), "TracerTest.cpp");
}

// A return address is the byte after its call: after a call that never returns, the next function's
// first byte, which names the caller's frame only through the byte before it.
TEST(TracerTest, AFrameIsNamedByTheByteBeforeItsReturnAddress) {
  TclDbgHelpStackTracer Tracer;
  // No local variable holds the function's address: its debug record would name that address.
  struct TCase {
    const char* Name;
    ULONG_PTR Address;
    bool Named;
  };
  const TCase Cases[] = {{"second byte", reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1, true},
                         {"first byte", reinterpret_cast<ULONG_PTR>(&named_probe_fn), false}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TclStackFrame Frame;
    Frame.Address = C.Address;
    Tracer.FillFrameInfo(&Frame);
    EXPECT_EQ(Frame.ProcName == "named_probe_fn", C.Named) << Frame.ProcName;
    EXPECT_EQ(Frame.Address, C.Address - 5);
    EXPECT_EQ(Frame.ModuleHandle, reinterpret_cast<ULONG_PTR>(GetModuleHandleA(nullptr)));
  }
}

TEST(TracerTest, ATemporaryTracerLeavesTheSessionToTheWatcher) {
  TclExceptWatcher Watcher(nullptr);
  std::string Name;
  Watcher.GetStackTracer()->GetProcName(reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1, Name);
  ASSERT_EQ(Name, "named_probe_fn");
  { TclDbgHelpStackTracer Temporary; }
  Name.clear();
  Watcher.GetStackTracer()->GetProcName(reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1, Name);
  EXPECT_EQ(Name, "named_probe_fn");
}

int ThreadsOfThisProcess() {
  const HANDLE Snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (Snapshot == INVALID_HANDLE_VALUE) return -1;
  int Count = 0;
  THREADENTRY32 Entry{};
  Entry.dwSize = sizeof(Entry);
  for (BOOL More = Thread32First(Snapshot, &Entry); More; More = Thread32Next(Snapshot, &Entry))
    if (Entry.th32OwnerProcessID == GetCurrentProcessId()) ++Count;
  CloseHandle(Snapshot);
  return Count;
}

// The warm-up reads the symbols in a thread of its own (under Wine the session alone takes some
// 100 ms); a tracer made meanwhile waits until that thread has ended, then names the program's code.
TEST(TracerTest, ATracerWaitsForTheWarmUpThreadToEnd) {
  CleanupSymbolSession();
  const int Before = ThreadsOfThisProcess();
  ASSERT_GT(Before, 0);
  StartSymbolWarmUp();
  EXPECT_EQ(ThreadsOfThisProcess(), Before + 1);
  TclDbgHelpStackTracer Tracer;
  EXPECT_EQ(ThreadsOfThisProcess(), Before);
  std::string Name;
  Tracer.GetProcName(reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1, Name);
  EXPECT_EQ(Name, "named_probe_fn");
  int Count = 0;
  Recurse(3, Tracer, Count);
  EXPECT_GT(Count, 3);
}

// Under Wine a read of the process's memory through the server stops its first thread, and one
// stopped inside a request larger than the server's pipe ends the process: the warm-up reads none,
// so the first thread's large registry writes meanwhile go through.
TEST(TracerTest, LargeRequestsOfTheFirstThreadWhileTheWarmUpReads) {
  CleanupSymbolSession();
  HKEY Key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\CorvaneTracerTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &Key, nullptr),
            ERROR_SUCCESS);
  const std::string Big(200000, 'x');
  const int Before = ThreadsOfThisProcess();
  StartSymbolWarmUp();
  int Writes = 0;
  while (ThreadsOfThisProcess() > Before && Writes < 5000) {
    EXPECT_EQ(RegSetValueExA(Key, "Big", 0, REG_SZ, reinterpret_cast<const BYTE*>(Big.c_str()),
                             static_cast<DWORD>(Big.size() + 1)),
              ERROR_SUCCESS);
    ++Writes;
  }
  JoinSymbolWarmUp();
  RegCloseKey(Key);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\CorvaneTracerTest");
  EXPECT_GT(Writes, 0);
  TclDbgHelpStackTracer Tracer;
  std::string Name;
  Tracer.GetProcName(reinterpret_cast<ULONG_PTR>(&named_probe_fn) + 1, Name);
  EXPECT_EQ(Name, "named_probe_fn");
}

TEST(TracerTest, SymbolSearchPathFromTheEnvironment) {
  const char* Names[] = {"_NT_SYMBOL_PATH", "_NT_ALT_SYMBOL_PATH", "SystemRoot"};
  std::string Saved[3];
  for (int I = 0; I < 3; ++I) {
    char Buffer[1024] = {};
    GetEnvironmentVariableA(Names[I], Buffer, sizeof(Buffer));
    Saved[I] = Buffer;
  }
  char Program[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, Program, MAX_PATH);
  const std::string Folder = ExcludeTrailingPathDelimiter(ExtractFilePath(Program));
  struct TCase {
    const char* Values[3];
    std::string Expected;
  };
  const TCase Cases[] = {
      {{nullptr, nullptr, nullptr}, Folder + ";" + Folder},
      {{nullptr, nullptr, "C:\\WINDOWS"}, "C:\\WINDOWS;" + Folder + ";" + Folder},
      {{"srv*C:\\sym", "C:\\alt", "C:\\WINDOWS"}, "srv*C:\\sym;C:\\alt;C:\\WINDOWS;" + Folder + ";" + Folder},
  };
  for (const TCase& C : Cases) {
    for (int I = 0; I < 3; ++I) SetEnvironmentVariableA(Names[I], C.Values[I]);
    EXPECT_EQ(BuildSymbolSearchPath(), C.Expected);
  }
  for (int I = 0; I < 3; ++I) SetEnvironmentVariableA(Names[I], Saved[I].empty() ? nullptr : Saved[I].c_str());
}

}  // namespace
