// The "Static Items" and "Submenu Items" pages in process: a fixture INI with two categories, a
// submenu, a separator, an inactive item and an item with a PNG icon; the trees are read back
// with TVM_GETITEM and driven with posted keys and mouse messages.
#include "application/AppPaths.h"
#include "application/Main.h"
#include "application/SelectIcon.h"
#include "classlib/core/PngImage.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/Dialogs.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/AdvCursors.h"
#include "controls/FileTypeView.h"
#include "controls/MRUList.h"
#include "controls/NodeUtils.h"
#include "controls/ToolEdit.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/StaticItemsCleanup.h"
#include "model/StaticMenu.h"
#include "model/Utils.h"
#include "tests/app/Modal.h"
#include "tests/support/ButtonFace.h"
#include "tests/shellext/MenuHost.h"
#include "tests/support/Files.h"
#include "tests/support/Gui.h"
#include "tests/support/ShellDrop.h"
#include "tests/support/TreeDrag.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

namespace {

// A 16-by-16 .ico of one opaque colour (32 bits, all of the AND mask clear).
void WriteIcon(const std::string& FileName, COLORREF Colour) {
  const int Size = 16;
  std::string Data;
  auto Put = [&Data](uint32_t Value, int Bytes) {
    for (int I = 0; I < Bytes; ++I) Data += static_cast<char>((Value >> (8 * I)) & 0xFF);
  };
  const uint32_t ImageBytes = 40 + Size * Size * 4 + Size * 4;
  Put(0, 2), Put(1, 2), Put(1, 2);                                    // ICONDIR
  Put(Size, 1), Put(Size, 1), Put(0, 1), Put(0, 1), Put(1, 2), Put(32, 2), Put(ImageBytes, 4), Put(22, 4);
  Put(40, 4), Put(Size, 4), Put(Size * 2, 4), Put(1, 2), Put(32, 2);  // BITMAPINFOHEADER
  for (int I = 0; I < 6; ++I) Put(0, 4);
  const uint32_t Pixel = 0xFF000000u | (GetRValue(Colour) << 16) | (GetGValue(Colour) << 8) | GetBValue(Colour);
  for (int I = 0; I < Size * Size; ++I) Put(Pixel, 4);
  for (int I = 0; I < Size; ++I) Put(0, 4);
  WriteBytes(FileName, Data);
}

std::string ModuleFolder() {
  char Path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, Path, MAX_PATH);
  return ExtractFilePath(Path);
}

void SetKeyValue(HKEY Root, const std::string& Path, const std::string& Value) {
  HKEY Key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Root, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), static_cast<DWORD>(Value.size() + 1));
  RegCloseKey(Key);
}

class TPageFileType : public ::testing::Environment {
public:
  void SetUp() override {
    SetKeyValue(HKEY_CLASSES_ROOT, ".corvpage", "corvpagefile");
    SetKeyValue(HKEY_CLASSES_ROOT, "corvpagefile", "Corvane page file");
    // Its icon: a library's first one, filled with one colour (TypeIconColour).
    SetKeyValue(HKEY_CLASSES_ROOT, "corvpagefile\\DefaultIcon", ModuleFolder() + "app_icons_1.dll,0");
    // The text files' type, named by its extension as Windows has it.
    HKEY Key = nullptr;
    MadeTxt = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_READ, &Key) != ERROR_SUCCESS;
    if (Key) RegCloseKey(Key);
    if (MadeTxt) SetKeyValue(HKEY_CLASSES_ROOT, ".txt", "txtfile");
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".corvpage");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "corvpagefile");
    if (MadeTxt) RegDeleteTreeA(HKEY_CLASSES_ROOT, ".txt");
  }
  bool MadeTxt = false;
};
const auto* const PageFileType = ::testing::AddGlobalTestEnvironment(new TPageFileType);
// The colour of the page type's icon (icon 0 of the icon libraries, tests/app/icons).
const COLORREF TypeIconColour = RGB(40, 200, 90);

// One node as the view holds it.
struct TViewNode {
  HTREEITEM Id;
  std::string Text;
  int Image;
  bool Expanded, Selected;
  LPARAM Param;
};

TViewNode ReadNode(HWND Tree, HTREEITEM Item) {
  char Text[260] = {};
  TVITEMA I{};
  I.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_STATE | TVIF_PARAM;
  I.hItem = Item;
  I.pszText = Text;
  I.cchTextMax = sizeof(Text);
  I.stateMask = TVIS_EXPANDED | TVIS_SELECTED;
  SendMessageA(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
  return {Item, Text, I.iImage, (I.state & TVIS_EXPANDED) != 0, (I.state & TVIS_SELECTED) != 0, I.lParam};
}

HTREEITEM Next(HWND Tree, HTREEITEM Item, UINT Code) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(Tree, TVM_GETNEXTITEM, Code, reinterpret_cast<LPARAM>(Item)));
}

// Every node in depth-first order, with its depth.
std::vector<std::pair<int, TViewNode>> ReadTree(HWND Tree) {
  std::vector<std::pair<int, TViewNode>> Result;
  std::function<void(HTREEITEM, int)> Walk = [&](HTREEITEM Item, int Depth) {
    for (; Item; Item = Next(Tree, Item, TVGN_NEXT)) {
      Result.push_back({Depth, ReadNode(Tree, Item)});
      Walk(Next(Tree, Item, TVGN_CHILD), Depth + 1);
    }
  };
  Walk(Next(Tree, nullptr, TVGN_ROOT), 0);
  return Result;
}

// The model in the same order: depth and text.
std::vector<std::pair<int, std::string>> ReadModel(TTreeItems* Items) {
  std::vector<std::pair<int, std::string>> Result;
  std::function<void(TTreeItems*, int)> Walk = [&](TTreeItems* C, int Depth) {
    for (int I = 0; I < C->Count(); ++I) {
      TTreeItem* Item = C->GetItem(I);
      if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item))
        Result.push_back({Depth, Category->GetFileTypeCaption()});
      else
        Result.push_back({Depth, dynamic_cast<TCustomMenuItem*>(Item)->Caption()});
      Walk(Item->Items(), Depth + 1);
    }
  };
  Walk(Items, 0);
  return Result;
}

std::vector<std::pair<int, std::string>> TreeTexts(HWND Tree) {
  std::vector<std::pair<int, std::string>> Result;
  for (const auto& [Depth, Node] : ReadTree(Tree)) Result.push_back({Depth, Node.Text});
  return Result;
}

// The lines of section Section of an INI text.
std::vector<std::string> SectionLines(const std::string& Text, const std::string& Section) {
  std::vector<std::string> Lines;
  bool Inside = false;
  size_t Begin = 0;
  while (Begin < Text.size()) {
    size_t End = Text.find('\n', Begin);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(Begin, End - Begin);
    Begin = End + 1;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (!Line.empty() && Line[0] == '[')
      Inside = Line == "[" + Section + "]";
    else if (Inside)
      Lines.push_back(Line);
  }
  return Lines;
}

// Vellisk as the shell runs it over the INI text: a registered copy, a selection of File in a text
// file's menu, InvokeCommand on the entry captioned Caption with no box allowed; the recorder's
// record of the start.
void InvokeFromShell(const std::string& IniText, const std::string& Caption, const std::string& File,
                     shellhost::TRecorder& Recorder, shellhost::TRecord& Record) {
  shellhost::RemoveVelliskRegistration();
  shellhost::TVelliskCopy Copy;
  ASSERT_TRUE(Copy.Copied());
  ASSERT_TRUE(Copy.WriteIni(IniText));
  shellhost::TComApartment Apartment;
  ASSERT_EQ(Copy.Register(), S_OK);
  HKEY Key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "txtfile", 0, KEY_ALL_ACCESS, &Key), ERROR_SUCCESS);
  HMENU Popup = CreatePopupMenu();
  // The data object outlives the menu object, which holds its medium until it goes.
  auto* Data = new shellhost::TTestDataObject();
  struct TRelease {
    shellhost::TTestDataObject* Data;
    ~TRelease() { Data->Release(); }
  } ReleaseData{Data};
  {
    shellhost::TComPtr<IShellExtInit> Init;
    ASSERT_EQ(shellhost::CreateMenuObject(Init), S_OK);
    Data->Answer(CF_HDROP, S_OK, shellhost::HDropData({File}));
    EXPECT_EQ(Init->Initialize(nullptr, Data, Key), S_OK);
    shellhost::TComPtr<IContextMenu> Menu = Init.As<IContextMenu>();
    ASSERT_TRUE(Menu);
    EXPECT_TRUE(SUCCEEDED(Menu->QueryContextMenu(Popup, 0, 1, 0x7FFF, CMF_NORMAL)));
    UINT Offset = UINT_MAX;
    for (const shellhost::TMenuEntry& E : shellhost::MenuEntries(Popup))
      if (E.Text == Caption) Offset = E.Identifier - 1;
    ASSERT_NE(Offset, UINT_MAX) << Caption;
    Recorder.Clear();
    TMessageBoxAnswerer NoBox;
    CMINVOKECOMMANDINFO Info{};
    Info.cbSize = sizeof(Info);
    Info.lpVerb = MAKEINTRESOURCEA(Offset);
    Info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(Menu->InvokeCommand(&Info), S_OK);
    EXPECT_EQ(NoBox.Seen(), 0);
    EXPECT_TRUE(Recorder.Read(Record));
    Recorder.WaitForEnd();
  }
  DestroyMenu(Popup);
  RegCloseKey(Key);
  Copy.Unregister();
  shellhost::RemoveVelliskRegistration();
}

class MenuPagesTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    ASSERT_TRUE(Dir.Valid());
    SetProgramFolder(Dir.File(""));
    ASSERT_TRUE(CopyFileA((ModuleFolder() + "helpers_regserver_good.dll").c_str(), Dir.File("Vellisk.DLL").c_str(), FALSE));
    Application->SetTitle(ProductTitle);
    GetStaticItemsCleanup()->Reset();
    Png = Dir.File("icon.png");
    std::vector<uint32_t> Pixels(16 * 16, 0xFFFF0000u);  // opaque red
    TPNGObject Picture;
    Picture.SetPixels(16, 16, Pixels.data());
    Picture.SaveToFile(Png);
    Ico = Dir.File("icon.ico");
    WriteIcon(Ico, RGB(0, 0, 255));
    Caption = "Corvane page " + std::to_string(GetCurrentProcessId());
    WriteBytes(Ini(),
               "[Static Items]\r\nApplication0=notepad.exe\r\nParameters0=\"%1\"\r\nCaption0=" + Caption +
                   "\r\nChecked0=1\r\nFileType0=corvpagefile\r\nApplication1=write.exe\r\nParameters1=\"%1\"\r\nCaption1=" +
                   Caption + " off\r\nChecked1=0\r\nFileType1=corvpagefile\r\nCount=2\r\n"
                   "[Dynamic Items]\r\n"
                   "Parent1=0\r\nCaption1=Tools\r\nChecked1=1\r\nFileType1=txtfile\r\nSubmenu1=1\r\n"
                   "Parent2=1\r\nApplication2=one.exe\r\nParameters2=\"%1\"\r\nCaption2=One\r\nChecked2=1\r\nFileType2=txtfile\r\n"
                   "IconFile2=" + Ico + "\r\nIconIndex2=0\r\n"
                   "Parent3=1\r\nApplication3=two.exe\r\nParameters3=\"%1\"\r\nCaption3=Two\r\nChecked3=1\r\nFileType3=txtfile\r\n"
                   "Parent4=0\r\nIsSeparator4=1\r\nChecked4=1\r\nFileType4=txtfile\r\n"
                   "Parent5=0\r\nApplication5=off.exe\r\nParameters5=\"%1\"\r\nCaption5=Inactive\r\nChecked5=0\r\nFileType5=txtfile\r\n"
                   "Parent6=0\r\nApplication6=pic.exe\r\nParameters6=\"%1\"\r\nCaption6=Picture\r\nHint6=A hint\r\nIconFile6=" +
                   Png + "\r\nIconIndex6=0\r\nChecked6=1\r\nFileType6=txtfile\r\n"
                   "Parent7=0\r\nApplication7=page.exe\r\nParameters7=\"%1\"\r\nCaption7=Page\r\nChecked7=1\r\nFileType7=corvpagefile\r\n"
                   "Count=7\r\n");
  }
  void TearDown() override {
    delete Form;
    Form = nullptr;
    PumpUntilIdle(10, 500);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvpagefile\\shell\\" + Caption + " (*)").c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvpagefile\\shell\\" + Caption + " off (*)").c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "corvpagefile\\shell");
    GetStaticItemsCleanup()->Reset();
    SetProgramFolder("");
  }
  std::string Ini() const { return Dir.File("Corvane.ini"); }
  void Open(int Page = 1) {
    TMessageBoxAnswerer NoBox;  // the fixture loads without errors: any box fails
    Form = new TfrmMain(Application);
    Form->Show();
    PumpUntilIdle();
    if (FileExists(Dir.File("log.txt"))) ADD_FAILURE() << FileBytesOr(Dir.File("log.txt"), "");
    Form->Loading = true;
    Get<TCheckBox>("chkShellExt")->SetChecked(true);  // the box without registering
    Form->Loading = false;
    Get<TPageControl>("pgcMain")->SetActivePageIndex(Page);
    Form->pgcMainChange(Form);
    PumpUntilIdle();
  }
  template <class T>
  T* Get(const std::string& Name) {
    return FindByName<T>(Form, Name);
  }
  HWND XTree() { return Get<TTreeView>("tvXMenu")->Handle(); }
  HWND STree() { return Get<TTreeView>("tvMenu")->Handle(); }
  TDynamicMenuItem* XItem(const std::string& Caption) {
    TDynamicMenuItem* Found = nullptr;
    std::function<void(TTreeItems*)> Walk = [&](TTreeItems* C) {
      for (int I = 0; I < C->Count(); ++I) {
        if (auto* Item = dynamic_cast<TDynamicMenuItem*>(C->GetItem(I)); Item && Item->Caption() == Caption) Found = Item;
        Walk(C->GetItem(I)->Items());
      }
    };
    Walk(Form->DynamicMenu->Items());
    return Found;
  }
  TCustomFileTypeCategory* XCategory(const std::string& Type) { return CategoryIn(Form->DynamicMenu->Items(), Type); }
  TCustomFileTypeCategory* SCategory(const std::string& Type) { return CategoryIn(Form->StaticMenu->Items(), Type); }
  static TCustomFileTypeCategory* CategoryIn(TTreeItems* Root, const std::string& Type) {
    for (int I = 0; I < Root->Count(); ++I) {
      auto* C = dynamic_cast<TCustomFileTypeCategory*>(Root->GetItem(I));
      if (C && C->GetFileType() && C->GetFileType()->Name() == Type) return C;
    }
    return nullptr;
  }
  TStaticMenuItem* SItem(const std::string& Caption) {
    TStaticMenuItem* Found = nullptr;
    Form->StaticMenu->ForEachItem([&](TStaticMenuItem* Item) {
      if (Item->Caption() == Caption) Found = Item;
    });
    return Found;
  }
  void Focus(TTreeItem* Item) {
    ASSERT_NE(Item, nullptr);
    Item->Focus();
    PumpUntilIdle();
  }
  void PostKey(HWND Wnd, WORD Key, bool Ctrl = false) {
    if (Ctrl) {
      BYTE State[256] = {};
      GetKeyboardState(State);
      State[VK_CONTROL] = 0x80;
      SetKeyboardState(State);
    }
    PostMessageA(Wnd, WM_KEYDOWN, Key, 1);
    PostMessageA(Wnd, WM_KEYUP, Key, 0xC0000001);
    PumpUntilIdle();
    if (Ctrl) {
      BYTE State[256] = {};
      GetKeyboardState(State);
      State[VK_CONTROL] = 0;
      SetKeyboardState(State);
    }
  }
  void SetCtrl(bool Down) {
    BYTE State[256] = {};
    GetKeyboardState(State);
    State[VK_CONTROL] = Down ? 0x80 : 0;
    SetKeyboardState(State);
  }
  // Drags Dragged onto the node Over gives (looked up again after the view changed), Ctrl held or
  // not: the cursor over it is Cursor, Hovering runs there, then the button goes up.
  void DragNodeOnto(TTreeView* Tree, TTreeNode* Dragged, const std::function<TTreeNode*()>& Over, bool Ctrl,
                    int Cursor, const std::function<void()>& Hovering = nullptr) {
    SetCtrl(Ctrl);
    PressAndPull(Dragged);
    ASSERT_TRUE(Tree->Dragging());
    PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Tree, LabelCenter(Over()));
    EXPECT_EQ(GetCursor(), Screen->Cursors(Cursor));
    if (Hovering) Hovering();
    PostToCapture(WM_LBUTTONUP, 0, Tree, LabelCenter(Over()));
    SetCtrl(false);
    EXPECT_FALSE(Tree->Dragging());
  }
  // actXSelectIcon with the picker answered: icon Index of File, OK.
  void PickIcon(const std::string& File, int Index) {
    RunModal([&] {
      Form->Action("actXSelectIcon")->Execute();
      return true;
    }, [&](TCustomForm* F) {
      auto* Picker = dynamic_cast<TfrmSelectIcon*>(F);
      ASSERT_NE(Picker, nullptr);
      Picker->SetFileName(File);
      PumpUntilIdle(10, 300);
      Picker->SetIconIndex(Index);
      F->ModalResult = mrOk;
    });
  }
  bool ApplyEnabled() { return Get<TButton>("btnApply")->Enabled(); }
  int ItemCount() { return static_cast<int>(ReadModel(Form->DynamicMenu->Items()).size()); }

  TTempDir Dir;
  TfrmMain* Form = nullptr;
  std::string Png, Ico, Caption;
};

// ---------------------------------------------------------------------------------------------
// The trees after start-up

TEST_F(MenuPagesTest, TreesShowTheFixtureAndNothingIsModified) {
  Open();
  EXPECT_EQ(TreeTexts(XTree()), ReadModel(Form->DynamicMenu->Items()));
  EXPECT_EQ(TreeTexts(STree()), ReadModel(Form->StaticMenu->Items()));
  const auto Nodes = ReadTree(XTree());
  ASSERT_FALSE(Nodes.empty());
  // Categories: the type's description and its position in the file-type list as image.
  TFileTypes* Types = Form->FileTypes->FileTypes();
  for (const auto& [Depth, Node] : Nodes) {
    auto* Item = reinterpret_cast<TTreeNode*>(Node.Param);
    auto* Category = dynamic_cast<TCustomFileTypeCategory*>(static_cast<TTreeItem*>(Item->Data()));
    if (Depth == 0) {
      ASSERT_NE(Category, nullptr);
      EXPECT_EQ(Node.Text, Types->FindByName(Category->GetFileType()->Name())->Description());
      EXPECT_EQ(Node.Image, Category->GetFileType()->Index());
    }
    // Expansion is the model's (every level expanded at load).
    auto* Model = static_cast<TTreeItem*>(Item->Data());
    if (Model->HasChildren()) {
      EXPECT_TRUE(Node.Expanded) << Node.Text;
    }
    EXPECT_EQ(Node.Expanded && Model->HasChildren(), Model->Expanded() && Model->HasChildren()) << Node.Text;
  }
  EXPECT_FALSE(Form->DynamicMenu->Modified());
  EXPECT_FALSE(Form->StaticMenu->Modified());
  EXPECT_FALSE(ApplyEnabled());
  // Clicking through the nodes changes nothing.
  for (const auto& [Depth, Node] : Nodes) {
    SendMessageA(XTree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Node.Id));
    PumpUntilIdle(10);
  }
  EXPECT_FALSE(Form->DynamicMenu->Modified());
  EXPECT_FALSE(ApplyEnabled());
  TWindowCapture(Form->Handle()).SavePng("app_submenu_page");
  Get<TPageControl>("pgcMain")->SetActivePageIndex(0);
  Form->pgcMainChange(Form);
  PumpUntilIdle();
  TWindowCapture(Form->Handle()).SavePng("app_static_page");
}

TEST_F(MenuPagesTest, InactiveItemIsGreySubmenuBoldAndThePictureLeftOfItsText) {
  Open();
  Focus(XItem("Page"));
  TTreeView* Tree = Get<TTreeView>("tvXMenu");
  TTreeNode* Inactive = FindItemNode(XItem("Inactive"), Tree);
  TTreeNode* Active = FindItemNode(XItem("One"), Tree);
  TTreeNode* Picture = FindItemNode(XItem("Picture"), Tree);
  ASSERT_TRUE(Inactive && Active && Picture);
  const TWindowCapture Shot(Form->Handle());
  auto Colours = [&](TTreeNode* Node) {
    const RECT R = Node->DisplayRect(true);
    std::vector<COLORREF> Result;
    for (int X = R.left; X < R.right; ++X)
      for (int Y = R.top; Y < R.bottom; ++Y) Result.push_back(Shot.ClientPixel(XTree(), X, Y));
    return Result;
  };
  auto Has = [](const std::vector<COLORREF>& Pixels, COLORREF C) {
    return std::find(Pixels.begin(), Pixels.end(), C) != Pixels.end();
  };
  EXPECT_TRUE(Has(Colours(Inactive), GetSysColor(COLOR_GRAYTEXT)));
  EXPECT_FALSE(Has(Colours(Active), GetSysColor(COLOR_GRAYTEXT)));
  // The PNG's red left of the text, inside the indent.
  const RECT Text = Picture->DisplayRect(true);
  const int Mid = (Text.top + Text.bottom) / 2;
  EXPECT_EQ(Shot.ClientPixel(XTree(), Text.left - Tree->Indent() + 8, Mid), RGB(255, 0, 0));
  EXPECT_NE(Shot.ClientPixel(XTree(), Text.left - Tree->Indent() + 8, (FindItemNode(XItem("Two"), Tree)->DisplayRect(true).top + 2)),
            RGB(255, 0, 0));
  // The .ico's blue in front of its item's text, none in front of an item without icon.
  const RECT OneText = Active->DisplayRect(true);
  EXPECT_EQ(Shot.ClientPixel(XTree(), OneText.left - Tree->Indent() + 8, (OneText.top + OneText.bottom) / 2), RGB(0, 0, 255));
  const RECT TwoText = FindItemNode(XItem("Two"), Tree)->DisplayRect(true);
  EXPECT_NE(Shot.ClientPixel(XTree(), TwoText.left - Tree->Indent() + 8, (TwoText.top + TwoText.bottom) / 2), RGB(0, 0, 255));
  // The submenu bold: its caption has more dark pixels than a plain item of the same caption.
  TTreeNode* Submenu = FindItemNode(XItem("Tools"), Tree);
  TTreeNode* Plain = FindItemNode(XItem("Two"), Tree);
  XItem("Two")->SetCaption("Tools");
  PumpUntilIdle();
  const TWindowCapture Texts(Form->Handle());
  auto Dark = [&](TTreeNode* Node) {
    const RECT R = Node->DisplayRect(true);
    int Count = 0;
    for (int X = R.left; X < R.right + 8; ++X)
      for (int Y = R.top; Y < R.bottom; ++Y) {
        const COLORREF C = Texts.ClientPixel(XTree(), X, Y);
        Count += GetRValue(C) + GetGValue(C) + GetBValue(C) < 200;
      }
    return Count;
  };
  EXPECT_GT(Dark(Submenu), Dark(Plain) + 5);
  // Selected, the inactive item takes the selection's colours.
  Focus(XItem("Inactive"));
  const TWindowCapture Selected(Form->Handle());
  const RECT R = Inactive->DisplayRect(true);
  bool Grey = false;
  for (int X = R.left; X < R.right; ++X)
    for (int Y = R.top; Y < R.bottom; ++Y) Grey |= Selected.ClientPixel(XTree(), X, Y) == GetSysColor(COLOR_GRAYTEXT);
  EXPECT_FALSE(Grey);
}

