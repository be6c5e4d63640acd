// String identifiers of the INI classes (2000-2099).
#pragma once

#ifdef RC_INVOKED
#define SIniFileWriteError 2000
#define SIniFileSaveError 2001
#else
constexpr int SIniFileWriteError = 2000;  // "Unable to write to %s"
constexpr int SIniFileSaveError = 2001;   // "Cannot save file \"%s\". %s"
#endif
