#include "controls/RXCtrls.h"

#include "classlib/gui/ExtCtrls.h"
#include "classlib/gui/Forms.h"
#include "classlib/gui/Menus.h"
#include "controls/GdiScope.h"
#include "controls/VCLUtils.h"

#include <algorithm>

namespace {

// Whether the system draws controls in the new (Windows 95 and later) style.
bool NewStyleControls() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

UINT AlignmentFlag(TAlignment Alignment) {
  return Alignment == taCenter ? DT_CENTER : Alignment == taRightJustify ? DT_RIGHT : DT_LEFT;
}

// Whether Control is the one under the cursor while a window of this thread is active.
bool UnderCursor(TControl* Control) {
  POINT P;
  GetCursorPos(&P);
  return IsAppWindowActive() && FindDragTarget(P, false) == Control;
}

}  // namespace

int DrawShadowText(HDC DC, const char* Text, int Length, RECT& Rect, UINT Format, int ShadowSize,
                   COLORREF ShadowColor, TShadowPosition Position) {
  RECT TextRect = Rect, ShadowRect = Rect;
  const int S = ShadowSize;
  switch (Position) {
    case spLeftTop: OffsetRect(&ShadowRect, -S, -S); break;
    case spLeftBottom: OffsetRect(&ShadowRect, -S, S); break;
    case spRightBottom: OffsetRect(&ShadowRect, S, S); break;
    case spRightTop: OffsetRect(&ShadowRect, S, -S); break;
  }
  const COLORREF OldColor = SetTextColor(DC, ShadowColor);
  DrawTextA(DC, Text, Length, &ShadowRect, Format);
  SetTextColor(DC, OldColor);
  const int Result = DrawTextA(DC, Text, Length, &TextRect, Format);
  UnionRect(&Rect, &TextRect, &ShadowRect);
  return Result > 0 ? Result + ShadowSize : Result;
}

const TClassInfo& TRxCustomLabel::StaticClassInfo() {
  static const TClassInfo Info{"TRxCustomLabel", &TGraphicControl::StaticClassInfo(), {}, {}, {}};
  return Info;
}

TRxCustomLabel::TRxCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetParentColor(true);
  FWidth = 65;
  FHeight = 17;
}

void TRxCustomLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TRxCustomLabel::SetShadowSize(int Value) {
  Value &= 0xFF;
  if (Value == FShadowSize) return;
  FShadowSize = Value;
  AdjustBounds();
  Invalidate();
}

void TRxCustomLabel::SetWordWrap(bool Value) {
  if (Value == FWordWrap) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TRxCustomLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
  if (FShowFocus) Invalidate();
}

void TRxCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TRxCustomLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
}

void TRxCustomLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TRxCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TRxCustomLabel::EnabledChanged() {
  TGraphicControl::EnabledChanged();
  UpdateTracking();
}

void TRxCustomLabel::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (Visible()) UpdateTracking();
}

void TRxCustomLabel::FocusChanged(TWinControl* Focused) {
  const bool Now = FFocusControl && FFocusControl == Focused;
  if (Now != FFocused) {
    FFocused = Now;
    if (FShowFocus) Invalidate();
  }
  TGraphicControl::FocusChanged(Focused);
}

bool TRxCustomLabel::DialogChar(char Key) {
  if (!FFocusControl || !Enabled() || !FShowAccelChar || !IsAccel(Key, Caption()) || !FFocusControl->CanFocus())
    return false;
  FFocusControl->SetFocus();
  return true;
}

void TRxCustomLabel::MouseEnter() {
  if (FMouseInControl || !Enabled() || !IsAppWindowActive()) return;
  FMouseInControl = true;
  TGraphicControl::MouseEnter();
}

void TRxCustomLabel::MouseLeave() {
  if (!FMouseInControl || !Enabled() || FDragging) return;
  FMouseInControl = false;
  TGraphicControl::MouseLeave();
}

void TRxCustomLabel::UpdateTracking() {
  const bool Now = Enabled() && UnderCursor(this);
  if (Now == FMouseInControl) return;
  FMouseInControl = Now;
  if (Now)
    TGraphicControl::MouseEnter();
  else
    TGraphicControl::MouseLeave();
}

void TRxCustomLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled()) FDragging = true;
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbRight) UpdateTracking();
}

void TRxCustomLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft) FDragging = false;
  UpdateTracking();
}

void TRxCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
  std::string Text = TextToDraw();
  if ((Flags & DT_CALCRECT) && (Text.empty() || (FShowAccelChar && Text == "&"))) Text += " ";
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  Flags = DrawTextBiDiModeFlags(Flags);
  FCanvas.Font().Assign(&Font());
  FCanvas.Font().SetColor(DefaultTextColor());
  TShadowPosition Pos = FShadowPos;
  int Size = FShadowSize;
  TColor ShadowCol = FShadowColor;
  if (!EnabledInTree()) {
    if (Size == 0 && NewStyleControls()) {
      Pos = spRightBottom;
      Size = 1;
    }
    FCanvas.Font().SetColor(clGrayText);
    ShadowCol = clBtnHighlight;
  }
  HDC DC = FCanvas.Handle();
  HGDIOBJ OldFont = SelectObject(DC, FCanvas.Font().Handle());
  const COLORREF OldColor = SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(FCanvas.Font().Color())));
  const int OldMode = SetBkMode(DC, TRANSPARENT);
  DrawShadowText(DC, Text.c_str(), static_cast<int>(Text.size()), Rect, Flags, Size,
                 static_cast<COLORREF>(ColorToRGB(ShadowCol)), Pos);
  SetBkMode(DC, OldMode);
  SetTextColor(DC, OldColor);
  SelectObject(DC, OldFont);
}

