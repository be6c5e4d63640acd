#include "controls/ToolEdit.h"

#include "classlib/core/ResStrings.h"
#include "classlib/gui/Forms.h"
#include "controls/DropFiles.h"
#include "controls/FileUtil.h"
#include "controls/VCLUtils.h"
#include "resources/strings/Controls.h"

#include <algorithm>

namespace {

constexpr int DefaultBtnWidth = 21;
constexpr int ComboArrowBitmap = 32738;  // OBM_COMBO, the system's combo-box arrow

TShiftState ShiftOfKey() { return KeyboardShift(); }

// The height of the system font's characters.
int SystemFontHeight() {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, GetStockObject(SYSTEM_FONT));
  TEXTMETRICA Metrics{};
  GetTextMetricsA(DC, &Metrics);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return Metrics.tmHeight;
}

}  // namespace

bool NewStyleControls() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

// ---------------------------------------------------------------------------------------------
// TEditButton

TEditButton::TEditButton(TComponent* AOwner) : TRxSpeedButton(AOwner) { ShowHint = true; }

void TEditButton::Click() {
  if (NoAction) {
    NoAction = false;
    return;
  }
  TRxSpeedButton::Click();
}

void TEditButton::Paint() {
  TRxSpeedButton::Paint();
  if (State() == sbsDown || State() == sbsExclusive) return;
  // Two lines on the left separate the button from the text.
  TControlCanvas& C = Canvas();
  C.Pen().SetColor(NewStyleControls() ? clBtnFace : clBtnShadow);
  C.MoveTo(0, 0);
  C.LineTo(0, Height() - 1);
  C.Pen().SetColor(clBtnHighlight);
  C.MoveTo(1, 1);
  C.LineTo(1, Height() - 2);
}

void TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft)
    if (auto* Edit = dynamic_cast<TCustomComboEdit*>(Owner())) Edit->ButtonMouseDown();
  TRxSpeedButton::MouseDown(Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// TPopupWindow

TPopupWindow::TPopupWindow(TComponent* AOwner) : TCustomControl(AOwner), FEditor(dynamic_cast<TWinControl*>(AOwner)) {
  FVisible = false;
  Ctl3D = false;
}

void TPopupWindow::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
  P.ExStyle = WS_EX_TOOLWINDOW;
  P.ClassStyle |= CS_SAVEBITS;
  // Owned by the editor's window (by none while the editor has no window yet).
  if (FEditor && FEditor->HandleAllocated()) P.WndParent = FEditor->Handle();
}

void TPopupWindow::WndProc(TMessage& M) {
  if (M.Msg == WM_MOUSEACTIVATE) {
    M.Result = MA_NOACTIVATE;
    return;
  }
  TCustomControl::WndProc(M);
}

void TPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const RECT R = ClientRect();
  ClosePopup(X >= R.left && X < R.right && Y >= R.top && Y < R.bottom);
}

void TPopupWindow::ClosePopup(bool Accept) {
  if (CloseUp) CloseUp(this, Accept);
}

void TPopupWindow::InvalidateEditor() {
  if (!FEditor || !FEditor->HandleAllocated()) return;
  RECT R = FEditor->ClientRect();
  if (auto* Combo = dynamic_cast<TCustomComboEdit*>(FEditor))
    R = RECT{0, 0, Combo->ClientWidth() - Combo->ButtonWidth() - 2, Combo->ClientHeight() + 1};
  InvalidateRect(FEditor->Handle(), &R, FALSE);
  UpdateWindow(FEditor->Handle());
}

// ---------------------------------------------------------------------------------------------
// TCustomComboEdit

