// The type-ahead combo box.
#include "controls/AdvCtrls.h"

#include "controls/VCLUtils.h"

#include <algorithm>

namespace {
bool Printable(char Key) { return static_cast<unsigned char>(Key) >= 32; }
}  // namespace

const TClassInfo& TAdvCustomComboBox::StaticClassInfo() {
  static const TClassInfo Info{
      "TAdvCustomComboBox",
      &TCustomComboBox::StaticClassInfo(),
      {BoolProp<TAdvCustomComboBox>("FreeText", [](TAdvCustomComboBox& C) { return C.FreeText; },
                                    [](TAdvCustomComboBox& C, bool V) { C.FreeText = V; }),
       BoolProp<TAdvCustomComboBox>("BeepOnMismatch", [](TAdvCustomComboBox& C) { return C.BeepOnMismatch; },
                                    [](TAdvCustomComboBox& C, bool V) { C.BeepOnMismatch = V; }),
       BoolProp<TAdvCustomComboBox>("ReadOnly", [](TAdvCustomComboBox& C) { return C.ReadOnly; },
                                    [](TAdvCustomComboBox& C, bool V) { C.ReadOnly = V; }),
       EnumProp<TAdvCustomComboBox, TBorderStyle>("BorderStyle", {"bsNone", "bsSingle"}, &TAdvCustomComboBox::BorderStyle,
                                                  &TAdvCustomComboBox::SetBorderStyle),
       IntProp<TAdvCustomComboBox>("DropDownWidth", &TAdvCustomComboBox::DropDownWidth,
                                   &TAdvCustomComboBox::SetDropDownWidth),
       IntProp<TAdvCustomComboBox>("MaxLength", &TAdvCustomComboBox::MaxLength, &TAdvCustomComboBox::SetMaxLength)},
      {EventProp<TAdvCustomComboBox>("OnMatch", &TAdvCustomComboBox::OnMatch)},
      {}};
  return Info;
}

TAdvCustomComboBox::TAdvCustomComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {
  FResetTimer = new TTimer(this);
  FResetTimer->SetEnabled(false);
  FResetTimer->SetInterval(1500);
  FResetTimer->OnTimer = [this](TObject*) {
    if (FTyping) return;
    FResetTimer->SetEnabled(false);
    FSearchText.clear();
  };
}

bool TAdvCustomComboBox::IsDropDownList() const { return Style() != csDropDown && Style() != csSimple; }

void TAdvCustomComboBox::CreateWnd() {
  TCustomComboBox::CreateWnd();
  if (FDropDownWidth != 0) SetDropDownWidth(FDropDownWidth);
  if (FMaxLength > 0) SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TAdvCustomComboBox::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  Ctl3D = Value == bsSingle;
  Invalidate();
}

void TAdvCustomComboBox::SetDropDownWidth(int Value) {
  FDropDownWidth = Value;
  if (HandleAllocated())
    SendMessageA(FHandle, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(Value < 1 ? Width() : Value), 0);
}

void TAdvCustomComboBox::SetMaxLength(int Value) {
  FMaxLength = std::max(Value, 0);
  if (HandleAllocated()) SendMessageA(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

int TAdvCustomComboBox::FindItem(const std::string& Text) {
  if (Text.empty()) return -1;
  const LRESULT Index =
      SendMessageA(Handle(), CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Text.c_str()));
  return Index == CB_ERR ? -1 : static_cast<int>(Index);
}

void TAdvCustomComboBox::MatchFailed() {
  if (BeepOnMismatch) SystemBeep();
}

void TAdvCustomComboBox::SelectionChanged() {
  Change();
  if (OnSelect) OnSelect(this);
}

void TAdvCustomComboBox::MatchListItem(const std::string& Text, char& Key) {
  const int Index = FindItem(Text);
  if (Index < 0) {
    MatchFailed();
    return;
  }
  SetItemIndex(Index);
  FSearchText = Text;
  SelectionChanged();
  DoKeyPress(Key);
}

bool TAdvCustomComboBox::MatchEditItem(const std::string& Text, char& Key) {
  const int Index = FindItem(Text);
  if (Index < 0) return false;
  FSettingText = true;
  SetItemIndex(Index);
  FSettingText = false;
  SelectionChanged();
  if (Key) DoKeyPress(Key);
  if (EditHandle()) SendMessageA(EditHandle(), EM_SETSEL, Text.size(), -1);
  if (OnMatch) OnMatch(this);
  return true;
}

std::string TAdvCustomComboBox::EditText() {
  if (!EditHandle()) return Text();
  const int Length = GetWindowTextLengthA(EditHandle());
  std::string Result(static_cast<size_t>(Length) + 1, '\0');
  Result.resize(static_cast<size_t>(GetWindowTextA(EditHandle(), Result.data(), Length + 1)));
  return Result;
}

void TAdvCustomComboBox::EditSel(int& Start, int& End) {
  DWORD S = 0, E = 0;
  if (EditHandle()) SendMessageA(EditHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&S), reinterpret_cast<LPARAM>(&E));
  Start = static_cast<int>(S);
  End = static_cast<int>(E);
}