TEST_F(MenuPagesTest, TheTypesIconShowsOnItsCategoriesInTheDropDownAndInTheCleanupList) {
  Open();
  TDynamicSubMenu* Sub = static_cast<TDynamicMenuItems*>(XCategory("corvpagefile")->GetItems())->AddSubMenu();
  Sub->SetCaption("Sub");
  // The middle of the image cell left of a node's text.
  auto NodeCell = [](const TWindowCapture& Shot, TTreeView* Tree, TTreeNode* Node) {
    const RECT Text = Node->DisplayRect(true);
    return Shot.ClientPixel(Tree->Handle(), Text.left - 8, (Text.top + Text.bottom) / 2);
  };
  for (const char* Round : {"at start", "after a refresh"}) {
    SCOPED_TRACE(Round);
    if (std::string(Round) == "after a refresh") {
      Form->Action("actFileTypesRefresh")->Execute();
      PumpUntilIdle();
    }
    const TFileType* Type = Form->FileTypes->FileTypes()->FindByName("corvpagefile");  // a refresh makes new ones
    ASSERT_NE(Type, nullptr);
    Focus(XCategory("txtfile"));
    // Both trees: the category's cell has the colour; the cells of its items and submenu do not.
    for (const char* Name : {"tvMenu", "tvXMenu"}) {
      SCOPED_TRACE(Name);
      const bool Static = Name[2] == 'M';
      Get<TPageControl>("pgcMain")->SetActivePageIndex(Static ? 0 : 1);
      Form->pgcMainChange(Form);
      PumpUntilIdle();
      auto* Tree = Get<TTreeView>(Name);
      TCustomFileTypeCategory* Category = Static ? SCategory("corvpagefile") : XCategory("corvpagefile");
      ASSERT_NE(Category, nullptr);
      const TWindowCapture Shot(Form->Handle());
      EXPECT_TRUE(NearColor(NodeCell(Shot, Tree, FindItemNode(Category, Tree)), TypeIconColour, 4));
      for (int I = 0; I < Category->Items()->Count(); ++I) {
        TTreeItem* Item = Category->Items()->GetItem(I);
        const COLORREF Cell = NodeCell(Shot, Tree, FindItemNode(Item, Tree));
        EXPECT_FALSE(NearColor(Cell, TypeIconColour, 40)) << I;
        // A dynamic item without a picture of its own and the submenu show the tree's background.
        if (!Static) {
          EXPECT_EQ(Cell, GetSysColor(COLOR_WINDOW)) << I;
        }
      }
    }
    // The drop-down's row of the type.
    auto* Box = Get<TFileTypeComboBox>("cbXFileType");
    Focus(XItem("Page"));
    Box->DoClick();
    PumpUntilIdle();
    ASSERT_TRUE(Box->PopupVisible());
    TListItems* Rows = Box->DropDown()->ListView()->Items();
    int Row = -1;
    for (int I = 0; I < Rows->Count(); ++I)
      if (Rows->Item(I)->Data() == Type) Row = I;
    ASSERT_GE(Row, 0);
    Rows->Item(Row)->MakeVisible(false);
    PumpUntilIdle();
    const RECT Icon = Rows->Item(Row)->DisplayRect(drIcon);
    const TWindowCapture Popup(Box->DropDown()->Handle());
    EXPECT_TRUE(NearColor(Popup.ClientPixel(Box->DropDown()->ListView()->Handle(), (Icon.left + Icon.right) / 2,
                                            (Icon.top + Icon.bottom) / 2),
                          TypeIconColour, 4));
    if (std::string(Round) == "at start") Popup.SavePng("app_file_type_drop_down");
    PostMessageA(Box->DropDown()->ListView()->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpUntilIdle();
    EXPECT_FALSE(Box->PopupVisible());
    // The cleanup page's row.
    Get<TPageControl>("pgcMain")->SetActivePageIndex(2);
    Form->pgcMainChange(Form);
    PumpUntilIdle();
    auto* List = Get<TFileTypeListView>("lvFileTypes");
    int CleanupRow = -1;
    for (int I = 0; I < List->Items()->Count(); ++I)
      if (List->Items()->Item(I)->Data() == Type) CleanupRow = I;
    ASSERT_GE(CleanupRow, 0);
    List->Items()->Item(CleanupRow)->MakeVisible(false);
    PumpUntilIdle();
    const RECT CleanupIcon = List->Items()->Item(CleanupRow)->DisplayRect(drIcon);
    const TWindowCapture Cleanup(Form->Handle());
    EXPECT_TRUE(NearColor(Cleanup.ClientPixel(List->Handle(), (CleanupIcon.left + CleanupIcon.right) / 2,
                                              (CleanupIcon.top + CleanupIcon.bottom) / 2),
                          TypeIconColour, 4));
  }
}

TEST_F(MenuPagesTest, TheFileTypeDropDownOpensInsideTheScreenBelowAboveOrOnTheRoomierSide) {
  // Enough types that a list of all of them fits on no side of the box.
  const int Extra = 60;
  for (int I = 0; I < Extra; ++I) {
    SetKeyValue(HKEY_CLASSES_ROOT, ".corvdd" + std::to_string(I), "corvddfile" + std::to_string(I));
    SetKeyValue(HKEY_CLASSES_ROOT, "corvddfile" + std::to_string(I), "Drop-down fixture " + std::to_string(I));
  }
  struct TCleanup {
    int Count;
    ~TCleanup() {
      for (int I = 0; I < Count; ++I) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, (".corvdd" + std::to_string(I)).c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvddfile" + std::to_string(I)).c_str());
      }
    }
  } Cleanup{Extra};
  Open();
  Focus(XItem("Page"));
  auto* Box = Get<TFileTypeComboBox>("cbXFileType");
  TPopupListView* List = Box->DropDown()->ListView();
  ASSERT_GE(List->Items()->Count(), Extra + 16);
  const int ScreenW = GetSystemMetrics(SM_CXSCREEN), ScreenH = GetSystemMetrics(SM_CYSCREEN);
  struct TCase {
    const char* Name;
    int FormTop;        // -1: centred as the window starts
    int DropDownCount;  // 0: the layout's
    int Side;           // 1 below the box, -1 above, 2 either, 0 the side with more room
  };
  const TCase Cases[] = {{"fresh start", -1, 0, 2},
                         {"window near the screen's bottom", ScreenH - Form->Height(), 0, -1},
                         {"all rows, near the bottom", ScreenH - Form->Height(), Extra + 16, 0},
                         {"all rows, at the top", 0, Extra + 16, 0}};
  const int Centred = Form->Top();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    Form->SetTop(C.FormTop < 0 ? Centred : C.FormTop);
    Box->SetDropDownCount(C.DropDownCount ? C.DropDownCount : 16);
    PumpUntilIdle();
    Box->DoClick();
    PumpUntilIdle();
    ASSERT_TRUE(Box->PopupVisible());
    RECT Popup{}, Edit{};
    GetWindowRect(Box->DropDown()->Handle(), &Popup);
    GetWindowRect(Box->Handle(), &Edit);
    EXPECT_GE(Popup.left, 0);
    EXPECT_GE(Popup.top, 0);
    EXPECT_LE(Popup.right, ScreenW);
    EXPECT_LE(Popup.bottom, ScreenH);
    const RECT First = List->Items()->Item(0)->DisplayRect(drBounds);
    const int RowHeight = First.bottom - First.top;
    ASSERT_GT(RowHeight, 0);
    const int Frame = 4 + (List->ShowColumnHeaders() ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    const int Height = Popup.bottom - Popup.top;
    if (C.Side != 0) {
      EXPECT_EQ(Height, 16 * RowHeight + Frame);
      if (C.Side == 2) {
        EXPECT_TRUE(Popup.top == Edit.bottom || Popup.bottom == Edit.top);
      } else if (C.Side > 0) {
        EXPECT_EQ(Popup.top, Edit.bottom);
      } else {
        EXPECT_EQ(Popup.bottom, Edit.top);
      }
    } else {
      const int Below = ScreenH - Edit.bottom, Above = Edit.top;
      const int Room = std::max(Below, Above);
      EXPECT_EQ(Height, (Room - Frame) / RowHeight * RowHeight + Frame);
      EXPECT_EQ(Below >= Above ? Popup.top == Edit.bottom : Popup.bottom == Edit.top, true);
    }
    if (C.FormTop < 0) TWindowCapture(GetDesktopWindow(), false).SavePng("app_file_type_drop_down_open");
    PostMessageA(List->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpUntilIdle();
    EXPECT_FALSE(Box->PopupVisible());
  }
}

// ---------------------------------------------------------------------------------------------
// Mirroring without full rebuilds

TEST_F(MenuPagesTest, EditsThroughTheModelKeepTheNodesOutsideTheChangedCollections) {
  Open();
  TDynamicSubMenu* Tools = dynamic_cast<TDynamicSubMenu*>(XItem("Tools"));
  ASSERT_NE(Tools, nullptr);
  Tools->SetExpanded(false);
  FindItemNode(Tools, Get<TTreeView>("tvXMenu"))->Collapse(false);
  Focus(XItem("Page"));
  TTreeView* Tree = Get<TTreeView>("tvXMenu");
  auto IdOf = [&](const std::string& Caption) { return FindItemNode(XItem(Caption), Tree)->ItemId(); };
  const HTREEITEM Page = IdOf("Page"), Picture = IdOf("Picture"), ToolsNode = IdOf("Tools");
  struct TStep {
    const char* Name;
    std::function<void()> Edit;
    bool PageKept;
  };
  const TStep Steps[] = {
      {"add inside the collapsed submenu", [&] { Tools->GetItems()->AddItem()->SetCaption("Three"); }, true},
      {"rename", [&] { XItem("Three")->SetCaption("Drei"); }, true},
      {"reorder", [&] { XItem("Drei")->SetIndex(0); }, true},
      {"move to the other category", [&] { XItem("Drei")->MoveTo(XCategory("corvpagefile"), 0, true); }, false},
      {"delete", [&] { delete XItem("Drei"); }, false},
  };
  for (const TStep& S : Steps) {
    SCOPED_TRACE(S.Name);
    S.Edit();
    PumpUntilIdle(10);
    EXPECT_EQ(TreeTexts(XTree()), ReadModel(Form->DynamicMenu->Items()));
    EXPECT_EQ(IdOf("Picture"), Picture);
    EXPECT_EQ(IdOf("Tools"), ToolsNode);
    // Page's own category changes only in the last two steps; before, its node stays as it was.
    if (S.PageKept) {
      EXPECT_EQ(IdOf("Page"), Page);
    }
    EXPECT_TRUE(ReadNode(XTree(), IdOf("Page")).Selected);
    EXPECT_FALSE(ReadNode(XTree(), ToolsNode).Expanded);
  }
}

TEST_F(MenuPagesTest, ChoosingATypeWithoutCategoryMakesItsNodeWithTheItemSelected) {
  Open();
  TDynamicMenuItem* Item = XItem("Inactive");
  Focus(Item);
  auto* Box = Get<TFileTypeComboBox>("cbXFileType");
  // Any type without a category will do: the first one that has none.
  TFileTypes* Types = Form->FileTypes->FileTypes();
  TFileType* Type = nullptr;
  for (int I = 0; !Type && I < Types->Count(); ++I)
    if (!Form->DynamicMenu->GetItems()->HasCategory(Types->GetItem(I))) Type = Types->GetItem(I);
  ASSERT_NE(Type, nullptr);
  // The user's way: open the drop-down, go to the type's row, Enter.
  Box->DoClick();
  PumpUntilIdle();
  ASSERT_TRUE(Box->PopupVisible());
  TPopupListView* Rows = Box->DropDown()->ListView();
  for (int I = 0; I < Rows->Items()->Count(); ++I)
    if (Rows->Items()->Item(I)->Data() == Type) Rows->SetItemFocused(Rows->Items()->Item(I));
  PostKey(Rows->Handle(), VK_RETURN);
  EXPECT_FALSE(Box->PopupVisible());
  EXPECT_EQ(Box->GetFileType(), Type);
  EXPECT_EQ(Item->GetFileType(), Type);
  EXPECT_EQ(TreeTexts(XTree()), ReadModel(Form->DynamicMenu->Items()));
  TTreeNode* Node = FindItemNode(Item, Get<TTreeView>("tvXMenu"));
  ASSERT_NE(Node, nullptr);
  EXPECT_TRUE(Node->Selected());
  EXPECT_EQ(Node->Parent()->Index(), Item->GetCategory()->Index());
  for (const auto& [Depth, N] : ReadTree(XTree())) {
    auto* Model = static_cast<TTreeItem*>(reinterpret_cast<TTreeNode*>(N.Param)->Data());
    if (Model->HasChildren()) {
      EXPECT_EQ(N.Expanded, Model->Expanded()) << N.Text;
    }
  }
}

TEST_F(MenuPagesTest, F2TypingAndEnterRenameEscLeavesIt) {
  Open();
  Focus(XItem("Page"));
  Form->SetActiveControl(Get<TTreeView>("tvXMenu"));
  PumpUntilIdle();
  for (const bool Accept : {false, true}) {
    PostKey(XTree(), VK_F2);
    const HWND Edit = reinterpret_cast<HWND>(SendMessageA(XTree(), TVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Edit, nullptr);
    SetWindowTextA(Edit, "Renamed");
    if (!Accept) TWindowCapture(Form->Handle()).SavePng("app_submenu_caption_edited");
    PostKey(Edit, Accept ? VK_RETURN : VK_ESCAPE);
    EXPECT_EQ(XItem("Page") == nullptr, Accept);
    EXPECT_EQ(XItem("Renamed") != nullptr, Accept);
  }
}

// ---------------------------------------------------------------------------------------------
// Details

TEST_F(MenuPagesTest, DetailsFollowTheFocusedEntry) {
  Open();
  struct TCase {
    const char* Caption;  // "" for the txtfile category
    bool Panel, Application, Hint;
  };
  const TCase Cases[] = {{"Picture", true, true, true},
                         {"Tools", true, false, true},
                         {"", false, false, false}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(*C.Caption ? C.Caption : "category");
    if (*C.Caption)
      Focus(XItem(C.Caption));
    else
      Focus(XCategory("txtfile"));
    EXPECT_EQ(Get<TControl>("pnlDynamicDetails")->Enabled(), C.Panel);
    EXPECT_EQ(Get<TControl>("edXApplication")->Enabled(), C.Application);
    EXPECT_EQ(Get<TControl>("edXParameters")->Enabled(), C.Application);
    EXPECT_EQ(Get<TControl>("edXMenuHint")->Enabled(), C.Hint);
    const std::string Application = C.Application ? XItem(C.Caption)->Application() : "";
    EXPECT_EQ(Get<TControl>("edXApplication")->Text(), Application);
    EXPECT_EQ(Get<TControl>("edXFileType")->Text(), C.Panel ? "Key: \"txtfile\"" : "");
    EXPECT_EQ(Get<TControl>("memXFileExtensions")->Text(), C.Panel ? "Extensions: .txt" : "");
  }
  // The separator: also the hint disabled and empty.
  TTreeItems* Txt = XCategory("txtfile")->Items();
  TDynamicMenuItem* Separator = nullptr;
  for (int I = 0; I < Txt->Count(); ++I)
    if (auto* Item = dynamic_cast<TDynamicMenuItem*>(Txt->GetItem(I)); Item && Item->IsSeparator()) Separator = Item;
  Focus(Separator);
  EXPECT_FALSE(Get<TControl>("edXMenuHint")->Enabled());
  EXPECT_EQ(Get<TControl>("edXMenuHint")->Text(), "");
  EXPECT_EQ(Get<TCustomEdit>("edXMenuHint")->MaxLength(), 80);
  EXPECT_FALSE(Form->DynamicMenu->Modified());
  // Edits reach the model.
  Focus(XItem("Picture"));
  Get<TControl>("edXParameters")->SetText("/p \"%1\"");
  Get<TControl>("edXMenuHint")->SetText("Other hint");
  PumpUntilIdle();
  EXPECT_EQ(XItem("Picture")->Parameters(), "/p \"%1\"");
  EXPECT_EQ(XItem("Picture")->Hint(), "Other hint");
  EXPECT_TRUE(ApplyEnabled());
  // The static page's key field reads the same way.
  Form->StaticMenu->GetItems()->GetItem(0)->Items()->GetItem(0)->Focus();
  PumpUntilIdle();
  EXPECT_EQ(Get<TControl>("edFileType")->Text(), "Key: \"corvpagefile\"");
  EXPECT_EQ(Get<TControl>("memFileExtensions")->Text(), "Extensions: .corvpage");
}

// ---------------------------------------------------------------------------------------------
// Commands

TEST_F(MenuPagesTest, DeleteAsksAndCancelKeepsTheItem) {
  Open();
  for (const int Answer : {IDCANCEL, IDOK}) {
    Focus(XItem("Page"));
    TMessageBoxAnswerer Boxes;
    Boxes.Expect("Corvane 2007", "Delete menu item?", Answer);
    Form->SetActiveControl(Get<TTreeView>("tvXMenu"));
    PostKey(XTree(), VK_DELETE);
    EXPECT_EQ(XItem("Page") == nullptr, Answer == IDOK);
  }
  // A category cannot be deleted, renamed or dragged.
  Focus(XCategory("txtfile"));
  PumpUntilIdle();
  EXPECT_FALSE(Form->Action("actXDel")->Enabled());
  EXPECT_FALSE(Form->Action("actXRename")->Enabled());
}

TEST_F(MenuPagesTest, ShortcutsStepAsideWhileACaptionIsEdited) {
  Open();
  Focus(XItem("Picture"));
  const int Index = XItem("Picture")->Index();
  ASSERT_GE(Index, 1);
  Form->SetActiveControl(Get<TTreeView>("tvXMenu"));
  PumpUntilIdle();
  ASSERT_TRUE(Get<TTreeView>("tvXMenu")->Selected()->EditText());
  PumpUntilIdle();
  const HWND Edit = reinterpret_cast<HWND>(SendMessageA(XTree(), TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(Edit, nullptr);
  SendMessageA(Edit, EM_SETSEL, 0, 0);
  const int Before = ItemCount();
  TMessageBoxAnswerer Boxes;  // any box fails the test
  PostKey(Edit, VK_DELETE);
  char Text[64] = {};
  GetWindowTextA(Edit, Text, sizeof(Text));
  EXPECT_STREQ(Text, "icture");
  for (WORD Key : {WORD(VK_DELETE), WORD(VK_INSERT), WORD(VK_F2)}) PostKey(Edit, Key);
  PostKey(Edit, 'F', true);
  PostKey(Edit, VK_UP, true);
  EXPECT_EQ(ItemCount(), Before);
  EXPECT_EQ(Boxes.Seen(), 0);
  PostKey(Edit, VK_ESCAPE);
  EXPECT_EQ(XItem("Picture")->Index(), Index);
  // The same with the parameters field focused.
  Form->SetActiveControl(Get<TWinControl>("edXParameters"));
  PumpUntilIdle();
  const HWND Parameters = Get<TWinControl>("edXParameters")->Handle();
  for (WORD Key : {WORD(VK_DELETE), WORD(VK_INSERT), WORD(VK_F2)}) PostKey(Parameters, Key);
  PostKey(Parameters, VK_UP, true);
  EXPECT_EQ(ItemCount(), Before);
  EXPECT_EQ(Boxes.Seen(), 0);
  EXPECT_EQ(XItem("Picture")->Index(), Index);
  Form->SetActiveControl(Get<TTreeView>("tvXMenu"));
  PumpUntilIdle();
  // Without editing: Ctrl+Up moves the item.
  PostKey(XTree(), VK_UP, true);
  EXPECT_EQ(XItem("Picture")->Index(), Index - 1);
}

TEST_F(MenuPagesTest, UpDownAndSortStates) {
  Open();
  TTreeItems* Txt = XCategory("txtfile")->Items();
  Focus(Txt->GetItem(0));
  EXPECT_FALSE(Form->Action("actXUp")->Enabled());
  EXPECT_TRUE(Form->Action("actXDown")->Enabled());
  Focus(Txt->GetItem(Txt->Count() - 1));
  EXPECT_TRUE(Form->Action("actXUp")->Enabled());
  EXPECT_FALSE(Form->Action("actXDown")->Enabled());
  // Sort orders the level as the model sorts it.
  TDynamicMenu Expected(Form->FileTypes->FileTypes());
  {
    TCorvIniFile IniFile(Ini());
    Expected.LoadFromIni(IniFile, "Dynamic Items");
  }
  for (int I = 0; I < Expected.Items()->Count(); ++I)
    if (auto* C = dynamic_cast<TCustomFileTypeCategory*>(Expected.Items()->GetItem(I)); C->GetFileType()->Name() == "txtfile")
      C->Items()->Sort();
  Form->Action("actXSort")->Execute();
  PumpUntilIdle();
  EXPECT_EQ(ReadModel(Form->DynamicMenu->Items()), ReadModel(Expected.Items()));
  EXPECT_EQ(TreeTexts(XTree()), ReadModel(Expected.Items()));
}

TEST_F(MenuPagesTest, ExtensionOffDisablesTheTreeAndEveryActiveXAction) {
  Open();
  Focus(XItem("Page"));
  Form->Loading = true;
  Get<TCheckBox>("chkShellExt")->SetChecked(false);
  Form->Loading = false;
  PumpUntilIdle();
  EXPECT_FALSE(Get<TTreeView>("tvXMenu")->Enabled());
  for (const char* Name : {"actXAdd", "actXSeparator", "actXSub", "actXDel", "actXUp", "actXDown", "actXFind",
                           "actXRemoveIcon", "actXRename", "actXSort", "actXMenuNew", "actXMenuOpen", "actXMenuSave",
                           "actXMenuRevert", "actXSelectIcon", "actXMenuCustom"})
    EXPECT_FALSE(Form->Action(Name)->Enabled()) << Name;
}

TEST_F(MenuPagesTest, RemoveIconThenApplyWritesTheEmptyFileAndMinusTwo) {
  Open();
  TDynamicMenuItem* Item = XItem("Picture");
  Focus(Item);
  TAction* Remove = Form->Action("actXRemoveIcon");
  Remove->Update();
  EXPECT_TRUE(Remove->Enabled());
  Remove->Execute();
  PumpUntilIdle();
  EXPECT_EQ(Item->IconFile(), "");
  EXPECT_EQ(Item->IconIndex(), -2);
  EXPECT_TRUE(!Item->Icon() || Item->Icon()->Empty());
  // Without an icon file there is nothing left to remove.
  Remove->Update();
  EXPECT_FALSE(Remove->Enabled());
  Form->Loading = true;
  Get<TCheckBox>("chkShellExt")->SetChecked(false);  // Apply without the extension's calls
  Form->Loading = false;
  Form->Save();
  TCorvIniFile Check(Ini());
  EXPECT_EQ(Check.ReadString("Dynamic Items", "IconFile" + std::to_string(Item->SaveNumber()), "x"), "");
  EXPECT_EQ(Check.ReadString("Dynamic Items", "IconIndex" + std::to_string(Item->SaveNumber()), "x"), "-2");
}

TEST_F(MenuPagesTest, SelectIconThenApplyAndTheRecentIcons) {
  Open();
  TDynamicMenuItem* Item = XItem("Picture");
  Focus(Item);
  char System[MAX_PATH] = {};
  GetSystemDirectoryA(System, MAX_PATH);
  const std::string Shell32 = std::string(System) + "\\shell32.dll";
  // The picker answered with icon 7 of shell32.dll.
  PickIcon(Shell32, 7);
  EXPECT_EQ(Item->IconFile(), Shell32);
  EXPECT_EQ(Item->IconIndex(), 7);
  auto* Recent = dynamic_cast<TMRUManager*>(Form->FindComponent("mruIcons"));
  ASSERT_NE(Recent, nullptr);
  ASSERT_GT(Recent->Strings().Count(), 0);
  EXPECT_EQ(Recent->Strings().Get(0), Shell32 + ", 7");
  EXPECT_EQ(TMRUManager::UserDataOf(Recent->Strings(), 0), 7);

  // Its entry in "Se&lect Recent" reads without folder; a chosen entry whose file is gone goes, with
  // the message, and the item keeps its icon.
  auto* Reselect = dynamic_cast<TMenuItem*>(Form->FindComponent("miReselectIcon"));
  ASSERT_NE(Reselect, nullptr);
  Recent->Add("C:\\gone\\nothing.dll, 3", 3);
  TMenuItem* Shown = nullptr;
  TMenuItem* Gone = nullptr;
  for (int I = 0; I < Reselect->Count(); ++I) {
    if (Reselect->Items(I)->Caption() == "shell32.dll, 7") Shown = Reselect->Items(I);
    if (Reselect->Items(I)->Caption() == "nothing.dll, 3") Gone = Reselect->Items(I);
  }
  EXPECT_NE(Shown, nullptr);
  ASSERT_NE(Gone, nullptr);
  // Opening the submenu (the menu window's notice) gives the entries their pictures: the existing
  // file's icon, none for the gone one.
  SendMessageA(TPopupMenu::Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Reselect->Handle()), 1);
  ASSERT_NE(Shown, nullptr);
  EXPECT_GE(Shown->ImageIndex(), 0);
  EXPECT_EQ(Gone->ImageIndex(), -1);
  {
    TMessageBoxAnswerer Boxes;
    Boxes.Expect(Application->Title(), "Error loading icon from specified file", IDOK);
    Gone->Click();
    PumpUntilIdle();
  }
  EXPECT_EQ(Item->IconFile(), Shell32);
  EXPECT_EQ(Item->IconIndex(), 7);
  for (int I = 0; I < Recent->Strings().Count(); ++I) EXPECT_NE(Recent->Strings().Get(I), "C:\\gone\\nothing.dll, 3");

  // Apply writes the chosen icon.
  Form->Loading = true;
  Get<TCheckBox>("chkShellExt")->SetChecked(false);  // Apply without the extension's calls
  Form->Loading = false;
  Form->Save();
  TCorvIniFile Check(Ini());
  EXPECT_EQ(Check.ReadString("Dynamic Items", "IconFile" + std::to_string(Item->SaveNumber()), "x"), Shell32);
  EXPECT_EQ(Check.ReadString("Dynamic Items", "IconIndex" + std::to_string(Item->SaveNumber()), "x"), "7");

  // Closing the window stores the recent icons in their section: the newest first, its index as user value.
  Form->Close();
  PumpUntilIdle();
  delete Form;
  Form = nullptr;
  char Value[MAX_PATH] = {};
  GetPrivateProfileStringA("Corvane\\TfrmMain.mruIcons", "Item_0", "", Value, sizeof(Value), Ini().c_str());
  EXPECT_EQ(std::string(Value), Shell32 + ", 7");
  EXPECT_EQ(GetPrivateProfileIntA("Corvane\\TfrmMain.mruIcons", "User_0", 0, Ini().c_str()), 7);
}

TEST_F(MenuPagesTest, ANewIconIsPaintedInTheNodeWithoutAForcedRedraw) {
  const std::string Color1 = Dir.File("color1.ico"), Color2 = Dir.File("color2.ico");
  WriteIcon(Color1, RGB(0, 255, 0));
  WriteIcon(Color2, RGB(255, 0, 255));
  Open();
  TDynamicMenuItem* Item = XItem("One");
  Focus(Item);
  Item->SetIconFile(Color1);
  Item->SetIconIndex(0);
  TTreeView* Tree = Get<TTreeView>("tvXMenu");
  auto Cell = [&](const TWindowCapture& Shot) {
    const RECT Text = FindItemNode(Item, Tree)->DisplayRect(true);
    return Shot.ClientPixel(XTree(), Text.left - Tree->Indent() + 8, (Text.top + Text.bottom) / 2);
  };
  ASSERT_EQ(Cell(TWindowCapture(Form->Handle())), RGB(0, 255, 0));
  // The recent entry: one paint cycle, the screen taken as it is.
  auto* Recent = FindByName<TMRUManager>(Form, "mruIcons");
  auto* Reselect = FindByName<TMenuItem>(Form, "miReselectIcon");
  ASSERT_TRUE(Recent && Reselect);
  Recent->Add(Color2 + ", 0", 0);
  TMenuItem* Entry = nullptr;
  for (int I = 0; I < Reselect->Count(); ++I)
    if (Reselect->Items(I)->Caption() == "color2.ico, 0") Entry = Reselect->Items(I);
  ASSERT_NE(Entry, nullptr);
  Entry->Click();
  PumpUntilIdle();
  EXPECT_EQ(Item->IconFile(), Color2);
  EXPECT_EQ(Cell(TWindowCapture(Form->Handle(), false)), RGB(255, 0, 255));
  // The picker's OK the same way.
  PickIcon(Color1, 0);
  PumpUntilIdle();
  EXPECT_EQ(Item->IconFile(), Color1);
  const TWindowCapture Shot(Form->Handle(), false);
  EXPECT_EQ(Cell(Shot), RGB(0, 255, 0));
  Shot.SavePng("app_submenu_icon_changed");
}

TEST_F(MenuPagesTest, AddItemAnsweredWithNotepadOrCancelled) {
  Open();
  const std::string Notepad = GetWindowsFolder() + "notepad.exe";
  ASSERT_TRUE(FileExists(Notepad));
  TVersionStrings Info;
  const std::string Expected = GetFileVersionStrings(Notepad, Info) && !Info.FileDescription.empty()
                                   ? Info.FileDescription
                                   : std::string("notepad");
  Focus(XItem("One"));  // an item: its owner (the submenu) takes the new one
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Notepad);
    Form->Action("actXAdd")->Execute();
    PumpUntilIdle();
    EXPECT_EQ(Dialogs.Caption, "Select an application");
  }
  TDynamicMenuItem* Added = XItem(Expected);
  ASSERT_NE(Added, nullptr);
  EXPECT_EQ(Added->GetParentSubMenu(), XItem("Tools"));
  EXPECT_EQ(Added->Application(), Notepad);
  EXPECT_EQ(Added->IconFile(), Notepad);
  EXPECT_EQ(Added->IconIndex(), 0);
  const int Count = ItemCount();
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer("");
    Form->Action("actXAdd")->Execute();
    PumpUntilIdle();
  }
  EXPECT_EQ(ItemCount(), Count);
  // A separator of eighteen dashes, a submenu whose caption is edited at once.
  Form->Action("actXSeparator")->Execute();
  PumpUntilIdle();
  EXPECT_EQ(Get<TTreeView>("tvXMenu")->Selected()->Text(), SeparatorCaption());
  Form->Action("actXSub")->Execute();
  PumpUntilIdle();
  EXPECT_NE(SendMessageA(XTree(), TVM_GETEDITCONTROL, 0, 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Menu files

TEST_F(MenuPagesTest, MenuFilesSaveOpenRevertAndAFailingOpen) {
  for (const bool ModifiedFirst : {false, true}) {
    SCOPED_TRACE(ModifiedFirst ? "modified" : "unmodified");
    Open();
    if (ModifiedFirst) XItem("Page")->SetCaption("Page 2");
    PumpUntilIdle();
    const std::string Saved = Dir.File(ModifiedFirst ? "saved2.ini" : "saved.ini");
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Saved);
    Form->Action("actXMenuSave")->Execute();
    PumpUntilIdle();
    EXPECT_EQ(Dialogs.Caption, "Save menu");
    EXPECT_EQ(ApplyEnabled(), ModifiedFirst);
    {
      TCorvIniFile Written(Dir.File("expected.ini"));
      Form->DynamicMenu->SaveToIni(Written, "Dynamic Items");
      Written.UpdateFile();
      Form->DynamicMenu->SetModified(ModifiedFirst);
    }
    EXPECT_EQ(FileBytesOr(Saved, ""), FileBytesOr(Dir.File("expected.ini"), "-"));
    delete Form;
    Form = nullptr;
  }
  Open();
  const auto Before = ReadModel(Form->DynamicMenu->Items());
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Dir.File("saved2.ini"));
    Form->Action("actXMenuOpen")->Execute();
    PumpUntilIdle();
    EXPECT_EQ(Dialogs.Caption, "Open menu");
  }
  EXPECT_NE(XItem("Page 2"), nullptr);
  EXPECT_TRUE(ApplyEnabled());
  EXPECT_EQ(TreeTexts(XTree()), ReadModel(Form->DynamicMenu->Items()));
  {
    TMessageBoxAnswerer Boxes;
    Boxes.Expect("Corvane 2007", "Revert to the last saved version of menu structure?", IDOK);
    Form->Action("actXMenuRevert")->Execute();
    PumpUntilIdle();
  }
  EXPECT_EQ(ReadModel(Form->DynamicMenu->Items()), Before);
  EXPECT_FALSE(ApplyEnabled());
  // A file that cannot be read: an error box, the items and Apply as they were.
  XItem("Page")->SetCaption("Kept");
  PumpUntilIdle();
  const auto Shown = ReadModel(Form->DynamicMenu->Items());
  HANDLE Lock = CreateFileA(Dir.File("saved.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Dir.File("saved.ini"));
    TMessageBoxAnswerer Boxes;
    bool Raised = false;
    try {
      Form->Action("actXMenuOpen")->Execute();
    } catch (Exception&) {
      Raised = true;
    }
    EXPECT_TRUE(Raised);
  }
  CloseHandle(Lock);
  EXPECT_EQ(ReadModel(Form->DynamicMenu->Items()), Shown);
  EXPECT_TRUE(Form->DynamicMenu->Modified());
  // New: OK empties the menu.
  TMessageBoxAnswerer Boxes;
  Boxes.Expect("Corvane 2007", "Clear all the existing menu items to start from nothing?", IDOK);
  Form->Action("actXMenuNew")->Execute();
  PumpUntilIdle();
  EXPECT_EQ(Form->DynamicMenu->Items()->Count(), 0);
  EXPECT_EQ(TreeTexts(XTree()).size(), 0u);
}

// A missing file, random bytes and an INI file without "Dynamic Items", chosen in the dialog or in
// the recent list: a box names the file; the items, the modified state and the recent list stay,
// but for a recent entry whose file is gone. A menu file with no items opens an empty menu.
TEST_F(MenuPagesTest, OpeningAMissingOrForeignMenuFileChangesNothing) {
  Open();
  auto* Dialog = FindByName<TOpenDialog>(Form, "OpenDialog");
  ASSERT_NE(Dialog, nullptr);
  EXPECT_NE(Dialog->Options & ofFileMustExist, 0u);
  const std::string Gone = Dir.File("gone.ini"), Random = Dir.File("random.ini"), Foreign = Dir.File("foreign.ini");
  std::string Bytes(4096, '\0');
  uint32_t Seed = 2029;
  for (char& C : Bytes) C = static_cast<char>((Seed = Seed * 1103515245u + 12345u) >> 24);
  ASSERT_TRUE(WriteBytes(Random, Bytes));
  ASSERT_TRUE(WriteBytes(Foreign, "[Static Items]\r\nCount=0\r\n[Other]\r\nCaption1=x\r\n"));
  auto* Recent = FindByName<TMRUManager>(Form, "mruMenus");
  for (const std::string& File : {Gone, Random, Foreign}) Recent->Add(File, 0);
  const auto Shown = ReadModel(Form->DynamicMenu->Items());
  auto RecentNames = [&] {
    std::vector<std::string> Names;
    for (int I = 0; I < Recent->Strings().Count(); ++I) Names.push_back(Recent->Strings().Get(I));
    return Names;
  };
  const std::vector<std::string> RecentBefore = RecentNames();
  ASSERT_EQ(RecentBefore.size(), 3u);
  // The dialog itself refuses a file that does not exist; it is cancelled then.
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Gone);
    Dialogs.AnswerPrompt(IDOK);
    Dialogs.Answer("");
    Form->Action("actXMenuOpen")->Execute();
    PumpUntilIdle();
    EXPECT_EQ(Dialogs.Prompts.size(), 1u);
  }
  EXPECT_EQ(ReadModel(Form->DynamicMenu->Items()), Shown);
  const struct {
    const char* What;
    std::string File;
    bool FromRecent;
    std::string Text;
  } Cases[] = {
      {"random bytes from the dialog", Random, false, "File \"" + Random + "\" is not a menu items file."},
      {"foreign INI file from the dialog", Foreign, false, "File \"" + Foreign + "\" is not a menu items file."},
      {"foreign INI file from the recent list", Foreign, true, "File \"" + Foreign + "\" is not a menu items file."},
      {"gone file from the recent list", Gone, true, "Menu file \"" + Gone + "\" does not exist."},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    TMessageBoxAnswerer Boxes;
    Boxes.Expect("Corvane 2007", C.Text, IDOK);
    if (C.FromRecent) {
      TMenuItem* Reopen = FindByName<TMenuItem>(Form, "miReopen");
      const auto Names = RecentNames();
      const int Index = static_cast<int>(std::find(Names.begin(), Names.end(), C.File) - Names.begin());
      ASSERT_LT(Index, Reopen->Count());
      Reopen->Items(Index)->Click();
    } else {
      TFileDialogAnswerer Dialogs;
      Dialogs.Answer(C.File);
      Form->Action("actXMenuOpen")->Execute();
    }
    PumpUntilIdle();
    EXPECT_EQ(ReadModel(Form->DynamicMenu->Items()), Shown);
    EXPECT_FALSE(Form->DynamicMenu->Modified());
    EXPECT_FALSE(ApplyEnabled());
  }
  // Only the entry whose file is gone left the recent list.
  std::vector<std::string> Expected = RecentBefore;
  std::erase(Expected, Gone);
  EXPECT_EQ(RecentNames(), Expected);
  // A menu file that holds no items opens an empty menu.
  const std::string Empty = Dir.File("empty.ini");
  ASSERT_TRUE(WriteBytes(Empty, "[Dynamic Items]\r\nCount=0\r\n"));
  {
    TFileDialogAnswerer Dialogs;
    Dialogs.Answer(Empty);
    Form->Action("actXMenuOpen")->Execute();
    PumpUntilIdle();
  }
  EXPECT_EQ(Form->DynamicMenu->Items()->Count(), 0);
  EXPECT_TRUE(ApplyEnabled());
}

