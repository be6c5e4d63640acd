// A memory surface to draw on and read back pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// A top-down 32-bit DIB section selected into a memory DC.
class TSurface {
public:
  // Background: the first colour of every pixel; the default is one that no drawing of the tests uses.
  TSurface(int Width, int Height, COLORREF Background = RGB(1, 2, 3)) : FWidth(Width), FHeight(Height) {
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Bits = nullptr;
    FBitmap = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    FBits = static_cast<uint32_t*>(Bits);
    FDC = CreateCompatibleDC(nullptr);
    FOld = SelectObject(FDC, FBitmap);
    Fill(Background);
  }
  ~TSurface() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
  }
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  HDC DC() const { return FDC; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  void Fill(COLORREF Color) {
    HBRUSH Brush = CreateSolidBrush(Color);
    RECT R{0, 0, FWidth, FHeight};
    FillRect(FDC, &R, Brush);
    DeleteObject(Brush);
  }
  // The pixel as a COLORREF.
  COLORREF At(int X, int Y) const {
    GdiFlush();
    return ToColor(FBits[Y * FWidth + X]);
  }
  // Every pixel, row by row.
  std::vector<COLORREF> Pixels() const {
    GdiFlush();
    std::vector<COLORREF> Result;
    Result.reserve(static_cast<size_t>(FWidth) * FHeight);
    for (int I = 0; I < FWidth * FHeight; ++I) Result.push_back(ToColor(FBits[I]));
    return Result;
  }

private:
  static COLORREF ToColor(uint32_t P) { return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF); }

  int FWidth, FHeight;
  HBITMAP FBitmap = nullptr;
  uint32_t* FBits = nullptr;
  HDC FDC = nullptr;
  HGDIOBJ FOld = nullptr;
};
