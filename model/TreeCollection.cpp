// The tree model: items with child collections, the tree with its focus, brackets and events.
#include "model/TreeCollection.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"
#include "resources/strings/TreeCollection.h"

#include <algorithm>

namespace {

// The library item class of every tree collection: any TTreeItem descendant may be inserted;
// the library's own Add (collection assignment) makes plain TTreeItems with TTreeItems children.
TCollectionItemClass TreeItemCollectionClass() {
  TCollectionItemClass Result;
  Result.Create = [](TCollection*) -> TCollectionItem* {
    return NewTreeItem(TreeItemClass<TTreeItem>(), TreeItemsClass<TTreeItems>());
  };
  Result.IsInstance = [](const TCollectionItem* Item) { return dynamic_cast<const TTreeItem*>(Item) != nullptr; };
  Result.ClassName = "TTreeItem";
  return Result;
}

}  // namespace

TTreeItem* NewTreeItem(const TTreeItemClass& ItemClass, const TTreeItemsClass& ItemsClass, TTreeItems* Collection) {
  if (!ItemClass) throw Exception(LoadResString(SNoItemFactory), {ItemClass.ClassName});
  TTreeItem* Item = ItemClass.Create(ItemsClass ? ItemsClass : TreeItemsClass<TTreeItems>());
  if (Item == nullptr) throw Exception(LoadResString(SNoItemFactory), {ItemClass.ClassName});
  Item->FItemClass = ItemClass;
  if (Collection != nullptr) {
    try {
      Item->ChangeCollection(Collection);
    } catch (...) {
      delete Item;
      throw;
    }
  }
  return Item;
}

// ---------------------------------------------------------------------------------------------
// Sorting and searching

void QuickSortIndexes(int L, int R, const TIndexCompare& Compare, const TIndexExchange& Exchange) {
  if (R <= L) return;
  int I;
  do {
    I = L;
    int J = R;
    int P = (L + R) / 2;
    do {
      while (I < R && Compare(I, P) < 0) ++I;
      while (J > L && Compare(J, P) > 0) --J;
      if (I <= J) {
        Exchange(I, J);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSortIndexes(L, J, Compare, Exchange);
    L = I;
  } while (I < R);
}

bool FindIndexPosition(int Count, int Target, const TIndexCompare& Compare, int& Index) {
  int L = 0;
  int H = Count - 1;
  while (L <= H) {
    const int I = (L + H) / 2;
    const int C = Compare(I, Target);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Index = I;
        return true;
      }
    }
  }
  Index = L;
  return false;
}

// ---------------------------------------------------------------------------------------------
// TTreeItem

TTreeItem::TTreeItem() : TCollectionItem(nullptr) { CreateItems(TreeItemsClass<TTreeItems>()); }

TTreeItem::TTreeItem(const TTreeItemsClass& ItemsClass) : TCollectionItem(nullptr) { CreateItems(ItemsClass); }

void TTreeItem::CreateItems(const TTreeItemsClass& ItemsClass) {
  FItemsClass = ItemsClass ? ItemsClass : TreeItemsClass<TTreeItems>();
  FItems = FItemsClass.Create(GetTree(), this);
}

TTreeItem::~TTreeItem() { DestroyContents(); }

void TTreeItem::operator delete(TTreeItem* Item, std::destroying_delete_t) noexcept {
  try {
    Item->BeforeDestruction();
  } catch (...) {
  }
  void* Memory = dynamic_cast<void*>(Item);
  Item->~TTreeItem();
  ::operator delete(Memory);
}

void TTreeItem::BeforeDestruction() { DestroyContents(); }

void TTreeItem::DestroyContents() noexcept {
  if (FContentsDestroyed) return;
  FContentsDestroyed = true;
  if (TTreeCollection* Tree = GetTree()) {
    if (Tree->UpdateCount() == 0) {
      try {
        Tree->DoItemDeleting(this);
      } catch (...) {
      }
    }
    if (FFocused) {
      TTreeItem* NewFocus = nullptr;
      TTreeItems* Collection = GetCollection();
      if (Collection != nullptr && !Collection->Destroying()) {
        const int I = Index();
        if (I + 1 < Collection->Count())
          NewFocus = Collection->GetItem(I + 1);
        else if (I > 0)
          NewFocus = Collection->GetItem(I - 1);
        else
          NewFocus = Collection->ParentItem();
      }
      bool Moved = false;
      try {
        Moved = Tree->ChangeFocus(NewFocus, false);
      } catch (...) {
      }
      if (!Moved) Tree->ChangeFocus(nullptr, false);
    }
  }
  TTreeItems* Children = FItems;
  delete Children;
  FItems = nullptr;
  try {
    TCollectionItem::SetCollection(nullptr);
  } catch (...) {
  }
}

