#include "tests/support/Files.h"
#include "model/CustDraw.h"

#include "classlib/core/Classes.h"
#include "classlib/core/SysUtils.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

void WriteBytes(const std::string& FileName, const std::string& Bytes) {
  HANDLE H = CreateFileA(FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(H, INVALID_HANDLE_VALUE) << FileName;
  DWORD Written = 0;
  WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr);
  CloseHandle(H);
  ASSERT_EQ(Written, Bytes.size());
}

std::string ReadBytes(const std::string& FileName) { return FileBytesOr(FileName, "<missing>"); }

std::string Lines(std::initializer_list<std::string> L) {
  std::string Result;
  for (const std::string& S : L) Result += S + "\r\n";
  return Result;
}

const std::string Header = "[Custom-drawn Menu Properties]";

// Every setting, for comparing whole objects.
struct TSettings {
  bool Enabled = false, FirstLevelDefault = true, BackgroundFix = true;
  int32_t TextIndent = 20;
  std::string TextFontFace;
  int32_t TextFontSize = 0;
  TColor NormalTextColor = clDefault, SelectedTextColor = clDefault, NormalBackColor = clDefault,
         SelectedBackColor = clDefault, NormalIconBackColor = clDefault, SelectedIconBackColor = clDefault;
  uint8_t FrameStyle = 0;
  TColor FrameLightColor = clDefault, FrameShadowColor = clDefault, FrameBorderColor = clDefault;
  bool FrameAll = false;

  auto Tie() const {
    return std::tie(Enabled, FirstLevelDefault, BackgroundFix, TextIndent, TextFontFace, TextFontSize,
                    NormalTextColor, SelectedTextColor, NormalBackColor, SelectedBackColor, NormalIconBackColor,
                    SelectedIconBackColor, FrameStyle, FrameLightColor, FrameShadowColor, FrameBorderColor, FrameAll);
  }
  bool operator==(const TSettings& O) const { return Tie() == O.Tie(); }
};

std::ostream& operator<<(std::ostream& Os, const TSettings& S) {
  return Os << "{Enabled " << S.Enabled << ", FirstLevelDefault " << S.FirstLevelDefault << ", BackgroundFix "
            << S.BackgroundFix << ", TextIndent " << S.TextIndent << ", TextFontFace '" << S.TextFontFace
            << "', TextFontSize " << S.TextFontSize << ", NormalText " << std::hex << S.NormalTextColor
            << ", SelectedText " << S.SelectedTextColor << ", NormalBack " << S.NormalBackColor << ", SelectedBack "
            << S.SelectedBackColor << ", NormalIconBack " << S.NormalIconBackColor << ", SelectedIconBack "
            << S.SelectedIconBackColor << std::dec << ", FrameStyle " << int(S.FrameStyle) << std::hex
            << ", FrameLight " << S.FrameLightColor << ", FrameShadow " << S.FrameShadowColor << ", FrameBorder "
            << S.FrameBorderColor << std::dec << ", FrameAll " << S.FrameAll << "}";
}

TSettings Snapshot(const TCustomDrawnMenuInfo& I) {
  TSettings S;
  S.Enabled = I.Enabled();
  S.FirstLevelDefault = I.FirstLevelDefault();
  S.BackgroundFix = I.BackgroundFix();
  S.TextIndent = I.TextIndent();
  S.TextFontFace = I.TextFontFace();
  S.TextFontSize = I.TextFontSize();
  S.NormalTextColor = I.NormalTextColor();
  S.SelectedTextColor = I.SelectedTextColor();
  S.NormalBackColor = I.NormalBackColor();
  S.SelectedBackColor = I.SelectedBackColor();
  S.NormalIconBackColor = I.NormalIconBackColor();
  S.SelectedIconBackColor = I.SelectedIconBackColor();
  S.FrameStyle = I.FrameStyle();
  S.FrameLightColor = I.FrameLightColor();
  S.FrameShadowColor = I.FrameShadowColor();
  S.FrameBorderColor = I.FrameBorderColor();
  S.FrameAll = I.FrameAll();
  return S;
}

