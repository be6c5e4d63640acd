// The shell's side of Vellisk's tests. Wine's shell never loads context-menu handlers, so the tests
// play it: a private copy of the library with its own INI file and log, registration through
// regsvr32 and through the exports, a single-threaded apartment, a data object that answers chosen
// formats with chosen codes, class keys made for one test, and the log read back line by line.
//
// Tests that register the library or create its objects through COM touch shared state (the class
// key HKEY_CLASSES_ROOT\CLSID\{...}, the Windows folder's ZU2001.ini): their ctest entries hold the
// resource locks in tests/shellext/CMakeLists.txt.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/SystemText.h"
#include "tests/support/TempDir.h"

namespace shellhost {

// {4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}, the class that Vellisk serves.
inline constexpr CLSID VelliskClassID = {0x4E7B21D3, 0x9A5C, 0x4F08, {0xB6, 0xE1, 0x2C, 0x93, 0xD5, 0x7A, 0x0F, 0x64}};
inline constexpr const char* VelliskClassIDText = "{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}";
inline constexpr const char* ApprovedKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// The folder of the running test program (with a trailing "\"), where the build puts Vellisk.dll.
std::string ProgramFolder();
std::string WindowsFolder();  // with a trailing "\"
std::string ShortPath(const std::string& Path);  // GetShortPathNameA, or Path when that fails

bool WriteFileText(const std::string& FileName, const std::string& Text);
// The whole file; false when it cannot be opened (it may be open for writing elsewhere).
bool ReadFileText(const std::string& FileName, std::string& Text);
bool FileExistsA(const std::string& FileName);

// A copy of the built Vellisk.dll in a folder of its own, so that "Corvane.ini" and "Vellisk.log"
// beside it belong to one test. Load/Unload hold a LoadLibrary reference of the test's own.
class TVelliskCopy {
public:
  explicit TVelliskCopy(const std::string& Stem = "vellisk");
  ~TVelliskCopy();  // frees the library when this object loaded it
  TVelliskCopy(const TVelliskCopy&) = delete;
  TVelliskCopy& operator=(const TVelliskCopy&) = delete;

  bool Copied() const { return FCopied; }
  std::string Folder() const { return FFolder.Folder(); }  // with a trailing "\"
  std::string LibraryPath() const { return FFolder.File("Vellisk.dll"); }
  std::string IniPath() const { return FFolder.File("Corvane.ini"); }
  std::string LogPath() const { return FFolder.File("Vellisk.log"); }
  bool WriteIni(const std::string& Text) const { return WriteFileText(IniPath(), Text); }

  HMODULE Load();  // LoadLibraryA of the copy; the same handle on later calls
  void Unload();
  HMODULE Module() const { return FModule; }
  FARPROC Export(const char* Name);  // loads first
  // The registration exports; E_UNEXPECTED when the export is missing.
  HRESULT CallExport(const char* Name);
  HRESULT Register() { return CallExport("DllRegisterServer"); }
  HRESULT Unregister() { return CallExport("DllUnregisterServer"); }
  HRESULT CanUnloadNow() { return CallExport("DllCanUnloadNow"); }
  HRESULT GetClassObject(REFCLSID ClassID, REFIID Interface, void** Object);

private:
  TTempDir FFolder;
  bool FCopied = false;
  HMODULE FModule = nullptr;
};

// Runs the system's 32-bit regsvr32 silently on Path ("/u" to unregister); its exit code, or
// (DWORD)-1 when it could not be started or did not end within a minute.
DWORD RunRegsvr32(const std::string& Path, bool Unregister);

// An INI text with section "Dynamic Items" holding one plain item per file type (Count included),
// and, when DebugLogging is not empty, section "Debug Options" with that value.
std::string DynamicItemsIni(const std::vector<std::string>& FileTypes, const std::string& DebugLogging = "");

// CoInitialize for the object's life (a single-threaded apartment).
class TComApartment {
public:
  TComApartment() : FResult(CoInitialize(nullptr)) {}
  ~TComApartment() {
    if (SUCCEEDED(FResult)) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;
  HRESULT Result() const { return FResult; }

private:
  HRESULT FResult;
};

// A counted interface reference.
template <class T>
class TComPtr {
public:
  TComPtr() = default;
  explicit TComPtr(T* Intf) : FIntf(Intf) {}  // takes over a reference
  TComPtr(const TComPtr& Other) : FIntf(Other.FIntf) {
    if (FIntf) FIntf->AddRef();
  }
  TComPtr& operator=(const TComPtr& Other) {
    if (Other.FIntf) Other.FIntf->AddRef();
    Reset();
    FIntf = Other.FIntf;
    return *this;
  }
  ~TComPtr() { Reset(); }
  void Reset() {
    if (FIntf) FIntf->Release();
    FIntf = nullptr;
  }
  T** Out() {
    Reset();
    return &FIntf;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* Get() const { return FIntf; }
  T* operator->() const { return FIntf; }
  explicit operator bool() const { return FIntf != nullptr; }
  // Another interface of the same object; empty when it has none.
  template <class U>
  TComPtr<U> As(HRESULT* Result = nullptr) const {
    TComPtr<U> Other;
    HRESULT R = FIntf ? FIntf->QueryInterface(__uuidof(U), Other.OutVoid()) : E_POINTER;
    if (Result) *Result = R;
    return Other;
  }

private:
  T* FIntf = nullptr;
};

// CoCreateInstance of Vellisk's class in process, asking for T.
template <class T>
HRESULT CreateMenuObject(TComPtr<T>& Object) {
  return CoCreateInstance(VelliskClassID, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), Object.OutVoid());
}

// Renderings of a selection, as the bytes of a global memory block.
std::string HDropData(const std::vector<std::string>& Files);  // DROPFILES with ANSI names
std::string FileNameData(const std::string& Name);              // the name and its zero
// A CIDA: the folder's absolute list, then each name's list relative to it. The files must exist.
std::string IDListData(const std::string& Folder, const std::vector<std::string>& Names);

// A data object whose GetData answers each format as told (DV_E_FORMATETC for any other) and
// records the formats asked for; EnumFormatEtc lists the offered formats or fails as told.
// Media handed out carry a release object, so that their release is counted.
class TTestDataObject : public IDataObject {
public:
  TTestDataObject() = default;
  virtual ~TTestDataObject() = default;

