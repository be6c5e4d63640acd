// Window-less graphics objects: colours, pictures, icons, bitmaps and canvases.
#include "classlib/core/Graphics.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

[[noreturn]] void OutOfResources() { throw EOutOfResources(LoadResString(SOutOfResources)); }

// The screen's DC for making device-compatible bitmaps.
class TScreenDC {
public:
  TScreenDC() : FDC(GetDC(nullptr)) {
    if (!FDC) OutOfResources();
  }
  ~TScreenDC() { ReleaseDC(nullptr, FDC); }
  TScreenDC(const TScreenDC&) = delete;
  TScreenDC& operator=(const TScreenDC&) = delete;
  HDC DC() const { return FDC; }

private:
  HDC FDC;
};

// A memory DC, optionally with a bitmap selected for its lifetime.
class TMemoryDC {
public:
  explicit TMemoryDC(HBITMAP Bitmap = nullptr) : FDC(CreateCompatibleDC(nullptr)) {
    if (!FDC) OutOfResources();
    if (Bitmap) FOld = SelectObject(FDC, Bitmap);
  }
  ~TMemoryDC() {
    if (FOld) SelectObject(FDC, FOld);
    DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC DC() const { return FDC; }

private:
  HDC FDC;
  HGDIOBJ FOld = nullptr;
};

// Deletes a GDI object unless released.
class TGdiGuard {
public:
  explicit TGdiGuard(HGDIOBJ Object) : FObject(Object) {}
  ~TGdiGuard() {
    if (FObject) DeleteObject(FObject);
  }
  TGdiGuard(const TGdiGuard&) = delete;
  TGdiGuard& operator=(const TGdiGuard&) = delete;
  HGDIOBJ Release() {
    HGDIOBJ Result = FObject;
    FObject = nullptr;
    return Result;
  }

private:
  HGDIOBJ FObject;
};

struct TBitmapInfo256 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];  // also the three bit-field masks
};

HBITMAP CreateDIB(int Width, int Height, int BitCount, const RGBQUAD* Colors, int ColorCount,
                  const DWORD* Masks) {
  TBitmapInfo256 Info{};
  Info.Header.biSize = sizeof(BITMAPINFOHEADER);
  Info.Header.biWidth = Width;
  Info.Header.biHeight = Height;  // bottom-up
  Info.Header.biPlanes = 1;
  Info.Header.biBitCount = static_cast<WORD>(BitCount);
  Info.Header.biCompression = Masks ? BI_BITFIELDS : BI_RGB;
  if (Masks) {
    std::memcpy(Info.Colors, Masks, 3 * sizeof(DWORD));
  } else if (Colors && ColorCount > 0) {
    std::memcpy(Info.Colors, Colors, static_cast<size_t>(ColorCount) * sizeof(RGBQUAD));
    Info.Header.biClrUsed = static_cast<DWORD>(ColorCount);
  }
  void* Bits = nullptr;
  HBITMAP Result = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!Result) OutOfResources();
  return Result;
}

int BitsPerPixel(HBITMAP Bitmap) {
  BITMAP B{};
  if (!Bitmap || GetObjectA(Bitmap, sizeof(B), &B) < static_cast<int>(sizeof(B))) return 0;
  return B.bmBitsPixel * B.bmPlanes;
}

bool GetDIBSection(HBITMAP Bitmap, DIBSECTION& Section) {
  Section = DIBSECTION{};
  return Bitmap && GetObjectA(Bitmap, sizeof(Section), &Section) == static_cast<int>(sizeof(Section));
}

constexpr DWORD Masks565[3] = {0xF800, 0x07E0, 0x001F};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Colours

TColor ColorToRGB(TColor Color) {
  if (Color < 0) return static_cast<TColor>(GetSysColor(Color & 0xFF));
  return Color;
}

// ---------------------------------------------------------------------------------------------
// TGraphic

TGraphic::TGraphic() = default;
TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed();
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream Stream(FileName, fmCreate);
  SaveToStream(Stream);
}

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

namespace {
std::map<UINT, TGraphicFactory>& ClipboardGraphics() {
  static std::map<UINT, TGraphicFactory> Map;
  return Map;
}
}  // namespace

void RegisterClipboardGraphic(UINT Format, TGraphicFactory Factory) { ClipboardGraphics()[Format] = Factory; }

TGraphicFactory ClipboardGraphic(UINT Format) {
  const auto Found = ClipboardGraphics().find(Format);
  return Found != ClipboardGraphics().end() ? Found->second : nullptr;
}

// ---------------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas(HDC DC) : FHandle(DC) {}
TCanvas::~TCanvas() = default;

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC DC) { FHandle = DC; }

void TCanvas::FillRect(const RECT& Rect) {
  HBRUSH Brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(BrushColor)));
  if (!Brush) OutOfResources();
  ::FillRect(Handle(), &Rect, Brush);
  DeleteObject(Brush);
}

