// The exception manager: dump file names, the error text, crash files and a folder that cannot hold
// them.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "ExceptionWatcher/hxException.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace {

class EFoo : public Exception {
public:
  using Exception::Exception;
};

const std::string cHeader =
    "Internal Application Problem\r\n"
    "We are sorry for inconvenience, but the application has encountered an unexpected error.\r\n"
    "The following details are the part of the event:\r\n";

TEST(ManagerTest, DumpFileNameFromTheProgramAndTheTime) {
  SYSTEMTIME Time{};
  Time.wYear = 2026;
  Time.wMonth = 12;
  Time.wDay = 9;
  Time.wHour = 9;
  Time.wMinute = 35;
  Time.wSecond = 7;
  Time.wMilliseconds = 42;
  EXPECT_EQ(ThxMiniDumpHelper::GetDumpFileName(Time), "crash_manager261209093507042.dmp");
}

TEST(ManagerTest, FormatErrorMessageGoldenTexts) {
  EFoo E("bar");
  EXPECT_EQ(ThxExceptionManager::FormatErrorMessage(E, nullptr, ""), cHeader + "EFoo: bar\r\n\r\n\r\n\r\n");
  TclStackFrames Frames;
  auto First = std::make_unique<TclStackFrame>();
  First->Address = 0x40123B;
  First->ModuleName = "C:\\Tools\\Corvane.exe";
  First->ProcName = "TfrmMain.Apply";
  auto Second = std::make_unique<TclStackFrame>();
  Second->Address = 0x7C80ABCD;
  Second->ModuleName = "C:\\WINDOWS\\system32\\kernel32.dll";
  Frames.Add(std::move(First));
  Frames.Add(std::move(Second));
  EXPECT_EQ(ThxExceptionManager::FormatErrorMessage(E, &Frames, "C:\\Tools\\Corvane261209093507042.dmp"),
            cHeader +
                "EFoo: bar\r\n\r\nCorvane261209093507042.dmp\r\n"
                "40123B: Corvane.exe - TfrmMain.Apply\r\n7C80ABCD: kernel32.dll - \r\n\r\n");
}

struct TManaged {
  TManaged() {
    Manager.SetExceptWatcher(&Watcher);
    Watcher.SetClock([this] { return Now += 1000; });
  }
  DWORD Now = 0;
  TclExceptWatcher Watcher{nullptr};
  ThxExceptionManager Manager{nullptr};
};

void RaiseRecorded(const Exception& E) {
  alignas(16) CONTEXT Context;
  RtlCaptureContext(&Context);
  EXCEPTION_RECORD Record{};
  Record.ExceptionCode = cLanguageExceptionCode;
  Record.NumberParameters = 2;
  Record.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(&E);
  RaiseHook(&Context, &Record);
}

TEST(ManagerTest, AReportableExceptionIsDumpedWhenRaised) {
  TTempDir Dir;
  TManaged M;
  M.Manager.SetDumpFolder(Dir.Folder());
  RaiseRecorded(EConvertError("'abc' is not a valid integer value"));
  ASSERT_FALSE(M.Manager.LastDumpFile().empty());
  EXPECT_EQ(ExtractFilePath(M.Manager.LastDumpFile()), Dir.Folder());
  EXPECT_EQ(FileBytesOr(M.Manager.LastDumpFile(), "").substr(0, 4), "MDMP");
  EXPECT_EQ(FileBytesOr(M.Manager.LastDumpFile() + ".txt", "<missing>"),
            "EConvertError: 'abc' is not a valid integer value\r\nDelphi Exception\r\n");
  EXPECT_EQ(Dir.Names().size(), 2u);
  // Dumped when raised: not again at the main window.
  EXPECT_EQ(M.Manager.DumpCurrentException(true), nullptr);
  EXPECT_TRUE(M.Manager.LastDumpFile().empty());
}

TEST(ManagerTest, AnUnlistedExceptionIsDumpedAtTheMainWindow) {
  TTempDir Dir;
  TManaged M;
  M.Manager.SetDumpFolder(Dir.Folder());
  RaiseRecorded(EFoo("bar"));
  EXPECT_TRUE(M.Manager.LastDumpFile().empty());
  EXPECT_TRUE(Dir.Names().empty());
  TclStackFrames* Frames = M.Manager.DumpCurrentException(true);
  ASSERT_NE(Frames, nullptr);
  EXPECT_GT(Frames->Count(), 0);
  EXPECT_EQ(FileBytesOr(M.Manager.LastDumpFile() + ".txt", "<missing>"), "EFoo: bar\r\nDelphi Exception\r\n");
}

TEST(ManagerTest, AFolderBelowARegularFileGetsNoDump) {
  TTempDir Dir;
  const std::string Blocker = Dir.File("blocker");
  HANDLE File = CreateFileA(Blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(File, INVALID_HANDLE_VALUE);
  CloseHandle(File);
  TManaged M;
  M.Manager.SetDumpFolder(Blocker + "\\sub\\");
  RaiseRecorded(EFoo("bar"));
  EXPECT_NE(M.Manager.DumpCurrentException(false), nullptr);
  EXPECT_TRUE(M.Manager.LastDumpFile().empty());
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"blocker"});
}

TEST(ManagerTest, TheWatcherGoingClearsTheManagersWatcher) {
  ThxExceptionManager Manager(nullptr);
  {
    TclExceptWatcher Watcher(nullptr);
    Manager.SetExceptWatcher(&Watcher);
    EXPECT_TRUE(static_cast<bool>(Watcher.OnDelphiException));
  }
  EXPECT_EQ(Manager.ExceptWatcher(), nullptr);
  EXPECT_EQ(Manager.DumpCurrentException(false), nullptr);
}

}  // namespace
