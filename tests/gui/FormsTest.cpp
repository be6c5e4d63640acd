// Forms from layout tables, properties by name, alignment, anchors, splitters, constraints,
// enabling, window re-creation and painting, on real windows.
#include "TestForm.h"

#include "classlib/gui/ComCtrls.h"
#include "tests/support/Expect.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FormsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    RegisterTestClasses();
    TLoggedPanel::Log().clear();
    Form = new TfrmTest(Application);
  }
  void TearDown() override {
    delete Form;
    PumpUntilIdle(10, 500);
  }
  template <class T>
  T* Get(const std::string& Name) {
    return FindByName<T>(Form, Name);
  }
  TfrmTest* Form = nullptr;
};

TEST_F(FormsTest, LayoutBuildsTheFormInOrder) {
  TButton* Ok = dynamic_cast<TButton*>(Form->FindComponent("BTNOK"));
  ASSERT_NE(Ok, nullptr);
  EXPECT_EQ(Ok->Name(), "btnOk");
  EXPECT_EQ(Ok->Caption(), "OK ");
  EXPECT_EQ(Ok->Left(), 250);
  EXPECT_EQ(Ok->Top(), 8);
  EXPECT_EQ(Ok->Width(), 75);
  EXPECT_EQ(Ok->Height(), 25);
  EXPECT_EQ(Ok->Parent(), Get<TPanel>("pnlBottom"));
  EXPECT_EQ(Get<TLabel>("lblName")->FocusControl(), Get<TEdit>("edtName"));
  EXPECT_EQ(Form->ActiveControl(), Get<TEdit>("edtName"));
  EXPECT_EQ(Form->ClassName(), "TfrmTest");
  EXPECT_EQ(ClassChain(Form), (std::vector<std::string>{"TfrmTest", "TForm", "TCustomForm", "TCustomControl", "TWinControl", "TControl"}));
  EXPECT_EQ(Form->ComponentState() & csLoading, 0u);
  Form->Show();
  PumpUntilIdle();
  // The form's window class is its class name (other processes may show theirs too).
  HWND Found = nullptr;
  DWORD Process = 0;
  do {
    Found = FindWindowExA(nullptr, Found, "TfrmTest", nullptr);
    GetWindowThreadProcessId(Found, &Process);
  } while (Found && Process != GetCurrentProcessId());
  EXPECT_EQ(Found, Form->Handle());
  EXPECT_EQ(TLoggedPanel::Log(), (std::vector<std::string>{"set pnlTop", "set pnlBottom", "loaded pnlTop",
                                                            "loaded pnlBottom", "OnCreate", "OnShow hidden"}));
}

TEST_F(FormsTest, OneLoadedNotificationPerOutermostLoad) {
  class TfraPart : public TFrame {
  public:
    explicit TfraPart(TComponent* Owner) : TFrame(Owner) {
      static const TLayout Layout{"TfraPart", "TFrame", {}, {}, {{"TLabel", "lblPart", "", 4, 4, 40, 17, alNone, akLeftTop, {{"Caption", "Part"}}, {}}}};
      InitLayout(Layout);
    }
  };
  static const TClassInfo FrameInfo{"TfraPart", &TFrame::StaticClassInfo(), {}, {}, [](TComponent* O) -> TComponent* { return new TfraPart(O); }};
  RegisterComponentClass(FrameInfo);
  std::vector<std::string> Loaded;
  const int Id = AddLayoutLoadedHandler([&](TComponent* Root) { Loaded.push_back(Root->ClassName()); });
  class TfrmHost : public TForm {
  public:
    explicit TfrmHost(TComponent* Owner) : TForm(Owner) {
      static const TLayout Layout{"TfrmHost", "TForm", {}, {}, {{"TfraPart", "fraPart", "", 0, 0, 100, 50, alNone, akLeftTop, {}, {}}}};
      InitLayout(Layout);
    }
  };
  auto Host = std::make_unique<TfrmHost>(Application);
  EXPECT_EQ(Loaded, std::vector<std::string>{"TfrmHost"});
  auto* Part = dynamic_cast<TFrame*>(Host->FindComponent("fraPart"));
  ASSERT_NE(Part, nullptr);
  EXPECT_EQ(ClassChain(Part), (std::vector<std::string>{"TfraPart", "TFrame", "TCustomControl", "TWinControl", "TControl"}));
  EXPECT_NE(Part->FindComponent("lblPart"), nullptr);
  Loaded.clear();
  auto Alone = std::make_unique<TfraPart>(nullptr);
  EXPECT_EQ(Loaded, std::vector<std::string>{"TfraPart"});
  RemoveLayoutLoadedHandler(Id);
}

