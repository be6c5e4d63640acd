// The main window's "Submenu Items" page: the dynamic menu in tvXMenu and the focused item in the
// detail controls; every edit goes into the model, whose events redraw the tree.
#include "application/MainPages.h"

#include "application/CustomDraw.h"
#include "application/SelectIcon.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/Dialogs.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/AdvCursors.h"
#include "controls/AdvTreeView.h"
#include "controls/FileTypeView.h"
#include "controls/ToolEdit.h"
#include "controls/MRUList.h"
#include "controls/NodeUtils.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/Utils.h"
#include "resources/ResStrings.h"

namespace {

constexpr int SubmenuPageIndex = 1;

TAdvTreeView* XTree(TfrmMain* F) { return FormPart<TAdvTreeView>(F, "tvXMenu"); }

TDynamicMenuItem* FocusedDynamicItem(TfrmMain* F) { return dynamic_cast<TDynamicMenuItem*>(F->DynamicMenu->Focused()); }

// actXSelectIcon: the picker on the focused item's icon; on OK the item takes the chosen icon and the
// recent icons get "<file>, <index>" with the index as user value.
void SelectItemIcon(TfrmMain* F) {
  TDynamicMenuItem* Item = FocusedDynamicItem(F);
  if (!Item) return;
  std::string File = Item->IconFile();
  int Index = Item->IconIndex();
  if (!ShowSelectIcon(File, Index)) return;
  Item->SetIconFile(File);
  Item->SetIconIndex(Index);
  FormPart<TMRUManager>(F, "mruIcons")->Add(File + ", " + IntToStr(Index), Index);
}

// The recent icons: captions without folder, pictures made when "Se&lect Recent" opens (again after
// every change of the list); a chosen entry becomes the focused item's icon, or goes with a message
// when its picture cannot be loaded.
void InitRecentIcons(TfrmMain* F) {
  auto* Recent = FormPart<TMRUManager>(F, "mruIcons");
  auto* Images = FormPart<TCustomImageList>(F, "ilRecentIcons");
  auto* Reselect = FormPart<TMenuItem>(F, "miReselectIcon");
  if (!Recent || !Images || !Reselect) return;
  Reselect->SetCaption("Se&lect Recent");
  Reselect->SetSubMenuImages(Images);
  Recent->SetSeparateSize(5);
  Recent->SetShowAccelChar(false);
  Recent->OnGetItemData = [](TObject*, std::string& Caption, TShortCut&, int) { Caption = ExtractFileName(Caption); };
  Recent->OnChange = [Images](TObject*) { Images->Clear(); };
  Reselect->OnClick = [Recent, Images, Reselect](TObject*) { FillRecentIconMenu(*Recent, *Reselect, *Images); };
  Recent->SetRecentMenu(Reselect);
  Recent->OnClick = [F, Recent](TObject*, const std::string& RecentName, const std::string&, int UserData) {
    TDynamicMenuItem* Item = FocusedDynamicItem(F);
    if (!Item) return;
    const std::string OldFile = Item->IconFile();
    const int OldIndex = Item->IconIndex();
    bool Loaded = false;
    try {
      Item->SetIconFile(RecentIconFile(RecentName));
      Item->SetIconIndex(UserData);
      Loaded = Item->IconIndex() != -1 && FileExists(Item->IconFile());
    } catch (const Exception&) {
      Loaded = false;
    }
    if (Loaded) return;
    Recent->Remove(RecentName);
    Item->SetIconFile(OldFile);
    Item->SetIconIndex(OldIndex);
    Application->MessageBox(LoadResString(SErrorLoadingIcon), Application->Title(), MB_OK | MB_ICONEXCLAMATION);
  };
}

void ExpandAllNodes(TTreeView* Tree) {
  for (TTreeNode* Node = Tree->Items().GetFirstNode(); Node; Node = Node->GetNextSibling()) Node->Expand(true);
  if (TTreeNode* Selected = Tree->Selected()) Selected->MakeVisible();
}

// The focused item's own rules of the page: enabled, page active, no caption being edited.
bool ActiveXEnabled(TfrmMain* F) {
  return F->IsExtensionEnabled() && FormPart<TPageControl>(F, "pgcMain")->ActivePageIndex() == SubmenuPageIndex &&
         !XTree(F)->IsEditing();
}

// An item for a dropped file: the file as application and icon, its name as caption.
void FillDroppedItem(TDynamicMenuItem* Item, const std::string& FileName) {
  Item->BeginUpdate();
  Item->SetApplication(FileName);
  Item->SetCaption(ExtractFileName(FileName));
  Item->SetIconFile(Item->Application());
  Item->SetIconIndex(0);
  Item->EndUpdate();
}

}  // namespace