void TRxCustomLabel::Paint() {
  if (!Enabled()) FDragging = false;
  const RECT Client = ClientRect();
  if (!FTransparent) {
    FCanvas.Brush().SetColor(Color());
    FCanvas.FillRect(Client);
  }
  RECT R{Client.left + 1, Client.top, Client.right - 1, Client.bottom};
  const UINT Flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u) | AlignmentFlag(FAlignment);
  if (FLayout != tlTop) {
    RECT Measured = R;
    DoDrawText(Measured, Flags | DT_CALCRECT);
    R.left = Client.left;
    R.right = Client.right;
    const int Shift = Height() - Measured.bottom;
    OffsetRect(&R, 0, FLayout == tlBottom ? Shift : Shift / 2);
  }
  DoDrawText(R, Flags);
  if (FShowFocus && FFocusControl && FFocused) {
    InflateRect(&R, 1, 0);
    FCanvas.Brush().SetColor(Color());
    DrawFocusRect(FCanvas.Handle(), &R);
  }
}

void TRxCustomLabel::AdjustBounds() {
  if (!FAutoSize || (ComponentState() & csLoading)) return;
  HDC DC = GetDC(nullptr);
  FCanvas.SetHandle(DC);
  RECT R{1, 0, std::max(1, Width() - 1), Height()};
  DoDrawText(R, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0u));
  FCanvas.SetHandle(nullptr);
  ReleaseDC(nullptr, DC);
  InflateRect(&R, 1, 0);
  int L = Left();
  // A right-aligned label (as drawn: mirrored for right-to-left alignment) keeps its right edge.
  const bool Right = FAlignment != taCenter && ((FAlignment == taRightJustify) != UseRightToLeftAlignment());
  if (Right) L += Width() - R.right;
  SetBounds(L, Top(), R.right, R.bottom);
}

void TRxCustomLabel::BiDiModeChanged() {
  AdjustBounds();
  Invalidate();
}

const TClassInfo& TRxLabel::StaticClassInfo() {
  using L = TRxLabel;
  static const TClassInfo Info{
      "TRxLabel",
      &TRxCustomLabel::StaticClassInfo(),
      {EnumProp<L, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &L::Alignment,
                               &L::SetAlignment),
       BoolProp<L>("AutoSize", &L::AutoSize, &L::SetAutoSize),
       EnumProp<L, TTextLayout>("Layout", {"tlTop", "tlCenter", "tlBottom"}, &L::Layout, &L::SetLayout),
       IntProp<L>("ShadowColor", &L::ShadowColor, &L::SetShadowColor),
       IntProp<L>("ShadowSize", &L::ShadowSize, &L::SetShadowSize),
       EnumProp<L, TShadowPosition>("ShadowPos", {"spLeftTop", "spLeftBottom", "spRightBottom", "spRightTop"},
                                    &L::ShadowPos, &L::SetShadowPos),
       BoolProp<L>("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar),
       BoolProp<L>("ShowFocus", &L::ShowFocus, &L::SetShowFocus),
       BoolProp<L>("Transparent", &L::Transparent, &L::SetTransparent),
       BoolProp<L>("WordWrap", &L::WordWrap, &L::SetWordWrap),
       ComponentProp<L, TWinControl>("FocusControl", &L::FocusControl, &L::SetFocusControl), BiDiModeProp(),
       ParentBiDiModeProp()},
      {},
      MakeComponent<L>};
  return Info;
}

// ---------------------------------------------------------------------------------------------
// Glyph lists and their cache

TGlyphList::TGlyphList(int AWidth, int AHeight) : TImageList(AWidth, AHeight) {}

int TGlyphList::AllocateIndex() {
  const auto Free = std::find(FUsed.begin(), FUsed.end(), false);
  int Index = static_cast<int>(Free - FUsed.begin());
  if (Free == FUsed.end()) {
    TBitmap Empty(Width(), Height());
    Index = Add(Empty, nullptr);
    if (Index < 0) throw EInvalidOperation("Invalid ImageList");
    FUsed.resize(static_cast<size_t>(Index) + 1, false);
  }
  FUsed[static_cast<size_t>(Index)] = true;
  return Index;
}

int TGlyphList::AddImage(TBitmap& Image, TBitmap* Mask) {
  const int Index = AllocateIndex();
  Replace(Index, Image, Mask);
  ++FCount;
  return Index;
}

int TGlyphList::AddMaskedImage(TBitmap& Image, TColor MaskColor) {
  const int Index = AllocateIndex();
  ReplaceMasked(Index, Image, MaskColor);
  ++FCount;
  return Index;
}

