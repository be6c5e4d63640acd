#include "controls/RxGraph.h"

#include "classlib/core/SysUtils.h"
#include "controls/GdiScope.h"
#include "controls/VCLUtils.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int PaletteBytes = 256 * sizeof(RGBQUAD);

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// ---------------------------------------------------------------------------------------------
// Level tables

const std::vector<uint8_t>& LevelValues(int Count) {
  static const std::vector<uint8_t> Four{0, 85, 170, 255};
  static const std::vector<uint8_t> Six{0, 51, 102, 153, 204, 255};
  static const std::vector<uint8_t> Seven{0, 43, 85, 128, 170, 213, 255};
  static const std::vector<uint8_t> Eight{0, 36, 73, 109, 146, 182, 219, 255};
  switch (Count) {
    case 4: return Four;
    case 6: return Six;
    case 7: return Seven;
    default: return Eight;
  }
}

std::array<uint8_t, 256> BuildNearest(int Count) {
  const std::vector<uint8_t>& Levels = LevelValues(Count);
  std::array<uint8_t, 256> Table{};
  for (int Value = 0; Value < 256; ++Value) {
    int Best = 0;
    for (int I = 1; I < Count; ++I)
      if (std::abs(Value - Levels[I]) < std::abs(Value - Levels[Best])) Best = I;
    Table[Value] = static_cast<uint8_t>(Best);
  }
  return Table;
}

// ---------------------------------------------------------------------------------------------
// Images: 24-bit source rows and 8-bit target rows, each padded to 4 bytes

struct TImage24 {
  int Width = 0, Height = 0;
  long long RowBytes = 0;
  const uint8_t* Bits = nullptr;
  const uint8_t* Pixel(int X, int Y) const { return Bits + Y * RowBytes + X * 3; }  // blue, green, red
};

struct TImage8 {
  int Width = 0, Height = 0;
  long long RowBytes = 0;
  uint8_t* Bits = nullptr;
  uint8_t& Index(int X, int Y) const { return Bits[Y * RowBytes + X]; }
};

using TPalette = std::array<RGBQUAD, 256>;

RGBQUAD Quad(int Red, int Green, int Blue) {
  return RGBQUAD{static_cast<BYTE>(Blue), static_cast<BYTE>(Green), static_cast<BYTE>(Red), 0};
}

void FillGrey(TPalette& Palette, int From) {
  for (int I = From; I < 256; ++I) Palette[I] = Quad(128, 128, 128);
}

// Truncation to fixed levels per channel; returns the colours used.
int Truncate(const TImage24& Source, const TImage8& Target, TPalette& Palette, int Reds, int Greens, int Blues) {
  const std::vector<uint8_t>& R = LevelValues(Reds);
  const std::vector<uint8_t>& G = LevelValues(Greens);
  const std::vector<uint8_t>& B = LevelValues(Blues);
  for (int Ri = 0; Ri < Reds; ++Ri)
    for (int Gi = 0; Gi < Greens; ++Gi)
      for (int Bi = 0; Bi < Blues; ++Bi) Palette[(Ri * Greens + Gi) * Blues + Bi] = Quad(R[Ri], G[Gi], B[Bi]);
  const int Used = Reds * Greens * Blues;
  FillGrey(Palette, Used);
  const auto& NR = NearestLevels(Reds);
  const auto& NG = NearestLevels(Greens);
  const auto& NB = NearestLevels(Blues);
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) {
      const uint8_t* P = Source.Pixel(X, Y);
      Target.Index(X, Y) = static_cast<uint8_t>((NR[P[2]] * Greens + NG[P[1]]) * Blues + NB[P[0]]);
    }
  return Used;
}

void TripleRamp(const TImage24& Source, const TImage8& Target, TPalette& Palette) {
  Palette.fill(Quad(0, 0, 0));
  for (int I = 0; I < 64; ++I) {
    Palette[I] = Quad(I * 4, 0, 0);
    Palette[64 + I] = Quad(0, I * 4, 0);
    Palette[128 + I] = Quad(0, 0, I * 4);
  }
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) {
      const uint8_t* P = Source.Pixel(X, Y);
      uint8_t Value;
      switch ((Y + X) % 3) {
        case 0: Value = static_cast<uint8_t>(P[2] / 4); break;
        case 1: Value = static_cast<uint8_t>(P[1] / 4 + 64); break;
        default: Value = static_cast<uint8_t>(P[0] / 4 + 128); break;
      }
      Target.Index(X, Y) = Value;
    }
}

