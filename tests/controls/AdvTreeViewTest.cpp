// The tree view that takes files from the shell and carries menu items by drag, on real windows:
// hand-made drop handles, the shell registration across a re-creation, the view's own drag, and
// dragged static and dynamic menu items between two trees driven by SendInput.
#include "controls/AdvTreeView.h"
#include "controls/DropFiles.h"
#include "model/DraggedItems.h"
#include "model/DynamicMenu.h"
#include "model/StaticMenu.h"
#include "tests/support/Gui.h"
#include "tests/support/ShellDrop.h"
#include "tests/support/TreeDrag.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Get(I));
  return Result;
}

bool AcceptsFiles(HWND Wnd) { return (GetWindowLongPtrA(Wnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

POINT ScreenPoint(TTreeNode* Node, int DX = 0) {
  POINT P = LabelCenter(Node);
  P.x += DX;
  ClientToScreen(Node->TreeView()->Handle(), &P);
  return P;
}

// Mouse input at screen points over Form: each entry is a move there with the given button flags.
void SendMouse(HWND Form, std::initializer_list<std::pair<POINT, DWORD>> Steps) {
  std::vector<INPUT> Inputs;
  for (const auto& [P, Flags] : Steps) {
    INPUT In{};
    In.type = INPUT_MOUSE;
    In.mi.dx = MulDiv(P.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    In.mi.dy = MulDiv(P.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    In.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | Flags;
    Inputs.push_back(In);
  }
  SendInputTo(Form, Inputs.data(), static_cast<UINT>(Inputs.size()));
  PumpUntilIdle(60, 2000);
}

class AdvTreeViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(120, 120, 460, 260);
    Form->SetCaption("Trees");
    Left = MakeTree(10);
    Right = MakeTree(240);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    PumpUntilIdle();
  }
  void TearDown() override {
    CancelDrag();
    Form.reset();
    PumpUntilIdle(10, 500);
    Application->OnException = nullptr;
  }
  TAdvTreeView* MakeTree(int X) {
    auto* Tree = new TAdvTreeView(Form.get());
    Tree->SetBounds(X, 10, 200, 200);
    Tree->SetParent(Form.get());
    return Tree;
  }
  std::unique_ptr<TForm> Form;
  TAdvTreeView* Left = nullptr;
  TAdvTreeView* Right = nullptr;
  std::vector<std::string> Errors;
};

// ---------------------------------------------------------------------------------------------
// Drops

TEST_F(AdvTreeViewTest, DropGivesOneEventWithThePathsWholeAndReleasesTheHandle) {
  const std::string Long = "C:\\" + std::string(246, 'd') + "\\long.exe";
  ASSERT_EQ(Long.size(), 258u);
  const std::vector<std::string> Names{"C:\\one.exe", Long, "C:\\Program Files\\three.exe"};
  std::vector<std::vector<std::string>> Seen;
  std::vector<TObject*> Senders;
  auto Token = std::make_shared<int>(0);
  Left->OnFilesDrop = [&](TObject* Sender, TStrings* FileList) {
    Senders.push_back(Sender);
    Seen.push_back(Lines(*FileList));
    // The list holds the token until it goes.
    auto* List = dynamic_cast<TStringList*>(FileList);
    ASSERT_NE(List, nullptr);
    List->OnChange = [Token](TObject*) {};
  };
  const HGLOBAL Drop = MakeShellDrop(Names);
  ASSERT_GT(GlobalSize(Drop), 0u);
  EXPECT_EQ(SendMessageA(Left->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0), 0);
  ASSERT_EQ(Seen.size(), 1u);
  EXPECT_EQ(Seen[0], Names);
  EXPECT_EQ(Senders[0], Left);
  EXPECT_EQ(Token.use_count(), 1) << "the file list outlived the call";
  EXPECT_EQ(GlobalSize(Drop), 0u) << "the drop handle was not released";
  EXPECT_TRUE(Errors.empty());
}

TEST_F(AdvTreeViewTest, ThrowingHandlerStillReleasesHandleAndListAndIsReported) {
  auto Token = std::make_shared<int>(0);
  Left->OnFilesDrop = [&](TObject*, TStrings* FileList) {
    dynamic_cast<TStringList&>(*FileList).OnChange = [Token](TObject*) {};
    throw Exception("handler failed");
  };
  const HGLOBAL Drop = MakeShellDrop({"C:\\a.txt"});
  SendMessageA(Left->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
  EXPECT_EQ(Errors, std::vector<std::string>{"handler failed"});
  EXPECT_EQ(Token.use_count(), 1);
  EXPECT_EQ(GlobalSize(Drop), 0u);
}

TEST_F(AdvTreeViewTest, DropOfNoFileFiresNothingAndReleasesTheHandle) {
  int Events = 0;
  Left->OnFilesDrop = [&](TObject*, TStrings*) { ++Events; };
  TDropQuery& Query = DropQuery();
  const TDropQuery Shell = Query;
  int Asked = 0;
  Query.Count = [&](HDROP) {
    ++Asked;
    return 0u;
  };
  const HGLOBAL Drop = MakeShellDrop({"C:\\ignored.txt"});
  SendMessageA(Left->Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(Drop), 0);
  Query = Shell;
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Events, 0);
  EXPECT_EQ(GlobalSize(Drop), 0u);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(AdvTreeViewTest, AcceptFilesFollowsTheWindowAndAnUnchangedValueMakesNoCall) {
  EXPECT_FALSE(Left->AcceptFiles());
  EXPECT_FALSE(AcceptsFiles(Left->Handle()));
  Left->SetAcceptFiles(true);
  EXPECT_TRUE(AcceptsFiles(Left->Handle()));
  // A re-created window is registered again.
  const HWND Old = Left->Handle();
  Left->SetBorderStyle(bsNone);
  ASSERT_NE(Left->Handle(), Old);
  EXPECT_FALSE(IsWindow(Old));
  EXPECT_TRUE(AcceptsFiles(Left->Handle()));
  // Writing the value it has leaves the window alone: the style taken off by hand stays off.
  SetWindowLongPtrA(Left->Handle(), GWL_EXSTYLE, GetWindowLongPtrA(Left->Handle(), GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_ACCEPTFILES));
  Left->SetAcceptFiles(true);
  EXPECT_FALSE(AcceptsFiles(Left->Handle()));
  Left->SetAcceptFiles(false);
  Left->SetAcceptFiles(true);
  EXPECT_TRUE(AcceptsFiles(Left->Handle()));
  Left->SetAcceptFiles(false);
  EXPECT_FALSE(AcceptsFiles(Left->Handle()));
  Left->SetBorderStyle(bsSingle);
  EXPECT_FALSE(AcceptsFiles(Left->Handle()));
}

// ---------------------------------------------------------------------------------------------
// The view's own drag

TEST_F(AdvTreeViewTest, DraggedNodeLastsForTheDragAndDefaultDraggingIsFixedMeanwhile) {
  for (const char* S : {"Apple", "Banana"}) Left->Items().Add(nullptr, S);
  Right->Items().Add(nullptr, "Target");
  Left->DragMode = dmAutomatic;
  Left->SetDefaultDragging(false);
  Right->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = true; };
  int Drops = 0;
  Right->OnDragDrop = [&](TObject*, TObject*, int, int) { ++Drops; };
  TTreeNode* Seen = nullptr;
  Left->OnStartDrag = [&](TObject*, TDragObject*&) { Seen = Left->DraggedNode(); };
  // The parent hears the begin-drag notification before the view does.
  bool ParentSaw = false;
  TWindowsHook Watch(WH_CALLWNDPROC, [&](int, WPARAM, LPARAM L) {
    const auto* Msg = reinterpret_cast<const CWPSTRUCT*>(L);
    if (Msg->hwnd == Form->Handle() && Msg->message == WM_NOTIFY &&
        reinterpret_cast<const NMHDR*>(Msg->lParam)->code == TVN_BEGINDRAGA)
      ParentSaw = true;
  });
  EXPECT_EQ(Left->DraggedNode(), nullptr);

  TTreeNode* Banana = Left->Items().Item(1);
  PressAndPull(Banana);
  ASSERT_TRUE(Left->Dragging());
  EXPECT_TRUE(ParentSaw);
  EXPECT_EQ(Seen, Banana);
  EXPECT_EQ(Left->DraggedNode(), Banana);
  EXPECT_EQ(Left->GetDragImages(), nullptr);
  try {
    Left->SetDefaultDragging(true);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Cannot set DefaultDragging property while dragging");
  }
  EXPECT_FALSE(Left->DefaultDragging());
  EXPECT_NO_THROW(Left->SetDefaultDragging(false));
  PostToCapture(WM_MOUSEMOVE, MK_LBUTTON, Right, LabelCenter(Right->Items().Item(0)));
  EXPECT_EQ(Left->DraggedNode(), Banana);
  PostToCapture(WM_LBUTTONUP, 0, Right, LabelCenter(Right->Items().Item(0)));
  EXPECT_EQ(Drops, 1);
  EXPECT_FALSE(Left->Dragging());
  EXPECT_EQ(Left->DraggedNode(), nullptr);

  // Escape ends the next drag without a drop, and the node goes with it.
  PressAndPull(Left->Items().Item(0));
  ASSERT_TRUE(Left->Dragging());
  EXPECT_EQ(Left->DraggedNode(), Left->Items().Item(0));
  PostMessageA(Left->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  PumpUntilIdle();
  EXPECT_FALSE(Left->Dragging());
  EXPECT_EQ(Left->DraggedNode(), nullptr);
  EXPECT_EQ(Drops, 1);
  // Outside a drag the value changes freely.
  Left->SetDefaultDragging(true);
  EXPECT_TRUE(Left->DefaultDragging());
  EXPECT_TRUE(Errors.empty());
}

TEST_F(AdvTreeViewTest, FailedStartLeavesNoDraggedNode) {
  Left->Items().Add(nullptr, "Apple");
  Left->DragMode = dmAutomatic;
  Left->OnStartDrag = [](TObject*, TDragObject*&) { throw Exception("no drag"); };
  PressAndPull(Left->Items().Item(0));
  PumpUntilIdle();
  EXPECT_FALSE(Left->Dragging());
  EXPECT_EQ(Left->DraggedNode(), nullptr);
  EXPECT_EQ(Errors, std::vector<std::string>{"no drag"});
}

// ---------------------------------------------------------------------------------------------
// Dragged menu items

// Drag objects and image lists that tell when they go.
template <class Base, class Item>
class TTracedItem : public Base {
public:
  TTracedItem(Item* AItem, bool& Freed) : Base(AItem), FFreed(Freed) {}
  ~TTracedItem() override { FFreed = true; }

private:
  bool& FFreed;
};

class TTracedImages : public TDragImageList {
public:
  explicit TTracedImages(bool& Freed) : TDragImageList(16, 16), FFreed(Freed) {
    TBitmap Bmp;
    Bmp.SetSize(16, 16);
    Add(Bmp, nullptr);
  }
  ~TTracedImages() override { FFreed = true; }

private:
  bool& FFreed;
};

TEST(DraggedItemTest, CursorFollowsAcceptanceAndANewImageListFreesTheOld) {
  TFileTypes Types{nullptr};
  TFileType* Text = Types.Add();
  Text->SetName("txtfile");
  TDynamicMenu Menu(&Types);
  TDynamicMenuItem* Item = Menu.GetItems()->AddItem();
  TDraggedDynamicItem Dragged(Item);
  EXPECT_EQ(Dragged.GetItem(), Item);
  EXPECT_EQ(Dragged.GetDraggedItem(), Item);
  EXPECT_EQ(Dragged.GetDragCursor(false, 0, 0), crNo);
  EXPECT_EQ(Dragged.GetDragCursor(true, 0, 0), crArrow);
  Dragged.DragCursor = crHandPoint;
  EXPECT_EQ(Dragged.GetDragCursor(true, 0, 0), crHandPoint);
  EXPECT_EQ(Dragged.GetDragImages(), nullptr);

  bool FirstFreed = false, SecondFreed = false;
  auto* First = new TTracedImages(FirstFreed);
  Dragged.SetDragImages(First);
  EXPECT_EQ(Dragged.GetDragImages(), First);
  auto* Second = new TTracedImages(SecondFreed);
  Dragged.SetDragImages(Second);
  EXPECT_TRUE(FirstFreed);
  EXPECT_FALSE(SecondFreed);
  EXPECT_EQ(Dragged.GetDragImages(), Second);
  Dragged.SetDragImages(nullptr);
  EXPECT_TRUE(SecondFreed);
  EXPECT_EQ(Dragged.GetDragImages(), nullptr);
  // Nothing to hide or show.
  Dragged.HideDragImage();
  Dragged.ShowDragImage();
}

class DraggedItemsTest : public AdvTreeViewTest {
protected:
  void SetUp() override {
    AdvTreeViewTest::SetUp();
    for (TAdvTreeView* Tree : {Left, Right}) {
      Tree->DragMode = dmAutomatic;
      Tree->SetDefaultDragging(false);
    }
    TextType = Types.Add();
    TextType->SetName("txtfile");
    BatchType = Types.Add();
    BatchType->SetName("batfile");
  }
  // Drags Source's node to Over (refused there), then to Target, where it is dropped.
  void DragBySendInput(TTreeNode* Source, TTreeNode* Over, TTreeNode* Target) {
    const POINT Start = ScreenPoint(Source);
    ASSERT_TRUE(MovePointerTo(Form->Handle(), Start));
    SendMouse(Form->Handle(), {{Start, MOUSEEVENTF_LEFTDOWN}, {{Start.x + 12, Start.y + 8}, 0}, {{Start.x + 24, Start.y + 12}, 0}});
    ASSERT_TRUE(Left->Dragging());
    SendMouse(Form->Handle(), {{ScreenPoint(Over), 0}, {ScreenPoint(Over, 2), 0}});
    OverCursor = GetCursor();
    SendMouse(Form->Handle(), {{ScreenPoint(Target), 0}, {ScreenPoint(Target, 2), 0}});
    TargetCursor = GetCursor();
    SendMouse(Form->Handle(), {{ScreenPoint(Target, 2), MOUSEEVENTF_LEFTUP}});
  }
  TFileTypes Types{nullptr};
  TFileType* TextType = nullptr;
  TFileType* BatchType = nullptr;
  HCURSOR OverCursor = nullptr, TargetCursor = nullptr;
};

TEST_F(DraggedItemsTest, DynamicItemMovesIntoASubmenuOfTheOtherTree) {
  TDynamicMenu Menu(&Types);
  TDynamicMenuItem* Alpha = Menu.GetItems()->AddItem();
  Alpha->SetCaption("Alpha");
  TDynamicMenuItem* Beta = Menu.GetItems()->AddItem();
  Beta->SetCaption("Beta");
  TDynamicSubMenu* Folder = Menu.GetItems()->AddSubMenu();
  Folder->SetCaption("Folder");
  Left->Items().AddObject(nullptr, "Alpha", Alpha);
  Right->Items().AddObject(nullptr, "Beta", Beta);
  Right->Items().AddObject(nullptr, "Folder", Folder);
  PumpUntilIdle();

  bool ObjectFreed = false, ImagesFreed = false;
  TDragObject* Given = nullptr;
  Left->OnStartDrag = [&](TObject*, TDragObject*& Object) {
    auto* Item = static_cast<TDynamicMenuItem*>(Left->DraggedNode()->Data());
    auto* Dragged = new TTracedItem<TDraggedDynamicItem, TDynamicMenuItem>(Item, ObjectFreed);
    Dragged->SetDragImages(new TTracedImages(ImagesFreed));
    EXPECT_EQ(Dragged->GetDragImages()->Count(), 1);
    Object = Given = Dragged;
  };
  std::vector<TDynamicMenuItem*> Read;
  Right->OnDragOver = [&](TObject*, TObject* Source, int X, int Y, TDragState, bool& Accept) {
    auto* Dragged = dynamic_cast<TDraggedDynamicItem*>(Source);
    ASSERT_NE(Dragged, nullptr);
    Read.push_back(Dragged->GetItem());
    TTreeNode* Node = Right->GetNodeAt(X, Y);
    Accept = Node && dynamic_cast<TDynamicSubMenu*>(static_cast<TDynamicMenuItem*>(Node->Data()));
  };
  Right->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
    auto* Target = static_cast<TDynamicSubMenu*>(Right->GetNodeAt(X, Y)->Data());
    static_cast<TDraggedDynamicItem*>(Source)->GetItem()->MoveTo(Target, 0, true);
  };

  DragBySendInput(Left->Items().Item(0), Right->Items().Item(0), Right->Items().Item(1));
  ASSERT_FALSE(Read.empty());
  for (TDynamicMenuItem* Item : Read) EXPECT_EQ(Item, Alpha);
  EXPECT_EQ(OverCursor, Screen->Cursors(crNo));
  EXPECT_EQ(TargetCursor, Screen->Cursors(crArrow));
  ASSERT_EQ(Folder->GetItems()->Count(), 1);
  EXPECT_EQ(Folder->GetItems()->GetItem(0), Alpha);
  EXPECT_FALSE(Left->Dragging());
  EXPECT_TRUE(ObjectFreed);
  EXPECT_TRUE(ImagesFreed);
  EXPECT_NE(Given, nullptr);
  EXPECT_EQ(DragObject(), nullptr);
  EXPECT_EQ(Left->DraggedNode(), nullptr);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(DraggedItemsTest, StaticItemMovesIntoACategoryOfTheOtherTree) {
  TStaticMenu Menu(&Types);
  auto* Open = static_cast<TStaticMenuItem*>(Menu.GetItems()->AddItem());
  Open->SetCaption("Open");
  auto* Edit = static_cast<TStaticMenuItem*>(Menu.GetItems()->AddItem());
  Edit->SetCaption("Edit");
  TCustomFileTypeCategory* Batch = Menu.GetItems()->GetCategory(BatchType);
  Left->Items().AddObject(nullptr, "Open", Open);
  Right->Items().AddObject(nullptr, "Edit", Edit);
  Right->Items().AddObject(nullptr, "batfile", Batch);
  PumpUntilIdle();

  bool ObjectFreed = false, ImagesFreed = false;
  Left->OnStartDrag = [&](TObject*, TDragObject*& Object) {
    auto* Item = static_cast<TStaticMenuItem*>(Left->DraggedNode()->Data());
    auto* Dragged = new TTracedItem<TDraggedStaticItem, TStaticMenuItem>(Item, ObjectFreed);
    Dragged->SetDragImages(new TTracedImages(ImagesFreed));
    Object = Dragged;
  };
  std::vector<TStaticMenuItem*> Read;
  Right->OnDragOver = [&](TObject*, TObject* Source, int X, int Y, TDragState, bool& Accept) {
    auto* Dragged = dynamic_cast<TDraggedStaticItem*>(Source);
    ASSERT_NE(Dragged, nullptr);
    Read.push_back(Dragged->GetItem());
    TTreeNode* Node = Right->GetNodeAt(X, Y);
    Accept = Node && Node->Data() == Batch;
  };
  Right->OnDragDrop = [&](TObject*, TObject* Source, int, int) {
    static_cast<TDraggedStaticItem*>(Source)->GetItem()->MoveTo(Batch, 0, true);
  };

  DragBySendInput(Left->Items().Item(0), Right->Items().Item(0), Right->Items().Item(1));
  ASSERT_FALSE(Read.empty());
  for (TStaticMenuItem* Item : Read) EXPECT_EQ(Item, Open);
  EXPECT_EQ(OverCursor, Screen->Cursors(crNo));
  EXPECT_EQ(TargetCursor, Screen->Cursors(crArrow));
  ASSERT_EQ(Batch->GetItems()->Count(), 1);
  EXPECT_EQ(Batch->GetItems()->GetItem(0), Open);
  EXPECT_TRUE(ObjectFreed);
  EXPECT_TRUE(ImagesFreed);
  EXPECT_EQ(DragObject(), nullptr);
  EXPECT_TRUE(Errors.empty());
}

}  // namespace
