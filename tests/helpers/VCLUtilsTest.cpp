// The component library's graphics, message, memory and cursor helpers, on memory DCs.
#include <gtest/gtest.h>

#define OEMRESOURCE
#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "classlib/core/Graphics.h"
#include "classlib/core/ImgList.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "controls/RXConst.h"
#include "controls/VCLUtils.h"
#include "resources/strings/Controls.h"
#include "resources/strings/Graphics.h"
#include "tests/helpers/MessageBoxWatcher.h"

namespace {

using TPoint = std::pair<int, int>;

TColor RGBOf(TColor Color) { return ColorToRGB(Color) & 0xFFFFFF; }

// Every pixel of a bitmap, as RGB.
std::vector<TColor> Pixels(TBitmap& Bitmap) {
  std::vector<TColor> Result;
  for (int Y = 0; Y < Bitmap.Height(); ++Y)
    for (int X = 0; X < Bitmap.Width(); ++X) Result.push_back(Bitmap.Canvas().Pixel(X, Y) & 0xFFFFFF);
  return Result;
}

// A Width x Height picture of Back with the listed pixels set.
std::vector<TColor> Picture(int Width, int Height, TColor Back, const std::map<TPoint, TColor>& Set) {
  std::vector<TColor> Result(static_cast<size_t>(Width * Height), RGBOf(Back));
  for (const auto& [Point, Color] : Set)
    if (Point.first >= 0 && Point.first < Width && Point.second >= 0 && Point.second < Height)
      Result[static_cast<size_t>(Point.second * Width + Point.first)] = RGBOf(Color);
  return Result;
}

void Fill(TBitmap& Bitmap, TColor Color, const RECT& R) {
  Bitmap.Canvas().BrushColor = Color;
  Bitmap.Canvas().FillRect(R);
}

void Fill(TBitmap& Bitmap, TColor Color) { Fill(Bitmap, Color, RECT{0, 0, Bitmap.Width(), Bitmap.Height()}); }

std::string RaisedMessage(const std::function<void()>& Call, bool& ResNotFound) {
  ResNotFound = false;
  try {
    Call();
  } catch (const EResNotFound& E) {
    ResNotFound = true;
    return E.Message();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "(nothing raised)";
}

// ---------------------------------------------------------------------------------------------

TEST(VCLUtils, LoadModuleBitmap) {
  const HINSTANCE Self = GetModuleHandleA(nullptr);
  for (const char* Id : {"CELLS", static_cast<const char*>(MAKEINTRESOURCEA(7))}) {
    auto Bitmap = LoadModuleBitmap(Self, Id);
    ASSERT_TRUE(Bitmap != nullptr);
    EXPECT_TRUE(Bitmap->HandleAllocated());
    EXPECT_EQ(Bitmap->Width(), 4);
    EXPECT_EQ(Bitmap->Height(), 2);
    // Top row red, green, blue, white; bottom row black.
    EXPECT_EQ(Pixels(*Bitmap), (std::vector<TColor>{clRed, clLime, clBlue, clWhite, clBlack, clBlack, clBlack, clBlack}));
  }
  // A predefined system bitmap, by number.
  const HBITMAP System = LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_CHECK));
  ASSERT_NE(System, nullptr);
  BITMAP Info{};
  GetObjectA(System, sizeof(Info), &Info);
  DeleteObject(System);
  auto Check = LoadModuleBitmap(nullptr, MAKEINTRESOURCEA(OBM_CHECK));
  ASSERT_TRUE(Check != nullptr);
  EXPECT_EQ(Check->Width(), Info.bmWidth);
  EXPECT_EQ(Check->Height(), Info.bmHeight);
  // Missing resources give nullptr, never an exception.
  EXPECT_TRUE(LoadModuleBitmap(Self, "MISSING") == nullptr);
  EXPECT_TRUE(LoadModuleBitmap(Self, MAKEINTRESOURCEA(99)) == nullptr);
  EXPECT_TRUE(LoadModuleBitmap(nullptr, "NOSUCHBITMAP") == nullptr);
  const HBITMAP NoSystem = LoadBitmapA(nullptr, MAKEINTRESOURCEA(12345));
  EXPECT_EQ(LoadModuleBitmap(nullptr, MAKEINTRESOURCEA(12345)) == nullptr, NoSystem == nullptr);
  if (NoSystem != nullptr) DeleteObject(NoSystem);
}

