// The file-type scan on a redirected HKEY_CLASSES_ROOT, the predefined types and the platform helpers.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "model/FileTypes.h"
#include "tests/filetypes/FileTypesFixture.h"
#include "tests/support/Expect.h"

using namespace fttest;

namespace {

// ---------------------------------------------------------------------------------------------
// The scan

class FileTypesScanTest : public TClassesFixture {
protected:
  // Every inconsistency the scan knows, next to ordinary and predefined types.
  void MakeFixture() {
    // Predefined types found in the registry.
    Type("*", "Star files");
    Type("Folder", "Folder override");
    SetString("Folder\\DefaultIcon", "", "folder.ico,0");
    Type("Directory", "");
    Key("Unknown");
    SetString("Unknown\\DefaultIcon", "", "");
    Type("Unknown\\CLSID", "{77777777-0000-0000-0000-000000000000}");
    Type("CLSID\\{77777777-0000-0000-0000-000000000000}\\LocalServer32", "local.exe");
    Key("Drive\\DefaultIcon");

    Type("AlphaFile", "Alpha document");
    SetString("AlphaFile\\DefaultIcon", "", "\"C:\\icons\\alpha.ico\",0");
    Type("App.Doc", "Chain start");
    Type("App.Doc\\CurVer", "App.Doc.2");
    Type("App.Doc.2", "Chain middle");
    Type("App.Doc.2\\CurVer", "App.Doc.3");
    Type("App.Doc.3", "Chain end");
    SetDword("BadValue", "", 7);
    Type("ClsidIcon", "Clsid icon type");
    Type("ClsidIcon\\CLSID", "{11111111-2222-3333-4444-555555555555}");
    Type("CLSID\\{11111111-2222-3333-4444-555555555555}\\DefaultIcon", "clsidicon.dll,2");
    Type("CLSID\\{11111111-2222-3333-4444-555555555555}\\InProcServer32", "notthis.dll");
    Type("ClsidServer", "Clsid server type");
    Type("ClsidServer\\CLSID", "{11111111-2222-3333-4444-666666666666}");
    Type("CLSID\\{11111111-2222-3333-4444-666666666666}\\InProcServer32", "server.dll");
    Type("DanglingCurVer", "Dangling");
    Type("DanglingCurVer\\CurVer", "NoSuchType");
    Key("EmptyDesc");
    Type("LockedType", "Locked");
    Type("LonelyType", "Lonely");
    Type("MissingIcon", "Missing icon type");
    SetString("MissingIcon\\DefaultIcon", "", "C:\\nowhere\\missing.ico,0");
    Type("ReadOnlyType", "Read only type");
    Type("ReadOnlyType\\CurVer", "ReadOnlyType");
    Key("ReadOnlyType\\CLSID");
    Type("SelfRef", "Self ref");
    Type("SelfRef\\CurVer", "SelfRef");
    Type("SelfRefClsid", "Self ref with clsid");
    Type("SelfRefClsid\\CurVer", "SelfRefClsid");
    Type("SelfRefClsid\\CLSID", "{00000000-0000-0000-0000-000000000001}");

    Type(".aaa", "AlphaFile");
    Type(".aab", "alphafile");
    Type(".ap1", "App.Doc");
    Type(".ap2", "App.Doc.2");
    Type(".ap3", "App.Doc.3");
    Type(".bad", "BadValue");
    Type(".bbb", "MissingType");
    SetBinary(".bin", "", {1, 2, 3});
    Type(".ccc", "CLSID\\{11111111-2222-3333-4444-555555555555}");
    Type(".ccd", "CLSID");
    Type(".cli", "ClsidIcon");
    Type(".cls", "ClsidServer");
    Type(".ddd", "");
    Type(".dng", "DanglingCurVer");
    Type(".emp", "EmptyDesc");
    Type(".fld", "Folder");
    Type(".lck", "LockedType");
    Type(".mis", "MissingIcon");
    Type(".ro", "ReadOnlyType");
    Type(".sr", "SelfRef");
    Type(".src", "SelfRefClsid");

    Lock("LockedType", 0);
    Lock("ReadOnlyType", KEY_READ);
  }

