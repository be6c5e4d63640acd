// The generic tree model under both menus: items that own a collection of child items, one root
// collection, one focused item, update brackets at three levels (tree, collection, item), a
// Modified mark and an Expanded state per item, and the events through which views follow it.
#pragma once

#include "classlib/core/Classes.h"

#include <functional>
#include <new>
#include <string>

class TTreeItem;
class TTreeItems;
class TTreeCollection;

class ETreeCollectionError : public Exception {
public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------------
// Class references

// The class of a child collection: makes a collection for a tree and a parent item.
struct TTreeItemsClass {
  std::function<TTreeItems*(TTreeCollection* Tree, TTreeItem* ParentItem)> Create;
  std::string ClassName;
  explicit operator bool() const { return static_cast<bool>(Create); }
};

// The class of an item: makes an item in no collection whose children have the given class.
struct TTreeItemClass {
  std::function<TTreeItem*(const TTreeItemsClass& ItemsClass)> Create;
  std::string ClassName;
  explicit operator bool() const { return static_cast<bool>(Create); }
};

// `new T(Tree, ParentItem)`.
template <class T>
TTreeItemsClass TreeItemsClass();
// `new T(ItemsClass)`; T has a constructor taking `const TTreeItemsClass&`.
template <class T>
TTreeItemClass TreeItemClass();

// Makes an item of ItemClass (remembering the class in the item) with children of ItemsClass.
// With a Collection, the finished item then enters it through ChangeCollection; when that raises,
// the item is freed and the exception passes on. Items of the model are normally added with
// TTreeItems::AddItem, which validates and announces them.
TTreeItem* NewTreeItem(const TTreeItemClass& ItemClass, const TTreeItemsClass& ItemsClass,
                       TTreeItems* Collection = nullptr);
template <class T>
T* NewTreeItem(const TTreeItemsClass& ItemsClass, TTreeItems* Collection = nullptr) {
  return static_cast<T*>(NewTreeItem(TreeItemClass<T>(), ItemsClass, Collection));
}

// ---------------------------------------------------------------------------------------------
// Sorting and searching by a compare of two indexes (<0, 0, >0)

using TIndexCompare = std::function<int(int Index1, int Index2)>;
using TIndexExchange = std::function<void(int Index1, int Index2)>;

// Quicksort over L..R with the middle element as pivot; the pivot index follows its item across
// exchanges. The scans never leave L..R, so an inconsistent compare cannot run off the list.
void QuickSortIndexes(int L, int R, const TIndexCompare& Compare, const TIndexExchange& Exchange);
// Search by halving over 0..Count-1 with Compare(probe, Target): true at the first probe that
// compares equal; else false with Index the insertion position.
bool FindIndexPosition(int Count, int Target, const TIndexCompare& Compare, int& Index);

// ---------------------------------------------------------------------------------------------
// TTreeItem

class TTreeItem : public TCollectionItem {
public:
  TTreeItem();  // children of class TTreeItems
  explicit TTreeItem(const TTreeItemsClass& ItemsClass);
  // Runs the destruction steps when BeforeDestruction has not run them (an item not freed by
  // delete, e.g. one on the stack).
  ~TTreeItem() override;
  TTreeItem(const TTreeItem&) = delete;
  TTreeItem& operator=(const TTreeItem&) = delete;

  // `delete` of an item runs BeforeDestruction while the whole object is alive, then destroys it.
  void operator delete(TTreeItem* Item, std::destroying_delete_t) noexcept;

  TTreeItems* Items() const { return FItems; }
  TTreeItems* GetCollection() const;  // the holding collection, nullptr when none
  TTreeCollection* GetTree() const;   // the tree of the holding collection
  // The class references this item was made with (ItemClass is empty for an item not made by
  // NewTreeItem or by a tree collection's own Add).
  const TTreeItemClass& ItemClass() const { return FItemClass; }
  const TTreeItemsClass& ItemsClass() const { return FItemsClass; }

