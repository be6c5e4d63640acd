#include "controls/PropsStg.h"

#include "classlib/gui/Forms.h"
#include "controls/Placemnt.h"
#include "controls/rxStrUtils.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

bool IsClassKind(TPropKind Kind) { return Kind == pkStrings || Kind == pkCollection || Kind == pkObject; }

// Leading and trailing blanks and control characters off.
std::string TrimText(const std::string& S) {
  size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ') --E;
  return S.substr(B, E - B);
}

const std::vector<std::string>& NamesOf(const TPropInfo& Prop) {
  static const std::vector<std::string> BoolNames{"False", "True"};
  return Prop.Kind == pkBoolean ? BoolNames : Prop.Names;
}

std::vector<const TPropInfo*> PropertiesOf(const TClassInfo* Info) {
  std::vector<const TPropInfo*> Result;
  for (const TClassInfo* C = Info; C; C = C->Parent)
    for (const TPropInfo& P : C->Properties)
      if (std::none_of(Result.begin(), Result.end(), [&](const TPropInfo* Q) { return SameText(Q->Name, P.Name); }))
        Result.push_back(&P);
  std::stable_sort(Result.begin(), Result.end(),
                   [](const TPropInfo* A, const TPropInfo* B) { return UpperCase(A->Name) < UpperCase(B->Name); });
  return Result;
}

