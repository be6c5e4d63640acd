// Standard controls over the system's BUTTON, EDIT and COMBOBOX classes, and the painted label
// and group box.
#include "classlib/gui/StdCtrls.h"

#include "classlib/gui/Forms.h"
#include "classlib/gui/WindowTable.h"

#include <algorithm>

bool IsAccel(char Key, const std::string& Caption) {
  for (size_t I = 0; I + 1 < Caption.size(); ++I) {
    if (Caption[I] != '&') continue;
    if (Caption[I + 1] == '&') {
      ++I;
      continue;
    }
    return CharUpperA(reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<unsigned char>(Caption[I + 1])))) ==
           CharUpperA(reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<unsigned char>(Key))));
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TLabel

const TClassInfo& TLabel::StaticClassInfo() {
  static const TClassInfo Info{
      "TLabel",
      &TGraphicControl::StaticClassInfo(),
      {BoolProp<TLabel>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap),
       BoolProp<TLabel>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize),
       BoolProp<TLabel>("Transparent", &TLabel::Transparent, &TLabel::SetTransparent),
       BoolProp<TLabel>("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar),
       EnumProp<TLabel, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TLabel::Alignment,
                                    &TLabel::SetAlignment),
       ComponentProp<TLabel, TWinControl>("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl)},
      {},
      MakeComponent<TLabel>};
  return Info;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetParentColor(true);
  FWidth = 65;
  FHeight = 17;
}

void TLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustBounds();
}
void TLabel::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Invalidate();
}
void TLabel::SetShowAccelChar(bool Value) {
  if (Value == FShowAccelChar) return;
  FShowAccelChar = Value;
  AdjustBounds();
  Invalidate();
}
void TLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

bool TLabel::DialogChar(char Key) {
  if (!FFocusControl || !FShowAccelChar || !IsAccel(Key, Caption()) || !FFocusControl->CanFocus()) return false;
  FFocusControl->SetFocus();
  return true;
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::FontChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::DoDrawText(RECT& Rect, UINT Flags) {
  std::string Text = Caption();
  if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&"))) Text += " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  if (FWordWrap) Flags |= DT_WORDBREAK;
  if (!EnabledInTree()) {
    OffsetRect(&Rect, 1, 1);
    FCanvas.Font().SetColor(clBtnHighlight);
    FCanvas.DrawText(Text, Rect, Flags);
    OffsetRect(&Rect, -1, -1);
    FCanvas.Font().SetColor(clBtnShadow);
  }
  FCanvas.DrawText(Text, Rect, Flags);
}

void TLabel::Paint() {
  RECT R = ClientRect();
  if (!FTransparent) {
    FCanvas.Brush().SetColor(Color());
    FCanvas.FillRect(R);
  }
  const UINT Align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  DoDrawText(R, DT_EXPANDTABS | Align);
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || (ComponentState() & csLoading)) return;
  HDC DC = GetDC(nullptr);
  FCanvas.SetHandle(DC);
  FCanvas.Font().Assign(&Font());
  RECT R{0, 0, FWordWrap ? Width() : 0, 0};
  DoDrawText(R, DT_CALCRECT | DT_EXPANDTABS);
  FCanvas.SetHandle(nullptr);
  ReleaseDC(nullptr, DC);
  int L = Left();
  if (FAlignment == taRightJustify) L += Width() - R.right;
  SetBounds(L, Top(), R.right, R.bottom);
}

// ---------------------------------------------------------------------------------------------
// Buttons

