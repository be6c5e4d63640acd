// The language-file loader and the reporting of its faults.
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/SysUtils.h"
#include "localizer/uStringUtils.h"

#include <atomic>

UINT DefaultCodePage = GetACP();
TFreeLocalizer* FreeLocalizer = nullptr;

namespace {

const char Signature[] = "; Ostrel's Delphi Localizer Language File.";
const char ByteOrderMark[] = "\xEF\xBB\xBF";

std::atomic<TLanguageErrorBox> CurrentErrorBox{&DefaultLanguageErrorBox};

bool IsSignature(const std::string& Line) {
  return Line == Signature || Line == std::string(ByteOrderMark) + Signature;
}

bool StartsWith(const std::wstring& S, const wchar_t* Prefix) { return S.rfind(Prefix, 0) == 0; }

// The value of the first line whose name (before "=") is Name without regard to case.
bool FindOption(const TStrings& Lines, const std::string& Name, std::string& Value) {
  for (int I = 0; I < Lines.Count(); ++I) {
    const std::string Line = Lines.Get(I);
    const size_t Eq = Line.find('=');
    if (Eq != std::string::npos && SameText(Line.substr(0, Eq), Name)) {
      Value = Line.substr(Eq + 1);
      return true;
    }
  }
  return false;
}

// The reports of lines that begin with "(": true when the line is not to be used.
bool SkipBracketLine(TFreeLocalizer& Localizer, const std::wstring& Wide, const std::string& Line,
                     const char* ObsoleteAdvice) {
  if (!StartsWith(Wide, L"(")) return false;
  if (StartsWith(Wide, L"(x)"))
    Localizer.ReportLanguageError("Obsolete line in language file:\r\n\"" + Line + "\"\r\n" + ObsoleteAdvice);
  else if (StartsWith(Wide, L"(!)"))
    Localizer.ReportLanguageError("Untranslated line in language file:\r\n\"" + Line +
                                  "\"\r\nYou have to translate it!");
  return true;
}

// The number that the leading decimal digits of S form, 0 without any.
int LeadingNumber(const std::string& S) {
  long long Value = 0;
  for (char C : S) {
    if (C < '0' || C > '9') break;
    Value = (Value * 10 + (C - '0')) & 0xFFFFFFFFLL;
  }
  return static_cast<int>(static_cast<uint32_t>(Value));
}

}  // namespace

void DefaultLanguageErrorBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  MessageBoxA(GetActiveWindow(), Text.c_str(), Caption.c_str(), Flags);
}

TLanguageErrorBox SetLanguageErrorBox(TLanguageErrorBox Box) {
  return CurrentErrorBox.exchange(Box != nullptr ? Box : &DefaultLanguageErrorBox);
}

void InitFreeLocalizer() {
  if (FreeLocalizer == nullptr) FreeLocalizer = new TFreeLocalizer();
}

void DoneFreeLocalizer() {
  delete FreeLocalizer;
  FreeLocalizer = nullptr;
}

TFreeLocalizer::TFreeLocalizer() {
  if (ResStringer != nullptr) throw Exception("A localizer exists already");
  ResStringer = new TResStringer();
}

TFreeLocalizer::~TFreeLocalizer() {
  SetTranslateOnCreate(false);
  delete ResStringer;
  ResStringer = nullptr;
}

void TFreeLocalizer::ReportLanguageError(const std::string& Message) {
  switch (ErrorReporting) {
    case erMessageBox:
      CurrentErrorBox.load()(Message, "Q.T.R. Error", MB_ICONERROR);
      break;
    case erRaise:
      throw Exception(Message);
    default:
      break;
  }
}

bool ReadLanguageOptions(const TStrings& Lines, bool& Humanize, UINT& CodePage, std::wstring& Divider) {
  std::string Value;
  CodePage = DefaultCodePage;
  if (FindOption(Lines, "Codepage", Value)) {
    int Page = 0;
    if (!TryStrToInt(Value, Page)) return false;
    CodePage = static_cast<UINT>(Page);
  }
  Humanize = false;
  Divider = L"\\";
  if (FindOption(Lines, "Humanize", Value)) {
    Humanize = Value == "1";
    if (FindOption(Lines, "HumanizeDivider", Value)) Divider = AnsiToWideCP(Value, CodePage);
  }
  return true;
}

