// Translation of real windows of the GUI class library: forms and frames from layout tables, the
// localizer bound to the library, reports in the application's message box.
#include "localizer/GuiBinding.h"
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/TypInfo.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/ListView.h"
#include "classlib/gui/StdCtrls.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char Caption[] = "Q.T.R. Error";

// A panel counting the sets of its "Note" property by value.
class TCountedPanel : public TPanel {
public:
  using TPanel::TPanel;
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info{"TCountedPanel",
                                 &TPanel::StaticClassInfo(),
                                 {StrProp<TCountedPanel>("Note", [](TCountedPanel& P) { return P.Note; },
                                                         [](TCountedPanel& P, const std::string& V) {
                                                           P.Note = V;
                                                           Sets().push_back(V);
                                                         })},
                                 {},
                                 [](TComponent* Owner) -> TComponent* { return new TCountedPanel(Owner); }};
    return Info;
  }
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
  std::string Note;
  static std::vector<std::string>& Sets() {
    static std::vector<std::string> Values;
    return Values;
  }
};

// The list view of the test form: two columns made with the view, before its layout is applied.
class TFilesView : public TListView {
public:
  explicit TFilesView(TComponent* AOwner) : TListView(AOwner) {
    for (int I = 0; I < 2; ++I) Columns()->Add()->SetCaption("Column " + std::to_string(I));
  }
  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo Info{"TFilesView", &TListView::StaticClassInfo(), {}, {},
                                 [](TComponent* Owner) -> TComponent* { return new TFilesView(Owner); }};
    return Info;
  }
  const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

class TfraTools : public TFrame {
public:
  explicit TfraTools(TComponent* AOwner) : TFrame(AOwner) {
    static const TLayout Layout{"TfraTools",
                                "TFrame",
                                {},
                                {},
                                {{"TCountedPanel", "pnlTools", "", 0, 0, 140, 40, alTop, akLeftTop, {{"Caption", "Tools"}, {"Note", "note"}}, {}},
                                 {"TButton", "btnTool", "", 8, 48, 100, 25, alNone, akLeftTop, {{"Caption", "Tool"}}, {}}}};
    InitLayout(Layout);
  }
  static const TClassInfo& RegisteredInfo() {
    static const TClassInfo Info{"TfraTools", &TFrame::StaticClassInfo(), {}, {},
                                 [](TComponent* Owner) -> TComponent* { return new TfraTools(Owner); }};
    return Info;
  }
};

// TMyForm, derived from TBaseForm; its OnCreate may set the caption.
class TMyForm : public TForm {
public:
  static inline std::string CreateCaption;
  explicit TMyForm(TComponent* AOwner) : TForm(AOwner) {
    SetName("frmTest");
    RegisterHandler(this, "FormCreate", &TMyForm::FormCreate);
    static const TLayout Layout{
        "TMyForm",
        "TBaseForm",
        {{"Caption", "Original"}, {"ClientWidth", "320"}, {"ClientHeight", "200"}, {"Position", "poScreenCenter"}},
        {{"OnCreate", "FormCreate"}},
        {{"TPanel", "pnlTop", "", 0, 0, 320, 40, alTop, akLeftTop, {{"Caption", ""}}, {}},
         {"TLabel", "lblTitle", "pnlTop", 8, 12, 200, 17, alNone, akLeftTop, {{"Caption", "Title"}}, {}},
         {"TComboBox", "cbKind", "", 8, 56, 120, 21, alNone, akLeftTop, {{"Items", "1\r2\r3\r4\r5"}}, {}},
         {"TFilesView", "lvFiles", "", 8, 140, 140, 55, alNone, akLeftTop, {}, {}},
         {"TfraTools", "fraTools", "", 160, 50, 150, 90, alNone, akLeftTop, {}, {}},
         {"TButton", "btnOk", "", 8, 100, 75, 25, alNone, akLeftTop, {{"Caption", "OK"}}, {}}}};
    InitLayout(Layout);
  }
  void FormCreate(TObject*) {
    if (!CreateCaption.empty()) SetCaption(CreateCaption);
  }
};

void RegisterClasses() {
  static const TClassInfo BaseForm{"TBaseForm", &TForm::StaticClassInfo(), {}, {}, {}};
  RegisterComponentClass(BaseForm);
  RegisterComponentClass(TCountedPanel::StaticClassInfo());
  RegisterComponentClass(TFilesView::StaticClassInfo());
  RegisterComponentClass(TfraTools::RegisteredInfo());
}

std::string WindowText(HWND Wnd) {
  char Buffer[1024] = {};
  GetWindowTextA(Wnd, Buffer, sizeof(Buffer));
  return Buffer;
}

