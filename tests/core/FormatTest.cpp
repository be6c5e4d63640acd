// Format: specifiers, argument indexes, width and precision, and the errors for bad formats.
#include "classlib/core/SysUtils.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct TFormatCase {
  const char* Fmt;
  std::function<std::string()> Run;
  std::string Expected;
};

#define FMT_CASE(Expected, Fmt, ...) TFormatCase{Fmt, [] { return Format(Fmt, {__VA_ARGS__}); }, Expected}

std::string LocaleText(LCTYPE Type) {
  char Buffer[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, Type, Buffer, sizeof(Buffer));
  return std::string(1, Buffer[0] != '\0' ? Buffer[0] : (Type == LOCALE_SDECIMAL ? '.' : ','));
}

const std::string Greeting = "hello";

}  // namespace

TEST(Format, Specifiers) {
  const std::vector<TFormatCase> Cases = {
      FMT_CASE("", ""),
      FMT_CASE("plain text", "plain text"),
      FMT_CASE("100%", "100%%"),
      FMT_CASE("50% done", "%d%% done", 50),
      // integers
      FMT_CASE("42", "%d", 42),
      FMT_CASE("-42", "%d", -42),
      FMT_CASE("   42", "%5d", 42),
      FMT_CASE("42   |", "%-5d|", 42),
      FMT_CASE("-0005", "%.4d", -5),
      FMT_CASE("   007", "%6.3d", 7),
      FMT_CASE("123456", "%.3d", 123456),
      FMT_CASE("12", "%1d", 12),
      FMT_CASE("4294967295", "%d", 4294967295u),
      FMT_CASE("-9223372036854775808", "%d", -9223372036854775807LL - 1),
      FMT_CASE("18446744073709551615", "%d", 18446744073709551615ULL),
      FMT_CASE("4294967295", "%u", -1),
      FMT_CASE("18446744073709551615", "%u", -1LL),
      FMT_CASE("00017", "%.5u", 17),
      FMT_CASE("FF", "%x", 255),
      FMT_CASE("00FF", "%.4x", 255),
      FMT_CASE("FFFFFFFF", "%x", -1),
      FMT_CASE("FFFFFFFFFFFFFFFF", "%x", -1LL),
      FMT_CASE("ABC", "%X", 0xABCu),
      FMT_CASE("  0A", "%4.2x", 10),
      FMT_CASE("7FFFFFFF", "%x", 2147483647L),
      // text
      FMT_CASE("abc", "%s", "abc"),
      FMT_CASE("hello", "%s", Greeting),
      FMT_CASE("c", "%s", 'c'),
      FMT_CASE("", "%s", static_cast<const char*>(nullptr)),
      FMT_CASE("   ab|", "%5s|", "ab"),
      FMT_CASE("ab   |", "%-5s|", "ab"),
      FMT_CASE("ab", "%.2s", "abcdef"),
      FMT_CASE("  abc", "%5.3s", "abcdef"),
      FMT_CASE("abc", "%S", "abc"),
      // indexes: the following specifiers continue after the indexed argument
      FMT_CASE("a-a", "%0:s-%0:s", "a"),
      FMT_CASE("b a b", "%1:s %0:s %s", "a", "b"),
      FMT_CASE("x=1 y=2 x=1", "x=%d y=%d x=%0:d", 1, 2),
      FMT_CASE("   b|", "%1:4s|", "a", "b"),
      FMT_CASE("b   |", "%1:-4s|", "a", "b"),
      // widths and precisions from the arguments
      FMT_CASE("   42", "%*d", 5, 42),
      FMT_CASE("42   |", "%-*d|", 5, 42),
      FMT_CASE("0007", "%.*d", 4, 7),
      FMT_CASE("   007", "%*.*d", 6, 3, 7),
      FMT_CASE("ab", "%.*s", 2, "abc"),
      FMT_CASE("z", "%*:s", 1, "z"),
      // mixed
      FMT_CASE("Cannot open \"f.txt\": 2", "Cannot open \"%s\": %d", "f.txt", 2),
      FMT_CASE("[0x0000002A]", "[0x%.8x]", 42),
  };
  for (const TFormatCase& C : Cases) EXPECT_EQ(C.Run(), C.Expected) << "format: " << C.Fmt;
}

TEST(Format, Pointer) {
  const void* P = reinterpret_cast<const void*>(static_cast<uintptr_t>(0x1234ABCD));
  const std::string Expected = std::string(sizeof(void*) * 2 - 8, '0') + "1234ABCD";
  EXPECT_EQ(Format("%p", {P}), Expected);
  EXPECT_EQ(Format("%p", {static_cast<const void*>(nullptr)}), std::string(sizeof(void*) * 2, '0'));
  const std::string Padded = Expected.size() < 12 ? std::string(12 - Expected.size(), ' ') + Expected : Expected;
  EXPECT_EQ(Format("[%12p]", {P}), "[" + Padded + "]");
}