TMenuTree TfrmMain::DynamicView() { return {XTree(this), DynamicMenu, SyncDepth}; }

// ---------------------------------------------------------------------------------------------
// Model to tree

void TfrmMain::OnDynamicTreeChange(TObject*, TTreeItems* Collection, TTreeItem* Item) {
  TSyncScope Sync(SyncDepth);
  RebuildItemBranch(DynamicView(), Collection, Item);
  OnDynamicFocusChange(DynamicMenu);
}

void TfrmMain::OnDynamicFocusChange(TObject*) {
  TSyncScope Sync(SyncDepth);
  SelectFocusedNode(DynamicView());
  UpdateActions("ActiveX");
  Action("actApply")->Update();
  RefreshDynamicDetails();
}

void TfrmMain::OnDynamicItemChange(TObject*, TTreeItem* Item) {
  UpdateActions("ActiveX");
  Action("actApply")->Update();
  RepaintItemNode(XTree(this), Item);  // its picture too
  if (Item == DynamicMenu->Focused()) {
    TSyncScope Sync(SyncDepth);
    RefreshDynamicDetails();
  }
}

void TfrmMain::RefreshDynamicDetails() {
  auto* Item = FocusedDynamicItem(this);
  auto* Panel = FormPart<TControl>(this, "pnlDynamicDetails");
  SetControlsEnabled(Panel, Item != nullptr, Item != nullptr);
  if (!Item) return;
  const bool Plain = !dynamic_cast<TDynamicSubMenu*>(Item) && !Item->IsSeparator();
  FormPart<TCheckBox>(this, "chkXInclude")->SetChecked(Item->Checked());
  for (const char* Name : {"imgXApplication", "lblXApplication", "edXApplication", "lblXParameters", "edXParameters"})
    FormPart<TControl>(this, Name)->SetEnabled(Plain);
  ShowApplication(FormPart<TControl>(this, "edXApplication"), Plain ? Item->Application() : "");
  FormPart<TControl>(this, "edXParameters")->SetText(Plain ? Item->Parameters() : "");
  for (const char* Name : {"lblXMenuHint", "edXMenuHint"}) FormPart<TControl>(this, Name)->SetEnabled(!Item->IsSeparator());
  FormPart<TControl>(this, "edXMenuHint")->SetText(Item->IsSeparator() ? "" : Item->Hint());
  TFileType* Type = Item->GetFileType();
  FormPart<TFileTypeComboBox>(this, "cbXFileType")->SetFileType(Type);
  FormPart<TControl>(this, "edXFileType")->SetText(FileTypeKeyText(Type));
  FormPart<TControl>(this, "memXFileExtensions")->SetText(FileTypeExtensionsText(Type));
}

// ---------------------------------------------------------------------------------------------
// Tree to model

void TfrmMain::tvXMenuChange(TObject*, TTreeNode* Node) {
  if (SyncDepth > 0) return;
  DynamicMenu->SetFocused(NodeItem(Node));
}

void TfrmMain::tvXMenuExpanding(TObject*, TTreeNode* Node, bool&) {
  if (SyncDepth == 0 && NodeItem(Node)) NodeItem(Node)->SetExpanded(true);
}

void TfrmMain::tvXMenuCollapsing(TObject*, TTreeNode* Node, bool&) {
  if (SyncDepth == 0 && NodeItem(Node)) NodeItem(Node)->SetExpanded(false);
}

void TfrmMain::tvXMenuEditing(TObject*, TTreeNode* Node, bool& AllowEdit) {
  auto* Item = dynamic_cast<TDynamicMenuItem*>(NodeItem(Node));
  AllowEdit = Item && !Item->IsSeparator();
  UpdateActions("ActiveX");
}

void TfrmMain::tvXMenuEdited(TObject*, TTreeNode* Node, std::string& S) {
  if (auto* Item = dynamic_cast<TDynamicMenuItem*>(NodeItem(Node))) Item->SetCaption(S);
  UpdateActions("ActiveX");
}

void TfrmMain::tvXMenuMouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button == mbRight) SelectNodeAtMouse(XTree(this), X, Y);
}

