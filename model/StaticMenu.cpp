// The static menu: shell-verb keys and section "Static Items".
#include "model/StaticMenu.h"

#include "classlib/core/Registry.h"
#include "classlib/core/SysUtils.h"
#include "classlib/core/ResStrings.h"
#include "model/FileTypes.h"
#include "model/RegistryEx.h"
#include "resources/strings/MenuItems.h"

const char* const StaticVerbSuffix = " (*)";

void RemoveStoreKey(TStoreInfo& StoreInfo, TRegistryJournal* Journal) {
  if (!StoreInfo.Stored()) return;
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  const std::string& KeyPath = StoreInfo.KeyPath();
  if (Journal) Journal->Remember(KeyPath);
  TRegistryEx::DeleteKey(Registry, KeyPath);
  // The parent: the path up to and including its last "\" or ":".
  const size_t Last = KeyPath.find_last_of("\\:");
  if (Last != std::string::npos && Last > 0) {
    std::string Parent = KeyPath.substr(0, Last + 1);
    if (Registry.OpenKey(Parent, false)) {
      const bool Empty = !Registry.HasSubKeys();
      Registry.CloseKey();
      if (Empty) {
        while (!Parent.empty() && (Parent.back() == '\\' || Parent.back() == ':')) Parent.pop_back();
        if (!Parent.empty()) {
          if (Journal) Journal->Remember(Parent);
          TRegistryEx::DeleteKey(Registry, Parent);
        }
      }
    }
  }
  StoreInfo.Clear();
}

// ---------------------------------------------------------------------------------------------
// TStaticMenuItem

TStaticMenuItem::TStaticMenuItem(const TTreeItemsClass& ItemsClass) : TCustomMenuItem(ItemsClass) {}

void TStaticMenuItem::BeforeDestruction() {
  try {
    if (TStaticMenu* Menu = GetStaticMenu()) Menu->RememberDeleted(this);
  } catch (...) {
  }
  TCustomMenuItem::BeforeDestruction();
}

TStaticMenu* TStaticMenuItem::GetStaticMenu() const { return dynamic_cast<TStaticMenu*>(GetTree()); }

std::string TStaticMenuItem::GetKeyPath() const {
  TFileType* FileType = GetFileType();
  return "\\" + (FileType != nullptr ? FileType->Name() : std::string()) + "\\shell\\" + Caption() + StaticVerbSuffix;
}

bool TStaticMenuItem::KeyExists() const {
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  return Registry.KeyExists(GetKeyPath());
}

void TStaticMenuItem::SetStored(bool Value) {
  if (Value)
    FStoreInfo.SetStored(GetKeyPath());
  else
    FStoreInfo.Clear();
}

void TStaticMenuItem::RemoveStoredKey(TRegistryJournal* Journal) {
  if (IsStored()) RemoveStoreKey(FStoreInfo, Journal);
}

std::string VerbCommand(const std::string& Application, const std::string& Parameters) {
  // Unquoted, the system would split the path at its first blank; a quoted path is taken as it is.
  const std::string Path = UnquotedPath(Application);
  return (Path.find(' ') != std::string::npos ? "\"" + Path + "\"" : Application) + " " + Parameters;
}

void TStaticMenuItem::WriteItemRegistry(TRegistryJournal* Journal) {
  if (!Checked()) return;
  TRegistry Registry;
  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  const std::string KeyPath = GetKeyPath();
  if (Journal) {
    Journal->RememberMissingParents(KeyPath);
    Journal->Remember(KeyPath);
  }
  TRegistryEx::OpenKey(Registry, KeyPath, true);
  Registry.WriteString("", Caption());
  TRegistryEx::OpenKey(Registry, "command", true);
  Registry.WriteString("", VerbCommand(Application(), Parameters()));
  FStoreInfo.SetStored(KeyPath);
}

// ---------------------------------------------------------------------------------------------
// TStaticMenuItems

TStaticMenuItems::TStaticMenuItems(TTreeCollection* Tree, TTreeItem* ParentItem) : TCustomMenuItems(Tree, ParentItem) {}

TCustomMenuItem* TStaticMenuItems::CreateItem(TCustomMenuItems* Collection) {
  if (dynamic_cast<TCustomFileTypeCategory*>(Collection->ParentItem()) == nullptr)
    throw EMenuItemsError(LoadResString(SCantAddSubItem));
  return static_cast<TCustomMenuItem*>(
      Collection->TTreeItems::AddItem(TreeItemClass<TStaticMenuItem>(), TreeItemsClass<TStaticMenuItems>()));
}

TCustomFileTypeCategory* TStaticMenuItems::CreateCategory(TCustomMenuItems* Collection) {
  return static_cast<TCustomFileTypeCategory*>(
      Collection->TTreeItems::AddItem(TreeItemClass<TFileTypeCategory>(), TreeItemsClass<TStaticMenuItems>()));
}

// ---------------------------------------------------------------------------------------------
// TStaticMenu

TStaticMenu::TStaticMenu(TFileTypes* FileTypes) : TCustomMenu(TreeItemsClass<TStaticMenuItems>(), FileTypes) {}