// The text of a list view's header column, as the window holds it.
std::string HeaderText(TListView* View, int Index) {
  char Buffer[256] = {};
  LVCOLUMNA Column{};
  Column.mask = LVCF_TEXT;
  Column.pszText = Buffer;
  Column.cchTextMax = sizeof(Buffer);
  if (!SendMessageA(View->Handle(), LVM_GETCOLUMNA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Column)))
    return "<no column>";
  return Buffer;
}

class GuiTranslationTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterClasses();
    ASSERT_TRUE(Dir.Valid());
    TMyForm::CreateCaption.clear();
    TCountedPanel::Sets().clear();
    FSavedCodePage = DefaultCodePage;
    BindLocalizerToGui(Localizer);
    Localizer.ErrorReporting = erMessageBox;
    Localizer.SetTranslateOnCreate(true);
  }
  void TearDown() override {
    DefaultCodePage = FSavedCodePage;
    PumpUntilIdle(10, 500);
  }
  // Writes the language file with the signature line and Body, and loads it.
  void Load(const std::string& Body) {
    const std::string Name = Dir.File("Corvane.lng");
    ASSERT_TRUE(WriteBytes(Name, "; Ostrel's Delphi Localizer Language File.\r\n" + Body));
    Localizer.ReadLanguageFile(Name);
  }
  static TButton* Button(TComponent* Root, const char* Name) { return FindByName<TButton>(Root, Name); }

  TTempDir Dir{"corvane_guilng"};
  TFreeLocalizer Localizer;
  UINT FSavedCodePage = 0;
};

TEST_F(GuiTranslationTest, FormsAreTranslatedAsTheyAreCreated) {
  Load("[TMyForm]\r\nCaption='Mine'\r\npnlTop.lblTitle.Caption='Reached'\r\nlvFiles.Columns.(0).Caption='Name'\r\n"
       "[TBaseForm]\r\nCaption='Base'\r\nbtnOk.Caption='&Gut'\r\n[TfraTools]\r\nbtnTool.Caption='Werkzeug'\r\n");
  TMessageBoxAnswerer Answerer;  // no box expected
  auto Form = std::make_unique<TMyForm>(Application);
  EXPECT_EQ(ClassChain(Form.get()).at(1), "TBaseForm");
  EXPECT_EQ(GuiLocalizerBinding().ClassChain(Form.get()), (std::vector<std::string>{"TBaseForm", "TMyForm"}));
  EXPECT_EQ(WindowText(Form->Handle()), "Mine");  // the base's lines first, TMyForm's win
  EXPECT_EQ(WindowText(Button(Form.get(), "btnOk")->Handle()), "&Gut");
  EXPECT_EQ(FindByName<TLabel>(Form.get(), "lblTitle")->Caption(), "Reached");  // not owned by pnlTop: from the root
  auto* View = FindByName<TListView>(Form.get(), "lvFiles");
  ASSERT_NE(View, nullptr);
  EXPECT_EQ(HeaderText(View, 0), "Name");
  EXPECT_EQ(HeaderText(View, 1), "Column 1");
  EXPECT_EQ(View->Columns()->Items(0)->Caption(), "Name");
  Form->Show();
  PumpUntilIdle();
  TWindowCapture(Form->Handle()).SavePng("TMyForm_translated");
}

TEST_F(GuiTranslationTest, FaultsAreReportedInTheApplicationBoxAndTheFormIsCreated) {
  Load("[TMyForm]\r\nlvFiles.Columns.(9).Caption='Nine'\r\nbtnOk.Width='50%'\r\nbtnCancle.Caption='x'\r\n"
       "lvFiles.Columns.(x).Caption='not an index'\r\nbtnOk.Caption='Applied'\r\n");
  TMessageBoxAnswerer Answerer;
  Answerer.Expect(Caption,
                  "Translation error of property \"lvFiles.Columns.(9).Caption\" in component \"frmTest\"\r\n"
                  "List index out of bounds (9)",
                  IDOK);
  Answerer.Expect(Caption,
                  "Translation error of property \"btnOk.Width\" in component \"frmTest\"\r\n'50%' is not a valid integer value",
                  IDOK);
  for (const char* Path : {"btnCancle.Caption", "lvFiles.Columns.(x).Caption"})
    Answerer.Expect(Caption,
                    "Unknown property \"" + std::string(Path) + "\" found in component \"frmTest\".\r\nRemove it from language file",
                    IDOK);
  HWND Owner = nullptr;
  TWindowsHook Hook(WH_CBT, [&](int Code, WPARAM W, LPARAM) {
    if (Code == HCBT_ACTIVATE && !Owner) Owner = GetWindow(reinterpret_cast<HWND>(W), GW_OWNER);
  });
  auto Form = std::make_unique<TMyForm>(Application);
  EXPECT_EQ(Answerer.Seen(), 4);
  EXPECT_EQ(Owner, Application->Handle());  // the application's message box
  EXPECT_TRUE(IsWindow(Form->Handle()));
  EXPECT_EQ(Button(Form.get(), "btnOk")->Width(), 75);
  EXPECT_EQ(WindowText(Button(Form.get(), "btnOk")->Handle()), "Applied");
  auto* View = FindByName<TListView>(Form.get(), "lvFiles");
  ASSERT_NE(View, nullptr);
  EXPECT_EQ(View->Columns()->Count(), 2);
  EXPECT_EQ(HeaderText(View, 0), "Column 0");
}

