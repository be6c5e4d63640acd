// Translation of forms and frames along property paths, through a test binding that plays the GUI
// class library: components of the core with published properties kept by the binding.
#include "localizer/uFreeLocalizer.h"

#include "classlib/core/Classes.h"
#include "classlib/core/Components.h"
#include "tests/support/Expect.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The published properties of the test objects, kept per object: texts, integers and objects.
class TTestBinding : public TLocalizerBinding {
public:
  struct TProps {
    std::map<std::string, std::string> Texts;
    std::map<std::string, int> Ints;
    std::map<std::string, TPersistent*> Objects;
  };
  std::map<const TPersistent*, TProps> Props;
  std::map<const TComponent*, std::vector<std::string>> Chains;
  std::set<const TComponent*> Frames, Parts;
  std::vector<TComponent*> OpenForms;
  std::function<void(TComponent*)> Handler;
  std::vector<std::string> SetLog;  // "<object name>.<property>=<value>" per successful set

  std::vector<std::string> ClassChain(TComponent* Root) override { return Chains[Root]; }
  bool IsFrame(TComponent* Component) override { return Frames.count(Component) != 0; }
  TPersistent* ObjectProperty(TPersistent* Instance, const std::string& Name) override {
    auto& Objects = Props[Instance].Objects;
    const auto It = Find(Objects, Name);
    return It != Objects.end() ? It->second : nullptr;
  }
  bool SetPropertyText(TPersistent* Instance, const std::string& Name, const std::string& Value) override {
    TProps& P = Props[Instance];
    const auto Text = Find(P.Texts, Name);
    const auto Int = Find(P.Ints, Name);
    if (Text != P.Texts.end())
      Text->second = Value;
    else if (Int != P.Ints.end())
      Int->second = StrToInt(Value);
    else
      return false;
    const auto* Component = dynamic_cast<const TComponent*>(Instance);
    SetLog.push_back((Component != nullptr ? Component->Name() : Instance->ClassName()) + "." + Name + "=" + Value);
    return true;
  }
  std::vector<TComponent*> Forms() override { return OpenForms; }
  void SetLoadedHandler(std::function<void(TComponent*)> Value) override { Handler = std::move(Value); }
  bool LoadedAsPart(TComponent* Root) override { return Parts.count(Root) != 0; }

  std::string& Text(const TPersistent* Instance, const std::string& Name) { return Props[Instance].Texts[Name]; }
  int& Int(const TPersistent* Instance, const std::string& Name) { return Props[Instance].Ints[Name]; }

  // The layout of Root is built: the form-loaded notification, as the GUI library raises it.
  void Loaded(TComponent* Root) {
    if (Handler) Handler(Root);
  }

private:
  template <class TMap>
  static typename TMap::iterator Find(TMap& Map, const std::string& Name) {
    for (auto It = Map.begin(); It != Map.end(); ++It)
      if (SameText(It->first, Name)) return It;
    return Map.end();
  }
};

std::vector<std::string> Reports;
void CollectReport(const std::string& Text, const std::string&, UINT) { Reports.push_back(Text); }

TComponent* Make(TComponent* Owner, const std::string& Name) {
  auto* C = new TComponent(Owner);
  C->SetName(Name);
  return C;
}

// frmTest (TMyForm from TBaseForm): btnOk (Caption, Width, Font.Size), pnlTop, lblTitle, cbKind
// (Items: five lines), fraTools (a frame: pnlTools, btnTool). Collections are tested on a real list
// view with the GUI binding.
class FormTranslationTest : public ::testing::Test {
protected:
  void SetUp() override {
    Reports.clear();
    FPreviousBox = SetLanguageErrorBox(&CollectReport);
    Localizer.ErrorReporting = erMessageBox;
    Localizer.SetBinding(&Binding);

    Form.SetName("frmTest");
    Binding.Chains[&Form] = {"TBaseForm", "TMyForm"};
    Binding.Text(&Form, "Caption") = "Test";
    BtnOk = Make(&Form, "btnOk");
    Binding.Text(BtnOk, "Caption") = "OK";
    Binding.Int(BtnOk, "Width") = 75;
    Binding.Props[BtnOk].Objects["Font"] = &Font;
    Binding.Int(&Font, "Size") = 8;
    Binding.Text(Make(&Form, "pnlTop"), "Caption") = "";
    LblTitle = Make(&Form, "lblTitle");
    Binding.Text(LblTitle, "Caption") = "Title";
    CbKind = Make(&Form, "cbKind");
    Binding.Props[CbKind].Objects["Items"] = &Items;
    Items.SetText("1\r\n2\r\n3\r\n4\r\n5\r\n");
    Frame = Make(&Form, "fraTools");
    Binding.Frames.insert(Frame);
    Binding.Chains[Frame] = {"TfraTools"};
    Binding.Text(Make(Frame, "pnlTools"), "Caption") = "";
    BtnTool = Make(Frame, "btnTool");
    Binding.Text(BtnTool, "Caption") = "Tool";
  }
  void TearDown() override { SetLanguageErrorBox(FPreviousBox); }

