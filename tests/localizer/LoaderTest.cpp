// The language-file loader: signature, options, sections, message texts, fault reports and their modes.
#include "localizer/Localizer.h"
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/Classes.h"
#include "classlib/core/ResStrings.h"
#include "resources/ResStrings.h"
#include "tests/helpers/MessageBoxWatcher.h"
#include "tests/support/Expect.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string Signature = "; Ostrel's Delphi Localizer Language File.";
const std::string Bom = "\xEF\xBB\xBF";

struct TReport {
  std::string Text, Caption;
  UINT Flags;
};
std::vector<TReport> Reports;

void CollectReport(const std::string& Text, const std::string& Caption, UINT Flags) {
  Reports.push_back(TReport{Text, Caption, Flags});
}

std::vector<std::string> ReportTexts() {
  std::vector<std::string> Result;
  for (const TReport& R : Reports) Result.push_back(R.Text);
  return Result;
}

class LoaderTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.Valid());
    Reports.clear();
    FPreviousBox = SetLanguageErrorBox(&CollectReport);
    FSavedCodePage = DefaultCodePage;
    DefaultCodePage = 1252;
    Localizer.ErrorReporting = erMessageBox;
  }
  void TearDown() override {
    SetLanguageErrorBox(FPreviousBox);
    DefaultCodePage = FSavedCodePage;
  }

  // Writes Name with exactly Bytes and answers its path.
  std::string WriteRaw(const std::string& Name, const std::string& Bytes) {
    const std::string Path = Dir.File(Name);
    EXPECT_TRUE(WriteBytes(Path, Bytes));
    return Path;
  }
  // A language file: the signature line, then Body.
  std::string Write(const std::string& Body, const std::string& Name = "Corvane.lng") {
    return WriteRaw(Name, Signature + "\r\n" + Body);
  }
  std::string Load(const std::string& Body) {
    const std::string Path = Write(Body);
    Localizer.ReadLanguageFile(Path);
    return Path;
  }
  const TResForm* Section(const std::string& Name) const {
    for (const auto& Form : Localizer.Forms)
      if (Form->Name == Name) return Form.get();
    return nullptr;
  }
  std::string Value(const std::string& Name, int Line) const {
    const TResForm* Form = Section(Name);
    return Form != nullptr && Line < Form->Values.Count() ? Form->Values.Get(Line) : "<none>";
  }

  TTempDir Dir{"corvane_lng"};
  TFreeLocalizer Localizer;

private:
  TLanguageErrorBox FPreviousBox = nullptr;
  UINT FSavedCodePage = 0;
};

}  // namespace

TEST_F(LoaderTest, ReadsSectionsAndOptionLines) {
  std::vector<std::string> Events;
  Localizer.OnLoading = [&](TFreeLocalizer* Sender, const std::string& Old, const std::string& New) {
    EXPECT_EQ(Sender, &Localizer);
    Events.push_back("loading " + Old + " > " + New);
  };
  Localizer.OnLoaded = [&](TFreeLocalizer*, const std::string& Name) { Events.push_back("loaded " + Name); };
  const std::string Path = Load(
      "Codepage=1252\r\n; a comment\r\nignored before any section\r\n[TfrmMain]\r\n\r\nbtnCancel.Caption='Abbrechen'\r\n"
      "Caption='Fremd'\r\n; comment\r\n[TfrmOther]\r\nlbl.Caption=\r\nlbl.Hint\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{});
  ASSERT_EQ(Localizer.Forms.size(), 2u);
  const TResForm* Main = Section("TfrmMain");
  ASSERT_NE(Main, nullptr);
  EXPECT_EQ(Main->Paths.Text(), "btnCancel.Caption\r\nCaption\r\n");
  EXPECT_EQ(Main->Values.Text(), "Abbrechen\r\nFremd\r\n");
  // A line without "=" has an empty value, as has "=" with nothing after it.
  const TResForm* Other = Section("TfrmOther");
  ASSERT_NE(Other, nullptr);
  EXPECT_EQ(Other->Paths.Text(), "lbl.Caption\r\nlbl.Hint\r\n");
  EXPECT_EQ(Other->Values.Text(), "\r\n\r\n");
  EXPECT_EQ(Localizer.LanguageFileName, Path);
  EXPECT_EQ(Events, (std::vector<std::string>{"loading  > " + Path, "loaded " + Path}));
}

TEST_F(LoaderTest, ByteOrderMarkBeforeSignature) {
  const std::string Path = WriteRaw("bom.lng", Bom + Signature + "\r\n[TfrmMain]\r\nbtnOk.Caption='OK'\r\n");
  Localizer.ReadLanguageFile(Path);
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{});
  EXPECT_EQ(Value("TfrmMain", 0), "OK");
}

