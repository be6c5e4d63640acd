// The tree views of the two menu pages.
#include "application/MenuTree.h"

#include "controls/NodeUtils.h"

namespace {

// The node of Item, made (with those of its owners) when it has none yet.
TTreeNode* EnsureItemNode(const TMenuTree& View, TTreeItem* Item) {
  if (TTreeNode* Node = FindItemNode(Item, View.Tree)) return Node;
  TTreeItems* Collection = Item->GetCollection();
  TTreeItem* Owner = Collection ? Collection->ParentItem() : nullptr;
  TTreeNode* Parent = Owner ? EnsureItemNode(View, Owner) : nullptr;
  TTreeNode* Node = CreateItemNode(View, Parent, Item);
  SetNodeIndex(Node, Item->Index());
  return Node;
}

}  // namespace

std::string ItemNodeText(TTreeItem* Item) {
  if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item)) return Category->GetFileTypeCaption();
  if (auto* MenuItem = dynamic_cast<TCustomMenuItem*>(Item)) return MenuItem->Caption();
  return "";
}

static void SetNodeImages(TTreeNode* Node, TTreeItem* Item) {
  int Image = -1;
  if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item))
    if (TFileType* Type = Category->GetFileType()) Image = Type->Index();
  Node->SetImageIndex(Image);
  Node->SetSelectedIndex(Image);
}

TTreeNode* CreateItemNode(const TMenuTree& View, TTreeNode* Parent, TTreeItem* Item) {
  TTreeNode* Node = View.Tree->Items().AddChildObject(Parent, ItemNodeText(Item), Item);
  SetNodeImages(Node, Item);
  return Node;
}

void UpdateItemNode(const TMenuTree&, TTreeNode* Node, TTreeItem* Item) {
  Node->SetText(ItemNodeText(Item));
  SetNodeImages(Node, Item);
  if (Item->Expanded() && Item->HasChildren()) Node->Expand(false);
}

void AddItemNodes(const TMenuTree& View, TTreeItems* Collection, TTreeNode* Parent) {
  for (int I = 0; I < Collection->Count(); ++I) {
    TTreeItem* Item = Collection->GetItem(I);
    TTreeNode* Node = CreateItemNode(View, Parent, Item);
    AddItemNodes(View, Item->Items(), Node);
    if (Item->Expanded() && Item->HasChildren()) Node->Expand(false);
  }
}

void RebuildItemBranch(const TMenuTree& View, TTreeItems* Collection, TTreeItem* Item) {
  TTreeItems* Changed = Item ? Item->Items() : Collection ? Collection : View.Menu->Items();
  TTreeItem* Owner = Changed->ParentItem();
  TTreeNode* Node = Owner ? EnsureItemNode(View, Owner) : nullptr;
  TTreeNodes& Nodes = View.Tree->Items();
  Nodes.BeginUpdate();
  struct TEnd {
    TTreeNodes& Nodes;
    ~TEnd() { Nodes.EndUpdate(); }
  } End{Nodes};
  if (Node)
    Node->DeleteChildren();
  else
    Nodes.Clear();
  AddItemNodes(View, Changed, Node);
  if (Node) UpdateItemNode(View, Node, Owner);
}

void SelectFocusedNode(const TMenuTree& View) {
  // Selecting shows the node: its owners are expanded in the model as in the view.
  for (TTreeItem* Item = View.Menu->Focused(); Item && Item->GetCollection();) {
    Item = Item->GetCollection()->ParentItem();
    if (Item) Item->SetExpanded(true);
  }
  TTreeNode* Node = FindItemNode(View.Menu->Focused(), View.Tree);
  if (View.Tree->Selected() != Node) View.Tree->SetSelected(Node);
}

TTreeNode* SelectNodeAtMouse(TTreeView* Tree, int X, int Y) {
  TTreeNode* Node = Tree->GetNodeAt(X, Y);
  if (Node) Tree->SetSelected(Node);
  return Node;
}
