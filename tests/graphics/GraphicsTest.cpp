// Colours, icons and bitmaps.
#include "classlib/core/Graphics.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"
#include "tests/support/TempDir.h"
#include "tests/graphics/GraphicsTestUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

COLORREF PixelOf(TBitmap& B, int X, int Y) { return static_cast<COLORREF>(B.Canvas().Pixel(X, Y)); }

TEST(Colors, ColorToRGB) {
  EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clHighlightText), static_cast<TColor>(GetSysColor(COLOR_HIGHLIGHTTEXT)));
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x8000000F)), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(clWindowText, static_cast<TColor>(0xFF000008));
}

// ---------------------------------------------------------------------------------------------
// Icons

std::string SystemFile(const char* Name) {
  char Dir[MAX_PATH] = {};
  GetSystemDirectoryA(Dir, MAX_PATH);
  return std::string(Dir) + "\\" + Name;
}

SIZE IconSize(HICON Icon) {
  ICONINFO Info{};
  SIZE Result{0, 0};
  if (!GetIconInfo(Icon, &Info)) return Result;
  BITMAP B{};
  if (Info.hbmColor && GetObjectA(Info.hbmColor, sizeof(B), &B)) {
    Result = SIZE{B.bmWidth, B.bmHeight};
  } else if (GetObjectA(Info.hbmMask, sizeof(B), &B)) {
    Result = SIZE{B.bmWidth, B.bmHeight / 2};
  }
  if (Info.hbmColor) DeleteObject(Info.hbmColor);
  DeleteObject(Info.hbmMask);
  return Result;
}

TEST(Icon, FromShell32ExtractIconEx) {
  const std::string Shell = SystemFile("shell32.dll");
  HICON Large = nullptr, Small = nullptr;
  const UINT N = ExtractIconExA(Shell.c_str(), 0, &Large, &Small, 1);
  ASSERT_TRUE(N == 1 || N == 2) << N;
  ASSERT_NE(Large, nullptr);
  ASSERT_NE(Small, nullptr);
  const SIZE LargeSize = IconSize(Large), SmallSize = IconSize(Small);

  TIcon Icon;
  EXPECT_TRUE(Icon.Empty());
  Icon.SetHandle(Large);
  EXPECT_FALSE(Icon.Empty());
  EXPECT_EQ(Icon.Width(), LargeSize.cx);
  EXPECT_EQ(Icon.Height(), LargeSize.cy);
  EXPECT_TRUE(Icon.Transparent());

  TIcon SmallIcon;
  SmallIcon.SetHandle(Small);
  EXPECT_EQ(SmallIcon.Width(), SmallSize.cx);
  EXPECT_EQ(SmallIcon.Height(), SmallSize.cy);

  // Drawn, the icon changes some pixels and leaves others (its transparent parts) alone.
  TSurface Surface(LargeSize.cx, LargeSize.cy, RGB(1, 2, 3));
  Icon.Draw(Surface.DC(), RECT{0, 0, LargeSize.cx, LargeSize.cy});
  int Changed = 0;
  for (int Y = 0; Y < LargeSize.cy; ++Y)
    for (int X = 0; X < LargeSize.cx; ++X) Changed += Surface.At(X, Y) != RGB(1, 2, 3);
  EXPECT_GT(Changed, 0);

  // Released, the handle survives the object; owned, it dies with it.
  HICON Released = Icon.ReleaseHandle();
  EXPECT_EQ(Released, Large);
  EXPECT_TRUE(Icon.Empty());
  EXPECT_EQ(Icon.Width(), 0);
  ICONINFO Info{};
  ASSERT_TRUE(GetIconInfo(Released, &Info));
  DeleteObject(Info.hbmColor);
  DeleteObject(Info.hbmMask);
  DestroyIcon(Released);
}

TEST(Icon, AssignCopiesTheIcon) {
  HICON Large = nullptr, Small = nullptr;
  const UINT N = ExtractIconExA(SystemFile("shell32.dll").c_str(), 0, &Large, &Small, 1);
  ASSERT_TRUE(N == 1 || N == 2);
  DestroyIcon(Large);
  TIcon A, B;
  A.SetHandle(Small);
  int Changes = 0;
  B.OnChange = [&](TObject*) { ++Changes; };
  B.Assign(&A);
  EXPECT_NE(B.Handle(), A.Handle());
  EXPECT_EQ(B.Width(), A.Width());
  EXPECT_EQ(Changes, 1);
  B.Assign(nullptr);
  EXPECT_TRUE(B.Empty());
  TBitmap Bitmap;
  EXPECT_THROW(B.Assign(&Bitmap), EConvertError);
}