void TAdvCustomComboBox::SetEditText(const std::string& Text) {
  FSettingText = true;
  SetWindowTextA(EditHandle(), Text.c_str());
  FSettingText = false;
}

void TAdvCustomComboBox::CompleteText() {
  FSearchText = EditText();
  const int Index = FindItem(FSearchText);
  if (Index < 0) return;
  const std::string Typed = FSearchText;
  FSettingText = true;
  SetItemIndex(Index);
  FSettingText = false;
  SendMessageA(EditHandle(), EM_SETSEL, Typed.size(), -1);
}

void TAdvCustomComboBox::ListChar(TMessage& M) {
  char Key = static_cast<char>(M.WParam);
  M.Result = 0;
  if (Key == VK_BACK) {
    std::string Copy = FSearchText;
    if (Copy.empty()) {
      MatchFailed();
      return;
    }
    Copy.pop_back();
    if (Copy.empty()) {
      SetItemIndex(0);
      SelectionChanged();
      FSearchText.clear();
      DoKeyPress(Key);
      return;
    }
    MatchListItem(Copy, Key);
  } else if (Key == VK_ESCAPE) {
    SetItemIndex(0);
    SelectionChanged();
  } else if (Printable(Key)) {
    FTyping = true;
    MatchListItem(FSearchText + Key, Key);
    FResetTimer->SetEnabled(false);
    FResetTimer->SetEnabled(true);
    FTyping = false;
  }
}

void TAdvCustomComboBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_CHAR:
      if (IsDropDownList()) return ListChar(M);
      break;
    case WM_KEYDOWN:
      if (M.WParam == VK_ESCAPE || (M.WParam >= VK_PRIOR && M.WParam <= VK_DOWN)) FSearchText.clear();
      break;
    case WM_KILLFOCUS: FSearchText.clear(); break;
    case WM_PAINT:
      TCustomComboBox::WndProc(M);
      PaintFlatBorder();
      return;
    case WM_SIZE:
      if (FBorderStyle == bsNone) Invalidate();
      break;
    default: break;
  }
  TCustomComboBox::WndProc(M);
}

void TAdvCustomComboBox::PaintFlatBorder() {
  if (FBorderStyle != bsNone || !HandleAllocated()) return;
  RECT R;
  GetClientRect(FHandle, &R);
  HDC DC = GetDC(FHandle);
  HBRUSH Brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color())));
  FrameRect(DC, &R, Brush);
  InflateRect(&R, -1, -1);
  FrameRect(DC, &R, Brush);
  DeleteObject(Brush);
  ReleaseDC(FHandle, DC);
}

void TAdvCustomComboBox::Notify(TMessage& M) {
  if (M.Msg == CN_COMMAND && HIWORD(M.WParam) == CBN_EDITCHANGE) {
    if (FSettingText) return;
    TCustomComboBox::Notify(M);
    if (FreeText && (ComponentState() & csLoading) == 0) CompleteText();
    return;
  }
  TCustomComboBox::Notify(M);
}