TEST_F(LoaderTest, BadSignatures) {
  const std::string Utf16 = std::string("\xFF\xFE", 2) + [] {
    std::string S;
    for (char C : Signature + "\r\n") S += std::string{C, '\0'};
    return S;
  }();
  const std::string Files[] = {Signature + " \r\n[TfrmMain]\r\na.Caption='x'\r\n", "", Utf16,
                               "\r\n" + Signature + "\r\n[TfrmMain]\r\n", Bom + Bom + Signature};
  int N = 0;
  for (const std::string& Bytes : Files) {
    Reports.clear();
    const std::string Path = WriteRaw("sig" + std::to_string(++N) + ".lng", Bytes);
    bool Loaded = false;
    Localizer.OnLoaded = [&](TFreeLocalizer*, const std::string&) { Loaded = true; };
    Localizer.ReadLanguageFile(Path);
    EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Bad signature in language file \"" + Path + "\""}) << N;
    EXPECT_TRUE(Localizer.Forms.empty());
    EXPECT_EQ(Localizer.LanguageFileName, "");
    EXPECT_FALSE(Loaded);
  }
}

TEST_F(LoaderTest, ReportsGoToTheBoxWithCaptionAndIcon) {
  const std::string Path = WriteRaw("bad.lng", "; wrong\r\n");
  Localizer.ReadLanguageFile(Path);
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0].Caption, "Q.T.R. Error");
  EXPECT_EQ(Reports[0].Flags, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(LoaderTest, BadCodepage) {
  const std::string Path = Load("[TfrmMain]\r\na.Caption='x'\r\ncodepage=abc\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Bad codepage in language file \"" + Path + "\""});
  EXPECT_TRUE(Localizer.Forms.empty());
  EXPECT_EQ(Localizer.LanguageFileName, "");
}

TEST_F(LoaderTest, UnknownCodepageGivesABadLine) {
  Load("Codepage=12345\r\n[TfrmMain]\r\nbtnOk.Caption='x'\r\nbtnNo.Caption='y'\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Bad line in language file: \"btnOk.Caption='x'\""});
  ASSERT_NE(Section("TfrmMain"), nullptr);
  EXPECT_EQ(Section("TfrmMain")->Paths.Count(), 0);
  EXPECT_EQ(Section("TfrmMain")->Values.Count(), 0);
  EXPECT_EQ(Localizer.LanguageFileName, "");
}

TEST_F(LoaderTest, Humanize) {
  const struct {
    const char* Options;
    const char* Value;
    const char* Window;
    const char* Message;
  } Cases[] = {
      {"Humanize=1\r\nHumanizeDivider=|", "One|Two", "One\rTwo", "One\r\nTwo"},
      {"HUMANIZE=1", "One\\Two", "One\rTwo", "One\r\nTwo"},  // the default divider
      {"Humanize=1\r\nHumanizeDivider=", "One|Two", "One|Two", "One|Two"},  // an empty divider: no change
      {"Humanize=2\r\nHumanizeDivider=|", "'One|Two'", "One|Two", "One|Two"},  // only "1" turns it on
      {"HumanizeDivider=|", "'One|Two'", "One|Two", "One|Two"},  // no Humanize line
  };
  for (const auto& Case : Cases) {
    Reports.clear();
    Load(std::string(Case.Options) + "\r\n[TfrmMain]\r\nlbl.Caption=" + Case.Value + "\r\n[RESOURCESTRINGS]\r\n" +
         std::to_string(SListIndexError) + "_SListIndexError=" + Case.Value + "\r\n");
    EXPECT_EQ(ReportTexts(), std::vector<std::string>{}) << Case.Options;
    EXPECT_EQ(Value("TfrmMain", 0), Case.Window) << Case.Options;
    EXPECT_EQ(LoadResString(SListIndexError), Case.Message) << Case.Options;
  }
}

