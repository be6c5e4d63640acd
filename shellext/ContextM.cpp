// The context-menu object: creation, the selection and its file class, the interface methods'
// states and logging; the class factory and its registry entries.
#include "shellext/ContextM.h"

#include "shellext/IniSnapshot.h"
#include "classlib/core/Registry.h"
#include "model/CorvIniFile.h"

#include <shellapi.h>

#include <cstring>
#include <unordered_set>

namespace {

const char* const DynamicSection = "Dynamic Items";
const char* const MarkerName = "Corvane";

// Handle values as the log shows them.
unsigned long long HandleValue(const void* Handle) {
  return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(Handle));
}

std::string ErrorText(HRESULT Code) { return SysErrorMessage(static_cast<DWORD>(Code)); }

// "True"/"False" in any case, or a number (non-zero is True); anything else is False.
bool TextToBool(const std::string& S) {
  if (SameText(S, "True")) return true;
  if (SameText(S, "False")) return false;
  long long Number = 0;
  return TryStrToInt64(S, Number) && Number != 0;
}

// S in double quotes, its own double quotes doubled.
std::string DoubleQuoted(const std::string& S) {
  std::string Result = "\"";
  for (char C : S) {
    Result += C;
    if (C == '"') Result += '"';
  }
  return Result + "\"";
}

std::string Join(const std::vector<std::string>& Items, const std::string& Separator) {
  std::string Result;
  for (size_t I = 0; I < Items.size(); ++I) {
    if (I > 0) Result += Separator;
    Result += Items[I];
  }
  return Result;
}

// Several paths, or one holding a blank, each in double quotes and separated by blanks; a single
// path without a blank as it is.
std::string JoinPaths(const std::vector<std::string>& Paths) {
  if (Paths.size() == 1 && Paths[0].find(' ') == std::string::npos) return Paths[0];
  std::vector<std::string> Quoted;
  for (const std::string& P : Paths) Quoted.push_back("\"" + P + "\"");
  return Join(Quoted, " ");
}

// The text that global memory holds, up to its first zero or its end.
std::string GlobalText(HGLOBAL Memory) {
  if (Memory == nullptr) return std::string();
  const SIZE_T Size = GlobalSize(Memory);
  const char* Text = static_cast<const char*>(GlobalLock(Memory));
  if (Text == nullptr) return std::string();
  std::string Result(Text, strnlen(Text, Size));
  GlobalUnlock(Memory);
  return Result;
}

UINT FileNameFormat() { return RegisterClipboardFormatA("FileName"); }
UINT ShellIDListFormat() { return RegisterClipboardFormatA("Shell IDList Array"); }

// An open registry key, closed with the object.
class TRegKey {
public:
  TRegKey() = default;
  ~TRegKey() {
    if (FKey != nullptr) RegCloseKey(FKey);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  bool OpenRead(HKEY Parent, const std::string& Name) {
    return RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_READ, &FKey) == ERROR_SUCCESS;
  }
  HKEY Handle() const { return FKey; }

private:
  HKEY FKey = nullptr;
};

// The marker subkey under the selection's class key, made for the time of the detection and
// removed again when this object made it; a marker that was there before stays.
class TMarkerKey {
public:
  explicit TMarkerKey(HKEY Parent) : FParent(Parent) {
    if (Parent == nullptr) return;
    HKEY Key = nullptr;
    DWORD Disposition = 0;
    if (RegCreateKeyExA(Parent, MarkerName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &Key,
                        &Disposition) == ERROR_SUCCESS) {
      FCreated = Disposition == REG_CREATED_NEW_KEY;
      RegFlushKey(Key);
      RegCloseKey(Key);
    }
  }
  ~TMarkerKey() {
    if (FCreated) RegDeleteKeyA(FParent, MarkerName);
  }
  TMarkerKey(const TMarkerKey&) = delete;
  TMarkerKey& operator=(const TMarkerKey&) = delete;

private:
  HKEY FParent;
  bool FCreated = false;
};

