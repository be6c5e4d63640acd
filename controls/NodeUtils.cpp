// Tree-view nodes of the menu pages.
#include "controls/NodeUtils.h"

TTreeNode* FindItemNode(TTreeItem* Item, TTreeView* TreeView) {
  if (!Item || !TreeView) return nullptr;
  TTreeItems* Collection = Item->GetCollection();
  TTreeItem* ParentItem = Collection ? Collection->ParentItem() : nullptr;
  TTreeNode* Node;
  if (!ParentItem) {
    Node = TreeView->Items().GetFirstNode();
  } else {
    TTreeNode* ParentNode = FindItemNode(ParentItem, TreeView);
    Node = ParentNode ? ParentNode->GetFirstChild() : nullptr;
  }
  while (Node && Node->Data() != Item) Node = Node->GetNextSibling();
  return Node;
}

void SetNodeIndex(TTreeNode* Node, int Index) {
  if (!Node || Node->Index() == Index) return;
  TTreeNode* Parent = Node->Parent();
  // The sibling that will follow the node: the Index-th of the others.
  TTreeNode* Sibling = Parent ? Parent->GetFirstChild() : Node->Owner()->GetFirstNode();
  for (int I = 0; Sibling; Sibling = Sibling->GetNextSibling()) {
    if (Sibling == Node) continue;
    if (I++ == Index) break;
  }
  if (Sibling)
    Node->MoveTo(Sibling, naInsert);
  else if (Parent)
    Node->MoveTo(Parent, naAddChild);
  else
    Node->MoveTo(nullptr, naAdd);
}
