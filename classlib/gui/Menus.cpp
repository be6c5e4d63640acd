// Popup menus and their items.
#include "classlib/gui/Menus.h"

#include "classlib/gui/Forms.h"

#include <algorithm>
#include <map>

namespace {

std::map<UINT, TMenuItem*>& Commands() {
  static std::map<UINT, TMenuItem*> Map;
  return Map;
}

UINT NextCommand() {
  static UINT Next = 0;
  do {
    Next = Next >= 0xEFFF ? 1 : Next + 1;  // the commands of TrackPopupMenu are 16-bit; 0 is none
  } while (Commands().count(Next));
  return Next;
}

// Drawing of item images (HBMMENU_CALLBACK) for the menus shown.
void MeasureItem(MEASUREITEMSTRUCT& M) {
  TMenuItem* Item = TMenuItem::FindCommand(M.itemID);
  TCustomImageList* Images = Item ? Item->GetImageList() : nullptr;
  if (!Images) return;
  M.itemWidth = static_cast<UINT>(Images->Width());
  M.itemHeight = static_cast<UINT>(Images->Height());
}

void DrawItem(const DRAWITEMSTRUCT& D) {
  TMenuItem* Item = TMenuItem::FindCommand(D.itemID);
  TCustomImageList* Images = Item ? Item->GetImageList() : nullptr;
  if (!Images || Item->ImageIndex() < 0 || Item->ImageIndex() >= Images->Count()) return;
  const int Y = D.rcItem.top + (D.rcItem.bottom - D.rcItem.top - Images->Height()) / 2;
  Images->Draw(D.hDC, D.rcItem.left, Y, Item->ImageIndex(), Item->Enabled());
}

void MenuWndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_MEASUREITEM:
      if (reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam)->CtlType == ODT_MENU) {
        MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam));
        M.Result = TRUE;
        return;
      }
      break;
    case WM_DRAWITEM:
      if (reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam)->CtlType == ODT_MENU) {
        DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam));
        M.Result = TRUE;
        return;
      }
      break;
    case WM_INITMENUPOPUP:
      // A submenu opening: its item's click runs first, so that it can fill or change the submenu.
      if (TMenuItem* Item = TMenuItem::FindSubMenu(reinterpret_cast<HMENU>(M.WParam))) Item->Click();
      M.Result = 0;
      return;
    case WM_MENUSELECT:
      if (Application) {
        TMenuItem* Item = (HIWORD(M.WParam) & MF_POPUP) ? nullptr : TMenuItem::FindCommand(LOWORD(M.WParam));
        Application->HintText = Item ? GetLongHint(Item->Hint()) : std::string();
      }
      return;
  }
  M.Result = DefWindowProcA(nullptr, M.Msg, M.WParam, M.LParam);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TMenuItem

