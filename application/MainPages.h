// The parts that the two menu pages of the main window share: their layout rows, the texts of
// the detail fields, the commands that work alike on both menus, and the binding of each page's
// actions (one unit per page: MainStatic.cpp, MainSubmenu.cpp).
#pragma once

#include "application/Main.h"
#include "application/MenuTree.h"
#include "classlib/gui/DragDrop.h"
#include "controls/AdvTreeView.h"
#include "model/DraggedItems.h"

#include <functional>
#include <string>
#include <vector>

class TFileType;
class TCustomComboBox;

// The component Name of Form as a T (nullptr when missing).
template <class T>
T* FormPart(TComponent* Form, const char* Name) {
  return dynamic_cast<T*>(Form->FindComponent(Name));
}

// The components of both pages, appended to the main window's layout.
void AddMenuPagesLayout(TLayout& Layout);
// Registers the layout's handlers of both pages.
void RegisterMenuPagesHandlers(TfrmMain* Form);

// "Key: \"<name>\"" of a file type.
std::string FileTypeKeyText(const TFileType* Type);
// "Extensions: " and the type's extensions joined with ", "; "" when it has none.
std::string FileTypeExtensionsText(const TFileType* Type);
// The caption of an item for an application file: its version block's FileDescription, else
// the file's name without folder and extension.
std::string ApplicationCaption(const std::string& FileName);
// The node of Item in Tree takes the item's text and has its whole row painted again.
void RepaintItemNode(TTreeView* Tree, TTreeItem* Item);
// The application edit shows Application, keeping its own text when that is the same path quoted.
void ShowApplication(TControl* Edit, const std::string& Application);
// Opens the folder of Application (quoted or not) with the shell's "explore" verb; a shell result
// of 32 or less raises the system's text for it.
void ExploreApplicationFolder(const std::string& Application);
// "Delete menu item?" with OK and Cancel; true on OK.
bool ConfirmDeleteItem();
// Moves Item by Delta places within its collection when the place exists.
void MoveItemBy(TTreeItem* Item, int Delta);
// The entry a drag started in Tree carries: the pressed node's entry (the view starts a drag
// before it moves the selection), else the focused entry of Menu.
TTreeItem* DragStartItem(TAdvTreeView* Tree, TCustomMenu* Menu);
// The container of a new entry: the focused category, the focused submenu (when SubMenus), the
// owner of the focused item, else the top level (nullptr).
TCustomMenuItems* NewItemContainer(TCustomMenu* Menu, bool SubMenus);
// The drag rules of both trees. Where Node (under the pointer) would take the item: Accept, and
// the target collection and index; Exchange when it reorders within its own collection.
struct TDropPlace {
  bool Accept = false;
  bool Exchange = false;
  TCategorizedCollectionItem* Target = nullptr;  // the container that takes the item
  int Index = 0;
};
TDropPlace MenuDropPlace(TCustomMenuItem* Dragged, TTreeNode* Node);
// Drops Dragged at Place: reorders, moves or (Copy) copies; the moved item or the copy is focused.
void DropMenuItem(TCustomMenuItem* Dragged, const TDropPlace& Place, bool Copy);
// Over a node's expand button, icon, indent or state icon (not its label) a node with children is
// expanded one level; the node is scrolled into view.
void ExpandNodeUnderDrag(TTreeView* Tree, TTreeNode* Node, int X, int Y);

// Fills each popup menu with items for its actions ("-" a separator, a name beginning "mi" an
// item of that name without action); each speed button runs its action (none for "") on a click
// and opens its drop-down menu (none for "").
struct TPageMenu {
  const char* Menu;
  std::vector<const char*> Entries;
};
struct TPageButton {
  const char* Button;
  const char* Action;
  const char* DropDown;
};
void BindPageMenus(TfrmMain* Form, const std::vector<TPageMenu>& Menus, const std::vector<TPageButton>& Buttons);

// Draws Picture (an icon or a PNG picture; nothing when empty) in a square of Size left of the
// node's text (its text's left edge minus the tree's indent), centred on the row.
void DrawNodePicture(TTreeView* Tree, TTreeNode* Node, TGraphic* Picture);
// Draws image Index of Images at the same place; nothing when the list has no such image.
void DrawNodeGlyph(TTreeView* Tree, TTreeNode* Node, TCustomImageList* Images, int Index);

// The tree glyphs: 0 an unchecked box, 1 a checked box, 2 the drop-target mark.
void MakePageGlyphs(TCustomImageList* Images);

// Gives action Name its execute handler and an update handler that enables it by Enabled and then
// sets its shortcut through SetActionShortCut with Tree (and Button, "" for none).
void BindPageAction(TfrmMain* Form, TTreeView* Tree, const char* Name, std::function<void()> Execute,
                    std::function<bool()> Enabled, TShortCut Keys, const char* Button);
// Gives Dragged a drag image of the node the drag started on (else the selected one), when the
// view can make one.
void SetNodeDragImage(TDraggedItem* Dragged, TAdvTreeView* Tree);
// The drag-over and drop handlers of both trees, for a dragged item of the tree's own menu
// (nullptr: refused). The drag-over sets the drag cursor and marks the accepting node under the
// pointer (the view's drop highlight, Shown set); a leave, a refusal and the drop take the mark
// away and clear Shown.
bool MenuTreeDragOver(TTreeView* Tree, TDraggedItem* Dragged, int X, int Y, TDragState State, bool& Shown);
void MenuTreeDragDrop(TTreeView* Tree, TDraggedItem* Dragged, int X, int Y, bool& Shown);
// Whether Node carries the drop-target mark: the view's drop highlight while Shown.
bool IsMarkedDropTarget(TTreeView* Tree, TTreeNode* Node, bool Shown);
// Adds the names after the first of FileList to Container (nullptr: the menu's top level), each
// filled by Fill, inside one bracket (the container item's with the menu's change notices held,
// else the menu's), and focuses the last one.
void AddFurtherDroppedFiles(TCustomMenu* Menu, TCustomMenuItems* Container, TStrings* FileList,
                            const std::function<TCustomMenuItem*(TCustomMenuItems* Into, const std::string& Name)>& Add);

// Binds the "Static" and "ActiveX" actions (execute and update) and the pages' popup menus.
void BindStaticPage(TfrmMain* Form);
void BindSubmenuPage(TfrmMain* Form);
