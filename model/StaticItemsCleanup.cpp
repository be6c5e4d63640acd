#include "model/StaticItemsCleanup.h"

#include "classlib/core/Registry.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "model/RegistryEx.h"
#include "model/Utils.h"
#include "resources/strings/Utils.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

const std::string StandardVerbs[] = {"openas", "find",     "explore",  "open",    "print", "properties",
                                     "printto", "openwith", "opennew", "edit",   "play",  "runas"};
constexpr int StandardVerbsHigh = static_cast<int>(std::size(StandardVerbs)) - 1;

std::string WithoutLeadingDelimiter(const std::string& Key) {
  return (!Key.empty() && Key[0] == '\\') ? Key.substr(1) : Key;
}

// Corvane's own verbs: the first "(*)" of the name ends it.
bool IsOwnVerb(const std::string& Name) {
  const std::string::size_type At = Name.find("(*)");
  return At != std::string::npos && At + 3 == Name.size();
}

bool Contains(const std::vector<TMenuItemRec*>& List, const TMenuItemRec* Rec) {
  return std::find(List.begin(), List.end(), Rec) != List.end();
}

// Puts Rec into List or takes it out; answers whether that changed the list.
bool Mark(std::vector<TMenuItemRec*>& List, TMenuItemRec* Rec, bool Value) {
  const auto It = std::find(List.begin(), List.end(), Rec);
  if (Value == (It != List.end())) return false;
  if (Value)
    List.push_back(Rec);
  else
    List.erase(It);
  return true;
}

}  // namespace

std::string TMenuItemRec::GetRegistryPath() const {
  const std::string Prefix = DisabledStaticItemsKey;
  const std::string::size_type At = KeyPath.find(Prefix);
  return At == std::string::npos ? KeyPath : KeyPath.substr(At + Prefix.size());
}

// ---------------------------------------------------------------------------------------------
// TStaticItems

TStaticItems::TStaticItems(TStaticItemsCleanup* AOwner, const std::string& AShellKey)
    : FOwner(AOwner), FShellKey(AShellKey) {}

TStaticItems::~TStaticItems() { Clear(); }

void TStaticItems::Clear() {
  FDisabled.clear();
  FDeleted.clear();
  for (int I = 0; I < FItems.Count(); ++I) delete FItems.Objects(I);
  FItems.Clear();
}

TMenuItemRec* TStaticItems::GetItem(int Index) const { return static_cast<TMenuItemRec*>(FItems.Objects(Index)); }

bool TStaticItems::IsDisabled(int Index) const { return Contains(FDisabled, GetItem(Index)); }

bool TStaticItems::IsDeleted(int Index) const { return Contains(FDeleted, GetItem(Index)); }

void TStaticItems::SetDisabled(int Index, bool Value) {
  if (Mark(FDisabled, GetItem(Index), Value)) FOwner->Changed();
}

void TStaticItems::SetDeleted(int Index, bool Value) {
  if (Mark(FDeleted, GetItem(Index), Value)) FOwner->Changed();
}

void TStaticItems::DeleteAll() {
  auto Update = UpdateScope(*FOwner);
  for (int I = 0; I < GetCount(); ++I) SetDeleted(I, true);
}

void TStaticItems::ScanVerbs(TRegistry& Registry, const std::string& Path, int& Index, bool StoredDisabled) {
  // A name the code page cannot hold is left out with everything below it: no ANSI call reaches it.
  TStringList Names;
  TRegistryEx::GetExactKeyNames(Registry, Names);
  for (int I = 0; I < Names.Count(); ++I) {
    const std::string Name = Names.Get(I);
    if (IsOwnVerb(Name)) continue;
    const std::string VerbPath = Path + "\\" + Name;
    TRegistryEx::OpenKey(Registry, VerbPath, false);
    std::string Caption = TRegistryEx::ReadText(Registry, "");
    if (Caption.empty()) Caption = Name;
    const std::string Command = Registry.OpenKey(VerbPath + "\\command", false) ? TRegistryEx::ReadText(Registry, "")
                                                                               : LoadResString(SNoneText);
    auto Rec = std::make_unique<TMenuItemRec>(this, Index, StoredDisabled, VerbPath.substr(1), Command, Caption);
    const std::string Line =
        IndexOfText(StandardVerbs, StandardVerbsHigh, Name) >= 0 ? "*" + AnsiLowerCase(Name) : Caption;
    FItems.AddObject(Line, Rec.get());
    Rec.release();
    if (StoredDisabled) SetDisabled(Index, true);
    ++Index;
  }
}

