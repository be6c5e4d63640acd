#include "classlib/core/IniFiles.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/IniFiles.h"

#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Adds the strings of a NUL-separated list ending in an empty string.
void AddNullList(const char* List, TStrings& Strings) {
  for (const char* P = List; *P != '\0'; P += std::strlen(P) + 1)
    Strings.Add(P);
}

// Calls Get(Buffer, Size) with a growing buffer while the answer fills it (Slack: the number of
// characters the API keeps back when it cuts its answer). Returns the answer's length.
template <class TGet>
DWORD GetWithGrowingBuffer(std::vector<char>& Buffer, DWORD Slack, TGet Get) {
  DWORD Size = 2048;
  for (;;) {
    Buffer.assign(Size, '\0');
    DWORD Len = Get(Buffer.data(), Size);
    if (Len + Slack < Size || Size >= 0x1000000) return Len;
    Size *= 2;
  }
}

// The profile API's view of the bytes of an ANSI file: it reads the file as text in the ANSI code
// page and hands texts back in it, trims its blanks (tab, vertical tab, form feed, blank and ^Z)
// and compares names without the case of ASCII letters. On a single-byte code page all of this
// works byte by byte.
struct TProfileBytes {
  bool SingleByte = false;
  std::array<bool, 256> Blank{};
  std::array<char, 256> Fold{};       // ASCII letters in lower case, every other byte as it is
  std::array<char, 256> RoundTrip{};  // the byte after the trip to a wide character and back

  TProfileBytes() {
    CPINFO Info;
    SingleByte = GetCPInfo(CP_ACP, &Info) && Info.MaxCharSize == 1;
    for (unsigned char B : {'\t', '\n', '\v', '\f', '\r', '\x1A', ' '}) Blank[B] = true;
    for (int B = 0; B < 256; ++B) {
      const char C = static_cast<char>(B);
      Fold[B] = B >= 'A' && B <= 'Z' ? static_cast<char>(B - 'A' + 'a') : C;
      wchar_t W = 0;
      char Back = C;
      if (SingleByte && (MultiByteToWideChar(CP_ACP, 0, &C, 1, &W, 1) != 1 ||
                         WideCharToMultiByte(CP_ACP, 0, &W, 1, &Back, 1, nullptr, nullptr) != 1))
        Back = '?';
      RoundTrip[B] = Back;
    }
  }

  std::string_view Trim(std::string_view S) const {
    size_t First = 0, Last = S.size();
    while (First < Last && Blank[static_cast<unsigned char>(S[First])]) ++First;
    while (Last > First && Blank[static_cast<unsigned char>(S[Last - 1])]) --Last;
    return S.substr(First, Last - First);
  }

  void FoldInto(std::string_view S, std::string& Result) const {
    Result.resize(S.size());
    for (size_t I = 0; I < S.size(); ++I) Result[I] = Fold[static_cast<unsigned char>(S[I])];
  }
};

const TProfileBytes& ProfileBytes() {
  static const TProfileBytes Bytes;
  return Bytes;
}

}  // namespace

// The file, parsed as the profile API parses it: one section for the lines before the first
// header, then one per header line; in each, one key per line that is neither blank nor a header.
// Names and values are ranges of the text; a folded copy of the text gives each name its form
// for comparisons without case at the same position.
class TProfileText {
public:
  // nullptr for a file that the profile API reads in another encoding, or that cannot be read;
  // Error: the system's code that kept an existing file from being read, else ERROR_SUCCESS.
  static std::unique_ptr<TProfileText> Load(const std::string& Path, DWORD& Error);

  // Whether the key exists; Value: its value, HasValue false for a line without "=".
  bool Find(const std::string& Section, const std::string& Ident, std::string_view& Value, bool& HasValue);
  // The answers of the profile API as NUL-separated lists.
  std::string KeyNames(const std::string& Section);
  std::string SectionNames() const;

private:
  struct TRange {
    uint32_t Pos = 0, Len = 0;
  };
  struct TKey {
    TRange Name, Value;
    bool HasValue = false;
  };
  struct TSection {
    TRange Name;
    std::vector<TKey> Keys;
    std::unordered_map<std::string_view, int> Index;  // folded name -> first key; built on first use
    bool Indexed = false;
  };

  std::string_view Of(TRange R) const { return {FText.data() + R.Pos, R.Len}; }
  std::string_view FoldedOf(TRange R) const { return {FFolded.data() + R.Pos, R.Len}; }
  TRange RangeOf(std::string_view S) const {
    return {static_cast<uint32_t>(S.data() - FText.data()), static_cast<uint32_t>(S.size())};
  }
  void Parse();
  // The first section of the name; a lookup of a key trims the name asked for, a listing does not.
  TSection* FindSection(std::string_view Name);

  std::string FText;
  std::string FFolded;
  std::vector<TSection> FSections;
  std::unordered_map<std::string_view, int> FSectionIndex;  // folded name -> first section
  std::string FQuery;                                       // scratch: a folded name asked for
};

