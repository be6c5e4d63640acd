// Tables of cases for the pure string, file-name, command-line and GUID routines.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "classlib/core/SysUtils.h"
#include "controls/FileUtil.h"
#include "controls/VCLUtils.h"
#include "controls/rxStrUtils.h"
#include "model/Utils.h"
#include "tests/support/TempDir.h"

namespace {

TEST(RxStrUtils, MaxMin) {
  struct TCase {
    int A, B, Max, Min;
  };
  const TCase Cases[] = {{1, 2, 2, 1}, {2, 1, 2, 1}, {-5, 3, 3, -5}, {7, 7, 7, 7}, {INT_MIN, INT_MAX, INT_MAX, INT_MIN}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.A) + "," + std::to_string(C.B));
    EXPECT_EQ(Max(C.A, C.B), C.Max);
    EXPECT_EQ(Min(C.A, C.B), C.Min);
  }
}

TEST(RxStrUtils, ReplaceAll) {
  struct TCase {
    const char *Text, *Search, *Replace, *Result;
  };
  const TCase Cases[] = {
      {"aaa", "aa", "b", "ba"},           // no overlapping occurrences
      {"abc", "", "x", "abc"},            // empty search string
      {"a.b.c", ".", "..", "a..b..c"},    // replacements are not rescanned
      {"", "a", "b", ""},
      {"abcabc", "abc", "", ""},
      {"xabcx", "abc", "-", "x-x"},
      {"abab", "ba", "c", "acb"},
      {"Hello", "l", "L", "HeLLo"},
      {"case", "CASE", "x", "case"},      // case-sensitive
      {"aaaa", "a", "aa", "aaaaaaaa"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Text) + " / " + C.Search);
    EXPECT_EQ(ReplaceAll(C.Text, C.Search, C.Replace), C.Result);
  }
}

TEST(RxStrUtils, Words) {
  const TSysCharSet Delims{',', ' '};
  struct TCase {
    const char* Text;
    int Count;
    std::vector<int> Starts;           // of words 1..Count
    std::vector<std::string> Words;
  };
  const TCase Cases[] = {
      {"  one, two,,three ", 3, {3, 8, 13}, {"one", "two", "three"}},
      {"", 0, {}, {}},
      {" ,, ", 0, {}, {}},
      {"single", 1, {1}, {"single"}},
      {"a,b", 2, {1, 3}, {"a", "b"}},
      {"x  ", 1, {1}, {"x"}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string("'") + C.Text + "'");
    EXPECT_EQ(CountWords(C.Text, Delims), C.Count);
    for (int N = 1; N <= C.Count; ++N) {
      EXPECT_EQ(WordStart(N, C.Text, Delims), C.Starts[N - 1]) << N;
      EXPECT_EQ(WordAt(N, C.Text, Delims), C.Words[N - 1]) << N;
    }
    // No word beyond the last, none before the first.
    for (int N : {C.Count + 1, 0, -1}) {
      EXPECT_EQ(WordStart(N, C.Text, Delims), 0) << N;
      EXPECT_EQ(WordAt(N, C.Text, Delims), "") << N;
    }
  }
  // Without delimiters the whole text is one word.
  EXPECT_EQ(CountWords("a b,c", TSysCharSet()), 1);
  EXPECT_EQ(WordAt(1, "a b,c", TSysCharSet()), "a b,c");
  // Characters above 127 are ordinary members of a set.
  const TSysCharSet High{'\xA0'};
  EXPECT_EQ(CountWords("a\xA0\xA0" "b", High), 2);
  EXPECT_EQ(WordStart(2, "a\xA0\xA0" "b", High), 4);
}

