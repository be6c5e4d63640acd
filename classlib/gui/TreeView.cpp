// The tree view: nodes are objects held in the items' lParam; the view frees a node when comctl32
// deletes its item, except while the window is remade or a branch is moved.
#include "classlib/gui/TreeView.h"

#include <cstring>

namespace {

constexpr UINT ExpandActionMask = 0x0003;  // TVE_EXPAND, TVE_COLLAPSE or TVE_TOGGLE of an action

TVITEMA NodeItem(TTreeNode* Node, UINT Mask) {
  TVITEMA Item{};
  Item.mask = Mask | TVIF_HANDLE;
  Item.hItem = Node->ItemId();
  return Item;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TTreeNode

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

TTreeNode::~TTreeNode() {
  TTreeView* View = TreeView();
  if (View->FDragNode == this) View->FDragNode = nullptr;
  if (View->FRClickNode == this) View->FRClickNode = nullptr;
  if (!FItemId) return;
  // Deleted directly: the item goes too, without freeing this node a second time.
  TVITEMA Item = NodeItem(this, TVIF_PARAM);
  Item.lParam = 0;
  Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&Item));
  const HTREEITEM Id = FItemId;
  FItemId = nullptr;
  Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Id));
}

TTreeView* TTreeNode::TreeView() const { return FOwner->Owner(); }

LRESULT TTreeNode::Send(UINT Msg, WPARAM WParam, LPARAM LParam) const {
  return SendMessageA(FOwner->Handle(), Msg, WParam, LParam);
}

TTreeNode* TTreeNode::Related(UINT Relation) const {
  if (!FItemId) return nullptr;
  return FOwner->GetNode(reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, Relation, reinterpret_cast<LPARAM>(FItemId))));
}

TTreeNode* TTreeNode::Parent() const { return Related(TVGN_PARENT); }
TTreeNode* TTreeNode::GetFirstChild() const { return Related(TVGN_CHILD); }
TTreeNode* TTreeNode::GetNextSibling() const { return Related(TVGN_NEXT); }
TTreeNode* TTreeNode::GetPrevSibling() const { return Related(TVGN_PREVIOUS); }

TTreeNode* TTreeNode::GetLastChild() const {
  TTreeNode* Child = GetFirstChild();
  while (Child)
    if (TTreeNode* Next = Child->GetNextSibling())
      Child = Next;
    else
      break;
  return Child;
}

TTreeNode* TTreeNode::GetNext() const {
  if (TTreeNode* Child = GetFirstChild()) return Child;
  for (const TTreeNode* Node = this; Node; Node = Node->Parent())
    if (TTreeNode* Sibling = Node->GetNextSibling()) return Sibling;
  return nullptr;
}

namespace {

// A node's image index as the view takes it: -1 (no image) would be the view's callback index.
int ViewImage(int Index) { return Index == -1 ? I_IMAGENONE : Index; }

}  // namespace

void TTreeNode::UpdateItem(UINT Mask) {
  if (!FItemId) return;
  TVITEMA Item = NodeItem(this, Mask);
  Item.pszText = const_cast<char*>(FText.c_str());
  Item.iImage = ViewImage(FImageIndex);
  Item.iSelectedImage = ViewImage(FSelectedIndex);
  Item.state = FStateIndex >= 0 ? INDEXTOSTATEIMAGEMASK(FStateIndex) : 0;
  Item.stateMask = TVIS_STATEIMAGEMASK;
  Item.cChildren = FHasChildren ? 1 : 0;
  Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&Item));
}

void TTreeNode::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int Value) {
  if (Value == FSelectedIndex) return;
  FSelectedIndex = Value;
  UpdateItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(int Value) {
  if (Value == FStateIndex) return;
  FStateIndex = Value;
  UpdateItem(TVIF_STATE);
}

bool TTreeNode::HasChildren() const { return FHasChildren || GetFirstChild(); }

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  UpdateItem(TVIF_CHILDREN);
}

bool TTreeNode::Expanded() const {
  return FItemId && (Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) & TVIS_EXPANDED);
}

void TTreeNode::SetExpanded(bool Value) {
  if (Value)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool Recurse) { TreeView()->ExpandNode(this, true, Recurse); }