// A COM reference, released with the object.
template <class T>
class TInterfaceRef {
public:
  explicit TInterfaceRef(T* Intf) : FIntf(Intf) {}
  ~TInterfaceRef() {
    if (FIntf != nullptr) FIntf->Release();
  }
  TInterfaceRef(const TInterfaceRef&) = delete;
  TInterfaceRef& operator=(const TInterfaceRef&) = delete;
  T* operator->() const { return FIntf; }

private:
  T* FIntf;
};

// The default value of the library's "InProcServer32" key; "" when it cannot be read.
std::string RegisteredLibraryPath() {
  try {
    TRegistry Registry(KEY_READ);
    Registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!Registry.OpenKeyReadOnly("\\CLSID\\" + GUIDToString(CLSID_CorvMenu) + "\\InProcServer32"))
      return std::string();
    return Registry.ReadString("");
  } catch (const Exception&) {
    return std::string();
  }
}

TContextMenuFactory ContextMenuFactory;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared helpers

std::string CorvIniFileName() {
  char Dir[MAX_PATH + 1] = {};
  const UINT Len = GetWindowsDirectoryA(Dir, sizeof(Dir));
  if (Len > 0 && Len < sizeof(Dir)) {
    const std::string Name = IncludeTrailingPathDelimiter(std::string(Dir, Len)) + "ZU2001.ini";
    if (FileExists(Name)) return Name;
  }
  return ExtractFilePath(TComServer::ModuleFileName()) + "Corvane.ini";
}

std::vector<std::string> ReadFileClasses(TCustomIniFile& Ini) {
  std::vector<std::string> Result;
  std::unordered_set<std::string> Seen;
  const int Count = DynamicItemsBound(Ini, Ini.ReadInteger(DynamicSection, "Count", 0));
  for (int I = 1; I <= Count; ++I) {
    const std::string Class = Ini.ReadString(DynamicSection, "FileType" + IntToStr(I), "");
    if (!Class.empty() && Seen.insert(Class).second) Result.push_back(Class);
  }
  return Result;
}

bool PathFromIDList(PCIDLIST_ABSOLUTE Pidl, std::string& Path) {
  Path.clear();
  if (Pidl == nullptr) return false;
  PWSTR Wide = nullptr;
  if (FAILED(SHGetNameFromIDList(Pidl, SIGDN_FILESYSPATH, &Wide)) || Wide == nullptr) return false;
  const int WideLen = static_cast<int>(wcslen(Wide));
  const int Len = WideCharToMultiByte(CP_ACP, 0, Wide, WideLen, nullptr, 0, nullptr, nullptr);
  if (Len > 0) {
    Path.assign(static_cast<size_t>(Len), '\0');
    WideCharToMultiByte(CP_ACP, 0, Wide, WideLen, Path.data(), Len, nullptr, nullptr);
  }
  CoTaskMemFree(Wide);
  return !Path.empty();
}

std::string TMenuHelper::ClipboardFormatName(UINT Format) {
  char Buffer[260] = {};
  const int Len = GetClipboardFormatNameA(Format, Buffer, sizeof(Buffer));
  return Len > 0 ? std::string(Buffer, static_cast<size_t>(Len)) : std::string();
}

// ---------------------------------------------------------------------------------------------
// TCorvMenu: creation and destruction

TCorvMenu::TCorvMenu() {
  const std::shared_ptr<TIniSnapshot> Ini = TIniSnapshot::Open(CorvIniFileName());
  const bool Logging = TextToBool(
      Ini->Read([](TCorvIniFile& File) { return File.ReadString("Debug Options", "DebugLogging", "False"); }));
  FDebug = std::make_unique<TFileDebug>(ExtractFilePath(RegisteredLibraryPath()) + "Vellisk.log", false);
  FDebug->SetCaption("Corvane");
  if (Logging) FDebug->OpenLog();
  FCustomDraw = Ini->Settings();
}

TCorvMenu::~TCorvMenu() {
  try {
    LogWrite("TCorvMenu.Destroy called");
  } catch (...) {
  }
  FBusy = false;
  ReleaseMedium();
  try {
    ClearXMenu();
  } catch (...) {
  }
  FCustomDraw.reset();
  FDebug.reset();
}

