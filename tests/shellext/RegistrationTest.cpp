// Vellisk as a COM server: its exports, registration and unregistration (through the exports and
// through regsvr32), the class factory and the unload answer.
#include "tests/shellext/ShellHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

const std::string ClassKey = std::string("CLSID\\") + VelliskClassIDText;
const std::string Description = "Corvane Shell Extension";

std::string HandlerKey(const std::string& Class) { return Class + "\\shellex\\ContextMenuHandlers\\Corvane"; }

// The registered path of a library file: its short form when it holds a blank.
std::string RegisteredForm(const std::string& Path) {
  return Path.find(' ') != std::string::npos ? ShortPath(Path) : Path;
}

class Registration : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(FileExistsA(TWindowsIni::Path())) << "left over by an earlier test";
    RemoveVelliskRegistration();
    ASSERT_TRUE(Copy.Copied());
  }
  void TearDown() override {
    Copy.Unload();
    RemoveVelliskRegistration();
    for (const char* Shared : {"*", "Directory"}) {
      DeleteTree(HKEY_CLASSES_ROOT, HandlerKey(Shared));
      const std::string Handlers = std::string(Shared) + "\\shellex\\ContextMenuHandlers";
      if (SubKeyNames(HKEY_CLASSES_ROOT, Handlers).empty()) RegDeleteKeyA(HKEY_CLASSES_ROOT, Handlers.c_str());
    }
  }

  // Checks the class keys and the approved value as registering writes them.
  void ExpectClassRegistered(const std::string& LibraryPath) {
    std::string Value;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKey, "", Value));
    EXPECT_EQ(Value, Description);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKey + "\\InprocServer32", "", Value));
    EXPECT_EQ(Value, RegisteredForm(LibraryPath));
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKey + "\\InprocServer32", "ThreadingModel", Value));
    EXPECT_EQ(Value, "Apartment");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, VelliskClassIDText, Value));
    EXPECT_EQ(Value, Description);
    // No program identifier.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey + "\\ProgID"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Vellisk.CorvaneMenu"));
  }

  void ExpectClassUnregistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, ApprovedKey, VelliskClassIDText));
  }

  void ExpectHandler(const std::string& Class) {
    std::string Value;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, HandlerKey(Class), "", Value)) << Class;
    EXPECT_EQ(Value, VelliskClassIDText) << Class;
  }

  TVelliskCopy Copy;
  TClassKeys Classes;
};

TEST_F(Registration, ExportsByNameAtTheirOrdinals) {
  HMODULE Module = Copy.Load();
  ASSERT_NE(Module, nullptr);
  const std::map<std::string, WORD> Expected = {
      {"DllUnregisterServer", 1}, {"DllRegisterServer", 2}, {"DllCanUnloadNow", 3}, {"DllGetClassObject", 4}};
  for (const auto& [Name, Ordinal] : Expected) {
    FARPROC ByName = GetProcAddress(Module, Name.c_str());
    EXPECT_NE(ByName, nullptr) << Name;
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(Module, MAKEINTRESOURCEA(Ordinal))),
              reinterpret_cast<void*>(ByName))
        << Name;
  }
  // The export directory names exactly these four, undecorated.
  const BYTE* Base = reinterpret_cast<const BYTE*>(Module);
  const auto* Dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base);
  const auto* Nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + Dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& Dir = Nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(Dir.VirtualAddress, 0u);
  const auto* Exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(Base + Dir.VirtualAddress);
  const auto* Names = reinterpret_cast<const DWORD*>(Base + Exports->AddressOfNames);
  const auto* Ordinals = reinterpret_cast<const WORD*>(Base + Exports->AddressOfNameOrdinals);
  std::map<std::string, WORD> Found;
  for (DWORD I = 0; I < Exports->NumberOfNames; ++I)
    Found[reinterpret_cast<const char*>(Base + Names[I])] = static_cast<WORD>(Ordinals[I] + Exports->Base);
  EXPECT_EQ(Found, Expected);
  EXPECT_EQ(Exports->NumberOfFunctions, 4u);
}

