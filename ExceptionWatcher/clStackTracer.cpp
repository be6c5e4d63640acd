// Stack walks and symbol look-ups through dbghelp.
#include "ExceptionWatcher/clStackTracer.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "ExceptionWatcher/clExWatcher.h"
#include "ExceptionWatcher/clExceptInfo.h"
#include "classlib/core/SysFaults.h"

namespace {

constexpr int cMaxFrames = 100;
constexpr DWORD cSymOptionsStart = SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES;
constexpr DWORD cSymOptionsRun = SYMOPT_UNDNAME | SYMOPT_LOAD_LINES;
#ifdef _WIN64
constexpr DWORD cMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr DWORD cMachine = IMAGE_FILE_MACHINE_I386;
#endif

// The tracer's symbol session is keyed by a value that is no handle, so dbghelp takes the process
// for one it cannot read: every module comes from its file, registered when a walk or a look-up
// meets it, and no session call reads the process's memory through the server. Under Wine such a
// read stops the process's first thread, and one stopped inside a large server request ends the
// process; a session of the live process would also register every module at once (over a second).
const HANDLE TraceSession = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5E55105));
bool SessionOpen = false;
HANDLE DumpHandle = nullptr;
std::atomic<HANDLE> WarmUpThread{nullptr};
std::atomic<DWORD> WarmUpThreadId{0};
// The exception whose stack copy the walk in progress reads.
const TclExceptionInformation* WalkStackSource = nullptr;

void OpenSymbolSession() {
  JoinSymbolWarmUp();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  if (SessionOpen) return;
  SymSetOptions(cSymOptionsStart);
  const std::string Path = BuildSymbolSearchPath();
  SymInitialize(TraceSession, Path.c_str(), FALSE);
  SymSetOptions(cSymOptionsRun);
  SessionOpen = true;
}

std::string FolderOf(HMODULE Module) {
  char Name[MAX_PATH + 1] = {};
  const DWORD Len = GetModuleFileNameA(Module, Name, MAX_PATH);
  std::string Result(Name, Len);
  const size_t Slash = Result.rfind('\\');
  return Slash == std::string::npos ? std::string() : Result.substr(0, Slash);
}

std::string EnvironmentValue(const char* Name) {
  char Buffer[4096];
  const DWORD Len = GetEnvironmentVariableA(Name, Buffer, sizeof(Buffer));
  return Len > 0 && Len < sizeof(Buffer) ? std::string(Buffer, Len) : std::string();
}

// Copies Size bytes of this process's memory at Base when every page of the range is committed and
// readable. The walk reads its own process directly: under Wine a read through the server stops the
// process's first thread and costs a round trip each.
bool CopyOwnMemory(DWORD64 Base, PVOID Buffer, DWORD Size) {
  constexpr DWORD Readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                             PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  const ULONG_PTR Start = static_cast<ULONG_PTR>(Base);
  if (Start != Base || Start + Size < Start) return false;
  for (ULONG_PTR At = Start; At < Start + Size;) {
    MEMORY_BASIC_INFORMATION Info;
    if (VirtualQuery(reinterpret_cast<LPCVOID>(At), &Info, sizeof(Info)) == 0) return false;
    if (Info.State != MEM_COMMIT || (Info.Protect & PAGE_GUARD) || !(Info.Protect & Readable)) return false;
    At = reinterpret_cast<ULONG_PTR>(Info.BaseAddress) + Info.RegionSize;
  }
  std::memcpy(Buffer, reinterpret_cast<const void*>(Start), Size);
  return true;
}

BOOL CALLBACK ReadWalkMemory(HANDLE, DWORD64 Base, PVOID Buffer, DWORD Size, LPDWORD Read) {
  const TclExceptionInformation* Source = WalkStackSource;
  if (Source != nullptr && !Source->StackCopy().empty()) {
    const DWORD64 Start = Source->StackStart();
    const DWORD64 End = Start + Source->StackCopy().size();
    if (Base >= Start && Base + Size <= End) {
      std::memcpy(Buffer, Source->StackCopy().data() + (Base - Start), Size);
      if (Read != nullptr) *Read = Size;
      return TRUE;
    }
  }
  const bool Copied = CopyOwnMemory(Base, Buffer, Size);
  if (Read != nullptr) *Read = Copied ? Size : 0;
  return Copied;
}

