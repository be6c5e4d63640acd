#include "controls/VCLUtils.h"

#include "classlib/core/ImgList.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "controls/GdiScope.h"
#include "resources/strings/Controls.h"
#include "resources/strings/Graphics.h"

#include <cstring>
#include <vector>

namespace {

HBITMAP CheckedBitmap(HBITMAP Bitmap) {
  if (Bitmap == nullptr) throw EOutOfResources(SysErrorMessage(GetLastError()));
  return Bitmap;
}

// Copies the monochrome picture of MonoDC onto DC at (X, Y) with DSPDxax after mapping its black
// pixels to TextColor and its white ones to BackColor: Color where that gives white, DC unchanged
// where it gives black.
void PaintMono(HDC DC, int X, int Y, int Width, int Height, HDC MonoDC, TColor Color, COLORREF TextColor,
               COLORREF BackColor) {
  TGdiObject<HBRUSH> Brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color))));
  TSelection Selected(DC, Brush.Get());
  const COLORREF OldText = SetTextColor(DC, TextColor);
  const COLORREF OldBack = SetBkColor(DC, BackColor);
  BitBlt(DC, X, Y, Width, Height, MonoDC, 0, 0, ROP_DSPDxax);
  SetBkColor(DC, OldBack);
  SetTextColor(DC, OldText);
}

constexpr COLORREF Black = RGB(0, 0, 0), White = RGB(255, 255, 255);

std::string ProgramTitle() {
  std::vector<char> Buffer(MAX_PATH);
  for (;;) {
    const DWORD Len = GetModuleFileNameA(nullptr, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len < Buffer.size()) {
      std::string Name = ExtractFileName(std::string(Buffer.data(), Len));
      const std::string::size_type Dot = Name.rfind('.');
      return Dot == std::string::npos ? Name : Name.substr(0, Dot);
    }
    Buffer.resize(Buffer.size() * 2);
  }
}

