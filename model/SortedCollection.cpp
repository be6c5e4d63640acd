// The sorted collection and the joining string list.
#include "model/SortedCollection.h"

#include "classlib/gui/ListView.h"
#include "model/TreeCollection.h"

// ---------------------------------------------------------------------------------------------
// TSortedCollection

TSortedCollection::TSortedCollection(TPersistent* AOwner, const TCollectionItemClass& ItemClass)
    : TOwnedCollection(AOwner, ItemClass) {}

void TSortedCollection::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

void TSortedCollection::Sort() {
  if (FSorted || Count() < 2) return;
  QuickSortIndexes(
      0, Count() - 1, [this](int I, int J) { return Compare(I, J); }, [this](int I, int J) { Exchange(I, J); });
}

bool TSortedCollection::FindPosition(TCollectionItem* Item, int& Index) {
  return FindIndexPosition(Count(), Item->Index(), [this](int I, int J) { return Compare(I, J); }, Index);
}

void TSortedCollection::Exchange(int Index1, int Index2) {
  const int LoIndex = Index1 < Index2 ? Index1 : Index2;
  const int HiIndex = Index1 < Index2 ? Index2 : Index1;
  TCollectionItem* Lo = Items(LoIndex);
  TCollectionItem* Hi = Items(HiIndex);
  Hi->SetIndex(LoIndex);
  Lo->SetIndex(HiIndex);
}

int TSortedCollection::Compare(int Index1, int Index2) {
  int Result = -1;
  if (CompareProc != nullptr) CompareProc(this, Index1, Index2, Result);
  return Result;
}

void TSortedCollection::Update(TCollectionItem* Item) {
  if (Item == nullptr || !FSorted) return;
  int Index = 0;
  if (FindPosition(Item, Index)) return;
  // Index counts the item's own old place; past it the place is one lower once the item leaves.
  if (Index > Item->Index()) --Index;
  Item->SetIndex(Index);
}

// ---------------------------------------------------------------------------------------------
// TAdvStringList

TAdvStringList::TAdvStringList() : Delimiter(";") {}

void TAdvStringList::AssignTo(TPersistent* Dest) {
  if (auto* View = dynamic_cast<TCustomListView*>(Dest)) Dest = View->Items();
  if (auto* Items = dynamic_cast<TListItems*>(Dest)) {
    Items->BeginUpdate();
    try {
      Items->Clear();
      for (int I = 0; I < Count(); ++I) {
        TListItem* Item = Items->Add();
        Item->SetCaption(Get(I));
        Item->SetData(Objects(I));
      }
    } catch (...) {
      Items->EndUpdate();
      throw;
    }
    Items->EndUpdate();
    return;
  }
  TStringList::AssignTo(Dest);
}

std::string TAdvStringList::GetJoinedText() const {
  std::string Result;
  const int N = Count();
  for (int I = 0; I < N; ++I) {
    Result += Get(I);
    if (I < N - 1) Result += Delimiter;
  }
  return Result;
}