const TClassInfo& TButtonControl::StaticClassInfo() {
  static const TClassInfo Info{"TButtonControl", &TWinControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  TabStop = true;
  SetParentColor(true);
}

const TClassInfo& TButton::StaticClassInfo() {
  static const TClassInfo Info{
      "TButton",
      &TButtonControl::StaticClassInfo(),
      {IntProp<TButton>("ModalResult", [](TButton& B) { return B.ModalResult; }, [](TButton& B, int V) { B.ModalResult = V; }),
       BoolProp<TButton>("Default", &TButton::Default, &TButton::SetDefault),
       BoolProp<TButton>("Cancel", [](TButton& B) { return B.Cancel; }, [](TButton& B, bool V) { B.Cancel = V; })},
      {},
      MakeComponent<TButton>};
  return Info;
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& P) {
  TButtonControl::CreateParams(P);
  P.SysClassName = "BUTTON";
  P.Style |= (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::SetDefault(bool Value) {
  if (Value == FDefault) return;
  FDefault = Value;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (ModalResult != 0)
    if (TCustomForm* Form = ParentForm()) Form->ModalResult = ModalResult;
  TButtonControl::Click();
}

void TButton::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == BN_CLICKED) Click();
}

bool TButton::DialogChar(char Key) {
  if (!IsAccel(Key, Caption()) || !CanFocus()) return false;
  Click();
  return true;
}

void TButton::FocusChanged(TWinControl* Focused) {
  // The focused button is the one Enter presses; otherwise the default one.
  FActive = Focused == this || (FDefault && !dynamic_cast<TButton*>(Focused));
}

bool TButton::DialogKey(WORD Key, TShiftState) {
  TCustomForm* Form = ParentForm();
  TWinControl* Focused = Form ? Form->ActiveControl() : nullptr;
  const bool Pressed = Key == VK_RETURN ? (Focused == this || (FDefault && !dynamic_cast<TButton*>(Focused)))
                                        : (Key == VK_ESCAPE && Cancel);
  if (!Pressed || !CanFocus()) return false;
  Click();
  return true;
}

const TClassInfo& TCheckBox::StaticClassInfo() {
  static const TClassInfo Info{"TCheckBox",
                               &TButtonControl::StaticClassInfo(),
                               {BoolProp<TCheckBox>("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked)},
                               {},
                               MakeComponent<TCheckBox>};
  return Info;
}

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
}

void TCheckBox::CreateParams(TCreateParams& P) {
  TButtonControl::CreateParams(P);
  P.SysClassName = "BUTTON";
  P.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageA(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!(ComponentState() & csLoading)) Click();
}

void TCheckBox::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == BN_CLICKED) {
    FChecked = SendMessageA(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
  }
}

bool TCheckBox::DialogChar(char Key) {
  if (!IsAccel(Key, Caption()) || !CanFocus()) return false;
  SetFocus();
  SetChecked(!FChecked);
  return true;
}

const TClassInfo& TRadioButton::StaticClassInfo() {
  static const TClassInfo Info{"TRadioButton",
                               &TButtonControl::StaticClassInfo(),
                               {BoolProp<TRadioButton>("Checked", &TRadioButton::Checked, &TRadioButton::SetRadioChecked)},
                               {},
                               MakeComponent<TRadioButton>};
  return Info;
}

TRadioButton::TRadioButton(TComponent* AOwner) : TCheckBox(AOwner) {}

void TRadioButton::CreateParams(TCreateParams& P) {
  TButtonControl::CreateParams(P);
  P.SysClassName = "BUTTON";
  P.Style |= BS_RADIOBUTTON;
}

void TRadioButton::SetRadioChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  if (HandleAllocated()) SendMessageA(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!Value) return;
  if (Parent())
    for (int I = 0; I < Parent()->ControlCount(); ++I)
      if (auto* R = dynamic_cast<TRadioButton*>(Parent()->Controls(I)); R && R != this) R->SetRadioChecked(false);
  if (!(ComponentState() & csLoading)) Click();
}

void TRadioButton::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == BN_CLICKED) SetRadioChecked(true);
}

// ---------------------------------------------------------------------------------------------
// Edits