TEST(RxStrUtils, XorHex) {
  struct TCase {
    const char* Key;
    std::string Text;
    const char* Hex;
  };
  const TCase Cases[] = {
      {"", "", ""},
      {"", "AZ", "415a"},
      {"", std::string("\x00\xff\x0a", 3), "00ff0a"},
      {"", "\xab\xcd\xef", "abcdef"},   // lower-case letters
      {"\x01", "AB", "4043"},           // every byte against the one key byte
      {"\x01\x02", "AAA", "404340"},     // the key repeats
      {"k", "k", "00"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Hex);
    EXPECT_EQ(XorToHex(C.Key, C.Text), C.Hex);
    EXPECT_EQ(XorFromHex(C.Key, C.Hex), C.Text);
  }

  struct TDecode {
    const char *Key, *Hex;
    std::string Text;
  };
  const TDecode Decodes[] = {
      {"", "4G41", " A"},        // a pair that is not hexadecimal reads as 32
      {"", "414", "A"},          // an odd last digit is ignored
      {"", "4", ""},
      {"", "4a4A", "JJ"},        // either letter case
      {"", "zz", " "},
      {"\x01", "zz", "!"},       // 32 xor the key
  };
  for (const TDecode& D : Decodes) {
    SCOPED_TRACE(D.Hex);
    EXPECT_EQ(XorFromHex(D.Key, D.Hex), D.Text);
  }

  // Decoding with the key that encoded gives the text back, for any bytes and keys.
  std::string All;
  for (int C = 0; C < 256; ++C) All += static_cast<char>(C);
  for (const std::string& Key : {std::string(), std::string("k"), std::string("secret key"), All}) {
    const std::string Hex = XorToHex(Key, All);
    EXPECT_EQ(Hex.size(), All.size() * 2);
    EXPECT_EQ(Hex.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(XorFromHex(Key, Hex), All);
  }
}

TEST(RxStrUtils, ContainsAnyChar) {
  EXPECT_TRUE(ContainsAnyChar("abc", "xc"));
  EXPECT_FALSE(ContainsAnyChar("abc", "xyz"));
  EXPECT_FALSE(ContainsAnyChar("abc", ""));
  EXPECT_FALSE(ContainsAnyChar("", "a"));
}

TEST(FileUtil, IsValidFileName) {
  struct TCase {
    const char* Name;
    bool Valid;
  };
  const TCase Cases[] = {
      {"a*b?.txt", true}, {"C:\\dir\\file", true}, {"plain", true}, {"a/b:c", true},
      {"a[1].txt", true}, {"a]", true}, {"C:\\Downloads\\setup[1].exe", true}, {"x<y", false}, {"x>y", false}, {"say \"hi\"", false},
      {"", false}, {"a|b", false}, {"|", false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(IsValidFileName(C.Name), C.Valid);
  }
}

TEST(FileUtil, DirectoriesAndNames) {
  TTempDir Dir;
  const std::string Long = "A long file name.text";
  const std::string File = Dir.File(Long);
  const HANDLE H = CreateFileA(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(H, INVALID_HANDLE_VALUE);
  CloseHandle(H);

  EXPECT_TRUE(IsDirectory(Dir.Path()));
  EXPECT_TRUE(IsDirectory(Dir.Path() + "\\"));
  EXPECT_FALSE(IsDirectory(File));
  EXPECT_FALSE(IsDirectory(Dir.File("missing")));

  EXPECT_EQ(LongNameOf(File), Long);
  EXPECT_EQ(LongNameOf(Dir.File("*.text")), Long);  // the entry the search finds, without its folder
  EXPECT_EQ(LongNameOf(Dir.File("missing.txt")), "");
  EXPECT_EQ(ShortNameOf(Dir.File("missing.txt")), "");

  // The short name as the system gives it; the entry's one name when the file system has none.
  std::string Short(MAX_PATH * 4, '\0');
  Short.resize(GetShortPathNameA(File.c_str(), Short.data(), static_cast<DWORD>(Short.size())));
  ASSERT_FALSE(Short.empty());
  EXPECT_EQ(ShortNameOf(File), ExtractFileName(Short));
  EXPECT_EQ(LongNameOf(Dir.File(ExtractFileName(Short))), Long);
  // A name that is its own short name.
  const std::string Plain = Dir.File("PLAIN.TXT");
  CloseHandle(CreateFileA(Plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_EQ(ShortNameOf(Plain), "PLAIN.TXT");
  EXPECT_EQ(LongNameOf(Plain), "PLAIN.TXT");
}

TEST(VCLUtils, SplitCommandLine) {
  struct TCase {
    const char *Line, *Program, *Params;
  };
  const TCase Cases[] = {
      {"\"C:\\Program Files\\app.exe\" -x \"a b\"", "C:\\Program Files\\app.exe", "-x \"a b\""},
      {"prog a\"b c\"d", "prog", "\"ab cd\""},    // a quoted part joins its word
      {"a\"b c\"d", "ab cd", ""},
      {"", "", ""},
      {"   \t ", "", ""},
      {"notepad.exe", "notepad.exe", ""},
      {"  app   one\ttwo  ", "app", "one two"},   // runs of blanks and tabs separate
      {"\"\" app x", "app", "x"},                  // empty quotes are skipped
      {"app \"\" x", "app", "x"},
      {"app \"unterminated arg", "app", "\"unterminated arg\""},
      {"app \"\"\"\" x", "app", "x"},
      {"app \"x\"", "app", "x"},                  // quotes without a blank are not put back
      {"app \"\xE4 \xF6\"", "app", "\"\xE4 \xF6\""},  // characters above 127 belong to words
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Line);
    std::string Program = "junk", Params = "junk";
    SplitCommandLine(C.Line, Program, Params);
    EXPECT_EQ(Program, C.Program);
    EXPECT_EQ(Params, C.Params);
    EXPECT_EQ(ExtractCommandProgram(C.Line), C.Program);
  }
  // No length limit on a parameter or the program.
  const std::string LongProgram = "C:\\" + std::string(300, 'p') + "\\x.exe";
  const std::string LongParam(1000, 'q');
  std::string Program, Params;
  SplitCommandLine("\"" + LongProgram + "\" " + LongParam + " \"two words\"", Program, Params);
  EXPECT_EQ(Program, LongProgram);
  EXPECT_EQ(Params, LongParam + " \"two words\"");
}

TEST(Utils, ExtractFileTitle) {
  struct TCase {
    const char *Path, *Title;
  };
  const TCase Cases[] = {
      {"C:\\dir\\name.ext", "name"}, {"archive.tar.gz", "archive.tar"}, {"noext", "noext"},
      {"C:name.txt", "name"},         {"C:\\dir.d\\file", "file"},       {".hidden", ""},
      {"C:\\dir\\", ""},             {"", ""},                          {"a/b.c", "a/b"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Path);
    EXPECT_EQ(ExtractFileTitle(C.Path), C.Title);
  }
}

TEST(Utils, LastCharPos) {
  struct TCase {
    char Ch;
    const char* Text;
    int Pos;
  };
  const TCase Cases[] = {{'.', "a.b.c", 4}, {'.', "abc", -1}, {'.', "", -1}, {'a', "a", 1}, {'c', "abc", 3}, {'\\', "C:\\x\\", 5}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(LastCharPos(C.Ch, C.Text), C.Pos);
  }
}

TEST(Utils, IndexOfText) {
  const std::string Table[] = {"open", "Print", "EDIT", "print"};
  struct TCase {
    int High;
    const char* Text;
    int Index;
  };
  const TCase Cases[] = {
      {3, "OPEN", 0}, {3, "print", 1},  // the first match, without regard to case
      {3, "edit", 2}, {3, "explore", -1}, {3, "", -1},
      {1, "edit", -1},                  // only 0..High is searched
      {-1, "open", -1},                 // an empty array
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Text) + " " + std::to_string(C.High));
    EXPECT_EQ(IndexOfText(Table, C.High, C.Text), C.Index);
  }
  EXPECT_EQ(IndexOfText(std::vector<std::string>{"a", "B"}, "b"), 1);
  EXPECT_EQ(IndexOfText(std::vector<std::string>{}, "b"), -1);
  // ASCII only: letters above 127 compare as they are.
  EXPECT_EQ(IndexOfText(std::vector<std::string>{"\xC4"}, "\xE4"), -1);
}

TEST(Utils, TryParseGuid) {
  const GUID Expected = {0x4E7B21D3, 0x9A5C, 0x4F08, {0xB6, 0xE1, 0x2C, 0x93, 0xD5, 0x7A, 0x0F, 0x64}};
  struct TCase {
    const char* Text;
    bool Ok;
  };
  const TCase Cases[] = {
      {"{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}", true},
      {"{4e7b21d3-9a5c-4f08-b6e1-2c93d57a0f64}", true},
      {"{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64)", true},  // the closing character is not examined
      {"4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64", false},    // 36 characters
      {"{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F6G}", false},
      {"{G E7B21D3-9A5C-4F08-B6E1-2C93D57A0F6}", false},
      {"(4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}", false},
      {"{4E7B21D3+9A5C-4F08-B6E1-2C93D57A0F64}", false},
      {"{4E7B21D39-A5C-4F08-B6E1-2C93D57A0F64}", false},
      {"{4E7B21D3-9A5C-4F08-B6E12C93-D57A0F64}", false},
      {"{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}x", false},  // 39 characters
      {"", false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    GUID Guid{};
    EXPECT_EQ(TryParseGuid(C.Text, Guid), C.Ok);
    if (C.Ok) {
      EXPECT_TRUE(IsEqualGUID(Guid, Expected));
    } else {
      EXPECT_TRUE(IsEqualGUID(Guid, GUID{}));  // untouched
    }
  }
  EXPECT_EQ(GUIDToString(Expected), "{4E7B21D3-9A5C-4F08-B6E1-2C93D57A0F64}");
  // Every byte survives the round trip.
  const GUID Odd = {0x00FF0102, 0x0A0B, 0xF00F, {0x00, 0x01, 0x80, 0x7F, 0xFE, 0xFF, 0x10, 0x09}};
  GUID Back{};
  ASSERT_TRUE(TryParseGuid(GUIDToString(Odd), Back));
  EXPECT_TRUE(IsEqualGUID(Back, Odd));
}

}  // namespace