void TTreeNode::Collapse(bool Recurse) { TreeView()->ExpandNode(this, false, Recurse); }

bool TTreeNode::Selected() const {
  return FItemId && reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0)) == FItemId;
}

void TTreeNode::SetSelected(bool Value) {
  if (Value)
    Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FItemId));
  else if (Selected())
    Send(TVM_SELECTITEM, TVGN_CARET, 0);
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* P = Parent(); P; P = P->Parent())
    if (!P->Expanded()) return false;
  return true;
}

void TTreeNode::MakeVisible() { Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId)); }

int TTreeNode::Count() const {
  int N = 0;
  for (TTreeNode* C = GetFirstChild(); C; C = C->GetNextSibling()) ++N;
  return N;
}

TTreeNode* TTreeNode::Item(int Index) const {
  TTreeNode* C = Index >= 0 ? GetFirstChild() : nullptr;
  for (int I = 0; C && I < Index; ++I) C = C->GetNextSibling();
  if (!C) throw ETreeViewError("List index out of bounds (%d)", {Index});
  return C;
}

int TTreeNode::Index() const {
  int N = 0;
  for (TTreeNode* S = GetPrevSibling(); S; S = S->GetPrevSibling()) ++N;
  return N;
}

int TTreeNode::Level() const {
  int N = 0;
  for (TTreeNode* P = Parent(); P; P = P->Parent()) ++N;
  return N;
}

int TTreeNode::AbsoluteIndex() const {
  int N = 0;
  for (TTreeNode* Node = FOwner->GetFirstNode(); Node && Node != this; Node = Node->GetNext()) ++N;
  return N;
}

bool TTreeNode::HasAsParent(TTreeNode* Value) const {
  if (!Value) return false;
  for (TTreeNode* P = Parent(); P; P = P->Parent())
    if (P == Value) return true;
  return false;
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  if (Destination == this && Mode == naInsert) return;
  const bool AsChild = Mode == naAddChild || Mode == naAddChildFirst;
  TTreeNode* NewParent = AsChild ? Destination : (Destination ? Destination->Parent() : nullptr);
  if (NewParent == this || (NewParent && NewParent->HasAsParent(this)))
    throw ETreeViewError("Cannot move a node into its own branch");
  TTreeView* View = TreeView();
  TTreeView::TSavedNode Saved = View->SaveNode(this);
  View->RemoveKeepingNodes(this);
  HTREEITEM After = (Mode == naAddFirst || Mode == naAddChildFirst) ? TVI_FIRST : TVI_LAST;
  if (Mode == naInsert && Destination) {
    TTreeNode* Prev = Destination->GetPrevSibling();
    After = Prev ? Prev->FItemId : TVI_FIRST;
  }
  View->RestoreNode(Saved, NewParent ? NewParent->FItemId : TVI_ROOT, After);
}

void TTreeNode::Delete() {
  if (!FItemId) {
    delete this;
    return;
  }
  // The item's deletion frees this node and its children.
  Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(FItemId));
}

void TTreeNode::DeleteChildren() {
  while (TTreeNode* Child = GetFirstChild()) Child->Delete();
}

bool TTreeNode::EditText() {
  TTreeView* View = TreeView();
  if (View->CanFocus() && !View->Focused()) View->SetFocus();
  return Send(TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool Cancel) { Send(TVM_ENDEDITLABELNOW, Cancel ? TRUE : FALSE, 0); }

RECT TTreeNode::DisplayRect(bool TextOnly) const {
  RECT R{0, 0, 0, 0};
  if (!FItemId) return R;
  std::memcpy(&R, &FItemId, sizeof(FItemId));  // the message takes the item in the rectangle
  if (!Send(TVM_GETITEMRECT, TextOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&R))) R = RECT{0, 0, 0, 0};
  return R;
}

void TTreeNode::Assign(TPersistent* Source) {
  if (auto* Node = dynamic_cast<TTreeNode*>(Source)) {
    SetText(Node->FText);
    FData = Node->FData;
    SetImageIndex(Node->FImageIndex);
    SetSelectedIndex(Node->FSelectedIndex);
    SetStateIndex(Node->FStateIndex);
    return;
  }
  TPersistent::Assign(Source);
}

void TTreeNode::FillFromStrings(const TStrings& Lines) { FOwner->FillFromStrings(Lines, this); }

