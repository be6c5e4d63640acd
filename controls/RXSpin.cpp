// The spin edit and its buttons.
#include "controls/RXSpin.h"

#include "classlib/core/SysUtils.h"
#include "controls/VCLUtils.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

int Nearest(double V) { return static_cast<int>(std::lrint(V)); }  // halves to even

// The largest magnitude the integer kinds take: the largest double below 2^63.
constexpr double IntegerExtreme = 9223372036854774784.0;
double IntegerInRange(double V) { return std::isnan(V) ? 0 : std::clamp(V, -IntegerExtreme, IntegerExtreme); }

void PolyLine(HDC DC, TColor Color, std::initializer_list<POINT> Points) {
  HPEN Pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(Color)));
  HGDIOBJ Old = SelectObject(DC, Pen);
  auto P = Points.begin();
  MoveToEx(DC, P->x, P->y, nullptr);
  for (++P; P != Points.end(); ++P) LineTo(DC, P->x, P->y);
  SelectObject(DC, Old);
  DeleteObject(Pen);
}

std::unique_ptr<TBitmap> LoadGlyph(const char* Name) {
  auto Glyph = LoadModuleBitmap(GetModuleHandleA(nullptr), Name);
  if (!Glyph) RaiseResourceNotFound(Name);
  return Glyph;
}

std::string DecimalSeparator() {
  char Buffer[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, Buffer, sizeof(Buffer)) < 2) return ".";
  return Buffer;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TRxSpinButton

const TClassInfo& TRxSpinButton::StaticClassInfo() {
  static const TClassInfo Info{
      "TRxSpinButton",
      &TGraphicControl::StaticClassInfo(),
      {ComponentProp<TRxSpinButton, TWinControl>("FocusControl", &TRxSpinButton::FocusControl,
                                                 &TRxSpinButton::SetFocusControl)},
      {EventProp<TRxSpinButton>("OnTopClick", &TRxSpinButton::OnTopClick),
       EventProp<TRxSpinButton>("OnBottomClick", &TRxSpinButton::OnBottomClick)},
      MakeComponent<TRxSpinButton>};
  return Info;
}

TRxSpinButton::TRxSpinButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FUpGlyph = LoadGlyph("RXSPINUP");
  FDownGlyph = LoadGlyph("RXSPINDOWN");
  FWidth = 20;
  FHeight = 20;
}

TRxSpinButton::~TRxSpinButton() = default;

void TRxSpinButton::SetUpGlyph(TBitmap* Value) { SetGlyph(FUpGlyph, Value, "RXSPINUP"); }
void TRxSpinButton::SetDownGlyph(TBitmap* Value) { SetGlyph(FDownGlyph, Value, "RXSPINDOWN"); }

void TRxSpinButton::SetGlyph(std::unique_ptr<TBitmap>& Glyph, TBitmap* Value, const char* Resource) {
  if (Value)
    Glyph->Assign(Value);
  else
    Glyph = LoadGlyph(Resource);
  FGlyphsChanged = true;
  Invalidate();
}

void TRxSpinButton::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TRxSpinButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

TSpinButtonState TRxSpinButton::HalfAt(int X, int Y) const {
  const double Slope = FWidth > 0 ? static_cast<double>(FHeight) / FWidth : 0;
  return Y <= FHeight - Slope * X ? sbTopDown : sbBottomDown;
}