// ---------------------------------------------------------------------------------------------
// Details to model

void TfrmMain::edXApplicationChange(TObject*) {
  if (SyncDepth > 0) return;
  auto* Item = FocusedDynamicItem(this);
  if (Item && !dynamic_cast<TDynamicSubMenu*>(Item))
    Item->SetApplication(UnquotedPath(FormPart<TControl>(this, "edXApplication")->Text()));
}

void TfrmMain::edXParametersChange(TObject*) {
  if (SyncDepth > 0) return;
  auto* Item = FocusedDynamicItem(this);
  if (Item && !dynamic_cast<TDynamicSubMenu*>(Item)) Item->SetParameters(FormPart<TControl>(this, "edXParameters")->Text());
}

void TfrmMain::edXMenuHintChange(TObject*) {
  if (SyncDepth > 0) return;
  if (auto* Item = FocusedDynamicItem(this)) Item->SetHint(FormPart<TControl>(this, "edXMenuHint")->Text());
}

void TfrmMain::chkXIncludeClick(TObject*) {
  if (SyncDepth > 0) return;
  if (auto* Item = FocusedDynamicItem(this)) Item->SetChecked(FormPart<TCheckBox>(this, "chkXInclude")->Checked());
}

void TfrmMain::cbXFileTypeChange(TObject*) {
  auto* Item = FocusedDynamicItem(this);
  if (!Item || SyncDepth > 0) return;  // the box shows the model; only the user's choice moves the item
  if (TFileType* Type = FormPart<TFileTypeComboBox>(this, "cbXFileType")->GetFileType()) {
    Item->SetFileType(Type);
    if (!Item->Focused()) Item->Focus();
  }
}

void TfrmMain::edXApplicationAfterDialog(TObject*, std::string& FileName, bool& Action) {
  auto* Item = FocusedDynamicItem(this);
  if (!Action || !Item) return;
  Item->SetCaption(ApplicationCaption(FileName));
  Item->SetApplication(FileName);
  Item->SetIconFile(Item->Application());
  Item->SetIconIndex(0);
}

void TfrmMain::lblXMenuItemsClick(TObject*) {
  POINT P{};
  GetCursorPos(&P);
  FormPart<TPopupMenu>(this, "pmXMenus")->Popup(P.x, P.y);
}

// ---------------------------------------------------------------------------------------------
// Adding

void TfrmMain::AddDynamicItem(const std::string& FileName) {
  TTreeView* Tree = XTree(this);
  if (FileName.empty() && Tree->CanFocus()) SetActiveControl(Tree);
  auto* Container = static_cast<TDynamicMenuItems*>(NewItemContainer(DynamicMenu, true));
  TDynamicMenuItem* Item = (Container ? Container : DynamicMenu->GetItems())->AddItem();
  if (!FileName.empty()) {
    FillDroppedItem(Item, FileName);
    Item->Focus();
    return;
  }
  Item->Focus();
  FormPart<TFilenameEdit>(this, "edXApplication")->DoClick();
  if (auto* Focused = FocusedDynamicItem(this); Focused && Focused->Application().empty()) delete Focused;
}

void TfrmMain::AddDynamicSubMenu() {
  auto* Container = static_cast<TDynamicMenuItems*>(NewItemContainer(DynamicMenu, true));
  TDynamicSubMenu* Item = (Container ? Container : DynamicMenu->GetItems())->AddSubMenu();
  Item->Focus();
  TTreeView* Tree = XTree(this);
  if (dynamic_cast<TDynamicSubMenu*>(NodeItem(Tree->Selected()))) {
    if (Tree->CanFocus()) SetActiveControl(Tree);
    Tree->Selected()->EditText();
  }
  UpdateActions("ActiveX");
}

void TfrmMain::AddDynamicSeparator() {
  auto* Container = static_cast<TDynamicMenuItems*>(NewItemContainer(DynamicMenu, true));
  TDynamicMenuItem* Item = (Container ? Container : DynamicMenu->GetItems())->AddItem();
  Item->BeginUpdate();
  Item->SetIsSeparator(true);
  Item->EndUpdate();
  Item->Focus();
}