// ---------------------------------------------------------------------------------------------
// Static page

TEST_F(MenuPagesTest, StaticCheckBoxTogglesOnDownAndUpOnTheSameNode) {
  Open(0);
  TTreeView* Tree = Get<TTreeView>("tvMenu");
  TStaticMenuItem* On = nullptr;
  TStaticMenuItem* Off = nullptr;
  Form->StaticMenu->ForEachItem([&](TStaticMenuItem* Item) { (Item->Checked() ? On : Off) = Item; });
  ASSERT_TRUE(On && Off);
  auto IconPoint = [&](TStaticMenuItem* Item) {
    const RECT R = FindItemNode(Item, Tree)->DisplayRect(true);
    return MAKELPARAM(R.left - Tree->Indent() + 8, (R.top + R.bottom) / 2);
  };
  auto Probe = [&](TStaticMenuItem* Item) {
    const TWindowCapture Shot(Form->Handle());
    const RECT R = FindItemNode(Item, Tree)->DisplayRect(true);
    int Dark = 0;
    for (int X = R.left - Tree->Indent() + 4; X < R.left - Tree->Indent() + 13; ++X)
      for (int Y = R.top + 4; Y < R.bottom - 4; ++Y) {
        const COLORREF C = Shot.ClientPixel(STree(), X, Y);
        Dark += GetRValue(C) + GetGValue(C) + GetBValue(C) < 200;
      }
    return Dark;
  };
  const int CheckedDark = Probe(On), UncheckedDark = Probe(Off);
  EXPECT_GT(CheckedDark, UncheckedDark);  // the tick
  // The view eats the release of a press on an item and the tree takes it at the pointer: the
  // pointer is put where the button goes up.
  auto Click = [&](TStaticMenuItem* Down, TStaticMenuItem* Up) {
    POINT P{GET_X_LPARAM(IconPoint(Up)), GET_Y_LPARAM(IconPoint(Up))};
    ClientToScreen(STree(), &P);
    ASSERT_TRUE(BringToForeground(Form->Handle()));
    SetCursorPos(P.x, P.y);
    for (int I = 0; I < 5; ++I) {  // the display's own motion for the warp comes late under load
      Sleep(40);
      PumpUntilIdle();
    }
    PostMessageA(STree(), WM_LBUTTONDOWN, MK_LBUTTON, IconPoint(Down));
    PostMessageA(STree(), WM_LBUTTONUP, 0, IconPoint(Up));
    PumpUntilIdle();
  };
  // Down and up on the inactive item's box: checked.
  Click(Off, Off);
  EXPECT_TRUE(Off->Checked());
  EXPECT_FALSE(DragObject());
  EXPECT_EQ(Probe(Off), CheckedDark);
  // Down on one box and up on the other: nothing changes.
  Click(On, Off);
  EXPECT_TRUE(On->Checked());
  EXPECT_TRUE(Off->Checked());
  // Apply writes the verbs: the unchecked one's key absent, the checked one's command there.
  Click(On, On);
  ASSERT_FALSE(On->Checked());
  Form->Save();
  HKEY Key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ("corvpagefile\\shell\\" + On->Caption() + " (*)").c_str(), 0, KEY_READ, &Key),
            ERROR_SUCCESS);
  char Command[MAX_PATH] = {};
  LONG Size = sizeof(Command);
  EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ("corvpagefile\\shell\\" + Off->Caption() + " (*)\\command").c_str(), Command,
                           &Size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(Command), VerbCommand(Off->Application(), Off->Parameters()));
}

