#include "model/RegistryEx.h"

#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "resources/strings/Graphics.h"
#include "resources/strings/Registry.h"
#include "resources/strings/RegistryEx.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// Longest name buffer the enumerations grow to (value names may have 16383 characters).
constexpr DWORD MaxNameBuffer = 32768;

std::string ToAnsi(const std::wstring& S) {
  if (S.empty()) return std::string();
  const int Len = WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<size_t>(std::max(Len, 0)), '\0');
  if (Len > 0)
    WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Result.data(), Len, nullptr, nullptr);
  return Result;
}

std::wstring ToWide(const std::string& S) {
  if (S.empty()) return std::wstring();
  const int Len = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring Result(static_cast<size_t>(std::max(Len, 0)), L'\0');
  if (Len > 0) MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Result.data(), Len);
  return Result;
}

std::string WithLeadingDelimiter(const std::string& Key) {
  return (!Key.empty() && Key[0] == '\\') ? Key : "\\" + Key;
}

// Owns one open key handle.
class TKeyHandle {
public:
  TKeyHandle() = default;
  ~TKeyHandle() {
    if (FKey != nullptr) RegCloseKey(FKey);
  }
  TKeyHandle(const TKeyHandle&) = delete;
  TKeyHandle& operator=(const TKeyHandle&) = delete;
  HKEY Get() const { return FKey; }
  HKEY* Put() { return &FKey; }

private:
  HKEY FKey = nullptr;
};

// Enumerates the names of Key's values (Values) or subkeys into a list, in the registry's order,
// growing the buffer on ERROR_MORE_DATA; the list ends at the first other answer.
std::vector<std::wstring> EnumNamesW(HKEY Key, bool Values, DWORD MaxLen) {
  std::vector<std::wstring> Names;
  std::vector<wchar_t> Buffer(std::max<DWORD>(MaxLen, 255) + 1);
  for (DWORD Index = 0;;) {
    DWORD Len = static_cast<DWORD>(Buffer.size());
    LONG R = Values ? RegEnumValueW(Key, Index, Buffer.data(), &Len, nullptr, nullptr, nullptr, nullptr)
                    : RegEnumKeyExW(Key, Index, Buffer.data(), &Len, nullptr, nullptr, nullptr, nullptr);
    if (R == ERROR_MORE_DATA && Buffer.size() < MaxNameBuffer) {
      Buffer.resize(std::min<size_t>(Buffer.size() * 2, MaxNameBuffer));
      continue;
    }
    if (R != ERROR_SUCCESS) break;
    Names.emplace_back(Buffer.data(), Len);
    ++Index;
  }
  return Names;
}

struct TKeyInfoW {
  DWORD NumSubKeys = 0, MaxSubKeyLen = 0, NumValues = 0, MaxValueLen = 0, MaxDataLen = 0;
};

void GetKeyInfoW(HKEY Key, const std::string& Path, TKeyInfoW& Info) {
  LONG R = RegQueryInfoKeyW(Key, nullptr, nullptr, nullptr, &Info.NumSubKeys, &Info.MaxSubKeyLen, nullptr,
                            &Info.NumValues, &Info.MaxValueLen, &Info.MaxDataLen, nullptr, nullptr);
  if (R != ERROR_SUCCESS)
    TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegGettingInfo), {Path}), static_cast<DWORD>(R));
}

// A handle of its own on the registry object's open key, so that the copy does not depend on
// what the objects open meanwhile.
void ReopenCurrentKey(const TRegistry& Registry, const std::string& Path, TKeyHandle& Key) {
  LONG R = RegOpenKeyExW(Registry.CurrentKey(), L"", 0, Registry.Access(), Key.Put());
  if (R != ERROR_SUCCESS)
    TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegOpening), {Path}), static_cast<DWORD>(R));
}

