// The file-type model: predefined types, the registry scan and the icon loader.
#include "model/FileTypes.h"

#include "classlib/core/Graphics.h"
#include "classlib/core/ImgList.h"
#include "classlib/core/Registry.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "model/RegistryEx.h"
#include "resources/strings/Core.h"
#include "resources/strings/FileTypes.h"
#include "resources/strings/Graphics.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

// ---------------------------------------------------------------------------------------------
// Small helpers

std::string NameKey(const std::string& Name) { return AnsiUpperCase(Name); }

// Optional blanks, an optional sign and decimal digits, optional blanks; Default for anything else.
int ParseDecimal(const std::string& Text, int Default) {
  const std::string S = Trim(Text);
  size_t I = 0;
  bool Negative = false;
  if (I < S.size() && (S[I] == '-' || S[I] == '+')) Negative = S[I++] == '-';
  if (I == S.size()) return Default;
  long long Value = 0;
  for (; I < S.size(); ++I) {
    if (S[I] < '0' || S[I] > '9') return Default;
    Value = Value * 10 + (S[I] - '0');
    if (Value > 0x80000000LL) return Default;
  }
  if (Negative) Value = -Value;
  if (Value > 0x7FFFFFFFLL) return Default;
  return static_cast<int>(Value);
}

void AddError(TStrings& Errors, uint8_t Kind, const std::string& Message, const std::string& KeyValue,
              const std::string& DetailValue) {
  auto Record = std::make_unique<TErroneousFileType>(Kind, KeyValue, DetailValue);
  Errors.AddObject(Message, Record.get());
  Record.release();
}

void AddAccessDenied(TStrings& Errors, const TRegistry& Registry, const std::string& Key) {
  AddError(Errors, fteRegistry, Format(LoadResString(SFtAccessDenied), {TRegistryEx::FullKeyPath(Registry, Key)}), "",
           "");
}

// The default value of the open key as a string; a value of another type gives "" and a record.
std::string ReadDefault(TRegistry& Registry, TStrings& Errors) {
  // A short text value (nearly all of them) is read with one call; everything else goes through
  // the registry class, which decides what counts as a string.
  char Buffer[512];
  DWORD Type = REG_NONE;
  DWORD Size = sizeof(Buffer) - 1;
  const LONG R = RegQueryValueExA(Registry.CurrentKey(), "", nullptr, &Type, reinterpret_cast<BYTE*>(Buffer), &Size);
  if (R == ERROR_FILE_NOT_FOUND) return std::string();
  if (R == ERROR_SUCCESS && (Type == REG_SZ || Type == REG_EXPAND_SZ) && Size < sizeof(Buffer)) {
    Buffer[Size] = '\0';
    return std::string(Buffer, strnlen(Buffer, Size));
  }
  try {
    return Registry.ReadString("");
  } catch (const ERegistryException&) {
    AddError(Errors, fteRegistry,
             Format(LoadResString(SFtInvalidDataType), {std::string(), TRegistryEx::FullKeyPath(Registry, "")}), "",
             "");
    return std::string();
  }
}

std::string ProgramFileName() {
  std::string Buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD N = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (N < Buffer.size()) {
      Buffer.resize(N);
      return Buffer;
    }
    Buffer.resize(Buffer.size() * 2);
  }
}

