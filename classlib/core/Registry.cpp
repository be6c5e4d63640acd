#include "classlib/core/Registry.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Registry.h"

#include <algorithm>
#include <vector>

namespace {

// Longest name the enumeration buffers grow to (value names may have 16383 characters; the ANSI
// form of a name can take two bytes per character).
constexpr DWORD MaxNameBuffer = 65536;


// Enumerates names with Enum(Index, Buffer, Length) into Add(Name, Length), growing the buffer on
// ERROR_MORE_DATA. Stops at the first other failure (ERROR_NO_MORE_ITEMS at the end).
template <class TChar, class TEnum, class TAdd>
void EnumNames(DWORD Capacity, TEnum Enum, TAdd Add) {
  std::vector<TChar> Buffer(std::max<DWORD>(Capacity, 255) + 1);
  for (DWORD Index = 0;;) {
    DWORD Len = static_cast<DWORD>(Buffer.size());
    LONG R = Enum(Index, Buffer.data(), &Len);
    if (R == ERROR_MORE_DATA && Buffer.size() < MaxNameBuffer) {
      Buffer.resize(std::min<size_t>(Buffer.size() * 2, MaxNameBuffer));
      continue;
    }
    if (R != ERROR_SUCCESS) return;
    Add(Buffer.data(), Len);
    ++Index;
  }
}

LONG DeleteKeyTreeW(HKEY Base, const std::wstring& SubKey, REGSAM Access);

// Deletes every subkey of Key, the last first. The wide calls find names outside the code page.
void DeleteSubKeysW(HKEY Key, REGSAM Access) {
  std::vector<std::wstring> Names;
  EnumNames<wchar_t>(0, [&](DWORD Index, wchar_t* Buf, DWORD* Len) {
    return RegEnumKeyExW(Key, Index, Buf, Len, nullptr, nullptr, nullptr, nullptr);
  }, [&](const wchar_t* Name, DWORD Len) { Names.emplace_back(Name, Len); });
  for (auto It = Names.rbegin(); It != Names.rend(); ++It) DeleteKeyTreeW(Key, *It, Access);
}

// Deletes SubKey of Base with its subkeys; answers the status of deleting SubKey itself.
LONG DeleteKeyTreeW(HKEY Base, const std::wstring& SubKey, REGSAM Access) {
  HKEY Key = nullptr;
  if (RegOpenKeyExW(Base, SubKey.c_str(), 0, Access, &Key) == ERROR_SUCCESS) {
    DeleteSubKeysW(Key, Access);
    RegCloseKey(Key);
  }
  return RegDeleteKeyW(Base, SubKey.c_str());
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() { CloseKey(); }

std::string TRegistry::LastErrorMsg() const { return SysErrorMessage(static_cast<DWORD>(FLastError)); }

void TRegistry::SetRootKey(HKEY Value) {
  if (FRootKey != Value) {
    FRootKey = Value;
    CloseKey();
  }
}

void TRegistry::CloseKey() {
  if (FCurrentKey != nullptr) {
    if (!FLazyWrite) RegFlushKey(FCurrentKey);
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
    FCurrentPath.clear();
  }
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
  return (FCurrentKey == nullptr || !Relative) ? FRootKey : FCurrentKey;
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

LONG TRegistry::CheckResult(LONG RetVal) {
  FLastError = RetVal;
  return RetVal;
}

std::string TRegistry::ChildPath(bool Relative, const std::string& SubKey) const {
  std::string Sub = SubKey;
  while (!Sub.empty() && Sub.back() == '\\') Sub.pop_back();
  if (!Relative || FCurrentKey == nullptr || FCurrentPath.empty()) return Sub;
  if (Sub.empty()) return FCurrentPath;
  return FCurrentPath + "\\" + Sub;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const bool Relative = IsRelative(Key);
  const std::string S = Relative ? Key : Key.substr(1);
  HKEY TempKey = nullptr;
  LONG R;
  if (!CanCreate || S.empty()) {
    R = RegOpenKeyExA(GetBaseKey(Relative), S.c_str(), 0, FAccess, &TempKey);
  } else {
    DWORD Disposition = 0;
    R = RegCreateKeyExA(GetBaseKey(Relative), S.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess,
                        nullptr, &TempKey, &Disposition);
  }
  if (CheckResult(R) != ERROR_SUCCESS) return false;
  ChangeKey(TempKey, ChildPath(Relative, S));
  return true;
}

bool TRegistry::OpenWithAccess(const std::string& Key, REGSAM Access) {
  const bool Relative = IsRelative(Key);
  const std::string S = Relative ? Key : Key.substr(1);
  HKEY TempKey = nullptr;
  if (CheckResult(RegOpenKeyExA(GetBaseKey(Relative), S.c_str(), 0, Access, &TempKey)) != ERROR_SUCCESS)
    return false;
  FAccess = Access;
  ChangeKey(TempKey, ChildPath(Relative, S));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  return OpenWithAccess(Key, KEY_READ) ||
         OpenWithAccess(Key, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS) ||
         OpenWithAccess(Key, KEY_QUERY_VALUE);
}

bool TRegistry::CreateKey(const std::string& Key) {
  const bool Relative = IsRelative(Key);
  const std::string S = Relative ? Key : Key.substr(1);
  HKEY TempKey = nullptr;
  DWORD Disposition = 0;
  if (CheckResult(RegCreateKeyExA(GetBaseKey(Relative), S.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  FAccess, nullptr, &TempKey, &Disposition)) != ERROR_SUCCESS)
    throw ERegistryException(LoadResString(SRegCreateFailed), {Key});
  RegCloseKey(TempKey);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const bool Relative = IsRelative(Key);
  const std::string S = Relative ? Key : Key.substr(1);
  const HKEY Base = GetBaseKey(Relative);
  // An empty name would name the base key itself.
  if (S.empty() || S == "\\") return CheckResult(ERROR_INVALID_PARAMETER) == ERROR_SUCCESS;
  // The platform deletes only keys without subkeys: empty the key first.
  HKEY Victim = nullptr;
  if (RegOpenKeyExA(Base, S.c_str(), 0, FAccess, &Victim) == ERROR_SUCCESS) {
    DeleteSubKeysW(Victim, FAccess);
    RegCloseKey(Victim);
  }
  return CheckResult(RegDeleteKeyA(Base, S.c_str())) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
  const bool Relative = IsRelative(Key);
  const std::string S = Relative ? Key : Key.substr(1);
  HKEY TempKey = nullptr;
  LONG R = CheckResult(RegOpenKeyExA(GetBaseKey(Relative), S.c_str(), 0,
                                     STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &TempKey));
  if (R == ERROR_SUCCESS) RegCloseKey(TempKey);
  return R == ERROR_SUCCESS || R == ERROR_ACCESS_DENIED;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) {
  Value = TRegKeyInfo();
  return CheckResult(RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &Value.NumSubKeys,
                                      &Value.MaxSubKeyLen, nullptr, &Value.NumValues, &Value.MaxValueLen,
                                      &Value.MaxDataLen, nullptr, &Value.FileTime)) == ERROR_SUCCESS;
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo Info;
  return GetKeyInfo(Info) && Info.NumSubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings& Strings) {
  TUpdateScope<TStrings> Guard(Strings);
  Strings.Clear();
  TRegKeyInfo Info;
  if (!GetKeyInfo(Info)) return;
  EnumNames<char>(Info.MaxSubKeyLen, [&](DWORD Index, char* Buf, DWORD* Len) {
    return RegEnumKeyExA(FCurrentKey, Index, Buf, Len, nullptr, nullptr, nullptr, nullptr);
  }, [&](const char* Name, DWORD Len) { Strings.Add(std::string(Name, Len)); });
}

void TRegistry::GetValueNames(TStrings& Strings) {
  TUpdateScope<TStrings> Guard(Strings);
  Strings.Clear();
  TRegKeyInfo Info;
  if (!GetKeyInfo(Info)) return;
  EnumNames<char>(Info.MaxValueLen, [&](DWORD Index, char* Buf, DWORD* Len) {
    return RegEnumValueA(FCurrentKey, Index, Buf, Len, nullptr, nullptr, nullptr, nullptr);
  }, [&](const char* Name, DWORD Len) { Strings.Add(std::string(Name, Len)); });
}

TRegDataType TRegistry::DataTypeToRegData(DWORD Value) {
  switch (Value) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

bool TRegistry::ValueExists(const std::string& Name) {
  TRegDataInfo Info;
  return GetDataInfo(Name, Info);
}

bool TRegistry::DeleteValue(const std::string& Name) {
  return CheckResult(RegDeleteValueA(FCurrentKey, Name.c_str())) == ERROR_SUCCESS;
}

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) {
  Value = TRegDataInfo();
  DWORD Type = REG_NONE;
  DWORD Size = 0;
  if (CheckResult(RegQueryValueExA(FCurrentKey, ValueName.c_str(), nullptr, &Type, nullptr, &Size)) != ERROR_SUCCESS)
    return false;
  Value.RegData = DataTypeToRegData(Type);
  Value.DataSize = Size;
  return true;
}

int TRegistry::GetDataSize(const std::string& ValueName) {
  TRegDataInfo Info;
  return GetDataInfo(ValueName, Info) ? static_cast<int>(Info.DataSize) : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) {
  TRegDataInfo Info;
  return GetDataInfo(ValueName, Info) ? Info.RegData : rdUnknown;
}

void TRegistry::ReadError(const std::string& Name) {
  throw ERegistryException(LoadResString(SInvalidRegType), {Name});
}

DWORD TRegistry::GetData(const std::string& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData) {
  DWORD Type = REG_NONE;
  if (CheckResult(RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &Type, static_cast<BYTE*>(Buffer),
                                   &BufSize)) != ERROR_SUCCESS)
    throw ERegistryException(LoadResString(SRegGetDataFailed), {Name});
  RegData = DataTypeToRegData(Type);
  return BufSize;
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, DWORD BufSize, DWORD RegType) {
  if (CheckResult(RegSetValueExA(FCurrentKey, Name.c_str(), 0, RegType, static_cast<const BYTE*>(Buffer),
                                 BufSize)) != ERROR_SUCCESS)
    throw ERegistryException(LoadResString(SRegSetDataFailed), {Name});
}

std::string TRegistry::ReadString(const std::string& Name) {
  const int Len = GetDataSize(Name);
  if (Len <= 0) return std::string();
  std::string Result(static_cast<size_t>(Len), '\0');
  TRegDataType RegData = rdUnknown;
  const DWORD Got = GetData(Name, Result.data(), static_cast<DWORD>(Len), RegData);
  if (RegData != rdString && RegData != rdExpandString) ReadError(Name);
  Result.resize(std::min<size_t>(Got, Result.size()));
  const size_t Nul = Result.find('\0');
  if (Nul != std::string::npos) Result.resize(Nul);
  return Result;
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& Name) {
  DWORD Result = 0;
  TRegDataType RegData = rdUnknown;
  GetData(Name, &Result, sizeof(Result), RegData);
  if (RegData != rdInteger) ReadError(Name);
  return static_cast<int>(Result);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
  const DWORD Data = static_cast<DWORD>(Value);
  PutData(Name, &Data, sizeof(Data), REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) {
  TRegDataInfo Info;
  if (!GetDataInfo(Name, Info)) return 0;
  if ((Info.RegData != rdBinary && Info.RegData != rdUnknown) ||
      static_cast<long long>(Info.DataSize) > static_cast<long long>(BufSize))
    ReadError(Name);
  TRegDataType RegData = rdUnknown;
  return static_cast<int>(GetData(Name, Buffer, Info.DataSize, RegData));
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  PutData(Name, Buffer, static_cast<DWORD>(std::max(BufSize, 0)), REG_BINARY);
}
