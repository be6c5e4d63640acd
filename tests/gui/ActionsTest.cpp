// Actions, shortcuts and popup menus on real windows: idle updates, linked controls and items,
// shortcut dispatch, menu texts, images, breaks and the dispatch after the menu has closed.
#include "classlib/gui/ActnList.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string MenuString(HMENU Menu, int Position) {
  char Buffer[256] = {};
  GetMenuStringA(Menu, static_cast<UINT>(Position), Buffer, sizeof(Buffer), MF_BYPOSITION);
  return Buffer;
}

class ActionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 400, 300);
    Actions = new TActionList(Form.get());
    Add = NewAction("Add", ShortCut(VK_INSERT, 0));
    Find = NewAction("Find", ShortCut('F', ssCtrl));
    Button = new TButton(Form.get());
    Button->SetBounds(10, 10, 80, 25);
    Button->SetParent(Form.get());
    Edit = new TEdit(Form.get());
    Edit->SetBounds(10, 50, 120, 21);
    Edit->SetParent(Form.get());
    Edit->SetText("abc");
    Edit->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) { Keys.push_back(Key); };
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 300);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  TAction* NewAction(const std::string& Caption, TShortCut Keys) {
    auto* A = new TAction(Form.get());
    A->SetCaption(Caption);
    A->SetShortCut(Keys);
    A->SetActionList(Actions);
    A->OnExecute = [this, Caption](TObject*) { Executed.push_back(Caption); };
    return A;
  }
  void ShowAndFocusEdit() {
    Form->Show();
    PumpUntilIdle();
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
    PumpUntilIdle();
    ASSERT_EQ(GetFocus(), Edit->Handle());
  }
  std::unique_ptr<TForm> Form;
  TActionList* Actions = nullptr;
  TAction *Add = nullptr, *Find = nullptr;
  TButton* Button = nullptr;
  TEdit* Edit = nullptr;
  std::vector<std::string> Executed, Errors;
  std::vector<WORD> Keys;
};

TEST(ShortCutText, MenuTexts) {
  struct TCase {
    TShortCut Keys;
    const char* Text;
  };
  const TCase Cases[] = {{ShortCut(VK_INSERT, 0), "Ins"},        {ShortCut(VK_DELETE, 0), "Del"},
                         {ShortCut(VK_F2, 0), "F2"},             {ShortCut('F', ssCtrl), "Ctrl+F"},
                         {ShortCut(VK_UP, ssCtrl), "Ctrl+Up"},   {ShortCut('I', ssCtrl), "Ctrl+I"},
                         {ShortCut(VK_DELETE, ssShift | ssAlt), "Shift+Alt+Del"}, {scNone, ""}};
  for (const TCase& C : Cases) {
    EXPECT_EQ(ShortCutToText(C.Keys), C.Text);
    EXPECT_EQ(TextToShortCut(C.Text), C.Keys) << C.Text;
  }
}

