// The context-menu object's item tree: building it from section "Dynamic Items", inserting it into
// the shell's menu, drawing its owner-drawn items and starting an item's application.
// Items are not loaded yet: the tree stays empty, so the object inserts nothing and knows no
// command identifier.
#include "shellext/ContextM.h"

struct TXMenu {};

void TCorvMenu::CreateXMenu() { ClearXMenu(); }

void TCorvMenu::ClearXMenu() {
  delete FXMenu;
  FXMenu = nullptr;
}

void TCorvMenu::InsertXMenu(HMENU Menu, UINT Position, UINT& Identifier) {}

TXMenu* TCorvMenu::GetXItemForID(TXMenu* Node, UINT Identifier) { return nullptr; }

std::string TCorvMenu::XItemHint(const TXMenu* Node) { return std::string(); }

void TCorvMenu::DoMeasureItem(MEASUREITEMSTRUCT& Item) {
  LogWriteFmt("DoMeasureItem: item not found, itemID=%d", {static_cast<int>(Item.itemID)});
}

void TCorvMenu::DoDrawItem(const DRAWITEMSTRUCT& Item) {
  LogWriteFmt("DoDrawItem: item not found, itemID=%d", {static_cast<int>(Item.itemID)});
}

HRESULT TCorvMenu::ExecuteXItem(UINT Identifier, const CMINVOKECOMMANDINFO& Info) { return E_FAIL; }