void Grayscale(const TImage24& Source, const TImage8& Target, TPalette& Palette) {
  for (int I = 0; I < 256; ++I) Palette[I] = Quad(I, I, I);
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) {
      const uint8_t* P = Source.Pixel(X, Y);
      Target.Index(X, Y) = static_cast<uint8_t>((77 * P[2] + 150 * P[1] + 29 * P[0]) / 256);
    }
}

// ---------------------------------------------------------------------------------------------
// Popularity: a fixed-size colour cache with an open-addressing index

class TColorCache {
public:
  static constexpr int Capacity = 2049;
  static constexpr int Slots = 5191;
  static constexpr uint16_t Empty = 65535;

  struct TEntry {
    uint8_t Blue, Green, Red;
    long long Count;
    int Index;  // palette index
  };

  TColorCache() { Clear(); }
  void Clear() {
    FEntries.clear();
    FSlots.fill(Empty);
  }
  // Counts the colour; false when the cache is full and the colour is new.
  bool Add(uint8_t Red, uint8_t Green, uint8_t Blue) {
    uint16_t& Slot = FindSlot(Red, Green, Blue);
    if (Slot != Empty) {
      ++FEntries[Slot].Count;
      return true;
    }
    if (static_cast<int>(FEntries.size()) == Capacity) return false;
    Slot = static_cast<uint16_t>(FEntries.size());
    FEntries.push_back(TEntry{Blue, Green, Red, 1, -1});
    return true;
  }
  const TEntry& Find(uint8_t Red, uint8_t Green, uint8_t Blue) { return FEntries[FindSlot(Red, Green, Blue)]; }
  std::vector<TEntry>& Entries() { return FEntries; }

private:
  std::vector<TEntry> FEntries;
  std::array<uint16_t, Slots> FSlots;

  uint16_t& FindSlot(uint8_t Red, uint8_t Green, uint8_t Blue) {
    unsigned long long Hash = (static_cast<unsigned long long>(Red) + Green) * (static_cast<unsigned long long>(Green) + Blue) *
                              (static_cast<unsigned long long>(Blue) + Red);
    int Slot = static_cast<int>(Hash % Slots);
    while (FSlots[Slot] != Empty) {
      const TEntry& E = FEntries[FSlots[Slot]];
      if (E.Red == Red && E.Green == Green && E.Blue == Blue) break;
      Slot = (Slot + 1) % Slots;
    }
    return FSlots[Slot];
  }
};

uint8_t Coarser(uint8_t Mask) { return static_cast<uint8_t>(Mask << 1); }

void Popularity(const TImage24& Source, const TImage8& Target, TPalette& Palette, int Wanted) {
  auto Cache = std::make_unique<TColorCache>();
  uint8_t MaskR = 255, MaskG = 255, MaskB = 255;
  for (;;) {
    bool Overflow = false;
    for (int Y = 0; Y < Source.Height && !Overflow; ++Y)
      for (int X = 0; X < Source.Width && !Overflow; ++X) {
        const uint8_t* P = Source.Pixel(X, Y);
        Overflow = !Cache->Add(P[2] & MaskR, P[1] & MaskG, P[0] & MaskB);
      }
    if (!Overflow) break;
    Cache->Clear();
    if (MaskR < MaskG)
      MaskG = Coarser(MaskG);
    else if (MaskR <= MaskB)
      MaskB = Coarser(MaskB);
    else
      MaskR = Coarser(MaskR);
  }

  std::vector<TColorCache::TEntry>& Entries = Cache->Entries();
  const int Taken = std::min<int>(Wanted, static_cast<int>(Entries.size()));
  for (int I = 0; I < Taken; ++I) {
    TColorCache::TEntry* Best = nullptr;
    for (TColorCache::TEntry& E : Entries)
      if (E.Index < 0 && (Best == nullptr || E.Count > Best->Count)) Best = &E;
    Best->Count = 0;
    Best->Index = I;
    Palette[I] = Quad(Best->Red, Best->Green, Best->Blue);
  }
  FillGrey(Palette, Taken);
  for (TColorCache::TEntry& E : Entries) {
    if (E.Index >= 0) continue;
    long long BestDistance = -1;
    for (int I = 0; I < 256; ++I) {
      const long long DR = E.Red - Palette[I].rgbRed, DG = E.Green - Palette[I].rgbGreen,
                      DB = E.Blue - Palette[I].rgbBlue;
      const long long Distance = DR * DR + DG * DG + DB * DB;
      if (BestDistance < 0 || Distance < BestDistance) {
        BestDistance = Distance;
        E.Index = I;
      }
    }
  }
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) {
      const uint8_t* P = Source.Pixel(X, Y);
      Target.Index(X, Y) = static_cast<uint8_t>(Cache->Find(P[2] & MaskR, P[1] & MaskG, P[0] & MaskB).Index);
    }
}

