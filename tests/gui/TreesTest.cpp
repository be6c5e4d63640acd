// The tree view on real windows: custom drawing probed in pixels, hit tests at the item rectangles
// the view reports, label editing and expanding with their vetoes, nodes kept across a remade
// window, and the menu pages' node routines (FindItemNode, SetNodeIndex, string-list assignment).
#include "classlib/gui/Forms.h"
#include "classlib/gui/StdCtrls.h"
#include "classlib/gui/TreeView.h"
#include "controls/NodeUtils.h"
#include "model/SortedCollection.h"
#include "model/TreeCollection.h"
#include "tests/support/Gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF Maroon = RGB(128, 0, 0);
constexpr COLORREF Lime = RGB(0, 255, 0);

class TreesTest : public ::testing::Test {
protected:
  void SetUp() override {
    RequireDisplay();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.Message()); };
    Form = std::make_unique<TForm>(Application);
    Form->SetBounds(120, 120, 360, 300);
    Form->SetCaption("Trees");
    Tree = new TTreeView(Form.get());
    Tree->SetBounds(10, 10, 320, 240);
    Tree->SetParent(Form.get());
    Tree->SetHideSelection(false);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    PumpUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    PumpUntilIdle(10, 500);
    Application->OnException = nullptr;
    EXPECT_EQ(Errors, std::vector<std::string>{});
  }
  // The top-level texts in order.
  std::vector<std::string> TopTexts() {
    std::vector<std::string> Texts;
    for (TTreeNode* N = Tree->Items().GetFirstNode(); N; N = N->GetNextSibling()) Texts.push_back(N->Text());
    return Texts;
  }
  // A click at a client point: the release waits in the queue, where the view's own tracking of
  // the press finds it.
  void Click(LPARAM At) {
    PostMessageA(Tree->Handle(), WM_LBUTTONUP, 0, At);
    SendMessageA(Tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    PumpUntilIdle();
  }
  static std::vector<std::string> ChildTexts(TTreeNode* Node) {
    std::vector<std::string> Texts;
    for (TTreeNode* N = Node->GetFirstChild(); N; N = N->GetNextSibling()) Texts.push_back(N->Text());
    return Texts;
  }
  std::unique_ptr<TForm> Form;
  TTreeView* Tree = nullptr;
  std::vector<std::string> Errors;
};

// Counts the pixels of Rect (client coordinates of Tree) for which Match holds.
int CountPixels(const TWindowCapture& Shot, HWND Wnd, const RECT& Rect, const std::function<bool(COLORREF)>& Match) {
  int N = 0;
  for (int Y = Rect.top; Y < Rect.bottom; ++Y)
    for (int X = Rect.left; X < Rect.right; ++X)
      if (Match(Shot.ClientPixel(Wnd, X, Y))) ++N;
  return N;
}

// The rightmost column of Rect holding a dark (text) pixel; -1 when none.
int RightmostDark(const TWindowCapture& Shot, HWND Wnd, RECT Rect) {
  int Right = -1;
  for (int Y = Rect.top; Y < Rect.bottom; ++Y)
    for (int X = Rect.left; X < Rect.right; ++X) {
      const COLORREF C = Shot.ClientPixel(Wnd, X, Y);
      if (GetRValue(C) + GetGValue(C) + GetBValue(C) < 200) Right = std::max(Right, X);
    }
  return Right;
}

