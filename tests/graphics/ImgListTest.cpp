// Image lists: adding bitmaps, masks and icons, drawing, removing, errors.
#include "classlib/core/ImgList.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"
#include "tests/graphics/GraphicsTestUtils.h"
#include "tests/support/Expect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr COLORREF Back = RGB(10, 20, 30);

// A 16 x 16 bitmap of Fill with a Square-coloured square from (4, 4) to (12, 12).
void MakeSquare(TBitmap& B, TColor Fill, TColor Square) {
  B.SetPixelFormat(pf24bit);
  B.SetSize(16, 16);
  B.Canvas().BrushColor = Fill;
  B.Canvas().FillRect(RECT{0, 0, 16, 16});
  B.Canvas().BrushColor = Square;
  B.Canvas().FillRect(RECT{4, 4, 12, 12});
}

// An icon whose left half is opaque Color and whose right half is transparent.
HICON MakeHalfIcon(COLORREF Color) {
  TBitmap Image(16, 16, pf32bit), Mask(16, 16, pf1bit);
  for (int Y = 0; Y < 16; ++Y) {
    auto* Row = static_cast<uint32_t*>(Image.ScanLine(Y));
    for (int X = 0; X < 16; ++X)
      Row[X] = X < 8 ? (0xFF000000u | (GetRValue(Color) << 16) | (GetGValue(Color) << 8) | GetBValue(Color)) : 0;
  }
  Mask.Canvas().BrushColor = clBlack;
  Mask.Canvas().FillRect(RECT{0, 0, 8, 16});  // mask: black opaque, white transparent
  Image.FreeContext();
  Mask.FreeContext();
  ICONINFO Info{TRUE, 0, 0, Mask.Handle(), Image.Handle()};
  return CreateIconIndirect(&Info);
}

COLORREF DrawnAt(TCustomImageList& List, int Index, int X, int Y, bool Enabled = true) {
  TSurface Surface(20, 20, Back);
  List.Draw(Surface.DC(), 0, 0, Index, Enabled);
  return Surface.At(X, Y);
}

TEST(ImageList, HandleIsMadeWhenNeeded) {
  TImageList List(16, 16);
  EXPECT_FALSE(List.HandleAllocated());
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(List.Width(), 16);
  EXPECT_TRUE(List.Masked());
  EXPECT_EQ(List.ColorDepth(), cd32Bit);
  ASSERT_NE(List.Handle(), nullptr);
  EXPECT_TRUE(List.HandleAllocated());
  int CX = 0, CY = 0;
  ImageList_GetIconSize(List.Handle(), &CX, &CY);
  EXPECT_EQ(CX, 16);
  EXPECT_EQ(CY, 16);
  TSurface Surface(4, 4, Back);
  TImageList Unmade;
  Unmade.Draw(Surface.DC(), 0, 0, 0);  // nothing to draw, no error
  EXPECT_FALSE(Unmade.HandleAllocated());
}

TEST(ImageList, AddWithMaskCutsTheStripIntoImages) {
  TImageList List(16, 16);
  TBitmap Strip(32, 16, pf24bit), Mask(32, 16, pf1bit);
  Strip.Canvas().BrushColor = clRed;
  Strip.Canvas().FillRect(RECT{0, 0, 16, 16});
  Strip.Canvas().BrushColor = clBlue;
  Strip.Canvas().FillRect(RECT{16, 0, 32, 16});
  Mask.Canvas().BrushColor = clBlack;  // opaque where black
  Mask.Canvas().FillRect(RECT{0, 0, 8, 16});
  Mask.Canvas().FillRect(RECT{16, 0, 24, 16});
  int Changes = 0;
  List.OnChange = [&](TObject*) { ++Changes; };
  EXPECT_EQ(List.Add(Strip, &Mask), 0);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 2, 2)), ColorText(RGB(255, 0, 0)));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 12, 2)), ColorText(Back));
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 2, 2)), ColorText(RGB(0, 0, 255)));
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 12, 2)), ColorText(Back));

  // The image list's background colour shows where images are transparent.
  List.SetBkColor(clYellow);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 12, 2)), ColorText(RGB(255, 255, 0)));
  List.SetBkColor(clNone);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 12, 2)), ColorText(Back));

  TBitmap Nothing;
  EXPECT_EQ(List.Add(Nothing, nullptr), -1);
  EXPECT_EQ(List.Count(), 2);
}