// A file made for one use in the temporary folder, deleted by the name saved when it was made.
class TTempFile {
public:
  TTempFile() = default;
  ~TTempFile() {
    if (!FName.empty()) DeleteFileA(FName.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  // A new empty file Name; false when it cannot be made (an existing file is never taken).
  bool Create(const std::string& Name) {
    HANDLE H = CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (H == INVALID_HANDLE_VALUE) return false;
    CloseHandle(H);
    FName = Name;
    return true;
  }
  // Takes over a file that already exists (made by GetTempFileNameA).
  void Adopt(const std::string& Name) { FName = Name; }
  const std::string& Name() const { return FName; }

private:
  std::string FName;
};

// The icon of a file with extension Ext: an empty file of a fresh temporary name followed by Ext.
HICON AssociatedIcon(const std::string& Ext) {
  std::string TempDir(MAX_PATH + 1, '\0');
  const DWORD N = GetTempPathA(static_cast<DWORD>(TempDir.size()), TempDir.data());
  if (N == 0 || N >= TempDir.size()) return nullptr;
  TempDir.resize(N);
  char Unique[MAX_PATH];
  // Unique number 0: the system chooses a free name and makes the file, which stays as the
  // placeholder of the name until the icon is read.
  if (GetTempFileNameA(TempDir.c_str(), "cvi", 0, Unique) == 0) return nullptr;
  TTempFile Placeholder;
  Placeholder.Adopt(Unique);
  TTempFile Typed;
  std::string FileName = Placeholder.Name();
  if (!Ext.empty()) {
    FileName += Ext;
    if (FileName.size() >= MAX_PATH || !Typed.Create(FileName)) return nullptr;
  }
  // The call writes into the buffer (another path when it finds nothing): it gets a copy.
  char Buffer[MAX_PATH];
  lstrcpynA(Buffer, FileName.c_str(), MAX_PATH);
  WORD Index = 0;
  return ExtractAssociatedIconA(GetModuleHandleA(nullptr), Buffer, &Index);
}

// ExtractIconExA for one icon; false (the handles untouched) unless it reports 1 or 2.
bool ExtractOne(const std::string& File, int Index, HICON& Large, HICON& Small) {
  HICON L = nullptr, S = nullptr;
  const UINT R = ExtractIconExA(File.c_str(), Index, &L, &S, 1);
  if (R != 1 && R != 2) return false;
  Large = L;
  Small = S;
  return true;
}

using TGetFileVersionInfoSizeA = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using TGetFileVersionInfoA = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using TVerQueryValueA = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// The "FileVersion" text of the first translation of a file's version block; "" when there is none.
// version.dll is loaded for the call only: the model needs it on this rare path alone.
std::string FileVersionText(const std::string& FileName) {
  HMODULE Version = LoadLibraryA("version.dll");
  if (Version == nullptr) return std::string();
  std::string Result;
  auto SizeProc = reinterpret_cast<TGetFileVersionInfoSizeA>(
      reinterpret_cast<void*>(GetProcAddress(Version, "GetFileVersionInfoSizeA")));
  auto InfoProc =
      reinterpret_cast<TGetFileVersionInfoA>(reinterpret_cast<void*>(GetProcAddress(Version, "GetFileVersionInfoA")));
  auto QueryProc =
      reinterpret_cast<TVerQueryValueA>(reinterpret_cast<void*>(GetProcAddress(Version, "VerQueryValueA")));
  if (SizeProc != nullptr && InfoProc != nullptr && QueryProc != nullptr) {
    DWORD Handle = 0;
    const DWORD Size = SizeProc(FileName.c_str(), &Handle);
    if (Size > 0) {
      std::vector<BYTE> Block(Size);
      void* Value = nullptr;
      UINT Len = 0;
      if (InfoProc(FileName.c_str(), 0, Size, Block.data()) &&
          QueryProc(Block.data(), "\\VarFileInfo\\Translation", &Value, &Len) && Value != nullptr &&
          Len >= 2 * sizeof(WORD)) {
        const WORD* Translation = static_cast<const WORD*>(Value);
        char Path[64];
        std::snprintf(Path, sizeof(Path), "\\StringFileInfo\\%.4x%.4x\\FileVersion", Translation[0], Translation[1]);
        void* Text = nullptr;
        if (QueryProc(Block.data(), Path, &Text, &Len) && Text != nullptr && Len > 0)
          Result.assign(static_cast<const char*>(Text), strnlen(static_cast<const char*>(Text), Len));
      }
    }
  }
  FreeLibrary(Version);
  return Result;
}

struct TDllVersionInfo {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
};
static_assert(sizeof(TDllVersionInfo) == 20, "DLLVERSIONINFO has 20 bytes");
using TDllGetVersion = HRESULT(CALLBACK*)(TDllVersionInfo*);

}  // namespace

// ---------------------------------------------------------------------------------------------
// Predefined types

const TSpecialClasses& SpecialClasses() {
  static const TSpecialClasses Table = [] {
    constexpr uint8_t Both = PlatformWin9x | PlatformWinNT;
    return TSpecialClasses{
        {ptypAllFiles, "*", LoadResString(SFtAllFiles), 0, Both, ""},
        {ptypAllFileSystemObjects, "AllFileSystemObjects", LoadResString(SFtAllFileSystemObjects), ShellVersion471,
         Both, ""},
        {ptypUnknown, "Unknown", LoadResString(SFtUnknown), 0, Both, "shell32.dll,0"},
        {ptypFolder, "Folder", LoadResString(SFtFolder), 0, Both, "shell32.dll,3"},
        {ptypDirectory, "Directory", LoadResString(SFtDirectory), 0, Both, "shell32.dll,3"},
        {ptypBackground, "Directory\\Background", LoadResString(SFtBackground), ShellVersion471, Both,
         "shell32.dll,100"},
        {ptypNetwork, "Network", LoadResString(SFtNetwork), 0, Both, "shell32.dll,17"},
        {ptypNetShare, "NetShare", LoadResString(SFtNetShare), ShellVersion471, Both, "shell32.dll,28"},
        {ptypNetServer, "NetServer", LoadResString(SFtNetServer), ShellVersion471, Both, "shell32.dll,18"},
        {ptypPrinters, "Printers", LoadResString(SFtPrinters), 0, Both, "shell32.dll,16"},
        {ptypDrive, "Drive", LoadResString(SFtDrive), 0, Both, "shell32.dll,8"},
        {ptypAudioCD, "AudioCD", LoadResString(SFtAudioCD), 0, Both, "shell32.dll,11"},
        {ptypDVD, "DVDFile", LoadResString(SFtDVD), ShellVersion471, PlatformWin9x, "shell32.dll,11"},
        {ptypDVD, "DVD", LoadResString(SFtDVD), ShellVersion471, PlatformWinNT, "shell32.dll,11"},
    };
  }();
  return Table;
}

int TPredefinedLists::IndexOf(const std::string& Name) const {
  for (size_t I = 0; I < Names.size(); ++I)
    if (AnsiSameText(Names[I], Name)) return static_cast<int>(I);
  return -1;
}

TPredefinedLists BuildPredefinedLists(bool WindowsNT, uint32_t ShellVersion, const std::string& ProgramIcon) {
  TPredefinedLists Lists;
  const uint8_t Platform = WindowsNT ? PlatformWinNT : PlatformWin9x;
  for (const TSpecialClass& Row : SpecialClasses()) {
    if ((Row.Platforms & Platform) == 0 || Row.MinShellVersion > ShellVersion) continue;
    Lists.Names.push_back(Row.Name);
    Lists.Captions.push_back(Row.Caption);
    Lists.Icons.push_back(Row.Icon.empty() ? ProgramIcon : Row.Icon);
    Lists.Types.push_back(Row.PredefinedType);
  }
  return Lists;
}

const TPredefinedLists& PredefinedLists() {
  static const TPredefinedLists Lists = BuildPredefinedLists(IsWindowsNT(), ShellVersion(), ProgramFileName() + ",-2000");
  return Lists;
}

// ---------------------------------------------------------------------------------------------
// Platform facts

uint32_t ParseFileVersion(const std::string& Text) {
  const size_t First = Text.find('.');
  if (First == std::string::npos) return 0;
  const size_t Second = Text.find('.', First + 1);
  const std::string MajorText = Text.substr(0, First);
  const std::string MinorText =
      Second == std::string::npos ? Text.substr(First + 1) : Text.substr(First + 1, Second - First - 1);
  const uint32_t Major = static_cast<uint32_t>(ParseDecimal(MajorText, 0)) & 0xFFFF;
  const uint32_t Minor = static_cast<uint32_t>(ParseDecimal(MinorText, 0)) & 0xFFFF;
  return (Major << 16) | Minor;
}

uint32_t GetModuleVersion(const std::string& FileName) {
  HMODULE Module = LoadLibraryA(FileName.c_str());
  if (Module == nullptr) return ParseFileVersion(FileVersionText(FileName));
  uint32_t Result = 0;
  auto Proc = reinterpret_cast<TDllGetVersion>(reinterpret_cast<void*>(GetProcAddress(Module, "DllGetVersion")));
  if (Proc != nullptr) {
    TDllVersionInfo Info{};
    Info.cbSize = sizeof(Info);
    if (SUCCEEDED(Proc(&Info))) Result = ((Info.dwMajorVersion & 0xFFFF) << 16) | (Info.dwMinorVersion & 0xFFFF);
  }
  FreeLibrary(Module);
  return Result;
}

uint32_t ShellVersion() {
  static const uint32_t Version = GetModuleVersion("shell32.dll");
  return Version;
}

bool IsWindowsNT() {
  OSVERSIONINFOA Info{};
  Info.dwOSVersionInfoSize = sizeof(Info);
  return GetVersionExA(&Info) && Info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string WindowsDirectory() {
  std::string Buffer(MAX_PATH + 1, '\0');
  UINT N = GetWindowsDirectoryA(Buffer.data(), static_cast<UINT>(Buffer.size()));
  if (N >= Buffer.size()) {
    Buffer.resize(N + 1);
    N = GetWindowsDirectoryA(Buffer.data(), static_cast<UINT>(Buffer.size()));
  }
  Buffer.resize(N < Buffer.size() ? N : 0);
  if (Buffer.size() > 1 && Buffer.back() == '\\') Buffer.pop_back();
  return Buffer;
}

std::string ExpandWin9xPath(const std::string& Path, const std::string& WindowsDir) {
  static const char* const Names[] = {"%SystemRoot%", "%WinDir%"};
  std::string S = Path;
  size_t Pos = 0;  // where the search for the next delimiter starts
  for (;;) {
    size_t Stop = S.find_first_of("\",\\", Pos);
    const bool AtEnd = Stop == std::string::npos;
    if (AtEnd) Stop = S.size();
    for (const char* Name : Names) {
      if (AnsiSameText(S.substr(0, Stop), Name)) {
        S.replace(0, Stop, WindowsDir);
        Stop = WindowsDir.size();  // the delimiter that ended the reference now stands here
        break;
      }
    }
    if (AtEnd) break;
    Pos = Stop + 1;
  }
  return S;
}

std::string ExpandIconPath(const std::string& Path) {
  if (!IsWindowsNT()) return ExpandWin9xPath(Path, WindowsDirectory());
  DWORD Size = ExpandEnvironmentStringsA(Path.c_str(), nullptr, 0);
  for (int Attempt = 0; Size > 0 && Attempt < 4; ++Attempt) {
    std::string Buffer(Size, '\0');
    const DWORD N = ExpandEnvironmentStringsA(Path.c_str(), Buffer.data(), Size);
    if (N == 0) break;
    if (N <= Size) {
      Buffer.resize(strnlen(Buffer.c_str(), Buffer.size()));
      return Buffer;
    }
    Size = N;  // the environment grew meanwhile
  }
  return Path;
}

// ---------------------------------------------------------------------------------------------
// TFileType

TFileType::TFileType(TCollection* Collection) : TCollectionItem(Collection) {}

TFileType::~TFileType() {
  TFileTypes* Owner = FileTypes();
  if (Owner == nullptr) return;
  try {
    Changed(ftnDestroyed, this);
  } catch (...) {
    // A destructor passes nothing on.
  }
  Owner->UnindexName(this);
}

TFileTypes* TFileType::FileTypes() const { return dynamic_cast<TFileTypes*>(Collection()); }

void TFileType::SetDescription(const std::string& Value) {
  if (Value == FDescription) return;
  FDescription = Value;
  Changed(false);
}

void TFileType::SetName(const std::string& Value) {
  if (Value == FName) return;
  TFileTypes* Owner = FileTypes();
  if (Owner != nullptr) Owner->UnindexName(this);
  FName = Value;
  if (Owner != nullptr) Owner->IndexName(this);
  Changed(false);
}

void TFileType::SetIconLocation(const std::string& Value) {
  if (Value == FIconLocation) return;
  FIconLocation = Value;
  Changed(false);
}

void TFileType::SetCurVer(const std::string& Value) {
  if (Value == FCurVer) return;
  FCurVer = Value;
  Changed(false);
}

const std::string& TFileType::GetExtension(int Index) const {
  if (Index < 0 || Index >= GetExtensionCount()) TList::Error(SListIndexError, Index);
  return FExtensions[static_cast<size_t>(Index)];
}

std::unique_ptr<TAdvStringList> TFileType::GetExtensions() const {
  auto List = std::make_unique<TAdvStringList>();
  for (const std::string& Ext : FExtensions) List->Add(Ext);
  List->SetSorted(true);
  return List;
}

void TFileType::AddExtension(const std::string& Ext) { FExtensions.push_back(Ext); }

void TFileType::AppendExtensions(const std::vector<std::string>& Exts) {
  if (&Exts == &FExtensions) {
    const std::vector<std::string> Copy = Exts;
    FExtensions.insert(FExtensions.end(), Copy.begin(), Copy.end());
    return;
  }
  FExtensions.insert(FExtensions.end(), Exts.begin(), Exts.end());
}

void TFileType::SetIndex(int Value) {
  TFileTypes* Owner = FileTypes();
  if (Owner == nullptr) {
    TCollectionItem::SetIndex(Value);
    return;
  }
  Owner->FMoving = true;
  try {
    // The library looks the item up before it moves it; an item already in place stays.
    if (Value < 0 || Value >= Owner->Count() || Owner->Items(Value) != this) TCollectionItem::SetIndex(Value);
  } catch (...) {
    Owner->FMoving = false;
    throw;
  }
  // A move that sent no change of its own must not swallow the next one.
  Owner->FMoving = false;
  Changed(ftnMoved, this);
}

void TFileType::Changed(int Action, TFileType* Item) {
  if (TFileTypes* Owner = FileTypes()) Owner->NotifyLinks(Action, Item);
}

// ---------------------------------------------------------------------------------------------
// Errors

void ClearFileTypeErrors(TStrings& Errors) {
  for (int I = 0; I < Errors.Count(); ++I) {
    if (auto* Record = dynamic_cast<TErroneousFileType*>(Errors.Objects(I))) {
      Errors.PutObject(I, nullptr);
      delete Record;
    }
  }
  Errors.Clear();
}

// ---------------------------------------------------------------------------------------------
// TFileTypes

TFileTypes::TFileTypes(TPersistent* AOwner) : TSortedCollection(AOwner, CollectionItemClass<TFileType>()) {
  SetSorted(true);
}

TFileTypes::~TFileTypes() {
  try {
    NotifyLinks(ftnDestroyed, nullptr);
  } catch (...) {
    // A destructor passes nothing on.
  }
  // Links that a handler attached again, or that an update bracket kept from hearing it.
  for (TFileTypeLink* Link : FLinks) {
    if (Link == nullptr) continue;
    Link->FFileTypes = nullptr;
    Link->FItem = nullptr;
    Link->FItemName.clear();
  }
  FLinks.clear();
  // The items go while this class's overrides still run.
  try {
    Clear();
  } catch (...) {
  }
}

TFileType* TFileTypes::Add() { return static_cast<TFileType*>(TSortedCollection::Add()); }

TFileType* TFileTypes::FindByName(const std::string& Name) const {
  if (Name.empty()) return nullptr;
  const auto It = FNameIndex.find(NameKey(Name));
  if (It == FNameIndex.end() || It->second.empty()) return nullptr;
  if (It->second.size() == 1) return It->second.front();
  TFileType* Best = nullptr;
  int BestIndex = 0;
  for (TFileType* T : It->second) {
    const int I = T->Index();
    if (Best == nullptr || I < BestIndex) {
      Best = T;
      BestIndex = I;
    }
  }
  return Best;
}

void TFileTypes::IndexName(TFileType* Item) {
  if (Item->FName.empty()) return;
  auto& Bucket = FNameIndex[NameKey(Item->FName)];
  if (std::find(Bucket.begin(), Bucket.end(), Item) == Bucket.end()) Bucket.push_back(Item);
}

void TFileTypes::UnindexName(TFileType* Item) {
  if (Item->FName.empty()) return;
  const auto It = FNameIndex.find(NameKey(Item->FName));
  if (It == FNameIndex.end()) return;
  auto& Bucket = It->second;
  Bucket.erase(std::remove(Bucket.begin(), Bucket.end(), Item), Bucket.end());
  if (Bucket.empty()) FNameIndex.erase(It);
}

void TFileTypes::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  TSortedCollection::Notify(Item, Action);
  // An item under destruction is no TFileType any more: its destructor took its name out already.
  auto* FileType = dynamic_cast<TFileType*>(Item);
  if (FileType == nullptr) return;
  if (Action == cnAdded)
    IndexName(FileType);
  else if (Action == cnExtracting)
    UnindexName(FileType);
}

void TFileTypes::AddLink(TFileTypeLink* Link) {
  if (Link == nullptr) return;
  if (Link->FFileTypes != this) {
    Link->SetFileTypes(this);  // comes back here with the link pointing at this model
    return;
  }
  if (std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end()) return;
  FLinks.push_back(Link);
  Link->Notify(ftnChanged, nullptr);
}

void TFileTypes::RemoveLink(TFileTypeLink* Link) {
  const auto It = std::find(FLinks.begin(), FLinks.end(), Link);
  if (It == FLinks.end() || Link == nullptr) return;
  if (FNotifying > 0) {
    *It = nullptr;
    FLinksToPack = true;
  } else {
    FLinks.erase(It);
  }
  if (Link->FFileTypes == this) {
    Link->FFileTypes = nullptr;
    Link->FItem = nullptr;
    Link->FItemName.clear();
  }
}

int TFileTypes::LinkCount() const {
  return static_cast<int>(std::count_if(FLinks.begin(), FLinks.end(), [](TFileTypeLink* L) { return L != nullptr; }));
}

void TFileTypes::PackLinks() {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), nullptr), FLinks.end());
  FLinksToPack = false;
}