// ---------------------------------------------------------------------------------------------
// Find and drops

TEST_F(MenuPagesTest, FindExploresTheFolderOrShowsTheShellsError) {
  Open();
  Focus(XItem("Page"));
  XItem("Page")->SetApplication(Dir.File("missing\\app.exe"));
  bool Raised = false;
  std::string Message;
  try {
    Form->Action("actXFind")->Execute();
  } catch (Exception& E) {
    Raised = true;
    Message = E.Message();
  }
  ASSERT_TRUE(Raised);
  const INT_PTR Code = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "explore", Dir.File("missing\\").c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  EXPECT_EQ(Message, SysErrorMessage(static_cast<DWORD>(Code)));
  static std::vector<std::string> Calls;
  Calls.clear();
  const TShellOpenProc Old = SetShellOpenProc([](HWND, const std::string& Operation, const std::string& File, int) -> INT_PTR {
    Calls.push_back(Operation + " " + File);
    return 42;
  });
  XItem("Page")->SetApplication(Dir.File("app.exe"));
  Form->Action("actXFind")->Execute();
  SetShellOpenProc(Old);
  EXPECT_EQ(Calls, std::vector<std::string>{"explore " + Dir.File("")});
}

TEST_F(MenuPagesTest, ABrowsedPathWithABlankIsQuotedInTheEditBareInTheModelAndStartsFromTheShell) {
  char ProgramFiles[MAX_PATH] = {};
  ASSERT_NE(GetEnvironmentVariableA("ProgramFiles", ProgramFiles, MAX_PATH), 0u);
  shellhost::TRecorder Recorder(std::string(ProgramFiles) + "\\x y", "rec.exe");
  ASSERT_TRUE(Recorder.Copied());
  const std::string Program = Recorder.Path();
  const std::string Quoted = "\"" + Program + "\"";
  const std::string Folder = ExtractFilePath(Program);
  const std::string Selected = "C:\\my docs\\a b.txt";
  Open();
  struct TPage {
    const char* Name;
    int Index;
    const char* Add;
    const char* Edit;
    const char* Find;
    const char* Section;
  };
  const TPage Pages[] = {{"static", 0, "actAdd", "edApplication", "actFind", "Static Items"},
                         {"dynamic", 1, "actXAdd", "edXApplication", "actXFind", "Dynamic Items"}};
  for (const TPage& P : Pages) {
    SCOPED_TRACE(P.Name);
    Get<TPageControl>("pgcMain")->SetActivePageIndex(P.Index);
    Form->pgcMainChange(Form);
    Focus(P.Index == 0 ? static_cast<TTreeItem*>(SCategory("corvpagefile")) : XCategory("txtfile"));
    {
      TFileDialogAnswerer Dialogs;
      Dialogs.Answer(Program);
      Form->Action(P.Add)->Execute();
      PumpUntilIdle();
      EXPECT_EQ(Dialogs.Seen, 1);
    }
    TCustomMenu* Menu = P.Index == 0 ? static_cast<TCustomMenu*>(Form->StaticMenu) : Form->DynamicMenu;
    auto* Added = dynamic_cast<TCustomMenuItem*>(Menu->Focused());
    ASSERT_NE(Added, nullptr);
    EXPECT_EQ(Get<TControl>(P.Edit)->Text(), Quoted);
    EXPECT_EQ(Added->Application(), Program);
    // Find opens the folder of the bare path, also when the model holds it quoted.
    static std::vector<std::string> Calls;
    Calls.clear();
    const TShellOpenProc Old = SetShellOpenProc([](HWND, const std::string& Operation, const std::string& File, int) -> INT_PTR {
      Calls.push_back(Operation + " " + File);
      return 42;
    });
    Form->Action(P.Find)->Execute();
    Added->SetApplication(Quoted);
    Form->Action(P.Find)->Execute();
    Added->SetApplication(Program);
    SetShellOpenProc(Old);
    EXPECT_EQ(Calls, std::vector<std::string>(2, "explore " + Folder));
    if (P.Index == 1) {
      Get<TControl>("edXParameters")->SetText("%1");
      PumpUntilIdle();
    }
    Form->Save();
    const std::vector<std::string> Lines = SectionLines(FileBytesOr(Ini(), ""), P.Section);
    const auto Written = std::find_if(Lines.begin(), Lines.end(), [&](const std::string& Line) {
      return Line.rfind("Application", 0) == 0 && Line.size() > Program.size() &&
             Line.compare(Line.size() - Program.size() - 1, std::string::npos, "=" + Program) == 0;
    });
    EXPECT_NE(Written, Lines.end()) << FileBytesOr(Ini(), "");
    if (P.Index == 0) {
      std::string Command;
      HKEY Key = nullptr;
      const std::string Path = "corvpagefile\\shell\\" + Added->Caption() + " (*)\\command";
      ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, Path.c_str(), 0, KEY_READ, &Key), ERROR_SUCCESS) << Path;
      char Value[MAX_PATH * 2] = {};
      DWORD Size = sizeof(Value);
      RegQueryValueExA(Key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(Value), &Size);
      RegCloseKey(Key);
      EXPECT_EQ(std::string(Value), Quoted + " \"%1\"");
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ("corvpagefile\\shell\\" + Added->Caption() + " (*)").c_str());
      continue;
    }
    // The shell starts the saved item, and one that an older build saved with its quotes.
    const std::string Expected = Quoted + " \"" + Selected + "\"";
    for (const std::string& Stored : {std::string("Dynamic"), "'" + Quoted + "'"}) {
      SCOPED_TRACE(Stored);
      const std::string Text =
          Stored == "Dynamic" ? FileBytesOr(Ini(), "")
                              : "[Dynamic Items]\r\nParent1=0\r\nApplication1=" + Stored +
                                    "\r\nParameters1=%1\r\nCaption1=" + Added->Caption() +
                                    "\r\nChecked1=1\r\nFileType1=txtfile\r\nCount=1\r\n";
      shellhost::TRecord Record;
      InvokeFromShell(Text, Added->Caption(), Selected, Recorder, Record);
      EXPECT_EQ(Record.CommandLine, Expected);
    }
  }
}