const TClassInfo& TCustomComboEdit::StaticClassInfo() {
  using C = TCustomComboEdit;
  static const TClassInfo Info{
      "TCustomComboEdit",
      &TCustomEdit::StaticClassInfo(),
      {IntProp<C>("ButtonWidth", &C::ButtonWidth, &C::SetButtonWidth),
       IntProp<C>("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs),
       StrProp<C>("ButtonHint", &C::ButtonHint, &C::SetButtonHint),
       EnumProp<C, TGlyphKind>("GlyphKind", {"gkCustom", "gkDefault", "gkDropDown", "gkEllipsis"}, &C::GlyphKind,
                               &C::SetGlyphKind),
       IntProp<C>("ClickKey", [](C& E) { return E.ClickKey; }, [](C& E, int V) { E.ClickKey = static_cast<TShortCut>(V); }),
       BoolProp<C>("ReadOnly", &C::ReadOnly, &C::SetReadOnly),
       BoolProp<C>("DirectInput", &C::DirectInput, &C::SetDirectInput),
       BoolProp<C>("AutoSelect", [](C& E) { return E.AutoSelect; }, [](C& E, bool V) { E.AutoSelect = V; }),
       EnumProp<C, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &C::Alignment,
                               &C::SetAlignment)},
      {EventProp<C>("OnButtonClick", &C::OnButtonClick)},
      {}};
  return Info;
}

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
  FCreating = true;
  FBtnControl = new TWinControl(this);
  FBtnControl->SetBounds(0, 0, DefaultBtnWidth, 17);
  FBtnControl->SetParent(this);
  FButton = new TEditButton(this);
  FButton->SetBounds(0, 0, FBtnControl->Width(), FBtnControl->Height());
  FButton->SetParent(FBtnControl);
  FButton->OnClick = [this](TObject*) { ButtonStep(); };
  FHeight = 21;
  FCreating = false;
}

TCustomComboEdit::~TCustomComboEdit() {
  if (FButton) FButton->OnClick = nullptr;
  if (FPopup) FPopup->CloseUp = nullptr;
}

void TCustomComboEdit::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  P.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
  P.Style |= FAlignment == taRightJustify ? ES_RIGHT : FAlignment == taCenter ? ES_CENTER : ES_LEFT;
  if (FOEMConvert) P.Style |= ES_OEMCONVERT;
}