TEST(VCLUtils, RaiseResourceNotFound) {
  bool ResNotFound = false;
  EXPECT_EQ(RaisedMessage([] { RaiseResourceNotFound("RX_SOMETHING"); }, ResNotFound), "Resource RX_SOMETHING not found");
  EXPECT_TRUE(ResNotFound);
  EXPECT_EQ(RaisedMessage([] { RaiseResourceNotFound(MAKEINTRESOURCEA(4711)); }, ResNotFound), "Resource 4711 not found");
  EXPECT_TRUE(ResNotFound);
  EXPECT_EQ(LoadResString(SResNotFound), "Resource %s not found");
}

// A 16 x 8 strip of 4 x 2 cells, each filled with a colour of its own.
TColor CellColor(int Index) { return static_cast<TColor>(RGB(10 * Index + 5, 200 - 20 * Index, 3 * Index)); }

void MakeStrip(TBitmap& Strip) {
  Strip.SetPixelFormat(pf24bit);
  Strip.SetSize(16, 8);
  for (int I = 0; I < 8; ++I) Fill(Strip, CellColor(I), RECT{(I % 4) * 4, (I / 4) * 4, (I % 4) * 4 + 4, (I / 4) * 4 + 4});
  // One marked pixel per cell, to see that the whole cell is copied.
  for (int I = 0; I < 8; ++I) Strip.Canvas().SetPixel((I % 4) * 4 + 1, (I / 4) * 4 + 2, clWhite);
}

TEST(VCLUtils, CopyBitmapCellOfBitmap) {
  TBitmap Strip;
  MakeStrip(Strip);
  struct TCase {
    int Cols, Rows, Index;
    int Width, Height, Col, Row;  // expected cell
  };
  const TCase Cases[] = {
      {4, 2, 5, 4, 4, 1, 1},    // column 1 of row 1
      {4, 2, 0, 4, 4, 0, 0},  {4, 2, 3, 4, 4, 3, 0}, {4, 2, 7, 4, 4, 3, 1},
      {4, 2, -3, 4, 4, 0, 0},   // negative index: the first cell
      {0, 2, 1, 16, 4, 0, 1},   // columns below 1: one column
      {4, 0, 2, 4, 8, 2, 0},    // rows below 1: one row
      {-1, -1, 0, 16, 8, 0, 0},
      {2, 2, 3, 8, 4, 1, 1},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Cols) + "x" + std::to_string(C.Rows) + " #" + std::to_string(C.Index));
    TBitmap Cell;
    Cell.SetPixelFormat(pf24bit);
    CopyBitmapCell(&Strip, &Cell, C.Cols, C.Rows, C.Index);
    ASSERT_EQ(Cell.Width(), C.Width);
    ASSERT_EQ(Cell.Height(), C.Height);
    for (int Y = 0; Y < C.Height; ++Y)
      for (int X = 0; X < C.Width; ++X)
        ASSERT_EQ(Cell.Canvas().Pixel(X, Y) & 0xFFFFFF, Strip.Canvas().Pixel(C.Col * C.Width + X, C.Row * C.Height + Y) & 0xFFFFFF)
            << X << "," << Y;
  }
}

TEST(VCLUtils, CopyBitmapCellTransparency) {
  TBitmap Strip;
  MakeStrip(Strip);
  for (bool Fixed : {false, true}) {
    SCOPED_TRACE(Fixed ? "fixed colour" : "automatic colour");
    if (Fixed) Strip.SetTransparentColor(clLime);
    for (bool Transparent : {false, true}) {
      Strip.SetTransparent(Transparent);
      TBitmap Cell;
      CopyBitmapCell(&Strip, &Cell, 4, 2, 6);
      EXPECT_EQ(Cell.TransparentColor(), Strip.TransparentColor());
      EXPECT_EQ(Cell.Transparent(), Transparent);
    }
  }
  // Nothing happens without a source or a destination.
  TBitmap Untouched;
  CopyBitmapCell(nullptr, &Untouched, 4, 2, 1);
  EXPECT_TRUE(Untouched.Empty());
  CopyBitmapCell(&Strip, nullptr, 4, 2, 1);
}

