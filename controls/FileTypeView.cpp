#include "controls/FileTypeView.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Controls.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TFileTypeListView

namespace {

// The published set of predefined types that a list view or a combo box shows.
template <class C>
TPropInfo PredefinedTypesProp() {
  return SetOfProp<C>("PredefinedTypes",
                      {"ptypAllFiles", "ptypAllFileSystemObjects", "ptypUnknown", "ptypFolder", "ptypDirectory",
                       "ptypBackground", "ptypNetwork", "ptypNetShare", "ptypNetServer", "ptypPrinters", "ptypDrive",
                       "ptypAudioCD", "ptypDVD"},
                      [](C& V) { return V.PredefinedTypes().Bits(); },
                      [](C& V, unsigned Bits) { V.SetPredefinedTypes(TPredefinedTypes::FromBits(Bits)); });
}

}  // namespace

const TClassInfo& TFileTypeListView::StaticClassInfo() {
  using V = TFileTypeListView;
  static const TClassInfo Info{
      "TFileTypeListView",
      &TCustomListView::StaticClassInfo(),
      {ComponentProp<V, TFileTypeList>("FileTypes", &V::FileTypes, &V::SetFileTypes),
       ComponentProp<V, TCustomImageList>("Images", &V::Images, &V::SetImages),
       EnumProp<V, TFileTypesViewStyle>("ViewStyle", {"ftvsTypes", "ftvsExtensions", "ftvsAll"}, &V::ViewStyle,
                                        &V::SetViewStyle),
       EnumProp<V, TFileTypesSortType>("SortType", {"ftstType", "ftstExtension"}, &V::SortType, &V::SetSortType),
       PredefinedTypesProp<V>()},
      {},
      MakeComponent<TFileTypeListView>};
  return Info;
}

TFileTypeListView::TFileTypeListView(TComponent* AOwner) : TCustomListView(AOwner) {
  FWidth = 300;
  FHeight = 100;
  SetReadOnly(true);
  SetColumnClick(true);
  TCustomListView::SetSortType(stData);
  FLink.OnDestroy = [this](TObject*, TFileType*) { RebuildRows(); };
  FLink.OnChange = [this](TObject*, TFileType*) { RebuildRows(); };
  FLink.OnMove = [this](TObject*, TFileType*) { RebuildRows(); };
  FLink.OnRefresh = [this](TObject*) {
    RebuildRows();
    RebuildColumns();
  };
  RebuildColumns();
}

TFileTypeListView::~TFileTypeListView() {
  FLink.OnDestroy = nullptr;
  FLink.OnChange = nullptr;
  FLink.OnMove = nullptr;
  FLink.OnRefresh = nullptr;
  FLink.SetFileTypes(nullptr);
}

void TFileTypeListView::SetFileTypes(TFileTypeList* Value) {
  if (FFileTypes) FFileTypes->RemoveFreeNotification(this);
  FFileTypes = Value;
  if (FFileTypes) FFileTypes->FreeNotification(this);
  FLink.SetFileTypes(Value ? Value->FileTypes() : nullptr);
  if (!Value) RebuildRows();
}

void TFileTypeListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomListView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFileTypes) SetFileTypes(nullptr);
}

void TFileTypeListView::SetPredefinedTypes(TPredefinedTypes Value) {
  if (Value == FPredefinedTypes) return;
  FPredefinedTypes = Value;
  RebuildRows();
  RebuildColumns();
}

void TFileTypeListView::SetViewStyle(TFileTypesViewStyle Value) {
  if (FUpdateCount > 0 || Value == FViewStyle) return;
  FViewStyle = Value;
  const bool Windowed = HandleAllocated();
  if (Windowed) Items()->BeginUpdate();
  try {
    RebuildColumns();
    RebuildRows();
  } catch (...) {
    if (Windowed) Items()->EndUpdate();
    throw;
  }
  if (Windowed) {
    Items()->EndUpdate();
    TCustomListView::SetSortType(stData);
  }
}

void TFileTypeListView::SetSortType(TFileTypesSortType Value) {
  if (Value == FSortType) return;
  FSortType = Value;
  AlphaSort();
  if (TListItem* Focused = ItemFocused()) Focused->MakeVisible(false);
}