void Apply(TCustomDrawnMenuInfo& I, const TSettings& S) {
  I.SetEnabled(S.Enabled);
  I.SetFirstLevelDefault(S.FirstLevelDefault);
  I.SetBackgroundFix(S.BackgroundFix);
  I.SetTextIndent(S.TextIndent);
  I.SetTextFontFace(S.TextFontFace);
  I.SetTextFontSize(S.TextFontSize);
  I.SetNormalTextColor(S.NormalTextColor);
  I.SetSelectedTextColor(S.SelectedTextColor);
  I.SetNormalBackColor(S.NormalBackColor);
  I.SetSelectedBackColor(S.SelectedBackColor);
  I.SetNormalIconBackColor(S.NormalIconBackColor);
  I.SetSelectedIconBackColor(S.SelectedIconBackColor);
  I.SetFrameStyle(S.FrameStyle);
  I.SetFrameLightColor(S.FrameLightColor);
  I.SetFrameShadowColor(S.FrameShadowColor);
  I.SetFrameBorderColor(S.FrameBorderColor);
  I.SetFrameAll(S.FrameAll);
}

// A distinct non-default value in every field.
TSettings Distinct() {
  TSettings S;
  S.Enabled = true;
  S.FirstLevelDefault = false;
  S.BackgroundFix = false;
  S.TextIndent = 24;
  S.TextFontFace = "Tahoma";
  S.TextFontSize = 9;
  S.NormalTextColor = 0x000000FF;
  S.SelectedTextColor = static_cast<TColor>(0x8000000F);
  S.NormalBackColor = static_cast<TColor>(0xFF000005);
  S.SelectedBackColor = 0x00FF0000;
  S.NormalIconBackColor = 0;
  S.SelectedIconBackColor = 0x00ABCDEF;
  S.FrameStyle = 3;
  S.FrameLightColor = clNone;
  S.FrameShadowColor = 0x00010203;
  S.FrameBorderColor = static_cast<TColor>(0x80000010);
  S.FrameAll = true;
  return S;
}

const std::string DistinctSection = Lines({Header,
                                           "Enabled=True",
                                           "FirstLevelDefault=False",
                                           "BackgroundFix=False",
                                           "TextIndent=24",
                                           "TextFontFace=Tahoma",
                                           "TextFontSize=9",
                                           "NormalTextColor=$FF",
                                           "SelectedTextColor=$8000000F",
                                           "NormalBackColor=$FF000005",
                                           "SelectedBackColor=$FF0000",
                                           "NormalIconBackColor=$0",
                                           "SelectedIconBackColor=$ABCDEF",
                                           "FrameStyle=3",
                                           "FrameLightColor=$1FFFFFFF",
                                           "FrameShadowColor=$10203",
                                           "FrameBorderColor=$80000010",
                                           "FrameAll=True"});

const std::string DefaultSection = Lines({Header,
                                          "Enabled=False",
                                          "FirstLevelDefault=True",
                                          "BackgroundFix=True",
                                          "TextIndent=20",
                                          "TextFontFace=",
                                          "TextFontSize=0",
                                          "NormalTextColor=$20000000",
                                          "SelectedTextColor=$20000000",
                                          "NormalBackColor=$20000000",
                                          "SelectedBackColor=$20000000",
                                          "NormalIconBackColor=$20000000",
                                          "SelectedIconBackColor=$20000000",
                                          "FrameStyle=0",
                                          "FrameLightColor=$20000000",
                                          "FrameShadowColor=$20000000",
                                          "FrameBorderColor=$20000000",
                                          "FrameAll=False"});

const char* const BoolKeys[] = {"Enabled", "FirstLevelDefault", "BackgroundFix", "FrameAll"};
const char* const ColorKeys[] = {"NormalTextColor",   "SelectedTextColor",     "NormalBackColor",
                                 "SelectedBackColor", "NormalIconBackColor",   "SelectedIconBackColor",
                                 "FrameLightColor",   "FrameShadowColor",      "FrameBorderColor"};

std::vector<TColor> Colors(const TCustomDrawnMenuInfo& I) {
  return {I.NormalTextColor(),   I.SelectedTextColor(),     I.NormalBackColor(),
          I.SelectedBackColor(), I.NormalIconBackColor(),   I.SelectedIconBackColor(),
          I.FrameLightColor(),   I.FrameShadowColor(),      I.FrameBorderColor()};
}

// Records the events of an object, with the Modified state seen by each.
struct TEventLog {
  int Changes = 0, Modifies = 0;
  std::string Trace;  // "C" per OnChange (with "+" when Modified was True then), "M1"/"M0" per OnModified
  void Attach(TCustomDrawnMenuInfo& I) {
    I.OnChange = [this, &I](TObject* Sender) {
      EXPECT_EQ(Sender, &I);
      ++Changes;
      Trace += I.Modified() ? "C+ " : "C- ";
    };
    I.OnModified = [this, &I](TObject* Sender) {
      EXPECT_EQ(Sender, &I);
      ++Modifies;
      Trace += I.Modified() ? "M1 " : "M0 ";
    };
  }
};

