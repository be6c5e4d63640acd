// Free routines that the controls share: bitmaps from resources, cells of image strips, embossed
// "disabled" images, transparent stretched drawing, ellipsis shortening, message and window helpers,
// the command-line split and memory helpers for the image code.
#pragma once

#include "classlib/core/Graphics.h"
#include "controls/rxStrUtils.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

class TCustomImageList;
class TControl;

// The raster operation DSPDxax: the brush colour where the source is white, the destination where
// it is black.
constexpr DWORD ROP_DSPDxax = 0x00E20746;

// A bitmap resource of Module (0: the system's predefined bitmaps); ResID is a name or a number
// (MAKEINTRESOURCE). nullptr when it cannot be loaded; never raises.
std::unique_ptr<TBitmap> LoadModuleBitmap(HINSTANCE Module, const char* ResID);
// Raises EResNotFound "Resource %s not found" with the name or the decimal number of ResID.
[[noreturn]] void RaiseResourceNotFound(const char* ResID);

// Dest becomes cell Index of Source cut into Cols x Rows cells (counted along the rows). A bitmap
// source is copied with its transparent colour; any other picture is drawn over clSilver. Dest takes
// Source's transparency. Nothing when either is nullptr.
void CopyBitmapCell(TGraphic* Source, TBitmap* Dest, int Cols, int Rows, int Index);

// Control's parent and the graphic controls below it painted on Dest at the control's place (the
// parent in the paint-copy state meanwhile). Nothing without a control or a parent. Built with the
// GUI controls (corvane_controls_gui).
void CopyParentImage(TControl* Control, TCanvas& Dest);

// An embossed copy of Source: Back where Source is not the outline colour (for a monochrome source:
// where it is white), Shadow on the outline and, with DrawHighlight, Highlight on the outline moved
// one pixel down and right (below the shadow).
std::unique_ptr<TBitmap> CreateDisabledBitmapEx(TBitmap& Source, TColor OutlineColor, TColor BackColor,
                                                TColor HighlightColor, TColor ShadowColor, bool DrawHighlight);
// CreateDisabledBitmapEx with clBtnFace, clBtnHighlight and clBtnShadow, highlight drawn.
std::unique_ptr<TBitmap> CreateDisabledBitmap(TBitmap& Source, TColor OutlineColor);

// Image Index of Images drawn embossed at (X, Y) from its mask: Gray on the image and, with
// DrawHighlight, HighlightColor one pixel down and right.
void DrawImageDisabled(TCustomImageList& Images, TCanvas& Canvas, int X, int Y, int Index, TColor HighlightColor,
                       TColor GrayColor, bool DrawHighlight);

// Text, shortened until its width in the canvas's current font fits MaxWidth: the first shortened form
// drops two characters and ends in "..."; "..." alone when nothing fits.
std::string ShortenText(const std::string& Text, TCanvas& Canvas, int MaxWidth);

// Removes one queued message Msg of Wnd; a WM_QUIT taken by mistake is posted again.
void RemovePendingMessage(HWND Wnd, UINT Msg);
// Whether the active window belongs to the calling thread.
bool IsAppWindowActive();

// Program := the first parameter of CommandLine; Params := the others joined by one blank, each
// with a blank in it put back in double quotes. Parameters have no length limit.
void SplitCommandLine(const std::string& CommandLine, std::string& Program, std::string& Params);

// The clipboard's text up to its first line break (a one-line edit's paste); "" when there is none.
std::string ClipboardTextLine(HWND Owner);

// The height of Font's characters (text metrics) on a screen DC.
int FontTextHeight(TFont& Font);
// Repaints the child windows of Wnd at once: an edit's frame, drawn on the window's own DC, paints
// over the windows it holds (its buttons).
void RedrawChildWindows(HWND Wnd);

// MessageBeep(0) through a replaceable function, so that tests can count the beeps.
using TBeepFunc = void (*)();
void SystemBeep();
// Installs Func (nullptr: MessageBeep again) and returns the previous one.
TBeepFunc SetBeepFunc(TBeepFunc Func);

// The default cursor, an information box "Function not yet implemented", then the silent Abort.
[[noreturn]] void ShowNotImplemented();

inline std::string ResText(const std::string& Text) { return Text; }
inline int RectWidth(const RECT& R) { return R.right - R.left; }
inline int RectHeight(const RECT& R) { return R.bottom - R.top; }

// A zero-filled block of the global heap; nullptr for a size below 1.
void* AllocGlobalMemory(std::ptrdiff_t Size);
// Frees a block of AllocGlobalMemory (nothing for nullptr) and sets P to nullptr.
void FreeGlobalMemory(void*& P);
bool SameMemory(const void* A, const void* B, std::size_t Count);
inline void* OffsetPointer(void* P, std::ptrdiff_t Count) { return static_cast<char*>(P) + Count; }
inline const void* OffsetPointer(const void* P, std::ptrdiff_t Count) { return static_cast<const char*>(P) + Count; }
// Overlapping blocks allowed.
void CopyMemoryBlock(void* Dest, const void* Source, std::size_t Count);

// The colour's RGB value as a palette-relative colour (0x02000000 set).
TColor PaletteRGBColor(TColor Color);
// Copies the source area stretched into the destination area, leaving out the source's pixels of
// TransparentColor; Palette (may be nullptr) is realized in every DC.
void StretchBltTransparent(HDC DstDC, int DstX, int DstY, int DstW, int DstH, HDC SrcDC, int SrcX, int SrcY,
                           int SrcW, int SrcH, HPALETTE Palette, TColor TransparentColor);
// Bitmap drawn stretched on Dest without its pixels of TransparentColor. A destination or source width
// or height below 1 takes the bitmap's (the source then being the whole bitmap); clNone draws it whole
// with the canvas's CopyMode; clDefault takes the bottom-left pixel's colour; a monochrome bitmap
// leaves out white.
void StretchDrawTransparent(TCanvas& Dest, TBitmap& Bitmap, TColor TransparentColor, int DstX, int DstY, int DstW,
                            int DstH, int SrcX, int SrcY, int SrcW, int SrcH);
void StretchDrawRectTransparent(TCanvas& Dest, int DstX, int DstY, int DstW, int DstH, const RECT& SrcRect,
                                TBitmap& Bitmap, TColor TransparentColor);

// Width one-pixel three-dimensional frames inside Rect: TopColor on the left and top, BottomColor on
// the right and bottom. Rect shrinks by Width on each side.
void Frame3D(HDC DC, RECT& Rect, TColor TopColor, TColor BottomColor, int Width);
