// The tree model: event order and brackets, focus, deletion, moving, sorting, searching.
#include "tests/tree/TreeTrace.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Core.h"
#include "resources/strings/TreeCollection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace {

// Every item of a collection and its descendants, depth first.
void ForEachItem(TTreeItems* Items, const std::function<void(TTreeItem*)>& Visit) {
  for (int I = 0; I < Items->Count(); ++I) {
    Visit(Items->GetItem(I));
    ForEachItem(Items->GetItem(I)->Items(), Visit);
  }
}

TTestItem* FindByCaption(TTreeCollection& Tree, const std::string& Caption) {
  TTestItem* Found = nullptr;
  ForEachItem(Tree.Items(), [&](TTreeItem* Item) {
    auto* T = dynamic_cast<TTestItem*>(Item);
    if (T != nullptr && T->Caption == Caption) Found = T;
  });
  return Found;
}

int FocusFlags(TTreeCollection& Tree) {
  int Flags = 0;
  ForEachItem(Tree.Items(), [&](TTreeItem* Item) { Flags += Item->Focused() ? 1 : 0; });
  return Flags;
}

void ClearModified(TTreeCollection& Tree) {
  ForEachItem(Tree.Items(), [](TTreeItem* Item) { Item->SetModified(false); });
}

// A (A1, A2), B (B1), C
struct TSampleTree {
  TTestTree Tree;
  TTestItem *A, *A1, *A2, *B, *B1, *C;
  TSampleTree() {
    A = AddTestItem(Tree.Root(), "A");
    A1 = AddTestItem(A->Items(), "A1");
    A2 = AddTestItem(A->Items(), "A2");
    B = AddTestItem(Tree.Root(), "B");
    B1 = AddTestItem(B->Items(), "B1");
    C = AddTestItem(Tree.Root(), "C");
  }
};

}  // namespace

TEST(TreeCollection, AddItemSendsValidateAddedThenOneChangeOfTheCollection) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "ItemAdded(<new>)", "Change(root, none)"}));
  TTestItem* A1 = AddTestItem(A->Items(), "A1");
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(A.Items, <new>)", "ItemAdded(<new>)", "Change(A.Items, none)"}));
  EXPECT_EQ(Trace.WrongSender, 0);

  EXPECT_EQ(A1->GetCollection(), A->Items());
  EXPECT_EQ(A->Items()->ParentItem(), A);
  EXPECT_EQ(A1->GetTree(), &Tree);
  EXPECT_EQ(A->Items()->GetTree(), &Tree);
  EXPECT_EQ(Tree.Root()->GetTree(), &Tree);
  EXPECT_EQ(Tree.Root()->ParentItem(), nullptr);
  EXPECT_NE(dynamic_cast<TTestItems*>(A1->Items()), nullptr);
  EXPECT_EQ(A1->Items()->ParentItem(), A1);
  EXPECT_EQ(A1->ItemClass().ClassName, "TTestItem");
  EXPECT_EQ(A1->ItemsClass().ClassName, "TTestItems");
}

TEST(TreeCollection, ValidateSeesAFinishedItemOutsideTheCollectionAddedSeesItInside) {
  TTestTree Tree;
  std::vector<std::string> Seen;
  Tree.OnValidateItem = [&](TObject*, TTreeItems* Collection, TTreeItem* Item) {
    Seen.push_back("validate: derived " + std::to_string(dynamic_cast<TTestItem*>(Item) != nullptr) + ", children " +
                   std::to_string(Item->Items() != nullptr && Item->Items()->ParentItem() == Item) + ", in " +
                   std::to_string(Item->Collection() != nullptr) + ", count " + std::to_string(Collection->Count()));
  };
  Tree.OnItemAdded = [&](TObject*, TTreeItem* Item) {
    Seen.push_back("added: in " + std::to_string(Item->GetCollection() == Tree.Root()) + ", count " +
                   std::to_string(Tree.Root()->Count()));
  };
  AddTestItem(Tree.Root(), "A");
  EXPECT_EQ(Seen, (std::vector<std::string>{"validate: derived 1, children 1, in 0, count 0", "added: in 1, count 1"}));
}

TEST(TreeCollection, TenAdditionsInsideTheTreeBracketSendOneChange) {
  TTestTree Tree;
  TTestItem* First = AddTestItem(Tree.Root(), "first");
  TTreeTrace Trace(Tree);
  Tree.BeginUpdate();
  for (int I = 0; I < 10; ++I) AddTestItem(Tree.Root(), "item" + std::to_string(I));
  First->SetCaption("renamed");
  AddTestItem(First->Items(), "child");
  EXPECT_TRUE(Trace.Lines.empty());
  Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(none, none)"}));
  EXPECT_EQ(Tree.Root()->Count(), 11);
  EXPECT_TRUE(First->GetModified());
}