TEST_F(TreesTest, CustomDrawAppliesFontColourAndStyleAndPostPaintGlyph) {
  TTreeNode* Red = Tree->Items().Add(nullptr, "Maroon item");
  TTreeNode* Plain = Tree->Items().Add(nullptr, "Sample text");
  TTreeNode* Bold = Tree->Items().Add(nullptr, "Sample text");
  TTreeNode* Glyph = Tree->Items().Add(nullptr, "With glyph");
  std::vector<std::pair<TTreeNode*, TCustomDrawStage>> Calls;
  Tree->OnAdvancedCustomDrawItem = [&](TTreeView* Sender, TTreeNode* Node, TCustomDrawState, TCustomDrawStage Stage,
                                       bool&, bool& DefaultDraw) {
    Calls.emplace_back(Node, Stage);
    EXPECT_TRUE(DefaultDraw);
    if (Stage == cdPrePaint) {
      if (Node == Red) Sender->Canvas().Font().SetColor(static_cast<TColor>(Maroon));
      if (Node == Bold) Sender->Canvas().Font().SetStyle(FontStyleBit(fsBold));
    } else if (Node == Glyph) {
      const RECT Text = Node->DisplayRect(true);
      Sender->Canvas().Brush().SetColor(static_cast<TColor>(Lime));
      Sender->Canvas().FillRect(RECT{Text.left - 10, Text.top + 2, Text.left - 2, Text.bottom - 2});
    }
  };
  Tree->Invalidate();
  PumpUntilIdle();
  const TWindowCapture Shot(Form->Handle());
  const HWND Wnd = Tree->Handle();
  EXPECT_TRUE(Shot.SavePng("tree_custom_draw"));

  for (TTreeNode* N : {Red, Plain, Bold, Glyph}) {
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), std::make_pair(N, cdPrePaint)), Calls.end()) << N->Text();
    EXPECT_NE(std::find(Calls.begin(), Calls.end(), std::make_pair(N, cdPostPaint)), Calls.end()) << N->Text();
  }
  const auto IsMaroon = [](COLORREF C) { return NearColor(C, Maroon, 40); };
  EXPECT_GT(CountPixels(Shot, Wnd, Red->DisplayRect(true), IsMaroon), 5);
  EXPECT_EQ(CountPixels(Shot, Wnd, Plain->DisplayRect(true), IsMaroon), 0);
  // The default drawing stays: the plain row has its text.
  RECT PlainRow = Plain->DisplayRect(false);
  RECT BoldRow = Bold->DisplayRect(false);
  const int PlainRight = RightmostDark(Shot, Wnd, PlainRow);
  const int BoldRight = RightmostDark(Shot, Wnd, BoldRow);
  EXPECT_GT(PlainRight, Plain->DisplayRect(true).left);
  EXPECT_GT(BoldRight, PlainRight);
  const RECT GlyphText = Glyph->DisplayRect(true);
  EXPECT_TRUE(NearColor(Shot.ClientPixel(Wnd, GlyphText.left - 6, (GlyphText.top + GlyphText.bottom) / 2), Lime));
  EXPECT_FALSE(NearColor(Shot.ClientPixel(Wnd, Plain->DisplayRect(true).left - 6,
                                          (PlainRow.top + PlainRow.bottom) / 2), Lime));
}

TEST_F(TreesTest, DefaultDrawFalseSkipsTheItem) {
  TTreeNode* Hidden = Tree->Items().Add(nullptr, "Skipped");
  Tree->OnAdvancedCustomDrawItem = [&](TTreeView*, TTreeNode* Node, TCustomDrawState, TCustomDrawStage Stage, bool&,
                                       bool& DefaultDraw) {
    if (Node == Hidden && Stage == cdPrePaint) DefaultDraw = false;
  };
  Tree->Invalidate();
  PumpUntilIdle();
  const TWindowCapture Shot(Form->Handle());
  EXPECT_EQ(RightmostDark(Shot, Tree->Handle(), Hidden->DisplayRect(true)), -1);
}