void TCanvas::Draw(int X, int Y, TGraphic& Graphic) {
  if (Graphic.Empty()) return;
  const RECT R{X, Y, X + Graphic.Width(), Y + Graphic.Height()};
  Graphic.Draw(Handle(), R);
}

void TCanvas::StretchDraw(const RECT& Rect, TGraphic& Graphic) {
  if (!Graphic.Empty()) Graphic.Draw(Handle(), Rect);
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas& Source, const RECT& SourceRect) {
  HDC DC = Handle();
  const int OldMode = SetStretchBltMode(DC, COLORONCOLOR);
  StretchBlt(DC, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Source.Handle(), SourceRect.left,
             SourceRect.top, SourceRect.right - SourceRect.left, SourceRect.bottom - SourceRect.top, CopyMode);
  SetStretchBltMode(DC, OldMode);
}

TColor TCanvas::Pixel(int X, int Y) {
  const COLORREF C = GetPixel(Handle(), X, Y);
  return C == CLR_INVALID ? clNone : static_cast<TColor>(C);
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
  SetPixelV(Handle(), X, Y, static_cast<COLORREF>(ColorToRGB(Color)));
}

// ---------------------------------------------------------------------------------------------
// TIcon

namespace {

#pragma pack(push, 1)
struct TIconDirHeader {
  WORD Reserved, Type, Count;
};
struct TIconDirEntry {
  BYTE Width, Height, ColorCount, Reserved;
  WORD Planes, BitCount;
  DWORD BytesInRes, ImageOffset;
};
#pragma pack(pop)

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic(LoadResString(SInvalidIcon)); }

// The bit depth an icon image declares: its own header's, else the directory's.
int IconImageBits(const TIconDirEntry& Entry, const unsigned char* Image) {
  if (Entry.BytesInRes >= 8 && std::memcmp(Image, "\x89PNG", 4) == 0) return 32;
  if (Entry.BytesInRes >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER H;
    std::memcpy(&H, Image, sizeof(H));
    if (H.biSize >= sizeof(BITMAPINFOHEADER)) return H.biBitCount;
  }
  return Entry.BitCount;
}

}  // namespace

TIcon::TIcon() { FTransparent = true; }

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::NewHandle(HICON Value) {
  if (FHandle && FHandle != Value) DestroyIcon(FHandle);
  FHandle = Value;
  FWidth = FHeight = 0;
  if (Value) {
    ICONINFO Info{};
    if (GetIconInfo(Value, &Info)) {
      BITMAP B{};
      if (Info.hbmColor && GetObjectA(Info.hbmColor, sizeof(B), &B)) {
        FWidth = B.bmWidth;
        FHeight = B.bmHeight;
      } else if (Info.hbmMask && GetObjectA(Info.hbmMask, sizeof(B), &B)) {
        FWidth = B.bmWidth;
        FHeight = B.bmHeight / 2;  // AND mask above the XOR image
      }
      if (Info.hbmColor) DeleteObject(Info.hbmColor);
      if (Info.hbmMask) DeleteObject(Info.hbmMask);
    }
  }
}

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle) return;
  NewHandle(Value);
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON Result = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  Changed();
  return Result;
}

void TIcon::LoadFromStream(TStream& Stream) {
  const bool WasEmpty = Empty();
  NewHandle(nullptr);
  try {
    const long long Rest = Stream.Size() - Stream.Position();
    if (Rest < static_cast<long long>(sizeof(TIconDirHeader)) || Rest > 64 * 1024 * 1024) InvalidIcon();
    std::vector<unsigned char> Data(static_cast<size_t>(Rest));
    if (Stream.Read(Data.data(), static_cast<int>(Data.size())) != static_cast<int>(Data.size())) InvalidIcon();

    TIconDirHeader Dir;
    std::memcpy(&Dir, Data.data(), sizeof(Dir));
    if (Dir.Reserved != 0 || Dir.Type != 1 || Dir.Count == 0 ||
        sizeof(Dir) + Dir.Count * sizeof(TIconDirEntry) > Data.size())
      InvalidIcon();

    const int Wanted = GetSystemMetrics(SM_CXICON);
    int Best = -1, BestDistance = 0, BestBits = 0;
    TIconDirEntry BestEntry{};
    for (int I = 0; I < Dir.Count; ++I) {
      TIconDirEntry E;
      std::memcpy(&E, Data.data() + sizeof(Dir) + I * sizeof(TIconDirEntry), sizeof(E));
      if (E.BytesInRes == 0 || E.ImageOffset > Data.size() || E.BytesInRes > Data.size() - E.ImageOffset) continue;
      const int W = E.Width ? E.Width : 256, H = E.Height ? E.Height : 256;
      const int Distance = std::abs(W - Wanted) + std::abs(H - Wanted);
      const int Bits = IconImageBits(E, Data.data() + E.ImageOffset);
      if (Best < 0 || Distance < BestDistance || (Distance == BestDistance && Bits > BestBits)) {
        Best = I;
        BestDistance = Distance;
        BestBits = Bits;
        BestEntry = E;
      }
    }
    if (Best < 0) InvalidIcon();
    const int W = BestEntry.Width ? BestEntry.Width : 256, H = BestEntry.Height ? BestEntry.Height : 256;
    HICON Icon = CreateIconFromResourceEx(Data.data() + BestEntry.ImageOffset, BestEntry.BytesInRes, TRUE, 0x00030000,
                                          W, H, LR_DEFAULTCOLOR);
    if (!Icon) InvalidIcon();
    NewHandle(Icon);
  } catch (...) {
    if (!WasEmpty) Changed();
    throw;
  }
  Changed();
}

