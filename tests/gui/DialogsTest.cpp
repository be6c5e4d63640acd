// Common dialogs on real windows: open and save answered by the file-dialog answerer, the colour
// dialog through its replaceable function and for real.
#include "classlib/gui/Dialogs.h"
#include "classlib/gui/Forms.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class DialogsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 300, 200);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    PumpUntilIdle();
    ASSERT_EQ(Screen->ActiveForm(), Form.get());
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    Application->OnException = nullptr;
    ColorDialogFunc = SavedColorFunc;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  std::unique_ptr<TForm> Form;
  std::vector<std::string> Errors;
  TColorDialogFunc SavedColorFunc = ColorDialogFunc;
};

std::vector<std::string> Lower(const TStrings& Lines) {
  std::vector<std::string> Result;
  for (int I = 0; I < Lines.Count(); ++I) Result.push_back(AnsiLowerCase(Lines.Get(I)));
  return Result;
}

TEST_F(DialogsTest, OpenAnsweredGivesTheFileOverTheActiveForm) {
  auto* Dialog = new TOpenDialog(Form.get());
  Dialog->Title = "Pick a program";
  Dialog->Filter = "Programs (*.exe)|*.exe|All files (*.*)|*.*";
  Dialog->Options |= ofFileMustExist;
  TFileDialogAnswerer Answerer;
  Answerer.Answer("C:\\windows\\notepad.exe");
  ASSERT_TRUE(Dialog->Execute());
  EXPECT_EQ(AnsiLowerCase(Dialog->FileName), "c:\\windows\\notepad.exe");
  EXPECT_EQ(Lower(*Dialog->Files()), std::vector<std::string>{"c:\\windows\\notepad.exe"});
  EXPECT_EQ(Answerer.Caption, "Pick a program");
  EXPECT_EQ(Answerer.Owner, Form->Handle());
  EXPECT_EQ(Dialog->FilterIndex, 1);
}

TEST_F(DialogsTest, CancelledOpenKeepsTheFileName) {
  TOpenDialog Dialog(Form.get());
  Dialog.FileName = "C:\\kept.txt";
  TFileDialogAnswerer Answerer;
  Answerer.Answer("");
  EXPECT_FALSE(Dialog.Execute());
  EXPECT_EQ(Answerer.Seen, 1);
  EXPECT_EQ(Dialog.FileName, "C:\\kept.txt");
}

TEST_F(DialogsTest, MultiSelectFillsFiles) {
  TOpenDialog Dialog(Form.get());
  Dialog.InitialDir = "C:\\windows";
  Dialog.Options |= ofAllowMultiSelect;
  TFileDialogAnswerer Answerer;
  Answerer.Answer("\"notepad.exe\" \"regedit.exe\"");
  ASSERT_TRUE(Dialog.Execute());
  const std::vector<std::string> Expected{"c:\\windows\\notepad.exe", "c:\\windows\\regedit.exe"};
  EXPECT_EQ(Lower(*Dialog.Files()), Expected);
  EXPECT_EQ(AnsiLowerCase(Dialog.FileName), Expected[0]);
}

TEST_F(DialogsTest, SaveAddsDefaultExtAndAsksBeforeOverwriting) {
  TTempDir Dir;
  ASSERT_TRUE(Dir.Valid());
  TSaveDialog Dialog(Form.get());
  Dialog.SetDefaultExt(".ini");
  EXPECT_EQ(Dialog.DefaultExt(), "ini");
  Dialog.InitialDir = Dir.Path();
  Dialog.Options |= ofOverwritePrompt;
  TFileDialogAnswerer Answerer;
  Answerer.Answer("m");
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(AnsiLowerCase(Dialog.FileName), AnsiLowerCase(Dir.File("m.ini")));
  EXPECT_TRUE(Answerer.Prompts.empty());

  HANDLE File = CreateFileA(Dialog.FileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(File, INVALID_HANDLE_VALUE);
  CloseHandle(File);
  Dialog.FileName.clear();
  Answerer.Answer("m");
  Answerer.AnswerPrompt(IDYES);
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Answerer.Prompts.size(), 1u);
  EXPECT_EQ(AnsiLowerCase(Dialog.FileName), AnsiLowerCase(Dir.File("m.ini")));

  // Without the option the existing file is taken as it is.
  Dialog.Options &= ~ofOverwritePrompt;
  Answerer.Answer("m");
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Answerer.Prompts.size(), 1u);
  EXPECT_EQ(Answerer.Seen, 3);
}

TEST(DialogProperties, StoredByName) {
  TSaveDialog Dialog(nullptr);
  SetPropText(&Dialog, "DefaultExt", ".txt");
  SetPropText(&Dialog, "Options", "[ofOverwritePrompt,ofHideReadOnly,ofAllowMultiSelect]");
  SetPropText(&Dialog, "FileEditStyle", "fsComboBox");
  SetPropText(&Dialog, "HistoryList", "a\r\nb\r\n");
  SetPropText(&Dialog, "HelpContext", "12");
  EXPECT_EQ(Dialog.DefaultExt(), "txt");
  EXPECT_EQ(Dialog.Options, ofOverwritePrompt | ofHideReadOnly | ofAllowMultiSelect);
  EXPECT_EQ(Dialog.FileEditStyle, fsComboBox);
  EXPECT_EQ(Dialog.HistoryList()->Count(), 2);
  EXPECT_EQ(Dialog.HelpContext, 12);
  EXPECT_EQ(GetPropText(&Dialog, "FilterIndex"), "1");
  EXPECT_EQ(TOpenDialog(nullptr).Options, ofHideReadOnly);
}

