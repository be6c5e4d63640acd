// The custom-draw settings window in process: what it shows for the INI file beside the program,
// the one key each control writes, the disabled panel, Apply, OK and Cancel on the file's bytes,
// and the shell host of Vellisk's tests painting with what the window wrote.
#include "application/AppPaths.h"
#include "application/CustomDraw.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ExtCtrls.h"
#include "controls/ColorBox.h"
#include "controls/RXSpin.h"
#include "controls/RxCombos.h"
#include "model/CustDraw.h"
#include "model/Utils.h"
#include "tests/app/Modal.h"
#include "tests/shellext/MenuFixture.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/Pixels.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const ColorCombos[] = {"cbNormalTextColor", "cbSelectedTextColor", "cbNormalBackColor",
                                   "cbSelectedBackColor", "cbNormalIconBackColor", "cbSelectedIconBackColor"};

// The value of Key in the section of INI text (nullptr-like "<none>" when absent).
std::string KeyValue(const std::string& Text, const std::string& Key) {
  const std::string Header = "[Custom-drawn Menu Properties]";
  size_t At = Text.find(Header);
  if (At == std::string::npos) return "<none>";
  const size_t End = Text.find("\r\n[", At + 1);
  const std::string Section = Text.substr(At, End == std::string::npos ? std::string::npos : End - At);
  const size_t Line = Section.find("\r\n" + Key + "=");
  if (Line == std::string::npos) return "<none>";
  const size_t Start = Line + 2 + Key.size() + 1;
  return Section.substr(Start, Section.find("\r\n", Start) - Start);
}

// The section "Custom-drawn Menu Properties" of INI text, header and all ("" when absent).
std::string SectionText(const std::string& Text) {
  const size_t At = Text.find("[Custom-drawn Menu Properties]");
  if (At == std::string::npos) return "";
  const size_t End = Text.find("\r\n[", At + 1);
  return Text.substr(At, End == std::string::npos ? std::string::npos : End + 2 - At);
}

// Section with the value of Key replaced by Value.
std::string WithKey(const std::string& Section, const std::string& Key, const std::string& Value) {
  const size_t Line = Section.find("\r\n" + Key + "=");
  if (Line == std::string::npos) return Section + Key + "=" + Value + "\r\n";
  const size_t Start = Line + 2 + Key.size() + 1;
  return Section.substr(0, Start) + Value + Section.substr(Section.find("\r\n", Start));
}

// The user types Text into an edit over all of its text.
void TypeInto(TWinControl* Edit, const std::string& Text) {
  Edit->SetFocus();
  SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
  for (char C : Text) SendMessageA(Edit->Handle(), WM_CHAR, static_cast<unsigned char>(C), 0);
  PumpUntilIdle(10, 300);
}

// The system's message font: its face and its size in points.
void MessageFont(std::string& Face, int& Size) {
  NONCLIENTMETRICSA Metrics{};
  Metrics.cbSize = sizeof(Metrics);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0));
  Face = Metrics.lfMessageFont.lfFaceName;
  HDC DC = GetDC(nullptr);
  const int PixelsPerInch = GetDeviceCaps(DC, LOGPIXELSY);
  ReleaseDC(nullptr, DC);
  const int Height = Metrics.lfMessageFont.lfHeight;
  Size = -MulDiv(Height > 0 ? -Height : Height, 72, PixelsPerInch);
}

int CALLBACK FirstFamily(const LOGFONTA* Font, const TEXTMETRICA*, DWORD Type, LPARAM Param) {
  auto* Name = reinterpret_cast<std::string*>(Param);
  if (!(Type & TRUETYPE_FONTTYPE) || Font->lfCharSet == SYMBOL_CHARSET || Font->lfFaceName[0] == '@') return 1;
  *Name = Font->lfFaceName;
  return 0;
}

// A TrueType family of the screen that the font combo lists, other than the dialog's own.
std::string AnyFontFamily() {
  std::string Name;
  HDC DC = GetDC(nullptr);
  LOGFONTA Query{};
  Query.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExA(DC, &Query, FirstFamily, reinterpret_cast<LPARAM>(&Name), 0);
  ReleaseDC(nullptr, DC);
  EXPECT_FALSE(Name.empty());
  return Name;
}

