// The in-process server: counts, base object, class factories and the four exports.
#include "shellext/ContextMCom.h"

#include "classlib/core/Registry.h"
#include "classlib/core/ResStrings.h"
#include "resources/ResStrings.h"

#include <olectl.h>

namespace {

LONG ObjectCounter = 0;
LONG LockCounter = 0;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Errors and the server

EOleSysError::EOleSysError(HRESULT Code) : Exception(SysErrorMessage(static_cast<DWORD>(Code))), ErrorCode(Code) {}

HMODULE TComServer::Module() {
  HMODULE Result = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ObjectCounter), &Result);
  return Result;
}

std::string TComServer::ModuleFileName() {
  std::string Buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD Len = GetModuleFileNameA(Module(), Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len == 0) return std::string();
    if (Len < Buffer.size()) {
      Buffer.resize(Len);
      return ExpandFileName(Buffer);
    }
    Buffer.resize(Buffer.size() * 2);
  }
}

void TComServer::CountObject(bool Created) {
  if (Created)
    InterlockedIncrement(&ObjectCounter);
  else
    InterlockedDecrement(&ObjectCounter);
}

void TComServer::CountLock(bool Locked) {
  if (Locked)
    InterlockedIncrement(&LockCounter);
  else
    InterlockedDecrement(&LockCounter);
}

LONG TComServer::ObjectCount() { return InterlockedCompareExchange(&ObjectCounter, 0, 0); }
LONG TComServer::LockCount() { return InterlockedCompareExchange(&LockCounter, 0, 0); }

std::string GUIDToString(const GUID& Value) {
  wchar_t Wide[40] = {};
  const int Len = StringFromGUID2(Value, Wide, 40);
  std::string Result;
  for (int I = 0; I + 1 < Len; ++I) Result += static_cast<char>(Wide[I]);
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TComObject

TComObject::TComObject() { TComServer::CountObject(true); }

TComObject::~TComObject() { TComServer::CountObject(false); }

IUnknown* TComObject::GetInterface(REFIID IID) {
  if (IsEqualIID(IID, IID_IUnknown) || IsEqualIID(IID, IID_ISupportErrorInfo))
    return static_cast<ISupportErrorInfo*>(this);
  return nullptr;
}

STDMETHODIMP TComObject::QueryInterface(REFIID riid, void** ppvObject) {
  return SafeCall(E_NOINTERFACE, [&]() -> HRESULT {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    IUnknown* Result = GetInterface(riid);
    if (Result == nullptr) return E_NOINTERFACE;
    Result->AddRef();
    *ppvObject = Result;
    return S_OK;
  });
}

STDMETHODIMP_(ULONG) TComObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

STDMETHODIMP_(ULONG) TComObject::Release() {
  const LONG Result = InterlockedDecrement(&FRefCount);
  if (Result == 0) {
    try {
      delete this;
    } catch (...) {
    }
  }
  return static_cast<ULONG>(Result);
}

STDMETHODIMP TComObject::InterfaceSupportsErrorInfo(REFIID riid) {
  return SafeCall(S_FALSE, [&]() -> HRESULT { return GetInterface(riid) != nullptr ? S_OK : S_FALSE; });
}

// ---------------------------------------------------------------------------------------------
// TComObjectFactory

std::vector<TComObjectFactory*>& TComObjectFactory::FactoryList() {
  static std::vector<TComObjectFactory*> List;
  return List;
}

const std::vector<TComObjectFactory*>& TComObjectFactory::Factories() { return FactoryList(); }

TComObjectFactory* TComObjectFactory::Find(const CLSID& ClassID) {
  for (TComObjectFactory* Factory : FactoryList())
    if (IsEqualCLSID(Factory->ClassID(), ClassID)) return Factory;
  return nullptr;
}

TComObjectFactory::TComObjectFactory(const CLSID& ClassID, const std::string& ClassName,
                                     const std::string& Description, TClassInstancing Instancing,
                                     TThreadingModel ThreadingModel)
    : FClassID(ClassID),
      FClassName(ClassName),
      FDescription(Description),
      FInstancing(Instancing),
      FThreadingModel(ThreadingModel) {
  FactoryList().push_back(this);
}

TComObjectFactory::~TComObjectFactory() {
  std::vector<TComObjectFactory*>& List = FactoryList();
  for (auto It = List.begin(); It != List.end(); ++It)
    if (*It == this) {
      List.erase(It);
      break;
    }
}

STDMETHODIMP TComObjectFactory::QueryInterface(REFIID riid, void** ppvObject) {
  return SafeCall(E_NOINTERFACE, [&]() -> HRESULT {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *ppvObject = static_cast<IClassFactory*>(this);
    return S_OK;
  });
}

STDMETHODIMP_(ULONG) TComObjectFactory::AddRef() { return 2; }
STDMETHODIMP_(ULONG) TComObjectFactory::Release() { return 1; }

STDMETHODIMP TComObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  return SafeCall(E_FAIL, [&]() -> HRESULT {
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    TComObject* Object = CreateComObject();
    // The reference held here keeps the object alive through QueryInterface; without the
    // interface the object goes again.
    Object->AddRef();
    const HRESULT Result = Object->QueryInterface(riid, ppvObject);
    Object->Release();
    return Result;
  });
}

