// The shell's side of Vellisk's tests.
#include "tests/support/Files.h"
#include "tests/shellext/ShellHost.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace shellhost {

// ---------------------------------------------------------------------------------------------
// Files and folders

std::string ProgramFolder() {
  char Buffer[MAX_PATH * 4] = {};
  DWORD Len = GetModuleFileNameA(nullptr, Buffer, sizeof(Buffer));
  std::string Path(Buffer, Len);
  return Path.substr(0, Path.find_last_of("\\/") + 1);
}

std::string WindowsFolder() {
  char Buffer[MAX_PATH + 1] = {};
  UINT Len = GetWindowsDirectoryA(Buffer, sizeof(Buffer));
  std::string Path(Buffer, Len);
  if (!Path.empty() && Path.back() != '\\') Path += '\\';
  return Path;
}

std::string ShortPath(const std::string& Path) {
  DWORD Len = GetShortPathNameA(Path.c_str(), nullptr, 0);
  if (Len == 0) return Path;
  std::string Result(Len, '\0');
  Len = GetShortPathNameA(Path.c_str(), Result.data(), Len);
  if (Len == 0 || Len >= Result.size()) return Path;
  Result.resize(Len);
  return Result;
}

bool WriteFileText(const std::string& FileName, const std::string& Text) {
  HANDLE H = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  DWORD Written = 0;
  BOOL Ok = WriteFile(H, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
  CloseHandle(H);
  return Ok && Written == Text.size();
}

bool ReadFileText(const std::string& FileName, std::string& Text) { return ReadFileBytes(FileName, Text); }

bool FileExistsA(const std::string& FileName) {
  DWORD Attributes = GetFileAttributesA(FileName.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------------------------------------------
// The library

TVelliskCopy::TVelliskCopy(const std::string& Stem) : FFolder(Stem) {
  FCopied = !Folder().empty() && CopyFileA((ProgramFolder() + "Vellisk.dll").c_str(), LibraryPath().c_str(), FALSE);
}

TVelliskCopy::~TVelliskCopy() {
  Unload();
  // A copy that COM loaded goes once nothing of it is alive, so that its folder can be removed.
  CoFreeUnusedLibrariesEx(0, 0);
}

HMODULE TVelliskCopy::Load() {
  if (FModule == nullptr) FModule = LoadLibraryA(LibraryPath().c_str());
  return FModule;
}

void TVelliskCopy::Unload() {
  if (FModule != nullptr) FreeLibrary(FModule);
  FModule = nullptr;
}

FARPROC TVelliskCopy::Export(const char* Name) {
  HMODULE Module = Load();
  return Module != nullptr ? GetProcAddress(Module, Name) : nullptr;
}

HRESULT TVelliskCopy::CallExport(const char* Name) {
  using TExport = HRESULT(STDAPICALLTYPE*)();
  TExport Proc = reinterpret_cast<TExport>(reinterpret_cast<void*>(Export(Name)));
  return Proc != nullptr ? Proc() : E_UNEXPECTED;
}

HRESULT TVelliskCopy::GetClassObject(REFCLSID ClassID, REFIID Interface, void** Object) {
  using TGetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  TGetClassObject Proc =
      reinterpret_cast<TGetClassObject>(reinterpret_cast<void*>(Export("DllGetClassObject")));
  return Proc != nullptr ? Proc(ClassID, Interface, Object) : E_UNEXPECTED;
}

DWORD RunRegsvr32(const std::string& Path, bool Unregister) {
  char System[MAX_PATH + 1] = {};
  GetSystemDirectoryA(System, sizeof(System));
  const std::string Program = std::string(System) + "\\regsvr32.exe";
  std::string CommandLine = "\"" + Program + "\" /s " + (Unregister ? "/u " : "") + "\"" + Path + "\"";
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  if (!CreateProcessA(Program.c_str(), CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup,
                      &Process))
    return static_cast<DWORD>(-1);
  DWORD Result = static_cast<DWORD>(-1);
  if (WaitForSingleObject(Process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(Process.hProcess, &Result);
  else
    TerminateProcess(Process.hProcess, 1);
  CloseHandle(Process.hThread);
  CloseHandle(Process.hProcess);
  return Result;
}

std::string DynamicItemsIni(const std::vector<std::string>& FileTypes, const std::string& DebugLogging) {
  std::string Text = "[Dynamic Items]\r\nCount=" + std::to_string(FileTypes.size()) + "\r\n";
  for (size_t I = 0; I < FileTypes.size(); ++I) {
    const std::string N = std::to_string(I + 1);
    Text += "Caption" + N + "=Item " + N + "\r\n";
    Text += "Application" + N + "=" + WindowsFolder() + "notepad.exe\r\n";
    Text += "FileType" + N + "=" + FileTypes[I] + "\r\n";
  }
  if (!DebugLogging.empty()) Text += "[Debug Options]\r\nDebugLogging=" + DebugLogging + "\r\n";
  return Text;
}

// ---------------------------------------------------------------------------------------------
// Renderings

std::string HDropData(const std::vector<std::string>& Files) {
  DROPFILES Header{};
  Header.pFiles = sizeof(DROPFILES);
  Header.fWide = FALSE;
  std::string Data(reinterpret_cast<const char*>(&Header), sizeof(Header));
  for (const std::string& F : Files) {
    Data += F;
    Data += '\0';
  }
  Data += '\0';
  return Data;
}

std::string FileNameData(const std::string& Name) { return Name + std::string(1, '\0'); }

std::string IDListData(const std::string& Folder, const std::vector<std::string>& Names) {
  PIDLIST_ABSOLUTE FolderList = ILCreateFromPathA(Folder.c_str());
  if (FolderList == nullptr) return std::string();
  std::vector<std::string> Lists;
  Lists.emplace_back(reinterpret_cast<const char*>(FolderList), ILGetSize(FolderList));
  std::string Base = Folder;
  if (!Base.empty() && Base.back() != '\\') Base += '\\';
  for (const std::string& Name : Names) {
    PIDLIST_ABSOLUTE Full = ILCreateFromPathA((Base + Name).c_str());
    if (Full == nullptr) {
      Lists.emplace_back();
      continue;
    }
    PCUIDLIST_RELATIVE Child = ILFindChild(FolderList, Full);
    if (Child != nullptr) Lists.emplace_back(reinterpret_cast<const char*>(Child), ILGetSize(Child));
    ILFree(Full);
  }
  ILFree(FolderList);
  const UINT Count = static_cast<UINT>(Lists.size() - 1);
  std::vector<UINT> Offsets;
  UINT Offset = static_cast<UINT>(sizeof(UINT) * (Count + 2));
  std::string Body;
  for (const std::string& L : Lists) {
    Offsets.push_back(Offset);
    Body += L;
    Offset += static_cast<UINT>(L.size());
  }
  std::string Data(reinterpret_cast<const char*>(&Count), sizeof(Count));
  Data.append(reinterpret_cast<const char*>(Offsets.data()), Offsets.size() * sizeof(UINT));
  return Data + Body;
}

UINT FileNameFormat() { return RegisterClipboardFormatA("FileName"); }
UINT ShellIDListFormat() { return RegisterClipboardFormatA("Shell IDList Array"); }

// ---------------------------------------------------------------------------------------------
// The data object

namespace {

// Owns one medium's memory; its last Release frees it and counts the medium as released.
class TMediumOwner : public IUnknown {
public:
  TMediumOwner(HGLOBAL Memory, LONG* Alive) : FMemory(Memory), FAlive(Alive) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    *ppvObject = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG Result = InterlockedDecrement(&FRefCount);
    if (Result == 0) {
      GlobalFree(FMemory);
      InterlockedDecrement(FAlive);
      delete this;
    }
    return static_cast<ULONG>(Result);
  }

private:
  virtual ~TMediumOwner() = default;
  LONG FRefCount = 1;
  HGLOBAL FMemory;
  LONG* FAlive;
};

class TFormatEnum : public IEnumFORMATETC {
public:
  explicit TFormatEnum(std::vector<FORMATETC> Formats, size_t Index = 0)
      : FFormats(std::move(Formats)), FIndex(Index) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IEnumFORMATETC)) return E_NOINTERFACE;
    *ppvObject = static_cast<IEnumFORMATETC*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG Result = InterlockedDecrement(&FRefCount);
    if (Result == 0) delete this;
    return static_cast<ULONG>(Result);
  }
  STDMETHODIMP Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) override {
    ULONG Fetched = 0;
    while (Fetched < celt && FIndex < FFormats.size()) rgelt[Fetched++] = FFormats[FIndex++];
    if (pceltFetched != nullptr) *pceltFetched = Fetched;
    return Fetched == celt ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG celt) override {
    FIndex = std::min(FFormats.size(), FIndex + static_cast<size_t>(celt));
    return FIndex < FFormats.size() ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    FIndex = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumFORMATETC** ppenum) override {
    if (ppenum == nullptr) return E_POINTER;
    *ppenum = new TFormatEnum(FFormats, FIndex);
    return S_OK;
  }

private:
  virtual ~TFormatEnum() = default;
  LONG FRefCount = 1;
  std::vector<FORMATETC> FFormats;
  size_t FIndex;
};

}  // namespace