void TIcon::SaveToStream(TStream& Stream) {
  if (Empty()) return;
  ICONINFO Info{};
  if (!GetIconInfo(FHandle, &Info)) InvalidIcon();
  TGdiGuard ColorGuard(Info.hbmColor), MaskGuard(Info.hbmMask);
  const int W = FWidth, H = FHeight;
  if (W <= 0 || H <= 0 || !Info.hbmMask) InvalidIcon();

  TMemoryDC DC;
  // Colour rows: 32-bit, bottom-up. A monochrome icon's XOR image is the lower half of its mask.
  std::vector<uint32_t> Color(static_cast<size_t>(W) * H);
  BITMAPINFO CI{};
  CI.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  CI.bmiHeader.biWidth = W;
  CI.bmiHeader.biHeight = H;
  CI.bmiHeader.biPlanes = 1;
  CI.bmiHeader.biBitCount = 32;
  CI.bmiHeader.biCompression = BI_RGB;
  if (Info.hbmColor) {
    if (GetDIBits(DC.DC(), Info.hbmColor, 0, H, Color.data(), &CI, DIB_RGB_COLORS) != H) InvalidIcon();
  } else {
    BITMAPINFO XI = CI;
    XI.bmiHeader.biHeight = 2 * H;
    std::vector<uint32_t> Both(static_cast<size_t>(W) * 2 * H);
    if (GetDIBits(DC.DC(), Info.hbmMask, 0, 2 * H, Both.data(), &XI, DIB_RGB_COLORS) != 2 * H) InvalidIcon();
    std::copy(Both.begin(), Both.begin() + static_cast<ptrdiff_t>(Color.size()), Color.begin());
  }
  // AND mask rows: 1-bit, bottom-up; for a monochrome icon the upper half of the mask bitmap.
  const int MaskStride = ((W + 31) / 32) * 4;
  std::vector<unsigned char> Mask(static_cast<size_t>(MaskStride) * H);
  struct {
    BITMAPINFOHEADER Header;
    RGBQUAD Colors[2];
  } MI{};
  MI.Header = CI.bmiHeader;
  MI.Header.biBitCount = 1;
  const int MaskTop = Info.hbmColor ? 0 : H;  // scan lines count from the bottom
  if (!Info.hbmColor) MI.Header.biHeight = 2 * H;
  if (GetDIBits(DC.DC(), Info.hbmMask, MaskTop, H, Mask.data(), reinterpret_cast<BITMAPINFO*>(&MI), DIB_RGB_COLORS) != H)
    InvalidIcon();

  // Without any alpha the mask decides: opaque where the mask is clear.
  const bool HasAlpha = std::any_of(Color.begin(), Color.end(), [](uint32_t P) { return (P >> 24) != 0; });
  if (!HasAlpha) {
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X) {
        const bool Transparent = (Mask[static_cast<size_t>(Y) * MaskStride + X / 8] >> (7 - X % 8)) & 1;
        uint32_t& P = Color[static_cast<size_t>(Y) * W + X];
        P = Transparent ? (P & 0x00FFFFFF) : (P | 0xFF000000);
      }
  }

  BITMAPINFOHEADER IH = CI.bmiHeader;
  IH.biHeight = 2 * H;
  IH.biSizeImage = static_cast<DWORD>(Color.size() * 4 + Mask.size());
  TIconDirHeader Dir{0, 1, 1};
  TIconDirEntry Entry{};
  Entry.Width = static_cast<BYTE>(W >= 256 ? 0 : W);
  Entry.Height = static_cast<BYTE>(H >= 256 ? 0 : H);
  Entry.Planes = 1;
  Entry.BitCount = 32;
  Entry.BytesInRes = static_cast<DWORD>(sizeof(IH) + IH.biSizeImage);
  Entry.ImageOffset = sizeof(Dir) + sizeof(Entry);
  Stream.WriteBuffer(&Dir, sizeof(Dir));
  Stream.WriteBuffer(&Entry, sizeof(Entry));
  Stream.WriteBuffer(&IH, sizeof(IH));
  Stream.WriteBuffer(Color.data(), static_cast<int>(Color.size() * 4));
  Stream.WriteBuffer(Mask.data(), static_cast<int>(Mask.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const std::string& Name) {
  HICON Icon = static_cast<HICON>(LoadImageA(Instance, Name.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!Icon) throw EResNotFound(Format(LoadResString(SResNotFound), {Name}));
  SetHandle(Icon);
}

void TIcon::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  HICON Icon = static_cast<HICON>(LoadImageA(Instance, MAKEINTRESOURCEA(ResID), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!Icon) throw EResNotFound(Format(LoadResString(SResNotFound), {IntToStr(ResID)}));
  SetHandle(Icon);
}

void TIcon::Draw(HDC DC, const RECT& Rect) {
  if (!FHandle) return;
  DrawIconEx(DC, Rect.left, Rect.top, FHandle, Rect.right - Rect.left, Rect.bottom - Rect.top, 0, nullptr, DI_NORMAL);
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) {
    SetHandle(nullptr);
    return;
  }
  if (auto* Icon = dynamic_cast<TIcon*>(Source)) {
    if (Icon == this) return;
    HICON Copy = nullptr;
    if (Icon->FHandle) {
      Copy = CopyIcon(Icon->FHandle);
      if (!Copy) OutOfResources();
    }
    SetHandle(Copy);
    return;
  }
  TGraphic::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// TBitmap

// The canvas of a bitmap: a memory DC with the bitmap selected, made when first used.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& Owner) : FOwner(Owner) {}
  ~TBitmapCanvas() override { FreeHandle(); }
  void FreeHandle() {
    if (!FHandle) return;
    if (FOld) SelectObject(FHandle, FOld);
    FOld = nullptr;
    DeleteDC(FHandle);
    FHandle = nullptr;
  }

protected:
  void CreateHandle() override {
    HDC DC = CreateCompatibleDC(nullptr);
    if (!DC) OutOfResources();
    if (FOwner.FHandle) FOld = SelectObject(DC, FOwner.FHandle);
    FHandle = DC;
  }

private:
  TBitmap& FOwner;
  HGDIOBJ FOld = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat) {
  KindOf(APixelFormat);
  FEmptyFormat = APixelFormat;
  SetSize(AWidth, AHeight);
}

TBitmap::~TBitmap() {
  FCanvas.reset();
  if (FHandle) DeleteObject(FHandle);
}

TColor TBitmap::BrushColorOrWhite() const { return FCanvas ? FCanvas->BrushColor : clWhite; }
TColor TBitmap::TextColorOrBlack() const { return FCanvas ? FCanvas->TextColor : clBlack; }

void TBitmap::FreeContext() {
  if (FCanvas) FCanvas->FreeHandle();
}

void TBitmap::ReplaceHandle(HBITMAP Value) {
  FreeContext();
  if (FHandle && FHandle != Value) DeleteObject(FHandle);
  FHandle = Value;
  FWidth = FHeight = 0;
  FIsDIB = false;
  if (!Value) return;
  DIBSECTION Section;
  if (GetDIBSection(Value, Section) && Section.dsBm.bmBits) {
    FIsDIB = true;
  } else {
    Section = DIBSECTION{};
    if (GetObjectA(Value, sizeof(BITMAP), &Section.dsBm) < static_cast<int>(sizeof(BITMAP))) {
      FHandle = nullptr;
      throw EInvalidGraphic(LoadResString(SInvalidBitmap));
    }
  }
  FWidth = Section.dsBm.bmWidth;
  FHeight = std::abs(Section.dsBm.bmHeight);
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle) return;
  ReplaceHandle(Value);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  HBITMAP Result = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  FIsDIB = false;
  Changed();
  return Result;
}