// ---------------------------------------------------------------------------------------------
// TTreeNodes

TTreeNodes::TTreeNodes(TTreeView* AOwner) : FOwner(AOwner) {}
TTreeNodes::~TTreeNodes() = default;

HWND TTreeNodes::Handle() const { return FOwner->Handle(); }

int TTreeNodes::Count() const { return static_cast<int>(SendMessageA(Handle(), TVM_GETCOUNT, 0, 0)); }

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
  if (!ItemId) return nullptr;
  TVITEMA Item{};
  Item.mask = TVIF_HANDLE | TVIF_PARAM;
  Item.hItem = ItemId;
  if (!SendMessageA(Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&Item))) return nullptr;
  return reinterpret_cast<TTreeNode*>(Item.lParam);
}

TTreeNode* TTreeNodes::GetFirstNode() const {
  return GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

TTreeNode* TTreeNodes::Item(int Index) const {
  TTreeNode* Node = Index >= 0 ? GetFirstNode() : nullptr;
  for (int I = 0; Node && I < Index; ++I) Node = Node->GetNext();
  if (!Node) throw ETreeViewError("List index out of bounds (%d)", {Index});
  return Node;
}

TTreeNode* TTreeNodes::InsertItem(TTreeNode* Node, HTREEITEM Parent, HTREEITEM After) {
  TVINSERTSTRUCTA Insert{};
  Insert.hParent = Parent;
  Insert.hInsertAfter = After;
  TVITEMA& Item = Insert.item;
  Item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  Item.pszText = const_cast<char*>(Node->FText.c_str());
  Item.lParam = reinterpret_cast<LPARAM>(Node);
  Item.iImage = ViewImage(Node->FImageIndex);
  Item.iSelectedImage = ViewImage(Node->FSelectedIndex);
  if (Node->FStateIndex >= 0) {
    Item.mask |= TVIF_STATE;
    Item.state = INDEXTOSTATEIMAGEMASK(Node->FStateIndex);
    Item.stateMask = TVIS_STATEIMAGEMASK;
  }
  if (Node->FHasChildren) {
    Item.mask |= TVIF_CHILDREN;
    Item.cChildren = 1;
  }
  const auto Id = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Insert)));
  if (!Id) throw ETreeViewError("Failed to insert a tree view item");
  Node->FItemId = Id;
  return Node;
}

TTreeNode* TTreeNodes::InternalAddObject(TTreeNode* Node, const std::string& S, void* Data, TNodeAttachMode Mode) {
  const HWND Wnd = Handle();
  HTREEITEM Parent = TVI_ROOT;
  HTREEITEM After = (Mode == naAddFirst || Mode == naAddChildFirst) ? TVI_FIRST : TVI_LAST;
  if (Mode == naAddChild || Mode == naAddChildFirst) {
    if (Node) Parent = Node->FItemId;
  } else if (Node) {
    if (const auto P = reinterpret_cast<HTREEITEM>(SendMessageA(Wnd, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(Node->FItemId))))
      Parent = P;
    if (Mode == naInsert) {
      const auto Prev = reinterpret_cast<HTREEITEM>(SendMessageA(Wnd, TVM_GETNEXTITEM, TVGN_PREVIOUS, reinterpret_cast<LPARAM>(Node->FItemId)));
      After = Prev ? Prev : TVI_FIRST;
    }
  }
  auto* New = new TTreeNode(this);
  New->FText = S;
  New->FData = Data;
  try {
    return InsertItem(New, Parent, After);
  } catch (...) {
    delete New;
    throw;
  }
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Data) {
  return InternalAddObject(Sibling, S, Data, naAdd);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) {
  return InternalAddObject(Sibling, S, nullptr, naAddFirst);
}
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Data) {
  return InternalAddObject(Parent, S, Data, naAddChild);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) {
  return InternalAddObject(Parent, S, nullptr, naAddChildFirst);
}
TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Data) {
  return InternalAddObject(Sibling, S, Data, naInsert);
}

