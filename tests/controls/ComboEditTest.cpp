// The combo edit, its drop-down window and the file-name edit with its dialog, on real windows.
#include "controls/ToolEdit.h"
#include "controls/VCLUtils.h"
#include "tests/support/Gui.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// The test form the keys go to.
HWND InputForm = nullptr;

void Keys(std::vector<std::pair<WORD, bool>> Strokes) {
  std::vector<INPUT> In;
  for (auto [Vk, Up] : Strokes) {
    INPUT I{};
    I.type = INPUT_KEYBOARD;
    I.ki.wVk = Vk;
    I.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
    In.push_back(I);
  }
  SendInputTo(InputForm, In.data(), static_cast<UINT>(In.size()));
  PumpUntilIdle(30);
}
void Key(WORD Vk) { Keys({{Vk, false}, {Vk, true}}); }
void AltDown() { Keys({{VK_MENU, false}, {VK_DOWN, false}, {VK_DOWN, true}, {VK_MENU, true}}); }

int SystemFontHeight() {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA M{};
  GetTextMetricsA(DC, &M);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return M.tmHeight;
}

// A drop handle of Names as the shell makes one.
HDROP MakeDrop(const std::vector<std::string>& Names) {
  size_t Size = sizeof(DROPFILES) + 1;
  for (const std::string& N : Names) Size += N.size() + 1;
  HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, Size);
  auto* Files = static_cast<DROPFILES*>(GlobalLock(Memory));
  Files->pFiles = sizeof(DROPFILES);
  char* P = reinterpret_cast<char*>(Files) + sizeof(DROPFILES);
  for (const std::string& N : Names) {
    memcpy(P, N.c_str(), N.size() + 1);
    P += N.size() + 1;
  }
  GlobalUnlock(Memory);
  return static_cast<HDROP>(Memory);
}

class TestForm {
public:
  TestForm() {
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(100, 100, 400, 200);
    Ok = new TButton(Form.get());
    Ok->SetBounds(10, 100, 75, 25);
    Ok->SetDefault(true);
    Ok->OnClick = [this](TObject*) { ++OkClicks; };
    Ok->SetParent(Form.get());
    Cancel = new TButton(Form.get());
    Cancel->SetBounds(100, 100, 75, 25);
    Cancel->Cancel = true;
    Cancel->OnClick = [this](TObject*) { ++CancelClicks; };
    Cancel->SetParent(Form.get());
    Other = new TEdit(Form.get());
    Other->SetBounds(10, 60, 100, 21);
    Other->SetParent(Form.get());
    InputForm = Form->Handle();
  }
  ~TestForm() { InputForm = nullptr; }
  std::unique_ptr<TForm> Form;
  TButton *Ok, *Cancel;
  TEdit* Other;
  int OkClicks = 0, CancelClicks = 0;
};

class FileEditTest : public ::testing::Test, public TestForm {
protected:
  void SetUp() override {
    RequireDisplay();
    Edit = new TFilenameEdit(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Edit->SetParent(Form.get());
    Form->Show();
    Edit->SetFocus();
    PumpUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 500);
  }
  TFilenameEdit* Edit = nullptr;
};

// Tab leaves the edit for the next control; the text takes no tab.
TEST_F(FileEditTest, TabMovesOn) {
  Edit->SetText("C:\\a.exe");
  Edit->SetFocus();
  PumpUntilIdle();
  ASSERT_TRUE(Edit->Focused());
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
  PostMessageA(Edit->Handle(), WM_KEYUP, VK_TAB, 0xC0000001);
  EXPECT_TRUE(PumpUntil([&] { return !Edit->Focused(); }, 2000));
  EXPECT_EQ(Edit->Text(), "C:\\a.exe");
}

