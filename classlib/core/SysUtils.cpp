// Runtime basics: exceptions, string helpers, integer conversion, file names, system errors.
#include "classlib/core/SysUtils.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <cstdio>
#include <limits>
#include <type_traits>

// ---------------------------------------------------------------------------------------------
// Exceptions

Exception::Exception(const std::string& Msg) : FMessage(Msg) {}

Exception::Exception(const std::string& Fmt, std::initializer_list<TVarRec> Args) : FMessage(Format(Fmt, Args)) {}

Exception::~Exception() = default;

const std::string& Exception::Message() const noexcept { return FMessage; }

void Exception::SetMessage(const std::string& Msg) { FMessage = Msg; }

const char* Exception::what() const noexcept { return FMessage.c_str(); }

void Abort() { throw EAbort(LoadResString(SOperationAborted)); }

// ---------------------------------------------------------------------------------------------
// Comparison and case

namespace {

int CompareLocale(const std::string& S1, const std::string& S2, DWORD Flags) {
  return CompareStringA(GetThreadLocale(), Flags, S1.data(), static_cast<int>(S1.size()), S2.data(),
                        static_cast<int>(S2.size())) - 2;
}

unsigned char AsciiUpper(unsigned char C) { return (C >= 'a' && C <= 'z') ? static_cast<unsigned char>(C - 32) : C; }
unsigned char AsciiLower(unsigned char C) { return (C >= 'A' && C <= 'Z') ? static_cast<unsigned char>(C + 32) : C; }

}  // namespace

int AnsiCompareText(const std::string& S1, const std::string& S2) { return CompareLocale(S1, S2, NORM_IGNORECASE); }

int AnsiCompareStr(const std::string& S1, const std::string& S2) { return CompareLocale(S1, S2, 0); }

std::string AnsiUpperCase(const std::string& S) {
  std::string Result = S;
  if (!Result.empty()) CharUpperBuffA(&Result[0], static_cast<DWORD>(Result.size()));
  return Result;
}

std::string AnsiLowerCase(const std::string& S) {
  std::string Result = S;
  if (!Result.empty()) CharLowerBuffA(&Result[0], static_cast<DWORD>(Result.size()));
  return Result;
}

bool AnsiSameText(const std::string& S1, const std::string& S2) { return AnsiCompareText(S1, S2) == 0; }

bool AnsiSameStr(const std::string& S1, const std::string& S2) { return AnsiCompareStr(S1, S2) == 0; }

int CompareText(const std::string& S1, const std::string& S2) {
  const size_t Len = S1.size() < S2.size() ? S1.size() : S2.size();
  for (size_t I = 0; I < Len; ++I) {
    const int C1 = AsciiUpper(static_cast<unsigned char>(S1[I]));
    const int C2 = AsciiUpper(static_cast<unsigned char>(S2[I]));
    if (C1 != C2) return C1 - C2;
  }
  return static_cast<int>(S1.size()) - static_cast<int>(S2.size());
}

int CompareStr(const std::string& S1, const std::string& S2) {
  const size_t Len = S1.size() < S2.size() ? S1.size() : S2.size();
  for (size_t I = 0; I < Len; ++I) {
    const int C1 = static_cast<unsigned char>(S1[I]);
    const int C2 = static_cast<unsigned char>(S2[I]);
    if (C1 != C2) return C1 - C2;
  }
  return static_cast<int>(S1.size()) - static_cast<int>(S2.size());
}

bool SameText(const std::string& S1, const std::string& S2) { return S1.size() == S2.size() && CompareText(S1, S2) == 0; }

std::string UpperCase(const std::string& S) {
  std::string Result = S;
  for (char& C : Result) C = static_cast<char>(AsciiUpper(static_cast<unsigned char>(C)));
  return Result;
}

std::string LowerCase(const std::string& S) {
  std::string Result = S;
  for (char& C : Result) C = static_cast<char>(AsciiLower(static_cast<unsigned char>(C)));
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Trimming

namespace {
bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }
}  // namespace

std::string Trim(const std::string& S) {
  size_t L = 0, R = S.size();
  while (L < R && IsBlank(S[L])) ++L;
  while (R > L && IsBlank(S[R - 1])) --R;
  return S.substr(L, R - L);
}

