// TCollection, TCollectionItem and TOwnedCollection: IDs, notification order, update brackets.
#include "classlib/core/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int ItemsAlive = 0;

class TTestItem : public TCollectionItem {
public:
  explicit TTestItem(TCollection* Collection) : TCollectionItem(Collection), Tag(42) { ++ItemsAlive; }
  ~TTestItem() override { --ItemsAlive; }
  std::string Name;
  int Tag;

  void Assign(TPersistent* Source) override {
    if (auto* Item = dynamic_cast<TTestItem*>(Source)) {
      Name = Item->Name;
      return;
    }
    TCollectionItem::Assign(Source);
  }
};

class TDerivedItem : public TTestItem {
public:
  using TTestItem::TTestItem;
};

class TUnrelatedItem : public TCollectionItem {
public:
  using TCollectionItem::TCollectionItem;
};

std::string Describe(TCollectionItem* Item) {
  if (Item == nullptr) return "nil";
  auto* T = dynamic_cast<TTestItem*>(Item);
  return T != nullptr ? "#" + std::to_string(Item->ID()) + "(" + std::to_string(T->Tag) + ")"
                      : "#" + std::to_string(Item->ID()) + "(partial)";
}

// Records Notify and Update calls.
class TTestCollection : public TOwnedCollection {
public:
  explicit TTestCollection(TPersistent* Owner = nullptr) : TOwnedCollection(Owner, CollectionItemClass<TTestItem>()) {}
  ~TTestCollection() override { Clear(); }
  std::vector<std::string> Log;

  TTestItem* AddItem(const std::string& Name) {
    auto* Item = static_cast<TTestItem*>(Add());
    Item->Name = Name;
    return Item;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> Result;
    for (int I = 0; I < Count(); ++I) Result.push_back(static_cast<TTestItem*>(Items(I))->Name);
    return Result;
  }

protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const char* const Names[] = {"added", "extracting", "deleting"};
    Log.push_back(std::string(Names[Action]) + " " + Describe(Item) + " count " + std::to_string(Count()));
    TOwnedCollection::Notify(Item, Action);
  }
  void Update(TCollectionItem* Item) override { Log.push_back("update " + Describe(Item)); }
};

}  // namespace

TEST(TCollection, IdsAndLookup) {
  TTestCollection C;
  for (const char* N : {"a", "b", "c"}) C.AddItem(N);
  EXPECT_EQ(C.Count(), 3);
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(C.Items(I)->ID(), I);
    EXPECT_EQ(C.Items(I)->Index(), I);
    EXPECT_EQ(C.Items(I)->Collection(), &C);
  }
  C.Delete(1);
  TTestItem* D = C.AddItem("d");
  EXPECT_EQ(D->ID(), 3);  // IDs are never reused
  EXPECT_EQ(C.NextID(), 4);
  EXPECT_EQ(C.FindItemID(1), nullptr);
  EXPECT_EQ(C.FindItemID(3), D);
  EXPECT_EQ(C.Names(), (std::vector<std::string>{"a", "c", "d"}));
  EXPECT_EQ(D->DisplayName(), "TTestItem");
  try {
    C.Items(3);
    ADD_FAILURE() << "no exception";
  } catch (const EListError& E) {
    EXPECT_EQ(E.Message(), "List index out of bounds (3)");
  }
  TTestItem Loose(nullptr);
  EXPECT_EQ(Loose.Index(), -1);
  EXPECT_EQ(Loose.Collection(), nullptr);
}

TEST(TCollection, AddNotifiesWithAFullyBuiltItem) {
  TTestCollection C;
  C.Add();
  // The derived part (Tag 42 from TTestItem's constructor) is there when Notify runs.
  EXPECT_EQ(C.Log, (std::vector<std::string>{"added #0(42) count 1", "update nil"}));

  // An item made with its collection inserts itself while only the base is built.
  C.Log.clear();
  new TTestItem(&C);
  EXPECT_EQ(C.Log, (std::vector<std::string>{"added #1(partial) count 2", "update nil"}));
  EXPECT_EQ(C.Count(), 2);
}