const TClassInfo& TCustomEdit::StaticClassInfo() {
  static const TClassInfo Info{"TCustomEdit",
                               &TWinControl::StaticClassInfo(),
                               {BoolProp<TCustomEdit>("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly),
                                IntProp<TCustomEdit>("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength)},
                               {EventProp<TCustomEdit>("OnChange", &TCustomEdit::OnChange)},
                               {}};
  return Info;
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  TabStop = true;
  SetBorderStyle(bsSingle);
}

void TCustomEdit::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = "EDIT";
  P.Style |= ES_AUTOHSCROLL | (FReadOnly ? ES_READONLY : 0);
}

void TCustomEdit::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  if (HandleAllocated()) SendMessageA(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetMaxLength(int Value) {
  if (Value == FMaxLength) return;
  FMaxLength = Value;
  if (HandleAllocated()) SendMessageA(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(Value), 0);
}

int TCustomEdit::SelStart() {
  DWORD Start = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), 0);
  return static_cast<int>(Start);
}

int TCustomEdit::SelLength() {
  DWORD Start = 0, End = 0;
  SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
  return static_cast<int>(End - Start);
}

void TCustomEdit::SetSel(int Start, int Length) {
  SendMessageA(Handle(), EM_SETSEL, static_cast<WPARAM>(Start), Length < 0 ? -1 : Start + Length);
}

bool TCustomEdit::Modified() { return HandleAllocated() && SendMessageA(FHandle, EM_GETMODIFY, 0, 0) != 0; }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetTextValue(const std::string& Value) {
  TWinControl::SetTextValue(Value);
  // A single-line edit window says EN_CHANGE itself; a multi-line one does not for WM_SETTEXT.
  if (!HandleAllocated() || (GetWindowLongPtrA(FHandle, GWL_STYLE) & ES_MULTILINE)) Change();
}

void TCustomEdit::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == EN_CHANGE) Change();
}

const TClassInfo& TEdit::StaticClassInfo() {
  static const TClassInfo Info{"TEdit", &TCustomEdit::StaticClassInfo(), {}, {}, MakeComponent<TEdit>};
  return Info;
}

// The memo's lines: its text split at line breaks.
class TMemo::TMemoStrings : public TStrings {
public:
  explicit TMemoStrings(TMemo& Memo) : FMemo(Memo) {}
  int Count() const override { return static_cast<int>(Lines().size()); }
  std::string Get(int Index) const override {
    const auto L = Lines();
    if (Index < 0 || Index >= static_cast<int>(L.size())) Error(0, Index);
    return L[static_cast<size_t>(Index)];
  }
  void Put(int Index, const std::string& S) override { Edit([&](auto& L) { L.at(static_cast<size_t>(Index)) = S; }); }
  void Insert(int Index, const std::string& S) override {
    Edit([&](auto& L) { L.insert(L.begin() + std::clamp(Index, 0, static_cast<int>(L.size())), S); });
  }
  void Delete(int Index) override { Edit([&](auto& L) { L.erase(L.begin() + Index); }); }
  void Clear() override { FMemo.SetText(""); }

private:
  TMemo& FMemo;
  std::vector<std::string> Lines() const {
    std::vector<std::string> Result;
    const std::string T = FMemo.Text();
    size_t Start = 0;
    while (Start < T.size()) {
      size_t End = T.find_first_of("\r\n", Start);
      if (End == std::string::npos) End = T.size();
      Result.push_back(T.substr(Start, End - Start));
      if (End < T.size() && T[End] == '\r' && End + 1 < T.size() && T[End + 1] == '\n') ++End;
      Start = End + 1;
    }
    return Result;
  }
  template <class F>
  void Edit(F&& Fn) {
    auto L = Lines();
    Fn(L);
    std::string T;
    for (const auto& S : L) T += S + "\r\n";
    if (!T.empty()) T.resize(T.size() - 2);
    FMemo.SetText(T);
  }
};

TMemo::~TMemo() = default;

TStrings* TMemo::Lines() { return FLines.get(); }

const TClassInfo& TMemo::StaticClassInfo() {
  static const TClassInfo Info{"TMemo",
                               &TCustomEdit::StaticClassInfo(),
                               {StringsProp<TMemo>("Lines", &TMemo::Lines),
                                BoolProp<TMemo>("WantReturns", [](TMemo& M) { return M.WantReturns; },
                                                [](TMemo& M, bool V) { M.WantReturns = V; }),
                                BoolProp<TMemo>("WordWrap", [](TMemo& M) { return M.WordWrap; },
                                                [](TMemo& M, bool V) { M.WordWrap = V; })},
                               {},
                               MakeComponent<TMemo>};
  return Info;
}

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(*this)) {
  FWidth = 185;
  FHeight = 89;
}

