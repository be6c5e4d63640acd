// Identifiers of the fault exceptions' resource strings (1200-1299); texts in SysFaults.rc.
#pragma once

#ifdef RC_INVOKED
#define SAccessViolation 1200
#define SReadAccess 1201
#define SWriteAccess 1202
#define SExecuteAccess 1203
#define SDivByZero 1204
#define SRangeError 1205
#define SIntOverflow 1206
#define SInvalidOp 1207
#define SZeroDivide 1208
#define SOverflow 1209
#define SUnderflow 1210
#define SPrivilege 1211
#define SExternalException 1212
#define SOutOfMemory 1213
#else
constexpr int SAccessViolation = 1200;
constexpr int SReadAccess = 1201;
constexpr int SWriteAccess = 1202;
constexpr int SExecuteAccess = 1203;
constexpr int SDivByZero = 1204;
constexpr int SRangeError = 1205;
constexpr int SIntOverflow = 1206;
constexpr int SInvalidOp = 1207;
constexpr int SZeroDivide = 1208;
constexpr int SOverflow = 1209;
constexpr int SUnderflow = 1210;
constexpr int SPrivilege = 1211;
constexpr int SExternalException = 1212;
constexpr int SOutOfMemory = 1213;
#endif