TTreeItems* TTreeItem::GetCollection() const { return dynamic_cast<TTreeItems*>(Collection()); }

TTreeCollection* TTreeItem::GetTree() const {
  TTreeItems* Items = GetCollection();
  return Items != nullptr ? Items->GetTree() : nullptr;
}

void TTreeItem::ChangeCollection(TTreeItems* NewCollection) {
  TCollection* Current = Collection();
  if (Current == NewCollection) return;
  if (Current != nullptr) SetModified(true);
  SetCollection(NewCollection);
}

void TTreeItem::SetModified(bool Value) { FModified = Value; }

bool TTreeItem::GetModified() const {
  if (FModified) return true;
  if (FItems != nullptr)
    for (int I = 0; I < FItems->Count(); ++I)
      if (FItems->GetItem(I)->GetModified()) return true;
  return false;
}

void TTreeItem::Changing() {
  if (FUpdateCount != 0) return;
  if (TTreeCollection* Tree = GetTree()) Tree->DoItemChanging(this);
}

void TTreeItem::Changed() {
  SetModified(true);
  if (FUpdateCount != 0) return;
  if (TTreeCollection* Tree = GetTree()) Tree->DoItemChange(this);
}

void TTreeItem::BroadcastFirstNotice() {
  TTreeCollection* Tree = GetTree();
  if (Tree != nullptr) Tree->Notify(0, 0, this);
  for (int I = 0; I < FItems->Count(); ++I) FItems->GetItem(I)->BroadcastFirstNotice();
  if (Tree != nullptr) Tree->Notify(0, 1, this);
}

void TTreeItem::BroadcastSecondNotice() {
  TTreeCollection* Tree = GetTree();
  if (Tree != nullptr) Tree->Notify(1, 0, this);
  for (int I = 0; I < FItems->Count(); ++I) FItems->GetItem(I)->BroadcastSecondNotice();
  if (Tree != nullptr) Tree->Notify(1, 1, this);
}

bool TTreeItem::Focus() {
  TTreeCollection* Tree = GetTree();
  return Tree != nullptr && Tree->ChangeFocus(this, true);
}

void TTreeItem::Assign(TPersistent* Source) {
  if (auto* Item = dynamic_cast<TTreeItem*>(Source)) {
    auto Update = UpdateScope(*this);
    FItems->Assign(Item->FItems);
    SetExpanded(Item->Expanded());
    return;
  }
  TCollectionItem::Assign(Source);
}

void TTreeItem::SetIndex(int Value) {
  if (Value != Index()) SetModified(true);
  TCollectionItem::SetIndex(Value);
}

void TTreeItem::BeginUpdate() { ++FUpdateCount; }

void TTreeItem::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) TCollectionItem::Changed(false);
}

void TTreeItem::SetExpanded(bool Value) {
  if (Value) {
    if (!FExpanded && CanExpand()) {
      FExpanded = true;
      Expand();
    }
  } else if (CanCollapse()) {
    FExpanded = false;
    Collapse();
  }
}

bool TTreeItem::CanExpand() {
  TTreeCollection* Tree = GetTree();
  return Tree != nullptr && Tree->DoExpanding(this);
}

void TTreeItem::Expand() {
  if (TTreeCollection* Tree = GetTree()) Tree->DoExpanded(this);
}

bool TTreeItem::CanCollapse() {
  TTreeCollection* Tree = GetTree();
  return Tree != nullptr && Tree->DoCollapsing(this);
}

void TTreeItem::Collapse() {
  if (TTreeCollection* Tree = GetTree()) Tree->DoCollapsed(this);
}

bool TTreeItem::HasChildren() const { return FItems != nullptr && FItems->Count() > 0; }