IUnknown* TCorvMenu::GetInterface(REFIID IID) {
  if (IsEqualIID(IID, __uuidof(IContextMenu3)) || IsEqualIID(IID, __uuidof(IContextMenu2)) ||
      IsEqualIID(IID, __uuidof(IContextMenu)))
    return static_cast<IContextMenu3*>(this);
  if (IsEqualIID(IID, __uuidof(IShellExtInit))) return static_cast<IShellExtInit*>(this);
  return TComObject::GetInterface(IID);
}

// ---------------------------------------------------------------------------------------------
// The log

void TCorvMenu::LogIndent() {
  if (FDebug) FDebug->Indent();
}

void TCorvMenu::LogUnindent() {
  if (FDebug) FDebug->Unindent();
}

void TCorvMenu::LogWrite(const std::string& Message) {
  if (FDebug) FDebug->WriteLine(Message);
}

void TCorvMenu::LogWriteFmt(const std::string& Fmt, std::initializer_list<TVarRec> Args) {
  if (LogEnabled()) FDebug->WriteFmt(Fmt, Args);
}

template <class TEntry, class TBody>
HRESULT TCorvMenu::LoggedCall(const char* Operation, HRESULT FailCode, TEntry&& Entry, TBody&& Body) noexcept {
  const int Level = FDebug ? FDebug->Level() : 0;
  const HRESULT Result = SafeCall(FailCode, [&]() -> HRESULT {
    if (LogEnabled()) LogWrite(Entry());
    LogIndent();
    return Body();
  });
  SafeCall(S_OK, [&]() -> HRESULT {
    if (FDebug) {
      // Back at the entry's level, also when an exception left inner levels open.
      FDebug->SetLevel(Level);
      LogWriteFmt("%s: EXITING, Result=%u", {Operation, static_cast<unsigned>(Result)});
    }
    return S_OK;
  });
  return Result;
}

// ---------------------------------------------------------------------------------------------
// IShellExtInit

void TCorvMenu::ReleaseMedium() {
  if (FMedium.tymed != TYMED_NULL) ReleaseStgMedium(&FMedium);
  FMedium = STGMEDIUM{};
}

