// TCorvIniFile: reads and writes against the bytes of the file before and after, the safe save,
// the typed reads, the listings and the line store.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "classlib/core/Classes.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "model/CorvIniFile.h"
#include "resources/strings/Core.h"
#include "resources/strings/IniFiles.h"
#include "tests/model/IniTestFiles.h"

using namespace std::string_literals;

namespace {

const std::string Missing = "<default>";

// One operation of a case; reads check their result, every operation optionally Modified.
struct TIniOp {
  enum TKind { Read, Write, Erase, Delete } Kind;
  std::string Section, Ident, Value;  // Value: the value written or the result expected
  int Modified = -1;                  // -1 unchecked, else the expected flag afterwards
};

TIniOp R(const std::string& Section, const std::string& Ident, const std::string& Expected) {
  return {TIniOp::Read, Section, Ident, Expected};
}
TIniOp W(const std::string& Section, const std::string& Ident, const std::string& Value, int Modified = -1) {
  return {TIniOp::Write, Section, Ident, Value, Modified};
}
TIniOp E(const std::string& Section, int Modified = -1) { return {TIniOp::Erase, Section, "", "", Modified}; }
TIniOp D(const std::string& Section, const std::string& Ident, int Modified = -1) {
  return {TIniOp::Delete, Section, Ident, "", Modified};
}

struct TIniCase {
  const char* Name;
  std::optional<std::string> Before;  // nullopt: no file
  std::vector<TIniOp> Ops;
  std::optional<std::string> After;   // nullopt: the file is not written
};

const std::string LongComment = "; " + std::string(300, 'c') + " end";

const TIniCase Cases[] = {
    {"names compare without case, inline comment cut", "[A]\r\nx = 1 ; note\r\n", {R("a", "X", "1")}, {}},
    {"double quotes protect a ';', single quotes do not",
     "[A]\r\nq=\"a;b\"\r\ns='a;b'\r\nt='x'\r\nu=\"\r\n",
     {R("A", "q", "a;b"), R("A", "s", "'a"), R("A", "t", "x"), R("A", "u", "\"")},
     {}},
    {"comment keeps its column", "[A]\r\nx=1   ; note\r\n", {W("A", "x", "22", 1)}, "[A]\r\nx=22  ; note\r\n"},
    {"value that just fits the column", "[A]\r\nx=1   ; note\r\n", {W("A", "x", "abc")}, "[A]\r\nx=abc ; note\r\n"},
    {"value too long for the column", "[A]\r\nx=1   ; note\r\n", {W("A", "x", "12345")}, "[A]\r\nx=12345 ; note\r\n"},
    {"same value does not modify", "[A]\r\nx=abc   ; c\r\ny = z\r\n", {W("A", "x", "abc", 0), W("a", "Y", "z", 0)}, {}},
    {"values compare with case", "[A]\r\nx=abc\r\n", {W("A", "x", "ABC", 1)}, "[A]\r\nx=ABC\r\n"},
    {"empty value to a missing key stays in memory",
     "[A]\r\nx=1\r\n",
     {W("B", "y", "", 0), R("B", "y", ""), W("A", "z", "", 0)},
     {}},
    {"the empty key is written with the next change",
     "[A]\r\nx=1\r\n",
     {W("B", "y", "", 0), W("A", "x", "2", 1)},
     "[A]\r\nx=2\r\n\r\n[B]\r\ny=\r\n"},
    {"new key after the last key, above trailing comments and blanks",
     "[A]\r\nx=1\r\n; tail\r\n\r\n[B]\r\nz=1\r\n",
     {W("A", "y", "2"), R("B", "z", "1")},
     "[A]\r\nx=1\r\ny=2\r\n; tail\r\n\r\n[B]\r\nz=1\r\n"},
    {"new key of a section without keys follows the header",
     "[A]\r\n; only a comment\r\n",
     {W("A", "y", "2")},
     "[A]\r\ny=2\r\n; only a comment\r\n"},
    {"a line without '=' counts as the last key line",
     "[A]\r\nnovalue\r\n; c\r\n",
     {W("A", "y", "2")},
     "[A]\r\nnovalue\r\ny=2\r\n; c\r\n"},
    {"new key name trimmed", "[A]\r\n", {W("A", " y ", "2"), R("A", "y", "2")}, "[A]\r\ny=2\r\n"},
    {"new section after one blank line", "[A]\r\nx=1", {W("C", "z", "3")}, "[A]\r\nx=1\r\n\r\n[C]\r\nz=3\r\n"},
    {"no blank line added after an empty last line",
     "[A]\r\nx=1\r\n\r\n",
     {W("C", "z", "3")},
     "[A]\r\nx=1\r\n\r\n[C]\r\nz=3\r\n"},
    {"new section in an empty file", "", {W("C", "z", "3")}, "[C]\r\nz=3\r\n"},
    {"new section in a missing file", {}, {R("C", "z", Missing), W("C", "z", "3")}, "[C]\r\nz=3\r\n"},
    {"a missing file only read is not created", {}, {R("C", "z", Missing), D("C", "z", 0)}, {}},
    {"two sections of one name: the later wins, erasing it uncovers the earlier",
     "[A]\r\nx = 1\r\n[a]\r\nx=2\r\n",
     {R("A", "x", "2"), W("A", "y", "3"), E("A", 1), R("A", "x", "1"), R("A", "y", Missing)},
     "[A]\r\nx=1\r\n"},
    {"\"[ A ]\" is a section named \" A \"", "[ A ]\r\nx=1\r\n", {R("A", "x", Missing), R(" A ", "x", "1")}, {}},
    {"\"=x\" is a key with an empty name", "[A]\r\n =x\r\n", {R("A", "", "x"), W("A", "k", "v")},
     "[A]\r\n=x\r\nk=v\r\n"},
    {"a key before the first section is never found and kept",
     " k = 1\r\n[A]\r\nx = 1\r\n",
     {R("", "k", Missing), R("A", "k", Missing), W("A", "y", "2")},
     " k = 1\r\n[A]\r\nx=1\r\ny=2\r\n"},
    {"erasing a missing section still rewrites the file", "[A]\nx = 1", {E("B", 1)}, "[A]\r\nx = 1\r\n"},
    {"LF CR ends two lines", "[A]\n\rx=1\n", {E("Z")}, "[A]\r\n\r\nx=1\r\n"},
    {"lone CR and LF end lines", "[A]\rx=1\ny=2\r\n", {R("A", "y", "2"), E("Z")}, "[A]\r\nx=1\r\ny=2\r\n"},
    {"a NUL byte is data",
     "[A]\r\nx=a\0b\r\ny=1\r\nw=ab\0\r\n[B]\r\n z\0 = 1 \r\n"s,
     {R("A", "x", "a\0b"s), R("A", "w", "ab\0"s), W("A", "y", "2")},
     "[A]\r\nx=a\0b\r\ny=2\r\nw=ab\0\r\n[B]\r\n z\0 = 1 \r\n"s},
    {"erase takes the blank lines after the last key, not the comment before the next header",
     "[A]\r\nx=1\r\n\r\n; about B\r\n\r\n[B]\r\ny=1\r\n",
     {E("A")},
     "; about B\r\n\r\n[B]\r\ny=1\r\n"},
    {"erase takes a comment block followed by two blank lines",
     "[A]\r\nx=1\r\n; c\r\n\r\n\r\n[B]\r\n",
     {E("A")},
     "[B]\r\n"},
    {"erase of the last section", "[A]\r\nx=1\r\n[B]\r\ny=1\r\n\r\n\r\n", {E("b"), R("A", "x", "1")},
     "[A]\r\nx=1\r\n"},
    {"erase through WriteString with empty name and value",
     "[A]\r\nx=1\r\n[B]\r\ny=2\r\n",
     {W("A", "", "", 1), R("B", "y", "2")},
     "[B]\r\ny=2\r\n"},
    {"WriteString with an empty name and a value does nothing", "[A]\r\nx=1\r\n", {W("A", "", "v", 0)}, {}},
    {"delete a key", "[A]\r\nx=1\r\n y = 2\r\nz = 3\r\n", {D("A", "Y", 1), R("A", "z", "3"), R("A", "y", Missing)},
     "[A]\r\nx=1\r\nz=3\r\n"},
    {"delete of a missing key or section does nothing", "[A]\r\nx=1\r\n", {D("A", "q", 0), D("Q", "x", 0)}, {}},
    {"the first of two equal names wins", "[A]\r\nKey=1\r\nkey=2\r\n",
     {R("A", "KEY", "1"), D("A", "key", 1), R("A", "key", "2"), W("A", "KEY", "3")}, "[A]\r\nkey=3\r\n"},
    {"a value with ';' is stored quoted", "[A]\r\n", {W("A", "k", "a;b", 1), R("A", "k", "a;b")},
     "[A]\r\nk=\"a;b\"\r\n"},
    {"rewriting a quoted value does not modify",
     "[A]\r\nk=\"a;b\"\r\nj=\"c;d\"  ; note\r\n",
     {W("A", "k", "a;b", 0), W("A", "j", "c;d", 0), R("A", "j", "c;d")},
     {}},
    {"a quoted value keeps the comment column",
     "[A]\r\nk=\"a;b\"    ; note\r\nj=\"a;b\"    ; note\r\n",
     {W("A", "k", "c;d"), W("A", "j", "long;value")},
     "[A]\r\nk=\"c;d\"    ; note\r\nj=\"long;value\" ; note\r\n"},
    {"a ';' inside double quotes needs no quoting", "[A]\r\n", {W("A", "k", "say \"a;b\""), R("A", "k", "say \"a;b\"")},
     "[A]\r\nk=say \"a;b\"\r\n"},
    {"a long comment is kept whole", "[A]\r\nx=1 " + LongComment + "\r\n", {W("A", "x", "2"), R("A", "x", "2")},
     "[A]\r\nx=2 " + LongComment + "\r\n"},
    {"only the lines a lookup passed are normalised",
     "[A]\r\n  a  =  1 \r\n  b = 2\r\n[B]\r\n  c = 3 \r\n",
     {R("A", "a", "1"), E("Z")},
     "[A]\r\na=1\r\n  b = 2\r\n[B]\r\n  c = 3 \r\n"},
    {"a lookup parses up to its key",
     "[A]\r\n a = 1\r\n b = 2\r\n c = 3\r\n",
     {R("A", "b", "2"), R("A", "a", "1"), E("Z")},
     "[A]\r\na=1\r\nb=2\r\n c = 3\r\n"},
    {"a failed lookup parses the whole section only",
     "[A]\r\n a = 1\r\n\r\n;c = c\r\n b = 2\r\n[B]\r\n c = 3\r\n",
     {R("A", "zz", Missing), E("Z")},
     "[A]\r\na=1\r\n\r\n;c = c\r\nb=2\r\n[B]\r\n c = 3\r\n"},
    {"a passed line without '=' loses its leading blanks, a blank line stays",
     "[A]\r\n  novalue \r\n \t \r\nx=1\r\n",
     {R("A", "x", "1"), E("Z")},
     "[A]\r\nnovalue \r\n \t \r\nx=1\r\n"},
    {"a passed line that would load as a header or a comment keeps one blank",
     "[A]\r\n   [B]\r\n  ;y = 1\r\n  [k] = v]\r\n  [k] =\r\n",
     {R("A", ";y", "1"), R("A", "[k]", "v]"), W("A", "n", "2", 1)},
     "[A]\r\n [B]\r\n ;y=1\r\n [k]=v]\r\n[k]=\r\nn=2\r\n"},
    {"a section header needs '[' first and ']' last",
     "[A]\r\n [B]\r\n;x\r\n ;y=1\r\n[\r\n]\r\n[]\r\nk=e\r\n",
     {R("B", "x", Missing), R("A", ";y", "1"), R("", "k", "e")},
     {}},
};

class CorvIniFileTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Dir.Valid()); }
  TScratchDir Dir;
};