  // Moves the item to the end of NewCollection (nullptr: out of any collection); marks it
  // Modified when it left a collection.
  virtual void ChangeCollection(TTreeItems* NewCollection);
  virtual void SetModified(bool Value);
  // The item's own mark, or any descendant's (depth first).
  virtual bool GetModified() const;
  bool Modified() const { return GetModified(); }
  // After a property write: Modified, then OnItemChange unless the item or the tree is updating.
  virtual void Changed();
  using TCollectionItem::Changed;  // Changed(AllItems): the library's collection notice
  // Before a property write: OnItemChanging unless the item or the tree is updating.
  virtual void Changing();
  virtual void BroadcastFirstNotice();
  virtual void BroadcastSecondNotice();
  // Asks the tree to focus this item (with notice); false without a tree or when refused.
  virtual bool Focus();

  void Assign(TPersistent* Source) override;
  void SetIndex(int Value) override;

  void BeginUpdate();
  void EndUpdate();  // on reaching zero: the library's Changed(false)
  int UpdateCount() const { return FUpdateCount; }

  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value);
  bool Focused() const { return FFocused; }
  bool HasChildren() const;
  // True when Item is this item or one of its ancestors.
  bool IsDescendantOf(const TTreeItem* Item) const;

protected:
  virtual bool CanExpand();
  virtual void Expand();
  virtual bool CanCollapse();
  virtual void Collapse();
  // Called by delete before any destructor runs. Runs the destruction steps: OnItemDeleting
  // (tree not updating), the focus hand-over, freeing the children, leaving the collection. A
  // derived class may override it to wrap the steps in its own bookkeeping (call the inherited
  // one). Exceptions raised by event handlers during these steps are dropped.
  virtual void BeforeDestruction();
  // The destruction steps themselves; they run once.
  void DestroyContents() noexcept;

  bool FModified = false;

private:
  friend class TTreeCollection;
  friend class TTreeItems;
  friend TTreeItem* NewTreeItem(const TTreeItemClass&, const TTreeItemsClass&, TTreeItems*);

  TTreeItems* FItems = nullptr;
  int FUpdateCount = 0;
  bool FExpanded = false;
  bool FFocused = false;
  bool FContentsDestroyed = false;
  TTreeItemClass FItemClass;
  TTreeItemsClass FItemsClass;

  void CreateItems(const TTreeItemsClass& ItemsClass);
};

// ---------------------------------------------------------------------------------------------
// TTreeItems

class TTreeItems : public TOwnedCollection {
public:
  // Owned by Tree (may be nullptr); ParentItem is the item whose children this holds (nullptr
  // for the root collection). The item class is TTreeItem, so any descendant may be inserted.
  TTreeItems(TTreeCollection* Tree, TTreeItem* ParentItem);
  // Frees the items (each sees its own destruction steps); Destroying is set meanwhile.
  ~TTreeItems() override;

  // Adds a new item: inside the collection's update bracket, the item is made in no collection,
  // validated by the tree (OnValidateItem), moved into this collection, announced (OnItemAdded);
  // the bracket's end sends the collection's change. When validation or the announcement raises,
  // the item is freed and the exception passes on; the bracket is closed in any case.
  TTreeItem* AddItem(const TTreeItemClass& ItemClass, const TTreeItemsClass& ItemsClass);
  template <class TItem, class TItems = TTreeItems>
  TItem* AddItem() {
    return static_cast<TItem*>(AddItem(TreeItemClass<TItem>(), TreeItemsClass<TItems>()));
  }

  // Orders two items by index; the base answers -1 for every pair.
  virtual int Compare(int Index1, int Index2);
  // Search by halving with Compare(probe, Item's index); see FindIndexPosition.
  virtual bool FindPosition(TTreeItem* Item, int& Index);
  // Quicksort with Compare inside one update bracket (one change at the end).
  void Sort();
  // Swaps two items through their SetIndex (both get marked Modified).
  void Exchange(int Index1, int Index2);