bool TTreeItem::IsDescendantOf(const TTreeItem* Item) const {
  for (const TTreeItem* P = this; P != nullptr;) {
    if (P == Item) return true;
    TTreeItems* Items = P->GetCollection();
    P = Items != nullptr ? Items->ParentItem() : nullptr;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TTreeItems

TTreeItems::TTreeItems(TTreeCollection* Tree, TTreeItem* ParentItem)
    : TOwnedCollection(Tree, TreeItemCollectionClass()), FTree(Tree), FParentItem(ParentItem) {}

TTreeItems::~TTreeItems() {
  FDestroying = true;
  BeginUpdate();  // as the library's destructor: freeing the items sends no change of its own
  Clear();
  FParentItem = nullptr;
}

TTreeCollection* TTreeItems::GetTree() const { return FParentItem != nullptr ? FParentItem->GetTree() : FTree; }

TTreeItem* TTreeItems::AddItem(const TTreeItemClass& ItemClass, const TTreeItemsClass& ItemsClass) {
  BeginUpdate();
  TTreeItem* Item = nullptr;
  try {
    Item = NewTreeItem(ItemClass, ItemsClass);
    try {
      if (TTreeCollection* Tree = GetTree()) Tree->DoValidateItem(this, Item);
      Item->ChangeCollection(this);
      if (TTreeCollection* Tree = GetTree()) Tree->DoItemAdded(Item);
    } catch (...) {
      delete Item;
      throw;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return Item;
}

int TTreeItems::Compare(int, int) { return -1; }

bool TTreeItems::FindPosition(TTreeItem* Item, int& Index) {
  return FindIndexPosition(Count(), Item->Index(), [this](int I, int J) { return Compare(I, J); }, Index);
}

void TTreeItems::Sort() {
  if (Count() < 2) return;
  auto Update = UpdateScope(*this);
  QuickSortIndexes(
      0, Count() - 1, [this](int I, int J) { return Compare(I, J); }, [this](int I, int J) { Exchange(I, J); });
}

void TTreeItems::Exchange(int Index1, int Index2) {
  const int LoIndex = std::min(Index1, Index2);
  const int HiIndex = std::max(Index1, Index2);
  TTreeItem* Lo = GetItem(LoIndex);
  TTreeItem* Hi = GetItem(HiIndex);
  Hi->SetIndex(LoIndex);
  Lo->SetIndex(HiIndex);
}

void TTreeItems::Update(TCollectionItem* Item) {
  if (UpdateCount() == 0) Changed(this, static_cast<TTreeItem*>(Item));
}

void TTreeItems::Changed(TTreeItems* Collection, TTreeItem* Item) {
  if (UpdateCount() > 0) return;
  if (FParentItem != nullptr && FParentItem->Collection() != nullptr) {
    if (FParentItem->UpdateCount() > 0) return;
    if (TTreeItems* Parent = FParentItem->GetCollection()) Parent->Changed(Collection, Item);
    return;
  }
  if (TTreeCollection* Tree = GetTree()) Tree->Changed(Collection, Item);
}

// ---------------------------------------------------------------------------------------------
// TTreeCollection

TTreeCollection::TTreeCollection() { CreateItems(TreeItemsClass<TTreeItems>()); }

TTreeCollection::TTreeCollection(const TTreeItemsClass& ItemsClass) { CreateItems(ItemsClass); }

void TTreeCollection::CreateItems(const TTreeItemsClass& ItemsClass) {
  FItems = (ItemsClass ? ItemsClass : TreeItemsClass<TTreeItems>()).Create(this, nullptr);
}

TTreeCollection::~TTreeCollection() { DestroyItems(); }

void TTreeCollection::operator delete(TTreeCollection* Tree, std::destroying_delete_t) noexcept {
  try {
    Tree->BeforeDestruction();
  } catch (...) {
  }
  void* Memory = dynamic_cast<void*>(Tree);
  Tree->~TTreeCollection();
  ::operator delete(Memory);
}

void TTreeCollection::BeforeDestruction() { DestroyItems(); }

void TTreeCollection::DestroyItems() noexcept {
  if (FItems == nullptr) return;
  TTreeItems* Root = FItems;
  delete Root;  // handlers still see Items() while the items go
  FItems = nullptr;
  FFocused = nullptr;
}

void TTreeCollection::Notify(int Kind, int Phase, TTreeItem* Item) {
  switch (Kind) {
    case 0: DoItemFirstNotice(Item, Phase); break;
    case 1: DoItemSecondNotice(Item, Phase); break;
    case 2: DoFirstNotice(Phase); break;
    case 3: DoSecondNotice(Phase); break;
    default: break;
  }
}

void TTreeCollection::Changed(TTreeItems* Collection, TTreeItem* Item) {
  if (FUpdateCount <= 0 && FChangeNotifyLock <= 0) DoChange(Collection, Item);
}

void TTreeCollection::BroadcastFirstNotice() {
  Notify(2, 0, nullptr);
  for (int I = 0; I < FItems->Count(); ++I) FItems->GetItem(I)->BroadcastFirstNotice();
  Notify(2, 1, nullptr);
}

void TTreeCollection::BroadcastSecondNotice() {
  Notify(3, 0, nullptr);
  for (int I = 0; I < FItems->Count(); ++I) FItems->GetItem(I)->BroadcastSecondNotice();
  Notify(3, 1, nullptr);
}

bool TTreeCollection::GetModified() const {
  for (int I = 0; I < FItems->Count(); ++I)
    if (FItems->GetItem(I)->GetModified()) return true;
  return false;
}

void TTreeCollection::Assign(TPersistent* Source) {
  if (auto* Tree = dynamic_cast<TTreeCollection*>(Source)) {
    FItems->Assign(Tree->FItems);
    return;
  }
  TPersistent::Assign(Source);
}

void TTreeCollection::BeginUpdate() { ++FUpdateCount; }

void TTreeCollection::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount == 0) Changed(nullptr, nullptr);
}

void TTreeCollection::DisableChangeNotify() { ++FChangeNotifyLock; }

void TTreeCollection::EnableChangeNotify() { --FChangeNotifyLock; }

void TTreeCollection::SetFocused(TTreeItem* Item) {
  if (Item != nullptr && Item->GetTree() != this) throw ETreeCollectionError(LoadResString(SItemNotInTreeToFocus));
  ChangeFocus(Item, true);
}

bool TTreeCollection::ChangeFocus(TTreeItem* Item, bool Notify) {
  if (Item == nullptr) {
    if (FFocused != nullptr) FFocused->FFocused = false;
    FFocused = nullptr;
  } else {
    if (!DoCanFocus(Item)) return false;
    if (FFocused != nullptr) FFocused->FFocused = false;
    FFocused = Item;
    Item->FFocused = true;
  }
  if (FUpdateCount == 0 && Notify) DoFocusChange();
  return true;
}

namespace {

void ExpandItems(TTreeItems* Items) {
  for (int I = 0; I < Items->Count(); ++I) {
    TTreeItem* Item = Items->GetItem(I);
    auto Update = UpdateScope(*Items);
    Item->SetExpanded(true);
    ExpandItems(Item->Items());
  }
}

}  // namespace

void TTreeCollection::ExpandAll() { ExpandItems(FItems); }

void TTreeCollection::DoItemAdded(TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnItemAdded) OnItemAdded(this, Item);
}

void TTreeCollection::DoValidateItem(TTreeItems* Collection, TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnValidateItem) OnValidateItem(this, Collection, Item);
}