TEST_F(CorvIniFileTest, EdgeCases) {
  int N = 0;
  for (const TIniCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::string File = Dir.File("case" + std::to_string(++N) + ".ini");
    uint64_t OldTime = 0;
    if (C.Before) {
      ASSERT_TRUE(WriteBytes(File, *C.Before));
      OldTime = SetOldWriteTime(File);
      ASSERT_NE(OldTime, 0u);
    }
    {
      TCorvIniFile Ini(File);
      int OpIndex = 0;
      for (const TIniOp& Op : C.Ops) {
        SCOPED_TRACE("operation " + std::to_string(++OpIndex));
        switch (Op.Kind) {
          case TIniOp::Read:
            EXPECT_EQ(Ini.ReadString(Op.Section, Op.Ident, Missing), Op.Value);
            break;
          case TIniOp::Write:
            Ini.WriteString(Op.Section, Op.Ident, Op.Value);
            break;
          case TIniOp::Erase:
            Ini.EraseSection(Op.Section);
            break;
          case TIniOp::Delete:
            Ini.DeleteKey(Op.Section, Op.Ident);
            break;
        }
        if (Op.Modified >= 0) {
          EXPECT_EQ(Ini.Modified(), Op.Modified == 1);
        }
      }
      EXPECT_TRUE(Ini.Loaded());
    }
    if (C.After) {
      EXPECT_EQ(ReadBytes(File), *C.After);
    } else if (C.Before) {
      EXPECT_EQ(ReadBytes(File), *C.Before);
      EXPECT_EQ(WriteTime(File), OldTime);
    } else {
      EXPECT_EQ(GetFileAttributesA(File.c_str()), INVALID_FILE_ATTRIBUTES);
    }
  }
  // Nothing but the cases' files is left behind.
  std::vector<std::string> Names = Dir.Names();
  for (const std::string& Name : Names) EXPECT_EQ(Name.rfind("case", 0), 0u) << Name;
}