TEST_F(Registration, WritesClassKeysApprovalAndEachHandlerKeyOnce) {
  const std::string Absent = Classes.NewName("Absent");
  Classes.Guard(Absent);
  Classes.Guard("*\\shellex");
  Classes.Guard("Directory");
  ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Absent));
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({"*", "Directory", "*", Absent})));

  ASSERT_EQ(Copy.Register(), S_OK);
  ExpectClassRegistered(Copy.LibraryPath());
  for (const std::string& Class : {std::string("*"), std::string("Directory"), Absent}) ExpectHandler(Class);
  EXPECT_EQ(SubKeyNames(HKEY_CLASSES_ROOT, Absent + "\\shellex\\ContextMenuHandlers"),
            std::vector<std::string>{"Corvane"});

  // A second registration over the first changes nothing.
  ASSERT_EQ(Copy.Register(), S_OK);
  ExpectClassRegistered(Copy.LibraryPath());
  ExpectHandler("*");

  ASSERT_EQ(Copy.Unregister(), S_OK);
  ExpectClassUnregistered();
  for (const std::string& Class : {std::string("*"), std::string("Directory"), Absent})
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey(Class))) << Class;
  // An emptied handler list goes; the class key and its "shellex" stay.
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Absent + "\\shellex\\ContextMenuHandlers"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, Absent + "\\shellex"));
}

TEST_F(Registration, UnregisteringKeepsAnotherHandler) {
  const std::string Class = Classes.NewName("Shared");
  ASSERT_NE(Classes.Create(Class), nullptr);
  const std::string Handlers = Class + "\\shellex\\ContextMenuHandlers";
  HKEY Other = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (Handlers + "\\Other").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &Other, nullptr),
            ERROR_SUCCESS);
  const std::string OtherID = "{00000000-1111-2222-3333-444444444444}";
  RegSetValueExA(Other, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(OtherID.c_str()),
                 static_cast<DWORD>(OtherID.size() + 1));
  RegCloseKey(Other);
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({Class})));

  ASSERT_EQ(Copy.Register(), S_OK);
  std::vector<std::string> Names = SubKeyNames(HKEY_CLASSES_ROOT, Handlers);
  std::sort(Names.begin(), Names.end());
  EXPECT_EQ(Names, (std::vector<std::string>{"Corvane", "Other"}));

  ASSERT_EQ(Copy.Unregister(), S_OK);
  EXPECT_EQ(SubKeyNames(HKEY_CLASSES_ROOT, Handlers), std::vector<std::string>{"Other"});
  std::string Value;
  EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, Handlers + "\\Other", "", Value));
  EXPECT_EQ(Value, OtherID);
  ExpectClassUnregistered();
}

TEST_F(Registration, UnwritableHandlerKeyUndoesEverything) {
  const std::string Good = Classes.NewName("Good");
  const std::string Volatile = Classes.NewName("Volatile");
  ASSERT_NE(Classes.Create(Good), nullptr);
  HKEY VolatileKey = Classes.Create(Volatile, true);
  ASSERT_NE(VolatileKey, nullptr);
  // The premise: no lasting key can be made below a volatile one.
  HKEY Probe = nullptr;
  ASSERT_EQ(RegCreateKeyExA(VolatileKey, "shellex", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &Probe, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({Good, Volatile})));

  EXPECT_EQ(Copy.Register(), E_FAIL);
  ExpectClassUnregistered();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Good + "\\shellex\\ContextMenuHandlers"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Volatile + "\\shellex"));
}

TEST_F(Registration, WithoutIniOnlyClassKeysAndApproval) {
  Classes.Guard("*\\shellex");
  ASSERT_FALSE(FileExistsA(Copy.IniPath()));
  ASSERT_EQ(Copy.Register(), S_OK);
  ExpectClassRegistered(Copy.LibraryPath());
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey("*")));
  ASSERT_EQ(Copy.Unregister(), S_OK);
  ExpectClassUnregistered();
}