void TTestDataObject::Answer(UINT Format, HRESULT Code, const std::string& Data) { FAnswers[Format] = {Code, Data}; }

STDMETHODIMP TTestDataObject::QueryInterface(REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject)) return E_NOINTERFACE;
  *ppvObject = static_cast<IDataObject*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TTestDataObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

STDMETHODIMP_(ULONG) TTestDataObject::Release() {
  LONG Result = InterlockedDecrement(&FRefCount);
  if (Result == 0) delete this;
  return static_cast<ULONG>(Result);
}

STDMETHODIMP TTestDataObject::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) {
  if (pformatetcIn == nullptr || pmedium == nullptr) return E_INVALIDARG;
  FRequests.push_back(pformatetcIn->cfFormat);
  auto It = FAnswers.find(pformatetcIn->cfFormat);
  if (It == FAnswers.end()) return DV_E_FORMATETC;
  if (FAILED(It->second.Code)) return It->second.Code;
  const std::string& Data = It->second.Data;
  HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Data.size() + 1);
  if (Memory == nullptr) return E_OUTOFMEMORY;
  void* P = GlobalLock(Memory);
  std::memcpy(P, Data.data(), Data.size());
  GlobalUnlock(Memory);
  InterlockedIncrement(&FMediaAlive);
  pmedium->tymed = TYMED_HGLOBAL;
  pmedium->hGlobal = Memory;
  pmedium->pUnkForRelease = new TMediumOwner(Memory, &FMediaAlive);
  return It->second.Code;
}

