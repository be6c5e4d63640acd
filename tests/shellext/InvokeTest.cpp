// Choosing an item: the argument list put into the parameters, the command line and arguments
// that reach the started program (a recorder child), the error box for a program that cannot be
// started, and the requests that start nothing.
#include "tests/shellext/MenuFixture.h"

#include "tests/helpers/MessageBoxWatcher.h"

#include <string>
#include <vector>

using namespace shellhost;

namespace {

using TArgs = std::vector<std::string>;

// Offsets of the items that SetUp's INI file defines.
enum : UINT { Default, Twice, Fixed, Stripped, Busy, Missing, Sub, InSub, Separator, ItemCount };

class MenuInvoke : public MenuTest {
protected:
  void SetUp() override {
    MenuTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(Recorder.Copied());
    ASSERT_NE(Recorder.Path().find(' '), std::string::npos);
    One = Files.File("one.txt");
    Two = Files.File("two words.txt");
    Three = Files.File("three more words.txt");
    for (const std::string& F : {One, Two, Three}) ASSERT_TRUE(WriteFileText(F, "x"));
    ASSERT_EQ(One.find(' '), std::string::npos);
    Key = NewClass("Invoke", Class);
    ASSERT_NE(Key, nullptr);
    const std::string App = Recorder.Path();
    TMenuIni Ini;
    Ini.Add({{"Caption", "Default"}, {"Application", App}, {"FileType", Class}});
    Ini.Add({{"Caption", "Twice"}, {"Application", App}, {"Parameters", "-a %1 -b \"%1\""}, {"FileType", Class}});
    Ini.Add({{"Caption", "Fixed"}, {"Application", App}, {"Parameters", "fixed \"a b\" \\x"}, {"FileType", Class}});
    // Read back without its enclosing quotes, as the INI engine reads every value.
    Ini.Add({{"Caption", "Stripped"}, {"Application", App}, {"Parameters", "\"%1\""}, {"FileType", Class}});
    Ini.Add({{"Caption", "Busy"}, {"Application", App}, {"Parameters", "--busy %1"}, {"FileType", Class}});
    Ini.Add({{"Caption", "Missing"}, {"Application", Files.File("missing.exe")}, {"FileType", Class}});
    Ini.Add({{"Caption", "Sub"}, {"Application", App}, {"Submenu", "1"}, {"FileType", Class}});
    Ini.Add({{"Parent", "7"}, {"Caption", "In sub"}, {"Application", App}, {"FileType", Class}});
    Ini.Add({{"IsSeparator", "1"}, {"FileType", Class}});
    Ini.Set("Debug Options", "DebugLogging", "True");
    Prepare(Ini);
  }

  // A menu for the selection, built.
  TComPtr<IContextMenu3> Build(IDataObject* Data, PCIDLIST_ABSOLUTE Folder = nullptr) {
    TComPtr<IContextMenu3> Menu = Open(Key, Data, Folder);
    if (Menu) {
      EXPECT_EQ(Menu->QueryContextMenu(Shell, 0, 1, 1000, CMF_NORMAL), CountResult(ItemCount));
    }
    return Menu;
  }

  HRESULT Invoke(IContextMenu3* Menu, UINT Offset, int Show = SW_SHOWNORMAL) {
    CMINVOKECOMMANDINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.lpVerb = MAKEINTRESOURCEA(Offset);
    Info.nShow = Show;
    return Menu->InvokeCommand(&Info);
  }

  // Invokes Offset and reads what the recorder was started with.
  TRecord Started(IContextMenu3* Menu, UINT Offset, int Show = SW_SHOWNORMAL) {
    Recorder.Clear();
    EXPECT_EQ(Invoke(Menu, Offset, Show), S_OK);
    TRecord Record;
    EXPECT_TRUE(Recorder.Read(Record)) << "not started";
    Recorder.WaitForEnd();
    return Record;
  }