TEST(TreeCollection, NestedTreeBracketsSendOnlyAtTheOuterEnd) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  Tree.BeginUpdate();
  Tree.BeginUpdate();
  AddTestItem(Tree.Root(), "A");
  Tree.EndUpdate();
  EXPECT_TRUE(Trace.Lines.empty());
  Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(none, none)"}));
}

TEST(TreeCollection, DisabledChangeNotifyHoldsBackOnlyOnChange) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  TTreeTrace Trace(Tree);
  Tree.DisableChangeNotify();
  AddTestItem(Tree.Root(), "B");
  A->SetCaption("A2");
  Tree.BeginUpdate();
  Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "ItemAdded(<new>)", "ItemChanging(A)", "ItemChange(A2)"}));
  Tree.EnableChangeNotify();
  EXPECT_TRUE(Trace.Take().empty());
  A->SetIndex(1);
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)"}));
}

TEST(TreeCollection, ItemPropertyChangeSendsChangingAndChangeAndMarksTheItem) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  A->SetModified(false);
  TTreeTrace Trace(Tree);
  A->SetCaption("B");
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemChanging(A)", "ItemChange(B)"}));
  EXPECT_TRUE(A->GetModified());

  // Inside the item's bracket: silent, but marked; its end sends the collection change with the item.
  A->SetModified(false);
  A->BeginUpdate();
  A->SetCaption("C");
  EXPECT_TRUE(Trace.Lines.empty());
  EXPECT_TRUE(A->GetModified());
  A->EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, C)"}));

  // Inside the tree's bracket: silent too.
  Tree.BeginUpdate();
  A->SetCaption("D");
  EXPECT_TRUE(Trace.Lines.empty());
  Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(none, none)"}));
}

TEST(TreeCollection, ChangesBelowAnUpdatingGrandparentStopThereButItemEventsPass) {
  TTestTree Tree;
  TTestItem* G = AddTestItem(Tree.Root(), "G");
  TTestItem* C = AddTestItem(G->Items(), "C");
  TTestItem* GC = AddTestItem(C->Items(), "GC");
  TTreeTrace Trace(Tree);
  G->BeginUpdate();
  GC->SetCaption("GC2");
  TTestItem* X = AddTestItem(GC->Items(), "X");
  delete X;
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemChanging(GC)", "ItemChange(GC2)", "ValidateItem(GC2.Items, <new>)",
                                  "ItemAdded(<new>)", "ItemDeleting(X)"}));
  G->EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, G)"}));
}

TEST(TreeCollection, ChangesStopAtAnUpdatingCollection) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  TTestItem* A1 = AddTestItem(A->Items(), "A1");
  TTreeTrace Trace(Tree);
  A->Items()->BeginUpdate();
  AddTestItem(A1->Items(), "A11");
  A1->SetIndex(0);
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(A1.Items, <new>)", "ItemAdded(<new>)"}));
  A->Items()->EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(A.Items, none)"}));
}

TEST(TreeCollection, SetIndexToTheSameIndexSendsNothing) {
  TSampleTree S;
  ClearModified(S.Tree);
  TTreeTrace Trace(S.Tree);
  S.B->SetIndex(1);
  EXPECT_TRUE(Trace.Lines.empty());
  EXPECT_FALSE(S.B->GetModified());

  S.B->SetIndex(0);
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)"}));
  EXPECT_TRUE(S.B->GetModified());
  EXPECT_FALSE(S.A->GetModified());
  EXPECT_EQ(S.Tree.Root()->Item(0), S.B);
  EXPECT_EQ(S.Tree.Root()->Item(1), S.A);
}

TEST(TreeCollection, ClearSendsTheDeletionsAndOneChange) {
  TSampleTree S;
  TTreeTrace Trace(S.Tree);
  const int DestroyedBefore = TTestItem::Destroyed;
  S.Tree.Root()->Clear();
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(C)", "ItemDeleting(B)", "ItemDeleting(B1)", "ItemDeleting(A)",
                                  "ItemDeleting(A2)", "ItemDeleting(A1)", "Change(root, none)"}));
  EXPECT_EQ(TTestItem::Destroyed - DestroyedBefore, 6);
  EXPECT_EQ(S.Tree.Root()->Count(), 0);
}