void TBitmap::Clear() {
  ReplaceHandle(nullptr);
  Changed();
}

TBitmap::TBitmapKind TBitmap::KindOf(TPixelFormat Format) {
  switch (Format) {
    case pfDevice: return bkScreen;
    case pf1bit: return bkMonoDDB;
    case pf15bit: return bkDIB15;
    case pf16bit: return bkDIB16;
    case pf24bit: return bkDIB24;
    case pf32bit: return bkDIB32;
    default: throw EInvalidGraphicOperation(LoadResString(SInvalidPixelFormat));
  }
}

HBITMAP TBitmap::Convert(TBitmapKind Kind, int AWidth, int AHeight) {
  HBITMAP New = nullptr;
  static const RGBQUAD BlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  if (Kind == bkSameAsCurrent) {
    DIBSECTION Section;
    if (FHandle && FIsDIB && GetDIBSection(FHandle, Section)) {
      RGBQUAD Colors[256];
      int ColorCount = 0;
      if (Section.dsBmih.biBitCount <= 8) {
        FreeContext();
        TMemoryDC DC(FHandle);
        ColorCount = static_cast<int>(GetDIBColorTable(DC.DC(), 0, 256, Colors));
      }
      const bool Fields = Section.dsBmih.biCompression == BI_BITFIELDS;
      New = CreateDIB(AWidth, AHeight, Section.dsBmih.biBitCount, Colors, ColorCount, Fields ? Section.dsBitfields : nullptr);
    } else if (FHandle && BitsPerPixel(FHandle) == 1) {
      New = CreateBitmap(AWidth, AHeight, 1, 1, nullptr);
    } else {
      TScreenDC Screen;
      New = CreateCompatibleBitmap(Screen.DC(), AWidth, AHeight);
    }
  } else {
    switch (Kind) {
      case bkScreen: {
        TScreenDC Screen;
        New = CreateCompatibleBitmap(Screen.DC(), AWidth, AHeight);
        break;
      }
      case bkMonoDDB: New = CreateBitmap(AWidth, AHeight, 1, 1, nullptr); break;
      case bkMonoDIB: New = CreateDIB(AWidth, AHeight, 1, BlackWhite, 2, nullptr); break;
      case bkDIB15: New = CreateDIB(AWidth, AHeight, 16, nullptr, 0, nullptr); break;
      case bkDIB16: New = CreateDIB(AWidth, AHeight, 16, nullptr, 0, Masks565); break;
      case bkDIB24: New = CreateDIB(AWidth, AHeight, 24, nullptr, 0, nullptr); break;
      default: New = CreateDIB(AWidth, AHeight, 32, nullptr, 0, nullptr); break;
    }
  }
  if (!New) OutOfResources();
  TGdiGuard Guard(New);
  {
    TMemoryDC Dest(New);
    const RECT All{0, 0, AWidth, AHeight};
    HBRUSH Brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(BrushColorOrWhite())));
    if (!Brush) OutOfResources();
    ::FillRect(Dest.DC(), &All, Brush);
    DeleteObject(Brush);
    if (FHandle) {
      FreeContext();
      TMemoryDC Source(FHandle);
      const bool SourceMono = BitsPerPixel(FHandle) == 1, DestMono = BitsPerPixel(New) == 1;
      if (!SourceMono && DestMono) SetBkColor(Source.DC(), static_cast<COLORREF>(ColorToRGB(BrushColorOrWhite())));
      if (SourceMono && !DestMono) {
        SetTextColor(Dest.DC(), static_cast<COLORREF>(ColorToRGB(TextColorOrBlack())));
        SetBkColor(Dest.DC(), static_cast<COLORREF>(ColorToRGB(BrushColorOrWhite())));
      }
      BitBlt(Dest.DC(), 0, 0, std::min(AWidth, FWidth), std::min(AHeight, FHeight), Source.DC(), 0, 0, SRCCOPY);
    }
  }
  return static_cast<HBITMAP>(Guard.Release());
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (AWidth == 0 || AHeight == 0) {
    if (FHandle) {
      const TPixelFormat Current = PixelFormat();
      if (Current == pfDevice || Current == pf1bit || Current == pf15bit || Current == pf16bit || Current == pf24bit ||
          Current == pf32bit)
        FEmptyFormat = Current;
    }
    ReplaceHandle(nullptr);
    FWidth = AWidth;
    FHeight = AHeight;
  } else {
    ReplaceHandle(Convert(FHandle ? bkSameAsCurrent : KindOf(FEmptyFormat), AWidth, AHeight));
  }
  Changed();
}

