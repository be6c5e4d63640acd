// Integer parsing, trimming, comparisons, system error texts and file names.
#include "classlib/core/SysUtils.h"

#include "tests/support/SystemText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

TEST(SysUtils, StrToIntDefTable) {
  struct TCase {
    std::string Text;
    int Expected;  // Default (-7) when the text is not a number
  };
  const int Def = -7;
  const std::vector<TCase> Cases = {
      {"0", 0},
      {"12", 12},
      {" 12", 12},
      {"   -3", -3},
      {"00012", 12},
      {"+5", 5},
      {"-5", -5},
      {"$10", 16},
      {"$ff", 255},
      {"$7FFFFFFF", 2147483647},
      {"$8000000F", static_cast<int>(0x8000000Fu)},
      {"$FFFFFFFF", -1},
      {"$000000010", 16},  // leading zeros do not count as digits
      {"-$10", -16},
      {"+$10", 16},
      {"2147483647", 2147483647},
      {"-2147483648", INT_MIN},
      {"2147483648", Def},
      {"-2147483649", Def},
      {"99999999999", Def},
      {"$100000000", Def},
      {"$", Def},
      {"-$", Def},
      {"", Def},
      {" ", Def},
      {"+", Def},
      {"-", Def},
      {"12x", Def},
      {"12 ", Def},
      {"1 2", Def},
      {"- 5", Def},
      {"--5", Def},
      {"$-5", Def},
      {"$1G", Def},
      {"0x10", Def},
      {"\t5", Def},
      {"5.0", Def},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(StrToIntDef(C.Text, Def), C.Expected) << "text: '" << C.Text << "'";
    int Value = 12345;
    const bool Ok = TryStrToInt(C.Text, Value);
    EXPECT_EQ(Ok, C.Expected != Def) << "text: '" << C.Text << "'";
    long long Value64 = 0;
    if (Ok) {
      EXPECT_EQ(Value, C.Expected);
      // Decimal texts in the 32-bit range read the same as 64-bit numbers.
      if (C.Text.find('$') == std::string::npos) {
        EXPECT_TRUE(TryStrToInt64(C.Text, Value64));
        EXPECT_EQ(Value64, C.Expected);
      }
    }
  }
}

TEST(SysUtils, StrToIntRaises) {
  EXPECT_EQ(StrToInt(" -$10"), -16);
  for (const std::string Text : {"12x", "", "2147483648"}) {
    try {
      StrToInt(Text);
      ADD_FAILURE() << "no exception for '" << Text << "'";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), "'" + Text + "' is not a valid integer value");
    }
  }
}

TEST(SysUtils, Int64Parsing) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), LLONG_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), LLONG_MIN);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 3), 3);
  EXPECT_EQ(StrToInt64("$8000000F"), 0x8000000FLL);  // 64-bit: no wrap
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64Def("$10000000000000000", 3), 3);
  EXPECT_THROW(StrToInt64("x"), EConvertError);
}

TEST(SysUtils, IntToStrAndHex) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-123), "-123");
  EXPECT_EQ(IntToStr(LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<int>(0xFF000005u), 1), "FF000005");
  EXPECT_EQ(IntToHex(0xFF000005u, 1), "FF000005");
  EXPECT_EQ(IntToHex(static_cast<DWORD>(0x20000000), 1), "20000000");
  EXPECT_EQ(IntToHex(-1LL, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(0xABCDEFULL, 8), "00ABCDEF");
}

TEST(SysUtils, TrimFamily) {
  struct TCase {
    std::string Text, Both, Left, Right;
  };
  const std::vector<TCase> Cases = {
      {"", "", "", ""},
      {"abc", "abc", "abc", "abc"},
      {"  a b  ", "a b", "a b  ", "  a b"},
      {"\t\r\n x \r\n", "x", "x \r\n", "\t\r\n x"},
      {std::string("\0\x01z\x1F ", 5), "z", "z\x1F ", std::string("\0\x01z", 3)},
      {"   ", "", "", ""},
      {"\xA0y\xA0", "\xA0y\xA0", "\xA0y\xA0", "\xA0y\xA0"},  // code 160 is not a blank
      {"!x!", "!x!", "!x!", "!x!"},                          // code 33 is not a blank
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(Trim(C.Text), C.Both);
    EXPECT_EQ(TrimLeft(C.Text), C.Left);
    EXPECT_EQ(TrimRight(C.Text), C.Right);
  }
}