// What the replaced colour dialog saw, and what it answers.
struct TColorCall {
  int Calls = 0;
  CHOOSECOLORA Seen{};
  COLORREF SeenCustom[16]{};
  BOOL Result = TRUE;
  COLORREF Answer = 0;
  COLORREF AnswerCustom3 = 0;
} ColorCall;

BOOL FakeColorDialog(CHOOSECOLORA& Choice) {
  ++ColorCall.Calls;
  ColorCall.Seen = Choice;
  std::copy(Choice.lpCustColors, Choice.lpCustColors + 16, ColorCall.SeenCustom);
  if (ColorCall.Result) {
    Choice.rgbResult = ColorCall.Answer;
    Choice.lpCustColors[3] = ColorCall.AnswerCustom3;
  }
  return ColorCall.Result;
}

TEST_F(DialogsTest, ColorDialogThroughTheReplaceableFunction) {
  struct TCase {
    BOOL Result;
    TColorDialogOptions Options;
    DWORD FlagsWanted, FlagsUnwanted;
  };
  const TCase Cases[] = {{TRUE, cdFullOpen, CC_RGBINIT | CC_FULLOPEN, CC_PREVENTFULLOPEN},
                         {TRUE, cdPreventFullOpen | cdSolidColor, CC_RGBINIT | CC_PREVENTFULLOPEN | CC_SOLIDCOLOR, CC_FULLOPEN},
                         {FALSE, 0, CC_RGBINIT, CC_FULLOPEN}};
  ColorDialogFunc = FakeColorDialog;
  for (const TCase& C : Cases) {
    ColorCall = TColorCall{};
    ColorCall.Result = C.Result;
    ColorCall.Answer = RGB(10, 20, 30);
    ColorCall.AnswerCustom3 = RGB(40, 50, 60);
    TColorDialog Dialog(Form.get());
    Dialog.Color = clBtnFace;
    Dialog.Options = C.Options;
    Dialog.CustomColors()->Add("ColorB=" + IntToHex(static_cast<unsigned>(RGB(1, 2, 3)), 6));
    Dialog.CustomColors()->Add("ColorC=junk");
    EXPECT_EQ(Dialog.Execute(), C.Result != FALSE);
    ASSERT_EQ(ColorCall.Calls, 1);
    EXPECT_EQ(ColorCall.Seen.Flags & C.FlagsWanted, C.FlagsWanted);
    EXPECT_EQ(ColorCall.Seen.Flags & C.FlagsUnwanted, 0u);
    EXPECT_EQ(ColorCall.Seen.hwndOwner, Form->Handle());
    EXPECT_EQ(ColorCall.Seen.rgbResult, static_cast<COLORREF>(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(ColorCall.SeenCustom[0], RGB(255, 255, 255));
    EXPECT_EQ(ColorCall.SeenCustom[1], RGB(1, 2, 3));
    EXPECT_EQ(ColorCall.SeenCustom[2], RGB(255, 255, 255));
    if (C.Result) {
      EXPECT_EQ(Dialog.Color, static_cast<TColor>(RGB(10, 20, 30)));
      ASSERT_EQ(Dialog.CustomColors()->Count(), 16);
      EXPECT_EQ(Dialog.CustomColors()->Values("ColorB"), IntToHex(static_cast<unsigned>(RGB(1, 2, 3)), 6));
      EXPECT_EQ(Dialog.CustomColors()->Values("ColorD"), IntToHex(static_cast<unsigned>(RGB(40, 50, 60)), 6));
      EXPECT_EQ(Dialog.CustomColors()->Values("ColorP"), "FFFFFF");
    } else {
      EXPECT_EQ(Dialog.Color, clBtnFace);
      EXPECT_EQ(Dialog.CustomColors()->Count(), 2);
    }
  }
}

TEST_F(DialogsTest, RealColorDialogConfirmed) {
  int Widths[2] = {};
  for (const bool FullOpen : {false, true}) {
    HWND Box = nullptr, Owner = nullptr;
    int Shown = 0;
    TWindowsHook Hook(WH_CBT, [&](int Code, WPARAM W, LPARAM) {
      char Class[64] = {};
      GetClassNameA(reinterpret_cast<HWND>(W), Class, sizeof(Class));
      if (Code != HCBT_ACTIVATE || std::string(Class) != "#32770") return;
      ++Shown;
      Box = reinterpret_cast<HWND>(W);
      Owner = GetWindow(Box, GW_OWNER);
    });
    // Runs in the dialog's own loop: measures the dialog once it is up, then confirms it.
    TThreadTimer Confirm(50, [&] {
      if (!Box || !IsWindowVisible(Box)) return;
      RECT R;
      GetWindowRect(Box, &R);
      Widths[FullOpen] = R.right - R.left;
      PostMessageA(Box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Box, IDOK)));
      Box = nullptr;
    });
    TColorDialog Dialog(Form.get());
    Dialog.Color = static_cast<TColor>(RGB(128, 0, 0));
    Dialog.Options = FullOpen ? cdFullOpen : 0u;
    EXPECT_TRUE(Dialog.Execute());
    EXPECT_EQ(Shown, 1);
    EXPECT_EQ(Owner, Form->Handle());
    EXPECT_EQ(Dialog.Color, static_cast<TColor>(RGB(128, 0, 0)));
    EXPECT_EQ(Dialog.CustomColors()->Count(), 16);
  }
  EXPECT_GT(Widths[0], 0);
  EXPECT_GT(Widths[1], Widths[0]) << "full open shows the custom part";
}

}  // namespace