TEST_F(ActionsTest, IdleUpdateFollowsLinkedControlsAndItems) {
  Button->SetAction(Add);
  EXPECT_EQ(Button->Caption(), "Add");
  bool AddEnabled = true;
  int Updates = 0;
  Add->OnUpdate = [&](TObject*) {
    ++Updates;
    Add->SetEnabled(AddEnabled);
  };
  Find->OnUpdate = [&](TObject*) { Find->SetChecked(true); };
  // A hidden form's actions are not updated.
  PumpUntilIdle();
  EXPECT_EQ(Updates, 0);

  Form->Show();
  AddEnabled = false;
  PumpUntilIdle();
  EXPECT_GT(Updates, 0);
  EXPECT_FALSE(Button->Enabled());
  EXPECT_FALSE(IsWindowEnabled(Button->Handle()));

  auto* Menu = new TPopupMenu(Form.get());
  auto* AddItem = new TMenuItem(Form.get());
  auto* FindItem = new TMenuItem(Form.get());
  AddItem->SetAction(Add);
  FindItem->SetAction(Find);
  Menu->Items()->Add(AddItem);
  Menu->Items()->Add(FindItem);
  AddEnabled = true;
  UINT AddState = 0, FindState = 0;
  // Once the menu is open the update turns the action off; the updates of the menu's loop grey the item.
  TThreadTimer TurnOff(30, [&] {
    if (OpenMenuWindow()) AddEnabled = false;
  });
  TWhileMenuOpen Check([&](HWND) {
    AddState = GetMenuState(Menu->Handle(), AddItem->Command(), MF_BYCOMMAND);
    FindState = GetMenuState(Menu->Handle(), FindItem->Command(), MF_BYCOMMAND);
    EndMenu();
  });
  Menu->Popup(150, 150);
  EXPECT_TRUE(Check.Done());
  EXPECT_TRUE(AddState & MF_GRAYED);
  EXPECT_TRUE(FindState & MF_CHECKED);
  EXPECT_TRUE(Executed.empty());  // EndMenu chose nothing

  AddEnabled = true;
  PumpUntilIdle();
  EXPECT_TRUE(Button->Enabled());
  SendMessageA(Button->Handle(), BM_CLICK, 0, 0);
  PumpUntilIdle();
  EXPECT_EQ(Executed, std::vector<std::string>{"Add"});
}