// Makes sure the symbols of the module holding Address are loaded. A module the session knows is
// not loaded again: under Wine each load call rereads the process's module list (some 30 ms).
void LoadModuleSymbols(ULONG_PTR Address) {
  if (SymGetModuleBase64(TraceSession, Address) != 0) return;
  MEMORY_BASIC_INFORMATION Info;
  if (VirtualQuery(reinterpret_cast<LPCVOID>(Address), &Info, sizeof(Info)) == 0) return;
  char Name[MAX_PATH + 1] = {};
  if (GetModuleFileNameA(static_cast<HMODULE>(Info.AllocationBase), Name, MAX_PATH) == 0) return;
  SymLoadModule64(TraceSession, nullptr, Name, nullptr, reinterpret_cast<DWORD64>(Info.AllocationBase), 0);
}

// The walk's module look-ups: a module the session does not know yet is registered first.
DWORD64 CALLBACK WalkModuleBase(HANDLE Process, DWORD64 Address) {
  LoadModuleSymbols(static_cast<ULONG_PTR>(Address));
  return SymGetModuleBase64(Process, Address);
}

PVOID CALLBACK WalkFunctionTable(HANDLE Process, DWORD64 Address) {
  LoadModuleSymbols(static_cast<ULONG_PTR>(Address));
  return SymFunctionTableAccess64(Process, Address);
}

// The symbols a trace through the message loop needs: the program's first (under Wine reading its
// debug information takes about a second), then the system modules of such a trace.
DWORD WINAPI WarmUp(LPVOID) {
  try {
    std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
    OpenSymbolSession();
    const char* const Modules[] = {nullptr, "user32.dll", "comctl32.dll", "kernel32.dll", "ntdll.dll"};
    for (const char* Name : Modules)
      if (const HMODULE Module = GetModuleHandleA(Name)) LoadModuleSymbols(reinterpret_cast<ULONG_PTR>(Module));
  } catch (...) {
    // A trace reads what is missing itself.
  }
  return 0;
}

}  // namespace

void JoinSymbolWarmUp() {
  const HANDLE Thread = WarmUpThread;
  if (Thread == nullptr || GetCurrentThreadId() == WarmUpThreadId) return;
  WaitForSingleObject(Thread, INFINITE);
}

void StartSymbolWarmUp() {
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  if (WarmUpThread != nullptr || SessionOpen) return;
  DWORD Id = 0;
  const HANDLE Thread = CreateThread(nullptr, 0, &WarmUp, nullptr, CREATE_SUSPENDED, &Id);
  if (Thread == nullptr) return;
  WarmUpThreadId = Id;
  WarmUpThread = Thread;
  ResumeThread(Thread);
}

std::recursive_mutex& DbgHelpLock() {
  static std::recursive_mutex* Lock = new std::recursive_mutex;
  return *Lock;
}

HANDLE DumpProcessHandle() {
  JoinSymbolWarmUp();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  if (DumpHandle == nullptr) {
    HANDLE Handle = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &Handle, 0, FALSE,
                        DUPLICATE_SAME_ACCESS)) {
      SymInitialize(Handle, nullptr, FALSE);
      DumpHandle = Handle;
    }
  }
  return DumpHandle != nullptr ? DumpHandle : GetCurrentProcess();
}