  TTempDir Files{"vellisk_files"};
  TRecorder Recorder;
  std::string One, Two, Three, Class;
  HKEY Key = nullptr;
  TPopupMenu Shell;
};

TEST_F(MenuInvoke, SelectionsReachTheProgramWhole) {
  const std::string App = "\"" + Recorder.Path() + "\" ";
  const std::string Folder = Files.Path();
  TTestDataObject* OneFile = new TTestDataObject();
  OneFile->Answer(CF_HDROP, S_OK, HDropData({One}));
  TTestDataObject* TwoFiles = new TTestDataObject();
  TwoFiles->Answer(CF_HDROP, S_OK, HDropData({Two, Three}));
  TTestDataObject* Blank = new TTestDataObject();
  Blank->Answer(CF_HDROP, S_OK, HDropData({Two}));
  TTestDataObject* Nothing = new TTestDataObject();
  PIDLIST_ABSOLUTE Pidl = ILCreateFromPathA(Folder.c_str());
  ASSERT_NE(Pidl, nullptr);
  char Path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetPathFromIDListA(Pidl, Path));
  const std::string Background = std::string(Path) + "\\";

  const struct {
    const char* Title;
    IDataObject* Data;
    PCIDLIST_ABSOLUTE Folder;
    UINT Offset;
    std::string CommandLine;  // empty: not compared
    TArgs Args;
  } Cases[] = {
      {"one file", OneFile, nullptr, Default, App + "\"" + One + "\"", {One}},
      {"one file, %1 twice", OneFile, nullptr, Twice, App + "-a " + One + " -b \"" + One + "\"", {"-a", One, "-b", One}},
      {"one file, no %1", OneFile, nullptr, Fixed, App + "fixed \"a b\" \\x", {"fixed", "a b", "\\x"}},
      {"one file, stripped quotes", OneFile, nullptr, Stripped, App + One, {One}},
      {"one file, in a submenu", OneFile, nullptr, InSub, App + "\"" + One + "\"", {One}},
      {"two files with blanks", TwoFiles, nullptr, Default, App + "\"" + Two + "\" \"" + Three + "\"", {Two, Three}},
      {"two files, %1 twice", TwoFiles, nullptr, Twice, "", {"-a", Two, Three, "-b", Two, Three}},
      {"two files, stripped quotes", TwoFiles, nullptr, Stripped, "", {Two, Three}},
      {"one name with a blank", Blank, nullptr, Default, App + "\"" + Two + "\"", {Two}},
      {"folder background", nullptr, Pidl, Default, App + "\"" + Background + "\\\"", {Background}},
      {"folder background, %1 twice", nullptr, Pidl, Twice, "", {"-a", Background, "-b", Background}},
      {"folder background, stripped quotes", nullptr, Pidl, Stripped, "", {Background}},
      {"nothing rendered", Nothing, nullptr, Default, App + "\"\"", {""}},
      {"nothing rendered, %1 twice", Nothing, nullptr, Twice, App + "-a  -b \"\"", {"-a", "-b", ""}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Title);
    TComPtr<IContextMenu3> Menu = Build(C.Data, C.Folder);
    ASSERT_TRUE(Menu);
    const TRecord Record = Started(Menu.Get(), C.Offset, SW_SHOWMINNOACTIVE);
    if (!C.CommandLine.empty()) {
      EXPECT_EQ(Record.CommandLine, C.CommandLine);
    }
    EXPECT_EQ(Record.Arguments, C.Args) << Record.CommandLine;
    EXPECT_EQ(Record.Show, SW_SHOWMINNOACTIVE);
    EXPECT_EQ(Record.Flags & (STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK),
              static_cast<DWORD>(STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK));
  }
  ILFree(Pidl);
  for (TTestDataObject* D : {OneFile, TwoFiles, Blank, Nothing}) D->Release();

  // The log is the last object's.
  ReadLog();
  EXPECT_TRUE(Log.Contains("Call to ProcessExecute(CommandLine=\"" + Recorder.Path() + "\", Arguments=\"" + App +
                           "-a  -b \"\"\", cShow=" + std::to_string(SW_SHOWMINNOACTIVE) + ")"));
  EXPECT_TRUE(Log.Contains("ProcessExecute: EXITING, Result=0"));
}

