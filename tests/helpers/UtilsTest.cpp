// The model's common utilities that reach the system: links through the shell seam, version strings,
// icons, folders, the search path, fonts, streams, the message box and the shared message texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "model/Utils.h"
#include "resources/strings/Utils.h"
#include "tests/helpers/MessageBoxWatcher.h"

namespace {

std::string ModulePath() {
  std::vector<char> Buffer(32768);
  const DWORD Len = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
  return std::string(Buffer.data(), Len);
}

std::string CurrentFolder() {
  const DWORD Size = GetCurrentDirectoryA(0, nullptr);
  std::string Result(Size, '\0');
  Result.resize(GetCurrentDirectoryA(Size, Result.data()));
  return Result;
}

// What the shell would have been asked to open.
struct TShellCall {
  int Count = 0;
  HWND Owner = nullptr;
  std::string Operation, FileName, Folder;
  int ShowCmd = 0;
};
TShellCall Recorded;
INT_PTR ShellAnswer = 42;

INT_PTR RecordShellOpen(HWND Owner, const std::string& Operation, const std::string& FileName, int ShowCmd) {
  ++Recorded.Count;
  Recorded.Owner = Owner;
  Recorded.Operation = Operation;
  Recorded.FileName = FileName;
  Recorded.ShowCmd = ShowCmd;
  Recorded.Folder = CurrentFolder();
  return ShellAnswer;
}

class OpenLinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    FFolder = CurrentFolder();
    Recorded = TShellCall();
    ShellAnswer = 42;
    FPrevious = SetShellOpenProc(RecordShellOpen);
    // Start somewhere else than the program's folder.
    char Temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(Temp), Temp);
    SetCurrentDirectoryA(Temp);
  }
  void TearDown() override {
    SetShellOpenProc(FPrevious);
    SetCurrentDirectoryA(FFolder.c_str());
  }
  static std::string ProgramFolder() { return ExcludeTrailingPathDelimiter(ExtractFilePath(ModulePath())); }

private:
  std::string FFolder;
  TShellOpenProc FPrevious = nullptr;
};

TEST_F(OpenLinkTest, MailAddress) {
  OpenLink("a@b.c");
  EXPECT_EQ(Recorded.Count, 1);
  EXPECT_EQ(Recorded.FileName, "mailto:a@b.c?subject=Corvane 2007");
  EXPECT_EQ(Recorded.Operation, "open");
  EXPECT_EQ(Recorded.ShowCmd, SW_SHOWNORMAL);
  EXPECT_TRUE(SameText(Recorded.Folder, ProgramFolder())) << Recorded.Folder;
}

TEST_F(OpenLinkTest, FilesAndAddresses) {
  struct TCase {
    const char *Target, *Opened;
  };
  const TCase Cases[] = {
      {"log.txt", "log.txt"},  // opened from the program's folder
      {"http://example.org/page", "http://example.org/page"},
      {"mailto:x@y", "mailto:mailto:x@y?subject=Corvane 2007"},  // any "@" makes a mail link
      {"", ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Target);
    Recorded = TShellCall();
    OpenLink(C.Target);
    EXPECT_EQ(Recorded.Count, 1);
    EXPECT_EQ(Recorded.FileName, C.Opened);
    EXPECT_TRUE(SameText(Recorded.Folder, ProgramFolder())) << Recorded.Folder;
  }
}

TEST_F(OpenLinkTest, ShellFailures) {
  // Answers below 33 are errors, with the system's text for the answer.
  for (INT_PTR Answer : {0, 2, 3, 5, 8, 26, 31, 32}) {
    SCOPED_TRACE(Answer);
    ShellAnswer = Answer;
    std::string Message = "(nothing raised)";
    try {
      OpenLink("log.txt");
    } catch (const Exception& E) {
      Message = E.Message();
    }
    EXPECT_EQ(Message, "Error redirecting to link (" + SysErrorMessage(static_cast<DWORD>(Answer)) + ")");
  }
  for (INT_PTR Answer : {33, 34, 1000}) {
    ShellAnswer = Answer;
    EXPECT_NO_THROW(OpenLink("log.txt")) << Answer;
  }
}