// An .ico file: one 32-bit image per size, the left half opaque in the size's colour, the right
// half transparent (alpha 0 and the AND mask set).
COLORREF IcoColor(int Size) { return RGB(Size * 5, 255 - Size * 3, Size); }

std::string MakeIco(const std::vector<int>& Sizes) {
  std::string Dir, Images;
  auto Put16 = [](std::string& S, unsigned V) { S.push_back(static_cast<char>(V & 0xFF)); S.push_back(static_cast<char>(V >> 8)); };
  auto Put32 = [&](std::string& S, unsigned V) { Put16(S, V & 0xFFFF); Put16(S, V >> 16); };
  Put16(Dir, 0);
  Put16(Dir, 1);
  Put16(Dir, static_cast<unsigned>(Sizes.size()));
  const unsigned First = 6 + 16 * static_cast<unsigned>(Sizes.size());
  for (int Size : Sizes) {
    std::string Image;
    Put32(Image, 40);
    Put32(Image, Size);
    Put32(Image, 2 * Size);
    Put16(Image, 1);
    Put16(Image, 32);
    for (int I = 0; I < 6; ++I) Put32(Image, 0);
    const COLORREF C = IcoColor(Size);
    for (int Y = 0; Y < Size; ++Y)
      for (int X = 0; X < Size; ++X) {
        const bool Opaque = X < Size / 2;
        Image.push_back(static_cast<char>(GetBValue(C)));
        Image.push_back(static_cast<char>(GetGValue(C)));
        Image.push_back(static_cast<char>(GetRValue(C)));
        Image.push_back(static_cast<char>(Opaque ? 0xFF : 0));
      }
    const int Stride = ((Size + 31) / 32) * 4;
    for (int Y = 0; Y < Size; ++Y) {
      std::string Row(Stride, '\0');
      for (int X = Size / 2; X < Size; ++X) Row[X / 8] = static_cast<char>(Row[X / 8] | (0x80 >> (X % 8)));
      Image += Row;
    }
    Dir.push_back(static_cast<char>(Size));
    Dir.push_back(static_cast<char>(Size));
    Dir.push_back(0);
    Dir.push_back(0);
    Put16(Dir, 1);
    Put16(Dir, 32);
    Put32(Dir, static_cast<unsigned>(Image.size()));
    Put32(Dir, First + static_cast<unsigned>(Images.size()));
    Images += Image;
  }
  return Dir + Images;
}

TEST(Icon, LoadFromIcoFileTakesTheSizeNearestTheSystemIcon) {
  const std::vector<int> Sizes = {16, 32, 48};
  const int Wanted = GetSystemMetrics(SM_CXICON);
  int Expected = Sizes[0];
  for (int S : Sizes)
    if (std::abs(S - Wanted) < std::abs(Expected - Wanted)) Expected = S;

  TTempDir Dir;
  {
    TFileStream File(Dir.File("three.ico"), fmCreate);
    const std::string Data = MakeIco(Sizes);
    File.WriteBuffer(Data.data(), static_cast<int>(Data.size()));
  }
  TIcon Icon;
  Icon.LoadFromFile(Dir.File("three.ico"));
  ASSERT_EQ(Icon.Width(), Expected);
  EXPECT_EQ(Icon.Height(), Expected);

  const COLORREF Back = RGB(9, 99, 199);
  TSurface Surface(Expected, Expected, Back);
  Icon.Draw(Surface.DC(), RECT{0, 0, Expected, Expected});
  EXPECT_EQ(ColorText(Surface.At(1, 1)), ColorText(IcoColor(Expected)));
  EXPECT_EQ(ColorText(Surface.At(Expected / 2 - 1, Expected - 1)), ColorText(IcoColor(Expected)));
  EXPECT_EQ(ColorText(Surface.At(Expected - 1, 1)), ColorText(Back));
  EXPECT_EQ(ColorText(Surface.At(Expected / 2, Expected / 2)), ColorText(Back));

  // Saved and loaded again, it draws the same.
  TStringStream Saved;
  Icon.SaveToStream(Saved);
  Saved.SetPosition(0);
  TIcon Again;
  Again.LoadFromStream(Saved);
  ASSERT_EQ(Again.Width(), Expected);
  TSurface Second(Expected, Expected, Back);
  Again.Draw(Second.DC(), RECT{0, 0, Expected, Expected});
  for (int Y = 0; Y < Expected; ++Y)
    for (int X = 0; X < Expected; ++X) ASSERT_EQ(Second.At(X, Y), Surface.At(X, Y)) << X << "," << Y;
}