TPixelFormat TBitmap::PixelFormat() const {
  if (!FHandle) return FEmptyFormat;
  DIBSECTION Section;
  if (FIsDIB && GetDIBSection(FHandle, Section)) {
    const bool Fields = Section.dsBmih.biCompression == BI_BITFIELDS;
    const DWORD* M = Section.dsBitfields;
    switch (Section.dsBmih.biBitCount) {
      case 1: return pf1bit;
      case 4: return pf4bit;
      case 8: return pf8bit;
      case 16:
        if (!Fields || (M[0] == 0x7C00 && M[1] == 0x03E0 && M[2] == 0x001F)) return pf15bit;
        if (M[0] == 0xF800 && M[1] == 0x07E0 && M[2] == 0x001F) return pf16bit;
        return pfCustom;
      case 24: return pf24bit;
      case 32:
        if (!Fields || (M[0] == 0xFF0000 && M[1] == 0xFF00 && M[2] == 0xFF)) return pf32bit;
        return pfCustom;
      default: return pfCustom;
    }
  }
  return BitsPerPixel(FHandle) == 1 ? pf1bit : pfDevice;
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  const TBitmapKind Kind = KindOf(Value);
  if (!FHandle) {
    FEmptyFormat = Value;
    return;
  }
  if (PixelFormat() == Value) return;
  ReplaceHandle(Convert(Kind, FWidth, FHeight));
  Changed();
}

void TBitmap::SetHandleType(TBitmapHandleType Value) {
  if (!FHandle || Value == HandleType()) return;
  if (Value == bmDDB) {
    ReplaceHandle(Convert(Monochrome() ? bkMonoDDB : bkScreen, FWidth, FHeight));
  } else if (Monochrome()) {
    ReplaceHandle(Convert(bkMonoDIB, FWidth, FHeight));
  } else {
    ReplaceHandle(Convert(BitsPerPixel(FHandle) >= 32 ? bkDIB32 : bkDIB24, FWidth, FHeight));
  }
  Changed();
}

