// Test helpers for the tree model: an item with a caption and a key, a collection ordered by key,
// and a recorder that writes every event of a tree as one text line.
#pragma once

#include "model/TreeCollection.h"

#include <string>
#include <vector>

class TTestItem : public TTreeItem {
public:
  using TTreeItem::TTreeItem;
  ~TTestItem() override { ++Destroyed; }

  std::string Caption;
  int Key = 0;

  // A property write as the menu items do it.
  void SetCaption(const std::string& Value) {
    if (Value == Caption) return;
    Changing();
    Caption = Value;
    Changed();
  }

  static inline int Destroyed = 0;
};

// Orders its items by Key, ascending.
class TTestItems : public TTreeItems {
public:
  using TTreeItems::TTreeItems;
  int Compare(int Index1, int Index2) override {
    ++Compares;
    const int K1 = static_cast<TTestItem*>(GetItem(Index1))->Key;
    const int K2 = static_cast<TTestItem*>(GetItem(Index2))->Key;
    return K1 < K2 ? -1 : (K1 > K2 ? 1 : 0);
  }
  TTestItem* Item(int Index) const { return static_cast<TTestItem*>(GetItem(Index)); }
  int Compares = 0;
};

inline TTreeItemsClass TestItemsClass() { return TreeItemsClass<TTestItems>(); }

// A tree of test collections.
class TTestTree : public TTreeCollection {
public:
  TTestTree() : TTreeCollection(TestItemsClass()) {}
  TTestItems* Root() const { return static_cast<TTestItems*>(Items()); }
  using TTreeCollection::DoNotify1;
  using TTreeCollection::DoNotify2;
  using TTreeCollection::DoNotify3;
};

// Adds a test item through AddItem and names it (without events).
inline TTestItem* AddTestItem(TTreeItems* Collection, const std::string& Caption, int Key = 0) {
  auto* Item = Collection->AddItem<TTestItem, TTestItems>();
  Item->Caption = Caption;
  Item->Key = Key;
  return Item;
}

inline std::string ItemName(const TTreeItem* Item) {
  if (Item == nullptr) return "none";
  if (auto* T = dynamic_cast<const TTestItem*>(Item)) return T->Caption.empty() ? "<new>" : T->Caption;
  return "<" + Item->ClassName() + ">";
}

inline std::string CollectionName(const TTreeItems* Items) {
  if (Items == nullptr) return "none";
  if (Items->ParentItem() == nullptr) return "root";
  return ItemName(Items->ParentItem()) + ".Items";
}

using TTrace = std::vector<std::string>;