class CustDrawTest : public ::testing::Test {
protected:
  TTempDir Dir;
  std::string Ini = Dir.File("Corvane.ini");
};

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(CustDrawTest, AnyIniWithoutTheSectionGivesTheDefaults) {
  const std::string Other = Lines({"[Static Items]", "Enabled=True", "TextIndent=5", "", "[Custom-drawn Menu]",
                                   "Enabled=True"});
  struct TCase {
    const char* Name;
    const char* Content;  // nullptr: no file
    std::string FileName;
  } Cases[] = {{"missing file", nullptr, Ini},
               {"empty file", "", Ini},
               {"other sections only", Other.c_str(), Ini},
               {"empty section", "[Custom-drawn Menu Properties]\r\n", Ini},
               {"empty file name", nullptr, ""},
               {"missing folder", nullptr, Dir.File("none\\Corvane.ini")}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    DeleteFileA(Ini.c_str());
    if (C.Content) WriteBytes(Ini, C.Content);
    TCustomDrawnMenuInfo Info(C.FileName);
    EXPECT_EQ(Snapshot(Info), TSettings());
    EXPECT_FALSE(Info.Enabled());
    EXPECT_TRUE(Info.FirstLevelDefault());
    EXPECT_TRUE(Info.BackgroundFix());
    EXPECT_EQ(Info.TextIndent(), 20);
    EXPECT_EQ(Info.TextFontSize(), 0);
    EXPECT_EQ(Info.FrameStyle(), 0);
    for (TColor Color : Colors(Info)) EXPECT_EQ(Color, clDefault);
    EXPECT_FALSE(Info.Modified());
    EXPECT_EQ(Info.UpdateCount(), 0);
    EXPECT_EQ(Info.FileName(), C.FileName);
    EXPECT_EQ(ReadBytes(Ini), C.Content ? std::string(C.Content) : "<missing>");  // reading writes nothing
  }
}

TEST_F(CustDrawTest, LoadsEveryKeyIntoItsOwnField) {
  WriteBytes(Ini, DistinctSection);
  TCustomDrawnMenuInfo Info(Ini);
  EXPECT_EQ(Snapshot(Info), Distinct());
  EXPECT_FALSE(Info.Modified());
}

TEST_F(CustDrawTest, ReadsBooleansAsTrueOnlyForTrueInAnyCase) {
  const std::pair<const char*, bool> Cases[] = {
      {"True", true},   {"true", true},   {"TRUE", true},   {"tRuE", true},        {"  True  ", true},
      {"\"True\"", true}, {"True ; on", true}, {"False", false}, {"false", false}, {"1", false},
      {"yes", false},   {"0", false},     {"", false},      {"Truely", false},     {"T", false}};
  for (const auto& [Text, Expected] : Cases) {
    SCOPED_TRACE(Text);
    std::string Content = Header + "\r\n";
    for (const char* Key : BoolKeys) Content += std::string(Key) + "=" + Text + "\r\n";
    WriteBytes(Ini, Content);
    TCustomDrawnMenuInfo Info(Ini);
    EXPECT_EQ(Info.Enabled(), Expected);
    EXPECT_EQ(Info.FirstLevelDefault(), Expected);
    EXPECT_EQ(Info.BackgroundFix(), Expected);
    EXPECT_EQ(Info.FrameAll(), Expected);
  }
}

TEST_F(CustDrawTest, ReadsIntegersWithTheirDefaultsForNonNumbers) {
  struct TCase {
    const char* Text;
    int32_t Indent, Size;
    uint8_t Style;
  } Cases[] = {{"15", 15, 15, 15},     {"0", 0, 0, 0},          {"-3", -3, -3, 253},        {"$10", 16, 16, 16},
               {"257", 257, 257, 1},   {"-1", -1, -1, 255},     {"  7  ", 7, 7, 7},         {"abc", 20, 0, 0},
               {"", 20, 0, 0},         {"12px", 20, 0, 0},      {"1.5", 20, 0, 0},          {"$", 20, 0, 0},
               {"4294967296", 20, 0, 0}, {"2147483647", 2147483647, 2147483647, 255}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Text);
    WriteBytes(Ini, Lines({Header, std::string("TextIndent=") + C.Text, std::string("TextFontSize=") + C.Text,
                           std::string("FrameStyle=") + C.Text}));
    TCustomDrawnMenuInfo Info(Ini);
    EXPECT_EQ(Info.TextIndent(), C.Indent);
    EXPECT_EQ(Info.TextFontSize(), C.Size);
    EXPECT_EQ(Info.FrameStyle(), C.Style);
  }
}