TEST_F(TreesTest, HitTestsAtTheReportedItemRectangles) {
  TImageList Images(16, 16);
  TBitmap Bmp;
  Bmp.SetSize(16, 16);
  Images.Add(Bmp, nullptr);
  Tree->SetImages(&Images);
  TTreeNode* Root = Tree->Items().Add(nullptr, "Root");
  Root->SetImageIndex(0);
  TTreeNode* Child = Tree->Items().AddChild(Root, "Child");
  Child->SetImageIndex(0);
  Root->Expand(false);
  PumpUntilIdle();
  const RECT RootText = Root->DisplayRect(true), ChildText = Child->DisplayRect(true);
  const RECT ChildRow = Child->DisplayRect(false);
  const RECT Client = Tree->ClientRect();
  const int RootY = (RootText.top + RootText.bottom) / 2, ChildY = (ChildText.top + ChildText.bottom) / 2;
  const int Indent = Tree->Indent();
  struct TCase {
    const char* Where;
    POINT At;
    THitTests Expected;
    TTreeNode* Node;
  };
  const TCase Cases[] = {
      {"label", {(RootText.left + RootText.right) / 2, RootY}, htOnItem | htOnLabel, Root},
      {"icon", {RootText.left - 8, RootY}, htOnItem | htOnIcon, Root},
      {"button", {Indent / 2, RootY}, htOnButton, nullptr},
      {"indent", {2, ChildY}, htOnIndent, nullptr},
      {"right of the text", {ChildText.right + 10, ChildY}, htOnRight, nullptr},
      {"below the items", {20, ChildRow.bottom + 10}, htNowhere, nullptr},
      {"left of the view", {-5, RootY}, htToLeft, nullptr},
      {"right of the view", {Client.right + 5, RootY}, htToRight, nullptr},
      {"above the view", {20, -5}, htAbove, nullptr},
      {"below the view", {20, Client.bottom + 5}, htBelow, nullptr},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(Tree->GetHitTestInfoAt(C.At.x, C.At.y), C.Expected) << C.Where;
    EXPECT_EQ(Tree->GetNodeAt(C.At.x, C.At.y), C.Node) << C.Where;
  }
  EXPECT_EQ(Tree->GetNodeAt((ChildText.left + ChildText.right) / 2, ChildY), Child);
  Tree->SetImages(nullptr);
}

