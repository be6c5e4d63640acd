#include "controls/rxStrUtils.h"

std::string ReplaceAll(const std::string& S, const std::string& Search, const std::string& Replace) {
  if (Search.empty()) return S;
  std::string Result;
  Result.reserve(S.size());
  std::string::size_type From = 0;
  for (;;) {
    const std::string::size_type At = S.find(Search, From);
    if (At == std::string::npos) break;
    Result.append(S, From, At - From);
    Result += Replace;
    From = At + Search.size();
  }
  Result.append(S, From, std::string::npos);
  return Result;
}

namespace {

// Index (0-based) of the first character of word N, or npos.
std::string::size_type WordIndex(int N, const std::string& S, const TSysCharSet& Delims) {
  if (N < 1) return std::string::npos;
  int Count = 0;
  std::string::size_type I = 0;
  const std::string::size_type Len = S.size();
  while (I < Len) {
    while (I < Len && Delims.Contains(S[I])) ++I;
    if (I >= Len) break;
    if (++Count == N) return I;
    while (I < Len && !Delims.Contains(S[I])) ++I;
  }
  return std::string::npos;
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

}  // namespace

int CountWords(const std::string& S, const TSysCharSet& Delims) {
  int Count = 0;
  std::string::size_type I = 0;
  const std::string::size_type Len = S.size();
  while (I < Len) {
    while (I < Len && Delims.Contains(S[I])) ++I;
    if (I < Len) ++Count;
    while (I < Len && !Delims.Contains(S[I])) ++I;
  }
  return Count;
}

int WordStart(int N, const std::string& S, const TSysCharSet& Delims) {
  const std::string::size_type At = WordIndex(N, S, Delims);
  return At == std::string::npos ? 0 : static_cast<int>(At) + 1;
}

std::string WordAt(int N, const std::string& S, const TSysCharSet& Delims) {
  const std::string::size_type At = WordIndex(N, S, Delims);
  if (At == std::string::npos) return std::string();
  std::string::size_type End = At;
  while (End < S.size() && !Delims.Contains(S[End])) ++End;
  return S.substr(At, End - At);
}

std::string XorToHex(const std::string& Key, const std::string& S) {
  static const char Digits[] = "0123456789abcdef";
  std::string Result;
  Result.reserve(S.size() * 2);
  for (std::string::size_type I = 0; I < S.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    if (!Key.empty()) C ^= static_cast<unsigned char>(Key[I % Key.size()]);
    Result += Digits[C >> 4];
    Result += Digits[C & 0x0F];
  }
  return Result;
}

std::string XorFromHex(const std::string& Key, const std::string& S) {
  std::string Result;
  const std::string::size_type Count = S.size() / 2;
  Result.reserve(Count);
  for (std::string::size_type I = 0; I < Count; ++I) {
    const int High = HexDigit(S[2 * I]);
    const int Low = HexDigit(S[2 * I + 1]);
    unsigned char C = (High < 0 || Low < 0) ? 32 : static_cast<unsigned char>(High * 16 + Low);
    if (!Key.empty()) C ^= static_cast<unsigned char>(Key[I % Key.size()]);
    Result += static_cast<char>(C);
  }
  return Result;
}

bool ContainsAnyChar(const std::string& S, const std::string& Chars) {
  return !Chars.empty() && S.find_first_of(Chars) != std::string::npos;
}
