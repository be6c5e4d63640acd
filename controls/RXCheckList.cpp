// The list box of the component library and its check-list kind.
#include "classlib/core/ResStrings.h"
#include "controls/AppUtils.h"
#include "controls/Placemnt.h"
#include "controls/RXCtrls.h"
#include "controls/VCLUtils.h"
#include "resources/ResStrings.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void ListIndexError(int Index) { throw EStringListError(LoadResString(SListIndexError), {Index}); }

// The window's DC with the control's font selected, for measuring.
class TFontDC {
public:
  TFontDC(HWND Wnd, TFont& Font) : FWnd(Wnd), FDC(GetDC(Wnd)), FOld(SelectObject(FDC, Font.Handle())) {}
  ~TFontDC() {
    SelectObject(FDC, FOld);
    ReleaseDC(FWnd, FDC);
  }
  TFontDC(const TFontDC&) = delete;
  TFontDC& operator=(const TFontDC&) = delete;
  HDC DC() const { return FDC; }

private:
  HWND FWnd;
  HDC FDC;
  HGDIOBJ FOld;
};

SIZE TextExtent(HDC DC, const std::string& S) {
  SIZE Size{};
  GetTextExtentPoint32A(DC, S.data(), static_cast<int>(S.size()), &Size);
  return Size;
}

// One tab stop of TabWidth quarters of the width of "0", rounded half to even.
int TabStopOf(HDC DC, int TabWidth) {
  return static_cast<int>(std::nearbyint(static_cast<double>(TextExtent(DC, "0").cx) * TabWidth / 4.0));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TRxListBoxStrings

int TRxListBoxStrings::Count() const { return static_cast<int>(FListBox.Send(LB_GETCOUNT)); }

// The entry is read from the system's list box procedure in wide characters and converted here:
// the ANSI form of LB_GETTEXT passes through a fixed buffer under some systems (Wine's holds 511
// characters and overruns the stack for longer entries).
std::string TRxListBoxStrings::Get(int Index) const {
  static const WNDPROC ListBoxProc = [] {
    WNDCLASSW Class{};
    return GetClassInfoW(nullptr, L"LISTBOX", &Class) ? Class.lpfnWndProc : nullptr;
  }();
  const HWND Wnd = FListBox.Handle();
  const LRESULT Length = CallWindowProcW(ListBoxProc, Wnd, LB_GETTEXTLEN, static_cast<WPARAM>(Index), 0);
  if (Length == LB_ERR) ListIndexError(Index);
  std::wstring Wide(static_cast<size_t>(Length) + 1, L'\0');
  const LRESULT Got = CallWindowProcW(ListBoxProc, Wnd, LB_GETTEXT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Wide.data()));
  if (Got == LB_ERR) ListIndexError(Index);
  Wide.resize(static_cast<size_t>(std::min(Got, Length)));
  if (Wide.empty()) return std::string();
  const int Size = WideCharToMultiByte(CP_ACP, 0, Wide.data(), static_cast<int>(Wide.size()), nullptr, 0, nullptr, nullptr);
  std::string Text(static_cast<size_t>(Size), '\0');
  WideCharToMultiByte(CP_ACP, 0, Wide.data(), static_cast<int>(Wide.size()), Text.data(), Size, nullptr, nullptr);
  return Text;
}

TObject* TRxListBoxStrings::Objects(int Index) const {
  const LRESULT Data = FListBox.GetItemData(Index);
  if (Data == LB_ERR) ListIndexError(Index);
  return reinterpret_cast<TObject*>(Data);
}

void TRxListBoxStrings::PutObject(int Index, TObject* AObject) {
  FListBox.SetItemData(Index, reinterpret_cast<LRESULT>(AObject));
}

int TRxListBoxStrings::Inserted(LRESULT Result) const {
  if (Result < 0) throw EOutOfResources(LoadResString(SInsertLineError));
  return static_cast<int>(Result);
}

int TRxListBoxStrings::Add(const std::string& S) {
  return Inserted(FListBox.Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str())));
}

void TRxListBoxStrings::Insert(int Index, const std::string& S) {
  Inserted(FListBox.Send(LB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str())));
}

void TRxListBoxStrings::Delete(int Index) { FListBox.DeleteString(Index); }

void TRxListBoxStrings::Clear() { FListBox.ResetContent(); }

void TRxListBoxStrings::Exchange(int Index1, int Index2) {
  auto Update = UpdateScope(*this);
  const std::string Text1 = Get(Index1);
  TObject* Object1 = Objects(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, Objects(Index2));
  Put(Index2, Text1);
  PutObject(Index2, Object1);
}

void TRxListBoxStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  auto Update = UpdateScope(*this);
  const std::string Text = Get(CurIndex);
  TObject* Object = Objects(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, Text, Object);
}

void TRxListBoxStrings::SetUpdateState(bool Updating) {
  FListBox.Send(WM_SETREDRAW, Updating ? FALSE : TRUE);
  if (!Updating) FListBox.Invalidate();
}

// ---------------------------------------------------------------------------------------------
// TRxCustomListBox