void TTreeCollection::DoNotify1(int Value) {
  if (FUpdateCount <= 0 && OnNotify1) OnNotify1(this, Value);
}

void TTreeCollection::DoItemDeleting(TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnItemDeleting) OnItemDeleting(this, Item);
}

void TTreeCollection::DoItemChange(TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnItemChange) OnItemChange(this, Item);
}

void TTreeCollection::DoItemChanging(TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnItemChanging) OnItemChanging(this, Item);
}

void TTreeCollection::DoNotify3(int Value1, int Value2, int Value3) {
  if (FUpdateCount <= 0 && OnNotify3) OnNotify3(this, Value1, Value2, Value3);
}

void TTreeCollection::DoNotify2(int Value1, int Value2) {
  if (FUpdateCount <= 0 && OnNotify2) OnNotify2(this, Value1, Value2);
}

void TTreeCollection::DoChange(TTreeItems* Collection, TTreeItem* Item) {
  if (FUpdateCount <= 0 && OnChange) {
    try {
      OnChange(this, Collection, Item);
    } catch (...) {
      // a failing view never breaks a model operation
    }
  }
}

void TTreeCollection::DoFirstNotice(int Phase) {
  if (OnFirstNotice) OnFirstNotice(this, Phase);
}

void TTreeCollection::DoSecondNotice(int Phase) {
  if (OnSecondNotice) OnSecondNotice(this, Phase);
}

void TTreeCollection::DoItemFirstNotice(TTreeItem* Item, int Phase) {
  if (OnItemFirstNotice) OnItemFirstNotice(this, Item, Phase);
}

void TTreeCollection::DoItemSecondNotice(TTreeItem* Item, int Phase) {
  if (OnItemSecondNotice) OnItemSecondNotice(this, Item, Phase);
}

bool TTreeCollection::DoCanFocus(TTreeItem* Item) {
  bool Allow = true;
  if (FUpdateCount <= 0 && OnCanFocus) OnCanFocus(this, Item, Allow);
  return Allow;
}

void TTreeCollection::DoFocusChange() {
  if (FUpdateCount <= 0 && OnFocusChange) OnFocusChange(this);
}

bool TTreeCollection::DoExpanding(TTreeItem* Item) {
  bool Allow = true;
  if (OnExpanding) OnExpanding(this, Item, Allow);
  return Allow;
}

void TTreeCollection::DoExpanded(TTreeItem* Item) {
  if (OnExpanded) OnExpanded(this, Item);
}

bool TTreeCollection::DoCollapsing(TTreeItem* Item) {
  bool Allow = true;
  if (OnCollapsing) OnCollapsing(this, Item, Allow);
  return Allow;
}

void TTreeCollection::DoCollapsed(TTreeItem* Item) {
  if (OnCollapsed) OnCollapsed(this, Item);
}