std::unique_ptr<TProfileText> TProfileText::Load(const std::string& Path, DWORD& Error) {
  Error = ERROR_SUCCESS;
  auto Result = std::make_unique<TProfileText>();
  // A file that another program holds without sharing is asked for again every 100 ms for a second.
  HANDLE File = INVALID_HANDLE_VALUE;
  for (int Retry = 0;; ++Retry) {
    File = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION || Retry == 10) break;
    Sleep(100);
  }
  if (File == INVALID_HANDLE_VALUE) {
    const DWORD Code = GetLastError();
    if (Code != ERROR_FILE_NOT_FOUND && Code != ERROR_PATH_NOT_FOUND) {
      Error = Code;
      return nullptr;
    }
  } else {
    LARGE_INTEGER Size{};
    bool Ok = GetFileSizeEx(File, &Size) && Size.QuadPart < 0x40000000;
    if (Ok) {
      Result->FText.resize(static_cast<size_t>(Size.QuadPart));
      DWORD Read = 0;
      Ok = Result->FText.empty() ||
           (ReadFile(File, Result->FText.data(), static_cast<DWORD>(Result->FText.size()), &Read, nullptr) &&
            Read == Result->FText.size());
    }
    if (!Ok) Error = GetLastError() != ERROR_SUCCESS ? GetLastError() : static_cast<DWORD>(ERROR_READ_FAULT);
    CloseHandle(File);
    if (!Ok) return nullptr;
  }
  const TProfileBytes& Bytes = ProfileBytes();
  if (!Bytes.SingleByte) return nullptr;
  std::string& Text = Result->FText;
  // Byte-order marks and NUL bytes: another encoding.
  auto StartsWith = [&](const char* Mark) { return Text.compare(0, std::strlen(Mark), Mark) == 0; };
  if (StartsWith("\xFF\xFE") || StartsWith("\xFE\xFF") || StartsWith("\xEF\xBB\xBF") ||
      Text.find('\0') != std::string::npos)
    return nullptr;
  for (char& C : Text) C = Bytes.RoundTrip[static_cast<unsigned char>(C)];
  Result->FFolded.resize(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) Result->FFolded[I] = Bytes.Fold[static_cast<unsigned char>(Text[I])];
  Result->Parse();
  return Result;
}

void TProfileText::Parse() {
  const TProfileBytes& Bytes = ProfileBytes();
  const std::string_view All(FText);
  FSections.emplace_back();  // the lines before the first header, found by the name ""
  FSectionIndex.emplace(std::string_view(), 0);
  size_t Pos = 0;
  while (Pos < All.size()) {
    size_t End = Pos;
    while (End < All.size() && All[End] != '\r' && All[End] != '\n') ++End;
    const std::string_view Line = Bytes.Trim(All.substr(Pos, End - Pos));
    Pos = End;
    while (Pos < All.size() && (All[Pos] == '\r' || All[Pos] == '\n')) ++Pos;
    if (Line.empty()) continue;
    if (Line[0] == '[') {
      const size_t Close = Line.rfind(']');
      if (Close != std::string_view::npos) {
        TSection Section;
        Section.Name = RangeOf(Bytes.Trim(Line.substr(1, Close - 1)));
        FSectionIndex.emplace(FoldedOf(Section.Name), static_cast<int>(FSections.size()));
        FSections.push_back(std::move(Section));
        continue;
      }
    }
    TKey Key;
    const size_t Eq = Line.find('=');
    if (Eq == std::string_view::npos) {
      Key.Name = RangeOf(Line);
    } else {
      Key.Name = RangeOf(Bytes.Trim(Line.substr(0, Eq)));
      Key.Value = RangeOf(Bytes.Trim(Line.substr(Eq + 1)));
      Key.HasValue = true;
    }
    FSections.back().Keys.push_back(Key);
  }
}

TProfileText::TSection* TProfileText::FindSection(std::string_view Name) {
  ProfileBytes().FoldInto(Name, FQuery);
  const auto Found = FSectionIndex.find(FQuery);
  return Found != FSectionIndex.end() ? &FSections[Found->second] : nullptr;
}

bool TProfileText::Find(const std::string& Section, const std::string& Ident, std::string_view& Value,
                        bool& HasValue) {
  TSection* S = FindSection(ProfileBytes().Trim(Section));
  if (S == nullptr) return false;
  if (!S->Indexed) {
    S->Index.reserve(S->Keys.size());
    for (size_t I = 0; I < S->Keys.size(); ++I) S->Index.emplace(FoldedOf(S->Keys[I].Name), static_cast<int>(I));
    S->Indexed = true;
  }
  ProfileBytes().FoldInto(ProfileBytes().Trim(Ident), FQuery);
  const auto Found = S->Index.find(FQuery);
  if (Found == S->Index.end()) return false;
  const TKey& Key = S->Keys[Found->second];
  Value = Of(Key.Value);
  HasValue = Key.HasValue;
  return true;
}

std::string TProfileText::KeyNames(const std::string& Section) {
  std::string Result;
  if (const TSection* S = FindSection(Section))
    for (const TKey& Key : S->Keys) {
      const std::string_view Name = Of(Key.Name);
      if (!Key.HasValue || (!Name.empty() && Name[0] == ';')) continue;
      Result.append(Name);
      Result += '\0';
    }
  return Result;
}

