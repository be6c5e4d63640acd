// The PNG picture: decoding with libpng into 32-bit pixels, drawing with per-pixel transparency.
#pragma once

#include "classlib/core/Graphics.h"

#include <cstdint>
#include <vector>

// A PNG that cannot be read: "Invalid PNG file: <reason>".
class EPNGError : public EInvalidGraphic {
public:
  using EInvalidGraphic::EInvalidGraphic;
};

class TPNGObject : public TGraphic {
public:
  TPNGObject();
  ~TPNGObject() override;

  bool Empty() const override { return FPixels.empty(); }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // True when some pixel is not fully opaque (set by loading; SetTransparent overrides it).
  bool HasAlpha() const { return FHasAlpha; }

  // Any colour type and bit depth, interlaced or not; 16-bit channels are scaled to 8 bits,
  // palettes, grey levels and tRNS chunks become RGBA; no gamma correction. Raises EPNGError
  // (truncated or corrupt data included) and leaves the picture empty.
  void LoadFromStream(TStream& Stream) override;
  // 8-bit RGBA (RGB when every pixel is opaque), not interlaced.
  void SaveToStream(TStream& Stream) override;
  // Stretched into Rect and blended over the destination by each pixel's alpha (when
  // Transparent; otherwise copied opaque).
  void Draw(HDC DC, const RECT& Rect) override;

  // Pixels as 0xAARRGGBB, alpha not premultiplied; row 0 is the top.
  uint32_t Pixel(int X, int Y) const;
  const uint32_t* ScanLine(int Row) const;
  // Replaces the picture by Width x Height pixels of 0xAARRGGBB values in rows from the top.
  void SetPixels(int AWidth, int AHeight, const uint32_t* Pixels);
  void Clear();

  void Assign(TPersistent* Source) override;  // a TPNGObject: a copy; nullptr empties

protected:
  // A TBitmap: a 24-bit DIB of the picture's size with the picture blended over white.
  void AssignTo(TPersistent* Dest) override;

private:
  int FWidth = 0, FHeight = 0;
  std::vector<uint32_t> FPixels;
  bool FHasAlpha = false;
  HBITMAP FCache = nullptr;  // premultiplied 32-bit DIB section for drawing, made on demand

  void FreeCache();
  void Update();  // recompute HasAlpha/Transparent, drop the cache, fire OnChange
};