bool TBitmap::Monochrome() const { return FHandle && BitsPerPixel(FHandle) == 1; }

void TBitmap::SetMonochrome(bool Value) {
  if (!FHandle) {
    FEmptyFormat = Value ? pf1bit : pfDevice;
    return;
  }
  if (Value == Monochrome()) return;
  ReplaceHandle(Convert(Value ? bkMonoDDB : bkScreen, FWidth, FHeight));
  Changed();
}

TColor TBitmap::TransparentColor() {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (!FHandle) return clDefault;
  if (Monochrome()) return clWhite | clPaletteRelative;
  const TColor C = Canvas().Pixel(0, FHeight - 1);
  return C == clNone ? clDefault : (C | clPaletteRelative);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == clDefault) {
    FTransparentMode = tmAuto;
    FTransparentColor = clDefault;
  } else {
    FTransparentMode = tmFixed;
    FTransparentColor = Value;
  }
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  FTransparentMode = Value;
  if (Value == tmAuto) FTransparentColor = clDefault;
  Changed();
}

void* TBitmap::ScanLine(int Row) {
  if (!FHandle || Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation(LoadResString(SScanLine));
  if (!FIsDIB) SetHandleType(bmDIB);
  GdiFlush();
  DIBSECTION Section;
  if (!GetDIBSection(FHandle, Section) || !Section.dsBm.bmBits) throw EInvalidGraphicOperation(LoadResString(SScanLine));
  const int Stride = ((Section.dsBm.bmWidth * Section.dsBm.bmBitsPixel + 31) / 32) * 4;
  const int Line = Section.dsBmih.biHeight < 0 ? Row : FHeight - 1 - Row;
  return static_cast<char*>(Section.dsBm.bmBits) + static_cast<ptrdiff_t>(Line) * Stride;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(*this);
  return *FCanvas;
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const bool WasEmpty = Empty();
  ReplaceHandle(nullptr);
  try {
    auto Invalid = []() { throw EInvalidGraphic(LoadResString(SInvalidBitmap)); };
    auto ReadExactly = [&](void* Buffer, long long Count) {
      if (Count < 0 || Count > 0x7FFFFFFF || Stream.Read(Buffer, static_cast<int>(Count)) != Count) Invalid();
    };
    BITMAPFILEHEADER File;
    ReadExactly(&File, sizeof(File));
    if (File.bfType != 0x4D42) Invalid();
    DWORD HeaderSize = 0;
    ReadExactly(&HeaderSize, sizeof(HeaderSize));
    if (HeaderSize < sizeof(BITMAPINFOHEADER) || HeaderSize > sizeof(BITMAPV5HEADER)) Invalid();
    // The packed header as in the file: the header, bit-field masks (after a plain header), colours.
    std::vector<unsigned char> Packed(HeaderSize + 12 + 256 * sizeof(RGBQUAD));
    std::memcpy(Packed.data(), &HeaderSize, sizeof(HeaderSize));
    ReadExactly(Packed.data() + sizeof(HeaderSize), HeaderSize - sizeof(HeaderSize));
    BITMAPINFOHEADER H;
    std::memcpy(&H, Packed.data(), sizeof(H));
    const int Bits = H.biBitCount;
    const long long AbsHeight = H.biHeight < 0 ? -static_cast<long long>(H.biHeight) : H.biHeight;
    if (H.biWidth <= 0 || AbsHeight == 0 || H.biPlanes != 1) Invalid();
    if (Bits != 1 && Bits != 4 && Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32) Invalid();
    const bool RLE = H.biCompression == BI_RLE8 || H.biCompression == BI_RLE4;
    if (!(H.biCompression == BI_RGB || (H.biCompression == BI_RLE8 && Bits == 8) ||
          (H.biCompression == BI_RLE4 && Bits == 4) || (H.biCompression == BI_BITFIELDS && (Bits == 16 || Bits == 32))))
      Invalid();
    if (RLE && H.biHeight < 0) Invalid();
    const long long Stride = ((static_cast<long long>(H.biWidth) * Bits + 31) / 32) * 4;
    if (Stride * AbsHeight > 256LL * 1024 * 1024) Invalid();
    const long long MaxColors = Bits <= 8 ? (1LL << Bits) : 256;
    const long long Colors = H.biClrUsed ? H.biClrUsed : (Bits <= 8 ? (1LL << Bits) : 0);
    if (Colors > MaxColors) Invalid();
    const long long MaskBytes = (HeaderSize == sizeof(BITMAPINFOHEADER) && H.biCompression == BI_BITFIELDS) ? 12 : 0;
    ReadExactly(Packed.data() + HeaderSize, MaskBytes + Colors * static_cast<long long>(sizeof(RGBQUAD)));
    const long long Consumed = sizeof(File) + HeaderSize + MaskBytes + Colors * static_cast<long long>(sizeof(RGBQUAD));
    if (File.bfOffBits > Consumed) {
      std::vector<unsigned char> Gap(File.bfOffBits - static_cast<size_t>(Consumed));
      ReadExactly(Gap.data(), static_cast<long long>(Gap.size()));
    }
    const long long BitsSize = RLE ? H.biSizeImage : Stride * AbsHeight;
    if (BitsSize <= 0 || BitsSize > 256LL * 1024 * 1024) Invalid();
    std::vector<unsigned char> Pixels(static_cast<size_t>(BitsSize));
    ReadExactly(Pixels.data(), BitsSize);

    // The section: a plain header of the same depth, bottom-up and uncompressed.
    TBitmapInfo256 Info{};
    Info.Header = H;
    Info.Header.biSize = sizeof(BITMAPINFOHEADER);
    Info.Header.biHeight = static_cast<LONG>(AbsHeight);
    Info.Header.biSizeImage = 0;
    if (RLE) Info.Header.biCompression = BI_RGB;
    if (H.biCompression == BI_BITFIELDS) {
      std::memcpy(Info.Colors, Packed.data() + sizeof(BITMAPINFOHEADER), 12);
      Info.Header.biClrUsed = 0;
    } else if (Bits <= 8) {
      std::memcpy(Info.Colors, Packed.data() + HeaderSize, static_cast<size_t>(Colors) * sizeof(RGBQUAD));
      Info.Header.biClrUsed = static_cast<DWORD>(Colors);
    } else {
      Info.Header.biClrUsed = 0;
    }
    void* SectionBits = nullptr;
    HBITMAP New = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS, &SectionBits, nullptr, 0);
    if (!New) Invalid();
    TGdiGuard Guard(New);
    {
      TMemoryDC DC;
      if (SetDIBits(DC.DC(), New, 0, static_cast<UINT>(AbsHeight), Pixels.data(),
                    reinterpret_cast<BITMAPINFO*>(Packed.data()), DIB_RGB_COLORS) == 0)
        Invalid();
    }
    ReplaceHandle(static_cast<HBITMAP>(Guard.Release()));
  } catch (...) {
    if (!WasEmpty) Changed();
    throw;
  }
  Changed();
}