void TFileTypes::NotifyLinks(int Action, TFileType* Item) {
  if (UpdateCount() > 0 && Action != ftnItemRefreshed) {
    // Held back, but no link may keep the pointer of an item that goes.
    if (Action == ftnDestroyed && Item != nullptr)
      for (TFileTypeLink* Link : FLinks)
        if (Link != nullptr) Link->ForgetItem(Item);
    return;
  }
  struct TDepth {
    TFileTypes* Self;
    ~TDepth() {
      if (--Self->FNotifying == 0 && Self->FLinksToPack) Self->PackLinks();
    }
  };
  ++FNotifying;
  TDepth Depth{this};
  // Slots stay in place while notices run: removed links read nullptr, added ones lie beyond Count.
  const size_t Count = FLinks.size();
  for (size_t I = 0; I < Count && I < FLinks.size(); ++I) {
    TFileTypeLink* Link = FLinks[I];
    if (Link != nullptr) Link->Notify(Action, Item);
  }
}

void TFileTypes::Update(TCollectionItem* Item) {
  if (FMoving) {
    FMoving = false;
    return;
  }
  if (!FScanning) NotifyLinks(ftnChanged, dynamic_cast<TFileType*>(Item));
}

int TFileTypes::CompareTypes(const TFileType* T1, const TFileType* T2) const {
  if (!T1->FPredefined && !T2->FPredefined) return AnsiCompareStr(T1->FDescription, T2->FDescription);
  if (!T1->FPredefined) return 1;
  if (!T2->FPredefined) return -1;
  const TPredefinedLists& Lists = PredefinedLists();
  return Lists.IndexOf(T1->FName) - Lists.IndexOf(T2->FName);
}