void TGlyphList::ReleaseIndex(int Index) {
  if (Index < 0 || Index >= static_cast<int>(FUsed.size()) || !FUsed[static_cast<size_t>(Index)]) return;
  FUsed[static_cast<size_t>(Index)] = false;
  --FCount;
}

TGlyphList* TGlyphCache::ListForSize(int AWidth, int AHeight) {
  for (auto It = FLists.rbegin(); It != FLists.rend(); ++It)
    if ((*It)->Width() == AWidth && (*It)->Height() == AHeight) return It->get();
  FLists.push_back(std::make_unique<TGlyphList>(AWidth, AHeight));
  return FLists.back().get();
}

void TGlyphCache::ReleaseList(TGlyphList* List) {
  if (!List || List->Count() != 0) return;
  FLists.erase(std::remove_if(FLists.begin(), FLists.end(), [List](const auto& L) { return L.get() == List; }),
               FLists.end());
}

namespace {

std::unique_ptr<TGlyphCache>& TheGlyphCache() {
  static std::unique_ptr<TGlyphCache> Cache;
  return Cache;
}

TGlyphCache& NeedGlyphCache() {
  auto& Cache = TheGlyphCache();
  if (!Cache) Cache = std::make_unique<TGlyphCache>();
  return *Cache;
}

// The drop-down mark: a small downward triangle with its top row at Y - 1.
void DrawDropDownMark(HDC DC, int X, int Y, TColor Color) {
  const COLORREF C = static_cast<COLORREF>(ColorToRGB(Color));
  for (int I = 0; I <= 6; ++I) SetPixel(DC, X + I, Y - 1, C);
  for (int I = 1; I <= 5; ++I) SetPixel(DC, X + I, Y, C);
  for (int I = 2; I <= 4; ++I) SetPixel(DC, X + I, Y + 1, C);
  SetPixel(DC, X + 3, Y + 2, C);
}

// Lines of Text each shortened to MaxWidth, joined again without trailing blanks and breaks.
std::string FitCaption(const std::string& Text, TControlCanvas& Canvas, int MaxWidth) {
  std::string Result, Line;
  auto Flush = [&] {
    if (!Result.empty()) Result += "\r\n";
    Result += ShortenText(Line, Canvas, MaxWidth);
    Line.clear();
  };
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' || Text[I] == '\n') {
      if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
      Flush();
    } else {
      Line += Text[I];
    }
  }
  Flush();
  while (!Result.empty() && (Result.back() == ' ' || Result.back() == '\r' || Result.back() == '\n')) Result.pop_back();
  return Result;
}

}  // namespace

TGlyphCache* GlyphCache() { return TheGlyphCache().get(); }

RECT DrawSpeedButtonFrame(HDC DC, const RECT& Rect, bool Pressed, bool Flat, TButtonStyle Style) {
  RECT R = Rect;
  const bool NewLook = Style == bsNew || (Style == bsAutoDetect && NewStyleControls());
  if (!Pressed) {
    if (NewLook) {
      if (Flat) {
        Frame3D(DC, R, clBtnHighlight, clBtnShadow, 1);
      } else {
        Frame3D(DC, R, clBtnHighlight, clWindowFrame, 1);
        Frame3D(DC, R, clBtnFace, clBtnShadow, 1);
      }
    } else if (Flat) {
      Frame3D(DC, R, clBtnHighlight, clWindowFrame, 1);
    } else {
      Frame3D(DC, R, clWindowFrame, clWindowFrame, 1);
      Frame3D(DC, R, clBtnHighlight, clBtnShadow, 1);
    }
  } else if (NewLook) {
    Frame3D(DC, R, clWindowFrame, clBtnHighlight, 1);
    if (!Flat) Frame3D(DC, R, clBtnShadow, clBtnFace, 1);
  } else if (Flat) {
    Frame3D(DC, R, clWindowFrame, clBtnHighlight, 1);
  } else {
    Frame3D(DC, R, clWindowFrame, clWindowFrame, 1);
    {
      TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(clBtnShadow))));
      TSelection Use(DC, Pen.Get());
      MoveToEx(DC, R.left, R.bottom - 1, nullptr);
      LineTo(DC, R.left, R.top);
      LineTo(DC, R.right, R.top);
    }
  }
  InflateRect(&R, -1, -1);
  return R;
}

// ---------------------------------------------------------------------------------------------
// TRxButtonGlyph

TRxButtonGlyph::TRxButtonGlyph() : FStrip(std::make_unique<TBitmap>()) {
  FIndexes.fill(-1);
  NeedGlyphCache();
  FStrip->OnChange = [this](TObject*) { StripChanged(); };
}

TRxButtonGlyph::~TRxButtonGlyph() {
  FStrip->OnChange = nullptr;
  FStrip.reset();
  ReleaseImages();
  if (GlyphCache() && GlyphCache()->IsEmpty()) TheGlyphCache().reset();
}

void TRxButtonGlyph::SetGlyph(TBitmap* Value) {
  ReleaseImages();
  FStrip->Assign(Value);
}

void TRxButtonGlyph::SetNumGlyphs(int Value) {
  if (Value == FNumGlyphs || Value <= 0) return;
  ReleaseImages();
  FNumGlyphs = Value;
}