void TBitmap::SaveToStream(TStream& Stream) {
  if (!FHandle) return;
  FreeContext();
  TBitmapInfo256 Info{};
  Info.Header.biSize = sizeof(BITMAPINFOHEADER);
  Info.Header.biWidth = FWidth;
  Info.Header.biHeight = FHeight;
  Info.Header.biPlanes = 1;
  Info.Header.biCompression = BI_RGB;
  DIBSECTION Section;
  if (FIsDIB && GetDIBSection(FHandle, Section)) {
    Info.Header.biBitCount = Section.dsBmih.biBitCount;
    if (Section.dsBmih.biCompression == BI_BITFIELDS) {
      Info.Header.biCompression = BI_BITFIELDS;
      std::memcpy(Info.Colors, Section.dsBitfields, 12);
    }
  } else {
    const int Bits = BitsPerPixel(FHandle);
    Info.Header.biBitCount = static_cast<WORD>(Bits == 1 ? 1 : Bits >= 32 ? 32 : 24);
  }
  const int Bits = Info.Header.biBitCount;
  const size_t Stride = ((static_cast<size_t>(FWidth) * Bits + 31) / 32) * 4;
  std::vector<unsigned char> Pixels(Stride * FHeight);
  {
    TMemoryDC DC;
    if (GetDIBits(DC.DC(), FHandle, 0, FHeight, Pixels.data(), reinterpret_cast<BITMAPINFO*>(&Info), DIB_RGB_COLORS) !=
        FHeight)
      throw EInvalidGraphic(LoadResString(SInvalidBitmap));
  }
  Info.Header.biSizeImage = static_cast<DWORD>(Pixels.size());
  Info.Header.biClrUsed = 0;
  const size_t Extra = (Bits <= 8 ? (size_t{1} << Bits) * sizeof(RGBQUAD) : 0) +
                       (Info.Header.biCompression == BI_BITFIELDS ? 12 : 0);
  BITMAPFILEHEADER File{};
  File.bfType = 0x4D42;
  File.bfOffBits = static_cast<DWORD>(sizeof(File) + sizeof(BITMAPINFOHEADER) + Extra);
  File.bfSize = static_cast<DWORD>(File.bfOffBits + Pixels.size());
  Stream.WriteBuffer(&File, sizeof(File));
  Stream.WriteBuffer(&Info, static_cast<int>(sizeof(BITMAPINFOHEADER) + Extra));
  Stream.WriteBuffer(Pixels.data(), static_cast<int>(Pixels.size()));
}

