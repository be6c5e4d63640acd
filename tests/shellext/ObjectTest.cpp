// The context-menu object as the shell sees it: created through COM in a single-threaded
// apartment, initialised with data objects and class keys, and observed through its log.
#include "tests/shellext/MenuFixture.h"
#include "tests/shellext/ShellHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

std::string PointerText(const void* P) {
  char Buffer[32];
  std::snprintf(Buffer, sizeof(Buffer), "%0*llX", static_cast<int>(sizeof(void*) * 2),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(P)));
  return Buffer;
}

std::string HexText(unsigned long long V) {
  char Buffer[32];
  std::snprintf(Buffer, sizeof(Buffer), "%llX", V);
  return Buffer;
}

std::string Unsigned(HRESULT R) { return std::to_string(static_cast<unsigned>(R)); }

std::string ArgumentLine(int Count, const std::string& List) {
  return "BuildArgumentList: arguments list built, cnt=" + std::to_string(Count) + ", FArgumentList=\"" + List +
         "\"";
}

// The menu fixture, prepared with the INI file of DynamicItemsIni.
class MenuObject : public MenuTest {
protected:
  // The INI file beside the copy, then the registration (handler keys for the classes).
  void Prepare(const std::vector<std::string>& FileTypes, const std::string& Logging = "True") {
    MenuTest::Prepare(DynamicItemsIni(FileTypes, Logging));
  }
  TComPtr<IShellExtInit> Create() {
    TComPtr<IShellExtInit> Init;
    EXPECT_EQ(CreateMenuObject(Init), S_OK);
    return Init;
  }
  // The level of the line with this text; -1 when there is none.
  int LevelOf(const std::string& Text) const {
    for (const TLogLine& L : Log.Lines())
      if (L.Text == Text) return L.Level;
    return -1;
  }
};

TEST_F(MenuObject, AnswersItsInterfacesWithOneIdentity) {
  Prepare({}, "");
  TComPtr<IShellExtInit> Init = Create();
  ASSERT_TRUE(Init);
  TComPtr<IUnknown> Identity = Init.As<IUnknown>();
  ASSERT_TRUE(Identity);
  HRESULT R = E_FAIL;
  EXPECT_EQ(Init.As<IContextMenu>(&R).As<IUnknown>().Get(), Identity.Get());
  EXPECT_EQ(R, S_OK);
  EXPECT_EQ(Init.As<IContextMenu2>(&R).As<IUnknown>().Get(), Identity.Get());
  EXPECT_EQ(R, S_OK);
  EXPECT_EQ(Init.As<IContextMenu3>(&R).As<IUnknown>().Get(), Identity.Get());
  EXPECT_EQ(R, S_OK);
  TComPtr<ISupportErrorInfo> ErrorInfo = Init.As<ISupportErrorInfo>(&R);
  ASSERT_EQ(R, S_OK);
  EXPECT_EQ(ErrorInfo.As<IUnknown>().Get(), Identity.Get());
  EXPECT_EQ(ErrorInfo->InterfaceSupportsErrorInfo(__uuidof(IContextMenu3)), S_OK);
  EXPECT_EQ(ErrorInfo->InterfaceSupportsErrorInfo(__uuidof(IShellExtInit)), S_OK);
  EXPECT_EQ(ErrorInfo->InterfaceSupportsErrorInfo(IID_IDataObject), S_FALSE);
  EXPECT_FALSE(Init.As<IDataObject>(&R));
  EXPECT_EQ(R, E_NOINTERFACE);
}