// Copies the values and subkeys of Src (path SrcPath, already examined into Info) into the empty
// key Dst (path DstPath).
void CopyKeyContents(HKEY Src, const std::string& SrcPath, const TKeyInfoW& Info, HKEY Dst,
                     const std::string& DstPath, REGSAM SrcAccess, REGSAM DstAccess) {
  std::vector<BYTE> Data;
  for (const std::wstring& Name : EnumNamesW(Src, true, Info.MaxValueLen)) {
    DWORD Type = REG_NONE;
    DWORD Size = 0;
    LONG R = RegQueryValueExW(Src, Name.c_str(), nullptr, &Type, nullptr, &Size);
    if (R != ERROR_SUCCESS)
      TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegReadingValueInfo), {ToAnsi(Name), SrcPath}),
                                      static_cast<DWORD>(R));
    Data.assign(Size, 0);
    DWORD Read = Size;
    R = RegQueryValueExW(Src, Name.c_str(), nullptr, &Type, Data.data(), &Read);
    if (R != ERROR_SUCCESS || Read != Size)
      // A value that changed size between the two reads: its data is not what was examined.
      TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegReadingValueData), {ToAnsi(Name), SrcPath}),
                                      static_cast<DWORD>(R != ERROR_SUCCESS ? R : ERROR_INVALID_DATA));
    if (RegSetValueExW(Dst, Name.c_str(), 0, Type, Data.data(), Size) != ERROR_SUCCESS)
      throw ERegistryException(LoadResString(SRegSetDataFailed), {ToAnsi(Name)});
  }

  for (const std::wstring& Name : EnumNamesW(Src, false, Info.MaxSubKeyLen)) {
    const std::string SubSrcPath = SrcPath + "\\" + ToAnsi(Name);
    const std::string SubDstPath = DstPath + "\\" + ToAnsi(Name);
    TKeyHandle SubSrc;
    LONG R = RegOpenKeyExW(Src, Name.c_str(), 0, SrcAccess, SubSrc.Put());
    if (R != ERROR_SUCCESS)
      TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegOpening), {SubSrcPath}), static_cast<DWORD>(R));
    TKeyInfoW SubInfo;
    GetKeyInfoW(SubSrc.Get(), SubSrcPath, SubInfo);
    // The destination was created empty, so the subkey is new there.
    TKeyHandle SubDst;
    DWORD Disposition = 0;
    R = RegCreateKeyExW(Dst, Name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, DstAccess, nullptr, SubDst.Put(),
                        &Disposition);
    if (R != ERROR_SUCCESS)
      TRegistryEx::RaiseRegistryError(Format(LoadResString(SRegOpeningCreating), {SubDstPath}),
                                      static_cast<DWORD>(R));
    CopyKeyContents(SubSrc.Get(), SubSrcPath, SubInfo, SubDst.Get(), SubDstPath, SrcAccess, DstAccess);
  }
}

// Name in the ANSI code page; false when the code page cannot hold it exactly.
bool ExactAnsi(const std::wstring& Name, std::string& Result) {
  Result.clear();
  if (Name.empty()) return true;
  // UTF-8 holds every name; the call takes neither flags nor a default-character answer there.
  const bool Utf8 = GetACP() == CP_UTF8;
  const DWORD Flags = Utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL UsedDefault = FALSE;
  BOOL* Used = Utf8 ? nullptr : &UsedDefault;
  const int W = static_cast<int>(Name.size());
  const int Len = WideCharToMultiByte(CP_ACP, Flags, Name.data(), W, nullptr, 0, nullptr, Used);
  if (Len <= 0 || UsedDefault) return false;
  Result.assign(static_cast<size_t>(Len), '\0');
  WideCharToMultiByte(CP_ACP, Flags, Name.data(), W, Result.data(), Len, nullptr, Used);
  return !UsedDefault;
}

struct TRawValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;
  bool operator==(const TRawValue&) const = default;
};

// The value Name of Key as stored; nothing when it cannot be read.
std::optional<TRawValue> ValueOf(HKEY Key, const std::wstring& Name) {
  TRawValue Value;
  DWORD Size = 0;
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, nullptr, &Size) != ERROR_SUCCESS) return std::nullopt;
  Value.Data.resize(Size);
  if (RegQueryValueExW(Key, Name.c_str(), nullptr, &Value.Type, Value.Data.data(), &Size) != ERROR_SUCCESS)
    return std::nullopt;
  Value.Data.resize(Size);
  return Value;
}