// Reads one parameter of a command line from Pos on; Pos ends after it.
std::string ReadParam(const std::string& S, std::string::size_type& Pos) {
  const auto At = [&](std::string::size_type I) -> unsigned char {
    return I < S.size() ? static_cast<unsigned char>(S[I]) : 0;
  };
  for (;;) {
    while (At(Pos) >= 1 && At(Pos) <= ' ') ++Pos;
    if (At(Pos) == '"' && At(Pos + 1) == '"') {
      Pos += 2;
      continue;
    }
    break;
  }
  std::string Result;
  while (At(Pos) > ' ') {
    if (At(Pos) == '"') {
      ++Pos;
      while (At(Pos) != 0 && At(Pos) != '"') Result += S[Pos++];
      if (At(Pos) == '"') ++Pos;
    } else {
      Result += S[Pos++];
    }
  }
  return Result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Bitmaps

void RaiseResourceNotFound(const char* ResID) {
  const std::string Name = IS_INTRESOURCE(ResID)
                               ? IntToStr(static_cast<long long>(reinterpret_cast<ULONG_PTR>(ResID) & 0xFFFF))
                               : std::string(ResID);
  throw EResNotFound(Format(ResText(LoadResString(SResNotFound)), {Name}));
}

std::unique_ptr<TBitmap> LoadModuleBitmap(HINSTANCE Module, const char* ResID) {
  try {
    auto Result = std::make_unique<TBitmap>();
    if (Module == nullptr) {
      // The predefined bitmaps are known by number only.
      HBITMAP Handle = LoadBitmapA(nullptr, ResID);
      if (Handle == nullptr) RaiseResourceNotFound(ResID);
      Result->SetHandle(Handle);
    } else if (IS_INTRESOURCE(ResID)) {
      Result->LoadFromResourceID(Module, static_cast<int>(reinterpret_cast<ULONG_PTR>(ResID) & 0xFFFF));
    } else {
      Result->LoadFromResourceName(Module, ResID);
    }
    if (!Result->HandleAllocated()) RaiseResourceNotFound(ResID);
    return Result;
  } catch (const std::exception&) {
    return nullptr;
  }
}

void CopyBitmapCell(TGraphic* Source, TBitmap* Dest, int Cols, int Rows, int Index) {
  if (Source == nullptr || Dest == nullptr) return;
  if (Cols < 1) Cols = 1;
  if (Rows < 1) Rows = 1;
  if (Index < 0) Index = 0;
  const int CellWidth = Source->Width() / Cols;
  const int CellHeight = Source->Height() / Rows;
  const int Col = Index % Cols, Row = Index / Cols;
  Dest->SetSize(CellWidth, CellHeight);
  const RECT Cell{0, 0, CellWidth, CellHeight};
  if (auto* Bitmap = dynamic_cast<TBitmap*>(Source)) {
    const RECT From{Col * CellWidth, Row * CellHeight, (Col + 1) * CellWidth, (Row + 1) * CellHeight};
    Dest->Canvas().CopyRect(Cell, Bitmap->Canvas(), From);
    Dest->SetTransparentColor(Bitmap->TransparentColor());
  } else {
    Dest->Canvas().BrushColor = clSilver;
    Dest->Canvas().FillRect(Cell);
    Dest->Canvas().Draw(-Col * CellWidth, -Row * CellHeight, *Source);
  }
  Dest->SetTransparent(Source->Transparent());
}

std::unique_ptr<TBitmap> CreateDisabledBitmapEx(TBitmap& Source, TColor OutlineColor, TColor BackColor,
                                                TColor HighlightColor, TColor ShadowColor, bool DrawHighlight) {
  const int Width = Source.Width(), Height = Source.Height();
  auto Result = std::make_unique<TBitmap>(Width, Height);
  TBitmap Mono;
  Mono.Assign(&Source);
  Mono.SetHandleType(bmDDB);
  Mono.Canvas().BrushColor = OutlineColor;
  if (Mono.Monochrome()) {
    // Black pixels are the outline: make them white first, the rest of the outline colour.
    Mono.Canvas().TextColor = clWhite;
    Mono.SetMonochrome(false);
    Mono.Canvas().BrushColor = clWhite;
  }
  Mono.SetMonochrome(true);

  const RECT R{0, 0, Width, Height};
  Result->Canvas().BrushColor = BackColor;
  Result->Canvas().FillRect(R);
  const HDC DC = Result->Canvas().Handle();
  const HDC MonoDC = Mono.Canvas().Handle();
  if (DrawHighlight) PaintMono(DC, 1, 1, Width, Height, MonoDC, HighlightColor, Black, White);
  PaintMono(DC, 0, 0, Width, Height, MonoDC, ShadowColor, Black, White);
  return Result;
}

std::unique_ptr<TBitmap> CreateDisabledBitmap(TBitmap& Source, TColor OutlineColor) {
  return CreateDisabledBitmapEx(Source, OutlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void DrawImageDisabled(TCustomImageList& Images, TCanvas& Canvas, int X, int Y, int Index, TColor HighlightColor,
                       TColor GrayColor, bool DrawHighlight) {
  // The canvas's own brush is not touched: the paint selects a brush of its own.
  const int Width = Images.Width(), Height = Images.Height();
  TBitmap Mask(Width, Height);
  Mask.Canvas().BrushColor = clWhite;
  Mask.Canvas().FillRect(RECT{0, 0, Width, Height});
  // Black on the image, white around it.
  ImageList_DrawEx(Images.Handle(), Index, Mask.Canvas().Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_MASK);
  Mask.SetMonochrome(true);
  const HDC DC = Canvas.Handle();
  const HDC MonoDC = Mask.Canvas().Handle();
  if (DrawHighlight) PaintMono(DC, X + 1, Y + 1, Width, Height, MonoDC, HighlightColor, White, Black);
  PaintMono(DC, X, Y, Width, Height, MonoDC, GrayColor, White, Black);
}

std::string ShortenText(const std::string& Text, TCanvas& Canvas, int MaxWidth) {
  const HDC DC = Canvas.Handle();
  const auto Width = [DC](const std::string& S) {
    SIZE Size{};
    GetTextExtentPoint32A(DC, S.c_str(), static_cast<int>(S.size()), &Size);
    return static_cast<int>(Size.cx);
  };
  std::string Result = Text;
  const int Len = static_cast<int>(Text.size());
  for (int I = 1; I <= Len && Width(Result) > MaxWidth;) {
    ++I;
    Result = Text.substr(0, static_cast<std::string::size_type>(Len - I > 0 ? Len - I : 0)) + "...";
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Messages and windows

void RemovePendingMessage(HWND Wnd, UINT Msg) {
  MSG Taken{};
  if (PeekMessageA(&Taken, Wnd, Msg, Msg, PM_REMOVE) && Taken.message == WM_QUIT)
    PostQuitMessage(static_cast<int>(Taken.wParam));
}

namespace {

struct TActiveSearch {
  HWND Active;
  bool Found;
};

BOOL CALLBACK FindActiveWindow(HWND Wnd, LPARAM Data) noexcept {
  auto* Search = reinterpret_cast<TActiveSearch*>(Data);
  if (Wnd == Search->Active) {
    Search->Found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool IsAppWindowActive() {
  TActiveSearch Search{GetActiveWindow(), false};
  if (Search.Active == nullptr) return false;
  EnumThreadWindows(GetCurrentThreadId(), FindActiveWindow, reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

void SplitCommandLine(const std::string& CommandLine, std::string& Program, std::string& Params) {
  Program.clear();
  Params.clear();
  std::vector<std::string> List;
  std::string::size_type Pos = 0;
  for (;;) {
    std::string Param = ReadParam(CommandLine, Pos);
    if (Param.empty()) break;
    List.push_back(std::move(Param));
  }
  if (List.empty()) return;
  Program = List[0];
  for (std::size_t I = 1; I < List.size(); ++I) {
    if (I > 1) Params += ' ';
    if (List[I].find(' ') != std::string::npos)
      Params += '"' + List[I] + '"';
    else
      Params += List[I];
  }
}

std::string ClipboardTextLine(HWND Owner) {
  if (!OpenClipboard(Owner)) return std::string();
  std::string Text;
  if (HANDLE Data = GetClipboardData(CF_TEXT)) {
    if (const auto* P = static_cast<const char*>(GlobalLock(Data))) {
      Text = P;
      GlobalUnlock(Data);
    }
  }
  CloseClipboard();
  return Text.substr(0, Text.find_first_of("\r\n"));
}

int FontTextHeight(TFont& Font) {
  HDC DC = GetDC(nullptr);
  HGDIOBJ Old = SelectObject(DC, Font.Handle());
  TEXTMETRICA Metrics{};
  GetTextMetricsA(DC, &Metrics);
  SelectObject(DC, Old);
  ReleaseDC(nullptr, DC);
  return Metrics.tmHeight;
}

namespace {
void DefaultBeep() { MessageBeep(0); }
TBeepFunc BeepFunc = DefaultBeep;
}  // namespace

void SystemBeep() { BeepFunc(); }

TBeepFunc SetBeepFunc(TBeepFunc Func) {
  const TBeepFunc Previous = BeepFunc;
  BeepFunc = Func ? Func : DefaultBeep;
  return Previous;
}

void ShowNotImplemented() {
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  MessageBoxA(GetActiveWindow(), ResText(LoadResString(SNotImplemented)).c_str(), ProgramTitle().c_str(),
              MB_OK | MB_ICONINFORMATION);
  Abort();
}

// ---------------------------------------------------------------------------------------------
// Memory

void* AllocGlobalMemory(std::ptrdiff_t Size) {
  if (Size < 1) return nullptr;
  const HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(Size));
  if (Block == nullptr) return nullptr;
  return GlobalLock(Block);
}

void FreeGlobalMemory(void*& P) {
  if (P == nullptr) return;
  const HGLOBAL Block = GlobalHandle(P);
  GlobalUnlock(Block);
  GlobalFree(Block);
  P = nullptr;
}

bool SameMemory(const void* A, const void* B, std::size_t Count) {
  return Count == 0 || std::memcmp(A, B, Count) == 0;
}

void CopyMemoryBlock(void* Dest, const void* Source, std::size_t Count) {
  if (Count != 0) std::memmove(Dest, Source, Count);
}

// ---------------------------------------------------------------------------------------------
// Transparent drawing

TColor PaletteRGBColor(TColor Color) { return ColorToRGB(Color) | clPaletteRelative; }

void StretchBltTransparent(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY,
                           int SrcW, int SrcH, HPALETTE Palette, TColor TransparentColor) {
  TMemoryDC SaveDC(DstDC), MaskDC(DstDC), InverseDC(DstDC), MemDC(DstDC);
  TGdiObject<HBITMAP> Mask(CheckedBitmap(CreateBitmap(SrcW, SrcH, 1, 1, nullptr)));
  TGdiObject<HBITMAP> Inverse(CheckedBitmap(CreateBitmap(SrcW, SrcH, 1, 1, nullptr)));
  TGdiObject<HBITMAP> Save(CheckedBitmap(CreateCompatibleBitmap(DstDC, SrcW, SrcH)));
  TGdiObject<HBITMAP> Mem(CheckedBitmap(CreateCompatibleBitmap(DstDC, DstW, DstH)));
  TSelection SaveSel(SaveDC.Get(), Save.Get()), MaskSel(MaskDC.Get(), Mask.Get()),
      InverseSel(InverseDC.Get(), Inverse.Get()), MemSel(MemDC.Get(), Mem.Get());

  HPALETTE OldPalettes[3] = {};
  const HDC PaletteDCs[3] = {DstDC, SaveDC.Get(), MemDC.Get()};
  if (Palette != nullptr) {
    for (int I = 0; I < 3; ++I) {
      OldPalettes[I] = SelectPalette(PaletteDCs[I], Palette, FALSE);
      RealizePalette(PaletteDCs[I]);
    }
  }

  SetMapMode(SrcDC, GetMapMode(DstDC));
  SetMapMode(SaveDC.Get(), GetMapMode(DstDC));
  BitBlt(SaveDC.Get(), 0, 0, SrcW, SrcH, SrcDC, SrcX, SrcY, SRCCOPY);
  // Mask: white where the source has the transparent colour; Inverse: white on the picture.
  const COLORREF OldBack = SetBkColor(SaveDC.Get(), static_cast<COLORREF>(PaletteRGBColor(TransparentColor)));
  BitBlt(MaskDC.Get(), 0, 0, SrcW, SrcH, SaveDC.Get(), 0, 0, SRCCOPY);
  SetBkColor(SaveDC.Get(), OldBack);
  BitBlt(InverseDC.Get(), 0, 0, SrcW, SrcH, MaskDC.Get(), 0, 0, NOTSRCCOPY);

  // Monochrome sources map black to the text colour and white to the background colour.
  for (HDC DC : {SaveDC.Get(), MemDC.Get()}) {
    SetTextColor(DC, RGB(0, 0, 0));
    SetBkColor(DC, RGB(255, 255, 255));
  }
  BitBlt(MemDC.Get(), 0, 0, DstW, DstH, DstDC, DstX, DstY, SRCCOPY);
  StretchBlt(MemDC.Get(), 0, 0, DstW, DstH, MaskDC.Get(), 0, 0, SrcW, SrcH, SRCAND);
  BitBlt(SaveDC.Get(), 0, 0, SrcW, SrcH, InverseDC.Get(), 0, 0, SRCAND);
  StretchBlt(MemDC.Get(), 0, 0, DstW, DstH, SaveDC.Get(), 0, 0, SrcW, SrcH, SRCPAINT);
  BitBlt(DstDC, DstX, DstY, DstW, DstH, MemDC.Get(), 0, 0, SRCCOPY);

  if (Palette != nullptr) {
    for (int I = 0; I < 3; ++I)
      if (OldPalettes[I] != nullptr) SelectPalette(PaletteDCs[I], OldPalettes[I], TRUE);
  }
}

void StretchDrawTransparent(TCanvas& Dest, TBitmap& Bitmap, TColor TransparentColor, int DstX, int DstY, int DstW,
                            int DstH, int SrcX, int SrcY, int SrcW, int SrcH) {
  if (DstW < 1) DstW = Bitmap.Width();
  if (DstH < 1) DstH = Bitmap.Height();
  if (SrcW < 1) {
    SrcX = 0;
    SrcW = Bitmap.Width();
  }
  if (SrcH < 1) {
    SrcY = 0;
    SrcH = Bitmap.Height();
  }
  const HDC SrcDC = Bitmap.Canvas().Handle();
  if (TransparentColor == clNone) {
    StretchBlt(Dest.Handle(), DstX, DstY, DstW, DstH, SrcDC, SrcX, SrcY, SrcW, SrcH, Dest.CopyMode);
    return;
  }
  if (TransparentColor == clDefault) TransparentColor = Bitmap.Canvas().Pixel(0, Bitmap.Height() - 1);
  TransparentColor = Bitmap.Monochrome() ? clWhite : ColorToRGB(TransparentColor);
  StretchBltTransparent(Dest.Handle(), DstX, DstY, DstW, DstH, SrcDC, SrcX, SrcY, SrcW, SrcH, nullptr,
                        TransparentColor);
}

void StretchDrawRectTransparent(TCanvas& Dest, int DstX, int DstY, int DstW, int DstH, const RECT& SrcRect,
                                TBitmap& Bitmap, TColor TransparentColor) {
  StretchDrawTransparent(Dest, Bitmap, TransparentColor, DstX, DstY, DstW, DstH, SrcRect.left, SrcRect.top,
                         RectWidth(SrcRect), RectHeight(SrcRect));
}

void Frame3D(HDC DC, RECT& Rect, TColor TopColor, TColor BottomColor, int Width) {
  auto Line = [DC](TColor Color, int X, int Y, int W, int H) {
    SetBkColor(DC, static_cast<COLORREF>(ColorToRGB(Color)));
    const RECT R{X, Y, X + W, Y + H};
    ExtTextOutA(DC, 0, 0, ETO_OPAQUE, &R, nullptr, 0, nullptr);
  };
  const COLORREF OldBk = GetBkColor(DC);
  for (int I = 0; I < Width; ++I) {
    const int W = Rect.right - Rect.left, H = Rect.bottom - Rect.top;
    if (W > 0 && H > 0) {
      Line(TopColor, Rect.left, Rect.top, W - 1, 1);
      Line(TopColor, Rect.left, Rect.top, 1, H - 1);
      Line(BottomColor, Rect.right - 1, Rect.top, 1, H);
      Line(BottomColor, Rect.left, Rect.bottom - 1, W, 1);
    }
    InflateRect(&Rect, -1, -1);
  }
  SetBkColor(DC, OldBk);
}
