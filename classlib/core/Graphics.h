// Window-less graphics objects: colours, the picture base class, icons, bitmaps and a canvas over a DC.
#pragma once

#include "classlib/core/Classes.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// ---------------------------------------------------------------------------------------------
// Colours

// $00BBGGRR for an RGB colour; a negative value names the system colour of its low byte
// ($FF0000nn, $800000nn); clDefault is the default colour of the place where it is used.
using TColor = int32_t;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// The palette-relative flag that TBitmap::TransparentColor sets on the pixel colour it reports.
constexpr TColor clPaletteRelative = 0x02000000;

// A negative colour becomes the current system colour of its low byte; any other value is
// returned unchanged (clDefault and clNone included).
TColor ColorToRGB(TColor Color);

// ---------------------------------------------------------------------------------------------
// Errors

class EInvalidGraphic : public Exception {  // a picture that cannot be read
public:
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {  // an operation the picture does not allow
public:
  using Exception::Exception;
};
class EOutOfResources : public Exception {  // a GDI object could not be made
public:
  using Exception::Exception;
};
class EInvalidOperation : public Exception {  // "Invalid ImageList" and the like
public:
  using Exception::Exception;
};
class EResNotFound : public Exception {  // "Resource %s not found"
public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------------
// TGraphic: an abstract picture

class TGraphic : public TPersistent {
public:
  TGraphic();
  ~TGraphic() override;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Whether Draw leaves parts of the destination showing through.
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);

  // Opens the file (EFOpenError) and reads it with LoadFromStream.
  void LoadFromFile(const std::string& FileName);
  // Creates the file (EFCreateError) and writes it with SaveToStream.
  void SaveToFile(const std::string& FileName);
  // Reads the picture from the stream's position; an unreadable picture raises EInvalidGraphic
  // (or a class derived from it) and leaves the object empty.
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;
  // Draws the picture stretched into Rect.
  virtual void Draw(HDC DC, const RECT& Rect) = 0;

  // Fires after every change of the picture.
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
  bool FTransparent = false;
};

// Picture classes by clipboard format: what a picture pasted in that format is read as.
using TGraphicFactory = std::unique_ptr<TGraphic> (*)();
void RegisterClipboardGraphic(UINT Format, TGraphicFactory Factory);
TGraphicFactory ClipboardGraphic(UINT Format);  // nullptr for a format nothing registered

// ---------------------------------------------------------------------------------------------
// TCanvas: drawing tools over a device context it does not own

class TCanvas : public TObject {
public:
  explicit TCanvas(HDC DC = nullptr);
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The DC; a canvas that makes its own (a bitmap's) makes it here.
  HDC Handle();
  void SetHandle(HDC DC);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TColor BrushColor = clWhite;  // FillRect, the background of monochrome conversions
  TColor TextColor = clBlack;   // the foreground of monochrome conversions
  DWORD CopyMode = SRCCOPY;     // CopyRect's raster operation

  void FillRect(const RECT& Rect);                 // with BrushColor
  void Draw(int X, int Y, TGraphic& Graphic);      // at its own size
  void StretchDraw(const RECT& Rect, TGraphic& Graphic);
  // Copies Source's SourceRect stretched into Dest with CopyMode.
  void CopyRect(const RECT& Dest, TCanvas& Source, const RECT& SourceRect);
  TColor Pixel(int X, int Y);  // clNone outside the DC's surface
  void SetPixel(int X, int Y, TColor Color);

protected:
  virtual void CreateHandle() {}
  HDC FHandle = nullptr;
};

// ---------------------------------------------------------------------------------------------
// TIcon: an owned HICON

class TIcon : public TGraphic {
public:
  TIcon();
  ~TIcon() override;  // destroys the icon it owns

  HICON Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Takes ownership of Value (destroying the previous icon) and reads its size.
  void SetHandle(HICON Value);
  // Gives the icon up without destroying it; the object is empty afterwards.
  HICON ReleaseHandle();

