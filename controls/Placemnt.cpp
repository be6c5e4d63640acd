#include "controls/Placemnt.h"

#include "controls/PropsStg.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TWinMinMaxInfo

const TClassInfo& TWinMinMaxInfo::StaticClassInfo() {
  using M = TWinMinMaxInfo;
  static const TClassInfo Info{"TWinMinMaxInfo",
                               nullptr,
                               {IntProp<M>("MaxPosLeft", &M::MaxPosLeft, &M::SetMaxPosLeft),
                                IntProp<M>("MaxPosTop", &M::MaxPosTop, &M::SetMaxPosTop),
                                IntProp<M>("MaxSizeHeight", &M::MaxSizeHeight, &M::SetMaxSizeHeight),
                                IntProp<M>("MaxSizeWidth", &M::MaxSizeWidth, &M::SetMaxSizeWidth),
                                IntProp<M>("MaxTrackHeight", &M::MaxTrackHeight, &M::SetMaxTrackHeight),
                                IntProp<M>("MaxTrackWidth", &M::MaxTrackWidth, &M::SetMaxTrackWidth),
                                IntProp<M>("MinTrackHeight", &M::MinTrackHeight, &M::SetMinTrackHeight),
                                IntProp<M>("MinTrackWidth", &M::MinTrackWidth, &M::SetMinTrackWidth)},
                               {},
                               {}};
  return Info;
}

void TWinMinMaxInfo::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TWinMinMaxInfo*>(Source)) {
    FInfo = Other->FInfo;
    FOwner->MinMaxInfoChanged();
    return;
  }
  TPersistent::Assign(Source);
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const {
  return !MaxPosLeft() && !MaxPosTop() && !MaxSizeHeight() && !MaxSizeWidth() && !MaxTrackHeight() && !MaxTrackWidth() &&
         !MinTrackHeight() && !MinTrackWidth();
}

void TWinMinMaxInfo::SetValue(LONG& Member, int Value) {
  if (Member == Value) return;
  Member = Value;
  FOwner->MinMaxInfoChanged();
}

// ---------------------------------------------------------------------------------------------
// TIniLink

TIniLink::~TIniLink() {
  OnSave = nullptr;
  OnLoad = nullptr;
  SetStorage(nullptr);
}

void TIniLink::SetStorage(TFormPlacement* Value) {
  if (Value == FStorage) return;
  if (FStorage) FStorage->RemoveLink(this);
  FStorage = Value;
  if (FStorage) FStorage->AddLink(this);
}

TObject* TIniLink::IniObject() const { return FStorage ? FStorage->GetIniFileObject() : nullptr; }

std::string TIniLink::RootSection() const {
  if (!FStorage || FStorage->StoredIniSection().empty()) return "";
  return FStorage->StoredIniSection() + "\\";
}

void TIniLink::SaveToIni() {
  if (OnSave) OnSave(this);
}

void TIniLink::LoadFromIni() {
  if (OnLoad) OnLoad(this);
}

// ---------------------------------------------------------------------------------------------
// TFormPlacement

TFormPlacement::TFormPlacement(TComponent* AOwner)
    : TComponent(AOwner), Options(dynamic_cast<TCustomForm*>(AOwner) ? PlacementBit(fpState) | PlacementBit(fpPosition) : 0u) {
  FWinHook = new TRxWindowHook(this);
  FWinHook->AfterMessage = [this](TObject* Sender, TMessage& Msg, bool& Handled) { WndMessage(Sender, Msg, Handled); };
}

TFormPlacement::~TFormPlacement() {
  if (FEventsHooked) RestoreEvents();
  while (!FLinks.empty()) FLinks.back()->SetStorage(nullptr);
  CloseStorage();
}

