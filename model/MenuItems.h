// The menu model shared by the static and the dynamic menu: a categorised tree whose root holds
// one category per file type and whose lower levels hold menu items, the menu item base with its
// application, parameters, caption and active state, and the store record of a static item.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/IniFiles.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "model/SortedCollection.h"
#include "model/TreeCollection.h"

#include <string>

class TCategorizedCollection;
class TCategorizedCollectionItems;
class TCustomFileTypeCategory;
class TCustomMenu;
class TCustomMenuItem;
class TCustomMenuItems;

// The invalid operations of the menu model.
class EMenuItemsError : public Exception {
public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------------
// The categorised tree: categories only at the root, nodes only below another entry

class TCategorizedCollectionItem : public TTreeItem {
public:
  explicit TCategorizedCollectionItem(const TTreeItemsClass& ItemsClass);

  TCategorizedCollectionItems* GetCollection() const;  // the holding collection, nullptr when none
  TCategorizedCollectionItems* GetItems() const;       // own children
  TCategorizedCollection* GetCategorizedCollection() const;  // the tree, nullptr when none

  void ChangeCollection(TTreeItems* NewCollection) override;

  // Moves this item (Move) or a copy of it (not Move) into Target's children at Index; the copy
  // is made with this item's class and child class, added through AddItem and assigned from this
  // item. Answers the moved item or the copy.
  TCategorizedCollectionItem* MoveTo(TCategorizedCollectionItem* Target, int Index, bool Move);
};

// An entry that may stand only in the root collection.
class TCategoryItem : public TCategorizedCollectionItem {
public:
  explicit TCategoryItem(const TTreeItemsClass& ItemsClass);

  // EMenuItemsError "Can not add a category for an item" for a collection with a parent item.
  void ChangeCollection(TTreeItems* NewCollection) override;
};

// An entry that may stand only below another entry. A category whose last node leaves or is
// freed is freed with it.
class TNodeItem : public TCategorizedCollectionItem {
public:
  explicit TNodeItem(const TTreeItemsClass& ItemsClass);

  // EMenuItemsError "Can not add an item to the top-level collection" for the root collection.
  // The old collection is bracketed around the move.
  void ChangeCollection(TTreeItems* NewCollection) override;

protected:
  // The destruction steps inside the bracket of the item's collection; a category left empty
  // goes with it. (Every delete of an item, also through a collection-item pointer, runs it.)
  void BeforeDestruction() override;

private:
  // The old collection's bracket ends: the category that held it is freed when it is left empty,
  // else the bracket is closed.
  static void ReleaseOldCollection(TTreeItems* Old) noexcept;
};

class TCategorizedCollectionItems : public TTreeItems {
public:
  TCategorizedCollectionItems(TTreeCollection* Tree, TTreeItem* ParentItem);

  TCategorizedCollectionItem* GetItem(int Index) const {
    return static_cast<TCategorizedCollectionItem*>(TTreeItems::GetItem(Index));
  }
  TCategorizedCollectionItem* operator[](int Index) const { return GetItem(Index); }
  TCategorizedCollectionItem* GetParentItem() const {
    return static_cast<TCategorizedCollectionItem*>(ParentItem());
  }
};

class TCategorizedCollection : public TTreeCollection {
public:
  explicit TCategorizedCollection(const TTreeItemsClass& ItemsClass);

  TCategorizedCollectionItems* GetItems() const { return static_cast<TCategorizedCollectionItems*>(Items()); }
  TCategorizedCollectionItem* GetFocused() const { return static_cast<TCategorizedCollectionItem*>(Focused()); }
  // "Item must belong to collection to focus" for an item of another tree.
  void SetFocused(TTreeItem* Item) { TTreeCollection::SetFocused(Item); }

protected:
  // A node into the root: "Can not add an item to the top-level collection"; a category below an
  // item: "Can not add a category for an item"; anything else: "Invalid tree item class"; then
  // OnValidateItem.
  void DoValidateItem(TTreeItems* Collection, TTreeItem* Item) override;
};

// ---------------------------------------------------------------------------------------------
// Categories bound to a file type

class TCustomFileTypeCategory : public TCategoryItem {
public:
  explicit TCustomFileTypeCategory(const TTreeItemsClass& ItemsClass);
  ~TCustomFileTypeCategory() override;

  // The category rule, then the link follows the FileTypes of the (new) menu.
  void ChangeCollection(TTreeItems* NewCollection) override;
  // A category carries no Modified mark of its own.
  void SetModified(bool Value) override;

  TFileTypeLink* FileTypeLink() const { return FFileTypeLink; }
  TFileType* GetFileType() const;
  void SetFileType(TFileType* FileType);
  // The Description of the file type; "" without one.
  std::string GetFileTypeCaption() const;
  TCustomMenuItems* GetItems() const;
  // The menu that holds the category, nullptr when none.
  TCustomMenu* GetMenu() const;

protected:
  // A file type of the list was freed (FileType nullptr: the whole list went away). When it is
  // none or the category's own type, the category takes the first type of the menu's list (when
  // there is one); other types are ignored.
  virtual void FileTypeNotify(TObject* Sender, TFileType* FileType);

private:
  TFileTypeLink* FFileTypeLink = nullptr;

  void BindFileTypes();
};

// ---------------------------------------------------------------------------------------------
// Menu items

class TCustomMenuItem : public TNodeItem {
public:
  // Defaults: Caption "new item", Parameters "%1" in double quotes, active, no application.
  explicit TCustomMenuItem(const TTreeItemsClass& ItemsClass);

  // A TCustomMenuItem source: its texts, Checked and Expanded, inside an update bracket (no
  // children). Other sources: TTreeItem::Assign.
  void Assign(TPersistent* Source) override;