  // The predefined rows, three of them changed by the fixture's keys.
  std::vector<std::string> ExpectedPredefined() {
    std::vector<std::string> Lines = PredefinedDump();
    Lines[0] = "*|Star files|" + Lines[0].substr(Lines[0].find("|All files|") + 11);
    Lines[2] = "Unknown|Non-associated files|local.exe|||P";
    Lines[3] = "Folder|Folder override|folder.ico,0||.fld|P";
    return Lines;
  }
};

TEST_F(FileTypesScanTest, FixtureDumpAndErrors) {
  MakeFixture();
  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  Errors.AddObject("stale line", new TErroneousFileType(3, "old", "old"));
  Model.Refresh(Errors);

  std::vector<std::string> Expected = ExpectedPredefined();
  for (const char* Line : {
           "AlphaFile|Alpha document|\"C:\\icons\\alpha.ico\",0||.aaa,.aab|",
           "BadValue|BadValue|||.bad|",
           "App.Doc.3|Chain end|||.ap3,.ap2,.ap1|",
           "ClsidIcon|Clsid icon type|clsidicon.dll,2||.cli|",
           "ClsidServer|Clsid server type|server.dll||.cls|",
           "DanglingCurVer|Dangling||NoSuchType|.dng|",
           "EmptyDesc|EmptyDesc|||.emp|",
           "MissingIcon|Missing icon type|C:\\nowhere\\missing.ico,0||.mis|",
           "ReadOnlyType|Read only type||ReadOnlyType|.ro|",
           "SelfRef|Self ref||SelfRef|.sr|",
           "SelfRefClsid|Self ref with clsid||SelfRefClsid|.src|",
       })
    Expected.push_back(Line);
  EXPECT_EQ(DumpModel(Model), Expected);

  const std::vector<std::string> ExpectedErrors = {
      "2|Invalid data type for value \"\" of registry key \"HKEY_CLASSES_ROOT\\BadValue\"||",
      "2|Access to the egistry key \"HKEY_CLASSES_ROOT\\LockedType\" is denied||",
      "0|Extension \".bbb\" belongs to non-existing file type \"MissingType\"|.bbb|MissingType",
      "2|Invalid data type for value \"\" of registry key \"HKEY_CLASSES_ROOT\\.bin\"||",
      "0|Extension \".ccd\" belongs to non-existing file type \"CLSID\"|.ccd|CLSID",
      "0|Extension \".lck\" belongs to non-existing file type \"LockedType\"|.lck|LockedType",
      "1|File type \"DanglingCurVer\" (\"Dangling\") refers to non-existing file type \"NoSuchType\"|DanglingCurVer|NoSuchType",
      "1|File type \"SelfRef\" (\"Self ref\") refers recurrent to itself and is not linked to any CLSID|SelfRef|SelfRef",
  };
  EXPECT_EQ(DumpErrors(Errors), ExpectedErrors);

  EXPECT_FALSE(Model.Scanning());
  EXPECT_EQ(Model.UpdateCount(), 0);
  EXPECT_TRUE(Model.Sorted());

  // Predefined flags and types follow the table; lookups ignore case.
  for (int I = 0; I < Model.Count(); ++I) {
    const TFileType* T = Model.GetItem(I);
    const int P = PredefinedPosition(T->Name());
    EXPECT_EQ(T->Predefined(), P >= 0) << T->Name();
    if (P >= 0) {
      EXPECT_EQ(T->PredefinedType(), PredefinedLists().Types[static_cast<size_t>(P)]) << T->Name();
    }
    EXPECT_EQ(Model.FindByName(AnsiLowerCase(T->Name())), T);
  }
  EXPECT_EQ(Model.FindByName("LonelyType"), nullptr);
  EXPECT_EQ(Model.FindByName("App.Doc"), nullptr);
  EXPECT_EQ(Model.FindByName("CLSID"), nullptr);
  EXPECT_EQ(Model.FindByName(""), nullptr);
}

TEST_F(FileTypesScanTest, RescanReplacesModelAndErrors) {
  MakeFixture();
  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  Model.Refresh(Errors);
  const std::vector<std::string> First = DumpModel(Model);
  const int FirstErrors = Errors.Count();

  Type(".new", "LonelyType");
  Model.Refresh(Errors);
  EXPECT_EQ(Errors.Count(), FirstErrors);
  const std::vector<std::string> Second = DumpModel(Model);
  EXPECT_EQ(Second.size(), First.size() + 1);
  ASSERT_NE(Model.FindByName("LonelyType"), nullptr);
  EXPECT_EQ(DumpType(*Model.FindByName("LonelyType")), "LonelyType|Lonely|||.new|");
}

TEST_F(FileTypesScanTest, KeyNamedClsidInAnotherCaseIsAType) {
  Type("clsid", "Lower-case clsid");
  Type(".lcl", "clsid");
  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  Model.Refresh(Errors);
  std::vector<std::string> Expected = PredefinedDump();
  Expected.push_back("clsid|Lower-case clsid|||.lcl|");
  EXPECT_EQ(DumpModel(Model), Expected);
  EXPECT_EQ(Errors.Count(), 0);
}

TEST_F(FileTypesScanTest, EmptyRegistryHoldsThePredefinedTypesOnly) {
  TFileTypes Model(nullptr);
  TAdvStringList Errors;
  Model.Refresh(Errors);
  EXPECT_EQ(DumpModel(Model), PredefinedDump());
  EXPECT_EQ(Errors.Count(), 0);
}

TEST_F(FileTypesScanTest, ErrorListKeepsItsSortedness) {
  MakeFixture();
  TFileTypes Model(nullptr);
  for (bool Sorted : {false, true}) {
    SCOPED_TRACE(Sorted);
    TAdvStringList Errors;
    Errors.SetSorted(Sorted);
    Model.Refresh(Errors);
    EXPECT_EQ(Errors.Sorted(), Sorted);
    ASSERT_EQ(Errors.Count(), 8);
    std::vector<std::string> Lines;
    for (int I = 0; I < Errors.Count(); ++I) Lines.push_back(Errors[I]);
    if (Sorted) {
      for (size_t I = 1; I < Lines.size(); ++I) EXPECT_LE(AnsiCompareText(Lines[I - 1], Lines[I]), 0) << I;
    } else {
      EXPECT_EQ(Lines.front(), "Invalid data type for value \"\" of registry key \"HKEY_CLASSES_ROOT\\BadValue\"");
    }
    ClearFileTypeErrors(Errors);
  }
}

// A model whose scan reads a root of the test's choice.
class TRootedFileTypes : public TFileTypes {
public:
  TRootedFileTypes() : TFileTypes(nullptr) {}
  HKEY Root = HKEY_CLASSES_ROOT;

protected:
  HKEY ClassesRoot() const override { return Root; }
};

TEST_F(FileTypesScanTest, RootThatCannotBeOpenedRaisesAndALaterRescanWorks) {
  Type("Kept", "Kept type");
  Type(".kpt", "Kept");
  // A handle value outside the predefined keys: opening it fails on every platform (an override
  // of the classes root does not: an empty key name opens the overriding key unchecked).
  const HKEY Missing = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000050));
  HKEY Probe = nullptr;
  const LONG Code = RegOpenKeyExA(Missing, "", 0, KEY_QUERY_VALUE, &Probe);
  if (Probe != nullptr) RegCloseKey(Probe);
  ASSERT_NE(Code, ERROR_SUCCESS);

  TRootedFileTypes Model;
  TAdvStringList Errors;
  Model.Refresh(Errors);
  TFileTypeLink Link;
  std::vector<std::string> Trace;
  Link.SetFileTypes(&Model);
  Link.SetFileType(Model.FindByName("Kept"));
  Record(Link, "L", Trace);
  Model.Root = Missing;
  EXPECT_EQ(MessageOf([&] { Model.Refresh(Errors); }),
            "Registry operation error (details: opening read-only 80000050\\; reason: " +
                regtest::SystemText(static_cast<DWORD>(Code)) + ")");
  EXPECT_EQ(Model.UpdateCount(), 0);
  EXPECT_FALSE(Model.Scanning());
  EXPECT_TRUE(Model.Sorted());
  EXPECT_EQ(DumpModel(Model), PredefinedDump());
  // The links heard the end of the failed scan: the lost type detaches its link.
  EXPECT_EQ(Trace, std::vector<std::string>{"L destroy nil"});

  Model.Root = HKEY_CLASSES_ROOT;
  Link.SetFileTypes(&Model);
  Trace.clear();
  Model.Refresh(Errors);
  std::vector<std::string> Expected = PredefinedDump();
  Expected.push_back("Kept|Kept type|||.kpt|");
  EXPECT_EQ(DumpModel(Model), Expected);
  ASSERT_FALSE(Trace.empty());
  EXPECT_EQ(Trace.back(), "L refresh nil");
}

