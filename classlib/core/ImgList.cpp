// Image lists over comctl32's HIMAGELIST.
#include "classlib/core/ImgList.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"

UINT ColorDepthFlags(TColorDepth Depth) {
  switch (Depth) {
    case cd4Bit: return ILC_COLOR4;
    case cd8Bit: return ILC_COLOR8;
    case cd16Bit: return ILC_COLOR16;
    case cd24Bit: return ILC_COLOR24;
    case cd32Bit: return ILC_COLOR32;
    default: return ILC_COLORDDB;
  }
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner), FWidth(16), FHeight(16) {}

TCustomImageList::TCustomImageList(int AWidth, int AHeight) : TComponent(nullptr), FWidth(AWidth), FHeight(AHeight) {
  if (AWidth < 1 || AHeight < 1) Error(SInvalidImageSize);
}

TCustomImageList::~TCustomImageList() {
  if (FDragging) ImageList_EndDrag();
  FreeHandle();
}

void TCustomImageList::Error(int Ident) { throw EInvalidOperation(LoadResString(Ident)); }

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
  const auto Clients = FClients;  // a client may unregister while it hears
  for (const auto& Client : Clients) Client.second();
}

void TCustomImageList::RegisterChanges(const void* Client, std::function<void()> Notify) {
  UnRegisterChanges(Client);
  FClients.emplace_back(Client, std::move(Notify));
}

void TCustomImageList::UnRegisterChanges(const void* Client) {
  for (auto It = FClients.begin(); It != FClients.end(); ++It)
    if (It->first == Client) {
      FClients.erase(It);
      return;
    }
}

void TCustomImageList::FreeHandle() {
  if (FHandle && !ShareImages) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle() {
  if (!FHandle) {
    const UINT Flags = ColorDepthFlags(FColorDepth) | (FMasked ? ILC_MASK : 0);
    FHandle = ImageList_Create(FWidth, FHeight, Flags, 0, FAllocBy);
    if (!FHandle) Error(SInvalidImageList);
    ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(FBkColor)));
  }
  return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
  if (Value == FHandle) return;
  FreeHandle();
  FHandle = Value;
  if (Value) {
    int CX = 0, CY = 0;
    if (ImageList_GetIconSize(Value, &CX, &CY)) {
      FWidth = CX;
      FHeight = CY;
    }
  }
  Change();
}

HIMAGELIST TCustomImageList::ReleaseHandle() {
  HIMAGELIST Result = FHandle;
  FHandle = nullptr;
  Change();
  return Result;
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
  if (AWidth < 1 || AHeight < 1) Error(SInvalidImageSize);
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FreeHandle();
  Change();
}

void TCustomImageList::SetAllocBy(int Value) { FAllocBy = Value < 1 ? 1 : Value; }

void TCustomImageList::SetColorDepth(TColorDepth Value) {
  if (Value == FColorDepth) return;
  FColorDepth = Value;
  if (FHandle) FreeHandle();
  Change();
}

void TCustomImageList::SetMasked(bool Value) {
  if (Value == FMasked) return;
  FMasked = Value;
  if (FHandle) FreeHandle();
  Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
  if (Value == FBkColor) return;
  FBkColor = Value;
  if (FHandle) ImageList_SetBkColor(FHandle, Value == clNone ? CLR_NONE : static_cast<COLORREF>(ColorToRGB(Value)));
  Change();
}