std::unique_ptr<TBitmap> TRxSpinButton::DrawPicture(TSpinButtonState State) {
  const int W = FWidth, H = FHeight;
  auto Picture = std::make_unique<TBitmap>(W, H);
  TCanvas& C = Picture->Canvas();
  HDC DC = C.Handle();
  C.BrushColor = clBtnFace;
  C.FillRect(RECT{0, 0, W, H});
  HBRUSH Frame = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(clWindowFrame)));
  RECT Whole{0, 0, W, H};
  FrameRect(DC, &Whole, Frame);
  DeleteObject(Frame);
  PolyLine(DC, clWindowFrame, {{-1, H}, {W, -1}});
  const bool Top = State == sbTopDown, Bottom = State == sbBottomDown;
  PolyLine(DC, Top ? clBtnShadow : clBtnHighlight, {{1, H - 4}, {1, 1}, {W - 3, 1}});
  if (!Top) PolyLine(DC, clBtnShadow, {{1, H - 3}, {W - 2, 0}});
  PolyLine(DC, Bottom ? clBtnHighlight : clBtnShadow, {{2, H - 2}, {W - 2, H - 2}, {W - 2, 1}});
  PolyLine(DC, Bottom ? clBtnShadow : clBtnHighlight, {{2, H - 2}, {W - 1, 1}});
  const int D = Top ? 2 : 1;
  const int UpX = Nearest(W / 4.0 - FUpGlyph->Width() / 2.0) + D, UpY = Nearest(H / 4.0 - FUpGlyph->Height() / 2.0) + D;
  StretchDrawTransparent(C, *FUpGlyph, clDefault, UpX, UpY, 0, 0, 0, 0, 0, 0);
  const int DownX = Nearest(3 * W / 4.0 - FDownGlyph->Width() / 2.0) - 1;
  const int DownY = Nearest(3 * H / 4.0 - FDownGlyph->Height() / 2.0) - 1;
  StretchDrawTransparent(C, *FDownGlyph, clDefault, DownX, DownY, 0, 0, 0, 0, 0, 0);
  if (Bottom) PolyLine(DC, clBtnShadow, {{3, H - 2}, {W - 1, 2}});
  return Picture;
}

void TRxSpinButton::Paint() {
  if (!EnabledInTree()) FDragging = false;
  if (FGlyphsChanged || FPictureWidth != FWidth || FPictureHeight != FHeight) {
    FTopDownBitmap = DrawPicture(sbTopDown);
    FBottomDownBitmap = DrawPicture(sbBottomDown);
    FNotDownBitmap = DrawPicture(sbNotDown);
    FPictureWidth = FWidth;
    FPictureHeight = FHeight;
    FGlyphsChanged = false;
  }
  TBitmap& Picture = FDown == sbTopDown ? *FTopDownBitmap : FDown == sbBottomDown ? *FBottomDownBitmap : *FNotDownBitmap;
  BitBlt(FCanvas.Handle(), 0, 0, FWidth, FHeight, Picture.DC(), 0, 0, SRCCOPY);
}

void TRxSpinButton::EnabledChanged() {
  FGlyphsChanged = true;
  TGraphicControl::EnabledChanged();
  Invalidate();
}

void TRxSpinButton::SetDown(TSpinButtonState Value) {
  if (Value == FDown) return;
  FDown = Value;
  Invalidate();
}

void TRxSpinButton::DoClick(TSpinButtonState Half) {
  const TNotifyEvent& Event = Half == sbTopDown ? OnTopClick : OnBottomClick;
  if (Event) Event(this);
}

void TRxSpinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !EnabledInTree()) return;
  if (FFocusControl && FFocusControl->TabStop && FFocusControl->CanFocus() && !FFocusControl->Focused())
    FFocusControl->SetFocus();
  if (FDown == sbNotDown) {
    FLastDown = FDown = HalfAt(X, Y);
    Invalidate();
    DoClick(FDown);
    if (!(GetKeyState(VK_LBUTTON) & 0x8000)) SetDown(sbNotDown);
    if (!FRepeatTimer) {
      FRepeatTimer = new TTimer(this);
      FRepeatTimer->OnTimer = [this](TObject*) { TimerStep(); };
    }
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetInterval(400);
    FRepeatTimer->SetEnabled(true);
  }
  FDragging = true;
}

void TRxSpinButton::TimerStep() {
  FRepeatTimer->SetInterval(100);
  if (FDown == sbNotDown || !Parent() || GetCapture() != Parent()->Handle()) return;
  try {
    DoClick(FDown);
  } catch (...) {
    FRepeatTimer->SetEnabled(false);
    throw;
  }
}

void TRxSpinButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  if (X >= 0 && X <= FWidth && Y >= 0 && Y <= FHeight) {
    const TSpinButtonState Half = HalfAt(X, Y);
    if (FDown != Half) SetDown(FLastDown == Half ? Half : sbNotDown);
  } else {
    SetDown(sbNotDown);
  }
}

void TRxSpinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (!FDragging) return;
  FDragging = false;
  if (X >= 0 && X <= FWidth && Y >= 0 && Y <= FHeight) {
    FLastDown = sbNotDown;
    SetDown(sbNotDown);
  }
}

// ---------------------------------------------------------------------------------------------
// TRxUpDown

