// Runtime basics: Format, exceptions, string comparison and conversion, file names, system errors.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

// One argument of Format. Holds a reference to string arguments: valid only for the call it is built for.
class TVarRec {
public:
  enum TKind : unsigned char {
    vtInteger,   // 32-bit signed
    vtCardinal,  // 32-bit unsigned
    vtInt64,
    vtUInt64,
    vtChar,
    vtExtended,  // double
    vtBoolean,
    vtPChar,     // const char* (nullptr reads as "")
    vtString,    // const std::string*
    vtPointer
  };

  TVarRec(int V) : FKind(vtInteger) { FValue.VInt64 = V; }
  TVarRec(unsigned V) : FKind(vtCardinal) { FValue.VUInt64 = V; }
  TVarRec(long V) : FKind(sizeof(long) == 4 ? vtInteger : vtInt64) { FValue.VInt64 = V; }
  TVarRec(unsigned long V) : FKind(sizeof(long) == 4 ? vtCardinal : vtUInt64) { FValue.VUInt64 = V; }
  TVarRec(long long V) : FKind(vtInt64) { FValue.VInt64 = V; }
  TVarRec(unsigned long long V) : FKind(vtUInt64) { FValue.VUInt64 = V; }
  TVarRec(char V) : FKind(vtChar) { FValue.VChar = V; }
  TVarRec(double V) : FKind(vtExtended) { FValue.VExtended = V; }
  TVarRec(bool V) : FKind(vtBoolean) { FValue.VBoolean = V; }
  TVarRec(const char* V) : FKind(vtPChar) { FValue.VPChar = V; }
  TVarRec(const std::string& V) : FKind(vtString) { FValue.VString = &V; }
  TVarRec(const void* V) : FKind(vtPointer) { FValue.VPointer = V; }

  TKind Kind() const { return FKind; }
  bool IsInteger() const { return FKind <= vtUInt64; }
  bool IsText() const { return FKind == vtChar || FKind == vtPChar || FKind == vtString; }
  // Integer kinds: the value sign- or zero-extended to 64 bits.
  long long AsInt64() const { return FValue.VInt64; }
  unsigned long long AsUInt64() const { return FValue.VUInt64; }
  double AsDouble() const { return FValue.VExtended; }
  bool AsBoolean() const { return FValue.VBoolean; }
  const void* AsPointer() const { return FValue.VPointer; }
  // Text kinds as a string; "" for the others.
  std::string AsText() const;

private:
  TKind FKind;
  union {
    long long VInt64;
    unsigned long long VUInt64;
    char VChar;
    double VExtended;
    bool VBoolean;
    const char* VPChar;
    const std::string* VString;
    const void* VPointer;
  } FValue;
};

// Specifiers: "%" ["N:" | "*:"] ["-"] [width | "*"] ["." precision | ".*"] type, type one of
// d u x (integers), s (text), p (pointer), e f g n m (double), and "%%". Raises EConvertError
// "Format '%s' invalid or incompatible with argument" or "No argument for format '%s'".
std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args);

class Exception : public std::exception {
public:
  explicit Exception(const std::string& Msg);
  Exception(const std::string& Fmt, std::initializer_list<TVarRec> Args);  // Message = Format(Fmt, Args)
  virtual ~Exception();
  const std::string& Message() const noexcept;
  void SetMessage(const std::string& Msg);
  const char* what() const noexcept override;

private:
  std::string FMessage;
};

class EConvertError : public Exception {
public:
  using Exception::Exception;
};

class EOSError : public Exception {
public:
  using Exception::Exception;
  DWORD ErrorCode = 0;
};

class EAbort : public Exception {
public:
  using Exception::Exception;
};

// Raises the silent EAbort ("Operation aborted").
[[noreturn]] void Abort();

// Locale-aware comparisons on the thread locale; results -1, 0, 1.
int AnsiCompareText(const std::string& S1, const std::string& S2);
int AnsiCompareStr(const std::string& S1, const std::string& S2);
std::string AnsiUpperCase(const std::string& S);
std::string AnsiLowerCase(const std::string& S);
bool AnsiSameText(const std::string& S1, const std::string& S2);
bool AnsiSameStr(const std::string& S1, const std::string& S2);

// ASCII comparisons: the difference of the first differing (upper-cased) bytes, else of the lengths.
int CompareText(const std::string& S1, const std::string& S2);
int CompareStr(const std::string& S1, const std::string& S2);
bool SameText(const std::string& S1, const std::string& S2);
std::string UpperCase(const std::string& S);  // a-z only
std::string LowerCase(const std::string& S);  // A-Z only

// Cut characters of codes 0..32.
std::string Trim(const std::string& S);
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);

// Integers: leading spaces, an optional sign, then decimal digits or "$" and hexadecimal digits
// (wrapping to the signed range of the result); nothing may follow.
int StrToIntDef(const std::string& S, int Default);
int StrToInt(const std::string& S);  // EConvertError "'%s' is not a valid integer value"
bool TryStrToInt(const std::string& S, int& Value);
long long StrToInt64Def(const std::string& S, long long Default);
long long StrToInt64(const std::string& S);
bool TryStrToInt64(const std::string& S, long long& Value);

std::string IntToStr(long long Value);
// Upper-case hexadecimal with at least Digits digits; negative values in the two's complement
// of the argument's own width (8 digits for 32-bit types, 16 for 64-bit ones).
std::string IntToHex(long long Value, int Digits);
std::string IntToHex(unsigned long long Value, int Digits);
std::string IntToHex(int Value, int Digits);
std::string IntToHex(unsigned Value, int Digits);
std::string IntToHex(long Value, int Digits);
std::string IntToHex(unsigned long Value, int Digits);

// System errors.
std::string SysErrorMessage(DWORD ErrorCode);  // trailing codes 0..32 and "." cut
[[noreturn]] void RaiseLastOSError();          // EOSError "System Error.  Code: %d.\r\n%s"
[[noreturn]] void RaiseLastOSError(DWORD LastError);
void Win32Check(bool RetVal);                  // RaiseLastOSError when RetVal is false

// Files and file names; "\\", "/" and ":" delimit the parts of a name.
bool FileExists(const std::string& FileName);
bool DirectoryExists(const std::string& Name);
std::string ExpandFileName(const std::string& FileName);
std::string ExtractFilePath(const std::string& FileName);  // up to and including the last delimiter
std::string ExtractFileDir(const std::string& FileName);   // the same without a trailing "\\" (kept after a drive)
std::string ExtractFileName(const std::string& FileName);
std::string ExtractFileExt(const std::string& FileName);   // from the last "." of the name part, with the "."
std::string ChangeFileExt(const std::string& FileName, const std::string& Ext);
// Path without one pair of enclosing double quotes (a file edit shows a path with a blank quoted).
std::string UnquotedPath(const std::string& Path);
std::string IncludeTrailingPathDelimiter(const std::string& S);
std::string ExcludeTrailingPathDelimiter(const std::string& S);
