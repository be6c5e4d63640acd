// Actions, action lists, shortcuts.
#include "classlib/gui/ActnList.h"

#include "classlib/gui/Forms.h"
#include "classlib/gui/Menus.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Shortcuts

namespace {

struct TKeyName {
  WORD Key;
  const char* Name;
};

const TKeyName KeyNames[] = {{VK_BACK, "BkSp"},  {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"},   {VK_RETURN, "Enter"},
                             {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
                             {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
                             {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"}};

struct TShiftName {
  TShortCut Bit;
  const char* Name;
};
const TShiftName ShiftNames[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyText(WORD Key) {
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return std::string(1, static_cast<char>(Key));
  if (Key >= VK_F1 && Key <= VK_F24) return "F" + std::to_string(Key - VK_F1 + 1);
  for (const TKeyName& N : KeyNames)
    if (N.Key == Key) return N.Name;
  return std::string();
}

}  // namespace

TShortCut ShortCut(WORD Key, unsigned Shift) {
  if (Key & 0xFF00) return scNone;
  TShortCut Result = Key;
  if (Shift & ssShift) Result |= scShift;
  if (Shift & ssCtrl) Result |= scCtrl;
  if (Shift & ssAlt) Result |= scAlt;
  return Result;
}

std::string ShortCutToText(TShortCut Value) {
  const std::string Name = KeyText(Value & 0xFF);
  if (Name.empty()) return std::string();
  std::string Result;
  for (const TShiftName& S : ShiftNames)
    if (Value & S.Bit) Result += S.Name;
  return Result + Name;
}

TShortCut TextToShortCut(const std::string& Text) {
  std::string Rest = Text;
  TShortCut Bits = 0;
  for (bool Found = true; Found;) {
    Found = false;
    for (const TShiftName& S : ShiftNames) {
      const std::string N = S.Name;
      if (Rest.size() > N.size() && CompareText(Rest.substr(0, N.size()), N) == 0) {
        Bits |= S.Bit;
        Rest.erase(0, N.size());
        Found = true;
      }
    }
  }
  for (WORD Key = 1; Key < 0x100; ++Key)
    if (!KeyText(Key).empty() && CompareText(KeyText(Key), Rest) == 0) return Key | Bits;
  return scNone;
}

// ---------------------------------------------------------------------------------------------
// TBasicAction

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() {
  // Clients unlink themselves in UnRegisterChanges; copy, since they do it from here.
  for (TActionClient* C : std::vector<TActionClient*>(FClients)) C->ActionChange(nullptr, false);
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterChanges(TActionClient* Client) {
  if (std::find(FClients.begin(), FClients.end(), Client) == FClients.end()) FClients.push_back(Client);
}

void TBasicAction::UnRegisterChanges(TActionClient* Client) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Client), FClients.end());
}

void TBasicAction::Change() {
  for (TActionClient* C : std::vector<TActionClient*>(FClients)) C->ActionChange(this, false);
}

void SetActionLink(TComponent* Self, TActionClient* Client, TBasicAction*& Field, TBasicAction* Value) {
  if (Value == Field) return;
  if (Field) {
    Field->UnRegisterChanges(Client);
    Field->RemoveFreeNotification(Self);
  }
  Field = Value;
  if (Value) {
    Value->RegisterChanges(Client);
    Value->FreeNotification(Self);
    Client->ActionChange(Value, Self->ComponentState() & csLoading);
  }
}

// ---------------------------------------------------------------------------------------------
// TAction

const TClassInfo& TAction::StaticClassInfo() {
  static const TClassInfo Info{
      "TAction",
      nullptr,
      {StrProp<TAction>("Name", &TAction::Name, &TAction::SetName),
       ComponentProp<TAction, TCustomActionList>("ActionList", &TAction::ActionList, &TAction::SetActionList),
       StrProp<TAction>("Caption", &TAction::Caption, &TAction::SetCaption),
       StrProp<TAction>("Category", [](TAction& A) { return A.Category; },
                        [](TAction& A, const std::string& V) { A.Category = V; }),
       StrProp<TAction>("Hint", &TAction::Hint, &TAction::SetHint),
       StrProp<TAction>("ShortCut", [](TAction& A) { return ShortCutToText(A.ShortCut()); },
                        [](TAction& A, const std::string& V) { A.SetShortCut(TextToShortCut(V)); }),
       BoolProp<TAction>("Enabled", &TAction::Enabled, &TAction::SetEnabled),
       BoolProp<TAction>("Checked", &TAction::Checked, &TAction::SetChecked),
       BoolProp<TAction>("Visible", &TAction::Visible, &TAction::SetVisible),
       IntProp<TAction>("ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex)},
      {EventProp<TBasicAction>("OnExecute", &TBasicAction::OnExecute), EventProp<TBasicAction>("OnUpdate", &TBasicAction::OnUpdate)},
      [](TComponent* Owner) -> TComponent* { return new TAction(Owner); }};
  return Info;
}

TAction::TAction(TComponent* AOwner) : TBasicAction(AOwner) {}

TAction::~TAction() { SetActionList(nullptr); }

void TAction::SetActionList(TCustomActionList* Value) {
  if (Value == FActionList) return;
  if (FActionList) {
    auto& L = FActionList->FActions;
    L.erase(std::remove(L.begin(), L.end(), this), L.end());
  }
  FActionList = Value;
  if (Value) Value->FActions.push_back(this);
}

template <class T>
static bool Store(T& Field, const T& Value) {
  if (Field == Value) return false;
  Field = Value;
  return true;
}

void TAction::SetCaption(const std::string& Value) {
  if (Store(FCaption, Value)) Change();
}
void TAction::SetHint(const std::string& Value) {
  if (Store(FHint, Value)) Change();
}
void TAction::SetShortCut(TShortCut Value) {
  if (Store(FShortCut, Value)) Change();
}
void TAction::SetEnabled(bool Value) {
  if (Store(FEnabled, Value)) Change();
}
void TAction::SetChecked(bool Value) {
  if (Store(FChecked, Value)) Change();
}
void TAction::SetVisible(bool Value) {
  if (Store(FVisible, Value)) Change();
}
void TAction::SetImageIndex(int Value) {
  if (Store(FImageIndex, Value)) Change();
}

bool TAction::Execute() {
  Update();
  if (!FEnabled) return false;
  return TBasicAction::Execute();
}

// ---------------------------------------------------------------------------------------------
// TCustomActionList

namespace {

std::vector<TCustomActionList*>& LiveLists() {
  static std::vector<TCustomActionList*> Lists;
  return Lists;
}

TCustomForm* FormOf(TComponent* C) {
  for (; C; C = C->Owner())
    if (auto* F = dynamic_cast<TCustomForm*>(C)) return F;
  return nullptr;
}

// The application's shortcut hook: a key-down against the popup menus of the focused control and
// its parents (so that the control's own commands win over like keys elsewhere on the form), then
// against the actions of the focused form.
bool ShortCutKey(MSG& Msg) {
  TWinControl* Target = FindOwningControl(Msg.hwnd);
  TCustomForm* Form = Target ? Target->ParentForm() : nullptr;
  if (!Form && Screen) Form = Screen->ActiveForm();
  if (!Form) return false;
  const TShortCut Key = ShortCut(static_cast<WORD>(Msg.wParam), KeyboardShift());
  if (Key == scNone) return false;
  for (TControl* C = Target; C; C = C->Parent())
    if (C->PopupMenu() && C->PopupMenu()->IsShortCut(Key)) return true;
  for (TCustomActionList* L : std::vector<TCustomActionList*>(LiveLists()))
    if (FormOf(L) == Form && L->IsShortCut(Key)) return true;
  return false;
}

}  // namespace

const std::vector<TCustomActionList*>& TCustomActionList::Lists() { return LiveLists(); }

const TClassInfo& TCustomActionList::StaticClassInfo() {
  static const TClassInfo Info{
      "TCustomActionList",
      nullptr,
      {StrProp<TCustomActionList>("Name", &TCustomActionList::Name, &TCustomActionList::SetName),
       ComponentProp<TCustomActionList, TCustomImageList>("Images", &TCustomActionList::Images,
                                                          &TCustomActionList::SetImages)},
      {},
      {}};
  return Info;
}

const TClassInfo& TActionList::StaticClassInfo() {
  static const TClassInfo Info{"TActionList", &TCustomActionList::StaticClassInfo(), {}, {},
                               [](TComponent* Owner) -> TComponent* { return new TActionList(Owner); }};
  return Info;
}

TCustomActionList::TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {
  LiveLists().push_back(this);
  if (Application && !Application->ShortCutHook) Application->ShortCutHook = ShortCutKey;
  if (Application && !Application->ActionUpdateHook) Application->ActionUpdateHook = UpdateVisibleActions;
}

TCustomActionList::~TCustomActionList() {
  auto& L = LiveLists();
  L.erase(std::remove(L.begin(), L.end(), this), L.end());
  for (TAction* A : std::vector<TAction*>(FActions)) A->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

void TCustomActionList::UpdateActions() {
  for (TAction* A : std::vector<TAction*>(FActions)) A->Update();
}

bool TCustomActionList::IsShortCut(TShortCut Value) {
  for (TAction* A : std::vector<TAction*>(FActions)) {
    if (A->ShortCut() != Value) continue;
    A->Update();
    if (A->ShortCut() != Value || !A->Enabled()) return false;
    A->Execute();
    return true;
  }
  return false;
}

void UpdateVisibleActions() {
  for (TCustomActionList* L : std::vector<TCustomActionList*>(LiveLists())) {
    const auto& Live = LiveLists();
    if (std::find(Live.begin(), Live.end(), L) == Live.end()) continue;  // freed by an earlier update
    TCustomForm* Form = FormOf(L);
    if (Form && Form->Showing()) L->UpdateActions();
  }
}