STDMETHODIMP TTestDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

STDMETHODIMP TTestDataObject::QueryGetData(FORMATETC* pformatetc) {
  if (pformatetc == nullptr) return E_INVALIDARG;
  auto It = FAnswers.find(pformatetc->cfFormat);
  return It != FAnswers.end() && SUCCEEDED(It->second.Code) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP TTestDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pformatetcOut) {
  if (pformatetcOut != nullptr) pformatetcOut->ptd = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TTestDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

STDMETHODIMP TTestDataObject::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) {
  if (ppenumFormatEtc == nullptr) return E_POINTER;
  *ppenumFormatEtc = nullptr;
  if (FAILED(FEnumResult)) return FEnumResult;
  if (dwDirection != DATADIR_GET) return E_NOTIMPL;
  *ppenumFormatEtc = new TFormatEnum(FOffered);
  return S_OK;
}

STDMETHODIMP TTestDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP TTestDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
STDMETHODIMP TTestDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// ---------------------------------------------------------------------------------------------
// Registry

TClassKeys::~TClassKeys() {
  for (HKEY Key : FOpen) RegCloseKey(Key);
  for (auto It = FOwned.rbegin(); It != FOwned.rend(); ++It) DeleteTree(HKEY_CLASSES_ROOT, *It);
}

