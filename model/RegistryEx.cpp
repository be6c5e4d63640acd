#include "model/RegistryEx.h"

#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "resources/strings/Graphics.h"
#include "resources/strings/Registry.h"
#include "resources/strings/RegistryEx.h"

#include <algorithm>
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

  if (Dest.KeyExists(DstKey)) DeleteKey(Dest, DstKey);
  OpenKey(Dest, DstKey, true);
  TKeyHandle Dst;
  ReopenCurrentKey(Dest, DstPath, Dst);

  CopyKeyContents(Src.Get(), SrcPath, Info, Dst.Get(), DstPath, Source.Access(), Dest.Access());
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
