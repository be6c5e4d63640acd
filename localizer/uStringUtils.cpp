// Localizer text helpers.
#include "localizer/uStringUtils.h"

#include "classlib/core/SysUtils.h"

#include <climits>

std::wstring AnsiToWideCP(const std::string& S, UINT CodePage) {
  if (S.empty()) return std::wstring();
  const int Len = MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  if (Len <= 0) return std::wstring();
  std::wstring W(static_cast<size_t>(Len), L'\0');
  MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), &W[0], Len);
  return W;
}

std::string WideToAnsiCP(const std::wstring& W, UINT CodePage) {
  if (W.empty()) return std::string();
  const int Len = WideCharToMultiByte(CodePage, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
  if (Len <= 0) return std::string();
  std::string S(static_cast<size_t>(Len), '\0');
  WideCharToMultiByte(CodePage, 0, W.data(), static_cast<int>(W.size()), &S[0], Len, nullptr, nullptr);
  return S;
}

namespace {

template <class TText>
void CutHeadOf(TText& S, const TText& Delimiter, TText& Head) {
  const size_t P = S.find(Delimiter);
  if (P == TText::npos) {
    Head = std::move(S);
    S.clear();
    return;
  }
  Head = S.substr(0, P);
  S.erase(0, P + Delimiter.size());
}

std::wstring WideUpper(std::wstring S) {
  if (!S.empty()) CharUpperBuffW(&S[0], static_cast<DWORD>(S.size()));
  return S;
}

[[noreturn]] void BadDecodedString(const std::wstring& S, UINT MessageCodePage) {
  throw Exception("Bad decoded string: \"" + WideToAnsiCP(S, MessageCodePage) + "\"");
}

// The character of the decimal code in S[From, To) (its low 16 bits); false without digits or when the
// number leaves the 32-bit range.
bool CodeChar(const std::wstring& S, size_t From, size_t To, wchar_t& Char) {
  if (From >= To) return false;
  long long Value = 0;
  for (size_t I = From; I < To; ++I) {
    Value = Value * 10 + (S[I] - L'0');
    if (Value > INT_MAX) return false;
  }
  Char = static_cast<wchar_t>(Value & 0xFFFF);
  return true;
}

}  // namespace

void CutHead(std::string& S, const std::string& Delimiter, std::string& Head) { CutHeadOf(S, Delimiter, Head); }

void WideCutHead(std::wstring& S, const std::wstring& Delimiter, std::wstring& Head) {
  CutHeadOf(S, Delimiter, Head);
}

std::wstring WideReplace(const std::wstring& S, const std::wstring& OldPattern, const std::wstring& NewPattern,
                         unsigned Flags) {
  if (S.empty() || OldPattern.empty()) return S;
  const bool IgnoreCase = (Flags & rfIgnoreCase) != 0;
  const std::wstring Search = IgnoreCase ? WideUpper(S) : std::wstring();
  const std::wstring Pattern = IgnoreCase ? WideUpper(OldPattern) : OldPattern;
  const std::wstring& Haystack = IgnoreCase ? Search : S;
  std::wstring Result;
  size_t From = 0;
  for (;;) {
    const size_t P = Haystack.find(Pattern, From);
    if (P == std::wstring::npos) break;
    Result.append(S, From, P - From);
    Result += NewPattern;
    From = P + Pattern.size();
    if ((Flags & rfReplaceAll) == 0) break;
  }
  Result.append(S, From, std::wstring::npos);
  return Result;
}

std::wstring WideReplaceAll(const std::wstring& S, const std::wstring& OldPattern, const std::wstring& NewPattern) {
  return WideReplace(S, OldPattern, NewPattern, rfReplaceAll);
}

size_t DecodeQuotedLiteral(const std::wstring& S, std::wstring& Result, UINT MessageCodePage) {
  std::wstring Acc;
  bool InQuote = false, InCode = false;
  size_t Start = 0;  // index of the "#" that began the current code
  for (size_t I = 0; I < S.size(); ++I) {
    const wchar_t C = S[I];
    if (InQuote) {
      if (C == L'\'')
        InQuote = false;
      else
        Acc += C;
    } else if (InCode) {
      if (C == L'#' || C == L'\'') {
        wchar_t Char;
        if (!CodeChar(S, Start + 1, I, Char)) BadDecodedString(S, MessageCodePage);
        Acc += Char;
        if (C == L'#') {
          Start = I;
        } else {
          InCode = false;
          InQuote = true;
        }
      } else if (C < L'0' || C > L'9') {
        BadDecodedString(S, MessageCodePage);
      }
    } else if (C == L'#') {
      InCode = true;
      Start = I;
    } else if (C == L'\'') {
      // A quote right after the quote that closed a literal is a doubled quote inside it.
      if (I > 0 && S[I - 1] == L'\'') Acc += L'\'';
      InQuote = true;
    } else {
      Result = std::move(Acc);
      return I + 1;
    }
  }
  if (InQuote) BadDecodedString(S, MessageCodePage);
  if (InCode) {
    wchar_t Char;
    if (CodeChar(S, Start + 1, S.size(), Char)) Acc += Char;
  }
  Result = std::move(Acc);
  return 0;
}

std::wstring DecodeQuotedLines(const std::wstring& S, UINT MessageCodePage) {
  std::wstring Acc, Rest = S, Part;
  for (;;) {
    const size_t Stop = DecodeQuotedLiteral(Rest, Part, MessageCodePage);
    if (!Acc.empty()) Acc += L'\r';
    Acc += Part;
    if (Stop == 0) return Acc;
    size_t B = Stop, E = Rest.size();
    while (B < E && Rest[B] < 33) ++B;
    while (E > B && Rest[E - 1] < 33) --E;
    Rest = Rest.substr(B, E - B);
  }
}

std::wstring DecodeValue(const std::wstring& S, bool Humanize, const std::wstring& Divider,
                         const std::wstring& LineBreak, UINT MessageCodePage) {
  return Humanize ? WideReplaceAll(S, Divider, LineBreak) : DecodeQuotedLines(S, MessageCodePage);
}
