// The main window's "Static Items Cleanup" page: the registered file types on the left, the shell
// verbs that other software placed under the selected type's "shell" key on the right, marked
// disabled or deleted in the program-wide cleanup model until Apply carries the marks out.
#include "application/Main.h"

#include "classlib/core/SysUtils.h"
#include "classlib/gui/ComCtrls.h"
#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Menus.h"
#include "classlib/gui/StdCtrls.h"
#include "controls/FileTypeView.h"
#include "controls/GradientPanel.h"
#include "controls/Hover.h"
#include "controls/RXCtrls.h"
#include "model/StaticItemsCleanup.h"
#include "model/Utils.h"

#include <map>
#include <string>

namespace {

constexpr TAnchors LeftTopRight = AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight);
constexpr TAnchors TopRight = AnchorBit(akTop) | AnchorBit(akRight);

TLayoutComponent HeaderBand(const char* Name, const char* Parent) {
  return {"TGradientPanel", Name, Parent, 0, 0, 300, 28, alTop, akLeftTop,
          {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF00000F"},
           {"Gradient.EndColor", "$FF000005"}, {"Gradient.FillType", "gtHorizontal"}},
          {}};
}

TLayoutComponent HeaderLabel(const char* Name, const char* Parent, const char* Caption, const char* OnClick) {
  return {"THoverLabel", Name, Parent, 6, 6, 90, 16, alNone, akLeftTop,
          {{"Caption", Caption}, {"Font.Style", "[fsBold]"}, {"Transparent", "True"}}, {{"OnClick", OnClick}}};
}

TLayoutComponent HeaderButton(const char* Name, const char* Parent, int Left, const char* Caption, const char* Hint) {
  return {"TRxSpeedButton", Name, Parent, Left, 3, 54, 22, alNone, TopRight,
          {{"Caption", Caption}, {"Flat", "True"}, {"Hint", Hint}}, {}};
}