const TClassInfo& TFormPlacement::StaticClassInfo() {
  using P = TFormPlacement;
  static const TClassInfo Info{
      "TFormPlacement",
      nullptr,
      {BoolProp<P>("Active", [](P& S) { return S.Active; }, [](P& S, bool V) { S.Active = V; }),
       StrProp<P>("IniFileName", [](P& S) { return S.FIniFileName; }, &P::SetIniFileName),
       StrProp<P>("IniSection", [](P& S) { return S.FIniSection; }, &P::SetIniSection),
       ObjectProp<P>("MinMaxInfo", TWinMinMaxInfo::StaticClassInfo(), [](P& S) { return &S.FMinMaxInfo; }),
       SetOfProp<P>("Options", {"fpState", "fpPosition", "fpActiveControl"}, [](P& S) { return S.Options; },
                    [](P& S, unsigned V) { S.Options = V; }),
       BoolProp<P>("PreventResize", &P::PreventResize, &P::SetPreventResize),
       EnumProp<P, TPlacementRegRoot>("RegistryRoot",
                                      {"prCurrentUser", "prLocalMachine", "prCurrentConfig", "prClassesRoot", "prUsers", "prDynData"},
                                      [](P& S) { return S.RegistryRoot; }, [](P& S, TPlacementRegRoot V) { S.RegistryRoot = V; }),
       BoolProp<P>("UseRegistry", [](P& S) { return S.UseRegistry; }, [](P& S, bool V) { S.UseRegistry = V; }),
       IntProp<P>("Version", [](P& S) { return S.Version; }, [](P& S, int V) { S.Version = V; })},
      {EventProp<P>("OnSavePlacement", &P::OnSavePlacement), EventProp<P>("OnRestorePlacement", &P::OnRestorePlacement)},
      MakeComponent<TFormPlacement>};
  return Info;
}

TCustomForm* TFormPlacement::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

std::string TFormPlacement::IniFileName() const {
  if (!FIniFileName.empty()) return FIniFileName;
  return UseRegistry ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::IniSection() const { return FIniSection.empty() ? GetDefaultSection(Owner()) : FIniSection; }

void TFormPlacement::Loaded() {
  const bool WasLoading = ComponentState() & csLoading;
  TComponent::Loaded();
  if (WasLoading) SetEvents();
  UpdateHook();
}

void TFormPlacement::SetEvents() {
  TCustomForm* F = Form();
  if (!F) return;
  FSaveFormShow = F->OnShow;
  FSaveFormCloseQuery = F->OnCloseQuery;
  FSaveFormDestroy = F->OnDestroy;
  F->OnShow = [this](TObject* Sender) { FormShow(Sender); };
  F->OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
  F->OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };
  FDefMaximize = F->BorderIcons() & (1u << biMaximize);
  FEventsHooked = true;
  if (FPreventResize) UpdatePreventResize();
}

void TFormPlacement::RestoreEvents() {
  FEventsHooked = false;
  TCustomForm* F = Form();
  if (!F || F->Destroying()) return;  // the form's members are going with it
  F->OnShow = FSaveFormShow;
  F->OnCloseQuery = FSaveFormCloseQuery;
  F->OnDestroy = FSaveFormDestroy;
}

void TFormPlacement::FormShow(TObject* Sender) {
  if (Active) {
    try {
      RestoreFormPlacement();
    } catch (...) {
      Application->HandleException(this);
    }
  }
  if (FSaveFormShow) FSaveFormShow(Sender);
}

void TFormPlacement::FormCloseQuery(TObject* Sender, bool& CanClose) {
  if (FSaveFormCloseQuery) FSaveFormCloseQuery(Sender, CanClose);
  TCustomForm* F = Form();
  if (CanClose && Active && F && F->HandleAllocated()) {
    try {
      SaveFormPlacement();
    } catch (...) {
      FSaved = true;  // tried: the destruction does not try (and report) it again
      Application->HandleException(this);
    }
  }
}

void TFormPlacement::FormDestroy(TObject* Sender) {
  if (Active && !FSaved) {
    FDestroying = true;
    try {
      SaveFormPlacement();
    } catch (...) {
      Application->HandleException(this);
    }
    FDestroying = false;
  }
  if (FSaveFormDestroy) FSaveFormDestroy(Sender);
}

TCustomIniFile* TFormPlacement::GetIniFileObject() const {
  if (UseRegistry) return FRegIniFile.get();
  return FIniFile.get();
}