// The captions of a menu's entries, without their shortcut texts ("" for a separator).
std::vector<std::string> MenuCaptions(HMENU Menu) {
  std::vector<std::string> Result;
  for (int I = 0; I < GetMenuItemCount(Menu); ++I) {
    char Text[256] = {};
    GetMenuStringA(Menu, static_cast<UINT>(I), Text, sizeof(Text), MF_BYPOSITION);
    std::string Caption = Text;
    Result.push_back(Caption.substr(0, Caption.find('\t')));
  }
  return Result;
}

TEST_F(MenuPagesTest, RightClickMenuKeyAndShiftF10OpenTheTreesPopupOnTheNodeUnderTheMouse) {
  Open();
  struct TTree {
    const char* Name;
    int Page;
    std::vector<std::string> Entries;
  };
  const TTree Trees[] = {
      {"tvMenu", 0, {"&Add Item", "&Rename", "&Delete", "&Find Application", "", "Move &Up", "Move Do&wn", "",
                     "&Sort by Name", "", "&Quick Hint"}},
      {"tvXMenu", 1, {"&Add Item", "Add Sub&menu", "Add &Separator", "", "&Rename", "&Delete", "&Find Application", "",
                      "Move &Up", "Move Do&wn", "", "&Customize...", "Sort by &Name", "", "&Quick Hint"}}};
  enum TWay { RightClick, MenuKey, ShiftF10 };
  for (const TTree& T : Trees) {
    for (const TWay Way : {RightClick, MenuKey, ShiftF10}) {
      SCOPED_TRACE(std::string(T.Name) + (Way == RightClick ? ": right click" : Way == MenuKey ? ": menu key" : ": Shift+F10"));
      Get<TPageControl>("pgcMain")->SetActivePageIndex(T.Page);
      Form->pgcMainChange(Form);
      auto* Tree = Get<TTreeView>(T.Name);
      TCustomMenu* Menu = T.Page == 0 ? static_cast<TCustomMenu*>(Form->StaticMenu) : Form->DynamicMenu;
      TTreeItem* Category = Menu->GetItems()->GetItem(0);
      TTreeItem* Target = Category->Items()->GetItem(0);
      Focus(Category);
      Form->SetActiveControl(Tree);
      SetForegroundWindow(Form->Handle());
      PumpUntilIdle();
      TTreeNode* Node = FindItemNode(Target, Tree);
      ASSERT_NE(Node, nullptr);
      ASSERT_FALSE(Node->Selected());
      const RECT Label = Node->DisplayRect(true);
      POINT At{(Label.left + Label.right) / 2, (Label.top + Label.bottom) / 2};
      ClientToScreen(Tree->Handle(), &At);
      ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "before moving the pointer";
      ASSERT_TRUE(MovePointerTo(Form->Handle(), At));
      std::vector<std::string> Shown;
      bool SelectedWhenShown = false;
      TWhileMenuOpen Read([&](HWND MenuWnd) {
        Shown = MenuCaptions(reinterpret_cast<HMENU>(SendMessageA(MenuWnd, MN_GETHMENU, 0, 0)));
        SelectedWhenShown = FindItemNode(Target, Tree)->Selected();
        EndMenu();
      });
      if (Way == RightClick) {
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "before the right click";
        INPUT In[2]{};
        In[0].type = In[1].type = INPUT_MOUSE;
        In[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
        In[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        ASSERT_TRUE(SendInputTo(Form->Handle(), In, 2));
      } else {
        // The keys act on the selected node: the target is selected first.
        Focus(Target);
        Form->SetActiveControl(Tree);
        PumpUntilIdle();
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "before the key";
        INPUT In[4]{};
        int Count = 0;
        const WORD Key = Way == MenuKey ? VK_APPS : VK_F10;
        if (Way == ShiftF10) In[Count].type = INPUT_KEYBOARD, In[Count++].ki.wVk = VK_SHIFT;
        In[Count].type = INPUT_KEYBOARD, In[Count++].ki.wVk = Key;
        In[Count].type = INPUT_KEYBOARD, In[Count].ki.wVk = Key, In[Count++].ki.dwFlags = KEYEVENTF_KEYUP;
        if (Way == ShiftF10) In[Count].type = INPUT_KEYBOARD, In[Count].ki.wVk = VK_SHIFT, In[Count++].ki.dwFlags = KEYEVENTF_KEYUP;
        ASSERT_TRUE(SendInputTo(Form->Handle(), In, static_cast<UINT>(Count)));
      }
      EXPECT_TRUE(PumpUntil([&] { return Read.Done(); }, 5000));
      PumpUntilIdle();
      EXPECT_EQ(Shown, T.Entries);
      EXPECT_TRUE(SelectedWhenShown);
      EXPECT_EQ(Menu->Focused(), Target);
    }
  }
}

TEST_F(MenuPagesTest, ShellDropsOnTheTreesBecomeItems) {
  Open();
  Focus(XCategory("corvpagefile"));
  const std::vector<std::string> Three{Dir.File("a.exe"), Dir.File("b.exe"), Dir.File("c.exe")};
  for (const std::string& Name : Three)  // programs with an icon
    ASSERT_TRUE(CopyFileA((GetWindowsFolder() + "notepad.exe").c_str(), Name.c_str(), FALSE));
  PostMessageA(XTree(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop(Three)), 0);
  PumpUntilIdle();
  for (const char* Name : {"a.exe", "b.exe", "c.exe"}) {
    TDynamicMenuItem* Item = XItem(Name);
    ASSERT_NE(Item, nullptr) << Name;
    EXPECT_EQ(Item->Application(), Dir.File(Name));
    EXPECT_EQ(Item->IconFile(), Dir.File(Name));
    EXPECT_EQ(Item->IconIndex(), 0);
    EXPECT_EQ(Item->GetFileType()->Name(), "corvpagefile");
  }
  EXPECT_TRUE(XItem("c.exe")->Focused());
  EXPECT_EQ(TreeTexts(XTree()), ReadModel(Form->DynamicMenu->Items()));
  const int Before = ItemCount();
  PostMessageA(XTree(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({Dir.File("d.exe")})), 0);
  PumpUntilIdle();
  EXPECT_EQ(ItemCount(), Before + 1);
  ASSERT_NE(XItem("d.exe"), nullptr);
  EXPECT_TRUE(XItem("d.exe")->Focused());
  // With the extension off the tree takes no files.
  Form->Loading = true;
  Get<TCheckBox>("chkShellExt")->SetChecked(false);
  Form->Loading = false;
  PostMessageA(XTree(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({Dir.File("e.exe")})), 0);
  PumpUntilIdle();
  EXPECT_EQ(XItem("e.exe"), nullptr);
  // The static tree: static items without icons.
  Get<TPageControl>("pgcMain")->SetActivePageIndex(0);
  Form->pgcMainChange(Form);
  Form->StaticMenu->GetItems()->GetItem(0)->Focus();
  PumpUntilIdle();
  PostMessageA(STree(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({Dir.File("s.exe"), Dir.File("t.exe")})), 0);
  PumpUntilIdle();
  std::vector<std::string> Static;
  Form->StaticMenu->ForEachItem([&](TStaticMenuItem* Item) {
    if (Item->Application().rfind(Dir.File(""), 0) == 0) Static.push_back(Item->Caption());
  });
  EXPECT_EQ(Static, (std::vector<std::string>{"s.exe", "t.exe"}));
  EXPECT_EQ(TreeTexts(STree()), ReadModel(Form->StaticMenu->Items()));
}

// A name with brackets dropped on the application field is taken as it is: no error.
TEST_F(MenuPagesTest, DroppedNameWithBracketsFillsTheApplicationField) {
  Open();
  Focus(XItem("Page"));
  TMessageBoxAnswerer NoBox;  // an error would show one
  auto* Edit = Get<TWinControl>("edXApplication");
  const std::string Name = "C:\\Downloads\\setup[1].exe";
  PostMessageA(Edit->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({Name})), 0);
  PumpUntilIdle();
  EXPECT_EQ(Edit->Text(), Name);
  EXPECT_EQ(XItem("Page")->Application(), Name);
  EXPECT_EQ(NoBox.Seen(), 0);
}

// "Open &Recent" lists its files with the accelerator, a blank and the name.
TEST_F(MenuPagesTest, RecentMenuFilesReadAcceleratorBlankName) {
  WriteBytes(Ini(), FileBytesOr(Ini(), "") + "[Corvane\\TfrmMain.mruMenus]\r\nItem_0=C:\\m\\one.ini\r\nItem_1=C:\\m\\two.ini\r\n");
  Open();
  auto* Reopen = FindByName<TMenuItem>(Form, "miReopen");
  ASSERT_NE(Reopen, nullptr);
  const std::vector<std::string> Expected{"&1 C:\\m\\one.ini", "&2 C:\\m\\two.ini"};
  ASSERT_EQ(GetMenuItemCount(Reopen->Handle()), static_cast<int>(Expected.size()));
  for (size_t I = 0; I < Expected.size(); ++I) {
    char Text[MAX_PATH] = {};
    GetMenuStringA(Reopen->Handle(), static_cast<UINT>(I), Text, sizeof(Text), MF_BYPOSITION);
    EXPECT_EQ(std::string(Text), Expected[I]);
  }
}

// The buttons of the application field and of the file-type drop-down keep their face on the screen
// through focus changes and the drop-down opening and closing.
TEST_F(MenuPagesTest, FieldButtonsKeepTheirFace) {
  Open(0);
  Focus(SItem(Caption));
  auto* Application = Get<TFilenameEdit>("edApplication");
  auto* Types = Get<TFileTypeComboBox>("cbFileType");
  auto* Parameters = Get<TWinControl>("edParameters");
  ASSERT_TRUE(Application->Enabled() && Types->Enabled());
  for (TCustomComboEdit* Edit : {static_cast<TCustomComboEdit*>(Application), static_cast<TCustomComboEdit*>(Types)}) {
    SCOPED_TRACE(Edit->Name());
    const HWND Holder = Edit->BtnControl()->Handle();
    const int Shown = DarkPixelsOnScreen(Holder);
    EXPECT_GT(Shown, 0);
    const std::vector<std::pair<const char*, std::function<void()>>> Steps{
        {"focused", [&] { Edit->SetFocus(); }},
        {"unfocused", [&] { Parameters->SetFocus(); }},
        {"drop-down open", [&] { Edit->SetFocus(); if (Edit == Types) Types->DoClick(); }},
        {"drop-down closed", [&] { if (Edit == Types) Types->DoClick(); }},
        {"unfocused again", [&] { Parameters->SetFocus(); }}};
    for (const auto& [Name, Step] : Steps) {
      SCOPED_TRACE(Name);
      Step();
      PumpUntilIdle(30);
      EXPECT_EQ(DarkPixelsOnScreen(Holder), Shown);
    }
    EXPECT_FALSE(Edit->PopupVisible());
  }
}

// ---------------------------------------------------------------------------------------------
// Dragging in the trees

// Whether the picture cell in front of Node's text (where the pages draw their glyphs) shows image
// Glyph of Images as drawn on the tree's background.
bool CellShowsGlyph(const TWindowCapture& Shot, TTreeView* Tree, TTreeNode* Node, TCustomImageList* Images, int Glyph) {
  const int W = Images->Width(), H = Images->Height();
  const RECT Text = Node->DisplayRect(true);
  const int Left = Text.left - Tree->Indent(), Top = Text.top + (Text.bottom - Text.top - H) / 2;
  HDC Screen = GetDC(nullptr);
  HDC DC = CreateCompatibleDC(Screen);
  HBITMAP Bitmap = CreateCompatibleBitmap(Screen, W, H);
  HGDIOBJ Old = SelectObject(DC, Bitmap);
  RECT All{0, 0, W, H};
  FillRect(DC, &All, GetSysColorBrush(COLOR_WINDOW));
  Images->Draw(DC, 0, 0, Glyph);
  int Different = 0;
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) Different += !NearColor(GetPixel(DC, X, Y), Shot.ClientPixel(Tree->Handle(), Left + X, Top + Y), 4);
  SelectObject(DC, Old);
  DeleteObject(Bitmap);
  DeleteDC(DC);
  ReleaseDC(nullptr, Screen);
  return Different <= 4;
}