int SpinStandardButtonWidth() { return std::min(GetSystemMetrics(SM_CXVSCROLL), 15); }

const TClassInfo& TRxUpDown::StaticClassInfo() {
  static const TClassInfo Info{"TRxUpDown", &TUpDown::StaticClassInfo(), {}, {}, MakeComponent<TRxUpDown>};
  return Info;
}

TRxUpDown::TRxUpDown(TComponent* AOwner) : TUpDown(AOwner) {
  Orientation = udVertical;
  SetMin(-1);
  SetMax(1);
  SetPosition(0);
}

void TRxUpDown::Notify(TMessage& M) {
  if (M.Msg != CN_VSCROLL && M.Msg != CN_HSCROLL) return TUpDown::Notify(M);
  if (LOWORD(M.WParam) != SB_THUMBPOSITION || FScrolling) return;
  FScrolling = true;
  try {
    const int Pos = static_cast<int>(SendMessageA(FHandle, UDM_GETPOS32, 0, 0));
    if (Pos != 0 && OnClick) OnClick(this, Pos > 0 ? btNext : btPrev);
  } catch (...) {
    SendMessageA(FHandle, UDM_SETPOS, 0, 0);
    FScrolling = false;
    throw;
  }
  SendMessageA(FHandle, UDM_SETPOS, 0, 0);
  FScrolling = false;
}

void TRxUpDown::WndProc(TMessage& M) {
  TUpDown::WndProc(M);
  if (M.Msg == WM_SIZE && Width() != SpinStandardButtonWidth()) SetWidth(SpinStandardButtonWidth());
}

// ---------------------------------------------------------------------------------------------
// TRxSpinEdit

const TClassInfo& TRxSpinEdit::StaticClassInfo() {
  static const TClassInfo Info{
      "TRxSpinEdit",
      &TCustomEdit::StaticClassInfo(),
      {EnumProp<TRxSpinEdit, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                         &TRxSpinEdit::Alignment, &TRxSpinEdit::SetAlignment),
       BoolProp<TRxSpinEdit>("AutoSelect", [](TRxSpinEdit& E) { return E.AutoSelect; },
                             [](TRxSpinEdit& E, bool V) { E.AutoSelect = V; }),
       BoolProp<TRxSpinEdit>("ArrowKeys", &TRxSpinEdit::ArrowKeys, &TRxSpinEdit::SetArrowKeys),
       EnumProp<TRxSpinEdit, TSpinButtonKind>("ButtonKind", {"bkStandard", "bkDiagonal"}, &TRxSpinEdit::ButtonKind,
                                              &TRxSpinEdit::SetButtonKind),
       IntProp<TRxSpinEdit>("Decimal", &TRxSpinEdit::Decimal, &TRxSpinEdit::SetDecimal),
       BoolProp<TRxSpinEdit>("EditorEnabled", [](TRxSpinEdit& E) { return E.EditorEnabled; },
                             [](TRxSpinEdit& E, bool V) { E.EditorEnabled = V; }),
       StrProp<TRxSpinEdit>("Increment", [](TRxSpinEdit& E) { return E.FormatValue(E.FIncrement); },
                            [](TRxSpinEdit& E, const std::string& V) { E.FIncrement = std::strtod(V.c_str(), nullptr); }),
       StrProp<TRxSpinEdit>("MaxValue", [](TRxSpinEdit& E) { return std::to_string(E.MaxValue); },
                            [](TRxSpinEdit& E, const std::string& V) { E.MaxValue = std::strtod(V.c_str(), nullptr); }),
       StrProp<TRxSpinEdit>("MinValue", [](TRxSpinEdit& E) { return std::to_string(E.MinValue); },
                            [](TRxSpinEdit& E, const std::string& V) { E.MinValue = std::strtod(V.c_str(), nullptr); }),
       EnumProp<TRxSpinEdit, TValueType>("ValueType", {"vtInteger", "vtFloat", "vtHex"}, &TRxSpinEdit::ValueType,
                                         &TRxSpinEdit::SetValueType),
       StrProp<TRxSpinEdit>("Value", [](TRxSpinEdit& E) { return E.FormatValue(E.Value()); },
                            [](TRxSpinEdit& E, const std::string& V) { E.SetValue(std::strtod(V.c_str(), nullptr)); })},
      {EventProp<TRxSpinEdit>("OnTopClick", &TRxSpinEdit::OnTopClick),
       EventProp<TRxSpinEdit>("OnBottomClick", &TRxSpinEdit::OnBottomClick)},
      MakeComponent<TRxSpinEdit>};
  return Info;
}