// ---------------------------------------------------------------------------------------------
// Median cut over a 4-bit-per-channel histogram

struct TCell {
  uint8_t Channel[3];  // red, green, blue, 4 bits each
  long long Count;
};

struct TBox {
  int Lower[3];
  int Extent[3];
  std::vector<int> Colors;  // cell indexes
  long long Total = 0;
};

// Quicksort with insertion sort for short runs, by one channel of the cells.
void SortCells(std::vector<int>& Colors, int Low, int High, const std::vector<TCell>& Cells, int Channel) {
  auto Key = [&](int I) { return Cells[Colors[I]].Channel[Channel]; };
  while (High - Low + 1 >= 8) {
    const int Pivot = Key((Low + High) / 2);
    int I = Low, J = High;
    while (I <= J) {
      while (Key(I) < Pivot) ++I;
      while (Key(J) > Pivot) --J;
      if (I <= J) std::swap(Colors[I++], Colors[J--]);
    }
    if (J - Low < High - I) {
      SortCells(Colors, Low, J, Cells, Channel);
      Low = I;
    } else {
      SortCells(Colors, I, High, Cells, Channel);
      High = J;
    }
  }
  for (int I = Low + 1; I <= High; ++I) {
    const int Value = Colors[I];
    int J = I - 1;
    while (J >= Low && Cells[Colors[J]].Channel[Channel] > Cells[Value].Channel[Channel]) {
      Colors[J + 1] = Colors[J];
      --J;
    }
    Colors[J + 1] = Value;
  }
}

long long TotalOf(const std::vector<int>& Colors, const std::vector<TCell>& Cells) {
  long long Total = 0;
  for (int C : Colors) Total += Cells[C].Count;
  return Total;
}