TEST_F(MenuObject, DetectsTheClassOfTheGivenKey) {
  const std::string First = Classes.NewName("First"), Second = Classes.NewName("Second");
  const std::string Unlisted = Classes.NewName("Unlisted");
  HKEY SecondKey = Classes.Create(Second), UnlistedKey = Classes.Create(Unlisted);
  ASSERT_NE(Classes.Create(First), nullptr);
  ASSERT_NE(SecondKey, nullptr);
  ASSERT_NE(UnlistedKey, nullptr);
  Prepare({First, Second});
  const struct {
    HKEY Key;
    std::string Line;
  } Cases[] = {{SecondKey, "SEIInitialize: class key detected: key=\"" + Second + "\""},
               {UnlistedKey, "SEIInitialize: class key NOT detected, used *"},
               {nullptr, "SEIInitialize: class key NOT detected, used *"}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Line);
    Log.Restart();
    EXPECT_EQ(Create()->Initialize(nullptr, nullptr, C.Key), S_OK);
    ReadLog();
    EXPECT_EQ(LevelOf("SEIInitialize: classes enumerated: keys=\"" + First + ";" + Second + "\""), 1);
    EXPECT_EQ(LevelOf(C.Line), 1);
    for (const std::string& Class : {First, Second, Unlisted})
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Class + "\\Corvane")) << Class;
  }
}

TEST_F(MenuObject, FirstOfTwoSpellingsWins) {
  const std::string Lower = Classes.NewName("spelling");
  std::string Upper = Lower;
  for (char& C : Upper) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));
  HKEY Key = Classes.Create(Lower);
  ASSERT_NE(Key, nullptr);
  Prepare({Lower, Upper, Lower});
  EXPECT_EQ(Create()->Initialize(nullptr, nullptr, Key), S_OK);
  ReadLog();
  EXPECT_TRUE(Log.Contains("SEIInitialize: classes enumerated: keys=\"" + Lower + ";" + Upper + "\""));
  EXPECT_TRUE(Log.Contains("SEIInitialize: class key detected: key=\"" + Lower + "\""));
}

TEST_F(MenuObject, KeepsAMarkerKeyThatWasThereBefore) {
  const std::string Class = Classes.NewName("Marked");
  HKEY Key = Classes.Create(Class);
  ASSERT_NE(Key, nullptr);
  HKEY Marker = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Key, "Corvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Marker, nullptr), ERROR_SUCCESS);
  RegSetValueExA(Marker, "Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("yes"), 4);
  RegCloseKey(Marker);
  Prepare({Class});
  EXPECT_EQ(Create()->Initialize(nullptr, nullptr, Key), S_OK);
  ReadLog();
  EXPECT_TRUE(Log.Contains("SEIInitialize: class key detected: key=\"" + Class + "\""));
  std::string Value;
  EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, Class + "\\Corvane", "Kept", Value));
  EXPECT_EQ(Value, "yes");
}