TEST_F(CorvIniFileTest, UnchangedFileIsNeverWrittenWhateverWasRead) {
  const std::string Text =
      "k0 = before\r\n[A]\r\n  x = 0x1F ; c\r\n y=abc\r\n  novalue\r\n\r\n[ B ]\n z = 'q'\r\n[A]\r\n w = 1";
  std::string File = Dir.File("unchanged.ini");
  ASSERT_TRUE(WriteBytes(File, Text));
  uint64_t OldTime = SetOldWriteTime(File);
  ASSERT_NE(OldTime, 0u);
  {
    TCorvIniFile Ini(File);
    TStringList List;
    Ini.ReadSections(List);
    Ini.ReadSection("A", List);
    Ini.ReadSectionValues(" B ", List);
    EXPECT_EQ(Ini.ReadString("A", "w", ""), "1");
    EXPECT_EQ(Ini.ReadInteger("A", "w", 5), 1);
    EXPECT_TRUE(Ini.ReadBool("A", "w", false));
    EXPECT_TRUE(Ini.SectionExists("A"));
    EXPECT_FALSE(Ini.ValueExists("A", "nothing"));
    Ini.WriteString("A", "w", "1");
    Ini.WriteInteger("A", "w", 1);
    Ini.WriteBool("A", "w", true);
    Ini.WriteString("New", "empty", "");
    Ini.DeleteKey("A", "nothing");
    Ini.UpdateFile();
    EXPECT_FALSE(Ini.Modified());
  }
  EXPECT_EQ(ReadBytes(File), Text);
  EXPECT_EQ(WriteTime(File), OldTime);
}

