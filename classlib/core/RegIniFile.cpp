#include "classlib/core/RegIniFile.h"

TRegIniFile::TRegIniFile(const std::string& FileName, REGSAM Access) : TCustomIniFile(FileName), FReg(Access) {
  FReg.OpenKey(FileName, Access != KEY_READ);
}

void TRegIniFile::ChangeRoot(HKEY Root, bool CanCreate) {
  FReg.CloseKey();
  FReg.SetRootKey(Root);
  FReg.OpenKey(FileName(), CanCreate);
}

std::unique_ptr<TRegistry> TRegIniFile::Section(const std::string& Name, bool Create) {
  if (!FReg.CurrentKey()) return nullptr;
  auto Reg = std::make_unique<TRegistry>(Create ? KEY_ALL_ACCESS : KEY_READ);
  Reg->SetRootKey(FReg.CurrentKey());
  const bool Opened = Name.empty() ? Reg->OpenKey("", false) : Create ? Reg->OpenKey(Name, true) : Reg->OpenKeyReadOnly(Name);
  if (!Opened) return nullptr;
  return Reg;
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  auto Reg = this->Section(Section, false);
  if (!Reg || !Reg->ValueExists(Ident)) return Default;
  return Reg->ReadString(Ident);
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  auto Reg = this->Section(Section, true);
  if (!Reg) throw ERegistryException("Failed to set data for '%s'", {Ident});
  Reg->WriteString(Ident, Value);
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  auto Reg = this->Section(Section, false);
  if (!Reg || !Reg->ValueExists(Ident)) return Default;
  if (Reg->GetDataType(Ident) == rdInteger) return Reg->ReadInteger(Ident);
  return StrToIntDef(Reg->ReadString(Ident), Default);
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  Strings.Clear();
  if (auto Reg = this->Section(Section, false)) Reg->GetValueNames(Strings);
}

void TRegIniFile::ReadSections(TStrings& Strings) {
  Strings.Clear();
  if (FReg.CurrentKey()) FReg.GetKeyNames(Strings);
}

void TRegIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  Strings.Clear();
  auto Reg = this->Section(Section, false);
  if (!Reg) return;
  TStringList Names;
  Reg->GetValueNames(Names);
  for (int I = 0; I < Names.Count(); ++I) Strings.Add(Names[I] + "=" + ReadString(Section, Names[I], ""));
}

void TRegIniFile::EraseSection(const std::string& Section) {
  if (!FReg.CurrentKey() || Section.empty()) return;
  TRegistry Reg;
  Reg.SetRootKey(FReg.CurrentKey());
  Reg.DeleteKey(Section);
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (auto Reg = this->Section(Section, true)) Reg->DeleteValue(Ident);
}
