// The dynamic menu: the items, submenus and separators that the shell extension puts into the
// shell's context menus, grouped by file type, each with a hint and an icon, and the INI section
// "Dynamic Items" in which Corvane keeps them and from which the shell extension reads them.
#pragma once

#include "classlib/core/Graphics.h"
#include "classlib/core/IniFiles.h"
#include "model/MenuItems.h"

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>

class TDynamicMenu;
class TDynamicMenuItems;
class TDynamicSubMenu;

// The caption of a separator: eighteen em dashes (code 151 of code page 1252).
const std::string& SeparatorCaption();

// The category class of the dynamic menu.
class TXFileTypeCategory : public TCustomFileTypeCategory {
public:
  explicit TXFileTypeCategory(const TTreeItemsClass& ItemsClass);
};

// ---------------------------------------------------------------------------------------------
// TDynamicMenuItem: a plain item or a separator

class TDynamicMenuItem : public TCustomMenuItem {
public:
  // The menu item's defaults, no separator, IconIndex 0 and an empty TIcon.
  explicit TDynamicMenuItem(const TTreeItemsClass& ItemsClass);
  ~TDynamicMenuItem() override;

  // Only a TDynamicMenuItem source is taken (any other leaves the item as it is): its texts,
  // Checked, Expanded, IsSeparator, Hint, IconFile and IconIndex (the icon is loaded again; an
  // index whose icon fails to load is kept as the source has it). No children.
  void Assign(TPersistent* Source) override;

  bool IsSeparator() const { return FIsSeparator; }
  int IconIndex() const { return FIconIndex; }  // -1: no icon
  const std::string& Hint() const { return FHint; }
  const std::string& IconFile() const { return FIconFile; }
  // The loaded picture, never nullptr: a TPNGObject when IconFile ends in ".png", else a TIcon.
  // It may be empty.
  TGraphic* Icon() const { return FIcon.get(); }
  // The item's number in the section at the last save or load.
  int SaveNumber() const { return FSaveNumber; }

  // When the text differs: Changing, write, Changed.
  void SetHint(const std::string& Value);
  // When it differs: the file is stored, IconIndex becomes -1 and the picture an empty TIcon;
  // no change events (SetIconIndex follows).
  void SetIconFile(const std::string& Value);
  // When Value differs: a new empty picture of IconFile's kind; with Value >= 0 and an IconFile,
  // the icon is loaded (the small icon at Value, or the whole PNG file) and only when that works
  // does IconIndex become Value (with Changing/Changed); a failure leaves the picture empty and
  // IconIndex as it was. Value < 0 or no IconFile: IconIndex := Value with Changing/Changed.
  void SetIconIndex(int Value);
  // When Value differs: the caption becomes the separator caption, the other texts and IconFile
  // empty and IconIndex -1, then IsSeparator := Value (one Changing/Changed around it all). An
  // item made from a separator keeps the dashes as its caption.
  void SetIsSeparator(bool Value);

  // The icon at Index of File through ExtractIconExA, asking for both sizes: the small one when
  // Small (it may be 0), else the large one; the other is destroyed. A count other than 1 or 2
  // raises "Error extracting icon from file". The caller destroys the icon.
  static HICON ExtractItemIcon(const std::string& File, int Index, bool Small);

  // Writes the item's keys with the number Number (SaveNumber := Number), increments Number and
  // clears the item's Modified mark.
  virtual void SaveToIni(TCustomIniFile& IniFile, const std::string& Section, int& Number);

  TDynamicMenuItems* GetItems() const;
  // The submenu that holds the item; nullptr directly in a category (or without a collection).
  TDynamicSubMenu* GetParentSubMenu() const;

protected:
  // "Parent" + n: the holding submenu's SaveNumber, 0 directly in a category.
  int ParentNumber() const;
  // The Name of the item's file type, "" without one.
  std::string FileTypeName() const;
  // SetIconIndex that keeps Value as the index when the icon fails to load (the picture stays
  // empty). Answers whether the icon was loaded (true when none was to be loaded).
  bool LoadIconIndex(int Value);

  int FSaveNumber = 0;

private:
  friend class TDynamicMenu;

  bool FIsSeparator = false;
  int FIconIndex = 0;
  std::string FHint;
  std::string FIconFile;
  std::unique_ptr<TGraphic> FIcon;