TEST_F(ActionsTest, ShortCutsRunTheirActionAndEatTheKey) {
  ShowAndFocusEdit();
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  PumpUntilIdle();
  EXPECT_EQ(Executed, std::vector<std::string>{"Add"});
  EXPECT_TRUE(Keys.empty());

  INPUT In[4] = {};
  const WORD Seq[4][2] = {{VK_CONTROL, 0}, {'F', 0}, {'F', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
  for (int I = 0; I < 4; ++I) {
    In[I].type = INPUT_KEYBOARD;
    In[I].ki.wVk = Seq[I][0];
    In[I].ki.dwFlags = Seq[I][1];
  }
  ASSERT_TRUE(SendInputTo(Form->Handle(), In, 4));
  PumpUntilIdle();
  EXPECT_EQ(Executed, (std::vector<std::string>{"Add", "Find"}));
  EXPECT_EQ(std::count(Keys.begin(), Keys.end(), 'F'), 0);

  // Cleared while the text is edited: the keys reach the edit.
  auto* Del = NewAction("Delete", ShortCut(VK_DELETE, 0));
  for (TAction* A : {Add, Del})
    A->OnUpdate = [A](TObject*) { A->SetShortCut(scNone); };
  Edit->SetSel(0, 0);
  PumpUntilIdle();
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_DELETE, 0);
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  PumpUntilIdle();
  EXPECT_EQ(Edit->Text(), "bc");
  EXPECT_EQ(Executed, (std::vector<std::string>{"Add", "Find"}));

  // A disabled action leaves its key to the control.
  Keys.clear();
  Find->OnUpdate = [this](TObject*) { Find->SetEnabled(false); };
  PostMessageA(Edit->Handle(), WM_KEYDOWN, 'F', 0);
  Find->SetShortCut(ShortCut('F', 0));
  PumpUntilIdle();
  EXPECT_EQ(Keys, std::vector<WORD>{'F'});
  EXPECT_EQ(Executed.size(), 2u);
}

// Two actions with one key: the one in the focused control's popup menu runs, also when the
// other comes first in the list and is disabled; a control without that menu gets the list's rule.
TEST_F(ActionsTest, FocusedControlsPopupMenuTakesItsShortCutFirst) {
  TAction* Other = NewAction("Other", ShortCut(VK_INSERT, 0));
  Add->OnUpdate = [this](TObject*) { Add->SetEnabled(false); };
  auto* Menu = new TPopupMenu(Form.get());
  auto* Item = new TMenuItem(Form.get());
  Item->SetAction(Other);
  Menu->Items()->Add(Item);
  Edit->SetPopupMenu(Menu);
  ShowAndFocusEdit();
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  PumpUntilIdle();
  EXPECT_EQ(Executed, std::vector<std::string>{"Other"});
  // Disabled in the menu: the key goes on to the form's actions, whose first match is disabled.
  Other->OnUpdate = [Other](TObject*) { Other->SetEnabled(false); };
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  PumpUntilIdle();
  EXPECT_EQ(Executed, std::vector<std::string>{"Other"});
  EXPECT_EQ(std::count(Keys.begin(), Keys.end(), VK_INSERT), 1);
}

TEST_F(ActionsTest, MenuItemTextsBreaksAndImages) {
  auto* Menu = new TPopupMenu(Form.get());
  const TShortCut Keys[] = {ShortCut(VK_INSERT, 0), ShortCut(VK_DELETE, 0), ShortCut(VK_F2, 0),
                            ShortCut('F', ssCtrl),  ShortCut(VK_UP, ssCtrl), ShortCut('I', ssCtrl)};
  const char* Texts[] = {"Ins", "Del", "F2", "Ctrl+F", "Ctrl+Up", "Ctrl+I"};
  for (TShortCut K : Keys) {
    auto* Item = new TMenuItem(Form.get());
    Item->SetCaption("&Item");
    Item->SetShortCut(K);
    Menu->Items()->Add(Item);
  }
  auto* Separator = new TMenuItem(Form.get());
  Separator->SetCaption("-");
  Menu->Items()->Add(Separator);
  auto* Images = new TImageList(Form.get());
  TBitmap Red;
  Red.Canvas().BrushColor = clRed;
  Red.SetSize(16, 16);
  Red.Canvas().FillRect(RECT{0, 0, 16, 16});
  ASSERT_EQ(Images->Add(Red, nullptr), 0);
  Menu->SetImages(Images);
  auto* Pictured = new TMenuItem(Form.get());
  Pictured->SetCaption("Pictured");
  Pictured->SetImageIndex(0);
  Pictured->SetBreak(mbBarBreak);
  auto* Greyed = new TMenuItem(Form.get());
  Greyed->SetCaption("Greyed");
  Greyed->SetImageIndex(0);
  Greyed->SetEnabled(false);
  Menu->Items()->Add(Pictured);
  Menu->Items()->Add(Greyed);

  const HMENU H = Menu->Handle();
  for (int I = 0; I < 6; ++I) EXPECT_EQ(MenuString(H, I), std::string("&Item\t") + Texts[I]);
  MENUITEMINFOA Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoA(H, 6, TRUE, &Info));
  EXPECT_TRUE(Info.fType & MFT_SEPARATOR);
  ASSERT_TRUE(GetMenuItemInfoA(H, 7, TRUE, &Info));
  EXPECT_TRUE(Info.fType & MFT_MENUBARBREAK);

  Form->Show();
  PumpUntilIdle();
  bool RedPictured = false, RedGreyed = true, Saved = false;
  TWhileMenuOpen Capture([&](HWND MenuWnd) {
    TWindowCapture Shot(MenuWnd);
    Saved = Shot.SavePng("popup_menu");
    RECT R{};
    auto HasRed = [&](int Position) {
      GetMenuItemRect(nullptr, H, static_cast<UINT>(Position), &R);
      for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left; X < R.right; ++X) {
          RECT W{};
          GetWindowRect(MenuWnd, &W);
          const COLORREF C = Shot.At(X - W.left, Y - W.top);
          if (C != CLR_INVALID && NearColor(C, RGB(255, 0, 0), 30)) return true;
        }
      return false;
    };
    RedPictured = HasRed(7);
    RedGreyed = HasRed(8);
    EndMenu();
  });
  Menu->Popup(120, 120);
  EXPECT_TRUE(Capture.Done());
  EXPECT_TRUE(Saved);
  EXPECT_TRUE(RedPictured);
  EXPECT_FALSE(RedGreyed);
  // The menu forgets a freed image list.
  delete Images;
  EXPECT_EQ(Menu->Images(), nullptr);
}