TEST(Utils, VersionStrings) {
  const std::string Library = ExtractFilePath(ModulePath()) + "helpers_version.dll";
  ASSERT_TRUE(FileExists(Library));
  TVersionStrings Info;
  Info.FileDescription = "junk";
  EXPECT_TRUE(GetFileVersionStrings(Library, Info));
  EXPECT_TRUE(Info.Found);
  // The first translation (English), not the first block (German).
  EXPECT_EQ(Info.FileDescription, "Test library with version strings");
  EXPECT_EQ(Info.ProductName, "Corvane Test");
  EXPECT_EQ(Info.CompanyName, "Corvane Test Company");
  EXPECT_EQ(Info.FileVersion, "1.2.3.4");

  // Without a version block everything is empty; so for a missing file.
  for (const std::string& Name : {ModulePath(), ExtractFilePath(ModulePath()) + "missing.dll"}) {
    SCOPED_TRACE(Name);
    Info.FileDescription = Info.ProductName = Info.CompanyName = Info.FileVersion = "junk";
    Info.Found = true;
    EXPECT_FALSE(GetFileVersionStrings(Name, Info));
    EXPECT_FALSE(Info.Found);
    EXPECT_EQ(Info.FileDescription + Info.ProductName + Info.CompanyName + Info.FileVersion, "");
  }
}

SIZE IconSize(HICON Icon) {
  ICONINFO Info{};
  SIZE Result{};
  if (!GetIconInfo(Icon, &Info)) return Result;
  BITMAP Bitmap{};
  GetObjectA(Info.hbmColor != nullptr ? Info.hbmColor : Info.hbmMask, sizeof(Bitmap), &Bitmap);
  Result.cx = Bitmap.bmWidth;
  Result.cy = Info.hbmColor != nullptr ? Bitmap.bmHeight : Bitmap.bmHeight / 2;
  if (Info.hbmColor != nullptr) DeleteObject(Info.hbmColor);
  if (Info.hbmMask != nullptr) DeleteObject(Info.hbmMask);
  return Result;
}

TEST(Utils, ExtractIcons) {
  const std::string Shell = "shell32.dll";
  HICON Large = nullptr, Small = nullptr;
  ASSERT_GT(ExtractIconExA(Shell.c_str(), 0, &Large, &Small, 1), 0u);
  const SIZE LargeSize = IconSize(Large), SmallSize = IconSize(Small);
  DestroyIcon(Large);
  DestroyIcon(Small);
  ASSERT_NE(LargeSize.cx, SmallSize.cx);

  for (bool WantSmall : {false, true}) {
    SCOPED_TRACE(WantSmall);
    const HICON Icon = ExtractIconHandle(Shell, 0, WantSmall);
    ASSERT_NE(Icon, nullptr);
    EXPECT_EQ(IconSize(Icon).cx, (WantSmall ? SmallSize : LargeSize).cx);
    DestroyIcon(Icon);
    const HICON Checked = ExtractIconChecked(Shell, 0, WantSmall);
    ASSERT_NE(Checked, nullptr);
    EXPECT_EQ(IconSize(Checked).cx, (WantSmall ? SmallSize : LargeSize).cx);
    DestroyIcon(Checked);
  }

  // A missing file and an index beyond the file's icons give nothing.
  const std::string Missing = ExtractFilePath(ModulePath()) + "no such file.ico";
  const UINT IconCount = ExtractIconExA(Shell.c_str(), -1, nullptr, nullptr, 0);
  for (const auto& [File, Index] : {std::pair<std::string, int>{Missing, 0}, {Shell, static_cast<int>(IconCount) + 100}}) {
    SCOPED_TRACE(File + " #" + std::to_string(Index));
    EXPECT_EQ(ExtractIconHandle(File, Index, false), nullptr);
    std::string Message = "(nothing raised)";
    try {
      DestroyIcon(ExtractIconChecked(File, Index, true));
    } catch (const Exception& E) {
      Message = E.Message();
    }
    EXPECT_EQ(Message, "Error extracting icon from file");
  }
}

TEST(Utils, WindowsFolder) {
  char Buffer[MAX_PATH * 2] = {};
  const UINT Len = GetWindowsDirectoryA(Buffer, sizeof(Buffer));
  ASSERT_GT(Len, 0u);
  EXPECT_EQ(GetWindowsFolder(), IncludeTrailingPathDelimiter(std::string(Buffer, Len)));
  EXPECT_EQ(GetWindowsFolder().back(), '\\');
}

