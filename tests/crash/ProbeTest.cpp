// crashprobe.exe run alone in a fresh folder per case, started by CreateProcess: its crash files,
// its exit code, what its exception handler got, and what a debugger reads of a crash report.
#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "tests/support/Files.h"
#include "tests/support/Minidump.h"
#include "tests/support/TempDir.h"

namespace {

std::string ProbeSource() {
  char Name[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, Name, MAX_PATH);
  return ExtractFilePath(Name) + "crashprobe.exe";
}

struct TRun {
  DWORD ExitCode = 0xFFFFFFFF;
  std::string Record;
  std::vector<std::string> Dumps;  // crashprobe<15 digits>.dmp files, full names
  std::vector<std::string> Others; // every other name beside the program
};

// A copy of crashprobe.exe started in Dir for Case, writing its record to RecordFile.
bool StartProbe(const TTempDir& Dir, const std::string& Case, const std::string& RecordFile, DWORD Flags,
                PROCESS_INFORMATION& Process) {
  const std::string Program = Dir.File("crashprobe.exe");
  if (!CopyFileA(ProbeSource().c_str(), Program.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy crashprobe.exe: " << GetLastError();
    return false;
  }
  std::string CommandLine = "\"" + Program + "\" " + Case + " \"" + RecordFile + "\"";
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  if (!CreateProcessA(Program.c_str(), &CommandLine[0], nullptr, nullptr, FALSE, Flags, nullptr, Dir.Path().c_str(),
                      &Startup, &Process)) {
    ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
    return false;
  }
  return true;
}

TRun RunProbe(const TTempDir& Dir, const std::string& Case, DWORD TimeoutMs = 60000) {
  TRun Run;
  TTempDir RecordDir("crashprobe_record");
  const std::string RecordFile = RecordDir.File("record.txt");
  PROCESS_INFORMATION Process{};
  if (!StartProbe(Dir, Case, RecordFile, 0, Process)) return Run;
  if (WaitForSingleObject(Process.hProcess, TimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(Process.hProcess, 99);
    WaitForSingleObject(Process.hProcess, 5000);
    ADD_FAILURE() << Case << " did not end";
  }
  GetExitCodeProcess(Process.hProcess, &Run.ExitCode);
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
  Run.Record = FileBytesOr(RecordFile, "");
  const std::regex DumpName("crashprobe[0-9]{15}\\.dmp");
  for (const std::string& Name : Dir.Names()) {
    if (Name == "crashprobe.exe") continue;
    if (std::regex_match(Name, DumpName))
      Run.Dumps.push_back(Dir.File(Name));
    else
      Run.Others.push_back(Name);
  }
  return Run;
}

// Exactly one dump with its text report, holding Code; the report's text.
std::string ExpectOneDump(const TRun& Run, DWORD Code) {
  EXPECT_EQ(Run.Dumps.size(), 1u);
  if (Run.Dumps.size() != 1) return "";
  EXPECT_EQ(FileBytesOr(Run.Dumps[0], "").substr(0, 4), "MDMP");
  EXPECT_EQ(DumpExceptionCode(Run.Dumps[0]), Code);
  EXPECT_EQ(Run.Others, std::vector<std::string>{ExtractFileName(Run.Dumps[0]) + ".txt"});
  return FileBytesOr(Run.Dumps[0] + ".txt", "<no report>");
}

std::string Hex(ULONG_PTR Value) {
  return IntToHex(static_cast<unsigned long long>(Value), static_cast<int>(sizeof(void*) * 2));
}

TEST(ProbeTest, ConvertErrorCaughtSilentlyIsDumped) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "convert-silent");
  EXPECT_EQ(Run.ExitCode, 0u);
  EXPECT_EQ(ExpectOneDump(Run, 0x0EEDFADE), "EConvertError: 'abc' is not a valid integer value\r\nDelphi Exception\r\n");
}

TEST(ProbeTest, AccessViolationInAWindowProcedure) {
  struct TCase {
    const char* Name;
    std::string Text;  // after "Access violation at address ", a regular expression
  };
  const TCase Cases[] = {
      {"av-in-window", "[0-9A-F]+: write of address " + Hex(0)},
      {"call-null-in-window", Hex(0) + ": execute of address " + Hex(0)},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TTempDir Dir;
    const TRun Run = RunProbe(Dir, C.Name);
    EXPECT_EQ(Run.ExitCode, 0u);
    EXPECT_EQ(ExpectOneDump(Run, 0xC0000005), "Code: C0000005\r\nSystem Exception\r\n");
    const std::regex Handled("destructor ran\nHandleException: EAccessViolation: Access violation at address " +
                             C.Text + "\nwatcher: C0000005\n");
    EXPECT_TRUE(std::regex_match(Run.Record, Handled)) << Run.Record;
  }
}

TEST(ProbeTest, AFaultThatTheSystemHandlesLeavesNothing) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "av-handled-by-system");
  EXPECT_EQ(Run.ExitCode, 0u);
  EXPECT_TRUE(Run.Dumps.empty());
  EXPECT_TRUE(Run.Others.empty());
  EXPECT_EQ(Run.Record, "watcher: nothing\n");
}