HRESULT TCorvMenu::RequestData(IDataObject* DataObject) {
  FORMATETC Format{static_cast<CLIPFORMAT>(FClipboardFormat), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return DataObject->GetData(&Format, &FMedium);
}

void TCorvMenu::DumpFormats(IDataObject* DataObject) {
  if (!LogEnabled()) return;
  IEnumFORMATETC* Enumerator = nullptr;
  const HRESULT Result = DataObject->EnumFormatEtc(DATADIR_GET, &Enumerator);
  if (FAILED(Result) || Enumerator == nullptr) {
    LogWriteFmt("SEIInitialize: DumpFormats returned error code=%x (%s)",
                {static_cast<unsigned>(Result), ErrorText(Result)});
    return;
  }
  TInterfaceRef<IEnumFORMATETC> Enum(Enumerator);
  FORMATETC Format{};
  ULONG Fetched = 0;
  while (Enum->Next(1, &Format, &Fetched) == S_OK && Fetched == 1) {
    if (Format.ptd != nullptr) CoTaskMemFree(Format.ptd);
    LogWriteFmt("SEIInitialize: DumpFormats reported that lpdobj supports format %d (%s), tymed=%d",
                {static_cast<int>(Format.cfFormat), TMenuHelper::ClipboardFormatName(Format.cfFormat),
                 static_cast<int>(Format.tymed)});
    Fetched = 0;
  }
}

void TCorvMenu::DetectClass(HKEY KeyProgID, const std::vector<std::string>& Classes) {
  bool Found = false;
  {
    TMarkerKey Marker(KeyProgID);
    for (const std::string& Class : Classes) {
      TRegKey ClassKey;
      if (!ClassKey.OpenRead(HKEY_CLASSES_ROOT, Class)) continue;
      TRegKey MarkerKey;
      if (MarkerKey.OpenRead(ClassKey.Handle(), MarkerName)) {
        FXMenuKind = Class;
        Found = true;
        break;
      }
    }
  }
  if (Found) {
    LogWriteFmt("SEIInitialize: class key detected: key=\"%s\"", {FXMenuKind});
  } else {
    FXMenuKind = "*";
    LogWrite("SEIInitialize: class key NOT detected, used *");
  }
}

STDMETHODIMP TCorvMenu::Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) {
  return LoggedCall(
      "SEIInitialize", E_INVALIDARG,
      [&] {
        return Format("Call to SEIInitialize(pidlFolder=%p, lpobj=%p, hKeyProgID=%u)",
                      {static_cast<const void*>(pidlFolder), static_cast<const void*>(pdtobj),
                       HandleValue(hkeyProgID)});
      },
      [&]() -> HRESULT {
        FBusy = true;
        // A second call starts from nothing.
        ReleaseMedium();
        FArgumentList.clear();
        FArgumentCount = 0;
        FXMenuKind.clear();
        FClipboardFormat = 0;

        if (pdtobj != nullptr) {
          FClipboardFormat = CF_HDROP;
          HRESULT Result = RequestData(pdtobj);
          LogWriteFmt("SEIInitialize: data rendered in format CF_HDROP: hGlobal=%x, tymed=%s, error code=%x (%s)",
                      {HandleValue(FMedium.hGlobal), TymedToStr(FMedium.tymed), static_cast<unsigned>(Result),
                       ErrorText(Result)});
          if (FAILED(Result)) {
            DumpFormats(pdtobj);
            FClipboardFormat = FileNameFormat();
            if (Result == E_INVALIDARG) {
              Result = RequestData(pdtobj);
              const std::string Text =
                  SUCCEEDED(Result) && FMedium.tymed == TYMED_HGLOBAL ? GlobalText(FMedium.hGlobal) : std::string();
              LogWriteFmt(
                  "SEIInitialize: data rendered 2nd time in format CFSTR_FILENAME: hGlobal=%x (%s), tymed=%s, "
                  "error code=%x (%s)",
                  {HandleValue(FMedium.hGlobal), Text, TymedToStr(FMedium.tymed), static_cast<unsigned>(Result),
                   ErrorText(Result)});
            }
            if (Result == E_INVALIDARG) {
              FClipboardFormat = ShellIDListFormat();
              Result = RequestData(pdtobj);
              LogWriteFmt(
                  "SEIInitialize: data rendered 3rd time in format CFSTR_SHELLIDLIST: hGlobal=%x, tymed=%s, "
                  "error code=%x (%s)",
                  {HandleValue(FMedium.hGlobal), TymedToStr(FMedium.tymed), static_cast<unsigned>(Result),
                   ErrorText(Result)});
            }
            // No rendering: the menu is built all the same, with no selected paths.
            if (FAILED(Result)) ReleaseMedium();
          }
        } else {
          std::string Path;
          if (pidlFolder != nullptr && PathFromIDList(pidlFolder, Path)) {
            FArgumentList = DoubleQuoted(IncludeTrailingPathDelimiter(Path));
            FArgumentCount = 1;
          }
        }

        const std::vector<std::string> Classes = TIniSnapshot::Open(CorvIniFileName())->Kinds().Classes;
        LogWriteFmt("SEIInitialize: classes enumerated: keys=\"%s\"", {Join(Classes, ";")});
        DetectClass(hkeyProgID, Classes);
        FBusy = false;
        return S_OK;
      });
}

