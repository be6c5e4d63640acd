// Bitmaps as 8-bit DIB streams by the six colour-reduction methods, the DIB helpers, the icon
// clipboard format and animated cursor files.
#include "controls/AniFile.h"
#include "controls/ClipIcon.h"
#include "controls/RxGraph.h"
#include "tests/helpers/MessageBoxWatcher.h"
#include "tests/support/Expect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

namespace {

// A 24-bit bitmap whose pixel (X, Y), Y counted from the top, is Color(X, Y).
std::unique_ptr<TBitmap> MakeBitmap(int Width, int Height, const std::function<COLORREF(int, int)>& Color) {
  auto Bitmap = std::make_unique<TBitmap>(Width, Height, pf24bit);
  for (int Y = 0; Y < Height; ++Y) {
    auto* Row = static_cast<uint8_t*>(Bitmap->ScanLine(Y));
    for (int X = 0; X < Width; ++X) {
      const COLORREF C = Color(X, Y);
      Row[X * 3] = GetBValue(C);
      Row[X * 3 + 1] = GetGValue(C);
      Row[X * 3 + 2] = GetRValue(C);
    }
  }
  return Bitmap;
}

// A converted stream read back: its headers, palette and 8-bit indexes (Y from the top).
struct TDib8 {
  BITMAPFILEHEADER File{};
  BITMAPINFOHEADER Info{};
  RGBQUAD Palette[256]{};
  std::vector<uint8_t> Bits;
  std::string Raw;

  explicit TDib8(TMemoryStream& Stream) {
    EXPECT_EQ(Stream.Position(), 0);
    Raw.assign(static_cast<const char*>(Stream.Memory()), static_cast<size_t>(Stream.Size()));
    if (Raw.size() < sizeof(File) + sizeof(Info) + sizeof(Palette)) {
      ADD_FAILURE() << "stream too short: " << Raw.size();
      return;
    }
    std::memcpy(&File, Raw.data(), sizeof(File));
    std::memcpy(&Info, Raw.data() + sizeof(File), sizeof(Info));
    std::memcpy(Palette, Raw.data() + sizeof(File) + sizeof(Info), sizeof(Palette));
    Bits.assign(Raw.begin() + File.bfOffBits, Raw.end());
  }
  int Index(int X, int Y) const {
    const int Row = Info.biHeight > 0 ? Info.biHeight - 1 - Y : Y;
    return Bits[static_cast<size_t>(Row) * static_cast<size_t>(BytesPerScanLine(Info.biWidth, 8, 32)) + X];
  }
  COLORREF Color(int I) const { return RGB(Palette[I].rgbRed, Palette[I].rgbGreen, Palette[I].rgbBlue); }
};

TDib8 Convert(TBitmap& Bitmap, TMappingMethod Method) {
  std::unique_ptr<TMemoryStream> Stream = CreateBitmapStream(Bitmap, pf8bit, Method);
  return TDib8(*Stream);
}

}  // namespace

TEST(DIBHelpers, SizesAndNearestLevels) {
  EXPECT_EQ(BytesPerScanLine(1, 24, 32), 4);
  EXPECT_EQ(BytesPerScanLine(3, 8, 32), 4);
  EXPECT_EQ(BytesPerScanLine(5, 8, 32), 8);
  EXPECT_EQ(BytesPerScanLine(9, 1, 8), 2);
  EXPECT_EQ(WidthBytes(33), 8);
  EXPECT_EQ(PixelFormatToColors(pf1bit), 2);
  EXPECT_EQ(PixelFormatToColors(pf4bit), 16);
  EXPECT_EQ(PixelFormatToColors(pf8bit), 256);
  EXPECT_EQ(PixelFormatToColors(pf24bit), 0);
  EXPECT_EQ(NearestLevels(8)[18], 0);  // a tie goes to the first level
  EXPECT_EQ(NearestLevels(8)[19], 1);
  EXPECT_EQ(NearestLevels(7)[42], 1);
  EXPECT_EQ(NearestLevels(6)[255], 5);
  EXPECT_EQ(NearestLevels(4)[128], 2);
}