void TRxButtonGlyph::StripChanged() {
  ReleaseImages();
  const int W = FStrip->Width(), H = FStrip->Height();
  if (H > 0) {
    FTransparentColor = FStrip->TransparentColor() & ~clPaletteRelative;
    if (W % H == 0) {
      const int N = W / H;
      FNumGlyphs = N > 5 ? 1 : std::max(N, 1);
    }
  }
  if (OnChange) OnChange(nullptr);
}

void TRxButtonGlyph::ReleaseImages() {
  for (int& Index : FIndexes) {
    if (Index != -1 && FGlyphList) FGlyphList->ReleaseIndex(Index);
    Index = -1;
  }
  if (GlyphCache()) GlyphCache()->ReleaseList(FGlyphList);
  FGlyphList = nullptr;
}

TColor TRxButtonGlyph::GrayColor(TColor Color) const {
  if (Color == FTransparentColor || ColorToRGB(Color) == ColorToRGB(clBtnFace)) return Color;
  const int RGBValue = ColorToRGB(Color);
  const int I = (GetRValue(RGBValue) * 77 + GetGValue(RGBValue) * 150 + GetBValue(RGBValue) * 29) >> 8;
  return static_cast<TColor>(RGB(I, I, I));
}

int TRxButtonGlyph::BuildStateImage(TSpeedButtonState State) {
  if (State == sbsDown && FNumGlyphs < 3) State = sbsUp;
  int& Index = FIndexes[State];
  if (Index != -1) return Index;
  if (FStrip->Empty() || FStrip->Width() == 0 || FStrip->Height() == 0) return -1;
  const int W = FStrip->Width() / FNumGlyphs, H = FStrip->Height();
  if (!FGlyphList) FGlyphList = NeedGlyphCache().ListForSize(W, H);
  TBitmap Cell(W, H);
  Cell.Canvas().BrushColor = clBtnFace;
  const int Source = State < FNumGlyphs ? State : 0;
  auto CopyCell = [&] {
    Cell.Canvas().CopyRect(RECT{0, 0, W, H}, FStrip->Canvas(), RECT{Source * W, 0, (Source + 1) * W, H});
    return FGlyphList->AddMaskedImage(Cell, FTransparentColor);
  };
  switch (State) {
    case sbsDisabled:
      if (FNumGlyphs > 1) {
        Index = CopyCell();
      } else {
        auto Disabled = CreateDisabledBitmap(*FStrip, clBlack);
        Index = FGlyphList->AddMaskedImage(*Disabled, ColorToRGB(clBtnFace));
      }
      break;
    case sbsInactive:
      if (FNumGlyphs == 5) {
        Index = CopyCell();
      } else {
        for (int Y = 0; Y < H; ++Y)
          for (int X = 0; X < W; ++X) Cell.Canvas().SetPixel(X, Y, GrayColor(FStrip->Canvas().Pixel(X, Y)));
        Index = FGlyphList->AddMaskedImage(Cell, FTransparentColor);
      }
      break;
    default: Index = CopyCell(); break;
  }
  FStrip->Dormant();
  return Index;
}