TEST_F(MenuInvoke, AProgramThatCannotStartShowsTheErrorBox) {
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({Two}));
  const std::string List = "\"" + Two + "\"";
  // The error that starting the same command line gives.
  const std::string Program = Files.File("missing.exe");
  std::string Line = "\"" + Program + "\" \"" + Two + "\"";
  STARTUPINFOA Startup{};
  Startup.cb = sizeof(Startup);
  PROCESS_INFORMATION Process{};
  ASSERT_FALSE(CreateProcessA(Program.c_str(), Line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                              nullptr, &Startup, &Process));
  const DWORD Error = GetLastError();
  const std::string Expected = "Error executing application: " + SystemText(Error) + " (" + std::to_string(Error) +
                               ")\r\nInvoking: " + List + "\r\n";
  {
    TComPtr<IContextMenu3> Menu = Build(Data);
    ASSERT_TRUE(Menu);
    TMessageBoxWatcher Watcher(IDOK);
    ASSERT_TRUE(Watcher.Installed());
    EXPECT_EQ(Invoke(Menu.Get(), Missing), S_OK);
    // Without a display no box can be shown, and this test fails.
    ASSERT_EQ(Watcher.Seen, 1) << "no message box: is there a display?";
    EXPECT_EQ(Watcher.Caption, "Corvane");
    EXPECT_EQ(Watcher.Text, Expected);
  }
  Data->Release();
  ReadLog();
  // The message's line breaks break the log line.
  EXPECT_TRUE(Log.Contains("InvokeCommand: displaying error box, errorStr=\"Error executing application: " +
                           SystemText(Error) + " (" + std::to_string(Error) + ")"));
  EXPECT_TRUE(Log.Contains("ProcessExecute: EXITING, Result=" + std::to_string(Error)));
  EXPECT_TRUE(Log.Contains("InvokeCommand: EXITING, Result=0"));
}

TEST_F(MenuInvoke, RequestsThatStartNothing) {
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({One}));
  {
    TComPtr<IContextMenu3> Menu = Build(Data);
    ASSERT_TRUE(Menu);
    Recorder.Clear();
    const struct {
      const char* Title;
      UINT Offset;
    } Offsets[] = {{"submenu", Sub}, {"separator", Separator}, {"past the last", ItemCount}, {"offset 256", 256},
                   {"offset 300", 300}};
    for (const auto& O : Offsets) {
      SCOPED_TRACE(O.Title);
      EXPECT_EQ(Invoke(Menu.Get(), O.Offset), E_FAIL);
    }
    CMINVOKECOMMANDINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.lpVerb = "open";
    Info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(Menu->InvokeCommand(&Info), E_FAIL);
    EXPECT_EQ(Menu->InvokeCommand(nullptr), E_FAIL);
    Sleep(300);
    EXPECT_FALSE(Recorder.Started());
  }
  Data->Release();
}

// A program that never waits for input holds the caller for at most five seconds.
TEST_F(MenuInvoke, ABusyProgramHoldsTheCallerForFiveSecondsAtMost) {
  TTestDataObject* Data = new TTestDataObject();
  Data->Answer(CF_HDROP, S_OK, HDropData({One}));
  {
    TComPtr<IContextMenu3> Menu = Build(Data);
    ASSERT_TRUE(Menu);
    Recorder.Clear();
    const DWORD Start = GetTickCount();
    EXPECT_EQ(Invoke(Menu.Get(), Busy), S_OK);
    const DWORD Elapsed = GetTickCount() - Start;
    TRecord Record;
    ASSERT_TRUE(Recorder.Read(Record, 0));
    EXPECT_EQ(Record.Arguments, (TArgs{"--busy", One}));
    Recorder.WaitForEnd(0);  // ends it
    EXPECT_GE(Elapsed, 4500u);
    EXPECT_LT(Elapsed, 15000u);
  }
  Data->Release();
}

}  // namespace