class CustomDrawTest : public ::testing::Test {
public:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    ASSERT_FALSE(FileExists(GetWindowsFolder() + "ZU2001.ini")) << "another test left ZU2001.ini behind";
    SetProgramFolder(Dir.Folder());
    Application->SetTitle(ProductTitle);
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    SetProgramFolder("");
  }
  std::string Ini() const { return Dir.File("Corvane.ini"); }
  void WriteSection(const std::string& Keys) {
    ASSERT_TRUE(WriteBytes(Ini(), "[Other]\r\nA=1\r\n\r\n[Custom-drawn Menu Properties]\r\n" + Keys));
  }
  void Open() {
    Form = std::make_unique<TfrmCustomDraw>(Application);
    Form->Show();
    PumpUntilIdle();
  }
  template <class T>
  T* Get(const char* Name) {
    return FindByName<T>(Form.get(), Name);
  }
  // The user picks entry Index of a combo.
  void Pick(const char* Name, int Index) {
    auto* Combo = Get<TCustomComboBox>(Name);
    SendMessageA(Combo->Handle(), CB_SETCURSEL, static_cast<WPARAM>(Index), 0);
    SendMessageA(GetParent(Combo->Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Combo->Handle()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Combo->Handle()));
    PumpUntilIdle(10, 300);
  }
  // The entry of the colour combo whose colour is Color (after the default entry).
  int EntryOf(const char* Name, TColor Color) {
    auto* Combo = Get<TAdvColorComboBox>(Name);
    for (int I = 1; I < Combo->Items()->Count(); ++I)
      if (Combo->GetItemColor(I) == Color) return I;
    ADD_FAILURE() << "no entry of colour " << Color;
    return 0;
  }
  void ClickButton(const char* Name) {
    auto* Button = Get<TWinControl>(Name);
    SendMessageA(Button->Handle(), BM_CLICK, 0, 0);
    PumpUntilIdle(10, 300);
  }
  bool ApplyEnabled() { return Get<TControl>("btnApply")->Enabled(); }

  TTempDir Dir;
  std::unique_ptr<TfrmCustomDraw> Form;
};

}  // namespace

TEST_F(CustomDrawTest, EmptySectionShowsTheDefaults) {
  WriteSection("");
  Open();
  EXPECT_EQ(Form->Caption(), "Custom-drawn Menu Properties");
  EXPECT_EQ(Form->ClientWidth(), 612);
  EXPECT_EQ(Form->ClientHeight(), 306);
  EXPECT_FALSE(Get<TCheckBox>("chkCustomDrawn")->Checked());
  EXPECT_TRUE(Get<TCheckBox>("chkFirstLevelDefault")->Checked());
  EXPECT_TRUE(Get<TCheckBox>("chkBackgroundFix")->Checked());
  EXPECT_EQ(Get<TRxSpinEdit>("spedIndent")->Value(), 20);
  EXPECT_FALSE(Get<TCheckBox>("chkFont")->Checked());
  std::string Face;
  int Size = 0;
  MessageFont(Face, Size);
  EXPECT_EQ(Form->Font().Name(), Face);
  EXPECT_EQ(Get<TFontComboBox>("cbTextFont")->FontName(), Form->Font().Name());
  EXPECT_EQ(Get<TRxSpinEdit>("spedTextFontSize")->Value(), Form->Font().Size());
  for (const char* Combo : ColorCombos) EXPECT_EQ(Get<TCustomComboBox>(Combo)->ItemIndex(), 0) << Combo;
  EXPECT_FALSE(ApplyEnabled());
  // Everything on the panel is disabled while custom drawing is off.
  EXPECT_FALSE(Get<TControl>("spedIndent")->Enabled());
  TWindowCapture(Form->Handle()).SavePng("app_custom_draw");
}

