// The main window's "Static Items" page: the static menu in tvMenu with a check box in front of
// each item, and the focused item in the detail controls.
#include "application/MainPages.h"

#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/AdvCursors.h"
#include "controls/AdvTreeView.h"
#include "controls/FileTypeView.h"
#include "controls/ToolEdit.h"
#include "controls/NodeUtils.h"
#include "model/StaticMenu.h"
#include "model/Utils.h"

namespace {

constexpr int StaticPageIndex = 0;

TAdvTreeView* STree(TfrmMain* F) { return FormPart<TAdvTreeView>(F, "tvMenu"); }

TStaticMenuItem* FocusedStaticItem(TfrmMain* F) { return dynamic_cast<TStaticMenuItem*>(F->StaticMenu->Focused()); }

bool StaticEnabled(TfrmMain* F) {
  return FormPart<TPageControl>(F, "pgcMain")->ActivePageIndex() == StaticPageIndex && !STree(F)->IsEditing();
}

// The node whose check box the left button went down on (kept in the tree's Tag).
TTreeNode* PendingCheckNode(TTreeView* Tree) { return reinterpret_cast<TTreeNode*>(Tree->Tag); }
void SetPendingCheckNode(TTreeView* Tree, TTreeNode* Node) { Tree->Tag = reinterpret_cast<intptr_t>(Node); }

bool OnCheckBoxArea(TTreeView* Tree, int X, int Y) { return (Tree->GetHitTestInfoAt(X, Y) & (htOnIcon | htOnStateIcon)) != 0; }

// An item for a dropped file: the file as application, its name as caption.
void FillDroppedItem(TCustomMenuItem* Item, const std::string& FileName) {
  Item->BeginUpdate();
  Item->SetApplication(FileName);
  Item->SetCaption(ExtractFileName(FileName));
  Item->EndUpdate();
}

}  // namespace

TMenuTree TfrmMain::StaticView() { return {STree(this), StaticMenu, StaticSyncDepth}; }

// ---------------------------------------------------------------------------------------------
// Model to tree

void TfrmMain::OnStaticTreeChange(TObject*, TTreeItems* Collection, TTreeItem* Item) {
  TSyncScope Sync(StaticSyncDepth);
  SetPendingCheckNode(STree(this), nullptr);
  RebuildItemBranch(StaticView(), Collection, Item);
  OnStaticFocusChange(StaticMenu);
}

void TfrmMain::OnStaticFocusChange(TObject*) {
  TSyncScope Sync(StaticSyncDepth);
  SelectFocusedNode(StaticView());
  UpdateActions("Static");
  Action("actApply")->Update();
  RefreshStaticDetails();
}

void TfrmMain::OnStaticItemChange(TObject*, TTreeItem* Item) {
  UpdateActions("Static");
  Action("actApply")->Update();
  RepaintItemNode(STree(this), Item);  // its check box too
  if (Item == StaticMenu->Focused()) {
    TSyncScope Sync(StaticSyncDepth);
    RefreshStaticDetails();
  }
}

void TfrmMain::RefreshStaticDetails() {
  TStaticMenuItem* Item = FocusedStaticItem(this);
  SetControlsEnabled(FormPart<TControl>(this, "pnlStaticDetails"), Item != nullptr, Item != nullptr);
  if (!Item) return;
  FormPart<TCheckBox>(this, "chkInclude")->SetChecked(Item->Checked());
  ShowApplication(FormPart<TControl>(this, "edApplication"), Item->Application());
  FormPart<TControl>(this, "edParameters")->SetText(Item->Parameters());
  TFileType* Type = Item->GetFileType();
  FormPart<TFileTypeComboBox>(this, "cbFileType")->SetFileType(Type);
  FormPart<TControl>(this, "edFileType")->SetText(FileTypeKeyText(Type));
  FormPart<TControl>(this, "memFileExtensions")->SetText(FileTypeExtensionsText(Type));
}

// ---------------------------------------------------------------------------------------------
// Tree to model

void TfrmMain::tvMenuChange(TObject*, TTreeNode* Node) {
  if (StaticSyncDepth == 0) StaticMenu->SetFocused(NodeItem(Node));
}

void TfrmMain::tvMenuExpanding(TObject*, TTreeNode* Node, bool&) {
  if (StaticSyncDepth == 0 && NodeItem(Node)) NodeItem(Node)->SetExpanded(true);
}

void TfrmMain::tvMenuCollapsing(TObject*, TTreeNode* Node, bool&) {
  if (StaticSyncDepth == 0 && NodeItem(Node)) NodeItem(Node)->SetExpanded(false);
}

