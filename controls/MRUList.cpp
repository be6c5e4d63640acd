#include "controls/MRUList.h"

#include <algorithm>

namespace {

TObject* UserDataObject(int UserData) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(UserData)); }

}  // namespace

TRecentStrings::TRecentStrings() = default;

void TRecentStrings::SetMaxSize(int Value) {
  if (Value == FMaxSize) return;
  FMaxSize = Value < 1 ? 1 : Value;
  DeleteExceed();
}

void TRecentStrings::DeleteExceed() {
  TUpdateScope Scope(*this);
  if (Mode == rmAppend) {
    while (Count() > FMaxSize) Delete(0);
  } else {
    for (int I = Count() - 1; I >= FMaxSize; --I) Delete(I);
  }
}

int TRecentStrings::Add(const std::string& S) {
  const int Found = IndexOf(S);
  if (Found >= 0) {
    Move(Found, Mode == rmInsert ? 0 : Count() - 1);
  } else {
    TUpdateScope Scope(*this);
    if (Mode == rmInsert)
      Insert(0, S);
    else
      TStringList::Add(S);
    DeleteExceed();
  }
  return Mode == rmInsert ? 0 : Count() - 1;
}

void TRecentStrings::AddStrings(const TStrings& Strings) {
  TUpdateScope Scope(*this);
  const int N = std::min(Strings.Count(), FMaxSize);
  if (Mode == rmInsert) {
    for (int I = N - 1; I >= 0; --I) PutObject(Add(Strings[I]), Strings.Objects(I));
  } else {
    for (int I = 0; I < N; ++I) PutObject(Add(Strings[I]), Strings.Objects(I));
  }
  DeleteExceed();
}

void TRecentStrings::Remove(const std::string& S) {
  const int I = IndexOf(S);
  if (I >= 0) Delete(I);
}

// ---------------------------------------------------------------------------------------------

TMRUManager::TMRUManager(TComponent* AOwner)
    : TComponent(AOwner), FList(std::make_unique<TRecentStrings>()), FIniLink(std::make_unique<TIniLink>()) {
  FList->OnChange = [this](TObject*) { ListChanged(); };
  FIniLink->OnSave = [this](TObject* Sender) { IniSave(Sender); };
  FIniLink->OnLoad = [this](TObject* Sender) { IniLoad(Sender); };
}

TMRUManager::~TMRUManager() {
  ClearRecentMenu();
  SetRecentMenu(nullptr);
  FIniLink.reset();
  FList->OnChange = nullptr;
}

const TClassInfo& TMRUManager::StaticClassInfo() {
  using M = TMRUManager;
  static const TClassInfo Info{
      "TMRUManager",
      nullptr,
      {BoolProp<M>("AutoUpdate", [](M& S) { return S.AutoUpdate; }, [](M& S, bool V) { S.AutoUpdate = V; }),
       IntProp<M>("Capacity", &M::Capacity, &M::SetCapacity),
       EnumProp<M, TRecentMode>("Mode", {"rmInsert", "rmAppend"}, &M::Mode, &M::SetMode),
       BoolProp<M>("RemoveOnSelect", [](M& S) { return S.RemoveOnSelect; }, [](M& S, bool V) { S.RemoveOnSelect = V; }),
       ComponentProp<M, TFormPlacement>("IniStorage", &M::IniStorage, &M::SetIniStorage),
       EnumProp<M, TAccelDelimiter>("AccelDelimiter", {"adTab", "adSpace"}, &M::AccelDelimiter, &M::SetAccelDelimiter),
       BoolProp<M>("AutoEnable", &M::AutoEnable, &M::SetAutoEnable),
       IntProp<M>("SeparateSize", &M::SeparateSize, &M::SetSeparateSize),
       ComponentProp<M, TMenuItem>("RecentMenu", &M::RecentMenu, &M::SetRecentMenu),
       BoolProp<M>("ShowAccelChar", &M::ShowAccelChar, &M::SetShowAccelChar),
       IntProp<M>("StartAccel", &M::StartAccel, [](M& S, int V) { S.SetStartAccel(static_cast<unsigned>(V)); })},
      {EventProp<M>("OnChange", &M::OnChange), EventProp<M>("OnClick", &M::OnClick),
       EventProp<M>("OnGetItemData", &M::OnGetItemData), EventProp<M>("OnReadItem", &M::OnReadItem),
       EventProp<M>("OnWriteItem", &M::OnWriteItem)},
      MakeComponent<TMRUManager>};
  return Info;
}