void TMemo::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  P.Style |= ES_MULTILINE | WS_VSCROLL | ES_AUTOVSCROLL | (WantReturns ? ES_WANTRETURN : 0);
  if (WordWrap) P.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
}

// ---------------------------------------------------------------------------------------------
// Combo box

// The combo's items: kept in the object and told to the window when it exists.
class TCustomComboBox::TComboItems : public TStringList {
public:
  explicit TComboItems(TCustomComboBox& Combo) : FCombo(Combo) {}
  void Put(int Index, const std::string& S) override {
    TStringList::Put(Index, S);
    if (HWND W = Wnd()) {
      SendMessageA(W, CB_DELETESTRING, static_cast<WPARAM>(Index), 0);
      SendMessageA(W, CB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str()));
    }
  }
  void Delete(int Index) override {
    TStringList::Delete(Index);
    if (HWND W = Wnd()) SendMessageA(W, CB_DELETESTRING, static_cast<WPARAM>(Index), 0);
    if (FCombo.FItemIndex >= Count()) FCombo.FItemIndex = -1;
  }
  void Clear() override {
    TStringList::Clear();
    FCombo.FItemIndex = -1;
    if (HWND W = Wnd()) SendMessageA(W, CB_RESETCONTENT, 0, 0);
  }
  // Every line into a new window.
  void Fill(HWND W) {
    for (int I = 0; I < Count(); ++I) SendMessageA(W, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Get(I).c_str()));
  }

protected:
  void InsertItem(int Index, const std::string& S, TObject* AObject) override {
    TStringList::InsertItem(Index, S, AObject);
    if (HWND W = Wnd()) SendMessageA(W, CB_INSERTSTRING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(S.c_str()));
  }

private:
  TCustomComboBox& FCombo;
  HWND Wnd() const { return FCombo.HandleAllocated() ? FCombo.FHandle : nullptr; }
};

TStrings* TCustomComboBox::Items() { return FItems.get(); }

const TClassInfo& TCustomComboBox::StaticClassInfo() {
  static const TClassInfo Info{
      "TCustomComboBox",
      &TWinControl::StaticClassInfo(),
      {StringsProp<TCustomComboBox>("Items", &TCustomComboBox::Items),
       IntProp<TCustomComboBox>("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex),
       EnumProp<TCustomComboBox, TComboBoxStyle>(
           "Style", {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"},
           &TCustomComboBox::Style, &TCustomComboBox::SetStyle),
       IntProp<TCustomComboBox>("ItemHeight", &TCustomComboBox::ItemHeight, &TCustomComboBox::SetItemHeight),
       IntProp<TCustomComboBox>("DropDownCount", [](TCustomComboBox& C) { return C.DropDownCount; },
                                [](TCustomComboBox& C, int V) { C.DropDownCount = V; })},
      {EventProp<TCustomComboBox>("OnChange", &TCustomComboBox::OnChange),
       EventProp<TCustomComboBox>("OnDropDown", &TCustomComboBox::OnDropDown),
       EventProp<TCustomComboBox>("OnCloseUp", &TCustomComboBox::OnCloseUp),
       EventProp<TCustomComboBox>("OnSelect", &TCustomComboBox::OnSelect),
       EventProp<TCustomComboBox>("OnDrawItem", &TCustomComboBox::OnDrawItem),
       EventProp<TCustomComboBox>("OnMeasureItem", &TCustomComboBox::OnMeasureItem)},
      {}};
  return Info;
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TComboItems>(*this)) {
  FWidth = 145;
  FHeight = 21;
  TabStop = true;
}

TCustomComboBox::~TCustomComboBox() { DestroyHandle(); }

void TCustomComboBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.SysClassName = "COMBOBOX";
  P.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
  switch (FStyle) {
    case csDropDown: P.Style |= CBS_DROPDOWN; break;
    case csSimple: P.Style |= CBS_SIMPLE; break;
    case csDropDownList: P.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: P.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS; break;
    case csOwnerDrawVariable: P.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS; break;
  }
  if (Sorted) P.Style |= CBS_SORT;
  if (FStyle != csSimple) P.Height = std::max(P.Height, FItemHeight * (DropDownCount + 1) + 8);
}

void TCustomComboBox::CreateWnd() {
  const std::string Text = FText;
  TWinControl::CreateWnd();
  FItems->Fill(FHandle);
  if (FStyle == csOwnerDrawFixed) {
    SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, FItemHeight);
    SendMessageA(FHandle, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), FItemHeight);
  }
  SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
  if (FItemIndex < 0 && (FStyle == csDropDown || FStyle == csSimple)) SetWindowTextA(FHandle, Text.c_str());
  COMBOBOXINFO Info{};
  Info.cbSize = sizeof(Info);
  if ((FStyle == csDropDown || FStyle == csSimple) && GetComboBoxInfo(FHandle, &Info) && Info.hwndItem) {
    FEditHandle = Info.hwndItem;
    WindowTable<TCustomComboBox>().Add(FEditHandle, this);
    FDefEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  }
  // The combo's height follows its window (the list part is not counted).
  RECT R;
  GetWindowRect(FHandle, &R);
  FHeight = R.bottom - R.top;
}