TRxSpinEdit::TRxSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  FText = "0";
  RecreateButton();
}

TRxSpinEdit::~TRxSpinEdit() {
  FChanging = true;
  delete FButton;
  delete FBtnWindow;
  delete FUpDown;
  FButton = nullptr;
  FBtnWindow = nullptr;
  FUpDown = nullptr;
  DestroyHandle();
}

void TRxSpinEdit::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  P.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
  // Right-to-left reading mirrors left and right.
  const bool Mirror = UseRightToLeftReading();
  P.Style |= FAlignment == taCenter ? ES_CENTER : (FAlignment == taRightJustify) != Mirror ? ES_RIGHT : ES_LEFT;
}

void TRxSpinEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  // The formatting rectangle alone keeps the text off the button.
  SendMessageA(FHandle, EM_SETMARGINS, EC_RIGHTMARGIN, 0);
  ResizeButton();
  SetEditRect();
}

void TRxSpinEdit::RecreateButton() {
  if (ComponentState() & csDestroying) return;
  delete FButton;
  delete FBtnWindow;
  delete FUpDown;
  FButton = nullptr;
  FBtnWindow = nullptr;
  FUpDown = nullptr;
  if (FButtonKind == bkDiagonal) {
    FBtnWindow = new TCustomControl(this);
    FBtnWindow->SetBounds(0, 0, Height(), Height());
    FBtnWindow->SetParent(this);
    FButton = new TRxSpinButton(this);
    FButton->SetFocusControl(this);
    FButton->OnTopClick = [this](TObject*) { StepUp(); };
    FButton->OnBottomClick = [this](TObject*) { StepDown(); };
    FButton->SetBounds(0, 0, FBtnWindow->Width(), FBtnWindow->Height());
    FButton->SetParent(FBtnWindow);
  } else {
    FUpDown = new TRxUpDown(this);
    FUpDown->SetBounds(0, 0, SpinStandardButtonWidth(), Height());
    FUpDown->SetAlign(alRight);
    FUpDown->SetParent(this);
    FUpDown->OnClick = [this](TObject*, TUDBtnType Kind) {
      if (TabStop && CanFocus()) SetFocus();
      if (Kind == btNext)
        StepUp();
      else
        StepDown();
    };
  }
  ResizeButton();
  SetEditRect();
}

void TRxSpinEdit::ResizeButton() {
  const bool Left = UseRightToLeftAlignment();
  if (FUpDown) {
    FUpDown->SetWidth(SpinStandardButtonWidth());
    FUpDown->SetAlign(Left ? alLeft : alRight);
  } else if (FBtnWindow && FButton) {
    if (Ctl3D)  // the edit always has its sunken edge
      FBtnWindow->SetBounds(Left ? -1 : Width() - Height() - 1, -1, Height() - 3, Height() - 3);
    else
      FBtnWindow->SetBounds(Left ? 0 : Width() - Height(), 0, Height(), Height());
    FButton->SetBounds(0, 0, FBtnWindow->Width(), FBtnWindow->Height());
  }
}

void TRxSpinEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  const int ButtonWidth = FUpDown ? FUpDown->Width() : FButton ? FButton->Width() : SpinStandardButtonWidth();
  RECT R{0, 0, ClientWidth() - ButtonWidth - 2, ClientHeight() + 1};
  if (UseRightToLeftAlignment()) R = RECT{ButtonWidth + 1, 0, ClientWidth() - 1, ClientHeight() + 1};
  SendMessageA(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void TRxSpinEdit::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  RecreateWnd();
}

void TRxSpinEdit::SetArrowKeys(bool Value) {
  FArrowKeys = Value;
  ResizeButton();
}

void TRxSpinEdit::SetButtonKind(TSpinButtonKind Value) {
  if (Value == FButtonKind) return;
  FButtonKind = Value;
  RecreateButton();
}

void TRxSpinEdit::SetDecimal(int Value) {
  if (Value == FDecimal) return;
  const double Current = this->Value();
  FDecimal = Value;
  SetValue(Current);
}