TEST_F(CustomDrawTest, EachControlWritesItsOneKey) {
  std::string Face;
  int Size = 0;
  MessageFont(Face, Size);
  struct TCase {
    const char* Name;
    bool Font;  // a custom font in the section before
    std::function<void(CustomDrawTest&)> Act;
    const char* Key;
    std::function<std::string(CustomDrawTest&)> Expected;
    const char* OtherKey = nullptr;  // the font switch writes face and size together
    std::function<std::string(CustomDrawTest&)> OtherExpected = nullptr;
  };
  auto Fixed = [](std::string V) { return [V](CustomDrawTest&) { return V; }; };
  auto Hex = [](TColor C) {
    char B[16];
    std::snprintf(B, sizeof(B), "$%X", static_cast<unsigned>(C));
    return std::string(B);
  };
  const std::string Common = "Enabled=True\r\nNormalTextColor=$FF\r\n";
  const std::string FontKeys = "TextFontFace=" + AnyFontFamily() + "\r\nTextFontSize=12\r\n";
  const TCase Cases[] = {
      {"default entry", true, [](CustomDrawTest& T) { T.Pick("cbNormalTextColor", 0); }, "NormalTextColor",
       Fixed("$20000000")},
      {"another colour", true,
       [](CustomDrawTest& T) { T.Pick("cbSelectedBackColor", T.EntryOf("cbSelectedBackColor", clTeal)); },
       "SelectedBackColor", [&](CustomDrawTest&) { return Hex(clTeal); }},
      {"system colour", true,
       [](CustomDrawTest& T) { T.Pick("cbNormalIconBackColor", T.EntryOf("cbNormalIconBackColor", clBtnFace)); },
       "NormalIconBackColor", [&](CustomDrawTest&) { return Hex(clBtnFace); }},
      {"indent", true, [](CustomDrawTest& T) { TypeInto(T.Get<TWinControl>("spedIndent"), "35"); }, "TextIndent",
       Fixed("35")},
      {"custom font off (face)", true, [](CustomDrawTest& T) { T.ClickButton("chkFont"); }, "TextFontFace", Fixed(""),
       "TextFontSize", Fixed("0")},
      {"custom font off (size)", true, [](CustomDrawTest& T) { T.ClickButton("chkFont"); }, "TextFontSize", Fixed("0"),
       "TextFontFace", Fixed("")},
      {"custom font on (face)", false, [](CustomDrawTest& T) { T.ClickButton("chkFont"); },
       "TextFontFace", [&](CustomDrawTest&) { return Face; }, "TextFontSize",
       [&](CustomDrawTest&) { return std::to_string(Size); }},
      {"custom font on (size)", false, [](CustomDrawTest& T) { T.ClickButton("chkFont"); },
       "TextFontSize", [&](CustomDrawTest&) { return std::to_string(Size); }, "TextFontFace",
       [&](CustomDrawTest&) { return Face; }},
      {"first level", true, [](CustomDrawTest& T) { T.ClickButton("chkFirstLevelDefault"); }, "FirstLevelDefault",
       Fixed("False")},
      {"background fix", true, [](CustomDrawTest& T) { T.ClickButton("chkBackgroundFix"); }, "BackgroundFix",
       Fixed("False")},
      {"enable", true, [](CustomDrawTest& T) { T.ClickButton("chkCustomDrawn"); }, "Enabled", Fixed("False")},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    WriteSection(Common + (C.Font ? FontKeys : ""));
    // The section as the settings write it unchanged: the window's save differs in the one key.
    TCustomDrawnMenuInfo(Ini()).Save();
    const std::string Before = SectionText(FileBytesOr(Ini(), ""));
    ASSERT_FALSE(Before.empty());
    Open();
    EXPECT_FALSE(ApplyEnabled());
    C.Act(*this);
    EXPECT_TRUE(ApplyEnabled());
    ClickButton("btnApply");
    EXPECT_FALSE(ApplyEnabled());
    const std::string After = FileBytesOr(Ini(), "");
    EXPECT_EQ(KeyValue(After, C.Key), C.Expected(*this));
    std::string Expected = WithKey(Before, C.Key, C.Expected(*this));
    if (C.OtherKey) Expected = WithKey(Expected, C.OtherKey, C.OtherExpected(*this));
    EXPECT_EQ(SectionText(After), Expected);
    Form.reset();
  }
}