void TCustomComboBox::DestroyWnd() {
  FItemIndex = ItemIndex();
  FText = GetText();
  if (FEditHandle) {
    SetWindowLongPtrA(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefEditProc));
    WindowTable<TCustomComboBox>().Remove(FEditHandle);
    FEditHandle = nullptr;
  }
  TWinControl::DestroyWnd();
}

LRESULT CALLBACK TCustomComboBox::EditProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* Combo = WindowTable<TCustomComboBox>().Find(Wnd);
  if (!Combo) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage M{Msg, WParam, LParam, 0};
  const WNDPROC Def = Combo->FDefEditProc;
  if (!CallGuarded([&] { Combo->EditWndProc(M); })) return 0;
  if (Msg == WM_NCDESTROY) {
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Def));
    WindowTable<TCustomComboBox>().Remove(Wnd);
    if (Combo->FEditHandle == Wnd) Combo->FEditHandle = nullptr;
  }
  return M.Result;
}

void TCustomComboBox::DefEditProc(TMessage& M) {
  M.Result = CallWindowProcA(FDefEditProc, FEditHandle, M.Msg, M.WParam, M.LParam);
}

void TCustomComboBox::EditWndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SETFOCUS:
      DefEditProc(M);
      if (TCustomForm* Form = ParentForm()) Form->SetFocusedControl(this);
      return;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: case WM_CHAR:
      if (DoKeyMessage(M)) return;
      break;
    default: break;
  }
  DefEditProc(M);
}

int TCustomComboBox::ItemIndex() {
  if (HandleAllocated()) return static_cast<int>(SendMessageA(FHandle, CB_GETCURSEL, 0, 0));
  return FItemIndex;
}

void TCustomComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  FItemIndex = Value;
  if (HandleAllocated()) SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(Value), 0);
  FText = Value >= 0 ? FItems->Get(Value) : FText;
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  RecreateWnd();
}

void TCustomComboBox::SetItemHeight(int Value) {
  if (Value == FItemHeight || Value < 1) return;
  FItemHeight = Value;
  if (HandleAllocated() && FStyle == csOwnerDrawFixed) SendMessageA(FHandle, CB_SETITEMHEIGHT, 0, Value);
}

bool TCustomComboBox::DroppedDown() { return HandleAllocated() && SendMessageA(FHandle, CB_GETDROPPEDSTATE, 0, 0); }

void TCustomComboBox::SetDroppedDown(bool Value) { SendMessageA(Handle(), CB_SHOWDROPDOWN, Value, 0); }

