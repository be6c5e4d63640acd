// Corvane.exe with a language file beside it: windows and message texts translated at start-up, faults
// of the file shown in boxes before the main window, in the locale and code page the program runs under.
#include "classlib/core/SysUtils.h"
#include "resources/ResStrings.h"
#include "tests/app/Driver.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const std::string Signature = "; Ostrel's Delphi Localizer Language File.";
const char* const Russian = "LC_ALL=ru_RU.UTF-8";  // locale 1049, code page 1251 under Wine

// The caller's environment with Assignment ("NAME=value") in place of any entry of that name.
std::string EnvironmentWith(const std::string& Assignment) {
  const std::string Prefix = Assignment.substr(0, Assignment.find('=') + 1);
  std::string Block;
  char* Strings = GetEnvironmentStringsA();
  for (const char* Entry = Strings; *Entry; Entry += std::strlen(Entry) + 1)
    if (std::string(Entry).compare(0, Prefix.size(), Prefix) != 0) Block.append(Entry).push_back('\0');
  FreeEnvironmentStringsA(Strings);
  Block.append(Assignment).push_back('\0');
  Block.push_back('\0');
  return Block;
}

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

  // Starts Corvane.exe, answers each box before the main window with OK (the first one's screen saved
  // as BoxPicture when given) and waits for the main window; its texts are read as UTF-8.
  void Start(const std::string& Environment = "", const std::string& BoxPicture = "") {
    Boxes.clear();
    Texts.clear();
    P = std::make_unique<TProgram>(Program, Environment);
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

TEST_F(LanguageTest, CodePages) {
  const std::string Word = "\xCF\xF0\xE8";  // in code page 1251
  struct TCase {
    const char* Name;
    std::string File;
    bool RussianLocale;
    UINT ReadPage;
    std::string Expected;
  };
  const TCase Cases[] = {
      {"1251 under 1252", Signature + "\r\nCodepage=1251\r\n[TfrmMain]\r\nbtnCancel.Caption='" + Word + "'\r\n", false, 1252, "???"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Write("Corvane.lng", C.File);
    Start(C.RussianLocale ? EnvironmentWith(Russian) : std::string());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Untranslated());
    // The button's text as GetWindowTextA gives it in the program's code page.
    bool Found = false;
    for (const std::string& Text : Texts) Found = Found || FromWide(ToWide(Text, CP_UTF8), C.ReadPage) == C.Expected;
    EXPECT_TRUE(Found);
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
  Start("", "app_language_bad_signature");
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