TEST(Utils, FileExistsOnPath) {
  // This program imports shlwapi, so the search was taken at start-up.
  ASSERT_NE(GetModuleHandleA("shlwapi.dll"), nullptr);
  ASSERT_TRUE(PathSearchAvailable());
  const auto FoundOnPath = [](const std::string& Name) {
    char Buffer[MAX_PATH + 1] = {};
    Name.copy(Buffer, MAX_PATH);
    return PathFindOnPathA(Buffer, nullptr) != FALSE;
  };
  for (const char* Name : {"notepad.exe", "regedit.exe", "kernel32.dll", "no_such_program_anywhere.exe"}) {
    SCOPED_TRACE(Name);
    EXPECT_EQ(FileExistsOnPath(Name), FoundOnPath(Name));
  }
  EXPECT_FALSE(FileExistsOnPath("no_such_program_anywhere.exe"));
  // A full name is answered as the search answers it.
  EXPECT_EQ(FileExistsOnPath(ModulePath()), FoundOnPath(ModulePath()));
  // Names too long for the search are tested as named.
  EXPECT_FALSE(FileExistsOnPath("C:\\" + std::string(400, 'x') + ".exe"));
}

TEST(Utils, MessageFont) {
  NONCLIENTMETRICSA Metrics{};
  Metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, Metrics.cbSize, &Metrics, 0));
  const std::unique_ptr<TFont> Font = CreateMessageFont();
  ASSERT_NE(Font, nullptr);
  EXPECT_EQ(Font->Name(), Metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(Font->Height(), Metrics.lfMessageFont.lfHeight);
  LOGFONTA Made{};
  ASSERT_EQ(GetObjectA(Font->Handle(), sizeof(Made), &Made), static_cast<int>(sizeof(Made)));
  EXPECT_STREQ(Made.lfFaceName, Metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(Made.lfHeight, Metrics.lfMessageFont.lfHeight);
  EXPECT_EQ(Made.lfWeight, Metrics.lfMessageFont.lfWeight);
  EXPECT_EQ(Made.lfCharSet, Metrics.lfMessageFont.lfCharSet);
}

TEST(Utils, WriteStringToStream) {
  TStringStream Stream("head:");
  Stream.Seek(0, soFromEnd);
  const std::string Text("a\0b\xFF", 4);
  WriteStringToStream(Stream, Text);
  WriteStringToStream(Stream, "");
  EXPECT_EQ(Stream.DataString(), "head:" + Text);  // no terminator, no length
  EXPECT_EQ(Stream.Position(), 9);
}

TEST(Utils, ShowMessageBox) {
  TMessageBoxWatcher Watcher(IDNO);
  ASSERT_TRUE(Watcher.Installed());
  EXPECT_EQ(ShowMessageBox("Delete it?", "Corvane test", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(Watcher.Seen, 1);
  EXPECT_EQ(Watcher.Text, "Delete it?");
  EXPECT_EQ(Watcher.Caption, "Corvane test");
}

// The shared message texts, as the string table gives them in the system's code page.
std::string Ansi(const std::wstring& S) {
  const int Len = WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
  std::string Result(static_cast<size_t>(Len), '\0');
  WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), Result.data(), Len, nullptr, nullptr);
  return Result;
}

TEST(Utils, SharedMessageTexts) {
  const std::string Bullet = Ansi(L"\u2022");
  struct TCase {
    int Ident;
    std::string Text;
  };
  const TCase Cases[] = {
      {SDeleteMenuItem, "Delete menu item?"},
      {SDeleteAllMenuItems, "Delete all menu items?"},
      {SNoIconsInFile, "There are no icons in the specified file."},
      {SApplyChangesBeforeExit,
       "Changes to menu items were made. Do you want to apply them before exit?\r\n\r\n" + Bullet +
           " Select \"Yes\" to apply changes before exit,\r\n" + Bullet + " Select \"No\" to discard changes, or\r\n" +
           Bullet + " Select \"Cancel\" to continue your work with Corvane."},
      {SViewLoadErrorLog,
       "There were some errors while loading menu items. Error log saved to \"log.txt\".\r\nDo you want to view the "
       "error log?\r\n\r\n" + Bullet + " Click \"Yes\" to view the error log;\r\n" + Bullet +
           " Click \"No\" to continue loading."},
      {SErrorLoadingIcon, "Error loading icon from specified file"},
      {SClearAllMenuItems, "Clear all the existing menu items to start from nothing?"},
      {SRevertMenuStructure, "Revert to the last saved version of menu structure?"},
      {SNoneText, "<none>"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Ident);
    EXPECT_EQ(LoadResString(C.Ident), C.Text);
  }
}

}  // namespace
