// Corvane.exe out of process, its INI file a folder: after the start-up warning that the menu items
// cannot be read, closing the window reports the failed write of its placement once, with one
// minidump and one report, and the program ends.
#include "tests/app/Driver.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

class UnwritableIniTest : public CorvaneCopyTest {};

TEST_F(UnwritableIniTest, ClosingReportsTheFailedPlacementWriteOnce) {
  const std::string Ini = Dir.File("Corvane.ini");
  ASSERT_TRUE(CreateDirectoryA(Ini.c_str(), nullptr));
  TProgram P(Program);
  // A folder cannot be read as menu items either: that warning comes at start-up, before the window.
  HWND StartBox = nullptr;
  for (const DWORD Since = GetTickCount(); !StartBox && P.Running() && GetTickCount() - Since < 60000; Sleep(50))
    StartBox = P.FindWindowOf("#32770");
  ASSERT_NE(StartBox, nullptr);
  Sleep(200);
  const TBoxText Warning = ReadBox(StartBox);
  EXPECT_EQ(Warning.Text.rfind("Cannot read menu items from file \"" + Ini + "\".", 0), 0u) << Warning.Text;
  PressButton(StartBox, IDOK);
  const HWND Main = P.WaitWindow("TfrmMain", 60000);
  ASSERT_NE(Main, nullptr);
  WaitForInputIdle(P.Process(), 10000);
  PostMessageA(Main, WM_CLOSE, 0, 0);
  // Each box the program shows is read and answered until it ends; the first report of a process
  // loads its symbols (seconds under Wine).
  std::vector<TBoxText> Boxes;
  HWND Answered = StartBox;
  const DWORD Start = GetTickCount();
  while (P.Running() && GetTickCount() - Start < 120000) {
    const HWND Box = P.FindWindowOf("#32770");
    if (Box && Box != Answered && IsWindow(Box)) {
      Sleep(200);
      Boxes.push_back(ReadBox(Box));
      PressButton(Box, IDOK);
      Answered = Box;
    }
    Sleep(20);
  }
  EXPECT_EQ(P.WaitExit(20000), 0);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text.rfind("Unable to write to " + Ini, 0), 0u) << Boxes[0].Text;
  std::vector<std::string> Dumps, Reports;
  const std::regex Dump(".*\\.dmp", std::regex::icase), Report(".*\\.dmp\\.txt", std::regex::icase);
  for (const std::string& Name : Dir.Names()) {
    if (std::regex_match(Name, Dump)) Dumps.push_back(Name);
    if (std::regex_match(Name, Report)) Reports.push_back(Name);
  }
  ASSERT_EQ(Dumps.size(), 1u);
  EXPECT_EQ(Reports, std::vector<std::string>{Dumps[0] + ".txt"});
}

}  // namespace
