// The exception manager: writes a minidump and a text report beside the program for every
// reportable exception as it is raised, and formats the "Internal Application Problem" text with
// which the main window shows an error (dumping then an exception not dumped when raised).
#pragma once

#include <climits>

#include <windows.h>

#include <string>

#include "ExceptionWatcher/clExWatcher.h"

class ThxExceptionManager : public TComponent {
public:
  explicit ThxExceptionManager(TComponent* AOwner);  // DumpFolder: the program's folder
  ~ThxExceptionManager() override;

  // The watcher whose four events the manager handles (not owned).
  TclExceptWatcher* ExceptWatcher() const { return FExceptWatcher; }
  void SetExceptWatcher(TclExceptWatcher* Value);
  // With a trailing "\".
  const std::string& DumpFolder() const { return FDumpFolder; }
  void SetDumpFolder(const std::string& Value) { FDumpFolder = Value; }
  // Full name of the dump written by the latest handler or DumpCurrentException; "" when that call
  // created no dump file.
  const std::string& LastDumpFile() const { return FLastDumpFile; }

  // Deactivates and activates the watcher again: binds it to the calling thread.
  void RebindWatcher();

  void HandleDelphiException(TObject* Sender, Exception* E, TclExceptionInformation* EI, TclStackTracer* StackTracer);
  void HandleDelphiSafeCallException(TObject* Sender, TObject* Target, Exception* E, TclExceptionInformation* EI,
                                     TclStackTracer* StackTracer);
  void HandleSystemException(TObject* Sender, TclExceptionInformation* EI, TclStackTracer* StackTracer);
  void HandleSystemSafeCallException(TObject* Sender, TObject* Target, TclExceptionInformation* EI,
                                     bool& NotifyTarget, TclStackTracer* StackTracer);

  // Dumps the watcher's last recorded exception ("Delphi Exception") unless SkipReportable is set
  // and it is reportable (dumped when raised); its frames (the watcher tracer's), or nullptr when
  // nothing was recorded or the dump was skipped.
  TclStackFrames* DumpCurrentException(bool SkipReportable);

  // The "Internal Application Problem" text for E with Frames (may be nullptr) and the dump's name.
  // With ShownFrames below the frame count, the trace ends after that many frames in the line
  // "(<n> more frames not shown)".
  static std::string FormatErrorMessage(const Exception& E, TclStackFrames* Frames, const std::string& DumpFile,
                                        int ShownFrames = INT_MAX);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DumpReportable(TclExceptionInformation* EI, TclStackTracer* StackTracer, const std::string& Title);

  TclExceptWatcher* FExceptWatcher = nullptr;
  std::string FDumpFolder;
  std::string FLastDumpFile;
};

class ThxMiniDumpHelper {
public:
  // "<program base name><yymmddhhnnsszzz>.dmp" at Time, or at the local time now.
  static std::string GetDumpFileName(const SYSTEMTIME& Time);
  static std::string GetDumpFileName();
  // The report text ("<class>: <message>" or "Code: <8 hex digits>", then Title) and the minidump
  // of EI; false when the dump file could not be created.
  static bool WriteDump(const std::string& FileName, const std::string& Title, TclExceptionInformation* EI);
  static bool WriteMiniDump(const std::string& FileName, EXCEPTION_POINTERS* ExceptionPointers,
                            const std::string& Text);
};

// The program's manager; nullptr before crash reporting starts and after it stops.
ThxExceptionManager* GetExceptionManager();

// Crash reporting's start-up, first in the program's: the raise hook into the guard frames and the
// throw capture, the outermost filter (reports, then ends the process with the exception's code),
// the terminate handler (ends it with exit code 3), the program's watcher bound to the calling
// thread and its manager. Shut-down, last: the hooks pass straight on from then on.
void StartCrashReporting();
void StopCrashReporting();