void TFileTypeListView::AddRow(const std::string& Caption, const std::string* Extension, int Index, TFileType* Type) {
  TListItem* Row = Items()->Add();
  Row->SetCaption(Caption);
  if (Extension) Row->SubItems()->Add(*Extension);
  Row->SetImageIndex(Index);
  Row->SetData(Type);
}

void TFileTypeListView::RebuildRows() {
  if (!HandleAllocated() && Parent() && !(ComponentState() & (csLoading | csDestroying))) HandleNeeded();
  Items()->BeginUpdate();
  try {
    Items()->Clear();
    // The link's model: it is gone already while the model itself is being freed.
    if (TFileTypes* Model = FLink.FileTypes()) {
      for (int I = 0; I < Model->Count(); ++I) {
        TFileType* Type = Model->GetItem(I);
        if (Type->Predefined() && !FPredefinedTypes.Contains(Type->PredefinedType())) continue;
        if (FViewStyle == ftvsTypes || (FViewStyle == ftvsAll && Type->GetExtensionCount() == 0)) {
          AddRow(Type->Description(), nullptr, I, Type);
          continue;
        }
        const auto Extensions = Type->GetExtensions();
        for (int E = 0; E < Extensions->Count(); ++E) {
          const std::string Ext = Extensions->Get(E);
          if (FViewStyle == ftvsExtensions)
            AddRow(Ext, nullptr, I, Type);
          else
            AddRow(Type->Description(), &Ext, I, Type);
        }
      }
    }
    SetColumnWidths();
  } catch (...) {
    Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();  // sorts the rows with CompareItems
}

void TFileTypeListView::RebuildColumns() {
  ++FUpdateCount;
  try {
    // A single column fills the client width (SetColumnWidths keeps it so on every resize).
    auto AddColumn = [this](int Ident, int Tag, int MinWidth, bool Fill) {
      TListColumn* Column = Columns()->Add();
      Column->SetCaption(LoadResString(Ident));
      Column->Tag = Tag;
      Column->SetMinWidth(MinWidth);
      if (Fill) Column->SetWidth(ClientWidth());
    };
    Columns()->BeginUpdate();
    try {
      Columns()->Clear();
      switch (FViewStyle) {
        case ftvsTypes:
          SetShowColumnHeaders(false);
          AddColumn(SFileTypeColumn, 1, 0, true);
          break;
        case ftvsExtensions:
          SetShowColumnHeaders(false);
          AddColumn(SExtensionColumn, 2, 0, true);
          break;
        case ftvsAll:
          SetShowColumnHeaders(true);
          AddColumn(SFileTypeColumn, 1, 150, false);
          AddColumn(SExtensionColumn, 2, 50, false);
          break;
      }
    } catch (...) {
      Columns()->EndUpdate();
      throw;
    }
    Columns()->EndUpdate();
    SetColumnWidths();
  } catch (...) {
    --FUpdateCount;
    throw;
  }
  --FUpdateCount;
}

void TFileTypeListView::SetColumnWidths() {
  const int Width = ClientWidth();
  if (FViewStyle == ftvsAll && Columns()->Count() == 2) {
    const int First = Width * 3 / 4;
    Columns()->Items(0)->SetWidth(First);
    Columns()->Items(1)->SetWidth(Width - First);
  } else if (Columns()->Count() == 1) {
    Columns()->Items(0)->SetWidth(Width - 1);
  }
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, LVM_SCROLL, static_cast<WPARAM>(-GetScrollPos(FHandle, SB_HORZ)), 0);
  ShowScrollBar(FHandle, SB_HORZ, FALSE);
}

int TFileTypeListView::CompareItems(TListItem* Item1, TListItem* Item2, LPARAM) {
  const auto* Type1 = static_cast<const TFileType*>(Item1->Data());
  const auto* Type2 = static_cast<const TFileType*>(Item2->Data());
  auto ByType = [&] {
    TFileTypes* Model = FLink.FileTypes();
    return Model && Type1 && Type2 ? Model->CompareTypes(Type1, Type2) : 0;
  };
  auto Second = [](TListItem* Item) { return Item->SubItems()->Count() > 0 ? Item->SubItems()->Get(0) : std::string(); };
  switch (FViewStyle) {
    case ftvsTypes: return ByType();
    case ftvsExtensions: return lstrcmpA(Item1->Caption().c_str(), Item2->Caption().c_str());
    case ftvsAll:
      if (FSortType == ftstExtension) return lstrcmpA(Second(Item1).c_str(), Second(Item2).c_str());
      return ByType();
  }
  return 0;
}

