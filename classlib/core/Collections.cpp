// Collections of owned items with IDs, change notification and update brackets.
#include "classlib/core/Classes.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* Collection) {
  if (Collection == nullptr) return;
  try {
    Collection->DoInsertItem(this);
  } catch (...) {
    // No destructor runs for an object whose constructor fails: leave no freed item behind.
    if (FCollection != nullptr) FCollection->DetachItem(this);
    throw;
  }
}

TCollectionItem::~TCollectionItem() {
  if (FCollection == nullptr) return;
  try {
    FCollection->RemoveItem(this);
  } catch (...) {
    // A destructor cannot pass the exception on; the collection must not keep a freed item.
    if (FCollection != nullptr) FCollection->DetachItem(this);
  }
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection != nullptr) FCollection->RemoveItem(this);
  if (Value != nullptr) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr) return -1;
  const auto& Items = FCollection->FItems;
  const auto It = std::find(Items.begin(), Items.end(), this);
  return It != Items.end() ? static_cast<int>(It - Items.begin()) : -1;
}

void TCollectionItem::SetIndex(int Value) {
  const int CurIndex = Index();
  if (CurIndex < 0 || CurIndex == Value) return;
  auto& Items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<int>(Items.size())) TList::Error(SListIndexError, Value);
  Items.erase(Items.begin() + CurIndex);
  Items.insert(Items.begin() + Value, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() { return FCollection; }

// ---------------------------------------------------------------------------------------------
// TCollection

TCollection::TCollection(const TCollectionItemClass& ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;
  Clear();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass.Create) throw Exception(LoadResString(SNoItemFactory), {FItemClass.ClassName});
  TCollectionItem* Item = FItemClass.Create(this);
  if (Item == nullptr) throw Exception(LoadResString(SNoItemFactory), {FItemClass.ClassName});
  if (Item->FCollection != this) {
    try {
      Item->SetCollection(this);
    } catch (...) {
      delete Item;
      throw;
    }
  }
  return Item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* Item = Add();
  Item->SetIndex(Index);
  return Item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* Item = Items(Index);
  Notify(Item, cnDeleting);
  delete Item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  auto Update = UpdateScope(*this);
  while (!FItems.empty()) delete FItems.back();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(SListIndexError, Index);
  return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItem(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID) return Item;
  return nullptr;
}

void TCollection::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TCollection*>(Source)) {
    if (Other == this) return;
    auto Update = UpdateScope(*this);
    Clear();
    for (int I = 0; I < Other->Count(); ++I) Add()->Assign(Other->Items(I));
    return;
  }
  TPersistent::Assign(Source);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  if (FItemClass.IsInstance && !FItemClass.IsInstance(Item)) throw Exception(LoadResString(SInvalidProperty));
  DoInsertItem(Item);
}

void TCollection::DoInsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  SetItemName(Item);
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  if (!FItems.empty() && FItems.back() == Item) {
    FItems.pop_back();
  } else {
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    if (It != FItems.end()) FItems.erase(It);
  }
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::DetachItem(TCollectionItem* Item) {
  const auto It = std::find(FItems.begin(), FItems.end(), Item);
  if (It != FItems.end()) FItems.erase(It);
  Item->FCollection = nullptr;
}

void TCollection::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  switch (Action) {
    case cnAdded: Added(Item); break;
    case cnDeleting: Deleting(Item); break;
    case cnExtracting: break;
  }
}

void TCollection::Added(TCollectionItem*) {}

void TCollection::Deleting(TCollectionItem*) {}

void TCollection::SetItemName(TCollectionItem*) {}

void TCollection::Update(TCollectionItem*) {}

TPersistent* TCollection::GetOwner() { return nullptr; }

// ---------------------------------------------------------------------------------------------
// TOwnedCollection

TOwnedCollection::TOwnedCollection(TPersistent* AOwner, const TCollectionItemClass& ItemClass)
    : TCollection(ItemClass), FOwner(AOwner) {}