void TFreeLocalizer::ReadLanguageFile(const std::string& FileName) {
  if (OnLoading) OnLoading(this, LanguageFileName, FileName);

  std::string Path = LanguageFolder;
  if (!Path.empty() && Path.back() != '/' && Path.back() != '\\') Path += '\\';
  Path += FileName;
  if (Path.size() < 4 || !SameText(Path.substr(Path.size() - 4), ".lng")) Path += ".lng";

  try {
    Forms.clear();
    TStringList Lines;
    Lines.LoadFromFile(Path);
    if (Lines.Count() == 0 || !IsSignature(Lines.Get(0))) {
      ReportLanguageError("Bad signature in language file \"" + Path + "\"");
      return;
    }
    bool Humanize = false;
    UINT CodePage = 0;
    std::wstring Divider;
    if (!ReadLanguageOptions(Lines, Humanize, CodePage, Divider)) {
      ReportLanguageError("Bad codepage in language file \"" + Path + "\"");
      return;
    }

    TResForm* Section = nullptr;
    int I = 1;
    while (I < Lines.Count()) {
      const std::string Line = Lines.Get(I);
      if (Line.empty() || Line[0] == ';') {
        ++I;
        continue;
      }
      if (UpperCase(Line) == "[RESOURCESTRINGS]") {
        ReadResourceStringBlock(Lines, I, CodePage, Divider, Humanize);
        continue;  // I is at the next header or the end
      }
      if (Line[0] == '[') {
        if (Line.compare(1, 3, "(x)") == 0) {
          ReportLanguageError("Deleted component in language file:\r\n\"" + Line + "\"\r\nYou have to remove it!");
          return;
        }
        Forms.push_back(std::make_unique<TResForm>());
        Section = Forms.back().get();
        Section->Name = Line.size() >= 2 ? Line.substr(1, Line.size() - 2) : std::string();
        ++I;
        continue;
      }
      if (Section != nullptr) {
        std::wstring Rest = AnsiToWideCP(Line, CodePage), Name;
        if (!SkipBracketLine(*this, Rest, Line, "You have to remove it!")) {
          WideCutHead(Rest, L"=", Name);
          const std::string Value =
              WideToAnsiCP(DecodeValue(Rest, Humanize, Divider, L"\r", DefaultCodePage), DefaultCodePage);
          const size_t Brace = Name.find(L'{');
          if (Brace != std::wstring::npos) Name.erase(Brace);
          if (Name.empty()) {
            ReportLanguageError("Bad line in language file: \"" + Line + "\"");
            return;
          }
          Section->Paths.Add(WideToAnsiCP(Name, DefaultCodePage));
          Section->Values.Add(Value);
        }
      }
      ++I;
    }
  } catch (const Exception& E) {
    ReportLanguageError("Error while loading language file \"" + Path + "\"\r\n" + E.Message());
    return;
  } catch (const std::exception& E) {
    ReportLanguageError("Error while loading language file \"" + Path + "\"\r\n" + E.what());
    return;
  }

  LanguageFileName = FileName;
  if (FTranslateOnCreate) TranslateScreen();
  if (OnLoaded) OnLoaded(this, LanguageFileName);
}

void TFreeLocalizer::ReadResourceStringBlock(const TStrings& Lines, int& I, UINT CodePage,
                                             const std::wstring& Divider, bool Humanize) {
  const bool WasEnabled = ResStringer->Enabled();
  ResStringer->SetEnabled(false);
  ResStringer->ClearStrings();
  // Reports may raise: the stringer is enabled again on every way out.
  struct TReEnable {
    bool WasEnabled;
    ~TReEnable() {
      if (WasEnabled && !ResStringer->Strings().empty()) ResStringer->SetEnabled(true);
    }
  } ReEnable{WasEnabled};

  for (++I; I < Lines.Count(); ++I) {
    const std::string Line = Lines.Get(I);
    if (Line.empty() || Line[0] == ';') continue;
    std::wstring Rest = AnsiToWideCP(Line, CodePage), IdText, Name;
    if (SkipBracketLine(*this, Rest, Line, "You have to delete it!")) continue;
    if (StartsWith(Rest, L"[")) break;
    WideCutHead(Rest, L"_", IdText);
    const std::string Ident = WideToAnsiCP(IdText, DefaultCodePage);
    int Id = 0;
    bool Decimal = !Ident.empty();
    for (char C : Ident) Decimal = Decimal && C >= '0' && C <= '9';
    if (!Decimal || !TryStrToInt(Ident, Id)) {
      ReportLanguageError("Bad resource ID in language file: \"" + Ident + "\"");
      Id = LeadingNumber(Ident);
    }
    WideCutHead(Rest, L"=", Name);
    ResStringer->AddString(
        Id, WideToAnsiCP(DecodeValue(Rest, Humanize, Divider, L"\r\n", DefaultCodePage), DefaultCodePage));
  }
}