void TCustomComboEdit::CreateWnd() {
  TCustomEdit::CreateWnd();
  // The formatting rectangle alone keeps the text off the button.
  SendMessageA(FHandle, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  UpdateBtnBounds();
}

void TCustomComboEdit::SetPopup(TPopupWindow* Value) {
  FPopup = Value;
  if (FPopup) FPopup->CloseUp = [this](TObject* Sender, bool Accept) { PopupCloseUp(Sender, Accept); };
}

void TCustomComboEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT R{0, 0, ClientWidth() - FBtnControl->Width() - 2, ClientHeight() + 1};
  SendMessageA(FHandle, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

void TCustomComboEdit::UpdateBtnBounds() {
  const int W = FButton->Width();
  if (NewStyleControls() && Ctl3D && BorderStyle() == bsSingle)
    FBtnControl->SetBounds(Width() - W - 4, 0, W, Height() - 4);
  else if (!NewStyleControls() || BorderStyle() != bsSingle)
    FBtnControl->SetBounds(Width() - W, 0, W, Height());
  else
    FBtnControl->SetBounds(Width() - W - 2, 2, W, Height() - 4);
  FButton->SetBounds(0, 0, W, FBtnControl->Height());
  SetEditRect();
}

int TCustomComboEdit::MinimumHeight() {
  return std::min(SystemFontHeight(), FontTextHeight(Font())) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TCustomComboEdit::ResizeToMinimum() {
  if (ComponentState() & csLoading) {
    UpdateBtnBounds();
    return;
  }
  const int Least = MinimumHeight();
  if (Height() < Least)
    SetHeight(Least);  // comes back through WM_SIZE
  else
    UpdateBtnBounds();
}

int TCustomComboEdit::ButtonWidth() const { return FButton->Width(); }

void TCustomComboEdit::SetButtonWidth(int Value) {
  if (Value == ButtonWidth()) return;
  FBtnControl->SetVisible(Value > 1);
  if (FCreating) {
    FBtnControl->SetWidth(Value);
    FButton->SetWidth(Value);
    RecreateGlyph();
    return;
  }
  if (Value >= ClientWidth()) return;
  FButton->SetWidth(Value);
  UpdateBtnBounds();
  if (HandleAllocated()) RecreateWnd();
  RecreateGlyph();
}

int TCustomComboEdit::DefaultButtonWidth() const {
  if (FGlyphKind == gkDefault && !FButton->Glyph().Empty())
    return std::max(FButton->Glyph().Width() / std::max(1, FButton->NumGlyphs()) + 6, DefaultBtnWidth);
  if (FGlyphKind == gkDropDown) return GetSystemMetrics(SM_CXVSCROLL);
  return DefaultBtnWidth;
}

void TCustomComboEdit::SetGlyph(TBitmap* Value) {
  FButton->SetGlyph(Value);
  FGlyphKind = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int Value) {
  switch (FGlyphKind) {
    case gkDropDown:
    case gkEllipsis: FButton->SetNumGlyphs(1); break;
    case gkDefault: FButton->SetNumGlyphs(DefNumGlyphs); break;
    case gkCustom: FButton->SetNumGlyphs(Value); break;
  }
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind Value) {
  if (Value == FGlyphKind) return;
  FGlyphKind = Value;
  if (Value == gkCustom && (ComponentState() & csLoading)) FButton->SetGlyph(nullptr);
  RecreateGlyph();
}

void TCustomComboEdit::RecreateGlyph() {
  switch (FGlyphKind) {
    case gkCustom: return;
    case gkDefault: {
      if (const TBitmap* Picture = GetButtonGlyph()) {
        FButton->SetGlyph(const_cast<TBitmap*>(Picture));
        FButton->SetNumGlyphs(DefNumGlyphs);
      }
      if (!FButton->Glyph().Empty() && ButtonWidth() > 1) {  // a hidden button stays hidden
        const int W = std::max(FButton->Glyph().Width() / std::max(1, FButton->NumGlyphs()) + 6, ButtonWidth());
        if (W != ButtonWidth()) {
          FButton->SetWidth(W);
          FBtnControl->SetWidth(W);
          UpdateBtnBounds();
        }
      }
      return;
    }
    case gkDropDown: {
      TBitmap Arrow;
      Arrow.SetHandle(LoadBitmapA(nullptr, MAKEINTRESOURCEA(ComboArrowBitmap)));
      FButton->SetGlyph(&Arrow);
      FButton->SetNumGlyphs(1);
      const int W = GetSystemMetrics(SM_CXVSCROLL);
      FButton->SetWidth(W);
      FBtnControl->SetWidth(W);
      UpdateBtnBounds();
      return;
    }
    case gkEllipsis: {
      const int W = std::max(1, ButtonWidth() - 6);
      TBitmap Dots(W, 4, pf1bit);
      TCanvas& C = Dots.Canvas();
      RECT All{0, 0, W, 4};
      C.BrushColor = clWhite;
      C.FillRect(All);
      C.BrushColor = clBlack;
      const int G = std::min(std::max((W - 6) / 2, 1), 3);
      int X = ((W - 6) - 2 * G) / 2;
      for (int I = 0; I < 3; ++I, X += 2 + G) {
        RECT Square{X, 1, X + 2, 3};
        C.FillRect(Square);
      }
      FButton->SetGlyph(&Dots);
      FButton->SetNumGlyphs(1);
      return;
    }
  }
}

void TCustomComboEdit::ApplyEditReadOnly() { TCustomEdit::SetReadOnly(FReadOnly || !FDirectInput); }

void TCustomComboEdit::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  ApplyEditReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool Value) {
  FDirectInput = Value;
  ApplyEditReadOnly();
}

void TCustomComboEdit::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomComboEdit::SetOEMConvert(bool Value) {
  if (Value == FOEMConvert) return;
  FOEMConvert = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomComboEdit::ButtonStep() {
  if (FReadOnly) return;
  ButtonClick();
}

void TCustomComboEdit::DoClick() { ButtonStep(); }

void TCustomComboEdit::ButtonClick() {
  if (OnButtonClick) OnButtonClick(this);
  if (!FPopup) return;
  if (FPopupVisible)
    PopupCloseUp(FPopup, true);
  else
    DropDownPopup(true);
}

void TCustomComboEdit::ButtonMouseDown() {
  if (FPopup && FPopupVisible) {
    PopupCloseUp(FPopup, true);
    FButton->NoAction = true;
  } else if (TabStop && CanFocus() && !Focused()) {
    SetFocus();
  }
}

void TCustomComboEdit::DropDownPopup(bool DisableEdit) {
  if (!FPopup || GetReadOnly() || FPopupVisible) return;
  const POINT P = FParent ? FParent->ClientToScreen(POINT{Left(), Top()}) : POINT{Left(), Top()};
  int Y = P.y + Height();
  if (Y + FPopup->Height() > GetSystemMetrics(SM_CYSCREEN)) Y = P.y - FPopup->Height();
  int X = P.x - (FPopup->Width() - Width());
  if (X < 0) X = P.x;
  X = std::max(X, 0);
  if (X + FPopup->Width() > GetSystemMetrics(SM_CXSCREEN)) X = GetSystemMetrics(SM_CXSCREEN) - FPopup->Width();
  SetPopupValue(Text());
  if (CanFocus()) SetFocus();
  ShowPopup(POINT{X, Y});
  FPopupVisible = true;
  if (DisableEdit) {
    TCustomEdit::SetReadOnly(true);
    if (HandleAllocated()) HideCaret(FHandle);
  }
}

void TCustomComboEdit::ShowPopup(POINT Origin) {
  SetWindowPos(FPopup->Handle(), HWND_TOP, Origin.x, Origin.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  FPopup->SetVisible(true);
}

void TCustomComboEdit::HidePopup() {
  SetWindowPos(FPopup->Handle(), nullptr, 0, 0, 0, 0,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  FPopup->SetVisible(false);
}

void TCustomComboEdit::SetPopupValue(const std::string& Value) {
  if (FPopup) FPopup->SetPopupValue(Value);
}

std::string TCustomComboEdit::GetPopupValue() { return FPopup ? FPopup->GetPopupValue() : Text(); }

void TCustomComboEdit::ApplyPopupValue(const std::string& Value) {
  if (Text() == Value) return;
  SetText(Value);
  if (HandleAllocated()) SendMessageA(FHandle, EM_SETMODIFY, TRUE, 0);
  FPopupVisible = FPopup && FPopup->Visible();
  TCustomEdit::Change();
}

void TCustomComboEdit::MakeCaret() {
  if (!HandleAllocated()) return;
  const int TextHeight = std::min(SystemFontHeight(), FontTextHeight(Font()));
  CreateCaret(FHandle, nullptr, (Font().Style() & FontStyleBit(fsBold)) ? 2 : 1, TextHeight);
  ShowCaret(FHandle);
}

void TCustomComboEdit::PopupCloseUp(TObject*, bool Accept) {
  if (!FPopup || !FPopupVisible || FClosingPopup) return;
  FClosingPopup = true;
  try {
    if (HWND Capture = GetCapture()) SendMessageA(Capture, WM_CANCELMODE, 0, 0);
    const std::string Value = GetPopupValue();
    HidePopup();
    try {
      if (CanFocus()) SetFocus();
      if (Focused()) MakeCaret();
    } catch (...) {
    }
    ApplyEditReadOnly();
    Invalidate();
    if (Accept && CanAcceptPopupValue(Value) && EditCanModify()) {
      ApplyPopupValue(Value);
      if (Focused()) SelectAll();
    }
  } catch (...) {
    FPopupVisible = false;
    FClosingPopup = false;
    throw;
  }
  FPopupVisible = false;
  FClosingPopup = false;
}

void TCustomComboEdit::Change() {
  if (FPopupVisible)
    PopupValueChanged();
  else
    TCustomEdit::Change();
}

void TCustomComboEdit::PasteLine() {
  const std::string Text = ClipboardTextLine(FHandle);
  SendMessageA(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Text.c_str()));
}

void TCustomComboEdit::KeyChar(TMessage& M) {
  if (DoKeyMessage(M)) return;
  const char Key = static_cast<char>(M.WParam);
  if (Key == '\r' || Key == '\x1b') {
    if (FPopup && FPopupVisible) {
      PopupCloseUp(FPopup, Key == '\r');
      return;
    }
    // The form's default and cancel buttons work although the edit is multi-line.
    if (TCustomForm* Form = ParentForm()) Form->DispatchDialogKey(Key == '\r' ? VK_RETURN : VK_ESCAPE, ShiftOfKey());
    if (Key == '\r') return;
  }
  if (Key == '\n') return;  // no line break enters the text
  DefWndProc(M);
}

void TCustomComboEdit::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (DragMessage(this, M) || DoKeyMessage(M)) return;
      const WORD Key = static_cast<WORD>(M.WParam);
      if (ClickKey != scNone && ShortCut(Key, ShiftOfKey()) == ClickKey && ButtonWidth() > 0) {
        ButtonStep();
        return;
      }
      // Enter and Escape are the characters' business; a multi-line edit would act on them itself.
      if (Key == VK_RETURN || Key == VK_ESCAPE) return;
      DefWndProc(M);
      return;
    }
    case WM_CHAR: KeyChar(M); return;
    case WM_GETDLGCODE: {
      // One line of text: Tab moves on, as in any edit (the multi-line window would keep it).
      TCustomEdit::WndProc(M);
      const auto* Msg = reinterpret_cast<const MSG*>(M.LParam);
      if (Msg && Msg->message == WM_KEYDOWN && Msg->wParam == VK_TAB)
        M.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      return;
    }
    case WM_PASTE:
      if (FDirectInput && !FReadOnly && !TCustomEdit::ReadOnly()) PasteLine();
      return;
    case WM_CUT:
      if (!FDirectInput || FReadOnly) return;
      break;
    case WM_SETFOCUS:
      TCustomEdit::WndProc(M);
      MakeCaret();
      return;
    case WM_KILLFOCUS:
      PopupCloseUp(FPopup, false);
      break;
    case WM_SIZE:
      TCustomEdit::WndProc(M);
      ResizeToMinimum();
      return;
    case WM_NCPAINT:
      TCustomEdit::WndProc(M);
      RedrawChildWindows(FHandle);  // the frame covered the button
      return;
    case WM_LBUTTONDOWN:
      if (FPopup) {
        if (CanFocus()) SetFocus();
        if (!Focused()) return;
        if (FPopupVisible) PopupCloseUp(FPopup, false);
      }
      break;
    default: break;
  }
  TCustomEdit::WndProc(M);
}

void TCustomComboEdit::DoEnter() {
  if (AutoSelect && FDirectInput && !(ControlState & csLButtonDown)) SelectAll();
  TCustomEdit::DoEnter();
}

void TCustomComboEdit::EnabledChanged() {
  TCustomEdit::EnabledChanged();
  FButton->SetEnabled(Enabled());
}

void TCustomComboEdit::BiDiModeChanged() {
  TCustomEdit::BiDiModeChanged();
  if (FPopup) FPopup->SetBiDiMode(BiDiMode());
}

void TCustomComboEdit::FontChanged() {
  TCustomEdit::FontChanged();
  SetEditRect();
}

void TCustomComboEdit::CancelMode() {
  TCustomEdit::CancelMode();
  PopupCloseUp(FPopup, false);
}

HBRUSH TCustomComboEdit::CtlColor(HDC DC) {
  HBRUSH Brush = TCustomEdit::CtlColor(DC);
  if (NewStyleControls()) {
    const bool Gray = !EnabledInTree() && Color() != clGrayText;
    SetTextColor(DC, ColorToRGB(Gray ? clGrayText : Font().Color()));
  }
  return Brush;
}

// ---------------------------------------------------------------------------------------------
// TFileDirEdit

const TClassInfo& TFileDirEdit::StaticClassInfo() {
  using C = TFileDirEdit;
  static const TClassInfo Info{"TFileDirEdit",
                               &TCustomComboEdit::StaticClassInfo(),
                               {BoolProp<C>("AcceptFiles", &C::AcceptFiles, &C::SetAcceptFiles)},
                               {EventProp<C>("OnDropFiles", &C::OnDropFiles), EventProp<C>("OnBeforeDialog", &C::OnBeforeDialog),
                                EventProp<C>("OnAfterDialog", &C::OnAfterDialog)},
                               {}};
  return Info;
}

TFileDirEdit::TFileDirEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
  SetOEMConvert(true);
  FCreating = true;
  SetGlyphKind(gkDefault);
  FCreating = false;
}