// Whether A and B hold the same values (names, types, data) and, below them, the same subkeys.
bool SameKeyTree(HKEY A, HKEY B) {
  std::vector<std::wstring> Names = EnumNamesW(A, true, 0);
  if (Names.size() != EnumNamesW(B, true, 0).size()) return false;
  for (const std::wstring& Name : Names) {
    const auto Value = ValueOf(A, Name);
    if (!Value || Value != ValueOf(B, Name)) return false;
  }
  Names = EnumNamesW(A, false, 0);
  std::vector<std::wstring> Other = EnumNamesW(B, false, 0);
  if (Names.size() != Other.size()) return false;
  for (const std::wstring& Name : Names) {
    TKeyHandle SubA, SubB;
    if (RegOpenKeyExW(A, Name.c_str(), 0, KEY_READ, SubA.Put()) != ERROR_SUCCESS ||
        RegOpenKeyExW(B, Name.c_str(), 0, KEY_READ, SubB.Put()) != ERROR_SUCCESS || !SameKeyTree(SubA.Get(), SubB.Get()))
      return false;
  }
  return true;
}

// Whether every key of the tree Name below Parent opens for deleting with Access (what the
// registry object's delete asks for): ERROR_SUCCESS, else the code of the first key that does not.
LONG DeletableTree(HKEY Parent, const std::wstring& Name, REGSAM Access) {
  TKeyHandle Key;
  const LONG R = RegOpenKeyExW(Parent, Name.c_str(), 0, Access | DELETE | KEY_ENUMERATE_SUB_KEYS, Key.Put());
  if (R != ERROR_SUCCESS) return R;
  for (const std::wstring& Sub : EnumNamesW(Key.Get(), false, 0)) {
    const LONG Inner = DeletableTree(Key.Get(), Sub, Access);
    if (Inner != ERROR_SUCCESS) return Inner;
  }
  return ERROR_SUCCESS;
}

// Whether Key of Registry's root holds exactly what SourceKey of Source's root holds (both absolute).
bool HoldsTheSame(const TRegistry& Source, const std::string& SourceKey, const TRegistry& Registry,
                  const std::string& Key) {
  TKeyHandle A, B;
  return RegOpenKeyExA(Source.RootKey(), SourceKey.c_str() + 1, 0, KEY_READ, A.Put()) == ERROR_SUCCESS &&
         RegOpenKeyExA(Registry.RootKey(), Key.c_str() + 1, 0, KEY_READ, B.Put()) == ERROR_SUCCESS &&
         SameKeyTree(A.Get(), B.Get());
}

}  // namespace

void TRegistryEx::RaiseRegistryError(const std::string& Details, DWORD ErrorCode) {
  std::string Msg = LoadResString(SRegistryOperationError);
  if (!Details.empty()) Msg += Format(LoadResString(SRegistryErrorDetails), {Details, SysErrorMessage(ErrorCode)});
  throw Exception(Msg);
}

std::string TRegistryEx::RootKeyName(HKEY RootKey) {
  const DWORD Value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(RootKey));
  switch (Value) {
    case 0x80000000: return "HKEY_CLASSES_ROOT";
    case 0x80000001: return "HKEY_CURRENT_USER";
    case 0x80000002: return "HKEY_LOCAL_MACHINE";
    case 0x80000003: return "HKEY_USERS";
    case 0x80000004: return "HKEY_PERFORMANCE_DATA";
    case 0x80000005: return "HKEY_CURRENT_CONFIG";
    case 0x80000006: return "HKEY_DYN_DATA";
    default: return IntToHex(static_cast<unsigned>(Value), 8);
  }
}

std::string TRegistryEx::FullKeyPath(const TRegistry& Registry, const std::string& Key) {
  std::string Result = RootKeyName(Registry.RootKey());
  if (!Key.empty() && Key[0] == '\\') return Result + Key;
  if (!Registry.CurrentPath().empty()) Result += "\\" + Registry.CurrentPath();
  if (!Key.empty()) Result += "\\" + Key;
  return Result;
}

void TRegistryEx::OpenKeyReadOnly(TRegistry& Registry, const std::string& Key) {
  if (!Registry.OpenKeyReadOnly(Key))
    RaiseRegistryError(Format(LoadResString(SRegOpeningReadOnly), {FullKeyPath(Registry, Key)}),
                       static_cast<DWORD>(Registry.LastError()));
}

void TRegistryEx::OpenKey(TRegistry& Registry, const std::string& Key, bool CanCreate) {
  if (!Registry.OpenKey(Key, CanCreate))
    RaiseRegistryError(Format(LoadResString(CanCreate ? SRegOpeningCreating : SRegOpening), {FullKeyPath(Registry, Key)}),
                       static_cast<DWORD>(Registry.LastError()));
}