void TTreeNodes::Clear() {
  if (!FOwner->HandleAllocated()) {
    FOwner->FreeSaved(FOwner->FSaved);
    return;
  }
  auto Scope = UpdateScope(*this);
  SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

void TTreeNodes::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FOwner->HandleAllocated()) return;
  SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TTreeNodes::FillFromStrings(const TStrings& Lines, TTreeNode* Parent) {
  auto Scope = UpdateScope(*this);
  if (Parent)
    Parent->DeleteChildren();
  else
    Clear();
  for (int I = 0; I < Lines.Count(); ++I) AddChildObject(Parent, Lines.Get(I), Lines.Objects(I));
}

// ---------------------------------------------------------------------------------------------
// TTreeView

const TClassInfo& TTreeView::StaticClassInfo() {
  static const TClassInfo Info{
      "TTreeView",
      &TWinControl::StaticClassInfo(),
      {ComponentProp<TTreeView, TCustomImageList>("Images", &TTreeView::Images, &TTreeView::SetImages),
       ComponentProp<TTreeView, TCustomImageList>("StateImages", &TTreeView::StateImages, &TTreeView::SetStateImages),
       IntProp<TTreeView>("Indent", &TTreeView::Indent, &TTreeView::SetIndent),
       BoolProp<TTreeView>("HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection),
       BoolProp<TTreeView>("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly),
       BoolProp<TTreeView>("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons),
       BoolProp<TTreeView>("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines),
       BoolProp<TTreeView>("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot),
       BoolProp<TTreeView>("RightClickSelect", [](TTreeView& T) { return T.RightClickSelect; },
                           [](TTreeView& T, bool V) { T.RightClickSelect = V; })},
      {EventProp<TTreeView>("OnChange", &TTreeView::OnChange), EventProp<TTreeView>("OnEditing", &TTreeView::OnEditing),
       EventProp<TTreeView>("OnEdited", &TTreeView::OnEdited),
       EventProp<TTreeView>("OnExpanding", &TTreeView::OnExpanding),
       EventProp<TTreeView>("OnCollapsing", &TTreeView::OnCollapsing),
       EventProp<TTreeView>("OnExpanded", &TTreeView::OnExpanded),
       EventProp<TTreeView>("OnCollapsed", &TTreeView::OnCollapsed),
       EventProp<TTreeView>("OnAdvancedCustomDrawItem", &TTreeView::OnAdvancedCustomDrawItem)},
      MakeComponent<TTreeView>};
  return Info;
}

TTreeView::TTreeView(TComponent* AOwner) : TWinControl(AOwner), FItems(this) {
  FWidth = 121;
  FHeight = 97;
  TabStop = true;
  SetBorderStyle(bsSingle);
  FCanvas.Font().OnChange = [this](TObject*) { FCanvasFontChanged = true; };
}

TTreeView::~TTreeView() {
  DestroyHandle();
  FreeSaved(FSaved);
  SetImages(nullptr);
  SetStateImages(nullptr);
}

void TTreeView::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = WC_TREEVIEWA;
  if (FShowButtons) P.Style |= TVS_HASBUTTONS;
  if (FShowLines) P.Style |= TVS_HASLINES;
  if (FShowRoot) P.Style |= TVS_LINESATROOT;
  if (!FReadOnly) P.Style |= TVS_EDITLABELS;
  if (!FHideSelection) P.Style |= TVS_SHOWSELALWAYS;
}

void TTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, TVM_SETUNICODEFORMAT, FALSE, 0);
  if (FIndent >= 0) SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(FIndent), 0);
  ApplyImageList(TVSIL_NORMAL);
  ApplyImageList(TVSIL_STATE);
  if (FSaved.empty()) return;
  std::vector<TSavedNode> Saved;
  Saved.swap(FSaved);
  auto Scope = UpdateScope(FItems);
  for (const TSavedNode& S : Saved) RestoreNode(S, TVI_ROOT, TVI_LAST);
}

void TTreeView::DestroyWnd() {
  if (HandleAllocated()) {
    FreeSaved(FSaved);
    for (TTreeNode* Node = FItems.GetFirstNode(); Node; Node = Node->GetNextSibling()) FSaved.push_back(SaveNode(Node));
    FKeepNodes = true;
    try {
      TWinControl::DestroyWnd();
    } catch (...) {
      FKeepNodes = false;
      throw;
    }
    FKeepNodes = false;
    // Items whose deletion was not reported lose their handles all the same.
    std::function<void(const std::vector<TSavedNode>&)> Forget = [&](const std::vector<TSavedNode>& List) {
      for (const TSavedNode& S : List) {
        S.Node->FItemId = nullptr;
        Forget(S.Children);
      }
    };
    Forget(FSaved);
    return;
  }
  TWinControl::DestroyWnd();
}

TTreeView::TSavedNode TTreeView::SaveNode(TTreeNode* Node) {
  TSavedNode S{Node, Node->Expanded(), Node->Selected(), {}};
  for (TTreeNode* C = Node->GetFirstChild(); C; C = C->GetNextSibling()) S.Children.push_back(SaveNode(C));
  return S;
}

void TTreeView::RestoreNode(const TSavedNode& Saved, HTREEITEM Parent, HTREEITEM After) {
  FItems.InsertItem(Saved.Node, Parent, After);
  for (const TSavedNode& C : Saved.Children) RestoreNode(C, Saved.Node->FItemId, TVI_LAST);
  const bool Manual = FManualNotify;
  FManualNotify = true;
  if (Saved.Expanded) SendMessageA(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Saved.Node->FItemId));
  FManualNotify = Manual;
  if (Saved.Selected) SendMessageA(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Saved.Node->FItemId));
}

