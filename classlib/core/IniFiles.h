// INI files: the abstract INI-file interface with its typed reads and writes, and TIniFile on the
// platform's profile API.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"

#include <memory>
#include <string>

class EIniFileException : public Exception {
public:
  using Exception::Exception;
};

// String operations are abstract; the typed ones are built on ReadString/WriteString.
// The operations are not const: an implementation may load its file on first use.
class TCustomIniFile : public TObject {
public:
  explicit TCustomIniFile(const std::string& FileName);
  ~TCustomIniFile() override;

  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;

  // "0x"/"0X" in front of more than two characters reads as "$" (hexadecimal); anything that
  // is not a number gives Default.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);  // decimal
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);    // integer <> 0
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);     // "1" / "0"

  virtual void ReadSection(const std::string& Section, TStrings& Strings) = 0;  // key names
  virtual void ReadSections(TStrings& Strings) = 0;                             // section names
  virtual void ReadSectionValues(const std::string& Section, TStrings& Strings) = 0;  // "name=value"
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual void UpdateFile() = 0;

  bool SectionExists(const std::string& Section);  // the section holds at least one key
  bool ValueExists(const std::string& Section, const std::string& Ident);

private:
  std::string FFileName;
};

class TProfileText;

// The profile API (GetPrivateProfileStringA and friends) on FileName. The first read takes the
// whole file into memory, and reads are answered from there as the profile API answers them;
// every write goes through the profile API, and the next read takes the file again. A file the
// profile API reads in another encoding (one with a byte-order mark) is read through the profile
// API. Failed writes raise EIniFileException "Unable to write to %s".
class TIniFile : public TCustomIniFile {
public:
  explicit TIniFile(const std::string& FileName);
  ~TIniFile() override;  // flushes the system's cache of the file

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override;

  // The system's error code that kept the file, which exists, from being read at the latest first
  // read (a file held without sharing is tried every 100 ms for a second); ERROR_SUCCESS when it
  // was read or does not exist. Reads the file when nothing has read it yet.
  DWORD ReadError();

private:
  TProfileText* Text();  // the file in memory, read at the first call; nullptr: ask the profile API
  void Forget();         // after a write: the profile API writes its cache, the next read takes the file

  std::unique_ptr<TProfileText> FText;
  bool FRead = false;
  DWORD FReadError = ERROR_SUCCESS;
};