void TfrmMain::tvMenuEditing(TObject*, TTreeNode* Node, bool& AllowEdit) {
  AllowEdit = dynamic_cast<TStaticMenuItem*>(NodeItem(Node)) != nullptr;
  UpdateActions("Static");
}

void TfrmMain::tvMenuEdited(TObject*, TTreeNode* Node, std::string& S) {
  if (auto* Item = dynamic_cast<TStaticMenuItem*>(NodeItem(Node))) Item->SetCaption(S);
  UpdateActions("Static");
}

void TfrmMain::tvMenuMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  TTreeView* Tree = STree(this);
  if (Button == mbLeft && OnCheckBoxArea(Tree, X, Y))
    SetPendingCheckNode(Tree, Tree->GetNodeAt(X, Y));
  else if (Button == mbRight)
    SelectNodeAtMouse(Tree, X, Y);
}

void TfrmMain::tvMenuMouseUp(TObject*, TMouseButton, TShiftState, int X, int Y) {
  TAdvTreeView* Tree = STree(this);
  TTreeNode* Pending = PendingCheckNode(Tree);
  if (!Pending || Tree->DraggedNode()) return;
  SetPendingCheckNode(Tree, nullptr);
  if (Tree->GetNodeAt(X, Y) == Pending && OnCheckBoxArea(Tree, X, Y))
    if (auto* Item = dynamic_cast<TStaticMenuItem*>(NodeItem(Pending))) Item->SetChecked(!Item->Checked());
}

// ---------------------------------------------------------------------------------------------
// Details to model

void TfrmMain::edApplicationChange(TObject*) {
  if (StaticSyncDepth > 0) return;
  if (TStaticMenuItem* Item = FocusedStaticItem(this))
    Item->SetApplication(UnquotedPath(FormPart<TControl>(this, "edApplication")->Text()));
}

void TfrmMain::edParametersChange(TObject*) {
  if (StaticSyncDepth > 0) return;
  if (TStaticMenuItem* Item = FocusedStaticItem(this)) Item->SetParameters(FormPart<TControl>(this, "edParameters")->Text());
}

void TfrmMain::chkIncludeClick(TObject*) {
  if (StaticSyncDepth > 0) return;
  if (TStaticMenuItem* Item = FocusedStaticItem(this)) Item->SetChecked(FormPart<TCheckBox>(this, "chkInclude")->Checked());
}

void TfrmMain::cbFileTypeChange(TObject*) {
  TStaticMenuItem* Item = FocusedStaticItem(this);
  if (!Item || StaticSyncDepth > 0) return;
  if (TFileType* Type = FormPart<TFileTypeComboBox>(this, "cbFileType")->GetFileType()) Item->SetFileType(Type);
}

void TfrmMain::edApplicationAfterDialog(TObject*, std::string& FileName, bool& Action) {
  if (TStaticMenuItem* Item = FocusedStaticItem(this); Item && Action) {
    Item->SetCaption(ApplicationCaption(FileName));
    Item->SetApplication(FileName);
  }
}

void TfrmMain::HoverLabel1Click(TObject*) {
  POINT P{};
  GetCursorPos(&P);
  FormPart<TPopupMenu>(this, "pmMenu")->Popup(P.x, P.y);
}

// ---------------------------------------------------------------------------------------------
// Adding

void TfrmMain::AddStaticItem(const std::string& FileName) {
  TTreeView* Tree = STree(this);
  if (FileName.empty() && Tree->CanFocus()) SetActiveControl(Tree);
  TCustomMenuItems* Container = NewItemContainer(StaticMenu, false);
  TCustomMenuItem* Item = (Container ? Container : StaticMenu->GetItems())->AddItem();
  if (!FileName.empty()) {
    FillDroppedItem(Item, FileName);
    Item->Focus();
    return;
  }
  Item->Focus();
  FormPart<TFilenameEdit>(this, "edApplication")->DoClick();
  if (TStaticMenuItem* Focused = FocusedStaticItem(this); Focused && Focused->Application().empty()) delete Focused;
}

void TfrmMain::AddDroppedStaticFiles(TStrings* FileList) {
  if (!FileList || FileList->Count() == 0) return;
  AddStaticItem(FileList->Get(0));
  AddFurtherDroppedFiles(StaticMenu, NewItemContainer(StaticMenu, false), FileList,
                         [](TCustomMenuItems* Into, const std::string& Name) {
                           TCustomMenuItem* Item = Into->AddItem();
                           FillDroppedItem(Item, Name);
                           return Item;
                         });
}

// ---------------------------------------------------------------------------------------------
// Dragging and drawing