// ---------------------------------------------------------------------------------------------
// Items by hand

TEST(FileTypesModelTest, ExtensionsOfAType) {
  TFileTypes Model(nullptr);
  TFileType* T = Model.Add();
  T->SetName("T");
  T->AddExtension(".b");
  T->AddExtension(".c");
  T->AppendExtensions({".a", ".d"});
  EXPECT_EQ(T->GetExtensionCount(), 4);
  EXPECT_EQ(T->GetExtension(0), ".b");
  EXPECT_EQ(T->GetExtension(3), ".d");
  for (int Bad : {-1, 4}) {
    SCOPED_TRACE(Bad);
    try {
      T->GetExtension(Bad);
      ADD_FAILURE() << "nothing raised";
    } catch (const EListError& E) {
      EXPECT_EQ(E.Message(), "List index out of bounds (" + std::to_string(Bad) + ")");
    }
  }
  std::unique_ptr<TAdvStringList> Sorted = T->GetExtensions();
  EXPECT_TRUE(Sorted->Sorted());
  EXPECT_EQ(Sorted->GetJoinedText(), ".a;.b;.c;.d");
  T->AppendExtensions(T->Extensions());
  EXPECT_EQ(Joined(T->Extensions()), ".b,.c,.a,.d,.b,.c,.a,.d");
}