const TClassInfo& TRxCustomListBox::StaticClassInfo() {
  using L = TRxCustomListBox;
  static const TClassInfo Info{
      "TRxCustomListBox",
      &TWinControl::StaticClassInfo(),
      {StringsProp<L>("Items", [](L& B) -> TStrings* { return B.Items(); }),
       EnumProp<L, TListBoxStyle>("Style", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable", "lbVirtual", "lbVirtualOwnerDraw"},
                                  &L::Style, &L::SetStyle),
       BoolProp<L>("Sorted", &L::Sorted, &L::SetSorted), BoolProp<L>("MultiSelect", &L::MultiSelect, &L::SetMultiSelect),
       BoolProp<L>("ExtendedSelect", &L::ExtendedSelect, &L::SetExtendedSelect),
       BoolProp<L>("IntegralHeight", &L::IntegralHeight, &L::SetIntegralHeight),
       IntProp<L>("Columns", &L::Columns, &L::SetColumns), IntProp<L>("TabWidth", &L::TabWidth, &L::SetTabWidth),
       IntProp<L>("ItemHeight", &L::ItemHeight, &L::SetItemHeight),
       BoolProp<L>("AutoScroll", &L::AutoScroll, &L::SetAutoScroll),
       BoolProp<L>("GraySelection", &L::GraySelection, &L::SetGraySelection)},
      {EventProp<L>("OnMeasureItem", &L::OnMeasureItem)},
      nullptr};
  return Info;
}

TRxCustomListBox::TRxCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TRxListBoxStrings>(*this)) {
  FWidth = 121;
  FHeight = 97;
  TabStop = true;
  SetParentColor(false);
  SetBorderStyle(bsSingle);
}

TRxCustomListBox::~TRxCustomListBox() { DestroyHandle(); }

void TRxCustomListBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = "LISTBOX";
  P.Style |= LBS_NOTIFY | LBS_HASSTRINGS | WS_HSCROLL | WS_VSCROLL;
  switch (FStyle) {
    case lbOwnerDrawFixed: case lbVirtual: P.Style |= LBS_OWNERDRAWFIXED; break;
    case lbOwnerDrawVariable: case lbVirtualOwnerDraw: P.Style |= LBS_OWNERDRAWVARIABLE; break;
    default: break;
  }
  if (FSorted) P.Style |= LBS_SORT;
  if (FMultiSelect) P.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (!FIntegralHeight) P.Style |= LBS_NOINTEGRALHEIGHT;
  if (FColumns != 0) P.Style |= LBS_MULTICOLUMN;
  if (FTabWidth != 0) P.Style |= LBS_USETABSTOPS;
}

void TRxCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  if (FTabWidth != 0) SendMessageA(FHandle, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&FTabWidth));
  SetColumnWidth();
  ApplyItemHeight();
  if (FSavedItems) {
    std::unique_ptr<TStringList> Saved = std::move(FSavedItems);
    FRestoring = true;
    try {
      for (int I = 0; I < Saved->Count(); ++I) {
        const int Index = FItems->Add(Saved->Get(I));
        SetItemData(Index, reinterpret_cast<LRESULT>(Saved->Objects(I)));
      }
    } catch (...) {
      FRestoring = false;
      throw;
    }
    FRestoring = false;
    SendMessageA(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSavedTopIndex), 0);
    SetItemIndex(FSavedItemIndex);
  }
  ResetHorizontalExtent();
}

void TRxCustomListBox::DestroyWnd() {
  if (HandleAllocated()) {
    auto Saved = std::make_unique<TStringList>();
    for (int I = 0; I < FItems->Count(); ++I) Saved->AddObject(FItems->Get(I), FItems->Objects(I));
    FSavedTopIndex = TopIndex();
    FSavedItemIndex = ItemIndex();
    FSavedItems = std::move(Saved);
  }
  TWinControl::DestroyWnd();
}

void TRxCustomListBox::SetItems(TStrings* Value) { FItems->Assign(Value); }

int TRxCustomListBox::ItemIndex() {
  if (FMultiSelect) return static_cast<int>(Send(LB_GETCARETINDEX));
  return static_cast<int>(Send(LB_GETCURSEL));
}

void TRxCustomListBox::SetItemIndex(int Value) {
  if (FMultiSelect) {
    Send(LB_SELITEMRANGE, FALSE, MAKELPARAM(0, 0xFFFF));
    if (Value >= 0) Send(LB_SETSEL, TRUE, Value);
    Send(LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
  } else {
    Send(LB_SETCURSEL, static_cast<WPARAM>(Value));
  }
}

int TRxCustomListBox::TopIndex() { return static_cast<int>(Send(LB_GETTOPINDEX)); }

void TRxCustomListBox::SetTopIndex(int Value) { Send(LB_SETTOPINDEX, static_cast<WPARAM>(Value)); }

bool TRxCustomListBox::Selected(int Index) {
  const LRESULT R = Send(LB_GETSEL, static_cast<WPARAM>(Index));
  if (R == LB_ERR) ListIndexError(Index);
  return R > 0;
}

int TRxCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
  const int Count = FItems->Count();
  const RECT Client = ClientRect();
  if (PtInRect(&Client, Pos)) {
    for (int I = TopIndex(); I < Count; ++I) {
      const RECT R = ItemRect(I);
      if (R.top >= Client.bottom) break;
      if (PtInRect(&R, Pos)) return I;
    }
  }
  return Existing ? -1 : Count;
}