TEST_F(TreesTest, EditingVetoLeavesNoEditAndATypedCaptionReachesOnEdited) {
  TTreeNode* Node = Tree->Items().Add(nullptr, "Old caption");
  bool Allow = false;
  int Editing = 0;
  std::vector<std::string> Edited;
  Tree->OnEditing = [&](TObject*, TTreeNode* N, bool& AllowEdit) {
    EXPECT_EQ(N, Node);
    ++Editing;
    AllowEdit = Allow;
  };
  Tree->OnEdited = [&](TObject*, TTreeNode* N, std::string& S) {
    EXPECT_EQ(N, Node);
    Edited.push_back(S);
    S += "!";
  };
  EXPECT_FALSE(Node->EditText());
  PumpUntilIdle();
  EXPECT_EQ(Editing, 1);
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_EQ(SendMessageA(Tree->Handle(), TVM_GETEDITCONTROL, 0, 0), 0);

  Allow = true;
  ASSERT_TRUE(Node->EditText());
  EXPECT_TRUE(Tree->IsEditing());
  const auto Edit = reinterpret_cast<HWND>(SendMessageA(Tree->Handle(), TVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(Edit, nullptr);
  SendMessageA(Edit, EM_SETSEL, 0, -1);
  for (const char C : std::string("Typed")) SendMessageA(Edit, WM_CHAR, static_cast<WPARAM>(C), 1);
  Node->EndEdit(false);
  PumpUntilIdle();
  EXPECT_FALSE(Tree->IsEditing());
  EXPECT_EQ(Edited, std::vector<std::string>{"Typed"});
  EXPECT_EQ(Node->Text(), "Typed!");
  char Shown[64] = {};
  TVITEMA Item{TVIF_TEXT | TVIF_HANDLE, Node->ItemId(), 0, 0, Shown, sizeof(Shown), 0, 0, 0, 0};
  SendMessageA(Tree->Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&Item));
  EXPECT_STREQ(Shown, "Typed!");
}

TEST_F(TreesTest, ExpandingAndCollapsingVetoes) {
  TTreeNode* Root = Tree->Items().Add(nullptr, "Root");
  TTreeNode* Child = Tree->Items().AddChild(Root, "Child");
  Tree->Items().AddChild(Child, "Grandchild");
  bool AllowExpand = false, AllowCollapse = false;
  std::vector<std::string> Log;
  Tree->OnExpanding = [&](TObject*, TTreeNode* N, bool& Allow) {
    Log.push_back("expanding " + N->Text());
    Allow = AllowExpand;
  };
  Tree->OnCollapsing = [&](TObject*, TTreeNode* N, bool& Allow) {
    Log.push_back("collapsing " + N->Text());
    Allow = AllowCollapse;
  };
  Tree->OnExpanded = [&](TObject*, TTreeNode* N) { Log.push_back("expanded " + N->Text()); };
  Tree->OnCollapsed = [&](TObject*, TTreeNode* N) { Log.push_back("collapsed " + N->Text()); };

  // From code, and by the user's click on the button.
  Root->Expand(false);
  EXPECT_FALSE(Root->Expanded());
  const RECT Text = Root->DisplayRect(true);
  const LPARAM Button = MAKELPARAM(Tree->Indent() / 2, (Text.top + Text.bottom) / 2);
  Click(Button);
  EXPECT_FALSE(Root->Expanded());
  EXPECT_EQ(Log, (std::vector<std::string>{"expanding Root", "expanding Root"}));

  Log.clear();
  AllowExpand = true;
  Root->Expand(true);
  EXPECT_TRUE(Root->Expanded());
  EXPECT_TRUE(Child->Expanded());
  EXPECT_EQ(Log, (std::vector<std::string>{"expanding Root", "expanded Root", "expanding Child", "expanded Child",
                                           "expanding Grandchild", "expanded Grandchild"}));

  Log.clear();
  Click(Button);
  EXPECT_TRUE(Root->Expanded());
  EXPECT_EQ(Log, std::vector<std::string>{"collapsing Root"});
  AllowCollapse = true;
  Root->Collapse(false);
  EXPECT_FALSE(Root->Expanded());
}

TEST_F(TreesTest, NodesSurviveARemadeWindow) {
  int Data = 7;
  TTreeNode* Root = Tree->Items().AddObject(nullptr, "Root", &Data);
  TTreeNode* Child = Tree->Items().AddChild(Root, "Child");
  Root->Expand(false);
  Child->SetSelected(true);
  const HWND Old = Tree->Handle();
  Tree->SetBorderStyle(bsNone);  // remakes the window
  EXPECT_NE(Tree->Handle(), Old);
  EXPECT_EQ(Tree->Items().Count(), 2);
  EXPECT_EQ(Tree->Items().GetFirstNode(), Root);
  EXPECT_EQ(Root->GetFirstChild(), Child);
  EXPECT_EQ(Root->Data(), &Data);
  EXPECT_TRUE(Root->Expanded());
  EXPECT_EQ(Tree->Selected(), Child);
  EXPECT_EQ(Child->Text(), "Child");
}

TEST_F(TreesTest, FindItemNodeFindsEveryItemOfAThreeLevelTree) {
  TTreeCollection Model;
  std::vector<std::pair<TTreeItem*, std::string>> All;
  std::function<void(TTreeItems*, const std::string&, int)> Build = [&](TTreeItems* Items, const std::string& Prefix, int Depth) {
    for (int I = 0; I < 3; ++I) {
      TTreeItem* Item = Items->AddItem<TTreeItem>();
      const std::string Name = Prefix + std::to_string(I);
      All.emplace_back(Item, Name);
      if (Depth < 2) Build(Item->Items(), Name + ".", Depth + 1);
    }
  };
  Build(Model.Items(), "", 0);
  // The view mirrors the model; names tell the nodes apart.
  std::function<void(TTreeItems*, TTreeNode*, size_t&)> Show = [&](TTreeItems* Items, TTreeNode* Parent, size_t& Next) {
    for (int I = 0; I < Items->Count(); ++I) {
      auto* Item = static_cast<TTreeItem*>(Items->Items(I));
      const auto Found = std::find_if(All.begin(), All.end(), [&](const auto& P) { return P.first == Item; });
      TTreeNode* Node = Tree->Items().AddChildObject(Parent, Found->second, Item);
      ++Next;
      Show(Item->Items(), Node, Next);
    }
  };
  size_t Shown = 0;
  Show(Model.Items(), nullptr, Shown);
  ASSERT_EQ(All.size(), 39u);
  ASSERT_EQ(Shown, 39u);
  for (const auto& [Item, Name] : All) {
    TTreeNode* Node = FindItemNode(Item, Tree);
    ASSERT_NE(Node, nullptr) << Name;
    EXPECT_EQ(Node->Data(), Item) << Name;
    EXPECT_EQ(Node->Text(), Name);
  }
  TTreeCollection Other;
  TTreeItem* Missing = Other.Items()->AddItem<TTreeItem>();
  TTreeItem* MissingChild = Missing->Items()->AddItem<TTreeItem>();
  EXPECT_EQ(FindItemNode(Missing, Tree), nullptr);
  EXPECT_EQ(FindItemNode(MissingChild, Tree), nullptr);
  EXPECT_EQ(FindItemNode(nullptr, Tree), nullptr);
  // A node gone from the view: its item is not found, nor are its children.
  TTreeNode* Node1 = FindItemNode(All[1].first, Tree);
  ASSERT_EQ(Node1->Text(), "0.0");
  Node1->Delete();
  EXPECT_EQ(FindItemNode(All[1].first, Tree), nullptr);
  EXPECT_EQ(FindItemNode(All[2].first, Tree), nullptr);
  EXPECT_NE(FindItemNode(All[5].first, Tree), nullptr);
}

TEST_F(TreesTest, AdvStringListFillsTreesNodeListsAndNodes) {
  int Objects[3] = {};
  TAdvStringList Lines;
  Lines.AddObject("one", reinterpret_cast<TObject*>(&Objects[0]));
  Lines.AddObject("two", reinterpret_cast<TObject*>(&Objects[1]));
  Lines.AddObject("three", reinterpret_cast<TObject*>(&Objects[2]));
  TTreeNode* A = Tree->Items().Add(nullptr, "A");
  TTreeNode* B = Tree->Items().Add(nullptr, "B");
  Tree->Items().AddChild(A, "old child");
  Tree->Items().AddChild(B, "kept child");

  // A node: its children only.
  A->Assign(&Lines);
  EXPECT_EQ(TopTexts(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ChildTexts(A), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(ChildTexts(B), std::vector<std::string>{"kept child"});
  for (int I = 0; I < 3; ++I) EXPECT_EQ(A->Item(I)->Data(), &Objects[I]);

  // The node list and the view: everything is replaced by top-level nodes.
  const struct {
    const char* Target;
    TPersistent* Dest;
  } Targets[] = {{"node list", &Tree->Items()}, {"tree view", Tree}};
  for (const auto& T : Targets) {
    Tree->Items().Add(nullptr, "extra");
    T.Dest->Assign(&Lines);
    EXPECT_EQ(TopTexts(), (std::vector<std::string>{"one", "two", "three"})) << T.Target;
    EXPECT_EQ(Tree->Items().Count(), 3) << T.Target;
    EXPECT_EQ(Tree->Items().Item(2)->Data(), &Objects[2]) << T.Target;
  }

  TButton Button(Form.get());
  try {
    Button.Assign(&Lines);
    ADD_FAILURE() << "assigning to a button raised nothing";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), "Cannot assign a TAdvStringList to a TButton");
  }
  // A plain string list is not a view's source.
  TStringList Plain;
  Plain.Add("x");
  EXPECT_THROW(Tree->Items().Assign(&Plain), EConvertError);
}

TEST_F(TreesTest, SetNodeIndexKeepsTheNodeAmongItsOwnSiblings) {
  struct TCase {
    const char* Name;
    const char* Node;  // "B" top level, "B1" a child of B
    int Index;
    std::vector<std::string> Top, ChildrenOfB;
  };
  const TCase Cases[] = {
      {"to a lower index", "D", 1, {"A", "D", "B", "C"}, {"B0", "B1", "B2"}},
      {"to a higher index", "A", 2, {"B", "C", "A", "D"}, {"B0", "B1", "B2"}},
      {"to the last place", "B", 3, {"A", "C", "D", "B"}, {"B0", "B1", "B2"}},
      {"past the last place", "A", 9, {"B", "C", "D", "A"}, {"B0", "B1", "B2"}},
      {"a child to the first place", "B2", 0, {"A", "B", "C", "D"}, {"B2", "B0", "B1"}},
      {"a child to a higher index", "B0", 1, {"A", "B", "C", "D"}, {"B1", "B0", "B2"}},
      {"in place", "C", 2, {"A", "B", "C", "D"}, {"B0", "B1", "B2"}},
  };
  for (const TCase& C : Cases) {
    Tree->Items().Clear();
    std::map<std::string, TTreeNode*> Nodes;
    for (const char* Top : {"A", "B", "C", "D"}) {
      TTreeNode* N = Tree->Items().Add(nullptr, Top);
      Nodes[Top] = N;
      for (int I = 0; I < 3; ++I) {
        const std::string Name = Top + std::to_string(I);
        Nodes[Name] = Tree->Items().AddChildObject(N, Name, N);
      }
      N->Expand(false);  // the top level among expanded nodes
    }
    TTreeNode* Moved = Nodes[C.Node];
    const HTREEITEM Before = Moved->ItemId();
    SetNodeIndex(Moved, C.Index);
    EXPECT_EQ(TopTexts(), C.Top) << C.Name;
    EXPECT_EQ(ChildTexts(Nodes["B"]), C.ChildrenOfB) << C.Name;
    EXPECT_EQ(Moved->Index(), std::min(C.Index, 3)) << C.Name;
    if (std::string(C.Name) == "in place") {
      EXPECT_EQ(Moved->ItemId(), Before);
    }
    // A moved branch keeps its children, their data and its expanded state.
    for (const char* Top : {"A", "B", "C", "D"}) {
      TTreeNode* N = Nodes[Top];
      EXPECT_EQ(N->Count(), 3) << C.Name << " " << Top;
      EXPECT_TRUE(N->Expanded()) << C.Name << " " << Top;
      for (TTreeNode* Ch = N->GetFirstChild(); Ch; Ch = Ch->GetNextSibling()) EXPECT_EQ(Ch->Data(), N);
    }
  }
}

TEST_F(TreesTest, MoveToAttachModesAndOwnBranchRefused) {
  TTreeNode* A = Tree->Items().Add(nullptr, "A");
  TTreeNode* B = Tree->Items().Add(nullptr, "B");
  TTreeNode* A1 = Tree->Items().AddChild(A, "A1");
  B->MoveTo(A, naAddChildFirst);
  EXPECT_EQ(ChildTexts(A), (std::vector<std::string>{"B", "A1"}));
  A1->MoveTo(nullptr, naAdd);
  EXPECT_EQ(TopTexts(), (std::vector<std::string>{"A", "A1"}));
  A1->MoveTo(A, naInsert);
  EXPECT_EQ(TopTexts(), (std::vector<std::string>{"A1", "A"}));
  EXPECT_THROW(A->MoveTo(B, naAddChild), ETreeViewError);
  EXPECT_EQ(B->Parent(), A);
}

TEST_F(TreesTest, SelectionFiresOnChangeAndRightClickSelects) {
  TTreeNode* A = Tree->Items().Add(nullptr, "A");
  TTreeNode* B = Tree->Items().Add(nullptr, "B");
  TTreeNode* C = Tree->Items().Add(nullptr, "C");
  std::vector<TTreeNode*> Changes;
  Tree->OnChange = [&](TObject* Sender, TTreeNode* Node) {
    EXPECT_EQ(Sender, Tree);
    Changes.push_back(Node);
  };
  B->SetSelected(true);
  EXPECT_EQ(Changes, std::vector<TTreeNode*>{B});
  EXPECT_EQ(Tree->Selected(), B);
  EXPECT_TRUE(B->Selected());
  EXPECT_FALSE(A->Selected());
  Tree->SetSelected(A);
  EXPECT_EQ(Tree->Selected(), A);
  EXPECT_EQ(Changes.back(), A);

  const RECT R = C->DisplayRect(true);
  const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
  // The pointer rests on the node: a real move away from the press would make the view's
  // press tracking start a right-button drag instead of a click.
  ASSERT_TRUE(MovePointerTo(Form->Handle(), Tree->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2})));
  const auto RightClick = [&] {
    PostMessageA(Tree->Handle(), WM_RBUTTONUP, 0, At);
    SendMessageA(Tree->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At);
    PumpUntilIdle();
  };
  RightClick();
  EXPECT_EQ(Tree->Selected(), A);
  Tree->RightClickSelect = true;
  RightClick();
  EXPECT_EQ(Tree->Selected(), C);
  EXPECT_EQ(Changes.back(), C);
}