int TFileTypes::Compare(int Index1, int Index2) { return CompareTypes(GetItem(Index1), GetItem(Index2)); }

void TFileTypes::SortItems() {
  // Called inside the scan's update bracket. The items are put in order once (a stable merge sort
  // of the pointers) and re-inserted from an empty, sorted collection: moving them one by one
  // through SetIndex would cost a search and a shift per step.
  std::vector<TFileType*> Order;
  Order.reserve(static_cast<size_t>(Count()));
  for (int I = 0; I < Count(); ++I) Order.push_back(GetItem(I));
  std::stable_sort(Order.begin(), Order.end(),
                   [this](const TFileType* A, const TFileType* B) { return CompareTypes(A, B) < 0; });
  for (int I = Count() - 1; I >= 0; --I) GetItem(I)->SetCollection(nullptr);
  SetSorted(true);
  for (TFileType* T : Order) T->SetCollection(this);
}

void TFileTypes::Refresh(TStringList& Errors) {
  BeginUpdate();
  FScanning = true;
  const bool ErrorsSorted = Errors.Sorted();
  auto Finish = [&] {
    Errors.SetSorted(ErrorsSorted);
    try {
      SortItems();
    } catch (...) {
      EndUpdate();
      FScanning = false;
      throw;
    }
    EndUpdate();
    FScanning = false;
  };
  try {
    Errors.SetSorted(false);
    ClearFileTypeErrors(Errors);
    SetSorted(false);
    Clear();
    TRegistry Registry(KEY_READ);
    Registry.SetRootKey(ClassesRoot());
    Scan(Registry, Errors);
  } catch (...) {
    try {
      Finish();
      NotifyLinks(ftnRefreshed, nullptr);
    } catch (...) {
      // The scan's own error is the one to report.
    }
    throw;
  }
  Finish();
  NotifyLinks(ftnRefreshed, nullptr);
}