TEST_F(MenuPagesTest, ARealDragMarksTheAcceptingNodeUnderThePointerAndEveryEndTakesTheMarkAway) {
  enum TEnd { EscKey, Drop, LeaveTree };
  for (const bool Static : {false, true}) {
    for (const TEnd End : {EscKey, Drop, LeaveTree}) {
      SCOPED_TRACE(std::string(Static ? "static" : "dynamic") +
                   (End == EscKey ? ", Esc" : End == Drop ? ", drop" : ", leaving the tree"));
      delete Form;
      Form = nullptr;
      PumpUntilIdle();
      Open(Static ? 0 : 1);
      auto* Tree = Get<TTreeView>(Static ? "tvMenu" : "tvXMenu");
      auto* Glyphs = Get<TCustomImageList>("ilGlyphs");
      TTreeItem* DraggedItem = Static ? static_cast<TTreeItem*>(SItem(Caption)) : XItem("Picture");
      TTreeItem* OverItem = Static ? static_cast<TTreeItem*>(SItem(Caption + " off")) : XItem("Inactive");
      ASSERT_TRUE(DraggedItem && OverItem);
      const int OverIndex = OverItem->Index();
      Focus(DraggedItem);
      Form->SetActiveControl(Tree);
      SetForegroundWindow(Form->Handle());
      PumpUntilIdle();
      auto ScreenPoint = [&](TTreeNode* Node, int DX = 0, int DY = 0) {
        POINT P = LabelCenter(Node);
        P.x += DX, P.y += DY;
        ClientToScreen(Tree->Handle(), &P);
        return P;
      };
      auto Step = [&](const char* Name, POINT P) {
        SCOPED_TRACE(Name);
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << Name;
        MovePointerTo(Form->Handle(), P);
        PumpUntilIdle(30, 1000);
      };
      auto Button = [&](const char* Name, DWORD Flags) {
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << Name;
        INPUT In{};
        In.type = INPUT_MOUSE;
        In.mi.dwFlags = Flags;
        ASSERT_TRUE(SendInputTo(Form->Handle(), &In, 1));
        PumpUntilIdle(30, 1000);
      };
      TTreeNode* Dragged = FindItemNode(DraggedItem, Tree);
      Step("to the dragged node", ScreenPoint(Dragged));
      {
        // The press and the pull in one go: the view waits for the pull inside its press handling.
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "press and pull";
        INPUT In[3]{};
        In[0].type = In[1].type = In[2].type = INPUT_MOUSE;
        In[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        for (int I = 1; I <= 2; ++I) {
          const POINT P = ScreenPoint(Dragged, 6 * I, 4 * I);
          In[I].mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
          In[I].mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
          In[I].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        }
        ASSERT_TRUE(SendInputTo(Form->Handle(), In, 3));
        PumpUntilIdle(30, 1000);
      }
      ASSERT_TRUE(Tree->Dragging());
      TTreeNode* Over = FindItemNode(OverItem, Tree);
      Step("over the target", ScreenPoint(Over, 0, -2));
      Step("still over the target", ScreenPoint(Over));
      const auto DropHilite = [&] {
        return reinterpret_cast<HTREEITEM>(SendMessageA(Tree->Handle(), TVM_GETNEXTITEM, TVGN_DROPHILITE, 0));
      };
      EXPECT_EQ(DropHilite(), Over->ItemId());
      {
        const TWindowCapture Shot(Form->Handle(), false);
        Shot.SavePng(Static ? "app_static_drag_mark" : "app_submenu_drag_mark");
        EXPECT_TRUE(CellShowsGlyph(Shot, Tree, Over, Glyphs, 2));
        // The dragged node keeps its own picture: its check box, or its red PNG.
        if (Static) {
          EXPECT_TRUE(CellShowsGlyph(Shot, Tree, Dragged, Glyphs, 1));
        } else {
          const RECT Text = Dragged->DisplayRect(true);
          EXPECT_EQ(Shot.ClientPixel(Tree->Handle(), Text.left - Tree->Indent() + 8, (Text.top + Text.bottom) / 2),
                    RGB(255, 0, 0));
        }
      }
      // Below the last node nothing accepts: the mark goes, the drag picture follows the pointer.
      RECT Client{};
      GetClientRect(Tree->Handle(), &Client);
      POINT Empty{40, Client.bottom - 30};
      ClientToScreen(Tree->Handle(), &Empty);
      Step("below the nodes", Empty);
      EXPECT_EQ(DropHilite(), nullptr);
      auto Near = [&] {
        const TWindowCapture Shot(Form->Handle(), false);
        std::vector<COLORREF> Pixels;
        for (int Y = 0; Y < 14; ++Y)
          for (int X = 0; X < 40; ++X) {
            POINT P{Empty.x + X, Empty.y + Y};
            ScreenToClient(Tree->Handle(), &P);
            Pixels.push_back(Shot.ClientPixel(Tree->Handle(), P.x, P.y));
          }
        return Pixels;
      };
      const std::vector<COLORREF> WhileDragging = Near();
      if (End == EscKey) {
        ASSERT_EQ(GetForegroundWindow(), Form->Handle()) << "Esc";
        TapKey(Form->Handle(), VK_ESCAPE);
      } else if (End == Drop) {
        Step("back over the target", ScreenPoint(Over));
        EXPECT_EQ(DropHilite(), Over->ItemId());
        Button("release over the target", MOUSEEVENTF_LEFTUP);
      } else {
        Step("back over the target", ScreenPoint(Over));
        EXPECT_EQ(DropHilite(), Over->ItemId());
        POINT Outside = Get<TControl>(Static ? "edApplication" : "edXApplication")->ClientToScreen(POINT{5, 5});
        Step("out of the tree", Outside);
        EXPECT_FALSE(Static ? Form->StaticDropTargetShown : Form->DropTargetShown);
        Button("release outside", MOUSEEVENTF_LEFTUP);
      }
      PumpUntilIdle();
      EXPECT_FALSE(Tree->Dragging());
      if (End != EscKey) Step("below the nodes again", Empty);
      EXPECT_NE(Near(), WhileDragging);  // the drag picture was there
      EXPECT_EQ(DropHilite(), nullptr);
      EXPECT_FALSE(Static ? Form->StaticDropTargetShown : Form->DropTargetShown);
      const TWindowCapture After(Form->Handle(), false);
      for (TTreeNode* Node = Tree->Items().GetFirstNode(); Node; Node = Node->GetNext())
        EXPECT_FALSE(CellShowsGlyph(After, Tree, Node, Glyphs, 2)) << Node->Text();
      if (End == Drop) {
        EXPECT_EQ(DraggedItem->Index(), OverIndex);  // took the target's place
      }
    }
  }
}

TEST_F(MenuPagesTest, DragsReorderMoveCopyOrAreRefused) {
  struct TCase {
    const char* Dragged;
    const char* Over;  // a caption, or a category's type
    bool Ctrl;
    int Cursor;  // crNo: refused
  };
  const TCase Cases[] = {{"Inactive", "Picture", false, crExchange}, {"Inactive", "Picture", true, crExchange},
                         {"Page", "txtfile", false, crArrow},         {"Picture", "Page", true, crCopy},
                         {"Tools", "corvpagefile", true, crCopy},     {"One", "Tools", false, crNo},
                         {"Picture", "txtfile", true, crNo},          {"Tools", "One", false, crNo}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Dragged) + " over " + C.Over + (C.Ctrl ? " with Ctrl" : ""));
    delete Form;
    Form = nullptr;
    PumpUntilIdle();
    Open();
    TTreeView* Tree = Get<TTreeView>("tvXMenu");
    FindItemNode(XItem("Tools"), Tree)->Expand(false);
    Form->SetActiveControl(Tree);
    PumpUntilIdle();
    auto NodeOf = [&](const std::string& Name) {
      TTreeItem* Item = XItem(Name);
      if (!Item) Item = XCategory(Name);
      return FindItemNode(Item, Tree);
    };
    TTreeItem* Dragged = XItem(C.Dragged);
    TTreeItem* Over = XItem(C.Over);
    TTreeItems* Target = Over ? Over->GetCollection() : nullptr;
    const int OverIndex = Over ? Over->Index() : 0;
    const auto Before = ReadModel(Form->DynamicMenu->Items());
    const int DraggedChildren = Dragged->Items()->Count();
    DragNodeOnto(Tree, NodeOf(C.Dragged), [&] { return NodeOf(C.Over); }, C.Ctrl, C.Cursor, [&] {
      if (C.Cursor == crExchange && !C.Ctrl) TWindowCapture(Form->Handle()).SavePng("app_submenu_drag");
    });
    const auto After = ReadModel(Form->DynamicMenu->Items());
    EXPECT_EQ(TreeTexts(XTree()), After);
    if (C.Cursor == crNo) {
      EXPECT_EQ(After, Before);
    } else if (C.Cursor == crExchange) {
      EXPECT_EQ(XItem(C.Dragged)->Index(), OverIndex);
      EXPECT_EQ(After.size(), Before.size());
    } else if (!C.Ctrl) {  // moved to the category's first place
      EXPECT_EQ(XItem(C.Dragged)->GetCollection(), XCategory(C.Over)->Items());
      EXPECT_EQ(XItem(C.Dragged)->Index(), 0);
    } else {  // a copy, focused, at the place; the original stays
      TTreeItems* Into = Target ? Target : XCategory(C.Over)->Items();
      auto* Copy = Into->GetItem(OverIndex);
      ASSERT_NE(Copy, Dragged);
      EXPECT_EQ(static_cast<TDynamicMenuItem*>(Copy)->Caption(), C.Dragged);
      EXPECT_TRUE(Copy->Focused());
      EXPECT_EQ(Copy->Items()->Count(), DraggedChildren);
      EXPECT_EQ(After.size(), Before.size() + 1 + DraggedChildren);
    }
  }
}