  bool Empty() const override { return FHandle == nullptr; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool Transparent() const override { return true; }

  // An .ico file: of its images the one nearest to the system's large icon size (more colours
  // on a tie); EInvalidGraphic "Icon image is not valid" for anything else.
  void LoadFromStream(TStream& Stream) override;
  // An .ico file with the icon's one image (32-bit colour and its mask).
  void SaveToStream(TStream& Stream) override;
  // The icon resource Name of Instance at the system's large icon size (EResNotFound).
  void LoadFromResourceName(HINSTANCE Instance, const std::string& Name);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);
  // DrawIconEx stretched into Rect.
  void Draw(HDC DC, const RECT& Rect) override;

  void Assign(TPersistent* Source) override;  // a TIcon: a copy of its icon; nullptr empties

private:
  HICON FHandle = nullptr;
  int FWidth = 0, FHeight = 0;
  void NewHandle(HICON Value);
};

// ---------------------------------------------------------------------------------------------
// TBitmap: an owned HBITMAP with a memory DC made on demand

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat = pfDevice);
  ~TBitmap() override;  // frees the DC and the bitmap

  // The bitmap, made (empty bitmaps have none) when asked for. Stays selected into the canvas's DC
  // while that exists: FreeContext deselects it where a caller needs it free (image lists do that).
  HBITMAP Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Takes ownership of Value (freeing the previous bitmap) and reads its size and format.
  void SetHandle(HBITMAP Value);
  // Gives the bitmap up without deleting it; the object is empty afterwards.
  HBITMAP ReleaseHandle();
  // Deletes the canvas's DC (the canvas makes a new one when used again).
  void FreeContext();
  // Gives up the DC to save resources; the picture stays.
  void Dormant() { FreeContext(); }
  void FreeImage() { Clear(); }
  void Clear();  // no bitmap; size 0 x 0

  bool Empty() const override { return FHandle == nullptr; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // New size; the old picture stays at the top left, new parts take the canvas's BrushColor.
  void SetSize(int AWidth, int AHeight);
  void SetWidth(int Value) { SetSize(Value, FHeight); }
  void SetHeight(int Value) { SetSize(FWidth, Value); }

  // pfDevice for a device-dependent colour bitmap, pf1bit for a monochrome one (DDB or DIB), else
  // the bit depth of the DIB section (pfCustom for bit fields other than 5-5-5 at 16 bits).
  TPixelFormat PixelFormat() const;
  // Converts the picture: pfDevice makes a screen-compatible bitmap, pf1bit a monochrome DDB,
  // pf15bit, pf16bit, pf24bit and pf32bit DIB sections; other formats raise
  // EInvalidGraphicOperation "Invalid pixel format". On an empty bitmap: the format SetSize makes.
  void SetPixelFormat(TPixelFormat Value);
  TBitmapHandleType HandleType() const { return FIsDIB ? bmDIB : bmDDB; }
  // bmDIB keeps a DIB as it is and makes a device bitmap a 24-bit DIB (32-bit on a 32-bit screen);
  // bmDDB makes a DIB a device bitmap (monochrome when it was monochrome).
  void SetHandleType(TBitmapHandleType Value);
  bool Monochrome() const;
  // true: pixels of the canvas's BrushColor become white, all others black; false: black pixels
  // take the canvas's TextColor and white ones its BrushColor, as a device bitmap.
  void SetMonochrome(bool Value);

  // The colour that Draw leaves out when Transparent. tmAuto: the bottom-left pixel's colour
  // (white for a monochrome bitmap) with clPaletteRelative set; clDefault for an empty bitmap.
  TColor TransparentColor();
  // clDefault returns to tmAuto; any other colour is fixed (tmFixed).
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);