// An 8 x 4 icon: the left half opaque red, the right half transparent.
HICON MakeHalfIcon() {
  std::vector<DWORD> Color(8 * 4);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 8; ++X) Color[Y * 8 + X] = X < 4 ? 0xFFFF0000 : 0x00000000;  // BGRA: red
  const BYTE MaskBits[] = {0x0F, 0, 0x0F, 0, 0x0F, 0, 0x0F, 0};  // rows of 16 bits, 1 = transparent
  ICONINFO Info{};
  Info.fIcon = TRUE;
  Info.hbmColor = CreateBitmap(8, 4, 1, 32, Color.data());
  Info.hbmMask = CreateBitmap(8, 4, 1, 1, MaskBits);
  const HICON Icon = CreateIconIndirect(&Info);
  DeleteObject(Info.hbmColor);
  DeleteObject(Info.hbmMask);
  return Icon;
}

TEST(VCLUtils, CopyBitmapCellOfOtherPicture) {
  TIcon Icon;
  Icon.SetHandle(MakeHalfIcon());
  ASSERT_FALSE(Icon.Empty());
  ASSERT_EQ(Icon.Width(), 8);
  for (int Index : {0, 1}) {
    SCOPED_TRACE(Index);
    TBitmap Cell;
    Cell.SetPixelFormat(pf24bit);
    CopyBitmapCell(&Icon, &Cell, 2, 1, Index);
    ASSERT_EQ(Cell.Width(), 4);
    ASSERT_EQ(Cell.Height(), 4);
    // The picture is drawn over silver.
    EXPECT_EQ(Pixels(Cell), Picture(4, 4, Index == 0 ? clRed : clSilver, {}));
    EXPECT_EQ(Cell.Transparent(), Icon.Transparent());
  }
}

// The disabled image of a picture whose outline pixels are at Outline.
std::vector<TColor> Embossed(const std::vector<TPoint>& Outline, TColor Back, TColor Highlight, TColor Shadow,
                             bool DrawHighlight) {
  std::map<TPoint, TColor> Set;
  if (DrawHighlight)
    for (const TPoint& P : Outline) Set[{P.first + 1, P.second + 1}] = Highlight;
  for (const TPoint& P : Outline) Set[P] = Shadow;
  return Picture(8, 8, Back, Set);
}

TEST(VCLUtils, CreateDisabledBitmap) {
  const std::vector<TPoint> Outline = {{2, 2}, {5, 4}, {6, 4}, {7, 7}, {0, 6}};
  struct TCase {
    const char* Name;
    TPixelFormat Format;
    TColor OutlineColor, Back;
  };
  // Colour sources with a black and a red outline on white, and a monochrome source.
  const TCase Cases[] = {
      {"black on white", pf24bit, clBlack, clWhite},
      {"red on yellow", pf24bit, clRed, clYellow},
      {"monochrome", pf1bit, clBlack, clWhite},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBitmap Source(8, 8, C.Format);
    Fill(Source, C.Back);
    for (const TPoint& P : Outline) Source.Canvas().SetPixel(P.first, P.second, C.OutlineColor);

    auto Result = CreateDisabledBitmap(Source, C.OutlineColor);
    ASSERT_TRUE(Result != nullptr);
    EXPECT_EQ(Pixels(*Result), Embossed(Outline, clBtnFace, clBtnHighlight, clBtnShadow, true));

    auto Plain = CreateDisabledBitmapEx(Source, C.OutlineColor, clNavy, clAqua, clMaroon, false);
    EXPECT_EQ(Pixels(*Plain), Embossed(Outline, clNavy, clAqua, clMaroon, false));
    auto Lit = CreateDisabledBitmapEx(Source, C.OutlineColor, clNavy, clAqua, clMaroon, true);
    EXPECT_EQ(Pixels(*Lit), Embossed(Outline, clNavy, clAqua, clMaroon, true));
  }
}

