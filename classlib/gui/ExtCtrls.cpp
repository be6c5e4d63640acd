// Panels, pictures, splitters and timers.
#include "classlib/gui/ExtCtrls.h"

#include "classlib/core/PngImage.h"

#include <algorithm>

namespace {
const std::initializer_list<const char*> BevelNames = {"bvNone", "bvLowered", "bvRaised"};
}  // namespace

// ---------------------------------------------------------------------------------------------
// TPanel

const TClassInfo& TPanel::StaticClassInfo() {
  static const TClassInfo Info{
      "TPanel",
      &TCustomControl::StaticClassInfo(),
      {EnumProp<TPanel, TBevelCut>("BevelOuter", BevelNames, &TPanel::BevelOuter, &TPanel::SetBevelOuter),
       EnumProp<TPanel, TBevelCut>("BevelInner", BevelNames, &TPanel::BevelInner, &TPanel::SetBevelInner),
       IntProp<TPanel>("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth),
       IntProp<TPanel>("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth),
       EnumProp<TPanel, TAlignment>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"}, &TPanel::Alignment,
                                    &TPanel::SetAlignment)},
      {},
      MakeComponent<TPanel>};
  return Info;
}

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  SetColor(clBtnFace);
}

void TPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  if (Value == FBevelOuter) return;
  FBevelOuter = Value;
  Realign();
  Invalidate();
}
void TPanel::SetBevelInner(TBevelCut Value) {
  if (Value == FBevelInner) return;
  FBevelInner = Value;
  Realign();
  Invalidate();
}
void TPanel::SetBevelWidth(int Value) {
  if (Value == FBevelWidth) return;
  FBevelWidth = Value;
  Realign();
  Invalidate();
}
void TPanel::SetBorderWidth(int Value) {
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  Realign();
  Invalidate();
}
void TPanel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TPanel::AlignControls(TControl* AControl, RECT& Rect) {
  const int Bevel = (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0) + FBorderWidth;
  InflateRect(&Rect, -Bevel, -Bevel);
  TCustomControl::AlignControls(AControl, Rect);
}

void TPanel::Paint() {
  RECT R = ClientRect();
  HDC DC = FCanvas.Handle();
  auto Bevel = [&](TBevelCut Cut) {
    if (Cut == bvNone) return;
    HPEN Light = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(Cut == bvRaised ? clBtnHighlight : clBtnShadow)));
    HPEN Dark = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(Cut == bvRaised ? clBtnShadow : clBtnHighlight)));
    for (int I = 0; I < FBevelWidth; ++I) {
      HGDIOBJ Old = SelectObject(DC, Light);
      MoveToEx(DC, R.left, R.bottom - 1, nullptr);
      LineTo(DC, R.left, R.top);
      LineTo(DC, R.right - 1, R.top);
      SelectObject(DC, Dark);
      LineTo(DC, R.right - 1, R.bottom - 1);
      LineTo(DC, R.left - 1, R.bottom - 1);
      SelectObject(DC, Old);
      InflateRect(&R, -1, -1);
    }
    DeleteObject(Light);
    DeleteObject(Dark);
  };
  Bevel(FBevelOuter);
  InflateRect(&R, -FBorderWidth, -FBorderWidth);
  Bevel(FBevelInner);
  const std::string Text = Caption();
  if (Text.empty()) return;
  if (!EnabledInTree()) FCanvas.Font().SetColor(clGrayText);
  const UINT Align = FAlignment == taCenter ? DT_CENTER : FAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  FCanvas.DrawText(Text, R, DT_SINGLELINE | DT_VCENTER | Align);
}

// ---------------------------------------------------------------------------------------------
// TImage

const TClassInfo& TImage::StaticClassInfo() {
  static const TClassInfo Info{
      "TImage",
      &TGraphicControl::StaticClassInfo(),
      {StrProp<TImage>("Picture", &TImage::PictureSource, &TImage::LoadPicture),
       BoolProp<TImage>("Stretch", [](TImage& I) { return I.Stretch; }, [](TImage& I, bool V) { I.Stretch = V; }),
       BoolProp<TImage>("Center", [](TImage& I) { return I.Center; }, [](TImage& I, bool V) { I.Center = V; }),
       BoolProp<TImage>("Transparent", &TImage::Transparent, &TImage::SetTransparent)},
      {},
      MakeComponent<TImage>};
  return Info;
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

TImage::~TImage() = default;

void TImage::SetPicture(std::unique_ptr<TGraphic> Value) {
  FPicture = std::move(Value);
  if (FPicture) FPicture->SetTransparent(FTransparent || FPicture->Transparent());
  Invalidate();
}

void TImage::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  if (FPicture) FPicture->SetTransparent(Value);
  Invalidate();
}