void TRxSpinEdit::SetValueType(TValueType Value) {
  if (Value == FValueType) return;
  const double Current = this->Value();
  FValueType = Value;
  SetValue(Current);
  if (Value != vtFloat) {
    FIncrement = std::nearbyint(FIncrement);
    if (FIncrement == 0) FIncrement = 1;
  }
}

double TRxSpinEdit::CheckValue(double V) const {
  if (MinValue == MaxValue) return V;
  return std::clamp(V, MinValue, MaxValue);
}

std::string TRxSpinEdit::FormatValue(double V) const {
  char Buffer[400];
  switch (FValueType) {
    case vtFloat: {
      std::snprintf(Buffer, sizeof(Buffer), "%.15g", V);  // 15 significant digits first
      std::snprintf(Buffer, sizeof(Buffer), "%.*f", FDecimal, std::strtod(Buffer, nullptr));
      std::string Text = Buffer;
      if (const size_t Dot = Text.find('.'); Dot != std::string::npos) Text.replace(Dot, 1, DecimalSeparator());
      return Text;
    }
    case vtHex:
      std::snprintf(Buffer, sizeof(Buffer), "%llX", static_cast<unsigned long long>(std::llrint(IntegerInRange(V))));
      return Buffer;
    case vtInteger: break;
  }
  return std::to_string(std::llrint(IntegerInRange(V)));
}

TRxSpinEdit::TNumberText TRxSpinEdit::ReadNumber(const std::string& T, double& Result) const {
  size_t I = T.find_first_not_of(' ');
  if (I == std::string::npos) return ntNoNumber;
  const auto Digits = [&](bool Hex) {
    const size_t From = I;
    while (I < T.size() && (Hex ? std::isxdigit(static_cast<unsigned char>(T[I])) : std::isdigit(static_cast<unsigned char>(T[I]))))
      ++I;
    return I - From;
  };
  if (FValueType == vtHex) {
    if (Digits(true) == 0 || I != T.size()) return ntNoNumber;
    long long V = 0;
    if (!TryStrToInt64("$" + T.substr(T.find_first_not_of(' ')), V)) return ntTooHigh;  // more digits than it holds
    Result = static_cast<double>(V);
    return ntNumber;
  }
  const bool Negative = T[I] == '-';
  if (T[I] == '+' || T[I] == '-') ++I;
  size_t Mantissa = Digits(false);
  if (FValueType == vtInteger) {
    if (Mantissa == 0 || I != T.size()) return ntNoNumber;
    long long V = 0;
    if (!TryStrToInt64(T, V)) return Negative ? ntTooLow : ntTooHigh;
    Result = static_cast<double>(V);
    return ntNumber;
  }
  // Digits, the decimal separator and digits, an exponent: nothing else (no "nan", "inf", hex).
  const std::string Sep = DecimalSeparator();
  std::string Plain = T.substr(0, I);
  if (T.compare(I, Sep.size(), Sep) == 0) {
    I += Sep.size();
    Plain += '.';
    const size_t From = I;
    Mantissa += Digits(false);
    Plain += T.substr(From, I - From);
  }
  if (Mantissa == 0) return ntNoNumber;
  if (I < T.size() && (T[I] == 'e' || T[I] == 'E')) {
    const size_t From = I++;
    if (I < T.size() && (T[I] == '+' || T[I] == '-')) ++I;
    if (Digits(false) == 0) return ntNoNumber;
    Plain += T.substr(From, I - From);
  }
  if (I != T.size()) return ntNoNumber;
  Result = std::strtod(Plain.c_str(), nullptr);
  if (std::isinf(Result)) return Negative ? ntTooLow : ntTooHigh;
  return ntNumber;
}

double TRxSpinEdit::Value() {
  const bool Range = MinValue != MaxValue;
  const double Extreme = FValueType == vtFloat ? DBL_MAX : IntegerExtreme;
  double Result = 0;
  switch (ReadNumber(Text(), Result)) {
    case ntNumber: break;
    case ntTooHigh: Result = Range ? MaxValue : Extreme; break;
    case ntTooLow: Result = Range ? MinValue : -Extreme; break;
    case ntNoNumber: Result = FValueType == vtFloat ? MinValue : std::trunc(MinValue); break;
  }
  return CheckValue(Result);
}

void TRxSpinEdit::SetValue(double V) { SetText(FormatValue(CheckValue(V))); }