RECT TRxCustomListBox::ItemRect(int Index) {
  RECT R{};
  if (Send(LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&R)) == LB_ERR) R = RECT{};
  return R;
}

void TRxCustomListBox::SetStyle(TListBoxStyle Value) { StoreAndRecreate(FStyle, Value); }
void TRxCustomListBox::SetSorted(bool Value) { StoreAndRecreate(FSorted, Value); }
void TRxCustomListBox::SetMultiSelect(bool Value) { StoreAndRecreate(FMultiSelect, Value); }
void TRxCustomListBox::SetExtendedSelect(bool Value) { StoreAndRecreate(FExtendedSelect, Value); }
void TRxCustomListBox::SetIntegralHeight(bool Value) { StoreAndRecreate(FIntegralHeight, Value); }
void TRxCustomListBox::SetTabWidth(int Value) { StoreAndRecreate(FTabWidth, std::max(Value, 0)); }

void TRxCustomListBox::SetItemHeight(int Value) {
  if (Value >= 1) StoreAndRecreate(FItemHeight, Value);
}

int TRxCustomListBox::ItemHeight() {
  if (HandleAllocated() && FStyle != lbOwnerDrawVariable && FStyle != lbVirtualOwnerDraw)
    return static_cast<int>(Send(LB_GETITEMHEIGHT));
  return FItemHeight;
}

void TRxCustomListBox::SetColumns(int Value) {
  if (Value == FColumns) return;
  const bool Switch = (Value == 0) != (FColumns == 0);
  FColumns = Value;
  if (Switch) RecreateWnd();
  else SetColumnWidth();
}

void TRxCustomListBox::SetColumnWidth() {
  if (FColumns > 0 && HandleAllocated())
    SendMessageA(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>((ClientWidth() + FColumns - 3) / FColumns), 0);
}

void TRxCustomListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  SetColumnWidth();
}

void TRxCustomListBox::SetAutoScroll(bool Value) {
  if (Value == FAutoScroll) return;
  FAutoScroll = Value;
  ResetHorizontalExtent();
}

void TRxCustomListBox::SetGraySelection(bool Value) {
  if (Value == FGraySelection) return;
  FGraySelection = Value;
  if (!Focused()) Invalidate();
}

void TRxCustomListBox::SetOnDrawItem(TDrawItemEvent Value) {
  FOnDrawItem = std::move(Value);
  ResetHorizontalExtent();
}

void TRxCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent Value) {
  FOnGetItemWidth = std::move(Value);
  ResetHorizontalExtent();
}

int TRxCustomListBox::TabStopPixels(HDC DC) { return TabStopOf(DC, FTabWidth); }

int TRxCustomListBox::TextWidthTabbed(const std::string& S) {
  TFontDC Measure(Handle(), Font());
  if (FTabWidth > 0) {
    int Stop = TabStopPixels(Measure.DC());
    return LOWORD(GetTabbedTextExtentA(Measure.DC(), S.data(), static_cast<int>(S.size()), 1, &Stop));
  }
  return TextExtent(Measure.DC(), S).cx;
}

int TRxCustomListBox::TextHeight(const std::string& S) {
  TFontDC Measure(Handle(), Font());
  return TextExtent(Measure.DC(), S).cy;
}

int TRxCustomListBox::GetItemWidth(int Index) {
  if (FStyle != lbStandard && FOnGetItemWidth && FOnDrawItem) {
    int Width = 0;
    FOnGetItemWidth(this, Index, Width);
    return Width;
  }
  return TextWidthTabbed(FItems->Get(Index) + "x");
}

bool TRxCustomListBox::ExtentFollowsItems() const { return FAutoScroll && FColumns == 0; }

void TRxCustomListBox::SetHorizontalExtent() {
  if (HandleAllocated()) SendMessageA(FHandle, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(FMaxItemWidth), 0);
}

void TRxCustomListBox::ResetHorizontalExtent() {
  FMaxItemWidth = 0;
  if (!HandleAllocated()) return;
  SendMessageA(FHandle, WM_HSCROLL, SB_TOP, 0);
  if (ExtentFollowsItems())
    for (int I = 0, Count = FItems->Count(); I < Count; ++I) FMaxItemWidth = std::max(FMaxItemWidth, GetItemWidth(I));
  SetHorizontalExtent();
}

void TRxCustomListBox::ApplyItemHeight() {
  if (!HandleAllocated()) return;
  int Height = FixedItemHeight();
  if (Height == 0 && (FStyle == lbOwnerDrawFixed || FStyle == lbVirtual)) Height = FItemHeight;
  if (Height <= 0) return;
  SendMessageA(FHandle, LB_SETITEMHEIGHT, 0, Height);
  if (FItems->Count() * Height <= ClientHeight()) SetScrollRange(FHandle, SB_VERT, 0, 0, TRUE);
}

void TRxCustomListBox::FontChanged() {
  TWinControl::FontChanged();
  ApplyItemHeight();
  ResetHorizontalExtent();
}

LRESULT TRxCustomListBox::GetItemData(int Index) { return Send(LB_GETITEMDATA, static_cast<WPARAM>(Index)); }

void TRxCustomListBox::SetItemData(int Index, LRESULT Data) {
  Send(LB_SETITEMDATA, static_cast<WPARAM>(Index), Data);
}

