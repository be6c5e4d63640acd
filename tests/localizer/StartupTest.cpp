// Start-up: a copy of the start-up child in a fresh folder with the language files written beside it,
// its boxes read and answered from outside.
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "resources/ResStrings.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const std::string Signature = "; Ostrel's Delphi Localizer Language File.";

std::string MessageBlock(const std::string& Text) {
  return Signature + "\r\n[RESOURCESTRINGS]\r\n" + std::to_string(SReadError) + "_SReadError='" + Text + "'\r\n";
}

struct TBox {
  std::string Caption, Text;
};

struct TFindBox {
  DWORD ProcessId;
  HWND Box;
};

BOOL CALLBACK FindBoxOf(HWND Window, LPARAM Param) noexcept {
  auto* Find = reinterpret_cast<TFindBox*>(Param);
  DWORD Pid = 0;
  GetWindowThreadProcessId(Window, &Pid);
  char ClassName[64] = {};
  GetClassNameA(Window, ClassName, sizeof(ClassName));
  if (Pid == Find->ProcessId && IsWindowVisible(Window) && std::string(ClassName) == "#32770") {
    Find->Box = Window;
    return FALSE;
  }
  return TRUE;
}

class StartupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.Valid());
    char Module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Module, sizeof(Module));
    Program = Dir.File("Corvane.exe");
    ASSERT_TRUE(CopyFileA((ExtractFilePath(Module) + "localizer_startup_child.exe").c_str(), Program.c_str(), FALSE));
  }

  // Runs the child with Locale, answers each of its boxes with OK, and reads its result.
  std::string Run(LCID Locale) {
    std::string Line = "\"" + Program + "\" " + std::to_string(Locale);
    STARTUPINFOA Startup{};
    Startup.cb = sizeof(Startup);
    PROCESS_INFORMATION Info{};
    if (!CreateProcessA(Program.c_str(), Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Startup, &Info))
      return "<not started>";
    const DWORD Start = GetTickCount();
    while (WaitForSingleObject(Info.hProcess, 50) == WAIT_TIMEOUT) {
      if (GetTickCount() - Start > 20000) {
        TerminateProcess(Info.hProcess, 1);
        WaitForSingleObject(Info.hProcess, 5000);
        break;
      }
      TFindBox Find{Info.dwProcessId, nullptr};
      EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&Find));
      if (Find.Box == nullptr) continue;
      char Buffer[4096] = {};
      TBox Box;
      GetWindowTextA(Find.Box, Buffer, sizeof(Buffer));
      Box.Caption = Buffer;
      GetDlgItemTextA(Find.Box, 0xFFFF, Buffer, sizeof(Buffer));
      Box.Text = Buffer;
      Boxes.push_back(Box);
      PostMessageA(Find.Box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      // Wait until the box is gone before looking for the next one.
      for (int I = 0; I < 100 && IsWindow(Find.Box); ++I) Sleep(20);
    }
    CloseHandle(Info.hThread);
    CloseHandle(Info.hProcess);
    return FileBytesOr(Dir.File("result.txt"), "<no result>");
  }

  static std::string Result(const std::string& File, bool Translate, int Reporting, const std::string& Text) {
    return "file=" + File + "\ntranslate=" + std::to_string(Translate) + "\nreporting=" + std::to_string(Reporting) +
           "\ntext=" + Text + "\n";
  }

  TTempDir Dir{"corvane_startup"};
  std::string Program;
  std::vector<TBox> Boxes;
};

}  // namespace

TEST_F(StartupTest, LocaleFileBeforeNeutralFile) {
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.1049.lng"), MessageBlock("Otmena")));
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.lng"), MessageBlock("Abbrechen")));
  EXPECT_EQ(Run(1049), Result(Dir.File("Corvane.1049.lng"), true, 1, "Otmena"));
  EXPECT_EQ(Run(1033), Result(Dir.File("Corvane.lng"), true, 1, "Abbrechen"));
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(StartupTest, OnlyAnotherLocalesFile) {
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.1049.lng"), MessageBlock("Otmena")));
  EXPECT_EQ(Run(1033), Result("", false, 0, DefaultResStringLoader(SReadError)));
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(StartupTest, FaultIsShownAndStartUpGoesOn) {
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.lng"), Signature + " \r\n[TfrmMain]\r\nbtnCancel.Caption='x'\r\n"));
  EXPECT_EQ(Run(1033), Result("", true, 1, DefaultResStringLoader(SReadError)));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "Q.T.R. Error");
  EXPECT_EQ(Boxes[0].Text, "Bad signature in language file \"" + Dir.File("Corvane.lng") + "\"");
}

TEST_F(StartupTest, DecoderFaultIsOneBox) {
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.lng"), Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='abc\r\n"));
  EXPECT_EQ(Run(1033), Result("", true, 1, DefaultResStringLoader(SReadError)));
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Text, "Error while loading language file \"" + Dir.File("Corvane.lng") +
                               "\"\r\nBad decoded string: \"'abc\"");
}