TEST_F(FileEditTest, Geometry) {
  const int W = Edit->ButtonWidth();
  EXPECT_EQ(W, 21);
  const RECT Holder = Edit->BtnControl()->BoundsRect();
  EXPECT_EQ(Holder.left, 200 - W - 4);
  EXPECT_EQ(Holder.top, 0);
  EXPECT_EQ(Holder.right - Holder.left, W);
  EXPECT_EQ(Holder.bottom - Holder.top, 17);
  RECT Format{};
  SendMessageA(Edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Format));
  // A bare multi-line edit of the same kind given the rectangle the combo edit must set.
  RECT Client;
  GetClientRect(Edit->Handle(), &Client);
  HWND Bare = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 40, 200, 21, Form->Handle(),
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  RECT Wanted{0, 0, Client.right - Edit->BtnControl()->Width() - 2, Client.bottom + 1}, Expected{};
  SendMessageA(Bare, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&Wanted));
  SendMessageA(Bare, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Expected));
  DestroyWindow(Bare);
  EXPECT_EQ(Format.right, Expected.right);

  Edit->SetHeight(10);
  PumpUntilIdle();
  const int Least = std::min(SystemFontHeight(), FontTextHeight(Edit->Font())) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
  EXPECT_EQ(Edit->Height(), Least);

  Edit->SetGlyphKind(gkDropDown);
  EXPECT_EQ(Edit->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(Edit->BtnControl()->Width(), GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(FileEditTest, AltDownOpensTheDialogUnlessTheButtonIsGone) {
  TFileDialogAnswerer Answerer;
  Answerer.Answer("");
  AltDown();
  EXPECT_EQ(Answerer.Seen, 1);
  EXPECT_EQ(Answerer.Caption, "Browse");

  // Without a button the click key goes on to the edit: End moves the caret.
  Edit->SetButtonWidth(0);
  EXPECT_FALSE(Edit->BtnControl()->Visible());
  Edit->ClickKey = ShortCut(VK_END, 0);
  Edit->SetText("abc");
  Edit->SetSel(0, 0);
  Answerer.Answer("");
  Key(VK_END);
  EXPECT_EQ(Answerer.Seen, 1);
  EXPECT_EQ(Edit->SelStart(), 3);
}

TEST_F(FileEditTest, ReadOnlyBlocksEveryButtonAction) {
  TFileDialogAnswerer Answerer;
  Answerer.Answer("");
  Edit->SetReadOnly(true);
  Edit->DoClick();
  AltDown();
  LeftClickAt(InputForm, Edit->Button()->ClientToScreen(POINT{5, 5}));
  EXPECT_EQ(Answerer.Seen, 0);
  Edit->SetReadOnly(false);
  Edit->DoClick();
  EXPECT_EQ(Answerer.Seen, 1);
}

TEST_F(FileEditTest, WithoutDirectInputOnlyTheDialogChangesTheText) {
  TTempDir Dir;
  const std::string Chosen = Dir.File("chosen.exe");
  CloseHandle(CreateFileA(Chosen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  Edit->SetText("old");
  Edit->SetDirectInput(false);
  Edit->SetSel(0, -1);
  Key('X');
  SetClipboardText(Edit->Handle(), "pasted");
  SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
  Edit->SetSel(0, -1);
  SendMessageA(Edit->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(Edit->Text(), "old");
  TFileDialogAnswerer Answerer;
  Answerer.Answer(Chosen);
  Edit->DoClick();
  EXPECT_EQ(Answerer.Seen, 1);
  EXPECT_EQ(Edit->Text(), Chosen);
}

TEST_F(FileEditTest, EnterAndEscapeReachTheFormsButtons) {
  Key(VK_RETURN);
  EXPECT_EQ(OkClicks, 1);
  EXPECT_EQ(CancelClicks, 0);
  Key(VK_ESCAPE);
  EXPECT_EQ(CancelClicks, 1);
  Keys({{VK_CONTROL, false}, {VK_RETURN, false}, {VK_RETURN, true}, {VK_CONTROL, true}});
  EXPECT_EQ(Edit->Text().find_first_of("\r\n"), std::string::npos);
}

TEST_F(FileEditTest, PasteTakesTheFirstLine) {
  Edit->SetText("");
  SetClipboardText(Edit->Handle(), "a.exe\r\nb");
  SendMessageA(Edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(Edit->Text(), "a.exe");
}

TEST_F(FileEditTest, DialogFlow) {
  TTempDir Blank("corvane combo");
  TTempDir Plain("corvane_combo");
  ASSERT_TRUE(Blank.Valid() && Plain.Valid());
  const std::string BlankFolder = Blank.File("App"), PlainFolder = Plain.File("App");
  CreateDirectoryA(BlankFolder.c_str(), nullptr);
  CreateDirectoryA(PlainFolder.c_str(), nullptr);
  const std::string BlankFile = BlankFolder + "\\a.exe", PlainFile = PlainFolder + "\\a.exe";
  for (const std::string& F : {BlankFile, PlainFile})
    CloseHandle(CreateFileA(F.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  const struct {
    bool Before;
    std::string Answer;
    bool After;
    std::string Text, FileName, InitialDir;
    int Dialogs;
  } Cases[] = {
      {true, BlankFile, true, "\"" + BlankFile + "\"", BlankFile, BlankFolder, 1},
      {true, PlainFile, true, PlainFile, PlainFile, PlainFolder, 1},
      {false, BlankFile, true, "old.exe", "old.exe", "", 0},
      {true, BlankFile, false, "old.exe", "old.exe", BlankFolder, 1},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Answer + (C.Before ? " before" : " no-before") + (C.After ? " after" : " no-after"));
    Edit->SetText("old.exe");
    Edit->SetInitialDir("");
    UINT ModeInDialog = 0;
    TWindowsHook Watch(WH_CBT, [&](int Code, WPARAM W, LPARAM) {
      if (Code == HCBT_ACTIVATE && IsDialogWindow(reinterpret_cast<HWND>(W), 1148)) ModeInDialog = GetErrorMode();
    });
    TFileDialogAnswerer Answerer;
    Answerer.Answer(C.Answer);
    Edit->OnBeforeDialog = [&](TObject*, std::string&, bool& Action) { Action = C.Before; };
    Edit->OnAfterDialog = [&](TObject*, std::string& Name, bool& Action) {
      EXPECT_EQ(Name, C.Answer);
      Action = C.After;
    };
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    Edit->DoClick();
    EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
    EXPECT_EQ(Answerer.Seen, C.Dialogs);
    if (C.Dialogs) {
      EXPECT_EQ(ModeInDialog, static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    }
    EXPECT_EQ(Edit->Text(), C.Text);
    EXPECT_EQ(Edit->FileName(), C.FileName);
    if (C.After) {
      EXPECT_EQ(Edit->InitialDir(), C.InitialDir);
    }
  }
  Edit->OnBeforeDialog = nullptr;
  Edit->OnAfterDialog = nullptr;
}

// A dialog whose start fails.
class TFailingDialog : public TOpenDialog {
public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override { throw Exception("no dialog"); }
};
class TFailingEdit : public TFilenameEdit {
public:
  using TFilenameEdit::TFilenameEdit;

protected:
  TOpenDialog* NewDialog(TFileDialogKind) override { return new TFailingDialog(this); }
};

TEST(FileEditFailure, TheErrorModeComesBackWhenTheDialogRaises) {
  TFailingEdit Edit(nullptr);
  Edit.SetDialogKind(dkSave);  // made again, now by the override
  SetErrorMode(SEM_NOGPFAULTERRORBOX);
  EXPECT_THROW(Edit.DoClick(), Exception);
  EXPECT_EQ(GetErrorMode(), static_cast<UINT>(SEM_NOGPFAULTERRORBOX));
}

TEST_F(FileEditTest, InvalidNamesDropsAndDialogKinds) {
  Edit->SetText("kept.exe");
  try {
    Edit->SetFileName("a<b");
    ADD_FAILURE() << "no exception";
  } catch (EComboEditError& E) {
    EXPECT_EQ(E.Message(), "Invalid file name - a<b");
  }
  EXPECT_EQ(Edit->Text(), "kept.exe");

  const std::string Long = "C:\\" + std::string(251, 'a') + ".exe";
  ASSERT_EQ(Long.size(), 258u);
  int Drops = 0;
  Edit->OnDropFiles = [&](TObject*) { ++Drops; };
  HDROP Drop = MakeDrop({Long, "C:\\two.exe", "C:\\Program Files\\three.exe"});
  SendMessageA(Edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(Edit->Text(), Long);
  EXPECT_EQ(GlobalSize(Drop), 0u);  // released

  Edit->SetFilter("Applications (*.exe)|*.exe");
  Edit->SetDialogTitle("Select an application");
  Edit->SetInitialDir("C:\\windows");
  Edit->SetDialogKind(dkSave);
  EXPECT_NE(dynamic_cast<TSaveDialog*>(Edit->Dialog()), nullptr);
  EXPECT_EQ(Edit->Filter(), "Applications (*.exe)|*.exe");
  EXPECT_EQ(Edit->DialogTitle(), "Select an application");
  EXPECT_EQ(Edit->InitialDir(), "C:\\windows");
}

TEST_F(FileEditTest, AcceptFilesRegistersEveryWindow) {
  auto Accepts = [&] { return (GetWindowLongPtrA(Edit->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; };
  EXPECT_FALSE(Accepts());
  Edit->SetAcceptFiles(true);
  EXPECT_TRUE(Accepts());
  Edit->RecreateWnd();
  EXPECT_TRUE(Accepts());
}

// ---------------------------------------------------------------------------------------------
// The drop-down window

class TTestPopup : public TPopupWindow {
public:
  explicit TTestPopup(TComponent* AOwner) : TPopupWindow(AOwner) { SetBounds(0, 0, 100, 80); }
  std::string GetPopupValue() override { return "chosen"; }
  void SetPopupValue(const std::string& Value) override { Shown = Value; }
  std::string Shown;
};

class TTestComboEdit : public TCustomComboEdit {
public:
  explicit TTestComboEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
    Drop = new TTestPopup(this);
    SetPopup(Drop);
  }
  void PopupValueChanged() override { ++Changed; }
  void SetFocus() override {
    if (FailFocus) throw Exception("focus refused");
    TCustomComboEdit::SetFocus();
  }
  TTestPopup* Drop;
  int Changed = 0;
  bool FailFocus = false;
};

class DropDownTest : public ::testing::Test, public TestForm {
protected:
  void SetUp() override {
    RequireDisplay();
    Edit = new TTestComboEdit(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Edit->SetParent(Form.get());
    Edit->OnChange = [this](TObject*) { ++Changes; };
    Form->Show();
    Edit->SetFocus();
    PumpUntilIdle();
    Edit->SetText("typed");
    Changes = 0;
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 500);
  }
  TTestComboEdit* Edit = nullptr;
  int Changes = 0;
};

TEST_F(DropDownTest, OpensAboveAtTheBottomAndInsideTheRightEdge) {
  const int SW = GetSystemMetrics(SM_CXSCREEN), SH = GetSystemMetrics(SM_CYSCREEN);
  Form->SetBounds(SW - 150, SH - 80, 300, 100);
  PumpUntilIdle();
  Edit->DoClick();
  ASSERT_TRUE(Edit->PopupVisible());
  EXPECT_EQ(Edit->Drop->Shown, "typed");
  RECT Popup, Own;
  GetWindowRect(Edit->Drop->Handle(), &Popup);
  GetWindowRect(Edit->Handle(), &Own);
  EXPECT_EQ(Popup.bottom, Own.top);
  EXPECT_EQ(Popup.left, SW - 100);
  EXPECT_TRUE(IsWindowVisible(Edit->Drop->Handle()));
}

TEST_F(DropDownTest, AcceptingAndRejecting) {
  struct {
    const char* Name;
    std::function<void()> Close;
    bool Accepts;
  } Cases[] = {
      {"Enter", [] { Key(VK_RETURN); }, true},
      {"Escape", [] { Key(VK_ESCAPE); }, false},
      {"click inside", [this] { SendMessageA(Edit->Drop->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10)); }, true},
      {"click outside", [this] { SendMessageA(Edit->Drop->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 10)); }, false},
      {"focus loss", [this] { Other->SetFocus(); }, false},
  };
  for (auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Edit->SetFocus();
    Edit->SetText("typed");
    Changes = 0;
    Edit->DoClick();
    ASSERT_TRUE(Edit->PopupVisible());
    C.Close();
    PumpUntilIdle(30);
    EXPECT_FALSE(Edit->PopupVisible());
    EXPECT_FALSE(IsWindowVisible(Edit->Drop->Handle()));
    EXPECT_EQ(Edit->Text(), C.Accepts ? "chosen" : "typed");
    EXPECT_EQ(Changes, C.Accepts ? 1 : 0);
    EXPECT_EQ(OkClicks + CancelClicks, 0);
  }
}

TEST_F(DropDownTest, ChangesWhileOpenAreThePopupsOwn) {
  Edit->SetSel(0, -1);
  Edit->DropDownPopup(false);  // the text stays writable
  ASSERT_TRUE(Edit->PopupVisible());
  Key('Q');
  EXPECT_EQ(Changes, 0);
  EXPECT_EQ(Edit->Changed, 1);
  Key(VK_ESCAPE);
  Key('R');
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Edit->Changed, 1);
}

TEST_F(DropDownTest, APressOnTheButtonClosesAndItsClickDoesNothing) {
  Edit->DoClick();
  ASSERT_TRUE(Edit->PopupVisible());
  LeftClickAt(InputForm, Edit->Button()->ClientToScreen(POINT{5, 5}));
  EXPECT_FALSE(Edit->PopupVisible());
  EXPECT_FALSE(Edit->Button()->NoAction);
  EXPECT_EQ(Edit->Text(), "chosen");
  // The next click opens it again.
  LeftClickAt(InputForm, Edit->Button()->ClientToScreen(POINT{5, 5}));
  EXPECT_TRUE(Edit->PopupVisible());
}

TEST_F(DropDownTest, AFailingFocusStepStillCloses) {
  Edit->DoClick();
  ASSERT_TRUE(Edit->PopupVisible());
  Edit->FailFocus = true;
  Edit->PopupCloseUp(Edit->Drop, true);
  Edit->FailFocus = false;
  EXPECT_FALSE(Edit->PopupVisible());
  EXPECT_EQ(Edit->Text(), "chosen");
}

}  // namespace