// The page's controls, below tshtCleanup.
const std::vector<TLayoutComponent>& StaticCleanupComponents() {
  static const std::vector<TLayoutComponent> Components = {
      {"TPanel", "pnlCleanupTypes", "tshtCleanup", 0, 0, 230, 300, alLeft, akLeftTop,
       {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
      HeaderBand("GradientPanel2", "pnlCleanupTypes"),
      HeaderLabel("HoverLabel3", "GradientPanel2", " File Types ", "HoverLabel3Click"),
      HeaderButton("spbRefresh", "GradientPanel2", 172, "Refresh", "Update file types list from registry"),
      {"TFileTypeListView", "lvFileTypes", "pnlCleanupTypes", 0, 28, 230, 272, alClient, akLeftTop,
       {{"FileTypes", "FileTypes"},
        {"Images", "ilFileTypes"},
        {"ViewStyle", "ftvsAll"},
        {"RowSelect", "True"},
        {"HideSelection", "False"},
        {"Hint", "List of registered file types\r\nSelect an file type entry to view and manage static menu items "
                 "asssociated with it."}},
       {{"OnChange", "lvFileTypesChange"}}},
      {"TSplitter", "splCleanupTypes", "tshtCleanup", 230, 0, 4, 300, alLeft, akLeftTop, {}, {}},
      {"TPanel", "pnlCleanupItems", "tshtCleanup", 234, 0, 378, 300, alClient, akLeftTop,
       {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
      HeaderBand("GradientPanel3", "pnlCleanupItems"),
      HeaderLabel("lblMenuItems", "GradientPanel3", " Menu Items ", "lblMenuItemsClick"),
      HeaderButton("spbItemRefresh", "GradientPanel3", 100, "Refresh", "Reread menu items of the file type"),
      HeaderButton("spbItemFind", "GradientPanel3", 156, "Find", "Find program at its location"),
      HeaderButton("spbItemDelete", "GradientPanel3", 212, "Delete", "Delete selected menu item"),
      HeaderButton("spbItemClear", "GradientPanel3", 268, "Clear", "Clear all items"),
      {"TPanel", "pnlCleanupDetails", "pnlCleanupItems", 0, 216, 378, 84, alBottom, akLeftTop,
       {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
      {"TSplitter", "splCleanupDetails", "pnlCleanupItems", 0, 212, 378, 4, alBottom, akLeftTop, {}, {}},
      {"TRxCheckListBox", "lbMenuItems", "pnlCleanupItems", 0, 28, 378, 184, alClient, akLeftTop,
       {{"CheckKind", "ckCheckMarks"},
        {"Hint", "|List of static menu items linked to the selected file type\r\n"
                 "\x95 Use Delete and Clear commands to delete unused menu items.\r\n"
                 "\x95 Items marked with an asterisk are predefined commands (canonical verbs). Be careful with "
                 "cleaning of these items.\r\n"
                 "\x95 Use popup menu and hot keys for quick access to items management services.\r\n"
                 "NOTE: the list does not include items added by Corvane itself. To manage these items use \"Static "
                 "Items\" page functionality."}},
       {{"OnClick", "lbMenuItemsClick"}, {"OnMouseDown", "lbMenuItemsMouseDown"}, {"OnStateChange", "lbMenuItemsStateChange"}}},
      {"TLabel", "lblItemDetails", "pnlCleanupDetails", 8, 4, 200, 16, alNone, akLeftTop,
       {{"Caption", " Item Details:  "}, {"Font.Style", "[fsBold]"}}, {}},
      {"TLabel", "lblRegistryKey", "pnlCleanupDetails", 8, 29, 80, 16, alNone, akLeftTop,
       {{"Caption", "Registry &Key:"}, {"FocusControl", "edRegistryKey"}}, {{"OnClick", "OnLabelClick"}}},
      {"TPanel", "pnlRegistryKey", "pnlCleanupDetails", 90, 24, 282, 25, alNone, LeftTopRight,
       {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
      {"TEdit", "edRegistryKey", "pnlRegistryKey", 2, 2, 278, 21, alClient, akLeftTop,
       {{"ReadOnly", "True"}, {"Color", "$FF00000F"},
        {"Hint", "|Registry key\r\nDisplays registry key where selected menu item is stored."}},
       {{"OnEnter", "On3DEnter"}, {"OnExit", "On3DExit"}}},
      {"TLabel", "lblAppPath", "pnlCleanupDetails", 8, 56, 80, 16, alNone, akLeftTop,
       {{"Caption", "&Command:"}, {"FocusControl", "edAppPath"}}, {{"OnClick", "OnLabelClick"}}},
      {"TPanel", "pnlAppPath", "pnlCleanupDetails", 90, 51, 282, 25, alNone, LeftTopRight,
       {{"Caption", ""}, {"BevelOuter", "bvNone"}}, {}},
      {"TEdit", "edAppPath", "pnlAppPath", 2, 2, 278, 21, alClient, akLeftTop,
       {{"ReadOnly", "True"}, {"Color", "$FF00000F"},
        {"Hint", "|Command line\r\nContains command invoked by File Manager on clicking selected menu item."}},
       {{"OnEnter", "On3DEnter"}, {"OnExit", "On3DExit"}}},
      {"TPopupMenu", "pmFileTypes", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
      {"TPopupMenu", "pmMenuItems", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
  };
  return Components;
}

// The handlers of the window's actions on this page, by action.
const std::map<std::string, std::pair<const char*, const char*>>& CleanupActionHandlers() {
  static const std::map<std::string, std::pair<const char*, const char*>> Handlers = {
      {"actCleanupRefresh", {"actCleanupRefreshExecute", "OnCleanupEnabled"}},
      {"actCleanupFind", {"actCleanupFindExecute", "OnCleanupItemSelected"}},
      {"actCleanupDelete", {"actCleanupDeleteExecute", "OnCleanupItemSelected"}},
      {"actCleanupDeleteAll", {"actCleanupDeleteAllExecute", "actCleanupDeleteAllUpdate"}},
      {"actFileTypesTypes", {"actFileTypesTypesExecute", "actFileTypesViewUpdate"}},
      {"actFileTypesExtensions", {"actFileTypesExtensionsExecute", "actFileTypesViewUpdate"}},
      {"actFileTypesAll", {"actFileTypesAllExecute", "actFileTypesViewUpdate"}},
  };
  return Handlers;
}

// The view style each view action sets.
TFileTypesViewStyle ViewStyleOf(const std::string& Action) {
  if (Action == "actFileTypesTypes") return ftvsTypes;
  if (Action == "actFileTypesExtensions") return ftvsExtensions;
  return ftvsAll;
}

template <class T>
T* Find(TComponent* Root, const char* Name) {
  return dynamic_cast<T*>(Root->FindComponent(Name));
}

// The page's speed buttons and the actions they follow.
const std::pair<const char*, const char*> CleanupButtons[] = {{"spbRefresh", "actFileTypesRefresh"},
                                                              {"spbItemRefresh", "actCleanupRefresh"},
                                                              {"spbItemFind", "actCleanupFind"},
                                                              {"spbItemDelete", "actCleanupDelete"},
                                                              {"spbItemClear", "actCleanupDeleteAll"}};

// Action's button takes its enabled state.
void ShowOnButton(TComponent* Form, TAction* Action) {
  for (const auto& [Name, ActionName] : CleanupButtons)
    if (Action->Name() == ActionName) Find<TControl>(Form, Name)->SetEnabled(Action->Enabled());
}

void PopupAtCursor(TPopupMenu* Menu) {
  POINT P;
  GetCursorPos(&P);
  Menu->Popup(P.x, P.y);
}

}  // namespace

void TfrmMain::AddStaticCleanupLayout(TLayout& Layout) {
  for (TLayoutComponent& C : Layout.Components) {
    if (std::string(C.Name) == "tshtCleanup") C.Events.push_back({"OnShow", "tshtCleanupShow"});
    const auto Bound = CleanupActionHandlers().find(C.Name);
    if (Bound == CleanupActionHandlers().end()) continue;
    C.Events.push_back({"OnExecute", Bound->second.first});
    C.Events.push_back({"OnUpdate", Bound->second.second});
  }
  for (const TLayoutComponent& C : StaticCleanupComponents()) Layout.Components.push_back(C);
}

void TfrmMain::RegisterStaticCleanupHandlers() {
  RegisterComponentClass(THoverLabel::StaticClassInfo());
  RegisterComponentClass(TRxSpeedButton::StaticClassInfo());
  RegisterComponentClass(TRxCheckListBox::StaticClassInfo());
  RegisterComponentClass(TFileTypeListView::StaticClassInfo());
  RegisterHandler(this, "tshtCleanupShow", &TfrmMain::tshtCleanupShow);
  RegisterHandler(this, "lvFileTypesChange", &TfrmMain::lvFileTypesChange);
  RegisterHandler(this, "lbMenuItemsClick", &TfrmMain::lbMenuItemsClick);
  RegisterHandler(this, "lbMenuItemsMouseDown", &TfrmMain::lbMenuItemsMouseDown);
  RegisterHandler(this, "lbMenuItemsStateChange", &TfrmMain::lbMenuItemsStateChange);
  RegisterHandler(this, "HoverLabel3Click", &TfrmMain::HoverLabel3Click);
  RegisterHandler(this, "lblMenuItemsClick", &TfrmMain::lblMenuItemsClick);
  RegisterHandler(this, "actCleanupRefreshExecute", &TfrmMain::actCleanupRefreshExecute);
  RegisterHandler(this, "actCleanupFindExecute", &TfrmMain::actCleanupFindExecute);
  RegisterHandler(this, "actCleanupDeleteExecute", &TfrmMain::actCleanupDeleteExecute);
  RegisterHandler(this, "actCleanupDeleteAllExecute", &TfrmMain::actCleanupDeleteAllExecute);
  RegisterHandler(this, "OnCleanupEnabled", &TfrmMain::OnCleanupEnabled);
  RegisterHandler(this, "OnCleanupItemSelected", &TfrmMain::OnCleanupItemSelected);
  RegisterHandler(this, "actCleanupDeleteAllUpdate", &TfrmMain::actCleanupDeleteAllUpdate);
  RegisterHandler(this, "actFileTypesTypesExecute", &TfrmMain::actFileTypesTypesExecute);
  RegisterHandler(this, "actFileTypesExtensionsExecute", &TfrmMain::actFileTypesExtensionsExecute);
  RegisterHandler(this, "actFileTypesAllExecute", &TfrmMain::actFileTypesAllExecute);
  RegisterHandler(this, "actFileTypesViewUpdate", &TfrmMain::actFileTypesViewUpdate);
  RegisterHandler(this, "OnLabelClick", &TfrmMain::OnLabelClick);
  RegisterHandler(this, "On3DEnter", &TfrmMain::On3DEnter);
  RegisterHandler(this, "On3DExit", &TfrmMain::On3DExit);
}

void TfrmMain::InitStaticCleanupPage() {
  auto AddItems = [this](const char* Menu, std::initializer_list<const char*> Actions) {
    auto* Popup = Find<TPopupMenu>(this, Menu);
    for (const char* Name : Actions) {
      auto* Item = new TMenuItem(this);
      if (*Name)
        Item->SetAction(Action(Name));
      else
        Item->SetCaption("-");
      Popup->Items()->Add(Item);
    }
  };
  AddItems("pmFileTypes", {"actFileTypesRefresh", "", "actFileTypesTypes", "actFileTypesExtensions", "actFileTypesAll", "",
                           "actQuickHint"});
  AddItems("pmMenuItems", {"actCleanupDelete", "actCleanupDeleteAll", "actCleanupFind", "actCleanupRefresh", "",
                           "actQuickHint"});
  Find<TControl>(this, "lvFileTypes")->SetPopupMenu(Find<TPopupMenu>(this, "pmFileTypes"));
  Find<TControl>(this, "lbMenuItems")->SetPopupMenu(Find<TPopupMenu>(this, "pmMenuItems"));
  for (const char* Edit : {"edRegistryKey", "edAppPath"}) Find<TControl>(this, Edit)->SetPopupMenu(Find<TPopupMenu>(this, "pmHint"));
  // The buttons run their actions; their captions are their own.
  for (const auto& [Name, ActionName] : CleanupButtons) {
    TAction* A = Action(ActionName);
    Find<TControl>(this, Name)->OnClick = [A](TObject*) { A->Execute(); };
  }
}

// ---------------------------------------------------------------------------------------------
// The list of verbs

void TfrmMain::RefreshCleanupItems() {
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  if (!List || (List->ComponentState() & csDestroying)) return;
  List->Clear();
  TListItem* Row = Find<TFileTypeListView>(this, "lvFileTypes")->Selected();
  auto* Type = Row ? static_cast<TFileType*>(Row->Data()) : nullptr;
  if (!Type) {
    lbMenuItemsClick(List);
    return;
  }
  TStaticItems* Items = GetStaticItemsCleanup()->GetStaticItems("\\" + Type->Name() + "\\shell");
  {
    TUpdateScope Update(*List->Items());
    for (int I = 0; I < Items->GetCount(); ++I) {
      if (Items->IsDeleted(I)) continue;
      const int Entry = List->Items()->AddObject(Items->GetItemText(I), Items->GetItem(I));
      List->SetChecked(Entry, !Items->IsDisabled(I));
    }
  }
  List->SetItemIndex(List->Items()->Count() > 0 ? 0 : -1);
  lbMenuItemsClick(List);
}

void TfrmMain::tshtCleanupShow(TObject*) { RefreshCleanupItems(); }

void TfrmMain::lvFileTypesChange(TObject*, TListItem* Item, TItemChange Change) {
  if (Change == ctState && Item && Item->Selected()) RefreshCleanupItems();
}

void TfrmMain::lbMenuItemsClick(TObject*) {
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  const int Index = List->ItemIndex();
  auto* Rec = Index >= 0 ? dynamic_cast<TMenuItemRec*>(List->Items()->Objects(Index)) : nullptr;
  Find<TCustomEdit>(this, "edRegistryKey")->SetText(Rec ? Rec->GetRegistryPath() : "");
  Find<TCustomEdit>(this, "edAppPath")->SetText(Rec ? AnsiLowerCase(Rec->Command) : "");
  UpdateActions("Cleanup");
}

// A right click selects the entry under the mouse before the popup opens; the check mark there
// stays as it is.
void TfrmMain::lbMenuItemsMouseDown(TObject* Sender, TMouseButton Button, TShiftState, int X, int Y) {
  if (Button != mbRight) return;
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  const int Index = List->ItemAtPos(POINT{X, Y}, true);
  if (Index < 0) return;
  List->SetItemIndex(Index);
  lbMenuItemsClick(Sender);
}

// The entry whose mark changed (a click on a check mark changes it before the entry is selected).
void TfrmMain::lbMenuItemsStateChange(TObject*, int Index) {
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  if (Index < 0 || Index >= List->Items()->Count()) return;
  auto* Rec = dynamic_cast<TMenuItemRec*>(List->Items()->Objects(Index));
  if (Rec) Rec->Owner->SetDisabled(Rec->Index, !List->Checked(Index));
}

void TfrmMain::HoverLabel3Click(TObject*) { PopupAtCursor(Find<TPopupMenu>(this, "pmFileTypes")); }

void TfrmMain::lblMenuItemsClick(TObject*) { PopupAtCursor(Find<TPopupMenu>(this, "pmMenuItems")); }

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmMain::actCleanupRefreshExecute(TObject*) { RefreshCleanupItems(); }

void TfrmMain::actCleanupFindExecute(TObject*) {
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  const int Index = List->ItemIndex();
  auto* Rec = Index >= 0 ? dynamic_cast<TMenuItemRec*>(List->Items()->Objects(Index)) : nullptr;
  if (Rec) ExploreFolder(ExtractFilePath(ExtractCommandProgram(Rec->Command)));
}

void TfrmMain::actCleanupDeleteExecute(TObject*) {
  if (Application->MessageBox("Delete menu item?", Application->Title(), MB_YESNO | MB_ICONQUESTION) == IDNO) return;
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  const int Index = List->ItemIndex();
  if (Index < 0) return;
  if (auto* Rec = dynamic_cast<TMenuItemRec*>(List->Items()->Objects(Index))) Rec->Owner->SetDeleted(Rec->Index, true);
  List->Items()->Delete(Index);
  const int Count = List->Items()->Count();
  List->SetItemIndex(Index < Count ? Index : Count - 1);
  lbMenuItemsClick(List);
}

void TfrmMain::actCleanupDeleteAllExecute(TObject*) {
  if (Application->MessageBox("Delete all menu items?", Application->Title(), MB_YESNO | MB_ICONQUESTION) == IDNO)
    return;
  auto* List = Find<TRxCheckListBox>(this, "lbMenuItems");
  if (List->Items()->Count() == 0) return;
  if (auto* Rec = dynamic_cast<TMenuItemRec*>(List->Items()->Objects(0))) Rec->Owner->DeleteAll();
  List->Clear();
  lbMenuItemsClick(List);
}

namespace {

bool CleanupPageActive(TComponent* Form) {
  return Find<TPageControl>(Form, "pgcMain")->ActivePage() == Find<TTabSheet>(Form, "tshtCleanup");
}

void SetCleanupActionEnabled(TComponent* Form, TObject* Sender, bool Value) {
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!A) return;
  A->SetEnabled(CleanupPageActive(Form) && Value);
  ShowOnButton(Form, A);
}

}  // namespace

void TfrmMain::OnCleanupEnabled(TObject* Sender) { SetCleanupActionEnabled(this, Sender, true); }

void TfrmMain::OnCleanupItemSelected(TObject* Sender) {
  SetCleanupActionEnabled(this, Sender, Find<TRxCheckListBox>(this, "lbMenuItems")->ItemIndex() >= 0);
}

void TfrmMain::actCleanupDeleteAllUpdate(TObject* Sender) {
  SetCleanupActionEnabled(this, Sender, Find<TRxCheckListBox>(this, "lbMenuItems")->Items()->Count() > 0);
}

// ---------------------------------------------------------------------------------------------
// View of the file-type list

void TfrmMain::actFileTypesTypesExecute(TObject*) { Find<TFileTypeListView>(this, "lvFileTypes")->SetViewStyle(ftvsTypes); }

void TfrmMain::actFileTypesExtensionsExecute(TObject*) {
  Find<TFileTypeListView>(this, "lvFileTypes")->SetViewStyle(ftvsExtensions);
}

void TfrmMain::actFileTypesAllExecute(TObject*) { Find<TFileTypeListView>(this, "lvFileTypes")->SetViewStyle(ftvsAll); }

void TfrmMain::actFileTypesViewUpdate(TObject* Sender) {
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!A) return;
  A->SetEnabled(true);
  A->SetChecked(Find<TFileTypeListView>(this, "lvFileTypes")->ViewStyle() == ViewStyleOf(A->Name()));
}