void TfrmMain::AddDroppedDynamicFiles(TStrings* FileList) {
  if (!FileList || FileList->Count() == 0) return;
  AddDynamicItem(FileList->Get(0));
  AddFurtherDroppedFiles(DynamicMenu, NewItemContainer(DynamicMenu, false), FileList,
                         [](TCustomMenuItems* Into, const std::string& Name) -> TCustomMenuItem* {
                           TDynamicMenuItem* Item = static_cast<TDynamicMenuItems*>(Into)->AddItem();
                           FillDroppedItem(Item, Name);
                           return Item;
                         });
}

// ---------------------------------------------------------------------------------------------
// Menu files

void TfrmMain::LoadMenuFile(const std::string& FileName, bool Modified) {
  // Into a scratch menu first: a file that fails to load leaves the shown items as they are.
  TDynamicMenu Scratch(FileTypes->FileTypes());
  {
    TCorvIniFile Ini(FileName);
    Scratch.LoadFromIni(Ini, "Dynamic Items");
  }
  TCorvIniFile Ini(FileName);
  DynamicMenu->LoadFromIni(Ini, "Dynamic Items");
  DynamicMenu->SetModified(Modified);
  UpdateActions("Common");
}

void TfrmMain::SaveMenuFile(const std::string& FileName) {
  TCorvIniFile Ini(FileName);
  // A save to a menu file is no Apply: the modified state stays as it was, also on failure.
  struct TRestore {
    TDynamicMenu* Menu;
    bool Modified;
    ~TRestore() { Menu->SetModified(Modified); }
  } Restore{DynamicMenu, DynamicMenu->Modified()};
  DynamicMenu->SaveToIni(Ini, "Dynamic Items");
  Ini.UpdateFile();
  UpdateActions("Common");
}

namespace {

// Whether the file holds a section "Dynamic Items"; a file that cannot be read raises.
bool IsMenuFile(const std::string& FileName) {
  TCorvIniFile Ini(FileName);
  TStringList Sections;
  Ini.ReadSections(Sections);
  for (int I = 0; I < Sections.Count(); ++I)
    if (SameText(Sections.Get(I), "Dynamic Items")) return true;
  return false;
}

}  // namespace

