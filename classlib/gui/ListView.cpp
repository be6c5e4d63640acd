// The report-style list view over SysListView32.
#include "classlib/gui/ListView.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TListColumn

const TClassInfo& TListColumn::StaticClassInfo() {
  static const TClassInfo Info{
      "TListColumn",
      nullptr,
      {StrProp<TListColumn>("Caption", &TListColumn::Caption, &TListColumn::SetCaption),
       IntProp<TListColumn>("Width", &TListColumn::Width, &TListColumn::SetWidth),
       IntProp<TListColumn>("MinWidth", &TListColumn::MinWidth, &TListColumn::SetMinWidth),
       BoolProp<TListColumn>("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize),
       IntProp<TListColumn>("Tag", [](TListColumn& C) { return C.Tag; }, [](TListColumn& C, int V) { C.Tag = V; })},
      {},
      {}};
  return Info;
}

TListColumn::TListColumn(TCollection* Collection) : TCollectionItem(Collection) {}

TCustomListView* TListColumn::ListView() const {
  auto* Columns = dynamic_cast<TListColumns*>(Collection());
  return Columns ? Columns->Owner() : nullptr;
}

void TListColumn::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Changed(false);
}

int TListColumn::Width() const {
  TCustomListView* View = ListView();
  if (View && View->HandleAllocated() && Index() >= 0)
    return static_cast<int>(SendMessageA(View->Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
  return FWidth;
}

void TListColumn::SetWidth(int Value) {
  Value = std::max(Value, FMinWidth);
  if (Value == Width() && Value == FWidth) return;
  FWidth = Value;
  Changed(false);
}

void TListColumn::SetMinWidth(int Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  if (FWidth < Value) FWidth = Value;
  Changed(false);
}

void TListColumn::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  Changed(true);
}

// ---------------------------------------------------------------------------------------------
// TListColumns

TListColumns::TListColumns(TCustomListView* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClass<TListColumn>()), FListView(AOwner) {}

TListColumns::~TListColumns() {
  FListView = nullptr;
  Clear();
}

void TListColumns::Update(TCollectionItem* Item) {
  if (!FListView) return;
  if (Item) {
    FListView->UpdateColumn(Item->Index());
    FListView->ApplyAutoSize();
  } else {
    FListView->UpdateColumns();
  }
}

// ---------------------------------------------------------------------------------------------
// TListItem

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner) {
  FSubItems.OnChange = [this](TObject*) { Redraw(); };
}

TCustomListView* TListItem::ListView() const { return FOwner->Owner(); }

int TListItem::Index() const { return FOwner->IndexOf(this); }

void TListItem::Redraw() {
  TCustomListView* View = ListView();
  if (!View->HandleAllocated() || FOwner->UpdateCount() > 0) return;  // the bracket's end repaints
  const int I = Index();
  if (I >= 0) SendMessageA(View->Handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(I), I);
}

void TListItem::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Redraw();
  ListView()->SortChanged(false);
}

void TListItem::SetData(void* Value) {
  if (Value == FData) return;
  FData = Value;
  ListView()->SortChanged(true);
}

void TListItem::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Redraw();
}

bool TListItem::GetState(UINT Mask) const {
  TCustomListView* View = ListView();
  if (!View->HandleAllocated()) return (FState & Mask) != 0;
  return (SendMessageA(View->Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), Mask) & Mask) != 0;
}

void TListItem::SetState(UINT Mask, bool Value) {
  FState = Value ? FState | Mask : FState & ~Mask;
  TCustomListView* View = ListView();
  if (!View->HandleAllocated()) return;
  LVITEMA Item{};
  Item.stateMask = Mask;
  Item.state = Value ? Mask : 0;
  SendMessageA(View->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&Item));
}

void TListItem::MakeVisible(bool PartialOK) {
  TCustomListView* View = ListView();
  SendMessageA(View->Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), PartialOK ? TRUE : FALSE);
}