TEST_F(LoaderTest, ResourceStringHeaderInAnyCase) {
  Load("[resourcestrings]\r\n" + std::to_string(SReadError) + "_SReadError='Lesefehler'\r\n[TfrmMain]\r\n"
       "a.Caption='b'\r\n");
  EXPECT_EQ(LoadResString(SReadError), "Lesefehler");
  EXPECT_EQ(Value("TfrmMain", 0), "b");  // the block ends at the next header, which is read
}

TEST_F(LoaderTest, DeletedComponentStopsTheLoad) {
  Load("[TfrmA]\r\na.Caption='1'\r\n[(x)TfrmOld]\r\nb.Caption='2'\r\n[TfrmB]\r\nc.Caption='3'\r\n");
  EXPECT_EQ(ReportTexts(),
            std::vector<std::string>{"Deleted component in language file:\r\n\"[(x)TfrmOld]\"\r\nYou have to remove it!"});
  ASSERT_EQ(Localizer.Forms.size(), 1u);
  EXPECT_EQ(Value("TfrmA", 0), "1");
  EXPECT_EQ(Localizer.LanguageFileName, "");
}

TEST_F(LoaderTest, CommentAfterPathIsCut) {
  Load("[TfrmMain]\r\nbtnOk.Caption{1F}='&OK'\r\nbtnNo.Caption{x=y}=&No\r\n");
  ASSERT_NE(Section("TfrmMain"), nullptr);
  EXPECT_EQ(Section("TfrmMain")->Paths.Text(), "btnOk.Caption\r\nbtnNo.Caption\r\n");
  // The value starts after the first "="; a value without quotes decodes to nothing.
  EXPECT_EQ(Section("TfrmMain")->Values.Text(), "&OK\r\n\r\n");
}

TEST_F(LoaderTest, BadLineKeepsPathsAndValuesPaired) {
  Load("[TfrmA]\r\na.Caption='1'\r\n[TfrmB]\r\nb.Caption='2'\r\n{note}='3'\r\nc.Caption='4'\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Bad line in language file: \"{note}='3'\""});
  ASSERT_EQ(Localizer.Forms.size(), 2u);
  for (const auto& Form : Localizer.Forms) EXPECT_EQ(Form->Paths.Count(), Form->Values.Count()) << Form->Name;
  EXPECT_EQ(Section("TfrmB")->Paths.Text(), "b.Caption\r\n");
  Reports.clear();
  Load("[TfrmA]\r\n=x\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Bad line in language file: \"=x\""});
  EXPECT_EQ(Section("TfrmA")->Values.Count(), 0);
}

TEST_F(LoaderTest, ObsoleteAndUntranslatedLines) {
  Load("[TfrmMain]\r\n(x)btnOld.Caption='a'\r\n(!)btnNew.Caption='b'\r\n(?)anything\r\nbtnOk.Caption='c'\r\n"
       "[RESOURCESTRINGS]\r\n(x)1000_Old='d'\r\n(!)1001_New='e'\r\n(note\r\n" +
       std::to_string(SReadError) + "_SReadError='f'\r\n");
  EXPECT_EQ(ReportTexts(),
            (std::vector<std::string>{
                "Obsolete line in language file:\r\n\"(x)btnOld.Caption='a'\"\r\nYou have to remove it!",
                "Untranslated line in language file:\r\n\"(!)btnNew.Caption='b'\"\r\nYou have to translate it!",
                "Obsolete line in language file:\r\n\"(x)1000_Old='d'\"\r\nYou have to delete it!",
                "Untranslated line in language file:\r\n\"(!)1001_New='e'\"\r\nYou have to translate it!"}));
  EXPECT_EQ(Section("TfrmMain")->Paths.Text(), "btnOk.Caption\r\n");
  EXPECT_EQ(LoadResString(SReadError), "f");
  ASSERT_EQ(ResStringer->Strings().size(), 1u);
  EXPECT_FALSE(Localizer.LanguageFileName.empty());
}

