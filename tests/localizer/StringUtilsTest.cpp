// Localizer string utilities: the literal decoder, cutting, replacing and code-page conversions.
#include "localizer/uStringUtils.h"

#include "tests/support/Expect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TDecodeCase {
  const wchar_t* Source;
  const wchar_t* Expected;
};

const TDecodeCase DecodeCases[] = {
    {L"'It''s'", L"It's"},
    {L"'a'#13#10'b'", L"a\r\nb"},
    {L"#65#66", L"AB"},
    {L"'abc' + 'def'", L"abc\r\rdef"},
    {L"#65601", L"A"},
    {L"'x'#", L"x"},
    {L"&OK", L""},
    {L"'One' 'Two'", L"One\rTwo"},
    {L"x 'a'", L"a"},
    {L"'a' x", L"a\r\r"},
    {L"'&OK' ", L"&OK\r"},
    {L"#39'a'", L"'a"},
    {L"''''", L"'"},
    {L"", L""},
};

}  // namespace

TEST(StringUtils, DecodesQuotedLines) {
  for (const TDecodeCase& Case : DecodeCases)
    EXPECT_EQ(DecodeQuotedLines(Case.Source), std::wstring(Case.Expected)) << WideToAnsiCP(Case.Source, CP_UTF8);
}

TEST(StringUtils, BadLiteralsRaise) {
  // The message quotes the run of literals that failed.
  const struct {
    const wchar_t* Source;
    const char* Quoted;
  } Cases[] = {{L"#$41", "#$41"}, {L"'abc", "'abc"}, {L"##65", "##65"}, {L"#65 'x'", "#65 'x'"},
               {L"'a' 'b", "'b"}};
  for (const auto& Case : Cases)
    EXPECT_EQ(MessageOf([&] { DecodeQuotedLines(Case.Source); }),
              std::string("Bad decoded string: \"") + Case.Quoted + "\"")
        << Case.Quoted;
  // ... in the code page asked for.
  EXPECT_EQ(MessageOf([] { DecodeQuotedLines(L"'a' '\x041F", 1251); }), "Bad decoded string: \"'\xCF\"");
}

TEST(StringUtils, LiteralStopsAtStrayCharacter) {
  std::wstring Result;
  EXPECT_EQ(DecodeQuotedLiteral(L"'ab'#67'c' x", Result), 11u);
  EXPECT_EQ(Result, L"abCc");
  EXPECT_EQ(DecodeQuotedLiteral(L"x", Result), 1u);
  EXPECT_EQ(Result, L"");
  EXPECT_EQ(DecodeQuotedLiteral(L"'ab'", Result), 0u);
  EXPECT_EQ(Result, L"ab");
}

TEST(StringUtils, DecodeValueHumanized) {
  EXPECT_EQ(DecodeValue(L"One|Two|", true, L"|", L"\r\n"), L"One\r\nTwo\r\n");
  EXPECT_EQ(DecodeValue(L"'One' 'Two'", true, L"|", L"\r"), L"'One' 'Two'");
  EXPECT_EQ(DecodeValue(L"'One' 'Two'", false, L"|", L"\r"), L"One\rTwo");
  // An empty divider changes nothing.
  EXPECT_EQ(DecodeValue(L"One|Two", true, L"", L"\r"), L"One|Two");
}

TEST(StringUtils, CutHead) {
  std::string S = "a.b.c", Head;
  CutHead(S, ".", Head);
  EXPECT_EQ(Head, "a");
  EXPECT_EQ(S, "b.c");
  S = "abc";
  CutHead(S, ".", Head);
  EXPECT_EQ(Head, "abc");
  EXPECT_EQ(S, "");
  std::wstring W = L"12_name=value", WHead;
  WideCutHead(W, L"_", WHead);
  EXPECT_EQ(WHead, L"12");
  EXPECT_EQ(W, L"name=value");
  W = L"none";
  WideCutHead(W, L"=", WHead);
  EXPECT_EQ(WHead, L"none");
  EXPECT_EQ(W, L"");
  W = L"x=>y";
  WideCutHead(W, L"=>", WHead);
  EXPECT_EQ(WHead, L"x");
  EXPECT_EQ(W, L"y");
}

TEST(StringUtils, WideReplace) {
  EXPECT_EQ(WideReplace(L"a-b-c", L"-", L"+", 0), L"a+b-c");
  EXPECT_EQ(WideReplace(L"a-b-c", L"-", L"+", rfReplaceAll), L"a+b+c");
  EXPECT_EQ(WideReplaceAll(L"--", L"-", L"<->"), L"<-><->");
  // Ignoring case finds the pattern in any case and keeps the rest of S as it was.
  EXPECT_EQ(WideReplace(L"aXbxC", L"x", L"-", rfReplaceAll | rfIgnoreCase), L"a-b-C");
  EXPECT_EQ(WideReplace(L"aXbxC", L"x", L"-", rfReplaceAll), L"aXb-C");
  EXPECT_EQ(WideReplace(L"One\x0434x\x0414", L"\x0414", L"!", rfReplaceAll | rfIgnoreCase), L"One!x!");
  EXPECT_EQ(WideReplace(L"", L"x", L"y", rfReplaceAll), L"");
  EXPECT_EQ(WideReplace(L"abc", L"", L"y", rfReplaceAll), L"abc");
}

TEST(StringUtils, CodePageConversions) {
  const std::string Cyrillic1251 = "\xCF\xF0\xE8";
  const std::wstring Wide = L"\x041F\x0440\x0438";
  EXPECT_EQ(AnsiToWideCP(Cyrillic1251, 1251), Wide);
  EXPECT_EQ(AnsiToWideCP("\xD0\x9F\xD1\x80\xD0\xB8", CP_UTF8), Wide);
  EXPECT_EQ(WideToAnsiCP(Wide, 1251), Cyrillic1251);
  EXPECT_EQ(WideToAnsiCP(Wide, 1252), "???");
  EXPECT_EQ(WideToAnsiCP(Wide, CP_UTF8), "\xD0\x9F\xD1\x80\xD0\xB8");
  // A code page the system does not know converts to nothing.
  EXPECT_EQ(AnsiToWideCP("abc", 12345), L"");
  EXPECT_EQ(AnsiToWideCP("", 1251), L"");
}
