// The PNG picture: decoding of every colour type, errors, saving, drawing with transparency.
#include "classlib/core/PngImage.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"
#include "tests/support/TempDir.h"
#include "tests/graphics/GraphicsTestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// What the decoder must produce for pixel (X, Y) of S, as 0xAARRGGBB.
uint32_t ExpectedPixel(const TPngSpec& S, int X, int Y) {
  const unsigned Max = (1u << S.BitDepth) - 1;
  auto To8 = [&](unsigned V) -> uint32_t {
    if (S.BitDepth == 16) return static_cast<uint32_t>((V * 255 + 32767) / 65535);
    return static_cast<uint32_t>(V * 255 / Max);
  };
  uint32_t R = 0, G = 0, B = 0, A = 255;
  switch (S.ColorType) {
    case PNG_COLOR_TYPE_PALETTE: {
      const unsigned I = S.Sample(X, Y, 0);
      R = S.Palette[I].red;
      G = S.Palette[I].green;
      B = S.Palette[I].blue;
      if (I < S.PaletteAlpha.size()) A = S.PaletteAlpha[I];
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
      R = G = B = To8(S.Sample(X, Y, 0));
      if (S.HasTransColor && S.Sample(X, Y, 0) == S.TransColor.gray) A = 0;
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      R = G = B = To8(S.Sample(X, Y, 0));
      A = To8(S.Sample(X, Y, 1));
      break;
    case PNG_COLOR_TYPE_RGB:
      R = To8(S.Sample(X, Y, 0));
      G = To8(S.Sample(X, Y, 1));
      B = To8(S.Sample(X, Y, 2));
      if (S.HasTransColor && S.Sample(X, Y, 0) == S.TransColor.red && S.Sample(X, Y, 1) == S.TransColor.green &&
          S.Sample(X, Y, 2) == S.TransColor.blue)
        A = 0;
      break;
    default:
      R = To8(S.Sample(X, Y, 0));
      G = To8(S.Sample(X, Y, 1));
      B = To8(S.Sample(X, Y, 2));
      A = To8(S.Sample(X, Y, 3));
  }
  return (A << 24) | (R << 16) | (G << 8) | B;
}

// An image description whose samples run through the whole range of the bit depth, different per pixel and channel.
TPngSpec MakeSpec(int ColorType, int BitDepth, int Width, int Height, bool Interlaced = false) {
  TPngSpec S;
  S.ColorType = ColorType;
  S.BitDepth = BitDepth;
  S.Width = Width;
  S.Height = Height;
  S.Interlaced = Interlaced;
  const unsigned Max = (1u << BitDepth) - 1;
  unsigned Seed = 12345;
  for (int I = 0; I < Width * Height * S.Channels(); ++I) {
    Seed = Seed * 1103515245u + 12345u;
    S.Samples.push_back((Seed >> 8) % (Max + 1));
  }
  if (ColorType == PNG_COLOR_TYPE_PALETTE) {
    for (unsigned I = 0; I <= Max; ++I)
      S.Palette.push_back(png_color{static_cast<png_byte>(I * 37), static_cast<png_byte>(255 - I * 11),
                                    static_cast<png_byte>(I * 5 + 3)});
  }
  return S;
}

void LoadPng(TPNGObject& Png, const std::string& Data) {
  TStringStream Stream(Data);
  Png.LoadFromStream(Stream);
}

void ExpectPixels(const TPngSpec& S, const TPNGObject& Png) {
  ASSERT_EQ(Png.Width(), S.Width);
  ASSERT_EQ(Png.Height(), S.Height);
  for (int Y = 0; Y < S.Height; ++Y)
    for (int X = 0; X < S.Width; ++X)
      ASSERT_EQ(Png.Pixel(X, Y), ExpectedPixel(S, X, Y)) << "pixel " << X << "," << Y;
}

std::string PngError(const std::string& Reason) { return Format(LoadResString(SPNGInvalid), {Reason}); }

struct TDecodeCase {
  int ColorType, BitDepth;
  bool Interlaced;
};

class PngDecode : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(PngDecode, PixelsOfEveryColourTypeAndDepth) {
  const TDecodeCase C = GetParam();
  // Odd sizes so that packed rows end inside a byte and every Adam7 pass has pixels.
  TPngSpec S = MakeSpec(C.ColorType, C.BitDepth, 11, 9, C.Interlaced);
  const std::string Data = WritePng(S);
  ASSERT_FALSE(Data.empty());
  TPNGObject Png;
  LoadPng(Png, Data);
  ExpectPixels(S, Png);
  EXPECT_EQ(Png.HasAlpha(), C.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA || C.ColorType == PNG_COLOR_TYPE_RGB_ALPHA);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, PngDecode,
    ::testing::Values(TDecodeCase{PNG_COLOR_TYPE_PALETTE, 1, false}, TDecodeCase{PNG_COLOR_TYPE_PALETTE, 2, false},
                      TDecodeCase{PNG_COLOR_TYPE_PALETTE, 4, false}, TDecodeCase{PNG_COLOR_TYPE_PALETTE, 8, false},
                      TDecodeCase{PNG_COLOR_TYPE_GRAY, 1, false}, TDecodeCase{PNG_COLOR_TYPE_GRAY, 2, false},
                      TDecodeCase{PNG_COLOR_TYPE_GRAY, 4, false}, TDecodeCase{PNG_COLOR_TYPE_GRAY, 8, false},
                      TDecodeCase{PNG_COLOR_TYPE_GRAY, 16, false}, TDecodeCase{PNG_COLOR_TYPE_GRAY_ALPHA, 8, false},
                      TDecodeCase{PNG_COLOR_TYPE_GRAY_ALPHA, 16, false}, TDecodeCase{PNG_COLOR_TYPE_RGB, 8, false},
                      TDecodeCase{PNG_COLOR_TYPE_RGB, 16, false}, TDecodeCase{PNG_COLOR_TYPE_RGB_ALPHA, 8, false},
                      TDecodeCase{PNG_COLOR_TYPE_RGB_ALPHA, 16, false}, TDecodeCase{PNG_COLOR_TYPE_RGB_ALPHA, 8, true},
                      TDecodeCase{PNG_COLOR_TYPE_PALETTE, 4, true}, TDecodeCase{PNG_COLOR_TYPE_GRAY, 16, true}));

TEST(PngImage, PaletteTransparencyFromTRNS) {
  TPngSpec S = MakeSpec(PNG_COLOR_TYPE_PALETTE, 2, 4, 1);
  S.Samples = {0, 1, 2, 3};
  S.PaletteAlpha = {0, 128};  // entries 2 and 3 stay opaque
  TPNGObject Png;
  LoadPng(Png, WritePng(S));
  ExpectPixels(S, Png);
  EXPECT_EQ(Png.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(Png.Pixel(1, 0) >> 24, 128u);
  EXPECT_EQ(Png.Pixel(3, 0) >> 24, 255u);
  EXPECT_TRUE(Png.HasAlpha());
  EXPECT_TRUE(Png.Transparent());
}

TEST(PngImage, GreyAndRGBTransparentColour) {
  TPngSpec Grey = MakeSpec(PNG_COLOR_TYPE_GRAY, 8, 3, 1);
  Grey.Samples = {10, 20, 10};
  Grey.HasTransColor = true;
  Grey.TransColor.gray = 10;
  TPNGObject Png;
  LoadPng(Png, WritePng(Grey));
  ExpectPixels(Grey, Png);
  EXPECT_EQ(Png.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(Png.Pixel(1, 0) >> 24, 255u);

  TPngSpec Rgb = MakeSpec(PNG_COLOR_TYPE_RGB, 16, 2, 1);
  Rgb.Samples = {0x1234, 0x5678, 0x9ABC, 0xFFFF, 0x0101, 0x8080};
  Rgb.HasTransColor = true;
  Rgb.TransColor.red = 0x1234;
  Rgb.TransColor.green = 0x5678;
  Rgb.TransColor.blue = 0x9ABC;
  LoadPng(Png, WritePng(Rgb));
  ExpectPixels(Rgb, Png);
  EXPECT_EQ(Png.Pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(Png.Pixel(1, 0), 0xFFFF0180u);
}

TEST(PngImage, OpaqueImageIsNotTransparent) {
  TPngSpec S = MakeSpec(PNG_COLOR_TYPE_RGB, 8, 3, 2);
  TPNGObject Png;
  LoadPng(Png, WritePng(S));
  EXPECT_FALSE(Png.HasAlpha());
  EXPECT_FALSE(Png.Transparent());
  EXPECT_FALSE(Png.Empty());
}

TEST(PngImage, TruncatedFilesRaiseAtEveryLength) {
  const std::string Data = WritePng(MakeSpec(PNG_COLOR_TYPE_RGB_ALPHA, 8, 7, 5, true));
  ASSERT_GT(Data.size(), 60u);
  for (size_t Length = 0; Length < Data.size(); ++Length) {
    TPNGObject Png;
    std::string Message = "<none>";
    try {
      LoadPng(Png, Data.substr(0, Length));
    } catch (const EPNGError& E) {
      Message = E.Message();
    }
    const std::string Expected = PngError(LoadResString(Length < 8 ? SPNGSignature : SPNGTruncated));
    ASSERT_EQ(Message, Expected) << "length " << Length;
    EXPECT_TRUE(Png.Empty());
  }
}

TEST(PngImage, CorruptDataRaisesWithLibpngsReason) {
  const std::string Good = WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, 16, 16));
  // The first IDAT's data: a wrong checksum, then (with the checksum set right) broken zlib data.
  const size_t Idat = Good.find("IDAT");
  ASSERT_NE(Idat, std::string::npos);
  const uint32_t Length = (static_cast<unsigned char>(Good[Idat - 4]) << 24) |
                          (static_cast<unsigned char>(Good[Idat - 3]) << 16) |
                          (static_cast<unsigned char>(Good[Idat - 2]) << 8) | static_cast<unsigned char>(Good[Idat - 1]);
  std::string BadCrc = Good;
  BadCrc[Idat + 4 + Length / 2] ^= 0x55;
  std::string BadZlib = Good;
  BadZlib[Idat + 4] ^= 0x55;  // the zlib header
  uint32_t Crc = crc32(0, reinterpret_cast<const Bytef*>(BadZlib.data() + Idat), Length + 4);
  for (int I = 0; I < 4; ++I) BadZlib[Idat + 4 + Length + I] = static_cast<char>(Crc >> (24 - 8 * I));
  std::string BadHeader = Good;
  BadHeader[16 + 8] = 3;  // IHDR bit depth 3

  const std::string Prefix = PngError("");
  for (const std::string* Data : {&BadCrc, &BadZlib, &BadHeader}) {
    TPNGObject Png;
    try {
      LoadPng(Png, *Data);
      ADD_FAILURE() << "no exception";
    } catch (const EPNGError& E) {
      EXPECT_EQ(E.Message().compare(0, Prefix.size(), Prefix), 0) << E.Message();
      EXPECT_GT(E.Message().size(), Prefix.size()) << "a reason follows";
      EXPECT_NE(E.Message(), PngError(LoadResString(SPNGTruncated)));
    }
    EXPECT_TRUE(Png.Empty());
  }
}

TEST(PngImage, NotAPngAndFailedReloadLeaveItEmpty) {
  TPNGObject Png;
  LoadPng(Png, WritePng(MakeSpec(PNG_COLOR_TYPE_RGB, 8, 2, 2)));
  ASSERT_FALSE(Png.Empty());
  int Changes = 0;
  Png.OnChange = [&](TObject*) { ++Changes; };
  try {
    LoadPng(Png, "GIF89a not a png file");
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic& E) {
    EXPECT_EQ(E.Message(), PngError(LoadResString(SPNGSignature)));
  }
  EXPECT_TRUE(Png.Empty());
  EXPECT_EQ(Png.Width(), 0);
  EXPECT_EQ(Changes, 1);
}

TEST(PngImage, StreamPositionEndsAfterTheImage) {
  const std::string Data = WritePng(MakeSpec(PNG_COLOR_TYPE_GRAY, 8, 3, 3));
  TStringStream Stream(Data + "trailing");
  TPNGObject Png;
  Png.LoadFromStream(Stream);
  EXPECT_EQ(Stream.Position(), static_cast<long long>(Data.size()));
}

TEST(PngImage, SaveAndLoadAgainFromFile) {
  const uint32_t Pixels[6] = {0xFF102030, 0x80FFFFFF, 0x00000000, 0xFF00FF00, 0x01020304, 0xFEDCBA98};
  TPNGObject Png;
  Png.SetPixels(3, 2, Pixels);
  TTempDir Dir;
  Png.SaveToFile(Dir.File("a.png"));
  TPNGObject Back;
  Back.LoadFromFile(Dir.File("a.png"));
  ASSERT_EQ(Back.Width(), 3);
  ASSERT_EQ(Back.Height(), 2);
  for (int I = 0; I < 6; ++I) EXPECT_EQ(Back.Pixel(I % 3, I / 3), Pixels[I]) << I;

  // An opaque picture is stored as RGB (colour type 2 in IHDR), one with alpha as RGBA (6).
  TStringStream WithAlpha;
  Png.SaveToStream(WithAlpha);
  EXPECT_EQ(WithAlpha.DataString()[25], 6);
  const uint32_t Opaque[2] = {0xFF112233, 0xFF445566};
  Png.SetPixels(2, 1, Opaque);
  TStringStream WithoutAlpha;
  Png.SaveToStream(WithoutAlpha);
  EXPECT_EQ(WithoutAlpha.DataString()[25], 2);
  TPNGObject Again;
  LoadPng(Again, WithoutAlpha.DataString());
  EXPECT_EQ(Again.Pixel(1, 0), 0xFF445566u);
}

TEST(PngImage, MissingFileRaisesOpenError) {
  TTempDir Dir;
  TPNGObject Png;
  EXPECT_THROW(Png.LoadFromFile(Dir.File("missing.png")), EFOpenError);
}

// Transparent, opaque and half-transparent pixels over a coloured background.
class PngDraw : public ::testing::Test {
protected:
  static constexpr COLORREF Back = RGB(200, 100, 50);
  const uint32_t Pixels[3] = {0x00FF0000, 0xFF0000FF, 0x8000FF00};
  TPNGObject Png;
  void SetUp() override { Png.SetPixels(3, 1, Pixels); }
  static COLORREF Blend(COLORREF Over, int Alpha, COLORREF Under) {
    auto Mix = [&](int S, int D) { return (S * Alpha + D * (255 - Alpha)) / 255; };
    return RGB(Mix(GetRValue(Over), GetRValue(Under)), Mix(GetGValue(Over), GetGValue(Under)),
               Mix(GetBValue(Over), GetBValue(Under)));
  }
};

TEST_F(PngDraw, BlendsEachPixelByItsAlpha) {
  TSurface Surface(3, 1, Back);
  Png.Draw(Surface.DC(), RECT{0, 0, 3, 1});
  EXPECT_EQ(ColorText(Surface.At(0, 0)), ColorText(Back));
  EXPECT_EQ(ColorText(Surface.At(1, 0)), ColorText(RGB(0, 0, 255)));
  const COLORREF Half = Blend(RGB(0, 255, 0), 0x80, Back);
  EXPECT_LE(ColorDistance(Surface.At(2, 0), Half), 2) << ColorText(Surface.At(2, 0)) << " vs " << ColorText(Half);
}

TEST_F(PngDraw, StretchesIntoTheRectangle) {
  TSurface Surface(14, 6, RGB(0, 0, 0));
  Surface.Fill(Back);
  Png.Draw(Surface.DC(), RECT{1, 1, 13, 5});  // each source pixel becomes 4 x 4
  EXPECT_EQ(Surface.At(0, 0), Back);             // outside the rectangle
  EXPECT_EQ(Surface.At(13, 5), Back);
  for (int Y = 1; Y < 5; ++Y) {
    EXPECT_EQ(ColorText(Surface.At(2, Y)), ColorText(Back));
    EXPECT_EQ(ColorText(Surface.At(6, Y)), ColorText(RGB(0, 0, 255)));
    EXPECT_LE(ColorDistance(Surface.At(10, Y), Blend(RGB(0, 255, 0), 0x80, Back)), 2);
  }
}

TEST_F(PngDraw, WithoutTransparencyCopiesTheColours) {
  Png.SetTransparent(false);
  TSurface Surface(3, 1, Back);
  Png.Draw(Surface.DC(), RECT{0, 0, 3, 1});
  EXPECT_EQ(ColorText(Surface.At(0, 0)), ColorText(RGB(255, 0, 0)));
  EXPECT_EQ(ColorText(Surface.At(1, 0)), ColorText(RGB(0, 0, 255)));
  EXPECT_EQ(ColorText(Surface.At(2, 0)), ColorText(RGB(0, 255, 0)));
}

TEST_F(PngDraw, OntoABitmapCanvasAndIntoABitmap) {
  // A canvas draw on a screen-compatible bitmap, as the shell extension's check-mark bitmaps.
  TBitmap Target(3, 1);
  Target.Canvas().BrushColor = clWhite;
  Target.Canvas().FillRect(RECT{0, 0, 3, 1});
  Target.Canvas().Draw(0, 0, Png);
  EXPECT_EQ(ColorText(static_cast<COLORREF>(Target.Canvas().Pixel(0, 0))), ColorText(RGB(255, 255, 255)));
  EXPECT_EQ(ColorText(static_cast<COLORREF>(Target.Canvas().Pixel(1, 0))), ColorText(RGB(0, 0, 255)));

  // Assigned to a bitmap: the picture over white.
  TBitmap Copy;
  Copy.Assign(&Png);
  ASSERT_EQ(Copy.Width(), 3);
  EXPECT_EQ(Copy.PixelFormat(), pf24bit);
  EXPECT_EQ(ColorText(static_cast<COLORREF>(Copy.Canvas().Pixel(0, 0))), ColorText(RGB(255, 255, 255)));
  EXPECT_EQ(ColorText(static_cast<COLORREF>(Copy.Canvas().Pixel(1, 0))), ColorText(RGB(0, 0, 255)));
  EXPECT_LE(ColorDistance(static_cast<COLORREF>(Copy.Canvas().Pixel(2, 0)), Blend(RGB(0, 255, 0), 0x80, RGB(255, 255, 255))), 1);
  EXPECT_EQ(Copy.TransparentColor() & ~clPaletteRelative, clWhite);  // the bottom-left pixel
}

TEST(PngImage, AssignCopiesAndOtherSourcesAreRefused) {
  const uint32_t Pixels[2] = {0x80112233, 0xFF445566};
  TPNGObject A, B;
  A.SetPixels(2, 1, Pixels);
  B.Assign(&A);
  EXPECT_EQ(B.Pixel(0, 0), 0x80112233u);
  EXPECT_TRUE(B.Transparent());
  TIcon Icon;
  EXPECT_THROW(B.Assign(&Icon), EConvertError);
  B.Assign(nullptr);
  EXPECT_TRUE(B.Empty());
  EXPECT_THROW(A.ScanLine(1), EInvalidGraphicOperation);
  EXPECT_EQ(A.ScanLine(0)[1], 0xFF445566u);
}

}  // namespace