void TTreeView::RemoveKeepingNodes(TTreeNode* Node) {
  FKeepNodes = true;
  const HTREEITEM Id = Node->FItemId;
  try {
    SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Id));
  } catch (...) {
    FKeepNodes = false;
    throw;
  }
  FKeepNodes = false;
}

void TTreeView::FreeSaved(std::vector<TSavedNode>& Saved) {
  for (TSavedNode& S : Saved) {
    FreeSaved(S.Children);
    S.Node->FItemId = nullptr;
    delete S.Node;
  }
  Saved.clear();
}

void TTreeView::ExpandNode(TTreeNode* Node, bool Expand, bool Recurse) {
  if (Expand ? CanExpand(Node) : CanCollapse(Node)) {
    FManualNotify = true;
    SendMessageA(Handle(), TVM_EXPAND, Expand ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(Node->FItemId));
    FManualNotify = false;
    Expanded(Node, Expand);
  }
  if (Recurse)
    for (TTreeNode* C = Node->GetFirstChild(); C; C = C->GetNextSibling()) ExpandNode(C, Expand, true);
}

TTreeNode* TTreeView::Selected() {
  return FItems.GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TTreeView::SetSelected(TTreeNode* Value) {
  SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

TTreeNode* TTreeView::DropTarget() {
  return FItems.GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)));
}