void TFileTypes::Scan(TRegistry& Registry, TStringList& Errors) {
  const TPredefinedLists& Lists = PredefinedLists();

  // Predefined types first, in table order; found again by the upper-case form of their names.
  std::unordered_map<std::string, TFileType*> Predefined;
  for (size_t I = 0; I < Lists.Names.size(); ++I) {
    TFileType* T = Add();
    T->FName = Lists.Names[I];
    T->FDescription = Lists.Captions[I];
    T->FIconLocation = Lists.Icons[I];
    T->FPredefined = true;
    T->FPredefinedType = Lists.Types[I];
    IndexName(T);
    Predefined.emplace(NameKey(T->FName), T);
  }

  TRegistryEx::OpenKeyReadOnly(Registry, "\\");
  TStringList Keys;
  Keys.SetCapacity(1000);
  Registry.GetKeyNames(Keys);
  Keys.Sort();

  auto IsScanned = [](const std::string& K) { return !K.empty() && K != "CLSID"; };

  // Types.
  for (int I = 0; I < Keys.Count(); ++I) {
    const std::string K = Keys[I];
    if (!IsScanned(K) || K[0] == '.') continue;
    const std::string Key = "\\" + K;
    if (!Registry.OpenKeyReadOnly(Key)) {
      AddAccessDenied(Errors, Registry, Key);
      continue;
    }
    TFileType* T = nullptr;
    const auto P = Predefined.find(NameKey(K));
    if (P != Predefined.end()) {
      T = P->second;
    } else {
      T = Add();
      T->FName = K;
      IndexName(T);
    }
    T->FDescription = ReadDefault(Registry, Errors);
    if (T->FDescription.empty()) {
      const int Row = T->FPredefined ? Lists.IndexOf(T->FName) : -1;
      T->FDescription = Row >= 0 ? Lists.Captions[static_cast<size_t>(Row)] : T->FName;
    }
    // Subkeys open with the access that opened the type key.
    if (Registry.OpenKey(Key + "\\CurVer", false)) T->FCurVer = ReadDefault(Registry, Errors);
    if (Registry.OpenKey(Key + "\\DefaultIcon", false)) T->FIconLocation = ReadDefault(Registry, Errors);
    if (T->FIconLocation.empty()) {
      if (T->FPredefined) {
        const int Row = Lists.IndexOf(T->FName);
        if (Row >= 0) T->FIconLocation = Lists.Icons[static_cast<size_t>(Row)];
      }
      if (Registry.OpenKey(Key + "\\CLSID", false)) {
        const std::string Clsid = ReadDefault(Registry, Errors);
        if (!Clsid.empty()) {
          for (const char* Server : {"DefaultIcon", "InProcServer32", "LocalServer32"}) {
            if (Registry.OpenKey("\\CLSID\\" + Clsid + "\\" + Server, false)) {
              T->FIconLocation = ReadDefault(Registry, Errors);
              break;
            }
          }
        }
      }
    }
    T->Changed(ftnItemRefreshed, T);
  }

  // Extensions.
  for (int I = 0; I < Keys.Count(); ++I) {
    const std::string K = Keys[I];
    if (!IsScanned(K) || K[0] != '.') continue;
    const std::string Key = "\\" + K;
    if (!Registry.OpenKeyReadOnly(Key)) {
      AddAccessDenied(Errors, Registry, Key);
      continue;
    }
    const std::string TypeName = ReadDefault(Registry, Errors);
    if (TFileType* T = FindByName(TypeName)) {
      T->FExtensions.push_back(K);
    } else if (!TypeName.empty()) {
      const size_t Slash = TypeName.find('\\');
      const std::string Head = Slash == std::string::npos ? std::string() : TypeName.substr(0, Slash);
      if (Head != "CLSID")
        AddError(Errors, fteExtension, Format(LoadResString(SFtExtNoType), {K, TypeName}), K, TypeName);
    }
  }
  NotifyLinks(ftnItemRefreshed, nullptr);

  // CurVer: a type that names another one gives it its extensions and goes.
  for (int I = 0; I < Count();) {
    TFileType* T = GetItem(I);
    if (!T->FCurVer.empty()) {
      TFileType* Target = FindByName(T->FCurVer);
      if (Target != nullptr && Target != T) {
        Target->AppendExtensions(T->FExtensions);
        delete T;
        continue;
      }
      if (Target == T) {
        const std::string Key = "\\" + T->FCurVer;
        if (!Registry.OpenKeyReadOnly(Key))
          AddAccessDenied(Errors, Registry, Key);
        else if (!Registry.KeyExists("CLSID"))
          AddError(Errors, fteCurVer, Format(LoadResString(SFtCurVerRecurrent), {T->FName, T->FDescription}),
                   T->FName, T->FCurVer);
      } else {
        AddError(Errors, fteCurVer,
                 Format(LoadResString(SFtCurVerMissing), {T->FName, T->FDescription, T->FCurVer}), T->FName,
                 T->FCurVer);
      }
    }
    ++I;
  }
  NotifyLinks(ftnItemRefreshed, nullptr);

  // Ordinary types without extensions go.
  for (int I = 0; I < Count();) {
    TFileType* T = GetItem(I);
    if (!T->FPredefined && T->FExtensions.empty()) {
      delete T;
      continue;
    }
    ++I;
  }
  Registry.CloseKey();
}