TEST(TreeCollection, FreeingAnItemSendsItsDeletionThenItsChildrensThenTheChange) {
  TSampleTree S;
  TTreeTrace Trace(S.Tree);
  delete S.A;
  // The handlers see whole items: the names come from the derived class.
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(A)", "ItemDeleting(A2)", "ItemDeleting(A1)", "Change(root, none)"}));
  delete S.B1;
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(B1)", "Change(B.Items, none)"}));
  S.Tree.Root()->Delete(0);
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(B)", "Change(root, none)"}));
  EXPECT_EQ(S.Tree.Root()->Count(), 1);
  EXPECT_EQ(S.Tree.Root()->Item(0), S.C);
}

TEST(TreeCollection, FreeingInsideTheTreeBracketSendsNoDeletion) {
  TSampleTree S;
  TTreeTrace Trace(S.Tree);
  S.Tree.BeginUpdate();
  delete S.B;
  EXPECT_TRUE(Trace.Lines.empty());
  S.Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(none, none)"}));
}

TEST(TreeCollection, FocusHandOverOnDeletion) {
  struct TCase {
    const char* Name;
    const char* Focus;
    const char* Delete;
    bool Refuse;
    bool InTreeBracket;
    const char* NewFocus;  // "none" for none
    TTrace Trace;
  };
  const TCase Cases[] = {
      {"next sibling", "A", "A", false, false, "B",
       {"ItemDeleting(A)", "CanFocus(B)", "ItemDeleting(A2)", "ItemDeleting(A1)", "Change(root, none)"}},
      {"previous sibling of the last", "C", "C", false, false, "B", {"ItemDeleting(C)", "CanFocus(B)", "Change(root, none)"}},
      {"next child", "A1", "A1", false, false, "A2", {"ItemDeleting(A1)", "CanFocus(A2)", "Change(A.Items, none)"}},
      {"parent of the only child", "B1", "B1", false, false, "B", {"ItemDeleting(B1)", "CanFocus(B)", "Change(B.Items, none)"}},
      {"none when the whole collection goes", "B1", "B", false, false, "none",
       {"ItemDeleting(B)", "ItemDeleting(B1)", "Change(root, none)"}},
      {"none when the new focus is refused", "A", "A", true, false, "none",
       {"ItemDeleting(A)", "CanFocus(B)", "ItemDeleting(A2)", "ItemDeleting(A1)", "Change(root, none)"}},
      {"unfocused item leaves the focus alone", "C", "A", false, false, "C",
       {"ItemDeleting(A)", "ItemDeleting(A2)", "ItemDeleting(A1)", "Change(root, none)"}},
      {"silent inside the tree bracket", "A", "A", false, true, "B", {"Change(none, none)"}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TSampleTree S;
    ASSERT_TRUE(FindByCaption(S.Tree, Case.Focus)->Focus());
    TTreeTrace Trace(S.Tree);
    Trace.AllowFocus = !Case.Refuse;
    if (Case.InTreeBracket) S.Tree.BeginUpdate();
    delete FindByCaption(S.Tree, Case.Delete);
    if (Case.InTreeBracket) S.Tree.EndUpdate();
    EXPECT_EQ(Trace.Take(), Case.Trace);
    const std::string NewFocus = Case.NewFocus;
    if (NewFocus == "none") {
      EXPECT_EQ(S.Tree.Focused(), nullptr);
      EXPECT_EQ(FocusFlags(S.Tree), 0);
    } else {
      ASSERT_NE(S.Tree.Focused(), nullptr);
      EXPECT_EQ(ItemName(S.Tree.Focused()), NewFocus);
      EXPECT_TRUE(S.Tree.Focused()->Focused());
      EXPECT_EQ(FocusFlags(S.Tree), 1);
    }
  }
}

TEST(TreeCollection, FreeingTheOnlyFocusedRootItemLeavesNoFocus) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  A->Focus();
  TTreeTrace Trace(Tree);
  delete A;
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(A)", "Change(root, none)"}));
  EXPECT_EQ(Tree.Focused(), nullptr);
}

