// String identifiers of the component library's helpers (4000-4099). "Resource %s not found" is the
// graphics objects' SResNotFound (Graphics.h).
#pragma once

#ifdef RC_INVOKED
#define SNotImplemented 4000
#else
constexpr int SNotImplemented = 4000;  // "Function not yet implemented"
#endif