  // The loader's direct writes: no events, no Modified mark.
  void LoadTexts(const std::string& Application, const std::string& Parameters, const std::string& Caption,
                 const std::string& Hint);
  void LoadChecked(bool Value) { FChecked = Value; }
};

// ---------------------------------------------------------------------------------------------
// TDynamicSubMenu: an item whose children are items and submenus. Its Application and
// Parameters stay in memory but are never stored.

class TDynamicSubMenu : public TDynamicMenuItem {
public:
  explicit TDynamicSubMenu(const TTreeItemsClass& ItemsClass);

  // Only a TDynamicSubMenu source is taken: inside an update bracket, the item's own values
  // (TDynamicMenuItem::Assign), then the children are replaced by copies of the source's, in
  // order, recursively. A source inside this submenu's own subtree is copied through a detached
  // copy; a child of the source that holds this submenu is copied without its children.
  void Assign(TPersistent* Source) override;
  // Changing; the own state; the same value for every child in order (the whole branch);
  // Changed.
  void SetChecked(bool Value) override;
  // The submenu's keys, then its children's with the following numbers.
  void SaveToIni(TCustomIniFile& IniFile, const std::string& Section, int& Number) override;
};

// ---------------------------------------------------------------------------------------------
// TDynamicMenuItems: the item collection with the item factory

class TDynamicMenuItems : public TCustomMenuItems {
public:
  TDynamicMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem);

  // Set only while AddSubMenu runs: tells the factory to make a submenu.
  bool SubMenu() const { return FSubMenu; }

  TDynamicMenuItem* GetItem(int Index) const { return dynamic_cast<TDynamicMenuItem*>(TTreeItems::GetItem(Index)); }
  TDynamicMenuItem* operator[](int Index) const { return GetItem(Index); }

  using TTreeItems::AddItem;
  // A new plain item: below a parent in this collection, at the top level in the category of the
  // first file type of the menu's list.
  TDynamicMenuItem* AddItem();
  // The same with a submenu.
  TDynamicSubMenu* AddSubMenu();

  // Collection's parent must be a submenu or a file-type category, else "Can not add subitem for
  // an menu item"; a TDynamicSubMenu while SubMenu is set, else a TDynamicMenuItem, added to
  // Collection through the tree's AddItem (validated and announced).
  TCustomMenuItem* CreateItem(TCustomMenuItems* Collection) override;
  // A TXFileTypeCategory made directly in Collection (no validation, no item-added event).
  TCustomFileTypeCategory* CreateCategory(TCustomMenuItems* Collection) override;

private:
  bool FSubMenu = false;
};

// ---------------------------------------------------------------------------------------------
// TDynamicMenu

class TDynamicMenu : public TCustomMenu {
public:
  explicit TDynamicMenu(TFileTypes* FileTypes);

  TDynamicMenuItems* GetItems() const { return static_cast<TDynamicMenuItems*>(Items()); }

  // Replaces the whole tree by the items of Section, read through any INI object. Without file
  // types: "FileTypes property not set or empty" and the menu is unchanged. Problems of single
  // items go to ErrorLog and the load goes on: an unknown file type (the item goes to the first
  // type's category), a "Parent" that names no submenu loaded before it (the item goes to the top
  // level of its category), an icon that cannot be loaded (the index is kept), a bad "Checked".
  // Items without a file type are skipped. The menu stays modified when something was logged.
  void LoadFromIni(TCustomIniFile& IniFile, const std::string& Section) override;
  // Rewrites Section: the items numbered from 1 in pre-order, categories in root order, then
  // "Count". Without file types: "FileTypes property not set or empty" and nothing is written.
  // Clears ErrorLog and every Modified mark.
  void SaveToIni(TCustomIniFile& IniFile, const std::string& Section) override;

private:
  using TLoadedItems = std::unordered_map<int, TDynamicMenuItem*>;

  void LoadItem(TCustomIniFile& IniFile, const std::string& Section, int Number, TLoadedItems& Loaded);
  // Moves Item to the category of the type named TypeName, or of the list's first type (logged).
  void ResolveFileType(TDynamicMenuItem* Item, const std::string& TypeName);
  // Logs an item that "Parent" names a submenu for and that does not stand in it.
  void CheckParent(TDynamicMenuItem* Item, int ParentNumber, TDynamicSubMenu* Parent);
  // The item's icon index, kept (and logged) when its icon cannot be loaded.
  void LoadIconIndex(TDynamicMenuItem* Item, int Value);
};