void TCorvMenu::BuildArgumentList() {
  if (FArgumentList.empty()) {
    FArgumentCount = 0;
    if (FMedium.tymed == TYMED_HGLOBAL && FMedium.hGlobal != nullptr) {
      if (FClipboardFormat == CF_HDROP) {
        const HDROP Drop = static_cast<HDROP>(FMedium.hGlobal);
        const UINT Count = DragQueryFileA(Drop, 0xFFFFFFFF, nullptr, 0);
        std::vector<std::string> Names;
        for (UINT I = 0; I < Count; ++I) {
          const UINT Len = DragQueryFileA(Drop, I, nullptr, 0);
          std::string Name(Len + 1, '\0');
          const UINT Got = DragQueryFileA(Drop, I, Name.data(), Len + 1);
          Name.resize(Got <= Len ? Got : Len);
          Names.push_back(Name);
        }
        FArgumentCount = static_cast<int>(Count);
        FArgumentList = JoinPaths(Names);
      } else if (FClipboardFormat == FileNameFormat()) {
        FArgumentList = GlobalText(FMedium.hGlobal);
        FArgumentCount = 1;
      } else if (FClipboardFormat == ShellIDListFormat()) {
        const SIZE_T Size = GlobalSize(FMedium.hGlobal);
        const BYTE* Data = static_cast<const BYTE*>(GlobalLock(FMedium.hGlobal));
        if (Data != nullptr) {
          std::vector<std::string> Paths;
          try {
            const CIDA* Ida = reinterpret_cast<const CIDA*>(Data);
            // The count and every offset must lie inside the block.
            if (Size >= sizeof(UINT) * 2 && Ida->cidl < (Size / sizeof(UINT)) - 1) {
              FArgumentCount = static_cast<int>(Ida->cidl);
              const UINT* Offsets = Ida->aoffset;
              if (Offsets[0] < Size) {
                const auto Folder = reinterpret_cast<PCIDLIST_ABSOLUTE>(Data + Offsets[0]);
                for (UINT I = 1; I <= Ida->cidl; ++I) {
                  if (Offsets[I] >= Size) continue;
                  const auto Item = reinterpret_cast<PCUIDLIST_RELATIVE>(Data + Offsets[I]);
                  PIDLIST_ABSOLUTE Full = ILCombine(Folder, Item);
                  std::string Path;
                  if (Full != nullptr && PathFromIDList(Full, Path)) Paths.push_back(Path);
                  if (Full != nullptr) ILFree(Full);
                }
              }
            }
          } catch (...) {
            GlobalUnlock(FMedium.hGlobal);
            throw;
          }
          GlobalUnlock(FMedium.hGlobal);
          FArgumentList = JoinPaths(Paths);
        }
      }
    }
  }
  LogWriteFmt("BuildArgumentList: arguments list built, cnt=%u, FArgumentList=\"%s\"",
              {static_cast<unsigned>(FArgumentCount), FArgumentList});
}

// ---------------------------------------------------------------------------------------------
// IContextMenu, IContextMenu2, IContextMenu3

STDMETHODIMP TCorvMenu::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                         UINT uFlags) {
  return LoggedCall(
      "QueryContextMenu", E_FAIL,
      [&] {
        return Format("Call to QueryContextMenu(Menu=%u, indexMenu=%u, idCmdFirst=%u, idCmdLast=%u, uFlags=%s)",
                      {HandleValue(hmenu), indexMenu, idCmdFirst, idCmdLast, CMFFlagsToStr(uFlags)});
      },
      [&]() -> HRESULT {
        if (FBusy) return E_FAIL;
        if (LogEnabled()) BuildArgumentList();
        if (uFlags & CMF_DEFAULTONLY) return S_OK;
        CreateXMenu();
        LogWrite("QueryContextMenu: ready to insert menu items");
        UINT Identifier = idCmdFirst;
        // Only identifiers that the shell permits and that InvokeCommand can answer (offsets up
        // to 255) are handed out.
        if (idCmdLast >= idCmdFirst && idCmdFirst < 0xFFFFFFFFu) {
          UINT Last = idCmdLast - idCmdFirst > 255 ? idCmdFirst + 255 : idCmdLast;
          if (Last == 0xFFFFFFFFu) Last = 0xFFFFFFFEu;  // the counter ends one past the last
          InsertXMenu(hmenu, indexMenu, Identifier, Last);
        }
        FidMaxCmd = Identifier - idCmdFirst;
        FidFirstCmd = idCmdFirst;
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, FidMaxCmd);
      });
}