TEST(Icon, InvalidIcoRaisesAndLeavesItEmpty) {
  const std::string Good = MakeIco({16});
  const std::vector<std::string> Bad = {"", "abc", std::string("\0\0\2\0\1\0", 6) + Good.substr(6),
                                        Good.substr(0, 30), std::string("\0\0\1\0\0\0", 6)};
  for (const std::string& Data : Bad) {
    TIcon Icon;
    TStringStream Stream(Data);
    try {
      Icon.LoadFromStream(Stream);
      ADD_FAILURE() << "no exception for " << Data.size() << " bytes";
    } catch (const EInvalidGraphic& E) {
      EXPECT_EQ(E.Message(), LoadResString(SInvalidIcon));
    }
    EXPECT_TRUE(Icon.Empty());
  }
}

TEST(Icon, MissingResourceRaisesResNotFound) {
  TIcon Icon;
  try {
    Icon.LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_ICON");
    ADD_FAILURE() << "no exception";
  } catch (const EResNotFound& E) {
    EXPECT_EQ(E.Message(), Format(LoadResString(SResNotFound), {"NO_SUCH_ICON"}));
  }
  EXPECT_THROW(Icon.LoadFromResourceID(GetModuleHandleA(nullptr), 31999), EResNotFound);
  EXPECT_TRUE(Icon.Empty());
}

// ---------------------------------------------------------------------------------------------
// Bitmaps

TEST(Bitmap, SetSizeKeepsThePictureAndFillsWithTheBrush) {
  TBitmap B;
  EXPECT_TRUE(B.Empty());
  int Changes = 0;
  B.OnChange = [&](TObject*) { ++Changes; };
  B.SetSize(10, 8);
  EXPECT_EQ(Changes, 1);
  ASSERT_FALSE(B.Empty());
  EXPECT_EQ(B.Width(), 10);
  EXPECT_EQ(B.Height(), 8);
  EXPECT_EQ(B.PixelFormat(), pfDevice);
  EXPECT_EQ(B.HandleType(), bmDDB);
  EXPECT_EQ(PixelOf(B, 9, 7), RGB(255, 255, 255));  // a new bitmap takes the default white brush

  B.Canvas().BrushColor = clRed;
  B.Canvas().FillRect(RECT{0, 0, 10, 8});
  B.Canvas().BrushColor = clBlue;
  B.SetSize(20, 12);
  EXPECT_EQ(PixelOf(B, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(B, 15, 5), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(B, 5, 10), RGB(0, 0, 255));
  B.SetSize(4, 4);
  EXPECT_EQ(PixelOf(B, 3, 3), RGB(255, 0, 0));
  B.SetSize(0, 4);
  EXPECT_TRUE(B.Empty());
  EXPECT_EQ(B.Height(), 4);
}

class BitmapFormats : public ::testing::TestWithParam<TPixelFormat> {};

TEST_P(BitmapFormats, ConversionKeepsBlackAndWhitePixels) {
  const TPixelFormat Format = GetParam();
  TBitmap B(6, 4, pf24bit);
  B.Canvas().SetPixel(2, 1, clBlack);
  B.SetPixelFormat(Format);
  EXPECT_EQ(B.PixelFormat(), Format);
  const bool DIB = Format != pfDevice && Format != pf1bit;
  EXPECT_EQ(B.HandleType(), DIB ? bmDIB : bmDDB);
  EXPECT_EQ(B.Monochrome(), Format == pf1bit);
  EXPECT_EQ(B.Width(), 6);
  EXPECT_EQ(PixelOf(B, 2, 1), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(255, 255, 255));

  // Made with the format from the start.
  TBitmap C(3, 2, Format);
  EXPECT_EQ(C.PixelFormat(), Format);

  // Saved as .bmp and loaded again: the same pixels, as a DIB.
  TStringStream Saved;
  B.SaveToStream(Saved);
  ASSERT_EQ(Saved.DataString().substr(0, 2), "BM");
  Saved.SetPosition(0);
  TBitmap Back;
  Back.LoadFromStream(Saved);
  EXPECT_EQ(Back.HandleType(), bmDIB);
  if (DIB || Format == pf1bit) {
    EXPECT_EQ(Back.PixelFormat(), Format);
  }
  ASSERT_EQ(Back.Width(), 6);
  ASSERT_EQ(Back.Height(), 4);
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 6; ++X) EXPECT_EQ(PixelOf(Back, X, Y), PixelOf(B, X, Y)) << X << "," << Y;
}