TEST(TreeCollection, FocusChangeAsksThenNotifies) {
  TSampleTree S;
  TTreeTrace Trace(S.Tree);
  EXPECT_TRUE(S.A->Focus());
  EXPECT_EQ(Trace.Take(), (TTrace{"CanFocus(A)", "FocusChange(A)"}));
  EXPECT_EQ(S.Tree.Focused(), S.A);
  EXPECT_TRUE(S.A->Focused());

  // Focusing the focused item asks and notifies again.
  EXPECT_TRUE(S.A->Focus());
  EXPECT_EQ(Trace.Take(), (TTrace{"CanFocus(A)", "FocusChange(A)"}));

  S.Tree.SetFocused(S.B1);
  EXPECT_EQ(Trace.Take(), (TTrace{"CanFocus(B1)", "FocusChange(B1)"}));
  EXPECT_FALSE(S.A->Focused());
  EXPECT_EQ(FocusFlags(S.Tree), 1);

  // Refused: nothing changes.
  Trace.AllowFocus = false;
  EXPECT_FALSE(S.C->Focus());
  EXPECT_EQ(Trace.Take(), (TTrace{"CanFocus(C)"}));
  EXPECT_EQ(S.Tree.Focused(), S.B1);
  EXPECT_TRUE(S.B1->Focused());
  EXPECT_FALSE(S.C->Focused());
  Trace.AllowFocus = true;

  // None needs no permission.
  S.Tree.SetFocused(nullptr);
  EXPECT_EQ(Trace.Take(), (TTrace{"FocusChange(none)"}));
  EXPECT_EQ(FocusFlags(S.Tree), 0);

  // Inside the tree bracket neither the question nor the notice runs.
  S.Tree.BeginUpdate();
  S.Tree.SetFocused(S.C);
  S.Tree.EndUpdate();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(none, none)"}));
  EXPECT_EQ(S.Tree.Focused(), S.C);

  // Without notice: asked, not notified.
  EXPECT_TRUE(S.Tree.ChangeFocus(S.A, false));
  EXPECT_EQ(Trace.Take(), (TTrace{"CanFocus(A)"}));
  EXPECT_EQ(S.Tree.Focused(), S.A);
}

TEST(TreeCollection, FocusingAnItemOfAnotherTreeRaises) {
  TSampleTree S;
  S.B->Focus();
  TTestTree Other;
  TTestItem* X = AddTestItem(Other.Root(), "X");
  TTestItem* Loose = NewTreeItem<TTestItem>(TestItemsClass());
  for (TTreeItem* Item : {static_cast<TTreeItem*>(X), static_cast<TTreeItem*>(Loose)}) {
    try {
      S.Tree.SetFocused(Item);
      ADD_FAILURE() << "no exception";
    } catch (const ETreeCollectionError& E) {
      EXPECT_EQ(E.Message(), "Item must belong to collection to focus");
      EXPECT_EQ(E.Message(), LoadResString(SItemNotInTreeToFocus));
    }
    EXPECT_EQ(S.Tree.Focused(), S.B);
    EXPECT_FALSE(Item->Focused());
  }
  EXPECT_FALSE(Loose->Focus());  // an item without a tree cannot take the focus
  delete Loose;
}

TEST(TreeCollection, ChangeCollectionMovesTheItemWithTwoChanges) {
  TSampleTree S;
  ClearModified(S.Tree);
  TTreeTrace Trace(S.Tree);
  S.C->ChangeCollection(S.A->Items());
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)", "Change(A.Items, none)"}));
  EXPECT_TRUE(S.C->GetModified());
  EXPECT_EQ(S.C->GetCollection(), S.A->Items());
  EXPECT_EQ(S.C->Index(), 2);
  EXPECT_EQ(S.Tree.Root()->Count(), 2);

  S.C->ChangeCollection(S.A->Items());  // the same collection: nothing
  EXPECT_TRUE(Trace.Lines.empty());

  // An item that had no collection is not marked by entering one.
  TTestItem* Loose = NewTreeItem<TTestItem>(TestItemsClass());
  Loose->Caption = "L";
  Loose->ChangeCollection(S.B->Items());
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(B.Items, none)"}));
  EXPECT_FALSE(Loose->GetModified());
  EXPECT_EQ(Loose->GetTree(), &S.Tree);

  // Leaving every collection.
  Loose->ChangeCollection(nullptr);
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(B.Items, none)"}));
  EXPECT_EQ(Loose->GetTree(), nullptr);
  delete Loose;
  EXPECT_TRUE(Trace.Lines.empty());
}

TEST(TreeCollection, ExchangeSwapsThroughSetIndex) {
  TSampleTree S;
  ClearModified(S.Tree);
  TTreeTrace Trace(S.Tree);
  S.Tree.Root()->Exchange(2, 0);
  EXPECT_EQ(S.Tree.Root()->Item(0), S.C);
  EXPECT_EQ(S.Tree.Root()->Item(1), S.B);
  EXPECT_EQ(S.Tree.Root()->Item(2), S.A);
  EXPECT_TRUE(S.A->GetModified());
  EXPECT_TRUE(S.C->GetModified());
  EXPECT_FALSE(S.B->GetModified());
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)", "Change(root, none)"}));
}