void TBitmap::LoadResource(HINSTANCE Instance, LPCSTR Name, const std::string& Display) {
  HBITMAP B = Instance ? static_cast<HBITMAP>(LoadImageA(Instance, Name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
                       : LoadBitmapA(nullptr, Name);
  if (!B) throw EResNotFound(Format(LoadResString(SResNotFound), {Display}));
  ReplaceHandle(B);
  Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& Name) {
  LoadResource(Instance, Name.c_str(), Name);
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  LoadResource(Instance, MAKEINTRESOURCEA(ResID), IntToStr(ResID));
}

void TBitmap::Draw(HDC DC, const RECT& Rect) {
  if (!FHandle) return;
  const int W = Rect.right - Rect.left, H = Rect.bottom - Rect.top;
  if (W <= 0 || H <= 0) return;
  HDC Source = Canvas().Handle();
  if (Transparent()) {
    const COLORREF Key = static_cast<COLORREF>(ColorToRGB(TransparentColor())) & 0x00FFFFFF;
    TransparentBlt(DC, Rect.left, Rect.top, W, H, Source, 0, 0, FWidth, FHeight, Key);
  } else {
    const int OldMode = SetStretchBltMode(DC, COLORONCOLOR);
    StretchBlt(DC, Rect.left, Rect.top, W, H, Source, 0, 0, FWidth, FHeight, SRCCOPY);
    SetStretchBltMode(DC, OldMode);
  }
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* Bitmap = dynamic_cast<TBitmap*>(Source)) {
    if (Bitmap == this) return;
    HBITMAP New = Bitmap->FHandle ? Bitmap->Convert(bkSameAsCurrent, Bitmap->FWidth, Bitmap->FHeight) : nullptr;
    ReplaceHandle(New);
    if (!New) {
      FWidth = Bitmap->FWidth;
      FHeight = Bitmap->FHeight;
    }
    FEmptyFormat = Bitmap->FEmptyFormat;
    FTransparent = Bitmap->FTransparent;
    FTransparentColor = Bitmap->FTransparentColor;
    FTransparentMode = Bitmap->FTransparentMode;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// TFont

int TFont::ScreenPixelsPerInch() {
  static const int PixelsPerInch = [] {
    HDC DC = GetDC(nullptr);
    const int Result = DC ? GetDeviceCaps(DC, LOGPIXELSY) : 96;
    if (DC) ReleaseDC(nullptr, DC);
    return Result > 0 ? Result : 96;
  }();
  return PixelsPerInch;
}

TFont::TFont() : FHeight(-MulDiv(8, ScreenPixelsPerInch(), 72)) {}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (FHandle) DeleteObject(FHandle);
  FHandle = nullptr;
}

void TFont::Changed() {
  FreeHandle();
  if (OnChange) OnChange(this);
}

LOGFONTA TFont::LogFont() const {
  LOGFONTA Log{};
  Log.lfHeight = FHeight;
  Log.lfWeight = (FStyle & FontStyleBit(fsBold)) ? FW_BOLD : FW_NORMAL;
  Log.lfItalic = (FStyle & FontStyleBit(fsItalic)) ? 1 : 0;
  Log.lfUnderline = (FStyle & FontStyleBit(fsUnderline)) ? 1 : 0;
  Log.lfStrikeOut = (FStyle & FontStyleBit(fsStrikeOut)) ? 1 : 0;
  Log.lfCharSet = FCharset;
  Log.lfQuality = DEFAULT_QUALITY;
  Log.lfOutPrecision = OUT_DEFAULT_PRECIS;
  Log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  Log.lfPitchAndFamily = DEFAULT_PITCH;
  lstrcpynA(Log.lfFaceName, FName.c_str(), LF_FACESIZE);
  return Log;
}

HFONT TFont::Handle() {
  if (!FHandle) {
    const LOGFONTA Log = LogFont();
    FHandle = CreateFontIndirectA(&Log);
    if (!FHandle) OutOfResources();
  }
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  LOGFONTA Log{};
  if (!Value || GetObjectA(Value, sizeof(Log), &Log) == 0) return;
  FName = Log.lfFaceName;
  FHeight = Log.lfHeight;
  FStyle = (Log.lfWeight >= FW_BOLD ? FontStyleBit(fsBold) : 0) | (Log.lfItalic ? FontStyleBit(fsItalic) : 0) |
           (Log.lfUnderline ? FontStyleBit(fsUnderline) : 0) | (Log.lfStrikeOut ? FontStyleBit(fsStrikeOut) : 0);
  FCharset = Log.lfCharSet;
  Changed();
}

void TFont::SetName(const std::string& Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, ScreenPixelsPerInch(), 72)); }

void TFont::SetHeight(int Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  if (OnChange) OnChange(this);  // the handle does not hold the colour
}

void TFont::SetCharset(BYTE Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* Font = dynamic_cast<TFont*>(Source)) {
    if (Font == this) return;
    FName = Font->FName;
    FHeight = Font->FHeight;
    FStyle = Font->FStyle;
    FColor = Font->FColor;
    FCharset = Font->FCharset;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}