TEST(SysUtils, AsciiComparisons) {
  // Independent of any locale: the difference of the first differing upper-cased bytes, else of the lengths.
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_EQ(CompareText("abc", "ABD"), 'C' - 'D');
  EXPECT_EQ(CompareText("ab", "abcd"), -2);
  EXPECT_EQ(CompareText("b", "A"), 1);
  EXPECT_EQ(CompareText("a_", "A["), '_' - '[');  // '_' is not upper-cased to anything
  EXPECT_EQ(CompareText("\xE4", "\xC4"), 0xE4 - 0xC4);  // non-ASCII letters keep their case
  EXPECT_EQ(CompareStr("abc", "abd"), 'c' - 'd');
  EXPECT_EQ(CompareStr("a", "A"), 'a' - 'A');
  EXPECT_EQ(CompareStr("\xFF", "a"), 0xFF - 'a');  // bytes compare unsigned
  EXPECT_EQ(CompareStr("abc", "ab"), 1);
  EXPECT_TRUE(SameText("Hello", "hELLO"));
  EXPECT_FALSE(SameText("Hello", "Hell"));
  EXPECT_EQ(UpperCase("abz\xE4\xFF{"), "ABZ\xE4\xFF{");
  EXPECT_EQ(LowerCase("ABZ\xC4@["), "abz\xC4@[");
}

namespace {
int LocaleCompare(LCID Locale, DWORD Flags, const std::string& A, const std::string& B) {
  return CompareStringA(Locale, Flags, A.data(), static_cast<int>(A.size()), B.data(), static_cast<int>(B.size())) - 2;
}

// Sets the thread locale for one scope.
class TThreadLocale {
public:
  explicit TThreadLocale(LCID Locale) : FOld(GetThreadLocale()) { FOk = SetThreadLocale(Locale) != FALSE; }
  ~TThreadLocale() { SetThreadLocale(FOld); }
  bool Ok() const { return FOk; }

private:
  LCID FOld;
  bool FOk;
};
}  // namespace

TEST(SysUtils, LocaleComparisons) {
  const LCID Locale = GetThreadLocale();
  const std::vector<std::pair<std::string, std::string>> Pairs = {
      {"abc", "ABC"}, {"abc", "abd"}, {"\xE4pfel", "\xC4PFEL"}, {"a", "B"}, {"B", "a"},
      {"", "x"},      {"x", ""},      {std::string("a\0b", 3), std::string("a\0c", 3)}, {"same", "same"}};
  for (const auto& [A, B] : Pairs) {
    EXPECT_EQ(AnsiCompareText(A, B), LocaleCompare(Locale, NORM_IGNORECASE, A, B)) << A << " / " << B;
    EXPECT_EQ(AnsiCompareStr(A, B), LocaleCompare(Locale, 0, A, B)) << A << " / " << B;
    EXPECT_EQ(AnsiSameText(A, B), LocaleCompare(Locale, NORM_IGNORECASE, A, B) == 0);
  }
  // Locale-independent facts: equal texts are equal, the results are -1, 0 or 1.
  EXPECT_EQ(AnsiCompareText("Same", "Same"), 0);
  EXPECT_EQ(AnsiCompareStr("Same", "Same"), 0);
  for (const auto& [A, B] : Pairs) {
    const int R = AnsiCompareText(A, B);
    EXPECT_TRUE(R >= -1 && R <= 1);
  }
  // The ASCII comparison does not fold a-umlaut, the locale's may.
  EXPECT_NE(CompareText("\xE4", "\xC4"), 0);
}

TEST(SysUtils, LocaleComparisonsFollowTheThreadLocale) {
  // In code page 1251 0xB8/0xA8 are a lower/upper-case pair; in 1252 they are two unrelated signs.
  const std::string Lower = "\xB8", Upper = "\xA8";
  const LCID Russian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT);
  const LCID English = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
  const int InRussian = LocaleCompare(Russian, NORM_IGNORECASE, Lower, Upper);
  const int InEnglish = LocaleCompare(English, NORM_IGNORECASE, Lower, Upper);
  {
    TThreadLocale Scope(Russian);
    ASSERT_TRUE(Scope.Ok());
    EXPECT_EQ(AnsiCompareText(Lower, Upper), InRussian);
  }
  {
    TThreadLocale Scope(English);
    ASSERT_TRUE(Scope.Ok());
    EXPECT_EQ(AnsiCompareText(Lower, Upper), InEnglish);
  }
  if (InRussian == InEnglish) GTEST_SKIP() << "the platform compares both locales alike";
}