TStaticMenu::~TStaticMenu() {
  FTrackDeleted = false;
  DestroyItems();
  ClearDeletedItems(false);
}

void TStaticMenu::BeforeDestruction() {
  FTrackDeleted = false;
  TCustomMenu::BeforeDestruction();
}

void TStaticMenu::RememberDeleted(TStaticMenuItem* Item) {
  if (FTrackDeleted && Item->IsStored()) FDeletedItems.push_back(Item->StoreInfo());
}

void TStaticMenu::ClearDeletedItems(bool RemoveKeys, TRegistryJournal* Journal) {
  while (!FDeletedItems.empty()) {
    if (RemoveKeys) RemoveStoreKey(FDeletedItems.back(), Journal);
    FDeletedItems.pop_back();
  }
}

void TStaticMenu::WriteRegistry(TRegistryJournal* Journal) {
  CheckFileTypes();
  ForEachItem([Journal](TStaticMenuItem* Item) { Item->RemoveStoredKey(Journal); });
  ClearDeletedItems(true, Journal);
  ForEachItem([Journal](TStaticMenuItem* Item) { Item->WriteItemRegistry(Journal); });
}

void TStaticMenu::SaveToIni(TCustomIniFile& IniFile, const std::string& Section) {
  CheckFileTypes();
  ErrorLog()->Clear();
  // A step that fails puts back the keys and the records as they were before the first one.
  TRegistryJournal Journal(HKEY_CLASSES_ROOT);
  std::vector<std::pair<TStaticMenuItem*, TStoreInfo>> Records;
  ForEachItem([&Records](TStaticMenuItem* Item) { Records.emplace_back(Item, Item->StoreInfo()); });
  const std::vector<TStoreInfo> Deleted = FDeletedItems;
  try {
    WriteRegistry(&Journal);
    IniFile.EraseSection(Section);
    int N = 0;
    ForEachItem([&](TStaticMenuItem* Item) {
      const std::string Number = IntToStr(N);
      TFileType* FileType = Item->GetFileType();
      IniFile.WriteString(Section, "Application" + Number, Item->Application());
      IniFile.WriteString(Section, "Parameters" + Number, Item->Parameters());
      IniFile.WriteString(Section, "Caption" + Number, Item->Caption());
      IniFile.WriteInteger(Section, "Checked" + Number, Item->Checked() ? 1 : 0);
      IniFile.WriteString(Section, "FileType" + Number, FileType != nullptr ? FileType->Name() : std::string());
      ++N;
    });
    IniFile.WriteInteger(Section, "Count", N);
    IniFile.UpdateFile();
  } catch (...) {
    Journal.Undo();
    for (auto& [Item, Info] : Records) Item->StoreInfo().Assign(&Info);
    FDeletedItems = Deleted;
    throw;
  }
  ForEachItem([](TStaticMenuItem* Item) { Item->SetModified(false); });
  SetModified(false);
}

void TStaticMenu::LoadFromIni(TCustomIniFile& IniFile, const std::string& Section) {
  CheckFileTypes();
  TFileTypes* Types = FileTypes();
  BeginLoad();
  try {
    ClearItems();
    const int Count = IniFile.ReadInteger(Section, "Count", 0);
    for (int N = 0; N < Count; ++N) {
      const std::string Number = IntToStr(N);
      const std::string TypeName = IniFile.ReadString(Section, "FileType" + Number, "");
      if (TypeName.empty()) continue;
      auto* Item = static_cast<TStaticMenuItem*>(GetItems()->AddItem());
      Item->LoadTexts(IniFile.ReadString(Section, "Application" + Number, ""),
                      IniFile.ReadString(Section, "Parameters" + Number, ""),
                      IniFile.ReadString(Section, "Caption" + Number, ""));
      if (TFileType* FileType = Types->FindByName(TypeName)) {
        Item->SetFileType(FileType);
      } else {
        TFileType* First = Types->GetItem(0);
        Item->SetFileType(First);
        ErrorLog()->Add(Format(LoadResString(SMenuFileTypeNotFound), {TypeName, Item->Caption(), First->Description()}));
      }
      const int Checked = IniFile.ReadInteger(Section, "Checked" + Number, 0);
      if (Checked == 0 || Checked == 1) {
        Item->LoadChecked(Checked == 1);
      } else {
        Item->LoadChecked(false);
        ErrorLog()->Add(Format(LoadResString(SMenuInvalidChecked), {Item->Caption()}));
      }
      if (Item->Checked()) {
        // A verb key that cannot be read or written leaves the item without a record; the item
        // stays, so that the next save keeps it in the section.
        try {
          if (Item->KeyExists())
            Item->SetStored(true);
          else
            Item->WriteItemRegistry();
        } catch (const Exception& E) {
          TFileType* FileType = Item->GetFileType();
          ErrorLog()->Add(Format(LoadResString(SStaticItemRegistryError),
                                 {Item->Caption(), FileType != nullptr ? FileType->Name() : std::string(), E.Message()}));
        }
      }
      Item->SetModified(false);
    }
    ExpandAll();
  } catch (...) {
    EndLoad();
    throw;
  }
  EndLoad();
}