void TRxSpinEdit::Step(double Delta, const TNotifyEvent& Event) {
  if (ReadOnly()) {
    SystemBeep();
    return;
  }
  const std::string Old = Text();
  FChanging = true;
  try {
    SetValue(Value() + Delta);
  } catch (...) {
    FChanging = false;
    throw;
  }
  FChanging = false;
  if (lstrcmpiA(Text().c_str(), Old.c_str()) != 0) {
    if (HandleAllocated()) SendMessageA(FHandle, EM_SETMODIFY, TRUE, 0);
    Change();
  }
  if (Event) Event(this);
}

void TRxSpinEdit::StepUp() { Step(FIncrement, OnTopClick); }
void TRxSpinEdit::StepDown() { Step(-FIncrement, OnBottomClick); }

void TRxSpinEdit::Change() {
  if (!FChanging) TCustomEdit::Change();
}

bool TRxSpinEdit::AcceptsChar(char Key) {
  const unsigned char K = static_cast<unsigned char>(Key);
  if (!EditorEnabled) return K < 32 && K != VK_BACK;
  if (K < 32) return true;
  if (Key == '+' || Key == '-' || (Key >= '0' && Key <= '9')) return true;
  const std::string T = Text();
  if (FValueType == vtFloat) {
    const std::string Sep = DecimalSeparator();
    if (Sep.size() == 1 && Key == Sep[0]) return T.find(Sep) == std::string::npos;
    if (Key == 'E' || Key == 'e') return T.find_first_of("Ee") == std::string::npos;
  }
  if (FValueType == vtHex) return (Key >= 'A' && Key <= 'F') || (Key >= 'a' && Key <= 'f');
  return false;
}

void TRxSpinEdit::Paste() {
  const std::string Text = ClipboardTextLine(FHandle);
  SendMessageA(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Text.c_str()));
}

void TRxSpinEdit::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      TCustomEdit::WndProc(M);
      M.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      return;
    case WM_KEYDOWN:
      if (DoKeyMessage(M)) return;
      if (FArrowKeys && (M.WParam == VK_UP || M.WParam == VK_DOWN)) {
        if (M.WParam == VK_UP)
          StepUp();
        else
          StepDown();
        return;
      }
      DefWndProc(M);
      return;
    case WM_CHAR: {
      const char Key = static_cast<char>(M.WParam);
      if (Key == '\r' || Key == '\n') return;  // no line break enters the text
      if (!AcceptsChar(Key)) {
        SystemBeep();
        return;
      }
      break;
    }
    case WM_PASTE:
      if (EditorEnabled && !ReadOnly()) Paste();
      return;
    case WM_CUT:
      if (!EditorEnabled || ReadOnly()) return;
      break;
    case WM_NCPAINT:
      TCustomEdit::WndProc(M);
      RedrawChildWindows(FHandle);  // the frame covered the buttons
      return;
    case WM_SIZE: {
      TCustomEdit::WndProc(M);
      const int MinHeight = FontTextHeight(Font()) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
      if (Height() < MinHeight) {
        SetHeight(MinHeight);
        return;
      }
      ResizeButton();
      SetEditRect();
      return;
    }
    default: break;
  }
  TCustomEdit::WndProc(M);
}

void TRxSpinEdit::DoEnter() {
  if (AutoSelect && !(ControlState & csLButtonDown)) SelectAll();
  TCustomEdit::DoEnter();
}

void TRxSpinEdit::DoExit() {
  TCustomEdit::DoExit();
  // Leaving shows the value held: junk, an emptied box and numbers out of range are replaced.
  const double Current = Value();
  if (Text() != FormatValue(Current)) SetValue(Current);
}

void TRxSpinEdit::EnabledChanged() {
  TCustomEdit::EnabledChanged();
  if (FUpDown) {
    FUpDown->SetEnabled(Enabled());
    ResizeButton();
  } else if (FButton) {
    FButton->SetEnabled(Enabled());
  }
}

void TRxSpinEdit::BiDiModeChanged() {
  TCustomEdit::BiDiModeChanged();
  if (HandleAllocated()) RecreateWnd();  // the alignment style
  ResizeButton();
  SetEditRect();
}

void TRxSpinEdit::FontChanged() {
  TCustomEdit::FontChanged();
  ResizeButton();
  SetEditRect();
}