void TfrmMain::tvMenuStartDrag(TObject*, TDragObject*& DragObject) {
  TAdvTreeView* Tree = STree(this);
  auto* Item = dynamic_cast<TStaticMenuItem*>(DragStartItem(Tree, StaticMenu));
  if (PendingCheckNode(Tree) || !Item) {
    CancelDrag();
    return;
  }
  auto* Dragged = new TDraggedStaticItem(Item);
  DragObject = Dragged;
  SetNodeDragImage(Dragged, Tree);
}

void TfrmMain::tvMenuDragOver(TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = MenuTreeDragOver(STree(this), dynamic_cast<TDraggedStaticItem*>(Source), X, Y, State, StaticDropTargetShown);
}

void TfrmMain::tvMenuDragDrop(TObject*, TObject* Source, int X, int Y) {
  MenuTreeDragDrop(STree(this), dynamic_cast<TDraggedStaticItem*>(Source), X, Y, StaticDropTargetShown);
}

void TfrmMain::tvMenuFilesDrop(TObject*, TStrings* FileList) { AddDroppedStaticFiles(FileList); }

void TfrmMain::tvMenuAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState, TCustomDrawStage Stage,
                                            bool&, bool&) {
  auto* Item = dynamic_cast<TStaticMenuItem*>(NodeItem(Node));
  if (!Item || Stage != cdPostPaint) return;
  const bool DropTarget = IsMarkedDropTarget(Sender, Node, StaticDropTargetShown);
  DrawNodeGlyph(Sender, Node, FormPart<TCustomImageList>(this, "ilGlyphs"), DropTarget ? 2 : Item->Checked() ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Actions

void BindStaticPage(TfrmMain* F) {
  TTreeView* Tree = STree(F);
  auto Bind = [F, Tree](const char* Name, std::function<void()> Execute, std::function<bool()> Enabled, TShortCut Keys,
                        const char* Button) { BindPageAction(F, Tree, Name, Execute, Enabled, Keys, Button); };
  auto Enabled = [F] { return StaticEnabled(F); };
  auto ItemSelected = [F] { return StaticEnabled(F) && FocusedStaticItem(F) != nullptr; };
  auto Ctrl = [](WORD Key) { return static_cast<TShortCut>(scCtrl | Key); };

  Bind("actAdd", [F] { F->AddStaticItem(); }, Enabled, VK_INSERT, "spbAdd");
  Bind("actDel", [F, Tree] {
    if (Tree->CanFocus()) F->SetActiveControl(Tree);
    if (TStaticMenuItem* Item = FocusedStaticItem(F); Item && ConfirmDeleteItem()) delete Item;
  }, ItemSelected, VK_DELETE, "spbDelete");
  Bind("actFind", [F] {
    if (TStaticMenuItem* Item = FocusedStaticItem(F)) ExploreApplicationFolder(Item->Application());
  }, [F, ItemSelected] { return ItemSelected() && !FocusedStaticItem(F)->Application().empty(); }, Ctrl('F'), "spbFind");
  Bind("actUp", [F] { MoveItemBy(F->StaticMenu->Focused(), -1); },
       [F, ItemSelected] { return ItemSelected() && FocusedStaticItem(F)->Index() >= 1; }, Ctrl(VK_UP), "spbUp");
  Bind("actDown", [F] { MoveItemBy(F->StaticMenu->Focused(), 1); }, [F, ItemSelected] {
    TStaticMenuItem* Item = FocusedStaticItem(F);
    return ItemSelected() && Item->Index() < Item->GetCollection()->Count() - 1;
  }, Ctrl(VK_DOWN), "spbDown");
  Bind("actRename", [F, Tree] {
    if (Tree->Selected()) {
      if (Tree->CanFocus()) F->SetActiveControl(Tree);
      Tree->Selected()->EditText();
    }
    F->UpdateActions("Static");
  }, ItemSelected, VK_F2, "");
  Bind("actSort", [F] {
    TTreeItem* Focused = F->StaticMenu->Focused();
    if (dynamic_cast<TCustomFileTypeCategory*>(Focused))
      Focused->Items()->Sort();
    else if (Focused && Focused->GetCollection())
      Focused->GetCollection()->Sort();
  }, [F, Enabled] { return Enabled() && F->StaticMenu->Focused() != nullptr; }, scNone, "");

  BindPageMenus(F, {{"pmMenu", {"actAdd", "actRename", "actDel", "actFind", "-", "actUp", "actDown", "-", "actSort", "-",
                                "actQuickHint"}}},
                {{"spbAdd", "actAdd", ""}, {"spbDelete", "actDel", ""}, {"spbFind", "actFind", ""}, {"spbUp", "actUp", ""},
                 {"spbDown", "actDown", ""}});
  Tree->SetPopupMenu(FormPart<TPopupMenu>(F, "pmMenu"));
}