TEST(ImageList, AddMaskedByColourLeavesTheSourceAlone) {
  TImageList List(16, 16);
  TBitmap B;
  MakeSquare(B, clFuchsia, clLime);
  EXPECT_EQ(List.AddMasked(B, clFuchsia), 0);
  EXPECT_EQ(List.AddMasked(B, clDefault), 1);  // the bottom-left pixel's colour
  for (int I = 0; I < 2; ++I) {
    EXPECT_EQ(ColorText(DrawnAt(List, I, 1, 1)), ColorText(Back)) << I;
    EXPECT_EQ(ColorText(DrawnAt(List, I, 5, 5)), ColorText(RGB(0, 255, 0))) << I;
  }
  EXPECT_EQ(static_cast<COLORREF>(B.Canvas().Pixel(0, 0)), RGB(255, 0, 255));
}

TEST(ImageList, IconsInAndOut) {
  TImageList List(16, 16);
  HICON Half = MakeHalfIcon(RGB(200, 0, 100));
  ASSERT_NE(Half, nullptr);
  TIcon Icon;
  Icon.SetHandle(Half);
  EXPECT_EQ(List.AddIcon(Icon), 0);
  EXPECT_EQ(List.AddIcon(Icon.Handle()), 1);
  EXPECT_FALSE(Icon.Empty());  // the caller's icon stays
  EXPECT_EQ(List.AddIcon(nullptr), -1);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 2, 2)), ColorText(RGB(200, 0, 100)));
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 12, 2)), ColorText(Back));

  TIcon Out;
  List.GetIcon(0, Out);
  EXPECT_EQ(Out.Width(), 16);
  EXPECT_EQ(Out.Height(), 16);
  TSurface Surface(16, 16, Back);
  Out.Draw(Surface.DC(), RECT{0, 0, 16, 16});
  EXPECT_EQ(ColorText(Surface.At(2, 2)), ColorText(RGB(200, 0, 100)));
  EXPECT_EQ(ColorText(Surface.At(12, 2)), ColorText(Back));

  TBitmap Picture;
  Picture.Canvas().BrushColor = clWhite;
  List.GetBitmap(1, Picture);
  EXPECT_EQ(Picture.Width(), 16);
  EXPECT_EQ(static_cast<COLORREF>(Picture.Canvas().Pixel(2, 2)), RGB(200, 0, 100));
  EXPECT_EQ(static_cast<COLORREF>(Picture.Canvas().Pixel(12, 2)), RGB(255, 255, 255));
}

TEST(ImageList, DeleteClearAndIndexErrors) {
  TImageList List(16, 16);
  TBitmap Red, Blue;
  MakeSquare(Red, clRed, clRed);
  MakeSquare(Blue, clBlue, clBlue);
  List.Add(Red, nullptr);
  List.Add(Blue, nullptr);
  List.Add(Red, nullptr);
  List.Delete(0);
  ASSERT_EQ(List.Count(), 2);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 1, 1)), ColorText(RGB(0, 0, 255)));

  const std::string IndexError = LoadResString(SImageIndexError);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.Delete(2); }), IndexError);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.Delete(-2); }), IndexError);
  TIcon Icon;
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.GetIcon(5, Icon); }), IndexError);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.Replace(7, Red, nullptr); }), IndexError);

  List.Clear();
  EXPECT_EQ(List.Count(), 0);
  EXPECT_TRUE(List.HandleAllocated());
  List.Add(Red, nullptr);
  List.Delete(-1);
  EXPECT_EQ(List.Count(), 0);
}

TEST(ImageList, ReplaceKeepsTheIndex) {
  TImageList List(16, 16);
  TBitmap Red, Square;
  MakeSquare(Red, clRed, clRed);
  MakeSquare(Square, clFuchsia, clLime);
  List.Add(Red, nullptr);
  List.Add(Red, nullptr);
  List.ReplaceMasked(0, Square, clFuchsia);
  EXPECT_EQ(List.Count(), 2);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 1, 1)), ColorText(Back));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 5, 5)), ColorText(RGB(0, 255, 0)));
  List.Replace(0, Red, nullptr);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 1, 1)), ColorText(RGB(255, 0, 0)));
  TIcon Icon;
  Icon.SetHandle(MakeHalfIcon(RGB(1, 200, 3)));
  List.ReplaceIcon(1, Icon);
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 2, 2)), ColorText(RGB(1, 200, 3)));
  EXPECT_EQ(ColorText(DrawnAt(List, 1, 12, 2)), ColorText(Back));
}