TEST_F(CorvIniFileTest, ListingsParseWhatTheyPass) {
  const std::string Text =
      "k0 = before\r\n"
      "[A]\r\n"
      "x = 1 ; c\r\n"
      "; comment\r\n"
      "  novalue\r\n"
      "y=\"q;q\"\r\n"
      "=e\r\n"
      "[ B ]\r\n"
      "z = 'a;b'\r\n"
      "[A]\r\n"
      "w = 3\r\n"
      "[C]\r\n"
      "v = 4\r\n";
  std::string File = Dir.File("lists.ini");
  ASSERT_TRUE(WriteBytes(File, Text));
  {
    TCorvIniFile Ini(File);
    TStringList List;
    List.Add("junk");
    Ini.ReadSection("missing", List);
    EXPECT_EQ(List.Count(), 0);

    Ini.ReadSections(List);
    EXPECT_EQ(List.Text(), "A\r\n B \r\nA\r\nC\r\n");

    Ini.ReadSection("a", List);  // the later [A]
    EXPECT_EQ(List.Text(), "w\r\n");
    Ini.ReadSectionValues(" B ", List);
    EXPECT_EQ(List.Text(), "z='a\r\n");

    Ini.EraseSection("A");  // the later one; now the first is found
    Ini.ReadSection("A", List);
    EXPECT_EQ(List.Text(), "x\r\ny\r\n\r\n");
    Ini.ReadSectionValues("A", List);
    EXPECT_EQ(List.Text(), "x=1\r\ny=q;q\r\n=e\r\n");
  }
  // ReadSections parsed every line, the key before the first section too.
  EXPECT_EQ(ReadBytes(File),
            "k0=before\r\n[A]\r\nx=1 ; c\r\n; comment\r\nnovalue\r\ny=\"q;q\"\r\n=e\r\n[ B ]\r\nz='a;b'\r\n"
            "[C]\r\nv=4\r\n");
}

TEST_F(CorvIniFileTest, TypedReadsAndWrites) {
  struct {
    const char* Stored;
    int Default;
    int Integer;
  } const IntCases[] = {
      {"12", 7, 12},     {"-5", 7, -5},      {"0x1F", 7, 31},   {"0X1f", 7, 31},  {"$10", 7, 16},
      {"0x", 7, 7},      {"0xZ", 7, 7},      {"12x", 7, 7},     {"", 7, 7},       {"junk", -1, -1},
      {"0x80000000", 7, static_cast<int>(0x80000000u)},         {"2147483648", 7, 7},
      {"1 ; comment", 7, 1}, {"\"42\"", 7, 42},
  };
  std::string File = Dir.File("typed.ini");
  std::string Text = "[T]\r\n";
  for (size_t I = 0; I < std::size(IntCases); ++I) Text += "k" + std::to_string(I) + "=" + IntCases[I].Stored + "\r\n";
  ASSERT_TRUE(WriteBytes(File, Text));
  {
    TCorvIniFile Ini(File);
    for (size_t I = 0; I < std::size(IntCases); ++I) {
      SCOPED_TRACE(IntCases[I].Stored);
      EXPECT_EQ(Ini.ReadInteger("T", "k" + std::to_string(I), IntCases[I].Default), IntCases[I].Integer);
    }
    EXPECT_EQ(Ini.ReadInteger("T", "missing", 99), 99);

    struct {
      const char* Key;
      bool Default;
      bool Expected;
    } const BoolCases[] = {{"k0", false, true},   {"k4", false, true},  {"k8", true, true},
                           {"k8", false, false},  {"k9", true, true},   {"missing", true, true},
                           {"missing", false, false}};
    for (const auto& B : BoolCases) {
      SCOPED_TRACE(B.Key);
      EXPECT_EQ(Ini.ReadBool("T", B.Key, B.Default), B.Expected);
    }
    Ini.WriteString("T", "zero", "0");
    EXPECT_FALSE(Ini.ReadBool("T", "zero", true));

    Ini.WriteInteger("W", "neg", -42);
    Ini.WriteInteger("W", "big", 2147483647);
    Ini.WriteBool("W", "yes", true);
    Ini.WriteBool("W", "no", false);
    EXPECT_EQ(Ini.ReadInteger("W", "neg", 0), -42);
  }
  std::string Written = ReadBytes(File);
  EXPECT_NE(Written.find("\r\n[W]\r\nneg=-42\r\nbig=2147483647\r\nyes=1\r\nno=0\r\n"), std::string::npos) << Written;
}

// A value with ';' outside double quotes is stored in double quotes, one enclosed in a pair of
// quotes of its own in single quotes: each reads back whole here and through the profile API, and
// writing it again changes nothing.
TEST_F(CorvIniFileTest, QuotedAndSemicolonValuesRoundTripThroughBothReaders) {
  const struct {
    std::string Value, Stored;
  } Cases[] = {
      {"\"%1\"", "'\"%1\"'"},
      {"'x'", "''x''"},
      {"\"a\"b\"", "'\"a\"b\"'"},
      {"\"", "\""},
      {"\"\"", "'\"\"'"},
      {"''", "''''"},
      {"a;b", "\"a;b\""},
      {"\"a;b\"", "'\"a;b\"'"},
      {"'a;b'", "\"'a;b'\""},
      {"\"%1\" -x \"%2\"", "'\"%1\" -x \"%2\"'"},
      {"'a\"", "'a\""},
      {"; leading", "\"; leading\""},
      {"trailing;", "\"trailing;\""},
      {"x;\"y", "\"x;\"y\""},
      {"C:\\Tools\\app.exe;%1", "\"C:\\Tools\\app.exe;%1\""},
  };
  std::string File = Dir.File("quoted.ini");
  std::string Expected = "[S]\r\n";
  {
    TCorvIniFile Ini(File);
    for (size_t I = 0; I < std::size(Cases); ++I) {
      Ini.WriteString("S", "k" + std::to_string(I), Cases[I].Value);
      Expected += "k" + std::to_string(I) + "=" + Cases[I].Stored + "\r\n";
    }
  }
  EXPECT_EQ(ReadBytes(File), Expected);
  {
    TCorvIniFile Ini(File);
    for (size_t I = 0; I < std::size(Cases); ++I) {
      SCOPED_TRACE(Cases[I].Value);
      std::string Key = "k" + std::to_string(I);
      EXPECT_EQ(Ini.ReadString("S", Key, Missing), Cases[I].Value);
      char Buffer[256];
      DWORD Len = GetPrivateProfileStringA("S", Key.c_str(), "", Buffer, sizeof Buffer, File.c_str());
      EXPECT_EQ(std::string(Buffer, Len), Cases[I].Value);
      Ini.WriteString("S", Key, Cases[I].Value);
      EXPECT_FALSE(Ini.Modified());
    }
  }
  EXPECT_EQ(ReadBytes(File), Expected);
}