const TBitmap* TFileDirEdit::GetButtonGlyph() {
  // Loaded once, shared by every file edit until the program ends.
  static const std::unique_ptr<TBitmap> Picture = [] {
    auto Loaded = LoadModuleBitmap(GetModuleHandleA(nullptr), "FILEEDIT");
    if (!Loaded) RaiseResourceNotFound("FILEEDIT");
    return Loaded;
  }();
  return Picture.get();
}

void TFileDirEdit::SetAcceptFiles(bool Value) {
  if (Value == FAcceptFiles) return;
  if (HandleAllocated()) DragAcceptFiles(FHandle, Value);
  FAcceptFiles = Value;
}

void TFileDirEdit::CreateWnd() {
  TCustomComboEdit::CreateWnd();
  if (FAcceptFiles) DragAcceptFiles(FHandle, TRUE);
}

void TFileDirEdit::DestroyWnd() {
  if (FAcceptFiles && HandleAllocated()) DragAcceptFiles(FHandle, FALSE);
  TCustomComboEdit::DestroyWnd();
}

void TFileDirEdit::DoBeforeDialog(std::string& Name, bool& Action) {
  if (OnBeforeDialog) OnBeforeDialog(this, Name, Action);
}

void TFileDirEdit::DoAfterDialog(std::string& Name, bool& Action) {
  if (OnAfterDialog) OnAfterDialog(this, Name, Action);
}

