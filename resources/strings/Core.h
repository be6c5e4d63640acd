// Identifiers of the class-library core's resource strings (1000-1999); texts in Core.rc.
#pragma once

#ifdef RC_INVOKED
#define SListIndexError 1000
#define SListCapacityError 1001
#define SListCountError 1002
#define SDuplicateString 1003
#define SSortedListError 1004
#define SInvalidFormat 1005
#define SArgumentMissing 1006
#define SInvalidInteger 1007
#define SOSError 1008
#define SUnkOSError 1009
#define SAssignError 1010
#define SFCreateErrorEx 1011
#define SFOpenErrorEx 1012
#define SReadError 1013
#define SWriteError 1014
#define SInvalidProperty 1015
#define SOperationAborted 1016
#define SMemoryStreamError 1017
#define SNoItemFactory 1018
#define SInsertLineError 1019
#else
constexpr int SListIndexError = 1000;
constexpr int SListCapacityError = 1001;
constexpr int SListCountError = 1002;
constexpr int SDuplicateString = 1003;
constexpr int SSortedListError = 1004;
constexpr int SInvalidFormat = 1005;
constexpr int SArgumentMissing = 1006;
constexpr int SInvalidInteger = 1007;
constexpr int SOSError = 1008;
constexpr int SUnkOSError = 1009;
constexpr int SAssignError = 1010;
constexpr int SFCreateErrorEx = 1011;
constexpr int SFOpenErrorEx = 1012;
constexpr int SReadError = 1013;
constexpr int SWriteError = 1014;
constexpr int SInvalidProperty = 1015;
constexpr int SOperationAborted = 1016;
constexpr int SMemoryStreamError = 1017;
constexpr int SNoItemFactory = 1018;
constexpr int SInsertLineError = 1019;
#endif
