// Corvane.exe's main block: the start-up steps in their order, then the message loop.
#include "application/Loading.h"
#include "application/Main.h"
#include "application/MultInst.h"

#include "ExceptionWatcher/hxException.h"
#include "application/AppPaths.h"
#include "classlib/core/SysUtils.h"

namespace {

// Crash reporting: its hooks, the program's watcher and its manager, first of all.
void StartCrashReportingStep() { StartCrashReporting(); }
// The language file is loaded here once the localizer is part of the program.
void StartLocalizerStep() {}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  StartCrashReportingStep();
  StartLocalizerStep();
  // The component library's cursors entered the screen's cursor table at unit start-up.
  InitSingleInstance();
  try {
    CheckWindowsVersion();
    Application->Initialize();
    ResetStatusPump();
    Application->SetTitle(Format("%s starting...", {ProductTitle}));
    Application->CreateForm(frmMain);
    FreeLoadingForm();
    Application->Run();
    // The windows go while the library's tables still exist; static destruction comes later.
    delete frmMain;
  } catch (...) {
    Application->HandleException(nullptr);
  }
  DoneSingleInstance();
  // Last: from here on the hooks pass every exception straight on.
  StopCrashReporting();
  return 0;
}