int TCustomImageList::Count() const { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::CheckIndex(int Index) {
  if (Index < 0 || Index >= Count()) Error(SImageIndexError);
}

int TCustomImageList::Add(TBitmap& Image, TBitmap* Mask) {
  HIMAGELIST List = Handle();
  if (Image.Empty()) return -1;
  Image.FreeContext();
  if (Mask) Mask->FreeContext();
  const int Result = ImageList_Add(List, Image.Handle(), Mask ? Mask->Handle() : nullptr);
  if (Result >= 0) Change();
  return Result;
}

int TCustomImageList::AddMasked(TBitmap& Image, TColor MaskColor) {
  HIMAGELIST List = Handle();
  if (Image.Empty()) return -1;
  const TColor Key = MaskColor == clDefault ? Image.TransparentColor() : MaskColor;
  // ImageList_AddMasked blackens the masked pixels of the bitmap it is given: hand it a copy.
  TBitmap Copy;
  Copy.Assign(&Image);
  Copy.FreeContext();
  const int Result =
      ImageList_AddMasked(List, Copy.Handle(), static_cast<COLORREF>(ColorToRGB(Key)) & 0x00FFFFFF);
  if (Result >= 0) Change();
  return Result;
}

int TCustomImageList::AddIcon(TIcon& Image) { return Image.Empty() ? -1 : AddIcon(Image.Handle()); }

int TCustomImageList::AddIcon(HICON Image) {
  HIMAGELIST List = Handle();
  if (!Image) return -1;
  const int Result = ImageList_ReplaceIcon(List, -1, Image);
  if (Result >= 0) Change();
  return Result;
}

void TCustomImageList::AddImages(TCustomImageList& Source) {
  HIMAGELIST List = Handle();
  const int N = Source.Count();
  if (N == 0) return;
  HIMAGELIST From = Source.Handle();
  for (int I = 0; I < N; ++I) {
    HICON Icon = ImageList_GetIcon(From, I, ILD_NORMAL);
    if (!Icon) throw EOutOfResources(LoadResString(SOutOfResources));
    const int Added = ImageList_ReplaceIcon(List, -1, Icon);
    DestroyIcon(Icon);
    if (Added < 0) throw EOutOfResources(LoadResString(SOutOfResources));
  }
  Change();
}

void TCustomImageList::Replace(int Index, TBitmap& Image, TBitmap* Mask) {
  CheckIndex(Index);
  // Without a mask the new image is opaque: ImageList_Replace would keep the old image's mask.
  TBitmap Opaque;
  if (!Mask && FMasked) {
    Opaque.SetMonochrome(true);
    Opaque.Canvas().BrushColor = clBlack;
    Opaque.SetSize(Image.Width(), Image.Height());
    Mask = &Opaque;
  }
  Image.FreeContext();
  if (Mask) Mask->FreeContext();
  if (!ImageList_Replace(Handle(), Index, Image.Handle(), Mask ? Mask->Handle() : nullptr)) Error(SReplaceImage);
  Change();
}

void TCustomImageList::ReplaceMasked(int Index, TBitmap& Image, TColor MaskColor) {
  CheckIndex(Index);
  const TColor Key = MaskColor == clDefault ? Image.TransparentColor() : MaskColor;
  TBitmap Mask;
  Mask.Assign(&Image);
  Mask.Canvas().BrushColor = static_cast<TColor>(ColorToRGB(Key) & 0x00FFFFFF);
  Mask.SetMonochrome(true);  // pixels of the key become white: transparent
  Image.FreeContext();
  Mask.FreeContext();
  if (!ImageList_Replace(Handle(), Index, Image.Handle(), Mask.Handle())) Error(SReplaceImage);
  Change();
}

void TCustomImageList::ReplaceIcon(int Index, TIcon& Image) {
  CheckIndex(Index);
  if (Image.Empty() || ImageList_ReplaceIcon(Handle(), Index, Image.Handle()) < 0) Error(SReplaceImage);
  Change();
}

void TCustomImageList::Delete(int Index) {
  if (Index == -1) {
    Clear();
    return;
  }
  CheckIndex(Index);
  ImageList_Remove(FHandle, Index);
  Change();
}

void TCustomImageList::Clear() {
  if (FHandle) ImageList_Remove(FHandle, -1);
  Change();
}

void TCustomImageList::Draw(HDC DC, int X, int Y, int Index, bool Enabled) {
  if (!FHandle || Index < 0 || Index >= Count()) return;
  if (Enabled) {
    ImageList_DrawEx(FHandle, Index, DC, X, Y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, ILD_NORMAL);
  } else {
    DrawDisabled(DC, X, Y, Index);
  }
}

void TCustomImageList::DrawDisabled(HDC DC, int X, int Y, int Index) {
  // The mask, white where transparent, drawn through DSPDxax: the brush where the source maps to
  // white (text colour white for the mask's black, opaque part), the destination elsewhere.
  constexpr DWORD ROP_DSPDxax = 0x00E20746;
  TBitmap Mask;
  Mask.SetMonochrome(true);
  Mask.SetSize(FWidth, FHeight);  // filled white
  ImageList_Draw(FHandle, Index, Mask.DC(), 0, 0, ILD_MASK);
  const COLORREF OldText = SetTextColor(DC, RGB(255, 255, 255));
  const COLORREF OldBack = ::SetBkColor(DC, RGB(0, 0, 0));
  HBRUSH Highlight = CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT));
  HBRUSH Shadow = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ OldBrush = SelectObject(DC, Highlight);
  BitBlt(DC, X + 1, Y + 1, FWidth, FHeight, Mask.DC(), 0, 0, ROP_DSPDxax);
  SelectObject(DC, Shadow);
  BitBlt(DC, X, Y, FWidth, FHeight, Mask.DC(), 0, 0, ROP_DSPDxax);
  SelectObject(DC, OldBrush);
  DeleteObject(Highlight);
  DeleteObject(Shadow);
  SetTextColor(DC, OldText);
  ::SetBkColor(DC, OldBack);
}