void TRxButtonGlyph::LayoutGlyphAndText(TControlCanvas& Canvas, const RECT& Client, std::string& Caption,
                                        TButtonLayout Layout, int Margin, int Spacing, bool DrawMark,
                                        UINT TextFlags, POINT& GlyphPos, RECT& TextBounds) {
  const int CW = Client.right - Client.left, CH = Client.bottom - Client.top;
  int GW = 0, GH = 0;
  if (!FStrip->Empty()) {
    GW = FStrip->Width() / FNumGlyphs;
    GH = FStrip->Height();
  }
  const bool Horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  int RoomW = CW, RoomH = CH;
  if (Horizontal) {
    RoomW = CW - GW - (Margin != -1 ? Margin : 0) - (Spacing != -1 ? Spacing : 0) - (DrawMark ? 9 : 0);
  } else {
    RoomH = CH - GH - (Margin != -1 ? Margin : 0) - (Spacing != -1 ? Spacing : 0);
  }
  RoomW = std::max(RoomW, 0);
  RoomH = std::max(RoomH, 0);
  HDC DC = Canvas.Handle();
  TSelection UseFont(DC, Canvas.Font().Handle());
  if (!WordWrap) Caption = FitCaption(Caption, Canvas, RoomW);
  if (Caption.size() > 255) Caption.resize(255);
  TextBounds = RECT{0, 0, 0, 0};
  if (!Caption.empty()) {
    TextBounds = RECT{0, 0, RoomW, 0};
    DrawTextA(DC, Caption.c_str(), static_cast<int>(Caption.size()), &TextBounds,
              DT_CALCRECT | DT_CENTER | DT_VCENTER | (WordWrap ? DT_WORDBREAK : 0u) | TextFlags);
    TextBounds.bottom = TextBounds.top + std::min<int>(TextBounds.bottom - TextBounds.top, RoomH);
    TextBounds.right = TextBounds.left + std::min<int>(TextBounds.right - TextBounds.left, RoomW);
  }
  int TW = TextBounds.right - TextBounds.left, TH = TextBounds.bottom - TextBounds.top;
  if (DrawMark) {
    if (GW == 0 || GH == 0 || Layout == blGlyphLeft)
      TW += 9;
    else if (GW > 0)
      GW += 6;
  }
  POINT TextPos{0, 0};
  if (Horizontal) {
    GlyphPos.y = CH / 2 - GH / 2;
    TextPos.y = CH / 2 - TH / 2;
  } else {
    GlyphPos.x = CW / 2 - GW / 2;
    TextPos.x = CW / 2 - TW / 2;
  }
  if (TW == 0 || GW == 0) Spacing = 0;
  const int Size = Horizontal ? CW : CH, Glyph = Horizontal ? GW : GH, Text = Horizontal ? TW : TH;
  if (Margin == -1 && Spacing == -1) {
    Margin = (Size - (Glyph + Text)) / 3;
    Spacing = Margin;
  } else if (Margin == -1) {
    Margin = Size / 2 - (Glyph + Spacing + Text) / 2;
  } else if (Spacing == -1) {
    Spacing = (Size - (Margin + Glyph)) / 2 - Text / 2;
  }
  switch (Layout) {
    case blGlyphLeft:
      GlyphPos.x = Margin;
      TextPos.x = GlyphPos.x + GW + Spacing;
      break;
    case blGlyphRight:
      GlyphPos.x = CW - Margin - GW;
      TextPos.x = GlyphPos.x - Spacing - TW;
      break;
    case blGlyphTop:
      GlyphPos.y = Margin;
      TextPos.y = GlyphPos.y + GH + Spacing;
      break;
    case blGlyphBottom:
      GlyphPos.y = CH - Margin - GH;
      TextPos.y = GlyphPos.y - Spacing - TH;
      break;
  }
  GlyphPos.x += Client.left;
  GlyphPos.y += Client.top;
  OffsetRect(&TextBounds, Client.left + TextPos.x, Client.top + TextPos.y);
}

void TRxButtonGlyph::DrawInRect(TControlCanvas& Canvas, const RECT& Client, const std::string& Caption,
                                TButtonLayout Layout, int Margin, int Spacing, TSpeedButtonState State,
                                bool DrawMark, UINT TextFlags) {
  std::string Text = Caption;
  POINT GlyphPos{0, 0};
  RECT TextBounds{};
  LayoutGlyphAndText(Canvas, Client, Text, Layout, Margin, Spacing, DrawMark, TextFlags, GlyphPos, TextBounds);
  HDC DC = Canvas.Handle();
  int DrawnW = 0, DrawnH = 0;
  if (!FStrip->Empty()) {
    const int Index = BuildStateImage(State);
    if (Index != -1) {
      FGlyphList->Draw(DC, GlyphPos.x, GlyphPos.y, Index);
      DrawnW = FGlyphList->Width();
      DrawnH = FGlyphList->Height();
    }
  }
  if (!Text.empty()) {
    const UINT Flags = DT_VCENTER | (WordWrap ? DT_WORDBREAK : 0u) | TextFlags;
    TSelection UseFont(DC, Canvas.Font().Handle());
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    auto Out = [&](RECT R, TColor Color) {
      SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(Color)));
      DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Flags);
    };
    if (State == sbsDisabled) {
      RECT Moved = TextBounds;
      OffsetRect(&Moved, 1, 1);
      Out(Moved, clBtnHighlight);
      Out(TextBounds, clBtnShadow);
    } else {
      Out(TextBounds, Canvas.Font().Color());
    }
    SetBkMode(DC, OldMode);
  }
  if (DrawMark) {
    int X, Y;
    if (Layout != blGlyphLeft && FStrip->Width() > 0) {
      X = GlyphPos.x + DrawnW + 1;
      Y = GlyphPos.y + DrawnH / 2;
    } else {
      X = Text.empty() ? (Client.left + Client.right - 7) / 2 : TextBounds.right + 3;
      Y = TextBounds.top + (TextBounds.bottom - TextBounds.top) / 2;
    }
    if (State == sbsDisabled) {
      DrawDropDownMark(DC, X + 1, Y + 1, clBtnHighlight);
      DrawDropDownMark(DC, X, Y, clBtnShadow);
    } else {
      DrawDropDownMark(DC, X, Y, clBtnText);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TRxSpeedButton

const TClassInfo& TRxSpeedButton::StaticClassInfo() {
  using B = TRxSpeedButton;
  static const TClassInfo Info{
      "TRxSpeedButton",
      &TGraphicControl::StaticClassInfo(),
      {EnumProp<B, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &B::Alignment,
                               &B::SetAlignment),
       BoolProp<B>("AllowAllUp", &B::AllowAllUp, &B::SetAllowAllUp),
       BoolProp<B>("AllowTimer", &B::AllowTimer, &B::SetAllowTimer),
       IntProp<B>("GroupIndex", &B::GroupIndex, &B::SetGroupIndex),
       BoolProp<B>("Down", &B::Down, &B::SetDown),
       ComponentProp<B, TPopupMenu>("DropDownMenu", &B::DropDownMenu, &B::SetDropDownMenu),
       EnumProp<B, TRxDropDownMenuPos>("MenuPosition", {"dmpBottom", "dmpRight"},
                                       [](B& S) { return S.MenuPosition; },
                                       [](B& S, TRxDropDownMenuPos V) { S.MenuPosition = V; }),
       BoolProp<B>("Flat", &B::Flat, &B::SetFlat),
       StrProp<B>("Glyph", &B::GlyphSource, &B::LoadGlyph),
       BoolProp<B>("GrayedInactive", &B::GrayedInactive, &B::SetGrayedInactive),
       IntProp<B>("InitPause", [](B& S) { return S.InitPause; }, [](B& S, int V) { S.InitPause = V & 0xFFFF; }),
       EnumProp<B, TButtonLayout>("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
                                  &B::Layout, &B::SetLayout),
       IntProp<B>("Margin", &B::Margin, &B::SetMargin),
       BoolProp<B>("MarkDropDown", &B::MarkDropDown, &B::SetMarkDropDown),
       IntProp<B>("ModalResult", [](B& S) { return S.ModalResult; }, [](B& S, int V) { S.ModalResult = V; }),
       IntProp<B>("NumGlyphs", &B::NumGlyphs, &B::SetNumGlyphs),
       IntProp<B>("RepeatInterval", [](B& S) { return S.RepeatInterval; },
                  [](B& S, int V) { S.RepeatInterval = V & 0xFFFF; }),
       IntProp<B>("Spacing", &B::Spacing, &B::SetSpacing),
       EnumProp<B, TButtonStyle>("Style", {"bsAutoDetect", "bsWin31", "bsNew"}, &B::Style, &B::SetStyle),
       BoolProp<B>("Transparent", &B::Transparent, &B::SetTransparent),
       BoolProp<B>("WordWrap", &B::WordWrap, &B::SetWordWrap), BiDiModeProp(), ParentBiDiModeProp()},
      {},
      MakeComponent<B>};
  return Info;
}

TRxSpeedButton::TRxSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TRxButtonGlyph>()), FDrawImage(std::make_unique<TBitmap>()) {
  FWidth = 25;
  FHeight = 25;
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
  ShowHint = true;
}