TEST_F(CustDrawTest, ReadsColoursAsHexadecimalOrDecimal) {
  const std::pair<const char*, TColor> Cases[] = {{"$FF", 0xFF},
                                                   {"$ff", 0xFF},
                                                   {"255", 0xFF},
                                                   {"$0", 0},
                                                   {"$8000000F", static_cast<TColor>(0x8000000F)},
                                                   {"$FF000005", static_cast<TColor>(0xFF000005)},
                                                   {"-16777211", static_cast<TColor>(0xFF000005)},
                                                   {"$20000000", clDefault},
                                                   {"$1FFFFFFF", clNone},
                                                   {"$00FF0000", 0x00FF0000},
                                                   {"junk", clDefault},
                                                   {"", clDefault},
                                                   {"#FF0000", clDefault},
                                                   {"$1FFFFFFFF", clDefault},
                                                   {"clRed", clDefault}};
  for (const auto& [Text, Expected] : Cases) {
    SCOPED_TRACE(Text);
    std::string Content = Header + "\r\n";
    for (const char* Key : ColorKeys) Content += std::string(Key) + "=" + Text + "\r\n";
    WriteBytes(Ini, Content);
    TCustomDrawnMenuInfo Info(Ini);
    for (TColor Color : Colors(Info)) EXPECT_EQ(Color, Expected);
    EXPECT_EQ(CustDrawStrToColor(Text), Expected);
  }
}

TEST_F(CustDrawTest, ReadsTheFontFaceUnchangedAndKeysWithoutRegardToCase) {
  WriteBytes(Ini, Lines({"[custom-drawn menu properties]", "textfontface=Courier New", "ENABLED=true",
                         "TextFontSize = 12"}));
  TCustomDrawnMenuInfo Info(Ini);
  EXPECT_EQ(Info.TextFontFace(), "Courier New");
  EXPECT_TRUE(Info.Enabled());
  EXPECT_EQ(Info.TextFontSize(), 12);
}

// ---------------------------------------------------------------------------------------------
// Saving

TEST_F(CustDrawTest, SavesTheDefaultsIntoAFreshFile) {
  TCustomDrawnMenuInfo Info(Ini);
  Info.Save();
  EXPECT_EQ(ReadBytes(Ini), DefaultSection);
  EXPECT_FALSE(Info.Modified());
}

TEST_F(CustDrawTest, SavesEveryFieldUnderItsKeyAndReadsItBack) {
  TCustomDrawnMenuInfo Info(Ini);
  Apply(Info, Distinct());
  EXPECT_TRUE(Info.Modified());
  Info.Save();
  EXPECT_FALSE(Info.Modified());
  EXPECT_EQ(ReadBytes(Ini), DistinctSection);

  TCustomDrawnMenuInfo Again(Ini);
  EXPECT_EQ(Snapshot(Again), Distinct());
  Again.Save();
  EXPECT_EQ(ReadBytes(Ini), DistinctSection);
}

TEST_F(CustDrawTest, WritesColoursAsFewestUpperCaseHexDigits) {
  const std::pair<TColor, const char*> Cases[] = {{0xFF, "$FF"},
                                                   {0, "$0"},
                                                   {0xF, "$F"},
                                                   {0x00FF0000, "$FF0000"},
                                                   {0x00ABCDEF, "$ABCDEF"},
                                                   {clDefault, "$20000000"},
                                                   {clNone, "$1FFFFFFF"},
                                                   {static_cast<TColor>(0x8000000F), "$8000000F"},
                                                   {static_cast<TColor>(0xFF000005), "$FF000005"},
                                                   {-1, "$FFFFFFFF"}};
  for (const auto& [Color, Text] : Cases) {
    SCOPED_TRACE(Text);
    EXPECT_EQ(CustDrawColorToStr(Color), Text);
    const std::string File = Dir.File(std::string("c") + (Text + 1) + ".ini");
    TCustomDrawnMenuInfo Info(File);
    Info.SetNormalTextColor(Color);
    Info.SetSelectedTextColor(Color);
    Info.SetNormalBackColor(Color);
    Info.SetSelectedBackColor(Color);
    Info.SetNormalIconBackColor(Color);
    Info.SetSelectedIconBackColor(Color);
    Info.SetFrameLightColor(Color);
    Info.SetFrameShadowColor(Color);
    Info.SetFrameBorderColor(Color);
    Info.Save();
    const std::string Saved = ReadBytes(File);
    for (const char* Key : ColorKeys)
      EXPECT_NE(Saved.find("\r\n" + std::string(Key) + "=" + Text + "\r\n"), std::string::npos) << Key << "\n" << Saved;
    TCustomDrawnMenuInfo Back(File);
    for (TColor C : Colors(Back)) EXPECT_EQ(C, Color);
  }
}