  // GetData for Format answers Code; with a success code the medium holds Data in global memory.
  void Answer(UINT Format, HRESULT Code, const std::string& Data = std::string());
  void SetEnumResult(HRESULT Code) { FEnumResult = Code; }
  void Offer(const FORMATETC& Format) { FOffered.push_back(Format); }

  const std::vector<UINT>& Requests() const { return FRequests; }
  LONG MediaAlive() const { return FMediaAlive; }  // handed out and not yet released
  LONG RefCount() const { return FRefCount; }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
  STDMETHODIMP GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
  STDMETHODIMP QueryGetData(FORMATETC* pformatetc) override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
  STDMETHODIMP SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
  STDMETHODIMP EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
  STDMETHODIMP DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
  STDMETHODIMP DUnadvise(DWORD dwConnection) override;
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA** ppenumAdvise) override;

private:
  struct TAnswer {
    HRESULT Code;
    std::string Data;
  };
  LONG FRefCount = 1;
  std::map<UINT, TAnswer> FAnswers;
  std::vector<UINT> FRequests;
  std::vector<FORMATETC> FOffered;
  HRESULT FEnumResult = S_OK;
  LONG FMediaAlive = 0;
};

UINT FileNameFormat();     // "FileName"
UINT ShellIDListFormat();  // "Shell IDList Array"

// A class key of the real HKEY_CLASSES_ROOT for one test: a name of its own, removed with
// everything below it when the fixture goes. Existing classes ("*", "Directory") are guarded
// instead: a key that was missing before is removed afterwards, one that was there is kept.
class TClassKeys {
public:
  TClassKeys() = default;
  ~TClassKeys();
  TClassKeys(const TClassKeys&) = delete;
  TClassKeys& operator=(const TClassKeys&) = delete;

  // A name unique to this process and call ("VelliskTest.<pid>.<n>.<Hint>"); no key is made.
  std::string NewName(const std::string& Hint);
  // Creates HKEY_CLASSES_ROOT\Class (volatile when asked) and answers a key open with full access,
  // kept open until the fixture goes; nullptr on failure.
  HKEY Create(const std::string& Class, bool Volatile = false);
  // Removes the key afterwards only when it does not exist now.
  void Guard(const std::string& Class);

private:
  std::vector<std::string> FOwned;
  std::vector<HKEY> FOpen;
};

// Registry reads through the same view as the library (32-bit).
bool KeyExists(HKEY Root, const std::string& Path);
// The string value Name ("" for the default value) of Root\Path; false when it cannot be read.
bool ReadString(HKEY Root, const std::string& Path, const std::string& Name, std::string& Value);
bool ValueExists(HKEY Root, const std::string& Path, const std::string& Name);
std::vector<std::string> SubKeyNames(HKEY Root, const std::string& Path);
void DeleteTree(HKEY Root, const std::string& Path);
// Removes every trace of a registration of the class (class key, approved value).
void RemoveVelliskRegistration();

// Windows' ZU2001.ini for one test: written by the constructor, removed by the destructor.
class TWindowsIni {
public:
  explicit TWindowsIni(const std::string& Text);
  ~TWindowsIni();
  TWindowsIni(const TWindowsIni&) = delete;
  TWindowsIni& operator=(const TWindowsIni&) = delete;
  static std::string Path();
  bool Written() const { return FWritten; }

private:
  bool FWritten;
};

// One line of Vellisk.log.
struct TLogLine {
  bool Timed = false;  // "<long time>:" + indent + text; false for the session's first and last lines
  int Level = 0;       // blanks after the time, halved
  std::string Text;
};

// The log as lines. Timed lines are recognised by the user locale's long time form of any second
// from Since (a moment before the log was begun) to now.
class TVelliskLog {
public:
  TVelliskLog();  // Since := now less two seconds
  void Restart();  // Since := now less two seconds
  // Reads and parses the file; false when it cannot be read.
  bool Read(const std::string& FileName);
  const std::vector<TLogLine>& Lines() const { return FLines; }
  const std::vector<std::string>& RawLines() const { return FRaw; }
  // Index of the first line at or after From whose text starts with Prefix; -1 when none.
  int Find(const std::string& Prefix, int From = 0) const;
  bool Contains(const std::string& Text) const;  // some line's text is exactly Text
  // Whether Text is "<short date> <long time>" of a second from Since to now.
  bool IsSessionTime(const std::string& Text) const;

private:
  FILETIME FSince{};
  std::vector<std::string> FRaw;
  std::vector<TLogLine> FLines;
  std::vector<SYSTEMTIME> Seconds() const;
};

// Windows of this process, top-level and message-only.
int ProcessWindowCount();

}  // namespace shellhost