std::string TrimLeft(const std::string& S) {
  size_t L = 0;
  while (L < S.size() && IsBlank(S[L])) ++L;
  return S.substr(L);
}

std::string TrimRight(const std::string& S) {
  size_t R = S.size();
  while (R > 0 && IsBlank(S[R - 1])) --R;
  return S.substr(0, R);
}

// ---------------------------------------------------------------------------------------------
// Integer conversion

namespace {

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

template <class T>
bool ParseInteger(const std::string& S, T& Value) {
  using U = std::make_unsigned_t<T>;
  const size_t N = S.size();
  size_t I = 0;
  while (I < N && S[I] == ' ') ++I;
  bool Negative = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) {
    Negative = S[I] == '-';
    ++I;
  }
  if (I < N && S[I] == '$') {
    ++I;
    if (I >= N) return false;
    U Acc = 0;
    for (; I < N; ++I) {
      const int D = HexDigit(S[I]);
      if (D < 0) return false;
      if (Acc > (static_cast<U>(~U(0)) >> 4)) return false;  // more digits than the type holds
      Acc = static_cast<U>((Acc << 4) | static_cast<U>(D));
    }
    Value = static_cast<T>(Negative ? static_cast<U>(U(0) - Acc) : Acc);  // wraps into the signed range
    return true;
  }
  if (I >= N) return false;
  const U Limit = static_cast<U>(static_cast<U>((std::numeric_limits<T>::max)()) + (Negative ? 1 : 0));
  U Acc = 0;
  for (; I < N; ++I) {
    const char C = S[I];
    if (C < '0' || C > '9') return false;
    const U D = static_cast<U>(C - '0');
    if (Acc > (Limit - D) / 10) return false;
    Acc = static_cast<U>(Acc * 10 + D);
  }
  Value = static_cast<T>(Negative ? static_cast<U>(U(0) - Acc) : Acc);
  return true;
}

[[noreturn]] void InvalidInteger(const std::string& S) { throw EConvertError(LoadResString(SInvalidInteger), {S}); }

}  // namespace

bool TryStrToInt(const std::string& S, int& Value) {
  int V = 0;
  if (!ParseInteger(S, V)) return false;
  Value = V;
  return true;
}

int StrToIntDef(const std::string& S, int Default) {
  int V = 0;
  return ParseInteger(S, V) ? V : Default;
}

int StrToInt(const std::string& S) {
  int V = 0;
  if (!ParseInteger(S, V)) InvalidInteger(S);
  return V;
}

bool TryStrToInt64(const std::string& S, long long& Value) {
  long long V = 0;
  if (!ParseInteger(S, V)) return false;
  Value = V;
  return true;
}

long long StrToInt64Def(const std::string& S, long long Default) {
  long long V = 0;
  return ParseInteger(S, V) ? V : Default;
}

long long StrToInt64(const std::string& S) {
  long long V = 0;
  if (!ParseInteger(S, V)) InvalidInteger(S);
  return V;
}

std::string IntToStr(long long Value) { return std::to_string(Value); }

namespace {
std::string HexOf(unsigned long long Value, int Digits) {
  static const char HexChars[] = "0123456789ABCDEF";
  std::string Result;
  do {
    Result.insert(Result.begin(), HexChars[Value & 15]);
    Value >>= 4;
  } while (Value != 0);
  if (Digits > static_cast<int>(Result.size())) Result.insert(0, static_cast<size_t>(Digits) - Result.size(), '0');
  return Result;
}
}  // namespace

std::string IntToHex(long long Value, int Digits) { return HexOf(static_cast<unsigned long long>(Value), Digits); }
std::string IntToHex(unsigned long long Value, int Digits) { return HexOf(Value, Digits); }
std::string IntToHex(int Value, int Digits) { return HexOf(static_cast<uint32_t>(Value), Digits); }
std::string IntToHex(unsigned Value, int Digits) { return HexOf(Value, Digits); }
std::string IntToHex(long Value, int Digits) {
  return sizeof(long) == 4 ? HexOf(static_cast<uint32_t>(Value), Digits) : HexOf(static_cast<unsigned long long>(Value), Digits);
}
std::string IntToHex(unsigned long Value, int Digits) { return HexOf(Value, Digits); }