const TClassInfo& TMenuItem::StaticClassInfo() {
  static const TClassInfo Info{
      "TMenuItem",
      nullptr,
      {StrProp<TMenuItem>("Name", &TMenuItem::Name, &TMenuItem::SetName),
       StrProp<TMenuItem>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption),
       BoolProp<TMenuItem>("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled),
       BoolProp<TMenuItem>("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked),
       BoolProp<TMenuItem>("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible),
       StrProp<TMenuItem>("ShortCut", [](TMenuItem& I) { return ShortCutToText(I.ShortCut()); },
                          [](TMenuItem& I, const std::string& V) { I.SetShortCut(TextToShortCut(V)); }),
       StrProp<TMenuItem>("Hint", &TMenuItem::Hint, &TMenuItem::SetHint),
       IntProp<TMenuItem>("Tag", [](TMenuItem& I) { return static_cast<long long>(I.Tag); },
                          [](TMenuItem& I, int V) { I.Tag = V; }),
       IntProp<TMenuItem>("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex),
       EnumProp<TMenuItem, TMenuBreak>("Break", {"mbNone", "mbBreak", "mbBarBreak"}, &TMenuItem::Break,
                                       &TMenuItem::SetBreak),
       ComponentProp<TMenuItem, TCustomImageList>("SubMenuImages", &TMenuItem::SubMenuImages,
                                                  &TMenuItem::SetSubMenuImages),
       ComponentProp<TMenuItem, TBasicAction>("Action", &TMenuItem::Action, &TMenuItem::SetAction),
       // Where a layout puts the item: a popup menu or another item, by name.
       ComponentProp<TMenuItem, TComponent>(
           "Parent",
           [](TMenuItem& I) -> TComponent* {
             if (I.Parent() && I.Parent()->FMenu) return I.Parent()->FMenu;
             return I.Parent();
           },
           [](TMenuItem& I, TComponent* V) {
             if (auto* Menu = dynamic_cast<TMenu*>(V)) Menu->Items()->Add(&I);
             else if (auto* Item = dynamic_cast<TMenuItem*>(V)) Item->Add(&I);
           })},
      {EventProp<TMenuItem>("OnClick", &TMenuItem::OnClick)},
      [](TComponent* Owner) -> TComponent* { return new TMenuItem(Owner); }};
  return Info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(NextCommand()) { Commands()[FCommand] = this; }

TMenuItem::~TMenuItem() {
  Commands().erase(FCommand);
  SetAction(nullptr);
  SetSubMenuImages(nullptr);
  while (!FItems.empty()) delete FItems.back();
  if (FParent) FParent->Remove(this);
  if (FHandle) DestroyMenu(FHandle);
}

TMenuItem* TMenuItem::FindCommand(UINT Command) {
  const auto It = Commands().find(Command);
  return It == Commands().end() ? nullptr : It->second;
}

TMenuItem* TMenuItem::FindSubMenu(HMENU Menu) {
  for (const auto& Entry : Commands())
    if (Entry.second->FHandle == Menu && !Entry.second->FItems.empty()) return Entry.second;
  return nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (Item->FParent) throw EInvalidOperation("Menu inserted twice");
  if (Index < 0 || Index > Count()) throw EListError("Menu index out of range");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  RebuildHandle();
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError("Menu index out of range");
  TMenuItem* Item = FItems[static_cast<size_t>(Index)];
  FItems.erase(FItems.begin() + Index);
  Item->FParent = nullptr;
  RebuildHandle();
}

void TMenuItem::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* I = this;
  while (I->FParent) I = I->FParent;
  return I->FMenu;
}

TCustomImageList* TMenuItem::GetImageList() const {
  for (const TMenuItem* P = FParent; P; P = P->FParent)
    if (P->FSubMenuImages) return P->FSubMenuImages;
  TMenu* Menu = GetParentMenu();
  return Menu ? Menu->Images() : nullptr;
}

std::string TMenuItem::MenuText() const {
  const std::string Keys = ShortCutToText(FShortCut);
  return Keys.empty() ? FCaption : FCaption + "\t" + Keys;
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    FHandle = CreatePopupMenu();
    RebuildHandle();
  }
  return FHandle;
}

void TMenuItem::RebuildHandle() {
  if (!FHandle) return;
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  UINT Position = 0;
  for (TMenuItem* Item : FItems) {
    if (!Item->FVisible) continue;
    std::string Text = Item->MenuText();
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    Info.wID = Item->FCommand;
    Info.fType = Item->FBreak == mbBreak ? MFT_MENUBREAK : Item->FBreak == mbBarBreak ? MFT_MENUBARBREAK : 0;
    if (Item->FCaption == "-") {
      Info.fType |= MFT_SEPARATOR;
      Info.fMask &= ~static_cast<UINT>(MIIM_STRING);
    }
    Info.fState = (Item->FEnabled ? 0u : static_cast<UINT>(MFS_GRAYED)) | (Item->FChecked ? static_cast<UINT>(MFS_CHECKED) : 0u);
    Info.dwTypeData = Text.data();
    if (!Item->FItems.empty()) {
      Info.fMask |= MIIM_SUBMENU;
      Info.hSubMenu = Item->Handle();
    }
    if (Item->FImageIndex >= 0 && Item->GetImageList()) {
      Info.fMask |= MIIM_BITMAP;
      Info.hbmpItem = HBMMENU_CALLBACK;
    }
    InsertMenuItemA(FHandle, Position++, TRUE, &Info);
  }
  // An open menu shows the change at once.
  for (HWND Wnd = FindWindowExA(nullptr, nullptr, "#32768", nullptr); Wnd; Wnd = FindWindowExA(nullptr, Wnd, "#32768", nullptr))
    InvalidateRect(Wnd, nullptr, TRUE);
}

void TMenuItem::MenuChanged() {
  if (FParent) FParent->RebuildHandle();
}

template <class T>
static void Change(TMenuItem* Item, T& Field, const T& Value, void (TMenuItem::*Changed)()) {
  if (Field == Value) return;
  Field = Value;
  (Item->*Changed)();
}

void TMenuItem::SetCaption(const std::string& Value) { Change(this, FCaption, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetEnabled(bool Value) { Change(this, FEnabled, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetChecked(bool Value) { Change(this, FChecked, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetVisible(bool Value) { Change(this, FVisible, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetShortCut(TShortCut Value) { Change(this, FShortCut, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetImageIndex(int Value) { Change(this, FImageIndex, Value, &TMenuItem::MenuChanged); }
void TMenuItem::SetBreak(TMenuBreak Value) { Change(this, FBreak, Value, &TMenuItem::MenuChanged); }

void TMenuItem::SetSubMenuImages(TCustomImageList* Value) {
  if (Value == FSubMenuImages) return;
  if (FSubMenuImages) FSubMenuImages->RemoveFreeNotification(this);
  FSubMenuImages = Value;
  if (Value) Value->FreeNotification(this);
  RebuildHandle();
}

void TMenuItem::SetAction(TBasicAction* Value) { SetActionLink(this, this, FAction, Value); }

void TMenuItem::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
  if (!Sender) {
    FAction = nullptr;
    return;
  }
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!A) return;
  if (!CheckDefaults || FCaption.empty()) FCaption = A->Caption();
  if (!CheckDefaults || FEnabled) FEnabled = A->Enabled();
  if (!CheckDefaults || !FChecked) FChecked = A->Checked();
  if (!CheckDefaults || FVisible) FVisible = A->Visible();
  if (!CheckDefaults || FShortCut == scNone) FShortCut = A->ShortCut();
  if (!CheckDefaults || FHint.empty()) FHint = A->Hint();
  if (!CheckDefaults || FImageIndex < 0) FImageIndex = A->ImageIndex();
  MenuChanged();
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FAction) FAction = nullptr;
  if (AComponent == FSubMenuImages) {
    FSubMenuImages = nullptr;
    RebuildHandle();
  }
}

void TMenuItem::Click() {
  if (FAction) {
    FAction->Execute();
  } else if (OnClick) {
    const TNotifyEvent Handler = OnClick;  // the handler may free the item
    Handler(this);
  }
}

// ---------------------------------------------------------------------------------------------
// TMenu, TPopupMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) { FItems->FMenu = this; }

namespace {

TMenuItem* FindShortCutItem(TMenuItem* Parent, TShortCut Key) {
  for (int I = 0; I < Parent->Count(); ++I) {
    TMenuItem* Item = Parent->Items(I);
    if (Item->ShortCut() == Key) return Item;
    if (TMenuItem* Found = FindShortCutItem(Item, Key)) return Found;
  }
  return nullptr;
}

}  // namespace

bool TMenu::IsShortCut(TShortCut Key) {
  if (Key == scNone) return false;
  TMenuItem* Item = FindShortCutItem(FItems, Key);
  if (!Item) return false;
  if (Item->Action()) Item->Action()->Update();
  if (Item->ShortCut() != Key || !Item->Enabled()) return false;
  Item->Click();
  return true;
}

TMenu::~TMenu() {
  SetImages(nullptr);
  delete FItems;
}

void TMenu::SetImages(TCustomImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  FItems->RebuildHandle();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    FItems->RebuildHandle();
  }
}

const TClassInfo& TPopupMenu::StaticClassInfo() {
  static const TClassInfo Info{
      "TPopupMenu",
      nullptr,
      {StrProp<TPopupMenu>("Name", &TPopupMenu::Name, &TPopupMenu::SetName),
       ComponentProp<TPopupMenu, TCustomImageList>("Images", &TPopupMenu::Images, &TPopupMenu::SetImages),
       EnumProp<TPopupMenu, TPopupAlignment>("Alignment", {"paLeft", "paRight", "paCenter"},
                                             [](TPopupMenu& M) { return M.Alignment; },
                                             [](TPopupMenu& M, TPopupAlignment V) { M.Alignment = V; }),
       BoolProp<TPopupMenu>("AutoPopup", [](TPopupMenu& M) { return M.AutoPopup; },
                            [](TPopupMenu& M, bool V) { M.AutoPopup = V; })},
      {EventProp<TPopupMenu>("OnPopup", &TPopupMenu::OnPopup)},
      [](TComponent* Owner) -> TComponent* { return new TPopupMenu(Owner); }};
  return Info;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

HWND TPopupMenu::Window() {
  static const HWND Wnd = AllocateHWnd(MenuWndProc);
  return Wnd;
}

namespace {

void UpdateItemActions(TMenuItem* Item) {
  for (int I = 0; I < Item->Count(); ++I) {
    if (TBasicAction* A = Item->Items(I)->Action()) A->Update();
    UpdateItemActions(Item->Items(I));
  }
}

}  // namespace

void TPopupMenu::Popup(int X, int Y) {
  PopupPoint = POINT{X, Y};
  if (OnPopup) OnPopup(this);
  UpdateItemActions(Items());
  const UINT Align = Alignment == paRight ? TPM_RIGHTALIGN : Alignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
  const HWND Owner = Window();
  // The actions keep updating while the menu's own loop runs.
  TThreadTimer Updates(100, [] {
    if (Application && Application->ActionUpdateHook) Application->ActionUpdateHook();
  });
  const UINT Command = static_cast<UINT>(
      TrackPopupMenu(Handle(), Align | TPM_RIGHTBUTTON | TPM_RETURNCMD, X, Y, 0, Owner, nullptr));
  PostMessageA(Owner, WM_NULL, 0, 0);
  // The menu has closed: the chosen item runs, found by its command, so that an item freed
  // meanwhile runs nothing; nothing of the menu is touched after the item ran.
  if (TMenuItem* Item = Command ? TMenuItem::FindCommand(Command) : nullptr) Item->Click();
}
