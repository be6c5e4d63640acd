// Corvane.exe's main block: the start-up steps in their order, then the message loop.
#include "application/Loading.h"
#include "application/Main.h"
#include "application/MultInst.h"

#include "ExceptionWatcher/hxException.h"
#include "application/AppPaths.h"
#include "classlib/core/SysUtils.h"
#include "localizer/Localizer.h"

namespace {

// Crash reporting: its hooks, the program's watcher and its manager, first of all.
void StartCrashReportingStep() { StartCrashReporting(); }
// The language file beside the program: from here on every window is translated as it is created and
// every message text comes through the localizer. Faults of the file are shown and start-up goes on.
void StartLocalizerStep() {
  try {
    ChooseLanguageFile();
  } catch (...) {
    Application->HandleException(nullptr);
  }
}

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