TRxSpeedButton::~TRxSpeedButton() {
  SetDropDownMenu(nullptr);
  delete FRepeatTimer;
  FRepeatTimer = nullptr;
}

void TRxSpeedButton::LoadGlyph(const std::string& Source) {
  const std::string Name = UpperCase(Source.substr(0, 4)) == "BMP:" ? Source.substr(4) : Source;
  TBitmap Bitmap;
  if (!Name.empty()) Bitmap.LoadFromResourceName(GetModuleHandleA(nullptr), Name);
  SetGlyph(&Bitmap);
  FGlyphSource = Source;
}

void TRxSpeedButton::SetNumGlyphs(int Value) {
  FGlyph->SetNumGlyphs(std::min(Value, 5));
  Invalidate();
}

void TRxSpeedButton::SetAlignment(TAlignment Value) {
  if (Value == FGlyph->Alignment) return;
  FGlyph->Alignment = Value;
  Invalidate();
}

void TRxSpeedButton::SetWordWrap(bool Value) {
  if (Value == FGlyph->WordWrap) return;
  FGlyph->WordWrap = Value;
  Invalidate();
}

void TRxSpeedButton::SetMargin(int Value) {
  if (Value != FMargin && Value >= -1) {
    FMargin = Value;
    Invalidate();
  }
}

void TRxSpeedButton::SetGroupIndex(int Value) {
  if (Value == FGroupIndex) return;
  FGroupIndex = Value;
  UpdateExclusive();
}

void TRxSpeedButton::SetAllowAllUp(bool Value) {
  if (Value == FAllowAllUp) return;
  FAllowAllUp = Value;
  UpdateExclusive();
}

void TRxSpeedButton::SetAllowTimer(bool Value) {
  FAllowTimer = Value;
  if (!Value && FRepeatTimer) {
    FRepeatTimer->SetEnabled(false);
    delete FRepeatTimer;
    FRepeatTimer = nullptr;
  }
}

void TRxSpeedButton::SetDropDownMenu(TPopupMenu* Value) {
  if (Value == FDropDownMenu) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (Value) Value->FreeNotification(this);
  if (FMarkDropDown) Invalidate();
}

void TRxSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

void TRxSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown || (FDown && !FAllowAllUp)) return;
  FDown = Value;
  if (Value) {
    if (FState == sbsUp) Invalidate();
    FState = sbsExclusive;
  } else {
    FState = sbsUp;
  }
  Repaint();
  if (Value) UpdateExclusive();
  Invalidate();
}

void TRxSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || !FParent) return;
  for (int I = 0; I < FParent->ControlCount(); ++I) FParent->Controls(I)->ButtonPressed(this);
}

void TRxSpeedButton::ButtonPressed(TControl* Button) {
  auto* Sender = dynamic_cast<TRxSpeedButton*>(Button);
  if (!Sender || Sender == this || Sender->FGroupIndex != FGroupIndex || !FParent || !FParent->HandleAllocated())
    return;
  if (Sender->FDown && FDown) {
    FDown = false;
    FState = sbsUp;
    Repaint();
  }
  FAllowAllUp = Sender->FAllowAllUp;
}