TEST(FileTypesModelTest, FindByNameFollowsRenamesAndDeletions) {
  TFileTypes Model(nullptr);
  TFileType* A = Model.Add();
  A->SetName("Same");
  TFileType* B = Model.Add();
  B->SetName("same");
  EXPECT_EQ(Model.FindByName("SAME"), A);  // the first of two
  B->SetIndex(0);
  EXPECT_EQ(Model.FindByName("SAME"), B);
  B->SetName("Other");
  EXPECT_EQ(Model.FindByName("same"), A);
  EXPECT_EQ(Model.FindByName("other"), B);
  delete A;
  EXPECT_EQ(Model.FindByName("same"), nullptr);
  B->SetCollection(nullptr);
  EXPECT_EQ(Model.FindByName("other"), nullptr);
  B->SetCollection(&Model);
  EXPECT_EQ(Model.FindByName("other"), B);
}

// ---------------------------------------------------------------------------------------------
// Predefined types

TEST(PredefinedTypesTest, TableRowsFollowPlatformAndShellVersion) {
  const TSpecialClasses& Table = SpecialClasses();
  ASSERT_EQ(Table.size(), 14u);
  EXPECT_EQ(Table[12].Name, "DVDFile");
  EXPECT_EQ(Table[13].Name, "DVD");
  EXPECT_EQ(Table[12].PredefinedType, ptypDVD);
  EXPECT_EQ(Table[13].PredefinedType, ptypDVD);
  EXPECT_EQ(ShellVersion471, 262215u);

  struct TCase {
    bool NT;
    uint32_t Version;
    std::string Names;
  };
  const std::string Old = "*,Unknown,Folder,Directory,Network,Printers,Drive,AudioCD";
  const std::string NewCommon =
      "*,AllFileSystemObjects,Unknown,Folder,Directory,Directory\\Background,Network,NetShare,NetServer,Printers,"
      "Drive,AudioCD";
  const TCase Cases[] = {
      {true, 0, Old},
      {false, (4u << 16) | 70u, Old},
      {true, ShellVersion471, NewCommon + ",DVD"},
      {false, ShellVersion471, NewCommon + ",DVDFile"},
      {true, 6u << 16, NewCommon + ",DVD"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Names);
    const TPredefinedLists L = BuildPredefinedLists(C.NT, C.Version, "prog.exe,-2000");
    EXPECT_EQ(Joined(L.Names), C.Names);
    ASSERT_EQ(L.Captions.size(), L.Names.size());
    ASSERT_EQ(L.Icons.size(), L.Names.size());
    ASSERT_EQ(L.Types.size(), L.Names.size());
    EXPECT_EQ(L.Captions[0], "All files");
    EXPECT_EQ(L.Icons[0], "prog.exe,-2000");
    EXPECT_EQ(L.Types[0], ptypAllFiles);
    const int Dvd = static_cast<int>(L.Names.size()) - 1;
    EXPECT_EQ(L.Captions.back(), L.Names.back() == "AudioCD" ? "Audio CD in CD drive" : "DVD drive");
    if (L.IndexOf("allfilesystemobjects") >= 0) {
      EXPECT_EQ(L.Icons[1], "prog.exe,-2000");
      EXPECT_EQ(L.Captions[1], "All files and file folders");
      EXPECT_EQ(L.Types[static_cast<size_t>(Dvd)], ptypDVD);
      EXPECT_EQ(L.Icons[static_cast<size_t>(L.IndexOf("Directory\\Background"))], "shell32.dll,100");
    }
    EXPECT_EQ(L.Icons[static_cast<size_t>(L.IndexOf("folder"))], "shell32.dll,3");
    EXPECT_EQ(L.Captions[static_cast<size_t>(L.IndexOf("Directory"))], "File folders");
  }
}

