// The dynamic menu: items, submenus and separators with hints and icons, and their INI section.
#include "model/DynamicMenu.h"

#include "classlib/core/PngImage.h"
#include "classlib/core/ResStrings.h"
#include "model/FileTypes.h"
#include "resources/strings/DynamicMenu.h"
#include "resources/strings/MenuItems.h"
#include "resources/strings/Utils.h"

#include <shellapi.h>

#include <vector>

namespace {

// Key stems of the section; the item's number follows with nothing between.
const char* const KeyParent = "Parent";
const char* const KeyApplication = "Application";
const char* const KeyParameters = "Parameters";
const char* const KeyCaption = "Caption";
const char* const KeyHint = "Hint";
const char* const KeyIconFile = "IconFile";
const char* const KeyIconIndex = "IconIndex";
const char* const KeyChecked = "Checked";
const char* const KeyFileType = "FileType";
const char* const KeyIsSeparator = "IsSeparator";
const char* const KeySubmenu = "Submenu";
const char* const KeyCount = "Count";

bool IsPngFile(const std::string& FileName) { return AnsiSameText(ExtractFileExt(FileName), ".png"); }

// Runs Body inside Item's update bracket, which is closed in any case.
template <class TBody>
void InItemUpdate(TTreeItem& Item, TBody Body) {
  Item.BeginUpdate();
  try {
    Body();
  } catch (...) {
    Item.EndUpdate();
    throw;
  }
  Item.EndUpdate();
}

// Frees every item of Collection from the last, inside its update bracket.
void ClearCollection(TTreeItems& Collection) {
  Collection.BeginUpdate();
  try {
    while (Collection.Count() > 0) {
      TTreeItem* Item = Collection.GetItem(Collection.Count() - 1);
      delete Item;
    }
  } catch (...) {
    Collection.EndUpdate();
    throw;
  }
  Collection.EndUpdate();
}

}  // namespace

const std::string& SeparatorCaption() {
  static const std::string Caption(18, static_cast<char>(151));
  return Caption;
}

TXFileTypeCategory::TXFileTypeCategory(const TTreeItemsClass& ItemsClass) : TCustomFileTypeCategory(ItemsClass) {}

// ---------------------------------------------------------------------------------------------
// TDynamicMenuItem

TDynamicMenuItem::TDynamicMenuItem(const TTreeItemsClass& ItemsClass)
    : TCustomMenuItem(ItemsClass), FIcon(std::make_unique<TIcon>()) {}

TDynamicMenuItem::~TDynamicMenuItem() = default;

void TDynamicMenuItem::Assign(TPersistent* Source) {
  auto* Item = dynamic_cast<TDynamicMenuItem*>(Source);
  if (Item == nullptr || Item == this) return;
  InItemUpdate(*this, [&] {
    TCustomMenuItem::Assign(Source);
    if (Item->FIsSeparator != FIsSeparator) {
      Changing();
      FIsSeparator = Item->FIsSeparator;
      Changed();
    }
    SetHint(Item->FHint);
    SetIconFile(Item->FIconFile);
    LoadIconIndex(Item->FIconIndex);
  });
}

void TDynamicMenuItem::SetHint(const std::string& Value) { SetField(FHint, Value); }

void TDynamicMenuItem::SetIconFile(const std::string& Value) {
  if (Value == FIconFile) return;
  FIconFile = Value;
  FIconIndex = -1;
  FIcon = std::make_unique<TIcon>();
}

void TDynamicMenuItem::SetIconIndex(int Value) {
  if (Value == FIconIndex) return;
  const bool Png = IsPngFile(FIconFile);
  if (Png)
    FIcon = std::make_unique<TPNGObject>();
  else
    FIcon = std::make_unique<TIcon>();
  if (Value >= 0 && !FIconFile.empty()) {
    try {
      if (Png)
        FIcon->LoadFromFile(FIconFile);
      else
        static_cast<TIcon*>(FIcon.get())->SetHandle(ExtractItemIcon(FIconFile, Value, true));
    } catch (...) {
      // No picture: the index stays as it was.
      if (Png)
        FIcon = std::make_unique<TPNGObject>();
      else
        FIcon = std::make_unique<TIcon>();
      return;
    }
  }
  Changing();
  FIconIndex = Value;
  Changed();
}

bool TDynamicMenuItem::LoadIconIndex(int Value) {
  SetIconIndex(Value);
  if (FIconIndex == Value) return true;
  FIconIndex = Value;
  return false;
}

void TDynamicMenuItem::SetIsSeparator(bool Value) {
  if (Value == FIsSeparator) return;
  Changing();
  SetCaption(SeparatorCaption());
  SetApplication(std::string());
  SetParameters(std::string());
  SetHint(std::string());
  SetIconFile(std::string());
  SetIconIndex(-1);
  FIsSeparator = Value;
  Changed();
}