void TRxCustomListBox::ResetContent() { Send(LB_RESETCONTENT); }

void TRxCustomListBox::DeleteString(int Index) { Send(LB_DELETESTRING, static_cast<WPARAM>(Index)); }

void TRxCustomListBox::ContentChanged() {}

void TRxCustomListBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case LB_ADDSTRING: case LB_INSERTSTRING:
      TWinControl::WndProc(M);
      if (M.Result >= 0 && ExtentFollowsItems()) {
        const int Width = GetItemWidth(static_cast<int>(M.Result));
        if (Width > FMaxItemWidth) {
          FMaxItemWidth = Width;
          SetHorizontalExtent();
        }
      }
      if (M.Result >= 0 && !FRestoring) ContentChanged();
      return;
    case LB_DELETESTRING: {
      const int Index = static_cast<int>(M.WParam);
      const bool Widest = ExtentFollowsItems() && Index >= 0 && Index < FItems->Count() && GetItemWidth(Index) >= FMaxItemWidth;
      TWinControl::WndProc(M);
      if (Widest) ResetHorizontalExtent();
      if (M.Result != LB_ERR) ContentChanged();
      return;
    }
    case LB_RESETCONTENT:
      TWinControl::WndProc(M);
      ResetHorizontalExtent();
      ContentChanged();
      return;
    case WM_SETFOCUS: case WM_KILLFOCUS:
      TWinControl::WndProc(M);
      if (FGraySelection && FMultiSelect && Send(LB_GETSELCOUNT) > 1) Invalidate();
      else if (FGraySelection && ItemIndex() >= 0) InvalidateItem(ItemIndex());
      return;
    case WM_LBUTTONDOWN:
      if (DragMode == dmAutomatic) {
        AutomaticDragPress(M);
        return;
      }
      TWinControl::WndProc(M);
      return;
    default: TWinControl::WndProc(M);
  }
}

void TRxCustomListBox::AutomaticDragPress(TMessage& M) {
  const TShiftState Shift = KeysToShift(M.WParam);
  const POINT At{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
  if (FMultiSelect && (!(Shift & ssShift) || (Shift & ssCtrl))) {
    const int Index = ItemAtPos(At, true);
    if (Index >= 0 && Selected(Index)) {
      DragBegin(this, false, -1, ClientToScreen(At));
      return;
    }
  }
  TWinControl::WndProc(M);
  if (!(FMultiSelect && (Shift & (ssShift | ssCtrl)))) DragBegin(this, false, -1, ClientToScreen(At));
}

void TRxCustomListBox::DoEndDrag(TObject* Target, int X, int Y) {
  TWinControl::DoEndDrag(Target, X, Y);
  if (Target || !HandleAllocated()) return;
  POINT Cursor{0, 0};
  GetCursorPos(&Cursor);
  const POINT P = ScreenToClient(Cursor);
  const LPARAM At = MAKELPARAM(P.x, P.y);
  TMessage Press{WM_LBUTTONDOWN, MK_LBUTTON, At, 0};
  DefWndProc(Press);
  TMessage Release{WM_LBUTTONUP, 0, At, 0};
  DefWndProc(Release);
}

void TRxCustomListBox::InvalidateItem(int Index) {
  const RECT R = ItemRect(Index);
  if (HandleAllocated()) InvalidateRect(FHandle, &R, FALSE);
}

void TRxCustomListBox::Notify(TMessage& M) {
  switch (M.Msg) {
    case CN_COMMAND:
      if (HIWORD(M.WParam) == LBN_SELCHANGE) Click();
      else if (HIWORD(M.WParam) == LBN_DBLCLK) DblClick();
      break;
    case CN_DRAWITEM:
      DrawItemStruct(*reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam));
      M.Result = TRUE;
      break;
    case CN_MEASUREITEM: {
      auto* Measure = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
      int Height = FItemHeight;
      MeasureItem(static_cast<int>(Measure->itemID), Height);
      Measure->itemHeight = static_cast<UINT>(Height);
      M.Result = TRUE;
      break;
    }
    default: break;
  }
}

void TRxCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TRxCustomListBox::DrawItemStruct(const DRAWITEMSTRUCT& D) {
  const int Saved = SaveDC(D.hDC);
  FCanvas.SetHandle(D.hDC);
  try {
    FCanvas.Font().Assign(&Font());
    FCanvas.Brush().SetColor(Color());
    if (D.itemState & ODS_SELECTED) {
      if (FGraySelection && !Focused()) {
        FCanvas.Brush().SetColor(clBtnFace);
        if (Font().Color() == clBtnFace) FCanvas.Font().SetColor(clBtnText);
      } else {
        FCanvas.Brush().SetColor(clHighlight);
        FCanvas.Font().SetColor(clHighlightText);
      }
    }
    if (static_cast<int>(D.itemID) >= 0) DrawItem(static_cast<int>(D.itemID), D.rcItem, D.itemState);
    else FCanvas.FillRect(D.rcItem);
    if (D.itemState & ODS_FOCUS) DrawFocusRect(D.hDC, &D.rcItem);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    RestoreDC(D.hDC, Saved);
    throw;
  }
  FCanvas.SetHandle(nullptr);
  RestoreDC(D.hDC, Saved);
}

void TRxCustomListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState State) {
  if (FOnDrawItem) FOnDrawItem(this, Index, Rect, State);
  else DefaultDrawItem(Index, Rect);
}

void TRxCustomListBox::DefaultDrawItem(int Index, RECT Rect) {
  FCanvas.FillRect(Rect);
  if (UseRightToLeftReading())
    Rect.right -= 2;
  else
    Rect.left += 2;
  const std::string Text = FItems->Get(Index);
  const int Y = std::max(static_cast<int>(Rect.top), static_cast<int>(Rect.top + Rect.bottom - FCanvas.TextHeight("Wy")) / 2);
  if (FTabWidth > 0) {
    FCanvas.TextOut(Rect.left, Y, "");  // font, colours and background mode of the canvas
    HDC DC = FCanvas.Handle();
    int Stop = TabStopPixels(DC);
    TabbedTextOutA(DC, Rect.left, Y, Text.data(), static_cast<int>(Text.size()), 1, &Stop, Rect.left);
  } else {
    FCanvas.TextOut(Rect.left, Y, Text);
  }
}

// ---------------------------------------------------------------------------------------------
// TCheckListBoxStrings

namespace {

struct TEntryState {
  TCheckBoxState State;
  bool Enabled;
};

}  // namespace

void TCheckListBoxStrings::Exchange(int Index1, int Index2) {
  auto& Box = static_cast<TRxCheckListBox&>(ListBox());
  const TEntryState First{Box.State(Index1), Box.EntryEnabled(Index1)};
  const TEntryState Second{Box.State(Index2), Box.EntryEnabled(Index2)};
  TRxListBoxStrings::Exchange(Index1, Index2);
  for (const auto& [Index, S] : {std::pair{Index1, Second}, std::pair{Index2, First}}) {
    TCheckListBoxItem* Item = Box.CheckObject(Index, true);
    Item->State = S.State;
    Item->Enabled = S.Enabled;
  }
  Box.Invalidate();
}

void TCheckListBoxStrings::Move(int CurIndex, int NewIndex) {
  auto& Box = static_cast<TRxCheckListBox&>(ListBox());
  const TEntryState Moved{Box.State(CurIndex), Box.EntryEnabled(CurIndex)};
  TRxListBoxStrings::Move(CurIndex, NewIndex);
  TCheckListBoxItem* Item = Box.CheckObject(NewIndex, true);
  Item->State = Moved.State;
  Item->Enabled = Moved.Enabled;
  Box.Invalidate();
}

// ---------------------------------------------------------------------------------------------
// TRxCheckListBox

TBitmap& CheckImages() {
  static std::unique_ptr<TBitmap> Strip;
  if (!Strip) {
    auto Loaded = std::make_unique<TBitmap>();
    Loaded->LoadFromResourceName(GetModuleHandleA(nullptr), "CHECK_IMAGES");
    Strip = std::move(Loaded);
  }
  return *Strip;
}

const TClassInfo& TRxCheckListBox::StaticClassInfo() {
  using B = TRxCheckListBox;
  static const TClassInfo Info{
      "TRxCheckListBox",
      &TRxCustomListBox::StaticClassInfo(),
      {BoolProp<B>("AllowGrayed", &B::AllowGrayed, &B::SetAllowGrayed),
       EnumProp<B, TCheckKind>("CheckKind", {"ckCheckBoxes", "ckRadioButtons", "ckCheckMarks"}, &B::CheckKind,
                               &B::SetCheckKind),
       IntProp<B>("CheckedIndex", &B::CheckedIndex, &B::SetCheckedIndex),
       ComponentProp<B, TFormPlacement>("IniStorage", &B::IniStorage, &B::SetIniStorage),
       IntProp<B>("InternalVersion", [](B&) { return LayoutVersion; }, [](B& Box, int V) { Box.FReaderVersion = V; }),
       StrProp<B>("Strings", &B::LayoutStrings, &B::SetLayoutStrings), BiDiModeProp(), ParentBiDiModeProp()},
      {EventProp<B>("OnStateChange", &B::OnStateChange), EventProp<B>("OnClickCheck", &B::OnClickCheck)},
      MakeComponent<TRxCheckListBox>};
  return Info;
}

TRxCheckListBox::TRxCheckListBox(TComponent* AOwner)
    : TRxCustomListBox(AOwner), FDrawBitmap(std::make_unique<TBitmap>()), FIniLink(std::make_unique<TIniLink>()) {
  SetItemsList(std::make_unique<TCheckListBoxStrings>(*this));
  SetAutoScroll(true);
  TBitmap& Strip = CheckImages();
  FCheckWidth = Strip.Width() / 6;
  FCheckHeight = Strip.Height() / 3;
  FDrawBitmap->SetSize(FCheckWidth, FCheckHeight);
  FIniLink->OnSave = [this](TObject* Sender) { IniSave(Sender); };
  FIniLink->OnLoad = [this](TObject* Sender) { IniLoad(Sender); };
}

TRxCheckListBox::~TRxCheckListBox() {
  DestroyHandle();
  FSaveStates.clear();
}