STDMETHODIMP TCorvMenu::GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName, UINT cchMax) {
  return LoggedCall(
      "GetCommandString", E_FAIL,
      [&] {
        return Format("Call to GetCommandString(idCmd=%u, uType=%s, pwReserved, var pszName, cchMax=%u)",
                      {static_cast<unsigned long long>(idCmd), GCSTypeToStr(uType), cchMax});
      },
      [&]() -> HRESULT {
        if (FBusy) return E_FAIL;
        switch (uType) {
          case GCS_HELPTEXTA:
          case GCS_HELPTEXTW:
            break;
          case GCS_VALIDATEA:
          case GCS_VALIDATEW:
            return FidMaxCmd != 0 && CommandAccepted(idCmd) ? S_OK : S_FALSE;
          case GCS_VERBA:
          case GCS_VERBW:
          case GCS_VERBICONW:
            return E_NOTIMPL;  // the items have no verbs
          default:
            return E_INVALIDARG;
        }
        if (FidMaxCmd == 0 || !CommandAccepted(idCmd)) return E_INVALIDARG;
        if (pszName == nullptr || cchMax == 0) return E_INVALIDARG;
        TXMenu* Node = GetXItemForID(FXMenu, static_cast<UINT>(idCmd) + FidFirstCmd);
        std::string Hint = XItemHint(Node);
        if (uType == GCS_HELPTEXTA) {
          if (Hint.size() > cchMax - 1) Hint.resize(cchMax - 1);
          std::memcpy(pszName, Hint.c_str(), Hint.size() + 1);
        } else {
          WCHAR* Wide = reinterpret_cast<WCHAR*>(pszName);
          int Len = 0;
          if (!Hint.empty()) {
            const int Needed = MultiByteToWideChar(CP_ACP, 0, Hint.data(), static_cast<int>(Hint.size()), nullptr, 0);
            std::wstring Text(static_cast<size_t>(Needed > 0 ? Needed : 0), L'\0');
            if (Needed > 0)
              MultiByteToWideChar(CP_ACP, 0, Hint.data(), static_cast<int>(Hint.size()), Text.data(), Needed);
            Len = static_cast<int>(Text.size() > cchMax - 1 ? cchMax - 1 : Text.size());
            std::memcpy(Wide, Text.data(), static_cast<size_t>(Len) * sizeof(WCHAR));
          }
          Wide[Len] = L'\0';
        }
        LogWriteFmt("GetCommandString: returning help string, p=%p, pszName=\"%s\"",
                    {static_cast<const void*>(Node), Hint});
        return S_OK;
      });
}

STDMETHODIMP TCorvMenu::InvokeCommand(CMINVOKECOMMANDINFO* pici) {
  return LoggedCall(
      "InvokeCommand", E_FAIL,
      [&] { return Format("Call to InvokeCommand(lpici=%p)", {static_cast<const void*>(pici)}); },
      [&]() -> HRESULT {
        if (FBusy || pici == nullptr) return E_FAIL;
        const UINT_PTR Verb = reinterpret_cast<UINT_PTR>(pici->lpVerb);
        const bool VerbText = (Verb >> 16) != 0;
        LogWriteFmt("InvokeCommand: are we called by an application: (HiWord(Integer(lpici.lpVerb)) <> 0)=%s",
                    {BoolToStr(VerbText)});
        if (VerbText) return E_FAIL;
        const UINT Offset = LOWORD(Verb);
        LogWriteFmt("InvokeCommand: idCmd=%u, FidFirstCmd=%u, FidMaxCmd=%u, (idCmd in [0..FidMaxCmd-1])=%s",
                    {Offset, FidFirstCmd, FidMaxCmd, BoolToStr(CommandAccepted(Offset))});
        if (FidMaxCmd == 0 || !CommandAccepted(Offset)) return E_FAIL;
        BuildArgumentList();
        return ExecuteXItem(Offset + FidFirstCmd, *pici);
      });
}