// A value typed beyond the range is never stored: OK (by Enter) and Apply (by Alt+A) write its limit,
// and the edit shows it.
TEST_F(CustomDrawTest, TypedValuesOutOfRangeAreStoredAsTheirLimits) {
  const std::string FontKeys = "TextFontFace=" + AnyFontFamily() + "\r\nTextFontSize=12\r\n";
  struct TCase {
    const char* Edit;
    const char* Typed;
    bool Enter;  // else Alt+A
    const char* Key;
    const char* Stored;
  };
  const TCase Cases[] = {
      {"spedIndent", "999", true, "TextIndent", "100"},      {"spedIndent", "-5", true, "TextIndent", "10"},
      {"spedTextFontSize", "0", true, "TextFontSize", "6"},  {"spedTextFontSize", "25", true, "TextFontSize", "20"},
      {"spedIndent", "999", false, "TextIndent", "100"},     {"spedTextFontSize", "30", false, "TextFontSize", "20"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Edit) + " " + C.Typed + (C.Enter ? " Enter" : " Alt+A"));
    WriteSection("Enabled=True\r\nTextIndent=20\r\n" + FontKeys);
    TCustomDrawnMenuInfo(Ini()).Save();
    const std::string Before = SectionText(FileBytesOr(Ini(), ""));
    Open();
    auto* Edit = Get<TRxSpinEdit>(C.Edit);
    TypeInto(Edit, C.Typed);
    ASSERT_EQ(Edit->Text(), C.Typed);
    ASSERT_TRUE(Edit->Focused());
    if (C.Enter) {
      PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(Edit->Handle(), WM_KEYUP, VK_RETURN, 0xC0000001);
    } else {
      PostMessageA(Edit->Handle(), WM_SYSCHAR, 'a', 0x20000001);
    }
    PumpUntilIdle(10, 300);
    EXPECT_EQ(C.Enter ? Form->ModalResult : mrNone, C.Enter ? mrOk : mrNone);
    EXPECT_TRUE(Edit->Focused()) << "the key moved the focus";
    EXPECT_EQ(Edit->Text(), C.Stored);
    EXPECT_EQ(SectionText(FileBytesOr(Ini(), "")), WithKey(Before, C.Key, C.Stored));
    Form.reset();
  }
}

// "&Item text indent:" takes the focus to its edit; both edits carry the standard up-down, 49 by 21.
TEST_F(CustomDrawTest, IndentLabelFocusesItsEditAndTheEditsShowTheUpDown) {
  WriteSection("Enabled=True\r\nTextFontFace=" + AnyFontFamily() + "\r\nTextFontSize=12\r\n");
  Open();
  auto* Indent = Get<TRxSpinEdit>("spedIndent");
  Get<TWinControl>("chkCustomDrawn")->SetFocus();
  PumpUntilIdle(10, 300);
  ASSERT_FALSE(Indent->Focused());
  PostMessageA(Get<TWinControl>("chkCustomDrawn")->Handle(), WM_SYSCHAR, 'i', 0x20000001);
  PumpUntilIdle(10, 300);
  EXPECT_TRUE(Indent->Focused());
  for (const char* Name : {"spedIndent", "spedTextFontSize"}) {
    SCOPED_TRACE(Name);
    auto* Edit = Get<TRxSpinEdit>(Name);
    EXPECT_EQ(Edit->ButtonKind(), bkStandard);
    EXPECT_EQ(Edit->Width(), 49);
    EXPECT_EQ(Edit->Height(), 21);
    ASSERT_NE(Edit->UpDown(), nullptr);
    EXPECT_EQ(Edit->Button(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Edit->UpDown()->Handle()));
    RECT Up;
    GetWindowRect(Edit->UpDown()->Handle(), &Up);
    RECT Box;
    GetWindowRect(Edit->Handle(), &Box);
    EXPECT_GT(Up.left, Box.left + Edit->Width() / 2) << "the up-down stands at the right";
    std::vector<TWinControl*> Order;
    Edit->GetTabOrderList(Order);
    EXPECT_EQ(Order, std::vector<TWinControl*>{Edit->UpDown()});
  }
  TWindowCapture(Form->Handle()).SavePng("app_custom_draw_font");
}