TEST_F(Registration, WindowsFolderIniComesFirst) {
  const std::string InWindows = Classes.NewName("InWindows");
  const std::string Beside = Classes.NewName("Beside");
  ASSERT_NE(Classes.Create(InWindows), nullptr);
  ASSERT_NE(Classes.Create(Beside), nullptr);
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({Beside})));
  {
    TWindowsIni WindowsIni(DynamicItemsIni({InWindows}));
    ASSERT_TRUE(WindowsIni.Written());
    ASSERT_EQ(Copy.Register(), S_OK);
    ExpectHandler(InWindows);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey(Beside)));
    ASSERT_EQ(Copy.Unregister(), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey(InWindows)));
  }
  // Without it, the file beside the library counts again.
  ASSERT_EQ(Copy.Register(), S_OK);
  ExpectHandler(Beside);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey(InWindows)));
}

TEST_F(Registration, Regsvr32RegistersTheShortPathOfAPathWithABlank) {
  TVelliskCopy Blank("vellisk with blank");
  ASSERT_TRUE(Blank.Copied());
  ASSERT_NE(Blank.LibraryPath().find(' '), std::string::npos);
  const std::string Class = Classes.NewName("Regsvr32");
  ASSERT_NE(Classes.Create(Class), nullptr);
  ASSERT_TRUE(Blank.WriteIni(DynamicItemsIni({Class})));

  ASSERT_EQ(RunRegsvr32(Blank.LibraryPath(), false), 0u);
  ExpectClassRegistered(Blank.LibraryPath());
  std::string Registered;
  ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, ClassKey + "\\InprocServer32", "", Registered));
  EXPECT_EQ(Registered.find(' '), std::string::npos) << Registered;
  ExpectHandler(Class);

  ASSERT_EQ(RunRegsvr32(Blank.LibraryPath(), true), 0u);
  ExpectClassUnregistered();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Class + "\\shellex\\ContextMenuHandlers"));
}

TEST_F(Registration, Regsvr32ReportsAFailedRegistration) {
  const std::string Volatile = Classes.NewName("Volatile");
  ASSERT_NE(Classes.Create(Volatile, true), nullptr);
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({Volatile})));
  const DWORD Code = RunRegsvr32(Copy.LibraryPath(), false);
  EXPECT_NE(Code, 0u);
  EXPECT_NE(Code, static_cast<DWORD>(-1));
  ExpectClassUnregistered();
}

TEST_F(Registration, UnreadableIniFailsBothWays) {
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({"*"})));
  HANDLE Lock = CreateFileA(Copy.IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Copy.Register(), E_FAIL);
  EXPECT_EQ(Copy.Unregister(), E_FAIL);
  CloseHandle(Lock);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, HandlerKey("*")));
}