void TFileTypeListView::Notify(TMessage& M) {
  TCustomListView::Notify(M);
  if (M.Msg != CN_NOTIFY || reinterpret_cast<NMHDR*>(M.LParam)->code != LVN_COLUMNCLICK) return;
  const int Index = reinterpret_cast<NMLISTVIEW*>(M.LParam)->iSubItem;
  if (FViewStyle == ftvsAll && Index >= 0 && Index < Columns()->Count())
    SetSortType(static_cast<TFileTypesSortType>(Columns()->Items(Index)->Tag - 1));
}

void TFileTypeListView::WndProc(TMessage& M) {
  TCustomListView::WndProc(M);
  if (M.Msg == WM_SIZE) SetColumnWidths();
}

// ---------------------------------------------------------------------------------------------
// TPopupListView

TPopupListView::TPopupListView(TComponent* AOwner) : TFileTypeListView(AOwner) {}

void TPopupListView::ClosePopup(bool Accept) {
  if (auto* Popup = dynamic_cast<TPopupWindow*>(Owner())) Popup->ClosePopup(Accept);
}

void TPopupListView::Notify(TMessage& M) {
  TFileTypeListView::Notify(M);
  if (M.Msg == CN_NOTIFY && reinterpret_cast<NMHDR*>(M.LParam)->code == NM_CLICK) Click();
}

void TPopupListView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      TFileTypeListView::WndProc(M);
      M.Result |= DLGC_WANTTAB;
      return;
    case WM_KILLFOCUS:
      TFileTypeListView::WndProc(M);
      if (HandleAllocated() && IsWindowVisible(FHandle)) ClosePopup(false);
      return;
    case WM_LBUTTONDOWN: {
      const POINT P{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
      const RECT R = ClientRect();
      if (!PtInRect(&R, P)) {
        ClosePopup(false);
        return;
      }
      break;
    }
    case WM_MOUSEMOVE: {
      TListItem* Row = GetItemAt(static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam)));
      if (Row && Row != ItemFocused()) {
        SetItemFocused(Row);
        SetSelected(Row);
      }
      break;
    }
    default: break;
  }
  TFileTypeListView::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// TPopupFileTypes

TPopupFileTypes::TPopupFileTypes(TComponent* AOwner) : TPopupWindow(AOwner) {
  SetColor(clWindow);
  Constraints().MinWidth = 250;
  SetBounds(0, 0, 250, 100);
  FListView = new TPopupListView(this);
  FListView->SetName("FlvFileTypes");
  FListView->SetAlign(alClient);
  FListView->SetBorderStyle(bsNone);
  FListView->SetRowSelect(true);
  FListView->TabStop = false;
  FListView->SetHideSelection(false);
  FListView->SetParent(this);
  FListView->OnChange = [this](TObject*, TListItem*, TItemChange) { InvalidateEditor(); };
  FListView->OnClick = [this](TObject*) { ClosePopup(FListView->ItemFocused() != nullptr); };
  FListView->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (Key == VK_RETURN) {
      Key = 0;
      ClosePopup(FListView->ItemFocused() != nullptr);
    } else if (Key == VK_ESCAPE) {
      Key = 0;
      ClosePopup(false);
    }
  };
}

std::string TPopupFileTypes::GetPopupValue() {
  TListItem* Row = FListView->ItemFocused();
  return Row ? Row->Caption() : std::string();
}

void TPopupFileTypes::SetFocus() { FListView->SetFocus(); }

void TPopupFileTypes::WndProc(TMessage& M) {
  if (M.Msg == WM_CONTEXTMENU) return;
  TPopupWindow::WndProc(M);
}