TEST(SysUtils, AnsiCase) {
  const std::string Text = "abc\xE4\xF6 XYZ\xC4";
  std::string Upper = Text, Lower = Text;
  CharUpperBuffA(&Upper[0], static_cast<DWORD>(Upper.size()));
  CharLowerBuffA(&Lower[0], static_cast<DWORD>(Lower.size()));
  EXPECT_EQ(AnsiUpperCase(Text), Upper);
  EXPECT_EQ(AnsiLowerCase(Text), Lower);
  EXPECT_EQ(AnsiUpperCase(Text).substr(0, 3), "ABC");  // ASCII is upper-cased in every code page
  EXPECT_EQ(AnsiLowerCase("XYZ"), "xyz");
  EXPECT_EQ(AnsiUpperCase(""), "");
}

TEST(SysUtils, SysErrorMessage) {
  for (DWORD Code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_INVALID_PARAMETER}) {
    const std::string Text = SysErrorMessage(Code);
    EXPECT_EQ(Text, SystemText(Code)) << Code;
    EXPECT_FALSE(Text.empty());
    EXPECT_NE(Text.back(), '.');
    EXPECT_NE(Text.back(), '\n');
  }
  EXPECT_EQ(SysErrorMessage(0x2000FFFF), SystemText(0x2000FFFF));  // no such message: both empty
}

TEST(SysUtils, RaiseLastOSError) {
  SetLastError(ERROR_ACCESS_DENIED);
  try {
    RaiseLastOSError();
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(E.Message(), "System Error.  Code: 5.\r\n" + SysErrorMessage(ERROR_ACCESS_DENIED));
  }
  try {
    RaiseLastOSError(0);
  } catch (const EOSError& E) {
    EXPECT_EQ(E.ErrorCode, 0u);
    EXPECT_EQ(E.Message(), "A call to an OS function failed");
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_THROW(Win32Check(false), EOSError);
  EXPECT_NO_THROW(Win32Check(true));
}

TEST(SysUtils, FileNames) {
  struct TCase {
    std::string Name, Path, Dir, FileName, Ext;
  };
  const std::vector<TCase> Cases = {
      {"C:\\dir\\file.txt", "C:\\dir\\", "C:\\dir", "file.txt", ".txt"},
      {"C:\\file.txt", "C:\\", "C:\\", "file.txt", ".txt"},
      {"C:file", "C:", "C:", "file", ""},
      {"a/b.c", "a/", "a", "b.c", ".c"},
      {"file", "", "", "file", ""},
      {"C:\\d.x\\file", "C:\\d.x\\", "C:\\d.x", "file", ""},
      {"arc.tar.gz", "", "", "arc.tar.gz", ".gz"},
      {"\\\\server\\share\\", "\\\\server\\share\\", "\\\\server\\share", "", ""},
      {"dir\\", "dir\\", "dir", "", ""},
      {".ini", "", "", ".ini", ".ini"},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(ExtractFilePath(C.Name), C.Path) << C.Name;
    EXPECT_EQ(ExtractFileDir(C.Name), C.Dir) << C.Name;
    EXPECT_EQ(ExtractFileName(C.Name), C.FileName) << C.Name;
    EXPECT_EQ(ExtractFileExt(C.Name), C.Ext) << C.Name;
  }
  EXPECT_EQ(ChangeFileExt("a.txt", ".ini"), "a.ini");
  EXPECT_EQ(ChangeFileExt("C:\\d.x\\f", ".ini"), "C:\\d.x\\f.ini");
  EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\a\\"), "C:\\a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\a"), "C:\\a");
}

TEST(SysUtils, FileAndDirectoryExist) {
  TTempDir Dir;
  const std::string File = Dir.File("x.txt");
  EXPECT_TRUE(DirectoryExists(Dir.Path()));
  EXPECT_FALSE(FileExists(Dir.Path()));
  EXPECT_FALSE(FileExists(File));
  const HANDLE H = CreateFileA(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(H, INVALID_HANDLE_VALUE);
  CloseHandle(H);
  EXPECT_TRUE(FileExists(File));
  EXPECT_FALSE(DirectoryExists(File));
  EXPECT_FALSE(DirectoryExists(Dir.File("missing")));
  EXPECT_EQ(ExpandFileName(File), File);
}