// The renderings the object asks for, and the argument list it makes of the answer.
TEST_F(MenuObject, FallsBackThroughTheThreeRenderings) {
  TTempDir Files;
  const std::string One = Files.File("one.txt"), Two = Files.File("two words.txt");
  ASSERT_TRUE(WriteFileText(One, "1"));
  ASSERT_TRUE(WriteFileText(Two, "2"));
  ASSERT_EQ(One.find(' '), std::string::npos);
  const std::string LongName = Files.File(std::string(300, 'n') + ".txt");
  const std::string LongBlank = Files.File(std::string(150, 'b') + " " + std::string(150, 'b') + ".txt");
  const std::string Folder = Files.Path();
  const UINT Drop = CF_HDROP, Name = FileNameFormat(), IDList = ShellIDListFormat();
  struct TCase {
    const char* Title;
    std::vector<std::pair<UINT, HRESULT>> Answers;
    std::string DropData, NameData, IDListData;
    std::vector<UINT> Requests;
    int Count;
    std::string List;
  };
  const TCase Cases[] = {
      {"one dropped file", {{Drop, S_OK}}, HDropData({One}), "", "", {Drop}, 1, One},
      {"dropped files", {{Drop, S_OK}}, HDropData({One, Two}), "", "", {Drop}, 2, "\"" + One + "\" \"" + Two + "\""},
      {"one dropped file with a blank", {{Drop, S_OK}}, HDropData({Two}), "", "", {Drop}, 1, "\"" + Two + "\""},
      {"a long dropped name", {{Drop, S_OK}}, HDropData({LongName}), "", "", {Drop}, 1, LongName},
      {"a long dropped name with a blank",
       {{Drop, S_OK}},
       HDropData({LongBlank, One}),
       "",
       "",
       {Drop},
       2,
       "\"" + LongBlank + "\" \"" + One + "\""},
      {"file name after E_INVALIDARG",
       {{Drop, E_INVALIDARG}, {Name, S_OK}},
       "",
       FileNameData(Two),
       "",
       {Drop, Name},
       1,
       Two},
      {"a long file name", {{Drop, E_INVALIDARG}, {Name, S_OK}}, "", FileNameData(LongBlank), "", {Drop, Name}, 1,
       LongBlank},
      {"ID lists after two E_INVALIDARG",
       {{Drop, E_INVALIDARG}, {Name, E_INVALIDARG}, {IDList, S_OK}},
       "",
       "",
       IDListData(Folder, {"one.txt", "two words.txt"}),
       {Drop, Name, IDList},
       2,
       "\"" + One + "\" \"" + Two + "\""},
      {"one ID list", {{Drop, E_INVALIDARG}, {Name, E_INVALIDARG}, {IDList, S_OK}}, "", "",
       IDListData(Folder, {"one.txt"}), {Drop, Name, IDList}, 1, One},
      {"DV_E_FORMATETC stops at once", {{Drop, DV_E_FORMATETC}, {Name, S_OK}}, "", FileNameData(One), "", {Drop}, 0,
       ""},
      {"file name refused", {{Drop, E_INVALIDARG}, {Name, DV_E_FORMATETC}, {IDList, S_OK}}, "", "",
       IDListData(Folder, {"one.txt"}), {Drop, Name}, 0, ""},
      {"nothing rendered",
       {{Drop, E_INVALIDARG}, {Name, E_INVALIDARG}, {IDList, E_INVALIDARG}},
       "",
       "",
       "",
       {Drop, Name, IDList},
       0,
       ""},
      {"ID lists refused otherwise", {{Drop, E_INVALIDARG}, {Name, E_INVALIDARG}, {IDList, E_FAIL}}, "", "", "",
       {Drop, Name, IDList}, 0, ""},
  };
  Prepare({});
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Title);
    Log.Restart();
    TTestDataObject* Data = new TTestDataObject();
    for (const auto& [Format, Code] : C.Answers)
      Data->Answer(Format, Code, Format == Drop ? C.DropData : Format == Name ? C.NameData : C.IDListData);
    {
      TComPtr<IShellExtInit> Init = Create();
      ASSERT_TRUE(Init);
      EXPECT_EQ(Init->Initialize(nullptr, Data, nullptr), S_OK);
      EXPECT_EQ(Data->Requests(), C.Requests);
      EXPECT_EQ(Data->RefCount(), 1);  // no reference kept
      HMENU Menu = CreatePopupMenu();
      EXPECT_EQ(Init.As<IContextMenu>()->QueryContextMenu(Menu, 0, 1, 0x7FFF, CMF_NORMAL), S_OK);
      EXPECT_EQ(GetMenuItemCount(Menu), 0);
      DestroyMenu(Menu);
    }
    EXPECT_EQ(Data->MediaAlive(), 0);
    Data->Release();
    ReadLog();
    EXPECT_EQ(LevelOf(ArgumentLine(C.Count, C.List)), 1);
  }
}