void TPopupFileTypes::SizeToRows(int MaxHeight) {
  TListItems* Rows = FListView->Items();
  int RowHeight = 0;
  if (FListView->Parent()) FListView->HandleNeeded();
  if (FListView->HandleAllocated() && FListView->Parent()) {
    const bool Temporary = Rows->Count() == 0;
    if (Temporary) Rows->Add();
    const RECT R = Rows->Item(0)->DisplayRect(drBounds);
    RowHeight = R.bottom - R.top;
    if (Temporary) Rows->Delete(0);
  }
  const int Frame = 4 + (FListView->ShowColumnHeaders() ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  int Count = std::min(FDropDownCount, std::max(Rows->Count(), 1));
  if (RowHeight > 0 && Count * RowHeight + Frame > MaxHeight) Count = std::max((MaxHeight - Frame) / RowHeight, 1);
  SetHeight(Count * RowHeight + Frame);
  if (TListItem* Focused = FListView->ItemFocused()) {
    Focused->MakeVisible(false);
    FListView->SetSelected(Focused);
  } else if (Rows->Count() > 0) {
    Rows->Item(0)->MakeVisible(false);
  }
  FListView->SetColumnWidths();
}

// ---------------------------------------------------------------------------------------------
// TFileTypeComboBox

const TClassInfo& TFileTypeComboBox::StaticClassInfo() {
  using C = TFileTypeComboBox;
  static const TClassInfo Info{
      "TFileTypeComboBox",
      &TCustomComboEdit::StaticClassInfo(),
      {ComponentProp<C, TFileTypeList>("FileTypes", &C::FileTypes, &C::SetFileTypes),
       ComponentProp<C, TCustomImageList>("Images", &C::Images, &C::SetImages),
       EnumProp<C, TFileTypesViewStyle>("ViewStyle", {"ftvsTypes", "ftvsExtensions", "ftvsAll"}, &C::ViewStyle,
                                        &C::SetViewStyle),
       EnumProp<C, TFileTypesSortType>("SortType", {"ftstType", "ftstExtension"}, &C::SortType, &C::SetSortType),
       IntProp<C>("DropDownCount", &C::DropDownCount, &C::SetDropDownCount), PredefinedTypesProp<C>()},
      {},
      MakeComponent<TFileTypeComboBox>};
  return Info;
}

TFileTypeComboBox::TFileTypeComboBox(TComponent* AOwner) : TCustomComboEdit(AOwner) {
  FDropDown = new TPopupFileTypes(this);
  SetPopup(FDropDown);
  FCreating = true;
  SetButtonHint("");
  SetGlyphKind(gkDropDown);
  SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
  FCreating = false;
  SetDirectInput(false);
  SetMaxLength(0);
  SetOEMConvert(false);
  SetReadOnly(false);
}

TFileType* TFileTypeComboBox::GetFileType() {
  TListItem* Row = FDropDown->ListView()->ItemFocused();
  return Row ? static_cast<TFileType*>(Row->Data()) : nullptr;
}

void TFileTypeComboBox::SetFileType(TFileType* Type) {
  TPopupListView* List = FDropDown->ListView();
  TListItem* Found = nullptr;
  for (int I = 0; Type && !Found && I < List->Items()->Count(); ++I)
    if (List->Items()->Item(I)->Data() == Type) Found = List->Items()->Item(I);
  List->SetItemFocused(Found);
  TFileType* Focused = GetFileType();
  SetText(Focused ? Focused->Description() : std::string());
}

void TFileTypeComboBox::DropDownPopup(bool DisableEdit) {
  if (!GetReadOnly() && !PopupVisible()) {
    // Sized before the base places it, so that it opens below or above by its real height; when
    // it fits on neither side it takes the whole rows that fit the side with more room.
    FDropDown->SetWidth(Width());
    const POINT P = Parent() ? Parent()->ClientToScreen(POINT{Left(), Top()}) : POINT{Left(), Top()};
    const int Above = static_cast<int>(P.y), Below = GetSystemMetrics(SM_CYSCREEN) - (Above + Height());
    FDropDown->SizeToRows();
    if (FDropDown->Height() > Below && FDropDown->Height() > Above) FDropDown->SizeToRows(std::max(Below, Above));
  }
  TCustomComboEdit::DropDownPopup(DisableEdit);
  if (!PopupVisible()) return;
  FDropDown->SetFocus();
}

void TFileTypeComboBox::WndProc(TMessage& M) {
  // The list of the open drop-down holds the focus.
  if (M.Msg == WM_KILLFOCUS && FDropDown->Visible()) {
    TCustomEdit::WndProc(M);
    return;
  }
  TCustomComboEdit::WndProc(M);
}

void TFileTypeComboBox::EnabledChanged() {
  TCustomComboEdit::EnabledChanged();
  Invalidate();
}

void TFileTypeComboBox::FontChanged() {
  TCustomComboEdit::FontChanged();
  Invalidate();
}