TEST_F(CustDrawTest, SystemColoursReadBackAndAreWrittenBackIdentically) {
  const std::string Content = Lines({"; system colours", Header, "NormalTextColor=$8000000F",
                                     "SelectedBackColor=$FF000005", "FrameBorderColor=$FF00000F"});
  WriteBytes(Ini, Content);
  TCustomDrawnMenuInfo Info(Ini);
  EXPECT_EQ(Info.NormalTextColor(), static_cast<TColor>(0x8000000F));
  EXPECT_EQ(Info.SelectedBackColor(), static_cast<TColor>(0xFF000005));
  EXPECT_EQ(Info.FrameBorderColor(), static_cast<TColor>(0xFF00000F));

  const std::string Fresh = Dir.File("fresh.ini");
  TCustomDrawnMenuInfo Copy(Fresh);
  Copy.SetNormalTextColor(Info.NormalTextColor());
  Copy.SetSelectedBackColor(Info.SelectedBackColor());
  Copy.SetFrameBorderColor(Info.FrameBorderColor());
  Copy.Save();
  const std::string Saved = ReadBytes(Fresh);
  EXPECT_NE(Saved.find("\r\nNormalTextColor=$8000000F\r\n"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("\r\nSelectedBackColor=$FF000005\r\n"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("\r\nFrameBorderColor=$FF00000F\r\n"), std::string::npos) << Saved;

  // Saved over the file it came from, the three lines keep their text and place.
  Info.Save();
  const std::string Over = ReadBytes(Ini);
  EXPECT_EQ(Over.substr(0, Content.size()), Content);
  EXPECT_EQ(Over.find("$8000000F"), Over.rfind("$8000000F"));
}

TEST_F(CustDrawTest, SaveOverAFileKeepsOtherSectionsAndCommentsByteForByte) {
  const std::string Before = Lines({"; Corvane settings",
                                    "[Static Items]",
                                    "Count = 0   ; none",
                                    "",
                                    Header,
                                    "Enabled = False",
                                    "; keep me",
                                    "TextIndent=20",
                                    "",
                                    "; about the debug options",
                                    "[Debug Options]",
                                    "  Log=1",
                                    "Enabled=True"});
  WriteBytes(Ini, Before);
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetEnabled(true);
  Info.SetTextFontFace("Arial");
  Info.SetNormalTextColor(static_cast<TColor>(0x80000008));
  Info.Save();
  const std::string Expected = Lines({"; Corvane settings",
                                      "[Static Items]",
                                      "Count = 0   ; none",
                                      "",
                                      Header,
                                      "Enabled=True",
                                      "; keep me",
                                      "TextIndent=20",
                                      "FirstLevelDefault=True",
                                      "BackgroundFix=True",
                                      "TextFontFace=Arial",
                                      "TextFontSize=0",
                                      "NormalTextColor=$80000008",
                                      "SelectedTextColor=$20000000",
                                      "NormalBackColor=$20000000",
                                      "SelectedBackColor=$20000000",
                                      "NormalIconBackColor=$20000000",
                                      "SelectedIconBackColor=$20000000",
                                      "FrameStyle=0",
                                      "FrameLightColor=$20000000",
                                      "FrameShadowColor=$20000000",
                                      "FrameBorderColor=$20000000",
                                      "FrameAll=False",
                                      "",
                                      "; about the debug options",
                                      "[Debug Options]",
                                      "  Log=1",
                                      "Enabled=True"});
  EXPECT_EQ(ReadBytes(Ini), Expected);
  EXPECT_FALSE(Info.Modified());
}

TEST_F(CustDrawTest, SaveAppendsTheSectionAfterOtherSections) {
  const std::string Before = Lines({"[Dynamic Items]", "Count=0 ; empty", "; end"});
  WriteBytes(Ini, Before);
  TCustomDrawnMenuInfo Info(Ini);
  Info.Save();
  EXPECT_EQ(ReadBytes(Ini), Before + "\r\n" + DefaultSection);
}

TEST_F(CustDrawTest, SaveOfUnchangedValuesDoesNotRewriteTheFile) {
  // Spaced and mixed-case forms that a rewrite would normalise.
  std::string Content = DistinctSection;
  Content.replace(Content.find("TextIndent=24"), 13, "  TextIndent =  24 ; pixels");
  Content.replace(Content.find("FrameAll=True"), 13, "FrameAll = True");
  Content = "; top\r\n" + Content + "\r\n[Other]\r\n x = y \r\n";
  WriteBytes(Ini, Content);
  TCustomDrawnMenuInfo Info(Ini);
  EXPECT_EQ(Snapshot(Info), Distinct());
  Info.SetTextIndent(30);
  Info.SetTextIndent(24);  // back to the stored value
  EXPECT_TRUE(Info.Modified());
  Info.Save();
  EXPECT_FALSE(Info.Modified());
  EXPECT_EQ(ReadBytes(Ini), Content);
}

TEST_F(CustDrawTest, FontFacesWithSemicolonsSurviveASave) {
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetTextFontFace("A;B");
  Info.Save();
  TCustomDrawnMenuInfo Back(Ini);
  EXPECT_EQ(Back.TextFontFace(), "A;B");
}

// ---------------------------------------------------------------------------------------------
// Events

struct TProperty {
  const char* Name;
  std::function<void(TCustomDrawnMenuInfo&)> SetSame, SetOther;
  std::function<bool(const TCustomDrawnMenuInfo&)> IsOther;
};

std::vector<TProperty> Properties() {
  using I = TCustomDrawnMenuInfo;
  std::vector<TProperty> P;
  auto Bool = [&P](const char* Name, void (I::*Set)(bool), bool (I::*Get)() const, bool Default) {
    P.push_back({Name, [=](I& X) { (X.*Set)(Default); }, [=](I& X) { (X.*Set)(!Default); },
                 [=](const I& X) { return (X.*Get)() == !Default; }});
  };
  auto Int = [&P](const char* Name, void (I::*Set)(int32_t), int32_t (I::*Get)() const, int32_t Default) {
    P.push_back({Name, [=](I& X) { (X.*Set)(Default); }, [=](I& X) { (X.*Set)(Default + 7); },
                 [=](const I& X) { return (X.*Get)() == Default + 7; }});
  };
  auto Color = [&P](const char* Name, void (I::*Set)(TColor), TColor (I::*Get)() const) {
    P.push_back({Name, [=](I& X) { (X.*Set)(clDefault); },
                 [=](I& X) { (X.*Set)(static_cast<TColor>(0x8000000F)); },
                 [=](const I& X) { return (X.*Get)() == static_cast<TColor>(0x8000000F); }});
  };
  Bool("Enabled", &I::SetEnabled, &I::Enabled, false);
  Bool("FirstLevelDefault", &I::SetFirstLevelDefault, &I::FirstLevelDefault, true);
  Bool("BackgroundFix", &I::SetBackgroundFix, &I::BackgroundFix, true);
  Bool("FrameAll", &I::SetFrameAll, &I::FrameAll, false);
  Int("TextIndent", &I::SetTextIndent, &I::TextIndent, 20);
  Int("TextFontSize", &I::SetTextFontSize, &I::TextFontSize, 0);
  P.push_back({"TextFontFace", [](I& X) { X.SetTextFontFace(""); }, [](I& X) { X.SetTextFontFace("Arial"); },
               [](const I& X) { return X.TextFontFace() == "Arial"; }});
  P.push_back({"FrameStyle", [](I& X) { X.SetFrameStyle(0); }, [](I& X) { X.SetFrameStyle(200); },
               [](const I& X) { return X.FrameStyle() == 200; }});
  Color("NormalIconBackColor", &I::SetNormalIconBackColor, &I::NormalIconBackColor);
  Color("SelectedIconBackColor", &I::SetSelectedIconBackColor, &I::SelectedIconBackColor);
  Color("FrameLightColor", &I::SetFrameLightColor, &I::FrameLightColor);
  Color("SelectedBackColor", &I::SetSelectedBackColor, &I::SelectedBackColor);
  Color("SelectedTextColor", &I::SetSelectedTextColor, &I::SelectedTextColor);
  Color("NormalBackColor", &I::SetNormalBackColor, &I::NormalBackColor);
  Color("NormalTextColor", &I::SetNormalTextColor, &I::NormalTextColor);
  Color("FrameShadowColor", &I::SetFrameShadowColor, &I::FrameShadowColor);
  Color("FrameBorderColor", &I::SetFrameBorderColor, &I::FrameBorderColor);
  return P;
}

TEST_F(CustDrawTest, CreateLeavesNothingModified) {
  WriteBytes(Ini, DistinctSection);
  TCustomDrawnMenuInfo Info(Ini);
  EXPECT_FALSE(Info.Modified());
  EXPECT_EQ(Info.UpdateCount(), 0);
}

TEST_F(CustDrawTest, SettingTheCurrentValueFiresNothing) {
  for (const TProperty& P : Properties()) {
    SCOPED_TRACE(P.Name);
    TCustomDrawnMenuInfo Info(Ini);
    TEventLog Log;
    Log.Attach(Info);
    P.SetSame(Info);
    EXPECT_EQ(Log.Trace, "");
    EXPECT_FALSE(Info.Modified());
    EXPECT_EQ(Snapshot(Info), TSettings());
  }
}

TEST_F(CustDrawTest, SettingAnotherValueModifiesThenFiresOnChange) {
  for (const TProperty& P : Properties()) {
    SCOPED_TRACE(P.Name);
    TCustomDrawnMenuInfo Info(Ini);
    TEventLog Log;
    Log.Attach(Info);
    P.SetOther(Info);
    EXPECT_TRUE(P.IsOther(Info));
    EXPECT_TRUE(Info.Modified());
    EXPECT_EQ(Log.Trace, "M1 C+ ");
    P.SetOther(Info);  // again: equal now
    EXPECT_EQ(Log.Trace, "M1 C+ ");
    EXPECT_NE(Snapshot(Info), TSettings());
  }
}

TEST_F(CustDrawTest, InsideTheUpdateLockOnlyOnModifiedFires) {
  for (const TProperty& P : Properties()) {
    SCOPED_TRACE(P.Name);
    TCustomDrawnMenuInfo Info(Ini);
    TEventLog Log;
    Log.Attach(Info);
    Info.BeginUpdate();
    P.SetOther(Info);
    EXPECT_TRUE(Info.Modified());
    EXPECT_EQ(Log.Modifies, 1);
    EXPECT_EQ(Log.Changes, 0);
    Info.EndUpdate();
    EXPECT_EQ(Log.Modifies, 1);  // EndUpdate fires nothing
    EXPECT_EQ(Log.Changes, 0);
    P.SetSame(Info);  // after the lock OnChange fires again
    EXPECT_EQ(Log.Trace, "M1 M1 C+ ");
  }
}

TEST_F(CustDrawTest, NestedUpdatesHoldOnChangeUntilTheLastEndUpdate) {
  TCustomDrawnMenuInfo Info(Ini);
  TEventLog Log;
  Log.Attach(Info);
  Info.BeginUpdate();
  Info.BeginUpdate();
  Info.SetTextIndent(21);
  Info.EndUpdate();
  EXPECT_EQ(Info.UpdateCount(), 1);
  Info.SetTextIndent(22);
  EXPECT_EQ(Log.Changes, 0);
  Info.EndUpdate();
  EXPECT_EQ(Info.UpdateCount(), 0);
  Info.SetTextIndent(23);
  EXPECT_EQ(Log.Trace, "M1 M1 M1 C+ ");
}

TEST_F(CustDrawTest, FontFacesCompareCaseSensitively) {
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetTextFontFace("Tahoma");
  TEventLog Log;
  Log.Attach(Info);
  Info.SetTextFontFace("Tahoma");
  EXPECT_EQ(Log.Trace, "");
  Info.SetTextFontFace("tahoma");
  EXPECT_EQ(Log.Trace, "M1 C+ ");
  EXPECT_EQ(Info.TextFontFace(), "tahoma");
}

TEST_F(CustDrawTest, WritingModifiedAlwaysFiresOnModified) {
  TCustomDrawnMenuInfo Info(Ini);
  TEventLog Log;
  Log.Attach(Info);
  Info.SetModified(false);
  Info.SetModified(false);
  Info.SetModified(true);
  Info.SetModified(true);
  EXPECT_EQ(Log.Trace, "M0 M0 M1 M1 ");
  EXPECT_TRUE(Info.Modified());
}

TEST_F(CustDrawTest, LoadFiresOnChangeOnceAndEndsUnmodified) {
  struct TCase {
    const char* Name;
    std::string Content;
    int OuterLocks;
    const char* Trace;
  } Cases[] = {
      {"three values differ", Lines({Header, "Enabled=True", "TextIndent=5", "FrameAll=True"}), 0,
       "M1 M1 M1 M1 C+ M0 "},
      {"nothing differs", DefaultSection, 0, "M1 C+ M0 "},
      {"no file", "", 0, "M1 C+ M0 "},
      {"inside an outer update", Lines({Header, "Enabled=True", "TextIndent=5", "FrameAll=True"}), 1,
       "M1 M1 M1 M1 M0 "},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    DeleteFileA(Ini.c_str());
    TCustomDrawnMenuInfo Info(Ini);
    if (!C.Content.empty()) WriteBytes(Ini, C.Content);
    TEventLog Log;
    Log.Attach(Info);
    for (int I = 0; I < C.OuterLocks; ++I) Info.BeginUpdate();
    Info.Load();
    EXPECT_EQ(Log.Trace, C.Trace);
    EXPECT_FALSE(Info.Modified());
    EXPECT_EQ(Info.UpdateCount(), C.OuterLocks);
  }
}

TEST_F(CustDrawTest, LoadDiscardsUnsavedChanges) {
  WriteBytes(Ini, DistinctSection);
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetTextIndent(99);
  Info.SetTextFontFace("Other");
  Info.Load();
  EXPECT_EQ(Snapshot(Info), Distinct());
  EXPECT_FALSE(Info.Modified());
}

TEST_F(CustDrawTest, SaveClearsModifiedAndFiresNoChange) {
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetEnabled(true);
  TEventLog Log;
  Log.Attach(Info);
  Info.Save();
  EXPECT_EQ(Log.Trace, "M0 ");
  EXPECT_FALSE(Info.Modified());
}

// ---------------------------------------------------------------------------------------------
// Errors of the INI engine

TEST_F(CustDrawTest, SaveIntoAMissingFolderRaisesAndKeepsModified) {
  const std::string File = Dir.File("missing\\Corvane.ini");
  for (bool WasModified : {true, false}) {
    SCOPED_TRACE(WasModified);
    TCustomDrawnMenuInfo Info(File);
    Info.SetEnabled(true);
    if (!WasModified) Info.SetModified(false);
    TEventLog Log;
    Log.Attach(Info);
    EXPECT_THROW(Info.Save(), EStreamError);
    EXPECT_EQ(Info.Modified(), WasModified);
    EXPECT_EQ(Log.Trace, "");
    EXPECT_FALSE(DirectoryExists(Dir.File("missing")));
  }
}

TEST_F(CustDrawTest, LoadOfALockedFileRaisesAndReleasesTheUpdateLock) {
  WriteBytes(Ini, DistinctSection);
  TCustomDrawnMenuInfo Info(Ini);
  Info.SetTextIndent(77);
  HANDLE Lock = CreateFileA(Ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  TEventLog Log;
  Log.Attach(Info);
  EXPECT_THROW(Info.Load(), EStreamError);
  EXPECT_THROW(TCustomDrawnMenuInfo{Ini}, EStreamError);
  CloseHandle(Lock);
  EXPECT_EQ(Log.Trace, "");
  EXPECT_EQ(Info.UpdateCount(), 0);
  EXPECT_TRUE(Info.Modified());
  EXPECT_EQ(Info.TextIndent(), 77);
  Info.SetTextIndent(78);
  EXPECT_EQ(Log.Trace, "M1 C+ ");
  Info.Load();
  EXPECT_EQ(Snapshot(Info), Distinct());
}

// ---------------------------------------------------------------------------------------------
// Colour resolution

TEST(CustDrawResolveColor, ResolvesDefaultSystemAndRgbColours) {
  const TColor Fallback = 0x00123456;
  const struct {
    TColor Color, Default, Expected;
  } Cases[] = {
      {clDefault, Fallback, Fallback},
      {clDefault, static_cast<TColor>(0x80000005), static_cast<TColor>(0x80000005)},  // the fallback as given
      {static_cast<TColor>(0xFF000005), Fallback, static_cast<TColor>(GetSysColor(5))},
      {static_cast<TColor>(0x80000005), Fallback, static_cast<TColor>(GetSysColor(5))},
      {static_cast<TColor>(0x8000000F), Fallback, static_cast<TColor>(GetSysColor(15))},
      {static_cast<TColor>(0xFF00000D), Fallback, static_cast<TColor>(GetSysColor(COLOR_HIGHLIGHT))},
      {0x00FF0000, Fallback, 0x00FF0000},
      {0, Fallback, 0},
      {0x00FFFFFF, Fallback, 0x00FFFFFF},
      {clNone, Fallback, clNone},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(CustDrawColorToStr(C.Color));
    EXPECT_EQ(ResolveColor(C.Color, C.Default), C.Expected);
  }
}

}  // namespace