TEST_F(MenuObject, LogsEachRenderingAndTheOfferedFormats) {
  Prepare({});
  const UINT Name = FileNameFormat();
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, E_INVALIDARG);
  Data->Answer(Name, S_OK, FileNameData("C:\\some file.txt"));
  Data->Offer({CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
  Data->Offer({static_cast<CLIPFORMAT>(Name), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM});
  EXPECT_EQ(Create()->Initialize(nullptr, Data, nullptr), S_OK);
  Data->Release();

  TTestDataObject* Refusing = new TTestDataObject();
  Refusing->Answer(CF_HDROP, DV_E_FORMATETC);
  Refusing->SetEnumResult(E_NOTIMPL);
  ReadLog();
  const std::vector<TLogLine> First = Log.Lines();
  EXPECT_EQ(Create()->Initialize(nullptr, Refusing, nullptr), S_OK);
  Refusing->Release();

  auto Has = [](const std::vector<TLogLine>& Lines, const std::string& Text) {
    for (const TLogLine& L : Lines)
      if (L.Text == Text) return L.Level == 1;
    return false;
  };
  EXPECT_TRUE(Has(First, "SEIInitialize: data rendered in format CF_HDROP: hGlobal=0, tymed=0={TYMED_NULL}, "
                         "error code=80070057 (" + SystemText(static_cast<DWORD>(E_INVALIDARG)) + ")"));
  EXPECT_TRUE(Has(First, "SEIInitialize: DumpFormats reported that lpdobj supports format 1 (), tymed=1"));
  EXPECT_TRUE(Has(First, "SEIInitialize: DumpFormats reported that lpdobj supports format " + std::to_string(Name) +
                             " (FileName), tymed=5"));
  // The second rendering names its memory block, which only the log knows.
  const std::string Prefix = "SEIInitialize: data rendered 2nd time in format CFSTR_FILENAME: hGlobal=";
  const std::string Suffix = " (C:\\some file.txt), tymed=1={TYMED_HGLOBAL}, error code=0 (" + SystemText(0) + ")";
  bool Found = false;
  for (const TLogLine& L : First)
    if (L.Text.compare(0, Prefix.size(), Prefix) == 0) {
      Found = true;
      ASSERT_GT(L.Text.size(), Prefix.size() + Suffix.size());
      EXPECT_EQ(L.Text.substr(L.Text.size() - Suffix.size()), Suffix);
      const std::string Handle = L.Text.substr(Prefix.size(), L.Text.size() - Prefix.size() - Suffix.size());
      EXPECT_NE(Handle, "0");
      EXPECT_EQ(Handle.find_first_not_of("0123456789ABCDEF"), std::string::npos) << Handle;
    }
  EXPECT_TRUE(Found);
  EXPECT_EQ(Log.Find("SEIInitialize: data rendered 3rd time"), -1);

  ReadLog();
  EXPECT_EQ(LevelOf("SEIInitialize: DumpFormats returned error code=" + HexText(static_cast<unsigned>(E_NOTIMPL)) +
                    " (" + SystemText(static_cast<DWORD>(E_NOTIMPL)) + ")"),
            1);
  EXPECT_EQ(Log.Find("SEIInitialize: data rendered 2nd time"), -1);
}

TEST_F(MenuObject, UnreadableIniLeavesTheObjectBusy) {
  const std::string Class = Classes.NewName("Busy");
  HKEY Key = Classes.Create(Class);
  ASSERT_NE(Key, nullptr);
  Prepare({Class});
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({"C:\\a.txt"}));
  {
    TComPtr<IShellExtInit> Init = Create();
    ASSERT_TRUE(Init);
    HANDLE Lock = CreateFileA(Copy.IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Init->Initialize(nullptr, Data, Key), E_INVALIDARG);
    CloseHandle(Lock);

    TComPtr<IContextMenu3> Menu3 = Init.As<IContextMenu3>();
    HMENU Menu = CreatePopupMenu();
    EXPECT_EQ(Menu3->QueryContextMenu(Menu, 0, 1, 0x7FFF, CMF_NORMAL), E_FAIL);
    EXPECT_EQ(GetMenuItemCount(Menu), 0);
    DestroyMenu(Menu);
    char Buffer[16] = "untouched";
    EXPECT_EQ(Menu3->GetCommandString(0, GCS_HELPTEXTA, nullptr, Buffer, sizeof(Buffer)), E_FAIL);
    EXPECT_STREQ(Buffer, "untouched");
    CMINVOKECOMMANDINFO Info{};
    Info.cbSize = sizeof(Info);
    EXPECT_EQ(Menu3->InvokeCommand(&Info), E_FAIL);
    // Menu messages are answered in every state.
    LRESULT Result = 77;
    EXPECT_EQ(Menu3->HandleMenuMsg2(WM_MENUCHAR, 'a', 0, &Result), S_OK);
    EXPECT_EQ(Result, 0);
    // The detection never ran: no marker is left behind.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, Class + "\\Corvane"));
  }
  EXPECT_EQ(Data->MediaAlive(), 0);
  Data->Release();
  ReadLog();
  EXPECT_EQ(LevelOf("SEIInitialize: EXITING, Result=" + Unsigned(E_INVALIDARG)), 0);
  EXPECT_EQ(LevelOf("QueryContextMenu: EXITING, Result=" + Unsigned(E_FAIL)), 0);
  EXPECT_EQ(LevelOf("GetCommandString: EXITING, Result=" + Unsigned(E_FAIL)), 0);
  EXPECT_EQ(LevelOf("InvokeCommand: EXITING, Result=" + Unsigned(E_FAIL)), 0);
  EXPECT_EQ(Log.Find("SEIInitialize: classes enumerated"), -1);
}