  void AddSection(const std::string& Name, std::initializer_list<std::pair<const char*, const char*>> Lines) {
    auto Section = std::make_unique<TResForm>();
    Section->Name = Name;
    for (const auto& [Path, Value] : Lines) {
      Section->Paths.Add(Path);
      Section->Values.Add(Value);
    }
    Localizer.Forms.push_back(std::move(Section));
  }

  TTestBinding Binding;
  TFreeLocalizer Localizer;
  TComponent Form{nullptr};
  TPersistent Font;
  TStringList Items;
  TComponent *BtnOk, *LblTitle, *CbKind, *Frame, *BtnTool;

private:
  TLanguageErrorBox FPreviousBox = nullptr;
};

}  // namespace

TEST_F(FormTranslationTest, BaseClassSectionsFirst) {
  AddSection("TMyForm", {{"Caption", "Mine"}});
  AddSection("TBaseForm", {{"Caption", "Base"}, {"lblTitle.Caption", "Base title"}});
  AddSection("TOther", {{"Caption", "Other"}});
  Localizer.TranslateComponent(&Form);
  EXPECT_EQ(Reports, std::vector<std::string>{});
  EXPECT_EQ(Binding.SetLog,
            (std::vector<std::string>{"frmTest.Caption=Base", "lblTitle.Caption=Base title", "frmTest.Caption=Mine"}));
  EXPECT_EQ(Binding.Text(&Form, "Caption"), "Mine");
}

TEST_F(FormTranslationTest, SectionNamesAreExactPathNamesAreNot) {
  AddSection("TMYFORM", {{"Caption", "wrong section"}});
  AddSection("TMyForm", {{"BTNOK.caption", "Okay"}, {"LBLtitle.CAPTION", "T"}});
  Localizer.TranslateComponent(&Form);
  EXPECT_EQ(Reports, std::vector<std::string>{});
  EXPECT_EQ(Binding.Text(&Form, "Caption"), "Test");
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "Okay");
  EXPECT_EQ(Binding.Text(LblTitle, "Caption"), "T");
}

TEST_F(FormTranslationTest, Paths) {
  AddSection("TMyForm", {{"pnlTop.lblTitle.Caption", "Reached"},
                         {"btnOk.Font.Size", "12"},
                         {"fraTools.pnlTools.btnTool.Caption", "Frame tool"}});
  Localizer.TranslateComponent(&Form);
  EXPECT_EQ(Reports, std::vector<std::string>{});
  EXPECT_EQ(Binding.Text(LblTitle, "Caption"), "Reached");  // not owned by pnlTop: found in the root
  EXPECT_EQ(Binding.Int(&Font, "Size"), 12);
  EXPECT_EQ(Binding.Text(BtnTool, "Caption"), "Frame tool");  // found in the last frame passed
}

TEST_F(FormTranslationTest, FaultsAreReportedAndTheRestApplied) {
  AddSection("TMyForm", {{"btnCancle.Caption", "x"},
                         {"btnOk.Width", "50%"},
                         {"btnOk.Font.Bogus", "1"},
                         {"btnOk.Hint", "no such property"},
                         {"pnlTools.Caption", "a frame's component seen from the form"},
                         {"btnOk.Caption", "Applied"}});
  Localizer.TranslateComponent(&Form);
  const auto Unknown = [](const std::string& Path) {
    return "Unknown property \"" + Path + "\" found in component \"frmTest\".\r\nRemove it from language file";
  };
  EXPECT_EQ(Reports, (std::vector<std::string>{
                         Unknown("btnCancle.Caption"),
                         "Translation error of property \"btnOk.Width\" in component \"frmTest\"\r\n"
                         "'50%' is not a valid integer value",
                         Unknown("btnOk.Font.Bogus"), Unknown("btnOk.Hint"), Unknown("pnlTools.Caption")}));
  EXPECT_EQ(Binding.Int(BtnOk, "Width"), 75);
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "Applied");
}

TEST_F(FormTranslationTest, ModeTwoRaisesTheReport) {
  Localizer.ErrorReporting = erRaise;
  AddSection("TMyForm", {{"btnOk.Width", "wide"}, {"btnOk.Caption", "not reached"}});
  EXPECT_EQ(MessageOf([&] { Localizer.TranslateComponent(&Form); }),
            "Translation error of property \"btnOk.Width\" in component \"frmTest\"\r\n'wide' is not a valid integer value");
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "OK");
}