TEST_F(ActionsTest, ChosenItemRunsAfterTheMenuClosed) {
  Form->Show();
  PumpUntilIdle();
  TPopupMenu* Menu = new TPopupMenu(Form.get());
  int Clicks = 0;
  bool MenuOpenInClick = true;
  std::function<void()> Build = [&] {
    auto* Item = new TMenuItem(Form.get());
    Item->SetCaption("Rebuild");
    Item->OnClick = [&](TObject*) {
      ++Clicks;
      MenuOpenInClick = OpenMenuWindow() != nullptr;
      delete Menu;  // frees the item running now
      Menu = new TPopupMenu(Form.get());
      Build();
    };
    Menu->Items()->Add(Item);
  };
  Build();
  TWhileMenuOpen Choose([&](HWND MenuWnd) {
    PostMessageA(MenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(MenuWnd, WM_KEYDOWN, VK_RETURN, 0);
  });
  Menu->Popup(130, 130);
  EXPECT_TRUE(Choose.Done());
  EXPECT_EQ(Clicks, 1);
  EXPECT_FALSE(MenuOpenInClick);
  EXPECT_EQ(Menu->Items()->Count(), 1);

  // A right click names the control in PopupComponent.
  Button->SetPopupMenu(Menu);
  POINT P = Button->ClientToScreen(POINT{5, 5});
  TWhileMenuOpen Close([](HWND) { EndMenu(); });
  SendMessageA(Button->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Button->Handle()), MAKELPARAM(P.x, P.y));
  EXPECT_TRUE(Close.Done());
  EXPECT_EQ(Menu->PopupComponent, Button);
  EXPECT_EQ(Menu->PopupPoint.x, P.x);
  EXPECT_EQ(Clicks, 1);
  delete Menu;
  EXPECT_EQ(Button->PopupMenu(), nullptr);
}

TEST_F(ActionsTest, ContextMenuThatAChildLeavesToItsParentOpensTheChildsPopup) {
  // Common controls send WM_CONTEXTMENU to their parent with their own window in wParam.
  auto* FormMenu = new TPopupMenu(Form.get());
  auto* ButtonMenu = new TPopupMenu(Form.get());
  for (TPopupMenu* Menu : {FormMenu, ButtonMenu}) {  // an empty menu would not open
    auto* Item = new TMenuItem(Form.get());
    Item->SetCaption("Entry");
    Menu->Items()->Add(Item);
  }
  Form->SetPopupMenu(FormMenu);
  Button->SetPopupMenu(ButtonMenu);
  const struct {
    const char* Name;
    WPARAM Source;
    TPopupMenu* Expected;
    TComponent* Component;
  } Cases[] = {{"from the child", reinterpret_cast<WPARAM>(Button->Handle()), ButtonMenu, Button},
               {"from the form itself", reinterpret_cast<WPARAM>(Form->Handle()), FormMenu, Form.get()}};
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    FormMenu->PopupComponent = ButtonMenu->PopupComponent = nullptr;
    TPopupMenu* Opened = nullptr;
    FormMenu->OnPopup = [&](TObject*) { Opened = FormMenu; };
    ButtonMenu->OnPopup = [&](TObject*) { Opened = ButtonMenu; };
    const POINT P = Form->ClientToScreen(POINT{300, 200});
    TWhileMenuOpen Close([](HWND) { EndMenu(); });
    SendMessageA(Form->Handle(), WM_CONTEXTMENU, C.Source, MAKELPARAM(P.x, P.y));
    EXPECT_TRUE(Close.Done());
    EXPECT_EQ(Opened, C.Expected);
    EXPECT_EQ(C.Expected->PopupComponent, C.Component);
    EXPECT_EQ(C.Expected->PopupPoint.x, P.x);
  }
}

}  // namespace
