// An owned collection that can keep its items in the order of a compare operation, and a string
// list that joins its lines with a delimiter.
#pragma once

#include "classlib/core/Classes.h"

#include <string>

class TSortedCollection;

// Called with the collection and two indexes; leaves the order of the two items in Result
// (<0, 0, >0). Result starts at -1.
using TSortedCompareProc = void (*)(TSortedCollection* Collection, int Index1, int Index2, int& Result);

class TSortedCollection : public TOwnedCollection {
public:
  TSortedCollection(TPersistent* AOwner, const TCollectionItemClass& ItemClass);

  TSortedCompareProc CompareProc = nullptr;

  bool Sorted() const { return FSorted; }
  // Turning it on sorts the collection first; turning it off leaves the order as it is.
  void SetSorted(bool Value);
  // Quicksort with Compare, items exchanged through their SetIndex; nothing while Sorted is set
  // (the collection counts as in order) or with fewer than two items. Opens no update bracket.
  void Sort();
  // Search by halving with Compare(probe, Item's index): true at the first probe that compares
  // equal; else false with Index the insertion position.
  virtual bool FindPosition(TCollectionItem* Item, int& Index);
  // Swaps two items through their SetIndex.
  void Exchange(int Index1, int Index2);
  // -1, or what CompareProc leaves when it is assigned.
  virtual int Compare(int Index1, int Index2);

protected:
  // A changed item of a sorted collection moves to the position the search finds (counted
  // without the item itself), unless the search meets an item that compares equal. Sends no
  // change.
  void Update(TCollectionItem* Item) override;

private:
  bool FSorted = false;
};

// A string list with an object per line that joins its lines with Delimiter (";" by default).
// Assigned to a view, it fills it with its lines (text and object as the entries' Data).
class TAdvStringList : public TStringList {
public:
  TAdvStringList();

  std::string Delimiter;

  // A list view or its items: the items are replaced by one per line (Caption and Data); any other
  // destination raises the assignment error.
  void AssignTo(TPersistent* Dest) override;

  // The lines in order, each but the last followed by Delimiter; "" for an empty list.
  std::string GetJoinedText() const;
};