void TRxCheckListBox::CreateParams(TCreateParams& P) {
  TRxCustomListBox::CreateParams(P);
  if (!(P.Style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) P.Style |= LBS_OWNERDRAWFIXED;
}

void TRxCheckListBox::CreateWnd() {
  TRxCustomListBox::CreateWnd();
  FSaveStates.clear();
  FNextSavedState = 0;
}

void TRxCheckListBox::DestroyWnd() {
  std::vector<TCheckListBoxItem*> Objects;
  if (HandleAllocated()) {
    FSaveStates.clear();
    FNextSavedState = 0;
    for (int I = 0, Count = Items()->Count(); I < Count; ++I) {
      FSaveStates.push_back({State(I), EntryEnabled(I)});
      Objects.push_back(CheckObject(I));
    }
  }
  TRxCustomListBox::DestroyWnd();
  for (TCheckListBoxItem* Object : Objects) delete Object;
}

int TRxCheckListBox::FixedItemHeight() {
  if (Style() != lbStandard && !(Style() == lbOwnerDrawFixed && !OnDrawItem())) return 0;
  int Height = std::max(TextHeight("Wg"), FCheckHeight);
  if (Style() == lbOwnerDrawFixed) Height = std::max(Height, StoredItemHeight());
  return Height;
}

TCheckListBoxItem* TRxCheckListBox::CheckObject(int Index, bool Create) {
  const LRESULT Data = TRxCustomListBox::GetItemData(Index);
  if (Data == LB_ERR) ListIndexError(Index);
  auto* Item = reinterpret_cast<TCheckListBoxItem*>(Data);
  if (Item || !Create) return Item;
  auto Made = std::make_unique<TCheckListBoxItem>();
  if (Restoring() && FNextSavedState < FSaveStates.size()) {
    Made->State = FSaveStates[FNextSavedState].State;
    Made->Enabled = FSaveStates[FNextSavedState].Enabled;
    ++FNextSavedState;
  }
  if (Send(LB_SETITEMDATA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(Made.get())) == LB_ERR) ListIndexError(Index);
  return Made.release();
}

LRESULT TRxCheckListBox::GetItemData(int Index) {
  const LRESULT Data = TRxCustomListBox::GetItemData(Index);
  if (Data == LB_ERR || Data == 0) return Data;
  return reinterpret_cast<LRESULT>(reinterpret_cast<TCheckListBoxItem*>(Data)->Data);
}

void TRxCheckListBox::SetItemData(int Index, LRESULT Data) { CheckObject(Index, true)->Data = reinterpret_cast<TObject*>(Data); }

void TRxCheckListBox::FreeStateObjects() {
  for (int I = 0, Count = Items()->Count(); I < Count; ++I) {
    delete CheckObject(I);
    TRxCustomListBox::SetItemData(I, 0);
  }
}

void TRxCheckListBox::ResetContent() {
  FreeStateObjects();
  TRxCustomListBox::ResetContent();
}

void TRxCheckListBox::DeleteString(int Index) {
  delete CheckObject(Index);
  TRxCustomListBox::SetItemData(Index, 0);
  TRxCustomListBox::DeleteString(Index);
}

void TRxCheckListBox::ContentChanged() {
  if (!(ComponentState() & csLoading)) UpdateCheckStates();
}

bool TRxCheckListBox::AllowGrayed() const { return FAllowGrayed && FCheckKind != ckRadioButtons; }

void TRxCheckListBox::SetAllowGrayed(bool Value) {
  if (Value == FAllowGrayed) return;
  FAllowGrayed = Value;
  Invalidate();
}

void TRxCheckListBox::SetCheckKind(TCheckKind Value) {
  if (Value == FCheckKind) return;
  FCheckKind = Value;
  UpdateCheckStates();
  Invalidate();
}

int TRxCheckListBox::CheckedIndex() {
  if (FCheckKind != ckRadioButtons) return -1;
  for (int I = 0, Count = Items()->Count(); I < Count; ++I)
    if (State(I) == cbChecked) return I;
  return -1;
}

void TRxCheckListBox::SetCheckedIndex(int Value) {
  if (FCheckKind == ckRadioButtons && Items()->Count() > 0) SetState(std::max(Value, 0), cbChecked);
}

void TRxCheckListBox::UpdateCheckStates() {
  if (FCheckKind != ckRadioButtons || Items()->Count() == 0) return;
  FInUpdateStates = true;
  try {
    SetState(std::max(CheckedIndex(), 0), cbChecked);
  } catch (...) {
    FInUpdateStates = false;
    throw;
  }
  FInUpdateStates = false;
}

bool TRxCheckListBox::Checked(int Index) {
  const TCheckListBoxItem* Item = CheckObject(Index);
  return Item && Item->State == cbChecked;
}

void TRxCheckListBox::SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }

TCheckBoxState TRxCheckListBox::State(int Index) {
  const TCheckListBoxItem* Item = CheckObject(Index);
  const TCheckBoxState Result = Item ? Item->State : cbUnchecked;
  if (FCheckKind == ckRadioButtons && Result != cbChecked) return cbUnchecked;
  return Result;
}