TEST_F(LoaderTest, BadResourceIdIsReportedAndKept) {
  Load("[RESOURCESTRINGS]\r\nabc_y='u'\r\n12a_x='t'\r\n");
  EXPECT_EQ(ReportTexts(), (std::vector<std::string>{"Bad resource ID in language file: \"abc\"",
                                                     "Bad resource ID in language file: \"12a\""}));
  EXPECT_EQ(LoadResString(12), "t");
  EXPECT_EQ(LoadResString(0), "u");
}

TEST_F(LoaderTest, DecoderFaultEndsTheLoad) {
  const std::string Path = Load("[TfrmMain]\r\nbtnOk.Caption='OK'\r\nbtnCancel.Caption='abc\r\nbtnNo.Caption='No'\r\n");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Error while loading language file \"" + Path +
                                                    "\"\r\nBad decoded string: \"'abc\""});
  EXPECT_EQ(Localizer.LanguageFileName, "");
}

TEST_F(LoaderTest, ModeTwoRaisesOnce) {
  Localizer.ErrorReporting = erRaise;
  const std::string Path = WriteRaw("raise.lng", Signature + " \r\n");
  EXPECT_EQ(MessageOf([&] { Localizer.ReadLanguageFile(Path); }),
            "Error while loading language file \"" + Path + "\"\r\nBad signature in language file \"" + Path + "\"");
  // A fault that does not stop the load stops it in this mode.
  const std::string Obsolete = Write("[TfrmMain]\r\n(x)a.Caption='1'\r\nb.Caption='2'\r\n", "obsolete.lng");
  EXPECT_EQ(MessageOf([&] { Localizer.ReadLanguageFile(Obsolete); }),
            "Error while loading language file \"" + Obsolete +
                "\"\r\nObsolete line in language file:\r\n\"(x)a.Caption='1'\"\r\nYou have to remove it!");
  EXPECT_EQ(Section("TfrmMain")->Paths.Count(), 0);
  EXPECT_EQ(Reports.size(), 0u);
}

TEST_F(LoaderTest, ModeZeroIgnoresFaults) {
  Localizer.ErrorReporting = erIgnore;
  Load("[TfrmMain]\r\n(x)a.Caption='1'\r\nb.Caption='2'\r\n[(x)TfrmOld]\r\n");
  EXPECT_EQ(Reports.size(), 0u);
  EXPECT_EQ(Value("TfrmMain", 0), "2");
  EXPECT_EQ(Localizer.LanguageFileName, "");
}

TEST_F(LoaderTest, LanguageFolderAndExtension) {
  Write("[TfrmMain]\r\na.Caption='x'\r\n", "x.lng");
  Localizer.LanguageFolder = Dir.Path();
  Localizer.ReadLanguageFile("x");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{});
  EXPECT_EQ(Value("TfrmMain", 0), "x");
  EXPECT_EQ(Localizer.LanguageFileName, "x");
  Localizer.ReadLanguageFile("X.LNG");
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{});
  EXPECT_EQ(Localizer.LanguageFileName, "X.LNG");

  // The path tried, as the report of a missing file names it.
  const struct {
    const char* Folder;
    const char* Name;
    const char* Path;
  } Cases[] = {{"C:\\l", "x", "C:\\l\\x.lng"},
               {"C:\\l\\", "x", "C:\\l\\x.lng"},
               {"C:/l/", "x", "C:/l/x.lng"},
               {"C:\\l", "X.LNG", "C:\\l\\X.LNG"},
               {"", "x.lng.txt", "x.lng.txt.lng"}};
  for (const auto& Case : Cases) {
    Reports.clear();
    Localizer.LanguageFolder = Case.Folder;
    Localizer.ReadLanguageFile(Case.Name);
    ASSERT_EQ(Reports.size(), 1u) << Case.Path;
    const std::string Prefix = std::string("Error while loading language file \"") + Case.Path + "\"\r\n";
    EXPECT_EQ(Reports[0].Text.substr(0, Prefix.size()), Prefix);
    EXPECT_GT(Reports[0].Text.size(), Prefix.size());
  }
}

