// Bitmaps as packed device-independent bitmaps of a chosen pixel format, with six ways of reducing
// their colours to a 256-entry palette.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Graphics.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// How the colours of a 24-bit picture map to an 8-bit palette.
enum TMappingMethod {
  mmPopularity,  // the most frequent colours
  mmMedianCut,   // boxes of a 4-bit-per-channel histogram split at their pixel medians
  mmQuantize,    // fixed palette: 7 reds, 8 greens, 4 blues
  mmTrunc666,    // fixed palette: 6 levels per channel
  mmTripel,      // red, green and blue ramps, one channel per pixel in turn
  mmGrayscale    // 256 greys
};

TPixelFormat GetBitmapPixelFormat(const TBitmap& Bitmap);

// A new stream, positioned at 0, holding Bitmap as a packed DIB ("BM" file header first) in
// PixelFormat. EInvalidGraphic "Bitmap image is not valid" for a bitmap without a handle; formats
// other than 1, 4, 8 and 24 bits stop with ShowNotImplemented (EAbort after the box).
std::unique_ptr<TMemoryStream> CreateBitmapStream(TBitmap& Bitmap, TPixelFormat PixelFormat,
                                                  TMappingMethod Method);

// ((Pixels * BitsPerPixel + Alignment - 1) rounded down to a multiple of Alignment) / 8.
long long BytesPerScanLine(long long PixelsPerScanLine, long long BitsPerPixel, long long Alignment);
// ((Bits + 31) div 32) * 4.
long long WidthBytes(long long Bits);
// 2, 16 or 256 for 1-, 4- and 8-bit formats; 0 for the others.
int PixelFormatToColors(TPixelFormat PixelFormat);

// The BITMAPINFOHEADER that a DIB of Bitmap in PixelFormat has (the DIB section's own for a DIB);
// EInvalidGraphic "Bitmap image is not valid" for a handle GetObject rejects.
BITMAPINFOHEADER InitializeBitmapInfoHeader(HBITMAP Bitmap, TPixelFormat PixelFormat);
// The size of the info header with its colour table, and of the bits.
void InternalGetDIBSizes(HBITMAP Bitmap, DWORD& InfoHeaderSize, DWORD& ImageSize, TPixelFormat PixelFormat);
// GetDIBits of Bitmap into BitmapInfo's format (its header filled here) and Bits, through a memory
// DC with Palette selected and realised when given.
bool InternalGetDIB(HBITMAP Bitmap, HPALETTE Palette, BITMAPINFO& BitmapInfo, void* Bits, TPixelFormat PixelFormat);
// The bitmap as a packed DIB with its file header: "BM", size, offset of the bits, then the info
// header with its colour table, then the bits.
std::vector<uint8_t> DIBFromBitmap(HBITMAP Bitmap, HPALETTE Palette, TPixelFormat PixelFormat);

// The nearest-level tables: for every channel value the index of the nearest of 4, 6, 7 or 8 evenly
// spread levels (the first on a tie). Built once.
const std::array<uint8_t, 256>& NearestLevels(int LevelCount);
