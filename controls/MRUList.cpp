#include "controls/MRUList.h"

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
  FList->OnChange = [this](TObject*) { Change(); };
  FIniLink->OnSave = [this](TObject* Sender) { IniSave(Sender); };
  FIniLink->OnLoad = [this](TObject* Sender) { IniLoad(Sender); };
}

TMRUManager::~TMRUManager() {
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
       ComponentProp<M, TFormPlacement>("IniStorage", &M::IniStorage, &M::SetIniStorage)},
      {EventProp<M>("OnChange", &M::OnChange), EventProp<M>("OnReadItem", &M::OnReadItem),
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
  if (Operation == opRemove && FIniLink && AComponent == IniStorage()) FIniLink->SetStorage(nullptr);
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