TEST_F(MenuObject, LogHoldsTheCallsAsATree) {
  TTempDir Files;
  const std::string Class = Classes.NewName("Tree");
  HKEY Key = Classes.Create(Class);
  ASSERT_NE(Key, nullptr);
  Prepare({Class});
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({"C:\\x.txt"}));
  HMENU Menu = CreatePopupMenu();
  {
    TComPtr<IShellExtInit> Init = Create();
    ASSERT_TRUE(Init);
    ASSERT_EQ(Init->Initialize(nullptr, Data, Key), S_OK);
    // One item of the class: one identifier.
    ASSERT_EQ(Init.As<IContextMenu>()->QueryContextMenu(Menu, 3, 10, 20, CMF_EXPLORE), MAKE_HRESULT(0, 0, 1));
  }
  DestroyMenu(Menu);
  ReadLog();
  const std::vector<TLogLine>& Lines = Log.Lines();
  ASSERT_GE(Lines.size(), 10u);
  const std::string Start = "Starting debug session: ", End = "End of debug session: ";
  EXPECT_FALSE(Lines.front().Timed);
  ASSERT_EQ(Lines.front().Text.compare(0, Start.size(), Start), 0);
  EXPECT_TRUE(Log.IsSessionTime(Lines.front().Text.substr(Start.size()))) << Lines.front().Text;
  EXPECT_FALSE(Lines.back().Timed);
  ASSERT_EQ(Lines.back().Text.compare(0, End.size(), End), 0);
  EXPECT_TRUE(Log.IsSessionTime(Lines.back().Text.substr(End.size()))) << Lines.back().Text;
  for (size_t I = 1; I + 1 < Lines.size(); ++I) EXPECT_TRUE(Lines[I].Timed) << Log.RawLines()[I];

  const std::string InitEntry = "Call to SEIInitialize(pidlFolder=" + PointerText(nullptr) +
                                ", lpobj=" + PointerText(static_cast<IDataObject*>(Data)) +
                                ", hKeyProgID=" + std::to_string(reinterpret_cast<uintptr_t>(Key)) + ")";
  const std::string QueryEntry = "Call to QueryContextMenu(Menu=" + std::to_string(reinterpret_cast<uintptr_t>(Menu)) +
                                 ", indexMenu=3, idCmdFirst=10, idCmdLast=20, uFlags=4={CMF_EXPLORE })";
  // Entry and exit lines at level 0, everything between them deeper: Initialize's steps at level 1,
  // QueryContextMenu's own steps at level 1 with the building's calls below them.
  const int InitAt = Log.Find(InitEntry), InitExit = Log.Find("SEIInitialize: EXITING, Result=0");
  const int QueryAt = Log.Find(QueryEntry), QueryExit = Log.Find("QueryContextMenu: EXITING, Result=1");
  ASSERT_EQ(InitAt, 1);
  ASSERT_GT(InitExit, InitAt + 1);
  ASSERT_EQ(QueryAt, InitExit + 1);
  ASSERT_GT(QueryExit, QueryAt + 1);
  for (int I : {InitAt, InitExit, QueryAt, QueryExit}) EXPECT_EQ(Lines[static_cast<size_t>(I)].Level, 0) << I;
  for (int I = InitAt + 1; I < InitExit; ++I) EXPECT_EQ(Lines[static_cast<size_t>(I)].Level, 1) << Log.RawLines()[I];
  for (int I = QueryAt + 1; I < QueryExit; ++I) EXPECT_GE(Lines[static_cast<size_t>(I)].Level, 1) << Log.RawLines()[I];
  EXPECT_EQ(Lines[static_cast<size_t>(QueryAt + 1)].Text, ArgumentLine(1, "C:\\x.txt"));
  EXPECT_EQ(Lines[static_cast<size_t>(QueryAt + 1)].Level, 1);
  EXPECT_EQ(Lines[static_cast<size_t>(QueryAt + 2)].Text, "Call to CreateXMenu");
  EXPECT_EQ(Lines[static_cast<size_t>(QueryAt + 2)].Level, 1);
  EXPECT_EQ(LevelOf("CreateXMenu: EXITING"), 1);
  EXPECT_EQ(LevelOf("QueryContextMenu: ready to insert menu items"), 1);
  EXPECT_EQ(static_cast<size_t>(QueryExit) + 3, Lines.size());
  EXPECT_EQ(Lines[static_cast<size_t>(QueryExit + 1)].Text, "TCorvMenu.Destroy called");
  EXPECT_EQ(Lines[static_cast<size_t>(QueryExit + 1)].Level, 0);
  Data->Release();
}