TEST(TreeCollection, FailedValidationFreesTheItemAndClosesTheBracket) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  Trace.FailValidate = true;
  const int DestroyedBefore = TTestItem::Destroyed;
  try {
    AddTestItem(Tree.Root(), "A");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message(), "validation failed");
  }
  EXPECT_EQ(TTestItem::Destroyed - DestroyedBefore, 1);
  EXPECT_EQ(Tree.Root()->Count(), 0);
  EXPECT_EQ(Tree.Root()->UpdateCount(), 0);
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "Change(root, none)"}));

  Trace.FailValidate = false;
  AddTestItem(Tree.Root(), "B");
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "ItemAdded(<new>)", "Change(root, none)"}));
  EXPECT_EQ(Tree.Root()->Count(), 1);
}

TEST(TreeCollection, FailedAnnouncementFreesTheAddedItem) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  Tree.OnItemAdded = [&](TObject*, TTreeItem* Item) {
    Trace.Lines.push_back("ItemAdded(" + ItemName(Item) + ")");
    throw Exception("announcement failed");
  };
  const int DestroyedBefore = TTestItem::Destroyed;
  EXPECT_THROW(AddTestItem(Tree.Root(), "A"), Exception);
  EXPECT_EQ(TTestItem::Destroyed - DestroyedBefore, 1);
  EXPECT_EQ(Tree.Root()->Count(), 0);
  EXPECT_EQ(Tree.Root()->UpdateCount(), 0);
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "ItemAdded(<new>)", "ItemDeleting(<new>)",
                                  "Change(root, none)"}));
}

TEST(TreeCollection, AnExceptionOfTheChangeHandlerIsSwallowed) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  Trace.FailChange = true;
  TTestItem* A = nullptr;
  EXPECT_NO_THROW(A = AddTestItem(Tree.Root(), "A"));
  EXPECT_NO_THROW(delete AddTestItem(A->Items(), "A1"));
  Tree.BeginUpdate();
  EXPECT_NO_THROW(Tree.EndUpdate());
  EXPECT_EQ(Trace.Take(), (TTrace{"ValidateItem(root, <new>)", "ItemAdded(<new>)", "Change(root, none)",
                                  "ValidateItem(A.Items, <new>)", "ItemAdded(<new>)", "Change(A.Items, none)",
                                  "ItemDeleting(A1)", "Change(A.Items, none)", "Change(none, none)"}));
  EXPECT_EQ(Tree.Root()->Count(), 1);
  EXPECT_EQ(Tree.UpdateCount(), 0);
  EXPECT_EQ(Tree.Root()->UpdateCount(), 0);
}

TEST(TreeCollection, SortingRandomKeysAscendsWithOneChangeAndSearchFindsThem) {
  TTestTree Tree;
  std::mt19937 Random(20240611u);
  std::uniform_int_distribution<int> Half(0, 500);
  std::vector<int> Keys;
  for (int I = 0; I < 200; ++I) {
    Keys.push_back(2 * Half(Random));  // even keys: every odd key is missing
    AddTestItem(Tree.Root(), "k" + std::to_string(I), Keys.back());
  }
  ClearModified(Tree);
  TTestItems* Root = Tree.Root();
  ASSERT_FALSE(std::is_sorted(Keys.begin(), Keys.end()));

  TTreeTrace Trace(Tree);
  Root->Sort();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)"}));
  std::sort(Keys.begin(), Keys.end());
  ASSERT_EQ(Root->Count(), 200);
  int Modified = 0;
  for (int I = 0; I < 200; ++I) {
    EXPECT_EQ(Root->Item(I)->Key, Keys[static_cast<size_t>(I)]) << "at " << I;
    Modified += Root->Item(I)->GetModified() ? 1 : 0;
  }
  EXPECT_GT(Modified, 0);

  // Every key is found at a place that holds an equal key.
  for (int I = 0; I < 200; ++I) {
    int Index = -1;
    EXPECT_TRUE(Root->FindPosition(Root->Item(I), Index)) << "key " << Root->Item(I)->Key;
    ASSERT_GE(Index, 0);
    EXPECT_EQ(Root->Item(Index)->Key, Root->Item(I)->Key);
  }

  // A missing key, appended as an item, answers its insertion point.
  for (int Key = Keys.front() + 1; Key < Keys.back(); Key += 38) {
    TTestItem* Probe = AddTestItem(Root, "probe", Key);
    int Index = -1;
    EXPECT_FALSE(Root->FindPosition(Probe, Index)) << "key " << Key;
    EXPECT_EQ(Index, std::lower_bound(Keys.begin(), Keys.end(), Key) - Keys.begin()) << "key " << Key;
    delete Probe;
  }
  Trace.Take();

  // Sorting the sorted collection keeps it sorted and still sends one change.
  Root->Sort();
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)"}));
  for (int I = 0; I < 200; ++I) EXPECT_EQ(Root->Item(I)->Key, Keys[static_cast<size_t>(I)]);
}