std::string TCustomComboBox::GetText() {
  if (!HandleAllocated()) return FItemIndex >= 0 ? FItems->Get(FItemIndex) : FText;
  return TWinControl::GetText();
}

void TCustomComboBox::SetTextValue(const std::string& Value) {
  FText = Value;
  const int Index = FItems->IndexOf(Value);
  if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
    SetItemIndex(Index);
  } else {
    FItemIndex = -1;
    if (HandleAllocated()) {
      SendMessageA(FHandle, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      SetWindowTextA(FHandle, Value.c_str());
    }
  }
  Change();
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas.FillRect(Rect);
  if (Index >= 0 && Index < FItems->Count()) FCanvas.TextOut(Rect.left + 2, Rect.top, FItems->Get(Index));
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::Notify(TMessage& M) {
  switch (M.Msg) {
    case CN_COMMAND:
      switch (HIWORD(M.WParam)) {
        case CBN_SELCHANGE:
          FItemIndex = ItemIndex();
          if (OnSelect) OnSelect(this);
          Change();
          break;
        case CBN_EDITCHANGE: Change(); break;
        case CBN_DROPDOWN:
          if (OnDropDown) OnDropDown(this);
          break;
        case CBN_CLOSEUP:
          if (OnCloseUp) OnCloseUp(this);
          break;
        default: break;
      }
      break;
    case CN_DRAWITEM: {
      auto* D = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
      const int Saved = SaveDC(D->hDC);
      FCanvas.SetHandle(D->hDC);
      FCanvas.Font().Assign(&Font());
      const bool Selected = D->itemState & ODS_SELECTED;
      FCanvas.Brush().SetColor(Selected ? clHighlight : Color());
      FCanvas.Font().SetColor(Selected ? clHighlightText : Font().Color());
      try {
        DrawItem(static_cast<int>(D->itemID), D->rcItem, D->itemState);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        RestoreDC(D->hDC, Saved);
        throw;
      }
      FCanvas.SetHandle(nullptr);
      RestoreDC(D->hDC, Saved);
      M.Result = TRUE;
      break;
    }
    case CN_MEASUREITEM: {
      auto* Measure = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
      int H = FItemHeight;
      MeasureItem(static_cast<int>(Measure->itemID), H);
      Measure->itemHeight = static_cast<UINT>(H);
      M.Result = TRUE;
      break;
    }
    default: break;
  }
}

const TClassInfo& TComboBox::StaticClassInfo() {
  static const TClassInfo Info{"TComboBox", &TCustomComboBox::StaticClassInfo(), {}, {}, MakeComponent<TComboBox>};
  return Info;
}

// ---------------------------------------------------------------------------------------------
// TGroupBox

const TClassInfo& TGroupBox::StaticClassInfo() {
  static const TClassInfo Info{"TGroupBox", &TCustomControl::StaticClassInfo(), {}, {}, MakeComponent<TGroupBox>};
  return Info;
}

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
  SetParentColor(true);
}

void TGroupBox::AlignControls(TControl* AControl, RECT& Rect) {
  Rect.top += 16;
  InflateRect(&Rect, -2, -2);
  TCustomControl::AlignControls(AControl, Rect);
}

bool TGroupBox::DialogChar(char Key) {
  if (!IsAccel(Key, Caption()) || !CanFocus()) return false;
  if (TWinControl* First = FindNextControl(nullptr, true, true)) First->SetFocus();
  return true;
}

void TGroupBox::Paint() {
  RECT R = ClientRect();
  const int H = FCanvas.TextHeight("0");
  RECT Frame{R.left, R.top + H / 2, R.right, R.bottom};
  DrawEdge(FCanvas.Handle(), &Frame, EDGE_ETCHED, BF_RECT);
  const std::string Text = Caption();
  if (Text.empty()) return;
  RECT T{8, 0, R.right - 8, H};
  FCanvas.DrawText(Text, T, DT_CALCRECT | DT_SINGLELINE);
  FCanvas.FillRect(T);
  if (!EnabledInTree()) FCanvas.Font().SetColor(clGrayText);
  FCanvas.DrawText(Text, T, DT_SINGLELINE);
}