void TCustomImageList::GetIcon(int Index, TIcon& Image) {
  CheckIndex(Index);
  HICON Icon = ImageList_GetIcon(FHandle, Index, ILD_NORMAL);
  if (!Icon) throw EOutOfResources(LoadResString(SOutOfResources));
  Image.SetHandle(Icon);
}

void TCustomImageList::GetBitmap(int Index, TBitmap& Image) {
  CheckIndex(Index);
  Image.SetSize(FWidth, FHeight);
  const RECT All{0, 0, FWidth, FHeight};
  Image.Canvas().FillRect(All);
  ImageList_Draw(FHandle, Index, Image.DC(), 0, 0, ILD_NORMAL);
}

void TCustomImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
  FDragIndex = Index;
  FDragHotX = HotSpotX;
  FDragHotY = HotSpotY;
  if (FDragging) ImageList_SetDragCursorImage(Handle(), Index, HotSpotX, HotSpotY);
}

bool TCustomImageList::BeginDrag(HWND LockWindow, int X, int Y) {
  if (FDragging) EndDrag();
  if (!ImageList_BeginDrag(Handle(), FDragIndex, FDragHotX, FDragHotY)) return false;
  FDragging = true;
  FDragLock = LockWindow;
  ImageList_DragEnter(LockWindow, X, Y);
  return true;
}

void TCustomImageList::DragMove(int X, int Y) {
  if (FDragging) ImageList_DragMove(X, Y);
}

void TCustomImageList::EndDrag() {
  if (!FDragging) return;
  ImageList_DragLeave(FDragLock);
  ImageList_EndDrag();
  FDragging = false;
  FDragLock = nullptr;
}

void TCustomImageList::ShowDragImage() {
  if (FDragging) ImageList_DragShowNolock(TRUE);
}

void TCustomImageList::HideDragImage() {
  if (FDragging) ImageList_DragShowNolock(FALSE);
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* List = dynamic_cast<TCustomImageList*>(Source);
  if (!List) {
    TPersistent::Assign(Source);
    return;
  }
  if (List == this) return;
  FreeHandle();
  FWidth = List->FWidth;
  FHeight = List->FHeight;
  FAllocBy = List->FAllocBy;
  FColorDepth = List->FColorDepth;
  FMasked = List->FMasked;
  FBkColor = List->FBkColor;
  AddImages(*List);
  Change();
}

const TClassInfo& TImageList::StaticClassInfo() {
  static const TClassInfo Info{"TImageList",
                               nullptr,
                               {IntProp<TImageList>("Width", &TImageList::Width, &TImageList::SetWidth),
                                IntProp<TImageList>("Height", &TImageList::Height, &TImageList::SetHeight)},
                               {},
                               [](TComponent* Owner) -> TComponent* { return new TImageList(Owner); }};
  return Info;
}