TEST_F(TreesTest, MakeVisibleOpensTheAncestorsAndScrolls) {
  TTreeNode* Last = nullptr;
  for (int I = 0; I < 50; ++I) Last = Tree->Items().Add(nullptr, "Node " + std::to_string(I));
  TTreeNode* Child = Tree->Items().AddChild(Last, "Deep child");
  EXPECT_FALSE(Child->IsVisible());
  Child->MakeVisible();
  EXPECT_TRUE(Last->Expanded());
  EXPECT_TRUE(Child->IsVisible());
  const RECT R = Child->DisplayRect(false);
  EXPECT_GE(R.top, 0);
  EXPECT_LE(R.bottom, Tree->ClientHeight());
  EXPECT_NE(Tree->TopItem(), Tree->Items().GetFirstNode());
  EXPECT_EQ(Child->Level(), 1);
  EXPECT_EQ(Child->AbsoluteIndex(), 50);
  EXPECT_EQ(Tree->Items().Item(50), Child);
  EXPECT_THROW(Tree->Items().Item(51), ETreeViewError);
}

TEST_F(TreesTest, PropertiesByNameAndImageListFreed) {
  ASSERT_EQ(FindComponentClass("TTreeView"), &TTreeView::StaticClassInfo());
  const auto Style = [&] { return GetWindowLongPtrA(Tree->Handle(), GWL_STYLE); };
  SetPropText(Tree, "Indent", "25");
  EXPECT_EQ(SendMessageA(Tree->Handle(), TVM_GETINDENT, 0, 0), 25);
  EXPECT_EQ(GetPropText(Tree, "Indent"), "25");
  SetPropText(Tree, "HideSelection", "True");
  EXPECT_FALSE(Style() & TVS_SHOWSELALWAYS);
  SetPropText(Tree, "HideSelection", "False");
  EXPECT_TRUE(Style() & TVS_SHOWSELALWAYS);
  EXPECT_TRUE(Style() & TVS_EDITLABELS);
  SetPropText(Tree, "ReadOnly", "True");
  EXPECT_FALSE(Style() & TVS_EDITLABELS);
  SetPropText(Tree, "ShowLines", "False");
  EXPECT_FALSE(Style() & TVS_HASLINES);
  SetPropText(Tree, "RightClickSelect", "True");
  EXPECT_TRUE(Tree->RightClickSelect);
  SetPropText(Tree, "DragMode", "dmAutomatic");
  EXPECT_EQ(Tree->DragMode, dmAutomatic);

  auto* Images = new TImageList(Form.get());
  Tree->SetImages(Images);
  EXPECT_EQ(SendMessageA(Tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0), reinterpret_cast<LRESULT>(Images->Handle()));
  delete Images;
  EXPECT_EQ(Tree->Images(), nullptr);
  EXPECT_EQ(SendMessageA(Tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);
}

}  // namespace