void TFormPlacement::OpenStorage(bool ReadOnly) {
  if (FIniFile || FRegIniFile) return;
  if (UseRegistry) {
    FRegIniFile = std::make_unique<TRegIniFile>(IniFileName(), ReadOnly ? KEY_READ : KEY_ALL_ACCESS);
    static const HKEY Roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG,
                                 HKEY_CLASSES_ROOT, HKEY_USERS,         HKEY_DYN_DATA};
    if (RegistryRoot != prCurrentUser) FRegIniFile->ChangeRoot(Roots[RegistryRoot], !ReadOnly);
  } else {
    FIniFile = std::make_unique<TIniFile>(IniFileName());
  }
}

void TFormPlacement::CloseStorage() {
  FRegIniFile.reset();
  FIniFile.reset();
}

namespace {

// Opens Placement's storage for one call when it is closed, and closes it again.
class TStorageScope {
public:
  TStorageScope(TFormPlacement& Placement, bool ReadOnly)
      : FPlacement(Placement), FOpened(!Placement.GetIniFileObject()) {
    if (FOpened) FPlacement.OpenStorage(ReadOnly);
  }
  ~TStorageScope() {
    if (FOpened) FPlacement.CloseStorage();
  }

private:
  TFormPlacement& FPlacement;
  bool FOpened;
};

}  // namespace

std::string TFormPlacement::ReadStoredString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  TStorageScope Scope(*this, true);
  return IniReadString(GetIniFileObject(), Section, Ident, Default);
}

void TFormPlacement::WriteStoredString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  TStorageScope Scope(*this, false);
  IniWriteString(GetIniFileObject(), Section, Ident, Value);
}

std::string TFormPlacement::ReadSectionString(const std::string& Ident, const std::string& Default) {
  return ReadStoredString(IniSection(), Ident, Default);
}

void TFormPlacement::WriteSectionString(const std::string& Ident, const std::string& Value) {
  WriteStoredString(IniSection(), Ident, Value);
}

int TFormPlacement::ReadSectionInteger(const std::string& Ident, int Default) {
  TStorageScope Scope(*this, true);
  return IniReadInteger(GetIniFileObject(), IniSection(), Ident, Default);
}

void TFormPlacement::WriteSectionInteger(const std::string& Ident, int Value) {
  TStorageScope Scope(*this, false);
  IniWriteInteger(GetIniFileObject(), IniSection(), Ident, Value);
}

void TFormPlacement::AddLink(TIniLink* Link) {
  if (std::find(FLinks.begin(), FLinks.end(), Link) == FLinks.end()) FLinks.push_back(Link);
}

void TFormPlacement::RemoveLink(TIniLink* Link) { FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end()); }

void TFormPlacement::NotifyLinks(TIniLinkOperation Operation) {
  const std::vector<TIniLink*> Links = FLinks;
  for (TIniLink* Link : Links) {
    if (Operation == ioSave)
      Link->SaveToIni();
    else
      Link->LoadFromIni();
  }
}

void TFormPlacement::SaveFormPlacement() {
  if (!FRestored && Active) return;
  struct TClose {
    TFormPlacement* P;
    ~TClose() { P->CloseStorage(); }
  } Close{this};
  OpenStorage(false);
  WriteSectionInteger("FormVersion", Version);
  SavePlacement();
  DoSavePlacement();
  FSaved = true;
}

void TFormPlacement::SavePlacement() {
  if (TCustomForm* F = Form()) {
    if (Options & (PlacementBit(fpState) | PlacementBit(fpPosition))) {
      StoreWindowPlacement(F, GetIniFileObject(), IniSection());
      GetIniFileObject()->WriteBool(IniSection(), "Visible", FDestroying);
    }
    if ((Options & PlacementBit(fpActiveControl)) && F->ActiveControl())
      GetIniFileObject()->WriteString(IniSection(), "ActiveControl", F->ActiveControl()->Name());
  }
  NotifyLinks(ioSave);
}