TEST(TCollection, RemovalAndDeletionOrder) {
  TTestCollection C;
  for (const char* N : {"a", "b", "c"}) C.AddItem(N);
  C.Log.clear();
  C.Delete(1);
  EXPECT_EQ(C.Log, (std::vector<std::string>{"deleting #1(42) count 3", "extracting #1(partial) count 3", "update nil"}));

  C.Log.clear();
  delete C.Items(0);  // the destructor removes the item
  EXPECT_EQ(C.Log, (std::vector<std::string>{"extracting #0(partial) count 2", "update nil"}));
  EXPECT_EQ(C.Names(), (std::vector<std::string>{"c"}));
}

TEST(TCollection, ItemChangedAndUpdateBrackets) {
  TTestCollection C;
  TTestItem* A = C.AddItem("a");
  C.AddItem("b");
  C.Log.clear();
  A->Changed(false);
  A->Changed(true);
  A->SetDisplayName("x");
  EXPECT_EQ(C.Log, (std::vector<std::string>{"update #0(42)", "update nil", "update #0(42)"}));

  C.Log.clear();
  C.BeginUpdate();
  C.BeginUpdate();
  A->Changed(false);
  C.AddItem("c");
  C.EndUpdate();  // still inside the outer bracket: Changed sends nothing
  EXPECT_EQ(C.Log, (std::vector<std::string>{"added #2(42) count 3"}));
  EXPECT_EQ(C.UpdateCount(), 1);
  C.EndUpdate();
  EXPECT_EQ(C.Log, (std::vector<std::string>{"added #2(42) count 3", "update nil"}));
  EXPECT_EQ(C.UpdateCount(), 0);
}

TEST(TCollection, SetIndex) {
  TTestCollection C;
  for (const char* N : {"a", "b", "c", "d"}) C.AddItem(N);
  C.Log.clear();
  C.Items(2)->SetIndex(2);  // same index: nothing
  EXPECT_TRUE(C.Log.empty());
  C.Items(3)->SetIndex(0);
  EXPECT_EQ(C.Names(), (std::vector<std::string>{"d", "a", "b", "c"}));
  EXPECT_EQ(C.Log, (std::vector<std::string>{"update nil"}));
  C.Items(0)->SetIndex(2);
  EXPECT_EQ(C.Names(), (std::vector<std::string>{"a", "b", "d", "c"}));
  EXPECT_EQ(C.Items(2)->ID(), 3);  // IDs move with their items
  EXPECT_THROW(C.Items(0)->SetIndex(4), EListError);
  EXPECT_THROW(C.Items(0)->SetIndex(-1), EListError);
  EXPECT_EQ(C.Names(), (std::vector<std::string>{"a", "b", "d", "c"}));

  C.Log.clear();
  TCollectionItem* Inserted = C.Insert(1);
  EXPECT_EQ(Inserted->Index(), 1);
  EXPECT_EQ(C.Log, (std::vector<std::string>{"added #4(42) count 5", "update nil", "update nil"}));
}

TEST(TCollection, ClearSendsOneUpdate) {
  TTestCollection C;
  for (const char* N : {"a", "b", "c"}) C.AddItem(N);
  C.Log.clear();
  C.Clear();
  EXPECT_EQ(C.Log, (std::vector<std::string>{"extracting #2(partial) count 3", "extracting #1(partial) count 2",
                                             "extracting #0(partial) count 1", "update nil"}));
  C.Log.clear();
  C.Clear();
  EXPECT_TRUE(C.Log.empty());  // nothing to clear, nothing sent
}

TEST(TCollection, DestructorFreesItems) {
  ItemsAlive = 0;
  {
    TCollection C(CollectionItemClass<TTestItem>());
    C.Add();
    C.Add();
    new TTestItem(&C);
    EXPECT_EQ(ItemsAlive, 3);
  }
  EXPECT_EQ(ItemsAlive, 0);
}

