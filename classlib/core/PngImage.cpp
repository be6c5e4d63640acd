// The PNG picture on libpng. libpng reports errors by longjmp: the frames that call it hold no
// object with a destructor, and the C++ exceptions are thrown only after control is back here.
#include "classlib/core/PngImage.h"

#include "classlib/core/ResStrings.h"
#include "resources/strings/Graphics.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

namespace {

constexpr unsigned long long MaxPixels = 64ULL * 1024 * 1024;  // 256 MiB of 32-bit pixels

[[noreturn]] void RaisePng(const std::string& Reason) {
  throw EPNGError(Format(LoadResString(SPNGInvalid), {Reason}));
}

// ---- decoding -------------------------------------------------------------------------------

// What the decoder works on and hands back. Allocated by the caller, so that a longjmp out of
// libpng never skips a destructor.
struct TPngDecoder {
  const unsigned char* Data = nullptr;
  size_t Size = 0;
  size_t Position = 0;
  bool Truncated = false, TooLarge = false, OutOfMemory = false;
  char Message[256] = {};
  png_uint_32 Width = 0, Height = 0;
  std::vector<uint32_t>* Pixels = nullptr;
  std::vector<png_bytep>* Rows = nullptr;
};

void PngError(png_structp Png, png_const_charp Message) {
  auto* D = static_cast<TPngDecoder*>(png_get_error_ptr(Png));
  if (D && D->Message[0] == '\0' && Message) {
    std::strncpy(D->Message, Message, sizeof(D->Message) - 1);
  }
  png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp Png, png_bytep Buffer, size_t Count) {
  auto* D = static_cast<TPngDecoder*>(png_get_io_ptr(Png));
  if (D->Size - D->Position < Count) {
    D->Truncated = true;
    png_error(Png, "truncated");
  }
  std::memcpy(Buffer, D->Data + D->Position, Count);
  D->Position += Count;
}

// Sizes the caller's buffers; false when memory runs out.
bool AllocateImage(TPngDecoder& D) noexcept {
  try {
    D.Pixels->assign(static_cast<size_t>(D.Width) * D.Height, 0);
    D.Rows->resize(D.Height);
    for (png_uint_32 Y = 0; Y < D.Height; ++Y)
      (*D.Rows)[Y] = reinterpret_cast<png_bytep>(D.Pixels->data() + static_cast<size_t>(Y) * D.Width);
    return true;
  } catch (...) {
    return false;
  }
}

// 0 on success, 1 when libpng stopped with an error, 2 when its structures could not be made.
int DecodePng(TPngDecoder& D) {
  png_structp Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &D, PngError, PngWarning);
  if (!Png) return 2;
  png_infop Info = png_create_info_struct(Png);
  if (!Info) {
    png_destroy_read_struct(&Png, nullptr, nullptr);
    return 2;
  }
  if (setjmp(png_jmpbuf(Png))) {
    png_destroy_read_struct(&Png, &Info, nullptr);
    return 1;
  }
  png_set_read_fn(Png, &D, PngRead);
  png_read_info(Png, Info);