TEST_F(FormsTest, PropertiesByName) {
  struct TCase {
    const char* Component;
    const char* Property;
    const char* Text;
    const char* ReadBack;
  };
  const TCase Cases[] = {
      {"btnOk", "Caption", "&Apply", "&Apply"},
      {"btnOk", "Hint", "Apply|Applies the changes", "Apply|Applies the changes"},
      {"chkActive", "Enabled", "False", "False"},
      {"edtName", "Width", "120", "120"},
      {"cbxKind", "Items", "a\rb\rc", "a\r\nb\r\nc\r\n"},
      {"lblName", "Font.Style", "[fsBold]", "[fsBold]"},
      {"pnlTop", "Align", "alBottom", "alBottom"},
      {"btnCancel", "Anchors", "[akLeft, akBottom]", "[akLeft,akBottom]"},
  };
  for (const TCase& C : Cases) {
    TComponent* Target = Form->FindComponent(C.Component);
    ASSERT_NE(Target, nullptr) << C.Component;
    SetPropText(Target, C.Property, C.Text);
    EXPECT_EQ(GetPropText(Target, C.Property), C.ReadBack) << C.Component << "." << C.Property;
  }
  EXPECT_FALSE(Get<TCheckBox>("chkActive")->Enabled());
  EXPECT_EQ(Get<TComboBox>("cbxKind")->Items()->Count(), 3);
  EXPECT_EQ(Get<TLabel>("lblName")->Font().Style(), FontStyleBit(fsBold));
  EXPECT_EQ(MessageOf<EConvertError>([&] { SetPropText(Get<TEdit>("edtName"), "Width", "abc"); }),
            "'abc' is not a valid integer value");
  EXPECT_EQ(Get<TEdit>("edtName")->Width(), 120);
  EXPECT_EQ(MessageOf<EConvertError>([&] { SetPropText(Get<TEdit>("edtName"), "Enabled", "maybe"); }),
            "'maybe' is not a valid boolean value");
  EXPECT_EQ(MessageOf<EPropertyError>([&] { SetPropText(Get<TEdit>("edtName"), "Colour", "1"); }),
            "Unknown property: Colour");
  EXPECT_EQ(MessageOf<EPropertyError>([&] { GetPropText(Get<TEdit>("edtName"), "Font.Weight"); }),
            "Unknown property: Font.Weight");
}

TEST_F(FormsTest, AlignAnchorsSplitterAndConstraints) {
  Form->Show();
  PumpUntilIdle();
  TButton* Ok = Get<TButton>("btnOk");
  TPanel* Client = Get<TPanel>("pnlClient");
  TPanel* Bottom = Get<TPanel>("pnlBottom");
  TPanel* Left = Get<TPanel>("pnlLeft");
  const int RightGap = Bottom->ClientWidth() - Ok->Left();
  const int BottomGap = Bottom->ClientHeight() - Ok->Top();
  Form->SetBounds(Form->Left(), Form->Top(), Form->Width() + 80, Form->Height() + 60);
  PumpUntilIdle();
  const RECT C = Form->ClientRect();
  EXPECT_EQ(Client->Left(), Left->Width() + Get<TSplitter>("splLeft")->Width());
  EXPECT_EQ(Client->Top(), Get<TPanel>("pnlTop")->Height());
  EXPECT_EQ(Client->Left() + Client->Width(), C.right);
  EXPECT_EQ(Client->Top() + Client->Height(), C.bottom - Bottom->Height());
  EXPECT_EQ(Bottom->ClientWidth() - Ok->Left(), RightGap);
  EXPECT_EQ(Bottom->ClientHeight() - Ok->Top(), BottomGap);
  RECT Window;
  GetWindowRect(Ok->Handle(), &Window);
  MapWindowPoints(HWND_DESKTOP, Bottom->Handle(), reinterpret_cast<POINT*>(&Window), 2);
  EXPECT_EQ(Window.left, Ok->Left());

  // The splitter, dragged 40 pixels by posted mouse messages, moves its neighbour's edge as far.
  TSplitter* Splitter = Get<TSplitter>("splLeft");
  const int OldWidth = Left->Width();
  const int X = Splitter->Left() + 1, Y = Splitter->Top() + 20;
  PostMessageA(Form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(X, Y));
  PostMessageA(Form->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(X + 20, Y));
  PostMessageA(Form->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(X + 40, Y));
  PostMessageA(Form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(X + 40, Y));
  PumpUntilIdle();
  EXPECT_EQ(Left->Width(), OldWidth + 40);
  EXPECT_EQ(Splitter->Left(), Left->Width());
  EXPECT_EQ(Client->Left(), Splitter->Left() + Splitter->Width());

  // The form stops at its constraints, also when sized by the system.
  SetPropText(Form, "Constraints.MinWidth", "300");
  SetPropText(Form, "Constraints.MaxHeight", "400");
  SetWindowPos(Form->Handle(), nullptr, 0, 0, 200, 600, SWP_NOMOVE | SWP_NOZORDER);
  PumpUntilIdle();
  RECT R;
  GetWindowRect(Form->Handle(), &R);
  EXPECT_EQ(R.right - R.left, 300);
  EXPECT_EQ(R.bottom - R.top, 400);
  EXPECT_EQ(Form->Width(), 300);
}