void TMRUManager::SetIniStorage(TFormPlacement* Value) {
  if (Value == IniStorage()) return;
  if (IniStorage()) IniStorage()->RemoveFreeNotification(this);
  FIniLink->SetStorage(Value);
  if (Value) Value->FreeNotification(this);
}

void TMRUManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (FIniLink && AComponent == IniStorage()) FIniLink->SetStorage(nullptr);
  if (AComponent == FRecentMenu) {
    // The parent frees its children: the items made go with it.
    FItems.clear();
    FRecentMenu = nullptr;
  }
  // A menu item being destroyed is a TComponent only by now: it is known by its address.
  FItems.erase(std::remove_if(FItems.begin(), FItems.end(),
                              [AComponent](TMenuItem* Item) { return static_cast<TComponent*>(Item) == AComponent; }),
               FItems.end());
}

void TMRUManager::SetRecentMenu(TMenuItem* Value) {
  ClearRecentMenu();
  if (FRecentMenu) FRecentMenu->RemoveFreeNotification(this);
  FRecentMenu = Value;
  if (Value) Value->FreeNotification(this);
  UpdateRecentMenu();
}

void TMRUManager::SetAutoEnable(bool Value) {
  if (Value == FAutoEnable) return;
  FAutoEnable = Value;
  if (Value) EnableParent();
}

void TMRUManager::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  if (AutoUpdate) UpdateRecentMenu();
}

void TMRUManager::SetSeparateSize(int Value) {
  Value &= 0xFFFF;
  if (Value == FSeparateSize) return;
  FSeparateSize = Value;
  if (AutoUpdate) UpdateRecentMenu();
}

void TMRUManager::SetStartAccel(unsigned Value) {
  if (Value == FStartAccel) return;
  FStartAccel = Value;
  if (AutoUpdate) UpdateRecentMenu();
}

void TMRUManager::SetAccelDelimiter(TAccelDelimiter Value) {
  if (Value == FAccelDelimiter) return;
  FAccelDelimiter = Value;
  if (AutoUpdate && FShowAccelChar) UpdateRecentMenu();
}

void TMRUManager::EnableParent() {
  if (FRecentMenu && FAutoEnable) FRecentMenu->SetEnabled(FRecentMenu->Count() > 0);
}

void TMRUManager::ListChanged() {
  Change();
  if (AutoUpdate) UpdateRecentMenu();
}

void TMRUManager::AddMenuItem(TMenuItem* Item) {
  Item->FreeNotification(this);
  FRecentMenu->Add(Item);
  FItems.push_back(Item);
}

void TMRUManager::ClearRecentMenu() {
  while (!FItems.empty()) {
    TMenuItem* Item = FItems.back();
    FItems.pop_back();
    Item->RemoveFreeNotification(this);
    if (FRecentMenu && Item->Parent() == FRecentMenu) delete Item;
  }
  EnableParent();
}

void TMRUManager::UpdateRecentMenu() {
  ClearRecentMenu();
  if (!FRecentMenu) return;
  auto Separator = [this] {
    auto* Line = new TMenuItem(nullptr);
    Line->SetCaption("-");
    AddMenuItem(Line);
  };
  if (FList->Count() > 0 && FRecentMenu->Count() > 0) Separator();
  for (int I = 0; I < FList->Count(); ++I) {
    if (FSeparateSize > 0 && I > 0 && I % FSeparateSize == 0) Separator();
    std::string S = FList->Get(I);
    TShortCut Key = scNone;
    GetItemData(S, Key, UserDataOf(*FList, I));
    auto* Item = new TMenuItem(nullptr);
    Item->SetCaption(GetShortHint(S));
    Item->SetShortCut(Key);
    Item->SetHint(GetLongHint(S));
    Item->OnClick = [this](TObject* Sender) { MenuItemClick(Sender); };
    if (FShowAccelChar) {
      const unsigned L = static_cast<unsigned>(I) + FStartAccel;
      const std::string Prefix = L < 10 ? "&" + std::to_string(L) : L <= 100 ? std::string("&") + static_cast<char>(L + 55) : " ";
      Item->SetCaption(Prefix + (FAccelDelimiter == adTab ? "\t" : " ") + Item->Caption());
    }
    Item->Tag = I;
    AddMenuItem(Item);
  }
  EnableParent();
}

