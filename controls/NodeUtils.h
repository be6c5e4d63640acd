// Tree-view nodes of the menu pages: the node that shows a model item, and moving a node to a
// position among its siblings.
#pragma once

#include "classlib/gui/TreeView.h"
#include "model/TreeCollection.h"

// The node of TreeView whose Data is Item, searched level by level along Item's ancestors;
// nullptr for no Item or when a level has no such node.
TTreeNode* FindItemNode(TTreeItem* Item, TTreeView* TreeView);

// Leaves Node at position Index among its siblings (the top-level nodes for a top-level node); an
// Index past the last sibling makes it the last one. Nothing when it is there already.
void SetNodeIndex(TTreeNode* Node, int Index);