TEST(ProbeTest, AFaultInASystemLibraryIsDumpedAndEndsTheProcess) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "av-in-syslib");
  EXPECT_EQ(Run.ExitCode, 0xC0000005u);
  ExpectOneDump(Run, 0xC0000005);
}

TEST(ProbeTest, StackOverflowEndsTheProcessWithItsCode) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "stack-overflow");
  EXPECT_EQ(Run.ExitCode, 0xC00000FDu);
  EXPECT_TRUE(Run.Dumps.empty());
}

TEST(ProbeTest, AnOwnErrorIsDumpedAtTheMainWindowWithItsThrower) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "own-error");
  EXPECT_EQ(Run.ExitCode, 0u);
  EXPECT_EQ(ExpectOneDump(Run, 0x0EEDFADE), "EProbeError: boom\r\nDelphi Exception\r\n");
  ASSERT_EQ(Run.Dumps.size(), 1u);
  const std::regex Expected("frames: [0-9]+\nframe: probe_thrower\nframe: probe_caller\n(frame: [^\n]*\n)*"
                            "LastDumpFile: (.*)\nwatcher: 0EEDFADE\n");
  std::smatch Match;
  ASSERT_TRUE(std::regex_match(Run.Record, Match, Expected)) << Run.Record;
  EXPECT_TRUE(AnsiSameText(Match[2].str(), Run.Dumps[0])) << Match[2].str();
}

TEST(ProbeTest, AReportableExceptionIsNotDumpedAgainAtTheMainWindow) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "reportable-then-main");
  EXPECT_EQ(Run.ExitCode, 0u);
  ExpectOneDump(Run, 0x0EEDFADE);
  EXPECT_EQ(Run.Record, "frames: nil\nLastDumpFile: \nwatcher: 0EEDFADE\n");
}

TEST(ProbeTest, AnotherThreadIsNotWatched) {
  TTempDir Dir;
  const TRun Run = RunProbe(Dir, "other-thread");
  EXPECT_EQ(Run.ExitCode, 0u);
  EXPECT_TRUE(Run.Dumps.empty());
  EXPECT_TRUE(Run.Others.empty());
  EXPECT_EQ(Run.Record, "watcher: nothing\n");
}

TEST(ProbeTest, ADebuggerReadsTheCrashDetails) {
  TTempDir Dir;
  TTempDir RecordDir("crashprobe_record");
  PROCESS_INFORMATION Process{};
  ASSERT_TRUE(StartProbe(Dir, "convert-silent", RecordDir.File("record.txt"), DEBUG_ONLY_THIS_PROCESS, Process));
  std::vector<std::string> Lines;
  const DWORD Start = GetTickCount();
  for (bool Done = false; !Done && GetTickCount() - Start < 30000;) {
    DEBUG_EVENT Event;
    if (!WaitForDebugEvent(&Event, 1000)) continue;
    DWORD Status = DBG_CONTINUE;
    switch (Event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: {
        std::string Text(Event.u.DebugString.nDebugStringLength, '\0');
        SIZE_T Read = 0;
        ReadProcessMemory(Process.hProcess, Event.u.DebugString.lpDebugStringData, &Text[0], Text.size(), &Read);
        Text.resize(Read);
        while (!Text.empty() && (Text.back() == '\0' || Text.back() == '\n' || Text.back() == '\r')) Text.pop_back();
        Lines.push_back(Text);
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        if (Event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) Status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (Event.u.LoadDll.hFile != nullptr) CloseHandle(Event.u.LoadDll.hFile);
        break;
      case CREATE_PROCESS_DEBUG_EVENT:
        if (Event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(Event.u.CreateProcessInfo.hFile);
        break;
      case EXIT_PROCESS_DEBUG_EVENT: Done = true; break;
      default: break;
    }
    ContinueDebugEvent(Event.dwProcessId, Event.dwThreadId, Status);
  }
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
  ASSERT_GE(Lines.size(), 4u);
  EXPECT_EQ(Lines[0], "Exception code: 0EEDFADE");
  EXPECT_EQ(Lines[1], "EConvertError: 'abc' is not a valid integer value");
  EXPECT_EQ(Lines[2], "------------");
  EXPECT_EQ(Lines.back(), "------------");
  const std::regex Frame("[0-9A-F]+: crashprobe\\.exe - (.*)");
  bool NamesThrower = false;
  for (size_t I = 3; I + 1 < Lines.size(); ++I) {
    std::smatch Match;
    // StrToInt's raise of EConvertError, inlined into it or not.
    if (std::regex_match(Lines[I], Match, Frame) && (Match[1].str().find("StrToInt") != std::string::npos ||
                                                     Match[1].str().find("InvalidInteger") != std::string::npos))
      NamesThrower = true;
  }
  EXPECT_TRUE(NamesThrower) << "no frame names the thrower";
}

}  // namespace