void TMRUManager::GetItemData(std::string& Caption, TShortCut& ShortCut, int UserData) {
  if (OnGetItemData) OnGetItemData(this, Caption, ShortCut, UserData);
}

void TMRUManager::DoClick(const std::string& RecentName, const std::string& Caption, int UserData) {
  if (OnClick) OnClick(this, RecentName, Caption, UserData);
}

void TMRUManager::MenuItemClick(TObject* Sender) {
  auto* Item = dynamic_cast<TMenuItem*>(Sender);
  if (!Item || Item->Tag < 0 || Item->Tag >= FList->Count()) return;
  // The handler may change the list and free the item: the entry is known by its name from here on.
  const int Index = static_cast<int>(Item->Tag);
  const std::string Name = FList->Get(Index);
  const std::string Caption = Item->Caption();
  const int UserData = UserDataOf(*FList, Index);
  try {
    DoClick(Name, Caption, UserData);
  } catch (...) {
    if (RemoveOnSelect) Remove(Name);
    throw;
  }
  if (RemoveOnSelect) Remove(Name);
}

void TMRUManager::Add(const std::string& RecentName, int UserData) {
  TUpdateScope Scope(*FList);
  FList->PutObject(FList->Add(RecentName), UserDataObject(UserData));
}

void TMRUManager::Remove(const std::string& RecentName) { FList->Remove(RecentName); }

int TMRUManager::UserDataOf(const TStrings& List, int Index) {
  return static_cast<int>(reinterpret_cast<intptr_t>(List.Objects(Index)));
}

void TMRUManager::Change() {
  if (OnChange) OnChange(this);
}

void TMRUManager::DoReadItem(TObject* Ini, const std::string& Section, int Index, std::string& RecentName, int& UserData) {
  if (OnReadItem) {
    OnReadItem(this, Ini, Section, Index, RecentName, UserData);
    return;
  }
  RecentName = IniReadString(Ini, Section, Format("Item_%d", {Index}), RecentName);
  UserData = IniReadInteger(Ini, Section, Format("User_%d", {Index}), UserData);
}

void TMRUManager::DoWriteItem(TObject* Ini, const std::string& Section, int Index, const std::string& RecentName, int UserData) {
  if (OnWriteItem) {
    OnWriteItem(this, Ini, Section, Index, RecentName, UserData);
    return;
  }
  IniWriteString(Ini, Section, Format("Item_%d", {Index}), RecentName);
  if (UserData != 0)
    IniWriteInteger(Ini, Section, Format("User_%d", {Index}), UserData);
  else
    IniDeleteKey(Ini, Section, Format("User_%d", {Index}));
}

void TMRUManager::LoadFromIni(TObject* Ini, const std::string& Section) {
  const TRecentMode SavedMode = FList->Mode;
  TUpdateScope Scope(*FList);
  struct TRestoreMode {
    TRecentStrings& L;
    TRecentMode M;
    ~TRestoreMode() { L.Mode = M; }
  } Restore{*FList, SavedMode};
  FList->Clear();
  FList->Mode = rmInsert;
  for (int I = FList->MaxSize() - 1; I >= 0; --I) {
    std::string Name;
    int UserData = 0;
    DoReadItem(Ini, Section, I, Name, UserData);
    if (!Name.empty()) Add(Name, UserData);
  }
}

void TMRUManager::SaveToIni(TObject* Ini, const std::string& Section) {
  IniEraseSection(Ini, Section);
  for (int I = 0; I < FList->Count(); ++I) DoWriteItem(Ini, Section, I, FList->Get(I), UserDataOf(*FList, I));
}

std::string TMRUManager::StorageSection() { return FIniLink->RootSection() + GetDefaultSection(this); }

void TMRUManager::IniSave(TObject*) {
  if (!Name().empty() && FIniLink->IniObject()) SaveToIni(FIniLink->IniObject(), StorageSection());
}

void TMRUManager::IniLoad(TObject*) {
  if (!Name().empty() && FIniLink->IniObject()) LoadFromIni(FIniLink->IniObject(), StorageSection());
}