TEST(TreeCollection, SortingSmallCasesAndTheBaseCompare) {
  struct TCase {
    std::vector<int> Keys;
  };
  const TCase Cases[] = {{{2, 1}}, {{1, 2}}, {{3, 3, 3}}, {{5, 4, 3, 2, 1}}, {{1, 3, 2, 3, 1}}};
  for (const TCase& Case : Cases) {
    TTestTree Tree;
    for (int Key : Case.Keys) AddTestItem(Tree.Root(), "k", Key);
    Tree.Root()->Sort();
    std::vector<int> Result;
    for (int I = 0; I < Tree.Root()->Count(); ++I) Result.push_back(Tree.Root()->Item(I)->Key);
    std::vector<int> Expected = Case.Keys;
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Result, Expected);
  }

  // One item: nothing to do, nothing sent.
  TTestTree One;
  AddTestItem(One.Root(), "only");
  TTreeTrace Trace(One);
  One.Root()->Sort();
  EXPECT_TRUE(Trace.Lines.empty());

  // The base compare (-1 for every pair) still terminates and keeps every item.
  TTreeCollection Plain;
  for (int I = 0; I < 7; ++I) Plain.Items()->AddItem<TTreeItem>();
  EXPECT_EQ(Plain.Items()->Compare(0, 1), -1);
  Plain.Items()->Sort();
  EXPECT_EQ(Plain.Items()->Count(), 7);
}

TEST(TreeCollection, FindPositionOnAnEmptyCollection) {
  TTestTree Tree;
  TTestItem* Loose = NewTreeItem<TTestItem>(TestItemsClass());
  int Index = -1;
  EXPECT_FALSE(Tree.Root()->FindPosition(Loose, Index));
  EXPECT_EQ(Index, 0);
  EXPECT_EQ(Tree.Root()->Compares, 0);
  delete Loose;
}

TEST(TreeCollection, FindIndexPositionTable) {
  const std::vector<int> Keys = {10, 20, 20, 30, 40};
  struct TCase {
    int Key;
    bool Found;
    int Index;  // checked for misses only
  };
  const TCase Cases[] = {{5, false, 0}, {10, true, 0}, {15, false, 1}, {20, true, 0},
                         {35, false, 4}, {40, true, 0}, {45, false, 5}};
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Key);
    int Index = -1;
    const bool Found = FindIndexPosition(static_cast<int>(Keys.size()), -1,
                                         [&](int I, int) { return Keys[static_cast<size_t>(I)] - Case.Key; }, Index);
    EXPECT_EQ(Found, Case.Found);
    if (Found)
      EXPECT_EQ(Keys[static_cast<size_t>(Index)], Case.Key);
    else
      EXPECT_EQ(Index, Case.Index);
  }
}

TEST(TreeCollection, ExpandingAndCollapsing) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  TTreeTrace Trace(Tree);
  A->SetExpanded(true);
  EXPECT_EQ(Trace.Take(), (TTrace{"Expanding(A)", "Expanded(A)"}));
  EXPECT_TRUE(A->Expanded());
  A->SetExpanded(true);
  EXPECT_TRUE(Trace.Lines.empty());

  A->SetExpanded(false);
  EXPECT_EQ(Trace.Take(), (TTrace{"Collapsing(A)", "Collapsed(A)"}));
  EXPECT_FALSE(A->Expanded());
  A->SetExpanded(false);  // asked even when collapsed
  EXPECT_EQ(Trace.Take(), (TTrace{"Collapsing(A)", "Collapsed(A)"}));

  Trace.AllowExpand = false;
  A->SetExpanded(true);
  EXPECT_EQ(Trace.Take(), (TTrace{"Expanding(A)"}));
  EXPECT_FALSE(A->Expanded());

  // Expansion events do not wait for the tree bracket.
  Trace.AllowExpand = true;
  Trace.AllowCollapse = false;
  Tree.BeginUpdate();
  A->SetExpanded(true);
  A->SetExpanded(false);
  EXPECT_EQ(Trace.Take(), (TTrace{"Expanding(A)", "Expanded(A)", "Collapsing(A)"}));
  Tree.EndUpdate();
  EXPECT_TRUE(A->Expanded());

  // Without a tree nothing expands.
  TTestItem* Loose = NewTreeItem<TTestItem>(TestItemsClass());
  Loose->SetExpanded(true);
  EXPECT_FALSE(Loose->Expanded());
  delete Loose;
}