int MedianCut(const TImage24& Source, const TImage8& Target, TPalette& Palette, int Wanted) {
  std::vector<TCell> Cells(4096);
  auto CellOf = [](const uint8_t* P) { return (P[2] >> 4) * 256 + (P[1] >> 4) * 16 + (P[0] >> 4); };
  for (int I = 0; I < 4096; ++I)
    Cells[I] = TCell{{static_cast<uint8_t>(I >> 8), static_cast<uint8_t>((I >> 4) & 15), static_cast<uint8_t>(I & 15)}, 0};
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) ++Cells[CellOf(Source.Pixel(X, Y))].Count;

  std::vector<TBox> Boxes(1);
  for (int C = 0; C < 3; ++C) {
    Boxes[0].Lower[C] = 0;
    Boxes[0].Extent[C] = 255;
  }
  for (int I = 0; I < 4096; ++I)
    if (Cells[I].Count > 0) Boxes[0].Colors.push_back(I);
  Boxes[0].Total = TotalOf(Boxes[0].Colors, Cells);

  while (static_cast<int>(Boxes.size()) < Wanted) {
    int BoxIndex = -1, Channel = 0, Largest = -1;
    for (int B = 0; B < static_cast<int>(Boxes.size()); ++B) {
      if (Boxes[B].Colors.size() <= 1) continue;
      for (int C = 0; C < 3; ++C)
        if (Boxes[B].Extent[C] > Largest) {
          Largest = Boxes[B].Extent[C];
          BoxIndex = B;
          Channel = C;
        }
    }
    if (BoxIndex < 0) break;
    TBox& Box = Boxes[BoxIndex];
    SortCells(Box.Colors, 0, static_cast<int>(Box.Colors.size()) - 1, Cells, Channel);
    // Split after the colour at which the running count reaches half the total, one colour at least on each side.
    size_t Split = 0;
    long long Running = 0;
    for (; Split < Box.Colors.size() - 1; ++Split) {
      Running += Cells[Box.Colors[Split]].Count;
      if (Running * 2 >= Box.Total) break;
    }
    Split = std::min(Split + 1, Box.Colors.size() - 1);
    TBox Upper;
    Upper.Colors.assign(Box.Colors.begin() + static_cast<std::ptrdiff_t>(Split), Box.Colors.end());
    Box.Colors.resize(Split);
    const int End = Box.Lower[Channel] + Box.Extent[Channel];
    for (int C = 0; C < 3; ++C) {
      Upper.Lower[C] = Box.Lower[C];
      Upper.Extent[C] = Box.Extent[C];
    }
    Box.Extent[Channel] = 16 * Cells[Box.Colors.back()].Channel[Channel] - Box.Lower[Channel];
    Upper.Lower[Channel] = 16 * Cells[Upper.Colors.front()].Channel[Channel];
    Upper.Extent[Channel] = End - Upper.Lower[Channel];
    Box.Total = TotalOf(Box.Colors, Cells);
    Upper.Total = TotalOf(Upper.Colors, Cells);
    Boxes.push_back(std::move(Upper));
  }

  std::vector<int> BoxOfCell(4096, 0);
  for (int B = 0; B < static_cast<int>(Boxes.size()); ++B) {
    long long Sum[3] = {0, 0, 0};
    for (int C : Boxes[B].Colors) {
      BoxOfCell[C] = B;
      for (int Ch = 0; Ch < 3; ++Ch) Sum[Ch] += Cells[C].Channel[Ch];
    }
    const long long N = std::max<long long>(1, static_cast<long long>(Boxes[B].Colors.size()));
    int Value[3];
    for (int Ch = 0; Ch < 3; ++Ch) Value[Ch] = static_cast<int>((16 * Sum[Ch] + 15) / N);
    if (Value[0] <= 16 && Value[1] <= 16 && Value[2] <= 16) Value[0] = Value[1] = Value[2] = 0;
    Palette[B] = Quad(std::min(Value[0], 255), std::min(Value[1], 255), std::min(Value[2], 255));
  }
  for (int Y = 0; Y < Source.Height; ++Y)
    for (int X = 0; X < Source.Width; ++X) Target.Index(X, Y) = static_cast<uint8_t>(BoxOfCell[CellOf(Source.Pixel(X, Y))]);
  return static_cast<int>(Boxes.size());
}

// ---------------------------------------------------------------------------------------------

int BitCountOf(TPixelFormat Format) {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf24bit: return 24;
    default: return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const std::array<uint8_t, 256>& NearestLevels(int LevelCount) {
  static const std::array<uint8_t, 256> Four = BuildNearest(4), Six = BuildNearest(6), Seven = BuildNearest(7),
                                        Eight = BuildNearest(8);
  switch (LevelCount) {
    case 4: return Four;
    case 6: return Six;
    case 7: return Seven;
    default: return Eight;
  }
}

TPixelFormat GetBitmapPixelFormat(const TBitmap& Bitmap) { return Bitmap.PixelFormat(); }

long long BytesPerScanLine(long long PixelsPerScanLine, long long BitsPerPixel, long long Alignment) {
  --Alignment;
  return ((PixelsPerScanLine * BitsPerPixel + Alignment) & ~Alignment) / 8;
}

long long WidthBytes(long long Bits) { return ((Bits + 31) / 32) * 4; }

int PixelFormatToColors(TPixelFormat PixelFormat) {
  switch (PixelFormat) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
  }
}