TEST_F(MenuPagesTest, StaticDragsReorderMoveCopyOrAreRefused) {
  WriteBytes(Ini(),
             "[Static Items]\r\n"
             "Application0=a.exe\r\nParameters0=\"%1\"\r\nCaption0=Alpha\r\nChecked0=1\r\nFileType0=corvpagefile\r\n"
             "Application1=b.exe\r\nParameters1=\"%1\"\r\nCaption1=Beta\r\nChecked1=1\r\nFileType1=corvpagefile\r\n"
             "Application2=g.exe\r\nParameters2=\"%1\"\r\nCaption2=Gamma\r\nChecked2=1\r\nFileType2=txtfile\r\n"
             "Count=3\r\n");
  struct TCase {
    const char* Over;  // a caption, or a category's type
    bool Ctrl;
    int Cursor;  // crNo: refused
  };
  // Alpha is dragged each time: a sibling reorders even with Ctrl, its own category refuses, another
  // category's item or node takes it (moved, or copied with Ctrl).
  const TCase Cases[] = {{"Beta", false, crExchange},   {"Beta", true, crExchange}, {"corvpagefile", false, crNo},
                         {"corvpagefile", true, crNo},  {"Gamma", false, crArrow},  {"Gamma", true, crCopy},
                         {"txtfile", false, crArrow},   {"txtfile", true, crCopy}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string("Alpha over ") + C.Over + (C.Ctrl ? " with Ctrl" : ""));
    delete Form;
    Form = nullptr;
    PumpUntilIdle();
    Open(0);
    TTreeView* Tree = Get<TTreeView>("tvMenu");
    Form->SetActiveControl(Tree);
    PumpUntilIdle();
    auto NodeOf = [&](const std::string& Name) -> TTreeNode* {
      TTreeItem* Item = SItem(Name);
      if (!Item) Item = SCategory(Name);
      return Item ? FindItemNode(Item, Tree) : nullptr;
    };
    ASSERT_TRUE(NodeOf("Alpha") && NodeOf(C.Over));
    TStaticMenuItem* Over = SItem(C.Over);
    const int OverIndex = Over ? Over->Index() : 0;
    TTreeItems* Target = Over ? Over->GetCollection() : SCategory(C.Over)->Items();
    const auto Before = ReadModel(Form->StaticMenu->Items());
    DragNodeOnto(Tree, NodeOf("Alpha"), [&] { return NodeOf(C.Over); }, C.Ctrl, C.Cursor);
    const auto After = ReadModel(Form->StaticMenu->Items());
    EXPECT_EQ(TreeTexts(STree()), After);
    if (C.Cursor == crNo) {
      EXPECT_EQ(After, Before);
    } else if (C.Cursor == crExchange) {
      EXPECT_EQ(SItem("Alpha")->Index(), OverIndex);
      EXPECT_EQ(After.size(), Before.size());
    } else if (!C.Ctrl) {  // moved: one Alpha, in the target at the place
      EXPECT_EQ(SItem("Alpha")->GetCollection(), Target);
      EXPECT_EQ(SItem("Alpha")->Index(), OverIndex);
      EXPECT_EQ(After.size(), Before.size());
    } else {  // a copy at the place; the original stays in its category
      auto* Copy = dynamic_cast<TStaticMenuItem*>(Target->GetItem(OverIndex));
      ASSERT_NE(Copy, nullptr);
      EXPECT_EQ(Copy->Caption(), "Alpha");
      EXPECT_EQ(Copy->Application(), "a.exe");
      EXPECT_EQ(After.size(), Before.size() + 1);
      EXPECT_EQ(SCategory("corvpagefile")->Items()->Count(), 2);
    }
  }
  // A category cannot be dragged.
  TTreeView* Tree = Get<TTreeView>("tvMenu");
  PressAndPull(FindItemNode(SCategory("txtfile"), Tree));
  EXPECT_FALSE(Tree->Dragging());
  EXPECT_EQ(DragObject(), nullptr);
  const POINT At = LabelCenter(FindItemNode(SCategory("txtfile"), Tree));
  PostMessageA(Tree->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(At.x, At.y));
  PumpUntilIdle();
}

TEST_F(MenuPagesTest, DragHoverExpandsOverTheButtonNotOverTheLabel) {
  Open();
  TTreeView* Tree = Get<TTreeView>("tvXMenu");
  TTreeNode* Tools = FindItemNode(XItem("Tools"), Tree);
  Tools->Collapse(false);
  PumpUntilIdle();
  ASSERT_FALSE(Tools->Expanded());
  PressAndPull(FindItemNode(XItem("Page"), Tree));
  ASSERT_TRUE(Tree->Dragging());
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Tree, LabelCenter(Tools));
  EXPECT_FALSE(Tools->Expanded());
  // The expand button: left of the label, where the view's hit test says so.
  const RECT Text = Tools->DisplayRect(true);
  POINT Button{-1, (Text.top + Text.bottom) / 2};
  for (int X = Text.left; X >= 0 && Button.x < 0; --X)
    if (Tree->GetHitTestInfoAt(X, Button.y) & htOnButton) Button.x = X;
  ASSERT_GE(Button.x, 0);
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Tree, Button);
  EXPECT_TRUE(Tools->Expanded());
  PostMessageA(GetCapture(), WM_KEYDOWN, VK_ESCAPE, 0);
  PumpUntilIdle();
  EXPECT_FALSE(Tree->Dragging());
  EXPECT_EQ(XItem("Page")->GetFileType()->Name(), "corvpagefile");
}

}  // namespace