TEST(PredefinedTypesTest, RunningSystemLists) {
  char Module[MAX_PATH];
  const DWORD N = GetModuleFileNameA(nullptr, Module, MAX_PATH);
  const TPredefinedLists Expected =
      BuildPredefinedLists(IsWindowsNT(), ShellVersion(), std::string(Module, N) + ",-2000");
  EXPECT_EQ(PredefinedLists().Names, Expected.Names);
  EXPECT_EQ(PredefinedLists().Captions, Expected.Captions);
  EXPECT_EQ(PredefinedLists().Icons, Expected.Icons);
  EXPECT_EQ(PredefinedLists().Types, Expected.Types);
}

// ---------------------------------------------------------------------------------------------
// Platform helpers

TEST(PlatformTest, ParseFileVersion) {
  struct TCase {
    const char* Text;
    uint32_t Version;
  } const Cases[] = {
      {"6.00.2900.2180 (xpsp_sp2_rtm.040803-2158)", 6u << 16},
      {"4.72.3110.1", (4u << 16) | 72u},
      {"5.1", (5u << 16) | 1u},
      {"6", 0},
      {"", 0},
      {"x.71.2", 71u},
      {"4.x.2", 4u << 16},
      {"4.71 beta", 4u << 16},
  };
  for (const TCase& C : Cases) EXPECT_EQ(ParseFileVersion(C.Text), C.Version) << C.Text;
}

TEST(PlatformTest, ModuleVersions) {
  HMODULE Shell = LoadLibraryA("shell32.dll");
  ASSERT_NE(Shell, nullptr);
  struct {
    DWORD cbSize, Major, Minor, Build, Platform;
  } Info{20, 0, 0, 0, 0};
  using TProc = HRESULT(CALLBACK*)(void*);
  auto Proc = reinterpret_cast<TProc>(reinterpret_cast<void*>(GetProcAddress(Shell, "DllGetVersion")));
  ASSERT_NE(Proc, nullptr);
  ASSERT_TRUE(SUCCEEDED(Proc(&Info)));
  FreeLibrary(Shell);
  EXPECT_EQ(GetModuleVersion("shell32.dll"), (Info.Major << 16) | Info.Minor);
  EXPECT_EQ(ShellVersion(), (Info.Major << 16) | Info.Minor);
  EXPECT_EQ(GetModuleVersion("kernel32.dll"), 0u);  // no DllGetVersion
  EXPECT_EQ(GetModuleVersion("C:\\no\\such\\module.dll"), 0u);
}