std::string TClassKeys::NewName(const std::string& Hint) {
  static int Counter = 0;
  return "VelliskTest." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++Counter) + "." + Hint;
}

HKEY TClassKeys::Create(const std::string& Class, bool Volatile) {
  HKEY Key = nullptr;
  if (!KeyExists(HKEY_CLASSES_ROOT, Class)) FOwned.push_back(Class);
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, Class.c_str(), 0, nullptr,
                      Volatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &Key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  FOpen.push_back(Key);
  return Key;
}

void TClassKeys::Guard(const std::string& Class) {
  if (!KeyExists(HKEY_CLASSES_ROOT, Class)) FOwned.push_back(Class);
}

bool KeyExists(HKEY Root, const std::string& Path) {
  HKEY Key = nullptr;
  LONG R = RegOpenKeyExA(Root, Path.c_str(), 0, KEY_QUERY_VALUE, &Key);
  if (R == ERROR_SUCCESS) RegCloseKey(Key);
  return R == ERROR_SUCCESS || R == ERROR_ACCESS_DENIED;
}

bool ReadString(HKEY Root, const std::string& Path, const std::string& Name, std::string& Value) {
  Value.clear();
  HKEY Key = nullptr;
  if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) return false;
  DWORD Type = 0, Size = 0;
  bool Ok = RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, nullptr, &Size) == ERROR_SUCCESS &&
            (Type == REG_SZ || Type == REG_EXPAND_SZ);
  if (Ok) {
    std::string Buffer(Size + 1, '\0');
    Ok = RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Buffer.data()), &Size) ==
         ERROR_SUCCESS;
    Value = Buffer.c_str();
  }
  RegCloseKey(Key);
  return Ok;
}

bool ValueExists(HKEY Root, const std::string& Path, const std::string& Name) {
  HKEY Key = nullptr;
  if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) return false;
  bool Result = RegQueryValueExA(Key, Name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(Key);
  return Result;
}

std::vector<std::string> SubKeyNames(HKEY Root, const std::string& Path) {
  std::vector<std::string> Result;
  HKEY Key = nullptr;
  if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &Key) != ERROR_SUCCESS) return Result;
  char Name[1024];
  for (DWORD I = 0;; ++I) {
    DWORD Len = sizeof(Name);
    if (RegEnumKeyExA(Key, I, Name, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Result.emplace_back(Name, Len);
  }
  RegCloseKey(Key);
  return Result;
}

void DeleteTree(HKEY Root, const std::string& Path) {
  RegDeleteTreeA(Root, Path.c_str());
  RegDeleteKeyA(Root, Path.c_str());
}

void RemoveVelliskRegistration() {
  DeleteTree(HKEY_CLASSES_ROOT, std::string("CLSID\\") + VelliskClassIDText);
  HKEY Key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ApprovedKey, 0, KEY_SET_VALUE, &Key) == ERROR_SUCCESS) {
    RegDeleteValueA(Key, VelliskClassIDText);
    RegCloseKey(Key);
  }
}

TWindowsIni::TWindowsIni(const std::string& Text) : FWritten(WriteFileText(Path(), Text)) {}

TWindowsIni::~TWindowsIni() { DeleteFileA(Path().c_str()); }

std::string TWindowsIni::Path() { return WindowsFolder() + "ZU2001.ini"; }

// ---------------------------------------------------------------------------------------------
// The log

namespace {

FILETIME LocalNow() {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  FILETIME Result;
  SystemTimeToFileTime(&Now, &Result);
  return Result;
}

unsigned long long Ticks(const FILETIME& T) {
  return (static_cast<unsigned long long>(T.dwHighDateTime) << 32) | T.dwLowDateTime;
}

std::string TimeText(const SYSTEMTIME& T) {
  char Buffer[128] = {};
  return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &T, nullptr, Buffer, sizeof(Buffer)) > 0 ? Buffer : "";
}