TEST(TreeCollection, ExpandAllExpandsDepthFirst) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  TTestItem* A1 = AddTestItem(A->Items(), "A1");
  AddTestItem(A1->Items(), "A11");
  AddTestItem(Tree.Root(), "B");
  TTreeTrace Trace(Tree);
  Tree.ExpandAll();
  EXPECT_EQ(Trace.Take(), (TTrace{"Expanding(A)", "Expanded(A)", "Expanding(A1)", "Expanded(A1)", "Expanding(A11)",
                                  "Expanded(A11)", "Change(root, none)", "Expanding(B)", "Expanded(B)",
                                  "Change(root, none)"}));
  int Expanded = 0;
  ForEachItem(Tree.Items(), [&](TTreeItem* Item) { Expanded += Item->Expanded() ? 1 : 0; });
  EXPECT_EQ(Expanded, 4);
}

TEST(TreeCollection, BroadcastsVisitEveryItemInIndexOrder) {
  TTestTree Tree;
  TTestItem* A = AddTestItem(Tree.Root(), "A");
  AddTestItem(A->Items(), "A1");
  AddTestItem(Tree.Root(), "B");
  TTreeTrace Trace(Tree);
  Tree.BeginUpdate();  // notices are not held back
  Tree.BroadcastFirstNotice();
  EXPECT_EQ(Trace.Take(), (TTrace{"FirstNotice(0)", "ItemFirstNotice(A, 0)", "ItemFirstNotice(A1, 0)",
                                  "ItemFirstNotice(A1, 1)", "ItemFirstNotice(A, 1)", "ItemFirstNotice(B, 0)",
                                  "ItemFirstNotice(B, 1)", "FirstNotice(1)"}));
  Tree.BroadcastSecondNotice();
  EXPECT_EQ(Trace.Take(), (TTrace{"SecondNotice(0)", "ItemSecondNotice(A, 0)", "ItemSecondNotice(A1, 0)",
                                  "ItemSecondNotice(A1, 1)", "ItemSecondNotice(A, 1)", "ItemSecondNotice(B, 0)",
                                  "ItemSecondNotice(B, 1)", "SecondNotice(1)"}));
  A->BroadcastSecondNotice();
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemSecondNotice(A, 0)", "ItemSecondNotice(A1, 0)", "ItemSecondNotice(A1, 1)",
                                  "ItemSecondNotice(A, 1)"}));
  Tree.Notify(4, 0, A);
  EXPECT_TRUE(Trace.Lines.empty());
  Tree.EndUpdate();
  Trace.Take();

  Tree.DoNotify1(7);
  Tree.DoNotify2(1, 2);
  Tree.DoNotify3(1, 2, 3);
  EXPECT_EQ(Trace.Take(), (TTrace{"Notify1(7)", "Notify2(1, 2)", "Notify3(1, 2, 3)"}));
  Tree.BeginUpdate();
  Tree.DoNotify1(7);
  Tree.DoNotify2(1, 2);
  Tree.DoNotify3(1, 2, 3);
  EXPECT_TRUE(Trace.Lines.empty());
  Tree.EndUpdate();
}

namespace {

// A tree whose own overrides must still run while it is freed.
class TCountingTree : public TTestTree {
public:
  explicit TCountingTree(int& Deletions) : FDeletions(Deletions) {}

protected:
  void DoItemDeleting(TTreeItem* Item) override {
    ++FDeletions;
    TTestTree::DoItemDeleting(Item);
  }

private:
  int& FDeletions;
};

}  // namespace

TEST(TreeCollection, FreeingTheTreeDeletesEveryItemWithItsEvents) {
  int Deletions = 0;
  TTreeCollection* Tree = new TCountingTree(Deletions);
  TTestItem* A = AddTestItem(Tree->Items(), "A");
  TTestItem* A1 = AddTestItem(A->Items(), "A1");
  AddTestItem(Tree->Items(), "B");
  A1->Focus();
  TTreeTrace Trace(*Tree);
  const int DestroyedBefore = TTestItem::Destroyed;
  delete Tree;
  Trace.Release();
  EXPECT_EQ(Trace.Take(), (TTrace{"ItemDeleting(B)", "ItemDeleting(A)", "ItemDeleting(A1)"}));
  EXPECT_EQ(Deletions, 3);
  EXPECT_EQ(TTestItem::Destroyed - DestroyedBefore, 3);
}

TEST(TreeCollection, GetModifiedLooksAtEveryDescendant) {
  TSampleTree S;
  ClearModified(S.Tree);
  EXPECT_FALSE(S.Tree.GetModified());
  S.A2->SetModified(true);
  EXPECT_TRUE(S.A2->GetModified());
  EXPECT_TRUE(S.A->GetModified());
  EXPECT_TRUE(S.A->Modified());
  EXPECT_FALSE(S.A1->GetModified());
  EXPECT_FALSE(S.B->GetModified());
  EXPECT_TRUE(S.Tree.GetModified());
  S.A2->SetModified(false);
  EXPECT_FALSE(S.Tree.GetModified());
}