TEST_F(MenuObject, DebugLoggingValues) {
  const struct {
    const char* Value;
    bool Logs;
  } Cases[] = {{"", false},     {"False", false}, {"True", true}, {"tRuE", true}, {"1", true},
               {"0", false},    {"-3", true},     {"$10", true},  {"abc", false}, {"yes", false}};
  Prepare({}, "");
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Value);
    DeleteFileA(Copy.LogPath().c_str());
    ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({}, C.Value)));
    TComPtr<IShellExtInit> Init = Create();
    ASSERT_TRUE(Init);
    EXPECT_EQ(Init->Initialize(nullptr, nullptr, nullptr), S_OK);
    Init.Reset();
    EXPECT_EQ(FileExistsA(Copy.LogPath()), C.Logs);
  }
}

TEST_F(MenuObject, EmptyTreeAnswers) {
  Prepare({});
  TComPtr<IShellExtInit> Init = Create();
  ASSERT_TRUE(Init);
  TComPtr<IContextMenu3> Menu3 = Init.As<IContextMenu3>();
  // Before Initialize the object answers as well.
  HMENU Menu = CreatePopupMenu();
  AppendMenuA(Menu, MF_STRING, 1, "shell's own");
  EXPECT_EQ(Menu3->QueryContextMenu(Menu, 0, 100, 200, CMF_NORMAL), S_OK);
  ASSERT_EQ(Init->Initialize(nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Menu3->QueryContextMenu(Menu, 0, 100, 200, CMF_DEFAULTONLY | CMF_EXPLORE), S_OK);
  EXPECT_EQ(Menu3->QueryContextMenu(Menu, 1, 100, 200, CMF_NORMAL), S_OK);
  EXPECT_EQ(GetMenuItemCount(Menu), 1);
  DestroyMenu(Menu);

  char Buffer[16] = "untouched";
  EXPECT_EQ(Menu3->GetCommandString(0, GCS_HELPTEXTA, nullptr, Buffer, sizeof(Buffer)), E_INVALIDARG);
  EXPECT_EQ(Menu3->GetCommandString(256, GCS_HELPTEXTA, nullptr, Buffer, sizeof(Buffer)), E_INVALIDARG);
  EXPECT_EQ(Menu3->GetCommandString(0, GCS_VERBA, nullptr, Buffer, sizeof(Buffer)), E_NOTIMPL);
  EXPECT_EQ(Menu3->GetCommandString(0, GCS_VALIDATEA, nullptr, Buffer, sizeof(Buffer)), S_FALSE);
  EXPECT_STREQ(Buffer, "untouched");

  CMINVOKECOMMANDINFO Info{};
  Info.cbSize = sizeof(Info);
  EXPECT_EQ(Menu3->InvokeCommand(&Info), E_FAIL);
  Info.lpVerb = "open";
  EXPECT_EQ(Menu3->InvokeCommand(&Info), E_FAIL);

  MEASUREITEMSTRUCT Measure{};
  Measure.CtlType = ODT_MENU;
  Measure.itemID = 105;
  Measure.itemWidth = 11;
  Measure.itemHeight = 12;
  EXPECT_EQ(Menu3->HandleMenuMsg(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&Measure)), S_OK);
  EXPECT_EQ(Measure.itemWidth, 11u);
  EXPECT_EQ(Measure.itemHeight, 12u);
  LRESULT Result = 77;
  EXPECT_EQ(Menu3->HandleMenuMsg2(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&Measure), &Result), S_OK);
  EXPECT_EQ(Menu3->HandleMenuMsg2(WM_MENUCHAR, 'x', 0, &Result), S_OK);
  EXPECT_EQ(Result, 0);
  Menu3.Reset();
  Init.Reset();

  ReadLog();
  EXPECT_EQ(LevelOf("Call to GetCommandString(idCmd=256, uType=1=(GCS_HELPTEXTA), pwReserved, var pszName, "
                    "cchMax=16)"),
            0);
  EXPECT_EQ(LevelOf("GetCommandString: EXITING, Result=" + Unsigned(E_INVALIDARG)), 0);
  EXPECT_TRUE(Log.Contains("Call to QueryContextMenu(Menu=" + std::to_string(reinterpret_cast<uintptr_t>(Menu)) +
                           ", indexMenu=0, idCmdFirst=100, idCmdLast=200, uFlags=5={CMF_DEFAULTONLY CMF_EXPLORE })"));
  EXPECT_EQ(LevelOf("InvokeCommand: idCmd=0, FidFirstCmd=100, FidMaxCmd=0, (idCmd in [0..FidMaxCmd-1])=False"), 1);
  // The verb text fails early; its exit line is written and the next call starts at level 0 again.
  const int Verb = Log.Find("InvokeCommand: are we called by an application: (HiWord(Integer(lpici.lpVerb)) <> 0)=True");
  ASSERT_GT(Verb, 0);
  EXPECT_EQ(Log.Lines()[static_cast<size_t>(Verb)].Level, 1);
  EXPECT_EQ(Log.Lines()[static_cast<size_t>(Verb + 1)].Text, "InvokeCommand: EXITING, Result=" + Unsigned(E_FAIL));
  EXPECT_EQ(Log.Lines()[static_cast<size_t>(Verb + 1)].Level, 0);
  EXPECT_EQ(Log.Lines()[static_cast<size_t>(Verb + 2)].Level, 0);
  // HandleMenuMsg2 hands the measuring to HandleMenuMsg, one level deeper.
  const std::string Measure2 = "Call to HandleMenuMsg2(uMsg=" + std::to_string(WM_MEASUREITEM) + ", wParam=0, lParam=" +
                               std::to_string(reinterpret_cast<intptr_t>(&Measure)) +
                               ", var lpResult), IContextMenu3 recognized";
  const int At = Log.Find(Measure2);
  ASSERT_GT(At, 0);
  const struct {
    int Level;
    std::string Text;
  } Nested[] = {{0, Measure2},
                {1, "Call to HandleMenuMsg(uMsg=" + std::to_string(WM_MEASUREITEM) + ", wParam=0, lParam=" +
                        std::to_string(reinterpret_cast<intptr_t>(&Measure)) + "), IContextMenu2 recognized"},
                {2, "Call to GetXItemForID(XMenu=" + PointerText(nullptr) + ", ID=105)"},
                {2, "GetXItemForID: EXITING, Result=" + PointerText(nullptr)},
                {2, "DoMeasureItem: item not found, itemID=105"},
                {1, "HandleMenuMsg: EXITING, Result=0"},
                {0, "HandleMenuMsg2: EXITING, Result=0"}};
  for (size_t I = 0; I < std::size(Nested); ++I) {
    const size_t Line = static_cast<size_t>(At) + I;
    ASSERT_LT(Line, Log.Lines().size());
    EXPECT_EQ(Log.Lines()[Line].Text, Nested[I].Text);
    EXPECT_EQ(Log.Lines()[Line].Level, Nested[I].Level) << Nested[I].Text;
  }
}