std::string DateText(const SYSTEMTIME& T) {
  char Buffer[128] = {};
  return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &T, nullptr, Buffer, sizeof(Buffer)) > 0 ? Buffer : "";
}

}  // namespace

TVelliskLog::TVelliskLog() { Restart(); }

void TVelliskLog::Restart() {
  unsigned long long T = Ticks(LocalNow()) - 2ULL * 10000000ULL;
  FSince.dwLowDateTime = static_cast<DWORD>(T);
  FSince.dwHighDateTime = static_cast<DWORD>(T >> 32);
}

std::vector<SYSTEMTIME> TVelliskLog::Seconds() const {
  std::vector<SYSTEMTIME> Result;
  const unsigned long long Until = Ticks(LocalNow()) + 2ULL * 10000000ULL;
  for (unsigned long long T = Ticks(FSince); T <= Until; T += 10000000ULL) {
    FILETIME F;
    F.dwLowDateTime = static_cast<DWORD>(T);
    F.dwHighDateTime = static_cast<DWORD>(T >> 32);
    SYSTEMTIME S;
    FileTimeToSystemTime(&F, &S);
    Result.push_back(S);
  }
  return Result;
}

bool TVelliskLog::Read(const std::string& FileName) {
  FRaw.clear();
  FLines.clear();
  std::string Text;
  if (!ReadFileText(FileName, Text)) return false;
  std::vector<std::string> Times;
  for (const SYSTEMTIME& S : Seconds()) Times.push_back(TimeText(S) + ":");
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find("\r\n", Start);
    if (End == std::string::npos) End = Text.size();
    FRaw.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  for (const std::string& Raw : FRaw) {
    TLogLine Line;
    Line.Text = Raw;
    size_t Best = 0;
    for (const std::string& T : Times)
      if (T.size() > Best && Raw.compare(0, T.size(), T) == 0) Best = T.size();
    if (Best > 0) {
      size_t Blanks = 0;
      while (Best + Blanks < Raw.size() && Raw[Best + Blanks] == ' ') ++Blanks;
      Line.Timed = true;
      Line.Level = static_cast<int>(Blanks / 2);
      Line.Text = Raw.substr(Best + Blanks);
    }
    FLines.push_back(Line);
  }
  return true;
}

int TVelliskLog::Find(const std::string& Prefix, int From) const {
  for (int I = std::max(From, 0); I < static_cast<int>(FLines.size()); ++I)
    if (FLines[static_cast<size_t>(I)].Text.compare(0, Prefix.size(), Prefix) == 0) return I;
  return -1;
}

bool TVelliskLog::Contains(const std::string& Text) const {
  for (const TLogLine& L : FLines)
    if (L.Text == Text) return true;
  return false;
}

bool TVelliskLog::IsSessionTime(const std::string& Text) const {
  for (const SYSTEMTIME& S : Seconds())
    if (Text == DateText(S) + " " + TimeText(S)) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Windows

namespace {

struct TWindowCount {
  DWORD Process;
  int Count;
};

BOOL CALLBACK CountWindow(HWND Window, LPARAM Param) {
  TWindowCount* C = reinterpret_cast<TWindowCount*>(Param);
  DWORD Process = 0;
  GetWindowThreadProcessId(Window, &Process);
  if (Process == C->Process) ++C->Count;
  return TRUE;
}

}  // namespace

int ProcessWindowCount() {
  TWindowCount Count{GetCurrentProcessId(), 0};
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&Count));
  for (HWND Window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); Window != nullptr;
       Window = FindWindowExA(HWND_MESSAGE, Window, nullptr, nullptr))
    CountWindow(Window, reinterpret_cast<LPARAM>(&Count));
  return Count.Count;
}

}  // namespace shellhost