// Attaches to all nineteen events of a tree. Detaches in its destructor; after the tree itself
// was freed, call Release first.
class TTreeTrace {
public:
  explicit TTreeTrace(TTreeCollection& Tree) : FTree(&Tree) {
    Tree.OnItemAdded = [this](TObject* S, TTreeItem* I) { Log(S, "ItemAdded(" + ItemName(I) + ")"); };
    Tree.OnValidateItem = [this](TObject* S, TTreeItems* C, TTreeItem* I) {
      Log(S, "ValidateItem(" + CollectionName(C) + ", " + ItemName(I) + ")");
      if (FailValidate) throw Exception("validation failed");
    };
    Tree.OnNotify1 = [this](TObject* S, int V) { Log(S, "Notify1(" + std::to_string(V) + ")"); };
    Tree.OnItemDeleting = [this](TObject* S, TTreeItem* I) { Log(S, "ItemDeleting(" + ItemName(I) + ")"); };
    Tree.OnItemChange = [this](TObject* S, TTreeItem* I) { Log(S, "ItemChange(" + ItemName(I) + ")"); };
    Tree.OnItemChanging = [this](TObject* S, TTreeItem* I) { Log(S, "ItemChanging(" + ItemName(I) + ")"); };
    Tree.OnNotify2 = [this](TObject* S, int A, int B) {
      Log(S, "Notify2(" + std::to_string(A) + ", " + std::to_string(B) + ")");
    };
    Tree.OnNotify3 = [this](TObject* S, int A, int B, int C) {
      Log(S, "Notify3(" + std::to_string(A) + ", " + std::to_string(B) + ", " + std::to_string(C) + ")");
    };
    Tree.OnChange = [this](TObject* S, TTreeItems* C, TTreeItem* I) {
      Log(S, "Change(" + CollectionName(C) + ", " + ItemName(I) + ")");
      if (FailChange) throw Exception("view failed");
    };
    Tree.OnFirstNotice = [this](TObject* S, int P) { Log(S, "FirstNotice(" + std::to_string(P) + ")"); };
    Tree.OnItemFirstNotice = [this](TObject* S, TTreeItem* I, int P) {
      Log(S, "ItemFirstNotice(" + ItemName(I) + ", " + std::to_string(P) + ")");
    };
    Tree.OnItemSecondNotice = [this](TObject* S, TTreeItem* I, int P) {
      Log(S, "ItemSecondNotice(" + ItemName(I) + ", " + std::to_string(P) + ")");
    };
    Tree.OnSecondNotice = [this](TObject* S, int P) { Log(S, "SecondNotice(" + std::to_string(P) + ")"); };
    Tree.OnCanFocus = [this](TObject* S, TTreeItem* I, bool& Allow) {
      Log(S, "CanFocus(" + ItemName(I) + ")");
      Allow = AllowFocus;
    };
    Tree.OnFocusChange = [this](TObject* S) {
      Log(S, "FocusChange(" + ItemName(static_cast<TTreeCollection*>(S)->Focused()) + ")");
    };
    Tree.OnExpanded = [this](TObject* S, TTreeItem* I) { Log(S, "Expanded(" + ItemName(I) + ")"); };
    Tree.OnCollapsed = [this](TObject* S, TTreeItem* I) { Log(S, "Collapsed(" + ItemName(I) + ")"); };
    Tree.OnExpanding = [this](TObject* S, TTreeItem* I, bool& Allow) {
      Log(S, "Expanding(" + ItemName(I) + ")");
      Allow = AllowExpand;
    };
    Tree.OnCollapsing = [this](TObject* S, TTreeItem* I, bool& Allow) {
      Log(S, "Collapsing(" + ItemName(I) + ")");
      Allow = AllowCollapse;
    };
  }
  ~TTreeTrace() {
    if (FTree != nullptr) ClearEvents(*FTree);
  }
  TTreeTrace(const TTreeTrace&) = delete;
  TTreeTrace& operator=(const TTreeTrace&) = delete;

  void Release() { FTree = nullptr; }
  // The lines recorded since the last call.
  TTrace Take() {
    TTrace Result;
    Result.swap(Lines);
    return Result;
  }

  TTrace Lines;
  int WrongSender = 0;
  bool AllowFocus = true, AllowExpand = true, AllowCollapse = true;
  bool FailValidate = false, FailChange = false;

private:
  static void ClearEvents(TTreeCollection& T) {
    T.OnItemAdded = nullptr;
    T.OnValidateItem = nullptr;
    T.OnNotify1 = nullptr;
    T.OnItemDeleting = nullptr;
    T.OnItemChange = nullptr;
    T.OnItemChanging = nullptr;
    T.OnNotify2 = nullptr;
    T.OnNotify3 = nullptr;
    T.OnChange = nullptr;
    T.OnFirstNotice = nullptr;
    T.OnItemFirstNotice = nullptr;
    T.OnItemSecondNotice = nullptr;
    T.OnSecondNotice = nullptr;
    T.OnCanFocus = nullptr;
    T.OnFocusChange = nullptr;
    T.OnExpanded = nullptr;
    T.OnCollapsed = nullptr;
    T.OnExpanding = nullptr;
    T.OnCollapsing = nullptr;
  }

  void Log(TObject* Sender, const std::string& Line) {
    if (Sender != FTree) ++WrongSender;
    Lines.push_back(Line);
  }

  TTreeCollection* FTree;
};