TEST_F(CustomDrawTest, DisablingKeepsTheValues) {
  const std::string Family = AnyFontFamily();
  WriteSection("Enabled=True\r\nTextIndent=33\r\nTextFontFace=" + Family + "\r\nTextFontSize=11\r\nNormalBackColor=$FF0000\r\n");
  Open();
  EXPECT_TRUE(Get<TCheckBox>("chkFont")->Checked());
  EXPECT_TRUE(Get<TControl>("cbTextFont")->Enabled());
  const int BackEntry = Get<TCustomComboBox>("cbNormalBackColor")->ItemIndex();
  EXPECT_EQ(Get<TAdvColorComboBox>("cbNormalBackColor")->SelectedColor(), clBlue);
  ClickButton("chkCustomDrawn");
  std::vector<TControl*> Pending{Get<TControl>("pnlCustomDrawn")};
  int Checked = 0;
  while (!Pending.empty()) {
    auto* Control = dynamic_cast<TWinControl*>(Pending.back());
    Pending.pop_back();
    if (!Control) continue;
    for (int I = 0; I < Control->ControlCount(); ++I) {
      EXPECT_FALSE(Control->Controls(I)->Enabled()) << Control->Controls(I)->Name();
      Pending.push_back(Control->Controls(I));
      ++Checked;
    }
  }
  EXPECT_GT(Checked, 20);
  EXPECT_EQ(Get<TRxSpinEdit>("spedIndent")->Value(), 33);
  EXPECT_EQ(Get<TFontComboBox>("cbTextFont")->FontName(), Family);
  EXPECT_EQ(Get<TRxSpinEdit>("spedTextFontSize")->Value(), 11);
  EXPECT_TRUE(Get<TCheckBox>("chkFont")->Checked());
  EXPECT_EQ(Get<TCustomComboBox>("cbNormalBackColor")->ItemIndex(), BackEntry);
  EXPECT_TRUE(Get<TControl>("chkCustomDrawn")->Enabled());
  // On again: the font panel follows the font setting.
  ClickButton("chkCustomDrawn");
  EXPECT_TRUE(Get<TControl>("spedIndent")->Enabled());
  EXPECT_TRUE(Get<TControl>("cbTextFont")->Enabled());
}

TEST_F(CustomDrawTest, ApplyKeepsTheFrameKeysCancelLeavesTheFileOkSaves) {
  const std::string Frame =
      "FrameStyle=2\r\nFrameLightColor=$FF\r\nFrameShadowColor=$8000000F\r\nFrameBorderColor=$123456\r\nFrameAll=True\r\n";
  WriteSection("Enabled=True\r\nFirstLevelDefault=True\r\nBackgroundFix=True\r\nTextIndent=20\r\n" + Frame);
  // Apply after a change: the frame keys come back as they were, byte for byte.
  Open();
  TypeInto(Get<TWinControl>("spedIndent"), "44");
  ClickButton("btnApply");
  const std::string Applied = FileBytesOr(Ini(), "");
  EXPECT_EQ(KeyValue(Applied, "TextIndent"), "44");
  EXPECT_NE(Applied.find(Frame), std::string::npos) << Applied;
  EXPECT_NE(Applied.find("[Other]\r\nA=1\r\n"), std::string::npos);
  Form.reset();
  // Cancel after changes leaves the bytes alone; reopening shows the file's values.
  int Shown = 0;
  RunModal([] { return ShowCustomDraw(); },
           [&](TCustomForm* F) {
             auto* Dialog = dynamic_cast<TfrmCustomDraw*>(F);
             ASSERT_NE(Dialog, nullptr);
             TypeInto(FindByName<TWinControl>(F, "spedIndent"), "77");
             SendMessageA(FindByName<TWinControl>(F, "chkBackgroundFix")->Handle(), BM_CLICK, 0, 0);
             SendMessageA(FindByName<TWinControl>(F, "btnCancel")->Handle(), BM_CLICK, 0, 0);
           });
  EXPECT_EQ(FileBytesOr(Ini(), ""), Applied);
  EXPECT_EQ(RunModal([] { return ShowCustomDraw(); },
                     [&](TCustomForm* F) {
                       Shown = static_cast<int>(FindByName<TRxSpinEdit>(F, "spedIndent")->Value());
                       EXPECT_TRUE(FindByName<TCheckBox>(F, "chkBackgroundFix")->Checked());
                       TypeInto(FindByName<TWinControl>(F, "spedIndent"), "55");
                       SendMessageA(FindByName<TWinControl>(F, "btnOK")->Handle(), BM_CLICK, 0, 0);
                     }),
            mrOk);
  EXPECT_EQ(Shown, 44);
  const std::string Saved = FileBytesOr(Ini(), "");
  EXPECT_EQ(KeyValue(Saved, "TextIndent"), "55");
  EXPECT_NE(Saved.find(Frame), std::string::npos);
  // Enter is OK.
  EXPECT_EQ(RunModal([] { return ShowCustomDraw(); },
                     [&](TCustomForm* F) {
                       FindByName<TWinControl>(F, "chkFirstLevelDefault")->SetFocus();
                       PostMessageA(FindByName<TWinControl>(F, "chkFirstLevelDefault")->Handle(), WM_KEYDOWN, VK_RETURN, 0);
                     }),
            mrOk);
}