void TImage::LoadPicture(const std::string& Source) {
  const auto Colon = Source.find(':');
  const std::string Kind = UpperCase(Source.substr(0, Colon == std::string::npos ? 0 : Colon));
  const std::string Name = Colon == std::string::npos ? Source : Source.substr(Colon + 1);
  const HINSTANCE Module = GetModuleHandleA(nullptr);
  std::unique_ptr<TGraphic> Picture;
  if (Source.empty()) {
  } else if (Kind == "BMP") {
    auto B = std::make_unique<TBitmap>();
    B->LoadFromResourceName(Module, Name);
    Picture = std::move(B);
  } else if (Kind == "ICO") {
    auto I = std::make_unique<TIcon>();
    I->LoadFromResourceName(Module, Name);
    Picture = std::move(I);
  } else if (Kind == "PNG") {
    const HRSRC Res = FindResourceA(Module, Name.c_str(), "PNG");
    if (!Res) throw EResNotFound("Resource %s not found", {Name});
    const HGLOBAL Data = LoadResource(Module, Res);
    TMemoryStream Stream;
    Stream.Write(LockResource(Data), static_cast<int>(SizeofResource(Module, Res)));
    Stream.Seek(0, 0);
    auto P = std::make_unique<TPNGObject>();
    P->LoadFromStream(Stream);
    Picture = std::move(P);
  } else {
    throw EConvertError("'%s' is not a valid picture", {Source});
  }
  FSource = Source;
  SetPicture(std::move(Picture));
}

void TImage::Paint() {
  if (!FPicture || FPicture->Empty()) return;
  RECT R = ClientRect();
  if (!Stretch) {
    const int X = Center ? (R.right - FPicture->Width()) / 2 : 0, Y = Center ? (R.bottom - FPicture->Height()) / 2 : 0;
    R = RECT{X, Y, X + FPicture->Width(), Y + FPicture->Height()};
  }
  FPicture->Draw(FCanvas.Handle(), R);
}

// ---------------------------------------------------------------------------------------------
// TSplitter

const TClassInfo& TSplitter::StaticClassInfo() {
  static const TClassInfo Info{"TSplitter",
                               &TGraphicControl::StaticClassInfo(),
                               {IntProp<TSplitter>("MinSize", [](TSplitter& S) { return S.MinSize; },
                                                   [](TSplitter& S, int V) { S.MinSize = V; })},
                               {EventProp<TSplitter>("OnMoved", &TSplitter::OnMoved)},
                               MakeComponent<TSplitter>};
  return Info;
}

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 3;
  FHeight = 100;
  SetAlign(alLeft);
  SetCursor(crHSplit);
  SetParentColor(true);
}

TControl* TSplitter::FindNeighbour() {
  if (!Parent()) return nullptr;
  for (int I = 0; I < Parent()->ControlCount(); ++I) {
    TControl* C = Parent()->Controls(I);
    if (C == this || !C->Visible() || C->Align() != Align()) continue;
    const bool Touches = (Align() == alLeft && C->Left() + C->Width() == Left()) ||
                         (Align() == alRight && C->Left() == Left() + Width()) ||
                         (Align() == alTop && C->Top() + C->Height() == Top()) ||
                         (Align() == alBottom && C->Top() == Top() + Height());
    if (Touches) return C;
  }
  return nullptr;
}

void TSplitter::Paint() {
  FCanvas.Brush().SetColor(Color());
  FCanvas.FillRect(ClientRect());
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FControl = FindNeighbour();
  if (!FControl) return;
  FDragging = true;
  FDownPos = POINT{X + Left(), Y + Top()};  // in the parent's coordinates
  FStartSize = (Align() == alLeft || Align() == alRight) ? FControl->Width() : FControl->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging || !FControl) return;
  const POINT P{X + Left(), Y + Top()};
  int Size = FStartSize;
  switch (Align()) {
    case alLeft: Size += P.x - FDownPos.x; break;
    case alRight: Size -= P.x - FDownPos.x; break;
    case alTop: Size += P.y - FDownPos.y; break;
    case alBottom: Size -= P.y - FDownPos.y; break;
    default: break;
  }
  Size = std::max(Size, MinSize);
  if (Align() == alLeft || Align() == alRight)
    FControl->SetWidth(Size);
  else
    FControl->SetHeight(Size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool Was = FDragging;
  MouseMove(Shift, X, Y);
  FDragging = false;
  FControl = nullptr;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (Was && OnMoved) OnMoved(this);
}

// ---------------------------------------------------------------------------------------------
// TTimer

const TClassInfo& TTimer::StaticClassInfo() {
  static const TClassInfo Info{
      "TTimer",
      nullptr,
      {StrProp<TTimer>("Name", &TTimer::Name, &TTimer::SetName),
       BoolProp<TTimer>("Enabled", &TTimer::Enabled, &TTimer::SetEnabled),
       IntProp<TTimer>("Interval", &TTimer::Interval, [](TTimer& T, int V) { T.SetInterval(static_cast<unsigned>(V)); })},
      {EventProp<TTimer>("OnTimer", &TTimer::OnTimer)},
      MakeComponent<TTimer>};
  return Info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& M) {
    if (M.Msg == WM_TIMER) {
      if (FEnabled && OnTimer) OnTimer(this);
    } else {
      M.Result = DefWindowProcA(FWindow, M.Msg, M.WParam, M.LParam);
    }
  });
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

TTimer::~TTimer() {
  KillTimer(FWindow, 1);
  DeallocateHWnd(FWindow);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0 && !(ComponentState() & csLoading)) SetTimer(FWindow, 1, FInterval, nullptr);
}