TEST(VCLUtils, DrawImageDisabled) {
  const std::vector<TPoint> Opaque = {{2, 2}, {3, 2}, {7, 7}, {0, 0}};
  TImageList Images(8, 8);
  TBitmap Image(8, 8, pf24bit);
  Fill(Image, clWhite);
  for (const TPoint& P : Opaque) Image.Canvas().SetPixel(P.first, P.second, P == TPoint{3, 2} ? clRed : clBlack);
  ASSERT_EQ(Images.AddMasked(Image, clWhite), 0);

  for (bool DrawHighlight : {true, false}) {
    SCOPED_TRACE(DrawHighlight);
    TBitmap Target(16, 16, pf24bit);
    Fill(Target, clBlue);
    Target.Canvas().BrushColor = clFuchsia;
    DrawImageDisabled(Images, Target.Canvas(), 3, 5, 0, clYellow, clGray, DrawHighlight);
    EXPECT_EQ(Target.Canvas().BrushColor, clFuchsia);  // the canvas's brush colour is kept
    std::map<TPoint, TColor> Set;
    if (DrawHighlight)
      for (const TPoint& P : Opaque) Set[{3 + P.first + 1, 5 + P.second + 1}] = clYellow;
    for (const TPoint& P : Opaque) Set[{3 + P.first, 5 + P.second}] = clGray;
    EXPECT_EQ(Pixels(Target), Picture(16, 16, clBlue, Set));
  }
}

TEST(VCLUtils, ShortenText) {
  TBitmap Bitmap(10, 10);
  TCanvas& Canvas = Bitmap.Canvas();
  const auto Width = [&](const std::string& S) {
    SIZE Size{};
    GetTextExtentPoint32A(Canvas.Handle(), S.c_str(), static_cast<int>(S.size()), &Size);
    return static_cast<int>(Size.cx);
  };
  const std::string Text = "Hello, shortened world";
  ASSERT_GT(Width(Text), Width("..."));
  EXPECT_EQ(ShortenText(Text, Canvas, Width(Text)), Text);       // fits: unchanged
  EXPECT_EQ(ShortenText(Text, Canvas, Width(Text) + 50), Text);
  EXPECT_EQ(ShortenText("abcde", Canvas, 0), "...");             // never fits
  EXPECT_EQ(ShortenText("a", Canvas, 0), "...");
  EXPECT_EQ(ShortenText("", Canvas, -5), "");

  // In between: the longest form "<first n characters>..." that fits, with n at most length - 2.
  for (int Max = Width("...") + 1; Max < Width(Text); Max += 7) {
    SCOPED_TRACE(Max);
    const std::string Result = ShortenText(Text, Canvas, Max);
    ASSERT_GE(Result.size(), 3u);
    ASSERT_EQ(Result.substr(Result.size() - 3), "...");
    const size_t Kept = Result.size() - 3;
    EXPECT_LE(Kept, Text.size() - 2);
    EXPECT_EQ(Result.substr(0, Kept), Text.substr(0, Kept));
    EXPECT_LE(Width(Result), Max);
    if (Kept < Text.size() - 2) {
      EXPECT_GT(Width(Text.substr(0, Kept + 1) + "..."), Max);
    }
  }
}