std::string BuildSymbolSearchPath() {
  std::string Path;
  for (const char* Name : {"_NT_SYMBOL_PATH", "_NT_ALT_SYMBOL_PATH", "SystemRoot"}) {
    const std::string Value = EnvironmentValue(Name);
    if (!Value.empty()) Path += Value + ";";
  }
  MEMORY_BASIC_INFORMATION Info;
  HMODULE CodeModule = nullptr;
  if (VirtualQuery(reinterpret_cast<LPCVOID>(&BuildSymbolSearchPath), &Info, sizeof(Info)) != 0)
    CodeModule = static_cast<HMODULE>(Info.AllocationBase);
  Path += FolderOf(CodeModule) + ";";
  Path += FolderOf(nullptr);
  return Path;
}

void CleanupSymbolSession() {
  if (WarmUpThread != nullptr && GetCurrentThreadId() != WarmUpThreadId) {
    // A warm-up still reading keeps the sessions: the process is ending.
    if (WaitForSingleObject(WarmUpThread, 0) == WAIT_TIMEOUT) return;
    CloseHandle(WarmUpThread.exchange(nullptr));
    WarmUpThreadId = 0;
  }
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  if (DumpHandle != nullptr) {
    SymCleanup(DumpHandle);
    CloseHandle(DumpHandle);
    DumpHandle = nullptr;
  }
  if (!SessionOpen) return;
  SymCleanup(TraceSession);
  SessionOpen = false;
}

// ---------------------------------------------------------------------------------------------
// TclStackTracer

TclStackTracer::TclStackTracer() = default;
TclStackTracer::~TclStackTracer() = default;

TclStackFrames* TclStackTracer::GetStackFrames(TclExceptionInformation* EI) {
  if (EI == nullptr) {
    FFrames.Clear();
    return &FFrames;
  }
  JoinSymbolWarmUp();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  const TclExceptionInformation* Previous = WalkStackSource;
  WalkStackSource = EI;
  BuildFrames(EI->Context(), reinterpret_cast<ULONG_PTR>(EI->ExceptionRecord()->ExceptionAddress));
  WalkStackSource = Previous;
  return &FFrames;
}

TclStackFrames* TclStackTracer::BuildFrames(const CONTEXT* Context, ULONG_PTR ExceptionAddress) {
  FFrames.Clear();
  if (Context == nullptr) return &FFrames;
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  InitWalk(Context);
  for (int I = 0; I < cMaxFrames; ++I) {
    std::unique_ptr<TclStackFrame> Frame = NextFrame();
    if (!Frame) break;
    FillFrameInfo(Frame.get());
    FFrames.Add(std::move(Frame));
  }
  if (FFrames.Count() == 0 && ExceptionAddress != 0) {
    auto Frame = std::make_unique<TclStackFrame>();
    Frame->Address = ExceptionAddress;
    FillFrameInfo(Frame.get());
    FFrames.Add(std::move(Frame));
  }
  return &FFrames;
}

void TclStackTracer::FillFrameInfo(TclStackFrame* Frame) {
  MEMORY_BASIC_INFORMATION Info;
  if (VirtualQuery(reinterpret_cast<LPCVOID>(Frame->Address), &Info, sizeof(Info)) == 0) return;
  if (Info.State != MEM_COMMIT) return;
  char Name[256] = {};
  const DWORD Len = GetModuleFileNameA(static_cast<HMODULE>(Info.AllocationBase), Name, sizeof(Name));
  if (Len == 0) return;
  Frame->ModuleName.assign(Name, Len);
  Frame->ModuleHandle = reinterpret_cast<ULONG_PTR>(Info.AllocationBase);
  // A return address after a call that never returns is the next function's first byte: the name
  // is the one of the call's last byte.
  GetProcName(Frame->Address - 1, Frame->ProcName);
  Frame->Address -= 5;
  Frame->SourceFile.clear();
  Frame->LineNumber = 0;
}

// ---------------------------------------------------------------------------------------------
// TclDbgHelpStackTracer

TclDbgHelpStackTracer::TclDbgHelpStackTracer() { OpenSymbolSession(); }

