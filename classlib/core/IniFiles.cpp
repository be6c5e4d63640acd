#include "classlib/core/IniFiles.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/IniFiles.h"

#include <cstring>
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

}  // namespace

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

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

TIniFile::~TIniFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
  std::vector<char> Buffer;
  DWORD Len = GetWithGrowingBuffer(Buffer, 1, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), Buf, Size,
                                    FileName().c_str());
  });
  return std::string(Buffer.data(), Len);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  if (!WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str()))
    throw EIniFileException(LoadResString(SIniFileWriteError), {FileName()});
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
  std::vector<char> Buffer;
  GetWithGrowingBuffer(Buffer, 2, [&](char* Buf, DWORD Size) {
    return GetPrivateProfileStringA(Section.c_str(), nullptr, nullptr, Buf, Size, FileName().c_str());
  });
  AddNullList(Buffer.data(), Strings);
}

void TIniFile::ReadSections(TStrings& Strings) {
  TUpdateScope<TStrings> Update(Strings);
  Strings.Clear();
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
  if (!WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName().c_str()))
    throw EIniFileException(LoadResString(SIniFileWriteError), {FileName()});
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str());
}

void TIniFile::UpdateFile() {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}