// ---------------------------------------------------------------------------------------------
// Icons

bool TFileTypes::LoadIconLocation(const std::string& Location, const std::string& Ext, TIcon& Icon, bool SmallIcon,
                                  const TFileType* Owner, TStrings* Errors) {
  if (Location == "%1" || Location == "\"%1\"") {
    HICON Handle = AssociatedIcon(Ext);
    if (Handle == nullptr) return false;
    Icon.SetHandle(Handle);
    return true;
  }

  std::string File = Location;
  int Index = 0;
  const size_t Comma = Location.rfind(',');
  if (Comma != std::string::npos) {
    File = Location.substr(0, Comma);
    Index = ParseDecimal(Location.substr(Comma + 1), 0);
  }
  if (!File.empty() && File.front() == '"') File.erase(0, 1);
  if (!File.empty() && File.back() == '"') File.pop_back();
  File = ExpandIconPath(File);

  const std::string Folder = ExtractFilePath(File);
  const std::string Base = ExtractFileName(File);
  char Found[MAX_PATH];
  const DWORD N = Base.empty() ? 0
                               : SearchPathA(Folder.empty() ? nullptr : Folder.c_str(), Base.c_str(), nullptr,
                                             MAX_PATH, Found, nullptr);
  if (N == 0 && Errors != nullptr && Owner != nullptr)
    AddError(*Errors, fteIcon, Format(LoadResString(SFtIconMissing), {File, Owner->Description(), Owner->Name()}),
             Owner->Name(), Owner->Description());

  HICON Large = nullptr, Small = nullptr;
  if (!ExtractOne(File, Index, Large, Small)) return false;
  if (Large == nullptr && Small == nullptr && Index == -1 && !ExtractOne(File, 0, Large, Small)) return false;
  HICON Chosen = nullptr;
  if (!SmallIcon && (Large != nullptr || Small == nullptr)) {
    Chosen = Large;
    if (Small != nullptr) DestroyIcon(Small);
  } else {
    Chosen = Small;
    if (Large != nullptr) DestroyIcon(Large);
  }
  if (Chosen == nullptr) return false;
  Icon.SetHandle(Chosen);
  return true;
}