TEST_F(GuiTranslationTest, StringListsOfAComboBox) {
  auto Form = std::make_unique<TMyForm>(Application);
  auto* Combo = FindByName<TComboBox>(Form.get(), "cbKind");
  ASSERT_EQ(SendMessageA(Combo->Handle(), CB_GETCOUNT, 0, 0), 5);
  Load("[TMyForm]\r\ncbKind.Items.Strings='One'#13'Two'#13'Three'\r\n");
  ASSERT_EQ(SendMessageA(Combo->Handle(), CB_GETCOUNT, 0, 0), 3);
  char Item[64] = {};
  SendMessageA(Combo->Handle(), CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(Item));
  EXPECT_STREQ(Item, "Three");
  TMessageBoxAnswerer Answerer;
  Answerer.Expect(Caption, "Unknown property \"cbKind.Items\" found in component \"frmTest\".\r\nRemove it from language file",
                  IDOK);
  Load("[TMyForm]\r\ncbKind.Items.Strings=\r\ncbKind.Items='the last name is not the list'\r\n");
  EXPECT_EQ(SendMessageA(Combo->Handle(), CB_GETCOUNT, 0, 0), 0);
}

TEST_F(GuiTranslationTest, FramesInAFormOnceAloneOnTheirOwn) {
  Load("[TfraTools]\r\npnlTools.Note='Notiz'\r\nbtnTool.Caption='Werkzeug'\r\n[TMyForm]\r\nfraTools.btnTool.Width='120'\r\n");
  auto Form = std::make_unique<TMyForm>(Application);
  EXPECT_EQ(TCountedPanel::Sets(), (std::vector<std::string>{"note", "Notiz"}));  // the layout's, then one translation
  auto* Frame = FindByName<TfraTools>(Form.get(), "fraTools");
  ASSERT_NE(Frame, nullptr);
  EXPECT_EQ(WindowText(Button(Frame, "btnTool")->Handle()), "Werkzeug");
  EXPECT_EQ(Button(Frame, "btnTool")->Width(), 120);

  TCountedPanel::Sets().clear();
  auto Alone = std::make_unique<TfraTools>(nullptr);
  EXPECT_EQ(TCountedPanel::Sets(), (std::vector<std::string>{"note", "Notiz"}));
  EXPECT_EQ(Button(Alone.get(), "btnTool")->Caption(), "Werkzeug");
}

TEST_F(GuiTranslationTest, AFormOpenBeforeALoadIsTranslatedByIt) {
  auto Form = std::make_unique<TMyForm>(Application);
  Form->Show();
  PumpUntilIdle();
  EXPECT_EQ(WindowText(Form->Handle()), "Original");
  Load("[TMyForm]\r\nCaption='Later'\r\n");
  EXPECT_EQ(WindowText(Form->Handle()), "Later");
}

TEST_F(GuiTranslationTest, OnCreateCaptionWins) {
  Load("[TMyForm]\r\nCaption='Fremd'\r\nbtnOk.Caption='Abbrechen'\r\n");
  TMyForm::CreateCaption = "Corvane 2007";
  auto Form = std::make_unique<TMyForm>(Application);
  EXPECT_EQ(WindowText(Form->Handle()), "Corvane 2007");
  EXPECT_EQ(WindowText(Button(Form.get(), "btnOk")->Handle()), "Abbrechen");
}

TEST_F(GuiTranslationTest, CodePages) {
  struct TRun {
    UINT DefaultPage;
    const char* Options;
    const char* Expected;
  };
  const TRun Runs[] = {
      {1251, "Codepage=1251\r\n", "\xCF\xF0\xE8"},
      {1251, "", "\xCF\xF0\xE8"},
      {1252, "Codepage=1251\r\n", "???"},
  };
  for (const TRun& R : Runs) {
    SCOPED_TRACE(std::string("DefaultCodePage ") + std::to_string(R.DefaultPage) + " options " + R.Options);
    DefaultCodePage = R.DefaultPage;
    Load(std::string(R.Options) + "[TMyForm]\r\nbtnOk.Caption='\xCF\xF0\xE8'\r\n");
    auto Form = std::make_unique<TMyForm>(Application);
    EXPECT_EQ(WindowText(Button(Form.get(), "btnOk")->Handle()), R.Expected);
  }
}

}  // namespace
