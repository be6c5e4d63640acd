// TRegistry: one open key of the registry at a time, below a chosen root key, with typed reads
// and writes of its values. Key names beginning with "\" are absolute (below the root key); all
// others are relative to the open key (or to the root key when none is open).
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"

#include <windows.h>

#include <string>

class ERegistryException : public Exception {
public:
  using Exception::Exception;
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegKeyInfo {
  DWORD NumSubKeys = 0;
  DWORD MaxSubKeyLen = 0;  // characters, without the terminator
  DWORD NumValues = 0;
  DWORD MaxValueLen = 0;   // characters, without the terminator
  DWORD MaxDataLen = 0;    // bytes
  FILETIME FileTime{};
};

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  DWORD DataSize = 0;
};

class TRegistry : public TObject {
public:
  TRegistry();                        // RootKey HKEY_CURRENT_USER, Access KEY_ALL_ACCESS, LazyWrite on
  explicit TRegistry(REGSAM AAccess);
  ~TRegistry() override;              // closes the open key
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value);  // a different root closes the open key
  HKEY CurrentKey() const { return FCurrentKey; }
  // Path of the open key below the root, without a leading "\"; "" when none is open.
  const std::string& CurrentPath() const { return FCurrentPath; }
  // The access requested by OpenKey, CreateKey and the other opens.
  REGSAM Access() const { return FAccess; }
  void SetAccess(REGSAM Value) { FAccess = Value; }
  // Off: CloseKey flushes the key to disk before it closes it.
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool Value) { FLazyWrite = Value; }
  // Status code of the last registry call the object made (ERROR_SUCCESS after a success).
  LONG LastError() const { return FLastError; }
  std::string LastErrorMsg() const;  // the system's text for LastError

  void CloseKey();
  // Opens Key (creating the missing keys when CanCreate and Key is not empty) with Access and makes
  // it the open key. False leaves the open key as it was.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Opens Key with KEY_READ, else with STANDARD_RIGHTS_READ | KEY_QUERY_VALUE |
  // KEY_ENUMERATE_SUB_KEYS, else with KEY_QUERY_VALUE; on success Access becomes the access used.
  bool OpenKeyReadOnly(const std::string& Key);
  // Creates Key (and the missing keys above it) without opening it; ERegistryException
  // "Failed to create key %s" on failure.
  bool CreateKey(const std::string& Key);
  // Deletes Key with all its subkeys. False when the key itself could not be deleted (always for an
  // empty name, which would be the base key itself).
  bool DeleteKey(const std::string& Key);
  bool KeyExists(const std::string& Key);  // a key that exists but denies reading counts as existing
  bool HasSubKeys();
  bool GetKeyInfo(TRegKeyInfo& Value);
  // The names of the open key's subkeys / values, in the registry's order (Strings is cleared first).
  void GetKeyNames(TStrings& Strings);
  void GetValueNames(TStrings& Strings);

  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);
  bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value);
  int GetDataSize(const std::string& ValueName);  // -1 when the value cannot be queried
  TRegDataType GetDataType(const std::string& ValueName);

  // "" for a missing or empty value; ERegistryException "Invalid data type for '%s'" for a value
  // that is neither REG_SZ nor REG_EXPAND_SZ. The text ends at the first NUL.
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);        // REG_SZ
  void WriteExpandString(const std::string& Name, const std::string& Value);  // REG_EXPAND_SZ
  // REG_DWORD; "Failed to get data for '%s'" when missing, "Invalid data type for '%s'" otherwise.
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  bool ReadBool(const std::string& Name);  // ReadInteger <> 0
  void WriteBool(const std::string& Name, bool Value);
  // Copies a REG_BINARY (or unknown-typed) value into Buffer and answers its size; 0 when the value
  // is missing; "Invalid data type for '%s'" for another type or a value larger than BufSize.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);  // REG_BINARY

protected:
  // Writes Buffer as a value of type RegType; "Failed to set data for '%s'" on failure.
  void PutData(const std::string& Name, const void* Buffer, DWORD BufSize, DWORD RegType);
  // Reads at most BufSize bytes; answers the size read and the value's type.
  // "Failed to get data for '%s'" on failure.
  DWORD GetData(const std::string& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData);
  // The key that Key is resolved against: the open key for a relative name, else the root key.
  HKEY GetBaseKey(bool Relative) const;
  // Closes the open key and takes Value, with Path, in its place.
  void ChangeKey(HKEY Value, const std::string& Path);
  // The status code of a call, recorded as LastError.
  LONG CheckResult(LONG RetVal);

  static bool IsRelative(const std::string& Key) { return Key.empty() || Key[0] != '\\'; }
  static TRegDataType DataTypeToRegData(DWORD Value);

private:
  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  std::string FCurrentPath;
  REGSAM FAccess = KEY_ALL_ACCESS;
  bool FLazyWrite = true;
  LONG FLastError = ERROR_SUCCESS;

  bool OpenWithAccess(const std::string& Key, REGSAM Access);
  std::string ChildPath(bool Relative, const std::string& SubKey) const;
  [[noreturn]] static void ReadError(const std::string& Name);
};