// Values that the locale calls equal are different values: each write reaches the file.
TEST_F(CorvIniFileTest, ValuesCompareByteForByte) {
  const std::pair<std::string, std::string> Pairs[] = {{"\xC6sop", "AEsop"}, {"a\xAD" "b", "ab"}};
  for (const auto& [First, Second] : Pairs) {
    SCOPED_TRACE(First);
    std::string File = Dir.File("bytes.ini");
    ASSERT_TRUE(WriteBytes(File, "[S]\r\nk=" + First + "\r\n"));
    {
      TCorvIniFile Ini(File);
      Ini.WriteString("S", "k", Second);
      EXPECT_TRUE(Ini.Modified());
    }
    EXPECT_EQ(ReadBytes(File), "[S]\r\nk=" + Second + "\r\n");
    {
      TCorvIniFile Ini(File);
      Ini.WriteString("S", "k", First);
      EXPECT_TRUE(Ini.Modified());
    }
    EXPECT_EQ(ReadBytes(File), "[S]\r\nk=" + First + "\r\n");
  }
}

// Names that the locale calls equal but that hash differently are different sections, whatever
// was looked up before.
TEST_F(CorvIniFileTest, SectionLookupDoesNotDependOnTheLookupBefore) {
  const std::string Stored = "Stra\xDF" "e", Other = "STRASSE";
  ASSERT_EQ(AnsiCompareText(Stored, Other), 0);  // the locale calls them equal
  ASSERT_NE(IniNameHash(AnsiUpperCase(Stored)), IniNameHash(AnsiUpperCase(Other)));
  std::string File = Dir.File("strasse.ini");
  ASSERT_TRUE(WriteBytes(File, "[" + Stored + "]\r\nk=1\r\n"));
  {
    TCorvIniFile Ini(File);
    EXPECT_EQ(Ini.ReadString(Other, "k", Missing), Missing);
    EXPECT_EQ(Ini.ReadString(Stored, "k", Missing), "1");
    EXPECT_EQ(Ini.ReadString(Other, "k", Missing), Missing);
    Ini.WriteString(Other, "k", "2");
    EXPECT_EQ(Ini.ReadString(Stored, "k", Missing), "1");
  }
  EXPECT_EQ(ReadBytes(File), "[" + Stored + "]\r\nk=1\r\n\r\n[" + Other + "]\r\nk=2\r\n");
}

TEST_F(CorvIniFileTest, FailedReplaceKeepsTheOldFileAndModified) {
  const std::string Before = "[A]\r\nx=1\r\n";
  std::string File = Dir.File("locked.ini");
  ASSERT_TRUE(WriteBytes(File, Before));
  TCorvIniFile Ini(File);
  Ini.WriteString("A", "x", "2");
  ASSERT_TRUE(Ini.Modified());

  // Another handle without FILE_SHARE_DELETE: the file cannot be replaced while it is open.
  HANDLE Holder = CreateFileA(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(Holder, INVALID_HANDLE_VALUE);
  std::string Probe = Dir.File("probe.tmp");
  ASSERT_TRUE(WriteBytes(Probe, "probe"));
  ASSERT_FALSE(MoveFileExA(Probe.c_str(), File.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  DWORD Code = GetLastError();
  ASSERT_TRUE(DeleteFileA(Probe.c_str()));

  try {
    Ini.UpdateFile();
    ADD_FAILURE() << "UpdateFile did not raise";
  } catch (const EFCreateError& Error) {
    EXPECT_EQ(Error.Message(), Format(LoadResString(SIniFileSaveError), {File, SysErrorMessage(Code)}));
  }
  EXPECT_TRUE(Ini.Modified());
  CloseHandle(Holder);
  EXPECT_EQ(ReadBytes(File), Before);
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"locked.ini"});  // the temporary file is gone

  Ini.UpdateFile();
  EXPECT_FALSE(Ini.Modified());
  EXPECT_EQ(ReadBytes(File), "[A]\r\nx=2\r\n");
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"locked.ini"});
}