TEST(CreateBitmapStream, FixedPalettes) {
  auto Bitmap = MakeBitmap(16, 16, [](int X, int Y) { return X < 8 ? RGB(255, 0, 0) : RGB(0, 200, 0); });
  struct TCase {
    TMappingMethod Method;
    DWORD ColorsUsed;
    int RedIndex;  // of pixel (0, 0)
  } Cases[] = {{mmTrunc666, 216, 180}, {mmQuantize, 224, 192}, {mmGrayscale, 0, 76}};
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Method);
    TDib8 Dib = Convert(*Bitmap, C.Method);
    EXPECT_EQ(Dib.Info.biBitCount, 8);
    EXPECT_EQ(Dib.Info.biClrUsed, C.ColorsUsed);
    EXPECT_EQ(Dib.Index(0, 0), C.RedIndex);
    if (C.ColorsUsed != 0) {
      for (DWORD I = C.ColorsUsed; I < 256; ++I) EXPECT_EQ(Dib.Color(static_cast<int>(I)), RGB(128, 128, 128)) << I;
    }
  }
  TDib8 Six = Convert(*Bitmap, mmTrunc666);
  EXPECT_EQ(Six.Color(180), RGB(255, 0, 0));
  EXPECT_EQ(Six.Color(Six.Index(9, 0)), RGB(0, 204, 0));
  TDib8 Grey = Convert(*Bitmap, mmGrayscale);
  EXPECT_EQ(Grey.Color(76), RGB(76, 76, 76));
  EXPECT_EQ(Grey.Index(9, 0), 150 * 200 / 256);
}

TEST(CreateBitmapStream, TripleRamp) {
  auto Bitmap = MakeBitmap(16, 16, [](int, int) { return RGB(40, 200, 100); });
  TDib8 Dib = Convert(*Bitmap, mmTripel);
  EXPECT_EQ(Dib.Index(1, 0), 114);  // green 200 / 4 + 64
  EXPECT_EQ(Dib.Index(0, 0), 10);   // red 40 / 4
  EXPECT_EQ(Dib.Index(2, 0), 153);  // blue 100 / 4 + 128
  EXPECT_EQ(Dib.Color(63), RGB(252, 0, 0));
  EXPECT_EQ(Dib.Color(64 + 10), RGB(0, 40, 0));
  EXPECT_EQ(Dib.Color(200), RGB(0, 0, 0));
}

TEST(CreateBitmapStream, MedianCutTwoColours) {
  auto Bitmap = MakeBitmap(16, 16, [](int X, int) { return X < 4 ? RGB(250, 250, 250) : RGB(0, 0, 160); });
  TDib8 Dib = Convert(*Bitmap, mmMedianCut);
  EXPECT_EQ(Dib.Info.biClrUsed, 2u);
  const int White = Dib.Index(0, 0), Blue = Dib.Index(15, 15);
  EXPECT_NE(White, Blue);
  // Each box colour: per channel (16 x the sum of its cells' 4-bit values + 15) div their number;
  // black only when all three channels are 16 or less.
  EXPECT_EQ(Dib.Color(White), RGB(255, 255, 255));
  EXPECT_EQ(Dib.Color(Blue), RGB(15, 15, 175));
  auto Dark = MakeBitmap(16, 16, [](int X, int) { return X < 4 ? RGB(10, 5, 0) : RGB(0, 0, 160); });
  TDib8 DarkDib = Convert(*Dark, mmMedianCut);
  EXPECT_EQ(DarkDib.Color(DarkDib.Index(0, 0)), RGB(0, 0, 0));
}

TEST(CreateBitmapStream, PopularityOrdersByFrequency) {
  // Five colours over 256 pixels: 100, 70, 50, 30 and 6 of them.
  const COLORREF Colors[] = {RGB(10, 20, 30), RGB(200, 0, 0), RGB(0, 0, 250), RGB(90, 90, 90), RGB(1, 2, 3)};
  auto ColorAt = [&](int X, int Y) {
    const int N = Y * 16 + X;
    return Colors[N < 30 ? 3 : N < 130 ? 0 : N < 200 ? 1 : N < 250 ? 2 : 4];
  };
  auto Bitmap = MakeBitmap(16, 16, ColorAt);
  TDib8 Dib = Convert(*Bitmap, mmPopularity);
  const int Expected[] = {0, 1, 2, 3, 4};
  for (int I = 0; I < 5; ++I) EXPECT_EQ(Dib.Color(I), Colors[Expected[I]]) << I;
  for (int I = 5; I < 256; ++I) EXPECT_EQ(Dib.Color(I), RGB(128, 128, 128)) << I;
  for (int Y = 0; Y < 16; ++Y)
    for (int X = 0; X < 16; ++X) ASSERT_EQ(Dib.Color(Dib.Index(X, Y)), ColorAt(X, Y)) << X << "," << Y;
}