void TFormPlacement::RestoreFormPlacement() {
  FSaved = false;
  {
    struct TClose {
      TFormPlacement* P;
      ~TClose() { P->CloseStorage(); }
    } Close{this};
    OpenStorage(true);
    if (ReadSectionInteger("FormVersion", 0) >= Version) {
      RestorePlacement();
      FRestored = true;
      DoRestorePlacement();
      TCustomForm* F = Form();
      if (F && (Options & PlacementBit(fpActiveControl))) {
        auto* Control = dynamic_cast<TWinControl*>(F->FindComponent(ReadSectionString("ActiveControl", "")));
        if (Control && Control->CanFocus()) F->SetActiveControl(Control);
      }
    }
    FRestored = true;
  }
  UpdatePlacement();
}

void TFormPlacement::RestorePlacement() {
  if (TCustomForm* F = Form())
    LoadWindowPlacement(F, GetIniFileObject(), IniSection(), Options & PlacementBit(fpState), Options & PlacementBit(fpPosition));
  NotifyLinks(ioLoad);
}

void TFormPlacement::DoSavePlacement() {
  if (OnSavePlacement) OnSavePlacement(this);
}

void TFormPlacement::DoRestorePlacement() {
  if (OnRestorePlacement) OnRestorePlacement(this);
}

void TFormPlacement::UpdatePlacement() {
  TCustomForm* F = Form();
  if (!F || !F->HandleAllocated() || (ComponentState() & csLoading) || FPreventResize || !FMinMaxInfo.DefaultMinMaxInfo())
    return;
  WINDOWPLACEMENT P{};
  P.length = sizeof(P);
  GetWindowPlacement(F->Handle(), &P);
  if (!IsWindowVisible(F->Handle())) P.showCmd = SW_HIDE;
  int MetricX = -1;
  switch (F->BorderStyle()) {
    case bsSingleForm: case bsToolWindow: MetricX = SM_CXBORDER; break;
    case bsSizeable: case bsSizeToolWin: MetricX = SM_CXFRAME; break;
    case bsDialog: MetricX = SM_CXDLGFRAME; break;
    case bsNoneForm: break;
  }
  P.ptMaxPosition = MetricX < 0 ? POINT{0, 0} : POINT{-GetSystemMetrics(MetricX), -GetSystemMetrics(MetricX + 1)};
  SetWindowPlacement(F->Handle(), &P);
}

void TFormPlacement::MinMaxInfoChanged() {
  UpdatePlacement();
  if (!(ComponentState() & csLoading)) UpdateHook();
}

void TFormPlacement::UpdateHook() {
  if (!FMinMaxInfo.DefaultMinMaxInfo() || FPreventResize)
    FWinHook->SetWinControl(Form());
  else
    FWinHook->SetWinControl(nullptr);
}

void TFormPlacement::SetPreventResize(bool Value) {
  if (!Form() || Value == FPreventResize) return;
  FPreventResize = Value;
  UpdatePlacement();
  UpdatePreventResize();
}

void TFormPlacement::UpdatePreventResize() {
  TCustomForm* F = Form();
  if (!F) return;
  const TBorderIcons MaxIcon = 1u << biMaximize;
  if (FPreventResize) FDefMaximize = F->BorderIcons() & MaxIcon;
  const bool WasActive = Active;
  Active = false;
  if (!FPreventResize && FDefMaximize && F->BorderStyle() != bsDialog)
    F->SetBorderIcons(F->BorderIcons() | MaxIcon);
  else
    F->SetBorderIcons(F->BorderIcons() & ~MaxIcon);
  Active = WasActive;
  if (!(ComponentState() & csLoading)) UpdateHook();
}