  png_uint_32 Width = 0, Height = 0;
  int BitDepth = 0, ColorType = 0, Interlace = 0;
  png_get_IHDR(Png, Info, &Width, &Height, &BitDepth, &ColorType, &Interlace, nullptr, nullptr);
  if (static_cast<unsigned long long>(Width) * Height > MaxPixels) {
    D.TooLarge = true;
    png_error(Png, "too large");
  }
  if (ColorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(Png);
  if (ColorType == PNG_COLOR_TYPE_GRAY && BitDepth < 8) png_set_expand_gray_1_2_4_to_8(Png);
  if (png_get_valid(Png, Info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(Png);
  if (BitDepth == 16) png_set_scale_16(Png);
  if (ColorType == PNG_COLOR_TYPE_GRAY || ColorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(Png);
  png_set_bgr(Png);
  png_set_filler(Png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(Png);
  png_read_update_info(Png, Info);
  if (png_get_rowbytes(Png, Info) != static_cast<size_t>(Width) * 4) png_error(Png, "unexpected row format");

  D.Width = Width;
  D.Height = Height;
  if (!AllocateImage(D)) {
    D.OutOfMemory = true;
    png_error(Png, "out of memory");
  }
  png_read_image(Png, D.Rows->data());
  png_read_end(Png, nullptr);
  png_destroy_read_struct(&Png, &Info, nullptr);
  return 0;
}

// ---- encoding -------------------------------------------------------------------------------

struct TPngEncoder {
  std::vector<unsigned char>* Output = nullptr;
  bool OutOfMemory = false;
  char Message[256] = {};
  png_uint_32 Width = 0, Height = 0;
  bool Alpha = false;
  png_bytepp Rows = nullptr;
};

void PngWrite(png_structp Png, png_bytep Buffer, size_t Count) {
  auto* E = static_cast<TPngEncoder*>(png_get_io_ptr(Png));
  bool Failed = false;
  try {
    E->Output->insert(E->Output->end(), Buffer, Buffer + Count);
  } catch (...) {
    Failed = true;
  }
  if (Failed) {
    E->OutOfMemory = true;
    png_error(Png, "out of memory");
  }
}

void PngFlush(png_structp) {}

void PngEncodeError(png_structp Png, png_const_charp Message) {
  auto* E = static_cast<TPngEncoder*>(png_get_error_ptr(Png));
  if (E && E->Message[0] == '\0' && Message) std::strncpy(E->Message, Message, sizeof(E->Message) - 1);
  png_longjmp(Png, 1);
}

int EncodePng(TPngEncoder& E) {
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &E, PngEncodeError, PngWarning);
  if (!Png) return 2;
  png_infop Info = png_create_info_struct(Png);
  if (!Info) {
    png_destroy_write_struct(&Png, nullptr);
    return 2;
  }
  if (setjmp(png_jmpbuf(Png))) {
    png_destroy_write_struct(&Png, &Info);
    return 1;
  }
  png_set_write_fn(Png, &E, PngWrite, PngFlush);
  png_set_IHDR(Png, Info, E.Width, E.Height, 8, E.Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  png_set_bgr(Png);
  if (!E.Alpha) png_set_filler(Png, 0, PNG_FILLER_AFTER);
  png_write_image(Png, E.Rows);
  png_write_end(Png, Info);
  png_destroy_write_struct(&Png, &Info);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TPNGObject::TPNGObject() = default;

TPNGObject::~TPNGObject() { FreeCache(); }

void TPNGObject::FreeCache() {
  if (FCache) DeleteObject(FCache);
  FCache = nullptr;
}

void TPNGObject::Update() {
  FHasAlpha = std::any_of(FPixels.begin(), FPixels.end(), [](uint32_t P) { return (P >> 24) != 0xFF; });
  FTransparent = FHasAlpha;
  FreeCache();
  Changed();
}

void TPNGObject::Clear() {
  FWidth = FHeight = 0;
  FPixels.clear();
  Update();
}

void TPNGObject::LoadFromStream(TStream& Stream) {
  const bool WasEmpty = Empty();
  FWidth = FHeight = 0;
  FPixels.clear();
  FHasAlpha = FTransparent = false;
  FreeCache();
  try {
    const long long Start = Stream.Position();
    const long long Rest = Stream.Size() - Start;
    if (Rest > 0x7FFFFFFF) RaisePng(LoadResString(SPNGTooLarge));
    std::vector<unsigned char> Data(static_cast<size_t>(std::max(Rest, 0LL)));
    if (!Data.empty()) Data.resize(static_cast<size_t>(std::max(Stream.Read(Data.data(), static_cast<int>(Data.size())), 0)));
    if (Data.size() < 8 || png_sig_cmp(Data.data(), 0, 8) != 0) RaisePng(LoadResString(SPNGSignature));

    std::vector<uint32_t> Pixels;
    std::vector<png_bytep> Rows;
    TPngDecoder D;
    D.Data = Data.data();
    D.Size = Data.size();
    D.Pixels = &Pixels;
    D.Rows = &Rows;
    const int Result = DecodePng(D);
    if (Result == 2 || D.OutOfMemory) throw std::bad_alloc();
    if (Result != 0) {
      if (D.Truncated) RaisePng(LoadResString(SPNGTruncated));
      if (D.TooLarge) RaisePng(LoadResString(SPNGTooLarge));
      RaisePng(D.Message);
    }
    Stream.SetPosition(Start + static_cast<long long>(D.Position));
    FWidth = static_cast<int>(D.Width);
    FHeight = static_cast<int>(D.Height);
    FPixels = std::move(Pixels);
  } catch (...) {
    if (!WasEmpty) Changed();
    throw;
  }
  Update();
}

void TPNGObject::SaveToStream(TStream& Stream) {
  if (Empty()) return;
  std::vector<unsigned char> Output;
  std::vector<png_bytep> Rows(static_cast<size_t>(FHeight));
  for (int Y = 0; Y < FHeight; ++Y)
    Rows[Y] = reinterpret_cast<png_bytep>(FPixels.data() + static_cast<size_t>(Y) * FWidth);
  TPngEncoder E;
  E.Output = &Output;
  E.Width = static_cast<png_uint_32>(FWidth);
  E.Height = static_cast<png_uint_32>(FHeight);
  E.Alpha = FHasAlpha;
  E.Rows = Rows.data();
  const int Result = EncodePng(E);
  if (Result == 2 || E.OutOfMemory) throw std::bad_alloc();
  if (Result != 0) throw EInvalidGraphicOperation(E.Message);
  Stream.WriteBuffer(Output.data(), static_cast<int>(Output.size()));
}

void TPNGObject::Draw(HDC DC, const RECT& Rect) {
  if (Empty()) return;
  const int W = Rect.right - Rect.left, H = Rect.bottom - Rect.top;
  if (W <= 0 || H <= 0) return;
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Info.bmiHeader.biWidth = FWidth;
  Info.bmiHeader.biHeight = -FHeight;  // top-down, as the pixels are kept
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 32;
  Info.bmiHeader.biCompression = BI_RGB;
  if (!Transparent()) {
    const int OldMode = SetStretchBltMode(DC, COLORONCOLOR);
    StretchDIBits(DC, Rect.left, Rect.top, W, H, 0, 0, FWidth, FHeight, FPixels.data(), &Info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(DC, OldMode);
    return;
  }
  // AlphaBlend wants premultiplied pixels: kept in a DIB section until the picture changes.
  if (!FCache) {
    void* Bits = nullptr;
    FCache = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    if (!FCache) throw EOutOfResources(LoadResString(SOutOfResources));
    auto* Out = static_cast<uint32_t*>(Bits);
    for (size_t I = 0; I < FPixels.size(); ++I) {
      const uint32_t P = FPixels[I], A = P >> 24;
      const uint32_t R = (((P >> 16) & 0xFF) * A + 127) / 255, G = (((P >> 8) & 0xFF) * A + 127) / 255,
                     B = ((P & 0xFF) * A + 127) / 255;
      Out[I] = (A << 24) | (R << 16) | (G << 8) | B;
    }
    GdiFlush();
  }
  HDC Source = CreateCompatibleDC(nullptr);
  if (!Source) throw EOutOfResources(LoadResString(SOutOfResources));
  HGDIOBJ Old = SelectObject(Source, FCache);
  const BLENDFUNCTION Blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(DC, Rect.left, Rect.top, W, H, Source, 0, 0, FWidth, FHeight, Blend);
  SelectObject(Source, Old);
  DeleteDC(Source);
}

uint32_t TPNGObject::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  return FPixels[static_cast<size_t>(Y) * FWidth + X];
}

const uint32_t* TPNGObject::ScanLine(int Row) const {
  if (Row < 0 || Row >= FHeight) throw EInvalidGraphicOperation(LoadResString(SScanLine));
  return FPixels.data() + static_cast<size_t>(Row) * FWidth;
}

void TPNGObject::SetPixels(int AWidth, int AHeight, const uint32_t* Pixels) {
  if (AWidth <= 0 || AHeight <= 0 || !Pixels) {
    Clear();
    return;
  }
  FPixels.assign(Pixels, Pixels + static_cast<size_t>(AWidth) * AHeight);
  FWidth = AWidth;
  FHeight = AHeight;
  Update();
}

void TPNGObject::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* Png = dynamic_cast<TPNGObject*>(Source)) {
    if (Png == this) return;
    FPixels = Png->FPixels;
    FWidth = Png->FWidth;
    FHeight = Png->FHeight;
    FHasAlpha = Png->FHasAlpha;
    FTransparent = Png->FTransparent;
    FreeCache();
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TPNGObject::AssignTo(TPersistent* Dest) {
  auto* Bitmap = dynamic_cast<TBitmap*>(Dest);
  if (!Bitmap) {
    TGraphic::AssignTo(Dest);
    return;
  }
  if (Empty()) {
    Bitmap->Clear();
    return;
  }
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  Info.bmiHeader.biWidth = FWidth;
  Info.bmiHeader.biHeight = FHeight;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 24;
  Info.bmiHeader.biCompression = BI_RGB;
  void* Bits = nullptr;
  HBITMAP New = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!New) throw EOutOfResources(LoadResString(SOutOfResources));
  const size_t Stride = ((static_cast<size_t>(FWidth) * 24 + 31) / 32) * 4;
  for (int Y = 0; Y < FHeight; ++Y) {
    auto* Row = static_cast<unsigned char*>(Bits) + static_cast<size_t>(FHeight - 1 - Y) * Stride;
    const uint32_t* Source = FPixels.data() + static_cast<size_t>(Y) * FWidth;
    for (int X = 0; X < FWidth; ++X) {
      const uint32_t P = Source[X], A = P >> 24;
      for (int C = 0; C < 3; ++C) {
        const uint32_t V = (P >> (8 * C)) & 0xFF;
        Row[3 * X + C] = static_cast<unsigned char>((V * A + 255 * (255 - A) + 127) / 255);
      }
    }
  }
  GdiFlush();
  Bitmap->SetHandle(New);
}
