// The COM side of Vellisk as an in-process server: the server's object and lock counts, the base
// object with reference counting, interface lookup and error-info support, class factories with
// their registry entries, and the one wrapper that keeps exceptions inside COM methods and exports.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

#include <string>
#include <vector>

// Runs Body and answers its result, or FailCode when it raises anything. Every COM method,
// factory method and export of the library runs its work through this.
template <class TBody>
HRESULT SafeCall(HRESULT FailCode, TBody&& Body) noexcept {
  try {
    return Body();
  } catch (...) {
    return FailCode;
  }
}

// A failed COM operation: the HRESULT and the system's text for it.
class EOleSysError : public Exception {
public:
  explicit EOleSysError(HRESULT Code);
  EOleSysError(const std::string& Msg, HRESULT Code) : Exception(Msg), ErrorCode(Code) {}
  HRESULT ErrorCode;
};

// A registry entry of the server that could not be written.
class EOleRegistrationError : public EOleSysError {
public:
  using EOleSysError::EOleSysError;
};

// The server module and its counts.
class TComServer {
public:
  TComServer() = delete;

  static HMODULE Module();                // the module that holds this code
  static std::string ModuleFileName();    // its full path, expanded
  static void CountObject(bool Created);  // objects alive
  static void CountLock(bool Locked);     // IClassFactory::LockServer
  static LONG ObjectCount();
  static LONG LockCount();
  static bool CanUnloadNow() { return ObjectCount() == 0 && LockCount() == 0; }
};

// The registry form of a GUID: upper-case hexadecimal in braces.
std::string GUIDToString(const GUID& Value);

// Base of the server's objects. Reference counting starts at 0; the last Release frees the object.
// IUnknown and ISupportErrorInfo are answered here; a derived class adds its interfaces in
// GetInterface and forwards its own IUnknown methods to this class's.
class TComObject : public TObject, public ISupportErrorInfo {
public:
  TComObject();            // counts the object for DllCanUnloadNow
  ~TComObject() override;  // uncounts it
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // S_OK for the interfaces the object has, S_FALSE for the others.
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  LONG RefCount() const { return FRefCount; }

protected:
  // The object's pointer for the interface, not yet referenced; nullptr when it has none.
  // The base answers IUnknown (through ISupportErrorInfo, so that the identity never changes)
  // and ISupportErrorInfo.
  virtual IUnknown* GetInterface(REFIID IID);

private:
  LONG FRefCount = 0;
};

enum TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };
enum TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth, tmNeutral };

// Class factory of one class of the server. Factories live as long as the module: their references
// are not counted, and each adds itself to the server's list when it is built.
class TComObjectFactory : public IClassFactory {
public:
  TComObjectFactory(const CLSID& ClassID, const std::string& ClassName, const std::string& Description,
                    TClassInstancing Instancing, TThreadingModel ThreadingModel);
  virtual ~TComObjectFactory();
  TComObjectFactory(const TComObjectFactory&) = delete;
  TComObjectFactory& operator=(const TComObjectFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override;  // IUnknown, IClassFactory
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // A new object asked for riid; CLASS_E_NOAGGREGATION with an outer object, E_FAIL when making it raised.
  STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  STDMETHODIMP LockServer(BOOL fLock) override;

  const CLSID& ClassID() const { return FClassID; }
  const std::string& ClassName() const { return FClassName; }
  const std::string& Description() const { return FDescription; }
  TClassInstancing Instancing() const { return FInstancing; }
  TThreadingModel ThreadingModel() const { return FThreadingModel; }
  std::string ClassIDString() const { return GUIDToString(FClassID); }

  // "<module name>.<class name>"; empty when the class has no name. An empty identifier writes
  // no program-identifier keys.
  virtual std::string GetProgID();
  // Registering: HKEY_CLASSES_ROOT\CLSID\{id} with the description, its "InprocServer32" with the
  // module's path (its short form when the path holds a blank) and "ThreadingModel", and the
  // program-identifier keys. Unregistering removes them. EOleRegistrationError when a key or
  // value cannot be written.
  virtual void UpdateRegistry(bool Register);

  // The server's factories in the order they were built, and the one for a class.
  static const std::vector<TComObjectFactory*>& Factories();
  static TComObjectFactory* Find(const CLSID& ClassID);

protected:
  // Makes one object of the class (not yet referenced).
  virtual TComObject* CreateComObject() = 0;

  // HKEY_CLASSES_ROOT\Key, created when missing, with the value Name set to Value.
  static void CreateRegKey(const std::string& Key, const std::string& Name, const std::string& Value);
  // Removes HKEY_CLASSES_ROOT\Key with everything below it; a missing key is no error.
  static void DeleteRegKey(const std::string& Key);

private:
  CLSID FClassID;
  std::string FClassName;
  std::string FDescription;
  TClassInstancing FInstancing;
  TThreadingModel FThreadingModel;

  static std::vector<TComObjectFactory*>& FactoryList();
};