BITMAPINFOHEADER InitializeBitmapInfoHeader(HBITMAP Bitmap, TPixelFormat PixelFormat) {
  DIBSECTION DS{};
  const int Bytes = Bitmap != nullptr ? GetObjectA(Bitmap, sizeof(DS), &DS) : 0;
  if (Bytes == 0) InvalidBitmap();
  BITMAPINFOHEADER Header{};
  if (Bytes >= static_cast<int>(sizeof(DIBSECTION)) && DS.dsBmih.biSize >= sizeof(BITMAPINFOHEADER)) {
    Header = DS.dsBmih;
  } else {
    Header.biSize = sizeof(BITMAPINFOHEADER);
    Header.biWidth = DS.dsBm.bmWidth;
    Header.biHeight = DS.dsBm.bmHeight;
  }
  const int Bits = BitCountOf(PixelFormat);
  Header.biBitCount = static_cast<WORD>(Bits != 0 ? Bits : DS.dsBm.bmPlanes * DS.dsBm.bmBitsPixel);
  Header.biPlanes = 1;
  if (Header.biSizeImage == 0)
    Header.biSizeImage = static_cast<DWORD>(BytesPerScanLine(Header.biWidth, Header.biBitCount, 32) *
                                            std::abs(Header.biHeight));
  return Header;
}

void InternalGetDIBSizes(HBITMAP Bitmap, DWORD& InfoHeaderSize, DWORD& ImageSize, TPixelFormat PixelFormat) {
  const BITMAPINFOHEADER Header = InitializeBitmapInfoHeader(Bitmap, PixelFormat);
  if (Header.biBitCount <= 8)
    InfoHeaderSize = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * (1u << Header.biBitCount);
  else
    InfoHeaderSize = sizeof(BITMAPINFOHEADER) + (Header.biCompression == BI_BITFIELDS ? 12 : 0);
  ImageSize = Header.biSizeImage;
}

bool InternalGetDIB(HBITMAP Bitmap, HPALETTE Palette, BITMAPINFO& BitmapInfo, void* Bits, TPixelFormat PixelFormat) {
  BitmapInfo.bmiHeader = InitializeBitmapInfoHeader(Bitmap, PixelFormat);
  // GetDIBits converts to the requested depth only for an uncompressed request.
  if (BitmapInfo.bmiHeader.biBitCount <= 8 || BitmapInfo.bmiHeader.biBitCount == 24)
    BitmapInfo.bmiHeader.biCompression = BI_RGB;
  BitmapInfo.bmiHeader.biClrUsed = 0;
  TMemoryDC DC(nullptr);
  HPALETTE OldPalette = nullptr;
  if (Palette != nullptr) {
    OldPalette = SelectPalette(DC.Get(), Palette, FALSE);
    RealizePalette(DC.Get());
  }
  const int Lines = GetDIBits(DC.Get(), Bitmap, 0, static_cast<UINT>(std::abs(BitmapInfo.bmiHeader.biHeight)), Bits,
                              &BitmapInfo, DIB_RGB_COLORS);
  if (OldPalette != nullptr) SelectPalette(DC.Get(), OldPalette, FALSE);
  return Lines != 0;
}

std::vector<uint8_t> DIBFromBitmap(HBITMAP Bitmap, HPALETTE Palette, TPixelFormat PixelFormat) {
  DWORD InfoSize = 0, ImageSize = 0;
  InternalGetDIBSizes(Bitmap, InfoSize, ImageSize, PixelFormat);
  std::vector<uint8_t> Data(sizeof(BITMAPFILEHEADER) + InfoSize + ImageSize);
  auto* Info = reinterpret_cast<BITMAPINFO*>(Data.data() + sizeof(BITMAPFILEHEADER));
  if (!InternalGetDIB(Bitmap, Palette, *Info, Data.data() + sizeof(BITMAPFILEHEADER) + InfoSize, PixelFormat))
    InvalidBitmap();
  BITMAPFILEHEADER File{};
  File.bfType = 0x4D42;
  File.bfSize = static_cast<DWORD>(Data.size());
  File.bfOffBits = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + InfoSize);
  std::memcpy(Data.data(), &File, sizeof(File));
  return Data;
}