TEST_F(Registration, ClassObjectOnlyForItsClass) {
  const CLSID Other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* Object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Copy.GetClassObject(Other, IID_IClassFactory, &Object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(Object, nullptr);

  const struct {
    IID Interface;
    HRESULT Result;
  } Cases[] = {{IID_IClassFactory, S_OK}, {IID_IUnknown, S_OK}, {IID_IDataObject, E_NOINTERFACE}};
  for (const auto& C : Cases) {
    Object = reinterpret_cast<void*>(1);
    EXPECT_EQ(Copy.GetClassObject(VelliskClassID, C.Interface, &Object), C.Result);
    EXPECT_EQ(Object != nullptr, C.Result == S_OK);
    if (Object != nullptr) static_cast<IUnknown*>(Object)->Release();
  }
}

TEST_F(Registration, CanUnloadOnlyWithoutObjectsAndLocks) {
  TComPtr<IClassFactory> Factory;
  ASSERT_EQ(Copy.GetClassObject(VelliskClassID, IID_IClassFactory, Factory.OutVoid()), S_OK);
  EXPECT_EQ(Copy.CanUnloadNow(), S_OK);  // the factory itself keeps nothing alive

  ASSERT_EQ(Factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(Copy.CanUnloadNow(), S_FALSE);
  ASSERT_EQ(Factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(Copy.CanUnloadNow(), S_OK);

  TComPtr<IUnknown> First, Second;
  ASSERT_EQ(Factory->CreateInstance(nullptr, IID_IUnknown, First.OutVoid()), S_OK);
  ASSERT_EQ(Factory->CreateInstance(nullptr, __uuidof(IContextMenu), Second.OutVoid()), S_OK);
  EXPECT_EQ(Copy.CanUnloadNow(), S_FALSE);
  First.Reset();
  EXPECT_EQ(Copy.CanUnloadNow(), S_FALSE);
  Second.Reset();
  EXPECT_EQ(Copy.CanUnloadNow(), S_OK);

  // Refused creations leave nothing behind.
  void* Object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Factory->CreateInstance(Factory.Get(), IID_IUnknown, &Object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(Object, nullptr);
  Object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Factory->CreateInstance(nullptr, IID_IDataObject, &Object), E_NOINTERFACE);
  EXPECT_EQ(Object, nullptr);
  EXPECT_EQ(Copy.CanUnloadNow(), S_OK);
  // An object that cannot read its INI file is not made.
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({})));
  HANDLE Lock = CreateFileA(Copy.IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  Object = reinterpret_cast<void*>(1);
  EXPECT_EQ(Factory->CreateInstance(nullptr, IID_IUnknown, &Object), E_FAIL);
  CloseHandle(Lock);
  EXPECT_EQ(Object, nullptr);
  EXPECT_EQ(Copy.CanUnloadNow(), S_OK);
}

TEST_F(Registration, CreatesNoWindow) {
  const int Before = ProcessWindowCount();
  TComPtr<IClassFactory> Factory;
  ASSERT_EQ(Copy.GetClassObject(VelliskClassID, IID_IClassFactory, Factory.OutVoid()), S_OK);
  TComPtr<IShellExtInit> Init;
  ASSERT_EQ(Factory->CreateInstance(nullptr, __uuidof(IShellExtInit), Init.OutVoid()), S_OK);
  EXPECT_EQ(Init->Initialize(nullptr, nullptr, nullptr), S_OK);
  Init.Reset();
  EXPECT_EQ(ProcessWindowCount(), Before);
}

}  // namespace

#ifdef _WIN64
// A 64-bit shell reads the 64-bit registry view: the 64-bit library and the 64-bit regsvr32 write
// there, and the 32-bit view, which a 32-bit shell reads, stays untouched.
TEST_F(Registration, Registers64BitLibraryInThe64BitView) {
  auto ExistsIn = [](REGSAM View, HKEY Root, const std::string& Path) {
    HKEY Key = nullptr;
    if (RegOpenKeyExA(Root, Path.c_str(), 0, KEY_READ | View, &Key) != ERROR_SUCCESS) return false;
    RegCloseKey(Key);
    return true;
  };
  auto ApprovedIn = [](REGSAM View) {
    HKEY Key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ApprovedKey, 0, KEY_READ | View, &Key) != ERROR_SUCCESS) return false;
    const bool Found = RegQueryValueExA(Key, VelliskClassIDText, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(Key);
    return Found;
  };
  ASSERT_FALSE(ExistsIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, ClassKey)) << "left over in the 32-bit view";
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({"*"})));

  ASSERT_EQ(RunRegsvr32(Copy.LibraryPath(), false), 0u);
  EXPECT_TRUE(ExistsIn(KEY_WOW64_64KEY, HKEY_CLASSES_ROOT, ClassKey + "\\InprocServer32"));
  EXPECT_TRUE(ApprovedIn(KEY_WOW64_64KEY));
  EXPECT_FALSE(ExistsIn(KEY_WOW64_32KEY, HKEY_CLASSES_ROOT, ClassKey));
  EXPECT_FALSE(ApprovedIn(KEY_WOW64_32KEY));

  ASSERT_EQ(Copy.Unregister(), S_OK);
  EXPECT_FALSE(ExistsIn(KEY_WOW64_64KEY, HKEY_CLASSES_ROOT, ClassKey));
  EXPECT_FALSE(ApprovedIn(KEY_WOW64_64KEY));
}
#endif