STDMETHODIMP TComObjectFactory::LockServer(BOOL fLock) {
  TComServer::CountLock(fLock != FALSE);
  return S_OK;
}

std::string TComObjectFactory::GetProgID() {
  if (FClassName.empty()) return std::string();
  return ChangeFileExt(ExtractFileName(TComServer::ModuleFileName()), "") + "." + FClassName;
}

void TComObjectFactory::CreateRegKey(const std::string& Key, const std::string& Name, const std::string& Value) {
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  if (!Registry.OpenKey("\\" + Key, true))
    throw EOleRegistrationError(LoadResString(SCreateRegKeyError), static_cast<HRESULT>(SELFREG_E_CLASS));
  try {
    Registry.WriteString(Name, Value);
  } catch (const Exception&) {
    throw EOleRegistrationError(LoadResString(SCreateRegKeyError), static_cast<HRESULT>(SELFREG_E_CLASS));
  }
}

void TComObjectFactory::DeleteRegKey(const std::string& Key) {
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  Registry.DeleteKey("\\" + Key);
}

void TComObjectFactory::UpdateRegistry(bool Register) {
  static const char* const ThreadingModels[] = {"", "Apartment", "Free", "Both", "Neutral"};
  const std::string ClassKey = "CLSID\\" + ClassIDString();
  const std::string ProgID = GetProgID();
  if (Register) {
    CreateRegKey(ClassKey, "", FDescription);
    std::string FileName = TComServer::ModuleFileName();
    if (FileName.find(' ') != std::string::npos) {
      std::string Short(MAX_PATH, '\0');
      DWORD Len = GetShortPathNameA(FileName.c_str(), Short.data(), static_cast<DWORD>(Short.size()));
      if (Len >= Short.size()) {
        Short.resize(Len);
        Len = GetShortPathNameA(FileName.c_str(), Short.data(), static_cast<DWORD>(Short.size()));
      }
      if (Len > 0 && Len < Short.size()) FileName = Short.substr(0, Len);
    }
    CreateRegKey(ClassKey + "\\InprocServer32", "", FileName);
    if (FThreadingModel != tmSingle)
      CreateRegKey(ClassKey + "\\InprocServer32", "ThreadingModel", ThreadingModels[FThreadingModel]);
    if (!ProgID.empty()) {
      CreateRegKey(ProgID, "", FDescription);
      CreateRegKey(ProgID + "\\Clsid", "", ClassIDString());
      CreateRegKey(ClassKey + "\\ProgID", "", ProgID);
    }
  } else {
    if (!ProgID.empty()) {
      DeleteRegKey(ClassKey + "\\ProgID");
      DeleteRegKey(ProgID + "\\Clsid");
      DeleteRegKey(ProgID);
    }
    DeleteRegKey(ClassKey + "\\InprocServer32");
    DeleteRegKey(ClassKey);
  }
}

// ---------------------------------------------------------------------------------------------
// Exports (ordinals in Vellisk.def)

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  return SafeCall(E_FAIL, [&]() -> HRESULT {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    TComObjectFactory* Factory = TComObjectFactory::Find(rclsid);
    if (Factory == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
    return Factory->QueryInterface(riid, ppv);
  });
}

STDAPI DllCanUnloadNow() {
  return SafeCall(S_FALSE, []() -> HRESULT { return TComServer::CanUnloadNow() ? S_OK : S_FALSE; });
}

STDAPI DllRegisterServer() {
  return SafeCall(E_FAIL, []() -> HRESULT {
    for (TComObjectFactory* Factory : TComObjectFactory::Factories()) Factory->UpdateRegistry(true);
    return S_OK;
  });
}

STDAPI DllUnregisterServer() {
  return SafeCall(E_FAIL, []() -> HRESULT {
    for (TComObjectFactory* Factory : TComObjectFactory::Factories()) Factory->UpdateRegistry(false);
    return S_OK;
  });
}