TEST_F(LoaderTest, CodePages) {
  const std::string Word1251 = "\xCF\xF0\xE8";
  const std::string WordUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8";
  const struct {
    UINT System;
    std::string Bytes;
    const char* Expected;
  } Cases[] = {
      {1251, Signature + "\r\nCodepage=1251\r\n[TfrmMain]\r\na.Caption='" + Word1251 + "'\r\n", "\xCF\xF0\xE8"},
      {1252, Signature + "\r\nCodepage=1251\r\n[TfrmMain]\r\na.Caption='" + Word1251 + "'\r\n", "???"},
      {1251, Bom + Signature + "\r\nCodepage=65001\r\n[TfrmMain]\r\na.Caption='" + WordUtf8 + "'\r\n", "\xCF\xF0\xE8"},
      // Without a Codepage line the file is in the system's code page, UTF-8 included.
      {1251, Signature + "\r\n[TfrmMain]\r\na.Caption='" + Word1251 + "'\r\n", "\xCF\xF0\xE8"},
      {CP_UTF8, Signature + "\r\n[TfrmMain]\r\na.Caption='" + WordUtf8 + "'\r\n", "\xD0\x9F\xD1\x80\xD0\xB8"},
  };
  int N = 0;
  for (const auto& Case : Cases) {
    Reports.clear();
    DefaultCodePage = Case.System;
    Localizer.ReadLanguageFile(WriteRaw("cp" + std::to_string(++N) + ".lng", Case.Bytes));
    EXPECT_EQ(ReportTexts(), std::vector<std::string>{}) << N;
    EXPECT_EQ(Value("TfrmMain", 0), Case.Expected) << N;
  }
}

TEST_F(LoaderTest, DefaultBoxShowsTheReport) {
  SetLanguageErrorBox(nullptr);
  TMessageBoxWatcher Watcher(IDOK);
  ASSERT_TRUE(Watcher.Installed());
  const std::string Path = WriteRaw("box.lng", Signature + " \r\n");
  Localizer.ReadLanguageFile(Path);
  EXPECT_EQ(Watcher.Seen, 1);
  EXPECT_EQ(Watcher.Caption, "Q.T.R. Error");
  EXPECT_EQ(Watcher.Text, "Bad signature in language file \"" + Path + "\"");
}

// Message texts ------------------------------------------------------------------------------------

TEST_F(LoaderTest, MessageTextsReplaceTheStringTable) {
  const std::string Table = DefaultResStringLoader(SReadError);
  ASSERT_FALSE(Table.empty());
  Load("[RESOURCESTRINGS]\r\n" + std::to_string(SListIndexError) + "_SListIndexError='Index %d ausserhalb'\r\n" +
       std::to_string(SListIndexError) + "_Again='second'\r\n" + std::to_string(SWriteError) +
       "_SWriteError='Schreibfehler'\r\n");
  EXPECT_EQ(LoadResString(SListIndexError), "Index %d ausserhalb");  // the first line wins
  EXPECT_EQ(LoadResString(SWriteError), "Schreibfehler");
  EXPECT_EQ(LoadResString(SReadError), Table);  // not in the file: the string table's
  // Texts are loaded where they are used, so the class library's messages are translated.
  TList List;
  EXPECT_EQ(MessageOf([&] { List.Get(3); }), "Index 3 ausserhalb");
}

TEST_F(LoaderTest, LookupByHalving) {
  std::string Block = "[RESOURCESTRINGS]\r\n";
  for (int Id = 1; Id <= 99; Id += 2) Block += std::to_string(Id) + "_S='t" + std::to_string(Id) + "'\r\n";
  for (int Repeat = 0; Repeat < 3; ++Repeat) Block += "101_S='first" + std::to_string(Repeat) + "'\r\n";
  Load(Block);
  std::string Text;
  for (int Id = 0; Id <= 102; ++Id) {
    const bool Found = ResStringer->FindTranslatedString(Id, Text);
    EXPECT_EQ(Found, Id % 2 == 1) << Id;
    if (Found) {
      EXPECT_EQ(Text, Id == 101 ? "first0" : "t" + std::to_string(Id));
    }
  }
}

