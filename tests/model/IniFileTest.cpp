// TIniFile: the profile API's answers read from memory, writes through the profile API, and the
// typed reads of the INI base class.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "classlib/core/Classes.h"
#include "classlib/core/IniFiles.h"
#include "classlib/core/ResStrings.h"
#include "resources/strings/IniFiles.h"
#include "tests/model/IniTestFiles.h"

namespace {

TEST(IniFileTest, RoundTrip) {
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  std::string File = Dir.File("profile.ini");
  {
    TIniFile Ini(File);
    Ini.WriteString("First", "name", "value");
    Ini.WriteInteger("First", "count", -7);
    Ini.WriteBool("First", "flag", true);
    Ini.WriteString("Second", "hex", "0x10");
    Ini.WriteString("Second", "gone", "1");
    Ini.WriteString("Third", "x", "1");
    Ini.UpdateFile();
  }
  TIniFile Ini(File);
  EXPECT_EQ(Ini.FileName(), File);
  EXPECT_EQ(Ini.ReadString("first", "NAME", "d"), "value");
  EXPECT_EQ(Ini.ReadString("First", "missing", "d"), "d");
  EXPECT_EQ(Ini.ReadInteger("First", "count", 0), -7);
  EXPECT_EQ(Ini.ReadInteger("Second", "hex", 0), 16);
  EXPECT_EQ(Ini.ReadInteger("First", "name", 3), 3);
  EXPECT_TRUE(Ini.ReadBool("First", "flag", false));

  Ini.DeleteKey("Second", "gone");
  Ini.EraseSection("Third");
  TStringList List;
  Ini.ReadSections(List);
  EXPECT_EQ(List.Text(), "First\r\nSecond\r\n");
  Ini.ReadSection("First", List);
  EXPECT_EQ(List.Text(), "name\r\ncount\r\nflag\r\n");
  Ini.ReadSectionValues("Second", List);
  EXPECT_EQ(List.Text(), "hex=0x10\r\n");
  EXPECT_TRUE(Ini.SectionExists("First"));
  EXPECT_FALSE(Ini.SectionExists("Third"));
  EXPECT_TRUE(Ini.ValueExists("First", "count"));
  EXPECT_FALSE(Ini.ValueExists("Second", "gone"));

  // Long values come back whole.
  std::string Long(5000, 'v');
  Ini.WriteString("Long", "k", Long);
  EXPECT_EQ(Ini.ReadString("Long", "k", ""), Long);
}

TEST(IniFileTest, FailedWriteRaises) {
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  std::string File = Dir.File("no such folder\\x.ini");
  ASSERT_FALSE(WritePrivateProfileStringA("S", "k", "v", File.c_str()));  // the write really fails
  TIniFile Ini(File);
  try {
    Ini.WriteString("S", "k", "v");
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& Error) {
    EXPECT_EQ(Error.Message(), Format(LoadResString(SIniFileWriteError), {File}));
  }
}

// The first read takes the file: a change made behind the object's back is not seen until the
// object writes, after which it reads the file as it now is.
TEST(IniFileTest, ReadsComeFromTheFileAsFirstRead) {
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  std::string File = Dir.File("memory.ini");
  ASSERT_TRUE(WriteBytes(File, "[S]\r\nk=old\r\n"));
  TIniFile Ini(File);
  EXPECT_EQ(Ini.ReadString("S", "k", ""), "old");
  ASSERT_TRUE(WriteBytes(File, "[S]\r\nk=changed behind its back\r\nj=1\r\n"));
  char Buffer[64];
  DWORD Len = GetPrivateProfileStringA("S", "k", "", Buffer, sizeof Buffer, File.c_str());
  ASSERT_EQ(std::string(Buffer, Len), "changed behind its back");  // the profile API sees the change
  EXPECT_EQ(Ini.ReadString("S", "k", ""), "old");
  EXPECT_EQ(Ini.ReadString("S", "j", "none"), "none");
  Ini.WriteString("S", "w", "2");
  EXPECT_EQ(Ini.ReadString("S", "k", ""), "changed behind its back");
  EXPECT_EQ(Ini.ReadString("S", "w", ""), "2");
  // An erased section is gone for the next read.
  Ini.EraseSection("S");
  EXPECT_EQ(Ini.ReadString("S", "k", "none"), "none");
}

// A name without a folder is a file of the Windows folder, as for the profile API.
// A file that exists but cannot be read is told apart from a missing one; another program that
// holds it without sharing is waited for up to a second.
TEST(IniFileTest, ReadErrorTellsAnUnreadableFileFromAMissingOne) {
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  const std::string File = Dir.File("held.ini");
  EXPECT_EQ(TIniFile(File).ReadError(), static_cast<DWORD>(ERROR_SUCCESS));  // missing
  ASSERT_TRUE(WriteBytes(File, "[Menu]\r\nkey=value\r\n"));
  const struct {
    const char* What;
    DWORD Sharing;
    DWORD ReleaseAfter;  // ms; 0: held throughout
    DWORD Error;
    std::string Value;
  } Cases[] = {
      {"free", 0, 0, ERROR_SUCCESS, "value"},
      {"held without sharing", 0, 0, ERROR_SHARING_VIOLATION, "d"},
      {"held for reading", FILE_SHARE_READ, 0, ERROR_SUCCESS, "value"},
      {"released after 300 ms", 0, 300, ERROR_SUCCESS, "value"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    HANDLE Held = INVALID_HANDLE_VALUE;
    if (C.Error != ERROR_SUCCESS || C.ReleaseAfter != 0 || C.Sharing != 0) {
      Held = CreateFileA(File.c_str(), GENERIC_READ, C.Sharing, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(Held, INVALID_HANDLE_VALUE);
    }
    std::thread Releaser;
    if (C.ReleaseAfter != 0) {
      Releaser = std::thread([Held, After = C.ReleaseAfter] {
        Sleep(After);
        CloseHandle(Held);
      });
      Held = INVALID_HANDLE_VALUE;
    }
    const DWORD Start = GetTickCount();
    TIniFile Ini(File);
    EXPECT_EQ(Ini.ReadError(), C.Error);
    const DWORD Took = GetTickCount() - Start;
    if (C.Error == ERROR_SHARING_VIOLATION) {
      EXPECT_GE(Took, 900u);
    }
    if (C.ReleaseAfter != 0) {
      EXPECT_GE(Took, C.ReleaseAfter - 50);
    }
    EXPECT_EQ(Ini.ReadString("Menu", "key", "d"), C.Value);
    if (Held != INVALID_HANDLE_VALUE) CloseHandle(Held);
    if (Releaser.joinable()) Releaser.join();
  }
}

TEST(IniFileTest, NameWithoutFolderIsInTheWindowsFolder) {
  char Windows[MAX_PATH + 1] = {};
  ASSERT_GT(GetWindowsDirectoryA(Windows, sizeof Windows), 0u);
  const std::string Name = "corvane_inifile_" + std::to_string(GetCurrentProcessId()) + ".ini";
  const std::string Path = std::string(Windows) + "\\" + Name;
  ASSERT_TRUE(WriteBytes(Path, "[S]\r\nk=in the Windows folder\r\n"));
  {
    TIniFile Ini(Name);
    EXPECT_EQ(Ini.ReadString("S", "k", ""), "in the Windows folder");
  }
  DeleteFileA(Path.c_str());
}

// A file in another encoding is read through the profile API.
TEST(IniFileTest, Utf16FileIsReadThroughTheProfileApi) {
  TScratchDir Dir;
  ASSERT_TRUE(Dir.Valid());
  std::string File = Dir.File("wide.ini");
  const std::wstring Text = L"\xFEFF[S]\r\nk=wide value\r\n";
  ASSERT_TRUE(WriteBytes(File, std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * sizeof(wchar_t))));
  TIniFile Ini(File);
  EXPECT_EQ(Ini.ReadString("S", "k", ""), "wide value");
  TStringList List;
  Ini.ReadSections(List);
  EXPECT_EQ(List.Text(), "S\r\n");
}

}  // namespace
