// Identifiers of the main window's message texts (2800-2899); texts in MainForm.rc.
#pragma once

#ifdef RC_INVOKED
#define SShellExtUnmarkWarning 2800
#define SIniUnreadable 2801
#define SIniReplaceQuestion 2802
#define SMenuFileMissing 2803
#define SNotMenuFile 2804
#else
constexpr int SShellExtUnmarkWarning = 2800;  // shown when the shell extension is switched on
constexpr int SIniUnreadable = 2801;          // the INI file could not be read at start-up
constexpr int SIniReplaceQuestion = 2802;     // asked before a save over that file's menu items
constexpr int SMenuFileMissing = 2803;        // "Menu file "%s" does not exist."
constexpr int SNotMenuFile = 2804;            // "File "%s" is not a menu items file."
#endif