HICON TDynamicMenuItem::ExtractItemIcon(const std::string& File, int Index, bool Small) {
  HICON Large = nullptr, SmallIcon = nullptr;
  const UINT Count = ExtractIconExA(File.c_str(), Index, &Large, &SmallIcon, 1);
  // A failed call may leave junk in both handles: they are touched only after a success.
  if (Count != 1 && Count != 2) throw Exception(LoadResString(SErrorExtractingIcon));
  if (Small) {
    if (Large != nullptr) DestroyIcon(Large);
    return SmallIcon;
  }
  if (SmallIcon != nullptr) DestroyIcon(SmallIcon);
  return Large;
}

TDynamicMenuItems* TDynamicMenuItem::GetItems() const { return dynamic_cast<TDynamicMenuItems*>(Items()); }

TDynamicSubMenu* TDynamicMenuItem::GetParentSubMenu() const {
  TTreeItems* Collection = TTreeItem::GetCollection();
  return Collection != nullptr ? dynamic_cast<TDynamicSubMenu*>(Collection->ParentItem()) : nullptr;
}

int TDynamicMenuItem::ParentNumber() const {
  TDynamicSubMenu* Parent = GetParentSubMenu();
  return Parent != nullptr ? Parent->SaveNumber() : 0;
}

std::string TDynamicMenuItem::FileTypeName() const {
  TFileType* FileType = GetFileType();
  return FileType != nullptr ? FileType->Name() : std::string();
}

void TDynamicMenuItem::LoadTexts(const std::string& Application, const std::string& Parameters,
                                 const std::string& Caption, const std::string& Hint) {
  FApplication = Application;
  FParameters = Parameters;
  FCaption = Caption;
  FHint = Hint;
}

void TDynamicMenuItem::SaveToIni(TCustomIniFile& IniFile, const std::string& Section, int& Number) {
  FSaveNumber = Number;
  const std::string N = IntToStr(Number);
  IniFile.WriteInteger(Section, KeyParent + N, ParentNumber());
  if (FIsSeparator) {
    IniFile.WriteInteger(Section, KeyIsSeparator + N, 1);
  } else {
    IniFile.WriteString(Section, KeyApplication + N, FApplication);
    IniFile.WriteString(Section, KeyParameters + N, FParameters);
    IniFile.WriteString(Section, KeyCaption + N, FCaption);
    IniFile.WriteString(Section, KeyHint + N, FHint);
    IniFile.WriteString(Section, KeyIconFile + N, FIconFile);
    IniFile.WriteInteger(Section, KeyIconIndex + N, FIconIndex);
  }
  IniFile.WriteInteger(Section, KeyChecked + N, FChecked ? 1 : 0);
  IniFile.WriteString(Section, KeyFileType + N, FileTypeName());
  ++Number;
  SetModified(false);
}

// ---------------------------------------------------------------------------------------------
// TDynamicSubMenu

TDynamicSubMenu::TDynamicSubMenu(const TTreeItemsClass& ItemsClass) : TDynamicMenuItem(ItemsClass) {}

void TDynamicSubMenu::Assign(TPersistent* Source) {
  auto* SubSource = dynamic_cast<TDynamicSubMenu*>(Source);
  if (SubSource == nullptr || SubSource == this) return;
  if (SubSource->IsDescendantOf(this)) {
    // Replacing the own children would free the source: copy it aside first.
    TDynamicSubMenu* Copy = NewTreeItem<TDynamicSubMenu>(ItemsClass());
    try {
      Copy->Assign(SubSource);
      Assign(Copy);
    } catch (...) {
      delete Copy;
      throw;
    }
    delete Copy;
    return;
  }
  InItemUpdate(*this, [&] {
    TDynamicMenuItem::Assign(SubSource);
    TDynamicMenuItems* Own = GetItems();
    TTreeItems* From = SubSource->Items();
    if (Own == nullptr || From == nullptr) return;
    std::vector<TDynamicMenuItem*> Children;
    for (int I = 0; I < From->Count(); ++I)
      if (auto* Child = dynamic_cast<TDynamicMenuItem*>(From->GetItem(I))) Children.push_back(Child);
    ClearCollection(*Own);
    for (TDynamicMenuItem* Child : Children) {
      auto* SubChild = dynamic_cast<TDynamicSubMenu*>(Child);
      TDynamicMenuItem* Copy = SubChild != nullptr ? Own->AddSubMenu() : Own->AddItem();
      // A child that holds this submenu (a copy into its own subtree) is copied without its
      // children, which would hold the copy being made.
      if (SubChild != nullptr && IsDescendantOf(SubChild))
        Copy->TDynamicMenuItem::Assign(Child);
      else
        Copy->Assign(Child);
    }
  });
}

