// Format: the runtime's format specifiers over TVarRec arguments.
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "resources/strings/Core.h"

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string_view>

std::string TVarRec::AsText() const {
  switch (FKind) {
    case vtChar: return std::string(1, FValue.VChar);
    case vtPChar: return FValue.VPChar != nullptr ? std::string(FValue.VPChar) : std::string();
    case vtString: return *FValue.VString;
    default: return std::string();
  }
}

namespace {

thread_local bool InFormatError = false;

// EConvertError with the resource string Ident and (at most 31 characters of) the format.
[[noreturn]] void FormatError(int Ident, const std::string& Fmt) {
  const std::string Text = LoadResString(Ident);
  if (InFormatError) throw EConvertError(Text);  // a broken replacement text must not recurse
  InFormatError = true;
  std::string Msg;
  try {
    Msg = Format(Text, {Fmt.substr(0, 31)});
  } catch (...) {
    Msg = Text;
  }
  InFormatError = false;
  throw EConvertError(Msg);
}

std::string Digits(unsigned long long Value, unsigned Base) {
  static const char Chars[] = "0123456789ABCDEF";
  std::string Result;
  do {
    Result.insert(Result.begin(), Chars[Value % Base]);
    Value /= Base;
  } while (Value != 0);
  return Result;
}

void PadZeros(std::string& S, int Precision) {
  if (Precision > static_cast<int>(S.size())) S.insert(0, static_cast<size_t>(Precision) - S.size(), '0');
}

char LocaleChar(LCTYPE Type, char Default) {
  char Buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, Buffer, sizeof(Buffer)) > 1 && Buffer[0] != '\0') return Buffer[0];
  return Default;
}

// Replaces the C "." by the locale's decimal separator.
void LocalizeDecimal(std::string& S) {
  const char Sep = LocaleChar(LOCALE_SDECIMAL, '.');
  for (char& C : S)
    if (C == '.') C = Sep;
}

std::string FormatFixed(double Value, int Precision) {
  char Buffer[400];
  std::snprintf(Buffer, sizeof(Buffer), "%.*f", Precision, Value);
  return Buffer;
}

// Scientific notation with Precision significant digits and an exponent of at least three digits.
std::string FormatExponent(double Value, int Precision) {
  char Buffer[64];
  if (Precision < 1) Precision = 1;
  if (Precision > 18) Precision = 18;
  std::snprintf(Buffer, sizeof(Buffer), "%.*E", Precision - 1, Value);
  std::string S = Buffer;
  const size_t E = S.find('E');
  if (E != std::string::npos && E + 2 <= S.size()) {
    std::string Exp = S.substr(E + 2);
    while (Exp.size() < 3) Exp.insert(Exp.begin(), '0');
    S = S.substr(0, E + 2) + Exp;
  }
  return S;
}

// Shortest of fixed and scientific with Precision significant digits; exponent as "E5", "E-5".
std::string FormatGeneral(double Value, int Precision) {
  char Buffer[64];
  if (Precision < 1) Precision = 1;
  if (Precision > 18) Precision = 18;
  std::snprintf(Buffer, sizeof(Buffer), "%.*G", Precision, Value);
  std::string S = Buffer;
  const size_t E = S.find('E');
  if (E != std::string::npos && E + 1 < S.size()) {
    std::string Mantissa = S.substr(0, E);
    std::string Exp = S.substr(E + 1);
    bool Negative = false;
    if (!Exp.empty() && (Exp[0] == '+' || Exp[0] == '-')) {
      Negative = Exp[0] == '-';
      Exp.erase(0, 1);
    }
    while (Exp.size() > 1 && Exp[0] == '0') Exp.erase(0, 1);
    S = Mantissa + "E" + (Negative ? "-" : "") + Exp;
  }
  return S;
}

// Fixed notation with the locale's thousands separator.
std::string FormatNumber(double Value, int Precision) {
  std::string S = FormatFixed(Value, Precision);
  LocalizeDecimal(S);
  const char DecimalSep = LocaleChar(LOCALE_SDECIMAL, '.');
  size_t Start = (!S.empty() && S[0] == '-') ? 1 : 0;
  size_t End = Precision > 0 ? S.rfind(DecimalSep) : std::string::npos;
  if (End == std::string::npos) End = S.size();
  if (End > Start && std::isfinite(Value)) {
    const char Sep = LocaleChar(LOCALE_STHOUSAND, ',');
    for (size_t I = End; I > Start + 3; I -= 3) S.insert(I - 3, 1, Sep);
  }
  return S;
}

std::string FormatMoney(double Value, int Precision) {
  const std::string Number = FormatFixed(Value, Precision < 0 ? 2 : Precision);
  char Buffer[400];
  const int Len = GetCurrencyFormatA(LOCALE_USER_DEFAULT, 0, Number.c_str(), nullptr, Buffer, sizeof(Buffer));
  return Len > 0 ? std::string(Buffer, static_cast<size_t>(Len - 1)) : Number;
}

}  // namespace