TEST(TCollection, ItemClassIsChecked) {
  TTestCollection C;
  TDerivedItem* Derived = new TDerivedItem(nullptr);
  Derived->SetCollection(&C);  // a descendant of the item class is welcome
  EXPECT_EQ(C.Count(), 1);

  TUnrelatedItem Unrelated(nullptr);
  C.Log.clear();
  try {
    Unrelated.SetCollection(&C);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "Invalid property value");
  }
  EXPECT_EQ(Unrelated.Collection(), nullptr);
  EXPECT_EQ(C.Count(), 1);
  EXPECT_TRUE(C.Log.empty());

  // An abstract or otherwise unconstructible class cannot Add.
  class TAbstractItem : public TCollectionItem {
  public:
    using TCollectionItem::TCollectionItem;
    virtual void Pure() = 0;
  };
  TCollection Abstract(CollectionItemClass<TAbstractItem>());
  EXPECT_THROW(Abstract.Add(), Exception);
  EXPECT_EQ(Abstract.Count(), 0);
}

TEST(TCollection, MoveBetweenCollections) {
  TTestCollection A, B;
  A.AddItem("x");
  TTestItem* Y = A.AddItem("y");
  B.AddItem("z");
  A.Log.clear();
  B.Log.clear();
  Y->SetCollection(&B);
  EXPECT_EQ(A.Log, (std::vector<std::string>{"extracting #1(42) count 2", "update nil"}));
  EXPECT_EQ(B.Log, (std::vector<std::string>{"added #1(42) count 2", "update nil"}));
  EXPECT_EQ(Y->ID(), 1);  // B's next ID
  EXPECT_EQ(A.Names(), (std::vector<std::string>{"x"}));
  EXPECT_EQ(B.Names(), (std::vector<std::string>{"z", "y"}));
  Y->SetCollection(nullptr);
  EXPECT_EQ(B.Count(), 1);
  delete Y;
}

TEST(TCollection, Owner) {
  TStringList Owner;
  TTestCollection Owned(&Owner);
  EXPECT_EQ(Owned.Owner(), &Owner);
  TCollection Plain(CollectionItemClass<TTestItem>());
  EXPECT_EQ(Plain.Owner(), nullptr);
}

TEST(TCollection, Assign) {
  TTestCollection Source, Dest;
  Source.AddItem("x");
  Source.AddItem("y");
  Dest.AddItem("old");
  Dest.Log.clear();
  Dest.Assign(&Source);
  EXPECT_EQ(Dest.Names(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Dest.Log, (std::vector<std::string>{"extracting #0(partial) count 1", "added #1(42) count 1",
                                                "added #2(42) count 2", "update nil"}));
  TStringList NotACollection;
  EXPECT_THROW(Dest.Assign(&NotACollection), EConvertError);
}

namespace {
// Raises from Notify on demand.
class TFailingCollection : public TCollection {
public:
  TFailingCollection() : TCollection(CollectionItemClass<TTestItem>()) {}
  ~TFailingCollection() override {
    FailOn = -1;
    Clear();
  }
  int FailOn = -1;

protected:
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    if (static_cast<int>(Action) == FailOn) throw Exception("notify failed");
  }
};
}  // namespace

TEST(TCollection, FailingNotify) {
  ItemsAlive = 0;
  TFailingCollection C;
  C.Add();
  C.FailOn = cnAdded;
  EXPECT_THROW(C.Add(), Exception);  // the new item is freed again
  EXPECT_EQ(C.Count(), 1);
  EXPECT_EQ(ItemsAlive, 1);
  EXPECT_THROW(new TTestItem(&C), Exception);
  EXPECT_EQ(C.Count(), 1);
  EXPECT_EQ(ItemsAlive, 1);

  C.FailOn = cnExtracting;
  TCollectionItem* Item = C.Items(0);
  delete Item;  // the destructor drops the exception and still removes the item
  EXPECT_EQ(C.Count(), 0);
  EXPECT_EQ(ItemsAlive, 0);
}