TEST(TreeCollection, AncestryAndChildren) {
  TSampleTree S;
  EXPECT_TRUE(S.A1->IsDescendantOf(S.A));
  EXPECT_TRUE(S.A1->IsDescendantOf(S.A1));
  EXPECT_FALSE(S.A->IsDescendantOf(S.A1));
  EXPECT_FALSE(S.B1->IsDescendantOf(S.A));
  EXPECT_FALSE(S.A->IsDescendantOf(nullptr));
  EXPECT_TRUE(S.A->HasChildren());
  EXPECT_FALSE(S.C->HasChildren());
}

TEST(TreeCollection, AssignCopiesTheStructureAndExpansion) {
  TSampleTree Source;
  AddTestItem(Source.A1->Items(), "A11");
  Source.A->SetExpanded(true);

  TTreeCollection Dest;
  Dest.Items()->AddItem<TTreeItem>();
  Dest.Assign(&Source.Tree);
  ASSERT_EQ(Dest.Items()->Count(), 3);
  TTreeItem* A = Dest.Items()->GetItem(0);
  EXPECT_TRUE(A->Expanded());
  EXPECT_FALSE(Dest.Items()->GetItem(1)->Expanded());
  ASSERT_EQ(A->Items()->Count(), 2);
  EXPECT_EQ(A->Items()->GetItem(0)->Items()->Count(), 1);
  EXPECT_EQ(Dest.Items()->GetItem(1)->Items()->Count(), 1);
  EXPECT_EQ(A->Items()->GetItem(0)->GetTree(), &Dest);

  // One item from another: the children are replaced.
  TTestItem* C = Source.C;
  C->Assign(Source.A);
  EXPECT_EQ(C->Items()->Count(), 2);
  EXPECT_TRUE(C->Expanded());

  // Anything else is the library's assignment error.
  TStringList List;
  try {
    Dest.Assign(&List);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.Message(), Format(LoadResString(SAssignError), {std::string("TStringList"), std::string("TTreeCollection")}));
  }
}

TEST(TreeCollection, NewTreeItemMakesFinishedItemsWithOrWithoutACollection) {
  TTestTree Tree;
  TTreeTrace Trace(Tree);
  TTestItem* Direct = NewTreeItem<TTestItem>(TestItemsClass(), Tree.Root());
  EXPECT_EQ(Trace.Take(), (TTrace{"Change(root, none)"}));  // no validation, no announcement
  EXPECT_EQ(Direct->GetCollection(), Tree.Root());
  EXPECT_EQ(Direct->ItemClass().ClassName, "TTestItem");
  EXPECT_NE(dynamic_cast<TTestItems*>(Direct->Items()), nullptr);
  EXPECT_FALSE(Direct->GetModified());

  TTreeItem* Loose = NewTreeItem(TreeItemClass<TTestItem>(), TTreeItemsClass());  // empty: plain children
  EXPECT_EQ(Loose->Collection(), nullptr);
  EXPECT_EQ(Loose->GetTree(), nullptr);
  EXPECT_EQ(Loose->ItemsClass().ClassName, "TTreeItems");
  delete Loose;

  EXPECT_THROW(NewTreeItem(TTreeItemClass(), TestItemsClass()), Exception);

  TTestItem OnStack;  // freed without delete: the destruction steps still run
  AddTestItem(OnStack.Items(), "child");
  EXPECT_TRUE(Trace.Lines.empty());
}

namespace {

// Wraps the destruction steps in its own bracket, as the menu items do.
class TWrappingItem : public TTestItem {
public:
  using TTestItem::TTestItem;
  static inline TTrace* Log = nullptr;

protected:
  void BeforeDestruction() override {
    TTreeItems* Old = GetCollection();
    Old->BeginUpdate();
    Log->push_back("before");
    TTestItem::BeforeDestruction();
    Log->push_back("after: in " + std::to_string(Collection() != nullptr) + ", left " + std::to_string(Old->Count()));
    Old->EndUpdate();
  }
};

}  // namespace

TEST(TreeCollection, ADerivedItemCanWrapTheDestructionSteps) {
  TTestTree Tree;
  AddTestItem(Tree.Root(), "X");
  auto* W = Tree.Root()->AddItem<TWrappingItem, TTestItems>();
  W->Caption = "W";
  TTreeTrace Trace(Tree);
  TWrappingItem::Log = &Trace.Lines;
  delete W;
  EXPECT_EQ(Trace.Take(), (TTrace{"before", "ItemDeleting(W)", "after: in 0, left 1", "Change(root, none)"}));
}