TEST_F(FormsTest, DisabledContainerKeepsEnabledOfItsControls) {
  Form->Show();
  PumpUntilIdle();
  TPanel* Panel = Get<TPanel>("pnlClient");
  TCheckBox* Check = Get<TCheckBox>("chkActive");
  TEdit* Edit = Get<TEdit>("edtName");
  Edit->SetEnabled(false);
  Panel->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Check->Handle()));
  EXPECT_TRUE(Check->Enabled());
  EXPECT_FALSE(Check->EnabledInTree());
  EXPECT_FALSE(IsWindowEnabled(Get<TRadioButton>("rbOne")->Handle()));  // inside a group box inside the panel
  Panel->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Check->Handle()));
  EXPECT_TRUE(IsWindowEnabled(Get<TRadioButton>("rbOne")->Handle()));
  EXPECT_FALSE(IsWindowEnabled(Edit->Handle()));
}

TEST_F(FormsTest, RecreateWndKeepsComboContents) {
  Form->Show();
  PumpUntilIdle();
  TComboBox* Combo = Get<TComboBox>("cbxKind");
  ASSERT_TRUE(Combo->HandleAllocated());
  Combo->Items()->Objects(0);
  Combo->SetItemIndex(2);
  const HWND Old = Combo->Handle();
  Combo->SetStyle(csDropDown);  // a new window
  EXPECT_NE(Combo->Handle(), Old);
  EXPECT_FALSE(IsWindow(Old));
  EXPECT_EQ(SendMessageA(Combo->Handle(), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Combo->ItemIndex(), 2);
  EXPECT_EQ(Combo->Text(), "Blue");
  Combo->SetText("Violet");
  Combo->RecreateWnd();
  EXPECT_EQ(Combo->Text(), "Violet");
  EXPECT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(FindControl(Combo->Handle()), Combo);
  EXPECT_EQ(FindControl(Old), nullptr);
  // The combo's edit is not a control of its own; a plain window of the system is none either.
  COMBOBOXINFO Info{};
  Info.cbSize = sizeof(Info);
  ASSERT_TRUE(GetComboBoxInfo(Combo->Handle(), &Info));
  EXPECT_EQ(FindControl(Info.hwndItem), nullptr);
  EXPECT_EQ(FindOwningControl(Info.hwndItem), Combo);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);
}