void TTreeView::SetDropTarget(TTreeNode* Value) {
  SendMessageA(Handle(), TVM_SELECTITEM, TVGN_DROPHILITE, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

TTreeNode* TTreeView::TopItem() {
  return FItems.GetNode(reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

bool TTreeView::IsEditing() { return HandleAllocated() && SendMessageA(FHandle, TVM_GETEDITCONTROL, 0, 0) != 0; }

TTreeNode* TTreeView::GetNodeAt(int X, int Y) {
  TVHITTESTINFO Info{};
  Info.pt = POINT{X, Y};
  const auto Id = reinterpret_cast<HTREEITEM>(SendMessageA(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info)));
  return Id && (Info.flags & TVHT_ONITEM) ? FItems.GetNode(Id) : nullptr;
}

THitTests TTreeView::GetHitTestInfoAt(int X, int Y) {
  TVHITTESTINFO Info{};
  Info.pt = POINT{X, Y};
  SendMessageA(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Info));
  static const std::pair<UINT, unsigned> Map[] = {
      {TVHT_ABOVE, htAbove},           {TVHT_BELOW, htBelow},         {TVHT_NOWHERE, htNowhere},
      {TVHT_ONITEMBUTTON, htOnButton}, {TVHT_ONITEMICON, htOnIcon},   {TVHT_ONITEMINDENT, htOnIndent},
      {TVHT_ONITEMLABEL, htOnLabel},   {TVHT_ONITEMRIGHT, htOnRight}, {TVHT_ONITEMSTATEICON, htOnStateIcon},
      {TVHT_TOLEFT, htToLeft},         {TVHT_TORIGHT, htToRight}};
  THitTests Result = 0;
  for (const auto& [Flag, Bit] : Map)
    if (Info.flags & Flag) Result |= Bit;
  if (Info.flags & TVHT_ONITEM) Result |= htOnItem;
  return Result;
}

void TTreeView::FullExpand() {
  for (TTreeNode* Node = FItems.GetFirstNode(); Node; Node = Node->GetNextSibling()) Node->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* Node = FItems.GetFirstNode(); Node; Node = Node->GetNextSibling()) Node->Collapse(true);
}

void TTreeView::ApplyImageList(WPARAM Kind) {
  if (!HandleAllocated()) return;
  TCustomImageList* List = Kind == TVSIL_STATE ? FStateImages : FImages;
  const HIMAGELIST Wanted = List ? List->Handle() : nullptr;
  // The list follows its handle: a list that made a new one is shown again.
  if (reinterpret_cast<HIMAGELIST>(SendMessageA(FHandle, TVM_GETIMAGELIST, Kind, 0)) == Wanted) return;
  SendMessageA(FHandle, TVM_SETIMAGELIST, Kind, reinterpret_cast<LPARAM>(Wanted));
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TTreeView::SetImageList(TCustomImageList*& Field, TCustomImageList* Value, WPARAM Kind) {
  if (Value == Field) return;
  if (Field) {
    Field->RemoveFreeNotification(this);
    Field->UnRegisterChanges(&Field);
  }
  Field = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->RegisterChanges(&Field, [this, Kind] { ApplyImageList(Kind); });
  }
  ApplyImageList(Kind);
}

void TTreeView::SetImages(TCustomImageList* Value) { SetImageList(FImages, Value, TVSIL_NORMAL); }
void TTreeView::SetStateImages(TCustomImageList* Value) { SetImageList(FStateImages, Value, TVSIL_STATE); }

void TTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) {
    FImages = nullptr;
    ApplyImageList(TVSIL_NORMAL);
  }
  if (AComponent == FStateImages) {
    FStateImages = nullptr;
    ApplyImageList(TVSIL_STATE);
  }
}

int TTreeView::Indent() {
  return HandleAllocated() ? static_cast<int>(SendMessageA(FHandle, TVM_GETINDENT, 0, 0)) : FIndent;
}

void TTreeView::SetIndent(int Value) {
  if (Value == Indent()) return;
  FIndent = Value;
  if (HandleAllocated()) SendMessageA(FHandle, TVM_SETINDENT, static_cast<WPARAM>(Value), 0);
}

void TTreeView::SetStyleFlag(bool& Field, bool Value, DWORD Style, bool On) {
  if (Value == Field) return;
  Field = Value;
  UpdateWindowStyle(Style, On);
}

void TTreeView::SetHideSelection(bool Value) { SetStyleFlag(FHideSelection, Value, TVS_SHOWSELALWAYS, !Value); }
void TTreeView::SetReadOnly(bool Value) { SetStyleFlag(FReadOnly, Value, TVS_EDITLABELS, !Value); }
void TTreeView::SetShowButtons(bool Value) { SetStyleFlag(FShowButtons, Value, TVS_HASBUTTONS, Value); }
void TTreeView::SetShowLines(bool Value) { SetStyleFlag(FShowLines, Value, TVS_HASLINES, Value); }
void TTreeView::SetShowRoot(bool Value) { SetStyleFlag(FShowRoot, Value, TVS_LINESATROOT, Value); }

bool TTreeView::CanEdit(TTreeNode* Node) {
  bool Allow = true;
  if (OnEditing) OnEditing(this, Node, Allow);
  return Allow;
}

void TTreeView::Edit(const TVITEMA& Item) {
  TTreeNode* Node = FItems.GetNode(Item.hItem);
  if (!Item.pszText || !Node) return;
  std::string S = Item.pszText;
  if (OnEdited) OnEdited(this, Node, S);
  Node->SetText(S);
}

bool TTreeView::CanExpand(TTreeNode* Node) {
  bool Allow = true;
  if (OnExpanding) OnExpanding(this, Node, Allow);
  return Allow;
}

bool TTreeView::CanCollapse(TTreeNode* Node) {
  bool Allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, Allow);
  return Allow;
}