INSTANTIATE_TEST_SUITE_P(All, BitmapFormats, ::testing::Values(pfDevice, pf1bit, pf15bit, pf16bit, pf24bit, pf32bit));

TEST(Bitmap, UnsupportedPixelFormatRaises) {
  TBitmap B(2, 2);
  for (TPixelFormat F : {pf4bit, pf8bit, pfCustom}) {
    try {
      B.SetPixelFormat(F);
      ADD_FAILURE() << "no exception for " << F;
    } catch (const EInvalidGraphicOperation& E) {
      EXPECT_EQ(E.Message(), LoadResString(SInvalidPixelFormat));
    }
  }
  EXPECT_EQ(B.PixelFormat(), pfDevice);
}

TEST(Bitmap, MonochromeConversionUsesBrushAndTextColours) {
  TBitmap B(4, 4, pf24bit);
  B.Canvas().BrushColor = clRed;
  B.Canvas().FillRect(RECT{0, 0, 4, 4});
  B.Canvas().SetPixel(1, 1, clGreen);
  B.SetMonochrome(true);  // the brush colour (red) becomes white, the rest black
  ASSERT_TRUE(B.Monochrome());
  EXPECT_EQ(B.PixelFormat(), pf1bit);
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(B, 1, 1), RGB(0, 0, 0));
  B.Canvas().BrushColor = clYellow;
  B.Canvas().TextColor = clBlue;
  B.SetMonochrome(false);  // white takes the brush colour, black the text colour
  EXPECT_FALSE(B.Monochrome());
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(255, 255, 0));
  EXPECT_EQ(PixelOf(B, 1, 1), RGB(0, 0, 255));
}

TEST(Bitmap, TransparentColourAndTransparentDrawing) {
  TBitmap Empty;
  EXPECT_EQ(Empty.TransparentColor(), clDefault);

  TBitmap B(4, 4, pf24bit);
  B.Canvas().BrushColor = clFuchsia;
  B.Canvas().FillRect(RECT{0, 0, 4, 4});
  B.Canvas().SetPixel(1, 1, clLime);
  EXPECT_EQ(B.TransparentMode(), tmAuto);
  EXPECT_EQ(B.TransparentColor(), clFuchsia | clPaletteRelative);  // the bottom-left pixel
  B.SetTransparent(true);

  const COLORREF Back = RGB(1, 2, 3);
  TSurface Surface(6, 6, Back);
  B.Draw(Surface.DC(), RECT{1, 1, 5, 5});
  EXPECT_EQ(ColorText(Surface.At(2, 2)), ColorText(RGB(0, 255, 0)));
  EXPECT_EQ(ColorText(Surface.At(1, 1)), ColorText(Back));
  EXPECT_EQ(ColorText(Surface.At(4, 4)), ColorText(Back));

  B.SetTransparentColor(clLime);
  EXPECT_EQ(B.TransparentMode(), tmFixed);
  TSurface Fixed(6, 6, Back);
  B.Draw(Fixed.DC(), RECT{1, 1, 5, 5});
  EXPECT_EQ(ColorText(Fixed.At(2, 2)), ColorText(Back));
  EXPECT_EQ(ColorText(Fixed.At(1, 1)), ColorText(RGB(255, 0, 255)));
  B.SetTransparentColor(clDefault);
  EXPECT_EQ(B.TransparentMode(), tmAuto);

  // A monochrome bitmap's transparent colour is white.
  TBitmap Mono(2, 2, pf1bit);
  EXPECT_EQ(Mono.TransparentColor() & ~clPaletteRelative, clWhite);
}