const TClassInfo* ClassInfoOf(TObject* Object) {
  auto* Component = dynamic_cast<TComponent*>(Object);
  return Component ? Component->ClassInfo() : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TPropInfoList::TPropInfoList(TObject* Object) : FList(PropertiesOf(ClassInfoOf(Object))) {}

const TPropInfo* TPropInfoList::Find(const std::string& Name) const {
  for (const TPropInfo* P : FList)
    if (SameText(P->Name, Name)) return P;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------

std::string TPropsStorage::DoReadString(const std::string& ASection, const std::string& Ident, const std::string& Default) {
  return OnReadString ? OnReadString(ASection, Ident, Default) : std::string();
}

void TPropsStorage::DoWriteString(const std::string& ASection, const std::string& Ident, const std::string& Value) {
  if (OnWriteString) OnWriteString(ASection, Ident, Value);
}

void TPropsStorage::DoEraseSection(const std::string& ASection) {
  if (OnEraseSection) OnEraseSection(ASection);
}

std::string TPropsStorage::PropText(const TPropInfo& Prop) {
  switch (Prop.Kind) {
    case pkFloat: return ReplaceAll(Prop.Get(Target), LocaleDecimalSeparator(), ".");
    case pkComponent: {
      TComponent* Ref = Prop.GetComponent ? Prop.GetComponent(Target) : nullptr;
      if (!Ref) return "(null)";
      TComponent* Owner = Ref->Owner();
      if (!Owner || Owner == Root) return Ref->Name();
      std::string OwnerName = Owner->Name();
      if (OwnerName.empty()) {
        OwnerName = Owner->ClassName();
        if (!OwnerName.empty() && (OwnerName[0] == 'T' || OwnerName[0] == 't')) OwnerName.erase(0, 1);
      }
      return OwnerName + "." + Ref->Name();
    }
    case pkStrings: case pkCollection: case pkObject: return "";
    default: return Prop.Get(Target);
  }
}

void TPropsStorage::StoreAnyProperty(const TPropInfo& Prop) {
  if (IsClassKind(Prop.Kind)) {
    StoreObject(Prop, Prop.GetSubObject ? Prop.GetSubObject(Target) : nullptr);
    return;
  }
  const std::string Text = PropText(Prop);
  if (!Text.empty() || Prop.Kind == pkString || Prop.Kind == pkChar)
    DoWriteString(Section, GetItemName(Prop.Name), TrimText(Text));
}

void TPropsStorage::StoreObject(const TPropInfo& Prop, TObject* Object) {
  if (!Object) return;
  const std::string Key = GetItemName(Prop.Name);
  if (auto* Strings = dynamic_cast<TStrings*>(Object)) {
    const std::string Sect = Section + "." + Key;
    DoEraseSection(Sect);
    if (Strings->Count() > 0) {
      DoWriteString(Sect, "Count", IntToStr(Strings->Count()));
      for (int I = 0; I < Strings->Count(); ++I) DoWriteString(Sect, Format("Item%d", {I}), Strings->Get(I));
    }
  } else if (auto* Collection = dynamic_cast<TCollection*>(Object)) {
    const std::string Sect = Section + "." + Key;
    DoEraseSection(Sect);
    DoWriteString(Section, Key + ".Count", IntToStr(Collection->Count()));
    for (int I = 0; I < Collection->Count(); ++I)
      NestedStore(Collection->Items(I), Prop.ObjectClass, Format("Item%d_", {I}), Sect);
    return;
  }
  if (Prop.Kind == pkObject) NestedStore(Object, Prop.ObjectClass, Key, Section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::Nested(TObject* Object, const std::string& APrefix, const std::string& ASection) {
  std::unique_ptr<TPropsStorage> Storage = CreateStorage();
  Storage->Target = Object;
  Storage->Root = Root;
  Storage->Prefix = APrefix;
  Storage->Section = ASection;
  Storage->OnReadString = OnReadString;
  Storage->OnWriteString = OnWriteString;
  Storage->OnEraseSection = OnEraseSection;
  return Storage;
}

void TPropsStorage::NestedStore(TObject* Object, const TClassInfo* Info, const std::string& APrefix, const std::string& ASection) {
  const std::unique_ptr<TPropsStorage> Storage = Nested(Object, APrefix, ASection);
  for (const TPropInfo* P : PropertiesOf(Info)) Storage->StoreAnyProperty(*P);
}

void TPropsStorage::NestedLoad(TObject* Object, const TClassInfo* Info, const std::string& APrefix, const std::string& ASection) {
  const std::unique_ptr<TPropsStorage> Storage = Nested(Object, APrefix, ASection);
  for (const TPropInfo* P : PropertiesOf(Info)) Storage->LoadAnyProperty(*P);
}

void TPropsStorage::StoreProperties() {
  for (const TPropInfo* P : PropertiesOf(ClassInfoOf(Target))) StoreAnyProperty(*P);
}

void TPropsStorage::LoadProperties() {
  for (const TPropInfo* P : PropertiesOf(ClassInfoOf(Target))) LoadAnyProperty(*P);
}

void TPropsStorage::LoadAnyProperty(const TPropInfo& Prop) {
  try {
    if (IsClassKind(Prop.Kind)) {
      LoadObject(Prop, Prop.GetSubObject ? Prop.GetSubObject(Target) : nullptr);
      return;
    }
    const std::string Default = PropText(Prop);
    std::string S;
    if (!Default.empty() || Prop.Kind == pkString || Prop.Kind == pkChar)
      S = Trim(DoReadString(Section, GetItemName(Prop.Name), Default));
    switch (Prop.Kind) {
      case pkInteger: Prop.Set(Target, IntToStr(StrToIntDef(S, 0))); break;
      case pkInt64: Prop.Set(Target, IntToStr(StrToInt64Def(S, 0))); break;
      case pkChar:
        if (!S.empty()) Prop.Set(Target, S.substr(0, 1));
        break;
      case pkBoolean:
      case pkEnumeration:
        for (const std::string& Name : NamesOf(Prop))
          if (SameText(Name, S)) {
            Prop.Set(Target, Name);
            break;
          }
        break;
      case pkFloat: Prop.Set(Target, ReplaceAll(S, ".", LocaleDecimalSeparator())); break;
      case pkSet: {
        const TSysCharSet Delims{' ', ',', '[', ']'};
        unsigned Bits = 0;
        for (int W = 1; W <= CountWords(S, Delims); ++W) {
          const std::string Word = WordAt(W, S, Delims);
          for (size_t I = 0; I < Prop.Names.size() && I < 32; ++I)
            if (SameText(Prop.Names[I], Word)) Bits |= 1u << I;
        }
        Prop.Set(Target, SetMembersText(Prop.Names, Bits));
        break;
      }
      case pkComponent: {
        if (S.empty() || !Prop.SetComponent) break;
        if (SameText(S, "(null)")) {
          Prop.SetComponent(Target, nullptr);
          break;
        }
        TComponent* Owner = Root;
        std::string Name = S;
        if (const size_t Point = S.find('.'); Point != std::string::npos) {
          Owner = FindRootComponent(S.substr(0, Point));
          Name = S.substr(Point + 1);
        }
        if (Owner) Prop.SetComponent(Target, Owner->FindComponent(Name));
        break;
      }
      default: Prop.Set(Target, S); break;
    }
  } catch (...) {
    // the property keeps its value
  }
}

void TPropsStorage::LoadObject(const TPropInfo& Prop, TObject* Object) {
  if (!Object) return;
  const std::string Key = GetItemName(Prop.Name);
  if (auto* Strings = dynamic_cast<TStrings*>(Object)) {
    const std::string Sect = Section + "." + Key;
    const int Count = StrToIntDef(Trim(DoReadString(Sect, "Count", "0")), 0);
    if (Count > 0) {
      TStringList Lines;
      for (int I = 0; I < Count; ++I) Lines.Add(DoReadString(Sect, Format("Item%d", {I}), ""));
      Strings->Assign(&Lines);
    }
  } else if (auto* Collection = dynamic_cast<TCollection*>(Object)) {
    const std::string Sect = Section + "." + Key;
    Collection->BeginUpdate();
    struct TEnd {
      TCollection* C;
      ~TEnd() { C->EndUpdate(); }
    } End{Collection};
    const int Count = StrToIntDef(Trim(DoReadString(Section, Key + ".Count", IntToStr(Collection->Count()))), Collection->Count());
    if (Count != Collection->Count()) {
      Collection->Clear();
      for (int I = 0; I < Count; ++I) Collection->Add();
    }
    for (int I = 0; I < Collection->Count(); ++I)
      NestedLoad(Collection->Items(I), Prop.ObjectClass, Format("Item%d_", {I}), Sect);
    return;
  }
  if (Prop.Kind == pkObject) NestedLoad(Object, Prop.ObjectClass, Key, Section);
}

// ---------------------------------------------------------------------------------------------

std::string CreateStoredItem(const std::string& CompName, const std::string& PropName) {
  return CompName.empty() || PropName.empty() ? "" : CompName + "." + PropName;
}

bool ParseStoredItem(const std::string& Item, std::string& CompName, std::string& PropName) {
  const size_t Point = Item.find('.');
  if (Point == std::string::npos) return false;
  CompName = Trim(Item.substr(0, Point));
  PropName = Trim(Item.substr(Point + 1));
  return !CompName.empty() && !PropName.empty();
}

std::string ReplaceComponentName(const std::string& Item, const std::string& CompName) {
  std::string Comp, Prop;
  return ParseStoredItem(Item, Comp, Prop) ? CreateStoredItem(CompName, Prop) : "";
}

TComponent* FindRootComponent(const std::string& Name) {
  if (!Screen) return nullptr;
  for (int I = 0; I < Screen->FormCount(); ++I)
    if (SameText(Screen->Forms(I)->Name(), Name)) return Screen->Forms(I);
  return nullptr;
}

void UpdateStoredList(TComponent* Root, TStringList& List, bool FromForm) {
  for (int I = List.Count() - 1; I >= 0; --I) {
    std::string Comp, Prop;
    if (!ParseStoredItem(List[I], Comp, Prop)) {
      List.Delete(I);
    } else if (FromForm) {
      TComponent* Found = Root ? Root->FindComponent(Comp) : nullptr;
      if (Found)
        List.PutObject(I, Found);
      else
        List.Delete(I);
    } else if (auto* Component = dynamic_cast<TComponent*>(List.Objects(I))) {
      List.Put(I, ReplaceComponentName(List[I], Component->Name()));
    } else {
      List.Delete(I);
    }
  }
}

namespace {

template <class F>
void WalkStoredProps(TPropsStorage& Storage, TComponent* Root, TStringList& List, F&& Each) {
  UpdateStoredList(Root, List, false);
  std::map<std::string, std::unique_ptr<TPropInfoList>> Infos;
  for (int I = 0; I < List.Count(); ++I)
    if (auto* C = dynamic_cast<TComponent*>(List.Objects(I)); C && !Infos.count(C->Name()))
      Infos[C->Name()] = std::make_unique<TPropInfoList>(C);
  Storage.Root = Root;
  struct TClear {
    TPropsStorage& S;
    ~TClear() { S.Root = nullptr; }
  } Clear{Storage};
  for (int I = 0; I < List.Count(); ++I) {
    std::string Comp, PropName;
    if (!ParseStoredItem(List[I], Comp, PropName)) continue;
    auto* Component = dynamic_cast<TComponent*>(List.Objects(I));
    Storage.Target = Component;
    Storage.Prefix = Component->Name();
    const auto It = Infos.find(Component->Name());
    if (It == Infos.end()) continue;
    Storage.Prefix = Component->Name() + "_";
    if (const TPropInfo* Prop = It->second->Find(PropName)) Each(*Prop);
  }
}

}  // namespace

void StoreObjectsProps(TPropsStorage& Storage, TComponent* Root, TStringList& List) {
  WalkStoredProps(Storage, Root, List, [&](const TPropInfo& P) { Storage.StoreAnyProperty(P); });
}

void LoadObjectsProps(TPropsStorage& Storage, TComponent* Root, TStringList& List) {
  WalkStoredProps(Storage, Root, List, [&](const TPropInfo& P) { Storage.LoadAnyProperty(P); });
}

// ---------------------------------------------------------------------------------------------

TStoredValue::TStoredValue(TCollection* Collection) : TCollectionItem(Collection) {}

const TClassInfo& TStoredValue::StaticClassInfo() {
  using V = TStoredValue;
  static const TClassInfo Info{"TStoredValue",
                               nullptr,
                               {StrProp<V>("Name", &V::Name, &V::SetName),
                                StrProp<V>("Value", [](V& S) { return S.Value.value_or(""); },
                                           [](V& S, const std::string& T) { S.Value = T; }),
                                StrProp<V>("KeyString", [](V& S) { return S.KeyString; },
                                           [](V& S, const std::string& T) { S.KeyString = T; })},
                               {EventProp<V>("OnSave", &V::OnSave), EventProp<V>("OnRestore", &V::OnRestore)},
                               {}};
  return Info;
}

void TStoredValue::SetName(const std::string& Value) {
  if (!Value.empty() && !AnsiSameText(Value, FName))
    if (auto* Values = dynamic_cast<TStoredValues*>(Collection()); Values && Values->IndexOf(Value) >= 0)
      throw Exception("String list does not allow duplicates");
  FName = Value;
}

std::string TStoredValue::DisplayName() const { return FName.empty() ? TCollectionItem::DisplayName() : FName; }

TFormPlacement* TStoredValue::Storage() const {
  auto* Values = dynamic_cast<TStoredValues*>(Collection());
  return Values ? Values->Storage : nullptr;
}

void TStoredValue::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TStoredValue*>(Source)) {
    Value = Other->Value;
    FName = Other->FName;
    KeyString = Other->KeyString;
    return;
  }
  TCollectionItem::Assign(Source);
}

void TStoredValue::Save() {
  TFormPlacement* Placement = Storage();
  if (!Placement) return;
  std::optional<std::string> V = Value;
  if (OnSave) OnSave(this, V);
  std::string T = V.value_or("");
  if (!KeyString.empty()) T = XorToHex(KeyString, T);
  Placement->WriteSectionString(FName, T);
}

void TStoredValue::Restore() {
  TFormPlacement* Placement = Storage();
  if (!Placement) return;
  std::string D = Value.value_or("");
  if (!KeyString.empty()) D = XorToHex(KeyString, D);
  std::string T = Placement->ReadSectionString(FName, D);
  if (!KeyString.empty()) T = XorFromHex(KeyString, T);
  std::optional<std::string> V = T;
  if (OnRestore) OnRestore(this, V);
  Value = V;
}

TStoredValues::TStoredValues(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClass<TStoredValue>()), Storage(dynamic_cast<TFormPlacement*>(AOwner)) {}

TStoredValues::~TStoredValues() { Clear(); }

int TStoredValues::IndexOf(const std::string& Name) const {
  for (int I = 0; I < Count(); ++I)
    if (AnsiSameText(Items(I)->Name(), Name)) return I;
  return -1;
}

void TStoredValues::SaveValues() {
  for (int I = 0; I < Count(); ++I) Items(I)->Save();
}

void TStoredValues::RestoreValues() {
  for (int I = 0; I < Count(); ++I) Items(I)->Restore();
}