void TDynamicSubMenu::SetChecked(bool Value) {
  Changing();
  TDynamicMenuItem::SetChecked(Value);
  if (TTreeItems* Children = Items()) {
    for (int I = 0; I < Children->Count(); ++I)
      if (auto* Child = dynamic_cast<TCustomMenuItem*>(Children->GetItem(I))) Child->SetChecked(Value);
  }
  Changed();
}

void TDynamicSubMenu::SaveToIni(TCustomIniFile& IniFile, const std::string& Section, int& Number) {
  FSaveNumber = Number;
  const std::string N = IntToStr(Number);
  IniFile.WriteInteger(Section, KeyParent + N, ParentNumber());
  IniFile.WriteString(Section, KeyCaption + N, FCaption);
  IniFile.WriteInteger(Section, KeyChecked + N, FChecked ? 1 : 0);
  IniFile.WriteString(Section, KeyFileType + N, FileTypeName());
  IniFile.WriteString(Section, KeyHint + N, Hint());
  IniFile.WriteString(Section, KeyIconFile + N, IconFile());
  IniFile.WriteInteger(Section, KeyIconIndex + N, IconIndex());
  IniFile.WriteInteger(Section, KeySubmenu + N, 1);
  ++Number;
  if (TTreeItems* Children = Items()) {
    for (int I = 0; I < Children->Count(); ++I)
      if (auto* Child = dynamic_cast<TDynamicMenuItem*>(Children->GetItem(I)))
        Child->SaveToIni(IniFile, Section, Number);
  }
  SetModified(false);
}

// ---------------------------------------------------------------------------------------------
// TDynamicMenuItems

TDynamicMenuItems::TDynamicMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem)
    : TCustomMenuItems(Tree, ParentItem) {}

TDynamicMenuItem* TDynamicMenuItems::AddItem() { return static_cast<TDynamicMenuItem*>(TCustomMenuItems::AddItem()); }

TDynamicSubMenu* TDynamicMenuItems::AddSubMenu() {
  FSubMenu = true;
  TCustomMenuItem* Item = nullptr;
  try {
    Item = TCustomMenuItems::AddItem();
  } catch (...) {
    FSubMenu = false;
    throw;
  }
  FSubMenu = false;
  return static_cast<TDynamicSubMenu*>(Item);
}

TCustomMenuItem* TDynamicMenuItems::CreateItem(TCustomMenuItems* Collection) {
  TTreeItem* Parent = Collection != nullptr ? Collection->ParentItem() : nullptr;
  if (dynamic_cast<TDynamicSubMenu*>(Parent) == nullptr && dynamic_cast<TCustomFileTypeCategory*>(Parent) == nullptr)
    throw EMenuItemsError(LoadResString(SCantAddSubItem));
  const TTreeItemsClass ChildClass = TreeItemsClass<TDynamicMenuItems>();
  if (FSubMenu) return static_cast<TDynamicSubMenu*>(Collection->AddItem(TreeItemClass<TDynamicSubMenu>(), ChildClass));
  return static_cast<TDynamicMenuItem*>(Collection->AddItem(TreeItemClass<TDynamicMenuItem>(), ChildClass));
}

TCustomFileTypeCategory* TDynamicMenuItems::CreateCategory(TCustomMenuItems* Collection) {
  return NewTreeItem<TXFileTypeCategory>(TreeItemsClass<TDynamicMenuItems>(), Collection);
}

// ---------------------------------------------------------------------------------------------
// TDynamicMenu

TDynamicMenu::TDynamicMenu(TFileTypes* FileTypes) : TCustomMenu(TreeItemsClass<TDynamicMenuItems>(), FileTypes) {}

void TDynamicMenu::SaveToIni(TCustomIniFile& IniFile, const std::string& Section) {
  CheckFileTypes();
  ErrorLog()->Clear();
  IniFile.EraseSection(Section);
  int Number = 1;
  TTreeItems* Root = Items();
  for (int C = 0; C < Root->Count(); ++C) {
    TTreeItems* Category = Root->GetItem(C)->Items();
    if (Category == nullptr) continue;
    for (int I = 0; I < Category->Count(); ++I)
      if (auto* Item = dynamic_cast<TDynamicMenuItem*>(Category->GetItem(I))) Item->SaveToIni(IniFile, Section, Number);
  }
  IniFile.WriteInteger(Section, KeyCount, Number - 1);
  SetModified(false);
}