STDMETHODIMP TCorvMenu::HandleMenuMsg(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return LoggedCall(
      "HandleMenuMsg", E_FAIL,
      [&] {
        return Format("Call to HandleMenuMsg(uMsg=%u, wParam=%d, lParam=%d), IContextMenu2 recognized",
                      {uMsg, static_cast<long long>(wParam), static_cast<long long>(lParam)});
      },
      [&]() -> HRESULT {
        if (uMsg == WM_DRAWITEM && lParam != 0)
          DoDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        else if (uMsg == WM_MEASUREITEM && lParam != 0)
          DoMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return S_OK;
      });
}

STDMETHODIMP TCorvMenu::HandleMenuMsg2(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* plResult) {
  return LoggedCall(
      "HandleMenuMsg2", E_FAIL,
      [&] {
        return Format(
            "Call to HandleMenuMsg2(uMsg=%u, wParam=%d, lParam=%d, var lpResult), IContextMenu3 recognized",
            {uMsg, static_cast<long long>(wParam), static_cast<long long>(lParam)});
      },
      [&]() -> HRESULT {
        switch (uMsg) {
          case WM_DRAWITEM:
          case WM_MEASUREITEM:
          case WM_INITMENUPOPUP:
            HandleMenuMsg(uMsg, wParam, lParam);
            break;
          case WM_MENUCHAR:
            if (plResult != nullptr) *plResult = 0;
            break;
          default:
            break;
        }
        return S_OK;
      });
}

// ---------------------------------------------------------------------------------------------
// TContextMenuFactory

TContextMenuFactory::TContextMenuFactory()
    : TComObjectFactory(CLSID_CorvMenu, "CorvaneMenu", "Corvane Shell Extension", ciMultiInstance, tmApartment) {}

std::string TContextMenuFactory::GetProgID() { return std::string(); }

TComObject* TContextMenuFactory::CreateComObject() { return new TCorvMenu(); }

void TContextMenuFactory::UpdateApprovedList(bool Register) {
  TRegistry Registry;
  Registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!Registry.OpenKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", true)) return;
  if (Register)
    Registry.WriteString(ClassIDString(), Description());
  else
    Registry.DeleteValue(ClassIDString());
}

void TContextMenuFactory::RemoveHandlerKeys(const std::vector<std::string>& Classes) {
  for (const std::string& Class : Classes) {
    TRegistry Registry;
    Registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!Registry.OpenKey("\\" + Class, false) || !Registry.OpenKey("shellex\\ContextMenuHandlers", false)) continue;
    Registry.DeleteKey(MarkerName);
    if (!Registry.HasSubKeys()) {
      Registry.CloseKey();
      Registry.DeleteKey("\\" + Class + "\\shellex\\ContextMenuHandlers");
    }
  }
}

bool TContextMenuFactory::AddHandlerKeys(const std::vector<std::string>& Classes) {
  const std::string ClassID = GUIDToString(CLSID_CorvMenu);
  for (const std::string& Class : Classes) {
    TRegistry Registry;
    Registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!Registry.OpenKey("\\" + Class, true)) return false;
    if (!Registry.OpenKey("shellex\\ContextMenuHandlers\\Corvane", true)) return false;
    Registry.WriteString("", ClassID);
  }
  return true;
}

void TContextMenuFactory::UpdateRegistry(bool Register) {
  if (Register) TComObjectFactory::UpdateRegistry(true);
  UpdateApprovedList(Register);
  std::vector<std::string> Classes;
  {
    TCorvIniFile Ini(CorvIniFileName());
    Classes = ReadFileClasses(Ini);
  }
  if (!Register) {
    RemoveHandlerKeys(Classes);
    TComObjectFactory::UpdateRegistry(false);
    return;
  }
  if (!AddHandlerKeys(Classes)) {
    TComObjectFactory::UpdateRegistry(false);
    UpdateApprovedList(false);
    RemoveHandlerKeys(Classes);
    throw EOleSysError(E_FAIL);
  }
}