TEST(Bitmap, DrawStretchesAndCanvasDrawsOtherPictures) {
  TBitmap B(2, 1, pf32bit);
  B.Canvas().SetPixel(0, 0, clRed);
  B.Canvas().SetPixel(1, 0, clBlue);
  TSurface Surface(4, 2, RGB(0, 0, 0));
  B.Draw(Surface.DC(), RECT{0, 0, 4, 2});
  EXPECT_EQ(Surface.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(Surface.At(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(Surface.At(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(Surface.At(3, 1), RGB(0, 0, 255));

  // One bitmap drawn on another's canvas, at its own size and stretched; then CopyRect.
  TBitmap Target(6, 2, pf24bit);
  Target.Canvas().Draw(1, 0, B);
  EXPECT_EQ(PixelOf(Target, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(Target, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(Target, 2, 0), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(Target, 1, 1), RGB(255, 255, 255));
  Target.Canvas().StretchDraw(RECT{4, 0, 6, 2}, B);
  EXPECT_EQ(PixelOf(Target, 4, 1), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(Target, 5, 1), RGB(0, 0, 255));
  TBitmap Copy(2, 2, pf24bit);
  Copy.Canvas().CopyRect(RECT{0, 0, 2, 2}, Target.Canvas(), RECT{1, 0, 3, 2});
  EXPECT_EQ(PixelOf(Copy, 1, 0), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(Copy, 1, 1), RGB(255, 255, 255));
}

TEST(Bitmap, ScanLineReachesThePixels) {
  TBitmap B(3, 2, pf24bit);
  auto* Row = static_cast<unsigned char*>(B.ScanLine(1));
  Row[0] = 0x10;  // blue, green, red of pixel (0, 1)
  Row[1] = 0x20;
  Row[2] = 0x30;
  EXPECT_EQ(PixelOf(B, 0, 1), RGB(0x30, 0x20, 0x10));
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(255, 255, 255));
  EXPECT_THROW(B.ScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(B.ScanLine(-1), EInvalidGraphicOperation);

  TBitmap Device(2, 2);
  Device.Canvas().SetPixel(1, 0, clRed);
  auto* Top = static_cast<uint32_t*>(Device.ScanLine(0));  // becomes a DIB first
  EXPECT_EQ(Device.HandleType(), bmDIB);
  if (Device.PixelFormat() == pf32bit) {
    EXPECT_EQ(Top[1] & 0xFFFFFF, 0xFF0000u);
  }
  EXPECT_EQ(PixelOf(Device, 1, 0), RGB(255, 0, 0));
}

// A .bmp file: header, info header with Colors entries, then the bits.
std::string MakeBmp(int Width, int Height, int Bits, DWORD Compression, const std::vector<RGBQUAD>& Colors,
                    const std::string& Data) {
  BITMAPINFOHEADER H{};
  H.biSize = sizeof(H);
  H.biWidth = Width;
  H.biHeight = Height;
  H.biPlanes = 1;
  H.biBitCount = static_cast<WORD>(Bits);
  H.biCompression = Compression;
  H.biSizeImage = static_cast<DWORD>(Data.size());
  H.biClrUsed = static_cast<DWORD>(Colors.size());
  BITMAPFILEHEADER F{};
  F.bfType = 0x4D42;
  F.bfOffBits = static_cast<DWORD>(sizeof(F) + sizeof(H) + Colors.size() * sizeof(RGBQUAD));
  F.bfSize = static_cast<DWORD>(F.bfOffBits + Data.size());
  std::string Result(reinterpret_cast<const char*>(&F), sizeof(F));
  Result.append(reinterpret_cast<const char*>(&H), sizeof(H));
  Result.append(reinterpret_cast<const char*>(Colors.data()), Colors.size() * sizeof(RGBQUAD));
  return Result + Data;
}

TEST(Bitmap, LoadsPaletteAndRunLengthFiles) {
  const std::vector<RGBQUAD> Colors = {{0, 0, 255, 0}, {255, 0, 0, 0}};  // red, blue
  // 3 x 2, 8 bits: bottom row first, rows padded to 4 bytes.
  const std::string Rows("\0\1\0\0\1\1\0\0", 8);
  TStringStream Plain(MakeBmp(3, 2, 8, BI_RGB, Colors, Rows));
  TBitmap B;
  B.LoadFromStream(Plain);
  EXPECT_EQ(B.PixelFormat(), pf8bit);
  EXPECT_EQ(PixelOf(B, 0, 1), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(B, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(B, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(B, 2, 0), RGB(255, 0, 0));

  // RLE8, 4 x 2: bottom row 4 x index 1, end of line; top row 2 x 0, 2 x 1, end of bitmap.
  const std::string Rle("\4\1\0\0\2\0\2\1\0\1", 10);
  TStringStream Packed(MakeBmp(4, 2, 8, BI_RLE8, Colors, Rle));
  TBitmap R;
  R.LoadFromStream(Packed);
  ASSERT_EQ(R.Width(), 4);
  EXPECT_EQ(PixelOf(R, 0, 1), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(R, 3, 1), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(R, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(R, 3, 0), RGB(0, 0, 255));
}

TEST(Bitmap, InvalidFilesRaiseAndLeaveItEmpty) {
  const std::string Good = MakeBmp(3, 2, 8, BI_RGB, {{0, 0, 255, 0}, {255, 0, 0, 0}}, std::string(8, '\1'));
  std::string BadDepth = Good;
  BadDepth[14 + 14] = 7;  // biBitCount
  const std::vector<std::string> Bad = {"", "XX", "BM", Good.substr(0, Good.size() - 3), BadDepth,
                                        std::string("PK") + Good.substr(2)};
  for (const std::string& Data : Bad) {
    TBitmap B(2, 2);
    TStringStream Stream(Data);
    try {
      B.LoadFromStream(Stream);
      ADD_FAILURE() << "no exception for " << Data.size() << " bytes";
    } catch (const EInvalidGraphic& E) {
      EXPECT_EQ(E.Message(), LoadResString(SInvalidBitmap));
    }
    EXPECT_TRUE(B.Empty());
  }
}

TEST(Bitmap, LoadFromResources) {
  // comctl32's small standard toolbar bitmap and a predefined system bitmap (OBM_CHECK).
  HMODULE Comctl = GetModuleHandleA("comctl32.dll");
  ASSERT_NE(Comctl, nullptr);
  HBITMAP Reference = static_cast<HBITMAP>(LoadImageA(Comctl, MAKEINTRESOURCEA(120), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (Reference) {
    BITMAP R{};
    GetObjectA(Reference, sizeof(R), &R);
    TBitmap B;
    B.LoadFromResourceID(Comctl, 120);
    EXPECT_EQ(B.Width(), R.bmWidth);
    EXPECT_EQ(B.Height(), R.bmHeight);
    EXPECT_EQ(B.HandleType(), bmDIB);
    DeleteObject(Reference);
  }
  constexpr int ObmCheck = 32760;
  HBITMAP System = LoadBitmapA(nullptr, MAKEINTRESOURCEA(ObmCheck));
  ASSERT_NE(System, nullptr);
  BITMAP S{};
  GetObjectA(System, sizeof(S), &S);
  DeleteObject(System);
  TBitmap Check;
  Check.LoadFromResourceID(nullptr, ObmCheck);
  EXPECT_EQ(Check.Width(), S.bmWidth);
  EXPECT_EQ(Check.Height(), S.bmHeight);

  try {
    Check.LoadFromResourceName(Comctl, "NO_SUCH_BITMAP");
    ADD_FAILURE() << "no exception";
  } catch (const EResNotFound& E) {
    EXPECT_EQ(E.Message(), Format(LoadResString(SResNotFound), {"NO_SUCH_BITMAP"}));
  }
  try {
    Check.LoadFromResourceID(Comctl, 31999);
    ADD_FAILURE() << "no exception";
  } catch (const EResNotFound& E) {
    EXPECT_EQ(E.Message(), Format(LoadResString(SResNotFound), {"31999"}));
  }
}

TEST(Bitmap, AssignHandlesAndOwnership) {
  TBitmap A(3, 3, pf32bit);
  A.Canvas().SetPixel(2, 2, clTeal);
  A.SetTransparent(true);
  A.SetTransparentColor(clTeal);
  TBitmap B;
  B.Assign(&A);
  EXPECT_NE(B.Handle(), A.Handle());
  EXPECT_EQ(B.PixelFormat(), pf32bit);
  EXPECT_EQ(PixelOf(B, 2, 2), static_cast<COLORREF>(clTeal));
  EXPECT_TRUE(B.Transparent());
  EXPECT_EQ(B.TransparentColor(), clTeal);
  A.Canvas().SetPixel(2, 2, clRed);
  EXPECT_EQ(PixelOf(B, 2, 2), static_cast<COLORREF>(clTeal));

  HBITMAP Released = B.ReleaseHandle();
  EXPECT_TRUE(B.Empty());
  BITMAP Info{};
  EXPECT_EQ(GetObjectA(Released, sizeof(Info), &Info), static_cast<int>(sizeof(Info)));
  B.SetHandle(Released);  // owned again, with its size
  EXPECT_EQ(B.Width(), 3);
  EXPECT_EQ(B.HandleType(), bmDIB);
  B.Assign(nullptr);
  EXPECT_TRUE(B.Empty());
}

}  // namespace
