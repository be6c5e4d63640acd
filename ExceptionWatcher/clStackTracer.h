// Stack tracer: turns the register context of an exception into stack frames (code address, module,
// procedure name) through the debug-help library, and writes exceptions to the debugger's output.
// One symbol session serves the whole process; every debug-help call runs under one lock.
#pragma once

#include <windows.h>
#include <mutex>

#include <dbghelp.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/core/Classes.h"

class TclExceptionInformation;

class TclStackFrame : public TObject {
public:
  std::string ModuleName;       // full file name of the module, "" when unknown
  ULONG_PTR ModuleHandle = 0;   // allocation base of the address's region, 0 when unknown
  ULONG_PTR Address = 0;
  std::string ProcName;
  std::string SourceFile;
  int LineNumber = 0;
};

class TclStackFrames : public TObject {
public:
  void Add(std::unique_ptr<TclStackFrame> Frame) { FItems.push_back(std::move(Frame)); }
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TclStackFrame* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }

private:
  std::vector<std::unique_ptr<TclStackFrame>> FItems;
};

// The walking protocol; the tracer owns the frames it returns (valid until the next walk).
class TclStackTracer : public TObject {
public:
  TclStackTracer();
  ~TclStackTracer() override;

  // Frames of EI's context (read from EI's stack copy where it has one), or its exception address.
  TclStackFrames* GetStackFrames(TclExceptionInformation* EI);
  // At most 100 frames from Context; none for a nil context; the single ExceptionAddress when the
  // walk gives nothing.
  TclStackFrames* BuildFrames(const CONTEXT* Context, ULONG_PTR ExceptionAddress);
  // Module, handle and procedure name of the frame's address (named by the byte before it, the end of
  // the call that returns there), which then moves back 5 bytes (to the call before a return
  // address); unchanged when the address lies in no module.
  void FillFrameInfo(TclStackFrame* Frame);
  TclStackFrames* Frames() { return &FFrames; }

  virtual void InitWalk(const CONTEXT* Context) = 0;
  virtual std::unique_ptr<TclStackFrame> NextFrame() = 0;
  virtual void GetProcName(ULONG_PTR Address, std::string& Name) = 0;
  virtual void GetLineInfo(ULONG_PTR Address, int& Line, std::string& FileName) = 0;

private:
  TclStackFrames FFrames;
};

class TclDbgHelpStackTracer : public TclStackTracer {
public:
  TclDbgHelpStackTracer();  // joins the process's symbol session, setting it up on first use

  void InitWalk(const CONTEXT* Context) override;
  std::unique_ptr<TclStackFrame> NextFrame() override;
  void GetProcName(ULONG_PTR Address, std::string& Name) override;
  void GetLineInfo(ULONG_PTR Address, int& Line, std::string& FileName) override;

private:
  STACKFRAME64 FStackFrame{};
  alignas(16) CONTEXT FContext{};
};

// "_NT_SYMBOL_PATH", "_NT_ALT_SYMBOL_PATH" and "SystemRoot" (each when set, with ";"), the folder of
// the module holding this code with ";", then the program's folder.
std::string BuildSymbolSearchPath();
// Ends the process's symbol sessions (crash reporting's shut-down); a later tracer starts a new one.
void CleanupSymbolSession();
// Reads the symbols of the program and of the system modules of a trace through the message loop
// in a thread of its own (the program starts it when first idle), so that a first trace only looks
// names up. A trace or dump made meanwhile waits until that thread has ended.
void StartSymbolWarmUp();
// Waits until the warm-up thread has ended (at once in that thread and without one). Every use of
// the sessions but the warm-up's own comes after it, before the lock is taken: a dump suspends every
// other thread, and under Wine a thread suspended inside a large server request ends the process.
void JoinSymbolWarmUp();
// The lock every dbghelp call of the process is made under.
std::recursive_mutex& DbgHelpLock();
// The process handle minidumps are written through, with a symbol session of its own that knows no
// module (made at the first call, under the lock): the writer then takes the module list from the
// loader and reads no module's debug information, which under Wine costs seconds for the tracer's.
HANDLE DumpProcessHandle();

// "%x: %s - %s": the frame's address, its module's file name and its procedure.
std::string FormatFrame(const TclStackFrame& Frame);
// "------------", one line per frame, "------------", each through OutputDebugStringA.
void OutputFrames(TclStackFrames* Frames);
// "Exception code: %.8X", the class and message of a language exception, then the frames of EI by
// StackTracer (by the calling thread's watcher's, or a temporary one, when nil).
void OutputExceptionInfo(TclExceptionInformation* EI, TclStackTracer* StackTracer);
