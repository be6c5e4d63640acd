// Corvane.exe with a language file beside it: windows and message texts translated at start-up, faults
// of the file shown in boxes before the main window, in the locale and code page the program runs under.
#include "classlib/core/SysUtils.h"
#include "resources/ResStrings.h"
#include "tests/app/Driver.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string Signature = "; Ostrel's Delphi Localizer Language File.";
std::wstring ToWide(const std::string& S, UINT CodePage) {
  std::wstring W(S.size() + 1, L'\0');
  W.resize(MultiByteToWideChar(CodePage, 0, S.data(), static_cast<int>(S.size()), W.data(), static_cast<int>(W.size())));
  return W;
}

std::string FromWide(const std::wstring& W, UINT CodePage) {
  std::string S(W.size() * 4 + 1, '\0');
  S.resize(WideCharToMultiByte(CodePage, 0, W.data(), static_cast<int>(W.size()), S.data(), static_cast<int>(S.size()),
                               nullptr, nullptr));
  return S;
}

std::string WideText(HWND Wnd) {
  wchar_t Buffer[1024] = {};
  GetWindowTextW(Wnd, Buffer, 1024);
  return FromWide(Buffer, CP_UTF8);
}

BOOL CALLBACK CollectText(HWND Wnd, LPARAM Param) noexcept {
  reinterpret_cast<std::vector<std::string>*>(Param)->push_back(WideText(Wnd));
  return TRUE;
}

class LanguageTest : public CorvaneCopyTest {
protected:

  void Write(const std::string& Name, const std::string& Body) { ASSERT_TRUE(WriteBytes(Dir.File(Name), Body)); }

  // Starts Corvane.exe (in the locale this test runs under), answers each box before the main window with OK (the first one's screen saved
  // as BoxPicture when given) and waits for the main window; its texts are read as UTF-8.
  void Start(const std::string& BoxPicture = "") {
    Boxes.clear();
    Texts.clear();
    P = std::make_unique<TProgram>(Program);
    ASSERT_TRUE(P->Valid());
    const DWORD Start = GetTickCount();
    while (!(Main = P->FindWindowOf("TfrmMain")) && P->Running() && GetTickCount() - Start < 90000) {
      if (HWND Box = P->FindWindowOf("#32770")) AnswerBox(Box, BoxPicture);
      Sleep(20);
    }
    ASSERT_NE(Main, nullptr);
    WaitForInputIdle(P->Process(), 10000);
    Caption = WideText(Main);
    EnumChildWindows(Main, CollectText, reinterpret_cast<LPARAM>(&Texts));
  }

  void AnswerBox(HWND Box, const std::string& Picture = "") {
    Sleep(200);
    Boxes.push_back(ReadBox(Box));
    if (Boxes.size() == 1 && !Picture.empty()) SaveScreen(Picture);
    PressButton(Box, IDOK);
    for (int I = 0; I < 250 && IsWindow(Box); ++I) Sleep(20);
  }

  // Closes the main window; the program ends with 0.
  void Close() {
    PostMessageA(Main, WM_CLOSE, 0, 0);
    EXPECT_EQ(P->WaitExit(20000), 0);
  }

  bool Shows(const std::string& Text) const { return std::find(Texts.begin(), Texts.end(), Text) != Texts.end(); }
  // Whether the cancel button is untranslated: it alone reads "Cancel".
  bool Untranslated() const { return Shows("Cancel"); }

  std::string Lng() const { return Dir.File("Corvane.lng"); }

  std::unique_ptr<TProgram> P;
  HWND Main = nullptr;
  std::string Caption;
  std::vector<std::string> Texts;
  std::vector<TBoxText> Boxes;
};