void TFileTypes::LoadIcons(TCustomImageList& Images, TStringList& Errors) {
  const int Width = Images.Width();
  const int Height = Images.Height();
  Images.Clear();
  Images.SetMasked(true);
  HIMAGELIST Handle = ImageList_Create(Width, Height, ColorDepthFlags(Images.ColorDepth()) | ILC_MASK,
                                       Images.AllocBy(), Images.AllocBy());
  if (Handle == nullptr) throw EInvalidOperation(LoadResString(SInvalidImageList));
  const TColor Back = Images.BkColor();
  ImageList_SetBkColor(Handle, Back == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(Back)));
  Images.SetHandle(Handle);
  if (!Images.HandleAllocated()) throw EInvalidOperation(LoadResString(SInvalidImageList));

  const bool SmallIcons = std::abs(Width - GetSystemMetrics(SM_CXSMSIZE)) < std::abs(Width - GetSystemMetrics(SM_CXICON));
  for (int I = 0; I < Count(); ++I) {
    TFileType* T = GetItem(I);
    const std::string Ext = T->FExtensions.empty() ? std::string() : T->FExtensions.front();
    bool Added = false;
    {
      TIcon Icon;
      if ((!T->FIconLocation.empty() && LoadIconLocation(T->FIconLocation, Ext, Icon, SmallIcons, T, &Errors)) ||
          LoadIconLocation("shell32.dll,0", Ext, Icon, SmallIcons, T, &Errors))
        Added = Images.AddIcon(Icon) >= 0;
    }
    if (!Added) {
      TBitmap Black(Width, Height);
      Black.Canvas().BrushColor = clBlack;
      Black.Canvas().FillRect(RECT{0, 0, Width, Height});
      if (Images.Add(Black, nullptr) < 0) throw Exception(LoadResString(SFtNoMemoryForIcons));
    }
    NotifyLinks(ftnIconLoaded, T);
  }
}

