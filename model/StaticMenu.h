// The static menu: shell verbs that the program writes under HKEY_CLASSES_ROOT, one key per
// active item and file type, with the record of each key written so that changed, deactivated and
// deleted items lose their old keys, and its copy of all items in an INI section.
#pragma once

#include "model/MenuItems.h"

#include <string>
#include <vector>

class TRegistryJournal;
class TStaticMenu;
class TStaticMenuItems;

// Deletes the key of a stored record below HKEY_CLASSES_ROOT (nothing when it does not exist),
// then its parent key when that is left without subkeys, and clears the record. A failed delete
// raises the registry error. Journal (when given) remembers each key before it goes.
void RemoveStoreKey(TStoreInfo& StoreInfo, TRegistryJournal* Journal = nullptr);

// The command of a verb: Application + " " + Parameters, with an Application that holds a blank
// and is not in double quotes already put in double quotes.
std::string VerbCommand(const std::string& Application, const std::string& Parameters);

// The blank and "(*)" that end the verb keys this program makes.
extern const char* const StaticVerbSuffix;

class TStaticMenuItem : public TCustomMenuItem {
public:
  explicit TStaticMenuItem(const TTreeItemsClass& ItemsClass);

  TStoreInfo& StoreInfo() { return FStoreInfo; }
  const TStoreInfo& StoreInfo() const { return FStoreInfo; }

  // "\" + file type Name + "\shell\" + Caption + " (*)", from the current file type and caption.
  std::string GetKeyPath() const;
  bool IsStored() const { return FStoreInfo.Stored(); }
  // The key path exists below HKEY_CLASSES_ROOT.
  bool KeyExists() const;
  // True records the current key path; false clears the record.
  void SetStored(bool Value);
  // Deletes the key of the record, when there is one.
  void RemoveStoredKey(TRegistryJournal* Journal = nullptr);
  // An active item: its key (default value Caption) and "command" subkey (default value
  // VerbCommand), created when missing, and the record. Inactive: nothing. Journal (when given)
  // remembers the key, and the keys created above it, before the write.
  void WriteItemRegistry(TRegistryJournal* Journal = nullptr);

  TStaticMenu* GetStaticMenu() const;

protected:
  // The record goes to the menu's deleted items, then the node's destruction steps.
  void BeforeDestruction() override;

private:
  TStoreInfo FStoreInfo;
};

// The category class of the static menu.
class TFileTypeCategory : public TCustomFileTypeCategory {
public:
  using TCustomFileTypeCategory::TCustomFileTypeCategory;
};

// Static items stand only directly in a category.
class TStaticMenuItems : public TCustomMenuItems {
public:
  TStaticMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem);

  TStaticMenuItem* GetStaticItem(int Index) const { return dynamic_cast<TStaticMenuItem*>(TTreeItems::GetItem(Index)); }

  // "Can not add subitem for an menu item" unless Collection belongs to a category; then AddItem
  // of a TStaticMenuItem with TStaticMenuItems children.
  TCustomMenuItem* CreateItem(TCustomMenuItems* Collection) override;
  // AddItem of a TFileTypeCategory with TStaticMenuItems children.
  TCustomFileTypeCategory* CreateCategory(TCustomMenuItems* Collection) override;
};

class TStaticMenu : public TCustomMenu {
public:
  explicit TStaticMenu(TFileTypes* FileTypes);
  // The items go without being remembered; the deleted records are dropped, their keys stay.
  ~TStaticMenu() override;

  TStaticMenuItems* GetItems() const { return static_cast<TStaticMenuItems*>(Items()); }

  // The records of items deleted since the last save, in order of deletion.
  const std::vector<TStoreInfo>& DeletedItems() const { return FDeletedItems; }
  bool TrackDeleted() const { return FTrackDeleted; }
  // A stored item's record is copied to DeletedItems while TrackDeleted is set.
  void RememberDeleted(TStaticMenuItem* Item);
  // Empties DeletedItems from the last record on; with RemoveKeys each record's key is deleted
  // first (a record whose delete raises stays in the list).
  void ClearDeletedItems(bool RemoveKeys, TRegistryJournal* Journal = nullptr);

  // Deletes the key of every stored item and of every deleted item, then writes the key of every
  // active item. "FileTypes property not set or empty" without file types. Journal (when given)
  // remembers every key before it changes.
  virtual void WriteRegistry(TRegistryJournal* Journal = nullptr);

  // Section "Static Items": items numbered from 0 ("Application", "Parameters", "Caption",
  // "Checked", "FileType" followed by the number), then "Count". Loading writes the keys of active
  // items that have none; unknown file types, bad "Checked" values and registry failures are
  // logged and the load goes on.
  void LoadFromIni(TCustomIniFile& IniFile, const std::string& Section) override;
  // The registry first (WriteRegistry), then the section, and the file is written (UpdateFile).
  // When any step raises, the keys removed or written go back as they were, with the items' store
  // records and the deleted items' records, and the menu stays modified; the section may stay
  // changed in IniFile's memory, so the caller drops it.
  void SaveToIni(TCustomIniFile& IniFile, const std::string& Section) override;

  // Calls Action for every item: categories in root order, items in index order.
  template <class F>
  void ForEachItem(F&& Action) const {
    TCustomMenuItems* Root = TCustomMenu::GetItems();
    for (int C = 0; C < Root->Count(); ++C) {
      TTreeItems* Children = Root->GetItem(C)->Items();
      for (int I = 0; I < Children->Count(); ++I)
        if (auto* Item = dynamic_cast<TStaticMenuItem*>(Children->GetItem(I))) Action(Item);
    }
  }

protected:
  void BeforeDestruction() override;

private:
  std::vector<TStoreInfo> FDeletedItems;
  bool FTrackDeleted = true;
};
