// The sorted collection (ordering, re-positioning, search) and the joining string list.
#include "model/SortedCollection.h"
#include "model/TreeCollection.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

class TKeyItem : public TCollectionItem {
public:
  explicit TKeyItem(TCollection* Collection) : TCollectionItem(Collection) {}
  int Key = 0;
  // A property write: the collection hears of the item.
  void SetKey(int Value) {
    Key = Value;
    Changed(false);
  }
};

int CompareCalls = 0;
TSortedCollection* LastCaller = nullptr;

void CompareKeys(TSortedCollection* Collection, int Index1, int Index2, int& Result) {
  ++CompareCalls;
  LastCaller = Collection;
  const int K1 = static_cast<TKeyItem*>(Collection->Items(Index1))->Key;
  const int K2 = static_cast<TKeyItem*>(Collection->Items(Index2))->Key;
  Result = K1 < K2 ? -1 : (K1 > K2 ? 1 : 0);
}

class TKeyCollection : public TSortedCollection {
public:
  TKeyCollection() : TSortedCollection(nullptr, CollectionItemClass<TKeyItem>()) { CompareProc = CompareKeys; }
  TKeyItem* Item(int Index) const { return static_cast<TKeyItem*>(Items(Index)); }
  TKeyItem* AddKey(int Key) {
    auto* Item = static_cast<TKeyItem*>(Add());
    Item->Key = Key;
    return Item;
  }
  std::vector<int> Keys() const {
    std::vector<int> Result;
    for (int I = 0; I < Count(); ++I) Result.push_back(Item(I)->Key);
    return Result;
  }
};

}  // namespace

TEST(SortedCollection, CompareStartsAtMinusOneAndAsksTheProcedure) {
  TSortedCollection Plain(nullptr, CollectionItemClass<TKeyItem>());
  Plain.Add();
  Plain.Add();
  EXPECT_EQ(Plain.Compare(0, 1), -1);
  EXPECT_EQ(Plain.Compare(1, 0), -1);
  EXPECT_FALSE(Plain.Sorted());

  // A procedure that leaves the result alone answers -1 too.
  Plain.CompareProc = [](TSortedCollection*, int, int, int&) {};
  EXPECT_EQ(Plain.Compare(0, 1), -1);

  TKeyCollection Keys;
  Keys.AddKey(7);
  Keys.AddKey(3);
  LastCaller = nullptr;
  EXPECT_GT(Keys.Compare(0, 1), 0);
  EXPECT_LT(Keys.Compare(1, 0), 0);
  EXPECT_EQ(Keys.Compare(1, 1), 0);
  EXPECT_EQ(LastCaller, &Keys);
}

TEST(SortedCollection, SettingSortedSortsOnceAndAgainAfterTurningItOff) {
  TKeyCollection C;
  for (int Key : {5, 3, 9, 1, 7}) C.AddKey(Key);
  C.SetSorted(true);
  EXPECT_TRUE(C.Sorted());
  EXPECT_EQ(C.Keys(), (std::vector<int>{1, 3, 5, 7, 9}));

  C.Exchange(0, 4);  // out of order behind the flag's back
  CompareCalls = 0;
  C.SetSorted(true);
  C.Sort();  // counts as in order while Sorted is set
  EXPECT_EQ(CompareCalls, 0);
  EXPECT_EQ(C.Keys(), (std::vector<int>{9, 3, 5, 7, 1}));

  C.SetSorted(false);  // the order stays
  EXPECT_EQ(C.Keys(), (std::vector<int>{9, 3, 5, 7, 1}));
  EXPECT_EQ(CompareCalls, 0);
  C.SetSorted(true);
  EXPECT_GT(CompareCalls, 0);
  EXPECT_EQ(C.Keys(), (std::vector<int>{1, 3, 5, 7, 9}));
}

TEST(SortedCollection, SortingRandomKeysAscends) {
  TKeyCollection C;
  std::mt19937 Random(7919u);
  std::uniform_int_distribution<int> Key(-1000, 1000);
  std::vector<int> Expected;
  for (int I = 0; I < 200; ++I) Expected.push_back(C.AddKey(Key(Random))->Key);
  C.Sort();
  std::sort(Expected.begin(), Expected.end());
  EXPECT_EQ(C.Keys(), Expected);
  for (int I = 0; I < C.Count(); ++I) {
    int Index = -1;
    EXPECT_TRUE(C.FindPosition(C.Item(I), Index));
    EXPECT_EQ(C.Item(Index)->Key, C.Item(I)->Key);
  }
}

