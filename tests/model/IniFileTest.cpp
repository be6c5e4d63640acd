// TIniFile on the profile API, and the typed reads of the INI base class.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

}  // namespace