void TclDbgHelpStackTracer::InitWalk(const CONTEXT* Context) {
  std::memset(&FStackFrame, 0, sizeof(FStackFrame));
  FContext = *Context;
  FStackFrame.AddrPC.Offset = ContextProgramCounter(FContext);
  FStackFrame.AddrFrame.Offset = ContextFramePointer(FContext);
  FStackFrame.AddrStack.Offset = ContextStackPointer(FContext);
  FStackFrame.AddrPC.Mode = AddrModeFlat;
  FStackFrame.AddrFrame.Mode = AddrModeFlat;
  FStackFrame.AddrStack.Mode = AddrModeFlat;
}

std::unique_ptr<TclStackFrame> TclDbgHelpStackTracer::NextFrame() {
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  if (!StackWalk64(cMachine, TraceSession, GetCurrentThread(), &FStackFrame, &FContext, ReadWalkMemory,
                   WalkFunctionTable, WalkModuleBase, nullptr))
    return nullptr;
  if (FStackFrame.AddrPC.Offset == 0) return nullptr;
  auto Frame = std::make_unique<TclStackFrame>();
  Frame->Address = static_cast<ULONG_PTR>(FStackFrame.AddrPC.Offset);
  return Frame;
}

void TclDbgHelpStackTracer::GetProcName(ULONG_PTR Address, std::string& Name) {
  Name.clear();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  alignas(IMAGEHLP_SYMBOL64) unsigned char Buffer[512] = {};
  IMAGEHLP_SYMBOL64* Symbol = reinterpret_cast<IMAGEHLP_SYMBOL64*>(Buffer);
  Symbol->SizeOfStruct = sizeof(IMAGEHLP_SYMBOL64);
  Symbol->MaxNameLength = sizeof(Buffer) - sizeof(IMAGEHLP_SYMBOL64);
  LoadModuleSymbols(Address);
  DWORD64 Displacement = 0;
  if (SymGetSymFromAddr64(TraceSession, Address, &Displacement, Symbol)) Name = Symbol->Name;
}

void TclDbgHelpStackTracer::GetLineInfo(ULONG_PTR Address, int& Line, std::string& FileName) {
  FileName.clear();
  std::lock_guard<std::recursive_mutex> Guard(DbgHelpLock());
  IMAGEHLP_LINE64 Info{};
  Info.SizeOfStruct = sizeof(Info);
  LoadModuleSymbols(Address);
  DWORD Displacement = 0;
  if (SymGetLineFromAddr64(TraceSession, Address, &Displacement, &Info)) {
    Line = static_cast<int>(Info.LineNumber);
    FileName = Info.FileName != nullptr ? Info.FileName : "";
  }
}

// ---------------------------------------------------------------------------------------------
// Debug output

std::string FormatFrame(const TclStackFrame& Frame) {
  return Format("%x: %s - %s", {Frame.Address, ExtractFileName(Frame.ModuleName), Frame.ProcName});
}

void OutputFrames(TclStackFrames* Frames) {
  OutputDebugStringA("------------");
  if (Frames != nullptr)
    for (int I = 0; I < Frames->Count(); ++I) OutputDebugStringA(FormatFrame(*Frames->Items(I)).c_str());
  OutputDebugStringA("------------");
}

void OutputExceptionInfo(TclExceptionInformation* EI, TclStackTracer* StackTracer) {
  if (EI == nullptr) return;
  OutputDebugStringA(("Exception code: " + IntToHex(EI->ExceptionCode(), 8)).c_str());
  if (EI->HasClass()) OutputDebugStringA(Format("%s: %s", {EI->ExceptClassName(), EI->ExceptMessage()}).c_str());
  std::unique_ptr<TclDbgHelpStackTracer> Temporary;
  if (StackTracer == nullptr) StackTracer = ThreadWatcherTracer();
  if (StackTracer == nullptr) {
    Temporary = std::make_unique<TclDbgHelpStackTracer>();
    StackTracer = Temporary.get();
  }
  OutputFrames(StackTracer->GetStackFrames(EI));
}