void TFormPlacement::WndMessage(TObject*, TMessage& Msg, bool&) {
  TCustomForm* F = Form();
  if (FPreventResize && F) {
    switch (Msg.Msg) {
      case WM_GETMINMAXINFO:
        if (F->HandleAllocated() && IsWindowVisible(F->Handle())) {
          auto* Info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
          Info->ptMinTrackSize = {F->Width(), F->Height()};
          Info->ptMaxTrackSize = {F->Width(), F->Height()};
          Msg.Result = 1;
        }
        break;
      case WM_NCHITTEST:
        if (Msg.Result >= HTLEFT && Msg.Result <= HTBOTTOMRIGHT) Msg.Result = HTNOWHERE;
        break;
      case WM_INITMENUPOPUP:
        if (HIWORD(Msg.LParam) != 0) {
          const auto Menu = reinterpret_cast<HMENU>(Msg.WParam);
          EnableMenuItem(Menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
          EnableMenuItem(Menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
          Msg.Result = 1;
        }
        break;
      default: break;
    }
  } else if (Msg.Msg == WM_GETMINMAXINFO) {
    auto* Info = reinterpret_cast<MINMAXINFO*>(Msg.LParam);
    const TWinMinMaxInfo& M = FMinMaxInfo;
    if (!M.DefaultMinMaxInfo()) {
      auto Take = [](LONG& Member, int Value) {
        if (Value != 0) Member = Value;
      };
      Take(Info->ptMinTrackSize.x, M.MinTrackWidth());
      Take(Info->ptMinTrackSize.y, M.MinTrackHeight());
      Take(Info->ptMaxTrackSize.x, M.MaxTrackWidth());
      Take(Info->ptMaxTrackSize.y, M.MaxTrackHeight());
      Take(Info->ptMaxSize.x, M.MaxSizeWidth());
      Take(Info->ptMaxSize.y, M.MaxSizeHeight());
      Take(Info->ptMaxPosition.x, M.MaxPosLeft());
      Take(Info->ptMaxPosition.y, M.MaxPosTop());
    } else {
      Info->ptMaxPosition = {0, 0};
    }
    Msg.Result = 1;
  }
}

// ---------------------------------------------------------------------------------------------
// TFormStorage

TFormStorage::TFormStorage(TComponent* AOwner)
    : TFormPlacement(AOwner), FStoredProps(std::make_unique<TStringList>()), FStoredValues(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() = default;

const TClassInfo& TFormStorage::StaticClassInfo() {
  using S = TFormStorage;
  static const TClassInfo Info{"TFormStorage",
                               &TFormPlacement::StaticClassInfo(),
                               {StringsProp<S>("StoredProps", [](S& F) { return F.FStoredProps.get(); }),
                                CollectionProp<S>("StoredValues", TStoredValue::StaticClassInfo(),
                                                  [](S& F) { return F.FStoredValues.get(); })},
                               {},
                               MakeComponent<TFormStorage>};
  return Info;
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  UpdateStoredList(Owner(), *FStoredProps, true);
}

void TFormStorage::SavePlacement() {
  TFormPlacement::SavePlacement();
  SaveStoredProps();
  FStoredValues->SaveValues();
}

void TFormStorage::RestorePlacement() {
  TFormPlacement::RestorePlacement();
  FRestored = true;
  RestoreStoredProps();
  FStoredValues->RestoreValues();
}

void TFormStorage::SaveStoredProps() {
  TPropsStorage Storage;
  Storage.Section = IniSection();
  Storage.OnWriteString = [this](const std::string& Section, const std::string& Ident, const std::string& Value) {
    WriteStoredString(Section, Ident, Value);
  };
  Storage.OnEraseSection = [this](const std::string& Section) { IniEraseSection(GetIniFileObject(), Section); };
  StoreObjectsProps(Storage, Owner(), *FStoredProps);
}

void TFormStorage::RestoreStoredProps() {
  TPropsStorage Storage;
  Storage.Section = IniSection();
  Storage.OnReadString = [this](const std::string& Section, const std::string& Ident, const std::string& Default) {
    return ReadStoredString(Section, Ident, Default);
  };
  try {
    LoadObjectsProps(Storage, Owner(), *FStoredProps);
  } catch (...) {
  }
}

void TFormStorage::Notification(TComponent* AComponent, TOperation Operation) {
  TFormPlacement::Notification(AComponent, Operation);
  if (Operation != opRemove || Destroying() || !FStoredProps) return;
  for (int I = FStoredProps->Count() - 1; I >= 0; --I)
    if (FStoredProps->Objects(I) == AComponent) FStoredProps->Delete(I);
}