TEST(VCLUtils, StretchDrawTransparent) {
  // 2 x 2: red and blue on the diagonal; the bottom-left pixel is blue.
  TBitmap Source(2, 2, pf24bit);
  Source.Canvas().SetPixel(0, 0, clRed);
  Source.Canvas().SetPixel(1, 1, clRed);
  Source.Canvas().SetPixel(1, 0, clBlue);
  Source.Canvas().SetPixel(0, 1, clBlue);
  // Quadrants of the 4 x 4 picture drawn at (2, 2): TL, TR, BL, BR.
  const auto Expected = [](TColor TL, TColor TR, TColor BL, TColor BR) {
    std::map<TPoint, TColor> Set;
    for (int Y = 0; Y < 4; ++Y)
      for (int X = 0; X < 4; ++X) Set[{2 + X, 2 + Y}] = Y < 2 ? (X < 2 ? TL : TR) : (X < 2 ? BL : BR);
    return Picture(8, 8, clGreen, Set);
  };
  struct TCase {
    const char* Name;
    TColor Transparent;
    std::vector<TColor> Result;
  };
  const TCase Cases[] = {
      {"blue left out", clBlue, Expected(clRed, clGreen, clGreen, clRed)},
      {"red left out", clRed, Expected(clGreen, clBlue, clBlue, clGreen)},
      {"default: bottom-left", clDefault, Expected(clRed, clGreen, clGreen, clRed)},
      {"none", clNone, Expected(clRed, clBlue, clBlue, clRed)},
      {"absent colour", clYellow, Expected(clRed, clBlue, clBlue, clRed)},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TBitmap Target(8, 8, pf24bit);
    Fill(Target, clGreen);
    StretchDrawTransparent(Target.Canvas(), Source, C.Transparent, 2, 2, 4, 4, 0, 0, 0, 0);
    EXPECT_EQ(Pixels(Target), C.Result);
  }

  // A destination size below 1 takes the bitmap's.
  TBitmap Target(8, 8, pf24bit);
  Fill(Target, clGreen);
  StretchDrawTransparent(Target.Canvas(), Source, clBlue, 2, 2, 0, -1, 0, 0, 0, 0);
  EXPECT_EQ(Pixels(Target), Picture(8, 8, clGreen, {{{2, 2}, clRed}, {{3, 3}, clRed}}));

  // A source rectangle: the top-right pixel stretched over the area.
  for (TColor Transparent : {clBlue, clNone}) {
    Fill(Target, clGreen);
    StretchDrawRectTransparent(Target.Canvas(), 2, 2, 4, 4, RECT{1, 0, 2, 1}, Source, Transparent);
    const TColor Shown = Transparent == clNone ? clBlue : clGreen;
    EXPECT_EQ(Pixels(Target), Expected(Shown, Shown, Shown, Shown));
  }

  // A monochrome bitmap leaves out white, whatever colour is asked for.
  TBitmap Mono(2, 2, pf1bit);
  Fill(Mono, clWhite);
  Mono.Canvas().SetPixel(0, 0, clBlack);
  Fill(Target, clGreen);
  StretchDrawTransparent(Target.Canvas(), Mono, clRed, 2, 2, 4, 4, 0, 0, 0, 0);
  EXPECT_EQ(Pixels(Target), Expected(clBlack, clGreen, clGreen, clGreen));
}

TEST(VCLUtils, PaletteRGBColor) {
  EXPECT_EQ(PaletteRGBColor(clRed), 0x020000FF);
  EXPECT_EQ(PaletteRGBColor(0x123456), 0x02123456);
  EXPECT_EQ(PaletteRGBColor(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE) | 0x02000000));
}

TEST(VCLUtils, Rectangles) {
  const RECT R{3, 4, 10, 20};
  EXPECT_EQ(RectWidth(R), 7);
  EXPECT_EQ(RectHeight(R), 16);
  EXPECT_EQ(RectWidth(RECT{5, 0, 2, 0}), -3);
  EXPECT_EQ(ResText("as it is %s"), "as it is %s");
}

TEST(VCLUtils, GlobalMemory) {
  for (std::ptrdiff_t Size : {0, -1, -100}) EXPECT_EQ(AllocGlobalMemory(Size), nullptr) << Size;
  void* Block = AllocGlobalMemory(37);
  ASSERT_NE(Block, nullptr);
  EXPECT_GE(GlobalSize(GlobalHandle(Block)), 37u);
  const std::vector<char> Zero(37, 0);
  EXPECT_EQ(std::memcmp(Block, Zero.data(), 37), 0);
  std::memset(Block, 0x5A, 37);
  FreeGlobalMemory(Block);
  EXPECT_EQ(Block, nullptr);
  FreeGlobalMemory(Block);  // nothing for nullptr
  EXPECT_EQ(Block, nullptr);
}