RECT TListItem::DisplayRect(TDisplayCode Code) const {
  RECT R{};
  TCustomListView* View = ListView();
  if (!View->HandleAllocated()) return R;
  static const int Codes[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS};
  R.left = Codes[Code];
  if (!SendMessageA(View->Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&R)))
    return RECT{};
  return R;
}

void TListItem::Delete() { FOwner->Delete(Index()); }

// ---------------------------------------------------------------------------------------------
// TListItems

TListItems::TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}

TListItems::~TListItems() = default;

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
  return FItems[static_cast<size_t>(Index)].get();
}

int TListItems::IndexOf(const TListItem* Item) const {
  // The position the item had when last asked is tried first.
  const size_t Hint = static_cast<size_t>(Item->FIndexHint);
  if (Hint < FItems.size() && FItems[Hint].get() == Item) return Item->FIndexHint;
  for (size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].get() == Item) {
      Item->FIndexHint = static_cast<int>(I);
      return Item->FIndexHint;
    }
  return -1;
}

TListItem* TListItems::Insert(int Index) {
  Index = std::clamp(Index, 0, Count());
  auto* Item = new TListItem(this);
  Item->FIndexHint = Index;
  FItems.insert(FItems.begin() + Index, std::unique_ptr<TListItem>(Item));
  if (FOwner->HandleAllocated()) FOwner->InsertWindowItem(Index, Item);
  return Item;
}

void TListItems::Delete(int Index) {
  Item(Index);  // raises on a bad index
  if (FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), LVM_DELETEITEM, static_cast<WPARAM>(Index), 0);
  FItems.erase(FItems.begin() + Index);
}

void TListItems::Clear() {
  if (FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), LVM_DELETEALLITEMS, 0, 0);
  FItems.clear();
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageA(FOwner->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  if (FOwner->HandleAllocated()) {
    SendMessageA(FOwner->Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FOwner->Handle(), nullptr, TRUE);
  }
  if (FOwner->FSortType != stNone) FOwner->AlphaSort();
}

void TListItems::FillFromStrings(const TStrings& Lines) {
  BeginUpdate();
  try {
    Clear();
    for (int I = 0; I < Lines.Count(); ++I) {
      TListItem* Item = Add();
      Item->SetCaption(Lines.Get(I));
      Item->SetData(Lines.Objects(I));
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// TCustomListView

const TClassInfo& TCustomListView::StaticClassInfo() {
  using V = TCustomListView;
  static const TClassInfo Info{
      "TCustomListView",
      &TWinControl::StaticClassInfo(),
      {CollectionProp<V>("Columns", TListColumn::StaticClassInfo(), &V::Columns),
       BoolProp<V>("ShowColumnHeaders", &V::ShowColumnHeaders, &V::SetShowColumnHeaders),
       BoolProp<V>("ColumnClick", &V::ColumnClick, &V::SetColumnClick),
       ComponentProp<V, TCustomImageList>("SmallImages", &V::SmallImages, &V::SetSmallImages),
       BoolProp<V>("MultiSelect", &V::MultiSelect, &V::SetMultiSelect),
       BoolProp<V>("RowSelect", &V::RowSelect, &V::SetRowSelect),
       BoolProp<V>("HideSelection", &V::HideSelection, &V::SetHideSelection),
       BoolProp<V>("ReadOnly", &V::ReadOnly, &V::SetReadOnly),
       EnumProp<V, TSortType>("SortType", {"stNone", "stData", "stText", "stBoth"}, &V::SortType, &V::SetSortType)},
      {EventProp<V>("OnColumnClick", &V::OnColumnClick), EventProp<V>("OnCompare", &V::OnCompare),
       EventProp<V>("OnChange", &V::OnChange)},
      {}};
  return Info;
}

const TClassInfo& TListView::StaticClassInfo() {
  static const TClassInfo Info{"TListView", &TCustomListView::StaticClassInfo(), {}, {}, MakeComponent<TListView>};
  return Info;
}

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner), FColumns(this), FItems(this) {
  FWidth = 250;
  FHeight = 150;
  TabStop = true;
  SetBorderStyle(bsSingle);
}

TCustomListView::~TCustomListView() { SetSmallImages(nullptr); }

void TCustomListView::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = WC_LISTVIEWA;
  P.Style |= LVS_REPORT | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
  if (!FShowColumnHeaders) P.Style |= LVS_NOCOLUMNHEADER;
  if (!FColumnClick) P.Style |= LVS_NOSORTHEADER;
  if (!FMultiSelect) P.Style |= LVS_SINGLESEL;
  if (!FHideSelection) P.Style |= LVS_SHOWSELALWAYS;
  if (!FReadOnly) P.Style |= LVS_EDITLABELS;
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, FRowSelect ? LVS_EX_FULLROWSELECT : 0);
  ImagesChanged();
  for (int I = 0; I < FColumns.Count(); ++I) {
    LVCOLUMNA Column{};
    Column.mask = LVCF_WIDTH;
    SendMessageA(FHandle, LVM_INSERTCOLUMNA, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Column));
  }
  UpdateColumns();
  SendMessageA(FHandle, LVM_SETITEMCOUNT, FItems.FItems.size(), 0);
  for (size_t I = 0; I < FItems.FItems.size(); ++I) InsertWindowItem(static_cast<int>(I), FItems.FItems[I].get());
  if (FItems.FUpdateCount > 0) SendMessageA(FHandle, WM_SETREDRAW, FALSE, 0);
}