  // Passes a change up: stops at a collection or parent item that is updating, else goes on to
  // the parent item's collection, at the root to the tree.
  virtual void Changed(TTreeItems* Collection, TTreeItem* Item);
  using TCollection::Changed;

  TTreeItem* GetItem(int Index) const { return static_cast<TTreeItem*>(Items(Index)); }
  TTreeItem* operator[](int Index) const { return GetItem(Index); }
  TTreeItem* ParentItem() const { return FParentItem; }
  bool Destroying() const { return FDestroying; }
  TTreeCollection* GetTree() const;  // the parent item's tree, or the owner for the root

protected:
  // The collection changed (Item nullptr) or one item did: Changed(this, Item) when not updating.
  void Update(TCollectionItem* Item) override;

private:
  TTreeCollection* FTree;
  TTreeItem* FParentItem;
  bool FDestroying = false;
};

// ---------------------------------------------------------------------------------------------
// TTreeCollection

using TTreeItemEvent = std::function<void(TObject* Sender, TTreeItem* Item)>;
using TTreeValidateItemEvent = std::function<void(TObject* Sender, TTreeItems* Collection, TTreeItem* Item)>;
using TTreeChangeEvent = std::function<void(TObject* Sender, TTreeItems* Collection, TTreeItem* Item)>;
using TTreeNotify1Event = std::function<void(TObject* Sender, int Value)>;
using TTreeNotify2Event = std::function<void(TObject* Sender, int Value1, int Value2)>;
using TTreeNotify3Event = std::function<void(TObject* Sender, int Value1, int Value2, int Value3)>;
// Phase 0 before, 1 after the broadcast of the tree or of the item.
using TTreeNoticeEvent = std::function<void(TObject* Sender, int Phase)>;
using TTreeItemNoticeEvent = std::function<void(TObject* Sender, TTreeItem* Item, int Phase)>;
using TTreeItemAllowEvent = std::function<void(TObject* Sender, TTreeItem* Item, bool& Allow)>;

class TTreeCollection : public TPersistent {
public:
  TTreeCollection();  // root collection of class TTreeItems
  explicit TTreeCollection(const TTreeItemsClass& ItemsClass);
  // Frees the items when BeforeDestruction has not (a tree not freed by delete: a derived tree
  // whose overrides must see its items go calls DestroyItems in its own destructor).
  ~TTreeCollection() override;
  TTreeCollection(const TTreeCollection&) = delete;
  TTreeCollection& operator=(const TTreeCollection&) = delete;

  // `delete` of a tree runs BeforeDestruction while the whole object is alive, then destroys it.
  void operator delete(TTreeCollection* Tree, std::destroying_delete_t) noexcept;

  TTreeItems* Items() const { return FItems; }

  // Every event fires with the tree as Sender.
  TTreeItemEvent OnItemAdded;
  TTreeValidateItemEvent OnValidateItem;
  TTreeNotify1Event OnNotify1;
  TTreeItemEvent OnItemDeleting;
  TTreeItemEvent OnItemChange;
  TTreeItemEvent OnItemChanging;
  TTreeNotify2Event OnNotify2;
  TTreeNotify3Event OnNotify3;
  TTreeChangeEvent OnChange;
  TTreeNoticeEvent OnFirstNotice;
  TTreeItemNoticeEvent OnItemFirstNotice;
  TTreeItemNoticeEvent OnItemSecondNotice;
  TTreeNoticeEvent OnSecondNotice;
  TTreeItemAllowEvent OnCanFocus;
  TNotifyEvent OnFocusChange;
  TTreeItemEvent OnExpanded;
  TTreeItemEvent OnCollapsed;
  TTreeItemAllowEvent OnExpanding;
  TTreeItemAllowEvent OnCollapsing;