std::string TProfileText::SectionNames() const {
  std::string Result;
  for (size_t I = 1; I < FSections.size(); ++I) {
    if (FSections[I].Name.Len == 0) continue;  // "[]"
    Result.append(Of(FSections[I].Name));
    Result += '\0';
  }
  return Result;
}

// TCustomIniFile

TCustomIniFile::TCustomIniFile(const std::string& FileName) : FFileName(FileName) {}

TCustomIniFile::~TCustomIniFile() = default;

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  std::string IntStr = ReadString(Section, Ident, "");
  if (IntStr.size() > 2 && IntStr[0] == '0' && (IntStr[1] == 'x' || IntStr[1] == 'X'))
    IntStr = "$" + IntStr.substr(2);
  return StrToIntDef(IntStr, Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
  TStringList Keys;
  ReadSection(Section, Keys);
  return Keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  TStringList Keys;
  ReadSection(Section, Keys);
  return Keys.IndexOf(Ident) >= 0;
}

// TIniFile

namespace {

// One pair of enclosing quotes, double or single, is stripped.
std::string_view Unquoted(std::string_view Value) {
  if (Value.size() >= 2 && (Value[0] == '"' || Value[0] == '\'') && Value.back() == Value[0])
    return Value.substr(1, Value.size() - 2);
  return Value;
}

// The profile API's form of a default: trailing blanks cut (the first character kept), then
// unquoted as a value.
std::string ProfileDefault(const std::string& Default) {
  size_t Len = Default.size();
  while (Len > 1 && Default[Len - 1] == ' ') --Len;
  std::string Result(Unquoted(std::string_view(Default).substr(0, Len)));
  for (char& C : Result) C = ProfileBytes().RoundTrip[static_cast<unsigned char>(C)];
  return Result;
}

// The file the profile API opens for a name: one without a folder lies in the Windows folder.
std::string ProfilePath(const std::string& FileName) {
  if (FileName.find_first_of("\\/") != std::string::npos) return FileName;
  char Windows[MAX_PATH + 1] = {};
  const UINT Len = GetWindowsDirectoryA(Windows, sizeof(Windows));
  if (Len == 0 || Len > MAX_PATH) return std::string();
  std::string Result(Windows, Len);
  if (Result.back() != '\\') Result += '\\';
  return Result + FileName;
}

}  // namespace

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

TIniFile::~TIniFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}

TProfileText* TIniFile::Text() {
  if (!FRead) {
    const std::string Path = FileName().empty() ? std::string() : ProfilePath(FileName());
    FReadError = ERROR_SUCCESS;
    if (!Path.empty()) FText = TProfileText::Load(Path, FReadError);
    FRead = true;
  }
  return FText.get();
}

DWORD TIniFile::ReadError() {
  Text();
  return FReadError;
}

void TIniFile::Forget() {
  // The profile API may keep a change in its cache (an erased section): the file gets it now.
  UpdateFile();
  FText.reset();
  FRead = false;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
  if (TProfileText* T = Text()) {
    std::string_view Value;
    bool HasValue = false;
    // A line without "=" answers the default.
    if (!T->Find(Section, Ident, Value, HasValue) || !HasValue) return ProfileDefault(Default);
    return std::string(Unquoted(Value));
  }
  std::vector<char> Buffer;
  DWORD Len = GetWithGrowingBuffer(Buffer, 1, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), Buf, Size,
                                    FileName().c_str());
  });
  return std::string(Buffer.data(), Len);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  const bool Written = WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str());
  Forget();
  if (!Written) throw EIniFileException(LoadResString(SIniFileWriteError), {FileName()});
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
  if (TProfileText* T = Text()) {
    const std::string List = T->KeyNames(Section);
    AddNullList(List.c_str(), Strings);
    return;
  }
  std::vector<char> Buffer;
  GetWithGrowingBuffer(Buffer, 2, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileStringA(Section.c_str(), nullptr, nullptr, Buf, Size, FileName().c_str());
  });
  AddNullList(Buffer.data(), Strings);
}

void TIniFile::ReadSections(TStrings& Strings) {
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
  if (TProfileText* T = Text()) {
    const std::string List = T->SectionNames();
    AddNullList(List.c_str(), Strings);
    return;
  }
  std::vector<char> Buffer;
  GetWithGrowingBuffer(Buffer, 2, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileSectionNamesA(Buf, Size, FileName().c_str());
  });
  AddNullList(Buffer.data(), Strings);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  TStringList Keys;
  ReadSection(Section, Keys);
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
  for (int I = 0; I < Keys.Count(); ++I) {
    std::string Name = Keys[I];
    Strings.Add(Name + "=" + ReadString(Section, Name, ""));
  }
}

void TIniFile::EraseSection(const std::string& Section) {
  const bool Written = WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName().c_str());
  Forget();
  if (!Written) throw EIniFileException(LoadResString(SIniFileWriteError), {FileName()});
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str());
  Forget();
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}