void TRxCheckListBox::SetState(int Index, TCheckBoxState Value) {
  const TCheckBoxState Current = State(Index);
  if (Value == Current && !FInUpdateStates) return;
  const bool Radio = FCheckKind == ckRadioButtons;
  if (Radio && Current == cbChecked && Value != cbChecked) return;
  CheckObject(Index, true)->State = Value;
  if (Radio && Value == cbChecked) {
    for (int I = Items()->Count() - 1; I >= 0; --I) {
      if (I == Index) continue;
      TCheckListBoxItem* Other = CheckObject(I);
      if (Other && Other->State == cbChecked) {
        Other->State = cbUnchecked;
        InvalidateCheck(I);
      }
    }
  }
  InvalidateCheck(Index);
  if (!(ComponentState() & csLoading) && !FReadingLayout && OnStateChange) OnStateChange(this, Index);
}

bool TRxCheckListBox::EntryEnabled(int Index) {
  const TCheckListBoxItem* Item = CheckObject(Index);
  return !Item || Item->Enabled;
}

void TRxCheckListBox::SetEntryEnabled(int Index, bool Value) {
  if (Value == EntryEnabled(Index)) return;
  CheckObject(Index, true)->Enabled = Value;
  InvalidateItem(Index);
  if (HandleAllocated()) UpdateWindow(FHandle);
}

void TRxCheckListBox::InvalidateCheck(int Index) {
  if (!HandleAllocated()) return;
  const RECT R = CheckArea(ItemRect(Index));
  InvalidateRect(FHandle, &R, FALSE);
  UpdateWindow(FHandle);
}

void TRxCheckListBox::ClickCheck() {
  if (OnClickCheck) OnClickCheck(this);
}

void TRxCheckListBox::ToggleClickCheck(int Index) {
  if (Index < 0 || Index >= Items()->Count() || !EntryEnabled(Index)) return;
  switch (State(Index)) {
    case cbUnchecked: SetState(Index, AllowGrayed() ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(Index, cbUnchecked); break;
    case cbGrayed: SetState(Index, cbChecked); break;
  }
  ClickCheck();
}

void TRxCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TRxCustomListBox::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const int Index = ItemAtPos(POINT{X, Y}, true);
  if (Index < 0) return;
  const RECT Item = ItemRect(Index);
  // Left to right: from the entry's left edge; right to left: strictly inside the area at the right.
  const int Offset = UseRightToLeftReading() ? X - (Item.right - CheckAreaWidth()) : X - Item.left;
  const bool InArea = UseRightToLeftReading() ? Offset > 0 && Offset < CheckAreaWidth() : Offset < CheckAreaWidth();
  if (InArea) ToggleClickCheck(Index);
}

RECT TRxCheckListBox::CheckArea(const RECT& Item) const {
  RECT Area = Item;
  if (UseRightToLeftReading())
    Area.left = Area.right - CheckAreaWidth();
  else
    Area.right = Area.left + CheckAreaWidth();
  return Area;
}

void TRxCheckListBox::WndProc(TMessage& M) {
  if (M.Msg != WM_CHAR) {
    TRxCustomListBox::WndProc(M);
    return;
  }
  if (DoKeyMessage(M)) return;
  const char Key = static_cast<char>(M.WParam);
  if (Key == ' ') {
    ToggleClickCheck(ItemIndex());
    return;
  }
  if ((Key == '+' || Key == '-') && FCheckKind != ckRadioButtons) {
    for (int I = 0, Count = Items()->Count(); I < Count; ++I)
      if (EntryEnabled(I)) SetState(I, Key == '+' ? cbChecked : cbUnchecked);
    ClickCheck();
  }
  DefWndProc(M);
}

std::string TRxCheckListBox::LayoutStrings() {
  TStringList Lines;
  for (int I = 0, Count = Items()->Count(); I < Count; ++I) {
    const TCheckListBoxItem* Item = CheckObject(I);
    Lines.Add(Items()->Get(I));
    Lines.Add(IntToStr(Item ? Item->State : cbUnchecked));
    Lines.Add(EntryEnabled(I) ? "True" : "False");
  }
  return Lines.Count() ? Lines.Text() : std::string();
}

void TRxCheckListBox::SetLayoutStrings(const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  // Per entry: text, state, enabled; before the current version text, checked, enabled and (from
  // version 1) the state, which wins.
  const int Per = FReaderVersion >= LayoutVersion ? 3 : FReaderVersion > 0 ? 4 : 3;
  FReadingLayout = true;
  struct TRestore {
    bool& Flag;
    ~TRestore() { Flag = false; }
  } Restore{FReadingLayout};
  Items()->BeginUpdate();
  try {
    Items()->Clear();
    for (int At = 0; At + Per <= Lines.Count(); At += Per) {
      const int Index = Items()->Add(Lines.Get(At));
      TCheckBoxState Value;
      if (Per == 3 && FReaderVersion >= LayoutVersion)
        Value = static_cast<TCheckBoxState>(std::clamp(StrToIntDef(Lines.Get(At + 1), 0), 0, 2));
      else
        Value = StrToBoolProp(Lines.Get(At + 1)) ? cbChecked : cbUnchecked;
      if (Per == 4) Value = static_cast<TCheckBoxState>(std::clamp(StrToIntDef(Lines.Get(At + 3), 0), 0, 2));
      SetState(Index, Value);
      SetEntryEnabled(Index, StrToBoolProp(Lines.Get(At + 2)));
    }
  } catch (...) {
    Items()->EndUpdate();
    throw;
  }
  Items()->EndUpdate();
}