void TAdvCustomComboBox::EditKeyDown(TMessage& M, bool& Drop) {
  int S = 0, E = 0;
  switch (M.WParam) {
    case VK_PRIOR: case VK_NEXT: case VK_UP: case VK_DOWN: FSearchText.clear(); break;
    case VK_END: case VK_HOME: case VK_LEFT: case VK_RIGHT: FSearchText = EditText(); break;
    case VK_INSERT: Drop = !FreeText; break;
    case VK_DELETE: {
      const std::string Text = EditText();
      EditSel(S, E);
      std::string Rest = Text;
      if (S != E)
        Rest.erase(static_cast<size_t>(S), static_cast<size_t>(E - S));
      else if (static_cast<size_t>(S) < Rest.size())
        Rest.erase(static_cast<size_t>(S), 1);
      FSearchText = Rest;
      Drop = !FreeText && !(S == 0 && E == static_cast<int>(Text.size()));
      break;
    }
    default: break;
  }
}

bool TAdvCustomComboBox::EditChar(char Key) {
  const std::string Start = FSearchText;
  int S = 0, E = 0;
  EditSel(S, E);
  if (Key == VK_ESCAPE) {
    SetItemIndex(-1);
    FSearchText.clear();
    SelectionChanged();
    DoKeyPress(Key);
    return true;
  }
  if (Printable(Key)) {
    if (FMaxLength >= 1 && static_cast<int>(EditText().size()) >= FMaxLength && S == E) {
      SystemBeep();
      return true;
    }
    if (DoKeyPress(Key)) return true;
    if (!Printable(Key)) return false;
    std::string Typed = FSearchText;
    const size_t From = std::min(static_cast<size_t>(S), Typed.size());
    Typed.erase(From, std::min(static_cast<size_t>(E - S), Typed.size() - From));
    Typed.insert(From, 1, Key);
    FSearchText = Typed;
    if (OnSelect) OnSelect(this);
    char Pressed = 0;  // the key-press event has run already
    if (MatchEditItem(FSearchText, Pressed)) return true;
    if (!FreeText) {
      MatchFailed();
      FSearchText = Start;
      return true;
    }
    SetEditText(Start);
    const int Caret = std::min(S, static_cast<int>(Start.size()));
    SendMessageA(EditHandle(), EM_SETSEL, static_cast<WPARAM>(Caret), Caret);
    return false;
  }
  if (Key == VK_BACK) {
    std::string Copy = Start;
    if (Copy.empty()) {
      MatchFailed();
    } else if (static_cast<size_t>(S) >= Copy.size()) {
      Copy.pop_back();
    } else if (FreeText) {
      if (S != E)
        Copy.erase(static_cast<size_t>(S), static_cast<size_t>(E - S));
      else if (S > 0)
        Copy.erase(static_cast<size_t>(S - 1), 1);
    }
    if (OnSelect) OnSelect(this);
    if (Copy.empty()) {
      SetItemIndex(-1);
      FSearchText.clear();
      SelectionChanged();
      DoKeyPress(Key);
    }
    FSearchText = Copy;
    return MatchEditItem(FSearchText, Key);
  }
  return false;
}

void TAdvCustomComboBox::EditWndProc(TMessage& M) {
  bool Paste = false;
  switch (M.Msg) {
    case WM_KEYDOWN: {
      bool Drop = false;
      EditKeyDown(M, Drop);
      if (M.WParam == VK_INSERT && (KeyboardShift() & ssShift)) Paste = FreeText;
      if (Drop) return;
      break;
    }
    case WM_CHAR: {
      const char Key = static_cast<char>(M.WParam);
      if (Key == 22 || Key == 24) {
        if (!FreeText) return;
        Paste = true;
        break;
      }
      if (ReadOnly || (Key != VK_ESCAPE && Key != VK_BACK && !Printable(Key))) break;
      if (EditChar(Key)) return;
      DefEditProc(M);
      return;
    }
    case WM_LBUTTONDOWN: FSearchText = EditText(); break;
    case WM_CUT:
      if (!FreeText) return;
      CompleteText();
      break;
    case WM_PASTE:
      if (!FreeText) return;
      TCustomComboBox::EditWndProc(M);
      CompleteText();
      return;
    default: break;
  }
  TCustomComboBox::EditWndProc(M);
  if (Paste) {
    FSearchText = EditText();
    char Key = 0;
    MatchEditItem(FSearchText, Key);
  }
}

const TClassInfo& TAdvComboBox::StaticClassInfo() {
  static const TClassInfo Info{"TAdvComboBox", &TAdvCustomComboBox::StaticClassInfo(), {}, {},
                               MakeComponent<TAdvComboBox>};
  return Info;
}