TEST(VCLUtils, SameMemory) {
  // Every length from 0 to 11, equal, and differing at each position (word part and tail).
  for (size_t Count = 0; Count <= 11; ++Count) {
    std::vector<unsigned char> A(Count + 1), B(Count + 1);
    for (size_t I = 0; I <= Count; ++I) A[I] = B[I] = static_cast<unsigned char>(I * 37 + 1);
    B[Count] ^= 0xFF;  // beyond the compared part
    EXPECT_TRUE(SameMemory(A.data(), B.data(), Count)) << Count;
    for (size_t At = 0; At < Count; ++At) {
      B[At] ^= 0x80;
      EXPECT_FALSE(SameMemory(A.data(), B.data(), Count)) << Count << " at " << At;
      B[At] ^= 0x80;
    }
  }
}

TEST(VCLUtils, CopyAndOffset) {
  char Buffer[] = "0123456789";
  CopyMemoryBlock(Buffer + 2, Buffer, 5);  // overlapping, forwards
  EXPECT_STREQ(Buffer, "0101234789");
  CopyMemoryBlock(Buffer, Buffer + 3, 6);  // overlapping, backwards
  EXPECT_STREQ(Buffer, "1234784789");
  CopyMemoryBlock(Buffer, "x", 0);
  EXPECT_STREQ(Buffer, "1234784789");
  EXPECT_EQ(OffsetPointer(static_cast<void*>(Buffer), 4), static_cast<void*>(Buffer + 4));
  EXPECT_EQ(OffsetPointer(static_cast<const void*>(Buffer + 4), -3), static_cast<const void*>(Buffer + 1));
}

// A message-only window of the calling thread.
class TMessageWindow {
public:
  TMessageWindow() : FWnd(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
  ~TMessageWindow() {
    if (FWnd != nullptr) DestroyWindow(FWnd);
  }
  HWND Get() const { return FWnd; }

private:
  HWND FWnd;
};

int CountQueued(HWND Wnd, UINT Msg) {
  int Count = 0;
  MSG M;
  while (PeekMessageA(&M, Wnd, Msg, Msg, PM_REMOVE)) {
    if (M.message == WM_QUIT) continue;
    ++Count;
  }
  return Count;
}

TEST(VCLUtils, RemovePendingMessage) {
  TMessageWindow Window;
  ASSERT_NE(Window.Get(), nullptr);
  const UINT Msg = WM_APP + 7;
  PostMessageA(Window.Get(), Msg, 1, 0);
  PostMessageA(Window.Get(), Msg, 2, 0);
  PostMessageA(Window.Get(), WM_APP + 8, 0, 0);
  RemovePendingMessage(Window.Get(), Msg);
  MSG M;
  ASSERT_TRUE(PeekMessageA(&M, Window.Get(), Msg, Msg, PM_REMOVE));
  EXPECT_EQ(M.wParam, 2u);  // the first one was taken
  EXPECT_EQ(CountQueued(Window.Get(), Msg), 0);
  EXPECT_EQ(CountQueued(Window.Get(), WM_APP + 8), 1);  // other kinds stay
  RemovePendingMessage(Window.Get(), Msg);               // nothing queued: nothing happens

  // A quit message taken on the way is posted again with its exit code.
  PostQuitMessage(7);
  RemovePendingMessage(Window.Get(), Msg);
  bool Quit = false;
  while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE))
    if (M.message == WM_QUIT) {
      Quit = true;
      EXPECT_EQ(M.wParam, 7u);
    }
  EXPECT_TRUE(Quit);
}

void PumpMessages() {
  MSG M;
  while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&M);
}

HWND MakeTopWindow(const char* Title) {
  return CreateWindowExA(0, "STATIC", Title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 100, 80, nullptr, nullptr,
                         nullptr, nullptr);
}