TEST_F(FormTranslationTest, StringLists) {
  int Changes = 0;
  Items.OnChange = [&](TObject*) { ++Changes; };
  AddSection("TMyForm", {{"cbKind.Items.Strings", "One\rTwo\rThree"}});
  Localizer.TranslateComponent(&Form);
  EXPECT_EQ(Items.Text(), "One\r\nTwo\r\nThree\r\n");
  EXPECT_EQ(Changes, 1);  // one update bracket

  SetStringsText(Items, "a\r\rb\r");
  EXPECT_EQ(Items.Text(), "a\r\n\r\nb\r\n");
  Localizer.Forms.clear();
  AddSection("TMyForm", {{"cbKind.Items.Strings", ""}, {"cbKind.Items", "the last name is not the list"}});
  Localizer.TranslateComponent(&Form);
  EXPECT_EQ(Items.Count(), 0);
  EXPECT_EQ(Reports, std::vector<std::string>{"Unknown property \"cbKind.Items\" found in component \"frmTest\".\r\n"
                                              "Remove it from language file"});
}

TEST_F(FormTranslationTest, FramesInAFormAreTranslatedOnceWithTheForm) {
  AddSection("TfraTools", {{"btnTool.Caption", "Werkzeug"}});
  AddSection("TMyForm", {{"btnOk.Caption", "Gut"}});
  Localizer.SetTranslateOnCreate(true);
  ASSERT_TRUE(static_cast<bool>(Binding.Handler));
  // The frame's layout is part of the form's: its own notification comes first and is left alone.
  Binding.Parts.insert(Frame);
  Binding.Loaded(Frame);
  Binding.Loaded(&Form);
  EXPECT_EQ(Binding.SetLog, (std::vector<std::string>{"btnTool.Caption=Werkzeug", "btnOk.Caption=Gut"}));

  // A frame created on its own is translated on its own.
  Binding.SetLog.clear();
  Binding.Parts.clear();
  Binding.Loaded(Frame);
  EXPECT_EQ(Binding.SetLog, std::vector<std::string>{"btnTool.Caption=Werkzeug"});
  EXPECT_EQ(Reports, std::vector<std::string>{});
}

TEST_F(FormTranslationTest, TranslateOnCreateHoldsTheNotification) {
  Localizer.SetBinding(nullptr);
  Localizer.SetTranslateOnCreate(true);
  EXPECT_FALSE(static_cast<bool>(Binding.Handler));
  Localizer.SetBinding(&Binding);  // a binding that comes later gets the handler
  EXPECT_TRUE(static_cast<bool>(Binding.Handler));
  Localizer.SetTranslateOnCreate(false);
  EXPECT_FALSE(static_cast<bool>(Binding.Handler));
  Localizer.SetTranslateOnCreate(true);
  {
    TTestBinding Other;
    Localizer.SetBinding(&Other);
    EXPECT_FALSE(static_cast<bool>(Binding.Handler));
    EXPECT_TRUE(static_cast<bool>(Other.Handler));
    Localizer.SetBinding(&Binding);
  }
  // Without TranslateOnCreate a loaded form is left as it is.
  AddSection("TMyForm", {{"btnOk.Caption", "Gut"}});
  Localizer.SetTranslateOnCreate(false);
  Binding.Loaded(&Form);
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "OK");
}

TEST(FormTranslation, LocalizerGoneRemovesTheNotification) {
  TTestBinding Binding;
  {
    TFreeLocalizer Localizer;
    Localizer.SetBinding(&Binding);
    Localizer.SetTranslateOnCreate(true);
    EXPECT_TRUE(static_cast<bool>(Binding.Handler));
  }
  EXPECT_FALSE(static_cast<bool>(Binding.Handler));
}

TEST_F(FormTranslationTest, LoadTranslatesOpenForms) {
  TTempDir Dir("corvane_forms");
  ASSERT_TRUE(Dir.Valid());
  ASSERT_TRUE(WriteBytes(Dir.File("Corvane.lng"), "; Ostrel's Delphi Localizer Language File.\r\n[TMyForm]\r\n"
                                                  "btnOk.Caption='Abbrechen'\r\n[TfraTools]\r\nbtnTool.Caption='W'\r\n"));
  Binding.OpenForms = {&Form};
  Localizer.ReadLanguageFile(Dir.File("Corvane.lng"));  // TranslateOnCreate is false: nothing happens
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "OK");
  Localizer.SetTranslateOnCreate(true);
  Localizer.ReadLanguageFile(Dir.File("Corvane.lng"));
  EXPECT_EQ(Reports, std::vector<std::string>{});
  EXPECT_EQ(Binding.Text(BtnOk, "Caption"), "Abbrechen");
  EXPECT_EQ(Binding.Text(BtnTool, "Caption"), "W");
}