TEST(PlatformTest, VersionBlockOfAModuleThatCannotBeLoaded) {
  // A copy of a system DLL whose PE header names a foreign machine: the loader refuses it, the
  // version block is still readable.
  TTempDir Dir;
  char System[MAX_PATH];
  GetSystemDirectoryA(System, MAX_PATH);
  const std::string Copy = Dir.File("foreign.dll");
  ASSERT_TRUE(CopyFileA((std::string(System) + "\\shell32.dll").c_str(), Copy.c_str(), FALSE));
  {
    HANDLE H = CreateFileA(Copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(H, INVALID_HANDLE_VALUE);
    DWORD Offset = 0, Done = 0;
    SetFilePointer(H, 0x3C, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(H, &Offset, 4, &Done, nullptr));
    SetFilePointer(H, static_cast<LONG>(Offset + 4), nullptr, FILE_BEGIN);
    const WORD Machine = 0x01C4;  // ARM Thumb-2
    ASSERT_TRUE(WriteFile(H, &Machine, 2, &Done, nullptr));
    CloseHandle(H);
  }
  HMODULE Module = LoadLibraryA(Copy.c_str());
  if (Module != nullptr) {
    FreeLibrary(Module);
    GTEST_SKIP() << "the loader accepts the patched module";
  }
  DWORD Handle = 0;
  const DWORD Size = GetFileVersionInfoSizeA(Copy.c_str(), &Handle);
  if (Size == 0) GTEST_SKIP() << "no version block readable";
  std::vector<BYTE> Block(Size);
  ASSERT_TRUE(GetFileVersionInfoA(Copy.c_str(), 0, Size, Block.data()));
  WORD* Translation = nullptr;
  UINT Len = 0;
  ASSERT_TRUE(VerQueryValueA(Block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&Translation), &Len));
  char Path[64];
  snprintf(Path, sizeof(Path), "\\StringFileInfo\\%04x%04x\\FileVersion", Translation[0], Translation[1]);
  char* Text = nullptr;
  ASSERT_TRUE(VerQueryValueA(Block.data(), Path, reinterpret_cast<void**>(&Text), &Len));
  const uint32_t Expected = ParseFileVersion(Text);
  EXPECT_NE(Expected, 0u) << Text;
  EXPECT_EQ(GetModuleVersion(Copy), Expected);
}

TEST(PlatformTest, Win9xExpansionReplacesALeadingReferenceOnly) {
  struct TCase {
    const char* Path;
    const char* Expanded;
  } const Cases[] = {
      {"%SystemRoot%\\system\\shell32.dll", "C:\\WIN\\system\\shell32.dll"},
      {"%windir%\\a.ico", "C:\\WIN\\a.ico"},
      {"%WINDIR%", "C:\\WIN"},
      {"%SystemRoot%,-101", "C:\\WIN,-101"},
      {"%SystemRoot%\\%WinDir%\\x", "C:\\WIN\\%WinDir%\\x"},
      {"\"%SystemRoot%\\x\"", "\"%SystemRoot%\\x\""},
      {"C:\\%SystemRoot%\\x", "C:\\%SystemRoot%\\x"},
      {"%Other%\\x", "%Other%\\x"},
      {"%SystemRootX%\\x", "%SystemRootX%\\x"},
      {"", ""},
  };
  for (const TCase& C : Cases) EXPECT_EQ(ExpandWin9xPath(C.Path, "C:\\WIN"), C.Expanded) << C.Path;
}

TEST(PlatformTest, NTExpansionTakesAnyLength) {
  if (!IsWindowsNT()) GTEST_SKIP();
  const std::string Long(3000, 'x');
  ASSERT_TRUE(SetEnvironmentVariableA("CORVANE_FT_LONG", Long.c_str()));
  EXPECT_EQ(ExpandIconPath("%CORVANE_FT_LONG%\\y.ico"), Long + "\\y.ico");
  EXPECT_EQ(ExpandIconPath("%CORVANE_FT_UNSET%\\y.ico"), "%CORVANE_FT_UNSET%\\y.ico");
  SetEnvironmentVariableA("CORVANE_FT_LONG", nullptr);
  EXPECT_EQ(WindowsDirectory().back() == '\\', WindowsDirectory().size() <= 3);
}

}  // namespace