TEST(ImageList, DisabledImagesAreEmbossed) {
  TImageList List(16, 16);
  TBitmap Red;
  MakeSquare(Red, clRed, clRed);
  List.Add(Red, nullptr);
  const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW), Highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 0, 0, false)), ColorText(Shadow));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 15, 15, false)), ColorText(Shadow));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 16, 16, false)), ColorText(Highlight));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 16, 0, false)), ColorText(Back));
  EXPECT_EQ(ColorText(DrawnAt(List, 0, 18, 18, false)), ColorText(Back));
}

TEST(ImageList, AssignAndAddImagesCopyEveryImage) {
  TImageList Source(16, 16);
  TBitmap Square;
  MakeSquare(Square, clFuchsia, clLime);
  Source.AddMasked(Square, clFuchsia);
  TIcon Half;
  Half.SetHandle(MakeHalfIcon(RGB(90, 80, 70)));
  Source.AddIcon(Half);
  TImageList Copy(32, 32);
  Copy.SetColorDepth(cd24Bit);
  Copy.Assign(&Source);
  EXPECT_EQ(Copy.Width(), 16);
  EXPECT_EQ(Copy.ColorDepth(), cd32Bit);
  ASSERT_EQ(Copy.Count(), 2);
  for (int I = 0; I < 2; ++I)
    for (int P : {1, 5, 12})
      EXPECT_EQ(ColorText(DrawnAt(Copy, I, P, 5)), ColorText(DrawnAt(Source, I, P, 5))) << I << " at " << P;
  Copy.AddImages(Source);
  EXPECT_EQ(Copy.Count(), 4);
}

TEST(ImageList, SettingsThatEmptyTheList) {
  TImageList List(16, 16);
  TBitmap Red;
  MakeSquare(Red, clRed, clRed);
  List.Add(Red, nullptr);
  List.SetColorDepth(cd8Bit);
  EXPECT_EQ(List.Count(), 0);
  List.Add(Red, nullptr);
  List.SetSize(24, 24);
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(List.Width(), 24);
  List.Add(Red, nullptr);
  List.SetMasked(false);
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.SetSize(0, 16); }), LoadResString(SInvalidImageSize));
  EXPECT_EQ(List.Width(), 24);
}

TEST(ImageList, ForeignHandlesAndSharing) {
  HIMAGELIST Foreign = ImageList_Create(24, 20, ILC_COLOR24 | ILC_MASK, 0, 4);
  ASSERT_NE(Foreign, nullptr);
  {
    TImageList List;
    List.ShareImages = true;
    List.SetHandle(Foreign);
    EXPECT_EQ(List.Width(), 24);
    EXPECT_EQ(List.Height(), 20);
    TBitmap B(24, 20, pf24bit);
    EXPECT_EQ(List.Add(B, nullptr), 0);
  }
  EXPECT_EQ(ImageList_GetImageCount(Foreign), 1);  // shared: not destroyed with the object
  TImageList Owner;
  Owner.SetHandle(Foreign);
  EXPECT_EQ(Owner.ReleaseHandle(), Foreign);
  EXPECT_FALSE(Owner.HandleAllocated());
  EXPECT_TRUE(ImageList_Destroy(Foreign));
}

TEST(ImageList, InvalidImageListWhenNoHandleCanBeMade) {
  // A size whose bitmaps cannot be had; the error is expected exactly when the system refuses.
  constexpr int Huge = 100000;
  HIMAGELIST Probe = ImageList_Create(Huge, Huge, ILC_COLOR32 | ILC_MASK, 0, 4);
  if (Probe) {
    ImageList_Destroy(Probe);
    GTEST_SKIP() << "the system made a " << Huge << " x " << Huge << " image list";
  }
  TImageList List(Huge, Huge);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.Handle(); }), LoadResString(SInvalidImageList));
  TBitmap B(2, 2);
  EXPECT_EQ(MessageOf<EInvalidOperation>([&] { List.Add(B, nullptr); }), LoadResString(SInvalidImageList));
  EXPECT_FALSE(List.HandleAllocated());
}

}  // namespace