// What the window writes is what Vellisk paints with: the shell host draws an item of the test's
// class with the colours chosen here.
class CustomDrawShellTest : public shellhost::MenuTest {};

TEST_F(CustomDrawShellTest, ShellHostPaintsWithTheChosenColours) {
  RequireDisplay();
  ASSERT_FALSE(FileExists(GetWindowsFolder() + "ZU2001.ini"));
  std::string Class;
  HKEY Key = NewClass("CustDraw", Class);
  ASSERT_NE(Key, nullptr);
  ASSERT_TRUE(Copy.WriteIni(shellhost::DynamicItemsIni({Class})));
  SetProgramFolder(Copy.Folder());
  const TColor NormalBack = clTeal, SelectedBack = clMaroon;
  RunModal([] { return ShowCustomDraw(); },
           [&](TCustomForm* F) {
             auto Click = [F](const char* Name) {
               SendMessageA(FindByName<TWinControl>(F, Name)->Handle(), BM_CLICK, 0, 0);
             };
             auto Pick = [F](const char* Name, TColor Color) {
               auto* Combo = FindByName<TAdvColorComboBox>(F, Name);
               int Entry = 0;
               for (int I = 1; I < Combo->Items()->Count() && !Entry; ++I)
                 if (Combo->GetItemColor(I) == Color) Entry = I;
               SendMessageA(Combo->Handle(), CB_SETCURSEL, static_cast<WPARAM>(Entry), 0);
               SendMessageA(GetParent(Combo->Handle()), WM_COMMAND,
                            MAKEWPARAM(GetDlgCtrlID(Combo->Handle()), CBN_SELCHANGE), reinterpret_cast<LPARAM>(Combo->Handle()));
             };
             Click("chkCustomDrawn");
             Click("chkFirstLevelDefault");
             Pick("cbNormalBackColor", NormalBack);
             Pick("cbSelectedBackColor", SelectedBack);
             Click("btnOK");
           });
  SetProgramFolder("");
  const std::string Written = FileBytesOr(Copy.IniPath(), "");
  ASSERT_EQ(KeyValue(Written, "Enabled"), "True");
  ASSERT_EQ(Copy.Register(), S_OK);
  shellhost::TComPtr<IContextMenu3> Menu = Open(Key);
  ASSERT_TRUE(Menu);
  shellhost::TPopupMenu Popup;
  ASSERT_EQ(Menu->QueryContextMenu(Popup, 0, 300, 400, CMF_NORMAL), shellhost::CountResult(1));
  const int Width = 160, Height = GetSystemMetrics(SM_CYMENUSIZE) + 4;
  for (bool Selected : {false, true}) {
    SCOPED_TRACE(Selected ? "selected" : "normal");
    TSurface Surface(Width, Height);
    DRAWITEMSTRUCT Item{ODT_MENU, 0, 300, ODA_DRAWENTIRE, Selected ? ODS_SELECTED : 0u, nullptr, Surface.DC(),
                        RECT{0, 0, Width, Height}, 0};
    LRESULT Result = 0;
    ASSERT_EQ(Menu->HandleMenuMsg2(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&Item), &Result), S_OK);
    const COLORREF Back = static_cast<COLORREF>(Selected ? SelectedBack : NormalBack);
    EXPECT_EQ(Surface.At(1, 1), Back);
    EXPECT_EQ(Surface.At(Width - 2, Height - 2), Back);
  }
}