  const std::string& Application() const { return FApplication; }
  const std::string& Parameters() const { return FParameters; }
  const std::string& Caption() const { return FCaption; }
  bool Checked() const { return FChecked; }
  // Each: when the value differs (case-sensitive), Changing, write, Changed.
  void SetApplication(const std::string& Value);
  void SetParameters(const std::string& Value);
  void SetCaption(const std::string& Value);
  virtual void SetChecked(bool Value);

  // The file type of the nearest category above the item; nullptr when none.
  TFileType* GetFileType() const;
  // Moves the item to the top level of FileType's category (created when missing); nothing
  // without a collection or category, or when FileType is the category's already. FileType must
  // not be nullptr.
  void SetFileType(TFileType* FileType);
  // The nearest category above the item; nullptr when none.
  TCustomFileTypeCategory* GetCategory() const;
  TCustomMenu* GetMenu() const;

  // Direct writes for the loaders: no events, no Modified mark.
  void LoadTexts(const std::string& Application, const std::string& Parameters, const std::string& Caption);
  void LoadChecked(bool Value) { FChecked = Value; }

protected:
  // Stores Value in Field between Changing and Changed when it differs.
  template <class T>
  void SetField(T& Field, const T& Value) {
    if (Value == Field) return;
    Changing();
    Field = Value;
    Changed();
  }

  std::string FApplication;
  std::string FParameters;
  std::string FCaption;
  bool FChecked = true;
};

// The item collection of a menu; CreateItem and CreateCategory are the factories of the static
// and dynamic collections.
class TCustomMenuItems : public TCategorizedCollectionItems {
public:
  TCustomMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem);

  // Categories by the position of their file types in the list; items by caption in descending
  // order ("&" ignored, AnsiCompareStr); anything else -1.
  int Compare(int Index1, int Index2) override;

  using TTreeItems::AddItem;
  // A new item: below a parent, CreateItem(this); at the top level, in the category of the first
  // file type of the menu's list ("FileTypes property not set or empty" without one).
  TCustomMenuItem* AddItem();

  // About the root collection of the tree (this collection when it has no tree).
  bool HasCategory(TFileType* FileType) const;
  TCustomFileTypeCategory* FindCategory(TFileType* FileType) const;
  // FindCategory; when missing, a new category of FileType made by CreateCategory inside the
  // tree's update bracket, and the root sorted.
  TCustomFileTypeCategory* GetCategory(TFileType* FileType);

  // The entry at Index as a menu item / as a category; nullptr when it is not one.
  TCustomMenuItem* MenuItem(int Index) const;
  TCustomFileTypeCategory* Category(int Index) const;
  TCustomMenu* GetMenu() const;
  TCustomMenuItems* RootItems() const;

  // Makes a menu item in Collection; "Can not add subitem for an menu item" where the collection
  // may hold none.
  virtual TCustomMenuItem* CreateItem(TCustomMenuItems* Collection) = 0;
  // Makes a category in Collection (the root).
  virtual TCustomFileTypeCategory* CreateCategory(TCustomMenuItems* Collection) = 0;
};

// The menu: a categorised tree over a file-type list (not owned), with the log of load problems
// and a Modified flag.
class TCustomMenu : public TCategorizedCollection {
public:
  TCustomMenu(const TTreeItemsClass& ItemsClass, TFileTypes* FileTypes);
  ~TCustomMenu() override;

  TFileTypes* FileTypes() const { return FFileTypes; }
  void SetFileTypes(TFileTypes* Value) { FFileTypes = Value; }
  TAdvStringList* ErrorLog() const { return FErrorLog; }
  TCustomMenuItems* GetItems() const { return static_cast<TCustomMenuItems*>(Items()); }

  // The menu's flag, or any item's Modified mark.
  bool GetModified() const override;
  bool Modified() const { return GetModified(); }
  // Writes the menu's flag only.
  virtual void SetModified(bool Value);

  virtual void LoadFromIni(TCustomIniFile& IniFile, const std::string& Section) = 0;
  virtual void SaveToIni(TCustomIniFile& IniFile, const std::string& Section) = 0;

  // FileTypes is set and holds at least one type.
  bool HasFileTypes() const;
  // Raises "FileTypes property not set or empty" unless HasFileTypes.
  void CheckFileTypes() const;

protected:
  // Neither a file-type category nor a menu item: "Invalid tree item class"; else the
  // categorised tree's checks.
  void DoValidateItem(TTreeItems* Collection, TTreeItem* Item) override;
  // Sets the Modified flag, then fires OnChange.
  void DoChange(TTreeItems* Collection, TTreeItem* Item) override;

  // The loaders' brackets: BeginLoad opens the tree's update bracket and clears the log; EndLoad
  // closes the bracket, clears the menu's flag when the log is empty and focuses the first
  // category (none when the menu is empty).
  void BeginLoad();
  void EndLoad();
  // Frees every category and item (each through its own destruction steps), inside the root's
  // update bracket.
  void ClearItems();

  bool FModified = false;

private:
  TFileTypes* FFileTypes;
  TAdvStringList* FErrorLog;
};

// ---------------------------------------------------------------------------------------------
// Where a static item was last stored

class TStoreInfo : public TPersistent {
public:
  TStoreInfo() = default;

  bool Stored() const { return FStored; }
  const std::string& KeyPath() const { return FKeyPath; }

  // From another TStoreInfo; other sources: TPersistent::Assign.
  void Assign(TPersistent* Source) override;
  void Clear();
  void SetStored(const std::string& KeyPath);

private:
  bool FStored = false;
  std::string FKeyPath;
};

// The caption without its "&" hot-key markers.
std::string StripHotKeyMarkers(const std::string& Caption);