TEST_F(FormsTest, CheckedAndTextFireTheirEvents) {
  TCheckBox* Check = Get<TCheckBox>("chkActive");
  Check->SetChecked(true);
  Check->SetChecked(true);
  Form->Show();
  PumpUntilIdle();
  Get<TEdit>("edtName")->SetText("Beta");
  Get<TEdit>("edtName")->SetText("Beta");
  EXPECT_EQ(Form->Events, (std::vector<std::string>{"active click", "name change"}));
  EXPECT_EQ(SendMessageA(Check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(FormsTest, PixelsAndNotifications) {
  Form->Show();
  PumpUntilIdle();
  TPageControl* Pages = Get<TPageControl>("pgPages");
  // A user's click on the second tab: OnChange, and the page's OnShow.
  RECT Tab;
  ASSERT_TRUE(SendMessageA(Pages->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&Tab)));
  const LPARAM At = MAKELPARAM((Tab.left + Tab.right) / 2, (Tab.top + Tab.bottom) / 2);
  SendMessageA(Pages->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
  SendMessageA(Pages->Handle(), WM_LBUTTONUP, 0, At);
  PumpUntilIdle();
  EXPECT_EQ(Pages->ActivePage(), Get<TTabSheet>("tsSecond"));
  EXPECT_EQ(Form->Events, (std::vector<std::string>{"second show", "pages change"}));
  EXPECT_EQ(SendMessageA(Get<TPanel>("pnlClient")->Handle(), WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(Pages->Handle()), NF_QUERY), NFR_ANSI);

  TWindowCapture Shot(Form->Handle());
  ASSERT_GT(Shot.Width(), 0);
  EXPECT_TRUE(Shot.SavePng("TfrmTest"));
  TComboBox* Combo = Get<TComboBox>("cbxKind");
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Combo->Handle(), 6, Combo->Height() / 2), RGB(0, 255, 0), 0));
  TEdit* Edit = Get<TEdit>("edtName");
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Edit->Handle(), Edit->ClientWidth() - 3, Edit->ClientHeight() / 2), RGB(0, 255, 255), 0));
  bool Red = false;
  for (int X = 0; X < 40 && !Red; ++X)
    for (int Y = 0; Y < Edit->ClientHeight() && !Red; ++Y) Red = Shot.ClientPixel(Edit->Handle(), X, Y) == RGB(255, 0, 0);
  EXPECT_TRUE(Red) << "the edit's text is drawn in its Font.Color";
  // The transparent label shows the panel's colour around its text.
  TLabel* Label = Get<TLabel>("lblName");
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Get<TPanel>("pnlClient")->Handle(), Label->Left() + Label->Width() - 1, Label->Top()), RGB(0xC0, 0xFF, 0xC0), 0));
  // The check box takes its panel's colour.
  TCheckBox* Check = Get<TCheckBox>("chkActive");
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Check->Handle(), Check->Width() - 2, 1), RGB(0xC0, 0xFF, 0xC0), 0));
}

TEST_F(FormsTest, ButtonFacePanelFollowsTheSystemColour) {
  Form->Show();
  PumpUntilIdle();
  TPanel* Top = Get<TPanel>("pnlTop");
  const int Element = COLOR_BTNFACE;
  const COLORREF Old = GetSysColor(COLOR_BTNFACE), New = RGB(0x12, 0x34, 0x56);
  ASSERT_TRUE(SetSysColors(1, &Element, &New));
  PumpUntilIdle();
  const COLORREF Seen = TWindowCapture(Form->Handle()).ClientPixel(Top->Handle(), 4, Top->Height() - 6);
  SetSysColors(1, &Element, &Old);
  EXPECT_EQ(Seen, New);
}


// A deleted windowed control leaves its parent's tab order; deleting the focused one leaves the form
// able to activate again: the control left takes the focus, and nothing reaches the error display.
TEST_F(FormsTest, DeletedControlsLeaveTheTabOrder) {
  auto Host = std::make_unique<TForm>(Application);
  Host->SetBounds(80, 80, 300, 160);
  auto* First = new TEdit(Host.get());
  First->SetBounds(10, 10, 100, 21);
  First->TabStop = true;
  First->SetParent(Host.get());
  auto* Second = new TEdit(Host.get());
  Second->SetBounds(10, 40, 100, 21);
  Second->TabStop = true;
  Second->SetParent(Host.get());
  Host->Show();
  First->SetFocus();
  PumpUntilIdle();
  std::vector<std::string> Errors;
  TApplicationEvents Events(nullptr);
  Events.OnException = [&](TObject*, Exception& E) { Errors.push_back(E.Message()); };

  delete First;
  std::vector<TWinControl*> Order;
  Host->GetTabOrderList(Order);
  EXPECT_EQ(Order, std::vector<TWinControl*>{Second});
  EXPECT_EQ(Host->ActiveControl(), nullptr);
  EXPECT_EQ(Screen->ActiveControl(), nullptr);

  {
    auto Other = std::make_unique<TForm>(Application);
    Other->SetBounds(120, 120, 200, 100);
    Other->Show();
    PumpUntilIdle();
  }
  Host->Show();
  SetForegroundWindow(Host->Handle());
  PumpUntilIdle();
  EXPECT_TRUE(PumpUntil([&] { return Second->Focused(); }, 2000));
  EXPECT_EQ(Errors, std::vector<std::string>{});
}

}  // namespace