TEST_F(MenuObject, FolderBackgroundGivesTheQuotedFolder) {
  TTempDir Folder;
  const std::string Path = Folder.Path();
  PIDLIST_ABSOLUTE Pidl = ILCreateFromPathA(Path.c_str());
  ASSERT_NE(Pidl, nullptr);
  char Expected[MAX_PATH] = {};
  ASSERT_TRUE(SHGetPathFromIDListA(Pidl, Expected));
  Prepare({});
  {
    TComPtr<IShellExtInit> Init = Create();
    ASSERT_TRUE(Init);
    EXPECT_EQ(Init->Initialize(Pidl, nullptr, nullptr), S_OK);
    HMENU Menu = CreatePopupMenu();
    EXPECT_EQ(Init.As<IContextMenu>()->QueryContextMenu(Menu, 0, 1, 2, CMF_NORMAL), S_OK);
    DestroyMenu(Menu);
  }
  ILFree(Pidl);
  ReadLog();
  EXPECT_EQ(LevelOf(ArgumentLine(1, "\"" + std::string(Expected) + "\\\"")), 1);
}

TEST_F(MenuObject, SecondInitializeReleasesTheFirstMedium) {
  Prepare({});
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({"C:\\a.txt"}));
  TTestDataObject* Refusing = new TTestDataObject();
  {
    TComPtr<IShellExtInit> Init = Create();
    ASSERT_TRUE(Init);
    ASSERT_EQ(Init->Initialize(nullptr, Data, nullptr), S_OK);
    EXPECT_EQ(Data->MediaAlive(), 1);
    ASSERT_EQ(Init->Initialize(nullptr, Data, nullptr), S_OK);
    EXPECT_EQ(Data->MediaAlive(), 1);
    ASSERT_EQ(Init->Initialize(nullptr, Refusing, nullptr), S_OK);
    EXPECT_EQ(Data->MediaAlive(), 0);
    ASSERT_EQ(Init->Initialize(nullptr, Data, nullptr), S_OK);
    EXPECT_EQ(Data->MediaAlive(), 1);
  }
  EXPECT_EQ(Data->MediaAlive(), 0);
  Data->Release();
  Refusing->Release();
}