void TRegistryEx::DeleteKey(TRegistry& Registry, const std::string& Key) {
  if (Registry.KeyExists(Key) && !Registry.DeleteKey(Key))
    RaiseRegistryError(Format(LoadResString(SRegDeleting), {FullKeyPath(Registry, Key)}),
                       static_cast<DWORD>(Registry.LastError()));
}

void TRegistryEx::CopyRegistryKey(TRegistry& Source, TRegistry& Dest, const std::string& SourceKey,
                                  const std::string& DestKey) {
  const std::string SrcKey = WithLeadingDelimiter(SourceKey);
  const std::string DstKey = WithLeadingDelimiter(DestKey);
  const std::string SrcPath = FullKeyPath(Source, SrcKey);
  const std::string DstPath = FullKeyPath(Dest, DstKey);

  OpenKey(Source, SrcKey, false);
  TKeyHandle Src;
  ReopenCurrentKey(Source, SrcPath, Src);
  TKeyInfoW Info;
  GetKeyInfoW(Src.Get(), SrcPath, Info);

  if (Dest.KeyExists(DstKey))
    throw Exception(Format(LoadResString(SRegMoveDestinationExists), {SrcPath, DstPath}));
  OpenKey(Dest, DstKey, true);
  try {
    TKeyHandle Dst;
    ReopenCurrentKey(Dest, DstPath, Dst);
    CopyKeyContents(Src.Get(), SrcPath, Info, Dst.Get(), DstPath, Source.Access(), Dest.Access());
  } catch (...) {
    // No partial copy stays behind; the failure's own message is the one raised.
    Dest.CloseKey();
    Dest.DeleteKey(DstKey);
    throw;
  }
}

void TRegistryEx::MoveRegistryKey(TRegistry& Source, TRegistry& Dest, const std::string& SourceKey,
                                  const std::string& DestKey) {
  const std::string SrcKey = WithLeadingDelimiter(SourceKey);
  const std::string DstKey = WithLeadingDelimiter(DestKey);
  if (!Dest.KeyExists(DstKey) || !HoldsTheSame(Source, SrcKey, Dest, DstKey)) CopyRegistryKey(Source, Dest, SrcKey, DstKey);
  Source.CloseKey();
  // A source that cannot go whole stays whole.
  const LONG Code = DeletableTree(Source.RootKey(), ToWide(SrcKey.substr(1)), Source.Access());
  if (Code != ERROR_SUCCESS)
    RaiseRegistryError(Format(LoadResString(SRegDeleting), {FullKeyPath(Source, SrcKey)}), static_cast<DWORD>(Code));
  DeleteKey(Source, SrcKey);
}

void TRegistryEx::GetExactKeyNames(const TRegistry& Registry, TStrings& Names) {
  TUpdateScope<TStrings> Update(Names);
  Names.Clear();
  std::string Name;
  for (const std::wstring& Wide : EnumNamesW(Registry.CurrentKey(), false, 0))
    if (ExactAnsi(Wide, Name)) Names.Add(Name);
}

std::string TRegistryEx::ReadText(TRegistry& Registry, const std::string& Name) {
  const TRegDataType Type = Registry.GetDataType(Name);
  return Type == rdString || Type == rdExpandString ? Registry.ReadString(Name) : std::string();
}

// ---------------------------------------------------------------------------------------------
// TRegistryJournal