TEST_F(CorvIniFileTest, FolderThatTakesNoTemporaryFile) {
  // The "folder" is a file: no temporary file can be made in it.
  std::string NotAFolder = Dir.File("plain.txt");
  ASSERT_TRUE(WriteBytes(NotAFolder, "data"));
  std::string File = NotAFolder + "\\x.ini";
  char Temp[MAX_PATH];
  ASSERT_EQ(GetTempFileNameA((NotAFolder + "\\").c_str(), "ini", 0, Temp), 0u);
  DWORD Code = GetLastError();

  TCorvIniFile Ini(File);
  Ini.WriteString("A", "x", "1");
  try {
    Ini.Flush();
    ADD_FAILURE() << "Flush did not raise";
  } catch (const EFCreateError& Error) {
    EXPECT_EQ(Error.Message(), Format(LoadResString(SIniFileSaveError), {File, SysErrorMessage(Code)}));
  }
  EXPECT_TRUE(Ini.Modified());
  EXPECT_EQ(ReadBytes(NotAFolder), "data");
}

TEST_F(CorvIniFileTest, DestructorSwallowsAFailedWrite) {
  const std::string Before = "[A]\r\nx=1\r\n";
  std::string File = Dir.File("held.ini");
  ASSERT_TRUE(WriteBytes(File, Before));
  HANDLE Holder = CreateFileA(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(Holder, INVALID_HANDLE_VALUE);
  EXPECT_NO_THROW({
    TCorvIniFile Ini(File);
    Ini.WriteString("A", "x", "2");
    EXPECT_THROW(Ini.UpdateFile(), EFCreateError);  // the write really fails
  });
  CloseHandle(Holder);
  EXPECT_EQ(ReadBytes(File), Before);
  EXPECT_EQ(Dir.Names(), std::vector<std::string>{"held.ini"});
}

TEST_F(CorvIniFileTest, OpenFailureReachesTheCaller) {
  std::string File = Dir.File("exclusive.ini");
  ASSERT_TRUE(WriteBytes(File, "[A]\r\nx=1\r\n"));
  HANDLE Holder = CreateFileA(File.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Holder, INVALID_HANDLE_VALUE);
  TCorvIniFile Ini(File);
  EXPECT_THROW(Ini.ReadString("A", "x", ""), EFOpenError);
  EXPECT_FALSE(Ini.Loaded());
  CloseHandle(Holder);
  EXPECT_EQ(Ini.ReadString("A", "x", ""), "1");
}

TEST_F(CorvIniFileTest, ClearReloadsAndForgetsChanges) {
  std::string File = Dir.File("clear.ini");
  ASSERT_TRUE(WriteBytes(File, "[A]\r\nx=1\r\n"));
  TCorvIniFile Ini(File);
  EXPECT_FALSE(Ini.Loaded());
  Ini.WriteString("A", "x", "2");
  EXPECT_TRUE(Ini.Loaded());
  Ini.Clear();
  EXPECT_FALSE(Ini.Loaded());
  EXPECT_FALSE(Ini.Modified());
  EXPECT_EQ(Ini.Items().Count(), 0);
  EXPECT_EQ(Ini.ReadString("A", "x", ""), "1");
  EXPECT_EQ(Ini.Items().Count(), 2);
}

TEST_F(CorvIniFileTest, EmptyFileNameIsAnEmptyIni) {
  TCorvIniFile Ini("");
  EXPECT_EQ(Ini.ReadString("A", "x", "d"), "d");
  EXPECT_TRUE(Ini.Loaded());
  EXPECT_EQ(Ini.Items().Count(), 0);
}

// Many keys of one section with colliding hashes; inserts and deletes in between.
TEST_F(CorvIniFileTest, LargeSectionWithCollidingHashes) {
  std::map<uint32_t, std::vector<std::string>> ByHash;
  std::string Text = "[Big]\r\n";
  const int Keys = 3000;
  for (int I = 0; I < Keys; ++I) {
    std::string Name = "Item" + std::to_string(I);
    ByHash[IniNameHash(UpperCase(Name))].push_back(Name);
    Text += Name + " = v" + std::to_string(I) + "\r\n";
  }
  Text += "; end of Big\r\n\r\n[Next]\r\nn=1\r\n";
  size_t Largest = 0;
  for (const auto& [Hash, Names] : ByHash) Largest = std::max(Largest, Names.size());
  ASSERT_GT(Largest, 3u);  // the names do collide

  std::string File = Dir.File("big.ini");
  ASSERT_TRUE(WriteBytes(File, Text));
  {
    TCorvIniFile Ini(File);
    for (int I = Keys - 1; I >= 0; I -= 7)
      ASSERT_EQ(Ini.ReadString("big", "ITEM" + std::to_string(I), ""), "v" + std::to_string(I));
    for (int I = 0; I < Keys; I += 3) Ini.WriteString("Big", "Item" + std::to_string(I), "w" + std::to_string(I));
    for (int I = 0; I < 50; ++I) Ini.WriteString("Big", "New" + std::to_string(I), "n" + std::to_string(I));
    for (int I = 1; I < Keys; I += 10) Ini.DeleteKey("Big", "Item" + std::to_string(I));
    EXPECT_EQ(Ini.ReadString("Next", "n", ""), "1");
    for (int I = 0; I < Keys; ++I) {
      std::string Expected = I % 10 == 1 ? "" : (I % 3 == 0 ? "w" : "v") + std::to_string(I);
      ASSERT_EQ(Ini.ReadString("Big", "Item" + std::to_string(I), ""), Expected) << I;
    }
  }
  TCorvIniFile Ini(File);
  for (int I = 0; I < Keys; ++I) {
    std::string Expected = I % 10 == 1 ? "" : (I % 3 == 0 ? "w" : "v") + std::to_string(I);
    ASSERT_EQ(Ini.ReadString("Big", "Item" + std::to_string(I), ""), Expected) << I;
  }
  for (int I = 0; I < 50; ++I) EXPECT_EQ(Ini.ReadString("Big", "new" + std::to_string(I), ""), "n" + std::to_string(I));
  std::string Written = ReadBytes(File);
  EXPECT_NE(Written.find("New49=n49\r\n; end of Big\r\n\r\n[Next]\r\nn=1\r\n"), std::string::npos);
}

// Names outside printable ASCII go through the locale comparison; the expected answers are
// computed with the same system calls.
TEST_F(CorvIniFileTest, LocaleNames) {
  auto Upper = [](std::string S) {
    if (!S.empty()) CharUpperBuffA(S.data(), static_cast<DWORD>(S.size()));
    return S;
  };
  auto Equal = [&](const std::string& A, const std::string& B) {
    return CompareStringA(GetThreadLocale(), NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                          static_cast<int>(B.size())) == CSTR_EQUAL &&
           IniNameHash(Upper(A)) == IniNameHash(Upper(B));
  };
  const std::string Stored[] = {"\xC4pfel", "stra\xDF" "e", "a\x01" "b", "ab", "plain"};
  const std::string Asked[] = {"\xE4PFEL", "STRA\xDF" "E", "ab", "a\x01" "b", "PLAIN", "\xE4pfel "};
  std::string Text = "[S]\r\n";
  for (size_t I = 0; I < std::size(Stored); ++I) Text += Stored[I] + "=" + std::to_string(I) + "\r\n";
  std::string File = Dir.File("locale.ini");
  ASSERT_TRUE(WriteBytes(File, Text));

  for (bool Ascii : {false, true}) {
    TCorvIniFile Ini(File);
    Ini.SetUseLocale(!Ascii);
    for (const std::string& Name : Asked) {
      std::string Expected = Missing;
      for (size_t I = 0; I < std::size(Stored) && Expected == Missing; ++I)
        if (Ascii ? UpperCase(Stored[I]) == UpperCase(Name) : Equal(Stored[I], Name)) Expected = std::to_string(I);
      EXPECT_EQ(Ini.ReadString("S", Name, Missing), Expected) << Name << (Ascii ? " (ASCII)" : " (locale)");
    }
  }
}

// In Danish "aa" is one letter, so names of one upper-cased form can still differ.
TEST_F(CorvIniFileTest, SameUpperCaseFormIsNotEnough) {
  LCID Old = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_DANISH, SUBLANG_DEFAULT), SORT_DEFAULT)));
  const std::string Stored[] = {"aAa", "AAA", "aaa"};
  std::string Text = "[S]\r\n";
  for (size_t I = 0; I < std::size(Stored); ++I) Text += Stored[I] + "=" + std::to_string(I) + "\r\n";
  std::string File = Dir.File("danish.ini");
  ASSERT_TRUE(WriteBytes(File, Text));
  {
    TCorvIniFile Ini(File);
    for (const std::string& Name : {"aaa"s, "aAa"s, "AaA"s}) {
      std::string Expected = Missing;
      for (size_t I = 0; I < std::size(Stored) && Expected == Missing; ++I)
        if (AnsiCompareText(Stored[I], Name) == 0) Expected = std::to_string(I);
      EXPECT_EQ(Ini.ReadString("S", Name, Missing), Expected) << Name;
    }
  }
  SetThreadLocale(Old);
}