std::unique_ptr<TMemoryStream> CreateBitmapStream(TBitmap& Bitmap, TPixelFormat PixelFormat, TMappingMethod Method) {
  if (!Bitmap.HandleAllocated()) InvalidBitmap();
  auto Stream = std::make_unique<TMemoryStream>();
  if (GetBitmapPixelFormat(Bitmap) == PixelFormat && Method != mmGrayscale) {
    Bitmap.SaveToStream(*Stream);
    Stream->Seek(0, soFromBeginning);
    return Stream;
  }
  const int Bits = BitCountOf(PixelFormat);
  if (Bits == 0) ShowNotImplemented();
  // GetDIBits wants the bitmap selected into no DC.
  Bitmap.FreeContext();
  std::vector<uint8_t> Source = DIBFromBitmap(Bitmap.Handle(), nullptr, Bits == 8 ? pf24bit : PixelFormat);
  const auto* SourceHeader = reinterpret_cast<const BITMAPINFOHEADER*>(Source.data() + sizeof(BITMAPFILEHEADER));

  if (Bits == 24 && Method == mmGrayscale) {
    uint8_t* P = Source.data() + reinterpret_cast<const BITMAPFILEHEADER*>(Source.data())->bfOffBits;
    const long long RowBytes = BytesPerScanLine(SourceHeader->biWidth, 24, 32);
    for (int Y = 0; Y < std::abs(SourceHeader->biHeight); ++Y)
      for (int X = 0; X < SourceHeader->biWidth; ++X) {
        uint8_t* Pixel = P + Y * RowBytes + X * 3;
        const uint8_t Grey = static_cast<uint8_t>((77 * Pixel[2] + 150 * Pixel[1] + 29 * Pixel[0]) / 256);
        Pixel[0] = Pixel[1] = Pixel[2] = Grey;
      }
  }
  if (Bits != 8) {
    Stream->WriteBuffer(Source.data(), static_cast<int>(Source.size()));
    Stream->Seek(0, soFromBeginning);
    return Stream;
  }
  if (SourceHeader->biBitCount != 24) ShowNotImplemented();

  TImage24 Image;
  Image.Width = SourceHeader->biWidth;
  Image.Height = std::abs(SourceHeader->biHeight);
  Image.RowBytes = BytesPerScanLine(Image.Width, 24, 32);
  Image.Bits = Source.data() + reinterpret_cast<const BITMAPFILEHEADER*>(Source.data())->bfOffBits;

  BITMAPINFOHEADER Header{};
  Header.biSize = sizeof(BITMAPINFOHEADER);
  Header.biWidth = SourceHeader->biWidth;
  Header.biHeight = SourceHeader->biHeight;
  Header.biPlanes = 1;
  Header.biBitCount = 8;
  Header.biCompression = BI_RGB;
  const long long TargetRow = BytesPerScanLine(Image.Width, 8, 32);
  Header.biSizeImage = static_cast<DWORD>(TargetRow * Image.Height);
  std::vector<uint8_t> Target(Header.biSizeImage);
  TImage8 Indexes{Image.Width, Image.Height, TargetRow, Target.data()};

  TPalette Palette{};
  switch (Method) {
    case mmPopularity: Popularity(Image, Indexes, Palette, PixelFormatToColors(PixelFormat)); break;
    case mmMedianCut: Header.biClrUsed = static_cast<DWORD>(MedianCut(Image, Indexes, Palette, 256)); break;
    case mmQuantize: Header.biClrUsed = static_cast<DWORD>(Truncate(Image, Indexes, Palette, 7, 8, 4)); break;
    case mmTrunc666: Header.biClrUsed = static_cast<DWORD>(Truncate(Image, Indexes, Palette, 6, 6, 6)); break;
    case mmTripel: TripleRamp(Image, Indexes, Palette); break;
    case mmGrayscale: Grayscale(Image, Indexes, Palette); break;
  }

  BITMAPFILEHEADER File{};
  File.bfType = 0x4D42;
  File.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + PaletteBytes;
  File.bfSize = File.bfOffBits + Header.biSizeImage;
  Stream->WriteBuffer(&File, sizeof(File));
  Stream->WriteBuffer(&Header, sizeof(Header));
  Stream->WriteBuffer(Palette.data(), PaletteBytes);
  Stream->WriteBuffer(Target.data(), static_cast<int>(Target.size()));
  Stream->Seek(0, soFromBeginning);
  return Stream;
}
