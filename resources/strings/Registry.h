// String identifiers of the registry class (2100-2199).
#pragma once

#ifdef RC_INVOKED
#define SRegCreateFailed 2100
#define SRegSetDataFailed 2101
#define SRegGetDataFailed 2102
#define SInvalidRegType 2103
#else
constexpr int SRegCreateFailed = 2100;   // "Failed to create key %s"
constexpr int SRegSetDataFailed = 2101;  // "Failed to set data for '%s'"
constexpr int SRegGetDataFailed = 2102;  // "Failed to get data for '%s'"
constexpr int SInvalidRegType = 2103;    // "Invalid data type for '%s'"
#endif