TEST_F(MenuObject, LogGoesToTheRegisteredFolder) {
  TVelliskCopy Blank("vellisk log blank");
  ASSERT_TRUE(Blank.Copied());
  ASSERT_TRUE(Blank.WriteIni(DynamicItemsIni({}, "True")));
  ASSERT_EQ(Blank.Register(), S_OK);
  std::string Registered;
  ASSERT_TRUE(ReadString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + VelliskClassIDText + "\\InprocServer32", "",
                         Registered));
  ASSERT_NE(Registered, Blank.LibraryPath());  // the short form
  EXPECT_EQ(Create()->Initialize(nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(FileExistsA(Blank.LogPath()));
  EXPECT_FALSE(FileExistsA(Copy.LogPath()));
  EXPECT_EQ(Blank.Unregister(), S_OK);
}

TEST_F(MenuObject, WithoutRegistrationTheLogIsInTheCurrentFolder) {
  TTempDir Current;
  char Saved[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof(Saved), Saved);
  ASSERT_TRUE(SetCurrentDirectoryA(Current.Path().c_str()));
  ASSERT_TRUE(Copy.WriteIni(DynamicItemsIni({}, "True")));
  {
    TComPtr<IClassFactory> Factory;
    ASSERT_EQ(Copy.GetClassObject(VelliskClassID, IID_IClassFactory, Factory.OutVoid()), S_OK);
    TComPtr<IShellExtInit> Init;
    ASSERT_EQ(Factory->CreateInstance(nullptr, __uuidof(IShellExtInit), Init.OutVoid()), S_OK);
    EXPECT_EQ(Init->Initialize(nullptr, nullptr, nullptr), S_OK);
  }
  SetCurrentDirectoryA(Saved);
  EXPECT_TRUE(FileExistsA(Current.File("Vellisk.log")));
  EXPECT_FALSE(FileExistsA(Copy.LogPath()));
}

}  // namespace