void TTreeView::Expanded(TTreeNode* Node, bool Expand) {
  if (Expand && OnExpanded) OnExpanded(this, Node);
  if (!Expand && OnCollapsed) OnCollapsed(this, Node);
}

void TTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}

TDragImageList* TTreeView::GetDragImages() { return FDragImage.Count() > 0 ? &FDragImage : nullptr; }

void TTreeView::DoStartDrag(TDragObject*& DragObject) {
  FDragImage.SetHandle(nullptr);
  TTreeNode* Node = FDragNode;
  if (!Node) {
    POINT P{0, 0};
    GetCursorPos(&P);
    P = ScreenToClient(P);
    Node = GetNodeAt(P.x, P.y);
  }
  if (Node && UsesOwnDragImage()) {
    const auto Image = reinterpret_cast<HIMAGELIST>(SendMessageA(Handle(), TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(Node->FItemId)));
    if (Image) {
      FDragImage.SetHandle(Image);
      FDragImage.SetDragImage(0, 2, 2);
    }
  }
  TWinControl::DoStartDrag(DragObject);
}

void TTreeView::DoEndDrag(TObject* Target, int X, int Y) {
  FDragNode = nullptr;
  TWinControl::DoEndDrag(Target, X, Y);
}

LRESULT TTreeView::CustomDraw(NMTVCUSTOMDRAW& Draw) {
  NMCUSTOMDRAW& D = Draw.nmcd;
  if (D.dwDrawStage == CDDS_PREPAINT) return OnAdvancedCustomDrawItem ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
  const bool Pre = D.dwDrawStage == CDDS_ITEMPREPAINT;
  if ((!Pre && D.dwDrawStage != CDDS_ITEMPOSTPAINT) || !OnAdvancedCustomDrawItem) return CDRF_DODEFAULT;
  auto* Node = reinterpret_cast<TTreeNode*>(D.lItemlParam);
  if (!Node) return CDRF_DODEFAULT;
  static const std::pair<UINT, unsigned> Map[] = {
      {CDIS_SELECTED, cdsSelected}, {CDIS_GRAYED, cdsGrayed}, {CDIS_DISABLED, cdsDisabled},
      {CDIS_CHECKED, cdsChecked},   {CDIS_FOCUS, cdsFocused}, {CDIS_DEFAULT, cdsDefault},
      {CDIS_HOT, cdsHot},           {CDIS_MARKED, cdsMarked}, {CDIS_INDETERMINATE, cdsIndeterminate}};
  TCustomDrawState State = 0;
  for (const auto& [Flag, Bit] : Map)
    if (D.uItemState & Flag) State |= Bit;
  FCanvas.SetHandle(D.hdc);
  if (Pre) {
    FCanvas.Font().Assign(&Font());
    FCanvas.Brush().SetColor(Color());
    FCanvasFontChanged = false;
  }
  bool PaintImages = true, DefaultDraw = true;
  try {
    OnAdvancedCustomDrawItem(this, Node, State, Pre ? cdPrePaint : cdPostPaint, PaintImages, DefaultDraw);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    throw;
  }
  LRESULT Result = CDRF_DODEFAULT;
  if (Pre) {
    if (!DefaultDraw) {
      Result = CDRF_SKIPDEFAULT;
    } else {
      if (FCanvasFontChanged) {
        SelectObject(D.hdc, FCanvas.Font().Handle());
        Draw.clrText = static_cast<COLORREF>(ColorToRGB(FCanvas.Font().Color()));
        Result |= CDRF_NEWFONT;
      }
      if (FCanvas.Brush().Color() != Color()) {
        Draw.clrTextBk = static_cast<COLORREF>(ColorToRGB(FCanvas.Brush().Color()));
        Result |= CDRF_NEWFONT;
      }
      Result |= CDRF_NOTIFYPOSTPAINT;
    }
  }
  FCanvas.SetHandle(nullptr);
  return Result;
}

