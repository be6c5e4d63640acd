// String identifiers of the component library's helpers (4000-4099). "Resource %s not found" is the
// graphics objects' SResNotFound (Graphics.h).
#pragma once

#ifdef RC_INVOKED
#define SNotImplemented 4000
#define SDefaultDraggingError 4020
#else
constexpr int SNotImplemented = 4000;  // "Function not yet implemented"
constexpr int SDefaultDraggingError = 4020;  // "Cannot set DefaultDragging property while dragging"
#endif
