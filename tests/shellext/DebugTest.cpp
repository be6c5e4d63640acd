// TFileDebug and the flag texts of the trace lines.
#include "shellext/Debug.h"

#include "tests/shellext/ShellHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace shellhost;

namespace {

TEST(DebugFlags, QueryContextMenuFlags) {
  const struct {
    UINT Flags;
    const char* Text;
  } Cases[] = {
      {0, "0={}"},
      {5, "5={CMF_DEFAULTONLY CMF_EXPLORE }"},
      {0x7F,
       "127={CMF_DEFAULTONLY CMF_VERBSONLY CMF_EXPLORE CMF_NOVERBS CMF_CANRENAME CMF_NODEFAULT CMF_INCLUDESTATIC }"},
      {0x100, "256={}"},  // bits without a name are not listed
      {0x140, "320={CMF_INCLUDESTATIC }"},
  };
  for (const auto& C : Cases) EXPECT_EQ(CMFFlagsToStr(C.Flags), C.Text) << C.Flags;
}

TEST(DebugFlags, CommandStringTypes) {
  const struct {
    UINT Type;
    const char* Text;
  } Cases[] = {{GCS_VERBA, "0=(GCS_VERBA)"},         {GCS_HELPTEXTA, "1=(GCS_HELPTEXTA)"},
               {GCS_VALIDATEA, "2=(GCS_VALIDATEA)"}, {3, "3=()"},
               {GCS_VERBW, "4=(GCS_VERBW)"},         {GCS_HELPTEXTW, "5=(GCS_HELPTEXTW)"},
               {GCS_VALIDATEW, "6=(GCS_VALIDATEW)"}, {GCS_UNICODE | 8, "12=()"}};
  for (const auto& C : Cases) EXPECT_EQ(GCSTypeToStr(C.Type), C.Text) << C.Type;
}

TEST(DebugFlags, MediumTypes) {
  const struct {
    DWORD Tymed;
    const char* Text;
  } Cases[] = {
      {TYMED_NULL, "0={TYMED_NULL}"},
      {TYMED_HGLOBAL, "1={TYMED_HGLOBAL}"},
      {TYMED_HGLOBAL | TYMED_FILE, "3={TYMED_HGLOBALTYMED_FILE}"},
      {TYMED_ENHMF, "64={TYMED_ENHMF}"},
      {0x7F, "127={TYMED_HGLOBALTYMED_FILETYMED_ISTREAMTYMED_ISTORAGETYMED_GDITYMED_MFPICTTYMED_ENHMF}"},
  };
  for (const auto& C : Cases) EXPECT_EQ(TymedToStr(C.Tymed), C.Text) << C.Tymed;
  EXPECT_EQ(BoolToStr(true), "True");
  EXPECT_EQ(BoolToStr(false), "False");
}

TEST(FileDebug, DisabledWritesNothing) {
  TTempDir Folder;
  const std::string Log = Folder.File("Vellisk.log");
  {
    TFileDebug Debug(Log, false);
    EXPECT_FALSE(Debug.Enabled());
    Debug.WriteLine("a line");
    Debug.WriteFmt("%d", {1});
  }
  EXPECT_FALSE(FileExistsA(Log));
}

TEST(FileDebug, SessionLinesTimesAndIndents) {
  TTempDir Folder;
  const std::string Log = Folder.File("Vellisk.log");
  ASSERT_TRUE(WriteFileText(Log, "an older session\r\n"));
  TVelliskLog Reader;
  {
    TFileDebug Debug(Log, true);
    ASSERT_TRUE(Debug.Enabled());
    Debug.WriteLine("level zero");
    Debug.Indent();
    Debug.WriteFmt("level %d: %s", {1, "one"});
    Debug.Indent();
    Debug.WriteLine("level two");
    EXPECT_EQ(Debug.Level(), 2);
    Debug.Unindent();
    Debug.Unindent();
    Debug.WriteLine("back");
    // Readable while the object still writes.
    ASSERT_TRUE(Reader.Read(Log));
    EXPECT_EQ(Reader.Lines().size(), 5u);
  }
  ASSERT_TRUE(Reader.Read(Log));
  const std::vector<TLogLine>& Lines = Reader.Lines();
  ASSERT_EQ(Lines.size(), 6u);
  const std::string Start = "Starting debug session: ";
  const std::string End = "End of debug session: ";
  EXPECT_FALSE(Lines[0].Timed);
  ASSERT_EQ(Lines[0].Text.compare(0, Start.size(), Start), 0) << Lines[0].Text;
  EXPECT_TRUE(Reader.IsSessionTime(Lines[0].Text.substr(Start.size()))) << Lines[0].Text;
  const struct {
    int Level;
    const char* Text;
  } Expected[] = {{0, "level zero"}, {1, "level 1: one"}, {2, "level two"}, {0, "back"}};
  for (size_t I = 0; I < 4; ++I) {
    EXPECT_TRUE(Lines[I + 1].Timed) << Reader.RawLines()[I + 1];
    EXPECT_EQ(Lines[I + 1].Level, Expected[I].Level) << Reader.RawLines()[I + 1];
    EXPECT_EQ(Lines[I + 1].Text, Expected[I].Text);
  }
  EXPECT_FALSE(Lines[5].Timed);
  ASSERT_EQ(Lines[5].Text.compare(0, End.size(), End), 0) << Lines[5].Text;
  EXPECT_TRUE(Reader.IsSessionTime(Lines[5].Text.substr(End.size()))) << Lines[5].Text;
}

TEST(FileDebug, UncreatableFileTurnsLoggingOff) {
  TTempDir Folder;
  const std::string Log = Folder.File("missing folder\\Vellisk.log");
  TFileDebug Debug(Log, true);
  EXPECT_FALSE(Debug.Enabled());
  Debug.WriteLine("nothing");
  EXPECT_FALSE(FileExistsA(Log));
}

TEST(FileDebug, EveryObjectRecreatesTheLog) {
  TTempDir Folder;
  const std::string Log = Folder.File("Vellisk.log");
  auto First = std::make_unique<TFileDebug>(Log, true);
  First->WriteLine("first object");
  TFileDebug Second(Log, true);
  ASSERT_TRUE(Second.Enabled());
  Second.WriteLine("second object");
  First->WriteLine("first again");
  First.reset();
  TVelliskLog Reader;
  ASSERT_TRUE(Reader.Read(Log));
  // The second session replaced the first one's lines; the first object's later lines follow.
  EXPECT_FALSE(Reader.Contains("first object"));
  EXPECT_EQ(Reader.Find("Starting debug session: "), 0);
  EXPECT_EQ(Reader.Find("second object"), 1);
  EXPECT_EQ(Reader.Find("first again"), 2);
  EXPECT_EQ(Reader.Find("End of debug session: "), 3);
  for (const std::string& Raw : Reader.RawLines()) EXPECT_EQ(Raw.find('\0'), std::string::npos);
}

}  // namespace