void TfrmMain::OpenMenuFile(const std::string& FileName) {
  // A missing or foreign file changes neither the items nor the recent list, but for a recent
  // entry whose file is gone.
  auto* Recent = FormPart<TMRUManager>(this, "mruMenus");
  if (!FileExists(FileName)) {
    Recent->Remove(FileName);
    Application->MessageBox(Format(LoadResString(SMenuFileMissing), {FileName}), Application->Title(),
                            MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (!IsMenuFile(FileName)) {
    Application->MessageBox(Format(LoadResString(SNotMenuFile), {FileName}), Application->Title(),
                            MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (XTree(this)->CanFocus()) SetActiveControl(XTree(this));
  LoadMenuFile(FileName, true);
  ExpandAllNodes(XTree(this));
  FormPart<TMRUManager>(this, "mruMenus")->Add(FileName, 0);
}

// ---------------------------------------------------------------------------------------------
// Dragging inside the tree

void TfrmMain::tvXMenuStartDrag(TObject*, TDragObject*& DragObject) {
  TAdvTreeView* Tree = XTree(this);
  auto* Dynamic = dynamic_cast<TDynamicMenuItem*>(DragStartItem(Tree, DynamicMenu));
  if (!Dynamic) {
    CancelDrag();
    return;
  }
  auto* Dragged = new TDraggedDynamicItem(Dynamic);
  DragObject = Dragged;
  SetNodeDragImage(Dragged, Tree);
}

void TfrmMain::tvXMenuDragOver(TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  auto* Dragged = IsExtensionEnabled() ? dynamic_cast<TDraggedDynamicItem*>(Source) : nullptr;
  Accept = MenuTreeDragOver(XTree(this), Dragged, X, Y, State, DropTargetShown);
}

void TfrmMain::tvXMenuDragDrop(TObject*, TObject* Source, int X, int Y) {
  auto* Dragged = IsExtensionEnabled() ? dynamic_cast<TDraggedDynamicItem*>(Source) : nullptr;
  MenuTreeDragDrop(XTree(this), Dragged, X, Y, DropTargetShown);
}

void TfrmMain::tvXMenuFilesDrop(TObject*, TStrings* FileList) {
  if (IsExtensionEnabled()) AddDroppedDynamicFiles(FileList);
}

// ---------------------------------------------------------------------------------------------
// Drawing: inactive items grey, submenus bold, each item's picture in front of its text

void TfrmMain::tvXMenuAdvancedCustomDrawItem(TTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                             TCustomDrawStage Stage, bool&, bool&) {
  auto* Item = dynamic_cast<TDynamicMenuItem*>(NodeItem(Node));
  if (!Item) return;
  if (Stage == cdPrePaint) {
    if (!Item->Checked() && !(State & (cdsSelected | cdsFocused))) Sender->Canvas().Font().SetColor(clGrayText);
    TFontStyles Style = Sender->Canvas().Font().Style() & ~FontStyleBit(fsBold);
    if (dynamic_cast<TDynamicSubMenu*>(Item)) Style |= FontStyleBit(fsBold);
    Sender->Canvas().Font().SetStyle(Style);
    return;
  }
  if (IsMarkedDropTarget(Sender, Node, DropTargetShown))
    DrawNodeGlyph(Sender, Node, FormPart<TCustomImageList>(this, "ilGlyphs"), 2);
  else
    DrawNodePicture(Sender, Node, Item->Icon());
}

// ---------------------------------------------------------------------------------------------
// Actions

void BindSubmenuPage(TfrmMain* F) {
  TTreeView* Tree = XTree(F);
  auto Bind = [F, Tree](const char* Name, std::function<void()> Execute, std::function<bool()> Enabled, TShortCut Keys,
                        const char* Button) { BindPageAction(F, Tree, Name, Execute, Enabled, Keys, Button); };
  auto Enabled = [F] { return ActiveXEnabled(F); };
  auto ItemSelected = [F] { return ActiveXEnabled(F) && FocusedDynamicItem(F) != nullptr; };
  auto NotSeparator = [F] {
    auto* Item = FocusedDynamicItem(F);
    return ActiveXEnabled(F) && Item && !Item->IsSeparator();
  };
  auto Ctrl = [](WORD Key) { return static_cast<TShortCut>(scCtrl | Key); };
  auto FocusTree = [F, Tree] {
    if (Tree->CanFocus()) F->SetActiveControl(Tree);
  };

  Bind("actXAdd", [F] { F->AddDynamicItem(); }, [F, Enabled, Tree] {
    Tree->SetEnabled(F->IsExtensionEnabled());
    return Enabled();
  }, VK_INSERT, "spbXNew");
  Bind("actXSub", [F] { F->AddDynamicSubMenu(); }, Enabled, scNone, "");
  Bind("actXSeparator", [F] { F->AddDynamicSeparator(); }, Enabled, scNone, "");
  Bind("actXDel", [F, FocusTree] {
    FocusTree();
    if (auto* Item = FocusedDynamicItem(F); Item && ConfirmDeleteItem()) delete Item;
  }, ItemSelected, VK_DELETE, "spbXDelete");
  Bind("actXUp", [F] { MoveItemBy(F->DynamicMenu->Focused(), -1); }, [F, ItemSelected] {
    return ItemSelected() && FocusedDynamicItem(F)->Index() >= 1;
  }, Ctrl(VK_UP), "spbXUp");
  Bind("actXDown", [F] { MoveItemBy(F->DynamicMenu->Focused(), 1); }, [F, ItemSelected] {
    auto* Item = FocusedDynamicItem(F);
    return ItemSelected() && Item->Index() < Item->GetCollection()->Count() - 1;
  }, Ctrl(VK_DOWN), "spbXDown");
  Bind("actXFind", [F] {
    if (auto* Item = FocusedDynamicItem(F)) ExploreApplicationFolder(Item->Application());
  }, [F, NotSeparator] { return NotSeparator() && !dynamic_cast<TDynamicSubMenu*>(FocusedDynamicItem(F)); },
       Ctrl('F'), "spbXFind");
  Bind("actXRemoveIcon", [F] {
    if (auto* Item = FocusedDynamicItem(F)) {
      Item->SetIconFile("");
      Item->SetIconIndex(-2);
    }
  }, [F, NotSeparator] { return NotSeparator() && !FocusedDynamicItem(F)->IconFile().empty(); }, scNone, "");
  Bind("actXRename", [F, Tree] {
    if (Tree->Selected()) {
      if (Tree->CanFocus()) F->SetActiveControl(Tree);
      Tree->Selected()->EditText();
    }
    F->UpdateActions("ActiveX");
  }, NotSeparator, VK_F2, "");
  Bind("actXSort", [F] {
    TTreeItem* Focused = F->DynamicMenu->Focused();
    if (!Focused) return;
    if (dynamic_cast<TCustomFileTypeCategory*>(Focused))
      Focused->Items()->Sort();
    else if (Focused->GetCollection())
      Focused->GetCollection()->Sort();
  }, [F, Enabled] { return Enabled() && F->DynamicMenu->Focused() != nullptr; }, scNone, "");
  Bind("actXMenuNew", [F] {
    if (F->DynamicMenu->Items()->Count() == 0) return;
    if (Application->MessageBox("Clear all the existing menu items to start from nothing?", Application->Title(),
                                MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
      return;
    F->DynamicMenu->Items()->Clear();
  }, Enabled, scNone, "spbXMenu");
  Bind("actXMenuOpen", [F] {
    auto* Dialog = FormPart<TOpenDialog>(F, "OpenDialog");
    if (Dialog->Execute()) F->OpenMenuFile(Dialog->FileName);
  }, Enabled, scNone, "");
  Bind("actXMenuSave", [F] {
    auto* Dialog = FormPart<TSaveDialog>(F, "SaveDialog");
    if (!Dialog->Execute()) return;
    if (XTree(F)->CanFocus()) F->SetActiveControl(XTree(F));
    F->SaveMenuFile(Dialog->FileName);
    FormPart<TMRUManager>(F, "mruMenus")->Add(Dialog->FileName, 0);
  }, Enabled, scNone, "");
  Bind("actXMenuRevert", [F, FocusTree] {
    if (Application->MessageBox("Revert to the last saved version of menu structure?", Application->Title(),
                                MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
      return;
    FocusTree();
    F->LoadMenuFile(F->IniFileName(), false);
    ExpandAllNodes(XTree(F));
  }, [F, Enabled] { return Enabled() && F->DynamicMenu->Modified(); }, scNone, "");
  Bind("actXSelectIcon", [F] { SelectItemIcon(F); }, NotSeparator, Ctrl('I'), "spbXBitmap");
  Bind("actXMenuCustom", [] { ShowCustomDraw(); }, Enabled, scNone, "spbXCustom");

  BindPageMenus(F, {{"pmXMenus", {"actXAdd", "actXSub", "actXSeparator", "-", "actXRename", "actXDel", "actXFind", "-",
                                   "actXUp", "actXDown", "-", "actXMenuCustom", "actXSort", "-", "actQuickHint"}},
                     {"pmXAddItem", {"actXAdd", "actXSub", "actXSeparator"}},
                     {"pmXMenuScheme", {"actXMenuNew", "actXMenuOpen", "miReopen", "actXMenuSave", "actXMenuRevert"}},
                     {"pmXItemIcon", {"actXSelectIcon", "miReselectIcon", "actXRemoveIcon"}}},
                {{"spbXNew", "actXAdd", "pmXAddItem"}, {"spbXDelete", "actXDel", ""}, {"spbXBitmap", "actXSelectIcon", "pmXItemIcon"},
                 {"spbXFind", "actXFind", ""}, {"spbXCustom", "actXMenuCustom", ""}, {"spbXMenu", "", "pmXMenuScheme"},
                 {"spbXUp", "actXUp", ""}, {"spbXDown", "actXDown", ""}});
  Tree->SetPopupMenu(FormPart<TPopupMenu>(F, "pmXMenus"));
  InitRecentIcons(F);
  if (TMenuItem* Reopen = FormPart<TMenuItem>(F, "miReopen")) {
    Reopen->SetCaption("Open &Recent");
    FormPart<TMRUManager>(F, "mruMenus")->SetRecentMenu(Reopen);
  }

  // Menu files: the dialogs and the recent list.
  auto* Open = new TOpenDialog(F);
  Open->SetName("OpenDialog");
  Open->Title = "Open menu";
  Open->Options |= ofFileMustExist;
  auto* Save = new TSaveDialog(F);
  Save->SetName("SaveDialog");
  Save->Title = "Save menu";
  Save->Options |= ofOverwritePrompt;
  for (TOpenDialog* D : {static_cast<TOpenDialog*>(Open), static_cast<TOpenDialog*>(Save)}) {
    D->Filter = "Menu items files (*.ini)|*.ini";
    D->SetDefaultExt(".ini");
  }
  FormPart<TMRUManager>(F, "mruMenus")->OnClick = [F](TObject*, const std::string& RecentName, const std::string&, int) {
    F->OpenMenuFile(RecentName);
  };
}