TEST(CreateBitmapStream, PopularityPastTheCache) {
  // 4,096 distinct colours: the cache overflows and the masks get coarser until the colours fit.
  auto ColorAt = [](int X, int Y) { return RGB(X * 4, Y * 4, (X ^ Y) * 4); };
  auto Bitmap = MakeBitmap(64, 64, ColorAt);
  TDib8 Dib = Convert(*Bitmap, mmPopularity);
  std::set<int> Used;
  std::set<COLORREF> Palette;
  for (int Y = 0; Y < 64; ++Y)
    for (int X = 0; X < 64; ++X) Used.insert(Dib.Index(X, Y));
  EXPECT_EQ(Used.size(), 256u);
  // Every entry is an image colour with some low bits masked off.
  for (int I = 0; I < 256; ++I) {
    const COLORREF C = Dib.Color(I);
    Palette.insert(C);
    const int X = GetRValue(C) / 4, Y = GetGValue(C) / 4;
    EXPECT_LE(GetRValue(ColorAt(X, Y)) - GetRValue(C), 7) << I;
    EXPECT_LE(GetBValue(ColorAt(X, Y)) - GetBValue(C), 7) << I;
  }
  EXPECT_EQ(Palette.size(), 256u);
}

TEST(CreateBitmapStream, StreamsLoadBackWithThePalettesColours) {
  auto Bitmap = MakeBitmap(16, 16, [](int X, int Y) { return RGB(X * 16, Y * 16, 128); });
  for (TMappingMethod Method : {mmPopularity, mmMedianCut, mmQuantize, mmTrunc666, mmTripel, mmGrayscale}) {
    SCOPED_TRACE(Method);
    std::unique_ptr<TMemoryStream> Stream = CreateBitmapStream(*Bitmap, pf8bit, Method);
    TDib8 Dib(*Stream);
    EXPECT_EQ(Dib.Raw.substr(0, 2), "BM");
    EXPECT_EQ(Dib.File.bfOffBits, 14u + 40u + 1024u);
    EXPECT_EQ(Dib.File.bfSize, Dib.Raw.size());
    TBitmap Loaded;
    Loaded.LoadFromStream(*Stream);
    ASSERT_EQ(Loaded.Width(), 16);
    ASSERT_EQ(Loaded.Height(), 16);
    for (int Y : {0, 7, 15})
      for (int X : {0, 5, 15}) EXPECT_EQ(Loaded.Canvas().Pixel(X, Y), Dib.Color(Dib.Index(X, Y))) << X << "," << Y;
  }
}

TEST(CreateBitmapStream, OtherTargets) {
  auto Bitmap = MakeBitmap(8, 8, [](int X, int) { return X < 4 ? RGB(0, 0, 0) : RGB(255, 255, 255); });
  // The bitmap's own format: the bitmap saves itself.
  TMemoryStream Own;
  Bitmap->SaveToStream(Own);
  std::unique_ptr<TMemoryStream> Same = CreateBitmapStream(*Bitmap, pf24bit, mmPopularity);
  ASSERT_EQ(Same->Size(), Own.Size());
  EXPECT_EQ(std::memcmp(Same->Memory(), Own.Memory(), static_cast<size_t>(Own.Size())), 0);
  // 1 bit through the system's conversion.
  std::unique_ptr<TMemoryStream> Mono = CreateBitmapStream(*Bitmap, pf1bit, mmPopularity);
  TBitmap Loaded;
  Loaded.LoadFromStream(*Mono);
  EXPECT_EQ(Loaded.PixelFormat(), pf1bit);
  EXPECT_EQ(Loaded.Canvas().Pixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(Loaded.Canvas().Pixel(7, 0), RGB(255, 255, 255));
  // 24 bits in grey.
  auto Coloured = MakeBitmap(4, 4, [](int, int) { return RGB(255, 0, 0); });
  std::unique_ptr<TMemoryStream> Grey = CreateBitmapStream(*Coloured, pf24bit, mmGrayscale);
  TBitmap GreyLoaded;
  GreyLoaded.LoadFromStream(*Grey);
  EXPECT_EQ(GreyLoaded.Canvas().Pixel(1, 1), RGB(76, 76, 76));
}

TEST(CreateBitmapStream, Errors) {
  TBitmap Empty;
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { CreateBitmapStream(Empty, pf8bit, mmPopularity); }), "Bitmap image is not valid");
  EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { InitializeBitmapInfoHeader(reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(0x1234)), pf8bit); }), "Bitmap image is not valid");

  // A 16-bit target: the not-implemented box, then the silent abort; no stream.
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "needs a display";
  auto Bitmap = MakeBitmap(4, 4, [](int, int) { return RGB(1, 2, 3); });
  TMessageBoxWatcher Watcher(IDOK);
  ASSERT_TRUE(Watcher.Installed());
  std::unique_ptr<TMemoryStream> Stream;
  EXPECT_THROW(Stream = CreateBitmapStream(*Bitmap, pf16bit, mmPopularity), EAbort);
  EXPECT_EQ(Stream, nullptr);
  EXPECT_EQ(Watcher.Seen, 1);
  EXPECT_EQ(Watcher.Text, "Function not yet implemented");
}