TEST(Format, Floats) {
  const std::string Dec = LocaleText(LOCALE_SDECIMAL);
  const std::string Th = LocaleText(LOCALE_STHOUSAND);
  const std::vector<TFormatCase> Cases = {
      FMT_CASE("1" + Dec + "50", "%f", 1.5),
      FMT_CASE("2" + Dec + "000", "%.3f", 2.0),
      FMT_CASE("-3", "%.0f", -3.0),
      FMT_CASE("   1" + Dec + "25", "%7.2f", 1.25),
      FMT_CASE("1" + Dec + "50000000000000E+000", "%e", 1.5),
      FMT_CASE("1" + Dec + "2E+003", "%.2e", 1234.0),
      FMT_CASE("0" + Dec + "5", "%g", 0.5),
      FMT_CASE("1E20", "%g", 1e20),
      FMT_CASE("1E-7", "%g", 1e-7),
      FMT_CASE("1" + Th + "234" + Th + "567" + Dec + "89", "%n", 1234567.891),
      FMT_CASE("-999" + Dec + "00", "%n", -999.0),
  };
  for (const TFormatCase& C : Cases) EXPECT_EQ(C.Run(), C.Expected) << "format: " << C.Fmt;
}

TEST(Format, Errors) {
  struct TErrorCase {
    const char* Fmt;
    std::function<std::string()> Run;
    std::string Expected;
  };
#define FMT_ERROR(Expected, Fmt, ...) TErrorCase{Fmt, [] { return Format(Fmt, {__VA_ARGS__}); }, Expected}
  const std::string LongFmt = "%d and a long tail of text that goes on";
  const std::vector<TErrorCase> Cases = {
      FMT_ERROR("Format '%d' invalid or incompatible with argument", "%d", "a"),
      FMT_ERROR("Format '%d' invalid or incompatible with argument", "%d", true),
      FMT_ERROR("Format '%d' invalid or incompatible with argument", "%d", 1.5),
      FMT_ERROR("Format '%x' invalid or incompatible with argument", "%x", 'c'),
      FMT_ERROR("Format '%s' invalid or incompatible with argument", "%s", 5),
      FMT_ERROR("Format '%s' invalid or incompatible with argument", "%s", true),
      FMT_ERROR("Format '%f' invalid or incompatible with argument", "%f", 1),
      FMT_ERROR("Format '%p' invalid or incompatible with argument", "%p", 1),
      FMT_ERROR("Format '%q' invalid or incompatible with argument", "%q", 1),
      FMT_ERROR("Format 'abc%' invalid or incompatible with argument", "abc%"),
      FMT_ERROR("Format '%5%' invalid or incompatible with argument", "%5%"),
      FMT_ERROR("Format '%*d' invalid or incompatible with argument", "%*d", "x", 1),
      FMT_ERROR("No argument for format '%d'", "%d"),
      FMT_ERROR("No argument for format '%d %d'", "%d %d", 1),
      FMT_ERROR("No argument for format '%2:s'", "%2:s", "a", "b"),
      FMT_ERROR("No argument for format '%*d'", "%*d", 5),
      // the message quotes at most 31 characters of the format
      FMT_ERROR("Format '%d and a long tail of text that' invalid or incompatible with argument",
                "%d and a long tail of text that goes on", "x"),
  };
#undef FMT_ERROR
  for (const TErrorCase& C : Cases) {
    try {
      const std::string Got = C.Run();
      ADD_FAILURE() << "no exception for '" << C.Fmt << "', got '" << Got << "'";
    } catch (const EConvertError& E) {
      EXPECT_EQ(E.Message(), C.Expected) << "format: " << C.Fmt;
    }
  }
}

TEST(Format, ExceptionConstructors) {
  const Exception E("Item %d of %s", {3, "list"});
  EXPECT_EQ(E.Message(), "Item 3 of list");
  EXPECT_STREQ(E.what(), "Item 3 of list");

  EConvertError C("plain %d");  // no formatting without arguments
  EXPECT_EQ(C.Message(), "plain %d");
  C.SetMessage("changed");
  EXPECT_STREQ(C.what(), "changed");

  try {
    throw EOSError("os %s", {"error"});
  } catch (const Exception& Caught) {
    EXPECT_EQ(Caught.Message(), "os error");
    EXPECT_NE(dynamic_cast<const EOSError*>(&Caught), nullptr);
  }
  EXPECT_THROW(Abort(), EAbort);
}