TEST_F(LanguageTest, WindowTranslatedOnCreateCaptionWins) {
  Write("Corvane.lng", Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='Abbrechen'\r\nCaption='Fremd'\r\n");
  Start();
  SaveScreen("app_language_translated");
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(Shows("Abbrechen"));
  EXPECT_FALSE(Untranslated());
  EXPECT_EQ(Caption, "Corvane 2007");
  Close();
}

TEST_F(LanguageTest, NeutralFileUnderAnotherLocale) {
  Write("Corvane.1049.lng", Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='Otmena'\r\n");
  Write("Corvane.lng", Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='Abbrechen'\r\n");
  Start();
  EXPECT_TRUE(Shows("Abbrechen"));
  EXPECT_TRUE(Boxes.empty());
  Close();
  // Another locale's file alone: nothing is loaded, nothing reported.
  ASSERT_TRUE(DeleteFileA(Lng().c_str()));
  Start();
  EXPECT_TRUE(Untranslated());
  EXPECT_TRUE(Boxes.empty());
  Close();
}

// Whether one of the texts, read as GetWindowTextA gives it in code page Page, is Expected.
bool ShowsBytes(const std::vector<std::string>& Texts, UINT Page, const std::string& Expected) {
  for (const std::string& Text : Texts)
    if (FromWide(ToWide(Text, CP_UTF8), Page) == Expected) return true;
  return false;
}

const std::string Word1251 = "\xCF\xF0\xE8";  // a Russian word in code page 1251
const std::string WordUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8";  // the same word in UTF-8

TEST_F(LanguageTest, CodePageOfTheFileAgainstTheProgramsCodePage) {
  Write("Corvane.lng", Signature + "\r\nCodepage=1251\r\n[TfrmMain]\r\nbtnCancel.Caption='" + Word1251 + "'\r\n");
  Start();
  EXPECT_TRUE(Boxes.empty());
  EXPECT_FALSE(Untranslated());
  EXPECT_TRUE(ShowsBytes(Texts, 1252, "???"));
  Close();
}

// The same program under locale 1049 and code page 1251: this suite runs only in the test run started
// with LC_ALL=ru_RU.UTF-8 (Wine takes the locale and the code page from it), and fails elsewhere.
class RussianLocale : public LanguageTest {
protected:
  void SetUp() override {
    ASSERT_EQ(GetUserDefaultLCID(), 1049u) << "run under LC_ALL=ru_RU.UTF-8";
    ASSERT_EQ(GetACP(), 1251u);
    LanguageTest::SetUp();
  }
};

TEST_F(RussianLocale, LocaleFileBeforeTheNeutralOne) {
  Write("Corvane.1049.lng", Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='Otmena'\r\n");
  Write("Corvane.lng", Signature + "\r\n[TfrmMain]\r\nbtnCancel.Caption='Abbrechen'\r\n");
  Start();
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(Shows("Otmena"));
  Close();
}

TEST_F(RussianLocale, CodePages) {
  const struct {
    const char* Name;
    std::string File;
  } Cases[] = {
      {"1251", Signature + "\r\nCodepage=1251\r\n[TfrmMain]\r\nbtnCancel.Caption='" + Word1251 + "'\r\n"},
      {"UTF-8 with its mark",
       "\xEF\xBB\xBF" + Signature + "\r\nCodepage=65001\r\n[TfrmMain]\r\nbtnCancel.Caption='" + WordUtf8 + "'\r\n"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Write("Corvane.lng", C.File);
    Start();
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Untranslated());
    EXPECT_TRUE(ShowsBytes(Texts, 1251, Word1251));
    Close();
  }
}

BOOL CALLBACK FindShellExtBox(HWND Wnd, LPARAM Param) noexcept {
  if (WideText(Wnd) != "Enable &Dynamic Items") return TRUE;
  *reinterpret_cast<HWND*>(Param) = Wnd;
  return FALSE;
}

TEST_F(LanguageTest, MessageTextFromTheFile) {
  Write("Corvane.lng", Signature + "\r\n[RESOURCESTRINGS]\r\n" + std::to_string(SShellExtUnmarkWarning) +
                           "_SShellExtUnmarkWarning='Vorsicht'#13#10'beim Verschieben'\r\n");
  Start();
  HWND Box = nullptr;
  EnumChildWindows(Main, FindShellExtBox, reinterpret_cast<LPARAM>(&Box));
  ASSERT_NE(Box, nullptr);
  ASSERT_EQ(SendMessageA(Box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PostMessageA(Box, BM_CLICK, 0, 0);
  HWND Shown = nullptr;
  const DWORD Start = GetTickCount();
  while (!(Shown = P->FindWindowOf("#32770")) && GetTickCount() - Start < 10000) Sleep(20);
  ASSERT_NE(Shown, nullptr);
  AnswerBox(Shown, "app_language_message_text");
  ASSERT_FALSE(Boxes.empty());
  EXPECT_EQ(Boxes[0].Text, "Vorsicht\r\nbeim Verschieben");
  // The registration that follows fails without the shell extension beside the copy: its box is answered.
  const DWORD Then = GetTickCount();
  while (GetTickCount() - Then < 3000) {
    if (HWND Next = P->FindWindowOf("#32770")) AnswerBox(Next);
    Sleep(20);
  }
}

TEST_F(LanguageTest, BadSignatureIsShownThenTheWindowComesUntranslated) {
  Write("Corvane.lng", Signature + " \r\n[TfrmMain]\r\nbtnCancel.Caption='Abbrechen'\r\n");
  Start("app_language_bad_signature");
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "Q.T.R. Error");
  EXPECT_EQ(Boxes[0].Text, "Bad signature in language file \"" + Lng() + "\"");
  EXPECT_TRUE(Untranslated());
  Close();
}

TEST_F(LanguageTest, FaultsInTheFileAreShownOnce) {
  struct TCase {
    const char* Lines;
    std::string Text;
    bool Applied;  // whether the file's other line reached btnOk
  };
  const TCase Cases[] = {
      {"btnCancle.Caption='x'\r\nbtnOk.Caption='Gut'\r\n",
       "Unknown property \"btnCancle.Caption\" found in component \"frmMain\".\r\nRemove it from language file", true},
      {"btnCancel.Caption='abc\r\nbtnOk.Caption='Gut'\r\n",
       "Error while loading language file \"" + Lng() + "\"\r\nBad decoded string: \"'abc\"", false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Lines);
    Write("Corvane.lng", Signature + "\r\n[TfrmMain]\r\n" + C.Lines);
    Start();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Caption, "Q.T.R. Error");
    EXPECT_EQ(Boxes[0].Text, C.Text);
    EXPECT_EQ(Shows("Gut"), C.Applied);
    EXPECT_TRUE(Untranslated());
    Close();
  }
}

}  // namespace