void TCustomListView::DestroyWnd() {
  // The window's order, selection and focus stay with the items.
  for (auto& Item : FItems.FItems) {
    const UINT State = static_cast<UINT>(
        SendMessageA(FHandle, LVM_GETITEMSTATE, static_cast<WPARAM>(Item->Index()), LVIS_SELECTED | LVIS_FOCUSED));
    Item->FState = State;
  }
  for (int I = 0; I < FColumns.Count(); ++I) FColumns.Items(I)->FWidth = FColumns.Items(I)->Width();
  TWinControl::DestroyWnd();
}

void TCustomListView::InsertWindowItem(int Index, TListItem* Item) {
  // Straight to the list view's own procedure: the library has nothing to add to these messages.
  LVITEMA Row{};
  Row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  Row.iItem = Index;
  Row.pszText = LPSTR_TEXTCALLBACKA;
  Row.iImage = I_IMAGECALLBACK;
  Row.lParam = reinterpret_cast<LPARAM>(Item);
  Row.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  Row.state = Item->FState;
  CallWindowProcA(FDefWndProc, FHandle, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&Row));
  for (int Column = 1; Column < FColumns.Count(); ++Column) {
    Row.mask = LVIF_TEXT;
    Row.iSubItem = Column;
    CallWindowProcA(FDefWndProc, FHandle, LVM_SETITEMTEXTA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Row));
  }
}

void TCustomListView::UpdateColumn(int Index) {
  if (!HandleAllocated() || Index < 0 || Index >= FColumns.Count()) return;
  TListColumn* C = FColumns.Items(Index);
  LVCOLUMNA Column{};
  Column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  std::string Text = C->FCaption;
  Column.pszText = Text.data();
  Column.cx = C->FWidth;
  Column.iSubItem = Index;
  if (SendMessageA(FHandle, LVM_SETCOLUMNA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Column))) return;
  SendMessageA(FHandle, LVM_INSERTCOLUMNA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&Column));
}

