// Crash files, the error text and crash reporting's start and stop.
#include "ExceptionWatcher/hxException.h"

#include "ExceptionWatcher/clStackTracer.h"

#include <dbghelp.h>

#include <algorithm>
#include <exception>
#include <mutex>

namespace {

std::recursive_mutex& ManagerLock() {
  static std::recursive_mutex* Lock = new std::recursive_mutex;
  return *Lock;
}
TclExceptWatcher* ProgramExceptWatcher = nullptr;
ThxExceptionManager* ProgramExceptionManager = nullptr;

const char* const cDelphiTitle = "Delphi Exception";
const char* const cDelphiSafeCallTitle = "Delphi SafeCall Exception";
const char* const cSystemTitle = "System Exception";
const char* const cSystemSafeCallTitle = "System SafeCall Exception";
const char* const cMessageFormat =
    "Internal Application Problem\r\n"
    "We are sorry for inconvenience, but the application has encountered an unexpected error.\r\n"
    "The following details are the part of the event:\r\n"
    "%0:s\r\n"
    "%1:s\r\n"
    "%2:s\r\n"
    "%3:s\r\n";

std::string ProgramFileName() {
  char Name[MAX_PATH + 1] = {};
  const DWORD Len = GetModuleFileNameA(nullptr, Name, MAX_PATH);
  return std::string(Name, Len);
}

bool ForceDirectories(const std::string& Dir) {
  const std::string Path = ExcludeTrailingPathDelimiter(Dir);
  if (Path.empty() || DirectoryExists(Path)) return true;
  const std::string Parent = ExtractFileDir(Path);
  if (Parent == Path) return false;
  if (!ForceDirectories(Parent)) return false;
  return CreateDirectoryA(Path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

LONG WINAPI OutermostFilter(EXCEPTION_POINTERS* Pointers) {
  const DWORD Code = Pointers->ExceptionRecord->ExceptionCode;
  if (Code != EXCEPTION_STACK_OVERFLOW) CallRaiseHook(Pointers->ContextRecord, Pointers->ExceptionRecord);
  TerminateProcess(GetCurrentProcess(), Code);
  return EXCEPTION_EXECUTE_HANDLER;
}

void TerminateQuietly() { TerminateProcess(GetCurrentProcess(), 3); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// ThxExceptionManager

ThxExceptionManager::ThxExceptionManager(TComponent* AOwner)
    : TComponent(AOwner), FDumpFolder(ExtractFilePath(ExpandFileName(ProgramFileName()))) {}

ThxExceptionManager::~ThxExceptionManager() { SetExceptWatcher(nullptr); }

void ThxExceptionManager::SetExceptWatcher(TclExceptWatcher* Value) {
  if (FExceptWatcher != nullptr) {
    FExceptWatcher->RemoveFreeNotification(this);
    FExceptWatcher->OnDelphiException = nullptr;
    FExceptWatcher->OnSystemException = nullptr;
    FExceptWatcher->OnDelphiSafeCallException = nullptr;
    FExceptWatcher->OnSystemSafeCallException = nullptr;
  }
  FExceptWatcher = Value;
  if (Value == nullptr) return;
  Value->FreeNotification(this);
  Value->OnDelphiException = [this](TObject* S, Exception* E, TclExceptionInformation* EI, TclStackTracer* T) {
    HandleDelphiException(S, E, EI, T);
  };
  Value->OnSystemException = [this](TObject* S, TclExceptionInformation* EI, TclStackTracer* T) {
    HandleSystemException(S, EI, T);
  };
  Value->OnDelphiSafeCallException = [this](TObject* S, TObject* Target, Exception* E, TclExceptionInformation* EI,
                                            TclStackTracer* T) { HandleDelphiSafeCallException(S, Target, E, EI, T); };
  Value->OnSystemSafeCallException = [this](TObject* S, TObject* Target, TclExceptionInformation* EI, bool& Notify,
                                            TclStackTracer* T) {
    HandleSystemSafeCallException(S, Target, EI, Notify, T);
  };
}

void ThxExceptionManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FExceptWatcher) SetExceptWatcher(nullptr);
}

void ThxExceptionManager::RebindWatcher() {
  if (FExceptWatcher == nullptr || !FExceptWatcher->Active()) return;
  FExceptWatcher->SetActive(false);
  FExceptWatcher->SetActive(true);
}

void ThxExceptionManager::DumpReportable(TclExceptionInformation* EI, TclStackTracer* StackTracer,
                                         const std::string& Title) {
  FLastDumpFile.clear();
  if (!IsReportableException(EI)) return;
  OutputExceptionInfo(EI, StackTracer);
  const std::string FileName = FDumpFolder + ThxMiniDumpHelper::GetDumpFileName();
  if (ThxMiniDumpHelper::WriteDump(FileName, Title, EI)) FLastDumpFile = FileName;
}

void ThxExceptionManager::HandleDelphiException(TObject* Sender, Exception* E, TclExceptionInformation* EI,
                                                TclStackTracer* StackTracer) {
  DumpReportable(EI, StackTracer, cDelphiTitle);
}

void ThxExceptionManager::HandleDelphiSafeCallException(TObject* Sender, TObject* Target, Exception* E,
                                                        TclExceptionInformation* EI, TclStackTracer* StackTracer) {
  DumpReportable(EI, StackTracer, cDelphiSafeCallTitle);
}

void ThxExceptionManager::HandleSystemException(TObject* Sender, TclExceptionInformation* EI,
                                                TclStackTracer* StackTracer) {
  DumpReportable(EI, StackTracer, cSystemTitle);
}

void ThxExceptionManager::HandleSystemSafeCallException(TObject* Sender, TObject* Target, TclExceptionInformation* EI,
                                                        bool& NotifyTarget, TclStackTracer* StackTracer) {
  DumpReportable(EI, StackTracer, cSystemSafeCallTitle);
}

TclStackFrames* ThxExceptionManager::DumpCurrentException(bool SkipReportable) {
  FLastDumpFile.clear();
  if (FExceptWatcher == nullptr) return nullptr;
  TclExceptionInformation* EI = FExceptWatcher->LastException();
  if (EI == nullptr) return nullptr;
  if (SkipReportable && IsReportableException(EI)) return nullptr;
  TclStackTracer* Tracer = FExceptWatcher->GetStackTracer();
  OutputExceptionInfo(EI, Tracer);  // walks the stack into the tracer's frames
  TclStackFrames* Frames = Tracer->Frames();
  const std::string FileName = FDumpFolder + ThxMiniDumpHelper::GetDumpFileName();
  if (ThxMiniDumpHelper::WriteDump(FileName, cDelphiTitle, EI)) FLastDumpFile = FileName;
  return Frames;
}

std::string ThxExceptionManager::FormatErrorMessage(const Exception& E, TclStackFrames* Frames,
                                                    const std::string& DumpFile, int ShownFrames) {
  const std::string Msg = Format("%s: %s", {ClassNameOf(typeid(E)), E.Message()});
  std::string Trace;
  const int Count = Frames != nullptr ? Frames->Count() : 0;
  const int Shown = std::max(0, std::min(ShownFrames, Count));
  for (int I = 0; I < Shown; ++I) Trace += FormatFrame(*Frames->Items(I)) + "\r\n";
  if (Shown < Count) Trace += Format("(%d more frames not shown)\r\n", {Count - Shown});
  return Format(cMessageFormat, {Msg, "", ExtractFileName(DumpFile), Trace});
}

// ---------------------------------------------------------------------------------------------
// ThxMiniDumpHelper

namespace {

struct TDumpJob {
  HANDLE Process;
  HANDLE File;
  MINIDUMP_EXCEPTION_INFORMATION Info;
};

constexpr DWORD DumpWriterTimeout = 60000;

DWORD WINAPI WriteDumpThread(LPVOID Param) {
  auto* Job = static_cast<TDumpJob*>(Param);
  MiniDumpWriteDump(Job->Process, GetCurrentProcessId(), Job->File, MiniDumpNormal, &Job->Info, nullptr, nullptr);
  return 0;
}

}  // namespace

std::string ThxMiniDumpHelper::GetDumpFileName(const SYSTEMTIME& Time) {
  const std::string Base = ChangeFileExt(ExtractFileName(ProgramFileName()), "");
  return Base +
         Format("%.2d%.2d%.2d%.2d%.2d%.2d%.3d", {Time.wYear % 100, int(Time.wMonth), int(Time.wDay), int(Time.wHour),
                                                  int(Time.wMinute), int(Time.wSecond), int(Time.wMilliseconds)}) +
         ".dmp";
}

std::string ThxMiniDumpHelper::GetDumpFileName() {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  return GetDumpFileName(Now);
}

bool ThxMiniDumpHelper::WriteDump(const std::string& FileName, const std::string& Title, TclExceptionInformation* EI) {
  if (EI == nullptr) return false;
  EXCEPTION_POINTERS Pointers{EI->ExceptionRecord(), EI->Context()};
  std::string Text = EI->HasClass() ? EI->ExceptClassName() + ": " + EI->ExceptMessage()
                                    : "Code: " + IntToHex(EI->ExceptionCode(), 8);
  if (!Title.empty()) {
    if (!Text.empty()) Text += "\r\n";
    Text += Title;
  }
  return WriteMiniDump(FileName, &Pointers, Text);
}

bool ThxMiniDumpHelper::WriteMiniDump(const std::string& FileName, EXCEPTION_POINTERS* ExceptionPointers,
                                      const std::string& Text) {
  ForceDirectories(ExtractFilePath(FileName));
  const HANDLE File =
      CreateFileA(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return false;
  // Written by a thread of its own while the faulting one waits: the writer suspends every other thread
  // to read its context, and a thread that dumps itself can wait there on a lock a suspended thread holds.
  // A writer that does not finish in time is abandoned with its job (it may still use the file).
  // The waiting thread holds the dbghelp lock for it: no other thread's walk meets the writer.
  JoinSymbolWarmUp();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  auto* Job = new TDumpJob{DumpProcessHandle(), File, {GetCurrentThreadId(), ExceptionPointers, TRUE}};
  const HANDLE Writer = CreateThread(nullptr, 0, &WriteDumpThread, Job, 0, nullptr);
  if (Writer == nullptr) {
    delete Job;
    CloseHandle(File);
    return false;
  }
  const bool Finished = WaitForSingleObject(Writer, DumpWriterTimeout) == WAIT_OBJECT_0;
  CloseHandle(Writer);
  if (!Finished) return false;
  delete Job;
  CloseHandle(File);
  if (!Text.empty()) {
    TStringList Lines;
    Lines.SetText(Text);
    Lines.SaveToFile(FileName + ".txt");
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// The program's manager

ThxExceptionManager* GetExceptionManager() {
  std::lock_guard<std::recursive_mutex> Guard(ManagerLock());
  return ProgramExceptionManager;
}

void StartCrashReporting() {
  SetUnhandledExceptionFilter(&OutermostFilter);
  std::set_terminate(&TerminateQuietly);
  auto Watcher = new TclExceptWatcher(nullptr);
  auto Manager = new ThxExceptionManager(nullptr);
  Manager->SetExceptWatcher(Watcher);
  {
    std::lock_guard<std::recursive_mutex> Guard(ManagerLock());
    ProgramExceptWatcher = Watcher;
    ProgramExceptionManager = Manager;
  }
  GetExceptionManager()->RebindWatcher();
  SetRaiseHook(&RaiseHook);
}

void StopCrashReporting() {
  SetRaiseHook(nullptr);
  std::lock_guard<std::recursive_mutex> Guard(ManagerLock());
  delete ProgramExceptWatcher;  // the manager's notification clears its watcher
  ProgramExceptWatcher = nullptr;
  delete ProgramExceptionManager;
  ProgramExceptionManager = nullptr;
  CleanupSymbolSession();
}