  // Kind 0/1: item first/second notice; 2/3: tree first/second notice; others: nothing.
  virtual void Notify(int Kind, int Phase, TTreeItem* Item);
  // OnChange(Collection, Item) unless the tree is updating or change notices are disabled.
  virtual void Changed(TTreeItems* Collection, TTreeItem* Item);
  virtual void BroadcastFirstNotice();
  virtual void BroadcastSecondNotice();
  // Any root item's GetModified.
  virtual bool GetModified() const;

  void Assign(TPersistent* Source) override;

  // While above zero, item and change events are held back; the end sends OnChange(none, none).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  // While above zero, only OnChange is held back; enabling again sends nothing.
  void DisableChangeNotify();
  void EnableChangeNotify();
  int ChangeNotifyLock() const { return FChangeNotifyLock; }

  TTreeItem* Focused() const { return FFocused; }
  // ETreeCollectionError "Item must belong to collection to focus" for an item of another tree
  // (the focus is unchanged); else ChangeFocus(Item, true).
  void SetFocused(TTreeItem* Item);
  // Moves the focus to Item (nullptr: none); OnCanFocus may refuse (answer false, nothing
  // changes). OnFocusChange follows when Notify is set and the tree is not updating.
  bool ChangeFocus(TTreeItem* Item, bool Notify);

  // Expands every item, depth first, each inside an update bracket of its collection.
  void ExpandAll();

  // Frees the root collection with all items; the tree is empty afterwards.
  void DestroyItems() noexcept;

protected:
  virtual void DoItemAdded(TTreeItem* Item);
  virtual void DoValidateItem(TTreeItems* Collection, TTreeItem* Item);
  virtual void DoNotify1(int Value);
  virtual void DoItemDeleting(TTreeItem* Item);
  virtual void DoItemChange(TTreeItem* Item);
  virtual void DoItemChanging(TTreeItem* Item);
  virtual void DoNotify3(int Value1, int Value2, int Value3);
  virtual void DoNotify2(int Value1, int Value2);
  // Fires OnChange; an exception raised by the handler is dropped.
  virtual void DoChange(TTreeItems* Collection, TTreeItem* Item);
  virtual void DoFirstNotice(int Phase);
  virtual void DoSecondNotice(int Phase);
  virtual void DoItemFirstNotice(TTreeItem* Item, int Phase);
  virtual void DoItemSecondNotice(TTreeItem* Item, int Phase);
  // True when OnCanFocus does not run, else its Allow.
  virtual bool DoCanFocus(TTreeItem* Item);
  virtual void DoFocusChange();
  // These fire whatever the update count; Allow starts true.
  virtual bool DoExpanding(TTreeItem* Item);
  virtual void DoExpanded(TTreeItem* Item);
  virtual bool DoCollapsing(TTreeItem* Item);
  virtual void DoCollapsed(TTreeItem* Item);
  // Called by delete before any destructor runs; the base frees the items (DestroyItems).
  virtual void BeforeDestruction();

private:
  friend class TTreeItem;
  friend class TTreeItems;

  TTreeItems* FItems = nullptr;
  int FUpdateCount = 0;
  int FChangeNotifyLock = 0;
  TTreeItem* FFocused = nullptr;

  void CreateItems(const TTreeItemsClass& ItemsClass);
};

// ---------------------------------------------------------------------------------------------

template <class T>
TTreeItemsClass TreeItemsClass() {
  static_assert(std::is_base_of_v<TTreeItems, T>, "T must derive from TTreeItems");
  TTreeItemsClass Result;
  Result.Create = [](TTreeCollection* Tree, TTreeItem* ParentItem) -> TTreeItems* {
    return new T(Tree, ParentItem);
  };
  Result.ClassName = ClassNameOf(typeid(T));
  return Result;
}

template <class T>
TTreeItemClass TreeItemClass() {
  static_assert(std::is_base_of_v<TTreeItem, T>, "T must derive from TTreeItem");
  TTreeItemClass Result;
  Result.Create = [](const TTreeItemsClass& ItemsClass) -> TTreeItem* { return new T(ItemsClass); };
  Result.ClassName = ClassNameOf(typeid(T));
  return Result;
}