void TCustomListView::UpdateColumns() {
  if (!HandleAllocated()) return;
  // Columns deleted from the collection leave the window too.
  const HWND Header = reinterpret_cast<HWND>(SendMessageA(FHandle, LVM_GETHEADER, 0, 0));
  int Shown = Header ? static_cast<int>(SendMessageA(Header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  while (Shown > FColumns.Count()) SendMessageA(FHandle, LVM_DELETECOLUMN, static_cast<WPARAM>(--Shown), 0);
  for (int I = 0; I < FColumns.Count(); ++I) UpdateColumn(I);
  ApplyAutoSize();
}

void TCustomListView::ApplyAutoSize() {
  if (!HandleAllocated()) return;
  int Fixed = 0, Auto = 0;
  for (int I = 0; I < FColumns.Count(); ++I) {
    TListColumn* C = FColumns.Items(I);
    if (C->FAutoSize) ++Auto;
    else Fixed += C->Width();
  }
  if (Auto == 0) return;
  RECT R;
  GetClientRect(FHandle, &R);
  const int Share = std::max(0, static_cast<int>(R.right) - Fixed) / Auto;
  for (int I = 0; I < FColumns.Count(); ++I) {
    TListColumn* C = FColumns.Items(I);
    if (!C->FAutoSize) continue;
    C->FWidth = std::max(Share, C->FMinWidth);
    SendMessageA(FHandle, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(I), MAKELPARAM(C->FWidth, 0));
  }
}

void TCustomListView::Resize() {
  TWinControl::Resize();
  ApplyAutoSize();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
  if (Value == FShowColumnHeaders) return;
  FShowColumnHeaders = Value;
  if (HandleAllocated()) UpdateWindowStyle(LVS_NOCOLUMNHEADER, !Value);
}

void TCustomListView::SetColumnClick(bool Value) {
  if (Value == FColumnClick) return;
  FColumnClick = Value;
  if (HandleAllocated()) UpdateWindowStyle(LVS_NOSORTHEADER, !Value);
}

void TCustomListView::SetMultiSelect(bool Value) {
  if (Value == FMultiSelect) return;
  FMultiSelect = Value;
  if (HandleAllocated()) UpdateWindowStyle(LVS_SINGLESEL, !Value);
}

void TCustomListView::SetHideSelection(bool Value) {
  if (Value == FHideSelection) return;
  FHideSelection = Value;
  if (HandleAllocated()) UpdateWindowStyle(LVS_SHOWSELALWAYS, !Value);
}

void TCustomListView::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  if (HandleAllocated()) UpdateWindowStyle(LVS_EDITLABELS, !Value);
}

void TCustomListView::SetRowSelect(bool Value) {
  if (Value == FRowSelect) return;
  FRowSelect = Value;
  if (HandleAllocated())
    SendMessageA(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, Value ? LVS_EX_FULLROWSELECT : 0);
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
  if (Value == FSmallImages) return;
  if (FSmallImages) {
    FSmallImages->RemoveFreeNotification(this);
    FSmallImages->UnRegisterChanges(this);
  }
  FSmallImages = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->RegisterChanges(this, [this] { ImagesChanged(); });
  }
  ImagesChanged();
}

void TCustomListView::ImagesChanged() {
  if (!HandleAllocated()) return;
  const HIMAGELIST List = FSmallImages ? FSmallImages->Handle() : nullptr;
  // The view follows the list's handle: a list that made a new one is shown again.
  if (reinterpret_cast<HIMAGELIST>(SendMessageA(FHandle, LVM_GETIMAGELIST, LVSIL_SMALL, 0)) == List) return;
  SendMessageA(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(List));
  InvalidateRect(FHandle, nullptr, TRUE);
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FSmallImages) {
    FSmallImages = nullptr;
    ImagesChanged();
  }
}

void TCustomListView::SetSortType(TSortType Value) {
  if (Value == FSortType) return;
  FSortType = Value;
  if (Value != stNone) AlphaSort();
}

void TCustomListView::SortChanged(bool ByData) {
  if (FItems.FUpdateCount > 0) return;
  if (FSortType == stBoth || FSortType == (ByData ? stData : stText)) AlphaSort();
}

