// Corvane.exe's main block: the start-up steps in their order, then the message loop.
#include "application/Loading.h"
#include "application/Main.h"
#include "application/MultInst.h"

#include "ExceptionWatcher/clStackTracer.h"
#include "ExceptionWatcher/hxException.h"
#include "application/AppPaths.h"
#include "classlib/core/SysFaults.h"
#include "classlib/core/SysUtils.h"
#include "controls/RXConstStartup.h"
#include "localizer/Localizer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Crash reporting first: its hooks, the program's watcher and its manager.
  StartCrashReporting();
  // Everything after it runs in the program's guard frame: a fault or exception that no handler
  // took reaches the application's error box, and the steps after the main block still run.
  GuardedCall(
      [] {
        // The language file beside the program: from here on every window is translated as it is
        // created. Faults of the file are shown and start-up goes on.
        try {
          ChooseLanguageFile();
        } catch (...) {
          Application->HandleException(nullptr);
        }
        StartComponentLibrary();
        InitSingleInstance();
        CheckWindowsVersion();
        Application->Initialize();
        ResetStatusPump();
        Application->SetTitle(Format("%s starting...", {ProductTitle}));
        Application->CreateForm(frmMain);
        FreeLoadingForm();
        // The symbols for a trace are read once the program is first idle, its main window painted.
        auto* FirstIdle = new TApplicationEvents(Application);
        FirstIdle->OnIdle = [Started = false](TObject*, bool&) mutable {
          if (!Started) StartSymbolWarmUp();
          Started = true;
        };
        Application->Run();
        // The windows go while the library's tables still exist; static destruction comes later.
        delete frmMain;
      },
      [] { Application->HandleException(nullptr); });
  DoneSingleInstance();
  // Last: from here on the hooks pass every exception straight on.
  StopCrashReporting();
  return 0;
}