namespace {

// Key without its leading and trailing "\".
std::string TrimmedKeyPath(const std::string& Key) {
  std::string Result = Key;
  while (!Result.empty() && Result.front() == '\\') Result.erase(0, 1);
  while (!Result.empty() && Result.back() == '\\') Result.pop_back();
  return Result;
}

bool KeyPresent(HKEY Root, const std::wstring& Path) {
  TKeyHandle Key;
  const LONG R = RegOpenKeyExW(Root, Path.c_str(), 0, KEY_READ, Key.Put());
  return R == ERROR_SUCCESS || R == ERROR_ACCESS_DENIED;
}

using TImage = TRegistryJournal::TImage;

// Reads everything below Key into Image; ERROR_SUCCESS, else the code of the first failed read.
LONG ReadImage(HKEY Key, TImage& Image) {
  for (const std::wstring& Name : EnumNamesW(Key, true, 0)) {
    auto Value = ValueOf(Key, Name);
    if (!Value) return ERROR_READ_FAULT;
    Image.Values.push_back({Name, Value->Type, std::move(Value->Data)});
  }
  for (const std::wstring& Name : EnumNamesW(Key, false, 0)) {
    TKeyHandle Sub;
    const LONG R = RegOpenKeyExW(Key, Name.c_str(), 0, KEY_READ, Sub.Put());
    if (R != ERROR_SUCCESS) return R;
    Image.SubKeys.emplace_back(Name, TImage());
    const LONG Inner = ReadImage(Sub.Get(), Image.SubKeys.back().second);
    if (Inner != ERROR_SUCCESS) return Inner;
  }
  return ERROR_SUCCESS;
}

// Writes Image into Key; answers whether every value and subkey was written.
bool WriteImage(HKEY Key, const TImage& Image) {
  bool Ok = true;
  for (const auto& V : Image.Values)
    Ok = RegSetValueExW(Key, V.Name.c_str(), 0, V.Type, V.Data.data(), static_cast<DWORD>(V.Data.size())) ==
             ERROR_SUCCESS && Ok;
  for (const auto& [Name, Sub] : Image.SubKeys) {
    TKeyHandle Child;
    if (RegCreateKeyExW(Key, Name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, Child.Put(),
                        nullptr) != ERROR_SUCCESS) {
      Ok = false;
      continue;
    }
    Ok = WriteImage(Child.Get(), Sub) && Ok;
  }
  return Ok;
}

}  // namespace

void TRegistryJournal::Remember(const std::string& Key) {
  const std::string Path = TrimmedKeyPath(Key);
  TEntry Entry{ToWide(Path), false, TImage()};
  TKeyHandle Handle;
  LONG R = RegOpenKeyExW(FRoot, Entry.Path.c_str(), 0, KEY_READ, Handle.Put());
  if (R == ERROR_SUCCESS) {
    Entry.Existed = true;
    R = ReadImage(Handle.Get(), Entry.Image);
  } else if (R == ERROR_FILE_NOT_FOUND) {
    R = ERROR_SUCCESS;
  }
  if (R != ERROR_SUCCESS)
    TRegistryEx::RaiseRegistryError(
        Format(LoadResString(SRegReading), {TRegistryEx::RootKeyName(FRoot) + "\\" + Path}), static_cast<DWORD>(R));
  FEntries.push_back(std::move(Entry));
}

void TRegistryJournal::RememberMissingParents(const std::string& Key) {
  std::string Path = TrimmedKeyPath(Key);
  std::string Highest;
  for (size_t Last = Path.rfind('\\'); Last != std::string::npos && Last > 0; Last = Path.rfind('\\')) {
    Path.resize(Last);
    if (KeyPresent(FRoot, ToWide(Path))) break;
    Highest = Path;
  }
  if (!Highest.empty()) Remember(Highest);
}

bool TRegistryJournal::Undo() {
  bool Ok = true;
  for (auto It = FEntries.rbegin(); It != FEntries.rend(); ++It) {
    if (KeyPresent(FRoot, It->Path)) {
      const LONG R = RegDeleteTreeW(FRoot, It->Path.c_str());
      if (R == ERROR_SUCCESS) RegDeleteKeyW(FRoot, It->Path.c_str());
      if (KeyPresent(FRoot, It->Path)) {
        Ok = false;
        continue;
      }
    }
    if (!It->Existed) continue;
    TKeyHandle Key;
    Ok = RegCreateKeyExW(FRoot, It->Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         Key.Put(), nullptr) == ERROR_SUCCESS &&
         WriteImage(Key.Get(), It->Image) && Ok;
  }
  FEntries.clear();
  return Ok;
}

void RecreateImageList(TCustomImageList* ImageList) {
  if (!ImageList) return;
  const UINT Flags = ILC_MASK | ColorDepthFlags(ImageList->ColorDepth());
  HIMAGELIST New =
      ImageList_Create(ImageList->Width(), ImageList->Height(), Flags, ImageList->AllocBy(), ImageList->AllocBy());
  if (!New) return;
  TCustomImageList Saved(ImageList->Width(), ImageList->Height());
  try {
    Saved.SetColorDepth(ImageList->ColorDepth());
    Saved.AddImages(*ImageList);
  } catch (...) {
    ImageList_Destroy(New);
    throw;
  }
  ImageList->SetHandle(New);
  if (!ImageList->HandleAllocated()) throw EInvalidOperation(LoadResString(SInvalidImageList));
  ImageList->AddImages(Saved);
}