void TTreeView::WndProc(TMessage& M) {
  const int X = static_cast<short>(LOWORD(M.LParam)), Y = static_cast<short>(HIWORD(M.LParam));
  if (M.Msg == WM_RBUTTONDOWN) FRClickNode = RightClickSelect ? GetNodeAt(X, Y) : nullptr;
  if (M.Msg != WM_LBUTTONDOWN || !HandleAllocated()) {
    TWinControl::WndProc(M);
    return;
  }
  // Pressed on an item, the view waits in a loop of its own for a drag or the release and eats
  // the release: the release at the pointer's place is passed on here, unless a drag began.
  TVHITTESTINFO Hit{};
  Hit.pt = {X, Y};
  SendMessageA(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit));
  const bool Tracked = (Hit.flags & TVHT_ONITEM) && !(GetWindowLongPtrA(FHandle, GWL_STYLE) & TVS_DISABLEDRAGDROP);
  FDragBegun = false;
  TWinControl::WndProc(M);
  if (!Tracked || FDragBegun || !HandleAllocated()) return;
  MSG Queued;
  if (PeekMessageA(&Queued, FHandle, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE | PM_NOYIELD)) return;
  POINT P;
  GetCursorPos(&P);
  ::ScreenToClient(FHandle, &P);
  TMessage Up{WM_LBUTTONUP, 0, MAKELPARAM(P.x, P.y), 0};
  WndProc(Up);
}

void TTreeView::Notify(TMessage& M) {
  if (M.Msg != CN_NOTIFY) return;
  auto* Header = reinterpret_cast<NMHDR*>(M.LParam);
  auto* Tree = reinterpret_cast<NMTREEVIEWA*>(M.LParam);
  switch (Header->code) {
    case TVN_DELETEITEMA: {
      auto* Node = reinterpret_cast<TTreeNode*>(Tree->itemOld.lParam);
      if (!Node) break;
      Node->FItemId = nullptr;
      if (!FKeepNodes) delete Node;
      break;
    }
    case TVN_SELCHANGEDA: Change(FItems.GetNode(Tree->itemNew.hItem)); break;
    case TVN_BEGINLABELEDITA: {
      auto* Info = reinterpret_cast<NMTVDISPINFOA*>(M.LParam);
      FInEdit = CanEdit(FItems.GetNode(Info->item.hItem));
      M.Result = FInEdit ? FALSE : TRUE;
      break;
    }
    case TVN_ENDLABELEDITA:
      // One end per edit: the edit losing the focus as it goes may report the end again.
      if (!FInEdit) break;
      FInEdit = false;
      Edit(reinterpret_cast<NMTVDISPINFOA*>(M.LParam)->item);
      break;
    case TVN_ITEMEXPANDINGA: {
      if (FManualNotify) break;
      FVetoedCollapse = nullptr;
      TTreeNode* Node = FItems.GetNode(Tree->itemNew.hItem);
      if (!Node) break;
      const UINT Action = Tree->action & ExpandActionMask;
      if (Action == TVE_EXPAND && !CanExpand(Node)) M.Result = TRUE;
      if (Action == TVE_COLLAPSE && !CanCollapse(Node)) {
        M.Result = TRUE;
        FVetoedCollapse = Node->FItemId;
      }
      break;
    }
    case TVN_ITEMEXPANDEDA: {
      if (FManualNotify) break;
      const bool Expand = (Tree->action & ExpandActionMask) == TVE_EXPAND;
      if (!Expand && Tree->itemNew.hItem == FVetoedCollapse) {
        // A view that collapsed in spite of the refusal opens the node again.
        FVetoedCollapse = nullptr;
        PostMessageA(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Tree->itemNew.hItem));
        break;
      }
      if (TTreeNode* Node = FItems.GetNode(Tree->itemNew.hItem)) Expanded(Node, Expand);
      break;
    }
    case TVN_BEGINDRAGA: {
      FDragBegun = true;
      if (DragMode != dmAutomatic) break;
      FDragNode = (Tree->itemNew.mask & TVIF_PARAM) ? reinterpret_cast<TTreeNode*>(Tree->itemNew.lParam)
                                                      : FItems.GetNode(Tree->itemNew.hItem);
      DragBegin(this, true, -1, ClientToScreen(Tree->ptDrag));
      break;
    }
    case NM_RCLICK:
      if (FRClickNode) FRClickNode->SetSelected(true);
      FRClickNode = nullptr;
      break;
    case NM_CUSTOMDRAW: M.Result = CustomDraw(*reinterpret_cast<NMTVCUSTOMDRAW*>(M.LParam)); break;
    default: break;
  }
}