TEST(SortedCollection, UpdateRepositionsAChangedItem) {
  struct TCase {
    const char* Name;
    bool Sorted;
    int Index;
    int NewKey;
    std::vector<int> Expected;
  };
  const TCase Cases[] = {
      {"to the front", true, 4, 5, {5, 10, 20, 30, 40}},
      {"backwards", true, 0, 45, {20, 30, 40, 45, 50}},
      {"past the last", true, 0, 60, {20, 30, 40, 50, 60}},
      {"one step back", true, 1, 35, {10, 30, 35, 40, 50}},
      {"equal to its neighbour: stays", true, 1, 30, {10, 30, 30, 40, 50}},
      {"the search meets an equal item: stays", true, 3, 10, {10, 20, 30, 10, 50}},
      {"the search meets the item itself: stays", true, 2, 100, {10, 20, 100, 40, 50}},
      {"unsorted: stays", false, 4, 5, {10, 20, 30, 40, 5}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TKeyCollection C;
    for (int Key : {10, 20, 30, 40, 50}) C.AddKey(Key);
    C.SetSorted(Case.Sorted);
    TKeyItem* Item = C.Item(Case.Index);
    Item->SetKey(Case.NewKey);
    EXPECT_EQ(C.Keys(), Case.Expected);
    EXPECT_EQ(C.Count(), 5);
  }
}

TEST(SortedCollection, UpdateOfTheWholeCollectionMovesNothing) {
  TKeyCollection C;
  for (int Key : {10, 20, 30}) C.AddKey(Key);
  C.SetSorted(true);
  C.BeginUpdate();
  C.Item(0)->SetKey(99);  // held back by the bracket
  C.EndUpdate();          // Update with no item
  EXPECT_EQ(C.Keys(), (std::vector<int>{99, 20, 30}));
  C.Add();  // insertion: Update with no item as well
  EXPECT_EQ(C.Keys(), (std::vector<int>{99, 20, 30, 0}));
}

TEST(SortedCollection, FindPositionOnAnEmptyCollectionAndExchange) {
  TKeyCollection C;
  TKeyItem Loose(nullptr);
  int Index = -1;
  CompareCalls = 0;
  EXPECT_FALSE(C.FindPosition(&Loose, Index));
  EXPECT_EQ(Index, 0);
  EXPECT_EQ(CompareCalls, 0);

  for (int Key : {1, 2, 3}) C.AddKey(Key);
  C.Exchange(2, 0);
  EXPECT_EQ(C.Keys(), (std::vector<int>{3, 2, 1}));
  C.Exchange(1, 1);
  EXPECT_EQ(C.Keys(), (std::vector<int>{3, 2, 1}));
}

TEST(AdvStringList, JoinsItsLinesWithTheDelimiter) {
  struct TCase {
    std::vector<std::string> Lines;
    const char* Delimiter;  // nullptr: the default
    const char* Expected;
  };
  const TCase Cases[] = {
      {{}, nullptr, ""},
      {{"a"}, nullptr, "a"},
      {{".txt", ".doc", ".rtf"}, nullptr, ".txt;.doc;.rtf"},
      {{"a", "", "c"}, nullptr, "a;;c"},
      {{"", ""}, nullptr, ";"},
      {{"x", "y"}, ", ", "x, y"},
      {{"x", "y"}, "", "xy"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Expected);
    TAdvStringList List;
    EXPECT_EQ(List.Delimiter, ";");
    for (const std::string& Line : Case.Lines) List.Add(Line);
    if (Case.Delimiter != nullptr) List.Delimiter = Case.Delimiter;
    EXPECT_EQ(List.GetJoinedText(), Case.Expected);
  }
}

TEST(AdvStringList, KeepsTheStringListBehaviour) {
  TAdvStringList List;
  EXPECT_EQ(List.ClassName(), "TAdvStringList");
  TObject First, Second;
  List.SetSorted(true);
  List.AddObject(".zip", &First);
  List.AddObject(".bmp", &Second);
  List.Add(".BMP");  // case-insensitive duplicate: ignored
  EXPECT_EQ(List.GetJoinedText(), ".bmp;.zip");
  EXPECT_EQ(List.Objects(0), &Second);
  EXPECT_EQ(List.Objects(1), &First);

  TStringList Copy;
  Copy.Assign(&List);
  EXPECT_EQ(Copy.Count(), 2);
  EXPECT_EQ(Copy.Objects(1), &First);

  // No view destination yet: the library's assignment error.
  TTreeCollection Tree;
  try {
    Tree.Assign(&List);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(),
              Format(LoadResString(SAssignError), {std::string("TAdvStringList"), std::string("TTreeCollection")}));
  }
}
