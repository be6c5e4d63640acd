// Helpers of the graphics tests: colours, PNG files written with libpng; the memory surface to draw on.
#pragma once

#include <windows.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/Pixels.h"

inline std::string ColorText(COLORREF C) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof(Buffer), "#%02X%02X%02X", GetRValue(C), GetGValue(C), GetBValue(C));
  return Buffer;
}

// Largest difference of the three channels.
inline int ColorDistance(COLORREF A, COLORREF B) {
  auto D = [](int X, int Y) { return X > Y ? X - Y : Y - X; };
  int Result = D(GetRValue(A), GetRValue(B));
  if (D(GetGValue(A), GetGValue(B)) > Result) Result = D(GetGValue(A), GetGValue(B));
  if (D(GetBValue(A), GetBValue(B)) > Result) Result = D(GetBValue(A), GetBValue(B));
  return Result;
}

// A PNG image to write: samples row by row, channel by channel, in the file's bit depth.
struct TPngSpec {
  int Width = 1, Height = 1;
  int ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
  int BitDepth = 8;
  bool Interlaced = false;
  std::vector<unsigned> Samples;
  std::vector<png_color> Palette;
  std::vector<png_byte> PaletteAlpha;  // tRNS of a palette image
  bool HasTransColor = false;          // tRNS of a grey or RGB image
  png_color_16 TransColor{};

  int Channels() const {
    switch (ColorType) {
      case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
      case PNG_COLOR_TYPE_RGB: return 3;
      case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
      default: return 1;
    }
  }
  unsigned Sample(int X, int Y, int Channel) const {
    return Samples[(static_cast<size_t>(Y) * Width + X) * Channels() + Channel];
  }
};

namespace png_test_detail {

struct TWriteState {
  std::string* Out;
};

inline void Write(png_structp Png, png_bytep Data, size_t Count) {
  static_cast<TWriteState*>(png_get_io_ptr(Png))->Out->append(reinterpret_cast<const char*>(Data), Count);
}
inline void Flush(png_structp) {}

// Runs libpng's writer; holds no object with a destructor, as libpng may longjmp out of it.
inline bool WriteRows(const TPngSpec& S, png_bytepp Rows, TWriteState& State) {
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!Png) return false;
  png_infop Info = png_create_info_struct(Png);
  if (!Info || setjmp(png_jmpbuf(Png))) {
    png_destroy_write_struct(&Png, &Info);
    return false;
  }
  png_set_write_fn(Png, &State, Write, Flush);
  png_set_IHDR(Png, Info, S.Width, S.Height, S.BitDepth, S.ColorType,
               S.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!S.Palette.empty()) png_set_PLTE(Png, Info, S.Palette.data(), static_cast<int>(S.Palette.size()));
  if (!S.PaletteAlpha.empty())
    png_set_tRNS(Png, Info, S.PaletteAlpha.data(), static_cast<int>(S.PaletteAlpha.size()), nullptr);
  if (S.HasTransColor) png_set_tRNS(Png, Info, nullptr, 0, &S.TransColor);
  png_write_info(Png, Info);
  png_write_image(Png, Rows);
  png_write_end(Png, Info);
  png_destroy_write_struct(&Png, &Info);
  return true;
}

}  // namespace png_test_detail

// The PNG file of S ("" when libpng refused it).
inline std::string WritePng(const TPngSpec& S) {
  const int Channels = S.Channels();
  const size_t RowBytes = (static_cast<size_t>(S.Width) * Channels * S.BitDepth + 7) / 8;
  std::vector<std::vector<png_byte>> Packed(S.Height, std::vector<png_byte>(RowBytes, 0));
  for (int Y = 0; Y < S.Height; ++Y) {
    size_t Bit = 0;
    for (int X = 0; X < S.Width; ++X)
      for (int C = 0; C < Channels; ++C) {
        const unsigned V = S.Sample(X, Y, C);
        if (S.BitDepth == 16) {
          Packed[Y][Bit / 8] = static_cast<png_byte>(V >> 8);
          Packed[Y][Bit / 8 + 1] = static_cast<png_byte>(V & 0xFF);
        } else if (S.BitDepth == 8) {
          Packed[Y][Bit / 8] = static_cast<png_byte>(V);
        } else {
          const int Shift = 8 - S.BitDepth - static_cast<int>(Bit % 8);
          Packed[Y][Bit / 8] = static_cast<png_byte>(Packed[Y][Bit / 8] | (V << Shift));
        }
        Bit += static_cast<size_t>(S.BitDepth);
      }
  }
  std::vector<png_bytep> Rows(S.Height);
  for (int Y = 0; Y < S.Height; ++Y) Rows[Y] = Packed[Y].data();
  std::string Out;
  png_test_detail::TWriteState State{&Out};
  if (!png_test_detail::WriteRows(S, Rows.data(), State)) return std::string();
  return Out;
}
