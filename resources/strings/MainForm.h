// Identifiers of the main window's message texts (2800-2899); texts in MainForm.rc.
#pragma once

#ifdef RC_INVOKED
#define SShellExtUnmarkWarning 2800
#else
constexpr int SShellExtUnmarkWarning = 2800;  // shown when the shell extension is switched on
#endif