// ---------------------------------------------------------------------------------------------
// TFileTypeLink

TFileTypeLink::TFileTypeLink() = default;

TFileTypeLink::~TFileTypeLink() {
  if (FFileTypes != nullptr) FFileTypes->RemoveLink(this);
}

void TFileTypeLink::SetFileType(TFileType* Item) {
  // Nil also ends the search for a type that went during a scan.
  if (Item == FItem && (Item != nullptr || FItemName.empty())) return;
  if (Item != nullptr && (FFileTypes == nullptr || Item->FileTypes() != FFileTypes))
    throw Exception(LoadResString(SFtLinkNoFileTypes));
  FItem = Item;
  FItemName = Item != nullptr ? Item->Name() : std::string();
}

void TFileTypeLink::SetFileTypes(TFileTypes* Model) {
  if (Model == FFileTypes) return;
  if (FFileTypes != nullptr) FFileTypes->RemoveLink(this);
  FFileTypes = Model;
  FItem = nullptr;
  FItemName.clear();
  if (Model != nullptr) Model->AddLink(this);
}

void TFileTypeLink::Notify(int Action, TFileType* Item) {
  switch (Action) {
    case ftnChanged: ItemChanged(Item); break;
    case ftnDestroyed: ItemDestroyed(Item); break;
    case ftnMoved: ItemMoved(Item); break;
    case ftnRefreshed: ListRefreshed(); break;
    case ftnItemRefreshed: ItemRefreshed(Item); break;
    case ftnIconLoaded: IconLoaded(Item); break;
    default: break;
  }
}

void TFileTypeLink::ItemDestroyed(TFileType* Item) {
  if (Item != nullptr && Item == FItem)
    SetFileType(nullptr);
  else if (Item == nullptr)
    SetFileTypes(nullptr);
  if (OnDestroy) OnDestroy(this, Item);
}

void TFileTypeLink::ItemChanged(TFileType* Item) {
  if (OnChange) OnChange(this, Item);
}

void TFileTypeLink::ItemMoved(TFileType* Item) {
  if (OnMove) OnMove(this, Item);
}

bool TFileTypeLink::Refind() {
  TFileType* Found = FFileTypes->FindByName(FItemName);
  if (Found == nullptr) {
    ItemDestroyed(nullptr);
    return false;
  }
  FItem = Found;
  FItemName = Found->Name();
  return true;
}

void TFileTypeLink::ListRefreshed() {
  if (HasType() && FFileTypes != nullptr && !Refind()) return;
  if (OnRefresh) OnRefresh(this);
}

void TFileTypeLink::ItemRefreshed(TFileType* Item) {
  if (Item != nullptr && Item == FItem && FFileTypes != nullptr && !Refind()) return;
  if (OnRefreshItem) OnRefreshItem(this, Item);
}

void TFileTypeLink::IconLoaded(TFileType* Item) {
  if (OnLoadIcon) OnLoadIcon(this, Item);
}

void TFileTypeLink::ForgetItem(TFileType* Item) {
  if (Item != nullptr && Item == FItem) FItem = nullptr;
}