TEST(ClipIcon, FormatHoldsIcons) {
  EXPECT_EQ(ClipboardGraphic(0xC123), nullptr);
  const UINT Format = InitClipIcon();
  ASSERT_NE(Format, 0u);
  EXPECT_EQ(IconClipboardFormat(), Format);
  EXPECT_EQ(InitClipIcon(), Format);
  TGraphicFactory Factory = ClipboardGraphic(Format);
  ASSERT_NE(Factory, nullptr);
  std::unique_ptr<TGraphic> Graphic = Factory();
  EXPECT_NE(dynamic_cast<TIcon*>(Graphic.get()), nullptr);
}

namespace {

// An .ico file of one 16 x 16 icon in Color.
std::string IconFile(COLORREF Color) {
  auto Bitmap = MakeBitmap(16, 16, [&](int, int) { return Color; });
  Bitmap->FreeContext();
  TBitmap Mask(16, 16, pf1bit);
  Mask.Canvas().BrushColor = clBlack;
  Mask.Canvas().FillRect(RECT{0, 0, 16, 16});
  Mask.FreeContext();
  ICONINFO Info{TRUE, 0, 0, Mask.Handle(), Bitmap->Handle()};
  TIcon Icon;
  Icon.SetHandle(CreateIconIndirect(&Info));
  TMemoryStream Stream;
  Icon.SaveToStream(Stream);
  return std::string(static_cast<const char*>(Stream.Memory()), static_cast<size_t>(Stream.Size()));
}

std::string Chunk(const char* Tag, const std::string& Body) {
  std::string Result(Tag, 4);
  const uint32_t Size = static_cast<uint32_t>(Body.size());
  Result.append(reinterpret_cast<const char*>(&Size), 4);
  Result += Body;
  if (Body.size() & 1) Result += '\0';
  return Result;
}

std::string Dwords(std::initializer_list<uint32_t> Values) {
  std::string Result;
  for (uint32_t V : Values) Result.append(reinterpret_cast<const char*>(&V), 4);
  return Result;
}

std::string AniFile(const std::vector<COLORREF>& Frames, const std::string& Extra) {
  // anih: size, frames, steps, width, height, bit count, planes, display rate, flags (icon images).
  std::string Body = "ACON" + Chunk("anih", Dwords({36, static_cast<uint32_t>(Frames.size()), 3, 0, 0, 0, 0, 7, 1}));
  Body += Extra;
  std::string List = "fram";
  for (COLORREF C : Frames) List += Chunk("icon", IconFile(C));
  Body += Chunk("LIST", List);
  return Chunk("RIFF", Body);
}

COLORREF CenterOf(TIcon& Icon) {
  TBitmap Surface(16, 16, pf24bit);
  Surface.Canvas().BrushColor = clWhite;
  Surface.Canvas().FillRect(RECT{0, 0, 16, 16});
  DrawIconEx(Surface.DC(), 0, 0, Icon.Handle(), 16, 16, 0, nullptr, DI_NORMAL);
  return Surface.Canvas().Pixel(8, 8);
}

}  // namespace

TEST(AnimatedCursor, FramesAndRates) {
  const std::vector<COLORREF> Colors = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  TStringStream File(AniFile(Colors, Chunk("rate", Dwords({10, 20, 30}))));
  TAnimatedCursorImage Ani;
  Ani.LoadFromStream(File);
  ASSERT_EQ(Ani.FrameCount(), 3);
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(Ani.FrameImage(I).Width(), 16) << I;
    EXPECT_EQ(CenterOf(Ani.FrameImage(I)), Colors[I]) << I;
  }
  EXPECT_EQ(Ani.Frame(1).JiffRate, 20u);
  EXPECT_EQ(MessageOf<EListError>([&] { Ani.Frame(3); }), "List index out of bounds (3)");

  // A sequence shows the images in its order; without rates each step takes the header's rate.
  TStringStream Sequenced(AniFile(Colors, Chunk("seq ", Dwords({2, 0}))));
  Ani.LoadFromStream(Sequenced);
  ASSERT_EQ(Ani.FrameCount(), 2);
  EXPECT_EQ(CenterOf(Ani.FrameImage(0)), Colors[2]);
  EXPECT_EQ(Ani.Frame(0).IconIndex, 2);
  EXPECT_EQ(Ani.Frame(1).JiffRate, 7u);
}

TEST(AnimatedCursor, BadFiles) {
  const std::string Good = AniFile({RGB(1, 1, 1)}, "");
  const std::string Cases[] = {"", "RIFF\4\0\0\0WAVE", Good.substr(0, Good.size() - 10),
                               AniFile({RGB(1, 1, 1)}, Chunk("seq ", Dwords({5})))};
  for (const std::string& Data : Cases) {
    TAnimatedCursorImage Ani;
    TStringStream Stream(Data);
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Ani.LoadFromStream(Stream); }), "Animated cursor image is not valid");
    EXPECT_EQ(Ani.FrameCount(), 0);
  }
}