// ---------------------------------------------------------------------------------------------
// System errors

std::string SysErrorMessage(DWORD ErrorCode) {
  char* Buffer = nullptr;
  const DWORD Len = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, ErrorCode, 0, reinterpret_cast<LPSTR>(&Buffer), 0, nullptr);
  std::string Result;
  if (Buffer != nullptr) {
    Result.assign(Buffer, Len);
    LocalFree(Buffer);
  }
  while (!Result.empty() && (static_cast<unsigned char>(Result.back()) <= ' ' || Result.back() == '.')) Result.pop_back();
  return Result;
}

void RaiseLastOSError(DWORD LastError) {
  if (LastError != 0) {
    EOSError E(LoadResString(SOSError), {static_cast<int>(LastError), SysErrorMessage(LastError)});
    E.ErrorCode = LastError;
    throw E;
  }
  throw EOSError(LoadResString(SUnkOSError));
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void Win32Check(bool RetVal) {
  if (!RetVal) RaiseLastOSError();
}

// ---------------------------------------------------------------------------------------------
// Files and file names

namespace {
bool IsPathDelim(char C) { return C == '\\' || C == '/'; }
bool IsNameDelim(char C) { return IsPathDelim(C) || C == ':'; }

// Index of the last character of S for which Pred holds, npos when none.
template <class P>
size_t LastOf(const std::string& S, P Pred) {
  for (size_t I = S.size(); I > 0; --I)
    if (Pred(S[I - 1])) return I - 1;
  return std::string::npos;
}
}  // namespace

bool FileExists(const std::string& FileName) {
  const DWORD Attr = GetFileAttributesA(FileName.c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& Name) {
  const DWORD Attr = GetFileAttributesA(Name.c_str());
  return Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ExpandFileName(const std::string& FileName) {
  if (FileName.empty()) return FileName;
  DWORD Size = MAX_PATH;
  std::string Buffer;
  for (;;) {
    Buffer.assign(Size, '\0');
    char* FilePart = nullptr;
    const DWORD Len = GetFullPathNameA(FileName.c_str(), Size, &Buffer[0], &FilePart);
    if (Len == 0) return FileName;
    if (Len < Size) {
      Buffer.resize(Len);
      return Buffer;
    }
    Size = Len + 1;
  }
}

std::string ExtractFilePath(const std::string& FileName) {
  const size_t I = LastOf(FileName, IsNameDelim);
  return I == std::string::npos ? std::string() : FileName.substr(0, I + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
  const size_t I = LastOf(FileName, IsNameDelim);
  if (I == std::string::npos) return std::string();
  if (I > 0 && IsPathDelim(FileName[I]) && !IsNameDelim(FileName[I - 1])) return FileName.substr(0, I);
  return FileName.substr(0, I + 1);
}

std::string ExtractFileName(const std::string& FileName) {
  const size_t I = LastOf(FileName, IsNameDelim);
  return I == std::string::npos ? FileName : FileName.substr(I + 1);
}

std::string ExtractFileExt(const std::string& FileName) {
  const size_t I = LastOf(FileName, [](char C) { return C == '.' || IsNameDelim(C); });
  return (I != std::string::npos && FileName[I] == '.') ? FileName.substr(I) : std::string();
}

std::string UnquotedPath(const std::string& Path) {
  if (Path.size() >= 2 && Path.front() == '"' && Path.back() == '"') return Path.substr(1, Path.size() - 2);
  return Path;
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Ext) {
  size_t I = LastOf(FileName, [](char C) { return C == '.' || IsNameDelim(C); });
  if (I == std::string::npos || FileName[I] != '.') I = FileName.size();
  return FileName.substr(0, I) + Ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& S) {
  if (!S.empty() && IsPathDelim(S.back())) return S;
  return S + '\\';
}

std::string ExcludeTrailingPathDelimiter(const std::string& S) {
  if (!S.empty() && IsPathDelim(S.back())) return S.substr(0, S.size() - 1);
  return S;
}
