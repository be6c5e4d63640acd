// Identifiers of the registry-bugs window's message texts (2900-2999); texts in RegistryBugs.rc.
#pragma once

#ifdef RC_INVOKED
#define SUnableToFixBug 2900
#define SErrorsWhileFixing 2901
#else
constexpr int SUnableToFixBug = 2900;     // "Unable to fix the problem:\r\n%s"
constexpr int SErrorsWhileFixing = 2901;  // "Errors detected while fixing the registry. ..."
#endif
