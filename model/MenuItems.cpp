// The menu model: categorised tree, file-type categories, menu items and store records.
#include "model/MenuItems.h"

#include "classlib/core/ResStrings.h"
#include "model/FileTypeList.h"
#include "model/FileTypes.h"
#include "resources/strings/MenuItems.h"

#include <cassert>

std::string StripHotKeyMarkers(const std::string& Caption) {
  std::string Result;
  Result.reserve(Caption.size());
  for (char C : Caption)
    if (C != '&') Result += C;
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TCategorizedCollectionItem

TCategorizedCollectionItem::TCategorizedCollectionItem(const TTreeItemsClass& ItemsClass) : TTreeItem(ItemsClass) {}

TCategorizedCollectionItems* TCategorizedCollectionItem::GetCollection() const {
  return dynamic_cast<TCategorizedCollectionItems*>(TTreeItem::GetCollection());
}

TCategorizedCollectionItems* TCategorizedCollectionItem::GetItems() const {
  return dynamic_cast<TCategorizedCollectionItems*>(Items());
}

TCategorizedCollection* TCategorizedCollectionItem::GetCategorizedCollection() const {
  return dynamic_cast<TCategorizedCollection*>(GetTree());
}

void TCategorizedCollectionItem::ChangeCollection(TTreeItems* NewCollection) { TTreeItem::ChangeCollection(NewCollection); }

TCategorizedCollectionItem* TCategorizedCollectionItem::MoveTo(TCategorizedCollectionItem* Target, int Index,
                                                               bool Move) {
  TTreeItems* Source = TTreeItem::GetCollection();
  // Moving the only item of a collection may free its category: then the root is bracketed.
  TTreeItems* SourceBracket = nullptr;
  if (Move) {
    if (Source != nullptr && Source->Count() >= 2)
      SourceBracket = Source;
    else if (TTreeCollection* Tree = GetTree())
      SourceBracket = Tree->Items();
    if (SourceBracket != nullptr) SourceBracket->BeginUpdate();
  }
  const bool TargetBracket = Source == nullptr || Source->ParentItem() != Target;
  if (TargetBracket) Target->BeginUpdate();
  TCategorizedCollectionItem* Result = this;
  auto CloseBrackets = [&] {
    if (TargetBracket) Target->EndUpdate();
    if (SourceBracket != nullptr) SourceBracket->EndUpdate();
  };
  try {
    if (Move) {
      ChangeCollection(Target->Items());
      SetIndex(Index);
    } else {
      TTreeItem* Copy = Target->Items()->AddItem(ItemClass(), ItemsClass());
      Result = static_cast<TCategorizedCollectionItem*>(Copy);
      Copy->Assign(this);
      Copy->SetIndex(Index);
    }
  } catch (...) {
    CloseBrackets();
    throw;
  }
  CloseBrackets();
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TCategoryItem

TCategoryItem::TCategoryItem(const TTreeItemsClass& ItemsClass) : TCategorizedCollectionItem(ItemsClass) {}

void TCategoryItem::ChangeCollection(TTreeItems* NewCollection) {
  if (NewCollection != nullptr && NewCollection->ParentItem() != nullptr)
    throw EMenuItemsError(LoadResString(SCantAddCategoryForItem));
  TCategorizedCollectionItem::ChangeCollection(NewCollection);
}

// ---------------------------------------------------------------------------------------------
// TNodeItem

TNodeItem::TNodeItem(const TTreeItemsClass& ItemsClass) : TCategorizedCollectionItem(ItemsClass) {}

void TNodeItem::ReleaseOldCollection(TTreeItems* Old) noexcept {
  try {
    // Only the node's own bracket may be open: a collection that is being cleared (a bracket of
    // its own) must outlive its Clear.
    auto* Category = dynamic_cast<TCategoryItem*>(Old->ParentItem());
    if (Category != nullptr && Old->Count() == 0 && Old->UpdateCount() == 1) {
      TTreeItem* Item = Category;
      delete Item;  // the collection goes with it, bracket and all
    } else {
      Old->EndUpdate();
    }
  } catch (...) {
  }
}

void TNodeItem::ChangeCollection(TTreeItems* NewCollection) {
  if (NewCollection != nullptr && NewCollection->ParentItem() == nullptr)
    throw EMenuItemsError(LoadResString(SCantAddItemToTopLevel));
  TTreeItems* Old = TTreeItem::GetCollection();
  if (Old == NewCollection) return;
  const bool Bracketed = Old != nullptr && !Old->Destroying();
  if (Bracketed) Old->BeginUpdate();
  try {
    TCategorizedCollectionItem::ChangeCollection(NewCollection);
  } catch (...) {
    if (Bracketed) ReleaseOldCollection(Old);
    throw;
  }
  if (Bracketed) ReleaseOldCollection(Old);
}

void TNodeItem::BeforeDestruction() {
  TTreeItems* Old = TTreeItem::GetCollection();
  const bool Bracketed = Old != nullptr && !Old->Destroying();
  if (Bracketed) Old->BeginUpdate();
  TCategorizedCollectionItem::BeforeDestruction();
  if (Bracketed) ReleaseOldCollection(Old);
}

// ---------------------------------------------------------------------------------------------
// TCategorizedCollectionItems, TCategorizedCollection

TCategorizedCollectionItems::TCategorizedCollectionItems(TTreeCollection* Tree, TTreeItem* ParentItem)
    : TTreeItems(Tree, ParentItem) {}

TCategorizedCollection::TCategorizedCollection(const TTreeItemsClass& ItemsClass) : TTreeCollection(ItemsClass) {}

void TCategorizedCollection::DoValidateItem(TTreeItems* Collection, TTreeItem* Item) {
  const bool Root = Collection->ParentItem() == nullptr;
  if (dynamic_cast<TNodeItem*>(Item) != nullptr) {
    if (Root) throw EMenuItemsError(LoadResString(SCantAddItemToTopLevel));
  } else if (dynamic_cast<TCategoryItem*>(Item) != nullptr) {
    if (!Root) throw EMenuItemsError(LoadResString(SCantAddCategoryForItem));
  } else {
    throw EMenuItemsError(LoadResString(SInvalidTreeItemClass));
  }
  TTreeCollection::DoValidateItem(Collection, Item);
}

// ---------------------------------------------------------------------------------------------
// TCustomFileTypeCategory

TCustomFileTypeCategory::TCustomFileTypeCategory(const TTreeItemsClass& ItemsClass) : TCategoryItem(ItemsClass) {
  FFileTypeLink = new TFileTypeLink();
  FFileTypeLink->OnDestroy = [this](TObject* Sender, TFileType* FileType) { FileTypeNotify(Sender, FileType); };
  BindFileTypes();
}

TCustomFileTypeCategory::~TCustomFileTypeCategory() {
  FFileTypeLink->OnDestroy = nullptr;
  delete FFileTypeLink;
  FFileTypeLink = nullptr;
}

TCustomMenu* TCustomFileTypeCategory::GetMenu() const { return dynamic_cast<TCustomMenu*>(GetTree()); }

void TCustomFileTypeCategory::BindFileTypes() {
  TCustomMenu* Menu = GetMenu();
  FFileTypeLink->SetFileTypes(Menu != nullptr ? Menu->FileTypes() : nullptr);
}

void TCustomFileTypeCategory::ChangeCollection(TTreeItems* NewCollection) {
  TCategoryItem::ChangeCollection(NewCollection);
  BindFileTypes();
}

void TCustomFileTypeCategory::SetModified(bool) {}

TFileType* TCustomFileTypeCategory::GetFileType() const {
  return FFileTypeLink != nullptr ? FFileTypeLink->FileType() : nullptr;
}

void TCustomFileTypeCategory::SetFileType(TFileType* FileType) { FFileTypeLink->SetFileType(FileType); }

std::string TCustomFileTypeCategory::GetFileTypeCaption() const {
  TFileType* FileType = GetFileType();
  return FileType != nullptr ? FileType->Description() : std::string();
}

TCustomMenuItems* TCustomFileTypeCategory::GetItems() const { return dynamic_cast<TCustomMenuItems*>(Items()); }

void TCustomFileTypeCategory::FileTypeNotify(TObject*, TFileType* FileType) {
  // The link clears its type before it notifies: a category without a type has lost its own.
  TFileType* Current = GetFileType();
  if (FileType != nullptr && Current != nullptr && Current != FileType) return;
  try {
    TCustomMenu* Menu = GetMenu();
    TFileTypes* List = Menu != nullptr ? Menu->FileTypes() : nullptr;
    if (List == nullptr) return;
    // The type being freed is still in the list while its links hear of it.
    TFileType* First = nullptr;
    for (int I = 0; I < List->Count() && First == nullptr; ++I)
      if (List->GetItem(I) != FileType) First = List->GetItem(I);
    if (First == nullptr) return;
    FFileTypeLink->SetFileTypes(List);
    FFileTypeLink->SetFileType(First);
  } catch (...) {
    // a notification from the file-type model passes nothing back
  }
}

// ---------------------------------------------------------------------------------------------
// TCustomMenuItem

TCustomMenuItem::TCustomMenuItem(const TTreeItemsClass& ItemsClass)
    : TNodeItem(ItemsClass),
      FParameters(LoadResString(SNewItemParameters)),
      FCaption(LoadResString(SNewItemCaption)) {}

void TCustomMenuItem::Assign(TPersistent* Source) {
  if (auto* Item = dynamic_cast<TCustomMenuItem*>(Source)) {
    BeginUpdate();
    try {
      SetApplication(Item->Application());
      SetParameters(Item->Parameters());
      SetCaption(Item->Caption());
      SetChecked(Item->Checked());
      SetExpanded(Item->Expanded());
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TNodeItem::Assign(Source);
}

void TCustomMenuItem::SetApplication(const std::string& Value) { SetField(FApplication, Value); }

void TCustomMenuItem::SetParameters(const std::string& Value) { SetField(FParameters, Value); }

void TCustomMenuItem::SetCaption(const std::string& Value) { SetField(FCaption, Value); }

void TCustomMenuItem::SetChecked(bool Value) { SetField(FChecked, Value); }

TCustomFileTypeCategory* TCustomMenuItem::GetCategory() const {
  for (TTreeItems* Collection = TTreeItem::GetCollection(); Collection != nullptr;) {
    TTreeItem* Parent = Collection->ParentItem();
    if (Parent == nullptr) return nullptr;
    if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Parent)) return Category;
    Collection = Parent->GetCollection();
  }
  return nullptr;
}

void TCustomMenuItem::LoadTexts(const std::string& Application, const std::string& Parameters,
                                const std::string& Caption) {
  FApplication = Application;
  FParameters = Parameters;
  FCaption = Caption;
}

TCustomMenu* TCustomMenuItem::GetMenu() const { return dynamic_cast<TCustomMenu*>(GetTree()); }

TFileType* TCustomMenuItem::GetFileType() const {
  TCustomFileTypeCategory* Category = GetCategory();
  return Category != nullptr ? Category->GetFileType() : nullptr;
}

void TCustomMenuItem::SetFileType(TFileType* FileType) {
  TTreeItems* Collection = TTreeItem::GetCollection();
  if (Collection == nullptr) return;
  TCustomFileTypeCategory* Category = GetCategory();
  if (Category == nullptr || Category->GetFileType() == FileType) return;
  assert(FileType != nullptr && "SetFileType needs a file type");
  if (FileType == nullptr) return;
  auto* Root = dynamic_cast<TCustomMenuItems*>(Category->TTreeItem::GetCollection());
  if (Root == nullptr) return;
  TTreeCollection* Tree = GetTree();
  const bool Bracketed = Tree != nullptr && (Collection->Count() == 1 || !Root->HasCategory(FileType));
  if (Bracketed) Tree->BeginUpdate();
  try {
    TCustomFileTypeCategory* Target = Root->GetCategory(FileType);
    ChangeCollection(Target->Items());
  } catch (...) {
    if (Bracketed) Tree->EndUpdate();
    throw;
  }
  if (Bracketed) Tree->EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// TCustomMenuItems

TCustomMenuItems::TCustomMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem)
    : TCategorizedCollectionItems(Tree, ParentItem) {}

namespace {

int FileTypeIndex(const TCustomFileTypeCategory* Category) {
  TFileType* FileType = Category != nullptr ? Category->GetFileType() : nullptr;
  return FileType != nullptr ? FileType->Index() : -1;
}

}  // namespace

int TCustomMenuItems::Compare(int Index1, int Index2) {
  TTreeItem* Item1 = TTreeItems::GetItem(Index1);
  TTreeItem* Item2 = TTreeItems::GetItem(Index2);
  if (auto* Category = dynamic_cast<TCustomFileTypeCategory*>(Item1))
    return FileTypeIndex(Category) - FileTypeIndex(dynamic_cast<TCustomFileTypeCategory*>(Item2));
  if (auto* MenuItem1 = dynamic_cast<TCustomMenuItem*>(Item1)) {
    auto* MenuItem2 = dynamic_cast<TCustomMenuItem*>(Item2);
    if (MenuItem2 == nullptr) return -1;
    // Descending: the second caption against the first.
    return AnsiCompareStr(StripHotKeyMarkers(MenuItem2->Caption()), StripHotKeyMarkers(MenuItem1->Caption()));
  }
  return -1;
}

TCustomMenuItem* TCustomMenuItems::MenuItem(int Index) const {
  return dynamic_cast<TCustomMenuItem*>(TTreeItems::GetItem(Index));
}

TCustomFileTypeCategory* TCustomMenuItems::Category(int Index) const {
  return dynamic_cast<TCustomFileTypeCategory*>(TTreeItems::GetItem(Index));
}

TCustomMenu* TCustomMenuItems::GetMenu() const { return dynamic_cast<TCustomMenu*>(GetTree()); }

TCustomMenuItems* TCustomMenuItems::RootItems() const {
  if (TTreeCollection* Tree = GetTree()) return dynamic_cast<TCustomMenuItems*>(Tree->Items());
  const TTreeItems* Collection = this;
  while (Collection->ParentItem() != nullptr && Collection->ParentItem()->GetCollection() != nullptr)
    Collection = Collection->ParentItem()->GetCollection();
  return dynamic_cast<TCustomMenuItems*>(const_cast<TTreeItems*>(Collection));
}

TCustomMenuItem* TCustomMenuItems::AddItem() {
  if (ParentItem() != nullptr) return CreateItem(this);
  TCustomMenu* Menu = GetMenu();
  if (Menu == nullptr || !Menu->HasFileTypes()) throw EMenuItemsError(LoadResString(SFileTypesNotSet));
  TCustomFileTypeCategory* Category = GetCategory(Menu->FileTypes()->GetItem(0));
  TCustomMenuItems* Children = Category->GetItems();
  if (Children == nullptr) throw EMenuItemsError(LoadResString(SInvalidTreeItemClass));
  return CreateItem(Children);
}

bool TCustomMenuItems::HasCategory(TFileType* FileType) const { return FindCategory(FileType) != nullptr; }

TCustomFileTypeCategory* TCustomMenuItems::FindCategory(TFileType* FileType) const {
  TCustomMenuItems* Root = RootItems();
  if (Root == nullptr) return nullptr;
  for (int I = 0; I < Root->Count(); ++I) {
    TCustomFileTypeCategory* Category = Root->Category(I);
    if (Category != nullptr && Category->GetFileType() == FileType) return Category;
  }
  return nullptr;
}

TCustomFileTypeCategory* TCustomMenuItems::GetCategory(TFileType* FileType) {
  if (TCustomFileTypeCategory* Found = FindCategory(FileType)) return Found;
  TCustomMenuItems* Root = RootItems();
  if (Root == nullptr) throw EMenuItemsError(LoadResString(SInvalidTreeItemClass));
  TTreeCollection* Tree = GetTree();
  if (Tree != nullptr) Tree->BeginUpdate();
  TCustomFileTypeCategory* Category = nullptr;
  try {
    Category = CreateCategory(Root);
    Category->SetFileType(FileType);
    Root->Sort();
  } catch (...) {
    if (Tree != nullptr) Tree->EndUpdate();
    throw;
  }
  if (Tree != nullptr) Tree->EndUpdate();
  return Category;
}

// ---------------------------------------------------------------------------------------------
// TCustomMenu

TCustomMenu::TCustomMenu(const TTreeItemsClass& ItemsClass, TFileTypes* FileTypes)
    : TCategorizedCollection(ItemsClass), FFileTypes(FileTypes), FErrorLog(new TAdvStringList()) {}

TCustomMenu::~TCustomMenu() {
  // The items go while the menu's overrides still run.
  DestroyItems();
  delete FErrorLog;
}

bool TCustomMenu::GetModified() const { return FModified || TCategorizedCollection::GetModified(); }

void TCustomMenu::SetModified(bool Value) { FModified = Value; }

bool TCustomMenu::HasFileTypes() const { return FFileTypes != nullptr && FFileTypes->Count() > 0; }

void TCustomMenu::CheckFileTypes() const {
  if (!HasFileTypes()) throw EMenuItemsError(LoadResString(SFileTypesNotSet));
}

void TCustomMenu::DoValidateItem(TTreeItems* Collection, TTreeItem* Item) {
  if (dynamic_cast<TCustomFileTypeCategory*>(Item) == nullptr && dynamic_cast<TCustomMenuItem*>(Item) == nullptr)
    throw EMenuItemsError(LoadResString(SInvalidTreeItemClass));
  TCategorizedCollection::DoValidateItem(Collection, Item);
}

void TCustomMenu::DoChange(TTreeItems* Collection, TTreeItem* Item) {
  if (UpdateCount() <= 0) FModified = true;
  TCategorizedCollection::DoChange(Collection, Item);
}

void TCustomMenu::BeginLoad() {
  BeginUpdate();
  FErrorLog->Clear();
}

void TCustomMenu::EndLoad() {
  EndUpdate();
  if (FErrorLog->Count() == 0) SetModified(false);
  TCustomMenuItems* Root = GetItems();
  SetFocused(Root->Count() > 0 ? Root->GetItem(0) : nullptr);
}

void TCustomMenu::ClearItems() {
  TTreeItems* Root = Items();
  Root->BeginUpdate();
  try {
    while (Root->Count() > 0) {
      TTreeItem* Item = Root->GetItem(Root->Count() - 1);
      delete Item;
    }
  } catch (...) {
    Root->EndUpdate();
    throw;
  }
  Root->EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// TStoreInfo

void TStoreInfo::Assign(TPersistent* Source) {
  if (auto* Info = dynamic_cast<TStoreInfo*>(Source)) {
    FStored = Info->FStored;
    FKeyPath = Info->FKeyPath;
    return;
  }
  TPersistent::Assign(Source);
}

void TStoreInfo::Clear() {
  FStored = false;
  FKeyPath.clear();
}

void TStoreInfo::SetStored(const std::string& KeyPath) {
  FKeyPath = KeyPath;
  FStored = true;
}