  // The DIB row Row (0 = top) of the pixel data; a device bitmap becomes a DIB first.
  // EInvalidGraphicOperation "Scan line index out of range" for a bad row.
  void* ScanLine(int Row);

  TCanvas& Canvas();
  HDC DC() { return Canvas().Handle(); }

  // A .bmp file (BITMAPFILEHEADER and a packed DIB, any depth and compression GDI reads), kept
  // as a DIB section of its depth; EInvalidGraphic "Bitmap image is not valid" otherwise.
  void LoadFromStream(TStream& Stream) override;
  // A .bmp file of the bitmap's depth (32-bit for a device bitmap on a deeper screen).
  void SaveToStream(TStream& Stream) override;
  // The bitmap resource of Instance (0: the system's predefined bitmaps) as a DIB section;
  // EResNotFound "Resource %s not found" when it cannot be loaded.
  void LoadFromResourceName(HINSTANCE Instance, const std::string& Name);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);

  // Stretched into Rect; when Transparent, pixels of TransparentColor are left out.
  void Draw(HDC DC, const RECT& Rect) override;

  // A TBitmap source: a copy of its picture, format and transparency; other pictures through
  // their AssignTo; nullptr empties.
  void Assign(TPersistent* Source) override;

private:
  class TBitmapCanvas;
  friend class TBitmapCanvas;
  HBITMAP FHandle = nullptr;
  int FWidth = 0, FHeight = 0;
  bool FIsDIB = false;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  TPixelFormat FEmptyFormat = pfDevice;  // the format SetSize gives an empty bitmap
  std::unique_ptr<TBitmapCanvas> FCanvas;

  void ReplaceHandle(HBITMAP Value);  // frees the DC and the old bitmap, reads Value's properties
  // Kinds of bitmap that Convert makes; bkSameAsCurrent copies the current bitmap's own kind.
  enum TBitmapKind { bkSameAsCurrent, bkScreen, bkMonoDDB, bkMonoDIB, bkDIB15, bkDIB16, bkDIB24, bkDIB32 };
  static TBitmapKind KindOf(TPixelFormat Format);  // EInvalidGraphicOperation for the others
  // A new bitmap of Kind, filled with the canvas's BrushColor and holding the current picture at
  // its top left (monochrome conversions as SetMonochrome describes).
  HBITMAP Convert(TBitmapKind Kind, int AWidth, int AHeight);
  void LoadResource(HINSTANCE Instance, LPCSTR Name, const std::string& Display);
  TColor BrushColorOrWhite() const;
  TColor TextColorOrBlack() const;
};

// ---------------------------------------------------------------------------------------------
// TFont: a logical font described by name, size, style, colour and character set; the HFONT is
// made on demand and remade after a change.

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bit (1 << TFontStyle) per style
constexpr TFontStyles FontStyleBit(TFontStyle Style) { return 1u << Style; }

class TFont : public TPersistent {
public:
  TFont();  // 8-point "Tahoma", clWindowText, DEFAULT_CHARSET
  ~TFont() override;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  // The font, made when asked for; owned by the object.
  HFONT Handle();
  // Takes the description of Value (a font the caller keeps); the object makes its own handle.
  void SetHandle(HFONT Value);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  // Size in points at the screen's pixels per inch; Height in pixels (negative: character height).
  int Size() const;
  void SetSize(int Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  BYTE Charset() const { return FCharset; }
  void SetCharset(BYTE Value);

  void Assign(TPersistent* Source) override;  // a TFont: every attribute
  // The LOGFONT the handle is made from.
  LOGFONTA LogFont() const;
  static int ScreenPixelsPerInch();

  TNotifyEvent OnChange;  // after every change

protected:
  virtual void Changed();

private:
  std::string FName = "Tahoma";
  int FHeight;
  TFontStyles FStyle = 0;
  TColor FColor = clWindowText;
  BYTE FCharset = DEFAULT_CHARSET;
  HFONT FHandle = nullptr;
  void FreeHandle();
};