TListItem* TCustomListView::NextItem(int Start, UINT Flags) {
  if (!HandleAllocated()) {
    for (size_t I = static_cast<size_t>(Start + 1); I < FItems.FItems.size(); ++I)
      if (FItems.FItems[I]->FState & (Flags == LVNI_SELECTED ? LVIS_SELECTED : LVIS_FOCUSED)) return FItems.FItems[I].get();
    return nullptr;
  }
  const int I = static_cast<int>(SendMessageA(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(Start), Flags));
  return I >= 0 && I < FItems.Count() ? FItems.Item(I) : nullptr;
}

TListItem* TCustomListView::Selected() { return NextItem(-1, LVNI_SELECTED); }

void TCustomListView::SetSelected(TListItem* Item) {
  for (auto& I : FItems.FItems)
    if (I.get() != Item && I->Selected()) I->SetSelected(false);
  if (Item) Item->SetSelected(true);
}

TListItem* TCustomListView::ItemFocused() { return NextItem(-1, LVNI_FOCUSED); }

void TCustomListView::SetItemFocused(TListItem* Item) {
  if (TListItem* Old = ItemFocused(); Old && Old != Item) Old->SetFocused(false);
  if (Item) Item->SetFocused(true);
}

int TCustomListView::SelCount() {
  if (HandleAllocated()) return static_cast<int>(SendMessageA(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
  return static_cast<int>(std::count_if(FItems.FItems.begin(), FItems.FItems.end(),
                                        [](const auto& I) { return (I->FState & LVIS_SELECTED) != 0; }));
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
  LVHITTESTINFO Hit{};
  Hit.pt = POINT{X, Y};
  const int I = static_cast<int>(SendMessageA(Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&Hit)));
  return I >= 0 && I < FItems.Count() && (Hit.flags & LVHT_ONITEM) ? FItems.Item(I) : nullptr;
}

int TCustomListView::CompareItems(TListItem* Item1, TListItem* Item2, LPARAM Data) {
  int Result = 0;
  if (OnCompare) OnCompare(this, Item1, Item2, Data, Result);
  else Result = lstrcmpA(Item1->Caption().c_str(), Item2->Caption().c_str());
  return Result;
}

namespace {

// The window's order follows the items' new positions, kept in their index hints.
int CALLBACK CompareHints(LPARAM Item1, LPARAM Item2, LPARAM) {
  const int A = reinterpret_cast<TListItem*>(Item1)->Index(), B = reinterpret_cast<TListItem*>(Item2)->Index();
  return A < B ? -1 : A > B ? 1 : 0;
}

}  // namespace

int TCustomListView::SortCompare(TListItem* Item1, TListItem* Item2, LPARAM Data) { return CompareItems(Item1, Item2, Data); }

bool TCustomListView::CustomSort(TLVCompare SortProc, LPARAM Data) {
  if (FItems.FItems.size() < 2) return true;
  // Sorted here, so that the comparisons (and what they raise) stay outside the window's callback;
  // the items keep their order when a comparison raises.
  std::vector<TListItem*> Order;
  Order.reserve(FItems.FItems.size());
  for (auto& Item : FItems.FItems) Order.push_back(Item.get());
  std::stable_sort(Order.begin(), Order.end(), [&](TListItem* A, TListItem* B) {
    const int C = SortProc ? SortProc(reinterpret_cast<LPARAM>(A), reinterpret_cast<LPARAM>(B), Data) : SortCompare(A, B, Data);
    return C < 0;
  });
  for (auto& Item : FItems.FItems) Item.release();
  for (size_t I = 0; I < Order.size(); ++I) {
    FItems.FItems[I].reset(Order[I]);
    Order[I]->FIndexHint = static_cast<int>(I);
  }
  if (HandleAllocated()) SendMessageA(FHandle, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(CompareHints));
  return true;
}

void TCustomListView::Notify(TMessage& M) {
  if (M.Msg != CN_NOTIFY) return;
  auto* Header = reinterpret_cast<NMHDR*>(M.LParam);
  switch (Header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
      // The A and W forms share the item's layout up to the text pointer.
      auto& Item = reinterpret_cast<NMLVDISPINFOA*>(M.LParam)->item;
      TListItem* Row = ItemOfParam(Item.lParam);
      if (!Row) {
        if (Item.iItem < 0 || Item.iItem >= FItems.Count()) return;
        Row = FItems.Item(Item.iItem);
      }
      if (Item.mask & LVIF_TEXT) {
        const int Sub = Item.iSubItem;
        FTextBuffer = Sub == 0 ? Row->FCaption : Sub - 1 < Row->FSubItems.Count() ? Row->FSubItems.Get(Sub - 1) : std::string();
        if (Header->code == LVN_GETDISPINFOA) {
          Item.pszText = FTextBuffer.data();
        } else {
          FWideBuffer.assign(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, FTextBuffer.c_str(), -1, nullptr, 0)), L'\0');
          MultiByteToWideChar(CP_ACP, 0, FTextBuffer.c_str(), -1, FWideBuffer.data(), static_cast<int>(FWideBuffer.size()));
          reinterpret_cast<NMLVDISPINFOW*>(M.LParam)->item.pszText = FWideBuffer.data();
        }
      }
      if (Item.mask & LVIF_IMAGE) Item.iImage = Item.iSubItem == 0 ? Row->FImageIndex : -1;
      break;
    }
    case LVN_ENDLABELEDITA:
    case LVN_ENDLABELEDITW: {
      // An edited label becomes the caption (the window shows it through the text callback).
      auto& Item = reinterpret_cast<NMLVDISPINFOA*>(M.LParam)->item;
      if (!Item.pszText || Item.iItem < 0 || Item.iItem >= FItems.Count()) break;
      std::string Text = Item.pszText;
      if (Header->code == LVN_ENDLABELEDITW) {
        const auto* Wide = reinterpret_cast<const wchar_t*>(Item.pszText);
        Text.assign(static_cast<size_t>(std::max(0, WideCharToMultiByte(CP_ACP, 0, Wide, -1, nullptr, 0, nullptr, nullptr) - 1)), '\0');
        WideCharToMultiByte(CP_ACP, 0, Wide, -1, Text.data(), static_cast<int>(Text.size()) + 1, nullptr, nullptr);
      }
      FItems.Item(Item.iItem)->SetCaption(Text);
      M.Result = FALSE;  // the window keeps asking for the text
      break;
    }
    case LVN_DELETEALLITEMS:
      M.Result = TRUE;  // no LVN_DELETEITEM per row: the items are the library's, freed with it
      break;
    case LVN_COLUMNCLICK: {
      const int Index = reinterpret_cast<NMLISTVIEW*>(M.LParam)->iSubItem;
      if (OnColumnClick && Index >= 0 && Index < FColumns.Count()) OnColumnClick(this, FColumns.Items(Index));
      break;
    }
    case LVN_ITEMCHANGED: {
      auto* Change = reinterpret_cast<NMLISTVIEW*>(M.LParam);
      if (!OnChange || Change->iItem < 0 || Change->iItem >= FItems.Count()) break;
      const TItemChange Kind = (Change->uChanged & LVIF_STATE) ? ctState : (Change->uChanged & LVIF_IMAGE) ? ctImage : ctText;
      OnChange(this, FItems.Item(Change->iItem), Kind);
      break;
    }
  }
}

void TCustomListView::WndProc(TMessage& M) {
  if (M.Msg == WM_NOTIFY) {
    // A header divider is not dragged below its column's MinWidth.
    auto* Header = reinterpret_cast<NMHEADERA*>(M.LParam);
    if ((Header->hdr.code == HDN_ITEMCHANGINGA || Header->hdr.code == HDN_ITEMCHANGINGW) && Header->pitem &&
        (Header->pitem->mask & HDI_WIDTH) && Header->iItem >= 0 && Header->iItem < FColumns.Count() &&
        Header->pitem->cxy < FColumns.Items(Header->iItem)->MinWidth()) {
      M.Result = TRUE;
      return;
    }
  }
  TWinControl::WndProc(M);
}