void TDynamicMenu::LoadFromIni(TCustomIniFile& IniFile, const std::string& Section) {
  CheckFileTypes();
  BeginLoad();
  try {
    ClearItems();
    const int Count = IniFile.ReadInteger(Section, KeyCount, 0);
    // Every loaded item by its number. The section numbers items in pre-order, so a "Parent"
    // names an item loaded before; the map finds it wherever it went.
    TLoadedItems Loaded;
    for (int N = 1; N <= Count; ++N) LoadItem(IniFile, Section, N, Loaded);
    ExpandAll();
  } catch (...) {
    EndLoad();
    throw;
  }
  EndLoad();
}

void TDynamicMenu::LoadItem(TCustomIniFile& IniFile, const std::string& Section, int Number, TLoadedItems& Loaded) {
  const std::string N = IntToStr(Number);
  const int ParentNumber = IniFile.ReadInteger(Section, KeyParent + N, 0);
  const std::string TypeName = IniFile.ReadString(Section, KeyFileType + N, "");
  if (TypeName.empty()) return;

  // The target collection: the root, or the children of the submenu that "Parent" names. A
  // number that names no submenu loaded before this item puts it at the top level (logged below).
  TDynamicMenuItems* Target = GetItems();
  TDynamicSubMenu* Parent = nullptr;
  if (ParentNumber != 0) {
    const auto Found = Loaded.find(ParentNumber);
    if (Found != Loaded.end()) Parent = dynamic_cast<TDynamicSubMenu*>(Found->second);
    if (Parent != nullptr) Target = Parent->GetItems();
  }

  TDynamicMenuItem* Item;
  if (IniFile.ReadInteger(Section, KeySubmenu + N, 0) == 1) {
    Item = Target->AddSubMenu();
    Item->FCaption = IniFile.ReadString(Section, KeyCaption + N, "");
    Item->FHint = IniFile.ReadString(Section, KeyHint + N, "");
    Item->SetIconFile(IniFile.ReadString(Section, KeyIconFile + N, ""));
    ResolveFileType(Item, TypeName);
    CheckParent(Item, ParentNumber, Parent);
    LoadIconIndex(Item, IniFile.ReadInteger(Section, KeyIconIndex + N, 0));
  } else {
    Item = Target->AddItem();
    Item->SetIsSeparator((IniFile.ReadInteger(Section, KeyIsSeparator + N, 0) & 0xFF) != 0);
    if (!Item->IsSeparator())
      Item->LoadTexts(IniFile.ReadString(Section, KeyApplication + N, ""),
                      IniFile.ReadString(Section, KeyParameters + N, ""),
                      IniFile.ReadString(Section, KeyCaption + N, ""), IniFile.ReadString(Section, KeyHint + N, ""));
    ResolveFileType(Item, TypeName);
    CheckParent(Item, ParentNumber, Parent);
    if (!Item->IsSeparator()) {
      Item->SetIconFile(IniFile.ReadString(Section, KeyIconFile + N, ""));
      LoadIconIndex(Item, IniFile.ReadInteger(Section, KeyIconIndex + N, 0));
    }
  }

  const int Checked = IniFile.ReadInteger(Section, KeyChecked + N, 0);
  if (Checked == 0 || Checked == 1) {
    Item->LoadChecked(Checked == 1);
  } else {
    Item->LoadChecked(false);
    ErrorLog()->Add(Format(LoadResString(SMenuInvalidChecked), {Item->Caption()}));
  }
  Item->FSaveNumber = Number;
  Loaded[Number] = Item;
  Item->SetModified(false);
}

void TDynamicMenu::ResolveFileType(TDynamicMenuItem* Item, const std::string& TypeName) {
  if (TFileType* FileType = FileTypes()->FindByName(TypeName)) {
    Item->SetFileType(FileType);
    return;
  }
  TFileType* First = FileTypes()->GetItem(0);
  Item->SetFileType(First);
  ErrorLog()->Add(Format(LoadResString(SMenuFileTypeNotFound), {TypeName, Item->Caption(), First->Description()}));
}

void TDynamicMenu::CheckParent(TDynamicMenuItem* Item, int ParentNumber, TDynamicSubMenu* Parent) {
  // A usable parent is no problem, also when the item went to its own file type's category; a
  // number of no item loaded before, or of a plain item or separator, is.
  if (ParentNumber == 0 || Parent != nullptr) return;
  TCustomFileTypeCategory* Category = Item->GetCategory();
  ErrorLog()->Add(Format(LoadResString(SDynamicInvalidParent),
                         {Item->Caption(), Category != nullptr ? Category->GetFileTypeCaption() : std::string()}));
}

void TDynamicMenu::LoadIconIndex(TDynamicMenuItem* Item, int Value) {
  if (!Item->LoadIconIndex(Value))
    ErrorLog()->Add(Format(LoadResString(SDynamicIconNotLoaded), {Value, Item->IconFile(), Item->Caption()}));
}