TEST_F(CorvIniFileTest, CompareLists) {
  TCorvIniFile Ini("");
  TStringList A, B;
  A.Add("x");
  A.Add("y");
  B.Add("x");
  EXPECT_EQ(Ini.CompareLists(A, B), 1);
  EXPECT_EQ(Ini.CompareLists(B, A), -1);
  B.Add("y");
  EXPECT_EQ(Ini.CompareLists(A, B), 0);
  B.Put(1, "Y");
  EXPECT_EQ(Ini.CompareLists(A, B), AnsiCompareStr("y", "Y"));
  EXPECT_NE(Ini.CompareLists(A, B), 0);
}

// ---------------------------------------------------------------------------------------------
// The line store

TEST(IniItemsTest, KindsBeforeAndAfterParsing) {
  TCorvIniFile Ini("");
  TIniItems& Items = Ini.Items();
  Items.SetText("[A]\r\n  x = 1 \r\n; c\r\n\r\n  novalue\r\n [B]\r\ny=2");
  ASSERT_EQ(Items.Count(), 7);
  const TIniLineKind Loaded[] = {ilkSection, ilkUnparsed, ilkComment, ilkEmpty, ilkUnparsed, ilkUnparsed, ilkUnparsed};
  for (int I = 0; I < Items.Count(); ++I) EXPECT_EQ(Items[I].Kind, Loaded[I]) << I;
  EXPECT_EQ(Items[1].Text, "  x = 1 ");

  Items.FindKey("A", "missing", false);
  const TIniLineKind Parsed[] = {ilkSection, ilkKey, ilkComment, ilkEmpty, ilkNoValue, ilkNoValue, ilkKey};
  for (int I = 0; I < Items.Count(); ++I) EXPECT_EQ(Items[I].Kind, Parsed[I]) << I;
  EXPECT_EQ(Items[1].Text, "x");
  EXPECT_EQ(Items[1].Value, "1");
  EXPECT_EQ(Items[1].NameHash, IniNameHash("X"));
  EXPECT_EQ(Items[4].Text, "novalue");
  EXPECT_EQ(Items[5].Text, "[B]");
  EXPECT_EQ(Items[6].Text, "y");
  // " [B]" stays a plain line when the file is loaded again.
  EXPECT_EQ(Items.Text(), "[A]\r\nx=1\r\n; c\r\n\r\nnovalue\r\n [B]\r\ny=2\r\n");
}

