// TRegIniFile: the INI-file interface over a registry key; sections are its subkeys, keys their values.
#pragma once

#include "classlib/core/IniFiles.h"
#include "classlib/core/Registry.h"

class TRegIniFile : public TCustomIniFile {
public:
  // Opens (creating it) the key FileName below HKEY_CURRENT_USER with Access.
  explicit TRegIniFile(const std::string& FileName, REGSAM Access = KEY_ALL_ACCESS);
  TRegistry& Registry() { return FReg; }
  // Opens the key FileName again below Root; created when CanCreate.
  void ChangeRoot(HKEY Root, bool CanCreate);

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) override;
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override {}

private:
  TRegistry FReg;
  // A registry object on the section's subkey (the open key itself for ""); nullptr when it
  // cannot be opened (or created, with Create).
  std::unique_ptr<TRegistry> Section(const std::string& Name, bool Create);
};