void TFileDirEdit::WndProc(TMessage& M) {
  if (M.Msg == WM_DROPFILES) {
    M.Result = 0;
    HandleFileDrop(reinterpret_cast<HDROP>(M.WParam), [this](TStrings* Files) {
      ClearChosenFiles();
      for (int I = 0; I < Files->Count(); ++I) {
        AcceptFileName(Files->Get(I));
        if (!FMultipleFiles) break;
      }
      if (OnDropFiles) OnDropFiles(this);
    });
    return;
  }
  TCustomComboEdit::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// TFilenameEdit

std::string QuotedFileName(const std::string& Name) {
  if (Name.find(' ') != std::string::npos && (Name.empty() || Name[0] != '"')) return '"' + Name + '"';
  return Name;
}

namespace {

std::string ProgramPart(const std::string& Text) {
  std::string Program, Params;
  SplitCommandLine(Text, Program, Params);
  return Program;
}

}  // namespace

const TClassInfo& TFilenameEdit::StaticClassInfo() {
  using C = TFilenameEdit;
  static const TClassInfo Info{
      "TFilenameEdit",
      &TFileDirEdit::StaticClassInfo(),
      {EnumProp<C, TFileDialogKind>("DialogKind", {"dkOpen", "dkSave", "dkOpenPicture", "dkSavePicture"}, &C::DialogKind,
                                    &C::SetDialogKind),
       StrProp<C>("DefaultExt", &C::DefaultExt, &C::SetDefaultExt),
       EnumProp<C, TFileEditStyle>("FileEditStyle", {"fsEdit", "fsComboBox"}, &C::FileEditStyle, &C::SetFileEditStyle),
       StrProp<C>("Filter", &C::Filter, &C::SetFilter),
       IntProp<C>("FilterIndex", &C::FilterIndex, &C::SetFilterIndex),
       StrProp<C>("InitialDir", &C::InitialDir, &C::SetInitialDir),
       StrProp<C>("DialogTitle", &C::DialogTitle, &C::SetDialogTitle),
       SetOfProp<C>("DialogOptions",
                    {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofAllowMultiSelect",
                     "ofPathMustExist", "ofFileMustExist", "ofCreatePrompt"},
                    &C::DialogOptions, &C::SetDialogOptions)},
      {},
      MakeComponent<TFilenameEdit>};
  return Info;
}

TFilenameEdit::TFilenameEdit(TComponent* AOwner) : TFileDirEdit(AOwner) { CreateEditDialog(); }

TOpenDialog* TFilenameEdit::NewDialog(TFileDialogKind Kind) {
  // The picture kinds use the plain dialogs.
  if (Kind == dkSave || Kind == dkSavePicture) return new TSaveDialog(this);
  return new TOpenDialog(this);
}

void TFilenameEdit::CreateEditDialog() {
  TOpenDialog* New = NewDialog(FDialogKind);
  if (FDialog) {
    New->SetDefaultExt(FDialog->DefaultExt());
    New->FileEditStyle = FDialog->FileEditStyle;
    New->FileName = FDialog->FileName;
    New->Filter = FDialog->Filter;
    New->FilterIndex = FDialog->FilterIndex;
    New->InitialDir = FDialog->InitialDir;
    New->HistoryList()->Assign(FDialog->HistoryList());
    New->Files()->Assign(FDialog->Files());
    New->Options = FDialog->Options;
    New->Title = FDialog->Title;
    delete FDialog;
  } else {
    New->Title = LoadResString(SBrowse);
    New->Filter = LoadResString(SDefaultFilter);
    New->Options = ofHideReadOnly;
  }
  FDialog = New;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind Value) {
  if (Value == FDialogKind) return;
  FDialogKind = Value;
  CreateEditDialog();
}

void TFilenameEdit::SetDialogOptions(TOpenOptions Value) {
  if (Value == FDialog->Options) return;
  FDialog->Options = Value;
  FMultipleFiles = (Value & ofAllowMultiSelect) != 0;
  if (!FMultipleFiles) ClearChosenFiles();
}

std::string TFilenameEdit::FileName() {
  const std::string T = Text();
  if (!T.empty() && FileExists(T)) return T;
  return ProgramPart(T);
}

void TFilenameEdit::SetFileName(const std::string& Value) {
  if (!Value.empty() && !IsValidFileName(ProgramPart(Value)))
    throw EComboEditError(LoadResString(SInvalidFileName), {Value});
  SetText(QuotedFileName(Value));
  ClearChosenFiles();
}

std::string TFilenameEdit::GetLongFileName() {
  const std::string Name = FileName();
  const std::string Found = LongNameOf(Name);
  return Found.empty() ? Name : ExtractFilePath(Name) + Found;
}

std::string TFilenameEdit::GetShortFileName() {
  const std::string Name = FileName();
  const std::string Found = ShortNameOf(Name);
  return Found.empty() ? Name : ExtractFilePath(Name) + Found;
}

void TFilenameEdit::ClearChosenFiles() { FDialog->Files()->Clear(); }

void TFilenameEdit::AcceptFileName(const std::string& Name) {
  if (!FMultipleFiles) {
    SetFileName(Name);
    return;
  }
  if (FDialog->Files()->Count() == 0) SetFileName(Name);
  FDialog->Files()->Add(Name);
}

void TFilenameEdit::ButtonClick() {
  TFileDirEdit::ButtonClick();
  std::string Name = FileName();
  bool Action = true;
  DoBeforeDialog(Name, Action);
  if (!Action) return;
  if (IsValidFileName(Name)) {
    try {
      const std::string Folder = ExtractFileDir(Name);
      if (!Folder.empty() && DirectoryExists(Folder)) SetInitialDir(Folder);
      const std::string Part = ExtractFileName(Name);
      if (Part.empty() || !IsValidFileName(Part)) Name.clear();
      FDialog->FileName = Name;
    } catch (...) {
    }
  }
  FDialog->HelpContext = HelpContext;
  {
    TDialogErrorMode Mode;
    Action = FDialog->Execute();
  }
  if (Action) Name = FDialog->FileName;
  if (CanFocus()) SetFocus();
  DoAfterDialog(Name, Action);
  if (Action) {
    SetText(QuotedFileName(Name));
    SetInitialDir(ExtractFileDir(FDialog->FileName));
  }
}