void TStaticItems::Load() {
  Clear();
  TRegistry Registry;
  int Index = 0;
  const std::string Key = WithoutLeadingDelimiter(FShellKey);

  Registry.SetRootKey(HKEY_CLASSES_ROOT);
  if (Registry.OpenKey("\\" + Key, false)) ScanVerbs(Registry, "\\" + Key, Index, false);

  const std::string DisabledPath = "\\" + std::string(DisabledStaticItemsKey) + Key;
  Registry.SetRootKey(HKEY_CURRENT_USER);
  if (Registry.OpenKey(DisabledPath, false)) ScanVerbs(Registry, DisabledPath, Index, true);
}

void TStaticItems::RemoveItem(TMenuItemRec* Rec) {
  Mark(FDisabled, Rec, false);
  Mark(FDeleted, Rec, false);
  const int Index = FItems.IndexOfObject(Rec);
  if (Index >= 0) FItems.Delete(Index);
  delete Rec;
  for (int I = 0; I < FItems.Count(); ++I) GetItem(I)->Index = I;
}

void TStaticItems::Apply() {
  TRegistry Classes;
  Classes.SetRootKey(HKEY_CLASSES_ROOT);
  TRegistry User;
  User.SetRootKey(HKEY_CURRENT_USER);

  // Deletions, in the order marked; each deleted verb leaves the list at once. A key that exists but
  // cannot be deleted (not even opened) raises, and its mark stays.
  while (!FDeleted.empty()) {
    TMenuItemRec* Rec = FDeleted.front();
    TRegistry& Registry = Rec->StoredDisabled ? User : Classes;
    Registry.CloseKey();
    TRegistryEx::DeleteKey(Registry, "\\" + Rec->KeyPath);
    RemoveItem(Rec);
  }

  // Moves: copy first, delete the source second; an existing destination refuses the move.
  const std::string Prefix = DisabledStaticItemsKey;
  for (int I = 0; I < GetCount(); ++I) {
    TMenuItemRec* Rec = GetItem(I);
    const bool Disabled = IsDisabled(I);
    if (Disabled == Rec->StoredDisabled) continue;
    std::string NewPath;
    if (Rec->StoredDisabled) {
      NewPath = Rec->GetRegistryPath();
      TRegistryEx::MoveRegistryKey(User, Classes, Rec->KeyPath, NewPath);
    } else {
      NewPath = Prefix + Rec->KeyPath;
      TRegistryEx::MoveRegistryKey(Classes, User, Rec->KeyPath, NewPath);
    }
    Rec->StoredDisabled = Disabled;
    Rec->KeyPath = NewPath;
  }
}

// ---------------------------------------------------------------------------------------------
// TStaticItemsCleanup

TStaticItemsCleanup::TStaticItemsCleanup() { FCache.SetSorted(true); }

TStaticItemsCleanup::~TStaticItemsCleanup() {
  for (int I = 0; I < FCache.Count(); ++I) delete FCache.Objects(I);
}

TStaticItems* TStaticItemsCleanup::GetStaticItems(const std::string& ShellKey) {
  const std::string Key = AnsiLowerCase(ShellKey);
  int Index = 0;
  if (FCache.Find(Key, Index)) return static_cast<TStaticItems*>(FCache.Objects(Index));
  auto Items = std::make_unique<TStaticItems>(this, ShellKey);
  Items->Load();
  FCache.AddObject(Key, Items.get());
  return Items.release();
}

void TStaticItemsCleanup::BeginUpdate() { ++FUpdateCount; }

void TStaticItemsCleanup::EndUpdate() {
  if (FUpdateCount <= 0) throw Exception(LoadResString(SCleanupUpdateUnbalanced));
  if (--FUpdateCount == 0) Changed();
}

void TStaticItemsCleanup::Changed() {
  FModified = true;
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TStaticItemsCleanup::Reset() {
  for (int I = 0; I < FCache.Count(); ++I) delete FCache.Objects(I);
  FCache.Clear();
  FModified = false;
}

void TStaticItemsCleanup::Apply() {
  {
    auto Update = UpdateScope(*this);
    for (int I = 0; I < FCache.Count(); ++I) static_cast<TStaticItems*>(FCache.Objects(I))->Apply();
  }
  FModified = false;
}

TStaticItemsCleanup* GetStaticItemsCleanup() {
  static TStaticItemsCleanup Instance;
  return &Instance;
}