void TRxSpeedButton::BuildInitialImage() {
  FGlyph->BuildStateImage(!Enabled() ? sbsDisabled : FFlat ? sbsInactive : sbsUp);
}

void TRxSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  BuildInitialImage();
}

void TRxSpeedButton::Click() {
  if (TCustomForm* Form = ParentForm()) Form->ModalResult = ModalResult;
  TGraphicControl::Click();
}

bool TRxSpeedButton::DialogChar(char Key) {
  if (IsAccel(Key, Caption()) && Enabled()) {
    Click();
    return true;
  }
  return TGraphicControl::DialogChar(Key);
}

void TRxSpeedButton::ActionChange(TBasicAction* Sender, bool CheckDefaults) {
  TGraphicControl::ActionChange(Sender, CheckDefaults);
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!A) return;
  if ((!CheckDefaults || !FDown) && FGroupIndex != 0) SetDown(A->Checked());
  TCustomImageList* Images = A->ActionList() ? A->ActionList()->Images() : nullptr;
  if (!Glyph().Empty() || !Images || A->ImageIndex() < 0 || A->ImageIndex() >= Images->Count()) return;
  TBitmap Image;
  Image.SetSize(Images->Width(), Images->Height());
  Image.Canvas().BrushColor = clFuchsia;
  Image.Canvas().FillRect(RECT{0, 0, Images->Width(), Images->Height()});
  Images->Draw(Image.Canvas(), 0, 0, A->ImageIndex());
  Image.SetTransparentColor(clFuchsia);
  SetGlyph(&Image);
}

bool TRxSpeedButton::Inside(int X, int Y) { return X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight(); }

bool TRxSpeedButton::HoldsCapture() {
  return FParent && FParent->HandleAllocated() && GetCapture() == FParent->Handle() && FParent->CaptureControl() == this;
}

bool TRxSpeedButton::CheckMenuDropDown(bool Manual) {
  if (!FDropDownMenu || (!Manual && !FDropDownMenu->AutoPopup)) return false;
  if (FParent && FParent->HandleAllocated()) FParent->Perform(WM_CANCELMODE);
  FDropDownMenu->PopupComponent = this;
  POINT P{-1, Height()};
  if (MenuPosition == dmpBottom) {
    if (FDropDownMenu->Alignment == paRight) P = POINT{Width() + 1, Height()};
    if (FDropDownMenu->Alignment == paCenter) P = POINT{Width() / 2, Height()};
  } else {
    P = FDropDownMenu->Alignment == paLeft    ? POINT{Width(), -1}
        : FDropDownMenu->Alignment == paRight ? POINT{-1, -1}
                                              : POINT{Width() / 2, Height()};
  }
  P = ClientToScreen(P);
  FDropDownMenu->Popup(P.x, P.y);
  return true;
}

void TRxSpeedButton::WndProc(TMessage& M) {
  const int X = static_cast<short>(LOWORD(M.LParam)), Y = static_cast<short>(HIWORD(M.LParam));
  switch (M.Msg) {
    case WM_LBUTTONDOWN: MouseDown(mbLeft, KeysToShift(M.WParam), X, Y); return;
    case WM_LBUTTONUP: MouseUp(mbLeft, KeysToShift(M.WParam), X, Y); return;
    case WM_LBUTTONDBLCLK:
      if (FMenuTracking) return;
      MouseDown(mbLeft, KeysToShift(M.WParam), X, Y);
      if (FDown) DblClick();
      return;
    default: TGraphicControl::WndProc(M); return;
  }
}

void TRxSpeedButton::TimerExpired() {
  FRepeatTimer->SetInterval(static_cast<unsigned>(RepeatInterval));
  if (FState != sbsDown || !HoldsCapture()) return;
  try {
    Click();
  } catch (...) {
    FRepeatTimer->SetEnabled(false);
    throw;
  }
}

void TRxSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FMenuTracking) return;
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (!FMouseInControl && Enabled()) {
    FMouseInControl = true;
    Repaint();
  }
  if (Button == mbRight) UpdateTracking();
  if (Button != mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = sbsDown;
    Repaint();
  }
  FDragging = true;
  FMenuTracking = true;
  try {
    if (CheckMenuDropDown(false)) {
      Release(Button, X, Y);
      // The press that closed the menu on the button does not press it again.
      MSG Msg;
      if (FParent && FParent->HandleAllocated() &&
          PeekMessageA(&Msg, FParent->Handle(), WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE) &&
          (Msg.message == WM_LBUTTONDOWN || Msg.message == WM_LBUTTONDBLCLK)) {
        const POINT P{static_cast<short>(LOWORD(Msg.lParam)) - Left(), static_cast<short>(HIWORD(Msg.lParam)) - Top()};
        if (Inside(P.x, P.y)) PeekMessageA(&Msg, FParent->Handle(), Msg.message, Msg.message, PM_REMOVE);
      }
    }
  } catch (...) {
    FMenuTracking = false;
    throw;
  }
  FMenuTracking = false;
  if (FAllowTimer) {
    if (!FRepeatTimer) {
      FRepeatTimer = new TTimer(nullptr);
      FRepeatTimer->OnTimer = [this](TObject*) { TimerExpired(); };
    }
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetInterval(static_cast<unsigned>(InitPause));
    FRepeatTimer->SetEnabled(true);
  }
}

void TRxSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging) return;
  const TSpeedButtonState New = FDown ? sbsExclusive : Inside(X, Y) ? sbsDown : sbsUp;
  if (New != FState) {
    FState = New;
    Repaint();
  }
}

void TRxSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  Release(Button, X, Y);
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TRxSpeedButton::Release(TMouseButton Button, int X, int Y) {
  if (Button == mbLeft && FDragging) {
    FDragging = false;
    const bool Counts = Inside(X, Y);
    if (FGroupIndex == 0) {
      FState = sbsUp;
      FMouseInControl = false;
      if (Counts)
        Repaint();
      else
        Invalidate();
    } else if (Counts) {
      SetDown(!FDown);
      if (FDown) Repaint();
    } else {
      if (FDown) FState = sbsExclusive;
      Repaint();
    }
    if (Counts && !FMenuTracking) Click();
  }
  UpdateTracking();
}

void TRxSpeedButton::UpdateTracking() {
  const bool Now = Enabled() && UnderCursor(this);
  if (Now == FMouseInControl) return;
  FMouseInControl = Now;
  if (Now) {
    if (FFlat) Repaint();
    TGraphicControl::MouseEnter();
  } else {
    if (FFlat) Invalidate();
    TGraphicControl::MouseLeave();
  }
}

void TRxSpeedButton::MouseEnter() {
  if (FMouseInControl || !Enabled() || !IsAppWindowActive()) return;
  FMouseInControl = true;
  if (FFlat) Repaint();
  TGraphicControl::MouseEnter();
}

void TRxSpeedButton::MouseLeave() {
  if (!FMouseInControl || !Enabled() || FDragging) return;
  FMouseInControl = false;
  if (FFlat) Invalidate();
  TGraphicControl::MouseLeave();
}

void TRxSpeedButton::EnabledChanged() {
  TGraphicControl::EnabledChanged();
  BuildInitialImage();
  UpdateTracking();
  Repaint();
}

void TRxSpeedButton::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (Visible()) UpdateTracking();
}

void TRxSpeedButton::SysColorChange() {
  FGlyph->ReleaseImages();
  Invalidate();
}

void TRxSpeedButton::DrawGlyphAndText(TControlCanvas& Canvas, const RECT& Rect, TSpeedButtonState State, bool DrawMark) {
  FGlyph->DrawInRect(Canvas, Rect, Caption(), FLayout, FMargin, FSpacing, State, DrawMark,
                     DrawTextBiDiModeFlags(AlignmentFlag(FGlyph->Alignment)));
}

void TRxSpeedButton::Paint() {
  if (!Enabled()) {
    FState = sbsDisabled;
    FDragging = false;
  } else if (FState == sbsDisabled) {
    FState = FDown && FGroupIndex != 0 ? sbsExclusive : sbsUp;
  }
  TSpeedButtonState Drawn = FState;
  if (FFlat && !FMouseInControl) Drawn = sbsInactive;
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  if (FDrawImage->Width() != W || FDrawImage->Height() != H) FDrawImage->SetSize(W, H);
  TControlCanvas Canvas;
  Canvas.SetHandle(FDrawImage->DC());
  Canvas.Font().Assign(&Font());
  HDC DC = Canvas.Handle();
  RECT R{0, 0, W, H};
  ::FillRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
  if (FTransparent) PaintParentBackground(this, DC);
  if (Drawn != sbsInactive || FState == sbsExclusive)
    R = DrawSpeedButtonFrame(DC, R, FState == sbsDown || FState == sbsExclusive, FFlat, FStyle);
  else if (FFlat)
    InflateRect(&R, -2, -2);
  if (FState == sbsExclusive && !FTransparent && (!FFlat || Drawn == sbsInactive)) {
    InflateRect(&R, 1, 1);
    // The checkered pattern of the face and highlight colours.
    TBitmap Pattern(8, 8);
    for (int Y = 0; Y < 8; ++Y)
      for (int X = 0; X < 8; ++X) Pattern.Canvas().SetPixel(X, Y, (X + Y) % 2 ? clBtnHighlight : clBtnFace);
    Pattern.FreeContext();
    TGdiObject<HBRUSH> Brush(CreatePatternBrush(Pattern.Handle()));
    ::FillRect(DC, &R, Brush.Get());
    InflateRect(&R, -1, -1);
  }
  if (FState == sbsDown || FState == sbsExclusive) OffsetRect(&R, 1, 1);
  if (FState == sbsDisabled || !FGrayedInactive) Drawn = FState;
  DrawGlyphAndText(Canvas, R, Drawn, FMarkDropDown && FDropDownMenu);
  Canvas.SetHandle(nullptr);
  BitBlt(FCanvas.Handle(), 0, 0, W, H, FDrawImage->DC(), 0, 0, SRCCOPY);
}
