// The tree views of the two menu pages: one node per model item, the node's Data its item. One set
// of routines serves both trees, so that the static and the dynamic page follow the same rules.
#pragma once

#include "classlib/gui/TreeView.h"
#include "model/MenuItems.h"

// A tree view showing a menu, with the counter that is above zero while the window itself updates
// the view from the model (the view's handlers then leave the model alone).
struct TMenuTree {
  TTreeView* Tree;
  TCustomMenu* Menu;
  int& SyncDepth;
};

// Holds SyncDepth above zero for its lifetime.
class TSyncScope {
public:
  explicit TSyncScope(int& Depth) : FDepth(Depth) { ++FDepth; }
  ~TSyncScope() { --FDepth; }
  TSyncScope(const TSyncScope&) = delete;
  TSyncScope& operator=(const TSyncScope&) = delete;

private:
  int& FDepth;
};

// The text of an item's node: a category's file-type description, a menu item's caption.
std::string ItemNodeText(TTreeItem* Item);
// A child node of Parent (nullptr: the top level) showing Item.
TTreeNode* CreateItemNode(const TMenuTree& View, TTreeNode* Parent, TTreeItem* Item);
// Text and images again; expanded when the item is marked expanded and has children.
void UpdateItemNode(const TMenuTree& View, TTreeNode* Node, TTreeItem* Item);
// Nodes for the items of Collection under Parent, recursively, each expanded as its item is.
void AddItemNodes(const TMenuTree& View, TTreeItems* Collection, TTreeNode* Parent);
// Shows the collection that a tree change names again: the children of Item when there is one,
// else Collection, else the menu's top level. Nodes outside it stay as they are.
void RebuildItemBranch(const TMenuTree& View, TTreeItems* Collection, TTreeItem* Item);
// Selects the node of the menu's focused item (none when nothing is focused); the item's owners
// are marked expanded, as the view shows them.
void SelectFocusedNode(const TMenuTree& View);
// The node under the client point becomes the selected one; answers it (nullptr: none there).
TTreeNode* SelectNodeAtMouse(TTreeView* Tree, int X, int Y);

// The item of a node; nullptr for no node.
inline TTreeItem* NodeItem(TTreeNode* Node) { return Node ? static_cast<TTreeItem*>(Node->Data()) : nullptr; }