TEST(IniItemsTest, LineIndexOutOfBounds) {
  TIniItems Items;
  Items.SetText("a\r\nb");
  for (int Index : {-1, 2}) {
    try {
      Items.Lines(Index);
      ADD_FAILURE() << Index;
    } catch (const EListError& Error) {
      EXPECT_EQ(Error.Message(), Format(LoadResString(SListIndexError), {Index}));
    }
  }
  EXPECT_THROW(Items.PutText(2, "x"), EListError);
}

TEST(IniItemsTest, HashAndSectionIndex) {
  EXPECT_EQ(IniNameHash("AB"), 0x146u);
  EXPECT_EQ(IniNameHash(""), 0u);
  EXPECT_EQ(IniNameHash("\x80"), 0x80u);  // bytes are unsigned
  // Rotation keeps every bit: 16 rotations by 2 bring a byte back to where it started.
  EXPECT_EQ(IniNameHash(std::string("\x01") + std::string(16, '\0')), 1u);

  TIniItems Items;
  Items.SetText("[ab]\r\nx=1\r\n[AB]\r\ny=2\r\n[other]\r\n");
  std::vector<const TSectionEntry*> Chain = Items.Sections().Chain(0x46);
  ASSERT_EQ(Chain.size(), 2u);
  const TSectionEntry* Head = Chain[0];
  EXPECT_EQ(Head->Name, "AB");  // the later header heads the chain
  EXPECT_EQ(Head->BodyStart, 3);
  EXPECT_EQ(Head->Hash, 0x146u);
  EXPECT_EQ(Chain[1]->Name, "ab");
  EXPECT_EQ(Chain[1]->BodyStart, 1);

  EXPECT_EQ(Items.FindSection("aB", false), 3);
  EXPECT_EQ(Items.LastSection(), Head);
  EXPECT_EQ(Items.FindSection("missing", false), -1);
  EXPECT_EQ(Items.LastSection(), Head);
  EXPECT_EQ(Items.FindSection("new", true), 7);
  EXPECT_EQ(Items.Text(), "[ab]\r\nx=1\r\n[AB]\r\ny=2\r\n[other]\r\n\r\n[new]\r\n");
  ASSERT_TRUE(Items.EraseSection("ab"));  // the later one
  EXPECT_EQ(Items.LastSection(), nullptr);
  EXPECT_EQ(Items.FindSection("ab", false), 1);
  EXPECT_EQ(Items.FindSection("other", false), 3);
  EXPECT_EQ(Items.FindSection("new", false), 5);
}

TEST(IniItemsTest, CapacityGrowth) {
  struct {
    int Lines;
    int Grown;
  } const Steps[] = {{3, 7}, {8, 12}, {9, 25}, {64, 80}, {65, 81}, {100, 125}};
  for (const auto& Step : Steps) {
    SCOPED_TRACE(Step.Lines);
    std::string Text = "[A]\r\n";
    for (int I = 1; I < Step.Lines; ++I) Text += "k" + std::to_string(I) + "=1\r\n";
    TIniItems Items;
    Items.SetText(Text);
    EXPECT_EQ(Items.Count(), Step.Lines);
    EXPECT_EQ(Items.Capacity(), Step.Lines);
    Items.FindKey("A", "new", true);
    EXPECT_EQ(Items.Count(), Step.Lines + 1);
    EXPECT_EQ(Items.Capacity(), Step.Grown);
  }
  TIniItems Empty;
  Empty.SetText("");
  EXPECT_EQ(Empty.Capacity(), 0);
  Empty.FindKey("A", "k", true);
  EXPECT_EQ(Empty.Count(), 2);
  EXPECT_EQ(Empty.Capacity(), 4);
}

TEST(IniItemsTest, StreamsAndPutText) {
  TStringStream In("skipped[A]\nx = 1\n");
  In.SetPosition(7);
  TIniItems Items;
  Items.LoadFromStream(In);
  ASSERT_EQ(Items.Count(), 2);
  EXPECT_EQ(Items[0].Text, "[A]");

  Items.PutText(1, "y = 2");  // an unparsed line stays unparsed
  EXPECT_EQ(Items[1].Kind, ilkUnparsed);
  int Key = Items.FindKey("A", "y", false);
  ASSERT_EQ(Key, 1);
  Items.PutText(Key, "z");  // a key keeps its value under the new name
  EXPECT_EQ(Items.FindKey("A", "y", false), -1);
  EXPECT_EQ(Items.FindKey("A", "Z", false), 1);
  Items.PutText(0, "[B]");  // a new header replaces the old one
  EXPECT_EQ(Items.FindSection("A", false), -1);
  EXPECT_EQ(Items.FindKey("B", "z", false), 1);
  Items.PutText(0, "; no header");
  EXPECT_EQ(Items.FindSection("B", false), -1);
  EXPECT_EQ(Items[0].Kind, ilkComment);

  TStringStream Out;
  Items.SaveToStream(Out);
  EXPECT_EQ(Out.DataString(), "; no header\r\nz=2\r\n");
}

}  // namespace