// A window of a thread of its own, alive until Stop.
class TOtherThreadWindow {
public:
  TOtherThreadWindow() {
    FReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FThread = CreateThread(nullptr, 0, Run, this, 0, &FThreadId);
    WaitForSingleObject(FReady, 10000);
  }
  ~TOtherThreadWindow() {
    PostThreadMessageA(FThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(FThread, 10000);
    CloseHandle(FThread);
    CloseHandle(FReady);
  }
  HWND Wnd() const { return FWnd; }
  DWORD ThreadId() const { return FThreadId; }

private:
  HANDLE FReady = nullptr, FThread = nullptr;
  DWORD FThreadId = 0;
  HWND FWnd = nullptr;

  static DWORD WINAPI Run(void* Data) noexcept {
    auto* Self = static_cast<TOtherThreadWindow*>(Data);
    Self->FWnd = MakeTopWindow("other thread");
    SetEvent(Self->FReady);
    MSG M;
    while (GetMessageA(&M, nullptr, 0, 0) > 0) DispatchMessageA(&M);
    if (Self->FWnd != nullptr) DestroyWindow(Self->FWnd);
    return 0;
  }
};

TEST(VCLUtils, IsAppWindowActive) {
  const HWND Wnd = MakeTopWindow("active test");
  ASSERT_NE(Wnd, nullptr);
  SetForegroundWindow(Wnd);
  SetActiveWindow(Wnd);
  PumpMessages();
  ASSERT_EQ(GetActiveWindow(), Wnd);
  EXPECT_TRUE(IsAppWindowActive());
  DestroyWindow(Wnd);
  PumpMessages();
  ASSERT_EQ(GetActiveWindow(), nullptr);
  EXPECT_FALSE(IsAppWindowActive());

  // Sharing input with another thread, its window is the active one, but not one of ours.
  TOtherThreadWindow Other;
  ASSERT_NE(Other.Wnd(), nullptr);
  ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), Other.ThreadId(), TRUE));
  SetForegroundWindow(Other.Wnd());
  SetActiveWindow(Other.Wnd());
  PumpMessages();
  const HWND Active = GetActiveWindow();
  const bool OtherActive = Active == Other.Wnd();
  if (OtherActive) {
    EXPECT_FALSE(IsAppWindowActive());
  }
  AttachThreadInput(GetCurrentThreadId(), Other.ThreadId(), FALSE);
  if (!OtherActive) GTEST_SKIP() << "the system does not share the active window between attached threads";
}

TEST(VCLUtils, ShowNotImplemented) {
  TMessageBoxWatcher Watcher(IDOK);
  ASSERT_TRUE(Watcher.Installed());
  bool Aborted = false;
  try {
    ShowNotImplemented();
  } catch (const EAbort&) {
    Aborted = true;
  }
  EXPECT_TRUE(Aborted);
  EXPECT_EQ(Watcher.Seen, 1);
  EXPECT_EQ(Watcher.Text, "Function not yet implemented");
  EXPECT_EQ(Watcher.Caption, "helpers_vclutils");
}

TEST(RXConst, Cursors) {
  struct TCase {
    int Id;
    const char* Name;
    DWORD HotX, HotY;
  };
  const TCase Cases[] = {{crHand, "RX_HANDCUR", 6, 16}, {crDragHand, "RX_DRAGCUR", 15, 16}};
  EXPECT_EQ(crHand, 14000);
  EXPECT_EQ(crDragHand, 14001);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_STREQ(RxCursorResourceName(C.Id), C.Name);
    const HCURSOR Cursor = LoadRxCursor(C.Id);
    ASSERT_NE(Cursor, nullptr);
    ICONINFO Info{};
    ASSERT_TRUE(GetIconInfo(Cursor, &Info));
    EXPECT_FALSE(Info.fIcon);
    EXPECT_EQ(Info.xHotspot, C.HotX);
    EXPECT_EQ(Info.yHotspot, C.HotY);
    if (Info.hbmMask != nullptr) DeleteObject(Info.hbmMask);
    if (Info.hbmColor != nullptr) DeleteObject(Info.hbmColor);
  }
  EXPECT_EQ(RxCursorResourceName(0), nullptr);
  EXPECT_EQ(LoadRxCursor(14002), nullptr);
}

}  // namespace
