// String identifiers of the component library's helpers (4000-4099). "Resource %s not found" is the
// graphics objects' SResNotFound (Graphics.h).
#pragma once

#ifdef RC_INVOKED
#define SNotImplemented 4000
#define SDefaultDraggingError 4020
#define SInvalidFileName 4050
#define SDefaultFilter 4051
#define SBrowse 4052
#define SFileTypeColumn 4053
#define SExtensionColumn 4054
#else
constexpr int SNotImplemented = 4000;  // "Function not yet implemented"
constexpr int SDefaultDraggingError = 4020;  // "Cannot set DefaultDragging property while dragging"
constexpr int SInvalidFileName = 4050;  // "Invalid file name - %s"
constexpr int SDefaultFilter = 4051;    // "All files (*.*)|*.*"
constexpr int SBrowse = 4052;           // "Browse"
constexpr int SFileTypeColumn = 4053;   // "File Type"
constexpr int SExtensionColumn = 4054;  // "Extension"
#endif