void TRxCheckListBox::Loaded() {
  TRxCustomListBox::Loaded();
  UpdateCheckStates();
}

void TRxCheckListBox::SetItems(TStrings* Value) {
  TRxCustomListBox::SetItems(Value);
  auto* Source = dynamic_cast<TCheckListBoxStrings*>(Value);
  if (!Source || Source == Items()) return;
  auto& From = static_cast<TRxCheckListBox&>(Source->ListBox());
  for (int I = 0, Count = std::min(Items()->Count(), Source->Count()); I < Count; ++I) {
    TCheckListBoxItem* Item = CheckObject(I, true);
    Item->State = From.State(I);
    Item->Enabled = From.EntryEnabled(I);
  }
  Invalidate();
}

int TRxCheckListBox::GetItemWidth(int Index) { return TRxCustomListBox::GetItemWidth(Index) + CheckAreaWidth(); }

void TRxCheckListBox::DrawCheck(const RECT& Area, TCheckBoxState AState, bool Enabled) {
  TBitmap& Strip = CheckImages();
  const int Row = FCheckKind == ckCheckBoxes ? 0 : FCheckKind == ckRadioButtons ? 1 : 2;
  const int Cell = Row * 6 + static_cast<int>(AState) + (Enabled ? 0 : 3);
  const TColor Back = Color();
  Canvas().Brush().SetColor(Back);
  Canvas().FillRect(Area);
  TCanvas& Image = FDrawBitmap->Canvas();
  const RECT Whole{0, 0, FCheckWidth, FCheckHeight};
  HBRUSH Brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Back)));
  ::FillRect(Image.Handle(), &Whole, Brush);
  DeleteObject(Brush);
  const TColor Transparent = static_cast<TColor>(static_cast<unsigned>(Strip.TransparentColor()) & 0xFFFFFF);
  StretchBltTransparent(Image.Handle(), 0, 0, FCheckWidth, FCheckHeight, Strip.Canvas().Handle(), (Cell % 6) * FCheckWidth,
                        (Cell / 6) * FCheckHeight, FCheckWidth, FCheckHeight, nullptr, Transparent);
  const int Left = Area.left + (Area.right - Area.left - FCheckWidth) / 2;
  const int Top = Area.top + (Area.bottom - Area.top - FCheckHeight) / 2;
  BitBlt(Canvas().Handle(), Left, Top, FCheckWidth, FCheckHeight, Image.Handle(), 0, 0, SRCCOPY);
}

void TRxCheckListBox::DrawItem(int Index, RECT Rect, TOwnerDrawState DrawState) {
  const RECT Area = CheckArea(Rect);
  const bool Enabled = EntryEnabled(Index);
  const TColor TextBrush = Canvas().Brush().Color();
  DrawCheck(Area, State(Index), Enabled);
  Canvas().Brush().SetColor(TextBrush);
  if (!Enabled) Canvas().Font().SetColor((DrawState & ODS_SELECTED) ? clInactiveCaptionText : clGrayText);
  if (UseRightToLeftReading())
    Rect.right = Area.left;
  else
    Rect.left = Area.right;
  if (Style() == lbStandard) DefaultDrawItem(Index, Rect);
  else TRxCustomListBox::DrawItem(Index, Rect, DrawState);
}

// ---------------------------------------------------------------------------------------------
// States in the INI file

TFormPlacement* TRxCheckListBox::IniStorage() const { return FIniLink->Storage(); }

void TRxCheckListBox::SetIniStorage(TFormPlacement* Value) {
  if (Value == IniStorage()) return;
  if (IniStorage()) IniStorage()->RemoveFreeNotification(this);
  FIniLink->SetStorage(Value);
  if (Value) Value->FreeNotification(this);
}

void TRxCheckListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TRxCustomListBox::Notification(AComponent, Operation);
  if (Operation == opRemove && FIniLink && AComponent == IniStorage()) FIniLink->SetStorage(nullptr);
}

void TRxCheckListBox::SaveStatesTo(TObject* Ini, const std::string& Section) {
  IniEraseSection(Ini, Section);
  const int Count = Items()->Count();
  IniWriteInteger(Ini, Section, "Count", Count);
  for (int I = 0; I < Count; ++I) IniWriteInteger(Ini, Section, "Item" + std::to_string(I), State(I));
}

void TRxCheckListBox::LoadStatesFrom(TObject* Ini, const std::string& Section) {
  const int Count = std::min(IniReadInteger(Ini, Section, "Count", 0), Items()->Count());
  for (int I = 0; I < Count; ++I) {
    const int Value = IniReadInteger(Ini, Section, "Item" + std::to_string(I), 0);
    SetState(I, static_cast<TCheckBoxState>(std::clamp(Value, 0, 2)));
    if (FCheckKind == ckRadioButtons && State(I) == cbChecked) break;
  }
}

void TRxCheckListBox::IniSave(TObject*) {
  if (!Name().empty() && FIniLink->IniObject()) SaveStatesTo(FIniLink->IniObject(), FIniLink->RootSection() + GetDefaultSection(this));
}

void TRxCheckListBox::IniLoad(TObject*) {
  if (!Name().empty() && FIniLink->IniObject()) LoadStatesFrom(FIniLink->IniObject(), FIniLink->RootSection() + GetDefaultSection(this));
}
