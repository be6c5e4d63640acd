// Corvane.exe out of process with crash reporting running: a start and close leave no crash file,
// and an error reaching the main window is shown with the "Internal Application Problem" report and
// the minidump written for it.
#include "model/ShellExtReg.h"
#include "tests/app/Driver.h"
#include "tests/support/Files.h"
#include "tests/support/Minidump.h"

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

class CrashReportTest : public CorvaneCopyTest {
protected:
  // Names of crash files (dumps and their reports) in the program's folder.
  std::vector<std::string> CrashFiles() const {
    std::vector<std::string> Result;
    const std::regex Crash(".*\\.dmp(\\.txt)?", std::regex::icase);
    for (const std::string& Name : Dir.Names())
      if (std::regex_match(Name, Crash)) Result.push_back(Name);
    return Result;
  }
  // The first child of Parent whose text is Text; nullptr when none.
  static HWND FindChild(HWND Parent, const std::string& Text) {
    TFindChild Find{&Text, nullptr};
    EnumChildWindows(Parent, FindChildProc, reinterpret_cast<LPARAM>(&Find));
    return Find.Found;
  }
  struct TFindChild {
    const std::string* Text;
    HWND Found;
  };
  static BOOL CALLBACK FindChildProc(HWND Wnd, LPARAM Param) noexcept {
    auto* F = reinterpret_cast<TFindChild*>(Param);
    char Buffer[256] = {};
    GetWindowTextA(Wnd, Buffer, sizeof(Buffer));
    if (*F->Text != Buffer) return TRUE;
    F->Found = Wnd;
    return FALSE;
  }
  // Waits up to Ms for a message box of P other than Except.
  static HWND WaitBox(const TProgram& P, HWND Except, DWORD Ms) {
    const DWORD Start = GetTickCount();
    while (GetTickCount() - Start < Ms && P.Running()) {
      const HWND Box = P.FindWindowOf("#32770");
      if (Box && Box != Except && IsWindow(Box)) return Box;
      Sleep(20);
    }
    return nullptr;
  }
};

TEST_F(CrashReportTest, StartAndCloseLeaveNoCrashFile) {
  TProgram P(Program);
  const HWND Main = P.WaitWindow("TfrmMain", 60000);
  ASSERT_NE(Main, nullptr);
  WaitForInputIdle(P.Process(), 10000);
  EXPECT_EQ(P.CloseWindow(Main), 0);
  EXPECT_EQ(CrashFiles(), std::vector<std::string>{});
}

TEST_F(CrashReportTest, FailedRegistrationIsShownWithTheReportAndDumped) {
  // Checking the box registers the extension; with the class registered it would unregister.
  ASSERT_FALSE(IsShellExtRegistered()) << "the prefix has the shell extension's class registered";
  TProgram P(Program);
  const HWND Main = P.WaitWindow("TfrmMain", 60000);
  ASSERT_NE(Main, nullptr);
  WaitForInputIdle(P.Process(), 10000);
  const HWND Check = FindChild(Main, "Enable &Dynamic Items");
  ASSERT_NE(Check, nullptr);
  ASSERT_EQ(SendMessageA(Check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PostMessageA(Check, BM_CLICK, 0, 0);

  const HWND Important = WaitBox(P, nullptr, 20000);
  ASSERT_NE(Important, nullptr);
  EXPECT_EQ(ReadBox(Important).Text.rfind("IMPORTANT: ", 0), 0u) << ReadBox(Important).Text;
  PressButton(Important, IDOK);
  // The first report of the process loads its symbols: seconds under Wine.
  const HWND Stop = WaitBox(P, Important, 120000);
  ASSERT_NE(Stop, nullptr);
  Sleep(300);
  SaveScreen("app_box_internal_problem");
  const TBoxText Box = ReadBox(Stop);
  PressButton(Stop, IDOK);

  // Vellisk.DLL is not in the program's folder.
  const std::string M = "Failed to load \"" + Dir.File("Vellisk.DLL") + "\"";
  const std::regex DumpName("Corvane[0-9]{15}\\.dmp");
  std::vector<std::string> Dumps;
  for (const std::string& Name : CrashFiles())
    if (std::regex_match(Name, DumpName)) Dumps.push_back(Name);
  EXPECT_EQ(Box.Caption, "Corvane 2007");
  ASSERT_EQ(Dumps.size(), 1u);
  EXPECT_EQ(CrashFiles(), (std::vector<std::string>{Dumps[0], Dumps[0] + ".txt"}));
  const std::string Header = M + "\r\nInternal Application Problem\r\n"
                                 "We are sorry for inconvenience, but the application has encountered an unexpected "
                                 "error.\r\nThe following details are the part of the event:\r\nException: " +
                             M + "\r\n\r\n" + Dumps[0] + "\r\n";
  ASSERT_EQ(Box.Text.substr(0, Header.size()), Header) << Box.Text;
  // The stack: one line per frame, then the format's own line end.
  std::string Trace = Box.Text.substr(Header.size());
  ASSERT_GE(Trace.size(), 2u);
  EXPECT_EQ(Trace.substr(Trace.size() - 2), "\r\n");
  Trace.resize(Trace.size() - 2);
  const std::regex Frames("([0-9A-F]+: [^ \r\n]* - [^\r\n]*\r\n)+(\\([0-9]+ more frames not shown\\)\r\n)?");
  EXPECT_TRUE(std::regex_match(Trace, Frames)) << Trace;
  // From the thrower through the check box's handler and the message loop, in the main block's guard
  // frame, down to WinMain; a box that fits the screen may leave the lower frames out.
  const bool Cut = Trace.find(" more frames not shown)") != std::string::npos;
  std::string Expected;
  const char* const Order[] = {"RegisterServer", "TfrmMain::chkShellExtClick", "TApplication::Run",
                               "sehguard_detail::Enter", "WinMain"};
  for (size_t I = 0; I < std::size(Order); ++I) {
    const std::string Line = std::string(I == 0 ? "" : "[^]*") + "[0-9A-F]+: Corvane\\.exe - " + Order[I] + "\r\n";
    Expected += Cut && I >= 2 ? "(?:" + Line + ")?" : Line;
  }
  const std::regex ProgramFrame(Expected + "[^]*");
  EXPECT_TRUE(std::regex_match(Trace, ProgramFrame)) << Trace;

  const std::string DumpFile = Dir.File(Dumps[0]);
  EXPECT_EQ(FileBytesOr(DumpFile, "").substr(0, 4), "MDMP");
  EXPECT_EQ(DumpExceptionCode(DumpFile), 0x0EEDFADEu);
  EXPECT_EQ(FileBytesOr(DumpFile + ".txt", ""), "Exception: " + M + "\r\nDelphi Exception\r\n");

  // The program goes on: the box shows what the registry holds, and it closes as usual.
  WaitForInputIdle(P.Process(), 10000);
  EXPECT_EQ(SendMessageA(Check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(P.CloseWindow(Main), 0);
}

}  // namespace
