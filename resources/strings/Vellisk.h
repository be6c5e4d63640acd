// String identifiers of the shell extension Vellisk (3000-3099).
#pragma once

#ifdef RC_INVOKED
#define SCreateRegKeyError 3000
#define SExecuteAppError 3001
#else
constexpr int SCreateRegKeyError = 3000;  // "Error creating system registry entry"
constexpr int SExecuteAppError = 3001;    // "Error executing application: %s (%d)\r\nInvoking: %s\r\n"
#endif