TEST_F(LoaderTest, EmptyBlockLeavesTheStringTable) {
  Load("[RESOURCESTRINGS]\r\n" + std::to_string(SReadError) + "_SReadError='x'\r\n");
  ASSERT_EQ(LoadResString(SReadError), "x");
  Load("[RESOURCESTRINGS]\r\n; nothing\r\n[TfrmMain]\r\n");
  EXPECT_FALSE(ResStringer->Enabled());
  EXPECT_EQ(LoadResString(SReadError), DefaultResStringLoader(SReadError));
  EXPECT_EQ(LoadResString(SWriteError), DefaultResStringLoader(SWriteError));
}

TEST_F(LoaderTest, LaterFilesKeepOrReplaceMessageTexts) {
  Load("[RESOURCESTRINGS]\r\n" + std::to_string(SReadError) + "_SReadError='first read'\r\n" +
       std::to_string(SWriteError) + "_SWriteError='first write'\r\n");
  Load("[TfrmMain]\r\na.Caption='b'\r\n");  // no block: the texts stay
  EXPECT_EQ(LoadResString(SReadError), "first read");
  EXPECT_EQ(LoadResString(SWriteError), "first write");
  Load("[RESOURCESTRINGS]\r\n" + std::to_string(SWriteError) + "_SWriteError='second write'\r\n");
  EXPECT_EQ(LoadResString(SReadError), DefaultResStringLoader(SReadError));
  EXPECT_EQ(LoadResString(SWriteError), "second write");
}

TEST(ResStringer, LivesWithTheLocalizer) {
  const std::string Table = DefaultResStringLoader(SReadError);
  {
    TFreeLocalizer Localizer;
    ASSERT_NE(ResStringer, nullptr);
    EXPECT_TRUE(ResStringer->Enabled());
    EXPECT_FALSE(ResStringer->HasStrings());
    EXPECT_EQ(LoadResString(SReadError), Table);  // enabled without texts: the string table answers
    ResStringer->AddString(SReadError, "mine");
    EXPECT_EQ(LoadResString(SReadError), "mine");
    ResStringer->SetEnabled(false);
    EXPECT_EQ(LoadResString(SReadError), Table);
    ResStringer->SetEnabled(true);
    EXPECT_EQ(LoadResString(SReadError), "mine");
    EXPECT_EQ(MessageOf([] { TFreeLocalizer Second; }), "A localizer exists already");
  }
  EXPECT_EQ(ResStringer, nullptr);
  EXPECT_EQ(LoadResString(SReadError), Table);
}

// Start-up ------------------------------------------------------------------------------------------

TEST(ChooseLanguageFile, LocaleFileFirstThenNeutral) {
  TTempDir Dir("corvane_choose");
  ASSERT_TRUE(Dir.Valid());
  EXPECT_EQ(FindLanguageFile(Dir.Folder(), 1049), "");
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.1049.lng"), Signature));
  EXPECT_EQ(FindLanguageFile(Dir.Folder(), 1049), Dir.File("Corvane.1049.lng"));
  EXPECT_EQ(FindLanguageFile(Dir.Folder(), 1033), "");
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.lng"), Signature));
  EXPECT_EQ(FindLanguageFile(Dir.Folder(), 1049), Dir.File("Corvane.1049.lng"));
  EXPECT_EQ(FindLanguageFile(Dir.Folder(), 1033), Dir.File("Corvane.lng"));
}

TEST(ChooseLanguageFile, NoFileBesideTheProgram) {
  char Module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Module, sizeof(Module));
  const std::string Folder = ExtractFilePath(Module);
  ASSERT_EQ(FindLanguageFile(Folder, GetThreadLocale()), "") << "a language file lies beside the test";
  ChooseLanguageFile();
  ASSERT_NE(FreeLocalizer, nullptr);
  EXPECT_FALSE(FreeLocalizer->TranslateOnCreate());
  EXPECT_EQ(FreeLocalizer->ErrorReporting, erIgnore);
  EXPECT_EQ(FreeLocalizer->LanguageFileName, "");
  EXPECT_NE(ResStringer, nullptr);
  DoneFreeLocalizer();
  EXPECT_EQ(FreeLocalizer, nullptr);
  EXPECT_EQ(ResStringer, nullptr);
}