std::string Format(const std::string& Fmt, std::initializer_list<TVarRec> Args) {
  const TVarRec* const ArgList = Args.begin();
  const int ArgCount = static_cast<int>(Args.size());
  int ArgIndex = 0;
  std::string Result;
  const size_t N = Fmt.size();
  size_t I = 0;

  auto NextArg = [&]() -> const TVarRec& {
    if (ArgIndex < 0 || ArgIndex >= ArgCount) FormatError(SArgumentMissing, Fmt);
    return ArgList[ArgIndex++];
  };
  // A number of digits or "*" (taken from the arguments); false when neither stands at I.
  auto ParseNumber = [&](int& Value) -> bool {
    if (I < N && Fmt[I] == '*') {
      ++I;
      const TVarRec& A = NextArg();
      if (A.Kind() != TVarRec::vtInteger) FormatError(SInvalidFormat, Fmt);
      Value = static_cast<int>(A.AsInt64());
      return true;
    }
    if (I < N && Fmt[I] >= '0' && Fmt[I] <= '9') {
      long long V = 0;
      while (I < N && Fmt[I] >= '0' && Fmt[I] <= '9') {
        if (V < 100000000) V = V * 10 + (Fmt[I] - '0');
        ++I;
      }
      Value = static_cast<int>(V);
      return true;
    }
    return false;
  };

  while (I < N) {
    const size_t Start = Fmt.find('%', I);
    if (Start == std::string::npos) {
      Result.append(Fmt, I, std::string::npos);
      break;
    }
    Result.append(Fmt, I, Start - I);
    I = Start + 1;
    if (I < N && Fmt[I] == '%') {
      Result += '%';
      ++I;
      continue;
    }

    bool LeftJustify = false;
    int Width = -1, Precision = -1, Number = 0;
    bool HaveWidth = ParseNumber(Number);
    if (HaveWidth && I < N && Fmt[I] == ':') {
      ++I;
      ArgIndex = Number;
      HaveWidth = false;
    }
    if (!HaveWidth) {
      if (I < N && Fmt[I] == '-') {
        LeftJustify = true;
        ++I;
      }
      HaveWidth = ParseNumber(Number);
    }
    if (HaveWidth) {
      Width = Number;
      if (Width < 0) {
        LeftJustify = true;
        Width = -Width;
      }
    }
    if (I < N && Fmt[I] == '.') {
      ++I;
      if (!ParseNumber(Precision)) Precision = 0;
    }
    if (I >= N) FormatError(SInvalidFormat, Fmt);
    char Type = Fmt[I++];
    if (Type >= 'a' && Type <= 'z') Type = static_cast<char>(Type - 32);
    if (std::string_view("DUXSPEFGNM").find(Type) == std::string_view::npos) FormatError(SInvalidFormat, Fmt);

    const TVarRec& Arg = NextArg();
    std::string Text;
    switch (Type) {
      case 'D': {
        if (!Arg.IsInteger()) FormatError(SInvalidFormat, Fmt);
        bool Negative = false;
        unsigned long long Magnitude;
        if (Arg.Kind() == TVarRec::vtInteger || Arg.Kind() == TVarRec::vtInt64) {
          const long long V = Arg.AsInt64();
          Negative = V < 0;
          Magnitude = Negative ? 0ULL - static_cast<unsigned long long>(V) : static_cast<unsigned long long>(V);
        } else {
          Magnitude = Arg.AsUInt64();
        }
        Text = Digits(Magnitude, 10);
        PadZeros(Text, Precision);
        if (Negative) Text.insert(Text.begin(), '-');
        break;
      }
      case 'U':
      case 'X': {
        if (!Arg.IsInteger()) FormatError(SInvalidFormat, Fmt);
        unsigned long long V = Arg.AsUInt64();
        if (Arg.Kind() == TVarRec::vtInteger || Arg.Kind() == TVarRec::vtCardinal) V &= 0xFFFFFFFFULL;
        Text = Digits(V, Type == 'U' ? 10 : 16);
        PadZeros(Text, Precision);
        break;
      }
      case 'S': {
        if (!Arg.IsText()) FormatError(SInvalidFormat, Fmt);
        Text = Arg.AsText();
        if (Precision >= 0 && Precision < static_cast<int>(Text.size())) Text.resize(static_cast<size_t>(Precision));
        break;
      }
      case 'P': {
        if (Arg.Kind() != TVarRec::vtPointer && Arg.Kind() != TVarRec::vtPChar) FormatError(SInvalidFormat, Fmt);
        Text = Digits(reinterpret_cast<uintptr_t>(Arg.AsPointer()), 16);
        PadZeros(Text, static_cast<int>(sizeof(void*) * 2));
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        if (Arg.Kind() != TVarRec::vtExtended) FormatError(SInvalidFormat, Fmt);
        const double V = Arg.AsDouble();
        switch (Type) {
          case 'E': Text = FormatExponent(V, Precision < 0 ? 15 : Precision); break;
          case 'F': Text = FormatFixed(V, Precision < 0 ? 2 : Precision); break;
          case 'G': Text = FormatGeneral(V, Precision < 0 ? 15 : Precision); break;
          case 'N': Text = FormatNumber(V, Precision < 0 ? 2 : Precision); break;
          default: Text = FormatMoney(V, Precision); break;
        }
        if (Type == 'E' || Type == 'F' || Type == 'G') LocalizeDecimal(Text);
        break;
      }
      default: FormatError(SInvalidFormat, Fmt);
    }
    if (Width > static_cast<int>(Text.size())) {
      const size_t Pad = static_cast<size_t>(Width) - Text.size();
      if (LeftJustify)
        Text.append(Pad, ' ');
      else
        Text.insert(0, Pad, ' ');
    }
    Result += Text;
  }
  return Result;
}
